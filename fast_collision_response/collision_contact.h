#pragma once
// A contact found by the swept sphere test, and the list of the nearest ones.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fast_collision_response/collision_plane.h"

class CollisionPolygonItem;

// Where the moving unit sphere meets a polygon.
enum CollisionContactKind : std::int32_t {
  ContactFace = 1,      // the inside of the polygon
  ContactEdge = 2,      // the inside of one edge
  ContactVertex = 3,    // a corner
  ContactEmbedded = 4,  // already touching or overlapping at the start
};

struct CollisionContactItem {
  // Points into the polygon list that the sweep ran over; valid only as long as that list.
  const CollisionPolygonItem* polygon = nullptr;
  // The plane to slide along; its normal points from the contact towards the sphere's centre.
  CollisionPlane plane;
  // Travel along the unit movement direction until the sphere touches; for ContactEmbedded,
  // the distance from the centre to the nearest polygon point minus 1 (zero or negative).
  float distance = 0.0f;
  std::int32_t kind = ContactFace;
};

// Clear keeps the storage. Item 0 is the reference for "equally near" in the sweep and the
// contact the solver advances to.
class CollisionContactList {
 public:
  void Append(const CollisionContactItem& contact) { contacts_.push_back(contact); }
  void Clear() { contacts_.clear(); }
  std::size_t GetCount() const { return contacts_.size(); }
  bool IsEmpty() const { return contacts_.empty(); }

  CollisionContactItem& operator[](std::size_t i) { return contacts_[i]; }
  const CollisionContactItem& operator[](std::size_t i) const { return contacts_[i]; }

  auto begin() { return contacts_.begin(); }
  auto end() { return contacts_.end(); }
  auto begin() const { return contacts_.begin(); }
  auto end() const { return contacts_.end(); }

 private:
  std::vector<CollisionContactItem> contacts_;
};

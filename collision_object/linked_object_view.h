#pragma once
// The operations of the linked "DX8 3D Object", its sub-objects and their meshes that the
// collision object calls. That channel type lives in another plug-in which this one does not
// link: these declarations repeat its virtual order after the host's twelve, so the calls go
// by position through the object's own virtual table. Never instantiated.

#include "host/hx_channel.h"
#include "platform/d3dx/d3dx8_math.h"

class Object3DView : public Hx_Channel {
 public:
  virtual D3DXMATRIX GetWorldMatrix() = 0;
  virtual Hx_Channel* GetSubObject(int index) = 0;  // null when there is none
  virtual int GetSubObjectCount() = 0;
};

// A sub-object holds its mesh as GetChild(0).
class SubObjectView : public Hx_Channel {
 public:
  virtual bool GetIfEnabled() = 0;
};

class MeshView : public Hx_Channel {
 public:
  virtual void PrepareMesh() = 0;  // called once before the mesh is read
  virtual int GetIndexCount() = 0;
  virtual int GetIndex(int position) = 0;
  virtual D3DXVECTOR3 GetVertexPosition(int vertex) = 0;
  virtual int GetPrimitiveType() = 0;  // a D3DPRIMITIVETYPE; 4 is a triangle list
};

inline constexpr int kTriangleListPrimitive = 4;

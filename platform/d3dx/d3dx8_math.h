#pragma once
// The D3DX 8 math records and the functions the plug-ins use. Row vectors are multiplied on
// the left of row-major matrices (v' = v * M), so translations sit in the fourth row.
// All arithmetic is in 32-bit floats.

#include <cstdint>

struct D3DXVECTOR3 {
  float x = 0, y = 0, z = 0;

  constexpr D3DXVECTOR3() = default;
  constexpr D3DXVECTOR3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

  constexpr float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  constexpr float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  constexpr D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
  constexpr D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  constexpr D3DXVECTOR3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
  constexpr D3DXVECTOR3& operator/=(float s) { x /= s; y /= s; z /= s; return *this; }
  constexpr D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
  // Exact component comparison, as the D3DX record does it (NaN compares unequal).
  constexpr bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
};
static_assert(sizeof(D3DXVECTOR3) == 12);

constexpr D3DXVECTOR3 operator+(D3DXVECTOR3 a, const D3DXVECTOR3& b) { return a += b; }
constexpr D3DXVECTOR3 operator-(D3DXVECTOR3 a, const D3DXVECTOR3& b) { return a -= b; }
constexpr D3DXVECTOR3 operator*(D3DXVECTOR3 a, float s) { return a *= s; }
constexpr D3DXVECTOR3 operator*(float s, D3DXVECTOR3 a) { return a *= s; }
constexpr D3DXVECTOR3 operator/(D3DXVECTOR3 a, float s) { return a /= s; }

struct D3DXMATRIX {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };

  constexpr D3DXMATRIX() : m{} {}
  constexpr D3DXMATRIX(float a11, float a12, float a13, float a14, float a21, float a22, float a23,
                       float a24, float a31, float a32, float a33, float a34, float a41, float a42,
                       float a43, float a44)
      : m{{a11, a12, a13, a14}, {a21, a22, a23, a24}, {a31, a32, a33, a34}, {a41, a42, a43, a44}} {}

  float& operator()(int row, int col) { return m[row][col]; }
  float operator()(int row, int col) const { return m[row][col]; }
};
static_assert(sizeof(D3DXMATRIX) == 64);

struct D3DXPLANE {
  float a = 0, b = 0, c = 0, d = 0;
};
static_assert(sizeof(D3DXPLANE) == 16);

inline float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  return a->x * b->x + a->y * b->y + a->z * b->z;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  const D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z,
                      a->x * b->y - a->y * b->x);
  *out = r;
  return out;
}
float D3DXVec3Length(const D3DXVECTOR3* v);
inline float D3DXVec3LengthSq(const D3DXVECTOR3* v) { return D3DXVec3Dot(v, v); }

// Scales v to unit length; a zero vector gives the zero vector (no NaN).
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (v, 1) * M, divided by the resulting w. Inline, as the per-frame gathering transforms every
// corner it reads.
inline D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
  const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
  const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
  const float w = v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44;
  *out = D3DXVECTOR3(x / w, y / w, z / w);
  return out;
}
// (v, 0) * M: rotation and scale only, no translation.
inline D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31;
  const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32;
  const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33;
  *out = D3DXVECTOR3(x, y, z);
  return out;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
bool D3DXMatrixIsIdentity(const D3DXMATRIX* m);
// out = a * b (a applied first to a row vector).
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
// Returns null, leaving out untouched, when m has no inverse (determinant 0 or not finite).
// determinant, when given, receives the determinant in either case.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);

// The plane through three points, normalised; the normal is (p2 - p1) x (p3 - p1), so the
// points run counter-clockwise seen from the side it points to. Collinear points give the
// zero plane normal with d = 0.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                               const D3DXVECTOR3* p3);
// a*x + b*y + c*z + d.
inline float D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v) {
  return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}

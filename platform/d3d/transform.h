// Transform stage: matrices and the vertex transform of the fixed-function pipeline.
//
// Row vectors: a point p becomes p x M; A x B applies A first; translation sits in row 3.
// The combined matrix is World x View x Projection; clip space keeps 0 <= z <= w and
// -w <= x, y <= w for visible points. Normals go through the inverse transpose of the upper 3x3
// of World x View; a singular matrix gives zero normals (such geometry is flat anyway).
#pragma once

#include "platform/d3d/d3dtypes.h"

namespace platform::d3d {

struct Vec4 {
    float x, y, z, w;
};

struct Mat3 {
    float m[3][3];
};

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b);
Vec4 transformPoint(const D3DVECTOR& p, const D3DMATRIX& m);
D3DVECTOR transformPoint3(const D3DVECTOR& p, const D3DMATRIX& m);  // affine part only
D3DVECTOR transformDirection(const D3DVECTOR& d, const D3DMATRIX& m);
D3DVECTOR transformNormal(const D3DVECTOR& n, const Mat3& m);

// Inverse transpose of the upper 3x3; false (and zeros) when the matrix is singular.
bool inverseTranspose3(const D3DMATRIX& m, Mat3* out);
// The camera position a view matrix was made from (the inverse of its affine part applied to the
// origin); the origin when the matrix is singular.
D3DVECTOR eyeFromView(const D3DMATRIX& view);

// Everything the vertex stage needs from the transform states, worked out once per draw.
struct TransformSet {
    D3DMATRIX worldView;
    D3DMATRIX worldViewProjection;
    Mat3 normalMatrix;
};
TransformSet makeTransformSet(const D3DMATRIX& world, const D3DMATRIX& view, const D3DMATRIX& projection);

float dot(const D3DVECTOR& a, const D3DVECTOR& b);
float length(const D3DVECTOR& a);
D3DVECTOR normalizeOrZero(const D3DVECTOR& a);

}  // namespace platform::d3d

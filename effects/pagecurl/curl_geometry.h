// The shape of the curl for one frame: the corner region it occupies, the rolled part of
// the sheet, the lines that split the region into flat picture, shaded curve, back of the
// sheet and revealed picture, and the way a point of the region's local square maps to a
// picture pixel.
//
// The curl is drawn in a local square of P x P points whose peeled corner is the local
// point (P - 1, 0); the shading and the back of the sheet lie on the corner's side of the
// diagonal from (0, 0) to (P, P). The mapping turns that square so that the peeled corner
// lands on the chosen corner of the picture (and, Horizontal, mirrors it about the
// region's diagonal). Every value is worked out from P alone, so the shape only scales
// with P and never depends on the picture's aspect ratio.
#pragma once

#include <cstdint>

// Direction bits of a rendering: bit 0 chooses Horizontal; the corner bits are tested
// in the order upper left, lower left, upper right, and any other value is lower right.
constexpr uint32_t kCurlHorizontal = 0x01;
constexpr uint32_t kCurlUpperLeft = 0x20;
constexpr uint32_t kCurlLowerLeft = 0x10;
constexpr uint32_t kCurlUpperRight = 0x08;
constexpr uint32_t kCurlLowerRight = 0x04;

enum class CurlCorner { kUpperLeft, kLowerLeft, kUpperRight, kLowerRight };

CurlCorner CurlCornerFromBits(uint32_t directionBits);

struct CurlPoint {
  double x;
  double y;
};

struct CurlGeometry {
  // The corner region: picture columns x0 .. x1 - 1 and rows y0 .. y1 - 1 (rows counted
  // from the top); it may reach outside the picture.
  int32_t x0, y0, x1, y1;
  int32_t l1, l2;         // the region's extents, both P
  int32_t width, height;  // the picture's size
  CurlCorner corner;
  bool horizontal;

  double theta;           // angle of the region's diagonal
  double r;               // the sheet length that the roll and the flat fold share
  CurlPoint k;            // centre of the roll
  double rho;             // radius of the roll; it touches the local row y = 0
  CurlPoint d;            // where the roll leaves the fold diagonal's direction
  CurlPoint g;            // the tip of the sheet's back
  double m1, m2, m3, m4;  // slopes of the fold diagonal, the reveal edge, the back's
                          // outer edge and the roll's tangent line
  double alpha;           // angle between the fold diagonal and the reveal edge
  double diagonalLength;  // |(L1, L2)|, the length the shading angles are measured against

  uint8_t paperRed, paperGreen, paperBlue;
};

// Works out the geometry for a curl of `position` pixels (at least 1) over a picture of
// width x height. 0 when the position or the size is below 1.
int ComputeCurlGeometry(int32_t position, uint32_t directionBits, int32_t width, int32_t height,
                        int32_t paperColour, CurlGeometry* geometry);

// The picture pixel (column, row from the top) of the local point (x, y). The result may
// lie outside the picture; such points are neither read nor written.
void MapCurlPoint(const CurlGeometry& geometry, int64_t x, int64_t y, int64_t* pictureX,
                  int64_t* pictureY);

// acos of a cosine that rounding may have pushed just past -1 or 1: the cosine is first
// brought back into that range, so the angle is the one the geometry means (0 or pi)
// instead of NaN.
double ClampedAcos(double cosine);

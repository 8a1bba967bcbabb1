// Trigonometric functions that give the same bits on every target.
//
// The effects' pictures depend on sin, cos, atan and acos, and the C runtimes of the
// two targets round some results differently (a last-bit difference flips a pixel that
// lies on a line). These versions are plain double arithmetic with a fixed evaluation
// order, accurate to within one unit in the last place, so both targets agree. sqrt is
// correctly rounded by the hardware and needs no replacement.
#pragma once

#include <cmath>

double PortableSin(double x);
double PortableCos(double x);
double PortableAtan(double x);
// NaN outside -1..1, like acos.
double PortableAcos(double x);
inline double PortableSqrt(double x) { return std::sqrt(x); }

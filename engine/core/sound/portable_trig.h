// Sine and cosine that give the same bits on every system.
//
// The system libraries round their sin and cos differently (one of them loses accuracy near the
// zeros of cos), so window weights and tones computed with them differ by a unit in the last place
// from one system to the other, and now and then a sample by one. These are computed with basic
// arithmetic only, in double-double precision, and rounded once: the nearest double to the true
// value but for inputs astronomically close to a rounding boundary.
#pragma once

// For |x| below about 10^6; beyond that the reduction by pi / 2 loses the last bits.
double PortableSin(double x);
double PortableCos(double x);

// Hamming half-windows, tabulated once per window length.
//
// A frame is windowed by the rising half 0.54 - 0.46 cos(pi i / n) before its pitch mark and the
// falling half 0.54 - 0.46 cos(pi i / m + pi) from the mark on. The tables hold exactly these
// values (computed by the same expressions), so a table lookup is bit-identical to the formula.
#pragma once

#include <cstdint>

struct WindowTable {
  double* rising;  // length n starts at TriangleOffset(n)
  double* falling;
  int32_t maxLength;  // longest tabulated length; longer halves are computed per sample
};

// Lengths above this are not tabulated (the table grows with the square of the length).
inline constexpr int32_t kMaxTabulatedWindow = 1024;

double RisingWindowWeight(int32_t i, int32_t n);
double FallingWindowWeight(int32_t i, int32_t m);

inline int64_t TriangleOffset(int32_t n) {
  return static_cast<int64_t>(n) * (n - 1) / 2;
}

// Fills tables for lengths 1 to min(maxLength, kMaxTabulatedWindow). Returns false when the
// allocation fails (the table is then empty).
bool BuildWindowTable(WindowTable* table, int32_t maxLength);
void FreeWindowTable(WindowTable* table);

// The tabulated weights of a half of length n (1 to maxLength), or null when n is not tabulated.
inline const double* RisingWindow(const WindowTable& table, int32_t n) {
  return n >= 1 && n <= table.maxLength ? table.rising + TriangleOffset(n) : nullptr;
}
inline const double* FallingWindow(const WindowTable& table, int32_t n) {
  return n >= 1 && n <= table.maxLength ? table.falling + TriangleOffset(n) : nullptr;
}

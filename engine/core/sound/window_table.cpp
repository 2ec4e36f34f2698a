#include "engine/core/sound/window_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "engine/core/sound/portable_trig.h"

double RisingWindowWeight(int32_t i, int32_t n) {
  return 0.54 - 0.46 * PortableCos(std::numbers::pi * i / n);
}

double FallingWindowWeight(int32_t i, int32_t m) {
  return 0.54 - 0.46 * PortableCos(std::numbers::pi * i / m + std::numbers::pi);
}

bool BuildWindowTable(WindowTable* table, int32_t maxLength) {
  const int32_t length = std::clamp(maxLength, 0, kMaxTabulatedWindow);
  const auto entries = static_cast<size_t>(TriangleOffset(length + 1));
  table->rising = static_cast<double*>(std::malloc((entries == 0 ? 1 : entries) * sizeof(double)));
  table->falling = static_cast<double*>(std::malloc((entries == 0 ? 1 : entries) * sizeof(double)));
  table->maxLength = length;
  if (table->rising == nullptr || table->falling == nullptr) {
    FreeWindowTable(table);
    return false;
  }
  for (int32_t n = 1; n <= length; ++n) {
    double* rising = table->rising + TriangleOffset(n);
    double* falling = table->falling + TriangleOffset(n);
    for (int32_t i = 0; i < n; ++i) {
      rising[i] = RisingWindowWeight(i, n);
      falling[i] = FallingWindowWeight(i, n);
    }
  }
  return true;
}

void FreeWindowTable(WindowTable* table) {
  std::free(table->rising);
  std::free(table->falling);
  table->rising = nullptr;
  table->falling = nullptr;
  table->maxLength = 0;
}

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "gfx/math.h"

namespace {

// Angles spread over a few turns either side of zero, as animation and camera code feed them.
const std::vector<float>& angles() {
  static const std::vector<float> values = [] {
    std::vector<float> v(1024);
    for (size_t i = 0; i < v.size(); ++i) v[i] = -12.0f + 24.0f * static_cast<float>(i) / v.size();
    return v;
  }();
  return values;
}

template <float (*Function)(float)>
void runOverAngles(benchmark::State& state) {
  const auto& values = angles();
  for (auto _ : state) {
    float sum = 0;
    for (float a : values) sum += Function(a);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}

float stdSin(float x) {
  return std::sin(x);
}
float stdCos(float x) {
  return std::cos(x);
}

void BM_FastSin(benchmark::State& state) {
  runOverAngles<fastSin>(state);
}
void BM_StdSin(benchmark::State& state) {
  runOverAngles<stdSin>(state);
}
void BM_FastCos(benchmark::State& state) {
  runOverAngles<fastCos>(state);
}
void BM_StdCos(benchmark::State& state) {
  runOverAngles<stdCos>(state);
}

// The textbook triple loop, accumulating in place; kept out of line like the product it is
// compared with.
[[gnu::noinline]] void naiveProduct(MATRIX& out, const MATRIX& a, const MATRIX& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      out.m[r][c] = 0;
      for (int k = 0; k < 4; ++k) out.m[r][c] += a.m[r][k] * b.m[k][c];
    }
}

std::vector<MATRIX> matrices() {
  std::vector<MATRIX> v(64);
  for (size_t i = 0; i < v.size(); ++i) v[i].rotationXYZ(VECTOR{0.1f * i, 0.2f * i, 0.3f * i});
  return v;
}

void BM_MatrixProduct(benchmark::State& state) {
  const auto input = matrices();
  MATRIX acc;
  acc.identity();
  for (auto _ : state) {
    for (const MATRIX& m : input) mulInto(acc, acc, m);
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(input.size()));
}

void BM_NaiveMatrixProduct(benchmark::State& state) {
  const auto input = matrices();
  MATRIX acc, next;
  acc.identity();
  for (auto _ : state) {
    for (const MATRIX& m : input) {
      naiveProduct(next, acc, m);
      acc = next;
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(input.size()));
}

}  // namespace

BENCHMARK(BM_FastSin);
BENCHMARK(BM_StdSin);
BENCHMARK(BM_FastCos);
BENCHMARK(BM_StdCos);
BENCHMARK(BM_MatrixProduct);
BENCHMARK(BM_NaiveMatrixProduct);

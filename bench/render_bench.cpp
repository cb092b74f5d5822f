// How long one render of the 8192-sample loop buffer takes, for every
// waveform, against the floor of a bit-exact periodic render: 8192 sin calls
// on the same phases.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "sound.h"
#include "synth.h"

namespace {

constexpr int kSamples = 8192;
constexpr float kFrequencies[] = {495.263671875f, 15999.169921875f};

std::vector<SHORT> g_buffer(kSamples);

void AttachBuffer() {
  g_AudioFormat.nSamplesPerSec = 44100;
  g_nBufferSamples = kSamples;
  g_cbOutBuffer = kSamples * sizeof(SHORT);
  g_pOutData[0] = g_buffer.data();
  g_nOutBuffers = 1;
}

void BM_SinBaseline(benchmark::State &state) {
  float f = kFrequencies[state.range(0)];
  float omega = 6.283185f / 44100.0f;
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < kSamples; i++) sum += sin((double)(((float)i * omega) * f));
    benchmark::DoNotOptimize(sum);
  }
}

void BM_Generate(benchmark::State &state) {
  AttachBuffer();
  int code = (int)state.range(0);
  float f = kFrequencies[state.range(1)];
  for (auto _ : state) {
    GenerateWaveform(code, f);
    benchmark::DoNotOptimize(g_buffer.data());
    benchmark::ClobberMemory();
  }
}

void PeriodicArgs(benchmark::internal::Benchmark *b) {
  b->ArgNames({"code", "freq"});
  for (int code : {WF_SINE, WF_SQUARE, WF_TRIANGLE, WF_SAWTOOTH, WF_SWEEP})
    for (int freq : {0, 1}) b->Args({code, freq});
  for (int code : {WF_IMPULSE, WF_WHITE_NOISE, WF_PINK_NOISE}) b->Args({code, 0});
}

}  // namespace

BENCHMARK(BM_SinBaseline)->ArgName("freq")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Generate)->Apply(PeriodicArgs)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

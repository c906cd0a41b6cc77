#pragma once
// Which instructions the hot loops may use beyond the x86-64 baseline.
// Internal to the engine.

// Loops built for AVX2 exist on x86-64 with GCC or Clang.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TESSARIM_HAVE_AVX2_LOOPS 1
#endif

namespace tessarim {

// The processor has AVX2 (and POPCNT), and TESSARIM_BASELINE_CPU is not set in
// the environment: the tests run the engine both ways, and a user can rule out
// the wider loops when comparing results.
bool UseAvx2();
// The processor has AVX-512 (F and BW) and BMI2, and TESSARIM_BASELINE_CPU is
// not set; TESSARIM_BASELINE_CPU=avx2 keeps the AVX2 loops and rules out
// these, so that the tests can run those too on such a processor.
bool UseAvx512();
// With AVX2, a gather of eight words is quicker than eight plain loads: on
// Intel's processors from Sapphire Rapids on (AVX512-FP16 or AMX), which
// the microcode that slows every gather of the earlier ones against Gather
// Data Sampling leaves alone. Not on AMD's, where plain loads win.
// TESSARIM_CPU_GATHER=1 or 0 decides instead, so that the tests run both.
bool GathersAreQuick();

} // namespace tessarim

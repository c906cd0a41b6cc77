#include "engine/Cpu.h"

#include <cstdlib>
#include <string_view>

// The header is C: Clang's C++ lacks the _Bool it uses, so a Clang build asks
// the compiler's probe.
#if defined(TESSARIM_HAVE_AVX2_LOOPS) && !defined(__clang__) && __has_include(<sys/platform/x86.h>)
#include <sys/platform/x86.h>
#define TESSARIM_GLIBC_CPU_FEATURES 1
#endif

namespace tessarim {

namespace {

// What TESSARIM_BASELINE_CPU rules out: nothing when unset.
const char* Baseline() {
    static const char* const value = std::getenv("TESSARIM_BASELINE_CPU");
    return value;
}

#ifdef TESSARIM_HAVE_AVX2_LOOPS
// The C library asked the processor what it has when the program started.
// The compiler's own probe (behind __builtin_cpu_supports and
// target_clones) would ask again at every start, before main: in a virtual
// machine, where each question traps, that cost a command-line run over a
// small file 0.05-0.1 ms of its 1.2.
#ifdef TESSARIM_GLIBC_CPU_FEATURES
bool ProcessorHasAvx2() {
    return CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(POPCNT);
}
bool ProcessorHasAvx512() {
    return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512BW) && CPU_FEATURE_ACTIVE(BMI2);
}
// Intel's processors from Sapphire Rapids on: features the earlier ones lack,
// on a processor without AMD's SSE4A (every AMD processor since 2007 has it,
// no Intel one). Asking the maker's name instead would cost a question the
// hypervisor traps, 14 us, in every run.
bool ProcessorGathersQuickly() {
    return (CPU_FEATURE_ACTIVE(AVX512_FP16) || CPU_FEATURE_ACTIVE(AMX_TILE)) &&
           !CPU_FEATURE_PRESENT(SSE4A);
}
#else
bool ProcessorHasAvx2() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}
bool ProcessorHasAvx512() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("bmi2");
}
// The compiler's probe does not name those features everywhere: plain loads.
bool ProcessorGathersQuickly() {
    return false;
}
#endif
#endif

} // namespace

bool UseAvx2() {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    static const bool use =
        ProcessorHasAvx2() && (Baseline() == nullptr || std::string_view(Baseline()) == "avx2");
    return use;
#else
    return false;
#endif
}

bool UseAvx512() {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    static const bool use = UseAvx2() && ProcessorHasAvx512() && Baseline() == nullptr;
    return use;
#else
    return false;
#endif
}

bool GathersAreQuick() {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    static const bool quick = [] {
        const char* chosen = std::getenv("TESSARIM_CPU_GATHER");
        return UseAvx2() &&
               (chosen != nullptr ? std::string_view(chosen) == "1" : ProcessorGathersQuickly());
    }();
    return quick;
#else
    return false;
#endif
}

} // namespace tessarim

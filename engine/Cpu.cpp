#include "engine/Cpu.h"

#include <cstdlib>
#include <string_view>

namespace tessarim {

namespace {

// What TESSARIM_BASELINE_CPU rules out: nothing when unset.
const char* Baseline() {
    static const char* const value = std::getenv("TESSARIM_BASELINE_CPU");
    return value;
}

} // namespace

bool UseAvx2() {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    static const bool use = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                            (Baseline() == nullptr || std::string_view(Baseline()) == "avx2");
    return use;
#else
    return false;
#endif
}

bool UseAvx512() {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    static const bool use = UseAvx2() && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi2") &&
                            Baseline() == nullptr;
    return use;
#else
    return false;
#endif
}

} // namespace tessarim

#include "engine/Cpu.h"

#include <cstdlib>

namespace tessarim {

bool UseAvx2() {
#ifdef TESSARIM_HAVE_AVX2_LOOPS
    static const bool use = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                            std::getenv("TESSARIM_BASELINE_CPU") == nullptr;
    return use;
#else
    return false;
#endif
}

} // namespace tessarim

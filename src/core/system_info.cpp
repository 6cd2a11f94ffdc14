#include "core/system_info.hpp"

namespace vura {

bool processorHasVectorUnit() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("mmx") && __builtin_cpu_supports("sse2");
#else
    return true;
#endif
}

} // namespace vura

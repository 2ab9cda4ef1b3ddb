// Sanitizer help for the real-window tests. The software GL driver
// leaves one-time allocations behind and is unloaded before the leak check,
// so they would show as an unknown module. Keeping the driver loaded lets
// scripts/lsan.supp name and suppress them. (Slow unwinding is not used:
// it deadlocks in the driver's JIT.)
#include <dlfcn.h>

#if defined(__SANITIZE_ADDRESS__)
#define VX_WINDOW_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VX_WINDOW_ASAN 1
#endif
#endif

#ifdef VX_WINDOW_ASAN
namespace {
struct KeepGlDriverLoaded {
  KeepGlDriverLoaded() {
    const char *paths[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so",
                           "/usr/lib/x86_64-linux-gnu/dri/kms_swrast_dri.so"};
    for (const char *p : paths) dlopen(p, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
  }
} keep_gl_driver_loaded;
} // namespace
extern "C" const char *__lsan_default_suppressions() { return "leak:__pthread_once_slow\nleak:swrast_dri\n"; }
#endif

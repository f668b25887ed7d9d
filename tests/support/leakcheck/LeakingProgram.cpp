// Built only for the tests: loads, uses and unloads a library that leaks like
// a system library, then leaks one block of its own. The harness must report
// the second and nothing of the first.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

void* volatile held = nullptr;

__attribute__((noinline)) void LeakOneBlockOnPurpose() { held = std::malloc(48); }
__attribute__((noinline)) void ForgetTheBlock() { held = nullptr; }

}  // namespace

int main() {
  void* library = dlopen(ORV_STAND_IN_LIBRARY, RTLD_NOW);
  if (library == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 2;
  }
  auto leak = reinterpret_cast<void (*)()>(dlsym(library, "OrvStandInLeak"));
  if (leak != nullptr) leak();
  dlclose(library);
  LeakOneBlockOnPurpose();
  ForgetTheBlock();
  std::puts("done");
  std::fflush(stdout);
  return 0;
}

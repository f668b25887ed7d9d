/* Test processes never unload a library. LeakSanitizer checks at exit and
 * names the module of every frame of a leak; a system library loaded at run
 * time and unloaded before then leaves frames without a module, which no
 * suppression can match, and a block only its data pointed to looks lost.
 * Linked into the test programs; preloaded into the program under test. */
#define _GNU_SOURCE
#include <stdlib.h>

int dlclose(void* handle) {
  (void)handle;
  return 0;
}

#ifdef ORV_PRELOADED
/* The preload is for the program under test alone, not for the shells and
 * tools it starts. */
__attribute__((constructor)) static void ForgetPreload(void) { unsetenv("LD_PRELOAD"); }
#endif

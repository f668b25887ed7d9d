/* Leaks the way system libraries loaded at run time do: one block nothing
 * points to, and one only this library's own data points to. */
#include <stdlib.h>

void* orv_stand_in_kept;

void OrvStandInLeak(void) {
  orv_stand_in_kept = realloc(NULL, 128);
  void* volatile lost = malloc(32);
  lost = NULL;
  (void)lost;
}

#include <windows.h>

#include <stdlib.h>

/* Fixed local memory is plain heap memory; a zero-byte request still gets a
 * distinct block, as on the device. Moveable memory is not supported and
 * fails with NULL. */
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if ((uFlags & ~(UINT)LMEM_ZEROINIT) != LMEM_FIXED) return NULL;
  SIZE_T cb = uBytes ? uBytes : 1;
  return (uFlags & LMEM_ZEROINIT) ? calloc(1, cb) : malloc(cb);
}

HLOCAL LocalFree(HLOCAL hMem) {
  free(hMem);
  return NULL;
}

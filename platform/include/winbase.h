/*
 * winbase.h - kernel services: the millisecond tick, local memory, and the
 * wide-string helpers of the device's C runtime.
 */
#ifndef TONBROOK_WINBASE_H
#define TONBROOK_WINBASE_H

#include <windef.h>

/* Milliseconds since the system started, wrapping at 32 bits. */
DWORD GetTickCount(void);

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

/* Allocates uBytes of fixed memory, zero-filled with LMEM_ZEROINIT.
 * Returns NULL when the memory cannot be had or uFlags is not a fixed
 * allocation. */
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
/* Frees a block from LocalAlloc. Returns NULL on success (and for NULL). */
HLOCAL LocalFree(HLOCAL hMem);

/* Length of a NUL-terminated UTF-16 string, in 16-bit units. */
size_t wcslen(const WCHAR *psz);

#endif

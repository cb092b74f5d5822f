#include <windows.h>

size_t wcslen(const WCHAR *psz) {
  const WCHAR *p = psz;
  while (*p) ++p;
  return (size_t)(p - psz);
}

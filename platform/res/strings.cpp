#include <algorithm>

#include "res/module.h"

namespace {

constexpr UINT kStringsPerBlock = 16;

/* Finds string uID in its block of 16: its characters and length. False
 * when there is no such block or the block ends before the string. */
bool FindString(UINT uID, const WCHAR *&pch, WORD &cch) {
  plat::res::ResId type, name;
  type.ordinal = (WORD)(ULONG_PTR)RT_STRING;
  if (uID / kStringsPerBlock + 1 > 0xFFFF) return false;
  name.ordinal = (WORD)(uID / kStringsPerBlock + 1);
  const plat::res::ResEntry *e = plat::res::FindEntry(type, name);
  if (!e) return false;
  plat::res::Reader r(plat::res::DataOf(*e), e->size);
  for (UINT i = 0; i < uID % kStringsPerBlock; i++) r.skip(2 * (size_t)r.u16());
  cch = r.u16();
  pch = (const WCHAR *)r.here();
  return r.skip(2 * (size_t)cch);
}

}  // namespace

int LoadStringW(HINSTANCE, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
  if (!lpBuffer || cchBufferMax < 0) return 0;
  const WCHAR *pch = nullptr;
  WORD cch = 0;
  bool found = FindString(uID, pch, cch);
  if (cchBufferMax == 0) {
    if (!found) return 0;
    *(const WCHAR **)lpBuffer = pch;
    return cch;
  }
  int n = found ? std::min((int)cch, cchBufferMax - 1) : 0;
  std::copy(pch, pch + n, lpBuffer);
  lpBuffer[n] = 0;
  return n;
}

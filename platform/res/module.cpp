#include "res/module.h"

#include <algorithm>

namespace plat {

namespace {

constexpr WORD kLangEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct Module {
  std::vector<BYTE> bytes;
  std::vector<res::ResEntry> entries;
  unsigned generation = 0;
};

bool Load(Module &m, const BYTE *pb, size_t cb) {
  std::vector<BYTE> copy(pb, pb + cb); /* pb may lie in the old bytes */
  m.bytes.swap(copy);
  ++m.generation;
  auto entries = res::ParseResFile(m.bytes.data(), m.bytes.size());
  if (!entries) {
    m.bytes.clear();
    m.entries.clear();
    return false;
  }
  m.entries = std::move(*entries);
  return true;
}

void LoadLinked(Module &m) {
  const BYTE *begin = plat_module_res_begin, *end = plat_module_res_end;
  if (begin && end > begin)
    Load(m, begin, (size_t)(end - begin));
  else
    Load(m, nullptr, 0);
}

Module &module() {
  static Module m = [] {
    Module linked;
    LoadLinked(linked);
    return linked;
  }();
  return m;
}

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? (char16_t)(c - 32) : c; }

bool SameId(const res::ResId &a, const res::ResId &b) {
  if (a.isOrdinal || b.isOrdinal) return a.isOrdinal == b.isOrdinal && a.ordinal == b.ordinal;
  return std::ranges::equal(a.name, b.name, {}, Upper, Upper);
}

}  // namespace

HINSTANCE ModuleInstance() { return (HINSTANCE)(uintptr_t)0x00010000; }

bool SetModuleResources(const void *pv, size_t cb) {
  Module &m = module();
  if (!pv) {
    LoadLinked(m);
    return !m.bytes.empty();
  }
  return Load(m, (const BYTE *)pv, cb);
}

}  // namespace plat

namespace plat::res {

const std::vector<ResEntry> &Entries() { return module().entries; }

const BYTE *DataOf(const ResEntry &e) { return module().bytes.data() + e.offset; }

unsigned Generation() { return module().generation; }

const ResEntry *FindEntry(const ResId &type, const ResId &name, std::optional<WORD> lang) {
  const ResEntry *found = nullptr;
  for (const ResEntry &e : Entries()) {
    if (!SameId(e.type, type) || !SameId(e.name, name)) continue;
    if (lang ? e.language == *lang : e.language == kLangEnglishUS) return &e;
    if (!lang && !found) found = &e;
  }
  return found;
}

std::optional<ResId> IdFromParam(LPCWSTR psz) {
  if (!psz) return std::nullopt;
  ResId id;
  if (IS_INTRESOURCE(psz)) {
    id.ordinal = (WORD)(ULONG_PTR)psz;
    return id;
  }
  if (psz[0] == u'#') {
    DWORD n = 0;
    const WCHAR *p = psz + 1;
    for (; *p >= u'0' && *p <= u'9' && n <= 0xFFFF; ++p) n = n * 10 + (DWORD)(*p - u'0');
    if (*p == 0 && p > psz + 1 && n <= 0xFFFF) {
      id.ordinal = (WORD)n;
      return id;
    }
  }
  id.isOrdinal = false;
  id.name = psz;
  return id;
}

const ResEntry *FindEntryW(LPCWSTR lpName, LPCWSTR lpType) {
  auto name = IdFromParam(lpName), type = IdFromParam(lpType);
  return name && type ? FindEntry(*type, *name) : nullptr;
}

/* A handle is the entry's index plus one, times 4. */
HRSRC HandleOf(const ResEntry *e) {
  return e ? (HRSRC)(uintptr_t)((size_t)(e - Entries().data() + 1) * 4) : nullptr;
}

const ResEntry *EntryOf(HRSRC h) {
  uintptr_t v = (uintptr_t)h;
  const auto &entries = Entries();
  if (v % 4 != 0 || v == 0 || v / 4 > entries.size()) return nullptr;
  return &entries[v / 4 - 1];
}

size_t BytesAfter(const void *p) {
  const BYTE *pb = (const BYTE *)p;
  for (const ResEntry &e : Entries()) {
    const BYTE *begin = DataOf(e);
    if (pb >= begin && pb < begin + e.size) return (size_t)(begin + e.size - pb);
  }
  return 0;
}

}  // namespace plat::res

HRSRC FindResourceW(HMODULE, LPCWSTR lpName, LPCWSTR lpType) {
  return plat::res::HandleOf(plat::res::FindEntryW(lpName, lpType));
}

HRSRC FindResourceExW(HMODULE, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage) {
  auto name = plat::res::IdFromParam(lpName), type = plat::res::IdFromParam(lpType);
  if (!name || !type) return nullptr;
  return plat::res::HandleOf(plat::res::FindEntry(*type, *name, wLanguage));
}

HGLOBAL LoadResource(HMODULE, HRSRC hResInfo) {
  const plat::res::ResEntry *e = plat::res::EntryOf(hResInfo);
  return e ? (HGLOBAL)plat::res::DataOf(*e) : nullptr;
}

LPVOID LockResource(HGLOBAL hResData) { return hResData; }

DWORD SizeofResource(HMODULE, HRSRC hResInfo) {
  const plat::res::ResEntry *e = plat::res::EntryOf(hResInfo);
  return e ? e->size : 0;
}

#include "res/cache.h"
#include "user/accel.h"

namespace {

constexpr WORD kLastAccelEntry = 0x80;

bool FreeAccelTable(HACCEL h) { return DestroyAcceleratorTable(h) != FALSE; }

}  // namespace

/* Entries are 8 bytes: flags, key, command and a pad word; the last one has
 * 0x80 in its flags, which the loaded table does not keep. */
HACCEL LoadAcceleratorsW(HINSTANCE, LPCWSTR lpTableName) {
  static plat::res::SharedHandles<HACCEL, FreeAccelTable> shared;
  const plat::res::ResEntry *e = plat::res::FindEntryW(lpTableName, RT_ACCELERATOR);
  if (!e) return nullptr;
  if (HACCEL h = shared.Find(e)) return h;

  plat::res::Reader r(plat::res::DataOf(*e), e->size);
  std::vector<ACCEL> table;
  for (;;) {
    WORD flags = r.u16();
    WORD key = r.u16();
    WORD cmd = r.u16();
    r.u16();
    if (!r.ok()) return nullptr;
    table.push_back(ACCEL{(BYTE)(flags & ~kLastAccelEntry), key, cmd});
    if (flags & kLastAccelEntry) break;
  }
  return shared.Remember(e, plat::user::MakeAccelTable(std::move(table)));
}

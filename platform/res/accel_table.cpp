#include "res/accel_table.h"

#include <unordered_map>

namespace plat {

namespace {

constexpr uintptr_t kFirstHandle = 0x30000000;
constexpr uintptr_t kHandleStep = 4;

struct Tables {
  std::unordered_map<uintptr_t, AccelTable> tables;
  uintptr_t next = kFirstHandle;
};

Tables &tables() {
  static Tables t;
  return t;
}

}  // namespace

HACCEL AddAccelTable(AccelTable table) {
  Tables &t = tables();
  uintptr_t h = t.next;
  t.next += kHandleStep;
  t.tables.emplace(h, std::move(table));
  return (HACCEL)h;
}

const AccelTable *FindAccelTable(HACCEL h) {
  auto &all = tables().tables;
  auto it = all.find((uintptr_t)h);
  return it == all.end() ? nullptr : &it->second;
}

bool RemoveAccelTable(HACCEL h) { return tables().tables.erase((uintptr_t)h) != 0; }

}  // namespace plat

#include "gdi/gdiobj.h"

#include <unordered_map>
#include <unordered_set>

namespace plat::gdi {

namespace {

constexpr uintptr_t kFirstHandle = 0x40000000;
constexpr uintptr_t kHandleStep = 4;

struct Table {
  std::unordered_map<uintptr_t, Object> objects;
  std::unordered_set<uintptr_t> stock;
  uintptr_t next = kFirstHandle;
};

Table &table() {
  static Table t;
  return t;
}

}  // namespace

HGDIOBJ AddObject(Object obj) {
  Table &t = table();
  uintptr_t h = t.next;
  t.next += kHandleStep;
  t.objects.emplace(h, std::move(obj));
  return (HGDIOBJ)h;
}

Object *FindObject(HGDIOBJ h) {
  auto &objects = table().objects;
  auto it = objects.find((uintptr_t)h);
  return it == objects.end() ? nullptr : &it->second;
}

bool RemoveObject(HGDIOBJ h) {
  if (IsStock(h)) return false;
  return table().objects.erase((uintptr_t)h) != 0;
}

void ForEachDc(const std::function<void(HGDIOBJ, Dc &)> &fn) {
  for (auto &[h, obj] : table().objects) {
    if (Dc *dc = std::get_if<Dc>(&obj)) fn((HGDIOBJ)h, *dc);
  }
}

void MarkStock(HGDIOBJ h) { table().stock.insert((uintptr_t)h); }

bool IsStock(HGDIOBJ h) { return table().stock.count((uintptr_t)h) != 0; }

}  // namespace plat::gdi

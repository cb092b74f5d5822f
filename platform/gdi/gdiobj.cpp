#include "gdi/gdiobj.h"

#include <unordered_map>

namespace plat::gdi {

namespace {

constexpr uintptr_t kFirstHandle = 0x40000000;
constexpr uintptr_t kHandleStep = 4;

struct Table {
  std::unordered_map<uintptr_t, Object> objects;
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

bool RemoveObject(HGDIOBJ h) { return table().objects.erase((uintptr_t)h) != 0; }

}  // namespace plat::gdi

/* Icons are shared with their resource and are not freed here. */
BOOL DeleteObject(HGDIOBJ hObject) {
  if (!plat::gdi::FindAs<plat::gdi::Bitmap>(hObject)) return FALSE;
  return plat::gdi::RemoveObject(hObject);
}

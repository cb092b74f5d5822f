#include "res/templates.h"

namespace plat::res {

namespace {

/* Deeper menus than this do not fit the screen; a deeper template is
 * treated as damaged rather than followed. */
constexpr int kMaxMenuDepth = 8;

/* The dialog style that says a font follows the caption. */
constexpr DWORD kDsSetFont = 0x40;

/* Reads entries up to and including the one marked MF_END. */
bool ParseMenuItems(Reader &r, int depth, std::vector<MenuItem> &out) {
  if (depth > kMaxMenuDepth) return false;
  for (;;) {
    MenuItem item;
    item.flags = r.u16();
    if (!(item.flags & MF_POPUP)) item.id = r.u16();
    item.text = r.sz();
    if (!r.ok()) return false;
    if ((item.flags & MF_POPUP) && !ParseMenuItems(r, depth + 1, item.items)) return false;
    bool last = item.flags & MF_END;
    out.push_back(std::move(item));
    if (last) return true;
  }
}

std::optional<std::u16string> PredefinedClass(WORD atom) {
  static const char16_t *const names[] = {u"Button",    u"Edit",     u"Static",
                                          u"ListBox",   u"ScrollBar", u"ComboBox"};
  if (atom < 0x80 || atom > 0x85) return std::nullopt;
  return names[atom - 0x80];
}

bool ParseDialogItem(Reader &r, DialogItem &item) {
  r.align4();
  item.style = r.u32();
  item.exStyle = r.u32();
  item.x = r.s16();
  item.y = r.s16();
  item.cx = r.s16();
  item.cy = r.s16();
  item.id = r.u16();
  ResId cls = r.nameOrOrdinal();
  if (cls.isOrdinal) {
    auto name = PredefinedClass(cls.ordinal);
    if (!name) return false;
    item.className = *name;
  } else {
    item.className = cls.name;
  }
  item.title = r.nameOrOrdinal();
  WORD cbData = r.u16();
  const BYTE *data = r.here();
  if (!r.skip(cbData)) return false;
  item.creationData.assign(data, data + cbData);
  return r.ok();
}

}  // namespace

std::optional<std::vector<MenuItem>> ParseMenuTemplate(const BYTE *pb, size_t cb) {
  Reader r(pb, cb);
  WORD version = r.u16();
  WORD cbHeaderExtra = r.u16();
  if (!r.ok() || version != 0 || !r.skip(cbHeaderExtra)) return std::nullopt;
  std::vector<MenuItem> items;
  if (!ParseMenuItems(r, 0, items)) return std::nullopt;
  return items;
}

std::optional<DialogTemplate> ParseDialogTemplate(const BYTE *pb, size_t cb) {
  Reader r(pb, cb);
  DialogTemplate t;
  t.style = r.u32();
  if (LOWORD(t.style) == 1 && HIWORD(t.style) == 0xFFFF) return std::nullopt;
  t.exStyle = r.u32();
  WORD cItems = r.u16();
  t.x = r.s16();
  t.y = r.s16();
  t.cx = r.s16();
  t.cy = r.s16();
  t.menu = r.nameOrOrdinal();
  t.dlgClass = r.nameOrOrdinal();
  t.caption = r.sz();
  if (t.style & kDsSetFont) {
    t.hasFont = true;
    t.pointSize = r.u16();
    t.fontName = r.sz();
  }
  if (!r.ok()) return std::nullopt;
  for (WORD i = 0; i < cItems; i++) {
    DialogItem item;
    if (!ParseDialogItem(r, item)) return std::nullopt;
    t.items.push_back(std::move(item));
  }
  return t;
}

}  // namespace plat::res

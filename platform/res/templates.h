/*
 * res/templates.h - menu and dialog templates, parsed for the controls that
 * build menus and dialogs from them.
 */
#ifndef TONBROOK_PLATFORM_RES_TEMPLATES_H
#define TONBROOK_PLATFORM_RES_TEMPLATES_H

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "res/reader.h"

namespace plat::res {

/* One entry of a menu template. flags are as stored (MF_POPUP, MF_END,
 * MF_GRAYED, ...); a pop-up has no id and holds its entries in items. */
struct MenuItem {
  WORD flags = 0;
  WORD id = 0;
  std::u16string text;
  std::vector<MenuItem> items;

  /* Resource compilers write a separator as an entry with no id and no text. */
  bool IsSeparator() const { return !(flags & MF_POPUP) && id == 0 && text.empty(); }
};

/* The top-level entries of the standard menu template in pb/cb. Nothing
 * when it is truncated, is of another version, has a list without its
 * MF_END entry, or nests pop-ups deeper than a menu can show. */
std::optional<std::vector<MenuItem>> ParseMenuTemplate(const BYTE *pb, size_t cb);

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD id = 0;
  /* The window class; the predefined classes given by number come out by
   * name ("Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"). */
  std::u16string className;
  /* The text, or a resource given by number (an icon for SS_ICON);
   * ordinal 0 is no text. */
  ResId title;
  std::vector<BYTE> creationData;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  ResId menu;     /* ordinal 0: no menu */
  ResId dlgClass; /* ordinal 0: the default dialog class */
  std::u16string caption;
  bool hasFont = false; /* the style has DS_SETFONT */
  WORD pointSize = 0;
  std::u16string fontName;
  std::vector<DialogItem> items;
};

/* The standard (not extended) dialog template in pb/cb, which must start on
 * a 4-byte boundary. Nothing when it is truncated, is the extended form, or
 * names a predefined class by a number that has none. */
std::optional<DialogTemplate> ParseDialogTemplate(const BYTE *pb, size_t cb);

}  // namespace plat::res

#endif

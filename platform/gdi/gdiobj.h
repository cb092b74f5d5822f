/*
 * gdi/gdiobj.h - the table of graphics objects behind HGDIOBJ handles.
 *
 * Handles count up from a base far above window handles in steps of 4, so
 * their low bits are free and a freed handle is not given out again. The
 * table belongs to the UI thread. Device contexts live in it too.
 */
#ifndef TONBROOK_PLATFORM_GDI_GDIOBJ_H
#define TONBROOK_PLATFORM_GDI_GDIOBJ_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

namespace plat::gdi {

/* Pixels as 0x00RRGGBB, rows top-down. */
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

/* An icon image with its mask: a mask byte of 1 lets the screen show
 * through that pixel. */
struct Icon {
  Bitmap image;
  std::vector<uint8_t> mask;
};

struct Brush {
  UINT style = BS_SOLID; /* BS_SOLID or BS_NULL */
  COLORREF color = 0;
};

struct Pen {
  UINT style = PS_SOLID; /* PS_SOLID, PS_DASH or PS_NULL */
  int width = 1;
  COLORREF color = 0;
};

struct Font {
  LOGFONTW lf{};
};

/* A device context: where it draws (the screen through a window, or the
 * bitmap selected into a memory DC), what is selected, and its colours. */
struct Dc {
  enum class Kind { Window, Memory };
  Kind kind = Kind::Memory;
  HWND hwnd = nullptr; /* of a window DC */
  bool paint = false;  /* made by BeginPaint: ReleaseDC refuses it */
  POINT origin{};      /* logical (0, 0) in surface coordinates */
  std::vector<RECT> clip; /* window DC: its visible parts on the screen */
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ pen = nullptr;
  HGDIOBJ font = nullptr;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  POINT position{}; /* MoveToEx/LineTo */
};

using Object = std::variant<Bitmap, Icon, Brush, Pen, Font, Dc>;

/* Takes obj into the table and returns its new handle. */
HGDIOBJ AddObject(Object obj);

/* The object behind h, or nullptr for a handle that is not in the table. */
Object *FindObject(HGDIOBJ h);

/* The object behind h if it is of kind T, else nullptr. */
template <class T>
T *FindAs(HGDIOBJ h) {
  Object *obj = FindObject(h);
  return obj ? std::get_if<T>(obj) : nullptr;
}

/* Removes h from the table; false when it is not there. */
bool RemoveObject(HGDIOBJ h);

/* Calls fn for every device context in the table. */
void ForEachDc(const std::function<void(HGDIOBJ, Dc &)> &fn);

/* Stock objects are never freed; IsStock tells them apart. */
void MarkStock(HGDIOBJ h);
bool IsStock(HGDIOBJ h);

}  // namespace plat::gdi

#endif

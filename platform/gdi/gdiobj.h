/*
 * gdi/gdiobj.h - the table of graphics objects behind HGDIOBJ handles.
 *
 * Handles count up from a base far above window handles in steps of 4, so
 * their low bits are free and a freed handle is not given out again. The
 * table belongs to the UI thread.
 */
#ifndef TONBROOK_PLATFORM_GDI_GDIOBJ_H
#define TONBROOK_PLATFORM_GDI_GDIOBJ_H

#include <windows.h>

#include <cstdint>
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

using Object = std::variant<Bitmap, Icon>;

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

}  // namespace plat::gdi

#endif

/*
 * res/images.h - device-independent bitmaps as stored in bitmap and icon
 * resources, decoded into graphics objects.
 */
#ifndef TONBROOK_PLATFORM_RES_IMAGES_H
#define TONBROOK_PLATFORM_RES_IMAGES_H

#include <windows.h>

#include <optional>

#include "gdi/gdiobj.h"

namespace plat::res {

/* The uncompressed DIB of 1, 4 or 8 bits per pixel in pb/cb: a
 * BITMAPINFOHEADER, the palette, then the rows (bottom-up when the height is
 * positive). Nothing when it is of another kind or shorter than its header
 * says. */
std::optional<gdi::Bitmap> DecodeDib(const BYTE *pb, size_t cb);

/* An icon image: a DIB whose header counts the colour rows and the mask
 * rows in its height, followed by the 1-bit mask. */
std::optional<gdi::Icon> DecodeIconImage(const BYTE *pb, size_t cb);

}  // namespace plat::res

#endif

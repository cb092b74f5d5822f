#include "res/images.h"

#include <cstdlib>

#include "res/cache.h"

namespace plat::res {

namespace {

constexpr DWORD kInfoHeaderSize = 40;
constexpr int kIconSize = 32; /* the icon size of the handheld's screen */

struct DibLayout {
  int width = 0;
  int height = 0; /* of the colour image */
  bool bottomUp = true;
  WORD bits = 0;
  std::vector<uint32_t> palette; /* 0x00RRGGBB */
  size_t stride = 0;
};

/* Reads the header and palette and checks that the colour rows fit;
 * leaves r at the first row. heightDivisor is 2 for an icon image. */
std::optional<DibLayout> ReadLayout(Reader &r, int heightDivisor) {
  DibLayout d;
  DWORD cbHeader = r.u32();
  LONG width = (LONG)r.u32();
  LONG height = (LONG)r.u32();
  WORD planes = r.u16();
  d.bits = r.u16();
  DWORD compression = r.u32();
  r.skip(12); /* image size and resolution */
  DWORD cColours = r.u32();
  r.skip(4); /* important colours */
  if (!r.ok() || cbHeader < kInfoHeaderSize || !r.skip(cbHeader - kInfoHeaderSize)) return std::nullopt;
  if (planes != 1 || compression != BI_RGB || (d.bits != 1 && d.bits != 4 && d.bits != 8))
    return std::nullopt;
  if (width <= 0 || height == 0 || height == INT32_MIN || height % heightDivisor) return std::nullopt;
  if (heightDivisor > 1 && height < 0) return std::nullopt;

  DWORD cMax = 1u << d.bits;
  if (cColours == 0) cColours = cMax;
  if (cColours > cMax) return std::nullopt;
  for (DWORD i = 0; i < cColours; i++) {
    DWORD q = r.u32(); /* blue, green, red, reserved */
    d.palette.push_back(q & 0x00FFFFFF);
  }

  d.width = (int)width;
  d.bottomUp = height > 0;
  d.height = (int)(std::labs(height) / heightDivisor);
  d.stride = ((size_t)d.width * d.bits + 31) / 32 * 4;
  if (!r.ok() || d.stride * (size_t)d.height > r.remaining()) return std::nullopt;
  return d;
}

/* Index of pixel x in a row of bits-per-pixel samples, leftmost first. */
unsigned Sample(const BYTE *row, int x, WORD bits) {
  size_t bit = (size_t)x * bits;
  return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

gdi::Bitmap ReadRows(Reader &r, const DibLayout &d) {
  gdi::Bitmap bm;
  bm.width = d.width;
  bm.height = d.height;
  bm.pixels.resize((size_t)d.width * d.height);
  for (int i = 0; i < d.height; i++) {
    const BYTE *row = r.here();
    r.skip(d.stride);
    int y = d.bottomUp ? d.height - 1 - i : i;
    for (int x = 0; x < d.width; x++) {
      unsigned c = Sample(row, x, d.bits);
      bm.pixels[(size_t)y * d.width + x] = c < d.palette.size() ? d.palette[c] : 0;
    }
  }
  return bm;
}

}  // namespace

std::optional<gdi::Bitmap> DecodeDib(const BYTE *pb, size_t cb) {
  Reader r(pb, cb);
  auto layout = ReadLayout(r, 1);
  if (!layout) return std::nullopt;
  return ReadRows(r, *layout);
}

std::optional<gdi::Icon> DecodeIconImage(const BYTE *pb, size_t cb) {
  Reader r(pb, cb);
  auto layout = ReadLayout(r, 2);
  if (!layout) return std::nullopt;
  gdi::Icon icon;
  icon.image = ReadRows(r, *layout);

  size_t maskStride = ((size_t)layout->width + 31) / 32 * 4;
  if (maskStride * (size_t)layout->height > r.remaining()) return std::nullopt;
  icon.mask.resize((size_t)layout->width * layout->height);
  for (int i = 0; i < layout->height; i++) {
    const BYTE *row = r.here();
    r.skip(maskStride);
    int y = layout->height - 1 - i;
    for (int x = 0; x < layout->width; x++)
      icon.mask[(size_t)y * layout->width + x] = (uint8_t)Sample(row, x, 1);
  }
  return icon;
}

namespace {

bool RemoveIcon(HICON h) { return gdi::RemoveObject(h); }

/* The image of an icon group closest to the screen's icon size, the one
 * with more colours among equals: its RT_ICON id, or nothing when the group
 * is damaged or empty. */
std::optional<WORD> BestIconImage(const ResEntry &group) {
  Reader r(DataOf(group), group.size);
  WORD reserved = r.u16(), type = r.u16(), count = r.u16();
  if (!r.ok() || reserved != 0 || type != 1) return std::nullopt;
  std::optional<WORD> best;
  int bestScore = 0;
  WORD bestBits = 0;
  for (WORD i = 0; i < count; i++) {
    int width = r.u8(), height = r.u8();
    r.skip(2); /* colour count, reserved */
    r.u16();   /* planes */
    WORD bits = r.u16();
    r.u32(); /* bytes */
    WORD id = r.u16();
    if (!r.ok()) return std::nullopt;
    int score = std::abs((width ? width : 256) - kIconSize) + std::abs((height ? height : 256) - kIconSize);
    if (!best || score < bestScore || (score == bestScore && bits > bestBits)) {
      best = id;
      bestScore = score;
      bestBits = bits;
    }
  }
  return best;
}

}  // namespace

}  // namespace plat::res

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
  using namespace plat::res;
  static SharedHandles<HICON, RemoveIcon> shared;
  if (!hInstance) return nullptr;
  const ResEntry *group = FindEntryW(lpIconName, RT_GROUP_ICON);
  if (!group) return nullptr;
  if (HICON h = shared.Find(group)) return h;

  auto id = BestIconImage(*group);
  if (!id) return nullptr;
  ResId iconType, iconName;
  iconType.ordinal = (WORD)(ULONG_PTR)RT_ICON;
  iconName.ordinal = *id;
  const ResEntry *image = FindEntry(iconType, iconName, group->language);
  if (!image) image = FindEntry(iconType, iconName);
  if (!image) return nullptr;
  auto icon = DecodeIconImage(DataOf(*image), image->size);
  if (!icon) return nullptr;
  return shared.Remember(group, (HICON)plat::gdi::AddObject(std::move(*icon)));
}

HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
  using namespace plat::res;
  if (!hInstance) return nullptr;
  const ResEntry *e = FindEntryW(lpBitmapName, RT_BITMAP);
  if (!e) return nullptr;
  auto bm = DecodeDib(DataOf(*e), e->size);
  return bm ? (HBITMAP)plat::gdi::AddObject(std::move(*bm)) : nullptr;
}

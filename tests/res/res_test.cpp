#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "gdi/gdiobj.h"
#include "user/accel.h"
#include "res/module.h"
#include "res/templates.h"
#include "resource.h"

namespace {

const HINSTANCE hInst = plat::ModuleInstance();

/* The data of resource name of type, or nullptr. */
const BYTE *Data(WORD name, LPCWSTR type, DWORD *pcb = nullptr) {
  HRSRC h = FindResourceW(hInst, MAKEINTRESOURCE(name), type);
  if (!h) return nullptr;
  if (pcb) *pcb = SizeofResource(hInst, h);
  return (const BYTE *)LockResource(LoadResource(hInst, h));
}

WORD Word(const BYTE *pb, size_t i) {
  WORD w;
  std::memcpy(&w, pb + 2 * i, 2);
  return w;
}

DWORD Dword(const BYTE *pb, size_t offset) {
  DWORD d;
  std::memcpy(&d, pb + offset, 4);
  return d;
}

std::u16string Upper(std::u16string s) {
  for (auto &c : s)
    if (c >= u'a' && c <= u'z') c = (char16_t)(c - 32);
  return s;
}

TEST(Strings, HoldTheTitleClassLabelAndMenuCaption) {
  WCHAR sz[100];
  EXPECT_EQ(LoadStringW(hInst, IDS_APP_TITLE, sz, 100), 8);
  EXPECT_EQ(std::u16string(sz), u"Tonbrook");
  EXPECT_EQ(LoadStringW(hInst, IDS_FREQUENCY, sz, 100), 14);
  EXPECT_EQ(std::u16string(sz), u"Frequency (Hz)");
  EXPECT_EQ(LoadStringW(hInst, IDS_WNDCLASS, sz, 100), 8);
  EXPECT_EQ(std::u16string(sz), u"TONBROOK");
  EXPECT_EQ(LoadStringW(NULL, IDS_FILE, sz, 100), 4);
  EXPECT_EQ(std::u16string(sz), u"File");

  // Missing strings: one in a block that exists, one in a block that does not.
  sz[0] = u'x';
  EXPECT_EQ(LoadStringW(hInst, 4, sz, 100), 0);
  EXPECT_EQ(sz[0], 0);
  sz[0] = u'x';
  EXPECT_EQ(LoadStringW(hInst, 500, sz, 100), 0);
  EXPECT_EQ(sz[0], 0);
}

TEST(Strings, TruncateIntoTheBufferAndStayTerminated) {
  WCHAR sz[8];
  std::fill(std::begin(sz), std::end(sz), u'#');
  EXPECT_EQ(LoadStringW(hInst, IDS_APP_TITLE, sz, 5), 4);
  EXPECT_EQ(std::u16string(sz), u"Tonb");
  EXPECT_EQ(sz[5], u'#');

  EXPECT_EQ(LoadStringW(hInst, IDS_APP_TITLE, sz, 1), 0);
  EXPECT_EQ(sz[0], 0);
  EXPECT_EQ(LoadStringW(hInst, IDS_APP_TITLE, sz, 8), 7);
  EXPECT_EQ(std::u16string(sz), u"Tonbroo");

  EXPECT_EQ(LoadStringW(hInst, IDS_APP_TITLE, nullptr, 100), 0);
  EXPECT_EQ(LoadStringW(hInst, IDS_APP_TITLE, sz, -1), 0);
}

TEST(Strings, BufferSizeZeroGivesAPointerToTheResource) {
  const WCHAR *pch = nullptr;
  EXPECT_EQ(LoadStringW(hInst, IDS_FREQUENCY, (LPWSTR)&pch, 0), 14);
  ASSERT_NE(pch, nullptr);
  EXPECT_EQ(std::u16string(pch, 14), u"Frequency (Hz)");
  EXPECT_GT(plat::res::BytesAfter(pch), 0u);
}

TEST(Menu, HasOnePopupFileWithAboutSeparatorExit) {
  DWORD cb = 0;
  const BYTE *pb = Data(IDR_MENUBAR, RT_MENU, &cb);
  ASSERT_NE(pb, nullptr);
  auto menu = plat::res::ParseMenuTemplate(pb, cb);
  ASSERT_TRUE(menu);
  ASSERT_EQ(menu->size(), 1u);
  const auto &file = (*menu)[0];
  EXPECT_EQ(file.flags, MF_POPUP | MF_END);
  EXPECT_EQ(file.text, u"File");
  ASSERT_EQ(file.items.size(), 3u);

  EXPECT_EQ(file.items[0].text, u"About");
  EXPECT_EQ(file.items[0].id, IDM_HELP_ABOUT);
  EXPECT_EQ(file.items[0].flags, 0);
  EXPECT_TRUE(file.items[1].IsSeparator());
  EXPECT_EQ(file.items[1].flags, 0);
  EXPECT_EQ(file.items[2].text, u"Exit");
  EXPECT_EQ(file.items[2].id, IDM_FILE_EXIT);
  EXPECT_EQ(file.items[2].flags, MF_END);
}

TEST(Menu, LoadsAsAHandleWithItsPopup) {
  HMENU menu = LoadMenuW(hInst, MAKEINTRESOURCE(IDR_MENUBAR));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 1);
  EXPECT_EQ(GetMenuItemID(menu, 0), (UINT)-1) << "a pop-up has no command";
  HMENU file = GetSubMenu(menu, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), 3u << 8 | MF_POPUP);
  WCHAR text[16];
  EXPECT_EQ(GetMenuStringW(menu, 0, text, 16, MF_BYPOSITION), 4);
  EXPECT_EQ(std::u16string(text), u"File");
  EXPECT_EQ(GetMenuStringW(menu, 0, nullptr, 0, MF_BYPOSITION), 4);
  EXPECT_EQ(GetMenuStringW(menu, 0, text, 3, MF_BYPOSITION), 2);
  EXPECT_EQ(std::u16string(text), u"Fi");
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemID(file, 0), (UINT)IDM_HELP_ABOUT);
  EXPECT_EQ(GetMenuItemID(file, 2), (UINT)IDM_FILE_EXIT);
  EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), (UINT)MF_SEPARATOR);
  // By command, the pop-ups are searched too.
  EXPECT_EQ(GetMenuStringW(menu, IDM_FILE_EXIT, text, 16, MF_BYCOMMAND), 4);
  EXPECT_EQ(EnableMenuItem(menu, IDM_FILE_EXIT, MF_BYCOMMAND | MF_GRAYED), (UINT)MF_ENABLED);
  EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), (UINT)MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(file, 2, MF_BYPOSITION | MF_ENABLED), (UINT)MF_GRAYED);
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_EQ(GetMenuItemCount(file), -1) << "its pop-up goes with it";
}

/* What each menu call returns for a handle that is no menu, a position or
 * command that is not there, or a missing template: what the desktop's
 * calls return. */
TEST(Menu, CallsOnWhatIsNotThereFailAsTheDesktopsDo) {
  HMENU menu = LoadMenuW(hInst, MAKEINTRESOURCE(IDR_MENUBAR));
  ASSERT_NE(menu, nullptr);
  HMENU bogus = (HMENU)(uintptr_t)0x7FFFFFF0;
  WCHAR text[8] = u"x";
  struct Case {
    const char *what;
    long long got, want;
  } cases[] = {
      {"LoadMenuW, no such menu", (long long)(uintptr_t)LoadMenuW(hInst, MAKEINTRESOURCE(IDD_ABOUTBOX)), 0},
      {"LoadMenuW, a name", (long long)(uintptr_t)LoadMenuW(hInst, u"MENU"), 0},
      {"GetMenuItemCount, no menu", GetMenuItemCount(bogus), -1},
      {"GetMenuItemCount, NULL", GetMenuItemCount(nullptr), -1},
      {"GetSubMenu, no menu", (long long)(uintptr_t)GetSubMenu(bogus, 0), 0},
      {"GetSubMenu, past the end", (long long)(uintptr_t)GetSubMenu(menu, 1), 0},
      {"GetSubMenu, negative", (long long)(uintptr_t)GetSubMenu(menu, -1), 0},
      {"GetSubMenu, no pop-up", (long long)(uintptr_t)GetSubMenu(GetSubMenu(menu, 0), 0), 0},
      {"GetMenuItemID, no menu", GetMenuItemID(bogus, 0), 0xFFFFFFFF},
      {"GetMenuItemID, past the end", GetMenuItemID(menu, 5), 0xFFFFFFFF},
      {"GetMenuState, no menu", GetMenuState(bogus, 0, MF_BYPOSITION), 0xFFFFFFFF},
      {"GetMenuState, no command", GetMenuState(menu, 12345, MF_BYCOMMAND), 0xFFFFFFFF},
      {"GetMenuStringW, no menu", GetMenuStringW(bogus, 0, text, 8, MF_BYPOSITION), 0},
      {"GetMenuStringW, clears the buffer", text[0], 0},
      {"GetMenuStringW, no command", GetMenuStringW(menu, 12345, text, 8, MF_BYCOMMAND), 0},
      {"EnableMenuItem, no menu", EnableMenuItem(bogus, 0, MF_BYPOSITION), 0xFFFFFFFF},
      {"EnableMenuItem, no command", EnableMenuItem(menu, 12345, MF_GRAYED), 0xFFFFFFFF},
      {"TrackPopupMenuEx, no menu", TrackPopupMenuEx(bogus, TPM_RETURNCMD, 0, 0, nullptr, nullptr), 0},
      {"TrackPopupMenuEx, no owner", TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, nullptr, nullptr), 0},
      {"DestroyMenu, no menu", DestroyMenu(bogus), 0},
      {"DestroyMenu, once", DestroyMenu(menu), 1},
      {"DestroyMenu, twice", DestroyMenu(menu), 0},
  };
  for (const Case &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(MenuBar, IsNineWordsNamingTheMenuAndOneFileButton) {
  DWORD cb = 0;
  const BYTE *pb = Data(IDR_MENUBAR, RT_RCDATA, &cb);
  ASSERT_NE(pb, nullptr);
  ASSERT_EQ(cb, 18u);
  const WORD expected[9] = {102, 1, 0xFFFE, 40001, 0x0004, 0x0018, 40006, 0, 0};
  for (size_t i = 0; i < 9; i++) EXPECT_EQ(Word(pb, i), expected[i]) << "word " << i;
}

TEST(Accelerators, AreCtrlAAndCtrlQWithTheEndBitOnTheLast) {
  DWORD cb = 0;
  const BYTE *pb = Data(IDR_ACCEL, RT_ACCELERATOR, &cb);
  ASSERT_NE(pb, nullptr);
  ASSERT_EQ(cb, 16u);
  const WORD expected[8] = {0x0B, 0x41, 40003, 0, 0x8B, 0x51, 1, 0};
  for (size_t i = 0; i < 8; i++) EXPECT_EQ(Word(pb, i), expected[i]) << "word " << i;

  HACCEL h = LoadAcceleratorsW(hInst, MAKEINTRESOURCE(IDR_ACCEL));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(LoadAcceleratorsW(hInst, MAKEINTRESOURCE(IDR_ACCEL)), h);
  const plat::user::AccelTable *found = plat::user::FromAccel(h);
  ASSERT_NE(found, nullptr);
  const std::vector<ACCEL> *table = &found->entries;
  ASSERT_EQ(table->size(), 2u);
  EXPECT_EQ((*table)[0].fVirt, FVIRTKEY | FNOINVERT | FCONTROL);
  EXPECT_EQ((*table)[0].key, 'A');
  EXPECT_EQ((*table)[0].cmd, IDM_HELP_ABOUT);
  EXPECT_EQ((*table)[1].fVirt, FVIRTKEY | FNOINVERT | FCONTROL);
  EXPECT_EQ((*table)[1].key, 'Q');
  EXPECT_EQ((*table)[1].cmd, 1);
}

TEST(AboutBox, TemplateHasTheStylesSizeCaptionFontAndThreeStatics) {
  DWORD cb = 0;
  const BYTE *pb = Data(IDD_ABOUTBOX, RT_DIALOG, &cb);
  ASSERT_NE(pb, nullptr);
  auto dlg = plat::res::ParseDialogTemplate(pb, cb);
  ASSERT_TRUE(dlg);
  EXPECT_EQ(dlg->style, 0x80C00040u);
  EXPECT_EQ(dlg->exStyle, 0x80000000u);
  EXPECT_EQ(dlg->x, 0);
  EXPECT_EQ(dlg->y, 0);
  EXPECT_EQ(dlg->cx, 140);
  EXPECT_EQ(dlg->cy, 57);
  EXPECT_EQ(dlg->menu, plat::res::ResId{});
  EXPECT_EQ(dlg->dlgClass, plat::res::ResId{});
  EXPECT_EQ(dlg->caption, u"About Tonbrook");
  EXPECT_TRUE(dlg->hasFont);
  EXPECT_EQ(dlg->pointSize, 8);
  EXPECT_EQ(dlg->fontName, u"System");

  ASSERT_EQ(dlg->items.size(), 3u);
  struct Expected {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
  } const expected[3] = {
      {0x50000003, 11, 17, 20, 20, IDC_ABOUT_ICON},
      {0x50020080, 40, 10, 93, 8, 0xFFFF},
      {0x50020000, 40, 25, 93, 25, 0xFFFF},
  };
  for (size_t i = 0; i < 3; i++) {
    const auto &item = dlg->items[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(item.style, expected[i].style);
    EXPECT_EQ(item.exStyle, 0u);
    EXPECT_EQ(item.x, expected[i].x);
    EXPECT_EQ(item.y, expected[i].y);
    EXPECT_EQ(item.cx, expected[i].cx);
    EXPECT_EQ(item.cy, expected[i].cy);
    EXPECT_EQ(item.id, expected[i].id);
    EXPECT_EQ(Upper(item.className), u"STATIC");
    EXPECT_TRUE(item.creationData.empty());
  }
  EXPECT_TRUE(dlg->items[0].title.isOrdinal);
  EXPECT_EQ(dlg->items[0].title.ordinal, IDI_APP);
  EXPECT_EQ(dlg->items[1].title.name, u"Tonbrook Version 1.3");
  const std::u16string notice = dlg->items[2].title.name;
  EXPECT_NE(notice.find(u"Tonbrook"), std::u16string::npos);
  EXPECT_LE(notice.size(), 69u) << "three lines of 93 dialog units";
}

const WORD kPictures[] = {IDB_TRIANGLE, IDB_SINE,       IDB_SQUARE,
                          IDB_SAWTOOTH, IDB_WHITENOISE, IDB_PINKNOISE};

/* The 16 colours of the VGA set as palette entries (blue, green, red, 0). */
const DWORD kVgaPalette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

void ExpectFourBitDib(const BYTE *pb, LONG width, LONG height) {
  EXPECT_EQ(Dword(pb, 0), 40u);
  EXPECT_EQ((LONG)Dword(pb, 4), width);
  EXPECT_EQ((LONG)Dword(pb, 8), height);
  EXPECT_EQ(Word(pb, 6), 1) << "planes";
  EXPECT_EQ(Word(pb, 7), 4) << "bits per pixel";
  EXPECT_EQ(Dword(pb, 16), (DWORD)BI_RGB);
  for (int i = 0; i < 16; i++) EXPECT_EQ(Dword(pb, 40 + 4 * i), kVgaPalette[i]) << "colour " << i;
}

TEST(Pictures, AreSix704ByteFourBitDibsOf48By25) {
  for (WORD id : kPictures) {
    SCOPED_TRACE(id);
    DWORD cb = 0;
    const BYTE *pb = Data(id, RT_BITMAP, &cb);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(cb, 704u);
    ExpectFourBitDib(pb, 48, 25);
  }
}

TEST(Pictures, LoadAsGreyWithAGreenTrace) {
  const uint32_t grey = 0x808080, green = 0x00FF00;
  for (WORD id : kPictures) {
    SCOPED_TRACE(id);
    HBITMAP hbm = LoadBitmapW(hInst, MAKEINTRESOURCE(id));
    ASSERT_NE(hbm, nullptr);
    const auto *bm = plat::gdi::FindAs<plat::gdi::Bitmap>(hbm);
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(bm->width, 48);
    EXPECT_EQ(bm->height, 25);
    std::set<uint32_t> colours(bm->pixels.begin(), bm->pixels.end());
    EXPECT_EQ(colours, (std::set<uint32_t>{grey, green}));
    // The trace crosses every column.
    for (int x = 0; x < 48; x++) {
      bool traced = false;
      for (int y = 0; y < 25; y++) traced |= bm->pixels[(size_t)y * 48 + x] == green;
      EXPECT_TRUE(traced) << "column " << x;
    }
    EXPECT_TRUE(DeleteObject(hbm));
    EXPECT_FALSE(DeleteObject(hbm));
  }
}

/* The rows the trace of picture id reaches, and whether (x, y) is on it. */
struct Trace {
  explicit Trace(WORD id) : hbm(LoadBitmapW(hInst, MAKEINTRESOURCE(id))) {
    bm = plat::gdi::FindAs<plat::gdi::Bitmap>(hbm);
  }
  ~Trace() { DeleteObject(hbm); }
  bool At(int x, int y) const { return bm->pixels[(size_t)y * 48 + x] == 0x00FF00; }
  int Rows() const {
    int top = 25, bottom = -1;
    for (int y = 0; y < 25; y++)
      for (int x = 0; x < 48; x++)
        if (At(x, y)) top = std::min(top, y), bottom = std::max(bottom, y);
    return bottom - top + 1;
  }
  HBITMAP hbm;
  const plat::gdi::Bitmap *bm;
};

TEST(Pictures, ShowTheirSubjects) {
  struct Point {
    int x, y;
  };
  const struct {
    WORD id;
    std::vector<Point> on;
  } pictures[] = {
      // peaks near x 7 and x 35, the bottom near x 21, the bottom at the end
      {IDB_SINE, {{0, 12}, {7, 1}, {21, 22}, {35, 1}, {47, 22}}},
      // top at x 12, bottom at x 36, mid-height at both edges
      {IDB_TRIANGLE, {{0, 12}, {12, 1}, {36, 22}, {47, 12}}},
      // vertical drops from top to bottom at x 12 and x 36
      {IDB_SAWTOOTH, {{0, 12}, {12, 2}, {12, 22}, {36, 2}, {36, 22}, {47, 12}}},
      // high until x 24, then low, with edges at both ends
      {IDB_SQUARE, {{1, 12}, {12, 1}, {24, 12}, {36, 22}, {47, 16}}},
  };
  for (const auto &p : pictures) {
    SCOPED_TRACE(p.id);
    Trace t(p.id);
    ASSERT_NE(t.bm, nullptr);
    for (Point pt : p.on) EXPECT_TRUE(t.At(pt.x, pt.y)) << pt.x << "," << pt.y;
  }
  Trace square(IDB_SQUARE);
  EXPECT_FALSE(square.At(12, 22));
  EXPECT_FALSE(square.At(36, 1));

  // White noise reaches nearly the full height, pink noise stays nearer the middle.
  EXPECT_GE(Trace(IDB_WHITENOISE).Rows(), 22);
  EXPECT_LE(Trace(IDB_PINKNOISE).Rows(), 18);
}

TEST(Icon, GroupHoldsA32And16PixelSixteenColourImage) {
  DWORD cb = 0;
  const BYTE *group = Data(IDI_APP, RT_GROUP_ICON, &cb);
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(cb, 6u + 2 * 14);
  EXPECT_EQ(Word(group, 0), 0);
  EXPECT_EQ(Word(group, 1), 1) << "icon, not cursor";
  ASSERT_EQ(Word(group, 2), 2);
  struct Expected {
    BYTE size;
    DWORD bytes;
  } const expected[2] = {{32, 744}, {16, 296}};
  for (int i = 0; i < 2; i++) {
    SCOPED_TRACE(i);
    const BYTE *e = group + 6 + 14 * i;
    EXPECT_EQ(e[0], expected[i].size);
    EXPECT_EQ(e[1], expected[i].size);
    EXPECT_EQ(e[2], 16) << "colours";
    EXPECT_EQ(Word(e, 2), 1) << "planes";
    EXPECT_EQ(Word(e, 3), 4) << "bits per pixel";
    EXPECT_EQ(Dword(e, 8), expected[i].bytes);

    DWORD cbImage = 0;
    const BYTE *image = Data(Word(e, 6), RT_ICON, &cbImage);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(cbImage, expected[i].bytes);
    ExpectFourBitDib(image, expected[i].size, 2 * expected[i].size);
  }
}

TEST(Icon, LoadsTheOpaque32PixelImageInItsFrameOnce) {
  EXPECT_EQ(LoadIconW(NULL, MAKEINTRESOURCE(IDI_APP)), nullptr);
  HICON h = LoadIconW(hInst, MAKEINTRESOURCE(IDI_APP));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(LoadIconW(hInst, MAKEINTRESOURCE(IDI_APP)), h);
  const auto *icon = plat::gdi::FindAs<plat::gdi::Icon>(h);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->image.width, 32);
  EXPECT_EQ(icon->image.height, 32);
  EXPECT_EQ(icon->mask, std::vector<uint8_t>(32 * 32, 0));
  auto at = [&](int x, int y) { return icon->image.pixels[(size_t)y * 32 + x]; };
  EXPECT_EQ(at(0, 0), 0x800000u);
  EXPECT_EQ(at(1, 31), 0x800000u);
  EXPECT_EQ(at(2, 2), 0x000000u);
  std::set<uint32_t> colours(icon->image.pixels.begin(), icon->image.pixels.end());
  EXPECT_EQ(colours, (std::set<uint32_t>{0x000000, 0x800000, 0x00FF00}));
  EXPECT_FALSE(DeleteObject(h)) << "a shared icon stays";
}

TEST(Language, EveryResourceIsEnglishUnitedStates) {
  ASSERT_FALSE(plat::res::Entries().empty());
  for (const auto &e : plat::res::Entries()) EXPECT_EQ(e.language, 0x0409);
  EXPECT_NE(FindResourceExW(hInst, RT_DIALOG, MAKEINTRESOURCE(IDD_ABOUTBOX), 0x0409), nullptr);
  EXPECT_EQ(FindResourceExW(hInst, RT_DIALOG, MAKEINTRESOURCE(IDD_ABOUTBOX), 0x0407), nullptr);
}

TEST(Find, TakesNumbersAsHashStringsAndRefusesWhatIsNotThere) {
  HRSRC h = FindResourceW(hInst, MAKEINTRESOURCE(IDD_ABOUTBOX), RT_DIALOG);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(FindResourceW(hInst, u"#103", u"#5"), h);
  EXPECT_EQ(FindResourceW(hInst, MAKEINTRESOURCE(IDD_ABOUTBOX), RT_MENU), nullptr);
  EXPECT_EQ(FindResourceW(hInst, u"ABOUT", RT_DIALOG), nullptr);
  EXPECT_EQ(FindResourceW(hInst, nullptr, RT_DIALOG), nullptr);

  HRSRC bogus = (HRSRC)(uintptr_t)0x7FFFFFF0;
  EXPECT_EQ(LoadResource(hInst, bogus), nullptr);
  EXPECT_EQ(SizeofResource(hInst, bogus), 0u);
  EXPECT_EQ(LoadResource(hInst, nullptr), nullptr);
  EXPECT_EQ(LoadBitmapW(hInst, MAKEINTRESOURCE(IDI_APP)), nullptr);
  EXPECT_EQ(LoadAcceleratorsW(hInst, MAKEINTRESOURCE(IDR_MENUBAR)), nullptr);
}

}  // namespace

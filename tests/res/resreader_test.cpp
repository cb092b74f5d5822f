#include <windows.h>

#include <gtest/gtest.h>

#include "gdi/gdiobj.h"
#include "res/images.h"
#include "res/module.h"
#include "res/templates.h"
#include "resbuilder.h"

namespace {

using namespace restest;
using plat::res::ParseResFile;

const HINSTANCE hInst = plat::ModuleInstance();

class ResReader : public ::testing::Test {
 protected:
  void TearDown() override { plat::SetModuleResources(nullptr, 0); }

  static bool Use(const ResFile &f) { return plat::SetModuleResources(f.bytes().data(), f.bytes().size()); }
};

TEST_F(ResReader, AnExecutableWithoutResourcesFindsNothing) {
  EXPECT_TRUE(plat::res::Entries().empty());
  EXPECT_FALSE(plat::SetModuleResources(nullptr, 0));
  EXPECT_EQ(FindResourceW(hInst, MAKEINTRESOURCE(1), RT_STRING), nullptr);
  WCHAR sz[4] = {u'x'};
  EXPECT_EQ(LoadStringW(hInst, 1, sz, 4), 0);
  EXPECT_EQ(sz[0], 0);
  const WCHAR *pch = nullptr;
  EXPECT_EQ(LoadStringW(hInst, 1, (LPWSTR)&pch, 0), 0);
  EXPECT_EQ(LoadIconW(hInst, MAKEINTRESOURCE(1)), nullptr);
}

TEST_F(ResReader, FindsStringNamesWithoutRegardToCaseAndByLanguage) {
  ResFile f;
  f.Add(u"WAVE", u"CLICK", {1, 2, 3}).Add(u"WAVE", u"CLICK", {4, 5}, 0x0407).Add(10, 7, {9}, 0x0407);
  ASSERT_TRUE(Use(f));
  ASSERT_EQ(plat::res::Entries().size(), 3u);

  HRSRC h = FindResourceW(hInst, u"click", u"Wave");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(SizeofResource(hInst, h), 3u);
  const BYTE *pb = (const BYTE *)LockResource(LoadResource(hInst, h));
  EXPECT_EQ(pb[2], 3);
  EXPECT_EQ(plat::res::BytesAfter(pb + 1), 2u);

  HRSRC german = FindResourceExW(hInst, u"WAVE", u"CLICK", 0x0407);
  ASSERT_NE(german, nullptr);
  EXPECT_EQ(SizeofResource(hInst, german), 2u);
  // With no English copy the first language found serves.
  EXPECT_NE(FindResourceW(hInst, MAKEINTRESOURCE(7), RT_RCDATA), nullptr);
  EXPECT_EQ(FindResourceW(hInst, u"#7", u"#10"), FindResourceW(hInst, MAKEINTRESOURCE(7), RT_RCDATA));
  EXPECT_EQ(FindResourceW(hInst, u"#7x", u"#10"), nullptr);
}

TEST_F(ResReader, RefusesDamagedFiles) {
  ResFile f;
  f.Add(10, 1, {1, 2, 3, 4, 5});
  const Bytes good = f.bytes();
  ASSERT_TRUE(ParseResFile(good.data(), good.size()));

  // The empty first entry alone is a file without resources; every other
  // cut, inside a header or inside the data, fails.
  auto onlyMarker = ParseResFile(good.data(), 32);
  ASSERT_TRUE(onlyMarker);
  EXPECT_TRUE(onlyMarker->empty());
  for (size_t n = 0; n < good.size(); n++) {
    if (n == 32) continue;
    EXPECT_FALSE(ParseResFile(good.data(), n)) << "cut at " << n;
  }

  Bytes noMarker(good.begin() + 32, good.end());
  EXPECT_FALSE(ParseResFile(noMarker.data(), noMarker.size())) << "no empty first entry";

  Bytes hugeData = good;
  hugeData[32] = 0xFF, hugeData[33] = 0xFF, hugeData[34] = 0xFF, hugeData[35] = 0xFF;
  EXPECT_FALSE(ParseResFile(hugeData.data(), hugeData.size()));

  Bytes shortHeader = good;
  shortHeader[36] = 12;  // header size too small for its fields
  EXPECT_FALSE(ParseResFile(shortHeader.data(), shortHeader.size()));

  Bytes hugeHeader = good;
  hugeHeader[39] = 0x80;
  EXPECT_FALSE(ParseResFile(hugeHeader.data(), hugeHeader.size()));

  Bytes padded = good;
  padded.resize((padded.size() + 3) / 4 * 4);
  EXPECT_TRUE(ParseResFile(padded.data(), padded.size())) << "padding of the last entry";
  padded.push_back(0);
  EXPECT_FALSE(ParseResFile(padded.data(), padded.size())) << "stray byte";

  EXPECT_FALSE(plat::SetModuleResources(noMarker.data(), noMarker.size()));
  EXPECT_TRUE(plat::res::Entries().empty());
}

TEST_F(ResReader, StringsComeFromTheirBlockOfSixteen) {
  ResFile f;
  f.Add(6, 1, StringBlock({u"", u"one", u"", u"three"}))
      .Add(6, 2, StringBlock({u"sixteen", u"seventeen"}));
  Bytes damaged;
  Put16(damaged, 0);
  Put16(damaged, 100);  // says 100 characters, holds two
  Put16(damaged, u'a');
  Put16(damaged, u'b');
  f.Add(6, 3, damaged);
  ASSERT_TRUE(Use(f));

  WCHAR sz[32];
  EXPECT_EQ(LoadStringW(hInst, 1, sz, 32), 3);
  EXPECT_EQ(std::u16string(sz), u"one");
  EXPECT_EQ(LoadStringW(hInst, 3, sz, 32), 5);
  EXPECT_EQ(LoadStringW(hInst, 17, sz, 32), 9);
  EXPECT_EQ(std::u16string(sz), u"seventeen");
  EXPECT_EQ(LoadStringW(hInst, 2, sz, 32), 0) << "empty string";
  EXPECT_EQ(LoadStringW(hInst, 15, sz, 32), 0);
  EXPECT_EQ(LoadStringW(hInst, 33, sz, 32), 0) << "runs past its block";
  EXPECT_EQ(sz[0], 0);
  EXPECT_EQ(LoadStringW(hInst, 0xFFFFFFFF, sz, 32), 0);
}

TEST_F(ResReader, AcceleratorTablesNeedTheirLastEntry) {
  Bytes endless;
  for (WORD w : {0x0B, 0x41, 5, 0}) Put16(endless, w);
  Bytes cut = endless;
  cut[0] = 0x8B;
  cut.resize(6);
  ResFile f;
  f.Add(9, 1, endless).Add(9, 2, cut);
  ASSERT_TRUE(Use(f));
  EXPECT_EQ(LoadAcceleratorsW(hInst, MAKEINTRESOURCE(1)), nullptr);
  EXPECT_EQ(LoadAcceleratorsW(hInst, MAKEINTRESOURCE(2)), nullptr);
}

Bytes MenuTemplate(std::initializer_list<std::pair<WORD, std::u16string>> popups, WORD version = 0) {
  Bytes b;
  Put16(b, version);
  Put16(b, 0);
  for (const auto &[flags, text] : popups) {
    Put16(b, flags);
    if (!(flags & MF_POPUP)) Put16(b, 7);
    PutSz(b, text);
  }
  return b;
}

TEST(MenuTemplate, RefusesOtherVersionsMissingEndsAndDeepNesting) {
  Bytes ok = MenuTemplate({{MF_GRAYED, u"a"}, {MF_END, u"b"}});
  auto menu = plat::res::ParseMenuTemplate(ok.data(), ok.size());
  ASSERT_TRUE(menu);
  ASSERT_EQ(menu->size(), 2u);
  EXPECT_EQ((*menu)[0].flags, MF_GRAYED);
  EXPECT_EQ((*menu)[1].id, 7);

  Bytes noEnd = MenuTemplate({{0, u"a"}, {0, u"b"}});
  EXPECT_FALSE(plat::res::ParseMenuTemplate(noEnd.data(), noEnd.size()));
  Bytes extended = MenuTemplate({{MF_END, u"a"}}, 1);
  EXPECT_FALSE(plat::res::ParseMenuTemplate(extended.data(), extended.size()));

  Bytes deep;
  Put32(deep, 0);
  for (int i = 0; i < 20; i++) {
    Put16(deep, MF_POPUP | MF_END);
    PutSz(deep, u"p");
  }
  Put16(deep, MF_END);
  Put16(deep, 1);
  PutSz(deep, u"x");
  EXPECT_FALSE(plat::res::ParseMenuTemplate(deep.data(), deep.size()));
}

/* A dialog of one item; the caller may change both after. */
Bytes Dialog(DWORD style, WORD itemClass, WORD cbData) {
  Bytes b;
  Put32(b, style);
  Put32(b, 0);
  Put16(b, 1);
  for (int i = 0; i < 4; i++) Put16(b, 10);
  Put16(b, 0);
  Put16(b, 0);
  PutSz(b, u"Hi");
  if (style & 0x40) {
    Put16(b, 9);
    PutSz(b, u"Sans");
  }
  Align4(b);
  Put32(b, 0x50000000);
  Put32(b, 0);
  for (int i = 0; i < 4; i++) Put16(b, 5);
  Put16(b, 42);
  Put16(b, 0xFFFF);
  Put16(b, itemClass);
  PutSz(b, u"OK");
  Put16(b, cbData);
  for (WORD i = 0; i < cbData; i++) b.push_back((BYTE)i);
  return b;
}

TEST(DialogTemplate, ReadsItemsAndTheirCreationData) {
  Bytes b = Dialog(0x80C00000, 0x80, 3);
  auto dlg = plat::res::ParseDialogTemplate(b.data(), b.size());
  ASSERT_TRUE(dlg);
  EXPECT_FALSE(dlg->hasFont);
  EXPECT_EQ(dlg->caption, u"Hi");
  ASSERT_EQ(dlg->items.size(), 1u);
  EXPECT_EQ(dlg->items[0].className, u"Button");
  EXPECT_EQ(dlg->items[0].id, 42);
  EXPECT_EQ(dlg->items[0].title.name, u"OK");
  EXPECT_EQ(dlg->items[0].creationData, (Bytes{0, 1, 2}));

  Bytes withFont = Dialog(0x80C00040, 0x81, 0);
  dlg = plat::res::ParseDialogTemplate(withFont.data(), withFont.size());
  ASSERT_TRUE(dlg);
  EXPECT_EQ(dlg->pointSize, 9);
  EXPECT_EQ(dlg->fontName, u"Sans");
  EXPECT_EQ(dlg->items[0].className, u"Edit");

  for (size_t n = 0; n < withFont.size(); n++)
    EXPECT_FALSE(plat::res::ParseDialogTemplate(withFont.data(), n)) << "cut at " << n;
}

TEST(DialogTemplate, RefusesTheExtendedFormAndUnknownClassNumbers) {
  Bytes unknown = Dialog(0x80C00000, 0x90, 0);
  EXPECT_FALSE(plat::res::ParseDialogTemplate(unknown.data(), unknown.size()));
  Bytes extended = Dialog(0xFFFF0001, 0x80, 0);
  EXPECT_FALSE(plat::res::ParseDialogTemplate(extended.data(), extended.size()));
}

/* A DIB of width x height at bits per pixel with a grey-ramp palette of
 * cColours (0: all) and the given rows, each padded to 4 bytes. */
Bytes Dib(LONG width, LONG height, WORD bits, DWORD cColours, const Bytes &rows) {
  Bytes b;
  Put32(b, 40);
  Put32(b, (DWORD)width);
  Put32(b, (DWORD)height);
  Put16(b, 1);
  Put16(b, bits);
  for (int i = 0; i < 4; i++) Put32(b, 0);
  Put32(b, cColours);
  Put32(b, 0);
  DWORD n = cColours ? cColours : 1u << bits;
  for (DWORD i = 0; i < n; i++) Put32(b, i * 0x010101);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

TEST(Dib, DecodesBottomUpAndTopDownRowsThroughThePalette) {
  // 2 x 2, 4 bits: bottom row 1 2, top row 3 4.
  Bytes rows = {0x12, 0, 0, 0, 0x34, 0, 0, 0};
  auto bm = plat::res::DecodeDib(Dib(2, 2, 4, 0, rows).data(), Dib(2, 2, 4, 0, rows).size());
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->pixels, (std::vector<uint32_t>{0x030303, 0x040404, 0x010101, 0x020202}));

  Bytes topDown = Dib(2, -2, 4, 0, rows);
  bm = plat::res::DecodeDib(topDown.data(), topDown.size());
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->pixels[0], 0x010101u);

  // 1 bit per pixel, 10 wide; indices past a short palette come out black.
  Bytes mono = Dib(10, 1, 1, 0, {0xA0, 0x40, 0, 0});
  bm = plat::res::DecodeDib(mono.data(), mono.size());
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->pixels[0], 0x010101u);
  EXPECT_EQ(bm->pixels[1], 0u);
  EXPECT_EQ(bm->pixels[9], 0x010101u);
  Bytes shortPalette = Dib(2, 1, 4, 2, {0x1F, 0, 0, 0});
  bm = plat::res::DecodeDib(shortPalette.data(), shortPalette.size());
  ASSERT_TRUE(bm);
  EXPECT_EQ(bm->pixels, (std::vector<uint32_t>{0x010101, 0}));
}

TEST(Dib, RefusesOtherFormatsAndMissingRows) {
  Bytes rows(8, 0);
  // True colour, more colours than the bits allow, rows cut short, too large, empty.
  const Bytes refused[] = {Dib(2, 2, 24, 1, rows), Dib(2, 2, 1, 3, rows), Dib(2, 2, 4, 0, Bytes(7, 0)),
                           Dib(0x7FFFFFFF, 0x7FFFFFFF, 8, 0, rows), Dib(0, 2, 4, 0, rows)};
  for (const Bytes &dib : refused) EXPECT_FALSE(plat::res::DecodeDib(dib.data(), dib.size())) << &dib - refused;
  // An icon image needs its mask after the colour rows.
  const Bytes maskless[] = {Dib(2, 4, 4, 0, rows), Dib(2, 3, 4, 0, Bytes(16, 0))};
  for (const Bytes &image : maskless)
    EXPECT_FALSE(plat::res::DecodeIconImage(image.data(), image.size())) << &image - maskless;
}

Bytes IconGroup(WORD imageId) {
  Bytes g;
  for (WORD w : {0, 1, 1}) Put16(g, w);
  for (BYTE c : {2, 2, 16, 0}) g.push_back(c);
  Put16(g, 1);
  Put16(g, 4);
  Put32(g, 0);
  Put16(g, imageId);
  return g;
}

TEST_F(ResReader, IconsNeedTheirImageAndMask) {
  Bytes image = Dib(2, 4, 4, 0, {0x12, 0, 0, 0, 0x34, 0, 0, 0, 0x40, 0, 0, 0, 0x80, 0, 0, 0});
  ResFile f;
  f.Add(3, 1, image).Add(14, 10, IconGroup(1)).Add(14, 11, IconGroup(2));
  ASSERT_TRUE(Use(f));
  HICON h = LoadIconW(hInst, MAKEINTRESOURCE(10));
  ASSERT_NE(h, nullptr);
  const auto *icon = plat::gdi::FindAs<plat::gdi::Icon>(h);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->mask, (std::vector<uint8_t>{1, 0, 0, 1}));
  EXPECT_EQ(LoadIconW(hInst, MAKEINTRESOURCE(11)), nullptr) << "image 2 is missing";

  // New resources free the icons made from the old ones.
  ASSERT_TRUE(Use(f));
  EXPECT_NE(LoadIconW(hInst, MAKEINTRESOURCE(10)), nullptr);
  EXPECT_EQ(plat::gdi::FindObject(h), nullptr);
}

}  // namespace

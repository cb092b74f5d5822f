#include <windows.h>

#include <gtest/gtest.h>

#include <random>

#include "res/images.h"
#include "res/module.h"
#include "res/templates.h"

namespace {

using Bytes = std::vector<BYTE>;

const HINSTANCE hInst = plat::ModuleInstance();

Bytes LinkedResources() {
  const BYTE *begin = plat_module_res_begin, *end = plat_module_res_end;
  return Bytes(begin, end);
}

/* Runs every content reader over data; the readers must stay inside it. */
void ReadContent(const Bytes &data) {
  plat::res::ParseMenuTemplate(data.data(), data.size());
  plat::res::ParseDialogTemplate(data.data(), data.size());
  plat::res::DecodeDib(data.data(), data.size());
  plat::res::DecodeIconImage(data.data(), data.size());
}

LPCWSTR Param(const plat::res::ResId &id) {
  return id.isOrdinal ? MAKEINTRESOURCE(id.ordinal) : id.name.c_str();
}

bool Unspellable(const plat::res::ResId &id) {
  return id.isOrdinal ? id.ordinal == 0 : id.name[0] == u'#';
}

/* Installs the bytes as the module's resources and loads everything the
 * module then claims to have. */
void LoadEverything(const Bytes &file) {
  Bytes exact(file);  // exactly sized, so a read past the end is caught
  auto parsed = plat::res::ParseResFile(exact.data(), exact.size());
  if (exact.empty()) {
    EXPECT_FALSE(parsed);
    return;  // no block at all would mean the linked resources
  }
  if (!plat::SetModuleResources(exact.data(), exact.size())) {
    EXPECT_FALSE(parsed);
    return;
  }
  ASSERT_TRUE(parsed);
  std::vector<plat::res::ResEntry> entries = plat::res::Entries();
  for (const auto &e : entries) {
    HRSRC h = FindResourceW(hInst, Param(e.name), Param(e.type));
    if (!h) {
      // Only a name the API cannot spell is not found: ordinal 0 (NULL) or
      // a string that reads as a number.
      EXPECT_TRUE(Unspellable(e.name) || Unspellable(e.type));
      continue;
    }
    const BYTE *pb = (const BYTE *)LockResource(LoadResource(hInst, h));
    ReadContent(Bytes(pb, pb + SizeofResource(hInst, h)));
    if (e.type.isOrdinal && e.type.ordinal == 6 && e.name.isOrdinal) {
      WCHAR sz[8];
      for (UINT i = 0; i < 16; i++) LoadStringW(hInst, (e.name.ordinal - 1u) * 16 + i, sz, 8);
    }
    LoadIconW(hInst, Param(e.name));
    LoadAcceleratorsW(hInst, Param(e.name));
    if (HBITMAP hbm = LoadBitmapW(hInst, Param(e.name))) DeleteObject(hbm);
  }
}

class ResFuzz : public ::testing::Test {
 protected:
  void TearDown() override { plat::SetModuleResources(nullptr, 0); }
  const Bytes seed = LinkedResources();
  std::mt19937 rng{20030101};

  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); }
};

TEST_F(ResFuzz, EveryTruncationFailsOrReadsWithinBounds) {
  ASSERT_GT(seed.size(), 32u);
  for (size_t n = 0; n <= seed.size(); n++) LoadEverything(Bytes(seed.begin(), seed.begin() + n));
  EXPECT_TRUE(plat::SetModuleResources(nullptr, 0));
  EXPECT_FALSE(plat::res::Entries().empty());
}

TEST_F(ResFuzz, MutatedFilesFailOrReadWithinBounds) {
  const DWORD interesting[] = {0, 1, 0x20, 0xFFFF, 0x7FFF, 0x8000, 0xFFFFFFFF, 0x80000000, 0x10000};
  for (int iter = 0; iter < 1500; iter++) {
    Bytes b = seed;
    int edits = 1 + (int)Below(6);
    for (int i = 0; i < edits; i++) {
      size_t at = Below(b.size() - 4);
      switch (Below(3)) {
        case 0:
          b[at] ^= (BYTE)(1u << Below(8));
          break;
        case 1:
          std::memcpy(&b[at], &interesting[Below(std::size(interesting))], 4);
          break;
        default:
          b[at] = (BYTE)Below(256);
      }
    }
    if (Below(4) == 0) b.resize(Below(b.size()));
    LoadEverything(b);
  }
}

TEST_F(ResFuzz, RandomBytesFailOrReadWithinBounds) {
  for (int iter = 0; iter < 2000; iter++) {
    Bytes b(Below(512));
    for (BYTE &c : b) c = (BYTE)Below(256);
    // Half of them start with a proper empty first entry.
    if (iter % 2 && b.size() >= 32) std::copy(seed.begin(), seed.begin() + 32, b.begin());
    LoadEverything(b);
    ReadContent(b);
  }
}

TEST_F(ResFuzz, MutatedContentFailsOrReadsWithinBounds) {
  ASSERT_TRUE(plat::SetModuleResources(nullptr, 0));
  std::vector<Bytes> contents;
  for (const auto &e : plat::res::Entries()) {
    const BYTE *pb = plat::res::DataOf(e);
    contents.emplace_back(pb, pb + e.size);
  }
  for (int iter = 0; iter < 20000; iter++) {
    Bytes b = contents[Below(contents.size())];
    if (b.empty()) continue;
    for (int i = 0, n = 1 + (int)Below(4); i < n; i++) b[Below(b.size())] = (BYTE)Below(256);
    if (Below(3) == 0) b.resize(Below(b.size() + 1));
    ReadContent(b);
  }
}

}  // namespace

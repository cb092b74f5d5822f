#include <windows.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <thread>

#include "kernel/kernel.h"

namespace {

TEST(Rand, IsTheRuntimeGeneratorPerThread) {
  srand(1);
  EXPECT_EQ(rand(), 41);
  EXPECT_EQ(rand(), 18467);
  EXPECT_EQ(rand(), 6334);
  EXPECT_EQ(rand(), 26500);

  // state 0: 0 * 214013 + 2531011 = 2531011, >> 16 = 38
  srand(0);
  EXPECT_EQ(rand(), 38);

  // A new thread starts from seed 1 whatever this thread did.
  int nFirst = -1;
  std::thread([&] { nFirst = rand(); }).join();
  EXPECT_EQ(nFirst, 41);
}

TEST(Rand, StaysInRangeAndWrapsItsState) {
  srand(0xFFFFFFFFu);
  int nMin = 32767, nMax = 0;
  for (int i = 0; i < 200000; i++) {
    int r = rand();
    nMin = std::min(nMin, r);
    nMax = std::max(nMax, r);
  }
  EXPECT_EQ(nMin, 0);
  EXPECT_EQ(nMax, 32767);
}

TEST(TickCount, FollowsTheMonotonicClockOrTheInstalledSource) {
  DWORD t0 = GetTickCount();
  DWORD t1 = GetTickCount();
  EXPECT_LE((DWORD)(t1 - t0), 1000u);

  plat::SetTickSource([] { return (DWORD)0xFFFFFFFFu; });
  EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
  plat::SetTickSource(nullptr);
  EXPECT_LE((DWORD)(GetTickCount() - t0), 60000u);
}

TEST(LocalMemory, ZeroFillsFixedBlocksAndRefusesMoveable) {
  BYTE *p = (BYTE *)LocalAlloc(LPTR, 64);
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 64; i++) EXPECT_EQ(p[i], 0) << i;
  EXPECT_EQ(LocalFree(p), nullptr);

  HLOCAL pEmpty = LocalAlloc(LMEM_FIXED, 0);
  EXPECT_NE(pEmpty, nullptr);
  LocalFree(pEmpty);

  EXPECT_EQ(LocalAlloc(0x0002 /* LMEM_MOVEABLE */, 16), nullptr);
  EXPECT_EQ(LocalFree(NULL), nullptr);
}

TEST(WideStrings, CountSixteenBitUnits) {
  EXPECT_EQ(wcslen(TEXT("")), 0u);
  EXPECT_EQ(wcslen(TEXT("Tonbrook")), 8u);
  EXPECT_EQ(sizeof(TEXT("A")[0]), 2u);
  EXPECT_EQ(wcslen(TEXT("\U0001D11E")), 2u);  // a surrogate pair
}

}  // namespace

namespace {

TEST(LocalMemory, RunsOutWhereATestSaysSo) {
  plat::FailLocalAllocAfter(2);
  HLOCAL p1 = LocalAlloc(LPTR, 8);
  HLOCAL p2 = LocalAlloc(LMEM_FIXED, 8);
  EXPECT_NE(p1, nullptr);
  EXPECT_NE(p2, nullptr);
  EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
  EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
  // A refused moveable request does not count as an allocation.
  plat::FailLocalAllocAfter(1);
  EXPECT_EQ(LocalAlloc(0x0002, 8), nullptr);
  HLOCAL p3 = LocalAlloc(LPTR, 8);
  EXPECT_NE(p3, nullptr);
  EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
  plat::FailLocalAllocAfter(-1);
  HLOCAL p4 = LocalAlloc(LPTR, 8);
  EXPECT_NE(p4, nullptr);
  for (HLOCAL p : {p1, p2, p3, p4}) LocalFree(p);
}

}  // namespace

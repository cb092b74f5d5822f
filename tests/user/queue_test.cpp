#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/wintest.h"

namespace {

using wintest::g_handler;
using wintest::g_seen;

using Messages = wintest::Windows;

TEST_F(Messages, SendRunsTheHandlerPostWaitsForTheLoop) {
  HWND hwnd = wintest::Top();
  wintest::Pump();
  g_handler = [](HWND, UINT msg, WPARAM w, LPARAM, LRESULT *r) {
    if (msg != WM_USER) return false;
    *r = (LRESULT)w * 2;
    return true;
  };
  g_seen.clear();
  EXPECT_EQ(SendMessageW(hwnd, WM_USER, 21, 0), 42);
  ASSERT_EQ(g_seen.size(), 1u);

  g_seen.clear();
  EXPECT_TRUE(PostMessageW(hwnd, WM_USER, 5, 6));
  EXPECT_TRUE(g_seen.empty());
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_USER);
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.hwnd, hwnd);
  EXPECT_EQ(msg.wParam, 5u);
  EXPECT_EQ(msg.lParam, 6);
  EXPECT_TRUE(g_seen.empty());
  EXPECT_EQ(DispatchMessageW(&msg), 10);
  EXPECT_EQ(g_seen.size(), 1u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

  // Nothing reaches a window that is gone.
  EXPECT_EQ(SendMessageW((HWND)0x50, WM_USER, 1, 0), 0);
  EXPECT_FALSE(PostMessageW((HWND)0x50, WM_USER, 1, 0));
  EXPECT_EQ(GetMessageW(&msg, (HWND)0x50, 0, 0), -1);
}

TEST_F(Messages, QuitEndsTheLoopWithItsCodeAfterWhatWasPosted) {
  HWND hwnd = wintest::Top();
  wintest::Pump();
  PostMessageW(hwnd, WM_USER, 1, 0);
  PostQuitMessage(7);
  PostMessageW(hwnd, WM_USER, 2, 0);
  MSG msg;
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.wParam, 1u);
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), 1);
  EXPECT_EQ(msg.wParam, 2u);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
  EXPECT_EQ(msg.message, (UINT)WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, PostedComeBeforeInputPaintAndTimers) {
  HWND hwnd = wintest::Top();
  HWND kid = wintest::Child(hwnd, 3);
  wintest::Pump();
  SetTimer(hwnd, 9, USER_TIMER_MINIMUM, nullptr);
  InvalidateRect(hwnd, nullptr, TRUE);
  plat::user::PostInput(plat::user::InputKind::KeyDown, 'A', 0);
  PostMessageW(kid, WM_USER, 0, 0);
  PostMessageW(hwnd, WM_USER + 1, 0, 0);

  // A filter on the child takes only its own message.
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, kid, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, (UINT)WM_USER);
  ASSERT_FALSE(PeekMessageW(&msg, kid, WM_USER + 1, WM_USER + 1, PM_NOREMOVE));

  PostQuitMessage(3);
  std::vector<UINT> order;
  while (order.size() < 7) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    EXPECT_EQ(got == 0, msg.message == WM_QUIT);
    order.push_back(msg.message);
    if (msg.message == WM_TIMER) KillTimer(hwnd, 9);
    DispatchMessageW(&msg);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_KEYDOWN, WM_QUIT, WM_PAINT,
                                      WM_PAINT, WM_TIMER}));
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, AnUpdateHiddenByTheStyleIsPaintedOnceTheStyleShowsIt) {
  HWND hwnd = wintest::Top();
  wintest::Pump();
  MSG msg;
  InvalidateRect(hwnd, nullptr, TRUE);
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  SetWindowLongW(hwnd, GWL_STYLE, style & ~WS_VISIBLE);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  SetWindowLongW(hwnd, GWL_STYLE, style);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  EXPECT_EQ(msg.hwnd, hwnd);
}

TEST_F(Messages, TranslateTurnsAKeyIntoACharacter) {
  HWND hwnd = wintest::Top();
  wintest::Pump();
  plat::user::PostInput(plat::user::InputKind::KeyDown, 'Q', 0);
  plat::user::PostInput(plat::user::InputKind::KeyUp, 'Q', 0);
  g_seen.clear();
  wintest::Pump();
  std::vector<UINT> kinds;
  for (const auto &s : g_seen) kinds.push_back(s.message);
  EXPECT_EQ(kinds, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_EQ(wintest::Only(WM_CHAR)[0].wParam, (WPARAM)'q');
  EXPECT_EQ(wintest::Only(WM_CHAR)[0].hwnd, hwnd);
}

TEST_F(Messages, PostFromAnotherThreadWakesTheLoop) {
  HWND hwnd = wintest::Top();
  wintest::Pump();
  constexpr int kCount = 200;
  std::thread poster([&] {
    for (int i = 0; i < kCount; ++i) ASSERT_TRUE(PostMessageW(hwnd, WM_USER, (WPARAM)i, 0));
    PostMessageW(hwnd, WM_USER + 1, 0, 0);
  });
  MSG msg;
  int next = 0;
  while (GetMessageW(&msg, nullptr, 0, 0) && msg.message != WM_USER + 1) {
    ASSERT_EQ(msg.message, (UINT)WM_USER);
    EXPECT_EQ(msg.wParam, (WPARAM)next++);
  }
  poster.join();
  EXPECT_EQ(next, kCount);
}

TEST_F(Messages, SendFromAnotherThreadRunsOnTheLoopThread) {
  HWND hwnd = wintest::Top();
  wintest::Pump();
  std::thread::id ranOn;
  g_handler = [&](HWND, UINT msg, WPARAM w, LPARAM, LRESULT *r) {
    if (msg != WM_USER) return false;
    ranOn = std::this_thread::get_id();
    *r = (LRESULT)w + 1;
    return true;
  };
  LRESULT result = 0;
  std::thread sender([&] {
    result = SendMessageW(hwnd, WM_USER, 41, 0);
    PostQuitMessage(0);
  });
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
  sender.join();
  EXPECT_EQ(result, 42);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

}  // namespace

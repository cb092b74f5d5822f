#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <utility>

#include "host/headless.h"
#include "common/wintest.h"
#include "user/accel.h"

namespace {

using plat::host::Headless;
using plat::host::Script;
using plat::host::Step;
using wintest::g_handler;
using wintest::g_seen;

using Host = wintest::Windows;

/* The standard loop of the program, with accelerators for the message's own
 * window; returns the quit code. */
int Loop(HACCEL accel) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    if (!TranslateAcceleratorW(msg.hwnd, accel, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return (int)msg.wParam;
}

TEST_F(Host, TimersKeepTheirPeriodsInVirtualTime) {
  std::vector<std::pair<WPARAM, DWORD>> fired;
  int code = plat::host::Run({}, [&](Headless &) {
    HWND hwnd = wintest::Top();
    HWND other = wintest::Top(u"Other");
    EXPECT_EQ(GetTickCount(), 0u);
    EXPECT_EQ(SetTimer(hwnd, 105, 40, nullptr), 105u);
    SetTimer(hwnd, 7, 100, nullptr);
    SetTimer(other, 1, 30, nullptr);
    g_handler = [&](HWND h, UINT msg, WPARAM w, LPARAM, LRESULT *) {
      if (msg != WM_TIMER) return false;
      if (h == other) {
        DestroyWindow(other);  // its timer ends with it
        return true;
      }
      fired.emplace_back(w, GetTickCount());
      if (GetTickCount() >= 200) {
        KillTimer(hwnd, 105);
        EXPECT_FALSE(KillTimer(hwnd, 105));
        if (w == 7) PostQuitMessage(5);
      }
      return true;
    };
    return Loop(nullptr);
  });
  EXPECT_EQ(code, 5);
  std::vector<std::pair<WPARAM, DWORD>> expected{{105, 40},  {105, 80}, {7, 100}, {105, 120},
                                                 {105, 160}, {105, 200}, {7, 200}};
  EXPECT_EQ(fired, expected);
}

TEST_F(Host, ATapGoesToTheWindowUnderItOrToTheCapture) {
  Script script{Step::Tap(10, 15, 56), Step::Tap(20, 200, 200),
                Step::Call(30, [] { PostQuitMessage(0); })};
  HWND top = nullptr, kid = nullptr;
  plat::host::Run(std::move(script), [&](Headless &) {
    top = wintest::Top();
    kid = wintest::Child(top, 1, 10, 20, 30, 40);  // screen 10,46 to 40,86
    g_handler = [&](HWND h, UINT msg, WPARAM, LPARAM, LRESULT *) {
      if (msg == WM_LBUTTONDOWN && h == kid) SetCapture(kid);
      if (msg == WM_LBUTTONUP && h == kid) ReleaseCapture();
      return false;
    };
    g_seen.clear();
    return Loop(nullptr);
  });
  std::vector<wintest::Seen> clicks;
  for (const auto &s : g_seen) {
    if (s.message == WM_LBUTTONDOWN || s.message == WM_LBUTTONUP) clicks.push_back(s);
  }
  ASSERT_EQ(clicks.size(), 4u);
  EXPECT_EQ(clicks[0].hwnd, kid);
  EXPECT_EQ(clicks[0].message, (UINT)WM_LBUTTONDOWN);
  EXPECT_EQ(clicks[0].wParam, (WPARAM)MK_LBUTTON);
  EXPECT_EQ(clicks[0].lParam, MAKELPARAM(5, 10));
  EXPECT_EQ(clicks[1].hwnd, kid);  // the same tap's release
  EXPECT_EQ(clicks[2].hwnd, top);
  EXPECT_EQ(clicks[2].lParam, MAKELPARAM(200, 174));
  EXPECT_EQ(clicks[3].hwnd, top);
}

TEST_F(Host, ADisabledWindowAndItsChildrenTakeNoTaps) {
  HWND top = nullptr, kid = nullptr;
  Script script{Step::Tap(10, 15, 56), Step::Call(20, [&] { EnableWindow(top, TRUE); }),
                Step::Tap(30, 15, 56), Step::Call(40, [] { PostQuitMessage(0); })};
  plat::host::Run(std::move(script), [&](Headless &) {
    top = wintest::Top();
    kid = wintest::Child(top, 1, 10, 20, 30, 40);
    SetFocus(kid);
    EXPECT_FALSE(EnableWindow(top, FALSE));
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetForegroundWindow(), top);
    g_seen.clear();
    return Loop(nullptr);
  });
  auto downs = wintest::Only(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);  // only the tap after enabling
  EXPECT_EQ(downs[0].hwnd, kid);
}

TEST_F(Host, AnAcceleratorGoesToTheFocusedChildAndIsNotDispatched) {
  ACCEL table[] = {{FVIRTKEY | FCONTROL, 'Q', IDOK}, {FVIRTKEY | FCONTROL, 'A', 40003}};
  Script script{Step::Key(10, 'Q', true), Step::Key(20, 'Q'), Step::Key(30, 'A', true),
                Step::Call(40, [] { PostQuitMessage(0); })};
  HWND top = nullptr, kid = nullptr;
  plat::host::Run(std::move(script), [&](Headless &) {
    HACCEL accel = CreateAcceleratorTableW(table, 2);
    top = wintest::Top();
    kid = wintest::Child(top, 1);
    SetFocus(kid);
    g_seen.clear();
    int code = Loop(accel);
    EXPECT_TRUE(DestroyAcceleratorTable(accel));
    EXPECT_EQ(TranslateAcceleratorW(top, accel, nullptr), 0);
    return code;
  });
  std::vector<std::pair<UINT, WPARAM>> atKid;
  for (const auto &s : g_seen) {
    if (s.message != WM_KEYDOWN && s.message != WM_CHAR && s.message != WM_COMMAND) continue;
    EXPECT_EQ(s.hwnd, kid);
    atKid.emplace_back(s.message, s.wParam);
  }
  std::vector<std::pair<UINT, WPARAM>> expected{
      {WM_KEYDOWN, VK_CONTROL}, {WM_COMMAND, MAKEWPARAM(IDOK, 1)},  // Ctrl+Q
      {WM_KEYDOWN, 'Q'},        {WM_CHAR, 'q'},                     // Q alone
      {WM_KEYDOWN, VK_CONTROL}, {WM_COMMAND, MAKEWPARAM(40003, 1)}};
  EXPECT_EQ(atKid, expected);
  EXPECT_EQ(GetKeyState(VK_CONTROL) & 0x8000, 0);
}

TEST_F(Host, AStepMayRunAModalLoopThatLaterStepsReach) {
  std::vector<DWORD> keysInModal;
  Script script{Step::Call(10,
                           [&] {
                             MSG msg;
                             while (GetMessageW(&msg, nullptr, 0, 0) && msg.message != WM_CHAR) {
                               if (msg.message == WM_KEYDOWN) keysInModal.push_back(GetTickCount());
                               TranslateMessage(&msg);
                               DispatchMessageW(&msg);
                             }
                             PostQuitMessage(1);
                           }),
                Step::Key(10, VK_ESCAPE), Step::Key(20, VK_RETURN)};
  int code = plat::host::Run(std::move(script), [&](Headless &) {
    wintest::Top();
    return Loop(nullptr);
  });
  EXPECT_EQ(code, 1);
  EXPECT_EQ(keysInModal, (std::vector<DWORD>{10}));
}

TEST_F(Host, AccelTablesAreMadeForTheResourceLoader) {
  HACCEL accel = plat::user::MakeAccelTable({{FVIRTKEY | FCONTROL, 'A', 7}});
  ASSERT_NE(accel, nullptr);
  const plat::user::AccelTable *table = plat::user::FromAccel(accel);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->entries[0].cmd, 7);
  EXPECT_EQ(plat::user::MakeAccelTable({}), nullptr);
  EXPECT_EQ(CreateAcceleratorTableW(nullptr, 1), nullptr);
  EXPECT_TRUE(DestroyAcceleratorTable(accel));
  EXPECT_FALSE(DestroyAcceleratorTable(accel));
}

TEST_F(Host, PaintComesAtOnceOnUpdateAndOnlyWhenInvalid) {
  HWND top = wintest::Top();
  HWND kid = wintest::Child(top, 1, 10, 10, 20, 20);
  PAINTSTRUCT seen{};
  g_handler = [&](HWND h, UINT msg, WPARAM, LPARAM, LRESULT *r) {
    if (msg == WM_PAINT && h == top) {
      BeginPaint(h, &seen);
      EndPaint(h, &seen);
      return true;
    }
    if (msg == WM_ERASEBKGND) {
      *r = 1;
      return true;
    }
    return false;
  };
  wintest::Pump();
  g_seen.clear();
  EXPECT_TRUE(UpdateWindow(top));
  EXPECT_TRUE(g_seen.empty());

  RECT part{0, 0, 15, 15};
  InvalidateRect(top, &part, FALSE);
  RECT update;
  EXPECT_TRUE(GetUpdateRect(kid, &update, FALSE));
  EXPECT_EQ(update.right, 5);  // the child's share of the rectangle
  EXPECT_TRUE(UpdateWindow(top));
  auto paints = wintest::Only(WM_PAINT);
  ASSERT_EQ(paints.size(), 2u);
  EXPECT_EQ(paints[0].hwnd, top);
  EXPECT_EQ(paints[1].hwnd, kid);
  EXPECT_EQ(seen.rcPaint.right, 15);
  EXPECT_FALSE(seen.fErase);
  EXPECT_TRUE(wintest::Only(WM_ERASEBKGND).empty());
  EXPECT_FALSE(GetUpdateRect(top, nullptr, FALSE));

  g_seen.clear();
  InvalidateRect(top, nullptr, TRUE);
  UpdateWindow(top);
  EXPECT_EQ(wintest::Only(WM_ERASEBKGND).size(), 2u);
  EXPECT_FALSE(seen.fErase);  // the window erased
  EXPECT_EQ(seen.rcPaint.right, 240);

  // Hiding a child leaves its place to be painted by the parent.
  ShowWindow(kid, SW_HIDE);
  EXPECT_TRUE(GetUpdateRect(top, &update, FALSE));
  EXPECT_EQ(update.left, 10);
  EXPECT_EQ(update.right, 30);
  EXPECT_EQ(SendMessageW(top, WM_CTLCOLORSTATIC, 0, (LPARAM)kid), 0);  // no graphics yet

  // A hidden window collects no update.
  ValidateRect(top, nullptr);
  ShowWindow(top, SW_HIDE);
  InvalidateRect(top, nullptr, TRUE);
  EXPECT_FALSE(GetUpdateRect(top, nullptr, FALSE));
}

HWND g_winMainChild;

int WINAPI TestWinMain(HINSTANCE, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow) {
  EXPECT_EQ(lpCmdLine[0], 0);
  HWND top = wintest::Top(u"Main", 0);
  ShowWindow(top, nCmdShow);
  g_winMainChild = wintest::Child(top, 1, 0, 0, 100, 100);
  g_handler = [](HWND h, UINT msg, WPARAM, LPARAM, LRESULT *) {
    if (msg == WM_LBUTTONUP && h == g_winMainChild) PostQuitMessage(9);
    return false;
  };
  return Loop(nullptr);
}

TEST_F(Host, AWholeWinMainRunsAgainstAScript) {
  using plat::user::InputKind;
  std::vector<SHORT> async, sync;
  auto look = [&] {
    async.push_back(GetAsyncKeyState(VK_CONTROL) & 0x8000);
    sync.push_back(GetKeyState(VK_CONTROL) & 0x8000);
  };
  Script script{Step::Call(5,
                          [&] {
                            plat::user::PostInput(InputKind::KeyDown, VK_CONTROL, 0);
                            look();
                          }),
                Step::Call(5, look), Step::Tap(500, 50, 60)};
  EXPECT_EQ(plat::host::RunWinMain(std::move(script), TestWinMain, nullptr, SW_SHOW), 9);
  // The loop sees the key once it has taken the key's message.
  EXPECT_EQ(async, (std::vector<SHORT>{(SHORT)0x8000, (SHORT)0x8000}));
  EXPECT_EQ(sync, (std::vector<SHORT>{0, (SHORT)0x8000}));
  auto ups = wintest::Only(WM_LBUTTONUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].wParam, (WPARAM)MK_CONTROL);
}

}  // namespace

namespace {

// A host with nobody at it keeps the real time: a wait lasts until its
// deadline on the monotonic clock instead of jumping there, and a wake
// ends it early.
TEST(UnattendedHost, WaitsOnTheRealClockAndWakesEarly) {
  plat::host::Headless host({}, true);
  auto before = std::chrono::steady_clock::now();
  uint64_t start = host.Now();
  host.Wait(start + 30);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));
  EXPECT_GE(host.Now(), start + 30);
  host.Wake();
  host.Wait(host.Now() + 60000); /* returns at once: the wake came first */
  EXPECT_TRUE(host.Unattended());
  EXPECT_FALSE(plat::host::Headless().Unattended());
}

}  // namespace

#include <windows.h>

#include <gtest/gtest.h>

#include "common/wintest.h"

namespace {

using wintest::g_handler;
using wintest::g_seen;

using Windows = wintest::Windows;

TEST_F(Windows, CreationRunsTheHandlersBeforeItReturns) {
  LPVOID param = (LPVOID)0x1234;
  HWND seenInCreate = nullptr;
  g_handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM l, LRESULT *) {
    if (msg == WM_CREATE) {
      auto *cs = (CREATESTRUCTW *)l;
      EXPECT_EQ(cs->lpCreateParams, param);
      WCHAR text[16];
      EXPECT_EQ(GetWindowTextW(hwnd, text, 16), 4);
      EXPECT_FALSE(IsWindowVisible(hwnd));
      seenInCreate = hwnd;
    }
    return false;
  };
  HWND hwnd = CreateWindowExW(0, wintest::kClass, u"Main", WS_VISIBLE, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                              nullptr, param);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(seenInCreate, hwnd);
  EXPECT_EQ((ULONG_PTR)hwnd & 3, 0u);
  std::vector<UINT> kinds;
  for (const auto &s : g_seen) {
    if (s.message != WM_GETTEXT) kinds.push_back(s.message);
  }
  ASSERT_GE(kinds.size(), 5u);
  EXPECT_EQ(std::vector<UINT>(kinds.begin(), kinds.begin() + 5),
            (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetForegroundWindow(), hwnd);
  EXPECT_EQ(GetFocus(), hwnd);

  // The default place of a top-level window: below the navigation bar.
  RECT rc;
  ASSERT_TRUE(GetWindowRect(hwnd, &rc));
  EXPECT_EQ(rc, (RECT{0, 26, 240, 320}));
  ASSERT_TRUE(GetClientRect(hwnd, &rc));
  EXPECT_EQ(rc.right, 240);
  EXPECT_EQ(rc.bottom, 294);
  auto sizes = wintest::Only(WM_SIZE);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(240, 294));
}

TEST_F(Windows, CreationFailsForARefusalOrADestroyInCreate) {
  g_handler = [](HWND hwnd, UINT msg, WPARAM, LPARAM l, LRESULT *r) {
    auto *cs = (CREATESTRUCTW *)l;
    if (msg == WM_CREATE && cs->lpszName[0] == u'D') DestroyWindow(hwnd);
    if (msg == WM_CREATE && cs->lpszName[0] == u'R') {
      *r = -1;
      return true;
    }
    if (msg == WM_NCCREATE && cs->lpszName[0] == u'N') {
      *r = FALSE;
      return true;
    }
    return false;
  };
  EXPECT_EQ(wintest::Top(u"Destroyed"), nullptr);
  EXPECT_EQ(wintest::Top(u"Refused"), nullptr);
  EXPECT_EQ(wintest::Top(u"No"), nullptr);
  EXPECT_EQ(wintest::Only(WM_DESTROY).size(), 2u);
  EXPECT_EQ(wintest::Only(WM_NCDESTROY).size(), 3u);
  EXPECT_TRUE(plat::user::TopLevelWindows().empty());
  EXPECT_EQ(CreateWindowExW(0, u"NOSUCHCLASS", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  EXPECT_EQ(wintest::Child((HWND)0x40, 1), nullptr);
}

TEST_F(Windows, ClassesAreUniqueByName) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = wintest::Proc;
  wc.lpszClassName = wintest::kClass;
  EXPECT_EQ(RegisterClassW(&wc), 0);
  wc.lpszClassName = u"OTHER";
  ATOM atom = RegisterClassW(&wc);
  EXPECT_NE(atom, 0);
  HWND hwnd = CreateWindowExW(0, MAKEINTATOM(atom), u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(hwnd, nullptr);
  WCHAR name[3];
  EXPECT_EQ(GetClassNameW(hwnd, name, 3), 2);
  EXPECT_EQ(std::u16string(name), u"OT");
  EXPECT_FALSE(UnregisterClassW(u"OTHER", nullptr));
  DestroyWindow(hwnd);
  EXPECT_TRUE(UnregisterClassW(u"OTHER", nullptr));
  wc.lpfnWndProc = nullptr;
  EXPECT_EQ(RegisterClassW(&wc), 0);
}

TEST_F(Windows, CloseDestroysTheWindowThenItsChildren) {
  HWND top = wintest::Top();
  HWND a = wintest::Child(top, 10);
  HWND b = wintest::Child(top, 11);
  HWND aa = wintest::Child(a, 12);
  HWND owned = CreateWindowExW(0, wintest::kClass, u"Owned", WS_POPUP, 0, 0, 10, 10, a, nullptr,
                               nullptr, nullptr);
  ASSERT_TRUE(owned && aa && b);
  EXPECT_EQ(GetParent(owned), top);
  EXPECT_EQ(GetParent(aa), a);
  SetTimer(top, 1, 100, nullptr);
  PostMessageW(b, WM_USER, 0, 0);

  g_seen.clear();
  EXPECT_EQ(SendMessageW(top, WM_CLOSE, 0, 0), 0);
  std::vector<HWND> destroyed, finished;
  for (const auto &s : wintest::Only(WM_DESTROY)) destroyed.push_back(s.hwnd);
  for (const auto &s : wintest::Only(WM_NCDESTROY)) finished.push_back(s.hwnd);
  EXPECT_EQ(destroyed, (std::vector<HWND>{owned, top, a, aa, b}));
  EXPECT_EQ(finished, (std::vector<HWND>{owned, aa, a, b, top}));
  for (HWND h : {top, a, b, aa, owned}) EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  // Its timer and queued messages went with it.
  EXPECT_TRUE(wintest::Pump().empty());
  EXPECT_FALSE(KillTimer(top, 1));
}

TEST_F(Windows, ADestroyDuringDestroyIsHarmless) {
  HWND top = wintest::Top();
  HWND bar = wintest::Child(top, 5);
  g_handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT *) {
    if (msg == WM_DESTROY && hwnd == top) {
      EXPECT_TRUE(DestroyWindow(bar));
      EXPECT_FALSE(DestroyWindow(top));
      PostQuitMessage(0);
    }
    return false;
  };
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(bar));
  EXPECT_EQ(wintest::Only(WM_DESTROY).size(), 2u);
  MSG msg;
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), 0);
}

TEST_F(Windows, GeometryTextAndWords) {
  HWND top = wintest::Top();
  HWND kid = wintest::Child(top, 42, 10, 20, 30, 40);
  EXPECT_EQ(GetDlgItem(top, 42), kid);
  EXPECT_EQ(GetDlgItem(top, 43), nullptr);
  EXPECT_EQ(GetDlgCtrlID(kid), 42);
  RECT rc;
  GetWindowRect(kid, &rc);
  EXPECT_EQ(rc, (RECT{10, 46, 40, 86}));

  g_seen.clear();
  EXPECT_TRUE(MoveWindow(top, 0, 26, 240, 268, FALSE));
  ASSERT_EQ(wintest::Only(WM_SIZE).size(), 1u);
  EXPECT_EQ(wintest::Only(WM_SIZE)[0].lParam, MAKELPARAM(240, 268));
  EXPECT_TRUE(wintest::Only(WM_MOVE).empty());
  MoveWindow(kid, 5, 5, 30, 40, FALSE);
  EXPECT_EQ(wintest::Only(WM_MOVE).size(), 1u);
  EXPECT_EQ(wintest::Only(WM_SIZE).size(), 1u);

  EXPECT_TRUE(SetWindowTextW(top, u"Hello"));
  WCHAR text[4];
  EXPECT_EQ(GetWindowTextW(top, text, 4), 3);
  EXPECT_EQ(std::u16string(text), u"Hel");
  EXPECT_EQ(GetWindowTextLengthW(top), 5);
  EXPECT_EQ(GetWindowTextW((HWND)0x44, text, 4), 0);
  EXPECT_EQ(text[0], 0);

  EXPECT_EQ(GetWindowLongW(kid, GWL_ID), 42);
  EXPECT_EQ(GetWindowLongW(kid, GWL_STYLE) & WS_CHILD, WS_CHILD);
  SetWindowLongW(top, GWL_USERDATA, 77);
  EXPECT_EQ(GetWindowLongW(top, GWL_USERDATA), 77);
  EXPECT_EQ(SetWindowLongW(top, 4, 9), 0);
  EXPECT_EQ(GetWindowLongW(top, 4), 9);
  EXPECT_EQ(GetWindowLongW(top, 8), 0);  // past the extra bytes
  EXPECT_EQ(GetWindowLongPtrW(top, GWLP_WNDPROC), (LONG_PTR)wintest::Proc);
  EXPECT_EQ(GetWindowLongW(top, GWL_WNDPROC), 0);
}

LRESULT CALLBACK Subclass(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER) return 99;
  return CallWindowProcW(wintest::Proc, hwnd, msg, w, l);
}

TEST_F(Windows, ASubclassSeesMessagesFirst) {
  HWND top = wintest::Top();
  LONG_PTR old = SetWindowLongPtrW(top, GWLP_WNDPROC, (LONG_PTR)Subclass);
  EXPECT_EQ(old, (LONG_PTR)wintest::Proc);
  EXPECT_EQ(SendMessageW(top, WM_USER, 0, 0), 99);
  g_seen.clear();
  SendMessageW(top, WM_USER + 1, 0, 0);
  EXPECT_EQ(g_seen.size(), 1u);
}

TEST_F(Windows, FocusMovesWithMessagesAndTheLowBitIsIgnored) {
  HWND top = wintest::Top();
  HWND a = wintest::Child(top, 1);
  HWND b = wintest::Child(top, 2);
  EXPECT_EQ(SetFocus(a), top);
  g_seen.clear();
  EXPECT_EQ(SetFocus(b), a);
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].hwnd, a);
  EXPECT_EQ(g_seen[0].message, (UINT)WM_KILLFOCUS);
  EXPECT_EQ(g_seen[1].hwnd, b);
  EXPECT_EQ(g_seen[1].message, (UINT)WM_SETFOCUS);
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(SetFocus((HWND)0x48), nullptr);
  EXPECT_EQ(GetFocus(), b);

  HWND other = wintest::Top(u"Other");
  EXPECT_EQ(GetForegroundWindow(), other);
  EXPECT_TRUE(SetForegroundWindow((HWND)((ULONG_PTR)top | 1)));
  EXPECT_EQ(GetForegroundWindow(), top);
  EXPECT_FALSE(SetForegroundWindow((HWND)0x49));

  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(GetCapture(), a);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Windows, AWindowMadeNotToActivateAndItsChildrenNeverTakeTheFocus) {
  HWND top = wintest::Top();
  HWND plain = wintest::Child(top, 1);
  HWND noActivate = CreateWindowExW(WS_EX_NOACTIVATE, wintest::kClass, u"", WS_CHILD | WS_VISIBLE, 0, 0,
                                    20, 20, top, (HMENU)2, nullptr, nullptr);
  HWND inside = wintest::Child(noActivate, 3);
  HWND bar = CreateWindowExW(WS_EX_NOACTIVATE, wintest::kClass, u"Bar", WS_POPUP | WS_VISIBLE, 0, 294,
                             240, 26, top, nullptr, nullptr, nullptr);
  HWND onBar = wintest::Child(bar, 4);
  EXPECT_EQ(SetFocus(plain), top);
  g_seen.clear();
  for (HWND refused : {noActivate, inside, bar, onBar}) {
    EXPECT_EQ(SetFocus(refused), nullptr);
    EXPECT_EQ(GetFocus(), plain);
  }
  EXPECT_TRUE(g_seen.empty());
  EXPECT_EQ(GetActiveWindow(), top);
  // Taking the focus away is still allowed.
  EXPECT_EQ(SetFocus(nullptr), plain);
  EXPECT_EQ(GetFocus(), nullptr);
}

}  // namespace

namespace {

TEST_F(Windows, GetWindowWalksTheZOrderAndSetWindowPosRaises) {
  HWND top = wintest::Top();
  HWND a = wintest::Child(top, 1), b = wintest::Child(top, 2), c = wintest::Child(top, 3);
  HWND owned = CreateWindowExW(0, wintest::kClass, u"", WS_POPUP, 0, 0, 10, 10, a, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDFIRST), a);
  EXPECT_EQ(GetWindow(b, GW_HWNDLAST), c);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), top) << "a pop-up is owned by its parent's top-level window";
  EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), top);

  ASSERT_TRUE(SetWindowPos(c, HWND_TOP, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE));
  EXPECT_EQ(GetWindow(top, GW_CHILD), c);
  RECT rc;
  GetWindowRect(c, &rc);
  EXPECT_EQ(rc.left, 5);
  EXPECT_EQ(rc.top, 26 + 6);
  EXPECT_EQ(rc.right - rc.left, 20) << "SWP_NOSIZE keeps the size";
  ASSERT_TRUE(SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_HIDEWINDOW));
  EXPECT_FALSE(IsWindowVisible(c));
  ASSERT_TRUE(SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW));
  EXPECT_TRUE(IsWindowVisible(c));
}

TEST_F(Windows, PropertiesByNameOrAtomAreTheWindows) {
  HWND a = wintest::Top(u"A"), b = wintest::Top(u"B");
  HANDLE one = (HANDLE)0x10, two = (HANDLE)0x20;
  ASSERT_TRUE(SetPropW(a, u"Handheld.State", one));
  ASSERT_TRUE(SetPropW(a, MAKEINTRESOURCE(0xC001), two));
  EXPECT_EQ(GetPropW(a, u"handheld.state"), one) << "names compare as atoms do, without case";
  EXPECT_EQ(GetPropW(a, MAKEINTRESOURCE(0xC001)), two);
  EXPECT_EQ(GetPropW(b, u"Handheld.State"), nullptr);
  ASSERT_TRUE(SetPropW(a, u"Handheld.State", two));
  EXPECT_EQ(RemovePropW(a, u"Handheld.State"), two);
  EXPECT_EQ(GetPropW(a, u"Handheld.State"), nullptr);
}

/* What each call returns for a window that is not there, or a name that
 * is missing: what the desktop's calls return. */
TEST_F(Windows, ZOrderAndPropertyCallsOnWhatIsNotThereFail) {
  HWND top = wintest::Top();
  HWND gone = wintest::Top(u"Gone");
  DestroyWindow(gone);
  struct Case {
    const char *what;
    long long got, want;
  } cases[] = {
      {"GetWindow, no window", (long long)(uintptr_t)GetWindow(gone, GW_HWNDNEXT), 0},
      {"GetWindow, no child", (long long)(uintptr_t)GetWindow(top, GW_CHILD), 0},
      {"GetWindow, last has no next", (long long)(uintptr_t)GetWindow(GetWindow(top, GW_HWNDLAST), GW_HWNDNEXT), 0},
      {"GetWindow, unknown command", (long long)(uintptr_t)GetWindow(top, 99), 0},
      {"SetWindowPos, no window", SetWindowPos(gone, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE), 0},
      {"SetPropW, no window", SetPropW(gone, u"P", (HANDLE)1), 0},
      {"SetPropW, no name", SetPropW(top, nullptr, (HANDLE)1), 0},
      {"GetPropW, no window", (long long)(uintptr_t)GetPropW(gone, u"P"), 0},
      {"GetPropW, no such property", (long long)(uintptr_t)GetPropW(top, u"P"), 0},
      {"RemovePropW, no window", (long long)(uintptr_t)RemovePropW(gone, u"P"), 0},
      {"RemovePropW, no such property", (long long)(uintptr_t)RemovePropW(top, u"P"), 0},
  };
  for (const Case &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

}  // namespace

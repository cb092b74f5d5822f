#include "common/wintest.h"

#include "res/module.h"

namespace {

using namespace wintest;
using plat::host::Step;
using Pairs = std::vector<std::pair<WPARAM, LPARAM>>;

constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr int kTop = 26; /* the top window's client origin on the screen */

Step Quit(uint64_t at) {
  return Step::Call(at, [] { PostQuitMessage(0); });
}

TEST_F(Controls, ATapOnARadioButtonChecksItUnchecksItsGroupAndTellsTheParent) {
  HWND top = nullptr, a = nullptr, b = nullptr, c = nullptr, play = nullptr, other = nullptr;
  RunLoop({Step::Tap(20, 40, kTop + 82), Quit(30)}, [&] {
    top = Top();
    a = Make(top, u"BUTTON", u"Sine", kRadio | WS_GROUP, 5, 10, 79, 24, 103);
    b = Make(top, u"BUTTON", u"Square", kRadio, 5, 40, 79, 24, 101);
    play = Make(top, u"BUTTON", u"PLAY", BS_PUSHBUTTON, 150, 10, 79, 40, 104);
    c = Make(top, u"BUTTON", u"Triangle", kRadio, 5, 70, 79, 24, 102);
    other = Make(top, u"BUTTON", u"Apart", kRadio | WS_GROUP, 5, 100, 79, 24, 120);
    SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(other, BM_SETCHECK, BST_CHECKED, 0);
    UpdateWindow(top);
    wintest::g_seen.clear();
  });
  /* One click reaches the parent, after the checks changed; the repaint of
   * the two buttons asks the parent for their colours. */
  EXPECT_EQ(Got(top, WM_COMMAND), (Pairs{{MAKEWPARAM(102, BN_CLICKED), (LPARAM)c}}));
  std::vector<LPARAM> asked;
  for (auto &[w, l] : Got(top, WM_CTLCOLORBTN)) asked.push_back(l);
  EXPECT_NE(std::find(asked.begin(), asked.end(), (LPARAM)b), asked.end());
  EXPECT_NE(std::find(asked.begin(), asked.end(), (LPARAM)c), asked.end());
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(other, BM_GETCHECK, 0, 0), BST_CHECKED); /* another group */
  EXPECT_EQ(SendMessageW(play, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Controls, APushButtonLooksPressedWhileHeldAndClicksOnlyWhenLetGoInside) {
  HWND top = nullptr, push = nullptr;
  LRESULT held = 0, heldLater = 0;
  COLORREF heldFace = 0, face = 0;
  auto script = Hold(10, 50, 190, kTop + 30);
  auto away = Hold(100, 150, 190, kTop + 30);
  script.insert(script.end(), away.begin(), away.end());
  script.push_back(Step::Call(20, [&] {
    held = SendMessageW(push, BM_GETSTATE, 0, 0);
    UpdateWindow(top);
    heldFace = At(153, kTop + 30);
  }));
  script.push_back(Step::Call(60, [&] {
    UpdateWindow(top);
    face = At(153, kTop + 30);
  }));
  /* Lifted outside: the capture brings the up here, which is no click. */
  script.push_back(Step::Call(120, [&] {
    heldLater = SendMessageW(push, BM_GETSTATE, 0, 0);
    plat::user::PostInput(plat::user::InputKind::ButtonUp, 10, 300);
  }));
  script.push_back(Quit(200));
  RunLoop(script, [&] {
    top = Top();
    push = Make(top, u"BUTTON", u"PLAY", BS_PUSHBUTTON, 150, 10, 79, 40, 104);
    wintest::g_handler = [&](HWND, UINT msg, WPARAM w, LPARAM, LRESULT *r) {
      if (msg != WM_CTLCOLORBTN) return false;
      SetTextColor((HDC)w, RGB(255, 255, 255));
      *r = (LRESULT)GetStockObject(BLACK_BRUSH);
      return true;
    };
  });
  EXPECT_TRUE(held & BST_PUSHED);
  EXPECT_TRUE(heldLater & BST_PUSHED);
  EXPECT_EQ(face, RGB(0, 0, 0));          /* the parent's brush */
  EXPECT_EQ(heldFace, RGB(255, 255, 255)); /* inverted while pressed */
  EXPECT_EQ(Got(top, WM_COMMAND), (Pairs{{MAKEWPARAM(104, BN_CLICKED), (LPARAM)push}}));
  EXPECT_FALSE(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED);
}

TEST_F(Controls, EveryChangeOfAnEditBoxSendsUpdateThenChange) {
  HWND top = nullptr, edit = nullptr, number = nullptr, fixed = nullptr;
  RunLoop({Step::Tap(10, 20, kTop + 12), Step::Key(20, '4'), Step::Key(30, 'X'),
           Step::Key(40, '2'), Step::Key(50, VK_BACK), Step::Tap(60, 20, kTop + 42),
           Step::Key(70, '7'), Quit(80)},
          [&] {
            // Boxes that take the keyboard: made without WS_EX_NOACTIVATE.
            top = Top();
            number = Make(top, u"EDIT", u"", ES_NUMBER | WS_BORDER, 5, 0, 100, 24, 109, 0);
            fixed = Make(top, u"EDIT", u"500", ES_NUMBER | ES_READONLY, 5, 30, 100, 24, 110, 0);
            edit = Make(top, u"EDIT", u"", 0, 5, 60, 100, 24, 111, 0);
            SetWindowTextW(edit, u"16,000");
          });
  EXPECT_EQ(Text(edit), u"16,000");
  EXPECT_EQ(Got(top, WM_COMMAND), (Pairs{{MAKEWPARAM(111, EN_UPDATE), (LPARAM)edit},
                                         {MAKEWPARAM(111, EN_CHANGE), (LPARAM)edit},
                                         {MAKEWPARAM(109, EN_SETFOCUS), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_UPDATE), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_CHANGE), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_UPDATE), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_CHANGE), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_UPDATE), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_CHANGE), (LPARAM)number},
                                         {MAKEWPARAM(109, EN_KILLFOCUS), (LPARAM)number},
                                         {MAKEWPARAM(110, EN_SETFOCUS), (LPARAM)fixed}}));
  EXPECT_EQ(Text(number), u"4"); /* X refused, 2 typed and taken back */
  EXPECT_EQ(Text(fixed), u"500"); /* read-only takes no typing */
}

TEST_F(Controls, AnEditBoxAsksForStaticColoursWhenReadOnlyOrDisabled) {
  HWND top = Top();
  HWND plain = Make(top, u"EDIT", u"a", 0, 5, 0, 100, 24, 1);
  HWND fixed = Make(top, u"EDIT", u"b", ES_READONLY, 5, 30, 100, 24, 2);
  HWND off = Make(top, u"EDIT", u"c", WS_DISABLED, 5, 60, 100, 24, 3);
  wintest::g_seen.clear();
  UpdateWindow(top);
  auto edits = Got(top, WM_CTLCOLOREDIT);
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].second, (LPARAM)plain);
  auto statics = Got(top, WM_CTLCOLORSTATIC);
  ASSERT_EQ(statics.size(), 2u);
  EXPECT_EQ(statics[0].second, (LPARAM)fixed);
  EXPECT_EQ(statics[1].second, (LPARAM)off);
  /* A border only with WS_BORDER: the client area of a plain box is whole. */
  RECT rc;
  GetClientRect(plain, &rc);
  EXPECT_EQ(rc.right, 100);
}

TEST_F(Controls, AnIconStaticTakesTheIconsSize) {
  HWND top = Top();
  HWND byName = CreateWindowExW(0, u"STATIC", u"#101", WS_CHILD | WS_VISIBLE | SS_ICON, 16, 20, 30,
                                30, top, (HMENU)101, plat::ModuleInstance(), nullptr);
  const WCHAR ordinal[] = {0xFFFF, 101, 0};
  HWND byNumber = CreateWindowExW(0, u"Static", ordinal, WS_CHILD | WS_VISIBLE | SS_ICON, 60, 20, 0,
                                  0, top, (HMENU)102, plat::ModuleInstance(), nullptr);
  HWND none = CreateWindowExW(0, u"STATIC", u"#999", WS_CHILD | WS_VISIBLE | SS_ICON, 100, 20, 20,
                              20, top, (HMENU)103, plat::ModuleInstance(), nullptr);
  for (HWND h : {byName, byNumber}) {
    RECT rc;
    GetClientRect(h, &rc);
    EXPECT_EQ(rc.right, 32);
    EXPECT_EQ(rc.bottom, 32);
    EXPECT_NE(SendMessageW(h, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(Text(h), u"");
  }
  RECT rc;
  GetWindowRect(byName, &rc);
  EXPECT_EQ(rc.left, 16);
  EXPECT_EQ(rc.top, kTop + 20);
  EXPECT_EQ(SendMessageW(none, STM_GETICON, 0, 0), 0);
  UpdateWindow(top);
  EXPECT_EQ(At(17, kTop + 21), RGB(128, 0, 0)); /* the icon's dark-red frame */
}

/* The program's frequency box: a read-only number box and its arrows. */
struct Spin {
  HWND top, edit, spin;
};
Spin MakeSpin(DWORD extra = 0) {
  Spin s;
  s.top = CreateWindowExW(0, wintest::kClass, u"Top", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  s.edit = CreateWindowExW(WS_EX_NOACTIVATE, u"EDIT", u"     ",
                           WS_CHILD | WS_VISIBLE | ES_NUMBER | ES_READONLY, 150, 98, 79, 24, s.top,
                           (HMENU)109, nullptr, nullptr);
  INITCOMMONCONTROLSEX icex{sizeof icex, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icex);
  s.spin = CreateUpDownControl(WS_CHILD | WS_VISIBLE | UDS_AUTOBUDDY | UDS_ALIGNRIGHT |
                                   UDS_SETBUDDYINT | extra,
                               235, 98, 79, 24, s.top, 108, nullptr, s.edit, 16000, 20, 500);
  return s;
}

TEST_F(Controls, TheUpDownSitsAgainstItsBuddyAndWritesItsPositionThere) {
  Spin s = MakeSpin();
  RECT edit, spin;
  GetWindowRect(s.edit, &edit);
  GetWindowRect(s.spin, &spin);
  EXPECT_EQ(edit.left, 150);
  EXPECT_EQ(edit.right, 150 + 79 - 16); /* narrowed for the arrows */
  EXPECT_EQ(spin, (RECT{edit.right, edit.top, 229, edit.bottom}));
  EXPECT_EQ(Text(s.edit), u"500");
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETBUDDY, 0, 0), (LRESULT)s.edit);
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETRANGE, 0, 0), MAKELRESULT(16000, 20));

  wintest::g_seen.clear();
  EXPECT_EQ(SendMessageW(s.spin, UDM_SETPOS, 0, 16000), 500);
  EXPECT_EQ(Text(s.edit), u"16,000");
  EXPECT_EQ(Got(s.top, WM_COMMAND), (Pairs{{MAKEWPARAM(109, EN_UPDATE), (LPARAM)s.edit},
                                           {MAKEWPARAM(109, EN_CHANGE), (LPARAM)s.edit}}));
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETPOS, 0, 0), 16000);
  SendMessageW(s.spin, UDM_SETPOS, 0, 5);
  EXPECT_EQ(Text(s.edit), u"20"); /* kept in the range */
  /* The position comes back from the buddy's text, with an error flag in
   * the high word when that is no number of the range. */
  SetWindowTextW(s.edit, u"1,234");
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETPOS, 0, 0), 1234);
  SetWindowTextW(s.edit, u"12a");
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETPOS, 0, 0), MAKELRESULT(1234, 1));
  SetWindowTextW(s.edit, u"99999");
  EXPECT_NE(HIWORD(SendMessageW(s.spin, UDM_GETPOS, 0, 0)), 0);

  Spin plain = MakeSpin(UDS_NOTHOUSANDS);
  SendMessageW(plain.spin, UDM_SETPOS, 0, 12345 % 16000);
  EXPECT_EQ(Text(plain.edit), u"12345");
  UDACCEL accel[3] = {{0, 1}, {4, 10}, {8, 100}}, back[3] = {};
  EXPECT_TRUE(SendMessageW(s.spin, UDM_SETACCEL, 3, (LPARAM)accel));
  EXPECT_FALSE(SendMessageW(s.spin, UDM_SETACCEL, 0, (LPARAM)accel));
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETACCEL, 3, (LPARAM)back), 3);
  EXPECT_EQ(back[2].nInc, 100u);
}

TEST_F(Controls, AnArrowHeldNineSecondsStepsByOneThenTenThenAHundred) {
  Spin s{};
  /* The up arrow is the upper half of the control, right of the box. */
  auto script = Hold(1000, 10000, 221, kTop + 98 + 6);
  script.push_back(Step::Call(10100, [] { PostQuitMessage(0); }));
  RunLoop(script, [&] {
    s = MakeSpin();
    UDACCEL accel[3] = {{0, 1}, {4, 10}, {8, 100}};
    SendMessageW(s.spin, UDM_SETACCEL, 3, (LPARAM)accel);
    SendMessageW(s.spin, UDM_SETPOS, 0, 500);
    wintest::g_seen.clear();
  });
  std::vector<int> steps;
  std::vector<DWORD> times;
  int last = 500;
  bool ended = false;
  for (const wintest::Seen &m : wintest::g_seen) {
    if (m.hwnd != s.top || m.message != WM_VSCROLL) continue;
    EXPECT_EQ(m.lParam, (LPARAM)s.spin);
    if (LOWORD(m.wParam) == SB_ENDSCROLL) {
      ended = true;
      EXPECT_EQ(m.time, 10000u);
      continue;
    }
    ASSERT_EQ(LOWORD(m.wParam), SB_THUMBPOSITION);
    int pos = (SHORT)HIWORD(m.wParam);
    steps.push_back(pos - last);
    times.push_back(m.time);
    last = pos;
  }
  EXPECT_TRUE(ended);
  ASSERT_FALSE(steps.empty());
  /* Before 4 s held every step is 1, from 4 s on 10, from 8 s on 100. */
  for (size_t i = 0; i < steps.size(); ++i) {
    DWORD held = times[i] - 1000;
    int expected = held < 4000 ? 1 : held < 8000 ? 10 : 100;
    EXPECT_EQ(steps[i], expected) << "at " << held << " ms";
  }
  EXPECT_EQ(steps.front(), 1);
  EXPECT_EQ(steps.back(), 100);
  EXPECT_EQ(times.front(), 1000u); /* the press itself steps at once */
  EXPECT_EQ(last, 1936);
  EXPECT_EQ(SendMessageW(s.spin, UDM_GETPOS, 0, 0), 1936);
  EXPECT_EQ(Text(s.edit), u"1,936");
  /* Each step rewrote the box, which told the parent. */
  int changes = 0;
  for (auto &[w, l] : Got(s.top, WM_COMMAND)) changes += w == MAKEWPARAM(109, EN_CHANGE);
  EXPECT_EQ(changes, (int)steps.size());
}

TEST_F(Controls, TheUpArrowLeadsTowardTheUpperEndAndStopsThere) {
  Spin s{}, reversed{};
  RunLoop({Step::Tap(10, 221, kTop + 98 + 6), Step::Tap(20, 221, kTop + 98 + 6),
           Step::Tap(30, 221, kTop + 98 + 18),
           Step::Call(40, [&] {
             ShowWindow(s.top, SW_HIDE);
             ShowWindow(reversed.top, SW_SHOW);
           }),
           Step::Tap(50, 221, kTop + 98 + 6), Quit(60)},
          [&] {
            reversed = MakeSpin();
            SendMessageW(reversed.spin, UDM_SETRANGE, 0, MAKELPARAM(20, 16000));
            SendMessageW(reversed.spin, UDM_SETPOS, 0, 30);
            ShowWindow(reversed.top, SW_HIDE);
            s = MakeSpin();
            SendMessageW(s.spin, UDM_SETPOS, 0, 15999);
          });
  EXPECT_EQ(Text(s.edit), u"15,999"); /* up to 16,000, once more in vain, down */
  int moves = 0;
  for (auto &[w, l] : Got(s.top, WM_VSCROLL)) moves += LOWORD(w) == SB_THUMBPOSITION;
  EXPECT_EQ(moves, 2);
  EXPECT_EQ(Text(reversed.edit), u"29"); /* up toward 20 */
}

}  // namespace

#include <filesystem>

#include "common/wintest.h"
#include "host/screenshot.h"
#include "res/module.h"

namespace {

using namespace wintest;
using plat::host::Step;
using Pairs = std::vector<std::pair<WPARAM, LPARAM>>;

constexpr UINT_PTR kTimer = 7;

/* Where the screenshots of these tests go. */
std::string ShotPath(const char *name) {
  std::filesystem::create_directories(TONBROOK_SHOT_DIR);
  return std::string(TONBROOK_SHOT_DIR) + "/" + name;
}

/* The times the owner's timer fired between two moments. */
int TimersBetween(HWND hwnd, DWORD from, DWORD to) {
  int n = 0;
  for (const wintest::Seen &s : wintest::g_seen)
    n += s.hwnd == hwnd && s.message == WM_TIMER && s.time > from && s.time < to;
  return n;
}

/* The About box's procedure as the program has it, recording. */
HWND g_dlg;
LPARAM g_initParam;
std::vector<WORD> g_commands;

INT_PTR CALLBACK AboutProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      g_dlg = hDlg;
      g_initParam = lParam;
      SHINITDLGINFO shidi{SHIDIM_FLAGS, hDlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
      SHInitDialog(&shidi);
      return TRUE;
    }
    case WM_COMMAND:
      g_commands.push_back(LOWORD(wParam));
      if (LOWORD(wParam) == IDOK) {
        EndDialog(hDlg, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

LPCDLGTEMPLATEW AboutTemplate() {
  HINSTANCE inst = plat::ModuleInstance();
  return (LPCDLGTEMPLATEW)LoadResource(inst, FindResourceW(inst, MAKEINTRESOURCEW(103), RT_DIALOG));
}

class Dialogs : public Controls {
 protected:
  void SetUp() override {
    Controls::SetUp();
    g_dlg = nullptr;
    g_initParam = 0;
    g_commands.clear();
  }
};

TEST_F(Dialogs, TheAboutBoxFillsTheScreenSurvivesEscAndClosesOnItsCaptionOk) {
  HWND top = nullptr;
  INT_PTR result = 0;
  DWORD closedAt = 0;
  RECT rc{}, icon{};
  bool ownerEnabled = true, okDrawn = false;
  HWND active = nullptr;
  std::u16string version;
  RunLoop({Step::Call(10,
                      [&] {
                        result = DialogBoxIndirectParamW(plat::ModuleInstance(), AboutTemplate(), top,
                                                         AboutProc, 1234);
                        closedAt = GetTickCount();
                        PostQuitMessage(0);
                      }),
           Step::Call(100,
                      [&] {
                        GetWindowRect(g_dlg, &rc);
                        GetWindowRect(GetDlgItem(g_dlg, 101), &icon);
                        ownerEnabled = IsWindowEnabled(top);
                        active = GetActiveWindow();
                        HWND line = GetDlgItem(g_dlg, 0xFFFF);
                        if (line) version = Text(line);
                        EXPECT_TRUE(plat::host::WriteScreenshot(ShotPath("about.png")));
                        /* The navigation bar: the title, and "ok" at its right end. */
                        okDrawn = CountOf(RGB(255, 255, 255), RECT{240 - 30, 0, 240, 26}) > 0;
                      }),
           Step::Key(200, VK_ESCAPE), Step::Tap(300, 100, 13), Step::Tap(400, 225, 13)},
          [&] {
            top = Top();
            SetTimer(top, kTimer, 40, nullptr);
          });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(closedAt, 400u);
  EXPECT_EQ(g_initParam, 1234);
  EXPECT_EQ(g_commands, (std::vector<WORD>{IDCANCEL, IDOK})); /* Esc did not close it */
  EXPECT_EQ(rc, (RECT{0, 26, 240, 320}));
  EXPECT_EQ(icon.right - icon.left, 32); /* sized from the icon */
  EXPECT_EQ(version, u"Tonbrook Version 1.3");
  EXPECT_FALSE(ownerEnabled);
  EXPECT_EQ(active, g_dlg);
  EXPECT_TRUE(okDrawn);
  EXPECT_GE(TimersBetween(top, 10, 400), 9); /* the owner's timer went on */
  EXPECT_TRUE(IsWindowEnabled(top));
  EXPECT_FALSE(IsWindow(g_dlg));
  EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(Dialogs, TheAboutBoxShowsItsIconAndTextOnWhite) {
  RunLoop({Step::Call(10,
                      [&] {
                        DialogBoxIndirectParamW(plat::ModuleInstance(), AboutTemplate(), nullptr,
                                                AboutProc, 0);
                        PostQuitMessage(0);
                      }),
           Step::Call(50,
                      [&] {
                        RECT icon, text;
                        GetWindowRect(GetDlgItem(g_dlg, 101), &icon);
                        GetWindowRect(GetDlgItem(g_dlg, 0xFFFF), &text);
                        EXPECT_EQ(At(icon.left + 1, icon.top + 1), RGB(128, 0, 0));
                        EXPECT_GT(CountOf(RGB(0, 0, 0), text), 20); /* black text */
                        EXPECT_EQ(At(120, 300), RGB(255, 255, 255));
                        EndDialog(g_dlg, 5);
                      })});
}

TEST_F(Dialogs, AMessageBoxIsModalKeepsTheTimersGoingAndReturnsItsButton) {
  HWND top = nullptr;
  std::vector<int> results;
  bool ownerEnabled = true;
  std::u16string caption;
  auto show = [&](UINT type) {
    return [&, type] { results.push_back(MessageBoxW(top, u"Unable to start playback", u"Error", type)); };
  };
  auto tapOk = [] {
    POINT p = Middle(GetDlgItem(GetActiveWindow(), IDOK));
    plat::host::InjectTap(p.x, p.y);
  };
  RunLoop({Step::Call(10, show(MB_OK)),
           Step::Call(100,
                      [&] {
                        ownerEnabled = IsWindowEnabled(top);
                        caption = Text(GetActiveWindow());
                        EXPECT_TRUE(plat::host::WriteScreenshot(ShotPath("msgbox.png")));
                      }),
           Step::Call(200, tapOk),
           Step::Call(300, show(MB_OKCANCEL)), Step::Key(310, VK_ESCAPE),
           Step::Call(400, show(MB_YESNO)), Step::Key(410, VK_ESCAPE), Step::Key(420, VK_RETURN),
           Step::Call(500, show(MB_OK)), Step::Key(510, VK_ESCAPE),
           Step::Call(600, [] { PostQuitMessage(0); })},
          [&] {
            top = Top();
            SetTimer(top, kTimer, 40, nullptr);
          });
  EXPECT_EQ(results, (std::vector<int>{IDOK, IDCANCEL, IDYES, IDOK}));
  EXPECT_FALSE(ownerEnabled);
  EXPECT_EQ(caption, u"Error");
  EXPECT_GE(TimersBetween(top, 10, 200), 4);
  EXPECT_TRUE(IsWindowEnabled(top));
  EXPECT_EQ(MessageBoxW(nullptr, u"x", nullptr, 0x0F), 0); /* no such buttons */
}

/* A menu bar for top from the program's resources. */
HWND MenuBarFor(HWND top) {
  SHMENUBARINFO mbi{};
  mbi.cbSize = sizeof mbi;
  mbi.hwndParent = top;
  mbi.nToolBarId = 102;
  mbi.hInstRes = plat::ModuleInstance();
  return SHCreateMenuBar(&mbi) ? mbi.hwndMB : nullptr;
}

HWND PopupAt(int x, int y) {
  HWND hwnd = WindowFromPoint(POINT{x, y});
  return plat::user::FromHandle(hwnd)->cls->name == plat::user::kMenuClassName ? hwnd : nullptr;
}

TEST_F(Dialogs, TheMenuBarsFileButtonDropsItsMenuAndExitReachesTheOwner) {
  HWND top = nullptr, bar = nullptr, popup = nullptr;
  RECT popupRect{}, barRect{};
  bool closedByExit = false, closedByTapOutside = false;
  size_t commandsAfterOutside = 0;
  RunLoop({Step::Tap(10, 15, 307),
           Step::Call(20,
                      [&] {
                        popup = PopupAt(20, 285);
                        if (popup) GetWindowRect(popup, &popupRect);
                        EXPECT_TRUE(plat::host::WriteScreenshot(ShotPath("menubar.png")));
                        /* Black menu text on white, the button lit. */
                        EXPECT_GT(CountOf(RGB(0, 0, 0), popupRect), 30);
                        EXPECT_GT(CountOf(RGB(0, 0, 128), RECT{0, 295, 30, 320}), 100);
                      }),
           Step::Tap(30, 20, 283), /* Exit: below About and the separator */
           Step::Call(40, [&] { closedByExit = !IsWindow(popup); }),
           Step::Tap(50, 15, 307),
           Step::Tap(60, 120, 100),
           Step::Call(70,
                      [&] {
                        closedByTapOutside = !PopupAt(20, 285);
                        commandsAfterOutside = Got(top, WM_COMMAND).size();
                        PostQuitMessage(0);
                      })},
          [&] {
            top = Top();
            bar = MenuBarFor(top);
            RECT rc;
            GetWindowRect(top, &rc);
            MoveWindow(top, rc.left, rc.top, rc.right, rc.bottom - rc.top - 26, FALSE);
            GetWindowRect(bar, &barRect);
          });
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(barRect.top, 294);
  EXPECT_EQ(barRect.bottom, 320);
  EXPECT_EQ(barRect.right, 240);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popupRect.left, 0);
  EXPECT_EQ(popupRect.bottom, 294);
  EXPECT_TRUE(closedByExit);
  EXPECT_TRUE(closedByTapOutside);
  EXPECT_EQ(commandsAfterOutside, 1u);
  EXPECT_EQ(Got(top, WM_COMMAND), (Pairs{{40004, 0}}));
}

TEST_F(Dialogs, EscClosesTheFileMenuAndTheArrowsWithEnterChooseFromIt) {
  HWND top = nullptr;
  bool openAfterTap = false, closedByEsc = false, closedByEnter = false;
  RunLoop({Step::Tap(10, 15, 307),
           Step::Call(20, [&] { openAfterTap = PopupAt(20, 285) != nullptr; }),
           Step::Key(30, VK_ESCAPE),
           Step::Call(40, [&] { closedByEsc = !PopupAt(20, 285); }),
           Step::Tap(50, 15, 307),
           /* Down lights About, Down again skips the separator to Exit, Up
            * goes back to About. */
           Step::Key(60, VK_DOWN), Step::Key(70, VK_DOWN), Step::Key(80, VK_UP), Step::Key(90, VK_RETURN),
           Step::Call(100,
                      [&] {
                        closedByEnter = !PopupAt(20, 285);
                        PostQuitMessage(0);
                      })},
          [&] {
            top = Top();
            MenuBarFor(top);
          });
  EXPECT_TRUE(openAfterTap);
  EXPECT_TRUE(closedByEsc);
  EXPECT_TRUE(closedByEnter);
  EXPECT_EQ(Got(top, WM_COMMAND), (Pairs{{40003, 0}})) << "Esc chose something, or Enter chose the wrong item";
}

TEST_F(Dialogs, SpacePressesTheFocusedButtonOfAMessageBox) {
  HWND top = nullptr;
  std::vector<int> results;
  bool pushedWhileHeld = false;
  auto show = [&](UINT type) { return [&, type] { results.push_back(MessageBoxW(top, u"Play?", u"Error", type)); }; };
  auto keyDown = [](int vk) { return [vk] { plat::user::PostInput(plat::user::InputKind::KeyDown, vk, 0); }; };
  auto keyUp = [](int vk) { return [vk] { plat::user::PostInput(plat::user::InputKind::KeyUp, vk, 0); }; };
  RunLoop({Step::Call(10, show(MB_OK)),
           Step::Call(20, keyDown(VK_SPACE)),
           Step::Call(30,
                      [&] {
                        HWND ok = GetDlgItem(GetActiveWindow(), IDOK);
                        pushedWhileHeld = (SendMessageW(ok, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
                      }),
           Step::Call(40, keyUp(VK_SPACE)),
           Step::Call(100, show(MB_YESNO | MB_DEFBUTTON2)), Step::Key(110, VK_SPACE),
           Step::Call(200, [] { PostQuitMessage(0); })},
          [&] { top = Top(); });
  EXPECT_TRUE(pushedWhileHeld);
  EXPECT_EQ(results, (std::vector<int>{IDOK, IDNO}));
}

TEST_F(Dialogs, RaisingTheProgramActivatesItsWindowOrItsAboutBoxNeverTheMenuBar) {
  HWND top = nullptr, raisedTo = nullptr, raisedWithBox = nullptr;
  RunLoop({Step::Call(10,
                      [&] {
                        SetForegroundWindow((HWND)((ULONG_PTR)top | 1));
                        raisedTo = GetActiveWindow();
                        DialogBoxIndirectParamW(plat::ModuleInstance(), AboutTemplate(), top, AboutProc, 0);
                        PostQuitMessage(0);
                      }),
           Step::Call(20,
                      [&] {
                        SetForegroundWindow((HWND)((ULONG_PTR)top | 1));
                        raisedWithBox = GetActiveWindow();
                        EndDialog(g_dlg, IDOK);
                      })},
          [&] {
            top = Top();
            MenuBarFor(top);
          });
  EXPECT_EQ(raisedTo, top);
  EXPECT_EQ(raisedWithBox, g_dlg);
}

/* A template in memory: a caption-less pop-up with a default button. */
struct MemoryTemplate {
  alignas(4) WORD words[64] = {};
  size_t n = 0;
  void dword(DWORD d) {
    words[n++] = LOWORD(d);
    words[n++] = HIWORD(d);
  }
  void word(WORD w) { words[n++] = w; }
  void align() {
    if (n % 2) ++n;
  }
};

MemoryTemplate ButtonTemplate(WORD buttonClass) {
  MemoryTemplate t;
  t.dword(WS_POPUP | WS_VISIBLE);
  t.dword(0);
  t.word(1);
  for (WORD v : {0, 0, 100, 50}) t.word(v);
  t.word(0); /* no menu */
  t.word(0); /* the dialog class */
  t.word(0); /* no caption */
  t.align();
  t.dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON);
  t.dword(0);
  for (WORD v : {10, 10, 40, 14}) t.word(v);
  t.word(5);
  t.word(0xFFFF);
  t.word(buttonClass);
  t.word(u'G');
  t.word(u'o');
  t.word(0);
  t.word(0); /* no creation data */
  return t;
}

INT_PTR CALLBACK EndsOnAnyCommand(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG && lParam == 99) {
    EndDialog(hDlg, 99);
    return TRUE;
  }
  if (msg == WM_COMMAND) {
    EndDialog(hDlg, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

TEST_F(Dialogs, EnterChoosesTheDefaultButtonAndABadTemplateIsRefused) {
  MemoryTemplate good = ButtonTemplate(0x0080), bad = ButtonTemplate(0x0090);
  INT_PTR entered = 0, atOnce = 0, refused = 0;
  int focus = 0;
  RunLoop({Step::Call(10,
                      [&] {
                        entered = DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)good.words, nullptr,
                                                          EndsOnAnyCommand, 0);
                        atOnce = DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)good.words, nullptr,
                                                         EndsOnAnyCommand, 99);
                        refused = DialogBoxIndirectParamW(nullptr, (LPCDLGTEMPLATEW)bad.words, nullptr,
                                                          EndsOnAnyCommand, 0);
                        PostQuitMessage(0);
                      }),
           Step::Call(20, [&] { focus = GetDlgCtrlID(GetFocus()); }), Step::Key(30, VK_RETURN)});
  EXPECT_EQ(entered, 5);
  EXPECT_EQ(atOnce, 99);
  EXPECT_EQ(refused, -1);
  EXPECT_EQ(focus, 5); /* the tab stop has the focus */
}

}  // namespace

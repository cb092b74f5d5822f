/* Controls and the message queue used in ways the program never uses them
 * but a careless caller might: windows destroyed from inside their own
 * notifications, buttons outside their parent's child list, forged timer
 * messages, an up-down without a buddy. Run under the sanitizers, a read of
 * freed memory or past a list fails here. */
#include "common/wintest.h"

namespace {

using namespace wintest;
using plat::host::Step;

constexpr int kTop = 26;

/* An up-down with an edit box as its buddy, as the program makes it. */
HWND SpinIn(HWND top, DWORD style) {
  INITCOMMONCONTROLSEX icex{sizeof icex, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&icex);
  HWND edit = CreateWindowExW(WS_EX_NOACTIVATE, u"EDIT", u"", WS_CHILD | WS_VISIBLE | ES_READONLY, 150,
                              98, 79, 24, top, (HMENU)109, nullptr, nullptr);
  return CreateUpDownControl(WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | style, 235, 98, 79, 24, top, 108,
                             nullptr, edit, 16000, 20, 500);
}

TEST_F(Controls, AnUpDownDestroyedByItsParentWhileItHearsOfAStepStopsThere) {
  for (UINT killOn : {(UINT)WM_NOTIFY, (UINT)WM_VSCROLL}) {
    SCOPED_TRACE(killOn == WM_NOTIFY ? "UDN_DELTAPOS" : "WM_VSCROLL");
    HWND top = nullptr, spin = nullptr;
    wintest::g_handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT *result) {
      if (hwnd != top || msg != killOn || !IsWindow(spin)) return false;
      DestroyWindow(spin);
      *result = 0;
      return true;
    };
    /* A hold, so that a timer would step again if it had been set. */
    RunLoop({Step::Call(10, [] { plat::user::PostInput(plat::user::InputKind::ButtonDown, 221, kTop + 104); }),
             Step::Call(2000, [] { plat::user::PostInput(plat::user::InputKind::ButtonUp, 221, kTop + 104); }),
             Step::Call(2010, [] { PostQuitMessage(0); })},
            [&] {
              top = Top();
              spin = SpinIn(top, UDS_SETBUDDYINT);
            });
    EXPECT_FALSE(IsWindow(spin));
    EXPECT_EQ(Count(top, WM_NOTIFY), 1) << "the destroyed control went on stepping";
    wintest::g_handler = nullptr;
    wintest::g_seen.clear();
  }
}

TEST_F(Controls, UdmGetPosFlagsAnErrorWhenThereIsNoBuddyNumberToRead) {
  HWND top = Top();
  HWND kept = SpinIn(top, UDS_SETBUDDYINT);
  HWND unkept = SpinIn(top, 0);
  HWND alone = CreateUpDownControl(WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT, 0, 0, 16, 24, top, 110, nullptr,
                                   nullptr, 100, 0, 42);
  EXPECT_EQ(SendMessageW(kept, UDM_GETPOS, 0, 0), MAKELRESULT(500, 0));
  EXPECT_EQ(SendMessageW(unkept, UDM_GETPOS, 0, 0), MAKELRESULT(500, 1));
  EXPECT_EQ(SendMessageW(alone, UDM_GETPOS, 0, 0), MAKELRESULT(42, 1));
}

TEST_F(Controls, AnAutoRadioButtonOutsideItsParentsChildListChecksOnlyItself) {
  HWND top = Top();
  HWND inside = Make(top, u"BUTTON", u"Sine", BS_AUTORADIOBUTTON | WS_GROUP, 5, 10, 79, 24, 103);
  SendMessageW(inside, BM_SETCHECK, BST_CHECKED, 0);
  /* A pop-up button is owned by top but is none of its children. */
  HWND owned = CreateWindowExW(0, u"BUTTON", u"Apart", WS_POPUP | WS_VISIBLE | BS_AUTORADIOBUTTON, 5, 200,
                               79, 24, top, nullptr, nullptr, nullptr);
  ASSERT_NE(owned, nullptr);
  SendMessageW(owned, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(owned, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(inside, BM_GETCHECK, 0, 0), BST_CHECKED);
}

int g_timerCalls;
void CALLBACK CountingTimerProc(HWND, UINT, UINT_PTR, DWORD) { ++g_timerCalls; }
void CALLBACK NeverSetProc(HWND, UINT, UINT_PTR, DWORD) { ADD_FAILURE() << "a forged WM_TIMER was called"; }

TEST_F(Controls, DispatchCallsOnlyTheProcedureOfALiveTimer) {
  HWND top = Top();
  g_timerCalls = 0;
  UINT_PTR id = SetTimer(top, 5, 40, CountingTimerProc);
  ASSERT_NE(id, 0u);
  MSG real{top, WM_TIMER, id, (LPARAM)CountingTimerProc, 0, {}};
  MSG forged{top, WM_TIMER, id, (LPARAM)NeverSetProc, 0, {}};
  MSG junk{top, WM_TIMER, id, (LPARAM)0x1234, 0, {}};
  DispatchMessageW(&real);
  EXPECT_EQ(DispatchMessageW(&forged), 0);
  EXPECT_EQ(DispatchMessageW(&junk), 0);
  KillTimer(top, id);
  DispatchMessageW(&real); /* stale: its timer is gone */
  EXPECT_EQ(g_timerCalls, 1);
  EXPECT_EQ(Count(top, WM_TIMER), 0) << "a timer message with a procedure reached the window";
}

}  // namespace

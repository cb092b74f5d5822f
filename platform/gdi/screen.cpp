/*
 * The handheld's screen: the framebuffer that window DCs draw on, its
 * change count, and the navigation bar with the active window's title
 * (and an "ok" for a window with WS_EX_CAPTIONOKBTN).
 */
#include <optional>
#include <string>
#include <utility>

#include "gdi/gdi.h"
#include "user/user.h"

namespace plat::gdi {
namespace {

constexpr int kTitleLeft = 6;
/* The "ok" of a window with WS_EX_CAPTIONOKBTN fills the bar's right end;
 * the shell lays the window that takes its taps over the same place. */
constexpr int kOkWidth = 30;

struct ScreenState {
  Bitmap bitmap{kScreenWidth, kScreenHeight, std::vector<uint32_t>((size_t)kScreenWidth * kScreenHeight, 0)};
  uint64_t version = 0;
  std::optional<std::pair<std::u16string, bool>> barTitle; /* as last drawn, with "ok" */
};

ScreenState &State() {
  static ScreenState s;
  return s;
}

/* The bold system font the bar's title is written in. */
HGDIOBJ TitleFont() {
  static HGDIOBJ font = [] {
    LOGFONTW lf;
    GetObjectW(Stock(SYSTEM_FONT), sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    HGDIOBJ h = CreateFontIndirectW(&lf);
    MarkStock(h);
    return h;
  }();
  return font;
}

/* A white ring with "ok" in it. */
void PaintOk(HDC hdc) {
  HGDIOBJ pen = SelectObject(hdc, GetStockObject(WHITE_PEN));
  HGDIOBJ brush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
  Ellipse(hdc, kScreenWidth - kOkWidth + 2, 3, kScreenWidth - 2, kNavBarHeight - 3);
  SelectObject(hdc, pen);
  SelectObject(hdc, brush);
  RECT ok{kScreenWidth - kOkWidth, 0, kScreenWidth, kNavBarHeight};
  DrawTextW(hdc, u"ok", 2, &ok, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
}

}  // namespace

Bitmap &Screen() { return State().bitmap; }

uint64_t ScreenVersion() { return State().version; }

void ScreenChanged() { ++State().version; }

void PaintNavigationBar() {
  static const std::u16string kNoTitle;
  ScreenState &s = State();
  user::Window *active = user::FromHandle(GetActiveWindow());
  const std::u16string &title = active ? active->text : kNoTitle;
  bool ok = active && (active->exStyle & WS_EX_CAPTIONOKBTN);
  if (s.barTitle && s.barTitle->first == title && s.barTitle->second == ok) return;
  s.barTitle = std::make_pair(title, ok);
  Dc dc;
  dc.kind = Dc::Kind::Window;
  dc.clip = {RECT{0, 0, kScreenWidth, kNavBarHeight}};
  dc.font = TitleFont();
  dc.textColor = GetSysColor(COLOR_CAPTIONTEXT);
  dc.bkMode = TRANSPARENT;
  HDC hdc = (HDC)AddObject(std::move(dc));
  RECT bar{0, 0, kScreenWidth, kNavBarHeight};
  FillRect(hdc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
  RECT text{kTitleLeft, 0, kScreenWidth - (ok ? kOkWidth : kTitleLeft), kNavBarHeight};
  DrawTextW(hdc, title.c_str(), (int)title.size(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (ok) PaintOk(hdc);
  RemoveObject(hdc);
}

void ResetScreen() {
  ScreenState &s = State();
  std::fill(s.bitmap.pixels.begin(), s.bitmap.pixels.end(), 0);
  s.barTitle.reset();
  ScreenChanged();
}

}  // namespace plat::gdi

/*
 * The handheld's screen: the framebuffer that window DCs draw on, its
 * change count, and the navigation bar with the active window's title.
 */
#include <optional>
#include <string>

#include "gdi/gdi.h"
#include "user/user.h"

namespace plat::gdi {
namespace {

constexpr int kTitleLeft = 6;

struct ScreenState {
  Bitmap bitmap{kScreenWidth, kScreenHeight, std::vector<uint32_t>((size_t)kScreenWidth * kScreenHeight, 0)};
  uint64_t version = 0;
  std::optional<std::u16string> barTitle; /* as last drawn */
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

std::u16string ActiveTitle() {
  user::Window *w = user::FromHandle(GetActiveWindow());
  return w ? w->text : std::u16string();
}

}  // namespace

Bitmap &Screen() { return State().bitmap; }

uint64_t ScreenVersion() { return State().version; }

void ScreenChanged() { ++State().version; }

void PaintNavigationBar() {
  ScreenState &s = State();
  std::u16string title = ActiveTitle();
  if (s.barTitle == title) return;
  s.barTitle = title;
  Dc dc;
  dc.kind = Dc::Kind::Window;
  dc.clip = {RECT{0, 0, kScreenWidth, kNavBarHeight}};
  dc.font = TitleFont();
  dc.textColor = GetSysColor(COLOR_CAPTIONTEXT);
  dc.bkMode = TRANSPARENT;
  HDC hdc = (HDC)AddObject(std::move(dc));
  RECT bar{0, 0, kScreenWidth, kNavBarHeight};
  FillRect(hdc, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
  RECT text{kTitleLeft, 0, kScreenWidth - kTitleLeft, kNavBarHeight};
  DrawTextW(hdc, title.c_str(), (int)title.size(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  RemoveObject(hdc);
}

void ResetScreen() {
  ScreenState &s = State();
  std::fill(s.bitmap.pixels.begin(), s.bitmap.pixels.end(), 0);
  s.barTitle.reset();
  ScreenChanged();
}

}  // namespace plat::gdi

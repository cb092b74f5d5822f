/*
 * The SDL backend: the screen in a resizable desktop window, integer-scaled
 * with nearest-neighbour pixels and repainted only when it changed; the
 * window grows to 8x the screen at most, since SDL draws through a buffer
 * of the window's size; the left mouse button as the stylus, the keyboard
 * as keys, the window's close button as WM_CLOSE to the program's top-level
 * window and its minimising as WM_SIZE with SIZE_MINIMIZED.
 */
#include "host/desktop.h"

#include <SDL.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "controls/controls.h"
#include "gdi/gdi.h"
#include "host/xconnection.h"
#include "kernel/kernel.h"
#include "user/findwnd.h"
#include "user/user.h"

namespace plat::host {
namespace {

constexpr int kDefaultScale = 2;
constexpr int kMaxScale = 8;

/* Floor division, for points left of or above the screen. */
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

/* The window a close of the desktop window asks to close: the owner at the
 * root of the active window (the main window when a dialog is up), else the
 * topmost top-level window. */
HWND ProgramWindow() {
  HWND hwnd = user::TopLevelOf(GetActiveWindow());
  if (!hwnd) {
    std::vector<HWND> tops = user::TopLevelWindows();
    if (!tops.empty()) hwnd = tops.front();
  }
  for (user::Window *w = user::FromHandle(hwnd); w && user::FromHandle(w->owner); w = user::FromHandle(w->owner))
    hwnd = w->owner;
  return hwnd;
}

/* An icon image as a 32-bit surface whose masked pixels are transparent;
 * nullptr when SDL cannot make one. */
SDL_Surface *IconSurface(const gdi::Icon &icon) {
  const gdi::Bitmap &image = icon.image;
  SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return nullptr;
  for (int y = 0; y < image.height; y++) {
    auto *row = (uint32_t *)((uint8_t *)surface->pixels + (size_t)y * surface->pitch);
    for (int x = 0; x < image.width; x++) {
      size_t i = (size_t)y * image.width + x;
      bool clear = i < icon.mask.size() && icon.mask[i];
      row[x] = clear ? 0 : 0xFF000000u | image.pixels[i];
    }
  }
  return surface;
}

/* Asks the program to end, as closing its window does: WM_CLOSE to the
 * program's window, or quit when it has none. */
void AskToEnd() {
  if (HWND hwnd = ProgramWindow())
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
  else
    PostQuitMessage(0);
}

/* SIGINT and SIGTERM end the program as closing its window does: the
 * handler notes the signal and ends the wait through the eventfd. */
volatile sig_atomic_t g_signalled = 0;
int g_signalFd = -1;

void OnSignal(int) {
  int saved = errno;
  g_signalled = 1;
  if (g_signalFd >= 0) eventfd_write(g_signalFd, 1);
  errno = saved;
}

class Desktop : public Backend {
 public:
  /* On x11 the wait watches the connection and the eventfd itself; for
   * another driver, or without an eventfd, it is SDL's wait. SIGINT and
   * SIGTERM are caught unless the program was started ignoring them. */
  Desktop(SDL_Window *window, Uint32 wakeEvent)
      : m_window(window), m_wakeEvent(wakeEvent), m_xfd(XConnectionOf(window)),
        m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    g_signalFd = m_wakeFd;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < std::size(kSignals); i++) {
      sigaction(kSignals[i], nullptr, &m_oldActions[i]);
      if (m_oldActions[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &sa, nullptr);
    }
  }
  ~Desktop() override {
    for (size_t i = 0; i < std::size(kSignals); i++) sigaction(kSignals[i], &m_oldActions[i], nullptr);
    g_signalFd = -1;
    if (m_wakeFd >= 0) close(m_wakeFd);
    SDL_DestroyWindow(m_window);
  }

  uint64_t Now() override {
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  /* Shows what changed, then waits for input or a wake-up until the
   * deadline and handles all that came. */
  void Wait(std::optional<uint64_t> deadline) override {
    bool drew = Present();
    if (m_xfd < 0 || m_wakeFd < 0) {
      WaitForSdl(deadline);
    } else {
      /* Drawing may have read events off the connection into Xlib's own
       * queue, where poll() cannot see them. */
      if (drew) HandleAll();
      WaitForConnection(deadline);
    }
    if (m_raise.exchange(false)) {
      SDL_RestoreWindow(m_window);
      SDL_RaiseWindow(m_window);
    }
    if (g_signalled) {
      g_signalled = 0;
      AskToEnd();
    }
  }

  /* A wake-up is a count on the eventfd, or an SDL event for a driver
   * whose connection poll() cannot watch; one is enough until it is seen. */
  void Wake() override {
    if (m_wakePending.exchange(true)) return;
    if (m_xfd >= 0 && m_wakeFd >= 0) {
      eventfd_write(m_wakeFd, 1);
      return;
    }
    SDL_Event ev{};
    ev.type = m_wakeEvent;
    SDL_PushEvent(&ev);
  }

  void Raise() override {
    m_raise = true;
    Wake();
  }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM};

  /* SDL's own wait, for drivers other than x11. */
  void WaitForSdl(std::optional<uint64_t> deadline) {
    SDL_Event ev;
    int got;
    if (!deadline) {
      got = SDL_WaitEvent(&ev);
    } else {
      uint64_t now = Now();
      got = *deadline <= now ? SDL_PollEvent(&ev)
                             : SDL_WaitEventTimeout(&ev, (int)std::min<uint64_t>(*deadline - now, INT_MAX));
    }
    if (got) Handle(ev);
    HandleAll();
  }

  /* Sleeps in poll() on the X connection and the eventfd until the
   * deadline, so that a timer's wake-up costs one poll; SDL reads the
   * connection only when it has something or a wake-up asks to raise the
   * window. What other threads push into SDL's queue (device events) needs
   * no answer here: the wave device watches for it as it is pushed. */
  void WaitForConnection(std::optional<uint64_t> deadline) {
    int timeout = -1;
    if (deadline) {
      uint64_t now = Now();
      timeout = *deadline <= now ? 0 : (int)std::min<uint64_t>(*deadline - now, INT_MAX);
    }
    pollfd fds[2] = {{m_xfd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    poll(fds, 2, timeout);
    if (fds[1].revents) {
      m_wakePending = false;
      eventfd_t count;
      eventfd_read(m_wakeFd, &count);
    }
    if (fds[0].revents || m_raise) HandleAll();
  }

  /* Takes every event SDL has, reading the connection first. */
  void HandleAll() {
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) Handle(ev);
  }

  void Handle(const SDL_Event &ev) {
    if (ev.type == m_wakeEvent) {
      m_wakePending = false;
      return;
    }
    switch (ev.type) {
      case SDL_QUIT:
        AskToEnd();
        break;
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED || ev.window.event == SDL_WINDOWEVENT_EXPOSED)
          m_shown = UINT64_MAX;
        if (ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) KeepWithinMaximum(ev.window.data1, ev.window.data2);
        /* Minimising the desktop window minimises the program's window. */
        if (ev.window.event == SDL_WINDOWEVENT_MINIMIZED) {
          if (HWND hwnd = ProgramWindow()) PostMessageW(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (ev.button.button == SDL_BUTTON_LEFT) Stylus(ev.type == SDL_MOUSEBUTTONDOWN, ev.button.x, ev.button.y);
        break;
      case SDL_MOUSEMOTION:
        if (m_pressed) {
          POINT pt = ScreenPointOf(m_layout, ev.motion.x, ev.motion.y);
          user::PostInput(user::InputKind::ButtonMove, pt.x, pt.y);
        }
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (int vk = VirtualKeyOf(ev.key.keysym.sym))
          user::PostInput(ev.type == SDL_KEYDOWN ? user::InputKind::KeyDown : user::InputKind::KeyUp, vk, 0);
        break;
      default:
        break;
    }
  }

  /* Puts a window made larger than its maximum (by a window manager or a
   * tool that ignores the size hints) back to the maximum, so that the
   * buffer SDL draws it through stays bounded and can always be had. */
  void KeepWithinMaximum(int width, int height) {
    int maxWidth = gdi::kScreenWidth * kMaxScale, maxHeight = gdi::kScreenHeight * kMaxScale;
    if (width > maxWidth || height > maxHeight)
      SDL_SetWindowSize(m_window, std::min(width, maxWidth), std::min(height, maxHeight));
  }

  /* A press starts on the screen only; the release goes wherever the mouse
   * is, since SDL keeps the mouse for the window while it is held. */
  void Stylus(bool down, int x, int y) {
    POINT pt = ScreenPointOf(m_layout, x, y);
    if (down) {
      if (pt.x < 0 || pt.y < 0 || pt.x >= gdi::kScreenWidth || pt.y >= gdi::kScreenHeight) return;
      m_pressed = true;
      SDL_CaptureMouse(SDL_TRUE);
      user::PostInput(user::InputKind::ButtonDown, pt.x, pt.y);
    } else if (m_pressed) {
      m_pressed = false;
      SDL_CaptureMouse(SDL_FALSE);
      user::PostInput(user::InputKind::ButtonUp, pt.x, pt.y);
    }
  }

  /* Puts the screen in the window when it changed since it was last shown,
   * and the active window's title on the desktop window. True when it asked
   * anything of the window. */
  bool Present() {
    bool told = ShowOnceThereIsAWindow();
    told |= ShowClassIcon();
    gdi::PaintNavigationBar();
    told |= ShowTitle();
    return ShowScreen() || told;
  }

  /* Copies the screen into the window when it changed; true when it did. */
  bool ShowScreen() {
    if (gdi::ScreenVersion() == m_shown) return false;
    SDL_Surface *target = SDL_GetWindowSurface(m_window);
    if (!target) return true;
    m_layout = LayoutFor(target->w, target->h);
    gdi::Bitmap &screen = gdi::Screen();
    SDL_Surface *source = SDL_CreateRGBSurfaceWithFormatFrom(
        screen.pixels.data(), screen.width, screen.height, 32, screen.width * 4, SDL_PIXELFORMAT_RGB888);
    if (!source) return true;
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
    SDL_Rect to{m_layout.left, m_layout.top, screen.width * m_layout.scale, screen.height * m_layout.scale};
    SDL_BlitScaled(source, nullptr, target, &to);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(m_window);
    m_shown = gdi::ScreenVersion();
    return true;
  }

  /* Gives the desktop window the active window's title; true when it
   * changed. */
  bool ShowTitle() {
    static const std::u16string kNoTitle;
    user::Window *active = user::FromHandle(GetActiveWindow());
    const std::u16string &title = active ? active->text : kNoTitle;
    if (title == m_title) return false;
    m_title = title;
    SDL_SetWindowTitle(m_window, Utf8(title).c_str());
    return true;
  }

  /* The desktop window is made hidden and shows once the program has a
   * visible window, so a start that only finds the running program and
   * raises it never flashes a window of its own. True when it showed. */
  bool ShowOnceThereIsAWindow() {
    if (m_visible) return false;
    for (HWND top : user::TopLevelWindows()) {
      if (!IsWindowVisible(top)) continue;
      SDL_ShowWindow(m_window);
      m_visible = true;
      return true;
    }
    return false;
  }

  /* Gives the desktop window the icon of the program window's class, once
   * there is one; a class without an icon leaves SDL's default. It looks
   * again when the active window changes. True when it gave one. */
  bool ShowClassIcon() {
    HWND active = GetActiveWindow();
    if (m_icon && active == m_iconActive) return false;
    m_iconActive = active;
    user::Window *w = user::FromHandle(ProgramWindow());
    HICON hIcon = w ? w->cls->wc.hIcon : nullptr;
    if (hIcon == m_icon) return false;
    m_icon = hIcon;
    const gdi::Icon *icon = gdi::FindAs<gdi::Icon>(hIcon);
    if (!icon) return false;
    SDL_Surface *surface = IconSurface(*icon);
    if (!surface) return false;
    SDL_SetWindowIcon(m_window, surface);
    SDL_FreeSurface(surface);
    return true;
  }

  SDL_Window *m_window;
  Uint32 m_wakeEvent;
  HICON m_icon = nullptr;
  HWND m_iconActive = nullptr;
  int m_xfd;
  int m_wakeFd;
  struct sigaction m_oldActions[std::size(kSignals)] {};
  std::atomic<bool> m_wakePending{false};
  std::atomic<bool> m_raise{false};
  Layout m_layout{kDefaultScale, 0, 0};
  uint64_t m_shown = UINT64_MAX;
  std::u16string m_title;
  bool m_pressed = false;
  bool m_visible = false;
};

std::shared_ptr<Desktop> g_desktop;

bool Fail(const char *what, const char *why) {
  std::fprintf(stderr, "%s: %s: %s\n", ProgramName().c_str(), what, why);
  return false;
}

/* The display settings a start looked at, for its message. */
std::string DisplaySettings() {
  std::string settings;
  for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char *value = std::getenv(name);
    if (!value) continue;
    if (!settings.empty()) settings += ", ";
    settings += std::string(name) + "=\"" + value + "\"";
  }
  return settings.empty() ? "DISPLAY, which is not set" : settings;
}

/* SDL's video drivers for the displays that are set, in SDL's own order. */
const char *DisplayDrivers() {
  if (!std::getenv("WAYLAND_DISPLAY")) return "x11";
  return std::getenv("DISPLAY") ? "x11,wayland" : "wayland";
}

}  // namespace

Layout LayoutFor(int windowWidth, int windowHeight) {
  Layout l;
  l.scale = std::clamp(std::min(windowWidth / gdi::kScreenWidth, windowHeight / gdi::kScreenHeight), 1, kMaxScale);
  l.left = (windowWidth - gdi::kScreenWidth * l.scale) / 2;
  l.top = (windowHeight - gdi::kScreenHeight * l.scale) / 2;
  return l;
}

POINT ScreenPointOf(const Layout &layout, int x, int y) {
  return POINT{FloorDiv(x - layout.left, layout.scale), FloorDiv(y - layout.top, layout.scale)};
}

int VirtualKeyOf(int sdlKey) {
  if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
  if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return sdlKey;
  if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return VK_F1 + (sdlKey - SDLK_F1);
  if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (sdlKey - SDLK_KP_1);
  switch (sdlKey) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    default: return 0;
  }
}

bool StartDesktop() {
  if (g_desktop) return true;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    return Fail("no display", "set DISPLAY or WAYLAND_DISPLAY to show the handheld on the desktop");
  /* The screen goes to the window through SDL's plain framebuffer: no
   * renderer, so no OpenGL driver is loaded for 240 x 320 pixels. */
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  /* SIGINT and SIGTERM are the backend's own, so that they wake its wait. */
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  /* Unless the user names a driver, only those of the displays set are
   * tried: when none opens, SDL would fall back on its own to one that
   * draws nowhere, and the program would run on where nobody sees it. */
  const char *named = std::getenv("SDL_VIDEODRIVER");
  bool chosen = named && *named;
  if (!chosen) SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, DisplayDrivers(), SDL_HINT_OVERRIDE);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::string why = chosen ? SDL_GetError() : "no display can be opened at " + DisplaySettings();
    return Fail("cannot open the desktop window", why.c_str());
  }
  Uint32 wakeEvent = SDL_RegisterEvents(1);
  SDL_Window *window = SDL_CreateWindow("Tonbrook", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        gdi::kScreenWidth * kDefaultScale, gdi::kScreenHeight * kDefaultScale,
                                        SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (wakeEvent == (Uint32)-1 || !window) {
    Fail("cannot open the desktop window", SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  SDL_SetWindowMinimumSize(window, gdi::kScreenWidth, gdi::kScreenHeight);
  SDL_SetWindowMaximumSize(window, gdi::kScreenWidth * kMaxScale, gdi::kScreenHeight * kMaxScale);
  gdi::Install();
  controls::Install();
  g_desktop = std::make_shared<Desktop>(window, wakeEvent);
  Use(g_desktop);
  return true;
}

/* SDL itself stays up to the end of the process: its X libraries keep what
 * they allocated, and a later StartDesktop finds it ready. */
void StopDesktop() {
  if (!g_desktop) return;
  Use(nullptr);
  g_desktop.reset();
}

/* The names the program still holds go as its WinMain returns, while its
 * globals are still there for the threads that answer on them. */
int RunProgram(WinMainFn winMain, HINSTANCE hInstance) {
  static WCHAR noCommandLine[] = u"";
  const char *host = std::getenv("TONBROOK_HOST");
  if (host && std::string(host) == "headless") {
    int code = RunWinMainUnattended(winMain, hInstance);
    user::ReleaseNames();
    return code;
  }
  if (!StartDesktop()) return 1;
  int code = winMain(hInstance, nullptr, noCommandLine, SW_SHOW);
  user::ReleaseNames();
  StopDesktop();
  return code;
}

}  // namespace plat::host

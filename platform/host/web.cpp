/*
 * The browser backend: the page (web/host.js) is the handheld. Its canvas
 * shows the screen, which is handed over whenever the program would wait
 * and the screen changed; its pointer events are the stylus and its
 * keyboard the keys, which the page gives through tonbrook_input; the
 * clock is the page's.
 *
 * The program runs on the page's one thread. A wait calls the page's
 * tonbrook.wait, which binaryen's asyncify turns into a return to the
 * browser: the program's stack is kept in the unwind buffer, the page
 * handles its events (input comes in meanwhile), and the call resumes when
 * input came or the time is up. So GetMessageW, modal loops and message
 * boxes keep their blocking shape.
 *
 * The program's start-up is here too: tonbrook_start runs its WinMain on
 * this backend, which is the system backend of the browser build. The
 * module is a reactor (the page calls _initialize once, for the static
 * constructors, then tonbrook_start): a command module would run them
 * again, and the destructors, around every call the page makes into it.
 */
#include <limits.h>
#include <time.h>

#include <algorithm>

#include "controls/controls.h"
#include "gdi/gdi.h"
#include "host/host.h"
#include "res/module.h"
#include "user/user.h"

#define TONBROOK_IMPORT(name) __attribute__((import_module("tonbrook"), import_name(name)))
#define TONBROOK_EXPORT(name) __attribute__((export_name(name)))

extern "C" {
TONBROOK_IMPORT("present") void TonbrookPresent(const uint32_t *pixels);
TONBROOK_IMPORT("wait") int TonbrookWait(int ms);
}

namespace plat::host {
namespace {

/* Room for the frames of the deepest wait (a message box over a dialog). */
constexpr size_t kUnwindBytes = 65536;
alignas(16) char s_unwind[kUnwindBytes];

/* What tonbrook_input's kind says. */
enum PageInput { kDown = 1, kMove = 2, kUp = 3, kKeyDown = 4, kKeyUp = 5 };

class Page : public Backend {
 public:
  uint64_t Now() override {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
  }

  /* Shows the screen when it changed, then returns to the page until input
   * comes or the deadline passes; at once when woken since the last wait. */
  void Wait(std::optional<uint64_t> deadline) override {
    Present();
    if (m_woken) {
      m_woken = false;
      return;
    }
    int ms = -1;
    if (deadline) {
      uint64_t now = Now();
      ms = (int)std::min<uint64_t>(*deadline > now ? *deadline - now : 0, INT_MAX);
    }
    TonbrookWait(ms);
    m_woken = false;
  }

  /* Everything runs on the page's thread: a wake comes before the wait. */
  void Wake() override { m_woken = true; }

  /* The page is the front. */
  void Raise() override {}

 private:
  void Present() {
    gdi::PaintNavigationBar();
    if (gdi::ScreenVersion() == m_shown) return;
    m_shown = gdi::ScreenVersion();
    TonbrookPresent(gdi::Screen().pixels.data());
  }

  bool m_woken = false;
  uint64_t m_shown = UINT64_MAX;
};

}  // namespace

std::shared_ptr<Backend> SystemBackend() { return std::make_shared<Page>(); }

}  // namespace plat::host

using namespace plat;

extern "C" {

/* The buffer asyncify keeps the program's stack in while it waits. */
TONBROOK_EXPORT("tonbrook_unwind_buffer") void *TonbrookUnwindBuffer() { return host::s_unwind; }

/* Input from the page: the stylus at a screen point, or a key (a virtual-key
 * code) pressed with Ctrl held or not. A key pressed with Ctrl comes as
 * Ctrl down, the key down and Ctrl up, so that an accelerator sees Ctrl
 * held; its release comes alone. Kinds the page does not give are ignored. */
TONBROOK_EXPORT("tonbrook_input") void TonbrookInput(int kind, int x, int y, int key, int ctrl) {
  switch (kind) {
    case host::kDown: user::PostInput(user::InputKind::ButtonDown, x, y); break;
    case host::kMove: user::PostInput(user::InputKind::ButtonMove, x, y); break;
    case host::kUp: user::PostInput(user::InputKind::ButtonUp, x, y); break;
    case host::kKeyDown:
      if (ctrl) user::PostInput(user::InputKind::KeyDown, VK_CONTROL, 0);
      user::PostInput(user::InputKind::KeyDown, key, 0);
      if (ctrl) user::PostInput(user::InputKind::KeyUp, VK_CONTROL, 0);
      break;
    case host::kKeyUp: user::PostInput(user::InputKind::KeyUp, key, 0); break;
    default: break;
  }
}

}  // extern "C"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

/* Starts the program as the handheld's runtime does: the graphics layer and
 * the system's controls, then its WinMain; returns its exit code. */
extern "C" TONBROOK_EXPORT("tonbrook_start") int TonbrookStart() {
  static WCHAR noCommandLine[] = u"";
  gdi::Install();
  controls::Install();
  return WinMain(ModuleInstance(), nullptr, noCommandLine, SW_SHOW);
}

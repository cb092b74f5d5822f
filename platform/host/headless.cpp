#include "host/headless.h"

#include <algorithm>

#include "controls/controls.h"
#include "gdi/gdi.h"
#include "kernel/kernel.h"
#include "user/user.h"

namespace plat::host {

Headless::Headless(Script script, bool unattended) : m_unattended(unattended) {
  std::stable_sort(script.begin(), script.end(),
                   [](const Step &a, const Step &b) { return a.at < b.at; });
  m_steps.assign(std::make_move_iterator(script.begin()), std::make_move_iterator(script.end()));
}

uint64_t Headless::Now() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_unattended)
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                           m_started)
        .count();
  return m_clock;
}

void Headless::Wait(std::optional<uint64_t> deadline) {
  Step step;
  {
    std::unique_lock<std::mutex> hold(m_lock);
    if (m_woken) {
      m_woken = false;
      return;
    }
    if (m_unattended) {
      WaitInRealTime(hold, deadline);
      return;
    }
    std::optional<uint64_t> until = deadline;
    if (!m_steps.empty()) until = std::min(until.value_or(UINT64_MAX), m_steps.front().at);
    if (!until) {
      m_wake.wait(hold, [&] { return m_woken; });
      m_woken = false;
      return;
    }
    m_clock = std::max(m_clock, *until);
    if (m_steps.empty() || m_steps.front().at > m_clock) return;
    step = std::move(m_steps.front());
    m_steps.pop_front();
  }
  switch (step.kind) {
    case Step::Kind::Tap:
      InjectTap(step.x, step.y);
      break;
    case Step::Kind::Key:
      InjectKey(step.vk, step.ctrl);
      break;
    case Step::Kind::Call:
      step.fn();
      break;
  }
}

/* An unattended host has no script to hurry through: it waits on the real
 * clock, so that a program with a timer does not spin. */
void Headless::WaitInRealTime(std::unique_lock<std::mutex> &hold, std::optional<uint64_t> deadline) {
  auto woken = [&] { return m_woken; };
  if (deadline)
    m_wake.wait_until(hold, m_started + std::chrono::milliseconds(*deadline), woken);
  else
    m_wake.wait(hold, woken);
  m_woken = false;
}

void Headless::Wake() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_woken = true;
  }
  m_wake.notify_all();
}

void Headless::Raise() {
  std::lock_guard<std::mutex> hold(m_lock);
  ++m_raises;
}

int Headless::Raises() {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_raises;
}

void InjectTap(int x, int y) {
  user::PostInput(user::InputKind::ButtonDown, x, y);
  user::PostInput(user::InputKind::ButtonUp, x, y);
}

void InjectKey(int vk, bool ctrl) {
  if (ctrl) user::PostInput(user::InputKind::KeyDown, VK_CONTROL, 0);
  user::PostInput(user::InputKind::KeyDown, vk, 0);
  user::PostInput(user::InputKind::KeyUp, vk, 0);
  if (ctrl) user::PostInput(user::InputKind::KeyUp, VK_CONTROL, 0);
}

namespace {

int RunOn(std::shared_ptr<Headless> host, const std::function<int(Headless &)> &body) {
  user::PaintHooks before = user::Hooks();
  gdi::Install();
  controls::Install();
  Use(host);
  SetTickSource([host] { return (DWORD)host->Now(); });
  int result = body(*host);
  SetTickSource(nullptr);
  Use(nullptr);
  user::SetPaintHooks(std::move(before));
  return result;
}

int NoCommandLine(WinMainFn winMain, HINSTANCE hInstance, int nCmdShow) {
  static WCHAR noCommandLine[] = u"";
  return winMain(hInstance, nullptr, noCommandLine, nCmdShow);
}

}  // namespace

int Run(Script script, const std::function<int(Headless &)> &body) {
  return RunOn(std::make_shared<Headless>(std::move(script)), body);
}

int RunWinMain(Script script, WinMainFn winMain, HINSTANCE hInstance, int nCmdShow) {
  return Run(std::move(script), [&](Headless &) { return NoCommandLine(winMain, hInstance, nCmdShow); });
}

int RunWinMainUnattended(WinMainFn winMain, HINSTANCE hInstance) {
  return RunOn(std::make_shared<Headless>(Script{}, true),
               [&](Headless &) { return NoCommandLine(winMain, hInstance, SW_SHOW); });
}

}  // namespace plat::host

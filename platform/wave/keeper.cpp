#include "wave/keeper.h"

#include <chrono>

namespace plat::wave {

namespace {

/* Looks per second while the output is connected (to notice it gone) or
 * while it is gone (to move the clock on); a connection is tried once. */
constexpr uint64_t kConnectedLooks = 1, kClockLooks = 50;

}  // namespace

Keeper::Keeper(Stream *stream, DWORD nRate, WORD nBlockAlign, std::unique_ptr<Link> link, bool bThread)
    : m_stream(stream), m_rate(nRate), m_blockAlign(nBlockAlign), m_link(std::move(link)) {
  if (bThread) m_thread = std::thread([this] { Run(); });
}

Keeper::~Keeper() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_quit = true;
  }
  m_wake.notify_one();
  if (m_thread.joinable()) m_thread.join();
  if (m_connected) m_link->Disconnect();
}

void Keeper::Wake() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_woken = true;
  }
  m_wake.notify_one();
}

/* Plays the frames from m_since to nNow into nothing. */
void Keeper::Elapse(uint64_t nNow) {
  uint64_t nFrames = nNow - m_since;
  if (nFrames <= m_elapsed) return;
  m_scratch.resize((size_t)(nFrames - m_elapsed) * m_blockAlign);
  m_stream->Transfer(m_scratch.data(), m_scratch.size());
  m_elapsed = nFrames;
}

std::optional<uint64_t> Keeper::Step(uint64_t nNow) {
  if (m_connected && !m_link->Alive()) {
    m_link->Disconnect();
    m_connected = false;
  }
  if (!m_stream->Queued()) {
    if (m_connected) m_link->Disconnect();
    m_connected = m_keepingTime = false;
    return std::nullopt;
  }
  if (!m_connected && m_keepingTime) Elapse(nNow);
  if (!m_connected && (!m_keepingTime || nNow >= m_nextTry)) {
    m_connected = m_link->Connect(m_stream, this);
    m_nextTry = nNow + m_rate;
  }
  if (m_connected) {
    m_keepingTime = false;
    return nNow + m_rate / kConnectedLooks;
  }
  if (!m_keepingTime) {
    m_keepingTime = true;
    m_since = nNow;
    m_elapsed = 0;
  }
  return nNow + m_rate / kClockLooks;
}

/* Steps on the steady clock, counted in frames from the keeper's start. */
void Keeper::Run() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  auto frames = [&](Clock::time_point t) {
    return (uint64_t)std::chrono::duration_cast<std::chrono::microseconds>(t - start).count() * m_rate / 1000000;
  };
  for (;;) {
    std::optional<uint64_t> next = Step(frames(Clock::now()));
    std::unique_lock<std::mutex> hold(m_lock);
    auto woken = [this] { return m_woken || m_quit; };
    if (next)
      m_wake.wait_until(hold, start + std::chrono::microseconds(*next * 1000000 / m_rate), woken);
    else
      m_wake.wait(hold, woken);
    if (m_quit) break;
    m_woken = false;
  }
  m_link->ThreadEnds();
}

}  // namespace plat::wave

#include "wave/scripted.h"

#include <algorithm>
#include <cstring>

namespace plat::wave {

class ScriptedBackend::ScriptedPort : public Port {
 public:
  explicit ScriptedPort(ScriptedBackend *owner) : m_owner(owner) {}
  ~ScriptedPort() override { m_owner->Forget(this); }
  MMRESULT Accept(const WAVEHDR &) override { return m_owner->AcceptWrite(); }

 private:
  ScriptedBackend *m_owner;
};

/* A built-in output's link: connected, it is played by Advance. */
class ScriptedBackend::BuiltInLink : public Link {
 public:
  BuiltInLink(ScriptedBackend *owner, UINT id) : m_owner(owner), m_id(id) {}
  bool Connect(Stream *, Keeper *) override { return !m_owner->Dropped(m_id); }
  void Disconnect() override {}
  bool Alive() override { return !m_owner->Dropped(m_id); }

 private:
  ScriptedBackend *m_owner;
  UINT m_id;
};

class ScriptedBackend::BuiltInPort : public Keeper {
 public:
  BuiltInPort(ScriptedBackend *owner, UINT id, Stream *stream, const WAVEFORMATEX &wfx)
      : Keeper(stream, wfx.nSamplesPerSec, wfx.nBlockAlign, std::make_unique<BuiltInLink>(owner, id), false),
        m_owner(owner) {}
  ~BuiltInPort() override { m_owner->Forget(this); }
  MMRESULT Accept(const WAVEHDR &) override { return m_owner->AcceptWrite(); }

 private:
  ScriptedBackend *m_owner;
};

void ScriptedBackend::Forget(const Port *port) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  m_open.erase(std::remove_if(m_open.begin(), m_open.end(), [port](const Open_ &o) { return o.port == port; }),
               m_open.end());
}

bool ScriptedBackend::Dropped(UINT id) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  return m_dropped.count(id) != 0;
}

void ScriptedBackend::Drop(UINT id) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  m_dropped.insert(id);
}

void ScriptedBackend::Restore(UINT id) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  m_dropped.erase(id);
}

bool ScriptedBackend::Holding(UINT id) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  for (const Open_ &o : m_open)
    if (o.keeper && o.id == id) return o.keeper->Connected();
  return false;
}

ScriptedBackend::ScriptedBackend() { UseBackend(this); }

ScriptedBackend::~ScriptedBackend() {
  StopClock();
  UseBackend(nullptr);
}

void ScriptedBackend::RefuseWrite(int n, MMRESULT error) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  m_refused.insert(m_nWrites + n);
  m_refusedError = error;
}

MMRESULT ScriptedBackend::AcceptWrite() {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  return m_refused.count(++m_nWrites) ? m_refusedError : MMSYSERR_NOERROR;
}

std::vector<std::string> ScriptedBackend::Calls() {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  return m_calls;
}

void ScriptedBackend::ClearCalls() {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  m_calls.clear();
}

void ScriptedBackend::LogCall(std::string line) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  m_calls.push_back(std::move(line));
}

UINT ScriptedBackend::Devices(bool bInput) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  return (UINT)(bInput ? inputs : outputs).size();
}

std::string ScriptedBackend::Name(bool bInput, UINT id) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  const std::vector<DeviceScript> &list = bInput ? inputs : outputs;
  return id < list.size() ? list[id].name : std::string();
}

MMRESULT ScriptedBackend::Query(bool bInput, UINT id, const WAVEFORMATEX &) {
  std::lock_guard<std::mutex> hold(m_scriptLock);
  const auto &list = bInput ? inputs : outputs;
  if (id >= list.size()) return MMSYSERR_BADDEVICEID;
  return list[id].bAccepts ? MMSYSERR_NOERROR : WAVERR_BADFORMAT;
}

MMRESULT ScriptedBackend::Open(bool bInput, UINT id, const WAVEFORMATEX &wfx, Stream *stream,
                               std::unique_ptr<Port> *port) {
  bool bBuiltIn;
  {
    std::lock_guard<std::mutex> hold(m_scriptLock);
    auto &list = bInput ? inputs : outputs;
    if (id >= list.size()) return MMSYSERR_BADDEVICEID;
    DeviceScript &d = list[id];
    if (d.nOpensToFail != 0) {
      if (d.nOpensToFail > 0) d.nOpensToFail--;
      return d.openError;
    }
    bBuiltIn = !bInput && d.bBuiltIn;
  }
  std::unique_ptr<Port> p;
  Keeper *keeper = nullptr;
  if (bBuiltIn) {
    auto k = std::make_unique<BuiltInPort>(this, id, stream, wfx);
    keeper = k.get();
    p = std::move(k);
  } else {
    p = std::make_unique<ScriptedPort>(this);
  }
  std::lock_guard<std::mutex> hold(m_clockLock);
  m_open.push_back(Open_{p.get(), bInput, id, stream, wfx.nBlockAlign, keeper});
  *port = std::move(p);
  return MMSYSERR_NOERROR;
}

void ScriptedBackend::Advance(size_t nFrames) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  std::vector<BYTE> buf;
  for (const Open_ &o : m_open) {
    buf.resize(nFrames * o.nBlockAlign);
    if (o.bInput) {
      for (size_t i = 0; i < buf.size(); i++) buf[i] = (BYTE)(m_nRecorded * o.nBlockAlign + i);
      o.stream->Transfer(buf.data(), buf.size());
      continue;
    }
    // A built-in device looks at its queue and output before and after; it
    // plays only while it holds its output.
    if (o.keeper) o.keeper->Step(m_nRecorded);
    if (o.keeper && !o.keeper->Connected()) {
      o.keeper->Step(m_nRecorded + nFrames);
      continue;
    }
    o.stream->Transfer(buf.data(), buf.size());
    if (m_played.size() <= o.id) m_played.resize(o.id + 1);
    m_played[o.id].insert(m_played[o.id].end(), buf.begin(), buf.end());
    if (o.keeper) o.keeper->Step(m_nRecorded + nFrames);
  }
  m_nRecorded += nFrames;
}

void ScriptedBackend::JumpToLastPass() {
  std::lock_guard<std::mutex> hold(m_clockLock);
  for (const Open_ &o : m_open)
    if (!o.bInput) o.stream->JumpToLastPass();
}

void ScriptedBackend::Unplug(UINT id) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  for (const Open_ &o : m_open)
    if (!o.bInput && o.id == id) o.stream->Lost();
}

DWORD ScriptedBackend::LoopPass(UINT id) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  for (const Open_ &o : m_open)
    if (!o.bInput && o.id == id) return o.stream->LoopPass();
  return 0;
}

std::vector<int16_t> ScriptedBackend::Played(UINT id) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  if (id >= m_played.size()) return {};
  std::vector<int16_t> samples(m_played[id].size() / 2);
  memcpy(samples.data(), m_played[id].data(), samples.size() * 2);
  return samples;
}

size_t ScriptedBackend::PlayedSamples(UINT id) {
  std::lock_guard<std::mutex> hold(m_clockLock);
  return id < m_played.size() ? m_played[id].size() / 2 : 0;
}

void ScriptedBackend::StartClock(size_t nFrames) {
  {
    std::lock_guard<std::mutex> hold(m_runLock);
    m_bRun = true;
  }
  m_clock = std::thread([this, nFrames] {
    for (;;) {
      {
        std::lock_guard<std::mutex> hold(m_runLock);
        if (!m_bRun) return;
      }
      Advance(nFrames);
      std::this_thread::yield();
    }
  });
}

void ScriptedBackend::StopClock() {
  {
    std::lock_guard<std::mutex> hold(m_runLock);
    m_bRun = false;
  }
  if (m_clock.joinable()) m_clock.join();
}

}  // namespace plat::wave

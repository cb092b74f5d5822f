#include "devices.h"

#include <fcntl.h>
#include <mmsystem.h>
#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

#include <vector>

#include "kernel/kernel.h"

namespace cli {

namespace {

std::string Lower(std::string s) {
  for (char &c : s) c = (char)tolower((unsigned char)c);
  return s;
}

// The names of the output devices, by number; *reason says why there are
// none, if the sound system said so. What it says otherwise is shown
// unless quiet.
std::vector<std::string> DeviceNames(bool quiet, std::string *reason) {
  SoundMessages messages;
  std::vector<std::string> names;
  UINT n = waveOutGetNumDevs();
  for (UINT id = 0; id < n; id++) {
    WAVEOUTCAPSW caps{};
    names.push_back(waveOutGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? plat::Utf8(caps.szPname) : "");
  }
  std::string said = messages.Take();
  if (names.empty()) {
    *reason = AsReason(said);
  } else if (!quiet) {
    fputs(said.c_str(), stderr);
  }
  return names;
}

}  // namespace

SoundMessages::SoundMessages() {
  fflush(stderr);
  m_memory = memfd_create("tonbrook-render-messages", MFD_CLOEXEC);
  m_saved = m_memory >= 0 ? fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0) : -1;
  if (m_saved >= 0) dup2(m_memory, STDERR_FILENO);
}

SoundMessages::~SoundMessages() { fputs(Take().c_str(), stderr); }

std::string SoundMessages::Take() {
  std::string text;
  if (m_saved >= 0) {
    fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
    m_saved = -1;
  }
  if (m_memory < 0) return text;
  char buf[4096];
  ssize_t n;
  for (off_t at = 0; (n = pread(m_memory, buf, sizeof buf, at)) > 0; at += n) text.append(buf, (size_t)n);
  close(m_memory);
  m_memory = -1;
  return text;
}

std::string AsReason(const std::string &messages) {
  static const std::string kPrefix = "tonbrook-render: ";
  std::string reason;
  for (size_t from = 0; from < messages.size();) {
    size_t end = messages.find('\n', from);
    if (end == std::string::npos) end = messages.size();
    std::string line = messages.substr(from, end - from);
    if (line.compare(0, kPrefix.size(), kPrefix) == 0) line.erase(0, kPrefix.size());
    if (!line.empty()) reason += (reason.empty() ? "" : "; ") + line;
    from = end + 1;
  }
  return reason.empty() ? "" : " (" + reason + ")";
}

bool ListDevices(std::string *error) {
  std::string reason;
  std::vector<std::string> names = DeviceNames(false, &reason);
  if (names.empty()) {
    *error = "no audio output device" + reason;
    return false;
  }
  for (size_t id = 0; id < names.size(); id++) printf("%zu: %s\n", id, names[id].c_str());
  return true;
}

std::optional<UINT> ChooseDevice(const Options &opt, std::string *error) {
  if (!opt.device) return WAVE_MAPPER;
  std::string reason;
  std::vector<std::string> names = DeviceNames(opt.quiet, &reason);
  if (names.empty()) {
    *error = "no audio output device" + reason;
    return std::nullopt;
  }
  const std::string &want = *opt.device;
  if (want.find_first_not_of("0123456789") == std::string::npos && want.size() < 10) {
    UINT id = (UINT)std::stoul(want);
    if (id < names.size()) return id;
    *error = "no output device " + want + " (devices 0 to " + std::to_string(names.size() - 1) + ")";
    return std::nullopt;
  }
  std::optional<UINT> partial;
  int partials = 0;
  for (UINT id = 0; id < names.size(); id++) {
    if (Lower(names[id]) == Lower(want)) return id;
    if (Lower(names[id]).find(Lower(want)) != std::string::npos) {
      partial = id;
      partials++;
    }
  }
  if (partials == 1) return partial;
  *error = partials ? "more than one output device is named like '" + want + "'"
                    : "no output device named '" + want + "' (see --list-devices)";
  return std::nullopt;
}

}  // namespace cli

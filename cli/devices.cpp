#include "devices.h"

#include <mmsystem.h>
#include <stdio.h>

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
  m_previous = plat::wave::SetMessageSink([this](const std::string &line) { m_text += line + "\n"; });
}

SoundMessages::~SoundMessages() { fputs(Take().c_str(), stderr); }

std::string SoundMessages::Take() {
  if (m_gathering) {
    plat::wave::SetMessageSink(std::move(m_previous));
    m_gathering = false;
  }
  return std::move(m_text);
}

void SilenceSoundMessages() {
  plat::wave::SetMessageSink([](const std::string &) {});
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

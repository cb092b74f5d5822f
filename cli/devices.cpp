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

// The names of the output devices, by number.
std::vector<std::string> DeviceNames() {
  std::vector<std::string> names;
  UINT n = waveOutGetNumDevs();
  for (UINT id = 0; id < n; id++) {
    WAVEOUTCAPSW caps{};
    names.push_back(waveOutGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? plat::Utf8(caps.szPname) : "");
  }
  return names;
}

}  // namespace

bool ListDevices(std::string *error) {
  std::vector<std::string> names = DeviceNames();
  if (names.empty()) {
    *error = "no audio output device";
    return false;
  }
  for (size_t id = 0; id < names.size(); id++) printf("%zu: %s\n", id, names[id].c_str());
  return true;
}

std::optional<UINT> ChooseDevice(const Options &opt, std::string *error) {
  if (!opt.device) return WAVE_MAPPER;
  std::vector<std::string> names = DeviceNames();
  if (names.empty()) {
    *error = "no audio output device";
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

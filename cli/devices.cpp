#include "devices.h"

#include <mmsystem.h>
#include <stdio.h>

#include <vector>

namespace cli {

namespace {

// A device name in UTF-8.
std::string Utf8(const WCHAR *psz) {
  std::string s;
  for (size_t i = 0; psz[i]; i++) {
    char32_t c = psz[i];
    if (c >= 0xD800 && c < 0xDC00 && psz[i + 1] >= 0xDC00 && psz[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (psz[++i] - 0xDC00);
    if (c < 0x80) {
      s += (char)c;
    } else if (c < 0x800) {
      s += (char)(0xC0 | c >> 6);
      s += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      s += (char)(0xE0 | c >> 12);
      s += (char)(0x80 | (c >> 6 & 0x3F));
      s += (char)(0x80 | (c & 0x3F));
    } else {
      s += (char)(0xF0 | c >> 18);
      s += (char)(0x80 | (c >> 12 & 0x3F));
      s += (char)(0x80 | (c >> 6 & 0x3F));
      s += (char)(0x80 | (c & 0x3F));
    }
  }
  return s;
}

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
    names.push_back(waveOutGetDevCapsW(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? Utf8(caps.szPname) : "");
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

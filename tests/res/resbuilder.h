/*
 * resbuilder.h - writes compiled resource files for tests, entry by entry,
 * in the layout the resource compiler uses.
 */
#ifndef TONBROOK_TESTS_RES_RESBUILDER_H
#define TONBROOK_TESTS_RES_RESBUILDER_H

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace restest {

using Bytes = std::vector<BYTE>;

inline void Put16(Bytes &b, WORD w) {
  b.push_back((BYTE)w);
  b.push_back((BYTE)(w >> 8));
}

inline void Put32(Bytes &b, DWORD d) {
  Put16(b, (WORD)d);
  Put16(b, (WORD)(d >> 16));
}

inline void PutSz(Bytes &b, const std::u16string &s) {
  for (char16_t c : s) Put16(b, c);
  Put16(b, 0);
}

inline void Align4(Bytes &b) {
  while (b.size() % 4) b.push_back(0);
}

/* A name or type: an ordinal, or a string when name is not empty. */
struct Id {
  WORD ordinal = 0;
  std::u16string name;
  Id(WORD n) : ordinal(n) {}
  Id(const char16_t *s) : name(s) {}
};

inline void PutId(Bytes &b, const Id &id) {
  if (id.name.empty()) {
    Put16(b, 0xFFFF);
    Put16(b, id.ordinal);
  } else {
    PutSz(b, id.name);
  }
}

class ResFile {
 public:
  ResFile() { Add((WORD)0, (WORD)0, {}, 0); }

  ResFile &Add(Id type, Id name, const Bytes &data, WORD lang = 0x0409) {
    Bytes header;
    PutId(header, type);
    PutId(header, name);
    Align4(header);
    Put32(header, 0);       /* data version */
    Put16(header, 0x1030);  /* memory flags */
    Put16(header, lang);
    Put32(header, 0);       /* version */
    Put32(header, 0);       /* characteristics */
    Align4(bytes_);
    Put32(bytes_, (DWORD)data.size());
    Put32(bytes_, (DWORD)(8 + header.size()));
    bytes_.insert(bytes_.end(), header.begin(), header.end());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }

  const Bytes &bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

/* A string block: up to 16 strings, empty ones for the gaps. */
inline Bytes StringBlock(std::initializer_list<std::u16string> strings) {
  Bytes b;
  size_t n = 0;
  for (const auto &s : strings) {
    Put16(b, (WORD)s.size());
    for (char16_t c : s) Put16(b, c);
    n++;
  }
  for (; n < 16; n++) Put16(b, 0);
  return b;
}

}  // namespace restest

#endif

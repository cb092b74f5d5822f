/*
 * res/reader.h - a bounds-checked little-endian reader over a block of
 * bytes, used by every parser of compiled resources.
 *
 * Reading past the end never touches memory outside the block: the read
 * returns 0 (or an empty string) and the reader stays failed from then on,
 * so a parser reads on and checks ok() once where it is convenient.
 */
#ifndef TONBROOK_PLATFORM_RES_READER_H
#define TONBROOK_PLATFORM_RES_READER_H

#include <windows.h>

#include <cstring>
#include <string>

namespace plat::res {

/* A resource name or type, or a class or menu in a template: a 16-bit
 * ordinal or a string. */
struct ResId {
  bool isOrdinal = true;
  WORD ordinal = 0;
  std::u16string name;

  bool operator==(const ResId &) const = default;
};

class Reader {
 public:
  Reader(const BYTE *pb, size_t cb) : pb_(pb), cb_(cb) {}

  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  size_t remaining() const { return ok_ ? cb_ - pos_ : 0; }
  const BYTE *here() const { return pb_ + pos_; }

  /* Takes n bytes; fails when fewer are left. */
  bool skip(size_t n) {
    if (!ok_ || n > cb_ - pos_) return ok_ = false;
    pos_ += n;
    return true;
  }

  /* Moves to the next multiple of 4 counted from the start of the block;
   * fails when that lies past its end. */
  bool align4() { return skip((4 - pos_ % 4) % 4); }

  BYTE u8() { return get<BYTE>(); }
  WORD u16() { return get<WORD>(); }
  DWORD u32() { return get<DWORD>(); }
  SHORT s16() { return (SHORT)get<WORD>(); }

  /* A NUL-terminated UTF-16 string; fails when the block ends first. */
  std::u16string sz() {
    std::u16string s;
    for (;;) {
      WORD c = u16();
      if (!ok_ || c == 0) return s;
      s.push_back((char16_t)c);
    }
  }

  /* The name-or-ordinal field: 0xFFFF then an ordinal, or a string. */
  ResId nameOrOrdinal() {
    ResId id;
    WORD w = u16();
    if (w == 0xFFFF) {
      id.ordinal = u16();
    } else if (w != 0) {
      id.isOrdinal = false;
      id.name.push_back((char16_t)w);
      id.name += sz();
    }
    return id;
  }

 private:
  template <class T>
  T get() {
    T v = 0;
    if (skip(sizeof(T))) std::memcpy(&v, pb_ + pos_ - sizeof(T), sizeof(T));
    return v;
  }

  const BYTE *pb_;
  size_t cb_;
  size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace plat::res

#endif

#include "res/resfile.h"

namespace plat::res {

namespace {

constexpr size_t kFixedHeader = 8;  /* data size and header size */
constexpr size_t kOrdinalPair = 8;  /* type and name given by number */
constexpr size_t kHeaderTail = 16;  /* data version to characteristics */

/* Reads the header at r's position into e and moves r past the entry's
 * data and alignment. False when the entry does not fit in the block. */
bool ParseEntry(Reader &r, const BYTE *pb, size_t cb, ResEntry &e) {
  size_t start = r.pos();
  e.size = r.u32();
  DWORD cbHeader = r.u32();
  if (!r.ok() || cbHeader < kFixedHeader || cbHeader > cb - start) return false;

  Reader h(pb + start, cbHeader);
  h.skip(kFixedHeader);
  e.type = h.nameOrOrdinal();
  e.name = h.nameOrOrdinal();
  h.align4();
  e.dataVersion = h.u32();
  e.memoryFlags = h.u16();
  e.language = h.u16();
  e.version = h.u32();
  e.characteristics = h.u32();
  if (!h.ok()) return false;

  e.offset = start + cbHeader;
  if (e.size > cb - e.offset) return false;
  r.skip(cbHeader - kFixedHeader + e.size);
  /* The last entry's padding may be missing at the end of the file. */
  if (r.remaining() > 0) r.align4();
  return r.ok();
}

bool IsEmptyFirstEntry(const ResEntry &e, size_t cbHeader) {
  return e.size == 0 && cbHeader == kFixedHeader + kOrdinalPair + kHeaderTail && e.type == ResId{} &&
         e.name == ResId{};
}

}  // namespace

std::optional<std::vector<ResEntry>> ParseResFile(const BYTE *pb, size_t cb) {
  Reader r(pb, cb);
  ResEntry first;
  if (!ParseEntry(r, pb, cb, first) || !IsEmptyFirstEntry(first, first.offset)) return std::nullopt;

  std::vector<ResEntry> entries;
  while (r.remaining() > 0) {
    ResEntry e;
    if (!ParseEntry(r, pb, cb, e)) return std::nullopt;
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace plat::res

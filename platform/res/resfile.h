/*
 * res/resfile.h - the compiled resource file (.res) and its parser.
 *
 * The file is a sequence of entries, each on a 4-byte boundary: a header
 * (data size, header size, type, name, data version, memory flags,
 * language, version, characteristics) and then the data. The first entry is
 * an empty one of 32 bytes that marks the 32-bit format.
 */
#ifndef TONBROOK_PLATFORM_RES_RESFILE_H
#define TONBROOK_PLATFORM_RES_RESFILE_H

#include <windows.h>

#include <optional>
#include <vector>

#include "res/reader.h"

namespace plat::res {

struct ResEntry {
  ResId type;
  ResId name;
  WORD language = 0;
  WORD memoryFlags = 0;
  DWORD dataVersion = 0;
  DWORD version = 0;
  DWORD characteristics = 0;
  size_t offset = 0; /* of the data, from the start of the file */
  DWORD size = 0;
};

/* The entries of the resource file in pb/cb, without the empty first one,
 * in file order. Nothing when the block is not a well-formed resource file:
 * no empty first entry, a header or data running past the end, a header
 * too short for its fields, or stray bytes after the last entry. */
std::optional<std::vector<ResEntry>> ParseResFile(const BYTE *pb, size_t cb);

}  // namespace plat::res

#endif

#include "sound_file.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace cli {

namespace {

// Bytes a stream gathers before it writes them.
constexpr size_t kStreamBlock = 1 << 16;

int MajorFormat(Container c) {
  switch (c) {
    case Container::kWav: return SF_FORMAT_WAV;
    case Container::kRf64: return SF_FORMAT_RF64;
    case Container::kFlac: return SF_FORMAT_FLAC;
    case Container::kAiff: return SF_FORMAT_AIFF;
    case Container::kCaf: return SF_FORMAT_CAF;
    case Container::kW64: return SF_FORMAT_W64;
    case Container::kRaw: return SF_FORMAT_RAW | SF_ENDIAN_LITTLE;
  }
  return SF_FORMAT_WAV;
}

SF_INFO InfoFor(int format, int rate, int channels) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format | SF_FORMAT_PCM_16;
  return info;
}

// A seekable temporary file: libsndfile's reads, writes and seeks on its fd.
struct FileIo {
  static sf_count_t Length(void *user) {
    struct stat st;
    return fstat(((OutputFile *)user)->Fd(), &st) == 0 ? (sf_count_t)st.st_size : -1;
  }
  static sf_count_t Seek(sf_count_t offset, int whence, void *user) {
    return lseek(((OutputFile *)user)->Fd(), offset, whence);
  }
  static sf_count_t Read(void *ptr, sf_count_t count, void *user) {
    ssize_t n = read(((OutputFile *)user)->Fd(), ptr, (size_t)count);
    return n < 0 ? 0 : n;
  }
  static sf_count_t Write(const void *ptr, sf_count_t count, void *user) {
    return ((OutputFile *)user)->WriteAll((const uint8_t *)ptr, (size_t)count) ? count : 0;
  }
  static sf_count_t Tell(void *user) { return lseek(((OutputFile *)user)->Fd(), 0, SEEK_CUR); }
};

// A file in memory that keeps only its first bytes.
struct HeaderIo {
  std::vector<uint8_t> bytes;
  sf_count_t keep = INT64_MAX;  // bytes kept from the start
  sf_count_t pos = 0;
  sf_count_t end = 0;

  static HeaderIo &Of(void *user) { return *(HeaderIo *)user; }
  static sf_count_t Length(void *user) { return Of(user).end; }
  static sf_count_t Seek(sf_count_t offset, int whence, void *user) {
    HeaderIo &h = Of(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? h.pos : h.end;
    if (base + offset < 0) return -1;
    return h.pos = base + offset;
  }
  static sf_count_t Read(void *ptr, sf_count_t count, void *user) {
    HeaderIo &h = Of(user);
    sf_count_t n = std::max<sf_count_t>(0, std::min<sf_count_t>(count, (sf_count_t)h.bytes.size() - h.pos));
    if (n > 0) memcpy(ptr, h.bytes.data() + h.pos, (size_t)n);
    h.pos += n;
    return n;
  }
  static sf_count_t Write(const void *ptr, sf_count_t count, void *user) {
    HeaderIo &h = Of(user);
    size_t upto = (size_t)std::min<sf_count_t>(h.pos + count, h.keep);
    if (upto > (size_t)h.pos) {
      if (upto > h.bytes.size()) h.bytes.resize(upto);
      memcpy(h.bytes.data() + h.pos, ptr, upto - (size_t)h.pos);
    }
    h.pos += count;
    h.end = std::max(h.end, h.pos);
    return count;
  }
  static sf_count_t Tell(void *user) { return Of(user).pos; }
};

}  // namespace

// A stream: bytes go out in order, gathered into whole blocks, so that a
// reader's first read holds the header and the first samples together. A
// seek elsewhere cannot be made; what is written after it (an encoder
// completing its header) is dropped, so the stream stays what was sent.
struct StreamIo {
  static sf_count_t Length(void *user) { return ((SoundFile *)user)->m_streamed; }
  static sf_count_t Seek(sf_count_t offset, int whence, void *user) {
    SoundFile *f = (SoundFile *)user;
    sf_count_t target = whence == SEEK_CUR ? f->m_streamed + offset : offset;
    if (whence != SEEK_END && target == f->m_streamed) return target;
    f->m_discarding = true;
    return -1;
  }
  static sf_count_t Read(void *, sf_count_t, void *) { return 0; }
  static sf_count_t Write(const void *ptr, sf_count_t count, void *user) {
    SoundFile *f = (SoundFile *)user;
    if (f->m_discarding) return count;
    return f->Stream((const uint8_t *)ptr, (size_t)count) ? count : 0;
  }
  static sf_count_t Tell(void *user) { return ((SoundFile *)user)->m_streamed; }
};

namespace {

SF_VIRTUAL_IO kFileIo = {FileIo::Length, FileIo::Seek, FileIo::Read, FileIo::Write, FileIo::Tell};
SF_VIRTUAL_IO kHeaderIo = {HeaderIo::Length, HeaderIo::Seek, HeaderIo::Read, HeaderIo::Write, HeaderIo::Tell};
SF_VIRTUAL_IO kStreamIo = {StreamIo::Length, StreamIo::Seek, StreamIo::Read, StreamIo::Write, StreamIo::Tell};

// The header of a file of frames frames, and the byte order of its samples
// (SF_ENDIAN_LITTLE or SF_ENDIAN_BIG): libsndfile writes the header and a
// probe frame into memory, then, after a seek to the last frame, that frame,
// so that the header it completes on closing is the one for the whole
// length, with nothing converted in between. False when it cannot.
bool MakeHeader(Container c, int rate, int channels, uint64_t frames, std::vector<uint8_t> *header, int *endian) {
  HeaderIo mem;
  SF_INFO info = InfoFor(MajorFormat(c), rate, channels);
  SNDFILE *sf = sf_open_virtual(&kHeaderIo, SFM_WRITE, &info, &mem);
  if (!sf) return false;
  size_t dataOffset = mem.bytes.size();
  mem.keep = (sf_count_t)dataOffset + 2;
  std::vector<int16_t> probe((size_t)channels, 0);
  probe[0] = 0x0102;
  bool ok = sf_writef_short(sf, probe.data(), 1) == 1;
  probe[0] = 0;
  if (ok && frames > 1)
    ok = sf_seek(sf, (sf_count_t)frames - 1, SEEK_SET) == (sf_count_t)frames - 1 &&
         sf_writef_short(sf, probe.data(), 1) == 1;
  if (sf_close(sf) != 0 || !ok || mem.bytes.size() < dataOffset + 2) return false;
  *endian = mem.bytes[dataOffset] == 0x02 ? SF_ENDIAN_LITTLE : SF_ENDIAN_BIG;
  header->assign(mem.bytes.begin(), mem.bytes.begin() + (ptrdiff_t)dataOffset);
  return true;
}

}  // namespace

std::unique_ptr<SoundFile> SoundFile::Start(OutputFile *out, Container container, int rate, int channels,
                                            uint64_t frames, std::string *error) {
  std::unique_ptr<SoundFile> f(new SoundFile(out));
  f->m_channels = channels;
  SF_INFO info = InfoFor(MajorFormat(container), rate, channels);
  std::vector<uint8_t> header;
  int endian = SF_ENDIAN_LITTLE;
  bool headed = container != Container::kFlac && container != Container::kRaw;
  if (headed && !MakeHeader(container, rate, channels, frames, &header, &endian)) {
    *error = "cannot make the file's header: " + std::string(sf_strerror(nullptr));
    return nullptr;
  }
  // Every format but FLAC has a size known from the start.
  if (container != Container::kFlac) f->m_expectedSize = (int64_t)(header.size() + frames * channels * sizeof(int16_t));
  if (out->Seekable()) {
    f->m_sf = sf_open_virtual(&kFileIo, SFM_WRITE, &info, out);
  } else {
    f->m_pending.reserve(kStreamBlock);
    if (headed) {
      f->Stream(header.data(), header.size());
      info = InfoFor(SF_FORMAT_RAW | endian, rate, channels);
    }
    f->m_sf = sf_open_virtual(&kStreamIo, SFM_WRITE, &info, f.get());
  }
  if (!f->m_sf) {
    *error = !out->Error().empty() ? out->Error() : "libsndfile: " + std::string(sf_strerror(nullptr));
    return nullptr;
  }
  return f;
}

SoundFile::~SoundFile() {
  if (m_sf) sf_close(m_sf);
}

bool SoundFile::Fail(const std::string &what) {
  m_error = !m_out->Error().empty() ? m_out->Error() : what;
  return false;
}

bool SoundFile::Stream(const uint8_t *bytes, size_t size) {
  m_pending.insert(m_pending.end(), bytes, bytes + size);
  m_streamed += (sf_count_t)size;
  if (m_pending.size() < kStreamBlock) return true;
  bool ok = m_out->WriteAll(m_pending.data(), m_pending.size());
  m_pending.clear();
  return ok;
}

bool SoundFile::Write(const int16_t *frames, size_t count) {
  sf_count_t items = (sf_count_t)count * m_channels;
  if (sf_write_short(m_sf, frames, items) != items || !m_out->Error().empty())
    return Fail("libsndfile: " + std::string(sf_strerror(m_sf)));
  // Samples dropped after a seek the stream could not make would be lost.
  if (m_discarding) return Fail("this format cannot be written to a stream");
  return true;
}

bool SoundFile::Finish() {
  int rc = sf_close(m_sf);
  m_sf = nullptr;
  // libsndfile reports no failure of the writes it makes while closing (an
  // encoder's last frames, a header): the output remembers them.
  if (!m_out->Error().empty()) return Fail(m_out->Error());
  if (rc != 0) return Fail("libsndfile: " + std::string(sf_error_number(rc)));
  if (!m_out->Seekable() && !m_pending.empty() && !m_out->WriteAll(m_pending.data(), m_pending.size()))
    return Fail(m_out->Error());
  if (!m_out->Commit(m_out->Seekable() ? m_expectedSize : -1)) return Fail(m_out->Error());
  return true;
}

}  // namespace cli

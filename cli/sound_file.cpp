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

constexpr uint64_t kSilenceFrames = 1 << 16;

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

// A file in memory that keeps only its first bytes: libsndfile writes a
// whole file into it, of which the header and the first frame are kept.
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

// A stream: bytes go out in order. A seek elsewhere cannot be made; what is
// written after it (an encoder completing its header) is dropped, so the
// stream stays what was already sent.
struct StreamIo {
  static sf_count_t Length(void *user) { return ((SoundFile *)user)->streamed_; }
  static sf_count_t Seek(sf_count_t offset, int whence, void *user) {
    SoundFile *f = (SoundFile *)user;
    sf_count_t target = whence == SEEK_CUR ? f->streamed_ + offset : offset;
    if (whence != SEEK_END && target == f->streamed_) return target;
    f->discarding_ = true;
    return -1;
  }
  static sf_count_t Read(void *, sf_count_t, void *) { return 0; }
  static sf_count_t Write(const void *ptr, sf_count_t count, void *user) {
    SoundFile *f = (SoundFile *)user;
    if (f->discarding_) return count;
    if (!f->out_->WriteAll((const uint8_t *)ptr, (size_t)count)) return 0;
    f->streamed_ += count;
    return count;
  }
  static sf_count_t Tell(void *user) { return ((SoundFile *)user)->streamed_; }
};

namespace {

SF_VIRTUAL_IO kFileIo = {FileIo::Length, FileIo::Seek, FileIo::Read, FileIo::Write, FileIo::Tell};
SF_VIRTUAL_IO kHeaderIo = {HeaderIo::Length, HeaderIo::Seek, HeaderIo::Read, HeaderIo::Write, HeaderIo::Tell};
SF_VIRTUAL_IO kStreamIo = {StreamIo::Length, StreamIo::Seek, StreamIo::Read, StreamIo::Write, StreamIo::Tell};

// The header of a file of frames frames, and the byte order of its samples
// (SF_ENDIAN_LITTLE or SF_ENDIAN_BIG): libsndfile writes the whole file, a
// probe frame and then silence, into memory that keeps only its start, and
// completes the header for the length it wrote. False when it cannot.
bool MakeHeader(Container c, int rate, int channels, uint64_t frames, std::vector<uint8_t> *header, int *endian) {
  HeaderIo mem;
  SF_INFO info = InfoFor(MajorFormat(c), rate, channels);
  SNDFILE *sf = sf_open_virtual(&kHeaderIo, SFM_WRITE, &info, &mem);
  if (!sf) return false;
  size_t dataOffset = mem.bytes.size();
  mem.keep = (sf_count_t)dataOffset + 2;
  std::vector<int16_t> silence((size_t)kSilenceFrames * channels, 0);
  silence[0] = 0x0102;
  bool ok = true;
  for (uint64_t done = 0; ok && done < frames;) {
    sf_count_t n = (sf_count_t)std::min<uint64_t>(kSilenceFrames, frames - done);
    ok = sf_writef_short(sf, silence.data(), n) == n;
    silence[0] = 0;
    done += (uint64_t)n;
  }
  if (sf_close(sf) != 0 || !ok || mem.bytes.size() < dataOffset + 2) return false;
  *endian = mem.bytes[dataOffset] == 0x02 ? SF_ENDIAN_LITTLE : SF_ENDIAN_BIG;
  header->assign(mem.bytes.begin(), mem.bytes.begin() + (ptrdiff_t)dataOffset);
  return true;
}

}  // namespace

std::unique_ptr<SoundFile> SoundFile::Start(OutputFile *out, Container container, int rate, int channels,
                                            uint64_t frames, std::string *error) {
  std::unique_ptr<SoundFile> f(new SoundFile(out));
  f->channels_ = channels;
  SF_INFO info = InfoFor(MajorFormat(container), rate, channels);
  if (out->Seekable()) {
    f->sf_ = sf_open_virtual(&kFileIo, SFM_WRITE, &info, out);
  } else if (container == Container::kFlac || container == Container::kRaw) {
    f->sf_ = sf_open_virtual(&kStreamIo, SFM_WRITE, &info, f.get());
  } else {
    std::vector<uint8_t> header;
    int endian = 0;
    if (!MakeHeader(container, rate, channels, frames, &header, &endian)) {
      *error = "cannot make the file's header: " + std::string(sf_strerror(nullptr));
      return nullptr;
    }
    if (!out->WriteAll(header.data(), header.size())) {
      *error = out->Error();
      return nullptr;
    }
    f->streamed_ = (sf_count_t)header.size();
    info = InfoFor(SF_FORMAT_RAW | endian, rate, channels);
    f->sf_ = sf_open_virtual(&kStreamIo, SFM_WRITE, &info, f.get());
  }
  if (!f->sf_) {
    *error = !out->Error().empty() ? out->Error() : "libsndfile: " + std::string(sf_strerror(nullptr));
    return nullptr;
  }
  return f;
}

SoundFile::~SoundFile() {
  if (sf_) sf_close(sf_);
}

bool SoundFile::Fail(const std::string &what) {
  error_ = !out_->Error().empty() ? out_->Error() : what;
  return false;
}

bool SoundFile::Write(const int16_t *frames, size_t count) {
  sf_count_t items = (sf_count_t)count * channels_;
  if (sf_write_short(sf_, frames, items) != items) return Fail("libsndfile: " + std::string(sf_strerror(sf_)));
  // Samples dropped after a seek the stream could not make would be lost.
  if (discarding_) return Fail("this format cannot be written to a stream");
  return true;
}

bool SoundFile::Finish() {
  int rc = sf_close(sf_);
  sf_ = nullptr;
  if (rc != 0) return Fail("libsndfile: " + std::string(sf_error_number(rc)));
  if (!out_->Commit()) return Fail(out_->Error());
  return true;
}

}  // namespace cli

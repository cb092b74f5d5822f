/*
 * sound_file.h - 16-bit sound files through libsndfile: WAV, RF64, FLAC,
 * AIFF, CAF, W64 and raw samples, onto an OutputFile.
 *
 * A temporary file is written as libsndfile writes any file, seeking back to
 * complete its header. A stream (standard output, a FIFO, a device, a
 * socket) cannot seek: its header is made first, by libsndfile, for the
 * length that will follow, and the samples follow as libsndfile writes them
 * raw in the container's byte order; FLAC streams as it is encoded.
 */
#ifndef TONBROOK_CLI_SOUND_FILE_H
#define TONBROOK_CLI_SOUND_FILE_H

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>

#include "options.h"
#include "output.h"

namespace cli {

class SoundFile {
 public:
  // Starts a file of frames frames of channels 16-bit channels at rate on
  // out. Null with *error set when libsndfile cannot.
  static std::unique_ptr<SoundFile> Start(OutputFile *out, Container container, int rate, int channels,
                                          uint64_t frames, std::string *error);
  ~SoundFile();

  SoundFile(const SoundFile &) = delete;
  SoundFile &operator=(const SoundFile &) = delete;

  // Writes count interleaved frames.
  bool Write(const int16_t *frames, size_t count);
  // Completes the file and commits the output.
  bool Finish();

  const std::string &Error() const { return error_; }

 private:
  explicit SoundFile(OutputFile *out) : out_(out) {}
  bool Fail(const std::string &what);

  OutputFile *out_;
  SNDFILE *sf_ = nullptr;
  int channels_ = 1;
  sf_count_t streamed_ = 0;  // bytes sent to a stream
  bool discarding_ = false;  // a stream after a seek it could not make
  std::string error_;

  friend struct StreamIo;
};

}  // namespace cli

#endif

/*
 * sound_file.h - 16-bit sound files through libsndfile: WAV, RF64, FLAC,
 * AIFF, CAF, W64 and raw samples, onto an OutputFile.
 *
 * A temporary file is written as libsndfile writes any file, seeking back to
 * complete its header; before it takes the target's name, it must have the
 * size its format and length give (FLAC aside) and every write must have
 * succeeded, those libsndfile makes while closing included. A stream
 * (standard output, a FIFO, a device, a socket) cannot seek: its header is
 * made first, by libsndfile, for the length that will follow, and the
 * samples follow as libsndfile writes them raw in the container's byte
 * order; FLAC streams as it is encoded. A stream goes out in whole blocks.
 */
#ifndef TONBROOK_CLI_SOUND_FILE_H
#define TONBROOK_CLI_SOUND_FILE_H

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "options.h"
#include "output.h"

namespace cli {

class SoundFile {
 public:
  /* Starts a file of frames frames of channels 16-bit channels at rate on
   * out. Null with *error set when libsndfile cannot. */
  static std::unique_ptr<SoundFile> Start(OutputFile *out, Container container, int rate, int channels,
                                          uint64_t frames, std::string *error);
  ~SoundFile();

  SoundFile(const SoundFile &) = delete;
  SoundFile &operator=(const SoundFile &) = delete;

  /* Writes count interleaved frames. False with Error() set on failure. */
  bool Write(const int16_t *frames, size_t count);
  /* Completes the file and commits the output. False with Error() set when
   * anything did not reach it; a regular target is then untouched. */
  bool Finish();

  const std::string &Error() const { return m_error; }

 private:
  explicit SoundFile(OutputFile *out) : m_out(out) {}
  bool Fail(const std::string &what);
  /* Adds bytes to the stream, writing out a whole block when there is one.
   * False when the write fails. */
  bool Stream(const uint8_t *bytes, size_t size);

  OutputFile *m_out;
  SNDFILE *m_sf = nullptr;
  int m_channels = 1;
  int64_t m_expectedSize = -1;   // of a complete file; -1 when not known
  sf_count_t m_streamed = 0;     // bytes given to a stream
  std::vector<uint8_t> m_pending;  // of those, what is not written yet
  bool m_discarding = false;     // a stream after a seek it could not make
  std::string m_error;

  friend struct StreamIo;
};

}  // namespace cli

#endif

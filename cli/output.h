/*
 * output.h - where tonbrook-render writes its samples: a WAV or raw file that
 * appears under its name only when it is complete, or standard output.
 */
#ifndef TONBROOK_CLI_OUTPUT_H
#define TONBROOK_CLI_OUTPUT_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace cli {

class OutputFile {
 public:
  // Opens a temporary file in the folder of path, or standard output for "-".
  // Returns null and sets *error when that cannot be done; nothing is then
  // created or truncated.
  static std::unique_ptr<OutputFile> Open(const std::string &path, std::string *error);

  // Removes the temporary file unless Commit succeeded.
  ~OutputFile();

  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // The 44-byte header of a 16-bit mono PCM WAV file of the given length.
  bool WriteWavHeader(uint32_t rate, uint64_t samples);
  // Signed 16-bit little-endian samples.
  bool WriteSamples(const int16_t *samples, size_t count);
  // Flushes and moves the file into place. On failure the target is untouched.
  bool Commit();

  // What went wrong with the last failed call.
  const std::string &Error() const { return error_; }

 private:
  OutputFile(int fd, std::string path, std::string tempPath);
  bool Flush();
  bool Fail(const std::string &what);

  int fd_;
  std::string path_;
  std::string tempPath_;  // empty for standard output
  bool committed_ = false;
  std::vector<uint8_t> pending_;
  std::string error_;
};

// Makes an interrupt (SIGINT, SIGTERM, SIGHUP) remove the uncommitted
// temporary file and end the process with 128 + the signal. Call before Open.
void RemoveTemporaryOnSignals();

}  // namespace cli

#endif

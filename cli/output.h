/*
 * output.h - where tonbrook-render writes its samples: a regular file that
 * appears under its name only when it is complete, a device, FIFO or socket
 * written in place, or standard output.
 */
#ifndef TONBROOK_CLI_OUTPUT_H
#define TONBROOK_CLI_OUTPUT_H

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>

namespace cli {

class OutputFile {
 public:
  // Opens standard output for "-". Otherwise follows path's symbolic links
  // to the name they lead to: a device, FIFO or socket there is opened for
  // writing in place; for a regular file, or none, a temporary file is made
  // in its folder, with the existing file's owner and permissions. Returns
  // null and sets *error when that cannot be done; nothing is then created
  // or truncated.
  static std::unique_ptr<OutputFile> Open(const std::string &path, std::string *error);

  // Removes the temporary file unless Commit succeeded.
  ~OutputFile();

  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  // Writes all of bytes where the file stands.
  bool WriteAll(const uint8_t *bytes, size_t size);
  // True for a temporary file, which may seek; false for a stream.
  bool Seekable() const { return temp_[0] != '\0'; }
  int Fd() const { return fd_; }
  // Moves a temporary file into place, or closes a file written in place.
  // On failure a regular target is untouched.
  bool Commit();

  // What went wrong with the last failed call.
  const std::string &Error() const { return error_; }

 private:
  OutputFile(int fd, std::string path);
  bool OpenInPlace(const std::string &target, const struct stat &st);
  bool OpenTemporary(const std::string &target, const struct stat *existing);
  bool KeepOwnerAndMode(const struct stat *existing);
  bool Fail(const std::string &what);

  int fd_;
  std::string path_;   // as the user gave it
  int dir_ = -1;       // the target's folder, for a temporary file
  std::string base_;   // the target's name in that folder
  char temp_[16] = {};  // the temporary file's name; empty when there is none
  bool committed_ = false;
  std::string error_;
};

// Makes an interrupt (SIGINT, SIGTERM, SIGHUP) remove the uncommitted
// temporary file and end the process with 128 + the signal, and makes a
// file beyond the size limit a write error (EFBIG). Call before Open.
void RemoveTemporaryOnSignals();

}  // namespace cli

#endif

/*
 * output.h - where tonbrook-render writes its samples: a regular file that
 * appears under its name only when it is complete, a character device, FIFO
 * or socket written in place, or standard output.
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
  /* Opens standard output for "-". Otherwise opens path as the kernel
   * resolves it, following symbolic links as an open() does (so the
   * system's rules on links hold): a character device, FIFO or socket is
   * written in place, standard output itself (/dev/stdout) as for "-"; for
   * a regular file, or none, an unnamed file (else a hidden temporary one)
   * is made in the folder it lives in, with the existing file's owner and
   * permissions. A block device or a directory is refused. Returns null and
   * sets *error when that cannot be done; nothing is then created or
   * truncated. */
  static std::unique_ptr<OutputFile> Open(const std::string &path, std::string *error);

  /* Removes the temporary file unless Commit succeeded. */
  ~OutputFile();

  OutputFile(const OutputFile &) = delete;
  OutputFile &operator=(const OutputFile &) = delete;

  /* Writes all of bytes where the file stands. A failure is kept: Error()
   * says what it was and Commit refuses. */
  bool WriteAll(const uint8_t *bytes, size_t size);
  /* True for a temporary file, which may seek; false for a stream. */
  bool Seekable() const { return m_temporary; }
  int Fd() const { return m_fd; }
  /* Makes a temporary file durable and gives it the target's name, or
   * closes a file written in place. Fails when any write failed, when the
   * temporary's size is not expectedSize (unless it is negative), or when
   * the data cannot be synced; a regular target is then untouched. */
  bool Commit(int64_t expectedSize);

  /* What went wrong with the first failed call; empty when nothing did. */
  const std::string &Error() const { return m_error; }

 private:
  OutputFile(int fd, std::string path);
  bool OpenFound(int found);
  bool OpenNew(const std::string &folderShown, int dir, const std::string &base, const struct stat *existing);
  bool OpenTemporary();
  bool KeepOwnerAndMode(const struct stat *existing);
  bool Fail(const std::string &what);

  int m_fd;
  std::string m_path;        // as the user gave it
  std::string m_folderShown;  // the target's folder, as messages name it
  int m_dir = -1;            // the target's folder, for a temporary file
  std::string m_base;        // the target's name in that folder
  bool m_temporary = false;  // m_fd is a file that Commit moves into place
  bool m_unnamed = false;    // ... made with O_TMPFILE, not yet linked
  char m_temp[16] = {};      // the named temporary; empty when there is none
  bool m_committed = false;
  std::string m_error;
};

/* Makes an interrupt (SIGINT, SIGTERM, SIGHUP) that was not ignored when
 * the program started remove the uncommitted temporary file and end the
 * process by that signal, and makes a file beyond the size limit a write
 * error (EFBIG). Call before Open. */
void RemoveTemporaryOnSignals();

}  // namespace cli

#endif

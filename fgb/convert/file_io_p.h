// Files of the converters (POSIX): whole inputs in memory, outputs that
// replace their target only when complete.
#ifndef FGB_CONVERT_FILE_IO_P_H
#define FGB_CONVERT_FILE_IO_P_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fgb::conv {

// Error codes of InputFile::load beside errno values (which are positive).
constexpr int kErrNotAFile = -1;  // a device, a socket: not a drawing's bytes
constexpr int kErrTooLarge = -2;  // a stream longer than the reader takes

// The most a stream (a pipe, standard input) is read: far beyond any real
// drawing, well within the memory of the machines it runs on. A regular
// file is read whole, as large as it is.
constexpr uint64_t kMaxStreamBytes = uint64_t{1} << 31;

// The bytes of a file (or of a stream such as a pipe), read at once into
// memory of our own: a file mapped instead could be cut short under the
// reader by another program and end the process.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False with errno in err when the file cannot be opened or read, or with
  // one of the codes below. "-" is standard input. Directories (EISDIR) and
  // devices, sockets and the like (kErrNotAFile) are refused; a named pipe
  // or standard input is read up to max_stream bytes (kErrTooLarge beyond).
  bool load(const char* path, int& err, uint64_t max_stream = kMaxStreamBytes);
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  bool reserve(size_t cap);
  void release();
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t cap_ = 0;
  bool mapped_ = false;  // data_ lies in an anonymous mapping, not heap memory
  void* map_ = nullptr;  // the mapping, when mapped_
  size_t map_size_ = 0;
};

// Output that replaces its target only when complete.
//
// A regular file (or a new one) is written to a temporary file in the
// target's folder (so the final rename cannot cross file systems): an
// unnamed one (O_TMPFILE) linked into place at commit where the file system
// allows it, so that a killed save leaves nothing behind; otherwise a
// hidden file named ".NAME.kvx-PID-XXXXXX", and such files left by a
// process of ours that no longer runs are removed when the next save to the
// folder begins. commit() flushes the file to disk, renames it over the
// target and flushes the folder. The new file takes the permission bits of
// the file it replaces less set-user-ID and set-group-ID, or the usual ones
// of a new file. Hard links to the old file keep the old contents.
//
// A symbolic link is written through: the file it names (even one that does
// not exist yet) is replaced in its own folder and the link stays. A device
// or a named pipe cannot be replaced: it is written directly (direct()).
// A link loop and a directory are errors (ELOOP, EISDIR); a socket is
// kErrNotAFile.
//
// Writing past the process's file-size limit fails with EFBIG ("File too
// large") instead of ending the process: SIGXFSZ is ignored from the first
// open on.
class AtomicOutput {
 public:
  AtomicOutput() = default;
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  bool open(const char* path, int& err);
  // OutBuf drain: writes everything or records the error.
  static bool drain(void* ctx, const char* data, size_t n);
  // Flushes, closes and puts the file in place; false (errno in err,
  // temporary file removed, target untouched) on any failure since open.
  bool commit(int& err);
  void discard();

  // The target is a device or a named pipe, written in place.
  bool direct() const { return direct_; }
  // Size of the file the output will replace; -1 when there is none.
  int64_t replaced_size() const { return replaced_size_; }
  // The file the bytes will reach (a link's target, resolved).
  const std::string& target() const { return target_; }

 private:
  std::string target_;
  std::string temp_;  // the named temporary file; empty for an unnamed one
  std::string folder_;
  int fd_ = -1;
  int err_ = 0;
  bool direct_ = false;
  bool unnamed_ = false;  // fd_ is an O_TMPFILE file, linked at commit
  int64_t replaced_size_ = -1;
};

// Removes the temporary files that saves of ours killed before they were
// done left in folder: hidden files "...kvx-PID-XXXXXX" of this user whose
// process no longer runs. Returns how many went.
int remove_stale_temporaries(const std::string& folder) noexcept;

}  // namespace fgb::conv

#endif

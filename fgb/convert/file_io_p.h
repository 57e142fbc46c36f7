// Files of the converters (POSIX): whole inputs in memory, outputs that
// replace their target only when complete.
#ifndef FGB_CONVERT_FILE_IO_P_H
#define FGB_CONVERT_FILE_IO_P_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fgb::conv {

// The bytes of a file (or of a stream such as a pipe), read at once into
// memory of our own: a file mapped instead could be cut short under the
// reader by another program and end the process.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False with errno in err when the file cannot be opened or read.
  bool load(const char* path, int& err);
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

// Output to a temporary file beside the target (same folder, so the final
// rename cannot cross file systems), renamed over the target by commit().
// Until then the target is untouched; a destroyed or failed output leaves
// no temporary file behind. The new file takes the permissions of the file
// it replaces, or the usual ones of a new file.
class AtomicOutput {
 public:
  AtomicOutput() = default;
  ~AtomicOutput();
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  bool open(const char* path, int& err);
  // OutBuf drain: writes everything or records the error.
  static bool drain(void* ctx, const char* data, size_t n);
  // Closes and renames over the target; false (errno in err, temporary file
  // removed) on any failure since open.
  bool commit(int& err);
  void discard();

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  int err_ = 0;
};

}  // namespace fgb::conv

#endif

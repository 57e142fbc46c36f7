// Files of the converters: a whole input file in memory, and an output that
// replaces its target only once it is complete.
#include "convert/file_io_p.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <fcntl.h>
#include <string>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fgb::conv {

namespace {
// Growth step when reading a stream whose size is unknown (a pipe).
constexpr size_t kStreamChunk = size_t{1} << 20;
// From this size on the buffer is an anonymous mapping whose pages the
// kernel provides in one go, instead of one page fault per 4 KB during the
// read: a tenth of the time of reading a large drawing goes there. The
// mapping is aligned to large pages and offered as such up to a size
// (kLargePagesUpTo), which makes providing them cheaper still; the system
// hands out large pages cheaply only from a limited supply.
constexpr size_t kMapFrom = size_t{1} << 20;
constexpr size_t kLargePage = size_t{2} << 20;
constexpr size_t kLargePagesUpTo = size_t{64} << 20;

// An anonymous mapping of cap bytes aligned to a large page: its start, and
// in raw/raw_size what to unmap. Null when the system refuses.
uint8_t* map_buffer(size_t cap, void*& raw, size_t& raw_size) {
  raw_size = cap + kLargePage;
  raw = ::mmap(nullptr, raw_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto at = (reinterpret_cast<std::uintptr_t>(raw) + kLargePage - 1) & ~std::uintptr_t{kLargePage - 1};
  auto* start = reinterpret_cast<uint8_t*>(at);
  // Advice only: without it the pages come one fault at a time.
#if defined(MADV_HUGEPAGE)
  if (cap <= kLargePagesUpTo) (void)::madvise(start, cap, MADV_HUGEPAGE);
#endif
#if defined(MADV_POPULATE_WRITE)
  (void)::madvise(start, cap, MADV_POPULATE_WRITE);
#endif
  return start;
}
}  // namespace

InputFile::~InputFile() { release(); }

void InputFile::release() {
  if (mapped_)
    ::munmap(map_, map_size_);
  else
    delete[] data_;
  data_ = nullptr;
  map_ = nullptr;
  cap_ = 0;
  mapped_ = false;
}

// Room for cap bytes, keeping the first size_ bytes.
bool InputFile::reserve(size_t cap) {
  uint8_t* fresh = nullptr;
  void* map = nullptr;
  size_t map_size = 0;
  if (cap >= kMapFrom) fresh = map_buffer(cap, map, map_size);
  const bool mapped = fresh != nullptr;
  if (!fresh) fresh = new (std::nothrow) uint8_t[cap];
  if (!fresh) return false;
  if (size_) std::memcpy(fresh, data_, size_);
  const size_t size = size_;
  release();
  data_ = fresh;
  map_ = map;
  map_size_ = map_size;
  cap_ = cap;
  mapped_ = mapped;
  size_ = size;
  return true;
}

bool InputFile::load(const char* path, int& err) {
  err = 0;
  release();
  size_ = 0;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    err = errno;
    return false;
  }
  struct stat st;
  size_t cap = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) cap = static_cast<size_t>(st.st_size);
  if (cap == 0) cap = kStreamChunk;
  if (!reserve(cap)) {
    ::close(fd);
    err = ENOMEM;
    return false;
  }
  for (;;) {
    if (size_ == cap_) {
      // Full: the file may have ended exactly here (the usual case for a
      // regular file), or it grew, or it is a stream. Look before taking
      // more room, so that a file of n bytes costs n bytes and not 2.5 n.
      uint8_t probe[4096];
      const ssize_t m = ::read(fd, probe, sizeof probe);
      if (m < 0) {
        if (errno == EINTR) continue;
        err = errno;
        ::close(fd);
        return false;
      }
      if (m == 0) break;
      if (!reserve(cap_ + std::max(cap_ / 2, kStreamChunk))) {
        ::close(fd);
        err = ENOMEM;
        return false;
      }
      std::memcpy(data_ + size_, probe, static_cast<size_t>(m));
      size_ += static_cast<size_t>(m);
      continue;
    }
    const ssize_t n = ::read(fd, data_ + size_, cap_ - size_);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    size_ += static_cast<size_t>(n);
  }
  ::close(fd);
  return true;
}

// ---- output ----------------------------------------------------------------------

AtomicOutput::~AtomicOutput() { discard(); }

namespace {

std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where the bytes really go: a symbolic link is followed so that saving
// through it replaces the file it names, not the link.
std::string final_target(const char* path) {
  struct stat st;
  if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path, nullptr);
    if (real) {
      std::string r(real);
      std::free(real);
      return r;
    }
  }
  return path;
}

mode_t creation_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool AtomicOutput::open(const char* path, int& err) {
  err = 0;
  discard();
  target_ = final_target(path);
  if (target_.empty() || target_.back() == '/') {
    err = EISDIR;
    return false;
  }
  const std::string folder = folder_of(target_);
  const std::string name = name_of(target_);
  // A hidden name beside the target; a short one when the target's name
  // leaves no room for the suffix.
  std::string temp = folder + "/." + (name.size() + 9 <= NAME_MAX ? name : std::string("kalvex")) + ".XXXXXX";
  std::unique_ptr<char[]> templ(new char[temp.size() + 1]);
  std::memcpy(templ.get(), temp.c_str(), temp.size() + 1);
  fd_ = ::mkostemp(templ.get(), O_CLOEXEC);
  if (fd_ < 0) {
    err = errno;
    return false;
  }
  temp_ = templ.get();
  struct stat st;
  const mode_t mode = ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : creation_mode();
  (void)::fchmod(fd_, mode);  // a failure only leaves the private mode of a fresh file
  return true;
}

bool AtomicOutput::drain(void* ctx, const char* data, size_t n) {
  auto* self = static_cast<AtomicOutput*>(ctx);
  while (n > 0) {
    const ssize_t w = ::write(self->fd_, data, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      self->err_ = errno;
      return false;
    }
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool AtomicOutput::commit(int& err) {
  err = err_;
  if (fd_ < 0 || err_) {
    discard();
    if (!err) err = EIO;
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    err = errno;
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    err = errno;
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  return true;
}

void AtomicOutput::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  err_ = 0;
}

}  // namespace fgb::conv

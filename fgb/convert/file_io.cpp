// Files of the converters: a whole input file in memory, and an output that
// replaces its target only once it is complete.
#include "file_io_p.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fgb::conv {

namespace {
// Growth step when reading a stream whose size is unknown (a pipe).
constexpr size_t kStreamChunk = size_t{1} << 20;
}  // namespace

bool InputFile::load(const char* path, int& err) {
  err = 0;
  data_.reset();
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
  try {
    data_.reset(new uint8_t[cap]);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    err = ENOMEM;
    return false;
  }
  for (;;) {
    if (size_ == cap) {
      // The file grew, or it is a stream: take more room.
      const size_t bigger = cap + std::max(cap / 2, kStreamChunk);
      std::unique_ptr<uint8_t[]> more;
      try {
        more.reset(new uint8_t[bigger]);
      } catch (const std::bad_alloc&) {
        ::close(fd);
        err = ENOMEM;
        return false;
      }
      std::memcpy(more.get(), data_.get(), size_);
      data_ = std::move(more);
      cap = bigger;
    }
    const ssize_t n = ::read(fd, data_.get() + size_, cap - size_);
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

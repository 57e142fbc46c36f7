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
#include <csignal>
#include <dirent.h>
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

namespace {
// Closes a descriptor of our own (not standard input) on every way out.
struct InputFd {
  int fd = -1;
  bool own = false;
  ~InputFd() {
    if (own) ::close(fd);
  }
};
}  // namespace

bool InputFile::load(const char* path, int& err, uint64_t max_stream) {
  err = 0;
  release();
  size_ = 0;
  InputFd in;
  if (std::strcmp(path, "-") == 0) {
    in.fd = STDIN_FILENO;
  } else {
    // O_NONBLOCK: opening a named pipe does not wait for a writer; reads
    // are made blocking again below.
    in.fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    in.own = in.fd >= 0;
  }
  if (in.fd < 0) {
    err = errno;
    return false;
  }
  struct stat st;
  if (::fstat(in.fd, &st) != 0) {
    err = errno;
    return false;
  }
  // Only files and streams hold a drawing: /dev/zero would be read until
  // memory runs out, a directory cannot be read at all.
  if (S_ISDIR(st.st_mode)) {
    err = EISDIR;
    return false;
  }
  const bool regular = S_ISREG(st.st_mode);
  if (!regular && !S_ISFIFO(st.st_mode)) {
    err = kErrNotAFile;
    return false;
  }
  if (in.own && !regular) {
    // A pipe opened without waiting reads as empty until a writer comes:
    // open it again, waiting for one, and make sure it is still a pipe.
    ::close(in.fd);
    in.fd = ::open(path, O_RDONLY | O_CLOEXEC);
    in.own = in.fd >= 0;
    if (!in.own) {
      err = errno;
      return false;
    }
    if (::fstat(in.fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
      err = kErrNotAFile;
      return false;
    }
  } else if (in.own) {
    const int flags = ::fcntl(in.fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(in.fd, F_SETFL, flags & ~O_NONBLOCK);
  }
  const int fd = in.fd;
  size_t cap = 0;
  if (regular && st.st_size > 0) cap = static_cast<size_t>(st.st_size);
  if (cap == 0) cap = kStreamChunk;
  if (!reserve(cap)) {
    err = ENOMEM;
    return false;
  }
  for (;;) {
    if (!regular && size_ > max_stream) {
      err = kErrTooLarge;
      return false;
    }
    if (size_ == cap_) {
      // Full: the file may have ended exactly here (the usual case for a
      // regular file), or it grew, or it is a stream. Look before taking
      // more room, so that a file of n bytes costs n bytes and not 2.5 n.
      uint8_t probe[4096];
      const ssize_t m = ::read(fd, probe, sizeof probe);
      if (m < 0) {
        if (errno == EINTR) continue;
        err = errno;
        return false;
      }
      if (m == 0) break;
      if (!reserve(cap_ + std::max(cap_ / 2, kStreamChunk))) {
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
      return false;
    }
    if (n == 0) break;
    size_ += static_cast<size_t>(n);
  }
  return true;
}

// ---- output ----------------------------------------------------------------------

AtomicOutput::~AtomicOutput() { discard(); }

namespace {

// Symbolic links followed when a link names a file that does not exist yet
// (the system's own limit for a path, Linux's MAXSYMLINKS).
constexpr int kMaxLinkHops = 40;
// The mark of our temporary files: ".NAME" kTempMark "PID-XXXXXX".
constexpr const char* kTempMark = ".kvx-";

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

mode_t creation_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The file a chain of links ends at when that file does not exist (a
// dangling link is written through, creating the file it names). 0, or
// ELOOP, or the errno of a link that cannot be read.
int follow_dangling(const char* path, std::string& out) {
  std::string at = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      out = at;
      return 0;
    }
    std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
    if (n < 0) return errno;
    link.resize(static_cast<size_t>(n));
    at = (!link.empty() && link[0] == '/') ? link : folder_of(at) + "/" + link;
  }
  return ELOOP;
}

// Where the bytes of a save to path go. 0 with the target in `target` and
// its kind in `st` (st_mode 0 for a file still to be made), or an errno.
int resolve_target(const char* path, std::string& target, struct stat& st) {
  struct stat link;
  const bool is_link = ::lstat(path, &link) == 0 && S_ISLNK(link.st_mode);
  if (::stat(path, &st) == 0) {
    target = path;
    if (is_link && S_ISREG(st.st_mode)) {
      // The link stays; the file it names is replaced in its own folder.
      char* real = ::realpath(path, nullptr);
      if (!real) return errno;
      target = real;
      std::free(real);
    }
    return 0;
  }
  const int err = errno;
  if (err != ENOENT) return err;  // ELOOP for a link loop
  std::memset(&st, 0, sizeof st);
  if (!is_link) {
    target = path;
    return 0;
  }
  return follow_dangling(path, target);
}

// The Linux flag for an unnamed file in a folder, where the headers know it.
#if defined(O_TMPFILE)
constexpr int kTmpFile = O_TMPFILE;
#else
constexpr int kTmpFile = 0;
#endif

// Flushes a folder's entries to disk. Folders that cannot be flushed (some
// file systems refuse) are taken as they are; an input/output error is not.
int sync_folder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  const int rc = ::fsync(fd);
  const int err = rc == 0 ? 0 : errno;
  ::close(fd);
  return err == EIO ? EIO : 0;
}

// A name for the temporary file beside the target, for mkostemp.
std::string temp_template(const std::string& folder, const std::string& name) {
  const std::string tail = std::string(kTempMark) + std::to_string(::getpid()) + "-XXXXXX";
  const std::string base = name.size() + tail.size() + 1 <= NAME_MAX ? name : std::string("kalvex");
  return folder + "/." + base + tail;
}

// Replaces the template's last six characters by letters that differ
// from one call to the next.
void fill_unique(std::string& name) {
  static uint64_t state = static_cast<uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull ^
                          static_cast<uint64_t>(reinterpret_cast<std::uintptr_t>(&name));
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  uint64_t bits = state >> 16;
  for (size_t i = name.size() - 6; i < name.size(); ++i, bits /= 36) name[i] = kLetters[bits % 36];
}

// The process number of one of our temporary files' names, or 0.
pid_t temp_owner(const char* name) {
  if (name[0] != '.') return 0;
  const char* mark = std::strstr(name, kTempMark);
  if (!mark) return 0;
  // The last mark counts: the file's own name may hold one too.
  for (const char* m = mark; (m = std::strstr(m + 1, kTempMark));) mark = m;
  const char* p = mark + std::strlen(kTempMark);
  long pid = 0;
  const char* digits = p;
  while (*p >= '0' && *p <= '9' && p - digits < 10) pid = pid * 10 + (*p++ - '0');
  if (p == digits || *p != '-' || std::strlen(p + 1) != 6) return 0;
  return static_cast<pid_t>(pid);
}

}  // namespace

int remove_stale_temporaries(const std::string& folder) noexcept {
  DIR* d = ::opendir(folder.c_str());
  if (!d) return 0;
  int removed = 0;
  const uid_t me = ::geteuid();
  while (const dirent* e = ::readdir(d)) {
    const pid_t pid = temp_owner(e->d_name);
    if (pid <= 0 || pid == ::getpid()) continue;
    // A process that still runs may be saving right now (or may be another
    // program that got the number since): its files stay.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != me) continue;
    if (::unlinkat(::dirfd(d), e->d_name, 0) == 0) ++removed;
  }
  ::closedir(d);
  return removed;
}

bool AtomicOutput::open(const char* path, int& err) {
  err = 0;
  discard();
  direct_ = unnamed_ = false;
  replaced_size_ = -1;
  // A write past the file-size limit must fail with EFBIG, not end the
  // process and leave its temporary file behind. (A handler of the
  // program's own stays.)
  struct sigaction xfsz;
  if (::sigaction(SIGXFSZ, nullptr, &xfsz) == 0 && xfsz.sa_handler == SIG_DFL) {
    xfsz.sa_handler = SIG_IGN;
    (void)::sigaction(SIGXFSZ, &xfsz, nullptr);
  }

  if (!path || !*path) {
    err = ENOENT;
    return false;
  }
  struct stat st;
  if (const int e = resolve_target(path, target_, st)) {
    err = e;
    return false;
  }
  if (S_ISDIR(st.st_mode) || target_.back() == '/') {
    err = EISDIR;
    return false;
  }
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode)) {
    // Nothing to rename over a device or a pipe: the bytes go straight in.
    fd_ = ::open(path, O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
      err = errno;
      return false;
    }
    direct_ = true;
    return true;
  }
  if (st.st_mode != 0 && !S_ISREG(st.st_mode)) {
    err = kErrNotAFile;  // a socket
    return false;
  }
  if (st.st_mode != 0) replaced_size_ = static_cast<int64_t>(st.st_size);
  folder_ = folder_of(target_);
  const mode_t mode = st.st_mode != 0 ? (st.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID)) : creation_mode();

  // An unnamed file is linked into place through /proc: without it, a
  // named one from the start.
  if (kTmpFile != 0 && ::access("/proc/self/fd", X_OK) == 0) {
    fd_ = ::open(folder_.c_str(), kTmpFile | O_WRONLY | O_CLOEXEC, 0600);
    unnamed_ = fd_ >= 0;
    // Refused where the file system has no unnamed files (EOPNOTSUPP,
    // EISDIR on older kernels): a named file instead.
  }
  if (fd_ < 0) {
    remove_stale_temporaries(folder_);
    std::string temp = temp_template(folder_, name_of(target_));
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) {
      err = errno;
      return false;
    }
    temp_ = temp;
  }
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
  if (direct_) {
    fd_ = -1;
    if (::close(fd) != 0) {
      err = errno;
      return false;
    }
    return true;
  }
  // On disk before it takes the target's name: after a power loss the
  // target is the old file or the whole new one, never an empty one.
  if (::fsync(fd) != 0) {
    err = errno;
    discard();
    return false;
  }
  if (unnamed_) {
    // An unnamed file gets a name only now, then takes the target's.
    std::string temp = temp_template(folder_, name_of(target_));
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
      std::string name = temp;
      fill_unique(name);
      if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temp_ = name;
        linked = true;
      } else if (errno != EEXIST) {
        err = errno;
        discard();
        return false;
      }
    }
    if (!linked) {
      err = EEXIST;
      discard();
      return false;
    }
  }
  fd_ = -1;
  if (::close(fd) != 0) {
    err = errno;
    discard();
    return false;
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    err = errno;
    discard();
    return false;
  }
  temp_.clear();
  err = sync_folder(folder_);
  return err == 0;
}

void AtomicOutput::discard() {
  if (fd_ >= 0) {
    ::close(fd_);  // an unnamed file goes with its last descriptor
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  err_ = 0;
}

}  // namespace fgb::conv

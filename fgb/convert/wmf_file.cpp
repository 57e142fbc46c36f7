// Loading metafiles: the exported handle functions of <fgb/convert/wmf.h>.
#include "convert/bytes_p.h"
#include "convert/file_io_p.h"
#include "convert/wmf_p.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

using namespace fgb::wmf;

// A placeable file is recognised only when it holds at least this much.
constexpr size_t kPlaceableProbe = 24;

HMETAFILE handle_of(std::vector<uint8_t>&& bits) noexcept {
  auto* mf = new (std::nothrow) fgb_metafile;
  if (!mf) return nullptr;
  mf->bits = std::move(bits);
  return mf;
}

// errno tells the caller why a load failed: the open or read error (EISDIR
// for a folder, EINVAL for a device or a socket), ENOMEM, or 0 when the
// bytes are not a metafile.
HMETAFILE load(const char* path, bool placeable, int* units) noexcept {
  if (!path) return nullptr;
  try {
    fgb::conv::InputFile in;
    int err = 0;
    if (!in.load(path, err)) {
      errno = err > 0 ? err : EINVAL;
      return nullptr;
    }
    errno = 0;
    if (!placeable && in.size() >= 4 && fgb::conv::ByteCursor::le32(in.data()) == FGB_PLACEABLE_KEY)
      return nullptr;  // a placeable file is not a plain metafile
    std::vector<uint8_t> bits;
    if (!bits_from_file(in.data(), in.size(), placeable, bits, units)) return nullptr;
    HMETAFILE mf = handle_of(std::move(bits));
    if (!mf) errno = ENOMEM;
    if (mf && placeable) {
      mf->framed = true;
      frame_of(in.data(), mf->frame);
    }
    return mf;
  } catch (...) {
    errno = ENOMEM;
    return nullptr;
  }
}

}  // namespace

extern "C" {

FGB_API int FileIsPlaceable(const char* path) noexcept {
  if (!path) return 0;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  uint8_t head[kPlaceableProbe];
  size_t got = 0;
  while (got < sizeof head) {
    const ssize_t n = ::read(fd, head + got, sizeof head - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return got == sizeof head && fgb::conv::ByteCursor::le32(head) == FGB_PLACEABLE_KEY ? 1 : 0;
}

FGB_API HMETAFILE GetPlaceableMetaFile(const char* path, int* units_per_inch) noexcept {
  return load(path, true, units_per_inch);
}

FGB_API HMETAFILE GetMetaFileA(const char* path) noexcept { return load(path, false, nullptr); }

FGB_API HMETAFILE SetMetaFileBitsEx(uint32_t size, const uint8_t* bits) noexcept {
  if (!bits || !valid_header(bits, size)) return nullptr;
  try {
    return handle_of(std::vector<uint8_t>(bits, bits + size));
  } catch (...) {
    return nullptr;
  }
}

FGB_API uint32_t GetMetaFileBitsEx(HMETAFILE mf, uint32_t size, void* out) noexcept {
  if (!mf || mf->bits.size() > UINT32_MAX) return 0;
  const auto n = static_cast<uint32_t>(mf->bits.size());
  if (out && size >= n) std::memcpy(out, mf->bits.data(), n);
  return n;
}

FGB_API int DeleteMetaFile(HMETAFILE mf) noexcept {
  if (!mf) return 0;
  delete mf;
  return 1;
}

}  // extern "C"

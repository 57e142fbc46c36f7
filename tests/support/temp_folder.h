// Files for tests: a fresh temporary folder that goes away with everything
// in it, and whole files read into or written from strings.
#ifndef KALVEX_TESTS_SUPPORT_TEMP_FOLDER_H
#define KALVEX_TESTS_SUPPORT_TEMP_FOLDER_H

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testsupport {

// The bytes of a file; empty when it cannot be read.
inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Replaces the file's bytes (creating it).
inline void spit(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A new folder under the system's temporary folder, named prefix-XXXXXX.
// It is removed with everything in it at the end, whatever permissions a
// test left on it.
class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "kalvex-test") {
    std::string t = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!::mkdtemp(t.data())) throw std::runtime_error("cannot make a temporary folder from " + t);
    dir_ = t;
  }
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The path of name inside the folder.
  std::string operator/(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& path() const { return dir_; }
  // Writes a file of the folder; its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    spit(dir_ / name, bytes);
    return *this / name;
  }
  // Entries directly in the folder.
  size_t entries() const {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++n;
    return n;
  }

 private:
  std::filesystem::path dir_;
};

}  // namespace testsupport

#endif

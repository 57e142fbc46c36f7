// render in kalvex-cli itself: the command lives in the picture module
// (kalvex-cli-render.so), which brings the canvas and Qt; the other commands
// start without loading either.
#include "cli.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace kalvex::cli {

namespace {

constexpr const char* kModuleName = "kalvex-cli-render.so";
constexpr const char* kEntry = "kalvex_cli_render";

// The folder of the running program, or "" when it cannot be told.
std::string program_folder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  const std::string path(buf, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

int render_command(Args& args, Io& io) {
  const std::string folder = program_folder();
  // Beside the program (the build tree), else where it is installed.
  const std::string places[] = {folder + "/" + kModuleName,
                                folder + "/" KALVEX_RENDER_MODULE_REL "/" + kModuleName};
  std::string why;
  for (const std::string& path : places) {
    if (folder.empty() || ::access(path.c_str(), F_OK) != 0) continue;
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      why = ::dlerror();
      break;
    }
    using Entry = int (*)(Args*, Io*);
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, kEntry));
    if (!entry) {
      why = path + " has no " + kEntry;
      break;
    }
    // The module stays loaded: Qt keeps state until the process ends.
    return entry(&args, &io);
  }
  if (why.empty()) why = std::string("found neither ") + places[0] + " nor " + places[1];
  complain(io, "render needs the picture module " + std::string(kModuleName) + ": " + why);
  return kExitFailed;
}

}  // namespace kalvex::cli

// kalvex-cli: converts and inspects plotter and CAD drawings.
#include "cli.h"

#include <clocale>
#include <unistd.h>

int main(int argc, char** argv) {
  // Messages follow the user's language, as in the program; file numbers
  // never depend on the locale.
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv, argv + argc);
  kalvex::cli::Io io;
  io.progress = ::isatty(STDERR_FILENO) == 1;
#if defined(__SANITIZE_ADDRESS__)
  // The leak checker would report every document left to the exit.
  io.fast_exit = false;
#else
  io.fast_exit = true;
#endif
  const int status = kalvex::cli::run(args, io);
  if (std::fflush(stdout) != 0) return kalvex::cli::kExitFailed;
  return status;
}

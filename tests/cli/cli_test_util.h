// kalvex-cli run in process for the tests: its status and what it printed
// on out and err, and the temporary folder for the files it reads and
// writes.
#ifndef KALVEX_TESTS_CLI_CLI_TEST_UTIL_H
#define KALVEX_TESTS_CLI_CLI_TEST_UTIL_H

#include "cli.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace clitest {

using Folder = testsupport::TempFolder;
using testsupport::slurp;

struct Result {
  int status;
  std::string out, err;
};

// kalvex-cli with args after the program's name; progress: as on a terminal.
inline Result cli(std::vector<std::string> args, bool progress = false) {
  args.insert(args.begin(), "kalvex-cli");
  char* out_buf = nullptr;
  char* err_buf = nullptr;
  size_t out_len = 0, err_len = 0;
  kalvex::cli::Io io;
  io.out = open_memstream(&out_buf, &out_len);
  io.err = open_memstream(&err_buf, &err_len);
  io.progress = progress;
  Result r;
  r.status = kalvex::cli::run(args, io);
  std::fclose(io.out);
  std::fclose(io.err);
  r.out.assign(out_buf, out_len);
  r.err.assign(err_buf, err_len);
  std::free(out_buf);
  std::free(err_buf);
  return r;
}

inline bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace clitest

#endif

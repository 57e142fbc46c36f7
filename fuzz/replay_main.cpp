// Runs a fuzz harness without libFuzzer: over every file of the folders
// given on the command line (the regression inputs), then over a fixed set
// of hostile inputs that every reader must survive. Fails (by crashing under
// the sanitizers, or by a harness's own abort) on the first bad input.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void run(const std::string& bytes) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::vector<std::string> hostile_inputs() {
  std::vector<std::string> v;
  v.emplace_back();
  v.emplace_back(1, '\0');
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  v.push_back(all);
  v.push_back(std::string(4096, '\xff'));
  v.push_back(std::string(4096, '9'));
  v.push_back("99999999999999999999999999999999999999999");
  v.push_back("-2147483649 2147483648 1e308 -1e308 nan inf");
  std::string pd;
  for (int i = 0; i < 20000; ++i) pd += "PD";
  v.push_back(pd);
  std::string line(200000, 'A');
  v.push_back(line);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (!std::filesystem::is_directory(argv[i], ec)) continue;
    for (const auto& e : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
      if (!e.is_regular_file()) continue;
      std::ifstream in(e.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      run(bytes);
      ++files;
    }
  }
  auto hostile = hostile_inputs();
  for (const auto& h : hostile) run(h);
  std::printf("replayed %d files and %zu hostile inputs\n", files, hostile.size());
  return 0;
}

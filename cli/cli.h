// kalvex-cli: commands over the drawing library, one table of them
// (commands.cpp). A command reads its arguments, works on MainDB documents,
// writes results to out and every complaint to err, naming the file and the
// cause, and returns the process's exit status.
#ifndef KALVEX_CLI_CLI_H
#define KALVEX_CLI_CLI_H

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct fgb_import_report;

namespace kalvex::cli {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a file could not be read or written
constexpr int kExitUsage = 2;   // the command line was wrong

struct Io {
  FILE* out = stdout;
  FILE* err = stderr;
  bool progress = false;                // draw a progress bar on err (a terminal)
  bool fast_exit = false;               // the process ends after the command: documents
                                        // are left to the end of the process instead of
                                        // being taken apart element by element
  int cutter_units = 1000;              // --cutter-units: Gerber-cutter numbers per inch
  fgb_import_report* report = nullptr;  // filled by the next read, when set
};

// Runs argv[1..]; argv[0] is the program's name.
int run(const std::vector<std::string>& args, Io& io);

// ---- for the commands ----

// The options and operands of a command line. Options are "--name",
// "--name VALUE" or "--name=VALUE"; "--" ends them.
class Args {
 public:
  Args(const std::vector<std::string>& args, size_t first);
  // Consumes a flag; true when it was given.
  bool flag(std::string_view name);
  // Consumes an option with a value; true (value set) when it was given.
  // A missing value is an error reported by finish().
  bool value(std::string_view name, std::string& out);
  // After the options a command knows: the operands. False (with the
  // message in error) for an unknown option or a missing value.
  bool finish(std::vector<std::string>& operands, std::string& error);

 private:
  std::vector<std::string> items_;
  std::vector<bool> used_;
  std::string missing_;
  size_t end_of_options_;
};

struct Command {
  const char* name;
  const char* usage;    // after "kalvex-cli NAME "
  const char* summary;  // one line
  const char* options;  // help text of the options, may be empty
  int (*run)(Args& args, Io& io);
};

// The command table, ended by an entry with a null name.
extern const Command kCommands[];

// Prints "kalvex-cli: " and the message, and a line feed, to io.err.
void complain(Io& io, const std::string& message);
// Usage of one command on io.err; returns kExitUsage.
int usage_error(Io& io, const Command& cmd, const std::string& message);
const Command* find_command(std::string_view name);

}  // namespace kalvex::cli

#endif

// The command table, the command-line parser and the messages.
#include "cli.h"

#include <cstring>

namespace kalvex::cli {

int convert_command(Args& args, Io& io);
int info_command(Args& args, Io& io);
int hatch_command(Args& args, Io& io);
int inset_command(Args& args, Io& io);
int flatten_command(Args& args, Io& io);
int render_command(Args& args, Io& io);

// New commands: one row each (name, operands, summary, options, function).
const Command kCommands[] = {
    {"convert", "[options] IN OUT", "convert a drawing from one file kind to another",
     "  --from KIND       kind of IN (default: from its extension; a .plt file is read as\n"
     "                    a PCAD plot file: read an HPGL .plt with --from hpgl)\n"
     "  --to KIND         kind of OUT (default: from its extension)\n"
     "  --layer N         PCAD board files: the layer to read (default 1)\n"
     "  --optimise        HPGL: order the paths to save pen travel, print the plotting time\n"
     "  --dxf-no-segments DXF: leave single line segments out\n"
     "  --apertures FILE  apertures table: lines of aperture number (0..99) and size in inches\n"
     "  --max-elements N  stop a read that would make more than N elements (every 8 points\n"
     "                    counting as one more; default 4000000, or one per 4 bytes of IN)\n"
     "  --force           write OUT even when the drawing has no elements and OUT is not empty\n"
     "OUT is replaced as a whole once it is written: a new file with the old one's\n"
     "permissions (hard links to the old file keep the old contents). Through a\n"
     "symbolic link the file it names is replaced; a device or a pipe is written directly.\n",
     convert_command},
    {"info", "[options] FILE", "element count by kind, bounding box and pages of a drawing",
     "  --from KIND       kind of FILE (default: from its extension; --from hpgl for an HPGL .plt)\n"
     "  --layer N         PCAD board files: the layer to read (default 1)\n"
     "  --apertures FILE  apertures table for Gerber files\n"
     "  --max-elements N  as for convert\n"
     "  --report          also what the reader skipped or could not represent, where, and the\n"
     "                    dialect and units it assumed\n"
     "  --json            all of it as one JSON object (counts, box in inches, units, report)\n",
     info_command},
    {"hatch", "--step MM [options] IN OUT", "fill the drawing's outlines with horizontal hatch lines",
     "  --step MM         distance between hatch lines (required)\n"
     "  --offset MM       shortening of each hatch line at both ends (default 0)\n"
     "  --preset N        pen of the hatch lines: 1 to 4, -1 hairline, -2 the default 0.3 mm pen\n"
     "  --from KIND, --to KIND, --apertures FILE, --max-elements N, --force   as for convert\n"
     "Outlines are grouped first, as the program's hatch does: polylines and curves\n"
     "become closed outlines, other elements are left out.\n",
     hatch_command},
    {"inset", "--distance MM [options] IN OUT", "add offset contours of every element",
     "  --distance MM     offset distance: positive outward, negative inward (required)\n"
     "  --count N         contours per polyline at 1, 2 .. N times the distance (default 1)\n"
     "  --from KIND, --to KIND, --apertures FILE, --max-elements N, --force   as for convert\n",
     inset_command},
    {"flatten", "[options] IN OUT", "turn Bezier curves into polylines",
     "  --density N       points per curve piece (default 12)\n"
     "  --from KIND, --to KIND, --apertures FILE, --max-elements N, --force   as for convert\n",
     flatten_command},
    {"render", "[options] IN OUT",
     "draw a drawing into a PNG, SVG or PDF picture (kind from OUT's extension)",
     "  --dpi N           picture resolution in dots per inch (default 150)\n"
     "  --page            draw the page of a new drawing window with its outline and axes\n"
     "                    (default: the drawing alone, fitted with a 5 % margin)\n"
     "  --from KIND, --layer N, --apertures FILE   as for convert\n",
     render_command},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

const Command* find_command(std::string_view name) {
  for (const Command* c = kCommands; c->name; ++c)
    if (name == c->name) return c;
  return nullptr;
}

void complain(Io& io, const std::string& message) {
  std::fprintf(io.err, "kalvex-cli: %s\n", message.c_str());
}

int usage_error(Io& io, const Command& cmd, const std::string& message) {
  std::fprintf(io.err, "kalvex-cli %s: %s\nusage: kalvex-cli %s %s\n", cmd.name, message.c_str(), cmd.name,
               cmd.usage);
  return kExitUsage;
}

namespace {

void general_help(FILE* to) {
  std::fprintf(to, "usage: kalvex-cli COMMAND [options] [files]\n\ncommands:\n");
  for (const Command* c = kCommands; c->name; ++c) std::fprintf(to, "  %-10s %s\n", c->name, c->summary);
  std::fprintf(to,
               "\nfile kinds: hpgl (.hpg, .hpgl), gerber (.gbr), gerber-cutter, dxf (.dxf);\n"
               "read only: ai (.ai), wmf (.wmf), pcad-plot (.plt), pcad-board (.pcb)\n"
               "A .plt file is read as a PCAD plot file; read an HPGL .plt with --from hpgl.\n"
               "\nevery command that reads a drawing also takes:\n"
               "  --cutter-units N  Gerber-cutter input: numbers in 1/N inch, 1000 (thousandths,\n"
               "                    the default) or 100 (hundredths, as most cutter software writes)\n"
               "\nHPGL files of several pages (PG) are read with each page placed to the right of\n"
               "the pages before it, 10 mm apart, in one drawing.\n"
               "\nA written file is replaced as a whole (a new file: hard links are not kept).\n"
               "kalvex-cli help COMMAND shows a command's options.\n");
}

void command_help(FILE* to, const Command& c) {
  std::fprintf(to, "usage: kalvex-cli %s %s\n%s\n", c.name, c.usage, c.summary);
  if (c.options && *c.options) std::fprintf(to, "\noptions:\n%s", c.options);
}

}  // namespace

int run(const std::vector<std::string>& args, Io& io) {
  if (args.size() < 2) {
    general_help(io.err);
    return kExitUsage;
  }
  const std::string& name = args[1];
  if (name == "help" || name == "--help" || name == "-h") {
    if (args.size() > 2) {
      const Command* c = find_command(args[2]);
      if (!c) {
        complain(io, "unknown command '" + args[2] + "'");
        return kExitUsage;
      }
      command_help(io.out, *c);
    } else {
      general_help(io.out);
    }
    return kExitOk;
  }
  const Command* cmd = find_command(name);
  if (!cmd) {
    complain(io, "unknown command '" + name + "' (try kalvex-cli help)");
    return kExitUsage;
  }
  Args a(args, 2);
  if (a.flag("--help")) {
    command_help(io.out, *cmd);
    return kExitOk;
  }
  std::string units;
  if (a.value("--cutter-units", units)) {
    if (units != "100" && units != "1000")
      return usage_error(io, *cmd, "--cutter-units takes 100 or 1000, not '" + units + "'");
    io.cutter_units = units == "100" ? 100 : 1000;
  }
  return cmd->run(a, io);
}

// ---- Args -----------------------------------------------------------------

Args::Args(const std::vector<std::string>& args, size_t first)
    : items_(args.begin() + static_cast<std::ptrdiff_t>(std::min(first, args.size())), args.end()),
      used_(items_.size(), false),
      end_of_options_(items_.size()) {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == "--") {
      end_of_options_ = i;
      used_[i] = true;
      break;
    }
}

bool Args::flag(std::string_view name) {
  bool found = false;
  for (size_t i = 0; i < end_of_options_; ++i)
    if (!used_[i] && items_[i] == name) used_[i] = found = true;
  return found;
}

bool Args::value(std::string_view name, std::string& out) {
  bool found = false;
  for (size_t i = 0; i < end_of_options_; ++i) {
    if (used_[i]) continue;
    const std::string& s = items_[i];
    if (s == name) {
      used_[i] = true;
      found = true;
      if (i + 1 < end_of_options_ && !used_[i + 1]) {
        out = items_[i + 1];
        used_[i + 1] = true;
        ++i;
      } else {
        missing_ = std::string(name);
      }
    } else if (s.size() > name.size() && s.compare(0, name.size(), name) == 0 && s[name.size()] == '=') {
      used_[i] = true;
      found = true;
      out = s.substr(name.size() + 1);
    }
  }
  return found;
}

bool Args::finish(std::vector<std::string>& operands, std::string& error) {
  if (!missing_.empty()) {
    error = "option " + missing_ + " needs a value";
    return false;
  }
  operands.clear();
  for (size_t i = 0; i < items_.size(); ++i) {
    if (used_[i]) continue;
    const std::string& s = items_[i];
    if (i < end_of_options_ && s.size() > 1 && s[0] == '-') {
      error = "unknown option '" + s + "'";
      return false;
    }
    operands.push_back(s);
  }
  return true;
}

}  // namespace kalvex::cli

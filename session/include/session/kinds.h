// File kinds the command line knows: their names for --from/--to, and the
// extensions that choose them, as the program's Open does (plus .hpgl).
#ifndef KALVEX_SESSION_KINDS_H
#define KALVEX_SESSION_KINDS_H

#include <string>
#include <string_view>

namespace kalvex::session {

struct KindInfo {
  const char* name;  // for --from / --to
  int kind;          // FGB_KIND_*
  bool readable;
  bool writable;
  const char* extensions;  // space-separated, lower case, compared without regard to case
  const char* title;       // for messages
};

// The kind of a --from / --to name, or null.
const KindInfo* kind_by_name(std::string_view name);
// The kind chosen by a file's extension, or null.
const KindInfo* kind_by_path(std::string_view path);
const KindInfo* kind_by_code(int kind);
// "hpgl, gerber, ..." for messages.
std::string kind_names();

}  // namespace kalvex::session

#endif

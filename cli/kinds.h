// The file kinds, shared with the program (<session/kinds.h>).
#ifndef KALVEX_CLI_KINDS_H
#define KALVEX_CLI_KINDS_H

#include <session/kinds.h>

namespace kalvex::cli {
using session::kind_by_code;
using session::kind_by_name;
using session::kind_by_path;
using session::kind_names;
using session::KindInfo;
}  // namespace kalvex::cli

#endif

// Checks before a read, shared with the program (<session/import_check.h>).
#ifndef KALVEX_CLI_IMPORT_CHECK_H
#define KALVEX_CLI_IMPORT_CHECK_H

#include <session/import_check.h>

namespace kalvex::cli {
using session::hpgl_in_pcad_plot;
using session::parse_layer;
}  // namespace kalvex::cli

#endif

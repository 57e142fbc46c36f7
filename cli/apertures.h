// The apertures table, shared with the program (<session/apertures.h>).
#ifndef KALVEX_CLI_APERTURES_H
#define KALVEX_CLI_APERTURES_H

#include <session/apertures.h>

namespace kalvex::cli {
using session::Apertures;
using session::kApertureCount;
using session::kApertureFileMax;
using session::kApertureNotAFile;
using session::kApertureTooLong;
using session::load_apertures;
using session::parse_apertures;
}  // namespace kalvex::cli

#endif

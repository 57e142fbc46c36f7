// Extended Gerber (RS-274X, and RS-274D files with arcs or regions): the
// parameter blocks (%FS, %MO, %AD, %AM, %LP, ...) and the block semantics
// of today's writers. gerber_read.cpp keeps the plain reader for files that
// use none of this (is_extended tells them apart before reading):
//  gerber_ext.cpp         the block engine: draws, moves, flashes, arcs, regions;
//  gerber_ext_params.cpp  format, units, apertures and aperture macros.
#ifndef FGB_CONVERT_GERBER_EXT_P_H
#define FGB_CONVERT_GERBER_EXT_P_H

#include "convert/readers_p.h"
#include "convert/report_p.h"
#include "convert/sink_p.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace fgb::conv::gerber {

// True when the data has a format, unit or aperture parameter block, or a
// G code of arcs, regions, quadrant modes, metric units or incremental
// coordinates: such a file is read by read_extended. One quick pass.
bool is_extended(const uint8_t* data, size_t size) noexcept;

int read_extended(const uint8_t* data, size_t size, ElementSink& sink, const ReadOptions& opt);

// Aperture size (inches) to pen of the palette, as the plain reader colours
// its draws.
int pen_of_size(double size);

// The coordinate format (%FS) and units (%MO, G70/G71).
struct Format {
  bool trailing = false;     // trailing zeros omitted (T); else leading (L, or neither)
  bool incremental = false;  // I (or G91)
  int int_x = 2, dec_x = 4;  // digits before and after the point
  int int_y = 2, dec_y = 4;
  bool given = false;   // %FS seen
  bool metric = false;  // millimetres
};

struct Aperture {
  double draw = 0;   // width of draws, inches
  double flash = 0;  // size of flashes, inches
  bool macro = false;
};

// Apertures defined by the file, and its macros.
class ApertureDefs {
 public:
  // %AM: name and the text of its primitives (blocks without "*").
  void define_macro(std::string_view name, std::vector<std::string> blocks);
  // %ADDnn<template>,<params>: false when it cannot be read. unit: inches
  // per file unit.
  bool define(std::string_view text, double unit, Reporter& rep, size_t at);
  const Aperture* find(int32_t code) const;
  // Macro evaluation left (work units): bounded by the file's size.
  uint64_t budget = 0;

 private:
  std::map<int32_t, Aperture> apertures_;
  std::map<std::string, std::vector<std::string>, std::less<>> macros_;
};

// The diameter of the circle round the origin that holds every primitive of
// a macro with these parameters ($1, $2, ...), in the macro's units; 0 when
// nothing can be made of it. work counts down the budget.
double macro_extent(const std::vector<std::string>& blocks, std::vector<double> params, uint64_t& work);

// One number of a parameter block: text to double, "." decimal separator,
// no locale; false when there is no number.
bool parse_decimal(std::string_view s, double& out);

}  // namespace fgb::conv::gerber

#endif

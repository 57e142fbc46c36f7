// Checks on files of the import-only kinds before they are read: a ".plt"
// that is HPGL text rather than a PCAD plot file, and the layer option.
#ifndef KALVEX_SESSION_IMPORT_CHECK_H
#define KALVEX_SESSION_IMPORT_CHECK_H

#include <cstddef>
#include <string>

namespace kalvex::session {

// Non-empty (the reason) when the file does not fit a PCAD plot file - its
// header's entries run past its end - and its start looks like HPGL text,
// the usual content of a ".plt" file.
std::string hpgl_in_pcad_plot(const std::string& path);

// True when the start of a file (got bytes) is text holding HPGL
// mnemonics.
bool looks_like_hpgl_text(const unsigned char* head, size_t got);

// The --layer value: a whole number from -32768 to 65535 (its low 16 bits
// choose the layer; -1 takes every position as a section start). False
// for anything else.
bool parse_layer(const std::string& text, int& layer);

}  // namespace kalvex::session

#endif

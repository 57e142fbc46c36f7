// The logic of the small windows: the plotting-time labels and the layer
// number field.
#ifndef KALVEX_SESSION_SMALL_WINDOWS_H
#define KALVEX_SESSION_SMALL_WINDOWS_H

#include <string>

namespace kalvex::session {

// The three labels of the timing window for t seconds (t >= 0): hours,
// minutes and seconds with their suffixes, each empty when zero.
struct ElapsedLabels {
  std::string hours, minutes, seconds;
};
ElapsedLabels elapsed_labels(float t);

// The layer field's text as an integer: decimal, or hexadecimal with a
// "$" or "0x" prefix, optionally signed, blanks allowed in front. False
// when the text holds anything else.
bool parse_layer_number(const std::string& text, int& out);

}  // namespace kalvex::session

#endif

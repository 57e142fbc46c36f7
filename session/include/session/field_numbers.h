// Numbers in the dialogs' fields. A field shows and takes numbers with the
// user's decimal separator (a '.' is taken too); an integer field is read
// leniently, the way the dialogs always read their counts. The window layer
// gives the separator of the user's locale; nothing here looks at the
// process locale.
#ifndef KALVEX_SESSION_FIELD_NUMBERS_H
#define KALVEX_SESSION_FIELD_NUMBERS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalvex::session {

// How the user writes numbers: the decimal separator (UTF-8, "." or ","
// or a wider character).
struct NumberStyle {
  std::string decimal = ".";
};

// A field's text as a finite number: blanks around it are allowed, then an
// optional sign, digits with one decimal separator (the user's or '.'), an
// optional exponent. Nothing when the text holds anything else.
std::optional<double> parse_field_number(std::string_view text, const NumberStyle& style = {});

// An integer field: leading blanks, an optional sign and the leading
// decimal digits; 0 when there are none; anything after them is ignored.
// Values beyond the 32-bit range are held at its ends.
long parse_field_integer(std::string_view text);

// A count of elements: blanks around it, decimal digits, optionally in
// groups of three split by the user's thousands separator (group, UTF-8)
// or a space. Empty or blank text is 0. Nothing when the text holds
// anything else or the count does not fit in 63 bits.
std::optional<int64_t> parse_element_count(std::string_view text, std::string_view group = {});

// v in general format with up to `digits` significant digits (trailing
// zeros dropped), written with the user's separator.
std::string format_general(double v, int digits, const NumberStyle& style = {});

// The message for a field that does not hold a number.
std::string not_a_number(const std::string& field, std::string_view text);

// A number read from a named field, or the message saying why not.
struct FieldRead {
  double value = 0;
  std::string error;  // empty: value is the field's number
  bool ok() const { return error.empty(); }
};
FieldRead read_field(const std::string& field, std::string_view text, const NumberStyle& style);

}  // namespace kalvex::session

#endif

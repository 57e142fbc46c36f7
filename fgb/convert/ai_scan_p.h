// Scanning of Illustrator lines: the lines themselves, and the conversions
// "%f", "%1s" and "%10s" with the acceptance rules of the C library's
// sscanf, but independent of the process locale and without its NUL
// terminated input.
#ifndef FGB_CONVERT_AI_SCAN_P_H
#define FGB_CONVERT_AI_SCAN_P_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fgb::conv::ai {

// Longest line handed out; a longer one is cut into pieces of this length,
// each losing the character after it.
constexpr size_t kLineMax = 99;

// Lines as the reader sees them: up to kLineMax characters up to a line
// feed, which is then consumed. A longer line is cut after its 99th
// character; the 100th is consumed in place of the line feed and the rest
// comes as the next line. Meeting the end of the data where a line feed
// should be consumed ends the lines, so a last line without a line feed is
// never handed out. A carriage return right before a line feed counts as
// part of the line feed (files written on systems with CR LF line ends
// read as the system they were written for reads them). A NUL byte ends
// the text of its line, as it ends a C string.
class LineReader {
 public:
  LineReader(const uint8_t* data, size_t size) noexcept : p_(data), begin_(data), end_(data + size) {}
  // False at the end of the lines.
  bool next(std::string_view& line) noexcept;
  size_t offset() const noexcept { return static_cast<size_t>(p_ - begin_); }
  // Goes back (or on) to a place offset() gave.
  void seek(size_t offset) noexcept {
    p_ = begin_ + (offset < static_cast<size_t>(end_ - begin_) ? offset : static_cast<size_t>(end_ - begin_));
  }

 private:
  const uint8_t* p_;
  const uint8_t* begin_;
  const uint8_t* end_;
};

// White space as the C locale's isspace has it.
inline bool is_space(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

// "%f" at p: skips white space, then reads the longest text that is or
// starts a number - sign, decimal digits with a point, an exponent; "0x"
// hexadecimal digits with a "p" exponent; "inf", "infinity", "nan", in any
// case - and converts as much of it as is a number. An exponent letter
// without digits is taken along and left out of the value ("1e" reads 1).
// False (p unchanged) when no number is there, including "0x" without a
// digit and an "infinity" cut short. The value may be infinite or NaN.
bool scan_float(const char*& p, const char* end, double& value) noexcept;

// Up to max numbers at the start of the line, as "%f %f ..." reads them;
// returns how many were read. after[i] is the character "%1s" would read
// after number i (the next one that is not white space; 0 at the end of
// the line). So sscanf(line, "%f %f %1s") assigns 3 items with the
// operator c exactly when 2 or more numbers are read and after[1] is c.
int scan_numbers(std::string_view line, int max, double* values, char* after) noexcept;
// The same; rest receives where the text after the numbers read (and the
// blanks after them) begins.
int scan_numbers(std::string_view line, int max, double* values, char* after, size_t& rest) noexcept;

// The word (up to white space) at the start of text, blanks skipped.
std::string_view word_at(std::string_view text) noexcept;

// The first word as "%Ns" reads it (white space skipped, then at most
// `width` characters up to white space); empty for a blank line.
std::string_view first_word(std::string_view line, size_t width) noexcept;

}  // namespace fgb::conv::ai

#endif

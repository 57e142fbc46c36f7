// Block scanning shared by the Gerber and Gerber-cutter readers.
//
// A block is the text up to and including "*". It holds a few words, each a
// letter of the dialect followed by decimal digits (no point; a sign only
// where the caller asks for signed words). The scan of one block:
//  - a word letter without a digit after it (a sign, a point, another
//    letter) discards the whole block;
//  - any other letter ends the useful part: the rest up to "*" is skipped,
//    the words read so far stay;
//  - every other byte outside a word is skipped;
//  - the end of the data inside a block ends reading; that block is lost.
#ifndef FGB_CONVERT_BLOCKS_P_H
#define FGB_CONVERT_BLOCKS_P_H

#include "convert/progress_p.h"
#include "convert/digits_p.h"

#include <algorithm>

namespace fgb::conv {

struct Word {
  char letter;
  int32_t number;  // saturated at +-(2^31 - 1)
};

template <int MaxWords>
struct Block {
  Word words[MaxWords];
  int count = 0;
};

// The dialect's word letters are the caller's: is_word_letter(c) tells
// whether the byte c starts a word.
class BlockScanner {
 public:
  BlockScanner(const uint8_t* data, size_t size) : begin_(data), p_(data), end_(data + size) {}

  // Reads the next block into b. False at the end of the data (the block in
  // progress, if any, is lost). A discarded block comes back with count 0.
  // on_word is called for each word kept, as it is read.
  // Signed: a word's digits may follow a sign (Gerber coordinates).
  template <int MaxWords, bool Signed = false, typename IsWordLetter, typename OnWord>
  bool next(Block<MaxWords>& b, IsWordLetter is_word_letter, OnWord on_word) {
    b.count = 0;
    bool useful = true;
    for (;;) {
      if (p_ == end_) return false;
      const uint8_t c = *p_;
      if (c == '*') {
        ++p_;
        return true;
      }
      if (!useful) {
        // Skip to the "*" quickly: this is where comments and parameter
        // blocks go.
        const void* star = std::memchr(p_, '*', static_cast<size_t>(end_ - p_));
        if (!star) {
          p_ = end_;
          return false;
        }
        p_ = static_cast<const uint8_t*>(star);
        continue;
      }
      if (is_word_letter(c)) {
        ++p_;
        if (p_ == end_) return false;
        if (!digit(*p_)) {
          // A sign before the digits, where allowed: read apart, so that
          // the path of plain digits stays as it is.
          if constexpr (Signed) {
            if (signed_word(b, static_cast<char>(c), on_word)) continue;
          }
          b.count = 0;
          useful = false;  // discarded: nothing of the block is obeyed
          continue;
        }
        uint64_t v = 0;
        const uint32_t n = end_ - p_ >= 8 ? leading_digits(p_, v) : 8;
        if (n < 8) {
          p_ += n;
        } else {  // eight digits or more, or near the end: one at a time
          v = 0;
          while (p_ < end_ && digit(*p_)) {
            if (v <= uint64_t{kIntReadMax}) v = v * 10 + (*p_ - '0');
            ++p_;
          }
        }
        const Word w{static_cast<char>(c), static_cast<int32_t>(std::min<uint64_t>(v, kIntReadMax))};
        if (b.count < MaxWords) {
          b.words[b.count++] = w;
          on_word(w);
        }
        continue;
      }
      if (static_cast<uint8_t>((c | 0x20) - 'a') < 26) useful = false;
      ++p_;
    }
  }

  // Reads every block, handing each to obey until it returns false (a stop
  // code); the meter follows the scan.
  template <int MaxWords, bool Signed = false, typename IsWordLetter, typename OnWord, typename Obey>
  void obey_all(IsWordLetter is_word_letter, OnWord on_word, ProgressMeter& meter, Obey obey) {
    Block<MaxWords> b;
    while (next<MaxWords, Signed>(b, is_word_letter, on_word)) {
      meter.at(offset());
      if (!obey(b)) break;
    }
    meter.finish();
  }

  size_t offset() const { return static_cast<size_t>(p_ - begin_); }

 private:
  // At a sign followed by a digit: reads the signed word into b (as next()
  // reads an unsigned one) and returns true; false, reading nothing, at
  // anything else.
  template <int MaxWords, typename OnWord>
  [[gnu::noinline]] bool signed_word(Block<MaxWords>& b, char letter, OnWord& on_word) {
    if ((*p_ != '-' && *p_ != '+') || end_ - p_ < 2 || !digit(p_[1])) return false;
    const bool negative = *p_++ == '-';
    uint64_t v = 0;
    while (p_ < end_ && digit(*p_)) {
      if (v <= uint64_t{kIntReadMax}) v = v * 10 + (*p_ - '0');
      ++p_;
    }
    const auto mag = static_cast<int32_t>(std::min<uint64_t>(v, kIntReadMax));
    const Word w{letter, negative ? -mag : mag};
    if (b.count < MaxWords) {
      b.words[b.count++] = w;
      on_word(w);
    }
    return true;
  }

  static bool digit(uint8_t c) { return static_cast<uint8_t>(c - '0') < 10; }
  const uint8_t* begin_;
  const uint8_t* p_;
  const uint8_t* end_;
};

}  // namespace fgb::conv

#endif

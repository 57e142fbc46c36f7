// Metafiles built record by record for the tests: the standard header, a
// placeable header in front when asked, records of 16-bit words.
#ifndef TESTS_FGB_CONVERT_WMF_BUILDER_H
#define TESTS_FGB_CONVERT_WMF_BUILDER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace wmftest {

using Pt = std::pair<int, int>;

inline void put16(std::string& s, int v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>((v >> 8) & 0xff));
}
inline void put32(std::string& s, uint32_t v) {
  put16(s, static_cast<int>(v & 0xffff));
  put16(s, static_cast<int>(v >> 16));
}

class Wmf {
 public:
  // A record of the function and its parameter words; its size is right.
  Wmf& rec(int function, const std::vector<int>& words) {
    put32(body_, static_cast<uint32_t>(3 + words.size()));
    put16(body_, function);
    for (int w : words) put16(body_, w);
    return *this;
  }
  // Bytes as they are (records with wrong sizes).
  Wmf& raw(const std::string& bytes) {
    body_ += bytes;
    return *this;
  }
  Wmf& pen(int style, int width, uint32_t colorref) {
    return rec(0x02FA,
               {style, width, 0, static_cast<int>(colorref & 0xffff), static_cast<int>(colorref >> 16)});
  }
  Wmf& brush(int style, uint32_t colorref, int hatch = 0) {
    return rec(0x02FC, {style, static_cast<int>(colorref & 0xffff), static_cast<int>(colorref >> 16), hatch});
  }
  Wmf& font() { return rec(0x02FB, std::vector<int>(25, 0)); }
  Wmf& palette() { return rec(0x00F7, {0x300, 1, 0, 0}); }
  Wmf& region() { return rec(0x06FF, std::vector<int>(11, 0)); }
  Wmf& select(int i) { return rec(0x012D, {i}); }
  Wmf& remove(int i) { return rec(0x01F0, {i}); }
  Wmf& poly(int function, const std::vector<Pt>& pts) {
    std::vector<int> w{static_cast<int>(pts.size())};
    for (const auto& p : pts) {
      w.push_back(p.first);
      w.push_back(p.second);
    }
    return rec(function, w);
  }
  Wmf& polygon(const std::vector<Pt>& pts) { return poly(0x0324, pts); }
  Wmf& polyline(const std::vector<Pt>& pts) { return poly(0x0325, pts); }
  Wmf& poly_polygon(const std::vector<std::vector<Pt>>& polys) {
    std::vector<int> w{static_cast<int>(polys.size())};
    for (const auto& p : polys) w.push_back(static_cast<int>(p.size()));
    for (const auto& p : polys)
      for (const auto& q : p) {
        w.push_back(q.first);
        w.push_back(q.second);
      }
    return rec(0x0538, w);
  }
  Wmf& eof() { return rec(0x0000, {}); }
  // Records of the device context's window and state: coordinates go y first.
  Wmf& window_org(int x, int y) { return rec(0x020B, {y, x}); }
  Wmf& window_ext(int x, int y) { return rec(0x020C, {y, x}); }
  Wmf& save() { return rec(0x001E, {}); }
  Wmf& restore(int n) { return rec(0x0127, {n}); }
  Wmf& move_to(int x, int y) { return rec(0x0214, {y, x}); }
  Wmf& line_to(int x, int y) { return rec(0x0213, {y, x}); }
  // Text: TextOut's count, characters two to a word, y, x.
  Wmf& text_out(int x, int y, const std::string& text) {
    std::vector<int> w{static_cast<int>(text.size())};
    for (size_t i = 0; i < text.size(); i += 2)
      w.push_back(static_cast<unsigned char>(text[i]) |
                  (i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) << 8 : 0));
    w.push_back(y);
    w.push_back(x);
    return rec(0x0521, w);
  }
  // A font of the height (logical units) and escapement (tenths of a degree).
  Wmf& font(int height, int escapement) {
    std::vector<int> w(25, 0);
    w[0] = height;
    w[2] = escapement;
    return rec(0x02FB, w);
  }

  // The standard header and the records (what a handle holds).
  std::string bits(uint16_t objects = 16) const {
    std::string s;
    put16(s, 1);       // memory metafile
    put16(s, 9);       // header words
    put16(s, 0x0300);  // version
    put32(s, static_cast<uint32_t>((18 + body_.size()) / 2));
    put16(s, objects);
    put32(s, 0);  // largest record
    put16(s, 0);
    return s + body_;
  }
  // With the placeable header in front: its box left, top, right, bottom.
  std::string placeable(int units_per_inch, uint16_t objects = 16,
                        std::vector<int> box = {0, 0, 1000, 1000}) const {
    std::string s;
    put32(s, 0x9AC6CDD7u);
    put16(s, 0);
    for (int v : box) put16(s, v);
    put16(s, units_per_inch);
    put32(s, 0);
    put16(s, 0);
    return s + bits(objects);
  }

 private:
  std::string body_;
};

}  // namespace wmftest

#endif

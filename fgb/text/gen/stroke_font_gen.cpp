// Build-time generator of the stroke font's table: reads a Hershey font in
// the .jhf format (as Debian's hershey-fonts-data installs it) and writes
// the glyphs of the printable ASCII characters as a C++ table.
//
//   stroke_font_gen FONT.jhf OUT.inc
//
// A .jhf glyph: a 5-column glyph number, a 3-column count of coordinate
// pairs (the first pair is the glyph's left and right bound), then the
// pairs, each as two characters whose value is the character minus 'R';
// the pair " R" lifts the pen. Long glyphs go on over following lines. The
// file holds the glyphs of the characters 32 to 126 in order.
//
// The output: kStrokeGlyphs[95] (offset into kStrokeCoords, pair count,
// left, right) and kStrokeCoords, pairs of int8 x, y with y growing down
// and (-128, -128) for a pen lift. The data's licence asks that its
// acknowledgement go with it; it is written at the top of the output.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Glyph {
  int left = 0, right = 0;
  std::vector<int> coords;  // x, y pairs; -128, -128 lifts the pen
};

bool read_glyphs(const char* path, std::vector<Glyph>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t p = 0;
  while (p < text.size()) {
    while (p < text.size() && (text[p] == '\n' || text[p] == '\r')) ++p;
    if (p + 8 > text.size()) break;
    const int pairs = std::stoi(text.substr(p + 5, 3));
    p += 8;
    std::string body;
    // The pairs, skipping the line breaks of a glyph that goes on over lines.
    while (static_cast<int>(body.size()) < 2 * pairs && p < text.size()) {
      if (text[p] != '\n' && text[p] != '\r') body += text[p];
      ++p;
    }
    if (static_cast<int>(body.size()) < 2 * pairs || pairs < 1) return false;
    Glyph g;
    g.left = body[0] - 'R';
    g.right = body[1] - 'R';
    for (int i = 1; i < pairs; ++i) {
      const char a = body[2 * i], b = body[2 * i + 1];
      if (a == ' ' && b == 'R') {
        g.coords.push_back(-128);
        g.coords.push_back(-128);
      } else {
        g.coords.push_back(a - 'R');
        g.coords.push_back(b - 'R');
      }
    }
    out.push_back(g);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: stroke_font_gen FONT.jhf OUT.inc\n";
    return 2;
  }
  std::vector<Glyph> glyphs;
  if (!read_glyphs(argv[1], glyphs) || glyphs.size() < 95) {
    std::cerr << "stroke_font_gen: " << argv[1]
              << " is not a Hershey font of the 95 printable ASCII characters\n";
    return 1;
  }
  glyphs.resize(95);
  std::ofstream out(argv[2], std::ios::binary);
  out << "// Generated at build time by stroke_font_gen from " << argv[1] << ".\n"
      << "// The Hershey Fonts were originally created by Dr. A. V. Hershey while\n"
      << "// working at the U. S. National Bureau of Standards.\n"
      << "// The format of the Font data in this distribution was originally created by\n"
      << "// James Hurt, Cognition, Inc., 900 Technology Park Drive, Billerica, MA 01821.\n\n"
      << "constexpr StrokeGlyph kStrokeGlyphs[95] = {\n";
  size_t offset = 0;
  for (const Glyph& g : glyphs) {
    out << "    {" << offset << ", " << g.coords.size() / 2 << ", " << g.left << ", " << g.right << "},\n";
    offset += g.coords.size();
  }
  out << "};\n\nconstexpr int8_t kStrokeCoords[" << (offset ? offset : 1) << "] = {";
  size_t n = 0;
  for (const Glyph& g : glyphs)
    for (int v : g.coords) out << (n++ % 24 ? " " : "\n    ") << v << ",";
  if (offset == 0) out << "0";
  out << "\n};\n";
  return out ? 0 : 1;
}

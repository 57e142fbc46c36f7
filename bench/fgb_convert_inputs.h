// Large drawings for the conversion benchmarks, generated (never stored):
// pen-down points in many short paths, as HPGL, as Gerber with an RS-274X
// header other tools accept, in the knife cutters' dialect, and as DXF with
// POLYLINE, LINE, CIRCLE and ARC entities; a DXF drawing of block
// references and LWPOLYLINEs; a placeable metafile of polygon records. And
// the floor every reader is measured against: a plain loop turning each
// decimal number into a double.
#ifndef BENCH_FGB_CONVERT_INPUTS_H
#define BENCH_FGB_CONVERT_INPUTS_H

#include "fgb/convert/wmf_builder.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <string>

namespace bench_inputs {

// Points drawn with the pen down, and points per path after its start.
constexpr int kPenDownPoints = 1000000;
constexpr int kPathLength = 10;

// A random walk of short strokes over a 30 x 30 inch sheet, in thousandths
// (Gerber, cutter) or plotter units.
class Walk {
 public:
  explicit Walk(int range) : range_(range), rng_(12345), step_(-300, 300), jump_(0, range) {}
  void jump() {
    x_ = jump_(rng_);
    y_ = jump_(rng_);
  }
  void step() {
    x_ = clamp(x_ + step_(rng_));
    y_ = clamp(y_ + step_(rng_));
  }
  int x() const { return x_; }
  int y() const { return y_; }

 private:
  int clamp(int v) const { return v < 0 ? -v : v > range_ ? 2 * range_ - v : v; }
  int range_;
  std::mt19937 rng_;
  std::uniform_int_distribution<int> step_, jump_;
  int x_ = 0, y_ = 0;
};

inline void add_int(std::string& s, long v) {
  char buf[24];
  s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

inline void add_fixed(std::string& s, double v) {
  char buf[64];
  s.append(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6).ptr);
}

// before, x, between, y, after: one coordinate pair in a command.
inline void add_xy(std::string& s, const char* before, int x, const char* between, int y, const char* after) {
  s += before;
  add_int(s, x);
  s += between;
  add_int(s, y);
  s += after;
}

// PU to each path's start, PD to its points, one path per line.
inline std::string make_hpgl() {
  std::string s = "IN;\nSP1;\n";
  Walk w(30480);
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    add_xy(s, "PU", w.x(), ",", w.y(), ";");
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      add_xy(s, "PD", w.x(), ",", w.y(), ";");
    }
    s += "PU;\n";
  }
  s += "PU0,0;SP;\n";
  return s;
}

// Leading zeros omitted, absolute, three integer and three decimal digits of
// an inch: the integer coordinates are thousandths, as this system reads
// them. One block per line.
inline std::string make_gerber() {
  std::string s = "G04 generated drawing*\n%FSLAX33Y33*%\n%MOIN*%\n%ADD11C,0.012*%\nG01*\nG54D11*\n";
  Walk w(30000);
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    add_xy(s, "X", w.x(), "Y", w.y(), "D02*\n");
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      add_xy(s, "X", w.x(), "Y", w.y(), "D01*\n");
    }
  }
  s += "D02*M02*\n";
  return s;
}

// HP-GL/2 as CAD programs write it: the same walk as make_hpgl, each path
// one PE command of relative 8-bit encoded pairs ("<" lifts the pen for
// the first).
inline void add_pe(std::string& s, long v) {
  unsigned long u = v >= 0 ? static_cast<unsigned long>(v) * 2 : static_cast<unsigned long>(-v) * 2 + 1;
  while (u >= 64) {
    s += static_cast<char>(63 + u % 64);
    u /= 64;
  }
  s += static_cast<char>(191 + u);
}

inline std::string make_hpgl2_pe() {
  std::string s = "IN;SP1;\n";
  Walk w(30480);
  int x = 0, y = 0;
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    s += "PE<";
    add_pe(s, w.x() - x);
    add_pe(s, w.y() - y);
    x = w.x(), y = w.y();
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      add_pe(s, w.x() - x);
      add_pe(s, w.y() - y);
      x = w.x(), y = w.y();
    }
    s += ";\n";
  }
  s += "PU0,0;SP;\n";
  return s;
}

// HP-GL/2 with real numbers in user units (SC: millimetres at 40 plotter
// units each): PA lists of one path per line.
inline std::string make_hpgl2_real() {
  std::string s = "IN;IP0,0,40,40;SC0,1,0,1;SP1;\n";
  Walk w(30480);
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    s += "PU;PA";
    add_fixed(s, w.x() / 40.0);
    s += ",";
    add_fixed(s, w.y() / 40.0);
    s += ";PD";
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      add_fixed(s, w.x() / 40.0);
      s += ",";
      add_fixed(s, w.y() / 40.0);
      s += k + 1 < kPathLength ? "," : ";\n";
    }
  }
  s += "PU0,0;SP;\n";
  return s;
}

// RS-274X with arcs: the walk in 2.4 inch digits, every other stroke a
// quarter arc (G03, multi-quadrant) about a centre beside it.
inline std::string make_gerber_arcs() {
  std::string s = "%FSLAX24Y24*%\n%MOIN*%\n%ADD11C,0.012*%\nG75*\nD11*\n";
  Walk w(300000);
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    add_xy(s, "X", w.x(), "Y", w.y(), "D02*\n");
    for (int k = 0; k < kPathLength; ++k) {
      const int x0 = w.x(), y0 = w.y();
      w.step();
      if (k % 2) {
        add_xy(s, "G01X", w.x(), "Y", w.y(), "D01*\n");
      } else {
        const int dx = w.x() - x0, dy = w.y() - y0;  // centre: the chord's middle
        add_xy(s, "G03X", w.x(), "Y", w.y(), "");
        add_xy(s, "I", dx / 2, "J", dy / 2, "D01*\n");
      }
    }
  }
  s += "M02*\n";
  return s;
}

// The plain dialect of photoplotter blocks: thousandths without a header.
inline std::string make_gerber_plain() {
  std::string s = "G54D11*\n";
  Walk w(30000);
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    add_xy(s, "X", w.x(), "Y", w.y(), "D02*\n");
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      add_xy(s, "X", w.x(), "Y", w.y(), "D01*\n");
    }
  }
  s += "D02*M02*\n";
  return s;
}

inline std::string make_cutter() {
  std::string s = "H1*M70*M15*N1*D2*\n";
  Walk w(30000);
  for (int i = 0; i < kPenDownPoints / kPathLength; ++i) {
    w.jump();
    add_xy(s, "M15*X", w.x(), "Y", w.y(), "*M14*\n");
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      add_xy(s, "X", w.x(), "Y", w.y(), "*\n");
    }
  }
  s += "M15*M0*\n";
  return s;
}

// Nine polylines of ten vertices to every LINE; a CIRCLE and an ARC every
// ten polylines. Millimetres.
inline std::string make_dxf() {
  std::string s = "  0\nSECTION\n  2\nENTITIES\n";
  Walk w(762000);
  const auto xy = [&](const char* gx, const char* gy) {
    s += gx;
    add_fixed(s, w.x() / 1000.0);
    s += gy;
    add_fixed(s, w.y() / 1000.0);
    s += '\n';
  };
  int points = 0;
  for (int i = 0; points < kPenDownPoints; ++i) {
    w.jump();
    if (i % 10 == 9) {
      s += "  0\nLINE\n  8\n0\n 62\n     1\n";
      xy(" 10\n", "\n 20\n");
      s += " 30\n0.0\n";
      w.step();
      xy(" 11\n", "\n 21\n");
      s += " 31\n0.0\n";
      points += 2;
      continue;
    }
    if (i % 100 == 3) {
      s += "  0\nCIRCLE\n  8\n0\n 62\n     3\n";
      xy(" 10\n", "\n 20\n");
      s += " 30\n0.0\n 40\n12.700000\n";
      s += "  0\nARC\n  8\n0\n 62\n     5\n";
      xy(" 10\n", "\n 20\n");
      s += " 30\n0.0\n 40\n25.400000\n 50\n30.000000\n 51\n120.000000\n";
    }
    s += "  0\nPOLYLINE\n  8\n0\n 66\n     1\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 40\n0.01200\n 41\n0.01200\n";
    for (int k = 0; k < kPathLength; ++k) {
      w.step();
      s += "  0\nVERTEX\n  8\n0\n";
      xy(" 10\n", "\n 20\n");
      s += " 30\n0.0\n";
    }
    s += "  0\nSEQEND\n  8\n0\n";
    points += kPathLength;
  }
  s += "  0\nENDSEC\n  0\nEOF\n";
  return s;
}

// Vertices of the DXF drawing of blocks, after its references are expanded.
constexpr int kBlockDefinitions = 64;
constexpr int kBlockVertices = 32;
constexpr int kReferences = 30000;  // every tenth an array of two
constexpr int kLooseLwpolylines = 10000;
constexpr int kLooseVertices = 10;
constexpr long kBlockDrawingVertices = static_cast<long>(kReferences + kReferences / 10) * kBlockVertices +
                                       long{kLooseLwpolylines} * kLooseVertices;

// A DXF drawing as today's CAD programs write one: 64 block definitions of
// one closed LWPOLYLINE of 32 vertices each, 30 000 INSERTs of them
// (moved, scaled, turned, every seventh mirrored, every tenth an array of
// two), and 10 000 LWPOLYLINEs of 10 vertices in the entities themselves:
// 1 156 000 vertices once the references are expanded.
inline std::string make_dxf_blocks() {
  std::string s = "  0\nSECTION\n  2\nBLOCKS\n";
  for (int b = 0; b < kBlockDefinitions; ++b) {
    s += "  0\nBLOCK\n  8\n0\n  2\nB";
    add_int(s, b);
    s += "\n 70\n     0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n";
    s += "  0\nLWPOLYLINE\n  8\n0\n 90\n";
    add_int(s, kBlockVertices);
    s += "\n 70\n     1\n";
    for (int k = 0; k < kBlockVertices; ++k) {
      // A star of 16 points about the origin, 5 to 10 mm across.
      const double r = (k % 2 ? 5.0 : 10.0) + b * 0.05;
      const double a = 6.283185307179586 * k / kBlockVertices;
      s += " 10\n";
      add_fixed(s, r * std::cos(a));
      s += "\n 20\n";
      add_fixed(s, r * std::sin(a));
      s += '\n';
    }
    s += "  0\nENDBLK\n  8\n0\n";
  }
  s += "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
  Walk w(762000);
  for (int i = 0; i < kReferences; ++i) {
    w.jump();
    s += "  0\nINSERT\n  8\n0\n  2\nB";
    add_int(s, i % kBlockDefinitions);
    s += "\n 10\n";
    add_fixed(s, w.x() / 1000.0);
    s += "\n 20\n";
    add_fixed(s, w.y() / 1000.0);
    s += "\n 30\n0.0\n 41\n";
    add_fixed(s, i % 7 == 0 ? -1.5 : 1.5);
    s += "\n 42\n1.5\n 43\n1.0\n 50\n";
    add_fixed(s, (i * 37) % 360);
    s += '\n';
    if (i % 10 == 0) s += " 70\n     2\n 44\n30.0\n";
  }
  for (int i = 0; i < kLooseLwpolylines; ++i) {
    w.jump();
    s += "  0\nLWPOLYLINE\n  8\n0\n 90\n";
    add_int(s, kLooseVertices);
    s += "\n 70\n     0\n 43\n0.0\n";
    for (int k = 0; k < kLooseVertices; ++k) {
      w.step();
      s += " 10\n";
      add_fixed(s, w.x() / 1000.0);
      s += "\n 20\n";
      add_fixed(s, w.y() / 1000.0);
      s += '\n';
    }
  }
  s += "  0\nENDSEC\n  0\nEOF\n";
  return s;
}

using wmftest::put16;
using wmftest::put32;

inline void put_record(std::string& s, int function, std::initializer_list<int> words) {
  put32(s, static_cast<uint32_t>(3 + words.size()));
  put16(s, function);
  for (int w : words) put16(s, w);
}

// A placeable metafile of 100 000 polygon records (octagons on a grid), with
// a pen and brush change every 50 records: 3.9 MB.
inline std::string make_wmf() {
  constexpr int kPolygons = 100000;
  std::string body;
  for (int i = 0; i < kPolygons; ++i) {
    if (i % 50 == 0) {
      if (i) {
        put_record(body, 0x01F0, {0});  // delete the pen and brush of the last block
        put_record(body, 0x01F0, {1});
      }
      put_record(body, 0x02FA, {0, i % 7, 0, i & 0xffff, 0});
      put_record(body, 0x02FC, {0, (i * 3) & 0xffff, 0, 0});
      put_record(body, 0x012D, {0});
      put_record(body, 0x012D, {1});
    }
    // An octagon around a point of a 400-wide grid.
    const int cx = (i % 400) * 40, cy = (i / 400) * 40;
    std::string rec;
    put32(rec, 3 + 1 + 2 * 8);
    put16(rec, 0x0324);
    put16(rec, 8);
    constexpr int dx[8] = {15, 10, 0, -10, -15, -10, 0, 10};
    constexpr int dy[8] = {0, 10, 15, 10, 0, -10, -15, -10};
    for (int k = 0; k < 8; ++k) {
      put16(rec, cx + dx[k]);
      put16(rec, cy + dy[k]);
    }
    body += rec;
  }
  put_record(body, 0x0000, {});
  std::string s;
  put32(s, 0x9AC6CDD7u);
  put16(s, 0);
  for (int v : {0, 0, 16000, 10000}) put16(s, v);
  put16(s, 1440);
  put32(s, 0);
  put16(s, 0);
  put16(s, 1);
  put16(s, 9);
  put16(s, 0x0300);
  put32(s, static_cast<uint32_t>((18 + body.size()) / 2));
  put16(s, 2);
  put32(s, 40);
  put16(s, 0);
  return s + body;
}

// The floor: every run of digits (with sign and point) converted to a
// double, nothing else done. Returns their sum so the work is kept.
inline double scan_numbers(const std::string& text) {
  const char* p = text.data();
  const char* end = p + text.size();
  double sum = 0;
  while (p < end) {
    const char c = *p;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
      double v;
      const auto r = std::from_chars(p, end, v);
      if (r.ptr != p) {
        sum += v;
        p = r.ptr;
        continue;
      }
    }
    ++p;
  }
  return sum;
}

}  // namespace bench_inputs

#endif

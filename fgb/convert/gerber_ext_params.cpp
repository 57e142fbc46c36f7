// Extended Gerber: apertures (%AD) and aperture macros (%AM).
//
// A standard aperture gives its sizes directly: C diameter, R width x
// height, O width x height, P outer diameter x vertices. A draw takes the
// circle's diameter or the rectangle's smaller side as its width; a flash
// the diameter or the larger side. A macro aperture is flashed with the
// diameter of the circle that holds all of its primitives (an outline of
// the pad's extent; the report says it is approximated).
//
// Macro bodies: primitives "code,a,b,..." whose numbers are expressions of
// the parameters $1, $2, ... with + - x / and parentheses, and assignments
// "$n=expression". Evaluation is bounded: nesting by kMaxDepth, work over
// the whole file by the definitions' budget.
#include "convert/gerber_ext_p.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace fgb::conv::gerber {

namespace {

constexpr int kMaxDepth = 64;
constexpr size_t kMaxVariables = 1000;

// Recursive descent over one expression.
class Expr {
 public:
  Expr(std::string_view s, const std::vector<double>& vars) : s_(s), vars_(vars) {}
  bool eval(double& out) {
    out = sum(0);
    skip();
    return ok_ && i_ == s_.size() && std::isfinite(out);
  }

 private:
  void skip() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\r' || s_[i_] == '\n' || s_[i_] == '\t')) ++i_;
  }
  double sum(int depth) {
    double v = product(depth);
    for (;;) {
      skip();
      if (i_ >= s_.size() || (s_[i_] != '+' && s_[i_] != '-')) return v;
      const char op = s_[i_++];
      const double r = product(depth);
      v = op == '+' ? v + r : v - r;
    }
  }
  double product(int depth) {
    double v = unary(depth);
    for (;;) {
      skip();
      if (i_ >= s_.size() || (s_[i_] != 'x' && s_[i_] != 'X' && s_[i_] != '/')) return v;
      const char op = s_[i_++];
      const double r = unary(depth);
      v = op == '/' ? (r != 0 ? v / r : 0) : v * r;
    }
  }
  double unary(int depth) {
    skip();
    if (depth > kMaxDepth) {
      ok_ = false;
      return 0;
    }
    if (i_ < s_.size() && (s_[i_] == '-' || s_[i_] == '+')) {
      const bool neg = s_[i_++] == '-';
      const double v = unary(depth + 1);
      return neg ? -v : v;
    }
    if (i_ < s_.size() && s_[i_] == '(') {
      ++i_;
      const double v = sum(depth + 1);
      skip();
      if (i_ < s_.size() && s_[i_] == ')')
        ++i_;
      else
        ok_ = false;
      return v;
    }
    if (i_ < s_.size() && s_[i_] == '$') {
      ++i_;
      size_t n = 0, digits = 0;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') {
        if (n < kMaxVariables) n = n * 10 + static_cast<size_t>(s_[i_] - '0');
        ++i_, ++digits;
      }
      if (!digits) ok_ = false;
      return n >= 1 && n <= vars_.size() ? vars_[n - 1] : 0.0;
    }
    const size_t from = i_;
    while (i_ < s_.size() && ((s_[i_] >= '0' && s_[i_] <= '9') || s_[i_] == '.')) ++i_;
    double v = 0;
    if (!parse_decimal(s_.substr(from, i_ - from), v)) ok_ = false;
    return v;
  }
  std::string_view s_;
  const std::vector<double>& vars_;
  size_t i_ = 0;
  bool ok_ = true;
};

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> r;
  size_t from = 0;
  for (;;) {
    const size_t at = s.find(sep, from);
    r.push_back(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return r;
    from = at + 1;
  }
}

double radius_of_primitive(int code, const std::vector<double>& a) {
  const auto at = [&](size_t i) { return i < a.size() ? a[i] : 0.0; };
  switch (code) {
    case 1: return std::hypot(at(2), at(3)) + std::fabs(at(1)) / 2;  // exposure, diameter, x, y
    case 2:
    case 20:  // exposure, width, x1, y1, x2, y2
      return std::max(std::hypot(at(2), at(3)), std::hypot(at(4), at(5))) + std::fabs(at(1)) / 2;
    case 21:  // exposure, width, height, centre x, y
      return std::hypot(std::fabs(at(3)) + std::fabs(at(1)) / 2, std::fabs(at(4)) + std::fabs(at(2)) / 2);
    case 22: {  // exposure, width, height, lower-left x, y
      double r = 0;
      for (double dx : {0.0, at(1)})
        for (double dy : {0.0, at(2)}) r = std::max(r, std::hypot(at(3) + dx, at(4) + dy));
      return r;
    }
    case 4: {  // exposure, n, x0, y0, ... xn, yn
      double r = 0;
      for (size_t i = 2; i + 1 < a.size(); i += 2) r = std::max(r, std::hypot(a[i], a[i + 1]));
      return r;
    }
    case 5: return std::hypot(at(2), at(3)) + std::fabs(at(4)) / 2;  // exposure, n, x, y, diameter
    case 6:
    case 7: return std::hypot(at(0), at(1)) + std::fabs(at(2)) / 2;  // x, y, outer diameter
    default: return 0;
  }
}

}  // namespace

bool parse_decimal(std::string_view s, double& out) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  std::string t(s);
  if (t.front() == '.') t.insert(t.begin(), '0');  // ".002"
  double v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v)) return false;
  out = neg ? -v : v;
  return true;
}

double macro_extent(const std::vector<std::string>& blocks, std::vector<double> vars, uint64_t& work) {
  double r = 0;
  for (const std::string& b : blocks) {
    const uint64_t cost = b.size() + 1;
    if (work < cost) return 0;
    work -= cost;
    std::string_view s = b;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
    if (s.empty()) continue;
    if (s.front() == '$') {  // $n=expression
      const size_t eq = s.find('=');
      if (eq == std::string_view::npos) continue;
      size_t n = 0;
      const auto res = std::from_chars(s.data() + 1, s.data() + eq, n);
      double v = 0;
      if (res.ec != std::errc() || n < 1 || n > kMaxVariables || !Expr(s.substr(eq + 1), vars).eval(v))
        continue;
      if (vars.size() < n) vars.resize(n, 0.0);
      vars[n - 1] = v;
      continue;
    }
    const std::vector<std::string_view> parts = split(s, ',');
    double code = 0;
    if (!Expr(parts[0], vars).eval(code) || code == 0) continue;  // 0: a comment
    std::vector<double> args;
    for (size_t i = 1; i < parts.size(); ++i) {
      double v = 0;
      if (!Expr(parts[i], vars).eval(v)) v = 0;
      args.push_back(v);
    }
    r = std::max(r, radius_of_primitive(static_cast<int>(code), args));
  }
  return std::isfinite(r) ? 2 * r : 0;
}

void ApertureDefs::define_macro(std::string_view name, std::vector<std::string> blocks) {
  macros_[std::string(name)] = std::move(blocks);
}

bool ApertureDefs::define(std::string_view text, double unit, Reporter& rep, size_t at) {
  // text: "ADD<code><template>[,<p1>X<p2>...]"
  if (text.size() < 4 || text.substr(0, 3) != "ADD") return false;
  size_t i = 3;
  int64_t code = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (code < 1000000000) code = code * 10 + (text[i] - '0');
    ++i;
  }
  if (i == 3) return false;
  const size_t comma = text.find(',', i);
  const std::string_view name =
      text.substr(i, comma == std::string_view::npos ? std::string_view::npos : comma - i);
  std::vector<double> p;
  if (comma != std::string_view::npos) {
    for (std::string_view v : split(text.substr(comma + 1), 'X')) {
      double d = 0;
      p.push_back(parse_decimal(v, d) ? d : 0.0);
    }
  }
  const auto at_ = [&](size_t k) { return k < p.size() ? std::fabs(p[k]) : 0.0; };
  Aperture a;
  if (name == "C") {
    a.draw = a.flash = at_(0);
  } else if (name == "R" || name == "O") {
    a.draw = std::min(at_(0), at_(1));
    a.flash = std::max(at_(0), at_(1));
  } else if (name == "P") {
    a.draw = a.flash = at_(0);
  } else {
    const auto m = macros_.find(name);
    if (m == macros_.end()) {
      rep.add(std::string("AD ") + std::string(name), FGB_REPORT_SKIPPED, at);
      return false;
    }
    a.macro = true;
    a.draw = a.flash = macro_extent(m->second, p, budget);
    rep.add("AM " + m->first, FGB_REPORT_APPROXIMATED, at);
  }
  a.draw *= unit;
  a.flash *= unit;
  if (!std::isfinite(a.draw) || !std::isfinite(a.flash)) a.draw = a.flash = 0;
  apertures_[static_cast<int32_t>(code)] = a;
  return true;
}

const Aperture* ApertureDefs::find(int32_t code) const {
  const auto it = apertures_.find(code);
  return it == apertures_.end() ? nullptr : &it->second;
}

}  // namespace fgb::conv::gerber

// kalvex-cli hatch, inset and flatten: the editing commands of the program
// applied to a whole drawing. Each reads IN, selects everything, runs the
// document's operation as the program's command does, and writes the
// drawing to OUT. Distances are millimetres on the command line and inches
// in the document; progress goes to a terminal through the document's
// progress notifications.
#include "drawing.h"
#include "progress.h"

#include <session/defaults.h>

#include <charconv>
#include <cmath>

namespace kalvex::cli {

namespace {

// The approximation the program's Group uses by default and the pen of a
// new drawing window.
using session::kDefaultPenMm;
using session::kGroupApproximation;
using session::kMmPerInch;

// Finest hatch step taken: a micrometre.
constexpr double kMinStepMm = 0.001;
// Most offset contours per polyline: outward ones never run out.
constexpr long kMaxInsetCount = 10000;
constexpr long kMaxDensity = 100000;

// A number written the same way in every locale ("." as decimal point).
bool parse_number(const std::string& text, double& out) {
  const char* b = text.data();
  const char* e = b + text.size();
  if (b != e && *b == '+') ++b;
  const auto r = std::from_chars(b, e, out);
  return r.ec == std::errc() && r.ptr == e && std::isfinite(out);
}

bool parse_integer(const std::string& text, long& out) {
  const char* b = text.data();
  const char* e = b + text.size();
  if (b != e && *b == '+') ++b;
  const auto r = std::from_chars(b, e, out);
  return r.ec == std::errc() && r.ptr == e;
}

// The progress notifications of the document drawn as a bar: 3005 starts
// it, each tick shows the fraction the document wrote just before, 3006
// ends it. Several elements in a row (the hatch reports each element's own
// fraction) advance one bar: a fraction going back marks the next element.
class ProgressTarget final : public DbNotifyTarget {
 public:
  ProgressTarget(Io& io, std::string label) : bar_(io.err, io.progress, std::move(label)) {}
  void watch(const MainDB* doc, long elements) {
    doc_ = doc;
    elements_ = elements > 0 ? elements : 1;
  }
  void SendNotify(int message, std::intptr_t wparam) override {
    if (message != WM_DB_PROGRESS || !doc_) return;
    if (wparam == DB_PROGRESS_START) {
      element_ = 0;
      last_ = 0;
      ProgressBar::update(&bar_, 0);
    } else if (wparam == DB_PROGRESS_TICK) {
      const double f = doc_->GetProgress();
      if (f < last_ && element_ + 1 < elements_) ++element_;
      last_ = f;
      ProgressBar::update(&bar_, (static_cast<double>(element_) + f) / static_cast<double>(elements_));
    }
  }
  void PostNotify(int message, std::intptr_t wparam) override {
    if (message == WM_DB_PROGRESS && wparam == DB_PROGRESS_END) bar_.done();
  }

 private:
  ProgressBar bar_;
  const MainDB* doc_ = nullptr;  // only while an operation runs
  long elements_ = 1;
  long element_ = 0;
  double last_ = 0;
};

// Elements of each kind on one side of a document.
struct KindCounts {
  long polylines = 0, sets = 0, curves = 0, segments = 0, other = 0;
  long total() const { return polylines + sets + curves + segments + other; }
};

KindCounts count_kinds(pages* first) {
  long by_kind[FGB_KIND_SLOTS] = {};
  for (pages* p = first; p; p = p->next) fgb_count_kinds_gdb(p->gdb, by_kind);
  KindCounts c;
  c.polylines = by_kind[FGB_POLYLINE];
  c.sets = by_kind[FGB_POLYLINES];
  c.curves = by_kind[FGB_BEZIER];
  c.segments = by_kind[FGB_SEGMENT];
  for (int k = 0; k < FGB_KIND_SLOTS; ++k) c.other += by_kind[k];
  c.other -= c.polylines + c.sets + c.curves + c.segments;
  return c;
}

// What every editing command shares: the files and their kinds.
struct EditFiles {
  std::string in, out;
  const KindInfo* in_kind = nullptr;
  const KindInfo* out_kind = nullptr;
  Apertures ap;
  bool force = false;        // --force
  int64_t max_elements = 0;  // --max-elements, when given
};

// Reads the common options and the two operands; a status to return when
// not kExitOk.
int take_files(Args& args, Io& io, const Command& self, EditFiles& f) {
  std::string from, to, apertures, error;
  args.value("--from", from);
  args.value("--to", to);
  args.value("--apertures", apertures);
  f.force = args.flag("--force");
  int status = kExitOk;
  if (!max_elements_option(args, self, io, f.max_elements, status)) return status;
  std::vector<std::string> files;
  if (!args.finish(files, error)) return usage_error(io, self, error);
  if (files.size() != 2) return usage_error(io, self, "needs an input and an output file");
  f.in = files[0];
  f.out = files[1];
  f.in_kind = choose_kind(from, f.in, false, error);
  if (!f.in_kind) return usage_error(io, self, error);
  f.out_kind = choose_kind(to, f.out, true, error);
  if (!f.out_kind) return usage_error(io, self, error);
  if (!load_apertures_option(apertures, f.ap, io)) return kExitFailed;
  return kExitOk;
}

// Reads IN into the document and selects everything; false after a message.
bool read_and_select(MainDB& doc, EditFiles& f, Io& io) {
  doc.SetMaxElements(f.max_elements);
  if (!read_drawing(doc, f.in, *f.in_kind, f.ap, io)) return false;
  if (doc.GetCountElems() == 0)
    complain(io, "warning: no " + std::string(f.in_kind->title) + " elements found in '" + f.in + "'");
  doc.SelectElems();
  return edited(doc, "select the elements of", f.in, io);
}

bool write_out(MainDB& doc, EditFiles& f, Io& io) {
  float elapsed = -1.0f;
  WriteOptions w;
  w.force = f.force;
  return write_drawing(doc, f.out, *f.out_kind, f.ap, w, io, elapsed);
}

std::string plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int hatch_command(Args& args, Io& io) {
  const Command& self = *find_command("hatch");
  std::string step_text, offset_text, preset_text;
  const bool has_step = args.value("--step", step_text);
  args.value("--offset", offset_text);
  const bool has_preset = args.value("--preset", preset_text);
  EditFiles f;
  if (int status = take_files(args, io, self, f); status != kExitOk) return status;
  double step_mm = 0, offset_mm = 0;
  long preset = -2;
  if (!has_step) return usage_error(io, self, "--step MM is required");
  if (!parse_number(step_text, step_mm) || step_mm < kMinStepMm)
    return usage_error(io, self, "--step must be a distance of at least 0.001 mm, not '" + step_text + "'");
  if (!offset_text.empty() && !parse_number(offset_text, offset_mm))
    return usage_error(io, self, "--offset must be a distance in millimetres, not '" + offset_text + "'");
  if (has_preset && (!parse_integer(preset_text, preset) || preset < -2 || preset > 4))
    return usage_error(io, self,
                       "--preset must be a pen number from 1 to 4, -1 (hairline) or -2 (default pen), not '" +
                           preset_text + "'");

  ProgressTarget progress(io, "hatching " + f.in);
  Document doc = new_document(io, &progress);
  if (!read_and_select(*doc, f, io)) return kExitFailed;
  const KindCounts before = count_kinds(doc->GetFirstPageSelection());
  // Grouping makes one polygon set of each page's polylines and curves, as
  // the program's hatch dialog does; what is not a polyline or a curve does
  // not survive it.
  doc->SetPolyToPols(kGroupApproximation);
  if (!edited(*doc, "group the outlines of", f.in, io)) return kExitFailed;
  const long dropped = before.segments + before.other;
  if (dropped > 0)
    complain(io, "warning: " + plural(dropped, "element", "elements") +
                     " other than polylines and curves left out (the hatch groups outlines)");
  const long groups = count_kinds(doc->GetFirstPageSelection()).sets;

  H_param h{};
  h.step = step_mm / kMmPerInch;
  h.offset = offset_mm / kMmPerInch;
  h.all = 1;
  h.style.width = kDefaultPenMm / static_cast<float>(kMmPerInch);
  progress.watch(doc.get(), groups);
  doc->Hatch(&h, static_cast<int>(preset));
  progress.watch(nullptr, 0);
  if (!edited(*doc, "hatch", f.in, io)) return kExitFailed;
  const long segments = count_kinds(doc->GetFirstPageSelection()).segments;
  if (!write_out(*doc, f, io)) return kExitFailed;
  std::fprintf(io.out, "hatch: %s in %s\n", plural(segments, "segment", "segments").c_str(),
               plural(groups, "outline group", "outline groups").c_str());
  return kExitOk;
}

int inset_command(Args& args, Io& io) {
  const Command& self = *find_command("inset");
  std::string distance_text, count_text;
  const bool has_distance = args.value("--distance", distance_text);
  const bool has_count = args.value("--count", count_text);
  EditFiles f;
  if (int status = take_files(args, io, self, f); status != kExitOk) return status;
  double distance_mm = 0;
  long count = 1;
  if (!has_distance) return usage_error(io, self, "--distance MM is required");
  if (!parse_number(distance_text, distance_mm) || distance_mm == 0)
    return usage_error(io, self,
                       "--distance must be a non-zero distance in millimetres, not '" + distance_text + "'");
  if (has_count && (!parse_integer(count_text, count) || count < 1 || count > kMaxInsetCount))
    return usage_error(io, self,
                       "--count must be a number of contours from 1 to 10000, not '" + count_text + "'");

  ProgressTarget progress(io, "insetting " + f.in);
  Document doc = new_document(io, &progress);
  if (!read_and_select(*doc, f, io)) return kExitFailed;
  const long before = doc->GetCountElemsS();
  progress.watch(doc.get(), 1);
  doc->Equidistant(distance_mm / kMmPerInch, count);
  progress.watch(nullptr, 0);
  if (!edited(*doc, "inset", f.in, io)) return kExitFailed;
  const long contours = doc->GetCountElemsS() - before;
  if (!write_out(*doc, f, io)) return kExitFailed;
  std::fprintf(io.out, "inset: %s added\n", plural(contours, "contour", "contours").c_str());
  return kExitOk;
}

int flatten_command(Args& args, Io& io) {
  const Command& self = *find_command("flatten");
  std::string density_text;
  const bool has_density = args.value("--density", density_text);
  EditFiles f;
  if (int status = take_files(args, io, self, f); status != kExitOk) return status;
  long density = 12;
  if (has_density && (!parse_integer(density_text, density) || density < 1 || density > kMaxDensity))
    return usage_error(io, self,
                       "--density must be a number of points from 1 to 100000, not '" + density_text + "'");

  ProgressTarget progress(io, "flattening " + f.in);
  Document doc = new_document(io, &progress);
  if (!read_and_select(*doc, f, io)) return kExitFailed;
  const long curves = count_kinds(doc->GetFirstPageSelection()).curves;
  progress.watch(doc.get(), 1);
  doc->PolyToBezier(density);
  progress.watch(nullptr, 0);
  if (!edited(*doc, "flatten", f.in, io)) return kExitFailed;
  const long left = count_kinds(doc->GetFirstPageSelection()).curves;
  if (!write_out(*doc, f, io)) return kExitFailed;
  std::fprintf(io.out, "flatten: %s turned into polylines\n",
               plural(curves - left, "curve", "curves").c_str());
  if (left > 0)
    complain(io, "warning: " + plural(left, "curve", "curves") + " too long to flatten left as they were");
  return kExitOk;
}

}  // namespace kalvex::cli

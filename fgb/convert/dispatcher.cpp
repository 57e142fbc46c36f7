// MainDB::Convert: the one entry through which a document reads an exchange
// file or is written out to one.
//
// Reading: an undo snapshot first (one undo step removes a whole import),
// the kind's reader appends every element to the main drawing through
// AddElem, then the window is told that the drawing changed.
// Writing: each page of the main drawing (unless only the selection is
// saved), then each page of the selection, through the kind's writer, framed
// by the kind's header and trailer, into a temporary file that replaces the
// target only when everything was written.
#include "convert/document_p.h"
#include "convert/file_io_p.h"
#include "convert/wmf_p.h"
#include "db/gdb_p.h"
#include "convert/sink_p.h"
#include "convert/progress_p.h"
#include "convert/readers_p.h"
#include "convert/outbuf_p.h"
#include "convert/page_p.h"

#include <cerrno>
#include <new>

namespace fgb::conv {

namespace {

// ---- reading -----------------------------------------------------------------

// Appends to the main drawing (side 1) with the default fill. An element
// the document refuses (its budget is spent, or memory ran out) ends the
// read at once: nothing after it would be kept anyway.
class DocumentSink final : public ElementSink {
 public:
  explicit DocumentSink(MainDB& doc) : doc_(doc) {}
  void add(int kind, const void* shape, const gr_curve_style& style) override {
    doc_.AddElem(kind, shape, style, fgb_default_fill_area_style, 1);
    if (doc_.GetFailure() != FGB_FAILED_NONE) throw std::bad_alloc();
  }
  void add_filled(int kind, const void* shape, const gr_curve_style& style,
                  const gr_fill_area_style& fill) override {
    doc_.AddElem(kind, shape, style, fill, 1);
    if (doc_.GetFailure() != FGB_FAILED_NONE) throw std::bad_alloc();
  }
  bool box(gr_xy_rect* out) const override {
    if (doc_.GetCountElems() == 0) {
      *out = gr_xy_rect{1, 1, 0, 0};
    } else {
      const gr_cpoint lo = doc_.GetNullP(), size = doc_.GetDimension();
      *out = gr_xy_rect{lo.x, lo.y, lo.x + size.x, lo.y + size.y};
    }
    return true;
  }

 private:
  MainDB& doc_;
};

int status_of_load(int err) {
  switch (err) {
    case ENOMEM: return FGB_CONVERT_NO_MEMORY;
    case kErrNotAFile: return FGB_CONVERT_NOT_A_FILE;
    case kErrTooLarge: return FGB_CONVERT_TOO_LARGE;
    default: return FGB_CONVERT_READ_FAILED;
  }
}

// The reader of a file kind, or null. The metafile reader takes the bits a
// metafile handle holds, not a file.
ReadFn reader_of(int kind) {
  switch (kind) {
    case FGB_KIND_HPGL: return read_hpgl;
    case FGB_KIND_GERBER: return read_gerber;
    case FGB_KIND_DXF: return read_dxf;
    case FGB_KIND_WMF: return read_wmf;
    case FGB_KIND_AI: return read_ai;
    case FGB_KIND_PCAD_PLOT: return read_pcad_plot;
    case FGB_KIND_PCAD_BOARD: return read_pcad_board;
    case FGB_KIND_GERBER_CUTTER: return read_cutter;
    default: return nullptr;
  }
}

// Kinds 3 and 4 are read only for direction 0 exactly; the others for any
// direction but 1.
bool reads(int kind, int direction) {
  if (kind == FGB_KIND_WMF || kind == FGB_KIND_AI) return direction == 0;
  return direction != 1;
}

int read_into(MainDB& doc, Pconvert& req) {
  if (!reader_of(req.kind)) return FGB_CONVERT_NOTHING;
  ReadOptions opt;
  opt.apertures = req.apertures;
  opt.aperture_count = req.apertures ? req.aperture_count : 0;
  opt.layer = req.layer_or_flag;
  opt.transform = req.transform;
  opt.progress = req.progress;
  opt.progress_user = req.progress_user;
  opt.report = req.report;
  opt.cutter_units = req.cutter_units == 100 ? 100 : 1000;
  fgb_report_init(req.report);
  opt.max_elements = req.max_elements > 0 ? req.max_elements : doc.GetMaxElements();
  if (req.kind == FGB_KIND_WMF) {
    // The caller loaded the metafile; without one nothing is read.
    if (!req.metafile) return FGB_CONVERT_READ_FAILED;
    const std::vector<uint8_t>& bits = req.metafile->bits;
    opt.wmf_framed = req.metafile->framed;
    for (int i = 0; i < 4; ++i) opt.wmf_frame[i] = req.metafile->frame[i];
    return read_document(doc, req.kind, bits.data(), bits.size(), opt);
  }
  if (!req.path) return FGB_CONVERT_BAD_REQUEST;
  InputFile in;
  int err = 0;
  if (!in.load(req.path, err)) {
    req.sys_error = err > 0 ? err : 0;
    return status_of_load(err);
  }
  return read_document(doc, req.kind, in.data(), in.size(), opt);
}

// ---- writing -----------------------------------------------------------------

// The elements of one stored page, shape data aligned for the writers.
class StoredPage final : public Page {
 public:
  StoredPage(const fgb_db* db, ProgressMeter& meter, uint64_t& done)
      : link_(db->head), meter_(meter), done_(done) {}

  bool next(Element& e) override {
    if (is_end(link_)) return false;
    ElementView v;
    read_element(link_, v);
    link_ = ns_get_second_obj(link_);
    e.kind = v.kind;
    e.shape = aligned_.view(v.data, v.size);
    if (!e.shape) throw std::bad_alloc();
    e.style = v.curve;
    meter_.at(++done_);
    return true;
  }

 private:
  tag_ns_handler link_;
  AlignedShape aligned_;
  ProgressMeter& meter_;
  uint64_t& done_;
};

bool writes(int kind) {
  return kind == FGB_KIND_HPGL || kind == FGB_KIND_GERBER || kind == FGB_KIND_DXF ||
         kind == FGB_KIND_GERBER_CUTTER;
}

}  // namespace

float write_document(MainDB& doc, const Pconvert& req, OutBuf& out) {
  WriterContext ctx;
  ctx.optimise = req.optimise;
  ctx.bezier_density = doc.GetBezierDensity();
  ctx.layer_or_flag = req.layer_or_flag;
  ctx.elapsed_time = req.elapsed_time;
  ctx.file = &out;
  DxfContext dxf;
  dxf.path = req.path;
  dxf.variant = req.dxf_variant;
  dxf.bezier_density = doc.GetBezierDensity();
  dxf.file = &out;

  const uint64_t total = static_cast<uint64_t>(req.selection_only ? 0 : doc.GetCountElems()) +
                         static_cast<uint64_t>(doc.GetCountElemsS());
  WriteBudget budget{write_budget(req.max_elements > 0 ? req.max_elements : doc.GetMaxElements(), total)};
  ctx.budget = &budget;
  dxf.budget = &budget;
  ProgressMeter meter(req.progress, req.progress_user, total);
  uint64_t done = 0;
  const auto write_side = [&](pages* first) {
    for (pages* p = first; p; p = p->next) {
      StoredPage page(p->gdb, meter, done);
      switch (req.kind) {
        case FGB_KIND_HPGL: write_hpgl_page(page, ctx); break;
        case FGB_KIND_GERBER: write_gerber_page(page, ctx, req.sorted_apertures, req.aperture_count); break;
        case FGB_KIND_DXF: write_dxf_page(page, dxf); break;
        default: write_cutter_page(page, ctx, req.sorted_apertures, req.aperture_count); break;
      }
    }
  };
  if (req.kind == FGB_KIND_DXF) out.text(kDxfHeader);
  if (!req.selection_only) write_side(doc.GetFirstPage());
  write_side(doc.GetFirstPageSelection());
  switch (req.kind) {
    case FGB_KIND_HPGL: out.text(kHpglTrailer); break;
    case FGB_KIND_GERBER: out.text(kGerberTrailer); break;
    case FGB_KIND_DXF: out.text(kDxfTrailer); break;
    default: out.text(kCutterTrailer); break;
  }
  meter.finish();
  return ctx.elapsed_time;
}

int64_t write_budget(int64_t max_elements, uint64_t elements) noexcept {
  if (max_elements > 0) return max_elements;
  const auto scaled = static_cast<int64_t>(elements) * kBudgetPerSelected;
  return scaled > kBudgetFloor ? scaled : kBudgetFloor;
}

int64_t read_budget(int64_t max_elements, size_t size) noexcept {
  if (max_elements > 0) return max_elements;
  const auto scaled = static_cast<int64_t>(size / kBudgetBytesOfInput);
  return scaled > kBudgetFloor ? scaled : kBudgetFloor;
}

int read_document(MainDB& doc, int kind, const uint8_t* data, size_t size, const ReadOptions& opt) {
  const ReadFn reader = reader_of(kind);
  if (!reader) return FGB_CONVERT_NOTHING;
  DocumentSink sink(doc);
  doc.SetAddBudget(read_budget(opt.max_elements, size));
  int status = FGB_CONVERT_DONE;
  try {
    reader(data, size, sink, opt);
  } catch (const std::bad_alloc&) {
    status = FGB_CONVERT_NO_MEMORY;
  } catch (const std::length_error&) {
    status = FGB_CONVERT_NO_MEMORY;
  }
  doc.SetAddBudget(-1);
  if (doc.GetFailure() == FGB_FAILED_TOO_LARGE) return FGB_CONVERT_TOO_LARGE;
  if (status == FGB_CONVERT_NO_MEMORY) doc.SetFailure(FGB_FAILED_NO_MEMORY);
  return status;  // a failed read leaves what it had added: the caller decides
}

namespace {

int write_from(MainDB& doc, Pconvert& req) {
  if (!writes(req.kind)) return FGB_CONVERT_NOTHING;
  if (!req.path) return FGB_CONVERT_BAD_REQUEST;
  AtomicOutput file;
  int err = 0;
  if (!file.open(req.path, err)) {
    req.sys_error = err > 0 ? err : 0;
    return err == kErrNotAFile ? FGB_CONVERT_NOT_A_FILE : FGB_CONVERT_WRITE_FAILED;
  }
  // A drawing without elements (a read that found nothing, say with the
  // wrong kind) does not replace a file that holds something unless asked.
  const int64_t elements = (req.selection_only ? 0 : int64_t{doc.GetCountElems()}) + doc.GetCountElemsS();
  if (elements == 0 && file.replaced_size() > 0 && !req.force) {
    file.discard();
    return FGB_CONVERT_EMPTY;
  }
  req.not_atomic = file.direct() ? 1 : 0;
  OutBuf out(&AtomicOutput::drain, &file);

  float elapsed;
  try {
    elapsed = write_document(doc, req, out);
  } catch (const std::bad_alloc&) {
    return FGB_CONVERT_NO_MEMORY;  // the temporary file goes, the target stays
  } catch (const WriteRefused& refused) {
    return refused.status;  // the same
  }
  const bool written = out.finish();
  if (!file.commit(err) || !written) {  // commit also reports (and cleans up) a failed write
    req.sys_error = err ? err : EIO;
    return FGB_CONVERT_WRITE_FAILED;
  }
  if (req.kind == FGB_KIND_HPGL || req.kind == FGB_KIND_GERBER) {
    doc.SetElapsedTime(elapsed);
    req.elapsed_time = elapsed;
  }
  return FGB_CONVERT_DONE;
}

}  // namespace

}  // namespace fgb::conv

int MainDB::Convert(Pconvert* request) noexcept {
  using namespace fgb::conv;
  if (!request) return FGB_CONVERT_BAD_REQUEST;
  Pconvert& req = *request;
  req.sys_error = 0;
  const int direction = req.direction;
  req.partial = 0;
  req.not_atomic = 0;
  if (direction == 0) CreateUndo();
  int status = FGB_CONVERT_NOTHING;
  try {
    if (req.kind >= 0 && req.kind <= 7) {
      if (direction == 1)
        status = write_from(*this, req);
      else if (reads(req.kind, direction))
        status = read_into(*this, req);
    }
  } catch (...) {
    status = FGB_CONVERT_NO_MEMORY;
  }
  if (direction != 1 && (status == FGB_CONVERT_NO_MEMORY || status == FGB_CONVERT_TOO_LARGE)) {
    // A read cut short is taken back whole: half a drawing that looks like
    // the whole one is how work gets lost. Only when the snapshot taken
    // before it is not there does the document keep the part, marked so.
    SetFailure(status == FGB_CONVERT_TOO_LARGE ? FGB_FAILED_TOO_LARGE : FGB_FAILED_NO_MEMORY);
    if (direction != 0 || !RestoreUndo()) req.partial = 1;
  }
  if (direction == 0) PostNotify(WM_DB_REFRESH, DB_CHANGED_ALL);
  return status;
}

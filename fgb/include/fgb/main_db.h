// MainDB: the document. One drawing held as two chains of element lists
// ("pages"): the main drawing (unselected elements) and the selection. An
// element is always on exactly one side. The document keeps, per side, the
// element count and the bounding box, tells its window about changes
// through a DbNotifyTarget (<fgb/db_notify.h>), and owns its undo chain.
//
// Sides: 1 = main drawing; any other value = selection (unless a method
// says otherwise). Kind codes: those of <fgb/fgb_db.h>.
//
// Page ownership (what makes undo safe, see fgb/db/main_db_undo.cpp):
//   - every live page chain is owned by exactly one MainDB whose owns-pages
//     flag is 1, and only that document destroys it;
//   - a MainDB whose flag is 0 may hold stale page pointers: a work document
//     that handed its pages over, or the current undo record's snapshot,
//     which merely names the pages the document is using. Such pointers are
//     never read and never destroyed; they are only overwritten.
// A work document therefore hands over its pages with
//   doc.DestroyInfo(); doc.CopyInfo(work); work->ReleasePages(); delete work;
// (ReleasePages sets the owns-pages flag to 0).
//
// Everything runs on the user-interface thread. Methods never throw. When
// memory runs out, or an operation would create more than its budget
// allows (SetMaxElements), the operation stops and leaves the document as it
// was before it began; GetFailure tells why.
#ifndef FGB_MAIN_DB_H
#define FGB_MAIN_DB_H

#include <fgb/fgb_api.h>
#include <fgb/fgb_db.h>
#include <fgb/db_notify.h>

#include <cstdint>

// What the document knows of a page's list beyond its count: how many
// elements the list holds and the union of their boxes. It holds only
// while the list still ends at the two cells noted here: anyone who appends
// to the list behind the document's back (fgb_add_* on page->gdb) moves an
// end, and the document then treats the page as unknown and walks it.
struct PageInfo {
  tag_ns_handler head;  // the list's head and tail when the rest was last right
  tag_ns_handler tail;
  int32_t n;        // elements in the list
  int32_t exact;    // 1: n and box hold, and every element is as AddElem stores it
  gr_xy_rect box;   // union of the elements' reach (what drawing or a hit test can touch; n > 0)
  float max_width;  // the largest pen width of the elements (drawing units, absolute)
  // The last fold of the page's element boxes into a side's measures
  // (MainDB::Dim_to_Dim, element by element): from the measures before it
  // (side empty or not, dimension, null point) to those after it. A copy
  // of the page into a side with the same measures reuses it.
  int32_t fold_valid;
  int32_t fold_from_empty;
  gr_cpoint fold_dim_in, fold_nullp_in, fold_dim_out, fold_nullp_out;
};

// A style cell kept for the elements that follow, with a copy of the bytes
// it holds (style cells are never changed once made), so that the next
// element's styles are compared without going to the store.
struct KeptStyle {
  tag_ns_handler cell{-1, 0};  // a curve style cell or a style pair; null when none
  unsigned char curve[FGB_CURVE_STYLE_BYTES];
  unsigned char fill[FGB_FILL_STYLE_BYTES];  // for a style pair
};

// One page of a side: an element list and how many elements were added to
// it. Heap record owned by the document. A page's list may share its cells
// with pages of undo snapshots (the object store counts the references); the
// document copies a shared list before it changes it.
struct pages {
  fgb_db* gdb;    // the page's element list, owned by the page
  int32_t count;  // elements added to this page
  pages* next;    // next page of the same side, or null
  PageInfo info;  // the document's bookkeeping of gdb (see PageInfo)
};

// A page takes at most this many elements; the element that makes its
// count exceed it starts a new page (a full page holds kPageLimit + 1).
constexpr int32_t kPageLimit = 10000;

// A selection request.
struct addParam {
  int32_t mode;     // 0: every element hit changes side; 1: only the first hit; 2: none
  int32_t keep;     // non-zero: the elements already on the target side stay there
  gr_xy_rect rect;  // hit rectangle in drawing coordinates (corners in any order)
};

// Operation code of MainDB::Operation (one byte; values other than these
// change no coordinate).
typedef uint8_t OperationState;
constexpr OperationState OP_MOVE = 0;        // x -= mx, y -= my
constexpr OperationState OP_SCALE = 2;       // x = ox + sx (x - ox), y = oy + sy (y - oy)
constexpr OperationState OP_SCALE_MOVE = 4;  // scale, then move

// Parameters read by MainDB::Operation.
struct OperationParam {
  gr_cpoint origin;     // (ox, oy): the fixed point of scaling
  double sx;            // scale factor along x (circle and arc radii use it too)
  double sy;            // scale factor along y
  gr_cpoint move;       // (mx, my): subtracted from every point
  uint8_t reserved[8];  // always 0
};

struct pOperate {
  DbNotifyTarget* window;  // the document's window
  OperationState op;       // operation code
  OperationParam* param;   // its parameters
};

// A hatch request.
struct H_param {
  double step;           // distance between hatch lines (inches)
  double offset;         // shortening of each hatch segment at each end, along the line
  int16_t all;           // 0: only elements with a fill style; non-zero: every polyline(s)
  gr_curve_style style;  // pen of the hatch segments (its first 24 bytes)
};

// Why the last read (MainDB::Convert) or editing operation failed
// (MainDB::GetFailure).
constexpr int32_t FGB_FAILED_NONE = 0;
constexpr int32_t FGB_FAILED_NO_MEMORY = 1;  // an allocation failed
constexpr int32_t FGB_FAILED_TOO_LARGE = 2;  // more elements than the budget allows

// The budget of an operation that does not name one: at least this many
// elements (counting every kBudgetBytesPerElement bytes of an element's
// points, about 8 points, as one more element) ...
constexpr int64_t kBudgetFloor = 4000000;
// ... or, when more, one element per this many bytes of a file read ...
constexpr int64_t kBudgetBytesOfInput = 4;
// ... or this many per element of the selection an operation starts from.
constexpr int64_t kBudgetPerSelected = 16;
constexpr int64_t kBudgetBytesPerElement = 128;

// The conversion request (defined with the converters).
struct Pconvert;

// One record of the undo chain (internal).
struct UndoRecord;

class FGB_API MainDB {
 public:
  // A document with a window: Create(), and the undo chain's first record.
  explicit MainDB(DbNotifyTarget* window) noexcept;
  // No window, no undo chain; Create(). Work documents and undo snapshots.
  MainDB() noexcept;
  // Delete() if it was not called.
  ~MainDB();
  MainDB(const MainDB&) = delete;
  MainDB& operator=(const MainDB&) = delete;

  // ---- life cycle ----
  // Owns-pages = 1, flags 0, depth 10, Bezier density 12, boxes and counts
  // zero; one empty main page and one empty selection page.
  void Create() noexcept;
  // When owning its pages: destroys both sides. Then releases the undo chain.
  void Delete() noexcept;
  void CreateP() noexcept;                    // appends an empty main page, the new actual page
  void CreateP_selection() noexcept;          // the same for the selection
  static void DeleteP(pages* page) noexcept;  // destroys the page's list and frees the record
  // Marks the pages as handed over (owns-pages = 0): Delete and the
  // destructor leave them alone.
  void ReleasePages() noexcept { owns_pages_ = 0; }
  uint32_t OwnsPages() const noexcept { return owns_pages_; }

  // ---- what the window reads ----
  gr_cpoint GetDimension() const noexcept { return dim_; }
  gr_cpoint GetNullP() const noexcept { return nullp_; }
  gr_cpoint GetCenter() const noexcept { return centre_; }
  gr_cpoint GetDimensionS() const noexcept { return dim_s_; }
  gr_cpoint GetNullPS() const noexcept { return nullp_s_; }
  gr_cpoint GetCenterS() const noexcept { return centre_s_; }
  int32_t GetCountElems() const noexcept { return count_; }
  int32_t GetCountElemsS() const noexcept { return count_s_; }
  pages* GetActualPage() const noexcept { return actual_; }
  pages* GetActualPageSelection() const noexcept { return actual_s_; }
  pages* GetFirstPage() const noexcept { return first_; }
  pages* GetFirstPageSelection() const noexcept { return first_s_; }
  int32_t GetPageCount() const noexcept { return page_count_; }
  int32_t GetPageCountS() const noexcept { return page_count_s_; }
  int32_t GetUndoFlag() const noexcept { return undo_; }
  uint32_t GetRedoFlag() const noexcept { return redo_; }
  int32_t GetBezierDensity() const noexcept { return bezier_density_; }
  float GetElapsedTime() const noexcept { return elapsed_time_; }
  double GetProgress() const noexcept { return progress_; }
  DbNotifyTarget* GetWindow() const noexcept { return window_; }

  // ---- elements ----
  // ---- limits and failures ----
  // The most elements a read or an editing operation of this document may
  // create, every kBudgetBytesPerElement bytes of points counting as one
  // more element; 0 (the default) scales it to the input: kBudgetFloor, or
  // kBudgetBytesOfInput bytes of the file per element, or
  // kBudgetPerSelected elements per selected element, whichever is more.
  void SetMaxElements(int64_t n) noexcept { max_elements_ = n > 0 ? n : 0; }
  int64_t GetMaxElements() const noexcept { return max_elements_; }
  // FGB_FAILED_* of the last read or editing operation; FGB_FAILED_NONE
  // when it succeeded. An operation that failed left the document as it was.
  int32_t GetFailure() const noexcept { return failure_; }
  void SetFailure(int32_t why) noexcept { failure_ = why; }
  // Elements that AddElem may still add before it refuses them (FGB_FAILED_
  // TOO_LARGE); negative: no limit. Set by the operations on the document
  // they fill.
  void SetAddBudget(int64_t units) noexcept { add_budget_ = units; }
  // Returns the document to the state the last CreateUndo recorded and
  // forgets the present one (it cannot be redone): how a read that failed
  // half-way takes itself back. False, and nothing changes, when that
  // snapshot is not there or not whole (memory ran out while it was taken),
  // or undo or redo have moved since.
  bool RestoreUndo() noexcept;

  // Reads the element of one link (see fgb_get_child_gdb); fill is left
  // untouched when the element has none. Always 1.
  static int GetChild(tag_ns_handler link, tag_ns_handler* shape, int* kind, gr_curve_style* curve,
                      gr_fill_area_style* fill) noexcept;
  // Appends one element of kind 4, 5, 10, 11, 12, 14 or 15 to the side's
  // actual page and grows the side's box. Kind 4 drops the fill style, kind
  // 5 keeps it. Other kinds, and shapes without extent (a polyline without
  // points, a Bezier without a complete piece), are ignored. An element the
  // store has no memory for, or the add budget (SetAddBudget) cannot pay
  // for, is left out and the cause recorded for GetFailure: the caller
  // stops there.
  void AddElem(int kind, const void* shape, gr_curve_style curve, gr_fill_area_style fill, int side) noexcept;
  // CreateUndo(), AddElem(), post 3001/3.
  void CreateElems(int kind, const void* shape, gr_curve_style curve, gr_fill_area_style fill,
                   int side) noexcept;
  // CreateUndo(); empties side 2 (selection) or, for any other value, the
  // main side; DimensionDB().
  void DeleteElemAll(int side) noexcept;
  // DeleteElemAll(side), post 3001/3.
  void DeleteElem(int side) noexcept;

  // ---- boxes ----
  // Recomputes counts and boxes of both sides from the elements.
  void DimensionDB() noexcept;
  // Combined extent of both sides: the union of the boxes of the sides
  // that hold elements (zero when neither does).
  void DimensionDB_OUT(gr_cpoint& dim, gr_cpoint& nullp) const noexcept;
  // Grows a side's box (dimension, null point, centre) by r; count is the
  // side's element count before this element.
  static void Dim_to_Dim(long count, gr_cpoint& dim, gr_cpoint& nullp, gr_cpoint& centre,
                         const gr_xy_rect& r) noexcept;

  // ---- copies ----
  // Copies every element of this document's side `from` (1 main, 2
  // selection) into dst's side `to` through dst->AddElem.
  void AppendingDB(MainDB* dst, int from, int to) noexcept;
  // Copies every element of src, side to side, then takes src's boxes and counts.
  void CopyAll(MainDB* src) noexcept;
  // Takes over src's page chains, boxes and counts (pointers, not copies).
  void CopyInfo(MainDB* src) noexcept;
  // Destroys both sides' pages and zeroes counts and boxes; the chains are
  // empty until Create or CopyInfo refills them.
  void DestroyInfo() noexcept;

  // ---- notifications ----
  // 3004: send 3004/0; 3005: send 3004/3005; 3006: post 3004/3006; any
  // other code: post code/0.
  void PostM(int code) noexcept;

  // ---- style edits of the selection (CreateUndo(), post 3002/2) ----
  void SetColor(gr_rgbcol color) noexcept;
  void SetWidthPen(double width) noexcept;
  void SetWidthColor(gr_rgbcol color, double width) noexcept;

  // ---- selection ----
  // Moves the elements hit by the request's rectangle between the sides:
  // direction 2 deselects, any other value selects. Posts 3001/3.
  bool SelectElems(addParam* request, int direction) noexcept;
  // Select all: one undo step, then every element is selected. Posts 3001/3.
  bool SelectElems() noexcept;

  // ---- undo and redo ----
  void CreateUndo() noexcept;
  void GetUndo() noexcept;
  void GetRedo() noexcept;
  void DeleteHeads() noexcept;

  // ---- drawing ----
  // what: 1 main pages, 2 selection pages (each drawn, then highlighted),
  // 3 both (main first). Returns true.
  bool Draw(fgb_for_draw_gdb draw, int what) noexcept;

  // ---- conversion (fgb/convert) ----
  // Reads a file into the document or writes the document out; a status
  // the program does not examine.
  int Convert(Pconvert* request) noexcept;

  // ---- editing operations (fgb/db/operations*.cpp, hatch.cpp) ----
  void Operation(pOperate* request) noexcept;
  void SetDimension(gr_cpoint size, double dx, double dy, OperationState op) noexcept;
  void SetDimension(double sx, double sy, double ox, double oy, OperationState op) noexcept;
  void SetPolyToPols(long steps) noexcept;
  void SetPolsToPoly() noexcept;
  void PolyToBezier(long steps) noexcept;
  void Equidistant(double d, long n) noexcept;
  void Hatch(H_param* request, int preset) noexcept;

  // ---- used by the operations and the converters ----
  void SetProgress(double fraction) noexcept { progress_ = fraction; }
  void SetElapsedTime(float seconds) noexcept { elapsed_time_ = seconds; }
  // Posts or sends one notification to the window (nowhere without one).
  void PostNotify(int message, std::intptr_t wparam) noexcept;
  void SendNotify(int message, std::intptr_t wparam) noexcept;

 private:
  friend struct UndoChain;
  // One side's pages, counts and box, for the code that treats both alike.
  struct Side;
  Side side(int s) noexcept;
  void destroy_side(int s) noexcept;
  void start_side(int s) noexcept;
  // Both sides' boxes and counts taken from src.
  void copy_measures(const MainDB& src) noexcept;
  // The side's count, box and actual page after an element with box r and
  // reach box `reach` was appended to page (known: the page's info held
  // before the append).
  void note_added(int s, pages* page, bool known, const gr_xy_rect& r, const gr_xy_rect& reach,
                  float width) noexcept;
  // Appends an element cell that is already as AddElem stores it (taken
  // from a known page) to side s, sharing it. False when it could not.
  bool add_linked(tag_ns_handler elem, int kind, const void* data, float width, int s) noexcept;
  // Side s takes a whole known page of another list as its actual page,
  // sharing its chain, when that gives the same pages as adding its
  // elements one by one would. fold: the side's box is grown as AddElem
  // grows it. False when the page does not fit (nothing changed).
  bool add_page(pages* src, int s, bool fold) noexcept;
  // Grows side s's box by the elements of a known page, element by element
  // as AddElem does, or from the page's remembered fold.
  void fold_page(pages* src, int s) noexcept;
  // Makes the page's list its own before an append (fgb::own_list),
  // without a look at the store while it is known to be so.
  bool own_page(pages* page) noexcept;
  // AppendingDB; fold false leaves the target's box to the caller.
  void append_side(MainDB* dst, int from, int to, bool fold) noexcept;
  // Before elements of the document move or go other than by a step of
  // the undo chain or a selection change: undo records that name them by
  // position take lists of their own.
  void settle_undo() noexcept;
  // The element count of side s (1 main, else selection).
  int32_t side_count(int s) const noexcept { return s == 1 ? count_ : count_s_; }

  uint32_t owns_pages_ = 0;             // 1: destroys its pages on Delete
  int32_t undo_ = 0;                    // undo available
  uint32_t redo_ = 0;                   // redo available
  int32_t bezier_density_ = 12;         // points per Bezier piece when a writer flattens one
  float elapsed_time_ = 0.0f;           // estimated plotting time of the last save (seconds)
  double progress_ = 0.0;               // fraction done of a long operation
  DbNotifyTarget* window_ = nullptr;    // notification target, or null
  pages* first_ = nullptr;              // first main page
  pages* first_s_ = nullptr;            // first selection page
  int32_t page_count_ = 0;              // number of main pages
  pages* actual_ = nullptr;             // actual (last) main page
  int32_t page_count_s_ = 0;            // number of selection pages
  pages* actual_s_ = nullptr;           // actual (last) selection page
  gr_cpoint dim_{0, 0};                 // main dimension (width, height)
  gr_cpoint centre_{0, 0};              // main centre
  gr_cpoint nullp_{0, 0};               // main null point (lower-left corner)
  gr_cpoint dim_s_{0, 0};               // selection dimension
  gr_cpoint nullp_s_{0, 0};             // selection null point
  gr_cpoint centre_s_{0, 0};            // selection centre
  int32_t count_ = 0;                   // main element count
  int32_t count_s_ = 0;                 // selection element count
  UndoRecord* undo_current_ = nullptr;  // current record of the undo chain, or null
  int32_t undo_depth_ = 10;             // the chain's maximum length
  int64_t max_elements_ = 0;            // budget of reads and operations; 0: scaled to the input
  int64_t add_budget_ = -1;             // what AddElem may still add; negative: no limit
  int32_t failure_ = FGB_FAILED_NONE;   // why the last read or operation failed
  bool restorable_ = false;             // the newest undo snapshot is whole and current
  bool undo_busy_ = false;              // the undo chain itself is moving the document's pages
  // A work document drawn up in outline: adding a known element or page
  // keeps the counts, boxes and pages but links nothing; its lists are
  // filled afterwards (a selection change).
  bool outline_ = false;
  // The style cells of the last elements AddElem made, without and with a
  // fill: the next element with the same styles shares them. One reference
  // each, released by Delete.
  KeptStyle kept_style_;
  KeptStyle kept_filled_style_;
  // The list AddElem last made its own, and the count of shared lists then
  // (fgb::share_count): while neither changes it is still its own.
  const fgb_db* owned_list_ = nullptr;
  uint64_t owned_at_ = 0;
};

#endif

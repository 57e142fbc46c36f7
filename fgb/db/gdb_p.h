// Internals of the element store shared by the document, selection, undo,
// drawing and the converters: the walk, the element reader and the shape
// boxes.
#ifndef FGB_DB_GDB_P_H
#define FGB_DB_GDB_P_H

#include <fgb/fgb_db.h>
#include <fgb/main_db.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fgb {

inline int role_of(tag_ns_handler cell) noexcept { return FGB_ROLE_OF_TAG(ns_get_obj_type(cell)); }
inline bool is_end(tag_ns_handler cell) noexcept { return role_of(cell) == FGB_END; }

// One element as the walk sees it.
struct ElementView {
  tag_ns_handler shape;     // the shape datum
  int kind;                 // its kind code
  const void* data;         // the geometry record inside the store
  int size;                 // its length in bytes
  gr_curve_style curve;     // the 24 stored bytes (dash pattern cut to one length)
  gr_fill_area_style fill;  // valid when has_fill
  bool has_fill;

  // The fill to copy the element with: its own, or none.
  gr_fill_area_style fill_or_none() const noexcept;
};

// The fill of an element copied without one: the default (zero) style.
inline constexpr gr_fill_area_style kNoFill{0, {0, 0, 0}};

inline gr_fill_area_style ElementView::fill_or_none() const noexcept { return has_fill ? fill : kNoFill; }

// The style cell of a role reached from an element's style: while the cell
// is a style pair, its first if that has the role, else go on with its
// second; finally the cell itself if it has the role.
tag_ns_handler find_style(tag_ns_handler style, int role) noexcept;

// Reads the element of one link.
void read_element(tag_ns_handler link, ElementView& out) noexcept;

// Calls f(link) for every link of the list in insertion order.
template <class F>
inline void for_each_link(const fgb_db* db, F&& f) {
  if (!db) return;
  for (tag_ns_handler l = db->head; !is_end(l); l = ns_get_second_obj(l)) f(l);
}

// Bounding rectangle of a shape of one of the document's seven kinds.
// False when the shape has no extent (no points, no complete Bezier piece)
// or the kind is not one of the seven.
bool shape_box(int kind, const void* shape, gr_xy_rect& r) noexcept;

// Bytes of a shape record of a kind; 0 for an unknown kind.
int shape_size(int kind, const void* shape) noexcept;

// A new element cell (shape datum and styles; fill may be null) holding one
// reference of the caller's, or null when the store is exhausted.
tag_ns_handler make_element(int kind, const void* shape, int size, const gr_curve_style& curve,
                            const gr_fill_area_style* fill) noexcept;

// A new element cell of a shape and an existing style cell (a curve style,
// or a style pair), which it ties; one reference of the caller's, or null.
tag_ns_handler make_element_styled(int kind, const void* shape, int size, tag_ns_handler style) noexcept;

// Style cells shared by the elements made one after another with the same
// styles (a drawing's elements mostly share a few pens). Style cells are
// never written in place: an edit gives the element a new style cell.
//
// A style cell for these styles (fill may be null): *kept when it holds the
// same bytes, else a new one, which replaces *kept. *kept holds one
// reference of its own (untie it when done); the caller gets none. Null
// when the store is exhausted (*kept unchanged).
tag_ns_handler shared_style(KeptStyle* kept, const gr_curve_style& curve,
                            const gr_fill_area_style* fill) noexcept;

// The kept style cells of a run of element making, one for each shape of
// style, released at the end.
class StyleCache {
 public:
  StyleCache() = default;
  ~StyleCache() { release(); }
  StyleCache(const StyleCache&) = delete;
  StyleCache& operator=(const StyleCache&) = delete;

  tag_ns_handler get(const gr_curve_style& curve, const gr_fill_area_style* fill) noexcept {
    return shared_style(fill ? &filled_ : &plain_, curve, fill);
  }
  void release() noexcept {
    if (!ns_is_null_obj(plain_.cell)) ns_untie_obj(plain_.cell);
    if (!ns_is_null_obj(filled_.cell)) ns_untie_obj(filled_.cell);
    plain_.cell = filled_.cell = ns_null_obj();
  }

 private:
  KeptStyle plain_;   // a curve style cell
  KeptStyle filled_;  // a style pair (curve, fill)
};

// Appends an element cell in constant time; the list takes a reference to
// it. 1 done, 0 out of memory (list unchanged).
int append_element(fgb_db* db, tag_ns_handler elem) noexcept;

// Appends a shape of any kind with its styles (fill may be null). 1 done, 0
// out of memory (list unchanged).
int add_shape(fgb_db* db, int kind, const void* shape, int size, const gr_curve_style& curve,
              const gr_fill_area_style* fill) noexcept;

// Shape data in the store sit behind a 4-byte length word, so a datum is
// only 4-byte aligned half of the time; reading its doubles in place would
// be a misaligned access. A view gives an 8-byte aligned pointer to the same
// bytes: the datum itself when it is aligned, else a copy in a buffer that
// is reused from one element to the next.
class AlignedShape {
 public:
  AlignedShape() = default;
  ~AlignedShape() { std::free(buf_); }
  AlignedShape(const AlignedShape&) = delete;
  AlignedShape& operator=(const AlignedShape&) = delete;

  // Null only when a copy was needed and memory ran out.
  const void* view(const void* data, int size) noexcept {
    if ((reinterpret_cast<std::uintptr_t>(data) & 7u) == 0 || size <= 0) return data;
    if (size <= kSmall) {
      // The small records (a segment, a circle, an arc, a point) by words:
      // inline moves instead of a call to the library's memcpy.
      const auto* from = static_cast<const unsigned char*>(data);
      auto* to = reinterpret_cast<unsigned char*>(small_);
      int i = 0;
      for (; i + 8 <= size; i += 8) std::memcpy(to + i, from + i, 8);
      for (; i < size; ++i) to[i] = from[i];
      return small_;
    }
    auto need = static_cast<std::size_t>(size);
    if (need > cap_) {
      void* p = std::realloc(buf_, need);
      if (!p) return nullptr;
      buf_ = p;
      cap_ = need;
    }
    std::memcpy(buf_, data, need);
    return buf_;
  }

 private:
  static constexpr int kSmall = 64;
  double small_[kSmall / 8];
  void* buf_ = nullptr;  // malloc'ed, hence aligned for any record
  std::size_t cap_ = 0;
};

}  // namespace fgb

#endif

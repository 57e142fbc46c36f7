// The list of paths the optimised HPGL writer orders (hpgl_order.cpp).
//
// Every choice of the next path examines up to a few hundred candidates:
// about 16 million distance comparisons for a page set of a million points.
// The list therefore keeps what the examination reads - both ends and the
// pen of each path - in arrays side by side in list order, where a plain
// loop reads them sequentially and compares two or more candidates per
// instruction.
//
// A path taken out of the list leaves a hole instead of closing the gap
// (which would move hundreds of entries per choice): its ends become
// infinitely far so that no examination can pick it, and a bit per entry
// says which entries are still in the list. Once enough holes have piled up
// in the stretch examined so far, the entries are moved together.
#ifndef FGB_CONVERT_HPGL_ORDER_P_H
#define FGB_CONVERT_HPGL_ORDER_P_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fgb::conv {

// A point in plotter units.
struct OrderPoint {
  int32_t x, y;
};

// One path: where its points are in the shared point array, and its pen.
struct OrderPath {
  uint32_t first;  // index of the first point
  uint32_t count;  // at least 1
  int32_t pen;
};

class PathList {
 public:
  // The list of the paths: it starts with the last path and ends with the
  // first. (The arrays are kept from one list to the next.)
  void reset(const std::vector<OrderPath>& paths, const std::vector<OrderPoint>& pts);

  // Entries are addressed by slot. Slots only grow along the list: the
  // entry in a later slot is later in the list. end() is past the last.
  size_t end() const noexcept { return n_; }
  size_t head() const noexcept { return head_; }  // the first entry, or end()
  // The first entry at or after slot s, or end().
  size_t next(size_t s) const noexcept;
  uint32_t path(size_t s) const noexcept { return id_[s]; }
  int32_t pen(size_t s) const noexcept { return pen_[s]; }

  // Squared distance from pos to the nearer end of the entry's path.
  double reach(size_t s, OrderPoint pos) const noexcept;
  // True when the last point is not farther from pos than the first.
  bool reversed(size_t s, OrderPoint pos) const noexcept;

  void remove(size_t s) noexcept;

  // A run of the pen begins: stretch() ends at the first entry of another pen.
  void start_run(int32_t pen) noexcept;

  // Up to `want` entries from slot `from` (an entry of the run's pen),
  // stopping before an entry of another pen: how many, the slot of the
  // last, and whether the run ends right after it (the list's end or an
  // entry of another pen follows).
  struct Stretch {
    size_t taken;
    size_t last;
    bool run_ends;
  };
  Stretch stretch(size_t from, size_t want) noexcept;

  // The nearest entry to pos among the slots from..last: replaces best only
  // when strictly nearer than best_d, and the earliest of equals wins.
  void nearest(size_t from, size_t last, OrderPoint pos, size_t& best, double& best_d) const noexcept;

  // Moves the entries together when holes have piled up; cur (an entry or
  // end()) follows its entry.
  void tidy(size_t& cur);

 private:
  bool in_list(size_t s) const noexcept { return (live_[s >> 6] >> (s & 63)) & 1u; }
  // Up to `want` entries from slot `from`, below slot `limit`.
  void walk(size_t from, size_t want, size_t limit, size_t& taken, size_t& last) const noexcept;
  // The first entry of another pen than the run's at or before slot upto,
  // or end().
  size_t other_pen_upto(size_t upto) noexcept;
  void close_up(size_t& cur);

  size_t n_ = 0;
  // Both ends of each entry's path, as doubles so that the squares of
  // their differences compare exactly as before; an entry out of the list
  // has hx = tx = infinity.
  std::vector<double> hx_, hy_, tx_, ty_;
  std::vector<int32_t> pen_;
  std::vector<uint32_t> id_;    // the path of each slot
  std::vector<uint64_t> live_;  // one bit per slot: still in the list
  size_t head_ = 0;
  size_t touched_ = 0;  // slots below this may be holes; above, none
  size_t removed_ = 0;  // entries removed since the last closing up
  // The run's pen, and how far it is known: every entry from the head up
  // to checked_ has it, and when found_ the entry at checked_ has another.
  int32_t run_pen_ = 0;
  size_t checked_ = 0;
  bool found_ = false;
};

}  // namespace fgb::conv

#endif

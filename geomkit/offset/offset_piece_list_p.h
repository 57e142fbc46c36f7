// The piece list of an offset line: (partner line, parameter) nodes where
// the kept contour enters or leaves the line, in the order the sweep's
// insertion rule gives them.
//
// The rule puts a parameter p before the first node that is not smaller
// than p by the tolerance or more. That order is ascending only up to the
// tolerance: a node can land just before a node smaller than itself by less
// than the tolerance, and on outlines whose offset lines pass through one
// small area (needle-like outlines, whose mitres all run through the
// centre) such pairs are everywhere. There the lists also grow to
// thousands of nodes during the sweep, so walking them node by node for
// every insertion is quadratic.
//
// A list that grows beyond 2 * kBlock nodes is kept in blocks of at most
// that many, each with its largest parameter. "p - par >= tolerance" can
// only fail for a node of a block whose largest parameter fails it, so the
// walk skips whole blocks and stops at the very node the plain walk stops
// at. Shorter lists, nearly all of them, stay one plain array.
#ifndef GEOMKIT_OFFSET_PIECE_LIST_P_H
#define GEOMKIT_OFFSET_PIECE_LIST_P_H

#include <geomkit/gr_types.h>

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace geomkit::offset {

// A list node: the partner line and the parameter on the owning line.
struct Node {
  int partner;
  double par;
};

class PieceList {
 public:
  PieceList() = default;
  PieceList(const PieceList& o)
      : small_(o.small_), big_(o.big_ ? std::make_unique<Blocks>(*o.big_) : nullptr) {}
  PieceList& operator=(const PieceList& o) {
    if (this != &o) *this = PieceList(o);
    return *this;
  }
  PieceList(PieceList&&) noexcept = default;
  PieceList& operator=(PieceList&&) noexcept = default;

  class Iterator {
   public:
    Iterator(const PieceList* list, size_t b, size_t i) : list_(list), b_(b), i_(i) {}
    const Node& operator*() const { return list_->big_ ? list_->big_->blocks[b_][i_] : list_->small_[i_]; }
    const Node* operator->() const { return &**this; }
    Iterator& operator++() {
      if (list_->big_ && ++i_ == list_->big_->blocks[b_].size()) {
        ++b_;
        i_ = 0;
      } else if (!list_->big_) {
        ++i_;
      }
      return *this;
    }
    bool operator==(const Iterator& o) const { return b_ == o.b_ && i_ == o.i_; }
    bool operator!=(const Iterator& o) const { return !(*this == o); }

   private:
    const PieceList* list_;
    size_t b_, i_;
  };

  size_t size() const { return big_ ? big_->size : small_.size(); }
  bool empty() const { return size() == 0; }
  const Node& operator[](size_t k) const { return big_ ? at_in_blocks(k) : small_[k]; }
  const Node& front() const { return big_ ? big_->blocks.front().front() : small_.front(); }
  const Node& back() const { return big_ ? big_->blocks.back().back() : small_.back(); }
  Iterator begin() const { return {this, 0, 0}; }
  Iterator end() const {
    return big_ ? Iterator{this, big_->blocks.size(), 0} : Iterator{this, 0, small_.size()};
  }
  // The nodes in one array (for the trace dump).
  operator const std::vector<Node>&() const;

  // Where p goes by the insertion rule: the index of the first node with
  // p - par < tolerance, or size(). *at receives that node (null at the
  // end).
  size_t position(double p, const Node** at = nullptr) const {
    if (big_) return position_in_blocks(p, at);
    size_t pos = 0;
    while (pos < small_.size() && p - small_[pos].par >= GR_LMES_PREC) ++pos;
    if (at) *at = pos < small_.size() ? &small_[pos] : nullptr;
    return pos;
  }
  void insert(size_t pos, const Node& nd) {
    if (big_ || small_.size() == 2 * kBlock) return insert_in_blocks(pos, nd);
    if (pos == small_.size())
      small_.push_back(nd);
    else
      small_.insert(small_.begin() + static_cast<std::ptrdiff_t>(pos), nd);
  }
  void push_back(const Node& nd) { insert(size(), nd); }
  // Keeps the first k nodes.
  void truncate(size_t k);
  // Drops the first k nodes.
  void drop_front(size_t k);
  template <class Pred>
  void erase_if(Pred&& pred) {
    if (!big_) {
      std::erase_if(small_, pred);
      return;
    }
    for (std::vector<Node>& b : big_->blocks) std::erase_if(b, pred);
    std::erase_if(big_->blocks, [](const std::vector<Node>& b) { return b.empty(); });
    retop();
    if (big_ && big_->size <= 2 * kBlock) {
      // Short again (the sweep's last step leaves few nodes): one array,
      // and the blocks' memory back.
      for (const std::vector<Node>& b : big_->blocks) small_.insert(small_.end(), b.begin(), b.end());
      big_.reset();
    }
  }

 private:
  static constexpr size_t kBlock = 64;
  // A long list: blocks of nodes, and beside them (read in one sweep) each
  // block's size and largest parameter (a NaN counts as +infinity).
  struct Blocks {
    std::vector<std::vector<Node>> blocks;
    std::vector<double> tops;
    std::vector<size_t> sizes;
    size_t size = 0;
    std::vector<Node> flat;  // the trace dump's copy
  };
  size_t position_in_blocks(double p, const Node** at) const;
  void insert_in_blocks(size_t pos, const Node& nd);
  const Node& at_in_blocks(size_t k) const;
  static double top_of(const std::vector<Node>& nodes);
  // Recomputes sizes and tops (and drops the blocks when none is left).
  void retop();
  // The block holding node k (k < size()) and k's index in it.
  std::pair<size_t, size_t> locate(size_t k) const;

  std::vector<Node> small_;      // a short list, while big_ is null
  std::unique_ptr<Blocks> big_;  // a long one
};

}  // namespace geomkit::offset

#endif

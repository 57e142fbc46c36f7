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
// The nodes are kept in blocks of at most 2 * kBlock, each with its largest
// parameter. "p - par >= tolerance" can only fail for a node of a block
// whose largest parameter fails it, so the walk skips whole blocks and
// stops at the very node the plain walk stops at.
#ifndef GEOMKIT_OFFSET_PIECE_LIST_P_H
#define GEOMKIT_OFFSET_PIECE_LIST_P_H

#include <cstddef>
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
  class Iterator {
   public:
    Iterator(const PieceList* list, size_t b, size_t i) : list_(list), b_(b), i_(i) {}
    const Node& operator*() const { return list_->blocks_[b_][i_]; }
    const Node* operator->() const { return &**this; }
    Iterator& operator++() {
      if (++i_ == list_->blocks_[b_].size()) {
        ++b_;
        i_ = 0;
      }
      return *this;
    }
    bool operator==(const Iterator& o) const { return b_ == o.b_ && i_ == o.i_; }
    bool operator!=(const Iterator& o) const { return !(*this == o); }

   private:
    const PieceList* list_;
    size_t b_, i_;
  };

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const Node& operator[](size_t k) const;
  const Node& front() const { return blocks_.front().front(); }
  const Node& back() const { return blocks_.back().back(); }
  Iterator begin() const { return {this, 0, 0}; }
  Iterator end() const { return {this, blocks_.size(), 0}; }
  // The nodes in one array (for the trace dump).
  operator const std::vector<Node>&() const;

  // Where p goes by the insertion rule: the index of the first node with
  // p - par < tolerance, or size(). *at receives that node (null at the
  // end).
  size_t position(double p, const Node** at = nullptr) const;
  void insert(size_t pos, const Node& nd);
  void push_back(const Node& nd) { insert(size_, nd); }
  // Keeps the first k nodes.
  void truncate(size_t k);
  // Drops the first k nodes.
  void drop_front(size_t k);
  template <class Pred>
  void erase_if(Pred&& pred) {
    size_ = 0;
    for (std::vector<Node>& b : blocks_) {
      std::erase_if(b, pred);
      size_ += b.size();
    }
    std::erase_if(blocks_, [](const std::vector<Node>& b) { return b.empty(); });
    retop();
  }

 private:
  static constexpr size_t kBlock = 32;
  static double top_of(const std::vector<Node>& nodes);
  void retop();
  // The block holding node k (k < size()) and k's index in it.
  std::pair<size_t, size_t> locate(size_t k) const;

  // Blocks of nodes, and beside them (read in one sweep) each block's size
  // and largest parameter (a NaN counts as +infinity).
  std::vector<std::vector<Node>> blocks_;
  std::vector<double> tops_;
  std::vector<size_t> sizes_;
  size_t size_ = 0;
  mutable std::vector<Node> flat_;
};

}  // namespace geomkit::offset

#endif

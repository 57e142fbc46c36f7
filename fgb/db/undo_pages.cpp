// Positions of elements across states: relocations, page indexes and the
// pages of positional snapshots.
#include "db/undo_pages_p.h"

#include "db/gdb_p.h"
#include "db/pages_p.h"

#include <algorithm>
#include <new>

namespace fgb {

Relocation Relocation::identity(int32_t n_main, int32_t n_sel) noexcept {
  Relocation r;
  if (n_main > 0) r.note(0, 0, n_main, 0, 0);
  if (n_sel > 0) r.note(1, 0, n_sel, 1, 0);
  return r;
}

void Relocation::note(int from_side, int32_t from, int32_t n, int to_side, int32_t to) noexcept {
  if (n <= 0) return;
  std::vector<Move>& m = moves_[from_side];
  if (!m.empty()) {
    Move& last = m.back();
    if (last.from + last.n == from && last.to_side == to_side && last.to + last.n == to) {
      last.n += n;
      return;
    }
  }
  try {
    m.push_back(Move{from, n, to_side, to});
  } catch (const std::bad_alloc&) {
    whole_ = false;
  }
}

int Relocation::side_of(int side, int32_t pos, std::size_t* hint) const noexcept {
  const std::vector<Move>& m = moves_[side];
  while (*hint < m.size() && m[*hint].from + m[*hint].n <= pos) ++*hint;
  if (*hint >= m.size() || m[*hint].from > pos) return -1;
  return m[*hint].to_side;
}

bool Relocation::map(int side, int32_t start, int32_t n, std::vector<SeqRun>& out) const {
  const std::vector<Move>& m = moves_[side];
  // The last move that begins at or before start.
  auto it =
      std::upper_bound(m.begin(), m.end(), start, [](int32_t v, const Move& mv) { return v < mv.from; });
  if (it == m.begin()) return n <= 0;
  --it;
  int32_t at = start;
  const int32_t end = start + n;
  for (; at < end; ++it) {
    if (it == m.end() || it->from > at || it->from + it->n <= at) return false;  // no place
    const int32_t take = std::min(end, it->from + it->n) - at;
    const int32_t to = it->to + (at - it->from);
    if (!out.empty() && out.back().side == it->to_side && out.back().start + out.back().n == to)
      out.back().n += take;
    else
      out.push_back(SeqRun{it->to_side, to, take});
    at += take;
  }
  return true;
}

LazyPages::~LazyPages() {
  for (auto& s : side)
    for (LazyPage& p : s) fgb_destroy_gdb(p.own);
}

PageIndex::PageIndex(const MainDB& doc) {
  const pages* first[2] = {doc.GetFirstPage(), doc.GetFirstPageSelection()};
  for (int s = 0; s < 2; ++s) {
    int32_t at = 0;
    for (pages* p = const_cast<pages*>(first[s]); p; p = p->next) {
      const int32_t n = page_known(p) ? p->info.n : static_cast<int32_t>(fgb_count_gdb(p->gdb));
      order_[s].push_back(Entry{p, s, at, n});
      at += n;
    }
    size_[s] = at;
  }
  by_list_.reserve(order_[0].size() + order_[1].size());
  for (const auto& o : order_) by_list_.insert(by_list_.end(), o.begin(), o.end());
  std::sort(by_list_.begin(), by_list_.end(), [](const Entry& a, const Entry& b) {
    return PageIndex::key(a.page->gdb->head) < PageIndex::key(b.page->gdb->head);
  });
}

const PageIndex::Entry* PageIndex::find(const fgb_db* list) const noexcept {
  if (!list || ns_same_obj(list->head, list->tail)) return nullptr;  // empty lists are each their own
  const uint64_t k = PageIndex::key(list->head);
  auto it = std::lower_bound(by_list_.begin(), by_list_.end(), k, [](const Entry& e, uint64_t v) {
    return PageIndex::key(e.page->gdb->head) < v;
  });
  for (; it != by_list_.end() && PageIndex::key(it->page->gdb->head) == k; ++it)
    if (ns_same_obj(it->page->gdb->tail, list->tail)) return &*it;
  return nullptr;
}

fgb_db* PageIndex::build(const std::vector<SeqRun>& runs) const noexcept {
  if (runs.size() == 1) {
    // One run over exactly one whole page: that page's list, shared.
    const SeqRun& r = runs[0];
    for (const Entry& e : order_[r.side])
      if (e.start == r.start && e.n == r.n && r.n > 0) return share_list(e.page->gdb);
  }
  fgb_db* list = fgb_create_gdb();
  if (!list) return nullptr;
  // A cursor along one side: runs mostly follow each other, so the next
  // one is reached by walking on rather than from its page's head.
  int cs = -1;
  std::size_t page = 0;
  tag_ns_handler link = ns_null_obj();
  int32_t pos = 0;
  for (const SeqRun& r : runs) {
    if (r.start < 0 || r.n < 0 || r.start + r.n > size_[r.side]) {
      fgb_destroy_gdb(list);
      return nullptr;
    }
    if (r.n == 0) continue;
    const std::vector<Entry>& o = order_[r.side];
    if (cs != r.side || pos > r.start) {
      // The page that holds the run's first element, from its head.
      auto it = std::upper_bound(o.begin(), o.end(), r.start,
                                 [](int32_t v, const Entry& e) { return v < e.start; });
      page = static_cast<std::size_t>(it - o.begin()) - 1;
      cs = r.side;
      pos = o[page].start;
      link = o[page].page->gdb->head;
    }
    for (int32_t left = r.n; left > 0;) {
      while (is_end(link)) {  // on to the next page's first element
        if (++page >= o.size()) {
          fgb_destroy_gdb(list);
          return nullptr;
        }
        link = o[page].page->gdb->head;
      }
      if (pos >= r.start) {
        if (!append_element(list, ns_get_first_obj(link))) {
          fgb_destroy_gdb(list);
          return nullptr;
        }
        --left;
      }
      link = ns_get_second_obj(link);
      ++pos;
    }
  }
  return list;
}

}  // namespace fgb

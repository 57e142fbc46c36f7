// The store's operations: cells, their content, pairs and list databases.
#include "nodestore_p.h"

#include <charconv>
#include <cstring>
#include <new>

namespace nodestore {

void* Store::data_ptr(Handle h) const noexcept {
  Cell* c = objects_.at(h);
  switch (c->kind) {
    case kUnboxed: return c->payload;
    case kBoxed: return data_.bytes(datum_of(*c));
    default: return nullptr;
  }
}

// ===========================================================================
// Releasing content

// A live cell's content goes; the cell stays, empty and unboxed. Its
// components are untied first then second, as the last untie of a pair does.
void Store::release_held(Handle h) noexcept {
  Cell* c = objects_.at(h);
  if (c->kind == kBoxed) {
    data_.release(datum_of(*c), length_of(*c));
  } else if (c->kind == kPair) {
    Handle first = first_of(*c), second = second_of(*c);
    c->kind = kUnboxed;
    untie(first);
    untie(second);
  }
  c->kind = kUnboxed;
}

// Releases a cell whose count has just reached 0, and with it every cell
// whose last reference it held: depth first, the first component's cells
// before the second's, each slot freed after its components - the order of
// plain recursion, so the free list ends up the same. Recursion would take
// one stack frame per link of a list and overflow on long ones; instead the
// way back is kept in the dying pairs themselves: a pair being released
// holds its parent's handle where its first component was, and its reserved
// byte says which component comes next.
void Store::release_dead(Handle h) noexcept {
  enum : uint8_t { kSecondNext = 1, kBothDone = 2 };
  Handle cur = h;
  Handle up = kNullHandle;  // the dying pair that held cur, or null at the top
  bool arriving = true;     // false: back at cur from one of its components
  for (;;) {
    Cell* c = objects_.at(cur);
    if (c->kind == kPair) {
      if (arriving) {
        Handle first = first_of(*c);
        set_word_handle(c->payload, up);
        c->reserved = kSecondNext;
        if (drop_reference(first)) {
          up = cur;
          cur = first;
          continue;
        }
      }
      if (c->reserved == kSecondNext) {
        c->reserved = kBothDone;
        Handle second = second_of(*c);
        if (drop_reference(second)) {
          up = cur;
          cur = second;
          arriving = true;
          continue;
        }
      }
      up = first_of(*c);
      c->reserved = 0;
    } else if (c->kind == kBoxed) {
      data_.release(datum_of(*c), length_of(*c));
    }
    c->kind = kUnboxed;
    objects_.give_back(cur);
    if (is_null(up)) return;
    cur = up;
    arriving = false;
  }
}

// ===========================================================================
// Setting content

void Store::set_unboxed(Handle h, ns_type type) noexcept {
  release_content(h);
  objects_.at(h)->type = type;
}

// Copies from's present content into the fresh cell to: unboxed bytes, a new
// datum with the same bytes, or the same components (each tied once more).
// On failure to stays empty and unboxed.
int Store::copy_content(Handle from, Handle to) noexcept {
  release_content(to);
  Cell* s = objects_.at(from);
  Cell* d = objects_.at(to);
  switch (s->kind) {
    case kUnboxed: std::memcpy(d->payload, s->payload, sizeof d->payload); break;
    case kBoxed: {
      uint32_t n = length_of(*s);
      Handle datum = data_.allocate(n);
      if (is_null(datum)) return 0;
      // Blocks never move, so both data stay put while the bytes cross.
      std::memcpy(data_.bytes(datum), data_.bytes(datum_of(*s)), n);
      set_word_handle(d->payload, datum);
      d->payload[2] = n;
      break;
    }
    case kPair: {
      Handle first = first_of(*s), second = second_of(*s);
      if (!is_null(first)) tie(first);
      if (!is_null(second)) tie(second);
      set_word_handle(d->payload, first);
      set_word_handle(d->payload + 2, second);
      break;
    }
  }
  d->type = s->type;
  d->kind = s->kind;
  return 1;
}

int Store::set_pair(Handle target, ns_type type, Handle first, Handle second) noexcept {
  // A component that is the target itself stands for the target's present
  // content: it becomes a fresh cell holding a copy of it.
  Handle fresh[2] = {kNullHandle, kNullHandle};
  Handle* parts[2] = {&first, &second};
  for (int i = 0; i < 2; ++i) {
    if (!same(*parts[i], target)) continue;
    fresh[i] = create();
    if (is_null(fresh[i]) || !copy_content(target, fresh[i])) {
      untie(fresh[0]);
      untie(fresh[1]);
      return 0;
    }
    *parts[i] = fresh[i];
  }
  // Tying before releasing keeps alive a component that only the old content held.
  if (!is_null(first)) tie(first);
  if (!is_null(second)) tie(second);
  release_content(target);
  Cell* c = objects_.at(target);
  c->type = type;
  c->kind = kPair;
  c->reserved = 0;
  set_word_handle(c->payload, first);
  set_word_handle(c->payload + 2, second);
  // The fresh copies are now held by the pair alone.
  untie(fresh[0]);
  untie(fresh[1]);
  return 1;
}

// ===========================================================================
// List databases

ns_list_db* Store::create_list(ns_type cell_type, ns_type end_type) noexcept {
  auto* list = new (std::nothrow) ns_list_db;
  if (!list) return nullptr;
  Handle end = create();
  if (is_null(end)) {
    delete list;
    return nullptr;
  }
  set_unboxed(end, end_type);
  list->end_type = end_type;
  list->cell_type = cell_type;
  list->head = end;
  list->terminator = end;
  return list;
}

void Store::destroy_list(ns_list_db* list) noexcept {
  untie(list->head);
  delete list;
}

int Store::list_head_add(ns_list_db* list, Handle element) noexcept {
  Handle link = create();
  if (is_null(link)) return 0;
  if (!set_pair(link, list->cell_type, element, list->head)) {
    untie(link);
    return 0;
  }
  untie(list->head);  // the new link holds it now
  list->head = link;
  return 1;
}

// ===========================================================================
// Trace

namespace {

class LineWriter {
 public:
  explicit LineWriter(char* buf) : buf_(buf) {}
  LineWriter& operator<<(std::string_view s) {
    size_t n = s.size() < room() ? s.size() : room();
    std::memcpy(buf_ + len_, s.data(), n);
    len_ += n;
    return *this;
  }
  template <class Int>
  LineWriter& number(Int v) {
    char digits[16];
    auto r = std::to_chars(digits, digits + sizeof digits, v);
    return *this << std::string_view(digits, size_t(r.ptr - digits));
  }
  LineWriter& handle(Handle h) {
    number(h.block) << ":";
    return number(h.offset);
  }
  size_t finish() {
    buf_[len_] = '\0';
    return len_;
  }

 private:
  size_t room() const { return kTraceLineSize - 1 - len_; }
  char* buf_;
  size_t len_ = 0;
};

}  // namespace

size_t format_trace_line(char* buf, Handle slot, const Cell& cell) noexcept {
  LineWriter w(buf);
  w.handle(slot) << "(";
  w.number(cell.refs) << " links)"
                      << " ===> ";
  if (cell.refs == 0) {
    w << " FREE ";
  } else if (cell.kind == kBoxed) {
    w << " boxed len:";
    w.number(length_of(cell)) << " ref:";
    w.handle(datum_of(cell));
  } else if (cell.kind == kPair) {
    w << " pair:";
    w.handle(first_of(cell)) << "   ";
    w.handle(second_of(cell));
  } else {
    w << " unboxed ";
  }
  return w.finish();
}

}  // namespace nodestore

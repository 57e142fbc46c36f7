// The exported ns_ functions: thin adapters over the process-wide store.
// Nothing below throws; a null handle where a cell is expected is ignored
// (or gives 0 / null) rather than crashing.
#include "nodestore_p.h"

#include <cstdio>
#include <cstdlib>

namespace nodestore {
namespace {
// Built before any code of the process runs (no start-up order to get wrong)
// and freed, with every block, when the library is unloaded.
constinit Store g_store;
}  // namespace

Store& global_store() noexcept { return g_store; }
}  // namespace nodestore

using nodestore::g_store;
using nodestore::is_null;

extern "C" {

tag_ns_handler ns_create_obj(void) noexcept { return g_store.create(); }

void ns_tie_obj(tag_ns_handler obj) noexcept {
  if (!is_null(obj)) g_store.tie(obj);
}

void ns_untie_obj(tag_ns_handler obj) noexcept { g_store.untie(obj); }

void ns_set_unboxed_obj_NULL(tag_ns_handler obj, ns_type type) noexcept {
  if (!is_null(obj)) g_store.set_unboxed(obj, type);
}

int ns_set_boxed_obj(tag_ns_handler obj, ns_type type, const void* data, int n) noexcept {
  return is_null(obj) ? 0 : g_store.set_boxed(obj, type, data, n);
}

int ns_set_pair_obj(tag_ns_handler target, ns_type type, tag_ns_handler first,
                    tag_ns_handler second) noexcept {
  return is_null(target) ? 0 : g_store.set_pair(target, type, first, second);
}

ns_type ns_get_obj_type(tag_ns_handler obj) noexcept {
  return is_null(obj) ? ns_type(0) : g_store.cell(obj)->type;
}

uint32_t ns_get_obj_refs(tag_ns_handler obj) noexcept { return is_null(obj) ? 0u : g_store.cell(obj)->refs; }

int ns_get_boxed_obj_size(tag_ns_handler obj) noexcept {
  if (is_null(obj)) return 0;
  const nodestore::Cell* c = g_store.cell(obj);
  return c->kind == nodestore::kBoxed ? int(nodestore::length_of(*c)) : 0;
}

tag_ns_handler ns_get_first_obj(tag_ns_handler obj) noexcept {
  if (is_null(obj)) return nodestore::kNullHandle;
  const nodestore::Cell* c = g_store.cell(obj);
  return c->kind == nodestore::kPair ? nodestore::first_of(*c) : nodestore::kNullHandle;
}

tag_ns_handler ns_get_second_obj(tag_ns_handler obj) noexcept {
  if (is_null(obj)) return nodestore::kNullHandle;
  const nodestore::Cell* c = g_store.cell(obj);
  return c->kind == nodestore::kPair ? nodestore::second_of(*c) : nodestore::kNullHandle;
}

void* ns_get_obj_data_ptr(tag_ns_handler obj) noexcept {
  return is_null(obj) ? nullptr : g_store.data_ptr(obj);
}

int ns_type_eq(ns_type a, ns_type b) noexcept { return a == b; }

void ns_trace_objs(void) noexcept {
  // The walk has no effect of its own: skip it unless someone is reading.
  if (!std::getenv("KALVEX_TRACE")) return;
  g_store.trace([](std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
  });
}

ns_list_db* ns_create_list_db(ns_type cell_type, ns_type end_type) noexcept {
  return g_store.create_list(cell_type, end_type);
}

void ns_destroy_list_db(ns_list_db* list) noexcept {
  if (list) g_store.destroy_list(list);
}

int ns_is_empty_list_db(const ns_list_db* list) noexcept { return !list || g_store.list_empty(list); }

int ns_head_list_db_add(ns_list_db* list, tag_ns_handler element) noexcept {
  return list ? g_store.list_head_add(list, element) : 0;
}

}  // extern "C"

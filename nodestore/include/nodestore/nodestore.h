/* nodestore: the object store.
 *
 * A process-wide heap of small typed, reference-counted cells addressed by
 * handles. A cell is unboxed (16 payload bytes in place), boxed (a byte
 * string of any length kept in the data pool) or a pair (two handles).
 * Lists are chains of pair cells. Tying adds a reference, untying removes
 * one; the last untie releases the cell's content and recycles the slot.
 *
 * Memory: cells are 24 bytes, cut 512 to a 12 288-byte block; data are cut
 * from 1 024-byte blocks in 128 size classes of 8 bytes, and a datum of
 * more than 1 016 bytes gets a block of its own. Blocks are ordinary heap
 * memory that never moves.
 *
 * Pointer validity (the lock-ring contract). The store keeps at most 17
 * blocks per pool "locked" at a time, and callers have always been told that
 * a pointer from ns_get_obj_data_ptr stays valid only until a later store
 * call reaches more than 16 other blocks of the same pool. Because our
 * blocks never move, such a pointer in fact stays valid until the datum (or
 * cell) it points into is released or re-set; code must still not hold a
 * data pointer across a call that may release or re-set that same cell.
 * Callers written to the stricter contract (take the pointer again after
 * other store calls) remain correct.
 *
 * Threads: none. The pools are global and unguarded; call from one thread.
 *
 * Alignment: a datum starts 4 bytes into its chunk and chunks are 8c + 4
 * bytes long, so ns_get_obj_data_ptr is 4-byte aligned only (unboxed
 * payloads too). Copy records in and out with memcpy rather than reading a
 * double or a pointer through it in place.
 *
 * Every function has C linkage and never throws. Handles are not
 * validated: passing a stale handle, or a null one where a live cell is
 * expected, is a caller error (the components of ns_set_pair_obj may be
 * null). As a courtesy a null handle is ignored, or gives 0 / null, instead
 * of crashing; a null list likewise.
 */
#ifndef NODESTORE_NODESTORE_H
#define NODESTORE_NODESTORE_H

#include <stdint.h>

#if defined(NODESTORE_BUILDING)
#define NS_API __attribute__((visibility("default")))
#else
#define NS_API
#endif
#ifdef __cplusplus
#define NS_NOEXCEPT noexcept
extern "C" {
#else
#define NS_NOEXCEPT
#endif

/* Handle of a cell or datum. block is the index in the pool's block table
 * (-1: no cell, whatever the offset); offset is the byte offset inside it. */
typedef struct tag_ns_handler {
  int32_t block;   /* block index, -1 = null handle */
  uint32_t offset; /* byte offset of the cell or datum in the block */
} tag_ns_handler;

/* 16-bit type tag chosen by the store's user. */
typedef uint16_t ns_type;

/* A list database: a chain of pair cells (element, next) ending in an
 * unboxed terminator cell. Owned by the caller; free with
 * ns_destroy_list_db. */
typedef struct ns_list_db {
  ns_type end_type;          /* type of the terminator cell */
  ns_type cell_type;         /* type given to each link (pair) cell */
  tag_ns_handler head;       /* first link, or the terminator; holds one reference */
  tag_ns_handler terminator; /* the terminator cell (no reference of its own) */
} ns_list_db;

/* A fresh cell with reference count 1, kind unboxed, type and payload
 * uninitialised; the null handle when memory is exhausted. */
NS_API tag_ns_handler ns_create_obj(void) NS_NOEXCEPT;
/* Reference count + 1; a count at 4 294 967 295 stays there. */
NS_API void ns_tie_obj(tag_ns_handler obj) NS_NOEXCEPT;
/* Reference count - 1 (a saturated count stays); at 0 the content is
 * released (pairs untie their components, first then second) and the slot
 * goes to the head of the free list: the last freed is the first reused.
 * Chains of any length are released without recursion. */
NS_API void ns_untie_obj(tag_ns_handler obj) NS_NOEXCEPT;
/* Releases the content; the cell becomes unboxed of the given type; the 16
 * payload bytes are left as they are. */
NS_API void ns_set_unboxed_obj_NULL(tag_ns_handler obj, ns_type type) NS_NOEXCEPT;
/* Stores a copy of the n bytes (n >= 1) and releases the old content. The
 * copy is taken first, so data may point into the cell's own datum. 1 done;
 * 0 out of memory, n < 1 or data null (the old content is then released all
 * the same and the cell left empty, unboxed, its type unchanged). */
NS_API int ns_set_boxed_obj(tag_ns_handler obj, ns_type type, const void* data, int n) NS_NOEXCEPT;
/* Makes target the pair (first, second); either may be null. A component
 * that is the target itself is replaced by a copy of the target's present
 * content. 1 done, 0 out of memory. */
NS_API int ns_set_pair_obj(tag_ns_handler target, ns_type type, tag_ns_handler first,
                           tag_ns_handler second) NS_NOEXCEPT;
NS_API ns_type ns_get_obj_type(tag_ns_handler obj) NS_NOEXCEPT;
/* The cell's reference count (0 for the null handle). A count above 1 tells
 * a user that the cell is shared and must not be changed in place. */
NS_API uint32_t ns_get_obj_refs(tag_ns_handler obj) NS_NOEXCEPT;
/* Length in bytes of a boxed cell's datum (0 for the other kinds). */
NS_API int ns_get_boxed_obj_size(tag_ns_handler obj) NS_NOEXCEPT;
/* A pair's components; no reference is added (null for the other kinds). */
NS_API tag_ns_handler ns_get_first_obj(tag_ns_handler obj) NS_NOEXCEPT;
NS_API tag_ns_handler ns_get_second_obj(tag_ns_handler obj) NS_NOEXCEPT;
/* Boxed: the datum's first byte; unboxed: the 16 payload bytes; pair: null. */
NS_API void* ns_get_obj_data_ptr(tag_ns_handler obj) NS_NOEXCEPT;
/* 1 when the two tags are equal. */
NS_API int ns_type_eq(ns_type a, ns_type b) NS_NOEXCEPT;
/* Diagnostic walk of the cell slots, one line each, from 0:0 through the
 * next slot to be cut (through the last slot when every block is fully
 * cut), e.g. "0:24(2 links) ===>  boxed len:10 ref:0:0". The lines go to
 * standard error only when the environment variable KALVEX_TRACE is set;
 * otherwise the call does nothing. */
NS_API void ns_trace_objs(void) NS_NOEXCEPT;

/* A new empty list, or null when memory is exhausted. */
NS_API ns_list_db* ns_create_list_db(ns_type cell_type, ns_type end_type) NS_NOEXCEPT;
/* Releases the chain (and the list's references to its elements) and the record. */
NS_API void ns_destroy_list_db(ns_list_db* list) NS_NOEXCEPT;
/* 1 when the head is of the end type (a null list counts as empty). */
NS_API int ns_is_empty_list_db(const ns_list_db* list) NS_NOEXCEPT;
/* Puts element at the head; the list takes one reference. 1 done, 0 out of
 * memory (list unchanged). */
NS_API int ns_head_list_db_add(ns_list_db* list, tag_ns_handler element) NS_NOEXCEPT;

/* Handle helpers: the null handle, and the store's identity of handles
 * (both null, or the same block and offset). */
static inline tag_ns_handler ns_null_obj(void) {
  tag_ns_handler h;
  h.block = -1;
  h.offset = 0;
  return h;
}
static inline int ns_is_null_obj(tag_ns_handler h) { return h.block == -1; }
static inline int ns_same_obj(tag_ns_handler a, tag_ns_handler b) {
  return (a.block == -1 && b.block == -1) || (a.block == b.block && a.offset == b.offset);
}

#ifdef __cplusplus
}
#endif

#endif

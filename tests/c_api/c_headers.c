/* The public headers are plain C, and the shared libraries export them:
 * this program includes every umbrella header as C and calls through them. */
#include <stdio.h>
#include <string.h>
#include <nodestore/nodestore.h>
#include <geomkit/geomkit.h>

static int failures = 0;

static void check(int ok, const char* what) {
  if (!ok) {
    fprintf(stderr, "c_api: %s\n", what);
    ++failures;
  }
}

static void object_store(void) {
  tag_ns_handler a = ns_create_obj();
  tag_ns_handler p = ns_create_obj();
  ns_list_db* list = ns_create_list_db(1, 2);
  check(!ns_is_null_obj(a) && !ns_is_null_obj(p) && list != NULL, "cells and list created");
  if (ns_is_null_obj(a) || ns_is_null_obj(p) || list == NULL) return;

  check(ns_set_boxed_obj(a, 7, "plotter", 7) == 1, "ns_set_boxed_obj");
  check(ns_get_boxed_obj_size(a) == 7, "ns_get_boxed_obj_size");
  check(memcmp(ns_get_obj_data_ptr(a), "plotter", 7) == 0, "ns_get_obj_data_ptr");
  check(ns_type_eq(ns_get_obj_type(a), 7), "ns_get_obj_type");
  check(ns_set_boxed_obj(a, 7, "", 0) == 0, "empty datum refused");

  ns_set_unboxed_obj_NULL(p, 3);
  check(ns_set_pair_obj(p, 4, p, ns_null_obj()) == 1, "ns_set_pair_obj with the target as component");
  check(ns_type_eq(ns_get_obj_type(ns_get_first_obj(p)), 3), "copy keeps the old type");
  check(ns_is_null_obj(ns_get_second_obj(p)), "null second component");

  check(ns_is_empty_list_db(list), "new list is empty");
  check(ns_head_list_db_add(list, p) == 1, "ns_head_list_db_add");
  check(!ns_is_empty_list_db(list), "list not empty after an add");
  ns_tie_obj(a);
  ns_untie_obj(a);
  ns_untie_obj(a);
  ns_untie_obj(p);
  ns_trace_objs(); /* silent unless KALVEX_TRACE is set */
  ns_destroy_list_db(list);
}

static void geometry(void) {
  gr_cpoint a = {3.0, 4.0};
  check(gr_vect_len(&a) == 5.0, "gr_vect_len(3, 4) == 5");
}

int fgb_import_c_check(void); /* fgb_import.c */

int main(void) {
  object_store();
  geometry();
  if (fgb_import_c_check() != 0) check(0, "metafile handles through the C header");
  return failures ? 1 : 0;
}

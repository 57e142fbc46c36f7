/* kalvex-demo: a few object-store cells and a list, the store's trace, then
 * a square polyline's bounding box and its crossings with a horizontal
 * line. Plain C over the shared libraries, as any caller would use them. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <nodestore/nodestore.h>
#include <geomkit/gr_poly.h>

enum { TYPE_NAME = 1, TYPE_PEN = 2, TYPE_LINK = 3, TYPE_END = 4 };

static int object_store(void) {
  static const char* names[] = {"outline", "hatch", "drill marks"};
  ns_list_db* list = ns_create_list_db(TYPE_LINK, TYPE_END);
  if (!list) return 0;
  printf("object store: a new list is %s\n", ns_is_empty_list_db(list) ? "empty" : "not empty");
  for (int i = 0; i < 3; ++i) {
    tag_ns_handler name = ns_create_obj();
    if (ns_is_null_obj(name) || !ns_set_boxed_obj(name, TYPE_NAME, names[i], (int)strlen(names[i])) ||
        !ns_head_list_db_add(list, name)) {
      ns_untie_obj(name);
      ns_destroy_list_db(list);
      return 0;
    }
    ns_untie_obj(name); /* the list holds it now */
  }
  tag_ns_handler pen = ns_create_obj();
  if (!ns_is_null_obj(pen)) {
    int number = 7;
    ns_set_unboxed_obj_NULL(pen, TYPE_PEN);
    memcpy(ns_get_obj_data_ptr(pen), &number, sizeof number);
  }

  printf("the list, newest first:");
  for (tag_ns_handler link = list->head; ns_type_eq(ns_get_obj_type(link), TYPE_LINK);
       link = ns_get_second_obj(link)) {
    tag_ns_handler name = ns_get_first_obj(link);
    printf(" \"%.*s\"", ns_get_boxed_obj_size(name), (const char*)ns_get_obj_data_ptr(name));
  }
  printf("\nthe store's cells (trace, on standard error):\n");
  fflush(stdout);
  setenv("KALVEX_TRACE", "1", 0);
  ns_trace_objs();
  fflush(stderr);

  ns_destroy_list_db(list);
  ns_untie_obj(pen);
  printf("list destroyed, pen cell untied: every cell is free again\n\n");
  return 1;
}

static int square(void) {
  gr_polyline* sq = gr_alloc_buffer_for_polyline(4);
  if (!sq) return 0;
  const gr_cpoint corners[4] = {{1.0, 1.0}, {1.0, 3.0}, {3.0, 3.0}, {3.0, 1.0}};
  sq->closed = 1;
  sq->n = 4;
  memcpy(sq->pnt, corners, sizeof corners);

  gr_xy_rect box;
  gr_get_polyline_dims(&box, sq);
  printf("square (1,1)-(1,3)-(3,3)-(3,1), closed: bounding box (%g, %g) - (%g, %g)\n", box.x1, box.y1,
         box.x2, box.y2);

  static const struct {
    double y;
    const char* note;
  } lines[] = {{2.0, "through the middle"}, {3.0, "along the top side"}, {4.0, "above the square"}};
  for (int i = 0; i < 3; ++i) {
    gr_line line = {{0.0, lines[i].y}, {0.0, 1.0}}; /* through (0, y), along +x */
    int room = gr_maxn_isct_line_polyline(&line, sq);
    double* t = malloc(sizeof(double) * (size_t)(room > 0 ? room : 1));
    if (!t) break;
    int n = gr_isct_line_polyline(t, &line, sq, 0);
    printf("crossings with y = %g (%s):", lines[i].y, lines[i].note);
    for (int k = 0; k < n; ++k) printf(" x = %g", t[k]);
    printf("%s\n", n ? "" : " none");
    free(t);
  }
  gr_free_buffer_for_polyline(sq);
  return 1;
}

int main(void) {
  printf("kalvex-demo: the object store and the polyline functions of Trevalon\n\n");
  if (!object_store() || !square()) {
    fprintf(stderr, "kalvex-demo: out of memory\n");
    return 1;
  }
  return 0;
}

/* The public headers are plain C, and the shared libraries export them:
 * this program includes every umbrella header as C and calls through them. */
#include <stdio.h>
#include <nodestore/nodestore.h>
#include <geomkit/geomkit.h>

int main(void) {
  gr_cpoint a = {3.0, 4.0};
  if (gr_vect_len(&a) != 5.0) {
    fprintf(stderr, "gr_vect_len(3, 4) != 5\n");
    return 1;
  }
  tag_ns_handler h = ns_create_obj();
  if (ns_is_null_obj(h)) {
    fprintf(stderr, "ns_create_obj failed\n");
    return 1;
  }
  ns_untie_obj(h);
  return 0;
}

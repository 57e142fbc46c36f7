// Internals of the device context shared by its back-ends and tests.
#ifndef GEOMKIT_DEVICE_CONTEXT_P_H
#define GEOMKIT_DEVICE_CONTEXT_P_H

#include <geomkit/gr_dc.h>

namespace geomkit {

// The isotropic rule: with window extent w and requested viewport extent v,
// s = min(|vx / wx|, |vy / wy|) device units per logical unit on both axes.
// reported is the effective viewport extent (sign(v) s |w| per axis) as
// GetViewportExtEx gives it: the limiting axis exactly as requested, the
// other rounded away from zero, so that setting it again keeps s.
struct IsotropicExtent {
  double scale;
  SIZE reported;
};
IsotropicExtent isotropic_extent(SIZE window, SIZE viewport) noexcept;

}  // namespace geomkit

#endif

/* geomkit: the geometry library. Plain C records and gr_ functions; the
 * device context classes are C++ (<geomkit/device_context.h>,
 * <geomkit/recording_dc.h>). */
#ifndef GEOMKIT_GEOMKIT_H
#define GEOMKIT_GEOMKIT_H

#include <geomkit/gr_api.h>
#include <geomkit/gr_types.h>
#include <geomkit/gr_dc.h>
#include <geomkit/gr_style.h>
#include <geomkit/gr_poly.h>
#include <geomkit/gr_circle.h>
#include <geomkit/gr_bez.h>
#include <geomkit/gr_graph.h>
#include <geomkit/gr_eqvidist.h>

#ifdef __cplusplus
#include <geomkit/device_context.h>
#include <geomkit/recording_dc.h>
#endif

#endif

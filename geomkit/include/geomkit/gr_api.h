/* Export and linkage macros of the geometry library. */
#ifndef GEOMKIT_GR_API_H
#define GEOMKIT_GR_API_H

#if defined(GEOMKIT_BUILDING)
#define GR_API __attribute__((visibility("default")))
#else
#define GR_API
#endif

#ifdef __cplusplus
#define GR_NOEXCEPT noexcept
#define GR_BEGIN_C extern "C" {
#define GR_END_C }
#else
#define GR_NOEXCEPT
#define GR_BEGIN_C
#define GR_END_C
#endif

#endif

/* Export and linkage macros of the graphics database library. */
#ifndef FGB_FGB_API_H
#define FGB_FGB_API_H

#if defined(FGB_BUILDING)
#define FGB_API __attribute__((visibility("default")))
#else
#define FGB_API
#endif

#ifdef __cplusplus
#define FGB_NOEXCEPT noexcept
#define FGB_BEGIN_C extern "C" {
#define FGB_END_C }
#else
#define FGB_NOEXCEPT
#define FGB_BEGIN_C
#define FGB_END_C
#endif

#endif

/* The device-context vocabulary, in plain C: handles, the GDI records the
 * library exchanges (LOGPEN, LOGBRUSH, LOGFONTA, POINT, SIZE, RECT) and the
 * GDI constants the system uses, under their GDI names and values.
 *
 * A device context (HDC) is an object of the C++ class GrDeviceContext
 * (<geomkit/device_context.h>); C code only passes the handle through.
 * Pens, brushes and fonts (HGDIOBJ) are created, selected into a device
 * context (selecting returns the previous object of the same type) and
 * deleted, as on the platform the system was first written for.
 */
#ifndef GEOMKIT_GR_DC_H
#define GEOMKIT_GR_DC_H

#include <stdint.h>
#include <geomkit/gr_api.h>

GR_BEGIN_C

typedef struct GrDeviceContext* HDC;
typedef struct GrGdiObject* HGDIOBJ;
typedef HGDIOBJ HPEN;
typedef HGDIOBJ HBRUSH;
typedef HGDIOBJ HFONT;

typedef int32_t BOOL;
typedef uint32_t DWORD;
typedef uint32_t UINT;
/* Red in bits 0-7, green 8-15, blue 16-23. */
typedef uint32_t COLORREF;

#define RGB(r, g, b) \
  ((COLORREF)(((uint32_t)(uint8_t)(r)) | (((uint32_t)(uint8_t)(g)) << 8) | (((uint32_t)(uint8_t)(b)) << 16)))
#define GetRValue(c) ((uint8_t)((c)&0xff))
#define GetGValue(c) ((uint8_t)(((c) >> 8) & 0xff))
#define GetBValue(c) ((uint8_t)(((c) >> 16) & 0xff))

typedef struct POINT {
  int32_t x;
  int32_t y;
} POINT;

typedef struct SIZE {
  int32_t cx;
  int32_t cy;
} SIZE;

typedef struct RECT {
  int32_t left, top, right, bottom;
} RECT;

/* 16 bytes. lopnWidth.x is the width in logical units (0: one device pixel). */
typedef struct LOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN;

/* 12 bytes. lbHatch matters for BS_HATCHED only. */
typedef struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  uint32_t lbHatch;
} LOGBRUSH;

#define LF_FACESIZE 32
/* 60 bytes. */
typedef struct LOGFONTA {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
} LOGFONTA;

/* Map modes. */
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8

/* Pen styles (ExtCreatePen adds the type and end-cap bits). */
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define PS_USERSTYLE 7
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000

/* Brush styles and hatches. */
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5

/* Stock objects. */
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13

/* Object types (GetCurrentObject, GetObjectType). */
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_FONT 6
#define OBJ_EXTPEN 11

/* Raster operations of lines (SetROP2). */
#define R2_BLACK 1
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_XORPEN 7
#define R2_COPYPEN 13
#define R2_WHITE 16

/* GetClipBox results. */
#define RGN_ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

/* Polygon fill modes. */
#define ALTERNATE 1
#define WINDING 2

/* Background modes. */
#define TRANSPARENT 1
#define OPAQUE 2

/* Text alignment. */
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

/* Arc directions. */
#define AD_COUNTERCLOCKWISE 1
#define AD_CLOCKWISE 2

#define CLR_INVALID 0xFFFFFFFFu

GR_END_C

#endif

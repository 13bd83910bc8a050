// Enhanced metafiles: a device context that records the drawing calls as EMR_* records, the
// recorded pictures behind HENHMETAFILE handles, their playback onto any context (scaled to a
// rectangle), the enumeration of their records, and their stream format (GetEnhMetaFileBits
// gives the bytes of a picture file, SetEnhMetaFileBits takes them back).
//
// The stream is a header record (EMR_HEADER, signature " EMF" at byte 40), the records, and
// EMR_EOF; every record starts with its type and its size in bytes (a multiple of 4), and all
// values are little-endian 32-bit unless a structure below says otherwise.
//
// What a recording holds. Coordinates in records are logical units of the recording context
// unless a field says "device units"; the recording's window and viewport origins are records
// of their own. Bounds are inclusive on all four sides, as the format has them. Text is kept
// as EMR_EXTTEXTOUTW: the UTF-16 characters, the advance of every code unit (a pair's second
// unit advances 0), and as reference point the start of the baseline (the recording selects
// TA_BASELINE for it); its rclBounds is the box of the character cells in device units. The
// records carry what this system needs to play them back exactly after the parts the format
// defines, where readers that go by the offsets do not see it.
#pragma once

#include <cstddef>

#include "platform/winapi/Gdi.h"

struct HENHMETAFILE__;
using HENHMETAFILE = HENHMETAFILE__*;

using RECTL = RECT;
using POINTL = POINT;
using SIZEL = SIZE;

// ---- Record types ----------------------------------------------------------------------------

constexpr DWORD EMR_HEADER = 1;
constexpr DWORD EMR_POLYBEZIER = 2;
constexpr DWORD EMR_POLYGON = 3;
constexpr DWORD EMR_POLYLINE = 4;
constexpr DWORD EMR_POLYBEZIERTO = 5;
constexpr DWORD EMR_POLYLINETO = 6;
constexpr DWORD EMR_POLYPOLYLINE = 7;
constexpr DWORD EMR_POLYPOLYGON = 8;
constexpr DWORD EMR_SETWINDOWEXTEX = 9;
constexpr DWORD EMR_SETWINDOWORGEX = 10;
constexpr DWORD EMR_SETVIEWPORTEXTEX = 11;
constexpr DWORD EMR_SETVIEWPORTORGEX = 12;
constexpr DWORD EMR_SETBRUSHORGEX = 13;
constexpr DWORD EMR_EOF = 14;
constexpr DWORD EMR_SETPIXELV = 15;
constexpr DWORD EMR_SETMAPPERFLAGS = 16;
constexpr DWORD EMR_SETMAPMODE = 17;
constexpr DWORD EMR_SETBKMODE = 18;
constexpr DWORD EMR_SETPOLYFILLMODE = 19;
constexpr DWORD EMR_SETROP2 = 20;
constexpr DWORD EMR_SETSTRETCHBLTMODE = 21;
constexpr DWORD EMR_SETTEXTALIGN = 22;
constexpr DWORD EMR_SETCOLORADJUSTMENT = 23;
constexpr DWORD EMR_SETTEXTCOLOR = 24;
constexpr DWORD EMR_SETBKCOLOR = 25;
constexpr DWORD EMR_OFFSETCLIPRGN = 26;
constexpr DWORD EMR_MOVETOEX = 27;
constexpr DWORD EMR_SETMETARGN = 28;
constexpr DWORD EMR_EXCLUDECLIPRECT = 29;
constexpr DWORD EMR_INTERSECTCLIPRECT = 30;
constexpr DWORD EMR_SCALEVIEWPORTEXTEX = 31;
constexpr DWORD EMR_SCALEWINDOWEXTEX = 32;
constexpr DWORD EMR_SAVEDC = 33;
constexpr DWORD EMR_RESTOREDC = 34;
constexpr DWORD EMR_SETWORLDTRANSFORM = 35;
constexpr DWORD EMR_MODIFYWORLDTRANSFORM = 36;
constexpr DWORD EMR_SELECTOBJECT = 37;
constexpr DWORD EMR_CREATEPEN = 38;
constexpr DWORD EMR_CREATEBRUSHINDIRECT = 39;
constexpr DWORD EMR_DELETEOBJECT = 40;
constexpr DWORD EMR_ANGLEARC = 41;
constexpr DWORD EMR_ELLIPSE = 42;
constexpr DWORD EMR_RECTANGLE = 43;
constexpr DWORD EMR_ROUNDRECT = 44;
constexpr DWORD EMR_ARC = 45;
constexpr DWORD EMR_CHORD = 46;
constexpr DWORD EMR_PIE = 47;
constexpr DWORD EMR_SELECTPALETTE = 48;
constexpr DWORD EMR_CREATEPALETTE = 49;
constexpr DWORD EMR_SETPALETTEENTRIES = 50;
constexpr DWORD EMR_RESIZEPALETTE = 51;
constexpr DWORD EMR_REALIZEPALETTE = 52;
constexpr DWORD EMR_EXTFLOODFILL = 53;
constexpr DWORD EMR_LINETO = 54;
constexpr DWORD EMR_ARCTO = 55;
constexpr DWORD EMR_POLYDRAW = 56;
constexpr DWORD EMR_SETARCDIRECTION = 57;
constexpr DWORD EMR_SETMITERLIMIT = 58;
constexpr DWORD EMR_BEGINPATH = 59;
constexpr DWORD EMR_ENDPATH = 60;
constexpr DWORD EMR_CLOSEFIGURE = 61;
constexpr DWORD EMR_FILLPATH = 62;
constexpr DWORD EMR_STROKEANDFILLPATH = 63;
constexpr DWORD EMR_STROKEPATH = 64;
constexpr DWORD EMR_FLATTENPATH = 65;
constexpr DWORD EMR_WIDENPATH = 66;
constexpr DWORD EMR_SELECTCLIPPATH = 67;
constexpr DWORD EMR_ABORTPATH = 68;
constexpr DWORD EMR_GDICOMMENT = 70;
constexpr DWORD EMR_FILLRGN = 71;
constexpr DWORD EMR_FRAMERGN = 72;
constexpr DWORD EMR_INVERTRGN = 73;
constexpr DWORD EMR_PAINTRGN = 74;
constexpr DWORD EMR_EXTSELECTCLIPRGN = 75;
constexpr DWORD EMR_BITBLT = 76;
constexpr DWORD EMR_STRETCHBLT = 77;
constexpr DWORD EMR_MASKBLT = 78;
constexpr DWORD EMR_PLGBLT = 79;
constexpr DWORD EMR_SETDIBITSTODEVICE = 80;
constexpr DWORD EMR_STRETCHDIBITS = 81;
constexpr DWORD EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr DWORD EMR_EXTTEXTOUTA = 83;
constexpr DWORD EMR_EXTTEXTOUTW = 84;
constexpr DWORD EMR_POLYBEZIER16 = 85;
constexpr DWORD EMR_POLYGON16 = 86;
constexpr DWORD EMR_POLYLINE16 = 87;
constexpr DWORD EMR_POLYBEZIERTO16 = 88;
constexpr DWORD EMR_POLYLINETO16 = 89;
constexpr DWORD EMR_POLYPOLYLINE16 = 90;
constexpr DWORD EMR_POLYPOLYGON16 = 91;
constexpr DWORD EMR_POLYDRAW16 = 92;
constexpr DWORD EMR_CREATEMONOBRUSH = 93;
constexpr DWORD EMR_CREATEDIBPATTERNBRUSHPT = 94;
constexpr DWORD EMR_EXTCREATEPEN = 95;
constexpr DWORD EMR_POLYTEXTOUTA = 96;
constexpr DWORD EMR_POLYTEXTOUTW = 97;
constexpr DWORD EMR_SETICMMODE = 98;
constexpr DWORD EMR_ALPHABLEND = 114;
constexpr DWORD EMR_SETLAYOUT = 115;
constexpr DWORD EMR_TRANSPARENTBLT = 116;
constexpr DWORD EMR_GRADIENTFILL = 118;
constexpr DWORD EMR_SETTEXTJUSTIFICATION = 120;

constexpr DWORD ENHMETA_SIGNATURE = 0x464D4520; // " EMF"
// An object handle in a record that names a stock object: this bit and the GetStockObject index.
constexpr DWORD ENHMETA_STOCK_OBJECT = 0x80000000;
constexpr DWORD GM_COMPATIBLE = 1;

// ---- Structures of the format ----------------------------------------------------------------

struct ENHMETAHEADER {
    DWORD iType = EMR_HEADER;
    DWORD nSize = 0;   // the header record with its description
    RECTL rclBounds{}; // device units, inclusive; {0, 0, -1, -1} when nothing was drawn
    RECTL rclFrame{};  // hundredths of a millimetre: the picture's extent
    DWORD dSignature = ENHMETA_SIGNATURE;
    DWORD nVersion = 0x10000;
    DWORD nBytes = 0;   // the whole stream
    DWORD nRecords = 0; // header and EOF included
    WORD nHandles = 1;  // object slots the records use, slot 0 (the picture itself) included
    WORD sReserved = 0;
    DWORD nDescription = 0;   // UTF-16 units of the description, its NULs included
    DWORD offDescription = 0; // from the start of the record
    DWORD nPalEntries = 0;
    SIZEL szlDevice{};      // the reference device in pixels
    SIZEL szlMillimeters{}; // and in millimetres
    DWORD cbPixelFormat = 0;
    DWORD offPixelFormat = 0;
    DWORD bOpenGL = 0;
    SIZEL szlMicrometers{}; // and in micrometres
};
static_assert(sizeof(ENHMETAHEADER) == 108);

struct ENHMETARECORD {
    DWORD iType;
    DWORD nSize;
    DWORD dParm[1];
};

// The objects a picture's records create while it is played: slot 0 is the picture, the
// others hold what the records created (null when empty).
struct HANDLETABLE {
    HGDIOBJ objectHandle[1];
};

// Returns 0 to stop the enumeration.
using ENHMFENUMPROC = int (*)(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, int handles,
                              LPARAM data);

struct EMR {
    DWORD iType;
    DWORD nSize;
};

struct XFORM {
    float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
};

// LOGBRUSH as the format stores it (the hatch in 32 bits).
struct LOGBRUSH32 {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG lbHatch;
};

struct EXTLOGPEN32 {
    DWORD elpPenStyle;
    DWORD elpWidth;
    UINT elpBrushStyle;
    COLORREF elpColor;
    ULONG elpHatch;
    DWORD elpNumEntries;
    DWORD elpStyleEntry[1];
};

struct EMRTEXT {
    POINTL ptlReference;
    DWORD nChars;
    DWORD offString; // from the start of the record
    DWORD fOptions;  // ETO_*
    RECTL rcl;       // the opaque or clip rectangle (logical units)
    DWORD offDx;     // from the start of the record: one advance per character (code unit)
};

struct EMREXTTEXTOUTW {
    EMR emr;
    RECTL rclBounds;
    DWORD iGraphicsMode;
    float exScale;
    float eyScale;
    EMRTEXT emrtext;
};
using EMREXTTEXTOUTA = EMREXTTEXTOUTW;

struct EMRPOLYLINE {
    EMR emr;
    RECTL rclBounds;
    DWORD cptl;
    POINTL aptl[1];
};
using EMRPOLYGON = EMRPOLYLINE;
using EMRPOLYBEZIER = EMRPOLYLINE;
using EMRPOLYLINETO = EMRPOLYLINE;

struct EMRPOLYLINE16 {
    EMR emr;
    RECTL rclBounds;
    DWORD cpts;
    SHORT apts[2]; // x, y pairs
};
using EMRPOLYGON16 = EMRPOLYLINE16;

struct EMRPOLYPOLYLINE {
    EMR emr;
    RECTL rclBounds;
    DWORD nPolys;
    DWORD cptl;
    DWORD aPolyCounts[1]; // nPolys counts, then cptl points
    POINTL aptl[1];
};
using EMRPOLYPOLYGON = EMRPOLYPOLYLINE;

struct EMRELLIPSE {
    EMR emr;
    RECTL rclBox;
};
using EMRRECTANGLE = EMRELLIPSE;

struct EMRROUNDRECT {
    EMR emr;
    RECTL rclBox;
    SIZEL szlCorner;
};

struct EMRARC {
    EMR emr;
    RECTL rclBox;
    POINTL ptlStart;
    POINTL ptlEnd;
};
using EMRCHORD = EMRARC;
using EMRPIE = EMRARC;

struct EMRSETPIXELV {
    EMR emr;
    POINTL ptlPixel;
    COLORREF crColor;
};

struct EMRSELECTOBJECT {
    EMR emr;
    DWORD ihObject;
};
using EMRDELETEOBJECT = EMRSELECTOBJECT;

struct EMRCREATEPEN {
    EMR emr;
    DWORD ihPen;
    LOGPEN lopn;
};

struct EMREXTCREATEPEN {
    EMR emr;
    DWORD ihPen;
    DWORD offBmi;
    DWORD cbBmi;
    DWORD offBits;
    DWORD cbBits;
    EXTLOGPEN32 elp;
};

struct EMRCREATEBRUSHINDIRECT {
    EMR emr;
    DWORD ihBrush;
    LOGBRUSH32 lb;
};

struct EMRCREATEDIBPATTERNBRUSHPT {
    EMR emr;
    DWORD ihBrush;
    DWORD iUsage;
    DWORD offBmi; // a BITMAPINFO (1 or 32 bits per pixel here)
    DWORD cbBmi;
    DWORD offBits;
    DWORD cbBits;
};

struct EMREXTCREATEFONTINDIRECTW {
    EMR emr;
    DWORD ihFont;
    LOGFONTW elfw;
};

struct EMRSETTEXTCOLOR {
    EMR emr;
    COLORREF crColor;
};
using EMRSETBKCOLOR = EMRSETTEXTCOLOR;

// EMR_SETBKMODE, EMR_SETROP2, EMR_SETPOLYFILLMODE, EMR_SETSTRETCHBLTMODE, EMR_SETTEXTALIGN,
// EMR_SETARCDIRECTION and EMR_SETMAPMODE.
struct EMRSETBKMODE {
    EMR emr;
    DWORD iMode;
};
using EMRSETROP2 = EMRSETBKMODE;
using EMRSETPOLYFILLMODE = EMRSETBKMODE;
using EMRSETSTRETCHBLTMODE = EMRSETBKMODE;
using EMRSETTEXTALIGN = EMRSETBKMODE;
using EMRSETARCDIRECTION = EMRSETBKMODE;
using EMRSETMAPMODE = EMRSETBKMODE;

struct EMRSETWINDOWORGEX {
    EMR emr;
    POINTL ptlOrigin;
};
using EMRSETVIEWPORTORGEX = EMRSETWINDOWORGEX;
using EMRSETBRUSHORGEX = EMRSETWINDOWORGEX;
using EMRMOVETOEX = EMRSETWINDOWORGEX;

struct EMRSAVEDC {
    EMR emr;
};

struct EMRRESTOREDC {
    EMR emr;
    LONG iRelative; // negative: that many saved states back
};

// The region data (RGNDATA) is in device units; none (cbRgnData 0) with RGN_COPY removes the
// clip region.
struct EMREXTSELECTCLIPRGN {
    EMR emr;
    DWORD cbRgnData;
    DWORD iMode;
    BYTE RgnData[1];
};

// The region data is in logical units.
struct EMRFILLRGN {
    EMR emr;
    RECTL rclBounds;
    DWORD cbRgnData;
    DWORD ihBrush;
    BYTE RgnData[1];
};

struct EMRINVERTRGN {
    EMR emr;
    RECTL rclBounds;
    DWORD cbRgnData;
    BYTE RgnData[1];
};

// EMR_BEGINPATH, EMR_ENDPATH, EMR_CLOSEFIGURE and EMR_ABORTPATH are a bare EMR.
struct EMRFILLPATH {
    EMR emr;
    RECTL rclBounds;
};
using EMRSTROKEPATH = EMRFILLPATH;
using EMRSTROKEANDFILLPATH = EMRFILLPATH;

// The source pixels travel with the record as a BITMAPINFO and its bits (none for operations
// that do not read a source).
struct EMRBITBLT {
    EMR emr;
    RECTL rclBounds;
    LONG xDest;
    LONG yDest;
    LONG cxDest;
    LONG cyDest;
    DWORD dwRop;
    LONG xSrc;
    LONG ySrc;
    XFORM xformSrc;
    COLORREF crBkColorSrc;
    DWORD iUsageSrc;
    DWORD offBmiSrc;
    DWORD cbBmiSrc;
    DWORD offBitsSrc;
    DWORD cbBitsSrc;
};

struct EMRSTRETCHBLT {
    EMR emr;
    RECTL rclBounds;
    LONG xDest;
    LONG yDest;
    LONG cxDest;
    LONG cyDest;
    DWORD dwRop;
    LONG xSrc;
    LONG ySrc;
    XFORM xformSrc;
    COLORREF crBkColorSrc;
    DWORD iUsageSrc;
    DWORD offBmiSrc;
    DWORD cbBmiSrc;
    DWORD offBitsSrc;
    DWORD cbBitsSrc;
    LONG cxSrc;
    LONG cySrc;
};

// dwRop holds the transparent colour.
using EMRTRANSPARENTBLT = EMRSTRETCHBLT;

// dwRop holds the four-part operation (MAKEROP4).
struct EMRMASKBLT {
    EMR emr;
    RECTL rclBounds;
    LONG xDest;
    LONG yDest;
    LONG cxDest;
    LONG cyDest;
    DWORD dwRop;
    LONG xSrc;
    LONG ySrc;
    XFORM xformSrc;
    COLORREF crBkColorSrc;
    DWORD iUsageSrc;
    DWORD offBmiSrc;
    DWORD cbBmiSrc;
    DWORD offBitsSrc;
    DWORD cbBitsSrc;
    LONG xMask;
    LONG yMask;
    DWORD iUsageMask;
    DWORD offBmiMask;
    DWORD cbBmiMask;
    DWORD offBitsMask;
    DWORD cbBitsMask;
};

struct EMRGDICOMMENT {
    EMR emr;
    DWORD cbData;
    BYTE Data[1];
};

struct EMREOF {
    EMR emr;
    DWORD nPalEntries;
    DWORD offPalEntries;
    DWORD nSizeLast;
};

static_assert(sizeof(EMREXTTEXTOUTW) == 76);
static_assert(sizeof(EMRPOLYLINE) == 36);
static_assert(sizeof(EMRELLIPSE) == 24);
static_assert(sizeof(EMRROUNDRECT) == 32);
static_assert(sizeof(EMRARC) == 40);
static_assert(sizeof(EMRCREATEPEN) == 28);
static_assert(sizeof(EMREXTCREATEPEN) == 56);
static_assert(sizeof(EMRCREATEBRUSHINDIRECT) == 24);
static_assert(sizeof(EMRCREATEDIBPATTERNBRUSHPT) == 32);
static_assert(sizeof(EMREXTCREATEFONTINDIRECTW) == 104);
static_assert(sizeof(EMRBITBLT) == 100);
static_assert(sizeof(EMRSTRETCHBLT) == 108);
static_assert(sizeof(EMRMASKBLT) == 128);
static_assert(sizeof(EMREOF) == 20);
static_assert(offsetof(EMRPOLYPOLYLINE, aPolyCounts) == 32);

// ---- Recording -------------------------------------------------------------------------------

// A context that records into a new picture. reference: the device the picture is meant for
// (its resolution and size go into the header; null: the screen, 96 pixels per inch). frame:
// the picture's extent in hundredths of a millimetre (null: the bounds of what is drawn).
// fileName: where CloseEnhMetaFile also writes the picture (null: memory only); the file is
// created here, and null returned when it cannot be. description: "application\0title\0\0"
// (null: none). GetDeviceCaps on the context answers for the reference device.
HDC CreateEnhMetaFileA(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description);
HDC CreateEnhMetaFileW(HDC reference, const char16_t* fileName, const RECT* frame,
                       const char16_t* description);
inline HDC CreateEnhMetaFile(HDC reference, LPCSTR fileName, const RECT* frame, LPCSTR description) {
    return CreateEnhMetaFileA(reference, fileName, frame, description);
}
// Ends the recording: the context is deleted and the picture returned (null when dc is not a
// recording context, or its file cannot be written).
HENHMETAFILE CloseEnhMetaFile(HDC dc);

// ---- Pictures ----------------------------------------------------------------------------------

BOOL DeleteEnhMetaFile(HENHMETAFILE picture);
// A copy in memory (fileName null) or written to a file (and then the copy's handle).
HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE picture, LPCSTR fileName);
inline HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE picture, LPCSTR fileName) {
    return CopyEnhMetaFileA(picture, fileName);
}
// With header null, the size of ENHMETAHEADER; else the bytes copied (at most size, at most
// the header record).
UINT GetEnhMetaFileHeader(HENHMETAFILE picture, UINT size, ENHMETAHEADER* header);
// The picture's stream: with data null its size, else the bytes copied (0 when size is too
// small).
UINT GetEnhMetaFileBits(HENHMETAFILE picture, UINT size, BYTE* data);
// A picture from a stream; null when the bytes are not a well-formed picture (a header with
// the signature, records that fit, EMR_EOF). Bytes after EMR_EOF are ignored.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);

// ---- Playback ----------------------------------------------------------------------------------

// Plays the records onto dc so that the frame fills rect (logical units of dc). The context's
// state is saved before and restored after; the picture starts from the default objects,
// colours and modes and draws inside dc's clip region.
BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE picture, const RECT* rect);
// Hands every record in order to proc, with the handle table of the objects created so far.
// With dc (and rect) given, proc can play a record with PlayEnhMetaFileRecord as
// PlayEnhMetaFile would; with dc null nothing is played. False when proc stopped it.
BOOL EnumEnhMetaFile(HDC dc, HENHMETAFILE picture, ENHMFENUMPROC proc, void* data, const RECT* rect);
BOOL PlayEnhMetaFileRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record, UINT handles);

// Fonts and text: logical fonts, their metrics, the font list, text output and measuring, and
// DrawText with its own line breaking. The classic names, structures and numeric values;
// glyphs come from the font files themselves (see GdiGlyph.h), drawn without antialiasing on
// image contexts.
//
// Strings. The A calls take UTF-8 and count bytes; the W calls take UTF-16 and count code
// units. A character is one code point either way. Where an A call works per byte (the
// advances of ExtTextOutA, the partial extents and the fit count of GetTextExtentExPointA),
// the bytes of one character act together: a character advances by the sum of its bytes'
// entries, and every byte of it reports the extent at the character's end, so a fit count is
// always a whole number of characters. The W calls treat a surrogate pair the same way.
#pragma once

#include <cstdint>

#include "platform/winapi/Gdi.h"

// ---- Structures ----------------------------------------------------------------------------

constexpr int LF_FACESIZE = 32;
constexpr int LF_FULLFACESIZE = 64;

struct LOGFONTA {
    LONG lfHeight = 0;      // < 0: the em size; > 0: the cell height; 0: a default size
    LONG lfWidth = 0;       // average character width; 0: as designed
    LONG lfEscapement = 0;  // tenths of a degree, counter-clockwise; turns the whole text
    LONG lfOrientation = 0; // kept; the characters turn with the escapement
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONTA) == 60);

struct LOGFONTW {
    LONG lfHeight = 0;
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char16_t lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONTW) == 92);
using LOGFONT = LOGFONTA;

struct TEXTMETRICA {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    BYTE tmFirstChar = 0;
    BYTE tmLastChar = 0;
    BYTE tmDefaultChar = 0;
    BYTE tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};

struct TEXTMETRICW {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
    LONG tmOverhang = 0;
    LONG tmDigitizedAspectX = 0;
    LONG tmDigitizedAspectY = 0;
    char16_t tmFirstChar = 0;
    char16_t tmLastChar = 0;
    char16_t tmDefaultChar = 0;
    char16_t tmBreakChar = 0;
    BYTE tmItalic = 0;
    BYTE tmUnderlined = 0;
    BYTE tmStruckOut = 0;
    BYTE tmPitchAndFamily = 0;
    BYTE tmCharSet = 0;
};
using TEXTMETRIC = TEXTMETRICA;

// What the font list hands to its callback: the text metrics with the font's design sizes.
struct NEWTEXTMETRICA : TEXTMETRICA {
    DWORD ntmFlags = 0;
    UINT ntmSizeEM = 0;
    UINT ntmCellHeight = 0;
    UINT ntmAvgWidth = 0;
};
struct NEWTEXTMETRICW : TEXTMETRICW {
    DWORD ntmFlags = 0;
    UINT ntmSizeEM = 0;
    UINT ntmCellHeight = 0;
    UINT ntmAvgWidth = 0;
};

struct FONTSIGNATURE {
    DWORD fsUsb[4] = {0, 0, 0, 0};
    DWORD fsCsb[2] = {0, 0};
};

struct NEWTEXTMETRICEXA {
    NEWTEXTMETRICA ntmTm;
    FONTSIGNATURE ntmFontSig;
};
struct NEWTEXTMETRICEXW {
    NEWTEXTMETRICW ntmTm;
    FONTSIGNATURE ntmFontSig;
};

struct ENUMLOGFONTA {
    LOGFONTA elfLogFont;
    char elfFullName[LF_FULLFACESIZE] = {};
    char elfStyle[LF_FACESIZE] = {};
};
struct ENUMLOGFONTW {
    LOGFONTW elfLogFont;
    char16_t elfFullName[LF_FULLFACESIZE] = {};
    char16_t elfStyle[LF_FACESIZE] = {};
};

struct ENUMLOGFONTEXA {
    LOGFONTA elfLogFont;
    char elfFullName[LF_FULLFACESIZE] = {};
    char elfStyle[LF_FACESIZE] = {};
    char elfScript[LF_FACESIZE] = {};
};
struct ENUMLOGFONTEXW {
    LOGFONTW elfLogFont;
    char16_t elfFullName[LF_FULLFACESIZE] = {};
    char16_t elfStyle[LF_FACESIZE] = {};
    char16_t elfScript[LF_FACESIZE] = {};
};

struct ABC {
    int abcA = 0;  // from the pen position to the glyph's left edge
    UINT abcB = 0; // the glyph's ink width
    int abcC = 0;  // from the right edge to the next pen position
};

struct DRAWTEXTPARAMS {
    UINT cbSize = sizeof(DRAWTEXTPARAMS);
    int iTabLength = 0; // in average character widths; 0: 8
    int iLeftMargin = 0;
    int iRightMargin = 0;
    UINT uiLengthDrawn = 0; // out: the characters (bytes or code units) processed
};

// The callback of the font list: the structures handed over are the ENUMLOGFONT(EX) and
// NEWTEXTMETRIC(EX) forms. Returning 0 stops the list.
using FONTENUMPROCA = int (*)(const LOGFONTA* logFont, const TEXTMETRICA* metrics, DWORD fontType,
                              LPARAM data);
using FONTENUMPROCW = int (*)(const LOGFONTW* logFont, const TEXTMETRICW* metrics, DWORD fontType,
                              LPARAM data);

// ---- Constants -----------------------------------------------------------------------------

// Weights.
constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_EXTRALIGHT = 200;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_EXTRABOLD = 800;
constexpr int FW_HEAVY = 900;
constexpr int FW_ULTRALIGHT = FW_EXTRALIGHT;
constexpr int FW_REGULAR = FW_NORMAL;
constexpr int FW_DEMIBOLD = FW_SEMIBOLD;
constexpr int FW_ULTRABOLD = FW_EXTRABOLD;
constexpr int FW_BLACK = FW_HEAVY;

// Character sets.
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE MAC_CHARSET = 77;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE HANGEUL_CHARSET = 129;
constexpr BYTE HANGUL_CHARSET = 129;
constexpr BYTE JOHAB_CHARSET = 130;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE CHINESEBIG5_CHARSET = 136;
constexpr BYTE GREEK_CHARSET = 161;
constexpr BYTE TURKISH_CHARSET = 162;
constexpr BYTE VIETNAMESE_CHARSET = 163;
constexpr BYTE HEBREW_CHARSET = 177;
constexpr BYTE ARABIC_CHARSET = 178;
constexpr BYTE BALTIC_CHARSET = 186;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE THAI_CHARSET = 222;
constexpr BYTE EASTEUROPE_CHARSET = 238;
constexpr BYTE OEM_CHARSET = 255;

// Precisions and qualities (kept with the font; every font here is an outline font drawn
// without antialiasing on images).
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE OUT_STRING_PRECIS = 1;
constexpr BYTE OUT_CHARACTER_PRECIS = 2;
constexpr BYTE OUT_STROKE_PRECIS = 3;
constexpr BYTE OUT_TT_PRECIS = 4;
constexpr BYTE OUT_DEVICE_PRECIS = 5;
constexpr BYTE OUT_RASTER_PRECIS = 6;
constexpr BYTE OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE OUT_OUTLINE_PRECIS = 8;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_CHARACTER_PRECIS = 1;
constexpr BYTE CLIP_STROKE_PRECIS = 2;
constexpr BYTE CLIP_LH_ANGLES = 0x10;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DRAFT_QUALITY = 1;
constexpr BYTE PROOF_QUALITY = 2;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;
constexpr BYTE CLEARTYPE_QUALITY = 5;

// Pitch and family.
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;
// tmPitchAndFamily: note that TMPF_FIXED_PITCH set means a variable pitch.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUETYPE = 0x04;
constexpr BYTE TMPF_DEVICE = 0x08;

// Font types of the font list, and ntmFlags.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;
constexpr DWORD NTM_REGULAR = 0x00000040;
constexpr DWORD NTM_BOLD = 0x00000020;
constexpr DWORD NTM_ITALIC = 0x00000001;
constexpr DWORD NTM_TT_OPENTYPE = 0x00040000;

// ExtTextOut options.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_RTLREADING = 0x0080;

// DrawText formats. The tab length of DT_TABSTOP sits in bits 8 to 15, where it overlaps
// DT_NOCLIP, DT_EXTERNALLEADING, DT_CALCRECT, DT_NOPREFIX and DT_INTERNAL.
constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

// GetTextCharacterExtra's failure.
constexpr int GDI_CHARACTER_EXTRA_ERROR = int(0x80000000);

// ---- Fonts ---------------------------------------------------------------------------------

// Face names map to the installed fonts: "MS Sans Serif", "Microsoft Sans Serif", "Tahoma",
// "Arial" and any name not listed → Liberation Sans; "Times New Roman" → Liberation Serif;
// "Courier New" → Liberation Mono; "宋体" and "SimSun" → WenQuanYi Micro Hei (names compare
// without regard to case). A character the font lacks is drawn, character by character,
// from WenQuanYi Micro Hei on the font's own baseline and line metrics. A weight of
// FW_SEMIBOLD or more takes the bold face. A size in points is a height of
// -MulDiv(points, 96, 72).
HFONT CreateFontIndirectA(const LOGFONTA* logFont);
HFONT CreateFontIndirectW(const LOGFONTW* logFont);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char16_t* faceName);
inline HFONT CreateFontIndirect(const LOGFONTA* logFont) { return CreateFontIndirectA(logFont); }
inline HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                        DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                        DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    return CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                       outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
}

// The metrics of the font selected into the context.
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
inline BOOL GetTextMetrics(HDC dc, TEXTMETRICA* metrics) { return GetTextMetricsA(dc, metrics); }
// The face name of the selected font, NUL-terminated and cut to fit count (bytes or code
// units, whole characters); the number written with the NUL, or with name null the size
// needed. The name is the one the font was created with (the installed family's name for a
// font created without one).
int GetTextFaceA(HDC dc, int count, LPSTR name);
int GetTextFaceW(HDC dc, int count, char16_t* name);
inline int GetTextFace(HDC dc, int count, LPSTR name) { return GetTextFaceA(dc, count, name); }
// The character set of the selected font; DEFAULT_CHARSET resolves to GB2312_CHARSET for the
// Chinese faces and ANSI_CHARSET for the others. DEFAULT_CHARSET when dc is not valid.
int GetTextCharset(HDC dc);
// Advance widths of the characters first to last (without the character extra). The A call
// takes codes 0 to 255 as the code points U+0000 to U+00FF.
BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, INT* widths);
BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, INT* widths);
inline BOOL GetCharWidth32(HDC dc, UINT first, UINT last, INT* widths) {
    return GetCharWidth32A(dc, first, last, widths);
}
BOOL GetCharABCWidthsA(HDC dc, UINT first, UINT last, ABC* widths);
BOOL GetCharABCWidthsW(HDC dc, UINT first, UINT last, ABC* widths);
inline BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* widths) {
    return GetCharABCWidthsA(dc, first, last, widths);
}

// The font list: the face names the name map knows whose fonts are installed, and the
// installed families themselves, in name order. With a family name, its styles (regular,
// bold, italic, bold italic). The return value is the callback's last answer, 1 when it was
// never called.
int EnumFontFamiliesA(HDC dc, LPCSTR family, FONTENUMPROCA proc, LPARAM data);
int EnumFontFamiliesW(HDC dc, const char16_t* family, FONTENUMPROCW proc, LPARAM data);
inline int EnumFontFamilies(HDC dc, LPCSTR family, FONTENUMPROCA proc, LPARAM data) {
    return EnumFontFamiliesA(dc, family, proc, data);
}
// The same filtered by the request's character set (DEFAULT_CHARSET: all; each family is
// listed once, with its own character set) and face name (empty: all families).
int EnumFontFamiliesExA(HDC dc, const LOGFONTA* request, FONTENUMPROCA proc, LPARAM data, DWORD flags);
int EnumFontFamiliesExW(HDC dc, const LOGFONTW* request, FONTENUMPROCW proc, LPARAM data, DWORD flags);
inline int EnumFontFamiliesEx(HDC dc, const LOGFONTA* request, FONTENUMPROCA proc, LPARAM data, DWORD flags) {
    return EnumFontFamiliesExA(dc, request, proc, data, flags);
}

// ---- Text settings -------------------------------------------------------------------------

// Extra space after every character of the text calls; returns the previous value, or
// GDI_CHARACTER_EXTRA_ERROR.
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
// Spreads extra over the next text calls' break characters (blanks): each of count breaks
// gets extra / count and the first extra % count of them one more. count 0 turns it off.
BOOL SetTextJustification(HDC dc, int extra, int count);

// ---- Output --------------------------------------------------------------------------------

// Text at a reference point placed by the text alignment (TA_LEFT/CENTER/RIGHT,
// TA_TOP/BASELINE/BOTTOM; TA_UPDATECP takes and moves the current position), in the text
// colour, with the character cells filled in the background colour when the background mode
// is OPAQUE. Rotated fonts turn the whole run about the reference point.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count);
BOOL TextOutW(HDC dc, int x, int y, const char16_t* text, int count);
inline BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) { return TextOutA(dc, x, y, text, count); }
// ETO_OPAQUE fills rect in the background colour first (also for an empty text);
// ETO_CLIPPED clips the text to rect; dx, when given, holds the advance of every character
// (and replaces the character extra and the justification).
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const char16_t* text, UINT count,
                 const INT* dx);
inline BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                       const INT* dx) {
    return ExtTextOutA(dc, x, y, options, rect, text, count, dx);
}
// Text with tabs expanded: no tab stops: every 8 average character widths; one: every that
// many units; more: at those positions (a negative one aligns the text after the tab to its
// right), then every 8 average character widths. Stops count from tabOrigin. Returns the
// extent as MAKELONG(width, height); 0 on failure.
LONG TabbedTextOutA(HDC dc, int x, int y, LPCSTR text, int count, int tabCount, const INT* tabStops,
                    int tabOrigin);
LONG TabbedTextOutW(HDC dc, int x, int y, const char16_t* text, int count, int tabCount, const INT* tabStops,
                    int tabOrigin);
inline LONG TabbedTextOut(HDC dc, int x, int y, LPCSTR text, int count, int tabCount, const INT* tabStops,
                          int tabOrigin) {
    return TabbedTextOutA(dc, x, y, text, count, tabCount, tabStops, tabOrigin);
}

// ---- Measuring -----------------------------------------------------------------------------

// Width (advances with the character extra and the justification) and height (the cell
// height) of a text.
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size);
BOOL GetTextExtentPoint32W(HDC dc, const char16_t* text, int count, SIZE* size);
inline BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size) {
    return GetTextExtentPoint32A(dc, text, count, size);
}
BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int count, SIZE* size);
BOOL GetTextExtentPointW(HDC dc, const char16_t* text, int count, SIZE* size);
inline BOOL GetTextExtentPoint(HDC dc, LPCSTR text, int count, SIZE* size) {
    return GetTextExtentPointA(dc, text, count, size);
}
// The extent of the whole text, the number of leading bytes (code units) whose extent fits
// maxExtent (fit; only with fit given) and the extent up to the end of every one of them
// (partial, count entries).
BOOL GetTextExtentExPointA(HDC dc, LPCSTR text, int count, int maxExtent, INT* fit, INT* partial, SIZE* size);
BOOL GetTextExtentExPointW(HDC dc, const char16_t* text, int count, int maxExtent, INT* fit, INT* partial,
                           SIZE* size);
inline BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int count, int maxExtent, INT* fit, INT* partial,
                                 SIZE* size) {
    return GetTextExtentExPointA(dc, text, count, maxExtent, fit, partial, size);
}
// The extent of a text with tabs expanded as TabbedTextOut does (tab origin 0), as
// MAKELONG(width, height); 0 on failure.
DWORD GetTabbedTextExtentA(HDC dc, LPCSTR text, int count, int tabCount, const INT* tabStops);
DWORD GetTabbedTextExtentW(HDC dc, const char16_t* text, int count, int tabCount, const INT* tabStops);
inline DWORD GetTabbedTextExtent(HDC dc, LPCSTR text, int count, int tabCount, const INT* tabStops) {
    return GetTabbedTextExtentA(dc, text, count, tabCount, tabStops);
}

// ---- Formatted text ------------------------------------------------------------------------

// Lays text out in rect and draws it (count -1: up to the NUL). Lines end at CR, LF or
// CR LF unless DT_SINGLELINE (a break at the very end starts no further line); DT_WORDBREAK breaks them at
// blanks and between two CJK ideographs (not with DT_NOFULLWIDTHCHARBREAK), and with DT_EDITCONTROL also
// inside a word too long for the width. Returns the height of the text (with DT_VCENTER or DT_BOTTOM, the
// offset of its bottom from rect's top), 0 on failure. DT_CALCRECT draws nothing and sets
// rect's right and bottom to bound the text at rect's top-left. DT_MODIFYSTRING writes the
// displayed text back (the buffer needs 4 bytes or code units beyond count); it needs the
// writable overloads.
int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);
int DrawTextA(HDC dc, LPSTR text, int count, RECT* rect, UINT format);
int DrawTextW(HDC dc, const char16_t* text, int count, RECT* rect, UINT format);
int DrawTextW(HDC dc, char16_t* text, int count, RECT* rect, UINT format);
inline int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
    return DrawTextA(dc, text, count, rect, format);
}
inline int DrawText(HDC dc, LPSTR text, int count, RECT* rect, UINT format) {
    return DrawTextA(dc, text, count, rect, format);
}
// DrawText with a tab length and left and right margins (params may be null).
int DrawTextExA(HDC dc, LPSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
int DrawTextExA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
int DrawTextExW(HDC dc, char16_t* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
int DrawTextExW(HDC dc, const char16_t* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
inline int DrawTextEx(HDC dc, LPSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextExA(dc, text, count, rect, format, params);
}
inline int DrawTextEx(HDC dc, LPCSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextExA(dc, text, count, rect, format, params);
}

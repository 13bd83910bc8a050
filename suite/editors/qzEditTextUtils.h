// The editors' own text engine: a text is broken into rows, the rows are placed in a rectangle
// and drawn, with justified or spread rows, a highlighted selection and an ellipsis on a cut
// last row. Text is UTF-8: rows break between characters (code points), each character is
// measured whole, and counts, offsets and the selection are in bytes. The engine works on a
// device context.
#pragma once

#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiText.h"
#include "suite/foundation/qzGraphics.h"

// Text-output flags.
constexpr Integer toCenterH = 0x1;
constexpr Integer toRight = 0x2;
constexpr Integer toJustify = 0x3;
constexpr Integer toDistribute = 0x4;
constexpr Integer toCenterV = 0x10;
constexpr Integer toBottom = 0x20;
constexpr Integer toSpreadRows = 0x30;
constexpr Integer toNoLeftOverflow = 0x40;
constexpr Integer toNoTopOverflow = 0x80;
constexpr Integer toWordBreak = 0x100;
constexpr Integer toSingleLine = 0x200;
constexpr Integer toExpandTabs = 0x400;
constexpr Integer toEndEllipsis = 0x800;
constexpr Integer toExternalLeading = 0x2000;
constexpr Integer toWholeRows = 0x4000;
constexpr Integer toNoClip = 0x8000;
constexpr Integer toFlag10000 = 0x10000;
constexpr Integer toCharBreak = 0x20000;
constexpr Integer toCalcRect = 0x100000;
constexpr Integer toRowCount = 0x200000;

struct TqzTextParams {
    Integer FontHeight = 0;
    Integer ExternalLeading = 0;
    Integer RowHeight = 0;
    Integer EllipsisWidth = 0;
    char BreakChar = ' ';
    Integer HorzAlignment = 0; // 0 left, 1 centre, 2 right, 3 justify, 4 distribute
    Integer VertAlignment = 0; // 0 top, 1 centre, 2 bottom, 3 spread rows
    Integer MaxCharWidth = 0;
    bool NoLeftOverflow = false;
    bool NoTopOverflow = false;
    bool WordBreak = false;
    bool SingleLine = false;
    bool ExpandTabs = false;
    bool EndEllipsis = false;
    bool ExternalLeadingFlag = false;
    bool WholeRows = false;
    bool NoClip = false;
    bool Flag10000 = false;
    bool CharBreak = false;
    bool CalcRect = false;
    bool RowCount = false;
};

struct TqzTextRow {
    const char* Text = nullptr;
    Integer CharCount = 0; // bytes
    Integer Width = 0;
    Integer Height = 0;
    Integer BreakCount = 0; // break characters and tabs inside the row
    Integer Left = 0;
    Integer Top = 0;
    Integer StartOffset = 0; // bytes of the text before the row
};

using TqzTextRows = std::vector<TqzTextRow>;

Integer DrawEditText(HDC dc, const char* text, TRect& bounds, Integer leftIndent, Integer rightIndent,
                     Integer rowLimit, TColor selBkColor, TColor selTextColor, Integer selLength,
                     Integer selStart, Integer flags);
Integer DrawEditTextOnCanvas(TqzCanvas* canvas, const char* text, TRect& bounds, Integer leftIndent,
                             Integer rightIndent, Integer rowLimit, TColor selBkColor, TColor selTextColor,
                             Integer selLength, Integer selStart, Integer flags);
Integer DrawCanvasText(TqzCanvas* canvas, const char* text, TRect& bounds, Integer leftIndent,
                       Integer rightIndent, Integer rowLimit, Integer flags);

bool LayoutTextRows(HDC dc, const char* text, const TRect& rect, Integer rowLimit,
                    const TqzTextParams& params, Integer& rowCount, TqzTextRows& rows);
bool LayoutCanvasTextRows(TqzCanvas* canvas, const char* text, const TRect& rect, Integer rowLimit,
                          Integer& rowCount, TqzTextRows& rows, const TqzTextParams& params);
void PlaceTextRows(HDC dc, const TRect& rect, const TqzTextParams& params, Integer rowCount,
                   TqzTextRows& rows);
void DrawTextRowsOut(HDC dc, const TRect& bounds, const TqzTextParams& params, bool ellipsis,
                     TColor selTextColor, TColor selBkColor, Integer selLength, Integer selStart,
                     Integer rowCount, TqzTextRows& rows);

TRect IndentTextBounds(const TRect& rect, Integer leftIndent, Integer rightIndent);
TRect UnindentTextBounds(const TRect& rect, Integer leftIndent, Integer rightIndent);
Integer WidestTextRow(const TqzTextRows& rows, Integer count);

TqzTextParams PrepareTextParams(HDC dc, Integer flags);
TqzTextParams PrepareCanvasTextParams(TqzCanvas* canvas, Integer flags);

TqzTextFlags TextOutFlagsToCanvasFlags(Integer flags);
Integer CanvasFlagsToTextOutFlags(TqzTextFlags flags);

SIZE TextExtentOf(HDC dc, const char* text, Integer count, bool expandTabs);
// Intersects the clip area with the rectangle; answers the clip region before (nullptr for none).
HRGN IntersectClipSaving(HDC dc, const TRect& rect);
// Selects the saved region back (nullptr: no clipping) and deletes it.
void RestoreSavedClip(HDC dc, HRGN region);

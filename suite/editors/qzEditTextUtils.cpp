#include "suite/editors/qzEditTextUtils.h"

#include <algorithm>
#include <cstring>

#include "platform/winapi/WinCore.h"

namespace {

const char kEllipsis[] = "...";
const Integer kEllipsisLength = Integer(std::strlen(kEllipsis));

constexpr char kTab = 0x09, kLF = 0x0A, kCR = 0x0D;

bool IsJustified(const TqzTextParams& p) { return p.HorzAlignment == 3 || p.HorzAlignment == 4; }

// Bytes of the character starting at p: a whole UTF-8 sequence, or 1 for a stray byte. Rows
// begin and end only between characters, and a character is measured whole.
Integer CharLength(const char* p, Integer remaining) {
    const auto lead = static_cast<unsigned char>(*p);
    const Integer length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 1;
    if (length > remaining) return 1;
    for (Integer i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 1;
    return length;
}

// Fills one row from the cursor and advances the cursor and the remaining count.
TqzTextRow BreakTextRow(HDC dc, const char*& cursor, Integer& remaining, const TqzTextParams& p, bool lastRow,
                        Integer rowWidth) {
    TqzTextRow row;
    row.Text = cursor;
    const bool wrapping = !p.SingleLine && (p.WordBreak || IsJustified(p));
    const bool charBreaking = wrapping && p.CharBreak;
    const bool ellipsisMeasuring = p.EndEllipsis && lastRow && !p.WholeRows && !p.NoClip && !IsJustified(p);
    Integer count = 0, breaks = 0, lastBreak = -1, width = 0;
    for (Integer i = 0, length = 0; i < remaining; i += length) {
        const char c = cursor[i];
        length = CharLength(cursor + i, remaining - i);
        if ((c == kCR || c == kLF) && !ellipsisMeasuring && !p.SingleLine) {
            if (p.HorzAlignment == 3) breaks = 0;
            break;
        }
        count = i + length;
        if (c == p.BreakChar || c == kTab) {
            ++breaks;
            lastBreak = i;
        }
        if (!wrapping && !ellipsisMeasuring && !p.SingleLine) continue;
        if (p.ExpandTabs)
            width = TextExtentOf(dc, cursor, count, true).cx;
        else
            width += TextExtentOf(dc, cursor + i, length, false).cx;
        if (width <= rowWidth) continue;
        if (ellipsisMeasuring || p.SingleLine) break;
        if (lastBreak < 0) {
            if (charBreaking) {
                if (i > 0) count = i;
                break;
            }
            continue;
        }
        count = lastBreak + 1;
        // Break characters after the remembered one are no longer part of the row.
        breaks = 0;
        for (Integer k = 0; k < count; ++k)
            if (cursor[k] == p.BreakChar || cursor[k] == kTab) ++breaks;
        break;
    }
    if (IsJustified(p))
        while (count > 0 && (cursor[count - 1] == p.BreakChar || cursor[count - 1] == kTab)) {
            --count;
            if (breaks > 0) --breaks;
        }
    row.CharCount = count;
    const SIZE size = TextExtentOf(dc, cursor, count, p.ExpandTabs);
    row.Width = size.cx;
    row.Height = size.cy;
    row.BreakCount = breaks;
    // Past the row, the separators that ended it.
    Integer used = count;
    while (used < remaining && cursor[used] == p.BreakChar)
        ++used;
    if (used < remaining && cursor[used] == kTab) ++used;
    bool skippedCR = false;
    if (used < remaining && cursor[used] == kCR) {
        ++used;
        skippedCR = true;
    }
    if (used < remaining && cursor[used] == kLF) {
        ++used;
        skippedCR = true; // a lone line feed ends a paragraph as well
    }
    cursor += used;
    remaining -= used;
    if ((skippedCR || remaining == 0) && p.HorzAlignment == 3) row.BreakCount = 0;
    return row;
}

} // namespace

SIZE TextExtentOf(HDC dc, const char* text, Integer count, bool expandTabs) {
    SIZE size{0, 0};
    if (expandTabs) {
        const DWORD e = GetTabbedTextExtent(dc, text, count, 0, nullptr);
        size.cx = LONG(e & 0xFFFF);
        size.cy = LONG((e >> 16) & 0xFFFF);
    } else {
        GetTextExtentPoint32(dc, text, count, &size);
    }
    return size;
}

HRGN IntersectClipSaving(HDC dc, const TRect& rect) {
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    if (GetClipRgn(dc, saved) != 1) {
        DeleteObject(saved);
        saved = nullptr;
    }
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    return saved;
}

void RestoreSavedClip(HDC dc, HRGN region) {
    SelectClipRgn(dc, region);
    if (region) DeleteObject(region);
}

TRect IndentTextBounds(const TRect& rect, Integer leftIndent, Integer rightIndent) {
    TRect r = rect;
    r.left += leftIndent;
    r.right -= rightIndent;
    return r;
}

TRect UnindentTextBounds(const TRect& rect, Integer leftIndent, Integer rightIndent) {
    TRect r = rect;
    r.left -= leftIndent;
    r.right += rightIndent;
    return r;
}

Integer WidestTextRow(const TqzTextRows& rows, Integer count) {
    count = std::min<Integer>(count, Integer(rows.size()));
    Integer widest = 0;
    for (Integer i = 0; i < count; ++i)
        widest = std::max(widest, rows[i].Width);
    return widest;
}

TqzTextParams PrepareTextParams(HDC dc, Integer flags) {
    TqzTextParams p;
    TEXTMETRICA tm{};
    GetTextMetrics(dc, &tm);
    p.ExternalLeadingFlag = flags & toExternalLeading;
    p.FontHeight = tm.tmHeight;
    p.ExternalLeading = p.ExternalLeadingFlag ? tm.tmExternalLeading : 0;
    p.RowHeight = p.FontHeight + p.ExternalLeading;
    p.EndEllipsis = flags & toEndEllipsis;
    p.EllipsisWidth = p.EndEllipsis ? TextExtentOf(dc, kEllipsis, kEllipsisLength, false).cx : 0;
    p.BreakChar = char(tm.tmBreakChar ? tm.tmBreakChar : ' ');
    p.HorzAlignment = flags & 0x7;
    p.VertAlignment = (flags >> 4) & 0x3;
    p.MaxCharWidth = tm.tmMaxCharWidth;
    p.NoLeftOverflow = flags & toNoLeftOverflow;
    p.NoTopOverflow = flags & toNoTopOverflow;
    p.WordBreak = flags & toWordBreak;
    p.SingleLine = flags & toSingleLine;
    p.ExpandTabs = flags & toExpandTabs;
    p.WholeRows = flags & toWholeRows;
    p.NoClip = flags & toNoClip;
    p.Flag10000 = flags & toFlag10000;
    p.CharBreak = (flags & toCharBreak) || GetSystemMetrics(SM_DBCSENABLED) != 0;
    p.CalcRect = flags & toCalcRect;
    p.RowCount = flags & toRowCount;
    return p;
}

TqzTextParams PrepareCanvasTextParams(TqzCanvas* canvas, Integer flags) {
    return PrepareTextParams(canvas->DeviceContext(), flags);
}

bool LayoutTextRows(HDC dc, const char* text, const TRect& rect, Integer rowLimit, const TqzTextParams& p,
                    Integer& rowCount, TqzTextRows& rows) {
    rowCount = 0;
    rows.clear();
    if (!text) return true;
    const Integer length = Integer(std::strlen(text));
    if (p.CalcRect && p.SingleLine) {
        TqzTextRow row;
        row.Text = text;
        row.CharCount = length;
        const SIZE size = TextExtentOf(dc, text, length, p.ExpandTabs);
        row.Width = size.cx;
        row.Height = size.cy;
        rows.push_back(row);
        rowCount = 1;
        return true;
    }
    const Integer height = rect.bottom - rect.top, width = rect.right - rect.left;
    const char* cursor = text;
    Integer remaining = length, accumulated = 0;
    bool stop = false, limitReached = false;
    while (remaining > 0 && !stop) {
        accumulated += p.RowHeight;
        if (p.SingleLine)
            stop = true;
        else if (p.VertAlignment != 0 || p.CalcRect)
            stop = limitReached = rowLimit > 0 && rowCount + 1 >= rowLimit;
        else if (p.WholeRows && !p.NoClip)
            stop = accumulated + p.RowHeight > height;
        else
            stop = accumulated > height;
        if (!stop && rowLimit > 0 && rowCount + 1 >= rowLimit) stop = limitReached = true;
        const Integer offset = Integer(cursor - text);
        TqzTextRow row = BreakTextRow(dc, cursor, remaining, p, stop, width);
        row.StartOffset = offset;
        rows.push_back(row);
        ++rowCount;
    }
    return !(limitReached && remaining > 0 && rowLimit >= 1 && !p.SingleLine && !p.CalcRect);
}

bool LayoutCanvasTextRows(TqzCanvas* canvas, const char* text, const TRect& rect, Integer rowLimit,
                          Integer& rowCount, TqzTextRows& rows, const TqzTextParams& params) {
    return LayoutTextRows(canvas->DeviceContext(), text, rect, rowLimit, params, rowCount, rows);
}

void PlaceTextRows(HDC, const TRect& rect, const TqzTextParams& p, Integer rowCount, TqzTextRows& rows) {
    rowCount = std::min<Integer>(rowCount, Integer(rows.size()));
    if (rowCount <= 0) return;
    const Integer height = rect.bottom - rect.top, width = rect.right - rect.left;
    Integer rowHeight = p.RowHeight, extra = 0;
    if (p.VertAlignment == 3 && rowCount > 1) {
        const Integer gap = height - p.FontHeight;
        if (p.FontHeight < gap / (rowCount - 1)) {
            rowHeight = gap / (rowCount - 1);
            extra = gap % (rowCount - 1);
        }
    }
    Integer top = rect.top;
    if (p.VertAlignment == 1)
        top = rect.top + (height - rowCount * rowHeight) / 2;
    else if (p.VertAlignment == 2)
        top = rect.bottom - rowCount * rowHeight + p.ExternalLeading;
    if (p.NoTopOverflow) top = std::max<Integer>(top, rect.top);
    for (Integer i = 0; i < rowCount; ++i) {
        TqzTextRow& row = rows[i];
        if (p.HorzAlignment == 1)
            row.Left = rect.left + (width - row.Width) / 2;
        else if (p.HorzAlignment == 2)
            row.Left = rect.right - row.Width;
        else
            row.Left = rect.left;
        if (p.NoLeftOverflow) row.Left = std::max<Integer>(row.Left, rect.left);
        row.Top = top;
        top += rowHeight;
        if (extra > 0) {
            ++top;
            --extra;
        }
    }
}

namespace {

void RowOut(HDC dc, const TqzTextRow& row, Integer count, const TqzTextParams& p) {
    if (p.ExpandTabs)
        TabbedTextOut(dc, row.Left, row.Top, row.Text, count, 0, nullptr, row.Left);
    else
        TextOut(dc, row.Left, row.Top, row.Text, count);
}

void EllipsisOut(HDC dc, const TRect& bounds, const TRect& rowRect, Integer x, Integer top,
                 const TqzTextParams& p) {
    if (x >= bounds.right) return;
    UINT options = 0;
    if (!p.NoClip && x + p.EllipsisWidth > bounds.right) options = ETO_CLIPPED;
    ExtTextOut(dc, x, top, options, &rowRect, kEllipsis, UINT(kEllipsisLength), nullptr);
}

} // namespace

void DrawTextRowsOut(HDC dc, const TRect& bounds, const TqzTextParams& p, bool ellipsis, TColor selTextColor,
                     TColor selBkColor, Integer selLength, Integer selStart, Integer rowCount,
                     TqzTextRows& rows) {
    rowCount = std::min<Integer>(rowCount, Integer(rows.size()));
    const Integer boundsWidth = bounds.right - bounds.left;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HBRUSH selBrush = selLength > 0 ? CreateSolidBrush(ColorToRGB(selBkColor)) : nullptr;
    for (Integer i = 0; i < rowCount; ++i) {
        TqzTextRow& row = rows[i];
        const bool last = i == rowCount - 1;
        const TRect rowRect{bounds.left, LONG(row.Top), bounds.right, LONG(row.Top + p.RowHeight)};
        if (row.CharCount <= 0) {
            if (last && ellipsis && p.EndEllipsis) EllipsisOut(dc, bounds, rowRect, bounds.left, row.Top, p);
            continue;
        }
        const bool withEllipsis = last && p.EndEllipsis && (ellipsis || row.Width > boundsWidth);
        bool justified = false;
        if (IsJustified(p) && !withEllipsis) {
            const Integer free = boundsWidth - row.Width;
            if (free > 0 && row.BreakCount > 0) {
                SetTextJustification(dc, free, row.BreakCount);
                justified = true;
            }
        }
        HRGN saved = nullptr;
        bool clipped = false;
        if (!p.NoClip &&
            (row.Width > boundsWidth || row.Top < bounds.top || row.Top + p.RowHeight > bounds.bottom)) {
            TRect clip = rowRect;
            clip.top = std::max(clip.top, bounds.top);
            clip.bottom = std::min(clip.bottom, bounds.bottom);
            saved = IntersectClipSaving(dc, clip);
            clipped = true;
        }
        Integer count = row.CharCount;
        Integer width = row.Width;
        if (withEllipsis) {
            INT fit = 0;
            SIZE size{};
            GetTextExtentExPoint(dc, row.Text, count, std::max<Integer>(0, boundsWidth - p.EllipsisWidth),
                                 &fit, nullptr, &size);
            // At least the first character, whole.
            count = std::max<Integer>(CharLength(row.Text, count), std::min<Integer>(fit, count));
            width = TextExtentOf(dc, row.Text, count, p.ExpandTabs).cx;
        }
        RowOut(dc, row, count, p);
        // The selection's part in the row, drawn again over the selection colour.
        const Integer rowStart = row.StartOffset, rowEnd = row.StartOffset + count;
        if (selBrush && selStart < rowEnd && selStart + selLength > rowStart) {
            const Integer from = std::max(selStart, rowStart) - rowStart;
            const Integer to = std::min(selStart + selLength, rowEnd) - rowStart;
            TRect selRect = rowRect;
            selRect.left = LONG(row.Left + TextExtentOf(dc, row.Text, from, p.ExpandTabs).cx);
            selRect.right =
                LONG(selRect.left + TextExtentOf(dc, row.Text + from, to - from, p.ExpandTabs).cx);
            HRGN selSaved = IntersectClipSaving(dc, selRect);
            FillRect(dc, &selRect, selBrush);
            const COLORREF oldColor = SetTextColor(dc, ColorToRGB(selTextColor));
            RowOut(dc, row, count, p);
            SetTextColor(dc, oldColor);
            RestoreSavedClip(dc, selSaved);
        }
        if (withEllipsis) EllipsisOut(dc, bounds, rowRect, bounds.left + width, row.Top, p);
        if (clipped) RestoreSavedClip(dc, saved);
        if (justified) SetTextJustification(dc, 0, 0);
    }
    if (selBrush) DeleteObject(selBrush);
    SetBkMode(dc, oldMode);
}

Integer DrawEditText(HDC dc, const char* text, TRect& bounds, Integer leftIndent, Integer rightIndent,
                     Integer rowLimit, TColor selBkColor, TColor selTextColor, Integer selLength,
                     Integer selStart, Integer flags) {
    if (!text || !*text) return 0;
    const TqzTextParams p = PrepareTextParams(dc, flags);
    TRect r = IndentTextBounds(bounds, leftIndent, rightIndent);
    if (p.CalcRect ? r.right - r.left <= 0 : (r.right <= r.left || r.bottom <= r.top)) return 0;
    TqzTextRows rows;
    Integer rowCount = 0;
    const bool allPlaced = LayoutTextRows(dc, text, r, rowLimit, p, rowCount, rows);
    if (rowCount <= 0) return 0;
    if (p.CalcRect) {
        if (rowLimit > 0) rowCount = std::min(rowCount, rowLimit);
        r.right = LONG(r.left + WidestTextRow(rows, rowCount));
        if (!p.SingleLine) {
            LayoutTextRows(dc, text, r, rowLimit, p, rowCount, rows);
            if (rowLimit > 0) rowCount = std::min(rowCount, rowLimit);
        }
        PlaceTextRows(dc, r, p, rowCount, rows);
        r.bottom = LONG(rows[rowCount - 1].Top + p.FontHeight);
        bounds = UnindentTextBounds(r, leftIndent, rightIndent);
    } else {
        bool ellipsis = false;
        if (rowLimit > 0 && rowCount >= rowLimit) {
            rowCount = rowLimit;
            ellipsis = !allPlaced && p.EndEllipsis && p.WholeRows && !p.SingleLine;
        }
        PlaceTextRows(dc, r, p, rowCount, rows);
        const Integer length = Integer(std::strlen(text));
        if (selStart < 0 || selStart >= length || selLength < 0)
            selLength = 0;
        else
            selLength = std::min(selLength, length - selStart);
        DrawTextRowsOut(dc, r, p, ellipsis, selTextColor, selBkColor, selLength, selStart, rowCount, rows);
    }
    const Integer height = rows[rowCount - 1].Top + p.FontHeight - r.top;
    if (p.RowCount || height == 0) return rowCount;
    return height;
}

Integer DrawEditTextOnCanvas(TqzCanvas* canvas, const char* text, TRect& bounds, Integer leftIndent,
                             Integer rightIndent, Integer rowLimit, TColor selBkColor, TColor selTextColor,
                             Integer selLength, Integer selStart, Integer flags) {
    return DrawEditText(canvas->DeviceContext(), text, bounds, leftIndent, rightIndent, rowLimit, selBkColor,
                        selTextColor, selLength, selStart, flags);
}

Integer DrawCanvasText(TqzCanvas* canvas, const char* text, TRect& bounds, Integer leftIndent,
                       Integer rightIndent, Integer rowLimit, Integer flags) {
    return DrawEditTextOnCanvas(canvas, text, bounds, leftIndent, rightIndent, rowLimit, clBlack,
                                canvas->CurrentFont()->GetColor(), 0, 0, flags);
}

namespace {
struct FlagPair {
    Integer Out;
    TqzTextFlags Canvas;
};
constexpr FlagPair kFlagPairs[] = {
    {0x1, qzGraphics::tfAlignHCenter}, {0x2, qzGraphics::tfAlignRight},  {0x10, qzGraphics::tfAlignVCenter},
    {0x20, qzGraphics::tfAlignBottom}, {0x100, qzGraphics::tfWordBreak}, {0x200, qzGraphics::tfSingleLine},
};
} // namespace

TqzTextFlags TextOutFlagsToCanvasFlags(Integer flags) {
    TqzTextFlags result = 0;
    for (const FlagPair& pair : kFlagPairs)
        if (flags & pair.Out) result |= pair.Canvas;
    return result;
}

Integer CanvasFlagsToTextOutFlags(TqzTextFlags flags) {
    Integer result = 0;
    for (const FlagPair& pair : kFlagPairs)
        if (flags & pair.Canvas) result |= pair.Out;
    return result;
}

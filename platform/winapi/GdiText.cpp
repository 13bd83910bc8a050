// Text output and measuring: TextOut, ExtTextOut, TabbedTextOut, the extents, the
// character extra and the justification.
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiTextLayout.h"

// ---- Strings ---------------------------------------------------------------------------------

GdiTextChars GdiDecodeText(const char* text, std::size_t count) {
    GdiTextChars out;
    if (!text || count == 0) return out;
    String s(text, count);
    for (std::size_t at = 0; at < s.size();) {
        int len = Utf8CharLen(s, at);
        if (len <= 0) len = 1;
        out.Chars += Utf8CodePointAt(s, at);
        out.Units.push_back(len);
        at += std::size_t(len);
    }
    return out;
}

GdiTextChars GdiDecodeText(const char16_t* text, std::size_t count) {
    GdiTextChars out;
    if (!text) return out;
    for (std::size_t at = 0; at < count;) {
        char32_t unit = text[at];
        if (unit >= 0xD800 && unit < 0xDC00 && at + 1 < count && text[at + 1] >= 0xDC00 &&
            text[at + 1] < 0xE000) {
            out.Chars += char32_t(0x10000 + ((unit - 0xD800) << 10) + (text[at + 1] - 0xDC00));
            out.Units.push_back(2);
            at += 2;
            continue;
        }
        out.Chars += unit >= 0xD800 && unit < 0xE000 ? char32_t(0xFFFD) : unit;
        out.Units.push_back(1);
        ++at;
    }
    return out;
}

std::size_t GdiTextLength(const char* text) {
    std::size_t n = 0;
    if (text)
        while (text[n])
            ++n;
    return n;
}

std::size_t GdiTextLength(const char16_t* text) {
    std::size_t n = 0;
    if (text)
        while (text[n])
            ++n;
    return n;
}

// ---- Advances --------------------------------------------------------------------------------

namespace {

// Sums kept within what the coordinates can hold.
int Clamp(long long v) { return int(std::clamp<long long>(v, -GdiMaxCoord, GdiMaxCoord)); }

long long Total(const std::vector<int>& advances) {
    long long sum = 0;
    for (int a : advances)
        sum += a;
    return sum;
}

} // namespace

std::vector<int> GdiCharAdvances(const GdiDC& dc, const GdiFontInstance& font, const std::u32string& chars,
                                 bool justify) {
    std::vector<int> out(chars.size());
    int extra = dc.State.TextCharacterExtra;
    int breaks = justify ? dc.State.BreakCount : 0;
    int breakExtra = dc.State.BreakExtra;
    int quotient = breaks > 0 ? breakExtra / breaks : 0;
    int remainder = breaks > 0 ? std::abs(breakExtra % breaks) : 0;
    int sign = breakExtra < 0 ? -1 : 1;
    int seen = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        long long a = (long long)font.Advance(chars[i]) + extra;
        if (breaks > 0 && chars[i] == U' ') {
            a += quotient + (seen < remainder ? sign : 0);
            ++seen;
        }
        out[i] = Clamp(a);
    }
    return out;
}

void GdiExpandTabs(const std::u32string& chars, std::vector<int>& advances, int start,
                   const GdiTabStops& tabs) {
    long long x = start;
    long long every = tabs.Every > 0 ? tabs.Every : 1;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] != U'\t') {
            x += advances[i];
            continue;
        }
        // The width of the text up to the next tab, for a stop that ends it.
        long long segment = 0;
        for (std::size_t j = i + 1; j < chars.size() && chars[j] != U'\t'; ++j)
            segment += advances[j];
        long long target = LLONG_MIN;
        for (int stop : tabs.Stops) {
            long long at = stop < 0 ? -(long long)stop - segment : stop;
            if (at > x) {
                target = at;
                break;
            }
        }
        if (target == LLONG_MIN) {
            long long q = x >= 0 ? x / every : -((-x + every - 1) / every);
            target = (q + 1) * every;
        }
        advances[i] = Clamp(target - x);
        x = target;
    }
}

// ---- Runs --------------------------------------------------------------------------------------

namespace {

struct Axes {
    double Dx, Dy; // along the baseline
    double Ux, Uy; // downwards, across it
};

Axes AxesFor(int escapement) {
    switch (escapement) {
    case 0:
        return {1, 0, 0, 1};
    case 900:
        return {0, -1, 1, 0};
    case 1800:
        return {-1, 0, 0, -1};
    case 2700:
        return {0, 1, -1, 0};
    default: {
        double a = escapement * 3.14159265358979323846 / 1800.0;
        double c = std::cos(a), s = std::sin(a);
        return {c, -s, s, c};
    }
    }
}

GdiPointD At(const GdiPointD& origin, const Axes& ax, double along, double down) {
    return {origin.x + ax.Dx * along + ax.Ux * down, origin.y + ax.Dy * along + ax.Uy * down};
}

LONG RoundL(double v) {
    return LONG(std::clamp(std::floor(v + 0.5), -double(GdiMaxCoord), double(GdiMaxCoord)));
}

// A band along the baseline from along0 to along1, from down0 to down1 below it.
std::vector<GdiPointD> Band(const GdiPointD& origin, const Axes& ax, double along0, double along1,
                            double down0, double down1) {
    return {At(origin, ax, along0, down0), At(origin, ax, along1, down0), At(origin, ax, along1, down1),
            At(origin, ax, along0, down1)};
}

} // namespace

BOOL GdiDrawRun(GdiDC& dc, const GdiTextRun& run) {
    const GdiFontInstance& font = *run.Font;
    POINT ref = (run.Align & TA_UPDATECP) ? dc.State.CurrentPos : run.Reference;
    long long width = Total(run.Advances);
    if (!GdiCoordOk(ref.x) || !GdiCoordOk(ref.y) || !GdiCoordOk(width)) return FALSE;
    Axes ax = AxesFor(font.Escapement);
    UINT horizontal = run.Align & TA_CENTER;
    UINT vertical = run.Align & TA_BASELINE;
    double shift = horizontal == TA_RIGHT ? double(width) : horizontal == TA_CENTER ? double(width / 2) : 0.0;
    double down = vertical == TA_TOP ? font.Ascent : vertical == TA_BOTTOM ? -font.Descent : 0.0;
    GdiPointD refPoint{double(ref.x), double(ref.y)};

    GdiTextRequest r;
    r.Font = run.Font;
    r.Options = run.Options & (ETO_OPAQUE | ETO_CLIPPED);
    if (run.Rect) {
        r.HasRect = true;
        r.Rect = *run.Rect;
    }
    r.Origin = At(refPoint, ax, -shift, down);
    r.Width = int(width);
    r.Text = run.Chars;
    r.Advances = run.Advances;
    r.Glyphs = run.Glyphs;
    // Hebrew and Arabic fonts read right to left: the characters are placed from the end.
    bool rtl =
        (run.Options & ETO_RTLREADING) && (font.CharSet == HEBREW_CHARSET || font.CharSet == ARABIC_CHARSET);
    long long along = 0;
    for (std::size_t i = 0; i < run.Chars.size(); ++i) {
        long long at = rtl ? width - along - run.Advances[i] : along;
        GdiPointD p = At(r.Origin, ax, double(at), 0);
        r.Positions.push_back({RoundL(p.x), RoundL(p.y)});
        along += run.Advances[i];
    }
    if (run.Background && dc.State.BkMode == OPAQUE && width != 0)
        r.Cell = Band(r.Origin, ax, 0, double(width), -font.Ascent, font.Descent);
    const GdiFaceMetrics& m = font.Primary->Metrics();
    if (run.Glyphs && font.Log.lfUnderline && width != 0)
        r.Marks.push_back(Band(r.Origin, ax, 0, double(width), m.UnderlineOffset,
                               m.UnderlineOffset + m.UnderlineThickness));
    if (run.Glyphs && font.Log.lfStrikeOut && width != 0)
        r.Marks.push_back(Band(r.Origin, ax, 0, double(width), m.StrikeoutOffset,
                               m.StrikeoutOffset + m.StrikeoutThickness));
    for (const GdiTextMark& mark : run.Marks) {
        if (mark.To == mark.From) continue;
        double from = rtl ? double(width - mark.To) : mark.From,
               to = rtl ? double(width - mark.From) : mark.To;
        r.Marks.push_back(Band(r.Origin, ax, from, to, mark.Offset, double(mark.Offset) + mark.Thickness));
    }

    BOOL ok = dc.Device->Text(dc, r);
    if (run.Align & TA_UPDATECP) {
        double move = horizontal == TA_LEFT ? double(width) : horizontal == TA_RIGHT ? -double(width) : 0.0;
        GdiPointD p = At(refPoint, ax, move, 0);
        dc.State.CurrentPos = {RoundL(p.x), RoundL(p.y)};
        dc.Device->Changed(dc, GdiStateChange::CurrentPosition);
    }
    return ok;
}

// ---- Settings ----------------------------------------------------------------------------------

int SetTextCharacterExtra(HDC handle, int extra) {
    auto dc = GdiFindDC(handle);
    if (!dc) return GDI_CHARACTER_EXTRA_ERROR;
    int old = dc->State.TextCharacterExtra;
    dc->State.TextCharacterExtra = extra;
    dc->Device->Changed(*dc, GdiStateChange::Mode);
    return old;
}

int GetTextCharacterExtra(HDC handle) {
    auto dc = GdiFindDC(handle);
    return dc ? dc->State.TextCharacterExtra : GDI_CHARACTER_EXTRA_ERROR;
}

BOOL SetTextJustification(HDC handle, int extra, int count) {
    auto dc = GdiFindDC(handle);
    if (!dc || count < 0) return FALSE;
    dc->State.BreakExtra = count ? extra : 0;
    dc->State.BreakCount = count;
    dc->Device->Changed(*dc, GdiStateChange::Mode);
    return TRUE;
}

// ---- Output ------------------------------------------------------------------------------------

namespace {

struct Context {
    std::shared_ptr<GdiDC> Dc;
    std::shared_ptr<const GdiFontInstance> Font;
};

Context Open(HDC handle) {
    Context c;
    c.Dc = GdiFindDC(handle);
    if (c.Dc) c.Font = GdiSelectedFont(*c.Dc);
    if (!c.Font) c.Dc.reset();
    return c;
}

// Per-unit advances (ExtTextOut's dx) to per-character ones.
std::vector<int> FromUnits(const GdiTextChars& t, const INT* dx) {
    std::vector<int> out;
    std::size_t at = 0;
    for (int units : t.Units) {
        long long sum = 0;
        for (int k = 0; k < units; ++k)
            sum += dx[at++];
        out.push_back(Clamp(sum));
    }
    return out;
}

template <class Char> BOOL TextOutT(HDC handle, int x, int y, const Char* text, int count) {
    Context c = Open(handle);
    if (!c.Dc || count < 0 || (count > 0 && !text)) return FALSE;
    GdiTextRun run;
    run.Font = c.Font;
    run.Reference = {x, y};
    run.Align = c.Dc->State.TextAlign;
    run.Chars = GdiDecodeText(text, std::size_t(count)).Chars;
    run.Advances = GdiCharAdvances(*c.Dc, *c.Font, run.Chars, true);
    return GdiDrawRun(*c.Dc, run);
}

template <class Char>
BOOL ExtTextOutT(HDC handle, int x, int y, UINT options, const RECT* rect, const Char* text, UINT count,
                 const INT* dx) {
    Context c = Open(handle);
    if (!c.Dc || (count > 0 && !text) || count > 0x7FFFFFFF) return FALSE;
    GdiTextChars t = GdiDecodeText(text, count);
    GdiTextRun run;
    run.Font = c.Font;
    run.Reference = {x, y};
    run.Align = c.Dc->State.TextAlign;
    run.Options = options;
    run.Rect = (options & (ETO_OPAQUE | ETO_CLIPPED)) ? rect : nullptr;
    run.Chars = t.Chars;
    run.Advances = dx ? FromUnits(t, dx) : GdiCharAdvances(*c.Dc, *c.Font, t.Chars, true);
    return GdiDrawRun(*c.Dc, run);
}

GdiTabStops TabsFor(const GdiFontInstance& font, int tabCount, const INT* tabStops) {
    GdiTabStops tabs;
    tabs.Every = 8 * font.AveCharWidth;
    if (tabStops && tabCount == 1 && tabStops[0] > 0) {
        tabs.Every = tabStops[0];
    } else if (tabStops && tabCount > 1) {
        tabs.Stops.assign(tabStops, tabStops + tabCount);
    }
    return tabs;
}

LONG Extent(long long width, int height) {
    return LONG((DWORD(WORD(std::clamp<long long>(width, 0, 0xFFFF))) | (DWORD(WORD(height)) << 16)));
}

template <class Char>
LONG TabbedTextOutT(HDC handle, int x, int y, const Char* text, int count, int tabCount, const INT* tabStops,
                    int tabOrigin) {
    Context c = Open(handle);
    if (!c.Dc || count < 0 || (count > 0 && !text)) return 0;
    GdiTextRun run;
    run.Font = c.Font;
    run.Reference = {x, y};
    run.Align = c.Dc->State.TextAlign;
    run.Chars = GdiDecodeText(text, std::size_t(count)).Chars;
    run.Advances = GdiCharAdvances(*c.Dc, *c.Font, run.Chars, false);
    int start = (run.Align & TA_UPDATECP) ? c.Dc->State.CurrentPos.x : x;
    GdiExpandTabs(run.Chars, run.Advances, Clamp((long long)start - tabOrigin),
                  TabsFor(*c.Font, tabCount, tabStops));
    std::replace(run.Chars.begin(), run.Chars.end(), U'\t', U' ');
    if (!GdiDrawRun(*c.Dc, run)) return 0;
    return Extent(Total(run.Advances), c.Font->Height());
}

template <class Char>
DWORD TabbedExtentT(HDC handle, const Char* text, int count, int tabCount, const INT* tabStops) {
    Context c = Open(handle);
    if (!c.Dc || count < 0 || (count > 0 && !text)) return 0;
    std::u32string chars = GdiDecodeText(text, std::size_t(count)).Chars;
    std::vector<int> advances = GdiCharAdvances(*c.Dc, *c.Font, chars, false);
    GdiExpandTabs(chars, advances, 0, TabsFor(*c.Font, tabCount, tabStops));
    return DWORD(Extent(Total(advances), c.Font->Height()));
}

template <class Char> BOOL ExtentT(HDC handle, const Char* text, int count, SIZE* size) {
    Context c = Open(handle);
    if (!c.Dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
    std::u32string chars = GdiDecodeText(text, std::size_t(count)).Chars;
    size->cx = Clamp(Total(GdiCharAdvances(*c.Dc, *c.Font, chars, true)));
    size->cy = c.Font->Height();
    return TRUE;
}

template <class Char>
BOOL ExtentExT(HDC handle, const Char* text, int count, int maxExtent, INT* fit, INT* partial, SIZE* size) {
    Context c = Open(handle);
    if (!c.Dc || count < 0 || (count > 0 && !text)) return FALSE;
    GdiTextChars t = GdiDecodeText(text, std::size_t(count));
    std::vector<int> advances = GdiCharAdvances(*c.Dc, *c.Font, t.Chars, true);
    long long sum = 0;
    int units = 0, fitting = 0;
    bool fits = true;
    for (std::size_t i = 0; i < t.Chars.size(); ++i) {
        sum += advances[i];
        fits = fits && sum <= maxExtent;
        for (int k = 0; k < t.Units[i]; ++k) {
            if (partial) partial[units] = Clamp(sum);
            ++units;
        }
        if (fits) fitting = units;
    }
    if (fit) *fit = fitting;
    if (size) {
        size->cx = Clamp(sum);
        size->cy = c.Font->Height();
    }
    return TRUE;
}

} // namespace

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) { return TextOutT(dc, x, y, text, count); }
BOOL TextOutW(HDC dc, int x, int y, const char16_t* text, int count) {
    return TextOutT(dc, x, y, text, count);
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
    return ExtTextOutT(dc, x, y, options, rect, text, count, dx);
}
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const char16_t* text, UINT count,
                 const INT* dx) {
    return ExtTextOutT(dc, x, y, options, rect, text, count, dx);
}

LONG TabbedTextOutA(HDC dc, int x, int y, LPCSTR text, int count, int tabCount, const INT* tabStops,
                    int tabOrigin) {
    return TabbedTextOutT(dc, x, y, text, count, tabCount, tabStops, tabOrigin);
}
LONG TabbedTextOutW(HDC dc, int x, int y, const char16_t* text, int count, int tabCount, const INT* tabStops,
                    int tabOrigin) {
    return TabbedTextOutT(dc, x, y, text, count, tabCount, tabStops, tabOrigin);
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
    return ExtentT(dc, text, count, size);
}
BOOL GetTextExtentPoint32W(HDC dc, const char16_t* text, int count, SIZE* size) {
    return ExtentT(dc, text, count, size);
}
BOOL GetTextExtentPointA(HDC dc, LPCSTR text, int count, SIZE* size) {
    return ExtentT(dc, text, count, size);
}
BOOL GetTextExtentPointW(HDC dc, const char16_t* text, int count, SIZE* size) {
    return ExtentT(dc, text, count, size);
}

BOOL GetTextExtentExPointA(HDC dc, LPCSTR text, int count, int maxExtent, INT* fit, INT* partial,
                           SIZE* size) {
    return ExtentExT(dc, text, count, maxExtent, fit, partial, size);
}
BOOL GetTextExtentExPointW(HDC dc, const char16_t* text, int count, int maxExtent, INT* fit, INT* partial,
                           SIZE* size) {
    return ExtentExT(dc, text, count, maxExtent, fit, partial, size);
}

DWORD GetTabbedTextExtentA(HDC dc, LPCSTR text, int count, int tabCount, const INT* tabStops) {
    return TabbedExtentT(dc, text, count, tabCount, tabStops);
}
DWORD GetTabbedTextExtentW(HDC dc, const char16_t* text, int count, int tabCount, const INT* tabStops) {
    return TabbedExtentT(dc, text, count, tabCount, tabStops);
}

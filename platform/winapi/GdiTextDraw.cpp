// DrawText: prefixes, lines, word breaking, ellipses, tabs, placement in the rectangle,
// and drawing line by line as runs of text.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/winapi/GdiTextLayout.h"

namespace {

// One character as laid out: where it came from in the text (character indices [From, To);
// an added ellipsis dot has none), whether a prefix underlines it, and its advance.
struct Item {
    char32_t Ch = 0;
    std::size_t From = 0, To = 0;
    bool Underline = false;
    bool Added = false;
    int Advance = 0;
};
using Line = std::vector<Item>;

bool IsBlank(char32_t ch) { return ch == U' ' || ch == U'\t'; }

// Characters that take a whole double-byte cell: a line may break between two of them.
bool IsWide(char32_t ch) {
    return (ch >= 0x1100 && ch <= 0x115F) || (ch >= 0x2E80 && ch <= 0xA4CF) ||
           (ch >= 0xAC00 && ch <= 0xD7A3) || (ch >= 0xF900 && ch <= 0xFAFF) ||
           (ch >= 0xFE30 && ch <= 0xFE4F) || (ch >= 0xFF00 && ch <= 0xFF60) ||
           (ch >= 0xFFE0 && ch <= 0xFFE6) || (ch >= 0x20000 && ch <= 0x3FFFD);
}

struct Layout {
    UINT Format = 0;
    std::shared_ptr<const GdiFontInstance> Font;
    int CharExtra = 0;
    bool ExpandTabs = false;
    int TabEvery = 1;
    long long Available = 0; // the width lines may take
};

// The advance of an item at x (from the line's start): tabs reach the next tab stop.
long long AdvanceAt(const Layout& l, const Item& item, long long x) {
    if (l.ExpandTabs && item.Ch == U'\t') {
        long long every = l.TabEvery;
        long long q = x >= 0 ? x / every : -((-x + every - 1) / every);
        return (q + 1) * every - x;
    }
    return item.Advance;
}

// The width of items [from, to) placed from x on (tab stops count from the line's start).
long long Width(const Layout& l, const Line& line, std::size_t from, std::size_t to, long long x = 0) {
    long long start = x;
    for (std::size_t i = from; i < to; ++i)
        x += AdvanceAt(l, line[i], x);
    return x - start;
}
long long Width(const Layout& l, const Line& line) { return Width(l, line, 0, line.size()); }

// Whether a line may break before item i.
bool BreakBefore(const Layout& l, const Line& line, std::size_t i) {
    if (i == 0 || i >= line.size()) return false;
    if (IsBlank(line[i - 1].Ch) && !IsBlank(line[i].Ch)) return true;
    return !(l.Format & DT_NOFULLWIDTHCHARBREAK) && IsWide(line[i - 1].Ch) && IsWide(line[i].Ch);
}

// The end of the text before a break at i: the blanks before it stay behind.
std::size_t TextEnd(const Line& line, std::size_t from, std::size_t i) {
    while (i > from && IsBlank(line[i - 1].Ch))
        --i;
    return i;
}

// Breaks one line of the text into lines that fit the width.
std::vector<Line> Wrap(const Layout& l, const Line& line) {
    std::vector<Line> out;
    auto take = [&](std::size_t from, std::size_t to) {
        out.emplace_back(line.begin() + std::ptrdiff_t(from), line.begin() + std::ptrdiff_t(to));
    };
    std::size_t pos = 0, n = line.size();
    while (true) {
        long long x = 0;
        std::size_t breakEnd = 0, breakNext = 0;
        bool canBreak = false, overflow = false;
        std::size_t i = pos;
        for (; i < n; ++i) {
            if (i > pos && BreakBefore(l, line, i)) {
                canBreak = true;
                breakEnd = TextEnd(line, pos, i);
                breakNext = i;
            }
            x += AdvanceAt(l, line[i], x);
            // Blanks may hang past the edge.
            if (x > l.Available && !IsBlank(line[i].Ch)) {
                overflow = true;
                break;
            }
        }
        if (!overflow) {
            take(pos, n);
            break;
        }
        if (canBreak) {
            take(pos, breakEnd);
            pos = breakNext;
        } else if (l.Format & DT_EDITCONTROL) {
            // A word wider than the line is broken between its characters.
            std::size_t cut = std::max(i, pos + 1);
            take(pos, cut);
            pos = cut;
        } else {
            // The word stays whole and runs past the edge.
            std::size_t j = i + 1;
            while (j < n && !BreakBefore(l, line, j))
                ++j;
            if (j >= n) {
                take(pos, n);
                break;
            }
            take(pos, TextEnd(line, pos, j));
            pos = j;
        }
        if (pos >= n) break;
    }
    return out;
}

// A dot of an ellipsis that stands for the characters [from, to) of the text.
Item Dot(std::size_t from, std::size_t to, int advance) {
    Item dot;
    dot.Ch = U'.';
    dot.From = from;
    dot.To = to;
    dot.Added = true;
    dot.Advance = advance;
    return dot;
}

void AddDots(Line& line, std::size_t from, std::size_t to, int advance) {
    for (int k = 0; k < 3; ++k)
        line.push_back(Dot(from, to, advance));
}

// Where the items [keep, end) of a line came from in the text.
std::size_t SourceFrom(const Line& line, std::size_t keep) {
    if (keep < line.size()) return line[keep].From;
    return line.empty() ? 0 : line.back().To;
}

// The first items of a line and "...", as many as fit with it.
Line EndEllipsis(const Layout& l, const Line& line, int dotAdvance) {
    const Line dots(3, Dot(0, 0, dotAdvance));
    long long x = 0;
    std::size_t keep = 0;
    for (std::size_t k = 0; k < line.size(); ++k) {
        x += AdvanceAt(l, line[k], x);
        if (x + Width(l, dots, 0, 3, x) > l.Available) break;
        keep = k + 1;
    }
    Line out(line.begin(), line.begin() + std::ptrdiff_t(keep));
    AddDots(out, SourceFrom(line, keep), line.empty() ? 0 : line.back().To, dotAdvance);
    return out;
}

// Keeps the part from the last backslash on and as much as fits before it, "..." between;
// without a backslash, or when even the part after it does not fit, the end is cut.
Line PathEllipsis(const Layout& l, const Line& line, int dotAdvance) {
    std::size_t slash = line.size();
    for (std::size_t i = line.size(); i > 0; --i)
        if (line[i - 1].Ch == U'\\') {
            slash = i - 1;
            break;
        }
    if (slash == line.size()) return EndEllipsis(l, line, dotAdvance);
    // The widths of the kept head, item by item; then the longest head that fits.
    std::vector<long long> head{0};
    for (std::size_t k = 0; k < slash; ++k)
        head.push_back(head.back() + AdvanceAt(l, line[k], head.back()));
    Line dots(3, Dot(0, 0, dotAdvance));
    std::size_t keep = slash + 1;
    for (std::size_t k = slash + 1; k-- > 0;) {
        long long x = head[k] + Width(l, dots, 0, 3, head[k]);
        if (x + Width(l, line, slash, line.size(), x) <= l.Available) {
            keep = k;
            break;
        }
    }
    Line out(line.begin(), line.begin() + std::ptrdiff_t(keep > slash ? 0 : keep));
    AddDots(out, SourceFrom(line, keep > slash ? 0 : keep), line[slash].From, dotAdvance);
    out.insert(out.end(), line.begin() + std::ptrdiff_t(slash), line.end());
    if (keep > slash) return EndEllipsis(l, out, dotAdvance);
    return out;
}

// The text as the A or W call gave it, with its characters.
struct Source {
    GdiTextChars Text;
    std::vector<std::size_t> Offsets; // unit offset of every character, and the end
};

template <class Char> Source Decode(const Char* text, std::size_t count) {
    Source s;
    s.Text = GdiDecodeText(text, count);
    std::size_t at = 0;
    for (int units : s.Text.Units) {
        s.Offsets.push_back(at);
        at += std::size_t(units);
    }
    s.Offsets.push_back(at);
    return s;
}

// The items of the text after prefix processing ("&x" underlines x, "&&" is "&").
Line Items(const Source& s, const Layout& l, bool prefixes) {
    Line out;
    const std::u32string& chars = s.Text.Chars;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        Item item;
        item.From = i;
        if (prefixes && chars[i] == U'&') {
            if (i + 1 >= chars.size()) break; // a lone "&" at the end shows nothing
            ++i;
            item.Underline = chars[i] != U'&';
        }
        item.Ch = chars[i];
        item.To = i + 1;
        item.Advance = l.Font->Advance(item.Ch) + l.CharExtra;
        out.push_back(item);
    }
    return out;
}

// The lines of the text: split at CR, LF and CR LF (a break at the very end starts no line).
std::vector<Line> HardLines(const Line& items) {
    std::vector<Line> out;
    Line current;
    for (std::size_t i = 0; i < items.size(); ++i) {
        char32_t ch = items[i].Ch;
        if (ch != U'\r' && ch != U'\n') {
            current.push_back(items[i]);
            continue;
        }
        if (ch == U'\r' && i + 1 < items.size() && items[i + 1].Ch == U'\n') ++i;
        out.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) out.push_back(std::move(current));
    return out;
}

// Writes the text with the ellipses the lines show back into the caller's buffer (room for
// count + 4 units with the NUL).
template <class Char>
void ModifyString(Char* buffer, std::size_t count, const Source& s, const std::vector<Line>& lines) {
    // The parts of the text the ellipses stand for, in order: [from, to) in characters.
    std::vector<std::pair<std::size_t, std::size_t>> cuts;
    for (const Line& line : lines) {
        std::size_t i = 0;
        while (i < line.size()) {
            if (!line[i].Added) {
                ++i;
                continue;
            }
            std::size_t from = line[i].From, to = line[i].To;
            cuts.push_back({from, to});
            while (i < line.size() && line[i].Added && line[i].From == from && line[i].To == to)
                ++i;
        }
    }
    if (cuts.empty()) return;
    std::vector<Char> original(buffer, buffer + count);
    std::vector<Char> out;
    std::size_t at = 0;
    const Char dots[3] = {Char('.'), Char('.'), Char('.')};
    for (const auto& cut : cuts) {
        if (cut.first > at)
            out.insert(out.end(), original.begin() + std::ptrdiff_t(s.Offsets[at]),
                       original.begin() + std::ptrdiff_t(s.Offsets[cut.first]));
        out.insert(out.end(), dots, dots + 3);
        at = std::max(at, cut.second);
    }
    out.insert(out.end(), original.begin() + std::ptrdiff_t(s.Offsets[at]), original.end());
    std::size_t room = count + 3; // units before the NUL
    if (out.size() > room) {
        // Cut at a character boundary.
        std::size_t n = room;
        if constexpr (sizeof(Char) == 1) {
            while (n > 0 && (std::uint8_t(out[n]) & 0xC0) == 0x80)
                --n;
        } else {
            if (out[n - 1] >= 0xD800 && out[n - 1] < 0xDC00) --n;
        }
        out.resize(n);
    }
    std::copy(out.begin(), out.end(), buffer);
    buffer[out.size()] = Char(0);
}

template <class Char>
int DrawTextT(HDC handle, const Char* text, Char* writable, int count, RECT* rect, UINT format,
              DRAWTEXTPARAMS* params) {
    auto dc = GdiFindDC(handle);
    if (!dc || !rect || (!text && count != 0)) return 0;
    std::size_t length = count < 0 ? GdiTextLength(text) : std::size_t(count);
    if (params) params->uiLengthDrawn = 0;

    Layout l;
    int tabChars = 8;
    if (format & DT_TABSTOP) {
        // The tab length sits where these flags would be.
        tabChars = int((format >> 8) & 0xFF);
        format &= ~UINT(0xFF00);
    }
    if (params && params->iTabLength > 0) tabChars = params->iTabLength;
    if (tabChars <= 0) tabChars = 8;
    l.Format = format;
    l.Font = (format & DT_INTERNAL) ? GdiSystemFont() : GdiSelectedFont(*dc);
    if (!l.Font) return 0;
    l.CharExtra = dc->State.TextCharacterExtra;
    l.ExpandTabs = (format & DT_EXPANDTABS) != 0;
    l.TabEvery = std::max(1, tabChars * l.Font->AveCharWidth);
    int leftMargin = params ? params->iLeftMargin : 0, rightMargin = params ? params->iRightMargin : 0;
    long long left = (long long)rect->left + leftMargin, right = (long long)rect->right - rightMargin;
    l.Available = right - left;

    Source source = Decode(text, length);
    Line items = Items(source, l, !(format & DT_NOPREFIX));
    std::vector<Line> lines;
    if (format & DT_SINGLELINE) {
        if (!items.empty()) lines.push_back(items);
    } else {
        lines = HardLines(items);
    }
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
        std::vector<Line> wrapped;
        for (const Line& line : lines)
            for (Line& part : Wrap(l, line))
                wrapped.push_back(std::move(part));
        lines = std::move(wrapped);
    }
    bool modified = false;
    if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        int dot = l.Font->Advance(U'.') + l.CharExtra;
        for (Line& line : lines) {
            if (Width(l, line) <= l.Available) continue;
            line = (format & DT_PATH_ELLIPSIS) ? PathEllipsis(l, line, dot) : EndEllipsis(l, line, dot);
            modified = true;
        }
    }
    if (modified && (format & DT_MODIFYSTRING) && writable) ModifyString(writable, length, source, lines);
    if (params) params->uiLengthDrawn = UINT(length);

    long long lineHeight = l.Font->Height() + ((format & DT_EXTERNALLEADING) ? l.Font->ExternalLeading : 0);
    long long height = lineHeight * (long long)lines.size();
    long long maxWidth = 0;
    for (const Line& line : lines)
        maxWidth = std::max(maxWidth, Width(l, line));

    auto clampInt = [](long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
    if (format & DT_CALCRECT) {
        rect->right = LONG(std::clamp<long long>(left + maxWidth + rightMargin, INT_MIN, INT_MAX));
        rect->bottom = LONG(std::clamp<long long>((long long)rect->top + height, INT_MIN, INT_MAX));
        return clampInt(height);
    }

    long long top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM)
            top = (long long)rect->bottom - height;
        else if (format & DT_VCENTER)
            top = rect->top + ((long long)rect->bottom - rect->top - height) / 2;
    }
    const GdiFaceMetrics& m = l.Font->Primary->Metrics();
    bool prefixOnly = (format & DT_PREFIXONLY) != 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        long long y = top + lineHeight * (long long)i;
        if ((format & DT_EDITCONTROL) && y + lineHeight > rect->bottom) break;
        long long width = Width(l, line);
        long long x = (format & DT_RIGHT)    ? right - width
                      : (format & DT_CENTER) ? left + (l.Available - width) / 2
                                             : left;
        if (!GdiCoordOk(x) || !GdiCoordOk(y)) continue;
        GdiTextRun run;
        run.Font = l.Font;
        run.Reference = {LONG(x), LONG(y)};
        run.Align = TA_LEFT | TA_TOP;
        run.Options =
            ((format & DT_NOCLIP) ? 0 : ETO_CLIPPED) | ((format & DT_RTLREADING) ? ETO_RTLREADING : 0);
        run.Rect = rect;
        run.Glyphs = !prefixOnly;
        run.Background = !prefixOnly;
        long long along = 0;
        for (const Item& item : line) {
            long long advance = AdvanceAt(l, item, along);
            bool tab = l.ExpandTabs && item.Ch == U'\t';
            run.Chars += tab ? U' ' : item.Ch;
            run.Advances.push_back(int(std::clamp<long long>(advance, -GdiMaxCoord, GdiMaxCoord)));
            if (item.Underline && !(format & DT_HIDEPREFIX))
                run.Marks.push_back(
                    {int(along), int(along + advance), m.UnderlineOffset, std::max(1, m.UnderlineThickness)});
            along += advance;
        }
        GdiDrawRun(*dc, run);
    }
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)))
        return clampInt(top + height - rect->top);
    return clampInt(height);
}

} // namespace

int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
    return DrawTextT<char>(dc, text, nullptr, count, rect, format, nullptr);
}
int DrawTextA(HDC dc, LPSTR text, int count, RECT* rect, UINT format) {
    return DrawTextT<char>(dc, text, text, count, rect, format, nullptr);
}
int DrawTextW(HDC dc, const char16_t* text, int count, RECT* rect, UINT format) {
    return DrawTextT<char16_t>(dc, text, nullptr, count, rect, format, nullptr);
}
int DrawTextW(HDC dc, char16_t* text, int count, RECT* rect, UINT format) {
    return DrawTextT<char16_t>(dc, text, text, count, rect, format, nullptr);
}
int DrawTextExA(HDC dc, LPSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextT<char>(dc, text, text, count, rect, format, params);
}
int DrawTextExA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextT<char>(dc, text, nullptr, count, rect, format, params);
}
int DrawTextExW(HDC dc, char16_t* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextT<char16_t>(dc, text, text, count, rect, format, params);
}
int DrawTextExW(HDC dc, const char16_t* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    return DrawTextT<char16_t>(dc, text, nullptr, count, rect, format, params);
}

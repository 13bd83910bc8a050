// The edit's text model: code points, measuring, lines and word wrap, and the mapping between
// offsets and client positions.
#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/winapi/WinEdit_Internal.h"

namespace WinEditImpl {

namespace {

// The tab stops: every 8 average character widths.
int TabStop(const TEdit& e) { return std::max(1, 8 * e.AveCharWidth); }

// Ideographs, kana and full-width forms: a line may break between two of them.
bool IsWide(char32_t c) {
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF01 && c <= 0xFF60) || (c >= 0x20000 && c <= 0x2FFFF);
}

bool IsDelimiter(char32_t c) { return IsBlank(c) || IsLineBreak(c); }

// Lays one hard line [start, end) out into pieces no wider than width (when wrapping).
void WrapHardLine(TEdit& e, int start, int end, int breakLen, bool wrap, int width) {
    int pos = start;
    for (;;) {
        int x = 0;
        int i = pos;
        int lastBreak = -1;
        int widthAtBreak = 0;
        while (i < end) {
            int adv = CharAdvance(e, i, x);
            if (wrap && i > pos && x + adv > width) break;
            x += adv;
            char32_t c = e.Text[size_t(i)];
            if (IsBlank(c) || (i + 1 < end && IsWide(c) && IsWide(e.Text[size_t(i + 1)]))) {
                lastBreak = i + 1;
                widthAtBreak = x;
            }
            ++i;
        }
        if (i >= end) {
            e.Lines.push_back(TLine{pos, end - pos, breakLen, x});
            return;
        }
        if (IsBlank(e.Text[size_t(i)])) {
            // Blanks at a wrap stay at the end of the line they follow.
            while (i < end && IsBlank(e.Text[size_t(i)])) {
                x += CharAdvance(e, i, x);
                ++i;
            }
            if (i >= end) {
                e.Lines.push_back(TLine{pos, end - pos, breakLen, x});
                return;
            }
            e.Lines.push_back(TLine{pos, i - pos, 0, x});
            pos = i;
        } else if (lastBreak > pos) {
            e.Lines.push_back(TLine{pos, lastBreak - pos, 0, widthAtBreak});
            pos = lastBreak;
        } else {
            // A word longer than the line is broken where the line is full.
            e.Lines.push_back(TLine{pos, i - pos, 0, x});
            pos = i;
        }
    }
}

void Put(String& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

} // namespace

// ---- Strings ---------------------------------------------------------------------------------

std::u32string DecodeUtf8(const char* text, std::size_t bytes) { return DecodeUtf8(String(text, bytes)); }

std::u32string DecodeUtf8(const String& text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i))
        out += Utf8CodePointAt(text, i);
    return out;
}

String EncodeUtf8(const std::u32string& text, std::size_t from, std::size_t count) {
    String out;
    std::size_t end = count == std::u32string::npos ? text.size() : std::min(text.size(), from + count);
    for (std::size_t i = from; i < end; ++i)
        Put(out, text[i]);
    return out;
}

std::u16string EncodeUtf16(const std::u32string& text, std::size_t from, std::size_t count) {
    std::u16string out;
    std::size_t end = std::min(text.size(), from + count);
    for (std::size_t i = from; i < end; ++i) {
        char32_t c = text[i];
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c >= 0x110000 ? 0xFFFD : c);
        }
    }
    return out;
}

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0x3000; }
bool IsLineBreak(char32_t c) { return c == U'\r' || c == U'\n'; }

// ---- Measuring ---------------------------------------------------------------------------------

HFONT EditFont(const TEdit& e) { return e.Font ? e.Font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)); }

TMeasure::TMeasure(const TEdit& e) {
    Dc = CreateCompatibleDC(nullptr);
    FOld = SelectObject(Dc, EditFont(e));
}

TMeasure::~TMeasure() {
    SelectObject(Dc, FOld);
    DeleteDC(Dc);
}

int CharAdvance(const TEdit& e, int offset, int x) {
    if (e.Text[size_t(offset)] == U'\t' && !e.PasswordChar) {
        int stop = TabStop(e);
        return stop - x % stop;
    }
    return e.Advance[size_t(offset)];
}

void UpdateFormatRect(TEdit& e) {
    if (e.FormatSet) return;
    RECT client{};
    GetClientRect(e.Handle, &client);
    e.Format = RECT{client.left + e.MarginLeft, client.top, client.right - e.MarginRight, client.bottom};
    if (e.Format.right < e.Format.left) e.Format.right = e.Format.left;
}

void Relayout(TEdit& e) {
    TMeasure m(e);
    TEXTMETRICA tm{};
    GetTextMetricsA(m.Dc, &tm);
    e.LineHeight = std::max<int>(1, tm.tmHeight);
    e.AveCharWidth = std::max<int>(1, tm.tmAveCharWidth);

    const int n = e.Length();
    e.Advance.assign(size_t(n), 0);
    if (e.PasswordChar) {
        std::u16string one = EncodeUtf16(std::u32string(1, e.PasswordChar), 0, 1);
        SIZE size{};
        GetTextExtentPoint32W(m.Dc, one.data(), int(one.size()), &size);
        std::fill(e.Advance.begin(), e.Advance.end(), int(size.cx));
    } else if (n > 0) {
        // One measuring call for the whole text; tabs and line breaks take no room of their own.
        std::u16string units;
        std::vector<int> unitEnd(static_cast<size_t>(n));
        units.reserve(size_t(n));
        for (int i = 0; i < n; ++i) {
            char32_t c = e.Text[size_t(i)];
            if (c == U'\t' || (e.Multi() && IsLineBreak(c))) c = U' ';
            units += EncodeUtf16(std::u32string(1, c), 0, 1);
            unitEnd[size_t(i)] = int(units.size());
        }
        std::vector<INT> partial(units.size());
        SIZE size{};
        GetTextExtentExPointW(m.Dc, units.data(), int(units.size()), 0, nullptr, partial.data(), &size);
        int before = 0;
        for (int i = 0; i < n; ++i) {
            int end = partial[size_t(unitEnd[size_t(i)] - 1)];
            char32_t c = e.Text[size_t(i)];
            e.Advance[size_t(i)] = (c == U'\t' || (e.Multi() && IsLineBreak(c))) ? 0 : end - before;
            before = end;
        }
    }

    e.Lines.clear();
    if (!e.Multi()) {
        int x = 0;
        for (int i = 0; i < n; ++i)
            x += CharAdvance(e, i, x);
        e.Lines.push_back(TLine{0, n, 0, x});
    } else {
        bool wrap = e.Wraps();
        int width = std::max<int>(1, e.Format.right - e.Format.left);
        int start = 0;
        for (int i = 0; i <= n; ++i) {
            if (i == n) {
                WrapHardLine(e, start, n, 0, wrap, width);
                break;
            }
            char32_t c = e.Text[size_t(i)];
            if (!IsLineBreak(c)) continue;
            int len = (c == U'\r' && i + 1 < n && e.Text[size_t(i + 1)] == U'\n') ? 2 : 1;
            WrapHardLine(e, start, i, len, wrap, width);
            i += len - 1;
            start = i + 1;
        }
    }
    e.MaxWidth = 0;
    for (const TLine& line : e.Lines)
        e.MaxWidth = std::max(e.MaxWidth, line.Width);
    e.FirstLine = std::clamp(e.FirstLine, 0, int(e.Lines.size()) - 1);
}

// ---- Positions -------------------------------------------------------------------------------

int LineOf(const TEdit& e, int offset) {
    auto it = std::upper_bound(e.Lines.begin(), e.Lines.end(), offset,
                               [](int off, const TLine& line) { return off < line.Start; });
    if (it == e.Lines.begin()) return 0;
    return int(it - e.Lines.begin()) - 1;
}

int CaretLine(const TEdit& e) {
    int line = LineOf(e, e.Caret);
    if (e.CaretAtLineEnd && line > 0 && e.Lines[size_t(line)].Start == e.Caret &&
        e.Lines[size_t(line - 1)].Break == 0)
        --line;
    return line;
}

int VisibleLines(const TEdit& e) { return std::max(1, int(e.Format.bottom - e.Format.top) / e.LineHeight); }

int XInLine(const TEdit& e, int line, int offset) {
    const TLine& l = e.Lines[size_t(line)];
    int end = std::min(offset, l.Start + l.Length);
    int x = 0;
    for (int i = l.Start; i < end; ++i)
        x += CharAdvance(e, i, x);
    return x;
}

int LineOriginX(const TEdit& e, int line) {
    int avail = int(e.Format.right - e.Format.left) - 1; // room for the caret after the last character
    int width = e.Lines[size_t(line)].Width;
    int shift = 0;
    if (width < avail) {
        if (e.Style & ES_RIGHT)
            shift = avail - width;
        else if (e.Style & ES_CENTER)
            shift = (avail - width) / 2;
    }
    return int(e.Format.left) + shift - e.ScrollX;
}

int LineTopY(const TEdit& e, int line) { return int(e.Format.top) + (line - e.FirstLine) * e.LineHeight; }

POINT PosOfOffset(const TEdit& e, int offset, bool atLineEnd) {
    int line = LineOf(e, offset);
    if (atLineEnd && line > 0 && e.Lines[size_t(line)].Start == offset &&
        e.Lines[size_t(line - 1)].Break == 0)
        --line;
    return POINT{LineOriginX(e, line) + XInLine(e, line, offset), LineTopY(e, line)};
}

POINT CaretPos(const TEdit& e) { return PosOfOffset(e, e.Caret, e.CaretAtLineEnd); }

int OffsetInLine(const TEdit& e, int line, int clientX, bool* atLineEnd) {
    const TLine& l = e.Lines[size_t(line)];
    int x = clientX - LineOriginX(e, line);
    int cx = 0;
    if (atLineEnd) *atLineEnd = false;
    for (int i = l.Start; i < l.Start + l.Length; ++i) {
        int adv = CharAdvance(e, i, cx);
        if (x < cx + adv / 2 + adv % 2) return i;
        cx += adv;
    }
    if (atLineEnd && l.Break == 0 && line + 1 < int(e.Lines.size())) *atLineEnd = true;
    return l.Start + l.Length;
}

int OffsetAt(const TEdit& e, POINT client, bool* atLineEnd) {
    int line = 0;
    if (e.Multi()) {
        int dy = int(client.y - e.Format.top);
        int rows = dy >= 0 ? dy / e.LineHeight : -((-dy + e.LineHeight - 1) / e.LineHeight);
        line = std::clamp(e.FirstLine + rows, 0, int(e.Lines.size()) - 1);
    }
    return OffsetInLine(e, line, client.x, atLineEnd);
}

int WordLeft(const TEdit& e, int offset) {
    int i = offset;
    if (i > 0 && IsLineBreak(e.Text[size_t(i - 1)]) && e.Multi()) {
        --i;
        if (i > 0 && e.Text[size_t(i)] == U'\n' && e.Text[size_t(i - 1)] == U'\r') --i;
        return i;
    }
    while (i > 0 && IsBlank(e.Text[size_t(i - 1)]))
        --i;
    while (i > 0 && !IsDelimiter(e.Text[size_t(i - 1)]))
        --i;
    return i;
}

int WordRight(const TEdit& e, int offset) {
    const int n = e.Length();
    int i = offset;
    if (i < n && IsLineBreak(e.Text[size_t(i)]) && e.Multi()) {
        if (e.Text[size_t(i)] == U'\r' && i + 1 < n && e.Text[size_t(i + 1)] == U'\n') ++i;
        return i + 1;
    }
    while (i < n && !IsDelimiter(e.Text[size_t(i)]))
        ++i;
    while (i < n && IsBlank(e.Text[size_t(i)]))
        ++i;
    return i;
}

int Snap(const TEdit& e, int offset) {
    offset = std::clamp(offset, 0, e.Length());
    if (e.Multi() && offset > 0 && offset < e.Length() && e.Text[size_t(offset - 1)] == U'\r' &&
        e.Text[size_t(offset)] == U'\n')
        --offset;
    return offset;
}

} // namespace WinEditImpl

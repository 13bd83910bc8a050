// Painting the edit in the classic look: the background and text colours the parent chooses,
// the selection in the highlight colours, password characters and the alignments.
#include <algorithm>

#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinCaret.h"
#include "platform/winapi/WinEdit_Internal.h"

namespace WinEditImpl {

namespace {

// Asks the parent for the brush (and the text colours) of a read-only or disabled edit
// (WM_CTLCOLORSTATIC) or of an editable one (WM_CTLCOLOREDIT). The text is drawn in the colour
// the answer chose: the default answer greys a disabled edit's text.
HBRUSH BackgroundBrush(TEdit& e, HDC dc, bool disabled) {
    UINT message = (e.ReadOnly() || disabled) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    HWND parent = GetParent(e.Handle);
    LRESULT brush = parent ? SendMessageA(parent, message, WPARAM(dc), LPARAM(e.Handle))
                           : DefWindowProcA(e.Handle, message, WPARAM(dc), LPARAM(e.Handle));
    if (brush) return reinterpret_cast<HBRUSH>(brush);
    return GetSysColorBrush(message == WM_CTLCOLOREDIT ? COLOR_WINDOW : COLOR_3DFACE);
}

void DrawRun(TEdit& e, HDC dc, int x, int y, int from, int to, const std::vector<int>& xs, int lineStart) {
    std::u16string units;
    std::vector<INT> dx;
    for (int i = from; i < to; ++i) {
        char32_t c = e.PasswordChar ? e.PasswordChar : e.Text[size_t(i)];
        if (c == U'\t' || (e.Multi() && IsLineBreak(c))) c = U' ';
        std::u16string one = EncodeUtf16(std::u32string(1, c), 0, 1);
        units += one;
        dx.push_back(xs[size_t(i + 1 - lineStart)] - xs[size_t(i - lineStart)]);
        if (one.size() == 2) dx.push_back(0);
    }
    if (!units.empty()) ExtTextOutW(dc, x, y, 0, nullptr, units.data(), UINT(units.size()), dx.data());
}

void DrawLine(TEdit& e, HDC dc, int line, bool showSelection, COLORREF textColor) {
    const TLine& l = e.Lines[size_t(line)];
    const int start = l.Start, end = l.Start + l.Length;
    const int x0 = LineOriginX(e, line), y = LineTopY(e, line);
    std::vector<int> xs(size_t(l.Length + 1), 0);
    for (int i = start; i < end; ++i)
        xs[size_t(i - start + 1)] = xs[size_t(i - start)] + CharAdvance(e, i, xs[size_t(i - start)]);

    int selStart = showSelection ? std::clamp(e.SelStart(), start, end) : end;
    int selEnd = showSelection ? std::clamp(e.SelEnd(), start, end) : end;
    const int bounds[4] = {start, selStart, selEnd, end};
    for (int k = 0; k < 3; ++k) {
        int from = bounds[k], to = bounds[k + 1];
        if (from >= to) continue;
        bool selected = k == 1;
        if (selected) {
            RECT r{x0 + xs[size_t(from - start)], y, x0 + xs[size_t(to - start)], y + e.LineHeight};
            FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else {
            SetTextColor(dc, textColor);
        }
        DrawRun(e, dc, x0 + xs[size_t(from - start)], y, from, to, xs, start);
    }
}

} // namespace

void PaintOn(TEdit& e, HDC dc) {
    HWND hwnd = e.Handle;
    RECT client{};
    GetClientRect(hwnd, &client);
    int saved = SaveDC(dc);
    SelectObject(dc, EditFont(e));
    bool disabled = !IsWindowShownEnabled(hwnd);
    HBRUSH brush = BackgroundBrush(e, dc, disabled);
    if (e.Dead) {
        RestoreDC(dc, saved);
        return;
    }
    COLORREF textColor = GetTextColor(dc);
    FillRect(dc, &client, brush);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    IntersectClipRect(dc, e.Format.left, e.Format.top, e.Format.right, e.Format.bottom);
    bool showSelection = e.SelStart() != e.SelEnd() && (e.Focused || (e.Style & ES_NOHIDESEL));
    int first = e.Multi() ? e.FirstLine : 0;
    int last = e.Multi() ? std::min(int(e.Lines.size()), first + VisibleLines(e) + 1) : 1;
    for (int line = first; line < last; ++line)
        DrawLine(e, dc, line, showSelection, textColor);
    RestoreDC(dc, saved);
}

void Paint(TEdit& e, HDC given) {
    if (given) {
        // Painting into a context of the caller's (a buffer); the window's own pixels stay.
        PaintOn(e, given);
        return;
    }
    HWND hwnd = e.Handle;
    // The caret is taken off while the pixels under it change.
    bool caretHidden = HideCaret(hwnd);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) PaintOn(e, dc);
    EndPaint(hwnd, &ps);
    if (caretHidden && !e.Dead) ShowCaret(hwnd);
}

} // namespace WinEditImpl

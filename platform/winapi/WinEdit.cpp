// The edit window class: its registration, its window procedure and the messages that change
// or report its text, selection, view and settings.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/WinCaret.h"
#include "platform/winapi/WinEdit_Internal.h"
#include "platform/winapi/WinInternal.h"
#include "platform/winapi/WinScroll.h"

namespace WinEditImpl {

namespace {

std::mutex gEditsLock;
std::unordered_map<HWND, std::shared_ptr<TEdit>>& Edits() {
    static auto* edits = new std::unordered_map<HWND, std::shared_ptr<TEdit>>;
    return *edits;
}

int FormatWidth(const TEdit& e) { return int(e.Format.right - e.Format.left); }

int MaxFirstLine(const TEdit& e) { return std::max(0, int(e.Lines.size()) - VisibleLines(e)); }

int MaxScrollX(const TEdit& e) { return std::max(0, e.MaxWidth + 1 - FormatWidth(e)); }

// Whether the text stays within what an edit that does not scroll can show.
bool Fits(const TEdit& e) {
    if (!e.Multi()) return e.AutoH() || e.Lines[0].Width < FormatWidth(e);
    return e.AutoV() || int(e.Lines.size()) <= VisibleLines(e);
}

void RecordUndo(TEdit& e, int start, const std::u32string& deleted, int inserted, TUndoKind kind) {
    TUndo& u = e.Undo;
    bool open = e.UndoOpen && u.Valid;
    int end = start + int(deleted.size());
    switch (kind) {
    case TUndoKind::None:
        u = TUndo{};
        e.UndoOpen = false;
        return;
    case TUndoKind::Typing:
        if (open && deleted.empty() && start == u.Pos + u.Inserted) {
            u.Inserted += inserted;
            return;
        }
        break;
    case TUndoKind::Backspace:
        if (open && inserted == 0 && end == u.Pos + u.Inserted) {
            if (start >= u.Pos) {
                u.Inserted -= end - start;
            } else {
                u.Deleted = deleted.substr(0, size_t(u.Pos - start)) + u.Deleted;
                u.Inserted = 0;
                u.Pos = start;
            }
            return;
        }
        break;
    case TUndoKind::Delete:
        if (open && inserted == 0 && u.Inserted == 0 && start == u.Pos) {
            u.Deleted += deleted;
            return;
        }
        break;
    case TUndoKind::Fresh:
        break;
    }
    u = TUndo{true, start, deleted, inserted};
    e.UndoOpen = kind != TUndoKind::Fresh;
}

// After the text changed: the view, the caret, the bars and the notifications.
bool TextChanged(TEdit& e, bool notify) {
    SyncWindowText(e);
    ScrollToCaret(e);
    UpdateCaret(e);
    UpdateScrollBars(e);
    if (notify && !Notify(e, EN_UPDATE)) return false;
    Redraw(e);
    if (notify && !Notify(e, EN_CHANGE)) return false;
    return true;
}

void ViewChanged(TEdit& e) {
    UpdateCaret(e);
    UpdateScrollBars(e);
    Redraw(e);
}

void FontMargins(TEdit& e) {
    TMeasure m(e);
    TEXTMETRICA tm{};
    GetTextMetricsA(m.Dc, &tm);
    int margin = (int(tm.tmAveCharWidth) + 2) / 4;
    e.MarginLeft = margin;
    e.MarginRight = margin;
}

void Reformat(TEdit& e) {
    UpdateFormatRect(e);
    Relayout(e);
    e.FirstLine = std::min(e.FirstLine, MaxFirstLine(e));
    e.ScrollX = e.AutoH() ? std::min(e.ScrollX, MaxScrollX(e)) : 0;
}

void SetStyleBit(TEdit& e, DWORD bit, bool on) {
    DWORD style = DWORD(GetWindowLongA(e.Handle, GWL_STYLE));
    DWORD wanted = on ? (style | bit) : (style & ~bit);
    if (wanted != style) SetWindowLongA(e.Handle, GWL_STYLE, LONG_PTR(wanted));
    e.Style = on ? (e.Style | bit) : (e.Style & ~bit);
}

void ScrollLines(TEdit& e, int delta) { e.FirstLine = std::clamp(e.FirstLine + delta, 0, MaxFirstLine(e)); }

bool VScroll(TEdit& e, int code, int pos) {
    int old = e.FirstLine;
    switch (WORD(code)) {
    case SB_LINEUP:
        ScrollLines(e, -1);
        break;
    case SB_LINEDOWN:
        ScrollLines(e, 1);
        break;
    case SB_PAGEUP:
        ScrollLines(e, -VisibleLines(e));
        break;
    case SB_PAGEDOWN:
        ScrollLines(e, VisibleLines(e));
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        e.FirstLine = std::clamp(pos, 0, MaxFirstLine(e));
        break;
    case SB_TOP:
        e.FirstLine = 0;
        break;
    case SB_BOTTOM:
        e.FirstLine = MaxFirstLine(e);
        break;
    default:
        return false;
    }
    return e.FirstLine != old;
}

bool HScroll(TEdit& e, int code, int pos) {
    if (!e.AutoH()) return false;
    int old = e.ScrollX;
    int page = std::max(1, FormatWidth(e));
    switch (WORD(code)) {
    case SB_LINEUP:
        e.ScrollX -= e.AveCharWidth;
        break;
    case SB_LINEDOWN:
        e.ScrollX += e.AveCharWidth;
        break;
    case SB_PAGEUP:
        e.ScrollX -= page;
        break;
    case SB_PAGEDOWN:
        e.ScrollX += page;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        e.ScrollX = pos;
        break;
    case SB_TOP:
        e.ScrollX = 0;
        break;
    case SB_BOTTOM:
        e.ScrollX = MaxScrollX(e);
        break;
    default:
        return false;
    }
    e.ScrollX = std::clamp(e.ScrollX, 0, MaxScrollX(e));
    return e.ScrollX != old;
}

// Copies UTF-8 into a buffer of size bytes, cut at a whole character; returns the bytes copied.
int CopyWhole(const String& text, char* buffer, int size) {
    int n = std::min<int>(int(text.size()), size);
    while (n > 0 && n < int(text.size()) && (static_cast<unsigned char>(text[size_t(n)]) & 0xC0) == 0x80)
        --n;
    std::memcpy(buffer, text.data(), size_t(n));
    return n;
}

LRESULT OnSetSel(TEdit& e, WPARAM wParam, LPARAM lParam) {
    int anchor = int(wParam);
    int caret = int(lParam);
    int len = e.Length();
    if (anchor == -1) {
        anchor = e.Caret;
        caret = e.Caret;
    } else {
        if (caret < 0 || caret > len) caret = len;
        anchor = std::clamp(anchor, 0, len);
    }
    e.Anchor = Snap(e, anchor);
    e.Caret = Snap(e, caret);
    e.CaretAtLineEnd = false;
    e.PreferredX = -1;
    e.UndoOpen = false;
    ScrollToCaret(e);
    ViewChanged(e);
    return 0;
}

LRESULT OnGetLine(TEdit& e, WPARAM wParam, LPARAM lParam) {
    char* buffer = reinterpret_cast<char*>(lParam);
    if (!buffer) return 0;
    WORD size = 0;
    std::memcpy(&size, buffer, sizeof(size));
    int start = 0, count = e.Length();
    if (e.Multi()) {
        int line = int(wParam);
        if (line < 0 || line >= int(e.Lines.size())) return 0;
        start = e.Lines[size_t(line)].Start;
        count = e.Lines[size_t(line)].Length;
    }
    return CopyWhole(EncodeUtf8(e.Text, size_t(start), size_t(count)), buffer, size);
}

LRESULT OnLineLength(TEdit& e, WPARAM wParam) {
    int offset = int(wParam);
    if (!e.Multi()) return offset == -1 ? e.Length() - (e.SelEnd() - e.SelStart()) : e.Length();
    if (offset == -1) {
        const TLine& first = e.Lines[size_t(LineOf(e, e.SelStart()))];
        const TLine& last = e.Lines[size_t(LineOf(e, e.SelEnd()))];
        return std::max(0, e.SelStart() - first.Start) + std::max(0, last.Start + last.Length - e.SelEnd());
    }
    if (offset < 0 || offset > e.Length()) return 0;
    return e.Lines[size_t(LineOf(e, offset))].Length;
}

LRESULT OnCharFromPos(TEdit& e, LPARAM lParam) {
    bool atLineEnd = false;
    int offset = OffsetAt(e, MakePointFromLParam(lParam), &atLineEnd);
    int line = e.Multi() ? LineOf(e, offset) - (atLineEnd ? 1 : 0) : 0;
    return LRESULT(MAKELONG(WORD(offset), WORD(line)));
}

LRESULT OnFirstVisible(TEdit& e) {
    if (e.Multi()) return e.FirstLine;
    int x = 0;
    for (int i = 0; i < e.Length(); ++i) {
        if (x >= e.ScrollX) return i;
        x += CharAdvance(e, i, x);
    }
    return e.Length();
}

void OnSetFocus(TEdit& e) {
    e.Focused = true;
    CreateCaret(e.Handle, nullptr, 1, e.LineHeight);
    UpdateCaret(e);
    ShowCaret(e.Handle);
    Redraw(e);
    Notify(e, EN_SETFOCUS);
}

void OnKillFocus(TEdit& e) {
    e.Focused = false;
    if (e.Dragging) OnMouseUp(e);
    if (HideCaret(e.Handle)) DestroyCaret();
    Redraw(e);
    Notify(e, EN_KILLFOCUS);
}

void OnSetFont(TEdit& e, HFONT font, bool redraw) {
    e.Font = font;
    FontMargins(e);
    Reformat(e);
    ScrollToCaret(e);
    if (e.Focused && HideCaret(e.Handle)) {
        DestroyCaret();
        CreateCaret(e.Handle, nullptr, 1, e.LineHeight);
        UpdateCaret(e);
        ShowCaret(e.Handle);
    }
    UpdateScrollBars(e);
    if (redraw) Redraw(e);
}

LRESULT Dispatch(TEdit& e, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = e.Handle;
    switch (message) {
    case WM_CREATE:
        Reformat(e);
        SyncWindowText(e);
        UpdateScrollBars(e);
        return 0;
    case WM_DESTROY:
        if (e.Focused && HideCaret(hwnd)) DestroyCaret();
        if (e.DragTimer) KillTimer(hwnd, DragTimerId);
        e.DragTimer = false;
        return 0;
    case WM_SIZE:
        e.FormatSet = false;
        Reformat(e);
        ViewChanged(e);
        return 0;
    case WM_STYLECHANGED:
        if (int(wParam) == GWL_STYLE && lParam) {
            DWORD style = reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew;
            if ((style & ES_PASSWORD) && !(e.Style & ES_PASSWORD) && !e.PasswordChar) e.PasswordChar = U'*';
            if (!(style & ES_PASSWORD) && (e.Style & ES_PASSWORD)) e.PasswordChar = 0;
            e.Style = style;
            Reformat(e);
            ViewChanged(e);
        }
        return 0;
    case WM_ENABLE:
        Redraw(e);
        return 0;
    case WM_SETFONT:
        OnSetFont(e, reinterpret_cast<HFONT>(wParam), LOWORD(std::uintptr_t(lParam)) != 0);
        return 0;
    case WM_GETFONT:
        return LRESULT(e.Font);
    case WM_SETTEXT:
        e.Text = DecodeUtf8(lParam ? String(reinterpret_cast<const char*>(lParam)) : String());
        e.Anchor = e.Caret = 0;
        e.CaretAtLineEnd = false;
        e.PreferredX = -1;
        e.Undo = TUndo{};
        e.UndoOpen = false;
        e.Modified = false;
        e.ScrollX = 0;
        e.FirstLine = 0;
        Relayout(e);
        // A multi-line edit does not report text set by the program.
        TextChanged(e, !e.Multi());
        return TRUE;
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        int size = int(wParam);
        if (!buffer || size <= 0) return 0;
        int n = CopyWhole(EncodeUtf8(e.Text), buffer, size - 1);
        buffer[n] = '\0';
        return n;
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(EncodeUtf8(e.Text).size());
    case WM_SETFOCUS:
        OnSetFocus(e);
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(e);
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (e.Multi()) code |= DLGC_WANTALLKEYS;
        if (const MSG* msg = reinterpret_cast<const MSG*>(lParam)) {
            if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
                // A dialog keeps Tab, and Enter unless the edit wants returns.
                if (msg->wParam == WPARAM(VK_TAB)) code &= ~DLGC_WANTALLKEYS;
                if (msg->wParam == WPARAM(VK_RETURN) && !(e.Style & ES_WANTRETURN)) code &= ~DLGC_WANTALLKEYS;
            }
        }
        return code;
    }
    case WM_KEYDOWN:
        OnKeyDown(e, wParam);
        return 0;
    case WM_CHAR:
        OnChar(e, char32_t(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnMouseDown(e, MakePointFromLParam(lParam), wParam, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(e, MakePointFromLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (e.Dragging) OnMouseUp(e);
        return 0;
    case WM_CAPTURECHANGED:
        if (e.Dragging && HWND(lParam) != hwnd) OnMouseUp(e);
        return 0;
    case WM_TIMER:
        if (wParam == DragTimerId) {
            OnDragTimer(e);
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        OnContextMenu(e, lParam);
        return 0;
    case WM_SETCURSOR:
        if (HWND(wParam) == hwnd && LOWORD(std::uintptr_t(lParam)) == WORD(HTCLIENT)) {
            SetCursor(LoadCursorA(nullptr, IDC_IBEAM));
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole client area
    case WM_PAINT:
        Paint(e, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PRINTCLIENT:
        if (wParam) Paint(e, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        if (e.Multi()) {
            bool moved = message == WM_VSCROLL
                             ? VScroll(e, LOWORD(wParam), int(HIWORD(wParam)))
                             : (ScrollLines(e, -3 * GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA), true);
            UpdateScrollBars(e);
            UpdateCaret(e);
            if (!Notify(e, EN_VSCROLL)) return 0;
            if (moved) Redraw(e);
            return 0;
        }
        break;
    case WM_HSCROLL:
        if (HScroll(e, LOWORD(wParam), int(HIWORD(wParam)))) {
            UpdateScrollBars(e);
            UpdateCaret(e);
            if (!Notify(e, EN_HSCROLL)) return 0;
            Redraw(e);
        }
        return 0;
    case WM_CUT:
        CutSelection(e);
        return 0;
    case WM_COPY:
        CopySelection(e);
        return 0;
    case WM_PASTE:
        PasteClipboard(e);
        return 0;
    case WM_CLEAR:
        ClearSelection(e);
        return 0;
    case WM_UNDO:
    case EM_UNDO:
        return !e.ReadOnly() && DoUndo(e);

    case EM_GETSEL: {
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = DWORD(e.SelStart());
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = DWORD(e.SelEnd());
        if (e.SelEnd() > 0xFFFF) return -1;
        return LRESULT(MAKELONG(WORD(e.SelStart()), WORD(e.SelEnd())));
    }
    case EM_SETSEL:
        return OnSetSel(e, wParam, lParam);
    case EM_REPLACESEL: {
        std::u32string text = DecodeUtf8(lParam ? String(reinterpret_cast<const char*>(lParam)) : String());
        ReplaceSelection(e, std::move(text), wParam ? TUndoKind::Fresh : TUndoKind::None, true);
        return 0;
    }
    case EM_GETRECT:
        if (lParam) *reinterpret_cast<RECT*>(lParam) = e.Format;
        return 0;
    case EM_SETRECT:
    case EM_SETRECTNP:
        if (lParam) {
            e.Format = *reinterpret_cast<const RECT*>(lParam);
            if (e.Format.right < e.Format.left) e.Format.right = e.Format.left;
            if (e.Format.bottom < e.Format.top) e.Format.bottom = e.Format.top;
            e.FormatSet = true;
        } else {
            e.FormatSet = false;
        }
        Reformat(e);
        UpdateCaret(e);
        UpdateScrollBars(e);
        if (message == EM_SETRECT) Redraw(e);
        return 0;
    case EM_SETMARGINS:
        if (wParam == EC_USEFONTINFO) {
            FontMargins(e);
        } else {
            if (wParam & EC_LEFTMARGIN) e.MarginLeft = LOWORD(std::uintptr_t(lParam));
            if (wParam & EC_RIGHTMARGIN) e.MarginRight = HIWORD(std::uintptr_t(lParam));
        }
        Reformat(e);
        ViewChanged(e);
        return 0;
    case EM_GETMARGINS:
        return LRESULT(MAKELONG(WORD(e.MarginLeft), WORD(e.MarginRight)));
    case EM_LIMITTEXT:
        e.Limit = wParam == 0 ? (e.Multi() ? Int64(0xFFFFFFFF) : Int64(0x7FFFFFFE))
                              : Int64(std::min<WPARAM>(wParam, 0xFFFFFFFF));
        return 0;
    case EM_GETLIMITTEXT:
        return LRESULT(e.Limit);
    case EM_POSFROMCHAR: {
        int offset = int(wParam);
        if (offset < 0 || offset >= e.Length()) return -1;
        POINT p = PosOfOffset(e, offset);
        return LRESULT(MAKELONG(WORD(p.x), WORD(p.y)));
    }
    case EM_CHARFROMPOS:
        return OnCharFromPos(e, lParam);
    case EM_SETREADONLY:
        SetStyleBit(e, ES_READONLY, wParam != 0);
        Redraw(e);
        return TRUE;
    case EM_CANUNDO:
        return e.Undo.Valid;
    case EM_EMPTYUNDOBUFFER:
        e.Undo = TUndo{};
        e.UndoOpen = false;
        return 0;
    case EM_GETMODIFY:
        return e.Modified;
    case EM_SETMODIFY:
        e.Modified = wParam != 0;
        return 0;
    case EM_SETPASSWORDCHAR:
        e.PasswordChar = char32_t(wParam);
        SetStyleBit(e, ES_PASSWORD, wParam != 0);
        Reformat(e);
        ScrollToCaret(e);
        ViewChanged(e);
        return 0;
    case EM_GETPASSWORDCHAR:
        return LRESULT(e.PasswordChar);
    case EM_GETLINECOUNT:
        return LRESULT(e.Lines.size());
    case EM_LINEINDEX: {
        int line = int(wParam);
        if (line == -1) line = CaretLine(e);
        if (line < 0 || line >= int(e.Lines.size())) return -1;
        return e.Lines[size_t(line)].Start;
    }
    case EM_LINEFROMCHAR: {
        int offset = int(wParam);
        if (offset == -1) return e.SelStart() != e.SelEnd() ? LineOf(e, e.SelStart()) : CaretLine(e);
        return LineOf(e, std::clamp(offset, 0, e.Length()));
    }
    case EM_LINELENGTH:
        return OnLineLength(e, wParam);
    case EM_GETLINE:
        return OnGetLine(e, wParam, lParam);
    case EM_LINESCROLL: {
        if (!e.Multi()) return FALSE;
        ScrollLines(e, int(lParam));
        if (e.AutoH()) e.ScrollX = std::clamp(e.ScrollX + int(wParam) * e.AveCharWidth, 0, MaxScrollX(e));
        ViewChanged(e);
        return TRUE;
    }
    case EM_GETFIRSTVISIBLELINE:
        return OnFirstVisible(e);
    case EM_SCROLLCARET:
        ScrollToCaret(e);
        ViewChanged(e);
        return TRUE;
    case EM_SCROLL: {
        if (!e.Multi()) return FALSE;
        int code = int(wParam);
        if (code < int(SB_LINEUP) || code > int(SB_PAGEDOWN)) return FALSE;
        int old = e.FirstLine;
        VScroll(e, code, 0);
        ViewChanged(e);
        return LRESULT(MAKELONG(WORD(e.FirstLine - old), WORD(TRUE)));
    }
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT EditWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto e = std::make_shared<TEdit>();
        e->Handle = hwnd;
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        e->Style = cs ? DWORD(cs->style) : DWORD(GetWindowLongA(hwnd, GWL_STYLE));
        if (e->Style & ES_PASSWORD) e->PasswordChar = U'*';
        if (cs && cs->lpszName && (std::uintptr_t(cs->lpszName) >> 16) != 0)
            e->Text = DecodeUtf8(String(cs->lpszName));
        {
            std::lock_guard<std::mutex> guard(gEditsLock);
            Edits()[hwnd] = e;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    std::shared_ptr<TEdit> e = FindEdit(hwnd);
    if (!e || e->Dead) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        e->Dead = true;
        {
            std::lock_guard<std::mutex> guard(gEditsLock);
            Edits().erase(hwnd);
        }
        WinCaretWindowDestroyed(hwnd);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return Dispatch(*e, message, wParam, lParam);
}

struct TRegistrar {
    TRegistrar() {
        WNDCLASSA wc;
        wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
        wc.lpfnWndProc = EditWndProc;
        wc.lpszClassName = "EDIT";
        RegisterClassA(&wc);
    }
};
const TRegistrar gRegistrar;

} // namespace

std::shared_ptr<TEdit> FindEdit(HWND window) {
    std::lock_guard<std::mutex> guard(gEditsLock);
    auto it = Edits().find(window);
    return it == Edits().end() ? nullptr : it->second;
}

void SyncWindowText(TEdit& e) {
    String text = EncodeUtf8(e.Text);
    using namespace WinInternal;
    TLock lock(StateMutex());
    if (TWnd* w = Find(e.Handle)) w->Text = std::move(text);
}

bool Notify(TEdit& e, WORD code) {
    if (e.Dead) return false;
    HWND parent = GetParent(e.Handle);
    if (parent) {
        WORD id = WORD(GetWindowLongA(e.Handle, GWL_ID));
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(e.Handle));
    }
    return !e.Dead;
}

bool ScrollToCaret(TEdit& e) {
    int oldFirst = e.FirstLine, oldX = e.ScrollX;
    int line = CaretLine(e);
    if (e.Multi()) {
        int visible = VisibleLines(e);
        if (line < e.FirstLine)
            e.FirstLine = line;
        else if (line >= e.FirstLine + visible)
            e.FirstLine = line - visible + 1;
    }
    if (e.AutoH()) {
        int width = std::max(1, FormatWidth(e));
        int x = CaretPos(e).x + e.ScrollX - int(e.Format.left); // content x of the caret
        if (x < e.ScrollX)
            e.ScrollX = std::max(0, x - width / 3);
        else if (x >= e.ScrollX + width)
            e.ScrollX = x - width + 1;
        e.ScrollX = std::clamp(e.ScrollX, 0, std::max(MaxScrollX(e), x - width + 1));
    } else {
        e.ScrollX = 0;
    }
    return e.FirstLine != oldFirst || e.ScrollX != oldX;
}

void UpdateCaret(TEdit& e) {
    if (!e.Focused) return;
    POINT p = CaretPos(e);
    SetCaretPos(p.x, p.y);
}

void UpdateScrollBars(TEdit& e) {
    // A multi-line edit's bars stay in place, disabled while there is nothing to scroll.
    if (!e.Multi()) return;
    auto set = [&](int bar, int max, int page, int pos, TScrollState& last) {
        TScrollState now{max, page, pos};
        if (now.Max == last.Max && now.Page == last.Page && now.Pos == last.Pos) return;
        last = now;
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = max;
        si.nPage = UINT(std::max(0, page));
        si.nPos = pos;
        SetScrollInfo(e.Handle, bar, &si, TRUE);
    };
    if (e.Style & WS_VSCROLL) set(SB_VERT, int(e.Lines.size()) - 1, VisibleLines(e), e.FirstLine, e.VertBar);
    if (e.Style & WS_HSCROLL) set(SB_HORZ, e.MaxWidth, FormatWidth(e), e.ScrollX, e.HorzBar);
}

void Redraw(TEdit& e) { InvalidateRect(e.Handle, nullptr, FALSE); }

void SelectionChanged(TEdit& e) {
    e.UndoOpen = false;
    ScrollToCaret(e);
    ViewChanged(e);
}

bool ReplaceSelection(TEdit& e, std::u32string text, TUndoKind undo, bool applyLimit) {
    const int start = e.SelStart(), end = e.SelEnd();
    bool maxed = false;
    if (applyLimit) {
        Int64 room = e.Limit - Int64(e.Length() - (end - start));
        if (Int64(text.size()) > room) {
            maxed = true;
            text.resize(size_t(std::max<Int64>(0, room)));
            // A line break is not split in two.
            if (!text.empty() && text.back() == U'\r') text.pop_back();
        }
    }
    if (maxed && text.empty()) {
        Notify(e, EN_MAXTEXT);
        return false;
    }
    if (start == end && text.empty()) return false;
    std::u32string deleted = e.Text.substr(size_t(start), size_t(end - start));
    e.Text.replace(size_t(start), size_t(end - start), text);
    Relayout(e);
    if (applyLimit && !Fits(e)) {
        // An edit that does not scroll takes only what it can show.
        maxed = true;
        while (!text.empty() && !Fits(e)) {
            e.Text.erase(size_t(start) + text.size() - 1, 1);
            text.pop_back();
            Relayout(e);
        }
        if (!Fits(e) || (text.empty() && deleted.empty())) {
            e.Text.replace(size_t(start), text.size(), deleted);
            Relayout(e);
            Notify(e, EN_MAXTEXT);
            return false;
        }
    }
    RecordUndo(e, start, deleted, int(text.size()), undo);
    e.Anchor = e.Caret = start + int(text.size());
    e.CaretAtLineEnd = false;
    e.PreferredX = -1;
    e.Modified = true;
    if (maxed && !Notify(e, EN_MAXTEXT)) return false;
    return TextChanged(e, true);
}

bool DoUndo(TEdit& e) {
    if (!e.Undo.Valid) return false;
    TUndo u = e.Undo;
    u.Pos = std::clamp(u.Pos, 0, e.Length());
    u.Inserted = std::clamp(u.Inserted, 0, e.Length() - u.Pos);
    std::u32string current = e.Text.substr(size_t(u.Pos), size_t(u.Inserted));
    e.Text.replace(size_t(u.Pos), size_t(u.Inserted), u.Deleted);
    // Undoing again puts the change back.
    e.Undo = TUndo{true, u.Pos, current, int(u.Deleted.size())};
    e.UndoOpen = false;
    e.Anchor = u.Pos;
    e.Caret = u.Pos + int(u.Deleted.size());
    e.CaretAtLineEnd = false;
    e.PreferredX = -1;
    e.Modified = true;
    Relayout(e);
    return TextChanged(e, true);
}

} // namespace WinEditImpl

// The edit's keyboard, mouse, clipboard and context-menu handling.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinEdit_Internal.h"

namespace WinEditImpl {

namespace {

std::mutex gRunnerLock;
TEditContextMenuRunner& Runner() {
    static auto* runner = new TEditContextMenuRunner;
    return *runner;
}

bool IsDelimiter(char32_t c) { return IsBlank(c) || IsLineBreak(c); }

int PrevChar(const TEdit& e, int offset) {
    if (offset <= 0) return 0;
    --offset;
    if (e.Multi() && offset > 0 && e.Text[size_t(offset)] == U'\n' && e.Text[size_t(offset - 1)] == U'\r')
        --offset;
    return offset;
}

int NextChar(const TEdit& e, int offset) {
    if (offset >= e.Length()) return e.Length();
    if (e.Multi() && e.Text[size_t(offset)] == U'\r' && offset + 1 < e.Length() &&
        e.Text[size_t(offset + 1)] == U'\n')
        return offset + 2;
    return offset + 1;
}

bool Down(int key) { return GetKeyState(key) < 0; }

// Whether the window (through a subclass, maybe) takes this key rather than leaving it to a dialog.
bool WantsKey(TEdit& e, int key) {
    MSG msg;
    msg.hwnd = e.Handle;
    msg.message = WM_CHAR;
    msg.wParam = WPARAM(key);
    LRESULT code = SendMessageA(e.Handle, WM_GETDLGCODE, WPARAM(key), LPARAM(&msg));
    LRESULT wanted = key == VK_TAB ? (DLGC_WANTTAB | DLGC_WANTALLKEYS) : DLGC_WANTALLKEYS;
    return (code & wanted) != 0;
}

char32_t ApplyCase(const TEdit& e, char32_t c) {
    if (e.Style & ES_UPPERCASE) return UnicodeToUpper(c);
    if (e.Style & ES_LOWERCASE) return UnicodeToLower(c);
    return c;
}

void ApplyCase(const TEdit& e, std::u32string& text) {
    for (char32_t& c : text)
        c = ApplyCase(e, c);
}

void Backspace(TEdit& e) {
    if (e.ReadOnly()) return;
    if (e.SelStart() == e.SelEnd()) {
        if (e.Caret == 0) return;
        e.Anchor = PrevChar(e, e.Caret);
    }
    ReplaceSelection(e, {}, TUndoKind::Backspace, false);
}

void DeleteForward(TEdit& e) {
    if (e.ReadOnly()) return;
    if (e.SelStart() == e.SelEnd()) {
        if (e.Caret >= e.Length()) return;
        e.Anchor = e.Caret;
        e.Caret = NextChar(e, e.Caret);
    }
    ReplaceSelection(e, {}, TUndoKind::Delete, false);
}

// The column Up, Down, Page Up and Page Down keep to, in client pixels of the current view.
int Column(TEdit& e) {
    if (e.PreferredX < 0) e.PreferredX = CaretPos(e).x + e.ScrollX;
    return e.PreferredX - e.ScrollX;
}

void SelectWordAt(TEdit& e, int offset) {
    const int n = e.Length();
    int s = offset, t = offset;
    auto word = [&](int i) { return i >= 0 && i < n && !IsDelimiter(e.Text[size_t(i)]); };
    auto blank = [&](int i) { return i >= 0 && i < n && IsBlank(e.Text[size_t(i)]); };
    if (word(offset) || word(offset - 1)) {
        if (!word(offset)) s = t = offset - 1;
        while (word(s - 1))
            --s;
        while (word(t))
            ++t;
    } else if (blank(offset)) {
        while (blank(s - 1))
            --s;
        while (blank(t))
            ++t;
    }
    e.Anchor = s;
    e.Caret = t;
    e.CaretAtLineEnd = false;
}

void ExtendTo(TEdit& e, POINT p) {
    bool atLineEnd = false;
    int offset = OffsetAt(e, p, &atLineEnd);
    if (offset == e.Caret && atLineEnd == e.CaretAtLineEnd) return;
    e.Caret = offset;
    e.CaretAtLineEnd = atLineEnd;
    SelectionChanged(e);
}

std::vector<TEditMenuItem> Items(const TEdit& e) {
    bool selection = e.SelStart() != e.SelEnd();
    bool readOnly = e.ReadOnly();
    bool password = e.PasswordChar != 0;
    bool all = e.SelStart() == 0 && e.SelEnd() == e.Length();
    return {
        {WM_UNDO, "&Undo", e.Undo.Valid && !readOnly},
        {0, "", false},
        {WM_CUT, "Cu&t", selection && !readOnly && !password},
        {WM_COPY, "&Copy", selection && !password},
        {WM_PASTE, "&Paste", !readOnly && IsClipboardFormatAvailable(CF_TEXT)},
        {WM_CLEAR, "&Delete", selection && !readOnly},
        {0, "", false},
        {EM_SETSEL, "Select &All", e.Length() > 0 && !all},
    };
}

} // namespace

// ---- Keys ------------------------------------------------------------------------------------

void OnKeyDown(TEdit& e, WPARAM key) {
    const bool shift = Down(VK_SHIFT), ctrl = Down(VK_CONTROL);
    int caret = e.Caret;
    bool atLineEnd = false;
    bool vertical = false;
    const bool selection = e.SelStart() != e.SelEnd();
    switch (int(key)) {
    case VK_LEFT:
        caret = ctrl ? WordLeft(e, e.Caret) : (!shift && selection) ? e.SelStart() : PrevChar(e, e.Caret);
        break;
    case VK_RIGHT:
        caret = ctrl ? WordRight(e, e.Caret) : (!shift && selection) ? e.SelEnd() : NextChar(e, e.Caret);
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
        if (!e.Multi()) {
            if (key == WPARAM(VK_UP)) caret = PrevChar(e, e.Caret);
            if (key == WPARAM(VK_DOWN)) caret = NextChar(e, e.Caret);
            break;
        }
        vertical = true;
        int x = Column(e);
        int line = CaretLine(e);
        int page = VisibleLines(e);
        int delta = key == WPARAM(VK_UP)      ? -1
                    : key == WPARAM(VK_DOWN)  ? 1
                    : key == WPARAM(VK_PRIOR) ? -page
                                              : page;
        int target = std::clamp(line + delta, 0, int(e.Lines.size()) - 1);
        if (key == WPARAM(VK_PRIOR) || key == WPARAM(VK_NEXT)) {
            // A page moves the view with the caret.
            int first = std::clamp(e.FirstLine + (target - line), 0, std::max(0, int(e.Lines.size()) - page));
            e.FirstLine = first;
        }
        caret = OffsetInLine(e, target, x, &atLineEnd);
        break;
    }
    case VK_HOME:
        caret = (ctrl || !e.Multi()) ? 0 : e.Lines[size_t(CaretLine(e))].Start;
        break;
    case VK_END:
        if (ctrl || !e.Multi()) {
            caret = e.Length();
        } else {
            int line = CaretLine(e);
            const TLine& l = e.Lines[size_t(line)];
            caret = l.Start + l.Length;
            atLineEnd = l.Break == 0 && line + 1 < int(e.Lines.size());
        }
        break;
    case VK_DELETE:
        if (shift)
            SendMessageA(e.Handle, WM_CUT, 0, 0);
        else if (!ctrl)
            DeleteForward(e);
        return;
    case VK_INSERT:
        if (shift)
            SendMessageA(e.Handle, WM_PASTE, 0, 0);
        else if (ctrl)
            SendMessageA(e.Handle, WM_COPY, 0, 0);
        return;
    default:
        return;
    }
    if (!vertical) e.PreferredX = -1;
    e.Caret = caret;
    e.CaretAtLineEnd = atLineEnd;
    if (!shift) e.Anchor = caret;
    SelectionChanged(e);
}

void OnChar(TEdit& e, char32_t ch) {
    switch (ch) {
    case 3: // Ctrl+C
        SendMessageA(e.Handle, WM_COPY, 0, 0);
        return;
    case 22: // Ctrl+V
        SendMessageA(e.Handle, WM_PASTE, 0, 0);
        return;
    case 24: // Ctrl+X
        SendMessageA(e.Handle, WM_CUT, 0, 0);
        return;
    case 26: // Ctrl+Z
        SendMessageA(e.Handle, WM_UNDO, 0, 0);
        return;
    case 8:
        Backspace(e);
        return;
    case 13:
        if (e.Multi() && !e.ReadOnly() && WantsKey(e, VK_RETURN))
            ReplaceSelection(e, U"\r\n", TUndoKind::Typing, true);
        return;
    case 9:
        if (!e.ReadOnly() && WantsKey(e, VK_TAB)) ReplaceSelection(e, U"\t", TUndoKind::Typing, true);
        return;
    default:
        break;
    }
    if (ch < 0x20 || ch == 0x7F || e.ReadOnly()) return;
    ReplaceSelection(e, std::u32string(1, ApplyCase(e, ch)), TUndoKind::Typing, true);
}

// ---- Mouse ---------------------------------------------------------------------------------------

void OnMouseDown(TEdit& e, POINT p, WPARAM keys, bool doubleClick) {
    if (GetFocus() != e.Handle) {
        SetFocus(e.Handle);
        if (e.Dead) return;
    }
    if (doubleClick) {
        SelectWordAt(e, OffsetAt(e, p));
    } else {
        bool atLineEnd = false;
        int offset = OffsetAt(e, p, &atLineEnd);
        e.Caret = offset;
        e.CaretAtLineEnd = atLineEnd;
        if (!(keys & MK_SHIFT)) e.Anchor = offset;
        e.Dragging = true;
        e.DragPoint = p;
        SetCapture(e.Handle);
    }
    e.PreferredX = -1;
    SelectionChanged(e);
}

void OnMouseMove(TEdit& e, POINT p) {
    if (!e.Dragging) return;
    e.DragPoint = p;
    ExtendTo(e, p);
    // Outside the text the view keeps scrolling on the clock while the button is held.
    bool outside = !PtInRect(&e.Format, p);
    if (outside && !e.DragTimer) {
        SetTimer(e.Handle, DragTimerId, 100, nullptr);
        e.DragTimer = true;
    } else if (!outside && e.DragTimer) {
        KillTimer(e.Handle, DragTimerId);
        e.DragTimer = false;
    }
}

void OnDragTimer(TEdit& e) {
    if (!e.Dragging) {
        KillTimer(e.Handle, DragTimerId);
        e.DragTimer = false;
        return;
    }
    ExtendTo(e, e.DragPoint);
}

void OnMouseUp(TEdit& e) {
    e.Dragging = false;
    if (e.DragTimer) KillTimer(e.Handle, DragTimerId);
    e.DragTimer = false;
    if (GetCapture() == e.Handle) ReleaseCapture();
}

// ---- Clipboard ---------------------------------------------------------------------------------

void CopySelection(TEdit& e) {
    // A password never leaves the edit.
    if (e.PasswordChar || e.SelStart() == e.SelEnd()) return;
    String text = EncodeUtf8(e.Text, size_t(e.SelStart()), size_t(e.SelEnd() - e.SelStart()));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return;
    char* bytes = static_cast<char*>(GlobalLock(block));
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (!OpenClipboard(e.Handle)) {
        GlobalFree(block);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    CloseClipboard();
}

void CutSelection(TEdit& e) {
    if (e.ReadOnly() || e.PasswordChar || e.SelStart() == e.SelEnd()) return;
    CopySelection(e);
    ReplaceSelection(e, {}, TUndoKind::Fresh, false);
}

void PasteClipboard(TEdit& e) {
    if (e.ReadOnly()) return;
    if (!OpenClipboard(e.Handle)) return;
    String text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        const char* bytes = static_cast<const char*>(GlobalLock(data));
        std::size_t size = GlobalSize(data);
        if (bytes) text.assign(bytes, strnlen(bytes, size));
        GlobalUnlock(data);
    }
    CloseClipboard();
    std::u32string chars = DecodeUtf8(text);
    if (!e.Multi()) {
        // A single line takes the first line of what is pasted.
        auto cut = std::find_if(chars.begin(), chars.end(), IsLineBreak);
        chars.erase(cut, chars.end());
    }
    if (chars.empty()) return;
    ApplyCase(e, chars);
    ReplaceSelection(e, std::move(chars), TUndoKind::Fresh, true);
}

void ClearSelection(TEdit& e) {
    if (e.ReadOnly() || e.SelStart() == e.SelEnd()) return;
    ReplaceSelection(e, {}, TUndoKind::Fresh, false);
}

// ---- Context menu ------------------------------------------------------------------------------

void OnContextMenu(TEdit& e, LPARAM screen) {
    if (GetFocus() != e.Handle) {
        SetFocus(e.Handle);
        if (e.Dead) return;
    }
    TEditContextMenuRunner runner;
    {
        std::lock_guard<std::mutex> guard(gRunnerLock);
        runner = Runner();
    }
    if (!runner) return;
    POINT at = MakePointFromLParam(screen);
    if (screen == -1) {
        // From the keyboard: at the caret.
        at = CaretPos(e);
        at.y += e.LineHeight;
        ClientToScreen(e.Handle, &at);
    }
    HWND window = e.Handle;
    UINT id = runner(window, at, Items(e));
    if (id && !e.Dead) WinEditContextMenuCommand(window, id);
}

} // namespace WinEditImpl

using namespace WinEditImpl;

std::vector<TEditMenuItem> WinEditContextMenuItems(HWND edit) {
    auto e = FindEdit(edit);
    if (!e || e->Dead) return {};
    return Items(*e);
}

bool WinEditContextMenuCommand(HWND edit, UINT id) {
    if (id == 0) return false;
    bool enabled = false;
    for (const TEditMenuItem& item : WinEditContextMenuItems(edit))
        if (item.Id == id) enabled = item.Enabled;
    if (!enabled) return false;
    if (id == EM_SETSEL)
        SendMessageA(edit, EM_SETSEL, 0, -1);
    else
        SendMessageA(edit, id, 0, 0);
    return true;
}

TEditContextMenuRunner WinEditSetContextMenuRunner(TEditContextMenuRunner runner) {
    std::lock_guard<std::mutex> guard(gRunnerLock);
    TEditContextMenuRunner old = std::move(Runner());
    Runner() = std::move(runner);
    return old;
}

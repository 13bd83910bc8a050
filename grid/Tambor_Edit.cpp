// The in-place editor: when the grid opens, places and closes it, how a cell's text flows into
// it and back, and how keys, characters, pastes and clicks are shared between it and the grid.
#include <algorithm>
#include <cstring>

#include "grid/Tambor.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinEdit.h"

namespace {

// Code points of a UTF-8 text, and back.
std::u32string Chars(const String& text) {
    std::u32string chars;
    for (std::size_t i = 0; i < text.size(); i = Utf8Next(text, i))
        chars.push_back(Utf8CodePointAt(text, i));
    return chars;
}
String Text(const std::u32string& chars) {
    String text;
    for (char32_t c : chars)
        text += Utf8FromCodePoint(c);
    return text;
}

String ClipboardText(HWND owner) {
    String text;
    if (!OpenClipboard(owner)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

} // namespace

// ---- Grid side --------------------------------------------------------------------------------

TInplaceEdit* TCustomTambor::MakeInplaceEditor() { return new TInplaceEdit(this); }

bool TCustomTambor::EditorAllowed() {
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode &&
           !GetComponentState().Contains(csDesigning) && HandleAllocated() &&
           (FOptions.Contains(goAlwaysShowEditor) || HasFocusWithin()) &&
           !CellAt(FCurrent.X, FCurrent.Y).ReadOnly;
}

void TCustomTambor::OpenEditor() {
    if (FCurrent.X < FFirstVisibleCol || FCurrent.Y < FFirstVisibleRow) {
        TTamborDrawInfo info;
        CalcDrawInfo(info);
        SetTopLeft(std::min(FCurrent.X, MaxFirstCell(info.Horz)),
                   std::min(FCurrent.Y, MaxFirstCell(info.Vert)));
    }
    FEditorMode = true;
    PlaceEditor();
}

void TCustomTambor::CloseEditor() {
    const bool wasOn = FEditorMode;
    FEditorMode = false;
    ReleaseEditor();
    // The current cell is painted again where the editor covered it.
    if (wasOn) InvalidateCells(CellAt(FCurrent.X, FCurrent.Y).Area);
}

void TCustomTambor::SwitchEditor(bool on) {
    if (!on) {
        CloseEditor();
        return;
    }
    OpenEditor();
    if (FInplaceEdit != nullptr) FInplaceEdit->CaretToEnd();
}

bool TCustomTambor::InplaceEditorShown() const {
    return FInplaceEdit != nullptr && FInplaceEdit->HandleAllocated() &&
           IsWindowVisible(FInplaceEdit->GetHandle());
}

void TCustomTambor::OpenEditorWithKey(char32_t key) {
    OpenEditor();
    if (FInplaceEdit != nullptr && FInplaceEdit->HandleAllocated() && FInplaceEdit->GetVisible())
        PostMessageA(FInplaceEdit->GetHandle(), WM_CHAR, WPARAM(key), 0);
}

void TCustomTambor::SelectEditorText() {
    if (FInplaceEdit != nullptr) FInplaceEdit->SelectAll();
}

void TCustomTambor::PlaceEditor() {
    if (!EditorAllowed()) return;
    if (FInplaceEdit == nullptr) {
        FInplaceEdit = MakeInplaceEditor();
        FInplaceEdit->FGrid = this;
        FInplaceEdit->SetParent(this);
        // The window first, so that the caret can be placed in it.
        FInplaceEdit->HandleNeeded();
        FEditorCell = FCurrent;
        FInplaceEdit->LoadCell();
        FCanEditModify = FInplaceEdit->GetMaxLength() != -1;
        if (!FInplaceEdit->GetText().empty()) FInplaceEdit->CaretToEnd();
    } else if (FEditorCell.X != FCurrent.X || FEditorCell.Y != FCurrent.Y) {
        const TLivenessToken alive = LivenessToken();
        ReleaseEditor();
        if (!alive) return;
        FEditorCell = FCurrent;
        FInplaceEdit->LoadCell();
        FCanEditModify = FInplaceEdit->GetMaxLength() != -1;
        if (!FInplaceEdit->GetText().empty()) FInplaceEdit->CaretToEnd();
    }
    if (!EditorAllowed()) return;
    const TGridRect& area = CellAt(FCurrent.X, FCurrent.Y).Area;
    const RECT first = CellRect(area.Left, area.Top);
    const RECT last = CellRect(area.Right, area.Bottom);
    TRect rect{first.left + 2, first.top + 2, last.right - 2, last.bottom - 2};
    if (rect.right <= rect.left || rect.bottom <= rect.top) rect = TRect{};
    FInplaceEdit->ShowAt(rect, true);
}

void TCustomTambor::ReleaseEditor() {
    if (FInplaceEdit == nullptr) return;
    const TGridCoord cell = FEditorCell;
    const String text = FInplaceEdit->GetText();
    auto finish = [&] {
        FEditorCell = TGridCoord{-1, -1};
        FInplaceEdit->Conceal();
    };
    try {
        if (cell.X >= 0) {
            CommitEditorText();
            OnHideEdit(this, cell.X, cell.Y, text);
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

String TCustomTambor::EditorTextOf(Integer col, Integer row) {
    const TGridRect& area = CellAt(col, row).Area;
    const TCellInfo& topLeft = CellAt(area.Left, area.Top);
    String value = CellAt(col, row).ShowForeText ? topLeft.ForeText : topLeft.BackText;
    OnGetEditText(this, col, row, value);
    return value;
}

String TCustomTambor::EditorMaskOf(Integer col, Integer row) {
    String value;
    OnGetEditMask(this, col, row, value);
    return value;
}

void TCustomTambor::TakeEditorText(Integer col, Integer row, const String& text) {
    const TCellInfo& cell = CellAt(FEditorCell.X, FEditorCell.Y);
    if (cell.ShowForeText) {
        if (text != cell.ForeText) WriteForeText(FEditorCell.X, FEditorCell.Y, text);
    } else if (text != cell.BackText) {
        WriteBackText(FEditorCell.X, FEditorCell.Y, text);
    }
    OnSetEditText(this, col, row, text);
}

void TCustomTambor::CommitEditorText() {
    if (FInplaceEdit == nullptr || FEditorCell.X < 0) return;
    TakeEditorText(FEditorCell.X, FEditorCell.Y, FInplaceEdit->GetText());
}

void TCustomTambor::GridKeyPress(char32_t& key) {
    TCustomControl::KeyPress(key);
    if (key == 13 && FOptions.Contains(goEditing) && !FOptions.Contains(goAlwaysShowEditor)) {
        if (FEditorMode)
            CloseEditor();
        else
            OpenEditor();
        key = 0;
    }
}

void TCustomTambor::KeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    GridKeyPress(key);
    if (!alive || key == 0) return;
    if (FOptions.Contains(goEditing) && (key == 8 || key >= 32)) {
        OpenEditorWithKey(key);
        key = 0;
    }
}

// ---- The editor -------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    FBorderStyle = bsNone;
    SetParentCtl3D(false);
    SetCtl3D(false);
    SetTabStop(false);
    SetDoubleBuffered(false);
    SetVisible(false);
}

void TInplaceEdit::CreateParams(TCreateParams& params) {
    TCustomMaskEdit::CreateParams(params);
    // Long text wraps inside the cell.
    params.Style = (params.Style | ES_MULTILINE) & ~DWORD(ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER);
    params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
}

void TInplaceEdit::LoadCell() {
    SetText("");
    FCell = FGrid->CellAt(FGrid->GetCol(), FGrid->GetRow());
    if (FCell.ShowForeText) {
        switch (FCell.DataStyle) {
        case dsText:
            SetEditMask(FGrid->EditorMaskOf(FGrid->GetCol(), FGrid->GetRow()));
            break;
        case dsDate:
            SetEditMask("9999/99/99;1; ");
            break;
        case dsTime:
            SetEditMask("00:00:00;1; ");
            break;
        default:
            SetEditMask("");
            break;
        }
        String text = FGrid->EditorTextOf(FGrid->GetCol(), FGrid->GetRow());
        if (FCell.DataStyle == dsNumber && FCell.ThousandSep) text = StripThousandSeparators(text);
        SetText(text);
        SetMaxLength(FGrid->EditorLengthLimit());
    } else {
        SetEditMask("");
        SetText(FGrid->EditorTextOf(FGrid->GetCol(), FGrid->GetRow()));
        SetMaxLength(0);
    }
    FOpeningText = GetText();
    SetColor(FCell.Color);
    TFont* font = GetFont();
    font->SetName(FCell.FontName);
    font->SetSize(FCell.FontSize);
    font->SetStyle(FCell.FontStyle);
    font->SetColor(FCell.FontColor);
}

void TInplaceEdit::ShowAt(const TRect& rect, bool redraw) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        Conceal();
        return;
    }
    HandleNeeded();
    if (!IsWindowVisible(FHandle)) redraw = true;
    RefreshArea();
    SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (!GetVisible()) SetVisible(true);
    RECT format{2, 2, rect.right - rect.left - 2, rect.bottom - rect.top};
    SendMessageA(FHandle, EM_SETRECTNP, 0, LPARAM(&format));
    SendMessageA(FHandle, EM_SCROLLCARET, 0, 0);
    if (redraw) RefreshArea();
    if (FGrid->HandleAllocated() && GetFocus() == FGrid->GetHandle()) ::SetFocus(FHandle);
}

void TInplaceEdit::Conceal() {
    if (!HandleAllocated() || !IsWindowVisible(FHandle)) return;
    const bool hadFocus = GetFocus() == FHandle;
    RefreshArea();
    SetVisible(false);
    if (hadFocus && FGrid->CanFocus()) FGrid->SetFocus();
}

void TInplaceEdit::CaretToEnd() {
    if (!HandleAllocated()) return;
    const Integer length = Integer(Chars(GetEditText()).size());
    SetSelStart(length);
    SetSelLength(0);
}

void TInplaceEdit::RefreshArea() {
    if (!HandleAllocated()) return;
    ValidateRect(FHandle, nullptr);
    InvalidateRect(FHandle, nullptr, TRUE);
    if (!FGrid->HandleAllocated()) return;
    RECT r{GetLeft(), GetTop(), GetLeft() + GetWidth(), GetTop() + GetHeight()};
    ValidateRect(FGrid->GetHandle(), &r);
    InvalidateRect(FGrid->GetHandle(), &r, FALSE);
}

void TInplaceEdit::KeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    const bool ctrl = shift.Contains(ssCtrl);
    const Integer length = Integer(Chars(GetEditText()).size());
    const Integer selStart = GetSelStart();
    const Integer selEnd = selStart + GetSelLength();
    const bool atStart = selStart == 0 && (selEnd == 0 || selEnd == length);
    const bool atEnd = (selStart == 0 || selStart == selEnd) && selEnd == length;
    auto toGrid = [&] {
        FGrid->KeyDown(key, shift);
        key = 0;
    };
    switch (key) {
    case VK_TAB:
        if (!shift.Contains(ssAlt)) toGrid();
        break;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
        toGrid();
        break;
    case VK_ESCAPE:
        SetText(FOpeningText);
        toGrid();
        break;
    case VK_LEFT:
        if (!ctrl && atStart) toGrid();
        break;
    case VK_RIGHT:
        if (!ctrl && atEnd) toGrid();
        break;
    case VK_HOME:
        if (!ctrl && atStart) {
            key = VK_LEFT;
            toGrid();
        }
        break;
    case VK_END:
        if (!ctrl && atEnd) {
            key = VK_RIGHT;
            toGrid();
        }
        break;
    case VK_INSERT:
        if (shift.empty())
            toGrid();
        else if (shift == TShiftState{ssShift} && !FGrid->EditorMayModify())
            key = 0;
        break;
    case VK_F2:
        FGrid->OnKeyDown(FGrid, key, shift);
        if (alive && key == VK_F2) CaretToEnd();
        key = 0;
        return;
    case VK_DELETE:
        if (!FGrid->EditorMayModify()) key = 0;
        break;
    default:
        break;
    }
    if (!alive || key == 0) return;
    FGrid->OnKeyDown(FGrid, key, shift);
    if (!alive || key == 0) return;
    TCustomMaskEdit::KeyDown(key, shift);
}

void TInplaceEdit::KeyUp(Word& key, TShiftState shift) { FGrid->KeyUp(key, shift); }

void TInplaceEdit::KeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    FGrid->GridKeyPress(key);
    if (!alive || key == 0) return;
    if (key >= 32 && !FGrid->EditorAcceptsKey(key)) {
        key = 0;
        MessageBeep(0);
        return;
    }
    if ((key == 8 || key == 22 || key == 24 || key >= 32) && !FGrid->EditorMayModify()) {
        key = 0;
        return;
    }
    if (key == 9 || key == 27) {
        key = 0;
        return;
    }
    if (key == 13) {
        const Integer length = Integer(Chars(GetEditText()).size());
        if (GetSelStart() == 0 && GetSelLength() == length)
            CaretToEnd();
        else
            SelectAll();
        key = 0;
        return;
    }
    switch (FCell.DataStyle) {
    case dsNumber: {
        const char32_t ordinary[] = {3, 8, 9, 13, 22, 24, 26, 27};
        if (std::find(std::begin(ordinary), std::end(ordinary), key) != std::end(ordinary)) {
            TCustomEdit::KeyPress(key);
            return;
        }
        // Any other character goes in at the caret; a selection is kept, not replaced.
        std::u32string text = Chars(GetText());
        const Integer at = std::clamp(GetSelStart(), 0, Integer(text.size()));
        text.insert(std::size_t(at), 1, key);
        SetText(Text(text));
        SetSelStart(at + 1);
        SetSelLength(0);
        key = 0;
        return;
    }
    case dsFormula:
        TCustomEdit::KeyPress(key);
        return;
    default:
        TCustomMaskEdit::KeyPress(key);
        return;
    }
}

void TInplaceEdit::WMSetFocus(TMessage& message) {
    // The form keeps the grid as its focused control while its editor has the focus.
    if (TWinControl* root = GetParentFormControl(this); root != nullptr && root != this)
        root->SetFocusedControl(FGrid);
    DefaultHandler(&message);
}

void TInplaceEdit::WMLButtonDown(TMessage& message) {
    // A press soon after the one on the grid that opened the editor completes a double click.
    const bool quick =
        FGrid->FLastLeftPress != 0 && GetTickCount() - FGrid->FLastLeftPress < GetDoubleClickTime();
    FGrid->FLastLeftPress = 0;
    if (quick) {
        message.Msg = WM_LBUTTONDBLCLK;
        Dispatch(&message);
        return;
    }
    KOV_INHERITED(message);
}

void TInplaceEdit::WMLButtonDblClk(TMessage& message) { FGrid->DblClick(); }

void TInplaceEdit::WMMouseWheel(TMessage& message) {
    message.Result = SendMessageA(FGrid->GetHandle(), message.Msg, message.WParam, message.LParam);
}

void TInplaceEdit::WMGetDlgCode(TMessage& message) {
    KOV_INHERITED(message);
    if (FGrid->GetOptions().Contains(goTabs)) message.Result |= DLGC_WANTTAB;
}

void TInplaceEdit::WMPaste(TMessage& message) {
    if (!FGrid->EditorMayModify()) return;
    if (FCell.DataStyle == dsText) {
        KOV_INHERITED(message);
        return;
    }
    if (!HandleAllocated()) return;
    const String pasted = ClipboardText(FHandle);
    if (pasted.empty()) return;
    const std::u32string text = Chars(GetText());
    const Integer start = std::clamp(GetSelStart(), 0, Integer(text.size()));
    const Integer end = std::clamp(start + GetSelLength(), start, Integer(text.size()));
    const std::u32string inserted = Chars(pasted);
    SetText(Text(text.substr(0, std::size_t(start)) + inserted + text.substr(std::size_t(end))));
    SetSelStart(start + Integer(inserted.size()));
    SetSelLength(0);
}

void TInplaceEdit::WMCutClear(TMessage& message) {
    if (FGrid->EditorMayModify()) KOV_INHERITED(message);
}

KOV_MESSAGE_MAP(TInplaceEdit) {
    map.Message(WM_SETFOCUS, &TInplaceEdit::WMSetFocus);
    map.Message(WM_LBUTTONDOWN, &TInplaceEdit::WMLButtonDown);
    map.Message(WM_LBUTTONDBLCLK, &TInplaceEdit::WMLButtonDblClk);
    map.Message(WM_MOUSEWHEEL, &TInplaceEdit::WMMouseWheel);
    map.Message(WM_GETDLGCODE, &TInplaceEdit::WMGetDlgCode);
    map.Message(WM_PASTE, &TInplaceEdit::WMPaste);
    map.Message(WM_CUT, &TInplaceEdit::WMCutClear);
    map.Message(WM_CLEAR, &TInplaceEdit::WMCutClear);
}

namespace {
const bool kEditorRegistered = (RegisterClasses({TInplaceEdit::StaticClass()}), true);
}

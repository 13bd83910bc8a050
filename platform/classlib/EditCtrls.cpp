#include "platform/classlib/EditCtrls.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/Strings.h"
#include "platform/winapi/WinEdit.h"

// ---- TCustomEdit ------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    FControlStyle = TControlStyle{csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight};
    SetBounds(FLeft, FTop, 121, 21);
    FTabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    RecreateWnd();
}

void TCustomEdit::CMCtl3DChanged(TMessage& message) {
    if (FBorderStyle == bsSingle) RecreateWnd();
    KOV_INHERITED(message);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    if (FCharCase == value) return;
    FCharCase = value;
    RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool value) {
    if (FHideSelection == value) return;
    FHideSelection = value;
    RecreateWnd();
}

void TCustomEdit::SetMaxLength(Integer value) {
    if (FMaxLength == value) return;
    FMaxLength = value;
    if (HandleAllocated()) Perform(EM_LIMITTEXT, WPARAM(std::max(value, 0)), 0);
}

void TCustomEdit::SetOEMConvert(bool value) {
    if (FOEMConvert == value) return;
    FOEMConvert = value;
    RecreateWnd();
}

void TCustomEdit::SetPasswordChar(char value) {
    if (FPasswordChar == value) return;
    FPasswordChar = value;
    if (HandleAllocated()) {
        Perform(EM_SETPASSWORDCHAR, WPARAM(static_cast<unsigned char>(value)), 0);
        Invalidate();
    }
}

void TCustomEdit::SetReadOnly(bool value) {
    if (FReadOnly == value) return;
    FReadOnly = value;
    if (HandleAllocated()) Perform(EM_SETREADONLY, WPARAM(value), 0);
}

bool TCustomEdit::GetModified() const {
    if (!HandleAllocated()) return FModified;
    return const_cast<TCustomEdit*>(this)->Perform(EM_GETMODIFY, 0, 0) != 0;
}

void TCustomEdit::SetModified(bool value) {
    if (HandleAllocated())
        Perform(EM_SETMODIFY, WPARAM(value), 0);
    else
        FModified = value;
}

bool TCustomEdit::CanUndo() const {
    if (!HandleAllocated()) return false;
    return const_cast<TCustomEdit*>(this)->Perform(EM_CANUNDO, 0, 0) != 0;
}

Integer TCustomEdit::GetSelStart() const {
    if (!HandleAllocated()) return 0;
    DWORD start = 0, end = 0;
    const_cast<TCustomEdit*>(this)->Perform(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    return Integer(start);
}

void TCustomEdit::SetSelStart(Integer value) {
    HandleNeeded();
    Perform(EM_SETSEL, WPARAM(value), LPARAM(value));
}

Integer TCustomEdit::GetSelLength() const {
    if (!HandleAllocated()) return 0;
    DWORD start = 0, end = 0;
    const_cast<TCustomEdit*>(this)->Perform(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    return Integer(end) - Integer(start);
}

void TCustomEdit::SetSelLength(Integer value) {
    HandleNeeded();
    DWORD start = 0, end = 0;
    Perform(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    Perform(EM_SETSEL, WPARAM(start), LPARAM(Integer(start) + value));
    Perform(EM_SCROLLCARET, 0, 0);
}

String TCustomEdit::GetSelText() const {
    if (!HandleAllocated()) return String();
    DWORD start = 0, end = 0;
    const_cast<TCustomEdit*>(this)->Perform(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    return Utf8Copy(GetText(), Integer(start) + 1, Integer(end) - Integer(start));
}

void TCustomEdit::SetSelText(const String& value) {
    HandleNeeded();
    Perform(EM_REPLACESEL, 0, LPARAM(value.c_str()));
}

void TCustomEdit::Clear() { SetText(String()); }

void TCustomEdit::ClearSelection() {
    HandleNeeded();
    Perform(WM_CLEAR, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
    HandleNeeded();
    Perform(WM_COPY, 0, 0);
}

void TCustomEdit::CutToClipboard() {
    HandleNeeded();
    Perform(WM_CUT, 0, 0);
}

void TCustomEdit::PasteFromClipboard() {
    HandleNeeded();
    Perform(WM_PASTE, 0, 0);
}

void TCustomEdit::Undo() {
    HandleNeeded();
    Perform(WM_UNDO, 0, 0);
}

void TCustomEdit::ClearUndo() {
    if (HandleAllocated()) Perform(EM_EMPTYUNDOBUFFER, 0, 0);
}

void TCustomEdit::SelectAll() {
    if (HandleAllocated()) Perform(EM_SETSEL, 0, LPARAM(-1));
}

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "EDIT");
    params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    if (FBorderStyle == bsSingle) {
        if (GetCtl3D()) {
            params.ExStyle |= WS_EX_CLIENTEDGE;
        } else {
            params.Style |= WS_BORDER;
        }
    }
    if (FCharCase == ecUpperCase) params.Style |= ES_UPPERCASE;
    if (FCharCase == ecLowerCase) params.Style |= ES_LOWERCASE;
    if (!FHideSelection) params.Style |= ES_NOHIDESEL;
    if (FOEMConvert) params.Style |= ES_OEMCONVERT;
    if (FReadOnly) params.Style |= ES_READONLY;
    params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomEdit::CreateWnd() {
    FCreating = true;
    try {
        TWinControl::CreateWnd();
    } catch (...) {
        FCreating = false;
        throw;
    }
    FCreating = false;
    Perform(EM_LIMITTEXT, WPARAM(std::max(FMaxLength, 0)), 0);
    Perform(EM_SETMODIFY, WPARAM(FModified), 0);
    if (FPasswordChar != 0) Perform(EM_SETPASSWORDCHAR, WPARAM(static_cast<unsigned char>(FPasswordChar)), 0);
}

void TCustomEdit::DestroyWnd() {
    if (HandleAllocated()) FModified = Perform(EM_GETMODIFY, 0, 0) != 0;
    TWinControl::DestroyWnd();
}

void TCustomEdit::Change() {
    if (GetComponentState().Contains(csLoading)) return;
    OnChange(this);
}

void TCustomEdit::CNCommand(TMessage& message) {
    if (HIWORD(message.WParam) == EN_CHANGE && !FCreating) Change();
}

void TCustomEdit::CMEnter(TMessage& message) {
    if (FAutoSelect && !FControlState.Contains(csLButtonDown) && HandleAllocated() &&
        (GetWindowLongA(FHandle, GWL_STYLE) & ES_MULTILINE) == 0)
        SelectAll();
    KOV_INHERITED(message);
}

void TCustomEdit::CMTextChanged(TMessage& message) {
    KOV_INHERITED(message);
    // A multi-line window does not report text set by the program, and without a window there is
    // nobody to report it.
    if (!HandleAllocated() || (GetWindowLongA(FHandle, GWL_STYLE) & ES_MULTILINE) != 0) Change();
}

void TCustomEdit::CNCtlColor(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(IsShownEnabled() ? GetFont()->GetColor() : clGrayText)));
    SetBkColor(dc, COLORREF(ColorToRGB(GetColor())));
    message.Result = LRESULT(FBrush.Get(GetColor()));
}

KOV_MESSAGE_MAP(TCustomEdit) {
    map.Message(CN_COMMAND, &TCustomEdit::CNCommand);
    map.Message(CN_CTLCOLOREDIT, &TCustomEdit::CNCtlColor);
    map.Message(CN_CTLCOLORSTATIC, &TCustomEdit::CNCtlColor);
    map.Message(CM_ENTER, &TCustomEdit::CMEnter);
    map.Message(CM_TEXTCHANGED, &TCustomEdit::CMTextChanged);
    map.Message(CM_CTL3DCHANGED, &TCustomEdit::CMCtl3DChanged);
}

// ---- TMemoStrings -----------------------------------------------------------------------------------

namespace {

const String kLineBreak = "\r\n";

// The lines of a text without a window: byte offsets of each line's start, as the window's line
// messages would give them (one more line after a final line break).
std::vector<std::size_t> LineStarts(const String& text) {
    std::vector<std::size_t> starts{0};
    for (std::size_t at = text.find(kLineBreak); at != String::npos; at = text.find(kLineBreak, at + 2))
        starts.push_back(at + 2);
    return starts;
}

std::size_t LineEnd(const String& text, const std::vector<std::size_t>& starts, std::size_t line) {
    return line + 1 < starts.size() ? starts[line + 1] - 2 : text.size();
}

}  // namespace

Integer TMemoStrings::GetCount() const {
    if (FMemo == nullptr) return 0;
    if (FMemo->HandleAllocated()) {
        Integer count = Integer(FMemo->Perform(EM_GETLINECOUNT, 0, 0));
        if (count > 0 && FMemo->Perform(EM_LINELENGTH, WPARAM(FMemo->Perform(EM_LINEINDEX, count - 1, 0)), 0) == 0)
            --count;
        return count;
    }
    const String text = FMemo->GetText();
    const auto starts = LineStarts(text);
    Integer count = Integer(starts.size());
    if (starts.back() == text.size()) --count;  // an empty last line does not count
    return count;
}

String TMemoStrings::Get(Integer index) const {
    if (FMemo->HandleAllocated()) {
        const LRESULT start = FMemo->Perform(EM_LINEINDEX, WPARAM(index), 0);
        if (start < 0) return String();
        const LRESULT length = FMemo->Perform(EM_LINELENGTH, WPARAM(start), 0);
        // Four bytes per character at most, and room for the size word.
        std::string buffer(std::size_t(std::max<LRESULT>(length, 0)) * 4 + 4, '\0');
        const WORD size = WORD(std::min<std::size_t>(buffer.size(), 0xFFFF));
        std::memcpy(buffer.data(), &size, sizeof(size));
        const LRESULT copied = FMemo->Perform(EM_GETLINE, WPARAM(index), LPARAM(buffer.data()));
        buffer.resize(std::size_t(std::clamp<LRESULT>(copied, 0, LRESULT(buffer.size()))));
        return buffer;
    }
    const String text = FMemo->GetText();
    const auto starts = LineStarts(text);
    if (index < 0 || std::size_t(index) >= starts.size()) return String();
    return text.substr(starts[std::size_t(index)], LineEnd(text, starts, std::size_t(index)) - starts[std::size_t(index)]);
}

void TMemoStrings::Put(Integer index, const String& s) {
    if (FMemo->HandleAllocated()) {
        const LRESULT start = FMemo->Perform(EM_LINEINDEX, WPARAM(index), 0);
        if (start < 0) return;
        const LRESULT length = FMemo->Perform(EM_LINELENGTH, WPARAM(start), 0);
        FMemo->Perform(EM_SETSEL, WPARAM(start), LPARAM(start + length));
        FMemo->Perform(EM_REPLACESEL, 0, LPARAM(s.c_str()));
        return;
    }
    String text = FMemo->GetText();
    const auto starts = LineStarts(text);
    if (index < 0 || std::size_t(index) >= starts.size()) return;
    const std::size_t from = starts[std::size_t(index)];
    text.replace(from, LineEnd(text, starts, std::size_t(index)) - from, s);
    FMemo->SetText(text);
}

void TMemoStrings::Insert(Integer index, const String& s) {
    if (index < 0) return;
    if (FMemo->HandleAllocated()) {
        LRESULT at = FMemo->Perform(EM_LINEINDEX, WPARAM(index), 0);
        String line;
        if (at >= 0) {
            line = s + kLineBreak;
        } else {
            // After the last line, which has no break yet.
            at = FMemo->Perform(EM_LINEINDEX, WPARAM(index - 1), 0);
            if (at < 0) return;
            const LRESULT length = FMemo->Perform(EM_LINELENGTH, WPARAM(at), 0);
            at += length;
            line = kLineBreak + s;
        }
        FMemo->Perform(EM_SETSEL, WPARAM(at), LPARAM(at));
        FMemo->Perform(EM_REPLACESEL, 0, LPARAM(line.c_str()));
        return;
    }
    String text = FMemo->GetText();
    const auto starts = LineStarts(text);
    if (std::size_t(index) < starts.size()) {
        text.insert(starts[std::size_t(index)], s + kLineBreak);
    } else if (std::size_t(index) == starts.size()) {
        text += kLineBreak + s;
    } else {
        return;
    }
    FMemo->SetText(text);
}

void TMemoStrings::Delete(Integer index) {
    if (FMemo->HandleAllocated()) {
        const LRESULT start = FMemo->Perform(EM_LINEINDEX, WPARAM(index), 0);
        if (start < 0) return;
        LRESULT end = FMemo->Perform(EM_LINEINDEX, WPARAM(index + 1), 0);
        if (end < 0) end = start + FMemo->Perform(EM_LINELENGTH, WPARAM(start), 0);
        FMemo->Perform(EM_SETSEL, WPARAM(start), LPARAM(end));
        FMemo->Perform(EM_REPLACESEL, 0, LPARAM(""));
        return;
    }
    String text = FMemo->GetText();
    const auto starts = LineStarts(text);
    if (index < 0 || std::size_t(index) >= starts.size()) return;
    const std::size_t from = starts[std::size_t(index)];
    const std::size_t to = std::size_t(index) + 1 < starts.size() ? starts[std::size_t(index) + 1] : text.size();
    text.erase(from, to - from);
    FMemo->SetText(text);
}

void TMemoStrings::Clear() { FMemo->Clear(); }

String TMemoStrings::GetText() const { return FMemo->GetText(); }

void TMemoStrings::SetText(const String& value) {
    // Line ends of any kind become the window's CR LF.
    String text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            text += kLineBreak;
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else {
            text += c;
        }
    }
    if (text != FMemo->GetText()) FMemo->SetText(text);
}

void TMemoStrings::SetUpdateState(bool updating) {
    if (!FMemo->HandleAllocated()) return;
    FMemo->Perform(WM_SETREDRAW, WPARAM(!updating), 0);
    if (!updating) FMemo->Invalidate();
}

// ---- TCustomMemo --------------------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), FLines(std::make_unique<TMemoStrings>(this)) {
    SetBounds(FLeft, FTop, 185, 89);
    SetAutoSelect(false);
    FControlStyle.Exclude(csFixedHeight);
}

TCustomMemo::~TCustomMemo() = default;

void TCustomMemo::SetLines(TStrings* value) { FLines->Assign(value); }

void TCustomMemo::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
    if (FScrollBars == value) return;
    FScrollBars = value;
    RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value) {
    if (FWordWrap == value) return;
    FWordWrap = value;
    RecreateWnd();
}

POINT TCustomMemo::GetCaretPos() const {
    if (!HandleAllocated()) return POINT{0, 0};
    auto* self = const_cast<TCustomMemo*>(this);
    DWORD start = 0, end = 0;
    self->Perform(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    POINT result;
    result.y = LONG(self->Perform(EM_LINEFROMCHAR, WPARAM(end), 0));
    result.x = LONG(Integer(end) - Integer(self->Perform(EM_LINEINDEX, WPARAM(result.y), 0)));
    return result;
}

void TCustomMemo::SetCaretPos(POINT value) {
    HandleNeeded();
    const LRESULT at = Perform(EM_LINEINDEX, WPARAM(value.y), 0) + value.x;
    Perform(EM_SETSEL, WPARAM(at), LPARAM(at));
    Perform(EM_SCROLLCARET, 0, 0);
}

void TCustomMemo::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    params.Style &= ~(ES_AUTOHSCROLL | DWORD(ES_WANTRETURN));
    params.Style |= ES_MULTILINE;
    if (!FWordWrap) params.Style |= ES_AUTOHSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
    if (FAlignment == taRightJustify) params.Style |= ES_RIGHT;
    if (FAlignment == taCenter) params.Style |= ES_CENTER;
}

void TCustomMemo::KeyPress(char32_t& key) {
    TCustomEdit::KeyPress(key);
    if (key == U'\r' && !FWantReturns) key = 0;
}

void TCustomMemo::WMGetDlgCode(TMessage& message) {
    KOV_INHERITED(message);
    if (FWantTabs)
        message.Result |= DLGC_WANTTAB;
    else
        message.Result &= ~DLGC_WANTTAB;
    if (!FWantReturns) message.Result &= ~DLGC_WANTALLKEYS;
    // The window asks about a key it is about to type: a memo takes Enter as a line break
    // whenever it wants returns, and Tab only when it wants tabs.
    if (const MSG* msg = reinterpret_cast<const MSG*>(message.LParam)) {
        if (msg->wParam == WPARAM(VK_RETURN) && FWantReturns) message.Result |= DLGC_WANTALLKEYS;
        if (msg->wParam == WPARAM(VK_TAB) && !FWantTabs) message.Result &= ~DLGC_WANTALLKEYS;
    }
}

KOV_MESSAGE_MAP(TCustomMemo) { map.Message(WM_GETDLGCODE, &TCustomMemo::WMGetDlgCode); }

// ---- Type information ---------------------------------------------------------------------------

KOV_PUBLISHED(TCustomEdit) {
    Property("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect).Default(true);
    Property("BorderStyle", &TCustomEdit::GetBorderStyle, &TCustomEdit::SetBorderStyle).Default(bsSingle);
    Property("CharCase", &TCustomEdit::GetCharCase, &TCustomEdit::SetCharCase).Default(ecNormal);
    Property("HideSelection", &TCustomEdit::GetHideSelection, &TCustomEdit::SetHideSelection).Default(true);
    Property("MaxLength", &TCustomEdit::GetMaxLength, &TCustomEdit::SetMaxLength).Default(0);
    Property("OEMConvert", &TCustomEdit::GetOEMConvert, &TCustomEdit::SetOEMConvert).Default(false);
    Property("PasswordChar", &TCustomEdit::GetPasswordChar, &TCustomEdit::SetPasswordChar).Default(char(0));
    Property("ReadOnly", &TCustomEdit::GetReadOnly, &TCustomEdit::SetReadOnly).Default(false);
    Property("OnChange", &TCustomEdit::OnChange);
}

KOV_PUBLISHED(TCustomMemo) {
    Property("Alignment", &TCustomMemo::GetAlignment, &TCustomMemo::SetAlignment).Default(taLeftJustify);
    Property("Lines", &TCustomMemo::GetLines, &TCustomMemo::SetLines);
    Property("ScrollBars", &TCustomMemo::GetScrollBars, &TCustomMemo::SetScrollBars).Default(ssNone);
    Property("WantReturns", &TCustomMemo::GetWantReturns, &TCustomMemo::SetWantReturns).Default(true);
    Property("WantTabs", &TCustomMemo::GetWantTabs, &TCustomMemo::SetWantTabs).Default(false);
    Property("WordWrap", &TCustomMemo::GetWordWrap, &TCustomMemo::SetWordWrap).Default(true);
    Property("AutoSelect", &TCustomEdit::GetAutoSelect, &TCustomEdit::SetAutoSelect).Default(false);
}

namespace {
const bool kEditClassesRegistered = [] {
    RegisterEnum<TEditCharCase>("TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"});
    RegisterEnum<TScrollStyle>("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
    RegisterClasses({TEdit::StaticClass(), TMemo::StaticClass()});
    return true;
}();
}  // namespace

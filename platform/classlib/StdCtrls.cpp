#include "platform/classlib/StdCtrls.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinListBox.h"
#include "platform/winapi/WinScroll.h"
#include "platform/winapi/WinStatic.h"

namespace {

// Measures text laid out by format in rect (tfCalcRect is added) with the font.
TRect MeasureText(TFont* font, TRect rect, const String& text, TTextFormat format) {
    HDC dc = CreateCompatibleDC(nullptr);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.GetFont()->Assign(font);
        format.Include(tfCalcRect);
        canvas.TextRect(rect, text, format);
        canvas.SetHandle(nullptr);
    }
    DeleteDC(dc);
    return rect;
}

void FocusAccelControl(TWinControl* control, TMessage& message) {
    if (control != nullptr && control->CanFocus()) {
        control->SetFocus();
        message.Result = 1;
    }
}

} // namespace

bool IsAccel(UINT charCode, const String& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(caption[i + 1]);
        return c < 0x80 && charCode < 0x80 && std::toupper(c) == std::toupper(int(charCode));
    }
    return false;
}

String StripHotkey(const String& caption) {
    String result;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&x" is x, "&&" is "&"
        else if (caption[i] == '&') continue;
        result += caption[i];
    }
    return result;
}

HBRUSH TControlBrush::Get(TColor color) {
    if (!FBrush) FBrush = std::make_unique<TBrush>();
    FBrush->SetColor(color);
    return FBrush->GetHandle();
}

// ---- TCustomLabel -------------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle.Include(csOpaque);
    FControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 65, 17);
    FAutoSize = true;
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (FLayout == value) return;
    FLayout = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (FWordWrap == value) return;
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    if (GetTransparent() == value) return;
    if (value)
        FControlStyle.Exclude(csOpaque);
    else
        FControlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
    if (FFocusControl == value) return;
    FFocusControl = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (FShowAccelChar == value) return;
    FShowAccelChar = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetEllipsisPosition(TEllipsisPosition value) {
    if (FEllipsisPosition == value) return;
    FEllipsisPosition = value;
    FAutoSize = FAutoSize && value == epNone;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    if (FAutoSize == value) return;
    FAutoSize = value;
    AdjustBounds();
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

UINT TCustomLabel::DrawTextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    switch (FAlignment) {
    case taRightJustify: flags |= DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
    default: break;
    }
    switch (FEllipsisPosition) {
    case epPathEllipsis: flags |= DT_PATH_ELLIPSIS; break;
    case epEndEllipsis: flags |= DT_END_ELLIPSIS; break;
    case epWordEllipsis: flags |= DT_WORD_ELLIPSIS; break;
    default: break;
    }
    return flags;
}

namespace {
TTextFormat FormatOf(UINT flags) {
    TTextFormat f;
    if (flags & DT_CALCRECT) f.Include(tfCalcRect);
    if (flags & DT_CENTER) f.Include(tfCenter);
    if (flags & DT_RIGHT) f.Include(tfRight);
    if (flags & DT_VCENTER) f.Include(tfVerticalCenter);
    if (flags & DT_BOTTOM) f.Include(tfBottom);
    if (flags & DT_WORDBREAK) f.Include(tfWordBreak);
    if (flags & DT_SINGLELINE) f.Include(tfSingleLine);
    if (flags & DT_EXPANDTABS) f.Include(tfExpandTabs);
    if (flags & DT_NOPREFIX) f.Include(tfNoPrefix);
    if (flags & DT_PATH_ELLIPSIS) f.Include(tfPathEllipsis);
    if (flags & DT_END_ELLIPSIS) f.Include(tfEndEllipsis);
    if (flags & DT_WORD_ELLIPSIS) f.Include(tfWordEllipsis);
    return f;
}
} // namespace

void TCustomLabel::DoDrawText(TRect& rect, UINT flags) {
    String text = GetLabelText();
    if ((flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += " ";
    if (flags & DT_CALCRECT) {
        rect = MeasureText(GetFont(), rect, text, FormatOf(flags));
        return;
    }
    TCanvas* canvas = TGraphicControl::GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    canvas->GetBrush()->SetStyle(bsClear);
    if (!GetEnabled()) {
        // Disabled text: embossed in highlight, then in the shadow colour.
        TRect shifted = rect;
        OffsetRect(&shifted, 1, 1);
        canvas->GetFont()->SetColor(clBtnHighlight);
        canvas->TextRect(shifted, text, FormatOf(flags));
        canvas->GetFont()->SetColor(clBtnShadow);
    }
    canvas->TextRect(rect, text, FormatOf(flags));
}

void TCustomLabel::Paint() {
    TCanvas* canvas = TGraphicControl::GetCanvas();
    TRect client = GetClientRect();
    if (!GetTransparent()) {
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->GetBrush()->SetColor(GetColor());
        canvas->FillRect(client);
    }
    UINT flags = DrawTextFlags();
    TRect rect = client;
    if (FLayout != tlTop) {
        TRect calc = client;
        DoDrawText(calc, flags | DT_CALCRECT);
        const Integer height = calc.bottom - calc.top;
        const Integer offset = FLayout == tlBottom ? (client.bottom - client.top) - height
                                                   : ((client.bottom - client.top) - height) / 2;
        rect.top += offset;
        rect.bottom = rect.top + height;
    }
    DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
    if (GetComponentState().Contains(csLoading) || !FAutoSize) return;
    TRect rect = GetClientRect();
    if (!FWordWrap) rect.right = rect.left + 0x7FFF;
    DoDrawText(rect, (DrawTextFlags() & ~UINT(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
    const Integer width = rect.right - rect.left;
    const Integer height = rect.bottom - rect.top;
    Integer left = GetLeft();
    // The side the text is aligned to stays where it is.
    if (FAlignment == taRightJustify)
        left += GetWidth() - width;
    else if (FAlignment == taCenter)
        left += (GetWidth() - width) / 2;
    SetBounds(left, GetTop(), FWordWrap ? GetWidth() : width, height);
}

void TCustomLabel::CMTextChanged(TMessage& message) {
    Invalidate();
    AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& message) {
    KOV_INHERITED(message);
    AdjustBounds();
}

void TCustomLabel::CMDialogChar(TMessage& message) {
    if (FFocusControl != nullptr && GetEnabled() && FShowAccelChar && IsAccel(UINT(message.WParam), GetCaption()))
        FocusAccelControl(FFocusControl, message);
}

void TCustomLabel::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    if (message.LParam == 0 || message.LParam == LPARAM(this)) OnMouseEnter(this);
}

void TCustomLabel::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    if (message.LParam == 0 || message.LParam == LPARAM(this)) OnMouseLeave(this);
}

KOV_MESSAGE_MAP(TCustomLabel) {
    map.Message(CM_TEXTCHANGED, &TCustomLabel::CMTextChanged);
    map.Message(CM_FONTCHANGED, &TCustomLabel::CMFontChanged);
    map.Message(CM_DIALOGCHAR, &TCustomLabel::CMDialogChar);
    map.Message(CM_MOUSEENTER, &TCustomLabel::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TCustomLabel::CMMouseLeave);
}

// ---- TCustomStaticText --------------------------------------------------------------------------

TCustomStaticText::TCustomStaticText(TComponent* owner) : TWinControl(owner) {
    FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csReplicatable, csDoubleClicks};
    SetBounds(0, 0, 65, 17);
    FAutoSize = true;
}

void TCustomStaticText::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, WC_STATICA);
    static const DWORD kAlign[] = {SS_LEFT, SS_RIGHT, SS_CENTER};
    params.Style |= SS_NOTIFY | kAlign[FAlignment];
    if (!FShowAccelChar) params.Style |= SS_NOPREFIX;
    if (FBorderStyle == sbsSingle) params.Style |= WS_BORDER;
    if (FBorderStyle == sbsSunken) params.Style |= SS_SUNKEN;
}

void TCustomStaticText::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    RecreateWnd();
}

void TCustomStaticText::SetBorderStyle(TStaticBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    RecreateWnd();
    AdjustBounds();
}

void TCustomStaticText::SetFocusControl(TWinControl* value) {
    if (FFocusControl == value) return;
    FFocusControl = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TCustomStaticText::SetShowAccelChar(bool value) {
    if (FShowAccelChar == value) return;
    FShowAccelChar = value;
    RecreateWnd();
}

void TCustomStaticText::SetAutoSize(bool value) {
    if (FAutoSize == value) return;
    FAutoSize = value;
    AdjustBounds();
}

void TCustomStaticText::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TCustomStaticText::Loaded() {
    TWinControl::Loaded();
    AdjustBounds();
}

void TCustomStaticText::AdjustBounds() {
    if (GetComponentState().Contains(csLoading) || !FAutoSize) return;
    TTextFormat format{tfExpandTabs};
    if (!FShowAccelChar) format.Include(tfNoPrefix);
    String text = GetText();
    if (text.empty()) text = " ";
    TRect rect = MeasureText(GetFont(), TRect{0, 0, 0x7FFF, 0}, text, format);
    Integer width = rect.right - rect.left;
    Integer height = rect.bottom - rect.top;
    const Integer border = FBorderStyle == sbsNone ? 0 : 2;
    width += 2 * border;
    height += 2 * border;
    Integer left = GetLeft();
    if (FAlignment == taRightJustify)
        left += GetWidth() - width;
    else if (FAlignment == taCenter)
        left += (GetWidth() - width) / 2;
    SetBounds(left, GetTop(), width, height);
}

void TCustomStaticText::CNCtlColorStatic(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(GetFont()->GetColor())));
    SetBkColor(dc, COLORREF(ColorToRGB(GetColor())));
    message.Result = LRESULT(FBrush.Get(GetColor()));
}

void TCustomStaticText::CMDialogChar(TMessage& message) {
    if (FFocusControl != nullptr && GetEnabled() && FShowAccelChar && IsAccel(UINT(message.WParam), GetCaption()))
        FocusAccelControl(FFocusControl, message);
}

void TCustomStaticText::CMTextChanged(TMessage& message) {
    KOV_INHERITED(message);
    AdjustBounds();
    Invalidate();
}

void TCustomStaticText::CMFontChanged(TMessage& message) {
    KOV_INHERITED(message);
    AdjustBounds();
}

KOV_MESSAGE_MAP(TCustomStaticText) {
    map.Message(CN_CTLCOLORSTATIC, &TCustomStaticText::CNCtlColorStatic);
    map.Message(CN_CTLCOLORBTN, &TCustomStaticText::CNCtlColorStatic);
    map.Message(CM_DIALOGCHAR, &TCustomStaticText::CMDialogChar);
    map.Message(CM_TEXTCHANGED, &TCustomStaticText::CMTextChanged);
    map.Message(CM_FONTCHANGED, &TCustomStaticText::CMFontChanged);
}

// ---- TCustomGroupBox ----------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                     csReplicatable};
    SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TCustomGroupBox::AdjustClientRect(RECT& rect) {
    TCustomControl::AdjustClientRect(rect);
    const TRect text = MeasureText(GetFont(), TRect{0, 0, 100, 0}, "0", TTextFormat{tfSingleLine});
    rect.top += text.bottom - text.top;
    InflateRect(&rect, -1, -1);
    if (GetCtl3D()) InflateRect(&rect, -1, -1);
}

void TCustomGroupBox::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    const TRect client = GetClientRect();
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(client);
    const Integer textHeight = canvas->TextHeight("0");
    TRect frame{client.left, client.top + textHeight / 2, client.right, client.bottom};
    HDC dc = canvas->GetHandle();
    if (GetCtl3D())
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    else {
        canvas->GetBrush()->SetColor(clWindowFrame);
        canvas->FrameRect(frame);
    }
    const String caption = GetText();
    if (!caption.empty()) {
        TRect r{0, 0, 0, 0};
        canvas->TextRect(r, caption, TTextFormat{tfCalcRect, tfSingleLine});
        OffsetRect(&r, 8, 0);
        canvas->GetBrush()->SetColor(GetColor());
        canvas->GetBrush()->SetStyle(bsSolid);
        TRect textRect = r;
        canvas->FillRect(textRect);
        canvas->GetBrush()->SetStyle(bsClear);
        if (!GetEnabled()) canvas->GetFont()->SetColor(clGrayText);
        canvas->TextRect(textRect, caption, TTextFormat{tfSingleLine});
    }
}

void TCustomGroupBox::CMDialogChar(TMessage& message) {
    if (IsAccel(UINT(message.WParam), GetCaption()) && CanFocus()) {
        std::vector<TWinControl*> list;
        GetTabOrderList(list);
        for (TWinControl* control : list) {
            if (control->CanFocus() && control->GetTabStop()) {
                control->SetFocus();
                message.Result = 1;
                return;
            }
        }
        return;
    }
    KOV_INHERITED(message);
}

void TCustomGroupBox::CMTextChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
    Realign();
}

void TCustomGroupBox::CMFontChanged(TMessage& message) {
    KOV_INHERITED(message);
    Realign();
}

KOV_MESSAGE_MAP(TCustomGroupBox) {
    map.Message(CM_DIALOGCHAR, &TCustomGroupBox::CMDialogChar);
    map.Message(CM_TEXTCHANGED, &TCustomGroupBox::CMTextChanged);
    map.Message(CM_FONTCHANGED, &TCustomGroupBox::CMFontChanged);
}

// ---- TButtonControl -----------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    // The window class clicks; the control must not click again from the mouse messages.
    FControlStyle = {csSetCaption, csDoubleClicks};
    FTabStop = true;
}

void TButtonControl::SetWordWrap(bool value) {
    if (FWordWrap == value) return;
    FWordWrap = value;
    RecreateWnd();
}

void TButtonControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, WC_BUTTONA);
    if (FWordWrap) params.Style |= BS_MULTILINE;
}

bool TButtonControl::ClickAllowed() const {
    return !FClicksDisabled && !GetComponentState().Contains(csLoading) &&
           !GetComponentState().Contains(csReading);
}

void TButtonControl::CNCtlColor(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(GetFont()->GetColor())));
    SetBkColor(dc, COLORREF(ColorToRGB(GetColor())));
    message.Result = LRESULT(FBrush.Get(GetColor()));
}

void TButtonControl::WMEraseBkgnd(TMessage& message) {
    // The button class paints its whole area.
    message.Result = 1;
}

KOV_MESSAGE_MAP(TButtonControl) {
    map.Message(CN_CTLCOLORBTN, &TButtonControl::CNCtlColor);
    map.Message(CN_CTLCOLORSTATIC, &TButtonControl::CNCtlColor);
    map.Message(WM_ERASEBKGND, &TButtonControl::WMEraseBkgnd);
}

// ---- TButton ------------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 75, 25); }

void TButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::CreateWnd() {
    TButtonControl::CreateWnd();
    FActive = FDefault;
}

void TButton::SetButtonStyle(bool isDefault) {
    if (!HandleAllocated()) return;
    const DWORD kind = DWORD(GetWindowLongA(GetHandle(), GWL_STYLE)) & BS_TYPEMASK;
    if (kind == BS_OWNERDRAW) {
        // The window keeps its kind and reports the default look in its item state.
        SendMessageA(GetHandle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        return;
    }
    const DWORD wanted = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (kind != wanted) SendMessageA(GetHandle(), BM_SETSTYLE, wanted, TRUE);
}

void TButton::SetDefault(bool value) {
    if (FDefault == value) return;
    FDefault = value;
    if (!HandleAllocated()) return;
    if (TCustomForm* form = GetParentForm(this)) {
        form->Perform(CM_FOCUSCHANGED, 0, LPARAM(form->GetActiveControl()));
    } else {
        FActive = value;
        SetButtonStyle(value);
    }
}

void TButton::Click() {
    const TLivenessToken alive = LivenessToken();
    if (TCustomForm* form = GetParentForm(this)) {
        if (FModalResult != mrNone) form->SetModalResult(FModalResult);
    }
    if (!alive) return;
    TButtonControl::Click();
}

void TButton::CNCommand(TWMCommand& message) {
    if (message.NotifyCode == BN_CLICKED) Click();
}

void TButton::CNDrawItem(TWMDrawItem& message) {
    if (message.DrawItemStruct == nullptr) return;
    DrawItem(*message.DrawItemStruct);
    message.Result = 1;
}

void TButton::CMDialogKey(TWMKey& message) {
    const bool plain = KeyDataToShiftState(message.KeyData).empty();
    if (plain && ((message.CharCode == VK_RETURN && FActive) || (message.CharCode == VK_ESCAPE && FCancel)) &&
        GetEnabled() && IsShowing()) {
        Click();
        message.Result = 1;
        return;
    }
    TMessage m{message.Msg, message.CharCode, message.KeyData, 0};
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TButton::CMDialogChar(TWMKey& message) {
    if (IsAccel(message.CharCode, GetCaption()) && CanFocus()) {
        Click();
        message.Result = 1;
        return;
    }
    TMessage m{message.Msg, message.CharCode, message.KeyData, 0};
    KOV_INHERITED(m);
    message.Result = m.Result;
}

void TButton::CMFocusChanged(TCMFocusChanged& message) {
    // A focused button is the one Enter presses; otherwise the default button is.
    const bool active = dynamic_cast<TButton*>(message.Sender) != nullptr ? message.Sender == this : FDefault;
    if (active != FActive) {
        FActive = active;
        SetButtonStyle(active);
    }
}

KOV_MESSAGE_MAP(TButton) {
    map.Message(CN_COMMAND, &TButton::CNCommand);
    map.Message(CN_DRAWITEM, &TButton::CNDrawItem);
    map.Message(CM_DIALOGKEY, &TButton::CMDialogKey);
    map.Message(CM_DIALOGCHAR, &TButton::CMDialogChar);
    map.Message(CM_FOCUSCHANGED, &TButton::CMFocusChanged);
}

// ---- TCustomCheckBox ----------------------------------------------------------------------------

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) { SetBounds(0, 0, 97, 17); }

void TCustomCheckBox::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_3STATE;
    if (FAlignment == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageA(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
}

void TCustomCheckBox::SetAlignment(TLeftRight value) {
    if (FAlignment == value) return;
    FAlignment = value;
    RecreateWnd();
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
    if (FState == value) return;
    FState = value;
    if (HandleAllocated()) SendMessageA(GetHandle(), BM_SETCHECK, WPARAM(FState), 0);
    if (ClickAllowed()) Click();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::CNCommand(TWMCommand& message) {
    if (message.NotifyCode == BN_CLICKED) Toggle();
}

void TCustomCheckBox::CMDialogChar(TWMKey& message) {
    if (IsAccel(message.CharCode, GetCaption()) && CanFocus()) {
        const TLivenessToken alive = LivenessToken();
        SetFocus();
        if (alive && Focused()) Toggle();
        message.Result = 1;
    }
}

KOV_MESSAGE_MAP(TCustomCheckBox) {
    map.Message(CN_COMMAND, &TCustomCheckBox::CNCommand);
    map.Message(CM_DIALOGCHAR, &TCustomCheckBox::CMDialogChar);
}

// ---- TRadioButton -------------------------------------------------------------------------------

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 113, 17);
    FTabStop = false;
}

void TRadioButton::CreateParams(TCreateParams& params) {
    TButtonControl::CreateParams(params);
    params.Style |= BS_RADIOBUTTON;
    if (FAlignment == taLeftJustify) params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
    TButtonControl::CreateWnd();
    SendMessageA(GetHandle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TLeftRight value) {
    if (FAlignment == value) return;
    FAlignment = value;
    RecreateWnd();
}

void TRadioButton::TurnSiblingsOff() {
    TWinControl* parent = GetParent();
    if (parent == nullptr) return;
    for (Integer i = 0; i < parent->GetControlCount(); ++i) {
        auto* sibling = dynamic_cast<TRadioButton*>(parent->GetControls(i));
        if (sibling != nullptr && sibling != this) sibling->SetChecked(false);
    }
}

void TRadioButton::SetChecked(bool value) {
    if (FChecked == value) return;
    FChecked = value;
    SetTabStop(value);
    if (HandleAllocated()) SendMessageA(GetHandle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value) return;
    TurnSiblingsOff();
    if (ClickAllowed()) Click();
}

void TRadioButton::CNCommand(TWMCommand& message) {
    switch (message.NotifyCode) {
    case BN_CLICKED: SetChecked(true); break;
    case BN_DOUBLECLICKED: DblClick(); break;
    default: break;
    }
}

void TRadioButton::CMDialogChar(TWMKey& message) {
    if (IsAccel(message.CharCode, GetCaption()) && CanFocus()) {
        const TLivenessToken alive = LivenessToken();
        SetFocus();
        if (alive && Focused()) SetChecked(true);
        message.Result = 1;
    }
}

KOV_MESSAGE_MAP(TRadioButton) {
    map.Message(CN_COMMAND, &TRadioButton::CNCommand);
    map.Message(CM_DIALOGCHAR, &TRadioButton::CMDialogChar);
}

// ---- Registration -------------------------------------------------------------------------------

namespace {
struct TStdCtrlsTypes {
    TStdCtrlsTypes() {
        RegisterEnum<TTextLayout>("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
        RegisterEnum<TEllipsisPosition>("TEllipsisPosition",
                                        {"epNone", "epPathEllipsis", "epEndEllipsis", "epWordEllipsis"});
        RegisterEnum<TCheckBoxState>("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
        RegisterEnum<TStaticBorderStyle>("TStaticBorderStyle", {"sbsNone", "sbsSingle", "sbsSunken"});
    }
};
const TStdCtrlsTypes kStdCtrlsTypes;
} // namespace

KOV_PUBLISHED(TCustomLabel) {
    Property("Alignment", &TCustomLabel::GetAlignment, &TCustomLabel::SetAlignment).Default(taLeftJustify);
    Property("Layout", &TCustomLabel::GetLayout, &TCustomLabel::SetLayout).Default(tlTop);
    Property("AutoSize", &TCustomLabel::GetAutoSize, &TCustomLabel::SetAutoSize).Default(true);
    Property("WordWrap", &TCustomLabel::GetWordWrap, &TCustomLabel::SetWordWrap).Default(false);
    Property("Transparent", &TCustomLabel::GetTransparent, &TCustomLabel::SetTransparent).Default(false);
    Property("FocusControl", &TCustomLabel::GetFocusControl, &TCustomLabel::SetFocusControl);
    Property("ShowAccelChar", &TCustomLabel::GetShowAccelChar, &TCustomLabel::SetShowAccelChar).Default(true);
    Property("EllipsisPosition", &TCustomLabel::GetEllipsisPosition, &TCustomLabel::SetEllipsisPosition)
        .Default(epNone);
    Property("OnMouseEnter", &TCustomLabel::OnMouseEnter);
    Property("OnMouseLeave", &TCustomLabel::OnMouseLeave);
}

KOV_PUBLISHED(TCustomStaticText) {
    Property("Alignment", &TCustomStaticText::GetAlignment, &TCustomStaticText::SetAlignment)
        .Default(taLeftJustify);
    Property("AutoSize", &TCustomStaticText::GetAutoSize, &TCustomStaticText::SetAutoSize).Default(true);
    Property("BorderStyle", &TCustomStaticText::GetBorderStyle, &TCustomStaticText::SetBorderStyle)
        .Default(sbsNone);
    Property("FocusControl", &TCustomStaticText::GetFocusControl, &TCustomStaticText::SetFocusControl);
    Property("ShowAccelChar", &TCustomStaticText::GetShowAccelChar, &TCustomStaticText::SetShowAccelChar)
        .Default(true);
}

KOV_PUBLISHED(TButtonControl) {
    Property("WordWrap", &TButtonControl::GetWordWrap, &TButtonControl::SetWordWrap).Default(false);
}

KOV_PUBLISHED(TButton) {
    Property("Default", &TButton::GetDefault, &TButton::SetDefault).Default(false);
    Property("Cancel", &TButton::GetCancel, &TButton::SetCancel).Default(false);
    Property("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult).Default(0);
    Property("TabStop", &TButton::GetTabStop, &TButton::SetTabStop).Default(true);
}

KOV_PUBLISHED(TCustomCheckBox) {
    Property("Alignment", &TCustomCheckBox::GetAlignment, &TCustomCheckBox::SetAlignment).Default(taRightJustify);
    Property("AllowGrayed", &TCustomCheckBox::GetAllowGrayed, &TCustomCheckBox::SetAllowGrayed).Default(false);
    Property("State", &TCustomCheckBox::GetState, &TCustomCheckBox::SetState).Default(cbUnchecked);
    Property("Checked", &TCustomCheckBox::GetChecked, &TCustomCheckBox::SetChecked).Default(false);
    Property("TabStop", &TCustomCheckBox::GetTabStop, &TCustomCheckBox::SetTabStop).Default(true);
}

KOV_PUBLISHED(TRadioButton) {
    Property("Alignment", &TRadioButton::GetAlignment, &TRadioButton::SetAlignment).Default(taRightJustify);
    Property("Checked", &TRadioButton::GetChecked, &TRadioButton::SetChecked).Default(false);
}

namespace {
const bool kStdCtrlsRegistered = [] {
    RegisterClasses({TCustomGroupBox::StaticClass(), TGroupBox::StaticClass(), TCustomLabel::StaticClass(),
                     TLabel::StaticClass(), TCustomStaticText::StaticClass(), TStaticText::StaticClass(),
                     TButtonControl::StaticClass(), TButton::StaticClass(), TCustomCheckBox::StaticClass(),
                     TCheckBox::StaticClass(), TRadioButton::StaticClass()});
    return true;
}();
} // namespace

// ---- Owner-draw state ---------------------------------------------------------------------------

TOwnerDrawState OwnerDrawStateFromItemState(UINT itemState) {
    TOwnerDrawState state;
    static const std::pair<UINT, TOwnerDrawStateItem> kBits[] = {
        {ODS_SELECTED, odSelected}, {ODS_GRAYED, odGrayed},       {ODS_DISABLED, odDisabled},
        {ODS_CHECKED, odChecked},   {ODS_FOCUS, odFocused},       {ODS_DEFAULT, odDefault},
        {ODS_HOTLIGHT, odHotLight}, {ODS_INACTIVE, odInactive},   {ODS_NOACCEL, odNoAccel},
        {ODS_NOFOCUSRECT, odNoFocusRect}, {ODS_COMBOBOXEDIT, odComboBoxEdit}};
    for (const auto& [bit, item] : kBits)
        if (itemState & bit) state.Include(item);
    return state;
}

// ---- TListBoxStrings ----------------------------------------------------------------------------

TListBoxStrings::TListBoxStrings(TCustomListBox* listBox)
    : FListBox(listBox), FSaved(std::make_unique<TStringList>()) {
    FSaved->SetDuplicates(dupAccept);
}

TListBoxStrings::~TListBoxStrings() = default;

bool TListBoxStrings::Windowed() const { return FListBox != nullptr && FListBox->HandleAllocated(); }

HWND TListBoxStrings::Wnd() const { return FListBox->GetHandle(); }

Integer TListBoxStrings::GetCount() const {
    if (FListBox != nullptr && FListBox->IsVirtual()) return FListBox->GetCount();
    if (Windowed()) return Integer(SendMessageA(Wnd(), LB_GETCOUNT, 0, 0));
    return FSaved->GetCount();
}

String TListBoxStrings::Get(Integer index) const {
    if (FListBox != nullptr && FListBox->IsVirtual()) {
        if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
        return FListBox->DoGetData(index);
    }
    if (!Windowed()) return FSaved->GetStrings(index);
    const LRESULT length = SendMessageA(Wnd(), LB_GETTEXTLEN, WPARAM(index), 0);
    if (length == LB_ERR) Error("List index out of bounds (%d)", index);
    std::string buffer(std::size_t(length) + 1, '\0');
    const LRESULT copied = SendMessageA(Wnd(), LB_GETTEXT, WPARAM(index), LPARAM(buffer.data()));
    buffer.resize(copied < 0 ? 0 : std::size_t(copied));
    return buffer;
}

void TListBoxStrings::Put(Integer index, const String& s) {
    if (!Windowed()) {
        TObject* object = FSaved->GetObjects(index);
        FSaved->Delete(index);
        if (FSaved->GetSorted())
            FSaved->AddObject(s, object);
        else
            FSaved->InsertObject(index, s, object);
        return;
    }
    // The window has no "replace": the item goes and comes back with its data and selection.
    const Integer itemIndex = FListBox->GetItemIndex();
    TObject* object = GetObject(index);
    const bool selected = FListBox->GetMultiSelect() && FListBox->GetSelected(index);
    Delete(index);
    InsertObject(index, s, object);
    if (FListBox->GetMultiSelect() && selected) FListBox->SetSelected(index, true);
    FListBox->SetItemIndex(itemIndex);
}

TObject* TListBoxStrings::GetObject(Integer index) const {
    if (FListBox != nullptr && FListBox->IsVirtual()) return nullptr;
    if (!Windowed()) return FSaved->GetObjects(index);
    const LRESULT data = SendMessageA(Wnd(), LB_GETITEMDATA, WPARAM(index), 0);
    if (data == LB_ERR) Error("List index out of bounds (%d)", index);
    return reinterpret_cast<TObject*>(data);
}

void TListBoxStrings::PutObject(Integer index, TObject* object) {
    if (FListBox != nullptr && FListBox->IsVirtual()) return;
    if (!Windowed()) {
        FSaved->SetObjects(index, object);
        return;
    }
    if (SendMessageA(Wnd(), LB_SETITEMDATA, WPARAM(index), LPARAM(object)) == LB_ERR)
        Error("List index out of bounds (%d)", index);
}

Integer TListBoxStrings::Add(const String& s) {
    if (FListBox != nullptr && FListBox->IsVirtual()) return -1;
    if (!Windowed()) return FSaved->Add(s);
    const LRESULT index = SendMessageA(Wnd(), LB_ADDSTRING, 0, LPARAM(s.c_str()));
    if (index < 0) throw EOutOfMemory("Insufficient storage");
    return Integer(index);
}

void TListBoxStrings::Insert(Integer index, const String& s) {
    if (FListBox != nullptr && FListBox->IsVirtual()) return;
    if (!Windowed()) {
        if (FSaved->GetSorted())
            FSaved->Add(s);
        else
            FSaved->Insert(index, s);
        return;
    }
    if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
    // A sorted list puts the item in its place (LB_INSERTSTRING would not sort).
    const LRESULT result = FListBox->GetSorted()
                               ? SendMessageA(Wnd(), LB_ADDSTRING, 0, LPARAM(s.c_str()))
                               : SendMessageA(Wnd(), LB_INSERTSTRING, WPARAM(index), LPARAM(s.c_str()));
    if (result < 0) throw EOutOfMemory("Insufficient storage");
}

void TListBoxStrings::Delete(Integer index) {
    if (FListBox != nullptr && FListBox->IsVirtual()) return;
    if (!Windowed()) {
        FSaved->Delete(index);
        return;
    }
    if (SendMessageA(Wnd(), LB_DELETESTRING, WPARAM(index), 0) == LB_ERR)
        Error("List index out of bounds (%d)", index);
}

void TListBoxStrings::Clear() {
    if (FListBox != nullptr && FListBox->IsVirtual()) {
        FListBox->SetCount(0);
        return;
    }
    if (!Windowed()) {
        FSaved->Clear();
        return;
    }
    SendMessageA(Wnd(), LB_RESETCONTENT, 0, 0);
}

Integer TListBoxStrings::IndexOf(const String& s) const {
    if (!Windowed() || (FListBox != nullptr && FListBox->IsVirtual())) return TStrings::IndexOf(s);
    const LRESULT index = SendMessageA(Wnd(), LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(s.c_str()));
    return Integer(index < 0 ? -1 : index);
}

void TListBoxStrings::SetUpdateState(bool updating) {
    if (!Windowed()) return;
    SendMessageA(Wnd(), WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating) FListBox->Invalidate();
}

// ---- TCustomListBox -----------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TListBoxStrings>(this)),
      FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
    FControlStyle = {csSetCaption, csDoubleClicks, csOpaque};
    SetBounds(0, 0, 121, 97);
    FTabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() {
    // The canvas may hold a context of the window; it goes first.
    FCanvas.reset();
}

void TCustomListBox::SetItems(TStrings* value) { FItems->Assign(value); }

void TCustomListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, WC_LISTBOXA);
    params.Style |= WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_USETABSTOPS;
    if (FSorted && !IsVirtual()) params.Style |= LBS_SORT;
    if (FMultiSelect) params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    switch (FStyle) {
    case lbOwnerDrawFixed: params.Style |= LBS_OWNERDRAWFIXED; break;
    case lbOwnerDrawVariable: params.Style |= LBS_OWNERDRAWVARIABLE; break;
    case lbVirtual:
    case lbVirtualOwnerDraw: params.Style = (params.Style & ~LBS_HASSTRINGS) | LBS_OWNERDRAWFIXED | LBS_NODATA; break;
    default: break;
    }
    if (FColumns > 0) params.Style |= LBS_MULTICOLUMN;
    if (!FIntegralHeight) params.Style |= LBS_NOINTEGRALHEIGHT;
    if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    HWND wnd = GetHandle();
    if (FStyle == lbOwnerDrawFixed || IsVirtual()) SendMessageA(wnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(FItemHeight, 0));
    if (FColumns > 0) SendMessageA(wnd, LB_SETCOLUMNWIDTH, WPARAM(GetClientWidth() / FColumns), 0);
    SendMessageA(wnd, LB_SETHORIZONTALEXTENT, WPARAM(FScrollWidth), 0);
    if (IsVirtual()) {
        SendMessageA(wnd, LB_SETCOUNT, WPARAM(FCount), 0);
    } else {
        // The items kept meanwhile move into the window.
        TStringList& saved = *FItems->FSaved;
        for (Integer i = 0; i < saved.GetCount(); ++i) {
            const LRESULT index = SendMessageA(wnd, LB_ADDSTRING, 0, LPARAM(saved.GetStrings(i).c_str()));
            if (index >= 0) SendMessageA(wnd, LB_SETITEMDATA, WPARAM(index), LPARAM(saved.GetObjects(i)));
        }
        saved.Clear();
    }
    if (FMultiSelect) {
        for (std::size_t i = 0; i < FSavedSelection.size(); ++i)
            if (FSavedSelection[i]) SendMessageA(wnd, LB_SETSEL, TRUE, LPARAM(i));
    }
    FSavedSelection.clear();
    SetItemIndex(FSavedItemIndex);
    SendMessageA(wnd, LB_SETTOPINDEX, WPARAM(FSavedTopIndex), 0);
}

void TCustomListBox::DestroyWnd() {
    if (HandleAllocated()) {
        HWND wnd = GetHandle();
        FSavedItemIndex = GetItemIndex();
        FSavedTopIndex = GetTopIndex();
        const Integer count = Integer(SendMessageA(wnd, LB_GETCOUNT, 0, 0));
        FSavedSelection.clear();
        if (FMultiSelect)
            for (Integer i = 0; i < count; ++i) FSavedSelection.push_back(SendMessageA(wnd, LB_GETSEL, WPARAM(i), 0) > 0);
        if (!IsVirtual()) {
            TStringList& saved = *FItems->FSaved;
            saved.Clear();
            saved.SetSorted(false);
            for (Integer i = 0; i < count; ++i) {
                TObject* object = reinterpret_cast<TObject*>(SendMessageA(wnd, LB_GETITEMDATA, WPARAM(i), 0));
                const LRESULT length = SendMessageA(wnd, LB_GETTEXTLEN, WPARAM(i), 0);
                std::string text(std::size_t(length < 0 ? 0 : length) + 1, '\0');
                const LRESULT copied = SendMessageA(wnd, LB_GETTEXT, WPARAM(i), LPARAM(text.data()));
                text.resize(copied < 0 ? 0 : std::size_t(copied));
                saved.AddObject(text, object);
            }
            saved.SetSorted(FSorted);
        }
    }
    FCanvas->FreeHandle();
    TWinControl::DestroyWnd();
}

Integer TCustomListBox::GetItemIndex() const {
    if (!HandleAllocated()) return FSavedItemIndex;
    HWND wnd = const_cast<TCustomListBox*>(this)->GetHandle();
    return Integer(SendMessageA(wnd, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
}

void TCustomListBox::SetItemIndex(Integer value) {
    if (!HandleAllocated()) {
        FSavedItemIndex = value;
        return;
    }
    if (FMultiSelect)
        SendMessageA(GetHandle(), LB_SETCARETINDEX, WPARAM(value), FALSE);
    else
        SendMessageA(GetHandle(), LB_SETCURSEL, WPARAM(value), 0);
}

Integer TCustomListBox::GetTopIndex() const {
    if (!HandleAllocated()) return FSavedTopIndex;
    return Integer(SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(Integer value) {
    if (!HandleAllocated()) {
        FSavedTopIndex = value;
        return;
    }
    if (GetTopIndex() != value) SendMessageA(GetHandle(), LB_SETTOPINDEX, WPARAM(value), 0);
}

Integer TCustomListBox::GetCount() const {
    if (IsVirtual()) return FCount;
    return FItems->GetCount();
}

void TCustomListBox::SetCount(Integer value) {
    if (!IsVirtual()) throw EInvalidOperation("Property Count can only be set on a virtual list box");
    FCount = std::max<Integer>(value, 0);
    if (HandleAllocated()) SendMessageA(GetHandle(), LB_SETCOUNT, WPARAM(FCount), 0);
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (FMultiSelect == value) return;
    FMultiSelect = value;
    RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
    if (FExtendedSelect == value) return;
    FExtendedSelect = value;
    RecreateWnd();
}

bool TCustomListBox::GetSelected(Integer index) const {
    if (!HandleAllocated()) {
        if (FMultiSelect) return std::size_t(index) < FSavedSelection.size() && FSavedSelection[std::size_t(index)];
        return index == FSavedItemIndex;
    }
    const LRESULT result = SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETSEL, WPARAM(index), 0);
    if (result == LB_ERR) throw EListError(Format("List index out of bounds (%d)", {index}));
    return result > 0;
}

void TCustomListBox::SetSelected(Integer index, bool value) {
    if (index < 0 || index >= GetCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
    if (!HandleAllocated()) {
        if (FMultiSelect) {
            if (FSavedSelection.size() <= std::size_t(index)) FSavedSelection.resize(std::size_t(index) + 1);
            FSavedSelection[std::size_t(index)] = value;
        } else if (value) {
            FSavedItemIndex = index;
        } else if (FSavedItemIndex == index) {
            FSavedItemIndex = -1;
        }
        return;
    }
    if (FMultiSelect) {
        SendMessageA(GetHandle(), LB_SETSEL, value ? TRUE : FALSE, LPARAM(index));
    } else if (value) {
        SetItemIndex(index);
    } else if (GetItemIndex() == index) {
        SetItemIndex(-1);
    }
}

Integer TCustomListBox::GetSelCount() const {
    if (!FMultiSelect) return -1;
    if (!HandleAllocated()) {
        Integer n = 0;
        for (bool b : FSavedSelection) n += b ? 1 : 0;
        return n;
    }
    return Integer(SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetSorted(bool value) {
    if (FSorted == value) return;
    FSorted = value;
    if (HandleAllocated()) {
        RecreateWnd();
    } else {
        FItems->FSaved->SetSorted(value);
    }
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
    if (FStyle == value) return;
    FStyle = value;
    RecreateWnd();
}

Integer TCustomListBox::GetItemHeight() const {
    if (HandleAllocated() && FStyle == lbStandard)
        return Integer(SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomListBox::SetItemHeight(Integer value) {
    if (value <= 0 || FItemHeight == value) return;
    FItemHeight = value;
    if (FStyle != lbStandard) RecreateWnd();
}

void TCustomListBox::SetColumns(Integer value) {
    value = std::max<Integer>(value, 0);
    if (FColumns == value) return;
    const bool styleChanges = (FColumns == 0) != (value == 0);
    FColumns = value;
    if (styleChanges)
        RecreateWnd();
    else if (HandleAllocated())
        SendMessageA(GetHandle(), LB_SETCOLUMNWIDTH, WPARAM(GetClientWidth() / FColumns), 0);
}

Integer TCustomListBox::GetScrollWidth() const {
    if (!HandleAllocated()) return FScrollWidth;
    return Integer(SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETHORIZONTALEXTENT, 0, 0));
}

void TCustomListBox::SetScrollWidth(Integer value) {
    FScrollWidth = std::max<Integer>(value, 0);
    if (HandleAllocated()) SendMessageA(GetHandle(), LB_SETHORIZONTALEXTENT, WPARAM(FScrollWidth), 0);
}

void TCustomListBox::SetIntegralHeight(bool value) {
    if (FIntegralHeight == value) return;
    FIntegralHeight = value;
    RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    RecreateWnd();
}

Integer TCustomListBox::ItemAtPos(POINT pos, bool existing) const {
    const Integer count = GetCount();
    if (HandleAllocated() && count > 0) {
        HWND wnd = const_cast<TCustomListBox*>(this)->GetHandle();
        const LRESULT hit = SendMessageA(wnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(pos.x, pos.y));
        const Integer index = Integer(LOWORD(DWORD(hit)));
        if (HIWORD(DWORD(hit)) == 0 && index < count) {
            const TRect r = ItemRect(index);
            if (PtInRect(&r, pos)) return index;
        }
    }
    return existing ? -1 : count;
}

TRect TCustomListBox::ItemRect(Integer index) const {
    TRect r{0, 0, 0, 0};
    if (!HandleAllocated()) return r;
    HWND wnd = const_cast<TCustomListBox*>(this)->GetHandle();
    const Integer count = GetCount();
    if (index >= 0 && (index < count || count == 0)) {
        if (SendMessageA(wnd, LB_GETITEMRECT, WPARAM(index), LPARAM(&r)) != LB_ERR) return r;
    }
    // Past the last item: the place the next item would take.
    if (count > 0 && index == count) {
        SendMessageA(wnd, LB_GETITEMRECT, WPARAM(count - 1), LPARAM(&r));
        const Integer height = r.bottom - r.top;
        OffsetRect(&r, 0, height);
    }
    return r;
}

void TCustomListBox::Clear() { FItems->Clear(); }

void TCustomListBox::ClearSelection() {
    if (FMultiSelect) {
        if (HandleAllocated())
            SendMessageA(GetHandle(), LB_SETSEL, FALSE, -1);
        else
            FSavedSelection.clear();
    } else {
        SetItemIndex(-1);
    }
}

void TCustomListBox::SelectAll() {
    if (!FMultiSelect) return;
    if (HandleAllocated())
        SendMessageA(GetHandle(), LB_SETSEL, TRUE, -1);
    else
        FSavedSelection.assign(std::size_t(GetCount()), true);
}

void TCustomListBox::DeleteSelected() {
    if (FMultiSelect) {
        for (Integer i = GetCount() - 1; i >= 0; --i)
            if (GetSelected(i)) FItems->Delete(i);
    } else if (GetItemIndex() != -1) {
        FItems->Delete(GetItemIndex());
    }
}

void TCustomListBox::KeyPress(char32_t& key) {
    TWinControl::KeyPress(key);
    // Without AutoComplete typed characters do not search the list.
    if (!FAutoComplete && key >= 0x20) key = 0;
}

String TCustomListBox::DoGetData(Integer index) {
    String data;
    OnData(this, index, data);
    return data;
}

void TCustomListBox::DrawItem(Integer index, TRect rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    FCanvas->FillRect(rect);
    if (index >= 0 && index < GetCount()) {
        const String text = IsVirtual() ? DoGetData(index) : FItems->GetStrings(index);
        FCanvas->TextOut(rect.left + 2, rect.top, text);
    }
}

void TCustomListBox::MeasureItem(Integer index, Integer& height) { OnMeasureItem(this, index, height); }

void TCustomListBox::CNCommand(TWMCommand& message) {
    switch (message.NotifyCode) {
    case LBN_SELCHANGE: Click(); break;
    case LBN_DBLCLK: DblClick(); break;
    default: break;
    }
}

void TCustomListBox::CNDrawItem(TWMDrawItem& message) {
    DRAWITEMSTRUCT* item = message.DrawItemStruct;
    if (item == nullptr) return;
    const TOwnerDrawState state = OwnerDrawStateFromItemState(item->itemState);
    const Integer index = Integer(int(item->itemID));
    const int saved = SaveDC(item->hDC);
    FCanvas->SetHandle(item->hDC);
    FCanvas->GetFont()->Assign(GetFont());
    FCanvas->GetBrush()->SetStyle(bsSolid);
    FCanvas->GetBrush()->SetColor(GetColor());
    if (state.Contains(odSelected) && index >= 0) {
        FCanvas->GetBrush()->SetColor(clHighlight);
        FCanvas->GetFont()->SetColor(clHighlightText);
    }
    const TLivenessToken alive = LivenessToken();
    if (index >= 0)
        DrawItem(index, item->rcItem, state);
    else
        FCanvas->FillRect(item->rcItem);
    if (!alive) return;
    if (state.Contains(odFocused) && !OnDrawItem) DrawFocusRect(item->hDC, &item->rcItem);
    FCanvas->SetHandle(nullptr);
    RestoreDC(item->hDC, saved);
    message.Result = 1;
}

void TCustomListBox::CNMeasureItem(TWMMeasureItem& message) {
    MEASUREITEMSTRUCT* item = message.MeasureItemStruct;
    if (item == nullptr) return;
    Integer height = FItemHeight;
    if (FStyle == lbOwnerDrawVariable) MeasureItem(Integer(item->itemID), height);
    item->itemHeight = UINT(std::max<Integer>(height, 1));
    message.Result = 1;
}

void TCustomListBox::CNCtlColor(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(GetFont()->GetColor())));
    SetBkColor(dc, COLORREF(ColorToRGB(GetColor())));
    message.Result = LRESULT(FBrush.Get(GetColor()));
}

KOV_MESSAGE_MAP(TCustomListBox) {
    map.Message(CN_COMMAND, &TCustomListBox::CNCommand);
    map.Message(CN_DRAWITEM, &TCustomListBox::CNDrawItem);
    map.Message(CN_MEASUREITEM, &TCustomListBox::CNMeasureItem);
    map.Message(CN_CTLCOLORLISTBOX, &TCustomListBox::CNCtlColor);
}

// ---- TScrollBar ---------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
    FControlStyle = {csFramed, csDoubleClicks, csOpaque};
    SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
    FTabStop = true;
}

void TScrollBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "SCROLLBAR");
    params.Style |= FKind == sbHorizontal ? SBS_HORZ : SBS_VERT;
}

void TScrollBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateWindow();
}

void TScrollBar::UpdateWindow() {
    if (!HandleAllocated()) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL & ~UINT(SIF_TRACKPOS);
    info.nMin = FMin;
    info.nMax = FMax;
    info.nPage = UINT(FPageSize);
    info.nPos = FPosition;
    SetScrollInfo(GetHandle(), SB_CTL, &info, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
    if (FKind == value) return;
    FKind = value;
    if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    RecreateWnd();
}

void TScrollBar::SetPageSize(Integer value) {
    if (FPageSize == value || value > FMax - FMin + 1) return;
    FPageSize = std::max<Integer>(value, 0);
    UpdateWindow();
}

void TScrollBar::SetParams(Integer position, Integer min, Integer max) {
    if (max < min || max < FPageSize) throw EInvalidOperation("Scroll bar property out of range");
    position = std::clamp(position, min, std::max(min, max - std::max<Integer>(FPageSize - 1, 0)));
    const bool changed = position != FPosition;
    if (min == FMin && max == FMax && !changed) return;
    FMin = min;
    FMax = max;
    FPosition = position;
    UpdateWindow();
    if (changed) Change();
}

void TScrollBar::Change() { OnChange(this); }

void TScrollBar::Scroll(TScrollCode scrollCode, Integer& scrollPos) { OnScroll(this, scrollCode, scrollPos); }

void TScrollBar::DoScroll(TMessage& message) {
    const WORD code = LOWORD(DWORD(message.WParam));
    if (code > SB_ENDSCROLL) return;
    const auto scrollCode = TScrollCode(code);
    Integer pos = FPosition;
    switch (code) {
    case SB_LINEUP: pos -= FSmallChange; break;
    case SB_LINEDOWN: pos += FSmallChange; break;
    case SB_PAGEUP: pos -= FLargeChange; break;
    case SB_PAGEDOWN: pos += FLargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The 16-bit position of the message would cut a large range; the bar knows it whole.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(GetHandle(), SB_CTL, &info);
        pos = info.nTrackPos;
        break;
    }
    case SB_TOP: pos = FMin; break;
    case SB_BOTTOM: pos = FMax; break;
    default: break;
    }
    const Integer top = std::max(FMin, FMax - std::max<Integer>(FPageSize - 1, 0));
    pos = std::clamp(pos, FMin, top);
    const TLivenessToken alive = LivenessToken();
    Scroll(scrollCode, pos);
    if (!alive) return;
    SetPosition(pos);
}

void TScrollBar::CNScroll(TMessage& message) {
    DoScroll(message);
    message.Result = 0;
}

KOV_MESSAGE_MAP(TScrollBar) {
    map.Message(CN_HSCROLL, &TScrollBar::CNScroll);
    map.Message(CN_VSCROLL, &TScrollBar::CNScroll);
}

// ---- Registration of the lists and the scroll bar -------------------------------------------------

namespace {
struct TListCtrlsTypes {
    TListCtrlsTypes() {
        RegisterEnum<TListBoxStyle>("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable",
                                                      "lbVirtual", "lbVirtualOwnerDraw"});
        RegisterEnum<TScrollBarKind>("TScrollBarKind", {"sbHorizontal", "sbVertical"});
        RegisterEnum<TOwnerDrawStateItem>("TOwnerDrawStateItem",
                                          {"odSelected", "odGrayed", "odDisabled", "odChecked", "odFocused",
                                           "odDefault", "odHotLight", "odInactive", "odNoAccel",
                                           "odNoFocusRect", "odReserved1", "odReserved2", "odComboBoxEdit"});
    }
};
const TListCtrlsTypes kListCtrlsTypes;
} // namespace

KOV_PUBLISHED(TCustomListBox) {
    Property("Style", &TCustomListBox::GetStyle, &TCustomListBox::SetStyle).Default(lbStandard);
    Property("AutoComplete", &TCustomListBox::GetAutoComplete, &TCustomListBox::SetAutoComplete).Default(true);
    Property("BorderStyle", &TCustomListBox::GetBorderStyle, &TCustomListBox::SetBorderStyle).Default(bsSingle);
    Property("Columns", &TCustomListBox::GetColumns, &TCustomListBox::SetColumns).Default(0);
    Property("ExtendedSelect", &TCustomListBox::GetExtendedSelect, &TCustomListBox::SetExtendedSelect)
        .Default(true);
    Property("IntegralHeight", &TCustomListBox::GetIntegralHeight, &TCustomListBox::SetIntegralHeight)
        .Default(false);
    Property("ItemHeight", &TCustomListBox::GetItemHeight, &TCustomListBox::SetItemHeight).Default(16);
    Property("Items", &TCustomListBox::GetItems, &TCustomListBox::SetItems);
    Property("MultiSelect", &TCustomListBox::GetMultiSelect, &TCustomListBox::SetMultiSelect).Default(false);
    Property("ScrollWidth", &TCustomListBox::GetScrollWidth, &TCustomListBox::SetScrollWidth).Default(0);
    Property("Sorted", &TCustomListBox::GetSorted, &TCustomListBox::SetSorted).Default(false);
    Property("TabStop", &TCustomListBox::GetTabStop, &TCustomListBox::SetTabStop).Default(true);
    Property("OnDrawItem", &TCustomListBox::OnDrawItem);
    Property("OnMeasureItem", &TCustomListBox::OnMeasureItem);
    Property("OnData", &TCustomListBox::OnData);
}

KOV_PUBLISHED(TScrollBar) {
    Property("Kind", &TScrollBar::GetKind, &TScrollBar::SetKind).Default(sbHorizontal);
    Property("Min", &TScrollBar::GetMin, &TScrollBar::SetMin).Default(0);
    Property("Max", &TScrollBar::GetMax, &TScrollBar::SetMax).Default(100);
    Property("PageSize", &TScrollBar::GetPageSize, &TScrollBar::SetPageSize).Default(0);
    Property("Position", &TScrollBar::GetPosition, &TScrollBar::SetPosition).Default(0);
    Property("SmallChange", &TScrollBar::GetSmallChange, &TScrollBar::SetSmallChange).Default(1);
    Property("LargeChange", &TScrollBar::GetLargeChange, &TScrollBar::SetLargeChange).Default(1);
    Property("TabStop", &TScrollBar::GetTabStop, &TScrollBar::SetTabStop).Default(true);
    Property("OnChange", &TScrollBar::OnChange);
    Property("OnScroll", &TScrollBar::OnScroll);
}

namespace {
const bool kListCtrlsRegistered = [] {
    RegisterClasses({TCustomListBox::StaticClass(), TListBox::StaticClass(), TScrollBar::StaticClass()});
    return true;
}();
} // namespace

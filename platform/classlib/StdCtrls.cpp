#include "platform/classlib/StdCtrls.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinComboBox.h"
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
    if (!IsShownEnabled()) {
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
        if (!IsShownEnabled()) canvas->GetFont()->SetColor(clGrayText);
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

// ---- Owner-drawn items of lists and combo boxes ----------------------------------------------------

namespace {

// Paints one owner-drawn item: the canvas takes the item's context with the control's font and
// colour (the highlight colours when selected), `draw` paints the item (an empty row is only
// filled), the focus rectangle follows unless the application draws the items, and the
// context is put back. False when there was nothing to draw or the drawing freed the control.
template <class F>
bool PaintOwnerDrawnItem(TWinControl* control, TControlCanvas& canvas, DRAWITEMSTRUCT* item, bool customDrawn,
                         F draw) {
    if (item == nullptr) return false;
    const TOwnerDrawState state = OwnerDrawStateFromItemState(item->itemState);
    const Integer index = Integer(int(item->itemID));
    const int saved = SaveDC(item->hDC);
    canvas.SetHandle(item->hDC);
    canvas.GetFont()->Assign(control->GetFont());
    canvas.GetBrush()->SetStyle(bsSolid);
    canvas.GetBrush()->SetColor(control->GetColor());
    if (state.Contains(odSelected) && index >= 0) {
        canvas.GetBrush()->SetColor(clHighlight);
        canvas.GetFont()->SetColor(clHighlightText);
    }
    const TLivenessToken alive = control->LivenessToken();
    if (index >= 0)
        draw(index, item->rcItem, state);
    else
        canvas.FillRect(item->rcItem);
    if (!alive) return false;
    if (state.Contains(odFocused) && !customDrawn) DrawFocusRect(item->hDC, &item->rcItem);
    canvas.SetHandle(nullptr);
    RestoreDC(item->hDC, saved);
    return true;
}

// The default look of an owner-drawn item: its text on the brush's colour.
void PaintItemText(TCanvas& canvas, const TRect& rect, const String& text) {
    canvas.FillRect(rect);
    canvas.TextOut(rect.left + 2, rect.top, text);
}

} // namespace

// ---- TListControlStrings -----------------------------------------------------------------------

TListControlStrings::TListControlStrings(TWinControl* control, const TMessages& messages)
    : FControl(control), FMessages(messages), FSaved(std::make_unique<TStringList>()) {
    FSaved->SetDuplicates(dupAccept);
}

TListControlStrings::~TListControlStrings() = default;

bool TListControlStrings::Windowed() const { return FControl != nullptr && FControl->HandleAllocated(); }

HWND TListControlStrings::Wnd() const { return FControl->GetHandle(); }

Integer TListControlStrings::GetCount() const {
    if (Windowed()) return Integer(SendMessageA(Wnd(), FMessages.GetCount, 0, 0));
    return FSaved->GetCount();
}

String TListControlStrings::Get(Integer index) const {
    if (!Windowed()) return FSaved->GetStrings(index);
    const LRESULT length = SendMessageA(Wnd(), FMessages.GetTextLen, WPARAM(index), 0);
    if (length == LB_ERR) Error("List index out of bounds (%d)", index);
    std::string buffer(std::size_t(length) + 1, '\0');
    const LRESULT copied = SendMessageA(Wnd(), FMessages.GetText, WPARAM(index), LPARAM(buffer.data()));
    buffer.resize(copied < 0 ? 0 : std::size_t(copied));
    return buffer;
}

void TListControlStrings::Put(Integer index, const String& s) {
    if (Windowed()) {
        PutInWindow(index, s);
        return;
    }
    TObject* object = FSaved->GetObjects(index);
    FSaved->Delete(index);
    if (FSaved->GetSorted())
        FSaved->AddObject(s, object);
    else
        FSaved->InsertObject(index, s, object);
}

TObject* TListControlStrings::GetObject(Integer index) const {
    if (!Windowed()) return FSaved->GetObjects(index);
    const LRESULT data = SendMessageA(Wnd(), FMessages.GetItemData, WPARAM(index), 0);
    if (data == LB_ERR) Error("List index out of bounds (%d)", index);
    return reinterpret_cast<TObject*>(data);
}

void TListControlStrings::PutObject(Integer index, TObject* object) {
    if (!Windowed()) {
        FSaved->SetObjects(index, object);
        return;
    }
    if (SendMessageA(Wnd(), FMessages.SetItemData, WPARAM(index), LPARAM(object)) == LB_ERR)
        Error("List index out of bounds (%d)", index);
}

Integer TListControlStrings::Add(const String& s) {
    if (!Windowed()) return FSaved->Add(s);
    const LRESULT index = SendMessageA(Wnd(), FMessages.AddString, 0, LPARAM(s.c_str()));
    if (index < 0) throw EOutOfMemory("Insufficient storage");
    return Integer(index);
}

void TListControlStrings::Insert(Integer index, const String& s) {
    if (!Windowed()) {
        if (FSaved->GetSorted())
            FSaved->Add(s);
        else
            FSaved->Insert(index, s);
        return;
    }
    if (index < 0 || index > GetCount()) Error("List index out of bounds (%d)", index);
    // A sorted list puts the item in its place (an insert would not sort).
    const LRESULT result = ListSorted() ? SendMessageA(Wnd(), FMessages.AddString, 0, LPARAM(s.c_str()))
                                        : SendMessageA(Wnd(), FMessages.InsertString, WPARAM(index), LPARAM(s.c_str()));
    if (result < 0) throw EOutOfMemory("Insufficient storage");
}

void TListControlStrings::Delete(Integer index) {
    if (!Windowed()) {
        FSaved->Delete(index);
        return;
    }
    if (SendMessageA(Wnd(), FMessages.DeleteString, WPARAM(index), 0) == LB_ERR)
        Error("List index out of bounds (%d)", index);
}

void TListControlStrings::Clear() {
    if (!Windowed()) {
        FSaved->Clear();
        return;
    }
    SendMessageA(Wnd(), FMessages.ResetContent, 0, 0);
}

Integer TListControlStrings::IndexOf(const String& s) const {
    if (!Windowed()) return TStrings::IndexOf(s);
    const LRESULT index = SendMessageA(Wnd(), FMessages.FindStringExact, WPARAM(-1), LPARAM(s.c_str()));
    return Integer(index < 0 ? -1 : index);
}

void TListControlStrings::SetUpdateState(bool updating) {
    if (!Windowed()) return;
    SendMessageA(Wnd(), WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating) FControl->Invalidate();
}

void TListControlStrings::MoveIntoWindow() {
    HWND wnd = Wnd();
    for (Integer i = 0; i < FSaved->GetCount(); ++i) {
        const LRESULT index = SendMessageA(wnd, FMessages.AddString, 0, LPARAM(FSaved->GetStrings(i).c_str()));
        if (index >= 0) SendMessageA(wnd, FMessages.SetItemData, WPARAM(index), LPARAM(FSaved->GetObjects(i)));
    }
    FSaved->Clear();
}

void TListControlStrings::KeepFromWindow(bool sorted) {
    HWND wnd = Wnd();
    FSaved->Clear();
    FSaved->SetSorted(false);
    const Integer count = Integer(SendMessageA(wnd, FMessages.GetCount, 0, 0));
    for (Integer i = 0; i < count; ++i) {
        TObject* object = reinterpret_cast<TObject*>(SendMessageA(wnd, FMessages.GetItemData, WPARAM(i), 0));
        const LRESULT length = SendMessageA(wnd, FMessages.GetTextLen, WPARAM(i), 0);
        std::string text(std::size_t(length < 0 ? 0 : length) + 1, '\0');
        const LRESULT copied = SendMessageA(wnd, FMessages.GetText, WPARAM(i), LPARAM(text.data()));
        text.resize(copied < 0 ? 0 : std::size_t(copied));
        FSaved->AddObject(text, object);
    }
    FSaved->SetSorted(sorted);
}

// ---- TListBoxStrings ----------------------------------------------------------------------------

namespace {
const TListControlStrings::TMessages kListBoxMessages = {
    LB_GETCOUNT,     LB_GETTEXTLEN,    LB_GETTEXT,       LB_GETITEMDATA,  LB_SETITEMDATA,
    LB_ADDSTRING,    LB_INSERTSTRING,  LB_DELETESTRING,  LB_RESETCONTENT, LB_FINDSTRINGEXACT};
} // namespace

TListBoxStrings::TListBoxStrings(TCustomListBox* listBox)
    : TListControlStrings(listBox, kListBoxMessages), FListBox(listBox) {}

bool TListBoxStrings::IsVirtual() const { return FListBox != nullptr && FListBox->IsVirtual(); }

bool TListBoxStrings::ListSorted() const { return FListBox->GetSorted(); }

Integer TListBoxStrings::GetCount() const {
    return IsVirtual() ? FListBox->GetCount() : TListControlStrings::GetCount();
}

String TListBoxStrings::Get(Integer index) const {
    if (!IsVirtual()) return TListControlStrings::Get(index);
    if (index < 0 || index >= GetCount()) Error("List index out of bounds (%d)", index);
    return FListBox->DoGetData(index);
}

void TListBoxStrings::PutInWindow(Integer index, const String& s) {
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
    return IsVirtual() ? nullptr : TListControlStrings::GetObject(index);
}

void TListBoxStrings::PutObject(Integer index, TObject* object) {
    if (!IsVirtual()) TListControlStrings::PutObject(index, object);
}

Integer TListBoxStrings::Add(const String& s) { return IsVirtual() ? -1 : TListControlStrings::Add(s); }

void TListBoxStrings::Insert(Integer index, const String& s) {
    if (!IsVirtual()) TListControlStrings::Insert(index, s);
}

void TListBoxStrings::Delete(Integer index) {
    if (!IsVirtual()) TListControlStrings::Delete(index);
}

void TListBoxStrings::Clear() {
    if (IsVirtual())
        FListBox->SetCount(0);
    else
        TListControlStrings::Clear();
}

Integer TListBoxStrings::IndexOf(const String& s) const {
    return IsVirtual() ? TStrings::IndexOf(s) : TListControlStrings::IndexOf(s);
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
        FItems->MoveIntoWindow();
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
        if (!IsVirtual()) FItems->KeepFromWindow(FSorted);
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
        FItems->SetKeptSorted(value);
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
    const bool exists = index >= 0 && index < GetCount();
    PaintItemText(*FCanvas, rect, !exists ? String() : IsVirtual() ? DoGetData(index) : FItems->GetStrings(index));
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
    if (PaintOwnerDrawnItem(this, *FCanvas, message.DrawItemStruct, bool(OnDrawItem),
                            [this](Integer index, TRect rect, TOwnerDrawState state) { DrawItem(index, rect, state); }))
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

// ---- TComboBoxStrings ---------------------------------------------------------------------------

namespace {
const TListControlStrings::TMessages kComboBoxMessages = {
    CB_GETCOUNT,     CB_GETLBTEXTLEN,  CB_GETLBTEXT,     CB_GETITEMDATA,  CB_SETITEMDATA,
    CB_ADDSTRING,    CB_INSERTSTRING,  CB_DELETESTRING,  CB_RESETCONTENT, CB_FINDSTRINGEXACT};
} // namespace

TComboBoxStrings::TComboBoxStrings(TCustomComboBox* comboBox)
    : TListControlStrings(comboBox, kComboBoxMessages), FComboBox(comboBox) {}

bool TComboBoxStrings::ListSorted() const { return FComboBox->GetSorted(); }

void TComboBoxStrings::PutInWindow(Integer index, const String& s) {
    // The item goes and comes back with its data; the selection stays where it was.
    const Integer itemIndex = FComboBox->GetItemIndex();
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
    FComboBox->SetItemIndex(itemIndex);
}

// ---- TCustomComboBox ----------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TWinControl(owner), FItems(std::make_unique<TComboBoxStrings>(this)),
      FCanvas(std::make_unique<TControlCanvas>()) {
    FCanvas->SetControl(this);
    FControlStyle = {csDoubleClicks, csOpaque};
    SetBounds(0, 0, 145, 25);
    FTabStop = true;
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() {
    // The canvas may hold a context of the window; it goes first.
    FCanvas.reset();
}

void TCustomComboBox::SetItems(TStrings* value) { FItems->Assign(value); }

void TCustomComboBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, WC_COMBOBOXA);
    params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
    switch (FStyle) {
    case csDropDown: params.Style |= CBS_DROPDOWN; break;
    case csSimple: params.Style |= CBS_SIMPLE; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
    }
    if (FSorted) params.Style |= CBS_SORT;
    if (FCharCase == ecUpperCase) params.Style |= CBS_UPPERCASE;
    if (FCharCase == ecLowerCase) params.Style |= CBS_LOWERCASE;
}

void TCustomComboBox::CreateWnd() {
    const String text = GetTextValue();
    TWinControl::CreateWnd();
    HWND wnd = GetHandle();
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(wnd, &info);
    FListHandle = info.hwndList;
    FEditHandle = HasEdit() && info.hwndItem != wnd ? info.hwndItem : nullptr;
    if (FEditHandle != nullptr) {
        // The edit field's messages pass through the combo first (keys, focus, colours).
        FDefEditProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(FEditHandle, GWLP_WNDPROC));
        SetWindowLongPtrA(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TCustomComboBox::EditWindowProc));
    }
    SendMessageA(wnd, CB_SETMINVISIBLE, WPARAM(FDropDownCount), 0);
    if (FMaxLength > 0) SendMessageA(wnd, CB_LIMITTEXT, WPARAM(FMaxLength), 0);
    if (FStyle == csOwnerDrawFixed) {
        SendMessageA(wnd, CB_SETITEMHEIGHT, WPARAM(-1), LPARAM(FItemHeight));
        SendMessageA(wnd, CB_SETITEMHEIGHT, 0, LPARAM(FItemHeight));
    }
    FItems->MoveIntoWindow();
    if (FSavedItemIndex >= 0) SendMessageA(wnd, CB_SETCURSEL, WPARAM(FSavedItemIndex), 0);
    if (HasEdit() && !text.empty()) SendMessageA(wnd, WM_SETTEXT, 0, LPARAM(text.c_str()));
}

void TCustomComboBox::DestroyWnd() {
    if (HandleAllocated()) {
        FSavedItemIndex = GetItemIndex();
        FItems->KeepFromWindow(FSorted);
        if (FEditHandle != nullptr && IsWindow(FEditHandle))
            SetWindowLongPtrA(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefEditProc));
    }
    FEditHandle = nullptr;
    FListHandle = nullptr;
    FDefEditProc = nullptr;
    FCanvas->FreeHandle();
    TWinControl::DestroyWnd();
}

Integer TCustomComboBox::GetItemIndex() const {
    if (!HandleAllocated()) return FSavedItemIndex;
    return Integer(SendMessageA(const_cast<TCustomComboBox*>(this)->GetHandle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBox::SetItemIndex(Integer value) {
    if (!HandleAllocated()) {
        FSavedItemIndex = value;
        return;
    }
    if (GetItemIndex() != value) SendMessageA(GetHandle(), CB_SETCURSEL, WPARAM(value), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    if (FStyle == value) return;
    FStyle = value;
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(Integer value) {
    FDropDownCount = std::max<Integer>(value, 1);
    if (HandleAllocated()) SendMessageA(GetHandle(), CB_SETMINVISIBLE, WPARAM(FDropDownCount), 0);
}

bool TCustomComboBox::GetDroppedDown() const {
    return HandleAllocated() &&
           SendMessageA(const_cast<TCustomComboBox*>(this)->GetHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
    if (value == GetDroppedDown()) return;
    SendMessageA(GetHandle(), CB_SHOWDROPDOWN, value ? TRUE : FALSE, 0);
}

void TCustomComboBox::SetMaxLength(Integer value) {
    FMaxLength = std::max<Integer>(value, 0);
    if (HandleAllocated()) SendMessageA(GetHandle(), CB_LIMITTEXT, WPARAM(FMaxLength), 0);
}

void TCustomComboBox::SetSorted(bool value) {
    if (FSorted == value) return;
    FSorted = value;
    if (HandleAllocated())
        RecreateWnd();
    else
        FItems->SetKeptSorted(value);
}

void TCustomComboBox::SetCharCase(TEditCharCase value) {
    if (FCharCase == value) return;
    FCharCase = value;
    RecreateWnd();
}

Integer TCustomComboBox::GetItemHeight() const {
    if (HandleAllocated() && !IsOwnerDraw())
        return Integer(SendMessageA(const_cast<TCustomComboBox*>(this)->GetHandle(), CB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomComboBox::SetItemHeight(Integer value) {
    if (value <= 0 || FItemHeight == value) return;
    FItemHeight = value;
    if (IsOwnerDraw()) RecreateWnd();
}

namespace {
// The edit field's selection as character offsets.
std::pair<Integer, Integer> ComboEditSelection(HWND combo) {
    DWORD start = 0, end = 0;
    SendMessageA(combo, CB_GETEDITSEL, WPARAM(&start), LPARAM(&end));
    return {Integer(start), Integer(end)};
}
} // namespace

Integer TCustomComboBox::GetSelStart() const {
    if (!HandleAllocated()) return 0;
    return ComboEditSelection(const_cast<TCustomComboBox*>(this)->GetHandle()).first;
}

void TCustomComboBox::SetSelStart(Integer value) {
    SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(value, value));
}

Integer TCustomComboBox::GetSelLength() const {
    if (!HandleAllocated()) return 0;
    const auto [start, end] = ComboEditSelection(const_cast<TCustomComboBox*>(this)->GetHandle());
    return end - start;
}

void TCustomComboBox::SetSelLength(Integer value) {
    const Integer start = GetSelStart();
    SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(start, start + std::max<Integer>(value, 0)));
}

String TCustomComboBox::GetSelText() const {
    if (!HandleAllocated()) return String();
    const auto [start, end] = ComboEditSelection(const_cast<TCustomComboBox*>(this)->GetHandle());
    return Utf8Copy(GetText(), start + 1, end - start);
}

void TCustomComboBox::Clear() {
    SetText(String());
    FItems->Clear();
    FSavedItemIndex = -1;
}

void TCustomComboBox::SelectAll() {
    if (HandleAllocated()) SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void TCustomComboBox::Change() { OnChange(this); }

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown() { OnDropDown(this); }

void TCustomComboBox::CloseUp() { OnCloseUp(this); }

void TCustomComboBox::KeyPress(char32_t& key) {
    TWinControl::KeyPress(key);
    if (key >= 0x20 && FAutoComplete && HasEdit() && HandleAllocated()) AutoCompleteKey(key);
}

void TCustomComboBox::AutoCompleteKey(char32_t& key) {
    // What the text would begin with once the key replaced the selection.
    char32_t typedKey = key;
    if (FCharCase == ecUpperCase) typedKey = UnicodeToUpper(key);
    if (FCharCase == ecLowerCase) typedKey = UnicodeToLower(key);
    const Integer start = ComboEditSelection(GetHandle()).first;
    const String prefix = Utf8Copy(GetText(), 1, start) + Utf8FromCodePoint(typedKey);
    const LRESULT found = SendMessageA(GetHandle(), CB_FINDSTRING, WPARAM(-1), LPARAM(prefix.c_str()));
    if (found < 0) return;
    // The text becomes the item; the part not typed yet stays selected, so typing on replaces it.
    key = 0;
    const String before = GetText();
    const TLivenessToken alive = LivenessToken();
    SendMessageA(GetHandle(), CB_SETCURSEL, WPARAM(found), 0);
    SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(Utf8Length(prefix), -1));
    if (alive && GetText() != before) Change();
}

void TCustomComboBox::DrawItem(Integer index, TRect rect, TOwnerDrawState state) {
    if (OnDrawItem) {
        OnDrawItem(this, index, rect, state);
        return;
    }
    PaintItemText(*FCanvas, rect, index < FItems->GetCount() ? FItems->GetStrings(index) : String());
}

void TCustomComboBox::MeasureItem(Integer index, Integer& height) { OnMeasureItem(this, index, height); }

LRESULT TCustomComboBox::EditWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* combo = dynamic_cast<TCustomComboBox*>(FindControl(::GetParent(window)));
    if (combo == nullptr || combo->FEditHandle != window || combo->FDefEditProc == nullptr)
        return DefWindowProcA(window, msg, wParam, lParam);
    const WNDPROC proc = combo->FDefEditProc;
    LRESULT result = 0;
    try {
        if (combo->EditMessage(msg, wParam, lParam, result)) return result;
    } catch (...) {
        WinHandleException(std::current_exception());
        return 0;
    }
    if (!IsWindow(window)) return 0;
    return CallWindowProcA(proc, window, msg, wParam, lParam);
}

bool TCustomComboBox::EditMessage(UINT msg, WPARAM& wParam, LPARAM lParam, LRESULT& result) {
    const TLivenessToken alive = LivenessToken();
    auto key = [&](bool (TCustomComboBox::*handler)(TWMKey&)) {
        TWMKey m{msg, UINT(wParam), LONG(lParam), 0};
        if ((this->*handler)(m) || !alive) return true;
        if (m.CharCode == 0) return true;
        wParam = WPARAM(m.CharCode);
        return false;
    };
    switch (msg) {
    case WM_SETFOCUS: {
        // The field's focus is the combo's: the form learns it, and OnEnter follows.
        HWND edit = FEditHandle;
        result = CallWindowProcA(FDefEditProc, edit, msg, wParam, lParam);
        if (alive)
            if (TWinControl* root = GetParentFormControl(this)) root->SetFocusedControl(this);
        return true;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return key(&TCustomComboBox::DoKeyDown);
    case WM_KEYUP:
    case WM_SYSKEYUP: return key(&TCustomComboBox::DoKeyUp);
    case WM_CHAR: return key(&TCustomComboBox::DoKeyPress);
    default: return false;
    }
}

void TCustomComboBox::AnswerColors(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(GetFont()->GetColor())));
    SetBkColor(dc, COLORREF(ColorToRGB(GetColor())));
    message.Result = LRESULT(FBrush.Get(GetColor()));
}

void TCustomComboBox::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        // The field and the list ask the combo for their colours: they are the control's.
        if (HandleAllocated()) {
            AnswerColors(message);
            return;
        }
        break;
    default: break;
    }
    TWinControl::WndProc(message);
}

void TCustomComboBox::CNCommand(TWMCommand& message) {
    const TLivenessToken alive = LivenessToken();
    switch (message.NotifyCode) {
    case CBN_DBLCLK: DblClick(); break;
    case CBN_EDITCHANGE: Change(); break;
    case CBN_DROPDOWN: DropDown(); break;
    case CBN_SELCHANGE:
        Click();
        if (alive) Select();
        break;
    case CBN_CLOSEUP: CloseUp(); break;
    default: break;
    }
}

void TCustomComboBox::CNDrawItem(TWMDrawItem& message) {
    if (PaintOwnerDrawnItem(this, *FCanvas, message.DrawItemStruct, bool(OnDrawItem),
                            [this](Integer index, TRect rect, TOwnerDrawState state) { DrawItem(index, rect, state); }))
        message.Result = 1;
}

void TCustomComboBox::CNMeasureItem(TWMMeasureItem& message) {
    MEASUREITEMSTRUCT* item = message.MeasureItemStruct;
    if (item == nullptr) return;
    Integer height = FItemHeight;
    if (FStyle == csOwnerDrawVariable && int(item->itemID) >= 0) MeasureItem(Integer(item->itemID), height);
    item->itemHeight = UINT(std::max<Integer>(height, 1));
    message.Result = 1;
}

void TCustomComboBox::CNCtlColor(TMessage& message) { AnswerColors(message); }

KOV_MESSAGE_MAP(TCustomComboBox) {
    map.Message(CN_COMMAND, &TCustomComboBox::CNCommand);
    map.Message(CN_DRAWITEM, &TCustomComboBox::CNDrawItem);
    map.Message(CN_MEASUREITEM, &TCustomComboBox::CNMeasureItem);
    map.Message(CN_CTLCOLOREDIT, &TCustomComboBox::CNCtlColor);
    map.Message(CN_CTLCOLORLISTBOX, &TCustomComboBox::CNCtlColor);
    map.Message(CN_CTLCOLORSTATIC, &TCustomComboBox::CNCtlColor);
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
        RegisterEnum<TComboBoxStyle>("TComboBoxStyle", {"csDropDown", "csSimple", "csDropDownList",
                                                        "csOwnerDrawFixed", "csOwnerDrawVariable"});
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

KOV_PUBLISHED(TCustomComboBox) {
    Property("Style", &TCustomComboBox::GetStyle, &TCustomComboBox::SetStyle).Default(csDropDown);
    Property("AutoComplete", &TCustomComboBox::GetAutoComplete, &TCustomComboBox::SetAutoComplete).Default(true);
    Property("CharCase", &TCustomComboBox::GetCharCase, &TCustomComboBox::SetCharCase).Default(ecNormal);
    Property("DropDownCount", &TCustomComboBox::GetDropDownCount, &TCustomComboBox::SetDropDownCount).Default(8);
    Property("ItemHeight", &TCustomComboBox::GetItemHeight, &TCustomComboBox::SetItemHeight).Default(16);
    Property("Items", &TCustomComboBox::GetItems, &TCustomComboBox::SetItems);
    Property("ItemIndex", &TCustomComboBox::GetItemIndex, &TCustomComboBox::SetItemIndex).Default(-1);
    Property("MaxLength", &TCustomComboBox::GetMaxLength, &TCustomComboBox::SetMaxLength).Default(0);
    Property("Sorted", &TCustomComboBox::GetSorted, &TCustomComboBox::SetSorted).Default(false);
    Property("TabStop", &TCustomComboBox::GetTabStop, &TCustomComboBox::SetTabStop).Default(true);
    Property("OnChange", &TCustomComboBox::OnChange);
    Property("OnSelect", &TCustomComboBox::OnSelect);
    Property("OnDropDown", &TCustomComboBox::OnDropDown);
    Property("OnCloseUp", &TCustomComboBox::OnCloseUp);
    Property("OnDrawItem", &TCustomComboBox::OnDrawItem);
    Property("OnMeasureItem", &TCustomComboBox::OnMeasureItem);
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
    RegisterClasses({TCustomListBox::StaticClass(), TListBox::StaticClass(), TCustomComboBox::StaticClass(),
                     TComboBox::StaticClass(), TScrollBar::StaticClass()});
    return true;
}();
} // namespace

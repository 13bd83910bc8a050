// The calculator keypad and its popup form inside the calculator editor.
#include "suite/controls/qzCalc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/classlib/Forms.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzLookAndFeels.h"
#include "suite/foundation/ybThemeManager.h"

namespace {

struct TButtonLook {
    const char* Caption;
    TColor Color;
};

// Maroon, red, blue and navy as 0x00BBGGRR.
constexpr TColor kMaroon = TColor(0x000080);
constexpr TColor kRed = TColor(0x0000FF);
constexpr TColor kBlue = TColor(0xFF0000);
constexpr TColor kNavy = TColor(0x800000);

const TButtonLook kButtonLooks[qzCalcButtonCount] = {
    {"Back", kMaroon}, {"CE", kMaroon}, {"C", kMaroon},   {"MC", kRed},    {"MR", kRed},    {"MS", kRed},
    {"M+", kRed},      {"0", kBlue},    {"1", kBlue},     {"2", kBlue},    {"3", kBlue},    {"4", kBlue},
    {"5", kBlue},      {"6", kBlue},    {"7", kBlue},     {"8", kBlue},    {"9", kBlue},    {"+/-", kBlue},
    {",", kBlue},      {"/", kRed},     {"*", kRed},      {"-", kRed},     {"+", kRed},     {"sqrt", kNavy},
    {"%", kNavy},      {"1/x", kNavy},  {"=", kRed},
};

// a * b / c rounded to the nearest integer (halves away from zero), as MulDiv does.
Integer MulDivRound(Integer a, Integer b, Integer c) {
    const Int64 product = Int64(a) * Int64(b);
    const Int64 half = c / 2;
    return Integer(product >= 0 ? (product + half) / c : -((-product + half) / c));
}

bool IsArithmetic(TqzCalcButtonKind kind) {
    return kind == ckDivide || kind == ckMultiply || kind == ckSubtract || kind == ckAdd;
}

String DecimalSeparatorText() { return String(1, FormatSettings.DecimalSeparator); }

// The clipboard's text; false when it holds none.
bool ReadClipboardText(String& text) {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(nullptr)) return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (auto* bytes = static_cast<const char*>(GlobalLock(HGLOBAL(data)))) {
            text.assign(bytes, strnlen(bytes, GlobalSize(HGLOBAL(data))));
            found = true;
        }
        GlobalUnlock(HGLOBAL(data));
    }
    CloseClipboard();
    return found;
}

void WriteClipboardText(HWND owner, const String& text) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
}

} // namespace

// ---- The keypad ------------------------------------------------------------------------------

TqzCustomCalculator::TqzCustomCalculator(TComponent* owner) : TqzControl(owner) {
    TControlStyle style = GetControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csOpaque);
    SetControlStyle(style);
    SetBounds(GetLeft(), GetTop(), 198, 131);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetTabStop(true);
    SetWantedKeys(TqzControlWantedKeys{wantAllKeys, wantArrows, wantChars, wantTab});
    CreateLayout();
}

TqzLookAndFeelPainterClass TqzCustomCalculator::GetPainter() {
    return PainterClass<TqzStandardLookAndFeelPainter>();
}

void TqzCustomCalculator::HidePopup(TObject* sender, Integer reason) {
    if (OnHidePopup) OnHidePopup(sender, reason);
}

void TqzCustomCalculator::SetAutoFontSize(bool value) {
    if (FAutoFontSize == value) return;
    FAutoFontSize = value;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TqzCustomCalculator::SetCalcBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    RecreateWnd();
}

void TqzCustomCalculator::SetShowFocusRect(bool value) {
    if (FShowFocusRect == value) return;
    FShowFocusRect = value;
    InvalidateButton(ckEquals);
}

void TqzCustomCalculator::Beep() {
    if (FBeepOnError) MessageBeep(0);
}

// -- Sizing and layout --

void TqzCustomCalculator::SetCalcSize(Integer width, Integer height) {
    Integer h = 22;
    if (FAutoFontSize) {
        const Integer target = std::min(height, MulDivRound(width, 131, 198));
        auto total = [](Integer n) { return 5 * n + 6 * MulDivRound(n, 3, 22); };
        while (std::abs(total(h + 1) - target) < std::abs(total(h) - target))
            ++h;
    } else {
        TqzCanvas* canvas = GetControlCanvas();
        h = 2 * (canvas ? canvas->MeasureFontHeight(GetFont()) : 13);
    }
    FButtonHeight = h;
    FButtonWidth = MulDivRound(h, 28, 22);
    FHorzSpacing = FVertSpacing = MulDivRound(h, 3, 22);
    FWideButtonWidth = MulDivRound(FButtonWidth, 17, 10);
    FFontSize = MulDivRound(h, 8, 22);
    FCalcHeight = 5 * (FVertSpacing + h) + FVertSpacing;
    FCalcWidth = 6 * (FHorzSpacing + FButtonWidth) + 2 * FHorzSpacing + 4;
    CreateLayout();
}

void TqzCustomCalculator::CreateLayout() {
    const Integer w = FButtonWidth, h = FButtonHeight, s = FHorzSpacing, v = FVertSpacing;
    const Integer b = w + 2 * s + 4;
    for (Integer i = 0; i < qzCalcButtonCount; ++i) {
        TqzCalcButton& button = FButtons[std::size_t(i)];
        button.Kind = TqzCalcButtonKind(i);
        button.Caption = i == ckDecimal ? DecimalSeparatorText() : String(kButtonLooks[i].Caption);
        button.FontColor = kButtonLooks[i].Color;
        button.Down = false;
        button.Grayed = false;
    }
    auto place = [&](TqzCalcButtonKind kind, Integer left, Integer top, Integer width) {
        FButtons[kind].Bounds = TRect{left, top, left + width, top + h};
    };
    const TqzCalcButtonKind memory[4] = {ckMemClear, ckMemRecall, ckMemStore, ckMemAdd};
    for (Integer k = 1; k <= 4; ++k)
        place(memory[k - 1], s, v + k * (h + v), w);
    const TqzCalcButtonKind rows[4][5] = {{ckDigit7, ckDigit8, ckDigit9, ckDivide, ckSqrt},
                                          {ckDigit4, ckDigit5, ckDigit6, ckMultiply, ckPercent},
                                          {ckDigit1, ckDigit2, ckDigit3, ckSubtract, ckReciprocal},
                                          {ckDigit0, ckSign, ckDecimal, ckAdd, ckEquals}};
    for (Integer k = 1; k <= 4; ++k)
        for (Integer c = 0; c < 5; ++c)
            place(rows[k - 1][c], b + s + c * (w + s), v + k * (h + v), w);
    const Integer right = b + s + 4 * (w + s) + w;
    place(ckClear, right - FWideButtonWidth, v, FWideButtonWidth);
    place(ckClearEntry, FButtons[ckClear].Bounds.left - v - FWideButtonWidth, v, FWideButtonWidth);
    place(ckBack, FButtons[ckClearEntry].Bounds.left - v - FWideButtonWidth, v, FWideButtonWidth);
    ResetCalculation();
}

void TqzCustomCalculator::ResetCalculation() {
    FLastOperator = ckEquals;
    FInputState = isNewNumber;
    FMemory = 0;
    UpdateMemoryButtons();
}

void TqzCustomCalculator::UpdateMemoryButtons() {
    FButtons[ckMemClear].Grayed = FMemory == 0;
    FButtons[ckMemRecall].Grayed = FMemory == 0;
}

TqzCalcButtonKind TqzCustomCalculator::ButtonAtPoint(Integer x, Integer y) {
    for (const TqzCalcButton& button : FButtons)
        if (x >= button.Bounds.left && x < button.Bounds.right && y >= button.Bounds.top &&
            y < button.Bounds.bottom)
            return button.Kind;
    return ckNone;
}

void TqzCustomCalculator::InvalidateButton(TqzCalcButtonKind button) {
    if (button == ckNone || !HandleAllocated()) return;
    RECT r = FButtons[button].Bounds;
    InvalidateRect(GetHandle(), &r, FALSE);
}

void TqzCustomCalculator::HandleResize() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleResize();
    if (!alive || FSettingSize) return;
    FSettingSize = true;
    try {
        SetCalcSize(GetClientWidth(), GetClientHeight());
        SetClientWidth(FCalcWidth);
        SetClientHeight(FCalcHeight);
    } catch (...) {
        FSettingSize = false;
        throw;
    }
    FSettingSize = false;
    Invalidate();
}

// -- The display --

Extended TqzCustomCalculator::GetDisplayValue() {
    if (FInputState == isError) return 0;
    String text = Trim(GetEditText());
    if (text.empty()) text = "0";
    RemoveThousandSeparators(text);
    return StrToFloat(text);
}

void TqzCustomCalculator::SetDisplayValue(Extended value) {
    const String text = FloatToStrF(value, ffGeneral, std::max<Integer>(2, FPrecision), 0);
    if (text == GetEditText()) return;
    SetEditText(text);
    if (OnDisplayChange) OnDisplayChange(this);
}

void TqzCustomCalculator::BeginNewNumber() {
    if (FInputState != isNewNumber) return;
    FInputState = isEntering;
    SetEditText("0");
}

void TqzCustomCalculator::ShowError() {
    FInputState = isError;
    SetEditText(LocalizeSuiteText("Error"));
    Beep();
}

void TqzCustomCalculator::ShowResult(Extended value) {
    if (std::isfinite(value))
        SetDisplayValue(value);
    else
        ShowError();
}

void TqzCustomCalculator::ClearAll() {
    FInputState = isNewNumber;
    SetDisplayValue(0);
    FLastOperator = ckEquals;
}

void TqzCustomCalculator::ButtonClick(TqzCalcButtonKind button) {
    const TLivenessToken alive = LivenessToken();
    if (OnButtonClick) OnButtonClick(this, button);
    if (!alive || button == ckNone) return;
    if (FInputState == isError && button != ckClear && button != ckClearEntry) {
        ShowError();
        return;
    }
    if (button == ckDecimal) {
        BeginNewNumber();
        const String text = GetEditText();
        const String separator = DecimalSeparatorText();
        if (text.find(separator) == String::npos) SetEditText(text + separator);
        return;
    }
    if (button >= ckDigit0 && button <= ckDigit9) {
        BeginNewNumber();
        String text = GetEditText();
        if (text == "0") text.clear();
        const std::size_t minus = text.find('-');
        const Integer limit = (minus == String::npos ? 0 : Integer(minus) + 1) + std::max<Integer>(2, FPrecision);
        if (Utf8Length(text) < limit)
            SetEditText(text + char('0' + (button - ckDigit0)));
        else
            Beep();
        return;
    }
    switch (button) {
    case ckBack: {
        BeginNewNumber();
        const String text = GetEditText();
        const Integer length = Utf8Length(text);
        if (length <= 1 || (length == 2 && text[0] == '-'))
            SetEditText("0");
        else
            SetEditText(Utf8Copy(text, 1, length - 1));
        break;
    }
    case ckSign:
        SetDisplayValue(-GetDisplayValue());
        break;
    case ckClearEntry:
    case ckClear:
        ClearAll();
        break;
    case ckSqrt:
    case ckReciprocal: {
        FInputState = IsArithmetic(FLastOperator) ? isEntering : isNewNumber;
        const Extended value = GetDisplayValue();
        if (button == ckSqrt) {
            if (value < 0)
                ShowError();
            else
                SetDisplayValue(std::sqrt(value));
        } else if (value == 0) {
            ShowError();
        } else {
            ShowResult(1 / value);
        }
        break;
    }
    case ckDivide:
    case ckMultiply:
    case ckSubtract:
    case ckAdd:
    case ckPercent:
    case ckEquals: {
        if (FInputState == isEntering) {
            FInputState = isNewNumber;
            Extended x = GetDisplayValue();
            if (button == ckPercent) {
                if (FLastOperator == ckDivide || FLastOperator == ckMultiply)
                    x = x / 100;
                else if (FLastOperator == ckSubtract || FLastOperator == ckAdd)
                    x = FOperand * x / 100;
            }
            switch (FLastOperator) {
            case ckDivide:
                if (x == 0)
                    ShowError();
                else
                    ShowResult(FOperand / x);
                break;
            case ckMultiply:
                ShowResult(FOperand * x);
                break;
            case ckSubtract:
                ShowResult(FOperand - x);
                break;
            case ckAdd:
                ShowResult(FOperand + x);
                break;
            default:
                break;
            }
        }
        FLastOperator = button;
        FOperand = GetDisplayValue();
        if ((button == ckPercent || button == ckEquals) && OnResult) OnResult(this);
        break;
    }
    case ckMemStore:
    case ckMemAdd:
    case ckMemRecall:
        FInputState = isNewNumber;
        if (button == ckMemRecall) {
            BeginNewNumber();
            SetDisplayValue(FMemory);
            break;
        }
        if (button == ckMemStore) {
            FMemory = GetDisplayValue();
        } else {
            const Extended sum = FMemory + GetDisplayValue();
            if (!std::isfinite(sum)) {
                ShowError();
                break;
            }
            FMemory = sum;
        }
        UpdateMemoryButtons();
        InvalidateButton(ckMemClear);
        InvalidateButton(ckMemRecall);
        break;
    case ckMemClear:
        FMemory = 0;
        UpdateMemoryButtons();
        InvalidateButton(ckMemClear);
        InvalidateButton(ckMemRecall);
        break;
    default:
        break;
    }
}

// -- Clipboard --

void TqzCustomCalculator::CopyToClipboard() {
    WriteClipboardText(HandleAllocated() ? GetHandle() : nullptr, GetEditText());
}

void TqzCustomCalculator::PasteFromClipboard() {
    String text;
    if (!ReadClipboardText(text)) return;
    const String currency = FormatSettings.CurrencyString;
    if (!currency.empty())
        for (std::size_t at = text.find(currency); at != String::npos; at = text.find(currency, at))
            text.erase(at, currency.size());
    Extended value = 0;
    if (TryStrToFloat(Trim(text), value) && std::isfinite(value)) {
        SetDisplayValue(value);
        FInputState = isEntering;
    } else {
        SetDisplayValue(0);
    }
}

// -- Keyboard --

TqzCalcButtonKind TqzCustomCalculator::ButtonForChar(char32_t ch) {
    if (ch >= U'0' && ch <= U'9') return TqzCalcButtonKind(ckDigit0 + (ch - U'0'));
    switch (ch) {
    case 8:
        return ckBack;
    case U'.':
    case U',':
        return ckDecimal;
    case U'/':
        return ckDivide;
    case U'*':
        return ckMultiply;
    case U'-':
        return ckSubtract;
    case U'+':
        return ckAdd;
    case U'@':
        return ckSqrt;
    case U'%':
        return ckPercent;
    case U'=':
        return ckEquals;
    default:
        return ckNone;
    }
}

TqzCalcButtonKind TqzCustomCalculator::ButtonForKey(Word key, TShiftState shift) {
    const bool ctrl = shift.Contains(ssCtrl);
    switch (key) {
    case VK_DELETE:
        return ckClearEntry;
    case VK_ESCAPE:
        return ckClear;
    case 'C':
        return ctrl ? ckNone : ckClear;
    case 'L':
        return ctrl ? ckMemClear : ckNone;
    case 'R':
        return ctrl ? ckMemRecall : ckReciprocal;
    case 'M':
        return ctrl ? ckMemStore : ckNone;
    case 'P':
        return ctrl ? ckMemAdd : ckNone;
    case VK_F9:
        return ckSign;
    case VK_RETURN:
        return ckEquals;
    default:
        return ckNone;
    }
}

void TqzCustomCalculator::PressButton(TqzCalcButtonKind button) {
    if (button == ckNone) return;
    FButtons[button].Down = true;
    InvalidateButton(button);
    if (HandleAllocated()) UpdateWindow(GetHandle());
    if (button != ckBack) ButtonClick(button);
}

void TqzCustomCalculator::ReleaseButton(TqzCalcButtonKind button) {
    if (button != ckNone) {
        FButtons[button].Down = false;
        InvalidateButton(button);
    }
    FKeyPressedButton = ckNone;
}

void TqzCustomCalculator::PressKeyButton(TqzCalcButtonKind button) {
    if (button == ckNone || button == FKeyPressedButton) return;
    ReleaseButton(FKeyPressedButton);
    FKeyPressedButton = button;
    PressButton(button);
}

void TqzCustomCalculator::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleKeyDown(key, shift);
    if (alive) PressKeyButton(ButtonForKey(key, shift));
}

void TqzCustomCalculator::HandleKeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleKeyPress(key);
    if (!alive) return;
    if (key == 22)
        PasteFromClipboard();
    else if (key == 3)
        CopyToClipboard();
    PressKeyButton(ButtonForChar(key));
    if (alive && FKeyPressedButton == ckBack) ButtonClick(ckBack);
}

void TqzCustomCalculator::HandleKeyUp(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleKeyUp(key, shift);
    if (alive) ReleaseButton(FKeyPressedButton);
}

// -- Mouse --

bool TqzCustomCalculator::CanFocusOnClick() { return !FIsPopup && inherited::CanFocusOnClick(); }

void TqzCustomCalculator::TrackButton(Integer x, Integer y) {
    if (FMousePressedButton == ckNone) return;
    const bool over = ButtonAtPoint(x, y) == FMousePressedButton;
    TqzCalcButton& button = FButtons[FMousePressedButton];
    if (button.Down == over) return;
    button.Down = over;
    InvalidateButton(FMousePressedButton);
}

void TqzCustomCalculator::StopTracking() {
    if (!FTracking) return;
    FTracking = false;
    if (HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
    if (FMousePressedButton != ckNone) {
        FButtons[FMousePressedButton].Down = false;
        InvalidateButton(FMousePressedButton);
    }
}

void TqzCustomCalculator::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseDown(button, shift, x, y);
    if (!alive || IsDesigning() || button != mbLeft) return;
    const TqzCalcButtonKind kind = ButtonAtPoint(x, y);
    if (kind == ckNone || FButtons[kind].Grayed) return;
    if (HandleAllocated()) SetCapture(GetHandle());
    FTracking = true;
    FMousePressedButton = kind;
    TrackButton(x, y);
}

void TqzCustomCalculator::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseMove(shift, x, y);
    if (!alive) return;
    if (FTracking) {
        TrackButton(x, y);
        return;
    }
    if (!GetPainter()->HotTracksButtons() || !GetEnabled() || GetDragAndDropState() == ddsDragging) return;
    const TqzCalcButtonKind kind = ButtonAtPoint(x, y);
    if (kind == FHotButton) return;
    if (FHotButton != ckNone && !FButtons[FHotButton].Grayed) InvalidateButton(FHotButton);
    FHotButton = kind;
    if (FHotButton != ckNone && !FButtons[FHotButton].Grayed) InvalidateButton(FHotButton);
}

void TqzCustomCalculator::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseUp(button, shift, x, y);
    if (!alive) return;
    const TqzCalcButtonKind pressed = FMousePressedButton;
    const bool wasDown = pressed != ckNone && FButtons[pressed].Down;
    StopTracking();
    FMousePressedButton = ckNone;
    if (button == mbLeft && wasDown) ButtonClick(pressed);
}

void TqzCustomCalculator::HandleMouseLeave(TControl* control) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleMouseLeave(control);
    if (!alive) return;
    if (GetPainter()->HotTracksButtons() && GetEnabled() && GetDragAndDropState() != ddsDragging &&
        FHotButton != ckNone) {
        InvalidateButton(FHotButton);
        FHotButton = ckNone;
    }
}

void TqzCustomCalculator::HandleFontChange() {
    if (!GetComponentState().Contains(csLoading)) SetParentFont(false);
    inherited::HandleFontChange();
}

void TqzCustomCalculator::HandleFocusChange() {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleFocusChange();
    if (alive) InvalidateButton(ckEquals);
}

void TqzCustomCalculator::SetEnabled(bool value) {
    inherited::SetEnabled(value);
    Invalidate();
}

// -- Window and painting --

void TqzCustomCalculator::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN | WS_TABSTOP;
    params.WindowClass.style &= ~CS_DBLCLKS;
    params.Style &= ~WS_BORDER;
    params.ExStyle &= ~WS_EX_CLIENTEDGE;
    if (!FIsPopup && FBorderStyle == bsSingle) {
        if (GetCtl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TqzCustomCalculator::Paint() {
    if (!HandleAllocated()) return;
    TqzCanvas* canvas = GetControlCanvas();
    const TRect client = GetClientRect();
    canvas->SetBrushColor(GetColor());
    canvas->FillRectOrTile(client);
    TFont font;
    font.Assign(GetFont());
    if (FAutoFontSize) {
        font.SetSize(FFontSize);
        TFontStyles styles = font.GetStyle();
        if (FFontSize >= 10)
            styles.Include(fsBold);
        else
            styles.Exclude(fsBold);
        font.SetStyle(styles);
    }
    TqzLookAndFeelPainterClass painter = GetPainter();
    const bool focused = Focused();
    const TRect clip = canvas->Canvas->GetClipRect();
    for (const TqzCalcButton& button : FButtons) {
        RECT overlap;
        if (!IntersectRect(&overlap, &button.Bounds, &clip)) continue;
        TqzButtonState state = qzbsNormal;
        if (button.Grayed || !GetEnabled())
            state = qzbsDisabled;
        else if (button.Down)
            state = qzbsPressed;
        else if (button.Kind == FHotButton && button.Kind != FMousePressedButton)
            state = qzbsHot;
        else if (button.Kind == ckEquals && focused)
            state = qzbsDefault;
        painter->PaintButton(canvas, button.Bounds, clDefault, clDefault, true, state, String());
        canvas->SelectFont(&font);
        canvas->CurrentFont()->SetColor(button.FontColor);
        canvas->CurrentBrush()->SetStyle(bsClear);
        TRect r = button.Bounds;
        if (state == qzbsPressed) {
            const Integer shift = painter->ButtonCaptionPressShift();
            OffsetRect(&r, shift, shift);
        }
        canvas->OutputText(button.Caption, r, state != qzbsDisabled, qzGraphics::tfAlignHCenter | qzGraphics::tfAlignVCenter | qzGraphics::tfSingleLine);
        canvas->CurrentBrush()->SetStyle(bsSolid);
    }
    if (FShowFocusRect && focused) {
        TRect r = FButtons[ckEquals].Bounds;
        InflateRect(&r, -3, -3);
        canvas->DrawFocusFrame(r);
    }
}

KOV_PUBLISHED(TqzCustomCalculator) {}

// ---- The popup calculator --------------------------------------------------------------------

TqzPopupCalculator::TqzPopupCalculator(TComponent* owner) : TqzCustomCalculator(owner) { FIsPopup = true; }

TqzLookAndFeelPainterClass TqzPopupCalculator::GetPainter() {
    TqzLookAndFeel* lookAndFeel = Edit ? Edit->GetStyle()->GetLookAndFeel() : nullptr;
    if (!lookAndFeel) return inherited::GetPainter();
    if (lookAndFeel->GetNativeStyle())
        return IsThemeActiveForType(ttButton) ? NativeLookAndFeelPainterClass()
                                              : PainterClass<TqzStandardLookAndFeelPainter>();
    return lookAndFeel->ActivePainter();
}

String TqzPopupCalculator::GetEditText() { return Edit ? Edit->GetText() : String(); }

void TqzPopupCalculator::SetEditText(const String& text) {
    if (!Edit || !Edit->RequestEditing()) return;
    const TLivenessToken alive = Edit->LivenessToken();
    if (IqzCustomInnerEdit* inner = Edit->GetInnerEdit()) inner->SetEditValue(Variant(text));
    if (alive) Edit->SetModifiedAfterEntry(true);
}

void TqzPopupCalculator::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleKeyDown(key, shift);
    if (!alive) return;
    const bool alt = shift.Contains(ssAlt), ctrl = shift.Contains(ssCtrl), shiftKey = shift.Contains(ssShift);
    switch (key) {
    case VK_TAB:
        if (Edit) Edit->HandleEditKeyDown(key, shift);
        break;
    case VK_RETURN:
        HidePopup(this, qzcrAccept);
        break;
    case VK_ESCAPE:
        HidePopup(this, qzcrCancel);
        break;
    case VK_UP:
    case VK_DOWN:
        if (alt && !ctrl && !shiftKey) HidePopup(this, qzcrToggle);
        break;
    case VK_F4:
        HidePopup(this, qzcrToggle);
        break;
    case VK_INSERT:
        if (shiftKey && !ctrl)
            PasteFromClipboard();
        else if (ctrl && !shiftKey)
            CopyToClipboard();
        break;
    default:
        break;
    }
}

void TqzPopupCalculator::HandleKeyPress(char32_t& key) {
    const TLivenessToken alive = LivenessToken();
    const char32_t typed = key;
    inherited::HandleKeyPress(key);
    if (!alive || typed != U'=' || !Edit) return;
    if (Edit->GetActiveCalcProperties()->GetQuickClose()) HidePopup(this, qzcrAccept);
}

KOV_PUBLISHED(TqzPopupCalculator) {}

#include "suite/controls/qzGroupBox.h"

#include <algorithm>

#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFont.h"
#include "platform/winapi/GdiText.h"
#include "suite/editors/qzEditPaintUtils.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

constexpr Integer kCaptionIndent = 8;
constexpr Integer kShadowWidth = 3;
constexpr int kGroupBoxPart = 4;

Integer Width(const TRect& r) { return r.right - r.left; }
Integer Height(const TRect& r) { return r.bottom - r.top; }

TqzSides EdgesToSides(TqzBorders edges) {
    TqzSides sides = 0;
    if (edges.Contains(bLeft)) sides |= 1;
    if (edges.Contains(bTop)) sides |= 2;
    if (edges.Contains(bRight)) sides |= 4;
    if (edges.Contains(bBottom)) sides |= 8;
    return sides;
}

} // namespace

// ---- Group box properties and view data ----------------------------------------------------------

TClass TqzCustomGroupBoxProperties::GetContainerClass() const { return TqzCustomGroupBox::StaticClass(); }

TqzCustomEditViewDataClass TqzCustomGroupBoxProperties::GetViewDataClass() const {
    return &CreateEditViewData<TqzGroupBoxViewData>;
}

TqzCustomEditViewInfoClass TqzCustomGroupBoxProperties::GetViewInfoClass() const {
    return &TqzGroupBoxViewInfo::CreateInstance;
}

TqzCustomGroupBox* TqzGroupBoxViewData::GetGroupBox() const { return dynamic_cast<TqzCustomGroupBox*>(Edit); }

Integer TqzGroupBoxViewData::GetCaptionFontHeight() const {
    TqzCustomGroupBox* box = GetGroupBox();
    if (!box) return 0;
    return GetScreenCanvas()->MeasureFontHeight(box->GetCaptionFont());
}

Integer TqzGroupBoxViewData::GetCaptionTextFlags() const {
    Integer flags = qzGraphics::tfSingleLine;
    TqzCustomGroupBox* box = GetGroupBox();
    if (box && IsVerticalCaption(box->GetAlignment())) return flags;
    return flags | qzGraphics::tfShowPrefix;
}

TRect TqzGroupBoxViewData::CalculateCaptionRect(TqzCanvas* canvas, Integer width, Integer height) {
    TqzCustomGroupBox* box = GetGroupBox();
    if (!box || IsInplace || box->GetCaptionText().empty()) return TRect{};
    canvas->SelectFont(box->GetCaptionFont());
    TRect r{kCaptionIndent, 0, kCaptionIndent, 0};
    canvas->CalcTextBounds(box->GetCaptionText(), r, TqzTextFlags(GetCaptionTextFlags() | qzGraphics::tfAlignLeft));
    const Integer w = Width(r), h = Height(r);
    const Integer shadow = FStyle->GetShadow() ? kShadowWidth : 0;
    const TqzCaptionAlignment a = box->GetAlignment();
    auto horizontal = [&](Integer left) { return TRect{left, 0, left + w, h}; };
    switch (a) {
    case alTopLeft:
    case alBottomLeft:
        r = horizontal(kCaptionIndent);
        break;
    case alTopCenter:
    case alBottomCenter:
    case alCenterCenter:
        r = horizontal((width - shadow - w) / 2);
        break;
    case alTopRight:
    case alBottomRight:
        r = horizontal(width - kCaptionIndent - shadow - w);
        break;
    case alLeftTop:
        r = TRect{-1, kCaptionIndent, h - 1, kCaptionIndent + w};
        break;
    case alLeftCenter: {
        const Integer bottom = (height - shadow) - (height - shadow - w) / 2;
        r = TRect{-1, bottom - w, h - 1, bottom};
        break;
    }
    case alLeftBottom:
        r = TRect{-1, height - shadow - kCaptionIndent - w, h - 1, height - shadow - kCaptionIndent};
        break;
    case alRightTop:
        r = TRect{width - h + 1, kCaptionIndent, width + 1, kCaptionIndent + w};
        break;
    case alRightCenter: {
        const Integer top = (height - w) / 2;
        r = TRect{width - h + 1, top, width + 1, top + w};
        break;
    }
    case alRightBottom:
        r = TRect{width - h + 1, height - kCaptionIndent - w, width + 1, height - kCaptionIndent};
        break;
    }
    if (IsBottomCaption(a)) r = TRect{r.left, height - h - 2, r.right, height - 2};
    if (a == alCenterCenter) r = TRect{r.left, (height - shadow - h) / 2, r.right, (height - shadow - h) / 2 + h};
    return r;
}

bool TqzGroupBoxViewData::UsesGroupBoxNativeLook() { return IsGroupBoxNativeLook(FStyle->GetLookAndFeel()); }

bool TqzGroupBoxViewData::IsGroupBoxNativeLook(TqzLookAndFeel* lf) {
    return lf && (lf->GetNativeStyle() || lf->GetKind() == lfOffice11) && IsThemeActiveForType(ttEdit) &&
           IsThemeActiveForType(ttButton);
}

void TqzGroupBoxViewData::Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                    TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
    auto* info = static_cast<TqzGroupBoxViewInfo*>(viewInfo);
    TqzCustomGroupBox* box = GetGroupBox();
    info->EditControl = box;
    info->Designing = IsDesigning;
    info->Font = FStyle->GetEffectiveFont();
    info->GroupNative = UsesGroupBoxNativeLook();
    info->TransparentGroup = box != nullptr && !IsInplace && box->UsesTransparentProperty();
    if (!box) return;
    info->Alignment = box->GetAlignment();
    info->CaptionText = box->GetCaptionText();
    info->CaptionFont = box->GetCaptionFont();
    info->CaptionFontHeight = GetCaptionFontHeight();
    info->CaptionTextFlags = GetCaptionTextFlags();
    info->CaptionRect = CalculateCaptionRect(canvas, Width(bounds), Height(bounds));
    OffsetRect(&info->CaptionRect, bounds.left, bounds.top);
    info->CaptionBitmap->SetSize(std::max<Integer>(0, Width(info->CaptionRect)),
                                 std::max<Integer>(0, Height(info->CaptionRect)));
}

Integer TqzGroupBoxViewData::GetContainerState(const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                                               bool isMouseEvent) {
    return Enabled ? qzcsNormal : qzcsDisabled;
}

void TqzGroupBoxViewData::GetBorderExtent(TRect& rect) {
    inherited::GetBorderExtent(rect);
    TqzCustomGroupBox* box = GetGroupBox();
    if (!box || IsInplace || box->GetAlignment() == alCenterCenter) return;
    const Integer h = GetCaptionFontHeight();
    const TqzCaptionAlignment a = box->GetAlignment();
    if (IsTopCaption(a))
        rect.top = h / 2 + 1;
    else if (IsBottomCaption(a))
        rect.bottom = h / 2 + 1;
    else if (IsLeftCaption(a))
        rect.left = h / 2;
    else
        rect.right = h / 2;
}

void TqzGroupBoxViewData::GetClientExtent(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo, TRect& rect) {
    TqzCustomEditViewData::GetBorderExtent(rect);
    TqzCustomGroupBox* box = GetGroupBox();
    if (!box || IsInplace || box->GetAlignment() == alCenterCenter) return;
    const Integer h = GetCaptionFontHeight() + 3;
    const TqzCaptionAlignment a = box->GetAlignment();
    if (IsTopCaption(a))
        rect.top = h;
    else if (IsBottomCaption(a))
        rect.bottom = h;
    else if (IsLeftCaption(a))
        rect.left = h;
    else
        rect.right = h;
}

TColor TqzGroupBoxViewData::CalculateBorderColor() {
    const TqzEditBorderStyle style = NormalStyle()->GetEditBorderStyle();
    if (style == ebsUltraFlat || style == ebsOffice11)
        return Enabled ? GetHighlightBorderColor(style == ebsOffice11) : clBtnShadow;
    return FStyle->GetBorderColor();
}

// ---- Group box view info ---------------------------------------------------------------------------

void TqzGroupBoxButtonViewInfo::Assign(TPersistent* source) {
    inherited::Assign(source);
    if (auto* other = dynamic_cast<TqzGroupBoxButtonViewInfo*>(source)) {
        ItemIndex = other->ItemIndex;
        Caption = other->Caption;
        Column = other->Column;
        Row = other->Row;
        Native = other->Native;
        ButtonStyle = other->ButtonStyle;
        IsDesigning = other->IsDesigning;
        ThemePart = other->ThemePart;
        ThemeStateId = other->ThemeStateId;
        PartiallyTransparent = other->PartiallyTransparent;
    }
}

TqzGroupBoxViewInfo::TqzGroupBoxViewInfo()
    : CaptionBitmap(std::make_unique<TBitmap>()), CaptionCanvas(std::make_unique<TqzCanvas>(CaptionBitmap->GetCanvas())) {}

TqzGroupBoxViewInfo::~TqzGroupBoxViewInfo() = default;

TqzEditButtonViewInfoClass TqzGroupBoxViewInfo::GetButtonViewInfoClass() {
    return [] { return static_cast<TqzEditButtonViewInfo*>(new TqzGroupBoxButtonViewInfo()); };
}

void TqzGroupBoxViewInfo::MoveBy(Integer dx, Integer dy) {
    inherited::MoveBy(dx, dy);
    OffsetRect(&CaptionRect, dx, dy);
}

void TqzGroupBoxViewInfo::Draw(TqzCanvas* canvas) { PaintBackground(canvas); }

void TqzGroupBoxViewInfo::PaintBackground(TqzCanvas* canvas) {
    if (IsInplace) {
        FillRectWithColor(canvas, Bounds, BackgroundColor);
        PaintItems(canvas);
        return;
    }
    if (!CaptionText.empty() && Width(CaptionRect) > 0 && Height(CaptionRect) > 0) {
        std::unique_ptr<TqzRegion> clip = canvas->CopyClipRegion();
        canvas->ExcludeClipArea(CaptionRect);
        try {
            PaintFrameAndBackground(canvas, false);
        } catch (...) {
            canvas->ApplyClipRegion(std::move(clip));
            throw;
        }
        canvas->ApplyClipRegion(std::move(clip));
        // The caption goes through its own bitmap: the background under it, then the text.
        TqzCanvas* captionCanvas = CaptionCanvas.get();
        const TRect local{0, 0, Width(CaptionRect), Height(CaptionRect)};
        if (TransparentGroup && EditControl)
            captionCanvas->CopyRectFrom(local, canvas->Canvas, CaptionRect);
        else
            FillRectWithColor(captionCanvas, local, BackgroundColor);
        PaintCaption(captionCanvas);
        canvas->CopyRectFrom(CaptionRect, CaptionBitmap->GetCanvas(), local);
    } else {
        // The frame lines leave the clip area while they are drawn; the caller's comes back.
        std::unique_ptr<TqzRegion> clip = canvas->CopyClipRegion();
        try {
            PaintFrameAndBackground(canvas, false);
        } catch (...) {
            canvas->ApplyClipRegion(std::move(clip));
            throw;
        }
        canvas->ApplyClipRegion(std::move(clip));
    }
    PaintItems(canvas);
}

void TqzGroupBoxViewInfo::PaintFrameAndBackground(TqzCanvas* canvas, bool clearBrush) {
    const Integer h = CaptionFontHeight;
    if (GroupNative) {
        HTHEME theme = OpenThemeForType(ttButton);
        const int state = Enabled ? 1 : 2;
        if (TransparentGroup && EditControl)
            PaintParentImageBehind(EditControl, canvas, Bounds);
        else
            FillRectWithColor(canvas, Bounds, BackgroundColor);
        if (theme && EditBorderStyle != ebsNone) {
            RECT r = Bounds;
            const TqzCaptionAlignment a = Alignment;
            if (IsTopCaption(a))
                r.top += h / 2;
            else if (IsBottomCaption(a))
                r.bottom -= h / 2;
            else if (IsLeftCaption(a))
                r.left += h / 2;
            else if (IsRightCaption(a))
                r.right -= h / 2;
            UxDrawThemeBackground(theme, canvas->DeviceContext(), kGroupBoxPart, state, &r, nullptr);
        }
        return;
    }
    if (clearBrush) {
        if (EditControl) PaintParentImageBehind(EditControl, canvas, Bounds);
        return;
    }
    const TRect bounds = Bounds;
    TRect frame = bounds;
    if (Shadow) {
        frame.right -= kShadowWidth;
        frame.bottom -= kShadowWidth;
    }
    const Integer borderWidth = EditBorderStyle == ebsNone                                      ? 0
                                : EditBorderStyle == ebsThick || EditBorderStyle == ebsFlat ||
                                          EditBorderStyle == ebs3D
                                    ? 2
                                    : 1;
    const TqzCaptionAlignment a = Alignment;
    const Integer gap = a == alCenterCenter ? 0 : h / 2 + 1 - borderWidth;
    const TColor parentColor =
        EditControl && EditControl->GetParent() ? EditControl->GetParent()->GetColor() : BackgroundColor;
    if (a != alCenterCenter && gap > 0) {
        TRect strip = bounds;
        if (IsTopCaption(a)) {
            strip.bottom = bounds.top + gap;
            frame.top = strip.bottom;
        } else if (IsBottomCaption(a)) {
            strip.top = frame.bottom - gap;
            frame.bottom = strip.top;
        } else if (IsLeftCaption(a)) {
            strip.right = bounds.left + gap - 1;
            frame.left = strip.right;
        } else {
            strip.left = frame.right - gap + 1;
            frame.right = strip.left;
        }
        if (TransparentGroup && EditControl)
            PaintParentImageBehind(EditControl, canvas, strip);
        else
            FillRectWithColor(canvas, strip, BackgroundColor);
    }
    const TqzSides sides = EdgesToSides(Edges);
    auto excludeFrame = [&](Integer width) {
        TRect inner = frame;
        if (sides & 1) inner.left += width;
        if (sides & 2) inner.top += width;
        if (sides & 4) inner.right -= width;
        if (sides & 8) inner.bottom -= width;
        canvas->ExcludeClipArea(TRect{frame.left, frame.top, frame.right, inner.top});
        canvas->ExcludeClipArea(TRect{frame.left, inner.bottom, frame.right, frame.bottom});
        canvas->ExcludeClipArea(TRect{frame.left, inner.top, inner.left, inner.bottom});
        canvas->ExcludeClipArea(TRect{inner.right, inner.top, frame.right, inner.bottom});
    };
    Integer inset = 0;
    switch (EditBorderStyle) {
    case ebsNone:
        if (Shadow) {
            if (IsTopCaption(a))
                FillRectWithColor(canvas, TRect{frame.right, bounds.top + 3, frame.right + 3, bounds.top + 5},
                                  parentColor);
            else
                FillRectWithColor(canvas, TRect{bounds.left + 3, bounds.top + 5, bounds.left + 5, bounds.bottom - 2},
                                  parentColor);
        }
        break;
    case ebsThick:
        canvas->FrameSides(frame, BorderColor, sides, 2);
        excludeFrame(2);
        inset = 2;
        break;
    case ebsFlat:
        canvas->FrameSides(frame, clBtnShadow, sides, 1);
        {
            TRect inner = frame;
            InflateRect(&inner, -1, -1);
            canvas->FrameSides(inner, clBtnHighlight, sides, 1);
        }
        excludeFrame(2);
        inset = 2;
        break;
    case ebs3D:
        if (EditControl == nullptr || EditControl->GetCtl3D()) {
            canvas->FrameSides(TRect{frame.left + 1, frame.top + 1, frame.right, frame.bottom}, clBtnHighlight, sides, 1);
            canvas->FrameSides(TRect{frame.left, frame.top, frame.right - 1, frame.bottom - 1}, clBtnShadow, sides, 1);
            if ((sides & 6) == 6) canvas->SetPixelColor(frame.right - 1, frame.top, BackgroundColor);
            if ((sides & 9) == 9) canvas->SetPixelColor(frame.left, frame.bottom - 1, BackgroundColor);
        } else {
            canvas->FrameSides(frame, clWindowFrame, sides, 1);
            TRect inner = frame;
            InflateRect(&inner, -1, -1);
            canvas->FrameSides(inner, BackgroundColor, sides, 1);
        }
        excludeFrame(2);
        inset = 2;
        break;
    default: // single, ultra-flat, Office11
        canvas->FrameSides(frame, BorderColor, sides, 1);
        excludeFrame(1);
        inset = 1;
        break;
    }
    if (Shadow) {
        std::unique_ptr<TqzRegion> clip = canvas->CopyClipRegion();
        canvas->IntersectClipArea(bounds);
        if (EditBorderStyle != ebsNone) {
            if (IsTopCaption(a))
                FillRectWithColor(canvas, TRect{frame.right, frame.top, frame.right + 3, bounds.top + gap + 3},
                                  parentColor);
            else if (IsLeftCaption(a))
                FillRectWithColor(canvas, TRect{frame.left, frame.bottom, bounds.left + gap + 2, frame.bottom + 3},
                                  parentColor);
        }
        if (IsTopCaption(a) || IsLeftCaption(a) || a == alCenterCenter) DrawContainerShadow(canvas, frame);
        canvas->ApplyClipRegion(std::move(clip));
        canvas->ExcludeClipArea(TRect{frame.right, bounds.top, bounds.right, bounds.bottom});
        canvas->ExcludeClipArea(TRect{bounds.left, frame.bottom, bounds.right, bounds.bottom});
    }
    TRect inside = frame;
    InflateRect(&inside, -inset, -inset);
    if (TransparentGroup && EditControl)
        PaintParentImageBehind(EditControl, canvas, inside);
    else
        FillRectWithColor(canvas, inside, BackgroundColor);
}

void TqzGroupBoxViewInfo::PaintCaption(TqzCanvas* canvas) {
    if (!CaptionFont) return;
    canvas->SelectFont(CaptionFont);
    TColor color = CaptionFont->GetColor();
    if (GroupNative) {
        COLORREF themed = 0;
        if (HTHEME theme = OpenThemeForType(ttButton))
            if (UxGetThemeColor(theme, kGroupBoxPart, Enabled ? 1 : 2, 3803, &themed) == S_OK) color = TColor(themed);
    } else {
        color = TextColor;
    }
    canvas->CurrentFont()->SetColor(color);
    canvas->SetBrushColor(BackgroundColor);
    canvas->CurrentBrush()->SetStyle(TransparentGroup ? bsClear : bsSolid);
    const TRect local{0, 0, Width(CaptionRect), Height(CaptionRect)};
    HDC dc = canvas->DeviceContext();
    if (IsVerticalCaption(Alignment)) {
        // The turned font is made for the output from the caption font's description.
        LOGFONTA lf = GetCanvasLogFont(canvas);
        const LONG angle = IsLeftCaption(Alignment) ? 900 : 2700;
        lf.lfEscapement = angle;
        lf.lfOrientation = angle;
        lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        HFONT turned = CreateFontIndirectA(&lf);
        HGDIOBJ oldFont = SelectObject(dc, turned);
        SetBkMode(dc, TransparentGroup ? TRANSPARENT : OPAQUE);
        SetBkColor(dc, ColorToRGB(BackgroundColor));
        SetTextColor(dc, ColorToRGB(color));
        const Integer x = IsLeftCaption(Alignment) ? 0 : local.right;
        const Integer y = IsLeftCaption(Alignment) ? local.bottom - 1 : local.top + 1;
        const RECT clip = local;
        ExtTextOutA(dc, x, y, ETO_CLIPPED | (TransparentGroup ? 0 : ETO_OPAQUE), &clip, CaptionText.c_str(),
                    UINT(CaptionText.size()), nullptr);
        SelectObject(dc, oldFont);
        DeleteObject(turned);
        return;
    }
    canvas->OutputText(CaptionText, local, true, TqzTextFlags(CaptionTextFlags | qzGraphics::tfAlignLeft));
}

// ---- Group box -------------------------------------------------------------------------------------

TqzCustomGroupBox::TqzCustomGroupBox(TComponent* owner, bool isInplace) : TqzCustomEdit(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomGroupBox::TqzCustomGroupBox(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomEdit(owner, isInplace, deferInitialization) {}

TqzCustomGroupBox::~TqzCustomGroupBox() = default;

void TqzCustomGroupBox::Initialize() {
    inherited::Initialize();
    TControlStyle style = GetControlStyle();
    style.Include(csAcceptsControls);
    style.Include(csCaptureMouse);
    style.Include(csClickEvents);
    SetControlStyle(style);
    SetWidth(185);
    SetHeight(105);
    SetAutoSize(false);
    FCaptionFont = std::make_unique<TFont>();
    RefreshCaptionFont();
    RefreshCaptionText();
    SetTabStop(false);
}

void TqzCustomGroupBox::RefreshCaptionFont() {
    if (!FCaptionFont || IsInplace()) return;
    TqzContainerStyle* style = GetActiveStyle();
    if (!style) style = GetStyle();
    if (!style) return;
    FCaptionFont->Assign(style->GetEffectiveFont());
    if (!IsVerticalCaption(FAlignment)) return;
    LOGFONTA lf{};
    GetObjectA(FCaptionFont->GetHandle(), sizeof(lf), &lf);
    TqzCanvas* screen = GetScreenCanvas();
    screen->SelectFont(FCaptionFont.get());
    TEXTMETRICA tm{};
    GetTextMetricsA(screen->DeviceContext(), &tm);
    // Only outline fonts turn: anything else is drawn in Arial.
    if ((tm.tmPitchAndFamily & TMPF_TRUETYPE) == 0) {
        std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), '\0');
        std::copy_n("Arial", 5, lf.lfFaceName);
    }
    const LONG angle = IsLeftCaption(FAlignment) ? 900 : 2700;
    if (lf.lfEscapement == angle) return;
    lf.lfEscapement = angle;
    lf.lfOrientation = angle;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    FCaptionFont->SetHandle(CreateFontIndirectA(&lf));
}

void TqzCustomGroupBox::RefreshCaptionText() {
    FCaptionText = IsVerticalCaption(FAlignment) ? RemoveAcceleratorPrefixes(GetCaption()) : GetCaption();
}

void TqzCustomGroupBox::SetAlignment(TqzCaptionAlignment value) {
    if (value == FAlignment) return;
    FAlignment = value;
    RefreshCaptionFont();
    RefreshCaptionText();
    UpdateViewAtCursor();
    Realign();
}

TRect TqzCustomGroupBox::GetCaptionClientExtent() {
    TRect extent = GetBorderExtent();
    if (IsInplace() || FAlignment == alCenterCenter) return extent;
    const Integer h = GetScreenCanvas()->MeasureFontHeight(FCaptionFont.get()) + 3;
    if (IsTopCaption(FAlignment))
        extent.top = h;
    else if (IsBottomCaption(FAlignment))
        extent.bottom = h;
    else if (IsLeftCaption(FAlignment))
        extent.left = h;
    else
        extent.right = h;
    return extent;
}

void TqzCustomGroupBox::AdjustClientRect(RECT& rect) {
    if (GetComponentState().Contains(csDestroying) || !FCaptionFont) {
        inherited::AdjustClientRect(rect);
        return;
    }
    const TRect extent = GetCaptionClientExtent();
    rect = RECT{extent.left, extent.top, GetWidth() - extent.right, GetHeight() - extent.bottom};
}

void TqzCustomGroupBox::HandleLookAndFeelChange() {
    inherited::HandleLookAndFeelChange();
    Invalidate();
}

void TqzCustomGroupBox::StyleChanged(TqzContainerStyle* sender) {
    RefreshCaptionFont();
    inherited::StyleChanged(sender);
}

TRect TqzCustomGroupBox::GetRegionRect() {
    TRect r = inherited::GetRegionRect();
    if (IsTopCaption(FAlignment))
        r.top = 0;
    else if (IsBottomCaption(FAlignment))
        r.bottom = GetHeight();
    else if (IsLeftCaption(FAlignment))
        r.left = 0;
    else if (IsRightCaption(FAlignment))
        r.right = GetWidth();
    return r;
}

TqzContainerStyle* TqzCustomGroupBox::SelectStateStyle() {
    return GetEnabled() ? TqzContainer::GetStyle() : TqzContainer::GetStyleDisabled();
}

// The themed frame (also the Office11 one) fills the box: children show it through.
bool TqzCustomGroupBox::HasOwnBackground() {
    return TqzGroupBoxViewData::IsGroupBoxNativeLook(GetStyle()->GetLookAndFeel()) && GetParentBackground() &&
           !IsInplace() && !GetTransparent();
}

void TqzCustomGroupBox::HandleFontChange() {
    inherited::HandleFontChange();
    Realign();
}

void TqzCustomGroupBox::HandleTextChange() {
    inherited::HandleTextChange();
    RefreshCaptionText();
    UpdateViewAtCursor();
}

bool TqzCustomGroupBox::FocusFirstChild() {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    for (TWinControl* control : list)
        if (control != this && control->CanFocus()) {
            FIsSelectingFirst = true;
            try {
                control->SetFocus();
            } catch (...) {
                FIsSelectingFirst = false;
                throw;
            }
            FIsSelectingFirst = false;
            return true;
        }
    return false;
}

bool TqzCustomGroupBox::HandleDialogChar(char32_t ch) {
    if (!IsAccel(UINT(ch), GetCaption()) || !CanFocus()) return false;
    FocusFirstChild();
    return true;
}

void TqzCustomGroupBox::HandleWindowMessage(TMessage& message) {
    if (message.Msg == CM_DIALOGCHAR && HandleDialogChar(char32_t(message.WParam))) {
        message.Result = 1;
        return;
    }
    inherited::HandleWindowMessage(message);
}

// ---- Button group items --------------------------------------------------------------------------

TqzButtonGroupItem::TqzButtonGroupItem(TCollection* collection, bool notify) : TCollectionItem(collection) {
    if (notify) NotifyItem(0);
}

TqzButtonGroupItem::~TqzButtonGroupItem() {
    if (!FDeletionTold) NotifyItem(1);
}

void TqzButtonGroupItem::NotifyItem(Integer action) {
    if (action == 1) FDeletionTold = true;
    if (auto* items = dynamic_cast<TqzButtonGroupItems*>(GetCollection())) items->ItemChanged(this, GetIndex(), action);
}

void TqzButtonGroupItem::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzButtonGroupItem*>(source)) {
        FCaption = other->FCaption;
        FEnabled = other->FEnabled;
        FTag = other->FTag;
        NotifyItem(2);
        return;
    }
    inherited::Assign(source);
}

void TqzButtonGroupItem::SetCaption(const String& value) {
    if (value == FCaption) return;
    FCaption = value;
    NotifyItem(2);
}

void TqzButtonGroupItem::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    NotifyItem(2);
}

TqzButtonGroupItems::TqzButtonGroupItems(TPersistent* owner, TCollectionItemClass itemClass)
    : TOwnedCollection(owner, itemClass) {}

void TqzButtonGroupItems::ItemChanged(TqzButtonGroupItem*, Integer index, Integer action) {
    auto* properties = dynamic_cast<TqzCustomEditProperties*>(GetOwner());
    if (!properties || GetUpdateCount() > 0) return;
    const bool oldUpdate = FItemUpdate;
    FItemUpdate = true;
    FChangedIndex = index;
    FChangedAction = action;
    try {
        properties->Changed();
    } catch (...) {
        FItemUpdate = oldUpdate;
        throw;
    }
    FItemUpdate = oldUpdate;
}

void TqzButtonGroupItems::Update(TCollectionItem* item) {
    inherited::Update(item);
    if (item) return; // single items tell their own change
    if (auto* properties = dynamic_cast<TqzCustomEditProperties*>(GetOwner())) properties->Changed();
}

// ---- Button group properties -----------------------------------------------------------------------

TqzCustomButtonGroupProperties::TqzCustomButtonGroupProperties(TPersistent* owner)
    : TqzCustomGroupBoxProperties(owner) {}

TqzCustomButtonGroupProperties::~TqzCustomButtonGroupProperties() {
    if (FItems) {
        // The items leave without telling a properties object that is going.
        auto items = std::move(FItems);
        items->BeginUpdate();
        items.reset();
    }
}

TqzButtonGroupItems* TqzCustomButtonGroupProperties::CreateItems() {
    return new TqzButtonGroupItems(this, TCollectionItemClass::Of<TqzButtonGroupItem>());
}

TqzButtonGroupItems* TqzCustomButtonGroupProperties::GetItems() {
    if (!FItems) FItems.reset(CreateItems());
    return FItems.get();
}

void TqzCustomButtonGroupProperties::SetColumns(Integer value) {
    value = std::max<Integer>(1, value);
    if (value == FColumns) return;
    FColumns = value;
    Changed();
}

void TqzCustomButtonGroupProperties::SetWordWrap(bool value) {
    if (value == FWordWrap) return;
    FWordWrap = value;
    Changed();
}

void TqzCustomButtonGroupProperties::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzCustomButtonGroupProperties*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    BeginUpdate();
    try {
        inherited::Assign(source);
        SetColumns(other->FColumns);
        GetItems()->Assign(other->GetItems());
        SetWordWrap(other->FWordWrap);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

TqzCustomEditProperties* TqzCustomButtonGroupProperties::CreateOfSameClass() {
    auto* sample = static_cast<TqzCustomButtonGroupProperties*>(inherited::CreateOfSameClass());
    for (const char* caption : {"A", "B", "C"})
        static_cast<TqzButtonGroupItem*>(sample->GetItems()->Add())->SetCaption(caption);
    sample->SetColumns(3);
    return sample;
}

Integer TqzCustomButtonGroupProperties::GetSupportedOperations() {
    return GetItems()->GetCount() == 0 ? 0x88F : 0x8AF;
}

Integer TqzCustomButtonGroupProperties::GetColumnCount() {
    const Integer count = GetItems()->GetCount();
    Integer columns = std::min(FColumns, count);
    if (count == 0) columns = FColumns;
    if (columns <= 0) columns = 1;
    if (count == 0) return columns;
    const Integer rows = (count + columns - 1) / columns;
    return (count + rows - 1) / rows;
}

Integer TqzCustomButtonGroupProperties::GetRowCount() {
    const Integer count = GetItems()->GetCount();
    const Integer columns = std::max<Integer>(1, GetColumnCount());
    return std::max<Integer>(1, (count + columns - 1) / columns);
}

// ---- Button group view data ------------------------------------------------------------------------

bool TqzButtonGroupViewData::IsNativeStyleFor(TqzLookAndFeel* lookAndFeel) {
    return lookAndFeel && IsNativeStyleUsable(lookAndFeel->GetNativeStyle(), ttButton);
}

Integer TqzButtonGroupViewData::GetCaptionTextFlagsFor(bool measuring) {
    Integer flags = qzGraphics::tfAlignLeft | qzGraphics::tfAlignVCenter | qzGraphics::tfShowPrefix;
    if (GetButtonGroupProperties()->GetWordWrap() && measuring)
        flags |= qzGraphics::tfWordBreak | qzGraphics::tfNoClip;
    else
        flags |= qzGraphics::tfSingleLine;
    return flags;
}

void TqzButtonGroupViewData::CalculateButtonCaptions(TqzCustomEditViewInfo* viewInfo) {
    TqzButtonGroupItems* items = GetButtonGroupProperties()->GetItems();
    for (Integer i = 0; i < viewInfo->GetButtonCount() && i < items->GetCount(); ++i)
        static_cast<TqzGroupBoxButtonViewInfo*>(viewInfo->GetButtonInfo(i))->Caption = items->GetItem(i)->GetCaption();
}

void TqzButtonGroupViewData::CalculateButtonPositions(TqzCanvas* canvas, TqzCustomEditViewInfo* viewInfo) {
    TqzCustomButtonGroupProperties* p = GetButtonGroupProperties();
    const Integer count = p->GetItems()->GetCount();
    viewInfo->SetButtonCount(count);
    if (count == 0) return;
    TqzButtonGroupMetrics m;
    GetButtonMetrics(canvas, m);
    const Integer columns = std::max<Integer>(1, p->GetColumnCount());
    const Integer rows = p->GetRowCount();
    TRect extent;
    GetClientExtent(canvas, viewInfo, extent);
    const TRect& b = viewInfo->Bounds;
    const Integer columnWidth =
        (b.right + m.WidthAdjustment2 - b.left - extent.left - extent.right - (columns - 1) * m.ColumnSpacing) / columns;
    const Integer available = b.bottom - b.top - extent.top - extent.bottom;
    const Integer rowHeight = available / rows;
    const Integer firstRow = b.top + extent.top + (available % rows) / 2;
    for (Integer i = 0; i < count; ++i) {
        auto* info = static_cast<TqzGroupBoxButtonViewInfo*>(viewInfo->GetButtonInfo(i));
        info->ItemIndex = i;
        info->ButtonIndex = i;
        info->Column = i / rows;
        info->Row = i % rows;
        const Integer left = b.left + extent.left + (columnWidth + m.ColumnSpacing) * info->Column + m.LeftOffset;
        const Integer top = firstRow + rowHeight * info->Row;
        info->Bounds = TRect{left, top, left + columnWidth, top + rowHeight};
        info->VisibleBounds = info->Bounds;
    }
}

void TqzButtonGroupViewData::CalculateButtons(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button,
                                              TShiftState shift, TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) {
    auto* info = static_cast<TqzButtonGroupViewInfo*>(viewInfo);
    info->Bounds = bounds;
    const Integer oldPressed = isMouseEvent ? info->PressedButton : -1;
    std::vector<Integer> oldStates;
    for (Integer i = 0; i < info->GetButtonCount(); ++i) oldStates.push_back(info->GetButtonInfo(i)->Data.State);
    CalculateButtonPositions(canvas, viewInfo);
    CalculateButtonCaptions(viewInfo);
    info->ButtonAreaMargins = GetButtonAreaMargins();
    info->PressedButton = -1;
    info->HotButton = -1;
    const Integer captured = GetCapturedButtonIndex();
    const bool leftDown = shift.Contains(ssLeft);
    TShiftState leftOnly;
    leftOnly.Include(ssLeft);
    TShiftState leftDouble = leftOnly;
    leftDouble.Include(ssDouble);
    for (Integer i = 0; i < info->GetButtonCount(); ++i) {
        auto* item = info->GetItemInfo(i);
        const Integer previous = i < Integer(oldStates.size()) ? oldStates[size_t(i)] : qzebsNormal;
        Integer state = qzebsNormal;
        if (!Enabled) {
            state = qzebsDisabled;
        } else {
            const bool forced = IsButtonPressed(viewInfo, i);
            const bool isCaptured = button == 0 && leftDown && previous == qzebsNormal && i == captured;
            const bool mouseOver = !IsDesigning && PtInRect(&item->Bounds, p);
            if (forced || mouseOver) {
                if (!forced && shift.empty() && !isCaptured) {
                    state = qzebsHot;
                    info->HotButton = i;
                } else if (forced || (isCaptured && CanPressButton(viewInfo, i)) ||
                           ((shift == leftOnly || shift == leftDouble) &&
                            ((button == 1 && CanPressButton(viewInfo, i)) || i == oldPressed)) ||
                           (previous == qzebsPressed && leftDown)) {
                    state = qzebsPressed;
                    info->PressedButton = i;
                }
            }
        }
        item->Data.State = state;
        CalculateButtonNativeState(viewInfo, item);
        // The button style of the items.
        TqzEditButtonStyle style = bts3D;
        if (IsInplace) {
            switch (FStyle->GetLookAndFeel()->GetKind()) {
            case lfFlat: style = btsFlat; break;
            case lfUltraFlat: style = btsUltraFlat; break;
            case lfOffice11: style = btsOffice11; break;
            default: style = bts3D; break;
            }
        } else {
            const TqzEditBorderStyle border = NormalStyle()->GetEditBorderStyle();
            if (border == ebsUltraFlat)
                style = btsUltraFlat;
            else if (border == ebsOffice11)
                style = btsOffice11;
            else if (info->EditBorderStyle == ebsSingle || info->EditBorderStyle == ebsThick ||
                     info->EditBorderStyle == ebsFlat)
                style = btsFlat;
        }
        item->ButtonStyle = style;
        item->Data.Style = style;
        const TqzEditButtonTransparency transparency = FStyle->GetButtonTransparency();
        item->Data.Transparent =
            transparency == ebtAlways || (transparency == ebtInactive && !Focused && !EditFocusedOrHot);
        item->Data.BackgroundColor = info->BackgroundColor;
        item->IsDesigning = IsDesigning;
    }
}

void TqzButtonGroupViewData::GetConstantPartSize(TqzCanvas* canvas, const TqzEditSizeParameters& sizeParameters,
                                                 TSize& size, TqzCustomEditViewInfo* viewInfo, TSize& minContentSize) {
    TqzCustomButtonGroupProperties* p = GetButtonGroupProperties();
    const Integer count = p->GetItems()->GetCount();
    TSize margins{};
    GetContentMargins(margins);
    canvas->SelectFont(FStyle->GetEffectiveFont());
    const Integer lineHeight = canvas->TextHeightOf("Zg") + margins.cy;
    minContentSize = TSize{0, 0};
    if (count == 0) {
        size = TSize{0, lineHeight};
        return;
    }
    TqzButtonGroupMetrics m;
    GetButtonMetrics(canvas, m);
    const Integer columns = std::max<Integer>(1, p->GetColumnCount());
    const Integer rows = p->GetRowCount();
    if (sizeParameters.Width <= 0) {
        Integer widest = 0;
        for (Integer i = 0; i < count; ++i)
            widest = std::max(widest, canvas->TextWidthOf(RemoveAcceleratorPrefixes(p->GetItems()->GetItem(i)->GetCaption())));
        size.cx = (widest + m.GlyphToTextWidth + m.GlyphWidth) * columns + (columns - 1) * m.ColumnSpacing +
                  m.WidthAdjustment;
        size.cy = std::max(m.GlyphHeight, lineHeight) * rows;
        return;
    }
    const Integer textWidth =
        std::max<Integer>(1, (sizeParameters.Width + m.RightAdjustment - (columns - 1) * m.ColumnSpacing) / columns -
                                 m.GlyphWidth - m.TextOffset);
    Integer rowHeight = lineHeight;
    for (Integer i = 0; i < count; ++i) {
        TRect r{0, 0, textWidth, 0};
        const Integer flags = p->GetWordWrap() ? (qzGraphics::tfWordBreak | qzGraphics::tfAlignTop | qzGraphics::tfShowPrefix) : (qzGraphics::tfSingleLine | qzGraphics::tfShowPrefix);
        canvas->CalcTextBounds(p->GetItems()->GetItem(i)->GetCaption(), r, TqzTextFlags(flags));
        rowHeight = std::max(rowHeight, Height(r) + margins.cy);
    }
    size = TSize{sizeParameters.Width, rowHeight * rows};
}

// ---- Button group ------------------------------------------------------------------------------------

TqzCustomButtonGroup::TqzCustomButtonGroup(TComponent* owner, bool isInplace)
    : TqzCustomGroupBox(owner, isInplace, true) {
    InitializeEditor();
}

TqzCustomButtonGroup::TqzCustomButtonGroup(TComponent* owner, bool isInplace, bool deferInitialization)
    : TqzCustomGroupBox(owner, isInplace, deferInitialization) {}

TqzCustomButtonGroup::~TqzCustomButtonGroup() { SyncButtonCount(0); }

void TqzCustomButtonGroup::Initialize() {
    inherited::Initialize();
    SetTabStop(true);
}

void TqzCustomButtonGroup::ForgetButton(TWinControl* button) {
    FButtons.erase(std::remove(FButtons.begin(), FButtons.end(), button), FButtons.end());
}

Integer TqzCustomButtonGroup::GetFocusedButtonIndex() const {
    for (size_t i = 0; i < FButtons.size(); ++i)
        if (FButtons[i]->Focused()) return Integer(i);
    return -1;
}

bool TqzCustomButtonGroup::Focused() const { return inherited::Focused() || GetFocusedButtonIndex() >= 0; }

void TqzCustomButtonGroup::SyncButtonCount(Integer count) {
    auto* properties = dynamic_cast<TqzCustomButtonGroupProperties*>(GetPropertiesInUse());
    TqzButtonGroupItems* items = properties ? properties->GetItems() : nullptr;
    if (items && items->IsItemUpdate() && count > 0) {
        const Integer index = items->GetChangedItemIndex();
        if (items->GetChangedItemAction() == 0 && Integer(FButtons.size()) < count) {
            TWinControl* button = CreateButton();
            InitializeButton(button);
            return;
        }
        if (items->GetChangedItemAction() == 1 && index >= 0 && index < Integer(FButtons.size())) {
            delete FButtons[size_t(index)];
            return;
        }
    }
    while (Integer(FButtons.size()) > std::max<Integer>(0, count)) delete FButtons.back();
    while (Integer(FButtons.size()) < count) InitializeButton(CreateButton());
}

void TqzCustomButtonGroup::InitializeButton(TWinControl* button) {
    button->SetParentShowHint(false);
    button->SetParent(this);
    button->OnDragDrop = MakeEvent(this, &TqzCustomButtonGroup::ButtonDragDrop);
    button->OnDragOver = MakeEvent(this, &TqzCustomButtonGroup::ButtonDragOver);
    button->OnKeyDown = MakeEvent(this, &TqzCustomButtonGroup::ButtonKeyDown);
    button->OnKeyPress = MakeEvent(this, &TqzCustomButtonGroup::ButtonKeyPress);
    button->OnKeyUp = MakeEvent(this, &TqzCustomButtonGroup::ButtonKeyUp);
    button->OnMouseDown = MakeEvent(this, &TqzCustomButtonGroup::ButtonMouseDown);
    button->OnMouseMove = MakeEvent(this, &TqzCustomButtonGroup::ButtonMouseMove);
    button->OnMouseUp = MakeEvent(this, &TqzCustomButtonGroup::ButtonMouseUp);
    button->OnMouseWheel = MakeEvent(this, &TqzCustomButtonGroup::ButtonMouseWheel);
}

void TqzCustomButtonGroup::ButtonKeyDown(TObject*, Word& key, TShiftState shift) { KeyDown(key, shift); }
void TqzCustomButtonGroup::ButtonKeyPress(TObject*, char32_t& key) { KeyPress(key); }
void TqzCustomButtonGroup::ButtonKeyUp(TObject*, Word& key, TShiftState shift) { KeyUp(key, shift); }

void TqzCustomButtonGroup::ButtonMouseDown(TObject* sender, TMouseButton button, TShiftState shift, Integer x,
                                           Integer y) {
    auto* control = static_cast<TControl*>(sender);
    MouseDown(button, shift, x + control->GetLeft(), y + control->GetTop());
}

void TqzCustomButtonGroup::ButtonMouseMove(TObject* sender, TShiftState shift, Integer x, Integer y) {
    auto* control = static_cast<TControl*>(sender);
    MouseMove(shift, x + control->GetLeft(), y + control->GetTop());
}

void TqzCustomButtonGroup::ButtonMouseUp(TObject* sender, TMouseButton button, TShiftState shift, Integer x,
                                         Integer y) {
    auto* control = static_cast<TControl*>(sender);
    MouseUp(button, shift, x + control->GetLeft(), y + control->GetTop());
}

void TqzCustomButtonGroup::ButtonDragDrop(TObject* sender, TObject* source, Integer x, Integer y) {
    auto* control = static_cast<TControl*>(sender);
    DragDrop(source, x + control->GetLeft(), y + control->GetTop());
}

void TqzCustomButtonGroup::ButtonDragOver(TObject* sender, TObject* source, Integer x, Integer y, TDragState state,
                                          bool& accept) {
    auto* control = static_cast<TControl*>(sender);
    DragOver(source, x + control->GetLeft(), y + control->GetTop(), state, accept);
}

void TqzCustomButtonGroup::ButtonMouseWheel(TObject*, TShiftState, Integer, TPoint, bool& handled) { handled = false; }

void TqzCustomButtonGroup::PlaceButtons() {
    TqzButtonGroupViewInfo* info = GetButtonGroupViewInfo();
    for (Integer i = 0; i < GetButtonCount() && i < info->GetButtonCount(); ++i) {
        const TRect r = info->GetButtonInfo(i)->Bounds;
        GetButton(i)->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
}

void TqzCustomButtonGroup::UpdateButtonAppearance() {
    TqzContainerStyle* style = GetActiveStyle();
    if (!style) return;
    for (TWinControl* button : FButtons) {
        button->SetColor(style->GetColor());
        TFont font;
        font.Assign(style->GetEffectiveFont());
        font.SetColor(style->GetTextColor());
        button->GetFont()->Assign(&font);
    }
}

void TqzCustomButtonGroup::UpdateButtons() {
    TqzButtonGroupItems* items = GetActiveButtonGroupProperties()->GetItems();
    SyncButtonCount(items->GetCount());
    for (Integer i = 0; i < GetButtonCount() && i < items->GetCount(); ++i)
        GetButton(i)->SetEnabled(GetEnabled() && items->GetItem(i)->GetEnabled());
    UpdateViewAtCursor();
    for (TWinControl* button : FButtons) button->SetCursor(GetCursor());
}

void TqzCustomButtonGroup::ApplyActiveProperties(TObject* properties) {
    if (!GetComponentState().Contains(csReading) && GetProperties() && !IsEditorDestroying()) UpdateButtons();
    inherited::ApplyActiveProperties(properties);
}

void TqzCustomButtonGroup::StyleChanged(TqzContainerStyle* sender) {
    inherited::StyleChanged(sender);
    if (!FInitializing && GetProperties() && !IsEditorDestroying()) UpdateButtons();
}

void TqzCustomButtonGroup::HandleCursorChange() {
    inherited::HandleCursorChange();
    for (TWinControl* button : FButtons) button->SetCursor(GetCursor());
}

void TqzCustomButtonGroup::HandleEnabledChange() {
    inherited::HandleEnabledChange();
    UpdateButtons();
}

bool TqzCustomButtonGroup::UpdateViewState(const TPoint& point, Integer button, TShiftState shift, bool isMouseEvent) {
    const bool result = inherited::UpdateViewState(point, button, shift, isMouseEvent);
    PlaceButtons();
    UpdateButtonAppearance();
    return result;
}

void TqzCustomButtonGroup::ReadState(TReader* reader) {
    inherited::ReadState(reader);
    UpdateButtons();
    SynchronizeDisplayValue();
}

void TqzCustomButtonGroup::CreateHandle() {
    inherited::CreateHandle();
    UpdateButtons();
    SynchronizeDisplayValue();
}

void TqzCustomButtonGroup::GetTabOrderList(std::vector<TWinControl*>& list) const {
    inherited::GetTabOrderList(list);
}

void TqzCustomButtonGroup::HandleEditKeyDown(Word& key, TShiftState shift) {
    const Integer focused = GetFocusedButtonIndex();
    if (focused < 0) return;
    TqzCustomButtonGroupProperties* p = GetActiveButtonGroupProperties();
    const Integer rows = p->GetRowCount();
    const Integer count = GetButtonCount();
    const Integer column = focused / rows, row = focused % rows;
    Integer target = -1;
    switch (key) {
    case VK_LEFT:
        if (column > 0) target = focused - rows;
        break;
    case VK_UP:
        if (row > 0) target = focused - 1;
        break;
    case VK_RIGHT:
        if (focused + rows < count) target = focused + rows;
        break;
    case VK_DOWN: {
        const Integer lastRow = std::min(rows, count - column * rows) - 1;
        if (row < lastRow) target = focused + 1;
        break;
    }
    default:
        break;
    }
    if (target >= 0 && target < count) {
        TWinControl* button = GetButton(target);
        if (button->CanFocus()) button->SetFocus();
        key = 0;
    }
    inherited::HandleEditKeyDown(key, shift);
}

void TqzCustomButtonGroup::ActivateByMouse(TShiftState shift, Integer x, Integer y, TqzCustomEditData*& editData) {
    inherited::ActivateByMouse(shift, x, y, editData);
    TPoint p{x, y};
    if (GetParent()) p = ScreenToClient(GetParent()->ClientToScreen(p));
    TqzButtonGroupViewInfo* info = GetButtonGroupViewInfo();
    for (Integer i = 0; i < info->GetButtonCount() && i < GetButtonCount(); ++i) {
        const TRect r = info->GetButtonInfo(i)->Bounds;
        if (!PtInRect(&r, p)) continue;
        TWinControl* button = GetButton(i);
        const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
        WPARAM keys = 0;
        if (shift.Contains(ssShift)) keys |= MK_SHIFT;
        if (shift.Contains(ssCtrl)) keys |= MK_CONTROL;
        if (shift.Contains(ssLeft)) {
            keys |= MK_LBUTTON;
            SendMessageA(button->GetHandle(), WM_LBUTTONDOWN, keys, at);
        } else {
            SendMessageA(button->GetHandle(), WM_LBUTTONUP, keys, at);
        }
        break;
    }
}

void TqzCustomButtonGroup::HandleWindowMessage(TMessage& message) {
    inherited::HandleWindowMessage(message);
    if (message.Msg == WM_WINDOWPOSCHANGED && GetTransparent() && !GetComponentState().Contains(csDestroying) &&
        HandleAllocated())
        RedrawWindow(GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
}

// ---- Streaming ---------------------------------------------------------------------------------------

KOV_PUBLISHED(TqzCustomGroupBoxProperties) {}

KOV_PUBLISHED(TqzCustomButtonGroupProperties) {}

KOV_PUBLISHED(TqzButtonGroupItem) {
    Property("Caption", &TqzButtonGroupItem::GetCaption, &TqzButtonGroupItem::SetCaption);
    Property("Tag", &TqzButtonGroupItem::GetTag, &TqzButtonGroupItem::SetTag).Stored(&TqzButtonGroupItem::IsTagStored);
}

KOV_PUBLISHED(TqzCustomGroupBox) {}

KOV_PUBLISHED(TqzCustomButtonGroup) {}

namespace {
const bool kGroupBoxTypesRegistered = [] {
    RegisterEnum<TqzCaptionAlignment>("TqzCaptionAlignment",
                                      {"alTopLeft", "alTopCenter", "alTopRight", "alBottomLeft", "alBottomCenter",
                                       "alBottomRight", "alLeftTop", "alLeftCenter", "alLeftBottom", "alRightTop",
                                       "alRightCenter", "alRightBottom", "alCenterCenter"});
    RegisterInterfacedPersistentClass<TqzCustomGroupBoxProperties>();
    RegisterInterfacedPersistentClass<TqzCustomButtonGroupProperties>();
    return true;
}();
} // namespace

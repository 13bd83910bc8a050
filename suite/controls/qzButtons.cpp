#include "suite/controls/qzButtons.h"

#include <algorithm>

#include "platform/classlib/ActnList.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/ImageList.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

// ---- Glyph lists ---------------------------------------------------------------------------------

TqzGlyphList::TqzGlyphList(Integer width, Integer height) : TImageList(nullptr, width, height) {}

bool TqzGlyphList::IsSlotUsed(Integer index) const {
    return index >= 0 && index < Integer(FUsed.size()) && FUsed[std::size_t(index)];
}

Integer TqzGlyphList::AddMaskedImage(TBitmap* image, TColor maskColor) {
    auto it = std::find(FUsed.begin(), FUsed.end(), false);
    const Integer index = Integer(it - FUsed.begin());
    if (index >= GetCount()) {
        AddMasked(image, maskColor);
        if (Integer(FUsed.size()) < index + 1) FUsed.resize(std::size_t(index + 1), false);
    } else {
        ReplaceMasked(index, image, maskColor);
    }
    FUsed[std::size_t(index)] = true;
    ++FUseCount;
    return index;
}

void TqzGlyphList::ReleaseImage(Integer index) {
    if (!IsSlotUsed(index)) return;
    --FUseCount;
    FUsed[std::size_t(index)] = false;
}

namespace {
TqzGlyphCache* gGlyphCache = nullptr;

TqzGlyphCache* EnsureGlyphCache() {
    if (gGlyphCache == nullptr) gGlyphCache = new TqzGlyphCache();
    return gGlyphCache;
}
} // namespace

TqzGlyphCache* GlyphCache() { return gGlyphCache; }

TqzGlyphCache::~TqzGlyphCache() {
    for (TqzGlyphList* list : FLists) delete list;
}

TqzGlyphList* TqzGlyphCache::GetList(Integer width, Integer height) {
    for (auto it = FLists.rbegin(); it != FLists.rend(); ++it)
        if ((*it)->GetWidth() == width && (*it)->GetHeight() == height) return *it;
    auto* list = new TqzGlyphList(width, height);
    FLists.push_back(list);
    return list;
}

void TqzGlyphCache::ReturnList(TqzGlyphList* list) {
    if (list == nullptr || list->GetUseCount() != 0) return;
    auto it = std::find(FLists.begin(), FLists.end(), list);
    if (it != FLists.end()) FLists.erase(it);
    delete list;
}

// ---- Glyph ---------------------------------------------------------------------------------------

TqzButtonGlyph::TqzButtonGlyph() : FGlyph(std::make_unique<TBitmap>()) {
    EnsureGlyphCache();
    FGlyph->OnChange = TNotifyEvent(this, &TqzButtonGlyph::GlyphChanged);
}

TqzButtonGlyph::~TqzButtonGlyph() {
    FGlyph->OnChange = nullptr;
    ReleaseImages();
    FGlyph.reset();
    if (gGlyphCache != nullptr && gGlyphCache->IsEmpty()) {
        delete gGlyphCache;
        gGlyphCache = nullptr;
    }
}

void TqzButtonGlyph::ReleaseImages() {
    for (Integer& index : FIndexes) {
        if (index != -1 && FGlyphList != nullptr) FGlyphList->ReleaseImage(index);
        index = -1;
    }
    if (FGlyphList != nullptr && gGlyphCache != nullptr) gGlyphCache->ReturnList(FGlyphList);
    FGlyphList = nullptr;
}

void TqzButtonGlyph::SetGlyph(TBitmap* value) {
    ReleaseImages();
    FGlyph->Assign(value);
    if (value != nullptr) {
        const Integer h = FGlyph->GetHeight();
        const Integer w = FGlyph->GetWidth();
        if (h > 0 && w % h == 0) {
            const Integer count = w / h;
            FNumGlyphs = Byte(count < 5 && count > 0 ? count : 1);
        }
    }
}

void TqzButtonGlyph::SetNumGlyphs(Integer value) {
    if (value == FNumGlyphs || value <= 0) return;
    ReleaseImages();
    FNumGlyphs = Byte(std::min<Integer>(value, 255));
    GlyphChanged(FGlyph.get());
}

void TqzButtonGlyph::GlyphChanged(TObject*) {
    ReleaseImages();
    OnChange(this);
}

TRect TqzButtonGlyph::GetCaptionMargins(TButtonLayout) const {
    if (FGlyph->GetWidth() > 0 && FGlyph->GetHeight() > 0) return TRect{0, 0, 0, 0};
    return TRect{1, 0, 2, 0};
}

bool TqzButtonGlyph::UsesWordWrap(bool wordWrap) const {
    return wordWrap && (FGlyph->GetWidth() == 0 || FGlyph->GetHeight() == 0);
}

namespace {
TqzButtonImageKind KindOfState(TqzButtonState state, Byte numGlyphs) {
    switch (state) {
    case qzbsPressed:
        return numGlyphs < 3 ? qzikUp : qzikDown;
    case qzbsDisabled:
        return qzikDisabled;
    default:
        return qzikUp;
    }
}

// Every pixel of the source column that has the key colour gets the target colour on the work
// bitmap: what a monochrome copy keyed on that colour, blitted with DSPDxax, does.
void PaintKeyedPixels(TBitmap* source, Integer columnLeft, TBitmap* work, Integer dx, Integer dy,
                      COLORREF key, TColor target) {
    const Integer w = work->GetWidth();
    const Integer h = work->GetHeight();
    const COLORREF rgb = COLORREF(ColorToRGB(target));
    HDC src = source->GetCanvas()->GetHandle();
    HDC dst = work->GetCanvas()->GetHandle();
    for (Integer y = 0; y < h; ++y)
        for (Integer x = 0; x < w; ++x) {
            if ((GetPixel(src, columnLeft + x, y) & 0xFFFFFF) != key) continue;
            const Integer tx = x + dx;
            const Integer ty = y + dy;
            if (tx >= 0 && tx < w && ty >= 0 && ty < h) SetPixel(dst, tx, ty, rgb);
        }
}
} // namespace

Integer TqzButtonGlyph::ImageIndexForState(TqzButtonState state) {
    const TqzButtonImageKind kind = KindOfState(state, FNumGlyphs);
    if (FIndexes[kind] != -1) return FIndexes[kind];
    const Integer iw = FGlyph->GetWidth() / FNumGlyphs;
    const Integer ih = FGlyph->GetHeight();
    // A strip narrower than its glyph count has no image either.
    if (iw <= 0 || ih <= 0) return -1;
    if (FGlyphList == nullptr) FGlyphList = EnsureGlyphCache()->GetList(iw, ih);

    auto work = std::make_unique<TBitmap>();
    work->SetSize(iw, ih);
    work->GetCanvas()->GetBrush()->SetColor(clBtnFace);
    work->SetPalette(FGlyph->GetPalette());
    const Integer column = kind < FNumGlyphs ? Integer(kind) : 0;
    const TRect source{column * iw, 0, (column + 1) * iw, ih};
    const TRect whole{0, 0, iw, ih};
    Integer index;
    if (kind == qzikDisabled) {
        TCanvas* canvas = work->GetCanvas();
        if (FNumGlyphs == 1) {
            // Embossed: the dark outline in highlight one pixel down and right, then in shadow.
            canvas->GetBrush()->SetColor(clBtnFace);
            canvas->FillRect(whole);
            PaintKeyedPixels(FGlyph.get(), 0, work.get(), 1, 1, 0x000000, clBtnHighlight);
            PaintKeyedPixels(FGlyph.get(), 0, work.get(), 0, 0, 0x000000, clBtnShadow);
        } else {
            canvas->CopyRect(whole, FGlyph->GetCanvas(), source);
            PaintKeyedPixels(FGlyph.get(), source.left, work.get(), 0, 0, 0xFFFFFF, clBtnHighlight);
            PaintKeyedPixels(FGlyph.get(), source.left, work.get(), 0, 0, 0x808080, clBtnShadow);
            PaintKeyedPixels(FGlyph.get(), source.left, work.get(), 0, 0, COLORREF(ColorToRGB(FTransparentColor)),
                             clBtnFace);
        }
        index = FGlyphList->AddMaskedImage(work.get(), clDefault);
    } else {
        work->GetCanvas()->CopyRect(whole, FGlyph->GetCanvas(), source);
        const TColor mask = FGlyph->GetTransparentMode() == tmFixed ? FTransparentColor : clDefault;
        index = FGlyphList->AddMaskedImage(work.get(), mask);
    }
    FIndexes[kind] = index;
    FGlyph->Dormant();
    return index;
}

void TqzButtonGlyph::CalcPlacement(TCanvas* canvas, const TRect& client, const TPoint& offset,
                                   const String& caption, TButtonLayout layout, Integer margin, Integer spacing,
                                   UINT biDiFlags, bool wordWrap, TPoint& glyphPos, TRect& textBounds) {
    if (biDiFlags & DT_RIGHT) {
        if (layout == blGlyphLeft) layout = blGlyphRight;
        else if (layout == blGlyphRight) layout = blGlyphLeft;
    }
    TPoint textSize{0, 0};
    textBounds = TRect{0, 0, 0, 0};
    if (!caption.empty()) {
        const TRect m = GetCaptionMargins(layout);
        textBounds = TRect{0, 0, client.right - client.left, 0};
        textBounds.left += m.left;
        textBounds.top += m.top;
        textBounds.right -= m.right;
        textBounds.bottom -= m.bottom;
        UINT flags = DT_CALCRECT | biDiFlags;
        if (UsesWordWrap(wordWrap)) flags |= DT_WORDBREAK;
        RECT r{textBounds.left, textBounds.top, textBounds.right, textBounds.bottom};
        DrawTextA(canvas->GetHandle(), caption.c_str(), int(caption.size()), &r, flags);
        textBounds = TRect{r.left, r.top, r.right, r.bottom};
        textSize = TPoint{(r.right - r.left) + m.left + m.right, (r.bottom - r.top) + m.top + m.bottom};
    }
    const TPoint clientSize{client.right - client.left, client.bottom - client.top};
    const TPoint glyphSize{FGlyph->GetWidth() / std::max<Integer>(FNumGlyphs, 1), FGlyph->GetHeight()};
    TPoint glyph{0, 0};
    TPoint text{0, 0};
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    if (horizontal) {
        glyph.y = (clientSize.y - glyphSize.y) / 2;
        text.y = (clientSize.y - textSize.y - 1) / 2;
    } else {
        glyph.x = (clientSize.x - glyphSize.x) / 2;
        text.x = (clientSize.x - textSize.x) / 2;
    }
    if (textSize.x == 0 || glyphSize.x == 0) spacing = 0;
    auto along = [horizontal](const TPoint& p) { return horizontal ? p.x : p.y; };
    if (margin == -1) {
        if (spacing == -1) {
            const TPoint total{glyphSize.x + textSize.x, glyphSize.y + textSize.y};
            margin = (along(clientSize) - along(total)) / 3;
            spacing = margin;
        } else {
            const TPoint total{glyphSize.x + spacing + textSize.x, glyphSize.y + spacing + textSize.y};
            margin = (along(clientSize) - along(total)) / 2;
        }
    } else if (spacing == -1) {
        const TPoint rest{clientSize.x - (margin + glyphSize.x), clientSize.y - (margin + glyphSize.y)};
        spacing = (along(rest) - along(textSize)) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        glyph.x = margin;
        text.x = margin + glyphSize.x + spacing;
        break;
    case blGlyphRight:
        text.x = margin;
        glyph.x = margin + textSize.x + spacing;
        break;
    case blGlyphTop:
        glyph.y = margin;
        text.y = margin + glyphSize.y + spacing;
        break;
    case blGlyphBottom:
        text.y = margin;
        glyph.y = margin + textSize.y + spacing;
        break;
    }
    glyphPos = TPoint{glyph.x + client.left + offset.x, glyph.y + client.top + offset.y};
    const Integer dx = client.left + text.x + offset.x;
    const Integer dy = client.top + text.y + offset.y;
    textBounds = TRect{textBounds.left + dx, textBounds.top + dy, textBounds.right + dx, textBounds.bottom + dy};
}

void TqzButtonGlyph::Paint(TCanvas* canvas, const TRect& client, const TPoint& offset, const String& caption,
                           TButtonLayout layout, Integer margin, Integer spacing, TqzButtonState state,
                           UINT biDiFlags, bool native, bool wordWrap) {
    TPoint glyphPos;
    TRect textBounds;
    CalcPlacement(canvas, client, offset, caption, layout, margin, spacing, biDiFlags, wordWrap, glyphPos,
                  textBounds);
    PaintGlyph(canvas, glyphPos, state);
    PaintCaption(canvas, caption, textBounds, state, biDiFlags, native, wordWrap);
}

void TqzButtonGlyph::PaintGlyph(TCanvas* canvas, const TPoint& pos, TqzButtonState state) {
    if (FGlyph->GetWidth() == 0 || FGlyph->GetHeight() == 0) return;
    const Integer index = ImageIndexForState(state);
    if (index < 0 || FGlyphList == nullptr) return;
    ImageList_DrawEx(FGlyphList->GetHandle(), int(index), canvas->GetHandle(), int(pos.x), int(pos.y), 0, 0,
                     CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}

void TqzButtonGlyph::PaintCaption(TCanvas* canvas, const String& caption, const TRect& textBounds,
                                  TqzButtonState state, UINT biDiFlags, bool, bool wordWrap) {
    if (caption.empty()) return;
    TBrush* brush = canvas->GetBrush();
    const TBrushStyle oldStyle = brush->GetStyle();
    brush->SetStyle(bsClear);
    UINT flags = DT_CENTER | DT_VCENTER | biDiFlags;
    if (UsesWordWrap(wordWrap)) flags |= DT_WORDBREAK;
    try {
        if (state == qzbsDisabled) {
            TFont* font = canvas->GetFont();
            const TColor old = font->GetColor();
            font->SetColor(clBtnHighlight);
            RECT r{textBounds.left + 1, textBounds.top + 1, textBounds.right + 1, textBounds.bottom + 1};
            DrawTextA(canvas->GetHandle(), caption.c_str(), int(caption.size()), &r, flags);
            font->SetColor(old);
        }
        RECT r{textBounds.left, textBounds.top, textBounds.right, textBounds.bottom};
        DrawTextA(canvas->GetHandle(), caption.c_str(), int(caption.size()), &r, flags);
    } catch (...) {
        brush->SetStyle(oldStyle);
        throw;
    }
    brush->SetStyle(oldStyle);
}

// ---- Button colours --------------------------------------------------------------------------------

TqzButtonColors::TqzButtonColors(TqzCustomButton* owner) : FButton(owner) {}

void TqzButtonColors::Changed() {
    if (FButton != nullptr) FButton->Invalidate();
}

void TqzButtonColors::SetColor(TqzButtonState state, TColor value) {
    if (value == clNone || value == clDefault) {
        FColors[state] = clDefault;
        FAssignedColors.Exclude(state);
        Changed();
    } else if (value != FColors[state]) {
        FColors[state] = value;
        FAssignedColors.Include(state);
        Changed();
    }
}

void TqzButtonColors::SetAssignedColors(TqzButtonStates value) {
    if (FButton == nullptr || !FButton->GetComponentState().Contains(csDesigning)) return;
    if (value == FAssignedColors) return;
    for (Integer s = qzbsDefault; s <= qzbsDisabled; ++s) {
        const auto state = TqzButtonState(s);
        if (!value.Contains(state)) FColors[state] = clDefault;
        else if (FColors[state] == clDefault) value.Exclude(state);
    }
    FAssignedColors = value;
    Changed();
}

void TqzButtonColors::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzButtonColors*>(source)) {
        for (Integer s = 0; s < 5; ++s) FColors[s] = other->FColors[s];
        FAssignedColors = other->FAssignedColors;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

// ---- Button ----------------------------------------------------------------------------------------

TqzCustomButton::TqzCustomButton(TComponent* owner) : TButton(owner) {
    FGlyph = CreateGlyph();
    FGlyph->OnChange = TNotifyEvent(this, &TqzCustomButton::GlyphChanged);
    FColors = std::make_unique<TqzButtonColors>(this);
    FControlCanvas = std::make_unique<TControlCanvas>();
    FControlCanvas->SetControl(this);
    FCanvas = std::make_unique<TqzCanvas>(FControlCanvas.get());
    FLookAndFeel = std::make_unique<TqzLookAndFeel>(this);
    FLookAndFeel->OnChanged = TqzLookAndFeelChangedEvent(this, &TqzCustomButton::LookAndFeelChanged);
    SetDoubleBuffered(true);
    TControlStyle style = GetControlStyle();
    style.Include(csOpaque);
    style.Include(csReflector);
    SetControlStyle(style);
}

TqzCustomButton::~TqzCustomButton() {
    Destroying();
    EndMouseTracking(this);
    FGlyph->OnChange = nullptr;
    FLookAndFeel->OnChanged = nullptr;
    if (FDropDownMenu != nullptr) FDropDownMenu->RemoveFreeNotification(this);
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    if (HandleAllocated()) DestroyHandle();
    FLookAndFeel.reset();
    FColors.reset();
}

std::unique_ptr<TqzButtonGlyph> TqzCustomButton::CreateGlyph() { return std::make_unique<TqzButtonGlyph>(); }

void TqzCustomButton::GlyphChanged(TObject*) { Invalidate(); }

void TqzCustomButton::LookAndFeelChanged(TqzLookAndFeel*, TqzLookAndFeelValues) {
    if (!GetComponentState().Contains(csDestroying)) RecreateWnd();
}

TqzLookAndFeelPainterClass TqzCustomButton::ActivePainterClass() const {
    TqzLookAndFeelPainterClass painter = FLookAndFeel->ActivePainter();
    if (painter->PainterStyleCode() == 4)
        return IsThemeActiveForType(ttButton) ? NativeLookAndFeelPainterClass()
                                              : LookAndFeelPainterClassOf(lfStandard);
    return painter;
}

bool TqzCustomButton::FireDropDownMenuPopup(TPopupMenu*& popupMenu) {
    bool handled = false;
    if (OnDropDownMenuPopup) OnDropDownMenuPopup(this, popupMenu, handled);
    return handled;
}

bool TqzCustomButton::ShowContextMenu(TComponent* menu, Integer x, Integer y) {
    return ShowPopupMenuAt(this, menu, x, y);
}

// ---- Properties ----

void TqzCustomButton::SetDropDownMenu(TPopupMenu* value) {
    if (value == FDropDownMenu) return;
    if (FDropDownMenu != nullptr) FDropDownMenu->RemoveFreeNotification(this);
    FDropDownMenu = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TqzCustomButton::SetPopupMenu(TComponent* value) {
    // Only a class-library popup menu serves here.
    auto* menu = dynamic_cast<TPopupMenu*>(value);
    if (menu == FPopupMenu) return;
    if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (menu != nullptr) menu->FreeNotification(this);
}

void TqzCustomButton::SetGlyph(TBitmap* value) {
    FGlyph->SetGlyph(value);
    Invalidate();
}

void TqzCustomButton::SetKind(TqzButtonKind value) {
    if (value == FKind) return;
    FKind = value;
    RecreateWnd();
}

void TqzCustomButton::SetLayout(TButtonLayout value) {
    if (value == FLayout) return;
    FLayout = value;
    Invalidate();
}

void TqzCustomButton::SetMargin(Integer value) {
    if (value == FMargin || value < -1) return;
    FMargin = value;
    Invalidate();
}

void TqzCustomButton::SetNumGlyphs(Integer value) {
    if (value > 4) value = 4;
    if (value == FGlyph->GetNumGlyphs()) return;
    FGlyph->SetNumGlyphs(value);
    Invalidate();
}

void TqzCustomButton::SetSpacing(Integer value) {
    if (value == FSpacing) return;
    FSpacing = value;
    Invalidate();
}

void TqzCustomButton::Notification(TComponent* component, TOperation operation) {
    TButton::Notification(component, operation);
    if (operation != opRemove || component == nullptr) return;
    if (component == FDropDownMenu) FDropDownMenu = nullptr;
    if (component == FPopupMenu) FPopupMenu = nullptr;
}

void TqzCustomButton::ActionChange(TObject* sender, bool checkDefaults) {
    TButton::ActionChange(sender, checkDefaults);
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (action == nullptr || !FGlyph->GetGlyph()->GetEmpty()) return;
    TCustomActionList* list = action->GetActionList();
    TCustomImageList* images = list != nullptr ? list->GetImages() : nullptr;
    const Integer index = action->GetImageIndex();
    if (images == nullptr || index < 0 || index >= images->GetCount()) return;
    TBitmap* bitmap = FGlyph->GetGlyph();
    bitmap->SetSize(images->GetWidth(), images->GetHeight());
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(TColor(0xFF00FF));
    canvas->FillRect(TRect{0, 0, images->GetWidth(), images->GetHeight()});
    images->Draw(canvas, 0, 0, index, true);
}

// ---- Window ----

void TqzCustomButton::CreateParams(TCreateParams& params) {
    TButton::CreateParams(params);
    params.Style = (params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

void TqzCustomButton::CreateWnd() {
    TButton::CreateWnd();
    FGlyph->ImageIndexForState(IsShownEnabled() ? qzbsNormal : qzbsDisabled);
}

void TqzCustomButton::DestroyWindowHandle() {
    // A close-up still queued is handled before the window goes.
    MSG msg{};
    if (HandleAllocated() &&
        PeekMessageA(&msg, GetHandle(), QZM_CLOSEUPPOPUPMENU, QZM_CLOSEUPPOPUPMENU, PM_REMOVE))
        SendMessageA(GetHandle(), QZM_CLOSEUPPOPUPMENU, msg.wParam, msg.lParam);
    TButton::DestroyWindowHandle();
}

void TqzCustomButton::SetButtonStyle(bool isDefault) {
    if (isDefault != FIsDefault) {
        FIsDefault = isDefault;
        Invalidate();
    }
    TButton::SetButtonStyle(isDefault);
}

// ---- Painting ----

TqzButtonState TqzCustomButton::CurrentState() const {
    if (!IsShownEnabled()) return qzbsDisabled;
    if (FDrawnPressed || FMenuVisible) return qzbsPressed;
    if (FMouseInControl) return qzbsHot;
    if (FDrawnFocused || FIsDefault) return qzbsDefault;
    return qzbsNormal;
}

void TqzCustomButton::DrawItem(const DRAWITEMSTRUCT& item) {
    if (GetComponentState().Contains(csDestroying)) return;
    FControlCanvas->SetHandle(item.hDC);
    try {
        const bool designing = GetComponentState().Contains(csDesigning);
        FDrawnPressed = (item.itemState & ODS_SELECTED) != 0 && !FDropDownRequested;
        FDrawnFocused = (item.itemState & ODS_FOCUS) != 0 || (GetDefault() && designing);
        if (!IsSystemPainted()) {
            const RECT client = GetClientRect();
            TRect r{client.left, client.top, client.right, client.bottom};
            TqzLookAndFeelPainterClass painter = ActivePainterClass();
            if (painter == NativeLookAndFeelPainterClass()) {
                HTHEME theme = OpenThemeForType(ttButton);
                if (theme != nullptr && UxIsThemeBackgroundPartiallyTransparent(theme, 1, 1)) {
                    RECT whole = client;
                    UxDrawThemeParentBackground(GetHandle(), item.hDC, &whole);
                }
            }
            TRect arrow{};
            if (FKind == qzbkDropDown) {
                FDrawnPressed = FMenuVisible;
            } else if (FKind == qzbkDropDownButton) {
                arrow = TRect{r.right - 15, r.top, r.right, r.bottom};
                r.right -= 13;
                if (FDropDownRequested) FDrawnPressed = false;
            }
            const TqzButtonState state = CurrentState();
            TFont* font = FControlCanvas->GetFont();
            font->Assign(GetFont());
            TColor color = FColors->GetColor(state);
            font->SetColor(painter->ButtonGlyphColor(state, font->GetColor()));
            if (OnGetDrawParams) OnGetDrawParams(this, state, color, font);
            painter->PaintButton(FCanvas.get(), r, font->GetColor(), color, true, state, "");

            const Integer shift = painter->ButtonCaptionPressShift();
            const TPoint offset = state == qzbsPressed && shift != 0 ? TPoint{shift, shift} : TPoint{0, 0};
            auto contentOf = [&](TqzButtonState s) {
                const Integer border = painter->ButtonBorderWidth(s);
                TRect content{client.left + border, client.top + border, client.right - border,
                              client.bottom - border};
                if (FKind == qzbkDropDownButton) content.right -= 13;
                return content;
            };
            std::unique_ptr<TqzRegion> saved = FCanvas->CopyClipRegion();
            FCanvas->ApplyClipRegion(std::make_unique<TqzRegion>(contentOf(state)));
            try {
                FGlyph->Paint(FControlCanvas.get(), contentOf(qzbsDefault), offset, GetCaption(), FLayout, FMargin,
                              FSpacing, state, 0, painter == NativeLookAndFeelPainterClass(), GetWordWrap());
            } catch (...) {
                FCanvas->ApplyClipRegion(std::move(saved));
                throw;
            }
            FCanvas->ApplyClipRegion(std::move(saved));

            if (FKind == qzbkDropDownButton) {
                painter->PaintButton(FCanvas.get(), arrow, font->GetColor(), color, true, state, "");
                painter->PaintStateArrow(FCanvas.get(), arrow, 1, state);
            }
            if (Focused() && !FMenuVisible) FCanvas->DrawFocusFrame(painter->CalcButtonFocusBounds(FCanvas.get(), r));
        }
    } catch (...) {
        FControlCanvas->SetHandle(nullptr);
        throw;
    }
    FControlCanvas->SetHandle(nullptr);
}

void TqzCustomButton::CNDrawItemMsg(TWMDrawItem& message) {
    if (GetComponentState().Contains(csDestroying) || message.DrawItemStruct == nullptr) return;
    DrawItem(*message.DrawItemStruct);
    message.Result = 1;
}

void TqzCustomButton::CNMeasureItem(TWMMeasureItem& message) {
    if (message.MeasureItemStruct == nullptr) return;
    message.MeasureItemStruct->itemWidth = UINT(GetWidth());
    message.MeasureItemStruct->itemHeight = UINT(GetHeight());
}

void TqzCustomButton::WMEraseBkgnd(TMessage& message) {
    if (GetComponentState().Contains(csDestroying) || ActivePainterClass() == NativeLookAndFeelPainterClass()) {
        KOV_INHERITED(message);
        return;
    }
    message.Result = 1;
}

// ---- Hot tracking ----

bool TqzCustomButton::CanBeHot() const { return ActivePainterClass()->HotTracksButtons() && GetEnabled(); }

void TqzCustomButton::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    if (GetComponentState().Contains(csDesigning) || FMouseInControl || !CanBeHot() || GetCapture() != nullptr)
        return;
    BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
    FMouseInControl = true;
    Repaint();
}

void TqzCustomButton::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    if (GetComponentState().Contains(csDesigning)) return;
    EndMouseTracking(this);
    if (FMouseInControl) {
        FMouseInControl = false;
        Invalidate();
    }
}

void TqzCustomButton::MouseLeave() { Perform(CM_MOUSELEAVE, 0, 0); }

void TqzCustomButton::MouseMove(TShiftState shift, Integer x, Integer y) {
    TButton::MouseMove(shift, x, y);
    const RECT r = GetClientRect();
    if (!FMouseInControl && CanBeHot() && x >= r.left && x < r.right && y >= r.top && y < r.bottom &&
        GetCapture() == nullptr)
        Perform(CM_MOUSEENTER, 0, 0);
}

void TqzCustomButton::WMCaptureChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (GetComponentState().Contains(csDesigning) || !HandleAllocated()) return;
    POINT p{};
    GetCursorPos(&p);
    FMouseInControl = CanBeHot() && WindowFromPoint(p) == GetHandle();
}

void TqzCustomButton::CMEnabledChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (!GetEnabled()) FMouseInControl = false;
    Invalidate();
}

void TqzCustomButton::CMFontChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

// ---- Clicks and the drop-down ----

void TqzCustomButton::Click() {
    if (FKind == qzbkStandard) {
        TButton::Click();
        return;
    }
    if (FKind == qzbkDropDown && !FMenuVisible) {
        if (!FMenuClosingClick) PostDropDown();
        FMenuClosingClick = false;
        return;
    }
    if (FMenuClosingClick) {
        FMenuClosingClick = false;
        return;
    }
    TButton::Click();
}

TRect TqzCustomButton::ArrowPartBounds() const {
    const RECT r = GetClientRect();
    return TRect{r.right - 15, r.top, r.right, r.bottom};
}

void TqzCustomButton::PostDropDown() {
    FDropDownRequested = true;
    if (HandleAllocated()) PostMessageA(GetHandle(), QZM_DROPDOWNPOPUPMENU, 0, 0);
}

void TqzCustomButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    if (button == mbLeft) {
        if (FMenuVisible) {
            FMenuClosingClick = true;
            FMenuVisible = false;
            FDrawnPressed = false;
            Repaint();
        } else if (FKind == qzbkDropDown) {
            PostDropDown();
        } else if (FKind == qzbkDropDownButton) {
            const TRect arrow = ArrowPartBounds();
            if (x >= arrow.left && x < arrow.right && y >= arrow.top && y < arrow.bottom) PostDropDown();
        }
    }
    TButton::MouseDown(button, shift, x, y);
}

void TqzCustomButton::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (FKind == qzbkDropDownButton) {
            const TRect arrow = ArrowPartBounds();
            const Integer x = SHORT(LOWORD(std::uintptr_t(message.LParam)));
            const Integer y = SHORT(HIWORD(std::uintptr_t(message.LParam)));
            if (x >= arrow.left && x < arrow.right && y >= arrow.top && y < arrow.bottom) FDropDownRequested = true;
        }
        if (message.Msg == WM_LBUTTONDBLCLK) {
            // A double click is a second press at the same point.
            TMessage press{WM_LBUTTONDOWN, message.WParam, message.LParam, 0};
            TButton::WndProc(press);
            message.Result = press.Result;
            return;
        }
        break;
    }
    case WM_LBUTTONUP: {
        const TLivenessToken alive = LivenessToken();
        TButton::WndProc(message);
        if (alive) FDropDownRequested = false;
        return;
    }
    default:
        break;
    }
    TButton::WndProc(message);
}

void TqzCustomButton::QZMDropDownPopupMenu(TMessage&) {
    if (FKind == qzbkStandard) return;
    const TLivenessToken alive = LivenessToken();
    TPopupMenu* menu = FDropDownMenu;
    const bool handled = FireDropDownMenuPopup(menu);
    if (!alive || handled || menu == nullptr) return;
    FMenuVisible = true;
    Repaint();
    POINT p{0, GetHeight()};
    if (FPopupAlignment == paRight) p.x = GetWidth();
    else if (FPopupAlignment == paCenter) p.x = GetWidth() / 2;
    p = ClientToScreen(p);
    const TRect workArea = GetMonitorWorkArea(TPoint{p.x, p.y});
    const Integer menuHeight = CalcPopupMenuHeight(menu);
    if (workArea.bottom < p.y + menuHeight) p.y -= menuHeight + GetHeight() + 2;
    const TLivenessToken menuAlive = menu->LivenessToken();
    const TPopupAlignment saved = menu->GetAlignment();
    TPopupAlignment alignment = FPopupAlignment;
    if (p.x <= workArea.left) alignment = paRight;
    else if (p.x >= workArea.right) alignment = paLeft;
    menu->SetAlignment(alignment);
    menu->SetPopupComponent(this);
    // The menu takes the mouse: the press that opened it makes no click when released.
    if (HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
    try {
        menu->Popup(p.x, p.y);
    } catch (...) {
        if (menuAlive) menu->SetAlignment(saved);
        throw;
    }
    if (menuAlive) menu->SetAlignment(saved);
    // The button may have been freed by the menu (an item's OnClick): nothing of it is touched.
    if (!alive) return;
    if (HandleAllocated()) PostMessageA(GetHandle(), QZM_CLOSEUPPOPUPMENU, 0, 0);
}

void TqzCustomButton::QZMCloseUpPopupMenu(TMessage&) {
    POINT p{};
    GetCursorPos(&p);
    FMouseInControl = CanBeHot() && HandleAllocated() && WindowFromPoint(p) == GetHandle();
    FMenuVisible = false;
    Repaint();
    FDropDownRequested = false;
}

// ---- Context menu ----

void TqzCustomButton::DoContextPopup(POINT mousePos, bool& handled) {
    const TLivenessToken alive = LivenessToken();
    TButton::DoContextPopup(mousePos, handled);
    if (!alive || handled) return;
    const POINT p = ContextPopupScreenPoint(this, mousePos);
    handled = ShowContextMenu(FPopupMenu, p.x, p.y);
}

void TqzCustomButton::WMContextMenu(TWMContextMenu& message) {
    HandleContextMenuMessage(this, message, [this](POINT p, bool& handled) { DoContextPopup(p, handled); });
}

void TqzCustomButton::CNKeyDown(TWMKey& message) {
    // Shift or Alt with Up or Down opens a drop-down button's menu; the key goes no further.
    const TShiftState shift = KeyDataToShiftState(message.KeyData);
    if (FKind == qzbkDropDownButton && (message.CharCode == VK_UP || message.CharCode == VK_DOWN) &&
        (shift.Contains(ssShift) || shift.Contains(ssAlt))) {
        if (!FMenuVisible) PostDropDown();
        message.Result = 1;
        return;
    }
    if (IsPopupMenuShortCut(FPopupMenu, message)) {
        message.Result = 1;
        return;
    }
    TMessage m{message.Msg, message.CharCode, LPARAM(message.KeyData), 0};
    m.LParam = message.KeyData;
    m.WParam = message.CharCode;
    KOV_INHERITED(m);
    message.Result = m.Result;
}

KOV_MESSAGE_MAP(TqzCustomButton) {
    map.Message(CN_DRAWITEM, &TqzCustomButton::CNDrawItemMsg);
    map.Message(CN_MEASUREITEM, &TqzCustomButton::CNMeasureItem);
    map.Message(CN_KEYDOWN, &TqzCustomButton::CNKeyDown);
    map.Message(CN_SYSKEYDOWN, &TqzCustomButton::CNKeyDown);
    map.Message(WM_ERASEBKGND, &TqzCustomButton::WMEraseBkgnd);
    map.Message(CM_MOUSEENTER, &TqzCustomButton::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TqzCustomButton::CMMouseLeave);
    map.Message(CM_ENABLEDCHANGED, &TqzCustomButton::CMEnabledChanged);
    map.Message(CM_FONTCHANGED, &TqzCustomButton::CMFontChanged);
    map.Message(WM_CAPTURECHANGED, &TqzCustomButton::WMCaptureChanged);
    map.Message(WM_CONTEXTMENU, &TqzCustomButton::WMContextMenu);
    map.Message(QZM_DROPDOWNPOPUPMENU, &TqzCustomButton::QZMDropDownPopupMenu);
    map.Message(QZM_CLOSEUPPOPUPMENU, &TqzCustomButton::QZMCloseUpPopupMenu);
}

// ---- Published properties ----------------------------------------------------------------------------

KOV_PUBLISHED(TqzButtonColors) {
    Property("Default", &TqzButtonColors::GetDefault, &TqzButtonColors::SetDefault)
        .TypeName("TColor")
        .Stored(&TqzButtonColors::IsDefaultStored);
    Property("Normal", &TqzButtonColors::GetNormal, &TqzButtonColors::SetNormal)
        .TypeName("TColor")
        .Stored(&TqzButtonColors::IsNormalStored);
    Property("Hot", &TqzButtonColors::GetHot, &TqzButtonColors::SetHot)
        .TypeName("TColor")
        .Stored(&TqzButtonColors::IsHotStored);
    Property("Pressed", &TqzButtonColors::GetPressed, &TqzButtonColors::SetPressed)
        .TypeName("TColor")
        .Stored(&TqzButtonColors::IsPressedStored);
    Property("Disabled", &TqzButtonColors::GetDisabled, &TqzButtonColors::SetDisabled)
        .TypeName("TColor")
        .Stored(&TqzButtonColors::IsDisabledStored);
}

bool TqzCustomButton::IsColorsStored() const { return !GetColors()->GetAssignedColors().empty(); }

KOV_PUBLISHED(TqzButton) {
    Property("Colors", &TqzCustomButton::GetColors, &TqzCustomButton::SetColors).Stored(&TqzCustomButton::IsColorsStored);
    Property("DropDownMenu", &TqzCustomButton::GetDropDownMenu, &TqzCustomButton::SetDropDownMenu);
    Property("Glyph", &TqzCustomButton::GetGlyph, &TqzCustomButton::SetGlyph);
    Property("Kind", &TqzCustomButton::GetKind, &TqzCustomButton::SetKind).Default(qzbkStandard);
    Property("Layout", &TqzCustomButton::GetLayout, &TqzCustomButton::SetLayout).Default(blGlyphLeft);
    Property("LookAndFeel", &TqzCustomButton::GetLookAndFeel, &TqzCustomButton::SetLookAndFeel);
    Property("Margin", &TqzCustomButton::GetMargin, &TqzCustomButton::SetMargin).Default(-1);
    Property("NumGlyphs", &TqzCustomButton::GetNumGlyphs, &TqzCustomButton::SetNumGlyphs).Default(1);
    Property("PopupAlignment", &TqzCustomButton::GetPopupAlignment, &TqzCustomButton::SetPopupAlignment)
        .Default(paLeft);
    Property("PopupMenu", &TqzCustomButton::GetPopupMenu, &TqzCustomButton::SetPopupMenu).TypeName("TComponent");
    Property("Spacing", &TqzCustomButton::GetSpacing, &TqzCustomButton::SetSpacing).Default(4);
    Property("UseSystemPaint", &TqzCustomButton::GetUseSystemPaint, &TqzCustomButton::SetUseSystemPaint)
        .Default(false);
    Property("OnDropDownMenuPopup", &TqzCustomButton::OnDropDownMenuPopup);
    Property("OnGetDrawParams", &TqzCustomButton::OnGetDrawParams);
}

namespace {
const bool kButtonsRegistered = [] {
    RegisterEnum<TqzButtonKind>("TqzButtonKind", {"qzbkStandard", "qzbkDropDown", "qzbkDropDownButton"});
    RegisterTypeName<TqzButtonDropDownMenuPopupEvent>("TqzButtonDropDownMenuPopupEvent");
    RegisterTypeName<TqzButtonGetDrawParamsEvent>("TqzButtonGetDrawParamsEvent");
    RegisterClasses({TqzButton::StaticClass()});
    return true;
}();
} // namespace

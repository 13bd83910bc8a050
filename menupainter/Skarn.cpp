#include "menupainter/Skarn.h"
#include "menupainter/Skarn_Internal.h"

#include <algorithm>
#include <cmath>

#include "platform/classlib/Buttons.h"
#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SysInfo.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinMenu.h"

using skarn_detail::FillArea;
using skarn_detail::FrameArea;

namespace {

TSkarnManager* GManager = nullptr;

constexpr Integer kSkipTag = 999;

Integer RValue(Integer rgb) { return rgb & 0xFF; }
Integer GValue(Integer rgb) { return (rgb >> 8) & 0xFF; }
Integer BValue(Integer rgb) { return (rgb >> 16) & 0xFF; }
TColor MakeRGB(Integer r, Integer g, Integer b) {
    auto clamp = [](Integer v) { return std::clamp<Integer>(v, 0, 255); };
    return TColor(clamp(r) | (clamp(g) << 8) | (clamp(b) << 16));
}

// Halves to even, as the runtime's Round.
Integer RoundEven(double value) { return Integer(std::nearbyint(value)); }

// The pixels of a bitmap as colours, read and written through its canvas.
template <class F> void MapPixels(TBitmap* bitmap, F f) {
    if (!bitmap || bitmap->GetEmpty()) return;
    TCanvas* canvas = bitmap->GetCanvas();
    for (Integer y = 0; y < bitmap->GetHeight(); ++y)
        for (Integer x = 0; x < bitmap->GetWidth(); ++x)
            canvas->SetPixels(x, y, f(canvas->GetPixels(x, y)));
}

bool IsTopLevelBarItem(TMenuItem* item) {
    TMenuItem* parent = item->GetParent();
    if (!parent || parent->GetParent()) return false;
    return dynamic_cast<TMainMenu*>(item->GetParentMenu()) != nullptr;
}

// The picture of a menu item: from an image list, else its own bitmap; false when none.
bool ItemGlyph(TMenuItem* item, TBitmap* glyph) {
    TCustomImageList* images = nullptr;
    if (TMenuItem* parent = item->GetParent(); parent && parent->GetSubMenuImages())
        images = parent->GetSubMenuImages();
    else if (TMenu* menu = item->GetParentMenu())
        images = menu->GetImages();
    if (images && item->GetImageIndex() != -1) return images->GetBitmap(item->GetImageIndex(), glyph);
    if (item->HasBitmap() && item->GetBitmap()->GetWidth() > 0) {
        glyph->Assign(item->GetBitmap());
        return true;
    }
    return false;
}

// Draws the pixels that differ from the bottom-left pixel.
void DrawTransparent(TCanvas* canvas, Integer x, Integer y, TBitmap* glyph) {
    TCanvas* source = glyph->GetCanvas();
    const Integer h = glyph->GetHeight(), w = glyph->GetWidth();
    const TColor key = source->GetPixels(0, h - 1);
    for (Integer row = 0; row < h; ++row)
        for (Integer col = 0; col < w; ++col) {
            TColor c = source->GetPixels(col, row);
            if (c != key) canvas->SetPixels(x + col, y + row, c);
        }
}

void Line(TCanvas* canvas, Integer x1, Integer y1, Integer x2, Integer y2, TColor color) {
    canvas->GetPen()->SetStyle(psSolid);
    canvas->GetPen()->SetWidth(1);
    canvas->GetPen()->SetColor(color);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
}

// Three rows of 5, 3 and 1 pixels, the top row starting at (x, y).
void DownArrow(TCanvas* canvas, Integer x, Integer y, TColor color) {
    for (Integer row = 0; row < 3; ++row)
        Line(canvas, x + row, y + row, x + 5 - row, y + row, color);
}

bool HasRightToLeft(TComponent*) { return false; }

} // namespace

// ---- Colour helpers -----------------------------------------------------------------------------------

TColor DarkenColor(TColor color, Integer amount) {
    const Integer rgb = ColorToRGB(color);
    return MakeRGB(RValue(rgb) - amount, GValue(rgb) - amount + 2, BValue(rgb) - amount);
}

TColor LightenColor(TColor color, Integer percent) {
    percent = std::min<Integer>(percent, 100);
    const Integer rgb = ColorToRGB(color);
    auto up = [percent](Integer c) { return c + RoundEven((255 - c) * double(percent) / 100.0); };
    return MakeRGB(up(RValue(rgb)), up(GValue(rgb)), up(BValue(rgb)));
}

TColor GrayColor(TColor color, Integer amount) {
    const Integer rgb = ColorToRGB(color);
    Integer g = (RValue(rgb) + GValue(rgb) + BValue(rgb)) / 3 + amount;
    g = std::min<Integer>(g, 240);
    return MakeRGB(g, g, g);
}

TColor AverageColor(const TColor* colors, Integer count) {
    if (count <= 0) return clBlack;
    Integer r = 0, g = 0, b = 0;
    for (Integer i = 0; i < count; ++i) {
        const Integer rgb = ColorToRGB(colors[i]);
        r += RValue(rgb);
        g += GValue(rgb);
        b += BValue(rgb);
    }
    return MakeRGB(r / count, g / count, b / count);
}

void GrayBitmap(TBitmap* bitmap, Integer amount) {
    MapPixels(bitmap, [amount](TColor c) { return GrayColor(c, amount); });
}

void DimBitmap(TBitmap* bitmap, Integer percent) {
    MapPixels(bitmap, [percent](TColor c) { return LightenColor(c, percent); });
}

void DrawSilhouette(TBitmap* bitmap, TCanvas* canvas, Integer x, Integer y, TColor color) {
    if (!bitmap || bitmap->GetEmpty()) return;
    TCanvas* source = bitmap->GetCanvas();
    const Integer h = bitmap->GetHeight();
    const TColor key = source->GetPixels(0, h - 1);
    for (Integer row = 0; row < h; ++row)
        for (Integer col = 0; col < bitmap->GetWidth(); ++col)
            if (source->GetPixels(col, row) != key) canvas->SetPixels(x + col, y + row, color);
}

TColor ContrastTextColor(TColor color, TColor fontColor) {
    const Integer rgb = ColorToRGB(color);
    if ((RValue(rgb) + BValue(rgb)) / 2 > 150 || GValue(rgb) > 200) return fontColor;
    return LightenColor(color, 90);
}

TSkarnPalette ComputeSkarnPalette(const TSkarn& p, bool highColor) {
    TSkarnPalette r{};
    const TColor fontColor = p.GetFont()->GetColor();
    const bool sys = p.GetUseSystemColors();
    const bool dim = p.GetUseDimColor();
    if (highColor && !sys) {
        r.MenuFace = p.GetColor();
        r.IconColumn = p.GetIconBackColor();
        r.SelectFace = dim ? LightenColor(p.GetSelectColor(), 68) : p.GetSelectColor();
        r.SelectBorder = p.GetSelectBorderColor();
        r.SelectText = p.GetSelectFontColor();
        r.MenuBar = p.GetMenuBarColor();
        r.DisabledText = p.GetDisabledColor();
        r.CheckedFrame = p.GetCheckedColor();
        r.Separator = p.GetSeparatorColor();
        r.CheckedFace = dim ? LightenColor(p.GetSelectColor(), 80) : p.GetSelectColor();
        r.PressedFace = dim ? LightenColor(p.GetSelectColor(), 50) : p.GetSelectColor();
    } else if (highColor) {
        r.MenuFace = LightenColor(clBtnFace, 86);
        r.IconColumn = LightenColor(clBtnFace, 16);
        r.SelectFace = LightenColor(clHighlight, 68);
        r.SelectBorder = clHighlight;
        r.SelectText = fontColor;
        r.MenuBar = clBtnFace;
        r.DisabledText = LightenColor(clBtnShadow, 10);
        r.CheckedFrame = clHighlight;
        r.Separator = LightenColor(clBtnShadow, 25);
        r.CheckedFace = LightenColor(clHighlight, 80);
        r.PressedFace = LightenColor(clHighlight, 50);
    } else {
        r.MenuFace = sys ? clWhite : p.GetColor();
        r.IconColumn = sys ? clBtnFace : p.GetIconBackColor();
        r.SelectFace = sys ? clWhite : p.GetSelectColor();
        r.SelectBorder = sys ? clHighlight : p.GetSelectBorderColor();
        r.SelectText = sys ? fontColor : p.GetSelectFontColor();
        r.MenuBar = sys ? clBtnFace : p.GetMenuBarColor();
        r.DisabledText = sys ? clBtnShadow : p.GetDisabledColor();
        r.CheckedFrame = sys ? clHighlight : p.GetCheckedColor();
        r.Separator = sys ? clBtnShadow : p.GetSeparatorColor();
        r.CheckedFace = clWhite;
        r.PressedFace = sys ? clWhite : clSilver;
    }
    if (highColor) {
        r.ShadowFrame = DarkenColor(clBtnFace, 90);
        r.Shadow = DarkenColor(clBtnFace, 76);
    } else {
        r.ShadowFrame = clBtnShadow;
        r.Shadow = clBtnShadow;
    }
    return r;
}

// ---- The painter -------------------------------------------------------------------------------------

TSkarnManager* SkarnManager() { return GManager; }

TSkarn::TSkarn(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
    FForm = dynamic_cast<TScrollingWinControl*>(owner);
    FFormComponent = owner;
    if (!FForm) throw EComponentError("The menu painter's owner must be a form");
    if (Screen) FFont->Assign(Screen->GetMenuFont());
    FSelectFontColor = FFont->GetColor();
    FXPContainers = AllXPContainers();
    FXPControls = AllXPControls();
    HDC dc = GetDC(nullptr);
    FHighColor = GetDeviceCaps(dc, BITSPIXEL) > 15;
    ReleaseDC(nullptr, dc);
    GetPalette();
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version)) {
        FIsWNT = version.dwPlatformId == 2;
        FIsW2k = FIsWNT && version.dwMajorVersion == 5 && version.dwMinorVersion == 0;
        FIsWXP = FIsWNT && version.dwMajorVersion == 5 && version.dwMinorVersion == 1;
    }
    if (!IsDesigning() && !GManager) GManager = new TSkarnManager();
}

TSkarn::~TSkarn() {
    // Freed with its form (which has let go of it already), the form's components are going too:
    // nothing is given back then.
    if (GetComponentState().Contains(csDestroying) || !GetOwner()) {
        FFormComponent = nullptr;
        FForm = nullptr;
    }
    if (GManager) GManager->UnregisterPainter(this);
    // The controls still subclassed get their procedures back while the painter is whole.
    ReleaseSubClasses(nullptr);
}

void TSkarn::Loaded() {
    TComponent::Loaded();
    if (!IsDesigning() && GManager) GManager->RegisterPainter(this);
}

void TSkarn::Notification(TComponent* component, TOperation operation) {
    if (!IsDesigning() && GManager) GManager->ComponentNotification(component, operation);
    TComponent::Notification(component, operation);
    if (FActive && FAutoDetect && !IsDesigning() && operation == opInsert &&
        (dynamic_cast<TMenuItem*>(component) || dynamic_cast<TToolButton*>(component)))
        ActivateComponent(component, true, true);
}

const TSkarnPalette& TSkarn::GetPalette() {
    if (FPaletteDirty) {
        FPalette = ComputeSkarnPalette(*this, FHighColor);
        FPaletteDirty = false;
    }
    return FPalette;
}

void TSkarn::RedrawMenuBar() {
    if (FForm && FForm->HandleAllocated()) ::DrawMenuBar(FForm->GetHandle());
}

void TSkarn::SetDisableSubclassing(bool value) {
    if (FDisableSubclassing == value) return;
    FDisableSubclassing = value;
    if (!GManager) return;
    if (GManager->GetActivePainter() == this)
        GManager->HandOver(this);
    else if (!GManager->GetActivePainter() && value)
        GManager->HandOver(nullptr);
}

void TSkarn::SetActive(bool value) {
    FActive = value;
    ActivateOwnerComponents(FFormComponent, value, true);
    RedrawMenuBar();
}

void TSkarn::SetFont(TFont* value) {
    FFont->Assign(value);
    MarkPaletteDirty();
    RedrawMenuBar();
}

void TSkarn::SetColor(TColor value) {
    FColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetIconBackColor(TColor value) {
    FIconBackColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetMenuBarColor(TColor value) {
    FMenuBarColor = value;
    MarkPaletteDirty();
    RedrawMenuBar();
}
void TSkarn::SetCheckedColor(TColor value) {
    FCheckedColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetSeparatorColor(TColor value) {
    FSeparatorColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetSelectBorderColor(TColor value) {
    FSelectBorderColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetSelectColor(TColor value) {
    FSelectColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetDisabledColor(TColor value) {
    FDisabledColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetSelectFontColor(TColor value) {
    FSelectFontColor = value;
    MarkPaletteDirty();
}
void TSkarn::SetUseSystemColors(bool value) {
    FUseSystemColors = value;
    MarkPaletteDirty();
    RedrawMenuBar();
}
void TSkarn::SetUseDimColor(bool value) {
    FUseDimColor = value;
    MarkPaletteDirty();
}

void TSkarn::SetOverrideOwnerDraw(bool value) {
    FOverrideOwnerDraw = value;
    if (FActive) ActivateOwnerComponents(FFormComponent, true, true);
}

void TSkarn::SetXPContainers(TXPContainers value) {
    if (FXPContainers == value) return;
    if (!FActive) {
        FXPContainers = value;
        return;
    }
    ActivateOwnerComponents(FFormComponent, false, true);
    // The old choice of controls is given back before the new one is made.
    ReleaseSubClasses(FFormComponent);
    FXPContainers = value;
    ActivateOwnerComponents(FFormComponent, true, true);
}

void TSkarn::SetXPControls(TXPControls value) {
    if (FXPControls == value) return;
    if (!FActive) {
        FXPControls = value;
        return;
    }
    ActivateOwnerComponents(FFormComponent, false, true);
    // The old choice of controls is given back before the new one is made.
    ReleaseSubClasses(FFormComponent);
    FXPControls = value;
    ActivateOwnerComponents(FFormComponent, true, true);
}

// ---- Taking over -----------------------------------------------------------------------------------

void TSkarn::ActivateOwnerComponents(TComponent* owner, bool state, bool repaint) {
    if (!owner) return;
    for (Integer i = 0; i < owner->GetComponentCount(); ++i)
        ActivateComponent(owner->GetComponents(i), state, repaint);
}

bool TSkarn::IsMenuItemHandler(const TMenuMeasureItemEvent& e) const {
    return e == MakeEvent(const_cast<TSkarn*>(this), &TSkarn::MeasureMenuItem);
}

bool TSkarn::IsMenuDrawHandler(const TMenuDrawItemEvent& e) const {
    return e == MakeEvent(const_cast<TSkarn*>(this), &TSkarn::DrawMenuItem);
}

void TSkarn::HookMenuItem(TMenuItem* item, bool state) {
    if (state) {
        if (item->GetTag() != kSkipTag) {
            if (!item->OnDrawItem.Assigned() || FOverrideOwnerDraw)
                item->OnDrawItem = MakeEvent(this, &TSkarn::DrawMenuItem);
            if (!item->OnMeasureItem.Assigned() || FOverrideOwnerDraw)
                item->OnMeasureItem = MakeEvent(this, &TSkarn::MeasureMenuItem);
        }
    } else {
        if (IsMenuDrawHandler(item->OnDrawItem)) item->OnDrawItem = {};
        if (IsMenuItemHandler(item->OnMeasureItem)) item->OnMeasureItem = {};
    }
    for (Integer i = 0; i < item->GetCount(); ++i)
        HookMenuItem(item->GetItem(i), state);
}

void TSkarn::ActivateMenu(TMenu* menu, bool state, bool mainMenu) {
    TMenuItem* root = menu->GetItems();
    for (Integer i = 0; i < root->GetCount(); ++i) {
        menu->SetOwnerDraw(state);
        HookMenuItem(root->GetItem(i), state);
    }
    if (mainMenu && root->GetCount() > 0) {
        // Clearing and restoring a caption makes the bar measure its items again.
        TMenuItem* first = root->GetItem(0);
        const String caption = first->GetCaption();
        first->SetCaption("");
        first->SetCaption(caption);
    }
}

void TSkarn::ActivateComponent(TComponent* component, bool state, bool repaint) {
    if (!component) return;
    if (auto* mainMenu = dynamic_cast<TMainMenu*>(component)) {
        if (mainMenu->GetTag() != kSkipTag && FXPControls.Contains(xcMainMenu))
            ActivateMenu(mainMenu, state, true);
    } else if (auto* popup = dynamic_cast<TPopupMenu*>(component)) {
        if (FXPControls.Contains(xcPopupMenu)) ActivateMenu(popup, state, false);
    } else if (auto* toolBar = dynamic_cast<TToolBar*>(component)) {
        if (FXPControls.Contains(xcToolbar) && !IsDesigning()) {
            if (!toolBar->GetFlat()) toolBar->SetFlat(true);
            const auto handler = MakeEvent(this, &TSkarn::DrawToolButton);
            if (state) {
                if (!toolBar->OnCustomDrawButton.Assigned() || FOverrideOwnerDraw)
                    toolBar->OnCustomDrawButton = handler;
            } else if (toolBar->OnCustomDrawButton == handler) {
                toolBar->OnCustomDrawButton = {};
            }
            if (repaint) toolBar->Invalidate();
        }
    }
    if (auto* control = dynamic_cast<TControl*>(component); control && !IsDesigning() && ChoosesControl(control)) {
        TWinControl* parent = control->GetParent();
        if (state && control->GetTag() != kSkipTag && parent->GetTag() != kSkipTag &&
            !TControlSubClass::Find(control)) {
            new TControlSubClass(this, control);
            if (repaint) control->Invalidate();
        }
    }
    if (auto* form = dynamic_cast<TCustomForm*>(component);
        form && static_cast<TComponent*>(form) != FFormComponent)
        ActivateOwnerComponents(form, state, repaint);
}

namespace {

// The control kind that chooses a control, the first rule that matches; -1 for none.
Integer ControlKind(TControl* control) {
    const String& name = control->ClassName();
    if (dynamic_cast<TCustomComboBox*>(control)) return xcCombo;
    if (dynamic_cast<TEdit*>(control)) return xcEdit;
    if (name == "TMaskEdit" || name == "TDBEdit") return xcMaskEdit;
    if (dynamic_cast<TCustomMemo*>(control)) return xcMemo;
    if (dynamic_cast<TCustomCheckBox*>(control)) return xcCheckBox;
    if (dynamic_cast<TRadioButton*>(control)) return xcRadioButton;
    if (name == "TBitBtn") return xcBitBtn;
    if (name == "TButton" || name == "TDBNavigator" || name == "TDBLookupComboBox") return xcButton;
    if (name == "TUpDown") return xcUpDown;
    if (dynamic_cast<TSpeedButton*>(control)) return xcSpeedButton;
    if (dynamic_cast<TCustomPanel*>(control)) return xcPanel;
    if (dynamic_cast<TCustomGroupBox*>(control)) return xcGroupBox;
    if (dynamic_cast<TCustomListBox*>(control)) return xcListBox;
    if (dynamic_cast<TCustomTreeView*>(control)) return xcTreeView;
    if (dynamic_cast<TProgressBar*>(control)) return xcProgressBar;
    return -1;
}

// The container kind of a control's parent; -1 for none.
Integer ContainerKind(TWinControl* parent) {
    const String& name = parent->ClassName();
    if (dynamic_cast<TToolBar*>(parent)) return xccToolbar;
    if (dynamic_cast<TCustomPanel*>(parent)) return xccPanel;
    if (dynamic_cast<TScrollBox*>(parent)) return xccScrollBox;
    if (dynamic_cast<TCustomGroupBox*>(parent)) return xccGroupBox;
    if (name == "TTabSheet" || name == "TybTabSheet") return xccTabSheet;
    if (name == "TDBCtrlPanel") return xccFrame;
    if (dynamic_cast<TCustomForm*>(parent)) return xccForm;
    return -1;
}

bool LiesInside(TControl* control, TComponent* window) {
    for (TControl* c = control; c; c = c->GetParent())
        if (static_cast<TComponent*>(c) == window) return true;
    return false;
}

} // namespace

bool TSkarn::ChoosesControl(TControl* control) const {
    if (!control || !control->GetParent()) return false;
    const Integer kind = ControlKind(control);
    const Integer container = ContainerKind(control->GetParent());
    return kind >= 0 && container >= 0 && FXPControls.Contains(TXPControl(kind)) &&
           FXPContainers.Contains(TXPContainer(container));
}

std::vector<TControlSubClass*> TSkarn::SubClasses() const {
    std::vector<TControlSubClass*> list;
    for (Integer i = 0; i < GetComponentCount(); ++i)
        if (auto* sub = dynamic_cast<TControlSubClass*>(GetComponents(i))) list.push_back(sub);
    return list;
}

void TSkarn::ReleaseSubClasses(TComponent* window) {
    for (TControlSubClass* sub : SubClasses()) {
        if (window && !LiesInside(sub->GetControl(), window)) continue;
        try {
            sub->Release(true);
        } catch (...) {
            // A control that cannot take its settings back keeps the flat ones.
        }
    }
}

// ---- Menu items --------------------------------------------------------------------------------------

void TSkarn::MeasureMenuItem(TObject* sender, TCanvas* canvas, Integer& width, Integer& height) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!FActive || !item || !canvas) return;
    String text = item->IsLine() ? String() : item->GetCaption();
    const String shortCut = Trim(ShortCutToText(item->GetShortCut()));
    if (!shortCut.empty()) text = item->GetCaption() + shortCut + "WWW";
    canvas->GetFont()->Assign(FFont.get());
    Integer w = canvas->TextWidth(text) + 5;
    if (text.find('&') != String::npos) w -= canvas->TextWidth("&");
    const bool bar = IsTopLevelBarItem(item);
    if (!bar && item->GetCount() > 0) w += 6;
    TBitmap glyph;
    Integer gw = 0, gh = 0;
    if (ItemGlyph(item, &glyph)) {
        gw = glyph.GetWidth();
        gh = glyph.GetHeight();
    }
    if (!bar) gw = std::max(gw, FIconWidth);
    width = std::max(width, w + gw);
    if (item->IsLine()) {
        height = std::max<Integer>(height, 4);
    } else {
        const Integer th = canvas->TextHeight(text.empty() ? String("W") : text);
        height = std::max(height, th + RoundEven(0.75 * th));
        height = std::max(height, gh + 6);
    }
}

void TSkarn::DrawMenuItem(TObject* sender, TCanvas* canvas, TRect rect, bool selected) {
    auto* item = dynamic_cast<TMenuItem*>(sender);
    if (!FActive || !item || !canvas) return;
    try {
        DrawMenuItemNow(item, canvas, rect, selected);
    } catch (...) {
        // A menu keeps working when one of its items cannot be drawn.
    }
}

void TSkarn::DrawMenuItemNow(TMenuItem* item, TCanvas* canvas, TRect rect, bool selected) {
    const TSkarnPalette& pal = GetPalette();
    const bool bar = IsTopLevelBarItem(item);
    const bool rtl = HasRightToLeft(item);
    const bool enabled = item->GetEnabled();
    // The off-screen bitmap reaches 4 pixels left of the item (not for bar items); only the item's
    // own rectangle is copied back.
    const Integer extra = bar ? 0 : 4;
    const Integer itemW = rect.right - rect.left;
    const Integer itemH = (rect.bottom - rect.top) - (bar ? 1 : 0);
    if (itemW <= 0 || itemH <= 0) return;
    TBitmap bmp;
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(itemW + extra, itemH);
    TCanvas* c = bmp.GetCanvas();
    c->GetFont()->Assign(FFont.get());
    const TRect area{0, 0, itemW + extra, itemH};

    TBitmap glyph;
    const bool hasGlyph = ItemGlyph(item, &glyph);
    const Integer gw = hasGlyph ? glyph.GetWidth() : 0;

    // Icon column, check area and text area.
    TRect icon = rtl ? TRect{area.right - FIconWidth, area.top, area.right, area.bottom}
                     : TRect{area.left, area.top, area.left + FIconWidth, area.bottom};
    TRect check;
    if (hasGlyph) {
        check = TRect{icon.left + 1, icon.top + 2, icon.right - 3, icon.bottom - 2};
        if (gw > FIconWidth) check.right = check.left + gw;
    } else {
        const Integer cx = (icon.left + icon.right) / 2, cy = (icon.top + icon.bottom) / 2;
        check = TRect{cx - 5, cy - 5, cx + 5, cy + 5};
    }
    TRect text = area;
    if (rtl) {
        text.right = area.right - (bar ? 4 : FIconWidth);
        if (hasGlyph) text.right = std::min(text.right, area.right - (gw + 4));
        if (bar && hasGlyph) text.right += 5;
    } else {
        text.left = area.left + (bar ? 4 : FIconWidth);
        if (hasGlyph) text.left = std::max(text.left, area.left + gw + 4);
        if (bar && hasGlyph) text.left -= 5;
    }

    // Background.
    if (bar) {
        const TColor barColor = FDrawMenuBar ? FMenuBarColor : pal.MenuBar;
        FillArea(c, area, barColor);
    } else if (FGradient && FHighColor) {
        Integer percent = 0;
        const Integer w = area.right - area.left;
        for (Integer i = 0; i < w; ++i) {
            const Integer x = rtl ? area.right - 1 - i : area.left + i;
            FillArea(c, TRect{x, area.top, x + 1, area.bottom}, LightenColor(pal.IconColumn, percent));
            percent = std::min<Integer>(percent + (i < FIconWidth + 5 ? 3 : 1), 96);
        }
    } else {
        FillArea(c, area, pal.MenuFace);
        FillArea(c, icon, pal.IconColumn);
    }

    // Selection and hot tracking.
    if (selected && FDrawSelect) {
        if (bar) {
            DrawSelectedBarItem(item, c, rtl, FMenuBarColor, area);
        } else if (enabled) {
            TRect face{area.left + extra, area.top + 1, area.right - (FFlatMenu ? 1 : 0), area.bottom - 1};
            FillArea(c, face, pal.SelectFace);
            FrameArea(c, face, pal.SelectBorder);
        }
    } else if (bar && enabled && FIsWNT && FForm && FForm->HandleAllocated()) {
        // The bar's item rectangles are in the coordinates of the form's window.
        POINT cursor{};
        GetCursorPos(&cursor);
        RECT window{};
        GetWindowRect(FForm->GetHandle(), &window);
        const TRect hot{rect.left, rect.top, rect.right - 1, rect.bottom - 2};
        const POINT inWindow{cursor.x - window.left, cursor.y - window.top};
        if (PtInRect(&hot, inWindow)) {
            FillArea(c, TRect{area.left, area.top, area.right - 7, area.bottom}, pal.SelectFace);
            FrameArea(c, TRect{area.left, area.top, area.right - 7, area.bottom}, pal.SelectBorder);
        }
    }

    if (item->GetChecked()) DrawCheck(item, selected, check, c, hasGlyph, enabled);
    if (hasGlyph) DrawGlyph(item, c, rtl, bar, item->GetChecked(), enabled, false, selected, icon, &glyph);

    if (item->IsLine()) {
        const Integer y = (text.top + text.bottom) / 2;
        if (rtl)
            Line(c, text.left, y, text.right - 7, y, pal.Separator);
        else
            Line(c, text.left + 7, y, text.right, y, pal.Separator);
    } else {
        if (rtl)
            text.right -= 3;
        else
            text.left += 3;
        const Integer wh = c->TextHeight("W");
        text.top += ((text.bottom - text.top) - wh) / 2;
        text.bottom = text.top + wh;
        DrawItemText(item, " " + item->GetCaption(), DT_LEFT | DT_SINGLELINE, FFont.get(), rtl, bar,
                     item->GetDefault(), enabled, selected && FDrawSelect, text, c,
                     ShortCutToText(item->GetShortCut()));
    }

    canvas->CopyRect(TRect{rect.left, rect.top, rect.right, rect.top + itemH}, c,
                     TRect{extra, 0, extra + itemW, itemH});
    if (!bar && FFlatMenu && !IsDesigning()) RequestShadow(item, canvas, rtl);
}

void TSkarn::RequestShadow(TMenuItem* item, TCanvas* canvas, bool rightToLeft) {
    if (!Application) return;
    HWND app = Application->GetHandle();
    // One request at a time: the items of one pop-up all ask while it is drawn.
    MSG pending;
    if (PeekMessageA(&pending, app, SKM_SHADOWITEM, SKM_SHADOWWINDOW, PM_NOREMOVE)) return;
    HWND window = WindowFromDC(canvas->GetHandle());
    HWND form = FForm && FForm->HandleAllocated() ? FForm->GetHandle() : nullptr;
    if (window && window != form)
        PostMessageA(app, SKM_SHADOWWINDOW, WPARAM(rightToLeft), LPARAM(window));
    else if (!window)
        // The item travels by its command number, which outlives nothing it should not.
        PostMessageA(app, SKM_SHADOWITEM, WPARAM(item->GetCommand()), 0);
}

void TSkarn::DrawSelectedBarItem(TComponent* item, TCanvas* canvas, bool rightToLeft, TColor barColor,
                                 const TRect& rect) {
    const TSkarnPalette& pal = GetPalette();
    const bool strip = rightToLeft || !FHighColor || dynamic_cast<TToolButton*>(item) != nullptr;
    const Integer inset = strip ? 3 : 8;
    FillArea(canvas, rect, barColor);
    TRect face{rect.left, rect.top, rect.right - inset + 1, rect.bottom};
    FillArea(canvas, face, pal.SelectFace);
    const Integer right = rect.right - inset;
    Line(canvas, rect.left, rect.bottom, rect.left, rect.top, pal.SelectBorder);
    Line(canvas, rect.left, rect.top, right, rect.top, pal.SelectBorder);
    Line(canvas, right, rect.top, right, rect.bottom, pal.SelectBorder);
    if (strip) {
        FillArea(canvas, TRect{rect.right - 2, rect.top, rect.right, rect.top + 2}, barColor);
        FillArea(canvas, TRect{rect.right - 2, rect.top + 2, rect.right, rect.bottom},
                 DarkenColor(barColor, 70));
        return;
    }
    // A stepped shadow 7 pixels wide: darker bands further down, the top corner rounded.
    const Integer x = rect.right - 7;
    FillArea(canvas, TRect{x, rect.top + 3, x + 3, rect.bottom}, DarkenColor(barColor, 30));
    FillArea(canvas, TRect{x, rect.top + 5, x + 2, rect.bottom}, DarkenColor(barColor, 60));
    FillArea(canvas, TRect{x, rect.top + 6, x + 1, rect.bottom}, DarkenColor(barColor, 100));
    canvas->SetPixels(x + 3, rect.top + 3, DarkenColor(barColor, 10));
    canvas->SetPixels(x + 2, rect.top + 4, DarkenColor(barColor, 30));
    canvas->SetPixels(x + 1, rect.top + 5, DarkenColor(barColor, 40));
}

void TSkarn::DrawCheck(TMenuItem* item, bool selected, const TRect& area, TCanvas* canvas, bool hasGlyph,
                       bool enabled) {
    const TSkarnPalette& pal = GetPalette();
    const TColor pen = enabled ? pal.SelectBorder : pal.DisabledText;
    canvas->GetPen()->SetStyle(psSolid);
    canvas->GetPen()->SetColor(pen);
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(selected ? pal.PressedFace : pal.CheckedFace);
    if (item->GetRadioItem()) {
        if (hasGlyph) {
            canvas->RoundRect(area.left, area.top, area.right, area.bottom, 6, 6);
        } else {
            canvas->Ellipse(area);
            canvas->GetBrush()->SetColor(pen);
            canvas->Ellipse(area.left + 2, area.top + 2, area.right - 2, area.bottom - 2);
        }
        return;
    }
    if (hasGlyph) {
        canvas->Rectangle(area);
        return;
    }
    canvas->GetPen()->SetColor(enabled ? pal.CheckedFrame : pal.DisabledText);
    canvas->Rectangle(area);
    // The tick, three pixels thick, from (left + 1, top + 5).
    const TColor tick = enabled ? TColor(clBlack) : pal.DisabledText;
    canvas->GetPen()->SetColor(tick);
    const Integer x = area.left + 1, y = area.top + 5;
    for (Integer i = 0; i < 3; ++i) {
        canvas->MoveTo(x, y - i);
        canvas->LineTo(x + 2, y + 2 - i);
        canvas->LineTo(x + 8, y - 4 - i);
    }
}

void TSkarn::DrawGlyph(TComponent* component, TCanvas* canvas, bool rightToLeft, bool barItem, bool checked,
                       bool enabled, bool pressed, bool highlighted, const TRect& area, TBitmap* glyph) {
    if (!glyph || glyph->GetEmpty()) return;
    const TSkarnPalette& pal = GetPalette();
    const bool menuItem = dynamic_cast<TMenuItem*>(component) != nullptr;
    const Integer gw = glyph->GetWidth();
    Integer x, y;
    if (menuItem) {
        y = area.top + 3;
        if (barItem)
            x = rightToLeft ? area.right - 5 - gw : area.left + 1;
        else if (gw < FIconWidth)
            x = area.left + (FIconWidth - gw) / 2;
        else
            x = rightToLeft ? area.right - 2 - gw : area.left + 2;
    } else {
        y = area.top + 1;
        x = area.left;
    }
    if (highlighted && enabled && !pressed) {
        if (barItem) {
            y -= 2;
            x -= 1;
        } else if (!checked) {
            y -= 1;
            x -= 1;
        }
    }
    // Dimming and graying work on a copy.
    TBitmap copy;
    copy.Assign(glyph);
    if (!highlighted && enabled && !checked && FHighColor) DimBitmap(&copy, FDimLevel);
    if (!enabled) {
        GrayBitmap(&copy, FGrayLevel);
        DimBitmap(&copy, 40);
    }
    if (highlighted && enabled && !checked) {
        TColor face = pal.SelectFace;
        if (!menuItem && !FUseSystemColors && FHighColor) face = LightenColor(FSelectColor, 68);
        DrawSilhouette(glyph, canvas, x + 2, y + 2, DarkenColor(face, 50));
    }
    DrawTransparent(canvas, x, y, &copy);
}

void TSkarn::DrawItemText(TComponent* component, const String& caption, UINT format, TFont* font,
                          bool rightToLeft, bool barItem, bool defaultItem, bool enabled, bool selected,
                          const TRect& area, TCanvas* canvas, const String& shortCut) {
    const TSkarnPalette& pal = GetPalette();
    canvas->GetFont()->Assign(font);
    TColor color = font->GetColor();
    if (selected) color = pal.SelectText;
    if (!enabled) color = pal.DisabledText;
    if (selected && barItem && FUseSystemColors) color = ContrastTextColor(pal.IconColumn, font->GetColor());
    canvas->GetBrush()->SetStyle(bsClear);
    TRect r = area;
    auto draw = [&](TRect box, TColor c, const String& text, UINT flags) {
        canvas->GetFont()->SetColor(c);
        canvas->GetBrush()->SetStyle(bsClear);
        DrawTextA(canvas->GetHandle(), text.c_str(), int(text.size()), &box, flags);
    };
    if (defaultItem && enabled) {
        static const Integer shifts[4][3] = {{1, 0, 30}, {1, 2, 30}, {0, 1, 40}, {1, 1, 60}};
        for (const auto& s : shifts) {
            TRect moved{r.left + s[0], r.top + s[1], r.right + s[0], r.bottom + s[1]};
            draw(moved, DarkenColor(canvas->GetPixels(moved.left, moved.top), s[2]), caption, format);
        }
    }
    draw(r, color, caption, format);
    if (!shortCut.empty()) {
        TRect box = r;
        UINT flags = (format & ~UINT(DT_LEFT | DT_CENTER | DT_RIGHT)) | DT_SINGLELINE;
        if (rightToLeft) {
            box.left += 10;
            flags |= DT_LEFT;
        } else {
            box.right -= 10;
            flags |= DT_RIGHT;
        }
        draw(box, color, shortCut + " ", flags);
    }
    canvas->GetBrush()->SetStyle(bsSolid);
}

// ---- Tool bar buttons ------------------------------------------------------------------------------

void TSkarn::DrawToolButton(TToolBar* bar, TToolButton* button, TCustomDrawState state, bool& defaultDraw) {
    defaultDraw = false;
    if (!bar || !button) return;
    const TSkarnPalette& pal = GetPalette();
    TCanvas* canvas = bar->GetCanvas();
    const TRect bounds = button->GetBoundsRect();
    const Integer index = button->GetImageIndex();
    auto holds = [index](TCustomImageList* list) { return list && index >= 0 && index < list->GetCount(); };
    TCustomImageList* images = holds(bar->GetImages()) ? bar->GetImages() : nullptr;
    TCustomImageList* hotImages = holds(bar->GetHotImages()) ? bar->GetHotImages() : nullptr;
    TCustomImageList* disabledImages = holds(bar->GetDisabledImages()) ? bar->GetDisabledImages() : nullptr;
    const TColor barColor = bar->GetColor();
    if (!bar->GetTransparent()) FillArea(canvas, bounds, barColor);

    // A separator or divider before the button is refilled, with a line for a positive Tag.
    const Integer pos = button->GetIndex();
    if (pos > 0) {
        TToolButton* previous = bar->GetButtons(pos - 1);
        if (previous && (previous->GetStyle() == tbsSeparator || previous->GetStyle() == tbsDivider)) {
            const TRect pr = previous->GetBoundsRect();
            FillArea(canvas, pr, barColor);
            if (previous->GetTag() > 0) {
                const Integer mx = (pr.left + pr.right) / 2;
                Line(canvas, mx, pr.top, mx, pr.bottom, DarkenColor(barColor, 30));
            }
        }
    }
    if (button->GetStyle() == tbsSeparator || button->GetStyle() == tbsDivider) return;

    const bool hot = state.Contains(cdsHot);
    const bool checked = state.Contains(cdsChecked) || button->GetDown();
    const bool pressed = state.Contains(cdsSelected) || button->GetPressed();
    const bool enabled = button->GetEnabled();
    const bool dropDown = button->GetStyle() == tbsDropDown;
    TColor hotColor = pal.SelectFace;
    if (FHighColor && !FUseSystemColors) hotColor = LightenColor(FSelectColor, 68);

    bool hasFace = true;
    TColor face = barColor;
    if (hot && (checked || pressed))
        face = pal.PressedFace;
    else if (hot)
        face = hotColor;
    else if (checked)
        face = pal.CheckedFace;
    else if (button->GetIndeterminate())
        face = hotColor;
    else if (dropDown || button->GetDropdownMenu())
        face = barColor;
    else
        hasFace = false;
    TRect faceRect{bounds.left, bounds.top + 1, bounds.right, bounds.bottom};
    if ((button->GetDropdownMenu() || button->GetMenuItem()) && pressed) {
        DrawSelectedBarItem(button, canvas, false, barColor, faceRect);
    } else {
        if (hasFace) FillArea(canvas, faceRect, face);
        if (hot || checked) {
            FrameArea(canvas, faceRect, pal.SelectBorder);
            if (dropDown)
                FrameArea(canvas, TRect{faceRect.right - 13, faceRect.top, faceRect.right, faceRect.bottom},
                          pal.SelectBorder);
        }
    }
    TRect content = bounds;
    if (dropDown) {
        DownArrow(canvas, bounds.right - 10 - 2, (bounds.top + bounds.bottom) / 2 - 1, clBlack);
        content.right -= 12;
    }

    // Glyph.
    TCustomImageList* list = images;
    if (hot && hotImages) list = hotImages;
    if (!enabled && disabledImages) list = disabledImages;
    Integer glyphW = 0, glyphH = 0;
    if (list) {
        TBitmap glyph;
        if (list->GetBitmap(index, &glyph)) {
            glyphW = glyph.GetWidth();
            glyphH = glyph.GetHeight();
            Integer x;
            if (bar->GetList() && bar->GetShowCaptions())
                x = content.left + 3;
            else
                x = content.left + ((content.right - content.left) - glyphW) / 2;
            Integer y = content.top + 2;
            if (!bar->GetShowCaptions() || bar->GetList())
                y = content.top + ((content.bottom - content.top) - glyphH) / 2;
            DrawGlyph(button, canvas, false, false, checked, enabled, pressed, hot,
                      TRect{x, y - 1, x + glyphW, y - 1 + glyphH}, &glyph);
        }
    }

    // Caption.
    if (bar->GetShowCaptions()) {
        TRect text = content;
        const Integer wh = canvas->TextHeight("W");
        UINT format = DT_SINGLELINE | DT_CENTER;
        if (bar->GetList()) {
            text.left += 3 + glyphW + 6;
            text.top += ((text.bottom - text.top) - wh) / 2;
            format = DT_SINGLELINE | DT_LEFT;
        } else {
            text.top = text.bottom - 6 - wh;
        }
        text.bottom = text.top + wh;
        if (pressed) InflateRect(&text, -1, -1);
        DrawItemText(button, button->GetCaption(), format, bar->GetFont(), false, false, false, enabled,
                     false, text, canvas, String());
    }
}

// ---- Pop-up shadow --------------------------------------------------------------------------------

namespace {

LRESULT ShadowWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!previous) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_ERASEBKGND) return 1;
    const bool leaving =
        (message == WM_SHOWWINDOW && wParam == 0) || message == WM_CLOSE || message == WM_DESTROY;
    if (!leaving) return CallWindowProcA(previous, window, message, wParam, lParam);
    SetWindowRgn(window, nullptr, FALSE);
    SetWindowLongPtrA(window, GWLP_WNDPROC, LONG_PTR(previous));
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    const LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
    // A shadowed pop-up beside this one (its parent or child menu) is drawn again.
    RECT r{};
    if (GetWindowRect(window, &r)) {
        for (POINT p : {POINT{r.right + 2, r.top}, POINT{r.right + 2, r.bottom - 1}}) {
            HWND next = WindowFromPoint(p);
            if (next && next != window &&
                GetWindowLongPtrA(next, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ShadowWndProc)) {
                InvalidateRect(next, nullptr, TRUE);
                break;
            }
        }
    }
    return result;
}

} // namespace

void DrawPopupShadow(TSkarn* painter, HWND window, bool rightToLeft) {
    if (!painter || !window || !IsWindow(window) || painter->FShadowBusy) return;
    painter->FShadowBusy = true;
    const TSkarnPalette& pal = painter->GetPalette();
    if (GetWindowLongPtrA(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&ShadowWndProc)) {
        const LONG_PTR previous =
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ShadowWndProc));
        SetWindowLongPtrA(window, GWLP_USERDATA, previous);
    }
    RECT bounds{};
    GetWindowRect(window, &bounds);
    Integer w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    if (!painter->FIsWXP) {
        HRGN current = CreateRectRgn(0, 0, 0, 0);
        RECT box{};
        const bool has = GetWindowRgn(window, current) != ERROR;
        if (has) GetRgnBox(current, &box);
        DeleteObject(current);
        if (!has || std::abs((box.right - box.left) - w) > 5 || std::abs((box.bottom - box.top) - h) > 5) {
            HRGN region = CreateRectRgn(0, 0, w - 2, h - 2);
            HRGN lower = CreateRectRgn(2, 2, w, h);
            CombineRgn(region, region, lower, RGN_OR);
            DeleteObject(lower);
            SetWindowRgn(window, region, TRUE);
        }
        w -= 2;
        h -= 2;
    }
    HDC dc = GetWindowDC(window);
    if (dc) {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.GetPen()->SetColor(pal.ShadowFrame);
        canvas.GetBrush()->SetStyle(bsClear);
        canvas.Rectangle(0, 0, w, h);
        if (rightToLeft)
            Line(&canvas, w - 3, 2, w - 2, h - 1, pal.IconColumn);
        else
            FillArea(&canvas, TRect{1, 2, 3, h - 1}, pal.IconColumn);
        HDC cdc = canvas.GetHandle();
        StretchBlt(cdc, 1, 1, w - 2, 2, cdc, 1, 3, w - 2, 1, SRCCOPY);
        if (painter->FIsWXP) {
            StretchBlt(cdc, 1, h - 3, w - 2, 2, cdc, 1, 3, w - 2, 1, SRCCOPY);
            FillArea(&canvas, TRect{w - 3, 1, w - 1, h - 1}, pal.MenuFace);
        } else {
            FillArea(&canvas, TRect{w, 2, w + 2, h + 2}, pal.Shadow);
            FillArea(&canvas, TRect{2, h, w + 2, h + 2}, pal.Shadow);
        }
        canvas.SetHandle(nullptr);
        ReleaseDC(window, dc);
    }
    painter->FShadowBusy = false;
}

// ---- The manager -----------------------------------------------------------------------------------

TSkarnManager::TSkarnManager() {
    if (Application) {
        Application->HookMainWindow(MakeEvent(this, &TSkarnManager::MainWindowHook));
        FHooked = true;
    }
}

TSkarnManager::~TSkarnManager() {
    if (FHooked && Application)
        Application->UnhookMainWindow(MakeEvent(this, &TSkarnManager::MainWindowHook));
    if (GManager == this) GManager = nullptr;
}

void TSkarnManager::RegisterPainter(TSkarn* painter) {
    if (std::find(FPainters.begin(), FPainters.end(), painter) == FPainters.end())
        FPainters.push_back(painter);
    if (TComponent* form = painter->GetFormComponent();
        form && std::find(FPainted.begin(), FPainted.end(), form) == FPainted.end())
        FPainted.push_back(form);
    if (!FActivePainter && painter->GetActive() && !painter->GetDisableSubclassing() && !FSuspended) {
        FActivePainter = painter;
        ScanForms();
    }
}

void TSkarnManager::UnregisterPainter(TSkarn* painter) {
    try {
        painter->ActivateOwnerComponents(painter->GetFormComponent(), false, false);
    } catch (...) {
    }
    if (FActivePainter == painter) HandOver(painter);
    FPainters.erase(std::remove(FPainters.begin(), FPainters.end(), painter), FPainters.end());
    if (TComponent* form = painter->GetFormComponent()) Forget(form);
    if (FPainters.empty()) delete this;
}

TCustomForm* TSkarnManager::LiveForm(TComponent* window) {
    if (!Screen) return nullptr;
    for (Integer i = 0; i < Screen->GetCustomFormCount(); ++i)
        if (static_cast<TComponent*>(Screen->GetCustomForms(i)) == window) return Screen->GetCustomForms(i);
    return nullptr;
}

void TSkarnManager::Forget(TComponent* window) {
    FWaiting.erase(std::remove(FWaiting.begin(), FWaiting.end(), window), FWaiting.end());
    FPainted.erase(std::remove(FPainted.begin(), FPainted.end(), window), FPainted.end());
}

void TSkarnManager::ComponentNotification(TComponent* component, TOperation operation) {
    if (!FActivePainter) return;
    if (operation == opRemove) {
        // Compared by address only: the form may be half gone.
        Forget(component);
        return;
    }
    auto* form = dynamic_cast<TCustomForm*>(component);
    if (!form) return;
    TComponent* key = form;
    if (std::find(FWaiting.begin(), FWaiting.end(), key) == FWaiting.end()) FWaiting.push_back(key);
}

void TSkarnManager::ScanForms() {
    if (!Screen) return;
    // Forms that are gone leave the painted list, so a new form at a freed form's address is
    // treated.
    FPainted.erase(std::remove_if(FPainted.begin(), FPainted.end(),
                                  [this](TComponent* w) {
                                      bool painterForm = false;
                                      for (TSkarn* p : FPainters)
                                          painterForm |= p->GetFormComponent() == w;
                                      return !painterForm && !LiveForm(w);
                                  }),
                   FPainted.end());
    for (Integer i = 0; i < Screen->GetCustomFormCount(); ++i) {
        TCustomForm* form = Screen->GetCustomForms(i);
        if (!form || form->GetTag() == kSkipTag) continue;
        TComponent* key = form;
        if (std::find(FPainted.begin(), FPainted.end(), key) != FPainted.end()) continue;
        if (std::find(FWaiting.begin(), FWaiting.end(), key) != FWaiting.end()) continue;
        bool ownsPainter = false;
        for (Integer j = 0; j < form->GetComponentCount() && !ownsPainter; ++j)
            ownsPainter = dynamic_cast<TSkarn*>(form->GetComponents(j)) != nullptr;
        if (!ownsPainter) FWaiting.push_back(key);
    }
}

void TSkarnManager::HandOver(TSkarn* leaving) {
    TSkarn* next = nullptr;
    for (TSkarn* p : FPainters)
        if (p != leaving && p->GetActive() && !p->GetDisableSubclassing()) {
            next = p;
            break;
        }
    if (next && !FActivePainter) {
        FActivePainter = next;
        ScanForms();
        return;
    }
    if (next) {
        // The controls of other forms move to the new painter; those of the leaving form stay.
        TComponent* leavingForm = leaving ? leaving->GetFormComponent() : nullptr;
        if (FActivePainter != next)
            for (TControlSubClass* sub : FActivePainter->SubClasses()) {
                if (!sub->GetControl() || (leavingForm && LiesInside(sub->GetControl(), leavingForm))) continue;
                sub->HandTo(next);
            }
        FActivePainter = next;
        return;
    }
    FWaiting.clear();
    if (Application && Application->GetMainForm()) {
        TComponent* leavingForm = leaving ? leaving->GetFormComponent() : nullptr;
        const std::vector<TComponent*> painted = FPainted;
        for (TComponent* window : painted)
            if (window != leavingForm) UnsubclassInside(window);
        FPainted.clear();
    }
    FActivePainter = nullptr;
}

void TSkarnManager::UnsubclassInside(TComponent* window) {
    // A form that is gone took its controls with it.
    if (!FActivePainter || !LiveForm(window)) return;
    for (TControlSubClass* sub : FActivePainter->SubClasses()) {
        if (!sub->GetControl() || !LiesInside(sub->GetControl(), window)) continue;
        try {
            sub->Release(true);
        } catch (...) {
        }
    }
}

bool TSkarnManager::MainWindowHook(TMessage& message) {
    if (!FActivePainter) return false;
    if (message.Msg == SKM_SHADOWWINDOW) {
        DrawPopupShadow(FActivePainter, reinterpret_cast<HWND>(message.LParam), message.WParam != 0);
    } else if (message.Msg == SKM_SHADOWITEM) {
        // The pop-up that shows the item lies at the centre of the item's rectangle.
        for (TSkarn* painter : FPainters) {
            TComponent* form = painter->GetFormComponent();
            if (!form) continue;
            for (Integer i = 0; i < form->GetComponentCount(); ++i) {
                auto* m = dynamic_cast<TMenu*>(form->GetComponents(i));
                TMenuItem* item = m ? m->FindItem(UINT(message.WParam), fkCommand) : nullptr;
                if (!item || !item->GetParent()) continue;
                RECT r{};
                if (GetMenuItemRect(nullptr, item->GetParent()->GetHandle(), UINT(item->GetMenuIndex()), &r))
                    DrawPopupShadow(FActivePainter,
                                    WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}),
                                    false);
                return false;
            }
        }
    }
    if (FWaiting.empty()) return false;
    std::vector<TComponent*> waiting;
    waiting.swap(FWaiting);
    for (TComponent* window : waiting) {
        if (std::find(FPainted.begin(), FPainted.end(), window) != FPainted.end()) continue;
        // A form freed while it waited is not reached.
        TCustomForm* form = LiveForm(window);
        if (!form) continue;
        FPainted.push_back(window);
        try {
            FActivePainter->ActivateOwnerComponents(form, true, true);
        } catch (...) {
            // A form that cannot be treated keeps its own look.
        }
    }
    return false;
}

// ---- Registration --------------------------------------------------------------------------------

namespace {
struct TSkarnTypes {
    TSkarnTypes() {
        RegisterEnum<TXPContainer>("TXPContainer", {"xccForm", "xccFrame", "xccToolbar", "xccCoolbar",
                                                    "xccControlbar", "xccPanel", "xccScrollBox",
                                                    "xccGroupBox", "xccTabSheet", "xccPageScroller"});
        RegisterTypeName<TXPContainers>("TXPContainers");
        RegisterEnum<TXPControl>(
            "TXPControl",
            {"xcMainMenu",    "xcPopupMenu", "xcToolbar",  "xcControlbar",  "xcCombo",    "xcListBox",
             "xcEdit",        "xcMaskEdit",  "xcMemo",     "xcRichEdit",    "xcMiscEdit", "xcCheckBox",
             "xcRadioButton", "xcButton",    "xcBitBtn",   "xcSpeedButton", "xcUpDown",   "xcPanel",
             "xcGroupBox",    "xcTreeView",  "xcListView", "xcProgressBar", "xcHotKey"});
        RegisterTypeName<TXPControls>("TXPControls");
        RegisterClasses({TSkarn::StaticClass()});
    }
};
const TSkarnTypes kSkarnTypes;
} // namespace

TXPContainers AllXPContainers() {
    TXPContainers s;
    for (Integer i = xccForm; i <= xccPageScroller; ++i)
        s.Include(TXPContainer(i));
    return s;
}
TXPControls AllXPControls() {
    TXPControls s;
    for (Integer i = xcMainMenu; i <= xcHotKey; ++i)
        s.Include(TXPControl(i));
    return s;
}

KOV_PUBLISHED(TSkarn) {
    Property("DisableSubclassing", &TSkarn::GetDisableSubclassing, &TSkarn::SetDisableSubclassing)
        .Default(false);
    Property("Active", &TSkarn::GetActive, &TSkarn::SetActive).Default(false);
    Property("AutoDetect", &TSkarn::GetAutoDetect, &TSkarn::SetAutoDetect).Default(false);
    Property("Font", &TSkarn::GetFont, &TSkarn::SetFont);
    Property("Color", &TSkarn::GetColor, &TSkarn::SetColor).TypeName("TColor").Default(clBtnFace);
    Property("IconBackColor", &TSkarn::GetIconBackColor, &TSkarn::SetIconBackColor)
        .TypeName("TColor")
        .Default(clBtnFace);
    Property("MenuBarColor", &TSkarn::GetMenuBarColor, &TSkarn::SetMenuBarColor)
        .TypeName("TColor")
        .Default(clBtnFace);
    Property("CheckedColor", &TSkarn::GetCheckedColor, &TSkarn::SetCheckedColor)
        .TypeName("TColor")
        .Default(clHighlight);
    Property("SeparatorColor", &TSkarn::GetSeparatorColor, &TSkarn::SetSeparatorColor)
        .TypeName("TColor")
        .Default(clBtnFace);
    Property("SelectBorderColor", &TSkarn::GetSelectBorderColor, &TSkarn::SetSelectBorderColor)
        .TypeName("TColor")
        .Default(clHighlight);
    Property("SelectColor", &TSkarn::GetSelectColor, &TSkarn::SetSelectColor)
        .TypeName("TColor")
        .Default(clHighlight);
    Property("DisabledColor", &TSkarn::GetDisabledColor, &TSkarn::SetDisabledColor)
        .TypeName("TColor")
        .Default(clInactiveCaption);
    Property("SelectFontColor", &TSkarn::GetSelectFontColor, &TSkarn::SetSelectFontColor).TypeName("TColor");
    Property("IconWidth", &TSkarn::GetIconWidth, &TSkarn::SetIconWidth).Default(24);
    Property("DrawSelect", &TSkarn::GetDrawSelect, &TSkarn::SetDrawSelect).Default(true);
    Property("UseSystemColors", &TSkarn::GetUseSystemColors, &TSkarn::SetUseSystemColors).Default(true);
    Property("UseDimColor", &TSkarn::GetUseDimColor, &TSkarn::SetUseDimColor).Default(false);
    Property("OverrideOwnerDraw", &TSkarn::GetOverrideOwnerDraw, &TSkarn::SetOverrideOwnerDraw)
        .Default(false);
    Property("Gradient", &TSkarn::GetGradient, &TSkarn::SetGradient).Default(false);
    Property("FlatMenu", &TSkarn::GetFlatMenu, &TSkarn::SetFlatMenu).Default(false);
    Property("DrawMenuBar", &TSkarn::GetDrawMenuBar, &TSkarn::SetDrawMenuBar).Default(false);
    Property("XPContainers", &TSkarn::GetXPContainers, &TSkarn::SetXPContainers).Default(AllXPContainers());
    Property("XPControls", &TSkarn::GetXPControls, &TSkarn::SetXPControls).Default(AllXPControls());
    Property("GrayLevel", &TSkarn::GetGrayLevel, &TSkarn::SetGrayLevel).Default(Byte(10));
    Property("DimLevel", &TSkarn::GetDimLevel, &TSkarn::SetDimLevel).Default(Byte(30));
}

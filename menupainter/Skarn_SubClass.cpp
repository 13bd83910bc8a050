// Flat painting of standard controls: the subclass object in front of a chosen control's window
// procedure, and the painters of each control kind.
#include <algorithm>
#include <cmath>

#include "menupainter/Skarn.h"
#include "menupainter/Skarn_Internal.h"
#include "platform/classlib/Buttons.h"
#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinCore.h"

namespace {

// Messages after which the control's look is being rebuilt (a move, a reflected parent notice, a
// change of the 3-D look, a recreation of the window): the next WM_PAINT ends it.
constexpr UINT kReflectedParentNotify = 0xBE10;
constexpr UINT kRecreateLike = 0xB8;
constexpr UINT kRecreateWnd = 0xB034;
constexpr Integer kOwnFaceTag = 1000;

bool IsNamed(TControl* control, const char* name) { return control->ClassName() == name; }
bool IsLookupCombo(TControl* control) { return IsNamed(control, "TDBLookupComboBox"); }

constexpr auto Fill = skarn_detail::FillArea;
constexpr auto Frame = skarn_detail::FrameArea;

void HLine(TCanvas* canvas, Integer x1, Integer x2, Integer y, TColor color) {
    Fill(canvas, TRect{x1, y, x2, y + 1}, color);
}
void VLine(TCanvas* canvas, Integer x, Integer y1, Integer y2, TColor color) {
    Fill(canvas, TRect{x, y1, x + 1, y2}, color);
}

TRect Inset(const TRect& r, Integer by) { return TRect{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// Rows of 5, 3 and 1 pixels, the widest at (x, y), pointing down (or up).
void Arrow(TCanvas* canvas, Integer x, Integer y, bool down, TColor color) {
    for (Integer row = 0; row < 3; ++row)
        HLine(canvas, x + row, x + 5 - row, down ? y + row : y - row, color);
}
// The same pointing right (or left): columns of 5, 3 and 1 pixels.
void SideArrow(TCanvas* canvas, Integer x, Integer y, bool right, TColor color) {
    for (Integer col = 0; col < 3; ++col)
        VLine(canvas, right ? x + col : x - col, y + col, y + 5 - col, color);
}

// A check tick of three parallel strokes from (x + 2, y - 5) to (x + 4, y - 3) to (x + 9, y - 8),
// each one pixel higher than the last.
void CheckTick(TCanvas* canvas, Integer x, Integer y, TColor color) {
    canvas->GetPen()->SetStyle(psSolid);
    canvas->GetPen()->SetWidth(1);
    canvas->GetPen()->SetColor(color);
    for (Integer i = 0; i < 3; ++i) {
        canvas->MoveTo(x + 2, y - 5 - i);
        canvas->LineTo(x + 4, y - 3 - i);
        canvas->LineTo(x + 10, y - 9 - i);
    }
}

// A device context over the control to paint on, released when done: the whole window
// (non-client area included), the client area, or for a control without a window the paint
// context it was handed or its parent's, moved to the control's corner and clipped to it.
class TPaintTarget {
public:
    TPaintTarget(TControl* control, bool wholeWindow, HDC given) {
        if (auto* win = dynamic_cast<TWinControl*>(control)) {
            if (!win->HandleAllocated()) return;
            FWindow = win->GetHandle();
            FDC = wholeWindow ? GetWindowDC(FWindow) : GetDC(FWindow);
            FOwned = true;
            RECT r{};
            if (wholeWindow) {
                GetWindowRect(FWindow, &r);
                FRect = TRect{0, 0, r.right - r.left, r.bottom - r.top};
            } else {
                GetClientRect(FWindow, &r);
                FRect = TRect{0, 0, r.right, r.bottom};
            }
        } else {
            FRect = TRect{0, 0, control->GetWidth(), control->GetHeight()};
            if (given) {
                FDC = given;
            } else {
                TWinControl* parent = control->GetParent();
                if (!parent || !parent->HandleAllocated()) return;
                FWindow = parent->GetHandle();
                FDC = GetDC(FWindow);
                FOwned = true;
                SetViewportOrgEx(FDC, control->GetLeft(), control->GetTop(), nullptr);
                IntersectClipRect(FDC, 0, 0, FRect.right, FRect.bottom);
            }
        }
        if (FDC) {
            FSaved = SaveDC(FDC);
            FCanvas.SetHandle(FDC);
        }
    }
    ~TPaintTarget() {
        if (!FDC) return;
        FCanvas.SetHandle(nullptr);
        RestoreDC(FDC, FSaved);
        if (FOwned) ReleaseDC(FWindow, FDC);
    }
    TPaintTarget(const TPaintTarget&) = delete;
    TPaintTarget& operator=(const TPaintTarget&) = delete;

    bool Valid() const { return FDC != nullptr; }
    TCanvas* Canvas() { return &FCanvas; }
    const TRect& Rect() const { return FRect; }

private:
    TCanvas FCanvas;
    HWND FWindow = nullptr;
    HDC FDC = nullptr;
    bool FOwned = false;
    int FSaved = 0;
    TRect FRect{};
};

// The paint context a control without a window was handed, while it paints.
HDC gPaintDC = nullptr;

// Every live subclass object, to find the one in front of a control.
std::vector<TControlSubClass*>& AllSubClasses() {
    static std::vector<TControlSubClass*> list;
    return list;
}

// Gives a control back the 3-D look and border style its painting changed.
void RestoreControlSettings(TControl* control, bool ctl3D, Byte borderStyle) {
    // A control on its way out keeps what it has.
    if (!control || control->GetComponentState().Contains(csDestroying)) return;
    auto* win = dynamic_cast<TWinControl*>(control);
    if (!win) return;
    if (auto* edit = dynamic_cast<TCustomEdit*>(win)) {
        edit->SetBorderStyle(TBorderStyle(borderStyle));
        if (edit->GetCtl3D() != ctl3D) edit->SetCtl3D(ctl3D);
    } else if (IsLookupCombo(win)) {
        if (win->GetCtl3D() != ctl3D) win->SetCtl3D(ctl3D);
    } else if (auto* list = dynamic_cast<TCustomListBox*>(win)) {
        list->SetBorderStyle(TBorderStyle(borderStyle));
        if (list->GetCtl3D() != ctl3D) list->SetCtl3D(ctl3D);
    } else if (auto* tree = dynamic_cast<TCustomTreeView*>(win)) {
        tree->SetBorderStyle(TBorderStyle(borderStyle));
        if (tree->GetCtl3D() != ctl3D) tree->SetCtl3D(ctl3D);
    }
}

TColor ParentColor(TControl* control) {
    return control->GetParent() ? control->GetParent()->GetColor() : TColor(clBtnFace);
}

} // namespace

// ---- The object ----------------------------------------------------------------------------------------

TControlSubClass::TControlSubClass(TSkarn* painter, TControl* control)
    : TComponent(painter), FControl(control), FPainter(painter) {
    AllSubClasses().push_back(this);
    FreeNotification(control);
    FOrgWindowProc = control->WindowProc;
    TakeSettings();
    control->WindowProc = TWndMethod(this, &TControlSubClass::ControlSubClass);
}

TControlSubClass::TControlSubClass(TSkarn* painter, TControlSubClass* source)
    : TComponent(painter), FControl(source->FControl), FMsgRecreate(source->FMsgRecreate),
      FIsHot(source->FIsHot), FOrgWindowProc(source->FOrgWindowProc), FPainter(painter), FCtl3D(source->FCtl3D),
      FBorderStyle(source->FBorderStyle) {
    AllSubClasses().push_back(this);
    FreeNotification(FControl);
    FControl->WindowProc = TWndMethod(this, &TControlSubClass::ControlSubClass);
}

TControlSubClass::~TControlSubClass() {
    // Freed by its owner: a live control gets its own procedure back first.
    if (FControl && OnTop()) {
        FControl->WindowProc = FOrgWindowProc;
        try {
            RestoreSettings();
        } catch (...) {
        }
    }
    if (FControl) RemoveFreeNotification(FControl);
    FControl = nullptr;
    auto& all = AllSubClasses();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TControlSubClass::HandTo(TSkarn* painter) {
    if (!FControl || painter == FPainter) return;
    if (!OnTop()) {
        if (FPainter) FPainter->RemoveComponent(this);
        painter->InsertComponent(this);
        FPainter = painter;
        return;
    }
    new TControlSubClass(painter, this);
    // Out of the chain now: it gives nothing back.
    RemoveFreeNotification(FControl);
    FControl = nullptr;
    delete this;
}

TControlSubClass* TControlSubClass::Find(TControl* control) {
    for (TControlSubClass* sub : AllSubClasses())
        if (sub->FControl == control && sub->FPainter) return sub;
    return nullptr;
}

bool TControlSubClass::OnTop() const {
    return FControl && FControl->WindowProc == TWndMethod(const_cast<TControlSubClass*>(this),
                                                          &TControlSubClass::ControlSubClass);
}

void TControlSubClass::TakeSettings() {
    if (auto* edit = dynamic_cast<TCustomEdit*>(FControl)) {
        FCtl3D = edit->GetCtl3D();
        FBorderStyle = Byte(edit->GetBorderStyle());
    } else if (IsLookupCombo(FControl)) {
        FCtl3D = static_cast<TWinControl*>(FControl)->GetCtl3D();
    } else if (auto* list = dynamic_cast<TCustomListBox*>(FControl)) {
        FCtl3D = list->GetCtl3D();
        FBorderStyle = Byte(list->GetBorderStyle());
    } else if (auto* tree = dynamic_cast<TCustomTreeView*>(FControl)) {
        FCtl3D = tree->GetCtl3D();
        FBorderStyle = Byte(tree->GetBorderStyle());
    }
}

void TControlSubClass::RestoreSettings() { RestoreControlSettings(FControl, FCtl3D, FBorderStyle); }

void TControlSubClass::Release(bool restore) {
    if (!FControl) {
        delete this;
        return;
    }
    if (!OnTop()) {
        // Another procedure in front of this one calls it still: it stays, passing messages on.
        if (FPainter) FPainter->RemoveComponent(this);
        FPainter = nullptr;
        return;
    }
    TControl* control = FControl;
    control->WindowProc = FOrgWindowProc;
    RemoveFreeNotification(control);
    FControl = nullptr;
    const bool ctl3D = FCtl3D;
    const Byte borderStyle = FBorderStyle;
    delete this;
    // Restoring may recreate the window; the object is gone by then and is not called.
    if (!restore) return;
    try {
        RestoreControlSettings(control, ctl3D, borderStyle);
    } catch (...) {
        // A control that cannot take its settings back keeps the flat ones.
    }
}

void TControlSubClass::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    // Only the control's end matters: a control that merely changes owner stays subclassed.
    if (operation != opRemove || component != FControl || !FControl ||
        !FControl->GetComponentState().Contains(csDestroying))
        return;
    // The control is on its way out (its owner is freeing it, or its own destructor tells its
    // watchers): the messages it still gets meanwhile go to its own procedure, and the object
    // goes with it. Its settings stay as they are.
    RemoveFreeNotification(FControl);
    if (!OnTop()) {
        // Whatever is in front of it may still pass the control's last messages on through it: it
        // stays, a pass-through owned by nobody.
        if (FPainter) FPainter->RemoveComponent(this);
        FPainter = nullptr;
        return;
    }
    FControl->WindowProc = FOrgWindowProc;
    FControl = nullptr;
    delete this;
}

bool TControlSubClass::IsGraphic() const { return dynamic_cast<TWinControl*>(FControl) == nullptr; }

// A control without a window whose paint this object answers itself (a flat speed button); any
// other is painted by its own procedure.
bool TControlSubClass::PaintsGraphic() const {
    auto* speed = dynamic_cast<TSpeedButton*>(FControl);
    return speed && speed->GetFlat();
}

void TControlSubClass::Repaint(bool invalidateOnly) {
    if (IsGraphic())
        invalidateOnly ? FControl->Invalidate() : FControl->Repaint();
    else
        PaintControl();
}

// ---- The window procedure ------------------------------------------------------------------------------

void TControlSubClass::ControlSubClass(TMessage& message) {
    if (!FControl) return;
    const TLivenessToken alive = LivenessToken();
    if (!FPainter) {
        // Left by its painter, behind another procedure: it only passes messages on.
        const TWndMethod previous = FOrgWindowProc;
        previous(message);
        return;
    }
    const UINT msg = message.Msg;
    const bool active = FPainter->GetActive();
    if (active && msg == WM_PAINT && IsGraphic() && PaintsGraphic()) {
        message.Result = 1;
    } else if (active && msg == WM_NCPAINT && IsLookupCombo(FControl)) {
        message.Result = 1;
    } else {
        const TWndMethod previous = FOrgWindowProc;
        previous(message);
        if (!alive || !FControl) return;
    }
    if (!FPainter->GetActive()) {
        // The painter went off: the control is given back, the answer stays its own.
        Release(true);
        return;
    }
    FLastMsg = msg;
    TControl* control = FControl;
    switch (msg) {
    case WM_DESTROY:
        // A window destroyed while its control lives is being made again: the control stays
        // subclassed. A control being freed with the flag up goes with its free notice.
        if (!FMsgRecreate && control->GetComponentState().Contains(csDestroying)) Release(false);
        return;
    case WM_SETFOCUS:
        FIsHot = true;
        PaintControl();
        return;
    case WM_KILLFOCUS:
        FIsHot = false;
        PaintControl();
        return;
    case WM_PAINT: {
        FMsgRecreate = false;
        // A control without a window paints on the context its parent hands it.
        HDC previousDC = gPaintDC;
        gPaintDC = IsGraphic() ? HDC(message.WParam) : nullptr;
        PaintControl();
        gPaintDC = previousDC;
        return;
    }
    case WM_WINDOWPOSCHANGED:
    case kReflectedParentNotify:
    case kRecreateLike:
    case CM_CTL3DCHANGED:
    case CM_PARENTCTL3DCHANGED:
    case kRecreateWnd:
        FMsgRecreate = true;
        return;
    case WM_NCPAINT:
        if (dynamic_cast<TCustomListBox*>(control) || dynamic_cast<TCustomTreeView*>(control)) PaintControl();
        return;
    case BM_GETCHECK:
    case BM_SETCHECK:
        FIsHot = false;
        PaintControl();
        return;
    case BM_SETSTATE:
        PaintControl();
        return;
    case WM_KEYDOWN:
        if (message.WParam == WPARAM(VK_SPACE)) {
            FIsKeyDown = true;
            if (!FKeyHandled) {
                FKeyHandled = true;
                PaintControl();
            }
        }
        return;
    case WM_KEYUP:
        if (message.WParam == WPARAM(VK_SPACE)) {
            FIsKeyDown = false;
            FKeyHandled = false;
            PaintControl();
        }
        return;
    case WM_MOUSEMOVE:
        if (control->GetEnabled() && IsNamed(control, "TUpDown")) PaintControl();
        return;
    case WM_LBUTTONDOWN:
        FMouseDown = true;
        PaintControl();
        return;
    case WM_LBUTTONUP:
        FMouseDown = false;
        Repaint(false);
        return;
    case WM_LBUTTONDBLCLK:
        // A double click acts as a second click.
        if (dynamic_cast<TButton*>(control) || dynamic_cast<TSpeedButton*>(control) ||
            dynamic_cast<TCustomCheckBox*>(control))
            control->Perform(WM_LBUTTONDOWN, message.WParam, message.LParam);
        return;
    case CM_FOCUSCHANGED:
    case CM_PARENTCOLORCHANGED:
    case CM_TEXTCHANGED:
        PaintControl();
        return;
    case CM_ENABLEDCHANGED:
        if (!control->GetEnabled()) FIsHot = false;
        PaintControl();
        return;
    case CM_MOUSEENTER:
        if (!control->GetEnabled()) return;
        FIsHot = true;
        Repaint(true);
        return;
    case CM_MOUSELEAVE:
        if (!control->GetEnabled()) return;
        FIsHot = false;
        Repaint(true);
        return;
    case CM_EXIT:
        FIsHot = false;
        PaintControl();
        return;
    default:
        return;
    }
}

// ---- The control painters ------------------------------------------------------------------------------

namespace {

// What every painter takes: the painter, its colours and the control's state.
struct TLook {
    TSkarn* Painter;
    TSkarnPalette Pal;
    TControl* Control;
    bool Hot;
    bool Focused;
    bool Down;     // the mouse button or the space key held on it
    bool Enabled;
    TColor Face;
    TColor HotFace; // the face of a hot flat button
    TColor HotFrame;
    TColor Parent;
    TColor Color;
};

void PaintCombo(const TLook& k, TPaintTarget& t, bool dropped) {
    TCanvas* c = t.Canvas();
    const TRect r = t.Rect();
    const bool lit = k.Hot || k.Focused;
    const TColor frame = k.Hot ? k.Pal.SelectBorder : k.Focused ? k.HotFrame : k.Color;
    Frame(c, r, k.Parent);
    Frame(c, Inset(r, 1), frame);
    const Integer thumb = GetSystemMetrics(SM_CXHTHUMB);
    TRect button{r.right - 2 - thumb, r.top + 2, r.right - 2, r.bottom - 2};
    Fill(c, TRect{button.left - 5, button.top, button.left, button.bottom}, k.Color);
    TColor buttonFace = k.Face;
    if (dropped)
        buttonFace = k.Pal.PressedFace;
    else if (k.Hot)
        buttonFace = k.Pal.SelectFace;
    else if (k.Focused)
        buttonFace = k.Pal.CheckedFace;
    Fill(c, button, buttonFace);
    VLine(c, button.left, button.top, button.bottom, lit ? frame : k.Color);
    const TColor arrow = (!k.Enabled || dropped) ? TColor(clWhite) : TColor(clBlack);
    Arrow(c, button.left + (button.right - button.left - 5) / 2 + 1, (button.top + button.bottom) / 2 - 1, true,
          arrow);
}

void PaintEdit(const TLook& k, TPaintTarget& t, bool borderless) {
    TColor frame;
    if (k.Focused)
        frame = k.HotFrame;
    else if (borderless) {
        const TColor pair[2] = {k.Color, k.Parent};
        frame = k.Hot ? LightenColor(AverageColor(pair, 2), 40) : k.Color;
    } else {
        frame = k.Hot ? k.HotFrame : DarkenColor(k.Parent, 60);
    }
    Frame(t.Canvas(), t.Rect(), frame);
}

// The box of a check box or radio button: thumb width, centred vertically, at the side the
// alignment gives.
TRect MarkBox(const TRect& r, bool left) {
    const Integer size = std::min<Integer>(GetSystemMetrics(SM_CXHTHUMB), r.bottom - r.top);
    const Integer top = r.top + (r.bottom - r.top - size) / 2;
    return left ? TRect{r.left, top, r.left + size, top + size} : TRect{r.right - size, top, r.right, top + size};
}

void PaintCheckBox(const TLook& k, TPaintTarget& t, TCustomCheckBox* box) {
    TCanvas* c = t.Canvas();
    const TRect b = MarkBox(t.Rect(), box->GetAlignment() == taRightJustify);
    const bool grayed = box->GetState() == cbGrayed;
    Fill(c, b, k.Color);
    const TRect inner = Inset(b, 1);
    if ((k.Hot || k.Focused) && k.Enabled) {
        TColor fill = k.Pal.SelectFace;
        if (k.Down) fill = k.Pal.PressedFace;
        if (grayed) fill = clSilver;
        Fill(c, Inset(b, 2), fill);
        Frame(c, inner, k.Pal.SelectBorder);
    } else {
        Fill(c, Inset(b, 2), grayed ? TColor(clSilver) : TColor(clWindow));
        Frame(c, inner, clBtnShadow);
    }
    if (box->GetState() != cbUnchecked) {
        TColor tick = clHighlight;
        if (!k.Enabled)
            tick = k.Pal.DisabledText;
        else if (k.Down)
            tick = clWindow;
        else if (grayed)
            tick = TColor(0x808080);
        CheckTick(c, inner.left + (inner.right - inner.left - 12) / 2, inner.top + (inner.bottom - inner.top) / 2 + 5,
                  tick);
    }
}

void PaintRadio(const TLook& k, TPaintTarget& t, TRadioButton* radio) {
    TCanvas* c = t.Canvas();
    const TRect b = MarkBox(t.Rect(), radio->GetAlignment() == taRightJustify);
    Fill(c, b, k.Color);
    const bool lit = (k.Hot || k.Focused) && k.Enabled;

    c->GetPen()->SetStyle(psSolid);
    c->GetPen()->SetWidth(1);
    c->GetPen()->SetColor(lit ? k.Pal.SelectBorder : TColor(clBtnShadow));
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(lit ? (k.Down ? k.Pal.PressedFace : k.Pal.SelectFace) : TColor(clWindow));
    const TRect outer = Inset(b, 1);
    c->Ellipse(outer);
    if (radio->GetChecked()) {
        const TColor dot = k.Enabled ? TColor(clHighlight) : k.Pal.DisabledText;
        c->GetPen()->SetColor(dot);
        c->GetBrush()->SetColor(dot);
        c->Ellipse(Inset(outer, 3));
    }
}

// The face and frame of a push button (and of bit and speed buttons).
void PaintButtonFace(const TLook& k, TCanvas* c, const TRect& r, TColor face, bool pressed, bool framed) {
    Fill(c, r, face);
    if (!framed) return;
    const TColor frame = (k.Hot || k.Focused) ? k.HotFrame : TColor(clBtnShadow);
    c->GetPen()->SetStyle(psSolid);
    c->GetPen()->SetWidth(1);
    c->GetPen()->SetColor(LightenColor(frame, 30));
    c->GetBrush()->SetStyle(bsClear);
    c->RoundRect(r.left, r.top, r.right, r.bottom, 4, 4);
    c->GetBrush()->SetStyle(bsSolid);
    const TColor dark = DarkenColor(frame, 50);
    if (pressed) {
        HLine(c, r.left + 2, r.right - 2, r.top + 1, dark);
        VLine(c, r.left + 1, r.top + 2, r.bottom - 2, dark);
    } else {
        HLine(c, r.left + 2, r.right - 2, r.bottom - 2, dark);
        VLine(c, r.right - 2, r.top + 2, r.bottom - 2, dark);
    }
}

void PaintPushButton(const TLook& k, TPaintTarget& t, bool pressed) {
    TCanvas* c = t.Canvas();
    const TRect r = t.Rect();
    PaintButtonFace(k, c, r, k.Face, pressed, true);
    TRect text = r;
    if (pressed) OffsetRect(&text, 1, 1);
    k.Painter->DrawItemText(k.Control, k.Control->GetCaption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                            k.Control->GetFont(), false, false, false, k.Enabled, false, text, c, String());
}

// A speed button: face and frame, then the glyph and caption laid out by Layout, Margin and Spacing.
void PaintSpeedButton(const TLook& k, TPaintTarget& t, TSpeedButton* button) {
    TCanvas* c = t.Canvas();
    const TRect r = t.Rect();
    const bool down = button->GetDown();
    const bool pressed = k.Down || down || button->GetState() == bsDown;
    TColor face = k.Hot ? k.HotFace : k.Parent;
    if (down) face = k.Hot ? k.Pal.PressedFace : k.Pal.CheckedFace;
    PaintButtonFace(k, c, r, face, pressed, k.Hot || down);

    // The glyph image of the state.
    TBitmap glyph;
    TBitmap* source = button->GetGlyph();
    const Integer count = std::max<Integer>(1, button->GetNumGlyphs());
    Integer gw = 0, gh = 0;
    if (source && !source->GetEmpty()) {
        gw = source->GetWidth() / count;
        gh = source->GetHeight();
        Integer index = 0;
        if (!k.Enabled && count > 1)
            index = 1;
        else if (pressed && count > 2)
            index = 2;
        glyph.SetPixelFormat(pf32bit);
        glyph.SetSize(gw, gh);
        glyph.GetCanvas()->CopyRect(TRect{0, 0, gw, gh}, source->GetCanvas(),
                                    TRect{index * gw, 0, index * gw + gw, gh});
    }
    c->GetFont()->Assign(button->GetFont());
    const String caption = button->GetCaption();
    const Integer tw = caption.empty() ? 0 : c->TextWidth(caption);
    const Integer th = caption.empty() ? 0 : c->TextHeight(caption);
    const bool horizontal = button->GetLayout() == blGlyphLeft || button->GetLayout() == blGlyphRight;
    const Integer room = horizontal ? r.right - r.left : r.bottom - r.top;
    const Integer glyphSize = horizontal ? gw : gh;
    const Integer textSize = horizontal ? tw : th;
    Integer spacing = (gw == 0 || caption.empty()) ? 0 : button->GetSpacing();
    Integer margin = button->GetMargin();
    if (margin == -1) {
        if (spacing == -1) {
            const Integer total = glyphSize + textSize;
            margin = (room - total) / 3;
            spacing = margin;
        } else {
            margin = (room - (glyphSize + spacing + textSize)) / 2;
        }
    } else if (spacing == -1) {
        spacing = (room - margin - glyphSize - textSize) / 2;
    }
    TPoint glyphAt{}, textAt{};
    switch (button->GetLayout()) {
    case blGlyphLeft:
        glyphAt = TPoint{r.left + margin, r.top + (r.bottom - r.top - gh) / 2};
        textAt = TPoint{glyphAt.x + gw + spacing, r.top + (r.bottom - r.top - th) / 2};
        break;
    case blGlyphRight:
        glyphAt = TPoint{r.right - margin - gw, r.top + (r.bottom - r.top - gh) / 2};
        textAt = TPoint{glyphAt.x - spacing - tw, r.top + (r.bottom - r.top - th) / 2};
        break;
    case blGlyphTop:
        glyphAt = TPoint{r.left + (r.right - r.left - gw) / 2, r.top + margin};
        textAt = TPoint{r.left + (r.right - r.left - tw) / 2, glyphAt.y + gh + spacing};
        break;
    case blGlyphBottom:
        glyphAt = TPoint{r.left + (r.right - r.left - gw) / 2, r.bottom - margin - gh};
        textAt = TPoint{r.left + (r.right - r.left - tw) / 2, glyphAt.y - spacing - th};
        break;
    }
    if (pressed) {
        glyphAt.x += 1;
        glyphAt.y += 1;
        textAt.x += 1;
        textAt.y += 1;
    }
    if (gw > 0)
        k.Painter->DrawGlyph(button, c, false, false, down, k.Enabled, pressed, k.Hot,
                             TRect{glyphAt.x, glyphAt.y - 1, glyphAt.x + gw, glyphAt.y - 1 + gh}, &glyph);
    if (!caption.empty())
        k.Painter->DrawItemText(button, caption, DT_LEFT | DT_SINGLELINE, button->GetFont(), false, false, false,
                                k.Enabled, false, TRect{textAt.x, textAt.y, textAt.x + tw + 1, textAt.y + th}, c,
                                String());
}

void PaintUpDown(const TLook& k, TPaintTarget& t, TCustomUpDown* upDown, bool tagged) {
    TCanvas* c = t.Canvas();
    const TRect r = t.Rect();
    const bool vertical = upDown->GetOrientation() == udVertical;
    TRect halves[2];
    if (vertical) {
        const Integer mid = (r.top + r.bottom) / 2;
        halves[0] = TRect{r.left, r.top, r.right, mid};
        halves[1] = TRect{r.left, mid, r.right, r.bottom};
    } else {
        const Integer mid = (r.left + r.right) / 2;
        halves[0] = TRect{r.left, r.top, mid, r.bottom};
        halves[1] = TRect{mid, r.top, r.right, r.bottom};
    }
    POINT mouse{};
    GetCursorPos(&mouse);
    const TPoint local = upDown->ScreenToClient(mouse);
    for (Integer i = 0; i < 2; ++i) {
        const TRect& h = halves[i];
        const POINT p{local.x, local.y};
        const bool over = k.Hot && k.Enabled && PtInRect(&h, p);
        TColor frame, fill;
        TColor arrow = k.Enabled ? TColor(clBlack) : TColor(clWhite);
        if (over) {
            frame = k.Pal.SelectBorder;
            fill = LightenColor(k.Pal.SelectFace, 60);
            if (k.Down) {
                fill = k.Pal.PressedFace;
                arrow = clWhite;
            }
        } else {
            frame = LightenColor(k.Parent, 80);
            fill = LightenColor(tagged ? k.Parent : k.Pal.SelectFace, 16);
        }
        // A half that shows its frame already is left as it is.
        if (ColorToRGB(c->GetPixels(h.left, h.top)) == ColorToRGB(frame) && !over) continue;
        Fill(c, h, fill);
        Frame(c, h, frame);
        const Integer cx = (h.left + h.right) / 2, cy = (h.top + h.bottom) / 2;
        if (vertical)
            Arrow(c, cx - 2, i == 0 ? cy + 1 : cy - 1, i != 0, arrow);
        else
            SideArrow(c, i == 0 ? cx + 1 : cx - 1, cy - 2, i != 0, arrow);
    }
}

// Outer and inner bevels as one-pixel frames of the parent colour, darkened and lightened.
void PaintPanel(const TLook& k, TPaintTarget& t, TCustomPanel* panel) {
    TCanvas* c = t.Canvas();
    TRect r = t.Rect();
    const TColor dark = DarkenColor(k.Parent, 60), light = LightenColor(k.Parent, 60);
    auto bevel = [&](TPanelBevel kind) {
        if (kind == bvNone) return;
        for (Integer i = 0; i < panel->GetBevelWidth(); ++i) {
            if (kind != bvSpace) {
                const TColor topLeft = kind == bvLowered ? dark : light;
                const TColor bottomRight = kind == bvLowered ? light : dark;
                HLine(c, r.left, r.right - 1, r.top, topLeft);
                VLine(c, r.left, r.top, r.bottom - 1, topLeft);
                HLine(c, r.left, r.right, r.bottom - 1, bottomRight);
                VLine(c, r.right - 1, r.top, r.bottom, bottomRight);
            }
            r = Inset(r, 1);
        }
    };
    bevel(panel->GetBevelOuter());
    r = Inset(r, panel->GetBorderWidth());
    bevel(panel->GetBevelInner());
}

void PaintGroupBox(const TLook& k, TPaintTarget& t, TCustomGroupBox* box) {
    TCanvas* c = t.Canvas();
    const TRect r = t.Rect();
    c->GetFont()->Assign(box->GetFont());
    const String caption = box->GetCaption();
    const Integer th = c->TextHeight(caption.empty() ? String("W") : caption);
    const TRect frame{r.left, r.top + th / 2, r.right, r.bottom};
    if (box->GetCtl3D()) {
        Frame(c, TRect{frame.left + 1, frame.top + 1, frame.right, frame.bottom}, LightenColor(k.Color, 60));
        Frame(c, TRect{frame.left, frame.top, frame.right - 1, frame.bottom - 1}, DarkenColor(k.Color, 60));
    } else {
        Frame(c, frame, DarkenColor(k.Color, 60));
    }
    if (caption.empty()) return;
    const Integer tw = c->TextWidth(caption);
    TRect text{r.left + 9, r.top, r.left + 9 + tw + 2, r.top + th};
    Fill(c, text, k.Color);
    k.Painter->DrawItemText(box, caption, DT_LEFT | DT_SINGLELINE, box->GetFont(), false, false, false, k.Enabled,
                            false, TRect{text.left + 1, text.top, text.right, text.bottom}, c, String());
}

void PaintListBorder(const TLook& k, TPaintTarget& t, bool borderless) {
    TColor frame;
    if (k.Hot || k.Focused)
        frame = LightenColor(k.Pal.SelectBorder, borderless ? 80 : 60);
    else
        frame = borderless ? k.Parent : DarkenColor(k.Parent, 60);
    Frame(t.Canvas(), t.Rect(), frame);
    // The inner ring of a sunken edge takes the control's colour, so the border is one pixel.
    if (!borderless) Frame(t.Canvas(), Inset(t.Rect(), 1), k.Color);
}

void PaintProgress(const TLook& k, TPaintTarget& t) {
    Frame(t.Canvas(), t.Rect(), k.Hot ? k.Pal.SelectBorder : DarkenColor(k.Parent, 60));
}

} // namespace

void TControlSubClass::PaintControl() {
    TControl* control = FControl;
    if (!control || !FPainter) return;
    const TLivenessToken alive = LivenessToken();
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win) {
        if (!win->HandleAllocated()) return;
        // A combo box's focus is in its edit field.
        FIsFocused = win->Focused() || IsChild(win->GetHandle(), GetFocus());
    }
    // The 3-D look is switched off (which makes the window again) only while painting, never in
    // the middle of the window's making.
    const bool switchLook = FLastMsg == WM_PAINT;
    TSkarn* p = FPainter;
    const bool tagged = control->GetTag() == kOwnFaceTag;
    TLook k{p, p->GetPalette(), control, FIsHot, FIsFocused, FMouseDown || FIsKeyDown, control->GetEnabled(),
            {}, {}, {}, ParentColor(control), control->GetColor()};
    if (tagged)
        k.Face = LightenColor(k.Parent, FIsHot ? p->FFaceLevel40 : p->FFaceLevel16);
    else
        k.Face = FIsHot ? LightenColor(clBtnFace, p->FFaceLevel40) : k.Pal.IconColumn;
    k.HotFace = (p->FHighColor && !p->FUseSystemColors) ? LightenColor(p->FSelectColor, 68) : k.Pal.SelectFace;
    k.HotFrame = LightenColor(k.Pal.SelectBorder, 60);

    if (auto* combo = dynamic_cast<TCustomComboBox*>(control)) {
        const bool dropped = combo->GetDroppedDown();
        TPaintTarget t(control, true, nullptr);
        if (t.Valid()) PaintCombo(k, t, dropped);
    }
    if (IsLookupCombo(control) && win) {
        if (win->GetCtl3D() && switchLook) {
            win->SetCtl3D(false);
            if (!alive || !FControl) return;
        }
        TPaintTarget t(control, true, nullptr);
        if (t.Valid()) PaintCombo(k, t, false);
    }
    if (auto* edit = dynamic_cast<TCustomEdit*>(control)) {
        if (edit->GetCtl3D() && switchLook) {
            // The flat frame replaces the sunken edge: the window is made again without it.
            edit->SetCtl3D(false);
            if (!alive || !FControl || !edit->HandleAllocated()) return;
        }
        TPaintTarget t(control, true, nullptr);
        if (t.Valid()) PaintEdit(k, t, edit->GetBorderStyle() == bsNone);
    }
    if (auto* box = dynamic_cast<TCustomCheckBox*>(control)) {
        TPaintTarget t(control, false, nullptr);
        if (t.Valid()) PaintCheckBox(k, t, box);
    }
    if (auto* radio = dynamic_cast<TRadioButton*>(control)) {
        TPaintTarget t(control, false, nullptr);
        if (t.Valid()) PaintRadio(k, t, radio);
    }
    if (dynamic_cast<TButton*>(control) != nullptr) {
        const bool pressed =
            k.Down || (win && (SendMessageA(win->GetHandle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0);
        if (!alive || !FControl) return;
        TPaintTarget t(control, false, nullptr);
        if (t.Valid()) PaintPushButton(k, t, pressed);
    }
    if (auto* upDown = dynamic_cast<TCustomUpDown*>(control)) {
        TPaintTarget t(control, false, nullptr);
        if (t.Valid()) PaintUpDown(k, t, upDown, tagged);
    }
    if (auto* speed = dynamic_cast<TSpeedButton*>(control); speed && speed->GetFlat()) {
        TPaintTarget t(control, false, gPaintDC);
        if (t.Valid()) PaintSpeedButton(k, t, speed);
    }
    if (auto* panel = dynamic_cast<TCustomPanel*>(control); panel && FLastMsg == WM_PAINT) {
        TPaintTarget t(control, false, nullptr);
        if (t.Valid()) PaintPanel(k, t, panel);
    }
    if (auto* group = dynamic_cast<TCustomGroupBox*>(control); group && FLastMsg == WM_PAINT) {
        TPaintTarget t(control, false, nullptr);
        if (t.Valid()) PaintGroupBox(k, t, group);
    }
    if (auto* list = dynamic_cast<TCustomListBox*>(control)) {
        if (list->GetCtl3D() && switchLook) {
            list->SetCtl3D(false);
            if (!alive || !FControl) return;
        }
        TPaintTarget t(control, true, nullptr);
        if (t.Valid()) PaintListBorder(k, t, list->GetBorderStyle() == bsNone);
    }
    if (auto* tree = dynamic_cast<TCustomTreeView*>(control)) {
        if (tree->GetCtl3D() && switchLook) {
            tree->SetCtl3D(false);
            if (!alive || !FControl) return;
        }
        TPaintTarget t(control, true, nullptr);
        if (t.Valid()) PaintListBorder(k, t, tree->GetBorderStyle() == bsNone);
    }
    if (dynamic_cast<TProgressBar*>(control)) {
        TPaintTarget t(control, true, nullptr);
        if (t.Valid()) PaintProgress(k, t);
    }
}

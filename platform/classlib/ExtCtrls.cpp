#include "platform/classlib/ExtCtrls.h"

#include <algorithm>

#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, Integer width) {
    TPen* pen = canvas->GetPen();
    const Integer oldWidth = pen->GetWidth();
    pen->SetWidth(1);
    --rect.bottom;
    --rect.right;
    for (Integer i = 0; i < width; ++i) {
        pen->SetColor(topColor);
        canvas->MoveTo(rect.left, rect.bottom);
        canvas->LineTo(rect.left, rect.top);
        canvas->LineTo(rect.right, rect.top);
        pen->SetColor(bottomColor);
        canvas->MoveTo(rect.right, rect.top);
        canvas->LineTo(rect.right, rect.bottom);
        canvas->LineTo(rect.left - 1, rect.bottom);
        InflateRect(&rect, -1, -1);
    }
    ++rect.bottom;
    ++rect.right;
    pen->SetWidth(oldWidth);
}

// ---- TBevel -------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
    if (FShape == value) return;
    FShape = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    if (FStyle == value) return;
    FStyle = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* canvas = TGraphicControl::GetCanvas();
    const TColor color1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor color2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    const Integer w = GetWidth();
    const Integer h = GetHeight();
    auto line = [&](TColor color, Integer x1, Integer y1, Integer x2, Integer y2) {
        canvas->GetPen()->SetColor(color);
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    canvas->GetPen()->SetWidth(1);
    switch (FShape) {
    case bsBox: {
        TRect r = GetClientRect();
        Frame3D(canvas, r, color1, color2, 1);
        break;
    }
    case bsFrame: {
        TRect r = GetClientRect();
        --r.bottom;
        --r.right;
        TRect inner{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
        Frame3D(canvas, inner, color2, color2, 1);
        TRect outer = r;
        Frame3D(canvas, outer, color1, color1, 1);
        break;
    }
    case bsTopLine:
        line(color1, 0, 0, w, 0);
        line(color2, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(color1, 0, h - 2, w, h - 2);
        line(color2, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(color1, 0, 0, 0, h);
        line(color2, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(color1, w - 2, 0, w - 2, h);
        line(color2, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ---- TShape -------------------------------------------------------------------------------------

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    FControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 65, 65);
    FPen->OnChange = MakeEvent(this, &TShape::StyleChanged);
    FBrush->OnChange = MakeEvent(this, &TShape::StyleChanged);
}

TShape::~TShape() {
    FPen->OnChange = nullptr;
    FBrush->OnChange = nullptr;
}

void TShape::SetShape(TShapeType value) {
    if (FShape == value) return;
    FShape = value;
    Invalidate();
}

void TShape::StyleChanged(TObject* sender) { Invalidate(); }

void TShape::Paint() {
    TCanvas* canvas = TGraphicControl::GetCanvas();
    canvas->SetPen(FPen.get());
    canvas->SetBrush(FBrush.get());
    const Integer penWidth = FPen->GetWidth();
    Integer x = penWidth / 2;
    Integer y = x;
    Integer w = GetWidth() - penWidth + 1;
    Integer h = GetHeight() - penWidth + 1;
    if (penWidth == 0) {
        --w;
        --h;
    }
    if (w < h) {
        if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
            y += (h - w) / 2;
            h = w;
        }
    } else if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        x += (w - h) / 2;
        w = h;
    }
    const Integer s = std::min(w, h);
    switch (FShape) {
    case stRectangle:
    case stSquare: canvas->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse:
    case stCircle: canvas->Ellipse(x, y, x + w, y + h); break;
    }
}

// ---- TCustomPanel -------------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                     csReplicatable};
    SetBounds(0, 0, 185, 41);
    FParentColor = false;
    FColor = clBtnFace;
}

void TCustomPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    if (FBorderStyle == bsSingle) params.Style |= WS_BORDER;
    params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel value) {
    if (FBevelInner == value) return;
    FBevelInner = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TPanelBevel value) {
    if (FBevelOuter == value) return;
    FBevelOuter = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(TBevelWidth value) {
    if (FBevelWidth == value) return;
    FBevelWidth = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(TBorderWidth value) {
    if (FBorderWidth == value) return;
    FBorderWidth = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    RecreateWnd();
}

void TCustomPanel::AdjustClientRect(RECT& rect) {
    TCustomControl::AdjustClientRect(rect);
    Integer inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    InflateRect(&rect, -inset, -inset);
}

void TCustomPanel::Paint() {
    TCanvas* canvas = GetCanvas();
    TRect rect = GetClientRect();
    auto bevelColors = [](TPanelBevel bevel, TColor& top, TColor& bottom) {
        top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TColor top = clBtnHighlight;
    TColor bottom = clBtnShadow;
    if (FBevelOuter != bvNone) {
        bevelColors(FBevelOuter, top, bottom);
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    }
    Frame3D(canvas, rect, GetColor(), GetColor(), FBorderWidth);
    if (FBevelInner != bvNone) {
        bevelColors(FBevelInner, top, bottom);
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    }
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(rect);
    const String caption = GetText();
    if (caption.empty()) return;
    canvas->GetFont()->Assign(GetFont());
    canvas->GetBrush()->SetStyle(bsClear);
    TTextFormat format{tfSingleLine, tfVerticalCenter, tfExpandTabs};
    if (FAlignment == taCenter) format.Include(tfCenter);
    if (FAlignment == taRightJustify) format.Include(tfRight);
    if (!IsShownEnabled()) canvas->GetFont()->SetColor(clGrayText);
    canvas->TextRect(rect, caption, format);
}

void TCustomPanel::CMTextChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

void TCustomPanel::CMBorderChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

KOV_MESSAGE_MAP(TCustomPanel) {
    map.Message(CM_TEXTCHANGED, &TCustomPanel::CMTextChanged);
    map.Message(CM_BORDERCHANGED, &TCustomPanel::CMBorderChanged);
}

// ---- TImage -------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>()) {
    FControlStyle.Include(csReplicatable);
    FPicture->OnChange = MakeEvent(this, &TImage::PictureChanged);
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

TCanvas* TImage::GetCanvas() {
    if (FPicture->GetGraphic() == nullptr) {
        TBitmap bitmap;
        bitmap.SetWidth(GetWidth());
        bitmap.SetHeight(GetHeight());
        FPicture->SetGraphic(&bitmap);
    }
    auto* bitmap = dynamic_cast<TBitmap*>(FPicture->GetGraphic());
    if (bitmap == nullptr) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
    return bitmap->GetCanvas();
}

void TImage::SetStretch(bool value) {
    if (FStretch == value) return;
    FStretch = value;
    PictureChanged(this);
}

void TImage::SetCenter(bool value) {
    if (FCenter == value) return;
    FCenter = value;
    PictureChanged(this);
}

void TImage::SetProportional(bool value) {
    if (FProportional == value) return;
    FProportional = value;
    PictureChanged(this);
}

void TImage::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    PictureChanged(this);
}

void TImage::SetAutoSize(bool value) { TGraphicControl::SetAutoSize(value); }

bool TImage::CanAutoSize(Integer& newWidth, Integer& newHeight) {
    if (FPicture->GetWidth() > 0 && FPicture->GetHeight() > 0) {
        newWidth = FPicture->GetWidth();
        newHeight = FPicture->GetHeight();
    }
    return true;
}

TRect TImage::DestRect() const {
    Integer w = FPicture->GetWidth();
    Integer h = FPicture->GetHeight();
    const Integer cw = GetClientWidth();
    const Integer ch = GetClientHeight();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            // The larger side fits; the other keeps the ratio.
            if (Int64(cw) * h > Int64(ch) * w) {
                w = Integer(Int64(w) * ch / h);
                h = ch;
            } else {
                h = Integer(Int64(h) * cw / w);
                w = cw;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r{0, 0, w, h};
    if (FCenter) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TCanvas* canvas = TGraphicControl::GetCanvas();
    TGraphic* graphic = FPicture->GetGraphic();
    if (graphic == nullptr || graphic->GetEmpty()) return;
    FDrawing = true;
    try {
        canvas->StretchDraw(DestRect(), graphic);
    } catch (...) {
        FDrawing = false;
        throw;
    }
    FDrawing = false;
}

void TImage::PictureChanged(TObject* sender) {
    TGraphic* graphic = FPicture->GetGraphic();
    if (graphic != nullptr && sender == FPicture.get() && !dynamic_cast<TIcon*>(graphic) &&
        graphic->GetTransparent() != FTransparent)
        graphic->SetTransparent(FTransparent);
    if (FAutoSize && FPicture->GetWidth() > 0 && FPicture->GetHeight() > 0)
        SetBounds(GetLeft(), GetTop(), FPicture->GetWidth(), FPicture->GetHeight());
    if (!FDrawing) Invalidate();
}

// ---- Registration -------------------------------------------------------------------------------

// ---- TTimer -------------------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    FWindowHandle = AllocateHWnd(MakeEvent(this, &TTimer::WndProc));
}

TTimer::~TTimer() {
    // A destructor does not raise: a timer freed on the wrong thread only loses its window.
    if (FRunning) KillTimer(FWindowHandle, 1);
    FRunning = false;
    DeallocateHWnd(FWindowHandle);
}

// The window timer follows Enabled, Interval and OnTimer. Its window belongs to the thread that
// made the timer: from any other thread the window system refuses, and so does this.
void TTimer::UpdateTimer() {
    if (FRunning) {
        CheckWindowThreadCall(KillTimer(FWindowHandle, 1) != FALSE, "KillTimer");
        FRunning = false;
    }
    if (FEnabled && FInterval != 0 && FOnTimer.Assigned() && FWindowHandle != nullptr) {
        FRunning = SetTimer(FWindowHandle, 1, FInterval, nullptr) != 0;
        CheckWindowThreadCall(FRunning, "SetTimer");
    }
}

// A change the window system refused is taken back, so the properties keep telling the truth.
template <class T> void TTimer::Change(T& field, const T& value) {
    T old = value;
    std::swap(field, old);
    try {
        UpdateTimer();
    } catch (...) {
        field = std::move(old);
        throw;
    }
}

void TTimer::SetEnabled(bool value) {
    if (FEnabled == value) return;
    Change(FEnabled, value);
}

void TTimer::SetInterval(Cardinal value) {
    if (FInterval == value) return;
    Change(FInterval, value);
}

void TTimer::SetOnTimer(const TNotifyEvent& value) { Change(FOnTimer, value); }

void TTimer::Timer() { FOnTimer(this); }

void TTimer::WndProc(TMessage& message) {
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProcA(FWindowHandle, message.Msg, message.WParam, message.LParam);
        return;
    }
    // A message of a timer killed after it was queued is dropped.
    if (!FRunning || message.WParam != 1) return;
    try {
        Timer();
    } catch (...) {
        Application->HandleException(this);
    }
}

namespace {
struct TExtCtrlsTypes {
    TExtCtrlsTypes() {
        RegisterEnum<TBevelShape>("TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine",
                                                  "bsRightLine", "bsSpacer"});
        RegisterEnum<TBevelStyle>("TBevelStyle", {"bsLowered", "bsRaised"});
        RegisterEnum<TShapeType>("TShapeType",
                                 {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"});
        RegisterEnum<TPanelBevel>("TPanelBevel", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
    }
};
const TExtCtrlsTypes kExtCtrlsTypes;
} // namespace

KOV_PUBLISHED(TBevel) {
    Property("Shape", &TBevel::GetShape, &TBevel::SetShape).Default(bsBox);
    Property("Style", &TBevel::GetStyle, &TBevel::SetStyle).Default(bsLowered);
}

KOV_PUBLISHED(TShape) {
    Property("Brush", &TShape::GetBrush, &TShape::SetBrush);
    Property("Pen", &TShape::GetPen, &TShape::SetPen);
    Property("Shape", &TShape::GetShape, &TShape::SetShape).Default(stRectangle);
}

KOV_PUBLISHED(TCustomPanel) {
    Property("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment).Default(taCenter);
    Property("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner).Default(bvNone);
    Property("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter).Default(bvRaised);
    Property("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth)
        .TypeName("TBevelWidth")
        .Default(1);
    Property("BorderWidth", &TCustomPanel::GetBorderWidth, &TCustomPanel::SetBorderWidth)
        .TypeName("TBorderWidth")
        .Default(0);
    Property("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle).Default(bsNone);
    Property("FullRepaint", &TCustomPanel::GetFullRepaint, &TCustomPanel::SetFullRepaint).Default(true);
    Property("Locked", &TCustomPanel::GetLocked, &TCustomPanel::SetLocked).Default(false);
}

KOV_PUBLISHED(TTimer) {
    Property("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled).Default(true);
    Property("Interval", &TTimer::GetInterval, &TTimer::SetInterval).Default(1000);
    Property("OnTimer", &TTimer::GetOnTimer, &TTimer::SetOnTimer);
}

KOV_PUBLISHED(TImage) {
    Property("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize).Default(false);
    Property("Center", &TImage::GetCenter, &TImage::SetCenter).Default(false);
    Property("IncrementalDisplay", &TImage::GetIncrementalDisplay, &TImage::SetIncrementalDisplay).Default(false);
    Property("Picture", &TImage::GetPicture, &TImage::SetPicture);
    Property("Proportional", &TImage::GetProportional, &TImage::SetProportional).Default(false);
    Property("Stretch", &TImage::GetStretch, &TImage::SetStretch).Default(false);
    Property("Transparent", &TImage::GetTransparent, &TImage::SetTransparent).Default(false);
    Property("OnProgress", &TImage::OnProgress);
}

namespace {
const bool kExtCtrlsRegistered = [] {
    RegisterClasses({TBevel::StaticClass(), TShape::StaticClass(), TCustomPanel::StaticClass(),
                     TPanel::StaticClass(), TImage::StaticClass(), TTimer::StaticClass()});
    return true;
}();
} // namespace

// ---- Paint box ----------------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) { SetBounds(GetLeft(), GetTop(), 105, 105); }

void TPaintBox::Paint() {
    TCanvas* canvas = GetCanvas();
    if (GetComponentState().Contains(csDesigning)) {
        canvas->GetPen()->SetStyle(psDash);
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->Rectangle(0, 0, GetWidth(), GetHeight());
    }
    if (OnPaint) OnPaint(this);
}

KOV_PUBLISHED(TPaintBox) { Property("OnPaint", &TPaintBox::OnPaint); }

namespace {
const bool kPaintBoxRegistered = [] {
    RegisterClasses({TPaintBox::StaticClass()});
    return true;
}();
} // namespace

// ---- Splitter -----------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetAlign(alLeft);
    SetBounds(GetLeft(), GetTop(), 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(TRect(0, 0, GetWidth(), GetHeight()));
}

TControl* TSplitter::FindControl() const {
    TWinControl* parent = GetParent();
    if (!parent) return nullptr;
    const TAlign align = GetAlign();
    for (Integer i = 0; i < parent->GetControlCount(); ++i) {
        TControl* c = parent->GetControls(i);
        if (c == this || !c->GetVisible() || c->GetAlign() != align) continue;
        const bool touches = (align == alLeft && c->GetLeft() + c->GetWidth() == GetLeft()) ||
                             (align == alRight && c->GetLeft() == GetLeft() + GetWidth()) ||
                             (align == alTop && c->GetTop() + c->GetHeight() == GetTop()) ||
                             (align == alBottom && c->GetTop() == GetTop() + GetHeight());
        if (touches) return c;
    }
    return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    FControl = FindControl();
    if (!FControl) return;
    const bool horizontal = GetAlign() == alLeft || GetAlign() == alRight;
    FDownPos = horizontal ? GetLeft() + x : GetTop() + y;
    FStartSize = horizontal ? FControl->GetWidth() : FControl->GetHeight();
}

void TSplitter::MouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::MouseMove(shift, x, y);
    if (!FControl) return;
    const TAlign align = GetAlign();
    const bool horizontal = align == alLeft || align == alRight;
    // In the parent's coordinates, so the splitter moving with the control does not matter.
    const Integer pos = horizontal ? GetLeft() + x : GetTop() + y;
    Integer moved = pos - FDownPos;
    if (align == alRight || align == alBottom) moved = -moved;
    const Integer size = std::max(FMinSize, FStartSize + moved);
    if (horizontal) {
        if (size != FControl->GetWidth()) FControl->SetWidth(size);
    } else if (size != FControl->GetHeight()) {
        FControl->SetHeight(size);
    }
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseUp(button, shift, x, y);
    if (FControl && OnMoved) OnMoved(this);
    FControl = nullptr;
}

KOV_PUBLISHED(TSplitter) {
    Property("MinSize", &TSplitter::GetMinSize, &TSplitter::SetMinSize).Default(30);
    Property("OnMoved", &TSplitter::OnMoved);
}

namespace {
const bool kSplitterRegistered = [] {
    RegisterClasses({TSplitter::StaticClass()});
    return true;
}();
} // namespace

// More controls of the class library: bevels, shapes, panels and images.
#pragma once

#include <memory>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
using TBevelWidth = Integer;
using TBorderWidth = Integer;

// Draws a frame of `width` lines inside rect, top and left in topColor, bottom and right in
// bottomColor, and leaves in rect what lies inside it.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, Integer width);

// ---- Bevel --------------------------------------------------------------------------------------

class TBevel : public TGraphicControl {
    KOV_CLASS(TBevel, TGraphicControl)
public:
    explicit TBevel(TComponent* owner);

    TBevelShape GetShape() const { return FShape; }
    void SetShape(TBevelShape value);
    TBevelStyle GetStyle() const { return FStyle; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

// ---- Shape --------------------------------------------------------------------------------------

class TShape : public TGraphicControl {
    KOV_CLASS(TShape, TGraphicControl)
public:
    explicit TShape(TComponent* owner);
    ~TShape() override;

    TShapeType GetShape() const { return FShape; }
    void SetShape(TShapeType value);
    TPen* GetPen() const { return FPen.get(); }
    void SetPen(TPen* value) { FPen->Assign(value); }
    TBrush* GetBrush() const { return FBrush.get(); }
    void SetBrush(TBrush* value) { FBrush->Assign(value); }
    // Repaints after a change of the pen or the brush.
    void StyleChanged(TObject* sender);

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
};

// ---- Panel --------------------------------------------------------------------------------------

class TCustomPanel : public TCustomControl {
    KOV_CLASS(TCustomPanel, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomPanel(TComponent* owner);

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TPanelBevel GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    TBevelWidth GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(TBevelWidth value);
    TBorderWidth GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(TBorderWidth value);
    // bsSingle gives the panel a window border.
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // Whether a resize repaints the whole panel (otherwise only what was uncovered).
    bool GetFullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool value) { FFullRepaint = value; }
    bool GetLocked() const { return FLocked; }
    void SetLocked(bool value) { FLocked = value; }

    // Inside the border and the bevels.
    void AdjustClientRect(RECT& rect) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void CMTextChanged(TMessage& message);
    void CMBorderChanged(TMessage& message);

private:
    TAlignment FAlignment = taCenter;
    TPanelBevel FBevelInner = bvNone;
    TPanelBevel FBevelOuter = bvRaised;
    TBevelWidth FBevelWidth = 1;
    TBorderStyle FBorderStyle = bsNone;
    bool FFullRepaint = true;
    bool FLocked = false;
};

class TPanel : public TCustomPanel {
    KOV_CLASS(TPanel, TCustomPanel)
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// ---- Image --------------------------------------------------------------------------------------

class TImage : public TGraphicControl {
    KOV_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* GetPicture() const { return FPicture.get(); }
    void SetPicture(TPicture* value) { FPicture->Assign(value); }
    // The canvas of the picture's bitmap: an empty picture becomes a bitmap of the control's
    // size first. Raises EInvalidOperation "Can only modify an image if it contains a bitmap"
    // for a picture of another kind.
    TCanvas* GetCanvas();
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool value);
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool value);
    // Stretched keeping the picture's proportions (and never enlarged beyond them with
    // Stretch off).
    bool GetProportional() const { return FProportional; }
    void SetProportional(bool value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool GetIncrementalDisplay() const { return FIncrementalDisplay; }
    void SetIncrementalDisplay(bool value) { FIncrementalDisplay = value; }
    // With AutoSize the control takes the picture's size.
    void SetAutoSize(bool value) override;

    // Where the picture is drawn in the control.
    TRect DestRect() const;

    TNotifyEvent OnProgress;

protected:
    void Paint() override;
    bool CanAutoSize(Integer& newWidth, Integer& newHeight) override;
    void PictureChanged(TObject* sender);

private:
    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FProportional = false;
    bool FTransparent = false;
    bool FIncrementalDisplay = false;
    bool FDrawing = false;
};

// ---- Timer --------------------------------------------------------------------------------------

// Runs OnTimer every Interval milliseconds of the runtime clock, on the user-interface thread,
// through a window timer on a hidden window of its own. No timer runs while it is disabled,
// while Interval is 0 or while OnTimer is unassigned; a change of any of them starts the count
// again. An exception of OnTimer goes to the application's exception handling. The timer
// belongs to the thread that created it: starting or stopping it from another thread raises
// EInvalidOperation naming the refused call, and the property keeps its value.
class TTimer : public TComponent {
    KOV_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    Cardinal GetInterval() const { return FInterval; }
    void SetInterval(Cardinal value);
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }
    void SetOnTimer(const TNotifyEvent& value);
    // Whether a window timer runs now.
    bool GetTimerRunning() const { return FRunning; }

protected:
    // Runs OnTimer.
    virtual void Timer();

private:
    void UpdateTimer();
    template <class T> void Change(T& field, const T& value);
    void WndProc(TMessage& message);

    HWND FWindowHandle = nullptr;
    Cardinal FInterval = 1000;
    bool FEnabled = true;
    bool FRunning = false;
    TNotifyEvent FOnTimer;
};

// ---- Paint box ----------------------------------------------------------------------------------

// A surface its owner paints in OnPaint on the control's canvas.
class TPaintBox : public TGraphicControl {
    KOV_CLASS(TPaintBox, TGraphicControl)
public:
    explicit TPaintBox(TComponent* owner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

// ---- Splitter -----------------------------------------------------------------------------------

// A bar between aligned controls: dragging it resizes the control it sits against (the one
// aligned to the same side and touching it), never below MinSize.
class TSplitter : public TGraphicControl {
    KOV_CLASS(TSplitter, TGraphicControl)
public:
    explicit TSplitter(TComponent* owner);
    Integer GetMinSize() const { return FMinSize; }
    void SetMinSize(Integer value) { FMinSize = value > 0 ? value : 1; }
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;

private:
    TControl* FindControl() const;

    TControl* FControl = nullptr;
    Integer FDownPos = 0;
    Integer FStartSize = 0;
    Integer FMinSize = 30;
};

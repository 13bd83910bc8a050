// The styled control base and the services the suite's controls share.
//
// TqzControl is the base of every suite control: a look and feel that chooses the painter, a
// suite canvas, its own custom-drawn scroll bars with a size grip, focus-on-click rules, the keys
// it wants from the dialog manager, wheel scrolling, a popup menu, its own drag-and-drop and
// middle-button drag scrolling. It overrides each class-library handler once and calls a
// virtual of the suite's name (HandleKeyDown, HandleMouseDown, HandleWindowMessage, ...) that
// descendants refine, calling the inherited one first.
//
// The services: a timer component ticking on one shared hidden window, hidden message windows,
// the settings controller that tells controls of a new scroll-bar size, hover tracking, the popup
// menu helpers, the monitor work area, the suite's cursors and a few input helpers.
// TqzPopupWindow is the borderless, stay-on-top form the suite's drop-downs are built on.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/Sets.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"
#include "suite/foundation/qzScrollBar.h"

class TqzControl;

// ---- Types ----------------------------------------------------------------------------------------

enum TqzDragAndDropState { ddsNone, ddsPending, ddsDragging };

enum TqzControlWantedKey { wantAllKeys, wantArrows, wantChars, wantTab };
using TqzControlWantedKeys = TSet<TqzControlWantedKey, wantTab>;

enum TqzGridLines { glBoth, glNone, glVertical, glHorizontal };

using TqzMouseEnterLeaveEvent = TClosure<void(TObject* Sender, TControl* AControl)>;

// The suite's private message: the system metrics changed (sent by the settings controller,
// posted by a control to itself after WM_NCCALCSIZE).
constexpr UINT QZM_SYSTEMMETRICSCHANGED = 0x8131;

// The screen cursors registered at unit start (Screen->Cursors).
constexpr TCursor crqzDragCopy = 2100;
constexpr TCursor crqzFullScroll = 2101;
constexpr TCursor crqzHorScroll = 2102;
constexpr TCursor crqzVerScroll = 2103;
constexpr TCursor crqzUpScroll = 2104;
constexpr TCursor crqzRightScroll = 2105;
constexpr TCursor crqzDownScroll = 2106;
constexpr TCursor crqzLeftScroll = 2107;
constexpr TCursor crqzRemove = 2108;
constexpr TCursor crqzVertSize = 2109;
constexpr TCursor crqzHorzSize = 2110;
constexpr TCursor crqzMultiDrag = 2111;
constexpr TCursor crqzNoDrop = 2112;
constexpr TCursor crqzDrag = 2113;
constexpr TCursor crqzHandPoint = 2114;
// The resource names, by cursor index (id - 2100).
extern const char* const qzCursorNames[15];

// ---- Timer and hidden windows ------------------------------------------------------------------

// A timer ticking on the one shared timer window.
class TqzTimer : public TComponent {
    KOV_CLASS(TqzTimer, TComponent)
public:
    explicit TqzTimer(TComponent* owner);
    ~TqzTimer() override;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    Integer GetInterval() const { return FInterval; }
    // 0 is ignored.
    void SetInterval(Integer value);
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }
    // Always restarts the timer.
    void SetOnTimer(const TNotifyEvent& value);
    // Whether a window timer runs now.
    bool IsRunning() const { return FTimerOn; }

protected:
    virtual void TimerFired();

private:
    friend class TqzTimerWindow;
    void Restart();
    void Start();
    void Kill();

    bool FEnabled = true;
    Integer FInterval = 1000;
    TNotifyEvent FOnTimer;
    bool FTimerOn = false;
};

// A hidden utility window whose procedure is WindowProcedure.
class TqzMessageWindow : public TObject {
    KOV_CLASS(TqzMessageWindow, TObject)
public:
    TqzMessageWindow();
    ~TqzMessageWindow() override;
    TqzMessageWindow(const TqzMessageWindow&) = delete;
    TqzMessageWindow& operator=(const TqzMessageWindow&) = delete;
    HWND GetHandle() const { return FHandle; }

protected:
    // Everything goes to DefWindowProc here.
    virtual void WindowProcedure(TMessage& message);

private:
    void MainProcedure(TMessage& message);
    HWND FHandle = nullptr;
};

// Serves every TqzTimer: WM_TIMER for an active timer's id fires that timer.
class TqzTimerWindow : public TqzMessageWindow {
    KOV_CLASS(TqzTimerWindow, TqzMessageWindow)
public:
    TqzTimerWindow() = default;

protected:
    void WindowProcedure(TMessage& message) override;
};

// Tells the registered controls (those with scroll bars) that the system's scroll-bar size
// changed: WM_SETTINGCHANGE with SPI_SETNONCLIENTMETRICS becomes QZM_SYSTEMMETRICSCHANGED.
class TqzSettingsController : public TObject {
    KOV_CLASS(TqzSettingsController, TObject)
public:
    TqzSettingsController() = default;
    ~TqzSettingsController() override;
    TqzSettingsController(const TqzSettingsController&) = delete;
    TqzSettingsController& operator=(const TqzSettingsController&) = delete;

    // A control is listed once; the hidden window exists while the list is not empty.
    void RegisterControl(TWinControl* control);
    void UnregisterControl(TWinControl* control);
    Integer GetControlCount() const { return Integer(FControls.size()); }
    HWND GetWindow() const { return FWindow; }

protected:
    virtual void WindowProcedure(TMessage& message);

private:
    void MainProcedure(TMessage& message);
    std::vector<TWinControl*> FControls;
    HWND FWindow = nullptr;
};

TqzMessageWindow* GetMessageWindow();
TqzTimerWindow* GetTimerWindow();
TqzSettingsController* GetSettingsController();

// ---- Mouse tracking ----------------------------------------------------------------------------

class IqzMouseTrackingCaller : public virtual IInterface {
public:
    // The tracked mouse has left.
    virtual void MouseLeave() = 0;
};

// Polls the cursor every 10 ms while a caller is tracked.
class TMouseTrackingTimer : public TqzTimer {
    KOV_CLASS(TMouseTrackingTimer, TqzTimer)
public:
    TMouseTrackingTimer(IqzMouseTrackingCaller* caller, TWinControl* control, const TRect& screenBounds);
    IqzMouseTrackingCaller* GetCaller() const { return FCaller; }
    const TRect& GetBounds() const { return FBounds; }

private:
    void Tick(TObject* sender);
    IqzMouseTrackingCaller* FCaller;
    TWinControl* FControl;
    TLivenessToken FControlAlive;
    TRect FBounds;
};

// Does nothing when the caller is tracked already; bounds are in the control's client
// coordinates (screen coordinates without a control).
void BeginMouseTracking(TWinControl* control, const TRect& bounds, IqzMouseTrackingCaller* caller);
// Nothing when the caller is not tracked.
void EndMouseTracking(IqzMouseTrackingCaller* caller);
bool IsMouseTracking(IqzMouseTrackingCaller* caller);
Integer MouseTrackingCount();

// ---- Drag and drop -----------------------------------------------------------------------------

// The object of a control's own drag-and-drop.
class TqzDragAndDropObject : public TObject {
    KOV_CLASS(TqzDragAndDropObject, TObject)
public:
    explicit TqzDragAndDropObject(TqzControl* control);

    virtual void DirtyChanged() {}
    virtual TCursor GetDragAndDropCursor(bool accepted);
    virtual bool GetImmediateStart() { return false; }
    virtual void AfterDragAndDrop(bool accepted) {}
    virtual void BeginDragAndDrop();
    virtual void DragAndDrop(const TPoint& point, bool& accepted);
    virtual void EndDragAndDrop(bool accepted);

    TqzControl* GetControl() const { return FControl; }
    TqzCanvas* GetCanvas() const;
    bool GetDirty() const { return FDirty; }
    void SetDirty(bool value);

    TPoint CurrentPos{-1, -1};
    TPoint PrevPos{-1, -1};

private:
    TqzControl* FControl;
    bool FDirty = false;
};
using TqzDragAndDropObjectClass = TqzDragAndDropObject* (*)(TqzControl* control);

// The class library's drag of a suite control: frees itself when the drag has finished; shows
// the copy cursor when the target accepts and the Control key is down.
class TqzDragControlObject : public TDragControlObject {
    KOV_CLASS(TqzDragControlObject, TDragControlObject)
public:
    explicit TqzDragControlObject(TControl* control) : TDragControlObject(control) {}
    TCursor GetDragCursor(bool accepted, Integer x, Integer y) override;
    void Finished(TObject* target, Integer x, Integer y, bool accepted) override;
};
using TqzDragControlObjectClass = TqzDragControlObject* (*)(TControl* control);

class TqzDragImageList : public TDragImageList {
    KOV_CLASS(TqzDragImageList, TDragImageList)
public:
    using TDragImageList::TDragImageList;
};

// The class library's drag object currently over a suite control, or nil.
TDragObject* GetCurrentDragObject();

// 0 click, 1 drag, 2 cancel.
Integer DetectMouseDrag(HWND window);

// ---- Scroll bars of a control ------------------------------------------------------------------

// The parameters SetScrollBarInfo plans for a bar.
struct TqzScrollBarPlan {
    Integer Min = 0;
    Integer Max = 100;
    Integer Position = 0;
    Integer PageSize = 0;
    Integer SmallChange = 1;
    Integer LargeChange = 1;
    bool Enabled = true;
    bool Visible = false;
    bool AllowShow = false;
    bool AllowHide = false;
};

class TqzControlScrollBar : public TqzScrollBar {
    KOV_CLASS(TqzControlScrollBar, TqzScrollBar)
public:
    explicit TqzControlScrollBar(TWinControl* owner);
    bool IsShown() const { return GetVisible(); }
    TqzScrollBarPlan Plan;

protected:
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void WndProc(TMessage& message) override;
};

class TqzSizeGrip : public TCustomControl {
    KOV_CLASS(TqzSizeGrip, TCustomControl)
public:
    explicit TqzSizeGrip(TComponent* owner);

protected:
    void Paint() override;
};

// ---- The control base --------------------------------------------------------------------------

class TqzControl : public TCustomControl {
    KOV_CLASS(TqzControl, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzControl(TComponent* owner);
    ~TqzControl() override;

    void BeforeDestruction();

    bool IsHScrollBarVisible() const;
    bool IsVScrollBarVisible() const;
    void SetScrollBarInfo(TScrollBarKind kind, Integer min, Integer max, Integer smallChange, Integer pageSize,
                          Integer position, bool allowShow, bool allowHide);
    void InvalidateArea(const TRect& rect, bool erase);
    static bool IsCtrlPressed();

    // Properties.
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TqzCanvas* GetControlCanvas() const { return FControlCanvas.get(); }
    bool GetFocusOnClick() const { return FFocusOnClick; }
    void SetFocusOnClick(bool value) { FFocusOnClick = value; }
    TqzControlWantedKeys GetWantedKeys() const { return FWantedKeys; }
    void SetWantedKeys(TqzControlWantedKeys value) { FWantedKeys = value; }
    TqzLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    void SetLookAndFeel(TqzLookAndFeel* value);
    // Only a TPopupMenu is kept; anything else is stored as nil.
    TComponent* GetPopupMenu() const override { return TControl::GetPopupMenu(); }
    void SetPopupMenu(TComponent* value);
    TScrollStyle GetScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    // The bars and the grip are made on first need (nil for a class without scroll bars).
    TqzControlScrollBar* GetHScrollBar() const;
    TqzControlScrollBar* GetVScrollBar() const;
    TqzSizeGrip* GetSizeGrip() const;
    TqzDragAndDropState GetDragAndDropState() const { return FDragAndDropState; }
    TqzDragAndDropObject* GetDragAndDropObject();
    bool GetIsDragScrolling() const { return FDragScrolling; }
    bool GetCapturedByMouseDown() const { return FMouseCaptured; }
    const TPoint& GetMouseDownPos() const { return FMouseDownPos; }
    // How often ComputeScrollBarParams ran (for tests of the bar layout).
    Integer GetScrollBarComputeCount() const { return FComputeCount; }

    TNotifyEvent OnFocusChange;
    TqzMouseEnterLeaveEvent OnMouseEntered;
    TqzMouseEnterLeaveEvent OnMouseLeft;

    // The drag image list while a drag runs (only with HasDragImages).
    TDragImageList* GetDragImages() override;

    // ---- Introduced virtuals, in slot order ----
    virtual bool PopupContextMenu(TComponent* menu, Integer x, Integer y);
    virtual void HandleParentBackgroundChange() {}
    virtual void StartDragOrScrolling(TMouseButton button, Integer x, Integer y);
    virtual bool CanDragInDesigner(Integer x, Integer y) { return true; }
    virtual void BeforeMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {}
    virtual void BringScrollBarsToFront();
    virtual void CompleteMouseAction();
    virtual bool CanFocusOnClick();
    virtual bool CanFocusOnClickAt(Integer x, Integer y) { return CanFocusOnClick(); }
    virtual bool CanFocusOnScrollBarClick() { return CanFocusOnClick(); }
    virtual Integer GetBorderSize();
    virtual TRect GetBounds();
    virtual TRect GetClientBounds();
    virtual TCursor GetCursorAt(Integer x, Integer y) { return FControlCursor; }
    virtual bool IsDesigning() const { return GetComponentState().Contains(csDesigning); }
    virtual bool IsFocused() const { return Focused(); }
    // 0 none, 1 horizontal, 2 vertical.
    virtual Integer GetWheelScrollKind();
    virtual bool NeedsEraseBackground() { return false; }
    virtual void AttachScrollBars();
    virtual bool IsOwnScrollBar(TControl* control);
    virtual TqzLookAndFeelPainterClass CurrentPainter() const;
    virtual void HandleLookAndFeelChange() {}
    virtual TRect CalcHScrollBarBounds();
    virtual TRect CalcSizeGripBounds();
    virtual TRect CalcVScrollBarBounds();
    virtual void ComputeScrollBarParams() {}
    virtual bool IsPixelScrolling(TScrollBarKind kind) { return false; }
    virtual bool HasScrollBars() const { return true; }
    virtual bool KeepScrollBarsOnTop() { return true; }
    virtual void ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) {}
    virtual void PlaceScrollBars();
    virtual void UpdateScrollBars();
    virtual TqzDragAndDropObjectClass GetDragAndDropObjectClass();
    virtual void PaintDragImage(TqzCanvas* canvas, const TRect& bounds) {}
    virtual TClass GetDragImagesClass() { return TqzDragImageList::StaticClass(); }
    virtual TSize GetDragImageSize() { return TSize{0, 0}; }
    virtual bool HasDragImages() { return false; }
    virtual void InitDragImages(TDragImageList* images);
    virtual bool CanReceiveFocus();
    virtual bool IsWithinDragThreshold(Integer x, Integer y);

    // ---- Further overridable operations ----
    virtual void HandleColorChange() {}
    virtual void HandleVisibilityChange() {}
    virtual void AddChildComponent(class TqzControlChildComponent* child);
    virtual void RemoveChildComponent(class TqzControlChildComponent* child);
    virtual bool AcceptsUnfocusedMouseDown() { return false; }
    virtual void HandleSizeChange() { UpdateScrollBars(); }
    virtual bool CanStartDragAt(Integer x, Integer y) { return FDragAndDropState == ddsNone; }
    virtual void HandleCursorChange() { FControlCursor = GetCursor(); }
    virtual void CancelMouseOperation() { FMouseCaptured = false; }
    virtual void HandleFocusChange();
    virtual void HandleFontChange() { Invalidate(); }
    virtual bool CapturesDesignMouse(Integer x, Integer y, TShiftState shift);
    virtual TqzDragControlObjectClass GetDragControlObjectClass();
    virtual bool IsFocusableKind() { return true; }
    virtual void HandleMouseEnter(TControl* control) { OnMouseEntered(this, control); }
    virtual void HandleMouseLeave(TControl* control) { OnMouseLeft(this, control); }
    virtual void HandleTextChange() {}
    virtual void MoveDragAndDrop(const TPoint& point, bool accepted);
    virtual void EndDragAndDrop(bool accepted);
    virtual bool CanStartDragAndDrop(const TPoint& point) { return false; }
    virtual bool ValidateDragObject(TDragControlObject* dragObject) { return true; }
    virtual void BeginDragAndDrop();

    // ---- The class-library handlers under the suite's names ----
    virtual void HandleKeyDown(Word& key, TShiftState shift);
    virtual void HandleKeyPress(char32_t& key);
    virtual void HandleKeyUp(Word& key, TShiftState shift);
    virtual void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
    virtual void HandleMouseMove(TShiftState shift, Integer x, Integer y);
    virtual void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
    // Whether the wheel was handled.
    virtual bool HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos);
    virtual void HandleDblClick();
    virtual void HandleResize();
    virtual void HandleContextPopup(POINT mousePos, bool& handled);
    virtual void HandleWindowMessage(TMessage& message);
    // The painting step: the border (BorderStyle single) and the clip area, then nothing here.
    virtual void PaintWithBorder();

    // One ScrollContent line step on a bar: 1 left, 2 right, 3 up, 4 down.
    void ScrollInDirection(Integer direction);
    // Ends a drag-and-drop (not re-entrant).
    void FinishDragAndDrop(bool accepted);
    // Middle-button drag scrolling from the cursor position; returns when it ended.
    void RunDragScrolling();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;
    void Resize() override;
    void WndProc(TMessage& message) override;
    void KeyDown(Word& key, TShiftState shift) override;
    void KeyPress(char32_t& key) override;
    void KeyUp(Word& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    bool DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void DblClick() override;
    void DoContextPopup(POINT mousePos, bool& handled) override;
    void DoStartDrag(TDragObject*& dragObject) override;
    void DoEndDrag(TObject* target, Integer x, Integer y) override;
    void DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept) override;

    void WMGetDlgCode(TMessage& message);
    void WMEraseBkgnd(TMessage& message);
    void WMNCCalcSize(TMessage& message);
    void WMSetCursor(TMessage& message);
    void WMCancelMode(TMessage& message);
    void WMContextMenu(TMessage& message);
    void CNKeyDown(TMessage& message);
    void QZMSystemMetricsChanged(TMessage& message);
    void CMColorChanged(TMessage& message);
    void CMCursorChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
    void CMVisibleChanged(TMessage& message);
    void CMTextChanged(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMDrag(TMessage& message);

private:
    void LookAndFeelChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues changed);
    void BarScroll(TObject* sender, TScrollCode code, Integer& position);
    void CreateScrollBars();
    void DestroyScrollBars();
    void DetectDragAndDrop(TMouseButton button, TShiftState shift, Integer x, Integer y);
    void SetDragAndDropState(TqzDragAndDropState value);
    void FreeDragImages();
    bool BarPlannedVisible(TScrollBarKind kind) const;
    void ShowDisabled(TqzControlScrollBar* bar);

    TBorderStyle FBorderStyle = bsNone;
    bool FCalculating = false;
    std::unique_ptr<TqzCanvas> FControlCanvas;
    TCursor FControlCursor = crDefault;
    std::unique_ptr<TqzDragAndDropObject> FDragAndDropObject;
    TqzDragAndDropObjectClass FDragAndDropObjectClass = nullptr;
    TCursor FDragAndDropPrevCursor = crDefault;
    TqzDragAndDropState FDragAndDropState = ddsNone;
    std::unique_ptr<TDragImageList> FDragImages;
    bool FFinishingDragAndDrop = false;
    bool FFocusOnClick = true;
    TqzControlScrollBar* FHScrollBar = nullptr;
    TqzControlScrollBar* FVScrollBar = nullptr;
    bool FSavedHVisible = false;
    bool FSavedVVisible = false;
    bool FScrollBarsStable = false;
    bool FUpdatingScrollBars = false;
    Integer FUpdateDepth = 0;
    Integer FComputeCount = 0;
    TqzControlWantedKeys FWantedKeys;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    bool FMouseCaptured = false;
    TPoint FMouseDownPos{0, 0};
    TScrollStyle FScrollBars = ssBoth;
    TqzSizeGrip* FSizeGrip = nullptr;
    bool FDragScrolling = false;
    bool FLastParentBackground = true;
    bool FRegistered = false;
    bool FDestroying = false;
};

// A component that belongs to a TqzControl (its parent component).
class TqzControlChildComponent : public TqzComponent {
    KOV_CLASS(TqzControlChildComponent, TqzComponent)
public:
    explicit TqzControlChildComponent(TComponent* owner);
    ~TqzControlChildComponent() override;

    virtual bool IsDestroying() const { return GetComponentState().Contains(csDestroying); }
    virtual void Initialize() {}
    virtual void SetControl(TqzControl* control);
    // With useControlOwner the control's owner owns the new component, else nobody.
    static TqzControlChildComponent* CreateForControl(TClass cls, TqzControl* control, bool useControlOwner);

    TqzControl* GetControl() const { return FControl; }
    TComponent* GetParentComponent() const override { return FControl; }
    bool HasParent() const override { return FControl != nullptr; }
    void SetParentComponent(TComponent* value) override;

private:
    TqzControl* FControl = nullptr;
    TLivenessToken FControlAlive;
};

// ---- Popup window base -------------------------------------------------------------------------

class TqzPopupWindow : public TForm {
    KOV_CLASS(TqzPopupWindow, TForm)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzPopupWindow(TComponent* owner);
    ~TqzPopupWindow() override;

    virtual void CalcPopupPosition(TPoint& point);
    virtual void FitToContents();
    // Side 0 left, 1 top, 2 right, 3 bottom.
    virtual Integer GetSideOffset(Integer side);
    virtual Integer GetBorderWidth(Integer side);
    virtual void TakeOwnerFont();
    virtual void PaintBorder();
    virtual void ClosePopup();
    virtual void Popup();
    // After CM_VISIBLECHANGED; nothing here.
    virtual void HandleVisibleChange() {}

    bool GetAdjustable() const { return FAdjustable; }
    void SetAdjustable(bool value) { FAdjustable = value; }
    Integer GetAlignHorz() const { return FAlignHorz; }
    void SetAlignHorz(Integer value) { FAlignHorz = value; }
    Integer GetAlignVert() const { return FAlignVert; }
    void SetAlignVert(Integer value) { FAlignVert = value; }
    Integer GetDirection() const { return FDirection; }
    void SetDirection(Integer value) { FDirection = value; }
    Integer GetPopupBorderStyle() const { return FPopupBorderStyle; }
    void SetPopupBorderStyle(Integer value);
    Integer GetBorderSpace() const { return FBorderSpace; }
    void SetBorderSpace(Integer value) { FBorderSpace = value; }
    TColor GetFrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor value) { FFrameColor = value; }
    const TRect& GetOwnerBounds() const { return FOwnerBounds; }
    void SetOwnerBounds(const TRect& value) { FOwnerBounds = value; }
    TControl* GetOwnerParent() const { return FOwnerParent; }
    void SetOwnerParent(TControl* value) { FOwnerParent = value; }
    HWND GetPrevActiveWindow() const { return FPrevActiveWindow; }
    TqzCanvas* GetPopupCanvas() const { return FCanvas.get(); }

protected:
    void Deactivate() override;
    void Paint() override;
    void WMActivate(TMessage& message);
    void WMActivateApp(TMessage& message);
    void CMVisibleChanged(TMessage& message);

private:
    bool FAdjustable = true;
    Integer FAlignHorz = 0;
    Integer FAlignVert = 2;
    Integer FDirection = 1;
    Integer FPopupBorderStyle = 0;
    Integer FBorderSpace = 0;
    TColor FFrameColor = clWindowText;
    TRect FOwnerBounds{};
    TControl* FOwnerParent = nullptr;
    HWND FPrevActiveWindow = nullptr;
    std::unique_ptr<TqzCanvas> FCanvas;
    // The side offsets the children were moved by (left, top); undone when the style changes.
    bool FChildrenShifted = false;
    Integer FShiftLeft = 0;
    Integer FShiftTop = 0;
};

// ---- Helpers -----------------------------------------------------------------------------------

Integer CalcPopupMenuHeight(TComponent* popupMenu);
bool IsPopupMenuShortCut(TComponent* popupMenu, TWMKey& message);
bool ShowPopupMenuAt(TControl* control, TComponent* popupMenu, Integer x, Integer y);
// WM_CONTEXTMENU for a control that shows a popup menu of its own. A message already answered is
// left alone. Outside designing, a mouse point outside the client area goes to the window's
// default handling; otherwise contextPopup (the control's context-popup handling, given the
// client point, or (-1, -1) from the keyboard, and the handled flag) runs, and a handled message
// answers 1. What is left goes to the default handling unless the control was freed meanwhile.
void HandleContextMenuMessage(TWinControl* control, TWMContextMenu& message,
                              const std::function<void(POINT, bool&)>& contextPopup);
// Where a control's context popup opens, in screen coordinates: the client point, or the
// client origin for the keyboard's (-1, -1).
POINT ContextPopupScreenPoint(TControl* control, POINT clientPos);
// The work area of the monitor nearest to the point (the desktop work area without the monitor
// functions).
TRect GetMonitorWorkArea(const TPoint& point);
bool AnyParentHasHandle(TControl* control);
Integer DoubleClickInterval();
// Signs and digits in every mode; mode 1 adds the decimal separator, mode 2 also "e" and "E".
bool IsNumericInputChar(char32_t ch, Integer mode);
// Every code point from 32 up.
bool IsPrintableChar(char32_t ch);
Word KeyCharCode(char32_t ch);
void MapRectBetweenWindows(HWND from, HWND to, TRect& rect);
bool IsInDragThresholdBox(const TPoint& pressPoint, Integer x, Integer y);
// SM_CXVSCROLL and SM_CYHSCROLL.
void GetScrollBarMetrics(TSize& metrics);

// The unit's start and end (run once by static initialisation and at exit; tests may call them).
void ControlsUnitInitialize();
void ControlsUnitFinalize();

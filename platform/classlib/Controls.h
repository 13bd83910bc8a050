// The control hierarchy of the class library.
//
// TControl is anything that occupies a rectangle of its parent: bounds, alignment and anchors,
// size constraints, visibility and enabling, colour and font (taken from the parent unless set),
// caption, hint, cursor, mouse events, dragging, and an action it can follow. A TControl without
// a window of its own (TGraphicControl) is painted by its parent and gets its mouse messages
// from the parent. TWinControl owns a window of the window system, created lazily from
// CreateParams; it holds child controls, aligns them, keeps their tab order and handles the
// keyboard. TCustomControl is a TWinControl that paints itself on a canvas.
//
// Messages: every control has a WindowProc (replaceable; WndProc by default). WndProc does the
// common mouse work (capture, dragging) and calls Dispatch, which finds the handler registered
// for the message number by the control's class or its nearest ancestor (KOV_MESSAGE_MAP), else
// DefaultHandler. A handler may free the control; code after a call that may run an event
// handler checks a liveness token, never `this`.
#pragma once

#include "platform/classlib/Alignment.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Messages.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinCore.h"

class TControl;
class TWinControl;
class TDragObject;
class TSizeConstraints;
class TControlActionLink;
class TDragImageList;


// ---- Cursors ----------------------------------------------------------------------------------

using TCursor = SmallInt;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSize = -22;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The identifier of a standard cursor ("crDefault"); false for another number. -22 reads back
// as "crSizeAll".
bool CursorToIdent(Integer cursor, String& ident);
// The number of a cursor identifier (case-insensitive); false for an unknown name.
bool IdentToCursor(const String& ident, Integer& cursor);
// The identifier, or the number in decimal.
String CursorToString(TCursor cursor);
// An identifier or a decimal number; raises EConvertError for anything else.
TCursor StringToCursor(const String& text);
// Hands every cursor identifier to proc, in table order ("crDefault" first).
void GetCursorValues(const std::function<void(const String&)>& proc);
// The system cursor a standard cursor number shows (null for crNone; crDefault gives the arrow).
HCURSOR CursorHandle(TCursor cursor);

// ---- Small types ------------------------------------------------------------------------------

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, ssDouble>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
using TAlignSet = TSet<TAlign, alCustom>;

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind, akBottom>;
inline const TAnchors AnchorAlign[] = {
    {akLeft, akTop},          // alNone
    {akLeft, akTop, akRight}, // alTop
    {akLeft, akRight, akBottom}, // alBottom
    {akLeft, akTop, akBottom},   // alLeft
    {akRight, akTop, akBottom},  // alRight
    {akLeft, akTop, akRight, akBottom}, // alClient
    {akLeft, akTop},                    // alCustom
};

using TLeftRight = TAlignment;
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

enum TDragMode { dmManual, dmAutomatic };
// The input-method mode a windowed control asks for. Stored only: the desktop's input method is
// not steered by it.
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};
using TImeName = String;
// What a scaling of a control changes (all of it when a form is scaled as a whole).
enum TScalingFlag { sfLeft, sfTop, sfWidth, sfHeight, sfFont };
using TScalingFlags = TSet<TScalingFlag, sfFont>;
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = TSet<TControlStyleItem, csMenuEvents>;

enum TControlStateItem {
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = TSet<TControlStateItem, csDocking>;

// ---- Events -----------------------------------------------------------------------------------

using TMouseEvent = TClosure<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = TClosure<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
// Key is the virtual key; setting it to 0 ends the key's handling.
using TKeyEvent = TClosure<void(TObject* Sender, Word& Key, TShiftState Shift)>;
// Key is the character typed, one code point; setting it to 0 drops the character.
using TKeyPressEvent = TClosure<void(TObject* Sender, char32_t& Key)>;
using TMouseWheelEvent =
    TClosure<void(TObject* Sender, TShiftState Shift, Integer WheelDelta, POINT MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = TClosure<void(TObject* Sender, TShiftState Shift, POINT MousePos, bool& Handled)>;
using TContextPopupEvent = TClosure<void(TObject* Sender, POINT MousePos, bool& Handled)>;
using TCanResizeEvent = TClosure<void(TObject* Sender, Integer& NewWidth, Integer& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent = TClosure<void(TObject* Sender, Integer& MinWidth, Integer& MinHeight,
                                              Integer& MaxWidth, Integer& MaxHeight)>;
using TDragOverEvent =
    TClosure<void(TObject* Sender, TObject* Source, Integer X, Integer Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TClosure<void(TObject* Sender, TObject* Source, Integer X, Integer Y)>;
using TStartDragEvent = TClosure<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = TClosure<void(TObject* Sender, TObject* Target, Integer X, Integer Y)>;

// ---- Shift state ------------------------------------------------------------------------------

// From the MK_* keys of a mouse message (Alt from the keyboard state).
TShiftState KeysToShiftState(WORD keys);
// From the key data of a key message (Shift and Ctrl from the keyboard state, Alt from the data).
TShiftState KeyDataToShiftState(LONG keyData);
// The keyboard and mouse buttons as they are now.
TShiftState GetShiftState();

// ---- Message maps -----------------------------------------------------------------------------
// A class that handles messages declares so right after KOV_CLASS and registers its handlers
// beside its definition:
//
//     class TMyControl : public TCustomControl {
//         KOV_CLASS(TMyControl, TCustomControl)
//         KOV_DECLARE_MESSAGE_MAP
//     protected:
//         void WMPaint(TWMPaint& message);
//         void CMTextChanged(TMessage& message);
//     };
//
//     KOV_MESSAGE_MAP(TMyControl) {
//         map.Message(WM_PAINT, &TMyControl::WMPaint);
//         map.Message(CM_TEXTCHANGED, &TMyControl::CMTextChanged);
//     }
//
// A handler takes a TMessage or a typed record (Messages.h). Dispatch looks for the message in
// the map of the object's class, then of each ancestor; a handler passes a message on to its
// ancestors with KOV_INHERITED(message) (the nearest ancestor's handler, else DefaultHandler).

namespace kov_detail {
using TMessageThunk = std::function<void(TObject* self, TMessage& message)>;
void AddMessageHandler(TClass cls, UINT message, TMessageThunk thunk);
// The handler of `message` that `cls` or its nearest ancestor registered; null when none.
const TMessageThunk* FindMessageHandler(TClass cls, UINT message);
}  // namespace kov_detail

template <class C>
class TMessageMapBuilder {
public:
    template <class B>
    void Message(UINT message, void (B::*handler)(TMessage&)) {
        static_assert(std::is_base_of_v<B, C>);
        kov_detail::AddMessageHandler(C::StaticClass(), message, [handler](TObject* self, TMessage& m) {
            (static_cast<C*>(self)->*handler)(m);
        });
    }
    template <class B, class R>
    void Message(UINT message, void (B::*handler)(R&)) {
        static_assert(std::is_base_of_v<B, C>);
        kov_detail::AddMessageHandler(C::StaticClass(), message, [handler](TObject* self, TMessage& m) {
            R record = R::From(m);
            (static_cast<C*>(self)->*handler)(record);
            record.To(m);
        });
    }
};

namespace kov_detail {
template <class C>
bool RegisterMessageMap() {
    TMessageMapBuilder<C> builder;
    C::KovRegisterMessageMap(builder);
    return true;
}
}  // namespace kov_detail

#define KOV_DECLARE_MESSAGE_MAP                                                                             \
public:                                                                                                     \
    static void KovRegisterMessageMap(::TMessageMapBuilder<KovSelf>& map);                                  \
                                                                                                            \
private:

#define KOV_MESSAGE_MAP(Class)                                                                              \
    namespace {                                                                                             \
    const bool KOV_PUBLISHED_CAT(KovMessageMap_, __LINE__) = ::kov_detail::RegisterMessageMap<Class>();     \
    }                                                                                                       \
    void Class::KovRegisterMessageMap([[maybe_unused]] ::TMessageMapBuilder<Class>& map)

// ---- Size constraints -------------------------------------------------------------------------

// Minimum and maximum width and height of a control; 0 means no limit. A maximum below the
// minimum is raised to it.
class TSizeConstraints : public TPersistent {
    KOV_CLASS(TSizeConstraints, TPersistent)
public:
    explicit TSizeConstraints(TControl* control = nullptr) : FControl(control) {}

    Integer GetMaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(Integer value);
    Integer GetMaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(Integer value);
    Integer GetMinHeight() const { return FMinHeight; }
    void SetMinHeight(Integer value);
    Integer GetMinWidth() const { return FMinWidth; }
    void SetMinWidth(Integer value);
    TControl* GetControl() const { return FControl; }

    void Assign(TPersistent* source) override;
    TNotifyEvent OnChange;

protected:
    // Re-applies the constraints to the control's size, then OnChange.
    virtual void Change();

private:
    TControl* FControl;
    Integer FMaxHeight = 0;
    Integer FMaxWidth = 0;
    Integer FMinHeight = 0;
    Integer FMinWidth = 0;
};

// ---- Drag and drop ------------------------------------------------------------------------------

// What travels with a CM_DRAG message.
struct TDragRec {
    POINT Pos{};  // screen coordinates
    TDragObject* Source = nullptr;
    TControl* Target = nullptr;
    bool Docking = false;
};

// The object being dragged. The source control makes one (OnStartDrag, or a TDragControlObject
// by default) and the drag frees the default one when it ends.
class TDragObject : public TObject {
    KOV_CLASS(TDragObject, TObject)
public:
    TDragObject() = default;

    // The cursor shown over a target: DragCursor of the source when accepted, crNoDrop otherwise.
    virtual TCursor GetDragCursor(bool accepted, Integer x, Integer y);
    // The drag ended on `target` (null: nowhere), at x, y in its client coordinates.
    virtual void Finished(TObject* target, Integer x, Integer y, bool accepted);
    // The name the target sees for the source (in OnDragOver/OnDragDrop: the control).
    virtual TObject* GetSource() { return this; }
    // The image list whose drag image follows the pointer while the drag runs; none here.
    virtual TDragImageList* GetDragImages() { return nullptr; }
    // Hide and show that list's drag image (around painting under it).
    virtual void HideDragImage();
    virtual void ShowDragImage();

    POINT GetDragPos() const { return FDragPos; }
    TControl* GetDragTarget() const { return FDragTarget; }
    POINT GetDragTargetPos() const { return FDragTargetPos; }
    bool GetCancelling() const { return FCancelling; }
    bool GetDropped() const { return FDropped; }
    HWND GetDragHandle() const { return FDragHandle; }

private:
    friend class TDragEngine;
    POINT FDragPos{};
    TControl* FDragTarget = nullptr;
    POINT FDragTargetPos{};
    bool FCancelling = false;
    bool FDropped = false;
    HWND FDragHandle = nullptr;
};

// Drags a control: the targets see the control as the source, and the control's OnEndDrag
// runs when the drag ends.
class TDragControlObject : public TDragObject {
    KOV_CLASS(TDragControlObject, TDragObject)
public:
    explicit TDragControlObject(TControl* control) : FControl(control) {}
    TControl* GetControl() const { return FControl; }
    void SetControl(TControl* value) { FControl = value; }

    TCursor GetDragCursor(bool accepted, Integer x, Integer y) override;
    void Finished(TObject* target, Integer x, Integer y, bool accepted) override;
    TObject* GetSource() override;
    // The control's drag images.
    TDragImageList* GetDragImages() override;

private:
    TControl* FControl;
};

// The control being dragged now (null when no drag runs or is pending).
TControl* GetDragControl();
// Cancels a running or pending drag.
void CancelDrag();
// The control under a screen point that accepts drops: the innermost enabled control (windowed
// or graphic); null when the point is outside our controls.
TControl* FindDragTarget(POINT pos, bool allowDisabled);
// How far the mouse moves (pixels, either direction) before a pending drag starts; the class
// library's Mouse object reads and writes it. 5 by default.
Integer GetDragThreshold();
void SetDragThreshold(Integer value);
// Whether a control in automatic drag mode starts dragging at the press itself (true by
// default) or only past the threshold; the Mouse object reads and writes it.
bool GetDragImmediate();
void SetDragImmediate(bool value);

// ---- Hints ----------------------------------------------------------------------------------------

struct THintInfo {
    TControl* HintControl = nullptr;
    POINT HintPos{};
    Integer HintMaxWidth = 0;
    TColor HintColor = 0;
    RECT CursorRect{};
    POINT CursorPos{};
    Integer ReshowTimeout = 0;
    Integer HideTimeout = 0;
    String HintStr;
    void* HintData = nullptr;
};

// ---- TControl ---------------------------------------------------------------------------------

class TControl : public TComponent {
    KOV_CLASS(TControl, TComponent)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    // ---- Parent and geometry ----
    TWinControl* GetParent() const { return FParent; }
    // Moves the control into `value`'s controls (null: out of any). Raises EInvalidOperation
    // "Control '%s' has no parent window" style errors only where a window is needed later.
    virtual void SetParent(TWinControl* value);

    Integer GetLeft() const { return FLeft; }
    void SetLeft(Integer value);
    Integer GetTop() const { return FTop; }
    void SetTop(Integer value);
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value);
    Integer GetHeight() const { return FHeight; }
    void SetHeight(Integer value);
    // Moves and sizes the control in its parent's client coordinates, asking CanResize and
    // applying the constraints first; a change realigns the parent and runs OnResize.
    virtual void SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight);
    // Scales the control by m/d: every scaling flag set, then ChangeScale.
    void ScaleBy(Integer m, Integer d);
    // Left, top, width and height (those in the scaling flags) by MulDiv(value, m, d), and the
    // font's size when sfFont is set and the font is not the parent's; the flags are cleared.
    // A windowed control scales its children after itself.
    virtual void ChangeScale(Integer m, Integer d);
    TScalingFlags GetScalingFlags() const { return FScalingFlags; }
    void SetScalingFlags(TScalingFlags value) { FScalingFlags = value; }
    RECT GetBoundsRect() const;
    void SetBoundsRect(const RECT& value);

    // (0, 0, ClientWidth, ClientHeight).
    virtual RECT GetClientRect() const;
    Integer GetClientWidth() const;
    void SetClientWidth(Integer value);
    Integer GetClientHeight() const;
    void SetClientHeight(Integer value);
    // The screen position of the client area's top-left corner.
    virtual POINT GetClientOrigin() const;
    POINT ClientToScreen(POINT point) const;
    POINT ScreenToClient(POINT point) const;
    POINT ClientToParent(POINT point, TWinControl* parent = nullptr) const;
    POINT ParentToClient(POINT point, TWinControl* parent = nullptr) const;

    TAlign GetAlign() const { return FAlign; }
    void SetAlign(TAlign value);
    TAnchors GetAnchors() const { return FAnchors; }
    void SetAnchors(TAnchors value);
    TSizeConstraints* GetConstraints() const { return FConstraints.get(); }
    void SetConstraints(TSizeConstraints* value);
    bool GetAutoSize() const { return FAutoSize; }
    virtual void SetAutoSize(bool value);

    // ---- Appearance ----
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    void Show();
    void Hide();
    virtual bool GetEnabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);
    // Whether the control looks enabled: it and each parent below its top-level window are
    // enabled. Controls paint their disabled look when this is false.
    bool IsShownEnabled() const;
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value);
    bool GetParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    // Caption and Text are the same string. A change sends CM_TEXTCHANGED.
    String GetText() const;
    void SetText(const String& value);
    String GetCaption() const { return GetText(); }
    void SetCaption(const String& value) { SetText(value); }
    const String& GetHint() const { return FHint; }
    void SetHint(const String& value) { FHint = value; }
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool GetParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);
    // A TPopupMenu (Menus.h); the control is told when it is freed.
    // Virtual: a control hosted by another may answer its host's menu.
    virtual TComponent* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TComponent* value);
    Integer GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(Integer value) { FHelpContext = value; }
    TBiDiMode GetBiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool IsRightToLeft() const { return false; }

    TControlStyle GetControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle value) { FControlStyle = value; }
    TControlState GetControlState() const { return FControlState; }
    void SetControlState(TControlState value) { FControlState = value; }

    // ---- Messages ----
    // Sends a message through WindowProc and returns its result.
    LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
    // The replaceable message entry; WndProc unless changed.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage& message);
    // `message` is a TMessage.
    virtual void Dispatch(void* message);
    // Messages nobody handles: TControl answers the text messages and leaves the rest at 0.
    virtual void DefaultHandler(void* message);

    // ---- Painting ----
    // Marks the control's area for painting (of its parent, for a graphic control).
    virtual void Invalidate();
    // Invalidates and paints at once.
    virtual void Repaint();
    void Refresh() { Repaint(); }
    // Paints what is invalid now.
    virtual void Update();
    void BringToFront();
    void SendToBack();
    // Paints into `dc` (graphic controls; windowed controls override).
    virtual bool HasParentBackground() const { return false; }

    // ---- Mouse ----
    bool GetMouseCapture() const;
    void SetMouseCapture(bool value);

    // ---- Actions ----
    TBasicAction* GetAction() const;
    void SetAction(TBasicAction* value);
    // Runs the action's update (as the application does when idle).
    virtual void InitiateAction();

    // ---- Dragging ----
    // Starts a drag: at once, or once the mouse has moved `threshold` pixels (-1: the drag
    // threshold) with the left button down.
    void BeginDrag(bool immediate, Integer threshold = -1);
    // Ends the running drag of this control, dropping on the target under the mouse or not.
    void EndDrag(bool drop);
    bool Dragging() const;
    TDragMode GetDragMode() const { return FDragMode; }
    virtual void SetDragMode(TDragMode value) { FDragMode = value; }
    TDragKind GetDragKind() const { return FDragKind; }
    void SetDragKind(TDragKind value) { FDragKind = value; }
    TCursor GetDragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor value) { FDragCursor = value; }
    // The source was dropped here: OnDragDrop.
    virtual void DragDrop(TObject* source, Integer x, Integer y);
    // The image list a drag of this control shows; none here.
    virtual TDragImageList* GetDragImages() { return nullptr; }

    // ---- Component and streaming ----
    void SetName(const String& value) override;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

    // Whether the control shows: visible itself and inside a showing parent.
    virtual bool IsShowing() const;
    // The window the control draws on: its own (TWinControl) or its parent's.
    HWND GetParentHandle() const;

    // ---- Events ----
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TContextPopupEvent OnContextPopup;
    TNotifyEvent OnResize;
    TCanResizeEvent OnCanResize;
    TConstrainedResizeEvent OnConstrainedResize;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;

    // Whether the colour and font are stored (they are not while taken from the parent).
    bool IsParentColorStored() const { return !FParentColor; }
    bool IsParentFontStored() const { return !FParentFont; }
    bool IsShowHintStored() const { return !FParentShowHint; }

    // ---- Hooks a user of the control may call ----
    virtual void Click();
    virtual void DblClick();
    // An action without a handler of its own looks for a target among the focused control and
    // the forms: a control takes it when the action handles it as a target (the action then acts
    // on it). True when taken.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);

protected:
    friend class TWinControl;
    friend class TSizeConstraints;
    friend class TControlActionLink;
    friend class TDragControlObject;
    friend class TDragEngine;

    // Passes a message to the nearest ancestor's handler of the class that handles it, else
    // DefaultHandler: `InheritedMessage(message)` inside a message handler of class C means the
    // handler of C's ancestors. Usage: KOV_INHERITED(message).
    void DispatchFrom(TClass cls, TMessage& message);

    // Geometry and sizing.
    virtual bool CanResize(Integer& newWidth, Integer& newHeight);
    virtual bool CanAutoSize(Integer& newWidth, Integer& newHeight);
    virtual void ConstrainedResize(Integer& minWidth, Integer& minHeight, Integer& maxWidth, Integer& maxHeight);
    virtual void DoConstraintsChange(TObject* sender);
    virtual void Resize();
    virtual void AdjustSize();
    // Asks the parent to align its controls again.
    virtual void RequestAlign();
    virtual void SetZOrder(bool topMost);
    virtual void VisibleChanging() {}
    virtual void UpdateBoundsRect(const RECT& r);
    virtual void ChangeBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight);
    // The anchoring distances to the parent's edges are taken again.
    void UpdateAnchorRules();
    void DoConstrainedResize(Integer& newWidth, Integer& newHeight);

    // Mouse.
    virtual void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
    virtual void MouseMove(TShiftState shift, Integer x, Integer y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
    virtual bool DoMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos);
    virtual bool DoMouseWheelDown(TShiftState shift, POINT mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, POINT mousePos);
    virtual void DoContextPopup(POINT mousePos, bool& handled);

    // Dragging.
    virtual void DoStartDrag(TDragObject*& dragObject);
    virtual void DoEndDrag(TObject* target, Integer x, Integer y);
    virtual void DragOver(TObject* source, Integer x, Integer y, TDragState state, bool& accept);
    virtual void DragCanceled() {}

    // Actions.
    virtual void ActionChange(TObject* sender, bool checkDefaults);
    virtual TControlActionLink* CreateActionLink();
    TControlActionLink* GetActionLink() const { return FActionLink.get(); }

    // Text storage of a control without a window.
    virtual void SetTextValue(const String& value) { FText = value; }
    virtual String GetTextValue() const { return FText; }

    // The font or colour changed: tells the control (CM_FONTCHANGED/CM_COLORCHANGED).
    virtual void FontChanged(TObject* sender);

    // Message handlers of TControl.
    // Hands a mouse message to the default handling first; false when that freed the control.
    bool InheritedMouse(TWMMouse& message);
    void WMLButtonDown(TWMMouse& message);
    void WMRButtonDown(TWMMouse& message);
    void WMMButtonDown(TWMMouse& message);
    void WMLButtonDblClk(TWMMouse& message);
    void WMRButtonDblClk(TWMMouse& message);
    void WMMButtonDblClk(TWMMouse& message);
    void WMLButtonUp(TWMMouse& message);
    void WMRButtonUp(TWMMouse& message);
    void WMMButtonUp(TWMMouse& message);
    void WMMouseMove(TWMMouse& message);
    void WMMouseWheel(TWMMouseWheel& message);
    void WMCancelMode(TMessage& message);
    void WMWindowPosChanged(TWMWindowPosMsg& message);
    void WMContextMenu(TWMContextMenu& message);
    void CMVisibleChanged(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
    void CMColorChanged(TMessage& message);
    void CMParentColorChanged(TMessage& message);
    void CMParentFontChanged(TMessage& message);
    void CMParentShowHintChanged(TMessage& message);
    void CMHitTest(TCMHitTest& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMDesignHitTest(TMessage& message);
    void CMMouseWheel(TCMMouseWheel& message);
    void CMDrag(TCMDrag& message);

    TWinControl* FParent = nullptr;
    Integer FLeft = 0;
    Integer FTop = 0;
    Integer FWidth = 0;
    Integer FHeight = 0;
    TControlStyle FControlStyle;
    TControlState FControlState;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = TColor(0xFF00000F);  // clBtnFace
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FDesktopFont = false;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    bool FAutoSize = false;
    std::unique_ptr<TSizeConstraints> FConstraints;
    // Anchoring: the distances to the parent's right and bottom edges (or the centre) kept
    // while the parent resizes.
    POINT FAnchorRules{};
    POINT FOriginalParentSize{};
    RECT FAnchorOrigin{};  // the bounds the anchoring distances were taken from
    bool FAnchorMove = false;
    bool FMouseInControl = false;

private:
    void DoMouseDown(TWMMouse& message, TMouseButton button, TShiftState shift);
    void DoMouseUp(TWMMouse& message, TMouseButton button);
    void SendCancelMode(TControl* sender);
    void BeginAutoDrag();
    bool CheckNewSize(Integer& newWidth, Integer& newHeight);
    void ParentColorChanged();
    void ParentFontChanged();
    void InitiateActionChange(TObject* sender);

    String FText;
    String FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TComponent* FPopupMenu = nullptr;
    Integer FHelpContext = 0;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TDragMode FDragMode = dmManual;
    TScalingFlags FScalingFlags;
    TDragKind FDragKind = dkDrag;
    TCursor FDragCursor = crDrag;
    std::unique_ptr<TControlActionLink> FActionLink;
};

// Inside a message handler of class C: hands the message to C's ancestors.
#define KOV_INHERITED(message) DispatchFrom(KovSelf::StaticClass()->ClassParent(), (message))

// ---- TWinControl --------------------------------------------------------------------------------

// The parameters of a window to be created.
struct TCreateParams {
    String Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    Integer X = 0;
    Integer Y = 0;
    Integer Width = 0;
    Integer Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSA WindowClass{};
    String WinClassName;
};

// The brush a windowed control answers its window's colour messages with, kept in step with its
// Color.
class TControlBrush {
public:
    HBRUSH Get(TColor color);

private:
    std::unique_ptr<TBrush> FBrush;
};

class TWinControl : public TControl {
    KOV_CLASS(TWinControl, TControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TWinControl(TComponent* owner);
    // A control living in a window that is not a control of ours (the parent window).
    static TWinControl* CreateParented(TClass cls, HWND parentWindow);
    ~TWinControl() override;

    // ---- Window ----
    // The window, created on first use (with the parent's window first).
    HWND GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Creates the window now when it does not exist. Raises EInvalidOperation "Control '%s' has
    // no parent window" for a child control without a parent window.
    void HandleNeeded();
    // Destroys the window and makes it again with the control's state (a change of style).
    void RecreateWnd();
    // A window of another owner this control lives in (CreateParented).
    HWND GetParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND value);

    // ---- Children ----
    Integer GetControlCount() const { return Integer(FControls.size() + FWinControls.size()); }
    // Graphic controls first (in z-order), then windowed controls (in z-order).
    TControl* GetControls(Integer index) const;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    bool ContainsControl(const TControl* control) const;
    // The child at a client point (graphic and windowed, the topmost, visible ones; disabled
    // ones too when allowDisabled); with allLevels the deepest control.
    TControl* ControlAtPos(POINT pos, bool allowDisabled, bool allowWinControls = true, bool allLevels = false);
    // Sends the message to every child control until one answers non-zero.
    void Broadcast(TMessage& message);
    void NotifyControls(UINT msg);
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void SetChildOrder(TComponent* child, Integer order) override;

    // ---- Focus and tab order ----
    Integer GetTabOrder() const;
    void SetTabOrder(Integer value);
    bool GetTabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    virtual bool CanFocus() const;
    // Gives the focus to the control's window. Raises EInvalidOperation "Cannot focus a
    // disabled or invisible window" when it cannot have it.
    virtual void SetFocus();
    virtual bool Focused() const;
    // The windowed children that take part in tab order, depth first. A control that hosts
    // another in its own place (a styled container) overrides it.
    virtual void GetTabOrderList(std::vector<TWinControl*>& list) const;
    void GetTabOrderList(TList* list) const;
    // The control after (before) `current` in tab order among this control's descendants,
    // wrapping; checkTabStop: only tab stops; checkParent: only direct children.
    TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop, bool checkParent);
    void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

    // ---- Alignment ----
    void DisableAlign();
    void EnableAlign();
    void Realign();
    bool AlignDisabled() const { return FAlignLevel > 0; }
    // The client rectangle children are aligned in.
    virtual void AdjustClientRect(RECT& rect);
    RECT GetClientRect() const override;
    POINT GetClientOrigin() const override;

    // ---- Appearance ----
    bool GetShowing() const { return FShowing; }
    bool IsShowing() const override;
    bool GetParentBackground() const { return FParentBackground; }
    virtual void SetParentBackground(bool value);
    bool HasParentBackground() const override { return FParentBackground; }
    bool GetDoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    bool GetCtl3D() const { return FCtl3D; }
    // Input-method settings, kept as values (see TImeMode).
    TImeMode GetImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode value) { FImeMode = value; }
    const TImeName& GetImeName() const { return FImeName; }
    void SetImeName(const TImeName& value) { FImeName = value; }
    bool IsCtl3DStored() const { return !FParentCtl3D; }
    void SetCtl3D(bool value);
    bool GetParentCtl3D() const { return FParentCtl3D; }
    void SetParentCtl3D(bool value);
    // Paints the control and its children into a device context at x, y.
    void PaintTo(HDC dc, Integer x, Integer y);
    void Invalidate() override;
    void Repaint() override;
    void Update() override;
    void SetBounds(Integer aLeft, Integer aTop, Integer aWidth, Integer aHeight) override;
    void ChangeScale(Integer m, Integer d) override;

    // ---- Keyboard ----
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    // Whether the form this control sits on sees keys first; forms override.
    virtual bool GetKeyPreview() const { return false; }

    // ---- The root of a control tree (the form) ----
    // A control that makes a top-level window of its own (a form) answers true: its children
    // show when it shows.
    virtual bool IsTopLevel() const { return false; }
    // Called on the root when `control` got the focus: the base sends CM_EXIT to the controls
    // that lost it and CM_ENTER to those that gained it (outermost first), then CM_FOCUSCHANGED
    // to every control of the tree. False when nothing changed.
    virtual bool SetFocusedControl(TWinControl* control);
    // Called on the root by a control's SetFocus: the base focuses the control's window.
    virtual void FocusControl(TWinControl* control);
    // Called on the root when `control` (with its children) leaves the tree or can no longer
    // hold the focus: the root forgets it as its focused control. A form also moves its active
    // control to the control's parent.
    virtual void DefocusControl(TWinControl* control, bool removing);
    // The control of this tree that has the focus (as told to SetFocusedControl).
    TWinControl* GetFocusedControl() const { return FFocusedControl; }

    void WndProc(TMessage& message) override;
    void DefaultHandler(void* message) override;

    // The window procedure of the original window class (a subclassed standard window class),
    // or DefWindowProcA.
    WNDPROC GetDefWndProc() const { return FDefWndProc; }
    // Handles a message of the window system for this control: WindowProc, with exceptions
    // handed to the window system's exception handler (the application shows them).
    void MainWndProc(TMessage& message);

    void SetParent(TWinControl* value) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

protected:
    friend class TControl;

    // ---- Window creation ----
    virtual void CreateParams(TCreateParams& params);
    // Makes the window class a copy of a standard window class (button, edit, ...), whose
    // procedure gets the messages the control does not handle.
    void CreateSubClass(TCreateParams& params, const char* controlClassName);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void CreateHandle();
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void DestroyHandle();
    // The window's creation finished (the children's windows are made after it).
    virtual void CreateParentedControl() {}
    void UpdateControlState();
    virtual void ShowControl(TControl* control);

    // ---- Alignment ----
    virtual void AlignControls(TControl* control, RECT& rect);
    void AlignControl(TControl* control);
    // Whether `control` is arranged by alignment or anchors at all.
    virtual bool CustomAlignInsertBefore(TControl* c1, TControl* c2) { return false; }
    virtual void CustomAlignPosition(TControl* control, Integer& newLeft, Integer& newTop, Integer& newWidth,
                                     Integer& newHeight, RECT& alignRect) {}
    void AdjustSize() override;
    virtual void DoAutoSize();

    // ---- Painting ----
    virtual void PaintWindow(HDC dc);
    // Paints the graphic children onto `dc` in z-order, each clipped to its bounds.
    void PaintControls(HDC dc, TControl* first);
    void PaintHandler(TWMPaint& message);

    // ---- Keyboard ----
    virtual bool DoKeyDown(TWMKey& message);
    virtual bool DoKeyPress(TWMKey& message);
    virtual bool DoKeyUp(TWMKey& message);
    virtual void KeyDown(Word& key, TShiftState shift);
    virtual void KeyPress(char32_t& key);
    virtual void KeyUp(Word& key, TShiftState shift);
    virtual void DoEnter();
    virtual void DoExit();
    // Whether a mouse message at a point of this control's client area belongs to a graphic
    // child; such messages are handed to that child.
    bool IsControlMouseMsg(TWMMouse& message);
    virtual void SetZOrder(bool topMost) override;

    // Message handlers.
    void WMPaint(TWMPaint& message);
    void WMEraseBkgnd(TWMEraseBkgnd& message);
    void WMCommand(TMessage& message);
    void WMNotify(TMessage& message);
    void WMCompareItem(TMessage& message);
    void WMDeleteItem(TMessage& message);
    void WMDrawItem(TMessage& message);
    void WMMeasureItem(TMessage& message);
    void WMCtlColor(TMessage& message);
    void WMHScroll(TMessage& message);
    void WMVScroll(TMessage& message);
    void WMSize(TWMSize& message);
    void WMMove(TWMMove& message);
    void WMWindowPosChanged(TWMWindowPosMsg& message);
    void WMSetCursor(TWMSetCursor& message);
    void WMSetFocus(TMessage& message);
    void WMKillFocus(TMessage& message);
    void WMKeyDown(TWMKey& message);
    void WMSysKeyDown(TWMKey& message);
    void WMKeyUp(TWMKey& message);
    void WMSysKeyUp(TWMKey& message);
    void WMChar(TWMKey& message);
    void WMNCDestroy(TMessage& message);
    void WMNCHitTest(TMessage& message);
    void WMDestroy(TMessage& message);
    void WMSetText(TMessage& message);
    void CNKeyDown(TWMKey& message);
    void CNKeyUp(TWMKey& message);
    void CNChar(TWMKey& message);
    void CNSysKeyDown(TWMKey& message);
    void CNSysChar(TWMKey& message);
    void CMChildKey(TCMChildKey& message);
    void CMDialogKey(TMessage& message);
    void CMDialogChar(TMessage& message);
    void CMEnter(TMessage& message);
    void CMExit(TMessage& message);
    void CMFocusChanged(TCMFocusChanged& message);
    void CMVisibleChanged(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMShowingChanged(TMessage& message);
    void CMShowHintChanged(TMessage& message);
    void CMColorChanged(TMessage& message);
    void CMFontChanged(TMessage& message);
    void CMCtl3DChanged(TMessage& message);
    void CMParentCtl3DChanged(TMessage& message);
    void CMSysColorChange(TMessage& message);
    void CMSysFontChanged(TMessage& message);
    void CMWinIniChange(TMessage& message);
    void CMFontChange(TMessage& message);
    void CMTimeChange(TMessage& message);
    void CMCursorChanged(TMessage& message);
    void CMInvalidate(TMessage& message);
    void CMRecreateWnd(TMessage& message);
    void CMBorderChanged(TMessage& message);
    void CMDrag(TCMDrag& message);
    void CMTabStopChanged(TMessage& message);
    void WMSysColorChange(TMessage& message);
    void WMWinIniChange(TMessage& message);
    void WMFontChange(TMessage& message);
    void WMTimeChange(TMessage& message);
    void WMGetDlgCode(TMessage& message);
    void WMContextMenu(TWMContextMenu& message);
    void WMMouseWheel(TWMMouseWheel& message);
    void WMCancelMode(TMessage& message);
    void WMSetRedraw(TMessage& message);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    HWND FParentWindow = nullptr;
    bool FShowing = false;
    bool FTabStop = false;
    bool FCtl3D = true;
    bool FParentCtl3D = true;
    bool FParentBackground = false;
    bool FDoubleBuffered = false;
    TImeMode FImeMode = imDontCare;
    TImeName FImeName;
    Integer FAlignLevel = 0;
    Integer FBorderWidth = 0;

private:
    friend struct TWinControlAccess;
    friend class TControlWindowProc;
    void UpdateShowing();
    void AlignKids();
    void DoAlign(TAlign align, RECT& rect, std::vector<TControl*>& alignList, TControl* control);
    void ArrangeAnchored(const RECT& rect);
    void InsertChild(TControl* control);
    void RemoveChild(TControl* control);
    void UpdateTabOrder(Integer value);
    void SetChildZPosition(TControl* control, Integer position);
    void SaveWindowState();
    bool ReflectNotification(TMessage& message, HWND child);
    static HWND GetDlgItemWindow(TMessage& message);
    void UpdateBoundsFromWindow();
    void UpdateMouseControl(TControl* control);
    void FixupTabList();
    void PaintChildWindowsTo(HDC dc);

    std::vector<TControl*> FControls;     // graphic controls, bottom first
    std::vector<TWinControl*> FWinControls;  // windowed controls, bottom first
    std::vector<TWinControl*> FTabList;
    TWinControl* FFocusedControl = nullptr;
    Integer FTabOrderPending = -1;
    bool FSettingBounds = false;
    bool FSavedText = false;
    bool FRecreating = false;
    bool FAlignPending = false;
};

// ---- The canvas of a control ------------------------------------------------------------------------

// Draws on a control: over a window context of the control (GetDC, released by FreeHandle)
// unless a context was handed to it (the paint context while the control paints). A graphic
// control's canvas draws on its parent's window, moved to and clipped by the control's bounds.
class TControlCanvas : public TCanvas {
    KOV_CLASS(TControlCanvas, TCanvas)
public:
    TControlCanvas() = default;
    ~TControlCanvas() override;

    TControl* GetControl() const { return FControl; }
    void SetControl(TControl* value);
    // Releases a context the canvas got itself.
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl* FControl = nullptr;
    HDC FDeviceContext = nullptr;
    HWND FWindowHandle = nullptr;
};

// ---- TCustomControl and TGraphicControl ------------------------------------------------------------

// A windowed control that paints itself: Paint draws on Canvas while the window paints.
class TCustomControl : public TWinControl {
    KOV_CLASS(TCustomControl, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomControl(TComponent* owner);
    ~TCustomControl() override;
    TCanvas* GetCanvas() const;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;
    void WMPaint(TWMPaint& message);

    std::unique_ptr<TCanvas> FCanvas;
};

// A control without a window: its parent paints it (Paint on Canvas, clipped to its bounds)
// and hands it the mouse messages over its rectangle.
class TGraphicControl : public TControl {
    KOV_CLASS(TGraphicControl, TControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;
    TCanvas* GetCanvas() const;

protected:
    virtual void Paint() {}
    void WMPaint(TWMPaint& message);

    std::unique_ptr<TCanvas> FCanvas;
};

// ---- Actions on controls ----------------------------------------------------------------------

class TControlActionLink : public TActionLink {
    KOV_CLASS(TControlActionLink, TActionLink)
public:
    explicit TControlActionLink(TObject* client);

    bool IsCaptionLinked() override;
    bool IsEnabledLinked() override;
    bool IsHelpContextLinked() override;
    bool IsHintLinked() override;
    bool IsVisibleLinked() override;
    bool IsOnExecuteLinked() override;

protected:
    void AssignClient(TObject* client) override;
    void SetCaption(const String& value) override;
    void SetEnabled(bool value) override;
    void SetHelpContext(Integer value) override;
    void SetHint(const String& value) override;
    void SetVisible(bool value) override;
    void SetOnExecute(const TNotifyEvent& value) override;

    TControl* FClient = nullptr;
};

namespace kov_detail {
// Control canvases let go of the contexts they hold on a window before it is destroyed.
void FreeControlCanvasContexts(HWND window);
// The graphic control holding the capture through its parent's window.
TControl*& CaptureGraphicControl();
// The control the mouse is over (CM_MOUSEENTER/CM_MOUSELEAVE).
TControl*& MouseOverControl();
}  // namespace kov_detail

// ---- Class groups ------------------------------------------------------------------------------

// Puts a class into the group of another (for a designer's class lists); it is only recorded.
void GroupDescendentsWith(TClass cls, TClass ancestor);
// The class a class was grouped with, or nullptr.
TClass GetClassGroup(TClass cls);

// ---- Finding controls -------------------------------------------------------------------------

// The windowed control whose window this is (null for other windows).
TWinControl* FindControl(HWND window);
// The control under a screen point: the windowed control there, or its graphic child under it.
TControl* FindVCLWindow(POINT pos);
// The control holding the mouse capture (a graphic control captured through its parent too).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
// The cursor shown over every control instead of their own (crDefault: their own); the screen
// object sets it.
void SetScreenCursorOverride(TCursor cursor);
TCursor GetScreenCursorOverride();
// Shows a control's popup menu at a screen point; the menus unit installs it. Returns whether
// it showed the menu.
using TPopupMenuHook = std::function<bool(TComponent* menu, TControl* control, POINT screenPos)>;
TPopupMenuHook SetPopupMenuHook(TPopupMenuHook hook);
// The outermost parent of a control (the form it sits on); the control itself without one.
TWinControl* GetParentFormControl(const TControl* control);
// For the message loop before dispatching a key message: offers it to the control of the window
// (or of its nearest ancestor window that is one) as CN_KEYDOWN, CN_CHAR, ... True when the
// control handled it; the loop then does not dispatch it.
bool IsControlKeyMessage(MSG& msg);

// Forms and the application: scrolling containers (TScrollingWinControl, TScrollBox), the
// top-level windows of the program (TCustomForm, TForm) with their modal loop, closing rules and
// multiple-document frames, data modules, and the three objects every program has: Application
// (the message loop, exceptions, hints), Screen (forms, cursors, monitors, fonts) and Mouse.
//
// Exceptions that escape an event handler end in TApplication::HandleException, which shows the
// message box of the program's errors; the application installs it as the window system's
// exception handler, so exceptions never leave a dispatch of the display.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinMonitor.h"

class TCustomForm;
class TForm;
class TScrollingWinControl;
class TMonitor;
class TScreen;
class TApplication;
class TMouse;

// ---- Scrolling ----------------------------------------------------------------------------------

enum TScrollBarKind { sbHorizontal, sbVertical };
// The step of a scroll bar's arrow or page click (1 to 32767).
using TScrollBarInc = SmallInt;

// One of the two window scroll bars of a scrolling control: the extent of the content (Range),
// how far it is scrolled (Position) and how far one arrow click moves (Increment).
class TControlScrollBar : public TPersistent {
    KOV_CLASS(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);

    TScrollBarKind GetKind() const { return FKind; }
    Integer GetIncrement() const { return FIncrement; }
    void SetIncrement(Integer value);
    Integer GetMargin() const { return FMargin; }
    void SetMargin(Integer value);
    // 0 .. Range - the client's extent; setting it scrolls the controls.
    Integer GetPosition() const { return FPosition; }
    void SetPosition(Integer value);
    // The content's extent in pixels (the client extent and less: nothing to scroll).
    Integer GetRange() const { return FRange; }
    void SetRange(Integer value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetTracking() const { return FTracking; }
    void SetTracking(bool value) { FTracking = value; }
    // Whether the bar shows now (visible and something to scroll).
    bool IsScrollBarVisible() const;
    // The position while the bar shows, 0 otherwise.
    Integer GetScrollPos() const { return IsScrollBarVisible() ? FPosition : 0; }

    void Assign(TPersistent* source) override;
    void ChangeBiDiPosition() {}

private:
    friend class TScrollingWinControl;
    // The client extent the bar scrolls over.
    Integer ControlSize() const;
    // The most the position can be.
    Integer MaxPosition() const;
    void Update();
    void ScrollMessage(const TWMScroll& message);
    void DoSetRange(Integer value);

    TScrollingWinControl* FControl;
    TScrollBarKind FKind;
    Integer FIncrement = 8;
    Integer FMargin = 0;
    Integer FPosition = 0;
    Integer FRange = 0;
    bool FVisible = true;
    bool FTracking = false;
};

// A windowed control whose children can lie beyond its client area; with AutoScroll the ranges
// follow the children and the bars appear when they do not fit.
class TScrollingWinControl : public TWinControl {
    KOV_CLASS(TScrollingWinControl, TWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TScrollingWinControl(TComponent* owner);
    ~TScrollingWinControl() override;

    TControlScrollBar* GetHorzScrollBar() const { return FHorzScrollBar.get(); }
    void SetHorzScrollBar(TControlScrollBar* value) { FHorzScrollBar->Assign(value); }
    TControlScrollBar* GetVertScrollBar() const { return FVertScrollBar.get(); }
    void SetVertScrollBar(TControlScrollBar* value) { FVertScrollBar->Assign(value); }
    bool GetAutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    // Scrolls so that the control (a descendant) lies inside the client area.
    void ScrollInView(TControl* control);
    // Moves every child by dx, dy (the window's content with it).
    void ScrollBy(Integer deltaX, Integer deltaY);
    void DisableAutoRange();
    void EnableAutoRange();
    void UpdateScrollBars();

protected:
    void AdjustClientRect(RECT& rect) override;
    void AlignControls(TControl* control, RECT& rect) override;
    void CreateWnd() override;
    // The ranges from the children (AutoScroll only).
    virtual void CalcAutoRange();
    virtual void AutoScrollInView(TControl* control);

    void WMHScroll(TWMScroll& message);
    void WMVScroll(TWMScroll& message);
    void WMSize(TWMSize& message);

private:
    friend class TControlScrollBar;
    std::unique_ptr<TControlScrollBar> FHorzScrollBar;
    std::unique_ptr<TControlScrollBar> FVertScrollBar;
    bool FAutoScroll = true;
    Integer FAutoRangeCount = 0;
    bool FUpdatingScrollBars = false;
};

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// The border of controls: bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;

// A container with scroll bars and a border.
class TScrollBox : public TScrollingWinControl {
    KOV_CLASS(TScrollBox, TScrollingWinControl)
public:
    explicit TScrollBox(TComponent* owner);

    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);

protected:
    void CreateParams(TCreateParams& params) override;

private:
    TBorderStyle FBorderStyle = bsSingle;
};

// ---- Forms --------------------------------------------------------------------------------------

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon, biHelp>;

enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TTileMode { tbHorizontal, tbVertical };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem, fsActivated>;

using TModalResult = Integer;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

using TCloseEvent = TClosure<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TClosure<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = TClosure<void(TWMKey& Msg, bool& Handled)>;

// The reader of stored window definitions plugs in here: it reads the definition of the
// instance's class (and of its ancestors down to, not including, rootAncestor) into the
// instance. It answers false when the class has no definition.
using TInitInheritedComponentHook = std::function<bool(TComponent* instance, TClass rootAncestor)>;
// Returns the hook installed before.
TInitInheritedComponentHook SetInitInheritedComponentHook(TInitInheritedComponentHook hook);
// Runs the hook; false without one.
bool InitInheritedComponent(TComponent* instance, TClass rootAncestor);

// Marks the constructor that makes a form (or data module) without reading a definition.
struct TCreateNew {};

namespace kov_detail {
// While TApplication::CreateForm constructs a form or data module, the first one constructed
// takes this mark (TakeCreateFormMark) and leaves its AfterConstruction() to CreateForm.
class TCreateFormScope {
public:
    TCreateFormScope();
    ~TCreateFormScope();
    TCreateFormScope(const TCreateFormScope&) = delete;
    TCreateFormScope& operator=(const TCreateFormScope&) = delete;

private:
    bool FOuter;
};
bool TakeCreateFormMark();
} // namespace kov_detail

class TCustomForm : public TScrollingWinControl {
    KOV_CLASS(TCustomForm, TScrollingWinControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    // The form of a class with a stored definition: the most derived class ends its constructor
    // with AfterConstruction(), which reads the definition and runs OnCreate (C++ has no step
    // after the last constructor; Application->CreateForm calls it too).
    explicit TCustomForm(TComponent* owner);
    // A form without a definition.
    TCustomForm(TComponent* owner, TCreateNew);
    ~TCustomForm() override;

    // Reads the definition (through InitInheritedComponent) and runs OnCreate; once. A form that
    // TApplication::CreateForm is making waits for it (CompleteCreateForm) instead.
    void AfterConstruction();
    void CompleteCreateForm();

    // ---- Showing and closing ----
    void Show();
    void Hide();
    // Shows the form modally: the other windows are disabled and the form's own loop runs until
    // ModalResult is set (Close sets mrCancel) and CloseQuery agrees; the form is hidden, the
    // windows enabled again, the previously active window activated. Returns ModalResult.
    virtual Integer ShowModal();
    // OnCloseQuery (and first the MDI children's CloseQuery); false when somebody refuses.
    virtual bool CloseQuery();
    // Closes as the close button does: a modal form sets mrCancel; otherwise CloseQuery, then
    // OnClose with the default action (caHide; caMinimize for an MDI child; caFree... as set),
    // and the action is carried out. Closing the main form ends the application.
    void Close();
    // Frees the form once the messages being handled are done (CM_RELEASE). The parameter only
    // keeps this apart from the interface reference count's Release of components.
    struct TReleaseLater {};
#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
    void Release(TReleaseLater = {});
#ifdef __clang__
#pragma clang diagnostic pop
#endif
    void SetFocus() override;
    bool GetActive() const { return FActive; }
    TFormState GetFormState() const { return FFormState; }

    // ---- Appearance ----
    TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons GetBorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition GetPosition() const { return FPosition; }
    void SetPosition(TPosition value);
    TFormStyle GetFormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TWindowState GetWindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value);
    TIcon* GetIcon() const { return FIcon.get(); }
    void SetIcon(TIcon* value);
    // A main menu (the menus unit's TMainMenu); the form is told when it is freed.
    TComponent* GetMenu() const { return FMenu; }
    void SetMenu(TComponent* value);
    TCanvas* GetCanvas() const { return FCanvas.get(); }

    // ---- Keyboard and focus ----
    bool GetKeyPreview() const override { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    TWinControl* GetActiveControl() const { return FActiveControl; }
    // Raises EInvalidOperation "Cannot focus a disabled or invisible window" for a control that
    // cannot take the focus while the form shows.
    void SetActiveControl(TWinControl* control);
    // Takes the focus away from `control` (and its children), to the form or its parent.
    void DefocusControl(TWinControl* control, bool removing) override;
    // Makes `control` the active control, focusing it when the form is active.
    void FocusControl(TWinControl* control) override;
    // The focus moved to `control` inside this form: OnExit/OnEnter (the base), ActiveControl,
    // the screen's active control.
    bool SetFocusedControl(TWinControl* control) override;
    // A form without a parent control is a top-level window.
    bool IsTopLevel() const override { return GetParent() == nullptr && GetParentWindow() == nullptr; }
    // A key before the controls see it: OnShortCut; true when handled.
    virtual bool IsShortCut(TWMKey& message);

    // ---- Stored in definitions ----
    // Visible while the form is being made only records the wish; the form shows once it is
    // complete (AfterConstruction).
    bool GetFormVisible() const { return GetVisible(); }
    void SetFormVisible(bool value);
    // A definition stores the outer size while the form scrolls (AutoScroll or a scroll range),
    // the client size otherwise.
    bool IsFormSizeStored() const;
    bool IsClientSizeStored() const { return !IsFormSizeStored(); }
    // The hint setting is stored while it does not follow the parent's.
    bool IsShowHintStored() const { return !GetParentShowHint(); }
    // Kept as a definition gives them and written back; they change nothing here.
    Integer GetPixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(Integer value) { FPixelsPerInch = value; }
    Integer GetTextHeight() const { return FTextHeight; }
    void SetTextHeight(Integer value) { FTextHeight = value; }
    bool GetOldCreateOrder() const { return FOldCreateOrder; }
    void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }
    bool GetScaled() const { return FScaled; }
    void SetScaled(bool value) { FScaled = value; }
    // Without a window the client area is the outer size less the frame its styles give.
    RECT GetClientRect() const override;
    // The controls (the base), then the components the form owns that have no parent.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

    // ---- Modal result ----
    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }

    // ---- Multiple documents ----
    // The client window holding the documents of an fsMDIForm (null otherwise).
    HWND GetClientHandle() const { return FClientHandle; }
    TForm* GetActiveMDIChild() const;
    Integer GetMDIChildCount() const;
    // In the order of activation, the active one first.
    TForm* GetMDIChildren(Integer index) const;
    TTileMode GetTileMode() const { return FTileMode; }
    void SetTileMode(TTileMode value) { FTileMode = value; }
    void Cascade();
    void Tile();
    void ArrangeIcons();
    void Next();
    void Previous();

    // ---- Events ----
    TNotifyEvent OnActivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnHide;
    TNotifyEvent OnPaint;
    TNotifyEvent OnShow;
    TShortCutEvent OnShortCut;

    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(void* message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void CreateWindowHandle(const TCreateParams& params) override;
    void DestroyWindowHandle() override;
    void AlignControls(TControl* control, RECT& rect) override;
    void PaintWindow(HDC dc) override;
    void Resize() override;

    virtual void DoCreate();
    virtual void DoDestroy();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();
    virtual void Paint();

    // Message handlers.
    void WMClose(TMessage& message);
    void WMActivate(TMessage& message);
    void WMMDIActivate(TMessage& message);
    void WMSize(TWMSize& message);
    void CMActivate(TMessage& message);
    void CMDeactivate(TMessage& message);
    void CMDialogKey(TWMKey& message);
    void CMShowingChanged(TMessage& message);
    void CMRelease(TMessage& message);

private:
    friend class TApplication;
    friend class TScreen;
    void InitForm();
    void SetActive(bool value);
    void SetWindowFocus();
    void MergeStyles(TCreateParams& params) const;
    void PlaceOnShow();
    void ApplyWindowState();
    void CloseModal();
    bool FDestroyed = false;
    TCustomForm* MDIFrame() const;
    std::vector<HWND> MDIChildHandles() const;

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TTileMode FTileMode = tbHorizontal;
    std::unique_ptr<TIcon> FIcon;
    std::unique_ptr<TCanvas> FCanvas;
    TComponent* FMenu = nullptr;
    TWinControl* FActiveControl = nullptr;
    TModalResult FModalResult = mrNone;
    TFormState FFormState;
    HWND FClientHandle = nullptr;
    bool FKeyPreview = false;
    bool FActive = false;
    bool FNeedsDefinition = false;
    bool FConstructed = false;
    bool FCreateFormPending = kov_detail::TakeCreateFormMark();
    bool FPlaced = false;
    Integer FPixelsPerInch = 96;
    Integer FTextHeight = 13;
    bool FOldCreateOrder = false;
    bool FScaled = true;
};

class TForm : public TCustomForm {
    KOV_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
    TForm(TComponent* owner, TCreateNew tag) : TCustomForm(owner, tag) {}
    // A plain form without a definition.
    static TForm* CreateNew(TComponent* owner) { return new TForm(owner, TCreateNew{}); }
};

// ---- Data modules -------------------------------------------------------------------------------

class TDataModule : public TComponent {
    KOV_CLASS(TDataModule, TComponent)
public:
    // Like a form: the most derived class ends its constructor with AfterConstruction().
    explicit TDataModule(TComponent* owner);
    TDataModule(TComponent* owner, TCreateNew);
    ~TDataModule() override;

    void AfterConstruction();
    void CompleteCreateForm();

    // Where the module stood in the designer; stored as Left, Top, Height and Width.
    POINT GetDesignOffset() const { return FDesignOffset; }
    void SetDesignOffset(POINT value) { FDesignOffset = value; }
    POINT GetDesignSize() const { return FDesignSize; }
    void SetDesignSize(POINT value) { FDesignSize = value; }
    bool GetOldCreateOrder() const { return FOldCreateOrder; }
    void SetOldCreateOrder(bool value) { FOldCreateOrder = value; }
    // The components the module owns that have no parent.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

protected:
    virtual void DoCreate();
    virtual void DoDestroy();
    void DefineProperties(TFiler* filer) override;

private:
    POINT FDesignOffset{0, 0};
    POINT FDesignSize{0, 0};
    bool FOldCreateOrder = false;
    bool FNeedsDefinition = false;
    bool FConstructed = false;
    bool FCreateFormPending = kov_detail::TakeCreateFormMark();
    bool FDestroyed = false;
};

// ---- Screen -------------------------------------------------------------------------------------

class TMonitor : public TObject {
    KOV_CLASS(TMonitor, TObject)
public:
    TMonitor() = default;
    HMONITOR GetHandle() const { return FHandle; }
    Integer GetMonitorNum() const { return FMonitorNum; }
    Integer GetLeft() const { return GetBoundsRect().left; }
    Integer GetTop() const { return GetBoundsRect().top; }
    Integer GetWidth() const;
    Integer GetHeight() const;
    RECT GetBoundsRect() const;
    RECT GetWorkareaRect() const;
    bool GetPrimary() const;

private:
    friend class TScreen;
    HMONITOR FHandle = nullptr;
    Integer FMonitorNum = 0;
};

enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

class TScreen : public TComponent {
    KOV_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;

    // ---- Forms ----
    // The forms (TForm) in the order of activation, the most recently active first.
    Integer GetFormCount() const;
    TForm* GetForms(Integer index) const;
    Integer GetCustomFormCount() const { return Integer(FCustomForms.size()); }
    TCustomForm* GetCustomForms(Integer index) const;
    TForm* GetActiveForm() const;
    TCustomForm* GetActiveCustomForm() const { return FActiveCustomForm; }
    TWinControl* GetActiveControl() const { return FActiveControl; }
    TDataModule* GetDataModules(Integer index) const;
    Integer GetDataModuleCount() const { return Integer(FDataModules.size()); }

    // ---- Cursors ----
    // The cursor shown over every window of the program (crDefault: each control's own);
    // setting it shows it at once.
    TCursor GetCursor() const { return FCursor; }
    void SetCursor(TCursor value);
    // The cursor of a number: the standard ones, those set here; the arrow for unknown ones.
    HCURSOR GetCursors(Integer index) const;
    // Takes the cursor over (the shared ones are not destroyed).
    void SetCursors(Integer index, HCURSOR handle);

    // ---- Geometry ----
    Integer GetWidth() const;
    Integer GetHeight() const;
    Integer GetDesktopLeft() const { return GetDesktopRect().left; }
    Integer GetDesktopTop() const { return GetDesktopRect().top; }
    Integer GetDesktopWidth() const;
    Integer GetDesktopHeight() const;
    RECT GetDesktopRect() const;
    RECT GetWorkAreaRect() const;
    Integer GetWorkAreaLeft() const { return GetWorkAreaRect().left; }
    Integer GetWorkAreaTop() const { return GetWorkAreaRect().top; }
    Integer GetWorkAreaWidth() const;
    Integer GetWorkAreaHeight() const;
    Integer GetPixelsPerInch() const { return 96; }
    Integer GetMonitorCount() const;
    TMonitor* GetMonitors(Integer index) const;
    TMonitor* MonitorFromPoint(POINT point, TMonitorDefaultTo defaultTo = mdNearest) const;
    TMonitor* MonitorFromRect(const RECT& rect, TMonitorDefaultTo defaultTo = mdNearest) const;
    TMonitor* MonitorFromWindow(HWND window, TMonitorDefaultTo defaultTo = mdNearest) const;

    // ---- Fonts ----
    // The font families the text engine knows, sorted.
    TStrings* GetFonts() const;
    TFont* GetMenuFont() const { return FMenuFont.get(); }
    void SetMenuFont(TFont* value) { FMenuFont->Assign(value); }
    TFont* GetIconFont() const { return FIconFont.get(); }
    void SetIconFont(TFont* value) { FIconFont->Assign(value); }
    TFont* GetHintFont() const { return FHintFont.get(); }
    void SetHintFont(TFont* value) { FHintFont->Assign(value); }

    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

private:
    friend class TCustomForm;
    friend class TDataModule;
    friend class TApplication;
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void AddDataModule(TDataModule* module);
    void RemoveDataModule(TDataModule* module);
    // The form became active: first in the list, the active form.
    void FormActivated(TCustomForm* form);
    void FormDeactivated(TCustomForm* form);
    void SetActiveControl(TWinControl* control);
    void ShowCursor();
    TMonitor* MonitorOf(HMONITOR handle) const;
    void LoadFonts() const;

    std::vector<TCustomForm*> FCustomForms;
    std::vector<TDataModule*> FDataModules;
    TCustomForm* FActiveCustomForm = nullptr;
    TWinControl* FActiveControl = nullptr;
    TCursor FCursor = crDefault;
    std::vector<std::pair<Integer, HCURSOR>> FCursors;
    mutable std::vector<std::unique_ptr<TMonitor>> FMonitors;
    mutable std::unique_ptr<TStrings> FFonts;
    std::unique_ptr<TFont> FMenuFont;
    std::unique_ptr<TFont> FIconFont;
    std::unique_ptr<TFont> FHintFont;
};

// ---- Mouse --------------------------------------------------------------------------------------

class TMouse : public TObject {
    KOV_CLASS(TMouse, TObject)
public:
    TMouse() = default;
    POINT GetCursorPos() const;
    void SetCursorPos(POINT value);
    // The window holding the mouse capture.
    HWND GetCapture() const;
    void SetCapture(HWND value);
    bool GetMousePresent() const;
    bool GetWheelPresent() const;
    // Lines one notch of the wheel scrolls (the system's setting).
    Integer GetWheelScrollLines() const;
    // How far the mouse moves before a drag starts (the controls' drag threshold).
    Integer GetDragThreshold() const;
    void SetDragThreshold(Integer value);
    bool GetDragImmediate() const { return FDragImmediate; }
    void SetDragImmediate(bool value) { FDragImmediate = value; }
    bool IsDragging() const;

private:
    bool FDragImmediate = true;
};

// ---- Application --------------------------------------------------------------------------------

using TExceptionEvent = TClosure<void(TObject* Sender, Exception* E)>;
using TIdleEvent = TClosure<void(TObject* Sender, bool& Done)>;
using TMessageEvent = TClosure<void(MSG& Msg, bool& Handled)>;
using TShowHintEvent = TClosure<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// A hook on the application's window: true when it handled the message.
using TWindowHook = TClosure<bool(TMessage& Message)>;

class TApplication : public TComponent {
    KOV_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;

    void Initialize() {}
    // Makes a form (or data module) of the class: new T(this) with its definition; the first
    // form made becomes the main form. `reference` receives it before OnCreate runs.
    template <class T>
    void CreateForm(T*& reference) {
        T* instance = nullptr;
        {
            // The form's own AfterConstruction() waits for this call: OnCreate may use `reference`.
            const kov_detail::TCreateFormScope scope;
            instance = new T(this);
        }
        reference = instance;
        if constexpr (std::is_base_of_v<TCustomForm, T> || std::is_base_of_v<TDataModule, T>)
            instance->CompleteCreateForm();
        FinishCreateForm(instance);
    }
    void CreateForm(TClass instanceClass, TComponent** reference);

    // Shows the main form and runs the message loop until Terminate or the main form closes.
    void Run();
    // Handles every waiting message, then returns.
    void ProcessMessages();
    // Handles one message, or when there is none, the idle step (OnIdle) and waits.
    void HandleMessage();
    // Ends Run (posts WM_QUIT).
    void Terminate();
    bool GetTerminated() const { return FTerminated; }

    // Shows the exception (the current one) as the program's errors are shown: OnException when
    // assigned; else a message box captioned with the title, with the error icon and the text
    // with a "." added when it ends after "."; EAbort shows nothing.
    void HandleException(TObject* sender);
    void HandleException(TObject* sender, std::exception_ptr error);
    // The box of an exception as HandleException shows it.
    void ShowException(Exception* e);
    // A message box over the active window, captioned with the title when caption is null.
    Integer MessageBox(const char* text, const char* caption, UINT flags = MB_OK);

    // ---- Properties ----
    // The title set, or the program file's name without its extension.
    String GetTitle() const;
    void SetTitle(const String& value);
    TForm* GetMainForm() const { return FMainForm; }
    // The hidden window of the application, made on first use.
    HWND GetHandle();
    String GetExeName() const;
    TIcon* GetIcon() const { return FIcon.get(); }
    void SetIcon(TIcon* value);
    bool GetShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool value) { FShowMainForm = value; }
    bool GetActive() const { return FActive; }

    // ---- Hints ----
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }
    Integer GetHintPause() const { return FHintPause; }
    void SetHintPause(Integer value) { FHintPause = value; }
    Integer GetHintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(Integer value) { FHintHidePause = value; }
    Integer GetHintShortPause() const { return FHintShortPause; }
    void SetHintShortPause(Integer value) { FHintShortPause = value; }
    TColor GetHintColor() const { return FHintColor; }
    void SetHintColor(TColor value) { FHintColor = value; }
    String GetHint() const { return FHint; }
    // Sets the current hint and runs OnHint.
    void SetHint(const String& value);
    // Hides the hint shown now and forgets the control it was for.
    void CancelHint();

    // ---- Windows ----
    // Hooks see the application window's messages first, newest last.
    void HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(TWindowHook hook);
    void Notification(TComponent* component, TOperation operation) override;
    // Puts the topmost forms back above the others (nothing to undo here: forms keep their
    // stacking) and counts nesting like the original.
    void NormalizeTopMosts();
    void RestoreTopMosts();
    void BringToFront();
    void Minimize();
    void Restore();

    // ---- Events ----
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TExceptionEvent OnException;
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

private:
    friend class TCustomForm;
    void FinishCreateForm(TComponent* instance);
    bool ProcessMessage(MSG& msg);
    void Idle(const MSG& msg);
    void WndProc(TMessage& message);
    bool IsKeyMsg(MSG& msg);
    bool IsMDIMsg(MSG& msg);
    void MainFormDestroyed(TCustomForm* form);

    HWND FHandle = nullptr;
    String FTitle;
    TForm* FMainForm = nullptr;
    std::unique_ptr<TIcon> FIcon;
    std::vector<TWindowHook> FWindowHooks;
    std::function<void(std::exception_ptr)> FOldExceptionHandler;
    bool FTerminated = false;
    bool FShowMainForm = true;
    bool FActive = true;
    bool FHandleCreated = false;
    bool FShowHint = true;
    Integer FHintPause = 500;
    Integer FHintHidePause = 2500;
    Integer FHintShortPause = 50;
    TColor FHintColor = clInfoBk;
    String FHint;
    Integer FTopMostLevel = 0;
    TApplication* FPreviousApplication = nullptr;
};

// The program's three objects, made on first use and freed at exit. They read like pointers
// (Application->Title, Screen->Cursor); a test may make a TApplication of its own instead,
// which takes over the exception handling while it exists.
template <class T>
class TGlobalObject {
public:
    constexpr TGlobalObject() = default;
    T* Get() const;
    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }
    operator T*() const { return Get(); }
};
extern const TGlobalObject<TApplication> Application;
extern const TGlobalObject<TScreen> Screen;
extern const TGlobalObject<TMouse> Mouse;

// Called on the user-interface thread each time a form's modal loop starts: the form is shown,
// activated and the other windows disabled, before the loop handles its first message. A
// ModalResult set by the hook ends the loop as one set later does. For test scripts that act
// inside modal forms; none by default. Returns the hook before.
using TModalLoopHook = void (*)(TCustomForm* form);
TModalLoopHook SetModalLoopHook(TModalLoopHook hook);

// The form a control sits on (null when it is not on a form).
TCustomForm* GetParentForm(const TControl* control);
// The text of an exception as the error box shows it: a "." appended when the text is not
// empty and its last character sorts after ".".
String ExceptionMessageText(const String& message);

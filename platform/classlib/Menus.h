// Menus of the class library: menu items (TMenuItem) arranged in a tree below a menu, the main
// menu that becomes a form's menu bar (TMainMenu), the pop-up menu of a control or of the program
// (TPopupMenu) and the hidden window that hears the window system's menu notifications for pop-up
// menus (TPopupList), together with the keyboard shortcuts of menu items (TShortCut and its texts).
//
// A menu item builds its window-system menu (HMENU) lazily and rebuilds it whenever one of its
// items changes: invisible items are left out, a caption "-" is a separator, the shortcut's text
// follows the caption after a tab. Every item holds a command number that no other item of the
// program uses, so WM_COMMAND finds it among every menu.
//
// Owner-drawn menus (OwnerDraw, or Images set) ask their items for their size (OnMeasureItem) and
// let them draw themselves (OnAdvancedDrawItem, else OnDrawItem, else the item's own drawing).
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Messages.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Sets.h"
#include "platform/winapi/WinMenu.h"
#include "platform/winapi/WinOwnerDraw.h"

class TMenu;
class TMenuItem;
class TMainMenu;
class TPopupMenu;

KOV_DECLARE_EXCEPTION(EMenuError, Exception);

// ---- Shortcuts ------------------------------------------------------------------------------------

// TShortCut (ActnList.h) is a virtual key in the low byte with these modifier bits.
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(Word key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift);
// "Shift+", "Ctrl+" and "Alt+" before the key's name ("F11", "Del", "PgDn", "A", "5"); "" for none.
String ShortCutToText(TShortCut shortCut);
// The reverse, without regard to case; 0 for a text that names no key.
TShortCut TextToShortCut(const String& text);

// ---- Owner drawing --------------------------------------------------------------------------------

// TOwnerDrawState (the states of an owner-drawn item) is the one of StdCtrls.h.

using TMenuMeasureItemEvent =
    TClosure<void(TObject* Sender, TCanvas* ACanvas, Integer& Width, Integer& Height)>;
using TMenuDrawItemEvent = TClosure<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    TClosure<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;

// ---- Menu items ------------------------------------------------------------------------------------

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };

// Copies an action's caption, state, hint, image and shortcut into a menu item.
class TMenuActionLink : public TActionLink {
    KOV_CLASS(TMenuActionLink, TActionLink)
public:
    explicit TMenuActionLink(TObject* client);

    bool IsCaptionLinked() override;
    bool IsCheckedLinked() override;
    bool IsEnabledLinked() override;
    bool IsHintLinked() override;
    bool IsImageIndexLinked() override;
    bool IsShortCutLinked() override;
    bool IsVisibleLinked() override;
    void SetCaption(const String& value) override;
    void SetChecked(bool value) override;
    void SetEnabled(bool value) override;
    void SetHint(const String& value) override;
    void SetImageIndex(Integer value) override;
    void SetShortCut(TShortCut value) override;
    void SetVisible(bool value) override;

private:
    TMenuItem* FClient;
};

class TMenuItem : public TComponent {
    KOV_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* owner);
    // Frees the items below it and leaves its parent.
    ~TMenuItem() override;

    // ---- The tree ----
    Integer GetCount() const { return Integer(FItems.size()); }
    // Raises EMenuError "Menu index out of range" outside 0..Count-1.
    TMenuItem* GetItem(Integer index) const;
    TMenuItem* operator[](Integer index) const { return GetItem(index); }
    // Raises EMenuError "Menu inserted twice" for an item that has a parent already.
    void Add(TMenuItem* item);
    void Insert(Integer index, TMenuItem* item);
    // Takes the item out without freeing it; raises EMenuError outside 0..Count-1.
    void Delete(Integer index);
    void Remove(TMenuItem* item);
    // Frees every item below.
    void Clear();
    Integer IndexOf(const TMenuItem* item) const;
    // The item whose caption, without its "&", is `caption` (case-insensitive); null when none.
    TMenuItem* Find(const String& caption) const;
    TMenuItem* GetParent() const { return FParent; }
    // The position among the parent's items; -1 without a parent. Setting moves it there.
    Integer GetMenuIndex() const;
    void SetMenuIndex(Integer value);
    // The menu the item belongs to (through its parents); null when none.
    TMenu* GetParentMenu() const;
    bool IsLine() const { return FCaption == "-"; }

    // The pop-up menu that shows the item's items (made on first use).
    HMENU GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // The number WM_COMMAND carries for this item; unique in the program.
    Word GetCommand() const { return FCommand; }

    // ---- Properties ----
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value);
    bool GetChecked() const { return FChecked; }
    // Checking a radio item unchecks the other radio items of its group among its siblings.
    void SetChecked(bool value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetDefault() const { return FDefault; }
    void SetDefault(bool value);
    bool GetRadioItem() const { return FRadioItem; }
    void SetRadioItem(bool value);
    Byte GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Byte value);
    TMenuBreak GetBreak() const { return FBreak; }
    void SetBreak(TMenuBreak value);
    const String& GetHint() const { return FHint; }
    void SetHint(const String& value) { FHint = value; }
    Integer GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer value);
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value);
    // The item's own picture (made empty on first use); assigning copies.
    TBitmap* GetBitmap() const;
    void SetBitmap(TBitmap* value);
    bool HasBitmap() const;
    // The images of the items below this one (instead of the menu's Images).
    TCustomImageList* GetSubMenuImages() const { return FSubMenuImages; }
    void SetSubMenuImages(TCustomImageList* value);
    TBasicAction* GetAction() const;
    void SetAction(TBasicAction* value);

    // OnClick, or the action when OnClick is not set or is the action's own handler.
    virtual void Click();
    // Runs the action's update.
    void InitiateAction();

    // ---- Owner drawing (the menu calls these) ----
    // OnMeasureItem, or the item's own measuring.
    virtual void MeasureItem(TCanvas* ACanvas, Integer& width, Integer& height);
    // OnAdvancedDrawItem, else OnDrawItem, else the item's own drawing.
    virtual void AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState state, bool topLevel);
    virtual void DrawItem(TCanvas* ACanvas, TRect ARect, bool selected);
    // The picture to show: the parent's SubMenuImages, else the menu's Images (with ImageIndex
    // set); null when none of them applies.
    TCustomImageList* GetImageList() const;

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

    // ---- Streaming ----
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void SetChildOrder(TComponent* child, Integer order) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // Builds the item's menu anew from its visible items (when it has a handle).
    void RebuildHandle();

protected:
    friend class TMenu;
    friend class TMainMenu;
    friend class TMenuActionLink;
    // Something the item's parent shows changed.
    void MenuChanged(bool rebuild);
    // Puts this item at the end of `menu`.
    void AppendTo(HMENU menu, bool topLevel);
    // The text the menu shows: the caption and, after a tab, the shortcut.
    String MenuText() const;
    void TurnSiblingsOff();
    void DoActionChange();
    void ImageListChange(TObject* sender);
    bool IsTopLevelBarItem() const;
    void DrawDefault(TCanvas* canvas, TRect rect, bool selected);

private:
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr; // set on the root item of a menu
    std::vector<TMenuItem*> FItems;
    HMENU FHandle = nullptr;
    Word FCommand = 0;
    String FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FDefault = false;
    bool FRadioItem = false;
    Byte FGroupIndex = 0;
    TMenuBreak FBreak = mbNone;
    String FHint;
    Integer FImageIndex = -1;
    TShortCut FShortCut = 0;
    mutable std::unique_ptr<TBitmap> FBitmap;
    TCustomImageList* FSubMenuImages = nullptr;
    std::unique_ptr<TChangeLink> FSubMenuImagesLink;
    std::unique_ptr<TMenuActionLink> FActionLink;
    bool FStreamedRebuild = false;
};

// ---- Menus ------------------------------------------------------------------------------------------

class TMenu : public TComponent {
    KOV_CLASS(TMenu, TComponent)
    friend class TMainMenu;
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    // The root item: its items are the menu's.
    TMenuItem* GetItems() const { return FItems.get(); }
    HMENU GetHandle() { return FItems->GetHandle(); }
    // The window that hears the menu's notifications (a form's, or the pop-up list's).
    HWND GetWindowHandle() const { return FWindowHandle; }
    virtual void SetWindowHandle(HWND value);
    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* value);
    bool GetOwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool value);
    // Items are owner-drawn: OwnerDraw, or Images set.
    bool IsOwnerDraw() const { return FOwnerDraw || FImages != nullptr; }

    // The item of a WM_COMMAND number: its Click. False when no item of this menu has it.
    bool DispatchCommand(Word command);
    // A pop-up of this menu is about to open: the item it belongs to runs its Click, so that it
    // can prepare its items. False when the pop-up is not this menu's.
    bool DispatchPopup(HMENU submenu);
    // By command, by the HMENU of its items (fkHandle) or by shortcut; null when none.
    TMenuItem* FindItem(UINT value, TFindItemKind kind);
    // A key press that is the shortcut of an item runs that item (its parents' OnClick first,
    // so that they can prepare it) when the item is enabled; true when an item has the shortcut.
    // Only a menu with a window answers.
    virtual bool IsShortCut(TWMKey& message);
    // The owner-draw messages of the menu's items: true when the item was the menu's.
    bool MeasureItem(MEASUREITEMSTRUCT& item);
    bool DrawItem(const DRAWITEMSTRUCT& item);
    // The hint of the item a WM_MENUSELECT names ("" for none); true when it was this menu's.
    bool ItemHint(WPARAM wParam, LPARAM lParam, String& hint);

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void SetChildOrder(TComponent* child, Integer order) override;
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

protected:
    friend class TMenuItem;
    // Makes the menu behind the root item: a bar or a pop-up menu.
    virtual HMENU CreateMenuHandle() { return CreatePopupMenu(); }
    // The root's items changed (rebuilt already).
    virtual void MenuChanged(TMenuItem* source, bool rebuild);
    void ImageListChange(TObject* sender);
    // The item (of this menu) that is `data`, a pointer the menu placed in the item data.
    TMenuItem* ItemOfData(ULONG_PTR data);

    std::unique_ptr<TMenuItem> FItems;
    HWND FWindowHandle = nullptr;
    TCustomImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    bool FOwnerDraw = false;
};

// The menu bar of a form. The form shows it (SetFormMenuWindow below); every change of its items
// lays the bar out again.
class TMainMenu : public TMenu {
    KOV_CLASS(TMainMenu, TMenu)
public:
    explicit TMainMenu(TComponent* owner);
    ~TMainMenu() override;

    // Sets the menu on the window (null: takes it off the window it was on).
    void SetWindowHandle(HWND value) override;

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
    void MenuChanged(TMenuItem* source, bool rebuild) override;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

class TPopupMenu : public TMenu {
    KOV_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // OnPopup (and the items' actions), then shows the menu at the screen point, aligned by
    // Alignment, and runs it until it closes. The chosen item's OnClick runs once the posted
    // WM_COMMAND is dispatched.
    virtual void Popup(Integer x, Integer y);

    TPopupAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment value) { FAlignment = value; }
    // Shown by a right click on a control whose PopupMenu it is.
    bool GetAutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    TTrackButton GetTrackButton() const { return FTrackButton; }
    void SetTrackButton(TTrackButton value) { FTrackButton = value; }
    // The control that popped the menu up last (the right-clicked one); cleared when it goes.
    TComponent* GetPopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* value);

    void Notification(TComponent* component, TOperation operation) override;

    TNotifyEvent OnPopup;

protected:
    virtual void DoPopup(TObject* sender);

private:
    TPopupAlignment FAlignment = paLeft;
    bool FAutoPopup = true;
    TTrackButton FTrackButton = tbRightButton;
    TComponent* FPopupComponent = nullptr;
};

// The pop-up menus of the program and the hidden window that is their owner while they run: it
// hands WM_COMMAND, WM_INITMENUPOPUP, WM_MENUSELECT, WM_MEASUREITEM and WM_DRAWITEM to the menu
// they belong to.
class TPopupList : public TObject {
    KOV_CLASS(TPopupList, TObject)
public:
    TPopupList() = default;
    ~TPopupList() override;
    TPopupList(const TPopupList&) = delete;
    TPopupList& operator=(const TPopupList&) = delete;

    void Add(TPopupMenu* menu);
    void Remove(TPopupMenu* menu);
    Integer GetCount() const { return Integer(FMenus.size()); }
    TPopupMenu* GetItem(Integer index) const { return FMenus[std::size_t(index)]; }
    // The hidden window (made on first use).
    HWND GetWindow();

    virtual void WndProc(TMessage& message);

private:
    static LRESULT WindowProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    std::vector<TPopupMenu*> FMenus;
    HWND FWindow = nullptr;
};

// The program's one list.
TPopupList* PopupList();

// ---- What a form does with its main menu -------------------------------------------------------

// Puts the menu (a TMainMenu; null or another component: none) on the form's window as its bar,
// and takes the previous one off. The form calls it when its Menu changes and after it has made
// its window.
void SetFormMenuWindow(HWND window, TComponent* menu);
// The menu messages of a form's window: WM_COMMAND from the bar (to DispatchCommand),
// WM_INITMENUPOPUP (DispatchPopup), WM_MENUSELECT (the item's hint to the application), and
// WM_MEASUREITEM / WM_DRAWITEM of owner-drawn menu items. True when the menu handled it (the
// result is set).
bool FormMenuMessage(TComponent* menu, TMessage& message);
// A key down on the form: the menu's item with that shortcut (TMenu::IsShortCut).
bool FormMenuIsShortCut(TComponent* menu, TWMKey& message);

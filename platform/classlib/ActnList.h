// Actions: commands kept apart from the controls and menu items that invoke them. An action
// holds a caption, a checked and an enabled state, a hint, an image index, a shortcut and its
// OnExecute handler; every client (a control, a menu item) is linked to it through an action
// link that copies the action's properties into the client whenever they change.
#pragma once

#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/RtlTypes.h"

class TBasicAction;
class TCustomActionList;
class TCustomImageList;

using TShortCut = Word;

// ---- Basic action and its link -------------------------------------------------------------------

// Connects one client to an action. The client's class derives its own link and overrides the
// setters to copy the action's properties into the client.
class TBasicActionLink : public TObject {
    KOV_CLASS(TBasicActionLink, TObject)
public:
    explicit TBasicActionLink(TObject* client);
    ~TBasicActionLink() override;
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;

    TBasicAction* GetAction() const { return FAction; }
    // Unregisters from the previous action and registers with the new one (null: none).
    virtual void SetAction(TBasicAction* value);
    // Runs the action (its OnExecute, or the action list's); true when somebody handled it.
    virtual bool Execute(TComponent* target = nullptr);
    // Runs the action's OnUpdate; true when handled.
    virtual bool Update();

    TNotifyEvent OnChange;

protected:
    friend class TBasicAction;
    virtual void AssignClient(TObject* client);
    // The action changed: called once for every change of the action's properties.
    virtual void Change();
    virtual bool IsOnExecuteLinked();
    virtual void SetOnExecute(const TNotifyEvent& value);

    TBasicAction* FAction = nullptr;
};

class TBasicAction : public TComponent {
    KOV_CLASS(TBasicAction, TComponent)
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;

    // Whether the action can act on `target` (for standard actions that find their own target).
    virtual bool HandlesTarget(TObject* target);
    virtual void UpdateTarget(TObject* target);
    virtual void ExecuteTarget(TObject* target);
    // OnExecute when assigned; true when it ran.
    virtual bool Execute();
    // OnUpdate when assigned; true when it ran.
    virtual bool Update();

    const TNotifyEvent& GetOnExecute() const { return FOnExecute; }
    // Hands the new handler to every linked client (their OnClick follows it).
    virtual void SetOnExecute(const TNotifyEvent& value);
    TNotifyEvent OnUpdate;

    // The component that invoked the action last (a control's Click sets it around Execute).
    TComponent* GetActionComponent() const { return FActionComponent; }
    void SetActionComponent(TComponent* value);

    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);
    Integer GetClientCount() const { return Integer(FClients.size()); }
    TBasicActionLink* GetClient(Integer index) const { return FClients[std::size_t(index)]; }

    void Notification(TComponent* component, TOperation operation) override;

protected:
    // Tells every client link and OnChange about a change.
    virtual void Change();

    TNotifyEvent FOnExecute;
    TNotifyEvent FOnChange;
    std::vector<TBasicActionLink*> FClients;
    TComponent* FActionComponent = nullptr;
};

// ---- Actions kept in an action list ------------------------------------------------------------

class TContainedAction : public TBasicAction {
    KOV_CLASS(TContainedAction, TBasicAction)
public:
    explicit TContainedAction(TComponent* owner);
    ~TContainedAction() override;

    // The action list's OnExecute first (it may handle the action), then the action's own.
    bool Execute() override;
    bool Update() override;

    TCustomActionList* GetActionList() const { return FActionList; }
    void SetActionList(TCustomActionList* value);
    const String& GetCategory() const { return FCategory; }
    void SetCategory(const String& value);
    Integer GetIndex() const;
    void SetIndex(Integer value);

    bool HasParent() const override { return FActionList != nullptr; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* value) override;

private:
    friend class TCustomActionList;
    TCustomActionList* FActionList = nullptr;
    String FCategory;
};

// Where a client link receives each of the action's properties.
class TActionLink : public TBasicActionLink {
    KOV_CLASS(TActionLink, TBasicActionLink)
public:
    explicit TActionLink(TObject* client) : TBasicActionLink(client) {}

    // Whether the client still shows the action's value of each property (only linked
    // properties follow the action).
    virtual bool IsCaptionLinked();
    virtual bool IsCheckedLinked();
    virtual bool IsEnabledLinked();
    virtual bool IsHelpContextLinked();
    virtual bool IsHintLinked();
    virtual bool IsImageIndexLinked();
    virtual bool IsShortCutLinked();
    virtual bool IsVisibleLinked();

    virtual void SetCaption(const String& value) {}
    virtual void SetChecked(bool value) {}
    virtual void SetEnabled(bool value) {}
    virtual void SetHelpContext(Integer value) {}
    virtual void SetHint(const String& value) {}
    virtual void SetImageIndex(Integer value) {}
    virtual void SetShortCut(TShortCut value) {}
    virtual void SetVisible(bool value) {}
};

class TCustomAction : public TContainedAction {
    KOV_CLASS(TCustomAction, TContainedAction)
public:
    explicit TCustomAction(TComponent* owner);

    // Updates the action first; a disabled action does nothing (false). AutoCheck toggles
    // Checked before the handler runs. An action without a handler is disabled by it when
    // DisableIfNoHandler is set.
    bool Execute() override;
    bool Update() override;

    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value);
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    Integer GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(Integer value);
    const String& GetHint() const { return FHint; }
    void SetHint(const String& value);
    Integer GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer value);
    TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetAutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool value) { FAutoCheck = value; }
    // Checked actions of one group index above 0 behave like radio items.
    Integer GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(Integer value);
    bool GetDisableIfNoHandler() const { return FDisableIfNoHandler; }
    void SetDisableIfNoHandler(bool value) { FDisableIfNoHandler = value; }

    void SetOnExecute(const TNotifyEvent& value) override;

private:
    template <class F>
    void ForEachLink(F f);

    String FCaption;
    bool FChecked = false;
    bool FChecking = false;
    bool FEnabled = true;
    Integer FHelpContext = 0;
    String FHint;
    Integer FImageIndex = -1;
    TShortCut FShortCut = 0;
    bool FVisible = true;
    bool FAutoCheck = false;
    Integer FGroupIndex = 0;
    bool FDisableIfNoHandler = false;
};

class TAction : public TCustomAction {
    KOV_CLASS(TAction, TCustomAction)
public:
    // Disables itself while it has no OnExecute.
    explicit TAction(TComponent* owner);
};

// ---- Action lists -----------------------------------------------------------------------------

enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };

using TActionEvent = TClosure<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
    KOV_CLASS(TCustomActionList, TComponent)
public:
    explicit TCustomActionList(TComponent* owner);
    ~TCustomActionList() override;

    // OnExecute (Handled starts false); true when it handled the action. A suspended list
    // handles nothing.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);

    Integer GetActionCount() const { return Integer(FActions.size()); }
    TContainedAction* GetAction(Integer index) const;
    // The index of the action in the list; -1 when it is not there.
    Integer IndexOfAction(const TContainedAction* action) const;
    void AddAction(TContainedAction* action);
    void RemoveAction(TContainedAction* action);
    void MoveAction(TContainedAction* action, Integer newIndex);

    TActionListState GetState() const { return FState; }
    void SetState(TActionListState value) { FState = value; }

    // The images the actions' ImageIndex refers to; cleared when the image list is freed.
    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* value);

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void SetChildOrder(TComponent* child, Integer order) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TContainedAction*> FActions;
    TActionListState FState = asNormal;
    TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
    KOV_CLASS(TActionList, TCustomActionList)
public:
    explicit TActionList(TComponent* owner) : TCustomActionList(owner) {}
};

#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/TypInfo.h"

namespace {

// Records its own end, with the state it was in, in a shared log.
class TCmpPart : public TComponent {
    KOV_CLASS(TCmpPart, TComponent)
public:
    TCmpPart(TComponent* owner, const String& name, std::vector<String>* log = nullptr)
        : TComponent(owner), FLog(log) {
        SetName(name);
    }
    explicit TCmpPart(TComponent* owner) : TComponent(owner) {}
    ~TCmpPart() override {
        if (FLog == nullptr) return;
        FLog->push_back(GetName() + (GetComponentState().Contains(csDestroying) ? " destroying" : " alive"));
    }

private:
    std::vector<String>* FLog = nullptr;
};

// Holds a reference to another component and lets go of it when told.
class TCmpWatcher : public TComponent {
    KOV_CLASS(TCmpWatcher, TComponent)
public:
    explicit TCmpWatcher(TComponent* owner) : TComponent(owner) {}

    void SetLink(TComponent* value) {
        if (FLink != nullptr) FLink->RemoveFreeNotification(this);
        FLink = value;
        if (FLink != nullptr) FLink->FreeNotification(this);
    }
    TComponent* GetLink() const { return FLink; }

    void Notification(TComponent* component, TOperation operation) override {
        inherited::Notification(component, operation);
        Heard.push_back({component, operation});
        if (operation == opRemove && component == FLink) FLink = nullptr;
    }

    std::vector<std::pair<TComponent*, TOperation>> Heard;

private:
    TComponent* FLink = nullptr;
};

// A button whose click handler may free it.
class TCmpButton : public TComponent {
    KOV_CLASS(TCmpButton, TComponent)
public:
    explicit TCmpButton(TComponent* owner) : TComponent(owner) {}
    void Click() {
        const TLivenessToken alive = LivenessToken();
        OnClick(this);
        if (!alive) return;  // the handler freed this button
        ++ClicksFinished;
    }
    TNotifyEvent OnClick;
    int ClicksFinished = 0;
};

class TCmpForm : public TComponent {
    KOV_CLASS(TCmpForm, TComponent)
public:
    explicit TCmpForm(TComponent* owner) : TComponent(owner) {}
    void CloseButtonClick(TObject* sender) { delete static_cast<TComponent*>(sender); }
    void CountClick(TObject*) { ++Counted; }
    int Counted = 0;
};

TEST(Components, OwnerFreesWhatItOwnsLastFirst) {
    std::vector<String> log;
    auto* owner = new TComponent(nullptr);
    new TCmpPart(owner, "A", &log);
    auto* b = new TCmpPart(owner, "B", &log);
    new TCmpPart(b, "B1", &log);
    new TCmpPart(owner, "C", &log);
    EXPECT_EQ(owner->GetComponentCount(), 3);
    EXPECT_EQ(b->GetOwner(), owner);

    delete owner;
    // B's own destructor logs before the base part frees what B owns.
    EXPECT_EQ(log, (std::vector<String>{"C destroying", "B destroying", "B1 destroying", "A destroying"}));
}

TEST(Components, DeletingAnOwnedComponentTakesItOutOfItsOwner) {
    std::vector<String> log;
    TComponent owner(nullptr);
    auto* a = new TCmpPart(&owner, "A", &log);
    auto* b = new TCmpPart(&owner, "B", &log);
    delete a;
    EXPECT_EQ(log, std::vector<String>{"A alive"});
    ASSERT_EQ(owner.GetComponentCount(), 1);
    EXPECT_EQ(owner.GetComponents(0), b);
    EXPECT_EQ(owner.FindComponent("A"), nullptr);
    owner.DestroyComponents();
    EXPECT_EQ(owner.GetComponentCount(), 0);
    EXPECT_EQ(log, (std::vector<String>{"A alive", "B alive"}));
}

TEST(Components, InsertRemoveAndIndex) {
    TComponent first(nullptr), second(nullptr);
    auto* a = new TCmpPart(&first, "A");
    auto* b = new TCmpPart(&first, "B");
    auto* c = new TCmpPart(&first, "C");
    EXPECT_EQ(c->GetComponentIndex(), 2);
    c->SetComponentIndex(0);
    EXPECT_EQ(first.GetComponents(0), c);
    EXPECT_EQ(a->GetComponentIndex(), 1);
    b->SetComponentIndex(99);  // clamps to the end
    EXPECT_EQ(b->GetComponentIndex(), 2);

    second.InsertComponent(a);  // moves from the first owner
    EXPECT_EQ(a->GetOwner(), &second);
    EXPECT_EQ(first.GetComponentCount(), 2);
    EXPECT_EQ(second.FindComponent("a"), a);

    second.RemoveComponent(a);
    EXPECT_EQ(a->GetOwner(), nullptr);
    EXPECT_EQ(a->GetComponentIndex(), -1);
    EXPECT_EQ(second.GetComponentCount(), 0);
    delete a;

    try {
        first.GetComponents(2);
        FAIL() << "index past the end";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (2)");
    }
    EXPECT_THROW(first.GetComponents(-1), EListError);
    // Ownership never becomes a circle.
    EXPECT_THROW(b->InsertComponent(&first), EComponentError);
    EXPECT_THROW(b->InsertComponent(b), EComponentError);
}

TEST(Components, NamesMustBeValidIdentifiers) {
    struct Case {
        const char* Name;
        bool Valid;
    };
    const std::vector<Case> cases = {
        {"Edit1", true},      {"_x", true},  {"a", true},     {"", true},         {"fMainFrm", true},
        {"1Edit", false},     {"Edit 1", false}, {"Edit-1", false}, {"Edit.1", false},
        {"\xc3\xa9t\xc3\xa9", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TComponent component(nullptr);
        component.SetName("Start");
        if (c.Valid) {
            component.SetName(c.Name);
            EXPECT_EQ(component.GetName(), c.Name);
        } else {
            try {
                component.SetName(c.Name);
                ADD_FAILURE() << "accepted";
            } catch (const EComponentError& e) {
                EXPECT_EQ(e.Message, "'" + String(c.Name) + "' is not a valid component name");
            }
            EXPECT_EQ(component.GetName(), "Start");
        }
    }
}

TEST(Components, NamesAreUniqueAmongTheOwnersComponents) {
    TComponent owner(nullptr);
    auto* edit = new TCmpPart(&owner, "Edit1");
    auto* other = new TCmpPart(&owner, "Other");
    try {
        other->SetName("EDIT1");
        FAIL() << "duplicate accepted";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message, "A component named EDIT1 already exists");
    }
    EXPECT_EQ(other->GetName(), "Other");

    edit->SetName("EDIT1");  // a change of case only
    EXPECT_EQ(owner.FindComponent("edit1"), edit);
    // Empty names do not clash; components of other owners do not either.
    new TCmpPart(&owner, "");
    new TCmpPart(&owner, "");
    TComponent elsewhere(nullptr);
    auto* stranger = new TCmpPart(&elsewhere, "Edit1");
    EXPECT_EQ(owner.FindComponent(""), nullptr);

    // Taking over a component whose name is taken is refused, and nothing moves.
    try {
        owner.InsertComponent(stranger);
        FAIL() << "duplicate inserted";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message, "A component named Edit1 already exists");
    }
    EXPECT_EQ(stranger->GetOwner(), &elsewhere);
    EXPECT_EQ(owner.GetComponentCount(), 4);

    // Published as Name (not stored: definitions write it in the object header) and Tag.
    SetPropText(other, "Name", "Renamed");
    EXPECT_EQ(other->GetName(), "Renamed");
    EXPECT_THROW(SetPropText(other, "Name", "edit1"), EComponentError);
    SetOrdProp(other, "Tag", -7);
    EXPECT_EQ(other->GetTag(), -7);
    EXPECT_FALSE(IsStoredProp(other, "Name"));
    EXPECT_EQ(other->GetNamePath(), "Renamed");
}

TEST(Components, FreeNotificationReachesTheWatcher) {
    TComponent formA(nullptr), formB(nullptr);
    auto* watcher = new TCmpWatcher(&formA);
    auto* target = new TCmpPart(&formB, "Target");
    watcher->SetLink(target);
    watcher->Heard.clear();

    delete target;
    EXPECT_EQ(watcher->GetLink(), nullptr);
    ASSERT_EQ(watcher->Heard.size(), 1u);
    EXPECT_EQ(watcher->Heard[0].second, opRemove);

    // After RemoveFreeNotification nothing is heard.
    auto* quiet = new TCmpPart(&formB, "Quiet");
    quiet->FreeNotification(watcher);
    quiet->RemoveFreeNotification(watcher);
    watcher->Heard.clear();
    delete quiet;
    EXPECT_TRUE(watcher->Heard.empty());

    // A watcher that goes first is forgotten by what it watched (no dangling reference).
    auto* lasting = new TCmpPart(&formB, "Lasting");
    watcher->SetLink(lasting);
    delete watcher;
    delete lasting;
}

TEST(Components, OwnedComponentsHearOfTheirSiblings) {
    TComponent form(nullptr);
    auto* watcher = new TCmpWatcher(&form);
    auto* label = new TCmpPart(&form, "Label");
    watcher->SetLink(label);  // same owner: no free-notification link is needed
    auto* extra = new TCmpPart(&form, "Extra");
    delete label;
    EXPECT_EQ(watcher->GetLink(), nullptr);

    const std::vector<std::pair<TComponent*, TOperation>> expected = {
        {label, opInsert}, {extra, opInsert}, {label, opRemove}};
    EXPECT_EQ(watcher->Heard, expected);
}

TEST(Components, StateFlagsAndLoaded) {
    TComponent component(nullptr);
    EXPECT_TRUE(component.GetComponentState().empty());
    component.IncludeComponentState(csLoading);
    component.IncludeComponentState(csReading);
    EXPECT_EQ(component.GetComponentState(), (TComponentState{csLoading, csReading}));
    component.ExcludeComponentState(csReading);
    component.Loaded();
    EXPECT_TRUE(component.GetComponentState().empty());
    component.Updating();
    EXPECT_TRUE(component.GetComponentState().Contains(csUpdating));
    component.Updated();
    EXPECT_TRUE(component.GetComponentState().empty());

    auto* child = new TCmpPart(&component, "Child");
    component.Destroying();
    EXPECT_TRUE(child->GetComponentState().Contains(csDestroying));
}

TEST(Components, HandlerFreeingItsSenderIsDetected) {
    TCmpForm form(nullptr);
    auto* close = new TCmpButton(&form);
    auto* count = new TCmpButton(&form);
    close->OnClick = MakeEvent(&form, &TCmpForm::CloseButtonClick);
    count->OnClick = MakeEvent(&form, &TCmpForm::CountClick);

    count->Click();
    EXPECT_EQ(count->ClicksFinished, 1);
    EXPECT_EQ(form.Counted, 1);

    const Cardinal handle = ObjectToHandle(close);
    close->Click();  // frees the button; Click must not touch it afterwards
    EXPECT_EQ(form.GetComponentCount(), 1);
    EXPECT_EQ(HandleToObject(handle), nullptr);
}

// ---- Assign ----------------------------------------------------------------------------------

class TCmpColour : public TPersistent {
    KOV_CLASS(TCmpColour, TPersistent)
public:
    Integer Value = 0;
    void Assign(TPersistent* source) override {
        if (auto* colour = dynamic_cast<TCmpColour*>(source)) {
            Value = colour->Value;
            return;
        }
        inherited::Assign(source);
    }
};

class TCmpBrush : public TPersistent {
    KOV_CLASS(TCmpBrush, TPersistent)
public:
    Integer Colour = 0;

protected:
    // A brush knows how to turn into a colour.
    void AssignTo(TPersistent* dest) override {
        if (auto* colour = dynamic_cast<TCmpColour*>(dest)) {
            colour->Value = Colour;
            return;
        }
        inherited::AssignTo(dest);
    }
};

class TCmpPen : public TPersistent {
    KOV_CLASS(TCmpPen, TPersistent)
public:
    explicit TCmpPen(TPersistent* owner = nullptr) : FOwner(owner) {}
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

TEST(Components, AssignCopiesOrNamesBothClasses) {
    TCmpColour target, source;
    source.Value = 5;
    target.Assign(&source);
    EXPECT_EQ(target.Value, 5);

    TCmpBrush brush;
    brush.Colour = 9;
    target.Assign(&brush);  // through the brush's AssignTo
    EXPECT_EQ(target.Value, 9);

    struct Case {
        TPersistent* Dest;
        TPersistent* Source;
        const char* Message;
    };
    TCmpPen pen;
    const std::vector<Case> cases = {
        {&target, &pen, "Cannot assign a TCmpPen to a TCmpColour"},
        {&target, nullptr, "Cannot assign a nil to a TCmpColour"},
        {&brush, &target, "Cannot assign a TCmpColour to a TCmpBrush"},
        {&pen, &pen, "Cannot assign a TCmpPen to a TCmpPen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Message);
        try {
            c.Dest->Assign(c.Source);
            ADD_FAILURE() << "assigned";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
    }
    EXPECT_EQ(target.Value, 9);
}

TEST(Components, NamePathFollowsTheOwner) {
    TComponent form(nullptr);
    form.SetName("Form1");
    TCmpPen owned(&form);
    TCmpPen loose;
    EXPECT_EQ(owned.GetNamePath(), "Form1.TCmpPen");
    EXPECT_EQ(loose.GetNamePath(), "TCmpPen");
}

// ---- Interfaces --------------------------------------------------------------------------------

class ICmpListener : public virtual IInterface {
public:
    virtual void Changed() = 0;
};

class ICmpProvider : public virtual IInterface {
public:
    virtual Integer DefaultValue() = 0;
};

class TCmpProvider : public TInterfacedObject, public ICmpProvider, public ICmpListener {
    KOV_CLASS(TCmpProvider, TInterfacedObject)
public:
    explicit TCmpProvider(int* destroyed) : FDestroyed(destroyed) {}
    ~TCmpProvider() override { ++*FDestroyed; }
    Integer DefaultValue() override { return 42; }
    void Changed() override {}

private:
    int* FDestroyed;
};

class TCmpController : public TComponent, public ICmpListener {
    KOV_CLASS(TCmpController, TComponent)
public:
    explicit TCmpController(TComponent* owner) : TComponent(owner) {}
    void Changed() override { ++Changes; }
    int Changes = 0;
};

TEST(Components, InterfacesCountReferencesOnInterfacedObjects) {
    int destroyed = 0;
    {
        TInterfacePtr<ICmpProvider> provider(new TCmpProvider(&destroyed));
        EXPECT_EQ(provider->DefaultValue(), 42);
        TInterfacePtr<ICmpListener> listener;
        ASSERT_TRUE(Supports(provider.get(), listener));
        EXPECT_EQ(dynamic_cast<TCmpProvider*>(provider.get())->GetRefCount(), 2);
        provider.reset();
        EXPECT_EQ(destroyed, 0);  // the listener reference keeps it
        EXPECT_EQ(dynamic_cast<TCmpProvider*>(listener.get())->GetRefCount(), 1);
    }
    EXPECT_EQ(destroyed, 1);

    // Components answer interfaces but are not counted: their owner frees them.
    TComponent owner(nullptr);
    auto* controller = new TCmpController(&owner);
    TObject* asObject = controller;
    ICmpListener* listener = nullptr;
    ASSERT_TRUE(Supports(asObject, listener));
    EXPECT_FALSE(Supports<ICmpProvider>(asObject));
    {
        TInterfacePtr<ICmpListener> reference(listener);
        reference->Changed();
    }
    EXPECT_EQ(controller->Changes, 1);
    EXPECT_EQ(owner.GetComponentCount(), 1);
}

}  // namespace

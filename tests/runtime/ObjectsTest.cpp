#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/Sets.h"

namespace {

// ---- Sets -------------------------------------------------------------------------------------

enum TObjColour { ocRed, ocGreen, ocBlue, ocWhite };
using TObjColours = TSet<TObjColour, ocWhite>;

TEST(Sets, MembershipAndArithmetic) {
    TObjColours warm{ocRed, ocWhite};
    TObjColours cold{ocBlue, ocWhite};
    EXPECT_TRUE(warm.Contains(ocRed));
    EXPECT_FALSE(warm.Contains(ocBlue));
    EXPECT_FALSE(TObjColours().Contains(ocRed));
    EXPECT_TRUE(TObjColours().empty());

    EXPECT_EQ(warm + cold, (TObjColours{ocRed, ocBlue, ocWhite}));
    EXPECT_EQ(warm - cold, TObjColours{ocRed});
    EXPECT_EQ(warm * cold, TObjColours{ocWhite});
    EXPECT_TRUE((warm * TObjColours{ocGreen}).empty());

    EXPECT_TRUE(TObjColours{ocRed} <= warm);
    EXPECT_FALSE(warm <= TObjColours{ocRed});
    EXPECT_TRUE(warm >= TObjColours{ocWhite});
    EXPECT_TRUE(warm <= warm);
    EXPECT_NE(warm, cold);

    TObjColours s;
    s.Include(ocGreen).Include(ocGreen).Include(ocBlue).Exclude(ocGreen).Exclude(ocRed);
    EXPECT_EQ(s, TObjColours{ocBlue});
}

TEST(Sets, MaskRoundTripsAndKeepsToItsElements) {
    const TObjColours s{ocGreen, ocWhite};
    EXPECT_EQ(s.Mask(), 0b1010u);
    EXPECT_EQ(TObjColours::FromMask(0b1010), s);
    // Bits past the last element do not make elements up.
    EXPECT_EQ(TObjColours::FromMask(0xF0 | 0b0001), TObjColours{ocRed});
}

TEST(Sets, ElementsOutsideTheRangeAreRefused) {
    using TSmall = TSet<int, 7>;
    TSmall s{0, 7};
    EXPECT_FALSE(s.Contains(8));
    EXPECT_FALSE(s.Contains(-1));
    EXPECT_THROW(s.Include(8), ERangeError);
    EXPECT_THROW(s.Include(-1), ERangeError);
    s.Exclude(99);  // nothing to take away
    EXPECT_EQ(s, (TSmall{0, 7}));

    // A set of characters holds every byte, including those above 127.
    TSet<char, 255> chars{'a', char(0xE9)};
    EXPECT_TRUE(chars.Contains(char(0xE9)));
    EXPECT_FALSE(chars.Contains('b'));
}

// ---- Class references and the registry -----------------------------------------------------------

class TObjAnimal : public TObject {
    KOV_CLASS(TObjAnimal, TObject)
public:
    virtual String Sound() const { return "..."; }
};

class TObjDog : public TObjAnimal {
    KOV_CLASS(TObjDog, TObjAnimal)
public:
    String Sound() const override { return "woof"; }
};

class TObjAbstract : public TObject {
    KOV_CLASS(TObjAbstract, TObject)
public:
    virtual void Run() = 0;
};

class TObjPart : public TComponent {
    KOV_CLASS(TObjPart, TComponent)
public:
    explicit TObjPart(TComponent* owner) : TComponent(owner) {}
};

TEST(Objects, ClassReferencesDescribeTheHierarchy) {
    TObjDog dog;
    const TObjAnimal& animal = dog;
    EXPECT_EQ(animal.ClassType(), TObjDog::StaticClass());
    EXPECT_EQ(animal.ClassName(), "TObjDog");
    EXPECT_EQ(animal.ClassParent(), TObjAnimal::StaticClass());
    EXPECT_EQ(TObjAnimal::StaticClass()->ClassParent(), TObject::StaticClass());
    EXPECT_EQ(TObject::StaticClass()->ClassParent(), nullptr);

    EXPECT_TRUE(animal.InheritsFrom(TObjAnimal::StaticClass()));
    EXPECT_TRUE(animal.InheritsFrom(TObject::StaticClass()));
    EXPECT_TRUE(animal.InheritsFrom(TObjDog::StaticClass()));
    EXPECT_FALSE(TObjAnimal().InheritsFrom(TObjDog::StaticClass()));
    EXPECT_FALSE(animal.InheritsFrom(TComponent::StaticClass()));

    EXPECT_TRUE(animal.ClassNameIs("tobjdog"));
    EXPECT_FALSE(animal.ClassNameIs("TObjAnimal"));
}

TEST(Objects, ClassReferencesMakeDefaultInstances) {
    std::unique_ptr<TObject> dog(TObjDog::StaticClass()->Create());
    ASSERT_NE(dynamic_cast<TObjDog*>(dog.get()), nullptr);
    EXPECT_EQ(static_cast<TObjAnimal*>(dog.get())->Sound(), "woof");

    // Components are made with their owner, which frees them.
    TComponent owner(nullptr);
    TObject* part = TObjPart::StaticClass()->Create(&owner);
    ASSERT_NE(dynamic_cast<TObjPart*>(part), nullptr);
    EXPECT_EQ(owner.GetComponentCount(), 1);
    EXPECT_EQ(owner.GetComponents(0), part);

    EXPECT_FALSE(TObjAbstract::StaticClass()->CanCreate());
    EXPECT_THROW(TObjAbstract::StaticClass()->Create(), EInvalidOperation);
}

TEST(Objects, RegistryFindsClassesByName) {
    RegisterClasses({TObjAnimal::StaticClass(), TObjDog::StaticClass()});
    RegisterClass(TObjDog::StaticClass());  // again: nothing happens
    EXPECT_EQ(FindClass("TObjDog"), TObjDog::StaticClass());
    EXPECT_EQ(GetClass("tobjanimal"), TObjAnimal::StaticClass());
    EXPECT_EQ(FindClass("TComponent"), TComponent::StaticClass());
    EXPECT_EQ(FindClass("TPersistent"), TPersistent::StaticClass());

    UnRegisterClass(TObjDog::StaticClass());
    EXPECT_EQ(GetClass("TObjDog"), nullptr);
    try {
        FindClass("TObjDog");
        FAIL() << "FindClass of an unregistered class";
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message, "Class TObjDog not found");
    }
    UnRegisterClass(TObjAnimal::StaticClass());
}

// Two classes may share a name only when they are not both registered.
namespace other {
class TObjAnimal : public TObject {
    KOV_CLASS(TObjAnimal, TObject)
};
}  // namespace other

TEST(Objects, RegistryRefusesASecondClassOfTheSameName) {
    RegisterClass(TObjAnimal::StaticClass());
    try {
        RegisterClass(other::TObjAnimal::StaticClass());
        FAIL() << "a second class named TObjAnimal was registered";
    } catch (const EFilerError& e) {
        EXPECT_EQ(e.Message, "A class named TObjAnimal already exists");
    }
    EXPECT_EQ(FindClass("TObjAnimal"), TObjAnimal::StaticClass());
    UnRegisterClass(other::TObjAnimal::StaticClass());  // not the registered one: no effect
    EXPECT_EQ(FindClass("TObjAnimal"), TObjAnimal::StaticClass());
    UnRegisterClass(TObjAnimal::StaticClass());
}

// ---- Liveness tokens and handles -------------------------------------------------------------

TEST(Objects, LivenessTokenReportsTheObjectsEnd) {
    EXPECT_FALSE(TLivenessToken().IsAlive());
    auto* dog = new TObjDog;
    TLivenessToken first = dog->LivenessToken();
    TLivenessToken second = dog->LivenessToken();
    EXPECT_TRUE(first.IsAlive());
    EXPECT_TRUE(second);
    delete dog;
    EXPECT_FALSE(first.IsAlive());
    EXPECT_FALSE(second);

    // A copy is an object of its own.
    TObjDog original;
    TLivenessToken originalToken = original.LivenessToken();
    {
        TObjDog copy(original);
        TLivenessToken copyToken = copy.LivenessToken();
        EXPECT_TRUE(copyToken);
    }
    EXPECT_TRUE(originalToken);
}

TEST(Objects, HandlesRoundTripAndDieWithTheirObject) {
    EXPECT_EQ(ObjectToHandle(nullptr), 0u);
    EXPECT_EQ(HandleToObject(0), nullptr);

    auto* a = new TObjDog;
    auto* b = new TObjAnimal;
    const Cardinal ha = ObjectToHandle(a);
    const Cardinal hb = ObjectToHandle(b);
    EXPECT_NE(ha, 0u);
    EXPECT_NE(hb, 0u);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(ObjectToHandle(a), ha);  // stable
    EXPECT_EQ(HandleToObject(ha), a);
    EXPECT_EQ(HandleToObject(hb), b);

    delete a;
    EXPECT_EQ(HandleToObject(ha), nullptr);
    EXPECT_EQ(HandleToObject(hb), b);

    // A new object does not inherit the dead one's handle.
    auto* c = new TObjDog;
    const Cardinal hc = ObjectToHandle(c);
    EXPECT_NE(hc, ha);
    EXPECT_NE(hc, hb);
    EXPECT_EQ(HandleToObject(ha), nullptr);

    // A copy gets a handle of its own.
    TObjDog copy(*c);
    EXPECT_NE(ObjectToHandle(&copy), hc);
    delete b;
    delete c;
    EXPECT_EQ(HandleToObject(hb), nullptr);
    EXPECT_EQ(HandleToObject(hc), nullptr);
}

// ---- Closures ---------------------------------------------------------------------------------

class TObjListener : public TObject {
    KOV_CLASS(TObjListener, TObject)
public:
    void First(TObject* sender) { Calls.push_back("First"); Senders.push_back(sender); }
    void Second(TObject* sender) { Calls.push_back("Second"); Senders.push_back(sender); }
    void Edit(TObject*, String& value) { value += "!"; }
    Integer Twice(Integer v) const { return 2 * v; }
    virtual void Hook(TObject*) { Calls.push_back("Hook"); }
    std::vector<String> Calls;
    std::vector<TObject*> Senders;
};

class TObjLoudListener : public TObjListener {
    KOV_CLASS(TObjLoudListener, TObjListener)
public:
    void Hook(TObject*) override { Calls.push_back("LoudHook"); }
};

int freeCalls = 0;
void FreeHandler(TObject*) { ++freeCalls; }
void OtherFreeHandler(TObject*) { freeCalls += 10; }

// A class outside the object model can handle events as well.
struct TPlainTarget {
    int Hits = 0;
    void Hit(TObject*) { ++Hits; }
};

TEST(Closures, CompareBySameObjectAndSameMethod) {
    TObjListener a, b;
    struct Case {
        const char* Name;
        TNotifyEvent Left, Right;
        bool Equal;
    };
    const std::vector<Case> cases = {
        {"same object and method", MakeEvent(&a, &TObjListener::First),
         TNotifyEvent(&a, &TObjListener::First), true},
        {"other method", MakeEvent(&a, &TObjListener::First), MakeEvent(&a, &TObjListener::Second), false},
        {"other object", MakeEvent(&a, &TObjListener::First), MakeEvent(&b, &TObjListener::First), false},
        {"empty and empty", TNotifyEvent(), nullptr, true},
        {"empty and bound", nullptr, MakeEvent(&a, &TObjListener::First), false},
        {"same free function", FreeHandler, MakeEvent(&FreeHandler), true},
        {"other free function", FreeHandler, OtherFreeHandler, false},
        {"free function and method", FreeHandler, MakeEvent(&a, &TObjListener::First), false},
        {"null object is empty", MakeEvent(static_cast<TObjListener*>(nullptr), &TObjListener::First),
         nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Left == c.Right, c.Equal);
        EXPECT_EQ(c.Right == c.Left, c.Equal);
        EXPECT_EQ(c.Left.Method() == c.Right.Method(), c.Equal);
    }
}

TEST(Closures, SurviveSaveReplaceAndRestore) {
    TObjListener listener;
    TObjDog sender;
    TNotifyEvent onChange;
    onChange(&sender);  // empty: nothing happens
    EXPECT_FALSE(onChange);

    onChange = MakeEvent(&listener, &TObjListener::First);
    const TNotifyEvent saved = onChange;
    onChange = MakeEvent(&listener, &TObjListener::Second);
    onChange(&sender);
    onChange = nullptr;
    onChange(&sender);
    onChange = saved;
    EXPECT_EQ(onChange, saved);
    EXPECT_EQ(onChange, MakeEvent(&listener, &TObjListener::First));
    onChange(&sender);

    EXPECT_EQ(listener.Calls, (std::vector<String>{"Second", "First"}));
    EXPECT_EQ(listener.Senders, (std::vector<TObject*>{&sender, &sender}));
    EXPECT_EQ(onChange.Object(), &listener);

    freeCalls = 0;
    onChange = FreeHandler;
    onChange(&sender);
    EXPECT_EQ(freeCalls, 1);
    EXPECT_EQ(onChange.Object(), nullptr);

    TPlainTarget plain;
    onChange = MakeEvent(&plain, &TPlainTarget::Hit);
    onChange(&sender);
    EXPECT_EQ(plain.Hits, 1);
    EXPECT_EQ(onChange.Object(), nullptr);
}

TEST(Closures, CallThroughReferencesConstMethodsAndVirtuals) {
    TObjLoudListener loud;
    TClosure<void(TObject*, String&)> onEdit = MakeEvent(&loud, &TObjListener::Edit);
    String value = "abc";
    onEdit(nullptr, value);
    EXPECT_EQ(value, "abc!");

    TClosure<Integer(Integer)> twice = MakeEvent(&loud, &TObjListener::Twice);
    EXPECT_EQ(twice(21), 42);
    // An empty closure has no result to give.
    EXPECT_THROW(TClosure<Integer(Integer)>()(1), EInvalidOperation);

    // A virtual method dispatches on the object; bound through base or derived pointer the
    // closure is the same.
    TNotifyEvent hook = MakeEvent(&loud, &TObjListener::Hook);
    hook(nullptr);
    EXPECT_EQ(loud.Calls, std::vector<String>{"LoudHook"});
    EXPECT_EQ(hook, MakeEvent(static_cast<TObjListener*>(&loud), &TObjListener::Hook));
}

TEST(Closures, TypeErasedFormKeepsIdentityAndSignature) {
    TObjListener listener;
    const TNotifyEvent event = MakeEvent(&listener, &TObjListener::Second);
    const TMethod method = event.Method();
    EXPECT_TRUE(method.Assigned());
    EXPECT_EQ(method.Object, &listener);
    EXPECT_EQ(*method.Signature, typeid(void(TObject*)));

    TNotifyEvent back(method);
    EXPECT_EQ(back, event);
    back(nullptr);
    EXPECT_EQ(listener.Calls, std::vector<String>{"Second"});

    EXPECT_THROW((TClosure<void(TObject*, String&)>(method)), EInvalidCast);
    EXPECT_FALSE(TNotifyEvent(TMethod()).Assigned());
}

// A handler may free the object whose event it handles; the closure is copied before the call.
class TObjSelfDeleting : public TObject {
    KOV_CLASS(TObjSelfDeleting, TObject)
public:
    TNotifyEvent OnFire;
    void Suicide(TObject*) { delete this; }
};

TEST(Closures, HandlerMayFreeTheClosuresOwner) {
    auto* victim = new TObjSelfDeleting;
    victim->OnFire = MakeEvent(victim, &TObjSelfDeleting::Suicide);
    TLivenessToken alive = victim->LivenessToken();
    victim->OnFire(victim);
    EXPECT_FALSE(alive);
}

}  // namespace

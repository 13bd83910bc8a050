#include <gtest/gtest.h>

#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/TypInfo.h"
#include "tests/support/TestSupport.h"

namespace {

enum TTiShape { shCircle, shSquare, shTriangle };
using TTiShapes = TSet<TTiShape, shTriangle>;
enum TTiUnnamed { unA, unB };  // never given names

// A sub-object a component owns and publishes.
class TTiPen : public TPersistent {
    KOV_CLASS(TTiPen, TPersistent)
public:
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value) { FWidth = value; }

private:
    Integer FWidth = 1;
};

class TTiBase : public TComponent {
    KOV_CLASS(TTiBase, TComponent)
public:
    explicit TTiBase(TComponent* owner) : TComponent(owner), FPen(std::make_unique<TTiPen>()) {}

    Integer GetCount() const { return FCount; }
    void SetCount(Integer value) {
        FCount = value;
        ++SetterCalls;
    }
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }
    bool IsCaptionStored() const { return FCaption != "(auto)"; }
    TTiShape GetShape() const { return FShape; }
    void SetShape(TTiShape value) { FShape = value; }
    TTiShapes GetShapes() const { return FShapes; }
    void SetShapes(TTiShapes value) { FShapes = value; }
    double GetRatio() const { return FRatio; }
    void SetRatio(double value) { FRatio = value; }
    TComponent* GetBuddy() const { return FBuddy; }
    void SetBuddy(TComponent* value) { FBuddy = value; }
    TTiPen* GetPen() const { return FPen.get(); }
    SmallInt GetSmall() const { return FSmall; }
    void SetSmall(SmallInt value) { FSmall = value; }
    char GetLetter() const { return FLetter; }
    void SetLetter(char value) { FLetter = value; }
    Int64 GetBig() const { return FBig; }
    void SetBig(Int64 value) { FBig = value; }
    Integer GetReadOnly() const { return 7; }

    TNotifyEvent OnChange;
    int SetterCalls = 0;

private:
    Integer FCount = 0;
    String FCaption;
    TTiShape FShape = shSquare;
    TTiShapes FShapes{shCircle};
    double FRatio = 0;
    TComponent* FBuddy = nullptr;
    std::unique_ptr<TTiPen> FPen;
    SmallInt FSmall = 0;
    char FLetter = 'a';
    Int64 FBig = 0;
};

class TTiDerived : public TTiBase {
    KOV_CLASS(TTiDerived, TTiBase)
public:
    explicit TTiDerived(TComponent* owner) : TTiBase(owner) {}

    bool GetActive() const { return FActive; }
    void SetActive(bool value) { FActive = value; }
    const WideString& GetTitle() const { return FTitle; }
    void SetTitle(const WideString& value) { FTitle = value; }

    // Handlers a definition binds events to by name.
    void HandleChange(TObject* sender) { Changes.push_back(sender); }
    void HandleCount(TObject*, Integer) {}
    std::vector<TObject*> Changes;

private:
    bool FActive = false;
    WideString FTitle;
};

// Publishes a base-class property again with another default.
class TTiRedeclared : public TTiBase {
    KOV_CLASS(TTiRedeclared, TTiBase)
public:
    explicit TTiRedeclared(TComponent* owner) : TTiBase(owner) { SetCount(5); }
};

// Indexed properties share one getter and setter.
class TTiMargins : public TPersistent {
    KOV_CLASS(TTiMargins, TPersistent)
public:
    Integer GetEdge(Integer index) const { return FEdges[index]; }
    void SetEdge(Integer index, Integer value) { FEdges[index] = value; }

private:
    Integer FEdges[2] = {0, 0};
};

const bool kEnumsRegistered = [] {
    RegisterEnum<TTiShape>("TTiShape", {"shCircle", "shSquare", "shTriangle"});
    RegisterTypeName<TTiShapes>("TTiShapes");
    return true;
}();

}  // namespace

KOV_PUBLISHED(TTiPen) { Property("Width", &TTiPen::GetWidth, &TTiPen::SetWidth).Default(1); }

KOV_PUBLISHED(TTiBase) {
    Property("Count", &TTiBase::GetCount, &TTiBase::SetCount).Default(0);
    Property("Caption", &TTiBase::GetCaption, &TTiBase::SetCaption).Stored(&TTiBase::IsCaptionStored);
    Property("Shape", &TTiBase::GetShape, &TTiBase::SetShape).Default(shSquare);
    Property("Shapes", &TTiBase::GetShapes, &TTiBase::SetShapes).Default({shCircle});
    Property("Ratio", &TTiBase::GetRatio, &TTiBase::SetRatio);
    Property("Buddy", &TTiBase::GetBuddy, &TTiBase::SetBuddy);
    Property("Pen", &TTiBase::GetPen);
    Property("OnChange", &TTiBase::OnChange);
    Property("Small", &TTiBase::GetSmall, &TTiBase::SetSmall);
    Property("Letter", &TTiBase::GetLetter, &TTiBase::SetLetter).Default('a');
    Property("Big", &TTiBase::GetBig, &TTiBase::SetBig);
    Property("ReadOnly", &TTiBase::GetReadOnly).TypeName("TTiCode");
}

KOV_PUBLISHED(TTiDerived) {
    Property("Active", &TTiDerived::GetActive, &TTiDerived::SetActive).Default(false);
    Property("Title", &TTiDerived::GetTitle, &TTiDerived::SetTitle).Stored(false);
    Method("HandleChange", &TTiDerived::HandleChange);
    Method("HandleCount", &TTiDerived::HandleCount);
}

KOV_PUBLISHED(TTiRedeclared) { Property("Count", &TTiBase::GetCount, &TTiBase::SetCount).Default(5); }

KOV_PUBLISHED(TTiMargins) {
    Property("Left", &TTiMargins::GetEdge, &TTiMargins::SetEdge).Index(0);
    Property("Right", &TTiMargins::GetEdge, &TTiMargins::SetEdge).Index(1);
}

namespace {

std::vector<String> Names(const TPropList& list) {
    std::vector<String> names;
    for (PPropInfo p : list) names.push_back(p->Name);
    return names;
}

void IgnoreChange(TObject*) {}

TEST(TypInfo, PropertiesListInOrderAfterTheAncestors) {
    const std::vector<String> base = {"Name",  "Tag",      "Count", "Caption", "Shape",
                                      "Shapes", "Ratio",   "Buddy", "Pen",     "OnChange",
                                      "Small", "Letter",   "Big",   "ReadOnly"};
    EXPECT_EQ(Names(GetPropList(TComponent::StaticClass())), (std::vector<String>{"Name", "Tag"}));
    EXPECT_EQ(Names(GetPropList(TTiBase::StaticClass())), base);

    std::vector<String> derived = base;
    derived.push_back("Active");
    derived.push_back("Title");
    TTiDerived instance(nullptr);
    EXPECT_EQ(Names(GetPropList(&instance)), derived);

    // Published again by a descendant: same place, the descendant's entry.
    const TPropList redeclared = GetPropList(TTiRedeclared::StaticClass());
    EXPECT_EQ(Names(redeclared), base);
    EXPECT_EQ(redeclared[2]->Default, 5);
    EXPECT_EQ(redeclared[2]->DeclaringClass, TTiRedeclared::StaticClass());
    EXPECT_EQ(GetPropInfo(TTiRedeclared::StaticClass(), "count"), redeclared[2]);
    EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Count")->Default, 0);

    EXPECT_TRUE(IsPublishedProp(&instance, "title"));
    EXPECT_FALSE(IsPublishedProp(TTiBase::StaticClass(), "Title"));
    EXPECT_EQ(GetPropInfo(static_cast<TObject*>(nullptr), "Name"), nullptr);
}

TEST(TypInfo, KindsAndTypeNamesFollowTheCppTypes) {
    struct Case {
        const char* Prop;
        TTypeKind Kind;
        const char* TypeName;
    };
    const std::vector<Case> cases = {
        {"Name", tkLString, "String"},         {"Tag", tkInteger, "Integer"},
        {"Shape", tkEnumeration, "TTiShape"},  {"Shapes", tkSet, "TTiShapes"},
        {"Ratio", tkFloat, "Double"},          {"Buddy", tkClass, "TComponent"},
        {"Pen", tkClass, "TTiPen"},            {"OnChange", tkMethod, "TNotifyEvent"},
        {"Small", tkInteger, "SmallInt"},      {"Letter", tkChar, "Char"},
        {"Big", tkInt64, "Int64"},             {"Active", tkEnumeration, "Boolean"},
        {"Title", tkWString, "WideString"},    {"ReadOnly", tkInteger, "TTiCode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Prop);
        PPropInfo prop = GetPropInfo(TTiDerived::StaticClass(), c.Prop);
        ASSERT_NE(prop, nullptr);
        EXPECT_EQ(prop->Kind(), c.Kind);
        EXPECT_EQ(prop->PropType->Name, c.TypeName);
    }
    PPropInfo shapes = GetPropInfo(TTiBase::StaticClass(), "Shapes");
    EXPECT_EQ(shapes->PropType->CompType, TypeInfo<TTiShape>());
    EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Pen")->PropType->ClassType, TTiPen::StaticClass());
    EXPECT_EQ(GetPropInfo(TTiBase::StaticClass(), "Small")->PropType->MinValue, -32768);
    EXPECT_EQ(TypeInfo<TTiShape>()->EnumNames.size(), 3u);
    EXPECT_EQ(TypeInfo<bool>()->EnumNames, (std::vector<String>{"False", "True"}));
    EXPECT_FALSE(GetPropInfo(TTiBase::StaticClass(), "ReadOnly")->IsWritable());
    EXPECT_FALSE(GetPropInfo(TTiBase::StaticClass(), "Pen")->IsWritable());
    EXPECT_TRUE(GetPropInfo(TTiBase::StaticClass(), "OnChange")->IsWritable());
}

TEST(TypInfo, PropertiesAreSetAndReadByNameAsText) {
    // Numbers keep "." whatever the locale.
    testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());
    TTiDerived instance(nullptr);
    struct Case {
        const char* Prop;
        const char* Text;
        const char* ReadBack;
    };
    const std::vector<Case> cases = {
        {"Name", "Widget1", "Widget1"},
        {"Tag", "-2", "-2"},
        {"Count", " 42 ", "42"},
        {"Caption", "Kanal 1, 'quoted'", "Kanal 1, 'quoted'"},
        {"Shape", "shTriangle", "shTriangle"},
        {"Shape", "SHCIRCLE", "shCircle"},
        {"Shapes", "[shTriangle, shCircle]", "[shCircle,shTriangle]"},
        {"Shapes", "shSquare", "[shSquare]"},
        {"Shapes", "[]", "[]"},
        {"Ratio", "2.5", "2.5"},
        {"Ratio", "-1e-3", "-0.001"},
        {"Small", "-32768", "-32768"},
        {"Letter", "Z", "Z"},
        {"Big", "9007199254740993", "9007199254740993"},
        {"Active", "true", "True"},
        {"Title", "\xe9\xa2\x91\xe9\x81\x93 A", "\xe9\xa2\x91\xe9\x81\x93 A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.Prop) + " = " + c.Text);
        SetPropText(&instance, c.Prop, c.Text);
        EXPECT_EQ(GetPropText(&instance, c.Prop), c.ReadBack);
    }
    // The setters ran, and the wide string holds UTF-16.
    EXPECT_EQ(instance.GetName(), "Widget1");
    EXPECT_EQ(instance.GetTitle(), u"\u9891\u9053 A");
    EXPECT_EQ(instance.GetShapes(), TTiShapes());
    EXPECT_EQ(instance.GetRatio(), -0.001);
    EXPECT_EQ(instance.SetterCalls, 1);
}

TEST(TypInfo, TextThatDoesNotFitIsRefused) {
    TTiDerived instance(nullptr);
    struct Case {
        const char* Prop;
        const char* Text;
        const char* Error;
    };
    const std::vector<Case> cases = {
        {"Count", "12x", "Invalid property value"},
        {"Count", "", "Invalid property value"},
        {"Count", "99999999999", "Invalid property value"},
        {"Small", "32768", "Invalid property value"},
        {"Ratio", "2,5", "Invalid property value"},
        {"Letter", "ab", "Invalid property value"},
        {"Shape", "shHexagon", "Invalid property element: shHexagon"},
        {"Shapes", "[shCircle, shHexagon]", "Invalid property element: shHexagon"},
        {"Shapes", "[shCircle,,shSquare]", "Invalid property value"},
        {"Shapes", "[shCircle", "Invalid property value"},
        {"Active", "yes", "Invalid property element: yes"},
        {"Buddy", "Nobody", "Invalid property value"},
        {"OnChange", "NoSuchHandler", "Invalid property value"},
        {"OnChange", "HandleCount", "Invalid property value"},  // another signature
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.Prop) + " = " + c.Text);
        try {
            SetPropText(&instance, c.Prop, c.Text);
            ADD_FAILURE() << "accepted";
        } catch (const EPropertyConvertError& e) {
            EXPECT_EQ(e.Message, c.Error);
        }
    }
    // Nothing changed.
    EXPECT_EQ(instance.GetCount(), 0);
    EXPECT_EQ(instance.GetShape(), shSquare);
    EXPECT_EQ(instance.GetShapes(), TTiShapes{shCircle});
    EXPECT_FALSE(instance.OnChange);

    try {
        SetPropText(&instance, "Colour", "1");
        ADD_FAILURE() << "unknown property accepted";
    } catch (const EPropertyError& e) {
        EXPECT_EQ(e.Message, "Property Colour does not exist");
    }
    EXPECT_THROW(GetPropText(&instance, "Colour"), EPropertyError);
    EXPECT_THROW(SetPropText(&instance, "ReadOnly", "1"), EPropertyError);
    EXPECT_THROW(SetPropText(nullptr, "Name", "x"), EPropertyError);
}

TEST(TypInfo, TypedAccessorsCheckTheKind) {
    TTiDerived instance(nullptr);
    SetOrdProp(&instance, "Count", 12);
    EXPECT_EQ(instance.GetCount(), 12);
    EXPECT_EQ(GetOrdProp(&instance, "Count"), 12);
    SetOrdProp(&instance, "Shape", shTriangle);
    EXPECT_EQ(GetEnumProp(&instance, "Shape"), "shTriangle");
    SetEnumProp(&instance, "Shape", "shCircle");
    EXPECT_EQ(instance.GetShape(), shCircle);
    SetOrdProp(&instance, "Active", 1);
    EXPECT_TRUE(instance.GetActive());
    EXPECT_EQ(GetEnumProp(&instance, "Active"), "True");
    SetOrdProp(&instance, "Shapes", 0b101);
    EXPECT_EQ(GetSetProp(&instance, "Shapes"), "[shCircle,shTriangle]");
    EXPECT_EQ(GetSetProp(&instance, "Shapes", false), "shCircle,shTriangle");
    SetSetProp(&instance, "Shapes", "[shSquare]");
    EXPECT_EQ(GetOrdProp(&instance, "Shapes"), 0b010);
    SetFloatProp(&instance, "Ratio", 0.25L);
    EXPECT_EQ(GetFloatProp(&instance, "Ratio"), 0.25L);
    SetInt64Prop(&instance, "Big", Int64(1) << 40);
    EXPECT_EQ(GetInt64Prop(&instance, "Big"), Int64(1) << 40);
    EXPECT_EQ(GetInt64Prop(&instance, "Count"), 12);
    SetStrProp(&instance, "Title", "T\xc3\xbc");
    EXPECT_EQ(instance.GetTitle(), u"T\u00fc");
    EXPECT_EQ(GetStrProp(&instance, "Title"), "T\xc3\xbc");
    SetOrdProp(&instance, "Letter", 'q');
    EXPECT_EQ(GetOrdProp(&instance, "Letter"), 'q');

    struct Case {
        const char* Name;
        void (*Access)(TTiDerived&);
        const char* Error;
    };
    const std::vector<Case> cases = {
        {"ord of a string", [](TTiDerived& i) { GetOrdProp(&i, "Caption"); },
         "Invalid property type: String"},
        {"string of an integer", [](TTiDerived& i) { SetStrProp(&i, "Count", "1"); },
         "Invalid property type: Integer"},
        {"float of an enumeration", [](TTiDerived& i) { GetFloatProp(&i, "Shape"); },
         "Invalid property type: TTiShape"},
        {"enumeration of a set", [](TTiDerived& i) { GetEnumProp(&i, "Shapes"); },
         "Invalid property type: TTiShapes"},
        {"set of an integer", [](TTiDerived& i) { SetSetProp(&i, "Count", "[]"); },
         "Invalid property type: Integer"},
        {"object of an event", [](TTiDerived& i) { GetObjectProp(&i, "OnChange"); },
         "Invalid property type: TNotifyEvent"},
        {"event of an object", [](TTiDerived& i) { GetMethodProp(&i, "Buddy"); },
         "Invalid property type: TComponent"},
        {"int64 of a float", [](TTiDerived& i) { GetInt64Prop(&i, "Ratio"); },
         "Invalid property type: Double"},
        {"enumeration past its names", [](TTiDerived& i) { SetOrdProp(&i, "Shape", 3); },
         "Invalid property value"},
        {"set past its elements", [](TTiDerived& i) { SetOrdProp(&i, "Shapes", 0b1000); },
         "Invalid property value"},
        {"object of another class", [](TTiDerived& i) { SetObjectProp(&i, "Buddy", i.GetPen()); },
         "Invalid property value"},
        {"unknown handle", [](TTiDerived& i) { SetOrdProp(&i, "Buddy", 0x7fffffff); },
         "Invalid property value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            c.Access(instance);
            ADD_FAILURE() << "no error";
        } catch (const EPropertyConvertError& e) {
            EXPECT_EQ(e.Message, c.Error);
        }
    }
    EXPECT_EQ(instance.GetShape(), shCircle);
    EXPECT_EQ(instance.GetBuddy(), nullptr);
}

TEST(TypInfo, ClassPropertiesHoldObjectsAndComponentReferences) {
    TComponent form(nullptr);
    form.SetName("Form1");
    auto* first = new TTiDerived(&form);
    first->SetName("First");
    auto* second = new TTiBase(&form);
    second->SetName("Second");

    EXPECT_EQ(GetObjectProp(first, "Pen"), first->GetPen());
    SetOrdProp(first->GetPen(), "Width", 3);
    EXPECT_EQ(first->GetPen()->GetWidth(), 3);
    EXPECT_THROW(SetObjectProp(first, "Pen", nullptr), EPropertyError);  // read-only

    SetObjectProp(first, "Buddy", second);
    EXPECT_EQ(first->GetBuddy(), second);
    EXPECT_EQ(GetPropText(first, "Buddy"), "Second");
    // By name: a sibling, the owner itself, none.
    SetPropText(first, "Buddy", "first");
    EXPECT_EQ(first->GetBuddy(), first);
    SetPropText(first, "Buddy", "Form1");
    EXPECT_EQ(first->GetBuddy(), &form);
    SetPropText(first, "Buddy", "");
    EXPECT_EQ(first->GetBuddy(), nullptr);
    // Scripts reach objects through handles.
    SetOrdProp(first, "Buddy", ObjectToHandle(second));
    EXPECT_EQ(first->GetBuddy(), second);
    EXPECT_EQ(GetOrdProp(first, "Buddy"), Int64(ObjectToHandle(second)));
    EXPECT_THROW(GetPropText(first, "Pen"), EPropertyConvertError);  // not a component

    // A property the instance's class does not have is refused even with its record.
    PPropInfo active = GetPropInfo(TTiDerived::StaticClass(), "Active");
    EXPECT_THROW(GetOrdProp(second, active), EPropertyError);
}

TEST(TypInfo, IndexedPropertiesPassTheirIndex) {
    TTiMargins margins;
    SetOrdProp(&margins, "Right", 8);
    SetPropText(&margins, "Left", "3");
    EXPECT_EQ(margins.GetEdge(0), 3);
    EXPECT_EQ(margins.GetEdge(1), 8);
    EXPECT_EQ(GetOrdProp(&margins, "Left"), 3);
    PPropInfo right = GetPropInfo(&margins, "Right");
    EXPECT_TRUE(right->HasIndex);
    EXPECT_EQ(right->Index, 1);
}

TEST(TypInfo, DefaultsAndStoredRules) {
    TTiDerived instance(nullptr);
    struct Case {
        const char* Prop;
        bool IsDefault;
        bool Stored;
    };
    // As constructed.
    const std::vector<Case> fresh = {
        {"Name", true, false},     {"Tag", true, true},      {"Count", true, true},  {"Caption", true, true},
        {"Shape", true, true},     {"Shapes", true, true},   {"Ratio", false, true}, {"Buddy", true, true},
        {"OnChange", true, true},  {"Small", false, true},   {"Letter", true, true}, {"Active", true, true},
        {"Title", true, false},
    };
    for (const Case& c : fresh) {
        SCOPED_TRACE(c.Prop);
        EXPECT_EQ(IsDefaultPropValue(&instance, GetPropInfo(&instance, c.Prop)), c.IsDefault);
        EXPECT_EQ(IsStoredProp(&instance, c.Prop), c.Stored);
    }
    PPropInfo shape = GetPropInfo(&instance, "Shape");
    EXPECT_TRUE(shape->HasDefault);
    EXPECT_EQ(shape->Default, shSquare);
    EXPECT_EQ(GetPropInfo(&instance, "Shapes")->Default, 0b001);
    EXPECT_FALSE(GetPropInfo(&instance, "Ratio")->HasDefault);

    instance.SetShape(shCircle);
    instance.SetShapes({});
    instance.SetCaption("(auto)");
    instance.SetActive(true);
    EXPECT_FALSE(IsDefaultPropValue(&instance, shape));
    EXPECT_FALSE(IsDefaultPropValue(&instance, GetPropInfo(&instance, "Shapes")));
    EXPECT_FALSE(IsDefaultPropValue(&instance, GetPropInfo(&instance, "Active")));
    EXPECT_FALSE(IsStoredProp(&instance, "Caption"));  // the predicate says so
    EXPECT_EQ(GetPropInfo(&instance, "Caption")->Stored, srPredicate);
}

TEST(TypInfo, EventsBindToPublishedMethodsByName) {
    TTiDerived form(nullptr);
    auto* control = new TTiBase(&form);

    const TMethod handler = FindPublishedMethod(&form, "handlechange");
    ASSERT_TRUE(handler.Assigned());
    EXPECT_EQ(handler.Object, &form);
    SetMethodProp(control, "OnChange", handler);
    control->OnChange(control);
    EXPECT_EQ(form.Changes, std::vector<TObject*>{control});
    EXPECT_EQ(control->OnChange, MakeEvent(&form, &TTiDerived::HandleChange));
    EXPECT_EQ(GetMethodProp(control, "OnChange"), handler);
    EXPECT_EQ(PublishedMethodName(GetMethodProp(control, "OnChange")), "HandleChange");
    EXPECT_EQ(GetPropText(control, "OnChange"), "HandleChange");

    // A handler of another signature is refused and the event keeps its handler.
    const TMethod wrong = FindPublishedMethod(&form, "HandleCount");
    ASSERT_TRUE(wrong.Assigned());
    try {
        SetMethodProp(control, "OnChange", wrong);
        ADD_FAILURE() << "a method of another signature was bound";
    } catch (const EPropertyConvertError& e) {
        EXPECT_EQ(e.Message, "Invalid property value");
    }
    EXPECT_EQ(GetMethodProp(control, "OnChange"), handler);

    // Clearing, and binding by text through the owner.
    SetMethodProp(control, "OnChange", TMethod());
    EXPECT_FALSE(control->OnChange);
    EXPECT_EQ(GetPropText(control, "OnChange"), "");
    SetPropText(control, "OnChange", "HandleChange");
    EXPECT_EQ(control->OnChange, MakeEvent(&form, &TTiDerived::HandleChange));
    SetPropText(control, "OnChange", "");
    EXPECT_FALSE(control->OnChange);

    EXPECT_FALSE(FindPublishedMethod(&form, "Nothing").Assigned());
    EXPECT_FALSE(FindPublishedMethod(control, "HandleChange").Assigned());
    // A handler that is not a published method has no name.
    TTiDerived other(nullptr);
    control->OnChange = MakeEvent(&other, &TTiDerived::HandleChange);
    EXPECT_EQ(PublishedMethodName(control->OnChange.Method()), "HandleChange");
    control->OnChange = IgnoreChange;
    EXPECT_EQ(PublishedMethodName(control->OnChange.Method()), "");
}

TEST(TypInfo, EnumerationNamesAndSetTexts) {
    PTypeInfo shape = TypeInfo<TTiShape>();
    PTypeInfo shapes = TypeInfo<TTiShapes>();
    EXPECT_EQ(GetEnumName(shape, 1), "shSquare");
    EXPECT_EQ(GetEnumName(shape, 7), "7");
    EXPECT_EQ(GetEnumName(TypeInfo<bool>(), 0), "False");
    EXPECT_EQ(GetEnumName(TypeInfo<Integer>(), 12), "12");
    EXPECT_EQ(GetEnumName(TypeInfo<TTiUnnamed>(), 1), "1");
    EXPECT_EQ(GetEnumValue(shape, "SHTRIANGLE"), 2);
    EXPECT_EQ(GetEnumValue(shape, "shOval"), -1);
    EXPECT_EQ(GetEnumValue(TypeInfo<bool>(), "true"), 1);

    struct Case {
        Int64 Mask;
        const char* Text;
    };
    const std::vector<Case> cases = {
        {0, "[]"}, {0b001, "[shCircle]"}, {0b111, "[shCircle,shSquare,shTriangle]"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(SetToString(shapes, c.Mask), c.Text);
        EXPECT_EQ(StringToSet(shapes, c.Text), c.Mask);
    }
    EXPECT_EQ(StringToSet(shapes, "  shTriangle ,shCircle "), 0b101);
    EXPECT_EQ(StringToSet(shapes, ""), 0);
    EXPECT_EQ(SetToString(GetPropInfo(TTiBase::StaticClass(), "Shapes"), 0b010, false), "shSquare");

    // A set of an integer range writes its numbers.
    using TSlots = TSet<Integer, 31>;
    EXPECT_EQ(SetToString(TypeInfo<TSlots>(), (Int64(1) << 31) | 0b1001), "[0,3,31]");
    EXPECT_EQ(StringToSet(TypeInfo<TSlots>(), "[0, 3, 31]"), (Int64(1) << 31) | 0b1001);
    EXPECT_THROW(StringToSet(TypeInfo<TSlots>(), "[32]"), EPropertyConvertError);
    EXPECT_THROW(SetToString(shape, 0), EPropertyConvertError);
}

}  // namespace

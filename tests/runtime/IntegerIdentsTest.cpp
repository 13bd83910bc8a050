// Integer types with named values: definitions give them by name or by number, the reader maps
// the name through the identifiers registered for the property's type name, and the writer
// stores a value by its name when it has one.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

struct TShadeName {
    Integer Value;
    const char* Name;
};
const TShadeName kShades[] = {{0, "shNone"}, {-5, "shDeep"}, {0x00FF00, "shGreen"}};

bool IdentToShade(const String& ident, Integer& value) {
    for (const TShadeName& s : kShades)
        if (SameText(ident, s.Name)) {
            value = s.Value;
            return true;
        }
    return false;
}

bool ShadeToIdent(Integer value, String& ident) {
    for (const TShadeName& s : kShades)
        if (s.Value == value) {
            ident = s.Name;
            return true;
        }
    return false;
}

// Two properties of the same C++ type: one named TIdtShade (with identifiers), one plain.
class TIdtThing : public TComponent {
    KOV_CLASS(TIdtThing, TComponent)
public:
    explicit TIdtThing(TComponent* owner) : TComponent(owner) {}
    Integer GetShade() const { return FShade; }
    void SetShade(Integer value) { FShade = value; }
    Integer GetCount() const { return FCount; }
    void SetCount(Integer value) { FCount = value; }

private:
    Integer FShade = 0;
    Integer FCount = 0;
};

}  // namespace

KOV_PUBLISHED(TIdtThing) {
    Property("Shade", &TIdtThing::GetShade, &TIdtThing::SetShade).TypeName("TIdtShade").Default(0);
    Property("Count", &TIdtThing::GetCount, &TIdtThing::SetCount).Default(0);
}

namespace {

const bool kRegistered = [] {
    RegisterClass(TIdtThing::StaticClass());
    RegisterIntegerIdents("TIdtShade", IdentToShade, ShadeToIdent);
    return true;
}();

String WriteText(TComponent* root) {
    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(root);
    binary.SetPosition(0);
    TMemoryStream text;
    ObjectBinaryToText(&binary, &text);
    return String(static_cast<const char*>(text.GetMemory()), std::size_t(text.GetSize()));
}

TEST(IntegerIdentsTest, TheMapsAreFoundByTypeNameWithoutRegardToCase) {
    ASSERT_TRUE(kRegistered);
    PPropInfo shade = GetPropInfo(TIdtThing::StaticClass(), "Shade");
    ASSERT_NE(shade, nullptr);
    TIdentToInt toInt = FindIdentToInt(shade->PropType);
    ASSERT_TRUE(toInt);
    Integer value = 0;
    EXPECT_TRUE(toInt("SHDEEP", value));
    EXPECT_EQ(value, -5);
    EXPECT_FALSE(FindIdentToInt(GetPropInfo(TIdtThing::StaticClass(), "Count")->PropType));
    EXPECT_FALSE(FindIntToIdent(nullptr));

    // Registering a type name again replaces its maps.
    RegisterIntegerIdents("TIdtOther", IdentToShade, nullptr);
    RegisterIntegerIdents("tidtother", nullptr, ShadeToIdent);
    TTypeInfo other;
    other.Kind = tkInteger;
    other.Name = "TIdtOther";
    EXPECT_FALSE(FindIdentToInt(&other));
    EXPECT_TRUE(FindIntToIdent(&other));
}

TEST(IntegerIdentsTest, ReadByNameOrNumberAndWrittenByName) {
    struct Case {
        const char* Value;      // as the definition gives it
        Integer Expected;       // what the property holds
        const char* Written;    // how the writer stores it again
    };
    const std::vector<Case> cases = {
        {"shGreen", 0x00FF00, "shGreen"},
        {"ShDeep", -5, "shDeep"},
        {"65280", 0x00FF00, "shGreen"},  // a number that has a name is written by name
        {"17", 17, "17"},                // one without stays a number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value);
        const String text = String("object Thing: TIdtThing\n  Shade = ") + c.Value + "\nend\n";
        std::unique_ptr<TComponent> root(ReadComponentText(text, nullptr));
        auto* thing = dynamic_cast<TIdtThing*>(root.get());
        ASSERT_NE(thing, nullptr);
        EXPECT_EQ(thing->GetShade(), c.Expected);
        EXPECT_EQ(WriteText(thing), String("object Thing: TIdtThing\n  Shade = ") + c.Written + "\nend\n");
    }
}

TEST(IntegerIdentsTest, AnUnknownNameOrAPropertyWithoutNamesFailsOnItsLine) {
    struct Case {
        const char* Property;
        const char* Message;
    };
    const std::vector<Case> cases = {
        {"Shade = shPurple", "Source: Error reading Thing.Shade: Invalid property value on line 3"},
        {"Count = shDeep", "Source: Error reading Thing.Count: Invalid property value on line 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Property);
        const String text = String("object Thing: TIdtThing\n  Tag = 1\n  ") + c.Property + "\nend\n";
        try {
            delete ReadComponentText(text, nullptr, "Source");
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "tests/support/TestSupport.h"

namespace {

enum TOtxShade { osLight, osMedium, osDark };
using TOtxShades = TSet<TOtxShade, osDark>;

class TOtxFont : public TPersistent {
    KOV_CLASS(TOtxFont, TPersistent)
public:
    const String& GetName() const { return FName; }
    void SetName(const String& value) { FName = value; }
    Integer GetSize() const { return FSize; }
    void SetSize(Integer value) { FSize = value; }

private:
    String FName;
    Integer FSize = 8;
};

class TOtxColumn : public TCollectionItem {
    KOV_CLASS(TOtxColumn, TCollectionItem)
public:
    explicit TOtxColumn(TCollection* collection) : TCollectionItem(collection) {}
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value) { FWidth = value; }

private:
    String FCaption;
    Integer FWidth = 0;
};

class TOtxThing : public TComponent {
    KOV_CLASS(TOtxThing, TComponent)
public:
    explicit TOtxThing(TComponent* owner)
        : TComponent(owner), FFont(std::make_unique<TOtxFont>()), FItems(std::make_unique<TStringList>()),
          FColumns(std::make_unique<TOwnedCollection>(this, TCollectionItemClass::Of<TOtxColumn>())) {}

    Integer GetCount() const { return FCount; }
    void SetCount(Integer value) { FCount = value; }
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }
    TOtxShade GetShade() const { return FShade; }
    void SetShade(TOtxShade value) { FShade = value; }
    TOtxShades GetShades() const { return FShades; }
    void SetShades(TOtxShades value) { FShades = value; }
    double GetRatio() const { return FRatio; }
    void SetRatio(double value) { FRatio = value; }
    TOtxFont* GetFont() const { return FFont.get(); }
    TStrings* GetItems() const { return FItems.get(); }
    TCollection* GetColumns() const { return FColumns.get(); }
    TComponent* GetBuddy() const { return FBuddy; }
    void SetBuddy(TComponent* value) { FBuddy = value; }

    TNotifyEvent OnClick;
    String Data;

    void DefineProperties(TFiler* filer) override {
        inherited::DefineProperties(filer);
        filer->DefineBinaryProperty(
            "Data",
            [this](TStream* stream) {
                Data.assign(std::size_t(stream->GetSize()), '\0');
                stream->ReadBuffer(Data.data(), Integer(Data.size()));
            },
            [this](TStream* stream) { stream->WriteBuffer(Data.data(), Integer(Data.size())); },
            !Data.empty());
    }

private:
    Integer FCount = 0;
    String FCaption;
    TOtxShade FShade = osLight;
    TOtxShades FShades;
    double FRatio = 0;
    std::unique_ptr<TOtxFont> FFont;
    std::unique_ptr<TStringList> FItems;
    std::unique_ptr<TOwnedCollection> FColumns;
    TComponent* FBuddy = nullptr;
};

class TOtxRoot : public TComponent {
    KOV_CLASS(TOtxRoot, TComponent)
public:
    explicit TOtxRoot(TComponent* owner) : TComponent(owner) {}
    ~TOtxRoot() override { DestroyComponents(); }
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }
    void BoxClick(TObject*) {}
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (Integer i = 0; i < GetComponentCount(); ++i) proc(GetComponents(i));
    }

private:
    String FCaption;
};

}  // namespace

KOV_PUBLISHED(TOtxFont) {
    Property("Name", &TOtxFont::GetName, &TOtxFont::SetName);
    Property("Size", &TOtxFont::GetSize, &TOtxFont::SetSize).Default(8);
}

KOV_PUBLISHED(TOtxColumn) {
    Property("Caption", &TOtxColumn::GetCaption, &TOtxColumn::SetCaption);
    Property("Width", &TOtxColumn::GetWidth, &TOtxColumn::SetWidth).Default(0);
}

KOV_PUBLISHED(TOtxThing) {
    Property("Count", &TOtxThing::GetCount, &TOtxThing::SetCount).Default(0);
    Property("Caption", &TOtxThing::GetCaption, &TOtxThing::SetCaption);
    Property("Shade", &TOtxThing::GetShade, &TOtxThing::SetShade).Default(osLight);
    Property("Shades", &TOtxThing::GetShades, &TOtxThing::SetShades).Default(TOtxShades());
    Property("Ratio", &TOtxThing::GetRatio, &TOtxThing::SetRatio);
    Property("Font", &TOtxThing::GetFont);
    Property("Items", &TOtxThing::GetItems);
    Property("Columns", &TOtxThing::GetColumns);
    Property("Buddy", &TOtxThing::GetBuddy, &TOtxThing::SetBuddy);
    Property("OnClick", &TOtxThing::OnClick);
}

KOV_PUBLISHED(TOtxRoot) {
    Property("Caption", &TOtxRoot::GetCaption, &TOtxRoot::SetCaption);
    Method("BoxClick", &TOtxRoot::BoxClick);
}

namespace {

const bool kRegistered = [] {
    RegisterEnum<TOtxShade>("TOtxShade", {"osLight", "osMedium", "osDark"});
    RegisterClasses({TOtxRoot::StaticClass(), TOtxThing::StaticClass()});
    return true;
}();

String StreamBytes(TMemoryStream& stream) {
    return String(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

String BinaryToText(const String& bytes) {
    TStringStream input(bytes);
    TStringStream output;
    ObjectBinaryToText(&input, &output);
    return output.GetDataString();
}

String TextToBinary(const String& text) {
    TStringStream input(text);
    TMemoryStream output;
    ObjectTextToBinary(&input, &output);
    return StreamBytes(output);
}

String WriteRoot(TComponent* root) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
    return StreamBytes(stream);
}

std::unique_ptr<TOtxRoot> LoadText(const String& text, const String& source = String()) {
    TComponent* root = ReadComponentText(text, nullptr, source);
    auto* typed = dynamic_cast<TOtxRoot*>(root);
    if (typed == nullptr) delete root;
    return std::unique_ptr<TOtxRoot>(typed);
}

TEST(ObjectText, WrittenTreeReadsAsItsDefinition) {
    testsupport::ScopedFormatSettings comma(testsupport::CommaSettings());  // "." whatever the locale
    TOtxRoot root(nullptr);
    root.SetName("Main");
    root.SetCaption("Main window");
    auto* box = new TOtxThing(&root);
    box->SetName("Box");
    auto* other = new TOtxThing(&root);
    other->SetName("Other");
    box->SetCount(42);
    box->SetCaption("It's\r\n\xE4\xB8\xAD");
    box->SetShade(osDark);
    box->SetShades({osLight, osDark});
    box->SetRatio(1.5);
    box->GetFont()->SetName("Sans");
    box->GetItems()->Add("a");
    box->GetItems()->Add("b");
    static_cast<TOtxColumn*>(box->GetColumns()->Add())->SetCaption("c1");
    static_cast<TOtxColumn*>(box->GetColumns()->Add())->SetWidth(5);
    box->SetBuddy(other);
    box->OnClick = MakeEvent(&root, &TOtxRoot::BoxClick);
    for (Integer i = 0; i < 40; ++i) box->Data += char(i * 7);
    other->SetRatio(-2.5e-7);

    const String bytes = WriteRoot(&root);
    const String text = BinaryToText(bytes);
    EXPECT_EQ(text,
              "object Main: TOtxRoot\n"
              "  Caption = 'Main window'\n"
              "  object Box: TOtxThing\n"
              "    Count = 42\n"
              "    Caption = 'It''s'#13#10'\xE4\xB8\xAD'\n"
              "    Shade = osDark\n"
              "    Shades = [osLight, osDark]\n"
              "    Ratio = 1.5\n"
              "    Font.Name = 'Sans'\n"
              "    Items.Strings = (\n"
              "      'a'\n"
              "      'b')\n"
              "    Columns = <\n"
              "      item\n"
              "        Caption = 'c1'\n"
              "      end\n"
              "      item\n"
              "        Width = 5\n"
              "      end>\n"
              "    Buddy = Other\n"
              "    OnClick = BoxClick\n"
              "    Data = {\n"
              "      00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9\n"
              "      E0E7EEF5FC030A11}\n"
              "  end\n"
              "  object Other: TOtxThing\n"
              "    Ratio = -2.5e-07\n"
              "    Columns = <>\n"
              "  end\n"
              "end\n");
    EXPECT_EQ(TextToBinary(text), bytes);
}

// A stream with every kind of value and header the text can hold, built value by value.
String EveryKindStream() {
    TMemoryStream stream;
    TWriter w(&stream);
    w.WriteSignature();
    w.WriteStr("TRootClass");
    w.WriteStr("Root");
    auto prop = [&](const char* name) { w.WriteStr(name); };
    prop("Int8");
    w.WriteInteger(-5);
    prop("Int16");
    w.WriteInteger(1000);
    prop("Int32");
    w.WriteInteger(-100000);
    prop("Int64");
    w.WriteInteger(Int64(1) << 50);
    prop("Int64Min");
    w.WriteInteger(INT64_MIN);
    const std::vector<Extended> floats = {0.1L, 100.0L, -1e300L, 1e-5L, 3.0L / 7.0L, 0.0L, 1e4000L};
    for (std::size_t i = 0; i < floats.size(); ++i) {
        prop(("Float" + IntToStr(Integer(i))).c_str());
        w.WriteFloat(floats[i]);
    }
    prop("Subnormal");
    w.WriteFloat(4.9406564584124654e-324); // a double's smallest
    prop("SubnormalExtended");
    w.WriteFloat(std::numeric_limits<Extended>::denorm_min() * 3);
    prop("Single");
    w.WriteSingle(0.3f);
    prop("SubnormalSingle");
    w.WriteSingle(std::numeric_limits<float>::denorm_min());
    prop("SubnormalDate");
    w.WriteDate(-2.2250738585072e-310);
    prop("NullValue");
    w.WriteValue(vaNull);
    prop("Currency");
    w.WriteCurrency(Currency::FromRaw(-1234567));
    prop("CurrencyWhole");
    w.WriteCurrency(Currency::FromRaw(20000));
    prop("Date");
    w.WriteDate(45000.123456789);
    prop("Empty");
    w.WriteString("");
    prop("Quotes");
    w.WriteString("'''");
    prop("Controls");
    w.WriteString(String("\x00\x01\r\n\x7F", 5) + "end");
    prop("Long");
    String longText;
    for (Integer i = 0; i < 300; ++i) longText += char('a' + i % 26);
    w.WriteString(longText);
    prop("Utf8");
    w.WriteString("\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 caf\xC3\xA9");
    prop("LongUtf8");
    String longUtf8;
    for (Integer i = 0; i < 100; ++i) longUtf8 += "\xC3\xA9'";
    w.WriteString(longUtf8);
    prop("Bytes");
    w.WriteString(String("\xFF\xC3 \x80", 4));
    prop("Ident");
    w.WriteIdent("alClient");
    prop("Dotted");
    w.WriteIdent("Other.Comp");
    prop("True");
    w.WriteBoolean(true);
    prop("False");
    w.WriteBoolean(false);
    prop("Nil");
    w.WriteIdent("nil");
    prop("EmptySet");
    w.WriteValue(vaSet);
    w.WriteStr("");
    prop("Set");
    w.WriteValue(vaSet);
    w.WriteStr("akLeft");
    w.WriteStr("akTop");
    w.WriteStr("");
    prop("List.Strings");
    w.WriteListBegin();
    w.WriteInteger(1);
    w.WriteString("two");
    w.WriteListBegin();
    w.WriteFloat(3.5L);
    w.WriteListEnd();
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    prop("Collection");
    w.WriteValue(vaCollection);
    w.WriteListBegin();
    w.WriteStr("Caption");
    w.WriteString("first");
    w.WriteStr("Inner");
    w.WriteValue(vaCollection);
    w.WriteInteger(3);
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteInteger(1000);
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListEnd();
    prop("EmptyCollection");
    w.WriteValue(vaCollection);
    w.WriteListEnd();
    prop("EmptyBinary");
    w.WriteBinary("");
    prop("Binary");
    String binary;
    for (Integer i = 0; i < 100; ++i) binary += char(255 - i);
    w.WriteBinary(binary);
    w.WriteListEnd();  // the root's properties
    // Children: an inherited one with a child position, an inline one, one without name.
    w.WritePrefix({ffInherited, ffChildPos}, 2);
    w.WriteStr("TChildClass");
    w.WriteStr("Kid");
    w.WriteStr("object");  // a property may be named like a keyword
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WritePrefix({ffInline}, 0);
    w.WriteStr("TFrameClass");
    w.WriteStr("Frame");
    w.WriteListEnd();
    w.WriteStr("TNamelessClass");  // a child of the frame
    w.WriteStr("");
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();  // the frame's children
    w.WriteListEnd();  // the root's children
    return StreamBytes(stream);
}

TEST(ObjectText, EveryValueKindSurvivesBinaryToTextToBinary) {
    const String bytes = EveryKindStream();
    const String text = BinaryToText(bytes);
    EXPECT_EQ(TextToBinary(text), bytes) << text;
    EXPECT_EQ(BinaryToText(TextToBinary(text)), text);
    // A few of the forms, as a person reads them.
    EXPECT_NE(text.find("  Int64Min = -9223372036854775808\n"), String::npos);
    EXPECT_NE(text.find("  Float1 = 100.0\n"), String::npos);
    EXPECT_NE(text.find("  Single = 0.3s\n"), String::npos);
    EXPECT_NE(text.find("  Subnormal = 5.0e-324\n"), String::npos);
    EXPECT_NE(text.find("  SubnormalSingle = 1.0e-45s\n"), String::npos);
    EXPECT_NE(text.find("  NullValue = Null\n"), String::npos);
    EXPECT_NE(text.find("  Currency = -123.4567c\n"), String::npos);
    EXPECT_NE(text.find("  CurrencyWhole = 2.0c\n"), String::npos);
    EXPECT_NE(text.find("  Controls = #0#1#13#10#127'end'\n"), String::npos);
    EXPECT_NE(text.find("  Quotes = ''''''''\n"), String::npos);
    EXPECT_NE(text.find("  Set = [akLeft, akTop]\n"), String::npos);
    EXPECT_NE(text.find("  EmptySet = []\n"), String::npos);
    EXPECT_NE(text.find("  Dotted = Other.Comp\n"), String::npos);
    EXPECT_NE(text.find("  Nil = nil\n"), String::npos);
    EXPECT_NE(text.find("    item [1000]\n"), String::npos);
    EXPECT_NE(text.find("  inherited Kid: TChildClass [2]\n"), String::npos);
    EXPECT_NE(text.find("  inline Frame: TFrameClass\n"), String::npos);
    EXPECT_NE(text.find("    object TNamelessClass\n"), String::npos);
    // Long strings are cut into lines joined by "+".
    EXPECT_NE(text.find("' +\n    '"), String::npos);
}

// A stream of one object whose properties `write` writes.
String OneObject(const String& className, const String& name, const std::function<void(TWriter&)>& write) {
    TMemoryStream stream;
    TWriter w(&stream);
    w.WriteSignature();
    w.WriteStr(className);
    w.WriteStr(name);
    write(w);
    w.WriteListEnd();
    w.WriteListEnd();
    return StreamBytes(stream);
}

TEST(ObjectText, DamagedStreamsAreRefusedUnlessTheTextReadsBackTheSame) {
    auto none = [](TWriter&) {};
    auto property = [](const String& name, const std::function<void(TWriter&)>& value) {
        return [=](TWriter& w) {
            w.WriteStr(name);
            value(w);
        };
    };
    auto ident = [](const String& text) {
        return [=](TWriter& w) {
            w.WriteValue(vaIdent);
            w.WriteStr(text);
        };
    };
    auto set = [](const String& element) {
        return [=](TWriter& w) {
            w.WriteValue(vaSet);
            w.WriteStr(element);
            w.WriteStr("");
        };
    };
    auto list = [](const std::function<void(TWriter&)>& item) {
        return [=](TWriter& w) {
            w.WriteListBegin();
            item(w);
            w.WriteListEnd();
        };
    };
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    const String badStream = "Invalid stream format";
    const String badValue = "Invalid property value";
    struct Case {
        const char* What;
        String Stream;
        String Error; // empty: converts, and the text reads back as the same stream
    };
    const std::vector<Case> cases = {
        {"class name with a blank", OneObject("TBad Class", "A", none), badStream},
        // Without a prefix the length byte itself reads as one; behind an empty prefix it
        // would do so in the text's stream.
        {"class name of 240 bytes", OneObject("T" + String(239, 'x'), "A", none), "Stream read error"},
        {"class name of 240 bytes behind an empty prefix",
         OneObject("T" + String(239, 'x'), "A", none).insert(4, 1, '\xF0'), badStream},
        {"class name of 239 bytes", OneObject("T" + String(238, 'x'), "A", none), ""},
        {"empty class name", OneObject("", "A", none), badStream},
        {"name with a line break", OneObject("TA", "a\nb", none), badStream},
        {"name with a digit first", OneObject("TA", "1a", none), badStream},
        {"property name with a blank", OneObject("TA", "A", property("X = 1 Y", [](TWriter& w) { w.WriteInteger(1); })), badStream},
        {"property named end", OneObject("TA", "A", property("End", [](TWriter& w) { w.WriteInteger(1); })), badStream},
        {"property named end.x", OneObject("TA", "A", property("end.X", [](TWriter& w) { w.WriteInteger(1); })), badStream},
        {"property name ending in a dot", OneObject("TA", "A", property("Font.", [](TWriter& w) { w.WriteInteger(1); })), badStream},
        {"property named object", OneObject("TA", "A", property("object", [](TWriter& w) { w.WriteInteger(1); })), ""},
        {"ident with a blank", OneObject("TA", "A", property("X", ident("two words"))), badValue},
        {"ident spelled like a Boolean", OneObject("TA", "A", property("X", ident("true"))), badValue},
        {"ident spelled like Null", OneObject("TA", "A", property("X", ident("Null"))), badValue},
        {"ident Null in a list", OneObject("TA", "A", property("X", list(ident("Null")))), ""},
        {"empty ident", OneObject("TA", "A", property("X", ident(""))), badValue},
        {"set element with a blank", OneObject("TA", "A", property("X", set("ak Left"))), badValue},
        {"set element 007", OneObject("TA", "A", property("X", set("007"))), badValue},
        {"set element 7", OneObject("TA", "A", property("X", set("7"))), ""},
        {"NaN", OneObject("TA", "A", property("X", [&](TWriter& w) { w.WriteFloat(nan); })), badValue},
        {"infinite single", OneObject("TA", "A", property("X", [](TWriter& w) { w.WriteSingle(1.0f / 0.0f); })), badValue},
        {"NaN date", OneObject("TA", "A", property("X", [](TWriter& w) { w.WriteDate(std::nan("")); })), badValue},
        {"half a surrogate pair", OneObject("TA", "A", property("X", [](TWriter& w) { w.WriteWideString(u"a\xD900" u"b"); })), badValue},
        {"a whole pair", OneObject("TA", "A", property("X", [](TWriter& w) { w.WriteWideString(u"a\U0001F600\u00E9"); })), ""},
        {"unknown value kind", OneObject("TA", "A", property("X", [](TWriter& w) { w.WriteValue(TValueType(0x33)); })), badStream},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        try {
            const String text = BinaryToText(c.Stream);
            EXPECT_EQ(c.Error, "") << text;
            EXPECT_EQ(TextToBinary(text), c.Stream) << text;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message, c.Error);
        }
    }
}

// Streams the fuzzer found: each converts to a text that reads back as the same stream, or
// raises the stream's read error.
TEST(ObjectText, FuzzedStreamsConvertOrRaiseTheReadError) {
    for (const char* name : {"objecttext-lone-surrogate.bin"}) {
        SCOPED_TRACE(name);
        const String bytes = testsupport::ReadFileBytes(testsupport::FixturePath(String("fuzz/") + name));
        ASSERT_FALSE(bytes.empty());
        try {
            const String text = BinaryToText(bytes);
            EXPECT_EQ(BinaryToText(TextToBinary(text)), text);
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message, "Invalid property value");
        }
    }
}

TEST(ObjectText, HandWrittenDefinitionLoads) {
    const String text =
        "object Form9: TOtxRoot\r\n"
        "  Caption = 'Line one'#13#10 +\r\n"
        "    'Line two '#$4E2D#25991' '#55357#56832\r\n"
        "  inherited Box: TOtxThing\r\n"
        "    Count = $FF\r\n"
        "    Shade = osMedium\r\n"
        "    Shades = [ osDark , osLight ]\r\n"
        "    Ratio = -1.25E2\r\n"
        "    Font.Name = 'Liberation Sans'\r\n"
        "    Font.Size = 12\r\n"
        "    Items.Strings = ('400 - 420MHz' '450 - 470MHz'\r\n"
        "      '\xE4\xB8\xAD\xE6\x96\x87')\r\n"
        "    Columns = <\r\n"
        "      item\r\n"
        "        Caption = 'Name'\r\n"
        "        Width = 80\r\n"
        "      end\r\n"
        "      item [7]\r\n"
        "      end>\r\n"
        "    Buddy = Later\r\n"
        "    OnClick = boxclick\r\n"
        "    Data = {\r\n"
        "      DEAD be\r\n"
        "      EF}\r\n"
        "  end\r\n"
        "  object Later: TOtxThing\r\n"
        "    Buddy = Form9\r\n"
        "  end\r\n"
        "end\r\n";
    // "inherited" reads into a child that the root already has.
    auto root = std::make_unique<TOtxRoot>(nullptr);
    auto* existing = new TOtxThing(root.get());
    existing->SetName("Box");
    ASSERT_EQ(ReadComponentText(text, root.get()), root.get());

    EXPECT_EQ(root->GetName(), "Form9");
    EXPECT_EQ(root->GetCaption(), "Line one\r\nLine two \xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80");
    ASSERT_EQ(root->GetComponentCount(), 2);
    auto* box = dynamic_cast<TOtxThing*>(root->FindComponent("Box"));
    auto* later = dynamic_cast<TOtxThing*>(root->FindComponent("Later"));
    ASSERT_EQ(box, existing);
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(box->GetCount(), 255);
    EXPECT_EQ(box->GetShade(), osMedium);
    EXPECT_TRUE(box->GetShades() == TOtxShades({osLight, osDark}));
    EXPECT_EQ(box->GetRatio(), -125.0);
    EXPECT_EQ(box->GetFont()->GetName(), "Liberation Sans");
    EXPECT_EQ(box->GetFont()->GetSize(), 12);
    EXPECT_EQ(box->GetItems()->GetText(), "400 - 420MHz\r\n450 - 470MHz\r\n\xE4\xB8\xAD\xE6\x96\x87\r\n");
    ASSERT_EQ(box->GetColumns()->GetCount(), 2);
    EXPECT_EQ(static_cast<TOtxColumn*>(box->GetColumns()->GetItems(0))->GetCaption(), "Name");
    EXPECT_EQ(static_cast<TOtxColumn*>(box->GetColumns()->GetItems(0))->GetWidth(), 80);
    EXPECT_EQ(box->GetBuddy(), later);
    EXPECT_EQ(later->GetBuddy(), root.get());
    EXPECT_EQ(box->OnClick.Object(), root.get());
    EXPECT_EQ(PublishedMethodName(box->OnClick.Method()), "BoxClick");
    EXPECT_EQ(box->Data, "\xDE\xAD\xBE\xEF");
}

TEST(ObjectText, SyntaxErrorsGiveTheLine) {
    const std::vector<std::pair<String, String>> cases = {
        {"object A: TOtxRoot\n  Caption = 'open\nend\n", "Unterminated string on line 2"},
        {"object A: TOtxRoot\n  Caption 'x'\nend\n", "'=' expected on line 2"},
        {"object A: TOtxRoot\n  Count = 1 ?\nend\n", "Invalid character '?' on line 2"},
        {"object A: TOtxRoot\n  Data = {\n    0G}\nend\n", "Invalid binary value on line 3"},
        {"object A: TOtxRoot\n  Data = {ABC}\nend\n", "Invalid binary value on line 2"},
        {"object A: TOtxRoot\n  Data = {AB\n", "Unterminated binary value on line 2"},
        {"object A: TOtxRoot\n  Count = 1\n", "'end' expected on line 3"},
        {"object A: TOtxRoot\nend\nend\n", "End of file expected on line 3"},
        {"object A: TOtxRoot\n  Count = 12abc\nend\n", "Invalid number 12abc on line 2"},
        {"object A: TOtxRoot\n  Count = 99999999999999999999\nend\n",
         "Invalid number 99999999999999999999 on line 2"},
        {"object A: TOtxRoot\n  Shades = [a b]\nend\n", "',' expected on line 2"},
        {"object A: TOtxRoot\n  Count = ]\nend\n", "Value expected on line 2"},
        {"object A: TOtxRoot\n  Items = <\n    Caption = 'x'\n  end>\nend\n", "'item' expected on line 3"},
        {"obj A: TOtxRoot\nend\n", "'object' expected on line 1"},
        {"object A: TOtxRoot\n  Caption = 'a' + 1\nend\n", "String expected on line 2"},
        {"object A: TOtxRoot\n  Caption = #\nend\n", "Invalid character code on line 2"},
        {"", "'object' expected on line 1"},
        {"object A: TOtxRoot\n  Items.Strings = " + String(100000, '('), "Nesting too deep on line 2"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        try {
            TextToBinary(text);
            ADD_FAILURE() << "no error";
        } catch (const EParserError& e) {
            EXPECT_EQ(e.Message, message);
        }
    }
}

TEST(ObjectText, ReadingErrorsGiveTheLineAndTheSource) {
    struct Case {
        String Text;
        String Message;
    };
    const std::vector<Case> cases = {
        {"object Form1: TOtxRoot\n"
         "  Caption = 'x'\n"
         "  object Box: TOtxThing\n"
         "    Count = 1\n"
         "    Colour = 5\n"
         "  end\n"
         "end\n",
         "main.form: Error reading Box.Colour: Property Colour does not exist in TOtxThing on line 5"},
        {"object Form1: TOtxRoot\n"
         "  object Box: TOtxThing\n"
         "  end\n"
         "  object Gone: TOtxNoSuchClass\n"
         "  end\n"
         "end\n",
         "main.form: Class TOtxNoSuchClass not found on line 4"},
        {"object Form1: TOtxRoot\n"
         "  object Box: TOtxThing\n"
         "    Columns = <\n"
         "      item\n"
         "        Caption = 'a'\n"
         "      end\n"
         "      item\n"
         "        Height = 3\n"
         "      end>\n"
         "  end\n"
         "end\n",
         "main.form: Error reading Box.Columns[1].Height: Property Height does not exist in TOtxColumn on "
         "line 8"},
        {"object Form1: TOtxRoot\n"
         "  object Box: TOtxThing\n"
         "    OnClick = BoxClicked\n"
         "  end\n"
         "end\n",
         "main.form: Error reading Box.OnClick: Method BoxClicked not found in TOtxRoot on line 3"},
        {"object Form1: TOtxRoot\n"
         "  Caption = 'unterminated\n"
         "end\n",
         "main.form: Unterminated string on line 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        try {
            LoadText(c.Text, "main.form");
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
    }
    // A damaged stream does not turn into text.
    EXPECT_THROW(BinaryToText("TPF0\x08TOtxRoot\x01" "A\x01" "X" + String(100000, char(vaList))), EReadError);
    // The class of the error stays what the reader raised.
    EXPECT_THROW(LoadText("object F: TOtxRoot\n  object X: TOtxMissing\n  end\nend\n"), EClassNotFound);
    EXPECT_THROW(LoadText("object F: TOtxRoot\n  Bogus = 1\nend\n"), EReadError);
}

TEST(ObjectText, ReferencesAcrossDefinitions) {
    // Text definitions take part in the same fix-up pass as streams: "Module.Comp".
    auto user = LoadText("object OtxUser: TOtxRoot\n"
                         "  object Box: TOtxThing\n"
                         "    Buddy = OtxData.Source\n"
                         "  end\n"
                         "end\n");
    ASSERT_NE(user, nullptr);
    auto* box = dynamic_cast<TOtxThing*>(user->FindComponent("Box"));
    EXPECT_EQ(box->GetBuddy(), nullptr);
    auto data = LoadText("object OtxData: TOtxRoot\n"
                         "  object Source: TOtxThing\n"
                         "  end\n"
                         "end\n");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(box->GetBuddy(), data->FindComponent("Source"));
}

}  // namespace

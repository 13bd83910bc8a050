#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/runtime/Variant.h"

namespace {

// What Loaded calls and property setters saw, in order.
std::vector<String> gLog;

enum TFlrShade { fsLight, fsMedium, fsDark };
using TFlrShades = TSet<TFlrShade, fsDark>;

// Two levels of nested persistent objects: "Font.Look.Native".
class TFlrLook : public TPersistent {
    KOV_CLASS(TFlrLook, TPersistent)
public:
    bool GetNative() const { return FNative; }
    void SetNative(bool value) { FNative = value; }

private:
    bool FNative = false;
};

class TFlrFont : public TPersistent {
    KOV_CLASS(TFlrFont, TPersistent)
public:
    TFlrFont() : FLook(std::make_unique<TFlrLook>()) {}
    const String& GetName() const { return FName; }
    void SetName(const String& value) { FName = value; }
    Integer GetSize() const { return FSize; }
    void SetSize(Integer value) { FSize = value; }
    TFlrLook* GetLook() const { return FLook.get(); }

private:
    String FName;
    Integer FSize = 8;
    std::unique_ptr<TFlrLook> FLook;
};

class TFlrColumn : public TCollectionItem {
    KOV_CLASS(TFlrColumn, TCollectionItem)
public:
    explicit TFlrColumn(TCollection* collection) : TCollectionItem(collection) {}
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value) { FWidth = value; }
    TComponent* GetPartner() const { return FPartner; }
    void SetPartner(TComponent* value) { FPartner = value; }

private:
    String FCaption;
    Integer FWidth = 64;
    TComponent* FPartner = nullptr;
};

// A component with a property of every kind the streams store. It is also a container: the
// components whose parent it is are written below it (GetChildren) and learn it back through
// SetParentComponent when read.
class TFlrThing : public TComponent {
    KOV_CLASS(TFlrThing, TComponent)
public:
    explicit TFlrThing(TComponent* owner)
        : TComponent(owner), FFont(std::make_unique<TFlrFont>()), FLines(std::make_unique<TStringList>()),
          FColumns(std::make_unique<TOwnedCollection>(this, TCollectionItemClass::Of<TFlrColumn>())) {}
    ~TFlrThing() override {
        for (TFlrThing* control : FControls) control->FParent = nullptr;
        SetParentComponent(nullptr);
    }

    Integer GetCount() const { return FCount; }
    void SetCount(Integer value) {
        FCount = value;
        const TComponentState state = GetComponentState();
        gLog.push_back(GetName() + ".Count" +
                       (state.Contains(csLoading) && state.Contains(csReading) ? " loading" : ""));
    }
    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }
    TFlrShade GetShade() const { return FShade; }
    void SetShade(TFlrShade value) { FShade = value; }
    TFlrShades GetShades() const { return FShades; }
    void SetShades(TFlrShades value) { FShades = value; }
    double GetRatio() const { return FRatio; }
    void SetRatio(double value) { FRatio = value; }
    Single GetWeight() const { return FWeight; }
    void SetWeight(Single value) { FWeight = value; }
    double GetStamp() const { return FStamp; }
    void SetStamp(double value) { FStamp = value; }
    Int64 GetBig() const { return FBig; }
    void SetBig(Int64 value) { FBig = value; }
    SmallInt GetSmall() const { return FSmall; }
    void SetSmall(SmallInt value) { FSmall = value; }
    char GetLetter() const { return FLetter; }
    void SetLetter(char value) { FLetter = value; }
    const WideString& GetTitle() const { return FTitle; }
    void SetTitle(const WideString& value) { FTitle = value; }
    bool GetActive() const { return FActive; }
    void SetActive(bool value) { FActive = value; }
    const String& GetSecret() const { return FSecret; }
    void SetSecret(const String& value) { FSecret = value; }
    const String& GetNote() const { return FNote; }
    void SetNote(const String& value) { FNote = value; }
    bool IsNoteStored() const { return FNote != "(auto)"; }
    TFlrFont* GetFont() const { return FFont.get(); }
    TStrings* GetLines() const { return FLines.get(); }
    void SetLines(TStrings* value) { FLines->Assign(value); }
    TCollection* GetColumns() const { return FColumns.get(); }
    TComponent* GetBuddy() const { return FBuddy; }
    void SetBuddy(TComponent* value) { FBuddy = value; }

    TNotifyEvent OnChange;
    Variant Value;
    String Blob;                   // stored through DefineBinaryProperty "Blob"
    std::vector<Integer> Widths;   // stored through DefineProperty "Widths"

    void DefineProperties(TFiler* filer) override {
        inherited::DefineProperties(filer);
        filer->DefineProperty(
            "Widths",
            [this](TReader* reader) {
                Widths.clear();
                reader->ReadListBegin();
                while (!reader->EndOfList()) Widths.push_back(reader->ReadInteger());
                reader->ReadListEnd();
            },
            [this](TWriter* writer) {
                writer->WriteListBegin();
                for (Integer width : Widths) writer->WriteInteger(width);
                writer->WriteListEnd();
            },
            !Widths.empty());
        filer->DefineBinaryProperty(
            "Blob",
            [this](TStream* stream) {
                Blob.assign(std::size_t(stream->GetSize()), '\0');
                stream->ReadBuffer(Blob.data(), Integer(Blob.size()));
            },
            [this](TStream* stream) { stream->WriteBuffer(Blob.data(), Integer(Blob.size())); },
            !Blob.empty());
    }

    void Loaded() override {
        inherited::Loaded();
        gLog.push_back("Loaded " + GetName() +
                       (FBuddy != nullptr ? " buddy " + FBuddy->GetName() : String()));
    }

    // The container side.
    bool HasParent() const override { return FParent != nullptr; }
    TComponent* GetParentComponent() const override { return FParent; }
    void SetParentComponent(TComponent* value) override {
        if (FParent != nullptr) std::erase(FParent->FControls, this);
        FParent = dynamic_cast<TFlrThing*>(value);
        if (FParent != nullptr) FParent->FControls.push_back(this);
    }
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (TFlrThing* control : FControls) proc(control);
    }
    const std::vector<TFlrThing*>& Controls() const { return FControls; }

private:
    Integer FCount = 0;
    String FCaption;
    TFlrShade FShade = fsMedium;
    TFlrShades FShades;
    double FRatio = 0;
    Single FWeight = 0;
    double FStamp = 0;
    Int64 FBig = 0;
    SmallInt FSmall = 0;
    char FLetter = 'a';
    WideString FTitle;
    bool FActive = true;
    String FSecret;
    String FNote;
    std::unique_ptr<TFlrFont> FFont;
    std::unique_ptr<TStringList> FLines;
    std::unique_ptr<TOwnedCollection> FColumns;
    TComponent* FBuddy = nullptr;
    TFlrThing* FParent = nullptr;
    std::vector<TFlrThing*> FControls;
};

// A root that hands its own components without a parent to the writer and publishes the
// methods the events are bound to.
class TFlrRoot : public TComponent {
    KOV_CLASS(TFlrRoot, TComponent)
public:
    explicit TFlrRoot(TComponent* owner) : TComponent(owner) {}
    ~TFlrRoot() override { DestroyComponents(); }

    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value) { FCaption = value; }

    void ThingChanged(TObject*) {}
    void OtherChanged(TObject*) {}
    void NotAHandler(Integer) {}

    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (Integer i = 0; i < GetComponentCount(); ++i)
            if (!GetComponents(i)->HasParent()) proc(GetComponents(i));
    }
    void Loaded() override {
        inherited::Loaded();
        gLog.push_back("Loaded " + GetName());
    }

private:
    String FCaption;
};

}  // namespace

KOV_PUBLISHED(TFlrLook) { Property("Native", &TFlrLook::GetNative, &TFlrLook::SetNative).Default(false); }

KOV_PUBLISHED(TFlrFont) {
    Property("Name", &TFlrFont::GetName, &TFlrFont::SetName);
    Property("Size", &TFlrFont::GetSize, &TFlrFont::SetSize).Default(8);
    Property("Look", &TFlrFont::GetLook);
}

KOV_PUBLISHED(TFlrColumn) {
    Property("Caption", &TFlrColumn::GetCaption, &TFlrColumn::SetCaption);
    Property("Width", &TFlrColumn::GetWidth, &TFlrColumn::SetWidth).Default(64);
    Property("Partner", &TFlrColumn::GetPartner, &TFlrColumn::SetPartner);
}

KOV_PUBLISHED(TFlrThing) {
    Property("Count", &TFlrThing::GetCount, &TFlrThing::SetCount).Default(0);
    Property("Caption", &TFlrThing::GetCaption, &TFlrThing::SetCaption);
    Property("Shade", &TFlrThing::GetShade, &TFlrThing::SetShade).Default(fsMedium);
    Property("Shades", &TFlrThing::GetShades, &TFlrThing::SetShades).Default(TFlrShades());
    Property("Ratio", &TFlrThing::GetRatio, &TFlrThing::SetRatio);
    Property("Weight", &TFlrThing::GetWeight, &TFlrThing::SetWeight);
    Property("Stamp", &TFlrThing::GetStamp, &TFlrThing::SetStamp).TypeName("TDateTime");
    Property("Big", &TFlrThing::GetBig, &TFlrThing::SetBig).Default(0);
    Property("Small", &TFlrThing::GetSmall, &TFlrThing::SetSmall).Default(0);
    Property("Letter", &TFlrThing::GetLetter, &TFlrThing::SetLetter).Default('a');
    Property("Title", &TFlrThing::GetTitle, &TFlrThing::SetTitle);
    Property("Active", &TFlrThing::GetActive, &TFlrThing::SetActive).Default(true);
    Property("Secret", &TFlrThing::GetSecret, &TFlrThing::SetSecret).Stored(false);
    Property("Note", &TFlrThing::GetNote, &TFlrThing::SetNote).Stored(&TFlrThing::IsNoteStored);
    Property("Font", &TFlrThing::GetFont);
    Property("Lines", &TFlrThing::GetLines, &TFlrThing::SetLines);
    Property("Columns", &TFlrThing::GetColumns);
    Property("Buddy", &TFlrThing::GetBuddy, &TFlrThing::SetBuddy);
    Property("OnChange", &TFlrThing::OnChange);
    Property("Value", &TFlrThing::Value);
}

KOV_PUBLISHED(TFlrRoot) {
    Property("Caption", &TFlrRoot::GetCaption, &TFlrRoot::SetCaption);
    Method("ThingChanged", &TFlrRoot::ThingChanged);
    Method("OtherChanged", &TFlrRoot::OtherChanged);
    Method("NotAHandler", &TFlrRoot::NotAHandler);
}

namespace {

const bool kRegistered = [] {
    RegisterEnum<TFlrShade>("TFlrShade", {"fsLight", "fsMedium", "fsDark"});
    RegisterClasses({TFlrRoot::StaticClass(), TFlrThing::StaticClass()});
    return true;
}();

class FilerTest : public ::testing::Test {
protected:
    void SetUp() override { gLog.clear(); }
};

std::unique_ptr<TFlrRoot> MakeRoot(const String& name) {
    auto root = std::make_unique<TFlrRoot>(nullptr);
    root->SetName(name);
    return root;
}

TFlrThing* MakeThing(TComponent* owner, const String& name) {
    auto* thing = new TFlrThing(owner);
    thing->SetName(name);
    return thing;
}

String WriteRoot(TComponent* root) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
    return String(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

// Reads a whole stream into `root` (a new root of the stored class when nullptr).
TComponent* ReadRoot(const String& bytes, TComponent* root = nullptr,
                     const TReaderError& onError = nullptr) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), Integer(bytes.size()));
    stream.SetPosition(0);
    TReader reader(&stream);
    reader.OnError = onError;
    return reader.ReadRootComponent(root);
}

template <class T>
std::unique_ptr<T> ReadOwned(const String& bytes) {
    TComponent* read = ReadRoot(bytes);
    auto* typed = dynamic_cast<T*>(read);
    if (typed == nullptr) delete read;
    return std::unique_ptr<T>(typed);
}

// A stream built value by value, for what the writer never produces.
class TStreamBuilder {
public:
    TStreamBuilder() : FWriter(&FStream) { FWriter.WriteSignature(); }
    TWriter& W() { return FWriter; }
    // A component header: class and name (properties follow).
    TStreamBuilder& Object(const String& className, const String& name) {
        FWriter.WriteStr(className);
        FWriter.WriteStr(name);
        return *this;
    }
    TStreamBuilder& Prop(const String& name) {
        FWriter.WriteStr(name);
        return *this;
    }
    TStreamBuilder& End() {
        FWriter.WriteListEnd();
        return *this;
    }
    String Bytes() {
        return String(static_cast<const char*>(FStream.GetMemory()), std::size_t(FStream.GetSize()));
    }

private:
    TMemoryStream FStream;
    TWriter FWriter;
};

// The property names stored for the root of a stream.
std::vector<String> RootPropertyNames(const String& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), Integer(bytes.size()));
    stream.SetPosition(0);
    TReader reader(&stream);
    reader.ReadSignature();
    TFilerFlags flags;
    Integer childPos = 0;
    reader.ReadPrefix(flags, childPos);
    reader.ReadStr();
    reader.ReadStr();
    std::vector<String> names;
    while (!reader.EndOfList()) {
        names.push_back(reader.ReadStr());
        reader.SkipValue();
    }
    return names;
}

// Fills every stored property of `thing` with a value other than its default.
void FillThing(TFlrThing* thing, TFlrRoot* root, TComponent* buddy, Integer seed) {
    thing->SetCount(1000 * seed + 7);
    thing->SetCaption("Caption " + IntToStr(seed) + " 'quoted' \xE4\xB8\xAD\xE6\x96\x87");
    thing->SetShade(fsDark);
    thing->SetShades({fsLight, fsDark});
    thing->SetRatio(0.1 * seed + 1e-300);
    thing->SetWeight(2.5f * float(seed));
    thing->SetStamp(45000.25 + seed);
    thing->SetBig(Int64(1) << (40 + seed));
    thing->SetSmall(SmallInt(-300 * seed));
    thing->SetLetter('Z');
    thing->SetTitle(u"wide \u00E9 \U0001F600");
    thing->SetActive(false);
    thing->SetNote("note " + IntToStr(seed));
    thing->GetFont()->SetName("Liberation Sans");
    thing->GetFont()->SetSize(11 + seed);
    thing->GetFont()->GetLook()->SetNative(true);
    thing->GetLines()->Add("first line of " + IntToStr(seed));
    thing->GetLines()->Add("");
    thing->GetLines()->Add(String(300, 'x'));
    for (Integer i = 0; i < 2; ++i) {
        auto* column = static_cast<TFlrColumn*>(thing->GetColumns()->Add());
        column->SetCaption("Col " + IntToStr(i));
        column->SetWidth(50 + i);
        column->SetPartner(i == 0 ? buddy : root);
    }
    thing->SetBuddy(buddy);
    thing->OnChange = MakeEvent(root, &TFlrRoot::ThingChanged);
    thing->Value = VarArrayOf({Variant(seed), Variant("text"), Variant(2.5), Variant(true)});
    thing->Blob = String("\x00\x01\xFF binary\n", 11) + IntToStr(seed);
    thing->Widths = {64, 120 + seed, -5, 70000};
}

void ExpectSameThing(TFlrThing* expected, TFlrThing* actual, TComponent* actualRoot) {
    SCOPED_TRACE(expected->GetName());
    ASSERT_NE(actual, nullptr);
    EXPECT_EQ(actual->GetName(), expected->GetName());
    EXPECT_EQ(actual->GetCount(), expected->GetCount());
    EXPECT_EQ(actual->GetCaption(), expected->GetCaption());
    EXPECT_EQ(actual->GetShade(), expected->GetShade());
    EXPECT_TRUE(actual->GetShades() == expected->GetShades());
    EXPECT_EQ(actual->GetRatio(), expected->GetRatio());
    EXPECT_EQ(actual->GetWeight(), expected->GetWeight());
    EXPECT_EQ(actual->GetStamp(), expected->GetStamp());
    EXPECT_EQ(actual->GetBig(), expected->GetBig());
    EXPECT_EQ(actual->GetSmall(), expected->GetSmall());
    EXPECT_EQ(actual->GetLetter(), expected->GetLetter());
    EXPECT_TRUE(actual->GetTitle() == expected->GetTitle());
    EXPECT_EQ(actual->GetActive(), expected->GetActive());
    EXPECT_EQ(actual->GetNote(), expected->GetNote());
    EXPECT_EQ(actual->GetFont()->GetName(), expected->GetFont()->GetName());
    EXPECT_EQ(actual->GetFont()->GetSize(), expected->GetFont()->GetSize());
    EXPECT_EQ(actual->GetFont()->GetLook()->GetNative(), expected->GetFont()->GetLook()->GetNative());
    EXPECT_TRUE(actual->GetLines()->Equals(expected->GetLines()));
    ASSERT_EQ(actual->GetColumns()->GetCount(), expected->GetColumns()->GetCount());
    for (Integer i = 0; i < expected->GetColumns()->GetCount(); ++i) {
        auto* e = static_cast<TFlrColumn*>(expected->GetColumns()->GetItems(i));
        auto* a = static_cast<TFlrColumn*>(actual->GetColumns()->GetItems(i));
        EXPECT_EQ(a->GetCaption(), e->GetCaption());
        EXPECT_EQ(a->GetWidth(), e->GetWidth());
        ASSERT_NE(a->GetPartner(), nullptr);
        EXPECT_EQ(a->GetPartner()->GetName(), e->GetPartner()->GetName());
        EXPECT_NE(a->GetPartner(), e->GetPartner());
    }
    ASSERT_NE(actual->GetBuddy(), nullptr);
    EXPECT_EQ(actual->GetBuddy()->GetName(), expected->GetBuddy()->GetName());
    EXPECT_EQ(actual->GetBuddy()->GetOwner(), actualRoot);
    EXPECT_EQ(actual->OnChange.Object(), actualRoot);
    EXPECT_EQ(PublishedMethodName(actual->OnChange.Method()),
              PublishedMethodName(expected->OnChange.Method()));
    EXPECT_TRUE(VarSameValue(VarArrayGet(actual->Value, {0}), VarArrayGet(expected->Value, {0})));
    EXPECT_EQ(VarArrayHighBound(actual->Value, 1), 3);
    for (Integer i = 0; i <= 3; ++i)
        EXPECT_TRUE(VarArrayGet(actual->Value, {i}) == VarArrayGet(expected->Value, {i}));
    EXPECT_EQ(actual->Blob, expected->Blob);
    EXPECT_EQ(actual->Widths, expected->Widths);
    EXPECT_FALSE(actual->GetComponentState().Contains(csLoading));
    EXPECT_FALSE(actual->GetComponentState().Contains(csReading));
}

// ---- Whole trees ------------------------------------------------------------------------------

TEST_F(FilerTest, TreeWrittenAndReadBackIsTheSamePropertyByProperty) {
    auto root = MakeRoot("Form1");
    root->SetCaption("The form");
    TFlrThing* first = MakeThing(root.get(), "First");
    TFlrThing* second = MakeThing(root.get(), "Second");
    // First refers forward to Second, Second back to First; both columns refer to the root.
    FillThing(first, root.get(), second, 1);
    FillThing(second, root.get(), first, 2);

    const String bytes = WriteRoot(root.get());
    ASSERT_EQ(bytes.substr(0, 4), "TPF0");
    const String name = root->GetName();
    root.reset();  // the copy must not lean on the original

    auto copy = ReadOwned<TFlrRoot>(bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), name);
    EXPECT_EQ(copy->GetCaption(), "The form");
    ASSERT_EQ(copy->GetComponentCount(), 2);

    // Build an expectation tree again (the original is gone) and compare.
    auto expectedRoot = MakeRoot("Form1");
    TFlrThing* e1 = MakeThing(expectedRoot.get(), "First");
    TFlrThing* e2 = MakeThing(expectedRoot.get(), "Second");
    FillThing(e1, expectedRoot.get(), e2, 1);
    FillThing(e2, expectedRoot.get(), e1, 2);
    ExpectSameThing(e1, dynamic_cast<TFlrThing*>(copy->FindComponent("First")), copy.get());
    ExpectSameThing(e2, dynamic_cast<TFlrThing*>(copy->FindComponent("Second")), copy.get());

    // Writing the copy gives the same bytes.
    EXPECT_EQ(WriteRoot(copy.get()), bytes);
}

TEST_F(FilerTest, DefaultsAndUnstoredPropertiesAreLeftOut) {
    auto root = MakeRoot("Form1");
    TFlrThing* thing = MakeThing(root.get(), "Plain");
    thing->SetSecret("never stored");
    thing->SetNote("(auto)");  // its stored rule says no

    TMemoryStream stream;
    TWriter writer(&stream);
    writer.SetRoot(root.get());
    writer.WriteSignature();
    writer.WriteComponent(thing);
    const String bytes(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
    // Floats have no declared default and are always stored; everything else is at its default.
    EXPECT_EQ(RootPropertyNames(bytes), (std::vector<String>{"Ratio", "Weight", "Stamp", "Columns"}));

    thing->SetCount(1);
    thing->SetShade(fsLight);
    thing->SetActive(false);
    thing->SetNote("typed");
    thing->GetFont()->SetSize(9);
    thing->GetFont()->GetLook()->SetNative(true);
    thing->GetLines()->Add("one");
    TMemoryStream stream2;
    TWriter writer2(&stream2);
    writer2.SetRoot(root.get());
    writer2.WriteSignature();
    writer2.WriteComponent(thing);
    const String bytes2(static_cast<const char*>(stream2.GetMemory()), std::size_t(stream2.GetSize()));
    EXPECT_EQ(RootPropertyNames(bytes2),
              (std::vector<String>{"Count", "Shade", "Ratio", "Weight", "Stamp", "Active", "Note",
                                   "Font.Size", "Font.Look.Native", "Lines.Strings", "Columns"}));
}

TEST_F(FilerTest, LoadedRunsAfterTheWholeTreeInStreamOrderWithReferencesResolved) {
    auto root = MakeRoot("Form1");
    TFlrThing* a = MakeThing(root.get(), "A");
    TFlrThing* b = MakeThing(root.get(), "B");
    a->SetCount(1);
    a->SetBuddy(b);  // a forward reference
    b->SetCount(2);
    const String bytes = WriteRoot(root.get());
    root.reset();
    gLog.clear();

    auto copy = ReadOwned<TFlrRoot>(bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(gLog, (std::vector<String>{"A.Count loading", "B.Count loading", "Loaded Form1",
                                         "Loaded A buddy B", "Loaded B"}));
    for (TComponent* c :
         {static_cast<TComponent*>(copy.get()), copy->FindComponent("A"), copy->FindComponent("B")})
        EXPECT_TRUE(c->GetComponentState().empty()) << c->GetName();
}

TEST_F(FilerTest, ChildrenOfAContainerAreOwnedByTheRootAndToldTheirParent) {
    auto root = MakeRoot("Form1");
    TFlrThing* panel = MakeThing(root.get(), "Panel");
    TFlrThing* inner = MakeThing(root.get(), "Inner");
    TFlrThing* deepest = MakeThing(root.get(), "Deepest");
    inner->SetParentComponent(panel);
    deepest->SetParentComponent(inner);
    TFlrThing* loose = MakeThing(root.get(), "Loose");
    loose->SetCount(3);
    const String bytes = WriteRoot(root.get());
    root.reset();

    auto copy = ReadOwned<TFlrRoot>(bytes);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetComponentCount(), 4);
    auto* p = dynamic_cast<TFlrThing*>(copy->FindComponent("Panel"));
    auto* i = dynamic_cast<TFlrThing*>(copy->FindComponent("Inner"));
    auto* d = dynamic_cast<TFlrThing*>(copy->FindComponent("Deepest"));
    auto* l = dynamic_cast<TFlrThing*>(copy->FindComponent("Loose"));
    ASSERT_TRUE(p && i && d && l);
    EXPECT_EQ(p->GetParentComponent(), nullptr);
    EXPECT_EQ(i->GetParentComponent(), p);
    EXPECT_EQ(d->GetParentComponent(), i);
    EXPECT_EQ(l->GetParentComponent(), nullptr);
    EXPECT_EQ(p->Controls(), (std::vector<TFlrThing*>{i}));
    EXPECT_EQ(l->GetCount(), 3);
    // Stream order (parents before their children) is creation order.
    EXPECT_EQ(copy->GetComponents(0), p);
    EXPECT_EQ(copy->GetComponents(1), i);
    EXPECT_EQ(copy->GetComponents(2), d);
    EXPECT_EQ(copy->GetComponents(3), l);
}

TEST_F(FilerTest, ReadingIntoAnExistingRootReusesChildrenByName) {
    auto source = MakeRoot("Form1");
    MakeThing(source.get(), "Kept")->SetCount(5);
    MakeThing(source.get(), "Added")->SetCount(6);
    const String bytes = WriteRoot(source.get());

    auto target = std::make_unique<TFlrRoot>(nullptr);
    TFlrThing* kept = MakeThing(target.get(), "Kept");
    kept->GetLines()->Add("made in code");
    TComponent* result = ReadRoot(bytes, target.get());
    EXPECT_EQ(result, target.get());
    EXPECT_EQ(target->GetName(), "Form1");
    ASSERT_EQ(target->GetComponentCount(), 2);
    EXPECT_EQ(target->FindComponent("Kept"), kept);
    EXPECT_EQ(kept->GetCount(), 5);
    EXPECT_EQ(kept->GetLines()->GetCount(), 1);  // not stored, so untouched
    EXPECT_EQ(dynamic_cast<TFlrThing*>(target->FindComponent("Added"))->GetCount(), 6);
}

TEST_F(FilerTest, SecondRootOfOneOwnerGetsANameOfItsOwn) {
    auto source = MakeRoot("Form1");
    const String bytes = WriteRoot(source.get());
    source.reset();
    TComponent owner(nullptr);
    auto* first = new TFlrRoot(&owner);
    auto* second = new TFlrRoot(&owner);
    ReadRoot(bytes, first);
    ReadRoot(bytes, second);
    EXPECT_EQ(first->GetName(), "Form1");
    EXPECT_EQ(second->GetName(), "Form1_2");
}

// ---- References ---------------------------------------------------------------------------------

TEST_F(FilerTest, ReferencesAcrossRootsWaitUntilTheOtherRootIsRead) {
    auto other = MakeRoot("FlrOther");
    MakeThing(other.get(), "Target")->SetCount(9);
    auto form = MakeRoot("FlrForm");
    TFlrThing* user = MakeThing(form.get(), "User");
    user->SetBuddy(other->FindComponent("Target"));
    auto* column = static_cast<TFlrColumn*>(user->GetColumns()->Add());
    column->SetPartner(other.get());
    const String formBytes = WriteRoot(form.get());
    const String otherBytes = WriteRoot(other.get());
    form.reset();
    other.reset();

    // The other root is not there yet: the references wait.
    auto formCopy = ReadOwned<TFlrRoot>(formBytes);
    ASSERT_NE(formCopy, nullptr);
    auto* userCopy = dynamic_cast<TFlrThing*>(formCopy->FindComponent("User"));
    EXPECT_EQ(userCopy->GetBuddy(), nullptr);
    EXPECT_EQ(GetFixupReferenceNames(formCopy.get()), (std::vector<String>{"FlrOther", "FlrOther.Target"}));
    EXPECT_TRUE(formCopy->GetComponentState().Contains(csFixups));

    // Reading the other root resolves them.
    auto otherCopy = ReadOwned<TFlrRoot>(otherBytes);
    ASSERT_NE(otherCopy, nullptr);
    EXPECT_EQ(userCopy->GetBuddy(), otherCopy->FindComponent("Target"));
    EXPECT_EQ(static_cast<TFlrColumn*>(userCopy->GetColumns()->GetItems(0))->GetPartner(), otherCopy.get());
    EXPECT_TRUE(GetFixupReferenceNames(formCopy.get()).empty());
    EXPECT_FALSE(formCopy->GetComponentState().Contains(csFixups));

    // With the other root present, a new read resolves at once.
    auto again = ReadOwned<TFlrRoot>(formBytes);
    EXPECT_EQ(dynamic_cast<TFlrThing*>(again->FindComponent("User"))->GetBuddy(),
              otherCopy->FindComponent("Target"));
}

TEST_F(FilerTest, WaitingReferencesOfAFreedRootAreDropped) {
    auto other = MakeRoot("FlrGone");
    MakeThing(other.get(), "Target");
    auto form = MakeRoot("FlrWaiter");
    MakeThing(form.get(), "User")->SetBuddy(other->FindComponent("Target"));
    const String formBytes = WriteRoot(form.get());
    const String otherBytes = WriteRoot(other.get());
    form.reset();
    other.reset();

    delete ReadRoot(formBytes);  // leaves a waiting reference behind, then frees its holder
    auto otherCopy = ReadOwned<TFlrRoot>(otherBytes);  // resolving must not touch the freed one
    ASSERT_NE(otherCopy, nullptr);
    EXPECT_EQ(FindGlobalComponent("FlrGone"), otherCopy.get());
    otherCopy.reset();
    EXPECT_EQ(FindGlobalComponent("FlrGone"), nullptr);
}

TEST_F(FilerTest, ReferenceToAComponentOfAnUnnamedOwnerIsNotWritten) {
    auto form = MakeRoot("Form1");
    TComponent stray(nullptr);
    auto* unnamedOwner = new TComponent(&stray);
    auto* target = new TComponent(unnamedOwner);
    target->SetName("Target");
    MakeThing(form.get(), "User")->SetBuddy(target);
    // "User" holds Buddy -> ?.Target: no name reaches it, so nothing is stored.
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.SetRoot(form.get());
    writer.WriteSignature();
    writer.WriteComponent(form->FindComponent("User"));
    const String bytes(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
    const std::vector<String> names = RootPropertyNames(bytes);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Buddy"), 0);
}

// ---- Errors -----------------------------------------------------------------------------------

TEST_F(FilerTest, ReadErrorsNameWhatIsWrong) {
    struct Case {
        const char* What;
        std::function<void(TStreamBuilder&)> Build;
        const char* Message;
        bool ClassNotFound;
    };
    const std::vector<Case> cases = {
        {"unknown property",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Bogus");
             b.W().WriteInteger(1);
             b.End().End().End();
         },
         "Error reading Thing1.Bogus: Property Bogus does not exist in TFlrThing", false},
        {"unknown nested property",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Font.Look.Colour");
             b.W().WriteInteger(1);
             b.End().End().End();
         },
         "Error reading Thing1.Font.Look.Colour: Property Colour does not exist in TFlrLook", false},
        {"unknown class",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrNope", "X").End().End().End();
         },
         "Class TFlrNope not found", true},
        {"missing method",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("OnChange");
             b.W().WriteIdent("NoSuchHandler");
             b.End().End().End();
         },
         "Error reading Thing1.OnChange: Method NoSuchHandler not found in TFlrRoot", false},
        {"method of another signature",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("OnChange");
             b.W().WriteIdent("NotAHandler");
             b.End().End().End();
         },
         "Error reading Thing1.OnChange: Invalid property value", false},
        {"value too large for a SmallInt",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Small");
             b.W().WriteInteger(40000);
             b.End().End().End();
         },
         "Error reading Thing1.Small: Invalid property value", false},
        {"unknown enumeration element",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Shade");
             b.W().WriteIdent("fsPurple");
             b.End().End().End();
         },
         "Error reading Thing1.Shade: Invalid property element: fsPurple", false},
        {"unknown set element",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Shades");
             b.W().WriteValue(vaSet);
             b.W().WriteStr("fsLight");
             b.W().WriteStr("fsPurple");
             b.W().WriteStr("");
             b.End().End().End();
         },
         "Error reading Thing1.Shades: Invalid property element: fsPurple", false},
        {"string for an integer",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Count");
             b.W().WriteString("12");
             b.End().End().End();
         },
         "Error reading Thing1.Count: Invalid property value", false},
        {"reference to something that is not a component",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1").Prop("Font");
             b.W().WriteIdent("Thing1");
             b.End().End().End();
         },
         "Error reading Thing1.Font: Invalid property value", false},
        {"duplicate component name",
         [](TStreamBuilder& b) {
             b.Object("TFlrRoot", "Form1").End();
             b.Object("TFlrThing", "Twin").End().End();
             b.Object("TFlrRoot", "Twin").End().End();
             b.End();
         },
         "A component named Twin already exists", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TStreamBuilder builder;
        c.Build(builder);
        try {
            delete ReadRoot(builder.Bytes());
            ADD_FAILURE() << "no error";
        } catch (const EClassNotFound& e) {
            EXPECT_TRUE(c.ClassNotFound);
            EXPECT_EQ(e.Message, c.Message);
        } catch (const EReadError& e) {
            EXPECT_FALSE(c.ClassNotFound);
            EXPECT_EQ(e.Message, c.Message);
        } catch (const EComponentError& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
    }
}

TEST_F(FilerTest, ErrorsAnOnErrorHandlerAcceptsAreSkipped) {
    TStreamBuilder b;
    b.Object("TFlrRoot", "Form1").End().Object("TFlrThing", "Thing1");
    b.Prop("Bogus");
    b.W().WriteListBegin();  // a whole list to step over
    b.W().WriteString("x");
    b.W().WriteListEnd();
    b.Prop("Count");
    b.W().WriteString("not a number");
    b.Prop("Shades");
    b.W().WriteValue(vaSet);
    b.W().WriteStr("fsPurple");
    b.W().WriteStr("fsDark");
    b.W().WriteStr("");
    b.Prop("Columns");
    b.W().WriteValue(vaCollection);
    b.W().WriteListBegin();
    b.Prop("Caption");
    b.W().WriteString("c");
    b.Prop("Unknown");
    b.W().WriteFloat(1.5);
    b.W().WriteListEnd();
    b.W().WriteListEnd();
    b.Prop("Caption");
    b.W().WriteString("still read");
    b.End().End().End();

    std::vector<String> messages;
    auto root = std::unique_ptr<TComponent>(ReadRoot(b.Bytes(), nullptr,
                                                     [&](TReader*, const String& message, bool& handled) {
                                                         messages.push_back(message);
                                                         handled = true;
                                                     }));
    auto* thing = dynamic_cast<TFlrThing*>(root->FindComponent("Thing1"));
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(thing->GetCaption(), "still read");
    EXPECT_EQ(thing->GetCount(), 0);
    EXPECT_EQ(thing->GetColumns()->GetCount(), 1);
    EXPECT_EQ(messages,
              (std::vector<String>{
                  "Error reading Thing1.Bogus: Property Bogus does not exist in TFlrThing",
                  "Error reading Thing1.Count: Invalid property value",
                  "Error reading Thing1.Shades: Invalid property element: fsPurple",
                  "Error reading Thing1.Columns[0].Unknown: Property Unknown does not exist in TFlrColumn",
              }));
}

TEST_F(FilerTest, DamagedStreamsRaiseReadErrors) {
    auto source = MakeRoot("Form1");
    FillThing(MakeThing(source.get(), "Thing1"), source.get(), source.get(), 1);
    const String bytes = WriteRoot(source.get());
    const std::vector<std::pair<const char*, String>> cases = {
        {"no signature", "TPF1" + bytes.substr(4)},
        {"empty", ""},
        {"cut short", bytes.substr(0, bytes.size() / 2)},
        {"lists nested beyond reason", "TPF0\x08TFlrRoot\x05" "Form1\x05" "Bogus" + String(100000, char(vaList))},
        {"bad value kind", [&] {
             String damaged = bytes;
             const std::size_t at = damaged.find("Count") + 5;  // the kind byte of its value
             damaged[at] = char(0x7F);
             return damaged;
         }()},
    };
    for (const auto& [what, damaged] : cases) {
        SCOPED_TRACE(what);
        EXPECT_THROW(delete ReadRoot(damaged), EReadError);
    }
    // Nothing of a failed read stays behind: the root made by the reader is freed (checked by
    // the leak checker), and a given root is out of the loading state.
    auto target = std::make_unique<TFlrRoot>(nullptr);
    EXPECT_THROW(ReadRoot(bytes.substr(0, bytes.size() - 3), target.get()), EReadError);
    EXPECT_FALSE(target->GetComponentState().Contains(csLoading));
    for (Integer i = 0; i < target->GetComponentCount(); ++i)
        EXPECT_FALSE(target->GetComponents(i)->GetComponentState().Contains(csLoading));
}

// A component whose class name is `length` letters long.
template <std::size_t length>
class TFlrLongNamed : public TComponent {
public:
    explicit TFlrLongNamed(TComponent* owner) : TComponent(owner) {}
    static TClass StaticClass() {
        static const TMetaClass* const meta =
            new TMetaClass("T" + String(length - 1, 'n'), TComponent::StaticClass(),
                           [](TComponent* owner) -> TObject* { return new TFlrLongNamed(owner); });
        return meta;
    }
    TClass ClassType() const override { return StaticClass(); }
};

TEST_F(FilerTest, ClassNamesTheReaderCannotTakeBackAreRefusedAtWriting) {
    // A length byte of 0xF0 or more reads as the flags prefix: such a name is never written.
    auto check = [](auto* made, bool fits) {
        auto root = MakeRoot("Form1");
        root->InsertComponent(made);
        made->SetName("Long1");
        const std::size_t length = made->ClassName().size();
        SCOPED_TRACE(length);
        RegisterClass(made->ClassType());
        if (!fits) {
            try {
                WriteRoot(root.get());
                ADD_FAILURE() << "written";
            } catch (const EWriteError& e) {
                EXPECT_EQ(e.Message.substr(0, 22), "Name too long to store") << e.Message;
            }
        } else {
            auto copy = ReadOwned<TFlrRoot>(WriteRoot(root.get()));
            ASSERT_NE(copy, nullptr);
            TComponent* back = copy->FindComponent("Long1");
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->ClassName().size(), length);
        }
        UnRegisterClass(made->ClassType());
    };
    check(new TFlrLongNamed<239>(nullptr), true);
    check(new TFlrLongNamed<240>(nullptr), false);
    check(new TFlrLongNamed<255>(nullptr), false);
    check(new TFlrLongNamed<256>(nullptr), false);
}

// ---- Values -----------------------------------------------------------------------------------

TEST_F(FilerTest, IntegersTakeTheSmallestKind) {
    const std::vector<std::pair<Int64, TValueType>> cases = {
        {0, vaInt8},           {127, vaInt8},         {-128, vaInt8},        {128, vaInt16},
        {-129, vaInt16},       {32767, vaInt16},      {-32768, vaInt16},     {32768, vaInt32},
        {2147483647, vaInt32}, {-2147483648LL, vaInt32}, {2147483648LL, vaInt64}, {INT64_MIN, vaInt64},
    };
    for (const auto& [value, kind] : cases) {
        SCOPED_TRACE(value);
        TMemoryStream stream;
        TWriter writer(&stream);
        writer.WriteInteger(value);
        stream.SetPosition(0);
        TReader reader(&stream);
        EXPECT_EQ(reader.NextValue(), kind);
        EXPECT_EQ(reader.ReadInt64(), value);
        EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    }
}

TEST_F(FilerTest, PrimitiveValuesRoundTripWithTheirKinds) {
    TMemoryStream stream;
    TWriter w(&stream);
    const String longText(300, 'L');
    const WideString lone = {u'a', char16_t(0xD800), u'b'};
    w.WriteString("short");
    w.WriteString(longText);
    w.WriteString("\xE4\xB8\xAD");                 // UTF-8
    w.WriteString(String("\xFF\xFE\x80", 3));      // bytes that are not UTF-8
    w.WriteWideString(u"\u00E9t\u00E9");
    w.WriteWideString(lone);
    w.WriteFloat(0.1L);
    w.WriteSingle(1.25f);
    w.WriteCurrency(Currency::FromRaw(-123456789));
    w.WriteDate(45123.75);
    w.WriteBoolean(true);
    w.WriteIdent("alClient");
    w.WriteIdent("nil");
    w.WriteChar('q');
    w.WriteBinary(String("\0\1\2", 3));
    w.WriteVariant(Variant(Int64(1) << 40));
    w.WriteVariant(Null());
    w.WriteVariant(VarArrayOf({Variant(1), Variant("two")}));
    stream.SetPosition(0);

    TReader r(&stream);
    const std::vector<TValueType> kinds = {vaString, vaLString, vaUTF8String, vaString,   vaUTF8String,
                                           vaWString, vaExtended, vaSingle,  vaCurrency, vaDate,
                                           vaTrue,    vaIdent,   vaNil,     vaString,   vaBinary,
                                           vaInt64,   vaNil,     vaList};
    {
        TMemoryStream copy;
        copy.WriteBuffer(stream.GetMemory(), Integer(stream.GetSize()));
        copy.SetPosition(0);
        TReader kindReader(&copy);
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(kindReader.NextValue(), kinds[i]);
            kindReader.SkipValue();
        }
        EXPECT_EQ(copy.GetPosition(), copy.GetSize());
    }
    EXPECT_EQ(r.ReadString(), "short");
    EXPECT_EQ(r.ReadString(), longText);
    EXPECT_EQ(r.ReadString(), "\xE4\xB8\xAD");
    EXPECT_EQ(r.ReadString(), String("\xFF\xFE\x80", 3));
    EXPECT_TRUE(r.ReadWideString() == u"\u00E9t\u00E9");
    EXPECT_TRUE(r.ReadWideString() == lone);
    EXPECT_EQ(r.ReadFloat(), 0.1L);
    EXPECT_EQ(r.ReadSingle(), 1.25f);
    EXPECT_EQ(r.ReadCurrency(), Currency::FromRaw(-123456789));
    EXPECT_EQ(r.ReadDate(), 45123.75);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_EQ(r.ReadIdent(), "alClient");
    EXPECT_EQ(r.ReadIdent(), "nil");
    EXPECT_EQ(r.ReadChar(), 'q');
    EXPECT_EQ(r.ReadBinary(), String("\0\1\2", 3));
    const Variant big = r.ReadVariant();
    EXPECT_EQ(VarType(big), varInt64);
    EXPECT_EQ(big.AsInt64(), Int64(1) << 40);
    EXPECT_TRUE(VarIsNull(r.ReadVariant()));
    const Variant list = r.ReadVariant();
    ASSERT_TRUE(VarIsArray(list));
    EXPECT_EQ(VarArrayGet(list, {1}).AsString(), "two");
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
}

TEST_F(FilerTest, StandaloneDefinedPropertiesAndReadProperty) {
    // What the report serializer does: run DefineProperties against a writer, read the bytes back
    // property by property into another object.
    auto root = MakeRoot("Form1");
    TFlrThing* thing = MakeThing(root.get(), "Thing1");
    thing->Widths = {1, 2, 3};
    thing->Blob = "abc";
    TMemoryStream stream;
    {
        TWriter writer(&stream);
        writer.SetRoot(root.get());
        thing->DefineProperties(&writer);
    }
    TFlrThing* other = MakeThing(root.get(), "Thing2");
    stream.SetPosition(0);
    TReader reader(&stream);
    reader.SetRoot(root.get());
    while (stream.GetPosition() < stream.GetSize()) reader.ReadProperty(other);
    EXPECT_EQ(other->Widths, thing->Widths);
    EXPECT_EQ(other->Blob, "abc");
}

}  // namespace

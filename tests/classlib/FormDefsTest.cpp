// Stored window definitions compiled in as resources (tests/fixtures/forms): a form read from
// its definition with nested panels, a string list, a collection, a set, a nested property
// path, a reference to a sibling, a defined property and events, whose handler runs on a click
// made of input; the text written again; an inherited form over its ancestor's definition; a
// data module with its designer position; and the errors that name the definition and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/AppFixture.h"

namespace {

// What the test components saw while they were read, in order.
std::vector<String> gLog;

enum TDefOption { doFrame, doShadow, doTitle };
using TDefOptions = TSet<TDefOption, doTitle>;

class TDefColumn : public TCollectionItem {
    KOV_CLASS(TDefColumn, TCollectionItem)
public:
    explicit TDefColumn(TCollection* collection) : TCollectionItem(collection) {}
    const String& GetTitle() const { return FTitle; }
    void SetTitle(const String& value) { FTitle = value; }
    Integer GetWidth() const { return FWidth; }
    void SetWidth(Integer value) { FWidth = value; }

private:
    String FTitle;
    Integer FWidth = 64;
};

// A panel as a definition shows it: a container with a string list, a collection, a set, a
// reference to another control and a value stored through DefineProperties ("Extra").
class TDefPanel : public TCustomControl {
    KOV_CLASS(TDefPanel, TCustomControl)
public:
    explicit TDefPanel(TComponent* owner)
        : TCustomControl(owner), FItems(std::make_unique<TStringList>()),
          FColumns(std::make_unique<TOwnedCollection>(this, TCollectionItemClass::Of<TDefColumn>())) {
        FControlStyle.Include(csAcceptsControls);
    }

    const String& GetTitle() const { return FTitle; }
    void SetTitle(const String& value) {
        FTitle = value;
        const TComponentState state = GetComponentState();
        gLog.push_back(GetName() + ".Title" +
                       (state.Contains(csLoading) && state.Contains(csReading) ? " loading" : ""));
    }
    TDefOptions GetOptions() const { return FOptions; }
    void SetOptions(TDefOptions value) { FOptions = value; }
    TStrings* GetItems() const { return FItems.get(); }
    void SetItems(TStrings* value) { FItems->Assign(value); }
    TCollection* GetColumns() const { return FColumns.get(); }
    TControl* GetBuddy() const { return FBuddy; }
    bool IsShowHintStored() const { return !GetParentShowHint(); }
    void SetBuddy(TControl* value) { FBuddy = value; }
    String Extra;

    void DefineProperties(TFiler* filer) override {
        TCustomControl::DefineProperties(filer);
        filer->DefineProperty(
            "Extra", [this](TReader* reader) { Extra = reader->ReadString(); },
            [this](TWriter* writer) { writer->WriteString(Extra); }, !Extra.empty());
    }
    void Loaded() override {
        TCustomControl::Loaded();
        gLog.push_back("Loaded " + GetName() + (FBuddy ? " buddy " + FBuddy->GetName() : String()));
    }

private:
    String FTitle;
    TDefOptions FOptions;
    std::unique_ptr<TStringList> FItems;
    std::unique_ptr<TOwnedCollection> FColumns;
    TControl* FBuddy = nullptr;
};

// A component without a parent, as a data module holds it.
class TDefTicker : public TComponent {
    KOV_CLASS(TDefTicker, TComponent)
public:
    explicit TDefTicker(TComponent* owner) : TComponent(owner) {}
    Integer GetInterval() const { return FInterval; }
    void SetInterval(Integer value) { FInterval = value; }

private:
    Integer FInterval = 1000;
};

// The form of FormDefsMain.form. Like every form class with a definition, its constructor ends
// with AfterConstruction; a derived class asks it not to and ends its own constructor with it.
class TFormDefsTestForm : public TForm {
    KOV_CLASS(TFormDefsTestForm, TForm)
public:
    explicit TFormDefsTestForm(TComponent* owner, bool complete = true) : TForm(owner) {
        if (complete) AfterConstruction();
    }
    void FormCreate(TObject* sender) {
        Created.push_back(sender);
        if (gCreatedVariable != nullptr) SeenInOnCreate = *gCreatedVariable;
    }
    // The variable a program keeps the form in, as OnCreate sees it.
    static inline TFormDefsTestForm** gCreatedVariable = nullptr;
    TFormDefsTestForm* SeenInOnCreate = nullptr;
    void PanelClick(TObject* sender) { Clicked.push_back(sender); }
    std::vector<TObject*> Created;
    std::vector<TObject*> Clicked;
};

class TFormDefsDerivedForm : public TFormDefsTestForm {
    KOV_CLASS(TFormDefsDerivedForm, TFormDefsTestForm)
public:
    explicit TFormDefsDerivedForm(TComponent* owner) : TFormDefsTestForm(owner, false) { AfterConstruction(); }
};

// A class below the test form without a definition of its own.
class TFormDefsPlainForm : public TFormDefsTestForm {
    KOV_CLASS(TFormDefsPlainForm, TFormDefsTestForm)
public:
    explicit TFormDefsPlainForm(TComponent* owner) : TFormDefsTestForm(owner, false) { AfterConstruction(); }
};

class TFormDefsBadForm : public TForm {
    KOV_CLASS(TFormDefsBadForm, TForm)
public:
    explicit TFormDefsBadForm(TComponent* owner) : TForm(owner) { AfterConstruction(); }
};

class TFormDefsTestModule : public TDataModule {
    KOV_CLASS(TFormDefsTestModule, TDataModule)
public:
    explicit TFormDefsTestModule(TComponent* owner) : TDataModule(owner) { AfterConstruction(); }
    void ModuleCreate(TObject*) { ++Creates; }
    int Creates = 0;
};

}  // namespace

KOV_PUBLISHED(TDefColumn) {
    Property("Title", &TDefColumn::GetTitle, &TDefColumn::SetTitle);
    Property("Width", &TDefColumn::GetWidth, &TDefColumn::SetWidth).Default(64);
}

KOV_PUBLISHED(TDefPanel) {
    // A panel shows its caption; the text is the same value and is not stored twice. Its hint
    // setting is stored while it does not follow its parent's.
    Property("Text", &TDefPanel::GetText, &TDefPanel::SetText).Stored(false);
    Property("ShowHint", &TDefPanel::GetShowHint, &TDefPanel::SetShowHint).Stored(&TDefPanel::IsShowHintStored);
    Property("Title", &TDefPanel::GetTitle, &TDefPanel::SetTitle);
    Property("Options", &TDefPanel::GetOptions, &TDefPanel::SetOptions).Default(TDefOptions());
    Property("Items", &TDefPanel::GetItems, &TDefPanel::SetItems);
    Property("Columns", &TDefPanel::GetColumns);
    Property("Buddy", &TDefPanel::GetBuddy, &TDefPanel::SetBuddy);
}

KOV_PUBLISHED(TDefTicker) { Property("Interval", &TDefTicker::GetInterval, &TDefTicker::SetInterval).Default(1000); }

KOV_PUBLISHED(TFormDefsTestForm) {
    Method("FormCreate", &TFormDefsTestForm::FormCreate);
    Method("PanelClick", &TFormDefsTestForm::PanelClick);
}
KOV_PUBLISHED(TFormDefsDerivedForm) {}
KOV_PUBLISHED(TFormDefsPlainForm) {}
KOV_PUBLISHED(TFormDefsBadForm) {}
KOV_PUBLISHED(TFormDefsTestModule) { Method("ModuleCreate", &TFormDefsTestModule::ModuleCreate); }

namespace {

const bool kRegistered = [] {
    RegisterEnum<TDefOption>("TDefOption", {"doFrame", "doShadow", "doTitle"});
    RegisterTypeName<TDefOptions>("TDefOptions");
    RegisterClasses({TDefPanel::StaticClass(), TDefTicker::StaticClass()});
    return true;
}();

class FormDefsTest : public testsupport::TAppFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(kRegistered);
        TAppFixture::SetUp();
        gLog.clear();
    }

    template <class T>
    T* Child(TComponent* root, const char* name) {
        auto* found = dynamic_cast<T*>(root->FindComponent(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static std::vector<String> Lines(const String& text) {
        std::vector<String> lines;
        std::istringstream in(text);
        for (String line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // Reads a definition text into a new form of the class and writes it out again.
    template <class T>
    String ReadAndWrite(const String& text) {
        auto* form = new T(nullptr, false);
        std::unique_ptr<T> owner(form);
        ReadComponentText(text, form, "again");
        return WriteComponentText(form);
    }
};

TEST_F(FormDefsTest, DefinitionsAreFoundByClassUpTheClassChain) {
    struct Case {
        TClass Class;
        TClass DefinedBy;
        const char* FirstLine;
    };
    const std::vector<Case> cases = {
        {TFormDefsTestForm::StaticClass(), TFormDefsTestForm::StaticClass(), "object MainForm: TFormDefsTestForm"},
        {TFormDefsDerivedForm::StaticClass(), TFormDefsDerivedForm::StaticClass(),
         "inherited DerivedForm: TFormDefsDerivedForm"},
        {TFormDefsPlainForm::StaticClass(), TFormDefsTestForm::StaticClass(), "object MainForm: TFormDefsTestForm"},
        {TFormDefsTestModule::StaticClass(), TFormDefsTestModule::StaticClass(), "object Module: TFormDefsTestModule"},
        {TForm::StaticClass(), nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Class->ClassName());
        const TFormDefinition definition = FindFormDefinition(c.Class);
        EXPECT_EQ(definition.DefinedBy, c.DefinedBy);
        EXPECT_EQ(bool(definition), c.DefinedBy != nullptr);
        if (!definition) continue;
        EXPECT_EQ(definition.Name, c.DefinedBy->ClassName());
        EXPECT_EQ(Lines(definition.Text).at(0), c.FirstLine);
    }
    EXPECT_TRUE(HasOwnFormDefinition(TFormDefsTestForm::StaticClass()));
    EXPECT_FALSE(HasOwnFormDefinition(TFormDefsPlainForm::StaticClass()));
}

// A program's OnCreate may use the variable the application keeps the form in: CreateForm
// fills it before the definition is read and OnCreate runs, for forms made inside too.
TEST_F(FormDefsTest, CreateFormFillsTheVariableBeforeOnCreate) {
    TFormDefsTestForm* form = nullptr;
    TFormDefsTestForm::gCreatedVariable = &form;
    App->CreateForm(form);
    TFormDefsTestForm::gCreatedVariable = nullptr;
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->SeenInOnCreate, form);
    EXPECT_EQ(form->Created, std::vector<TObject*>{form});
    EXPECT_EQ(form->GetCaption(), "Stored form");
    EXPECT_EQ(App->GetMainForm(), form);

    TComponent* byClass = nullptr;
    App->CreateForm(TFormDefsTestForm::StaticClass(), &byClass);
    auto* second = dynamic_cast<TFormDefsTestForm*>(byClass);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Created, std::vector<TObject*>{second});
    // A form made with new completes in its own constructor, as before.
    auto* direct = new TFormDefsTestForm(App.get());
    EXPECT_EQ(direct->Created, std::vector<TObject*>{direct});
}

TEST_F(FormDefsTest, AFormIsBuiltFromItsDefinitionAndItsHandlerRunsOnAClick) {
    auto* form = new TFormDefsTestForm(App.get());

    // The form itself, and OnCreate bound by name and run once the definition is read.
    EXPECT_EQ(form->GetName(), "MainForm");
    EXPECT_EQ(form->GetCaption(), "Stored form");
    EXPECT_EQ(form->GetBoundsRect().left, 120);
    EXPECT_EQ(form->GetWidth(), 420);
    EXPECT_EQ(form->GetColor(), clBtnFace);
    EXPECT_EQ(form->Created, std::vector<TObject*>{form});
    EXPECT_FALSE(form->GetComponentState().Contains(csLoading));

    // The components in stored order, the panels nested as stored.
    std::vector<String> names;
    for (Integer i = 0; i < form->GetComponentCount(); ++i) names.push_back(form->GetComponents(i)->GetName());
    EXPECT_EQ(names, (std::vector<String>{"Outer", "Inner", "Side"}));
    auto* outer = Child<TDefPanel>(form, "Outer");
    auto* inner = Child<TDefPanel>(form, "Inner");
    auto* side = Child<TDefPanel>(form, "Side");
    ASSERT_TRUE(outer && inner && side);
    EXPECT_EQ(outer->GetParent(), form);
    EXPECT_EQ(inner->GetParent(), outer);
    EXPECT_EQ(side->GetParent(), outer);
    EXPECT_EQ(outer->GetControlCount(), 2);

    // Every kind of value.
    EXPECT_EQ(outer->GetColor(), clWhite);
    EXPECT_EQ(outer->GetConstraints()->GetMinWidth(), 50);
    EXPECT_TRUE(outer->GetFont()->GetStyle().Contains(fsBold));
    EXPECT_FALSE(outer->GetParentFont());
    EXPECT_EQ(outer->GetOptions(), (TDefOptions{doFrame, doTitle}));
    ASSERT_EQ(outer->GetItems()->GetCount(), 2);
    EXPECT_EQ(outer->GetItems()->GetStrings(0), "alpha");
    EXPECT_EQ(outer->GetItems()->GetStrings(1), "beta");
    ASSERT_EQ(outer->GetColumns()->GetCount(), 2);
    auto* one = dynamic_cast<TDefColumn*>(outer->GetColumns()->GetItems(0));
    auto* two = dynamic_cast<TDefColumn*>(outer->GetColumns()->GetItems(1));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->GetTitle(), "One");
    EXPECT_EQ(one->GetWidth(), 40);
    EXPECT_EQ(two->GetTitle(), "Two");
    EXPECT_EQ(two->GetWidth(), 64);
    EXPECT_EQ(outer->Extra, "defined");
    EXPECT_EQ(inner->GetBuddy(), side);
    EXPECT_EQ(inner->GetBoundsRect().left, 10);
    EXPECT_EQ(side->GetWidth(), 100);

    // Properties set in the loading state; references resolved before Loaded, which runs in order.
    EXPECT_EQ(gLog, (std::vector<String>{"Outer.Title loading", "Inner.Title loading", "Side.Title loading",
                                          "Loaded Outer", "Loaded Inner buddy Side", "Loaded Side"}));

    // A click made of input reaches the handler the definition bound.
    form->Show();
    App->ProcessMessages();
    const POINT at = inner->ClientToScreen(POINT{20, 20});
    WinInputMouseMove(at);
    WinInputMouseButton(at, TWinMouseButton::Left, true);
    WinInputMouseButton(at, TWinMouseButton::Left, false);
    App->ProcessMessages();
    EXPECT_EQ(form->Clicked, std::vector<TObject*>{inner});
    delete form;
}

TEST_F(FormDefsTest, ADefinitionWrittenAndReadBackGivesTheSameText) {
    std::unique_ptr<TFormDefsTestForm> form(new TFormDefsTestForm(nullptr));
    const String written = WriteComponentText(form.get());

    // Everything the definition stored is written, in its order (the writer adds what has no
    // default, such as the sizes of the frame).
    const std::vector<String> stored = Lines(FindFormDefinition(TFormDefsTestForm::StaticClass()).Text);
    const std::vector<String> out = Lines(written);
    std::size_t at = 0;
    for (const String& line : stored) {
        while (at < out.size() && out[at] != line) ++at;
        EXPECT_LT(at, out.size()) << "not written (in order): " << line << "\n" << written;
        if (at == out.size()) break;
        ++at;
    }
    // And read back, it writes the same text again.
    EXPECT_EQ(ReadAndWrite<TFormDefsTestForm>(written), written);
}

TEST_F(FormDefsTest, AnInheritedFormReadsItsAncestorsDefinitionFirst) {
    std::unique_ptr<TFormDefsDerivedForm> form(new TFormDefsDerivedForm(nullptr));
    EXPECT_EQ(form->GetName(), "DerivedForm");
    EXPECT_EQ(form->GetCaption(), "Derived form");
    EXPECT_EQ(form->GetWidth(), 420);
    std::vector<String> names;
    for (Integer i = 0; i < form->GetComponentCount(); ++i) names.push_back(form->GetComponents(i)->GetName());
    EXPECT_EQ(names, (std::vector<String>{"Outer", "Inner", "Side", "Added"}));
    auto* outer = Child<TDefPanel>(form.get(), "Outer");
    auto* added = Child<TDefPanel>(form.get(), "Added");
    ASSERT_TRUE(outer && added);
    EXPECT_EQ(outer->GetTitle(), "Outer again");
    EXPECT_EQ(outer->GetItems()->GetCount(), 2);
    EXPECT_EQ(added->GetParent(), outer);
    EXPECT_EQ(Child<TDefPanel>(form.get(), "Inner")->GetBuddy(), Child<TDefPanel>(form.get(), "Side"));
    EXPECT_EQ(form->Created.size(), 1u);

    // A class without a definition of its own reads its ancestor's.
    std::unique_ptr<TFormDefsPlainForm> plain(new TFormDefsPlainForm(nullptr));
    EXPECT_EQ(plain->GetCaption(), "Stored form");
    EXPECT_EQ(plain->GetComponentCount(), 3);
}

TEST_F(FormDefsTest, AFormWithoutADefinitionReadsNothing) {
    std::unique_ptr<TForm> form(TForm::CreateNew(nullptr));
    EXPECT_FALSE(ReadFormDefinitions(form.get(), TForm::StaticClass()));
    EXPECT_EQ(form->GetComponentCount(), 0);
    EXPECT_FALSE(form->GetComponentState().Contains(csLoading));
    // A form class that has one reads it (again) through the hook.
    std::unique_ptr<TFormDefsTestForm> stored(new TFormDefsTestForm(nullptr, false));
    EXPECT_TRUE(InitInheritedComponent(stored.get(), TForm::StaticClass()));
    EXPECT_EQ(stored->GetComponentCount(), 3);
}

TEST_F(FormDefsTest, ADataModuleKeepsItsComponentsAndDesignerPlace) {
    std::unique_ptr<TFormDefsTestModule> module(new TFormDefsTestModule(nullptr));
    EXPECT_EQ(module->Creates, 1);
    EXPECT_EQ(module->GetDesignOffset().x, 200);
    EXPECT_EQ(module->GetDesignOffset().y, 150);
    EXPECT_EQ(module->GetDesignSize().x, 260);
    EXPECT_EQ(module->GetDesignSize().y, 180);
    auto* ticker = Child<TDefTicker>(module.get(), "Ticker");
    ASSERT_NE(ticker, nullptr);
    EXPECT_EQ(ticker->GetInterval(), 250);
    // Here every stored value is one the writer writes: the text comes back as it is.
    EXPECT_EQ(WriteComponentText(module.get()), FindFormDefinition(TFormDefsTestModule::StaticClass()).Text);
}

TEST_F(FormDefsTest, AnUnknownPropertyFailsWithTheDefinitionAndLine) {
    try {
        delete new TFormDefsBadForm(nullptr);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message,
                  "TFormDefsBadForm: Error reading Panel1.Colour: Property Colour does not exist in TDefPanel on line 5");
    }
}

TEST_F(FormDefsTest, OtherErrorsOfAFormsDefinitionNameTheirLine) {
    struct Case {
        const char* Text;
        const char* Message;
    };
    const std::vector<Case> cases = {
        {"object F: TFormDefsTestForm\n  OnShow = FormShown\nend\n",
         "TFormDefsTestForm: Error reading F.OnShow: Method FormShown not found in TFormDefsTestForm on line 2"},
        {"object F: TFormDefsTestForm\n  Color = clNoSuchColour\nend\n",
         "TFormDefsTestForm: Error reading F.Color: Invalid property value on line 2"},
        {"object F: TFormDefsTestForm\n  BorderStyle = bsDialog\n  Position = poSideways\nend\n",
         "TFormDefsTestForm: Error reading F.Position: Invalid property element: poSideways on line 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        std::unique_ptr<TFormDefsTestForm> form(new TFormDefsTestForm(nullptr, false));
        try {
            ReadComponentText(c.Text, form.get(), "TFormDefsTestForm");
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, c.Message);
        }
    }
}

TEST_F(FormDefsTest, TheFormsOwnPropertiesAreRead) {
    std::unique_ptr<TFormDefsTestForm> form(new TFormDefsTestForm(nullptr, false));
    ReadComponentText("object F: TFormDefsTestForm\n"
                      "  AutoScroll = False\n"
                      "  BorderIcons = [biSystemMenu]\n"
                      "  BorderStyle = bsDialog\n"
                      "  ClientHeight = 200\n"
                      "  ClientWidth = 300\n"
                      "  KeyPreview = True\n"
                      "  OldCreateOrder = True\n"
                      "  Position = poScreenCenter\n"
                      "  FormStyle = fsStayOnTop\n"
                      "  Scaled = False\n"
                      "  OnShow = FormCreate\n"
                      "  PixelsPerInch = 120\n"
                      "  TextHeight = 16\n"
                      "  ActiveControl = Box\n"
                      "  object Box: TDefPanel\n"
                      "  end\n"
                      "end\n",
                      form.get());
    EXPECT_EQ(form->GetBorderStyle(), bsDialog);
    EXPECT_EQ(form->GetBorderIcons(), TBorderIcons{biSystemMenu});
    EXPECT_EQ(form->GetClientWidth(), 300);
    EXPECT_EQ(form->GetClientHeight(), 200);
    EXPECT_GT(form->GetWidth(), 300);  // the frame comes on top
    EXPECT_TRUE(form->GetKeyPreview());
    EXPECT_EQ(form->GetPosition(), poScreenCenter);
    EXPECT_EQ(form->GetFormStyle(), fsStayOnTop);
    EXPECT_EQ(form->GetPixelsPerInch(), 120);
    EXPECT_EQ(form->GetTextHeight(), 16);
    EXPECT_EQ(form->GetActiveControl(), form->FindComponent("Box"));
    form->OnShow(form.get());
    EXPECT_EQ(form->Created.size(), 1u);
    // Without scrolling the client size is what is stored, not the outer one.
    const std::vector<String> out = Lines(WriteComponentText(form.get()));
    EXPECT_NE(std::find(out.begin(), out.end(), "  ClientWidth = 300"), out.end());
    EXPECT_EQ(std::find(out.begin(), out.end(), "  Width = " + IntToStr(form->GetWidth())), out.end());
}

}  // namespace

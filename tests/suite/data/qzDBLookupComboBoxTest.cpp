// The lookup combo box over in-memory data sets: the data-set lookup grid's columns, the
// data-set editor registry, the key and list field properties, lookup-field binding and its
// errors, the grid-mode text cache, and the combo box chosen from by keys.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/data/qzDBEditRepository.h"
#include "suite/data/qzDBLookupComboBox.h"
#include "suite/data/qzEditDBRegisteredRepositoryItems.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// Counts its locates.
class TCountingDataSet : public TMemDataSet {
public:
    using TMemDataSet::TMemDataSet;
    bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override {
        ++Locates;
        return TMemDataSet::Locate(keyFields, keyValues, options);
    }
    int Locates = 0;
};

// A data set with a master source.
class TMasteredDataSet : public TMemDataSet {
public:
    using TMemDataSet::TMemDataSet;
    TDataSource* GetDataSource() const override { return Master; }
    TDataSource* Master = nullptr;
};

class DBLookupComboBox : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Channels.GetFieldDefs()->Add("ID", ftInteger);
        Channels.GetFieldDefs()->Add("Name", ftString, 10);
        Channels.GetFieldDefs()->Add("Band", ftString, 4);
        Channels.CreateDataSet();
        const char* names[] = {"ALPHA", "BRAVO", "CHANNEL", "CHARLIE", "DELTA"};
        for (Integer i = 0; i < 5; ++i) Channels.AppendRecord({i + 1, String(names[i]), String(i < 2 ? "UHF" : "VHF")});
        Channels.First();
        ChannelSource.SetDataSet(&Channels);

        TFieldDefs* defs = Memory.GetFieldDefs();
        defs->Add("Slot", ftInteger);
        defs->Add("Channel", ftInteger);
        defs->Add("Price", ftFloat);
        defs->Add("Wide", ftBoolean);
        for (Integer i = 0; i < defs->GetCount(); ++i) defs->GetItems(i)->CreateField(&Memory);
        Lookup = new TStringField(&Memory);
        Lookup->SetFieldName("ChannelName");
        Lookup->SetFieldKind(fkLookup);
        Lookup->SetDataSet(&Memory);
        Lookup->SetLookupDataSet(&Channels);
        Lookup->SetKeyFields("Channel");
        Lookup->SetLookupKeyFields("ID");
        Lookup->SetLookupResultField("Name");
        Memory.CreateDataSet();
        Memory.AppendRecord({1, 3, 1.5, true});

        Combo = new TqzLookupComboBox(Form);
        Combo->SetParent(Form);
        Combo->SetBounds(10, 10, 150, 21);
    }
    void TearDown() override {
        delete Combo;
        TFormFixture::TearDown();
    }
    TqzLookupComboBoxProperties* Props() { return Combo->GetProperties(); }
    void Press(Word key) {
        WinInputKey(key, false, true);
        App->ProcessMessages();
        WinInputKey(key, false, false);
        App->ProcessMessages();
    }
    void BindList() {
        Props()->SetKeyFieldNames("ID");
        Props()->SetListFieldNames("Name");
        Props()->SetListSource(&ChannelSource);
    }
    void BindEditorTo(TField* field) {
        Provider.AttachField(field);
        Props()->SetDefaultValuesProvider(&Provider);
        Props()->Changed();
    }

    testsupport::ScopedFormatSettings Settings{testsupport::DotSettings()};
    TCountingDataSet Channels{nullptr};
    TDataSource ChannelSource{nullptr};
    TMasteredDataSet Memory{nullptr};
    TStringField* Lookup = nullptr;
    TqzCustomDBEditDefaultValuesProvider Provider{nullptr};
    TqzLookupComboBox* Combo = nullptr;
};

TEST_F(DBLookupComboBox, DefaultEditorsByField) {
    EditDBRegisteredRepositoryItemsFinalize();
    TqzEditDBRegisteredRepositoryItems* registry = GetDBDefaultEditors();
    auto* price = static_cast<TFloatField*>(Memory.FieldByName("Price"));
    struct TCase {
        const char* Name;
        TField* Field;
        bool Currency;
        TClass ItemClass;
    };
    const TCase cases[] = {
        {"no field", nullptr, false, TqzEditRepositoryMaskItem::StaticClass()},
        {"integer", Memory.FieldByName("Slot"), false, TqzEditRepositoryMaskItem::StaticClass()},
        {"Boolean", Memory.FieldByName("Wide"), false, TqzEditRepositoryCheckBoxItem::StaticClass()},
        {"float", price, false, TqzEditRepositoryMaskItem::StaticClass()},
        {"float with currency", price, true, TqzEditRepositoryCurrencyItem::StaticClass()},
        {"lookup", Lookup, false, TqzEditRepositoryLookupComboBoxItem::StaticClass()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        price->SetCurrency(c.Currency);
        TqzEditRepositoryItem* item = registry->ItemForField(c.Field);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ClassType(), c.ItemClass);
    }
    // The date, time, binary, memo and graphic types have editors of their own, an item per type.
    struct TTypeCase {
        TFieldType Type;
        TClass ItemClass;
    };
    const TTypeCase types[] = {
        {ftDate, TqzEditRepositoryDateItem::StaticClass()},      {ftDateTime, TqzEditRepositoryDateItem::StaticClass()},
        {ftTimeStamp, TqzEditRepositoryDateItem::StaticClass()}, {ftTime, TqzEditRepositoryTimeItem::StaticClass()},
        {ftBytes, TqzEditRepositoryBlobItem::StaticClass()},     {ftVarBytes, TqzEditRepositoryBlobItem::StaticClass()},
        {ftBlob, TqzEditRepositoryBlobItem::StaticClass()},      {ftFmtMemo, TqzEditRepositoryBlobItem::StaticClass()},
        {ftParadoxOle, TqzEditRepositoryBlobItem::StaticClass()}, {ftDBaseOle, TqzEditRepositoryBlobItem::StaticClass()},
        {ftTypedBinary, TqzEditRepositoryBlobItem::StaticClass()}, {ftMemo, TqzEditRepositoryMemoItem::StaticClass()},
        {ftGraphic, TqzEditRepositoryImageItem::StaticClass()},
    };
    std::set<TqzEditRepositoryItem*> distinct;
    for (const TTypeCase& t : types) {
        TqzEditRepositoryItem* item = registry->ItemForFieldType(t.Type);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->ClassType(), t.ItemClass) << Integer(t.Type);
        distinct.insert(item);
    }
    EXPECT_EQ(distinct.size(), std::size(types));
    // A lookup field of Boolean type still gets the lookup item.
    TBooleanField flag(nullptr);
    flag.SetFieldKind(fkLookup);
    EXPECT_EQ(registry->ItemForField(&flag), registry->LookupItem());
    auto* lookupItem = static_cast<TqzEditRepositoryLookupComboBoxItem*>(registry->LookupItem());
    EXPECT_EQ(lookupItem->GetProperties()->GetListOptions()->GetGridLines(), glNone);
    EXPECT_FALSE(lookupItem->GetProperties()->GetListOptions()->GetShowHeader());
    EXPECT_EQ(lookupItem->GetProperties()->GetDropDownListStyle(), lsEditFixedList);
    EditDBRegisteredRepositoryItemsFinalize();
}

TEST_F(DBLookupComboBox, GridColumnsByFieldName) {
    TqzLookupDBGrid* grid = Props()->GetGrid();
    grid->SetDataSource(&ChannelSource);
    grid->SetColumnsByFieldNames("Name;Missing");
    ASSERT_EQ(grid->GetColumns()->GetCount(), 2);
    TqzLookupDBGridColumn* name = grid->GetDBColumns()->Columns(0);
    TqzLookupDBGridColumn* missing = grid->GetDBColumns()->Columns(1);
    EXPECT_EQ(name->GetFieldName(), "Name");
    EXPECT_EQ(missing->GetFieldName(), "Missing");
    // A column without a field shows its field name and the lookup grid's width.
    EXPECT_EQ(missing->GetCaption(), "Missing");
    EXPECT_EQ(missing->GetWidth(), 64);
    // A string field of display width 10: ten zeros plus 4, or the header's width when larger.
    TqzCanvas* canvas = grid->GetPainter()->GetCanvas();
    canvas->SelectFont(grid->GetFont());
    const Integer zeros = canvas->TextWidthOf("0") * 10 + 4;
    EXPECT_GE(name->GetWidth(), zeros);
    grid->GetOptions()->SetShowHeader(false);
    EXPECT_EQ(name->GetWidth(), zeros);
    EXPECT_EQ(grid->GetDBColumns()->FindColumnByFieldName("name"), name);
}

TEST_F(DBLookupComboBox, ListFieldNamesAndIndex) {
    BindList();
    EXPECT_EQ(Props()->GetListFieldNames(), "Name");
    EXPECT_EQ(Props()->GetDisplayText(Variant(4)), "CHARLIE");
    EXPECT_EQ(Props()->GetDisplayText(Variant(40)), "");
    Props()->SetListFieldNames("Band;Name");
    EXPECT_EQ(Props()->GetListColumnCount(), 2);
    Props()->SetListFieldIndex(7);
    EXPECT_EQ(Props()->GetListFieldIndex(), 1);
    Props()->SetListFieldNames("Band");
    EXPECT_EQ(Props()->GetListFieldIndex(), 0);
    Props()->SetListFieldNames("Name");
    EXPECT_FALSE(Props()->IsKeyTheListField());
    Props()->SetKeyFieldNames("Name");
    EXPECT_TRUE(Props()->IsKeyTheListField());
}

// Key and list fields set after the list source still load their values, for every list over
// one data set: alone, through a second source, through the same source, set up after the
// others, and as a copy of working properties.
TEST_F(DBLookupComboBox, EveryListOverOneDataSetHasTheTexts) {
    TDataSource otherSource(nullptr);
    otherSource.SetDataSet(&Channels);
    auto bind = [](TqzLookupComboBoxProperties& p, TDataSource* source) {
        p.SetListSource(source);
        p.SetKeyFieldNames("ID");
        p.SetListFieldNames("Name");
    };
    TqzLookupComboBoxProperties first(nullptr), second(nullptr), third(nullptr);
    bind(first, &ChannelSource);
    EXPECT_EQ(first.GetDisplayText(Variant(2)), "BRAVO");
    bind(second, &ChannelSource);
    bind(third, &otherSource);
    BindList();
    TqzLookupComboBoxProperties later(nullptr), copy(nullptr);
    bind(later, &ChannelSource);
    copy.Assign(&first);
    const struct {
        const char* Name;
        TqzLookupComboBoxProperties* Properties;
    } cases[] = {{"first", &first}, {"second", &second}, {"other source", &third},
                 {"editor's", Props()}, {"set up later", &later}, {"copy", &copy}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Properties->GetDisplayText(Variant(2)), "BRAVO");
        EXPECT_EQ(c.Properties->GetDisplayText(Variant(5)), "DELTA");
    }
}

TEST_F(DBLookupComboBox, NullKeyAndUnmatchedTextWithTwoKeyFields) {
    Props()->SetKeyFieldNames("ID;Band");
    Props()->SetListFieldNames("Name");
    Props()->SetListSource(&ChannelSource);
    const Variant nullKey = Props()->GetNullKey();
    ASSERT_TRUE(VarIsArray(nullKey));
    EXPECT_EQ(VarArrayHighBound(nullKey, 1), 1);
    Variant value;
    bool valid = true;
    Combo->DisplayToEditValue(Variant(String("NOBODY")), value, valid);
    ASSERT_TRUE(VarIsArray(value));
    EXPECT_EQ(VarArrayHighBound(value, 1), 1);
    Combo->DisplayToEditValue(Variant(String("delta")), value, valid);
    ASSERT_TRUE(VarIsArray(value));
    EXPECT_EQ(VarToStr(VarArrayGet(value, {1})), "VHF");
}

TEST_F(DBLookupComboBox, LookupFieldDefinesTheList) {
    Props()->SetListFieldNames("Band;Name");
    BindEditorTo(Lookup);
    EXPECT_TRUE(Props()->IsLookupFieldBound());
    // The result field was a column already: the columns stay, and the index follows it.
    EXPECT_EQ(Props()->GetListFieldNames(), "Band;Name");
    EXPECT_EQ(Props()->GetListFieldIndex(), 1);
    EXPECT_EQ(Props()->GetKeyFieldNames(), "ID");
    EXPECT_EQ(Props()->GetListSource(), nullptr);
    EXPECT_EQ(Props()->GetDisplayText(Variant(2)), "BRAVO");
    const char* const expected = "Property already defined by lookup field";
    for (auto set : {+[](TqzLookupComboBoxProperties* p) { p->SetKeyFieldNames("Name"); },
                     +[](TqzLookupComboBoxProperties* p) { p->SetListFieldIndex(0); },
                     +[](TqzLookupComboBoxProperties* p) { p->SetListSource(nullptr); }}) {
        try {
            set(Props());
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, expected);
        }
    }
    // The field freed: the properties are their own again.
    delete Lookup;
    Lookup = nullptr;
    EXPECT_FALSE(Props()->IsLookupFieldBound());
    Props()->SetKeyFieldNames("ID");
}

TEST_F(DBLookupComboBox, BindingAddsTheResultColumnWhenMissing) {
    Props()->SetListFieldNames("Band");
    BindEditorTo(Lookup);
    EXPECT_EQ(Props()->GetListFieldNames(), "Name");
    EXPECT_EQ(Props()->GetListFieldIndex(), 0);
}

TEST_F(DBLookupComboBox, CircularDataLinkIsRefused) {
    TDataSource memorySource(nullptr);
    memorySource.SetDataSet(&Memory);
    BindEditorTo(Memory.FieldByName("Channel"));
    // The list is the editor's own data set.
    try {
        Props()->SetListSource(&memorySource);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "Circular datalinks are not allowed");
    }
    EXPECT_EQ(Props()->GetListSource(), nullptr);
    // A list that is the master of the editor's data set.
    TMemDataSet master(nullptr);
    master.GetFieldDefs()->Add("ID", ftInteger);
    master.CreateDataSet();
    TDataSource masterSource(nullptr);
    masterSource.SetDataSet(&master);
    Memory.Master = &masterSource;
    EXPECT_THROW(Props()->SetListSource(&masterSource), EDatabaseError);
    Memory.Master = nullptr;
    Props()->SetListSource(&ChannelSource);
    EXPECT_EQ(Props()->GetListSource(), &ChannelSource);
}

TEST_F(DBLookupComboBox, GridModeCachesTextsUntilChanged) {
    BindList();
    Props()->SetGridMode(true);
    Channels.Locates = 0;
    EXPECT_EQ(Props()->GetDisplayText(Variant(99)), "");
    EXPECT_EQ(Props()->GetDisplayText(Variant(99)), "");
    EXPECT_EQ(Channels.Locates, 1);
    EXPECT_EQ(Props()->GetDisplayText(Variant(5)), "DELTA");
    Integer index = 0;
    EXPECT_TRUE(Props()->GetLookupTextCache()->Locate(Variant(99), index));
    EXPECT_TRUE(Props()->GetLookupTextCache()->Locate(Variant(5), index));
    Props()->Changed();
    EXPECT_FALSE(Props()->GetLookupTextCache()->Locate(Variant(99), index));
    EXPECT_FALSE(Props()->GetLookupTextCache()->Locate(Variant(5), index));
    EXPECT_FALSE(Props()->UsesIncrementalFiltering());
}

TEST_F(DBLookupComboBox, ChosenByKeysFromTheDropDown) {
    BindList();
    Form->Show();
    App->ProcessMessages();
    Combo->SetFocus();
    App->ProcessMessages();
    // The pointer away from the list, which tracks it.
    SetCursorPos(0, 0);
    Combo->SetEditValue(Variant(1));
    EXPECT_EQ(Combo->GetText(), "ALPHA");
    Combo->SetDroppedDown(true);
    App->ProcessMessages();
    ASSERT_TRUE(Combo->GetDroppedDown());
    for (Word key : {Word(VK_DOWN), Word(VK_DOWN), Word(VK_RETURN)}) Press(key);
    EXPECT_FALSE(Combo->GetDroppedDown());
    EXPECT_EQ(Combo->GetEditValue().AsInteger(), 3);
    EXPECT_EQ(Combo->GetText(), "CHANNEL");
    // Escape closes without a change.
    Combo->SetDroppedDown(true);
    App->ProcessMessages();
    // A row the pointer went over is not taken on Escape.
    Props()->GetGrid()->FocusRow(4);
    Press(VK_ESCAPE);
    EXPECT_EQ(Combo->GetEditValue().AsInteger(), 3);
    EXPECT_FALSE(Combo->GetDroppedDown());
}

TEST_F(DBLookupComboBox, RegisteredAsAnEditor) {
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    bool found = false;
    for (Integer i = 0; i < registry->GetCount(); ++i)
        if (registry->GetItems(i) == TqzLookupComboBoxProperties::StaticClass())
            found = registry->GetText(i) == "LookupComboBox|Represents a lookup combo box control";
    EXPECT_TRUE(found);
}

} // namespace

namespace {

// The settings of the lookup combo box and of its properties survive a stored window definition.
TEST_F(DBLookupComboBox, AStoredWindowKeepsTheComboAndPropertySettings) {
    Combo->SetName("ChannelCombo");
    TqzLookupComboBoxProperties* p = Props();
    p->SetKeyFieldNames("ID");
    p->SetListFieldNames("Name");
    p->GetAlignment()->SetHorz(taRightJustify);
    TBitmap glyph;
    glyph.SetSize(7, 5);
    glyph.GetCanvas()->GetBrush()->SetColor(clRed);
    glyph.GetCanvas()->FillRect(TRect{0, 0, 7, 5});
    p->SetButtonGlyph(&glyph);
    p->SetCharCase(ecUpperCase);
    p->SetImeMode(imSAlpha);
    p->SetImeName("Kana");
    p->SetOEMConvert(true);
    p->SetPopupAlignment(taRightJustify);
    p->SetUseLeftAlignmentOnEditing(false);
    Combo->SetBeepOnEnter(false);
    Combo->SetAnchors(TAnchors{akLeft, akRight});
    Combo->SetTabOrder(0);

    const String written = WriteComponentText(Form);
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzLookupComboBox*>(copy->FindComponent("ChannelCombo"));
    ASSERT_NE(nullptr, read) << written;
    TqzLookupComboBoxProperties* q = read->GetProperties();
    EXPECT_EQ("ID", q->GetKeyFieldNames());
    EXPECT_EQ("Name", q->GetListFieldNames()) << "the list column is stored with the columns";
    EXPECT_EQ(taRightJustify, q->GetAlignment()->GetHorz());
    EXPECT_EQ(7, q->GetButtonGlyph()->GetWidth()) << written;
    EXPECT_EQ(5, q->GetButtonGlyph()->GetHeight());
    EXPECT_EQ(ecUpperCase, q->GetCharCase());
    EXPECT_EQ(imSAlpha, q->GetImeMode());
    EXPECT_EQ("Kana", q->GetImeName());
    EXPECT_TRUE(q->GetOEMConvert());
    EXPECT_EQ(taRightJustify, q->GetPopupAlignment());
    EXPECT_FALSE(q->GetUseLeftAlignmentOnEditing());
    EXPECT_FALSE(read->GetBeepOnEnter());
    EXPECT_EQ(imSAlpha, read->GetImeMode()) << "the editor takes the properties' input method";
    EXPECT_EQ("Kana", read->GetImeName());
    EXPECT_EQ((TAnchors{akLeft, akRight}), read->GetAnchors());
}

} // namespace

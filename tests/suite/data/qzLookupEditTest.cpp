// The lookup editor and its lookup data over a lookup grid of channel names: the list field
// index, navigation keys, text completion, incremental filtering, movement through the list, the
// drop-down size and how a typed text becomes the edit value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Strings.h"
#include "suite/data/qzLookupEdit.h"
#include "suite/data/qzLookupGrid.h"
#include "tests/support/FormFixture.h"

namespace {

// Lookup properties whose list is an unbound lookup grid; the key is the record index.
class TTestLookupProperties : public TqzCustomLookupEditProperties {
    KOV_CLASS(TTestLookupProperties, TqzCustomLookupEditProperties)
public:
    explicit TTestLookupProperties(TPersistent* owner)
        : TqzCustomLookupEditProperties(owner), Grid(new TqzLookupGrid(nullptr)) {
        Grid->SetPopupMode(true);
        HookListDataController();
    }
    ~TTestLookupProperties() override {
        UnhookListDataController();
        delete Grid;
    }
    Integer GetListColumnCount() override { return Grid->GetColumns()->GetCount(); }
    TWinControl* GetListControl() override { return Grid; }
    TqzCustomDataController* GetListDataController() override { return Grid->GetDataController(); }
    Integer GetListWidth() override {
        Integer width = 0;
        for (Integer i = 0; i < Grid->GetColumns()->GetCount(); ++i) width += Grid->GetColumns()->GetColumn(i)->GetWidth();
        return width;
    }
    Integer FitListHeight(Integer height) override { return Grid->FitHeight(height); }
    Integer GetListHeightForRows(Integer rows) override { return Grid->GetRowsHeight(rows); }
    bool IsPointOnListRow(const TPoint& p) override { return Grid->IsPointOnRow(p); }
    void MakeListFocusVisible() override { Grid->MakeFocusedRowVisible(); }
    String GetDisplayText(const Variant& key) override {
        if (VarIsNull(key) || VarIsEmpty(key) || GetListIndex() == -1) return String();
        const Integer record = key.AsInteger();
        if (record < 0 || record >= Grid->GetDataController()->GetRecordCount()) return String();
        return Grid->GetDataController()->GetDisplayText(record, GetListIndex());
    }

    TqzLookupGrid* Grid;
};

class TTestLookupEdit : public TqzCustomLookupEdit {
    KOV_CLASS(TTestLookupEdit, TqzCustomLookupEdit)
public:
    explicit TTestLookupEdit(TComponent* owner) : TqzCustomLookupEdit(owner, false, true) { InitializeEditor(); }
    TClass GetPropertiesClass() override { return TTestLookupProperties::StaticClass(); }
    TTestLookupProperties* Props() { return static_cast<TTestLookupProperties*>(GetProperties()); }
};

const bool kRegistered = [] {
    RegisterInterfacedPersistentClass<TTestLookupProperties>();
    return true;
}();

const char* const kNames[] = {"ALPHA", "BRAVO", "CHANNEL", "CHARLIE", "DELTA", "ECHO", "FOXTROT", "GOLF"};

class LookupEdit : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Edit = new TTestLookupEdit(Form);
        Edit->SetParent(Form);
        Grid()->GetColumns()->Add()->SetItemValueTypeClass(ValueTypeClass<TqzStringValueType>());
        Grid()->GetColumns()->Add()->SetItemValueTypeClass(ValueTypeClass<TqzIntegerValueType>());
        TqzCustomDataController* c = Controller();
        {
            TqzUpdateLock lock(c);
            c->SetRecordCount(Integer(std::size(kNames)));
            for (Integer r = 0; r < Integer(std::size(kNames)); ++r) {
                c->SetValue(r, 0, Variant(String(kNames[r])));
                c->SetValue(r, 1, Variant(r * 10));
            }
        }
        Edit->Props()->SetDropDownRows(3);
        Form->Show();
        App->ProcessMessages();
    }
    TqzLookupGrid* Grid() { return Edit->Props()->Grid; }
    TqzCustomDataController* Controller() { return Grid()->GetDataController(); }
    TqzCustomLookupEditLookupData* Lookup() { return Edit->GetLookupEditData(); }
    std::string Rows() {
        std::string s;
        for (Integer row = 0; row < Controller()->GetRowCount(); ++row)
            s += (s.empty() ? "" : ",") + std::string(kNames[Controller()->GetInfo()->GetRowRecordIndex(row)]);
        return s;
    }

    TTestLookupEdit* Edit = nullptr;
};

TEST_F(LookupEdit, ListFieldIndexStaysWithinTheColumns) {
    TTestLookupProperties* p = Edit->Props();
    Grid()->GetColumns()->Add();
    p->SetListFieldIndex(5);
    EXPECT_EQ(p->ListFieldIndex, 2);
    p->SetListFieldIndex(-1);
    EXPECT_EQ(p->ListFieldIndex, 0);
    EXPECT_TRUE(p->IsLookupText("charlie"));
    EXPECT_FALSE(p->IsLookupText("CHAR"));
    Grid()->GetColumns()->Clear();
    EXPECT_EQ(p->GetListIndex(), -1);
    EXPECT_FALSE(p->IsLookupText("CHARLIE"));
    EXPECT_TRUE(Lookup()->IsEmpty());
}

TEST_F(LookupEdit, NavigationKeys) {
    struct TCase {
        Word Key;
        TShiftState Shift;
        bool Navigation;
    };
    const TCase cases[] = {
        {VK_NEXT, {}, true},          {VK_NEXT, TShiftState{ssAlt}, false}, {VK_PRIOR, {}, true},
        {VK_UP, {}, true},            {VK_DOWN, TShiftState{ssAlt}, false}, {VK_HOME, {}, false},
        {VK_HOME, TShiftState{ssCtrl}, true}, {VK_END, TShiftState{ssCtrl}, true}, {VK_END, {}, false},
        {VK_LEFT, {}, false},
    };
    for (const TCase& c : cases) EXPECT_EQ(Edit->Props()->IsLookupNavigationKey(c.Key, c.Shift), c.Navigation) << c.Key;
}

TEST_F(LookupEdit, DropDownSizeableIsReportedAutoSizeIsNot) {
    TTestLookupProperties properties(nullptr);
    int changes = 0;
    struct TCounter : TObject {
        int* Count;
        void Changed(TObject*) { ++*Count; }
    } counter;
    counter.Count = &changes;
    properties.SetOnPropertiesChanged(TNotifyEvent(&counter, &TCounter::Changed));
    properties.SetDropDownAutoSize(true);
    EXPECT_EQ(changes, 0);
    properties.SetDropDownSizeable(true);
    EXPECT_GT(changes, 0);
    // The defaults of a lookup editor.
    TTestLookupProperties fresh(nullptr);
    EXPECT_TRUE(fresh.IncrementalFiltering);
    EXPECT_EQ(fresh.GetDropDownListStyle(), lsEditFixedList);
    EXPECT_FALSE(fresh.GetDropDownAutoSize());
    EXPECT_FALSE(fresh.GetDropDownSizeable());
    EXPECT_EQ(fresh.GetDropDownHeight(), 0);
    EXPECT_EQ(fresh.GetDropDownWidth(), 0);
}

TEST_F(LookupEdit, TypedTextTakesTheEntrysCaseAndGivesTheTail) {
    String text = "ch";
    String tail;
    EXPECT_TRUE(Lookup()->Locate(text, tail, false));
    EXPECT_EQ(text, "CH");
    EXPECT_EQ(tail, "ANNEL");
    EXPECT_EQ(Lookup()->GetCurrentKey().AsInteger(), 2);
    EXPECT_TRUE(Lookup()->IsFocusedRowSelected());
    text = "cha";
    EXPECT_TRUE(Lookup()->Locate(text, tail, true));
    EXPECT_EQ(tail, "NNEL");
    text = "chax";
    tail = "kept";
    EXPECT_FALSE(Lookup()->Locate(text, tail, false));
    EXPECT_EQ(text, "chax");
    EXPECT_EQ(tail, "kept");
    EXPECT_FALSE(Lookup()->IsFocusedRowSelected());
}

TEST_F(LookupEdit, IncrementalFilteringNarrowsAndKeepsTheList) {
    struct TCase {
        TqzEditDropDownListStyle Style;
        std::string AfterMiss;
    };
    for (const TCase& c : {TCase{lsEditFixedList, "CHANNEL,CHARLIE"}, TCase{lsFixedList, "CHANNEL,CHARLIE"},
                           TCase{lsEditList, ""}}) {
        SCOPED_TRACE(int(c.Style));
        Edit->Props()->SetDropDownListStyle(c.Style);
        Lookup()->ListVisible = true;
        String text = "c";
        String tail;
        EXPECT_TRUE(Lookup()->Locate(text, tail, false));
        EXPECT_EQ(Rows(), "CHANNEL,CHARLIE");
        text = "cx";
        EXPECT_FALSE(Lookup()->Locate(text, tail, false));
        EXPECT_EQ(Rows(), c.AfterMiss);
        EXPECT_FALSE(Lookup()->IsFocusedRowSelected());
        // An empty text restores the whole list.
        text = "";
        Lookup()->Locate(text, tail, false);
        EXPECT_EQ(Controller()->GetRowCount(), Integer(std::size(kNames)));
        Lookup()->ResetListSelection();
    }
}

TEST_F(LookupEdit, NavigateInSixDirections) {
    struct TCase {
        const char* Name;
        Integer Start;
        Integer Direction;
        bool Wrap;
        Integer Record;
    };
    const TCase cases[] = {
        {"first", 4, qzlmFirst, false, 0},
        {"last", 4, qzlmLast, false, 7},
        {"next", 4, qzlmNext, false, 5},
        {"next on the last", 7, qzlmNext, false, 7},
        {"next on the last with wrap", 7, qzlmNext, true, 0},
        {"prior", 4, qzlmPrior, false, 3},
        {"prior on the first with wrap", 0, qzlmPrior, true, 7},
        {"page down moves DropDownRows rows", 1, qzlmPageDown, false, 4},
        {"page down near the end stops on the last", 6, qzlmPageDown, false, 7},
        {"page down on the last with wrap", 7, qzlmPageDown, true, 0},
        {"page up", 5, qzlmPageUp, false, 2},
        {"page up on the first with wrap", 0, qzlmPageUp, true, 7},
    };
    int chosen = 0;
    struct TCounter : TObject {
        int* Count;
        void Chosen(TObject*) { ++*Count; }
    } counter;
    counter.Count = &chosen;
    Lookup()->SetOnSelectItem(TNotifyEvent(&counter, &TCounter::Chosen));
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Lookup()->SelectKey(Variant(c.Start));
        chosen = 0;
        Lookup()->MoveCurrent(c.Direction, c.Wrap);
        EXPECT_EQ(Lookup()->GetCurrentKey().AsInteger(), c.Record);
        EXPECT_EQ(Controller()->GetFocusedRecordIndex(), c.Record);
        EXPECT_TRUE(Lookup()->IsFocusedRowSelected());
        EXPECT_EQ(chosen, 1);
    }
}

TEST_F(LookupEdit, PreferredSizeAndResizing) {
    TSize size = Lookup()->GetListPreferredSize();
    EXPECT_EQ(size.cx, 128);
    EXPECT_EQ(size.cy, Grid()->GetRowsHeight(3));
    // A height between rows is fitted to whole rows, and a limit below it wins first.
    TSize asked{100, Grid()->GetRowsHeight(2) + 3};
    EXPECT_TRUE(Lookup()->CanResizeList(asked, TSize{0, 0}));
    EXPECT_EQ(asked.cy, Grid()->GetRowsHeight(2));
    asked.cy = 1000;
    Lookup()->CanResizeList(asked, TSize{0, Grid()->GetRowsHeight(4)});
    EXPECT_EQ(asked.cy, Grid()->GetRowsHeight(4));
    // An empty list asks for the height of one row.
    Controller()->SetRecordCount(0);
    EXPECT_EQ(Lookup()->GetListPreferredSize().cy, Grid()->GetRowsHeight(1));
}

TEST_F(LookupEdit, TypedTextBecomesTheKeyOrNull) {
    struct TCase {
        const char* Text;
        Variant Value;
    };
    const TCase cases[] = {{"delta", Variant(4)}, {"CHARLIE", Variant(3)}, {"CHAR", Null()}, {"", Null()}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        Variant value;
        bool valid = true;
        Edit->DisplayToEditValue(Variant(String(c.Text)), value, valid);
        EXPECT_TRUE(VarSameValue(value, c.Value) || (VarIsNull(value) && VarIsNull(c.Value)));
    }
    // The display text of a key is its record's text in the list column.
    Variant display;
    Edit->Props()->PrepareDisplayValue(Variant(6), display, false);
    EXPECT_EQ(VarToStr(display), "FOXTROT");
    Edit->Props()->PrepareDisplayValue(Variant(60), display, false);
    EXPECT_EQ(VarToStr(display), "");
}

TEST_F(LookupEdit, SelectingAKeySyncsTheListAndCloseUpCommitsTheFocusedRow) {
    Lookup()->SelectKey(Variant(5));
    EXPECT_EQ(Controller()->GetFocusedRecordIndex(), 5);
    Controller()->ChangeFocusedRecordIndex(6);
    Controller()->SetFocusedRowSelected(true);
    Lookup()->CommitListSelection();
    EXPECT_EQ(Lookup()->GetCurrentKey().AsInteger(), 6);
    EXPECT_EQ(Edit->GetEditValue().AsInteger(), 6);
    // Without a selected focused row nothing is committed.
    Controller()->ChangeFocusedRecordIndex(1);
    Controller()->SetFocusedRowSelected(false);
    Lookup()->CommitListSelection();
    EXPECT_EQ(Lookup()->GetCurrentKey().AsInteger(), 6);
}

} // namespace

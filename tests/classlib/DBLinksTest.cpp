// Data sources and data links: the notices a link hears, its window of records while the data
// set scrolls, states, disabled controls and the field data link.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/ActnList.h"
#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Strings.h"

namespace {

// A data link that writes down what it is told.
class TRecordingLink : public TDataLink {
public:
    std::vector<String> Log;

protected:
    void ActiveChanged() override { Log.push_back(GetActive() ? "active" : "inactive"); }
    void EditingChanged() override { Log.push_back(GetEditing() ? "editing" : "browsing"); }
    void DataSetChanged() override { Log.push_back("changed"); }
    void DataSetScrolled(Integer distance) override { Log.push_back("scrolled " + IntToStr(distance)); }
    void LayoutChanged() override { Log.push_back("layout"); }
    void RecordChanged(TField* field) override {
        Log.push_back("record " + (field != nullptr ? field->GetFieldName() : String("-")));
    }
    void UpdateData() override { Log.push_back("update"); }
};

class DBLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        dataSet = std::make_unique<TMemDataSet>(nullptr);
        dataSet->SetName("people");
        dataSet->GetFieldDefs()->Add("ID", ftInteger);
        dataSet->GetFieldDefs()->Add("Name", ftString, 10);
        dataSet->CreateDataSet();
        for (Integer i = 1; i <= 20; ++i)
            dataSet->AppendRecord({i, "n" + IntToStr(i)});
        dataSet->First();
        source = std::make_unique<TDataSource>(nullptr);
        source->SetDataSet(dataSet.get());
    }
    void TearDown() override {
        link.reset();
        source.reset();
        dataSet.reset();
    }
    void Attach(Integer bufferCount) {
        link = std::make_unique<TRecordingLink>();
        link->SetBufferCount(bufferCount);
        link->SetDataSource(source.get());
        link->Log.clear();
    }
    Integer CurrentID() const { return dataSet->FieldByName("ID")->GetAsInteger(); }

    std::unique_ptr<TMemDataSet> dataSet;
    std::unique_ptr<TDataSource> source;
    std::unique_ptr<TRecordingLink> link;
};

struct TScrollStep {
    Integer MoveBy;
    String Notice;
    Integer ID;
    Integer ActiveRecord;
    bool Bof;
    bool Eof;
};

// The window follows the current record only as far as it must: inside the window only the
// active row moves ("scrolled 0"); past an edge the window moves by the rows it had to shift.
TEST_F(DBLinksTest, WindowOfFiveFollowsScrollingOverTwentyRecords) {
    Attach(5);
    ASSERT_EQ(link->GetActiveRecord(), 0);
    ASSERT_EQ(link->GetRecordCount(), 5);

    const std::vector<TScrollStep> steps = {
        // forwards, one at a time
        {1, "scrolled 0", 2, 1, false, false},
        {1, "scrolled 0", 3, 2, false, false},
        {1, "scrolled 0", 4, 3, false, false},
        {1, "scrolled 0", 5, 4, false, false},
        {1, "scrolled 1", 6, 4, false, false},
        {1, "scrolled 1", 7, 4, false, false},
        // by seven, forwards: the window shifts by 7 rows; near the end only as far as it goes
        {7, "scrolled 7", 14, 4, false, false},
        {7, "scrolled 6", 20, 4, false, true},
        {1, "", 20, 4, false, true}, // at the end already: nothing moves, nobody is told
        // backwards, one at a time
        {-1, "scrolled 0", 19, 3, false, false},
        {-1, "scrolled 0", 18, 2, false, false},
        {-1, "scrolled 0", 17, 1, false, false},
        {-1, "scrolled 0", 16, 0, false, false},
        {-1, "scrolled -1", 15, 0, false, false},
        // by seven, backwards
        {-7, "scrolled -7", 8, 0, false, false},
        {-7, "scrolled -7", 1, 0, false, false},
        {-1, "scrolled 0", 1, 0, true, false},
        {-1, "", 1, 0, true, false},
        // by seven from the top: four rows inside the window, then three shifts
        {7, "scrolled 3", 8, 4, false, false},
        // and back by seven from the bottom row: four inside, three shifts
        {-7, "scrolled -3", 1, 0, false, false},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const TScrollStep& step = steps[i];
        SCOPED_TRACE("step " + IntToStr(Integer(i)) + ": MoveBy(" + IntToStr(step.MoveBy) + ")");
        link->Log.clear();
        dataSet->MoveBy(step.MoveBy);
        EXPECT_EQ(link->Log, step.Notice.empty() ? std::vector<String>{} : std::vector<String>{step.Notice});
        EXPECT_EQ(CurrentID(), step.ID);
        EXPECT_EQ(link->GetActiveRecord(), step.ActiveRecord);
        EXPECT_EQ(link->GetRecordCount(), 5);
        EXPECT_EQ(dataSet->GetBof(), step.Bof);
        EXPECT_EQ(dataSet->GetEof(), step.Eof);
    }
}

// Every row of the window can be read by making it the active record for a moment.
TEST_F(DBLinksTest, RowsOfTheWindowReadThroughActiveRecord) {
    Attach(5);
    dataSet->MoveBy(7); // record 8 on the bottom row: the window holds 4..8
    std::vector<Integer> ids;
    const Integer saved = link->GetActiveRecord();
    for (Integer row = 0; row < link->GetRecordCount(); ++row) {
        link->SetActiveRecord(row);
        ids.push_back(CurrentID());
    }
    link->SetActiveRecord(saved);
    EXPECT_EQ(ids, (std::vector<Integer>{4, 5, 6, 7, 8}));
    EXPECT_EQ(CurrentID(), 8);
}

// Last fills the window backwards; First, Last, Refresh and a change of the records are changes
// of the whole data set, not scrolls.
TEST_F(DBLinksTest, JumpsAndEditsAreDataSetChanges) {
    Attach(5);
    dataSet->Last();
    EXPECT_EQ(link->Log, std::vector<String>{"changed"});
    EXPECT_EQ(link->GetActiveRecord(), 4);
    EXPECT_EQ(CurrentID(), 20);

    link->Log.clear();
    dataSet->First();
    EXPECT_EQ(link->Log, std::vector<String>{"changed"});
    EXPECT_EQ(link->GetActiveRecord(), 0);

    link->Log.clear();
    dataSet->MoveBy(2);
    dataSet->Edit();
    dataSet->FieldByName("Name")->SetAsString("x");
    dataSet->Post();
    EXPECT_EQ(link->Log, (std::vector<String>{"scrolled 0", "editing", "record -", "record Name", "update",
                                              "browsing", "changed"}));
    EXPECT_EQ(link->GetActiveRecord(), 2);
}

TEST_F(DBLinksTest, ActiveAndEditingFollowTheDataSetAndTheSource) {
    Attach(1);
    dataSet->Close();
    EXPECT_EQ(link->Log, std::vector<String>{"inactive"});
    EXPECT_FALSE(link->GetActive());

    link->Log.clear();
    dataSet->Open(); // an in-memory set opens empty
    EXPECT_EQ(link->Log, std::vector<String>{"active"});
    EXPECT_TRUE(dataSet->IsEmpty());

    link->Log.clear();
    dataSet->Append();
    EXPECT_EQ(link->Log, (std::vector<String>{"editing", "changed"}));
    EXPECT_TRUE(link->GetEditing());
    dataSet->Cancel();

    link->Log.clear();
    source->SetEnabled(false);
    EXPECT_EQ(link->Log, std::vector<String>{"inactive"});
    source->SetEnabled(true);
    EXPECT_TRUE(link->GetActive());

    // A read-only link is never editing.
    link->SetReadOnly(true);
    dataSet->Append();
    EXPECT_FALSE(link->GetEditing());
    EXPECT_FALSE(link->Edit());
    dataSet->Cancel();
}

TEST_F(DBLinksTest, DataSourceEventsAndAutoEdit) {
    std::vector<String> log;
    struct THandler {
        std::vector<String>* Log;
        void DataChange(TObject*, TField* field) {
            Log->push_back("data " + (field != nullptr ? field->GetFieldName() : String("-")));
        }
        void StateChange(TObject*) { Log->push_back("state"); }
        void UpdateData(TObject*) { Log->push_back("update"); }
    } handler{&log};
    source->OnDataChange = TDataChangeEvent(&handler, &THandler::DataChange);
    source->OnStateChange = TNotifyEvent(&handler, &THandler::StateChange);
    source->OnUpdateData = TNotifyEvent(&handler, &THandler::UpdateData);

    dataSet->Next();
    source->Edit(); // AutoEdit: browsing becomes editing
    EXPECT_EQ(dataSet->GetState(), dsEdit);
    dataSet->FieldByName("Name")->SetAsString("y");
    dataSet->Post();
    EXPECT_EQ(log,
              (std::vector<String>{"data -", "state", "data -", "data Name", "update", "state", "data -"}));

    source->SetAutoEdit(false);
    source->Edit();
    EXPECT_EQ(dataSet->GetState(), dsBrowse);

    log.clear();
    dataSet->Close();
    dataSet->Open();
    EXPECT_EQ(log, (std::vector<String>{"state", "state", "data -"}));
}

// While controls are disabled the links hear nothing but state changes (as a disabled-state
// notice); EnableControls then sends one change.
TEST_F(DBLinksTest, DisabledControlsHoldNoticesBack) {
    struct TStateLink : TRecordingLink {
        void DataEvent(TDataEvent event, TDataEventInfo info) override {
            if (event == deDisabledStateChange) Log.push_back("disabled state " + IntToStr(Integer(info)));
            TRecordingLink::DataEvent(event, info);
        }
    };
    auto stateLink = std::make_unique<TStateLink>();
    stateLink->SetBufferCount(3);
    stateLink->SetDataSource(source.get());
    stateLink->Log.clear();

    dataSet->DisableControls();
    EXPECT_TRUE(dataSet->ControlsDisabled());
    dataSet->Next();
    dataSet->Next();
    dataSet->Last();
    dataSet->Close();
    dataSet->Open();
    EXPECT_EQ(stateLink->Log, (std::vector<String>{"disabled state 0", "disabled state 1"}));
    stateLink->Log.clear();
    dataSet->EnableControls();
    EXPECT_EQ(stateLink->Log, std::vector<String>{"changed"});
    EXPECT_FALSE(dataSet->ControlsDisabled());

    // Nested calls count; a layout change meanwhile makes the final notice a layout change.
    dataSet->Append();
    dataSet->Cancel();
    stateLink->Log.clear();
    dataSet->DisableControls();
    dataSet->DisableControls();
    dataSet->FieldByName("ID")->SetDisplayWidth(7);
    dataSet->EnableControls();
    EXPECT_EQ(stateLink->Log, std::vector<String>{});
    stateLink->Log.clear();
    dataSet->EnableControls();
    EXPECT_EQ(stateLink->Log, std::vector<String>{"layout"});
}

TEST_F(DBLinksTest, BufferCountOfTheDataSetIsTheLargestLinkCount) {
    Attach(5);
    dataSet->MoveBy(7); // record 8, bottom row of 4..8
    auto small = std::make_unique<TRecordingLink>();
    small->SetDataSource(source.get());
    EXPECT_EQ(small->GetActiveRecord(), 0);
    EXPECT_EQ(small->GetRecordCount(), 1);
    small->Log.clear();
    dataSet->Prior();
    EXPECT_EQ(small->Log, std::vector<String>{"scrolled -1"});
    EXPECT_EQ(link->Log.back(), "scrolled 0");
    EXPECT_EQ(link->GetActiveRecord(), 3);

    // Growing the big link at the end of the data fills the window with earlier records.
    dataSet->Last();
    link->SetBufferCount(8);
    EXPECT_EQ(link->GetRecordCount(), 8);
    EXPECT_EQ(link->GetActiveRecord(), 7);
    EXPECT_EQ(CurrentID(), 20);
    // Shrinking keeps the current record inside.
    link->SetBufferCount(2);
    EXPECT_EQ(link->GetRecordCount(), 2);
    EXPECT_EQ(link->GetActiveRecord(), 1);
    EXPECT_EQ(CurrentID(), 20);
}

TEST_F(DBLinksTest, CircularSourcesAndFixedSourcesAreRefused) {
    Attach(1);
    link->SetDataSourceFixed(true);
    TDataSource other(nullptr);
    other.SetName("other");
    try {
        link->SetDataSource(&other);
        FAIL() << "changing a fixed data source";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "other: DataSource cannot be changed");
    }
    EXPECT_EQ(link->GetDataSource(), source.get());

    // Freeing the data set leaves the source without one and the link inactive.
    link->SetDataSourceFixed(false);
    dataSet.reset();
    EXPECT_EQ(source->GetDataSet(), nullptr);
    EXPECT_FALSE(link->GetActive());
    EXPECT_EQ(source->GetState(), dsInactive);
}

// Reading in blocks tells the links nothing until it ends; then they hear one change.
TEST_F(DBLinksTest, BlockReadingIsSilent) {
    Attach(5);
    dataSet->SetBlockReadSize(10);
    EXPECT_EQ(dataSet->GetState(), dsBlockRead);
    std::vector<Integer> ids;
    while (!dataSet->GetEof()) {
        ids.push_back(CurrentID());
        dataSet->Next();
    }
    EXPECT_EQ(ids.size(), 20u);
    EXPECT_EQ(link->Log, std::vector<String>{});
    dataSet->SetBlockReadSize(0);
    EXPECT_EQ(dataSet->GetState(), dsBrowse);
    EXPECT_EQ(link->Log, std::vector<String>{"changed"});
    EXPECT_EQ(link->GetActiveRecord(), 4);
}

// A field asks the links for a control to focus; the first link that takes it ends the request.
TEST_F(DBLinksTest, FocusRequestsStopAtTheLinkThatTakesThem) {
    struct TFocusLink : TDataLink {
        std::vector<String>* Log;
        String Name;
        bool Takes;
        TFocusLink(std::vector<String>* log, String name, bool takes)
            : Log(log), Name(std::move(name)), Takes(takes) {}
        void FocusControl(TField*& field) override {
            Log->push_back(Name + " " + field->GetFieldName());
            if (Takes) field = nullptr;
        }
    };
    std::vector<String> log;
    TFocusLink first(&log, "first", false);
    TFocusLink second(&log, "second", true);
    TFocusLink third(&log, "third", true);
    for (TFocusLink* l : {&first, &second, &third})
        l->SetDataSource(source.get());
    dataSet->FieldByName("Name")->FocusControl();
    EXPECT_EQ(log, (std::vector<String>{"first Name", "second Name"}));

    // A required field left empty asks for the focus before Post fails.
    log.clear();
    dataSet->FieldByName("Name")->SetRequired(true);
    dataSet->Append();
    EXPECT_THROW(dataSet->Post(), EDatabaseError);
    EXPECT_EQ(log, (std::vector<String>{"first Name", "second Name"}));
    dataSet->Cancel();
}

TEST(DBDataEventsTest, NoticesKeepTheirNumbers) {
    const std::vector<std::pair<TDataEvent, Integer>> events = {
        {deFieldChange, 0},    {deRecordChange, 1},    {deDataSetChange, 2},       {deDataSetScroll, 3},
        {deLayoutChange, 4},   {deUpdateRecord, 5},    {deUpdateState, 6},         {deCheckBrowseMode, 7},
        {dePropertyChange, 8}, {deFieldListChange, 9}, {deFocusControl, 10},       {deParentScroll, 11},
        {deConnectChange, 12}, {deReconcileError, 13}, {deDisabledStateChange, 14}};
    for (const auto& [event, number] : events)
        EXPECT_EQ(Integer(event), number);
    EXPECT_EQ(Integer(dsOpening), 12);
    EXPECT_EQ(Integer(dsBlockRead), 10);
    EXPECT_EQ(Integer(fkInternalCalc), 3);
}

TEST_F(DBLinksTest, FieldDataLinkFollowsItsField) {
    std::vector<String> log;
    struct THandler {
        std::vector<String>* Log;
        TFieldDataLink* Link;
        void DataChange(TObject*) {
            Log->push_back("data " +
                           (Link->GetField() != nullptr ? Link->GetField()->GetAsString() : String("-")));
        }
        void EditingChange(TObject*) { Log->push_back(Link->GetEditing() ? "editing" : "browsing"); }
        void UpdateData(TObject*) {
            Log->push_back("update");
            Link->GetField()->SetAsString("typed");
        }
    };
    TFieldDataLink fieldLink;
    THandler handler{&log, &fieldLink};
    fieldLink.OnDataChange = TNotifyEvent(&handler, &THandler::DataChange);
    fieldLink.OnEditingChange = TNotifyEvent(&handler, &THandler::EditingChange);
    fieldLink.OnUpdateData = TNotifyEvent(&handler, &THandler::UpdateData);
    fieldLink.SetDataSource(source.get());
    fieldLink.SetFieldName("Name");
    ASSERT_EQ(fieldLink.GetField(), dataSet->FieldByName("Name"));

    log.clear();
    dataSet->Next();
    dataSet->FieldByName("ID"); // no change
    EXPECT_EQ(log, std::vector<String>{"data n2"});

    log.clear();
    EXPECT_TRUE(fieldLink.Edit());
    fieldLink.Modified();
    dataSet->Post(); // the link writes the control's value first
    EXPECT_EQ(log, (std::vector<String>{"editing", "data n2", "update", "browsing", "data typed"}));
    EXPECT_EQ(dataSet->FieldByName("Name")->GetAsString(), "typed");

    // Another field's change is not this link's business.
    log.clear();
    dataSet->Edit();
    dataSet->FieldByName("ID")->SetAsInteger(99);
    EXPECT_EQ(log, (std::vector<String>{"editing", "data typed"}));
    dataSet->Cancel();

    // A read-only field cannot be edited through the link.
    dataSet->FieldByName("Name")->SetReadOnly(true);
    EXPECT_FALSE(fieldLink.GetCanModify());
    EXPECT_FALSE(fieldLink.Edit());
    fieldLink.SetDataSource(nullptr);
    EXPECT_EQ(fieldLink.GetField(), nullptr);
}

// An action that acts on a data source whose data set is open (as data-set navigation actions
// do), writing down each call with its target.
class TDataSourceAction : public TBasicAction {
public:
    using TBasicAction::TBasicAction;
    std::vector<String> Log;
    TObject* LastTarget = nullptr;

    bool HandlesTarget(TObject* target) override {
        auto* source = dynamic_cast<TDataSource*>(target);
        return source != nullptr && source->GetDataSet() != nullptr && source->GetDataSet()->GetActive();
    }
    void ExecuteTarget(TObject* target) override {
        Log.push_back("execute");
        LastTarget = target;
    }
    void UpdateTarget(TObject* target) override {
        Log.push_back("update");
        LastTarget = target;
    }
};

// A link hands an action its data source when the action handles it; otherwise nobody runs.
TEST_F(DBLinksTest, ActionsReachTheDataSourceOnlyWhenTheActionHandlesIt) {
    TDataSourceAction action(nullptr);
    TDataLink plain;
    EXPECT_FALSE(plain.ExecuteAction(&action)) << "no data source";
    EXPECT_FALSE(plain.UpdateAction(&action)) << "no data source";
    EXPECT_FALSE(plain.ExecuteAction(nullptr));
    EXPECT_TRUE(action.Log.empty());

    Attach(1);
    EXPECT_TRUE(link->ExecuteAction(&action));
    EXPECT_TRUE(link->UpdateAction(&action));
    EXPECT_EQ(action.Log, (std::vector<String>{"execute", "update"}));
    EXPECT_EQ(action.LastTarget, source.get());
    EXPECT_TRUE(link->Log.empty()) << "an action is no data notice";

    // The data set closed: the action declines, and the link reports it not handled.
    action.Log.clear();
    dataSet->Close();
    EXPECT_FALSE(link->ExecuteAction(&action));
    EXPECT_FALSE(link->UpdateAction(&action));
    EXPECT_TRUE(action.Log.empty());

    // The base action handles no target at all.
    dataSet->Open();
    TBasicAction basic(nullptr);
    EXPECT_FALSE(link->ExecuteAction(&basic));
    EXPECT_FALSE(link->UpdateAction(&basic));
}

} // namespace

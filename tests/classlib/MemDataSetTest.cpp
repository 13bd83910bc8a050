// The in-memory data set: opening, navigation, editing, bookmarks, events, filters, Locate and
// Lookup, and the two print record sets of the program.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "tests/support/TestSupport.h"

namespace {

// A data set with ID and Name, holding ID 1..count named "n<ID>".
std::unique_ptr<TMemDataSet> MakeNumbers(Integer count, const String& name = "numbers") {
    auto dataSet = std::make_unique<TMemDataSet>(nullptr);
    dataSet->SetName(name);
    dataSet->GetFieldDefs()->Add("ID", ftInteger);
    dataSet->GetFieldDefs()->Add("Name", ftString, 10);
    dataSet->CreateDataSet();
    for (Integer i = 1; i <= count; ++i)
        dataSet->AppendRecord({i, "n" + IntToStr(i)});
    dataSet->First();
    return dataSet;
}

Integer ID(TDataSet* dataSet) { return dataSet->FieldByName("ID")->GetAsInteger(); }

// The IDs from the first record to the last.
std::vector<Integer> AllIDs(TDataSet* dataSet) {
    std::vector<Integer> ids;
    dataSet->First();
    while (!dataSet->GetEof()) {
        ids.push_back(ID(dataSet));
        dataSet->Next();
    }
    return ids;
}

String ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message;
    }
    return "(no error)";
}

TEST(MemDataSetTest, OpensWithDefaultFieldsAndClosesWithoutThem) {
    TMemDataSet dataSet(nullptr);
    dataSet.SetName("people");
    EXPECT_EQ(ErrorOf([&] { dataSet.Open(); }), "people: No fields defined. Cannot create dataset");
    EXPECT_FALSE(dataSet.GetActive());

    dataSet.GetFieldDefs()->Add("ID", ftInteger, 0, true);
    dataSet.GetFieldDefs()->Add("Name", ftString, 12);
    dataSet.GetFieldDefs()->Add("Born", ftDate);
    dataSet.Open();
    EXPECT_TRUE(dataSet.GetDefaultFields());
    ASSERT_EQ(dataSet.GetFieldCount(), 3);
    EXPECT_EQ(dataSet.GetFields()->GetFields(0)->ClassName(), "TIntegerField");
    EXPECT_EQ(dataSet.GetFields()->GetFields(1)->ClassName(), "TStringField");
    EXPECT_EQ(dataSet.GetFields()->GetFields(2)->ClassName(), "TDateField");
    EXPECT_EQ(dataSet.FieldByName("name")->GetSize(), 12);
    EXPECT_TRUE(dataSet.FieldByName("ID")->GetRequired());
    EXPECT_EQ(dataSet.FieldByName("Born")->GetFieldNo(), 3);
    EXPECT_TRUE(dataSet.IsEmpty());
    EXPECT_TRUE(dataSet.GetBof());
    EXPECT_TRUE(dataSet.GetEof());
    EXPECT_EQ(dataSet.GetRecordCount(), 0);
    EXPECT_EQ(dataSet.GetState(), dsBrowse);

    TStringList names;
    dataSet.GetFieldNames(&names);
    EXPECT_EQ(names.GetCommaText(), "ID,Name,Born");
    EXPECT_EQ(ErrorOf([&] { dataSet.FieldByName("Nope"); }), "people: Field 'Nope' not found");
    EXPECT_EQ(dataSet.FindField("Nope"), nullptr);
    EXPECT_EQ(ErrorOf([&] { dataSet.GetFieldDefs()->Add("id", ftString, 5); }),
              "people: Duplicate field name 'id'");

    dataSet.Close();
    EXPECT_EQ(dataSet.GetFieldCount(), 0);
    EXPECT_EQ(dataSet.GetState(), dsInactive);
    EXPECT_EQ(ErrorOf([&] { dataSet.GetRecordCount(); }),
              "people: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(ErrorOf([&] { dataSet.Next(); }), "people: Cannot perform this operation on a closed dataset");
}

struct TNavigationStep {
    const char* Action;
    std::function<Integer(TDataSet*)> Run;
    Integer Result; // what the action answers (MoveBy), 0 otherwise
    Integer ID;
    Integer RecNo;
    bool Bof;
    bool Eof;
};

TEST(MemDataSetTest, NavigationTable) {
    auto dataSet = MakeNumbers(6);
    auto act = [](std::function<void(TDataSet*)> f) {
        return [f](TDataSet* d) {
            f(d);
            return 0;
        };
    };
    const std::vector<TNavigationStep> steps = {
        {"First", act([](TDataSet* d) { d->First(); }), 0, 1, 1, true, false},
        {"Next", act([](TDataSet* d) { d->Next(); }), 0, 2, 2, false, false},
        {"MoveBy(3)", [](TDataSet* d) { return d->MoveBy(3); }, 3, 5, 5, false, false},
        {"MoveBy(5)", [](TDataSet* d) { return d->MoveBy(5); }, 1, 6, 6, false, true},
        {"Next at the end", act([](TDataSet* d) { d->Next(); }), 0, 6, 6, false, true},
        {"Prior", act([](TDataSet* d) { d->Prior(); }), 0, 5, 5, false, false},
        {"MoveBy(-10)", [](TDataSet* d) { return d->MoveBy(-10); }, -4, 1, 1, true, false},
        {"Prior at the start", act([](TDataSet* d) { d->Prior(); }), 0, 1, 1, true, false},
        {"Last", act([](TDataSet* d) { d->Last(); }), 0, 6, 6, false, true},
        {"RecNo := 3", act([](TDataSet* d) { d->SetRecNo(3); }), 0, 3, 3, false, false},
        {"RecNo := 99", act([](TDataSet* d) { d->SetRecNo(99); }), 0, 3, 3, false, false},
        {"MoveBy(0)", [](TDataSet* d) { return d->MoveBy(0); }, 0, 3, 3, false, false},
    };
    for (const TNavigationStep& step : steps) {
        SCOPED_TRACE(step.Action);
        EXPECT_EQ(step.Run(dataSet.get()), step.Result);
        EXPECT_EQ(ID(dataSet.get()), step.ID);
        EXPECT_EQ(dataSet->GetRecNo(), step.RecNo);
        EXPECT_EQ(dataSet->GetBof(), step.Bof);
        EXPECT_EQ(dataSet->GetEof(), step.Eof);
        EXPECT_EQ(dataSet->GetRecordCount(), 6);
    }
}

struct TEditStep {
    const char* Action;
    std::function<void(TDataSet*)> Run;
    std::vector<Integer> IDs; // the records afterwards, in order
    Integer Current;          // the current record's ID afterwards
    TDataSetState State;
};

TEST(MemDataSetTest, EditingTable) {
    auto dataSet = MakeNumbers(3);
    auto setID = [](Integer id) { return [id](TDataSet* d) { d->FieldByName("ID")->SetAsInteger(id); }; };
    const std::vector<TEditStep> steps = {
        {"Append 10 and post",
         [&](TDataSet* d) {
             d->Append();
             setID(10)(d);
             d->Post();
         },
         {1, 2, 3, 10},
         10,
         dsBrowse},
        {"Insert 20 before 2",
         [&](TDataSet* d) {
             d->Locate("ID", 2, {});
             d->Insert();
             setID(20)(d);
             d->Post();
         },
         {1, 20, 2, 3, 10},
         20,
         dsBrowse},
        {"Edit 3 into 30",
         [&](TDataSet* d) {
             d->Locate("ID", 3, {});
             d->Edit();
             setID(30)(d);
             d->Post();
         },
         {1, 20, 2, 30, 10},
         30,
         dsBrowse},
        {"Edit then cancel",
         [&](TDataSet* d) {
             d->Edit();
             setID(99)(d);
             d->Cancel();
         },
         {1, 20, 2, 30, 10},
         30,
         dsBrowse},
        {"Insert then cancel",
         [&](TDataSet* d) {
             d->Insert();
             setID(77)(d);
             d->Cancel();
         },
         {1, 20, 2, 30, 10},
         30,
         dsBrowse},
        {"Delete in the middle moves to the next",
         [](TDataSet* d) { d->Delete(); },
         {1, 20, 2, 10},
         10,
         dsBrowse},
        {"Delete the last moves to the previous",
         [](TDataSet* d) {
             d->Last();
             d->Delete();
         },
         {1, 20, 2},
         2,
         dsBrowse},
        {"InsertRecord before the current",
         [](TDataSet* d) {
             d->InsertRecord({5, "five"});
         },
         {1, 20, 5, 2},
         5,
         dsBrowse},
        {"AppendRecord", [](TDataSet* d) { d->AppendRecord({6}); }, {1, 20, 5, 2, 6}, 6, dsBrowse},
        {"Moving posts a modified edit",
         [&](TDataSet* d) {
             d->First();
             d->Edit();
             setID(100)(d);
             d->Next();
         },
         {100, 20, 5, 2, 6},
         20,
         dsBrowse},
        {"Moving cancels an untouched insert",
         [](TDataSet* d) {
             d->Append();
             d->First();
         },
         {100, 20, 5, 2, 6},
         100,
         dsBrowse},
        {"Edit on an empty set inserts",
         [](TDataSet* d) {
             while (d->GetRecordCount() > 0)
                 d->Delete();
             d->Edit();
         },
         {},
         0,
         dsInsert},
    };
    for (const TEditStep& step : steps) {
        SCOPED_TRACE(step.Action);
        step.Run(dataSet.get());
        EXPECT_EQ(dataSet->GetState(), step.State);
        EXPECT_EQ(ID(dataSet.get()), step.Current);
        if (dataSet->GetState() == dsBrowse) {
            const TBookmark here = dataSet->GetBookmark();
            EXPECT_EQ(AllIDs(dataSet.get()), step.IDs);
            dataSet->GotoBookmark(here);
            EXPECT_EQ(dataSet->GetRecordCount(), Integer(step.IDs.size()));
        }
    }
}

TEST(MemDataSetTest, EditingErrors) {
    auto dataSet = MakeNumbers(2);
    EXPECT_EQ(ErrorOf([&] { dataSet->FieldByName("ID")->SetAsInteger(5); }),
              "numbers: Dataset not in edit or insert mode");
    EXPECT_EQ(ErrorOf([&] { dataSet->Post(); }), "numbers: Dataset not in edit or insert mode");

    dataSet->FieldByName("Name")->SetRequired(true);
    dataSet->Append();
    dataSet->FieldByName("ID")->SetAsInteger(3);
    EXPECT_EQ(ErrorOf([&] { dataSet->Post(); }), "numbers: Field 'Name' must have a value");
    EXPECT_EQ(dataSet->GetState(), dsInsert);
    dataSet->Cancel();

    dataSet->FieldByName("ID")->SetReadOnly(true);
    dataSet->Edit();
    EXPECT_EQ(ErrorOf([&] { dataSet->FieldByName("ID")->SetAsInteger(5); }),
              "numbers: Field 'ID' cannot be modified");
    dataSet->Cancel();

    dataSet->SetReadOnly(true);
    EXPECT_FALSE(dataSet->GetCanModify());
    EXPECT_EQ(ErrorOf([&] { dataSet->Edit(); }), "numbers: Cannot modify a read-only dataset");
    EXPECT_EQ(ErrorOf([&] { dataSet->Append(); }), "numbers: Cannot modify a read-only dataset");
    dataSet->SetReadOnly(false);

    dataSet->EmptyDataSet();
    EXPECT_EQ(ErrorOf([&] { dataSet->Delete(); }),
              "numbers: Cannot perform this operation on an empty dataset");
}

TEST(MemDataSetTest, EventsComeInOrder) {
    auto dataSet = MakeNumbers(3);
    std::vector<String> log;
    struct THandler {
        std::vector<String>* Log;
        String Name;
        void Notify(TDataSet*) { Log->push_back(Name); }
    };
    std::vector<std::unique_ptr<THandler>> handlers;
    auto hook = [&](TDataSetNotifyEvent& event, const String& name) {
        handlers.push_back(std::make_unique<THandler>(THandler{&log, name}));
        event = TDataSetNotifyEvent(handlers.back().get(), &THandler::Notify);
    };
    hook(dataSet->BeforeInsert, "BeforeInsert");
    hook(dataSet->AfterInsert, "AfterInsert");
    hook(dataSet->OnNewRecord, "OnNewRecord");
    hook(dataSet->BeforeEdit, "BeforeEdit");
    hook(dataSet->AfterEdit, "AfterEdit");
    hook(dataSet->BeforePost, "BeforePost");
    hook(dataSet->AfterPost, "AfterPost");
    hook(dataSet->BeforeCancel, "BeforeCancel");
    hook(dataSet->AfterCancel, "AfterCancel");
    hook(dataSet->BeforeDelete, "BeforeDelete");
    hook(dataSet->AfterDelete, "AfterDelete");
    hook(dataSet->BeforeScroll, "BeforeScroll");
    hook(dataSet->AfterScroll, "AfterScroll");
    hook(dataSet->BeforeOpen, "BeforeOpen");
    hook(dataSet->AfterOpen, "AfterOpen");
    hook(dataSet->BeforeClose, "BeforeClose");
    hook(dataSet->AfterClose, "AfterClose");
    hook(dataSet->BeforeRefresh, "BeforeRefresh");
    hook(dataSet->AfterRefresh, "AfterRefresh");

    struct TCase {
        const char* Action;
        std::function<void()> Run;
        std::vector<String> Events;
    };
    const std::vector<TCase> cases = {
        {"Next", [&] { dataSet->Next(); }, {"BeforeScroll", "AfterScroll"}},
        {"Append",
         [&] { dataSet->Append(); },
         {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}},
        {"Post",
         [&] {
             dataSet->FieldByName("ID")->SetAsInteger(4);
             dataSet->Post();
         },
         {"BeforePost", "AfterPost"}},
        {"Edit and cancel",
         [&] {
             dataSet->Edit();
             dataSet->Cancel();
         },
         {"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}},
        {"Insert and cancel",
         [&] {
             dataSet->Insert();
             dataSet->Cancel();
         },
         {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "BeforeCancel",
          "BeforeScroll", "AfterCancel", "AfterScroll"}},
        {"Delete",
         [&] { dataSet->Delete(); },
         {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
        {"Refresh", [&] { dataSet->Refresh(); }, {"BeforeRefresh", "AfterRefresh"}},
        {"Close and open",
         [&] {
             dataSet->Close();
             dataSet->Open();
         },
         {"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Action);
        log.clear();
        c.Run();
        EXPECT_EQ(log, c.Events);
    }
}

// OnNewRecord values do not make a record modified: leaving it cancels it.
TEST(MemDataSetTest, NewRecordDefaultsAloneAreNotAModification) {
    auto dataSet = MakeNumbers(1);
    struct THandler {
        void NewRecord(TDataSet* d) { d->FieldByName("Name")->SetAsString("default"); }
    } handler;
    dataSet->OnNewRecord = TDataSetNotifyEvent(&handler, &THandler::NewRecord);
    dataSet->Append();
    EXPECT_EQ(dataSet->FieldByName("Name")->GetAsString(), "default");
    EXPECT_FALSE(dataSet->GetModified());
    dataSet->CheckBrowseMode();
    EXPECT_EQ(dataSet->GetRecordCount(), 1);

    dataSet->Append();
    dataSet->FieldByName("ID")->SetAsInteger(2);
    EXPECT_TRUE(dataSet->GetModified());
    dataSet->CheckBrowseMode();
    EXPECT_EQ(dataSet->GetRecordCount(), 2);
}

TEST(MemDataSetTest, ErrorEventsCanRetryAbortOrFail) {
    auto dataSet = MakeNumbers(1);
    dataSet->FieldByName("Name")->SetRequired(true);
    struct THandler {
        TDataAction Action = daFail;
        Integer Calls = 0;
        String Message;
        void PostError(TDataSet* d, EDatabaseError* e, TDataAction& action) {
            ++Calls;
            Message = e->Message;
            if (Action == daRetry) d->FieldByName("Name")->SetAsString("fixed");
            action = Action;
        }
    } handler;
    dataSet->OnPostError = TDataSetErrorEvent(&handler, &THandler::PostError);

    dataSet->Append();
    handler.Action = daRetry;
    dataSet->Post();
    EXPECT_EQ(handler.Calls, 1);
    EXPECT_EQ(handler.Message, "numbers: Field 'Name' must have a value");
    EXPECT_EQ(dataSet->FieldByName("Name")->GetAsString(), "fixed");
    EXPECT_EQ(dataSet->GetRecordCount(), 2);

    dataSet->Append();
    handler.Action = daAbort;
    EXPECT_THROW(dataSet->Post(), EAbort);
    EXPECT_EQ(dataSet->GetState(), dsInsert);
    handler.Action = daFail;
    EXPECT_THROW(dataSet->Post(), EDatabaseError);
    dataSet->Cancel();
    EXPECT_EQ(dataSet->GetRecordCount(), 2);
}

// A bookmark names its record whatever is inserted or deleted around it; the record it named is
// gone once deleted.
TEST(MemDataSetTest, BookmarksSurviveInsertsAndDeletes) {
    auto dataSet = MakeNumbers(12);
    dataSet->Locate("ID", 10, {});
    const TBookmark ten = dataSet->GetBookmark();
    dataSet->Locate("ID", 3, {});
    const TBookmark three = dataSet->GetBookmark();
    const TBookmark copy = ten; // a plain value
    ASSERT_FALSE(ten.empty());

    dataSet->First();
    dataSet->InsertRecord({101});
    dataSet->InsertRecord({102});
    dataSet->Locate("ID", 2, {});
    dataSet->Delete();
    dataSet->Locate("ID", 11, {});
    dataSet->Delete();
    dataSet->Last();
    dataSet->AppendRecord({103});
    dataSet->Locate("ID", 5, {});
    dataSet->InsertRecord({104});

    dataSet->GotoBookmark(copy);
    EXPECT_EQ(ID(dataSet.get()), 10);
    EXPECT_EQ(dataSet->GetRecNo(), 12); // 102 101 1 3 4 104 5 6 7 8 9 10 12 103
    dataSet->SetBookmark(three);
    EXPECT_EQ(ID(dataSet.get()), 3);
    EXPECT_TRUE(dataSet->BookmarkValid(ten));

    EXPECT_EQ(dataSet->CompareBookmarks(three, ten), -1);
    EXPECT_EQ(dataSet->CompareBookmarks(ten, three), 1);
    EXPECT_EQ(dataSet->CompareBookmarks(ten, copy), 0);
    EXPECT_EQ(dataSet->CompareBookmarks(TBookmark(), ten), -1);
    EXPECT_EQ(dataSet->CompareBookmarks(TBookmark(), TBookmark()), 0);

    dataSet->GotoBookmark(ten);
    dataSet->Delete();
    EXPECT_EQ(ID(dataSet.get()), 12);
    EXPECT_FALSE(dataSet->BookmarkValid(ten));
    EXPECT_EQ(ErrorOf([&] { dataSet->GotoBookmark(ten); }), "numbers: Record not found");
    EXPECT_EQ(ID(dataSet.get()), 12);

    // An inserted record has no bookmark until it is posted.
    dataSet->Append();
    EXPECT_EQ(dataSet->GetBookmark(), TBookmark());
    dataSet->FieldByName("ID")->SetAsInteger(105);
    dataSet->Post();
    EXPECT_FALSE(dataSet->GetBookmark().empty());
    TBookmark freed = dataSet->GetBookmark();
    dataSet->FreeBookmark(freed);
    EXPECT_TRUE(freed.empty());
}

TEST(MemDataSetTest, FilterTextAndFilterEvent) {
    auto dataSet = MakeNumbers(10);
    struct TCase {
        String Filter;
        TFilterOptions Options;
        std::vector<Integer> IDs;
    };
    const std::vector<TCase> cases = {
        {"ID > 7", {}, {8, 9, 10}},
        {"ID >= 3 AND ID <= 4", {}, {3, 4}},
        {"ID = 1 OR ID = 10", {}, {1, 10}},
        {"NOT (ID < 9)", {}, {9, 10}},
        {"Name = 'n1*'", {}, {1, 10}},
        {"Name = 'n1*'", {foNoPartialCompare}, {}},
        {"Name = 'N2'", {}, {}},
        {"Name = 'N2'", {foCaseInsensitive}, {2}},
        {"Name LIKE 'n_'", {}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"[Name] NOT LIKE '%1%'", {}, {2, 3, 4, 5, 6, 7, 8, 9}},
        {"ID IN (2, 4, 6)", {}, {2, 4, 6}},
        {"Name IS NULL", {}, {}},
        {"ID <> 5 AND Name IS NOT NULL AND ID < 7", {}, {1, 2, 3, 4, 6}},
    };
    dataSet->SetFiltered(true);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Filter);
        dataSet->SetFilterOptions(c.Options);
        dataSet->SetFilter(c.Filter);
        EXPECT_EQ(AllIDs(dataSet.get()), c.IDs);
        EXPECT_EQ(dataSet->GetRecordCount(), Integer(c.IDs.size()));
    }

    EXPECT_EQ(ErrorOf([&] { dataSet->SetFilter("ID >"); }),
              "numbers: Filter expression incorrectly formatted: unexpected end");
    EXPECT_EQ(ErrorOf([&] { dataSet->SetFilter("Age = 3"); }), "numbers: Field 'Age' not found");
    EXPECT_EQ(dataSet->GetFilter(), "ID <> 5 AND Name IS NOT NULL AND ID < 7");

    // The event filters too, after the text; record numbers count the records that pass.
    struct THandler {
        void Filter(TDataSet* d, bool& accept) { accept = d->FieldByName("ID")->GetAsInteger() % 2 == 0; }
    } handler;
    dataSet->OnFilterRecord = TFilterRecordEvent(&handler, &THandler::Filter);
    dataSet->First();
    EXPECT_EQ(AllIDs(dataSet.get()), (std::vector<Integer>{2, 4, 6}));
    dataSet->Last();
    EXPECT_EQ(dataSet->GetRecNo(), 3);

    dataSet->SetFiltered(false);
    EXPECT_EQ(dataSet->GetRecordCount(), 10);
}

TEST(MemDataSetTest, LocateAndLookup) {
    TMemDataSet dataSet(nullptr);
    dataSet.GetFieldDefs()->Add("Code", ftString, 8);
    dataSet.GetFieldDefs()->Add("Band", ftInteger);
    dataSet.GetFieldDefs()->Add("Label", ftString, 20);
    dataSet.CreateDataSet();
    dataSet.AppendRecord({"UHF", 1, "300-650"});
    dataSet.AppendRecord({"vhf", 2, "67-300"});
    dataSet.AppendRecord({"VHF", 3, "136-174"});
    dataSet.AppendRecord({Null(), 4, "none"});
    dataSet.First();

    struct TCase {
        String Fields;
        Variant Keys;
        TLocateOptions Options;
        bool Found;
        Integer Band; // the current record's band afterwards
    };
    const std::vector<TCase> cases = {
        {"Code", "VHF", {}, true, 3},
        {"Code", "VHF", {loCaseInsensitive}, true, 2},
        {"Code", "v", {loPartialKey}, true, 2},
        {"Code", "U", {}, false, 2},
        {"Code;Band", VarArrayOf({"VHF", 3}), {}, true, 3},
        {"Code;Band", VarArrayOf({"VHF", 2}), {}, false, 3},
        {"Code", Null(), {}, true, 4},
        {"Band", "2", {}, true, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Fields + " " + VarToStr(VarIsArray(c.Keys) ? VarArrayGet(c.Keys, {0}) : c.Keys));
        EXPECT_EQ(dataSet.Locate(c.Fields, c.Keys, c.Options), c.Found);
        EXPECT_EQ(dataSet.FieldByName("Band")->GetAsInteger(), c.Band);
    }

    dataSet.First();
    EXPECT_EQ(VarToStr(dataSet.Lookup("Band", 3, "Label")), "136-174");
    const Variant both = dataSet.Lookup("Band", 1, "Code;Label");
    ASSERT_TRUE(VarIsArray(both));
    EXPECT_EQ(VarToStr(VarArrayGet(both, {0})), "UHF");
    EXPECT_EQ(VarToStr(VarArrayGet(both, {1})), "300-650");
    EXPECT_TRUE(VarIsNull(dataSet.Lookup("Band", 9, "Label")));
    EXPECT_EQ(dataSet.FieldByName("Band")->GetAsInteger(), 1); // Lookup does not move
}

TEST(MemDataSetTest, AutoIncColumnsNumberNewRecords) {
    TMemDataSet dataSet(nullptr);
    dataSet.GetFieldDefs()->Add("No", ftAutoInc);
    dataSet.GetFieldDefs()->Add("Text", ftString, 5);
    dataSet.CreateDataSet();
    EXPECT_EQ(dataSet.FieldByName("No")->ClassName(), "TAutoIncField");
    dataSet.AppendRecord({Null(), "a"});
    dataSet.AppendRecord({Null(), "b"});
    dataSet.AppendRecord({10, "c"});
    dataSet.AppendRecord({Null(), "d"});
    dataSet.First();
    std::vector<Integer> numbers;
    for (; !dataSet.GetEof(); dataSet.Next())
        numbers.push_back(dataSet.FieldByName("No")->GetAsInteger());
    EXPECT_EQ(numbers, (std::vector<Integer>{1, 2, 10, 11}));
}

TEST(MemDataSetTest, OldAndNewValues) {
    auto dataSet = MakeNumbers(2);
    TField* name = dataSet->FieldByName("Name");
    dataSet->Edit();
    name->SetAsString("changed");
    EXPECT_EQ(VarToStr(name->GetOldValue()), "n1");
    EXPECT_EQ(VarToStr(name->GetNewValue()), "changed");
    dataSet->Post();
    EXPECT_EQ(VarToStr(name->GetOldValue()), "changed");
    dataSet->Append();
    EXPECT_TRUE(VarIsNull(name->GetOldValue()));
    dataSet->Cancel();
}

// The print record sets: field names and sizes as the data module defines them; printing empties
// them record by record, appends, sets the fields by name as text, posts, and the report reads
// them back in order.
TEST(MemDataSetTest, PrintRecordSetsAreEmptiedFilledAndReadInOrder) {
    TMemDataSet myMain(nullptr);
    myMain.SetName("myMain");
    myMain.GetFieldDefs()->Add("Title", ftString, 20);
    for (const char* name : {"AField", "AValue", "BField", "BValue"})
        myMain.GetFieldDefs()->Add(name, ftString, 100);
    for (const char* name : {"CField", "CValue", "DFiled", "DValue"})
        myMain.GetFieldDefs()->Add(name, ftString, 30);
    TMemDataSet myAdo(nullptr);
    myAdo.SetName("myAdo");
    myAdo.GetFieldDefs()->Add("TypeID", ftInteger);
    myAdo.GetFieldDefs()->Add("TypeName", ftString, 20);
    for (const char* name : {"AField", "AValue", "BField", "BValue"})
        myAdo.GetFieldDefs()->Add(name, ftString, 100);
    myMain.CreateDataSet();
    myAdo.CreateDataSet();

    struct TRow {
        Integer TypeID;
        String TypeName, AField, AValue, BField, BValue;
    };
    const std::vector<TRow> rows = {
        {9, "Function", "Battery Save", "On", "", ""},
        {9, "Function", "Squelch Level", "5", "", ""},
        {8, "Channel Info", "", "", "", ""},
        {8, "Channel Info", "Channel No.1", "", "", ""},
        {8, "Channel Info", "RX", "450.12500", "TX", "450.12500"},
    };
    auto print = [&](const String& title) {
        while (myAdo.GetRecordCount() > 0)
            myAdo.Delete();
        while (myMain.GetRecordCount() > 0)
            myMain.Delete();
        myMain.Append();
        myMain.FieldByName("Title")->SetAsString(title);
        myMain.FieldByName("AField")->SetAsString("Model Type: ");
        myMain.FieldByName("AValue")->SetAsString("KOV-571(UHF)");
        myMain.FieldByName("BField")->SetAsString("");
        myMain.FieldByName("BValue")->SetAsString("");
        myMain.FieldByName("CField")->SetAsString("Frequency: ");
        myMain.FieldByName("CValue")->SetAsString("450 - 470MHz");
        myMain.Post();
        for (const TRow& row : rows) {
            myAdo.Append();
            myAdo.FieldByName("TypeID")->SetAsString(IntToStr(row.TypeID));
            myAdo.FieldByName("TypeName")->SetAsString(row.TypeName);
            myAdo.FieldByName("AField")->SetAsString(row.AField);
            myAdo.FieldByName("AValue")->SetAsString(row.AValue);
            myAdo.FieldByName("BField")->SetAsString(row.BField);
            myAdo.FieldByName("BValue")->SetAsString(row.BValue);
            myAdo.Post();
        }
    };
    print("first printout");
    print("KOV-571 Programmer - channel list"); // a second run starts from empty sets

    ASSERT_EQ(myMain.GetRecordCount(), 1);
    myMain.First();
    EXPECT_EQ(myMain.FieldByName("Title")->GetAsString(), "KOV-571 Programmer -"); // 20 characters
    EXPECT_EQ(myMain.FieldByName("AValue")->GetAsString(), "KOV-571(UHF)");
    EXPECT_EQ(myMain.FieldByName("CValue")->GetAsString(), "450 - 470MHz");
    EXPECT_EQ(myMain.FieldByName("DFiled")->GetAsString(), "");
    EXPECT_TRUE(myMain.FieldByName("DValue")->GetIsNull());

    ASSERT_EQ(myAdo.GetRecordCount(), Integer(rows.size()));
    myAdo.First();
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.AField);
        ASSERT_FALSE(myAdo.GetEof());
        EXPECT_EQ(myAdo.FieldByName("TypeID")->GetAsInteger(), row.TypeID);
        EXPECT_EQ(myAdo.FieldByName("TypeName")->GetDisplayText(), row.TypeName);
        EXPECT_EQ(myAdo.FieldByName("AField")->GetAsString(), row.AField);
        EXPECT_EQ(myAdo.FieldByName("AValue")->GetAsString(), row.AValue);
        EXPECT_EQ(myAdo.FieldByName("BField")->GetAsString(), row.BField);
        EXPECT_EQ(myAdo.FieldByName("BValue")->GetAsString(), row.BValue);
        myAdo.Next();
    }
    EXPECT_TRUE(myAdo.GetEof());
}

// A data source may not lead back to its own data set.
TEST(MemDataSetTest, FieldsOfAnOpenDataSetCannotChange) {
    auto dataSet = MakeNumbers(1);
    TIntegerField extra(nullptr);
    extra.SetFieldName("Extra");
    EXPECT_EQ(ErrorOf([&] { extra.SetDataSet(dataSet.get()); }),
              "numbers: Cannot perform this operation on an open dataset");
    dataSet->Close();
    TStringField clash(nullptr);
    clash.SetFieldName("Name");
    // Default fields are gone after closing, so the name is free; persistent fields need a
    // definition of their name when opening.
    clash.SetDataSet(dataSet.get());
    extra.SetDataSet(dataSet.get());
    EXPECT_EQ(ErrorOf([&] { dataSet->Open(); }), "numbers: Field 'Extra' not found");
    EXPECT_FALSE(dataSet->GetActive());
    extra.SetDataSet(nullptr);
    dataSet->Open();
    EXPECT_FALSE(dataSet->GetDefaultFields());
    EXPECT_EQ(dataSet->GetFieldCount(), 1);
    EXPECT_EQ(dataSet->FieldByName("Name"), &clash);
    TStringField twin(nullptr);
    twin.SetFieldName("name");
    dataSet->Close();
    EXPECT_EQ(ErrorOf([&] { twin.SetDataSet(dataSet.get()); }), "numbers: Duplicate field name 'name'");
}

} // namespace

// The controller as a master: detail kinds, clones made on demand over one record source, detail
// expansion and the active relation, clones following inserted and deleted master records,
// visiting details, and expanded details kept by key across a reload.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"
#include "suite/foundation/qzVariants.h"
#include "tests/suite/data/RowsFixture.h"

namespace {

class TLevelItem : public TObject {};

// Records in a tree: a record's parent is a handle (0 at the top). A controller reads the
// children of its master record's handle, or the top records when it has no master.
class TTreeSource : public rowstest::TKeyedSource {
public:
    struct TNode {
        Integer Handle, Parent;
    };
    void DeleteRecord(Integer handle) override {
        std::erase_if(Nodes, [&](const TNode& n) { return n.Handle == handle; });
    }
    void LoadRecords() override {
        TqzCustomDataProvider* provider = GetCurrentProvider();
        TqzCustomDataController* c = provider->GetController();
        Integer parent = 0;
        if (c->DetailKind() == dkClone)
            parent = c->GetMaster()->GetProvider()->HandleOfRecord(c->GetMasterRecord());
        for (const TNode& n : Nodes)
            if (n.Parent == parent) provider->AddSourceRecord(n.Handle);
    }
    // Removes a node and announces it to a provider.
    void RemoveFrom(TqzCustomDataController* c, Integer handle) {
        DeleteRecord(handle);
        c->GetProvider()->DataChanged(dcEverything, -1, -1);
    }
    // Top records 1..5; children h*10+1.. h*10+3; grandchildren of 21: 211, 212.
    TTreeSource() {
        for (Integer top = 1; top <= 5; ++top) {
            Nodes.push_back({top, 0});
            for (Integer child = 1; child <= 3; ++child) Nodes.push_back({top * 10 + child, top});
        }
        Nodes.push_back({211, 21});
        Nodes.push_back({212, 21});
    }
    std::vector<TNode> Nodes;
};

// One item; clones of a relation's pattern are made over the pattern's source, with relations
// like the pattern's.
class TTreeController : public TqzDataController {
public:
    TTreeController() : TqzDataController(nullptr) {
        AddItem(&FItem);
        ChangeValueTypeClass(0, ValueTypeClass<TqzIntegerValueType>());
    }
    TObject* GetItem(Integer index) const override {
        if (index != 0) RaiseDataControllerError(sqzItemIndexOutOfRange);
        return const_cast<TLevelItem*>(&FItem);
    }
    TqzCustomDataController* MakeDetailController(Integer relationIndex, Integer recordIndex) override {
        TqzCustomDataRelation* relation = GetRelations()->GetItems(relationIndex);
        TqzCustomDataController* pattern = relation->GetDetailDataController();
        auto* clone = new TTreeController();
        if (pattern && pattern->HasRelations())
            for (Integer i = 0; i < pattern->GetRelations()->GetCount(); ++i) {
                TqzCustomDataRelation* own = pattern->GetRelations()->GetItems(i);
                auto* copy = new TqzCustomDataRelation(clone->GetRelations(), own->GetItem());
                copy->SetDetailDataController(own->GetDetailDataController());
            }
        clone->AttachToMaster(relation, recordIndex);
        ++Made;
        return clone;
    }
    TqzCustomDataController* ControllerOfDetailLink(TObject* link) override {
        return dynamic_cast<TqzCustomDataController*>(link);
    }
    // The values of the records, in record order.
    std::string Values() {
        std::string s;
        for (Integer r = 0; r < GetRecordCount(); ++r) s += (r ? "," : "") + VarToStr(GetValue(r, 0));
        return s;
    }
    int Made = 0;

private:
    TLevelItem FItem;
};

// What a controller tells: expansion events and update infos.
class TDetailLog : public TObject {
public:
    void Attach(TqzCustomDataController* c) {
        c->OnDetailExpanding = TqzDetailAllowEvent(this, &TDetailLog::Expanding);
        c->OnDetailExpanded = TqzRecordEvent(this, &TDetailLog::Expanded);
        c->OnDetailCollapsing = TqzDetailAllowEvent(this, &TDetailLog::Collapsing);
        c->OnDetailCollapsed = TqzRecordEvent(this, &TDetailLog::Collapsed);
        c->UpdateControlHandler = TqzUpdateControlEvent(this, &TDetailLog::Update);
        c->OnDataChanged = TNotifyEvent(this, &TDetailLog::Data);
    }
    void Expanding(TqzCustomDataController*, Integer r, bool&) { Add("expanding" + std::to_string(r)); }
    void Expanded(TqzCustomDataController*, Integer r) { Add("expanded" + std::to_string(r)); }
    void Collapsing(TqzCustomDataController*, Integer r, bool& allow) {
        Add("collapsing" + std::to_string(r));
        allow = !RefuseCollapse;
    }
    void Collapsed(TqzCustomDataController*, Integer r) { Add("collapsed" + std::to_string(r)); }
    void Update(TqzUpdateControlInfo* info) {
        if (dynamic_cast<TqzLayoutChangedInfo*>(info)) Add("layout");
    }
    void Data(TObject*) { ++DataEvents; }
    void Add(const std::string& s) { Text += (Text.empty() ? "" : " ") + s; }
    std::string Text;
    bool RefuseCollapse = false;
    int DataEvents = 0;
};

// A root over the tree's top records with relations A (children) and B (children too), and a
// pattern for each; pattern A has a relation C (grandchildren) with its own pattern.
struct TTree {
    TTree() {
        for (TTreeController* c : {&PatternA, &PatternB, &PatternC, &Root}) c->GetProvider()->SetRecordSource(&Source);
        A = new TqzCustomDataRelation(Root.GetRelations(), &LevelA);
        B = new TqzCustomDataRelation(Root.GetRelations(), &LevelB);
        C = new TqzCustomDataRelation(PatternA.GetRelations(), &LevelC);
        PatternA.AttachToMaster(A, -1);
        PatternB.AttachToMaster(B, -1);
        PatternC.AttachToMaster(C, -1);
    }
    ~TTree() {
        for (TTreeController* c : {&Root, &PatternA, &PatternB, &PatternC}) c->GetProvider()->SetRecordSource(nullptr);
    }
    TTreeSource Source;
    TLevelItem LevelA, LevelB, LevelC;
    TTreeController PatternC, PatternB, PatternA, Root;
    TqzCustomDataRelation *A = nullptr, *B = nullptr, *C = nullptr;
};

std::string Selected(TqzCustomDataController* c) {
    std::string s;
    TqzDataSelection* sel = c->GetInfo()->GetSelection();
    for (Integer i = 0; i < sel->Count(); ++i) s += (i ? "," : "") + std::to_string(sel->Entry(i).RecordIndex);
    return s;
}

} // namespace

TEST(qzCustomDataDetailTest, KindsOfTopLevelPatternAndClone) {
    TDetailLog log;
    TTree t;
    EXPECT_EQ(t.Root.DetailKind(), dkTopLevel);
    EXPECT_EQ(t.PatternA.DetailKind(), dkPattern);
    EXPECT_EQ(t.Root.GetRecordCount(), 5);
    // A pattern loads nothing although its source has records, and fires no data events.
    EXPECT_EQ(t.PatternA.GetRecordCount(), 0);
    log.Attach(&t.PatternA);
    t.PatternA.DataChanged(dcEverything, -1, -1);
    EXPECT_EQ(log.DataEvents, 0);
    EXPECT_EQ(t.PatternA.GetRecordCount(), 0);

    TqzCustomDataController* clone = t.Root.DetailControllerOf(1, 0);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->DetailKind(), dkClone);
    EXPECT_EQ(clone->GetMaster(), &t.Root);
    EXPECT_EQ(clone->GetMasterRecord(), 1);
    EXPECT_EQ(clone->GetRelationToMaster(), t.A);
    EXPECT_EQ(static_cast<TTreeController*>(clone)->Values(), "21,22,23");
    EXPECT_EQ(clone->FindPatternController(), &t.PatternA);
    EXPECT_EQ(clone->FindRootController(), &t.Root);
    EXPECT_EQ(t.Root.FindPatternController(), &t.Root);
    EXPECT_EQ(t.Root.GetCurrentDetail(), nullptr); // cleared once the clone is stored

    // The clone of a clone: its pattern is found below the root's clones.
    TqzCustomDataController* grandchild = clone->DetailControllerOf(0, 0);
    ASSERT_NE(grandchild, nullptr);
    EXPECT_EQ(static_cast<TTreeController*>(grandchild)->Values(), "211,212");
    EXPECT_EQ(grandchild->FindPatternController(), &t.PatternC);
    EXPECT_EQ(grandchild->FindRootController(), &t.Root);

    // The pattern mark of a controller without a relation.
    TTreeController free;
    EXPECT_EQ(free.DetailKind(), dkTopLevel);
    free.SetPatternMode(true);
    EXPECT_EQ(free.DetailKind(), dkPattern);
    free.SetPatternMode(false);
    EXPECT_EQ(free.DetailKind(), dkTopLevel);
}

TEST(qzCustomDataDetailTest, ClonesAreMadeOnceOnDemand) {
    TTree t;
    EXPECT_FALSE(t.Root.HasDetailController(2, 0));
    TqzCustomDataController* first = t.Root.DetailControllerOf(2, 0);
    EXPECT_TRUE(t.Root.HasDetailController(2, 0));
    EXPECT_FALSE(t.Root.HasDetailController(2, 1));
    EXPECT_EQ(t.Root.DetailControllerOf(2, 0), first);
    EXPECT_EQ(t.Root.Made, 1);
    EXPECT_EQ(t.Root.DetailLinkOf(2, 0), first);
    EXPECT_EQ(static_cast<TTreeController*>(t.Root.DetailControllerOf(2, 1))->Values(), "31,32,33");
    EXPECT_EQ(t.Root.Made, 2);
    EXPECT_THROW(t.Root.DetailControllerOf(5, 0), EqzInvalidDataControllerOperation);

    // Without a descendant that makes them there are no clones, and no link is kept.
    struct TPlain : public TqzDataController {
        TPlain() : TqzDataController(nullptr) {}
        TObject* GetItem(Integer) const override { return nullptr; }
    };
    TTreeController pattern;
    TPlain plain;
    TLevelItem level;
    auto* relation = new TqzCustomDataRelation(plain.GetRelations(), &level);
    pattern.AttachToMaster(relation, -1);
    plain.SetRecordCount(2);
    EXPECT_EQ(plain.DetailControllerOf(0, 0), nullptr);
    EXPECT_FALSE(plain.HasDetailController(0, 0));
}

TEST(qzCustomDataDetailTest, ExpandingCollapsingAndTheActiveRelation) {
    TDetailLog log;
    TTree t;
    log.Attach(&t.Root);
    struct Step {
        Integer Record;
        bool Expand, Refuse, Result;
        const char* Log;
    };
    const std::vector<Step> steps = {
        {1, true, false, true, "expanding1 layout expanded1"},
        {1, true, false, false, ""}, // unchanged
        {1, false, true, false, "collapsing1"},
        {1, false, false, true, "collapsing1 layout collapsed1"},
        {7, true, false, false, ""}, // out of range
        {-1, true, false, false, ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.Record) + (s.Expand ? " expand" : " collapse"));
        log.Text.clear();
        log.RefuseCollapse = s.Refuse;
        EXPECT_EQ(t.Root.SetDetailExpanded(s.Record, s.Expand), s.Result);
        EXPECT_EQ(log.Text, s.Log);
    }
    EXPECT_FALSE(t.Root.IsDetailExpanded(1));
    t.Root.SetDetailExpanded(1, true);
    log.RefuseCollapse = true;
    EXPECT_FALSE(t.Root.SetDetailExpanded(1, false));
    EXPECT_TRUE(t.Root.IsDetailExpanded(1));

    EXPECT_EQ(t.Root.ActiveRelationOf(3), 0);
    log.Text.clear();
    t.Root.SetActiveRelationOf(3, 0);
    EXPECT_EQ(log.Text, "");
    t.Root.SetActiveRelationOf(3, 1);
    EXPECT_EQ(log.Text, "layout");
    EXPECT_EQ(t.Root.ActiveRelationOf(3), 1);

    // A clone's data change collects the change marks of its master's records once.
    TqzCustomDataController* marked = t.Root.DetailControllerOf(2, 0);
    t.Root.GetRelations()->DetailObject(2)->Info(0)->DetailDataChanged = true;
    log.Text.clear();
    marked->DataChanged(dcRecordChanged, -1, 0);
    EXPECT_EQ(log.Text, "layout");
    log.Text.clear();
    marked->DataChanged(dcRecordChanged, -1, 0);
    EXPECT_EQ(log.Text, "");

    TTreeController alone;
    EXPECT_EQ(alone.ActiveRelationOf(0), -1);
    EXPECT_FALSE(alone.SetDetailExpanded(0, true));

    // Collapsing every record drops the clones as well.
    TqzCustomDataController* clone = t.Root.DetailControllerOf(1, 0);
    const TLivenessToken cloneAlive = clone->LivenessToken();
    t.Root.CollapseAllDetails();
    EXPECT_FALSE(cloneAlive);
    EXPECT_FALSE(t.Root.IsDetailExpanded(1));
}

TEST(qzCustomDataDetailTest, ClonesFollowInsertedAndDeletedMasterRecords) {
    TTreeController master;
    TTreeController pattern;
    TLevelItem level;
    auto* relation = new TqzCustomDataRelation(master.GetRelations(), &level);
    pattern.AttachToMaster(relation, -1);
    master.SetRecordCount(5);
    std::vector<TqzCustomDataController*> clones;
    for (Integer r = 0; r < 5; ++r) clones.push_back(master.DetailControllerOf(r, 0));
    master.InsertStoredRecord(2);
    std::string records;
    for (TqzCustomDataController* c : clones) records += std::to_string(c->GetMasterRecord());
    EXPECT_EQ(records, "01345");
    EXPECT_EQ(master.DetailControllerOf(3, 0), clones[2]);

    const TLivenessToken goneAlive = clones[1]->LivenessToken();
    master.DeleteRecord(1);
    EXPECT_FALSE(goneAlive);
    records.clear();
    for (Integer i : {0, 2, 3, 4}) records += std::to_string(clones[std::size_t(i)]->GetMasterRecord());
    EXPECT_EQ(records, "0234");
    EXPECT_EQ(master.DetailControllerOf(2, 0), clones[2]);
    master.ShiftDetailsAfterDelete(-1); // nothing
    EXPECT_EQ(clones[0]->GetMasterRecord(), 0);
}

TEST(qzCustomDataDetailTest, ClonesAreMadeAgainAfterTheyWereDropped) {
    TTree t;
    TqzCustomDataController* a = t.Root.DetailControllerOf(0, 0);
    TqzCustomDataController* nested = a->DetailControllerOf(1, 0); // child 12: no grandchildren
    const TLivenessToken aAlive = a->LivenessToken();
    const TLivenessToken nestedAlive = nested->LivenessToken();
    // An item of a nested relation: the clones below drop theirs, the root keeps its own.
    t.Root.ResetClonesOfItem(&t.LevelC);
    EXPECT_TRUE(aAlive);
    EXPECT_FALSE(nestedAlive);
    EXPECT_FALSE(a->HasDetailController(1, 0));
    // An item of the root's own relation: all of the root's clones go.
    t.Root.ResetClonesOfItem(&t.LevelA);
    EXPECT_FALSE(aAlive);
    EXPECT_FALSE(t.Root.HasDetailController(0, 0));
    const int made = t.Root.Made;
    EXPECT_NE(t.Root.DetailControllerOf(0, 0), nullptr);
    EXPECT_EQ(t.Root.Made, made + 1);
    t.Root.DetailControllerOf(4, 1);
    t.Root.DropAllDetailLinks();
    EXPECT_FALSE(t.Root.HasDetailController(0, 0));
    EXPECT_FALSE(t.Root.HasDetailController(4, 1));
}

TEST(qzCustomDataDetailTest, VisitingDetailsOverTwoLevelsAndFocusingThem) {
    TTree t;
    for (Integer r : {0, 1, 3}) t.Root.DetailControllerOf(r, 0);
    t.Root.DetailControllerOf(2, 1); // another relation: not visited
    t.Root.DetailControllerOf(1, 0)->DetailControllerOf(0, 0);
    t.Root.DetailControllerOf(1, 0)->DetailControllerOf(2, 0);
    t.Root.DetailControllerOf(3, 0)->DetailControllerOf(1, 0);

    std::vector<std::string> seen;
    auto visit = [&](TqzCustomDataController* c, void* data) {
        seen.push_back(static_cast<TTreeController*>(c)->Values() + "@" +
                       std::to_string(c->GetMaster()->GetMasterRecord()) + *static_cast<std::string*>(data));
    };
    std::string mark = "!";
    t.Root.VisitDetailControllers(t.C, visit, &mark);
    EXPECT_EQ(seen, (std::vector<std::string>{"211,212@1!", "@1!", "@3!"}));
    seen.clear();
    t.Root.VisitDetailControllers(t.A, [&](TqzCustomDataController* c, void*) {
        seen.push_back(std::to_string(c->GetMasterRecord()));
    }, nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "1", "3"}));

    // The clone of the active relation focuses its first row; others keep their focus.
    TqzCustomDataController* clone = t.Root.DetailControllerOf(1, 0);
    TqzCustomDataController* other = t.Root.DetailControllerOf(1, 1);
    EXPECT_EQ(clone->GetFocusedRowIndex(), -1);
    t.Root.SetFocusedRecordIndex(1);
    t.Root.FocusDetailsOfFocusedRecord();
    EXPECT_EQ(clone->GetFocusedRowIndex(), 0);
    EXPECT_EQ(other->GetFocusedRowIndex(), -1);
    EXPECT_FALSE(t.Root.IsSyncingDetails());
    clone->SetFocusedRowIndex(2);
    t.Root.FocusDetailsOfMaster(1);
    EXPECT_EQ(clone->GetFocusedRowIndex(), 2);
}

TEST(qzCustomDataDetailTest, ExpandedDetailsComeBackAfterAReload) {
    TTree t;
    ASSERT_TRUE(t.Root.HasRecordKeys());
    // Master record 1 (handle 2): expanded with relation A; its clone has record 0 (handle 21)
    // expanded and rows 1 and 2 selected. Master record 3 (handle 4): expanded with relation B.
    t.Root.SetDetailExpanded(1, true);
    TqzCustomDataController* clone = t.Root.DetailControllerOf(1, 0);
    clone->SetDetailExpanded(0, true);
    clone->MultiSelect = true;
    clone->GetInfo()->ChangeRowSelection(1, true);
    clone->GetInfo()->ChangeRowSelection(2, true);
    t.Root.SetDetailExpanded(3, true);
    t.Root.SetActiveRelationOf(3, 1);

    t.Root.LockFullUpdate();
    t.Source.RemoveFrom(&t.Root, 1); // every master record moves down by one and every clone goes
    t.Root.UnlockFullUpdate();
    EXPECT_EQ(t.Root.Values(), "2,3,4,5");
    std::string expanded;
    for (Integer r = 0; r < t.Root.GetRecordCount(); ++r)
        if (t.Root.IsDetailExpanded(r)) expanded += std::to_string(r) + ":" + std::to_string(t.Root.ActiveRelationOf(r)) + " ";
    EXPECT_EQ(expanded, "0:0 2:1 ");
    TqzCustomDataController* again = t.Root.DetailControllerOf(0, 0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(static_cast<TTreeController*>(again)->Values(), "21,22,23");
    EXPECT_TRUE(again->IsDetailExpanded(0));
    EXPECT_FALSE(again->IsDetailExpanded(1));
    EXPECT_EQ(Selected(again), "1,2");
    EXPECT_EQ(t.Root.GetLockCount(), 0);
}

namespace {

class TSyncProvider : public TqzCustomDataProvider {
public:
    using TqzCustomDataProvider::TqzCustomDataProvider;
    bool IsSyncMode() const override { return true; }
};

// A master whose provider follows its source's position and whose details follow its focus.
class TSyncTreeController : public TTreeController {
public:
    TSyncTreeController() { ReplaceProvider(new TSyncProvider(this)); }
    bool ShouldSyncDetailFocus() const override { return true; }
};

} // namespace

TEST(qzCustomDataDetailTest, InSynchronisedModeTheMastersFocusFocusesTheDetails) {
    TTreeSource source;
    TLevelItem level;
    TTreeController pattern;
    TSyncTreeController root;
    for (TTreeController* c : {static_cast<TTreeController*>(&root), &pattern})
        c->GetProvider()->SetRecordSource(&source);
    pattern.AttachToMaster(new TqzCustomDataRelation(root.GetRelations(), &level), -1);
    TqzCustomDataController* clone = root.DetailControllerOf(2, 0);
    ASSERT_EQ(clone->GetRowCount(), 3);
    EXPECT_EQ(clone->GetFocusedRowIndex(), -1);
    root.ChangeFocusedRowIndex(2);
    EXPECT_EQ(clone->GetFocusedRowIndex(), 0);
    EXPECT_FALSE(root.IsSyncingDetails());

    // Not synchronised: the details keep their focus.
    TTree t;
    TqzCustomDataController* other = t.Root.DetailControllerOf(2, 0);
    t.Root.ChangeFocusedRowIndex(2);
    EXPECT_EQ(other->GetFocusedRowIndex(), -1);
    for (TTreeController* c : {static_cast<TTreeController*>(&root), &pattern})
        c->GetProvider()->SetRecordSource(nullptr);
}

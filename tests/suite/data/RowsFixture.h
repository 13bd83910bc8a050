// An unbound data controller with a text and an integer column, a grouped fixture over it, and a
// log of every notice the controller delivers: the rows, focus and selection tests share them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "suite/data/qzCustomData.h"
#include "suite/data/qzData.h"

namespace rowstest {

class TRowItem : public TObject {};

inline const TqzValueTypeClass StringType = ValueTypeClass<TqzStringValueType>();
inline const TqzValueTypeClass IntegerType = ValueTypeClass<TqzIntegerValueType>();

// An unbound controller with a text column (0) and an integer column (1).
class TRowController : public TqzDataController {
public:
    TRowController() : TqzDataController(nullptr) {
        for (TqzValueTypeClass type : {StringType, IntegerType}) {
            Items.push_back(new TRowItem());
            AddItem(Items.back());
            ChangeValueTypeClass(Integer(Items.size()) - 1, type);
        }
    }
    ~TRowController() override {
        for (TObject* item : Items) delete item;
    }
    TObject* GetItem(Integer index) const override { return Items.at(std::size_t(index)); }
    void UpdateLoadAllNeeded() override {
        ++Recomputations;
        TqzDataController::UpdateLoadAllNeeded();
    }
    void ReceiveInfoChanges(Word changes) override {
        Passed.push_back(changes);
        TqzDataController::ReceiveInfoChanges(changes);
    }
    String GetFilterDisplayText(Integer recordIndex, Integer itemIndex) override {
        ++FilterTextReads;
        return TqzDataController::GetFilterDisplayText(recordIndex, itemIndex);
    }

    void Fill(const std::vector<std::pair<const char*, Integer>>& rows) {
        TqzUpdateLock lock(this);
        SetRecordCount(Integer(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            SetValue(Integer(r), 0, String(rows[r].first));
            SetValue(Integer(r), 1, rows[r].second);
        }
    }
    // The records of the rows, "g" for a group row.
    std::string Rows() {
        std::string s;
        TqzCustomDataControllerInfo* info = GetInfo();
        for (Integer row = 0; row < info->GetRowCount(); ++row) {
            const TqzDataRowInfo ri = info->GetRowInfo(row);
            if (!s.empty()) s += ",";
            if (ri.Level < info->GetGroups()->GroupingFieldCount()) s += "g";
            s += std::to_string(ri.Position);
        }
        return s;
    }

    std::vector<TObject*> Items;
    int Recomputations = 0;
    std::vector<Word> Passed; // the changes of each recomputation
    int FilterTextReads = 0;
};

template <class F> inline std::string RaisedMessage(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "";
}

// Grouped by text, then number: (A,1), (A,1), (A,2), (B,1).
struct TGroupedFixture {
    TGroupedFixture() {
        C.Fill({{"A", 1}, {"A", 1}, {"A", 2}, {"B", 1}});
        C.ChangeItemGroupIndex(0, 0);
        C.ChangeItemGroupIndex(1, 1);
    }
    TRowController C;
};

// Writes every info the controller delivers, and its events, into one line.
struct TNoticeLog : public TObject {
    void Attach(TqzCustomDataController* c) {
        c->UpdateControlHandler = TqzUpdateControlEvent(this, &TNoticeLog::Info);
        c->OnDataChanged = TNotifyEvent(this, &TNoticeLog::DataChanged);
        c->OnRecordChanged = TqzRecordChangedEvent(this, &TNoticeLog::RecordChanged);
        c->OnGroupingChanged = TNotifyEvent(this, &TNoticeLog::Grouping);
        c->OnSortingChanged = TNotifyEvent(this, &TNoticeLog::Sorting);
    }
    void Add(const std::string& s) { Text += (Text.empty() ? "" : " ") + s; }
    void Info(TqzUpdateControlInfo* info) {
        if (auto* i = dynamic_cast<TqzDataChangedInfo*>(info))
            Add("data" + std::to_string(i->Kind) + "/" + std::to_string(i->ItemIndex) + "/" +
                std::to_string(i->RecordIndex));
        else if (dynamic_cast<TqzLayoutChangedInfo*>(info))
            Add("layout");
        else if (auto* r = dynamic_cast<TqzUpdateRecordInfo*>(info))
            Add("record" + std::to_string(r->RecordIndex));
        else if (auto* f = dynamic_cast<TqzFocusedRowChangedInfo*>(info))
            Add("row" + std::to_string(f->PrevFocusedRow) + ">" + std::to_string(f->FocusedRow));
        else if (auto* f = dynamic_cast<TqzFocusedRecordChangedInfo*>(info))
            Add("focus" + std::to_string(f->PrevFocusedRecord) + ">" + std::to_string(f->FocusedRecord));
        else if (auto* s = dynamic_cast<TqzSelectionChangedInfo*>(info)) {
            std::string rows;
            for (Integer i = 0; i < s->RowCount(); ++i) rows += (i ? "," : "") + std::to_string(s->RowIndex(i));
            Add("sel[" + rows + "]");
        }
        else if (dynamic_cast<TqzSearchChangedInfo*>(info))
            Add("search");
        else if (dynamic_cast<TqzBookmarkChangedInfo*>(info))
            Add("bookmark");
    }
    void DataChanged(TObject*) { Add("OnDataChanged"); }
    void RecordChanged(TqzCustomDataController*, Integer record, Integer item) {
        Add("OnRecordChanged" + std::to_string(record) + "/" + std::to_string(item));
    }
    void Grouping(TObject*) { Add("OnGrouping"); }
    void Sorting(TObject*) { Add("OnSorting"); }
    std::string Text;
};

// A bound source whose records are their handles; every handle is also the record's key.
class TKeyedSource : public TqzCustomRecordSource {
public:
    Integer AppendRecord() override { return 0; }
    void DeleteRecord(Integer handle) override { std::erase(Handles, handle); }
    String GetDisplayText(Integer handle, Integer) override { return String(std::to_string(handle)); }
    bool GetCompareForm(Integer, Integer, const Byte*&) override { return false; }
    Variant GetRecordKey(Integer handle) override { return handle; }
    Variant GetValue(Integer handle, Integer) override { return handle; }
    bool ProvidesValues() override { return true; }
    void LoadRecords() override {
        for (Integer h : Handles) GetCurrentProvider()->AddSourceRecord(h);
    }
    void SetValue(Integer, Integer, const Variant&) override {}
    void Remove(Integer handle) {
        std::erase(Handles, handle);
        GetCurrentProvider()->DataChanged(dcEverything, -1, -1);
    }
    std::vector<Integer> Handles{10, 20, 30, 40};
};

} // namespace rowstest

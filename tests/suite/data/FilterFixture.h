// Filter criteria over a small in-memory table: each item link is a column with a caption and
// an expression name, each record a row of variants. It stands in for the data controller's
// criteria in the filter, value list and data-set tests.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Streams.h"
#include "suite/data/qzFilter.h"
#include "tests/support/TestSupport.h"

namespace filtertest {

// English settings with day/month/year dates.
inline TFormatSettings FilterSettings() {
    TFormatSettings fs = testsupport::DotSettings();
    fs.ShortDateFormat = "dd/mm/yyyy";
    fs.DateSeparator = '/';
    return fs;
}

inline Variant Array(std::initializer_list<Variant> values) { return VarArrayOf(values); }

class TColumn : public TObject {
    KOV_CLASS(TColumn, TObject)
public:
    TColumn(Integer index, String name, String caption)
        : Index(index), Name(std::move(name)), Caption(std::move(caption)) {}
    Integer Index;
    String Name;    // as filter expressions name it ("ID;Name" for a key of two columns)
    String Caption; // as people read it
};

class TTableCriteria;

class TTableCondition : public TqzFilterCriteriaItem {
    KOV_CLASS(TTableCondition, TqzFilterCriteriaItem)
public:
    using TqzFilterCriteriaItem::TqzFilterCriteriaItem;
    Variant RecordValue(Integer recordIndex) override;
    String ItemCaption() override { return Column()->Caption; }
    String ExpressionFieldName() override { return Column()->Name; }

private:
    TColumn* Column() const { return static_cast<TColumn*>(GetItemLink()); }
};

// Columns 0 ID ("Number"), 1 Price, 2 Name ("Customer"), 3 Day ("Date"), 4 "ID;Name" (a key
// of two columns, whose values are arrays), 5 Flag.
class TTableCriteria : public TqzFilterCriteria {
    KOV_CLASS(TTableCriteria, TqzFilterCriteria)
public:
    TTableCriteria() {
        const char* const names[][2] = {{"ID", "Number"}, {"Price", "Price"}, {"Name", "Customer"},
                                        {"Day", "Date"},  {"ID;Name", "Key"}, {"Flag", "Flag"}};
        for (Integer i = 0; i < Integer(std::size(names)); ++i)
            Columns.push_back(std::make_unique<TColumn>(i, names[i][0], names[i][1]));
    }

    TColumn* Col(const String& name) const {
        for (const auto& column : Columns)
            if (column->Name == name) return column.get();
        return nullptr;
    }
    TObject* ID() const { return Columns[0].get(); }
    TObject* Price() const { return Columns[1].get(); }
    TObject* Name() const { return Columns[2].get(); }
    TObject* Day() const { return Columns[3].get(); }
    TObject* Key() const { return Columns[4].get(); }
    TObject* Flag() const { return Columns[5].get(); }

    // One record whose only value is in the column (the others Null).
    Integer AddRow(TObject* column, const Variant& value) {
        std::vector<Variant> row(Columns.size(), Null());
        row[std::size_t(static_cast<TColumn*>(column)->Index)] = value;
        Rows.push_back(row);
        return Integer(Rows.size()) - 1;
    }

    // One record with the given values (the other columns Null).
    Integer AddRecord(const std::vector<std::pair<TObject*, Variant>>& values) {
        std::vector<Variant> row(Columns.size(), Null());
        for (const auto& [column, value] : values)
            row[std::size_t(static_cast<TColumn*>(column)->Index)] = value;
        Rows.push_back(row);
        return Integer(Rows.size()) - 1;
    }

    Integer ItemLinkIndex(TObject* itemLink) override {
        for (std::size_t i = 0; i < Columns.size(); ++i)
            if (Columns[i].get() == itemLink) return Integer(i);
        return -1;
    }
    TObject* ItemLinkAt(Integer index) override {
        return index >= 0 && index < Integer(Columns.size()) ? Columns[std::size_t(index)].get() : nullptr;
    }
    TqzFilterCriteriaItemClass ConditionClass() override {
        return FilterCriteriaItemClass<TTableCondition>();
    }
    void FormatValueText(TqzFilterCriteriaItem* condition, const Variant& value, String& text) override {
        if (!ValuePrefix.empty()) text = ValuePrefix + text;
    }

    std::vector<std::unique_ptr<TColumn>> Columns;
    std::vector<std::vector<Variant>> Rows;
    String ValuePrefix; // put before every value text of expressions when set
    int Reads = 0;      // record values read
};

inline Variant TTableCondition::RecordValue(Integer recordIndex) {
    auto* criteria = static_cast<TTableCriteria*>(Criteria());
    ++criteria->Reads;
    return criteria->Rows[std::size_t(recordIndex)][std::size_t(Column()->Index)];
}

// Counts OnChanged.
struct TChangeCounter {
    explicit TChangeCounter(TqzFilterCriteria& criteria) {
        criteria.OnChanged = MakeEvent(this, &TChangeCounter::Changed);
    }
    void Changed(TObject*) { ++Count; }
    int Count = 0;
};

// The binary image of the criteria, as bytes.
inline std::string ImageOf(TqzFilterCriteria& criteria) {
    TMemoryStream stream;
    criteria.WriteData(&stream);
    return std::string(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

// Reads an image into the criteria.
inline void ReadImage(TqzFilterCriteria& criteria, const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), Integer(bytes.size()));
    stream.Seek(0, soBeginning);
    criteria.ReadData(&stream);
}

} // namespace filtertest

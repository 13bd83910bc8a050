// Aggregate functions of report expressions: SUM, AVG, MIN, MAX and COUNT calls found in the
// memos of footer-like bands, each with an accumulator that adds the records of its data band.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Variant.h"

class TpvrBand;
class TpvrComponent;
class TpvrCustomMemoView;
class TpvrDataBand;
class TpvrReport;
class TpvrReportPage;

enum TpvrAggregateKind : Byte { akSum, akAvg, akMin, akMax, akCount };

// One aggregate call with its accumulator.
class TpvrAggregateItem : public TObject {
    KOV_CLASS(TpvrAggregateItem, TObject)
public:
    // The kind of a function name: SUM, AVG, MIN, MAX; anything else counts.
    static TpvrAggregateKind KindOfName(const String& name);

    TpvrAggregateKind Kind = akCount;
    TpvrDataBand* DataBand = nullptr;
    // Flag 1: records count while the data band is hidden.
    bool CountInvisible = false;
    // Flag 2: the value is not reset when its band has been shown.
    bool Running = false;
    String Expression;
    bool PageFooter = false;
    // Values and counts per vertical column (index = column), made on the first addition with a
    // vertical column and grown as columns come.
    bool HasColumns = false;
    std::vector<Variant> ColumnValues;
    std::vector<Integer> ColumnCounts;
    Integer Count = 0;
    Variant Value = Null();
    bool Keeping = false;
    Integer KeepCount = 0;
    Variant KeepValue = Null();
    Integer SavedCount = 0;
    Variant SavedValue = Null();
    String MemoName;
    String CallText;
    TpvrBand* ParentBand = nullptr;
    TpvrReport* Report = nullptr;
    Integer VColumn = 0;

    // The flag bits as the calls write them.
    Integer Flags() const { return (CountInvisible ? 1 : 0) | (Running ? 2 : 0); }
    // Back to no records.
    void ResetValues();
    // `value` added to `target` by the item's kind: a Null target takes it, a Null value is left out.
    void Combine(Variant& target, const Variant& value) const;
};

class TpvrAggregateList : public TObject {
    KOV_CLASS(TpvrAggregateList, TObject)
public:
    explicit TpvrAggregateList(TpvrReport* report);
    ~TpvrAggregateList() override;

    void Clear();
    // Finds the aggregate calls of the page's footer-like bands, following the band links the
    // engine made: data bands with their footers, groups and details; the page footer, column
    // footer and report summary when the page has horizontal data bands.
    void CollectPage(TpvrReportPage* page);
    // Every item of the data band adds the current record.
    void AddValue(TpvrDataBand* dataBand, Integer vColumn);
    // Every item of the data band takes back its last addition.
    void Withdraw(TpvrDataBand* dataBand);
    // The value of the call made from a memo of `currentBand`; Null when no item matches.
    Variant GetAggregate(TpvrBand* currentBand, Integer vColumn, const String& name, const String& expression,
                         TpvrComponent* band, Integer flags);
    // The items held by the band start again, running ones with records excepted.
    void Reset(TpvrBand* band);
    void BeginPageKeep();
    void EndPageKeep();
    // Every item starts again, running ones too.
    void ClearValues();

    // The calls of one memo (its bracketed expressions), with `defaultBand` for calls without one.
    void ScanMemo(TpvrCustomMemoView* memo, TpvrDataBand* defaultBand);
    // The calls of one expression text.
    void ScanExpression(const String& text, TpvrCustomMemoView* memo, TpvrDataBand* defaultBand);

    Integer Count() const { return Integer(FItems.size()); }
    TpvrAggregateItem* Items(Integer index) const { return FItems[std::size_t(index)].get(); }

    TpvrReport* Report;

private:
    void ScanBandMemos(TpvrBand* band, TpvrDataBand* defaultBand);
    void CollectDataBand(TpvrDataBand* dataBand, bool vertical);
    void AddItem(const String& callText, TpvrCustomMemoView* memo, TpvrDataBand* defaultBand);

    std::vector<std::unique_ptr<TpvrAggregateItem>> FItems;
    // Variables whose values are being scanned, to stop one that refers to itself.
    std::vector<String> FScanning;
    // Parentheses and angle brackets being scanned, and how deep they may go.
    static constexpr Integer kMaxNesting = 256;
    Integer FDepth = 0;
};

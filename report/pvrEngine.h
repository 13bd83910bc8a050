// The engine that lays a report definition out into prepared pages: the run with one or two
// passes, report pages and page records, pages and columns, the bands reprinted on every page,
// keeping bands together, outline entries, and the output of bands with their data loops.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "report/pvrAggregate.h"
#include "report/pvrClass.h"
#include "report/pvrXML.h"

class TpvrCustomPreviewPages;
class TpvrPreviewPages;

// The bands reprinted at the top of every new page and column.
class TpvrHeaderListItem : public TObject {
    KOV_CLASS(TpvrHeaderListItem, TObject)
public:
    TpvrBand* Band = nullptr;
    Extended Left = 0;
    bool IsInKeepList = false;
};

class TpvrHeaderList : public TObject {
    KOV_CLASS(TpvrHeaderList, TObject)
public:
    TpvrHeaderList() = default;
    ~TpvrHeaderList() override;

    void Clear();
    Integer Count() const { return Integer(FItems.size()); }
    TpvrHeaderListItem* Items(Integer index) const { return FItems[std::size_t(index)].get(); }
    void AddItem(TpvrBand* band, Extended left, bool keep);
    // Takes the first item of that band out; nothing when there is none.
    void RemoveItem(TpvrBand* band);

private:
    std::vector<std::unique_ptr<TpvrHeaderListItem>> FItems;
};

class TpvrEngine : public TpvrCustomEngine {
    KOV_CLASS(TpvrEngine, TpvrCustomEngine)
public:
    explicit TpvrEngine(TpvrReport* report);
    ~TpvrEngine() override;

    void EndPage() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TpvrBand* band) override;
    void ShowBandOfClass(TClass bandClass) override;
    Extended GetFootersHeight() override;
    Extended FreeSpace() override;
    void GetAggregateValue(const String& name, const String& expression, Variant& result, TpvrComponent* band,
                           Integer flags) override;
    bool Run() override;
    Integer CurrentPageIndex() const override;
    Integer FirstPageIndex() const override;

    // Forwarded to the prepared pages' anchors.
    void AddAnchor(const String& text);
    Integer GetAnchorPage(const String& text);

    TpvrAggregateList* GetAggregates() const { return FAggregates.get(); }
    TpvrHeaderList* GetHeaderList() const { return FHeaderList.get(); }

private:
    struct TBandState {
        Integer Line = 0;
        Integer LineThrough = 0;
        Variant LastValue;
        bool Reprinted = false;
        bool HasVerticalCells = false;
        Integer ObjectCount = -1;
        Extended LowestBottom = 0;
    };

    TpvrCustomPreviewPages* Pages() const;
    TpvrPreviewPages* Store() const;
    TBandState& State(TpvrBand* band) { return FBandStates[band]; }
    TpvrDataSet* DataSetOf(TpvrDataBand* band) const;

    // ---- Run and pages ----
    bool InitializeRun();
    bool RunDialogs();
    void RunPages();
    void RunReportPages();
    void RunPage(TpvrReportPage* page);
    void RunPageRecord(TpvrReportPage* page);
    void BeginReportPage(TpvrReportPage* page);
    void StartPage();
    void ShowFooterBand(TpvrBand* band);
    void ShowColumnFooter(TpvrBand* band);
    void StartColumn();
    void StartKeep(TpvrBand* band, Integer position = 0);
    void EndKeep(TpvrBand* band);
    void AddPageOutline();
    void AddBandOutline(TpvrBand* band);
    TpvrBand* PageBand(TClass bandClass) const;
    Extended PageUnits(Extended millimetres) const;

    // ---- Band structure ----
    void PreparePageBands(TpvrReportPage* page, bool vertical);
    // Views of horizontal bands that lie across a vertical band move into it for the run.
    void MoveCrossCells(TpvrReportPage* page);
    void RestoreCrossCells();
    void BuildShiftLists(TpvrBand* band);
    bool HasData(TpvrComponent* owner, bool printIfEmpty);

    // ---- Band output ----
    void OutputBand(TpvrBand* band);
    // Places a prepared visible band: split, moved to a new column, copied or added to the page.
    void PlaceBand(TpvrBand* band, bool cross, const std::vector<Integer>& bounds);
    void PrepareBand(TpvrBand* band);
    void ShiftObjects(TpvrComponent* parent, Extended amount);
    void FinishBand(TpvrBand* band);
    void SplitBand(TpvrBand* band);
    void RunDataBands(TpvrComponent* owner);
    void ShowGroupHeaders(TpvrBand* first, Integer from, bool reset);
    void ShowGroupFooters(TpvrBand* first, Integer from);
    void CheckGroups(TpvrDataBand* band, TpvrBand* first, Extended& x, Integer& cutPosition);
    void NextDataColumn(TpvrDataBand* band, Integer& cutPosition, Extended& x);
    void SetDataColumn(TpvrDataBand* band, Integer column);
    void ClearRepeatedValues(TpvrBand* band);
    void NotifyObjects(TpvrBand* band);
    std::vector<TpvrBand*> GroupRun(TpvrBand* first) const;
    TpvrHeaderList* HeaderListOf(TpvrBand* band) const;

    // ---- Cross bands ----
    void StartVerticalBands(TpvrBand* cross);
    void RunVerticalDataBands(const std::vector<TpvrDataBand*>& bands);
    void ShowVerticalBand(TpvrBand* band);
    bool CrossBandIsRecord() const;
    void PrintCrossBand(TpvrBand* band);

    // ---- Subreports ----
    void RunSubreports(TpvrBand* band);
    void CollectSubreports(TpvrBand* band);
    void RunSubreportPage(TpvrReportPage* page);
    bool PageRunning(TpvrReportPage* page) const;
    // A copy of a band with its views, as a child of the collecting band.
    void CollectBand(TpvrBand* band);

    std::unique_ptr<TpvrAggregateList> FAggregates;
    std::unique_ptr<TpvrHeaderList> FHeaderList;
    std::unordered_map<TpvrBand*, TBandState> FBandStates;
    // Views below each band or view that move when it grows, and the growth of each view.
    std::unordered_map<TpvrComponent*, std::vector<TpvrComponent*>> FShiftLists;
    std::unordered_map<TpvrComponent*, Extended> FGrowth;

    bool FKeeping = false;
    TpvrBand* FKeepBand = nullptr;
    Integer FKeepPosition = 0;
    TpvrXMLItem* FKeepOutline = nullptr;
    bool FKeepFooter = false;
    bool FNoKeep = false;
    bool FIsFirstReportPage = false;
    bool FIsFirstPage = false;
    bool FIsLastPage = false;
    bool FCallFromEndPage = false;
    bool FHeadersPrinting = false;
    TpvrBand* FCurBand = nullptr;
    Extended FSubreportLeft = 0;
    TpvrReportPage* FPage = nullptr;
    TpvrBand* FPageBreakBand = nullptr;
    // Where the current page or column starts below its reprinted headers (the title, printed
    // once, does not count: a new page would give its room back).
    Extended FFreshY = 0;
    // Counts the pages started, so a page start learns that a band it printed went on to
    // another page (whose start then printed the rest of the headers).
    unsigned FPageStarts = 0;
    // Pages whose band output is running, so a page reached again is not entered twice.
    std::vector<TpvrReportPage*> FRunningPages;

    // Cross bands: the vertical headers reprinted after a segment break, the object counts of the
    // cross band where its segments start, the cross band whose cells are being collected, the
    // left it had, and whether a page is changed for another segment.
    std::unique_ptr<TpvrHeaderList> FVHeaderList;
    std::vector<Integer> FVBounds;
    TpvrBand* FCrossBand = nullptr;
    Extended FCrossX = 0;
    // The vertical column whose totals the aggregates being evaluated answer: the column of the
    // vertical data band whose cells are copied, 0 (the whole row or table) for any other cell.
    Integer FAggregateColumn = 0;
    bool FVPageChanged = false;
    // Views moved into vertical bands for the run, with each horizontal band's children as they
    // were before and the distance each view's left moved.
    std::vector<std::pair<TpvrBand*, std::vector<TpvrComponent*>>> FCrossBands;
    std::vector<std::pair<TpvrReportComponent*, Extended>> FCrossCells;

    // While set, the bands of subreports printed on their parent are copied into it.
    TpvrNullBand* FCollectingBand = nullptr;
};

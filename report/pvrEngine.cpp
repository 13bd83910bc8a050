#include "report/pvrEngine.h"

#include <algorithm>
#include <cmath>

#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "report/pvrDMPClass.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"

namespace {

constexpr Extended kTolerance = 0.0001L;

// Runs an action when the scope ends, also by an exception, unless dismissed.
template <class F> class TFinally {
public:
    explicit TFinally(F action) : FAction(std::move(action)) {}
    ~TFinally() {
        if (FActive) FAction();
    }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;
    void Dismiss() { FActive = false; }

private:
    F FAction;
    bool FActive = true;
};

bool IsDataBand(const TpvrComponent* band) {
    const Integer n = BandNumber(band);
    return n >= 6 && n <= 11 && band->InheritsFrom(TpvrDataBand::StaticClass());
}

bool IsGroupHeader(const TpvrComponent* band) {
    return band && band->InheritsFrom(TpvrGroupHeader::StaticClass());
}

bool IsFooterLike(const TpvrBand* band) {
    return band->InheritsFrom(TpvrFooter::StaticClass()) ||
           band->InheritsFrom(TpvrGroupFooter::StaticClass()) ||
           band->InheritsFrom(TpvrPageFooter::StaticClass()) ||
           band->InheritsFrom(TpvrReportSummary::StaticClass());
}

TpvrStretcheable* Stretchable(TpvrComponent* object) { return dynamic_cast<TpvrStretcheable*>(object); }

template <class T> std::vector<T*> ListOf(TList* list) {
    std::vector<T*> result;
    for (Integer i = 0; i < list->GetCount(); ++i)
        result.push_back(static_cast<T*>(list->Get(i)));
    return result;
}

} // namespace

// ---- Header list -------------------------------------------------------------------------------

TpvrHeaderList::~TpvrHeaderList() = default;

void TpvrHeaderList::Clear() { FItems.clear(); }

void TpvrHeaderList::AddItem(TpvrBand* band, Extended left, bool keep) {
    auto item = std::make_unique<TpvrHeaderListItem>();
    item->Band = band;
    item->Left = left;
    item->IsInKeepList = keep;
    FItems.push_back(std::move(item));
}

void TpvrHeaderList::RemoveItem(TpvrBand* band) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it)
        if ((*it)->Band == band) {
            FItems.erase(it);
            return;
        }
}

// ---- Engine ------------------------------------------------------------------------------------

TpvrEngine::TpvrEngine(TpvrReport* report)
    : TpvrCustomEngine(report), FAggregates(std::make_unique<TpvrAggregateList>(report)),
      FHeaderList(std::make_unique<TpvrHeaderList>()), FVHeaderList(std::make_unique<TpvrHeaderList>()) {}

TpvrEngine::~TpvrEngine() = default;

TpvrCustomPreviewPages* TpvrEngine::Pages() const {
    return static_cast<TpvrCustomPreviewPages*>(PreviewPages);
}

TpvrPreviewPages* TpvrEngine::Store() const { return dynamic_cast<TpvrPreviewPages*>(Pages()); }

Integer TpvrEngine::CurrentPageIndex() const { return Pages() ? Pages()->CurrentPage : 0; }

Integer TpvrEngine::FirstPageIndex() const { return Pages() ? Pages()->FirstPageIndex : 0; }

void TpvrEngine::AddAnchor(const String& text) {
    if (TpvrPreviewPages* store = Store()) store->AddAnchor(text);
}

Integer TpvrEngine::GetAnchorPage(const String& text) {
    TpvrPreviewPages* store = Store();
    return store ? store->GetAnchorPage(text) : 1;
}

TpvrDataSet* TpvrEngine::DataSetOf(TpvrDataBand* band) const {
    if (!band) return nullptr;
    if (band->GetDataSet()) return band->GetDataSet();
    return band->GetRowCount() > 0 ? band->GetVirtualDataSet() : nullptr;
}

TpvrBand* TpvrEngine::PageBand(TClass bandClass) const {
    return FPage ? dynamic_cast<TpvrBand*>(FPage->FindBand(bandClass)) : nullptr;
}

Extended TpvrEngine::PageUnits(Extended millimetres) const { return millimetres * pvrMillimetre; }

Extended TpvrEngine::GetFootersHeight() {
    Extended result = 0;
    if (TpvrBand* band = PageBand(TpvrColumnFooter::StaticClass())) result += band->GetHeight();
    if (TpvrBand* band = PageBand(TpvrPageFooter::StaticClass())) result += band->GetHeight();
    return result;
}

Extended TpvrEngine::FreeSpace() { return PageHeight - GetFootersHeight() - CurY; }

void TpvrEngine::GetAggregateValue(const String& name, const String& expression, Variant& result,
                                   TpvrComponent* band, Integer flags) {
    result = FAggregates->GetAggregate(FCurBand, FAggregateColumn, name, expression, band, flags);
}

// ---- The run -----------------------------------------------------------------------------------

bool TpvrEngine::InitializeRun() {
    Pages()->Initialize();
    StartDate = Date();
    StartTime = Time();
    Running = true;
    FKeeping = false;
    CurVColumn = 0;
    FAggregates->Clear();
    FBandStates.clear();
    FShiftLists.clear();
    FGrowth.clear();
    FRunningPages.clear();
    TStringList* errors = Report->GetErrors();
    FCrossBand = nullptr;
    FCollectingBand = nullptr;
    for (Integer i = 0; i < Report->PagesCount(); ++i)
        if (auto* page = dynamic_cast<TpvrReportPage*>(Report->Pages(i))) {
            PreparePageBands(page, false);
            PreparePageBands(page, true);
        }
    TpvrDataSet* reportData = Report->GetDataSet();
    for (Integer i = 0; i < Report->PagesCount(); ++i) {
        auto* page = dynamic_cast<TpvrReportPage*>(Report->Pages(i));
        if (!page) continue;
        if (reportData && reportData == page->GetDataSet()) {
            errors->Add("Cannot use the same dataset for Report.DataSet and Page.DataSet");
            break;
        }
        for (TpvrDataBand* band : ListOf<TpvrDataBand>(page->GetEngineList1())) {
            if (reportData && band->GetDataSet() == reportData) {
                errors->Add("Cannot use the same dataset for Report.DataSet and Band.DataSet");
                break;
            }
            if (page->GetDataSet() && band->GetDataSet() == page->GetDataSet()) {
                errors->Add("Cannot use the same dataset for Page.DataSet and Band.DataSet");
                break;
            }
        }
    }
    return errors->GetCount() == 0;
}

bool TpvrEngine::RunDialogs() {
    const String handler = Trim(Report->OnRunDialogs);
    if (!handler.empty()) {
        Variant args = VarArrayOf({Variant(true)});
        Report->RunScriptEventArgs(handler, args, true);
        return VarArrayGet(args, {0}).AsBoolean();
    }
    for (Integer i = 0; i < Report->PagesCount(); ++i) {
        auto* page = dynamic_cast<TpvrDialogPage*>(Report->Pages(i));
        if (!page || !page->GetVisible()) continue;
        bool hasControl = false;
        for (TpvrComponent* object : page->GetObjects())
            if (object->InheritsFrom(TpvrDialogControl::StaticClass())) hasControl = true;
        if (!hasControl) continue;
        if (OnDialog.Assigned()) {
            OnDialog(page);
            if (page->GetModalResult() == mrCancel) return false;
        } else if (page->ShowModal() == mrCancel) {
            return false;
        }
    }
    return true;
}

bool TpvrEngine::Run() {
    bool result = false;
    bool initialized = false;
    TFinally finish([&] {
        if (initialized) Report->RunScriptEvent(Report, Report->OnStopReport);
        Report->GetDataSets()->Finalize();
        Pages()->Finish();
        RestoreCrossCells();
        FCrossBand = nullptr;
        Running = false;
    });
    if (!InitializeRun()) return false;
    initialized = true;
    Report->GetDataSets()->Initialize();
    Report->RunScriptEvent(Report, Report->OnStartReport);
    if (!RunDialogs()) return false;
    for (Integer i = 0; i < Report->PagesCount(); ++i)
        if (auto* page = dynamic_cast<TpvrReportPage*>(Report->Pages(i))) {
            Pages()->AddSourcePage(page);
            FAggregates->CollectPage(page);
        }
    FinalPass = !GetDoublePass();
    TotalPages = 0;
    Pages()->SetRollbackPoint();
    RunPages();
    if (GetDoublePass()) {
        TotalPages = Pages()->GetCount();
        Pages()->Rollback();
        FAggregates->ClearValues();
        FinalPass = true;
        RunPages();
    }
    result = !Report->Terminated;
    return result;
}

void TpvrEngine::RunPages() {
    FIsFirstReportPage = true;
    TpvrDataSet* data = Report->GetDataSet();
    if (data) {
        data->First();
        while (!data->Eof() && !Report->Terminated) {
            RunReportPages();
            data->Next();
        }
    } else {
        RunReportPages();
    }
}

void TpvrEngine::RunReportPages() {
    for (Integer i = 0; i < Report->PagesCount(); ++i) {
        auto* page = dynamic_cast<TpvrReportPage*>(Report->Pages(i));
        if (!page) continue;
        FPage = page;
        if (page->GetVisible() && !page->IsSubreportPage()) RunPage(page);
        if (Report->Terminated) break;
        FIsFirstReportPage = false;
    }
}

void TpvrEngine::RunPage(TpvrReportPage* page) {
    FNoKeep = true;
    Report->CurObject = page->GetName();
    Report->RunScriptEvent(page, page->OnBeforePrint);
    if (TpvrDataSet* data = page->GetDataSet()) {
        data->First();
        while (!data->Eof() && !Report->Terminated) {
            RunPageRecord(page);
            data->Next();
        }
    } else {
        RunPageRecord(page);
    }
    Report->CurObject = page->GetName();
    Report->RunScriptEvent(page, page->OnAfterPrint);
}

void TpvrEngine::RunPageRecord(TpvrReportPage* page) {
    if (!HasData(page, Report->GetEngineOptions()->PrintIfEmpty)) return;
    FRunningPages.push_back(page);
    TFinally leave([&] { FRunningPages.pop_back(); });
    BeginReportPage(page);
    // The page's own objects, shown as one band over the whole page.
    {
        const Extended savedY = CurY;
        auto* null = new TpvrNullBand(nullptr);
        std::unique_ptr<TpvrNullBand> holder(null);
        null->SetWidth(PageWidth);
        null->SetHeight(PageHeight);
        std::vector<TpvrComponent*> moved;
        for (TpvrComponent* object : std::vector<TpvrComponent*>(page->GetObjects()))
            if (!object->InheritsFrom(TpvrBand::StaticClass()) &&
                object->InheritsFrom(TpvrReportComponent::StaticClass()) &&
                !object->InheritsFrom(TpvrDialogComponent::StaticClass())) {
                moved.push_back(object);
                object->SetParent(null);
            }
        TFinally restore([&] {
            for (TpvrComponent* object : moved)
                object->SetParent(page);
        });
        if (!moved.empty()) {
            null->AlignChildren();
            ShowBand(null);
        }
        CurY = savedY;
    }
    if (Report->OnManualBuild.Assigned())
        Report->OnManualBuild(page);
    else if (!Trim(page->OnManualBuild).empty())
        Report->RunScriptEvent(page, Trim(page->OnManualBuild), true);
    else
        RunDataBands(page);
    FIsLastPage = true;
    EndPage();
    FIsLastPage = false;
}

void TpvrEngine::BeginReportPage(TpvrReportPage* page) {
    FHeaderList->Clear();
    TpvrBand* title = PageBand(TpvrReportTitle::StaticClass());
    TpvrBand* header = PageBand(TpvrPageHeader::StaticClass());
    if (page->TitleBeforeHeader) {
        FHeaderList->AddItem(title, 0, false);
        FHeaderList->AddItem(header, 0, false);
    } else {
        FHeaderList->AddItem(header, 0, false);
        FHeaderList->AddItem(title, 0, false);
    }
    PageHeight = page->GetPaperHeight() * pvrMillimetre - page->TopMargin * pvrMillimetre -
                 page->BottomMargin * pvrMillimetre;
    PageWidth = page->GetPaperWidth() * pvrMillimetre - page->LeftMargin * pvrMillimetre -
                page->RightMargin * pvrMillimetre;
    CurX = 0;
    CurY = 0;
    CurColumn = 1;
    FSubreportLeft = 0;
    FIsFirstPage = true;
    FIsLastPage = false;
    if (Pages()->GetCount() > 0 && page->PrintOnPreviousPage) {
        Pages()->CurrentPage = Pages()->GetCount() - 1;
        CurY = Pages()->GetLastY();
        FHeaderList->RemoveItem(title);
        ShowBandOfClass(TpvrReportTitle::StaticClass());
    } else {
        StartPage();
    }
    if (FIsFirstReportPage) Pages()->FirstPageIndex = Pages()->CurrentPage;
    HeaderHeight = CurY;
    const Extended beforeColumnHeader = CurY;
    ShowBandOfClass(TpvrColumnHeader::StaticClass());
    FFreshY += CurY - beforeColumnHeader;
    FHeaderList->AddItem(PageBand(TpvrColumnHeader::StaticClass()), 0, false);
    FHeaderList->RemoveItem(title);
    Pages()->GetOutline()->LevelRoot();
    AddPageOutline();
}

void TpvrEngine::AddPageOutline() {
    if (!FPage || FPage->OutlineText.empty()) return;
    Report->CurObject = FPage->GetName();
    const String text = VarToStr(Report->Calc(FPage->OutlineText));
    Pages()->GetOutline()->LevelRoot();
    Pages()->GetOutline()->AddItem(text, 0);
}

void TpvrEngine::AddBandOutline(TpvrBand* band) {
    if (band->OutlineText.empty()) return;
    Report->CurObject = band->GetName();
    const String text = VarToStr(Report->Calc(band->OutlineText));
    Pages()->GetOutline()->AddItem(text, Integer(Round(CurY - band->GetHeight())));
}

void TpvrEngine::StartPage() {
    Pages()->AddPage(FPage);
    CurY = 0;
    if (auto* overlay = dynamic_cast<TpvrOverlay*>(PageBand(TpvrOverlay::StaticClass())))
        if (!overlay->PrintOnTop) ShowBand(overlay);
    CurY = 0;
    HeaderHeight = 0;
    FFreshY = 0;
    const unsigned start = ++FPageStarts;
    const Extended savedX = CurX;
    for (Integer i = 0; i < FHeaderList->Count(); ++i) {
        TpvrHeaderListItem* item = FHeaderList->Items(i);
        CurX = item->Left;
        TpvrBand* band = item->Band;
        if (!band || band == FPageBreakBand) continue;
        if (auto* header = dynamic_cast<TpvrPageHeader*>(band))
            if (FIsFirstPage && !header->PrintOnFirstPage) continue;
        if (item->IsInKeepList && FKeeping) continue;
        if (FVPageChanged && BandNumber(band) == 4) continue;
        TBandState& state = State(band);
        state.Reprinted = true;
        const Integer savedLine = CurLine;
        const Integer savedLineThrough = CurLineThrough;
        CurLine = state.Line;
        CurLineThrough = state.LineThrough;
        FHeadersPrinting = true;
        const bool title = band->InheritsFrom(TpvrReportTitle::StaticClass());
        if (title) item->Band = nullptr;
        if (band->InheritsFrom(TpvrPageHeader::StaticClass())) HeaderHeight = band->GetHeight();
        TFinally restore([&] {
            FHeadersPrinting = false;
            State(band).Reprinted = false;
            CurLine = savedLine;
            CurLineThrough = savedLineThrough;
        });
        const Extended before = CurY;
        ShowBand(band);
        // A band that did not fit went on to a new page, whose start printed the other headers.
        if (FPageStarts != start) break;
        if (!title) FFreshY += CurY - before;
    }
    CurX = savedX;
}

void TpvrEngine::EndPage() {
    if (FPage && FPage->GetColumns() > 1) {
        ShowColumnFooter(PageBand(TpvrColumnFooter::StaticClass()));
        if (!FIsLastPage) {
            CurX = FSubreportLeft;
            CurColumn = 1;
        }
    }
    ShowFooterBand(PageBand(TpvrColumnFooter::StaticClass()));
    if (FIsLastPage && !FCallFromEndPage) {
        FCallFromEndPage = true;
        TFinally guard([&] { FCallFromEndPage = false; });
        ShowBandOfClass(TpvrReportSummary::StaticClass());
    }
    if (TpvrBand* footer = PageBand(TpvrPageFooter::StaticClass())) {
        CurY = PageHeight - footer->GetHeight();
        ShowFooterBand(footer);
    }
    if (auto* overlay = dynamic_cast<TpvrOverlay*>(PageBand(TpvrOverlay::StaticClass())))
        if (overlay->PrintOnTop) {
            CurY = 0;
            ShowFooterBand(overlay);
        }
    FIsFirstPage = false;
}

void TpvrEngine::ShowFooterBand(TpvrBand* band) {
    if (!band) return;
    PrepareBand(band);
    TFinally finish([&] {
        FinishBand(band);
        FAggregates->Reset(band);
    });
    if (!band->GetVisible()) return;
    band->SetLeft(0);
    band->SetTop(CurY);
    if (auto* footer = dynamic_cast<TpvrPageFooter*>(band))
        if ((FIsFirstPage && !footer->PrintOnFirstPage) || (FIsLastPage && !footer->PrintOnLastPage)) {
            // Left out: its aggregates keep their values.
            FinishBand(band);
            finish.Dismiss();
            return;
        }
    if (!Pages()->BandExists(band)) Pages()->AddObject(band);
    CurY += band->GetHeight();
}

void TpvrEngine::ShowColumnFooter(TpvrBand* band) {
    if (!band) return;
    PrepareBand(band);
    if (band->GetVisible()) {
        band->SetLeft(CurX - FSubreportLeft);
        band->SetTop(CurY);
        Pages()->AddObject(band);
    }
    FinishBand(band);
    FAggregates->Reset(band);
}

void TpvrEngine::NewPage() {
    if (FKeeping) {
        if (FKeepFooter)
            if (auto* data = dynamic_cast<TpvrDataBand*>(FKeepBand)) FAggregates->Withdraw(data);
        Pages()->CutObjects(FKeepPosition);
    }
    EndPage();
    StartPage();
    if (FKeeping) {
        FAggregates->EndPageKeep();
        Pages()->PasteObjects(0, CurY);
        Pages()->GetOutline()->ShiftItems(FKeepOutline, Integer(Round(CurY)));
        CurY = Pages()->GetLastY();
        if (FKeepFooter)
            if (auto* data = dynamic_cast<TpvrDataBand*>(FKeepBand)) FAggregates->AddValue(data, 0);
    }
    FKeeping = false;
    AddPageOutline();
}

void TpvrEngine::NewColumn() {
    if (!FPage || CurColumn >= FPage->GetColumns()) {
        NewPage();
        return;
    }
    ShowColumnFooter(PageBand(TpvrColumnFooter::StaticClass()));
    StartColumn();
}

void TpvrEngine::StartColumn() {
    ++CurColumn;
    TStrings* positions = FPage->GetColumnPositions();
    Extended x = 0;
    if (CurColumn - 1 < positions->GetCount()) {
        Extended value = 0;
        if (TryStrToFloat(positions->GetStrings(CurColumn - 1), value)) x = value * pvrMillimetre;
    }
    CurY = HeaderHeight;
    for (Integer i = 0; i < FHeaderList->Count(); ++i) {
        TpvrHeaderListItem* item = FHeaderList->Items(i);
        TpvrBand* band = item->Band;
        if (!band || band->InheritsFrom(TpvrPageHeader::StaticClass())) continue;
        CurX = item->Left + x;
        std::vector<TpvrBand*> chain;
        for (TpvrBand* b = band; b && std::find(chain.begin(), chain.end(), b) == chain.end();
             b = b->GetChild()) {
            chain.push_back(b);
            b->SetLeft(CurX);
            b->SetTop(CurY);
            Pages()->AddObject(b);
            CurY += b->GetHeight();
            if (!(b->GetVisible() || b->PrintChildIfInvisible)) break;
        }
    }
    CurX = FSubreportLeft + x;
    FFreshY = CurY;
}

void TpvrEngine::ShowBandOfClass(TClass bandClass) { ShowBand(PageBand(bandClass)); }

void TpvrEngine::StartKeep(TpvrBand* band, Integer position) {
    if (FKeeping || FNoKeep) return;
    FKeeping = true;
    FKeepBand = band;
    FKeepPosition = position == 0 ? Pages()->GetCurPosition() : position;
    FKeepOutline = Pages()->GetOutline()->GetLastItem();
    FAggregates->BeginPageKeep();
}

void TpvrEngine::EndKeep(TpvrBand* band) {
    if (band != FKeepBand) return;
    FKeeping = false;
    FKeepBand = nullptr;
    FAggregates->EndPageKeep();
}

// ---- Band structure ----------------------------------------------------------------------------

void TpvrEngine::PreparePageBands(TpvrReportPage* page, bool vertical) {
    page->AlignChildren();
    TList* firstLevel = vertical ? page->GetEngineList2() : page->GetEngineList1();
    firstLevel->Clear();
    TStringList* errors = Report->GetErrors();
    auto error = [&](const char* key, TpvrBand* band) {
        errors->Add(GetResources()->Get(key) + " " + band->GetName());
    };
    std::vector<TpvrBand*> order;
    for (TpvrComponent* object : page->GetObjects()) {
        auto* band = dynamic_cast<TpvrBand*>(object);
        if (!band || band->Vertical != vertical) continue;
        BuildShiftLists(band);
        band->GetEngineList()->Clear();
        band->HeaderBand = nullptr;
        band->FooterBand = nullptr;
        band->FirstGroup = nullptr;
        State(band).HasVerticalCells = false;
        if (auto* data = dynamic_cast<TpvrDataBand*>(band))
            if (!data->GetDataSet() && data->GetRowCount() > 0) data->GetVirtualDataSet()->Initialize();
        const Integer n = BandNumber(band);
        if (n >= 4 && n <= 13) order.push_back(band);
    }
    if (!vertical) MoveCrossCells(page);
    if (vertical)
        std::stable_sort(order.begin(), order.end(),
                         [](TpvrBand* a, TpvrBand* b) { return a->GetLeft() < b->GetLeft(); });
    else
        std::stable_sort(order.begin(), order.end(),
                         [](TpvrBand* a, TpvrBand* b) { return a->GetTop() < b->GetTop(); });
    std::vector<bool> gone(order.size(), false);
    // Groups: runs of headers, each attached to the data band after it.
    for (std::size_t i = 0; i < order.size();) {
        if (!IsGroupHeader(order[i])) {
            ++i;
            continue;
        }
        TpvrBand* first = order[i];
        std::size_t j = i;
        while (j < order.size() && IsGroupHeader(order[j])) {
            first->GetEngineList()->Add(order[j]);
            ++j;
        }
        std::size_t k = j;
        while (k < order.size() && !IsDataBand(order[k]))
            ++k;
        if (k < order.size())
            order[k]->FirstGroup = first;
        else
            error("enUnconnGroup", first);
        i = j;
    }
    std::vector<TpvrBand*> matched;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (!order[i]->InheritsFrom(TpvrGroupFooter::StaticClass())) continue;
        for (std::size_t h = i; h-- > 0;) {
            if (gone[h] || !IsGroupHeader(order[h])) continue;
            order[h]->FooterBand = order[i];
            gone[h] = gone[i] = true;
            break;
        }
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (gone[i]) continue;
        if (IsGroupHeader(order[i]))
            gone[i] = true;
        else if (order[i]->InheritsFrom(TpvrGroupFooter::StaticClass())) {
            error("enUnconnGFooter", order[i]);
            gone[i] = true;
        }
    }
    // Headers and footers next to their data band.
    std::vector<std::size_t> live;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (!gone[i]) live.push_back(i);
    for (std::size_t p = 0; p < live.size(); ++p) {
        TpvrBand* band = order[live[p]];
        if (!IsDataBand(band)) continue;
        if (p > 0 && !gone[live[p - 1]] && BandNumber(order[live[p - 1]]) == 4) {
            band->HeaderBand = order[live[p - 1]];
            gone[live[p - 1]] = true;
        }
        if (p + 1 < live.size() && BandNumber(order[live[p + 1]]) == 5) {
            band->FooterBand = order[live[p + 1]];
            gone[live[p + 1]] = true;
        }
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Integer n = BandNumber(order[i]);
        if (!gone[i] && (n == 4 || n == 5)) {
            error("enUnconnHeader", order[i]);
            gone[i] = true;
        }
    }
    // Levels: master data bands and their details.
    std::function<void(TpvrDataBand*, std::size_t, Integer)> collect = [&](TpvrDataBand* owner,
                                                                           std::size_t pos, Integer level) {
        for (std::size_t j = pos + 1; j < order.size(); ++j) {
            if (gone[j] && !IsDataBand(order[j])) continue;
            const Integer n = BandNumber(order[j]);
            if (!IsDataBand(order[j])) continue;
            if (n <= level) break;
            if (n != level + 1 || gone[j]) continue;
            auto* detail = static_cast<TpvrDataBand*>(order[j]);
            if (DataSetOf(detail) && level < 11) owner->GetEngineList()->Add(detail);
            gone[j] = true;
            if (n < 11) collect(detail, j, n);
        }
    };
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (gone[i] || BandNumber(order[i]) != 6) continue;
        auto* master = static_cast<TpvrDataBand*>(order[i]);
        if (DataSetOf(master)) firstLevel->Add(master);
        gone[i] = true;
        collect(master, i, 6);
    }
    for (std::size_t i = 0; i < order.size(); ++i)
        if (!gone[i]) error("enBandPos", order[i]);
}

void TpvrEngine::MoveCrossCells(TpvrReportPage* page) {
    std::vector<TpvrBand*> verticals;
    for (TpvrComponent* object : page->GetObjects())
        if (auto* band = dynamic_cast<TpvrBand*>(object); band && band->Vertical) verticals.push_back(band);
    if (verticals.empty()) return;
    for (TpvrComponent* object : std::vector<TpvrComponent*>(page->GetObjects())) {
        auto* band = dynamic_cast<TpvrBand*>(object);
        if (!band || band->Vertical || band->InheritsFrom(TpvrOverlay::StaticClass())) continue;
        const std::vector<TpvrComponent*> children = band->GetObjects();
        bool moved = false;
        for (TpvrComponent* child : children) {
            auto* view = dynamic_cast<TpvrView*>(child);
            if (!view) continue;
            for (TpvrBand* column : verticals) {
                if (!(column->GetLeft() - kTolerance <= view->GetLeft() &&
                      view->GetLeft() + view->GetWidth() <=
                          column->GetLeft() + column->GetWidth() + kTolerance))
                    continue;
                if (!moved) FCrossBands.emplace_back(band, children);
                moved = true;
                view->SetParent(column);
                view->CrossBand = band;
                view->SetLeft(view->GetLeft() - column->GetLeft());
                FCrossCells.emplace_back(view, column->GetLeft());
                break;
            }
        }
        if (!moved) continue;
        State(band).HasVerticalCells = true;
        // The views left on the band shift among themselves only.
        for (TpvrComponent* child : children)
            FShiftLists.erase(child);
        FShiftLists.erase(band);
        BuildShiftLists(band);
    }
}

void TpvrEngine::RestoreCrossCells() {
    for (auto& [view, shift] : FCrossCells) {
        view->SetLeft(view->GetLeft() + shift);
        view->CrossBand = nullptr;
    }
    for (auto& [band, children] : FCrossBands) {
        for (TpvrComponent* child : children)
            child->SetParent(nullptr);
        for (TpvrComponent* child : children)
            child->SetParent(band);
    }
    FCrossCells.clear();
    FCrossBands.clear();
}

void TpvrEngine::BuildShiftLists(TpvrBand* band) {
    if (!FShiftLists[band].empty()) return;
    struct TElement {
        TpvrComponent* Object;
        Extended Left, Top, Width, Height;
    };
    std::vector<TElement> elements;
    elements.push_back({band, 0, -2, band->GetWidth(), 1});
    std::vector<TElement> views;
    for (TpvrComponent* object : band->GetObjects())
        if (object->InheritsFrom(TpvrView::StaticClass()))
            views.push_back(
                {object, object->GetLeft(), object->GetTop(), object->GetWidth(), object->GetHeight()});
    std::stable_sort(views.begin(), views.end(),
                     [](const TElement& a, const TElement& b) { return a.Top < b.Top; });
    elements.insert(elements.end(), views.begin(), views.end());
    auto overlap = [](const TElement& a, const TElement& b) {
        return !(a.Left >= b.Left + b.Width - kTolerance || b.Left >= a.Left + a.Width - kTolerance);
    };
    for (std::size_t a = 0; a < elements.size(); ++a) {
        std::vector<TpvrComponent*>& list = FShiftLists[elements[a].Object];
        if (a > 0) list.clear();
        for (std::size_t b = a + 1; b < elements.size(); ++b) {
            const TElement& A = elements[a];
            const TElement& B = elements[b];
            if (!(B.Top - (A.Top + A.Height) > -kTolerance) || !overlap(A, B)) continue;
            bool blocked = false;
            for (std::size_t c = a + 1; c < b && !blocked; ++c) {
                const TElement& C = elements[c];
                blocked = A.Top + kTolerance < C.Top && C.Top < B.Top - kTolerance && overlap(C, B);
            }
            if (!blocked) list.push_back(B.Object);
        }
    }
}

bool TpvrEngine::HasData(TpvrComponent* owner, bool printIfEmpty) {
    if (printIfEmpty) return true;
    std::vector<TpvrDataBand*> bands;
    bool result;
    if (auto* page = dynamic_cast<TpvrReportPage*>(owner)) {
        bands = ListOf<TpvrDataBand>(page->GetEngineList1());
        result = false;
    } else {
        auto* band = static_cast<TpvrDataBand*>(owner);
        bands = ListOf<TpvrDataBand>(band->GetEngineList());
        result = bands.empty();
    }
    for (TpvrDataBand* band : bands) {
        TpvrDataSet* data = DataSetOf(band);
        if (!data) continue;
        Report->CurObject = band->GetName();
        Report->RunScriptEvent(band, band->OnMasterDetail);
        data->First();
        while (!data->Eof() && !Report->Terminated) {
            if (HasData(band, band->PrintIfDetailEmpty)) {
                result = true;
                break;
            }
            data->Next();
        }
    }
    return result;
}

// ---- Band output -------------------------------------------------------------------------------

void TpvrEngine::ShowBand(TpvrBand* band) {
    if (!band) return;
    // A child chain that comes back to a band already in it ends there.
    static thread_local std::vector<TpvrBand*> chain;
    if (std::find(chain.begin(), chain.end(), band) != chain.end()) return;
    chain.push_back(band);
    TFinally pop([&] { chain.pop_back(); });
    if (band->KeepChild) StartKeep(band);
    OutputBand(band);
    if (TpvrChild* child = band->GetChild())
        if (band->GetVisible() || band->PrintChildIfInvisible) ShowBand(child);
    if (band->KeepChild) EndKeep(band);
    if (auto* data = dynamic_cast<TpvrDataBand*>(band))
        if (!data->Vertical || CrossBandIsRecord()) FAggregates->AddValue(data, 0);
}

void TpvrEngine::OutputBand(TpvrBand* band) {
    const bool cross = !band->Vertical && State(band).HasVerticalCells;
    std::vector<Integer> bounds;
    if (cross) {
        FCrossX = CurX;
        Report->CurObject = band->GetName();
        band->BeforePrint();
        Report->FireBeforePrint(band);
        // The band's own views keep their bounds and texts through the run of its cells.
        for (TpvrComponent* object : band->GetObjects())
            if (auto* view = dynamic_cast<TpvrReportComponent*>(object)) {
                Report->CurObject = view->GetName();
                view->BeforePrint();
            }
        StartVerticalBands(band);
        CurX = 0;
        Pages()->AddMode = Append;
        bounds = FVBounds;
    }
    if (band->Vertical) {
        ShowVerticalBand(band);
        return;
    }
    if (!FHeadersPrinting && band->GetVisible() && band->StartNewPage && !FCollectingBand) {
        const bool counted = IsDataBand(band) || IsGroupHeader(band);
        if (!counted || State(band).LineThrough != 1) {
            FPageBreakBand = band;
            TFinally clear([&] { FPageBreakBand = nullptr; });
            NewPage();
        }
    }
    {
        PrepareBand(band);
        TFinally finish([&] { FinishBand(band); });
        if (band->GetVisible()) PlaceBand(band, cross, bounds);
    }
    if (IsFooterLike(band)) FAggregates->Reset(band);
    if (band->GetVisible()) RunSubreports(band);
}

void TpvrEngine::PlaceBand(TpvrBand* band, bool cross, const std::vector<Integer>& bounds) {
    {
        auto* data = dynamic_cast<TpvrDataBand*>(band);
        const bool columns = data && data->Columns > 1;
        const bool isNull = band->InheritsFrom(TpvrNullBand::StaticClass());
        bool split = false;
        if (!columns && !isNull && !band->InheritsFrom(TpvrOverlay::StaticClass()) &&
            FreeSpace() < band->GetHeight() && !FCollectingBand) {
            // A cross band is never split: its cells stand side by side over pages.
            if (band->AllowSplit && !cross) {
                SplitBand(band);
                split = true;
            } else if (CurY > FFreshY + kTolerance) {
                // On a fresh page or column a new one has no more room: the band runs past the bottom.
                NewColumn();
            }
        }
        if (!split) {
            if (!isNull) {
                if (columns)
                    band->SetLeft(band->GetLeft() + CurX);
                else
                    band->SetLeft(CurX);
                band->SetTop(CurY);
            }
            if (FCollectingBand) {
                CollectBand(band);
            } else if (cross) {
                FVBounds = bounds;
                PrintCrossBand(band);
            } else if (FHeadersPrinting) {
                if (!Pages()->BandExists(band)) Pages()->AddObject(band);
            } else {
                Pages()->AddObject(band);
            }
            CurY += band->GetHeight();
        }
    }
}

void TpvrEngine::PrepareBand(TpvrBand* band) {
    FCurBand = band;
    BuildShiftLists(band);
    // A cross band had its before-print events when its cells were collected; the cells copied
    // into it already hold their data.
    const bool cross = band == FCrossBand;
    const Integer ownViews = cross ? State(band).ObjectCount : band->ObjectCount();
    if (!cross) {
        Report->CurObject = band->GetName();
        band->BeforePrint();
        Report->FireBeforePrint(band);
    }
    const std::vector<TpvrComponent*> views = band->GetObjects();
    bool grew = false;
    bool subreports = false;
    for (std::size_t i = 0; i < views.size(); ++i) {
        auto* view = dynamic_cast<TpvrReportComponent*>(views[i]);
        if (!view) continue;
        if (auto* subreport = dynamic_cast<TpvrSubreport*>(view))
            if (subreport->PrintOnParent) subreports = true;
        if (!cross) {
            Report->CurObject = view->GetName();
            view->BeforePrint();
        }
        if (!band->GetVisible()) continue;
        Report->CurObject = view->GetName();
        Report->FireBeforePrint(view);
        if (!view->GetVisible()) continue;
        if (Integer(i) < ownViews) {
            view->GetData();
            Report->RunScriptEvent(view, view->OnAfterData);
        }
        TpvrStretcheable* stretch = Stretchable(view);
        FGrowth[view] = 0;
        if (stretch && stretch->StretchMode != smDontStretch) {
            const Extended h = stretch->CalcHeight();
            if (h > stretch->GetHeight()) {
                FGrowth[view] = h - stretch->GetHeight();
                stretch->SetHeight(h);
                grew = true;
            }
        }
    }
    if (!band->GetVisible()) return;
    if (grew) ShiftObjects(band, 0);
    if (subreports) {
        CollectSubreports(band);
        FCurBand = band;
    }
    // A dot-matrix text's bottom frame line takes a line of its own below the text.
    Extended lowest = 0;
    TpvrComponent* lowestView = nullptr;
    for (TpvrComponent* object : band->GetObjects())
        if (object->InheritsFrom(TpvrView::StaticClass()) &&
            object->GetTop() + object->GetHeight() > lowest) {
            lowest = object->GetTop() + object->GetHeight();
            lowestView = object;
        }
    lowest += DMPBottomLineExtra(lowestView);
    if (band->Stretched) band->SetHeight(lowest);
    Report->CurObject = band->GetName();
    Report->RunScriptEvent(band, band->OnAfterCalcHeight);
    for (TpvrComponent* object : band->GetObjects())
        if (TpvrStretcheable* stretch = Stretchable(object))
            if (stretch->StretchMode == smMaxHeight)
                stretch->SetHeight(lowest - stretch->GetTop() - DMPBottomLineExtra(stretch));
}

void TpvrEngine::ShiftObjects(TpvrComponent* parent, Extended amount) {
    auto found = FShiftLists.find(parent);
    if (found == FShiftLists.end()) return;
    const std::vector<TpvrComponent*> list = found->second;
    const bool parentIsBand = parent->InheritsFrom(TpvrBand::StaticClass());
    for (TpvrComponent* object : list) {
        auto* view = dynamic_cast<TpvrView*>(object);
        if (!view) continue;
        const Extended growth = FGrowth[view];
        Extended passed = amount + growth;
        switch (view->ShiftMode) {
        case smAlways:
            view->SetTop(view->GetTop() + amount);
            break;
        case smWhenOverlapped:
            if (parentIsBand || view->GetTop() >= parent->GetTop() + parent->GetHeight()) {
                passed = growth;
            } else {
                const Extended bottom = parent->GetTop() + parent->GetHeight();
                passed = bottom - view->GetTop() + growth;
                view->SetTop(bottom);
            }
            break;
        case smDontShift:
            break;
        }
        ShiftObjects(view, passed);
        FGrowth[view] = 0;
    }
}

void TpvrEngine::FinishBand(TpvrBand* band) {
    const std::vector<TpvrComponent*> views = band->GetObjects();
    if (band->GetVisible())
        for (TpvrComponent* object : views) {
            Report->CurObject = object->GetName();
            Report->FireAfterPrint(object);
        }
    for (TpvrComponent* object : views)
        if (auto* view = dynamic_cast<TpvrReportComponent*>(object)) view->AfterPrint();
    Report->CurObject = band->GetName();
    Report->FireAfterPrint(band);
    band->AfterPrint();
    TBandState& state = State(band);
    if (state.ObjectCount >= 0) {
        while (band->ObjectCount() > state.ObjectCount)
            delete band->GetObjects().back();
        state.ObjectCount = -1;
    }
}

void TpvrEngine::SplitBand(TpvrBand* band) {
    const std::vector<TpvrComponent*> all = band->GetObjects();
    std::vector<TpvrComponent*> remaining;
    std::unordered_map<TpvrComponent*, Extended> remainingHeight;
    for (TpvrComponent* object : all) {
        object->SetParent(nullptr);
        if (object->ClassNameIs("TpvrSubreport")) continue;
        remaining.push_back(object);
        if (TpvrStretcheable* stretch = Stretchable(object)) {
            stretch->InitPart();
            remainingHeight[object] = stretch->GetHeight();
        }
    }
    TFinally restore([&] {
        for (TpvrComponent* object : std::vector<TpvrComponent*>(band->GetObjects()))
            object->SetParent(nullptr);
        for (TpvrComponent* object : all)
            object->SetParent(band);
    });
    auto overlapsBelow = [](TpvrComponent* q, TpvrComponent* v) {
        return v != q && v->GetTop() >= q->GetTop() + q->GetHeight() - kTolerance &&
               !(q->GetLeft() >= v->GetLeft() + v->GetWidth() - kTolerance ||
                 v->GetLeft() >= q->GetLeft() + q->GetWidth() - kTolerance);
    };
    Extended space = FreeSpace();
    while (!remaining.empty()) {
        const bool fresh = CurY <= FFreshY + kTolerance;
        std::vector<TpvrComponent*> moved;
        const std::vector<TpvrComponent*> pass = remaining;
        auto moveBelow = [&](TpvrComponent* q, Extended by) {
            for (TpvrComponent* v : remaining)
                if (overlapsBelow(q, v) && std::find(moved.begin(), moved.end(), v) == moved.end()) {
                    v->SetTop(v->GetTop() + by);
                    moved.push_back(v);
                }
        };
        auto place = [&](TpvrComponent* q) {
            q->SetParent(band);
            remaining.erase(std::find(remaining.begin(), remaining.end(), q));
        };
        for (TpvrComponent* q : pass) {
            TpvrStretcheable* stretch = Stretchable(q);
            if (q->GetTop() + q->GetHeight() <= space) {
                place(q);
                if (stretch) stretch->DrawPart();
            } else if (stretch && q->GetTop() < space) {
                const Extended full = remainingHeight[q];
                stretch->SetHeight(space - q->GetTop());
                const Extended d = stretch->DrawPart();
                moveBelow(q, d);
                if (std::fabs(double(d - stretch->GetHeight())) < double(kTolerance)) {
                    stretch->SetTop(space);
                    stretch->SetHeight(full);
                } else {
                    // The printed part goes into the band; the rest stays for the next page.
                    q->SetParent(band);
                    remainingHeight[q] = full - stretch->GetHeight() + d;
                }
            } else if (q->GetTop() < space) {
                moveBelow(q, space - q->GetTop());
                q->SetTop(space);
            }
        }
        // On a fresh page nothing more room will come: the first view left is placed whole.
        if (fresh && band->ObjectCount() == 0 && !remaining.empty()) {
            TpvrComponent* q = remaining.front();
            if (q->GetTop() >= space) q->SetTop(0);
            if (Stretchable(q)) q->SetHeight(remainingHeight[q]);
            place(q);
        }
        Extended height = 0;
        for (TpvrComponent* object : band->GetObjects())
            height = std::max(height, object->GetTop() + object->GetHeight());
        band->SetHeight(std::max<Extended>(height, 0));
        if (remaining.empty())
            for (TpvrComponent* object : band->GetObjects()) {
                if (object->GetAlignCode() == baBottom)
                    object->SetTop(band->GetHeight() - object->GetHeight());
                if (TpvrStretcheable* stretch = Stretchable(object))
                    if (stretch->StretchMode == smMaxHeight)
                        stretch->SetHeight(band->GetHeight() - stretch->GetTop());
            }
        band->SetLeft(CurX);
        band->SetTop(CurY);
        Pages()->AddObject(band);
        if (!remaining.empty())
            NewColumn();
        else
            CurY += band->GetHeight();
        for (TpvrComponent* object : std::vector<TpvrComponent*>(band->GetObjects()))
            object->SetParent(nullptr);
        for (TpvrComponent* q : remaining) {
            q->SetTop(q->GetTop() - space);
            if (TpvrStretcheable* stretch = Stretchable(q)) {
                if (stretch->GetTop() < 0) stretch->SetTop(0);
                stretch->SetHeight(remainingHeight[q]);
            }
        }
        space = FreeSpace();
    }
}

TpvrHeaderList* TpvrEngine::HeaderListOf(TpvrBand* band) const {
    return band && band->Vertical ? FVHeaderList.get() : FHeaderList.get();
}

std::vector<TpvrBand*> TpvrEngine::GroupRun(TpvrBand* first) const {
    std::vector<TpvrBand*> run = ListOf<TpvrBand>(first->GetEngineList());
    if (run.empty()) run.push_back(first);
    return run;
}

void TpvrEngine::ClearRepeatedValues(TpvrBand* band) {
    for (TpvrComponent* object : band->GetObjects())
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(object)) memo->ClearRepeatedValue();
}

void TpvrEngine::NotifyObjects(TpvrBand* band) {
    TList* list = GetNotifyList();
    for (Integer i = 0; i < list->GetCount(); ++i)
        static_cast<TpvrComponent*>(list->Get(i))->NotifyBand(band);
}

void TpvrEngine::SetDataColumn(TpvrDataBand* band, Integer column) {
    // A vertical band has no columns; its left says which cells it takes.
    if (band->Vertical) return;
    band->SetCurColumn(column);
    if (band->GetCurColumn() == 1) State(band).LowestBottom = 0;
}

void TpvrEngine::NextDataColumn(TpvrDataBand* band, Integer& cutPosition, Extended& x) {
    if (band->Columns < 2) return;
    TBandState& state = State(band);
    state.LowestBottom = std::max(state.LowestBottom, CurY);
    if (band->GetCurColumn() < band->Columns) {
        CurY = x;
    } else if (state.LowestBottom <= PageHeight - GetFootersHeight()) {
        CurY = state.LowestBottom;
    } else if (FKeeping) {
        NewColumn();
    } else {
        Pages()->CutObjects(cutPosition);
        NewColumn();
        Pages()->PasteObjects(CurX, CurY);
        CurY += state.LowestBottom - x;
    }
    if (band->GetVisible()) SetDataColumn(band, band->GetCurColumn() + 1);
}

void TpvrEngine::ShowGroupHeaders(TpvrBand* first, Integer from, bool reset) {
    const std::vector<TpvrBand*> run = GroupRun(first);
    for (std::size_t i = std::size_t(from); i < run.size(); ++i) {
        auto* header = static_cast<TpvrGroupHeader*>(run[i]);
        TBandState& state = State(header);
        if (reset) {
            state.Line = 1;
            state.LineThrough = 1;
            ClearRepeatedValues(header);
        } else {
            state.Line += 1;
            if (i + 1 < run.size()) State(run[i + 1]).Line = 0;
            state.LineThrough += 1;
        }
        CurLine = state.Line;
        CurLineThrough = state.LineThrough;
        Report->CurObject = header->GetName();
        state.LastValue = Report->Calc(header->Condition);
        if (header->KeepTogether) StartKeep(header);
        ShowBand(header);
        AddBandOutline(header);
        if (header->ReprintOnNewPage) HeaderListOf(header)->AddItem(header, FSubreportLeft, FKeeping);
    }
}

void TpvrEngine::ShowGroupFooters(TpvrBand* first, Integer from) {
    const std::vector<TpvrBand*> run = GroupRun(first);
    for (Integer i = Integer(run.size()) - 1; i >= from; --i) {
        auto* header = static_cast<TpvrGroupHeader*>(run[std::size_t(i)]);
        ShowBand(header->FooterBand);
        if (!header->OutlineText.empty()) Pages()->GetOutline()->LevelUp();
        HeaderListOf(header)->RemoveItem(header);
        if (header->KeepTogether) EndKeep(header);
    }
}

void TpvrEngine::CheckGroups(TpvrDataBand* band, TpvrBand* first, Extended& x, Integer& cutPosition) {
    const std::vector<TpvrBand*> run = GroupRun(first);
    for (std::size_t i = 0; i < run.size(); ++i) {
        auto* header = static_cast<TpvrGroupHeader*>(run[i]);
        Report->CurObject = header->GetName();
        const Variant value = Report->Calc(header->Condition);
        bool same = false;
        try {
            same = value == State(header).LastValue;
        } catch (const Exception&) {
            same = false;
        }
        if (same) continue;
        SetDataColumn(band, band->Columns);
        NextDataColumn(band, cutPosition, x);
        TpvrDataSet* data = DataSetOf(band);
        bool stepped = false;
        try {
            data->Prior();
            stepped = true;
        } catch (const Exception&) {
        }
        ShowGroupFooters(first, Integer(i));
        if (stepped) data->Next();
        ShowGroupHeaders(first, Integer(i), false);
        State(band).Line = 1;
        ClearRepeatedValues(band);
        break;
    }
}

void TpvrEngine::RunDataBands(TpvrComponent* owner) {
    Application->ProcessMessages();
    if (Report->Terminated) return;
    Extended x = CurY;
    Integer cutPosition = 0;
    Integer footerPosition = 0;
    std::vector<TpvrDataBand*> bands;
    if (auto* page = dynamic_cast<TpvrReportPage*>(owner))
        bands = ListOf<TpvrDataBand>(page->GetEngineList1());
    else
        bands = ListOf<TpvrDataBand>(static_cast<TpvrBand*>(owner)->GetEngineList());
    for (TpvrDataBand* r : bands) {
        TpvrDataSet* data = DataSetOf(r);
        if (!data) continue;
        data->First();
        TBandState& rs = State(r);
        rs.Line = 1;
        rs.LineThrough = 1;
        SetDataColumn(r, 1);
        ClearRepeatedValues(r);
        bool first = true;
        bool shown = false;
        while (!data->Eof()) {
            if (HasData(r, r->PrintIfDetailEmpty)) {
                shown = true;
                if (first) {
                    if (r->KeepTogether) StartKeep(r);
                    if (r->KeepHeader && r->HeaderBand) StartKeep(r);
                    if (r->HeaderBand)
                        if (auto* header = dynamic_cast<TpvrHeader*>(r->HeaderBand))
                            if (header->ReprintOnNewPage)
                                FHeaderList->AddItem(header, FSubreportLeft, FKeeping);
                    ShowBand(r->HeaderBand);
                } else if (!r->FirstGroup && r->KeepTogether) {
                    StartKeep(r);
                }
                if (r->FirstGroup) {
                    if (first)
                        ShowGroupHeaders(r->FirstGroup, 0, true);
                    else
                        CheckGroups(r, r->FirstGroup, x, cutPosition);
                }
                if (r->KeepFooter) footerPosition = Pages()->GetCurPosition();
                if (r->Columns > 1 && r->GetCurColumn() == 1) cutPosition = Pages()->GetCurPosition();
                const Extended y = CurY;
                CurLine = State(r).Line;
                CurLineThrough = State(r).LineThrough;
                ShowBand(r);
                NotifyObjects(r);
                if (first && r->KeepHeader && r->HeaderBand) EndKeep(r);
                State(r).Line += 1;
                State(r).LineThrough += 1;
                x = y;
                NextDataColumn(r, cutPosition, x);
                AddBandOutline(r);
                RunDataBands(r);
                if (!r->OutlineText.empty()) Pages()->GetOutline()->LevelUp();
                first = false;
            }
            FNoKeep = false;
            if (r->FooterAfterEach) ShowBand(r->FooterBand);
            if (!r->FirstGroup && r->KeepTogether) EndKeep(r);
            data->Next();
            const Integer rowCount = r->GetRowCount();
            if (!((rowCount == 0 || rowCount >= State(r).Line) && !Report->Terminated)) break;
        }
        SetDataColumn(r, r->Columns);
        NextDataColumn(r, cutPosition, x);
        if (shown) {
            if (r->FirstGroup) ShowGroupFooters(r->FirstGroup, 0);
            if (!r->FooterAfterEach) {
                if (r->KeepFooter) StartKeep(r, footerPosition);
                FKeepFooter = true;
                ShowBand(r->FooterBand);
                if (r->KeepFooter) EndKeep(r);
                FKeepFooter = false;
            }
            if (r->HeaderBand) FHeaderList->RemoveItem(r->HeaderBand);
            if (r->FirstGroup && r->KeepTogether) EndKeep(r);
        }
        if (Report->Terminated) break;
        FNoKeep = false;
    }
}

// ---- Cross bands -------------------------------------------------------------------------------

void TpvrEngine::StartVerticalBands(TpvrBand* cross) {
    FCrossBand = cross;
    State(cross).ObjectCount = cross->ObjectCount();
    FVHeaderList->Clear();
    FVBounds.assign(1, 0);
    CurVColumn = 0;
    if (auto* page = dynamic_cast<TpvrReportPage*>(cross->Page()))
        RunVerticalDataBands(ListOf<TpvrDataBand>(page->GetEngineList2()));
    FVBounds.push_back(cross->ObjectCount());
}

void TpvrEngine::RunVerticalDataBands(const std::vector<TpvrDataBand*>& bands) {
    for (TpvrDataBand* r : bands) {
        TpvrDataSet* data = DataSetOf(r);
        if (!data) continue;
        data->First();
        State(r).Line = 1;
        State(r).LineThrough = 1;
        SetDataColumn(r, 1);
        ClearRepeatedValues(r);
        Extended x = 0;
        Integer cutPosition = 0;
        bool first = true;
        while (!data->Eof()) {
            if (first && r->HeaderBand) {
                ShowBand(r->HeaderBand);
                if (auto* header = dynamic_cast<TpvrHeader*>(r->HeaderBand))
                    if (header->ReprintOnNewPage) FVHeaderList->AddItem(header, 0, false);
            }
            if (r->FirstGroup) {
                if (first)
                    ShowGroupHeaders(r->FirstGroup, 0, true);
                else
                    CheckGroups(r, r->FirstGroup, x, cutPosition);
            }
            CurLine = State(r).Line;
            CurLineThrough = State(r).LineThrough;
            ShowBand(r);
            NotifyObjects(r);
            State(r).Line += 1;
            State(r).LineThrough += 1;
            RunVerticalDataBands(ListOf<TpvrDataBand>(r->GetEngineList()));
            if (r->FooterAfterEach) ShowBand(r->FooterBand);
            first = false;
            data->Next();
            const Integer rowCount = r->GetRowCount();
            if ((rowCount != 0 && rowCount < State(r).Line) || Report->Terminated) break;
        }
        if (!first) {
            if (r->FirstGroup) ShowGroupFooters(r->FirstGroup, 0);
            if (r->HeaderBand) FVHeaderList->RemoveItem(r->HeaderBand);
            if (!r->FooterAfterEach) ShowBand(r->FooterBand);
        }
        if (Report->Terminated) break;
    }
}

void TpvrEngine::ShowVerticalBand(TpvrBand* band) {
    TpvrBand* cross = FCrossBand;
    if (!cross) return;
    auto* data = IsDataBand(band) ? static_cast<TpvrDataBand*>(band) : nullptr;
    const bool footer =
        band->InheritsFrom(TpvrFooter::StaticClass()) || band->InheritsFrom(TpvrGroupFooter::StaticClass());
    if (data) ++CurVColumn;
    // A footer's cells total the row they stand in; in a footer-like row (the corner of a
    // summary and a row-total column, say) they total for that row like its other cells.
    TpvrBand* aggregateBand = footer && !IsFooterLike(cross) ? band : cross;
    FCurBand = aggregateBand;
    const Integer outerColumn = FAggregateColumn;
    FAggregateColumn = data ? CurVColumn : 0;
    TFinally restoreColumn([&] { FAggregateColumn = outerColumn; });
    Report->CurObject = band->GetName();
    band->BeforePrint();
    Report->FireBeforePrint(band);
    if (band->GetVisible()) {
        // A segment that holds cells already ends at the page's right edge; an empty one takes
        // the band however wide it is.
        if (CurX > kTolerance && CurX + band->GetWidth() > PageWidth) {
            CurX = 0;
            FVBounds.push_back(cross->ObjectCount());
            std::vector<TpvrBand*> headers;
            for (Integer i = 0; i < FVHeaderList->Count(); ++i)
                headers.push_back(FVHeaderList->Items(i)->Band);
            for (TpvrBand* header : headers)
                ShowBand(header);
            FCurBand = aggregateBand;
        }
        for (TpvrComponent* object : std::vector<TpvrComponent*>(band->GetObjects())) {
            auto* cell = dynamic_cast<TpvrReportComponent*>(object);
            if (!cell || cell->CrossBand != cross) continue;
            Report->CurObject = cell->GetName();
            cell->BeforePrint();
            Report->FireBeforePrint(cell);
            if (cell->GetVisible()) {
                cell->GetData();
                Report->RunScriptEvent(cell, cell->OnAfterData);
            }
            auto* copy = static_cast<TpvrReportComponent*>(cell->ClassType()->Create(cross));
            copy->Assign(cell);
            copy->Alias = cell->Alias;
            copy->SourceObject = cell->SourceObject;
            copy->SetLeft(cell->GetLeft() + CurX);
            cell->AfterPrint();
        }
        CurX += band->GetWidth();
    }
    Report->CurObject = band->GetName();
    Report->FireAfterPrint(band);
    band->AfterPrint();
    if (data && CrossBandIsRecord()) FAggregates->AddValue(data, CurVColumn);
    if (footer) FAggregates->Reset(band);
}

// Only a data row's cells are records of the table: a header's, a footer's or a summary's cells
// run the vertical data bands again, and adding them would count the row's data once more.
bool TpvrEngine::CrossBandIsRecord() const { return FCrossBand && IsDataBand(FCrossBand); }

void TpvrEngine::PrintCrossBand(TpvrBand* band) {
    const Integer page = Pages()->CurrentPage;
    const Extended y = CurY;
    const std::vector<TpvrComponent*> views = band->GetObjects();
    const std::vector<Integer> bounds = FVBounds;
    const Extended crossX = FCrossX;
    Pages()->AddMode = WriteOver;
    TFinally restore([&] {
        for (TpvrComponent* view : std::vector<TpvrComponent*>(band->GetObjects()))
            view->SetParent(nullptr);
        for (TpvrComponent* view : views)
            view->SetParent(band);
        FVPageChanged = false;
        Pages()->CurrentPage = page;
        CurY = y;
        CurX = crossX;
        Pages()->AddMode = Append;
    });
    for (std::size_t segment = 0; segment + 1 < bounds.size(); ++segment) {
        for (TpvrComponent* view : std::vector<TpvrComponent*>(band->GetObjects()))
            view->SetParent(nullptr);
        const std::size_t from = std::size_t(std::clamp<Integer>(bounds[segment], 0, Integer(views.size())));
        const std::size_t to =
            std::size_t(std::clamp<Integer>(bounds[segment + 1], 0, Integer(views.size())));
        for (std::size_t i = from; i < to; ++i)
            views[i]->SetParent(band);
        Pages()->AddObject(band);
        if (segment + 2 == bounds.size()) {
            EndPage();
        } else {
            FVPageChanged = true;
            NewPage();
            FVPageChanged = false;
        }
    }
}

// ---- Subreports --------------------------------------------------------------------------------

bool TpvrEngine::PageRunning(TpvrReportPage* page) const {
    return std::find(FRunningPages.begin(), FRunningPages.end(), page) != FRunningPages.end();
}

void TpvrEngine::RunSubreportPage(TpvrReportPage* page) {
    FRunningPages.push_back(page);
    TFinally leave([&] { FRunningPages.pop_back(); });
    RunDataBands(page);
}

void TpvrEngine::RunSubreports(TpvrBand* band) {
    std::vector<TpvrSubreport*> subreports;
    for (TpvrComponent* object : band->GetObjects())
        if (auto* subreport = dynamic_cast<TpvrSubreport*>(object))
            if (subreport->GetVisible() && !subreport->PrintOnParent && subreport->GetPage())
                subreports.push_back(subreport);
    if (subreports.empty()) return;
    const Integer page = Pages()->CurrentPage;
    const Integer column = CurColumn;
    const Extended x = CurX;
    const Extended y = CurY;
    const Extended offset = FSubreportLeft;
    // The furthest point reached; the run goes on from there, never above the band's bottom.
    Integer farPage = page;
    Integer farColumn = column;
    Extended farY = y;
    for (TpvrSubreport* subreport : subreports) {
        TpvrReportPage* subPage = subreport->GetPage();
        // A page already printing (a subreport reaching its own page) is not entered again.
        if (!subPage || PageRunning(subPage)) continue;
        Pages()->CurrentPage = page;
        CurColumn = column;
        FSubreportLeft = offset + subreport->GetLeft();
        CurX = x + subreport->GetLeft();
        CurY = y - band->GetHeight() + subreport->GetTop();
        RunSubreportPage(subPage);
        const Integer reached = Pages()->CurrentPage;
        if (reached > farPage || (reached == farPage && CurColumn > farColumn) ||
            (reached == farPage && CurColumn == farColumn && CurY > farY)) {
            farPage = reached;
            farColumn = CurColumn;
            farY = CurY;
        }
        if (Report->Terminated) break;
    }
    Pages()->CurrentPage = farPage;
    CurColumn = farColumn;
    CurX = offset;
    if (farColumn > 1 && FPage) {
        Extended position = 0;
        TStrings* positions = FPage->GetColumnPositions();
        if (farColumn - 1 < positions->GetCount() &&
            TryStrToFloat(positions->GetStrings(farColumn - 1), position))
            CurX += position * pvrMillimetre;
    }
    CurY = farY;
    FSubreportLeft = offset;
}

void TpvrEngine::CollectSubreports(TpvrBand* band) {
    const bool collecting = FCollectingBand == nullptr;
    if (!collecting) return;
    if (State(band).ObjectCount < 0) State(band).ObjectCount = band->ObjectCount();
    std::unique_ptr<TpvrNullBand> collector(new TpvrNullBand(nullptr));
    FCollectingBand = collector.get();
    const Extended x = CurX;
    const Extended y = CurY;
    const Extended offset = FSubreportLeft;
    {
        TFinally restore([&] {
            FCollectingBand = nullptr;
            CurX = x;
            CurY = y;
            FSubreportLeft = offset;
        });
        for (TpvrComponent* object : std::vector<TpvrComponent*>(band->GetObjects())) {
            auto* subreport = dynamic_cast<TpvrSubreport*>(object);
            if (!subreport || !subreport->GetVisible() || !subreport->PrintOnParent) continue;
            TpvrReportPage* subPage = subreport->GetPage();
            if (!subPage || PageRunning(subPage)) continue;
            FSubreportLeft = offset + subreport->GetLeft();
            CurX = x + subreport->GetLeft();
            CurY = subreport->GetTop();
            RunSubreportPage(subPage);
            if (Report->Terminated) break;
        }
    }
    // Every view collected moves onto the band at its place, printed as it was prepared.
    std::vector<TpvrComponent*> collected;
    for (TpvrComponent* object : collector->AllObjects())
        if (object->InheritsFrom(TpvrView::StaticClass()) &&
            !object->InheritsFrom(TpvrSubreport::StaticClass()))
            collected.push_back(object);
    for (TpvrComponent* object : collected) {
        const Extended left = object->AbsLeft();
        const Extended top = object->AbsTop();
        object->SetParent(band);
        object->SetLeft(left);
        object->SetTop(top);
        if (TpvrStretcheable* stretch = Stretchable(object)) stretch->StretchMode = smDontStretch;
    }
}

void TpvrEngine::CollectBand(TpvrBand* band) {
    auto* copy = new TpvrBand(FCollectingBand);
    copy->SetBounds(band->GetLeft(), band->GetTop(), band->GetWidth(), band->GetHeight());
    for (TpvrComponent* object : band->GetObjects()) {
        auto* view = dynamic_cast<TpvrReportComponent*>(object);
        if (!view) continue;
        auto* viewCopy = static_cast<TpvrReportComponent*>(view->ClassType()->Create(copy));
        viewCopy->Assign(view);
        viewCopy->Alias = view->Alias;
        viewCopy->SourceObject = view->SourceObject;
    }
}

KOV_PUBLISHED(TpvrCustomEngine) {
    Property("CurColumn", &TpvrCustomEngine::CurColumn);
    Property("CurVColumn", &TpvrCustomEngine::CurVColumn);
    Property("CurX", &TpvrCustomEngine::CurX);
    Property("CurY", &TpvrCustomEngine::CurY);
    Property("DoublePass", &TpvrCustomEngine::GetDoublePass);
    Property("FinalPass", &TpvrCustomEngine::FinalPass);
    Property("PageHeight", &TpvrCustomEngine::PageHeight);
    Property("PageWidth", &TpvrCustomEngine::PageWidth);
    Property("StartDate", &TpvrCustomEngine::StartDate);
    Property("StartTime", &TpvrCustomEngine::StartTime);
    Property("TotalPages", &TpvrCustomEngine::TotalPages);
}

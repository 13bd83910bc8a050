#include "report/pvrPreview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Numbers.h"
#include "report/pvrPreviewPageSettings.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"
#include "report/pvrSearchDialog.h"

namespace {

// Outline nodes carry the page number (from 1) in the low 20 bits, half the top above them.
constexpr std::uintptr_t kOutlinePageBits = 20;
constexpr std::uintptr_t kOutlinePageMask = (std::uintptr_t(1) << kOutlinePageBits) - 1;

void* PackOutlineData(Integer page, Integer top) {
    const auto pageBits = std::uintptr_t(page + 1) & kOutlinePageMask;
    const auto topBits = std::uintptr_t(std::uint32_t(top / 2)) << kOutlinePageBits;
    return reinterpret_cast<void*>(pageBits | topBits);
}

} // namespace

// ---- Page list ---------------------------------------------------------------------------------

TpvrPageList::TpvrPageList() = default;
TpvrPageList::~TpvrPageList() = default;

void TpvrPageList::Clear() {
    FItems.clear();
    MaxRowWidth = 0;
}

void TpvrPageList::Add(Integer width, Integer height) {
    auto item = std::make_unique<TpvrPageItem>();
    item->Width = SmallInt(width);
    item->Height = SmallInt(height);
    if (FItems.empty()) {
        item->Column = 0;
        item->Top = 10;
    } else {
        const TpvrPageItem* last = FItems.back().get();
        if (last->Column < ColumnsPerRow - 1) {
            item->Column = SmallInt(last->Column + 1);
            item->Top = last->Top;
        } else {
            Integer rowHeight = 0;
            for (auto it = FItems.rbegin(); it != FItems.rend() && (*it)->Top == last->Top; ++it)
                rowHeight = std::max<Integer>(rowHeight, (*it)->Height);
            item->Column = 0;
            item->Top = last->Top + rowHeight + 10;
        }
    }
    FItems.push_back(std::move(item));
    // The width of the row the new page ends.
    Integer rowWidth = 0;
    const Integer top = FItems.back()->Top;
    for (auto it = FItems.rbegin(); it != FItems.rend() && (*it)->Top == top; ++it) rowWidth += (*it)->Width + 10;
    MaxRowWidth = std::max(MaxRowWidth, rowWidth);
}

TRect TpvrPageList::Bounds(Integer index, Integer clientWidth, Extended zoom) const {
    if (index < 0 || index >= Count()) {
        const Integer width = Integer(Round(794 * zoom));
        const Integer height = Integer(Round(1123 * zoom));
        const Integer left = clientWidth > 794 * zoom ? Integer(Round((clientWidth - 794 * zoom) / 2)) : 10;
        const Integer top = Integer(Round(10 * zoom));
        return TRect{left, top, left + width, top + height};
    }
    const TpvrPageItem* item = Items(index);
    const Integer first = index - item->Column;
    Integer rowWidth = 0;
    Integer before = 0;
    if (ColumnsPerRow == 1) {
        rowWidth = item->Width;
    } else {
        for (Integer i = first; i < Count() && Items(i)->Top == item->Top; ++i) {
            if (i > first) rowWidth += 10;
            rowWidth += Items(i)->Width;
        }
        for (Integer i = first; i < index; ++i) before += Items(i)->Width + 10;
    }
    const Extended free = clientWidth - zoom * rowWidth;
    const Integer left = (free >= 0 ? Integer(Round(free / 2)) : 10) + Integer(Round(zoom * before));
    const Integer top = Integer(Round(zoom * item->Top));
    return TRect{left, top, left + Integer(Round(zoom * item->Width)), top + Integer(Round(zoom * item->Height))};
}

Integer TpvrPageList::FindPage(Integer y, bool exact, Extended zoom) const {
    if (FItems.empty()) return -1;
    Integer low = 0;
    Integer high = Count() - 1;
    Integer result = 0;
    while (low <= high) {
        const Integer middle = (low + high) / 2;
        const TpvrPageItem* item = Items(middle);
        const Integer allowance = exact ? 0 : Integer(Round(zoom * item->Height / 5));
        if (zoom * item->Top <= y + allowance) {
            result = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return result;
}

Integer TpvrPageList::TotalHeight(Extended zoom) const {
    if (FItems.empty()) return 0;
    const Integer top = FItems.back()->Top;
    Integer rowHeight = 0;
    for (auto it = FItems.rbegin(); it != FItems.rend() && (*it)->Top == top; ++it)
        rowHeight = std::max<Integer>(rowHeight, (*it)->Height);
    return Integer(Round(zoom * top)) + Integer(Round(zoom * rowHeight)) + 10;
}

// ---- Preview -----------------------------------------------------------------------------------

TpvrPreview::TpvrPreview(TComponent* owner) : TpvrCustomPreview(owner) {
    SetWidth(100);
    SetHeight(100);

    FOutline = new TTreeView(this);
    FOutline->SetParent(this);
    FOutline->SetAlign(alLeft);
    FOutline->SetWidth(120);
    FOutline->SetReadOnly(true);
    FOutline->SetHideSelection(false);
    FOutline->OnClick = MakeEvent(this, &TpvrPreview::OutlineClick);
    FOutline->SetVisible(false);

    FSplitter = new TSplitter(this);
    FSplitter->SetParent(this);
    FSplitter->SetAlign(alLeft);
    FSplitter->SetLeft(FOutline->GetWidth() + 1);
    FSplitter->SetMinSize(1);
    FSplitter->SetVisible(false);

    FWorkspace = new TpvrPreviewWorkspace(this);
    FWorkspace->FPreview = this;
    FWorkspace->SetParent(this);
    FWorkspace->SetAlign(alClient);

    FMessagePanel = new TPanel(this);
    FMessagePanel->SetVisible(false);
    FMessagePanel->SetParent(this);
    FMessagePanel->SetBounds(0, 0, 260, 75);
    FMessageLabel = new TLabel(FMessagePanel);
    FMessageLabel->SetParent(FMessagePanel);
    FMessageLabel->SetAutoSize(false);
    FMessageLabel->SetAlignment(taCenter);
    FMessageLabel->SetBounds(4, 20, 255, 20);
    FCancelButton = new TButton(FMessagePanel);
    FCancelButton->SetParent(FMessagePanel);
    FCancelButton->SetBounds(92, 44, 75, 25);
    FCancelButton->SetCaption(GetResources()->Get("clCancel"));
    FCancelButton->OnClick = MakeEvent(this, &TpvrPreview::CancelButtonClick);
    FCancelButton->SetVisible(false);

    SetTool(ptHand);
}

TpvrPreview::~TpvrPreview() {
    if (auto* store = dynamic_cast<TpvrPreviewPages*>(PreviewPages)) store->OnGoToPage = {};
    if (Report) {
        if (Report->Preview == this) Report->Preview = nullptr;
        RemoveFreeNotification(Report);
    }
    // The children go with the component; nothing of theirs may call back into the preview.
    if (FWorkspace) FWorkspace->FPreview = nullptr;
}

TpvrPreviewOptions* TpvrPreview::Options() const { return Report ? Report->GetPreviewOptions() : nullptr; }

Integer TpvrPreview::GetAllPages() { return PreviewPages ? PreviewPages->GetCount() : 0; }

void TpvrPreview::Init() {
    if (Report) FreeNotification(Report);
    if (auto* store = dynamic_cast<TpvrPreviewPages*>(PreviewPages))
        store->OnGoToPage = MakeEvent(this, &TpvrPreview::SetPosition);
    FWorkspace->ForgetSearchCache();
    FFindActive = false;
    if (TpvrPreviewOptions* options = Options()) {
        FWorkspace->SetDoubleBuffered(options->DoubleBuffered);
        SetOutlineVisible(options->OutlineVisible);
        SetOutlineWidth(options->OutlineWidth);
    }
    UpdatePageList();
    UpdatePages();
    UpdateOutline();
    First();
}

void TpvrPreview::Lock() { FLocked = true; }

void TpvrPreview::Unlock() {
    FMessagePanel->SetVisible(false);
    FCancelButton->SetVisible(false);
    FLocked = false;
    // The page shown stays the current one (printing or saving leaves it in view); only a store
    // that shrank meanwhile moves it back into range.
    FPageNo = std::min(std::max<Integer>(FPageNo, 1), std::max<Integer>(GetAllPages(), 1));
    UpdatePages();
    FWorkspace->Repaint();
}

// ---- Navigation --------------------------------------------------------------------------------

void TpvrPreview::DoPageChanged() {
    if (OnPageChanged.Assigned()) OnPageChanged(this, FPageNo);
}

void TpvrPreview::SetPageNoField(Integer value, bool scroll) {
    FPageNo = std::min(std::max<Integer>(value, 1), GetAllPages());
    // The store's current page follows the page shown, so a print or export started from the
    // report itself takes the same page as one started here.
    if (PreviewPages) PreviewPages->PreviewPage = FPageNo;
    if (scroll && FPageNo > 0 && FPageNo <= FWorkspace->GetPageList()->Count() && !FWorkspace->FDisableUpdate) {
        FWorkspace->FDisableUpdate = true;
        FWorkspace->ScrollToY(FWorkspace->GetPageList()->Bounds(FPageNo - 1, 0, FZoom).top);
        FWorkspace->FDisableUpdate = false;
    }
    DoPageChanged();
}

void TpvrPreview::SetPageNo(Integer value) { SetPageNoField(value, true); }

void TpvrPreview::First() { SetPageNo(1); }
void TpvrPreview::Prior() { SetPageNo(FPageNo - 1); }
void TpvrPreview::Next() { SetPageNo(FPageNo + 1); }
void TpvrPreview::Last() { SetPageNo(GetAllPages()); }

void TpvrPreview::SetPosition(Integer pageNo, Integer top) {
    const Integer count = std::min(GetAllPages(), FWorkspace->GetPageList()->Count());
    if (count == 0) return;
    pageNo = std::min(std::max<Integer>(pageNo, 1), count);
    Integer y = FWorkspace->GetPageList()->Bounds(pageNo - 1, 0, FZoom).top;
    if (top != 0) {
        TpvrReportPage* page = PreviewPages->GetPage(pageNo - 1);
        const Extended margin = page ? page->TopMargin : 0;
        y += Integer(Round((top + margin * 3.77953L) * FZoom));
    }
    FWorkspace->FDisableUpdate = true;
    FWorkspace->ScrollToY(y);
    FWorkspace->FDisableUpdate = false;
    // The page asked for is the current one even where the last pages cannot scroll that far.
    SetPageNoField(pageNo, false);
}

// ---- Zoom, tool, appearance --------------------------------------------------------------------

void TpvrPreview::SetZoom(Extended value) {
    if (std::isnan(value)) return;
    value = std::clamp(value, kMinZoom, kMaxZoom);
    if (FZoomMode == zmManyPages) {
        FZoomMode = zmDefault;
        UpdatePageList();
    }
    FZoomMode = zmDefault;
    FZoom = value;
    UpdatePages();
}

void TpvrPreview::SetZoomMode(TpvrZoomMode value) {
    FZoomMode = value;
    UpdatePageList();
    UpdatePages();
}

void TpvrPreview::SetTool(Byte value) {
    FTool = value;
    FWorkspace->SetToolCursor(value == ptHand ? TCursor(150) : value == ptZoom ? TCursor(151) : TCursor(0));
}

bool TpvrPreview::GetOutlineVisible() const { return FOutline->GetVisible(); }

void TpvrPreview::SetOutlineVisible(bool value) {
    FOutline->SetVisible(value);
    FSplitter->SetVisible(value);
    // Placed at the far right, the splitter aligns after the tree.
    FSplitter->SetLeft(GetWidth());
}

Integer TpvrPreview::GetOutlineWidth() const { return FOutline->GetWidth(); }
void TpvrPreview::SetOutlineWidth(Integer value) { FOutline->SetWidth(value); }

void TpvrPreview::SetBackColor(TColor value) {
    FBackColor = value;
    FWorkspace->SetColor(value);
    FWorkspace->Invalidate();
}

void TpvrPreview::SetFrameColor(TColor value) {
    FFrameColor = value;
    FWorkspace->Invalidate();
}

// ---- Layout ------------------------------------------------------------------------------------

void TpvrPreview::UpdatePageList() {
    FFindActive = false;
    FWorkspace->ForgetSearchCache();
    TpvrPageList* list = FWorkspace->GetPageList();
    list->Clear();
    if (!PreviewPages) return;
    list->ColumnsPerRow = FZoomMode == zmManyPages ? 2 : 1;
    const Integer count = PreviewPages->GetCount();
    for (Integer i = 0; i < count; ++i) {
        const TPoint size = PreviewPages->GetPageSize(i);
        list->Add(size.x, size.y);
    }
}

void TpvrPreview::UpdatePages() {
    TpvrPageList* list = FWorkspace->GetPageList();
    if (FLocked || list->Count() == 0) return;
    const Integer index = std::min(std::max<Integer>(FPageNo - 1, 0), list->Count() - 1);
    const Integer width = list->Items(index)->Width;
    const Integer height = list->Items(index)->Height;
    const RECT client = FWorkspace->GetClientRect();
    // A window too small for the page keeps the zoom it had.
    auto take = [this](Extended zoom) {
        if (zoom > 0) FZoom = std::min(zoom, kMaxZoom);
    };
    bool toTop = false;
    switch (FZoomMode) {
    case zmWholePage:
        if (height > 0) take(Extended(client.bottom - client.top - 20) / height);
        toTop = true;
        break;
    case zmPageWidth:
        if (width > 0) take(Extended(FWorkspace->GetWidth() - 52) / width);
        break;
    case zmManyPages:
        if (width > 0) take(Extended(client.right - client.left - 32) / (2 * width));
        toTop = true;
        break;
    case zmDefault:
        break;
    }
    FWorkspace->UpdateScrollRange();
    if (toTop) {
        FWorkspace->FDisableUpdate = true;
        FWorkspace->ScrollToY(list->Bounds(index, 0, FZoom).top);
        FWorkspace->FDisableUpdate = false;
    }
    FWorkspace->Invalidate();
    if (Host) Host->PreviewZoomChanged();
}

void TpvrPreview::UpdateOutline() {
    TTreeNodes* nodes = FOutline->GetItems();
    nodes->BeginUpdate();
    nodes->Clear();
    TpvrCustomOutline* outline = PreviewPages ? PreviewPages->GetOutline() : nullptr;
    if (outline) {
        struct Builder {
            TpvrCustomOutline* Outline;
            TTreeNodes* Nodes;
            void Build(TTreeNode* parent, Integer depth) {
                // Deeper than any real outline; a damaged one cannot recurse without end.
                if (depth > 1000) return;
                const Integer count = Outline->GetCount();
                for (Integer i = 0; i < count; ++i) {
                    String text;
                    Integer page = 0;
                    Integer top = 0;
                    Outline->GetItem(i, text, page, top);
                    TTreeNode* node = Nodes->AddChildObject(parent, text, PackOutlineData(page, top));
                    Outline->LevelDown(i);
                    Build(node, depth + 1);
                    Outline->LevelUp();
                }
            }
        };
        outline->LevelRoot();
        Builder{outline, nodes}.Build(nullptr, 0);
        outline->LevelRoot();
    }
    nodes->EndUpdate();
    TpvrPreviewOptions* options = Options();
    if (!options || options->OutlineExpand) FOutline->FullExpand();
    if (TTreeNode* first = nodes->GetFirstNode()) FOutline->SetTopItem(first);
}

void TpvrPreview::OutlineClick(TObject*) {
    TTreeNode* node = FOutline->GetSelected();
    if (!node) return;
    const auto data = reinterpret_cast<std::uintptr_t>(node->GetData());
    SetPosition(Integer(data & kOutlinePageMask), Integer(std::uint32_t(data >> kOutlinePageBits)) * 2);
    if (CanFocus()) SetFocus();
}

// ---- Busy message ------------------------------------------------------------------------------

void TpvrPreview::ShowBusyMessage(const String& text) {
    FMessagePanel->SetBounds((GetWidth() - 260) / 2, (GetHeight() - 75) / 3, 260, 75);
    FMessageLabel->SetCaption(text);
    FMessagePanel->SetVisible(true);
    FMessagePanel->BringToFront();
    FMessagePanel->Repaint();
}

void TpvrPreview::HideBusyMessage() { FMessagePanel->SetVisible(false); }

void TpvrPreview::CancelButtonClick(TObject*) { Cancel(); }

void TpvrPreview::Cancel() {
    if (Report) Report->SetTerminated(true);
}

// ---- Commands ----------------------------------------------------------------------------------

void TpvrPreview::Print() {
    if (FRunning || !PreviewPages) return;
    PreviewPages->PreviewPage = FPageNo;
    try {
        PreviewPages->Print();
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void TpvrPreview::Export(TpvrCustomExportFilter* filter) {
    if (FRunning || !PreviewPages) return;
    PreviewPages->PreviewPage = FPageNo;
    try {
        PreviewPages->Export(filter);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

namespace {

String PreparedReportFilter() { return GetResources()->Get("clVP3files") + " (*.vp3)|*.vp3"; }

} // namespace

void TpvrPreview::Save() {
    if (FRunning || !PreviewPages) return;
    auto dialog = std::make_unique<TSaveDialog>(nullptr);
    dialog->SetFilter(PreparedReportFilter());
    dialog->SetDefaultExt("vp3");
    if (!dialog->Execute()) return;
    SaveToFile(ChangeFileExt(dialog->GetFileName(), ".vp3"));
}

void TpvrPreview::SaveToFile(const String& fileName) {
    if (FRunning || !PreviewPages) return;
    DoSave(fileName);
}

void TpvrPreview::Load() {
    if (FRunning || !PreviewPages) return;
    auto dialog = std::make_unique<TOpenDialog>(nullptr);
    dialog->SetFilter(PreparedReportFilter());
    TOpenOptions options = dialog->GetOptions();
    options.Include(ofHideReadOnly);
    dialog->SetOptions(options);
    if (!dialog->Execute()) return;
    LoadFromFile(dialog->GetFileName());
}

void TpvrPreview::LoadFromFile(const String& fileName) {
    if (FRunning || !PreviewPages) return;
    DoLoad(fileName);
}

void TpvrPreview::DoSave(const String& fileName) {
    Lock();
    ShowBusyMessage(GetResources()->Get("clSaving"));
    try {
        PreviewPages->SaveToFile(fileName);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void TpvrPreview::DoLoad(const String& fileName) {
    Lock();
    ShowBusyMessage(GetResources()->Get("clLoading"));
    // Whatever the load left in the store (nothing, after a damaged file) is what is shown.
    auto show = [this] {
        Unlock();
        if (TpvrPreviewOptions* options = Options()) {
            SetOutlineVisible(options->OutlineVisible);
            SetOutlineWidth(options->OutlineWidth);
        }
        UpdatePageList();
        UpdatePages();
        UpdateOutline();
        First();
        FWorkspace->UpdateScrollRange();
        FWorkspace->Invalidate();
    };
    try {
        PreviewPages->LoadFromFile(fileName);
    } catch (...) {
        show();
        throw;
    }
    show();
}

void TpvrPreview::PageSetup() {
    if (FRunning || !PreviewPages || GetAllPages() == 0) return;
    TpvrReportPage* page = PreviewPages->GetPage(FPageNo - 1);
    if (!page) return;
    auto form = std::make_unique<TpvrPageSettingsForm>(nullptr);
    form->Page = page;
    form->Report = Report;
    if (form->ShowModal() != mrOk) return;
    if (form->ApplyToAll() && Report) {
        for (Integer i = 0; i < Report->PagesCount(); ++i) {
            auto* reportPage = dynamic_cast<TpvrReportPage*>(Report->Pages(i));
            if (!reportPage) continue;
            reportPage->SetOrientation(page->GetOrientation());
            reportPage->SetPaperWidth(page->GetPaperWidth());
            reportPage->SetPaperHeight(page->GetPaperHeight());
            reportPage->SetPaperSize(page->GetPaperSize());
            reportPage->LeftMargin = page->LeftMargin;
            reportPage->TopMargin = page->TopMargin;
            reportPage->RightMargin = page->RightMargin;
            reportPage->BottomMargin = page->BottomMargin;
        }
        Report->PrepareReport(true);
        if (!FRunning) {
            UpdatePageList();
            UpdatePages();
            UpdateOutline();
            First();
        }
    } else {
        Lock();
        try {
            PreviewPages->ModifyPage(FPageNo - 1, page);
        } catch (...) {
            Unlock();
            throw;
        }
        const Integer pageNo = FPageNo;
        Unlock();
        UpdatePageList();
        UpdatePages();
        SetPageNo(pageNo);
    }
}

void TpvrPreview::Find() {
    auto dialog = std::make_unique<TpvrSearchDialog>(nullptr);
    if (dialog->ShowModal() != mrOk) return;
    TpvrPreviewWorkspace::SetSearch(dialog->TextE ? dialog->TextE->GetText() : String(),
                                    dialog->CaseCB && dialog->CaseCB->GetChecked());
    const bool fromTop = dialog->TopCB && dialog->TopCB->GetChecked();
    FWorkspace->FSearchPage = fromTop ? 0 : std::max<Integer>(FPageNo - 1, 0);
    RunSearch();
    FFindActive = true;
}

void TpvrPreview::FindNext() {
    if (FFindActive) RunSearch();
}

void TpvrPreview::RunSearch() {
    if (!PreviewPages) return;
    if (FWorkspace->FindText()) FWorkspace->ShowFound();
    FWorkspace->Invalidate();
}

void TpvrPreview::AddPage() {
    if (FRunning || !PreviewPages || GetAllPages() == 0) return;
    PreviewPages->AddEmptyPage(std::max<Integer>(FPageNo - 1, 0));
    UpdatePageList();
    UpdatePages();
}

void TpvrPreview::DeletePage() {
    if (FRunning || !PreviewPages || GetAllPages() == 0) return;
    PreviewPages->DeletePage(std::max<Integer>(FPageNo - 1, 0));
    // The page that followed takes the deleted one's place; only past the end the number drops.
    if (FPageNo > GetAllPages()) FPageNo = GetAllPages();
    UpdatePageList();
    DoPageChanged();
    UpdatePages();
}

// No report designer is part of this system: editing a page or its template changes nothing.
void TpvrPreview::EditPage() {}
void TpvrPreview::EditTemplate() {}

void TpvrPreview::Clear() {
    if (FRunning) return;
    Lock();
    if (PreviewPages) PreviewPages->Clear();
    UpdatePageList();
    Unlock();
    UpdateOutline();
    SetPageNoField(0, false);
    FWorkspace->SetHorzPosition(0);
    FWorkspace->SetVertPosition(0);
    FWorkspace->UpdateScrollRange();
    FWorkspace->Invalidate();
}

void TpvrPreview::MouseWheelScroll(Integer delta, bool horizontal, bool zoom) {
    if (delta == 0) return;
    const Integer sign = delta > 0 ? 1 : -1;
    if (zoom) {
        SetZoom(std::max(FZoom + sign / 10.0L, 0.3L));
    } else if (horizontal) {
        FWorkspace->SetHorzPosition(FWorkspace->GetHorzPosition() - sign * 20);
    } else {
        FWorkspace->SetVertPosition(FWorkspace->GetVertPosition() - sign * 20);
    }
}

// ---- Preparation -------------------------------------------------------------------------------

void TpvrPreview::PreparationStarted() {
    Clear();
    FRunning = true;
    if (Host) Host->PreviewUpdateControls();
}

void TpvrPreview::PreparationProgress(Integer pageIndex) {
    if (PreviewPages && Report && Report->Engine && Report->Engine->FinalPass) {
        const TPoint size = PreviewPages->GetPageSize(pageIndex);
        FWorkspace->GetPageList()->Add(size.x, size.y);
    }
    if (pageIndex == 0) {
        FOutline->GetItems()->Clear();
        SetPageNo(1);
        UpdatePages();
        if (Host) Host->PreviewRunningChanged(true);
        FFirstPageTicks = GetTickCount();
    } else if (pageIndex == 1) {
        const DWORD elapsed = GetTickCount() - FFirstPageTicks;
        FRefreshInterval = elapsed <= 4 ? 50 : elapsed > 9 ? 5 : 20;
        SetPageNo(1);
        UpdatePages();
    } else if (FRefreshInterval > 0 && pageIndex % FRefreshInterval == 0) {
        DoPageChanged();
        FWorkspace->UpdateScrollRange();
    }
}

void TpvrPreview::PreparationStopped() {
    FRunning = false;
    // A preparation that never reached its final pass left no layout behind.
    if (FWorkspace->GetPageList()->Count() != GetAllPages()) UpdatePageList();
    if (FPageNo > GetAllPages() || FPageNo == 0) FPageNo = std::min<Integer>(1, GetAllPages());
    DoPageChanged();
    FWorkspace->UpdateScrollRange();
    UpdatePages();
    UpdateOutline();
    if (Host) {
        Host->PreviewRunningChanged(false);
        Host->PreviewUpdateControls();
    }
}

// ---- Component ---------------------------------------------------------------------------------

void TpvrPreview::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component != nullptr && component == Report) {
        // The report takes its page store with it.
        Report = nullptr;
        PreviewPages = nullptr;
        FRunning = false;
        UpdatePageList();
        UpdateOutline();
        FPageNo = 0;
        FWorkspace->SetHorzPosition(0);
        FWorkspace->SetVertPosition(0);
        FWorkspace->UpdateScrollRange();
        FWorkspace->Invalidate();
    }
}

void TpvrPreview::Resize() {
    inherited::Resize();
    if (FWorkspace) UpdatePages();
}

void TpvrPreview::WndProc(TMessage& message) {
    inherited::WndProc(message);
    if (message.Msg == WM_GETDLGCODE) message.Result |= DLGC_WANTARROWS;
}

void TpvrPreview::KeyDown(Word& key, TShiftState shift) {
    inherited::KeyDown(key, shift);
    FWorkspace->HandleKey(key, shift);
}

KOV_PUBLISHED(TpvrPreview) {
    Property("BackColor", &TpvrPreview::GetBackColor, &TpvrPreview::SetBackColor).Default(TColor(0x808080));
    Property("FrameColor", &TpvrPreview::GetFrameColor, &TpvrPreview::SetFrameColor).Default(TColor(0));
    Property("OutlineVisible", &TpvrPreview::GetOutlineVisible, &TpvrPreview::SetOutlineVisible);
    Property("OutlineWidth", &TpvrPreview::GetOutlineWidth, &TpvrPreview::SetOutlineWidth);
}

namespace {
const bool kPreviewRegistered = [] {
    RegisterClasses({TpvrPreview::StaticClass()});
    return true;
}();
} // namespace

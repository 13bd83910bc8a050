// The preview's workspace: painting the pages, scrolling, the mouse and keys, and the text search
// through the pages' recorded drawing.
#include <algorithm>
#include <cstring>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiMetafile.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPages.h"

namespace {

// What was searched for last, shared by every preview of the process.
struct TSearchState {
    String Text;
    bool CaseSensitive = false;
    // Ordinal of the record of the last match on the page searched (0: none yet).
    Integer LastIndex = 0;
    bool Found = false;
    TRect Rect{};
};

TSearchState& Search() {
    static TSearchState state;
    return state;
}

struct TRecordSearch {
    String Text;
    bool CaseSensitive = false;
    Integer LastIndex = 0;
    Integer Ordinal = 0;
    bool Found = false;
    TRect Rect{};
};

String RecordText(const ENHMETARECORD* record) {
    if (record->nSize < sizeof(EMREXTTEXTOUTW)) return String();
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const DWORD count = text->emrtext.nChars;
    const DWORD offset = text->emrtext.offString;
    const auto* bytes = reinterpret_cast<const char*>(record);
    if (record->iType == EMR_EXTTEXTOUTW) {
        if (offset > record->nSize || count > (record->nSize - offset) / 2) return String();
        WideString wide(count, u'\0');
        std::memcpy(wide.data(), bytes + offset, count * 2);
        return WideToString(wide);
    }
    if (offset > record->nSize || count > record->nSize - offset) return String();
    return String(bytes + offset, count);
}

int SearchRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
    auto* search = reinterpret_cast<TRecordSearch*>(data);
    ++search->Ordinal;
    if (record->iType != EMR_EXTTEXTOUTA && record->iType != EMR_EXTTEXTOUTW) return 1;
    if (search->Ordinal <= search->LastIndex) return 1;
    String text = RecordText(record);
    if (!search->CaseSensitive) text = AnsiUpperCase(text);
    if (text.find(search->Text) == String::npos) return 1;
    const RECTL& bounds = reinterpret_cast<const EMREXTTEXTOUTW*>(record)->rclBounds;
    search->Found = true;
    search->Rect = TRect{bounds.left, bounds.top, bounds.right, bounds.bottom};
    return 0;
}

} // namespace

TpvrPreviewWorkspace::TpvrPreviewWorkspace(TComponent* owner)
    : TpvrScrollWin(owner), FPageList(std::make_unique<TpvrPageList>()) {
    SetColor(TColor(0x808080));
    SetLargeChange(300);
    SetSmallChange(8);
    SetCursor(FToolCursor);
}

TpvrPreviewWorkspace::~TpvrPreviewWorkspace() = default;

void TpvrPreviewWorkspace::SetToolCursor(TCursor value) {
    FToolCursor = value;
    SetCursor(value);
}

// ---- Search ------------------------------------------------------------------------------------

void TpvrPreviewWorkspace::SetSearch(const String& text, bool caseSensitive) {
    TSearchState& search = Search();
    search.Text = text;
    search.CaseSensitive = caseSensitive;
    search.LastIndex = 0;
    search.Found = false;
}

String TpvrPreviewWorkspace::GetSearchText() { return Search().Text; }

void TpvrPreviewWorkspace::ForgetSearchCache() {
    FCachedMetafile.reset();
    FCachedPage = -1;
    Search().Found = false;
}

Integer TpvrPreviewWorkspace::GetFoundPage() const { return Search().Found ? FSearchPage : -1; }

TRect TpvrPreviewWorkspace::GetFoundRect() const { return Search().Rect; }

bool TpvrPreviewWorkspace::FindText() {
    TSearchState& search = Search();
    search.Found = false;
    TpvrCustomPreviewPages* pages = FPreview ? FPreview->PreviewPages : nullptr;
    if (!pages || search.Text.empty()) return false;
    const Integer count = pages->GetCount();
    TRecordSearch records;
    records.Text = search.CaseSensitive ? search.Text : AnsiUpperCase(search.Text);
    records.CaseSensitive = search.CaseSensitive;
    while (FSearchPage >= 0 && FSearchPage < count) {
        if (FCachedPage != FSearchPage || !FCachedMetafile) {
            FCachedMetafile = std::make_unique<TMetafile>();
            {
                TMetafileCanvas canvas(FCachedMetafile.get(), nullptr);
                pages->DrawPage(FSearchPage, &canvas, 1, 1, 0, 0);
            }
            FCachedPage = FSearchPage;
        }
        records.LastIndex = search.LastIndex;
        records.Ordinal = 0;
        records.Found = false;
        if (FCachedMetafile->GetHandle())
            EnumEnhMetaFile(nullptr, FCachedMetafile->GetHandle(), SearchRecord, &records, nullptr);
        if (records.Found) {
            search.LastIndex = records.Ordinal;
            search.Found = true;
            search.Rect = records.Rect;
            return true;
        }
        ++FSearchPage;
        search.LastIndex = 0;
    }
    return false;
}

void TpvrPreviewWorkspace::ShowFound() {
    const Integer page = GetFoundPage();
    if (page < 0 || !FPreview) return;
    const TRect pageRect = PageRect(page);
    const TRect& found = Search().Rect;
    const Extended zoom = FPreview->GetZoom();
    const Integer top = pageRect.top + Integer(Round(found.top * zoom));
    const Integer bottom = pageRect.top + Integer(Round(found.bottom * zoom));
    const Integer left = pageRect.left + Integer(Round(found.left * zoom));
    const Integer right = pageRect.left + Integer(Round(found.right * zoom));
    const RECT client = GetClientRect();
    if (top < 0 || bottom > client.bottom) SetVertPosition(GetVertPosition() + top - 20);
    if (left < 0 || right > client.right) SetHorzPosition(GetHorzPosition() + left - 20);
}

// ---- Layout and scrolling ----------------------------------------------------------------------

TRect TpvrPreviewWorkspace::PageRect(Integer index) const {
    const RECT client = GetClientRect();
    TRect rect = FPageList->Bounds(index, client.right - client.left, FPreview ? FPreview->GetZoom() : 1.0L);
    OffsetRect(&rect, -GetHorzPosition(), -GetVertPosition());
    return rect;
}

void TpvrPreviewWorkspace::UpdateScrollRange() {
    const Extended zoom = FPreview ? FPreview->GetZoom() : 1.0L;
    SetHorzRange(Integer(Round(zoom * FPageList->MaxRowWidth)) + 10);
    SetVertRange(FPageList->TotalHeight(zoom));
    // A shorter range pulls the positions back into it.
    SetHorzPosition(GetHorzPosition());
    SetVertPosition(GetVertPosition());
}

void TpvrPreviewWorkspace::ScrollToY(Integer y) { SetVertPosition(y - 10); }

Integer TpvrPreviewWorkspace::PageAt(Integer x, Integer y) const {
    if (!FPreview) return -1;
    Integer page = FPageList->FindPage(y + GetVertPosition(), true, FPreview->GetZoom());
    if (page > 0 && FPreview->GetZoomMode() == zmManyPages && x < PageRect(page).left) --page;
    return page;
}

void TpvrPreviewWorkspace::Resize() {
    inherited::Resize();
    const RECT client = GetClientRect();
    SetHorzPage(client.right - client.left);
    SetVertPage(client.bottom - client.top);
}

void TpvrPreviewWorkspace::OnHScrollChange() {
    const Integer position = GetHorzPosition();
    if (HandleAllocated())
        ScrollWindowEx(GetHandle(), FLastHScroll - position, 0, nullptr, nullptr, nullptr, nullptr,
                       SW_INVALIDATE | SW_ERASE);
    FLastHScroll = position;
}

void TpvrPreviewWorkspace::OnVScrollChange() {
    const Integer position = GetVertPosition();
    if (HandleAllocated())
        ScrollWindowEx(GetHandle(), 0, FLastVScroll - position, nullptr, nullptr, nullptr, nullptr,
                       SW_INVALIDATE | SW_ERASE);
    FLastVScroll = position;
    if (!FPreview || FDisableUpdate || FPageList->Count() == 0) return;
    FDisableUpdate = true;
    FPreview->SetPageNoField(FPageList->FindPage(position, false, FPreview->GetZoom()) + 1, false);
    FDisableUpdate = false;
}

// ---- Painting ----------------------------------------------------------------------------------

void TpvrPreviewWorkspace::Paint() {
    TCanvas* canvas = GetCanvas();
    const RECT client = GetClientRect();
    const TColor back = FPreview ? FPreview->GetBackColor() : GetColor();
    TpvrCustomPreviewPages* pages = FPreview ? FPreview->PreviewPages : nullptr;
    if (!FPreview || FPreview->GetLocked() || !pages || FPageList->Count() == 0) {
        canvas->GetBrush()->SetColor(back);
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->FillRect(client);
        return;
    }
    const Extended zoom = FPreview->GetZoom();
    const Integer count = std::min(FPageList->Count(), pages->GetCount());
    const Integer center = FPageList->FindPage(GetVertPosition(), false, zoom);
    HDC dc = canvas->GetHandle();
    std::vector<Integer> visible;
    for (Integer i = std::max<Integer>(center - 20, 0); i <= center + 20 && i < count; ++i) {
        const TRect rect = PageRect(i);
        if (rect.top < client.bottom && rect.bottom >= 0 && RectVisible(dc, &rect)) visible.push_back(i);
    }

    const int saved = SaveDC(dc);
    for (Integer i : visible) {
        const TRect rect = PageRect(i);
        ExcludeClipRect(dc, rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1);
    }
    canvas->GetBrush()->SetColor(back);
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->FillRect(client);
    RestoreDC(dc, saved);

    const Integer foundPage = GetFoundPage();
    for (Integer i : visible) {
        const TRect rect = PageRect(i);
        TPen* pen = canvas->GetPen();
        pen->SetColor(FPreview->GetFrameColor());
        pen->SetWidth(1);
        pen->SetStyle(psSolid);
        pen->SetMode(pmCopy);
        canvas->GetBrush()->SetColor(clWhite);
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->Rectangle(rect.left, rect.top, rect.right, rect.bottom - 1);
        // Shadow below and to the right.
        canvas->MoveTo(rect.left + 1, rect.bottom - 1);
        canvas->LineTo(rect.right + 1, rect.bottom - 1);
        canvas->MoveTo(rect.right, rect.top + 1);
        canvas->LineTo(rect.right, rect.bottom);
        pages->DrawPage(i, canvas, zoom, zoom, rect.left, rect.top);
        if (i == foundPage) {
            const TRect& found = Search().Rect;
            const Integer left = rect.left + Integer(Round(found.left * zoom)) - 1;
            const Integer right = rect.left + Integer(Round(found.right * zoom)) + 1;
            const Integer top = rect.top + Integer(Round(found.top * zoom));
            const Integer bottom = rect.top + Integer(Round(found.bottom * zoom));
            pen = canvas->GetPen();
            pen->SetColor(clWhite);
            pen->SetWidth(1);
            pen->SetStyle(psSolid);
            pen->SetMode(pmXor);
            for (Integer y = top; y <= bottom; ++y) {
                canvas->MoveTo(left, y);
                canvas->LineTo(right, y);
            }
            pen->SetMode(pmCopy);
        }
    }
}

// ---- Mouse and keys ----------------------------------------------------------------------------

void TpvrPreviewWorkspace::HitTest(Integer x, Integer y, bool click, TMouseButton button, TShiftState shift) {
    TpvrCustomPreviewPages* pages = FPreview->PreviewPages;
    const Integer page = PageAt(x, y);
    if (page < 0) return;
    const TRect rect = PageRect(page);
    TCursor cursor = FToolCursor;
    pages->HitTestObject(page, x, y, click, cursor, FPreview->GetZoom(), rect.left, rect.top, button, shift);
    SetCursor(cursor);
}

void TpvrPreviewWorkspace::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseDown(button, shift, x, y);
    if (CanFocus() && !Focused()) SetFocus();
    if (!FPreview || FPreview->GetLocked() || !FPreview->PreviewPages || FPageList->Count() == 0) return;
    if (button == mbLeft && FPreview->GetTool() == ptHand) {
        FDragging = true;
        FLastPoint = POINT{x, y};
    }
}

void TpvrPreviewWorkspace::MouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::MouseMove(shift, x, y);
    if (!FPreview || FPreview->GetLocked() || !FPreview->PreviewPages || FPageList->Count() == 0) return;
    if (FDragging) {
        SetHorzPosition(GetHorzPosition() - (x - FLastPoint.x));
        SetVertPosition(GetVertPosition() - (y - FLastPoint.y));
        FLastPoint = POINT{x, y};
        return;
    }
    HitTest(x, y, false, mbLeft, TShiftState());
}

void TpvrPreviewWorkspace::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseUp(button, shift, x, y);
    if (!FPreview) return;
    if (FPreview->OnClick.Assigned()) FPreview->OnClick(FPreview);
    const bool wasDragging = FDragging;
    FDragging = false;
    if (FPreview->GetLocked() || !FPreview->PreviewPages || FPageList->Count() == 0) return;
    if (FPreview->GetTool() == ptZoom) {
        if (button == mbLeft) FPreview->SetZoom(FPreview->GetZoom() + 0.25L);
        else if (button == mbRight) FPreview->SetZoom(FPreview->GetZoom() - 0.25L);
    } else if (FPreview->GetTool() == ptHand) {
        (void)wasDragging;
        HitTest(x, y, true, button, shift);
    }
}

void TpvrPreviewWorkspace::DblClick() {
    inherited::DblClick();
    if (FPreview && FPreview->Host) FPreview->Host->PreviewDblClick();
}

void TpvrPreviewWorkspace::KeyDown(Word& key, TShiftState shift) {
    inherited::KeyDown(key, shift);
    HandleKey(key, shift);
}

void TpvrPreviewWorkspace::HandleKey(Word& key, TShiftState shift) {
    if (!FPreview || key == 0) return;
    const bool ctrl = shift.Contains(ssCtrl);
    TpvrPreviewOptions* options = FPreview->Options();
    auto allowed = [options](TpvrPreviewButton button) { return options && options->Buttons.Contains(button); };
    switch (key) {
    case VK_PRIOR:
        if (ctrl) FPreview->Prior();
        else SetVertPosition(GetVertPosition() - 300);
        break;
    case VK_NEXT:
        if (ctrl) FPreview->Next();
        else SetVertPosition(GetVertPosition() + 300);
        break;
    case VK_HOME:
        FPreview->First();
        break;
    case VK_END:
        FPreview->Last();
        break;
    case VK_UP:
        SetVertPosition(GetVertPosition() - 8);
        break;
    case VK_DOWN:
        SetVertPosition(GetVertPosition() + 8);
        break;
    case VK_LEFT:
        SetHorzPosition(GetHorzPosition() - 8);
        break;
    case VK_RIGHT:
        SetHorzPosition(GetHorzPosition() + 8);
        break;
    case VK_F3:
        if (allowed(pbFind)) FPreview->FindNext();
        break;
    case 'P':
        if (ctrl && allowed(pbPrint)) FPreview->Print();
        else return;
        break;
    case 'S':
        if (ctrl && allowed(pbSave)) FPreview->Save();
        else return;
        break;
    case 'F':
        if (ctrl && allowed(pbFind)) FPreview->Find();
        else return;
        break;
    default:
        return;
    }
    key = 0;
}

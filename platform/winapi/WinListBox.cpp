// The list box window class: items, selection in its three modes, keyboard and mouse, type-ahead,
// scrolling, integral height, owner drawing and classic painting; and the list of a combo box,
// which is the same list with a few rules of its own while it is dropped down.
#include "platform/winapi/WinListBox.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinListBox_Internal.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "platform/winapi/WinScroll.h"

namespace {

constexpr UINT_PTR AutoScrollTimer = 1;
constexpr UINT AutoScrollInterval = 100;
constexpr int TextIndent = 2;
constexpr int HorzLine = 8;

struct TItem {
    String Text;
    ULONG_PTR Data = 0;
    int Height = 0;
    bool Selected = false;
};

enum class TSelMode { None, Single, Multiple, Extended };

struct TListBox {
    HWND Handle = nullptr;
    HWND Combo = nullptr; // the combo box this list belongs to
    std::vector<TItem> Items;
    int CurSel = -1; // single selection
    int Caret = 0;
    int Anchor = 0;
    int Top = 0;
    int ItemHeight = 16;
    int HorzExtent = 0;
    int HorzPos = 0;
    int ColumnWidth = 0;
    bool WantVert = false; // created with WS_VSCROLL / WS_HSCROLL: the bars come and go with the range
    bool WantHorz = false;
    bool Focused = false;
    bool Redraw = true;
    bool UpdatingScroll = false;
    HFONT Font = nullptr;
    std::vector<int> TabStops;
    // Type-ahead: what was typed and when the last character came.
    String Typed;
    DWORD TypedAt = 0;
    // A press of the left button in progress.
    bool Tracking = false;
    bool Changed = false;
    bool DoubleClick = false;
    bool CtrlDrag = false; // extended selection: Ctrl-drag gives the range the anchor's new state
    bool DragState = false;
    std::vector<char> DragBase;
    POINT LastMouse{};
    int WheelRest = 0;
    // The list of a combo box while dropped down.
    bool Dropped = false;
    bool OpeningPress = false;
};

// The state lives in the window's extra bytes and goes with WM_NCDESTROY; anything that sends a
// message may destroy the window, so it is looked up again after every send.
TListBox* StateOf(HWND window) {
    return IsWindow(window) ? reinterpret_cast<TListBox*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

DWORD StyleOf(HWND window) { return DWORD(GetWindowLongA(window, GWL_STYLE)); }
bool IsOwnerDraw(DWORD s) { return (s & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool IsMultiColumn(DWORD s) { return (s & LBS_MULTICOLUMN) != 0; }
bool IsVariable(DWORD s) {
    return (s & LBS_OWNERDRAWVARIABLE) && !(s & (LBS_MULTICOLUMN | LBS_NODATA | LBS_OWNERDRAWFIXED));
}
bool HasStrings(DWORD s) { return !(s & LBS_NODATA) && (!IsOwnerDraw(s) || (s & LBS_HASSTRINGS)); }
TSelMode SelMode(DWORD s) {
    if (s & LBS_NOSEL) return TSelMode::None;
    if (s & LBS_EXTENDEDSEL) return TSelMode::Extended;
    if (s & LBS_MULTIPLESEL) return TSelMode::Multiple;
    return TSelMode::Single;
}
bool IsMulti(TSelMode m) { return m == TSelMode::Multiple || m == TSelMode::Extended; }

int Count(const TListBox& l) { return int(l.Items.size()); }
bool Valid(const TListBox& l, int i) { return i >= 0 && i < Count(l); }

RECT ClientOf(HWND window) {
    RECT c{};
    GetClientRect(window, &c);
    return c;
}

int HeightOf(const TListBox& l, int i) {
    if (IsVariable(StyleOf(l.Handle)) && Valid(l, i)) return std::max(1, l.Items[size_t(i)].Height);
    return std::max(1, l.ItemHeight);
}

// Multi-column geometry.
int Rows(const TListBox& l) {
    return std::max<int>(1, ClientOf(l.Handle).bottom / std::max(1, l.ItemHeight));
}
int ColWidth(const TListBox& l) { return std::max(1, l.ColumnWidth); }
int VisibleColumns(const TListBox& l) { return std::max<int>(1, ClientOf(l.Handle).right / ColWidth(l)); }
int TotalColumns(const TListBox& l) { return (Count(l) + Rows(l) - 1) / Rows(l); }

// Whole items that fit from top (at least one).
int PageItems(const TListBox& l, int top) {
    DWORD s = StyleOf(l.Handle);
    RECT c = ClientOf(l.Handle);
    if (IsMultiColumn(s)) return Rows(l) * VisibleColumns(l);
    if (!IsVariable(s)) return std::max<int>(1, c.bottom / std::max(1, l.ItemHeight));
    int n = 0, y = 0;
    for (int i = top; i < Count(l); ++i) {
        y += HeightOf(l, i);
        if (y > c.bottom) break;
        ++n;
    }
    return std::max(1, n);
}

int MaxTop(const TListBox& l) {
    DWORD s = StyleOf(l.Handle);
    int count = Count(l);
    if (IsMultiColumn(s)) return std::max(0, TotalColumns(l) - VisibleColumns(l)) * Rows(l);
    if (!IsVariable(s)) return std::max(0, count - PageItems(l, 0));
    int height = ClientOf(l.Handle).bottom, y = 0, top = count;
    while (top > 0 && y + HeightOf(l, top - 1) <= height) {
        y += HeightOf(l, top - 1);
        --top;
    }
    return std::min(top, std::max(0, count - 1));
}

int ClampTop(const TListBox& l, int top) {
    top = std::clamp(top, 0, MaxTop(l));
    if (IsMultiColumn(StyleOf(l.Handle))) top -= top % Rows(l);
    return top;
}

RECT ItemRect(const TListBox& l, int i) {
    DWORD s = StyleOf(l.Handle);
    RECT c = ClientOf(l.Handle);
    if (IsMultiColumn(s)) {
        int rows = Rows(l), w = ColWidth(l);
        int col = i / rows - l.Top / rows, row = i % rows;
        return RECT{col * w, row * l.ItemHeight, col * w + w, (row + 1) * l.ItemHeight};
    }
    int y = 0;
    if (!IsVariable(s))
        y = (i - l.Top) * std::max(1, l.ItemHeight);
    else if (i >= l.Top)
        for (int j = l.Top; j < i; ++j)
            y += HeightOf(l, j);
    else
        for (int j = i; j < l.Top; ++j)
            y -= HeightOf(l, j);
    int left = -l.HorzPos;
    return RECT{left, y, left + std::max<int>(c.right, l.HorzExtent), y + HeightOf(l, i)};
}

// The item nearest to a point in client coordinates; outside says the point is not on that item
// (outside the client area, or below the last item). -1 in an empty list.
int IndexAt(const TListBox& l, POINT p, bool* outside) {
    RECT c = ClientOf(l.Handle);
    bool out = !PtInRect(&c, p);
    int count = Count(l), index = -1;
    if (count > 0) {
        if (IsMultiColumn(StyleOf(l.Handle))) {
            int x = std::clamp<int>(p.x, 0, std::max<int>(0, c.right - 1));
            int y = std::clamp<int>(p.y, 0, std::max<int>(0, c.bottom - 1));
            int rows = Rows(l);
            index = l.Top + (x / ColWidth(l)) * rows + std::min(rows - 1, y / std::max(1, l.ItemHeight));
        } else if (p.y < 0) {
            index = l.Top;
        } else {
            int y = 0;
            index = count;
            for (int i = l.Top; i < count; ++i) {
                y += HeightOf(l, i);
                if (p.y < y) {
                    index = i;
                    break;
                }
            }
        }
        if (index >= count) {
            index = count - 1;
            out = true;
        }
    }
    if (outside) *outside = out;
    return index;
}

bool IsSelected(const TListBox& l, int i) {
    switch (SelMode(StyleOf(l.Handle))) {
    case TSelMode::Single:
        return i == l.CurSel && Valid(l, i);
    case TSelMode::None:
        return false;
    default:
        return Valid(l, i) && l.Items[size_t(i)].Selected;
    }
}

// ---- Talking to the parent ---------------------------------------------------------------------

HWND OwnerOf(HWND window) {
    TListBox* l = StateOf(window);
    if (l && l->Combo) return GetParent(l->Combo);
    return GetParent(window);
}
HWND ItemWindow(const TListBox& l) { return l.Combo ? l.Combo : l.Handle; }
UINT CtlType(const TListBox& l) { return l.Combo ? ODT_COMBOBOX : ODT_LISTBOX; }
UINT CtlId(const TListBox& l) { return UINT(GetWindowLongPtrA(ItemWindow(l), GWL_ID)); }

void Notify(HWND window, WORD code) {
    TListBox* l = StateOf(window);
    if (!l) return;
    HWND target = l->Combo ? l->Combo : GetParent(window);
    bool always = code == LBN_SETFOCUS || code == LBN_KILLFOCUS || code == LBN_ERRSPACE;
    if (!target || (!l->Combo && !always && !(StyleOf(window) & LBS_NOTIFY))) return;
    WORD id = WORD(GetWindowLongPtrA(window, GWL_ID));
    SendMessageA(target, WM_COMMAND, MAKEWPARAM(id, code), LPARAM(window));
}

HBRUSH ControlColor(HWND window, HDC dc) {
    HWND owner = OwnerOf(window);
    if (!owner) owner = window;
    auto brush =
        reinterpret_cast<HBRUSH>(SendMessageA(owner, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(window)));
    if (!brush)
        brush =
            reinterpret_cast<HBRUSH>(DefWindowProcA(owner, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(window)));
    return brush ? brush : GetSysColorBrush(COLOR_WINDOW);
}

void DeleteItemNote(HWND window, int index, ULONG_PTR data) {
    TListBox* l = StateOf(window);
    if (!l) return;
    DWORD s = StyleOf(window);
    if ((s & LBS_NODATA) || (!IsOwnerDraw(s) && !data)) return;
    HWND owner = OwnerOf(window);
    if (!owner) return;
    DELETEITEMSTRUCT d;
    d.CtlType = CtlType(*l);
    d.CtlID = CtlId(*l);
    d.itemID = UINT(index);
    d.hwndItem = ItemWindow(*l);
    d.itemData = data;
    SendMessageA(owner, WM_DELETEITEM, WPARAM(d.CtlID), LPARAM(&d));
}

int Measure(HWND window, int index, ULONG_PTR data) {
    TListBox* l = StateOf(window);
    if (!l) return 0;
    MEASUREITEMSTRUCT m;
    m.CtlType = CtlType(*l);
    m.CtlID = CtlId(*l);
    m.itemID = UINT(index);
    m.itemWidth = UINT(ClientOf(window).right);
    m.itemHeight = UINT(l->ItemHeight);
    m.itemData = data;
    if (HWND owner = OwnerOf(window)) SendMessageA(owner, WM_MEASUREITEM, WPARAM(m.CtlID), LPARAM(&m));
    return int(std::min<UINT>(m.itemHeight, 0x7FFF));
}

// ---- Drawing -----------------------------------------------------------------------------------

HFONT FontOf(const TListBox& l) {
    return l.Font ? l.Font : reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

void FocusFrame(HDC dc, const RECT& rect) {
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &rect);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

bool ShowsFocus(const TListBox& l, int i) { return l.Focused && !l.Combo && i == l.Caret; }

// One item on a context that has the font, the colours the parent answered and the brush.
void DrawItem(HWND window, HDC dc, int i, UINT action, HBRUSH brush, COLORREF text) {
    TListBox* l = StateOf(window);
    if (!l) return;
    DWORD s = StyleOf(window);
    bool enabled = IsWindowShownEnabled(window);
    RECT r = ItemRect(*l, i);
    if (IsOwnerDraw(s)) {
        HWND owner = OwnerOf(window);
        if (!owner) return;
        DRAWITEMSTRUCT d;
        d.CtlType = CtlType(*l);
        d.CtlID = CtlId(*l);
        d.itemID = Valid(*l, i) ? UINT(i) : UINT(-1);
        d.itemAction = action;
        d.itemState = (IsSelected(*l, i) ? ODS_SELECTED : 0) | (ShowsFocus(*l, i) ? ODS_FOCUS : 0) |
                      (enabled ? 0 : ODS_DISABLED);
        d.hwndItem = ItemWindow(*l);
        d.hDC = dc;
        d.rcItem = r;
        d.itemData = Valid(*l, i) ? l->Items[size_t(i)].Data : 0;
        if (Valid(*l, i) && HasStrings(s) && !(s & LBS_HASSTRINGS)) d.itemData = 0;
        SendMessageA(owner, WM_DRAWITEM, WPARAM(d.CtlID), LPARAM(&d));
        return;
    }
    if (!Valid(*l, i)) {
        if (ShowsFocus(*l, i)) FocusFrame(dc, r);
        return;
    }
    bool selected = IsSelected(*l, i);
    if (selected) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        FillRect(dc, &r, brush);
        SetTextColor(dc, enabled ? text : GetSysColor(COLOR_GRAYTEXT));
    }
    SetBkMode(dc, TRANSPARENT);
    const String& t = l->Items[size_t(i)].Text;
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    int y = r.top + std::max<int>(0, (r.bottom - r.top - tm.tmHeight) / 2);
    if ((s & LBS_USETABSTOPS) && t.find('\t') != String::npos) {
        std::vector<int> stops = l->TabStops;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        TabbedTextOutA(dc, r.left + TextIndent, y, t.c_str(), int(t.size()), int(stops.size()),
                       stops.empty() ? nullptr : stops.data(), r.left + TextIndent);
        RestoreDC(dc, saved);
    } else {
        ExtTextOutA(dc, r.left + TextIndent, y, ETO_CLIPPED, &r, t.c_str(), UINT(t.size()), nullptr);
    }
    if (ShowsFocus(*l, i)) FocusFrame(dc, r);
}

void Paint(HWND window, HDC dc) {
    TListBox* l = StateOf(window);
    if (!l || !dc) return;
    int saved = SaveDC(dc);
    SelectObject(dc, FontOf(*l));
    RECT c = ClientOf(window);
    HBRUSH brush = ControlColor(window, dc);
    COLORREF text = GetTextColor(dc);
    if (!(l = StateOf(window))) return;
    FillRect(dc, &c, brush);
    DWORD s = StyleOf(window);
    int count = Count(*l);
    for (int i = l->Top; i < count; ++i) {
        RECT r = ItemRect(*l, i);
        if (IsMultiColumn(s) ? r.left >= c.right : r.top >= c.bottom) break;
        int dcState = SaveDC(dc);
        IntersectClipRect(dc, c.left, c.top, c.right, c.bottom);
        DrawItem(window, dc, i, ODA_DRAWENTIRE, brush, text);
        RestoreDC(dc, dcState);
        if (!(l = StateOf(window))) break;
        count = Count(*l);
    }
    // An empty list that has the focus still shows where the caret is.
    if (l && count == 0 && l->Focused) DrawItem(window, dc, -1, ODA_FOCUS, brush, text);
    RestoreDC(dc, saved);
}

bool CanDrawNow(HWND window) {
    TListBox* l = StateOf(window);
    return l && l->Redraw && IsWindowVisible(window);
}

// Draws an item at once, as the list does whenever its selection or caret moves.
void RedrawItem(HWND window, int i, UINT action) {
    TListBox* l = StateOf(window);
    if (!CanDrawNow(window) || (!Valid(*l, i) && !(i == -1 && Count(*l) == 0))) return;
    RECT c = ClientOf(window), r = ItemRect(*l, i), both;
    if (!IntersectRect(&both, &c, &r)) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    int saved = SaveDC(dc);
    SelectObject(dc, FontOf(*l));
    HBRUSH brush = ControlColor(window, dc);
    COLORREF text = GetTextColor(dc);
    IntersectClipRect(dc, c.left, c.top, c.right, c.bottom);
    DrawItem(window, dc, i, action, brush, text);
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
}

void RedrawItems(HWND window, const std::vector<int>& items, UINT action) {
    for (int i : items) {
        TListBox* l = StateOf(window);
        if (!CanDrawNow(window)) return;
        // Only what can be in view (the list may be long).
        if (i >= 0 && (i < l->Top || i > l->Top + PageItems(*l, l->Top) + 1)) continue;
        RedrawItem(window, i, action);
    }
}

void InvalidateAll(HWND window) {
    if (CanDrawNow(window)) InvalidateRect(window, nullptr, TRUE);
}

// ---- Scrolling ---------------------------------------------------------------------------------

void UpdateScroll(HWND window) {
    TListBox* l = StateOf(window);
    if (!l || l->UpdatingScroll || !l->Redraw) return;
    l->UpdatingScroll = true;
    DWORD s = StyleOf(window);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | ((s & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
    if (IsMultiColumn(s)) {
        if (l->WantHorz) {
            si.nMin = 0;
            si.nMax = std::max(0, TotalColumns(*l) - 1);
            si.nPage = UINT(VisibleColumns(*l));
            si.nPos = l->Top / Rows(*l);
            SetScrollInfo(window, SB_HORZ, &si, TRUE);
        }
    } else {
        if (l->WantVert) {
            si.nMin = 0;
            si.nMax = std::max(0, Count(*l) - 1);
            si.nPage = UINT(PageItems(*l, l->Top));
            si.nPos = l->Top;
            SetScrollInfo(window, SB_VERT, &si, TRUE);
        }
        if ((l = StateOf(window)) && l->WantHorz) {
            si.nMin = 0;
            si.nMax = std::max(0, l->HorzExtent - 1);
            si.nPage = UINT(std::max<LONG>(0, ClientOf(window).right));
            si.nPos = l->HorzPos;
            SetScrollInfo(window, SB_HORZ, &si, TRUE);
        }
    }
    if ((l = StateOf(window))) l->UpdatingScroll = false;
}

void SetTop(HWND window, int top) {
    TListBox* l = StateOf(window);
    if (!l) return;
    top = ClampTop(*l, top);
    if (top == l->Top) return;
    l->Top = top;
    UpdateScroll(window);
    InvalidateAll(window);
}

void SetHorzPos(HWND window, int pos) {
    TListBox* l = StateOf(window);
    if (!l) return;
    pos = std::clamp(pos, 0, std::max<int>(0, l->HorzExtent - ClientOf(window).right));
    if (pos == l->HorzPos) return;
    l->HorzPos = pos;
    UpdateScroll(window);
    InvalidateAll(window);
}

// Scrolls until the item is wholly in view (partly, with partial).
void EnsureVisible(HWND window, int i, bool partial = false) {
    TListBox* l = StateOf(window);
    if (!l || !Valid(*l, i)) return;
    DWORD s = StyleOf(window);
    if (IsMultiColumn(s)) {
        int rows = Rows(*l), col = i / rows, top = l->Top / rows, visible = VisibleColumns(*l);
        if (col < top)
            SetTop(window, col * rows);
        else if (col >= top + visible)
            SetTop(window, (col - visible + 1) * rows);
        return;
    }
    if (i < l->Top) {
        SetTop(window, i);
        return;
    }
    int height = ClientOf(window).bottom;
    RECT r = ItemRect(*l, i);
    if (partial ? r.top < height : (r.bottom <= height || r.top == 0)) return;
    int top = i, y = HeightOf(*l, i);
    while (top > 0 && y + HeightOf(*l, top - 1) <= height) {
        y += HeightOf(*l, top - 1);
        --top;
    }
    SetTop(window, top);
}

// ---- Selection ---------------------------------------------------------------------------------

// Single selection: returns whether it changed.
bool SetCurSel(HWND window, int index) {
    TListBox* l = StateOf(window);
    if (!l || l->CurSel == index) return false;
    int old = l->CurSel;
    l->CurSel = index;
    RedrawItems(window, {old, index}, ODA_SELECT);
    return true;
}

void SetCaret(HWND window, int index) {
    TListBox* l = StateOf(window);
    if (!l || l->Caret == index) return;
    int old = l->Caret;
    l->Caret = index;
    if (l->Focused) RedrawItems(window, {old, index}, ODA_FOCUS);
}

// Multiple selection: each item gets wanted(i); returns whether anything changed.
template <typename F> bool SetSelection(HWND window, F wanted) {
    TListBox* l = StateOf(window);
    if (!l) return false;
    std::vector<int> changed;
    for (int i = 0; i < Count(*l); ++i) {
        bool on = wanted(i);
        if (l->Items[size_t(i)].Selected != on) {
            l->Items[size_t(i)].Selected = on;
            changed.push_back(i);
        }
    }
    RedrawItems(window, changed, ODA_SELECT);
    return !changed.empty();
}

bool SelectRange(HWND window, int first, int last, bool on) {
    if (first > last) std::swap(first, last);
    return SetSelection(window, [&, l = StateOf(window)](int i) {
        return (i >= first && i <= last) ? on : l->Items[size_t(i)].Selected;
    });
}

// Extended selection from the anchor to index: the other items keep their state with keep,
// else they lose it.
bool SelectFromAnchor(HWND window, int index, bool keep) {
    TListBox* l = StateOf(window);
    if (!l) return false;
    int lo = std::min(l->Anchor, index), hi = std::max(l->Anchor, index);
    return SetSelection(window, [&](int i) {
        if (i >= lo && i <= hi) return true;
        return keep && l->Items[size_t(i)].Selected;
    });
}

// The user moved to an item by a key or type-ahead: what that does depends on the mode.
void GoTo(HWND window, int target, bool shift, bool ctrl) {
    TListBox* l = StateOf(window);
    if (!l || Count(*l) == 0) return;
    target = std::clamp(target, 0, Count(*l) - 1);
    bool changed = false;
    switch (SelMode(StyleOf(window))) {
    case TSelMode::Single:
        changed = SetCurSel(window, target);
        break;
    case TSelMode::Extended:
        if (shift)
            changed = SelectFromAnchor(window, target, ctrl);
        else if (!ctrl) {
            l->Anchor = target;
            changed = SelectFromAnchor(window, target, false);
        }
        break;
    default:
        break;
    }
    SetCaret(window, target);
    EnsureVisible(window, target);
    if (changed) Notify(window, LBN_SELCHANGE);
}

// ---- Items -------------------------------------------------------------------------------------

int CompareForSort(HWND window, const TItem& a, int indexA, const TItem& b) {
    TListBox* l = StateOf(window);
    if (!l) return 0;
    if (HasStrings(StyleOf(window))) return AnsiCompareText(a.Text, b.Text);
    COMPAREITEMSTRUCT c;
    c.CtlType = CtlType(*l);
    c.CtlID = CtlId(*l);
    c.hwndItem = ItemWindow(*l);
    c.itemID1 = UINT(indexA);
    c.itemData1 = a.Data;
    c.itemID2 = UINT(-1);
    c.itemData2 = b.Data;
    HWND owner = OwnerOf(window);
    return owner ? int(SendMessageA(owner, WM_COMPAREITEM, WPARAM(c.CtlID), LPARAM(&c))) : 0;
}

// Inserts at index (-1: the end; sorted: where it belongs). Answers the index or an error.
LRESULT Insert(HWND window, int index, LPARAM value, bool sorted) {
    TListBox* l = StateOf(window);
    if (!l) return LB_ERR;
    DWORD s = StyleOf(window);
    if (s & LBS_NODATA) return LB_ERR;
    TItem item;
    if (HasStrings(s)) {
        item.Text = value ? String(reinterpret_cast<const char*>(value)) : String();
    } else {
        item.Data = ULONG_PTR(value);
    }
    if (sorted) {
        // After the last item that sorts before or with the new one.
        int lo = 0, hi = Count(*l);
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            TItem probe = l->Items[size_t(mid)];
            int order = CompareForSort(window, probe, mid, item);
            if (!(l = StateOf(window))) return LB_ERR;
            if (order <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        index = lo;
    } else if (index == -1) {
        index = Count(*l);
    } else if (index < 0 || index > Count(*l)) {
        return LB_ERR;
    }
    item.Height = l->ItemHeight;
    if (IsVariable(s)) {
        item.Height = std::max(1, Measure(window, index, value));
        if (!(l = StateOf(window))) return LB_ERR;
        index = std::min(index, Count(*l));
    }
    try {
        l->Items.insert(l->Items.begin() + index, std::move(item));
    } catch (const std::bad_alloc&) {
        Notify(window, LBN_ERRSPACE);
        return LB_ERRSPACE;
    }
    // The selection, the caret and the anchor stay with their items; a caret on nothing in
    // particular (nothing selected there) stays where it is.
    bool caretOnSelected = Count(*l) > 1 && IsSelected(*l, l->Caret + (l->Caret >= index ? 1 : 0));
    if (l->CurSel >= index) ++l->CurSel;
    if (Count(*l) > 1) {
        if (l->Caret > index || (l->Caret == index && caretOnSelected)) ++l->Caret;
        if (l->Anchor > index) ++l->Anchor;
    }
    UpdateScroll(window);
    InvalidateAll(window);
    return index;
}

LRESULT Delete(HWND window, int index) {
    TListBox* l = StateOf(window);
    if (!l || !Valid(*l, index)) return LB_ERR;
    ULONG_PTR data = l->Items[size_t(index)].Data;
    DeleteItemNote(window, index, data);
    if (!(l = StateOf(window)) || !Valid(*l, index)) return LB_ERR;
    l->Items.erase(l->Items.begin() + index);
    int count = Count(*l);
    if (l->CurSel == index)
        l->CurSel = -1;
    else if (l->CurSel > index)
        --l->CurSel;
    if (l->Caret > index || l->Caret >= count) l->Caret = std::max(0, l->Caret - 1);
    if (l->Anchor > index || l->Anchor >= count) l->Anchor = std::max(0, l->Anchor - 1);
    l->Top = ClampTop(*l, l->Top);
    UpdateScroll(window);
    InvalidateAll(window);
    return count;
}

void Reset(HWND window, bool notes) {
    TListBox* l = StateOf(window);
    if (!l) return;
    std::vector<TItem> items;
    items.swap(l->Items);
    l->CurSel = -1;
    l->Caret = l->Anchor = l->Top = l->HorzPos = 0;
    if (notes)
        for (size_t i = 0; i < items.size(); ++i)
            DeleteItemNote(window, int(i), items[i].Data);
    UpdateScroll(window);
    InvalidateAll(window);
}

// First item after start (wrapping) whose text begins with (or, exact, is) text; the item data
// is compared in a list without texts.
LRESULT Find(const TListBox& l, int start, LPARAM value, bool exact) {
    int count = Count(l);
    if (count == 0) return LB_ERR;
    DWORD s = StyleOf(l.Handle);
    if (start < -1 || start >= count) start = -1;
    if (!HasStrings(s)) {
        if (s & LBS_NODATA) return LB_ERR;
        for (int k = 1; k <= count; ++k) {
            int i = (start + k) % count;
            if (l.Items[size_t(i)].Data == ULONG_PTR(value)) return i;
        }
        return LB_ERR;
    }
    String wanted = AnsiUpperCase(value ? String(reinterpret_cast<const char*>(value)) : String());
    for (int k = 1; k <= count; ++k) {
        int i = (start + k) % count;
        String text = AnsiUpperCase(l.Items[size_t(i)].Text);
        if (exact ? text == wanted : text.compare(0, wanted.size(), wanted) == 0) return i;
    }
    return LB_ERR;
}

// ---- Fonts and sizes ---------------------------------------------------------------------------

void MeasureFont(TListBox& l) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontOf(l));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    if (!IsOwnerDraw(StyleOf(l.Handle))) l.ItemHeight = std::max<int>(1, tm.tmHeight);
    if (l.ColumnWidth <= 0) l.ColumnWidth = std::max<int>(16, 16 * tm.tmAveCharWidth);
}

bool IntegralHeight(const TListBox& l) {
    DWORD s = StyleOf(l.Handle);
    return !l.Combo && !(s & LBS_NOINTEGRALHEIGHT) && !IsVariable(s);
}

// The window's height with its client area cut to whole items.
void ApplyIntegralHeight(const TListBox& l, WINDOWPOS& pos) {
    if ((pos.flags & SWP_NOSIZE) || !IntegralHeight(l)) return;
    RECT window, client;
    GetWindowRect(l.Handle, &window);
    GetClientRect(l.Handle, &client);
    int frame = (window.bottom - window.top) - client.bottom;
    int height = pos.cy - frame;
    if (height > l.ItemHeight) pos.cy = frame + height - height % l.ItemHeight;
}

void ReapplySize(HWND window) {
    TListBox* l = StateOf(window);
    if (!l) return;
    RECT r;
    GetWindowRect(window, &r);
    WINDOWPOS pos;
    pos.cx = r.right - r.left;
    pos.cy = r.bottom - r.top;
    ApplyIntegralHeight(*l, pos);
    if (pos.cy != r.bottom - r.top)
        SetWindowPos(window, nullptr, 0, 0, pos.cx, pos.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Keyboard ----------------------------------------------------------------------------------

bool KeyDown(int key) { return GetKeyState(key) < 0; }

void OnKey(HWND window, int key) {
    TListBox* l = StateOf(window);
    if (!l) return;
    DWORD s = StyleOf(window);
    int target = -2;
    if ((s & LBS_WANTKEYBOARDINPUT) && !l->Combo) {
        HWND parent = GetParent(window);
        LRESULT answer = parent ? SendMessageA(parent, WM_VKEYTOITEM, MAKEWPARAM(WORD(key), WORD(l->Caret)),
                                               LPARAM(window))
                                : -1;
        if (!(l = StateOf(window)) || answer == -2) return;
        if (answer >= 0) target = int(answer);
    }
    int count = Count(*l);
    if (count == 0) return;
    bool shift = KeyDown(VK_SHIFT), ctrl = KeyDown(VK_CONTROL);
    TSelMode mode = SelMode(s);
    int caret = std::clamp(l->Caret, 0, count - 1);
    // With nothing selected yet, the first arrow selects the caret item where it stands.
    bool fresh = mode == TSelMode::Single && l->CurSel < 0;
    int page = std::max(1, PageItems(*l, l->Top) - (IsMultiColumn(s) ? 0 : 1));
    int rows = IsMultiColumn(s) ? Rows(*l) : 1;
    if (target == -2) {
        switch (key) {
        case VK_UP:
            target = fresh ? caret : caret - 1;
            break;
        case VK_DOWN:
            target = fresh ? caret : caret + 1;
            break;
        case VK_LEFT:
            if (!IsMultiColumn(s) && l->HorzExtent > 0) {
                SetHorzPos(window, l->HorzPos - HorzLine);
                return;
            }
            target = fresh ? caret : caret - rows;
            break;
        case VK_RIGHT:
            if (!IsMultiColumn(s) && l->HorzExtent > 0) {
                SetHorzPos(window, l->HorzPos + HorzLine);
                return;
            }
            target = fresh ? caret : caret + rows;
            break;
        case VK_PRIOR:
            target = caret - page;
            break;
        case VK_NEXT:
            target = caret + page;
            break;
        case VK_HOME:
            target = 0;
            break;
        case VK_END:
            target = count - 1;
            break;
        case VK_SPACE:
            if (mode == TSelMode::Multiple || (mode == TSelMode::Extended && ctrl && !shift)) {
                bool on = !l->Items[size_t(caret)].Selected;
                l->Anchor = caret;
                if (SelectRange(window, caret, caret, on)) Notify(window, LBN_SELCHANGE);
            } else if (mode == TSelMode::Extended) {
                if (!shift) l->Anchor = caret;
                if (SelectFromAnchor(window, caret, false)) Notify(window, LBN_SELCHANGE);
            }
            return;
        default:
            return;
        }
    }
    GoTo(window, target, shift, ctrl);
}

void OnChar(HWND window, char32_t ch) {
    TListBox* l = StateOf(window);
    if (!l || ch < 0x20 || ch == 0x7F) return;
    DWORD s = StyleOf(window);
    if (!HasStrings(s)) {
        if ((s & LBS_WANTKEYBOARDINPUT) && !l->Combo) {
            HWND parent = GetParent(window);
            LRESULT answer = parent ? SendMessageA(parent, WM_CHARTOITEM,
                                                   MAKEWPARAM(WORD(ch), WORD(l->Caret)), LPARAM(window))
                                    : -1;
            if (answer >= 0) GoTo(window, int(answer), false, false);
        }
        return;
    }
    if ((s & LBS_WANTKEYBOARDINPUT) && !l->Combo) {
        HWND parent = GetParent(window);
        LRESULT answer =
            parent ? SendMessageA(parent, WM_CHARTOITEM, MAKEWPARAM(WORD(ch), WORD(l->Caret)), LPARAM(window))
                   : -1;
        if (!(l = StateOf(window)) || answer == -2) return;
        if (answer >= 0) {
            GoTo(window, int(answer), false, false);
            return;
        }
    }
    // Characters typed within the double-click time make one prefix.
    String c = Utf8FromCodePoint(ch);
    DWORD now = GetTickCount();
    if (!l->Typed.empty() && now - l->TypedAt <= GetDoubleClickTime())
        l->Typed += c;
    else
        l->Typed = c;
    l->TypedAt = now;
    int caret = Count(*l) ? std::clamp(l->Caret, 0, Count(*l) - 1) : -1;
    bool fresh = SelMode(s) == TSelMode::Single && l->CurSel < 0;
    String typed = l->Typed;
    LRESULT found;
    if (typed == c) {
        // A first letter moves on to the next item with it.
        found = Find(*l, fresh ? -1 : caret, LPARAM(typed.c_str()), false);
    } else {
        found = Find(*l, caret - 1, LPARAM(typed.c_str()), false);
        // The same letter again and again steps through the items that begin with it.
        if (found == LB_ERR && typed == StringOfChar(ch, Utf8Length(typed)))
            found = Find(*l, caret, LPARAM(c.c_str()), false);
    }
    if (found != LB_ERR) GoTo(window, int(found), false, false);
}

// ---- Mouse -------------------------------------------------------------------------------------

void TrackTo(HWND window, int index) {
    TListBox* l = StateOf(window);
    if (!l || !Valid(*l, index)) return;
    switch (SelMode(StyleOf(window))) {
    case TSelMode::Single:
        if (SetCurSel(window, index) && (l = StateOf(window))) l->Changed = true;
        break;
    case TSelMode::Extended:
        if (l->CtrlDrag) {
            int lo = std::min(l->Anchor, index), hi = std::max(l->Anchor, index);
            bool state = l->DragState;
            std::vector<char> base = l->DragBase;
            if (SetSelection(window,
                             [&](int i) {
                                 if (i >= lo && i <= hi) return state;
                                 return i < int(base.size()) && base[size_t(i)] != 0;
                             }) &&
                (l = StateOf(window)))
                l->Changed = true;
        } else if (SelectFromAnchor(window, index, false) && (l = StateOf(window))) {
            l->Changed = true;
        }
        break;
    default:
        break;
    }
    SetCaret(window, index);
}

void MouseDown(HWND window, POINT p, WPARAM keys, bool doubleClick) {
    TListBox* l = StateOf(window);
    if (!l) return;
    if (l->Combo) {
        RECT c = ClientOf(window);
        if (l->Dropped && !PtInRect(&c, p)) {
            WinComboListEvent(l->Combo, TComboListEvent::Cancel);
            return;
        }
        if (!l->Dropped) {
            // The always-open list of a simple combo box: the combo keeps the focus.
            if (GetFocus() != l->Combo && !IsChild(l->Combo, GetFocus())) SetFocus(l->Combo);
            if (!(l = StateOf(window))) return;
            SetCapture(window);
            if (!(l = StateOf(window))) return;
            l->DoubleClick = doubleClick;
        }
        l->Tracking = true;
        l->LastMouse = p;
        bool outside = false;
        int index = IndexAt(*l, p, &outside);
        if (!outside) WinComboListSetSelection(window, index);
        return;
    }
    if (GetFocus() != window) SetFocus(window);
    if (!(l = StateOf(window))) return;
    SetCapture(window);
    if (!(l = StateOf(window))) return;
    bool outside = false;
    int index = IndexAt(*l, p, &outside);
    l->Tracking = true;
    l->Changed = false;
    l->CtrlDrag = false;
    l->LastMouse = p;
    l->DoubleClick = doubleClick && index >= 0 && !outside;
    if (index < 0) return;
    bool shift = keys & MK_SHIFT, ctrl = keys & MK_CONTROL;
    switch (SelMode(StyleOf(window))) {
    case TSelMode::Single:
        SetCurSel(window, index);
        if ((l = StateOf(window))) l->Changed = true; // a click always tells, even on the same item
        break;
    case TSelMode::Multiple:
        l->Anchor = index;
        SelectRange(window, index, index, !l->Items[size_t(index)].Selected);
        if ((l = StateOf(window))) l->Changed = true;
        break;
    case TSelMode::Extended:
        if (shift) {
            l->Changed = SelectFromAnchor(window, index, ctrl);
        } else if (ctrl) {
            l->Anchor = index;
            l->CtrlDrag = true;
            l->DragState = !l->Items[size_t(index)].Selected;
            l->DragBase.assign(l->Items.size(), 0);
            for (size_t i = 0; i < l->Items.size(); ++i)
                l->DragBase[i] = l->Items[i].Selected;
            SelectRange(window, index, index, l->DragState);
            if ((l = StateOf(window))) l->Changed = true;
        } else {
            l->Anchor = index;
            SelectFromAnchor(window, index, false);
            if ((l = StateOf(window))) l->Changed = true;
        }
        break;
    case TSelMode::None:
        break;
    }
    SetCaret(window, index);
    EnsureVisible(window, index);
}

// While the button is held outside the list, the timer scrolls one item at a time towards the
// pointer and extends the selection to the item that came into view.
void AutoScrollStep(HWND window) {
    TListBox* l = StateOf(window);
    if (!l || !l->Tracking || Count(*l) == 0) return;
    RECT c = ClientOf(window);
    POINT p = l->LastMouse;
    DWORD s = StyleOf(window);
    int target = -1;
    if (IsMultiColumn(s)) {
        if (p.x < 0)
            target = std::max(0, l->Top - 1);
        else if (p.x >= c.right)
            target = std::min(Count(*l) - 1, l->Top + PageItems(*l, l->Top));
    } else {
        if (p.y < 0)
            target = std::max(0, l->Top - 1);
        else if (p.y >= c.bottom)
            target = std::min(Count(*l) - 1, l->Top + PageItems(*l, l->Top));
    }
    if (target < 0) {
        KillTimer(window, AutoScrollTimer);
        return;
    }
    EnsureVisible(window, target);
    TrackTo(window, target);
}

void MouseMove(HWND window, POINT p) {
    TListBox* l = StateOf(window);
    if (!l) return;
    l->LastMouse = p;
    if (l->Combo) {
        // Over a dropped list the highlight follows the pointer, pressed or not.
        RECT c = ClientOf(window);
        if ((l->Dropped || l->Tracking) && PtInRect(&c, p)) {
            bool outside = false;
            int index = IndexAt(*l, p, &outside);
            if (!outside) WinComboListSetSelection(window, index);
        }
        return;
    }
    if (!l->Tracking || GetCapture() != window) return;
    RECT c = ClientOf(window);
    bool beyond = IsMultiColumn(StyleOf(window)) ? (p.x < 0 || p.x >= c.right) : (p.y < 0 || p.y >= c.bottom);
    if (beyond) {
        SetTimer(window, AutoScrollTimer, AutoScrollInterval, nullptr);
        return;
    }
    KillTimer(window, AutoScrollTimer);
    int index = IndexAt(*l, p, nullptr);
    if (index >= 0) TrackTo(window, index);
}

void EndTracking(HWND window) {
    TListBox* l = StateOf(window);
    if (!l || !l->Tracking) return;
    l->Tracking = false;
    KillTimer(window, AutoScrollTimer);
    bool changed = l->Changed, dbl = l->DoubleClick;
    l->Changed = l->DoubleClick = false;
    l->DragBase.clear();
    if (changed) Notify(window, LBN_SELCHANGE);
    if (dbl && StateOf(window)) Notify(window, LBN_DBLCLK);
}

void MouseUp(HWND window, POINT p) {
    TListBox* l = StateOf(window);
    if (!l) return;
    if (l->Combo) {
        bool wasTracking = l->Tracking;
        l->Tracking = false;
        RECT c = ClientOf(window);
        bool outside = true;
        int index = PtInRect(&c, p) ? IndexAt(*l, p, &outside) : -1;
        if (index >= 0 && !outside) {
            WinComboListSetSelection(window, index);
            if (!(l = StateOf(window))) return;
            if (l->Dropped) {
                WinComboListEvent(l->Combo, TComboListEvent::Accept);
            } else if (wasTracking) {
                bool dbl = l->DoubleClick;
                l->DoubleClick = false;
                if (GetCapture() == window) ReleaseCapture();
                Notify(window, LBN_SELCHANGE);
                if (dbl) Notify(window, LBN_DBLCLK);
            }
        } else if (l->OpeningPress) {
            l->OpeningPress = false; // the press that opened the list stays open
        }
        if ((l = StateOf(window)) && !l->Dropped && wasTracking && GetCapture() == window) ReleaseCapture();
        return;
    }
    if (!l->Tracking) return;
    if (GetCapture() == window) ReleaseCapture();
    EndTracking(window);
}

// ---- The window procedure ----------------------------------------------------------------------

LRESULT ListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT OnCreate(HWND window) {
    TListBox* l = StateOf(window);
    if (!l) return -1;
    DWORD s = StyleOf(window);
    l->WantVert = s & WS_VSCROLL;
    l->WantHorz = s & WS_HSCROLL;
    l->Redraw = !(s & LBS_NOREDRAW);
    MeasureFont(*l);
    if (s & LBS_OWNERDRAWFIXED) {
        TEXTMETRICA tm;
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, FontOf(*l));
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        l->ItemHeight = std::max<int>(1, tm.tmHeight);
        int h = Measure(window, 0, 0);
        if (!(l = StateOf(window))) return -1;
        if (h > 0) l->ItemHeight = h;
    } else if (IsOwnerDraw(s)) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, FontOf(*l));
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        l->ItemHeight = std::max<int>(1, tm.tmHeight);
    }
    if (IntegralHeight(*l)) ReapplySize(window);
    UpdateScroll(window);
    return 0;
}

LRESULT OnMessage(HWND window, TListBox* l, UINT message, WPARAM wParam, LPARAM lParam) {
    const DWORD s = StyleOf(window);
    const TSelMode mode = SelMode(s);
    const int count = Count(*l);
    const int index = int(wParam);
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY: {
        // The parent hears of every item that goes with the window.
        std::vector<TItem> items;
        items.swap(l->Items);
        for (size_t i = 0; i < items.size() && StateOf(window); ++i)
            DeleteItemNote(window, int(i), items[i].Data);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        return 1; // painting fills everything
    case WM_PAINT:
        if (wParam) {
            Paint(window, reinterpret_cast<HDC>(wParam));
        } else {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            Paint(window, dc);
            EndPaint(window, &ps);
        }
        return 0;
    case WM_PRINTCLIENT:
        Paint(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETFONT:
        l->Font = reinterpret_cast<HFONT>(wParam);
        MeasureFont(*l);
        if (IntegralHeight(*l)) ReapplySize(window);
        if (!(l = StateOf(window))) return 0;
        l->Top = ClampTop(*l, l->Top);
        UpdateScroll(window);
        if (LOWORD(std::uintptr_t(lParam))) InvalidateAll(window);
        return 0;
    case WM_GETFONT:
        return LRESULT(l->Font);
    case WM_SETREDRAW:
        l->Redraw = wParam != 0;
        if (l->Redraw) {
            UpdateScroll(window);
            InvalidateAll(window);
        }
        return 0;
    case WM_ENABLE:
    case WM_SYSCOLORCHANGE:
        InvalidateAll(window);
        return 0;
    case WM_WINDOWPOSCHANGING:
        if (lParam) ApplyIntegralHeight(*l, *reinterpret_cast<WINDOWPOS*>(lParam));
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
        l->Top = ClampTop(*l, l->Top);
        l->HorzPos = std::clamp(l->HorzPos, 0, std::max<int>(0, l->HorzExtent - ClientOf(window).right));
        UpdateScroll(window);
        InvalidateAll(window);
        return 0;
    case WM_MOUSEACTIVATE:
        if (l->Combo) return MA_NOACTIVATE;
        return DefWindowProcA(window, message, wParam, lParam);

    case WM_SETFOCUS:
        l->Focused = true;
        RedrawItem(window, count ? l->Caret : -1, ODA_FOCUS);
        Notify(window, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        l->Focused = false;
        RedrawItem(window, count ? l->Caret : -1, ODA_FOCUS);
        if (StateOf(window) && GetCapture() == window && !l->Combo) ReleaseCapture();
        Notify(window, LBN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
        OnKey(window, int(wParam));
        return 0;
    case WM_CHAR:
        OnChar(window, char32_t(wParam));
        return 0;

    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        MouseDown(window, MakePointFromLParam(lParam), wParam, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEMOVE:
        MouseMove(window, MakePointFromLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        MouseUp(window, MakePointFromLParam(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == AutoScrollTimer) AutoScrollStep(window);
        return 0;
    case WM_CAPTURECHANGED:
        if (HWND(lParam) == window) return 0;
        if (l->Combo) {
            l->Tracking = false;
            if (l->Dropped) WinComboListEvent(l->Combo, TComboListEvent::Cancel);
            return 0;
        }
        EndTracking(window);
        return 0;
    case WM_MOUSEWHEEL: {
        UINT lines = 3;
        SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        l->WheelRest += GET_WHEEL_DELTA_WPARAM(wParam);
        int notches = l->WheelRest / WHEEL_DELTA;
        l->WheelRest -= notches * WHEEL_DELTA;
        if (notches == 0) return 0;
        if (IsMultiColumn(s))
            SetTop(window, l->Top - notches * Rows(*l));
        else
            SetTop(window, l->Top - notches * int(std::max<UINT>(1, std::min<UINT>(lines, 100))));
        return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL: {
        WORD code = LOWORD(wParam);
        bool columns = IsMultiColumn(s);
        if (message == WM_HSCROLL && !columns) {
            int page = std::max<int>(1, ClientOf(window).right);
            int pos = l->HorzPos;
            switch (code) {
            case SB_LINELEFT:
                pos -= HorzLine;
                break;
            case SB_LINERIGHT:
                pos += HorzLine;
                break;
            case SB_PAGELEFT:
                pos -= page;
                break;
            case SB_PAGERIGHT:
                pos += page;
                break;
            case SB_LEFT:
                pos = 0;
                break;
            case SB_RIGHT:
                pos = l->HorzExtent;
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION: {
                SCROLLINFO si;
                si.fMask = SIF_TRACKPOS;
                pos = int(HIWORD(wParam));
                if (GetScrollInfo(window, SB_HORZ, &si) && (si.nTrackPos & 0xFFFF) == pos) pos = si.nTrackPos;
                break;
            }
            default:
                return 0;
            }
            SetHorzPos(window, pos);
            return 0;
        }
        if ((message == WM_VSCROLL) == columns) return 0;
        int step = columns ? Rows(*l) : 1;
        int page = columns ? Rows(*l) * VisibleColumns(*l) : std::max(1, PageItems(*l, l->Top) - 1);
        int top = l->Top;
        switch (code) {
        case SB_LINEUP:
            top -= step;
            break;
        case SB_LINEDOWN:
            top += step;
            break;
        case SB_PAGEUP:
            top -= page;
            break;
        case SB_PAGEDOWN:
            top += page;
            break;
        case SB_TOP:
            top = 0;
            break;
        case SB_BOTTOM:
            top = count;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            // The message carries 16 bits of the position; the bar has all of them.
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS;
            int pos = int(HIWORD(wParam));
            if (GetScrollInfo(window, columns ? SB_HORZ : SB_VERT, &si) && (si.nTrackPos & 0xFFFF) == pos)
                pos = si.nTrackPos;
            top = pos * step;
            break;
        }
        default:
            return 0;
        }
        SetTop(window, top);
        return 0;
    }

    // ---- Items ----
    case LB_ADDSTRING:
        return Insert(window, -1, lParam, (s & LBS_SORT) != 0);
    case LB_INSERTSTRING:
        return Insert(window, index, lParam, false);
    case LB_DELETESTRING:
        return Delete(window, index);
    case LB_RESETCONTENT:
        Reset(window, true);
        return LB_OKAY;
    case LB_GETCOUNT:
        return count;
    case LB_SETCOUNT: {
        if (!(s & LBS_NODATA) || index < 0) return LB_ERR;
        try {
            l->Items.resize(size_t(index));
        } catch (const std::bad_alloc&) {
            Notify(window, LBN_ERRSPACE);
            return LB_ERRSPACE;
        }
        if (l->CurSel >= index) l->CurSel = -1;
        l->Caret = std::clamp(l->Caret, 0, std::max(0, index - 1));
        l->Anchor = std::clamp(l->Anchor, 0, std::max(0, index - 1));
        l->Top = ClampTop(*l, l->Top);
        UpdateScroll(window);
        InvalidateAll(window);
        return LB_OKAY;
    }
    case LB_INITSTORAGE:
        try {
            l->Items.reserve(l->Items.size() + size_t(std::max(0, index)));
        } catch (const std::bad_alloc&) {
            return LB_ERRSPACE;
        }
        return LRESULT(l->Items.capacity());
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
        if (!Valid(*l, index) || (s & LBS_NODATA)) return LB_ERR;
        const TItem& item = l->Items[size_t(index)];
        if (!HasStrings(s)) {
            // A list without texts hands out the item's data.
            if (message == LB_GETTEXT && lParam)
                std::memcpy(reinterpret_cast<void*>(lParam), &item.Data, sizeof(item.Data));
            return LRESULT(sizeof(item.Data));
        }
        if (message == LB_GETTEXT && lParam) {
            char* out = reinterpret_cast<char*>(lParam);
            std::memcpy(out, item.Text.data(), item.Text.size());
            out[item.Text.size()] = '\0';
        }
        return LRESULT(item.Text.size());
    }
    case LB_GETITEMDATA:
        if (!Valid(*l, index) || (s & LBS_NODATA)) return LB_ERR;
        return LRESULT(l->Items[size_t(index)].Data);
    case LB_SETITEMDATA:
        if (!Valid(*l, index) || (s & LBS_NODATA)) return LB_ERR;
        l->Items[size_t(index)].Data = ULONG_PTR(lParam);
        return TRUE;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        return Find(*l, index, lParam, message == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
        if (IsMulti(mode)) return LB_ERR;
        LRESULT found = Find(*l, index, lParam, false);
        if (found == LB_ERR) return LB_ERR;
        if (mode == TSelMode::Single) SetCurSel(window, int(found));
        SetCaret(window, int(found));
        EnsureVisible(window, int(found));
        return found;
    }

    // ---- Selection ----
    case LB_SETCURSEL:
        if (mode != TSelMode::Single) return LB_ERR;
        if (index == -1 || !Valid(*l, index)) {
            SetCurSel(window, -1);
            return LB_ERR;
        }
        SetCurSel(window, index);
        SetCaret(window, index);
        EnsureVisible(window, index);
        return index;
    case LB_GETCURSEL:
        if (mode == TSelMode::Single) return l->CurSel >= 0 ? l->CurSel : LB_ERR;
        return count ? l->Caret : LB_ERR;
    case LB_GETSEL:
        if (!Valid(*l, index)) return LB_ERR;
        return IsSelected(*l, index) ? 1 : 0;
    case LB_SETSEL: {
        int item = int(lParam);
        if (!IsMulti(mode)) return LB_ERR;
        if (item == -1) {
            SetSelection(window, [on = wParam != 0](int) { return on; });
            return LB_OKAY;
        }
        if (!Valid(*l, item)) return LB_ERR;
        SelectRange(window, item, item, wParam != 0);
        return LB_OKAY;
    }
    case LB_GETSELCOUNT:
        if (!IsMulti(mode)) return LB_ERR;
        return std::count_if(l->Items.begin(), l->Items.end(), [](const TItem& i) { return i.Selected; });
    case LB_GETSELITEMS: {
        if (!IsMulti(mode)) return LB_ERR;
        int* out = reinterpret_cast<int*>(lParam);
        int n = 0;
        for (int i = 0; i < count && n < index; ++i)
            if (l->Items[size_t(i)].Selected) {
                if (out) out[n] = i;
                ++n;
            }
        return n;
    }
    case LB_SELITEMRANGE:
    case LB_SELITEMRANGEEX: {
        if (!IsMulti(mode)) return LB_ERR;
        int first, last;
        bool on = true;
        if (message == LB_SELITEMRANGE) {
            first = LOWORD(std::uintptr_t(lParam));
            last = HIWORD(std::uintptr_t(lParam));
            on = wParam != 0;
            if (first > last) std::swap(first, last);
        } else {
            first = int(wParam);
            last = int(lParam);
            if (first > last) {
                std::swap(first, last);
                on = false;
            }
        }
        if (count == 0 || first >= count) return LB_OKAY;
        SelectRange(window, std::max(0, first), std::min(last, count - 1), on);
        return LB_OKAY;
    }
    case LB_SETCARETINDEX:
        if (!Valid(*l, index)) return LB_ERR;
        SetCaret(window, index);
        EnsureVisible(window, index, lParam != 0);
        return LB_OKAY;
    case LB_GETCARETINDEX:
        return count ? l->Caret : 0;
    case LB_SETANCHORINDEX:
        if (!Valid(*l, index)) return LB_ERR;
        l->Anchor = index;
        return LB_OKAY;
    case LB_GETANCHORINDEX:
        return l->Anchor;

    // ---- Geometry ----
    case LB_SETTOPINDEX:
        if (!Valid(*l, index) && !(index == 0 && count == 0)) return LB_ERR;
        SetTop(window, index);
        return LB_OKAY;
    case LB_GETTOPINDEX:
        return l->Top;
    case LB_GETITEMRECT: {
        if (!Valid(*l, index) && !(index == 0 && count == 0)) return LB_ERR;
        if (lParam) *reinterpret_cast<RECT*>(lParam) = ItemRect(*l, index);
        return LB_OKAY;
    }
    case LB_ITEMFROMPOINT: {
        bool outside = true;
        int found = IndexAt(*l, MakePointFromLParam(lParam), &outside);
        return LRESULT(MAKELONG(WORD(std::max(0, found)), WORD(outside || found < 0 ? 1 : 0)));
    }
    case LB_SETITEMHEIGHT: {
        int height = LOWORD(std::uintptr_t(lParam));
        if (height <= 0 || height > 255) return LB_ERR;
        if (IsVariable(s)) {
            if (!Valid(*l, index)) return LB_ERR;
            l->Items[size_t(index)].Height = height;
        } else {
            l->ItemHeight = height;
            for (TItem& item : l->Items)
                item.Height = height;
        }
        l->Top = ClampTop(*l, l->Top);
        UpdateScroll(window);
        InvalidateAll(window);
        return LB_OKAY;
    }
    case LB_GETITEMHEIGHT:
        if (IsVariable(s)) return Valid(*l, index) ? l->Items[size_t(index)].Height : LB_ERR;
        return l->ItemHeight;
    case LB_SETHORIZONTALEXTENT:
        l->HorzExtent = std::max(0, index);
        l->HorzPos = std::clamp(l->HorzPos, 0, std::max<int>(0, l->HorzExtent - ClientOf(window).right));
        UpdateScroll(window);
        InvalidateAll(window);
        return 0;
    case LB_GETHORIZONTALEXTENT:
        return l->HorzExtent;
    case LB_SETCOLUMNWIDTH:
        if (index <= 0) return LB_ERR;
        l->ColumnWidth = index;
        l->Top = ClampTop(*l, l->Top);
        UpdateScroll(window);
        InvalidateAll(window);
        return LB_OKAY;
    case LB_SETTABSTOPS: {
        l->TabStops.clear();
        // Given in dialog template units: a quarter of the average character width.
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, FontOf(*l));
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        const int* stops = reinterpret_cast<const int*>(lParam);
        if (index == 0 || !stops) {
            l->TabStops.push_back(int(tm.tmAveCharWidth) * 8);
        } else {
            for (int i = 0; i < (index == 1 ? 1 : index); ++i)
                l->TabStops.push_back(stops[i] * int(tm.tmAveCharWidth) / 4);
        }
        InvalidateAll(window);
        return TRUE;
    }
    case LB_GETLISTBOXINFO:
        return IsMultiColumn(s) ? Rows(*l) : count;
    case LB_SETLOCALE:
    case LB_GETLOCALE:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT ListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        if (!GetWindowLongPtrA(window, 0)) {
            auto* l = new TListBox;
            l->Handle = window;
            SetWindowLongPtrA(window, 0, LONG_PTR(l));
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_NCDESTROY:
        KillTimer(window, AutoScrollTimer);
        delete reinterpret_cast<TListBox*>(GetWindowLongPtrA(window, 0));
        SetWindowLongPtrA(window, 0, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        break;
    }
    TListBox* l = StateOf(window);
    if (!l) return DefWindowProcA(window, message, wParam, lParam);
    return OnMessage(window, l, message, wParam, lParam);
}

// The list of a combo box: its creation parameter is the combo.
LRESULT ComboListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE && !GetWindowLongPtrA(window, 0)) {
        auto* l = new TListBox;
        l->Handle = window;
        if (const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam))
            l->Combo = reinterpret_cast<HWND>(cs->lpCreateParams);
        SetWindowLongPtrA(window, 0, LONG_PTR(l));
    }
    return ListBoxProc(window, message, wParam, lParam);
}

bool RegisterClasses() {
    WNDCLASSA wc;
    bool ok = true;
    if (!GetClassInfoA(nullptr, WC_LISTBOXA, &wc)) {
        wc = WNDCLASSA{};
        wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
        wc.lpfnWndProc = ListBoxProc;
        wc.cbWndExtra = int(sizeof(TListBox*));
        wc.lpszClassName = WC_LISTBOXA;
        ok = RegisterClassA(&wc) != 0;
    }
    if (!GetClassInfoA(nullptr, WC_COMBOLBOXA, &wc)) {
        wc = WNDCLASSA{};
        wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
        wc.lpfnWndProc = ComboListProc;
        wc.cbWndExtra = int(sizeof(TListBox*));
        wc.lpszClassName = WC_COMBOLBOXA;
        ok = RegisterClassA(&wc) != 0 && ok;
    }
    return ok;
}

// Registered as the program starts, so that every thread finds the classes by name.
[[maybe_unused]] const bool ListBoxClassesRegistered = RegisterClasses();

} // namespace

DWORD GetListBoxInfo(HWND listBox) { return DWORD(SendMessageA(listBox, LB_GETLISTBOXINFO, 0, 0)); }

void WinRegisterListBoxClasses() { RegisterClasses(); }

void WinComboListDropped(HWND list, bool dropped, bool byMouse) {
    TListBox* l = StateOf(list);
    if (!l) return;
    l->Dropped = dropped;
    l->OpeningPress = dropped && byMouse;
    l->Tracking = dropped && byMouse;
    if (dropped && Valid(*l, l->CurSel)) EnsureVisible(list, l->CurSel);
}

void WinComboListSetSelection(HWND list, int index) {
    TListBox* l = StateOf(list);
    if (!l) return;
    if (!Valid(*l, index)) index = -1;
    SetCurSel(list, index);
    if (index >= 0) {
        SetCaret(list, index);
        EnsureVisible(list, index);
    }
}

int WinComboListItemsHeight(HWND list, int first, int count) {
    TListBox* l = StateOf(list);
    if (!l) return 0;
    int height = 0;
    for (int i = first; i < first + count; ++i)
        height += HeightOf(*l, i);
    return height;
}

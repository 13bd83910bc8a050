// Menu layout and classic drawing: pop-up menus in a raised 3-D frame with check marks, radio
// bullets, submenu arrows, embossed disabled text, etched separators and bold default items; the
// menu bar of a window; owner-drawn items measured and drawn by their owner.
#include <algorithm>
#include <map>

#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinMenuInternal.h"
#include "platform/winapi/WinOwnerDraw.h"

using namespace WinMenuInternal;

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The frame of a pop-up menu: a raised edge and one pixel of menu colour inside it.
constexpr int PopupFrame = 3;
// Between a caption and its shortcut text.
constexpr int ShortcutGap = 12;
// On each side of a menu-bar item's text.
constexpr int BarPadding = 6;

int CheckWidth() { return GetSystemMetrics(SM_CXMENUCHECK); }
// The column left of the text (check marks, radio bullets, item bitmaps) and the one right of it
// (submenu arrows).
int CheckColumn() { return CheckWidth() + 4; }
int ArrowColumn() { return CheckWidth() + 4; }
int ItemHeight(int textHeight) { return std::max(GetSystemMetrics(SM_CYMENUSIZE), textHeight + 4); }
int SeparatorHeight() { return GetSystemMetrics(SM_CYMENUSIZE) / 2; }

HFONT MenuFont(bool bold) {
    NONCLIENTMETRICSA metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTA font = metrics.lfMenuFont;
    if (bold) font.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&font);
}

// The caption and the shortcut text of an item ("Caption\tShortcut").
void SplitText(const String& text, String& caption, String& shortcut) {
    auto tab = text.find('\t');
    caption = text.substr(0, tab);
    shortcut = tab == String::npos ? String() : text.substr(tab + 1);
}

SIZE TextSize(HDC dc, const String& text, UINT extra = 0) {
    if (text.empty()) return SIZE{0, 0};
    RECT r{0, 0, 0x7FFF, 0x7FFF};
    DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_CALCRECT | extra);
    return SIZE{Width(r), Height(r)};
}

int FontHeight(HDC dc) {
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    return tm.tmHeight;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(bm), &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, std::abs(bm.bmHeight)};
}

// Asks the owner for the size of the owner-drawn items not measured yet.
void MeasureOwnerItems(HMENU menu, HWND owner) {
    for (std::size_t i = 0;; ++i) {
        MEASUREITEMSTRUCT mis;
        {
            TGuard guard(Mutex());
            TMenu* m = FindMenu(menu);
            if (!m || i >= m->Items.size()) return;
            const TItem& it = m->Items[i];
            if (!IsOwnerDrawn(it) || it.Measured) continue;
            mis.CtlType = ODT_MENU;
            mis.itemID = it.SubMenu ? UINT(std::uintptr_t(it.SubMenu)) : it.Id;
            mis.itemData = it.Data;
            mis.itemHeight = UINT(GetSystemMetrics(SM_CYMENUSIZE));
        }
        if (owner) SendMessageA(owner, WM_MEASUREITEM, 0, LPARAM(&mis));
        TGuard guard(Mutex());
        TMenu* m = FindMenu(menu);
        if (!m || i >= m->Items.size()) return;
        TItem& it = m->Items[i];
        it.Measured = true;
        it.OwnerSize = SIZE{LONG(mis.itemWidth), LONG(mis.itemHeight)};
    }
}

std::map<HWND, RECT>& BarRects() {
    static auto* rects = new std::map<HWND, RECT>;
    return *rects;
}

// ---- Drawing one item ----------------------------------------------------------------------------

struct TItemPaint {
    TItem Item;
    int Index = 0;
    HMENU Menu = nullptr;
    bool Bar = false;
    bool Open = false;     // a bar item whose pop-up is open
    bool BarFocus = false; // the loop runs on the bar
};

UINT OwnerDrawState(const TItem& it) {
    UINT state = 0;
    if (it.State & MFS_HILITE) state |= ODS_SELECTED;
    if (it.State & MF_GRAYED) state |= ODS_GRAYED;
    if (it.State & MF_DISABLED) state |= ODS_DISABLED;
    if (it.State & MFS_CHECKED) state |= ODS_CHECKED;
    if (it.State & MFS_DEFAULT) state |= ODS_DEFAULT;
    return state;
}

void SendDrawItem(HWND owner, HDC dc, const TItemPaint& p, UINT action) {
    if (!owner) return;
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_MENU;
    dis.itemID = p.Item.SubMenu ? UINT(std::uintptr_t(p.Item.SubMenu)) : p.Item.Id;
    dis.itemAction = action;
    dis.itemState = OwnerDrawState(p.Item);
    dis.hwndItem = reinterpret_cast<HWND>(p.Menu);
    dis.hDC = dc;
    dis.rcItem = p.Item.Rect;
    dis.itemData = p.Item.Data;
    int saved = SaveDC(dc);
    SendMessageA(owner, WM_DRAWITEM, 0, LPARAM(&dis));
    RestoreDC(dc, saved);
}

// A glyph of DrawFrameControl (DFC_MENU) in a colour: drawn black on white aside, then copied
// pixel by pixel.
void Glyph(HDC dc, const RECT& box, UINT kind, COLORREF color) {
    int w = Width(box), h = Height(box);
    if (w <= 0 || h <= 0) return;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bits = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(mem, bits);
    RECT r{0, 0, w, h};
    DrawFrameControl(mem, &r, DFC_MENU, kind);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((GetPixel(mem, x, y) & 0xFFFFFF) == 0) SetPixel(dc, box.left + x, box.top + y, color);
    SelectObject(mem, old);
    DeleteObject(bits);
    DeleteDC(mem);
}

void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& area) {
    SIZE size = BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    int x = area.left + (Width(area) - size.cx) / 2, y = area.top + (Height(area) - size.cy) / 2;
    BitBlt(dc, x, y, size.cx, size.cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

// Text in the item's colour, or embossed (highlight one pixel down and right, shadow on top) when
// the item is disabled and not selected.
void ItemText(HDC dc, const String& text, RECT r, UINT format, bool inactive, bool selected, COLORREF color) {
    if (text.empty()) return;
    if (inactive && !selected) {
        RECT shifted = r;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextA(dc, text.c_str(), int(text.size()), &shifted, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
        SetTextColor(dc, inactive ? GetSysColor(COLOR_GRAYTEXT) : color);
    }
    DrawTextA(dc, text.c_str(), int(text.size()), &r, format);
}

void DrawPopupItem(HDC dc, HWND owner, const TItemPaint& p, UINT action) {
    const TItem& it = p.Item;
    RECT r = it.Rect;
    if (IsOwnerDrawn(it)) {
        bool selected = it.State & MFS_HILITE;
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
        SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
        SendDrawItem(owner, dc, p, action);
        return;
    }
    if (IsSeparator(it)) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
        RECT line{r.left, r.top + Height(r) / 2 - 1, r.right, r.top + Height(r) / 2 + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    bool selected = it.State & MFS_HILITE;
    bool inactive = IsInactive(it);
    COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));

    // The check column: a check mark or radio bullet, the item's bitmaps.
    RECT check{r.left, r.top, r.left + CheckColumn(), r.bottom};
    HBITMAP mark = (it.State & MFS_CHECKED) ? it.Checked : it.Unchecked;
    if (mark) {
        DrawBitmap(dc, mark, check);
    } else if (it.State & MFS_CHECKED) {
        int size = CheckWidth();
        RECT box{check.left + (Width(check) - size) / 2, check.top + (Height(check) - size) / 2, 0, 0};
        box.right = box.left + size;
        box.bottom = box.top + size;
        UINT kind = (it.Type & MFT_RADIOCHECK) ? DFCS_MENUBULLET : DFCS_MENUCHECK;
        if (inactive && !selected) {
            RECT shadow = box;
            OffsetRect(&shadow, 1, 1);
            Glyph(dc, shadow, kind, GetSysColor(COLOR_3DHILIGHT));
        }
        Glyph(dc, box, kind, inactive ? GetSysColor(COLOR_GRAYTEXT) : text);
    } else if (it.Bitmap && !(it.Type & MFT_BITMAP)) {
        DrawBitmap(dc, it.Bitmap, check);
    }

    if (it.SubMenu) {
        int size = CheckWidth();
        RECT box{r.right - ArrowColumn() + (ArrowColumn() - size) / 2, r.top + (Height(r) - size) / 2, 0, 0};
        box.right = box.left + size;
        box.bottom = box.top + size;
        if (inactive && !selected) {
            RECT shadow = box;
            OffsetRect(&shadow, 1, 1);
            Glyph(dc, shadow, DFCS_MENUARROW, GetSysColor(COLOR_3DHILIGHT));
        }
        Glyph(dc, box, DFCS_MENUARROW, inactive ? GetSysColor(COLOR_GRAYTEXT) : text);
    }

    RECT area{r.left + CheckColumn(), r.top, r.right - ArrowColumn(), r.bottom};
    if (it.Type & MFT_BITMAP) {
        DrawBitmap(dc, it.Bitmap, area);
        return;
    }
    String caption, shortcut;
    SplitText(it.Text, caption, shortcut);
    HFONT font = MenuFont((it.State & MFS_DEFAULT) != 0);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    ItemText(dc, caption, area, DT_SINGLELINE | DT_VCENTER | DT_LEFT, inactive, selected, text);
    ItemText(dc, shortcut, area, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX, inactive, selected,
             text);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

void DrawBarItem(HDC dc, HWND owner, const TItemPaint& p, UINT action) {
    const TItem& it = p.Item;
    RECT r = it.Rect;
    if (IsOwnerDrawn(it)) {
        bool selected = it.State & MFS_HILITE;
        SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
        SetBkColor(dc, GetSysColor(COLOR_MENU));
        TItemPaint copy = p;
        if (!selected) copy.Item.State &= ~UINT(MFS_HILITE);
        SendDrawItem(owner, dc, copy, action);
        return;
    }
    FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
    bool selected = it.State & MFS_HILITE;
    RECT text = r;
    if (selected && p.Open) {
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
        OffsetRect(&text, 1, 1);
    } else if (selected) {
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    }
    if (it.Type & MFT_BITMAP) {
        DrawBitmap(dc, it.Bitmap, text);
        return;
    }
    String caption, shortcut;
    SplitText(it.Text, caption, shortcut);
    HFONT font = MenuFont((it.State & MFS_DEFAULT) != 0);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    ItemText(dc, caption, text, DT_SINGLELINE | DT_VCENTER | DT_CENTER, IsInactive(it), false,
             GetSysColor(COLOR_MENUTEXT));
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

// Copies of what drawing a menu needs, taken under the lock.
std::vector<TItemPaint> Snapshot(HMENU menu, HWND& owner, int only = -1) {
    std::vector<TItemPaint> out;
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return out;
    owner = m->Owner;
    for (std::size_t i = 0; i < m->Items.size(); ++i) {
        if (only >= 0 && int(i) != only) continue;
        TItemPaint p;
        p.Item = m->Items[i];
        p.Index = int(i);
        p.Menu = menu;
        p.Bar = !m->Popup;
        p.Open = m->OpenItem == int(i);
        p.BarFocus = m->BarFocus;
        out.push_back(std::move(p));
    }
    return out;
}

void Prepare(HDC dc, HFONT font) {
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
    SetBkColor(dc, GetSysColor(COLOR_MENU));
}

} // namespace

// ================================================================================================

namespace WinMenuInternal {

SIZE LayoutPopup(HMENU menu, HWND owner) {
    {
        TGuard guard(Mutex());
        TMenu* m = FindMenu(menu);
        if (!m) return SIZE{0, 0};
        m->Owner = owner;
    }
    MeasureOwnerItems(menu, owner);
    HDC dc = GetDC(nullptr);
    HFONT normal = MenuFont(false), bold = MenuFont(true);
    HGDIOBJ oldFont = SelectObject(dc, normal);
    int textHeight = FontHeight(dc);
    std::vector<TItem> items;
    {
        TGuard guard(Mutex());
        if (TMenu* m = FindMenu(menu)) items = m->Items;
    }
    // Columns: a new one starts at each MFT_MENUBREAK / MFT_MENUBARBREAK item.
    struct TColumn {
        std::size_t First = 0, Last = 0;
        int Caption = 0, Shortcut = 0, Owner = 0, Height = 0;
    };
    std::vector<TColumn> columns;
    std::vector<int> heights(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TItem& it = items[i];
        if (columns.empty() || (i > 0 && (it.Type & (MFT_MENUBREAK | MFT_MENUBARBREAK)))) {
            columns.push_back(TColumn{i, i});
        }
        TColumn& c = columns.back();
        c.Last = i;
        int h = 0;
        if (IsOwnerDrawn(it)) {
            h = int(it.OwnerSize.cy);
            c.Owner = std::max<int>(c.Owner, int(it.OwnerSize.cx) + CheckWidth() - 1);
        } else if (IsSeparator(it)) {
            h = SeparatorHeight();
        } else if (it.Type & MFT_BITMAP) {
            SIZE s = BitmapSize(it.Bitmap);
            h = std::max<int>(int(s.cy), ItemHeight(textHeight));
            c.Caption = std::max<int>(c.Caption, int(s.cx));
        } else {
            String caption, shortcut;
            SplitText(it.Text, caption, shortcut);
            SelectObject(dc, (it.State & MFS_DEFAULT) ? bold : normal);
            c.Caption = std::max<int>(c.Caption, int(TextSize(dc, caption).cx));
            c.Shortcut = std::max<int>(c.Shortcut, int(TextSize(dc, shortcut, DT_NOPREFIX).cx));
            h = ItemHeight(textHeight);
            SIZE bitmap = BitmapSize(it.Bitmap);
            h = std::max<int>(h, int(bitmap.cy) + 2);
        }
        heights[i] = h;
        c.Height += h;
    }
    SelectObject(dc, oldFont);
    DeleteObject(normal);
    DeleteObject(bold);
    ReleaseDC(nullptr, dc);

    int x = PopupFrame, tallest = 0;
    for (const TColumn& c : columns) {
        int width = CheckColumn() + c.Caption + (c.Shortcut ? ShortcutGap + c.Shortcut : 0) + ArrowColumn();
        width = std::max(width, c.Owner);
        int y = PopupFrame;
        for (std::size_t i = c.First; i <= c.Last; ++i) {
            items[i].Rect = RECT{x, y, x + width, y + heights[i]};
            y += heights[i];
        }
        tallest = std::max(tallest, c.Height);
        x += width;
    }
    SIZE size{x + PopupFrame, tallest + 2 * PopupFrame};
    if (items.empty()) size = SIZE{2 * PopupFrame + CheckColumn() + ArrowColumn(), 2 * PopupFrame};
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return size;
    for (std::size_t i = 0; i < items.size() && i < m->Items.size(); ++i)
        m->Items[i].Rect = items[i].Rect;
    m->Size = size;
    return size;
}

void LayoutBar(HWND window, HMENU menu, const RECT& barRect) {
    {
        TGuard guard(Mutex());
        TMenu* m = FindMenu(menu);
        if (!m) return;
        m->Owner = window;
        m->Window = window;
    }
    MeasureOwnerItems(menu, window);
    std::vector<TItem> items;
    {
        TGuard guard(Mutex());
        if (TMenu* m = FindMenu(menu)) items = m->Items;
    }
    HDC dc = GetDC(nullptr);
    HFONT normal = MenuFont(false), bold = MenuFont(true);
    HGDIOBJ oldFont = SelectObject(dc, normal);
    std::vector<int> widths(items.size());
    // An owner-drawn bar item gets the room of two average characters beyond what it asked
    // for, as a text item gets its padding: its owner draws its caption inside that room.
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TItem& it = items[i];
        if (IsOwnerDrawn(it)) {
            widths[i] = int(it.OwnerSize.cx) + 2 * int(metrics.tmAveCharWidth);
        } else if (it.Type & MFT_BITMAP) {
            widths[i] = int(BitmapSize(it.Bitmap).cx) + 2 * BarPadding;
        } else if (IsSeparator(it)) {
            widths[i] = BarPadding;
        } else {
            SelectObject(dc, (it.State & MFS_DEFAULT) ? bold : normal);
            String caption, shortcut;
            SplitText(it.Text, caption, shortcut);
            widths[i] = int(TextSize(dc, caption).cx) + 2 * BarPadding;
        }
    }
    SelectObject(dc, oldFont);
    DeleteObject(normal);
    DeleteObject(bold);
    ReleaseDC(nullptr, dc);
    // One line; from the first MFT_RIGHTJUSTIFY item on, the items keep to the right edge.
    int x = barRect.left;
    int bottom = barRect.bottom - 1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].Type & MFT_RIGHTJUSTIFY) {
            int rest = 0;
            for (std::size_t j = i; j < items.size(); ++j)
                rest += widths[j];
            x = std::max<int>(x, barRect.right - rest);
        }
        items[i].Rect = RECT{x, barRect.top, x + widths[i], bottom};
        x += widths[i];
    }
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return;
    for (std::size_t i = 0; i < items.size() && i < m->Items.size(); ++i)
        m->Items[i].Rect = items[i].Rect;
    BarRects()[window] = barRect;
}

RECT BarRect(HWND window) {
    {
        TGuard guard(Mutex());
        auto it = BarRects().find(window);
        if (it != BarRects().end()) return it->second;
    }
    // Not painted yet: just above the client area (and its edge), across the frame's inside.
    RECT wr{}, cr{};
    GetWindowRect(window, &wr);
    GetClientRect(window, &cr);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    DWORD exStyle = DWORD(GetWindowLongA(window, GWL_EXSTYLE));
    int edge = (exStyle & WS_EX_CLIENTEDGE) ? 2 : (exStyle & WS_EX_STATICEDGE) ? 1 : 0;
    int border = origin.x - wr.left - edge;
    int bottom = origin.y - wr.top - edge;
    return RECT{border, bottom - GetSystemMetrics(SM_CYMENU), Width(wr) - border, bottom};
}

void PaintPopup(HWND popup, HDC dc, HMENU menu) {
    RECT client{};
    GetClientRect(popup, &client);
    HWND owner = nullptr;
    std::vector<TItemPaint> items = Snapshot(menu, owner);
    int saved = SaveDC(dc);
    HFONT font = MenuFont(false);
    Prepare(dc, font);
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
    RECT frame = client;
    DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
    for (const TItemPaint& p : items) {
        if (p.Item.Type & MFT_MENUBARBREAK) {
            RECT line{p.Item.Rect.left - 2, PopupFrame, p.Item.Rect.left, client.bottom - PopupFrame};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
        }
        DrawPopupItem(dc, owner, p, ODA_DRAWENTIRE);
    }
    RestoreDC(dc, saved);
    DeleteObject(font);
}

void RedrawPopupItem(HWND popup, HMENU menu, int index) {
    HWND owner = nullptr;
    std::vector<TItemPaint> items = Snapshot(menu, owner, index);
    if (items.empty() || !IsWindowVisible(popup)) return;
    HDC dc = GetDC(popup);
    if (!dc) return;
    HFONT font = MenuFont(false);
    int saved = SaveDC(dc);
    Prepare(dc, font);
    DrawPopupItem(dc, owner, items.front(), ODA_SELECT);
    RestoreDC(dc, saved);
    DeleteObject(font);
    ReleaseDC(popup, dc);
}

void PaintBar(HWND window, HDC dc, const RECT& barRect) {
    HMENU menu = GetMenu(window);
    FillRect(dc, &barRect, GetSysColorBrush(COLOR_MENU));
    if (!menu) return;
    LayoutBar(window, menu, barRect);
    HWND owner = nullptr;
    std::vector<TItemPaint> items = Snapshot(menu, owner);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, barRect.left, barRect.top, barRect.right, barRect.bottom);
    HFONT font = MenuFont(false);
    Prepare(dc, font);
    for (const TItemPaint& p : items)
        DrawBarItem(dc, window, p, ODA_DRAWENTIRE);
    RestoreDC(dc, saved);
    DeleteObject(font);
}

void RedrawBar(HWND window) {
    if (!IsWindowVisible(window) || !GetMenu(window)) return;
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    PaintBar(window, dc, BarRect(window));
    ReleaseDC(window, dc);
}

void InstallBarPainter() {
    // The frame's other parts stay with whoever painted them before.
    auto previous = std::make_shared<TWinFramePartPainter>();
    *previous = WinSetFramePartPainter([previous](HWND window, HDC dc, TWinFramePart part, const RECT& rect) {
        if (part == TWinFramePart::MenuBar)
            PaintBar(window, dc, rect);
        else if (*previous)
            (*previous)(window, dc, part, rect);
        else
            FillRect(dc, &rect,
                     GetSysColorBrush(part == TWinFramePart::SizeBox ? COLOR_3DFACE : COLOR_SCROLLBAR));
    });
}

} // namespace WinMenuInternal

bool WinMenuBarHitTest(HWND window, POINT screen) {
    if (!GetMenu(window)) return false;
    RECT wr{};
    if (!GetWindowRect(window, &wr)) return false;
    RECT bar = BarRect(window);
    POINT p{screen.x - wr.left, screen.y - wr.top};
    return PtInRect(&bar, p) != FALSE;
}

// Menu objects: handles, items and their flags, the menus of windows and the system menu.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/winapi/WinMenuInternal.h"

using namespace WinMenuInternal;

namespace {

struct TMenuTable {
    std::map<std::uintptr_t, std::unique_ptr<TMenu>> Menus;
    std::uintptr_t Next = 0x10000;
    // The system menus handed out by GetSystemMenu, by window.
    std::map<HWND, HMENU> SystemMenus;
};

TMenuTable& Table() {
    static auto* table = new TMenuTable;
    return *table;
}

// Menus of windows that went without telling us (a window procedure that kept WM_NCDESTROY from
// DefWindowProc) are freed as new ones are made.
void SweepOrphans() {
    std::vector<HMENU> orphans;
    {
        TGuard guard(Mutex());
        for (auto& [handle, menu] : Table().Menus)
            if (menu->BoundTo && !IsWindow(menu->BoundTo)) orphans.push_back(menu->Handle);
    }
    for (HMENU menu : orphans)
        DestroyMenu(menu);
}

HMENU NewMenu(bool popup) {
    SweepOrphans();
    TGuard guard(Mutex());
    TMenuTable& t = Table();
    // Handles are never reused, so that a stale one is seen as invalid.
    t.Next += 4;
    auto menu = std::make_unique<TMenu>();
    menu->Handle = reinterpret_cast<HMENU>(t.Next);
    menu->Popup = popup;
    HMENU handle = menu->Handle;
    t.Menus[t.Next] = std::move(menu);
    return handle;
}

// The flags of an item as GetMenuState and WM_MENUSELECT report them.
UINT FlagsOf(const TItem& item) {
    UINT flags = item.Type & (MFT_BITMAP | MFT_OWNERDRAW | MFT_SEPARATOR | MFT_MENUBARBREAK | MFT_MENUBREAK |
                              MFT_RIGHTJUSTIFY | MFT_RADIOCHECK);
    flags |= item.State & (MFS_GRAYED | MFS_CHECKED | MFS_HILITE | MFS_DEFAULT);
    if (item.SubMenu) flags |= MF_POPUP;
    return flags;
}

// An item described by the MF_* flags of AppendMenu, InsertMenu and ModifyMenu.
TItem ItemFromFlags(UINT flags, UINT_PTR newItem, LPCSTR text) {
    TItem item;
    item.Type =
        flags & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY);
    item.State = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
    if (flags & MF_POPUP)
        item.SubMenu = reinterpret_cast<HMENU>(newItem);
    else
        item.Id = UINT(newItem);
    if (item.Type & MF_OWNERDRAW)
        item.Data = ULONG_PTR(text);
    else if (item.Type & MF_BITMAP)
        item.Bitmap = reinterpret_cast<HBITMAP>(const_cast<char*>(text));
    else if (!(item.Type & MF_SEPARATOR) && text)
        item.Text = text;
    return item;
}

// Applies the fields of a MENUITEMINFOA that its mask names.
bool ApplyInfo(TItem& item, const MENUITEMINFOA& info) {
    UINT mask = info.fMask;
    if (mask & MIIM_TYPE) {
        item.Type = info.fType;
        if (info.fType & (MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW)) {
            if (info.fType & MFT_BITMAP) item.Bitmap = reinterpret_cast<HBITMAP>(info.dwTypeData);
            item.Text.clear();
        } else {
            item.Text = info.dwTypeData ? String(info.dwTypeData) : String();
        }
    }
    if (mask & MIIM_FTYPE) item.Type = info.fType;
    if (mask & MIIM_STRING) item.Text = info.dwTypeData ? String(info.dwTypeData) : String();
    if (mask & MIIM_BITMAP) item.Bitmap = info.hbmpItem;
    if (mask & MIIM_STATE) item.State = info.fState;
    if (mask & MIIM_ID) item.Id = info.wID;
    if (mask & MIIM_SUBMENU) item.SubMenu = info.hSubMenu;
    if (mask & MIIM_CHECKMARKS) {
        item.Checked = info.hbmpChecked;
        item.Unchecked = info.hbmpUnchecked;
    }
    if (mask & MIIM_DATA) item.Data = info.dwItemData;
    item.Measured = false;
    return true;
}

bool ValidInfo(const MENUITEMINFOA* info) {
    return info &&
           (info->cbSize == sizeof(MENUITEMINFOA) || info->cbSize == offsetof(MENUITEMINFOA, hbmpItem));
}

// Where an insertion goes: before the item named, or at the end for a position past it.
bool InsertAt(HMENU menu, UINT where, bool byPosition, TItem item) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return false;
    if (item.SubMenu && !FindMenu(item.SubMenu)) return false;
    TMenu* holder = m;
    int index = int(m->Items.size());
    if (byPosition) {
        if (where < m->Items.size()) index = int(where);
    } else if (where != UINT(-1)) {
        int found = -1;
        if (!Locate(menu, where, MF_BYCOMMAND, holder, found)) {
            holder = m;
            found = int(m->Items.size());
        }
        index = found;
    }
    holder->Items.insert(holder->Items.begin() + index, std::move(item));
    return true;
}

void FreeMenu(HMENU menu) {
    std::vector<HMENU> subs;
    {
        TGuard guard(Mutex());
        TMenu* m = FindMenu(menu);
        if (!m) return;
        for (const TItem& item : m->Items)
            if (item.SubMenu) subs.push_back(item.SubMenu);
        auto& systems = Table().SystemMenus;
        for (auto it = systems.begin(); it != systems.end();)
            it = it->second == menu ? systems.erase(it) : std::next(it);
        Table().Menus.erase(std::uintptr_t(menu));
    }
    MenuDestroyed(menu);
    for (HMENU sub : subs)
        FreeMenu(sub);
}

} // namespace

// ================================================================================================

namespace WinMenuInternal {

std::recursive_mutex& Mutex() {
    static auto* mutex = new std::recursive_mutex;
    return *mutex;
}

TMenu* FindMenu(HMENU menu) {
    auto& menus = Table().Menus;
    auto it = menus.find(std::uintptr_t(menu));
    return it == menus.end() ? nullptr : it->second.get();
}

bool Locate(HMENU menu, UINT item, UINT flags, TMenu*& holder, int& index) {
    TMenu* m = FindMenu(menu);
    if (!m) return false;
    if (flags & MF_BYPOSITION) {
        if (item >= m->Items.size()) return false;
        holder = m;
        index = int(item);
        return true;
    }
    // By command: this menu's own items first, then each submenu in turn, depth first.
    for (std::size_t i = 0; i < m->Items.size(); ++i) {
        const TItem& it = m->Items[i];
        if (!it.SubMenu && it.Id == item) {
            holder = m;
            index = int(i);
            return true;
        }
        if (it.SubMenu && it.SubMenu != menu && Locate(it.SubMenu, item, flags, holder, index)) return true;
        // A submenu is also found by its own handle used as a command.
        if (it.SubMenu && UINT(std::uintptr_t(it.SubMenu)) == item) {
            holder = m;
            index = int(i);
            return true;
        }
    }
    return false;
}

char32_t Mnemonic(const String& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(text[i + 1]);
        if (c == '\t') return 0;
        return char32_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return 0;
}

} // namespace WinMenuInternal

// ================================================================================================

HMENU CreateMenu() { return NewMenu(false); }

HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
    {
        TGuard guard(Mutex());
        if (!FindMenu(menu)) return FALSE;
    }
    FreeMenu(menu);
    return TRUE;
}

BOOL IsMenu(HMENU menu) {
    TGuard guard(Mutex());
    return FindMenu(menu) != nullptr;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR newItem, LPCSTR text) {
    return InsertAt(menu, UINT(-1), true, ItemFromFlags(flags, newItem, text));
}

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text) {
    return InsertAt(menu, position, (flags & MF_BYPOSITION) != 0, ItemFromFlags(flags, newItem, text));
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, LPCSTR text) {
    HMENU dropped = nullptr;
    {
        TGuard guard(Mutex());
        TMenu* holder = nullptr;
        int index = -1;
        if (!Locate(menu, position, flags, holder, index)) return FALSE;
        TItem item = ItemFromFlags(flags, newItem, text);
        if (item.SubMenu && !FindMenu(item.SubMenu)) return FALSE;
        TItem& old = holder->Items[std::size_t(index)];
        // A submenu that is replaced by another one goes, as the item owned it.
        if (old.SubMenu && old.SubMenu != item.SubMenu) dropped = old.SubMenu;
        item.Checked = old.Checked;
        item.Unchecked = old.Unchecked;
        old = std::move(item);
    }
    if (dropped) DestroyMenu(dropped);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, position, flags, holder, index)) return FALSE;
    holder->Items.erase(holder->Items.begin() + index);
    if (holder->OpenItem >= index) holder->OpenItem = -1;
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    HMENU sub = nullptr;
    {
        TGuard guard(Mutex());
        TMenu* holder = nullptr;
        int index = -1;
        if (!Locate(menu, position, flags, holder, index)) return FALSE;
        sub = holder->Items[std::size_t(index)].SubMenu;
        holder->Items.erase(holder->Items.begin() + index);
        if (holder->OpenItem >= index) holder->OpenItem = -1;
    }
    if (sub) DestroyMenu(sub);
    return TRUE;
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    if (!ValidInfo(info)) return FALSE;
    TItem fresh;
    ApplyInfo(fresh, *info);
    return InsertAt(menu, item, byPosition != FALSE, std::move(fresh));
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
    if (!ValidInfo(info)) return FALSE;
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, holder, index)) return FALSE;
    if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu && !FindMenu(info->hSubMenu)) return FALSE;
    return ApplyInfo(holder->Items[std::size_t(index)], *info);
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
    if (!ValidInfo(info)) return FALSE;
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND, holder, index)) return FALSE;
    const TItem& it = holder->Items[std::size_t(index)];
    UINT mask = info->fMask;
    if (mask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = it.Type;
    if (mask & MIIM_STATE) info->fState = it.State;
    if (mask & MIIM_ID) info->wID = it.Id;
    if (mask & MIIM_SUBMENU) info->hSubMenu = it.SubMenu;
    if (mask & MIIM_CHECKMARKS) {
        info->hbmpChecked = it.Checked;
        info->hbmpUnchecked = it.Unchecked;
    }
    if (mask & MIIM_DATA) info->dwItemData = it.Data;
    if (mask & MIIM_BITMAP) info->hbmpItem = it.Bitmap;
    bool wantsText = (mask & MIIM_STRING) ||
                     ((mask & MIIM_TYPE) && !(it.Type & (MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW)));
    if ((mask & MIIM_TYPE) && (it.Type & MFT_BITMAP))
        info->dwTypeData = reinterpret_cast<LPSTR>(it.Bitmap);
    else if (wantsText) {
        // Copies what fits (cch counts the terminating zero) and reports the text's length.
        if (info->dwTypeData && info->cch > 0) {
            std::size_t n = std::min<std::size_t>(it.Text.size(), info->cch - 1);
            std::memcpy(info->dwTypeData, it.Text.data(), n);
            info->dwTypeData[n] = '\0';
            info->cch = UINT(n);
        } else {
            info->cch = UINT(it.Text.size());
        }
    }
    return TRUE;
}

int GetMenuItemCount(HMENU menu) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    return m ? int(m->Items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m || position < 0 || std::size_t(position) >= m->Items.size()) return UINT(-1);
    const TItem& it = m->Items[std::size_t(position)];
    return it.SubMenu ? UINT(-1) : it.Id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m || position < 0 || std::size_t(position) >= m->Items.size()) return nullptr;
    return m->Items[std::size_t(position)].SubMenu;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, item, flags, holder, index)) return UINT(-1);
    const TItem& it = holder->Items[std::size_t(index)];
    UINT state = FlagsOf(it);
    if (it.SubMenu) {
        TMenu* sub = FindMenu(it.SubMenu);
        state = (state & 0xFF) | (UINT(sub ? std::min<std::size_t>(sub->Items.size(), 0xFF) : 0) << 8);
    }
    return state;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int maxCount, UINT flags) {
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, item, flags, holder, index)) {
        if (buffer && maxCount > 0) buffer[0] = '\0';
        return 0;
    }
    const String& text = holder->Items[std::size_t(index)].Text;
    if (!buffer) return int(text.size());
    if (maxCount <= 0) return 0;
    int n = std::min<int>(int(text.size()), maxCount - 1);
    std::memcpy(buffer, text.data(), std::size_t(n));
    buffer[n] = '\0';
    return n;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, item, check, holder, index)) return DWORD(-1);
    TItem& it = holder->Items[std::size_t(index)];
    DWORD old = it.State & MF_CHECKED;
    it.State = (it.State & ~UINT(MF_CHECKED)) | (check & MF_CHECKED);
    return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    TGuard guard(Mutex());
    TMenu* holder = nullptr;
    int index = -1;
    if (!Locate(menu, item, enable, holder, index)) return -1;
    TItem& it = holder->Items[std::size_t(index)];
    UINT old = it.State & (MF_GRAYED | MF_DISABLED);
    it.State = (it.State & ~UINT(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return BOOL(old);
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return FALSE;
    if (flags & MF_BYPOSITION) {
        if (first > last || last >= m->Items.size() || check < first || check > last) return FALSE;
        for (UINT i = first; i <= last; ++i) {
            TItem& it = m->Items[i];
            if (i == check) {
                it.State |= MFS_CHECKED;
                it.Type |= MFT_RADIOCHECK;
            } else {
                it.State &= ~UINT(MFS_CHECKED);
            }
        }
        return TRUE;
    }
    // By command: the run of items of one menu from the item of first to the item of last.
    TMenu* holder = nullptr;
    int a = -1, b = -1;
    if (!Locate(menu, first, MF_BYCOMMAND, holder, a)) return FALSE;
    TMenu* other = nullptr;
    if (!Locate(menu, last, MF_BYCOMMAND, other, b) || other != holder) return FALSE;
    if (a > b) std::swap(a, b);
    bool found = false;
    for (int i = a; i <= b; ++i) {
        TItem& it = holder->Items[std::size_t(i)];
        if (it.SubMenu || IsSeparator(it)) continue;
        if (it.Id == check) {
            it.State |= MFS_CHECKED;
            it.Type |= MFT_RADIOCHECK;
            found = true;
        } else {
            it.State &= ~UINT(MFS_CHECKED);
        }
    }
    return found;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return FALSE;
    int index = -1;
    if (item != UINT(-1)) {
        if (byPosition) {
            if (item >= m->Items.size()) return FALSE;
            index = int(item);
        } else {
            for (std::size_t i = 0; i < m->Items.size() && index < 0; ++i)
                if (!m->Items[i].SubMenu && m->Items[i].Id == item) index = int(i);
            if (index < 0) return FALSE;
        }
    }
    for (std::size_t i = 0; i < m->Items.size(); ++i) {
        TItem& it = m->Items[i];
        it.State = int(i) == index ? (it.State | MFS_DEFAULT) : (it.State & ~UINT(MFS_DEFAULT));
    }
    return TRUE;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags) {
    constexpr UINT GMDI_USEDISABLED = 0x0001;
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return UINT(-1);
    for (std::size_t i = 0; i < m->Items.size(); ++i) {
        const TItem& it = m->Items[i];
        if (!(it.State & MFS_DEFAULT)) continue;
        if (IsInactive(it) && !(flags & GMDI_USEDISABLED)) return UINT(-1);
        return byPosition ? UINT(i) : it.Id;
    }
    return UINT(-1);
}

BOOL HiliteMenuItem(HWND window, HMENU menu, UINT item, UINT hilite) {
    {
        TGuard guard(Mutex());
        TMenu* holder = nullptr;
        int index = -1;
        if (!Locate(menu, item, hilite, holder, index)) return FALSE;
        TItem& it = holder->Items[std::size_t(index)];
        if (hilite & MF_HILITE)
            it.State |= MFS_HILITE;
        else
            it.State &= ~UINT(MFS_HILITE);
    }
    if (window && GetMenu(window) == menu) RedrawBar(window);
    return TRUE;
}

HMENU GetSystemMenu(HWND window, BOOL revert) {
    if (!IsWindow(window)) return nullptr;
    HMENU old = nullptr;
    {
        TGuard guard(Mutex());
        auto& systems = Table().SystemMenus;
        auto it = systems.find(window);
        if (it != systems.end() && FindMenu(it->second)) {
            if (!revert) return it->second;
            old = it->second;
        }
        if (it != systems.end()) systems.erase(it);
    }
    if (old) DestroyMenu(old);
    if (revert) return nullptr;
    HMENU menu = CreatePopupMenu();
    DWORD style = DWORD(GetWindowLongA(window, GWL_STYLE));
    auto gray = [](bool enabled) { return enabled ? MF_ENABLED : MF_GRAYED; };
    bool max = style & WS_MAXIMIZE, min = style & WS_MINIMIZE, sizing = style & WS_THICKFRAME;
    AppendMenuA(menu, MF_STRING | gray(max || min), SC_RESTORE, "&Restore");
    AppendMenuA(menu, MF_STRING | gray(!max), SC_MOVE, "&Move");
    AppendMenuA(menu, MF_STRING | gray(sizing && !max && !min), SC_SIZE, "&Size");
    AppendMenuA(menu, MF_STRING | gray((style & WS_MINIMIZEBOX) && !min), SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(menu, MF_STRING | gray((style & WS_MAXIMIZEBOX) && !max), SC_MAXIMIZE, "Ma&ximize");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | MF_DEFAULT, SC_CLOSE, "&Close\tAlt+F4");
    TGuard guard(Mutex());
    if (TMenu* m = FindMenu(menu)) {
        m->System = true;
        m->BoundTo = window;
    }
    Table().SystemMenus[window] = menu;
    return menu;
}

LONG GetMenuCheckMarkDimensions() {
    return LONG(MAKELONG(WORD(GetSystemMetrics(SM_CXMENUCHECK)), WORD(GetSystemMetrics(SM_CYMENUCHECK))));
}

BOOL SetMenu(HWND window, HMENU menu) {
    if (!IsWindow(window)) return FALSE;
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) return FALSE;
    {
        TGuard guard(Mutex());
        if (menu && !FindMenu(menu)) return FALSE;
        HMENU old = reinterpret_cast<HMENU>(GetWindowLongPtrA(window, GWL_ID));
        if (TMenu* m = FindMenu(old); m && m->BoundTo == window) m->BoundTo = nullptr;
        if (TMenu* m = FindMenu(menu)) m->BoundTo = window;
    }
    SetWindowLongPtrA(window, GWL_ID, LONG_PTR(menu));
    // The client area shrinks or grows by the bar.
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

HMENU GetMenu(HWND window) {
    if (!IsWindow(window) || (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) return nullptr;
    auto menu = reinterpret_cast<HMENU>(GetWindowLongPtrA(window, GWL_ID));
    TGuard guard(Mutex());
    TMenu* m = FindMenu(menu);
    if (!m) return nullptr;
    // A menu given to CreateWindowEx belongs to the window from here on.
    if (!m->BoundTo) m->BoundTo = window;
    return menu;
}

BOOL DrawMenuBar(HWND window) {
    HMENU menu = GetMenu(window);
    if (!menu) return FALSE;
    LayoutBar(window, menu, BarRect(window));
    RedrawBar(window);
    return TRUE;
}

void WinMenuWindowDestroyed(HWND window) {
    std::vector<HMENU> going;
    {
        TGuard guard(Mutex());
        for (auto& [handle, menu] : Table().Menus)
            if (menu->BoundTo == window) going.push_back(menu->Handle);
        auto it = Table().SystemMenus.find(window);
        if (it != Table().SystemMenus.end()) {
            going.push_back(it->second);
            Table().SystemMenus.erase(it);
        }
    }
    for (HMENU menu : going)
        DestroyMenu(menu);
}

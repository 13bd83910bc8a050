#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/Menus.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"

// ---- Commands -------------------------------------------------------------------------------------

namespace {

// Command numbers in use; 0 is never handed out (a WM_COMMAND of 0 means nothing).
std::vector<bool>& CommandPool() {
    static auto* pool = new std::vector<bool>(1, true);
    return *pool;
}

Word UniqueCommand() {
    auto& pool = CommandPool();
    for (std::size_t i = 1; i < pool.size(); ++i)
        if (!pool[i]) {
            pool[i] = true;
            return Word(i);
        }
    if (pool.size() > 0xFFFF) throw EMenuError("Too many menu items");
    pool.push_back(true);
    return Word(pool.size() - 1);
}

void ReleaseCommand(Word command) {
    auto& pool = CommandPool();
    if (command != 0 && command < pool.size()) pool[command] = false;
}

std::vector<TMainMenu*>& MainMenus() {
    static auto* menus = new std::vector<TMainMenu*>;
    return *menus;
}

} // namespace

// ---- Shortcuts ------------------------------------------------------------------------------------

namespace {

struct TKeyName {
    Word Key;
    const char* Name;
};

constexpr TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},  {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},  {VK_NEXT, "PgDn"},  {VK_END, "End"},      {VK_HOME, "Home"},   {VK_LEFT, "Left"},
    {VK_UP, "Up"},       {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},   {VK_INSERT, "Ins"},  {VK_DELETE, "Del"},
};

String KeyName(Word key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return String(1, char(key));
    if (key >= VK_F1 && key <= VK_F1 + 11) return "F" + std::to_string(key - VK_F1 + 1);
    for (const TKeyName& k : kKeyNames)
        if (k.Key == key) return k.Name;
    return String();
}

bool StartsWithText(const String& text, std::size_t at, const char* prefix) {
    const std::size_t n = std::char_traits<char>::length(prefix);
    if (text.size() - at < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

} // namespace

TShortCut ShortCut(Word key, TShiftState shift) {
    if ((key & 0xFF00) != 0) return 0;
    TShortCut result = key;
    if (shift.Contains(ssShift)) result |= scShift;
    if (shift.Contains(ssCtrl)) result |= scCtrl;
    if (shift.Contains(ssAlt)) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
    key = Word(shortCut & 0xFF);
    shift = TShiftState();
    if (shortCut & scShift) shift.Include(ssShift);
    if (shortCut & scCtrl) shift.Include(ssCtrl);
    if (shortCut & scAlt) shift.Include(ssAlt);
}

String ShortCutToText(TShortCut shortCut) {
    const String name = KeyName(Word(shortCut & 0xFF));
    if (name.empty()) return String();
    String result;
    if (shortCut & scShift) result += "Shift+";
    if (shortCut & scCtrl) result += "Ctrl+";
    if (shortCut & scAlt) result += "Alt+";
    return result + name;
}

TShortCut TextToShortCut(const String& text) {
    TShortCut modifiers = 0;
    std::size_t at = 0;
    for (;;) {
        if (StartsWithText(text, at, "Shift+")) {
            modifiers |= scShift;
            at += 6;
        } else if (StartsWithText(text, at, "Ctrl+")) {
            modifiers |= scCtrl;
            at += 5;
        } else if (StartsWithText(text, at, "Alt+")) {
            modifiers |= scAlt;
            at += 4;
        } else {
            break;
        }
    }
    const String rest = text.substr(at);
    if (rest.empty()) return 0;
    for (Word key = 8; key <= 0xFF; ++key) {
        const String name = KeyName(key);
        if (!name.empty() && SameText(name, rest)) return TShortCut(key | modifiers);
    }
    return 0;
}

namespace {
TOwnerDrawState OwnerDrawStateFromODS(UINT itemState) {
    static constexpr struct {
        UINT Bit;
        TOwnerDrawStateItem Item;
    } kBits[] = {{ODS_SELECTED, odSelected},   {ODS_GRAYED, odGrayed},       {ODS_DISABLED, odDisabled},
                 {ODS_CHECKED, odChecked},     {ODS_FOCUS, odFocused},       {ODS_DEFAULT, odDefault},
                 {ODS_HOTLIGHT, odHotLight},   {ODS_INACTIVE, odInactive},   {ODS_NOACCEL, odNoAccel},
                 {ODS_NOFOCUSRECT, odNoFocusRect}, {ODS_COMBOBOXEDIT, odComboBoxEdit}};
    TOwnerDrawState state;
    for (const auto& b : kBits)
        if (itemState & b.Bit) state.Include(b.Item);
    return state;
}
} // namespace

// ---- Action link ----------------------------------------------------------------------------------

TMenuActionLink::TMenuActionLink(TObject* client)
    : TActionLink(client), FClient(dynamic_cast<TMenuItem*>(client)) {}

namespace {
TCustomAction* CustomAction(TBasicAction* action) { return dynamic_cast<TCustomAction*>(action); }
} // namespace

bool TMenuActionLink::IsCaptionLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetCaption() == a->GetCaption();
}
bool TMenuActionLink::IsCheckedLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetChecked() == a->GetChecked();
}
bool TMenuActionLink::IsEnabledLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetEnabled() == a->GetEnabled();
}
bool TMenuActionLink::IsHintLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetHint() == a->GetHint();
}
bool TMenuActionLink::IsImageIndexLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetImageIndex() == a->GetImageIndex();
}
bool TMenuActionLink::IsShortCutLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetShortCut() == a->GetShortCut();
}
bool TMenuActionLink::IsVisibleLinked() {
    auto* a = CustomAction(FAction);
    return a && FClient && FClient->GetVisible() == a->GetVisible();
}
void TMenuActionLink::SetCaption(const String& value) {
    if (IsCaptionLinked()) return;
    if (FClient) FClient->SetCaption(value);
}
void TMenuActionLink::SetChecked(bool value) {
    if (FClient) FClient->SetChecked(value);
}
void TMenuActionLink::SetEnabled(bool value) {
    if (FClient) FClient->SetEnabled(value);
}
void TMenuActionLink::SetHint(const String& value) {
    if (FClient) FClient->SetHint(value);
}
void TMenuActionLink::SetImageIndex(Integer value) {
    if (FClient) FClient->SetImageIndex(value);
}
void TMenuActionLink::SetShortCut(TShortCut value) {
    if (FClient) FClient->SetShortCut(value);
}
void TMenuActionLink::SetVisible(bool value) {
    if (FClient) FClient->SetVisible(value);
}

// ---- TMenuItem ------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(UniqueCommand()) {}

TMenuItem::~TMenuItem() {
    Destroying();
    if (FParent != nullptr) FParent->Remove(this);
    while (!FItems.empty()) {
        TMenuItem* last = FItems.back();
        FItems.pop_back();
        last->FParent = nullptr;
        delete last;
    }
    if (FHandle != nullptr && IsMenu(FHandle)) DestroyMenu(FHandle);
    FHandle = nullptr;
    if (FSubMenuImagesLink && FSubMenuImages) FSubMenuImages->UnRegisterChanges(FSubMenuImagesLink.get());
    if (FActionLink) {
        TBasicAction* action = FActionLink->GetAction();
        FActionLink.reset();
        if (action) action->RemoveFreeNotification(this);
    }
    ReleaseCommand(FCommand);
}

TMenuItem* TMenuItem::GetItem(Integer index) const {
    if (index < 0 || index >= GetCount()) throw EMenuError("Menu index out of range");
    return FItems[std::size_t(index)];
}

void TMenuItem::Add(TMenuItem* item) { Insert(GetCount(), item); }

void TMenuItem::Insert(Integer index, TMenuItem* item) {
    if (item == nullptr) return;
    if (item->FParent != nullptr) throw EMenuError("Menu inserted twice");
    if (index < 0 || index > GetCount()) throw EMenuError("Menu index out of range");
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == item) throw EMenuError("Menu inserted twice");
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    if (item->FSubMenuImagesLink == nullptr && item->FSubMenuImages) {
        // keeps its own link
    }
    RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, true);
}

void TMenuItem::Delete(Integer index) {
    TMenuItem* item = GetItem(index);
    FItems.erase(FItems.begin() + index);
    item->FParent = nullptr;
    if (GetComponentState().Contains(csDestroying)) return;
    RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, true);
}

void TMenuItem::Remove(TMenuItem* item) {
    const Integer index = IndexOf(item);
    if (index < 0) throw EMenuError("Sub-menu is not in menu");
    Delete(index);
}

void TMenuItem::Clear() {
    while (!FItems.empty()) delete FItems.back();
}

Integer TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : Integer(it - FItems.begin());
}

TMenuItem* TMenuItem::Find(const String& caption) const {
    const String wanted = StripHotkey(caption);
    for (TMenuItem* item : FItems)
        if (AnsiSameText(StripHotkey(item->FCaption), wanted)) return item;
    return nullptr;
}

Integer TMenuItem::GetMenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(Integer value) {
    if (FParent == nullptr) return;
    TMenuItem* parent = FParent;
    const Integer count = parent->GetCount();
    value = std::clamp<Integer>(value, 0, count - 1);
    const Integer current = GetMenuIndex();
    if (value == current) return;
    parent->FItems.erase(parent->FItems.begin() + current);
    parent->FItems.insert(parent->FItems.begin() + value, this);
    parent->RebuildHandle();
    if (TMenu* menu = parent->GetParentMenu()) menu->MenuChanged(parent, true);
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->FParent) item = item->FParent;
    return item->FMenu;
}

bool TMenuItem::IsTopLevelBarItem() const {
    return FParent != nullptr && FParent->FMenu != nullptr && dynamic_cast<TMainMenu*>(FParent->FMenu) != nullptr;
}

HMENU TMenuItem::GetHandle() {
    if (FHandle != nullptr && !IsMenu(FHandle)) FHandle = nullptr; // went with a window
    if (FHandle == nullptr) {
        FHandle = FMenu ? FMenu->CreateMenuHandle() : CreatePopupMenu();
        RebuildHandle();
    }
    return FHandle;
}

String TMenuItem::MenuText() const {
    String text = FCaption;
    if (FShortCut != 0) {
        const String shortcut = ShortCutToText(FShortCut);
        if (!shortcut.empty()) text += "\t" + shortcut;
    }
    return text;
}

void TMenuItem::AppendTo(HMENU menu, bool topLevel) {
    TMenu* parentMenu = GetParentMenu();
    const bool ownerDraw = (parentMenu && parentMenu->IsOwnerDraw()) || HasBitmap();
    MENUITEMINFOA info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
    info.fType = 0;
    if (IsLine()) info.fType |= MFT_SEPARATOR;
    if (FRadioItem) info.fType |= MFT_RADIOCHECK;
    if (FBreak == mbBreak) info.fType |= MFT_MENUBREAK;
    if (FBreak == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    if (ownerDraw) info.fType |= MFT_OWNERDRAW;
    info.fState = 0;
    if (FChecked) info.fState |= MFS_CHECKED;
    if (!FEnabled) info.fState |= MFS_GRAYED;
    if (FDefault) info.fState |= MFS_DEFAULT;
    info.wID = FCommand;
    info.hSubMenu = FItems.empty() ? nullptr : GetHandle();
    info.dwItemData = ULONG_PTR(this);
    String text = IsLine() ? String() : MenuText();
    info.dwTypeData = IsLine() ? nullptr : text.data();
    InsertMenuItemA(menu, UINT(GetMenuItemCount(menu)), TRUE, &info);
    (void)topLevel;
}

void TMenuItem::RebuildHandle() {
    if (FHandle != nullptr && !IsMenu(FHandle)) FHandle = nullptr;
    if (FHandle == nullptr) return;
    if (GetComponentState().Contains(csDestroying)) return;
    if (GetComponentState().Contains(csLoading)) {
        FStreamedRebuild = true;
        return;
    }
    // RemoveMenu keeps the items' own pop-ups alive; they are put back below.
    while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
    const bool topLevel = FMenu != nullptr;
    for (TMenuItem* item : FItems)
        if (item->FVisible) item->AppendTo(FHandle, topLevel);
}

void TMenuItem::MenuChanged(bool rebuild) {
    if (FParent != nullptr && rebuild) FParent->RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(FParent ? FParent : this, rebuild);
}

void TMenuItem::SetCaption(const String& value) {
    if (FCaption == value) return;
    FCaption = value;
    MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
    if (FParent == nullptr) return;
    for (TMenuItem* item : FParent->FItems)
        if (item != this && item->FRadioItem && item->FGroupIndex == FGroupIndex && item->FChecked) {
            item->FChecked = false;
        }
}

void TMenuItem::SetChecked(bool value) {
    if (FChecked == value) return;
    FChecked = value;
    if (value && FRadioItem) TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetEnabled(bool value) {
    if (FEnabled == value) return;
    FEnabled = value;
    MenuChanged(true);
}

void TMenuItem::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    MenuChanged(true);
}

void TMenuItem::SetDefault(bool value) {
    if (FDefault == value) return;
    if (value && FParent)
        for (TMenuItem* item : FParent->FItems)
            if (item != this) item->FDefault = false;
    FDefault = value;
    MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool value) {
    if (FRadioItem == value) return;
    FRadioItem = value;
    if (FChecked && FRadioItem) TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetGroupIndex(Byte value) {
    if (FGroupIndex == value) return;
    FGroupIndex = value;
    if (FChecked && FRadioItem) TurnSiblingsOff();
    MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak value) {
    if (FBreak == value) return;
    FBreak = value;
    MenuChanged(true);
}

void TMenuItem::SetImageIndex(Integer value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut value) {
    if (FShortCut == value) return;
    FShortCut = value;
    MenuChanged(true);
}

TBitmap* TMenuItem::GetBitmap() const {
    if (!FBitmap) FBitmap = std::make_unique<TBitmap>();
    return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* value) {
    GetBitmap()->Assign(value);
    MenuChanged(true);
}

bool TMenuItem::HasBitmap() const { return FBitmap && !FBitmap->GetEmpty(); }

void TMenuItem::SetSubMenuImages(TCustomImageList* value) {
    if (FSubMenuImages == value) return;
    if (FSubMenuImages) {
        if (FSubMenuImagesLink) FSubMenuImages->UnRegisterChanges(FSubMenuImagesLink.get());
        FSubMenuImages->RemoveFreeNotification(this);
    }
    FSubMenuImages = value;
    if (value) {
        if (!FSubMenuImagesLink) {
            FSubMenuImagesLink = std::make_unique<TChangeLink>();
            FSubMenuImagesLink->OnChange = MakeEvent(this, &TMenuItem::ImageListChange);
        }
        value->RegisterChanges(FSubMenuImagesLink.get());
        value->FreeNotification(this);
    }
    RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, true);
}

void TMenuItem::ImageListChange(TObject*) {
    RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, true);
}

TBasicAction* TMenuItem::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TMenuItem::SetAction(TBasicAction* value) {
    if (value == GetAction()) return;
    if (FActionLink) {
        if (TBasicAction* old = FActionLink->GetAction()) old->RemoveFreeNotification(this);
    }
    if (value == nullptr) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = std::make_unique<TMenuActionLink>(this);
    FActionLink->SetAction(value);
    value->FreeNotification(this);
    DoActionChange();
}

void TMenuItem::DoActionChange() {
    auto* action = CustomAction(GetAction());
    if (action == nullptr) return;
    FCaption = action->GetCaption();
    FChecked = action->GetChecked();
    FEnabled = action->GetEnabled();
    FHint = action->GetHint();
    FImageIndex = action->GetImageIndex();
    FShortCut = action->GetShortCut();
    FVisible = action->GetVisible();
    MenuChanged(true);
}

void TMenuItem::InitiateAction() {
    if (FActionLink) FActionLink->Update();
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    TBasicAction* action = GetAction();
    if (OnClick.Assigned() && (action == nullptr || !(OnClick == action->GetOnExecute()))) {
        OnClick(this);
    } else if (FActionLink) {
        FActionLink->Execute(this);
    } else {
        OnClick(this);
    }
}

TCustomImageList* TMenuItem::GetImageList() const {
    if (FImageIndex < 0) return nullptr;
    if (FParent && FParent->FSubMenuImages) return FParent->FSubMenuImages;
    if (TMenu* menu = GetParentMenu()) return menu->GetImages();
    return nullptr;
}

namespace {

constexpr Integer kIconColumn = 20;

Integer GlyphWidth(const TMenuItem* item) {
    if (TCustomImageList* images = item->GetImageList()) return images->GetWidth();
    if (item->HasBitmap()) return item->GetBitmap()->GetWidth();
    return 0;
}

Integer GlyphHeight(const TMenuItem* item) {
    if (TCustomImageList* images = item->GetImageList()) return images->GetHeight();
    if (item->HasBitmap()) return item->GetBitmap()->GetHeight();
    return 0;
}

} // namespace

void TMenuItem::MeasureItem(TCanvas* ACanvas, Integer& width, Integer& height) {
    if (OnMeasureItem.Assigned()) {
        OnMeasureItem(this, ACanvas, width, height);
        return;
    }
    if (IsLine()) {
        width = 10;
        height = GetSystemMetrics(SM_CYMENUSIZE) / 2;
        return;
    }
    const bool bar = IsTopLevelBarItem();
    const Integer textHeight = ACanvas->TextHeight("W");
    Integer w = ACanvas->TextWidth(StripHotkey(FCaption));
    if (FShortCut != 0 && !bar) w += 16 + ACanvas->TextWidth(ShortCutToText(FShortCut));
    const Integer glyph = GlyphWidth(this);
    w += bar ? glyph + 12 : std::max(glyph + 4, kIconColumn) + 12;
    width = w;
    height = std::max(textHeight + 6, GlyphHeight(this) + 4);
}

void TMenuItem::AdvancedDrawItem(TCanvas* ACanvas, TRect ARect, TOwnerDrawState state, bool topLevel) {
    if (OnAdvancedDrawItem.Assigned()) {
        OnAdvancedDrawItem(this, ACanvas, ARect, state);
        return;
    }
    DrawItem(ACanvas, ARect, state.Contains(odSelected));
}

void TMenuItem::DrawItem(TCanvas* ACanvas, TRect ARect, bool selected) {
    if (OnDrawItem.Assigned()) {
        OnDrawItem(this, ACanvas, ARect, selected);
        return;
    }
    DrawDefault(ACanvas, ARect, selected);
}

void TMenuItem::DrawDefault(TCanvas* canvas, TRect rect, bool selected) {
    HDC dc = canvas->GetHandle();
    const bool bar = IsTopLevelBarItem();
    const bool lit = selected && FEnabled;
    canvas->GetBrush()->SetColor(lit ? clHighlight : clMenu);
    canvas->FillRect(rect);
    if (IsLine()) {
        RECT line{rect.left, rect.top + (rect.bottom - rect.top) / 2 - 1, rect.right,
                  rect.top + (rect.bottom - rect.top) / 2 + 1};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    Integer left = rect.left + 2;
    const Integer column = bar ? 0 : std::max(GlyphWidth(this) + 4, kIconColumn);
    if (TCustomImageList* images = GetImageList()) {
        images->Draw(canvas, left, rect.top + (rect.bottom - rect.top - images->GetHeight()) / 2, FImageIndex,
                     FEnabled);
    } else if (HasBitmap()) {
        canvas->Draw(left, rect.top + (rect.bottom - rect.top - FBitmap->GetHeight()) / 2, FBitmap.get());
    } else if (FChecked && !bar) {
        RECT box{rect.left, rect.top, rect.left + column, rect.bottom};
        const Integer side = std::min<Integer>(column, rect.bottom - rect.top);
        box.left += (column - side) / 2;
        box.right = box.left + side;
        DrawFrameControl(dc, &box, DFC_MENU, FRadioItem ? DFCS_MENUBULLET : DFCS_MENUCHECK);
    }
    if (bar) left = rect.left + 6 + GlyphWidth(this);
    else left = rect.left + column + 4;
    canvas->GetFont()->SetColor(!FEnabled ? clGrayText : lit ? clHighlightText : clMenuText);
    if (FDefault) {
        TFontStyles style = canvas->GetFont()->GetStyle();
        style.Include(fsBold);
        canvas->GetFont()->SetStyle(style);
    }
    SetBkMode(dc, TRANSPARENT);
    RECT textRect{left, rect.top, rect.right - 6, rect.bottom};
    canvas->GetHandle();
    DrawTextA(canvas->GetHandle(), FCaption.c_str(), int(FCaption.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (FShortCut != 0 && !bar) {
        const String text = ShortCutToText(FShortCut);
        DrawTextA(canvas->GetHandle(), text.c_str(), int(text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    }
}

TComponent* TMenuItem::GetParentComponent() const {
    if (FParent != nullptr && FParent->FMenu != nullptr) return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* value) {
    if (FParent != nullptr) FParent->Remove(this);
    if (value == nullptr) return;
    if (auto* menu = dynamic_cast<TMenu*>(value))
        menu->GetItems()->Add(this);
    else if (auto* item = dynamic_cast<TMenuItem*>(value))
        item->Add(this);
}

void TMenuItem::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (TMenuItem* item : std::vector<TMenuItem*>(FItems)) proc(item);
}

void TMenuItem::SetChildOrder(TComponent* child, Integer order) {
    if (auto* item = dynamic_cast<TMenuItem*>(child); item && item->FParent == this) item->SetMenuIndex(order);
}

void TMenuItem::Loaded() {
    TComponent::Loaded();
    if (FStreamedRebuild) {
        FStreamedRebuild = false;
        RebuildHandle();
    }
    MenuChanged(true);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FSubMenuImages) {
        FSubMenuImages = nullptr;
        RebuildHandle();
    }
    if (FActionLink && component == FActionLink->GetAction()) FActionLink.reset();
}

// ---- TMenu ----------------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), FItems(std::make_unique<TMenuItem>(nullptr)) {
    FItems->FMenu = this;
    FImageChangeLink = std::make_unique<TChangeLink>();
    FImageChangeLink->OnChange = MakeEvent(this, &TMenu::ImageListChange);
}

TMenu::~TMenu() {
    Destroying();
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    FItems.reset();
}

void TMenu::SetWindowHandle(HWND value) { FWindowHandle = value; }

void TMenu::SetImages(TCustomImageList* value) {
    if (FImages == value) return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    ImageListChange(this);
}

namespace {
void RebuildTree(TMenuItem* item) {
    item->RebuildHandle();
    for (Integer i = 0; i < item->GetCount(); ++i) RebuildTree(item->GetItem(i));
}
} // namespace

void TMenu::ImageListChange(TObject*) {
    RebuildTree(FItems.get());
    MenuChanged(FItems.get(), true);
}

void TMenu::SetOwnerDraw(bool value) {
    if (FOwnerDraw == value) return;
    FOwnerDraw = value;
    RebuildTree(FItems.get());
    MenuChanged(FItems.get(), true);
}

void TMenu::MenuChanged(TMenuItem*, bool) {}

namespace {
template <class P>
TMenuItem* FindIn(TMenuItem* item, const P& predicate) {
    if (predicate(item)) return item;
    for (Integer i = 0; i < item->GetCount(); ++i)
        if (TMenuItem* found = FindIn(item->GetItem(i), predicate)) return found;
    return nullptr;
}
} // namespace

TMenuItem* TMenu::FindItem(UINT value, TFindItemKind kind) {
    switch (kind) {
    case fkCommand:
        return FindIn(FItems.get(), [&](TMenuItem* i) { return i != FItems.get() && i->GetCommand() == value; });
    case fkHandle:
        return FindIn(FItems.get(), [&](TMenuItem* i) {
            return i->HandleAllocated() && reinterpret_cast<UINT_PTR>(i->FHandle) == UINT_PTR(value);
        });
    case fkShortCut:
        return value == 0 ? nullptr : FindIn(FItems.get(), [&](TMenuItem* i) { return i->GetShortCut() == value; });
    }
    return nullptr;
}

bool TMenu::DispatchCommand(Word command) {
    TMenuItem* item = FindItem(command, fkCommand);
    if (item == nullptr) return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU submenu) {
    TMenuItem* item = FindIn(FItems.get(), [&](TMenuItem* i) { return i->HandleAllocated() && i->FHandle == submenu; });
    if (item == nullptr) return false;
    for (Integer i = 0; i < item->GetCount(); ++i) item->GetItem(i)->InitiateAction();
    if (item != FItems.get()) item->Click();
    return true;
}

bool TMenu::IsShortCut(TWMKey& message) {
    if (FWindowHandle == nullptr) return false;
    const TShortCut shortCut = ShortCut(Word(message.CharCode & 0xFF), KeyDataToShiftState(message.KeyData));
    TMenuItem* item = FindItem(shortCut, fkShortCut);
    if (item == nullptr) return false;
    // The parents first, from the top, so that their OnClick can prepare the item.
    std::vector<TMenuItem*> chain;
    for (TMenuItem* p = item->GetParent(); p != nullptr && p != FItems.get(); p = p->GetParent()) chain.push_back(p);
    const TLivenessToken alive = LivenessToken();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        (*it)->InitiateAction();
        (*it)->Click();
        if (!alive) return true;
    }
    // A parent's OnClick may have taken the shortcut elsewhere or freed the item.
    item = FindItem(shortCut, fkShortCut);
    if (item == nullptr) return true;
    item->InitiateAction();
    if (item->GetEnabled()) item->Click();
    return true;
}

TMenuItem* TMenu::ItemOfData(ULONG_PTR data) {
    if (data == 0) return nullptr;
    return FindIn(FItems.get(), [&](TMenuItem* i) { return ULONG_PTR(i) == data && i != FItems.get(); });
}

namespace {

// A canvas on a context it does not own, with the menu font.
class TMenuCanvas {
public:
    explicit TMenuCanvas(HDC dc) {
        FCanvas.SetHandle(dc);
        if (TScreen* screen = Screen) FCanvas.SetFont(screen->GetMenuFont());
    }
    ~TMenuCanvas() { FCanvas.SetHandle(nullptr); }
    TCanvas* operator->() { return &FCanvas; }
    TCanvas* Get() { return &FCanvas; }

private:
    TCanvas FCanvas;
};

} // namespace

bool TMenu::MeasureItem(MEASUREITEMSTRUCT& mis) {
    TMenuItem* item = ItemOfData(mis.itemData);
    if (item == nullptr) return false;
    HDC dc = GetDC(nullptr);
    {
        TMenuCanvas canvas(dc);
        Integer width = Integer(mis.itemWidth), height = Integer(mis.itemHeight);
        item->MeasureItem(canvas.Get(), width, height);
        mis.itemWidth = UINT(std::max<Integer>(width, 0));
        mis.itemHeight = UINT(std::max<Integer>(height, 0));
    }
    ReleaseDC(nullptr, dc);
    return true;
}

bool TMenu::DrawItem(const DRAWITEMSTRUCT& dis) {
    TMenuItem* item = ItemOfData(dis.itemData);
    if (item == nullptr) return false;
    TMenuCanvas canvas(dis.hDC);
    TOwnerDrawState state = OwnerDrawStateFromODS(dis.itemState);
    item->AdvancedDrawItem(canvas.Get(), dis.rcItem, state, item->IsTopLevelBarItem());
    return true;
}

bool TMenu::ItemHint(WPARAM wParam, LPARAM lParam, String& hint) {
    const UINT flags = HIWORD(wParam);
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    if (flags == 0xFFFF && menu == nullptr) return false;
    TMenuItem* item = nullptr;
    if (flags & MF_POPUP) {
        HMENU sub = GetSubMenu(menu, int(LOWORD(wParam)));
        item = FindIn(FItems.get(), [&](TMenuItem* i) { return i->HandleAllocated() && i->FHandle == sub; });
    } else {
        item = FindItem(LOWORD(wParam), fkCommand);
    }
    if (item == nullptr) return false;
    hint = item->GetHint();
    return true;
}

void TMenu::GetChildren(const TGetChildProc& proc, TComponent* root) { FItems->GetChildren(proc, root); }

void TMenu::SetChildOrder(TComponent* child, Integer order) { FItems->SetChildOrder(child, order); }

void TMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FImages) {
        FImages = nullptr;
        ImageListChange(this);
    }
}

void TMenu::Loaded() {
    TComponent::Loaded();
    RebuildTree(FItems.get());
    MenuChanged(FItems.get(), true);
}

// ---- TMainMenu ------------------------------------------------------------------------------------

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) { MainMenus().push_back(this); }

TMainMenu::~TMainMenu() {
    SetWindowHandle(nullptr);
    auto& menus = MainMenus();
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

void TMainMenu::SetWindowHandle(HWND value) {
    if (FWindowHandle != nullptr && FWindowHandle != value && IsWindow(FWindowHandle) && FItems->HandleAllocated() &&
        ::GetMenu(FWindowHandle) == FItems->FHandle)
        ::SetMenu(FWindowHandle, nullptr);
    FWindowHandle = value;
    if (value != nullptr && IsWindow(value)) {
        HMENU handle = GetHandle();
        if (::GetMenu(value) != handle) ::SetMenu(value, handle);
        DrawMenuBar(value);
    }
}

void TMainMenu::MenuChanged(TMenuItem* source, bool rebuild) {
    if (FWindowHandle == nullptr || !IsWindow(FWindowHandle)) return;
    // The bar went with an earlier window of the form: put a new one on.
    if (::GetMenu(FWindowHandle) != GetHandle()) ::SetMenu(FWindowHandle, GetHandle());
    DrawMenuBar(FWindowHandle);
}

// ---- TPopupMenu -----------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) { PopupList()->Add(this); }

TPopupMenu::~TPopupMenu() {
    PopupList()->Remove(this);
    SetPopupComponent(nullptr);
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
    if (FPopupComponent == value) return;
    if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
    FPopupComponent = value;
    if (FPopupComponent) FPopupComponent->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* sender) { OnPopup(sender); }

void TPopupMenu::Popup(Integer x, Integer y) {
    static constexpr UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    static constexpr UINT kButton[] = {TPM_RIGHTBUTTON, TPM_LEFTBUTTON};
    const TLivenessToken alive = LivenessToken();
    DoPopup(this);
    if (!alive) return;
    for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->GetItem(i)->InitiateAction();
    HWND owner = PopupList()->GetWindow();
    FWindowHandle = owner;
    TrackPopupMenuEx(GetHandle(), kAlign[FAlignment] | kButton[FTrackButton], x, y, owner, nullptr);
}

// ---- TPopupList -----------------------------------------------------------------------------------

namespace {
constexpr const char* kPopupListClass = "KovPopupList";
} // namespace

TPopupList::~TPopupList() {
    if (FWindow && IsWindow(FWindow)) DestroyWindow(FWindow);
}

void TPopupList::Add(TPopupMenu* menu) {
    if (std::find(FMenus.begin(), FMenus.end(), menu) == FMenus.end()) FMenus.push_back(menu);
}

void TPopupList::Remove(TPopupMenu* menu) { FMenus.erase(std::remove(FMenus.begin(), FMenus.end(), menu), FMenus.end()); }

HWND TPopupList::GetWindow() {
    if (FWindow != nullptr && IsWindow(FWindow)) return FWindow;
    WNDCLASSA cls{};
    if (!GetClassInfoA(nullptr, kPopupListClass, &cls)) {
        cls = WNDCLASSA{};
        cls.lpfnWndProc = &TPopupList::WindowProcedure;
        cls.lpszClassName = kPopupListClass;
        RegisterClassA(&cls);
    }
    FWindow = CreateWindowExA(0, kPopupListClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    return FWindow;
}

LRESULT TPopupList::WindowProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    try {
        PopupList()->WndProc(message);
    } catch (...) {
        Application->HandleException(nullptr);
    }
    if (message.Msg == WM_NULL) return DefWindowProcA(window, msg, wParam, lParam);
    return message.Result;
}

void TPopupList::WndProc(TMessage& message) {
    // Each menu in turn; the list may change under a handler, so it is copied.
    const std::vector<TPopupMenu*> menus = FMenus;
    auto alive = [this](TPopupMenu* m) { return std::find(FMenus.begin(), FMenus.end(), m) != FMenus.end(); };
    switch (message.Msg) {
    case WM_COMMAND:
        for (TPopupMenu* m : menus)
            if (alive(m) && m->DispatchCommand(LOWORD(message.WParam))) return;
        break;
    case WM_INITMENUPOPUP:
        for (TPopupMenu* m : menus)
            if (alive(m) && m->DispatchPopup(reinterpret_cast<HMENU>(message.WParam))) return;
        break;
    case WM_MENUSELECT: {
        String hint;
        for (TPopupMenu* m : menus)
            if (alive(m) && m->ItemHint(message.WParam, message.LParam, hint)) break;
        Application->SetHint(hint);
        return;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        if (mis && mis->CtlType == ODT_MENU)
            for (TPopupMenu* m : menus)
                if (alive(m) && m->MeasureItem(*mis)) {
                    message.Result = TRUE;
                    return;
                }
        break;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
        if (dis && dis->CtlType == ODT_MENU)
            for (TPopupMenu* m : menus)
                if (alive(m) && m->DrawItem(*dis)) {
                    message.Result = TRUE;
                    return;
                }
        break;
    }
    default:
        break;
    }
    // Not handled: the window procedure passes it on.
    message.Msg = WM_NULL;
}

TPopupList* PopupList() {
    static auto* list = new TPopupList;
    return list;
}

// ---- Forms ----------------------------------------------------------------------------------------

void SetFormMenuWindow(HWND window, TComponent* menu) {
    auto* main = dynamic_cast<TMainMenu*>(menu);
    for (TMainMenu* other : std::vector<TMainMenu*>(MainMenus()))
        if (other != main && other->GetWindowHandle() == window) other->SetWindowHandle(nullptr);
    if (main != nullptr) {
        main->SetWindowHandle(window);
    } else if (window != nullptr && IsWindow(window) && ::GetMenu(window) != nullptr) {
        ::SetMenu(window, nullptr);
    }
}

bool FormMenuMessage(TComponent* component, TMessage& message) {
    auto* menu = dynamic_cast<TMenu*>(component);
    if (menu == nullptr) return false;
    switch (message.Msg) {
    case WM_COMMAND:
        // From a menu (0) or an accelerator (1), not from a control.
        if (message.LParam != 0 || HIWORD(message.WParam) > 1) return false;
        if (!menu->DispatchCommand(LOWORD(message.WParam))) return false;
        message.Result = 0;
        return true;
    case WM_INITMENUPOPUP:
        if (!menu->DispatchPopup(reinterpret_cast<HMENU>(message.WParam))) return false;
        message.Result = 0;
        return true;
    case WM_MENUSELECT: {
        String hint;
        if (!menu->ItemHint(message.WParam, message.LParam, hint) &&
            !(HIWORD(message.WParam) == 0xFFFF && message.LParam == 0))
            return false;
        Application->SetHint(hint);
        message.Result = 0;
        return true;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        if (mis == nullptr || mis->CtlType != ODT_MENU || !menu->MeasureItem(*mis)) return false;
        message.Result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
        if (dis == nullptr || dis->CtlType != ODT_MENU || !menu->DrawItem(*dis)) return false;
        message.Result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

bool FormMenuIsShortCut(TComponent* component, TWMKey& message) {
    auto* menu = dynamic_cast<TMenu*>(component);
    return menu != nullptr && menu->IsShortCut(message);
}

// ---- Registration ---------------------------------------------------------------------------------

KOV_PUBLISHED(TMenuItem) {
    Property("Action", &TMenuItem::GetAction, &TMenuItem::SetAction);
    Property("Bitmap", &TMenuItem::GetBitmap, &TMenuItem::SetBitmap).Stored(&TMenuItem::HasBitmap);
    Property("Break", &TMenuItem::GetBreak, &TMenuItem::SetBreak).Default(mbNone);
    Property("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption);
    Property("Checked", &TMenuItem::GetChecked, &TMenuItem::SetChecked).Default(false);
    Property("Default", &TMenuItem::GetDefault, &TMenuItem::SetDefault).Default(false);
    Property("Enabled", &TMenuItem::GetEnabled, &TMenuItem::SetEnabled).Default(true);
    Property("GroupIndex", &TMenuItem::GetGroupIndex, &TMenuItem::SetGroupIndex).Default(0);
    Property("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint);
    Property("ImageIndex", &TMenuItem::GetImageIndex, &TMenuItem::SetImageIndex).Default(-1);
    Property("RadioItem", &TMenuItem::GetRadioItem, &TMenuItem::SetRadioItem).Default(false);
    Property("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut).TypeName("TShortCut").Default(0);
    Property("SubMenuImages", &TMenuItem::GetSubMenuImages, &TMenuItem::SetSubMenuImages);
    Property("Visible", &TMenuItem::GetVisible, &TMenuItem::SetVisible).Default(true);
    Property("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem);
    Property("OnClick", &TMenuItem::OnClick);
    Property("OnDrawItem", &TMenuItem::OnDrawItem);
    Property("OnMeasureItem", &TMenuItem::OnMeasureItem);
}

KOV_PUBLISHED(TMenu) {
    Property("Images", &TMenu::GetImages, &TMenu::SetImages);
    Property("OwnerDraw", &TMenu::GetOwnerDraw, &TMenu::SetOwnerDraw).Default(false);
}

KOV_PUBLISHED(TPopupMenu) {
    Property("Alignment", &TPopupMenu::GetAlignment, &TPopupMenu::SetAlignment).Default(paLeft);
    Property("AutoPopup", &TPopupMenu::GetAutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
    Property("TrackButton", &TPopupMenu::GetTrackButton, &TPopupMenu::SetTrackButton).Default(tbRightButton);
    Property("OnPopup", &TPopupMenu::OnPopup);
}

namespace {
const bool kMenusRegistered = [] {
    RegisterEnum<TMenuBreak>("TMenuBreak", {"mbNone", "mbBreak", "mbBarBreak"});
    RegisterEnum<TPopupAlignment>("TPopupAlignment", {"paLeft", "paRight", "paCenter"});
    RegisterEnum<TTrackButton>("TTrackButton", {"tbRightButton", "tbLeftButton"});
    RegisterTypeName<TMenuMeasureItemEvent>("TMenuMeasureItemEvent");
    RegisterTypeName<TMenuDrawItemEvent>("TMenuDrawItemEvent");
    RegisterTypeName<TAdvancedMenuDrawItemEvent>("TAdvancedMenuDrawItemEvent");
    RegisterClasses({TMenuItem::StaticClass(), TMainMenu::StaticClass(), TPopupMenu::StaticClass()});
    // A control's right click shows its pop-up menu when the menu pops up by itself.
    SetPopupMenuHook([](TComponent* menu, TControl* control, POINT screen) {
        auto* popup = dynamic_cast<TPopupMenu*>(menu);
        if (popup == nullptr || !popup->GetAutoPopup()) return false;
        popup->SetPopupComponent(control);
        popup->Popup(screen.x, screen.y);
        return true;
    });
    // A tool button with a menu item runs the item's click.
    SetMenuItemClickHook([](TComponent* item) {
        if (auto* menuItem = dynamic_cast<TMenuItem*>(item)) menuItem->Click();
    });
    return true;
}();
} // namespace

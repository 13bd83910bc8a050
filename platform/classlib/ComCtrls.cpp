#include "platform/classlib/ComCtrls.h"

#include <algorithm>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"

namespace {

// The arrow part of a drop-down button.
constexpr Integer kDropDownWidth = 14;
// What a separator or divider is wide when it becomes one.
constexpr Integer kSeparatorWidth = 8;
constexpr Integer kDefaultButtonWidth = 23;

TMenuItemClickHook& MenuItemClickHook() {
    static auto* hook = new TMenuItemClickHook;
    return *hook;
}

void RunMenuItemClick(TComponent* item) {
    if (MenuItemClickHook()) {
        MenuItemClickHook()(item);
        return;
    }
    // Without the menus unit's hook the item's own handler runs.
    if (PPropInfo prop = GetPropInfo(item, "OnClick"); prop != nullptr && prop->PropType->Kind == tkMethod) {
        const TMethod method = GetMethodProp(item, prop);
        if (method.Assigned()) {
            const TNotifyEvent handler(method);
            handler(item);
        }
    }
}

bool InRect(const TRect& r, Integer x, Integer y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

UINT EdgeFlag(TEdgeStyle style, bool outer) {
    switch (style) {
    case esRaised: return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
    case esLowered: return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    default: return 0;
    }
}

// The status bars that show the application's hint, first made first. Never freed: bars may
// outlive the static objects at exit.
std::vector<TStatusBar*>& AutoHintBars() {
    static auto* bars = new std::vector<TStatusBar*>;
    return *bars;
}

// The application's OnHint while the program has none of its own: the hint goes to the
// AutoHint bar of the active form, else of the main form, else the first one.
void ShowApplicationHint(TObject*) {
    std::vector<TStatusBar*>& bars = AutoHintBars();
    if (bars.empty()) return;
    const String hint = Application->GetHint();
    TStatusBar* target = nullptr;
    TCustomForm* active = Screen->GetActiveForm();
    TCustomForm* main = Application->GetMainForm();
    for (TCustomForm* form : {active, main}) {
        if (target != nullptr || form == nullptr) continue;
        for (TStatusBar* bar : bars)
            if (GetParentForm(bar) == form) {
                target = bar;
                break;
            }
    }
    if (target == nullptr) target = bars.front();
    target->ShowHintText(hint);
}

} // namespace

TMenuItemClickHook SetMenuItemClickHook(TMenuItemClickHook hook) {
    TMenuItemClickHook old = std::move(MenuItemClickHook());
    MenuItemClickHook() = std::move(hook);
    return old;
}

// ---- TToolButton ------------------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
    // The button clicks itself on the release over it.
    FControlStyle = {csCaptureMouse, csSetCaption};
    SetBounds(0, 0, kDefaultButtonWidth, 22);
}

TToolButton::~TToolButton() = default;

TToolBar* TToolButton::GetToolBar() const { return dynamic_cast<TToolBar*>(GetParent()); }

Integer TToolButton::GetIndex() const {
    TToolBar* bar = GetToolBar();
    if (bar == nullptr) return -1;
    Integer index = 0;
    for (TControl* c : bar->FOrder) {
        if (c == this) return index;
        if (dynamic_cast<TToolButton*>(c) != nullptr) ++index;
    }
    return -1;
}

void TToolButton::RequestLayout() {
    if (TToolBar* bar = GetToolBar()) bar->Changed(true);
}

void TToolButton::SetStyle(TToolButtonStyle value) {
    if (FStyle == value) return;
    FStyle = value;
    if (IsSeparator() && GetWidth() == kDefaultButtonWidth) SetWidth(kSeparatorWidth);
    RequestLayout();
}

void TToolButton::SetImageIndex(Integer value) {
    if (FImageIndex == value) return;
    FImageIndex = value;
    Invalidate();
}

void TToolButton::SetDown(bool value) {
    if (FDown == value) return;
    FDown = value;
    if (value) UpdateGroup();
    Invalidate();
}

void TToolButton::SetGrouped(bool value) {
    if (FGrouped == value) return;
    FGrouped = value;
    if (FDown) UpdateGroup();
}

// The neighbouring grouped check buttons of a grouped check button, itself included.
static std::vector<TToolButton*> GroupOf(TToolButton* button) {
    std::vector<TToolButton*> group;
    TToolBar* bar = button->GetToolBar();
    if (bar == nullptr || button->GetStyle() != tbsCheck || !button->GetGrouped()) return {button};
    const std::vector<TControl*>& order = bar->GetOrderedControls();
    const auto self = std::find(order.begin(), order.end(), button);
    if (self == order.end()) return {button};
    auto member = [](TControl* c) {
        auto* b = dynamic_cast<TToolButton*>(c);
        return b != nullptr && b->GetStyle() == tbsCheck && b->GetGrouped() ? b : nullptr;
    };
    auto first = self;
    while (first != order.begin() && member(*(first - 1)) != nullptr) --first;
    for (auto it = first; it != order.end() && member(*it) != nullptr; ++it) group.push_back(member(*it));
    return group;
}

void TToolButton::UpdateGroup() {
    if (!IsCheckGroupMember() || !FDown) return;
    for (TToolButton* other : GroupOf(this)) {
        if (other == this || !other->FDown) continue;
        other->FDown = false;
        other->Invalidate();
    }
}

void TToolButton::SetAllowAllUp(bool value) {
    // The whole group shares it.
    for (TToolButton* b : GroupOf(this)) b->FAllowAllUp = value;
    FAllowAllUp = value;
}

void TToolButton::SetIndeterminate(bool value) {
    if (FIndeterminate == value) return;
    FIndeterminate = value;
    Invalidate();
}

void TToolButton::SetMarked(bool value) {
    if (FMarked == value) return;
    FMarked = value;
    Invalidate();
}

void TToolButton::SetWrap(bool value) {
    if (FWrap == value) return;
    FWrap = value;
    RequestLayout();
}

void TToolButton::SetDropdownMenu(TComponent* value) {
    if (FDropdownMenu == value) return;
    if (FDropdownMenu != nullptr) FDropdownMenu->RemoveFreeNotification(this);
    FDropdownMenu = value;
    if (value != nullptr) value->FreeNotification(this);
    Invalidate();
}

void TToolButton::SetMenuItem(TComponent* value) {
    if (FMenuItem == value) return;
    if (FMenuItem != nullptr) FMenuItem->RemoveFreeNotification(this);
    FMenuItem = value;
    if (value != nullptr) value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FDropdownMenu) FDropdownMenu = nullptr;
    if (component == FMenuItem) FMenuItem = nullptr;
}

bool TToolButton::GetHot() const {
    TToolBar* bar = GetToolBar();
    return bar != nullptr && bar->HotTracking() && FMouseInControl && GetEnabled() && !IsSeparator();
}

TCustomDrawState TToolButton::GetDrawState() const {
    TCustomDrawState state;
    if (GetPressed()) state.Include(cdsSelected);
    if (!IsShownEnabled()) state.Include(cdsDisabled);
    if (FDown) state.Include(cdsChecked);
    if (GetHot()) state.Include(cdsHot);
    if (FMarked) state.Include(cdsMarked);
    if (FIndeterminate) state.Include(cdsIndeterminate);
    return state;
}

bool TToolButton::CheckMenuDropdown() {
    if (FDropdownMenu == nullptr) return false;
    // The controls' popup-menu hook is how menus are shown; it is read and put back at once.
    TPopupMenuHook hook = SetPopupMenuHook(nullptr);
    SetPopupMenuHook(hook);
    if (!hook) return false;
    FTracking = false;
    FPressed = false;
    FMenuDropped = true;
    Repaint();
    // The menu takes the mouse while it shows.
    if (GetMouseCapture()) SetMouseCapture(false);
    const TLivenessToken alive = LivenessToken();
    hook(FDropdownMenu, this, ClientToScreen(POINT{0, GetHeight()}));
    if (!alive) return true;
    FMenuDropped = false;
    Invalidate();
    return true;
}

void TToolButton::Click() {
    const TLivenessToken alive = LivenessToken();
    TGraphicControl::Click();
    if (alive && FMenuItem != nullptr) RunMenuItemClick(FMenuItem);
}

void TToolButton::Paint() {
    // The bar draws its buttons (so that its custom drawing sees them on its own canvas).
}

void TToolButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !GetEnabled() || IsSeparator()) return;
    if (FStyle == tbsDropDown && FDropdownMenu != nullptr && x >= GetWidth() - kDropDownWidth) {
        CheckMenuDropdown();
        return;
    }
    FTracking = true;
    FPressed = true;
    Invalidate();
}

void TToolButton::MouseMove(TShiftState shift, Integer x, Integer y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FTracking) return;
    const bool inside = x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight();
    if (inside != FPressed) {
        FPressed = inside;
        Invalidate();
    }
}

void TToolButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    const TLivenessToken alive = LivenessToken();
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!alive || !FTracking || button != mbLeft) return;
    FTracking = false;
    FPressed = false;
    const bool inside = x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight();
    if (inside && FStyle == tbsCheck) {
        if (!FDown)
            SetDown(true);
        else if (!FGrouped || FAllowAllUp)
            SetDown(false);
    }
    Invalidate();
    if (inside) Click();
}

void TToolButton::CMEnabledChanged(TMessage& message) {
    KOV_INHERITED(message);
    if (!IsShownEnabled()) {
        FTracking = false;
        FPressed = false;
    }
    Invalidate();
}

void TToolButton::CMMouseEnter(TMessage& message) {
    KOV_INHERITED(message);
    if (TToolBar* bar = GetToolBar(); bar != nullptr && bar->HotTracking()) Invalidate();
}

void TToolButton::CMMouseLeave(TMessage& message) {
    KOV_INHERITED(message);
    if (TToolBar* bar = GetToolBar(); bar != nullptr && bar->HotTracking()) Invalidate();
}

void TToolButton::CMTextChanged(TMessage& message) {
    TToolBar* bar = GetToolBar();
    if (bar != nullptr && bar->GetShowCaptions())
        RequestLayout();
    else
        Invalidate();
}

void TToolButton::CMVisibleChanged(TMessage& message) {
    KOV_INHERITED(message);
    RequestLayout();
}

KOV_MESSAGE_MAP(TToolButton) {
    map.Message(CM_ENABLEDCHANGED, &TToolButton::CMEnabledChanged);
    map.Message(CM_MOUSEENTER, &TToolButton::CMMouseEnter);
    map.Message(CM_MOUSELEAVE, &TToolButton::CMMouseLeave);
    map.Message(CM_TEXTCHANGED, &TToolButton::CMTextChanged);
    map.Message(CM_VISIBLECHANGED, &TToolButton::CMVisibleChanged);
}

// ---- TToolBar ---------------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* owner)
    : TCustomControl(owner), FImageLink(std::make_unique<TChangeLink>()),
      FHotImageLink(std::make_unique<TChangeLink>()), FDisabledImageLink(std::make_unique<TChangeLink>()) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks, csMenuEvents, csSetCaption};
    for (TChangeLink* link : {FImageLink.get(), FHotImageLink.get(), FDisabledImageLink.get()})
        link->OnChange = MakeEvent(this, &TToolBar::ImageListChange);
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() {
    Destroying();
    for (auto* link : {FImageLink.get(), FHotImageLink.get(), FDisabledImageLink.get()})
        if (link->GetSender() != nullptr) link->GetSender()->UnRegisterChanges(link);
}

Integer TToolBar::GetButtonCount() const {
    return Integer(std::count_if(FOrder.begin(), FOrder.end(),
                                 [](TControl* c) { return dynamic_cast<TToolButton*>(c) != nullptr; }));
}

TToolButton* TToolBar::GetButtons(Integer index) const {
    Integer i = 0;
    for (TControl* c : FOrder)
        if (auto* b = dynamic_cast<TToolButton*>(c)) {
            if (i == index) return b;
            ++i;
        }
    throw EListError(Format("List index out of bounds (%d)", {index}));
}

void TToolBar::SetImageList(TCustomImageList*& field, TChangeLink* link, TCustomImageList* value) {
    if (field == value) return;
    if (field != nullptr) {
        field->UnRegisterChanges(link);
        if (field != FImages && field != FHotImages && field != FDisabledImages) field->RemoveFreeNotification(this);
    }
    field = value;
    if (value != nullptr) {
        value->RegisterChanges(link);
        value->FreeNotification(this);
    }
    Changed(true);
}

void TToolBar::SetImages(TCustomImageList* value) { SetImageList(FImages, FImageLink.get(), value); }
void TToolBar::SetHotImages(TCustomImageList* value) { SetImageList(FHotImages, FHotImageLink.get(), value); }
void TToolBar::SetDisabledImages(TCustomImageList* value) {
    SetImageList(FDisabledImages, FDisabledImageLink.get(), value);
}

void TToolBar::ImageListChange(TObject*) { Changed(true); }

void TToolBar::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation != opRemove) return;
    // A list being freed has let its links go already.
    bool changed = false;
    for (TCustomImageList** field : {&FImages, &FHotImages, &FDisabledImages})
        if (*field == component) {
            *field = nullptr;
            changed = true;
        }
    if (changed && !GetComponentState().Contains(csDestroying)) Changed(true);
}

void TToolBar::Changed(bool layout) {
    if (GetComponentState().Contains(csDestroying)) return;
    if (layout) Realign();
    Invalidate();
}

void TToolBar::SetButtonWidth(Integer value) {
    if (FButtonWidth == value || value < 0) return;
    FButtonWidth = value;
    Changed(true);
}

void TToolBar::SetButtonHeight(Integer value) {
    if (FButtonHeight == value || value < 0) return;
    FButtonHeight = value;
    Changed(true);
}

void TToolBar::SetFlat(bool value) {
    if (FFlat == value) return;
    FFlat = value;
    Changed(false);
}

void TToolBar::SetShowCaptions(bool value) {
    if (FShowCaptions == value) return;
    FShowCaptions = value;
    Changed(true);
}

void TToolBar::SetList(bool value) {
    if (FList == value) return;
    FList = value;
    Changed(true);
}

void TToolBar::SetWrapable(bool value) {
    if (FWrapable == value) return;
    FWrapable = value;
    Changed(true);
}

void TToolBar::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Changed(false);
}

void TToolBar::SetEdgeBorders(TEdgeBorders value) {
    if (FEdgeBorders == value) return;
    FEdgeBorders = value;
    Changed(true);
}

void TToolBar::SetEdgeInner(TEdgeStyle value) {
    if (FEdgeInner == value) return;
    FEdgeInner = value;
    Changed(true);
}

void TToolBar::SetEdgeOuter(TEdgeStyle value) {
    if (FEdgeOuter == value) return;
    FEdgeOuter = value;
    Changed(true);
}

void TToolBar::SetIndent(Integer value) {
    if (FIndent == value) return;
    FIndent = value;
    Changed(true);
}

void TToolBar::SetBorderWidth(Integer value) {
    if (FBorderWidth == value || value < 0) return;
    FBorderWidth = value;
    Changed(true);
}

void TToolBar::SetAutoSize(bool value) {
    if (GetAutoSize() == value) return;
    TCustomControl::SetAutoSize(value);
    Changed(true);
}

Integer TToolBar::EdgeWidth(TEdgeBorder side) const {
    if (!FEdgeBorders.Contains(side)) return 0;
    return (FEdgeOuter != esNone ? 1 : 0) + (FEdgeInner != esNone ? 1 : 0);
}

void TToolBar::AdjustClientRect(RECT& rect) {
    rect.left += EdgeWidth(ebLeft) + FBorderWidth;
    rect.top += EdgeWidth(ebTop) + FBorderWidth;
    rect.right -= EdgeWidth(ebRight) + FBorderWidth;
    rect.bottom -= EdgeWidth(ebBottom) + FBorderWidth;
}

TSize TToolBar::CaptionSize(const String& caption) {
    if (!FShowCaptions || caption.empty()) return TSize{0, 0};
    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    TRect r{0, 0, 0, 0};
    canvas->TextRect(r, caption, TTextFormat{tfCalcRect, tfSingleLine});
    return TSize{r.right - r.left, r.bottom - r.top};
}

Integer TToolBar::GetEffectiveButtonWidth() {
    const Integer imageW = FImages != nullptr ? FImages->GetWidth() : 0;
    Integer width = std::max(FButtonWidth, imageW + 7);
    for (TControl* c : FOrder) {
        auto* b = dynamic_cast<TToolButton*>(c);
        if (b == nullptr || b->IsSeparator()) continue;
        const TSize text = CaptionSize(b->GetCaption());
        if (text.cx == 0) continue;
        width = std::max(width, FList ? imageW + text.cx + 12 : std::max(imageW + 7, text.cx + 8));
    }
    return width;
}

Integer TToolBar::GetEffectiveButtonHeight() {
    const Integer imageH = FImages != nullptr ? FImages->GetHeight() : 0;
    Integer height = std::max(FButtonHeight, imageH + 6);
    for (TControl* c : FOrder) {
        auto* b = dynamic_cast<TToolButton*>(c);
        if (b == nullptr || b->IsSeparator()) continue;
        const TSize text = CaptionSize(b->GetCaption());
        if (text.cy == 0) continue;
        height = std::max(height, FList ? std::max(imageH, text.cy) + 6 : imageH + text.cy + 8);
    }
    return height;
}

void TToolBar::AlignControls(TControl*, RECT&) { ArrangeControls(); }

void TToolBar::ArrangeControls() {
    if (FArranging || GetComponentState().Contains(csDestroying)) return;
    FArranging = true;
    struct TGuard {
        bool& Flag;
        ~TGuard() { Flag = false; }
    } guard{FArranging};
    const TLivenessToken alive = LivenessToken();
    RECT client = TControl::GetClientRect();
    AdjustClientRect(client);
    const Integer buttonW = GetEffectiveButtonWidth();
    const Integer buttonH = GetEffectiveButtonHeight();
    const bool designing = GetComponentState().Contains(csDesigning);
    const Integer rowStart = client.left + FIndent;
    Integer x = rowStart;
    Integer y = client.top;
    Integer rowHeight = 0;
    Integer rows = 0;
    bool breakAfter = false;
    // Copied: moving a control may run handlers that change the bar.
    const std::vector<TControl*> order = FOrder;
    for (TControl* c : order) {
        if (std::find(FOrder.begin(), FOrder.end(), c) == FOrder.end()) continue;
        if (!c->GetVisible() && !designing) continue;
        auto* button = dynamic_cast<TToolButton*>(c);
        Integer w = c->GetWidth();
        Integer h = c->GetHeight();
        if (button != nullptr) {
            h = buttonH;
            if (!button->IsSeparator()) w = buttonW + (button->GetStyle() == tbsDropDown ? kDropDownWidth : 0);
        }
        if (rows > 0 && (breakAfter || (FWrapable && x > rowStart && x + w > client.right))) {
            y += rowHeight;
            x = rowStart;
            rowHeight = 0;
            ++rows;
        }
        if (rows == 0) rows = 1;
        c->SetBounds(x, y, w, h);
        if (!alive) return;
        x += w;
        rowHeight = std::max(rowHeight, h);
        breakAfter = button != nullptr && button->GetWrap();
    }
    FRowCount = rows;
    if (GetAutoSize() && !GetComponentState().Contains(csLoading)) {
        const Integer used = rows > 0 ? (y + rowHeight) - client.top : buttonH;
        const Integer height = used + EdgeWidth(ebTop) + EdgeWidth(ebBottom) + 2 * FBorderWidth;
        if (height != GetHeight()) SetHeight(height);
    }
}

void TToolBar::Loaded() {
    TCustomControl::Loaded();
    Changed(true);
}

void TToolBar::CMControlChange(TCMControlChange& message) {
    if (GetComponentState().Contains(csDestroying)) return;
    const auto it = std::find(FOrder.begin(), FOrder.end(), message.Control);
    if (message.Inserting) {
        if (it == FOrder.end()) FOrder.push_back(message.Control);
    } else if (it != FOrder.end()) {
        FOrder.erase(it);
    }
    Changed(true);
}

void TToolBar::CMFontChanged(TMessage& message) {
    KOV_INHERITED(message);
    Changed(true);
}

void TToolBar::CMColorChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

void TToolBar::Paint() {
    TCanvas* canvas = GetCanvas();
    const TRect client = GetClientRect();
    TColor back = GetColor();
    if (FTransparent && GetParent() != nullptr) back = GetParent()->GetColor();
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(back);
    canvas->FillRect(client);
    const UINT edge = EdgeFlag(FEdgeOuter, true) | EdgeFlag(FEdgeInner, false);
    UINT sides = 0;
    if (FEdgeBorders.Contains(ebLeft)) sides |= BF_LEFT;
    if (FEdgeBorders.Contains(ebTop)) sides |= BF_TOP;
    if (FEdgeBorders.Contains(ebRight)) sides |= BF_RIGHT;
    if (FEdgeBorders.Contains(ebBottom)) sides |= BF_BOTTOM;
    if (edge != 0 && sides != 0) {
        TRect r = client;
        DrawEdge(canvas->GetHandle(), &r, edge, sides);
    }
    const TLivenessToken alive = LivenessToken();
    bool defaultDraw = true;
    OnCustomDraw(this, client, defaultDraw);
    if (!alive || !defaultDraw) return;
    const std::vector<TControl*> order = FOrder;
    for (TControl* c : order) {
        auto* button = dynamic_cast<TToolButton*>(c);
        if (button == nullptr || !button->GetVisible()) continue;
        if (std::find(FOrder.begin(), FOrder.end(), c) == FOrder.end()) continue;
        const TCustomDrawState state = button->GetDrawState();
        defaultDraw = true;
        OnCustomDrawButton(this, button, state, defaultDraw);
        if (!alive) return;
        if (defaultDraw) DrawButton(button, state);
    }
}

void TToolBar::DrawButton(TToolButton* button, TCustomDrawState state) {
    TCanvas* canvas = GetCanvas();
    HDC dc = canvas->GetHandle();
    const TRect bounds = button->GetBoundsRect();
    if (button->IsSeparator()) {
        if (button->GetStyle() == tbsDivider) {
            // An etched line down the middle: shadow, then highlight.
            const Integer mid = (bounds.left + bounds.right) / 2 - 1;
            canvas->GetPen()->SetWidth(1);
            canvas->GetPen()->SetColor(clBtnShadow);
            canvas->MoveTo(mid, bounds.top + 1);
            canvas->LineTo(mid, bounds.bottom - 1);
            canvas->GetPen()->SetColor(clBtnHighlight);
            canvas->MoveTo(mid + 1, bounds.top + 1);
            canvas->LineTo(mid + 1, bounds.bottom - 1);
        }
        return;
    }
    const bool pressed = state.Contains(cdsSelected);
    const bool checked = state.Contains(cdsChecked);
    const bool hot = state.Contains(cdsHot);
    const bool disabled = state.Contains(cdsDisabled);
    const bool dropDown = button->GetStyle() == tbsDropDown;
    const bool menuDropped = button->FMenuDropped;
    TRect face = bounds;
    TRect arrow{};
    if (dropDown) {
        arrow = TRect{bounds.right - kDropDownWidth, bounds.top, bounds.right, bounds.bottom};
        face.right = arrow.left;
    }
    const bool sunken = (pressed && !menuDropped) || checked;

    canvas->GetBrush()->SetStyle(bsSolid);
    if (state.Contains(cdsMarked)) {
        canvas->GetBrush()->SetColor(clHighlight);
        canvas->FillRect(face);
    } else if ((checked && !pressed && !hot) || state.Contains(cdsIndeterminate)) {
        // A button that stays down shows a lighter face.
        canvas->GetBrush()->SetColor(clBtnHighlight);
        TRect inner = face;
        InflateRect(&inner, -1, -1);
        canvas->FillRect(inner);
    }
    TRect edgeRect = face;
    if (!FFlat) {
        DrawEdge(dc, &edgeRect, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        if (dropDown) {
            TRect a = arrow;
            DrawEdge(dc, &a, menuDropped ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        }
    } else {
        if (sunken)
            DrawEdge(dc, &edgeRect, BDR_SUNKENOUTER, BF_RECT);
        else if (hot || menuDropped)
            DrawEdge(dc, &edgeRect, BDR_RAISEDINNER, BF_RECT);
        if (dropDown && (hot || menuDropped || sunken)) {
            TRect a = arrow;
            DrawEdge(dc, &a, menuDropped ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        }
    }

    // Image and caption.
    const Integer shift = sunken ? 1 : 0;
    TCustomImageList* list = FImages;
    bool drawEnabled = !disabled && !state.Contains(cdsIndeterminate);
    if (disabled && FDisabledImages != nullptr) {
        list = FDisabledImages;
        drawEnabled = true;
    } else if (hot && FHotImages != nullptr) {
        list = FHotImages;
    }
    const Integer index = button->GetImageIndex();
    const bool hasImage = list != nullptr && index >= 0 && index < list->GetCount();
    const Integer imageW = FImages != nullptr ? FImages->GetWidth() : (list != nullptr ? list->GetWidth() : 0);
    const Integer imageH = FImages != nullptr ? FImages->GetHeight() : (list != nullptr ? list->GetHeight() : 0);
    const String caption = FShowCaptions ? button->GetCaption() : String();
    const TSize text = CaptionSize(caption);
    const Integer faceW = face.right - face.left;
    const Integer faceH = face.bottom - face.top;
    POINT imagePos{};
    TRect textRect{};
    if (FList) {
        imagePos = POINT{face.left + 3, face.top + (faceH - imageH) / 2};
        const Integer textLeft = face.left + 3 + (imageW > 0 ? imageW + 4 : 0);
        textRect = TRect{textLeft, face.top + (faceH - text.cy) / 2, textLeft + text.cx,
                         face.top + (faceH - text.cy) / 2 + text.cy};
    } else {
        const Integer contentH = imageH + (text.cy > 0 ? text.cy + 1 : 0);
        const Integer top = face.top + (faceH - contentH) / 2;
        imagePos = POINT{face.left + (faceW - imageW) / 2, top};
        const Integer textTop = top + imageH + 1;
        textRect = TRect{face.left + (faceW - text.cx) / 2, textTop, face.left + (faceW - text.cx) / 2 + text.cx,
                         textTop + text.cy};
    }
    if (hasImage) list->Draw(canvas, imagePos.x + shift, imagePos.y + shift, index, drawEnabled);
    if (!caption.empty()) {
        canvas->GetFont()->Assign(GetFont());
        canvas->GetBrush()->SetStyle(bsClear);
        OffsetRect(&textRect, shift, shift);
        const TTextFormat format{tfSingleLine, tfCenter, tfVerticalCenter};
        if (disabled) {
            TRect light = textRect;
            OffsetRect(&light, 1, 1);
            canvas->GetFont()->SetColor(clBtnHighlight);
            canvas->TextRect(light, caption, format);
            canvas->GetFont()->SetColor(clBtnShadow);
        }
        canvas->TextRect(textRect, caption, format);
    }
    if (dropDown) {
        // A small down-pointing triangle in the middle of the arrow part.
        const Integer cx = (arrow.left + arrow.right) / 2 - 2 + (menuDropped ? 1 : 0);
        const Integer cy = (arrow.top + arrow.bottom) / 2 - 1 + (menuDropped ? 1 : 0);
        auto triangle = [&](Integer dx, Integer dy, TColor color) {
            canvas->GetPen()->SetColor(color);
            canvas->GetPen()->SetWidth(1);
            for (Integer i = 0; i < 3; ++i) {
                canvas->MoveTo(cx + dx + i, cy + dy + i);
                canvas->LineTo(cx + dx + 5 - i, cy + dy + i);
            }
        };
        if (disabled) {
            triangle(1, 1, clBtnHighlight);
            triangle(0, 0, clBtnShadow);
        } else {
            triangle(0, 0, clBtnText);
        }
    }
}

KOV_MESSAGE_MAP(TToolBar) {
    map.Message(CM_CONTROLCHANGE, &TToolBar::CMControlChange);
    map.Message(CM_FONTCHANGED, &TToolBar::CMFontChanged);
    map.Message(CM_COLORCHANGED, &TToolBar::CMColorChanged);
}

// ---- Status panels ------------------------------------------------------------------------------

TStatusPanel::TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

void TStatusPanel::SetWidth(Integer value) {
    if (FWidth == value) return;
    FWidth = value;
    Changed(true);
}

void TStatusPanel::SetText(const String& value) {
    if (FText == value) return;
    FText = value;
    Changed(false);
}

void TStatusPanel::SetAlignment(TAlignment value) {
    if (FAlignment == value) return;
    FAlignment = value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
    if (FBevel == value) return;
    FBevel = value;
    Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
    if (FStyle == value) return;
    FStyle = value;
    Changed(false);
}

void TStatusPanel::Assign(TPersistent* source) {
    if (auto* panel = dynamic_cast<TStatusPanel*>(source)) {
        FWidth = panel->FWidth;
        FText = panel->FText;
        FAlignment = panel->FAlignment;
        FBevel = panel->FBevel;
        FStyle = panel->FStyle;
        Changed(true);
        return;
    }
    TCollectionItem::Assign(source);
}

String TStatusPanel::GetDisplayName() const { return FText.empty() ? TCollectionItem::GetDisplayName() : FText; }

TStatusPanels::TStatusPanels(TStatusBar* statusBar)
    : TCollection(TCollectionItemClass::Of<TStatusPanel>()), FStatusBar(statusBar) {}

TPersistent* TStatusPanels::GetOwner() const { return FStatusBar; }

void TStatusPanels::Update(TCollectionItem*) { FStatusBar->PanelsChanged(); }

// ---- TStatusBar -----------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* owner) : TCustomControl(owner), FPanels(std::make_unique<TStatusPanels>(this)) {
    FControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
    Destroying();
    SetAutoHint(false);
}

void TStatusBar::PanelsChanged() {
    if (!GetComponentState().Contains(csDestroying)) Invalidate();
}

void TStatusBar::SetSimplePanel(bool value) {
    if (FSimplePanel == value) return;
    FSimplePanel = value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const String& value) {
    if (FSimpleText == value) return;
    FSimpleText = value;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool value) {
    if (FSizeGrip == value) return;
    FSizeGrip = value;
    Invalidate();
}

void TStatusBar::SetAutoHint(bool value) {
    std::vector<TStatusBar*>& bars = AutoHintBars();
    bars.erase(std::remove(bars.begin(), bars.end(), this), bars.end());
    FAutoHint = value;
    if (!value || GetComponentState().Contains(csDestroying)) return;
    bars.push_back(this);
    // The application's hint comes here only while the program has no OnHint of its own.
    if (!Application->OnHint.Assigned()) Application->OnHint = TNotifyEvent(&ShowApplicationHint);
}

void TStatusBar::Loaded() {
    TCustomControl::Loaded();
    if (FAutoHint) SetAutoHint(true);
}

bool TStatusBar::ShowHintText(const String& hint) {
    if (!FAutoHint) return false;
    if (FSimplePanel || FPanels->GetCount() == 0)
        SetSimpleText(hint);
    else
        FPanels->GetItems(0)->SetText(hint);
    return true;
}

bool TStatusBar::GetGripShown() const {
    if (!FSizeGrip) return false;
    TCustomForm* form = GetParentForm(this);
    if (form == nullptr || form->GetWindowState() == wsMaximized) return false;
    return form->GetBorderStyle() == bsSizeable || form->GetBorderStyle() == bsSizeToolWin;
}

TRect TStatusBar::GetGripRect() const {
    const Integer w = GetClientWidth();
    const Integer h = GetClientHeight();
    const Integer size = std::min(GetSystemMetrics(SM_CXVSCROLL), h);
    return TRect{w - size, h - size, w, h};
}

TRect TStatusBar::GetPanelRect(Integer index) {
    const Integer count = FPanels->GetCount();
    if (index < 0 || index >= count) return TRect{0, 0, 0, 0};
    const Integer h = GetClientHeight();
    const Integer limit = GetClientWidth() - (GetGripShown() ? GetGripRect().right - GetGripRect().left : 0);
    Integer x = 0;
    for (Integer i = 0; i < count; ++i) {
        // The last panel takes what is left of the bar.
        const Integer right = i == count - 1 ? std::max(x, limit) : x + FPanels->GetItems(i)->GetWidth();
        if (i == index) return TRect{x, 2, right, h};
        x = right + 2;
    }
    return TRect{0, 0, 0, 0};
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const TRect& rect) { OnDrawPanel(this, panel, rect); }

void TStatusBar::Paint() {
    TCanvas* canvas = GetCanvas();
    HDC dc = canvas->GetHandle();
    const TRect client = GetClientRect();
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(client);
    canvas->GetFont()->Assign(GetFont());
    const bool grip = GetGripShown();
    const TRect gripRect = GetGripRect();
    auto drawText = [&](TRect r, const String& text, TAlignment alignment) {
        InflateRect(&r, -2, 0);
        TTextFormat format{tfSingleLine, tfVerticalCenter, tfNoPrefix};
        if (alignment == taCenter) format.Include(tfCenter);
        if (alignment == taRightJustify) format.Include(tfRight);
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->TextRect(r, text, format);
        canvas->GetBrush()->SetStyle(bsSolid);
    };
    if (FSimplePanel || FPanels->GetCount() == 0) {
        TRect r{client.left, client.top + 2, client.right - (grip ? gripRect.right - gripRect.left : 0),
                client.bottom};
        drawText(r, FSimpleText, taLeftJustify);
    } else {
        const TLivenessToken alive = LivenessToken();
        for (Integer i = 0; i < FPanels->GetCount(); ++i) {
            TStatusPanel* panel = FPanels->GetItems(i);
            TRect r = GetPanelRect(i);
            if (r.right <= r.left) continue;
            if (panel->GetBevel() != pbNone) {
                TRect edge = r;
                DrawEdge(dc, &edge, panel->GetBevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            }
            TRect inner = r;
            InflateRect(&inner, -1, -1);
            const Integer saved = SaveDC(dc);
            IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
            if (panel->GetStyle() == psOwnerDraw) {
                DrawPanel(panel, inner);
            } else {
                drawText(inner, panel->GetText(), panel->GetAlignment());
            }
            RestoreDC(dc, saved);
            if (!alive) return;
            canvas->GetFont()->Assign(GetFont());
            canvas->GetBrush()->SetStyle(bsSolid);
            canvas->GetBrush()->SetColor(GetColor());
        }
    }
    if (grip) {
        TRect r = gripRect;
        DrawFrameControl(dc, &r, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
}

void TStatusBar::WMNCHitTest(TMessage& message) {
    if (GetGripShown()) {
        const POINT screen{Integer(short(LOWORD(message.LParam))), Integer(short(HIWORD(message.LParam)))};
        const POINT p = ScreenToClient(screen);
        if (InRect(GetGripRect(), p.x, p.y)) {
            message.Result = HTBOTTOMRIGHT;
            return;
        }
    }
    KOV_INHERITED(message);
}

void TStatusBar::CMFontChanged(TMessage& message) {
    KOV_INHERITED(message);
    Invalidate();
}

KOV_MESSAGE_MAP(TStatusBar) {
    map.Message(WM_NCHITTEST, &TStatusBar::WMNCHitTest);
    map.Message(CM_FONTCHANGED, &TStatusBar::CMFontChanged);
}

// ---- Registration ---------------------------------------------------------------------------------

namespace {
struct TComCtrlsTypes {
    TComCtrlsTypes() {
        RegisterEnum<TToolButtonStyle>("TToolButtonStyle",
                                       {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"});
        RegisterEnum<TEdgeBorder>("TEdgeBorder", {"ebLeft", "ebTop", "ebRight", "ebBottom"});
        RegisterTypeName<TEdgeBorders>("TEdgeBorders");
        RegisterEnum<TEdgeStyle>("TEdgeStyle", {"esNone", "esRaised", "esLowered"});
        RegisterEnum<TCustomDrawStateItem>("TCustomDrawStateItem",
                                           {"cdsSelected", "cdsGrayed", "cdsDisabled", "cdsChecked", "cdsFocused",
                                            "cdsDefault", "cdsHot", "cdsMarked", "cdsIndeterminate"});
        RegisterTypeName<TCustomDrawState>("TCustomDrawState");
        RegisterEnum<TStatusPanelStyle>("TStatusPanelStyle", {"psText", "psOwnerDraw"});
        RegisterEnum<TStatusPanelBevel>("TStatusPanelBevel", {"pbNone", "pbLowered", "pbRaised"});
    }
};
const TComCtrlsTypes kComCtrlsTypes;
} // namespace

KOV_PUBLISHED(TToolButton) {
    Property("AllowAllUp", &TToolButton::GetAllowAllUp, &TToolButton::SetAllowAllUp).Default(false);
    Property("Down", &TToolButton::GetDown, &TToolButton::SetDown).Default(false);
    Property("DropdownMenu", &TToolButton::GetDropdownMenu, &TToolButton::SetDropdownMenu).TypeName("TPopupMenu");
    Property("Grouped", &TToolButton::GetGrouped, &TToolButton::SetGrouped).Default(false);
    Property("ImageIndex", &TToolButton::GetImageIndex, &TToolButton::SetImageIndex)
        .TypeName("TImageIndex")
        .Default(-1);
    Property("Indeterminate", &TToolButton::GetIndeterminate, &TToolButton::SetIndeterminate).Default(false);
    Property("Marked", &TToolButton::GetMarked, &TToolButton::SetMarked).Default(false);
    Property("MenuItem", &TToolButton::GetMenuItem, &TToolButton::SetMenuItem).TypeName("TMenuItem");
    Property("Style", &TToolButton::GetStyle, &TToolButton::SetStyle).Default(tbsButton);
    Property("Wrap", &TToolButton::GetWrap, &TToolButton::SetWrap).Default(false);
}

KOV_PUBLISHED(TToolBar) {
    Property("BorderWidth", &TToolBar::GetBorderWidth, &TToolBar::SetBorderWidth).TypeName("TBorderWidth").Default(0);
    Property("ButtonHeight", &TToolBar::GetButtonHeight, &TToolBar::SetButtonHeight).Default(22);
    Property("ButtonWidth", &TToolBar::GetButtonWidth, &TToolBar::SetButtonWidth).Default(23);
    Property("DisabledImages", &TToolBar::GetDisabledImages, &TToolBar::SetDisabledImages);
    Property("EdgeBorders", &TToolBar::GetEdgeBorders, &TToolBar::SetEdgeBorders).Default(TEdgeBorders{ebTop});
    Property("EdgeInner", &TToolBar::GetEdgeInner, &TToolBar::SetEdgeInner).Default(esRaised);
    Property("EdgeOuter", &TToolBar::GetEdgeOuter, &TToolBar::SetEdgeOuter).Default(esLowered);
    Property("Flat", &TToolBar::GetFlat, &TToolBar::SetFlat).Default(false);
    Property("HotImages", &TToolBar::GetHotImages, &TToolBar::SetHotImages);
    Property("Images", &TToolBar::GetImages, &TToolBar::SetImages);
    Property("Indent", &TToolBar::GetIndent, &TToolBar::SetIndent).Default(0);
    Property("List", &TToolBar::GetList, &TToolBar::SetList).Default(false);
    Property("ShowCaptions", &TToolBar::GetShowCaptions, &TToolBar::SetShowCaptions).Default(false);
    Property("Transparent", &TToolBar::GetTransparent, &TToolBar::SetTransparent).Default(false);
    Property("Wrapable", &TToolBar::GetWrapable, &TToolBar::SetWrapable).Default(true);
    Property("OnCustomDraw", &TToolBar::OnCustomDraw);
    Property("OnCustomDrawButton", &TToolBar::OnCustomDrawButton);
}

KOV_PUBLISHED(TStatusPanel) {
    Property("Alignment", &TStatusPanel::GetAlignment, &TStatusPanel::SetAlignment).Default(taLeftJustify);
    Property("Bevel", &TStatusPanel::GetBevel, &TStatusPanel::SetBevel).Default(pbLowered);
    Property("Style", &TStatusPanel::GetStyle, &TStatusPanel::SetStyle).Default(psText);
    Property("Text", &TStatusPanel::GetText, &TStatusPanel::SetText);
    Property("Width", &TStatusPanel::GetWidth, &TStatusPanel::SetWidth);
}

KOV_PUBLISHED(TStatusPanels) {}

KOV_PUBLISHED(TStatusBar) {
    Property("AutoHint", &TStatusBar::GetAutoHint, &TStatusBar::SetAutoHint).Default(false);
    Property("Panels", &TStatusBar::GetPanels, &TStatusBar::SetPanels);
    Property("SimplePanel", &TStatusBar::GetSimplePanel, &TStatusBar::SetSimplePanel).Default(false);
    Property("SimpleText", &TStatusBar::GetSimpleText, &TStatusBar::SetSimpleText);
    Property("SizeGrip", &TStatusBar::GetSizeGrip, &TStatusBar::SetSizeGrip).Default(true);
    Property("OnDrawPanel", &TStatusBar::OnDrawPanel);
}

namespace {
const bool kComCtrlsRegistered = [] {
    RegisterClasses({TToolBar::StaticClass(), TToolButton::StaticClass(), TStatusBar::StaticClass()});
    return true;
}();
} // namespace

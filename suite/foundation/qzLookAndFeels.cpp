#include "suite/foundation/qzLookAndFeels.h"

#include <algorithm>
#include <exception>

#include "platform/runtime/TypInfo.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/ybOffice11.h"

namespace {

// ---- System palette listener -----------------------------------------------------------------

// The hidden window that hears WM_SYSCOLORCHANGE, and the notifiers it tells. It exists while at
// least one notifier does, and holds the office colour set meanwhile.
class TqzSystemPaletteChangedListener : public TObject {
public:
    TqzSystemPaletteChangedListener() {
        AcquireOfficeSchemeColors();
        FWindow = AllocateHWnd(MakeEvent(this, &TqzSystemPaletteChangedListener::WndProc));
    }
    ~TqzSystemPaletteChangedListener() override {
        if (FWindow) DeallocateHWnd(FWindow);
        ReleaseOfficeSchemeColors();
    }
    TqzSystemPaletteChangedListener(const TqzSystemPaletteChangedListener&) = delete;
    TqzSystemPaletteChangedListener& operator=(const TqzSystemPaletteChangedListener&) = delete;

    void Add(TqzSystemPaletteChangedNotifier* notifier) {
        (notifier->GetIsPrimary() ? FPrimaryNotifiers : FNotifiers).push_back(notifier);
    }
    void Remove(TqzSystemPaletteChangedNotifier* notifier) {
        for (auto* list : {&FPrimaryNotifiers, &FNotifiers})
            list->erase(std::remove(list->begin(), list->end(), notifier), list->end());
    }

private:
    void WndProc(TMessage& message) {
        if (message.Msg == WM_SYSCOLORCHANGE) {
            try {
                RebuildOfficeSchemeColors();
                RebuildSharedRadioButtonImages();
                const TLivenessToken alive = LivenessToken();
                FireAll(FPrimaryNotifiers, alive);
                if (alive) FireAll(FNotifiers, alive);
                if (!alive) return; // the last notifier went, and this window with it
            } catch (...) {
                WinHandleException(std::current_exception());
            }
        }
        message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
    }

    // Newest first. A handler may free notifiers (even this listener) or make new ones: those
    // listed now are asked, each only while it is still listed.
    void FireAll(std::vector<TqzSystemPaletteChangedNotifier*>& list, const TLivenessToken& alive) {
        const std::vector<TqzSystemPaletteChangedNotifier*> listed = list;
        for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
            if (!alive) return;
            if (std::find(list.begin(), list.end(), *it) == list.end()) continue;
            (*it)->FirePaletteChanged();
        }
    }

    HWND FWindow = nullptr;
    std::vector<TqzSystemPaletteChangedNotifier*> FPrimaryNotifiers;
    std::vector<TqzSystemPaletteChangedNotifier*> FNotifiers;
};

struct TLookAndFeelsUnit {
    bool Started = false;
    bool Starting = false;
    TqzLookAndFeel* Root = nullptr;
    Integer ControllerCount = 0;
    TqzSystemPaletteChangedListener* PaletteListener = nullptr;
    Integer PaletteListenerUseCount = 0;
};

TLookAndFeelsUnit& Unit() {
    static TLookAndFeelsUnit unit;
    return unit;
}

void EnsureStarted() {
    TLookAndFeelsUnit& unit = Unit();
    if (!unit.Started && !unit.Starting) LookAndFeelsInitialize();
}

bool IsController(IqzLookAndFeelListener* listener) {
    TObject* object = listener->GetObject();
    return object && object->InheritsFrom(TqzLookAndFeelController::StaticClass());
}

struct TLookAndFeelTypes {
    TLookAndFeelTypes() {
        RegisterEnum<TqzLookAndFeelKind>("TqzLookAndFeelKind",
                                         {"lfFlat", "lfStandard", "lfUltraFlat", "lfOffice11"});
        RegisterEnum<TqzLookAndFeelValue>("TqzLookAndFeelValue", {"lfvKind", "lfvNativeStyle"});
        RegisterTypeName<TqzLookAndFeelValues>("TqzLookAndFeelValues");
        RegisterInterfacedPersistentClass<TqzLookAndFeel>();
        RegisterClass(TqzLookAndFeelController::StaticClass());
    }
};
const TLookAndFeelTypes kLookAndFeelTypes;

} // namespace

// ---- Notifier ----------------------------------------------------------------------------------

TqzSystemPaletteChangedNotifier::TqzSystemPaletteChangedNotifier(bool primary) : FIsPrimary(primary) {
    TLookAndFeelsUnit& unit = Unit();
    if (!unit.PaletteListener) unit.PaletteListener = new TqzSystemPaletteChangedListener;
    ++unit.PaletteListenerUseCount;
    unit.PaletteListener->Add(this);
}

TqzSystemPaletteChangedNotifier::~TqzSystemPaletteChangedNotifier() {
    TLookAndFeelsUnit& unit = Unit();
    if (!unit.PaletteListener) return;
    unit.PaletteListener->Remove(this);
    if (--unit.PaletteListenerUseCount == 0) {
        delete unit.PaletteListener;
        unit.PaletteListener = nullptr;
    }
}

void TqzSystemPaletteChangedNotifier::FirePaletteChanged() {
    if (OnPaletteChanged) OnPaletteChanged();
}

// ---- Painter classes ---------------------------------------------------------------------------

TqzLookAndFeelPainterClass LookAndFeelPainterClassOf(TqzLookAndFeelKind kind) {
    switch (kind) {
    case lfFlat:
        return PainterClass<TqzFlatLookAndFeelPainter>();
    case lfUltraFlat:
        return PainterClass<TqzUltraFlatLookAndFeelPainter>();
    case lfOffice11:
        return PainterClass<TqzOffice11LookAndFeelPainter>();
    case lfStandard:
    default:
        return PainterClass<TqzStandardLookAndFeelPainter>();
    }
}

TqzLookAndFeelPainterClass NativeLookAndFeelPainterClass() {
    return PainterClass<TqzWinXPLookAndFeelPainter>();
}

// ---- Look and feel -----------------------------------------------------------------------------

TqzLookAndFeel::TqzLookAndFeel(TPersistent* owner) : TqzInterfacedPersistent(owner) {
    FSystemPaletteChangedNotifier = std::make_unique<TqzSystemPaletteChangedNotifier>(false);
    FSystemPaletteChangedNotifier->OnPaletteChanged =
        MakeEvent(this, &TqzLookAndFeel::HandleSystemPaletteChange);
    EnsureStarted();
    if (TqzLookAndFeel* root = Unit().Root) {
        root->AddChangeListener(this);
        FCurrentKind = ResolveKind();
        FCurrentNativeStyle = ResolveNativeStyle();
    }
}

TqzLookAndFeel::~TqzLookAndFeel() {
    FSystemPaletteChangedNotifier.reset();
    FIsDestroying = true;
    // Each dependant moves to the root; its attempt to unregister from here is ignored meanwhile.
    const std::vector<IqzLookAndFeelListener*> listeners = FChangeListeners;
    for (IqzLookAndFeelListener* listener : listeners)
        listener->MasterDestroying(this);
    FIsDestroying = false;
    FChangeListeners.clear();
    if (TqzLookAndFeel* masterOrRoot = MasterOrRoot()) masterOrRoot->RemoveChangeListener(this);
    if (FIsRootLookAndFeel && Unit().Root == this) {
        Unit().Root = nullptr;
        Unit().ControllerCount = 0;
    }
}

TqzLookAndFeel* TqzLookAndFeel::GetRootLookAndFeel() { return RootLookAndFeel(); }

TqzLookAndFeel* TqzLookAndFeel::MasterOrRoot() const {
    if (FIsRootLookAndFeel) return nullptr;
    return FMaster ? FMaster : Unit().Root;
}

TqzLookAndFeelKind TqzLookAndFeel::ResolveKind() const {
    if (FAssignedValues.Contains(lfvKind)) return FKind;
    if (FIsRootLookAndFeel) return lfUltraFlat;
    const TqzLookAndFeel* source = MasterOrRoot();
    return source ? source->GetKind() : lfUltraFlat;
}

bool TqzLookAndFeel::ResolveNativeStyle() const {
    if (FAssignedValues.Contains(lfvNativeStyle)) return FNativeStyle;
    if (FIsRootLookAndFeel) return false;
    const TqzLookAndFeel* source = MasterOrRoot();
    return source ? source->GetNativeStyle() : false;
}

void TqzLookAndFeel::HandleSystemPaletteChange() { NotifyChanged({lfvNativeStyle}); }

bool TqzLookAndFeel::IsListed(IqzLookAndFeelListener* listener) const {
    return std::find(FChangeListeners.begin(), FChangeListeners.end(), listener) != FChangeListeners.end();
}

void TqzLookAndFeel::NotifyChanged(TqzLookAndFeelValues changedValues) {
    if (changedValues.empty() || FIsDestroying) return;
    FCurrentKind = ResolveKind();
    FCurrentNativeStyle = ResolveNativeStyle();
    // A listener may unregister itself or others, or free this look and feel: those listed now
    // are told once each, while they are still listed.
    const TLivenessToken alive = LivenessToken();
    const std::vector<IqzLookAndFeelListener*> listed = FChangeListeners;
    for (IqzLookAndFeelListener* listener : listed) {
        if (!alive) return;
        if (!IsListed(listener)) continue;
        listener->MasterChanged(this, changedValues);
    }
    if (alive && OnChanged) OnChanged(this, changedValues);
}

void TqzLookAndFeel::SaveState() {
    FPrevKind = FCurrentKind;
    FPrevNativeStyle = FCurrentNativeStyle;
}

void TqzLookAndFeel::NotifyIfChanged() {
    TqzLookAndFeelValues changed;
    if (ResolveKind() != FPrevKind) changed.Include(lfvKind);
    if (ResolveNativeStyle() != FPrevNativeStyle) changed.Include(lfvNativeStyle);
    NotifyChanged(changed);
}

void TqzLookAndFeel::SetKind(TqzLookAndFeelKind value) {
    const TqzLookAndFeelKind previous = FCurrentKind;
    FAssignedValues.Include(lfvKind);
    FKind = value;
    if (ResolveKind() != previous) NotifyChanged({lfvKind});
}

void TqzLookAndFeel::SetNativeStyle(bool value) {
    const bool previous = FCurrentNativeStyle;
    FAssignedValues.Include(lfvNativeStyle);
    FNativeStyle = value;
    if (ResolveNativeStyle() != previous) NotifyChanged({lfvNativeStyle});
}

void TqzLookAndFeel::SetAssignedValues(TqzLookAndFeelValues value) {
    if (value == FAssignedValues) return;
    SaveState();
    FAssignedValues = value;
    NotifyIfChanged();
}

void TqzLookAndFeel::SetMaster(TqzLookAndFeel* value) {
    if (FIsRootLookAndFeel || value == this || value == MasterOrRoot()) return;
    SaveState();
    if (TqzLookAndFeel* old = MasterOrRoot()) old->RemoveChangeListener(this);
    FMaster = value;
    if (TqzLookAndFeel* now = MasterOrRoot()) now->AddChangeListener(this);
    NotifyIfChanged();
}

void TqzLookAndFeel::MasterChanged(TqzLookAndFeel*, TqzLookAndFeelValues changedValues) {
    NotifyChanged(changedValues - FAssignedValues);
}

void TqzLookAndFeel::MasterDestroying(TqzLookAndFeel*) { SetMaster(nullptr); }

void TqzLookAndFeel::AddChangeListener(IqzLookAndFeelListener* listener) {
    // A look and feel being destroyed is about to drop its list: whoever registers now would
    // be left pointing at a freed master.
    if (!listener || FIsDestroying) return;
    const bool controller = IsController(listener);
    if (controller && !FIsRootLookAndFeel) return;
    if (IsListed(listener)) return;
    FChangeListeners.push_back(listener);
    if (controller) ++Unit().ControllerCount;
}

void TqzLookAndFeel::RemoveChangeListener(IqzLookAndFeelListener* listener) {
    if (!listener || FIsDestroying || !IsListed(listener)) return;
    FChangeListeners.erase(std::find(FChangeListeners.begin(), FChangeListeners.end(), listener));
    if (FIsRootLookAndFeel && IsController(listener)) {
        TLookAndFeelsUnit& unit = Unit();
        if (unit.ControllerCount > 0 && --unit.ControllerCount == 0) SetAssignedValues({});
    }
}

void TqzLookAndFeel::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzLookAndFeel*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this) return;
    SaveState();
    FKind = other->FKind;
    FNativeStyle = other->FNativeStyle;
    FAssignedValues = other->FAssignedValues;
    SetMaster(other->MasterOrRoot());
    NotifyIfChanged();
}

TqzLookAndFeelPainterClass TqzLookAndFeel::KindPainter() const {
    return LookAndFeelPainterClassOf(GetKind());
}

TqzLookAndFeelPainterClass TqzLookAndFeel::ActivePainter() const {
    if (GetNativeStyle() && AreThemesActiveForTypes(0)) return NativeLookAndFeelPainterClass();
    return KindPainter();
}

TqzLookAndFeelPainterClass TqzLookAndFeel::PainterForThemeType(TybThemeType type) const {
    if (GetNativeStyle() && IsThemeActiveForType(type)) return NativeLookAndFeelPainterClass();
    return KindPainter();
}

TqzLookAndFeelPainterClass TqzLookAndFeel::PainterForThemeTypes(Cardinal mask) const {
    if (GetNativeStyle() && AreThemesActiveForTypes(mask)) return NativeLookAndFeelPainterClass();
    return KindPainter();
}

KOV_PUBLISHED(TqzLookAndFeel) {
    Property("AssignedValues", &TqzLookAndFeel::GetAssignedValues, &TqzLookAndFeel::SetAssignedValues)
        .Default(TqzLookAndFeelValues());
    Property("Kind", &TqzLookAndFeel::GetKind, &TqzLookAndFeel::SetKind)
        .Stored(&TqzLookAndFeel::IsKindStored);
    Property("NativeStyle", &TqzLookAndFeel::GetNativeStyle, &TqzLookAndFeel::SetNativeStyle)
        .Stored(&TqzLookAndFeel::IsNativeStyleStored);
}

// ---- Controller --------------------------------------------------------------------------------

TqzLookAndFeelController::TqzLookAndFeelController(TComponent* owner) : TComponent(owner) {
    if (TqzLookAndFeel* root = RootLookAndFeel()) root->AddChangeListener(this);
}

TqzLookAndFeelController::~TqzLookAndFeelController() {
    if (TqzLookAndFeel* root = Unit().Root) root->RemoveChangeListener(this);
}

TqzLookAndFeelKind TqzLookAndFeelController::GetKind() const {
    TqzLookAndFeel* root = Unit().Root;
    return root ? root->GetKind() : lfUltraFlat;
}

void TqzLookAndFeelController::SetKind(TqzLookAndFeelKind value) {
    if (TqzLookAndFeel* root = Unit().Root) root->SetKind(value);
}

bool TqzLookAndFeelController::GetNativeStyle() const {
    TqzLookAndFeel* root = Unit().Root;
    return root ? root->GetNativeStyle() : false;
}

void TqzLookAndFeelController::SetNativeStyle(bool value) {
    if (TqzLookAndFeel* root = Unit().Root) root->SetNativeStyle(value);
}

void TqzLookAndFeelController::MasterChanged(TqzLookAndFeel*, TqzLookAndFeelValues) {}

// The form designer would be told that the form changed; there is no designer here.
void TqzLookAndFeelController::MasterDestroying(TqzLookAndFeel*) {}

KOV_PUBLISHED(TqzLookAndFeelController) {
    Property("Kind", &TqzLookAndFeelController::GetKind, &TqzLookAndFeelController::SetKind)
        .Default(lfUltraFlat);
    Property("NativeStyle", &TqzLookAndFeelController::GetNativeStyle,
             &TqzLookAndFeelController::SetNativeStyle)
        .Default(false);
}

// ---- Unit --------------------------------------------------------------------------------------

void LookAndFeelsInitialize() {
    TLookAndFeelsUnit& unit = Unit();
    if (unit.Started) return;
    unit.Starting = true;
    try {
        auto* root = new TqzLookAndFeel(nullptr);
        root->FIsRootLookAndFeel = true;
        unit.Root = root;
        unit.ControllerCount = 0;
    } catch (...) {
        unit.Starting = false;
        throw;
    }
    unit.Starting = false;
    unit.Started = true;
}

void LookAndFeelsFinalize() {
    TLookAndFeelsUnit& unit = Unit();
    if (!unit.Started) return;
    delete unit.Root; // clears unit.Root
    unit.Root = nullptr;
    unit.ControllerCount = 0;
    unit.Started = false;
}

TqzLookAndFeel* RootLookAndFeel() {
    EnsureStarted();
    return Unit().Root;
}

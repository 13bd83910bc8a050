// How every suite control looks. A look and feel carries a drawing style (Kind) and whether to
// draw with the system's visual style (NativeStyle); a setting that is not assigned locally
// follows the master look and feel, and in the end the one process-wide root, which a
// TqzLookAndFeelController on a form sets for the whole application. From the effective
// settings the look and feel chooses the painter that draws its control. Every change is passed
// down to the dependants and reported to the owner through OnChanged.
//
// A hidden window listens for system colour changes: it rebuilds the office colour scheme and
// the shared radio-button images and tells every look and feel, so that controls repaint.
// Everything runs on the user-interface thread.
#pragma once

#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybThemeManager.h"

enum TqzLookAndFeelValue : Byte { lfvKind, lfvNativeStyle };
using TqzLookAndFeelValues = TSet<TqzLookAndFeelValue, lfvNativeStyle>;

class TqzLookAndFeel;

// How a look and feel talks to its dependants.
class IqzLookAndFeelListener : public virtual IInterface {
public:
    // The implementing object.
    virtual TObject* GetObject() = 0;
    virtual void MasterChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues changedValues) = 0;
    virtual void MasterDestroying(TqzLookAndFeel* sender) = 0;
};

using TqzLookAndFeelChangedEvent = TClosure<void(TqzLookAndFeel* sender, TqzLookAndFeelValues changedValues)>;
using TqzSystemPaletteChangedEvent = TClosure<void()>;

// ---- System palette notice -----------------------------------------------------------------

// Hears of system colour changes while it exists. On a change the primary notifiers fire
// first, then the others; within each group the newest fires first.
class TqzSystemPaletteChangedNotifier : public TObject {
    KOV_CLASS(TqzSystemPaletteChangedNotifier, TObject)
public:
    explicit TqzSystemPaletteChangedNotifier(bool primary = false);
    ~TqzSystemPaletteChangedNotifier() override;
    TqzSystemPaletteChangedNotifier(const TqzSystemPaletteChangedNotifier&) = delete;
    TqzSystemPaletteChangedNotifier& operator=(const TqzSystemPaletteChangedNotifier&) = delete;

    virtual void FirePaletteChanged();
    bool GetIsPrimary() const { return FIsPrimary; }

    TqzSystemPaletteChangedEvent OnPaletteChanged;

private:
    bool FIsPrimary;
};

// ---- Look and feel -------------------------------------------------------------------------

class TqzLookAndFeel : public TqzInterfacedPersistent, public IqzLookAndFeelListener {
    KOV_CLASS(TqzLookAndFeel, TqzInterfacedPersistent)
public:
    // Registers with the root (when there is one) and takes its effective values from it.
    explicit TqzLookAndFeel(TPersistent* owner);
    // Moves the dependants to the root and unregisters from the master or root.
    ~TqzLookAndFeel() override;
    TqzLookAndFeel(const TqzLookAndFeel&) = delete;
    TqzLookAndFeel& operator=(const TqzLookAndFeel&) = delete;

    // From another look and feel: its own values, assigned set and master. Any other source
    // raises the class library's conversion error.
    void Assign(TPersistent* source) override;

    // The painter for the look and feel's own drawing: the native painter when NativeStyle is
    // on and visual styles are active, else the painter of Kind.
    TqzLookAndFeelPainterClass ActivePainter() const;
    TqzLookAndFeelPainterClass PainterForThemeType(TybThemeType type) const;
    TqzLookAndFeelPainterClass PainterForThemeTypes(Cardinal mask) const;

    // The master, or the root when the master is nil; nil for the root itself.
    TqzLookAndFeel* MasterOrRoot() const;
    TqzLookAndFeel* GetMaster() const { return FMaster; }
    // Nil means the root. Ignored for the root, for the look and feel itself and for the
    // current master or root.
    void SetMaster(TqzLookAndFeel* value);

    // Nil is ignored and a listener is listed once. A controller is accepted by the root only.
    void AddChangeListener(IqzLookAndFeelListener* listener);
    void RemoveChangeListener(IqzLookAndFeelListener* listener);

    // Published.
    TqzLookAndFeelValues GetAssignedValues() const { return FAssignedValues; }
    void SetAssignedValues(TqzLookAndFeelValues value);
    TqzLookAndFeelKind GetKind() const { return FCurrentKind; }
    void SetKind(TqzLookAndFeelKind value);
    bool GetNativeStyle() const { return FCurrentNativeStyle; }
    void SetNativeStyle(bool value);
    // Kind and NativeStyle are stored only when assigned here.
    bool IsKindStored() const { return FAssignedValues.Contains(lfvKind); }
    bool IsNativeStyleStored() const { return FAssignedValues.Contains(lfvNativeStyle); }

    bool GetIsRootLookAndFeel() const { return FIsRootLookAndFeel; }
    static TqzLookAndFeel* GetRootLookAndFeel();

    // IqzLookAndFeelListener
    TObject* GetObject() override { return this; }
    void MasterChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues changedValues) override;
    void MasterDestroying(TqzLookAndFeel* sender) override;

    TqzLookAndFeelChangedEvent OnChanged;

protected:
    virtual TqzLookAndFeelKind ResolveKind() const;
    virtual bool ResolveNativeStyle() const;
    virtual void HandleSystemPaletteChange();

    void NotifyChanged(TqzLookAndFeelValues changedValues);
    void NotifyIfChanged();
    void SaveState();

private:
    friend void LookAndFeelsInitialize();
    friend void LookAndFeelsFinalize();

    TqzLookAndFeelPainterClass KindPainter() const;
    bool IsListed(IqzLookAndFeelListener* listener) const;

    TqzLookAndFeelValues FAssignedValues;
    TqzLookAndFeelKind FKind = lfUltraFlat;
    bool FNativeStyle = false;
    TqzLookAndFeelKind FCurrentKind = lfUltraFlat;
    bool FCurrentNativeStyle = false;
    TqzLookAndFeelKind FPrevKind = lfUltraFlat;
    bool FPrevNativeStyle = false;
    TqzLookAndFeel* FMaster = nullptr;
    std::vector<IqzLookAndFeelListener*> FChangeListeners;
    std::unique_ptr<TqzSystemPaletteChangedNotifier> FSystemPaletteChangedNotifier;
    bool FIsRootLookAndFeel = false;
    bool FIsDestroying = false;
};

// The painter class drawing a kind (the standard painter for a value outside the kinds).
TqzLookAndFeelPainterClass LookAndFeelPainterClassOf(TqzLookAndFeelKind kind);
// The painter drawing with the system's visual style.
TqzLookAndFeelPainterClass NativeLookAndFeelPainterClass();

// ---- Controller ------------------------------------------------------------------------------

// Sets the root look and feel, and so every look and feel that does not assign a value itself.
// When the last controller goes, the root returns to its defaults.
class TqzLookAndFeelController : public TComponent, public IqzLookAndFeelListener {
    KOV_CLASS(TqzLookAndFeelController, TComponent)
public:
    explicit TqzLookAndFeelController(TComponent* owner);
    ~TqzLookAndFeelController() override;

    // Published; they read and write the root (lfUltraFlat and false without a root).
    TqzLookAndFeelKind GetKind() const;
    void SetKind(TqzLookAndFeelKind value);
    bool GetNativeStyle() const;
    void SetNativeStyle(bool value);

    // IqzLookAndFeelListener
    TObject* GetObject() override { return this; }
    void MasterChanged(TqzLookAndFeel* sender, TqzLookAndFeelValues changedValues) override;
    void MasterDestroying(TqzLookAndFeel* sender) override;
};

// Start-up and finalisation of the unit. The unit starts on first use (a look and feel made,
// the root asked for); tests restart it. Finalisation frees the root: every remaining look and
// feel falls back to the defaults.
void LookAndFeelsInitialize();
void LookAndFeelsFinalize();

// The root look and feel; asking starts the unit when it has not started.
TqzLookAndFeel* RootLookAndFeel();

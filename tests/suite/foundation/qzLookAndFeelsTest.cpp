// Look and feels: effective values through the master chain and the root, the notices a change
// sends down, controllers setting the whole application, painter choice, and the system palette
// notice.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/qzLookAndFeels.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

using Values = TqzLookAndFeelValues;

// Records the OnChanged notices of one look and feel.
struct Recorder : TObject {
    explicit Recorder(TqzLookAndFeel* lf) { lf->OnChanged = MakeEvent(this, &Recorder::Changed); }
    void Changed(TqzLookAndFeel*, Values changed) {
        Calls.push_back(changed);
        if (Then) Then();
    }
    std::vector<Values> Calls;
    std::function<void()> Then;
};

// Each test starts the unit and finalises it at the end, so that no root (nor the office colours
// its palette listener holds) outlives the test.
class LookAndFeel : public ::testing::Test {
protected:
    void SetUp() override { LookAndFeelsInitialize(); }
    void TearDown() override { LookAndFeelsFinalize(); }
};

TEST_F(LookAndFeel, NewLookAndFeelFollowsTheRootDefaultsAndStoresNothing) {
    TqzLookAndFeel lf(nullptr);
    TqzLookAndFeel* root = RootLookAndFeel();
    EXPECT_TRUE(root->GetIsRootLookAndFeel());
    EXPECT_EQ(nullptr, root->MasterOrRoot());
    EXPECT_EQ(root, lf.MasterOrRoot());
    EXPECT_EQ(lfUltraFlat, lf.GetKind());
    EXPECT_FALSE(lf.GetNativeStyle());
    EXPECT_TRUE(lf.GetAssignedValues().empty());
    EXPECT_FALSE(lf.IsKindStored());
    EXPECT_FALSE(lf.IsNativeStyleStored());
    EXPECT_EQ(PainterClass<TqzUltraFlatLookAndFeelPainter>(), lf.ActivePainter());

    // SetMaster with itself, or with what it already follows, changes nothing.
    Recorder rec(&lf);
    lf.SetMaster(&lf);
    lf.SetMaster(root);
    lf.SetMaster(nullptr);
    EXPECT_EQ(nullptr, lf.GetMaster());
    EXPECT_TRUE(rec.Calls.empty());
}

TEST_F(LookAndFeel, SettersNotifyOnlyWhenTheEffectiveValueChanges) {
    TqzLookAndFeel lf(nullptr);
    Recorder rec(&lf);

    lf.SetKind(lfUltraFlat); // already in effect: assigned, silent
    EXPECT_EQ(Values{lfvKind}, lf.GetAssignedValues());
    EXPECT_TRUE(lf.IsKindStored());
    EXPECT_TRUE(rec.Calls.empty());

    lf.SetKind(lfOffice11);
    lf.SetNativeStyle(true);
    lf.SetNativeStyle(true);
    EXPECT_EQ((std::vector<Values>{{lfvKind}, {lfvNativeStyle}}), rec.Calls);
    EXPECT_EQ(lfOffice11, lf.GetKind());
    EXPECT_TRUE(lf.GetNativeStyle());

    // Dropping both from the assigned set follows the root again, with one notice for both.
    rec.Calls.clear();
    lf.SetAssignedValues({});
    EXPECT_EQ((std::vector<Values>{{lfvKind, lfvNativeStyle}}), rec.Calls);
    EXPECT_EQ(lfUltraFlat, lf.GetKind());
    EXPECT_FALSE(lf.GetNativeStyle());
    // The own values are kept: assigning again brings them back.
    lf.SetAssignedValues({lfvKind});
    EXPECT_EQ(lfOffice11, lf.GetKind());
}

TEST_F(LookAndFeel, ControllerSetsEveryUnassignedLookAndFeelUntilTheLastOneGoes) {
    TqzLookAndFeel follows(nullptr), flat(nullptr);
    flat.SetKind(lfFlat);
    Recorder followsRec(&follows), flatRec(&flat);

    auto* first = new TqzLookAndFeelController(nullptr);
    auto* second = new TqzLookAndFeelController(nullptr);
    first->SetKind(lfStandard);
    EXPECT_EQ(lfStandard, second->GetKind());
    EXPECT_EQ(lfStandard, RootLookAndFeel()->GetKind());
    EXPECT_EQ(lfStandard, follows.GetKind());
    EXPECT_EQ(std::vector<Values>{{lfvKind}}, followsRec.Calls);
    EXPECT_EQ(lfFlat, flat.GetKind());
    EXPECT_TRUE(flatRec.Calls.empty());

    // Only the root takes controllers.
    follows.AddChangeListener(first);
    delete second;
    EXPECT_EQ(lfStandard, follows.GetKind()); // one controller is left

    followsRec.Calls.clear();
    delete first;
    EXPECT_TRUE(RootLookAndFeel()->GetAssignedValues().empty());
    EXPECT_EQ(lfUltraFlat, follows.GetKind());
    EXPECT_EQ(std::vector<Values>{{lfvKind}}, followsRec.Calls);
    EXPECT_TRUE(flatRec.Calls.empty());
}

TEST_F(LookAndFeel, MasterChangesReachDependantsExceptWhereAssignedLocally) {
    auto master = std::make_unique<TqzLookAndFeel>(nullptr);
    master->SetKind(lfOffice11);
    TqzLookAndFeel dependant(nullptr), grandchild(nullptr);
    Recorder depRec(&dependant), grandRec(&grandchild);

    dependant.SetMaster(master.get());
    grandchild.SetMaster(&dependant);
    EXPECT_EQ(std::vector<Values>{{lfvKind}}, depRec.Calls);
    EXPECT_EQ(lfOffice11, grandchild.GetKind());
    grandchild.SetNativeStyle(false); // assigned, same as in effect

    depRec.Calls.clear();
    grandRec.Calls.clear();
    master->SetNativeStyle(true);
    EXPECT_TRUE(dependant.GetNativeStyle());
    EXPECT_EQ(std::vector<Values>{{lfvNativeStyle}}, depRec.Calls);
    EXPECT_FALSE(grandchild.GetNativeStyle());
    EXPECT_TRUE(grandRec.Calls.empty()); // hidden by its own value

    // Destroying the master moves the dependant to the root; the chain below stays intact.
    depRec.Calls.clear();
    grandRec.Calls.clear();
    master.reset();
    EXPECT_EQ(nullptr, dependant.GetMaster());
    EXPECT_EQ(RootLookAndFeel(), dependant.MasterOrRoot());
    EXPECT_EQ(lfUltraFlat, dependant.GetKind());
    EXPECT_FALSE(dependant.GetNativeStyle());
    EXPECT_EQ((std::vector<Values>{{lfvKind, lfvNativeStyle}}), depRec.Calls);
    EXPECT_EQ(&dependant, grandchild.GetMaster());
    EXPECT_EQ(lfUltraFlat, grandchild.GetKind());
    EXPECT_EQ(std::vector<Values>{{lfvKind}}, grandRec.Calls);
}

TEST_F(LookAndFeel, ListenersThatLeaveOrFreeOthersDuringANoticeSkipNobody) {
    TqzLookAndFeel master(nullptr), elsewhere(nullptr);
    auto a = std::make_unique<TqzLookAndFeel>(nullptr);
    auto b = std::make_unique<TqzLookAndFeel>(nullptr);
    TqzLookAndFeel c(nullptr);
    for (TqzLookAndFeel* lf : {a.get(), b.get(), &c})
        lf->SetMaster(&master);
    Recorder aRec(a.get()), cRec(&c);
    aRec.Then = [&] {
        a->SetMaster(&elsewhere); // leaves the master's list
        b.reset();                // frees the next listener
    };

    master.SetKind(lfFlat);
    // The master's notice, then the one of its own move back to ultra-flat.
    EXPECT_EQ(2u, aRec.Calls.size());
    EXPECT_EQ(std::vector<Values>{{lfvKind}}, cRec.Calls);
    EXPECT_EQ(lfFlat, c.GetKind());
    EXPECT_EQ(lfUltraFlat, a->GetKind()); // follows elsewhere now
}

TEST_F(LookAndFeel, AssignCopiesValuesAndMasterAndRejectsOtherSources) {
    TqzLookAndFeel master(nullptr), source(nullptr), target(nullptr);
    master.SetKind(lfStandard);
    source.SetMaster(&master);
    source.SetNativeStyle(true);
    Recorder rec(&target);

    target.Assign(&source);
    // Taking the new master already notifies; every notice names both values.
    ASSERT_FALSE(rec.Calls.empty());
    for (const Values& v : rec.Calls)
        EXPECT_EQ((Values{lfvKind, lfvNativeStyle}), v);
    EXPECT_EQ(&master, target.GetMaster());
    EXPECT_EQ(Values{lfvNativeStyle}, target.GetAssignedValues());
    EXPECT_EQ(lfStandard, target.GetKind());
    EXPECT_TRUE(target.GetNativeStyle());
    // Assigning the same again changes nothing.
    rec.Calls.clear();
    target.Assign(&source);
    EXPECT_TRUE(rec.Calls.empty());

    TqzLookAndFeelController other(nullptr);
    EXPECT_THROW(target.Assign(&other), EConvertError);
}

TEST_F(LookAndFeel, PainterOfEachKind) {
    const std::vector<std::pair<TqzLookAndFeelKind, TqzLookAndFeelPainterClass>> cases = {
        {lfFlat, PainterClass<TqzFlatLookAndFeelPainter>()},
        {lfStandard, PainterClass<TqzStandardLookAndFeelPainter>()},
        {lfUltraFlat, PainterClass<TqzUltraFlatLookAndFeelPainter>()},
        {lfOffice11, PainterClass<TqzOffice11LookAndFeelPainter>()},
    };
    TqzLookAndFeel lf(nullptr);
    lf.SetNativeStyle(true); // visual styles are off: the kind decides
    ASSERT_FALSE(AreThemesActiveForTypes(0));
    for (const auto& [kind, painter] : cases) {
        SCOPED_TRACE(int(kind));
        lf.SetKind(kind);
        EXPECT_EQ(painter, lf.ActivePainter());
        EXPECT_EQ(painter, lf.PainterForThemeType(ttButton));
        EXPECT_EQ(painter, lf.PainterForThemeTypes(1u << ttButton | 1u << ttScrollBar));
    }
}

// Visual styles switched on through the stand-in; the theme manager starts after it.
class LookAndFeelThemed : public LookAndFeel {
protected:
    void SetUp() override {
        LookAndFeel::SetUp();
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
    }
    void TearDown() override {
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
        LookAndFeel::TearDown();
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(LookAndFeelThemed, NativeStyleChoosesTheNativePainterWhileStylesAreActive) {
    const TqzLookAndFeelPainterClass native = PainterClass<TqzWinXPLookAndFeelPainter>();
    const TqzLookAndFeelPainterClass flat = PainterClass<TqzFlatLookAndFeelPainter>();
    TqzLookAndFeel lf(nullptr);
    lf.SetKind(lfFlat);
    EXPECT_EQ(flat, lf.ActivePainter()); // NativeStyle off

    lf.SetNativeStyle(true);
    EXPECT_EQ(native, lf.ActivePainter());
    EXPECT_EQ(native, lf.PainterForThemeType(ttHeader));
    EXPECT_EQ(native, lf.PainterForThemeTypes(1u << ttButton | 1u << ttScrollBar));
    EXPECT_EQ(flat, lf.PainterForThemeType(ThemeTypeCount)); // a type that never opens

    // Styles switched off, then on again.
    ThemeManagerFinalize();
    Fake.reset();
    UxThemeInitialize();
    ThemeManagerInitialize();
    EXPECT_EQ(flat, lf.ActivePainter());
    EXPECT_EQ(flat, lf.PainterForThemeType(ttHeader));
    ThemeManagerFinalize();
    Fake.emplace();
    ThemeManagerInitialize();
    EXPECT_EQ(native, lf.ActivePainter());
}

// Logs the firing of notifiers by name.
struct NotifierProbe : TObject {
    NotifierProbe(std::vector<std::string>* log, std::string name, bool primary)
        : Log(log), Name(std::move(name)), Notifier(primary) {
        Notifier.OnPaletteChanged = MakeEvent(this, &NotifierProbe::Fired);
    }
    void Fired() { Log->push_back(Name); }
    std::vector<std::string>* Log;
    std::string Name;
    TqzSystemPaletteChangedNotifier Notifier;
};

TEST_F(LookAndFeel, SystemColourChangeTellsNotifiersAndEveryLookAndFeel) {
    std::vector<std::string> log;
    NotifierProbe other1(&log, "other1", false), primary1(&log, "primary1", true);
    NotifierProbe other2(&log, "other2", false), primary2(&log, "primary2", true);
    TqzLookAndFeel master(nullptr), dependant(nullptr);
    dependant.SetMaster(&master);
    dependant.SetKind(lfStandard);
    Recorder masterRec(&master), depRec(&dependant);

    SendMessageA(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"primary2", "primary1", "other2", "other1"}), log);
    // Each look and feel hears it from its own notifier and again through its master chain.
    ASSERT_FALSE(depRec.Calls.empty());
    for (const Values& v : depRec.Calls)
        EXPECT_EQ(Values{lfvNativeStyle}, v);
    EXPECT_FALSE(masterRec.Calls.empty());
    EXPECT_EQ(lfStandard, dependant.GetKind());
}

TEST_F(LookAndFeel, SystemColourChangeRebuildsTheSharedRadioImages) {
    TqzLookAndFeel lf(nullptr); // keeps the palette listener alive
    TqzRadioButtonImageList* images = SharedRadioButtonImages();
    TPoint inside{-1, -1};
    for (int y = 0; y < images->RadioHeight() && inside.x < 0; ++y)
        for (int x = 0; x < images->RadioWidth() && inside.x < 0; ++x)
            if (images->PatternCode(x, y) == 5) inside = {x, y};
    ASSERT_GE(inside.x, 0);

    auto insideColour = [&] {
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(images->RadioWidth(), images->RadioHeight());
        TqzCanvas canvas(bitmap.GetCanvas());
        images->DrawImage(&canvas, 0, 0, lfFlat, qzbsNormal, false, false, false, clWhite);
        return bitmap.GetCanvas()->GetPixels(inside.x, inside.y);
    };
    const int index = COLOR_WINDOW;
    const COLORREF saved = GetSysColor(index);
    for (COLORREF colour : {COLORREF(0x123456), saved}) {
        SCOPED_TRACE(colour);
        SetSysColors(1, &index, &colour); // sends WM_SYSCOLORCHANGE to every top-level window
        EXPECT_EQ(TColor(colour), insideColour());
    }
}

TEST_F(LookAndFeel, FinalisingTheUnitLeavesLiveLookAndFeelsOnTheDefaults) {
    TqzLookAndFeel lf(nullptr);
    auto* controller = new TqzLookAndFeelController(nullptr);
    controller->SetKind(lfOffice11);
    Recorder rec(&lf);
    ASSERT_EQ(lfOffice11, lf.GetKind());

    LookAndFeelsFinalize();
    EXPECT_EQ(nullptr, lf.MasterOrRoot());
    EXPECT_EQ(lfUltraFlat, controller->GetKind());
    // With nothing to follow, a value that is not assigned resolves to the default.
    lf.SetAssignedValues({lfvKind});
    lf.SetAssignedValues({});
    EXPECT_EQ(lfUltraFlat, lf.GetKind());
    delete controller;

    LookAndFeelsInitialize();
    TqzLookAndFeel fresh(nullptr);
    EXPECT_EQ(RootLookAndFeel(), fresh.MasterOrRoot());
    EXPECT_EQ(lfUltraFlat, fresh.GetKind());
}

TEST_F(LookAndFeel, KindAndNativeStyleAreStoredOnlyWhenAssigned) {
    // A form stream writes what IsStoredProp admits; the effective values are not stored.
    struct Case {
        Values Assigned;
        bool KindStored, NativeStyleStored;
    };
    const std::vector<Case> cases = {
        {{}, false, false},
        {{lfvKind}, true, false},
        {{lfvNativeStyle}, false, true},
        {{lfvKind, lfvNativeStyle}, true, true},
    };
    TqzLookAndFeel lf(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Assigned.Mask()));
        lf.SetAssignedValues(c.Assigned);
        EXPECT_EQ(c.KindStored, IsStoredProp(&lf, "Kind"));
        EXPECT_EQ(c.NativeStyleStored, IsStoredProp(&lf, "NativeStyle"));
    }
}

} // namespace

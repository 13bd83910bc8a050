// The cache of theme handles per theme type and the notice of visual-style switches.
#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

// Themes active through the recording fake; the manager starts after the fake so that it finds
// them active, and is finalised (closing its themes) before the fake goes.
class ThemeManager : public ::testing::Test {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
    }
    void TearDown() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
    }

    // The class and text of every OpenThemeData and CloseThemeData the fake saw, then forgotten.
    std::vector<std::string> TakeOpensAndCloses() {
        std::vector<std::string> seen;
        for (const TThemeCall& call : Fake->Calls)
            if (call.Function == "OpenThemeData")
                seen.push_back("open " + WideToString(call.Text));
            else if (call.Function == "CloseThemeData")
                seen.push_back("close " + call.Class);
        Fake->Calls.clear();
        return seen;
    }

    std::optional<TThemeFake> Fake;
};

using Seen = std::vector<std::string>;

TEST_F(ThemeManager, OneHandlePerTypeReopenedOnlyForAnotherClassList) {
    HTHEME bar = OpenThemeForType(ttScrollBar);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(bar, OpenThemeForType(ttScrollBar));
    EXPECT_EQ(bar, OpenThemeForType(ttScrollBar, u"scrollbar")) << "letter case is ignored";
    EXPECT_EQ(Seen{"open ScrollBar"}, TakeOpensAndCloses());

    HTHEME window = OpenThemeForType(ttScrollBar, u"Window");
    ASSERT_NE(nullptr, window);
    EXPECT_NE(bar, window);
    EXPECT_EQ((Seen{"close ScrollBar", "open Window"}), TakeOpensAndCloses());
    // Without a class list the type keeps the one it was last opened with.
    EXPECT_EQ(window, OpenThemeForType(ttScrollBar));
    EXPECT_TRUE(TakeOpensAndCloses().empty());

    EXPECT_NE(nullptr, OpenThemeForType(ttWindow));
    EXPECT_NE(nullptr, OpenThemeForType(ttButton));
    EXPECT_EQ(3, Fake->OpenHandles());
    // A type that cannot be opened gives 0 and is tried again next time.
    Fake->Calls.clear();
    EXPECT_EQ(nullptr, OpenThemeForType(ttEdit, u""));
    EXPECT_NE(nullptr, OpenThemeForType(ttEdit));
    EXPECT_EQ(Seen{"open Edit"}, TakeOpensAndCloses());
    // Types outside the table have no theme.
    EXPECT_EQ(nullptr, OpenThemeForType(ThemeTypeCount));
    EXPECT_EQ(nullptr, OpenThemeForType(-1));
    EXPECT_FALSE(IsThemeActiveForType(ThemeTypeCount));
    EXPECT_TRUE(TakeOpensAndCloses().empty());

    ThemeManagerFinalize();
    EXPECT_EQ(0, Fake->OpenHandles()) << "finalisation closes every theme";
}

TEST_F(ThemeManager, ActiveForTypesOpensTheTypesOfTheMask) {
    struct Case {
        Cardinal Mask;
        Seen Opened;
    };
    const std::vector<Case> cases = {
        {0, {}},
        {0xFF000000u, {}},
        {1u << ttScrollBar, {"open ScrollBar"}},
        {(1u << ttButton) | (1u << ttHeader) | (1u << ttWindow) | 0x80000000u,
         {"open Button", "open Header", "open Window"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        ThemeManagerInitialize();
        Fake->Calls.clear();
        EXPECT_TRUE(AreThemesActiveForTypes(c.Mask));
        EXPECT_EQ(c.Opened, TakeOpensAndCloses());
    }
    EXPECT_TRUE(IsThemeActiveForType(ttTreeView));
    EXPECT_EQ(Seen{"open TreeView"}, TakeOpensAndCloses());
}

// A switch closes every theme and tells the notificators, oldest first; each type then reopens
// with the class list it last had.
TEST_F(ThemeManager, SwitchClosesThemesAndNotifies) {
    std::vector<std::string> heard;
    struct Listener : TObject {
        std::vector<std::string>* Log;
        std::string Name;
        void Changed() { Log->push_back(Name + (AreThemesActiveForTypes(0) ? " active" : " classic")); }
    };
    Listener first, second;
    first.Log = second.Log = &heard;
    first.Name = "first";
    second.Name = "second";
    auto a = std::make_unique<TybThemeChangedNotificator>();
    auto silent = std::make_unique<TybThemeChangedNotificator>();
    auto b = std::make_unique<TybThemeChangedNotificator>();
    a->OnThemeChanged = MakeEvent(&first, &Listener::Changed);
    b->OnThemeChanged = MakeEvent(&second, &Listener::Changed);

    ASSERT_NE(nullptr, OpenThemeForType(ttButton, u"Spin"));
    ASSERT_NE(nullptr, OpenThemeForType(ttEdit));
    Fake->Calls.clear();
    WinNotifyThemeChanged();
    EXPECT_EQ((std::vector<std::string>{"first active", "second active"}), heard);
    EXPECT_EQ((Seen{"close Spin", "close Edit"}), TakeOpensAndCloses());
    EXPECT_EQ(0, Fake->OpenHandles());
    EXPECT_NE(nullptr, OpenThemeForType(ttButton));
    EXPECT_EQ(Seen{"open Spin"}, TakeOpensAndCloses());

    // Switching to the classic look: every query answers false and nothing opens.
    Fake.reset();
    heard.clear();
    b.reset();
    WinNotifyThemeChanged();
    EXPECT_EQ(std::vector<std::string>{"first classic"}, heard);
    EXPECT_FALSE(AreThemesActiveForTypes(0));
    EXPECT_FALSE(IsThemeActiveForType(ttButton));
    EXPECT_EQ(nullptr, OpenThemeForType(ttButton));
    // And back.
    Fake.emplace();
    WinNotifyThemeChanged();
    EXPECT_TRUE(AreThemesActiveForTypes(1u << ttButton));
    EXPECT_EQ(Seen{"open Spin"}, TakeOpensAndCloses());
}

// A handler may free a notificator not yet asked (it is then skipped); an exception of a handler
// goes to the application's handler, not into the window system.
TEST_F(ThemeManager, HandlersMayFreeNotificatorsAndRaise) {
    struct Listener : TObject {
        std::unique_ptr<TybThemeChangedNotificator>* Victim = nullptr;
        int Calls = 0;
        void FreeVictim() {
            ++Calls;
            Victim->reset();
        }
        void Count() { ++Calls; }
        void Raise() { throw EInvalidOperation("theme handler failed"); }
    };
    Listener killer, victim, raiser;
    auto first = std::make_unique<TybThemeChangedNotificator>();
    auto second = std::make_unique<TybThemeChangedNotificator>();
    first->OnThemeChanged = MakeEvent(&killer, &Listener::FreeVictim);
    second->OnThemeChanged = MakeEvent(&victim, &Listener::Count);
    killer.Victim = &second;
    WinNotifyThemeChanged();
    EXPECT_EQ(1, killer.Calls);
    EXPECT_EQ(0, victim.Calls);
    EXPECT_EQ(nullptr, second);

    std::vector<std::string> errors;
    TWinExceptionHandler old = WinSetExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            errors.push_back(e.Message);
        }
    });
    first->OnThemeChanged = MakeEvent(&raiser, &Listener::Raise);
    WinNotifyThemeChanged();
    WinSetExceptionHandler(old);
    EXPECT_EQ(std::vector<std::string>{"theme handler failed"}, errors);
}

// Before version 5.1 the library is not loaded: nothing is active, nothing opens, no switch is
// heard.
TEST_F(ThemeManager, WithoutTheLibraryNothingIsActive) {
    ThemeManagerFinalize();
    UxThemeInitialize(5, 0);
    ThemeManagerInitialize();
    struct Listener : TObject {
        int Calls = 0;
        void Count() { ++Calls; }
    } listener;
    TybThemeChangedNotificator notificator;
    notificator.OnThemeChanged = MakeEvent(&listener, &Listener::Count);
    EXPECT_FALSE(AreThemesActiveForTypes(0));
    EXPECT_FALSE(AreThemesActiveForTypes(1u << ttButton));
    EXPECT_FALSE(IsThemeActiveForType(ttButton));
    EXPECT_EQ(nullptr, OpenThemeForType(ttButton));
    WinNotifyThemeChanged();
    EXPECT_EQ(0, listener.Calls);
    EXPECT_TRUE(Fake->Calls.empty());
}

} // namespace

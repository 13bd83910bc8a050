// The timer component on the manual clock: it ticks every Interval while enabled with a
// handler, not otherwise; changes start the count again; a handler's exception goes to the
// application; a handler may free its timer; a definition sets it up.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Threads.h"
#include "tests/support/AppFixture.h"

namespace {

class TimerTest : public testsupport::TAppFixture {
protected:
    void Advance(int ms) {
        ClockAdvanceMs(ms);
        App->ProcessMessages();
    }
};

struct TTicks : TObject {
    std::vector<TObject*> Senders;
    bool Throw = false;
    TTimer* FreeMe = nullptr;
    std::vector<String> Errors;
    void Tick(TObject* sender) {
        Senders.push_back(sender);
        if (FreeMe != nullptr) {
            TTimer* timer = FreeMe;
            FreeMe = nullptr;
            delete timer;
        }
        if (Throw) throw EConvertError("Bad tick");
    }
    void Error(TObject*, Exception* e) { Errors.push_back(e->Message); }
};

} // namespace

TEST_F(TimerTest, TicksEveryIntervalWhileEnabledWithAHandler) {
    TTicks ticks;
    auto timer = std::make_unique<TTimer>(nullptr);
    EXPECT_TRUE(timer->GetEnabled());
    EXPECT_EQ(timer->GetInterval(), 1000u);
    // No handler, no timer.
    EXPECT_FALSE(timer->GetTimerRunning());
    timer->SetOnTimer(MakeEvent(&ticks, &TTicks::Tick));
    EXPECT_TRUE(timer->GetTimerRunning());
    Advance(999);
    EXPECT_TRUE(ticks.Senders.empty());
    Advance(1);
    ASSERT_EQ(ticks.Senders.size(), 1u);
    EXPECT_EQ(ticks.Senders[0], timer.get());
    Advance(1000);
    EXPECT_EQ(ticks.Senders.size(), 2u);

    // Each change stops the timer or starts the count again.
    timer->SetInterval(250);
    struct Case {
        const char* What;
        std::function<void()> Change;
        bool Running;
    };
    const std::vector<Case> cases = {
        {"disabled", [&] { timer->SetEnabled(false); }, false},
        {"enabled again", [&] { timer->SetEnabled(true); }, true},
        {"interval 0", [&] { timer->SetInterval(0); }, false},
        {"interval 250", [&] { timer->SetInterval(250); }, true},
        {"handler cleared", [&] { timer->SetOnTimer(nullptr); }, false},
        {"handler set", [&] { timer->SetOnTimer(MakeEvent(&ticks, &TTicks::Tick)); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Advance(100);
        ticks.Senders.clear();
        c.Change();
        EXPECT_EQ(timer->GetTimerRunning(), c.Running);
        Advance(249);
        EXPECT_TRUE(ticks.Senders.empty());
        Advance(1);
        EXPECT_EQ(ticks.Senders.size(), c.Running ? 1u : 0u);
    }
}

TEST_F(TimerTest, HandlerErrorsGoToTheApplicationAndAHandlerMayFreeItsTimer) {
    TTicks ticks;
    App->OnException = MakeEvent(&ticks, &TTicks::Error);
    auto timer = std::make_unique<TTimer>(nullptr);
    timer->SetInterval(50);
    timer->SetOnTimer(MakeEvent(&ticks, &TTicks::Tick));
    ticks.Throw = true;
    Advance(50);
    ASSERT_EQ(ticks.Errors.size(), 1u);
    EXPECT_EQ(ticks.Errors[0], "Bad tick");
    // It keeps ticking.
    Advance(50);
    EXPECT_EQ(ticks.Errors.size(), 2u);
    ticks.Throw = false;

    auto* doomed = new TTimer(nullptr);
    doomed->SetInterval(10);
    ticks.FreeMe = doomed;
    ticks.Senders.clear();
    doomed->SetOnTimer(MakeEvent(&ticks, &TTicks::Tick));
    timer->SetEnabled(false);
    Advance(10);
    Advance(10);
    EXPECT_EQ(ticks.Senders.size(), 1u);
}

TEST_F(TimerTest, DefinitionSetsTheTimerUp) {
    auto* timer = static_cast<TTimer*>(ReadComponentText(
        "object Timer: TTimer\n  Enabled = False\n  Interval = 250\nend\n", nullptr, "timer"));
    std::unique_ptr<TTimer> owned(timer);
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->GetEnabled());
    EXPECT_EQ(timer->GetInterval(), 250u);
    EXPECT_FALSE(timer->GetTimerRunning());
}

namespace {

// A worker that runs one step, with or without Synchronize, and keeps what it raised.
class TTimerWorker : public TThread {
public:
    TTimerWorker(std::function<void()> step, bool synchronized)
        : TThread(true), FStep(std::move(step)), FSynchronized(synchronized) {}
    String Error;

protected:
    void Execute() override {
        try {
            if (FSynchronized)
                Synchronize(FStep);
            else
                FStep();
        } catch (const EInvalidOperation& e) {
            Error = e.Message;
        }
    }

private:
    std::function<void()> FStep;
    bool FSynchronized;
};

String RunOnWorker(std::function<void()> step, bool synchronized = false) {
    TTimerWorker worker(std::move(step), synchronized);
    worker.Start();
    worker.WaitFor();
    return worker.Error;
}

} // namespace

TEST_F(TimerTest, AWorkerCannotStartOrStopTheTimerButSynchronizeCan) {
    TTicks ticks;
    auto timer = std::make_unique<TTimer>(nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(100);
    timer->SetOnTimer(MakeEvent(&ticks, &TTicks::Tick));

    // Refused calls raise, naming the call, and leave every property as it was.
    EXPECT_EQ(RunOnWorker([&] { timer->SetEnabled(true); }), "SetTimer: the window belongs to another thread");
    EXPECT_FALSE(timer->GetEnabled());
    EXPECT_FALSE(timer->GetTimerRunning());
    Advance(500);
    EXPECT_TRUE(ticks.Senders.empty());

    timer->SetEnabled(true);
    struct Case {
        const char* What;
        std::function<void()> Step;
        const char* Error;
    };
    const std::vector<Case> refused = {
        {"disable", [&] { timer->SetEnabled(false); }, "KillTimer: the window belongs to another thread"},
        {"interval", [&] { timer->SetInterval(30); }, "KillTimer: the window belongs to another thread"},
        {"handler", [&] { timer->SetOnTimer(TNotifyEvent()); }, "KillTimer: the window belongs to another thread"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(RunOnWorker(c.Step), c.Error);
        EXPECT_TRUE(timer->GetEnabled());
        EXPECT_EQ(timer->GetInterval(), 100u);
        EXPECT_TRUE(timer->GetOnTimer().Assigned());
        EXPECT_TRUE(timer->GetTimerRunning());
    }
    ticks.Senders.clear();
    Advance(100);
    EXPECT_EQ(ticks.Senders.size(), 1u); // the timer kept running through it all

    // Through Synchronize the change runs on the timer's own thread.
    timer->SetEnabled(false);
    EXPECT_EQ(RunOnWorker([&] { timer->SetEnabled(true); }, true), "");
    EXPECT_TRUE(timer->GetTimerRunning());
    ticks.Senders.clear();
    Advance(100);
    EXPECT_EQ(ticks.Senders.size(), 1u);
}

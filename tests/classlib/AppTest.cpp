// The application object: how an exception that escapes an event handler is shown, the silent
// abort, OnException, and the message loop's steps.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "tests/support/AppFixture.h"

namespace {

class AppTest : public testsupport::TAppFixture {
protected:
    void SetUp() override {
        TAppFixture::SetUp();
        App->SetTitle("KOV-571");
    }
};

struct TThrower : TObject {
    std::function<void()> Action;
    void Click(TObject*) { Action(); }
};

} // namespace

TEST_F(AppTest, HandleExceptionShowsTheTextWithTheDotRuleUnderTheTitle) {
    struct Case {
        String Text;
        String Shown;
    };
    const std::vector<Case> cases = {
        {"", ""}, {"abc", "abc."}, {"abc.", "abc."}, {"abc!", "abc!"}, {"abc:", "abc:."}, {"数据", "数据."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        TScopedPromptScript prompts({IDOK});
        App->HandleException(nullptr, std::make_exception_ptr(EConvertError(c.Text)));
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, c.Shown);
        EXPECT_EQ(prompts.Prompts()[0].Caption, "KOV-571");
        EXPECT_EQ(prompts.Prompts()[0].Flags & MB_ICONMASK, MB_ICONERROR);
        EXPECT_EQ(prompts.Prompts()[0].Flags & MB_TYPEMASK, MB_OK);
        EXPECT_TRUE(prompts.Errors().empty());
    }
}

TEST_F(AppTest, AbortIsSilentAndOnExceptionTakesOverTheBox) {
    TScopedPromptScript prompts;
    App->HandleException(nullptr, std::make_exception_ptr(EAbort("Operation aborted")));
    EXPECT_TRUE(prompts.Prompts().empty());

    struct TCatcher : TObject {
        std::vector<String> Seen;
        void Caught(TObject*, Exception* e) { Seen.push_back(e->Message); }
    } catcher;
    App->OnException = MakeEvent(&catcher, &TCatcher::Caught);
    App->HandleException(nullptr, std::make_exception_ptr(Exception("boom")));
    App->HandleException(nullptr, std::make_exception_ptr(std::runtime_error("std")));
    EXPECT_EQ(catcher.Seen, (std::vector<String>{"boom", "std"}));
    EXPECT_TRUE(prompts.Prompts().empty());
}

// A click handler's exception goes from the window procedure through the window system's handler
// to the application, which shows it; the loop goes on.
TEST_F(AppTest, AnExceptionEscapingAClickHandlerIsShownByTheLoop) {
    TForm* form = TForm::CreateNew(nullptr);
    form->SetBounds(10, 10, 200, 150);
    form->Show();
    TThrower thrower;
    form->OnClick = MakeEvent(&thrower, &TThrower::Click);
    const struct {
        std::function<void()> Raise;
        std::vector<String> Shown;
    } cases[] = {
        {[] { throw EConvertError("'x' is not a valid integer value"); }, {"'x' is not a valid integer value."}},
        {[] { Abort(); }, {}},
    };
    for (const auto& c : cases) {
        TScopedPromptScript prompts({IDOK});
        thrower.Action = c.Raise;
        HWND window = form->GetHandle();
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
        App->ProcessMessages();
        std::vector<String> shown;
        for (const TPromptRecord& p : prompts.Prompts()) {
            shown.push_back(p.Text);
            EXPECT_EQ(p.Caption, "KOV-571");
        }
        EXPECT_EQ(shown, c.Shown);
    }
    delete form;
}

TEST_F(AppTest, HandleMessageRunsIdleWhenTheQueueIsEmptyAndOnMessageFirst) {
    struct TWatcher : TObject {
        int Idle = 0;
        std::vector<UINT> Seen;
        void OnIdle(TObject*, bool& done) {
            ++Idle;
            done = false; // do not wait for messages
        }
        void OnMessage(MSG& msg, bool& handled) {
            Seen.push_back(msg.message);
            handled = msg.message == WM_APP + 7;
        }
    } watcher;
    App->OnIdle = MakeEvent(&watcher, &TWatcher::OnIdle);
    App->OnMessage = MakeEvent(&watcher, &TWatcher::OnMessage);
    HWND window = App->GetHandle();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_APP + 7, 0, 0);
    App->HandleMessage();
    EXPECT_EQ(watcher.Idle, 0);
    EXPECT_EQ(watcher.Seen, std::vector<UINT>{WM_APP + 7});
    App->HandleMessage();
    EXPECT_EQ(watcher.Idle, 1);

    // Hooks of the application window see its messages first.
    struct THook : TObject {
        int Count = 0;
        bool Hook(TMessage& m) {
            if (m.Msg != WM_APP + 8) return false;
            ++Count;
            return true;
        }
    } hook;
    App->HookMainWindow(MakeEvent(&hook, &THook::Hook));
    SendMessageA(window, WM_APP + 8, 0, 0);
    App->UnhookMainWindow(MakeEvent(&hook, &THook::Hook));
    SendMessageA(window, WM_APP + 8, 0, 0);
    EXPECT_EQ(hook.Count, 1);

    EXPECT_FALSE(App->GetTerminated());
    App->Terminate();
    EXPECT_TRUE(App->GetTerminated());
    App->Run(); // returns at once
}

TEST_F(AppTest, TheGlobalApplicationIsTheNewestOneAlive) {
    EXPECT_EQ(static_cast<TApplication*>(Application), App.get());
    {
        TApplication inner(nullptr);
        EXPECT_EQ(static_cast<TApplication*>(Application), &inner);
    }
    EXPECT_EQ(static_cast<TApplication*>(Application), App.get());
}

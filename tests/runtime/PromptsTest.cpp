#include <gtest/gtest.h>

#include <thread>

#include "platform/runtime/Prompts.h"

namespace {

// Restores the presenter that was installed before the test.
class ScopedPresenter {
public:
    explicit ScopedPresenter(TPromptPresenter presenter) : FOld(SetPromptPresenter(std::move(presenter))) {}
    ~ScopedPresenter() { SetPromptPresenter(FOld); }

private:
    TPromptPresenter FOld;
};

} // namespace

TEST(Prompts, FlagAndResultValues) {
    EXPECT_EQ(MB_OK, 0u);
    EXPECT_EQ(MB_OKCANCEL, 1u);
    EXPECT_EQ(MB_ABORTRETRYIGNORE, 2u);
    EXPECT_EQ(MB_YESNOCANCEL, 3u);
    EXPECT_EQ(MB_YESNO, 4u);
    EXPECT_EQ(MB_RETRYCANCEL, 5u);
    EXPECT_EQ(MB_ICONERROR, 0x10u);
    EXPECT_EQ(MB_ICONQUESTION, 0x20u);
    EXPECT_EQ(MB_ICONWARNING, 0x30u);
    EXPECT_EQ(MB_ICONINFORMATION, 0x40u);
    EXPECT_EQ(MB_DEFBUTTON2, 0x100u);
    EXPECT_EQ(MB_DEFBUTTON3, 0x200u);
    EXPECT_EQ(MB_TASKMODAL, 0x2000u);
    const int results[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(results[i], i + 1);
}

TEST(Prompts, DefaultButtonFollowsTheButtonsAndTheDefaultFlag) {
    struct TCase {
        const char* name;
        UINT flags;
        int expected;
    };
    const std::vector<TCase> cases = {
        {"OK", MB_OK, IDOK},
        {"OK, second of one falls back to the first", MB_OK | MB_DEFBUTTON2, IDOK},
        {"OK/Cancel", MB_OKCANCEL, IDOK},
        {"OK/Cancel second", MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {"Abort/Retry/Ignore third", MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
        {"Abort/Retry/Ignore second", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {"Yes/No/Cancel", MB_YESNOCANCEL | MB_ICONQUESTION, IDYES},
        {"Yes/No/Cancel third", MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_ICONQUESTION, IDCANCEL},
        {"Yes/No second", MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING | MB_TASKMODAL, IDNO},
        {"Yes/No third of two", MB_YESNO | MB_DEFBUTTON3, IDYES},
        {"Retry/Cancel", MB_RETRYCANCEL | MB_ICONERROR, IDRETRY},
        {"unknown buttons", 0xE, IDOK},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DefaultPromptButton(c.flags), c.expected);
    }
    EXPECT_EQ(PromptButtons(MB_YESNOCANCEL | MB_ICONQUESTION), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
}

TEST(Prompts, ScriptAnswersInOrderAndRecordsEveryQuestion) {
    TScopedPromptScript script({IDYES, IDCANCEL});
    script.AddReply(IDRETRY);
    EXPECT_EQ(script.RepliesLeft(), 3u);

    EXPECT_EQ(PlatformMessageBox("Save changes?", "KOV-571", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(PlatformMessageBox("Write to the radio?", "Confirm", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(PlatformMessageBox("Port busy", "Error", MB_RETRYCANCEL | MB_ICONERROR), IDRETRY);

    EXPECT_TRUE(script.Errors().empty());
    EXPECT_EQ(script.RepliesLeft(), 0u);
    const std::vector<TPromptRecord> prompts = script.Prompts();
    ASSERT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[0].Text, "Save changes?");
    EXPECT_EQ(prompts[0].Caption, "KOV-571");
    EXPECT_EQ(prompts[0].Flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(prompts[0].Result, IDYES);
    EXPECT_EQ(prompts[1].Text, "Write to the radio?");
    EXPECT_EQ(prompts[1].Flags, MB_OKCANCEL | MB_DEFBUTTON2);
    EXPECT_EQ(prompts[2].Caption, "Error");
    EXPECT_EQ(prompts[2].Result, IDRETRY);
}

TEST(Prompts, UnexpectedPromptAnswersTheDefaultButtonAndRecordsAnError) {
    TScopedPromptScript script({IDOK});
    EXPECT_EQ(PlatformMessageBox("Done", "Info", MB_OK), IDOK);
    EXPECT_TRUE(script.Errors().empty());

    testing::internal::CaptureStderr();
    EXPECT_EQ(PlatformMessageBox("Overwrite the file?", "Confirm", MB_YESNO | MB_DEFBUTTON2), IDNO);
    const std::string written = testing::internal::GetCapturedStderr();

    const std::vector<String> errors = script.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Unexpected prompt"), String::npos);
    EXPECT_NE(errors[0].find("Overwrite the file?"), String::npos);
    EXPECT_NE(errors[0].find("Confirm"), String::npos);
    EXPECT_NE(written.find("Overwrite the file?"), std::string::npos); // loud, not only recorded
    ASSERT_EQ(script.Prompts().size(), 2u);
    EXPECT_EQ(script.Prompts()[1].Result, IDNO);
}

TEST(Prompts, ScriptedReplyThatIsNotAButtonIsAnError) {
    TScopedPromptScript script({IDYES});
    testing::internal::CaptureStderr();
    PlatformMessageBox("Port is open", "Error", MB_OK | MB_ICONERROR);
    testing::internal::GetCapturedStderr();
    const std::vector<String> errors = script.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Port is open"), String::npos);
}

TEST(Prompts, ScriptAnswersBeforeThePresenterAndTheInnermostScriptAnswers) {
    int presented = 0;
    ScopedPresenter presenter([&](const String&, const String&, UINT) {
        ++presented;
        return IDIGNORE;
    });
    {
        TScopedPromptScript outer({IDNO});
        {
            TScopedPromptScript inner({IDYES});
            EXPECT_EQ(PlatformMessageBox("Q", "C", MB_YESNO), IDYES);
            EXPECT_EQ(outer.Prompts().size(), 0u);
        }
        EXPECT_EQ(PlatformMessageBox("Q", "C", MB_YESNO), IDNO);
        EXPECT_EQ(outer.Prompts().size(), 1u);
    }
    EXPECT_EQ(presented, 0);
    // With no script left the presenter answers.
    EXPECT_EQ(PlatformMessageBox("Q", "C", MB_ABORTRETRYIGNORE), IDIGNORE);
    EXPECT_EQ(presented, 1);
}

TEST(Prompts, PresenterReceivesTheQuestionAndIsReplaceable) {
    String seenText, seenCaption;
    UINT seenFlags = 0;
    TPromptPresenter first = [&](const String& text, const String& caption, UINT flags) {
        seenText = text;
        seenCaption = caption;
        seenFlags = flags;
        return IDNO;
    };
    ScopedPresenter installed(first);
    EXPECT_EQ(PlatformMessageBox("Delete channel?", "Channels", MB_YESNO | MB_ICONWARNING), IDNO);
    EXPECT_EQ(seenText, "Delete channel?");
    EXPECT_EQ(seenCaption, "Channels");
    EXPECT_EQ(seenFlags, MB_YESNO | MB_ICONWARNING);

    TPromptPresenter previous =
        SetPromptPresenter([](const String&, const String&, UINT) { return IDRETRY; });
    EXPECT_TRUE(static_cast<bool>(previous));
    EXPECT_EQ(PlatformMessageBox("x", "y", MB_RETRYCANCEL), IDRETRY);
    SetPromptPresenter(previous);
    EXPECT_EQ(PlatformMessageBox("x", "y", MB_YESNO), IDNO);
}

TEST(Prompts, WithoutPresenterOrScriptThePromptGoesToStderrWithTheDefaultButton) {
    ScopedPresenter none(nullptr);
    struct TCase {
        UINT flags;
        int expected;
    };
    const std::vector<TCase> cases = {
        {MB_OK | MB_ICONINFORMATION, IDOK},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.flags);
        testing::internal::CaptureStderr();
        const int result = PlatformMessageBox("Radio not answering", "KOV-571", c.flags);
        const std::string written = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.expected);
        EXPECT_NE(written.find("Radio not answering"), std::string::npos);
        EXPECT_NE(written.find("KOV-571"), std::string::npos);
    }
}

TEST(Prompts, ScriptAnswersPromptsFromOtherThreads) {
    TScopedPromptScript script({IDOK, IDCANCEL});
    int first = 0, second = 0;
    std::thread worker([&] {
        first = PlatformMessageBox("From a worker", "W", MB_OKCANCEL);
        second = PlatformMessageBox("Again", "W", MB_OKCANCEL);
    });
    worker.join();
    EXPECT_EQ(first, IDOK);
    EXPECT_EQ(second, IDCANCEL);
    EXPECT_TRUE(script.Errors().empty());
}

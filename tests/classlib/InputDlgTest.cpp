// The input dialogs answered through the script: the text typed comes back on OK, Cancel keeps
// the value, and a dialog nobody answers is cancelled and reported.
#include <gtest/gtest.h>

#include "platform/classlib/Forms.h"
#include "platform/classlib/InputDlg.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/AppFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using InputDlgTest = testsupport::TAppFixture;

TEST_F(InputDlgTest, AnswersComeBackAndCancelKeepsTheValue) {
    TScopedInputScript script;
    script.Answer("438.500");
    script.Cancel();
    script.Answer("");
    bool pictured = false;
    script.Inspect([&](HWND dialog) {
        if (pictured) return;
        pictured = true;
        UpdateWindow(dialog);
        GdiSurface s;
        if (WinGetSurface(dialog, s))
            testsupport::WritePng(testsupport::ArtifactPath("InputDlgTest_Query.png"), s.Width, s.Height,
                                  reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    });

    String value = "400.000";
    EXPECT_TRUE(InputQuery("Frequency", "Enter the frequency:", value));
    EXPECT_EQ(value, "438.500");
    EXPECT_FALSE(InputQuery("Frequency", "Again:", value));
    EXPECT_EQ(value, "438.500");
    EXPECT_EQ(InputBox("Name", "Channel name:", "CH1"), "");  // OK with an emptied edit

    const auto questions = script.Questions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0].Caption, "Frequency");
    EXPECT_EQ(questions[0].Prompt, "Enter the frequency:");
    EXPECT_EQ(questions[0].Value, "400.000");
    EXPECT_EQ(questions[1].Value, "438.500");
    EXPECT_EQ(questions[2].Value, "CH1");
    EXPECT_TRUE(script.Errors().empty());
    EXPECT_TRUE(pictured);
}

TEST_F(InputDlgTest, AnUnansweredDialogIsCancelledAndReported) {
    TScopedInputScript script;
    EXPECT_EQ(InputBox("Name", "Channel name:", "CH1"), "CH1");
    ASSERT_EQ(script.Errors().size(), 1u);
    EXPECT_NE(script.Errors()[0].find("Channel name:"), String::npos);
}

}  // namespace

// The report's small windows: the progress window.
#include <gtest/gtest.h>

#include <memory>

#include "report/pvrProgress.h"
#include "tests/support/FormFixture.h"

namespace {

class ProgressTest : public testsupport::TFormFixture {};

} // namespace

TEST_F(ProgressTest, DisablesTheActiveFormShowsProgressAndCancelStops) {
    Form->Show();
    ASSERT_EQ(Form, Screen->GetActiveForm());
    auto progress = std::make_unique<TpvrProgress>(nullptr);
    EXPECT_EQ(Form, progress->GetActiveForm());
    EXPECT_FALSE(Form->GetEnabled());
    ASSERT_NE(nullptr, progress->Bar);
    ASSERT_NE(nullptr, progress->LMessage);
    ASSERT_NE(nullptr, progress->CancelB);
    EXPECT_EQ(271, progress->GetClientWidth());
    EXPECT_EQ(101, progress->GetClientHeight());

    progress->Execute(5, "Page 1", true, true);
    EXPECT_TRUE(progress->GetVisible());
    EXPECT_FALSE(progress->GetTerminated());
    EXPECT_EQ("Page 1", progress->LMessage->GetCaption());
    EXPECT_EQ(15, progress->LMessage->GetTop());
    EXPECT_EQ(5, progress->Bar->GetMax());
    EXPECT_TRUE(progress->CancelB->GetVisible());
    progress->SetPosition(3);
    EXPECT_EQ(3, progress->Bar->GetPosition());
    progress->Reset();
    EXPECT_EQ(0, progress->Bar->GetPosition());
    progress->SetMessage("Page 2");
    EXPECT_EQ("Page 2", progress->LMessage->GetCaption());

    // Without the bar the message moves down.
    progress->SetShowProgressBar(false);
    EXPECT_FALSE(progress->Bar->GetVisible());
    EXPECT_EQ(35, progress->LMessage->GetTop());

    // The window is dragged by any point of its surface.
    RECT r{};
    GetWindowRect(progress->GetHandle(), &r);
    const LRESULT hit =
        SendMessageA(progress->GetHandle(), WM_NCHITTEST, 0, MAKELPARAM(r.left + 5, r.top + 5));
    EXPECT_EQ(HTCAPTION, hit);

    progress->CancelB->Click();
    EXPECT_TRUE(progress->GetTerminated());
    Application->ProcessMessages();
    EXPECT_FALSE(progress->GetVisible());
    EXPECT_TRUE(Form->GetEnabled());

    // Shown again without a cancel button; freeing it enables the form it disabled.
    Form->SetEnabled(false);
    progress->Execute(2, "Again", true, false);
    EXPECT_FALSE(progress->GetTerminated());
    EXPECT_FALSE(progress->CancelB->GetVisible());
    progress.reset();
    EXPECT_TRUE(Form->GetEnabled());
}

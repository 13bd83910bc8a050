// A program that ends while an editor still listens to the shared format controller: the
// controller's hidden window outlives the message layer's per-thread state, which goes first at
// the program's end; ending must still be clean.
#include <gtest/gtest.h>

#include <cstdlib>

#include "suite/editors/qzFormats.h"

namespace {

struct TStayingListener : TObject, IqzFormatListener {
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    void FormatChanged() override {}
};

TEST(qzFormatsExitTest, AProgramEndingWhileAnEditorListensEndsCleanly) {
    // A process of its own (the test program run again for this test alone), ended by exit as
    // a program ends: per-thread state first, then the static objects.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static TStayingListener listener;
            TqzFormatController* controller = GetFormatController();
            controller->AddListener(&listener);
            if (controller->GetWindowHandle() == nullptr) std::_Exit(2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace

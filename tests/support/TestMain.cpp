// The main of every test executable: the runtime starts from fixed English settings, so no
// test depends on the machine's language.
#include <gtest/gtest.h>

#include "platform/runtime/FormatSettings.h"

int main(int argc, char** argv) {
    FormatSettings = DefaultFormatSettings();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

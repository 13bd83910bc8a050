#include <gtest/gtest.h>

#include "platform/runtime/Strings.h"
#include "script/kq_iexpression.h"
#include "tests/script/ScriptHost.h"
#include "tests/support/TestSupport.h"

using scripthost::ScriptHost;
using scripthost::TCorpusHost;

KOV_PUBLISHED(TCorpusHost) {
    Property("Caption", &TCorpusHost::Caption);
    Property("OnPing", &TCorpusHost::OnPing);
}

namespace {

String Fixture(const String& name) {
    return testsupport::ReadFileBytes(testsupport::FixturePath(String("script/corpus/") + name));
}

// The same algorithms in each grammar print the same lines.
TEST(kq_iilparser_BuildTest, CorpusRunsAlikeInAllFourLanguages) {
    const String expected = Fixture("expected.txt");
    const std::pair<const char*, const char*> programs[] = {{"pascal.txt", "PascalScript"},
                                                            {"cpp.txt", "C++Script"},
                                                            {"basic.txt", "BasicScript"},
                                                            {"js.txt", "JScript"}};
    for (const auto& [file, language] : programs) {
        SCOPED_TRACE(language);
        ScriptHost host;
        EXPECT_EQ(host.Run(Fixture(file), language), expected);
    }
}

} // namespace

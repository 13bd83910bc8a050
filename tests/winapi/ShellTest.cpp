// ShellExecuteA: what reaches the desktop's opener, and what comes back for missing files, unknown
// verbs and an opener that fails.
#include <gtest/gtest.h>

#include <vector>

#include "platform/winapi/Shell.h"
#include "platform/winapi/WinError.h"
#include "tests/support/TestSupport.h"

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOld = ShellSetOpener([this](const TShellOpenRequest& request) {
            Opened.push_back(request);
            return Succeed;
        });
    }
    void TearDown() override { ShellSetOpener(FOld); }

    static int Code(HINSTANCE result) { return int(reinterpret_cast<std::intptr_t>(result)); }

    std::vector<TShellOpenRequest> Opened;
    bool Succeed = true;
    testsupport::TempDir Dir;

private:
    TShellOpener FOld;
};

} // namespace

TEST_F(ShellTest, TheOpenVerbsHandAFileOrAnAddressToTheOpener) {
    const String file = Dir.File("Help_English.chm");
    testsupport::WriteFileBytes(file, "help");
    struct Case {
        LPCSTR Verb;
        String File;
        LPCSTR Directory;
        String Target;
        bool IsUrl;
    };
    const std::vector<Case> cases = {
        {"open", file, nullptr, file, false},
        {"OPEN", "http://example.org/a?b=1", nullptr, "http://example.org/a?b=1", true},
        {nullptr, "mailto:someone@example.org", nullptr, "mailto:someone@example.org", true},
        {"", "Help_English.chm", Dir.Path().c_str(), file, false},
        {"Open", "./sub/../Help_English.chm", Dir.Path().c_str(), file, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        Opened.clear();
        HINSTANCE result = ShellExecuteA(nullptr, c.Verb, c.File.c_str(), "-x", c.Directory, SW_SHOWNORMAL);
        EXPECT_GT(Code(result), 32);
        ASSERT_EQ(Opened.size(), 1u);
        EXPECT_EQ(Opened[0].Target, c.Target);
        EXPECT_EQ(Opened[0].IsUrl, c.IsUrl);
        EXPECT_EQ(Opened[0].File, c.File);
        EXPECT_EQ(Opened[0].Verb, c.Verb ? c.Verb : "");
        EXPECT_EQ(Opened[0].Parameters, "-x");
        EXPECT_EQ(Opened[0].ShowCmd, SW_SHOWNORMAL);
    }
}

TEST_F(ShellTest, FailuresAnswerTheirNumbersAndOpenNothing) {
    const String file = Dir.File("there.txt");
    testsupport::WriteFileBytes(file, "x");
    struct Case {
        LPCSTR Verb;
        String File;
        int Expected;
    };
    const std::vector<Case> cases = {
        {"open", Dir.File("missing.chm"), 2},             // ERROR_FILE_NOT_FOUND
        {"open", Dir.File("nodir/missing.chm"), SE_ERR_PNF},
        {"open", "", SE_ERR_FNF},
        {"print", file, SE_ERR_NOASSOC},
        {"explore", "http://example.org", SE_ERR_NOASSOC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File + " " + (c.Verb ? c.Verb : ""));
        Opened.clear();
        SetLastError(0);
        EXPECT_EQ(Code(ShellExecuteA(nullptr, c.Verb, c.File.c_str(), nullptr, nullptr, SW_SHOWNORMAL)),
                  c.Expected);
        EXPECT_EQ(GetLastError(), DWORD(c.Expected));
        EXPECT_TRUE(Opened.empty());
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DWORD(SE_ERR_FNF));

    // The desktop could not open it.
    Succeed = false;
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
    EXPECT_EQ(Opened.size(), 1u);
    // Nobody to open it.
    TShellOpener mine = ShellSetOpener(nullptr);
    EXPECT_EQ(Code(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL)), SE_ERR_NOASSOC);
    ShellSetOpener(mine);
}

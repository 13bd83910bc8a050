// The drawn message box: each button set with its captions, default button and focus, answered
// by the keyboard (Enter, Escape, mnemonics, Tab) and the mouse as input; the owner disabled
// while it runs; and a picture of a box saved as PNG for a person to look at.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

#include "platform/runtime/SysInfo.h"
#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinButton.h"
#include "platform/winapi/WinDialog.h"
#include "platform/winapi/WinMessageBox.h"
#include "platform/winapi/WinMonitor.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

String TextOf(HWND window) {
    char buffer[256] = {};
    GetWindowTextA(window, buffer, int(sizeof buffer));
    return buffer;
}

void Key(UINT vk) {
    WinInputKey(vk, false, true);
    WinInputKey(vk, false, false);
}

void ClickOn(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    WinInputMouseMove(p);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
}

// The box runs its own loop; whenever its queue runs empty the owner gets WM_ENTERIDLE with the
// box, and the test takes its next step there.
class WinMessageBoxTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        WinSetTestMonitors({TWinMonitor{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}, true, {}}});
        Owner = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150, 500, 400, nullptr, 0, nullptr, "Owner");
        SetActiveWindow(Owner);
        PumpAll();
        Rec.Handler = [this](HWND h, UINT m, WPARAM w, LPARAM l, LRESULT& r) {
            if (h != Owner || m != WM_ENTERIDLE) return false;
            EXPECT_EQ(w, WPARAM(MSGF_DIALOGBOX));
            auto box = reinterpret_cast<HWND>(l);
            if (Steps.empty()) {
                // Nothing left to do but the box still runs: end it rather than wait for ever.
                ADD_FAILURE() << "the box is still open";
                SendMessageA(GetWindow(box, GW_CHILD), BM_CLICK, 0, 0);
                for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                    if (TextOf(c) == "OK" || TextOf(c) == "Cancel" || TextOf(c) == "&Yes") SendMessageA(c, BM_CLICK, 0, 0);
            } else {
                auto step = std::move(Steps.front());
                Steps.pop_front();
                step(box);
            }
            r = 0;
            return true;
        };
    }
    void TearDown() override {
        Rec.Handler = nullptr;
        WinTest::TearDown();
        WinSetTestMonitors({});
    }

    HWND Owner = nullptr;
    std::deque<std::function<void(HWND box)>> Steps;
};

TEST_F(WinMessageBoxTest, EachButtonSetShowsItsButtonsAndAnswers) {
    enum TAction { Enter, Escape, Click, Letter, TabEnter };
    struct Case {
        UINT Flags;
        std::vector<int> Ids;             // the buttons, left to right
        std::vector<const char*> Captions;
        int Default;
        TAction Action;
        int Argument;                     // the button clicked, the letter typed
        int Result;
    };
    const std::vector<Case> cases = {
        {MB_OK, {IDOK}, {"OK"}, IDOK, Escape, 0, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, {"OK", "Cancel"}, IDCANCEL, Enter, 0, IDCANCEL},
        {MB_OKCANCEL | MB_ICONASTERISK, {IDOK, IDCANCEL}, {"OK", "Cancel"}, IDOK, Enter, 0, IDOK},
        {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, {"&Yes", "&No"}, IDYES, Letter, 'N', IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, {IDYES, IDNO, IDCANCEL}, {"&Yes", "&No", "Cancel"}, IDCANCEL, Escape, 0,
         IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, {IDYES, IDNO, IDCANCEL}, {"&Yes", "&No", "Cancel"}, IDNO, Click, IDYES,
         IDYES},
        {MB_RETRYCANCEL | MB_ICONEXCLAMATION, {IDRETRY, IDCANCEL}, {"&Retry", "Cancel"}, IDRETRY, Click, IDRETRY,
         IDRETRY},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2 | MB_ICONHAND, {IDABORT, IDRETRY, IDIGNORE},
         {"&Abort", "&Retry", "&Ignore"}, IDRETRY, TabEnter, 0, IDIGNORE},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, {"&Abort", "&Retry", "&Ignore"}, IDABORT, Letter, 'I',
         IDIGNORE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.Flags);
        Steps.push_back([&](HWND box) {
            EXPECT_EQ(TextOf(box), "Question");
            EXPECT_FALSE(IsWindowEnabled(Owner));
            // The buttons, their captions and order, the default one focused with its frame.
            std::vector<HWND> buttons;
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (GetDlgCtrlID(child) >= IDOK && GetDlgCtrlID(child) <= IDNO) buttons.push_back(child);
            ASSERT_EQ(buttons.size(), c.Ids.size());
            RECT previous{};
            for (std::size_t i = 0; i < buttons.size(); ++i) {
                EXPECT_EQ(GetDlgCtrlID(buttons[i]), c.Ids[i]);
                EXPECT_EQ(TextOf(buttons[i]), c.Captions[i]);
                RECT r{};
                GetWindowRect(buttons[i], &r);
                if (i > 0) { EXPECT_GT(r.left, previous.right); }
                previous = r;
                const bool isDefault = c.Ids[i] == c.Default;
                EXPECT_EQ((GetWindowLongA(buttons[i], GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON, isDefault);
            }
            EXPECT_EQ(GetFocus(), GetDlgItem(box, c.Default));
            switch (c.Action) {
            case Enter: Key(VK_RETURN); break;
            case Escape: Key(VK_ESCAPE); break;
            case Click: ClickOn(GetDlgItem(box, c.Argument)); break;
            case Letter: Key(UINT(c.Argument)); break;
            case TabEnter:
                // Enter once the focus has moved: it presses the focused button.
                Key(VK_TAB);
                Steps.push_front([&](HWND box) {
                    EXPECT_EQ(GetFocus(), GetDlgItem(box, IDIGNORE));
                    EXPECT_EQ(GetWindowLongA(GetDlgItem(box, IDIGNORE), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
                    Key(VK_RETURN);
                });
                break;
            }
        });
        EXPECT_EQ(MessageBoxA(Owner, "Go on?", "Question", c.Flags), c.Result);
        EXPECT_TRUE(Steps.empty());
        Steps.clear();
        EXPECT_TRUE(IsWindowEnabled(Owner));
        EXPECT_EQ(FindWindowA(WC_MESSAGEBOXA, nullptr), nullptr);
    }
}

TEST_F(WinMessageBoxTest, EscapeAndTheCloseBoxDoNothingWithoutACancelButton) {
    HWND seen = nullptr;
    Steps.push_back([&](HWND box) {
        seen = box;
        Key(VK_ESCAPE);
    });
    Steps.push_back([&](HWND box) {
        EXPECT_EQ(box, seen);  // still open
        PostMessageA(box, WM_CLOSE, 0, 0);
    });
    Steps.push_back([&](HWND box) {
        EXPECT_EQ(box, seen);
        Key('Y');
    });
    EXPECT_EQ(MessageBoxA(Owner, "Save?", nullptr, MB_YESNO), IDYES);
    EXPECT_TRUE(Steps.empty());
    // The close box of a box with Cancel answers Cancel; a null caption reads "Error".
    Steps.push_back([&](HWND box) {
        EXPECT_EQ(TextOf(box), "Error");
        SendMessageA(box, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(MessageBoxA(Owner, "Failed", nullptr, MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(GetActiveWindow(), Owner);
}

TEST_F(WinMessageBoxTest, ALongTextWrapsWithinAShareOfTheScreenAndIsSavedAsAPicture) {
    const String text =
        "The channel table was changed but not written to the radio. Writing it now replaces the "
        "channels stored in the radio with the ones shown here; reading first keeps them.\n\n"
        "Write the channel table to the radio now?";
    Steps.push_back([&](HWND box) {
        RECT r{};
        GetWindowRect(box, &r);
        EXPECT_LE(r.right - r.left, 1024 * 5 / 8 + 2 * GetSystemMetrics(SM_CXDLGFRAME) + 8);
        EXPECT_GT(r.bottom - r.top, 120);  // several lines
        // Centred over the owner.
        RECT owner{};
        GetWindowRect(Owner, &owner);
        EXPECT_NEAR((r.left + r.right) / 2, (owner.left + owner.right) / 2, 1);
        UpdateWindow(box);
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(box, s));
        const std::string path = testsupport::ArtifactPath("WinMessageBoxTest_YesNoCancel.png");
        testsupport::WritePng(path, s.Width, s.Height, reinterpret_cast<const std::uint32_t*>(s.Bits),
                              int(s.Stride / 4));
        EXPECT_GT(testsupport::ReadFileBytes(path).size(), 100u);
        Key(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(Owner, text.c_str(), "KOV-571", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
}

// The buttons follow the user's locale (never the program's language); a box is at least as wide
// as its title bar needs for the caption.
TEST_F(WinMessageBoxTest, ButtonsSpeakTheUsersLanguageAndTheBoxHoldsItsCaption) {
    struct Case {
        const char* Locale;
        UINT Flags;
        std::vector<const char*> Captions;
    };
    const std::vector<Case> cases = {
        {"zh_CN.UTF-8", MB_OK, {"确定"}},
        {"zh_CN.UTF-8", MB_YESNOCANCEL, {"是(&Y)", "否(&N)", "取消"}},
        {"zh_CN.GB18030", MB_ABORTRETRYIGNORE, {"中止(&A)", "重试(&R)", "忽略(&I)"}},
        {"zh_CN", MB_RETRYCANCEL, {"重试(&R)", "取消"}},
        {"de_DE.UTF-8", MB_YESNO, {"&Yes", "&No"}},
        {"C", MB_OKCANCEL, {"OK", "Cancel"}},
        {"zhx_YY.UTF-8", MB_OK, {"OK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Locale);
        SetUserMessagesLocale(c.Locale);
        Steps.push_back([&](HWND box) {
            std::vector<String> captions;
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (GetDlgCtrlID(child) >= IDOK && GetDlgCtrlID(child) <= IDNO) captions.push_back(TextOf(child));
            EXPECT_EQ(captions, std::vector<String>(c.Captions.begin(), c.Captions.end()));
            // The first button answers.
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                if (GetDlgCtrlID(child) >= IDOK && GetDlgCtrlID(child) <= IDNO) {
                    SendMessageA(child, BM_CLICK, 0, 0);
                    break;
                }
        });
        EXPECT_NE(MessageBoxA(Owner, "Go on?", "Question", c.Flags), 0);
        EXPECT_TRUE(Steps.empty());
    }
    SetUserMessagesLocale("en_US.UTF-8");

    const String caption = "The channel table could not be written to the radio";
    NONCLIENTMETRICSA metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, caption.c_str(), int(caption.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    Steps.push_back([&](HWND box) {
        RECT client{};
        GetClientRect(box, &client);
        EXPECT_GE(client.right, extent.cx + 2 * GetSystemMetrics(SM_CXSIZE));
        Key(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(Owner, "Failed", caption.c_str(), MB_OK), IDOK);
}

}  // namespace

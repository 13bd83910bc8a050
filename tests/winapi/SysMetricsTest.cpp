// System metrics and parameters: the classic sizes the controls lay themselves out with, the
// non-client metrics and fonts, the settings the program reads, their change notice, and the
// message beep.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/winapi/SysMetrics.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinError.h"
#include "tests/winapi/WinTestSupport.h"

namespace {

// Puts the settings and hooks back after each test.
class SysMetricsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldSetting = SetSettingChangeHook([this](UINT action) { Changes.push_back(action); });
        FOldBeep = SetMessageBeepHook([this](UINT type) { Beeps.push_back(type); });
    }
    void TearDown() override {
        ResetSystemParameters();
        SetSettingChangeHook(FOldSetting);
        SetMessageBeepHook(FOldBeep);
    }
    std::vector<UINT> Changes, Beeps;

private:
    TSettingChangeHook FOldSetting;
    TMessageBeepHook FOldBeep;
};

// The classic metrics at 96 dots per inch, for the indices the controls and forms read.
TEST_F(SysMetricsTest, ClassicSizes) {
    struct Case {
        int Index;
        const char* Name;
        int Expected;
    };
    const std::vector<Case> cases = {
        {SM_CXVSCROLL, "SM_CXVSCROLL", 16},
        {SM_CYHSCROLL, "SM_CYHSCROLL", 16},
        {SM_CYVSCROLL, "SM_CYVSCROLL", 16},
        {SM_CXHSCROLL, "SM_CXHSCROLL", 16},
        {SM_CYVTHUMB, "SM_CYVTHUMB", 16},
        {SM_CXHTHUMB, "SM_CXHTHUMB", 16},
        {SM_CXBORDER, "SM_CXBORDER", 1},
        {SM_CYBORDER, "SM_CYBORDER", 1},
        {SM_CXEDGE, "SM_CXEDGE", 2},
        {SM_CYEDGE, "SM_CYEDGE", 2},
        {SM_CXDLGFRAME, "SM_CXDLGFRAME", 3},
        {SM_CYDLGFRAME, "SM_CYDLGFRAME", 3},
        {SM_CXFRAME, "SM_CXFRAME", 4},
        {SM_CYFRAME, "SM_CYFRAME", 4},
        {SM_CYCAPTION, "SM_CYCAPTION", 19},
        {SM_CXSIZE, "SM_CXSIZE", 18},
        {SM_CYSIZE, "SM_CYSIZE", 18},
        {SM_CYSMCAPTION, "SM_CYSMCAPTION", 16},
        {SM_CXICON, "SM_CXICON", 32},
        {SM_CYICON, "SM_CYICON", 32},
        {SM_CXSMICON, "SM_CXSMICON", 16},
        {SM_CYSMICON, "SM_CYSMICON", 16},
        {SM_CXCURSOR, "SM_CXCURSOR", 32},
        {SM_CYCURSOR, "SM_CYCURSOR", 32},
        {SM_CYMENU, "SM_CYMENU", 19},
        {SM_CXMENUCHECK, "SM_CXMENUCHECK", 13},
        {SM_CYMENUCHECK, "SM_CYMENUCHECK", 13},
        {SM_CXDOUBLECLK, "SM_CXDOUBLECLK", 4},
        {SM_CYDOUBLECLK, "SM_CYDOUBLECLK", 4},
        {SM_CXDRAG, "SM_CXDRAG", 4},
        {SM_CYDRAG, "SM_CYDRAG", 4},
        {SM_CMONITORS, "SM_CMONITORS", 1},
        {SM_CXFOCUSBORDER, "SM_CXFOCUSBORDER", 1},
        {SM_CMOUSEBUTTONS, "SM_CMOUSEBUTTONS", 3},
        {SM_MOUSEWHEELPRESENT, "SM_MOUSEWHEELPRESENT", 1},
        {SM_SWAPBUTTON, "SM_SWAPBUTTON", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Expected, GetSystemMetrics(c.Index));
    }
    EXPECT_EQ(0, GetSystemMetrics(-5));
}

// Without a display the screen is 1024 x 768 and the work area all of it.
TEST_F(SysMetricsTest, ScreenAndWorkArea) {
    ASSERT_EQ(nullptr, WinGetBackend());
    EXPECT_EQ(1024, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(768, GetSystemMetrics(SM_CYSCREEN));
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(0, work.left);
    EXPECT_EQ(0, work.top);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), work.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), work.bottom);

    RECT smaller{0, 0, 1024, 738};
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &smaller, SPIF_SENDCHANGE));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(738, work.bottom);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWORKAREA, 0, nullptr, 0));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(768, work.bottom);
    EXPECT_EQ(std::vector<UINT>{SPI_SETWORKAREA}, Changes) << "only the change that asked to be sent";

    RECT inverted{10, 10, 0, 0};
    EXPECT_FALSE(SystemParametersInfoA(SPI_SETWORKAREA, 0, &inverted, 0));
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETWORKAREA, 0, nullptr, 0));
}

TEST_F(SysMetricsTest, NonClientMetricsAgreeWithTheSystemMetrics) {
    NONCLIENTMETRICSA m;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), m.iScrollWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYHSCROLL), m.iScrollHeight);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), m.iCaptionHeight + 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSIZE), m.iCaptionWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMCAPTION), m.iSmCaptionHeight + 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMSIZE), m.iSmCaptionWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYMENU), m.iMenuHeight + 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXFRAME), m.iBorderWidth + 3);
    // The fonts: 8-point "Tahoma", bold in the caption.
    struct FontCase {
        const char* Name;
        const LOGFONTA* Font;
        LONG Weight;
    };
    const std::vector<FontCase> fonts = {{"caption", &m.lfCaptionFont, FW_BOLD},
                                         {"small caption", &m.lfSmCaptionFont, FW_NORMAL},
                                         {"menu", &m.lfMenuFont, FW_NORMAL},
                                         {"status", &m.lfStatusFont, FW_NORMAL},
                                         {"message", &m.lfMessageFont, FW_NORMAL}};
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.Name);
        EXPECT_STREQ("Tahoma", f.Font->lfFaceName);
        EXPECT_EQ(-11, f.Font->lfHeight);
        EXPECT_EQ(f.Weight, f.Font->lfWeight);
        EXPECT_EQ(0, f.Font->lfItalic);
        EXPECT_EQ(DEFAULT_CHARSET, f.Font->lfCharSet);
    }
    LOGFONTA icon;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0));
    EXPECT_STREQ("Tahoma", icon.lfFaceName);
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, 12, &icon, 0));
}

TEST_F(SysMetricsTest, NonClientMetricsRoundTripAndAnnounceTheChange) {
    NONCLIENTMETRICSA m;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    m.iScrollWidth = 20;
    std::strcpy(m.lfMessageFont.lfFaceName, "Arial");
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof m, &m, SPIF_SENDCHANGE));
    // The suite's settings controller waits for exactly this action (42).
    EXPECT_EQ(std::vector<UINT>{42}, Changes);
    NONCLIENTMETRICSA back;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof back, &back, 0));
    EXPECT_EQ(20, back.iScrollWidth);
    EXPECT_STREQ("Arial", back.lfMessageFont.lfFaceName);

    NONCLIENTMETRICSA wrong;
    wrong.cbSize = 500;
    SetLastError(0);
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &wrong, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_FALSE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, 0, &wrong, 0));
    EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, nullptr, 0));
}

TEST_F(SysMetricsTest, InterfaceSettings) {
    struct Case {
        const char* Name;
        UINT Get, Set;
        BOOL Default;
        bool ValueInUiParam;
    };
    const std::vector<Case> cases = {
        {"keyboard cues", SPI_GETKEYBOARDCUES, SPI_SETKEYBOARDCUES, FALSE, false},
        {"drag full windows", SPI_GETDRAGFULLWINDOWS, SPI_SETDRAGFULLWINDOWS, TRUE, true},
        {"flat menu", SPI_GETFLATMENU, SPI_SETFLATMENU, FALSE, false},
        {"menu animation", SPI_GETMENUANIMATION, SPI_SETMENUANIMATION, FALSE, false},
        {"drop shadow", SPI_GETDROPSHADOW, SPI_SETDROPSHADOW, TRUE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        BOOL value = 7;
        ASSERT_TRUE(SystemParametersInfoA(c.Get, 0, &value, 0));
        EXPECT_EQ(c.Default, value);
        BOOL flipped = !c.Default;
        void* asPointer = flipped ? reinterpret_cast<void*>(1) : nullptr;
        ASSERT_TRUE(SystemParametersInfoA(c.Set, c.ValueInUiParam ? UINT(flipped) : 0,
                                          c.ValueInUiParam ? nullptr : asPointer, 0));
        ASSERT_TRUE(SystemParametersInfoA(c.Get, 0, &value, 0));
        EXPECT_EQ(flipped, value);
        EXPECT_FALSE(SystemParametersInfoA(c.Get, 0, nullptr, 0));
    }
    UINT lines = 0;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_EQ(3u, lines);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETWHEELSCROLLLINES, 5, nullptr, SPIF_UPDATEINIFILE));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_EQ(5u, lines);
    DWORD delay = 0;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETMENUSHOWDELAY, 0, &delay, 0));
    EXPECT_EQ(400u, delay);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETMENUSHOWDELAY, 100, nullptr, 0));
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETMENUSHOWDELAY, 0, &delay, 0));
    EXPECT_EQ(100u, delay);
    EXPECT_TRUE(Changes.empty());

    UINT before = GetDoubleClickTime();
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETDOUBLECLICKTIME, 700, nullptr, 0));
    EXPECT_EQ(700u, GetDoubleClickTime());
    SetDoubleClickTime(before);

    SetLastError(0);
    EXPECT_FALSE(SystemParametersInfoA(0x7777, 0, &lines, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    ResetSystemParameters();
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_EQ(3u, lines);
}

TEST_F(SysMetricsTest, MessageBeepIsRecorded) {
    EXPECT_TRUE(MessageBeep(0x10)); // the error icon's sound
    EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
    EXPECT_EQ((std::vector<UINT>{0x10, 0xFFFFFFFF}), Beeps);
    TMessageBeepHook mine = SetMessageBeepHook(nullptr);
    EXPECT_TRUE(MessageBeep(0)) << "without a display nothing sounds, and that is not a failure";
    SetMessageBeepHook(mine);
    EXPECT_EQ(2u, Beeps.size());
}

class SysSettingsBroadcast : public wintest::WinTest {};

// Without a hook of a test's own, an announced change reaches the top-level windows as
// WM_SETTINGCHANGE with the action in wParam.
TEST_F(SysSettingsBroadcast, TopLevelWindowsHearOfAChange) {
    HWND top = Make(WS_OVERLAPPEDWINDOW, 0, 0, 100, 80);
    ASSERT_TRUE(top);
    Rec.Clear();
    NONCLIENTMETRICSA m;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof m, &m, SPIF_SENDCHANGE));
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETFLATMENU, 0, nullptr, 0)); // not announced
    wintest::PumpAll();
    ResetSystemParameters();
    ASSERT_EQ(1, Rec.Count(WM_SETTINGCHANGE, top));
    EXPECT_EQ(WPARAM(SPI_SETNONCLIENTMETRICS), Rec.Find(WM_SETTINGCHANGE, top)->WParam);
}

} // namespace

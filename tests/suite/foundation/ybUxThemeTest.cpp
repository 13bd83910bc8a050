// Binding the visual-style library at run time, and the wrappers over its entry points.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Dispatch.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"

namespace {

// Restarts the units as the program starts them once the test is over.
class UxThemeUnit : public ::testing::Test {
protected:
    void Restart(DWORD major, DWORD minor) {
        ThemeManagerFinalize();
        UxThemeInitialize(major, minor);
    }
    void TearDown() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
    }
};

TEST_F(UxThemeUnit, LoadedOnlyFromVersionFiveOne) {
    struct Case {
        DWORD Major, Minor;
        bool XP;
    };
    const std::vector<Case> cases = {{4, 90, false}, {5, 0, false}, {5, 1, true}, {5, 2, true}, {6, 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Major) + "." + std::to_string(c.Minor));
        Restart(c.Major, c.Minor);
        EXPECT_EQ(c.XP, RunningOnXPOrLater());
        EXPECT_EQ(c.XP, UxThemeLibraryPresent());
        EXPECT_EQ(c.XP, UxThemeBoundEntryPoint("OpenThemeData") != nullptr);
        EXPECT_EQ(c.XP, UxThemeBoundEntryPoint("IsThemeActive") != nullptr);
    }
    // The version the program reports is 5.1.
    UxThemeInitialize();
    EXPECT_TRUE(RunningOnXPOrLater());
    EXPECT_TRUE(UxThemeLibraryPresent());
}

TEST_F(UxThemeUnit, EntryPointsBoundByName) {
    UxThemeInitialize();
    HMODULE library = GetModuleHandleA("UxTheme.dll");
    ASSERT_NE(nullptr, library);
    for (const char* name :
         {"OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText", "DrawThemeEdge",
          "GetThemePartSize", "GetThemeBackgroundContentRect", "GetThemeBackgroundRegion", "GetThemeColor",
          "IsThemeActive", "IsAppThemed", "IsThemeBackgroundPartiallyTransparent",
          "DrawThemeParentBackground", "GetCurrentThemeName", "GetThemeSysColor"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetProcAddress(library, name), UxThemeBoundEntryPoint(name));
        EXPECT_NE(nullptr, UxThemeBoundEntryPoint(name));
    }
    // Names the library lacks stay unbound; names the unit does not bind are not looked up.
    EXPECT_EQ(nullptr, UxThemeBoundEntryPoint("GetThemeTextMetrics"));
    EXPECT_EQ(nullptr, UxThemeBoundEntryPoint("SetWindowTheme"));
    EXPECT_EQ(nullptr, UxThemeBoundEntryPoint("GetThemeSysColorBrushes"));
    // Finalising frees the library; the next use starts the unit again.
    UxThemeFinalize();
    EXPECT_EQ(nullptr, GetModuleHandleA("UxTheme.dll"));
    EXPECT_TRUE(UxThemeLibraryPresent());
}

// Each wrapper reaches its entry point with the arguments as given.
TEST_F(UxThemeUnit, WrappersCallTheirEntryPoints) {
    UxThemeInitialize();
    TThemeFake fake;
    fake.SetPartSize("ScrollBar", SBP_SIZEBOX, 1, TS_TRUE, {17, 16});
    fake.SetColor("ScrollBar", 3, 2, TMT_TEXTCOLOR, RGB(1, 2, 3));
    HTHEME theme = UxOpenThemeData(nullptr, u"ScrollBar");
    ASSERT_NE(nullptr, theme);
    HDC dc = CreateCompatibleDC(nullptr);
    RECT r{1, 2, 11, 12}, clip{0, 0, 5, 5}, out{};
    SIZE size{};
    COLORREF color = 0;
    HRGN region = nullptr;

    struct Case {
        const char* Function;
        std::function<HRESULT()> Call;
        bool Clipped;
        int Value;
    };
    const std::vector<Case> cases = {
        {"DrawThemeBackground", [&] { return UxDrawThemeBackground(theme, dc, 3, 2, &r, &clip); }, true, 0},
        {"DrawThemeBackground", [&] { return UxDrawThemePart(theme, dc, 3, 2, &r); }, false, 0},
        {"DrawThemeBackground", [&] { return UxDrawThemePartClipped(theme, dc, 3, 2, &r, &clip); }, true, 0},
        {"GetThemePartSize",
         [&] { return UxGetThemePartSizeNoRect(theme, dc, SBP_SIZEBOX, 1, TS_TRUE, &size); }, false, TS_TRUE},
        {"GetThemePartSize",
         [&] { return UxGetThemePartSize(theme, dc, SBP_SIZEBOX, 1, &r, TS_TRUE, &size); }, false, TS_TRUE},
        {"GetThemePartSize",
         [&] { return UxGetThemePartSizeInRect(theme, dc, SBP_SIZEBOX, 1, &r, TS_TRUE, &size); }, false,
         TS_TRUE},
        {"GetThemeBackgroundContentRect",
         [&] { return UxGetThemeBackgroundContentRect(theme, dc, 3, 2, &r, &out); }, false, 0},
        {"GetThemeBackgroundContentRect", [&] { return UxGetThemeContentRect(theme, dc, 3, 2, &r, &out); },
         false, 0},
        {"GetThemeBackgroundRegion", [&] { return UxGetThemeBackgroundRegion(theme, dc, 3, 2, &r, &region); },
         false, 0},
        {"DrawThemeEdge", [&] { return UxDrawThemeEdge(theme, dc, 3, 2, &r, EDGE_RAISED, BF_RECT, &out); },
         false, int(EDGE_RAISED)},
        {"GetThemeColor", [&] { return UxGetThemeColor(theme, 3, 2, TMT_TEXTCOLOR, &color); }, false,
         TMT_TEXTCOLOR},
        {"DrawThemeText", [&] { return UxDrawThemeText(theme, dc, 3, 2, u"Write", 3, DT_LEFT, 0, &r); },
         false, int(DT_LEFT)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Function);
        fake.Calls.clear();
        EXPECT_EQ(S_OK, c.Call());
        ASSERT_EQ(1u, fake.Calls.size());
        const TThemeCall& call = fake.Calls[0];
        EXPECT_EQ(c.Function, call.Function);
        EXPECT_EQ("ScrollBar", call.Class);
        EXPECT_EQ(c.Clipped, call.Clipped);
        EXPECT_EQ(c.Value, call.Value);
        if (region) DeleteObject(region);
        region = nullptr;
    }
    EXPECT_EQ(17, size.cx);
    EXPECT_EQ(RGB(1, 2, 3), color);
    EXPECT_TRUE(UxIsThemeActive());

    // The ANSI text is converted; a count limits it; -1 is the whole text.
    fake.Calls.clear();
    EXPECT_EQ(S_OK, UxDrawThemeTextAnsi(theme, dc, 1, 1, "Write", 2, DT_LEFT, 0, &r));
    EXPECT_EQ(S_OK, UxDrawThemeTextAnsi(theme, dc, 1, 1, "Gr\xC3\xBC\xC3\x9F", -1, DT_LEFT, 0, &r));
    ASSERT_EQ(2u, fake.Calls.size());
    EXPECT_EQ(u"Wr", fake.Calls[0].Text);
    EXPECT_EQ(u"Gr\u00FC\u00DF", fake.Calls[1].Text);

    EXPECT_FALSE(UxIsThemeBackgroundPartiallyTransparent(theme, 3, 2));
    fake.SetTransparent("ScrollBar", 3, 2);
    EXPECT_TRUE(UxIsThemeBackgroundPartiallyTransparent(theme, 3, 2));

    char16_t file[32], colorName[32], sizeName[32];
    ASSERT_EQ(S_OK, UxGetCurrentThemeName(file, 32, colorName, 32, sizeName, 32));
    EXPECT_EQ(fake.ColorName, std::u16string(colorName));

    EXPECT_EQ(S_OK, UxCloseThemeData(theme));
    EXPECT_EQ(0, fake.OpenHandles());
    DeleteDC(dc);
}

// Without the library nothing is called: the wrappers refuse.
TEST_F(UxThemeUnit, WithoutTheLibraryTheWrappersRefuse) {
    Restart(5, 0);
    TThemeFake fake;
    HDC dc = CreateCompatibleDC(nullptr);
    RECT r{0, 0, 4, 4};
    SIZE size{};
    EXPECT_EQ(nullptr, UxOpenThemeData(nullptr, u"Button"));
    EXPECT_FALSE(UxIsThemeActive());
    EXPECT_EQ(E_FAIL, UxDrawThemePart(nullptr, dc, 1, 1, &r));
    EXPECT_EQ(E_FAIL, UxGetThemePartSizeNoRect(nullptr, dc, 1, 1, TS_TRUE, &size));
    EXPECT_EQ(E_FAIL, UxGetCurrentThemeName(nullptr, 0, nullptr, 0, nullptr, 0));
    EXPECT_EQ(E_FAIL, UxDrawThemeParentBackground(nullptr, dc, &r));
    EXPECT_TRUE(fake.Calls.empty());
    DeleteDC(dc);
}

// The parent that paints under a child may select its own font into the context; the caller's
// font is there again afterwards.
LRESULT FontChangingParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PRINTCLIENT || message == WM_ERASEBKGND) {
        SelectObject(reinterpret_cast<HDC>(wParam), GetStockObject(ANSI_FIXED_FONT));
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(UxThemeUnit, ParentBackgroundKeepsTheFont) {
    UxThemeInitialize();
    WNDCLASSA wc{};
    wc.lpfnWndProc = FontChangingParent;
    wc.lpszClassName = "KovUxThemeTestParent";
    if (!GetClassInfoA(nullptr, wc.lpszClassName, &wc)) {
        ASSERT_NE(0, RegisterClassA(&wc));
    }
    HWND parent =
        CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 5, 5, 20, 20, parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent && child);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    SelectObject(dc, font);
    RECT r{0, 0, 20, 20};
    ASSERT_EQ(S_OK, UxDrawThemeParentBackground(child, dc, &r));
    EXPECT_EQ(font, GetCurrentObject(dc, OBJ_FONT));
    EXPECT_EQ(E_FAIL, UxDrawThemeParentBackground(parent, dc, &r)) << "a top-level window has no parent";
    EXPECT_EQ(font, GetCurrentObject(dc, OBJ_FONT));
    DeleteDC(dc);
    DestroyWindow(parent);
}

} // namespace

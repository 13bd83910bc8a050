// The visual-styles stand-in: present but inactive, and the recording fake that lets tests reach
// the themed drawing paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/Libraries.h"
#include "platform/winapi/Theme.h"
#include "tests/winapi/GdiTestImage.h"
#include "tests/winapi/WinTestSupport.h"

namespace {

using gditest::Canvas;

// A pixel map as Canvas::Map gives it, written one row a line (the line breaks after the
// opening and before the closing quote do not count).
std::string Pixels(const char* rows) {
    std::string map(rows);
    if (!map.empty() && map.front() == '\n') map.erase(0, 1);
    if (!map.empty() && map.back() == '\n') map.pop_back();
    return map;
}

TEST(Theme, PresentButNotActive) {
    EXPECT_FALSE(IsThemeActive());
    EXPECT_FALSE(IsAppThemed());
    EXPECT_EQ(nullptr, OpenThemeData(nullptr, u"Button"));
    char16_t file[64] = u"x", color[64], size[64];
    EXPECT_EQ(E_FAIL, GetCurrentThemeName(file, 64, color, 64, size, 64));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetThemeSysColor(nullptr, COLOR_BTNFACE));
    // Without a theme handle every call refuses and draws nothing.
    Canvas c(8, 8);
    RECT r{0, 0, 8, 8};
    SIZE s{};
    COLORREF col = 0;
    HRGN region = nullptr;
    HTHEME bogus = reinterpret_cast<HTHEME>(std::uintptr_t(0x1234));
    EXPECT_EQ(E_HANDLE, DrawThemeBackground(nullptr, c.Dc(), 1, 1, &r, nullptr));
    EXPECT_EQ(E_HANDLE, DrawThemeBackground(bogus, c.Dc(), 1, 1, &r, nullptr));
    EXPECT_EQ(E_HANDLE, GetThemePartSize(nullptr, c.Dc(), 1, 1, nullptr, TS_TRUE, &s));
    EXPECT_EQ(E_HANDLE, GetThemeBackgroundContentRect(nullptr, c.Dc(), 1, 1, &r, &r));
    EXPECT_EQ(E_HANDLE, GetThemeBackgroundRegion(nullptr, c.Dc(), 1, 1, &r, &region));
    EXPECT_EQ(E_HANDLE, GetThemeColor(nullptr, 1, 1, TMT_TEXTCOLOR, &col));
    EXPECT_EQ(E_HANDLE, DrawThemeEdge(nullptr, c.Dc(), 1, 1, &r, EDGE_RAISED, BF_RECT, nullptr));
    EXPECT_EQ(E_HANDLE, DrawThemeText(nullptr, c.Dc(), 1, 1, u"x", 1, 0, 0, &r));
    EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(nullptr, 1, 1));
    EXPECT_EQ(S_OK, CloseThemeData(nullptr));
    EXPECT_EQ(E_HANDLE, CloseThemeData(bogus));
    EXPECT_EQ(Pixels(R"(
########
########
########
########
########
########
########
########
)"),
              c.Map(RGB(255, 255, 255)));
}

// The program loads the library at run time and binds its functions by name.
TEST(Theme, BoundByName) {
    HMODULE library = LoadLibraryA("UxTheme.dll");
    ASSERT_NE(nullptr, library);
    struct Bound {
        const char* Name;
        void* Address;
    };
    const std::vector<Bound> names = {
        {"OpenThemeData", reinterpret_cast<void*>(&OpenThemeData)},
        {"CloseThemeData", reinterpret_cast<void*>(&CloseThemeData)},
        {"DrawThemeBackground", reinterpret_cast<void*>(&DrawThemeBackground)},
        {"DrawThemeText", reinterpret_cast<void*>(&DrawThemeText)},
        {"DrawThemeEdge", reinterpret_cast<void*>(&DrawThemeEdge)},
        {"GetThemePartSize", reinterpret_cast<void*>(&GetThemePartSize)},
        {"GetThemeBackgroundContentRect", reinterpret_cast<void*>(&GetThemeBackgroundContentRect)},
        {"GetThemeBackgroundRegion", reinterpret_cast<void*>(&GetThemeBackgroundRegion)},
        {"GetThemeColor", reinterpret_cast<void*>(&GetThemeColor)},
        {"IsThemeActive", reinterpret_cast<void*>(&IsThemeActive)},
        {"IsAppThemed", reinterpret_cast<void*>(&IsAppThemed)},
        {"IsThemeBackgroundPartiallyTransparent",
         reinterpret_cast<void*>(&IsThemeBackgroundPartiallyTransparent)},
        {"DrawThemeParentBackground", reinterpret_cast<void*>(&DrawThemeParentBackground)},
        {"GetCurrentThemeName", reinterpret_cast<void*>(&GetCurrentThemeName)},
        {"GetThemeSysColor", reinterpret_cast<void*>(&GetThemeSysColor)},
    };
    for (const Bound& b : names) {
        SCOPED_TRACE(b.Name);
        EXPECT_EQ(b.Address, reinterpret_cast<void*>(GetProcAddress(library, b.Name)));
    }
    // A name the library does not offer is nil for the program, which then never calls it.
    EXPECT_EQ(nullptr, GetProcAddress(library, "GetThemeTextMetrics"));
    using IsActive = BOOL (*)();
    EXPECT_FALSE(reinterpret_cast<IsActive>(GetProcAddress(library, "IsThemeActive"))());
    FreeLibrary(library);
}

TEST(ThemeFake, ActiveWhileItLivesAndRecordsOpening) {
    HTHEME theme = nullptr;
    {
        TThemeFake fake;
        EXPECT_TRUE(IsThemeActive());
        EXPECT_TRUE(IsAppThemed());
        theme = OpenThemeData(nullptr, u" ScrollBar ; Scroll");
        ASSERT_NE(nullptr, theme);
        HTHEME second = OpenThemeData(nullptr, u"Window");
        EXPECT_NE(theme, second);
        EXPECT_EQ(2, fake.OpenHandles());
        ASSERT_EQ(2u, fake.Calls.size());
        EXPECT_EQ("OpenThemeData", fake.Calls[0].Function);
        EXPECT_EQ("ScrollBar", fake.Calls[0].Class);
        EXPECT_EQ(u" ScrollBar ; Scroll", fake.Calls[0].Text);
        EXPECT_EQ(S_OK, CloseThemeData(second));
        EXPECT_EQ(E_HANDLE, CloseThemeData(second));
        EXPECT_EQ(1, fake.OpenHandles());
        EXPECT_EQ(nullptr, OpenThemeData(nullptr, u""));
        EXPECT_EQ(nullptr, OpenThemeData(nullptr, nullptr));
    }
    EXPECT_FALSE(IsThemeActive());
    SIZE s{};
    EXPECT_EQ(E_HANDLE, GetThemePartSize(theme, nullptr, SBP_GRIPPERHORZ, 1, nullptr, TS_MIN, &s))
        << "the fake's handles die with it";
}

// The scroll bar asks for its gripper's minimum and true sizes; the edit popup for the close
// button's and the size box's true sizes.
TEST(ThemeFake, PartSizesByKind) {
    TThemeFake fake;
    fake.SetPartSize("ScrollBar", SBP_GRIPPERHORZ, 1, TS_MIN, {8, 8});
    fake.SetPartSize("ScrollBar", SBP_GRIPPERHORZ, 1, TS_TRUE, {8, 9});
    fake.SetPartSize("window", WP_CLOSEBUTTON, -1, TS_TRUE, {13, 13});
    HTHEME bar = OpenThemeData(nullptr, u"SCROLLBAR");
    HTHEME window = OpenThemeData(nullptr, u"Window");
    SIZE s{};
    ASSERT_EQ(S_OK, GetThemePartSize(bar, nullptr, SBP_GRIPPERHORZ, 1, nullptr, TS_MIN, &s));
    EXPECT_EQ(8, s.cx);
    ASSERT_EQ(S_OK, GetThemePartSize(bar, nullptr, SBP_GRIPPERHORZ, 1, nullptr, TS_TRUE, &s));
    EXPECT_EQ(9, s.cy);
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED,
              GetThemePartSize(bar, nullptr, SBP_GRIPPERVERT, 1, nullptr, TS_TRUE, &s));
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED,
              GetThemePartSize(bar, nullptr, SBP_GRIPPERHORZ, 1, nullptr, TS_DRAW, &s));
    ASSERT_EQ(S_OK, GetThemePartSize(window, nullptr, WP_CLOSEBUTTON, 3, nullptr, TS_TRUE, &s))
        << "any state";
    EXPECT_EQ(13, s.cx);
    std::vector<TThemeCall> asked = fake.CallsOf("GetThemePartSize");
    ASSERT_EQ(5u, asked.size());
    struct Expected {
        const char* Class;
        int Part, State, Kind;
    };
    const std::vector<Expected> expected = {{"SCROLLBAR", SBP_GRIPPERHORZ, 1, TS_MIN},
                                            {"SCROLLBAR", SBP_GRIPPERHORZ, 1, TS_TRUE},
                                            {"SCROLLBAR", SBP_GRIPPERVERT, 1, TS_TRUE},
                                            {"SCROLLBAR", SBP_GRIPPERHORZ, 1, TS_DRAW},
                                            {"Window", WP_CLOSEBUTTON, 3, TS_TRUE}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].Class, asked[i].Class);
        EXPECT_EQ(expected[i].Part, asked[i].Part);
        EXPECT_EQ(expected[i].State, asked[i].State);
        EXPECT_EQ(expected[i].Kind, asked[i].Value);
    }
    CloseThemeData(bar);
    CloseThemeData(window);
}

TEST(ThemeFake, BackgroundsAreRecordedAndPaintedWithinTheClip) {
    TThemeFake fake;
    HTHEME bar = OpenThemeData(nullptr, u"ScrollBar");
    Canvas c(12, 8);
    RECT part{1, 1, 11, 7}, clip{0, 0, 6, 8};
    ASSERT_EQ(S_OK, DrawThemeBackground(bar, c.Dc(), SBP_SIZEBOX, 1, &part, &clip));
    ASSERT_EQ(S_OK, DrawThemeBackground(bar, c.Dc(), 3, 2, &part, nullptr));
    std::vector<TThemeCall> drawn = fake.CallsOf("DrawThemeBackground");
    ASSERT_EQ(2u, drawn.size());
    EXPECT_EQ(SBP_SIZEBOX, drawn[0].Part);
    EXPECT_EQ(1, drawn[0].State);
    EXPECT_EQ(10, drawn[0].Rect.right - drawn[0].Rect.left);
    EXPECT_EQ(6, drawn[0].Rect.bottom - drawn[0].Rect.top);
    EXPECT_TRUE(drawn[0].Clipped);
    EXPECT_EQ(6, drawn[0].Clip.right);
    EXPECT_EQ(3, drawn[1].Part);
    EXPECT_FALSE(drawn[1].Clipped);

    Canvas clipped(12, 8);
    DrawThemeBackground(bar, clipped.Dc(), SBP_SIZEBOX, 1, &part, &clip);
    const std::vector<std::pair<COLORREF, char>> legend = {
        {fake.Fill, 'f'}, {fake.Frame, '#'}, {RGB(255, 255, 255), '.'}};
    EXPECT_EQ(Pixels(R"(
............
.#####......
.#ffff......
.#ffff......
.#ffff......
.#ffff......
.#####......
............
)"),
              clipped.Map(legend));
    // Nothing is painted with painting off; the call is still recorded.
    fake.Paint = false;
    Canvas blank(4, 4);
    RECT all{0, 0, 4, 4};
    ASSERT_EQ(S_OK, DrawThemeBackground(bar, blank.Dc(), 1, 1, &all, nullptr));
    EXPECT_EQ(RGB(255, 255, 255), blank.Pixel(2, 2));
    EXPECT_EQ(4u, fake.CallsOf("DrawThemeBackground").size());
    EXPECT_EQ(E_POINTER, DrawThemeBackground(bar, blank.Dc(), 1, 1, nullptr, nullptr));
    CloseThemeData(bar);
}

TEST(ThemeFake, ContentRegionColoursAndTransparency) {
    TThemeFake fake;
    fake.SetColor("ComboBox", 1, 1, TMT_BORDERCOLOR, RGB(1, 2, 3));
    fake.SetTransparent("Window", WP_CLOSEBUTTON, 2);
    fake.SetContentMargins("Edit", 1, {2, 3, 4, 5});
    fake.SetSysColor(COLOR_WINDOW, RGB(9, 9, 9));
    HTHEME combo = OpenThemeData(nullptr, u"ComboBox");
    HTHEME window = OpenThemeData(nullptr, u"Window");
    HTHEME edit = OpenThemeData(nullptr, u"Edit");

    COLORREF color = 0;
    ASSERT_EQ(S_OK, GetThemeColor(combo, 1, 1, TMT_BORDERCOLOR, &color));
    EXPECT_EQ(RGB(1, 2, 3), color);
    EXPECT_EQ(E_PROP_ID_UNSUPPORTED, GetThemeColor(combo, 1, 1, TMT_TEXTCOLOR, &color));
    EXPECT_TRUE(IsThemeBackgroundPartiallyTransparent(window, WP_CLOSEBUTTON, 2));
    EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(window, WP_CLOSEBUTTON, 1));

    RECT bounds{10, 10, 50, 30}, content{};
    ASSERT_EQ(S_OK, GetThemeBackgroundContentRect(edit, nullptr, 1, 1, &bounds, &content));
    EXPECT_EQ(12, content.left);
    EXPECT_EQ(13, content.top);
    EXPECT_EQ(46, content.right);
    EXPECT_EQ(25, content.bottom);
    ASSERT_EQ(S_OK, GetThemeBackgroundContentRect(combo, nullptr, 1, 1, &bounds, &content));
    EXPECT_EQ(11, content.left) << "a one-pixel border unless set";
    EXPECT_EQ(29, content.bottom);

    HRGN region = nullptr;
    ASSERT_EQ(S_OK, GetThemeBackgroundRegion(combo, nullptr, 1, 1, &bounds, &region));
    RECT box{};
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(region, &box));
    EXPECT_TRUE(EqualRect(&box, &bounds));
    DeleteObject(region);

    EXPECT_EQ(RGB(9, 9, 9), GetThemeSysColor(edit, COLOR_WINDOW));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetThemeSysColor(edit, COLOR_BTNFACE));

    Canvas c(10, 10);
    RECT dest{0, 0, 10, 10}, inside{};
    ASSERT_EQ(S_OK, DrawThemeEdge(edit, c.Dc(), 1, 1, &dest, EDGE_SUNKEN, BF_RECT, &inside));
    EXPECT_EQ(2, inside.left);
    EXPECT_EQ(8, inside.bottom);
    EXPECT_EQ(GetSysColor(COLOR_3DSHADOW), c.Pixel(0, 0));

    std::vector<std::string> functions;
    for (const TThemeCall& call : fake.Calls)
        functions.push_back(call.Function);
    EXPECT_EQ((std::vector<std::string>{
                  "OpenThemeData", "OpenThemeData", "OpenThemeData", "GetThemeColor", "GetThemeColor",
                  "IsThemeBackgroundPartiallyTransparent", "IsThemeBackgroundPartiallyTransparent",
                  "GetThemeBackgroundContentRect", "GetThemeBackgroundContentRect",
                  "GetThemeBackgroundRegion", "GetThemeSysColor", "GetThemeSysColor", "DrawThemeEdge"}),
              functions);
    EXPECT_EQ(TMT_BORDERCOLOR, fake.Calls[3].Value);
    EXPECT_EQ(int(EDGE_SUNKEN), fake.Calls.back().Value);
    CloseThemeData(combo);
    CloseThemeData(window);
    CloseThemeData(edit);
}

TEST(ThemeFake, CurrentThemeName) {
    TThemeFake fake;
    fake.FileName = u"C:\\Themes\\Plain.msstyles";
    fake.ColorName = u"Metallic";
    char16_t file[64], color[5], size[64];
    ASSERT_EQ(S_OK, GetCurrentThemeName(file, 64, color, 5, size, 64));
    EXPECT_EQ(std::u16string(u"C:\\Themes\\Plain.msstyles"), std::u16string(file));
    EXPECT_EQ(std::u16string(u"Meta"), std::u16string(color)) << "cut to the buffer";
    EXPECT_EQ(std::u16string(u"NormalSize"), std::u16string(size));
    EXPECT_EQ(S_OK, GetCurrentThemeName(nullptr, 0, nullptr, 0, nullptr, 0));
}

TEST(ThemeFake, TextInTheThemesColour) {
    TThemeFake fake;
    fake.SetColor("Button", 1, 1, TMT_TEXTCOLOR, RGB(200, 0, 0));
    HTHEME button = OpenThemeData(nullptr, u"Button");
    Canvas c(60, 20);
    RECT r{0, 0, 60, 20};
    ASSERT_EQ(S_OK, DrawThemeText(button, c.Dc(), 1, 1, u"Write", -1, DT_LEFT | DT_SINGLELINE, 0, &r));
    std::vector<TThemeCall> text = fake.CallsOf("DrawThemeText");
    ASSERT_EQ(1u, text.size());
    EXPECT_EQ(u"Write", text[0].Text);
    EXPECT_EQ(int(DT_LEFT | DT_SINGLELINE), text[0].Value);
    EXPECT_EQ(60, text[0].Rect.right);
    int red = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            red += c.Pixel(x, y) == RGB(200, 0, 0);
    EXPECT_GT(red, 10);
    EXPECT_EQ(RGB(255, 255, 255), c.Pixel(59, 19)) << "no background behind the text";
    EXPECT_EQ(RGB(0, 0, 0), GetTextColor(c.Dc())) << "the context's colour is put back";
    // Greyed text takes the grey-text colour; a count limits the text.
    Canvas grey(60, 20);
    ASSERT_EQ(S_OK, DrawThemeText(button, grey.Dc(), 1, 1, u"Write", 2, DT_LEFT, DTT_GRAYED, &r));
    EXPECT_EQ(u"Wr", fake.CallsOf("DrawThemeText")[1].Text);
    int greyInk = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            greyInk += grey.Pixel(x, y) == GetSysColor(COLOR_GRAYTEXT);
    EXPECT_GT(greyInk, 5);
    CloseThemeData(button);
}

class ThemeParentBackground : public wintest::WinTest {};

// A child's themed background shows what its parent paints under it: the parent is asked to
// erase and print its client area into the child's context, moved to the parent's coordinates.
TEST_F(ThemeParentBackground, ParentPaintsUnderTheChild) {
    HWND parent = Make(WS_POPUP | WS_VISIBLE, 0, 0, 100, 60);
    HWND child = Make(WS_CHILD | WS_VISIBLE, 10, 5, 20, 10, parent);
    ASSERT_TRUE(parent && child);
    Rec.Handler = [parent](HWND w, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (w != parent || (message != WM_PRINTCLIENT && message != WM_ERASEBKGND)) return false;
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (message == WM_PRINTCLIENT) {
            // A mark at (12, 7) of the parent: (2, 2) of the child.
            SetPixelV(dc, 12, 7, RGB(0, 0, 255));
        } else {
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            RECT all{0, 0, 100, 60};
            FillRect(dc, &all, red);
            DeleteObject(red);
        }
        result = 1;
        return true;
    };
    Canvas c(20, 10);
    RECT part{0, 0, 15, 10};
    ASSERT_EQ(S_OK, DrawThemeParentBackground(child, c.Dc(), &part));
    EXPECT_EQ(RGB(255, 0, 0), c.Pixel(0, 0));
    EXPECT_EQ(RGB(0, 0, 255), c.Pixel(2, 2));
    EXPECT_EQ(RGB(255, 0, 0), c.Pixel(14, 9));
    EXPECT_EQ(RGB(255, 255, 255), c.Pixel(16, 5)) << "outside the rectangle";
    POINT org{};
    GetWindowOrgEx(c.Dc(), &org);
    EXPECT_EQ(0, org.x) << "the context is put back";
    EXPECT_EQ(E_FAIL, DrawThemeParentBackground(parent, c.Dc(), nullptr))
        << "a top-level window has no parent";
    {
        TThemeFake fake;
        ASSERT_EQ(S_OK, DrawThemeParentBackground(child, c.Dc(), nullptr));
        ASSERT_EQ(1u, fake.CallsOf("DrawThemeParentBackground").size());
    }
    Rec.Handler = nullptr;
}

} // namespace

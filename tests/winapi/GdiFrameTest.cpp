// Frame controls, edges and focus rectangles in the classic look: pixel maps of the shapes the
// controls rely on (edge corners, the check glyph, the radio mask the suite measures), focus
// rectangles that undo themselves, and sheets of every kind and state saved as PNG.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/winapi/GdiFrame.h"
#include "tests/winapi/GdiTestImage.h"

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

// System colours set apart from each other for the duration of a test (in the classic table
// the light colour equals the face and the frame equals the text), with the change hook
// silenced; everything is put back at the end.
class DistinctSysColors {
public:
    DistinctSysColors() {
        FOldHook = SetSysColorChangeHook(nullptr);
        for (const auto& [index, color] : Colors()) {
            FIndices.push_back(index);
            FOld.push_back(GetSysColor(index));
            FNew.push_back(color);
        }
        SetSysColors(int(FIndices.size()), FIndices.data(), FNew.data());
    }
    ~DistinctSysColors() {
        SetSysColors(int(FIndices.size()), FIndices.data(), FOld.data());
        SetSysColorChangeHook(FOldHook);
    }

    static std::vector<std::pair<int, COLORREF>> Colors() {
        return {{COLOR_3DHIGHLIGHT, RGB(255, 255, 255)}, {COLOR_3DLIGHT, RGB(224, 224, 224)},
                {COLOR_3DFACE, RGB(192, 192, 192)},      {COLOR_3DSHADOW, RGB(128, 128, 128)},
                {COLOR_3DDKSHADOW, RGB(64, 64, 64)},     {COLOR_WINDOW, RGB(255, 255, 240)},
                {COLOR_WINDOWTEXT, RGB(0, 0, 16)},       {COLOR_WINDOWFRAME, RGB(0, 0, 0)},
                {COLOR_GRAYTEXT, RGB(144, 144, 144)},    {COLOR_BTNTEXT, RGB(16, 0, 0)}};
    }

private:
    TSysColorChangeHook FOldHook;
    std::vector<INT> FIndices;
    std::vector<COLORREF> FOld, FNew;
};

constexpr COLORREF Background = RGB(0, 128, 0);

// W highlight, L light, F face, S shadow, D dark shadow, w window, t window text, K frame,
// g grey text, b button text, '-' the untouched background, '0' black, '1' white.
const std::vector<std::pair<COLORREF, char>> Legend = {
    {RGB(255, 255, 255), 'W'}, {RGB(224, 224, 224), 'L'}, {RGB(192, 192, 192), 'F'},
    {RGB(128, 128, 128), 'S'}, {RGB(64, 64, 64), 'D'},    {RGB(255, 255, 240), 'w'},
    {RGB(0, 0, 16), 't'},      {RGB(0, 0, 0), 'K'},       {RGB(144, 144, 144), 'g'},
    {RGB(16, 0, 0), 'b'},      {Background, '-'}};

std::string Edge(int width, int height, UINT edge, UINT flags) {
    Canvas c(width + 2, height + 2, Background);
    RECT r{1, 1, 1 + width, 1 + height};
    EXPECT_TRUE(DrawEdge(c.Dc(), &r, edge, flags));
    return c.Map(Legend);
}

std::string Frame(int width, int height, UINT type, UINT state, COLORREF fill = Background) {
    Canvas c(width, height, fill);
    RECT r{0, 0, width, height};
    EXPECT_TRUE(DrawFrameControl(c.Dc(), &r, type, state));
    return c.Map(Legend);
}

TEST(GdiFrameEdge, BordersAndCorners) {
    DistinctSysColors colors;
    struct Case {
        const char* Name;
        UINT Edge, Flags;
        std::string Expected;
    };
    const std::vector<Case> cases = {
        // Top and left lines stop short of the corners that the bottom and right ones take.
        {"raised", EDGE_RAISED, BF_RECT | BF_MIDDLE, Pixels(R"(
--------
-LLLLLD-
-LWWWSD-
-LWFFSD-
-LSSSSD-
-DDDDDD-
--------
)")},
        {"raised soft", EDGE_RAISED, BF_RECT | BF_SOFT, Pixels(R"(
--------
-WWWWWD-
-WLLLSD-
-WL--SD-
-WSSSSD-
-DDDDDD-
--------
)")},
        {"sunken", EDGE_SUNKEN, BF_RECT, Pixels(R"(
--------
-SSSSSW-
-SDDDLW-
-SD--LW-
-SLLLLW-
-WWWWWW-
--------
)")},
        {"etched", EDGE_ETCHED, BF_RECT, Pixels(R"(
--------
-SSSSSW-
-SWWWSW-
-SW--SW-
-SSSSSW-
-WWWWWW-
--------
)")},
        {"bump", EDGE_BUMP, BF_RECT, Pixels(R"(
--------
-LLLLLD-
-LDDDLD-
-LD--LD-
-LLLLLD-
-DDDDDD-
--------
)")},
        {"flat", EDGE_SUNKEN, BF_RECT | BF_FLAT | BF_MIDDLE, Pixels(R"(
--------
-SSSSSS-
-SFFFFS-
-SFFFFS-
-SFFFFS-
-SSSSSS-
--------
)")},
        {"mono", EDGE_RAISED, BF_RECT | BF_MONO | BF_MIDDLE, Pixels(R"(
--------
-KKKKKK-
-KwwwwK-
-KwwwwK-
-KwwwwK-
-KKKKKK-
--------
)")},
        {"outer only, top and left", BDR_RAISEDOUTER, BF_TOPLEFT, Pixels(R"(
--------
-LLLLLL-
-L------
-L------
-L------
-L------
--------
)")},
        {"inner only, bottom and right", BDR_SUNKENINNER, BF_BOTTOMRIGHT, Pixels(R"(
--------
------L-
------L-
------L-
------L-
-LLLLLL-
--------
)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Expected, Edge(6, 5, c.Edge, c.Flags));
    }
}

TEST(GdiFrameEdge, AdjustLeavesTheInsideAndMiddleFillsIt) {
    Canvas c(10, 10, Background);
    RECT r{1, 2, 9, 8};
    ASSERT_TRUE(DrawEdge(c.Dc(), &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
    EXPECT_EQ(3, r.left);
    EXPECT_EQ(4, r.top);
    EXPECT_EQ(7, r.right);
    EXPECT_EQ(6, r.bottom);
    EXPECT_EQ(Background, c.Pixel(3, 4)) << "no middle without BF_MIDDLE";

    RECT sides{1, 2, 9, 8};
    ASSERT_TRUE(DrawEdge(c.Dc(), &sides, BDR_RAISEDINNER, BF_LEFT | BF_BOTTOM | BF_ADJUST | BF_MIDDLE));
    EXPECT_EQ(2, sides.left);
    EXPECT_EQ(2, sides.top);
    EXPECT_EQ(9, sides.right);
    EXPECT_EQ(7, sides.bottom);
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), c.Pixel(5, 5));

    RECT unchanged{1, 2, 9, 8};
    ASSERT_TRUE(DrawEdge(c.Dc(), &unchanged, EDGE_RAISED, BF_RECT));
    EXPECT_EQ(1, unchanged.left);
    EXPECT_EQ(8, unchanged.bottom);
}

TEST(GdiFrameEdge, DiagonalRunsCornerToCorner) {
    DistinctSysColors colors;
    EXPECT_EQ(Pixels(R"(
-------
-----L-
----L--
---L---
--L----
-L-----
-------
)"),
              Edge(5, 5, BDR_RAISEDOUTER, BF_DIAGONAL_ENDTOPRIGHT));
    EXPECT_EQ(Pixels(R"(
-------
-DS----
--DS---
---DS--
----DS-
-----D-
-------
)"),
              Edge(5, 5, EDGE_RAISED, BF_DIAGONAL_ENDBOTTOMRIGHT | BF_SOFT));
    EXPECT_EQ(Pixels(R"(
-------
-SDFFF-
--SDFF-
---SDF-
----SD-
-----S-
-------
)"),
              Edge(5, 5, EDGE_SUNKEN, BF_DIAGONAL_ENDTOPLEFT | BF_MIDDLE));
}

TEST(GdiFrameEdge, ColoursAreTheSystemColoursOfTheCall) {
    TSysColorChangeHook old = SetSysColorChangeHook(nullptr);
    INT index = COLOR_3DSHADOW;
    COLORREF original = GetSysColor(index), changed = RGB(1, 2, 3);
    ASSERT_TRUE(SetSysColors(1, &index, &changed));
    Canvas c(4, 4, Background);
    RECT r{0, 0, 4, 4};
    DrawEdge(c.Dc(), &r, BDR_SUNKENOUTER, BF_RECT);
    SetSysColors(1, &index, &original);
    SetSysColorChangeHook(old);
    EXPECT_EQ(changed, c.Pixel(0, 0));
    EXPECT_EQ(changed, c.Pixel(2, 0));
    EXPECT_EQ(GetSysColor(COLOR_3DHIGHLIGHT), c.Pixel(3, 3));
}

TEST(GdiFrameEdge, RefusesWhatItCannotDraw) {
    Canvas c(4, 4);
    RECT r{0, 0, 4, 4};
    EXPECT_FALSE(DrawEdge(c.Dc(), nullptr, EDGE_RAISED, BF_RECT));
    EXPECT_FALSE(DrawEdge(nullptr, &r, EDGE_RAISED, BF_RECT));
    EXPECT_FALSE(DrawFrameControl(c.Dc(), &r, 99, 0));
    EXPECT_FALSE(DrawFrameControl(c.Dc(), nullptr, DFC_BUTTON, 0));
    EXPECT_FALSE(DrawFrameControl(c.Dc(), &r, DFC_SCROLL, 4));
    EXPECT_FALSE(DrawFrameControl(c.Dc(), &r, DFC_CAPTION, 9));
    EXPECT_FALSE(DrawFocusRect(nullptr, &r));
    // Empty and inverted rectangles draw nothing.
    RECT empty{3, 3, 1, 1};
    EXPECT_TRUE(DrawEdge(c.Dc(), &empty, EDGE_RAISED, BF_RECT | BF_MIDDLE));
    EXPECT_TRUE(DrawFrameControl(c.Dc(), &empty, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
    EXPECT_EQ(Pixels(R"(
####
####
####
####
)"),
              c.Map(RGB(255, 255, 255)));
}

// The check box the standard controls and the suite's measurement use: 13 pixels, a sunken
// two-pixel edge, a 9-pixel well and a 7 x 7 check.
TEST(GdiFrameButton, CheckBoxGlyph) {
    DistinctSysColors colors;
    EXPECT_EQ(Pixels(R"(
SSSSSSSSSSSSW
SDDDDDDDDDDLW
SDwwwwwwwwwLW
SDwwwwwwwtwLW
SDwwwwwwttwLW
SDwtwwwtttwLW
SDwttwtttwwLW
SDwtttttwwwLW
SDwwtttwwwwLW
SDwwwtwwwwwLW
SDwwwwwwwwwLW
SLLLLLLLLLLLW
WWWWWWWWWWWWW
)"),
              Frame(13, 13, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
    // Pushed and inactive wells are grey; the inactive check is grey text.
    std::string inactive = Frame(13, 13, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_INACTIVE);
    EXPECT_EQ("SDFFFFFFFgFLW", inactive.substr(3 * 14, 13));
    std::string flat = Frame(13, 13, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT);
    EXPECT_EQ("SSSSSSSSSSSSS", flat.substr(0, 13));
    EXPECT_EQ("SwwwwwwwwwwwS", flat.substr(14, 13));
    // A wider rectangle takes the square in its middle.
    std::string wide = Frame(17, 13, DFC_BUTTON, DFCS_BUTTONCHECK);
    EXPECT_EQ("--SSSSSSSSSSSSW--", wide.substr(0, 17));
}

// The suite finds the radio glyph's size by drawing the flat, checked radio mask on a black
// cell of the check-box bitmap's size and counting the columns and rows that stay black.
TEST(GdiFrameButton, RadioMaskOfTheCell) {
    Canvas c(13, 13, RGB(0, 0, 0));
    RECT r{0, 0, 13, 13};
    ASSERT_TRUE(DrawFrameControl(c.Dc(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT | DFCS_CHECKED));
    EXPECT_EQ(Pixels(R"(
....####.....
..########...
.##########..
.##########..
############.
############.
############.
############.
.##########..
.##########..
..########...
....####.....
.............
)"),
              c.Map(RGB(0, 0, 0)));
    int columns = 0, rows = 0;
    for (int x = 0; x < 13; ++x) {
        bool black = false;
        for (int y = 0; y < 13; ++y)
            black = black || c.Pixel(x, y) == 0;
        columns += black;
    }
    for (int y = 0; y < 13; ++y) {
        bool black = false;
        for (int x = 0; x < 13; ++x)
            black = black || c.Pixel(x, y) == 0;
        rows += black;
    }
    EXPECT_EQ(12, columns);
    EXPECT_EQ(12, rows);
}

TEST(GdiFrameButton, RadioImageAndMaskCombine) {
    DistinctSysColors colors;
    EXPECT_EQ(Pixels(R"(
----SSSS-----
--SSDDDDSS---
-SDDwwwwDLW--
-SDwwwwwwLW--
SDwwwttwwwLW-
SDwwttttwwLW-
SDwwttttwwLW-
SDwwwttwwwLW-
-SDwwwwwwLW--
-SLLwwwwLLW--
--WWLLLLWW---
----WWWW-----
-------------
)"),
              Frame(13, 13, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED));
    // The image blacks out the square around the button, so that ANDing the mask onto any
    // background and ORing the image leaves the button on that background.
    Canvas image(13, 13, Background), mask(13, 13, Background), target(13, 13, RGB(0, 0, 255));
    RECT r{0, 0, 13, 13};
    DrawFrameControl(image.Dc(), &r, DFC_BUTTON, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED);
    DrawFrameControl(mask.Dc(), &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK);
    BitBlt(target.Dc(), 0, 0, 13, 13, mask.Dc(), 0, 0, SRCAND);
    BitBlt(target.Dc(), 0, 0, 13, 13, image.Dc(), 0, 0, SRCPAINT);
    Canvas direct(13, 13, RGB(0, 0, 255));
    DrawFrameControl(direct.Dc(), &r, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    EXPECT_EQ(direct.Map(Legend), target.Map(Legend));
    EXPECT_EQ(RGB(0, 0, 0), image.Pixel(0, 0));
    EXPECT_EQ(RGB(0, 0, 0), image.Pixel(12, 12));
}

TEST(GdiFrameButton, PushButtonStatesAndAdjustedFace) {
    DistinctSysColors colors;
    EXPECT_EQ(Pixels(R"(
WWWWWD
WLLLSD
WLFFSD
WLFFSD
WSSSSD
DDDDDD
)"),
              Frame(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_EQ(Pixels(R"(
KKKKKK
KSSSSK
KSFFSK
KSFFSK
KSSSSK
KKKKKK
)"),
              Frame(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
    EXPECT_EQ(Pixels(R"(
SSSSSS
SFFFFS
SFFFFS
SFFFFS
SFFFFS
SSSSSS
)"),
              Frame(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT));
    // A hot flat button stands out like a plain one.
    EXPECT_EQ(Frame(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH),
              Frame(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_HOT));
    // Latched: sunken with a dithered face.
    EXPECT_EQ(Pixels(R"(
DDDDDW
DSSSLW
DSWFLW
DSFWLW
DLLLLW
WWWWWW
)"),
              Frame(6, 6, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_CHECKED));
    Canvas c(20, 10);
    RECT r{2, 1, 18, 9};
    ASSERT_TRUE(DrawFrameControl(c.Dc(), &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT));
    EXPECT_EQ(4, r.left);
    EXPECT_EQ(3, r.top);
    EXPECT_EQ(16, r.right);
    EXPECT_EQ(7, r.bottom);
}

TEST(GdiFrameScroll, ArrowsPointTheirWay) {
    DistinctSysColors colors;
    struct Case {
        UINT State;
        std::string Expected;
    };
    // The arrow head of an 8-pixel button: two rows deep, centred.
    const std::vector<Case> cases = {
        {DFCS_SCROLLUP, Pixels(R"(
LLLLLLLD
LWWWWWSD
LWFFFFSD
LWFbFFSD
LWbbbFSD
LWFFFFSD
LSSSSSSD
DDDDDDDD
)")},
        {DFCS_SCROLLDOWN, Pixels(R"(
LLLLLLLD
LWWWWWSD
LWFFFFSD
LWbbbFSD
LWFbFFSD
LWFFFFSD
LSSSSSSD
DDDDDDDD
)")},
        {DFCS_SCROLLCOMBOBOX, Pixels(R"(
LLLLLLLD
LWWWWWSD
LWFFFFSD
LWbbbFSD
LWFbFFSD
LWFFFFSD
LSSSSSSD
DDDDDDDD
)")},
        {DFCS_SCROLLLEFT, Pixels(R"(
LLLLLLLD
LWWWWWSD
LWFFbFSD
LWFbbFSD
LWFFbFSD
LWFFFFSD
LSSSSSSD
DDDDDDDD
)")},
        {DFCS_SCROLLRIGHT, Pixels(R"(
LLLLLLLD
LWWWWWSD
LWFbFFSD
LWFbbFSD
LWFbFFSD
LWFFFFSD
LSSSSSSD
DDDDDDDD
)")},
        // Pressed (as the suite draws it): a flat frame; with DFCS_PUSHED the arrow moves too.
        {DFCS_SCROLLUP | DFCS_FLAT, Pixels(R"(
SSSSSSSS
SFFFFFFS
SFFFFFFS
SFFbFFFS
SFbbbFFS
SFFFFFFS
SFFFFFFS
SSSSSSSS
)")},
        {DFCS_SCROLLUP | DFCS_PUSHED, Pixels(R"(
SSSSSSSS
SFFFFFFS
SFFFFFFS
SFFFFFFS
SFFFbFFS
SFFbbbFS
SFFFFFFS
SSSSSSSS
)")},
        // Inactive: embossed in highlight and shadow.
        {DFCS_SCROLLUP | DFCS_INACTIVE, Pixels(R"(
LLLLLLLD
LWWWWWSD
LWFFFFSD
LWFSFFSD
LWSSSFSD
LWFWWWSD
LSSSSSSD
DDDDDDDD
)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.State);
        EXPECT_EQ(c.Expected, Frame(8, 8, DFC_SCROLL, c.State));
    }
}

TEST(GdiFrameScroll, SizeGripFillsTheCorner) {
    DistinctSysColors colors;
    // Counted from the corner: a gap of face, two shadow lines and a highlight line, again.
    EXPECT_EQ(Pixels(R"(
FFFFFFFF
FFFFFFFS
FFFFFFSS
FFFFFSSF
FFFFSSFW
FFFSSFWS
FFSSFWSS
FSSFWSSF
)"),
              Frame(8, 8, DFC_SCROLL, DFCS_SCROLLSIZEGRIP));
    EXPECT_EQ(Pixels(R"(
FFFFFFFF
SFFFFFFF
SSFFFFFF
FSSFFFFF
WFSSFFFF
SWFSSFFF
SSWFSSFF
FSSWFSSF
)"),
              Frame(8, 8, DFC_SCROLL, DFCS_SCROLLSIZEGRIPRIGHT));
    EXPECT_EQ(Pixels(R"(
--------
-------S
------SS
-----SS-
----SS-W
---SS-WS
--SS-WSS
-SS-WSS-
)"),
              Frame(8, 8, DFC_SCROLL, DFCS_SCROLLSIZEGRIP | DFCS_TRANSPARENT));
}

TEST(GdiFrameMenu, GlyphsAreBlackOnWhite) {
    const std::vector<std::pair<COLORREF, char>> mono = {{RGB(0, 0, 0), '#'}, {RGB(255, 255, 255), '.'}};
    auto menu = [&](UINT state, COLORREF fill = RGB(255, 0, 0)) {
        Canvas c(13, 13, fill);
        RECT r{0, 0, 13, 13};
        EXPECT_TRUE(DrawFrameControl(c.Dc(), &r, DFC_MENU, state));
        return c.Map(mono, '-');
    };
    EXPECT_EQ(Pixels(R"(
.............
.............
.............
....#........
....##.......
....###......
....####.....
....###......
....##.......
....#........
.............
.............
.............
)"),
              menu(DFCS_MENUARROW));
    EXPECT_EQ(Pixels(R"(
.............
.............
.............
.........#...
........##...
...#...###...
...##.###....
...#####.....
....###......
.....#.......
.............
.............
.............
)"),
              menu(DFCS_MENUCHECK));
    EXPECT_EQ(Pixels(R"(
.............
.............
.............
.............
.....##......
....####.....
....####.....
.....##......
.............
.............
.............
.............
.............
)"),
              menu(DFCS_MENUBULLET));
    std::string left = menu(DFCS_MENUARROWRIGHT);
    EXPECT_EQ("....####.....", left.substr(6 * 14, 13));
    EXPECT_EQ(".......#.....", left.substr(3 * 14, 13));
    std::string transparent = menu(DFCS_MENUBULLET | DFCS_TRANSPARENT);
    EXPECT_EQ("-----##------", transparent.substr(4 * 14, 13));
}

TEST(GdiFrameCaption, GlyphsSitInRaisedButtons) {
    DistinctSysColors colors;
    std::string close = Frame(16, 14, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    EXPECT_EQ(Pixels(R"(
WWWWWWWWWWWWWWWD
WLLLLLLLLLLLLLSD
WLFFFFFFFFFFFFSD
WLFFbbFFFFbbFFSD
WLFFFbbFFbbFFFSD
WLFFFFbbbbFFFFSD
WLFFFFFbbFFFFFSD
WLFFFFbbbbFFFFSD
WLFFFbbFFbbFFFSD
WLFFbbFFFFbbFFSD
WLFFFFFFFFFFFFSD
WLFFFFFFFFFFFFSD
WSSSSSSSSSSSSSSD
DDDDDDDDDDDDDDDD
)"),
              close);
    std::string pushed = Frame(16, 14, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED);
    EXPECT_EQ("KSFFFbbFFFFbbFSK", pushed.substr(4 * 17, 16));
    std::string inactive = Frame(16, 14, DFC_CAPTION, DFCS_CAPTIONMIN | DFCS_INACTIVE);
    EXPECT_EQ("WLFFFSSSSSSFFFSD", inactive.substr(8 * 17, 16));
    EXPECT_EQ("WLFFFSSSSSSWFFSD", inactive.substr(9 * 17, 16));
    EXPECT_EQ("WLFFFFWWWWWWFFSD", inactive.substr(10 * 17, 16));
}

TEST(GdiFrameFocus, DrawingTwiceRestores) {
    Canvas c(12, 9);
    // A background of many colours, so that any pixel the second call misses shows.
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            SetPixelV(c.Dc(), x, y, RGB(x * 20, y * 25, (x * y) % 256));
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            pixels.push_back(c.Pixel(x, y));
    RECT r{1, 1, 11, 8};
    ASSERT_TRUE(DrawFocusRect(c.Dc(), &r));
    int changed = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            changed += c.Pixel(x, y) != pixels[y * 12 + x];
    EXPECT_EQ(15, changed) << "every other pixel of the 30-pixel outline";
    ASSERT_TRUE(DrawFocusRect(c.Dc(), &r));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(pixels[y * 12 + x], c.Pixel(x, y)) << x << "," << y;
}

TEST(GdiFrameFocus, DottedOutlineInTheContextColours) {
    Canvas c(8, 6, RGB(0, 0, 0));
    SetBkMode(c.Dc(), TRANSPARENT); // the dots do not depend on the background mode
    RECT r{1, 1, 7, 5};
    ASSERT_TRUE(DrawFocusRect(c.Dc(), &r));
    EXPECT_EQ(Pixels(R"(
........
.#.#.#..
......#.
.#......
..#.#.#.
........
)"),
              c.Map(RGB(255, 255, 255)));
    // With the text colour white too, every outline pixel flips.
    Canvas both(8, 6, RGB(0, 0, 0));
    SetTextColor(both.Dc(), RGB(255, 255, 255));
    ASSERT_TRUE(DrawFocusRect(both.Dc(), &r));
    EXPECT_EQ(Pixels(R"(
........
.######.
.#....#.
.#....#.
.######.
........
)"),
              both.Map(RGB(255, 255, 255)));
}

// ---- Sheets for a person to look at ------------------------------------------------------

// Cells of a grid on one canvas: each drawn in a frame of background with a gap around it.
class Sheet {
public:
    Sheet(int columns, int rows, int cellWidth, int cellHeight)
        : FCanvas(columns * (cellWidth + 4) + 4, rows * (cellHeight + 4) + 4, RGB(0, 128, 128)),
          FCellWidth(cellWidth), FCellHeight(cellHeight) {}
    RECT Cell(int column, int row, int width = 0, int height = 0) {
        LONG left = 4 + column * (FCellWidth + 4), top = 4 + row * (FCellHeight + 4);
        RECT r{left, top, left + (width ? width : FCellWidth), top + (height ? height : FCellHeight)};
        HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_3DFACE));
        RECT full{left, top, left + FCellWidth, top + FCellHeight};
        FillRect(FCanvas.Dc(), &full, face);
        DeleteObject(face);
        return r;
    }
    HDC Dc() const { return FCanvas.Dc(); }
    void Save(const std::string& name, int scale) { gditest::SaveSheet(name, {&FCanvas}, scale); }

private:
    Canvas FCanvas;
    int FCellWidth, FCellHeight;
};

struct Kind {
    UINT Type, State;
    int Width, Height;
};

// One row per kind, one column per state.
void FrameControlSheet(const std::string& name, const std::vector<Kind>& kinds) {
    const UINT states[] = {0,
                           DFCS_CHECKED,
                           DFCS_PUSHED,
                           DFCS_PUSHED | DFCS_CHECKED,
                           DFCS_INACTIVE,
                           DFCS_INACTIVE | DFCS_CHECKED,
                           DFCS_HOT,
                           DFCS_FLAT,
                           DFCS_FLAT | DFCS_CHECKED,
                           DFCS_FLAT | DFCS_HOT,
                           DFCS_MONO,
                           DFCS_MONO | DFCS_CHECKED,
                           DFCS_TRANSPARENT};
    Sheet sheet(int(std::size(states)), int(kinds.size()), 32, 28);
    for (int row = 0; row < int(kinds.size()); ++row)
        for (int column = 0; column < int(std::size(states)); ++column) {
            const Kind& k = kinds[row];
            RECT r = sheet.Cell(column, row, k.Width, k.Height);
            EXPECT_TRUE(DrawFrameControl(sheet.Dc(), &r, k.Type, k.State | states[column]));
        }
    sheet.Save(name, 3);
}

TEST(GdiFrameSheet, EveryFrameControlKindAndState) {
    FrameControlSheet("GdiFrameButtons", {{DFC_BUTTON, DFCS_BUTTONCHECK, 13, 13},
                                          {DFC_BUTTON, DFCS_BUTTON3STATE, 13, 13},
                                          {DFC_BUTTON, DFCS_BUTTONRADIO, 13, 13},
                                          {DFC_BUTTON, DFCS_BUTTONRADIOIMAGE, 13, 13},
                                          {DFC_BUTTON, DFCS_BUTTONRADIOMASK, 13, 13},
                                          {DFC_BUTTON, DFCS_BUTTONPUSH, 24, 16},
                                          {DFC_BUTTON, DFCS_BUTTONCHECK, 24, 24},
                                          {DFC_BUTTON, DFCS_BUTTONRADIO, 24, 24}});
    FrameControlSheet("GdiFrameScrolls", {{DFC_SCROLL, DFCS_SCROLLUP, 16, 16},
                                          {DFC_SCROLL, DFCS_SCROLLDOWN, 16, 16},
                                          {DFC_SCROLL, DFCS_SCROLLLEFT, 16, 16},
                                          {DFC_SCROLL, DFCS_SCROLLRIGHT, 16, 16},
                                          {DFC_SCROLL, DFCS_SCROLLCOMBOBOX, 17, 20},
                                          {DFC_SCROLL, DFCS_SCROLLSIZEGRIP, 16, 16},
                                          {DFC_SCROLL, DFCS_SCROLLSIZEGRIPRIGHT, 16, 16}});
    FrameControlSheet("GdiFrameCaptionsMenus", {{DFC_CAPTION, DFCS_CAPTIONCLOSE, 16, 14},
                                                {DFC_CAPTION, DFCS_CAPTIONMIN, 16, 14},
                                                {DFC_CAPTION, DFCS_CAPTIONMAX, 16, 14},
                                                {DFC_CAPTION, DFCS_CAPTIONRESTORE, 16, 14},
                                                {DFC_CAPTION, DFCS_CAPTIONHELP, 16, 14},
                                                {DFC_CAPTION, DFCS_CAPTIONCLOSE, 32, 28},
                                                {DFC_MENU, DFCS_MENUARROW, 13, 13},
                                                {DFC_MENU, DFCS_MENUCHECK, 13, 13},
                                                {DFC_MENU, DFCS_MENUBULLET, 13, 13},
                                                {DFC_MENU, DFCS_MENUARROWRIGHT, 13, 13}});
}

TEST(GdiFrameSheet, EveryEdgeAndFlag) {
    const UINT edges[] = {BDR_RAISEDOUTER, BDR_SUNKENOUTER, BDR_RAISEDINNER, BDR_SUNKENINNER,
                          EDGE_RAISED,     EDGE_SUNKEN,     EDGE_ETCHED,     EDGE_BUMP};
    const UINT flags[] = {BF_RECT,
                          BF_RECT | BF_MIDDLE,
                          BF_RECT | BF_SOFT,
                          BF_RECT | BF_FLAT | BF_MIDDLE,
                          BF_RECT | BF_MONO | BF_MIDDLE,
                          BF_TOPLEFT,
                          BF_BOTTOMRIGHT,
                          BF_LEFT | BF_RIGHT,
                          BF_DIAGONAL_ENDTOPRIGHT,
                          BF_DIAGONAL_ENDTOPLEFT,
                          BF_DIAGONAL_ENDBOTTOMLEFT,
                          BF_DIAGONAL_ENDBOTTOMRIGHT | BF_MIDDLE};
    Sheet sheet(int(std::size(flags)), int(std::size(edges)) + 1, 20, 16);
    for (int row = 0; row < int(std::size(edges)); ++row)
        for (int column = 0; column < int(std::size(flags)); ++column) {
            RECT r = sheet.Cell(column, row);
            EXPECT_TRUE(DrawEdge(sheet.Dc(), &r, edges[row], flags[column]));
        }
    // The last row: focus rectangles on a face, once and (in the second cell) twice.
    RECT once = sheet.Cell(0, int(std::size(edges)));
    InflateRect(&once, -2, -2);
    DrawFocusRect(sheet.Dc(), &once);
    RECT twice = sheet.Cell(1, int(std::size(edges)));
    InflateRect(&twice, -2, -2);
    DrawFocusRect(sheet.Dc(), &twice);
    DrawFocusRect(sheet.Dc(), &twice);
    sheet.Save("GdiFrameEdges", 4);
}

} // namespace

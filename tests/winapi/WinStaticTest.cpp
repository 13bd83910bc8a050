// The static window class: the kinds of static as drawn, text placement, wrapping and ellipses,
// the parent's colours, images set by message, and the mouse with and without SS_NOTIFY.
#include <gtest/gtest.h>

#include "platform/winapi/Cursor.h"
#include "platform/winapi/GdiText.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinOwnerDraw.h"
#include "platform/winapi/WinStatic.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr COLORREF Back = RGB(200, 230, 250);
constexpr COLORREF Ink = RGB(160, 0, 40);

class WinStaticTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        Brush = CreateSolidBrush(Back);
        // The parent answers WM_CTLCOLORSTATIC with its own brush and text colour.
        Rec.Handler = [this](HWND, UINT m, WPARAM w, LPARAM, LRESULT& r) {
            if (m != WM_CTLCOLORSTATIC) return false;
            SetTextColor(HDC(w), Ink);
            r = LRESULT(Brush);
            return true;
        };
        Parent = Make(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400, 300);
        SetFocus(Parent);
        PumpAll();
        Rec.Clear();
    }
    void TearDown() override {
        WinTest::TearDown();
        DeleteObject(Brush);
    }

    HWND Static(DWORD style, int x, int y, int w, int h, const char* text = "", int id = 1) {
        HWND s = Make(WS_CHILD | WS_VISIBLE | style, x, y, w, h, Parent, 0, WC_STATICA, text,
                      reinterpret_cast<HMENU>(std::intptr_t(id)));
        SendMessageA(s, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return s;
    }

    // A pixel of a window's client area as its top-level image has it.
    COLORREF At(HWND window, int x, int y) const { return ClientPixel(Parent, window, x, y); }
    // The box around the pixels of the text colour in a window's client area (empty: none).
    RECT InkBox(HWND window) const {
        RECT client;
        GetClientRect(window, &client);
        RECT box{client.right, client.bottom, 0, 0};
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x)
                if (At(window, x, y) == Ink) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right == 0) return RECT{};
        return box;
    }
    int Notes(HWND window, WORD code) const {
        int n = 0;
        for (const Seen& s : Rec.Log)
            if (s.Window == Parent && s.Message == WM_COMMAND && HIWORD(s.WParam) == code &&
                HWND(s.LParam) == window)
                ++n;
        return n;
    }
    int LineHeight() const {
        HDC dc = GetDC(Parent);
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        RECT r{0, 0, 1000, 1000};
        DrawTextA(dc, "Ag", -1, &r, DT_SINGLELINE | DT_CALCRECT);
        ReleaseDC(Parent, dc);
        return r.bottom - r.top;
    }

    HWND Parent = nullptr;
    HBRUSH Brush = nullptr;
};

TEST_F(WinStaticTest, RectanglesFramesAndEtchedLines) {
    const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME), shadow = GetSysColor(COLOR_3DSHADOW),
                   light = GetSysColor(COLOR_3DHILIGHT), window = GetSysColor(COLOR_WINDOW);
    struct Probe {
        int X, Y;
        COLORREF Expected;
    };
    struct Case {
        const char* Name;
        DWORD Style;
        std::vector<Probe> Probes;
    };
    // The parent's own background is the window colour; frames leave their inside to it.
    const std::vector<Case> cases = {
        {"black rectangle", SS_BLACKRECT, {{0, 0, frame}, {15, 10, frame}}},
        {"grey rectangle", SS_GRAYRECT, {{0, 0, shadow}, {15, 10, shadow}}},
        {"white rectangle", SS_WHITERECT, {{0, 0, window}, {15, 10, window}}},
        {"black frame", SS_BLACKFRAME, {{0, 0, frame}, {29, 19, frame}, {15, 10, window}}},
        {"grey frame", SS_GRAYFRAME, {{0, 10, shadow}, {29, 10, shadow}, {15, 10, window}}},
        {"etched frame",
         SS_ETCHEDFRAME,
         {{0, 10, shadow}, {1, 10, light}, {28, 10, shadow}, {29, 10, light}}},
        {"etched horizontal line", SS_ETCHEDHORZ, {{15, 0, shadow}, {15, 1, light}, {15, 10, window}}},
        {"etched vertical line", SS_ETCHEDVERT, {{0, 10, shadow}, {1, 10, light}, {15, 10, window}}},
    };
    int x = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND s = Static(c.Style, x, 10, 30, 20);
        x += 40;
        PumpAll();
        for (const Probe& p : c.Probes) {
            SCOPED_TRACE(testing::Message() << "at " << p.X << "," << p.Y);
            EXPECT_EQ(At(s, p.X, p.Y), p.Expected);
        }
    }
    EXPECT_EQ(Rec.Count(WM_CTLCOLORSTATIC), 0) << "plain shapes need no colours";
}

TEST_F(WinStaticTest, TextTakesTheParentsColoursAndItsAlignment) {
    struct Case {
        const char* Name;
        DWORD Style;
    };
    const std::vector<Case> cases = {
        {"left", SS_LEFT}, {"centre", SS_CENTER}, {"right", SS_RIGHT}, {"simple", SS_SIMPLE}};
    std::vector<RECT> boxes;
    int y = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND s = Static(c.Style, 10, y, 200, 20, "Text");
        y += 25;
        PumpAll();
        const Seen* color = Rec.Find(WM_CTLCOLORSTATIC, Parent);
        ASSERT_NE(color, nullptr);
        EXPECT_EQ(HWND(color->LParam), s);
        EXPECT_EQ(At(s, 199, 19), Back);
        RECT box = InkBox(s);
        EXPECT_FALSE(IsRectEmpty(&box)) << "the text in the parent's colour";
        boxes.push_back(box);
        Rec.Clear();
    }
    EXPECT_LT(boxes[0].left, 4);
    EXPECT_GT(boxes[1].left, 60);
    EXPECT_LT(boxes[1].right, 140);
    EXPECT_GT(boxes[2].right, 196);
    EXPECT_LT(boxes[3].left, 4);
}

TEST_F(WinStaticTest, WrappingEllipsesAndPrefixes) {
    int line = LineHeight();
    const char* text = "Some words that need more than one line";
    struct Case {
        const char* Name;
        DWORD Style;
        bool Wraps;
    };
    const std::vector<Case> cases = {
        {"left wraps", SS_LEFT, true},
        {"centre wraps", SS_CENTER, true},
        {"no word wrap", SS_LEFTNOWORDWRAP, false},
        {"simple", SS_SIMPLE, false},
        {"end ellipsis", SS_LEFT | SS_ENDELLIPSIS, false},
        {"word ellipsis", SS_LEFT | SS_WORDELLIPSIS, false},
        {"centred vertically", SS_LEFT | SS_CENTERIMAGE, false},
    };
    int y = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        HWND s = Static(c.Style, 10, y, 90, 3 * line, text);
        y += 3 * line + 2;
        PumpAll();
        RECT box = InkBox(s);
        ASSERT_FALSE(IsRectEmpty(&box));
        EXPECT_EQ(box.bottom - box.top > line, c.Wraps);
    }

    // "&" marks a mnemonic unless SS_NOPREFIX: drawn, the prefix version is narrower.
    HWND prefixed = Static(SS_LEFT, 200, 0, 150, 20, "&&&&&&A");
    HWND plain = Static(SS_LEFT | SS_NOPREFIX, 200, 30, 150, 20, "&&&&&&A");
    PumpAll();
    RECT a = InkBox(prefixed), b = InkBox(plain);
    EXPECT_LT(a.right - a.left, b.right - b.left);
}

TEST_F(WinStaticTest, DisabledTextIsEmbossedAndRepaintsOnChange) {
    HWND s = Static(SS_LEFT, 10, 10, 150, 20, "Disabled");
    PumpAll();
    RECT enabled = InkBox(s);
    EXPECT_FALSE(IsRectEmpty(&enabled));
    EnableWindow(s, FALSE);
    PumpAll();
    RECT none = InkBox(s);
    EXPECT_TRUE(IsRectEmpty(&none)) << "not in the enabled colour";
    int shadow = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 150; ++x)
            shadow += At(s, x, y) == GetSysColor(COLOR_3DSHADOW);
    EXPECT_GT(shadow, 10);

    EnableWindow(s, TRUE);
    PumpAll();
    RECT before = InkBox(s);
    SetWindowTextA(s, "A much longer text");
    RECT update;
    EXPECT_TRUE(GetUpdateRect(s, &update, FALSE));
    PumpAll();
    RECT after = InkBox(s);
    EXPECT_GT(after.right, before.right);
}

TEST_F(WinStaticTest, MouseGoesThroughUnlessNotify) {
    HWND quiet = Static(SS_LEFT, 10, 10, 100, 20, "Quiet", 1);
    HWND notify = Static(SS_LEFT | SS_NOTIFY, 10, 50, 100, 20, "Notify", 2);
    PumpAll();
    EXPECT_EQ(SendMessageA(quiet, WM_NCHITTEST, 0, PointToLParam(Screen(quiet, 5, 5))), HTTRANSPARENT);
    EXPECT_EQ(SendMessageA(notify, WM_NCHITTEST, 0, PointToLParam(Screen(notify, 5, 5))), HTCLIENT);
    EXPECT_EQ(SendMessageA(quiet, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
    Rec.Clear();

    WinInputMouseButton(Screen(quiet, 5, 5), TWinMouseButton::Left, true);
    WinInputMouseButton(Screen(quiet, 5, 5), TWinMouseButton::Left, false);
    PumpAll();
    const Seen* down = Rec.Find(WM_LBUTTONDOWN, Parent);
    ASSERT_NE(down, nullptr) << "the parent got the click";
    EXPECT_EQ(MakePointFromLParam(down->LParam).x, 15);
    EXPECT_EQ(Notes(quiet, STN_CLICKED), 0);

    Rec.Clear();
    for (int i = 0; i < 2; ++i) {
        WinInputMouseButton(Screen(notify, 5, 5), TWinMouseButton::Left, true);
        WinInputMouseButton(Screen(notify, 5, 5), TWinMouseButton::Left, false);
    }
    PumpAll();
    EXPECT_EQ(Rec.Find(WM_LBUTTONDOWN, Parent), nullptr);
    EXPECT_EQ(Notes(notify, STN_CLICKED), 1);
    EXPECT_EQ(Notes(notify, STN_DBLCLK), 1);
    EnableWindow(notify, FALSE);
    EnableWindow(notify, TRUE);
    EXPECT_EQ(Notes(notify, STN_DISABLE), 1);
    EXPECT_EQ(Notes(notify, STN_ENABLE), 1);
}

TEST_F(WinStaticTest, ImagesBySetImage) {
    const COLORREF red = RGB(255, 0, 0);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 6);
    ReleaseDC(nullptr, screen);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH redBrush = CreateSolidBrush(red);
    RECT all{0, 0, 8, 6};
    FillRect(memory, &all, redBrush);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(redBrush);

    // A bitmap static takes the bitmap's size; a centring one keeps its own.
    HWND fit = Static(SS_BITMAP, 10, 10, 50, 50);
    HWND centred = Static(SS_BITMAP | SS_CENTERIMAGE, 100, 10, 40, 30);
    for (HWND s : {fit, centred}) {
        EXPECT_EQ(SendMessageA(s, STM_SETIMAGE, IMAGE_ICON, LPARAM(bitmap)), 0) << "not an icon static";
        EXPECT_EQ(SendMessageA(s, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        EXPECT_EQ(SendMessageA(s, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(bitmap)), 0);
        EXPECT_EQ(SendMessageA(s, STM_GETIMAGE, IMAGE_BITMAP, 0), LPARAM(bitmap));
        EXPECT_EQ(SendMessageA(s, STM_GETIMAGE, IMAGE_ICON, 0), 0);
    }
    PumpAll();
    RECT r;
    GetClientRect(fit, &r);
    EXPECT_EQ(r.right, 8);
    EXPECT_EQ(r.bottom, 6);
    EXPECT_EQ(At(fit, 0, 0), red);
    EXPECT_EQ(At(fit, 7, 5), red);
    GetClientRect(centred, &r);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(At(centred, 16, 12), red);
    EXPECT_EQ(At(centred, 20, 17), red);
    EXPECT_EQ(At(centred, 15, 12), Back);
    EXPECT_EQ(At(centred, 24, 12), Back);

    // Icons: by STM_SETICON or STM_SETIMAGE, each returning the one before.
    HWND icon = Static(SS_ICON, 200, 10, 10, 10);
    HICON app = LoadIconA(nullptr, IDI_APPLICATION);
    HICON hand = LoadIconA(nullptr, IDI_HAND);
    EXPECT_EQ(SendMessageA(icon, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(bitmap)), 0);
    EXPECT_EQ(SendMessageA(icon, STM_SETICON, WPARAM(app), 0), 0);
    EXPECT_EQ(SendMessageA(icon, STM_GETICON, 0, 0), LRESULT(app));
    EXPECT_EQ(SendMessageA(icon, STM_SETIMAGE, IMAGE_ICON, LPARAM(hand)), LRESULT(app));
    EXPECT_EQ(SendMessageA(icon, STM_GETIMAGE, IMAGE_ICON, 0), LRESULT(hand));
    GetClientRect(icon, &r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXICON));
    PumpAll();

    DestroyWindow(fit);
    DestroyWindow(centred);
    // The caller still owns the bitmap.
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(WinStaticTest, SunkenAndOwnerDrawn) {
    HWND sunken = Static(SS_LEFT | SS_SUNKEN, 10, 10, 100, 20, "Sunken");
    EXPECT_TRUE(GetWindowLongA(sunken, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    RECT client;
    GetClientRect(sunken, &client);
    EXPECT_EQ(client.right, 98);
    PumpAll();
    EXPECT_EQ(At(sunken, -1, -1), GetSysColor(COLOR_3DSHADOW));

    std::vector<DRAWITEMSTRUCT> items;
    Rec.Handler = [&](HWND, UINT m, WPARAM, LPARAM l, LRESULT& r) {
        if (m != WM_DRAWITEM) return false;
        items.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        r = TRUE;
        return true;
    };
    HWND owner = Static(SS_OWNERDRAW, 10, 50, 60, 20, "", 77);
    PumpAll();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].CtlType, ODT_STATIC);
    EXPECT_EQ(items[0].CtlID, 77u);
    EXPECT_EQ(items[0].itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(items[0].hwndItem, owner);
    EXPECT_EQ(items[0].rcItem.right, 60);
    EnableWindow(owner, FALSE);
    PumpAll();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].itemState, ODS_DISABLED);
}

} // namespace

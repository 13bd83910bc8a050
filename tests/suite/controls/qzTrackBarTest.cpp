// The suite's track bar: bounds and value reading, the layout, the tick marks, keys, clicks and
// drags, and the pixels of its track, ticks and thumbs.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "suite/controls/qzExtEditUtils.h"
#include "suite/controls/qzTrackBar.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"

namespace {

std::string R(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

struct EventLog : TObject {
    void Change(TObject*) { ++Changes; }
    Integer Changes = 0;
};

class TrackBar : public testsupport::TFormFixture {
protected:
    void TearDown() override {
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        testsupport::TFormFixture::TearDown();
    }
    TqzTrackBar* MakeBar(Integer max = 10) {
        auto* bar = new TqzTrackBar(Form);
        bar->SetParent(Form);
        bar->SetLeft(10);
        bar->SetTop(10);
        bar->GetProperties()->SetMax(max);
        bar->GetProperties()->OnChange = MakeEvent(&Log, &EventLog::Change);
        Form->Show();
        App->ProcessMessages();
        return bar;
    }
    TqzCustomTrackBarViewInfo* Info(TqzTrackBar* bar) {
        bar->UpdateViewAtCursor();
        return bar->GetTrackBarViewInfo();
    }
    void Key(TqzTrackBar* bar, Word key) {
        SendMessageA(bar->GetHandle(), WM_KEYDOWN, key, 0);
        SendMessageA(bar->GetHandle(), WM_KEYUP, key, 0);
    }
    void HoldKey(int key, bool down) {
        BYTE state[256];
        GetKeyboardState(state);
        state[key] = down ? 0x80 : 0;
        SetKeyboardState(state);
    }
    void MouseDown(TqzTrackBar* bar, TPoint p, WPARAM keys = MK_LBUTTON) {
        HoldKey(VK_LBUTTON, true);
        SendMessageA(bar->GetHandle(), WM_LBUTTONDOWN, keys, MAKELPARAM(p.x, p.y));
    }
    void MouseMove(TqzTrackBar* bar, TPoint p) {
        SendMessageA(bar->GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    void MouseUp(TqzTrackBar* bar, TPoint p) {
        HoldKey(VK_LBUTTON, false);
        SendMessageA(bar->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    static TPoint Centre(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    std::vector<Int64> MarkValues(TqzCustomTrackBarViewInfo* info, std::vector<bool>* numbers = nullptr) {
        std::vector<Int64> values;
        for (const auto& mark : info->GetTickMarks()) {
            values.push_back(mark.Value);
            if (numbers) numbers->push_back(mark.Number);
        }
        return values;
    }
    EventLog Log;
};

TEST_F(TrackBar, ANewBarHasTheDefaults) {
    TqzTrackBar* bar = MakeBar();
    EXPECT_EQ(196, bar->GetWidth());
    EXPECT_EQ(76, bar->GetHeight());
    EXPECT_EQ(0, bar->GetPosition());
    EXPECT_EQ(0x280D, bar->GetProperties()->GetSupportedOperations());
    EXPECT_EQ(cbsNone, bar->GetStyle()->GetBorderStyle());
    EXPECT_FALSE(bar->GetStyle()->GetHotTrack());
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    bool found = false;
    for (Integer i = 0; i < registry->GetCount(); ++i)
        if (registry->GetItems(i) == TqzTrackBarProperties::StaticClass()) {
            found = true;
            EXPECT_EQ("TrackBar|Represents a TrackBar", registry->GetText(i));
        }
    EXPECT_TRUE(found);
}

TEST_F(TrackBar, ShuttingTheUnitDownTakesTheTrackBarOutOfTheRegistryOnce) {
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    auto entries = [&] {
        int n = 0;
        for (Integer i = 0; i < registry->GetCount(); ++i)
            if (registry->GetItems(i) == TqzTrackBarProperties::StaticClass()) ++n;
        return n;
    };
    ASSERT_EQ(1, entries());
    const Integer others = registry->GetCount() - 1;
    TrackBarUnitFinalize();
    EXPECT_EQ(0, entries());
    EXPECT_EQ(others, registry->GetCount());
    // A second shut-down (the one at process end) finds nothing to do.
    TrackBarUnitFinalize();
    EXPECT_EQ(others, registry->GetCount());
    // Back for the tests that follow.
    registry->Register(TqzTrackBarProperties::StaticClass(), "TrackBar|Represents a TrackBar");
}

TEST_F(TrackBar, TheLayoutOfA196By76ClientArea) {
    // The style's transparent border takes 2 pixels on every side: everything lies 2 pixels
    // further right and down than in the client area.
    TqzTrackBar* bar = MakeBar(8);
    bar->SetWidth(200);
    bar->SetHeight(80);
    TqzCustomTrackBarViewInfo* info = Info(bar);
    EXPECT_EQ(R(TRect{2, 2, 198, 78}), R(info->RelativeClientRect));
    EXPECT_EQ(21, info->BarRect.bottom - info->BarRect.top);
    EXPECT_EQ(10, info->TrackThickness);
    EXPECT_EQ(R(TRect{2 + 7, 2 + 25, 2 + 189, 2 + 46}), R(info->BarRect));
    EXPECT_EQ(2 + 30, info->TrackRect.top);
    EXPECT_EQ(2 + 40, info->TrackRect.bottom);
    EXPECT_EQ(10, info->ThumbSize);
    EXPECT_EQ(19, info->ThumbCrossSize);
    EXPECT_DOUBLE_EQ(21.5, info->PixelsPerUnit);
    EXPECT_EQ(R(TRect{2 + 7, 2 + 26, 2 + 17, 2 + 45}), R(info->ThumbRect));
    bar->SetPosition(8);
    info = Info(bar);
    EXPECT_EQ(2 + 179, info->ThumbRect.left);
    EXPECT_EQ(2 + 189, info->ThumbRect.right);
    // The cached geometry for hit-testing: the thumb as drawn, grown by one to the right and
    // bottom.
    EXPECT_EQ(R(TRect{2 + 179, 2 + 26, 2 + 190, 2 + 46}), R(bar->GetProperties()->CachedThumbHitRect));
    // Tick lines: rows 47..49, at Min and Max 47..50.
    TBitmap picture;
    picture.SetSize(200, 80);
    TqzCanvas canvas(picture.GetCanvas());
    info->Draw(&canvas);
    auto black = [&](int x, int y) { return ColorToRGB(picture.GetCanvas()->GetPixels(2 + x, 2 + y)) == 0; };
    const int minX = 7 + 5, oneX = 7 + 21 + 5;
    for (int y = 46; y <= 51; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(y >= 47 && y <= 50, black(minX, y));
        EXPECT_EQ(y >= 47 && y <= 49, black(oneX, y));
    }
}

TEST_F(TrackBar, BoundsKeepTheirOrderAndAnEmptyRangeCountsAsOne) {
    TqzTrackBar* bar = MakeBar();
    TqzTrackBarProperties* p = bar->GetProperties();
    p->SetMin(5);
    p->SetMax(3);
    EXPECT_EQ(3, p->GetMin());
    p->SetMin(20);
    EXPECT_EQ(20, p->GetMax());
    EXPECT_EQ(1, p->Range());
    bar->SetPosition(7);
    EXPECT_EQ(20, bar->GetPosition());
    TqzCustomTrackBarViewInfo* info = Info(bar);
    EXPECT_DOUBLE_EQ(double(info->TrackRect.right - info->TrackRect.left - info->ThumbSize), info->PixelsPerUnit);
    // Negative widths and frequencies become 0.
    p->SetBorderWidth(-4);
    p->SetFrequency(-1);
    EXPECT_EQ(0, p->GetBorderWidth());
    EXPECT_EQ(0, p->GetFrequency());
}

TEST_F(TrackBar, ValuesReadAsPositions) {
    TqzTrackBar* bar = MakeBar();
    TqzTrackBarProperties* p = bar->GetProperties();
    p->SetMin(-20);
    struct Case {
        Variant Value;
        Integer Read;
    };
    const Case cases[] = {
        {Variant(15), 10},         {Variant(" 7 "), 7},     {Variant("7a"), -20},  {Variant(7.0), -20},
        {Variant("$1F"), 1},       {Variant("-$A"), -20},   {Variant("-3"), -3},   {Null(), -20},
        {Variant(Int64(1) << 40), 10}, {Variant("x"), -20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(VarToStr(c.Value));
        bar->SetEditValue(c.Value);
        EXPECT_EQ(c.Read, bar->GetPosition());
        EXPECT_NO_THROW(Info(bar));
    }
    EXPECT_EQ(1, p->ValueToInteger(Variant("$1F")));
    EXPECT_EQ(-20, p->ValueToInteger(Variant("-$A")));
}

TEST_F(TrackBar, TickMarksFollowTheFrequency) {
    TqzTrackBar* bar = MakeBar();
    TqzTrackBarProperties* p = bar->GetProperties();
    p->SetMin(1);
    p->SetFrequency(2);
    EXPECT_EQ((std::vector<Int64>{1, 2, 4, 6, 8, 10}), MarkValues(Info(bar)));
    p->SetFrequency(0);
    EXPECT_EQ((std::vector<Int64>{1, 10}), MarkValues(Info(bar)));
    // Only Min, Max and the position show numbers.
    p->SetFrequency(1);
    p->SetTickType(tbttValueNumber);
    bar->SetPosition(4);
    std::vector<bool> numbers;
    EXPECT_EQ((std::vector<Int64>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), MarkValues(Info(bar), &numbers));
    EXPECT_EQ((std::vector<bool>{true, false, false, true, false, false, false, false, false, true}), numbers);
}

TEST_F(TrackBar, TheWholeIntegerRangePaintsAtMostOneMarkPerPixel) {
    TqzTrackBar* bar = MakeBar();
    TqzTrackBarProperties* p = bar->GetProperties();
    p->SetMin(INT_MIN);
    p->SetMax(INT_MAX);
    bar->SetPosition(12345);
    TqzCustomTrackBarViewInfo* info = Info(bar);
    const auto marks = info->GetTickMarks();
    const int pixels = info->TrackRect.right - info->TrackRect.left;
    EXPECT_LE(int(marks.size()), pixels + 3);
    EXPECT_EQ(INT_MIN, marks.front().Value);
    EXPECT_EQ(INT_MAX, marks.back().Value);
    bool position = false;
    for (const auto& m : marks) position |= m.Value == 12345;
    EXPECT_TRUE(position);
    TBitmap picture;
    picture.SetSize(196, 76);
    TqzCanvas canvas(picture.GetCanvas());
    info->Draw(&canvas);
    // Stepping and paging at the ends neither wrap nor overflow.
    bar->SetFocus();
    Key(bar, VK_END);
    EXPECT_EQ(INT_MAX, bar->GetPosition());
    p->SetPageSize(INT_MAX);
    Key(bar, VK_NEXT);
    EXPECT_EQ(INT_MAX, bar->GetPosition());
    Key(bar, VK_HOME);
    Key(bar, VK_PRIOR);
    Key(bar, VK_LEFT);
    EXPECT_EQ(INT_MIN, bar->GetPosition());
    Key(bar, VK_NEXT);
    EXPECT_EQ(-1, bar->GetPosition());
}

TEST_F(TrackBar, KeysMoveAndShiftSelects) {
    TqzTrackBar* bar = MakeBar();
    bar->SetFocus();
    bar->SetPosition(2);
    bar->GetProperties()->SetPageSize(3);
    Key(bar, VK_NEXT);
    EXPECT_EQ(5, bar->GetPosition());
    Key(bar, VK_PRIOR);
    EXPECT_EQ(2, bar->GetPosition());
    HoldKey(VK_SHIFT, true);
    SendMessageA(bar->GetHandle(), WM_KEYDOWN, VK_SHIFT, 0);
    for (int i = 0; i < 3; ++i) Key(bar, VK_RIGHT);
    HoldKey(VK_SHIFT, false);
    SendMessageA(bar->GetHandle(), WM_KEYUP, VK_SHIFT, 0);
    EXPECT_EQ(5, bar->GetPosition());
    EXPECT_EQ(2, bar->GetProperties()->GetSelectionStart());
    EXPECT_EQ(5, bar->GetProperties()->GetSelectionEnd());
    EXPECT_FALSE(bar->IsSelecting());
    TqzCustomTrackBarViewInfo* info = Info(bar);
    EXPECT_TRUE(info->HasSelection);
    // A Ctrl-click on the thumb clears the selection.
    const TPoint thumb = Centre(bar->GetProperties()->CachedThumbHitRect);
    HoldKey(VK_CONTROL, true);
    MouseDown(bar, thumb, MK_LBUTTON | MK_CONTROL);
    MouseUp(bar, thumb);
    EXPECT_EQ(0, bar->GetProperties()->GetSelectionStart());
    EXPECT_EQ(0, bar->GetProperties()->GetSelectionEnd());
    EXPECT_EQ(5, bar->GetPosition());
}

TEST_F(TrackBar, AClickBesideTheThumbStepsOrJumps) {
    TqzTrackBar* bar = MakeBar();
    bar->SetPosition(2);
    Info(bar);
    TqzTrackBarProperties* p = bar->GetProperties();
    const TRect track = p->CachedTrackRect;
    const TPoint at8{track.left + Integer(8 * p->CachedPixelsPerUnit) + 3, Centre(track).y};
    MouseDown(bar, at8);
    MouseUp(bar, at8);
    EXPECT_EQ(3, bar->GetPosition());
    p->SetThumbStep(qztsJump);
    Info(bar);
    MouseDown(bar, at8);
    MouseUp(bar, at8);
    EXPECT_EQ(8, bar->GetPosition());
    const TPoint left{track.left + 2, Centre(track).y};
    MouseDown(bar, left);
    MouseUp(bar, left);
    EXPECT_EQ(0, bar->GetPosition());
}

TEST_F(TrackBar, AJumpOrDragWithoutRoomLeavesThePosition) {
    TqzTrackBar* bar = MakeBar(1000);
    bar->GetProperties()->SetThumbStep(qztsJump);
    bar->SetWidth(20);
    bar->SetPosition(500);
    Info(bar);
    EXPECT_LE(bar->GetProperties()->CachedPixelsPerUnit, 0);
    MouseDown(bar, TPoint{19, 30});
    MouseUp(bar, TPoint{19, 30});
    EXPECT_EQ(500, bar->GetPosition());
}

TEST_F(TrackBar, ADragFollowsTheMouseOverSeveralMoves) {
    TqzTrackBar* bar = MakeBar(8);
    Info(bar);
    TqzTrackBarProperties* p = bar->GetProperties();
    TPoint at = Centre(p->CachedThumbHitRect);
    MouseDown(bar, at);
    EXPECT_EQ(TrackBarThumbPressed, Info(bar)->ThumbState);
    std::vector<Integer> positions;
    for (int i = 0; i < 4; ++i) {
        at.x += 25;
        MouseMove(bar, at);
        positions.push_back(bar->GetPosition());
    }
    MouseUp(bar, at);
    // The distance is scaled by the range over the whole control width (8 over 196 pixels), not
    // over the track: the last move of 37 pixels from the thumb's middle gives 1.51 units.
    EXPECT_EQ((std::vector<Integer>{1, 2, 3, 5}), positions);
    EXPECT_EQ(0, Info(bar)->MouseFlags & TrackBarDragging);
}

TEST_F(TrackBar, AssignCopiesAllButTheThumbStep) {
    TqzTrackBar* bar = MakeBar();
    TqzTrackBarProperties source(nullptr);
    source.SetMax(50);
    source.SetMin(5);
    source.SetTickType(tbttNumbers);
    source.SetThumbStep(qztsJump);
    bar->GetProperties()->Assign(&source);
    EXPECT_EQ(50, bar->GetProperties()->GetMax());
    EXPECT_EQ(5, bar->GetProperties()->GetMin());
    EXPECT_EQ(tbttNumbers, bar->GetProperties()->GetTickType());
    EXPECT_EQ(qztsNormal, bar->GetProperties()->GetThumbStep());
}

struct ThumbHandler : TObject {
    void GetRect(TObject*, TRect& r) { r = TRect{0, 0, 16, 30}; }
    void Draw(TObject* sender, TqzCanvas* canvas, const TRect& r) {
        Sender = sender;
        Drawn = r;
        FillRectWithColor(canvas, r, clRed);
    }
    TObject* Sender = nullptr;
    TRect Drawn{};
};

TEST_F(TrackBar, ACustomThumbTakesTheHandlersSizeAndPainting) {
    TqzTrackBar* bar = MakeBar(8);
    ThumbHandler handler;
    TqzTrackBarProperties* p = bar->GetProperties();
    p->SetThumbType(qzttCustom);
    p->OnGetThumbRect = MakeEvent(&handler, &ThumbHandler::GetRect);
    p->OnDrawThumb = MakeEvent(&handler, &ThumbHandler::Draw);
    TqzCustomTrackBarViewInfo* info = Info(bar);
    EXPECT_EQ(16, info->ThumbRect.right - info->ThumbRect.left);
    EXPECT_EQ(30, info->ThumbRect.bottom - info->ThumbRect.top);
    TBitmap picture;
    picture.SetSize(196, 76);
    TqzCanvas canvas(picture.GetCanvas());
    info->Draw(&canvas);
    EXPECT_EQ(p, handler.Sender);
    EXPECT_EQ(R(info->ThumbRect), R(handler.Drawn));
    const TPoint c = Centre(info->ThumbRect);
    EXPECT_EQ(ColorToRGB(clRed), ColorToRGB(picture.GetCanvas()->GetPixels(c.x, c.y)));
}

// Pixels of a bar painted into a bitmap.
class TrackBarPicture : public TrackBar {
protected:
    void Paint(TqzTrackBar* bar) {
        TqzCustomTrackBarViewInfo* info = Info(bar);
        Picture.SetSize(bar->GetWidth(), bar->GetHeight());
        TqzCanvas canvas(Picture.GetCanvas());
        info->Draw(&canvas);
    }
    COLORREF At(int x, int y) { return ColorToRGB(Picture.GetCanvas()->GetPixels(x, y)); }
    TBitmap Picture;
};

TEST_F(TrackBarPicture, ADisabledBarDrawsTicksAndThumbInTheShadowColour) {
    TqzTrackBar* bar = MakeBar(8);
    bar->GetStyle()->GetLookAndFeel()->SetKind(lfUltraFlat);
    bar->SetEnabled(false);
    Paint(bar);
    TqzCustomTrackBarViewInfo* info = bar->GetTrackBarViewInfo();
    EXPECT_EQ(TrackBarThumbDisabled, info->ThumbState);
    EXPECT_EQ(ColorToRGB(clBtnShadow), At(info->TrackRect.left + 5 + 21, info->ThumbRect.bottom + 3));
    const TPoint c = Centre(info->ThumbRect);
    EXPECT_EQ(ColorToRGB(clBtnShadow), At(c.x, c.y));
}

TEST_F(TrackBarPicture, ThumbShapesByTickMarksAndKind) {
    // Probes relative to the thumb rectangle (L, T, R, B): the points of line A (top-left
    // outline) and the polygon's inside.
    struct Case {
        TqzTrackBarTickMarks Marks;
        TqzTrackBarOrientation Orientation;
        TqzLookAndFeelKind Kind;
        TColor LineA;
    };
    const Case cases[] = {
        {qztmBottomRight, tboHorizontal, lfStandard, clBtnHighlight}, {qztmBottomRight, tboVertical, lfFlat, clBtnHighlight},
        {qztmTopLeft, tboHorizontal, lfUltraFlat, clWindowText},      {qztmTopLeft, tboVertical, lfOffice11, clWindowText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Marks) * 10 + int(c.Orientation));
        TqzTrackBar* bar = MakeBar(8);
        bar->GetProperties()->SetTickMarks(c.Marks);
        bar->GetProperties()->SetOrientation(c.Orientation);
        bar->GetProperties()->SetThumbColor(clLime);
        if (c.Orientation == tboVertical) bar->SetBounds(10, 10, 76, 196);
        bar->GetStyle()->GetLookAndFeel()->SetKind(c.Kind);
        Paint(bar);
        const TRect t = bar->GetTrackBarViewInfo()->ThumbRect;
        const TPoint centre = Centre(t);
        EXPECT_EQ(ColorToRGB(clLime), At(centre.x, centre.y));
        // Line A starts at the corner away from the point for the top/left pointers, at the
        // top-left or right-top for the others.
        if (c.Marks == qztmBottomRight && c.Orientation == tboHorizontal) {
            EXPECT_EQ(ColorToRGB(c.LineA), At(t.left, t.top + 2));
        }
        if (c.Marks == qztmBottomRight && c.Orientation == tboVertical) {
            EXPECT_EQ(ColorToRGB(c.LineA), At(t.left, t.top + 2));
        }
        if (c.Marks == qztmTopLeft && c.Orientation == tboHorizontal) {
            EXPECT_EQ(ColorToRGB(c.LineA), At(t.left, t.bottom - 1));
        }
        if (c.Marks == qztmTopLeft && c.Orientation == tboVertical) {
            EXPECT_EQ(ColorToRGB(c.LineA), At(t.left + 5, t.top));
        }
        delete bar;
    }
}

TEST_F(TrackBarPicture, ARectangularThumbIsFramedByKind) {
    struct Case {
        TqzLookAndFeelKind Kind;
        TColor TopLeft, BottomRight, InnerBottomRight;
    };
    const Case cases[] = {
        {lfFlat, clWindow, clBtnShadow, clLime},
        {lfStandard, clWindow, clWindowFrame, clBtnShadow},
        {lfUltraFlat, clWindowFrame, clWindowFrame, clLime},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Kind));
        TqzTrackBar* bar = MakeBar(8);
        bar->GetProperties()->SetTickMarks(qztmBoth);
        bar->GetProperties()->SetThumbColor(clLime);
        bar->GetStyle()->GetLookAndFeel()->SetKind(c.Kind);
        Paint(bar);
        const TRect t = bar->GetTrackBarViewInfo()->ThumbRect;
        EXPECT_EQ(ColorToRGB(c.TopLeft), At(t.left, t.top + 3));
        EXPECT_EQ(ColorToRGB(c.BottomRight), At(t.right, t.bottom - 3));
        EXPECT_EQ(ColorToRGB(c.InnerBottomRight), At(t.right - 1, t.bottom - 3));
        EXPECT_EQ(ColorToRGB(clLime), At(t.left + 3, t.top + 3));
        delete bar;
    }
}

TEST_F(TrackBarPicture, TheHotThumbTakesTheHighlightColour) {
    TqzTrackBar* bar = MakeBar(8);
    bar->GetProperties()->SetTickMarks(qztmBoth);
    bar->GetStyle()->GetLookAndFeel()->SetKind(lfStandard);
    Info(bar);
    const TPoint thumb = Centre(bar->GetProperties()->CachedThumbHitRect);
    SendMessageA(bar->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(thumb.x, thumb.y));
    Paint(bar);
    EXPECT_EQ(TrackBarThumbHot, bar->GetTrackBarViewInfo()->ThumbState);
    EXPECT_EQ(COLORREF(0xC0C0C0), At(thumb.x, thumb.y));
    // The flat kinds take the flat button colour of the state instead.
    bar->GetStyle()->GetLookAndFeel()->SetKind(lfUltraFlat);
    Paint(bar);
    EXPECT_EQ(ColorToRGB(GetFlatButtonStateColor(false, false)), At(thumb.x, thumb.y));
}

// The native look through the recording theme.
class NativeTrackBar : public TrackBarPicture {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        TrackBarPicture::SetUp();
    }
    void TearDown() override {
        TrackBarPicture::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(NativeTrackBar, TrackAndThumbPartsByOrientationAndMarks) {
    struct Case {
        TqzTrackBarOrientation Orientation;
        TqzTrackBarTickMarks Marks;
        int Track, Thumb;
    };
    const Case cases[] = {
        {tboHorizontal, qztmBoth, 1, 3},   {tboHorizontal, qztmTopLeft, 1, 5}, {tboHorizontal, qztmBottomRight, 1, 4},
        {tboVertical, qztmBoth, 2, 6},     {tboVertical, qztmTopLeft, 2, 7},   {tboVertical, qztmBottomRight, 2, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Orientation) * 10 + int(c.Marks));
        TqzTrackBar* bar = MakeBar(8);
        bar->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
        bar->GetProperties()->SetOrientation(c.Orientation);
        bar->GetProperties()->SetTickMarks(c.Marks);
        Info(bar);
        Fake->Calls.clear();
        Paint(bar);
        std::vector<std::pair<int, int>> parts;
        for (const TThemeCall& call : Fake->CallsOf("DrawThemeBackground")) parts.emplace_back(call.Part, call.State);
        EXPECT_EQ((std::vector<std::pair<int, int>>{{c.Track, 1}, {c.Thumb, 1}}), parts);
        delete bar;
    }
    TqzTrackBar* bar = MakeBar(8);
    bar->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
    bar->SetEnabled(false);
    Info(bar);
    Fake->Calls.clear();
    Paint(bar);
    const auto calls = Fake->CallsOf("DrawThemeBackground");
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(5, calls[1].State);
}

TEST(ExtEditUtils, IntegerTexts) {
    struct Case {
        const char* Text;
        bool IsInteger;
    };
    for (const Case& c : {Case{" 7 ", true}, Case{"7a", false}, Case{"", false}, Case{"  ", false},
                          Case{"$1F", true}, Case{"0x10", true}, Case{"-$A", true}, Case{"99999999999", false}}) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(c.IsInteger, IsIntegerText(c.Text));
    }
    EXPECT_EQ(12, ExtractIntegerText("a1b2", false));
    EXPECT_EQ(0, ExtractIntegerText("a1b2", true));
    EXPECT_EQ(1, ExtractIntegerText("1b2", true));
    EXPECT_EQ(0, ExtractIntegerText("abc", false));
    EXPECT_THROW(ExtractIntegerText("-$A", false), EConvertError);
    EXPECT_EQ(0, RectWidth(TRect{5, 0, 2, 0}));
    TRect r{1, 2, 3, 4};
    ExtendRect(r, -1, -1, 2, 2);
    EXPECT_EQ(R(TRect{0, 1, 5, 6}), R(r));
}

TEST(ExtEditUtils, TwoColourFramesIncludeTheirRightAndBottom) {
    TBitmap picture;
    picture.SetSize(8, 8);
    TqzCanvas canvas(picture.GetCanvas());
    FillRectWithColor(&canvas, TRect{0, 0, 8, 8}, clWhite);
    TRect inner;
    DrawTwoColorRectFrame(&canvas, TRect{1, 1, 5, 5}, clRed, inner, clBlue);
    EXPECT_EQ(R(TRect{2, 2, 4, 4}), R(inner));
    auto at = [&](int x, int y) { return ColorToRGB(picture.GetCanvas()->GetPixels(x, y)); };
    EXPECT_EQ(ColorToRGB(clRed), at(1, 5));
    EXPECT_EQ(ColorToRGB(clRed), at(5, 1));
    EXPECT_EQ(ColorToRGB(clBlue), at(5, 2));
    EXPECT_EQ(ColorToRGB(clBlue), at(5, 5));
    EXPECT_EQ(ColorToRGB(clWhite), at(6, 6));
    EXPECT_EQ(ColorToRGB(clWhite), at(3, 3));
}

} // namespace

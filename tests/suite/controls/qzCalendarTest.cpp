// The month calendar on a form over a set clock: the cells of the first row, moving the
// selection by keys within the date range, the arrows with their repeat, the wheel over the
// titles, the push buttons and the popup calendar's close requests, the layout for an 8-point
// font, hot titles and the screen cursor, the clock's hands and marks, and the month list.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCalendar.h"
#include "suite/editors/qzFormats.h"
#include "tests/suite/controls/ScopedControllerSettings.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

TDateTime D(Word y, Word m, Word d) { return EncodeDate(y, m, d); }

// Sets the manual clock's wall time to a local date-time.
void SetNow(TDateTime at) {
    ClockSetLocalMicros(Int64(std::llround((at - UnixDateDelta) * 86400.0)) * 1000000);
}

class CalendarTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetNow(D(2021, 3, 10) + EncodeTime(9, 30, 0, 0));
        Form->SetBounds(20, 20, 500, 400);
        Form->GetFont()->SetName("Tahoma");
        Form->GetFont()->SetSize(8);
    }
    template <class T = TqzCustomCalendar> T* MakeCalendar() {
        auto* calendar = new T(Form);
        calendar->SetParent(Form);
        calendar->SetLeft(10);
        calendar->SetTop(10);
        calendar->HandleNeeded();
        calendar->RecalculateLayout();
        return calendar;
    }
    void Show() {
        Form->Show();
        App->ProcessMessages();
    }
    static void PointAt(TWinControl* control, Integer x, Integer y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        SetCursorPos(p.x, p.y);
    }
    static TPoint Center(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

    // The English settings, Sunday the first day of the week.
    testsupport::ScopedControllerSettings FSettings{testsupport::DotSettings()};
};

// Records the close requests and the reported choices of a calendar.
struct TCalendarSink : TObject {
    std::vector<Integer> Reasons;
    Integer Changes = 0;
    void Hide(TObject*, Integer reason) { Reasons.push_back(reason); }
    void Changed(TObject*) { ++Changes; }
    void Attach(TqzPopupCalendar* calendar) {
        calendar->OnHidePopup = MakeEvent(this, &TCalendarSink::Hide);
        calendar->OnDateTimeChanged = MakeEvent(this, &TCalendarSink::Changed);
    }
};

TEST_F(CalendarTest, FirstRowShowsTheEndOfThePreviousMonth) {
    ASSERT_EQ(GetFormatController()->GetFirstDayOfWeek(), 0);
    TqzCustomCalendar* calendar = MakeCalendar();
    struct Case {
        const char* Name;
        TDateTime Month;
        TDateTime FirstCell, FirstOfMonthCell;
        Integer Column, Row;
    };
    const Case cases[] = {
        // 1 August 2021 is a Sunday: the whole first row is July.
        {"a month starting on the first day of the week", D(2021, 8, 1), D(2021, 7, 25), D(2021, 8, 1), 0, 1},
        {"a month starting on a Monday", D(2021, 3, 1), D(2021, 2, 28), D(2021, 3, 1), 1, 0},
        // 1 January 100 is a Friday; the days before it are no dates of the calendar.
        {"the first month of the range", D(100, 1, 1), D(100, 1, 1) - 5, D(100, 1, 1), 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        calendar->SetMonthStart(c.Month);
        EXPECT_EQ(calendar->DateForCell(0, 0), c.FirstCell);
        EXPECT_EQ(calendar->DateForCell(c.Column, c.Row), c.FirstOfMonthCell);
    }
    EXPECT_FALSE(IsValidCalendarDate(D(100, 1, 1) - 1));
    EXPECT_TRUE(IsValidCalendarDate(NullDate));
    EXPECT_EQ(DateFromParts(99, 12, 31), InvalidDate);
    EXPECT_EQ(DateFromParts(2021, 2, 29), InvalidDate);
}

// The first day of the week from the settings: with Friday first, 1 January 100 (a Friday)
// starts the first row, since no earlier day can be shown; later months starting on a Friday
// still show a row of the month before, and Home and End keep to the Friday-to-Thursday week.
TEST_F(CalendarTest, FridayFirstWeeks) {
    TFormatSettings friday = testsupport::DotSettings();
    friday.FirstWeekDay = 5;
    testsupport::ScopedControllerSettings settings(friday);
    ASSERT_EQ(GetFormatController()->GetFirstDayOfWeek(), 5);
    TqzCustomCalendar* calendar = MakeCalendar();
    struct Case {
        const char* Name;
        TDateTime Month;
        TDateTime FirstCell;
        Integer Column, Row;
    };
    const Case cases[] = {
        {"January of year 100", D(100, 1, 1), D(100, 1, 1), 0, 0},
        {"October 2021 starts on a Friday", D(2021, 10, 1), D(2021, 9, 24), 0, 1},
        {"March 2021 starts on a Monday", D(2021, 3, 1), D(2021, 2, 26), 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        calendar->SetMonthStart(c.Month);
        EXPECT_EQ(calendar->DateForCell(0, 0), c.FirstCell);
        EXPECT_EQ(calendar->DateForCell(c.Column, c.Row), c.Month);
    }
    calendar->SetSelectedDate(D(2021, 3, 10)); // a Wednesday
    Word key = VK_HOME;
    calendar->HandleKeyDown(key, TShiftState{});
    EXPECT_EQ(calendar->GetSelectedDate(), D(2021, 3, 5));
    key = VK_END;
    calendar->HandleKeyDown(key, TShiftState{});
    EXPECT_EQ(calendar->GetSelectedDate(), D(2021, 3, 11));
}

TEST_F(CalendarTest, KeysMoveTheSelectionInsideTheRange) {
    TqzCustomCalendar* calendar = MakeCalendar();
    const TShiftState none, ctrl{ssCtrl}, alt{ssAlt};
    struct Case {
        const char* Name;
        TDateTime Start;
        Word Key;
        TShiftState Shift;
        TDateTime Expected;
    };
    const Case cases[] = {
        {"page down from 31 January, leap year", D(2020, 1, 31), VK_NEXT, none, D(2020, 2, 29)},
        {"page down from 31 January, common year", D(2021, 1, 31), VK_NEXT, none, D(2021, 2, 28)},
        {"page up from 31 March", D(2021, 3, 31), VK_PRIOR, none, D(2021, 2, 28)},
        {"ctrl+end on the 10th", D(2021, 3, 10), VK_END, ctrl, D(2021, 3, 31)},
        {"end on a Wednesday: Saturday", D(2021, 3, 10), VK_END, none, D(2021, 3, 13)},
        {"ctrl+home", D(2021, 3, 10), VK_HOME, ctrl, D(2021, 3, 1)},
        {"home on a Wednesday: Sunday", D(2021, 3, 10), VK_HOME, none, D(2021, 3, 7)},
        {"left", D(2021, 3, 1), VK_LEFT, none, D(2021, 2, 28)},
        {"down a week", D(2021, 3, 10), VK_DOWN, none, D(2021, 3, 17)},
        {"alt+down does not move", D(2021, 3, 10), VK_DOWN, alt, D(2021, 3, 10)},
        {"right past 31 December 9999", D(9999, 12, 31), VK_RIGHT, none, D(9999, 12, 31)},
        {"page down in December 9999", D(9999, 12, 5), VK_NEXT, none, D(9999, 12, 5)},
        {"left before 1 January 100", D(100, 1, 1), VK_LEFT, none, D(100, 1, 1)},
        {"page up in January 100", D(100, 1, 20), VK_PRIOR, none, D(100, 1, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        calendar->SetSelectedDate(c.Start);
        Word key = c.Key;
        calendar->HandleKeyDown(key, c.Shift);
        EXPECT_EQ(calendar->GetSelectedDate(), c.Expected);
    }
    // A null selection: every key leaves it null.
    calendar->SetSelectedDate(NullDate);
    for (Word key : {VK_NEXT, VK_PRIOR, VK_END, VK_HOME, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN}) {
        for (TShiftState shift : {none, ctrl}) {
            Word k = key;
            calendar->HandleKeyDown(k, shift);
            EXPECT_EQ(calendar->GetSelectedDate(), NullDate) << "key " << key;
        }
    }
}

TEST_F(CalendarTest, NavigationStopsAtTheEndsOfTheRange) {
    TqzCustomCalendar* calendar = MakeCalendar();
    calendar->SetMonthStart(D(9999, 12, 1));
    calendar->Navigate(1);
    calendar->Navigate(3);
    EXPECT_EQ(calendar->GetMonthStart(), D(9999, 12, 1));
    calendar->Navigate(0);
    EXPECT_EQ(calendar->GetMonthStart(), D(9999, 11, 1));
    calendar->SetMonthStart(D(100, 1, 15));
    calendar->Navigate(0);
    calendar->Navigate(2);
    EXPECT_EQ(calendar->GetMonthStart(), D(100, 1, 1));
    calendar->Navigate(3);
    EXPECT_EQ(calendar->GetMonthStart(), D(101, 1, 1));
}

TEST_F(CalendarTest, ButtonsChooseAValueReportItAndAskToClose) {
    auto* calendar = MakeCalendar<TqzPopupCalendar>();
    calendar->SetKind(ckDateTime);
    calendar->SetDateButtons(TDateButtons{btnClear, btnNow, btnToday});
    TCalendarSink sink;
    sink.Attach(calendar);
    std::vector<Integer>& reasons = sink.Reasons;
    Integer& changes = sink.Changes;
    struct Case {
        const char* Name;
        TqzButton* Button;
        TDateTime Expected;
        TDateTime ClockTime;
    };
    const TDateTime now = D(2021, 3, 10) + EncodeTime(9, 30, 0, 0);
    calendar->SetSelectedDate(D(2021, 3, 20));
    const Case cases[] = {
        {"now", calendar->NowButton, now, EncodeTime(9, 30, 0, 0)},
        {"OK keeps the clock's time", calendar->OKButton, now, EncodeTime(9, 30, 0, 0)},
        {"clear", calendar->ClearButton, NullDate, 0},
        {"today with the clock at 00:00", calendar->TodayButton, D(2021, 3, 10), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        reasons.clear();
        const Integer before = changes;
        c.Button->Click();
        EXPECT_NEAR(calendar->GetSelectedDate(), c.Expected, 1e-9);
        EXPECT_NEAR(calendar->Clock->GetTime(), c.ClockTime, 1e-9);
        EXPECT_NEAR(calendar->TimeEdit->GetTime(), c.ClockTime, 1e-9);
        EXPECT_EQ(changes, before + 1);
        EXPECT_EQ(reasons, std::vector<Integer>{4});
    }
    // Clear keeps the month shown.
    calendar->SetSelectedDate(D(2020, 6, 6));
    calendar->ClearButton->Click();
    EXPECT_EQ(calendar->GetMonthStart(), D(2020, 6, 1));
}

TEST_F(CalendarTest, PopupCalendarKeysAskToClose) {
    auto* calendar = MakeCalendar<TqzPopupCalendar>();
    TCalendarSink sink;
    sink.Attach(calendar);
    std::vector<Integer>& reasons = sink.Reasons;
    Integer& changes = sink.Changes;
    struct Case {
        Word Key;
        TShiftState Shift;
        Integer Reason; // 0: none
        Integer Changes;
    };
    const Case cases[] = {
        {VK_RETURN, {}, 4, 1}, {VK_ESCAPE, {}, 3, 0},  {VK_UP, {ssAlt}, 2, 0}, {VK_DOWN, {ssAlt}, 2, 0},
        {VK_F4, {}, 2, 0},     {VK_F4, {ssAlt}, 0, 0}, {VK_UP, {}, 0, 0},
    };
    for (const Case& c : cases) {
        reasons.clear();
        changes = 0;
        Word key = c.Key;
        calendar->HandleKeyDown(key, c.Shift);
        EXPECT_EQ(reasons, c.Reason ? std::vector<Integer>{c.Reason} : std::vector<Integer>{})
            << "key " << c.Key;
        EXPECT_EQ(changes, c.Changes) << "key " << c.Key;
    }
}

TEST_F(CalendarTest, ArrowsRepeatWhileHeldAndTheWheelTurnsOverTheTitles) {
    TqzCustomCalendar* calendar = MakeCalendar();
    calendar->SetSelectedDate(D(2021, 3, 10));
    Show();
    const TPoint arrow = Center(calendar->ArrowRects[1]);
    PointAt(calendar, arrow.x, arrow.y);
    SendMessageA(calendar->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(arrow.x, arrow.y));
    EXPECT_EQ(calendar->GetMonthStart(), D(2021, 4, 1));
    for (int i = 0; i < 3; ++i) {
        ClockAdvanceMs(200);
        App->ProcessMessages();
    }
    EXPECT_EQ(calendar->GetMonthStart(), D(2021, 7, 1));
    SendMessageA(calendar->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(arrow.x, arrow.y));
    ClockAdvanceMs(600);
    App->ProcessMessages();
    EXPECT_EQ(calendar->GetMonthStart(), D(2021, 7, 1));
    EXPECT_EQ(calendar->GetSelectedDate(), D(2021, 3, 10));

    auto wheel = [&](const TRect& r, Integer delta) {
        const TPoint p = Center(calendar->NarrowTitle(r));
        const POINT screen = calendar->ClientToScreen(POINT{p.x, p.y});
        return calendar->HandleMouseWheel(TShiftState(), delta, screen);
    };
    EXPECT_TRUE(wheel(calendar->MonthTitleRect, 120));
    EXPECT_EQ(calendar->GetMonthStart(), D(2021, 6, 1));
    EXPECT_TRUE(wheel(calendar->YearTitleRect, -120));
    EXPECT_EQ(calendar->GetMonthStart(), D(2022, 6, 1));

    calendar->SetArrowsForYear(false);
    EXPECT_EQ(calendar->YearTitleRect.right - calendar->YearTitleRect.left, 0);
    EXPECT_EQ(calendar->LastArrowIndex, 1);
    EXPECT_TRUE(wheel(calendar->MonthTitleRect, -120));
    EXPECT_EQ(calendar->GetMonthStart(), D(2022, 7, 1));
}

TEST_F(CalendarTest, EightPointLayout) {
    for (TqzCalendarKind kind : {ckDate, ckDateTime}) {
        SCOPED_TRACE(kind == ckDate ? "date" : "date and time");
        TqzCustomCalendar* calendar = MakeCalendar();
        calendar->SetKind(kind);
        Integer marginX = 0, marginY = 0;
        calendar->GetClockMargins(marginX, marginY);
        EXPECT_EQ(calendar->ButtonTopGap, 4);
        EXPECT_EQ(marginX, 6);
        EXPECT_EQ(marginY, 6);
        EXPECT_EQ(calendar->GridWidth, 2 * calendar->SideMargin + 7 * calendar->ColumnWidth);
        const TSize size = calendar->CalcSize();
        EXPECT_EQ(calendar->GetWidth(), size.cx);
        EXPECT_EQ(calendar->GetHeight(), size.cy);
        // The calendar keeps its own size.
        calendar->SetBounds(10, 10, 400, 400);
        EXPECT_EQ(calendar->GetWidth(), size.cx);
        if (kind == ckDate) {
            const Integer top = calendar->GetClientHeight() - calendar->ButtonAreaHeight + 4;
            EXPECT_EQ(calendar->TodayButton->GetTop(), top);
            EXPECT_EQ(calendar->TodayButton->GetLeft(),
                      (calendar->GridWidth - 2 * calendar->ButtonWidth) / 3);
            EXPECT_EQ(calendar->ClearButton->GetLeft() + calendar->ClearButton->GetWidth() - 1,
                      calendar->GridWidth - calendar->TodayButton->GetLeft());
            EXPECT_FALSE(calendar->OKButton->GetVisible());
            EXPECT_FALSE(calendar->Clock->GetVisible());
        } else {
            EXPECT_TRUE(calendar->OKButton->GetVisible());
            EXPECT_EQ(calendar->OKButton->GetLeft(), calendar->GetWidth() - 10 - calendar->ButtonWidth - 1);
            EXPECT_EQ(calendar->Clock->GetWidth(), calendar->ClockSize);
            EXPECT_EQ(calendar->Clock->GetLeft() + calendar->ClockSize,
                      calendar->GetWidth() - marginX -
                          (calendar->ButtonAreaHeight - 1 - calendar->ButtonHeight) / 2);
            EXPECT_TRUE(calendar->TimeEdit->GetTabStop());
        }
        delete calendar;
    }
}

TEST_F(CalendarTest, HotTitleSavesAndRestoresTheScreenCursor) {
    TqzCustomCalendar* calendar = MakeCalendar();
    Show();
    Screen->SetCursor(crHourGlass);
    const TPoint title = Center(calendar->NarrowTitle(calendar->MonthTitleRect));
    PointAt(calendar, title.x, title.y);
    calendar->UpdateHotPart();
    EXPECT_EQ(calendar->GetHotPart(), 1);
    EXPECT_EQ(calendar->SavedCursor, crHourGlass);
    Screen->SetCursor(crDefault);
    const TPoint year = Center(calendar->NarrowTitle(calendar->YearTitleRect));
    PointAt(calendar, year.x, year.y);
    calendar->UpdateHotPart();
    EXPECT_EQ(calendar->GetHotPart(), 2);
    PointAt(calendar, 1, calendar->GetHeight() - 2);
    calendar->UpdateHotPart();
    EXPECT_EQ(calendar->GetHotPart(), 0);
    EXPECT_EQ(Screen->GetCursor(), crDefault);
    Screen->SetCursor(crDefault);
}

// ---- Clock ---------------------------------------------------------------------------------

TColor PaintedPixel(TqzClock* clock, Integer x, Integer y) {
    TBitmap image;
    image.SetSize(clock->GetWidth(), clock->GetHeight());
    clock->PaintTo(image.GetCanvas()->GetHandle(), 0, 0);
    return ColorToRGB(image.GetCanvas()->GetPixels(x, y));
}

TEST_F(CalendarTest, ClockHandsAndMarks) {
    auto* clock = new TqzClock(Form);
    clock->SetParent(Form);
    clock->SetColor(clWhite);
    clock->SetBounds(0, 0, 100, 100);
    clock->SetTime(EncodeTime(3, 0, 0, 0));
    // Radii 48: the hour hand reaches 36 pixels from the centre.
    EXPECT_EQ(PaintedPixel(clock, 50 + 30, 50), ColorToRGB(clTeal));
    EXPECT_EQ(PaintedPixel(clock, 50 - 30, 50), ColorToRGB(clWhite));
    clock->SetTime(EncodeTime(12, 0, 30, 0)); // the second hand points down
    EXPECT_EQ(PaintedPixel(clock, 50, 50 - 30), ColorToRGB(clTeal));
    EXPECT_EQ(PaintedPixel(clock, 50 + 30, 50), ColorToRGB(clWhite));

    clock->SetBounds(0, 0, 100, 60);
    clock->SetTime(EncodeTime(6, 30, 30, 0));
    // Marks on the ellipse with radii 48 and 28 around (50, 30): teal centres, aqua above.
    for (TPoint mark : {TPoint{98, 30}, TPoint{50, 58}, TPoint{2, 30}, TPoint{50, 2}}) {
        EXPECT_EQ(PaintedPixel(clock, mark.x, mark.y), ColorToRGB(clTeal)) << mark.x << "," << mark.y;
        EXPECT_EQ(PaintedPixel(clock, mark.x, mark.y - 1), ColorToRGB(clAqua)) << mark.x << "," << mark.y;
    }
}

// ---- Month list ----------------------------------------------------------------------------

TEST_F(CalendarTest, MonthListInYearsModeScrollsAndStopsAtTheRange) {
    TqzCustomCalendar* calendar = MakeCalendar();
    calendar->SetMonthStart(D(2021, 3, 1));
    Show();
    TMonthListBox* list = calendar->MonthList;
    list->ShowPopup(nullptr);
    App->ProcessMessages();
    ASSERT_TRUE(list->GetVisible());
    EXPECT_EQ(list->ItemCount, 7);
    Integer year = 0, month = 0;
    list->GetRowMonth(0, year, month);
    EXPECT_EQ(year * 100 + month, 202012);
    list->GetRowMonth(6, year, month);
    EXPECT_EQ(year * 100 + month, 202106);

    // Three rows below the list: a month every 50 ms.
    const Integer y = list->GetClientHeight() + 3 * list->ItemHeight + 1;
    SendMessageA(list->GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, y));
    EXPECT_EQ(list->ScrollTimer->GetInterval(), 50);
    ClockAdvanceMs(50);
    App->ProcessMessages();
    EXPECT_EQ(list->TopOffset, -2);
    for (int i = 0; i < 2; ++i) {
        ClockAdvanceMs(50);
        App->ProcessMessages();
    }
    EXPECT_EQ(list->TopOffset, 0);

    // Over a row, then released: the calendar shows that month.
    const Integer row = list->ItemHeight + list->ItemHeight / 2 + 1;
    SendMessageA(list->GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, row));
    EXPECT_EQ(list->ItemIndex, 1);
    SendMessageA(list->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(10, row));
    App->ProcessMessages();
    EXPECT_FALSE(list->GetVisible());
    EXPECT_EQ(calendar->GetMonthStart(), D(2021, 4, 1));
}

TEST_F(CalendarTest, MonthListNearTheFirstMonthStopsScrollingUp) {
    TqzCustomCalendar* calendar = MakeCalendar();
    calendar->SetMonthStart(D(100, 2, 1));
    Show();
    TMonthListBox* list = calendar->MonthList;
    list->ShowPopup(nullptr);
    App->ProcessMessages();
    SendMessageA(list->GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, -4 * list->ItemHeight));
    for (int i = 0; i < 5; ++i) {
        ClockAdvanceMs(50);
        App->ProcessMessages();
    }
    Integer year = 0, month = 0;
    // The first row may be empty (before the range) but scrolling up went no further.
    EXPECT_EQ(list->TopOffset, -3);
    EXPECT_FALSE(list->GetRowMonth(0, year, month));
    list->ClosePopup();
}

TEST_F(CalendarTest, TwelveMonthListClickAndEscape) {
    auto* calendar = MakeCalendar<TqzPopupCalendar>();
    calendar->YearsInMonthList = false;
    calendar->SetMonthStart(D(2021, 9, 1));
    TCalendarSink sink;
    sink.Attach(calendar);
    std::vector<Integer>& reasons = sink.Reasons;
    Show();
    TMonthListBox* list = calendar->MonthList;
    list->ShowPopup(nullptr);
    App->ProcessMessages();
    EXPECT_EQ(list->ItemCount, 12);
    const Integer y = 4 * list->ItemHeight + list->ItemHeight / 2 + 1;
    SendMessageA(list->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, y));
    SendMessageA(list->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, y));
    SendMessageA(list->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(10, y));
    App->ProcessMessages();
    EXPECT_FALSE(list->GetVisible());
    EXPECT_EQ(calendar->GetMonthStart(), D(2021, 5, 1));

    // Escape closes only the twelve-month list; then the calendar.
    list->ShowPopup(nullptr);
    App->ProcessMessages();
    Word key = VK_ESCAPE;
    calendar->HandleKeyDown(key, TShiftState());
    EXPECT_FALSE(list->GetVisible());
    EXPECT_TRUE(reasons.empty());
    key = VK_ESCAPE;
    calendar->HandleKeyDown(key, TShiftState());
    EXPECT_EQ(reasons, std::vector<Integer>{3});
}

} // namespace

// A sheet to look at: build/test-artifacts/ControlsCalendarDateTime.png. One column per painter
// kind (flat, standard, ultra-flat, Office11, native through the fake theme). From the top: the
// date calendar flat with Today and Clear (the month title hot), not flat with Today alone, the
// date-and-time calendar with its clock and time editor, the month list in its years mode and
// in its twelve-month mode, then time editors in the 24- and 12-hour forms in the states
// normal, hot, pressed, focused and disabled, then date editors of both kinds closed (normal,
// focused, disabled) and the date kind open with its calendar below it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCalendar.h"
#include "tests/suite/editors/EditorPictureFixture.h"

namespace {

using edittest::CopyControl;
using edittest::PrepareSheet;
using edittest::WriteSheet;
using edittest::SetLook;

void SetLook(TqzLookAndFeel* lookAndFeel, const edittest::SheetLook& look) {
    lookAndFeel->SetKind(look.Kind);
    lookAndFeel->SetNativeStyle(look.Native);
}

void SetLook(TqzCustomCalendar* calendar, const edittest::SheetLook& look) {
    for (TqzButton* button :
         {calendar->TodayButton, calendar->NowButton, calendar->ClearButton, calendar->OKButton})
        SetLook(button->GetLookAndFeel(), look);
    SetLook(calendar->TimeEdit, look);
    calendar->RecalculateLayout();
}

class CalendarSheet : public edittest::EditorPicturesFixture {};

TEST_F(CalendarSheet, PictureSheet) {
    ClockSetLocalMicros(Int64((EncodeDate(2021, 3, 10) - UnixDateDelta) * 86400.0) * 1000000 +
                        Int64(14 * 3600 + 25 * 60 + 40) * 1000000);
    Form->SetBounds(0, 0, 900, 700);
    Form->GetFont()->SetName("Tahoma");
    Form->GetFont()->SetSize(8);
    const auto& looks = edittest::kSheetLooks;
    const int kLooks = int(std::size(looks));

    auto* parking = new TqzTimeEdit(Form);
    parking->SetParent(Form);
    parking->SetBounds(700, 600, 60, 21);

    auto makeCalendar = [&](TqzCalendarKind kind, bool flat, TDateButtons buttons) {
        auto* calendar = new TqzPopupCalendar(Form);
        calendar->SetParent(Form);
        calendar->SetLeft(10);
        calendar->SetTop(10);
        calendar->HandleNeeded();
        calendar->SetKind(kind);
        calendar->SetFlat(flat);
        calendar->SetDateButtons(buttons);
        calendar->SetSelectedDate(EncodeDate(2021, 3, 18));
        calendar->TimeEdit->SetTime(EncodeTime(14, 25, 40, 0));
        calendar->Clock->SetTime(EncodeTime(14, 25, 40, 0));
        calendar->SetVisible(false);
        return calendar;
    };
    TqzCustomCalendar* calendars[] = {
        makeCalendar(ckDate, true, TDateButtons{btnClear, btnToday}),
        makeCalendar(ckDate, false, TDateButtons{btnToday}),
        makeCalendar(ckDateTime, true, TDateButtons{btnClear, btnNow}),
    };
    Form->Show();
    Pump();

    const int cellW = 330;
    TBitmap sheet;
    PrepareSheet(sheet, kLooks * cellW, 1400);
    int timeTop = 0;
    for (int l = 0; l < kLooks; ++l) {
        const int x = 4 + l * cellW;
        int y = 4;
        for (TqzCustomCalendar* calendar : calendars) {
            calendar->SetMonthStart(EncodeDate(2021, 3, 1));
            calendar->SetVisible(true);
            SetLook(calendar, looks[l]);
            Pump();
            if (calendar == calendars[0]) {
                const TRect title = calendar->NarrowTitle(calendar->MonthTitleRect);
                PointAt(calendar, (title.left + title.right) / 2, (title.top + title.bottom) / 2);
                calendar->UpdateHotPart();
                Pump();
            }
            CopyControl(sheet, calendar, x, y);
            SetCursorPos(0, 0);
            calendar->UpdateHotPart();
            y += calendar->GetHeight() + 8;
            calendar->SetVisible(false);
            Pump();
        }
        // The month list in both modes.
        TqzCustomCalendar* calendar = calendars[0];
        calendar->SetVisible(true);
        for (bool years : {true, false}) {
            calendar->YearsInMonthList = years;
            calendar->MonthList->ShowPopup(nullptr);
            Pump();
            SendMessageA(calendar->MonthList->GetHandle(), WM_MOUSEMOVE, 0,
                         MAKELPARAM(10, 2 * calendar->MonthList->ItemHeight + 3));
            Pump();
            CopyControl(sheet, calendar->MonthList, x + (years ? 0 : 110), y);
            calendar->MonthList->ClosePopup();
            Pump();
        }
        calendar->SetVisible(false);
        y += 12 * calendar->HeaderHeight + 16;
        timeTop = y;
    }

    // Time editors in the 24- and 12-hour forms, in five states.
    enum State { Normal, Hot, Pressed, Focused, Disabled };
    std::vector<TqzTimeEdit*> editors;
    for (bool use24Hour : {true, false}) {
        auto* editor = new TqzTimeEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 300 + 30 * int(editors.size()), 120, 21);
        editor->GetProperties()->SetUse24HourFormat(use24Hour);
        editor->SetTime(EncodeTime(14, 25, 40, 0));
        editors.push_back(editor);
    }
    Pump();
    for (int l = 0; l < kLooks; ++l) {
        int y = timeTop;
        for (TqzTimeEdit* editor : editors) {
            SetLook(editor, looks[l]);
            for (State state : {Normal, Hot, Pressed, Focused, Disabled}) {
                parking->SetFocus();
                SetCursorPos(0, 0);
                editor->SetEnabled(state != Disabled);
                Pump();
                if (state == Focused) editor->SetFocus();
                const TRect b = editor->GetViewInfo()->GetButtonInfo(1)->Bounds;
                const TPoint at{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
                if (state == Hot || state == Pressed) PointAt(editor, at.x, at.y);
                Pump();
                editor->UpdateViewAtCursor();
                if (state == Pressed)
                    SendMessageA(editor->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
                Pump();
                CopyControl(sheet, editor, 4 + l * cellW, y);
                if (state == Pressed) {
                    SendMessageA(editor->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(-50, -50));
                    ReleaseCapture();
                    Pump();
                }
                y += editor->GetHeight() + 4;
            }
            editor->SetEnabled(true);
            y += 8;
        }
    }
    // Date editors: both kinds closed in three states, then the date kind open.
    int dateTop = timeTop;
    for (TqzTimeEdit* editor : editors)
        dateTop += 5 * (editor->GetHeight() + 4) + 8;
    std::vector<TqzDateEdit*> dateEditors;
    for (TqzCalendarKind kind : {ckDate, ckDateTime}) {
        auto* editor = new TqzDateEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 380 + 30 * int(dateEditors.size()), 170, 21);
        editor->GetProperties()->SetKind(kind);
        editor->SetDate(EncodeDate(2021, 3, 18) + EncodeTime(14, 25, 40, 0));
        dateEditors.push_back(editor);
    }
    Pump();
    for (int l = 0; l < kLooks; ++l) {
        int y = dateTop;
        for (TqzDateEdit* editor : dateEditors) {
            SetLook(editor, looks[l]);
            for (State state : {Normal, Focused, Disabled}) {
                parking->SetFocus();
                SetCursorPos(0, 0);
                editor->SetEnabled(state != Disabled);
                Pump();
                if (state == Focused) editor->SetFocus();
                Pump();
                CopyControl(sheet, editor, 4 + l * cellW, y);
                y += editor->GetHeight() + 4;
            }
            editor->SetEnabled(true);
            y += 8;
        }
        TqzDateEdit* open = dateEditors[0];
        open->SetFocus();
        open->SetDroppedDown(true);
        Pump();
        if (open->HasOpenPopup()) {
            CopyControl(sheet, open, 4 + l * cellW, y);
            CopyControl(sheet, open->GetPopupWindow(), 4 + l * cellW, y + open->GetHeight());
        }
        open->SetDroppedDown(false);
        Pump();
    }
    WriteSheet(sheet, "ControlsCalendarDateTime.png");
}

} // namespace

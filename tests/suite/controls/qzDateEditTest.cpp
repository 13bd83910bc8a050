// The date editor: the defaults that follow the kind, the kept time of day, what an unreadable
// text becomes, the display texts and values it cannot show.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/TypInfo.h"
#include "suite/controls/qzCalendar.h"
#include "tests/suite/controls/ScopedControllerSettings.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

TDateTime D(Word y, Word m, Word d) { return EncodeDate(y, m, d); }
TDateTime T(Word h, Word m) { return EncodeTime(h, m, 0, 0); }

class DateEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        ClockSetLocalMicros(Int64(std::llround((D(2021, 3, 10) + T(9, 30) - UnixDateDelta) * 86400.0)) *
                            1000000);
    }
    TqzDateEdit* MakeEditor() {
        auto* editor = new TqzDateEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 150, 21);
        return editor;
    }
    static Variant Display(TqzDateEditProperties* properties, const Variant& value, bool focused) {
        Variant display;
        properties->PrepareDisplayValue(value, display, focused);
        return display;
    }
    testsupport::ScopedControllerSettings FSettings{testsupport::DotSettings()};
};

TEST_F(DateEditTest, DefaultsFollowTheKindUntilSet) {
    TqzDateEditProperties properties(nullptr);
    EXPECT_EQ(properties.GetInputKind(), ikRegExpr);
    EXPECT_EQ(properties.GetDateButtons(), (TDateButtons{btnClear, btnToday}));
    EXPECT_EQ(properties.GetMaskKind(), emkRegExprEx);
    properties.SetKind(ckDateTime);
    EXPECT_EQ(properties.GetInputKind(), ikMask);
    EXPECT_EQ(properties.GetDateButtons(), (TDateButtons{btnClear, btnNow}));
    EXPECT_EQ(properties.GetMaskKind(), emkStandard);
    EXPECT_EQ(properties.GetEditMask(), GetFormatController()->GetStandardDateTimeMask());
    properties.SetInputKind(ikStandard);
    properties.SetKind(ckDate);
    EXPECT_EQ(properties.GetInputKind(), ikStandard);
    EXPECT_TRUE(properties.GetStoredEditMask().empty());
}

TEST_F(DateEditTest, TheTimeOfDayIsKeptWhileTheDateIsTyped) {
    TqzDateEdit* editor = MakeEditor();
    editor->GetProperties()->SetInputKind(ikStandard);
    editor->SetEditValue(VarFromDateTime(D(2021, 5, 5) + T(14, 30)));
    EXPECT_NEAR(editor->GetSavedTime(), T(14, 30), 1e-9);
    Variant value;
    bool valid = true;
    editor->DisplayToEditValue(Variant(String("5/6/2021")), value, valid);
    EXPECT_NEAR(VarToDateTime(value), D(2021, 5, 6) + T(14, 30), 1e-9);
    editor->SetDate(D(2021, 6, 1));
    EXPECT_NEAR(editor->GetDate(), D(2021, 6, 1) + T(14, 30), 1e-9);

    editor->GetProperties()->SetSaveTime(false);
    editor->SetEditValue(VarFromDateTime(D(2021, 5, 5) + T(14, 30)));
    editor->DisplayToEditValue(Variant(String("5/6/2021")), value, valid);
    EXPECT_NEAR(VarToDateTime(value), D(2021, 5, 6), 1e-9);
}

TEST_F(DateEditTest, UnreadableTextByDateOnError) {
    struct Case {
        TDateOnError OnError;
        TqzCalendarKind Kind;
        bool IsNull;
        TDateTime Expected;
    };
    const Case cases[] = {
        {deNoChange, ckDate, true, 0},
        {deNull, ckDate, true, 0},
        {deToday, ckDate, false, D(2021, 3, 10)},
        {deToday, ckDateTime, false, D(2021, 3, 10) + T(9, 30)},
    };
    for (const Case& c : cases) {
        TqzDateEditProperties properties(nullptr);
        properties.SetKind(c.Kind);
        properties.SetDateOnError(c.OnError);
        const Variant value = properties.TextToEditValue("no date");
        EXPECT_EQ(VarIsNull(value), c.IsNull) << int(c.OnError);
        if (!c.IsNull) {
            EXPECT_NEAR(VarToDateTime(value), c.Expected, 1e-9);
        }
    }
}

TEST_F(DateEditTest, DisplayTexts) {
    TqzDateEditProperties properties(nullptr);
    const Variant withTime = VarFromDateTime(D(2021, 5, 5) + T(14, 30));
    const Variant dateOnly = VarFromDateTime(D(2021, 5, 5));
    EXPECT_EQ(VarToStr(Display(&properties, withTime, false)), "5/5/2021 2:30:00 PM");
    EXPECT_EQ(VarToStr(Display(&properties, dateOnly, false)), "5/5/2021");
    properties.SetShowTime(false);
    EXPECT_EQ(VarToStr(Display(&properties, withTime, false)), "5/5/2021");
    EXPECT_EQ(VarToStr(Display(&properties, Null(), false)), "");
    EXPECT_THROW(Display(&properties, VarArrayOf({Variant(1)}), false), EConvertError);
    EXPECT_THROW(Display(&properties, Variant(String("no date")), false), EConvertError);
}

// Every change recomputes the mask and reaches the owner, also after the first one and inside an
// update bracket that does not signal.
TEST_F(DateEditTest, EveryChangeReachesTheMaskAndTheOwner) {
    struct Counter : TObject {
        Integer Changes = 0;
        void Changed(TObject*) { ++Changes; }
    } counter;
    TqzDateEditProperties properties(nullptr);
    properties.SetOnPropertiesChanged(MakeEvent(&counter, &Counter::Changed));
    properties.SetShowTime(false);
    properties.SetSaveTime(false);
    properties.SetDateOnError(deNull);
    EXPECT_EQ(counter.Changes, 3);
    properties.BeginUpdate();
    properties.SetKind(ckDateTime);
    properties.EndUpdate(false);
    EXPECT_EQ(properties.GetMaskKind(), emkStandard);
    EXPECT_EQ(properties.GetEditMask(), GetFormatController()->GetStandardDateTimeMask());

    TqzDateEditProperties plain(nullptr);
    plain.SetInputKind(ikStandard);
    properties.Assign(&plain);
    EXPECT_EQ(properties.GetKind(), ckDate);
    EXPECT_FALSE(properties.IsMasked());
    EXPECT_TRUE(IsStoredProp(&properties, "InputKind"));
    EXPECT_FALSE(IsStoredProp(&properties, "DateButtons"));
    properties.SetDateButtons(TDateButtons{btnToday});
    EXPECT_TRUE(IsStoredProp(&properties, "DateButtons"));
}

TEST_F(DateEditTest, BoundsApplyWhenNotZeroAndBothOnlyInOrder) {
    struct Case {
        const char* Name;
        TDateTime Min, Max;
        bool MinApplies, MaxApplies;
    };
    const Case cases[] = {
        {"none", 0, 0, false, false},
        {"only the upper", 0, D(2030, 12, 31), false, true},
        {"only the lower", D(2000, 1, 1), 0, true, false},
        {"both in order", D(2000, 1, 1), D(2030, 12, 31), true, true},
        {"the lower above the upper", D(2030, 12, 31), D(2000, 1, 1), false, false},
        // A negative date is a bound like any other.
        {"a lower bound before 1900 alone", D(1850, 1, 1), 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEditProperties properties(nullptr);
        properties.SetMinDate(c.Min);
        properties.SetMaxDate(c.Max);
        EXPECT_EQ(properties.IsValueBoundDefined(0), c.MinApplies);
        EXPECT_EQ(properties.IsValueBoundDefined(1), c.MaxApplies);
        EXPECT_EQ(properties.IsValueBoundsDefined(), c.MinApplies || c.MaxApplies);
    }
}

TEST_F(DateEditTest, DisplayTextsByFocusKindInputKindAndShowTime) {
    struct Case {
        const char* Name;
        TqzCalendarKind Kind;
        TqzInputKind Input;
        bool ShowTime, Focused, WithTime;
        const char* Expected;
    };
    const Case cases[] = {
        {"date, unfocused, time shown", ckDate, ikRegExpr, true, false, true, "5/5/2021 2:30:00 PM"},
        {"date, unfocused, no time", ckDate, ikRegExpr, true, false, false, "5/5/2021"},
        {"date, unfocused, ShowTime off", ckDate, ikRegExpr, false, false, true, "5/5/2021"},
        {"date, focused, regular expression", ckDate, ikRegExpr, true, true, true, "5/5/2021"},
        {"date, focused, plain with time", ckDate, ikStandard, true, true, true, "5/5/2021 2:30:00 PM"},
        {"date, focused, plain, ShowTime off", ckDate, ikStandard, false, true, true, "5/5/2021"},
        {"date, focused, mask", ckDate, ikMask, true, true, true, "05/05/2021"},
        {"date-time, unfocused", ckDateTime, ikMask, true, false, true, "5/5/2021 2:30:00 PM"},
        {"date-time, unfocused, no time", ckDateTime, ikMask, true, false, false, "5/5/2021"},
        {"date-time, focused, mask, no time", ckDateTime, ikMask, true, true, false, "05/05/2021 12:00:00 AM"},
        {"date-time, focused, mask", ckDateTime, ikMask, true, true, true, "05/05/2021 02:30:00 PM"},
        {"date-time, focused, plain, no time", ckDateTime, ikStandard, true, true, false, "5/5/2021"},
        {"date-time, focused, regular expression", ckDateTime, ikRegExpr, true, true, true,
         "5/5/2021 2:30:00 PM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEditProperties properties(nullptr);
        properties.SetKind(c.Kind);
        properties.SetInputKind(c.Input);
        properties.SetShowTime(c.ShowTime);
        const Variant value = VarFromDateTime(D(2021, 5, 5) + (c.WithTime ? T(14, 30) : 0));
        EXPECT_EQ(VarToStr(Display(&properties, value, c.Focused)), c.Expected);
    }
}

// The empty masked date-time text reads as the zero time while focused, in the locale's hour form.
TEST_F(DateEditTest, TheEmptyMaskedDateTimeTextShowsTheZeroTime) {
    TqzDateEditProperties* properties = MakeEditor()->GetProperties();
    properties->SetKind(ckDateTime);
    EXPECT_EQ(properties->GetEmptyMaskText(), "  /  /       :  :     ");
    EXPECT_EQ(properties->GetEmptyText(true), "  /  /     12:00:00 AM");
    EXPECT_EQ(properties->GetEmptyText(false), properties->GetEmptyMaskText());
    testsupport::ScopedControllerSettings comma(testsupport::CommaSettings());
    TqzDateEditProperties* european = MakeEditor()->GetProperties();
    european->SetKind(ckDateTime);
    EXPECT_EQ(european->GetEmptyText(true), "  .  .     00:00:00");
    EXPECT_TRUE(VarIsNull(european->TextToEditValue(european->GetEmptyText(true))));
}

// A focused editor validating a typed text: what DateOnError, the bounds and the kept time of
// day make of it.
class DateEditValidationTest : public DateEditTest {
protected:
    TqzDateEdit* FocusedEditor(TqzInputKind input = ikStandard) {
        TqzDateEdit* editor = MakeEditor();
        editor->GetProperties()->SetInputKind(input);
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
        return editor;
    }
    // Types the text over the editor's text and validates it; false on a validation error.
    static bool Enter(TqzDateEdit* editor, const String& text, String* error = nullptr) {
        editor->GetInnerTextEditControl()->SetText(text);
        editor->SetModifiedAfterEntry(true);
        try {
            return editor->ValidateEditing(true);
        } catch (const Exception& e) {
            if (error) *error = e.Message;
            return false;
        }
    }
    static String Text(TqzDateEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }
};

TEST_F(DateEditValidationTest, UnreadableTextByDateOnErrorAndKind) {
    struct Case {
        const char* Name;
        TDateOnError OnError;
        TqzCalendarKind Kind;
        bool Valid;
        bool IsNull;
        TDateTime Expected;
    };
    const TDateTime before = D(2020, 1, 2);
    const Case cases[] = {
        {"no change keeps the value", deNoChange, ckDate, false, false, before},
        {"today, date kind", deToday, ckDate, true, false, D(2021, 3, 10)},
        {"now, date-time kind", deToday, ckDateTime, true, false, D(2021, 3, 10) + T(9, 30)},
        {"null", deNull, ckDate, true, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEdit* editor = FocusedEditor();
        editor->GetProperties()->SetKind(c.Kind);
        editor->GetProperties()->SetDateOnError(c.OnError);
        editor->SetDate(before);
        String error;
        EXPECT_EQ(Enter(editor, "no date", &error), c.Valid);
        EXPECT_EQ(error, c.Valid ? "" : "Invalid Date");
        EXPECT_EQ(VarIsNull(editor->GetEditValue()), c.IsNull);
        if (!c.IsNull) {
            EXPECT_NEAR(editor->GetDate(), c.Expected, 1e-9);
        }
        delete editor;
    }
}

TEST_F(DateEditValidationTest, BoundsReportTheTextAndClampAfterEditing) {
    struct Case {
        const char* Name;
        TDateTime Min, Max;
        const char* Typed;
        bool Valid;
        TDateTime Clamped; // after ClampValueToBounds on the value set directly
    };
    const Case cases[] = {
        {"only the upper bound: far back is fine", 0, D(2030, 12, 31), "1/1/1950", true, D(2030, 12, 31)},
        {"only the upper bound: above it", 0, D(2030, 12, 31), "1/1/2031", false, D(2030, 12, 31)},
        {"the lower bound above the upper: none applies", D(2030, 12, 31), D(2000, 1, 1), "1/1/2031", true,
         D(2031, 6, 1)},
        {"both in order: below", D(2000, 1, 1), D(2030, 12, 31), "1/1/1999", false, D(2030, 12, 31)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEdit* editor = FocusedEditor();
        editor->GetProperties()->SetMinDate(c.Min);
        editor->GetProperties()->SetMaxDate(c.Max);
        editor->SetDate(D(2010, 1, 1));
        String error;
        EXPECT_EQ(Enter(editor, c.Typed, &error), c.Valid);
        EXPECT_EQ(error, c.Valid ? "" : "Value out of bounds");
        if (!c.Valid) {
            EXPECT_EQ(editor->GetDate(), D(2010, 1, 1));
        }
        editor->SetDate(D(2031, 6, 1));
        editor->ClampValueToBounds();
        EXPECT_EQ(editor->GetDate(), c.Clamped);
        delete editor;
    }
}

// With SaveTime the time of day of the value stays while the date is typed; erasing the text
// leaves that time alone (on 30 December 1899), without SaveTime nothing.
TEST_F(DateEditValidationTest, TheKeptTimeOfDayThroughTypingAndErasing) {
    struct Case {
        const char* Name;
        bool SaveTime;
        const char* Typed;
        bool IsNull;
        TDateTime Expected;
    };
    const Case cases[] = {
        {"a new date keeps the time", true, "5/6/2021", false, D(2021, 5, 6) + T(14, 30)},
        {"a new date without SaveTime", false, "5/6/2021", false, D(2021, 5, 6)},
        {"a typed time replaces the kept one", true, "5/6/2021 8:00 AM", false, D(2021, 5, 6) + T(8, 0)},
        {"erased: the time alone", true, "", false, T(14, 30)},
        {"erased without SaveTime: no value", false, "", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEdit* editor = FocusedEditor();
        editor->GetProperties()->SetSaveTime(c.SaveTime);
        editor->SetEditValue(VarFromDateTime(D(2021, 5, 5) + T(14, 30)));
        EXPECT_EQ(Text(editor), "5/5/2021 2:30:00 PM");
        EXPECT_TRUE(Enter(editor, c.Typed));
        EXPECT_EQ(VarIsNull(editor->GetEditValue()), c.IsNull);
        if (!c.IsNull) {
            EXPECT_NEAR(editor->GetDate(), c.Expected, 1e-9);
        }
        delete editor;
    }
}

// A validate handler sees the date's own text and may reject or correct it.
TEST_F(DateEditValidationTest, ValidateHandlersSeeTheDateText) {
    struct Handler : TObject {
        String Seen;
        bool Reject = false;
        void Validate(TObject*, Variant& display, String& errorText, bool& error) {
            Seen = VarToStr(display);
            if (Reject) {
                error = true;
                errorText = "Not that day";
            } else if (error) {
                display = String("1/2/2021");
                error = false;
            }
        }
    } handler;
    TqzDateEdit* editor = FocusedEditor(ikMask);
    editor->GetProperties()->OnValidate = MakeEvent(&handler, &Handler::Validate);
    editor->SetDate(D(2020, 1, 1));
    EXPECT_TRUE(Enter(editor, "3/4/2021"));
    EXPECT_EQ(handler.Seen, "03/04/2021");
    EXPECT_EQ(editor->GetDate(), D(2021, 3, 4));
    handler.Reject = true;
    String error;
    EXPECT_FALSE(Enter(editor, "3/5/2021", &error));
    EXPECT_EQ(error, "Not that day");
    EXPECT_EQ(editor->GetDate(), D(2021, 3, 4));
    handler.Reject = false;
    editor->GetProperties()->SetInputKind(ikStandard);
    EXPECT_TRUE(Enter(editor, "no date"));
    EXPECT_EQ(editor->GetDate(), D(2021, 1, 2));
}

} // namespace

namespace {

class DateEditPopupTest : public DateEditTest {
protected:
    void Pump() { App->ProcessMessages(); }
    TqzDateEdit* FocusedEditor() {
        TqzDateEdit* editor = MakeEditor();
        Form->Show();
        Pump();
        editor->SetFocus();
        Pump();
        return editor;
    }
    void Key(TqzDateEdit* editor, Word key) {
        HWND window = editor->GetCalendar()->GetHandle();
        SendMessageA(window, WM_KEYDOWN, key, 0);
        SendMessageA(window, WM_KEYUP, key, 0);
        Pump();
    }
};

TEST_F(DateEditPopupTest, OpenOnAnEmptyEditorSelectsTodayEnterTakesTheDayClearEmpties) {
    TqzDateEdit* editor = FocusedEditor();
    editor->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    EXPECT_EQ(editor->GetCalendar()->GetSelectedDate(), D(2021, 3, 10));
    Key(editor, VK_RIGHT);
    Key(editor, VK_RETURN);
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_NEAR(editor->GetDate(), D(2021, 3, 11), 1e-9);
    EXPECT_EQ(editor->GetInnerTextEditControl()->GetText(), "3/11/2021");

    editor->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    EXPECT_EQ(editor->GetCalendar()->GetSelectedDate(), D(2021, 3, 11));
    editor->GetCalendar()->ClearButton->Click();
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_EQ(editor->GetDate(), NullDate);
    EXPECT_TRUE(VarIsNull(editor->GetEditValue()));
    EXPECT_EQ(editor->GetInnerTextEditControl()->GetText(), "");
}

TEST_F(DateEditPopupTest, HowTheCalendarsChoiceReachesTheEditor) {
    struct Case {
        const char* Name;
        std::function<void(TqzDateEdit*)> Choose;
        bool PostOnTab;
        TDateTime Expected;
    };
    auto cell = [](TqzPopupCalendar* c, TDateTime date) {
        for (Integer row = 0; row < 6; ++row)
            for (Integer column = 0; column < 7; ++column)
                if (c->DateForCell(column, row) == date)
                    return MAKELPARAM(c->GridRect.left + c->SideMargin + column * c->ColumnWidth + c->ColumnWidth / 2,
                                      c->GridRect.top + c->DayNamesHeight + row * c->RowHeight + c->RowHeight / 2);
        return LPARAM(0);
    };
    const TDateTime start = D(2021, 3, 10);
    const Case cases[] = {
        {"a click on a day accepts it",
         [&](TqzDateEdit* e) {
             HWND w = e->GetCalendar()->GetHandle();
             const LPARAM at = cell(e->GetCalendar(), D(2021, 3, 18));
             SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
             SendMessageA(w, WM_LBUTTONUP, 0, at);
         },
         false, D(2021, 3, 18)},
        {"Escape cancels", [&](TqzDateEdit* e) { Key(e, VK_RIGHT), Key(e, VK_ESCAPE); }, false, start},
        {"Tab posts with PostPopupValueOnTab", [&](TqzDateEdit* e) { Key(e, VK_RIGHT), Key(e, VK_TAB); }, true,
         D(2021, 3, 11)},
        {"Tab without it leaves the value", [&](TqzDateEdit* e) { Key(e, VK_RIGHT), Key(e, VK_TAB); }, false, start},
        {"dragged out, the selection goes back to the value",
         [&](TqzDateEdit* e) {
             HWND w = e->GetCalendar()->GetHandle();
             Key(e, VK_RIGHT);
             SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, -5));
             EXPECT_EQ(e->GetCalendar()->GetSelectedDate(), D(2021, 3, 10));
             Key(e, VK_RETURN);
         },
         false, start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEdit* editor = FocusedEditor();
        editor->GetProperties()->SetPostPopupValueOnTab(c.PostOnTab);
        editor->SetDate(start);
        editor->SetDroppedDown(true);
        Pump();
        ASSERT_TRUE(editor->HasOpenPopup());
        c.Choose(editor);
        Pump();
        EXPECT_NEAR(editor->GetDate(), c.Expected, 1e-9);
        delete editor;
        Pump();
    }
}

// The date-and-time kind takes the time shown by the calendar's time editor.
TEST_F(DateEditPopupTest, TheDateTimeKindTakesTheTimeEditorsTime) {
    TqzDateEdit* editor = FocusedEditor();
    editor->GetProperties()->SetKind(ckDateTime);
    editor->SetDate(D(2021, 3, 10) + T(9, 30));
    editor->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    TqzPopupCalendar* calendar = editor->GetCalendar();
    EXPECT_NEAR(calendar->TimeEdit->GetTime(), T(9, 30), 1e-9);
    EXPECT_FALSE(calendar->TimeEdit->GetProperties()->GetUse24HourFormat());
    calendar->SetSelectedDate(D(2021, 3, 12));
    calendar->TimeEdit->SetTime(T(8, 15));
    calendar->OKButton->Click();
    Pump();
    EXPECT_FALSE(editor->HasOpenPopup());
    EXPECT_NEAR(editor->GetDate(), D(2021, 3, 12) + T(8, 15), 1e-9);
}

// In the time part of a masked date-and-time text typed digits follow the time editor's rules.
TEST_F(DateEditPopupTest, TypingIntoTheTimePartFollowsTheTimeRules) {
    testsupport::ScopedControllerSettings comma(testsupport::CommaSettings());
    struct Case {
        const char* Name;
        Integer Caret;
        char32_t Typed;
        const char* Expected;
    };
    const Case cases[] = {
        {"7 as the first hour digit gives 07", 11, U'7', "10.03.2021 07:30:00"},
        {"2 over the 1 of 19 gives 20", 11, U'2', "10.03.2021 20:30:00"},
        {"a letter in the minutes is refused", 14, U'x', "10.03.2021 19:30:00"},
        {"6 as the first minute digit gives 06", 14, U'6', "10.03.2021 19:06:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzDateEdit* editor = FocusedEditor();
        editor->GetProperties()->SetKind(ckDateTime);
        editor->SetDate(D(2021, 3, 10) + T(19, 30));
        ASSERT_EQ(editor->GetInnerTextEditControl()->GetText(), "10.03.2021 19:30:00");
        editor->SetSelStart(c.Caret);
        editor->SetSelLength(0);
        SendMessageA(editor->GetInnerTextEditControl()->GetHandle(), WM_CHAR, WPARAM(c.Typed), 0);
        Pump();
        EXPECT_EQ(editor->GetInnerTextEditControl()->GetText(), c.Expected);
        EXPECT_EQ(editor->GetActiveDateProperties()->GetBlankCharAt(c.Caret + 1), U'0');
        delete editor;
        Pump();
    }
}

// A plain text with a two-digit year that would read back as another century gets the whole year,
// so validating the text keeps the chosen day.
TEST_F(DateEditPopupTest, AChosenDayOfAnotherCenturyIsWrittenWithItsWholeYear) {
    TFormatSettings shortYear = testsupport::DotSettings();
    shortYear.ShortDateFormat = "M/d/yy";
    testsupport::ScopedControllerSettings settings(shortYear);
    TqzDateEdit* editor = FocusedEditor();
    editor->GetProperties()->SetInputKind(ikStandard);
    editor->SetDate(D(1920, 3, 1));
    editor->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    // The short text would be read as 2020.
    EXPECT_EQ(editor->TextToDate("3/2/20"), D(2020, 3, 2));
    Key(editor, VK_RIGHT);
    Key(editor, VK_RETURN);
    EXPECT_EQ(editor->GetDate(), D(1920, 3, 2));
    EXPECT_TRUE(editor->ValidateEditing(false));
    EXPECT_EQ(editor->GetDate(), D(1920, 3, 2));
}

// The popup window hands the calendar the closing keys its focused button or untouched time
// editor would keep.
TEST_F(DateEditPopupTest, CalendarKeysOfThePopupWindow) {
    TqzDateEdit* editor = FocusedEditor();
    editor->GetProperties()->SetKind(ckDateTime);
    editor->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    auto* window = dynamic_cast<TqzDateEditPopupWindow*>(editor->GetPopupWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->GetKeyPreview());
    TqzPopupCalendar* calendar = editor->GetCalendar();
    const TShiftState none, alt{ssAlt};
    calendar->OKButton->SetFocus();
    Pump();
    EXPECT_TRUE(window->IsCalendarKey(VK_ESCAPE, none));
    EXPECT_TRUE(window->IsCalendarKey(VK_UP, alt));
    EXPECT_TRUE(window->IsCalendarKey(VK_DOWN, alt));
    EXPECT_TRUE(window->IsCalendarKey(VK_F4, none));
    EXPECT_FALSE(window->IsCalendarKey(VK_F4, alt));
    EXPECT_FALSE(window->IsCalendarKey(VK_RETURN, none));
    calendar->TimeEdit->SetFocus();
    Pump();
    EXPECT_TRUE(window->IsCalendarKey(VK_ESCAPE, none));
    calendar->TimeEdit->SetModifiedAfterEntry(true);
    EXPECT_FALSE(window->IsCalendarKey(VK_ESCAPE, none));
}

// An editor freed while its calendar is open leaves nothing behind.
TEST_F(DateEditPopupTest, FreedWithItsCalendarOpen) {
    TqzDateEdit* editor = FocusedEditor();
    editor->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(editor->HasOpenPopup());
    delete editor;
    Pump();
    EXPECT_EQ(Form->GetComponentCount(), 0);
}

} // namespace

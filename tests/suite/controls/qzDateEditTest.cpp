// The date editor: the defaults that follow the kind, the kept time of day, what an unreadable
// text becomes, the display texts and values it cannot show.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
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

} // namespace

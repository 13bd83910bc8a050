// The time editor on a form: stepping the part under the caret, the typing rules of hours,
// minutes and designators, the parts of each format, reading typed text back with the date part
// kept, the unfocused display, unusable values, and the 12-hour masks following the locale.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzTimeEdit.h"
#include "suite/editors/qzFormats.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

TDateTime At(Word h, Word m, Word s) { return EncodeTime(h, m, s, 0); }

class TimeEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        BuildTwelveHourMasks();
        FOldBeep = SetMessageBeepHook([this](UINT) { ++Beeps; });
    }
    void TearDown() override {
        SetMessageBeepHook(FOldBeep);
        testsupport::TFormFixture::TearDown();
        FSettings.reset();
        // The controller as the settings are again (a test may have had it read a locale).
        GetFormatController()->ApplyFormatSettings();
        BuildTwelveHourMasks();
    }
    TqzTimeEdit* MakeEditor(bool use24Hour, TqzTimeEditTimeFormat format = tfHourMinSec) {
        auto* editor = new TqzTimeEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 120, 21);
        editor->GetProperties()->SetUse24HourFormat(use24Hour);
        editor->GetProperties()->SetTimeFormat(format);
        return editor;
    }
    void Focus(TqzTimeEdit* editor) {
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
    }
    static HWND Inner(TqzTimeEdit* editor) { return editor->GetInnerTextEditControl()->GetHandle(); }
    static void Key(TqzTimeEdit* editor, Word key) {
        SendMessageA(Inner(editor), WM_KEYDOWN, key, 0);
        SendMessageA(Inner(editor), WM_KEYUP, key, 0);
    }
    static void Type(TqzTimeEdit* editor, char32_t ch) {
        SendMessageA(Inner(editor), WM_CHAR, WPARAM(ch), 0);
    }
    static String Text(TqzTimeEdit* editor) { return editor->GetInnerTextEditControl()->GetText(); }

    std::unique_ptr<testsupport::ScopedFormatSettings> FSettings =
        std::make_unique<testsupport::ScopedFormatSettings>(testsupport::DotSettings());
    Integer Beeps = 0;

private:
    TMessageBeepHook FOldBeep;
};

struct StepCase {
    const char* Name;
    bool Use24Hour;
    bool Circular;
    TDateTime Start;
    Integer Caret;
    Word Key;
    const char* Expected;
    Integer SelStart, SelLength;
};

TEST_F(TimeEditTest, StepsThePartUnderTheCaret) {
    const StepCase cases[] = {
        {"fast step in the minutes", true, false, At(14, 5, 30), 4, VK_PRIOR, "14:15:30", 4, 1},
        {"fast step back in the seconds", true, false, At(14, 5, 30), 7, VK_NEXT, "14:05:20", 7, 1},
        {"an hour up", true, false, At(14, 5, 30), 0, VK_UP, "15:05:30", 1, 1},
        {"past midnight, circular", true, true, At(23, 55, 0), 4, VK_PRIOR, "00:05:00", 4, 1},
        {"past midnight, not circular", true, false, At(23, 55, 0), 4, VK_PRIOR, "23:55:00", 4, 1},
        {"designator up in the morning", false, false, At(9, 0, 0), 9, VK_UP, "09:00:00 PM", 9, 2},
        {"designator up in the morning, circular", false, true, At(9, 0, 0), 9, VK_UP, "09:00:00 PM", 9, 2},
        {"designator down in the morning, circular", false, true, At(9, 0, 0), 9, VK_DOWN, "09:00:00 PM", 9,
         2},
        {"designator down in the morning", false, false, At(9, 0, 0), 9, VK_DOWN, "09:00:00 AM", 9, 2},
        {"designator up in the afternoon", false, false, At(21, 0, 0), 9, VK_UP, "09:00:00 AM", 9, 2},
        {"designator down in the afternoon, circular", false, true, At(21, 0, 0), 9, VK_DOWN, "09:00:00 AM",
         9, 2},
        {"designator down in the afternoon", false, false, At(21, 0, 0), 9, VK_DOWN, "09:00:00 PM", 9, 2},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzTimeEdit* editor = MakeEditor(c.Use24Hour);
        editor->GetProperties()->SetCircular(c.Circular);
        editor->SetTime(c.Start);
        Focus(editor);
        editor->SetSelStart(c.Caret);
        Key(editor, c.Key);
        EXPECT_EQ(Text(editor), c.Expected);
        EXPECT_EQ(editor->GetSelStart(), c.SelStart);
        EXPECT_EQ(editor->GetSelLength(), c.SelLength);
        delete editor;
    }
}

struct TypeCase {
    const char* Name;
    bool Use24Hour;
    TDateTime Start;
    Integer Caret;
    char32_t Typed;
    const char* Expected;
    Integer Caret2; // where the caret is afterwards
    bool Refused;
};

TEST_F(TimeEditTest, TypedDigitsAndDesignatorsFollowThePartRules) {
    const TypeCase cases[] = {
        {"7 as the first hour digit", true, At(14, 5, 30), 0, U'7', "07:05:30", 3, false},
        {"2 over the first digit of 19", true, At(19, 0, 0), 0, U'2', "20:00:00", 1, false},
        {"0 as the first hour digit", false, At(10, 0, 0), 0, U'0', "01:00:00 AM", 1, false},
        {"a digit inside the range", true, At(14, 5, 30), 1, U'2', "12:05:30", 3, false},
        {"6 as the first minute digit", true, At(14, 5, 30), 3, U'6', "14:06:30", 6, false},
        {"a second digit out of range clears the first", true, At(23, 0, 0), 1, U'9', "09:00:00", 3, false},
        {"0 after a first 0 in the 12-hour form", false, At(9, 0, 0), 1, U'0', "09:00:00 AM", 1, true},
        {"3 after a first 1 in the 12-hour form", false, At(10, 0, 0), 1, U'3', "03:00:00 AM", 3, false},
        {"P on the morning designator", false, At(9, 0, 0), 9, U'p', "09:00:00 PM", 11, false},
        {"A on the afternoon designator", false, At(21, 0, 0), 9, U'A', "09:00:00 AM", 11, false},
        {"a letter of neither", false, At(9, 0, 0), 9, U'x', "09:00:00 AM", 9, true},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzTimeEdit* editor = MakeEditor(c.Use24Hour);
        editor->GetProperties()->BeepOnError = true;
        editor->SetTime(c.Start);
        Focus(editor);
        editor->SetSelStart(c.Caret);
        const Integer beeps = Beeps;
        Type(editor, c.Typed);
        EXPECT_EQ(Text(editor), c.Expected);
        EXPECT_EQ(editor->GetSelStart(), c.Caret2);
        EXPECT_EQ(Beeps > beeps, c.Refused);
        delete editor;
    }
}

TEST_F(TimeEditTest, ChineseDesignatorsCountAsCodePoints) {
    FormatSettings.TimeAMString = "上午";
    FormatSettings.TimePMString = "下午";
    BuildTwelveHourMasks();
    EXPECT_EQ(GetTimeEditMask(tfHourMinSec, false), "00:00:00 cc;1;0");
    EXPECT_EQ(GetTimeEditMask(tfHour, false), "00 cc;1;0");

    TqzTimeEdit* editor = MakeEditor(false);
    editor->GetProperties()->BeepOnError = true;
    editor->SetTime(At(21, 0, 0));
    Focus(editor);
    EXPECT_EQ(Text(editor), "09:00:00 下午");
    for (char32_t typed : {U'P', U'A'}) {
        editor->SetSelStart(9);
        const Integer beeps = Beeps;
        Type(editor, typed);
        EXPECT_EQ(Text(editor), "09:00:00 下午");
        EXPECT_GT(Beeps, beeps);
    }
    editor->SetSelStart(9);
    Type(editor, U'上');
    EXPECT_EQ(Text(editor), "09:00:00 上午");
    editor->SetSelStart(9);
    Key(editor, VK_UP);
    EXPECT_EQ(Text(editor), "09:00:00 下午");
    EXPECT_EQ(editor->GetSelStart(), 9);
    EXPECT_EQ(editor->GetSelLength(), 2);
}

TEST_F(TimeEditTest, PartsOfEachFormat) {
    struct Case {
        TqzTimeEditTimeFormat Format;
        bool Use24Hour;
        Integer Parts[12]; // positions 1..12
    };
    const Case cases[] = {
        {tfHourMinSec, true, {0, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2}},
        {tfHourMinSec, false, {0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3}},
        {tfHourMin, true, {0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {tfHourMin, false, {0, 0, 1, 1, 1, 3, 3, 3, 3, 3, 3, 3}},
        {tfHour, true, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {tfHour, false, {0, 0, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}},
    };
    TqzTimeEditProperties properties(nullptr);
    for (const Case& c : cases) {
        properties.SetTimeFormat(c.Format);
        properties.SetUse24HourFormat(c.Use24Hour);
        for (Integer p = 1; p <= 12; ++p)
            EXPECT_EQ(GetTimePartAt(&properties, p), c.Parts[p - 1])
                << "format " << int(c.Format) << (c.Use24Hour ? " 24h" : " 12h") << " position " << p;
        EXPECT_EQ(properties.GetPartStart(3), 10 - 3 * Integer(c.Format));
    }
}

TEST_F(TimeEditTest, TypedTextIsReadWithTheDatePartKept) {
    const TDateTime day = EncodeDate(2021, 5, 5);
    struct Case {
        const char* Name;
        TqzTimeEditTimeFormat Format;
        bool Use24Hour;
        const char* Text;
        TDateTime Expected;
    };
    const Case cases[] = {
        {"an hour alone", tfHour, true, "09", day + At(9, 0, 0)},
        {"an hour with a designator", tfHour, false, "09 PM", day + At(21, 0, 0)},
        {"a whole time", tfHourMinSec, true, "14:30:15", day + At(14, 30, 15)},
        {"unreadable text", tfHourMinSec, true, "99:99:99", day},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzTimeEdit* editor = MakeEditor(c.Use24Hour, c.Format);
        editor->SetEditValue(VarFromDateTime(day + At(1, 2, 3)));
        Variant value;
        bool valid = true;
        editor->DisplayToEditValue(Variant(String(c.Text)), value, valid);
        EXPECT_DOUBLE_EQ(value.AsDouble(), c.Expected);
        delete editor;
    }
}

TEST_F(TimeEditTest, DateShownOnlyWhenUnfocusedAndKeptWhenTheTimeChanges) {
    TqzTimeEdit* editor = MakeEditor(true);
    editor->GetProperties()->SetShowDate(true);
    auto* other = new TqzTimeEdit(Form);
    other->SetParent(Form);
    other->SetTop(60);
    editor->SetEditValue(VarFromDateTime(EncodeDate(2021, 5, 5) + At(14, 30, 0)));
    ShowUnfocused();
    EXPECT_EQ(Text(editor), "5/5/2021 2:30:00 PM");
    editor->SetFocus();
    App->ProcessMessages();
    EXPECT_EQ(Text(editor), "14:30:00");
    other->SetFocus();
    App->ProcessMessages();

    editor->SetTime(At(8, 0, 0));
    EXPECT_DOUBLE_EQ(VarToDateTime(editor->GetEditValue()), EncodeDate(2021, 5, 5) + At(8, 0, 0));
    EXPECT_NEAR(editor->GetTime(), At(8, 0, 0), 1e-9);
    EXPECT_EQ(Text(editor), "5/5/2021 8:00:00 AM");

    editor->GetProperties()->SetShowDate(false);
    EXPECT_EQ(Text(editor), "08:00:00");
    editor->GetProperties()->SetUseTimeFormatWhenUnfocused(false);
    EXPECT_EQ(Text(editor), "8:00:00 AM");
}

TEST_F(TimeEditTest, ValuesItCannotShowRaiseToTheAssigningCode) {
    TqzTimeEdit* editor = MakeEditor(true);
    editor->SetTime(At(10, 0, 0));
    EXPECT_THROW(editor->SetEditValue(VarArrayOf({Variant(1), Variant(2)})), EConvertError);
    EXPECT_THROW(editor->SetEditValue(Variant(String("no time"))), EConvertError);
    EXPECT_DOUBLE_EQ(editor->GetTime(), At(10, 0, 0));
    Variant display;
    EXPECT_THROW(editor->GetProperties()->PrepareDisplayValue(Variant(String("x")), display, false),
                 EConvertError);

    editor->SetEditValue(Variant(String("13:45:00")));
    EXPECT_DOUBLE_EQ(editor->GetTime(), At(13, 45, 0));
    editor->SetEditValue(Null());
    ShowUnfocused();
    EXPECT_EQ(Text(editor), "");
    editor->GetProperties()->PrepareDisplayValue(Null(), display, true);
    EXPECT_EQ(VarToStr(display), "00:00:00");
}

TEST_F(TimeEditTest, TwelveHourMasksAreRebuiltBeforeTheEditorsSetThemAgain) {
    FormatSettings.TimeAMString = "a.m.";
    FormatSettings.TimePMString = "p.m.";
    BuildTwelveHourMasks();
    TqzTimeEditProperties properties(nullptr);
    properties.SetUse24HourFormat(false);
    EXPECT_EQ(properties.GetEditMask(), "00:00:00 cccc;1;0");
    {
        // The C locale's designators are AM and PM.
        testsupport::ScopedEnv lcAll("LC_ALL", "C");
        SendMessageA(GetFormatController()->GetWindowHandle(), WM_WININICHANGE, 0, LPARAM("intl"));
    }
    EXPECT_EQ(properties.GetEditMask(), "00:00:00 cc;1;0");
}

} // namespace

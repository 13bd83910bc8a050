// The channel window in an MDI frame of the test's own: the table's layout, frequencies written
// through the grid's checked write and typed into its editor (under a "." and a "," locale),
// rows made, changed and cleared, the list editors placed over the cells and their values
// written back, and a picture of the window.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/ToneOption.h"
#include "grid/Tambor.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MsgBox.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class TChannelTestFrame : public TForm {
    KOV_CLASS(TChannelTestFrame, TForm)
public:
    explicit TChannelTestFrame(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIForm);
        SetCaption("KOV-571");
        SetBounds(0, 0, 900, 640);
    }
};

// Columns of the table.
constexpr Integer RX = 2;
constexpr Integer TX = 3;
constexpr Integer DEC = 4;
constexpr Integer ENC = 5;
constexpr Integer POWER = 6;
constexpr Integer WN = 7;
constexpr Integer SCAN = 8;
constexpr Integer LOCKOUT = 10;

// A UHF model limited to 400-470 MHz with the band 430-440 MHz, 16 channels, the built-in
// prompt texts and no translation. The data model that was there before comes back afterwards.
class ChInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOldState = std::move(AppState);
        FOldTexts = std::move(PromptTexts);
        AppState = std::make_unique<TALL>();
        PromptTexts = std::make_unique<TLanguage>();
        AppState->ChannelCount = 16;
        AppState->ModelMin = 400;
        AppState->ModelMax = 470;
        AppState->BandLow = 430;
        AppState->BandHigh = 440;
        FOldMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        Win = new TfChInfo(Frame);
        Pump();
        Grid = Win->gvData;
    }
    void TearDown() override {
        App.reset();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldMode);
        AppState = std::move(FOldState);
        PromptTexts = std::move(FOldTexts);
    }

    void Pump() { App->ProcessMessages(); }
    String Fore(Integer col, Integer row) const { return Grid->ReadForeText(col, row); }
    String Back(Integer col, Integer row) const { return Grid->ReadBackText(col, row); }
    bool ReadOnly(Integer col, Integer row) const { return Grid->CellAt(col, row).ReadOnly; }
    // Writes a frequency as the program's other windows do.
    void Write(Integer col, Integer row, const String& text) { Grid->WriteForeText(col, row, text); }

    // ---- Input as the display delivers it ----
    void Click(Integer col, Integer row) {
        const RECT r = Grid->CellRect(col, row);
        const POINT p = Grid->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        WinInputMouseMove(p);
        Pump();
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        Pump();
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        Pump();
        ClockAdvanceMs(1000); // the next press is no double click
    }
    void Key(UINT key) {
        WinInputKey(key, false, true);
        Pump();
        WinInputKey(key, false, false);
        Pump();
    }
    void Type(const std::u32string& text) {
        WinInputText(text);
        Pump();
    }

    // A prompt script that answers OK up to `count` times.
    static std::unique_ptr<TScopedPromptScript> Answers(int count = 4) {
        auto script = std::make_unique<TScopedPromptScript>();
        for (int i = 0; i < count; ++i)
            script->AddReply(IDOK);
        return script;
    }
    // Every prompt: its text, and that it was the information prompt captioned "Caution".
    static std::vector<String> Texts(const TScopedPromptScript& prompts) {
        EXPECT_TRUE(prompts.Errors().empty());
        std::vector<String> texts;
        for (const TPromptRecord& p : prompts.Prompts()) {
            EXPECT_EQ(p.Caption, PromptTexts->Caution);
            EXPECT_EQ(p.Flags & MB_TYPEMASK, UINT(MB_OK));
            texts.push_back(p.Text);
        }
        return texts;
    }

    std::unique_ptr<TApplication> App;
    TChannelTestFrame* Frame = nullptr;
    TfChInfo* Win = nullptr;
    TTambor* Grid = nullptr;

private:
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TLanguage> FOldTexts;
    TClockMode FOldMode = TClockMode::Real;
};

// ---- Layout -----------------------------------------------------------------------------------

TEST_F(ChInfoTest, TheWindowShowsSixteenEmptyChannelsUnderTheTitles) {
    EXPECT_EQ(Win->GetFormStyle(), fsMDIChild);
    EXPECT_EQ(Win->GetCaption(), "Channel Information");
    EXPECT_EQ(Frame->GetMDIChildCount(), 1);
    EXPECT_EQ(Grid->GetColCount(), 11);
    EXPECT_EQ(Grid->GetRowCount(), 18);
    EXPECT_EQ(Grid->GetFixedCols(), 1);
    EXPECT_EQ(Grid->GetFixedRows(), 1);
    EXPECT_EQ(Win->GetWidth(), 810);
    EXPECT_EQ(Win->GetHeight(), 480) << "the stored height was larger than 30 per channel";
    EXPECT_EQ(Win->lNone->GetCaption(), "None");

    struct Column {
        const char* title;
        Integer width;
        TAlignMode align;
    };
    const Column columns[] = {
        {"Channel No.", 80, TAlignMode::taCenter}, {"RX Frequency", 90, TAlignMode::taRight},
        {"TX Frequency", 90, TAlignMode::taRight}, {"QT/DQT Dec", 80, TAlignMode::taRight},
        {"QT/DQT Enc", 80, TAlignMode::taRight},   {"TX Power", 70, TAlignMode::taCenter},
        {"W/N", 70, TAlignMode::taCenter},         {"Scan Add", 70, TAlignMode::taCenter},
        {"Beat Shift", 70, TAlignMode::taCenter},  {"Busy Lockout", 80, TAlignMode::taCenter},
    };
    for (Integer col = 1; col <= 10; ++col) {
        SCOPED_TRACE(col);
        const Column& c = columns[col - 1];
        EXPECT_EQ(Fore(col, 1), c.title);
        EXPECT_EQ(Grid->ColumnWidthAt(col), c.width);
        EXPECT_EQ(Grid->CellAt(col, 1).AlignMode, TAlignMode::taCenter) << "titles are centred";
        EXPECT_EQ(Grid->CellAt(col, 5).AlignMode, c.align);
        EXPECT_EQ(Grid->CellAt(col, 1).Color, clBtnFace);
        EXPECT_EQ(Grid->CellAt(col, 5).Color, col == 1 ? clBtnFace : clWhite);
        EXPECT_EQ(ReadOnly(col, 5), col != RX) << "only RX is editable in an empty row";
    }
    for (Integer row = 2; row < 18; ++row) {
        EXPECT_EQ(Fore(1, row), IntToStr(row - 1));
        EXPECT_EQ(Back(1, row), "");
        for (Integer col = RX; col <= LOCKOUT; ++col)
            EXPECT_EQ(Fore(col, row) + Back(col, row), "") << col << "," << row;
    }
    EXPECT_FALSE(Grid->GetShowPopup());
    EXPECT_FALSE(Grid->GetGridCanCopyMove());
    EXPECT_FALSE(Grid->GetGridCanFill());
    EXPECT_FALSE(AppState->Modified);
}

TEST_F(ChInfoTest, ResetRowsEmptiesTheChannelsOrBuildsRowsForAnotherCount) {
    Write(RX, 3, "431");
    Write(RX, 17, "432");
    ASSERT_EQ(Back(1, 3), "1");
    Win->ResetRows();
    EXPECT_EQ(Grid->GetRowCount(), 18);
    for (Integer row : {3, 17}) {
        EXPECT_EQ(Fore(1, row), IntToStr(row - 1)) << "numbers stay";
        EXPECT_EQ(Back(1, row), "");
        for (Integer col = RX; col <= LOCKOUT; ++col)
            EXPECT_EQ(Fore(col, row) + Back(col, row), "");
        EXPECT_TRUE(ReadOnly(TX, row));
    }
    EXPECT_EQ(Fore(RX, 1), "RX Frequency") << "titles stay";

    Write(RX, 4, "433");
    AppState->ChannelCount = 8;
    Win->ResetRows();
    EXPECT_EQ(Grid->GetRowCount(), 10);
    EXPECT_EQ(Fore(1, 9), "8");
    EXPECT_EQ(Fore(RX, 4) + Back(1, 4), "");
    EXPECT_EQ(Win->GetHeight(), 240);
    EXPECT_EQ(Grid->CellAt(1, 9).Color, clBtnFace);
    EXPECT_TRUE(ReadOnly(TX, 9));
    EXPECT_FALSE(ReadOnly(RX, 9));
}

// ---- Frequencies ------------------------------------------------------------------------------

TEST_F(ChInfoTest, AnRxWrittenIntoAnEmptyRowMakesAChannelWithTheDefaults) {
    const auto script = Answers();
    TScopedPromptScript& prompts = *script;
    Write(RX, 2, "446.0031");
    EXPECT_TRUE(prompts.Prompts().size() == 1) << "446 lies outside the band 430-440";
    const std::vector<std::pair<Integer, std::pair<const char*, const char*>>> expected = {
        {1, {"1", "1"}},      {RX, {"446.00000", ""}}, {TX, {"446.00000", ""}}, {DEC, {"None", "0"}},
        {ENC, {"None", "0"}}, {POWER, {"High", "1"}},  {WN, {"Wide", "0"}},     {SCAN, {"No", "1"}},
        {9, {"No", "1"}},     {LOCKOUT, {"No", "1"}},
    };
    for (const auto& [col, texts] : expected) {
        SCOPED_TRACE(col);
        if (col != 1) {
            EXPECT_EQ(Fore(col, 2), texts.first);
        }
        EXPECT_EQ(Back(col, 2), texts.second);
    }
    EXPECT_FALSE(ReadOnly(TX, 2));
    EXPECT_TRUE(ReadOnly(TX, 3)) << "the next row is untouched";
    EXPECT_TRUE(AppState->Modified);
}

struct FrequencyCase {
    const char* typed;
    const char* shown;
    const char* prompt; // "", "OutRange" or "ErrRange"
};

// The model covers 400-470 MHz, the band 430-440 MHz.
const FrequencyCase kFrequencyCases[] = {
    {"435", "435.00000", ""},          {"435.00625", "435.00625", ""},
    {"435.0063", "435.00625", ""}, // 50 Hz above a 6.25 kHz step
    {"435.0031", "435.00000", ""}, // 3.1 kHz on the 5 kHz raster
    {"500", "440.00000", "ErrRange"},  {"300", "430.00000", "ErrRange"},
    {"0", "430.00000", "ErrRange"},    {"450", "450.00000", "OutRange"},
    {"4..5", "440.00000", "OutRange"}, {"430", "430.00000", ""},
    {"440", "440.00000", ""},
};

String PromptOf(const char* name) {
    const String key = name;
    if (key == "OutRange") return PromptTexts->OutRange;
    if (key == "ErrRange") return PromptTexts->ErrRange;
    return "";
}

TEST_F(ChInfoTest, FrequenciesAreCheckedSnappedAndFormattedWithOnePromptAtMost) {
    for (const TFormatSettings& settings : {testsupport::DotSettings(), testsupport::CommaSettings()}) {
        testsupport::ScopedFormatSettings locale(settings);
        for (const FrequencyCase& c : kFrequencyCases) {
            SCOPED_TRACE(String(c.typed) + " with decimal separator " + settings.DecimalSeparator);
            Win->ResetRows();
            const auto script = Answers();
            TScopedPromptScript& prompts = *script;
            Write(RX, 5, c.typed);
            EXPECT_EQ(Fore(RX, 5), c.shown);
            EXPECT_EQ(Fore(TX, 5), c.shown) << "TX follows the first RX";
            Write(TX, 5, c.typed);
            EXPECT_EQ(Fore(TX, 5), c.shown);
            const std::vector<String> texts = Texts(prompts);
            if (*c.prompt == '\0') {
                EXPECT_TRUE(texts.empty());
            } else {
                EXPECT_EQ(texts, (std::vector<String>{PromptOf(c.prompt), PromptOf(c.prompt)}))
                    << "one prompt for the RX and one for the TX";
            }
        }
    }
}

TEST_F(ChInfoTest, ChangingOrClearingFrequenciesKeepsOrEmptiesTheChannel) {
    const auto script = Answers();
    TScopedPromptScript& prompts = *script;
    Write(RX, 3, "431");
    Write(TX, 3, "432");
    Grid->WriteForeText(DEC, 3, "67.0");
    Grid->WriteForeText(POWER, 3, "Low");
    Grid->WriteBackText(POWER, 3, "0");

    Write(RX, 3, "433");
    EXPECT_EQ(Fore(RX, 3), "433.00000");
    EXPECT_EQ(Fore(TX, 3), "432.00000") << "a channel keeps its TX";
    EXPECT_EQ(Fore(DEC, 3), "67.0");
    EXPECT_EQ(Fore(POWER, 3) + Back(POWER, 3), "Low0");

    Write(TX, 3, "");
    EXPECT_EQ(Fore(RX, 3), "433.00000") << "a channel may have no TX";
    EXPECT_EQ(Fore(TX, 3), "");
    EXPECT_EQ(Back(1, 3), "1");
    EXPECT_FALSE(ReadOnly(TX, 3));
    Write(TX, 3, "434");
    EXPECT_EQ(Fore(TX, 3), "434.00000");

    Write(RX, 3, "  ");
    EXPECT_EQ(Back(1, 3), "");
    for (Integer col = RX; col <= LOCKOUT; ++col)
        EXPECT_EQ(Fore(col, 3) + Back(col, 3), "") << col;
    EXPECT_TRUE(ReadOnly(TX, 3));
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(ChInfoTest, DeleteEmptiesTheSelectedFrequencyThroughTheCheckedWrite) {
    const auto script = Answers();
    TScopedPromptScript& prompts = *script;
    Write(RX, 4, "431");
    Write(RX, 5, "432");
    Grid->SetFocus();
    Pump();

    Grid->SetCurrentCell(TX, 5, true, true);
    Key(VK_DELETE);
    EXPECT_EQ(Fore(TX, 5), "");
    EXPECT_EQ(Fore(RX, 5), "432.00000") << "only the TX went";
    EXPECT_EQ(Back(1, 5), "1");

    Grid->SetCurrentCell(RX, 4, true, true);
    Key(VK_DELETE);
    EXPECT_EQ(Back(1, 4), "");
    EXPECT_EQ(Fore(TX, 4) + Fore(DEC, 4) + Fore(POWER, 4), "") << "the whole row went";
    EXPECT_TRUE(ReadOnly(TX, 4));
    EXPECT_TRUE(prompts.Prompts().empty());
}

enum TCommit { CommitByEnter, CommitByClickElsewhere, CommitByCommand };

class ChInfoTypingTest : public ChInfoTest {
protected:
    // Types into the RX editor of row 6 and commits it; `answer` queues an Enter for a message
    // box behind the input that commits.
    void TypeAndCommit(const char* typed, TCommit how, bool answer) {
        Click(RX, 6);
        ASSERT_TRUE(Grid->InplaceEditorShown());
        Type(std::u32string(typed, typed + std::char_traits<char>::length(typed)));
        auto queueEnter = [] {
            WinInputKey(VK_RETURN, false, true);
            WinInputKey(VK_RETURN, false, false);
        };
        if (how == CommitByEnter) {
            queueEnter();
        } else if (how == CommitByClickElsewhere) {
            const RECT r = Grid->CellRect(RX, 9);
            const POINT p = Grid->ClientToScreen(POINT{r.left + 5, r.top + 5});
            WinInputMouseMove(p);
            WinInputMouseButton(p, TWinMouseButton::Left, true);
            WinInputMouseButton(p, TWinMouseButton::Left, false);
        }
        if (answer) queueEnter();
        if (how == CommitByCommand) Grid->SwitchEditor(false); // as the main window before a command
        Pump();
        ClockAdvanceMs(1000);
    }
};

TEST_F(ChInfoTypingTest, TypedFrequenciesPassTheCheckOnceWhicheverWayTheyAreCommitted) {
    struct Way {
        TCommit how;
        TFormatSettings locale;
    };
    const Way ways[] = {{CommitByEnter, testsupport::DotSettings()},
                        {CommitByEnter, testsupport::CommaSettings()},
                        {CommitByClickElsewhere, testsupport::DotSettings()},
                        {CommitByCommand, testsupport::DotSettings()}};
    for (const Way& way : ways) {
        const TCommit how = way.how;
        testsupport::ScopedFormatSettings locale(way.locale);
        for (const FrequencyCase& c : kFrequencyCases) {
            SCOPED_TRACE(String(c.typed) + " committed by " + IntToStr(Integer(how)) +
                         " with decimal separator " + way.locale.DecimalSeparator);
            Win->ResetRows();
            const auto script = Answers();
            TypeAndCommit(c.typed, how, false);
            EXPECT_EQ(Fore(RX, 6), c.shown);
            const std::vector<String> texts = Texts(*script);
            EXPECT_EQ(texts.size(), *c.prompt == '\0' ? 0u : 1u);
            if (!texts.empty()) {
                EXPECT_EQ(texts[0], PromptOf(c.prompt));
            }
            EXPECT_EQ(Back(1, 6), "1");
            EXPECT_EQ(Fore(RX, 9), "");
            Grid->SwitchEditor(false);
        }
    }
}

// The prompt is a real message box here: it takes the focus from the grid's editor in the
// middle of the commit, and is answered by an Enter queued behind the input that commits.
class ChInfoBoxTest : public ChInfoTypingTest, public ::testing::WithParamInterface<TCommit> {};

TEST_P(ChInfoBoxTest, APromptTakingTheFocusMidCommitIsShownOnce) {
    std::vector<String> shown;
    const TPromptPresenter old =
        SetPromptPresenter([&](const String& text, const String& caption, UINT flags) {
            shown.push_back(text);
            // A second box would wait for an answer nobody queued.
            return shown.size() == 1 ? ShowDrawnMessageBox(text, caption, flags) : IDOK;
        });
    TypeAndCommit("500", GetParam(), true);
    SetPromptPresenter(old);
    EXPECT_EQ(Fore(RX, 6), "440.00000");
    EXPECT_EQ(shown, std::vector<String>{PromptTexts->ErrRange});
    EXPECT_EQ(Back(1, 6), "1");
}

INSTANTIATE_TEST_SUITE_P(CommitWays, ChInfoBoxTest,
                         ::testing::Values(CommitByEnter, CommitByClickElsewhere, CommitByCommand));

TEST_F(ChInfoTest, TheGridTakesDigitsPointBackspaceAndEnterOnly) {
    const std::vector<std::pair<char32_t, bool>> keys = {
        {U'0', true},  {U'9', true},  {U'.', true},  {8, true},     {13, true},     {U',', false},
        {U'-', false}, {U'a', false}, {U'D', false}, {U' ', false}, {U'中', false},
    };
    for (const auto& [key, kept] : keys) {
        char32_t k = key;
        Win->gvDataKeyPress(Grid, k);
        EXPECT_EQ(k, kept ? key : 0) << unsigned(key);
    }
    // Typed into the editor, letters and other separators never arrive.
    const auto script = Answers();
    Win->SetFocus();
    Pump();
    Click(RX, 2);
    Type(U"4a3,5-x.1");
    Key(VK_RETURN);
    EXPECT_EQ(Fore(RX, 2), "435.10000");
}

// ---- List editors -----------------------------------------------------------------------------

TEST_F(ChInfoTest, AListEditorIsPlacedOverTheCellOfAChannelOnly) {
    const auto script = Answers();
    Write(RX, 3, "431");
    Write(RX, 4, "432");
    Write(TX, 4, "");
    AppState->Modified = false;
    Win->SetFocus();
    Pump();
    TqzComboBox* const editors[] = {Win->cbQT, Win->cbDQT, Win->cbfsgl, Win->cbkz, Win->cbHave};
    auto shown = [&]() -> TqzComboBox* {
        TqzComboBox* found = nullptr;
        for (TqzComboBox* e : editors)
            if (e->GetVisible()) {
                EXPECT_EQ(found, nullptr) << "one editor at a time";
                found = e;
            }
        return found;
    };
    struct Case {
        Integer col;
        Integer row;
        TqzComboBox* editor;
    };
    const Case cases[] = {
        {DEC, 3, Win->cbQT},    {ENC, 3, Win->cbDQT}, {POWER, 3, Win->cbfsgl},   {WN, 3, Win->cbkz},
        {SCAN, 3, Win->cbHave}, {9, 3, Win->cbHave},  {LOCKOUT, 3, Win->cbHave}, {ENC, 4, nullptr},
        {DEC, 4, Win->cbQT},    {DEC, 5, nullptr},    {POWER, 5, nullptr},       {LOCKOUT, 5, nullptr},
        {1, 3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(IntToStr(c.col) + "," + IntToStr(c.row));
        Click(c.col, c.row);
        EXPECT_EQ(shown(), c.editor);
        if (c.editor == nullptr) continue;
        const RECT cell = Grid->CellRect(c.col, c.row);
        EXPECT_EQ(c.editor->GetLeft(), cell.left + 2);
        EXPECT_EQ(c.editor->GetTop(), cell.top + 2);
        EXPECT_EQ(c.editor->GetWidth(), Grid->ColumnWidthAt(c.col));
        EXPECT_TRUE(c.editor->Focused());
        EXPECT_EQ(c.editor->GetText(), Fore(c.col, c.row)) << "filled from the cell";
    }
    EXPECT_FALSE(AppState->Modified) << "placing editors changes no data";

    Click(POWER, 3);
    ASSERT_TRUE(Win->cbfsgl->GetVisible());
    // Enter as the editor's inner edit receives it.
    SendMessageA(Win->cbfsgl->GetInnerTextEditControl()->GetHandle(), WM_CHAR, 13, 0);
    Pump();
    EXPECT_FALSE(Win->cbfsgl->GetVisible());
    EXPECT_TRUE(Grid->Focused());
    EXPECT_FALSE(AppState->Modified);
}

// Enter typed as input, through the application's message loop, as a user presses it.
TEST_F(ChInfoTest, EnterTypedIntoAListEditorClosesItAndGivesTheGridTheFocus) {
    Write(RX, 3, "431");
    AppState->Modified = false;
    Win->SetFocus();
    Pump();
    struct Case {
        Integer col;
        TqzComboBox* editor;
    };
    const Case cases[] = {{DEC, Win->cbQT}, {ENC, Win->cbDQT}, {POWER, Win->cbfsgl}, {WN, Win->cbkz}, {SCAN, Win->cbHave}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.col);
        Click(c.col, 3);
        ASSERT_TRUE(c.editor->GetVisible());
        ASSERT_TRUE(c.editor->Focused());
        Key(VK_RETURN);
        EXPECT_FALSE(c.editor->GetVisible());
        EXPECT_TRUE(Grid->Focused());
    }
    EXPECT_FALSE(AppState->Modified) << "Enter alone changes no channel";
}

TEST_F(ChInfoTest, ListEditorsWriteTheirValueIntoTheCell) {
    const auto script = Answers();
    Write(RX, 3, "431");
    AppState->Modified = false;
    Win->SetFocus();
    Pump();

    Click(POWER, 3);
    ASSERT_TRUE(Win->cbfsgl->GetVisible());
    Win->cbfsgl->SetItemIndex(0);
    Pump();
    EXPECT_EQ(Fore(POWER, 3) + Back(POWER, 3), "Low0");
    EXPECT_TRUE(AppState->Modified);

    AppState->Modified = false;
    Click(9, 3);
    ASSERT_TRUE(Win->cbHave->GetVisible());
    EXPECT_EQ(Win->cbHave->GetItemIndex(), 1);
    Win->cbHave->SetItemIndex(0);
    Pump();
    EXPECT_EQ(Fore(9, 3) + Back(9, 3), "Yes0");
    EXPECT_EQ(Fore(SCAN, 3) + Back(SCAN, 3), "No1") << "only the cell edited";
    EXPECT_TRUE(AppState->Modified);

    // The tone rule; the back text stays.
    const std::vector<std::pair<const char*, const char*>> tones = {
        {"d023n", "D777N"}, {"D023n", "D023n"}, {"D089N", "D777N"}, {"25", "30.0"}, {"300", "290.0"},
        {"100", "100.0"},   {"D245I", "D245I"}, {"None", "None"},   {"", "None"},   {"67.0", "67.0"},
    };
    Click(DEC, 3);
    ASSERT_TRUE(Win->cbQT->GetVisible());
    for (const auto& [typed, stored] : tones) {
        SCOPED_TRACE(typed);
        AppState->Modified = false;
        Win->cbQT->SetText(typed);
        Pump();
        EXPECT_EQ(Fore(DEC, 3), stored);
        EXPECT_EQ(Back(DEC, 3), "0");
        EXPECT_TRUE(AppState->Modified);
    }

    // While the grid is re-translated, nothing is written back.
    AppState->Refreshing = true;
    Win->cbQT->SetText("77.0");
    Pump();
    EXPECT_EQ(Fore(DEC, 3), "67.0");
    AppState->Refreshing = false;
}

// Keys typed into a tone cell of the grid: the editor over the cell takes the text as typed (no
// completion from the list, the shown tone replaced), and the cell gets the tone rule's result.
TEST_F(ChInfoTest, TonesTypedIntoTheGridTakeTheToneRuleWithoutCompletion) {
    const auto script = Answers();
    Write(RX, 3, "431");
    Write(TX, 3, "432");
    Win->SetFocus();
    Pump();
    // Letters with Shift for capitals, as a keyboard types them.
    auto typeKeys = [&](const std::string& keys) {
        for (char c : keys) {
            const bool capital = c >= 'A' && c <= 'Z';
            const UINT vk = UINT(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c == '.' ? VK_OEM_PERIOD : c);
            if (capital) WinInputKey(VK_SHIFT, false, true);
            Key(vk);
            if (capital) WinInputKey(VK_SHIFT, false, false);
            Pump();
        }
    };
    struct Case {
        Integer col;
        const char* typed;
        const char* stored;
    };
    const Case cases[] = {
        {DEC, "25", "30.0"},      {DEC, "d023n", "D777N"}, {DEC, "D023n", "D023n"}, {DEC, "300", "290.0"},
        {DEC, "100", "100.0"},    {DEC, "D245I", "D245I"}, {DEC, "6", "30.0"},      {ENC, "25", "30.0"},
        {ENC, "d023n", "D777N"},  {ENC, "71.9", "71.9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Click(c.col == DEC ? ENC : DEC, 3); // away, so that the click below places the editor anew
        Click(c.col, 3);
        TqzComboBox* editor = c.col == DEC ? Win->cbQT : Win->cbDQT;
        ASSERT_TRUE(editor->GetVisible());
        ASSERT_TRUE(editor->Focused());
        typeKeys(c.typed);
        EXPECT_EQ(editor->GetText(), c.typed) << "the editor shows what was typed";
        EXPECT_EQ(Fore(c.col, 3), c.stored);
        Key(VK_RETURN);
        EXPECT_FALSE(editor->GetVisible());
        EXPECT_EQ(Fore(c.col, 3), c.stored) << "Enter keeps the cell";
    }
}

TEST_F(ChInfoTest, ToneEditorsTakeDigitsPointAndTheDcsLettersOnly) {
    // key, kept by a tone editor; the other list editors keep everything.
    const std::vector<std::pair<char32_t, bool>> keys = {
        {U'0', true},  {U'7', true},  {U'.', true},  {U'D', true},   {U'I', true},  {U'N', true},
        {U'd', true},  {U'i', true},  {U'n', true},  {8, true},      {U'X', false}, {U',', false},
        {U'-', false}, {U' ', false}, {U'a', false}, {U'中', false},
    };
    for (TqzComboBox* editor : {Win->cbQT, Win->cbDQT, Win->cbfsgl, Win->cbHave}) {
        const bool tone = editor == Win->cbQT || editor == Win->cbDQT;
        for (const auto& [key, kept] : keys) {
            char32_t k = key;
            Win->ComBoxKeyPress(editor, k);
            EXPECT_EQ(k, !tone || kept ? key : 0) << editor->GetName() << " " << unsigned(key);
        }
    }
}

// ---- The picture ------------------------------------------------------------------------------

TEST_F(ChInfoTest, PictureOfTheWindowWithChannelsAndAnOpenToneEditor) {
    const auto script = Answers();
    const char* rx[] = {"435.025", "436.0125", "437", "438.5", "439.99375"};
    for (Integer i = 0; i < 5; ++i)
        Write(RX, 2 + i, rx[i]);
    Grid->WriteForeText(DEC, 3, "67.0");
    Grid->WriteForeText(ENC, 4, "D023N");
    Grid->WriteForeText(POWER, 5, "Low");
    Win->SetFocus();
    Pump();
    Click(DEC, 4);
    ASSERT_TRUE(Win->cbQT->GetVisible());
    UpdateWindow(Frame->GetHandle());
    Pump();

    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Frame->GetHandle(), s));
    // The editor covers its cell; the cells around show the grid's colours.
    RECT frame;
    GetWindowRect(Frame->GetHandle(), &frame);
    auto pixelAt = [&](TControl* control, Integer x, Integer y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        return GdiPixelToColor(s.Row(p.y - frame.top)[p.x - frame.left] & 0xFFFFFF);
    };
    const RECT number = Grid->CellRect(1, 9);
    EXPECT_EQ(pixelAt(Grid, number.left + 3, number.top + 3), COLORREF(ColorToRGB(clBtnFace)));
    const RECT empty = Grid->CellRect(ENC, 12);
    EXPECT_EQ(pixelAt(Grid, empty.left + 3, empty.top + 3), COLORREF(ColorToRGB(clWhite)));
    const RECT editor = Grid->CellRect(DEC, 4);
    EXPECT_NE(pixelAt(Grid, editor.left + 1, editor.top + 1), COLORREF(ColorToRGB(clWhite)))
        << "the editor's frame lies over the cell";

    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x)
            pixels.push_back(s.Row(y)[x] & 0xFFFFFF);
    // The tone list dropped down, drawn where it shows over the window.
    Win->cbQT->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(Win->cbQT->HasOpenPopup());
    HWND popup = Win->cbQT->GetPopupWindow()->GetHandle();
    UpdateWindow(popup);
    GdiSurface list;
    ASSERT_TRUE(WinGetSurface(popup, list));
    RECT at;
    GetWindowRect(popup, &at);
    for (int y = 0; y < list.Height; ++y)
        for (int x = 0; x < list.Width; ++x) {
            const int fx = at.left - frame.left + x, fy = at.top - frame.top + y;
            if (fx >= 0 && fy >= 0 && fx < s.Width && fy < s.Height)
                pixels[std::size_t(fy) * std::size_t(s.Width) + std::size_t(fx)] = list.Row(y)[x] & 0xFFFFFF;
        }
    testsupport::WritePng(testsupport::ArtifactPath("ChInfoWindow.png"), s.Width, s.Height, pixels);
    Win->cbQT->SetDroppedDown(false);
    Pump();
}

} // namespace

namespace {

// ---- Languages --------------------------------------------------------------------------------

// The program's own language files in the program directory of the test.
class ChInfoLanguageTest : public ChInfoTest {
protected:
    void SetUp() override {
        ChInfoTest::SetUp();
        for (const char* name : {"English.Ini", "Chinese.Ini"})
            testsupport::WriteFileBytes(FDir.File(name), testsupport::ReadFileBytes(testsupport::FixturePath(
                                                             std::string("../../app/lang/") + name)));
        AppState->AppDir = FDir.Path() + "/";
    }
    testsupport::TempDir FDir;
};

TEST_F(ChInfoLanguageTest, RetranslatingTurnsTitlesNoneAndOptionTextsIntoTheNewLanguage) {
    const auto script = Answers();
    Write(RX, 2, "431");
    Write(RX, 3, "432");
    Grid->WriteForeText(DEC, 3, "67.0");
    Grid->WriteForeText(POWER, 3, "Low");
    Grid->WriteBackText(POWER, 3, "0");
    Grid->WriteForeText(SCAN, 3, "Yes");
    Grid->WriteBackText(SCAN, 3, "0");
    AppState->Modified = false;

    struct Language {
        const char* name;
        const char* caption;
        const char* title;
        const char* none;
        const char* high;
        const char* low;
        const char* wide;
        const char* yes;
        const char* no;
    };
    const Language languages[] = {
        {"Chinese", "信道信息", "接收频率", "无", "高", "低", "宽带", "是", "否"},
        {"English", "Channel Information", "RX Frequency", "None", "High", "Low", "Wide", "Yes", "No"},
    };
    for (const Language& l : languages) {
        SCOPED_TRACE(l.name);
        AppState->LanguageName = l.name;
        Win->RetranslateGrid();
        EXPECT_EQ(Win->GetCaption(), l.caption);
        EXPECT_EQ(Fore(RX, 1), l.title);
        EXPECT_EQ(Win->lNone->GetCaption(), l.none);
        EXPECT_EQ(Fore(DEC, 2), l.none);
        EXPECT_EQ(Fore(ENC, 2), l.none);
        EXPECT_EQ(Fore(POWER, 2), l.high);
        EXPECT_EQ(Fore(WN, 2), l.wide);
        EXPECT_EQ(Fore(LOCKOUT, 2), l.no);
        EXPECT_EQ(Fore(DEC, 3), "67.0");
        EXPECT_EQ(Fore(POWER, 3), l.low);
        EXPECT_EQ(Fore(SCAN, 3), l.yes);
        EXPECT_EQ(Back(POWER, 3) + Back(SCAN, 3), "00") << "the codes stay";
        EXPECT_EQ(Fore(DEC, 4), "") << "rows without a channel stay empty";
        EXPECT_EQ(Win->cbQT->GetProperties()->GetItems()->GetStrings(0), l.none);
        EXPECT_EQ(Win->cbQT->GetProperties()->GetItems()->GetStrings(1), "67.0") << "tones are no words";
        EXPECT_EQ(Win->cbQT->GetTag(), -3);
        EXPECT_FALSE(AppState->Modified);
        EXPECT_FALSE(AppState->Refreshing);
    }
}

TEST_F(ChInfoLanguageTest, AWindowShownInAnotherLanguageFillsNewChannelsInIt) {
    delete Win;
    AppState->LanguageIndex = 1;
    AppState->LanguageName = "Chinese";
    Win = new TfChInfo(Frame);
    Pump();
    Grid = Win->gvData;
    const auto script = Answers();
    Write(RX, 2, "431");
    EXPECT_EQ(Win->GetCaption(), "信道信息");
    EXPECT_EQ(Fore(1, 1), "信道号");
    EXPECT_EQ(Fore(DEC, 2) + Fore(ENC, 2) + Fore(POWER, 2) + Fore(WN, 2) + Fore(SCAN, 2), "无无高宽带否");
    EXPECT_EQ(Grid->ColumnWidthAt(RX), 90) << "widths and alignments are no words";
}

// ---- The tone picker --------------------------------------------------------------------------

TEST_F(ChInfoTest, AToneFromThePickerGoesIntoTheCellAndTheEditor) {
    const auto script = Answers();
    Write(RX, 3, "431");
    Win->SetFocus();
    Pump();
    auto doubleClickEditor = [&] {
        Click(DEC, 3);
        ASSERT_TRUE(Win->cbQT->GetVisible());
        const POINT p = Win->cbQT->ClientToScreen(POINT{10, 5});
        WinInputMouseMove(p);
        for (bool down : {true, false, true, false})
            WinInputMouseButton(p, TWinMouseButton::Left, down);
        Pump();
        ClockAdvanceMs(1000);
    };

    // Closed with its close box: nothing chosen, nothing changed.
    AppState->Modified = false;
    {
        testsupport::TScopedModalScript modal;
        modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) { picker.Close(); });
        doubleClickEditor();
        EXPECT_EQ(modal.Shown(), std::vector<String>{"fToneOption"});
    }
    EXPECT_EQ(Fore(DEC, 3), "None");
    EXPECT_FALSE(AppState->Modified);

    // 206.5 is in the picker but not in the editor's list: kept as it is.
    {
        testsupport::TScopedModalScript modal;
        modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) {
            picker.gvCtcss->SetCurrentCell(11, 7, true, true);
            ASSERT_EQ(picker.gvCtcss->ReadForeText(11, 7), "206.5");
            picker.gvCtcssDblClick(picker.gvCtcss);
        });
        doubleClickEditor();
        EXPECT_EQ(modal.Shown(), std::vector<String>{"fToneOption"});
    }
    EXPECT_EQ(Fore(DEC, 3), "206.5");
    EXPECT_EQ(Back(DEC, 3), "0");
    EXPECT_EQ(Win->cbQT->GetText(), "206.5");
    EXPECT_TRUE(AppState->Modified);
}

} // namespace

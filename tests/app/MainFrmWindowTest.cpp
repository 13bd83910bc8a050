// The main window as the program shows it: the first show, the status, the command dispatcher
// and its dialogs, the model change, the bars, help and the close question.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/BBatchEdit.h"
#include "app/BInfoEdit.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/MeMode.h"
#include "app/Model.h"
#include "app/SetLanguage.h"
#include "grid/Tambor.h"
#include "menupainter/Skarn.h"
#include "platform/classlib/ComCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/ImgList.h"
#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Prompts.h"
#include "platform/winapi/Shell.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/controls/qzButtons.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/MainFrmFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestPty.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::TScopedModalScript;
using testsupport::WriteFileBytes;

using mainfrmtest::MicrosAt;

// The main window as the program shows it, started by each test.
using MainFrmWindowTest = mainfrmtest::TMainFrmFixture;

// ---- First show --------------------------------------------------------------------------------------

TEST_F(MainFrmWindowTest, FirstShowTakesThePortThatIsPresent) {
    ptytest::TPty com2, com3;
    struct Case {
        const char* Stored;
        std::vector<int> Present;
        const char* Port;
    } cases[] = {
        {"com3", {2, 3}, "COM3"},
        {"COM9", {2, 3}, "COM2"},
        {"com4", {}, "COM4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Stored);
        ptytest::TPortDir ports;
        for (int n : c.Present)
            ports.Link(n, (n == 2 ? com2 : com3).SlavePath());
        AppState->ComPort = c.Stored;
        AppState->Modified = true;
        Start();
        EXPECT_EQ(AppState->ComPort, c.Port);
        EXPECT_EQ(Panel(3), String("Port: ") + c.Port);
        EXPECT_FALSE(AppState->Modified);
        App.reset();
    }
}

TEST_F(MainFrmWindowTest, FirstShowPicksTheFirstModelAndFillsTheWindow) {
    Start();
    const TMacType& first = *ModelList->ModelAt(0);
    EXPECT_EQ(AppState->ModelName, first.DisplayName);
    EXPECT_EQ(AppState->BandText, first.DefaultBand);
    EXPECT_EQ(Frame->GetCaption(), "KOV-571");
    EXPECT_FALSE(Frame->SingleModel);
    EXPECT_TRUE(Frame->FileName.empty());
    // The layout of a program with more than one model.
    EXPECT_TRUE(Item("mModel")->GetVisible());
    EXPECT_TRUE(Frame->lMode->GetVisible());
    EXPECT_FALSE(Frame->lCom->GetVisible());
    EXPECT_FALSE(Frame->cbFreq->GetVisible());
    EXPECT_FALSE(Item("mTestOnline")->GetVisible());
    EXPECT_EQ(Frame->stModel->GetCaption(), first.DisplayName);
    EXPECT_EQ(Frame->stFreq->GetCaption(), first.DefaultBand);
    // The status bar: five panels, the date, the time, the port.
    ASSERT_EQ(Frame->MainBar->GetPanels()->GetCount(), 5);
    const Integer widths[] = {50, 80, 120, 180, 200};
    for (Integer i = 0; i < 5; ++i)
        EXPECT_EQ(Frame->MainBar->GetPanels()->GetItems(i)->GetWidth(), widths[i]);
    EXPECT_EQ(Panel(0), "");
    EXPECT_EQ(Panel(1), FormatDateTime("yyyy/mm/dd", EncodeDate(2026, 12, 8)));
    EXPECT_EQ(Panel(2), "23:54:31");
    EXPECT_EQ(Panel(3), "Port: COM1");
    // The pictures, the tool bar's images and the menu painter.
    EXPECT_EQ(Frame->ImBack->GetPicture()->GetBitmap()->GetWidth(), 64);
    EXPECT_EQ(Frame->Image->GetCount(), 8);
    EXPECT_TRUE(Frame->Xp->GetActive());
    // The hidden staging grid of a read.
    ASSERT_NE(Frame->tvData, nullptr);
    EXPECT_EQ(Frame->tvData->GetColCount(), 12);
    EXPECT_EQ(Frame->tvData->GetTag(), -2);
    EXPECT_FALSE(Frame->tvData->GetVisible());
    EXPECT_EQ(Frame->Timer->GetInterval(), 1000);
    EXPECT_TRUE(Frame->Timer->GetEnabled());

    // The timer moves the time on with the clock.
    ClockSetLocalMicros(MicrosAt(23, 55, 2));
    ASSERT_TRUE(Frame->Timer->GetOnTimer().Assigned());
    Frame->Timer->GetOnTimer()(Frame->Timer);
    EXPECT_EQ(Panel(2), "23:55:02");
}

// The channel window opened at start-up has its grid focused: keys typed before any click reach it.
TEST_F(MainFrmWindowTest, KeysTypedAfterStartReachTheChannelGrid) {
    Start();
    ASSERT_EQ(GetFocus(), Grid->GetHandle());
    EXPECT_EQ(fChInfo->GetActiveControl(), Grid);
    const Integer col = Grid->GetCol(), row = Grid->GetRow();
    auto press = [&](UINT key) {
        WinInputKey(key, false, true);
        WinInputKey(key, false, false);
        Pump();
    };
    press(VK_DOWN);
    EXPECT_EQ(Grid->GetRow(), row + 1);
    press(VK_RIGHT);
    EXPECT_EQ(Grid->GetCol(), col + 1);
    press(VK_LEFT);
    ASSERT_EQ(Grid->GetCol(), ccRx);
    // A digit opens the editor with it; Enter commits the channel's RX.
    WinInputKey('4', false, true, U"4");
    WinInputKey('4', false, false);
    WinInputText(U"51");
    press(VK_RETURN);
    EXPECT_EQ(Grid->ReadForeText(ccRx, row + 1), "451.00000");
}

TEST_F(MainFrmWindowTest, MenusAndToolButtonsCarryTheirCommands) {
    Start();
    struct Case {
        const char* Name;
        Integer Tag;
        const char* ShortCut;
    } items[] = {
        {"mNew", 1, "Ctrl+N"},  {"mOpen", 2, "Ctrl+O"},      {"mSave", 3, "Ctrl+S"},   {"mSaveAs", 4, "Ctrl+A"},
        {"mPrint", 7, "Ctrl+P"}, {"mPreview", 8, "Ctrl+V"},  {"mExit", 0, "Ctrl+X"},   {"mChannelEdit", 10, "F11"},
        {"mBatchEdit", 36, "F10"}, {"mFunction", 37, ""},    {"mTestFrequency", 18, ""}, {"mMessage", 19, ""},
        {"mRead", 20, "Ctrl+R"}, {"mWrite", 21, "Ctrl+W"},   {"mTestOnline", 22, ""},  {"mModel", 9, ""},
        {"mPort", 24, ""},       {"mLanguage", 25, ""},      {"mCascade", 29, ""},     {"mTileH", 30, ""},
        {"mTileV", 31, ""},      {"mArrange", 32, ""},       {"mCloseAll", 33, ""},    {"mHelpTopics", 34, ""},
        {"mAbout", 35, ""},
    };
    for (const Case& c : items) {
        SCOPED_TRACE(c.Name);
        TMenuItem* item = Item(c.Name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->GetTag(), c.Tag);
        EXPECT_EQ(item->GetShortCut(), c.ShortCut[0] ? TextToShortCut(c.ShortCut) : TShortCut(0));
        EXPECT_TRUE(item->OnClick.Assigned());
    }
    EXPECT_FALSE(Item("mTestFrequency")->GetVisible());
    EXPECT_FALSE(Item("mMessage")->GetVisible());
    EXPECT_FALSE(Item("mWindow")->GetVisible());
    // The hidden separators of Edit and View, and Tree View.
    for (const char* name : {"N4", "N7", "mTreeView"}) {
        ASSERT_NE(Item(name), nullptr) << name;
        EXPECT_FALSE(Item(name)->GetVisible()) << name;
    }
    EXPECT_TRUE(Item("N7")->IsLine());
    EXPECT_EQ(Item("N7")->GetParent(), Item("mView"));
    const char* buttons[] = {"tbNew", "tbOpen", "tbSave", "ToolButton3", "tbPrint", "tbRead", "tbWrite", "tbHelp"};
    const Integer tags[] = {1, 2, 3, 10, 7, 20, 21, 34};
    for (Integer i = 0; i < 8; ++i) {
        auto* button = dynamic_cast<TToolButton*>(Frame->FindComponent(buttons[i]));
        ASSERT_NE(button, nullptr) << buttons[i];
        EXPECT_EQ(button->GetTag(), tags[i]);
        EXPECT_EQ(button->GetImageIndex(), i);
        EXPECT_EQ(button->GetParent(), Frame->tbar);
    }
}

// ---- The dispatcher ------------------------------------------------------------------------------

TEST_F(MainFrmWindowTest, EveryTagRunsItsCommand) {
    // A port the read and write dialogs open (nothing answers on it: they are cancelled).
    ptytest::TPty com1;
    FPorts.Link(1, com1.SlavePath());
    Start();
    Grid->SetCurrentCell(ccRx, 4, true, true); // channel 3
    struct Case {
        Integer Tag;
        std::vector<String> Shown; // the modal forms, in order
    } cases[] = {
        {9, {"fModel"}},         {10, {"fBInfoEdit"}},       {18, {"fTestFrequency"}}, {19, {"fEmbeddedMessage"}},
        {20, {"fReadRadio"}},    {21, {"fWriteRadio"}},      {24, {"fSetPort"}},       {25, {"fSetLanguage"}},
        {35, {"fFrmAbout"}},     {36, {"fBBatchEdit"}},      {37, {"fBFunSet"}},       {0, {}},
        {5, {}},                 {22, {}},                   {99, {}},                 {-2, {}},
    };
    // Tags 7 and 8 (printing) need a printer: their test runs with the display's PDF printer.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Tag);
        TScopedModalScript modal;
        for (const String& form : c.Shown)
            modal.Add(form, [&](TCustomForm& dialog) {
                if (auto* edit = dynamic_cast<TfBInfoEdit*>(&dialog)) {
                    EXPECT_EQ(edit->StartChannel, 3);
                    EXPECT_FALSE(edit->Loading);
                    EXPECT_EQ(edit->sexd->GetProperties()->GetMaxValue(), 16);
                }
                if (auto* batch = dynamic_cast<TfBBatchEdit*>(&dialog)) {
                    EXPECT_EQ(batch->seFrom->GetProperties()->GetMaxValue(), 16);
                    EXPECT_EQ(batch->seTo->GetProperties()->GetMaxValue(), 16);
                }
                dialog.SetModalResult(mrCancel);
            });
        TScopedPromptScript prompts;
        Frame->RunCommand(c.Tag);
        Pump();
        EXPECT_EQ(modal.Shown(), c.Shown);
        EXPECT_TRUE(prompts.Prompts().empty());
        EXPECT_EQ(App->GetMainForm(), Frame);
        ASSERT_NE(fChInfo, nullptr);
        EXPECT_FALSE(AppState->Modified);
    }
}

// Close All Windows closes the channel window by hiding it: not freed, not an icon, its table
// kept.
TEST_F(MainFrmWindowTest, CloseAllWindowsHidesTheChannelWindowWithItsData) {
    Start();
    Grid->WriteForeText(ccRx, 2, "451");
    TfChInfo* channels = fChInfo;
    TScopedPromptScript prompts;
    Frame->RunCommand(33);
    Pump();
    EXPECT_TRUE(prompts.Prompts().empty());
    ASSERT_EQ(fChInfo, channels);
    EXPECT_FALSE(fChInfo->GetVisible());
    EXPECT_NE(fChInfo->GetWindowState(), wsMinimized);
    EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "451.00000");
}

TEST_F(MainFrmWindowTest, ACommandCommitsTheOpenEditAndHidesTheListEditors) {
    Start();
    fChInfo->SetFocus();
    Pump();
    const RECT r = Grid->CellRect(ccRx, 3);
    const POINT p = Grid->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    WinInputMouseMove(p);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    Pump();
    ASSERT_TRUE(Grid->InplaceEditorShown());
    WinInputText(U"451.5");
    Pump();
    fChInfo->cbQT->SetVisible(true);
    Frame->RunCommand(99);
    Pump();
    EXPECT_FALSE(Grid->GetEditorMode());
    EXPECT_EQ(Grid->ReadForeText(ccRx, 3), "451.50000");
    for (TqzComboBox* editor : {fChInfo->cbfsgl, fChInfo->cbDQT, fChInfo->cbQT, fChInfo->cbHave, fChInfo->cbkz})
        EXPECT_FALSE(editor->GetVisible()) << editor->GetName();
}

// ---- The model change --------------------------------------------------------------------------------

TEST_F(MainFrmWindowTest, AModelChangeSavesTheOldDataFirstOrChangesNothing) {
    Start();
    const TMacType& first = *ModelList->ModelAt(0);
    const TMacType& second = *ModelList->ModelAt(1);
    const TLanguage texts;
    struct Case {
        const char* Name;
        bool Modified;
        std::vector<int> Replies;
        std::vector<String> Asked;
        const char* Chosen; // the save dialog: a file name, "" cancelled, nullptr not shown
        bool Switches;
    } cases[] = {
        {"not modified", false, {}, {}, nullptr, true},
        {"ClearData No", true, {IDNO}, {texts.ClearData}, nullptr, false},
        {"not saved", true, {IDYES, IDNO}, {texts.ClearData, texts.SaveProgram}, nullptr, true},
        {"save cancelled", true, {IDYES, IDYES}, {texts.ClearData, texts.SaveProgram}, "", false},
        {"saved", true, {IDYES, IDYES}, {texts.ClearData, texts.SaveProgram}, "old.dat", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        AppState->UseModel(const_cast<TMacType&>(first));
        AppState->UseBand(first.DefaultBand);
        fChInfo->ResetRows();
        Grid->WriteForeText(ccRx, 2, "451");
        AppState->Modified = c.Modified;

        TScopedModalScript modal;
        modal.Add<TfModel>("fModel", [&](TfModel& d) {
            d.cbCopmut->SetItemIndex(1);
            d.cbCopmutChange(nullptr);
            d.btnOk->Click();
        });
        TScopedPromptScript prompts;
        for (int reply : c.Replies)
            prompts.AddReply(reply);
        testsupport::TempDir dir;
        TScopedDialogScript dialogs;
        if (c.Chosen && c.Chosen[0]) dialogs.ChooseFiles({dir.File(c.Chosen)});
        if (c.Chosen && !c.Chosen[0]) dialogs.Cancel();
        Frame->RunCommand(9);
        Pump();

        std::vector<String> asked;
        for (const TPromptRecord& prompt : prompts.Prompts())
            asked.push_back(prompt.Text);
        EXPECT_EQ(asked, c.Asked);
        if (c.Chosen && c.Chosen[0]) {
            // The file holds the old model's data.
            const String bytes = ReadFileBytes(dir.File(c.Chosen));
            EXPECT_EQ(bytes.substr(0, 1 + first.Code.size()), "P" + first.Code);
        }
        if (c.Switches) {
            EXPECT_EQ(AppState->ModelName, second.DisplayName);
            EXPECT_EQ(AppState->BandText, second.DefaultBand);
            EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "");
            EXPECT_EQ(Grid->GetRowCount(), second.ChannelCount + 2);
            EXPECT_FALSE(AppState->Modified);
            EXPECT_EQ(Frame->stModel->GetCaption(), second.DisplayName);
        } else {
            EXPECT_EQ(AppState->ModelName, first.DisplayName);
            EXPECT_EQ(AppState->BandText, first.DefaultBand);
            EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "451.00000");
            EXPECT_TRUE(AppState->Modified);
        }
    }
}

// ---- Bars, help, close ---------------------------------------------------------------------------------

TEST_F(MainFrmWindowTest, ToolbarAndStatusBarItemsHideAndShowTheirBars) {
    Start();
    for (auto [name, bar] : {std::pair<const char*, TControl*>{"mToolbar", Frame->pBar},
                             std::pair<const char*, TControl*>{"mStatusBar", Frame->MainBar}}) {
        SCOPED_TRACE(name);
        TMenuItem* item = Item(name);
        EXPECT_TRUE(item->GetChecked());
        EXPECT_TRUE(bar->GetVisible());
        item->Click();
        EXPECT_FALSE(item->GetChecked());
        EXPECT_FALSE(bar->GetVisible());
        item->Click();
        EXPECT_TRUE(item->GetChecked());
        EXPECT_TRUE(bar->GetVisible());
    }
}

TEST_F(MainFrmWindowTest, HelpOpensTheLanguagesHelpFileOrSaysItIsMissing) {
    Start();
    std::vector<TShellOpenRequest> opened;
    TShellOpener old = ShellSetOpener([&](const TShellOpenRequest& r) {
        opened.push_back(r);
        return true;
    });
    const std::string file = FDir.File("VZ_Chinese.chm");
    {
        // Missing: the error box names the file.
        TScopedPromptScript prompts({IDOK});
        Frame->RunCommand(34);
        EXPECT_TRUE(opened.empty());
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_NE(prompts.Prompts()[0].Text.find(file), String::npos);
        EXPECT_EQ(prompts.Prompts()[0].Flags & MB_ICONMASK, UINT(MB_ICONERROR));
    }
    WriteFileBytes(file, "help");
    {
        TScopedPromptScript prompts;
        Frame->RunCommand(34);
        EXPECT_TRUE(prompts.Prompts().empty());
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].Verb, "open");
        EXPECT_EQ(opened[0].File, file);
        EXPECT_EQ(opened[0].ShowCmd, SW_SHOWNORMAL);
    }
    ShellSetOpener(old);
}

// An open help window is only told to show itself: the show-window message with 0, 0.
TEST_F(MainFrmWindowTest, AnOpenHelpWindowGetsTheShowWindowMessage) {
    Start();
    WriteFileBytes(FDir.File("VZ_Chinese.chm"), "help");
    std::vector<TShellOpenRequest> opened;
    TShellOpener old = ShellSetOpener([&](const TShellOpenRequest& r) {
        opened.push_back(r);
        return true;
    });
    std::unique_ptr<TForm> help(TForm::CreateNew(nullptr));
    help->SetCaption("VZ_Help");
    help->SetBounds(10, 10, 200, 150);
    help->Show();
    Pump();
    struct TSpy {
        TWndMethod Old;
        std::vector<std::pair<WPARAM, LPARAM>> Shown;
        void Proc(TMessage& message) {
            if (message.Msg == WM_SHOWWINDOW) Shown.emplace_back(message.WParam, message.LParam);
            Old(message);
        }
    } spy{help->WindowProc, {}};
    help->WindowProc = TWndMethod(&spy, &TSpy::Proc);
    TScopedPromptScript prompts;
    Frame->RunCommand(34);
    Pump();
    help->WindowProc = spy.Old;
    ShellSetOpener(old);
    EXPECT_EQ(spy.Shown, (std::vector<std::pair<WPARAM, LPARAM>>{{0, 0}}));
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(prompts.Prompts().empty());
}

// ---- Language ------------------------------------------------------------------------------------------

// A change of language reloads the prompt texts and translates the main window and the channel
// window at once (the table's titles, tone and option cells too); the data stay as modified as
// they were. Choosing the language already active translates nothing.
TEST_F(MainFrmWindowTest, ALanguageChangeTranslatesBothWindowsAtOnce) {
    WriteFileBytes(FDir.File("SysInfo.Ini"), "[SysInfo]\nLanguage=Chinese|English\nChinese=Zh|En\n");
    WriteFileBytes(FDir.File("English.Ini"), "[Language]\nClearData=Clear all?\n"
                                             "[fMainFrm]\nmFile.Caption=&Fichier\nlCom.Caption=Puerto: \n"
                                             "[fChInfo]\nfChInfo.Caption=Canales\nBColText.1=RX MHz\n"
                                             "cbQT.0=Off\ncbDQT.0=Off\ncbfsgl.0=Lo\ncbfsgl.1=Hi\n");
    Start();
    Grid->WriteForeText(ccRx, 2, "451");
    ASSERT_EQ(Grid->ReadForeText(ccDecodeTone, 2), "None");
    ASSERT_EQ(Grid->ReadForeText(ccTxPower, 2), "High");
    for (const bool modified : {true, false}) {
        SCOPED_TRACE(modified);
        AppState->Modified = modified;
        TScopedModalScript modal;
        modal.Add<TfSetLanguage>("fSetLanguage", [&](TfSetLanguage& d) {
            d.cbLanguage->SetItemIndex(1); // English, the second time already active
            d.btnOk->Click();
        });
        TScopedPromptScript prompts;
        Frame->RunCommand(25);
        Pump();
        EXPECT_TRUE(prompts.Prompts().empty());
        EXPECT_EQ(AppState->LanguageName, "English");
        EXPECT_EQ(PromptTexts->ClearData, "Clear all?");
        EXPECT_EQ(Item("mFile")->GetCaption(), "&Fichier");
        EXPECT_EQ(Panel(3), "Puerto:COM1"); // the status follows (a profile value loses its trailing blank)
        EXPECT_EQ(fChInfo->GetCaption(), "Canales");
        EXPECT_EQ(Grid->ReadForeText(ccRx, 1), "RX MHz");
        EXPECT_EQ(Grid->ReadForeText(ccDecodeTone, 2), "Off");
        EXPECT_EQ(Grid->ReadForeText(ccEncodeTone, 2), "Off");
        EXPECT_EQ(Grid->ReadForeText(ccTxPower, 2), "Hi");
        EXPECT_EQ(Grid->ReadForeText(ccRx, 2), "451.00000");
        EXPECT_EQ(AppState->Modified, modified);
        // For the second round the file says something else, which must not be read again.
        WriteFileBytes(FDir.File("English.Ini"), "[Language]\nClearData=Other\n"
                                                 "[fMainFrm]\nmFile.Caption=&Other\n"
                                                 "[fChInfo]\nfChInfo.Caption=Other\n");
    }
}

// With the shipped language files a language looks the same after a restart (the program started
// again with the settings it wrote) as when it was chosen in the language dialog, and the port in
// the status bar keeps its blank after the label in either language.
TEST_F(MainFrmWindowTest, AChosenLanguageLooksTheSameAfterARestart) {
    for (const std::string name : {"Chinese.Ini", "English.Ini"})
        WriteFileBytes(FDir.File(name), ReadFileBytes(testsupport::FixturePath("../../app/lang/" + name)));
    WriteFileBytes(FDir.File("SysInfo.Ini"), "[SysInfo]\r\nCom=COM1\r\nDefaultLanguage=0\r\n");
    auto texts = [&] {
        return std::vector<String>{Frame->GetCaption(),          Item("mFile")->GetCaption(),
                                   Item("mLanguage")->GetCaption(), Frame->lMode->GetCaption(),
                                   Panel(3),                      fChInfo->GetCaption(),
                                   Grid->ReadForeText(ccRx, 1),   Grid->ReadForeText(ccTxPower, 1),
                                   fChInfo->lNone->GetCaption(),  PromptTexts->ReadOk};
    };
    auto startFromSettings = [&] {
        App.reset();
        ReadSystemSettings();
        LoadMessages(AppState->LanguageName);
        Start();
    };
    const struct {
        Integer Index;
        const char* Name;
        const char* File;
        const char* Port;
        const char* Channels;
    } cases[] = {
        {1, "English", "&File", "Port: COM1", "Channel Information"},
        {0, "Chinese", "文件(&F)", "端口：COM1", "信道信息"},
        {1, "English", "&File", "Port: COM1", "Channel Information"},
    };
    startFromSettings();
    EXPECT_EQ(AppState->LanguageName, "Chinese");
    EXPECT_EQ(Item("mFile")->GetCaption(), "文件(&F)");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TScopedModalScript modal;
        modal.Add<TfSetLanguage>("fSetLanguage", [&](TfSetLanguage& d) {
            d.cbLanguage->SetItemIndex(c.Index);
            d.btnOk->Click();
        });
        Frame->RunCommand(25);
        Pump();
        ASSERT_EQ(AppState->LanguageName, c.Name);
        const std::vector<String> chosen = texts();
        EXPECT_EQ(chosen[1], c.File);
        EXPECT_EQ(chosen[4], c.Port);
        EXPECT_EQ(chosen[5], c.Channels);
        WriteSystemSettings(); // as the closing main window does
        startFromSettings();
        EXPECT_EQ(AppState->LanguageName, c.Name);
        EXPECT_EQ(texts(), chosen);
    }
}

} // namespace

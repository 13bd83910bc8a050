#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/Maindb.h"
#include "app/MeMode.h"
#include "app/Program.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Profile.h"
#include "platform/runtime/Prompts.h"
#include "tests/app/DataModelGuard.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

// Each test runs the start-up in a program directory of its own, with an application object of
// its own; the data model instances that were there before come back afterwards.
class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        FOldClockMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        MaindbProgramDir = FDir.Path() + "/";
    }
    ~StartupTest() override {
        App.reset();
        fMaindb = nullptr;
        fMainFrm = nullptr;
        fChInfo = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldClockMode);
        MaindbStepHook = nullptr;
        MaindbProgramDir.clear();
    }

    std::string SettingsPath() const { return FDir.File("SysInfo.Ini"); }

    testsupport::TempDir FDir;
    std::unique_ptr<TApplication> App;

private:
    apptest::TDataModelGuard FDataModel;
    TClockMode FOldClockMode = TClockMode::Real;
};

TEST_F(StartupTest, DataModuleCreatesTheModelInOrder) {
    WriteFileBytes(SettingsPath(), "[SysInfo]\r\nCom=COM4\r\nDefaultLanguage=1\r\nPicID=0\r\n"
                                   "Language=Chinese|English\r\n");
    WriteFileBytes(FDir.File("English.Ini"), "[Language]\r\nReadOk=Read done\r\n");

    // What each step leaves behind, seen right after it.
    std::vector<String> steps;
    std::vector<String> problems;
    auto check = [&](bool ok, const String& what) {
        if (!ok) problems.push_back(steps.back() + ": " + what);
    };
    TfMaindb* module = nullptr;
    MaindbStepHook = [&](const String& step) {
        steps.push_back(step);
        if (step == "RecordSets") {
            check(!AppState && !ModelList && !PromptTexts, "no instances yet");
        } else if (step == "Instances") {
            check(ModelList && AppState && TestFrequencies && MessageLines && FunctionSettings && BandList &&
                      PromptTexts,
                  "every instance");
            check(AppState->AppDir.empty() && AppState->Title.empty(), "AppState empty");
            check(ModelList->Count() == 0 && BandList->Count() == 0, "lists empty");
            AppState->ShowTestOnline = true; // the next steps must put it back
        } else if (step == "AppDir") {
            check(AppState->AppDir == FDir.Path() + "/", "AppDir is the program directory");
            check(AppState->ShowTestOnline, "ShowTestOnline not yet");
        } else if (step == "ShowTestOnline") {
            check(!AppState->ShowTestOnline, "ShowTestOnline off");
            check(BandList->Count() == 0, "band table not yet");
        } else if (step == "BuildBandCodeTable") {
            check(BandList->Count() > 0, "band table filled");
            check(ModelList->Count() == 0 && AppState->Title.empty(), "model table not yet");
        } else if (step == "BuildModelTable") {
            check(ModelList->Count() > 0 && !AppState->Title.empty(), "model table and title");
            FunctionSettings->Squelch = 0; // the reset comes next
        } else if (step == "ResetSettingsAndMessages") {
            check(FunctionSettings->Squelch == TFun().Squelch, "function settings reset");
            check(AppState->ComPort.empty(), "settings not read yet");
        } else if (step == "ReadSystemSettings") {
            check(AppState->ComPort == "COM4" && AppState->LanguageName == "English", "settings read");
            check(PromptTexts->ReadOk == TLanguage().ReadOk, "language not loaded yet");
        } else if (step == "LoadMessages") {
            check(PromptTexts->ReadOk == "Read done", "language loaded");
            AppState->Refreshing = true; // the last step clears it
        } else if (step == "Refreshing") {
            check(!AppState->Refreshing, "Refreshing off");
        }
    };

    App->CreateForm(module);

    const std::vector<String> expected = {"RecordSets",
                                          "Instances",
                                          "AppDir",
                                          "ShowTestOnline",
                                          "BuildBandCodeTable",
                                          "BuildModelTable",
                                          "ResetSettingsAndMessages",
                                          "ReadSystemSettings",
                                          "LoadMessages",
                                          "Refreshing"};
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(problems, std::vector<String>());
    EXPECT_EQ(module->GetName(), "fMaindb");
    EXPECT_EQ(AppState->CurrentModel, nullptr); // the main window selects the first model
}

TEST_F(StartupTest, WithoutSettingsFileStartsWithTheDefaults) {
    App->CreateForm(fMaindb);

    EXPECT_EQ(AppState->ComPort, "Com1");
    EXPECT_EQ(AppState->LanguageIndex, 0);
    EXPECT_EQ(AppState->LanguageName, "Chinese");
    EXPECT_EQ(PromptTexts->ExitProgram, TLanguage().ExitProgram);
    EXPECT_EQ(PromptTexts->Confirmation, TLanguage().Confirmation);
    EXPECT_FALSE(FileExists(SettingsPath()));
}

TEST_F(StartupTest, PrintRecordSetsAreOpenAndEmptyWithTheirFields) {
    App->CreateForm(fMaindb);

    struct FieldCase {
        TMemDataSet* DataSet;
        const char* Name;
        TFieldType Type;
        Integer Size;
    };
    TMemDataSet* main = fMaindb->myMain;
    TMemDataSet* ado = fMaindb->myAdo;
    ASSERT_NE(main, nullptr);
    ASSERT_NE(ado, nullptr);
    EXPECT_EQ(main, fMaindb->FindComponent("myMain"));
    EXPECT_EQ(ado, fMaindb->FindComponent("myAdo"));
    const std::vector<FieldCase> cases = {
        {main, "Title", ftString, 20},   {main, "AField", ftString, 100}, {main, "AValue", ftString, 100},
        {main, "BField", ftString, 100}, {main, "BValue", ftString, 100}, {main, "CField", ftString, 30},
        {main, "CValue", ftString, 30},  {main, "DFiled", ftString, 30},  {main, "DValue", ftString, 30},
        {ado, "TypeID", ftInteger, 0},   {ado, "TypeName", ftString, 20}, {ado, "AField", ftString, 100},
        {ado, "AValue", ftString, 100},  {ado, "BField", ftString, 100},  {ado, "BValue", ftString, 100},
    };
    for (TMemDataSet* dataSet : {main, ado}) {
        EXPECT_TRUE(dataSet->GetActive());
        EXPECT_EQ(dataSet->GetRecordCount(), 0);
    }
    EXPECT_EQ(main->GetFieldDefs()->GetCount(), 9);
    EXPECT_EQ(ado->GetFieldDefs()->GetCount(), 6);
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TField* field = c.DataSet->FindField(c.Name);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->GetFieldName(), c.Name); // spelled as stored
        EXPECT_EQ(field->GetDataType(), c.Type);
        if (c.Type == ftString) {
            EXPECT_EQ(field->GetSize(), c.Size);
        }
    }

    // A print record goes in and the set empties again.
    main->Append();
    main->FieldByName("DFiled")->SetAsString("Date");
    main->Post();
    EXPECT_EQ(main->GetRecordCount(), 1);
    main->EmptyDataSet();
    EXPECT_EQ(main->GetRecordCount(), 0);
}

TEST_F(StartupTest, ProgramWindowsComeUpBehindTheDataModule) {
    CreateProgramWindows();

    EXPECT_EQ(App->GetTitle(), "KOV-571");
    ASSERT_NE(fMaindb, nullptr);
    ASSERT_NE(fMainFrm, nullptr);
    EXPECT_EQ(App->GetMainForm(), fMainFrm);
    EXPECT_EQ(fMainFrm->GetName(), "fMainFrm");
    EXPECT_FALSE(AppState->Title.empty());
    fMainFrm->Show();
    App->ProcessMessages();
    EXPECT_EQ(fMainFrm->GetCaption(), AppState->Title);
    EXPECT_EQ(AppState->ModelName, ModelList->ModelAt(0)->DisplayName);
    ASSERT_NE(fChInfo, nullptr);
    EXPECT_FALSE(AppState->Modified);

    // At the end the windows and the data module go while the application still stands.
    EndProgram();
    EXPECT_EQ(App->GetComponentCount(), 0);
    EXPECT_EQ(App->GetMainForm(), nullptr);
}

TEST_F(StartupTest, CloseAsksAndWritesTheSettings) {
    struct Case {
        const char* Name;
        bool Modified;
        std::vector<int> Replies;
        std::vector<String> Asked; // the prompt texts, in order
        bool Closes;
        std::vector<std::string> Chosen; // answers of the save dialog ("" cancels it)
    };
    const TLanguage texts;
    const std::vector<Case> cases = {
        {"No to the close question", false, {IDNO}, {texts.ExitProgram}, false, {}},
        {"No to the close question, modified", true, {IDNO}, {texts.ExitProgram}, false, {}},
        {"Yes, unmodified", false, {IDYES}, {texts.ExitProgram}, true, {}},
        {"Yes, modified, not saved", true, {IDYES, IDNO}, {texts.ExitProgram, texts.SaveProgram}, true, {}},
        {"Yes, modified, saved", true, {IDYES, IDYES}, {texts.ExitProgram, texts.SaveProgram}, true,
         {"saved.dat"}},
        {"Yes, modified, save dialog cancelled", true, {IDYES, IDYES}, {texts.ExitProgram, texts.SaveProgram},
         false, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        testsupport::TempDir dir;
        MaindbProgramDir = dir.Path() + "/";
        App = std::make_unique<TApplication>(nullptr);
        CreateProgramWindows();
        fMainFrm->Show();
        App->ProcessMessages();
        AppState->Modified = c.Modified;
        AppState->ComPort = "COM7";
        AppState->LanguageIndex = 1;
        AppState->PictureId = 3;

        TScopedPromptScript prompts;
        for (int reply : c.Replies)
            prompts.AddReply(reply);
        TScopedDialogScript dialogs;
        for (const std::string& name : c.Chosen) {
            if (name.empty())
                dialogs.Cancel();
            else
                dialogs.ChooseFiles({dir.File(name)});
        }
        fMainFrm->Close();

        EXPECT_EQ(prompts.Errors(), std::vector<String>());
        std::vector<String> asked;
        for (const TPromptRecord& prompt : prompts.Prompts()) {
            asked.push_back(prompt.Text);
            EXPECT_EQ(prompt.Caption, texts.Confirmation);
            EXPECT_EQ(prompt.Flags, UINT(MB_ICONQUESTION | MB_YESNO));
        }
        EXPECT_EQ(asked, c.Asked);
        EXPECT_EQ(App->GetTerminated(), c.Closes);
        const std::string settings = dir.File("SysInfo.Ini");
        EXPECT_EQ(FileExists(settings), c.Closes);
        if (c.Closes) {
            for (const std::string& name : c.Chosen)
                EXPECT_EQ(ReadFileBytes(dir.File(name)).size(), 992u);
            EXPECT_EQ(ReadProfileString("SysInfo", "Com", "", settings), "COM7");
            EXPECT_EQ(ReadProfileString("SysInfo", "DefaultLanguage", "", settings), "1");
            EXPECT_EQ(ReadProfileString("SysInfo", "PicID", "", settings), "2");
        } else {
            // Still running, with its data.
            EXPECT_EQ(App->GetMainForm(), fMainFrm);
            EXPECT_EQ(AppState->Modified, c.Modified);
        }
        App.reset();
    }
}

TEST_F(StartupTest, SettingsThatCannotBeWrittenAreReportedAndTheProgramCloses) {
    struct Case {
        const char* Name;
        void (*Spoil)(const std::string& dir);
    };
    const std::vector<Case> cases = {
        {"read-only settings file",
         [](const std::string& dir) {
             WriteFileBytes(dir + "/SysInfo.Ini", "[SysInfo]\r\nCom=COM2\r\n");
             ASSERT_EQ(chmod((dir + "/SysInfo.Ini").c_str(), 0444), 0);
         }},
        {"program directory gone", [](const std::string& dir) { ASSERT_EQ(rmdir(dir.c_str()), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        testsupport::TempDir root;
        const std::string dir = root.File("program");
        ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
        MaindbProgramDir = dir + "/";
        App = std::make_unique<TApplication>(nullptr);
        CreateProgramWindows();
        fMainFrm->Show();
        App->ProcessMessages();
        c.Spoil(dir);

        TScopedPromptScript prompts({IDYES, IDOK});
        fMainFrm->Close();

        EXPECT_EQ(prompts.Errors(), std::vector<String>());
        const std::vector<TPromptRecord> asked = prompts.Prompts();
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked[1].Text, "Unable to write to " + dir + "/SysInfo.Ini.");
        EXPECT_EQ(asked[1].Caption, "KOV-571");
        EXPECT_EQ(asked[1].Flags & MB_ICONMASK, UINT(MB_ICONERROR));
        EXPECT_TRUE(App->GetTerminated());
        App.reset();
        if (FileExists(dir + "/SysInfo.Ini")) chmod((dir + "/SysInfo.Ini").c_str(), 0644);
    }
}

} // namespace

// The world the small dialogs run in: an application on the manual clock, the data module
// started in a program directory of its own (settings and language files the test writes), the
// UHF model with its default band, and "." as the decimal separator. The data model instances
// that were there before come back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/AllClass.h"
#include "app/Maindb.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace apptest {

class SmallDialogFixture : public ::testing::Test {
protected:
    SmallDialogFixture()
        : FOldModels(std::move(ModelList)), FOldState(std::move(AppState)),
          FOldFrequencies(std::move(TestFrequencies)), FOldMessages(std::move(MessageLines)),
          FOldFunctions(std::move(FunctionSettings)), FOldBands(std::move(BandList)),
          FOldTexts(std::move(PromptTexts)), FLocale(testsupport::DotSettings()) {
        FOldClockMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        MaindbProgramDir = Dir.Path() + "/";
    }
    ~SmallDialogFixture() override {
        // A prompt no test scripted answered with its default button instead of waiting.
        EXPECT_TRUE(FUnscripted.Errors().empty()) << FUnscripted.Errors().front();
        App.reset();
        fMaindb = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldClockMode);
        MaindbProgramDir.clear();
        ModelList = std::move(FOldModels);
        AppState = std::move(FOldState);
        TestFrequencies = std::move(FOldFrequencies);
        MessageLines = std::move(FOldMessages);
        FunctionSettings = std::move(FOldFunctions);
        BandList = std::move(FOldBands);
        PromptTexts = std::move(FOldTexts);
    }

    // Starts the data module (reading the files the test has written), then selects the UHF
    // model and its default band, as the main window does when it is first shown.
    void Start() {
        App->CreateForm(fMaindb);
        AppState->UseModel(*ModelList->ModelAt(0));
        AppState->UseBand(ModelList->ModelAt(0)->DefaultBand);
    }

    // "SysInfo.Ini" selecting the language at the index of "Chinese|English", and the language
    // files with the given contents.
    void WriteLanguages(int index, const std::string& chinese, const std::string& english) {
        testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"),
                                    "[SysInfo]\nDefaultLanguage=" + std::to_string(index) +
                                        "\nLanguage=Chinese|English\n");
        testsupport::WriteFileBytes(Dir.File("Chinese.Ini"), chinese);
        testsupport::WriteFileBytes(Dir.File("English.Ini"), english);
    }

    // Shows the dialog modally, running the action inside its loop; returns the modal result.
    template <class T> Integer ShowModal(T* dialog, std::function<void(T&)> action) {
        testsupport::TScopedModalScript modal;
        modal.Add<T>(dialog->GetName(), std::move(action));
        return dialog->ShowModal();
    }

    // Paints the window and saves its picture under the artifacts directory.
    void SavePicture(TCustomForm* form, const std::string& name) {
        UpdateWindow(form->GetHandle());
        App->ProcessMessages();
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(form->GetHandle(), s));
        testsupport::WritePng(testsupport::ArtifactPath(name), s.Width, s.Height,
                              reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    }

    testsupport::TempDir Dir;
    std::unique_ptr<TApplication> App;

private:
    std::unique_ptr<TMacList> FOldModels;
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TTestFre> FOldFrequencies;
    std::unique_ptr<TEnMsg> FOldMessages;
    std::unique_ptr<TFun> FOldFunctions;
    std::unique_ptr<TFrqList> FOldBands;
    std::unique_ptr<TLanguage> FOldTexts;
    testsupport::ScopedFormatSettings FLocale;
    TScopedPromptScript FUnscripted;
    TClockMode FOldClockMode = TClockMode::Real;
};

} // namespace apptest

// The world the program's dialogs run in: an application on the manual clock, the data module
// started in a program directory of its own (settings and language files the test writes), the
// UHF model with its default band or a band the test names, and "." as the decimal separator
// unless a test says otherwise. A prompt no test scripted is answered with its default button
// and fails the test. The data model instances that were there before come back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/AllClass.h"
#include "app/Maindb.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/app/DataModelGuard.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace apptest {

class DialogFixture : public ::testing::Test {
protected:
    DialogFixture() : FLocale(testsupport::DotSettings()) {
        FOldClockMode = ClockGetMode();
        ClockSetMode(TClockMode::Manual);
        App = std::make_unique<TApplication>(nullptr);
        MaindbProgramDir = Dir.Path() + "/";
    }
    ~DialogFixture() override {
        EXPECT_TRUE(FUnscripted.Errors().empty()) << FUnscripted.Errors().front();
        App.reset();
        fMaindb = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ClockSetMode(FOldClockMode);
        MaindbProgramDir.clear();
    }

    // Starts the data module (reading the files the test has written), then selects the UHF
    // model and the band, by default the model's own as the main window selects it when it is
    // first shown.
    void Start(const String& band = String()) {
        App->CreateForm(fMaindb);
        TMacType& model = *ModelList->ModelAt(0);
        AppState->UseModel(model);
        AppState->UseBand(band.empty() ? model.DefaultBand : band);
    }

    // "SysInfo.Ini" selecting the language at the index of "Chinese|English", and the language
    // files with the given contents.
    void WriteLanguages(int index, const std::string& chinese, const std::string& english) {
        WriteSysInfo(index);
        testsupport::WriteFileBytes(Dir.File("Chinese.Ini"), chinese);
        testsupport::WriteFileBytes(Dir.File("English.Ini"), english);
    }
    // English selected as the second language, with an English.Ini holding the given sections
    // (prompt texts and window sections) and no Chinese.Ini.
    void WriteEnglish(const std::string& sections) {
        WriteSysInfo(1);
        testsupport::WriteFileBytes(Dir.File("English.Ini"), sections);
    }

    // Shows the dialog modally, running the action inside its loop; returns the modal result.
    template <class T> Integer ShowModal(T* dialog, std::function<void(T&)> action) {
        testsupport::TScopedModalScript modal;
        modal.Add<T>(dialog->GetName(), std::move(action));
        return dialog->ShowModal();
    }

    void Pump() { App->ProcessMessages(); }

    // ---- Input as the display delivers it ----
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
    // A click in the middle of a control.
    void Click(TControl* control) {
        const POINT p = control->ClientToScreen(POINT{control->GetWidth() / 2, control->GetHeight() / 2});
        WinInputMouseMove(p);
        Pump();
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        Pump();
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        Pump();
        ClockAdvanceMs(1000); // the next press is no double click
    }
    void Focus(TWinControl* control) {
        control->SetFocus();
        Pump();
    }
    // Focuses the editor and replaces its whole text by typing; Enter, Tab or another key then
    // ends the entry.
    void Retype(TqzCustomTextEdit* editor, const std::u32string& text) {
        Focus(editor);
        editor->SelectAll();
        Key(VK_BACK);
        Type(text);
    }
    // The same, then the editor is left with Tab.
    void Enter(TqzCustomTextEdit* editor, const std::u32string& text) {
        Retype(editor, text);
        Key(VK_TAB);
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
    void WriteSysInfo(int index) {
        testsupport::WriteFileBytes(Dir.File("SysInfo.Ini"), "[SysInfo]\nDefaultLanguage=" +
                                                                 std::to_string(index) +
                                                                 "\nLanguage=Chinese|English\n");
    }

    TDataModelGuard FDataModel;
    testsupport::ScopedFormatSettings FLocale;
    TScopedPromptScript FUnscripted;
    TClockMode FOldClockMode = TClockMode::Real;
};

} // namespace apptest

// Acting inside forms shown modally. While a TScopedModalScript exists, each form that becomes
// modal takes the next step of the script: the step names the form (its Name or its class name)
// and an action that runs inside the form's modal loop, once the messages already queued are
// handled. The action reads and sets controls, clicks buttons and leaves the form's ModalResult
// set (a button with a ModalResult sets it, Close sets mrCancel). Nothing hangs: a form that
// becomes modal with no step left, or while the next step names another form, fails the test
// and is cancelled; so is a form still open when its action returns, unless the step lets it
// stay open (a dialog that closes itself when its work is done, the loop serving that work).
// Steps never taken fail the test when the script goes.
//
//     testsupport::TScopedModalScript modal;
//     modal.Add<TfToneOption>("fToneOption", [](TfToneOption& picker) {
//         ... read and set its controls ...
//         picker.SetModalResult(mrOk);
//     });
//     ... code that shows the picker with ShowModal ...
//     EXPECT_EQ(std::vector<String>{"fToneOption"}, modal.Shown());
//
// A form shown modally inside an action takes the following step. Message boxes and common
// dialogs have their own scripts (TScopedPromptScript, TScopedDialogScript). The most recently
// created script acts; destroying it brings back the one before. User-interface thread only.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <vector>

#include "platform/classlib/Forms.h"

namespace testsupport {

class TScopedModalScript {
public:
    enum TStepEnd {
        MustClose,   // the action leaves ModalResult set; a form still open fails the test
        MayStayOpen, // the loop runs on until the form closes itself
    };

    TScopedModalScript();
    ~TScopedModalScript();
    TScopedModalScript(const TScopedModalScript&) = delete;
    TScopedModalScript& operator=(const TScopedModalScript&) = delete;

    // Appends a step for the form with this Name or class name.
    void Add(const String& form, std::function<void(TCustomForm&)> action, TStepEnd end = MustClose);
    // The same for a form of class T; a form of another class fails the test and is cancelled.
    template <class T>
    void Add(const String& form, std::function<void(T&)> action, TStepEnd end = MustClose) {
        Add(
            form,
            [action = std::move(action)](TCustomForm& shown) {
                T* typed = dynamic_cast<T*>(&shown);
                if (typed == nullptr) {
                    ADD_FAILURE() << "modal form " << shown.GetName() << " is a " << shown.ClassName();
                    shown.SetModalResult(mrCancel);
                    return;
                }
                action(*typed);
            },
            end);
    }

    // The Name of every form that became modal while the script acted, in order.
    const std::vector<String>& Shown() const { return FShown; }
    // Steps not taken yet.
    std::size_t Pending() const { return FSteps.size(); }

private:
    struct TStep {
        String Form;
        std::function<void(TCustomForm&)> Action;
        TStepEnd End = MustClose;
    };
    static void Hook(TCustomForm* form);
    void Run(TCustomForm& form);

    std::deque<TStep> FSteps;
    std::vector<String> FShown;
    TScopedModalScript* FPrevious = nullptr;
    TModalLoopHook FPreviousHook = nullptr;
};

} // namespace testsupport

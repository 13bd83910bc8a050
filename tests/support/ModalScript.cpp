#include "tests/support/ModalScript.h"

#include <utility>

namespace testsupport {

namespace {
TScopedModalScript* CurrentScript = nullptr;
} // namespace

TScopedModalScript::TScopedModalScript() : FPrevious(CurrentScript) {
    CurrentScript = this;
    FPreviousHook = SetModalLoopHook(&TScopedModalScript::Hook);
}

TScopedModalScript::~TScopedModalScript() {
    SetModalLoopHook(FPreviousHook);
    CurrentScript = FPrevious;
    for (const TStep& step : FSteps)
        ADD_FAILURE() << "modal form " << step.Form << " was never shown";
}

void TScopedModalScript::Add(const String& form, std::function<void(TCustomForm&)> action, TStepEnd end) {
    FSteps.push_back(TStep{form, std::move(action), end});
}

void TScopedModalScript::Hook(TCustomForm* form) {
    if (CurrentScript != nullptr && form != nullptr) CurrentScript->Run(*form);
}

void TScopedModalScript::Run(TCustomForm& form) {
    FShown.push_back(form.GetName());
    if (FSteps.empty()) {
        ADD_FAILURE() << "modal form " << form.GetName() << " (" << form.ClassName()
                      << ") shown with no step left in the script; cancelled";
        form.SetModalResult(mrCancel);
        return;
    }
    if (FSteps.front().Form != form.GetName() && FSteps.front().Form != form.ClassName()) {
        ADD_FAILURE() << "modal form " << form.GetName() << " (" << form.ClassName()
                      << ") shown where the script expects " << FSteps.front().Form << "; cancelled";
        form.SetModalResult(mrCancel);
        return;
    }
    TStep step = std::move(FSteps.front());
    FSteps.pop_front();
    TLivenessToken alive = form.LivenessToken();
    // What showing and activating queued (focus, painting, posted notices) comes first, as it
    // would for a person looking at the form.
    Application->ProcessMessages();
    if (!alive) return;
    step.Action(form);
    if (!alive || step.End == MayStayOpen || form.GetModalResult() != mrNone) return;
    ADD_FAILURE() << "modal form " << step.Form << " still open after its step; cancelled";
    form.SetModalResult(mrCancel);
}

} // namespace testsupport

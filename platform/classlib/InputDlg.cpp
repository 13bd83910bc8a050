#include "platform/classlib/InputDlg.h"

#include "platform/classlib/EditCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/winapi/WinButton.h"

namespace {

TScopedInputScript* gScript = nullptr;
std::mutex gScriptLock;

// Posted to the dialog once its loop runs, when a script answers it.
constexpr UINT kAnswerFromScript = WM_APP + 0x0E71;

class TInputQueryForm : public TForm {
    KOV_CLASS(TInputQueryForm, TForm)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TInputQueryForm(TComponent* owner) : TForm(owner, TCreateNew{}) {}

    TEdit* Edit = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
    TScopedInputScript* Script = nullptr;
    TScopedInputScript::TQuestion Question;

protected:
    void AnswerFromScript(TMessage&) {
        if (Script == nullptr) return;
        Script->Look(GetHandle());
        TScopedInputScript::TAnswer answer;
        if (!Script->Next(Question, answer)) answer.Ok = false;
        if (answer.Ok) Edit->SetText(answer.Text);
        TButton* button = answer.Ok ? OkButton : CancelButton;
        SendMessageA(button->GetHandle(), BM_CLICK, 0, 0);
    }
};

KOV_MESSAGE_MAP(TInputQueryForm) { map.Message(kAnswerFromScript, &TInputQueryForm::AnswerFromScript); }

TButton* MakeButton(TForm* form, const String& caption, TModalResult result, Integer left, Integer top) {
    auto* button = new TButton(nullptr);
    button->SetParent(form);
    button->SetCaption(caption);
    button->SetModalResult(result);
    button->SetBounds(left, top, 75, 25);
    return button;
}

}  // namespace

bool InputQuery(const String& caption, const String& prompt, String& value) {
    TInputQueryForm form(nullptr);
    form.SetCaption(caption);
    form.SetBorderStyle(bsDialog);
    form.SetPosition(poScreenCenter);
    form.SetClientWidth(240);
    form.SetClientHeight(92);

    // The controls belong to the form as its children only: they are freed after the form has
    // left the screen's lists, which still name the focused one until then.
    auto* label = new TLabel(nullptr);
    label->SetParent(&form);
    label->SetCaption(prompt);
    label->SetBounds(8, 8, 224, 16);

    form.Edit = new TEdit(nullptr);
    form.Edit->SetParent(&form);
    form.Edit->SetBounds(8, 26, 224, 21);
    form.Edit->SetMaxLength(255);
    form.Edit->SetText(value);
    form.Edit->SelectAll();
    label->SetFocusControl(form.Edit);

    form.OkButton = MakeButton(&form, "OK", mrOk, 38, 58);
    form.OkButton->SetDefault(true);
    form.CancelButton = MakeButton(&form, "Cancel", mrCancel, 127, 58);
    form.CancelButton->SetCancel(true);
    form.SetActiveControl(form.Edit);

    {
        std::lock_guard<std::mutex> lock(gScriptLock);
        form.Script = gScript;
    }
    if (form.Script != nullptr) {
        form.Question = TScopedInputScript::TQuestion{caption, prompt, value};
        PostMessageA(form.GetHandle(), kAnswerFromScript, 0, 0);
    }
    if (form.ShowModal() != mrOk) return false;
    value = form.Edit->GetText();
    return true;
}

String InputBox(const String& caption, const String& prompt, const String& defaultValue) {
    String value = defaultValue;
    InputQuery(caption, prompt, value);
    return value;
}

// ---- TScopedInputScript ----------------------------------------------------------------------------

TScopedInputScript::TScopedInputScript() {
    std::lock_guard<std::mutex> lock(gScriptLock);
    FPrevious = gScript;
    gScript = this;
}

TScopedInputScript::~TScopedInputScript() {
    std::lock_guard<std::mutex> lock(gScriptLock);
    gScript = FPrevious;
}

TScopedInputScript* TScopedInputScript::Current() {
    std::lock_guard<std::mutex> lock(gScriptLock);
    return gScript;
}

void TScopedInputScript::Answer(const String& text) {
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(TAnswer{true, text});
}

void TScopedInputScript::Cancel() {
    std::lock_guard<std::mutex> lock(FLock);
    FAnswers.push_back(TAnswer{false, String()});
}

std::vector<TScopedInputScript::TQuestion> TScopedInputScript::Questions() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FQuestions;
}

std::vector<String> TScopedInputScript::Errors() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FErrors;
}

bool TScopedInputScript::Next(const TQuestion& question, TAnswer& answer) {
    std::lock_guard<std::mutex> lock(FLock);
    FQuestions.push_back(question);
    if (FAnswers.empty()) {
        FErrors.push_back("no answer left for \"" + question.Prompt + "\"");
        return false;
    }
    answer = FAnswers.front();
    FAnswers.pop_front();
    return true;
}

void TScopedInputScript::Look(HWND dialog) const {
    std::function<void(HWND)> look;
    {
        std::lock_guard<std::mutex> lock(FLock);
        look = FInspect;
    }
    if (look) look(dialog);
}

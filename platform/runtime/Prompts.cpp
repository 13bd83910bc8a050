#include "platform/runtime/Prompts.h"

#include <algorithm>
#include <cstdio>

#include "platform/runtime/Strings.h"

namespace {

// Made on first use: presenters are installed from static initialisers of other units, which
// may run before this unit's own.
struct TPromptState {
    std::mutex Lock;
    TPromptPresenter Presenter;
    // Installed scripts, the innermost last.
    std::vector<TScopedPromptScript*> Scripts;
};

TPromptState& State() {
    static TPromptState state;
    return state;
}

const char* ButtonName(int result) {
    switch (result) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

String Describe(const String& text, const String& caption, UINT flags) {
    String buttons;
    for (int button : PromptButtons(flags)) {
        if (!buttons.empty()) buttons += "/";
        buttons += ButtonName(button);
    }
    return "[" + caption + "] " + text + " (" + buttons + ")";
}

int PresentOnStderr(const String& text, const String& caption, UINT flags) {
    const int result = DefaultPromptButton(flags);
    const String line = "Prompt " + Describe(text, caption, flags) + " answered " + ButtonName(result) + "\n";
    std::fputs(line.c_str(), stderr);
    return result;
}

} // namespace

std::vector<int> PromptButtons(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

int DefaultPromptButton(UINT flags) {
    const std::vector<int> buttons = PromptButtons(flags);
    const std::size_t index = (flags & MB_DEFMASK) >> 8;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int PlatformMessageBox(const String& text, const String& caption, UINT flags) {
    TPromptPresenter presenter;
    {
        std::lock_guard<std::mutex> guard(State().Lock);
        // Answered under the lock, so the script cannot go away meanwhile.
        if (!State().Scripts.empty()) return State().Scripts.back()->Answer(text, caption, flags);
        presenter = State().Presenter;
    }
    if (presenter) return presenter(text, caption, flags);
    return PresentOnStderr(text, caption, flags);
}

TPromptPresenter SetPromptPresenter(TPromptPresenter presenter) {
    std::lock_guard<std::mutex> guard(State().Lock);
    std::swap(State().Presenter, presenter);
    return presenter;
}

TScopedPromptScript::TScopedPromptScript(std::initializer_list<int> replies) : FReplies(replies) {
    std::lock_guard<std::mutex> guard(State().Lock);
    State().Scripts.push_back(this);
}

TScopedPromptScript::~TScopedPromptScript() {
    std::lock_guard<std::mutex> guard(State().Lock);
    State().Scripts.erase(std::remove(State().Scripts.begin(), State().Scripts.end(), this), State().Scripts.end());
}

void TScopedPromptScript::AddReply(int reply) {
    std::lock_guard<std::mutex> guard(FLock);
    FReplies.push_back(reply);
}

std::vector<TPromptRecord> TScopedPromptScript::Prompts() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FPrompts;
}

std::vector<String> TScopedPromptScript::Errors() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FErrors;
}

std::size_t TScopedPromptScript::RepliesLeft() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FReplies.size() - FNextReply;
}

int TScopedPromptScript::Answer(const String& text, const String& caption, UINT flags) {
    std::lock_guard<std::mutex> guard(FLock);
    String error;
    int result;
    if (FNextReply < FReplies.size()) {
        result = FReplies[FNextReply++];
        const std::vector<int> buttons = PromptButtons(flags);
        if (std::find(buttons.begin(), buttons.end(), result) == buttons.end())
            error = "Scripted reply " + IntToStr(result) + " is not a button of the prompt " +
                    Describe(text, caption, flags);
    } else {
        result = DefaultPromptButton(flags);
        error = "Unexpected prompt " + Describe(text, caption, flags);
    }
    FPrompts.push_back({text, caption, flags, result});
    if (!error.empty()) {
        std::fputs((error + "\n").c_str(), stderr);
        FErrors.push_back(std::move(error));
    }
    return result;
}

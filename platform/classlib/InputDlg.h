// The small modal dialogs that ask for one line of text: a prompt, an edit holding the value
// and OK/Cancel buttons.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/winapi/WinCore.h"

// Asks for a text. OK: `value` becomes the text typed and the answer is true. Cancel (the
// button, Esc or closing the window): false, and `value` stays as it was.
bool InputQuery(const String& caption, const String& prompt, String& value);
// The text typed, or `defaultValue` when the dialog is cancelled.
String InputBox(const String& caption, const String& prompt, const String& defaultValue);

// For tests: while it exists, the dialogs are answered from the script in order, through the
// real dialog (the text goes into its edit and its OK or Cancel button is clicked) without
// waiting for a person. A dialog with no answer left is cancelled and recorded as an error.
class TScopedInputScript {
public:
    struct TQuestion {
        String Caption;
        String Prompt;
        String Value;  // the text the edit showed when the dialog opened
    };

    TScopedInputScript();
    ~TScopedInputScript();
    TScopedInputScript(const TScopedInputScript&) = delete;
    TScopedInputScript& operator=(const TScopedInputScript&) = delete;

    // Replaces the edit's text with `text` and clicks OK.
    void Answer(const String& text);
    // Clicks Cancel.
    void Cancel();
    // Runs `look` on the dialog's window before the answer is given (a test takes its picture).
    void Inspect(std::function<void(HWND dialog)> look) { FInspect = std::move(look); }

    std::vector<TQuestion> Questions() const;
    std::vector<String> Errors() const;

    // Used by the dialogs: the next answer for `question` (false: none left).
    struct TAnswer {
        bool Ok = false;
        String Text;
    };
    bool Next(const TQuestion& question, TAnswer& answer);
    void Look(HWND dialog) const;

    // The script installed now (the innermost), or null.
    static TScopedInputScript* Current();

private:
    mutable std::mutex FLock;
    std::deque<TAnswer> FAnswers;
    std::vector<TQuestion> FQuestions;
    std::vector<String> FErrors;
    std::function<void(HWND)> FInspect;
    TScopedInputScript* FPrevious = nullptr;
};

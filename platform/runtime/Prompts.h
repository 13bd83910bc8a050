// The platform prompt service: the one message box every layer calls.
//
// PlatformMessageBox asks a question and answers with the button chosen. What asks it is
// replaceable: the class library installs the drawn box as the presenter; tests install a
// TScopedPromptScript, which records every question and answers from a script. With neither,
// the prompt goes to stderr and the default button answers.
#pragma once

#include <functional>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/WinTypes.h"

// Buttons (the low four bits).
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
// Icon.
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button: the first, second or third of the buttons.
constexpr UINT MB_DEFBUTTON1 = 0x000;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
// Modality.
constexpr UINT MB_APPLMODAL = 0x0000;
constexpr UINT MB_TASKMODAL = 0x2000;

constexpr UINT MB_TYPEMASK = 0x000F;
constexpr UINT MB_ICONMASK = 0x00F0;
constexpr UINT MB_DEFMASK = 0x0F00;
constexpr UINT MB_MODEMASK = 0x3000;

// Results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The results of the buttons the flags ask for, in the order they are shown (an unknown button
// set shows OK alone).
std::vector<int> PromptButtons(UINT flags);
// The result of the default button: MB_DEFBUTTONn picks the n-th button, the first when there
// are fewer than n.
int DefaultPromptButton(UINT flags);

// Shows the question and returns the chosen button's result (IDOK ... IDNO).
int PlatformMessageBox(const String& text, const String& caption, UINT flags);

using TPromptPresenter = std::function<int(const String& text, const String& caption, UINT flags)>;
// Installs the presenter that shows prompts (an empty one restores the default: stderr and the
// default button). Returns the one installed before. A TScopedPromptScript, while installed,
// answers before any presenter.
TPromptPresenter SetPromptPresenter(TPromptPresenter presenter);

struct TPromptRecord {
    String Text;
    String Caption;
    UINT Flags = 0;
    int Result = 0; // what the prompt answered
};

// For tests: while it exists, every prompt is recorded and answered with the next scripted
// reply. A prompt with no reply left does not wait for anybody: it answers with the default
// button and records an error (also written to stderr) that the test asserts on, as it does
// for a reply that is not one of the prompt's buttons. The most recently created script
// answers; destroying it brings back what was there before.
//
//     TScopedPromptScript prompts({IDYES, IDCANCEL});
//     ... code that asks twice ...
//     EXPECT_TRUE(prompts.Errors().empty());
//     ASSERT_EQ(prompts.Prompts().size(), 2u);
class TScopedPromptScript {
public:
    explicit TScopedPromptScript(std::initializer_list<int> replies = {});
    ~TScopedPromptScript();
    TScopedPromptScript(const TScopedPromptScript&) = delete;
    TScopedPromptScript& operator=(const TScopedPromptScript&) = delete;

    // Appends a reply to the script.
    void AddReply(int reply);
    // Every prompt asked so far, in order.
    std::vector<TPromptRecord> Prompts() const;
    // The failures: prompts nobody scripted a reply for, and replies that are not a button of
    // their prompt.
    std::vector<String> Errors() const;
    // Scripted replies not used yet.
    std::size_t RepliesLeft() const;

private:
    friend int PlatformMessageBox(const String& text, const String& caption, UINT flags);
    int Answer(const String& text, const String& caption, UINT flags);

    mutable std::mutex FLock;
    std::vector<int> FReplies;
    std::size_t FNextReply = 0;
    std::vector<TPromptRecord> FPrompts;
    std::vector<String> FErrors;
};

// Dialog navigation through IsDialogMessage: Tab and Shift+Tab over the tab stops, arrows inside
// groups, Enter and Escape as commands, mnemonics, and the controls that keep keys for themselves
// by their WM_GETDLGCODE answers; WM_NEXTDLGCTL and the default button of DefDlgProc.
#include <gtest/gtest.h>

#include <map>

#include "platform/runtime/Prompts.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinDialog.h"
#include "tests/winapi/WinTestSupport.h"

using namespace wintest;

namespace {

constexpr UINT ButtonGetCheck = 0x00F0;
constexpr UINT ButtonSetCheck = 0x00F1;
constexpr UINT ButtonSetStyle = 0x00F4;
constexpr UINT ButtonClick = 0x00F5;
constexpr UINT EditSetSel = 0x00B1;
constexpr WORD Clicked = 0;
constexpr int IdApply = 200;

const char* DialogClass() { return "KovTestDialog"; }

// A dialog window: recorded like the recording class, with DefDlgProcA behind it.
LRESULT DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Recorder* r = Recorder::Current()) {
        if (!r->Ignored.count(message)) r->Log.push_back(Seen{window, message, wParam, lParam});
        LRESULT result = 0;
        if (r->Handler && r->Handler(window, message, wParam, lParam, result)) return result;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

class WinDialogTest : public WinTest {
protected:
    void SetUp() override {
        WinTest::SetUp();
        WNDCLASSA wc;
        wc.lpfnWndProc = DialogProc;
        wc.lpszClassName = DialogClass();
        if (!GetClassInfoA(nullptr, DialogClass(), &wc)) RegisterClassA(&wc);
        Dialog = Make(WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, WS_EX_CONTROLPARENT, DialogClass());
        Label = Control("label", "&Name:", 0, DLGC_STATIC);
        Edit = Control("edit", "", WS_TABSTOP, DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
        Hidden = Control("hiddenCtl", "", WS_TABSTOP, 0, false);
        Disabled = Control("disabledCtl", "", WS_TABSTOP | WS_DISABLED, 0);
        Panel = Make(WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 100, 200, 50, Dialog, WS_EX_CONTROLPARENT);
        Names[Panel] = "panel";
        Inner1 = Control("inner1", "", WS_TABSTOP, DLGC_HASSETSEL, true, Panel);
        Inner2 = Control("inner2", "A&&B", WS_TABSTOP, 0, true, Panel);
        Radio1 = Control("radio1", "&Red", WS_TABSTOP | WS_GROUP, DLGC_BUTTON | DLGC_RADIOBUTTON);
        Radio2 = Control("radio2", "&Green", 0, DLGC_BUTTON | DLGC_RADIOBUTTON);
        Radio3 = Control("radio3", "B&lue", 0, DLGC_BUTTON | DLGC_RADIOBUTTON);
        Tabber = Control("tabber", "", WS_TABSTOP | WS_GROUP, DLGC_WANTTAB);
        Apply = Control("apply", "&Apply", WS_TABSTOP | WS_GROUP, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, true,
                        nullptr, IdApply);
        Ok = Control("ok", "&OK", WS_TABSTOP, DLGC_BUTTON | DLGC_DEFPUSHBUTTON, true, nullptr, IDOK);
        Cancel = Control("cancel", "&Cancel", WS_TABSTOP, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, true, nullptr,
                         IDCANCEL);
        Names[Dialog] = "dialog";
        Rec.Handler = [this](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT& r) { return Answer(h, m, wp, r); };
        SetFocus(Edit);
        PumpDialog();
        Rec.Clear();
    }

    HWND Control(const char* name, const char* text, DWORD style, LRESULT code, bool visible = true,
                 HWND parent = nullptr, int id = 0) {
        static int nextId = 1000;
        if (id == 0) id = nextId++;
        HWND h = Make(WS_CHILD | style | (visible ? WS_VISIBLE : 0), 0, 0, 20, 20, parent ? parent : Dialog,
                      0, nullptr, text, reinterpret_cast<HMENU>(std::intptr_t(id)));
        Names[h] = name;
        Codes[h] = code;
        return h;
    }

    // What the controls answer: their dialog codes, their check state; a click checks a radio
    // button and unchecks the others of its group; the push buttons move the default frame.
    bool Answer(HWND h, UINT m, WPARAM wp, LRESULT& r) {
        auto code = Codes.find(h);
        if (code == Codes.end()) return false;
        switch (m) {
        case WM_GETDLGCODE:
            r = code->second;
            return true;
        case ButtonGetCheck:
            r = Checked[h] ? 1 : 0;
            return true;
        case ButtonSetCheck:
            Checked[h] = wp != 0;
            return true;
        case ButtonClick:
            if (code->second & DLGC_RADIOBUTTON)
                for (HWND radio : {Radio1, Radio2, Radio3})
                    Checked[radio] = radio == h;
            return true;
        case ButtonSetStyle:
            code->second = (code->second & ~(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) |
                           (wp == 1 ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
            return true;
        default:
            return false;
        }
    }

    // The dialog's message loop.
    void PumpDialog() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(Dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    // Presses keys: modifiers go down first and up last. The display hands each key in after the
    // loop has dealt with the one before.
    void Press(int vk, const std::vector<int>& modifiers = {}) {
        auto key = [this](int k, bool down) {
            WinInputKey(UINT(k), false, down);
            PumpDialog();
        };
        for (int mod : modifiers)
            key(mod, true);
        key(vk, true);
        key(vk, false);
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
            key(*it, false);
    }
    std::string Name(HWND h) const {
        auto it = Names.find(h);
        return h ? (it == Names.end() ? "?" : it->second) : "0";
    }
    // The messages the controls and the dialog got, without the questions (WM_GETDLGCODE,
    // BM_GETCHECK) and the key messages of the modifiers.
    std::vector<std::string> Seen() const {
        std::vector<std::string> out;
        for (const wintest::Seen& s : Rec.Log) {
            std::string text;
            switch (s.Message) {
            case WM_SETFOCUS:
                text = "SETFOCUS";
                break;
            case WM_KILLFOCUS:
                text = "KILLFOCUS";
                break;
            case WM_NEXTDLGCTL:
                text =
                    "NEXTDLGCTL " + Name(reinterpret_cast<HWND>(s.WParam)) + " " + std::to_string(s.LParam);
                break;
            case WM_COMMAND:
                text = "COMMAND " + std::to_string(LOWORD(s.WParam)) + " " +
                       std::to_string(HIWORD(s.WParam)) + " " + Name(reinterpret_cast<HWND>(s.LParam));
                break;
            case WM_KEYDOWN:
            case WM_KEYUP:
                if (s.WParam == WPARAM(VK_SHIFT) || s.WParam == WPARAM(VK_MENU)) continue;
                text =
                    std::string(s.Message == WM_KEYDOWN ? "KEYDOWN " : "KEYUP ") + std::to_string(s.WParam);
                break;
            case WM_CHAR:
                text = "CHAR " + std::to_string(s.WParam);
                break;
            case WM_SYSCHAR:
                text = "SYSCHAR " + std::to_string(s.WParam);
                break;
            case EditSetSel:
                text = "EM_SETSEL " + std::to_string(s.WParam) + " " + std::to_string(s.LParam);
                break;
            case ButtonClick:
                text = "BM_CLICK";
                break;
            case ButtonSetStyle:
                text = "BM_SETSTYLE " + std::to_string(s.WParam);
                break;
            default:
                continue;
            }
            out.push_back(Name(s.Window) + " " + text);
        }
        return out;
    }

    HWND Dialog = nullptr, Label = nullptr, Edit = nullptr, Hidden = nullptr, Disabled = nullptr,
         Panel = nullptr, Inner1 = nullptr, Inner2 = nullptr, Radio1 = nullptr, Radio2 = nullptr,
         Radio3 = nullptr, Tabber = nullptr, Apply = nullptr, Ok = nullptr, Cancel = nullptr;
    std::map<HWND, std::string> Names;
    std::map<HWND, LRESULT> Codes;
    std::map<HWND, bool> Checked;
};

TEST_F(WinDialogTest, TabAndShiftTabVisitTheTabStops) {
    struct Case {
        HWND From;
        bool Shift;
        HWND To;
    };
    // Hidden and disabled controls are passed over, the panel's controls take its place, and the
    // ends wrap around; the control that wants tabs keeps Shift+Tab too.
    std::vector<Case> cases = {
        {Edit, false, Inner1}, {Inner1, false, Inner2}, {Inner2, false, Radio1}, {Radio1, false, Tabber},
        {Apply, false, Ok},    {Ok, false, Cancel},     {Cancel, false, Edit},   {Edit, true, Cancel},
        {Inner1, true, Edit},  {Radio1, true, Inner2},  {Tabber, true, Tabber},  {Radio3, false, Tabber},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.From) + (c.Shift ? " Shift+Tab" : " Tab"));
        SetFocus(c.From);
        PumpDialog();
        Press(VK_TAB, c.Shift ? std::vector<int>{VK_SHIFT} : std::vector<int>{});
        EXPECT_EQ(Name(GetFocus()), Name(c.To));
    }
    EXPECT_EQ(GetNextDlgTabItem(Dialog, nullptr, FALSE), Edit);
    EXPECT_EQ(GetNextDlgTabItem(Dialog, nullptr, TRUE), Cancel);
    EXPECT_EQ(GetNextDlgTabItem(Dialog, Label, FALSE), Edit); // from a control without a tab stop
}

TEST_F(WinDialogTest, TabMessagesAndAControlThatWantsTabs) {
    // Tab leaves the edit: the key never reaches it; the dialog moves the focus through
    // WM_NEXTDLGCTL and the control with a selection has its text selected.
    Press(VK_TAB);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"dialog NEXTDLGCTL inner1 1", "inner1 EM_SETSEL 0 -1",
                                                "edit KILLFOCUS", "inner1 SETFOCUS", "inner1 KEYUP 9"}));
    // A control that wants Tab gets the key and its character, and keeps the focus.
    SetFocus(Tabber);
    Rec.Clear();
    Press(VK_TAB);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"tabber KEYDOWN 9", "tabber CHAR 9", "tabber KEYUP 9"}));
    EXPECT_EQ(GetFocus(), Tabber);
    // The same control does not keep Shift+Tab from the dialog when it stops wanting tabs.
    Codes[Tabber] = 0;
    Rec.Clear();
    Press(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(GetFocus(), Radio1);
}

TEST_F(WinDialogTest, ArrowsMoveInsideTheGroup) {
    struct Case {
        HWND From;
        int Key;
        HWND To;
        bool ClickedRadio; // the radio button moved to was chosen
    };
    std::vector<Case> cases = {
        {Radio1, VK_DOWN, Radio2, true}, {Radio2, VK_RIGHT, Radio3, true},  {Radio3, VK_DOWN, Radio1, true},
        {Radio1, VK_UP, Radio3, true},   {Inner1, VK_RIGHT, Inner2, false}, {Inner2, VK_DOWN, Inner1, false},
        {Ok, VK_DOWN, Cancel, false},    {Apply, VK_LEFT, Cancel, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.From) + " key " + std::to_string(c.Key));
        SetFocus(c.From);
        for (HWND radio : {Radio1, Radio2, Radio3})
            Checked[radio] = radio == c.From;
        PumpDialog();
        Rec.Clear();
        Press(c.Key);
        EXPECT_EQ(Name(GetFocus()), Name(c.To));
        EXPECT_EQ(Checked[c.To], c.ClickedRadio);
    }
    // A radio button already checked is not clicked again; a disabled one is passed over.
    SetFocus(Radio1);
    Checked[Radio3] = true;
    EnableWindow(Radio2, FALSE);
    PumpDialog();
    Rec.Clear();
    Press(VK_DOWN);
    EXPECT_EQ(GetFocus(), Radio3);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"radio1 KILLFOCUS", "radio3 SETFOCUS", "radio3 KEYUP 40"}));
    // A control that wants the arrows gets them.
    SetFocus(Edit);
    Rec.Clear();
    Press(VK_DOWN);
    EXPECT_EQ(GetFocus(), Edit);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"edit KEYDOWN 40", "edit KEYUP 40"}));
    EXPECT_EQ(GetNextDlgGroupItem(Dialog, Tabber, FALSE), Tabber); // alone in its group
}

TEST_F(WinDialogTest, EnterAndEscapeBecomeCommands) {
    HWND multiLine = Control("multiLine", "", WS_TABSTOP, DLGC_WANTALLKEYS | DLGC_WANTCHARS);
    const std::string ok = "dialog COMMAND " + std::to_string(IDOK) + " " + std::to_string(Clicked) + " ok";
    const std::string cancel =
        "dialog COMMAND " + std::to_string(IDCANCEL) + " " + std::to_string(Clicked) + " cancel";
    const std::string apply =
        "dialog COMMAND " + std::to_string(IdApply) + " " + std::to_string(Clicked) + " apply";
    struct Case {
        const char* What;
        std::function<void()> Prepare;
        int Key;
        std::vector<std::string> Commands;
    };
    std::vector<Case> cases = {
        {"Enter in an edit: the default button", [&] { SetFocus(Edit); }, VK_RETURN, {ok}},
        {"Escape: Cancel", [&] { SetFocus(Edit); }, VK_ESCAPE, {cancel}},
        {"Enter on a push button: that button", [&] { SetFocus(Apply); }, VK_RETURN, {apply}},
        {"Escape on a push button: still Cancel", [&] { SetFocus(Apply); }, VK_ESCAPE, {cancel}},
        {"Enter after DM_SETDEFID",
         [&] {
             SetFocus(Edit);
             SendMessageA(Dialog, DM_SETDEFID, IdApply, 0);
         },
         VK_RETURN,
         {apply}},
        {"Enter with the default button disabled: nothing",
         [&] {
             SetFocus(Edit);
             EnableWindow(Ok, FALSE);
         },
         VK_RETURN,
         {}},
        {"Escape with Cancel disabled: nothing",
         [&] {
             SetFocus(Edit);
             EnableWindow(Cancel, FALSE);
         },
         VK_ESCAPE,
         {}},
        {"a control that wants every key keeps Enter", [&] { SetFocus(multiLine); }, VK_RETURN, {}},
        {"and Escape", [&] { SetFocus(multiLine); }, VK_ESCAPE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        EnableWindow(Ok, TRUE);
        EnableWindow(Cancel, TRUE);
        SendMessageA(Dialog, DM_SETDEFID, IDOK, 0);
        c.Prepare();
        PumpDialog();
        Rec.Clear();
        Press(c.Key);
        std::vector<std::string> commands;
        for (const std::string& s : Seen())
            if (s.find("COMMAND") != std::string::npos) commands.push_back(s);
        EXPECT_EQ(commands, c.Commands);
    }
    // What the control that keeps the keys got.
    EXPECT_EQ(Seen(),
              (std::vector<std::string>{"multiLine KEYDOWN 27", "multiLine CHAR 27", "multiLine KEYUP 27"}));
}

TEST_F(WinDialogTest, TheDefaultFrameFollowsTheFocusedPushButton) {
    // The dialog gives the focus to a push button: it takes the frame from OK.
    SendMessageA(Dialog, WM_NEXTDLGCTL, WPARAM(Cancel), TRUE);
    EXPECT_EQ(Codes[Cancel] & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(Codes[Ok] & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
    // Leaving the push buttons gives the frame back to the dialog's default button.
    Rec.Clear();
    Press(VK_TAB);
    EXPECT_EQ(GetFocus(), Edit);
    EXPECT_EQ(Seen(), (std::vector<std::string>{"dialog NEXTDLGCTL edit 1", "edit EM_SETSEL 0 -1",
                                                "cancel KILLFOCUS", "edit SETFOCUS", "cancel BM_SETSTYLE 0",
                                                "ok BM_SETSTYLE 1", "edit KEYUP 9"}));
    // DM_SETDEFID moves it at once; DM_GETDEFID reports it.
    SendMessageA(Dialog, DM_SETDEFID, IdApply, 0);
    EXPECT_EQ(Codes[Apply] & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(Codes[Ok] & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
    EXPECT_EQ(SendMessageA(Dialog, DM_GETDEFID, 0, 0), MAKELRESULT(WORD(IdApply), DC_HASDEFID));
}

TEST_F(WinDialogTest, Mnemonics) {
    struct Case {
        const char* What;
        HWND From;
        std::vector<int> Modifiers;
        int Key;
        HWND FocusAfter;
        std::vector<std::string> Acts; // BM_CLICK and the characters that reached a window
    };
    std::vector<Case> cases = {
        {"Alt+N: the label hands the focus to the edit after it", Tabber, {VK_MENU}, 'N', Edit, {}},
        {"Alt+G: a radio button is focused and clicked", Edit, {VK_MENU}, 'G', Radio2, {"radio2 BM_CLICK"}},
        {"Alt+L: the mnemonic inside the text", Edit, {VK_MENU}, 'L', Radio3, {"radio3 BM_CLICK"}},
        {"Alt+C: a push button is clicked", Edit, {VK_MENU}, 'C', Edit, {"cancel BM_CLICK"}},
        {"Alt+B: '&&' is no mnemonic", Edit, {VK_MENU}, 'B', Edit, {"edit SYSCHAR 98"}},
        {"O on a button, which takes no characters", Radio1, {}, 'O', Radio1, {"ok BM_CLICK"}},
        {"O in the edit, which takes characters", Edit, {}, 'O', Edit, {"edit CHAR 111"}},
        {"Shift+A: upper case matches too", Radio1, {VK_SHIFT}, 'A', Radio1, {"apply BM_CLICK"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        SetFocus(c.From);
        PumpDialog();
        Rec.Clear();
        Press(c.Key, c.Modifiers);
        EXPECT_EQ(Name(GetFocus()), Name(c.FocusAfter));
        std::vector<std::string> acts;
        for (const std::string& s : Seen())
            if (s.find("BM_CLICK") != std::string::npos || s.find("CHAR") != std::string::npos)
                acts.push_back(s);
        EXPECT_EQ(acts, c.Acts);
    }
}

TEST_F(WinDialogTest, NextDialogControlAndItemHelpers) {
    SendMessageA(Dialog, WM_NEXTDLGCTL, 0, FALSE);
    EXPECT_EQ(GetFocus(), Inner1);
    SendMessageA(Dialog, WM_NEXTDLGCTL, 1, FALSE);
    EXPECT_EQ(GetFocus(), Edit);
    SendMessageA(Dialog, WM_NEXTDLGCTL, WPARAM(Ok), TRUE);
    EXPECT_EQ(GetFocus(), Ok);
    // Messages of windows outside the dialog are not its business.
    HWND other = Make(WS_POPUP | WS_VISIBLE, 0, 0, 10, 10);
    MSG msg;
    msg.hwnd = other;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_FALSE(IsDialogMessageA(Dialog, &msg));
    // Identifiers.
    EXPECT_EQ(GetDlgItem(Dialog, IDOK), Ok);
    EXPECT_EQ(GetDlgItem(Dialog, 4711), nullptr);
    EXPECT_EQ(GetDlgItem(Dialog, GetDlgCtrlID(Inner1)), nullptr); // not a direct child
    EXPECT_EQ(GetDlgCtrlID(Cancel), IDCANCEL);
    EXPECT_EQ(GetDlgCtrlID(Dialog), 0);
    int first = GetDlgCtrlID(Radio1);
    EXPECT_TRUE(CheckRadioButton(Dialog, first, first + 2, first + 1));
    EXPECT_EQ(IsDlgButtonChecked(Dialog, first), 0u);
    EXPECT_EQ(IsDlgButtonChecked(Dialog, first + 1), 1u);
    EXPECT_TRUE(CheckDlgButton(Dialog, first, 1));
    EXPECT_EQ(SendDlgItemMessageA(Dialog, first, ButtonGetCheck, 0, 0), 1);
}

} // namespace

// The edit controls: typing, selection, clipboard and undo through synthesised keys on a
// single-line edit and a memo, OnChange and Modified, the settings that become window styles,
// a subclass taking over pasting, the memo's lines over CR LF offsets, and pictures.
#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/EditCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Clipboard.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/SysColors.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinEdit.h"
#include "tests/classlib/EditHostFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using edittest::C;
using edittest::S;

struct TChangeCounter : TObject {
    int Changes = 0;
    void Changed(TObject*) { ++Changes; }
};

struct TMouseDownCounter : TObject {
    int Downs = 0;
    void Down(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++Downs; }
};

class EditCtrlsTest : public edittest::TEditHostFixture {
protected:
    EditCtrlsTest() : TEditHostFixture(400, 300) {}
    template <class T>
    T* Make(Integer left, Integer top, Integer width, Integer height) {
        auto* control = new T(Host);
        control->SetParent(Host);
        control->SetBounds(left, top, width, height);
        return control;
    }
    String ClipText() {
        TClipboardContents c = Clip.Read();
        if (!c.HasText) return "<none>";
        String s;
        for (char16_t u : c.Text)
            s += char(u);
        return s;
    }
    void PutClip(const std::u16string& text) {
        TClipboardContents c;
        c.HasText = true;
        c.Text = text;
        Clip.Replace(c);
    }
    void SavePicture(const char* name) {
        UpdateWindow(Host->GetHandle());
        Pump();
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(Host->GetHandle(), s));
        testsupport::WritePng(testsupport::ArtifactPath(name), s.Width, s.Height,
                              reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    }
};

// ---- Single-line edits ------------------------------------------------------------------------------

TEST_F(EditCtrlsTest, TypingSelectionClipboardAndUndoThroughKeys) {
    struct Step {
        UINT Vk;       // 0: type Text
        unsigned Mods;
        const char32_t* Text;
    };
    struct Case {
        const char* Name;
        const char* Start;
        std::vector<Step> Steps;
        const char* Text;
        Integer SelStart;
        Integer SelLength;
        const char* Clip;
    };
    const std::vector<Case> cases = {
        {"type at the end", "ab", {{VK_END, 0, nullptr}, {0, 0, U"cd"}}, "abcd", 4, 0, "<none>"},
        {"select left and type over", "hello", {{VK_END, 0, nullptr}, {VK_LEFT, S, nullptr}, {VK_LEFT, S, nullptr},
                                                {0, 0, U"p!"}}, "help!", 5, 0, "<none>"},
        {"backspace and delete", "abcdef", {{VK_HOME, 0, nullptr}, {VK_RIGHT, 0, nullptr}, {VK_DELETE, 0, nullptr},
                                            {VK_END, 0, nullptr}, {VK_BACK, 0, nullptr}}, "acde", 4, 0, "<none>"},
        {"copy and paste", "one two", {{VK_HOME, 0, nullptr}, {VK_RIGHT, C | S, nullptr}, {'C', C, nullptr},
                                       {VK_END, 0, nullptr}, {'V', C, nullptr}}, "one twoone ", 11, 0, "one "},
        {"cut", "one two", {{VK_END, 0, nullptr}, {VK_LEFT, C | S, nullptr}, {'X', C, nullptr}}, "one ", 4, 0,
         "two"},
        {"undo a typed word", "x", {{VK_END, 0, nullptr}, {0, 0, U"yz"}, {'Z', C, nullptr}}, "x", 1, 0, "<none>"},
        {"characters beyond ASCII count one each", "", {{0, 0, U"频率ab"}, {VK_LEFT, S, nullptr},
                                                      {VK_LEFT, S, nullptr}, {VK_LEFT, S, nullptr}}, "频率ab", 1, 3,
         "<none>"},
    };
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    TChangeCounter counter;
    edit->OnChange = MakeEvent(&counter, &TChangeCounter::Changed);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Clip.Replace(TClipboardContents{});
        edit->SetText(c.Start);
        edit->SetFocus();
        edit->SetModified(false);
        counter.Changes = 0;
        for (const Step& step : c.Steps) {
            if (step.Vk == 0)
                Type(step.Text);
            else
                Key(step.Vk, step.Mods);
        }
        EXPECT_EQ(edit->GetText(), c.Text);
        EXPECT_EQ(edit->GetSelStart(), c.SelStart);
        EXPECT_EQ(edit->GetSelLength(), c.SelLength);
        EXPECT_EQ(ClipText(), c.Clip);
        const bool changed = String(c.Text) != c.Start;
        EXPECT_EQ(edit->GetModified(), changed || counter.Changes > 0);
        EXPECT_EQ(counter.Changes > 0, changed || String(c.Name) == "undo a typed word");
    }
}

TEST_F(EditCtrlsTest, SelectionPropertiesAndOperations) {
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    edit->SetText("Channel 12");
    edit->SetSelStart(8);
    edit->SetSelLength(2);
    EXPECT_EQ(edit->GetSelText(), "12");
    edit->SetSelText("7");
    EXPECT_EQ(edit->GetText(), "Channel 7");
    EXPECT_FALSE(edit->CanUndo());  // replacing the selection by code is not kept for Undo

    edit->SelectAll();
    EXPECT_EQ(edit->GetSelLength(), 9);
    edit->CopyToClipboard();
    EXPECT_EQ(ClipText(), "Channel 7");
    edit->SetSelStart(0);
    edit->SetSelLength(8);
    edit->CutToClipboard();
    EXPECT_EQ(edit->GetText(), "7");
    EXPECT_EQ(ClipText(), "Channel ");
    EXPECT_TRUE(edit->CanUndo());
    edit->Undo();
    EXPECT_EQ(edit->GetText(), "Channel 7");
    edit->ClearUndo();
    EXPECT_FALSE(edit->CanUndo());
    edit->SetSelStart(9);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->GetText(), "Channel 7Channel ");
    edit->SetSelStart(0);
    edit->SetSelLength(7);
    edit->ClearSelection();
    EXPECT_EQ(edit->GetText(), " 7Channel ");
    edit->Clear();
    EXPECT_EQ(edit->GetText(), "");
}

TEST_F(EditCtrlsTest, SettingsBecomeWindowStylesAndMessages) {
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    HWND window = edit->GetHandle();
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & ES_MULTILINE, 0u);
    EXPECT_NE(GetWindowLongA(window, GWL_STYLE) & ES_AUTOHSCROLL, 0u);

    // Without the 3-D look a bordered edit has a plain border, and the text stays.
    edit->SetText("flat");
    edit->SetCtl3D(false);
    EXPECT_EQ(GetWindowLongA(edit->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_NE(GetWindowLongA(edit->GetHandle(), GWL_STYLE) & WS_BORDER, 0u);
    EXPECT_EQ(edit->GetText(), "flat");
    edit->SetCtl3D(true);
    EXPECT_NE(GetWindowLongA(edit->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

    edit->SetBorderStyle(bsNone);
    EXPECT_EQ(GetWindowLongA(edit->GetHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(GetWindowLongA(edit->GetHandle(), GWL_STYLE) & WS_BORDER, 0u);

    // Upper case: typed letters change; the text survives the window being made again.
    edit->SetText("ab");
    edit->SetCharCase(ecUpperCase);
    EXPECT_NE(GetWindowLongA(edit->GetHandle(), GWL_STYLE) & ES_UPPERCASE, 0u);
    EXPECT_EQ(edit->GetText(), "ab");
    edit->SetFocus();
    Key(VK_END);
    Type(U"cd");
    EXPECT_EQ(edit->GetText(), "abCD");
    edit->SetCharCase(ecLowerCase);
    edit->SetFocus();
    Key(VK_END);
    Type(U"EF");
    EXPECT_EQ(edit->GetText(), "abCDef");

    // Password characters; copying a password puts nothing on the clipboard.
    edit->SetPasswordChar('*');
    EXPECT_EQ(edit->Perform(EM_GETPASSWORDCHAR, 0, 0), '*');
    edit->SelectAll();
    edit->CopyToClipboard();
    EXPECT_EQ(ClipText(), "<none>");
    edit->SetPasswordChar(0);
    EXPECT_EQ(edit->Perform(EM_GETPASSWORDCHAR, 0, 0), 0);

    // The limit and read-only.
    edit->SetText("");
    edit->SetMaxLength(3);
    edit->SetFocus();
    Type(U"12345");
    EXPECT_EQ(edit->GetText(), "123");
    edit->SetReadOnly(true);
    EXPECT_NE(GetWindowLongA(edit->GetHandle(), GWL_STYLE) & ES_READONLY, 0u);
    Key(VK_BACK);
    EXPECT_EQ(edit->GetText(), "123");

    // Settings made before the window exist are given to it when it is made.
    auto* later = new TEdit(Host);
    later->SetMaxLength(2);
    later->SetReadOnly(true);
    later->SetPasswordChar('#');
    later->SetModified(true);
    later->SetParent(Host);
    EXPECT_EQ(later->Perform(EM_GETLIMITTEXT, 0, 0), 2);
    EXPECT_EQ(later->Perform(EM_GETPASSWORDCHAR, 0, 0), '#');
    EXPECT_TRUE(later->GetModified());
    EXPECT_NE(GetWindowLongA(later->GetHandle(), GWL_STYLE) & ES_READONLY, 0u);
}

TEST_F(EditCtrlsTest, AutoSelectOnKeyboardFocusOnly) {
    auto* first = Make<TEdit>(10, 10, 200, 24);
    auto* second = Make<TEdit>(10, 50, 200, 24);
    first->SetText("first");
    second->SetText("second");
    first->SetFocus();
    EXPECT_EQ(first->GetSelLength(), 5);
    second->SetFocus();
    EXPECT_EQ(second->GetSelLength(), 6);
    second->SetAutoSelect(false);
    second->SetSelStart(0);
    first->SetFocus();
    second->SetFocus();
    EXPECT_EQ(second->GetSelLength(), 0);
}

TEST_F(EditCtrlsTest, OnChangeFollowsTheTextButNotWhileLoading) {
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    TChangeCounter counter;
    edit->OnChange = MakeEvent(&counter, &TChangeCounter::Changed);
    edit->SetText("a");
    EXPECT_EQ(counter.Changes, 1);
    edit->SetText("a");  // the same text: nothing
    EXPECT_EQ(counter.Changes, 1);
    edit->SetFocus();
    Type(U"b");
    EXPECT_EQ(counter.Changes, 2);

    auto* loading = new TEdit(Host);
    loading->OnChange = MakeEvent(&counter, &TChangeCounter::Changed);
    loading->IncludeComponentState(csLoading);
    loading->SetText("stored");
    loading->SetParent(Host);
    loading->HandleNeeded();
    EXPECT_EQ(counter.Changes, 2);
    loading->ExcludeComponentState(csLoading);
    loading->SetText("typed");
    EXPECT_EQ(counter.Changes, 3);
}

// Takes pasting over: the clipboard text goes in upper case, with a mark around it.
class TShoutingEdit : public TEdit {
    KOV_CLASS(TShoutingEdit, TEdit)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TShoutingEdit(TComponent* owner) : TEdit(owner) {}
    int Pastes = 0;

protected:
    void WMPaste(TMessage&) {
        ++Pastes;
        SetSelText("<" + UpperCase(ClipboardText()) + ">");
    }
    String ClipboardText() {
        String text;
        if (OpenClipboard(GetHandle())) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                text = static_cast<const char*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        return text;
    }
};

KOV_MESSAGE_MAP(TShoutingEdit) { map.Message(WM_PASTE, &TShoutingEdit::WMPaste); }

TEST_F(EditCtrlsTest, SubclassInterceptsPasteFromKeysMenuAndCode) {
    auto* edit = Make<TShoutingEdit>(10, 10, 200, 24);
    PutClip(u"tone");
    edit->SetFocus();
    Key('V', C);
    Key(VK_INSERT, S);
    edit->PasteFromClipboard();
    EXPECT_TRUE(WinEditContextMenuCommand(edit->GetHandle(), WM_PASTE));
    EXPECT_EQ(edit->Pastes, 4);
    EXPECT_EQ(edit->GetText(), "<TONE><TONE><TONE><TONE>");
}

// ---- Memos ----------------------------------------------------------------------------------------------

TEST_F(EditCtrlsTest, MemoLinesOverCrLfWithAndWithoutAWindow) {
    for (bool withWindow : {false, true}) {
        SCOPED_TRACE(withWindow ? "window" : "no window");
        auto* memo = new TMemo(nullptr);
        memo->SetBounds(10, 10, 200, 120);
        memo->SetWordWrap(false);
        if (withWindow) {
            memo->SetParent(Host);
            memo->HandleNeeded();
        }
        TStrings* lines = memo->GetLines();
        EXPECT_EQ(lines->GetCount(), 0);
        lines->Add("alpha");
        lines->Add("beta");
        EXPECT_EQ(memo->GetText(), "alpha\r\nbeta\r\n");
        EXPECT_EQ(lines->GetCount(), 2);
        lines->Insert(1, "middle");
        lines->SetStrings(0, "first");
        EXPECT_EQ(memo->GetText(), "first\r\nmiddle\r\nbeta\r\n");
        lines->Delete(1);
        EXPECT_EQ(memo->GetText(), "first\r\nbeta\r\n");
        EXPECT_EQ(lines->GetStrings(1), "beta");
        lines->SetText("one\ntwo\r\nthree");
        EXPECT_EQ(memo->GetText(), "one\r\ntwo\r\nthree");
        EXPECT_EQ(lines->GetCount(), 3);
        lines->Add("four");  // after a last line without a break
        EXPECT_EQ(memo->GetText(), "one\r\ntwo\r\nthree\r\nfour");
        EXPECT_EQ(lines->GetStrings(3), "four");
        TStringList copy;
        copy.Assign(lines);
        EXPECT_EQ(copy.GetCommaText(), "one,two,three,four");
        lines->Clear();
        EXPECT_EQ(lines->GetCount(), 0);
        delete memo;
    }
}

TEST_F(EditCtrlsTest, MemoCaretPosLineMessagesAndTyping) {
    auto* memo = Make<TMemo>(10, 10, 240, 120);
    memo->SetWordWrap(false);
    memo->GetLines()->SetText("ab\r\n频率cd\r\nxyz");
    EXPECT_EQ(memo->Perform(EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_EQ(memo->Perform(EM_LINEINDEX, 1, 0), 4);  // "ab" and its CR LF
    EXPECT_EQ(memo->Perform(EM_LINEINDEX, 2, 0), 10);
    EXPECT_EQ(memo->Perform(EM_LINELENGTH, 4, 0), 4);
    EXPECT_EQ(memo->GetLines()->GetStrings(1), "频率cd");

    memo->SetCaretPos(POINT{2, 1});
    EXPECT_EQ(memo->GetSelStart(), 6);
    EXPECT_EQ(memo->GetCaretPos().x, 2);
    EXPECT_EQ(memo->GetCaretPos().y, 1);

    memo->SetFocus();
    Key(VK_RETURN);
    EXPECT_EQ(memo->GetText(), "ab\r\n频率\r\ncd\r\nxyz");
    EXPECT_EQ(memo->GetCaretPos().x, 0);
    EXPECT_EQ(memo->GetCaretPos().y, 2);
    Key(VK_DOWN);
    Key(VK_END);
    Type(U"!");
    EXPECT_EQ(memo->GetLines()->GetStrings(3), "xyz!");
    EXPECT_EQ(memo->GetCaretPos().x, 4);
    EXPECT_EQ(memo->GetCaretPos().y, 3);

    // Tabs go to the dialog unless wanted; returns are typed unless refused.
    EXPECT_EQ(memo->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
    Key(VK_TAB);
    EXPECT_EQ(memo->GetLines()->GetStrings(3), "xyz!");
    memo->SetWantTabs(true);
    EXPECT_NE(memo->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB, 0);
    memo->SetFocus();
    Key(VK_TAB);
    EXPECT_EQ(memo->GetLines()->GetStrings(3), "xyz!\t");
    memo->SetWantReturns(false);
    EXPECT_EQ(memo->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    Key(VK_RETURN);
    EXPECT_EQ(memo->GetLines()->GetCount(), 4);
}

TEST_F(EditCtrlsTest, MemoStylesAndWrappedLines) {
    struct Case {
        TScrollStyle Bars;
        DWORD Style;
    };
    const std::vector<Case> cases = {{ssNone, 0}, {ssHorizontal, WS_HSCROLL}, {ssVertical, WS_VSCROLL},
                                     {ssBoth, WS_HSCROLL | WS_VSCROLL}};
    auto* memo = Make<TMemo>(10, 10, 120, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Bars));
        memo->SetScrollBars(c.Bars);
        EXPECT_EQ(GetWindowLongA(memo->GetHandle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), c.Style);
    }
    memo->SetScrollBars(ssNone);
    const DWORD style = GetWindowLongA(memo->GetHandle(), GWL_STYLE);
    EXPECT_NE(style & ES_MULTILINE, 0u);
    EXPECT_EQ(style & ES_AUTOHSCROLL, 0u);  // word wrap
    memo->SetAlignment(taCenter);
    EXPECT_NE(GetWindowLongA(memo->GetHandle(), GWL_STYLE) & ES_CENTER, 0u);
    memo->SetAlignment(taLeftJustify);

    // A wrapped line is a line of Lines, as the window shows it; the text keeps no break there.
    memo->SetText("one two three four five six seven eight nine ten");
    EXPECT_GT(memo->GetLines()->GetCount(), 1);
    EXPECT_EQ(memo->GetText(), "one two three four five six seven eight nine ten");
    memo->SetWordWrap(false);
    EXPECT_NE(GetWindowLongA(memo->GetHandle(), GWL_STYLE) & ES_AUTOHSCROLL, 0u);
    EXPECT_EQ(memo->GetLines()->GetCount(), 1);
    EXPECT_EQ(memo->GetText(), "one two three four five six seven eight nine ten");
}

TEST_F(EditCtrlsTest, ClassesAndPropertiesArePublished) {
    EXPECT_EQ(GetClass("TEdit"), TEdit::StaticClass());
    EXPECT_EQ(GetClass("TMemo"), TMemo::StaticClass());
    auto* memo = Make<TMemo>(10, 10, 120, 100);
    SetEnumProp(memo, "ScrollBars", "ssVertical");
    EXPECT_EQ(memo->GetScrollBars(), ssVertical);
    SetEnumProp(memo, "CharCase", "ecUpperCase");
    EXPECT_EQ(memo->GetCharCase(), ecUpperCase);
    SetOrdProp(memo, "WordWrap", 0);
    EXPECT_FALSE(memo->GetWordWrap());
    EXPECT_EQ(GetObjectProp(memo, "Lines"), memo->GetLines());
    auto* edit = Make<TEdit>(10, 120, 120, 24);
    SetOrdProp(edit, "PasswordChar", '*');
    SetOrdProp(edit, "MaxLength", 8);
    EXPECT_EQ(edit->GetPasswordChar(), '*');
    EXPECT_EQ(edit->GetMaxLength(), 8);
    EXPECT_TRUE(IsDefaultPropValue(edit, GetPropInfo(edit, "AutoSelect")));
    EXPECT_TRUE(IsDefaultPropValue(memo, GetPropInfo(memo, "AutoSelect")));  // a memo's is off
    EXPECT_FALSE(memo->GetAutoSelect());
}

TEST_F(EditCtrlsTest, PicturesOfAnEditWithASelectionAndAMemo) {
    auto* edit = Make<TEdit>(10, 10, 200, 24);
    edit->SetText("Frequency 438.500");
    edit->SetFocus();
    edit->SetSelStart(10);
    edit->SetSelLength(7);
    auto* memo = Make<TMemo>(10, 50, 240, 110);
    memo->SetScrollBars(ssVertical);
    memo->GetLines()->SetText("Channel 1\r\nChannel 2\r\n频率 438.500\r\nA long line that wraps at the edge");
    SavePicture("EditCtrlsTest_EditAndMemo.png");
    GdiSurface s;
    ASSERT_TRUE(WinGetSurface(Host->GetHandle(), s));
    auto at = [&](POINT p) { return GdiPixelToColor(s.Row(p.y)[p.x] & 0xFFFFFF); };
    // The selection is drawn in the highlight colour; the memo's background is the window's.
    const POINT inSelection = Host->ScreenToClient(edit->ClientToScreen(POINT{0, 0}));
    DWORD start = 0, end = 0;
    edit->Perform(EM_GETSEL, WPARAM(&start), LPARAM(&end));
    const LRESULT pos = edit->Perform(EM_POSFROMCHAR, 12, 0);
    const POINT selPixel{inSelection.x + LOWORD(pos), inSelection.y + HIWORD(pos) + 1};
    EXPECT_EQ(at(selPixel), GetSysColor(COLOR_HIGHLIGHT));
    const POINT memoCorner = Host->ScreenToClient(memo->ClientToScreen(POINT{150, 95}));
    EXPECT_EQ(at(memoCorner), GetSysColor(COLOR_WINDOW));
}

}  // namespace

TEST_F(EditCtrlsTest, AClickReachesTheEditItselfAndTheControlsMouseEvents) {
    TEdit* first = Make<TEdit>(10, 10, 200, 24);
    TEdit* second = Make<TEdit>(10, 50, 200, 24);
    first->SetText("one");
    second->SetText("channel");
    first->SetFocus();
    Pump();
    TMouseDownCounter downs;
    second->OnMouseDown = TMouseEvent(&downs, &TMouseDownCounter::Down);
    // A click at the left edge of the second edit: the edit takes the focus and puts its caret
    // at the start, and the control's event still runs.
    RECT r = second->GetBoundsRect();
    POINT at{r.left + 3, (r.top + r.bottom) / 2};
    ClientToScreen(Host->GetHandle(), &at);
    WinInputMouseButton(at, TWinMouseButton::Left, true);
    WinInputMouseButton(at, TWinMouseButton::Left, false);
    Pump();
    EXPECT_EQ(GetFocus(), second->GetHandle());
    EXPECT_EQ(second->GetSelStart(), 0);
    EXPECT_EQ(second->GetSelLength(), 0);
    EXPECT_EQ(downs.Downs, 1);
}

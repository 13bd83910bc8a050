// The memo editor: line breaks of inserted text, the short display text, the properties, keys,
// the insertion limit of clipboard messages, the value written through the native memo, scroll
// bars, window classes and a stored memo.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/WinCore.h"
#include "platform/winapi/WinEdit.h"
#include "platform/winapi/WinScroll.h"
#include "suite/controls/qzButtonEdit.h"
#include "suite/controls/qzCalc.h"
#include "suite/controls/qzHyperLinkEdit.h"
#include "suite/controls/qzMRUEdit.h"
#include "suite/controls/qzMemo.h"
#include "tests/support/FormFixture.h"

namespace {

struct EventLog {
    Integer Changes = 0;
    Integer ValueChanges = 0;
    void Changed(TObject*) { ++Changes; }
    void ValueChanged(TObject*) { ++ValueChanges; }
};

class MemoTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldClipboard = SetClipboardStore(&Clipboard);
    }
    void TearDown() override {
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        testsupport::TFormFixture::TearDown();
        SetClipboardStore(FOldClipboard);
    }
    TqzMemo* ShownMemo(const String& text = String()) {
        auto* memo = new TqzMemo(Form);
        memo->SetParent(Form);
        memo->SetLeft(10);
        memo->SetTop(10);
        Form->Show();
        App->ProcessMessages();
        if (!text.empty()) memo->SetEditValue(Variant(text));
        memo->SetFocus();
        App->ProcessMessages();
        return memo;
    }
    static HWND Inner(TqzMemo* memo) { return memo->GetInnerControl()->GetHandle(); }
    static String InnerText(TqzMemo* memo) { return memo->GetInnerControl()->GetText(); }

    TMemoryClipboardStore Clipboard;

private:
    TClipboardStore* FOldClipboard = nullptr;
};

TEST_F(MemoTest, LineBreaksOfInsertedTextAreNormalised) {
    struct Case {
        const char* Text;
        const char* Normalised;
    };
    const Case cases[] = {
        {"a\n\rb", "a\r\n\r\nb"},
        {"a\r\nb", "a\r\nb"},
        {"a\rb\nc", "a\rb\nc"},
        {"\n\r\n\r", "\r\n\r\n\r\n\r\n"},
        {"a\r\n\rb", "a\r\n\rb"},
        {"end\n\r", "end\r\n\r\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(c.Normalised, NormalizeLineBreaks(c.Text));
    }
    // The native memo's replace-selection message inserts the normalised text.
    TqzMemo* memo = ShownMemo();
    SendMessageA(Inner(memo), EM_REPLACESEL, 0, LPARAM("a\n\rb"));
    EXPECT_EQ("a\r\n\r\nb", InnerText(memo));
    EXPECT_EQ("a\r\n\r\nb", VarToStr(memo->GetEditValue()));
}

TEST_F(MemoTest, TheShortDisplayTextIsTheFirstLine) {
    TqzMemoProperties p(nullptr);
    struct Case {
        String Value;
        String Short;
    };
    const std::vector<Case> cases = {
        {"first\r\nsecond", "first"},
        {"first\nsecond", "first"},
        {"one line", "one line"},
        {String(300, 'x'), String(250, 'x')},
        {String(260, 'x') + "\r\nsecond", String(250, 'x')},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringToWide(c.Short), p.GetDisplayTextWide(Variant(c.Value)));
        EXPECT_EQ(StringToWide(c.Value), p.GetDisplayTextWide(Variant(c.Value), true));
    }
    EXPECT_EQ("ab", CutToFirstLine("ab\rcd", 0));
    EXPECT_EQ("abc", CutToFirstLine("abcdef", 3));
}

TEST_F(MemoTest, PropertiesKeepTheirRulesAndAssignLeavesTheLineCount) {
    TqzMemoProperties p(nullptr);
    EXPECT_FALSE(p.GetAutoSelect());
    EXPECT_EQ(taTopJustify, p.GetAlignment()->GetVert());
    EXPECT_TRUE(p.IsMultiLine());
    p.SetVisibleLineCount(-5);
    EXPECT_EQ(0, p.GetVisibleLineCount());
    TqzMemoProperties source(nullptr);
    source.SetScrollBars(ssBoth);
    source.SetWantReturns(false);
    source.SetWantTabs(true);
    source.SetWordWrap(false);
    source.SetVisibleLineCount(7);
    p.SetVisibleLineCount(3);
    p.Assign(&source);
    EXPECT_EQ(ssBoth, p.GetScrollBars());
    EXPECT_FALSE(p.GetWantReturns());
    EXPECT_TRUE(p.GetWantTabs());
    EXPECT_TRUE(p.WantsTabKey());
    EXPECT_FALSE(p.GetWordWrap());
    EXPECT_EQ(3, p.GetVisibleLineCount());
}

TEST_F(MemoTest, CtrlASelectsEverythingOnlyWithText) {
    TqzMemo* memo = ShownMemo();
    const TShiftState ctrl{ssCtrl};
    Word key = 'A';
    memo->HandleEditKeyDown(key, ctrl);
    EXPECT_EQ('A', key) << "an empty memo";
    memo->SetEditValue(Variant(String("one\r\ntwo")));
    key = 'A';
    TShiftState ctrlShift{ssCtrl, ssShift};
    memo->HandleEditKeyDown(key, ctrlShift);
    EXPECT_EQ('A', key) << "with Shift";
    EXPECT_EQ(0, memo->GetSelLength());
    key = 'A';
    memo->HandleEditKeyDown(key, ctrl);
    EXPECT_EQ(0, key);
    EXPECT_EQ(8, memo->GetSelLength());
}

TEST_F(MemoTest, EnterThatActivatesAnInPlaceMemoIsNotTyped) {
    auto* memo = new TqzMemo(Form, true);
    memo->SetParent(Form);
    memo->SetBounds(10, 10, 150, 60);
    Form->Show();
    App->ProcessMessages();
    TqzCustomEditData* data = nullptr;
    memo->ActivateByKey(U'\r', data);
    App->ProcessMessages();
    EXPECT_EQ("", InnerText(memo));
    memo->ActivateByKey(U'x', data);
    App->ProcessMessages();
    EXPECT_EQ("x", InnerText(memo));
    delete data;
}

TEST_F(MemoTest, InsertionsOfClipboardMessagesKeepToMaxLength) {
    TqzMemo* memo = ShownMemo();
    memo->GetProperties()->SetMaxLength(5);
    struct Case {
        const char* Before;
        bool ClipboardMessage;
        const char* Inserted;
        const char* After;
        bool Modified;
    };
    const Case cases[] = {
        {"abc", true, "xyz", "abcxy", true},
        {"abcde", true, "xyz", "abcde", false},
        {"abc", false, "xyz", "abcxyz", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Inserted + std::string(c.ClipboardMessage ? " in a clipboard message" : " from code"));
        memo->SetEditValue(Variant(String(c.Before)));
        memo->SetModifiedFlag(false);
        memo->SetSelection(Utf8Length(c.Before), 0);
        memo->SetHandlingClipboardMessage(c.ClipboardMessage);
        memo->SetUserInput(c.ClipboardMessage);
        memo->SetSelText(c.Inserted);
        memo->SetHandlingClipboardMessage(false);
        memo->SetUserInput(false);
        EXPECT_EQ(c.After, InnerText(memo));
        EXPECT_EQ(c.Modified, memo->GetModified());
    }
    // A paste through the native memo stops at MaxLength too.
    memo->SetEditValue(Variant(String("abc")));
    memo->SetSelection(3, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(block), "xyz", 4);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    SendMessageA(Inner(memo), WM_PASTE, 0, 0);
    EXPECT_EQ("abcxy", InnerText(memo));
}

TEST_F(MemoTest, AReadOnlyMemoCopiesOnCutAndIgnoresPasteAndClear) {
    TqzMemo* memo = ShownMemo("alpha beta");
    auto putText = [](const char* text) {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
        std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
        CloseClipboard();
    };
    auto clipboardText = [] {
        String text;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                text = static_cast<const char*>(GlobalLock(HGLOBAL(data)));
                GlobalUnlock(HGLOBAL(data));
            }
            CloseClipboard();
        }
        return text;
    };
    memo->GetProperties()->SetReadOnly(true);
    memo->SetSelection(0, 5);
    SendMessageA(Inner(memo), WM_CUT, 0, 0);
    EXPECT_EQ("alpha", clipboardText());
    EXPECT_EQ("alpha beta", InnerText(memo));
    putText("new");
    SendMessageA(Inner(memo), WM_PASTE, 0, 0);
    SendMessageA(Inner(memo), WM_CLEAR, 0, 0);
    EXPECT_EQ("alpha beta", InnerText(memo));
    // Editable again: the cut takes the text out, the user's change marks the memo modified.
    memo->GetProperties()->SetReadOnly(false);
    memo->SetModifiedFlag(false);
    memo->SetSelection(5, 5);
    SendMessageA(Inner(memo), WM_CUT, 0, 0);
    EXPECT_EQ(" beta", clipboardText());
    EXPECT_EQ("alpha", InnerText(memo));
    EXPECT_TRUE(memo->GetModified());
    memo->SetSelection(0, 2);
    SendMessageA(Inner(memo), WM_CLEAR, 0, 0);
    EXPECT_EQ("pha", InnerText(memo));
    // From code a cleared selection leaves Modified false.
    memo->SetModifiedFlag(false);
    memo->SetSelection(0, 1);
    memo->ClearSelection();
    EXPECT_EQ("ha", InnerText(memo));
    EXPECT_EQ("ha", VarToStr(memo->GetEditValue()));
    EXPECT_FALSE(memo->GetModified());
}

TEST_F(MemoTest, SeveralLinesWrittenIntoTheNativeMemoGiveOneChange) {
    TqzMemo* memo = ShownMemo();
    EventLog log;
    memo->GetProperties()->OnChange = MakeEvent(&log, &EventLog::Changed);
    memo->GetProperties()->OnEditValueChanged = MakeEvent(&log, &EventLog::ValueChanged);
    memo->GetInnerEdit()->SetEditValue(Variant(String("one\r\ntwo\r\nthree\r\nfour")));
    EXPECT_LE(log.Changes, 1);
    EXPECT_EQ(0, log.ValueChanges);
    EXPECT_EQ(4, memo->GetLines()->GetCount());
    EXPECT_EQ("three", memo->GetLines()->GetStrings(2));
    // The caret by column and line.
    memo->GetInnerMemo()->SetCaretPos(POINT{2, 1});
    EXPECT_EQ(7, memo->GetSelStart());
    EXPECT_EQ(0, memo->GetSelLength());
    EXPECT_EQ(2, memo->GetInnerMemo()->GetCaretPos().x);
    EXPECT_EQ(1, memo->GetInnerMemo()->GetCaretPos().y);
}

TEST_F(MemoTest, AVisibleLineCountMakesTheHeightFollowTheRows) {
    TqzMemo* memo = ShownMemo("one");
    EXPECT_FALSE(memo->IsAutoHeight());
    EXPECT_EQ(89, memo->GetHeight());
    memo->GetProperties()->SetVisibleLineCount(3);
    App->ProcessMessages();
    EXPECT_TRUE(memo->IsAutoHeight());
    const Integer three = memo->GetHeight();
    memo->GetProperties()->SetVisibleLineCount(6);
    App->ProcessMessages();
    const Integer six = memo->GetHeight();
    EXPECT_GT(six, three);
    EXPECT_EQ(0, (six - three) % 3) << "three more rows of one height";
    auto* inplace = new TqzMemo(Form, true);
    inplace->GetProperties()->SetVisibleLineCount(3);
    EXPECT_FALSE(inplace->IsAutoHeight());
}

TEST_F(MemoTest, WindowClassesRedrawOnlyWhatWrappingNeeds) {
    struct Case {
        TScrollStyle Bars;
        bool WordWrap;
        bool HorzRedraw;
    };
    const Case cases[] = {{ssNone, true, true}, {ssNone, false, false}, {ssVertical, true, true},
                          {ssHorizontal, true, false}, {ssBoth, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.Bars)) + (c.WordWrap ? " wrapping" : ""));
        auto* memo = new TqzMemo(Form);
        memo->GetProperties()->SetScrollBars(c.Bars);
        memo->GetProperties()->SetWordWrap(c.WordWrap);
        memo->SetParent(Form);
        memo->HandleNeeded();
        memo->GetInnerControl()->HandleNeeded();
        for (HWND window : {memo->GetHandle(), Inner(memo)}) {
            const ULONG_PTR style = GetClassLongA(window, GCL_STYLE);
            EXPECT_EQ(0u, style & CS_VREDRAW);
            EXPECT_EQ(c.HorzRedraw, (style & CS_HREDRAW) != 0);
        }
        delete memo;
    }
}

TEST_F(MemoTest, TheOverlayBarsFollowTheNativeScrolling) {
    TqzMemo* memo = ShownMemo();
    memo->GetProperties()->SetScrollBars(ssVertical);
    String text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    memo->SetEditValue(Variant(text));
    App->ProcessMessages();
    TqzControlScrollBar* bar = memo->GetVScrollBar();
    ASSERT_NE(nullptr, bar);
    // The user pages down: the overlay bar is updated after the key.
    for (int i = 0; i < 3; ++i) {
        SendMessageA(Inner(memo), WM_KEYDOWN, VK_NEXT, 0);
        SendMessageA(Inner(memo), WM_KEYUP, VK_NEXT, 0);
    }
    App->ProcessMessages();
    const int native = GetScrollPos(Inner(memo), SB_VERT);
    EXPECT_GT(native, 0);
    EXPECT_EQ(native, bar->GetPosition());
    // And the other way: the overlay bar scrolls the native memo.
    Integer position = 0;
    memo->ScrollContent(sbVertical, scLineDown, position);
    EXPECT_EQ(native + 1, position);
    EXPECT_EQ(native + 1, GetScrollPos(Inner(memo), SB_VERT));
}

TEST_F(MemoTest, TheCornerBetweenBothNativeBarsIsButtonFace) {
    TqzMemo* memo = ShownMemo();
    memo->GetProperties()->SetScrollBars(ssBoth);
    memo->GetProperties()->SetWordWrap(false);
    App->ProcessMessages();
    HWND inner = Inner(memo);
    SCROLLBARINFO horz{}, vert{};
    horz.cbSize = vert.cbSize = sizeof(SCROLLBARINFO);
    ASSERT_TRUE(GetScrollBarInfo(inner, OBJID_HSCROLL, &horz));
    ASSERT_TRUE(GetScrollBarInfo(inner, OBJID_VSCROLL, &vert));
    RedrawWindow(inner, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageA(inner, WM_NCPAINT, 1, 0);
    POINT corner{vert.rcScrollBar.left + 2, horz.rcScrollBar.top + 2};
    ::ScreenToClient(inner, &corner);
    HDC dc = GetWindowDC(inner);
    const COLORREF pixel = GetPixel(dc, corner.x + 2, corner.y + 2);
    ReleaseDC(inner, dc);
    EXPECT_EQ(COLORREF(ColorToRGB(clBtnFace)), pixel);
}

TEST_F(MemoTest, AStoredMemoKeepsItsTextInLines) {
    TqzMemo* memo = ShownMemo("alpha\r\nbeta");
    memo->SetName("Notes");
    memo->GetProperties()->SetScrollBars(ssVertical);
    const String written = WriteComponentText(Form);
    EXPECT_EQ(String::npos, written.find("EditValue")) << written;
    EXPECT_NE(String::npos, written.find("Lines.Strings")) << written;
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzMemo*>(copy->FindComponent("Notes"));
    ASSERT_NE(nullptr, read) << written;
    // The stored lines come back as lines, each with its line break.
    ASSERT_EQ(2, read->GetLines()->GetCount());
    EXPECT_EQ("beta", read->GetLines()->GetStrings(1));
    EXPECT_EQ(0u, VarToStr(read->GetEditValue()).find("alpha\r\nbeta"));
    EXPECT_EQ(ssVertical, read->GetProperties()->GetScrollBars());
}

TEST_F(MemoTest, TheEditorsAreRegisteredWithTheirDescriptions) {
    TqzRegisteredClasses* registry = GetEditPropertiesRegistry();
    struct Case {
        TClass Class;
        const char* Text;
    };
    const Case cases[] = {
        {TqzButtonEditProperties::StaticClass(), "ButtonEdit|Represents an edit control with embedded buttons"},
        {TqzCalcEditProperties::StaticClass(), "CalcEdit|Represents an edit control with a dropdown calculator window"},
        {TqzHyperLinkEditProperties::StaticClass(), "HyperLink|Represents a text editor with hyperlink functionality"},
        {TqzMemoProperties::StaticClass(), "Memo|Represents an edit control that allows editing memo data"},
        {TqzMRUEditProperties::StaticClass(),
         "MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a "
         "dropdown window"},
    };
    for (const Case& c : cases) {
        const Integer index = registry->IndexOfClass(c.Class);
        ASSERT_NE(-1, index) << c.Text;
        EXPECT_EQ(c.Text, registry->GetText(index));
    }
}

} // namespace

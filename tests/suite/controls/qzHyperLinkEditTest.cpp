// The hyperlink editor: the prefix a confirmed text gets, how clicks, keys and the start-click
// handler open the link through a recording desktop opener, the stored prefix and the link look.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/winapi/Shell.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzHyperLinkEdit.h"
#include "tests/support/FormFixture.h"

namespace {

struct StartLog {
    Integer Starts = 0;
    void Started(TObject*) { ++Starts; }
};

class HyperLinkEditTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        FOldOpener = ShellSetOpener([this](const TShellOpenRequest& request) {
            Opened.push_back(request.Verb + " " + request.File + " " + std::to_string(request.ShowCmd));
            return true;
        });
    }
    void TearDown() override {
        ShellSetOpener(FOldOpener);
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        testsupport::TFormFixture::TearDown();
    }
    TqzHyperLinkEdit* FocusedEditor(const String& text) {
        auto* editor = new TqzHyperLinkEdit(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 200, 21);
        editor->SetEditValue(Variant(text));
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
        return editor;
    }
    static HWND Inner(TqzCustomTextEdit* editor) { return editor->GetInnerTextEditControl()->GetHandle(); }
    void Click(TqzCustomTextEdit* editor, bool twice = false) {
        const LPARAM at = MAKELPARAM(20, 5);
        SendMessageA(Inner(editor), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(Inner(editor), WM_LBUTTONUP, 0, at);
        if (twice) {
            SendMessageA(Inner(editor), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            SendMessageA(Inner(editor), WM_LBUTTONUP, 0, at);
        }
        App->ProcessMessages();
    }

    std::vector<std::string> Opened;

private:
    TShellOpener FOldOpener;
};

TEST_F(HyperLinkEditTest, APrefixIsAddedToTextsThatLackIt) {
    TqzHyperLinkEditProperties p(nullptr);
    EXPECT_EQ("http://", p.GetPrefix());
    struct Case {
        const char* Prefix;
        const char* Text;
        const char* Result;
    };
    const Case cases[] = {
        {"http://", "www.x", "http://www.x"},
        {"http://", "  www.x ", "http://www.x"},
        {"http://", "  http://x  ", "  http://x  "},
        {"http://", "HTTP://x", "http://HTTP://x"},
        {"http://", "   ", "   "},
        {"http://", "", ""},
        {"", " www.x ", " www.x "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Prefix) + "|" + c.Text);
        p.SetPrefix(c.Prefix);
        String result;
        p.AddPrefix(c.Text, result);
        EXPECT_EQ(c.Result, result);
    }
}

TEST_F(HyperLinkEditTest, AConfirmedTextGetsThePrefix) {
    TqzHyperLinkEdit* editor = FocusedEditor("");
    editor->GetInnerTextEditControl()->SetText("www.kov.test");
    ASSERT_TRUE(editor->ValidateEditing());
    EXPECT_EQ("http://www.kov.test", VarToStr(editor->GetEditValue()));
    editor->GetProperties()->SetAutoComplete(false);
    editor->GetInnerTextEditControl()->SetText("www.other.test");
    ASSERT_TRUE(editor->ValidateEditing());
    EXPECT_EQ("www.other.test", VarToStr(editor->GetEditValue()));
}

TEST_F(HyperLinkEditTest, ClicksAndTheStartKeyOpenTheLink) {
    TqzHyperLinkEdit* editor = FocusedEditor("www.kov.test");
    // A single click places the caret; a double click opens, with the prefix.
    Click(editor);
    EXPECT_TRUE(Opened.empty());
    Click(editor, true);
    EXPECT_EQ(std::vector<std::string>{"OPEN http://www.kov.test 3"}, Opened);
    // Ctrl+Enter, the default start key.
    Opened.clear();
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(Inner(editor), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(Inner(editor), WM_KEYUP, VK_RETURN, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    App->ProcessMessages();
    EXPECT_EQ(std::vector<std::string>{"OPEN http://www.kov.test 3"}, Opened);
    // SingleClick: a click without a selection opens, one with a selection does not.
    Opened.clear();
    editor->GetProperties()->SetSingleClick(true);
    editor->SelectAll();
    SendMessageA(Inner(editor), WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
    EXPECT_TRUE(Opened.empty()) << "with a selection";
    editor->SetSelection(2, 0);
    SendMessageA(Inner(editor), WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
    EXPECT_EQ(std::vector<std::string>{"OPEN http://www.kov.test 3"}, Opened);
    // A blank text opens nothing.
    Opened.clear();
    editor->SetEditValue(Variant(String("  ")));
    SendMessageA(Inner(editor), WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
    EXPECT_TRUE(Opened.empty());
}

TEST_F(HyperLinkEditTest, AStartClickHandlerReplacesOpening) {
    TqzHyperLinkEdit* editor = FocusedEditor("www.kov.test");
    StartLog log;
    editor->GetProperties()->OnStartClick = MakeEvent(&log, &StartLog::Started);
    Click(editor, true);
    editor->OpenLink();
    EXPECT_EQ(2, log.Starts);
    EXPECT_TRUE(Opened.empty());
}

TEST_F(HyperLinkEditTest, SingleClickShowsTheHandOverTheEditor) {
    TqzHyperLinkEdit* editor = FocusedEditor("www.kov.test");
    editor->SetCursor(crIBeam);
    editor->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(crIBeam, editor->GetCursor()) << "without SingleClick";
    editor->Perform(CM_MOUSELEAVE, 0, 0);
    editor->GetProperties()->SetSingleClick(true);
    EXPECT_EQ(1, editor->GetProperties()->GetSupportedOperations() & 1);
    editor->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(crHandPoint, editor->GetCursor());
    EXPECT_EQ(crHandPoint, editor->GetInnerControl()->GetCursor());
    editor->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(crIBeam, editor->GetCursor());
    EXPECT_EQ(crIBeam, editor->GetInnerControl()->GetCursor());
}

TEST_F(HyperLinkEditTest, TheDefaultPrefixIsNotStored) {
    TqzHyperLinkEdit* editor = FocusedEditor("www.kov.test");
    editor->SetName("Link");
    String written = WriteComponentText(Form);
    EXPECT_EQ(String::npos, written.find("Prefix")) << written;
    editor->GetProperties()->SetPrefix("ftp://");
    written = WriteComponentText(Form);
    EXPECT_NE(String::npos, written.find("Properties.Prefix = 'ftp://'")) << written;
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzHyperLinkEdit*>(copy->FindComponent("Link"));
    ASSERT_NE(nullptr, read);
    EXPECT_EQ("ftp://", read->GetProperties()->GetPrefix());
    // Copied with the other settings.
    TqzHyperLinkEditProperties other(nullptr);
    editor->GetProperties()->SetLinkColor(clGreen);
    other.Assign(editor->GetProperties());
    EXPECT_EQ("ftp://", other.GetPrefix());
    EXPECT_EQ(clGreen, other.GetLinkColor());
}

TEST_F(HyperLinkEditTest, TheTextIsUnderlinedInTheLinkColour) {
    TqzHyperLinkEdit* editor = FocusedEditor("www.kov.test");
    editor->GetProperties()->SetLinkColor(clRed);
    ShowUnfocused();
    editor->UpdateViewAtCursor();
    // The editor's own text: its style and the native edit showing it.
    EXPECT_EQ(clRed, editor->GetStyle()->GetTextColor());
    EXPECT_TRUE(editor->GetStyle()->GetTextStyle().Contains(fsUnderline));
    EXPECT_EQ(clRed, editor->GetInnerControl()->GetFont()->GetColor());
    EXPECT_TRUE(editor->GetInnerControl()->GetFont()->GetStyle().Contains(fsUnderline));
    // Painted without an editor (as a grid cell paints it), in a plain style: some row holds a
    // run of red pixels longer than any letter, the underline.
    std::unique_ptr<TqzEditStyle> style(
        static_cast<TqzEditStyle*>(TqzEditStyle::CreateInstance(nullptr, csNormal, nullptr, false)));
    std::unique_ptr<TqzCustomEditViewData> data(editor->GetProperties()->CreateViewData(style.get(), true));
    std::unique_ptr<TqzCustomEditViewInfo> info(
        static_cast<TqzCustomEditViewInfo*>(editor->GetProperties()->GetViewInfoClass()()));
    TBitmap image;
    image.SetSize(160, 20);
    TqzCanvas canvas(image.GetCanvas());
    data->Calculate(&canvas, TRect{0, 0, 160, 20}, TPoint{-1, -1}, 0, TShiftState(), info.get(), false);
    data->EditValueToViewInfo(&canvas, Variant(String("www.kov.test")), info.get());
    info->PaintBackground(&canvas);
    int longest = 0;
    for (int y = 0; y < image.GetHeight(); ++y) {
        int run = 0;
        for (int x = 0; x < image.GetWidth(); ++x) {
            run = ColorToRGB(image.GetCanvas()->GetPixels(x, y)) == ColorToRGB(clRed) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GT(longest, 30);
}

} // namespace

// The editors built on the text editor show their style's colours in the native edit too:
// normal, read-only, own Color and TextColor, disabled, and standing in a disabled panel; the
// native edit keeps the text's margin clear of the border.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzCurrencyEdit.h"
#include "suite/controls/qzSpinEdit.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "tests/support/ControlLooks.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

class EditorLooksTest : public testsupport::TFormFixture {
protected:
    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
};

struct EditorKind {
    const char* Name;
    std::function<TqzCustomTextEdit*(TComponent*)> Make;
};

const EditorKind kEditors[] = {
    {"text", [](TComponent* owner) { return static_cast<TqzCustomTextEdit*>(new TqzTextEdit(owner)); }},
    {"mask", [](TComponent* owner) { return static_cast<TqzCustomTextEdit*>(new TqzMaskEdit(owner)); }},
    {"combo", [](TComponent* owner) { return static_cast<TqzCustomTextEdit*>(new TqzComboBox(owner)); }},
    {"spin", [](TComponent* owner) { return static_cast<TqzCustomTextEdit*>(new TqzSpinEdit(owner)); }},
    {"currency", [](TComponent* owner) { return static_cast<TqzCustomTextEdit*>(new TqzCurrencyEdit(owner)); }},
};

TEST_F(EditorLooksTest, TheTextAreaShowsTheStylesColoursInEveryState) {
    enum Place { Own, InDisabledPanel };
    struct Case {
        const char* Name;
        bool OwnColours;
        bool ReadOnly;
        bool Enabled;
        Place Where;
        TColor Background;
        TColor Text;
    };
    const Case cases[] = {
        {"normal", false, false, true, Own, clWindow, clWindowText},
        {"own colours", true, false, true, Own, clYellow, clRed},
        {"read-only", true, true, true, Own, clYellow, clRed},
        {"disabled", false, false, false, Own, clBtnFace, clBtnShadow},
        {"disabled with own colours", true, false, false, Own, clBtnFace, clBtnShadow},
        {"in a disabled panel", true, false, true, InDisabledPanel, clBtnFace, clBtnShadow},
    };
    ShowUnfocused();
    for (const EditorKind& kind : kEditors)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(kind.Name) + ": " + c.Name);
            auto* panel = new TPanel(Form);
            panel->SetParent(Form);
            panel->SetBounds(0, 0, 300, 60);
            TqzCustomTextEdit* editor = kind.Make(Form);
            editor->SetParent(panel);
            editor->SetBounds(10, 10, 140, 21);
            editor->SetEditValue(Variant(String("8888888")));
            if (c.OwnColours) {
                editor->GetStyle()->SetColor(clYellow);
                editor->GetStyle()->SetTextColor(clRed);
            }
            editor->GetProperties()->SetReadOnly(c.ReadOnly);
            editor->SetEnabled(c.Enabled);
            if (c.Where == InDisabledPanel) panel->SetEnabled(false);
            App->ProcessMessages();
            const testsupport::TControlLook look = testsupport::ProbeLook(editor, editor->GetViewInfo()->ClientRect);
            EXPECT_EQ(ColorToRGB(c.Background), look.Background);
            EXPECT_EQ(ColorToRGB(c.Text), look.Text);
            delete panel;
        }
}

// The native edit stands where the painter draws the text: one pixel inside the client area, so
// the border and the caret before the first letter leave the letter whole.
TEST_F(EditorLooksTest, TheNativeEditKeepsTheTextMarginInsideTheBorder) {
    for (const EditorKind& kind : kEditors) {
        SCOPED_TRACE(kind.Name);
        TqzCustomTextEdit* editor = kind.Make(Form);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, 140, 21);
        Form->Show();
        App->ProcessMessages();
        editor->SetFocus();
        App->ProcessMessages();
        const TRect client = editor->GetViewInfo()->ClientRect;
        TWinControl* inner = editor->GetInnerControl();
        EXPECT_EQ(client.left + 1, inner->GetLeft());
        EXPECT_EQ(client.top + 1, inner->GetTop());
        EXPECT_LE(inner->GetLeft() + inner->GetWidth(), client.right + 1);
        delete editor;
    }
}

} // namespace

// The button editor: its default button, stored buttons replacing it, and the view styles.
#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "suite/controls/qzButtonEdit.h"
#include "tests/support/FormFixture.h"

namespace {

class ButtonEditTest : public testsupport::TFormFixture {};

TEST_F(ButtonEditTest, ANewEditorHasOneEllipsisButton) {
    auto* editor = new TqzButtonEdit(Form);
    TqzEditButtons* buttons = editor->GetButtonEditProperties()->GetButtons();
    ASSERT_EQ(1, buttons->GetCount());
    EXPECT_EQ(bkEllipsis, buttons->GetItem(0)->GetKind());
    EXPECT_EQ(TShortCut(16397), editor->GetButtonEditProperties()->ClickKey);
    EXPECT_TRUE(editor->GetButtonEditProperties()->ValidateOnEnter);
    EXPECT_EQ(TqzButtonEdit::StaticClass(), editor->GetButtonEditProperties()->GetContainerClass());
    // Only the popup border style is hidden: the button styles apply to this editor.
    EXPECT_EQ(TqzContainerStyleValues{svPopupBorderStyle}, editor->GetHiddenStyleValues());
}

TEST_F(ButtonEditTest, StoredButtonsReplaceTheDefaultOne) {
    const String definition = "object ButtonForm: TForm\n"
                              "  object Picker: TqzButtonEdit\n"
                              "    Left = 8\n"
                              "    Top = 8\n"
                              "    Properties.Buttons = <\n"
                              "      item\n"
                              "        Kind = bkDown\n"
                              "      end\n"
                              "      item\n"
                              "        Caption = 'Go'\n"
                              "        Kind = bkText\n"
                              "      end>\n"
                              "  end\n"
                              "end\n";
    std::unique_ptr<TForm> form(TForm::CreateNew(nullptr));
    ReadComponentText(definition, form.get(), "ButtonForm");
    auto* editor = dynamic_cast<TqzButtonEdit*>(form->FindComponent("Picker"));
    ASSERT_NE(nullptr, editor);
    TqzEditButtons* buttons = editor->GetButtonEditProperties()->GetButtons();
    ASSERT_EQ(2, buttons->GetCount());
    EXPECT_EQ(bkDown, buttons->GetItem(0)->GetKind());
    EXPECT_EQ("Go", buttons->GetItem(1)->GetCaption());
    // Written and read again, the two stay two.
    const String written = WriteComponentText(form.get());
    std::unique_ptr<TForm> copy(TForm::CreateNew(nullptr));
    ReadComponentText(written, copy.get());
    auto* read = dynamic_cast<TqzButtonEdit*>(copy->FindComponent("Picker"));
    ASSERT_NE(nullptr, read) << written;
    EXPECT_EQ(2, read->GetButtonEditProperties()->GetButtons()->GetCount());
}

TEST_F(ButtonEditTest, TheViewStyleSetsTheButtonsLayoutAndHidesTheCaret) {
    struct Case {
        TqzTextEditViewStyle Style;
        Byte Layout;
        bool HideCursor;
    };
    const Case cases[] = {{vsNormal, 0, false},
                          {vsHideCursor, 0, true},
                          {vsButtonsOnly, 1, true},
                          {vsButtonsAutoWidth, 2, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Style));
        auto* editor = new TqzButtonEdit(Form);
        editor->SetName("Styled");
        editor->SetParent(Form);
        TqzButtonEditProperties* p = editor->GetButtonEditProperties();
        // From another style first, so that every value is a change.
        p->SetViewStyle(c.Style == vsButtonsOnly ? vsButtonsAutoWidth : vsButtonsOnly);
        p->SetViewStyle(c.Style);
        EXPECT_EQ(c.Style, p->GetViewStyle());
        EXPECT_EQ(c.Layout, p->GetButtonsLayout());
        EXPECT_EQ(c.HideCursor, p->GetHideCursor());
        const String written = WriteComponentText(Form);
        EXPECT_EQ(String::npos, written.find("HideCursor =")) << written;
        EXPECT_EQ(c.Style != vsNormal, written.find("ViewStyle") != String::npos) << written;
        delete editor;
    }
}

} // namespace

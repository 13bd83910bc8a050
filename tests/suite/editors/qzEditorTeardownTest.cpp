// A form freed with the focus inside a styled editor on a panel: the editors after it must not
// read the form's pointer to the focused control once that control is gone.
#include <gtest/gtest.h>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/support/FormFixture.h"

namespace {

using EditorTeardownTest = testsupport::TFormFixture;

TEST_F(EditorTeardownTest, AFormFreedWithTheFocusInAnEditorOnAPanelFreesCleanly) {
    auto* panel = new TPanel(Form);
    panel->SetParent(Form);
    panel->SetBounds(8, 8, 200, 60);
    auto* first = new TqzComboBox(Form);
    first->SetParent(panel);
    first->SetBounds(4, 4, 120, 21);
    auto* second = new TqzComboBox(Form);
    second->SetParent(Form);
    second->SetBounds(8, 90, 120, 21);
    Form->Show();
    first->SetFocus();
    ASSERT_TRUE(first->ContainsControl(Form->GetFocusedControl()));
    Form->Hide();
    delete Form;
    Form = nullptr;
}

} // namespace

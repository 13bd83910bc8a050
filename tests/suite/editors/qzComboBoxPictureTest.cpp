// Sheets for a person to look at: the text, masked, combo and popup editors in every look and
// feel and state (their text areas probed for the style's colours); an open combo list; and the
// popup frames in each border style with their system panel, grip and close button normal, hot
// and pressed.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/suite/editors/EditorPictureFixture.h"
#include "tests/support/ControlLooks.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using edittest::WriteSheet;
using edittest::PrepareSheet;
using edittest::CopyControl;

class ComboBoxPictures : public edittest::EditorPicturesFixture {};

TEST_F(ComboBoxPictures, EditorsInEveryLookAndState) {
    const auto& looks = edittest::kSheetLooks;
    enum State { Normal, Hot, Focused, Disabled, ReadOnly };
    const State states[] = {Normal, Hot, Focused, Disabled, ReadOnly};
    auto* parking = new TqzTextEdit(Form);
    parking->SetParent(Form);
    parking->SetBounds(500, 400, 121, 21);
    std::vector<TqzCustomTextEdit*> editors;
    editors.push_back(new TqzTextEdit(Form));
    editors.push_back(new TqzMaskEdit(Form));
    auto* combo = new TqzComboBox(Form);
    combo->GetProperties()->GetItems()->Add("Tone 67.0");
    editors.push_back(combo);
    editors.push_back(new TqzPopupEdit(Form));
    static_cast<TqzPopupEdit*>(editors.back())->GetProperties()->SetImmediatePopup(false);
    for (size_t i = 0; i < editors.size(); ++i) {
        editors[i]->SetParent(Form);
        editors[i]->SetBounds(10, 10 + int(i) * 30, 125, 21);
        editors[i]->SetEditValue(Variant(String("Tone 67.0")));
    }
    Form->Show();
    App->ProcessMessages();
    const int cellW = 134, cellH = 28;
    const int columns = int(std::size(looks)), rows = int(editors.size() * std::size(states));
    TBitmap sheet;
    PrepareSheet(sheet, columns * cellW, rows * cellH);
    for (int l = 0; l < columns; ++l)
        for (size_t e = 0; e < editors.size(); ++e)
            for (size_t s = 0; s < std::size(states); ++s) {
                TqzCustomTextEdit* editor = editors[e];
                parking->SetFocus();
                SetCursorPos(0, 0);
                editor->GetStyle()->GetLookAndFeel()->SetKind(looks[l].Kind);
                editor->GetStyle()->GetLookAndFeel()->SetNativeStyle(looks[l].Native);
                editor->SetEnabled(states[s] != Disabled);
                editor->GetProperties()->SetReadOnly(states[s] == ReadOnly);
                if (states[s] == Focused) editor->SetFocus();
                if (states[s] == Hot) {
                    const POINT p = editor->ClientToScreen(POINT{20, 10});
                    SetCursorPos(p.x, p.y);
                }
                App->ProcessMessages();
                editor->UpdateViewAtCursor();
                const int row = int(e * std::size(states) + s);
                CopyControl(sheet, editor, l * cellW + 4, row * cellH + 3);
                // The text area in the style's colours, the native edit's included (a focused
                // editor shows its text selected). The native look takes the theme's.
                if (states[s] != Focused && !looks[l].Native) {
                    SCOPED_TRACE(std::string(editor->ClassName()) + " look " + std::to_string(l) + " state " +
                                 std::to_string(int(states[s])));
                    const testsupport::TControlLook look =
                        testsupport::ProbeLook(editor, editor->GetViewInfo()->ClientRect);
                    const bool disabled = states[s] == Disabled;
                    EXPECT_EQ(ColorToRGB(disabled ? clBtnFace : clWindow), look.Background);
                    EXPECT_EQ(ColorToRGB(disabled ? clBtnShadow : clWindowText), look.Text);
                }
            }
    SetCursorPos(0, 0);
    WriteSheet(sheet, "qzDropDownEditorsSheet.png");
}

TEST_F(ComboBoxPictures, OpenListsAndPopupFrames) {
    // Open lists below and above their editor, plain, sizeable and native.
    auto* combo = new TqzComboBox(Form);
    combo->SetParent(Form);
    combo->SetBounds(10, 10, 125, 21);
    for (int i = 0; i < 20; ++i)
        combo->GetProperties()->GetItems()->Add("Tone " + std::to_string(670 + i * 10));
    Form->Show();
    App->ProcessMessages();
    combo->SetFocus();
    App->ProcessMessages();
    TBitmap lists;
    PrepareSheet(lists, 760, 330);
    int x = 4, y = 4;
    auto snap = [&] {
        TqzCustomEditPopupWindow* popup = combo->GetPopupWindow();
        CopyControl(lists, popup, x, y);
        x += popup->GetWidth() + 12;
    };
    auto open = [&] {
        combo->SetDroppedDown(true);
        App->ProcessMessages();
        ASSERT_TRUE(combo->HasOpenPopup());
        combo->GetLookupData()->SetListHighlight(2);
    };
    auto close = [&] {
        combo->SetDroppedDown(false);
        App->ProcessMessages();
    };
    // Below the editor: plain, then sizeable with its close button normal, hot and pressed.
    open();
    snap();
    close();
    combo->GetProperties()->SetDropDownSizeable(true);
    open();
    for (TqzButtonState state : {qzbsNormal, qzbsHot, qzbsPressed}) {
        combo->GetPopupWindow()->GetEditViewInfo()->CloseButtonState = state;
        snap();
    }
    combo->GetPopupWindow()->GetEditViewInfo()->CloseButtonState = qzbsNormal;
    close();
    // The native look through the fake theme, sizeable and plain.
    x = 4;
    y = 160;
    combo->GetStyle()->GetLookAndFeel()->SetNativeStyle(true);
    combo->UpdateViewAtCursor();
    open();
    snap();
    close();
    combo->GetProperties()->SetDropDownSizeable(false);
    open();
    snap();
    close();
    combo->GetStyle()->GetLookAndFeel()->SetNativeStyle(false);
    combo->UpdateViewAtCursor();
    // Above the editor, with no room below it: the panel and grip at the top.
    combo->GetProperties()->SetDropDownSizeable(true);
    const TRect work = GetMonitorWorkArea(TPoint{10, 10});
    Form->SetBounds(0, work.bottom - 60, 700, 60);
    App->ProcessMessages();
    open();
    EXPECT_EQ(1, combo->GetPopupWindow()->GetEditViewInfo()->SizeGripCorner);
    snap();
    close();
    WriteSheet(lists, "qzComboBoxOpenLists.png");

    // The four borders with a panel, a grip and the close button in its three states, then the
    // native frame through the fake theme (its close button and grip drawn as theme parts).
    const TqzEditPopupBorderStyle borders[] = {epbsDefault, epbsSingle, epbsFrame3D, epbsFlat, epbsSingle};
    const TqzButtonState buttonStates[] = {qzbsNormal, qzbsHot, qzbsPressed};
    const int cellW = 130, cellH = 110;
    TBitmap frames;
    PrepareSheet(frames, int(std::size(buttonStates)) * cellW, int(std::size(borders)) * 2 * cellH);
    for (size_t b = 0; b < std::size(borders); ++b)
        for (int corner : {3, 1})
            for (size_t s = 0; s < std::size(buttonStates); ++s) {
                TqzCustomEditPopupWindowViewInfo info;
                info.PopupBorderStyle = borders[b];
                info.NativeStyle = b == 4;
                info.ClientEdge = true;
                info.Shadow = b % 2 == 0;
                info.Sizeable = true;
                info.SysPanelStyle = true;
                info.CloseButton = true;
                info.CloseButtonState = buttonStates[s];
                info.SizeGripCorner = Byte(corner);
                info.Bounds = TRect{0, 0, cellW - 10, cellH - 10};
                info.Calculate();
                TBitmap cell;
                cell.SetSize(cellW - 10, cellH - 10);
                TqzCanvas canvas(cell.GetCanvas());
                info.PaintBackground(&canvas);
                const int cx = int(s) * cellW + 5, cy = int(b * 2 + (corner == 3 ? 0 : 1)) * cellH + 5;
                frames.GetCanvas()->CopyRect(TRect{cx, cy, cx + cellW - 10, cy + cellH - 10},
                                             cell.GetCanvas(), TRect{0, 0, cellW - 10, cellH - 10});
            }
    WriteSheet(frames, "qzEditPopupFrames.png");
}

} // namespace

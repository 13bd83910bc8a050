// A sheet to look at: build/test-artifacts/ControlsEditorsMemoCalc.png. One column per painter
// kind (flat, standard, ultra-flat, Office11, native through the fake theme). At the top the
// button editor in each view style, the recently-used editor, the hyperlink editor and the memo
// (no scroll bars, both, without word wrap), each in the states normal, hot, pressed, focused
// and disabled (one row each). Below, the recently-used editor with its list open, the
// calculator editor with its calculator open (the 7 hot, the 8 held down, the memory buttons
// grey, the focused equals button), and a disabled calculator.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzButtonEdit.h"
#include "suite/controls/qzCalc.h"
#include "suite/controls/qzHyperLinkEdit.h"
#include "suite/controls/qzMRUEdit.h"
#include "suite/controls/qzMemo.h"
#include "tests/suite/editors/EditorPictureFixture.h"
#include "tests/support/Png.h"

namespace {

using edittest::PrepareSheet;
using edittest::WriteSheet;
using edittest::CopyControl;
using edittest::SetLook;

class EditorsMemoCalcSheet : public edittest::EditorPicturesFixture {};

TEST_F(EditorsMemoCalcSheet, PictureSheet) {
    Form->SetBounds(0, 0, 900, 700);
    const auto& looks = edittest::kSheetLooks;
    const int kLooks = int(std::size(looks));

    auto* parking = new TqzButtonEdit(Form);
    parking->SetParent(Form);
    parking->SetBounds(700, 600, 60, 21);
    std::vector<TqzCustomEdit*> editors;
    for (TqzTextEditViewStyle style : {vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth}) {
        auto* edit = new TqzButtonEdit(Form);
        edit->GetButtonEditProperties()->SetViewStyle(style);
        edit->SetEditValue(Variant(String("Channel 1")));
        editors.push_back(edit);
    }
    auto* mru = new TqzMRUEdit(Form);
    for (const char* item : {"COM1", "COM3", "COM4"})
        mru->GetProperties()->GetLookupItems()->Add(item);
    mru->SetEditValue(Variant(String("COM3")));
    editors.push_back(mru);
    auto* link = new TqzHyperLinkEdit(Form);
    link->SetEditValue(Variant(String("www.kov571.test")));
    editors.push_back(link);
    const String memoText = "KOV-571 programming notes: a line long enough to wrap in the memo\r\nsecond line"
                            "\r\nthird line\r\nfourth line\r\nfifth line";
    for (TScrollStyle bars : {ssNone, ssBoth, ssVertical}) {
        auto* memo = new TqzMemo(Form);
        memo->GetProperties()->SetScrollBars(bars);
        memo->GetProperties()->SetWordWrap(bars != ssVertical);
        memo->SetEditValue(Variant(memoText));
        editors.push_back(memo);
    }
    int top = 10;
    for (TqzCustomEdit* editor : editors) {
        editor->SetParent(Form);
        const bool memo = dynamic_cast<TqzMemo*>(editor) != nullptr;
        editor->SetBounds(10, top, 150, memo ? 60 : 21);
        top += memo ? 66 : 26;
    }
    Form->Show();
    Pump();

    const int editorRowsHeight = EditorStateRowsHeight(editors);
    const int cellW = 170;
    const int popupsHeight = 600;
    TBitmap sheet;
    PrepareSheet(sheet, kLooks * (cellW + 60), editorRowsHeight + popupsHeight);

    CopyEditorStateRows(sheet, editors, parking, cellW, PressBy::Mouse);

    // The open recently-used list, the open calculator editor and a disabled calculator.
    auto* calcEdit = new TqzCalcEdit(Form);
    calcEdit->SetParent(Form);
    calcEdit->SetBounds(200, 10, 150, 21);
    Pump();
    for (int l = 0; l < kLooks; ++l) {
        const int x = 4 + l * (cellW + 60);
        int y = editorRowsHeight + 4;
        SetLook(mru, looks[l]);
        mru->SetFocus();
        Pump();
        mru->SetDroppedDown(true);
        Pump();
        ASSERT_TRUE(mru->HasOpenPopup());
        CopyControl(sheet, mru, x, y);
        CopyControl(sheet, mru->GetPopupWindow(), x, y + mru->GetHeight());
        mru->SetDroppedDown(false);
        Pump();
        y += 100;

        SetLook(calcEdit, looks[l]);
        calcEdit->SetFocus();
        Pump();
        calcEdit->SetDroppedDown(true);
        Pump();
        ASSERT_TRUE(calcEdit->HasOpenPopup());
        TqzPopupCalculator* calc = calcEdit->GetCalculator();
        calc->SetFocus();
        Pump();
        // The 8 held down with the mouse, then the pointer over the 7.
        const TRect eight = calc->GetButton(ckDigit8).Bounds;
        const TRect seven = calc->GetButton(ckDigit7).Bounds;
        SendMessageA(calc->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON,
                     MAKELPARAM((eight.left + eight.right) / 2, (eight.top + eight.bottom) / 2));
        CopyControl(sheet, calcEdit, x, y);
        CopyControl(sheet, calcEdit->GetPopupWindow(), x, y + calcEdit->GetHeight());
        // Released away from it (no click), then the pointer over the 7: hot where the
        // painter tracks buttons.
        SendMessageA(calc->GetHandle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
        SendMessageA(calc->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        PointAt(calc, (seven.left + seven.right) / 2, (seven.top + seven.bottom) / 2);
        SendMessageA(calc->GetHandle(), WM_MOUSEMOVE, 0,
                     MAKELPARAM((seven.left + seven.right) / 2, (seven.top + seven.bottom) / 2));
        Pump();
        EXPECT_EQ(calc->GetPainter()->HotTracksButtons() ? ckDigit7 : ckNone, calc->GetHotButton());
        y += calcEdit->GetHeight() + calcEdit->GetPopupWindow()->GetHeight() + 8;
        CopyControl(sheet, calcEdit->GetPopupWindow(), x, y);
        SetCursorPos(0, 0);
        calcEdit->SetDroppedDown(false);
        Pump();
    }
    // A disabled calculator in the last row.
    auto* disabled = new TqzCalcEdit(Form);
    disabled->SetParent(Form);
    disabled->SetBounds(400, 10, 150, 21);
    Pump();
    disabled->SetFocus();
    Pump();
    disabled->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(disabled->HasOpenPopup());
    disabled->GetCalculator()->SetEnabled(false);
    Pump();
    CopyControl(sheet, disabled->GetPopupWindow(), 4, sheet.GetHeight() - disabled->GetPopupWindow()->GetHeight() - 4);
    disabled->GetCalculator()->SetEnabled(true);
    disabled->SetDroppedDown(false);
    Pump();

    WriteSheet(sheet, "ControlsEditorsMemoCalc.png");
    // Something was drawn in the first editor cell.
    EXPECT_NE(ColorToRGB(clWhite), ColorToRGB(sheet.GetCanvas()->GetPixels(4, 4)));
}

} // namespace

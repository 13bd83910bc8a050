// A sheet to look at: build/test-artifacts/ControlsGroupsTrackBars.png. One column per painter
// kind (flat, standard, ultra-flat, Office11, native through the fake theme). Top: group boxes
// with the caption on top, at the bottom, on the left (vertical), on the right and in the
// centre, then one per border style (single, thick, flat, 3D, 3D without Ctl3D, none with a
// shadow), a disabled one last. Middle: a radio group of 5 items in 3 columns with the second
// checked, in the states normal, hot (second column), pressed (third item held), focused and
// disabled. Bottom: horizontal track bars with ticks below, above and on both sides, numbers,
// value numbers and a vertical-text numbering, each with a selection 3..6; the thumb normal,
// hot, pressed and disabled; and a vertical track bar.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzRadioGroup.h"
#include "suite/controls/qzTrackBar.h"
#include "tests/suite/editors/EditorPictureFixture.h"
#include "tests/support/Png.h"

namespace {

using edittest::WriteSheet;
using edittest::CopyControl;
using edittest::SetLook;

class GroupsTrackBarsSheet : public edittest::EditorPicturesFixture {};

TEST_F(GroupsTrackBarsSheet, PictureSheet) {
    // The fake theme's radio part has the classic glyph's size.
    Fake->SetPartSize("Button", 2, -1, TS_TRUE, SIZE{13, 13});
    Form->SetBounds(0, 0, 900, 700);
    const auto& looks = edittest::kSheetLooks;
    const int kLooks = int(std::size(looks));
    const int cellW = 230;
    auto* parking = new TqzTrackBar(Form);
    parking->SetParent(Form);
    parking->SetBounds(600, 600, 60, 30);

    // Group boxes.
    struct BoxCase {
        const char* Caption;
        TqzCaptionAlignment Alignment;
        TqzEditBorderStyle Border;
        bool Ctl3D, Shadow, Enabled;
    };
    const BoxCase boxes[] = {
        {"&Top caption", alTopLeft, ebs3D, true, false, true},
        {"Bottom", alBottomCenter, ebs3D, true, false, true},
        {"&Left", alLeftCenter, ebs3D, true, false, true},
        {"Right", alRightTop, ebs3D, true, false, true},
        {"Centre", alCenterCenter, ebs3D, true, false, true},
        {"Single", alTopLeft, ebsSingle, true, false, true},
        {"Thick", alTopRight, ebsThick, true, false, true},
        {"Flat", alTopLeft, ebsFlat, true, false, true},
        {"3D plain", alTopLeft, ebs3D, false, false, true},
        {"Shadow", alTopLeft, ebsNone, true, true, true},
        {"Disabled", alTopLeft, ebsSingle, true, false, false},
    };
    std::vector<TqzCustomGroupBox*> groupBoxes;
    for (const BoxCase& c : boxes) {
        auto* box = new TqzCustomGroupBox(Form);
        box->SetParent(Form);
        box->SetBounds(10, 10, 110, 60);
        box->SetCaption(c.Caption);
        box->SetAlignment(c.Alignment);
        box->GetStyle()->SetEditBorderStyle(c.Border);
        box->GetStyle()->SetShadow(c.Shadow);
        box->SetCtl3D(c.Ctl3D);
        box->SetEnabled(c.Enabled);
        groupBoxes.push_back(box);
    }
    // The radio group.
    auto* group = new TqzRadioGroup(Form);
    group->SetParent(Form);
    group->SetBounds(10, 100, 220, 80);
    group->SetCaption("Channels");
    group->GetProperties()->SetColumns(3);
    for (const char* caption : {"Ch &1", "Ch 2", "Ch 3", "Ch 4", "Ch 5"})
        static_cast<TqzRadioGroupItem*>(group->GetProperties()->GetItems()->Add())->SetCaption(caption);
    group->SetItemIndex(1);
    // Track bars.
    struct BarCase {
        TqzTrackBarTickMarks Marks;
        TqzTrackBarTickType Type;
        TqzTrackBarTextOrientation Text;
    };
    const BarCase barCases[] = {
        {qztmBottomRight, tbttTicks, tbtoHorizontal}, {qztmTopLeft, tbttTicks, tbtoHorizontal},
        {qztmBoth, tbttTicks, tbtoHorizontal},        {qztmBottomRight, tbttNumbers, tbtoHorizontal},
        {qztmBoth, tbttValueNumber, tbtoHorizontal},  {qztmBottomRight, tbttNumbers, tbtoVertical},
    };
    std::vector<TqzTrackBar*> bars;
    for (const BarCase& c : barCases) {
        auto* bar = new TqzTrackBar(Form);
        bar->SetParent(Form);
        // Apart from each other: a native bar shows its parent's image behind it.
        bar->SetBounds(10, 200 + 60 * int(bars.size()), 220, 56);
        bar->GetProperties()->SetTickMarks(c.Marks);
        bar->GetProperties()->SetTickType(c.Type);
        bar->GetProperties()->SetTextOrientation(c.Text);
        bar->GetProperties()->SetSelectionStart(3);
        bar->GetProperties()->SetSelectionEnd(6);
        bar->SetPosition(5);
        bars.push_back(bar);
    }
    auto* vertical = new TqzTrackBar(Form);
    vertical->SetParent(Form);
    vertical->SetBounds(300, 200, 56, 200);
    vertical->GetProperties()->SetOrientation(tboVertical);
    vertical->GetProperties()->SetTickMarks(qztmTopLeft);
    vertical->SetPosition(3);
    Form->Show();
    Pump();

    const int boxRows = (int(groupBoxes.size()) + 1) / 2;
    const int boxesHeight = boxRows * 66 + 8;
    const int groupHeight = 5 * 86 + 8;
    const int barsHeight = int(bars.size()) * 60 + 4 * 60 + 8;
    TBitmap sheet;
    sheet.SetSize(kLooks * (cellW + 20), boxesHeight + groupHeight + barsHeight);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, sheet.GetWidth(), sheet.GetHeight()});

    for (int l = 0; l < kLooks; ++l) {
        const int x0 = 4 + l * (cellW + 20);
        int y = 4;
        for (size_t i = 0; i < groupBoxes.size(); ++i) {
            SetLook(groupBoxes[i], looks[l]);
            Pump();
            CopyControl(sheet, groupBoxes[i], x0 + int(i % 2) * 115, y + int(i / 2) * 66);
        }
        y = boxesHeight;
        // The radio group's states.
        SetLook(group, looks[l]);
        for (int state = 0; state < 5; ++state) {
            parking->SetFocus();
            SetCursorPos(0, 0);
            group->SetEnabled(state != 4);
            Pump();
            TWinControl* pressedButton = nullptr;
            if (state == 1) PointAt(group->GetButton(2), 10, 8);
            if (state == 2) {
                pressedButton = group->GetButton(2);
                PointAt(pressedButton, 10, 8);
                SendMessageA(pressedButton->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 8));
            }
            if (state == 3) group->GetButton(1)->SetFocus();
            Pump();
            group->UpdateViewAtCursor();
            Pump();
            CopyControl(sheet, group, x0, y);
            if (pressedButton) {
                ReleaseCapture();
                SendMessageA(pressedButton->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(-50, -50));
                Pump();
                group->SetItemIndex(1);
            }
            y += 86;
        }
        group->SetEnabled(true);
        y = boxesHeight + groupHeight;
        for (TqzTrackBar* bar : bars) {
            SetLook(bar, looks[l]);
            Pump();
            CopyControl(sheet, bar, x0, y);
            y += 60;
        }
        // Thumb states on the first bar: hot, pressed, disabled (normal is above).
        TqzTrackBar* bar = bars[0];
        parking->SetFocus();
        Pump();
        const TRect hit = bar->GetProperties()->CachedThumbHitRect;
        const int tx = (hit.left + hit.right) / 2, ty = (hit.top + hit.bottom) / 2;
        SendMessageA(bar->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(tx, ty));
        Pump();
        CopyControl(sheet, bar, x0, y);
        y += 60;
        SendMessageA(bar->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(tx, ty));
        Pump();
        CopyControl(sheet, bar, x0, y);
        SendMessageA(bar->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(tx, ty));
        SendMessageA(bar->GetHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        ReleaseCapture();
        Pump();
        y += 60;
        bar->SetEnabled(false);
        Pump();
        CopyControl(sheet, bar, x0, y);
        bar->SetEnabled(true);
        Pump();
        SetLook(vertical, looks[l]);
        Pump();
        CopyControl(sheet, vertical, x0 + 170, boxesHeight + groupHeight + int(bars.size()) * 60 - 200);
    }
    WriteSheet(sheet, "ControlsGroupsTrackBars.png");
    SUCCEED();
}

} // namespace

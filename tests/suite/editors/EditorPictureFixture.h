// What the editors' picture sheets share: a form on the recording fake theme (so the native look
// can be drawn) with a point decimal separator, and the five looks a sheet shows in its columns.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzDropDownEdit.h"
#include "suite/editors/qzTextEdit.h"
#include "suite/foundation/qzLookAndFeels.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace edittest {

class EditorPicturesFixture : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        ThemeManagerInitialize();
        testsupport::TFormFixture::SetUp();
        SetCursorPos(0, 0);
        Form->SetBounds(0, 0, 700, 500);
    }
    void TearDown() override {
        testsupport::TFormFixture::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    void Pump() { App->ProcessMessages(); }
    // The pointer over the control's client point.
    static void PointAt(TWinControl* control, int x, int y) {
        const POINT p = control->ClientToScreen(POINT{x, y});
        SetCursorPos(p.x, p.y);
    }

    // How an editor's last button is shown pressed: by a real mouse press (released after the
    // copy), or by marking it pressed in the view, for a button whose press would open a popup.
    enum class PressBy { Mouse, ViewInfo };
    static constexpr int kEditorStates = 5;
    // The height the rows of CopyEditorStateRows take.
    static int EditorStateRowsHeight(const std::vector<TqzCustomEdit*>& editors);
    // Each editor in each sheet look (a column of columnWidth + 60 each), in the states normal, hot,
    // pressed, focused and disabled, a row each; parking takes the focus between the states.
    void CopyEditorStateRows(TBitmap& sheet, const std::vector<TqzCustomEdit*>& editors, TWinControl* parking,
                             int columnWidth, PressBy press);

    testsupport::ScopedFormatSettings FSettings{testsupport::DotSettings()};
    std::optional<TThemeFake> Fake;
};

struct SheetLook {
    TqzLookAndFeelKind Kind;
    bool Native;
};
// Flat, standard, ultra-flat, Office11, then native (through the fake theme).
inline constexpr SheetLook kSheetLooks[] = {
    {lfFlat, false}, {lfStandard, false}, {lfUltraFlat, false}, {lfOffice11, false}, {lfStandard, true}};

// A white sheet of the size.
inline void PrepareSheet(TBitmap& sheet, int width, int height) {
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});
}

// The sheet as a PNG among the test artifacts.
inline void WriteSheet(TBitmap& sheet, const char* name) {
    const int width = sheet.GetWidth(), height = sheet.GetHeight();
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = ColorToRGB(sheet.GetCanvas()->GetPixels(x, y));
            pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                             GetBValue(c));
        }
    testsupport::WritePng(testsupport::ArtifactPath(name), width, height, pixels);
}

// The control's window painted into the sheet at (x, y). An inner edit the editor does not show
// (its window region is empty) is left out of the copy, as painting children ignores regions.
inline void CopyControl(TBitmap& sheet, TWinControl* control, int x, int y) {
    TBitmap cell;
    cell.SetSize(control->GetWidth(), control->GetHeight());
    auto* text = dynamic_cast<TqzCustomTextEdit*>(control);
    TWinControl* inner = text && !text->ShowsInnerEdit() ? text->GetInnerControl() : nullptr;
    if (inner) inner->SetVisible(false);
    control->PaintTo(cell.GetCanvas()->GetHandle(), 0, 0);
    if (inner) inner->SetVisible(true);
    sheet.GetCanvas()->CopyRect(TRect{x, y, x + control->GetWidth(), y + control->GetHeight()},
                                cell.GetCanvas(), TRect{0, 0, control->GetWidth(), control->GetHeight()});
}

// The editor's four styles in the look.
inline void SetLook(TqzCustomEdit* editor, const SheetLook& look) {
    for (TqzEditStyle* style :
         {editor->GetStyle(), editor->GetStyleDisabled(), editor->GetStyleFocused(), editor->GetStyleHot()}) {
        style->GetLookAndFeel()->SetKind(look.Kind);
        style->GetLookAndFeel()->SetNativeStyle(look.Native);
    }
}

inline int EditorPicturesFixture::EditorStateRowsHeight(const std::vector<TqzCustomEdit*>& editors) {
    int height = 0;
    for (TqzCustomEdit* editor : editors)
        height += kEditorStates * (editor->GetHeight() + 4) + 8;
    return height;
}

inline void EditorPicturesFixture::CopyEditorStateRows(TBitmap& sheet, const std::vector<TqzCustomEdit*>& editors,
                                                       TWinControl* parking, int columnWidth, PressBy press) {
    enum State { Normal, Hot, Pressed, Focused, Disabled };
    const State states[kEditorStates] = {Normal, Hot, Pressed, Focused, Disabled};
    const int looks = int(std::size(kSheetLooks));
    for (int l = 0; l < looks; ++l) {
        int y = 4;
        for (TqzCustomEdit* editor : editors) {
            SetLook(editor, kSheetLooks[l]);
            for (State state : states) {
                parking->SetFocus();
                SetCursorPos(0, 0);
                editor->SetEnabled(state != Disabled);
                Pump();
                if (state == Focused) editor->SetFocus();
                TqzCustomEditViewInfo* info = editor->GetViewInfo();
                const bool hasButton = info && info->GetButtonCount() > 0;
                TPoint at{20, 8};
                if (hasButton) {
                    const TRect b = info->GetButtonInfo(info->GetButtonCount() - 1)->Bounds;
                    at = TPoint{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
                }
                if (state == Hot || state == Pressed) PointAt(editor, at.x, at.y);
                Pump();
                editor->UpdateViewAtCursor();
                const bool pressed = state == Pressed && hasButton;
                if (pressed && press == PressBy::Mouse)
                    SendMessageA(editor->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
                if (pressed && press == PressBy::ViewInfo) {
                    if (auto* dropDown = dynamic_cast<TqzCustomDropDownEdit*>(editor))
                        dropDown->GetViewInfo()->PressedButton = info->GetButtonCount() - 1;
                }
                Pump();
                CopyControl(sheet, editor, 4 + l * (columnWidth + 60), y);
                if (pressed && press == PressBy::Mouse) {
                    ReleaseCapture();
                    SendMessageA(editor->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(-50, -50));
                    Pump();
                }
                y += editor->GetHeight() + 4;
            }
            editor->SetEnabled(true);
            y += 8;
        }
    }
    SetCursorPos(0, 0);
    parking->SetFocus();
    Pump();
}

} // namespace edittest

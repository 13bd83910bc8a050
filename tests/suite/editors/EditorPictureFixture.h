// What the editors' picture sheets share: a form on the recording fake theme (so the native look
// can be drawn) with a point decimal separator, and the five looks a sheet shows in its columns.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
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

// The control's window painted into the sheet at (x, y).
inline void CopyControl(TBitmap& sheet, TWinControl* control, int x, int y) {
    TBitmap cell;
    cell.SetSize(control->GetWidth(), control->GetHeight());
    control->PaintTo(cell.GetCanvas()->GetHandle(), 0, 0);
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

} // namespace edittest

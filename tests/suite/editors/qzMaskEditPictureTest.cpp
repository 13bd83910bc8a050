// A sheet of masked editors in every look and feel, for a person to look at: standard masks with
// their blanks and literals focused and not, with and without AlwaysShowBlanksAndLiterals, and
// regular-expression masks with and without auto-completion.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzMaskEdit.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/suite/editors/EditorPictureFixture.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class MaskEditPictures : public edittest::EditorPicturesFixture {};

TEST_F(MaskEditPictures, Sheet) {
    struct Row {
        TqzEditMaskKind Kind;
        const char* Mask;
        const char* Value;
        bool AlwaysShow;
        bool Focused;
        const char* Shown;
    };
    const Row rows[] = {
        {emkStandard, "(999)000-0000;1;_", "(12 )345-6   ", false, true, "(12_)345-6___"},
        {emkStandard, "(999)000-0000;1;_", "(12 )345-6   ", false, false, "(12 )345-6   "},
        {emkStandard, "(999)000-0000;1;_", "(12 )345-6   ", true, false, "(12_)345-6___"},
        {emkStandard, "000;0;_", "", false, true, "___"},
        {emkStandard, "000;0;_", "", false, false, "   "},
        {emkStandard, "000;0;_", "", true, false, "___"},
        {emkRegExpr, "\\d\\d'-'\\d\\d", "12-3", false, true, "12-3"},
        {emkRegExpr, "\\d\\d'-'\\d\\d", "12-3", false, false, "12-3"},
        {emkRegExprEx, "\\d\\d'-'\\d\\d", "12", false, true, "12-"},
        {emkRegExprEx, "'('\\d\\d')'", "", false, false, "("},
    };
    const auto& looks = edittest::kSheetLooks;
    const int cellW = 134, cellH = 28;
    const int width = int(std::size(looks)) * cellW, height = int(std::size(rows)) * cellH;
    TBitmap sheet;
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});

    auto* parking = new TqzTextEdit(Form);
    parking->SetParent(Form);
    parking->SetBounds(500, 400, 121, 21);
    auto* editor = new TqzMaskEdit(Form);
    editor->SetParent(Form);
    editor->SetBounds(10, 10, 125, 21);
    Form->Show();
    App->ProcessMessages();
    for (int l = 0; l < int(std::size(looks)); ++l) {
        for (int r = 0; r < int(std::size(rows)); ++r) {
            const Row& row = rows[std::size_t(r)];
            parking->SetFocus();
            editor->GetStyle()->GetLookAndFeel()->SetKind(looks[std::size_t(l)].Kind);
            editor->GetStyle()->GetLookAndFeel()->SetNativeStyle(looks[std::size_t(l)].Native);
            TqzMaskEditProperties* props = editor->GetMaskEditProperties();
            props->SetEditMask("");
            props->SetMaskKind(row.Kind);
            props->SetEditMask(row.Mask);
            props->SetAlwaysShowBlanksAndLiterals(row.AlwaysShow);
            editor->SetEditValue(Variant(String(row.Value)));
            if (row.Focused) editor->SetFocus();
            App->ProcessMessages();
            EXPECT_EQ(row.Shown, editor->GetInnerTextEditControl()->GetText()) << row.Mask << " row " << r;
            editor->UpdateViewAtCursor();
            if (editor->GetInnerControl()) editor->GetInnerControl()->Repaint();
            TBitmap cell;
            cell.SetSize(editor->GetWidth(), editor->GetHeight());
            HDC dc = cell.GetCanvas()->GetHandle();
            if (editor->ShowsInnerEdit()) {
                editor->PaintTo(dc, 0, 0);
            } else {
                editor->Perform(WM_ERASEBKGND, WPARAM(dc), 0);
                editor->Perform(WM_PAINT, WPARAM(dc), 0);
            }
            const int x = l * cellW + 4, y = r * cellH + 3;
            sheet.GetCanvas()->CopyRect(TRect{x, y, x + editor->GetWidth(), y + editor->GetHeight()},
                                        cell.GetCanvas(),
                                        TRect{0, 0, editor->GetWidth(), editor->GetHeight()});
        }
    }
    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = ColorToRGB(sheet.GetCanvas()->GetPixels(x, y));
            pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                             GetBValue(c));
        }
    testsupport::WritePng(testsupport::ArtifactPath("qzMaskEditSheet.png"), width, height, pixels);
}

} // namespace

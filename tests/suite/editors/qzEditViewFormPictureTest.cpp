// A picture sheet of the test editor on a shown form, taken from what the window shows: ellipsis,
// drop-down, glyph and text buttons in the button styles and looks, disabled, normal, hot (the
// pointer over a button) and pressed (the left button held on it), stand-alone and in place.
// Saved as EditViewFormButtons.png under the test artifacts.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinBackendInterface.h"
#include "platform/winapi/WinCore.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/suite/editors/EditTestEditor.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

using edittest::TTestEditor;

namespace {

constexpr int EditWidth = 168;
constexpr int EditHeight = 22;
constexpr int CellWidth = 176;
constexpr int CellHeight = 28;
constexpr int LabelWidth = 150;
const char* const ColumnNames[] = {"disabled", "normal", "hot", "pressed"};

class EditViewFormPictures : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        Form->SetBounds(40, 40, 300, 120);
        Glyph.SetSize(10, 10);
        TCanvas* g = Glyph.GetCanvas();
        g->GetBrush()->SetColor(clFuchsia);
        g->FillRect(TRect{0, 0, 10, 10});
        g->GetBrush()->SetColor(TColor(RGB(0, 120, 0)));
        g->FillRect(TRect{1, 1, 9, 9});
        g->GetBrush()->SetColor(TColor(RGB(120, 220, 120)));
        g->FillRect(TRect{3, 3, 7, 7});
    }
    void TearDown() override {
        WinInputMouseMove(POINT{0, 0});
        testsupport::TFormFixture::TearDown();
    }

    TTestEditor* MakeEditor(bool inplace) {
        auto* editor = new TTestEditor(Form, inplace);
        editor->SetAutoSize(false);
        editor->SetParent(Form);
        editor->SetBounds(10, 10, EditWidth, EditHeight);
        editor->GetStyle()->SetTransparentBorder(false);
        editor->AddButton(bkGlyph)->SetGlyph(&Glyph);
        editor->AddButton(bkText)->SetCaption("&Go");
        editor->AddButton(bkEllipsis);
        editor->AddButton(bkDown);
        editor->SetEditValue(Variant(String("Text")));
        return editor;
    }

    // What the window shows of the editor, copied onto the sheet.
    void Grab(TTestEditor* editor, TBitmap& sheet, int x, int y) {
        UpdateWindow(Form->GetHandle());
        GdiSurface surface;
        ASSERT_TRUE(WinGetSurface(Form->GetHandle(), surface));
        RECT frame{};
        GetWindowRect(Form->GetHandle(), &frame);
        const POINT origin = editor->ClientToScreen(POINT{0, 0});
        for (int dy = 0; dy < EditHeight; ++dy)
            for (int dx = 0; dx < EditWidth; ++dx) {
                const int sx = origin.x + dx - frame.left, sy = origin.y + dy - frame.top;
                if (sx < 0 || sy < 0 || sx >= surface.Width || sy >= surface.Height) continue;
                const COLORREF c = GdiPixelToColor(surface.Row(sy)[sx] & 0xFFFFFF);
                sheet.GetCanvas()->SetPixels(x + dx, y + dy, TColor(c));
            }
        ++Grabbed;
    }

    TBitmap Glyph;
    int Grabbed = 0;
};

TEST_F(EditViewFormPictures, ButtonsOfALivingEditorInEveryState) {
    struct TRow {
        std::string Name;
        TqzEditButtonStyle ButtonStyle;
        TqzLookAndFeelKind Kind;
        bool Native;
        TqzEditBorderStyle Border;
        bool Shadow;
        bool Inplace;
    };
    const char* const styleNames[] = {"", "3D", "flat", "simple", "hot flat", "ultra-flat", "office11"};
    std::vector<TRow> rows;
    for (int s = 1; s < 7; ++s)
        for (bool inplace : {false, true})
            rows.push_back({std::string(styleNames[s]) + (inplace ? ", in place" : ""), TqzEditButtonStyle(s),
                            lfUltraFlat, false, ebsSingle, false, inplace});
    const struct {
        const char* Name;
        TqzLookAndFeelKind Kind;
        bool Native;
    } looks[] = {{"flat", lfFlat, false},
                 {"standard", lfStandard, false},
                 {"ultra-flat", lfUltraFlat, false},
                 {"office11", lfOffice11, false},
                 {"native", lfStandard, true}};
    const struct {
        const char* Name;
        TqzEditBorderStyle Border;
        bool Shadow;
    } borders[] = {{"single", ebsSingle, false}, {"flat", ebsFlat, false}, {"3D", ebs3D, false},
                   {"shadow", ebsSingle, true}};
    for (const auto& look : looks)
        for (const auto& border : borders)
            rows.push_back({std::string(look.Name) + ", " + border.Name, btsDefault, look.Kind, look.Native,
                            border.Border, border.Shadow, false});

    const int width = LabelWidth + 4 * CellWidth;
    const int height = 20 + int(rows.size()) * CellHeight;
    TBitmap sheet;
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});
    for (int c = 0; c < 4; ++c) sheet.GetCanvas()->TextOut(LabelWidth + c * CellWidth + 4, 2, ColumnNames[c]);

    AcquireOfficeSchemeColors();
    Form->Show();
    App->ProcessMessages();
    for (size_t r = 0; r < rows.size(); ++r) {
        const TRow& row = rows[r];
        std::optional<TThemeFake> fake;
        if (row.Native) {
            ThemeManagerFinalize();
            UxThemeInitialize();
            fake.emplace();
            ThemeManagerInitialize();
        }
        sheet.GetCanvas()->TextOut(4, 20 + int(r) * CellHeight + 4, row.Name);
        for (int c = 0; c < 4; ++c) {
            std::unique_ptr<TTestEditor> editor(MakeEditor(row.Inplace));
            editor->GetStyle()->SetButtonStyle(row.ButtonStyle);
            editor->GetStyle()->GetLookAndFeel()->SetKind(row.Kind);
            editor->GetStyle()->GetLookAndFeel()->SetNativeStyle(row.Native);
            editor->GetStyle()->SetEditBorderStyle(row.Border);
            editor->GetStyle()->SetShadow(row.Shadow);
            editor->SetEnabled(c != 0);
            App->ProcessMessages();
            TqzCustomEditViewInfo* info = editor->GetViewInfo();
            ASSERT_EQ(info->GetButtonCount(), 4) << row.Name;
            const TRect b = info->GetButtonInfo(2)->Bounds;
            const POINT over = editor->ClientToScreen(POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
            const POINT away = editor->ClientToScreen(POINT{-30, -30});
            WinInputMouseMove(c >= 2 ? over : away);
            if (c == 3) WinInputMouseButton(over, TWinMouseButton::Left, true);
            App->ProcessMessages();
            Grab(editor.get(), sheet, LabelWidth + c * CellWidth, 20 + int(r) * CellHeight);
            if (c == 3) {
                WinInputMouseMove(away);
                WinInputMouseButton(away, TWinMouseButton::Left, false);
                App->ProcessMessages();
            }
        }
        if (fake) {
            ThemeManagerFinalize();
            fake.reset();
            UxThemeInitialize();
            ThemeManagerInitialize();
        }
    }
    ReleaseOfficeSchemeColors();

    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = ColorToRGB(sheet.GetCanvas()->GetPixels(x, y));
            pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                             GetBValue(c));
        }
    testsupport::WritePng(testsupport::ArtifactPath("EditViewFormButtons.png"), width, height, pixels);
    EXPECT_EQ(Grabbed, int(rows.size()) * 4);
}

} // namespace

// A picture sheet of calculated and painted editors, for a person to look at: ellipsis, drop-down,
// glyph and text buttons in the seven button styles and in every look, disabled, normal, hot and
// pressed, stand-alone and in place, with single, flat, 3D and shadowed borders. Saved as
// EditViewButtons.png under the test artifacts.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/Theme.h"
#include "suite/editors/qzEdit.h"
#include "suite/foundation/ybOffice11.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int CellWidth = 176;
constexpr int CellHeight = 30;
constexpr int EditWidth = 168;
constexpr int EditHeight = 22;
constexpr int LabelWidth = 150;
constexpr int States = 4;
const char* const StateNames[States] = {"disabled", "normal", "hot", "pressed"};
// The button state of each column (0 disabled, 1 normal, 3 hot, 2 pressed).
constexpr Integer ColumnStates[States] = {qzebsDisabled, qzebsNormal, qzebsHot, qzebsPressed};
const char* const ButtonStyleNames[] = {"default", "3D", "flat", "simple", "hot flat", "ultra-flat", "office11"};
const char* const LookNames[] = {"flat", "standard", "ultra-flat", "office11", "native"};

// Forces every button into the column's state.
struct TStateForcer : TObject {
    void Force(TqzCustomEditViewInfo*, Integer, Integer& state) {
        if (State > 0) state = State;
    }
    Integer State = 1;
};

class EditViewPictures : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        testsupport::TFormFixture::SetUp();
        EditUnitFinalize();
        EditUnitInitialize();
        AcquireOfficeSchemeColors();
        Properties = std::make_unique<TqzCustomEditProperties>(nullptr);
        Style.reset(static_cast<TqzEditStyle*>(TqzEditStyle::CreateInstance(nullptr, csNormal, nullptr, false)));
        Style->SetTransparentBorder(false);
        Style->SetColor(clWindow);
        Glyph.SetSize(10, 10);
        TCanvas* g = Glyph.GetCanvas();
        g->GetBrush()->SetColor(clFuchsia);
        g->FillRect(TRect{0, 0, 10, 10});
        g->GetBrush()->SetColor(TColor(RGB(0, 120, 0)));
        g->FillRect(TRect{1, 1, 9, 9});
        g->GetBrush()->SetColor(TColor(RGB(120, 220, 120)));
        g->FillRect(TRect{3, 3, 7, 7});
        AddButton(bkGlyph, 0)->SetGlyph(&Glyph);
        AddButton(bkText, 0)->SetCaption("&Go");
        AddButton(bkEllipsis, 0);
        AddButton(bkDown, 0);
    }
    void TearDown() override {
        Style.reset();
        Properties.reset();
        ReleaseOfficeSchemeColors();
        testsupport::TFormFixture::TearDown();
        EditUnitFinalize();
        EditUnitInitialize();
    }
    TqzEditButton* AddButton(TqzEditButtonKind kind, Integer width) {
        auto* button = static_cast<TqzEditButton*>(Properties->GetButtons()->Add());
        button->SetKind(kind);
        button->SetWidth(width);
        return button;
    }

    // One editor painted at the row and column of the sheet.
    void PaintCell(TBitmap& sheet, int row, int column, bool inplace) {
        const Integer state = ColumnStates[column];
        TBitmap cell;
        cell.SetSize(EditWidth, EditHeight);
        cell.GetCanvas()->GetBrush()->SetColor(clBtnFace);
        cell.GetCanvas()->FillRect(TRect{0, 0, EditWidth, EditHeight});
        TqzCanvas canvas(cell.GetCanvas());
        std::unique_ptr<TqzCustomEditViewData> data(Properties->CreateViewData(Style.get(), inplace));
        data->Enabled = state != qzebsDisabled;
        data->Focused = state == qzebsPressed;
        std::unique_ptr<TqzCustomEditViewInfo> info(
            static_cast<TqzCustomEditViewInfo*>(Properties->GetViewInfoClass()()));
        TStateForcer forcer;
        forcer.State = state;
        info->OnButtonState = MakeEvent(&forcer, &TStateForcer::Force);
        const TPoint mouse = state >= qzebsPressed ? TPoint{EditWidth / 2, EditHeight / 2} : TPoint{-1, -1};
        data->Calculate(&canvas, TRect{0, 0, EditWidth, EditHeight}, mouse, 0, TShiftState(), info.get(), false);
        info->PaintBackground(&canvas);
        SelectClipRgn(cell.GetCanvas()->GetHandle(), nullptr);
        const int x = LabelWidth + column * CellWidth;
        const int y = 20 + row * CellHeight;
        sheet.GetCanvas()->CopyRect(TRect{x, y, x + EditWidth, y + EditHeight}, cell.GetCanvas(),
                                    TRect{0, 0, EditWidth, EditHeight});
        ++Painted;
    }
    void Label(TBitmap& sheet, int row, const std::string& text) {
        sheet.GetCanvas()->GetBrush()->SetStyle(bsClear);
        sheet.GetCanvas()->TextOut(4, 20 + row * CellHeight + 4, text);
        sheet.GetCanvas()->GetBrush()->SetStyle(bsSolid);
    }

    std::unique_ptr<TqzCustomEditProperties> Properties;
    std::unique_ptr<TqzEditStyle> Style;
    TBitmap Glyph;
    int Painted = 0;
};

TEST_F(EditViewPictures, ButtonStylesLooksAndBordersInEveryState) {
    struct TRow {
        std::string Name;
        TqzEditButtonStyle ButtonStyle;
        TqzLookAndFeelKind Kind;
        bool Native;
        TqzEditBorderStyle Border;
        bool Shadow;
        bool Inplace;
    };
    std::vector<TRow> rows;
    for (int s = 1; s < 7; ++s)
        for (bool inplace : {false, true})
            rows.push_back({std::string(ButtonStyleNames[s]) + (inplace ? ", in place" : ""), TqzEditButtonStyle(s),
                            lfUltraFlat, false, ebsSingle, false, inplace});
    const TqzLookAndFeelKind kinds[] = {lfFlat, lfStandard, lfUltraFlat, lfOffice11};
    for (int k = 0; k < 5; ++k) {
        const bool native = k == 4;
        const TqzLookAndFeelKind kind = native ? lfStandard : kinds[k];
        const struct {
            const char* Name;
            TqzEditBorderStyle Border;
            bool Shadow;
        } borders[] = {{"single", ebsSingle, false}, {"flat", ebsFlat, false}, {"3D", ebs3D, false},
                       {"shadow", ebsSingle, true}};
        for (const auto& b : borders)
            rows.push_back({std::string(LookNames[k]) + ", " + b.Name, btsDefault, kind, native, b.Border, b.Shadow,
                            false});
        rows.push_back({std::string(LookNames[k]) + ", in place", btsDefault, kind, native, ebsSingle, false, true});
    }
    // The highlighted borders of the two flat looks.
    rows.push_back({"ultra-flat border", btsDefault, lfUltraFlat, false, ebsUltraFlat, false, false});
    rows.push_back({"office11 border", btsDefault, lfOffice11, false, ebsOffice11, false, false});

    const int width = LabelWidth + States * CellWidth;
    const int height = 20 + int(rows.size()) * CellHeight;
    TBitmap sheet;
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});
    for (int s = 0; s < States; ++s) sheet.GetCanvas()->TextOut(LabelWidth + s * CellWidth + 4, 2, StateNames[s]);

    ThemeManagerFinalize();
    UxThemeInitialize();
    for (size_t r = 0; r < rows.size(); ++r) {
        const TRow& row = rows[r];
        std::unique_ptr<TThemeFake> fake;
        if (row.Native) {
            fake = std::make_unique<TThemeFake>();
            ThemeManagerInitialize();
        }
        Style->SetButtonStyle(row.ButtonStyle);
        Style->GetLookAndFeel()->SetKind(row.Kind);
        Style->GetLookAndFeel()->SetNativeStyle(row.Native);
        Style->SetEditBorderStyle(row.Border);
        Style->SetShadow(row.Shadow);
        Label(sheet, int(r), row.Name);
        for (int s = 0; s < States; ++s) PaintCell(sheet, int(r), s, row.Inplace);
        if (fake) {
            ThemeManagerFinalize();
            fake.reset();
            UxThemeInitialize();
        }
    }
    ThemeManagerInitialize();

    std::vector<std::uint32_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const TColor c = ColorToRGB(sheet.GetCanvas()->GetPixels(x, y));
            pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                             GetBValue(c));
        }
    testsupport::WritePng(testsupport::ArtifactPath("EditViewButtons.png"), width, height, pixels);
    EXPECT_EQ(Painted, int(rows.size()) * States);
    // Every cell holds a painted editor: its corner differs from the sheet's white ground.
    for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_NE(ColorToRGB(clWhite), ColorToRGB(sheet.GetCanvas()->GetPixels(LabelWidth + EditWidth - 3,
                                                                               20 + int(r) * CellHeight + 10)))
            << rows[r].Name;
}

} // namespace

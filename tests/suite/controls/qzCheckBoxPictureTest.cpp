// A sheet to look at: build/test-artifacts/ControlsBarsChecks.png. At the top the check box
// unchecked, checked, grayed in each null style and with a user glyph, in each painter kind (flat,
// standard, ultra-flat, Office11, native through the recording theme; one block each) and glyph
// state (normal, hot, pressed, focused, disabled; one column each). Below, the progress bar in
// its six styles with overload, peak and text, enabled and disabled, horizontal and vertical, in
// each painter kind.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "suite/controls/qzCheckBox.h"
#include "suite/controls/qzProgressBar.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class BarsAndChecksSheet : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        ThemeManagerFinalize();
        UxThemeInitialize();
        Fake.emplace();
        Fake->SetPartSize("Button", 3, -1, TS_TRUE, SIZE{13, 13});
        ThemeManagerInitialize();
        TFormFixture::SetUp();
        SetCursorPos(0, 0);
        Form->SetBounds(0, 0, 700, 400);
    }
    void TearDown() override {
        TFormFixture::TearDown();
        ThemeManagerFinalize();
        Fake.reset();
        UxThemeInitialize();
    }
    static void SetLook(TqzCustomEdit* edit, TqzLookAndFeelKind kind, bool native) {
        for (TqzEditStyle* style : {edit->GetStyle(), edit->GetStyleDisabled(), edit->GetStyleFocused(),
                                    edit->GetStyleHot()}) {
            style->GetLookAndFeel()->SetKind(kind);
            style->GetLookAndFeel()->SetNativeStyle(native);
        }
    }
    static void Blit(TBitmap& sheet, int x, int y, TBitmap& cell) {
        sheet.GetCanvas()->CopyRect(TRect{x, y, x + cell.GetWidth(), y + cell.GetHeight()}, cell.GetCanvas(),
                                    TRect{0, 0, cell.GetWidth(), cell.GetHeight()});
    }
    std::optional<TThemeFake> Fake;
};

TEST_F(BarsAndChecksSheet, PictureSheet) {
    struct Look {
        TqzLookAndFeelKind Kind;
        bool Native;
    };
    const Look looks[] = {
        {lfFlat, false}, {lfStandard, false}, {lfUltraFlat, false}, {lfOffice11, false}, {lfStandard, true}};
    const int kLooks = int(std::size(looks));

    // A user strip of six images: a coloured square per state, the pressed ones framed.
    TBitmap strip;
    strip.SetSize(6 * 13, 13);
    const TColor stateColours[3] = {clSilver, clGreen, clOlive};
    for (int i = 0; i < 6; ++i) {
        TCanvas* c = strip.GetCanvas();
        c->GetBrush()->SetColor(i >= 3 ? clBlack : clWhite);
        c->FillRect(TRect{i * 13, 0, i * 13 + 13, 13});
        c->GetBrush()->SetColor(stateColours[i % 3]);
        c->FillRect(TRect{i * 13 + 2, 2, i * 13 + 11, 11});
    }
    strip.GetCanvas()->SetPixels(0, 12, clFuchsia); // the transparent colour

    struct Item {
        const char* Caption;
        TqzCheckBoxState State;
        TqzCheckBoxNullValueShowingStyle NullStyle;
        bool UserGlyph;
    };
    const Item items[] = {
        {"Unchecked", cbsUnchecked, nssGrayedChecked, false}, {"Checked", cbsChecked, nssGrayedChecked, false},
        {"Null unchecked", cbsGrayed, nssUnchecked, false},   {"Null inactive", cbsGrayed, nssInactive, false},
        {"Null checked", cbsGrayed, nssGrayedChecked, false}, {"Own glyph", cbsChecked, nssGrayedChecked, true},
    };
    const int kItems = int(std::size(items));
    const int kStates = 5; // normal, hot, pressed, focused, disabled
    const int cellW = 126, cellH = 23;
    const int checksHeight = kLooks * (kItems * cellH + 8);

    const int barW = 140, barH = 21, vBarW = 24, vBarH = 84;
    const int kStyles = 6;
    const int barBlockH = 2 * (barH + 4) + vBarH + 12;
    const int width = std::max(kStates * cellW, kStyles * (barW + 6)) + 8;
    const int height = checksHeight + kLooks * barBlockH + 8;
    TBitmap sheet;
    sheet.SetSize(width, height);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, width, height});

    Form->Show();
    App->ProcessMessages();
    auto* other = new TqzCheckBox(Form);
    other->SetParent(Form);
    other->SetBounds(400, 300, 121, 21);
    auto* box = new TqzCheckBox(Form);
    box->SetParent(Form);
    box->SetBounds(10, 10, 121, 21);
    box->GetCheckBoxProperties()->SetAllowGrayed(true);
    App->ProcessMessages();

    for (int l = 0; l < kLooks; ++l) {
        SetLook(box, looks[l].Kind, looks[l].Native);
        for (int i = 0; i < kItems; ++i) {
            const Item& item = items[i];
            box->SetCaption(item.Caption);
            box->GetCheckBoxProperties()->SetNullStyle(item.NullStyle);
            box->GetCheckBoxProperties()->SetGlyphCount(6);
            box->GetCheckBoxProperties()->SetGlyph(item.UserGlyph ? &strip : nullptr);
            box->SetState(item.State);
            for (int s = 0; s < kStates; ++s) {
                box->SetEnabled(s != 4);
                (s == 3 ? box : other)->SetFocus();
                App->ProcessMessages();
                box->UpdateViewAtCursor();
                TqzCustomCheckBoxViewInfo* info = box->GetCheckViewInfo();
                if (s == 1 || s == 2) {
                    // The mouse over the box, held or not.
                    info->CheckGlyphState = s == 1 ? cgsHot : cgsPressed;
                    if (info->NativeStyle)
                        info->ThemeStateId = info->CheckState == cbsGrayed
                                                 ? (item.NullStyle == nssUnchecked  ? 1 + s
                                                    : item.NullStyle == nssInactive ? 4
                                                                                    : 9 + s)
                                                 : CheckBoxThemeState(info->CheckState, info->CheckGlyphState);
                }
                TBitmap cell;
                cell.SetSize(box->GetWidth(), box->GetHeight());
                cell.GetCanvas()->GetBrush()->SetColor(clBtnFace);
                cell.GetCanvas()->FillRect(TRect{0, 0, cell.GetWidth(), cell.GetHeight()});
                TqzCanvas canvas(cell.GetCanvas());
                info->PaintBackground(&canvas);
                Blit(sheet, 4 + s * cellW, 4 + l * (kItems * cellH + 8) + i * cellH, cell);
            }
        }
    }
    box->SetEnabled(true);

    // The bars.
    auto* bar = new TqzProgressBar(Form);
    bar->SetParent(Form);
    bar->SetAutoSize(false);
    TqzProgressBarProperties* p = bar->GetBarProperties();
    p->SetShowOverload(true);
    p->SetShowPeak(true);
    p->SetPeakValue(92);
    TBitmap tile;
    tile.SetSize(6, 6);
    tile.GetCanvas()->GetBrush()->SetColor(clTeal);
    tile.GetCanvas()->FillRect(TRect{0, 0, 6, 6});
    tile.GetCanvas()->GetBrush()->SetColor(clYellow);
    tile.GetCanvas()->FillRect(TRect{1, 1, 4, 4});
    p->SetForegroundImage(&tile);
    p->SetTransparentImage(false);
    for (int l = 0; l < kLooks; ++l) {
        SetLook(bar, looks[l].Kind, looks[l].Native);
        const int top = checksHeight + 4 + l * barBlockH;
        for (int s = 0; s < kStyles; ++s) {
            p->SetBarStyle(TqzProgressBarBarStyle(s));
            p->SetBarBevelOuter(s == 0 ? qzbvRaised : s == 1 ? qzbvLowered : qzbvNone);
            for (int enabled = 1; enabled >= 0; --enabled) {
                bar->SetEnabled(enabled != 0);
                // Horizontal, with the text.
                p->SetOrientation(qzorHorizontal);
                p->SetTextOrientation(qzorHorizontal);
                bar->SetBounds(10, 200, barW, barH);
                bar->SetPosition(85);
                App->ProcessMessages();
                bar->UpdateViewAtCursor();
                TBitmap cell;
                cell.SetSize(barW, barH);
                TqzCanvas canvas(cell.GetCanvas());
                bar->GetBarViewInfo()->Draw(&canvas);
                Blit(sheet, 4 + s * (barW + 6), top + (1 - enabled) * (barH + 4), cell);
                // Vertical, with vertical text.
                p->SetOrientation(qzorVertical);
                p->SetTextOrientation(qzorVertical);
                bar->SetBounds(10, 200, vBarW, vBarH);
                bar->SetPosition(70);
                App->ProcessMessages();
                bar->UpdateViewAtCursor();
                TBitmap vcell;
                vcell.SetSize(vBarW, vBarH);
                TqzCanvas vcanvas(vcell.GetCanvas());
                bar->GetBarViewInfo()->Draw(&vcanvas);
                Blit(sheet, 4 + s * (barW + 6) + (1 - enabled) * (vBarW + 6), top + 2 * (barH + 4), vcell);
                bar->SetPosition(0);
            }
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
    testsupport::WritePng(testsupport::ArtifactPath("ControlsBarsChecks.png"), width, height, pixels);
    // Something was drawn in the first check box cell and the first bar.
    EXPECT_NE(ColorToRGB(clWhite), ColorToRGB(sheet.GetCanvas()->GetPixels(8, 12)));
    EXPECT_NE(ColorToRGB(clWhite), ColorToRGB(sheet.GetCanvas()->GetPixels(8, checksHeight + 14)));
}

} // namespace

// A sheet of text editors in every look and feel, for a person to look at: free text focused and
// not in three alignments, a fixed list with its typed prefix, no-edit, password, read-only and
// disabled editors.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/Theme.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzTextEdit.h"
#include "suite/foundation/ybThemeManager.h"
#include "suite/foundation/ybUxTheme.h"
#include "tests/suite/editors/EditorPictureFixture.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// A focused fixed list shows its text area selected, as a drop-down list editor's view data
// does: the typed prefix then stands out inverted.
class TSheetViewData : public TqzCustomTextEditViewData {
    KOV_CLASS(TSheetViewData, TqzCustomTextEditViewData)
public:
    using TqzCustomTextEditViewData::TqzCustomTextEditViewData;
    static TqzCustomEditViewData* Make(TqzCustomEditProperties* properties, TqzCustomEditStyle* style,
                                       bool isInplace) {
        return CreateEditViewData<TSheetViewData>(properties, style, isInplace);
    }
    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override {
        inherited::Calculate(canvas, bounds, p, button, shift, viewInfo, isMouseEvent);
        auto* textViewInfo = static_cast<TqzCustomTextEditViewInfo*>(viewInfo);
        if (IsEditFocused() && textViewInfo->EditingStyle == FixedList) textViewInfo->Highlighted = true;
    }
};

class TSheetProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TSheetProperties, TqzCustomTextEditProperties)
public:
    using TqzCustomTextEditProperties::TqzCustomTextEditProperties;
    TqzTextEditingStyle GetEditingStyle() override { return Style; }
    TqzCustomEditViewDataClass GetViewDataClass() const override { return &TSheetViewData::Make; }
    TqzTextEditingStyle Style = FreeText;
};

class TSheetEdit : public TqzCustomTextEdit {
    KOV_CLASS(TSheetEdit, TqzCustomTextEdit)
public:
    explicit TSheetEdit(TComponent* owner) : TqzCustomTextEdit(owner, false, true) { InitializeEditor(); }
    TClass GetPropertiesClass() override { return TSheetProperties::StaticClass(); }
    TSheetProperties* Props() const { return static_cast<TSheetProperties*>(GetProperties()); }
};

const bool kRegistered = [] {
    RegisterInterfacedPersistentClass<TSheetProperties>();
    return true;
}();

class TextEditPictures : public edittest::EditorPicturesFixture {};

TEST_F(TextEditPictures, Sheet) {
    struct Row {
        const char* Text;
        TqzTextEditingStyle Style;
        TAlignment Alignment;
        bool Focused;
        int Special; // 0 none, 1 password, 2 read-only, 3 disabled, 4 typed prefix
    };
    const Row rows[] = {
        {"Left, focused", FreeText, taLeftJustify, true, 0},
        {"Right, focused", FreeText, taRightJustify, true, 0},
        {"Centre, focused", FreeText, taCenter, true, 0},
        {"Left", FreeText, taLeftJustify, false, 0},
        {"Right", FreeText, taRightJustify, false, 0},
        {"Centre", FreeText, taCenter, false, 0},
        {"", FixedList, taLeftJustify, true, 4},
        {"No edit", NoEdit, taLeftJustify, false, 0},
        {"secret", FreeText, taLeftJustify, false, 1},
        {"Read-only", FreeText, taLeftJustify, false, 2},
        {"Disabled", FreeText, taLeftJustify, false, 3},
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
    auto* editor = new TSheetEdit(Form);
    editor->SetParent(Form);
    editor->SetBounds(10, 10, 125, 21);
    editor->Props()->GetLookupItems()->Add("Alpha");
    editor->Props()->GetLookupItems()->Add("Beta");
    Form->Show();
    App->ProcessMessages();
    int painted = 0;
    for (int l = 0; l < int(std::size(looks)); ++l) {
        for (int r = 0; r < int(std::size(rows)); ++r) {
            const Row& row = rows[std::size_t(r)];
            parking->SetFocus();
            editor->GetStyle()->GetLookAndFeel()->SetKind(looks[std::size_t(l)].Kind);
            editor->GetStyle()->GetLookAndFeel()->SetNativeStyle(looks[std::size_t(l)].Native);
            TSheetProperties* props = editor->Props();
            props->BeginUpdate();
            props->Style = row.Style;
            props->GetAlignment()->SetHorz(row.Alignment);
            props->SetEchoMode(row.Special == 1 ? eemPassword : eemNormal);
            props->SetReadOnly(row.Special == 2);
            props->EndUpdate();
            editor->SetEnabled(row.Special != 3);
            editor->SetEditValue(Variant(String(row.Text)));
            if (row.Focused) editor->SetFocus();
            if (row.Special == 4) SendMessageA(editor->GetInnerControl()->GetHandle(), WM_CHAR, 'b', 0);
            App->ProcessMessages();
            editor->UpdateViewAtCursor();
            if (editor->GetInnerControl()) editor->GetInnerControl()->Repaint();
            TBitmap cell;
            cell.SetSize(editor->GetWidth(), editor->GetHeight());
            // A hidden native edit keeps its window but is cut away by its window region: only
            // what is shown is painted.
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
            ++painted;
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
    testsupport::WritePng(testsupport::ArtifactPath("qzTextEditSheet.png"), width, height, pixels);
    EXPECT_EQ(int(std::size(rows) * std::size(looks)), painted);
    // The selected text area of the focused fixed list is filled with the highlight colour.
    for (int l = 0; l < int(std::size(looks)); ++l)
        EXPECT_EQ(ColorToRGB(clHighlight),
                  ColorToRGB(sheet.GetCanvas()->GetPixels(l * cellW + 4 + 100, 6 * cellH + 3 + 10)))
            << l;
}

} // namespace

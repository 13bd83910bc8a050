// A sheet to look at: build/test-artifacts/ControlsImageBlobCombo.png. One column per painter
// kind (flat, standard, ultra-flat, Office11, native through the fake theme). Rows: image
// editors (a caption without a picture, a stretched and centred picture, a picture with scroll
// bars), blob editors (bpsDefault and bpsText) and image combo boxes (image left, image right,
// descriptions off), each in the states normal, hot, pressed, focused and disabled; then the
// eight blob glyphs; then the open blob memo and picture popups and the open image combo box
// lists (one line, word-wrapped).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzBlobEdit.h"
#include "suite/controls/qzImage.h"
#include "suite/controls/qzImageComboBox.h"
#include "tests/suite/editors/EditorPictureFixture.h"
#include "tests/support/Png.h"

namespace {

using edittest::WriteSheet;
using edittest::CopyControl;
using edittest::SetLook;


// A landscape of sky, sun and hills, 160 x 110.
std::unique_ptr<TBitmap> Landscape() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(160, 110);
    TCanvas* c = b->GetCanvas();
    c->GetBrush()->SetColor(TColor(0xEBC878));
    c->FillRect(TRect{0, 0, 160, 110});
    c->GetBrush()->SetColor(clYellow);
    c->GetPen()->SetColor(clYellow);
    c->Ellipse(110, 12, 140, 42);
    c->GetBrush()->SetColor(TColor(0x3C9628));
    c->GetPen()->SetColor(TColor(0x3C9628));
    c->Ellipse(-40, 60, 100, 160);
    c->Ellipse(60, 70, 220, 170);
    return b;
}

struct TInsidePopup {
    TqzCustomDropDownEdit* Edit = nullptr;
    std::function<void()> Action;
    void Popped(TObject*) {
        Action();
        Edit->GetPopupWindow()->SetModalResult(mrCancel);
    }
};

class ImageBlobComboSheet : public edittest::EditorPicturesFixture {
protected:
    TImageList* Images(int size) {
        auto* list = new TImageList(Form);
        list->SetWidth(size);
        list->SetHeight(size);
        const TColor colours[] = {clRed, clGreen, clBlue, TColor(0x00A5FF), clPurple};
        for (TColor colour : colours) {
            TBitmap b;
            b.SetSize(size, size);
            b.GetCanvas()->GetBrush()->SetColor(clFuchsia);
            b.GetCanvas()->FillRect(TRect{0, 0, size, size});
            b.GetCanvas()->GetBrush()->SetColor(colour);
            b.GetCanvas()->GetPen()->SetColor(clBlack);
            b.GetCanvas()->Ellipse(1, 1, size - 1, size - 1);
            list->AddMasked(&b, clFuchsia);
        }
        return list;
    }
    TqzImageComboBox* Combo(TImageList* images) {
        auto* combo = new TqzImageComboBox(Form);
        TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
        p->SetImages(images);
        const char* names[] = {"Channel 1 (calling)", "Channel 2", "Channel 3, a long description that wraps",
                               "Channel 4", "Scan list"};
        for (int i = 0; i < 5; ++i) {
            TqzImageComboBoxItem* item = p->GetItems()->AddItem();
            item->SetDescription(names[i]);
            item->SetValue(Variant(Integer(i + 1)));
        }
        combo->SetEditValue(Variant(Integer(1)));
        return combo;
    }
};

TEST_F(ImageBlobComboSheet, PictureSheet) {
    Form->SetBounds(0, 0, 900, 700);
    const auto& looks = edittest::kSheetLooks;
    const int kLooks = int(std::size(looks));
    auto landscape = Landscape();
    String landscapeBytes;
    {
        TPicture picture;
        picture.SetGraphic(landscape.get());
        SavePictureToValue(&picture, landscapeBytes);
    }

    auto* parking = new TqzImage(Form);
    parking->SetParent(Form);
    parking->SetBounds(800, 600, 40, 30);
    std::vector<TqzCustomEdit*> editors;
    auto* caption = new TqzImage(Form);
    caption->GetImageEditProperties()->SetCaption("(no photo)");
    editors.push_back(caption);
    auto* fitted = new TqzImage(Form);
    fitted->GetImageEditProperties()->SetStretch(true);
    fitted->SetEditValue(Variant(landscapeBytes));
    editors.push_back(fitted);
    auto* scrolled = new TqzImage(Form);
    scrolled->GetImageEditProperties()->SetCenter(false);
    scrolled->SetEditValue(Variant(landscapeBytes));
    editors.push_back(scrolled);
    for (TqzBlobPaintStyle style : {bpsDefault, bpsText}) {
        auto* blob = new TqzBlobEdit(Form);
        blob->GetBlobEditProperties()->SetBlobEditKind(bekMemo);
        blob->GetBlobEditProperties()->SetBlobPaintStyle(style);
        blob->SetEditValue(Variant(String("Notes for channel 1\r\nsecond line")));
        editors.push_back(blob);
    }
    TImageList* small = Images(16);
    for (int variant = 0; variant < 3; ++variant) {
        TqzImageComboBox* combo = Combo(small);
        if (variant == 1) combo->GetImageComboBoxProperties()->SetImageAlign(iaRight);
        if (variant == 2) combo->GetImageComboBoxProperties()->SetShowDescriptions(false);
        editors.push_back(combo);
    }
    int top = 10;
    for (TqzCustomEdit* editor : editors) {
        editor->SetParent(Form);
        const bool image = dynamic_cast<TqzImage*>(editor) != nullptr;
        editor->SetBounds(10, top, 150, image ? 80 : 21);
        top += image ? 86 : 26;
    }
    Form->Show();
    Pump();

    const int editorRowsHeight = EditorStateRowsHeight(editors);
    const int cellW = 170;
    const int glyphRows = 30;
    const int popupsHeight = 560;
    TBitmap sheet;
    sheet.SetSize(kLooks * (cellW + 60), editorRowsHeight + glyphRows + popupsHeight);
    sheet.GetCanvas()->GetBrush()->SetColor(clWhite);
    sheet.GetCanvas()->FillRect(TRect{0, 0, sheet.GetWidth(), sheet.GetHeight()});

    CopyEditorStateRows(sheet, editors, parking, cellW, PressBy::ViewInfo);

    // The eight blob glyphs (kind by kind, without and with a value), standard look.
    {
        const TqzBlobEditKind kinds[] = {bekBlob, bekMemo, bekPict, bekOle};
        int x = 4;
        for (TqzBlobEditKind kind : kinds)
            for (bool value : {false, true}) {
                auto* blob = new TqzBlobEdit(Form);
                blob->SetParent(Form);
                blob->SetBounds(200, 10, 60, 21);
                blob->GetBlobEditProperties()->SetBlobEditKind(kind);
                blob->SetEditValue(value ? Variant(String("x")) : Null());
                Pump();
                blob->UpdateViewAtCursor();
                CopyControl(sheet, blob, x, editorRowsHeight + 4);
                x += 66;
                delete blob;
            }
    }

    // The open popups.
    auto* memoBlob = new TqzBlobEdit(Form);
    memoBlob->GetBlobEditProperties()->SetBlobEditKind(bekMemo);
    memoBlob->SetEditValue(Variant(String("Notes for channel 1\r\nsecond line\r\nthird line")));
    auto* pictBlob = new TqzBlobEdit(Form);
    pictBlob->GetBlobEditProperties()->SetBlobEditKind(bekPict);
    pictBlob->SetEditValue(Variant(landscapeBytes));
    TqzImageComboBox* oneLine = Combo(small);
    TqzImageComboBox* wrapped = Combo(small);
    wrapped->GetImageComboBoxProperties()->SetMultiLineText(true);
    int x0 = 300;
    for (TqzCustomEdit* editor : std::vector<TqzCustomEdit*>{memoBlob, pictBlob, oneLine, wrapped}) {
        editor->SetParent(Form);
        editor->SetBounds(x0, 10, 150, 21);
        x0 += 10;
    }
    Pump();
    for (int l = 0; l < kLooks; ++l) {
        const int x = 4 + l * (cellW + 60);
        int y = editorRowsHeight + glyphRows + 4;
        for (TqzBlobEdit* blob : {memoBlob, pictBlob}) {
            SetLook(blob, looks[l]);
            blob->SetFocus();
            Pump();
            TInsidePopup inside;
            inside.Edit = blob;
            inside.Action = [&] {
                Pump();
                CopyControl(sheet, blob, x, y);
                CopyControl(sheet, blob->GetPopupWindow(), x, y + blob->GetHeight());
                y += blob->GetHeight() + blob->GetPopupWindow()->GetHeight() + 8;
            };
            blob->GetBlobEditProperties()->OnPopup = TNotifyEvent(&inside, &TInsidePopup::Popped);
            blob->DropDown();
            Pump();
            EXPECT_FALSE(blob->HasOpenPopup());
        }
        for (TqzImageComboBox* combo : {oneLine, wrapped}) {
            SetLook(combo, looks[l]);
            combo->SetFocus();
            Pump();
            combo->SetDroppedDown(true);
            Pump();
            ASSERT_TRUE(combo->HasOpenPopup());
            CopyControl(sheet, combo, x, y);
            CopyControl(sheet, combo->GetPopupWindow(), x, y + combo->GetHeight());
            y += combo->GetHeight() + combo->GetPopupWindow()->GetHeight() + 8;
            combo->SetDroppedDown(false);
            Pump();
        }
        ASSERT_LE(y, sheet.GetHeight() + 200) << "the sheet is too short for the popups";
    }
    WriteSheet(sheet, "ControlsImageBlobCombo.png");
}

} // namespace

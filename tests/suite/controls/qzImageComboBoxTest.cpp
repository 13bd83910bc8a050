// The image combo box: items and their images, the mapping of values to items, the closed
// editor's layout, the owner-drawn list's heights and widths, list choices and image lists
// going away.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/winapi/WinCore.h"
#include "suite/controls/qzImageComboBox.h"
#include "suite/foundation/qzVariants.h"
#include "tests/support/FormFixture.h"

namespace {

struct ComboLog {
    Integer Clicks = 0;
    Integer Changes = 0;
    void Clicked(TObject*) { ++Clicks; }
    void Changed(TObject*) { ++Changes; }
};

class ImageComboBoxTest : public testsupport::TFormFixture {
protected:
    TImageList* Images(int count, int size = 16) {
        auto* list = new TImageList(Form);
        list->SetWidth(size);
        list->SetHeight(size);
        for (int i = 0; i < count; ++i) {
            TBitmap b;
            b.SetSize(size, size);
            b.GetCanvas()->GetBrush()->SetColor(TColor(0x101010 * (i + 1)));
            b.GetCanvas()->FillRect(TRect{0, 0, size, size});
            list->Add(&b, nullptr);
        }
        return list;
    }
    TqzImageComboBox* Combo(int items, TImageList* images = nullptr) {
        auto* combo = new TqzImageComboBox(Form);
        combo->SetParent(Form);
        combo->SetBounds(10, 10, 160, 24);
        TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
        p->SetImages(images);
        for (int i = 0; i < items; ++i) {
            TqzImageComboBoxItem* item = p->GetItems()->AddItem();
            item->SetDescription("Item " + std::to_string(i));
            item->SetValue(Variant(Integer(i * 10)));
        }
        return combo;
    }
    void Pump() { App->ProcessMessages(); }
    TqzImageComboBoxViewInfo* Info(TqzImageComboBox* combo) {
        return static_cast<TqzImageComboBoxViewInfo*>(combo->GetViewInfo());
    }
};

TEST_F(ImageComboBoxTest, NewItemsTakeTheirOwnImageWhileTheListHasOne) {
    TqzImageComboBox* combo = Combo(7, Images(5));
    TqzImageComboBoxItems* items = combo->GetImageComboBoxProperties()->GetItems();
    const Integer expected[] = {0, 1, 2, 3, 4, -1, -1};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(expected[i], items->GetItem(i)->GetImageIndex()) << i;
    TqzImageComboBox* plain = Combo(2);
    EXPECT_EQ(-1, plain->GetImageComboBoxProperties()->GetItems()->GetItem(0)->GetImageIndex());
}

TEST_F(ImageComboBoxTest, ValuesMapToTheFirstItemThatHasThemAndOthersToTheDefaults) {
    TqzImageComboBox* combo = Combo(3, Images(5));
    TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
    p->SetDefaultDescription("(none)");
    p->SetDefaultImageIndex(4);
    p->GetItems()->GetItem(2)->SetValue(Variant(Integer(10))); // the same value as item 1
    Form->Show();
    Pump();
    struct Case {
        Variant Value;
        const char* Text;
        Integer Image;
        Integer Key;
    };
    const Case cases[] = {{Variant(Integer(10)), "Item 1", 1, 1},
                          {Variant(Integer(0)), "Item 0", 0, 0},
                          {Variant(Integer(99)), "(none)", 4, -1},
                          {Null(), "(none)", 4, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        combo->SetEditValue(c.Value);
        Pump();
        EXPECT_EQ(c.Text, Info(combo)->Text);
        EXPECT_EQ(c.Image, Info(combo)->ImageIndex);
        EXPECT_EQ(c.Key, combo->GetLookupData()->GetCurrentKey().AsInteger());
        Variant back;
        bool valid = false;
        combo->DisplayToEditValue(Variant(String("ignored")), back, valid);
        if (c.Key == -1) EXPECT_TRUE(VarIsNull(back));
        else EXPECT_TRUE(VariantValuesEqualBoolAsText(back, c.Value));
        EXPECT_EQ(String(c.Text), VarToStr([&] { Variant d; p->PrepareDisplayValue(c.Value, d, false); return d; }()));
    }
}

TEST_F(ImageComboBoxTest, WithoutDescriptionsOnlyTheCentredImageShows) {
    TqzImageComboBox* combo = Combo(2, Images(2));
    TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
    p->SetShowDescriptions(false);
    Form->Show();
    combo->SetEditValue(Variant(Integer(10)));
    Pump();
    TqzImageComboBoxViewInfo* info = Info(combo);
    EXPECT_EQ("", info->Text);
    const TRect client = info->ClientRect;
    EXPECT_EQ(client.left + ((client.right - client.left) - 16) / 2, info->ImageRect.left);
    EXPECT_EQ(16, info->ImageRect.right - info->ImageRect.left);
    EXPECT_FALSE(p->IsLookupText("Item 1"));
    EXPECT_FALSE(p->IsLookupText("item 0"));
    Variant display;
    p->PrepareDisplayValue(Variant(Integer(10)), display, false);
    EXPECT_EQ("Item 1", VarToStr(display));
    EXPECT_EQ(0x181C, p->GetSupportedOperations() & ~0x20);
    p->SetShowDescriptions(true);
    EXPECT_TRUE(p->IsLookupText("item 0"));
    EXPECT_EQ(0x40, p->GetSupportedOperations() & 0x40);
}

TEST_F(ImageComboBoxTest, DisplayValuesAreEqualByDescriptionAndWithImagesByImage) {
    struct Case {
        const char* Name;
        bool WithImages;
        Integer Value2;
        const char* Description2;
        Integer Image2;
        bool Equal;
    };
    const Case cases[] = {
        {"same description, other image, no images", false, 10, "Item 0", 3, true},
        {"same description, other image, with images", true, 10, "Item 0", 3, false},
        {"same description and image, with images", true, 10, "Item 0", 0, true},
        {"descriptions differing in case", false, 10, "ITEM 0", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TqzImageComboBox* combo = Combo(2, c.WithImages ? Images(5) : nullptr);
        TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
        p->GetItems()->GetItem(0)->SetImageIndex(0);
        p->GetItems()->GetItem(1)->SetDescription(c.Description2);
        p->GetItems()->GetItem(1)->SetImageIndex(c.Image2);
        EXPECT_EQ(c.Equal, p->AreDisplayValuesEqual(Variant(Integer(0)), Variant(Integer(c.Value2))));
        delete combo;
    }
}

TEST_F(ImageComboBoxTest, TheImageSitsLeftOrRightOfTheTextAndWithoutImagesTheTextFillsTheClient) {
    struct Case {
        TqzImageAlign Align;
        bool WithImages;
    };
    const Case cases[] = {{iaLeft, true}, {iaRight, true}, {iaLeft, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Align) * 10 + c.WithImages);
        TqzImageComboBox* combo = Combo(2, c.WithImages ? Images(2) : nullptr);
        combo->GetImageComboBoxProperties()->SetImageAlign(c.Align);
        combo->GetImageComboBoxProperties()->SetLargeImages(Images(2, 32));
        Form->Show();
        combo->SetEditValue(Variant(Integer(0)));
        Pump();
        TqzImageComboBoxViewInfo* info = Info(combo);
        const TRect client = info->ClientRect;
        const TRect text = info->TextRect;
        if (!c.WithImages) {
            EXPECT_EQ(0, info->ImageRect.right - info->ImageRect.left);
            EXPECT_EQ(client.left + 2, text.left);
            EXPECT_EQ(client.right - 2, text.right);
            EXPECT_EQ(client.top + 1, text.top);
            EXPECT_EQ(client.bottom - 1, text.bottom);
        } else if (c.Align == iaLeft) {
            EXPECT_EQ(16, info->ImageRect.right - info->ImageRect.left) << "the closed editor keeps Images";
            EXPECT_EQ(info->ImageRect.right + 2, client.left);
            EXPECT_EQ(client.left + 2, text.left);
        } else {
            EXPECT_EQ(info->ImageRect.left - 2, client.right);
            EXPECT_EQ(client.right - 2, text.right);
        }
        delete combo;
    }
}

TEST_F(ImageComboBoxTest, TheListMeasuresItemsAndItsWidthWithTheLargeImages) {
    TqzImageComboBox* combo = Combo(10, Images(10));
    TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
    p->SetLargeImages(Images(10, 32));
    p->SetDropDownRows(8);
    Form->Show();
    Pump();
    combo->SetFocus();
    combo->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(combo->HasOpenPopup());
    auto* list = dynamic_cast<TqzImageComboBoxListBox*>(combo->GetLookupData()->GetList());
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(p->GetLargeImages(), list->GetImages());
    EXPECT_EQ(34, list->MeasureItemHeight(0));
    // Rows beyond the items add nothing.
    EXPECT_EQ(8 * 34, list->GetHeightForRows(8, 10000));
    EXPECT_EQ(10 * 34, list->GetHeightForRows(12, 10000));
    // Ten items in eight rows: the width includes the vertical bar.
    const Integer withBar = list->GetPreferredWidth();
    p->SetDropDownRows(10);
    EXPECT_EQ(withBar - GetSystemMetrics(SM_CXVSCROLL), list->GetPreferredWidth());
    const TRect item{0, 0, 100, 34};
    TRect image = list->GetImageRect(item);
    EXPECT_EQ(0, image.left);
    EXPECT_EQ(36, image.right);
    p->SetImageAlign(iaRight);
    image = list->GetImageRect(item);
    EXPECT_EQ(100 - 36, image.left);
    EXPECT_EQ(100, image.right);
}

TEST_F(ImageComboBoxTest, MultiLineItemsWrapAndThePopupWidthIsLeftToTheFramework) {
    TqzImageComboBox* combo = Combo(10, Images(10));
    TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
    p->SetMultiLineText(true);
    p->GetItems()->GetItem(0)->SetDescription("a long description that wraps over several lines of the list");
    Form->Show();
    Pump();
    combo->SetFocus();
    combo->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(combo->HasOpenPopup());
    auto* list = dynamic_cast<TqzImageComboBoxListBox*>(combo->GetLookupData()->GetList());
    ASSERT_NE(nullptr, list);
    const Integer total = list->GetHeightForRows(8, 10000);
    const Integer wrapped = list->MeasureItemHeight(0);
    const Integer single = list->MeasureItemHeight(1);
    EXPECT_GT(wrapped, single);
    EXPECT_GE(single, 18);
    EXPECT_EQ(wrapped + 7 * single, total);
    // Measured in the owner's width less the frame and, with more items than rows, the bar.
    TRect extents{0, 0, 0, 0};
    combo->GetPopupWindow()->GetEditViewInfo()->GetClientExtent(extents);
    const TRect owner = combo->GetPopupOwnerBounds();
    EXPECT_EQ((owner.right - owner.left) - extents.left - extents.right - GetSystemMetrics(SM_CXVSCROLL),
              list->MeasuringWidth);
    Integer w = -1, h = -1;
    combo->GetPopupContentSize(w, h);
    EXPECT_EQ(0, w);
    // With no room to measure in, items are one line high.
    list->MeasuringWidth = 0;
    EXPECT_EQ(single, list->MeasureItemHeight(0));
}

TEST_F(ImageComboBoxTest, AListChoiceSetsTheValueAndClicksOnce) {
    TqzImageComboBox* combo = Combo(3);
    ComboLog log;
    combo->OnClick = TNotifyEvent(&log, &ComboLog::Clicked);
    Form->Show();
    Pump();
    combo->SetFocus();
    combo->SetDroppedDown(true);
    Pump();
    ASSERT_TRUE(combo->HasOpenPopup());
    TqzCustomEditListBox* list = combo->GetLookupData()->GetList();
    const Integer row = list->ItemRect(2).top + 2;
    SendMessageA(list->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, row));
    Pump();
    EXPECT_FALSE(combo->HasOpenPopup());
    EXPECT_EQ(20, combo->GetEditValue().AsInteger());
    EXPECT_EQ(1, log.Clicks);
}

TEST_F(ImageComboBoxTest, ControlCharactersAreNotInput) {
    TqzImageComboBox* combo = Combo(1);
    for (char32_t ch : {char32_t(1), char32_t(9), char32_t(13), char32_t(27), char32_t(31)})
        EXPECT_FALSE(combo->AcceptsChar(ch)) << int(ch);
    EXPECT_TRUE(combo->AcceptsChar(U'a'));
    EXPECT_TRUE(combo->AcceptsChar(U' '));
}

TEST_F(ImageComboBoxTest, AFreedImageListIsDroppedWithoutAChangeSignal) {
    TImageList* images = Images(3);
    TImageList* large = Images(3, 32);
    TqzImageComboBox* combo = Combo(2, images);
    TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
    p->SetLargeImages(large);
    ComboLog log;
    p->SetOnPropertiesChanged(TNotifyEvent(&log, &ComboLog::Changed));
    delete images;
    delete large;
    EXPECT_EQ(nullptr, p->GetImages());
    EXPECT_EQ(nullptr, p->GetLargeImages());
    EXPECT_EQ(0, log.Changes);
    // Setting one through the setter signals.
    p->SetImages(Images(1));
    EXPECT_EQ(1, log.Changes);
    p->SetImages(nullptr);
    EXPECT_EQ(2, log.Changes);
}

TEST_F(ImageComboBoxTest, PropertiesAreCopiedAndRegistered) {
    EXPECT_NE(nullptr, GetClass("TqzImageComboBox"));
    TqzImageComboBox* combo = Combo(3, Images(3));
    TqzImageComboBoxProperties copy(nullptr);
    TqzImageComboBoxProperties* p = combo->GetImageComboBoxProperties();
    p->SetDefaultDescription("d");
    p->SetMultiLineText(true);
    p->SetImageAlign(iaRight);
    copy.Assign(p);
    EXPECT_EQ(3, copy.GetItems()->GetCount());
    EXPECT_EQ("Item 2", copy.GetItems()->GetItem(2)->GetDescription());
    EXPECT_EQ(p->GetImages(), copy.GetImages());
    EXPECT_EQ("d", copy.GetDefaultDescription());
    EXPECT_TRUE(copy.GetMultiLineText());
    EXPECT_EQ(iaRight, copy.GetImageAlign());
    EXPECT_EQ(lsFixedList, copy.GetDropDownListStyle());
    copy.SetImages(nullptr);
}

} // namespace

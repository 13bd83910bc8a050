#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Menus.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrClass.h"
#include "report/pvrDsgnIntf.h"
#include "tests/support/TestSupport.h"

TEST(pvrRegistries, AnObjectClassIsRegisteredOncePerFlags) {
    TpvrObjectCollection objects;
    objects.RegisterObject(TpvrMasterData::StaticClass(), nullptr, 3, 0, "hint", "Bands");
    objects.RegisterObject(TpvrMasterData::StaticClass(), nullptr, 3, 0, "again", "Bands");
    EXPECT_EQ(objects.GetCount(), 1);
    objects.RegisterObject(TpvrMasterData::StaticClass(), nullptr, 4, 1, "other", "Bands");
    ASSERT_EQ(objects.GetCount(), 2);
    EXPECT_EQ(objects.Items(1)->ButtonImageIndex, 4);
    EXPECT_EQ(objects.Items(0)->ButtonHint, "hint");
    EXPECT_EQ(GetClass("TpvrMasterData"), TpvrMasterData::StaticClass());
    EXPECT_EQ(pvrExportFilters()->GetCount(), 0);
    EXPECT_EQ(pvrPropertyEditors()->GetCount(), 11);
}

TEST(pvrPropertyEditors, ValuesCycleAndConvert) {
    TFont font;
    TpvrColorProperty color(nullptr);
    color.Add(&font, GetPropInfo(&font, "Color"));
    std::vector<String> names;
    GetColorValues([&](const String& name) { names.push_back(name); });
    ASSERT_GE(names.size(), 2u);
    font.SetColor(StringToColor(names.back()));
    EXPECT_TRUE(color.EditValue());
    EXPECT_EQ(color.ValueText(), names.front());
    EXPECT_TRUE(color.EditValue());
    EXPECT_EQ(color.ValueText(), names[1]);
    color.ApplyValueText("255");
    EXPECT_EQ(font.GetColor(), TColor(255));
    EXPECT_EQ(color.Attributes(), 73);
    EXPECT_EQ(color.PropertyName(), "Color");

    TpvrFontCharsetProperty charset(nullptr);
    charset.Add(&font, GetPropInfo(&font, "Charset"));
    charset.ApplyValueText("gb2312_charset");
    EXPECT_EQ(font.GetCharset(), 134);
    EXPECT_EQ(charset.ValueText(), "GB2312_CHARSET");
    charset.ApplyValueText("3");
    EXPECT_EQ(charset.ValueText(), "3");

    TpvrReportOptions options;
    TpvrDateTimeProperty date(nullptr);
    date.Add(&options, GetPropInfo(&options, "CreateDate"));
    options.CreateDate = 0;
    EXPECT_EQ(date.ValueText(), "");
    date.ApplyValueText("");
    EXPECT_EQ(options.CreateDate, 0);
    TpvrDateProperty day(nullptr);
    day.Add(&options, GetPropInfo(&options, "CreateDate"));
    EXPECT_EQ(day.ValueText(), "");
    EXPECT_FALSE(date.EditValue()); // no value list
}

TEST(pvrPropertyEditors, ModalResultNames) {
    TpvrPrintOptions print;
    TpvrModalResultProperty editor(nullptr);
    editor.Add(&print, GetPropInfo(&print, "Copies"));
    struct Case {
        const char* text;
        Integer value;
        const char* shown;
    };
    for (const Case& c : std::vector<Case>{
             {"mrok", 1, "mrOk"}, {"mrYesToAll", 10, "mrYesToAll"}, {"", 0, "mrNone"}, {"42", 42, "42"}}) {
        editor.ApplyValueText(c.text);
        EXPECT_EQ(print.Copies, c.value) << c.text;
        EXPECT_EQ(editor.ValueText(), c.shown) << c.text;
    }
    editor.FillValueList();
    EXPECT_EQ(editor.Values()->GetCount(), 11);
}

TEST(pvrPropertyEditors, ShortCutsByText) {
    TMenuItem item(nullptr);
    TpvrShortCutProperty editor(nullptr);
    editor.Add(&item, GetPropInfo(&item, "ShortCut"));
    EXPECT_EQ(editor.Attributes(), 9);
    EXPECT_EQ(editor.ValueText(), "(None)");
    editor.FillValueList();
    ASSERT_EQ(editor.Values()->GetCount(), 109);
    EXPECT_EQ(editor.Values()->GetStrings(0), "(None)");
    EXPECT_EQ(editor.Values()->GetStrings(1), ShortCutToText(ShortCut('A', TShiftState{ssCtrl})));
    EXPECT_EQ(editor.Values()->GetStrings(108),
              ShortCutToText(ShortCut(VK_BACK, TShiftState{ssShift, ssAlt})));

    editor.ApplyValueText(ShortCutToText(ShortCut(VK_F5, TShiftState{ssCtrl})));
    EXPECT_EQ(item.GetShortCut(), ShortCut(VK_F5, TShiftState{ssCtrl}));
    editor.ApplyValueText("(none)");
    EXPECT_EQ(item.GetShortCut(), 0);
    // From the last stock shortcut the value list starts over at "(None)".
    editor.ApplyValueText(editor.Values()->GetStrings(108));
    EXPECT_TRUE(editor.EditValue());
    EXPECT_EQ(item.GetShortCut(), 0);
    EXPECT_TRUE(editor.EditValue());
    EXPECT_EQ(item.GetShortCut(), ShortCut('A', TShiftState{ssCtrl}));
}

TEST(pvrPropertyEditors, FontsThroughTheFontDialog) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    auto* page = new TpvrReportPage(report.get());
    auto* first = new TpvrMasterData(page);
    auto* second = new TpvrPageHeader(page);
    first->SetParentFont(false);
    second->SetParentFont(false);
    TpvrFontProperty editor(nullptr);
    editor.Add(first, GetPropInfo(first, "Font"));
    editor.Add(second, GetPropInfo(second, "Font"));
    EXPECT_EQ(editor.Attributes(), 60);
    EXPECT_EQ(editor.ValueText(), "(TFont)");

    TScopedDialogScript dialogs;
    TFontChoice choice;
    choice.Name = "Courier New";
    choice.Size = 14;
    dialogs.ChooseFont(choice);
    EXPECT_TRUE(editor.EditValue());
    EXPECT_EQ(first->GetFont()->GetName(), "Courier New");
    EXPECT_EQ(second->GetFont()->GetSize(), 14);
    dialogs.Cancel();
    first->GetFont()->SetSize(9);
    EXPECT_FALSE(editor.EditValue());
    EXPECT_EQ(first->GetFont()->GetSize(), 9);
    EXPECT_EQ(dialogs.Shown(), (std::vector<String>{"font", "font"}));
    EXPECT_TRUE(dialogs.Errors().empty());
}

TEST(pvrPropertyEditors, ListItemsAndValuesAreDrawnAfterTheExtraWidth) {
    TBitmap bitmap;
    bitmap.SetSize(120, 20);
    TCanvas* canvas = bitmap.GetCanvas();
    TFont font;
    font.SetColor(clRed);
    TpvrColorProperty color(nullptr);
    color.Add(&font, GetPropInfo(&font, "Color"));
    color.FillValueList();
    const Integer red = color.Values()->IndexOf(ColorToString(clRed));
    ASSERT_GE(red, 0);
    EXPECT_EQ(color.ExtraListWidth(), color.ExtraWidth + 2);

    // The item: the rectangle filled with the brush, a swatch of the item's colour at the left.
    canvas->GetBrush()->SetColor(clWhite);
    canvas->GetFont()->SetColor(clBlack);
    color.DrawListItem(canvas, red, TRect{0, 0, 120, 20});
    EXPECT_EQ(canvas->GetPixels(7, 10), clRed);
    EXPECT_EQ(canvas->GetPixels(2, 10), clBlack); // the swatch's frame
    EXPECT_EQ(canvas->GetPixels(118, 18), clWhite);
    // The value: the same swatch with the current colour.
    font.SetColor(clLime);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(TRect{0, 0, 120, 20});
    color.DrawValue(canvas, TRect{0, 0, 120, 20});
    EXPECT_EQ(canvas->GetPixels(7, 10), clLime);

    // Plain editors write their text only: nothing before the extra width.
    TpvrModalResultProperty plain(nullptr);
    TpvrPrintOptions print;
    plain.Add(&print, GetPropInfo(&print, "Copies"));
    plain.ExtraWidth = 30;
    plain.FillValueList();
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(TRect{0, 0, 120, 20});
    plain.DrawListItem(canvas, 1, TRect{0, 0, 120, 20});
    bool inked = false;
    for (Integer x = 0; x < 120; ++x)
        for (Integer y = 0; y < 20; ++y)
            if (canvas->GetPixels(x, y) != clWhite) {
                EXPECT_GE(x, 34) << "ink before the text's place";
                inked = true;
            }
    EXPECT_TRUE(inked);
}

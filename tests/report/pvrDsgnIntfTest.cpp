#include <gtest/gtest.h>

#include <vector>

#include "platform/classlib/Graphics.h"
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
    EXPECT_EQ(pvrPropertyEditors()->GetCount(), 7);
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

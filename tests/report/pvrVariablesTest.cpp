#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/ObjectText.h"
#include "report/pvrClass.h"
#include "report/pvrVariables.h"
#include "tests/support/FormFixture.h"

namespace {
using pvrVariablesTest = testsupport::TFormFixture;
} // namespace

TEST(pvrVariables, NamesIgnoreCaseAndWritingAMissingVariableAddsIt) {
    TpvrVariables variables;
    EXPECT_TRUE(VarIsNull(variables.GetVariables("Total")));
    EXPECT_EQ(variables.GetCount(), 0);
    variables.SetVariables("Total", Variant(12));
    EXPECT_EQ(variables.GetVariables("TOTAL").AsInteger(), 12);
    variables.SetVariables("total", Variant("2+3"));
    EXPECT_EQ(variables.GetCount(), 1);
    EXPECT_EQ(variables.GetVariables("Total").AsString(), "2+3");
    EXPECT_EQ(variables.Items(0)->GetName(), "Total");
    EXPECT_EQ(variables.IndexOf("none"), -1);

    TpvrVariable* copy = variables.Add();
    copy->Assign(variables.Items(0));
    EXPECT_EQ(copy->GetName(), "Total");
    EXPECT_EQ(copy->GetValue().AsString(), "2+3");
}

TEST(pvrStyles, NamesAreUniqueAndCopiesTakeEverySetting) {
    TpvrStyles styles(nullptr);
    TpvrStyleItem* title = styles.Add();
    title->SetName("Title");
    TpvrStyleItem* body = styles.Add();
    body->SetName("Body");
    try {
        body->SetName("TITLE");
        ADD_FAILURE() << "a second style named Title";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Duplicate name");
    }
    EXPECT_EQ(body->GetName(), "Body");
    body->SetName("BODY");
    EXPECT_EQ(body->GetName(), "BODY");
    EXPECT_EQ(styles.Find("body"), body);
    EXPECT_EQ(styles.Find("none"), nullptr);

    EXPECT_EQ(title->Color, clTransparent);
    EXPECT_EQ(title->GetFont()->GetName(), "Arial");
    EXPECT_EQ(title->GetFrame()->Width, 1);
    title->Color = TColor(0xFF);
    title->GetFont()->SetSize(14);
    title->GetFrame()->Typ = TpvrFrameTypes{ftTop, ftBottom};
    title->GetFrame()->Style = fsDouble;
    title->GetFrame()->ShadowWidth = 2;
    TpvrStyles other(nullptr);
    TpvrStyleItem* copy = other.Add();
    copy->Assign(title);
    EXPECT_EQ(copy->GetName(), "Title");
    EXPECT_EQ(copy->Color, TColor(0xFF));
    EXPECT_EQ(copy->GetFont()->GetSize(), 14);
    EXPECT_EQ(copy->GetFrame()->Typ, (TpvrFrameTypes{ftTop, ftBottom}));
    EXPECT_EQ(copy->GetFrame()->Style, fsDouble);
    EXPECT_EQ(copy->GetFrame()->ShadowWidth, 2);
}

TEST_F(pvrVariablesTest, VariablesAndStylesAreStoredWithTheReport) {
    std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
    auto* report = new TpvrReport(module.get());
    report->SetName("pvrReport");
    report->GetVariables()->SetVariables("Total", Variant(5));
    report->GetVariables()->SetVariables("Caption", Variant("报表"));
    TpvrStyleItem* style = report->GetStyles()->Add();
    style->SetName("Header");
    style->GetFrame()->Typ = TpvrFrameTypes{ftLeft};
    style->GetFrame()->Width = 2;
    const String text = WriteComponentText(module.get());
    EXPECT_NE(text.find("Variables = <"), String::npos);
    EXPECT_NE(text.find("Style = <"), String::npos);

    std::unique_ptr<TDataModule> again(new TDataModule(nullptr, TCreateNew{}));
    ReadComponentText(text, again.get());
    auto* copy = dynamic_cast<TpvrReport*>(again->FindComponent("pvrReport"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetVariables()->GetVariables("total").AsInteger(), 5);
    EXPECT_EQ(copy->GetVariables()->GetVariables("Caption").AsString(), "报表");
    ASSERT_EQ(copy->GetStyles()->GetCount(), 1);
    EXPECT_EQ(copy->GetStyles()->Items(0)->GetFrame()->Typ, (TpvrFrameTypes{ftLeft}));
    EXPECT_EQ(copy->GetStyles()->Items(0)->GetFrame()->Width, 2);
    EXPECT_EQ(WriteComponentText(again.get()), text);

    copy->Clear();
    EXPECT_EQ(copy->GetVariables()->GetCount(), 0);
    EXPECT_EQ(copy->GetStyles()->GetCount(), 0);
}

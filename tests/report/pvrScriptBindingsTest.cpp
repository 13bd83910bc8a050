// The binding modules a report's script receives from the engine's start-up.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "report/pvrClass.h"
#include "script/kq_iinterpreter.h"
#include "tests/support/FormFixture.h"

namespace {

using pvrScriptBindingsTest = testsupport::TFormFixture;

TEST_F(pvrScriptBindingsTest, AReportScriptKnowsTheNamesOfEveryModuleInOrder) {
    std::unique_ptr<TpvrReport> report(new TpvrReport(nullptr));
    TkqScript* script = report->GetScript();
    for (const char* name : {"IntToStr", "TStringList", "TkqXMLDocument", "clBtnFace", "TBitmap", "TForm",
                             "mrOk", "VK_F2", "Application", "TOpenDialog", "MessageDlg", "InputQuery"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(script->Find(name), nullptr);
    }

    // The modules in the order the scripts get them: each one's ancestors are registered before it,
    // and the dialogs come last.
    std::vector<String> order;
    TkqScript scratch(nullptr);
    for (TkqRTTIModuleClass make : GetRTTIModuleClasses()) {
        std::unique_ptr<TkqRTTIModule> module(make(&scratch));
        order.push_back(module->ClassName());
    }
    const std::vector<String> expected = {"TkqSysRTTIFunctions", "TkqClassesRTTIFunctions",
                                          "TkqGraphicsRTTIFunctions", "TkqFormsRTTIFunctions"};
    ASSERT_GE(order.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<String>(order.begin(), order.begin() + 4), expected);
    EXPECT_EQ(order.back(), "TkqDialogsRTTIFunctions");
}

} // namespace

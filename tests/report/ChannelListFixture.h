// The print data module (report/PrintData.form) as the report tests use it: its record set
// "myAdo" filled with channel records in groups, its report "pvrReport" and the printed channel
// list (report/ChannelList.xml), on the manual clock at 2026-03-04 05:06:07 local time.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace reporttest {

// What the "BValue" of the records holds.
enum class TChannelValues {
    // "off", except every seventh record (the 3rd, 10th, ...) whose long description wraps onto
    // a second line.
    SomeWrap,
    // "off" in every record: every record is one line high.
    OneLine,
};

// Base is the fixture below it: testsupport::TFormFixture, or one derived from it that sets up
// more (a printer backend) around the form.
template <class Base = testsupport::TFormFixture> class TChannelListFixture : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        RegisterSysRTTI();
        ClockSetLocalMicros(Int64(1772600767) * 1000000);
        Module.reset(new TDataModule(nullptr, TCreateNew{}));
        ReadComponentText(testsupport::ReadFileBytes(testsupport::FixturePath("report/PrintData.form")),
                          Module.get());
        Ado = dynamic_cast<TMemDataSet*>(Module->FindComponent("myAdo"));
        Report = dynamic_cast<TpvrReport*>(Module->FindComponent("pvrReport"));
        ASSERT_TRUE(Ado && Report);
    }
    void TearDown() override {
        Module.reset();
        Base::TearDown();
    }

    // Records numbered from 1 in groups of the given sizes: group g (from 1) is TypeID g, "Type g";
    // record n is "Channel n" with the value n * 125 and "Tone" as its second field. The record set
    // is left on its first record.
    void Fill(const std::vector<Integer>& groups, TChannelValues values = TChannelValues::SomeWrap) {
        Ado->CreateDataSet();
        Integer n = 0;
        for (std::size_t g = 0; g < groups.size(); ++g)
            for (Integer i = 0; i < groups[g]; ++i) {
                ++n;
                const bool wraps = values == TChannelValues::SomeWrap && n % 7 == 3;
                Ado->Append();
                Ado->FieldByName("TypeID")->SetAsVariant(Variant(Integer(g + 1)));
                Ado->FieldByName("TypeName")
                    ->SetAsVariant(Variant(String("Type ") + IntToStr(Integer(g + 1))));
                Ado->FieldByName("AField")->SetAsVariant(Variant(String("Channel ") + IntToStr(n)));
                Ado->FieldByName("AValue")->SetAsVariant(Variant(IntToStr(n * 125)));
                Ado->FieldByName("BField")->SetAsVariant(Variant(String("Tone")));
                Ado->FieldByName("BValue")->SetAsVariant(Variant(
                    wraps ? String("a long description that wraps onto a second line") : String("off")));
                Ado->Post();
            }
        Ado->First();
    }

    // Loads a report definition from the fixtures into the report, which then runs silently.
    ::testing::AssertionResult LoadReport(const char* fixture = "report/ChannelList.xml") {
        if (!Report->LoadFromFile(testsupport::FixturePath(fixture)))
            return ::testing::AssertionFailure() << "the report " << fixture << " does not load";
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        return ::testing::AssertionSuccess();
    }

    TpvrPreviewPages* Store() { return dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages()); }

    std::unique_ptr<TDataModule> Module;
    TMemDataSet* Ado = nullptr;
    TpvrReport* Report = nullptr;
};

} // namespace reporttest

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrDBSet.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_isysrtti.h"
#include "tests/report/ChannelListFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

// The printed channel list: the print data module with the report definition of
// report/ChannelList.xml, records in three groups of 1, 40 and 75, some with a long value that
// wraps.
class pvrEngineFixtureTest : public reporttest::TChannelListFixture<> {
protected:
    void SetUp() override {
        TChannelListFixture::SetUp();
        if (HasFatalFailure()) return;
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
    }
};

// Every band of a prepared page as "alias t h" with the attributes of its element, and the
// memo texts of the built page.
struct TPageDump {
    std::vector<String> Bands;
    std::vector<String> Texts;
};

TPageDump Dump(TpvrPreviewPages* store, Integer index) {
    TPageDump dump;
    TpvrReportPage* page = store->GetPage(index);
    for (TpvrComponent* object : page->GetObjects()) {
        if (!object->InheritsFrom(TpvrBand::StaticClass())) continue;
        dump.Bands.push_back(object->GetName() + " " + FormatFloat("0.######", object->GetTop()) + " " +
                             FormatFloat("0.######", object->GetHeight()));
        for (TpvrComponent* view : object->GetObjects())
            if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(view))
                if (memo->GetName() != "Caption1" && memo->GetName().rfind("Row", 0) != 0)
                    dump.Texts.push_back(Trim(WideToString(memo->GetMemo()->GetText())));
    }
    return dump;
}

TEST_F(pvrEngineFixtureTest, TheChannelListPreparesIntoItsGoldenPages) {
    Fill({1, 40, 75});
    ASSERT_TRUE(LoadReport());
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    TpvrPreviewPages* store = Store();
    const Integer count = store->GetCount();
    ASSERT_EQ(count, 6);
    std::vector<TPageDump> pages;
    for (Integer i = 0; i < count; ++i)
        pages.push_back(Dump(store, i));

    // The page header opens every page at 0; the footer closes it at the bottom.
    for (Integer i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pages[size_t(i)].Bands.front(), "PageHeader1 0 139.84261");
        EXPECT_EQ(pages[size_t(i)].Bands.back(), "PageFooter1 987.969142 22.67718");
        EXPECT_EQ(pages[size_t(i)].Texts.back(), IntToStr(i + 1));
        EXPECT_EQ(pages[size_t(i)].Texts[size_t(pages[size_t(i)].Texts.size()) - 2],
                  "Page " + IntToStr(i + 1) + " of [TotalPages#]");
        EXPECT_EQ(pages[size_t(i)].Texts[0], DateToStr(EncodeDate(2026, 3, 4)));
        EXPECT_EQ(pages[size_t(i)].Texts[1], TimeToStr(EncodeTime(5, 6, 7, 0)));
    }
    // The group header only where its group starts, each group on a new page.
    const std::vector<std::vector<String>> groupStarts = {{"GroupHeader1 139.84261 22.67718"},
                                                          {"GroupHeader1 139.84261 22.67718"},
                                                          {},
                                                          {"GroupHeader1 139.84261 22.67718"},
                                                          {},
                                                          {}};
    for (Integer i = 0; i < count; ++i) {
        std::vector<String> headers;
        for (const String& band : pages[size_t(i)].Bands)
            if (band.rfind("GroupHeader1", 0) == 0) headers.push_back(band);
        EXPECT_EQ(headers, groupStarts[size_t(i)]) << i;
    }
    // The totals of each group on the page that ends it.
    auto has = [&](Integer page, const String& text) {
        const auto& texts = pages[size_t(page)].Texts;
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    EXPECT_TRUE(has(0, "Sum 1 of 1 records"));
    EXPECT_TRUE(has(2, "Sum 80 of 40 records"));
    EXPECT_TRUE(has(5, "Sum 225 of 75 records"));
    // Records follow each other; a wrapped value makes its record taller, a record that does not
    // fit opens the next page right under the header.
    for (Integer i = 0; i < count; ++i) {
        Extended expectedTop = -1;
        for (const String& band : pages[size_t(i)].Bands) {
            std::vector<String> parts;
            for (std::size_t from = 0; from <= band.size();) {
                const std::size_t blank = std::min(band.find(' ', from), band.size());
                parts.push_back(band.substr(from, blank - from));
                from = blank + 1;
            }
            if (parts[0] != "MasterData1") {
                expectedTop = -1;
                if (parts[0] != "PageFooter1") expectedTop = StrToFloat(parts[1]) + StrToFloat(parts[2]);
                continue;
            }
            if (expectedTop >= 0) {
                EXPECT_NEAR(double(StrToFloat(parts[1])), double(expectedTop), 1e-4) << band;
            }
            expectedTop = StrToFloat(parts[1]) + StrToFloat(parts[2]);
            EXPECT_LE(double(expectedTop), 987.969142 + 1e-4) << band;
        }
    }
    std::vector<String> heights;
    for (const String& band : pages[0].Bands)
        if (band.rfind("MasterData1", 0) == 0) heights.push_back(band.substr(band.rfind(' ') + 1));
    EXPECT_EQ(heights, (std::vector<String>{"26.45671"}));
    std::vector<String> tall;
    for (const String& band : pages[1].Bands)
        if (band.rfind("MasterData1", 0) == 0 && band.substr(band.rfind(' ') + 1) != "26.45671")
            tall.push_back(band);
    EXPECT_FALSE(tall.empty());
}

// A record whose value wraps is as tall as its memo needs: the memo's height is what it measures
// for its text, and the stretched band ends at the memo's bottom.
TEST_F(pvrEngineFixtureTest, AStretchedRecordTakesTheHeightItsWrappedMemoNeeds) {
    Fill({1, 40, 75});
    ASSERT_TRUE(LoadReport());
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    Integer wrapped = 0;
    for (Integer i = 0; i < Store()->GetCount(); ++i) {
        TpvrReportPage* page = Store()->GetPage(i);
        for (TpvrComponent* band : page->GetObjects()) {
            if (band->GetName() != "MasterData1") continue;
            auto* memo = dynamic_cast<TpvrCustomMemoView*>(band->FindObject("BValue1"));
            ASSERT_NE(memo, nullptr);
            const Extended needed = memo->CalcHeight();
            EXPECT_NEAR(double(memo->GetHeight()), double(std::max<Extended>(needed, 26.45671)), 1e-4);
            EXPECT_NEAR(double(band->GetHeight()), double(memo->GetTop() + memo->GetHeight()), 1e-4);
            if (memo->GetHeight() > 26.45671 + 1e-4) ++wrapped;
        }
    }
    // Every seventh record of 116 has the long value.
    EXPECT_EQ(wrapped, 17);
}

TEST_F(pvrEngineFixtureTest, ThePagesDrawIntoImages) {
    Fill({1, 40, 75});
    ASSERT_TRUE(LoadReport());
    ASSERT_TRUE(Report->PrepareReport());
    TpvrPreviewPages* store = Store();
    for (Integer i = 0; i < store->GetCount(); ++i) {
        const TPoint size = store->GetPageSize(i);
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetWidth(size.x);
        bitmap.SetHeight(size.y);
        bitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
        bitmap.GetCanvas()->FillRect(TRect{0, 0, size.x, size.y});
        store->DrawPage(i, bitmap.GetCanvas(), 1, 1, 0, 0);
        std::vector<std::uint32_t> pixels(size_t(size.x) * size_t(size.y));
        Integer inked = 0;
        for (Integer y = 0; y < size.y; ++y) {
            const auto* row = static_cast<const std::uint32_t*>(bitmap.GetScanLine(y));
            for (Integer x = 0; x < size.x; ++x) {
                const std::uint32_t rgb = row[x] & 0xFFFFFF;
                pixels[size_t(y) * size_t(size.x) + size_t(x)] = rgb;
                if (rgb != 0xFFFFFF) ++inked;
            }
        }
        testsupport::WritePng(
            testsupport::ArtifactPath("report-channel-list-page" + std::to_string(i + 1) + ".png"), size.x,
            size.y, pixels);
        EXPECT_GT(inked, 1000) << i;
    }
}

} // namespace

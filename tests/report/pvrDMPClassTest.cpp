// The dot-matrix objects on their character grid: snapping, font styles, attributes against a
// source object, the page's paper, bands on such a page, stretching with a bottom frame line, the
// object registry, and a small dot-matrix report drawn into an image.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrClass.h"
#include "report/pvrDMPClass.h"
#include "report/pvrDsgnIntf.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_xml.h"
#include "tests/support/FormFixture.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

class pvrDMPClassTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Report->GetEngineOptions()->ReloadAfterRun = false;
        Page = new TpvrDMPPage(Report.get());
        Page->SetName("Page1");
        Band = new TpvrMasterData(Page);
        Band->SetName("MasterData1");
    }
    void TearDown() override {
        Report.reset();
        TFormFixture::TearDown();
    }
    TpvrPreviewPages* Store() { return dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages()); }

    std::unique_ptr<TpvrReport> Report;
    TpvrDMPPage* Page = nullptr;
    TpvrMasterData* Band = nullptr;
};

// Positions and sizes as set, on the grid of 9.6 by 17 pixels.
TEST_F(pvrDMPClassTest, ObjectsSnapToTheCharacterGridAsTheyAreSet) {
    auto* memo = new TpvrDMPMemoView(Band);
    auto* line = new TpvrDMPLineView(Band);
    auto* command = new TpvrDMPCommand(Band);
    struct TCase {
        const char* What;
        TpvrComponent* Object;
        TpvrAlign Align;
        void (TpvrComponent::*Set)(Extended);
        Extended (TpvrComponent::*Get)() const;
        Extended Value;
        Extended Expected;
    };
    using C = TpvrComponent;
    const TCase cases[] = {
        {"memo left", memo, baNone, &C::SetLeft, &C::GetLeft, 100, 96},
        {"memo left rounds up", memo, baNone, &C::SetLeft, &C::GetLeft, 101, 105.6},
        {"memo left aligned right truncates", memo, baRight, &C::SetLeft, &C::GetLeft, 105, 96},
        {"memo top", memo, baNone, &C::SetTop, &C::GetTop, 30, 34},
        {"memo width", memo, baNone, &C::SetWidth, &C::GetWidth, 100, 96},
        {"memo height", memo, baNone, &C::SetHeight, &C::GetHeight, 40, 34},
        {"line left", line, baNone, &C::SetLeft, &C::GetLeft, 100, 100.8},
        {"line left aligned right", line, baRight, &C::SetLeft, &C::GetLeft, 101, 100.8},
        {"line left negative", line, baNone, &C::SetLeft, &C::GetLeft, -20, -24},
        {"line top", line, baNone, &C::SetTop, &C::GetTop, 30, 25.5},
        {"line width", line, baNone, &C::SetWidth, &C::GetWidth, 100, 96},
        {"line width aligned to width truncates", line, baWidth, &C::SetWidth, &C::GetWidth, 105, 96},
        {"command left", command, baNone, &C::SetLeft, &C::GetLeft, 100, 96},
        {"command top", command, baNone, &C::SetTop, &C::GetTop, 30, 34},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        static_cast<TpvrView*>(c.Object)->Align = c.Align;
        (c.Object->*c.Set)(c.Value);
        EXPECT_NEAR(double((c.Object->*c.Get)()), double(c.Expected), 1e-9);
        // Setting a value on the grid keeps it.
        (c.Object->*c.Set)((c.Object->*c.Get)());
        EXPECT_NEAR(double((c.Object->*c.Get)()), double(c.Expected), 1e-9);
    }
}

TEST_F(pvrDMPClassTest, AMemoUsesTheFixedFontWithItsScreenStylesAndMeasuresInWholeCells) {
    auto* memo = new TpvrDMPMemoView(Band);
    EXPECT_EQ(memo->GetFont()->GetName(), "Courier New");
    EXPECT_EQ(memo->GetFont()->GetSize(), 12);
    EXPECT_EQ(memo->GapX, 0);
    EXPECT_EQ(memo->LineSpacing, 1);
    memo->SetFontStyle(TpvrDMPFontStyles{fsxBold, fsxCondensed, fsx12cpi});
    EXPECT_FALSE(memo->GetParentFont());
    EXPECT_EQ(memo->GetFont()->GetStyle(), TFontStyles{fsBold});
    EXPECT_EQ(memo->GetFont()->GetName(), "Courier New");

    memo->SetBounds(0, 0, 96, 17);
    memo->GetMemo()->SetText(u"first line\r\nsecond line\r\nthird");
    const Extended height = memo->CalcHeight();
    const Extended width = memo->CalcWidth();
    EXPECT_GE(height, 3 * 17);
    EXPECT_NEAR(double(height / 17), std::round(double(height / 17)), 1e-9);
    EXPECT_GT(width, 0);
    EXPECT_NEAR(double(width / 9.6L), std::round(double(width / 9.6L)), 1e-9);
}

// Objects following their parent's font take the page's styles; one with its own styles keeps them.
TEST_F(pvrDMPClassTest, APagesFontStyleReachesItsParentFontObjects) {
    auto* following = new TpvrDMPMemoView(Band);
    auto* own = new TpvrDMPMemoView(Band);
    auto* line = new TpvrDMPLineView(Band);
    following->SetParentFont(true);
    line->SetParentFont(true);
    own->SetFontStyle(TpvrDMPFontStyles{fsxItalic});

    Page->SetFontStyle(TpvrDMPFontStyles{fsxBold, fsxUnderline, fsxWide});
    EXPECT_EQ(following->GetFontStyle(), (TpvrDMPFontStyles{fsxBold, fsxUnderline, fsxWide}));
    EXPECT_TRUE(following->GetParentFont());
    EXPECT_EQ(following->GetFont()->GetStyle(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(line->GetFontStyle(), (TpvrDMPFontStyles{fsxBold, fsxUnderline, fsxWide}));
    EXPECT_EQ(own->GetFontStyle(), TpvrDMPFontStyles{fsxItalic});
    EXPECT_EQ(Page->GetFont()->GetStyle(), (TFontStyles{fsBold, fsUnderline}));

    // A memo switched to the parent's font takes the page's styles at once.
    own->SetParentFont(true);
    EXPECT_EQ(own->GetFontStyle(), (TpvrDMPFontStyles{fsxBold, fsxUnderline, fsxWide}));
    EXPECT_TRUE(own->IsFontStyleStored() == false);
}

// The attributes a prepared page stores for a copy that differs from its source object.
TEST_F(pvrDMPClassTest, DifferingCommandsAndStylesAreWrittenAsAttributes) {
    auto* command = new TpvrDMPCommand(Band);
    auto* source = new TpvrDMPCommand(Band);
    command->Command = String("\x1b") + "E<bold>\"";
    source->Command = String("\x1b") + "F";
    const String attributes = command->DiffAttributes(source);
    EXPECT_NE(attributes.find(" Command=\"" + EscapeXMLText(command->Command) + "\""), String::npos)
        << attributes;
    EXPECT_EQ(EscapeXMLText(command->Command).find('"'), String::npos);
    source->Command = command->Command;
    EXPECT_EQ(command->DiffAttributes(source).find("Command="), String::npos);

    auto* memo = new TpvrDMPMemoView(Band);
    auto* memoSource = new TpvrDMPMemoView(Band);
    memo->SetFontStyle(TpvrDMPFontStyles{fsxBold, fsx15cpi});
    EXPECT_NE(memo->DiffAttributes(memoSource).find(" FontStyle=\"257\""), String::npos);
    memoSource->SetFontStyle(memo->GetFontStyle());
    EXPECT_EQ(memo->DiffAttributes(memoSource).find("FontStyle="), String::npos);
}

TEST_F(pvrDMPClassTest, APagesPaperIsCutToWholeCellsAndLines) {
    const Extended cell = 9.6L / pvrMillimetre;
    const Extended line = 17 / pvrMillimetre;
    auto onGrid = [](Extended value, Extended unit) {
        return std::fabs(double(value / unit) - std::round(double(value / unit))) < 1e-6;
    };
    EXPECT_TRUE(onGrid(Page->GetPaperWidth(), cell) && onGrid(Page->GetPaperHeight(), line));

    // The current printer's paper as an ordinary page takes it, cut down to whole cells and lines,
    // and margins of one cell and one line.
    TpvrReportPage plain(nullptr);
    plain.SetDefaults();
    Page->SetDefaults();
    EXPECT_NEAR(double(Page->GetPaperWidth()),
                std::floor(double(plain.GetPaperWidth() / cell)) * double(cell), 1e-6);
    EXPECT_NEAR(double(Page->GetPaperHeight()),
                std::floor(double(plain.GetPaperHeight() / line)) * double(line), 1e-6);
    EXPECT_LE(Page->GetPaperWidth(), plain.GetPaperWidth());
    EXPECT_NEAR(double(Page->LeftMargin), double(cell), 1e-9);
    EXPECT_NEAR(double(Page->BottomMargin), double(line), 1e-9);
    EXPECT_EQ(Page->GetPaperSize(), plain.GetPaperSize());

    Page->SetPaperWidth(215.9);  // letter, 85 cells
    Page->SetPaperHeight(279.4); // 62.1 lines: 62
    EXPECT_NEAR(double(Page->GetPaperWidth()), double(85 * cell), 1e-9);
    EXPECT_NEAR(double(Page->GetPaperHeight()), double(62 * line), 1e-9);
    EXPECT_EQ(Page->GetPaperSize(), 256);
}

TEST_F(pvrDMPClassTest, BandsOnADotMatrixPageStandOnTheGrid) {
    Band->SetTop(30);
    Band->SetLeft(10);
    Band->SetHeight(20);
    EXPECT_NEAR(double(Band->GetTop()), 34.0, 1e-9);
    EXPECT_NEAR(double(Band->GetLeft()), 9.6, 1e-9);
    EXPECT_NEAR(double(Band->GetHeight()), 17.0, 1e-9);
    // On an ordinary page the band keeps what it is given.
    auto* plain = new TpvrMasterData(new TpvrReportPage(Report.get()));
    plain->SetTop(30);
    EXPECT_EQ(plain->GetTop(), 30);
}

TEST_F(pvrDMPClassTest, TheThreeObjectsAreInTheObjectRegistryAndThePageIsKnownByName) {
    const struct {
        TClass Class;
        Integer Index;
    } expected[] = {{TpvrDMPMemoView::StaticClass(), 2},
                    {TpvrDMPLineView::StaticClass(), 5},
                    {TpvrDMPCommand::StaticClass(), 53}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Class->ClassName());
        Integer found = 0;
        for (Integer i = 0; i < pvrObjects()->GetCount(); ++i)
            if (pvrObjects()->Items(i)->ClassRef == e.Class) {
                ++found;
                EXPECT_EQ(pvrObjects()->Items(i)->ButtonImageIndex, e.Index);
            }
        EXPECT_EQ(found, 1);
        EXPECT_EQ(GetClass(e.Class->ClassName()), e.Class);
    }
    EXPECT_EQ(GetClass("TpvrDMPPage"), TpvrDMPPage::StaticClass());
}

// A stretched band whose lowest object is a text with a bottom frame line gets a line more, and a
// text stretched to the band's bottom leaves that line free.
TEST_F(pvrDMPClassTest, ABottomFrameLineAddsALineToAStretchedBand) {
    Band->SetRowCount(1);
    Band->Stretched = true;
    Band->SetTop(0);
    Band->SetHeight(17);
    auto* memo = new TpvrDMPMemoView(Band);
    memo->SetName("Text1");
    memo->SetBounds(0, 0, 192, 17);
    memo->StretchMode = smActualHeight;
    memo->GetMemo()->SetText(u"one\r\ntwo");
    auto* side = new TpvrDMPMemoView(Band);
    side->SetName("Side1");
    side->SetBounds(288, 0, 96, 17);
    side->StretchMode = smMaxHeight;
    side->GetFrame()->Typ = TpvrFrameTypes{ftBottom};

    auto stretched = [&]() -> Extended {
        EXPECT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
        for (TpvrComponent* band : Store()->GetPage(0)->GetObjects())
            if (band->GetName() == "MasterData1") return band->GetHeight();
        return -1;
    };
    const Extended plain = stretched();
    EXPECT_NEAR(double(plain), 34.0, 1e-9);
    memo->GetFrame()->Typ = TpvrFrameTypes{ftBottom};
    EXPECT_NEAR(double(stretched()), double(plain + 17), 1e-9);
    for (TpvrComponent* band : Store()->GetPage(0)->GetObjects())
        for (TpvrComponent* view : band->GetObjects())
            if (view->GetName() == "Side1") { EXPECT_NEAR(double(view->GetHeight()), double(plain), 1e-9); }
}

// A small dot-matrix report: a title in the page's bold style with a rule under it, and five
// rows with a framed text each.
void BuildSmallReport(TpvrDMPPage* page, TpvrMasterData* band) {
    page->SetDefaults();
    page->SetFontStyle(TpvrDMPFontStyles{fsxBold});
    auto* title = new TpvrReportTitle(page);
    title->SetName("ReportTitle1");
    title->SetBounds(0, 0, 700, 51);
    auto* caption = new TpvrDMPMemoView(title);
    caption->SetName("Caption1");
    caption->SetParentFont(true);
    caption->SetBounds(0, 0, 480, 17);
    caption->GetMemo()->SetText(u"CHANNEL LIST");
    auto* rule = new TpvrDMPLineView(title);
    rule->SetName("Rule1");
    rule->SetBounds(0, 17, 480, 0);
    rule->GetFrame()->Typ = TpvrFrameTypes{ftTop};
    band->SetBounds(0, 68, 700, 17);
    band->SetRowCount(5);
    auto* row = new TpvrDMPMemoView(band);
    row->SetName("Row1");
    row->SetBounds(0, 0, 288, 17);
    row->GetMemo()->SetText(u"Channel [Line]");
    auto* boxed = new TpvrDMPMemoView(band);
    boxed->SetName("Box1");
    boxed->SetBounds(336, 0, 96, 17);
    boxed->GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    boxed->GetMemo()->SetText(u"off");
}

// A prepared page drawn at 100 % on white, as RGB pixels, written to a picture for a person to
// look at.
std::vector<std::uint32_t> DrawIntoImage(TpvrCustomPreviewPages* store, Integer index, const std::string& png) {
    const TPoint size = store->GetPageSize(index);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetWidth(size.x);
    bitmap.SetHeight(size.y);
    bitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
    bitmap.GetCanvas()->FillRect(TRect{0, 0, size.x, size.y});
    store->DrawPage(index, bitmap.GetCanvas(), 1, 1, 0, 0);
    std::vector<std::uint32_t> pixels(size_t(size.x) * size_t(size.y));
    for (Integer y = 0; y < size.y; ++y) {
        const auto* scan = static_cast<const std::uint32_t*>(bitmap.GetScanLine(y));
        for (Integer x = 0; x < size.x; ++x)
            pixels[size_t(y) * size_t(size.x) + size_t(x)] = scan[x] & 0xFFFFFF;
    }
    testsupport::WritePng(testsupport::ArtifactPath(png), size.x, size.y, pixels);
    return pixels;
}

Integer Inked(const std::vector<std::uint32_t>& pixels) {
    Integer inked = 0;
    for (std::uint32_t rgb : pixels)
        if (rgb != 0xFFFFFF) ++inked;
    return inked;
}

// A small dot-matrix report prepared and drawn: its text in the fixed font, a line, a framed text.
TEST_F(pvrDMPClassTest, ASmallDotMatrixReportDrawsIntoAnImage) {
    BuildSmallReport(Page, Band);
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    TpvrPreviewPages* store = Store();
    ASSERT_EQ(store->GetCount(), 1);
    EXPECT_TRUE(store->GetPage(0)->InheritsFrom(TpvrDMPPage::StaticClass()));
    EXPECT_GT(Inked(DrawIntoImage(store, 0, "report-dot-matrix-page1.png")), 500);
}

// Saved to a prepared-report file and loaded into a report without the definition, the page is
// a dot-matrix page again and draws the same.
TEST_F(pvrDMPClassTest, ASavedDotMatrixReportLoadsAsDotMatrixPages) {
    BuildSmallReport(Page, Band);
    Report->DotMatrixReport = true;
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    const TPoint size = Store()->GetPageSize(0);
    const std::vector<std::uint32_t> drawn = DrawIntoImage(Store(), 0, "report-dot-matrix-saved.png");

    testsupport::TempDir dir;
    const String file = dir.File("dot-matrix.vp3");
    Store()->SaveToFile(file);
    const String text = testsupport::ReadFileBytes(file);
    EXPECT_NE(String::npos, text.find("<sourcepages><TpvrDMPPage Name=\"Page1\""));
    EXPECT_NE(String::npos, text.find("<TpvrReport DotMatrixReport=\"1\""));

    TpvrReport loaded(nullptr);
    loaded.GetEngineOptions()->SetNewSilentMode(simSilent);
    ASSERT_TRUE(loaded.GetPreviewPages()->LoadFromFile(file));
    EXPECT_TRUE(loaded.DotMatrixReport);
    auto* store = dynamic_cast<TpvrPreviewPages*>(loaded.GetPreviewPages());
    ASSERT_EQ(1u, store->GetSourcePages().size());
    EXPECT_TRUE(store->GetSourcePages()[0]->InheritsFrom(TpvrDMPPage::StaticClass()));
    ASSERT_EQ(1, store->GetCount());
    TpvrReportPage* page = store->GetPage(0);
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(page->InheritsFrom(TpvrDMPPage::StaticClass()));
    auto* row = dynamic_cast<TpvrDMPMemoView*>(page->FindObject("Row1"));
    ASSERT_NE(nullptr, row);
    EXPECT_EQ(u"Channel 1", row->GetMemo()->GetText().substr(0, 9));
    EXPECT_EQ(size.x, store->GetPageSize(0).x);
    EXPECT_EQ(size.y, store->GetPageSize(0).y);
    const std::vector<std::uint32_t> reloaded = DrawIntoImage(store, 0, "report-dot-matrix-loaded.png");
    EXPECT_GT(Inked(reloaded), 500);
    EXPECT_TRUE(drawn == reloaded);
}

} // namespace

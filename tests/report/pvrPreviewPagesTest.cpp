#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrEngine.h"
#include "report/pvrPreviewPages.h"
#include "script/kq_isysrtti.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestSupport.h"

namespace {

// A report page with a page header, a data band holding a memo, and a page footer, copied into
// the store as its source page; pages are written by hand as the engine writes them.
class pvrPreviewPagesTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        RegisterSysRTTI();
        Report.reset(new TpvrReport(nullptr));
        Report->GetEngineOptions()->SetNewSilentMode(simSilent);
        Page = new TpvrReportPage(Report.get());
        Page->SetName("Page1");
        Header = AddBand<TpvrPageHeader>("PageHeader1", 0, 30);
        Data = AddBand<TpvrMasterData>("MasterData1", 40, 20);
        Footer = AddBand<TpvrPageFooter>("PageFooter1", 80, 20);
        Memo = new TpvrMemoView(Data);
        Memo->SetName("Memo1");
        Memo->SetBounds(0, 0, 100, 20);
        Store = dynamic_cast<TpvrPreviewPages*>(Report->GetPreviewPages());
        Store->AddSourcePage(Page);
    }
    void TearDown() override {
        Report.reset();
        TFormFixture::TearDown();
    }
    template <class T> T* AddBand(const char* name, Extended top, Extended height) {
        auto* band = new T(Page);
        band->SetName(name);
        band->SetBounds(0, top, 700, height);
        return band;
    }
    // A new page with the band at `top`.
    void PageWith(TpvrBand* band, Extended top) {
        Store->AddPage(Page);
        band->SetTop(top);
        Store->AddObject(band);
    }

    std::unique_ptr<TpvrReport> Report;
    TpvrReportPage* Page = nullptr;
    TpvrPageHeader* Header = nullptr;
    TpvrMasterData* Data = nullptr;
    TpvrPageFooter* Footer = nullptr;
    TpvrMemoView* Memo = nullptr;
    TpvrPreviewPages* Store = nullptr;
};

TEST_F(pvrPreviewPagesTest, SourceCopiesGetShortAliasesAndPagesRecordOnlyDifferences) {
    EXPECT_EQ(Header->Alias, "b1");
    EXPECT_EQ(Data->Alias, "b2");
    EXPECT_EQ(Memo->Alias, "m1");
    EXPECT_EQ(Store->GetDictionary()->GetSourceName("m1"), "Page0.Memo1");
    ASSERT_NE(Memo->SourceObject, nullptr);
    EXPECT_EQ(Memo->SourceObject->SourceObject, Memo);
    PageWith(Data, 123.5);
    TpvrXMLItem* page = Store->PageItem(0);
    EXPECT_EQ(page->Name, "page0");
    ASSERT_EQ(page->ChildCount(), 1);
    EXPECT_EQ(page->Child(0)->Name, "b2");
    EXPECT_EQ(Trim(page->Child(0)->AttrText), "t=\"123.5\"");
    ASSERT_EQ(page->Child(0)->ChildCount(), 1);
    EXPECT_EQ(page->Child(0)->Child(0)->Name, "m1");
    TpvrReportPage* built = Store->GetPage(0);
    ASSERT_NE(built, nullptr);
    auto* band = dynamic_cast<TpvrMasterData*>(built->FindObject("MasterData1"));
    ASSERT_NE(band, nullptr);
    EXPECT_DOUBLE_EQ(double(band->GetTop()), 123.5);
    EXPECT_NE(built->FindObject("Memo1"), nullptr);
}

TEST_F(pvrPreviewPagesTest, CreateUniqueNameHalvesItsProbeAndTakesTheFirstFreeNumberAbove) {
    TpvrDictionary dictionary;
    EXPECT_EQ(dictionary.CreateUniqueName("x"), "x1");
    for (const char* alias : {"x1", "x2", "x4", "x5"})
        dictionary.Add(alias, String("Page0.") + alias, nullptr);
    // The probe stops at 4, so the gap at 3 is not reused.
    EXPECT_EQ(dictionary.CreateUniqueName("x"), "x6");
    EXPECT_EQ(dictionary.GetObject("unknown"), nullptr);
    EXPECT_EQ(dictionary.GetSourceName("x4"), "Page0.x4");
}

TEST_F(pvrPreviewPagesTest, WriteOverReusesTheNextPageWhileAppendAlwaysAppends) {
    PageWith(Data, 0);
    PageWith(Data, 0);
    struct Case {
        TpvrAddPageAction mode;
        Integer count;
        Integer current;
    };
    for (const Case& c : {Case{WriteOver, 2, 1}, Case{Append, 3, 2}}) {
        Store->CurrentPage = 0;
        Store->AddMode = c.mode;
        Store->AddPage(Page);
        EXPECT_EQ(Store->GetCount(), c.count);
        EXPECT_EQ(Store->CurrentPage, c.current);
        EXPECT_EQ(Store->AddMode, WriteOver);
    }
}

TEST_F(pvrPreviewPagesTest, RollbackToAnEmptyStoreEmptiesPagesAndOutlineButKeepsAnchors) {
    Store->SetRollbackPoint();
    EXPECT_EQ(Store->RollbackPage, -1);
    PageWith(Data, 0);
    Store->AddAnchor("here");
    Store->GetOutline()->AddItem("item", 0);
    Store->Rollback();
    EXPECT_EQ(Store->GetCount(), 0);
    EXPECT_EQ(Store->CurrentPage, -1);
    EXPECT_EQ(Store->RootChild("outline")->ChildCount(), 0);
    EXPECT_NE(Store->FindAnchor("HERE"), nullptr);
}

TEST_F(pvrPreviewPagesTest, RollbackToAPageDropsLaterObjectsAndPages) {
    PageWith(Data, 0);
    Store->SetRollbackPoint();
    Store->AddObject(Header);
    PageWith(Data, 0);
    Store->Rollback();
    EXPECT_EQ(Store->GetCount(), 1);
    EXPECT_EQ(Store->GetCurPosition(), 1);
}

TEST_F(pvrPreviewPagesTest, AnyPageFooterOnThePageCountsAsPresent) {
    Store->AddPage(Page);
    EXPECT_FALSE(Store->BandExists(Footer));
    Store->AddObject(Footer);
    auto* another = AddBand<TpvrPageFooter>("PageFooter2", 0, 10);
    EXPECT_TRUE(Store->BandExists(another));
    EXPECT_TRUE(Store->BandExists(Footer));
    EXPECT_FALSE(Store->BandExists(Data));
}

TEST_F(pvrPreviewPagesTest, LastYIgnoresPageFootersAndUsesSourceHeights) {
    PageWith(Data, 100);
    Footer->SetTop(900);
    Store->AddObject(Footer);
    EXPECT_DOUBLE_EQ(double(Store->GetLastY()), 120.0);
}

TEST_F(pvrPreviewPagesTest, CutAndPasteMoveObjectsByTheFirstOnesOffset) {
    struct Case {
        bool withLeft;
        Extended x, y;
        const char* l;
        const char* t;
    };
    for (const Case& c : {Case{true, 50, 300, "50", "300"}, Case{false, 7, 20, "7", "20"}}) {
        Store->Clear();
        Store->AddSourcePage(Page);
        PageWith(Data, 0);
        TpvrXMLItem* page = Store->PageItem(0);
        page->Child(0)->AttrText = c.withLeft ? " l=\"10\" t=\"100\"" : " t=\"0\"";
        Store->CutObjects(0);
        EXPECT_EQ(page->ChildCount(), 0);
        Store->PasteObjects(c.x, c.y);
        ASSERT_EQ(page->ChildCount(), 1);
        EXPECT_EQ(page->Child(0)->Attr("l"), c.l);
        EXPECT_EQ(page->Child(0)->Attr("t"), c.t);
        EXPECT_EQ(Store->GetDocument()->Root()->IndexOfChild("cutted"), -1);
    }
}

TEST_F(pvrPreviewPagesTest, AnchorPagesCountFromOneAndUnknownOnesGiveOne) {
    for (int i = 0; i < 3; ++i)
        PageWith(Data, 0);
    Store->AddAnchor("third");
    Store->CurrentPage = 0;
    Store->AddAnchor("first");
    EXPECT_EQ(Store->GetAnchorPage("Third"), 3);
    EXPECT_EQ(Store->GetAnchorPage("first"), 1);
    EXPECT_EQ(Store->GetAnchorPage("nowhere"), 1);
}

TEST_F(pvrPreviewPagesTest, TheCacheHoldsFiftyPagesAndAPageFetchedWhileRunningIsBuiltAgain) {
    for (int i = 0; i < 51; ++i)
        PageWith(Data, i);
    TpvrReportPage* first = Store->GetPage(0);
    for (int i = 1; i < 50; ++i)
        Store->GetPage(i);
    EXPECT_EQ(Store->CachedPageCount(), 50);
    EXPECT_EQ(Store->GetPage(0), first);
    Store->GetPage(50);
    EXPECT_EQ(Store->CachedPageCount(), 50);
    // Page 1 was inserted longest ago and went.
    Report->Engine->Running = true;
    TpvrReportPage* rebuilt = Store->GetPage(50);
    EXPECT_EQ(dynamic_cast<TpvrMasterData*>(rebuilt->FindObject("MasterData1"))->GetTop(), 50);
    Report->Engine->Running = false;
    EXPECT_EQ(Store->CachedPageCount(), 50);
}

TEST_F(pvrPreviewPagesTest, DeletingTheOnlyPageKeepsItAndEmptyPagesShareTheirSource) {
    PageWith(Data, 0);
    Store->DeletePage(0);
    EXPECT_EQ(Store->GetCount(), 1);
    Store->AddEmptyPage(0);
    ASSERT_EQ(Store->GetCount(), 2);
    EXPECT_EQ(Store->PageItem(0)->Name, "page0");
    EXPECT_EQ(Store->PageItem(0)->ChildCount(), 0);
    Store->DeletePage(0);
    EXPECT_EQ(Store->GetCount(), 1);
    EXPECT_EQ(Store->PageItem(0)->ChildCount(), 1);
    EXPECT_EQ(Store->GetPageSize(5).x, 0);
}

TEST_F(pvrPreviewPagesTest, MirrorMarginsDrawEvenPageNumbersFromTheRightMargin) {
    Page->LeftMargin = 10;
    Page->RightMargin = 30;
    Page->MirrorMargins = true;
    Memo->Color = clRed;
    Store->Clear();
    Store->AddSourcePage(Page);
    PageWith(Data, 0);
    PageWith(Data, 0);
    for (Integer index : {0, 1}) {
        TBitmap bitmap;
        bitmap.SetWidth(300);
        bitmap.SetHeight(60);
        bitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
        bitmap.GetCanvas()->FillRect(TRect{0, 0, 300, 60});
        Store->DrawPage(index, bitmap.GetCanvas(), 1, 1, 0, 0);
        const TColor at50 = bitmap.GetCanvas()->GetPixels(50, 10);
        const TColor at120 = bitmap.GetCanvas()->GetPixels(120, 10);
        SCOPED_TRACE(index);
        EXPECT_EQ(at50 == clRed, index == 0);
        EXPECT_EQ(at120, clRed);
    }
    EXPECT_DOUBLE_EQ(double(Page->LeftMargin), 10.0);
}

TEST_F(pvrPreviewPagesTest, DesignObjectsForgetTheirCopiesWhenTheStoreIsCleared) {
    ASSERT_NE(Memo->SourceObject, nullptr);
    Store->Clear();
    EXPECT_EQ(Memo->SourceObject, nullptr);
    Store->AddSourcePage(Page);
    TpvrComponent* copy = Memo->SourceObject;
    delete Memo;
    EXPECT_EQ(copy->SourceObject, nullptr);
}

TEST_F(pvrPreviewPagesTest, AddFromAnEmptyStoreNamesElementsByTheirClass) {
    PageWith(Data, 10);
    TpvrReport other(nullptr);
    auto* target = dynamic_cast<TpvrPreviewPages*>(other.GetPreviewPages());
    target->AddFrom(Report.get());
    ASSERT_EQ(target->GetCount(), 1);
    EXPECT_EQ(target->PageItem(0)->Name, "TpvrReportPage");
    TpvrReportPage* page = target->GetPage(0);
    ASSERT_NE(page, nullptr);
    EXPECT_NE(page->FindObject("Memo1"), nullptr);
}

// ---- Outline ----

TEST_F(pvrPreviewPagesTest, OutlineItemsNestUntilLevelUpAndLevelUpStopsAtTheRoot) {
    TpvrCustomOutline* outline = Store->GetOutline();
    outline->LevelRoot();
    outline->LevelUp();
    EXPECT_EQ(outline->CurrentItem, Store->RootChild("outline"));
    EXPECT_EQ(outline->GetLastItem(), outline->CurrentItem);
    Store->CurrentPage = 2;
    outline->AddItem("a \"quoted\"\r\nline", 10);
    outline->AddItem("b", 20);
    outline->LevelUp();
    outline->AddItem("c", 30);
    outline->LevelRoot();
    ASSERT_EQ(outline->GetCount(), 1);
    String text;
    Integer page = -1, top = -1;
    outline->GetItem(0, text, page, top);
    EXPECT_EQ(text, "a \"quoted\"\r\nline");
    EXPECT_EQ(page, 2);
    EXPECT_EQ(top, 10);
    outline->LevelDown(0);
    EXPECT_EQ(outline->GetCount(), 2);
    outline->GetItem(1, text, page, top);
    EXPECT_EQ(text, "c");
}

TEST_F(pvrPreviewPagesTest, ShiftItemsMovesOnlyTheNextSiblingWithItsSubtree) {
    TpvrOutline* outline = static_cast<TpvrOutline*>(Store->GetOutline());
    outline->LevelRoot();
    Store->CurrentPage = 0;
    outline->AddItem("a", 100);
    TpvrXMLItem* a = outline->CurrentItem;
    outline->LevelUp();
    outline->AddItem("b", 500);
    outline->AddItem("b1", 520);
    outline->LevelRoot();
    outline->AddItem("c", 700);
    TpvrXMLItem* c = outline->CurrentItem;
    outline->ShiftItems(a, 40);
    TpvrXMLItem* root = outline->Root();
    EXPECT_EQ(root->Child(1)->Attr("page"), "1");
    EXPECT_EQ(root->Child(1)->Attr("top"), "40");
    EXPECT_EQ(root->Child(1)->Child(0)->Attr("top"), "60");
    EXPECT_EQ(root->Child(1)->Child(0)->Attr("page"), "1");
    EXPECT_EQ(c->Attr("page"), "0");
    outline->ShiftItems(c, 0);
    EXPECT_EQ(c->Attr("top"), "700");
}

} // namespace

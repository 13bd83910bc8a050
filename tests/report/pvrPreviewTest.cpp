// The preview control: page layout, zoom, navigation, scrolling, search, links under the mouse,
// the preparation notifications, and the pages drawn on screen, on the printed channel list.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/WinCore.h"
#include "report/pvrClass.h"
#include "report/pvrPreview.h"
#include "report/pvrPreviewPageSettings.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"
#include "report/pvrSearchDialog.h"
#include "script/kq_isysrtti.h"
#include "tests/report/ChannelListFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<Integer> Sides(const TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// What the preview tells its window.
struct TRecordingHost : TpvrPreviewHost {
    void PreviewUpdateControls() override { Events.push_back("controls"); }
    void PreviewZoomChanged() override { ++ZoomChanges; }
    void PreviewRunningChanged(bool running) override { Events.push_back(running ? "running" : "stopped"); }
    void PreviewDblClick() override { Events.push_back("dblclick"); }
    std::vector<String> Events;
    Integer ZoomChanges = 0;
};

struct TPageChanges {
    void Changed(TObject*, Integer pageNo) {
        Pages.push_back(pageNo);
        if (Preview && Preview->GetRunning()) ++WhileRunning;
    }
    TpvrPreview* Preview = nullptr;
    std::vector<Integer> Pages;
    Integer WhileRunning = 0;
};

// The printed channel list (report/ChannelList.xml on the print data module) with records in
// groups of 1, 40 and 75: six letter pages. The preview fills a 420 x 320 form.
class pvrPreviewTest : public reporttest::TChannelListFixture<> {
protected:
    void SetUp() override {
        TChannelListFixture::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(LoadReport());
        Preview = new TpvrPreview(Form);
        Preview->SetParent(Form);
        Preview->SetAlign(alClient);
        Preview->Host = &Host;
        Changes.Preview = Preview;
        Preview->OnPageChanged = MakeEvent(&Changes, &TPageChanges::Changed);
        Form->Show();
    }
    void TearDown() override {
        delete Preview;
        TChannelListFixture::TearDown();
    }
    // Prepares the six pages with the preview attached and shows them.
    void Show() {
        Fill({1, 40, 75}, reporttest::TChannelValues::OneLine);
        Report->Preview = Preview;
        ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
        Report->ShowPreparedReport();
        ASSERT_EQ(6, Preview->GetAllPages());
    }
    TpvrPreviewWorkspace* Workspace() { return Preview->GetWorkspace(); }
    void Key(Word key, bool ctrl = false) {
        BYTE state[256] = {};
        if (ctrl) state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        Workspace()->Perform(WM_KEYDOWN, key, 0);
        BYTE none[256] = {};
        SetKeyboardState(none);
    }
    void Mouse(UINT message, Integer x, Integer y) {
        Workspace()->Perform(message, message == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(WORD(x), WORD(y)));
    }
    // Runs Find through the search dialog.
    void Find(const String& text, bool fromTop) {
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrSearchDialog>("pvrSearchDialog", [&](TpvrSearchDialog& dialog) {
            dialog.TextE->SetText(text);
            dialog.TopCB->SetChecked(fromTop);
            dialog.CaseCB->SetChecked(false);
            dialog.SetModalResult(mrOk);
        });
        Preview->Find();
    }

    TpvrPreview* Preview = nullptr;
    TRecordingHost Host;
    TPageChanges Changes;
};

// ---- Layout ------------------------------------------------------------------------------------

TEST(pvrPageListTest, PagesSitInRowsTenPixelsApart) {
    struct Case {
        Integer Columns;
        std::vector<TPoint> Sizes;
        std::vector<Integer> Tops;
        std::vector<Integer> ColumnsOf;
        Integer MaxRowWidth;
    };
    const Case cases[] = {
        {1, {{100, 200}, {100, 300}, {120, 50}}, {10, 220, 530}, {0, 0, 0}, 130},
        {2, {{100, 200}, {100, 300}, {120, 50}}, {10, 10, 320}, {0, 1, 0}, 220},
        {2, {{80, 40}, {90, 60}, {100, 20}, {110, 10}}, {10, 10, 80, 80}, {0, 1, 0, 1}, 230},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Columns);
        TpvrPageList list;
        list.ColumnsPerRow = c.Columns;
        for (const TPoint& size : c.Sizes) list.Add(size.x, size.y);
        for (std::size_t i = 0; i < c.Sizes.size(); ++i) {
            EXPECT_EQ(c.Tops[i], list.Items(Integer(i))->Top) << i;
            EXPECT_EQ(c.ColumnsOf[i], list.Items(Integer(i))->Column) << i;
        }
        EXPECT_EQ(c.MaxRowWidth, list.MaxRowWidth);
    }
}

TEST(pvrPageListTest, BoundsCentreTheRowAndFindPageSearchesByTop) {
    TpvrPageList list;
    list.ColumnsPerRow = 2;
    list.Add(100, 200);
    list.Add(100, 200);
    list.Add(100, 200);
    // Row of two: 210 wide, centred in 410 at zoom 1: 100 on each side.
    EXPECT_EQ((std::vector<Integer>{100, 10, 200, 210}), Sides(list.Bounds(0, 410, 1)));
    EXPECT_EQ((std::vector<Integer>{210, 10, 310, 210}), Sides(list.Bounds(1, 410, 1)));
    EXPECT_EQ((std::vector<Integer>{155, 220, 255, 420}), Sides(list.Bounds(2, 410, 1)));
    // Too narrow a client: 10 from the left; zoom 2 doubles everything.
    EXPECT_EQ((std::vector<Integer>{10, 20, 210, 420}), Sides(list.Bounds(0, 100, 2)));
    EXPECT_EQ((std::vector<Integer>{230, 20, 430, 420}), Sides(list.Bounds(1, 100, 2)));
    // Outside the list: an A4 page.
    EXPECT_EQ((std::vector<Integer>{103, 10, 897, 1133}), Sides(list.Bounds(5, 1000, 1)));
    EXPECT_EQ((std::vector<Integer>{10, 5, 407, 567}), Sides(list.Bounds(-1, 100, 0.5L)));

    // The last page whose top is above y; not exact, a fifth of the page's height counts.
    EXPECT_EQ(0, list.FindPage(0, true, 1));
    EXPECT_EQ(1, list.FindPage(10, true, 1));
    EXPECT_EQ(1, list.FindPage(219, true, 1));
    EXPECT_EQ(2, list.FindPage(220, true, 1));
    EXPECT_EQ(1, list.FindPage(179, false, 1));
    EXPECT_EQ(2, list.FindPage(180, false, 1));
    EXPECT_EQ(-1, TpvrPageList().FindPage(10, false, 1));
}

// ---- Zoom --------------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, ZoomKeepsItsMinimumsAndTwoPagesGoBackToOnePerRow) {
    Show();
    // Whoever sets the zoom, it stays between 25 % and 10000 %; a value that is no number is
    // ignored.
    struct Case {
        Extended Set, Want;
    };
    for (const Case& c : {Case{0.1L, 0.25L}, Case{-3, 0.25L}, Case{2.5L, 2.5L}, Case{250, 100},
                          Case{std::numeric_limits<Extended>::infinity(), 100},
                          Case{std::numeric_limits<Extended>::quiet_NaN(), 100}}) {
        SCOPED_TRACE(double(c.Set));
        Preview->SetZoom(c.Set);
        EXPECT_EQ(c.Want, Preview->GetZoom());
    }
    Preview->MouseWheelScroll(120, false, true);
    EXPECT_EQ(100.0L, Preview->GetZoom());
    Preview->SetZoom(0.1L);
    EXPECT_EQ(0.25L, Preview->GetZoom());
    Preview->SetZoom(0.35L);
    Preview->MouseWheelScroll(-120, false, true);
    EXPECT_DOUBLE_EQ(0.3, double(Preview->GetZoom()));
    Preview->MouseWheelScroll(120, false, true);
    EXPECT_DOUBLE_EQ(0.4, double(Preview->GetZoom()));
    Preview->MouseWheelScroll(0, false, true);
    EXPECT_DOUBLE_EQ(0.4, double(Preview->GetZoom()));

    // "Two Pages", then 100 %.
    Preview->SetZoomMode(zmManyPages);
    EXPECT_EQ(2, Workspace()->GetPageList()->ColumnsPerRow);
    const RECT client = Workspace()->GetClientRect();
    const Integer width = Workspace()->GetPageList()->Items(0)->Width;
    EXPECT_DOUBLE_EQ(double(client.right - 32) / (2 * width), double(Preview->GetZoom()));
    Preview->SetZoom(1);
    EXPECT_EQ(zmDefault, Preview->GetZoomMode());
    EXPECT_EQ(1, Workspace()->GetPageList()->ColumnsPerRow);
    EXPECT_EQ(1.0L, Preview->GetZoom());

    // Whole page: the page and 20 pixels fill the client's height.
    Preview->SetZoomMode(zmWholePage);
    // Whatever scroll bar the new zoom shows or hides is settled by then.
    Preview->UpdatePages();
    const Integer height = Workspace()->GetPageList()->Items(0)->Height;
    const RECT whole = Workspace()->GetClientRect();
    EXPECT_DOUBLE_EQ(double(whole.bottom - 20) / height, double(Preview->GetZoom()));
    EXPECT_LE(Workspace()->PageRect(0).bottom, whole.bottom);
    EXPECT_GT(Host.ZoomChanges, 0);
}

TEST_F(pvrPreviewTest, ZoomToolZoomsInAndOutByAQuarter) {
    Show();
    Preview->SetTool(ptZoom);
    EXPECT_EQ(151, Workspace()->GetCursor());
    Mouse(WM_LBUTTONDOWN, 50, 50);
    Mouse(WM_LBUTTONUP, 50, 50);
    EXPECT_EQ(1.25L, Preview->GetZoom());
    Workspace()->Perform(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
    Workspace()->Perform(WM_RBUTTONUP, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(1.0L, Preview->GetZoom());
    Preview->SetTool(ptHand);
    EXPECT_EQ(150, Workspace()->GetCursor());
}

// ---- Navigation and scrolling ------------------------------------------------------------------

TEST_F(pvrPreviewTest, PageNumbersClampAndMoveTheWorkspace) {
    Show();
    EXPECT_EQ(1, Preview->GetPageNo());
    Changes.Pages.clear();
    Preview->SetPageNo(4);
    EXPECT_EQ(4, Preview->GetPageNo());
    // The page's top 10 pixels below the window's top.
    EXPECT_EQ(10, Workspace()->PageRect(3).top);
    EXPECT_EQ(std::vector<Integer>{4}, Changes.Pages);
    Preview->SetPageNo(99);
    EXPECT_EQ(6, Preview->GetPageNo());
    Preview->SetPageNo(-3);
    EXPECT_EQ(1, Preview->GetPageNo());
    Preview->Next();
    Preview->Next();
    Preview->Prior();
    EXPECT_EQ(2, Preview->GetPageNo());
    Preview->Last();
    EXPECT_EQ(6, Preview->GetPageNo());
    Preview->First();
    EXPECT_EQ(1, Preview->GetPageNo());

    // Scrolling sets the page at the top of the window.
    Workspace()->SetVertPosition(Workspace()->PageRect(2).top + Workspace()->GetVertPosition());
    EXPECT_EQ(3, Preview->GetPageNo());
}

TEST_F(pvrPreviewTest, ScrollPositionsClampToTheRange) {
    Show();
    TpvrPreviewWorkspace* ws = Workspace();
    const Integer maxV = ws->GetVertRange() - ws->GetVertPage();
    ASSERT_GT(maxV, 0);
    ws->SetVertPosition(-50);
    EXPECT_EQ(0, ws->GetVertPosition());
    ws->SetVertPosition(maxV + 5000);
    EXPECT_EQ(maxV, ws->GetVertPosition());
    ws->SetHorzPosition(100000);
    EXPECT_EQ(std::max<Integer>(ws->GetHorzRange() - ws->GetHorzPage(), 0), ws->GetHorzPosition());
    // A smaller zoom shrinks the range and pulls the position back into it.
    Preview->SetZoom(0.25L);
    EXPECT_LE(ws->GetVertPosition(), std::max<Integer>(ws->GetVertRange() - ws->GetVertPage(), 0));
    EXPECT_EQ(Workspace()->GetPageList()->TotalHeight(0.25L), ws->GetVertRange());
}

TEST_F(pvrPreviewTest, KeysScrollAndMoveBetweenPages) {
    Show();
    TpvrPreviewWorkspace* ws = Workspace();
    struct Case {
        const char* Name;
        Word Key;
        bool Ctrl;
        Integer Dy;
        Integer PageNo; // 0: not checked
    };
    const Case cases[] = {
        {"Page Down", VK_NEXT, false, 300, 0}, {"Page Up", VK_PRIOR, false, -300, 0},
        {"Down", VK_DOWN, false, 8, 0},        {"Up", VK_UP, false, -8, 0},
        {"End", VK_END, false, 0, 6},          {"Ctrl+Page Up", VK_PRIOR, true, 0, 5},
        {"Home", VK_HOME, false, 0, 1},        {"Ctrl+Page Down", VK_NEXT, true, 0, 2},
    };
    ws->SetVertPosition(400);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const Integer before = ws->GetVertPosition();
        Key(c.Key, c.Ctrl);
        if (c.PageNo) { EXPECT_EQ(c.PageNo, Preview->GetPageNo()); }
        else EXPECT_EQ(before + c.Dy, ws->GetVertPosition());
    }
}

// ---- Mouse -------------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, TwoPagesPerRowHitTestTheLeftPage) {
    Show();
    Preview->SetZoomMode(zmManyPages);
    const TRect left = Workspace()->PageRect(0);
    const TRect right = Workspace()->PageRect(1);
    ASSERT_EQ(left.top, right.top);
    ASSERT_LT(left.right, right.left);
    EXPECT_EQ(0, Workspace()->PageAt(left.left + 5, left.top + 20));
    EXPECT_EQ(1, Workspace()->PageAt(right.left + 5, right.top + 20));
    const TRect third = Workspace()->PageRect(2);
    EXPECT_EQ(2, Workspace()->PageAt(third.left + 5, third.top + 5));
}

TEST_F(pvrPreviewTest, ALinkToAPageShowsTheHandAndGoesThere) {
    auto* design = dynamic_cast<TpvrView*>(Report->FindObject("Caption1"));
    ASSERT_TRUE(design);
    design->URL = "@3";
    Show();
    Preview->SetZoom(0.5L);
    Preview->First();
    // The caption as built on the first page, where the hit test looks for it.
    TpvrReportPage* page = Preview->PreviewPages->GetPage(0);
    TpvrView* caption = nullptr;
    for (TpvrComponent* object : page->AllObjects())
        if (auto* view = dynamic_cast<TpvrView*>(object); view && view->URL == "@3") caption = view;
    ASSERT_TRUE(caption);
    const Extended zoom = Preview->GetZoom();
    const TRect rect = Workspace()->PageRect(0);
    const Integer x = rect.left + Integer((page->LeftMargin * pvrMillimetre + caption->AbsLeft() + 5) * zoom);
    const Integer y = rect.top + Integer((page->TopMargin * pvrMillimetre + caption->AbsTop() + 5) * zoom);
    ASSERT_GT(y, 0);

    // Over the link the hand, beside it the tool's cursor.
    Mouse(WM_MOUSEMOVE, x, y);
    EXPECT_EQ(crHandPoint, Workspace()->GetCursor());
    Mouse(WM_MOUSEMOVE, 2, 2);
    EXPECT_EQ(150, Workspace()->GetCursor());

    Mouse(WM_LBUTTONDOWN, x, y);
    Mouse(WM_LBUTTONUP, x, y);
    EXPECT_EQ(3, Preview->GetPageNo());
    EXPECT_EQ(10, Workspace()->PageRect(2).top);
}

TEST_F(pvrPreviewTest, DraggingWithTheHandScrollsAndTheClickReachesOnClick) {
    Show();
    Integer clicks = 0;
    struct TClicks {
        Integer* Count;
        void Click(TObject*) { ++*Count; }
    } counter{&clicks};
    Preview->OnClick = MakeEvent(&counter, &TClicks::Click);
    Workspace()->SetVertPosition(200);
    Mouse(WM_LBUTTONDOWN, 100, 200);
    Mouse(WM_MOUSEMOVE, 100, 150);
    EXPECT_EQ(250, Workspace()->GetVertPosition());
    Mouse(WM_LBUTTONUP, 100, 150);
    EXPECT_EQ(1, clicks);
    Mouse(WM_MOUSEMOVE, 100, 100);
    EXPECT_EQ(250, Workspace()->GetVertPosition());
}

// ---- Empty store -------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, AnEmptyStorePaintsOnlyTheBackground) {
    Show();
    Preview->Clear();
    EXPECT_EQ(0, Preview->GetAllPages());
    EXPECT_EQ(0, Preview->GetPageNo());
    Preview->SetBackColor(TColor(0x00336699));
    Workspace()->Repaint();
    HDC dc = GetDC(Workspace()->GetHandle());
    const RECT client = Workspace()->GetClientRect();
    for (Integer y = 0; y < client.bottom; y += 7)
        for (Integer x = 0; x < client.right; x += 7)
            ASSERT_EQ(COLORREF(0x00336699), GetPixel(dc, x, y)) << x << "," << y;
    ReleaseDC(Workspace()->GetHandle(), dc);
    // Nothing to move to, nothing to hit.
    Preview->Next();
    EXPECT_EQ(0, Preview->GetPageNo());
    Mouse(WM_MOUSEMOVE, 40, 40);
    Preview->AddPage();
    Preview->DeletePage();
    EXPECT_EQ(0, Preview->GetAllPages());
}

// ---- Search ------------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, SearchStartsOnTheCurrentPageAndF3NeedsASearchSinceTheLastRebuild) {
    Show();
    Preview->SetPageNo(3);
    Find("page", false);
    EXPECT_TRUE(Preview->GetFindActive());
    EXPECT_EQ(2, Workspace()->GetFoundPage());
    const TRect first = Workspace()->GetFoundRect();
    EXPECT_LT(first.left, first.right);

    // F3 goes on to the next match.
    Key(VK_F3);
    const Integer next = Workspace()->GetFoundPage();
    EXPECT_GE(next, 2);
    EXPECT_TRUE(next > 2 || Workspace()->GetFoundRect().top != first.top || Workspace()->GetFoundRect().left != first.left);

    // From the top.
    Find("PAGE", true);
    EXPECT_EQ(0, Workspace()->GetFoundPage());

    // A rebuilt page list ends the search: F3 finds nothing until a new search.
    Preview->SetZoomMode(zmPageWidth);
    EXPECT_FALSE(Preview->GetFindActive());
    Key(VK_F3);
    EXPECT_EQ(-1, Workspace()->GetFoundPage());

    // A text that is nowhere: no match, no message.
    Find("no such text anywhere", true);
    EXPECT_EQ(-1, Workspace()->GetFoundPage());
}

TEST_F(pvrPreviewTest, AMatchOutsideTheWindowIsScrolledIntoView) {
    Show();
    Find("Channel 116", true);
    const Integer page = Workspace()->GetFoundPage();
    ASSERT_EQ(5, page);
    const TRect rect = Workspace()->PageRect(page);
    const Integer top = rect.top + Workspace()->GetFoundRect().top;
    EXPECT_GE(top, 0);
    EXPECT_LT(top, Workspace()->GetClientRect().bottom);
}

// ---- Editing -----------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, DeletingAPageKeepsTheNumberWhileAPageFollows) {
    Show();
    Preview->SetPageNo(2);
    Preview->DeletePage();
    EXPECT_EQ(5, Preview->GetAllPages());
    EXPECT_EQ(2, Preview->GetPageNo());
    EXPECT_EQ(5, Workspace()->GetPageList()->Count());
    Preview->Last();
    Preview->DeletePage();
    EXPECT_EQ(4, Preview->GetPageNo());
    Preview->AddPage();
    EXPECT_EQ(5, Preview->GetAllPages());
    EXPECT_EQ(5, Workspace()->GetPageList()->Count());
}

// ---- Page settings -----------------------------------------------------------------------------

TEST_F(pvrPreviewTest, PageSettingsTurnTheCurrentPageOrEveryPage) {
    Show();
    TpvrPageList* list = Workspace()->GetPageList();
    const Integer width = list->Items(0)->Width;
    const Integer height = list->Items(0)->Height;
    ASSERT_LT(width, height);
    struct Case {
        const char* Name;
        bool All;
        std::vector<bool> Landscape; // per page afterwards
    };
    // Landscape pages hold fewer rows: prepared again, the list takes seven.
    const Case cases[] = {
        {"current page", false, {false, true, false, false, false, false}},
        {"every page", true, {true, true, true, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Preview->SetPageNo(2);
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPageSettingsForm>("pvrPageSettingsForm", [&](TpvrPageSettingsForm& form) {
            form.LandscapeRB->SetChecked(true);
            (c.All ? form.ApplyToAllRB : form.ApplyToCurRB)->SetChecked(true);
            form.SetModalResult(mrOk);
        });
        Preview->PageSetup();
        const Integer count = Integer(c.Landscape.size());
        ASSERT_EQ(count, Preview->GetAllPages());
        ASSERT_EQ(count, list->Count());
        for (Integer i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            const bool landscape = c.Landscape[std::size_t(i)];
            EXPECT_EQ(landscape ? height : width, list->Items(i)->Width);
            EXPECT_EQ(landscape ? poLandscape : poPortrait, Preview->PreviewPages->GetPage(i)->GetOrientation());
        }
    }
    // Cancelled: nothing changes.
    testsupport::TScopedModalScript modal;
    modal.Add<TpvrPageSettingsForm>("pvrPageSettingsForm", [](TpvrPageSettingsForm& form) {
        form.PortraitRB->SetChecked(true);
        form.SetModalResult(mrCancel);
    });
    Preview->PageSetup();
    EXPECT_EQ(poLandscape, Preview->PreviewPages->GetPage(1)->GetOrientation());
}

// ---- Prepared-report files ---------------------------------------------------------------------

TEST_F(pvrPreviewTest, SavedPagesOpenInAnotherPreviewWithTheirOutlineSettings) {
    Report->GetPreviewOptions()->OutlineVisible = true;
    Report->GetPreviewOptions()->OutlineWidth = 150;
    Show();
    Preview->SetPageNo(4);
    testsupport::TempDir dir;
    {
        TScopedDialogScript dialogs;
        // The extension is forced.
        dialogs.ChooseFiles({dir.File("channels")});
        Preview->Save();
        ASSERT_EQ(1u, dialogs.FileRequests().size());
        ASSERT_EQ(1u, dialogs.FileRequests()[0].Filters.size());
        EXPECT_EQ("*.vp3", dialogs.FileRequests()[0].Filters[0].second);
        EXPECT_TRUE(dialogs.FileRequests()[0].Save);
    }
    EXPECT_EQ(GetResources()->Get("clSaving"), Preview->GetMessageLabel()->GetCaption());
    EXPECT_FALSE(Preview->GetMessagePanel()->GetVisible());
    EXPECT_FALSE(Preview->GetLocked());
    EXPECT_EQ(4, Preview->GetPageNo());
    ASSERT_TRUE(FileExists(dir.File("channels.vp3")));

    // A report without definition or data, and a preview of its own.
    auto fresh = std::make_unique<TpvrReport>(nullptr);
    auto* other = new TpvrPreview(Form);
    other->SetParent(Form);
    other->SetBounds(0, 0, 300, 200);
    fresh->Preview = other;
    fresh->ShowPreparedReport();
    EXPECT_FALSE(other->GetOutlineVisible());
    EXPECT_EQ(0, other->GetPageNo());
    {
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({dir.File("channels.vp3")});
        other->Load();
    }
    EXPECT_EQ(6, other->GetAllPages());
    EXPECT_EQ(6, other->GetWorkspace()->GetPageList()->Count());
    for (Integer i = 0; i < 6; ++i) {
        EXPECT_EQ(Workspace()->GetPageList()->Items(i)->Width, other->GetWorkspace()->GetPageList()->Items(i)->Width);
        EXPECT_EQ(Workspace()->GetPageList()->Items(i)->Height, other->GetWorkspace()->GetPageList()->Items(i)->Height);
    }
    EXPECT_EQ(1, other->GetPageNo());
    EXPECT_TRUE(other->GetOutlineVisible());
    EXPECT_EQ(150, other->GetOutlineWidth());
    EXPECT_EQ(GetResources()->Get("clLoading"), other->GetMessageLabel()->GetCaption());

    // A damaged file: the error comes through, the preview shows the emptied store.
    testsupport::WriteFileBytes(dir.File("damaged.vp3"), "<?xmk this is not a prepared report");
    EXPECT_THROW(other->LoadFromFile(dir.File("damaged.vp3")), Exception);
    EXPECT_FALSE(other->GetLocked());
    EXPECT_EQ(0, other->GetAllPages());
    EXPECT_EQ(0, other->GetWorkspace()->GetPageList()->Count());
    EXPECT_EQ(0, other->GetPageNo());
    other->GetWorkspace()->Repaint();
    delete other;
}

TEST_F(pvrPreviewTest, CommandsThatChangePagesWaitForARunningPreparation) {
    Show();
    Preview->PreparationStarted();
    ASSERT_TRUE(Preview->GetRunning());
    const Integer pages = Preview->GetAllPages();
    testsupport::TempDir dir;
    Preview->SaveToFile(dir.File("running.vp3"));
    Preview->AddPage();
    Preview->DeletePage();
    Preview->Clear();
    Preview->PageSetup();
    EXPECT_FALSE(FileExists(dir.File("running.vp3")));
    EXPECT_EQ(pages, Preview->GetAllPages());
    Preview->PreparationStopped();
    EXPECT_FALSE(Preview->GetRunning());
}

// ---- Busy message ------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, BusyMessageIsCentredAndUnlockHidesIt) {
    Show();
    Preview->Lock();
    Preview->ShowBusyMessage("Saving");
    TPanel* panel = Preview->GetMessagePanel();
    EXPECT_TRUE(panel->GetVisible());
    EXPECT_EQ((Preview->GetWidth() - 260) / 2, panel->GetLeft());
    EXPECT_EQ((Preview->GetHeight() - 75) / 3, panel->GetTop());
    EXPECT_EQ("Saving", Preview->GetMessageLabel()->GetCaption());
    Preview->SetPageNo(4);
    Preview->Unlock();
    EXPECT_FALSE(panel->GetVisible());
    EXPECT_FALSE(Preview->GetLocked());
    // The page in view stays the current one, so Next goes on from it.
    EXPECT_EQ(4, Preview->GetPageNo());
    Preview->Next();
    EXPECT_EQ(5, Preview->GetPageNo());
}

// ---- Preparation -------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, APreparationIsFollowedPageByPage) {
    Fill({1, 40, 75}, reporttest::TChannelValues::OneLine);
    Report->Preview = Preview;
    Preview->Report = Report;
    Preview->PreviewPages = Report->GetPreviewPages();
    std::vector<Integer> runningAt;
    struct TWatch {
        TpvrPreview* Preview;
        std::vector<Integer>* Pages;
        void Progress(TpvrReport*, Integer, Integer page) {
            if (Preview->GetRunning()) Pages->push_back(page);
        }
    } watch{Preview, &runningAt};
    Report->OnProgress = MakeEvent(&watch, &TWatch::Progress);
    ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    EXPECT_FALSE(Preview->GetRunning());
    EXPECT_GE(runningAt.size(), 6u);
    EXPECT_EQ((std::vector<String>{"controls", "running", "stopped", "controls"}), Host.Events);
    EXPECT_EQ(6, Workspace()->GetPageList()->Count());
    EXPECT_EQ(1, Preview->GetPageNo());
    EXPECT_EQ(Workspace()->GetPageList()->TotalHeight(Preview->GetZoom()), Workspace()->GetVertRange());
}

TEST_F(pvrPreviewTest, TheFirstPagesSpeedChoosesTheRefreshInterval) {
    Show();
    struct Case {
        Integer FirstPageMs;
        Integer Interval;
    };
    const Case cases[] = {{0, 50}, {4, 50}, {5, 20}, {9, 20}, {10, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.FirstPageMs);
        Changes.Pages.clear();
        Changes.WhileRunning = 0;
        Preview->PreparationProgress(0);
        ClockAdvanceMs(c.FirstPageMs);
        Preview->PreparationProgress(1);
        for (Integer i = 2; i < 101; ++i) Preview->PreparationProgress(i);
        // Pages 0 and 1 show page 1; after them every interval-th page.
        EXPECT_EQ(2 + 100 / c.Interval, Integer(Changes.Pages.size()));
    }
}

TEST_F(pvrPreviewTest, TheMessagePanelsCancelButtonStopsTheRun) {
    Show();
    Report->SetTerminated(false);
    Preview->GetCancelButton()->Click();
    EXPECT_TRUE(Report->Terminated);
}

// ---- Outline -----------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, OutlineNodesMoveToTheirPageAndPosition) {
    Show();
    TpvrCustomPreviewPages* store = Preview->PreviewPages;
    TpvrCustomOutline* outline = store->GetOutline();
    outline->LevelRoot();
    store->CurrentPage = 1;
    outline->AddItem("Group 2", 0);
    store->CurrentPage = 4;
    outline->AddItem("Later", 300);
    outline->LevelRoot();
    Preview->SetOutlineVisible(true);
    Preview->UpdateOutline();
    TTreeView* tree = Preview->GetOutlineTree();
    ASSERT_EQ(2, tree->GetItems()->GetCount());
    EXPECT_EQ("Group 2", tree->GetItems()->GetItem(0)->GetText());
    EXPECT_EQ("Later", tree->GetItems()->GetItem(1)->GetText());
    tree->SetSelected(tree->GetItems()->GetItem(1));
    tree->Click();
    EXPECT_EQ(5, Preview->GetPageNo());
    TpvrReportPage* page = store->GetPage(4);
    const Integer expected =
        Workspace()->PageRect(4).top + Integer(Round((300 + page->TopMargin * 3.77953L) * Preview->GetZoom()));
    EXPECT_NEAR(10, expected, 1);
    tree->SetSelected(tree->GetItems()->GetItem(0));
    tree->Click();
    EXPECT_EQ(2, Preview->GetPageNo());
    EXPECT_TRUE(Preview->GetOutlineVisible());
    EXPECT_GE(Workspace()->GetLeft(), tree->GetWidth());
}

TEST_F(pvrPreviewTest, FreeingTheReportLeavesAnEmptyPreview) {
    Show();
    Module.reset();
    EXPECT_EQ(nullptr, Preview->Report);
    EXPECT_EQ(nullptr, Preview->PreviewPages);
    EXPECT_EQ(0, Preview->GetAllPages());
    Workspace()->Repaint();
    Preview->Next();
    Preview->FindNext();
    EXPECT_EQ(0, Preview->GetPageNo());
}

// ---- On screen ---------------------------------------------------------------------------------

TEST_F(pvrPreviewTest, ThePagesOnScreenArePicturedForAPerson) {
    Form->SetBounds(0, 0, 700, 560);
    Show();
    struct Shot {
        const char* Name;
        TpvrZoomMode Mode;
    };
    for (const Shot& shot : {Shot{"report-preview-100.png", zmDefault}, Shot{"report-preview-whole-page.png", zmWholePage},
                             Shot{"report-preview-two-pages.png", zmManyPages}}) {
        SCOPED_TRACE(shot.Name);
        if (shot.Mode == zmDefault) Preview->SetZoom(1);
        else Preview->SetZoomMode(shot.Mode);
        if (shot.Mode == zmDefault) Find("Channel 2", true);
        Workspace()->Repaint();
        const RECT client = Workspace()->GetClientRect();
        TBitmap bitmap;
        bitmap.SetPixelFormat(pf32bit);
        bitmap.SetSize(client.right, client.bottom);
        HDC dc = GetDC(Workspace()->GetHandle());
        BitBlt(bitmap.GetCanvas()->GetHandle(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        ReleaseDC(Workspace()->GetHandle(), dc);
        std::vector<std::uint32_t> pixels;
        Integer white = 0;
        Integer ink = 0;
        for (Integer y = 0; y < client.bottom; ++y) {
            const auto* scan = static_cast<const std::uint32_t*>(bitmap.GetScanLine(y));
            for (Integer x = 0; x < client.right; ++x) {
                const std::uint32_t rgb = scan[x] & 0xFFFFFF;
                pixels.push_back(rgb);
                if (rgb == 0xFFFFFF) ++white;
                else if (rgb != 0x808080) ++ink;
            }
        }
        testsupport::WritePng(testsupport::ArtifactPath(shot.Name), client.right, client.bottom, pixels);
        // Paper and something printed on it.
        EXPECT_GT(white, 1000);
        EXPECT_GT(ink, 100);
    }
}

} // namespace

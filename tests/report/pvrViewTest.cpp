#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/classlib/FormDefs.h"
#include "platform/classlib/Forms.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/TypInfo.h"
#include "report/pvrClass.h"
#include "tests/report/pvrViewTestHelpers.h"
#include "tests/support/FormFixture.h"

namespace {

class pvrViewTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Report = new TpvrReport(nullptr);
        Page = new TpvrReportPage(Report);
        Band = new TpvrMasterData(Page);
        Band->SetBounds(0, 0, 200, 50);
    }
    void TearDown() override {
        delete Report;
        TFormFixture::TearDown();
    }

    // Draws the view on a white image at a scale, with the page's own position left out.
    void DrawOn(TBitmap& image, TpvrView* view, Extended scale = 1, int width = 140, int height = 80) {
        viewtest::PrepareImage(image, width, height);
        const Extended offX = -scale * Page->GetLeft(), offY = -scale * Page->GetTop();
        view->Draw(image.GetCanvas(), scale, scale, offX, offY);
    }

    TColor Pixel(TBitmap& image, int x, int y) { return image.GetCanvas()->GetPixels(x, y); }

    template <class T> T* Make(Extended left = 10, Extended top = 10, Extended width = 50, Extended height = 20) {
        auto* view = new T(Band);
        view->SetBounds(left, top, width, height);
        return view;
    }

    TpvrReport* Report = nullptr;
    TpvrReportPage* Page = nullptr;
    TpvrDataBand* Band = nullptr;
};

TEST_F(pvrViewTest, BackgroundFillsThePixelRectangleUnlessTransparent) {
    auto* view = Make<TpvrShapeView>();
    TBitmap image;
    // The base drawing only: background and frame.
    auto drawBase = [&](TpvrView* v) {
        viewtest::PrepareImage(image, 140, 80);
        v->TpvrView::Draw(image.GetCanvas(), 1, 1, 0, 0);
    };
    drawBase(view);
    for (int y = 0; y < 80; y += 3)
        for (int x = 0; x < 140; x += 3) ASSERT_EQ(Pixel(image, x, y), clWhite) << x << "," << y;

    view->Color = clGreen;
    drawBase(view);
    EXPECT_EQ(Pixel(image, 10, 10), clGreen);
    EXPECT_EQ(Pixel(image, 59, 29), clGreen);
    EXPECT_EQ(Pixel(image, 60, 29), clWhite);
    EXPECT_EQ(Pixel(image, 59, 30), clWhite);

    view->Color = clTransparent;
    view->BrushStyle = bsCross;
    view->GetFrame()->Color = clRed;
    drawBase(view);
    int red = 0, white = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 60; ++x) (Pixel(image, x, y) == clRed ? red : white)++;
    EXPECT_GT(red, 0);
    EXPECT_GT(white, 0);
    viewtest::SaveImage(image, "pvrView_hatch.png");
}

TEST_F(pvrViewTest, FrameSidesAndShadow) {
    auto* view = Make<TpvrShapeView>();
    view->GetFrame()->Typ = TpvrFrameTypes{ftTop};
    TBitmap image;
    viewtest::PrepareImage(image, 140, 80);
    view->TpvrView::Draw(image.GetCanvas(), 1, 1, 0, 0);
    // One pixel row along the top, from the left edge to the right one.
    for (int x = 10; x < 60; ++x) EXPECT_EQ(Pixel(image, x, 10), clBlack) << x;
    EXPECT_EQ(Pixel(image, 9, 10), clWhite);
    EXPECT_EQ(Pixel(image, 60, 10), clWhite);
    EXPECT_EQ(Pixel(image, 30, 9), clWhite);
    EXPECT_EQ(Pixel(image, 30, 11), clWhite);

    // A shadow of 4 takes 4 pixels from the right and bottom of the framed rectangle.
    view->GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    view->GetFrame()->Color = clRed;
    view->GetFrame()->DropShadow = true;
    view->GetFrame()->ShadowColor = clBlue;
    viewtest::PrepareImage(image, 140, 80);
    view->TpvrView::Draw(image.GetCanvas(), 1, 1, 0, 0);
    viewtest::SaveImage(image, "pvrView_shadow.png");
    struct Probe {
        int X, Y;
        TColor Color;
    } probes[] = {
        {56, 20, clRed},   {30, 26, clRed},   {10, 20, clRed},  {57, 26, clBlue}, {58, 20, clBlue},
        {59, 14, clBlue},  {30, 28, clBlue},  {14, 29, clBlue}, {58, 12, clWhite}, {12, 28, clWhite},
        {60, 20, clWhite}, {30, 30, clWhite}, {30, 20, clWhite},
    };
    for (const Probe& p : probes) EXPECT_EQ(Pixel(image, p.X, p.Y), p.Color) << p.X << "," << p.Y;
}

TEST_F(pvrViewTest, EveryFrameStyleDraws) {
    auto* view = Make<TpvrShapeView>(20, 10, 80, 30);
    view->GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    view->GetFrame()->Color = clRed;
    const char* names[] = {"solid", "dash", "dot", "dashdot", "dashdotdot", "double"};
    for (Extended scale : {1.0L, 2.0L}) {
        for (int style = fsSolid; style <= fsDouble; ++style) {
            SCOPED_TRACE(names[style]);
            view->GetFrame()->Style = TpvrFrameStyle(style);
            view->GetFrame()->Width = style == fsDouble ? 1 : 2;
            TBitmap image;
            viewtest::PrepareImage(image, 280, 120);
            view->TpvrView::Draw(image.GetCanvas(), scale, scale, 0, 0);
            viewtest::SaveImage(image, std::string("pvrView_frame_") + names[style] + (scale == 1 ? "_1" : "_2") + ".png");
            const int top = int(10 * scale), left = int(20 * scale), right = int(100 * scale);
            const int fw = int(scale);
            int red = 0;
            for (int x = left; x < right; ++x) red += Pixel(image, x, style == fsDouble ? top - fw : top) == clRed;
            if (style == fsSolid) {
                EXPECT_EQ(red, right - left);
            } else if (style == fsDouble) {
                // Lines a frame width outside and inside the edge; the edge itself stays clear.
                EXPECT_EQ(red, right - left);
                EXPECT_EQ(Pixel(image, left + 10, top + fw), clRed);
                EXPECT_EQ(Pixel(image, left + 10, top), clWhite);
            } else {
                EXPECT_GT(red, 0);
                EXPECT_LT(red, right - left);
            }
        }
    }
}

TEST_F(pvrViewTest, ShapesDrawWithinTheView) {
    struct Case {
        TpvrShapeKind Shape;
        const char* Name;
        // Pixels relative to the view: inside colour or white.
        std::vector<std::pair<std::pair<int, int>, TColor>> Probes;
    } cases[] = {
        {skRectangle, "rectangle", {{{0, 0}, clRed}, {{40, 20}, clGreen}, {{80, 40}, clRed}, {{81, 40}, clWhite}}},
        {skRoundRectangle, "roundrect", {{{0, 0}, clWhite}, {{40, 20}, clGreen}, {{40, 0}, clRed}}},
        {skEllipse, "ellipse", {{{0, 0}, clWhite}, {{40, 20}, clGreen}, {{80, 40}, clWhite}}},
        {skTriangle, "triangle", {{{0, 0}, clWhite}, {{40, 30}, clGreen}, {{0, 40}, clRed}, {{80, 0}, clWhite}}},
        {skDiamond, "diamond", {{{0, 0}, clWhite}, {{40, 20}, clGreen}, {{80, 40}, clWhite}, {{40, 0}, clRed}}},
        {skDiagonal1, "diagonal1", {{{0, 40}, clRed}, {{0, 0}, clWhite}, {{40, 20}, clRed}}},
        {skDiagonal2, "diagonal2", {{{0, 0}, clRed}, {{0, 40}, clWhite}, {{40, 20}, clRed}}},
    };
    auto* view = Make<TpvrShapeView>(10, 10, 80, 40);
    view->Color = clGreen;
    view->GetFrame()->Color = clRed;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        view->Shape = c.Shape;
        TBitmap image;
        DrawOn(image, view);
        viewtest::SaveImage(image, std::string("pvrView_shape_") + c.Name + ".png");
        for (const auto& [at, colour] : c.Probes)
            EXPECT_EQ(Pixel(image, 10 + at.first, 10 + at.second), colour) << at.first << "," << at.second;
        TBitmap large;
        DrawOn(large, view, 2, 280, 160);
        viewtest::SaveImage(large, std::string("pvrView_shape_") + c.Name + "_2.png");
    }

    // Corners of a rounded rectangle: a quarter of the shorter side, or Curve tenths of a unit.
    view->Shape = skRoundRectangle;
    view->SetBounds(0, 0, 100, 40);
    auto corner = [&](Extended scale) {
        const auto records = viewtest::RecordsOf<EMRROUNDRECT>(
            [&](TCanvas* canvas) { view->Draw(canvas, scale, scale, 0, 0); }, EMR_ROUNDRECT);
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? SIZEL{} : records[0].szlCorner;
    };
    EXPECT_EQ(corner(1).cx, 10);
    EXPECT_EQ(corner(1).cy, 10);
    view->Curve = 2;
    EXPECT_EQ(corner(1).cx, 20);
    EXPECT_EQ(corner(2).cx, 40);
}

TEST_F(pvrViewTest, LinesTakeTheirDirectionFromTheirSize) {
    auto* horizontal = Make<TpvrLineView>(0, 5, 737, 0);
    TBitmap image;
    viewtest::PrepareImage(image, 760, 60);
    horizontal->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_TRUE(horizontal->GetFrame()->Typ == TpvrFrameTypes{ftTop});
    EXPECT_EQ(Pixel(image, 0, 5), clBlack);
    EXPECT_EQ(Pixel(image, 736, 5), clBlack);
    EXPECT_EQ(Pixel(image, 737, 5), clWhite);
    EXPECT_EQ(Pixel(image, 300, 6), clWhite);

    auto* vertical = Make<TpvrLineView>(20, 0, 0, 50);
    vertical->GetFrame()->Width = 3;
    viewtest::PrepareImage(image, 60, 60);
    vertical->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_TRUE(vertical->GetFrame()->Typ == TpvrFrameTypes{ftLeft});
    EXPECT_EQ(vertical->GetWidth(), 0);
    for (int x : {19, 20, 21}) EXPECT_EQ(Pixel(image, x, 25), clBlack) << x;
    EXPECT_EQ(Pixel(image, 22, 25), clWhite);
    EXPECT_EQ(Pixel(image, 18, 25), clWhite);

    // A diagonal keeps its size and runs corner to corner; a transparent frame draws nothing.
    auto* diagonal = Make<TpvrLineView>(0, 0, 40, 40);
    diagonal->Diagonal = true;
    viewtest::PrepareImage(image, 60, 60);
    diagonal->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_EQ(Pixel(image, 0, 0), clBlack);
    EXPECT_EQ(Pixel(image, 20, 20), clBlack);
    EXPECT_EQ(Pixel(image, 0, 39), clWhite);
    diagonal->GetFrame()->Color = clTransparent;
    viewtest::PrepareImage(image, 60, 60);
    diagonal->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_EQ(Pixel(image, 20, 20), clWhite);

    auto* designed = TpvrComponent::DesignCreate<TpvrLineView>(Band, 1);
    EXPECT_TRUE(designed->Diagonal);
    auto* shape = TpvrComponent::DesignCreate<TpvrShapeView>(Band, skEllipse);
    EXPECT_EQ(shape->Shape, skEllipse);
}

TEST_F(pvrViewTest, PicturesOfLinesAndShadows) {
    auto* horizontal = Make<TpvrLineView>(10, 10, 100, 0);
    horizontal->GetFrame()->Width = 2;
    auto* vertical = Make<TpvrLineView>(10, 20, 0, 40);
    vertical->GetFrame()->Style = fsDash;
    auto* diagonal = Make<TpvrLineView>(20, 20, 90, 40);
    diagonal->Diagonal = true;
    diagonal->GetFrame()->Width = 3;
    auto* shadowed = Make<TpvrShapeView>(20, 65, 90, 10);
    shadowed->GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    shadowed->GetFrame()->DropShadow = true;
    shadowed->GetFrame()->ShadowColor = clGray;
    shadowed->Color = clAqua;
    for (Extended scale : {1.0L, 2.0L}) {
        TBitmap image;
        viewtest::PrepareImage(image, int(130 * scale), int(90 * scale));
        for (TpvrView* view : std::vector<TpvrView*>{horizontal, vertical, diagonal})
            view->Draw(image.GetCanvas(), scale, scale, 0, 0);
        shadowed->TpvrView::Draw(image.GetCanvas(), scale, scale, 0, 0);
        viewtest::SaveImage(image, scale == 1 ? "pvrView_lines_1.png" : "pvrView_lines_2.png");
        // The shadow strip is as wide as the shadow at that scale.
        const int s = int(4 * scale);
        const int right = int(110 * scale) - s;
        EXPECT_EQ(image.GetCanvas()->GetPixels(right + s - 1, int(70 * scale)), clGray);
        EXPECT_EQ(image.GetCanvas()->GetPixels(right + s, int(70 * scale)), clWhite);
    }
}

TEST_F(pvrViewTest, ChildrenAlignByTheirAlignCodes) {
    auto* client = Make<TpvrShapeView>(5, 5, 10, 10);
    client->Align = baClient;
    Band->AlignChildren();
    EXPECT_EQ(client->GetLeft(), 0);
    EXPECT_EQ(client->GetTop(), 0);
    EXPECT_EQ(client->GetWidth(), 200);
    EXPECT_EQ(client->GetHeight(), 50);

    client->Align = baCenter;
    client->SetBounds(5, 7, 40, 10);
    auto* left = Make<TpvrLineView>(120, 30, 20, 10);
    left->Align = baLeft;
    auto* width = Make<TpvrLineView>(150, 30, 10, 10);
    width->Align = baWidth;
    auto* right = Make<TpvrLineView>(170, 30, 30, 10);
    right->Align = baRight;
    auto* bottom = Make<TpvrLineView>(10, 0, 30, 10);
    bottom->Align = baBottom;
    Band->AlignChildren();
    EXPECT_EQ(client->GetLeft(), 80);
    EXPECT_EQ(client->GetTop(), 7);
    EXPECT_EQ(left->GetLeft(), 0);
    EXPECT_EQ(width->GetLeft(), 20);
    EXPECT_EQ(right->GetLeft(), 170);
    EXPECT_EQ(width->GetWidth(), 150);
    EXPECT_EQ(bottom->GetTop(), 40);
}

TEST_F(pvrViewTest, DiffAttributesNameWhatChanged) {
    auto* original = Make<TpvrShapeView>();
    auto* copy = Make<TpvrShapeView>();
    EXPECT_EQ(copy->DiffAttributes(original), "");
    copy->Color = clRed;
    copy->GetFrame()->Typ = TpvrFrameTypes{ftLeft, ftBottom};
    copy->GetFrame()->Width = 2.5;
    copy->TagStr = "a<b";
    copy->Shape = skEllipse;
    EXPECT_EQ(copy->DiffAttributes(original),
              " Color=\"255\" Frame.Typ=\"9\" Frame.Width=\"2.5\" TagStr=\"a&#60;b\" Shape=\"2\"");
    // An aligned view leaves its left position out.
    copy->SetLeft(30);
    copy->Align = baLeft;
    EXPECT_EQ(copy->DiffAttributes(original).find(" l="), String::npos);
}

TEST_F(pvrViewTest, SubreportsLinkTheirPage) {
    auto* sub = Make<TpvrSubreport>(10, 10, 80, 30);
    sub->SetName("Sub1");
    EXPECT_TRUE(sub->GetFrame()->Typ == (TpvrFrameTypes{ftLeft, ftRight, ftTop, ftBottom}));
    EXPECT_EQ(sub->GetFont()->GetName(), "Tahoma");
    EXPECT_EQ(sub->GetFont()->GetSize(), 8);
    EXPECT_EQ(sub->Color, TColor(12632256));

    auto* second = new TpvrReportPage(Report);
    sub->SetPage(second);
    EXPECT_EQ(second->Subreport, sub);
    EXPECT_TRUE(second->IsSubreportPage());
    EXPECT_FALSE(Page->IsSubreportPage());
    // Freed, either side forgets the other.
    delete second;
    EXPECT_EQ(sub->GetPage(), nullptr);
    auto* third = new TpvrReportPage(Report);
    sub->SetPage(third);
    delete sub;
    EXPECT_EQ(third->Subreport, nullptr);

    auto* drawn = Make<TpvrSubreport>(10, 10, 80, 30);
    drawn->SetName("Sub2");
    const auto records = viewtest::RecordText([&](TCanvas* canvas) { drawn->Draw(canvas, 1, 1, 0, 0); });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Text, u"Sub2");
    EXPECT_EQ(records[0].Reference.x, 12);
    TBitmap image;
    DrawOn(image, drawn);
    EXPECT_EQ(Pixel(image, 10, 20), clBlack);
    EXPECT_EQ(Pixel(image, 80, 35), TColor(12632256));
    viewtest::SaveImage(image, "pvrView_subreport.png");
}

TEST_F(pvrViewTest, PageBackgroundFillsThePrintableArea) {
    Page->LeftMargin = 10;
    Page->TopMargin = 5;
    Page->RightMargin = 150;
    Page->BottomMargin = 250;
    Page->SetColor(clYellow);
    Page->GetFrame()->Typ = TpvrFrameTypes{ftLeft};
    Page->GetFrame()->Color = clRed;
    EXPECT_EQ(Page->GetBackground()->Color, clYellow);
    TBitmap image;
    viewtest::PrepareImage(image, 300, 200);
    Page->DrawBackground(image.GetCanvas(), 1, 1, 0, 0);
    viewtest::SaveImage(image, "pvrView_page_background.png");
    // 10 mm is 38 pixels, 5 mm 19; the area is 50 by 42 mm.
    EXPECT_EQ(Pixel(image, 37, 30), clWhite);
    EXPECT_EQ(Pixel(image, 38, 30), clRed);
    EXPECT_EQ(Pixel(image, 39, 30), clYellow);
    EXPECT_EQ(Pixel(image, 60, 18), clWhite);
    EXPECT_EQ(Pixel(image, 60, 19), clYellow);
    EXPECT_EQ(Pixel(image, 226, 100), clYellow);
    EXPECT_EQ(Pixel(image, 228, 100), clWhite);

    // The page stores them as its own settings.
    const String attributes = Page->AllAttributes();
    EXPECT_NE(attributes.find("Color=\"65535\""), String::npos) << attributes;
    EXPECT_NE(attributes.find("Frame.Typ=\"1\""), String::npos) << attributes;
    EXPECT_NE(GetPropInfo(Page, "BackPicture"), nullptr);
}

TEST_F(pvrViewTest, StoredDefinitionsBuildViews) {
    const String text = R"(object fViews: TDataModule
  object pvrReport: TpvrReport
    object Page1: TpvrReportPage
      Color = clYellow
      object PageHeader1: TpvrPageHeader
        Height = 100
        Width = 700
        object Title1: TpvrMemoView
          Left = 10
          Top = 5
          Width = 300
          Height = 20
          HAlign = haCenter
          Frame.Typ = [ftTop, ftBottom]
          DisplayFormat.Kind = fkDateTime
          DisplayFormat.FormatStr = 'yyyy/mm/dd'
          Memo.UTF8 = (
            '[Date]'
            '中文行')
        end
        object Line1: TpvrLineView
          Top = 40
          Width = 700
          Height = 0
          Frame.Width = 2
        end
        object Shape1: TpvrShapeView
          Shape = skEllipse
          Curve = 3
        end
        object Picture1: TpvrPictureView
          Center = True
        end
        object Sub1: TpvrSubreport
          PrintOnParent = True
        end
      end
    end
    object Page2: TpvrReportPage
    end
  end
end
)";
    auto read = [](const String& definition) {
        std::unique_ptr<TDataModule> module(new TDataModule(nullptr, TCreateNew{}));
        ReadComponentText(definition, module.get());
        return module;
    };
    std::unique_ptr<TDataModule> module = read(text);
    auto* report = dynamic_cast<TpvrReport*>(module->FindComponent("pvrReport"));
    ASSERT_NE(report, nullptr);
    auto* title = dynamic_cast<TpvrMemoView*>(report->FindObject("Title1"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->HAlign, haCenter);
    EXPECT_TRUE(title->GetFrame()->Typ == (TpvrFrameTypes{ftTop, ftBottom}));
    EXPECT_EQ(title->GetDisplayFormat()->Kind, fkDateTime);
    EXPECT_EQ(title->GetMemo()->GetStrings(1), u"中文行");
    auto* line = dynamic_cast<TpvrLineView*>(report->FindObject("Line1"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetFrame()->Width, 2);
    EXPECT_EQ(dynamic_cast<TpvrShapeView*>(report->FindObject("Shape1"))->Shape, skEllipse);
    EXPECT_TRUE(dynamic_cast<TpvrPictureView*>(report->FindObject("Picture1"))->Center);
    auto* sub = dynamic_cast<TpvrSubreport*>(report->FindObject("Sub1"));
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->PrintOnParent);
    EXPECT_EQ(dynamic_cast<TpvrReportPage*>(report->FindObject("Page1"))->GetColor(), clYellow);

    // Written and read again, the same text.
    const String written = WriteComponentText(module.get());
    std::unique_ptr<TDataModule> again = read(written);
    EXPECT_EQ(WriteComponentText(again.get()), written);
    EXPECT_NE(written.find("HAlign = haCenter"), String::npos) << written;

    // In the report's XML the subreport names its page, read back after the page exists.
    auto* page2 = dynamic_cast<TpvrReportPage*>(report->FindObject("Page2"));
    sub->SetPage(page2);
    TMemoryStream xml;
    report->SaveToStream(&xml, true);
    xml.SetPosition(0);
    TpvrReport copy(nullptr);
    copy.LoadFromStream(&xml);
    auto* subCopy = dynamic_cast<TpvrSubreport*>(copy.FindObject("Sub1"));
    ASSERT_NE(subCopy, nullptr);
    ASSERT_NE(subCopy->GetPage(), nullptr);
    EXPECT_EQ(subCopy->GetPage()->GetName(), "Page2");
    EXPECT_EQ(subCopy->GetPage()->Subreport, subCopy);
    auto* titleCopy = dynamic_cast<TpvrMemoView*>(copy.FindObject("Title1"));
    ASSERT_NE(titleCopy, nullptr);
    EXPECT_EQ(titleCopy->GetMemo()->GetText(), title->GetMemo()->GetText());
}

TEST_F(pvrViewTest, ViewClassesAreRegistered) {
    for (const char* name : {"TpvrMemoView", "TpvrSysMemoView", "TpvrCustomMemoView", "TpvrLineView",
                             "TpvrCustomLineView", "TpvrPictureView", "TpvrShapeView", "TpvrHighlight",
                             "TpvrSubreport"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(GetClass(name), nullptr);
    }
    TpvrView* memo = Make<TpvrMemoView>();
    EXPECT_EQ(memo->GetBaseName(), "Memo");
    EXPECT_EQ(Make<TpvrPictureView>()->Color, clWhite);
}

} // namespace

#include <gtest/gtest.h>

#include <memory>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/Resources.h"
#include "tests/support/FormFixture.h"

namespace {

class PicturesTest : public testsupport::TFormFixture {};

// The pixel of a bitmap as 0x00BBGGRR.
TColor PixelOf(TBitmap& bitmap, Integer x, Integer y) { return bitmap.GetCanvas()->GetPixels(x, y); }

// The main window's background: a tile the window's brush repeats.
TEST_F(PicturesTest, BackgroundBitmapLoads) {
    TBitmap background;
    background.LoadFromResourceName(HInstance, "PIC");
    EXPECT_EQ(64, background.GetWidth());
    EXPECT_EQ(64, background.GetHeight());
    // A quiet blue with a finer pattern over it.
    const TColor plain = PixelOf(background, 1, 0);
    EXPECT_GT((plain >> 16) & 0xFF, plain & 0xFF);
    EXPECT_NE(plain, PixelOf(background, 0, 0));
}

// The tool bar's images, 16 x 16 on the mask colour: New, Open, Save, Channel Edit, Print, Read,
// Write, Help, in the order of the tool buttons.
TEST_F(PicturesTest, ToolBarImagesLoadIntoAnImageList) {
    TBitmap strip;
    strip.LoadFromResourceName(HInstance, "TOOLBAR");
    EXPECT_EQ(16 * 8, strip.GetWidth());
    EXPECT_EQ(16, strip.GetHeight());
    std::unique_ptr<TImageList> images(new TImageList(Form));
    EXPECT_EQ(0, images->AddMasked(&strip, clFuchsia));
    ASSERT_EQ(8, images->GetCount());
    // Every image has a transparent top-right corner and something drawn in its middle.
    images->SetBkColor(clWhite);
    for (Integer i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        TBitmap image;
        ASSERT_TRUE(images->GetBitmap(i, &image));
        EXPECT_EQ(clWhite, PixelOf(image, 15, 0));
        bool drawn = false;
        for (Integer y = 4; y < 12; ++y)
            for (Integer x = 4; x < 12; ++x)
                drawn = drawn || PixelOf(image, x, y) != clWhite;
        EXPECT_TRUE(drawn);
    }
}

// The program's icon (32 x 32 and 16 x 16) is the application's icon from the start.
TEST_F(PicturesTest, ProgramIconIsTheApplicationsIcon) {
    ASSERT_NE(nullptr, FindResource(HInstance, TResourceId("MAINICON"), TResourceId(RT_GROUP_ICON)));
    TIcon* icon = App->GetIcon();
    ASSERT_FALSE(icon->GetEmpty());
    EXPECT_EQ(2, icon->GetImageCount());
    EXPECT_EQ(32, icon->GetWidth());
    EXPECT_EQ(32, icon->GetHeight());
    EXPECT_EQ(16, icon->GetImageSize(1).cx);
    // Drawn on white, its corners stay white and its body is dark.
    TBitmap drawn;
    drawn.SetWidth(32);
    drawn.SetHeight(32);
    drawn.GetCanvas()->GetBrush()->SetColor(clWhite);
    drawn.GetCanvas()->FillRect(TRect(0, 0, 32, 32));
    drawn.GetCanvas()->Draw(0, 0, icon);
    EXPECT_EQ(clWhite, PixelOf(drawn, 0, 31));
    EXPECT_EQ(clWhite, PixelOf(drawn, 31, 0));
    const TColor body = PixelOf(drawn, 16, 24);
    EXPECT_LT(body & 0xFF, 0x80);
}

// Windows show the program's icon in their caption, unless a form has an icon of its own.
TEST_F(PicturesTest, WindowsShowTheProgramIcon) {
    HICON program = App->GetIcon()->GetHandle();
    ASSERT_NE(nullptr, program);
    EXPECT_EQ(LRESULT(program), SendMessageA(Form->GetHandle(), WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(LRESULT(program), SendMessageA(Form->GetHandle(), WM_GETICON, ICON_SMALL2, 0));
    EXPECT_EQ(0, SendMessageA(Form->GetHandle(), WM_GETICON, ICON_SMALL, 0));

    TIcon own;
    own.SetHandle(LoadIconA(nullptr, IDI_QUESTION));
    Form->SetIcon(&own);
    const LRESULT shown = SendMessageA(Form->GetHandle(), WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(0, shown);
    EXPECT_NE(LRESULT(program), shown);
    EXPECT_EQ(LRESULT(Form->GetIcon()->GetHandle()), shown);
}

} // namespace

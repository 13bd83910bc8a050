#include "script/kq_igraphicsrtti.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Strings.h"
#include "script/kq_iclassesrtti.h"
#include "script/kq_isysrtti.h"
#include "tests/script/BindingHost.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

using bindinghost::BindingHost;
using bindinghost::Make;

namespace {

BindingHost MakeHost() {
    return BindingHost(
        {&Make<TkqSysRTTIFunctions>, &Make<TkqClassesRTTIFunctions>, &Make<TkqGraphicsRTTIFunctions>});
}

struct Case {
    const char* language;
    const char* text;
    const char* output;
};

TEST(kq_igraphicsrttiTest, ColoursAndStylesHaveTheirValues) {
    const Case cases[] = {
        {"PascalScript",
         "begin Print(clRed); Print(Format('%x', [clBtnFace])); Print(clDefault = $20000000); "
         "Print(clNone = $1FFFFFFF); Print(Format('%x', [clScrollBar])); Print(fsBold + fsUnderline); "
         "Print(fsStrikeout); Print(psClear); Print(pmNotXor); Print(bsDiagCross); Print(fpFixed) end.",
         "255\nFF00000F\nTrue\nTrue\nFF000000\n5\n8\n5\n15\n7\n2\n"},
        {"JScript",
         "Print(clRed); Print(Format(\"%x\", [clBtnFace])); Print(fsBold + fsUnderline); Print(clMedGray);",
         "255\nFF00000F\n5\n10789024\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

TEST(kq_igraphicsrttiTest, PixelsIsNamedAndPictureSizeIsReadOnly) {
    struct Error {
        const char* text;
        const char* message;
    } errors[] = {
        {"var b: TBitmap; begin b := TBitmap.Create; b.Canvas[1, 1] := 0 end.",
         "Class TCanvas does not have a default property"},
        {"var b: TBitmap; begin b := TBitmap.Create; Print(b.Canvas[1, 1]) end.",
         "Class TCanvas does not have a default property"},
        {"var p: TPicture; begin p.Height := 5 end.", "Left side cannot be assigned to"},
        {"var p: TPicture; begin p.Width := 5 end.", "Left side cannot be assigned to"},
        {"var b: TBitmap; begin b.Canvas := nil end.", "Left side cannot be assigned to"},
    };
    for (const Error& e : errors) {
        SCOPED_TRACE(e.text);
        BindingHost host = MakeHost();
        ASSERT_FALSE(host.Compile(e.text));
        EXPECT_EQ(host.Script->LastErrorText, e.message);
    }
    const Case cases[] = {
        {"PascalScript",
         "var b: TBitmap; begin b := TBitmap.Create; b.Width := 4; b.Height := 3; "
         "b.Canvas.Pixels[2, 1] := clRed; Print(b.Canvas.Pixels[2, 1]); Print(b.Width * 10 + b.Height); "
         "b.Free end.",
         "255\n43\n"},
        {"JScript",
         "var b = new TBitmap; b.Width = 4; b.Height = 3; b.Canvas.Pixels[3, 2] = clBlue; "
         "Print(b.Canvas.Pixels[3, 2]); Print(b.Width); b.Free;",
         "16711680\n4\n"},
        // A system colour goes into a colour property and comes back as the same colour.
        {"PascalScript",
         "var b: TBitmap; begin b := TBitmap.Create; b.Canvas.Brush.Color := clBtnFace; "
         "Print(b.Canvas.Brush.Color = clBtnFace); b.Canvas.Font.Style := fsBold + fsItalic; "
         "Print(b.Canvas.Font.Style); b.Free end.",
         "True\n3\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BindingHost host = MakeHost();
        EXPECT_EQ(host.Run(c.text, c.language), c.output);
    }
}

TEST(kq_igraphicsrttiTest, AScriptDrawsOnABitmap) {
    BindingHost host = MakeHost();
    TBitmap bitmap;
    host.Script->AddObject("Bitmap", &bitmap);
    EXPECT_EQ(host.Run("var c: TCanvas; begin Bitmap.Width := 100; Bitmap.Height := 100; c := Bitmap.Canvas; "
                       "c.Brush.Color := clWhite; c.Pen.Color := clWhite; c.Rectangle(0, 0, 100, 100); "
                       "c.Pen.Color := clRed; c.MoveTo(0, 50); c.LineTo(100, 50); "
                       "c.Pen.Color := clBlack; c.Brush.Color := clBlue; c.Rectangle(10, 10, 40, 40); "
                       "c.Brush.Color := clLime; c.Ellipse(55, 60, 95, 95); "
                       "c.Brush.Style := bsClear; c.Font.Color := clBlack; c.TextOut(5, 80, 'Radio'); "
                       "Print(c.Pixels[25, 25]) end."),
              "16711680\n");
    TCanvas* canvas = bitmap.GetCanvas();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            const std::uint32_t bgr = std::uint32_t(canvas->GetPixels(x, y));
            pixels.push_back(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
        }
    testsupport::WritePng(testsupport::ArtifactPath("kq_igraphicsrtti_drawing.png"), 100, 100, pixels);
    struct Probe {
        int x, y;
        TColor color;
    } probes[] = {
        {75, 50, clRed},  {20, 20, clBlue}, {10, 25, clBlack},
        {75, 80, clLime}, {95, 5, clWhite}, {56, 61, clWhite},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(canvas->GetPixels(p.x, p.y), p.color);
    }
}

} // namespace

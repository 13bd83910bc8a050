// The canvas: objects selected on demand and after changes, shapes with pens and brushes,
// flood fills, copies, text and TextRect's formats (probed where ink lands), events and
// locking, and a sheet of everything saved for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

struct TCounter {
    int Count = 0;
    void Bump(TObject*) { ++Count; }
};

// A white 32-bit bitmap to draw on.
std::unique_ptr<TBitmap> Sheet(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width, height);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

// The bounds of the pixels that are not white inside an area; empty when there are none.
TRect Ink(TCanvas* canvas, const TRect& area) {
    TRect r{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (canvas->GetPixels(x, y) != clWhite) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.left >= r.right) return TRect{};
    return r;
}

TEST(Canvas, ShapesWithPensAndBrushes) {
    struct Probe {
        int X, Y;
        TColor Color;
    };
    struct Case {
        const char* Name;
        std::function<void(TCanvas*)> Draw;
        std::vector<Probe> Probes;
    };
    const std::vector<Case> cases = {
        {"rectangle",
         [](TCanvas* c) {
             c->GetPen()->SetColor(clBlue);
             c->GetBrush()->SetColor(clRed);
             c->Rectangle(10, 10, 20, 20);
         },
         {{10, 10, clBlue}, {19, 15, clBlue}, {15, 19, clBlue}, {15, 15, clRed}, {20, 20, clWhite}}},
        {"clear brush",
         [](TCanvas* c) {
             c->GetBrush()->SetStyle(bsClear);
             c->Rectangle(10, 10, 20, 20);
         },
         {{10, 10, clBlack}, {15, 15, clWhite}}},
        {"clear pen",
         [](TCanvas* c) {
             c->GetPen()->SetStyle(psClear);
             c->GetBrush()->SetColor(clRed);
             c->Rectangle(10, 10, 20, 20);
         },
         {{10, 10, clRed}, {18, 18, clRed}, {9, 9, clWhite}}},
        {"wide pen",
         [](TCanvas* c) {
             c->GetPen()->SetWidth(3);
             c->MoveTo(5, 20);
             c->LineTo(35, 20);
         },
         {{20, 19, clBlack}, {20, 20, clBlack}, {20, 21, clBlack}, {20, 23, clWhite}}},
        {"line leaves out its end",
         [](TCanvas* c) {
             c->MoveTo(5, 5);
             c->LineTo(15, 5);
         },
         {{5, 5, clBlack}, {14, 5, clBlack}, {15, 5, clWhite}}},
        {"xor pen twice",
         [](TCanvas* c) {
             c->GetPen()->SetMode(pmXor);
             c->GetPen()->SetColor(clRed);
             c->MoveTo(5, 5);
             c->LineTo(15, 5);
             c->MoveTo(5, 5);
             c->LineTo(15, 5);
         },
         {{8, 5, clWhite}}},
        {"not pen",
         [](TCanvas* c) {
             c->GetPen()->SetMode(pmNot);
             c->MoveTo(5, 5);
             c->LineTo(15, 5);
         },
         {{8, 5, clBlack}}},
        {"fill and frame",
         [](TCanvas* c) {
             c->GetBrush()->SetColor(clLime);
             c->FillRect(TRect{2, 2, 8, 8});
             c->GetBrush()->SetColor(clNavy);
             c->FrameRect(TRect{20, 20, 30, 30});
         },
         {{2, 2, clLime}, {7, 7, clLime}, {8, 8, clWhite}, {20, 25, clNavy}, {25, 25, clWhite}}},
        {"ellipse",
         [](TCanvas* c) {
             c->GetBrush()->SetColor(clRed);
             c->Ellipse(0, 0, 30, 20);
         },
         {{15, 10, clRed}, {0, 0, clWhite}, {29, 19, clWhite}, {0, 10, clBlack}}},
        {"polygon",
         [](TCanvas* c) {
             c->GetBrush()->SetColor(clRed);
             c->Polygon(std::vector<TPoint>{{0, 0}, {30, 0}, {0, 30}});
         },
         {{5, 5, clRed}, {25, 25, clWhite}, {0, 0, clBlack}}},
        {"bezier ends where it says",
         [](TCanvas* c) {
             c->PolyBezier(std::vector<TPoint>{{0, 20}, {10, 0}, {20, 40}, {30, 20}});
         },
         {{0, 20, clBlack}, {15, 20, clBlack}}},
        {"pie",
         [](TCanvas* c) {
             c->GetBrush()->SetColor(clRed);
             c->Pie(0, 0, 30, 30, 30, 15, 15, 0); // the top-right quarter
         },
         {{20, 10, clRed}, {10, 20, clWhite}}},
        {"hatched brush leaves its gaps",
         [](TCanvas* c) {
             c->GetBrush()->SetColor(clBlue);
             c->GetBrush()->SetStyle(bsHorizontal);
             c->FillRect(TRect{0, 0, 16, 16});
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto bitmap = Sheet(40, 40);
        c.Draw(bitmap->GetCanvas());
        for (const Probe& p : c.Probes)
            EXPECT_EQ(bitmap->GetCanvas()->GetPixels(p.X, p.Y), p.Color) << p.X << "," << p.Y;
    }
    // A horizontal hatch: one row in eight, the others left as they were.
    auto hatched = Sheet(16, 16);
    hatched->GetCanvas()->GetBrush()->SetColor(clBlue);
    hatched->GetCanvas()->GetBrush()->SetStyle(bsHorizontal);
    hatched->GetCanvas()->FillRect(TRect{0, 0, 16, 16});
    int blue = 0, white = 0;
    for (int y = 0; y < 16; ++y) {
        const TColor c = hatched->GetCanvas()->GetPixels(3, y);
        blue += c == clBlue;
        white += c == clWhite;
        EXPECT_EQ(c, hatched->GetCanvas()->GetPixels(12, y)) << y;
    }
    EXPECT_EQ(blue, 2);
    EXPECT_EQ(white, 14);
}

TEST(Canvas, FloodFillBySurfaceAndByBorder) {
    auto bitmap = Sheet(30, 30);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetStyle(bsClear);
    canvas->Rectangle(5, 5, 25, 25);
    canvas->GetBrush()->SetColor(clRed);
    canvas->FloodFill(10, 10, clBlack, fsBorder);
    EXPECT_EQ(canvas->GetPixels(10, 10), clRed);
    EXPECT_EQ(canvas->GetPixels(23, 23), clRed);
    EXPECT_EQ(canvas->GetPixels(5, 5), clBlack);
    EXPECT_EQ(canvas->GetPixels(2, 2), clWhite);
    canvas->GetBrush()->SetColor(clLime);
    canvas->FloodFill(0, 0, clWhite, fsSurface);
    EXPECT_EQ(canvas->GetPixels(0, 0), clLime);
    EXPECT_EQ(canvas->GetPixels(29, 29), clLime);
    EXPECT_EQ(canvas->GetPixels(10, 10), clRed);
    // A start on another colour fills nothing.
    canvas->GetBrush()->SetColor(clBlue);
    canvas->FloodFill(10, 10, clWhite, fsSurface);
    EXPECT_EQ(canvas->GetPixels(10, 10), clRed);
}

TEST(Canvas, CopiesAndBrushCopy) {
    auto source = Sheet(10, 10);
    source->GetCanvas()->GetBrush()->SetColor(clRed);
    source->GetCanvas()->FillRect(TRect{0, 0, 5, 10});
    source->GetCanvas()->GetBrush()->SetColor(clBlue);
    source->GetCanvas()->FillRect(TRect{5, 0, 10, 10});

    auto target = Sheet(40, 40);
    TCanvas* canvas = target->GetCanvas();
    canvas->CopyRect(TRect{0, 0, 20, 20}, source->GetCanvas(), TRect{0, 0, 10, 10});
    EXPECT_EQ(canvas->GetPixels(2, 2), clRed);
    EXPECT_EQ(canvas->GetPixels(17, 17), clBlue);
    EXPECT_EQ(canvas->GetPixels(25, 25), clWhite);
    canvas->SetCopyMode(cmDstInvert);
    canvas->CopyRect(TRect{0, 0, 20, 20}, source->GetCanvas(), TRect{0, 0, 10, 10});
    EXPECT_EQ(canvas->GetPixels(2, 2), TColor(0xFFFF00)); // not red
    canvas->SetCopyMode(cmSrcCopy);

    canvas->GetBrush()->SetColor(clLime);
    canvas->BrushCopy(TRect{20, 20, 30, 30}, source.get(), TRect{0, 0, 10, 10}, clRed);
    EXPECT_EQ(canvas->GetPixels(22, 22), clLime);
    EXPECT_EQ(canvas->GetPixels(27, 27), clBlue);

    // Draw at the natural size, and a pattern brush from a bitmap.
    canvas->Draw(30, 0, source.get());
    EXPECT_EQ(canvas->GetPixels(31, 1), clRed);
    EXPECT_EQ(canvas->GetPixels(38, 8), clBlue);
    auto pattern = Sheet(8, 8);
    pattern->GetCanvas()->SetPixels(0, 0, clNavy);
    canvas->GetBrush()->SetBitmap(pattern.get());
    canvas->FillRect(TRect{0, 24, 16, 40});
    EXPECT_EQ(canvas->GetPixels(8, 32), clNavy);
    EXPECT_EQ(canvas->GetPixels(9, 32), clWhite);
    canvas->GetBrush()->SetBitmap(nullptr);
}

TEST(Canvas, SelectsObjectsOnDemandAndTakesThemOutAgain) {
    auto bitmap = Sheet(60, 30);
    HBITMAP surface = bitmap->GetHandle();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, surface);
    HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), brush = GetCurrentObject(dc, OBJ_BRUSH),
            font = GetCurrentObject(dc, OBJ_FONT);
    {
        TCanvas canvas;
        EXPECT_FALSE(canvas.HandleAllocated());
        try {
            canvas.LineTo(1, 1);
            FAIL() << "no error";
        } catch (const EInvalidOperation& e) {
            EXPECT_EQ(e.Message, "Canvas does not allow drawing");
        }
        canvas.SetHandle(dc);
        canvas.GetPen()->SetColor(clRed);
        canvas.MoveTo(0, 0);
        canvas.LineTo(10, 0);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), canvas.GetPen()->GetHandle());
        EXPECT_EQ(GetPixel(dc, 5, 0), COLORREF(clRed));
        // A change takes effect at the next drawing.
        canvas.GetPen()->SetColor(clBlue);
        canvas.LineTo(20, 0);
        EXPECT_EQ(GetPixel(dc, 15, 0), COLORREF(clBlue));
        EXPECT_EQ(canvas.GetPenPos().x, 20);
        canvas.SetPixels(3, 3, clLime);
        EXPECT_EQ(canvas.GetPixels(3, 3), clLime);
        EXPECT_EQ(canvas.GetClipRect().right, 60);
        canvas.SetHandle(nullptr);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    }
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
}

TEST(Canvas, EventsAndLocking) {
    auto bitmap = Sheet(20, 20);
    TCanvas* canvas = bitmap->GetCanvas();
    TCounter changing, changed, bitmapChanged;
    canvas->OnChanging = MakeEvent(&changing, &TCounter::Bump);
    canvas->OnChange = MakeEvent(&changed, &TCounter::Bump);
    bitmap->OnChange = MakeEvent(&bitmapChanged, &TCounter::Bump);
    canvas->Rectangle(0, 0, 5, 5);
    canvas->TextOut(0, 0, "x");
    canvas->MoveTo(3, 3); // not a change
    canvas->TextWidth("abc");
    EXPECT_EQ(changing.Count, 2);
    EXPECT_EQ(changed.Count, 2);
    EXPECT_EQ(bitmapChanged.Count, 2);

    canvas->Lock();
    EXPECT_EQ(canvas->GetLockCount(), 1);
    std::atomic<bool> gotIt{true};
    std::thread([&] { gotIt = canvas->TryLock(); }).join();
    EXPECT_FALSE(gotIt);
    EXPECT_TRUE(canvas->TryLock()); // the same thread may lock again
    canvas->Unlock();
    canvas->Unlock();
    EXPECT_EQ(canvas->GetLockCount(), 0);
    std::thread([&] {
        gotIt = canvas->TryLock();
        if (gotIt) canvas->Unlock();
    }).join();
    EXPECT_TRUE(gotIt);
}

TEST(Canvas, TextOutExtentAndFontChanges) {
    auto bitmap = Sheet(200, 40);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetFont()->SetName("Courier New");
    canvas->GetFont()->SetHeight(-20);
    canvas->GetFont()->SetColor(clBlack);
    const TSize size = canvas->TextExtent("WWWW");
    EXPECT_GT(size.cx, 30);
    EXPECT_EQ(canvas->TextWidth("WW") * 2, size.cx); // one pitch
    EXPECT_EQ(canvas->TextHeight("W"), size.cy);

    canvas->GetBrush()->SetStyle(bsClear);
    canvas->TextOut(2, 2, "WWWW");
    EXPECT_EQ(canvas->GetPenPos().x, 2 + size.cx);
    const TRect black = Ink(canvas, TRect{0, 0, 100, 40});
    EXPECT_GE(black.left, 2);
    EXPECT_LE(black.right, 2 + size.cx + 1);
    canvas->GetFont()->SetColor(clRed);
    canvas->TextOut(100, 2, "WWWW");
    bool red = false;
    for (int x = 100; x < 200 && !red; ++x)
        for (int y = 0; y < 40 && !red; ++y)
            red = canvas->GetPixels(x, y) == clRed;
    EXPECT_TRUE(red);
    // A bigger font measures bigger at once.
    canvas->GetFont()->SetHeight(-30);
    EXPECT_GT(canvas->TextWidth("WWWW"), size.cx);
    // With a solid brush the text cell is filled with its colour.
    canvas->GetBrush()->SetColor(clYellow);
    canvas->TextOut(0, 0, " ");
    EXPECT_EQ(canvas->GetPixels(1, 1), clYellow);
}

TEST(Canvas, TextRectFormats) {
    const TRect box{20, 10, 220, 70};
    struct Case {
        const char* Name;
        TTextFormat Format;
        String Text;
        std::function<void(const TRect& ink, int width, int line)> Check;
    };
    const std::vector<Case> cases = {
        {"left top", TTextFormat{tfLeft, tfTop, tfSingleLine}, "Abc",
         [&](const TRect& ink, int, int line) {
             EXPECT_LE(ink.left, box.left + 2);
             EXPECT_LT(ink.bottom, box.top + line + 1);
         }},
        {"right", TTextFormat{tfRight, tfSingleLine}, "Abc",
         [&](const TRect& ink, int, int) {
             EXPECT_GE(ink.right, box.right - 2);
             EXPECT_GT(ink.left, box.left + 100);
         }},
        {"centred both ways", TTextFormat{tfCenter, tfVerticalCenter, tfSingleLine}, "Abc",
         [&](const TRect& ink, int, int) {
             const int mid = (box.left + box.right) / 2, middle = (box.top + box.bottom) / 2;
             EXPECT_NEAR((ink.left + ink.right) / 2, mid, 3);
             EXPECT_NEAR((ink.top + ink.bottom) / 2, middle, 5);
         }},
        {"bottom", TTextFormat{tfBottom, tfSingleLine}, "Abc",
         [&](const TRect& ink, int, int line) {
             EXPECT_GT(ink.top, box.bottom - line - 1);
             EXPECT_LE(ink.bottom, box.bottom);
         }},
        {"word break", TTextFormat{tfWordBreak}, "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj",
         [&](const TRect& ink, int, int line) {
             EXPECT_GT(ink.bottom - ink.top, line); // more than one line
             EXPECT_LE(ink.right, box.right);
         }},
        {"clipped without word break", TTextFormat{tfSingleLine},
         "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj",
         [&](const TRect& ink, int, int line) {
             EXPECT_LE(ink.bottom - ink.top, line);
             EXPECT_LE(ink.right, box.right);
             EXPECT_GE(ink.right, box.right - 12);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto bitmap = Sheet(240, 80);
        TCanvas* canvas = bitmap->GetCanvas();
        canvas->GetFont()->SetName("Courier New");
        canvas->GetFont()->SetHeight(-16);
        canvas->GetFont()->SetColor(clBlack);
        canvas->GetBrush()->SetStyle(bsClear);
        TRect r = box;
        canvas->TextRect(r, c.Text, c.Format);
        const TRect ink = Ink(canvas, TRect{0, 0, 240, 80});
        ASSERT_LT(ink.left, ink.right);
        EXPECT_GE(ink.left, box.left);
        EXPECT_GE(ink.top, box.top);
        EXPECT_LE(ink.bottom, box.bottom);
        c.Check(ink, canvas->TextWidth(c.Text), canvas->TextHeight("Ag"));
    }

    auto bitmap = Sheet(240, 80);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->GetFont()->SetName("Courier New");
    canvas->GetFont()->SetHeight(-16);
    // Measuring draws nothing and gives the bounds.
    TRect measured{10, 10, 60, 10};
    canvas->TextRect(measured, String("one two three four"), TTextFormat{tfCalcRect, tfWordBreak});
    EXPECT_EQ(Ink(canvas, TRect{0, 0, 240, 80}).right, 0);
    EXPECT_EQ(measured.left, 10);
    EXPECT_GE(measured.bottom - measured.top, 3 * canvas->TextHeight("Ag"));
    // The ellipsis written back.
    String text = "a rather long text that does not fit";
    TRect narrow{0, 0, 80, 20};
    canvas->TextRect(narrow, text, TTextFormat{tfEndEllipsis, tfModifyString, tfSingleLine});
    EXPECT_NE(text.find("..."), String::npos) << text;
    EXPECT_LT(text.size(), 36u);
    // A prefix character underlines instead of showing, unless tfNoPrefix.
    TRect a{0, 0, 200, 20}, b{0, 40, 200, 60};
    canvas->TextRect(a, String("&Save"), TTextFormat{tfCalcRect, tfSingleLine});
    canvas->TextRect(b, String("&Save"), TTextFormat{tfCalcRect, tfSingleLine, tfNoPrefix});
    EXPECT_LT(a.right - a.left, b.right - b.left);

    // TextRect at a point clips to the rectangle and fills it with the brush.
    canvas->GetBrush()->SetColor(clYellow);
    canvas->TextRect(TRect{100, 50, 130, 70}, 100, 50, "WWWWWWWWWW");
    EXPECT_EQ(canvas->GetPixels(129, 69), clYellow);
    EXPECT_EQ(Ink(canvas, TRect{131, 40, 240, 80}).right, 0);
}

TEST(Canvas, FocusRectanglesUndoThemselves) {
    auto bitmap = Sheet(30, 30);
    TCanvas* canvas = bitmap->GetCanvas();
    canvas->DrawFocusRect(TRect{5, 5, 25, 25});
    EXPECT_NE(Ink(canvas, TRect{0, 0, 30, 30}).right, 0);
    canvas->DrawFocusRect(TRect{5, 5, 25, 25});
    EXPECT_EQ(Ink(canvas, TRect{0, 0, 30, 30}).right, 0);
}

// Everything on one sheet, saved under the artifacts for a person to look at.
TEST(Canvas, SheetForALook) {
    auto bitmap = Sheet(640, 400);
    TCanvas* c = bitmap->GetCanvas();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(10);
    c->GetFont()->SetColor(clBlack);
    c->GetBrush()->SetStyle(bsClear);
    c->TextOut(10, 5, "Pen styles");
    const TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame};
    for (int i = 0; i < 7; ++i) {
        c->GetPen()->SetStyle(styles[i]);
        c->MoveTo(10, 30 + 10 * i);
        c->LineTo(150, 30 + 10 * i);
    }
    c->GetPen()->SetStyle(psSolid);
    for (int w = 1; w <= 5; ++w) {
        c->GetPen()->SetWidth(w);
        c->GetPen()->SetColor(TColor(0x3060A0 * w & 0xFFFFFF));
        c->MoveTo(170 + 15 * w, 30);
        c->LineTo(170 + 15 * w + 40, 100);
    }
    c->GetPen()->SetWidth(1);
    c->GetPen()->SetColor(clBlack);
    c->GetBrush()->SetStyle(bsClear);
    c->TextOut(10, 110, "Brush styles");
    const TBrushStyle brushes[] = {bsSolid,     bsClear,     bsHorizontal, bsVertical,
                                   bsFDiagonal, bsBDiagonal, bsCross,      bsDiagCross};
    for (int i = 0; i < 8; ++i) {
        c->GetBrush()->SetColor(clNavy);
        c->GetBrush()->SetStyle(brushes[i]);
        c->Rectangle(10 + 45 * i, 130, 50 + 45 * i, 170);
    }
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(clYellow);
    c->Ellipse(380, 20, 460, 80);
    c->GetBrush()->SetColor(clAqua);
    c->RoundRect(470, 20, 560, 80, 20, 20);
    c->GetBrush()->SetColor(clFuchsia);
    c->Pie(380, 90, 450, 160, 450, 125, 415, 90);
    c->GetBrush()->SetColor(clLime);
    c->Chord(460, 90, 530, 160, 530, 140, 460, 110);
    c->Arc(540, 90, 620, 160, 620, 125, 540, 125);
    c->GetBrush()->SetColor(clSilver);
    c->Polygon(std::vector<TPoint>{{20, 190}, {120, 190}, {70, 260}});
    c->Polyline(std::vector<TPoint>{{140, 190}, {180, 260}, {220, 190}, {260, 260}});
    c->PolyBezier(std::vector<TPoint>{{280, 260}, {300, 170}, {360, 300}, {380, 190}});

    TBitmap sprite;
    sprite.SetSize(32, 32);
    sprite.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    sprite.GetCanvas()->FillRect(TRect{0, 0, 32, 32});
    sprite.GetCanvas()->GetBrush()->SetColor(clRed);
    sprite.GetCanvas()->Ellipse(4, 4, 28, 28);
    c->Draw(400, 180, &sprite);
    sprite.SetTransparent(true);
    c->Draw(440, 180, &sprite);
    c->StretchDraw(TRect{480, 180, 560, 260}, &sprite);

    c->GetFont()->SetSize(12);
    c->GetFont()->SetStyle(TFontStyles{fsBold});
    c->GetBrush()->SetColor(clCream);
    c->TextOut(10, 280, "TextOut on a cream brush");
    c->GetFont()->SetStyle(TFontStyles{fsItalic, fsUnderline});
    c->GetFont()->SetColor(clMaroon);
    c->GetBrush()->SetStyle(bsClear);
    TRect r{10, 310, 300, 390};
    c->GetPen()->SetColor(clGray);
    c->Rectangle(r);
    c->TextRect(r, String("TextRect centred and word-wrapped across the lines of its rectangle"),
                TTextFormat{tfCenter, tfWordBreak});
    c->DrawFocusRect(TRect{320, 300, 620, 390});
    c->GetFont()->SetStyle(TFontStyles());
    c->GetFont()->SetName("SimSun");
    c->TextOut(330, 320, "\xE4\xB8\xAD\xE6\x96\x87 Chinese");

    const std::string path = testsupport::ArtifactPath("CanvasSheet.png");
    std::vector<std::uint32_t> pixels(640 * 400);
    for (int y = 0; y < 400; ++y) {
        const auto* row = static_cast<const std::uint32_t*>(bitmap->GetScanLine(y));
        std::copy(row, row + 640, pixels.begin() + std::ptrdiff_t(y) * 640);
    }
    testsupport::WritePng(path, 640, 400, pixels);
    // A few of the things a person would check.
    EXPECT_EQ(c->GetPixels(420, 50), clYellow);
    EXPECT_EQ(c->GetPixels(416, 196), clRed);
    EXPECT_EQ(c->GetPixels(441, 181), clWhite); // transparent corner of the sprite
    EXPECT_EQ(c->GetPixels(401, 181), clFuchsia);
}

} // namespace

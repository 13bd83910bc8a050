// The class library's image lists: adding from bitmaps (masked by a colour or the bitmap's own
// transparent colour) and icons, inserting, replacing, deleting, moving, the drawing styles,
// the disabled look, change links, the stored images of a window definition, and the drag image.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/ImgList.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Streams.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

const std::map<char, TColor>& Palette() {
    static const std::map<char, TColor> palette{{'R', clRed},    {'G', clLime},    {'B', clBlue},
                                                {'Y', clYellow}, {'m', clFuchsia}, {'g', clGray},
                                                {'W', clWhite},  {'K', clBlack},   {'o', clOlive}};
    return palette;
}

std::unique_ptr<TBitmap> MakeBitmap(std::initializer_list<const char*> rows) {
    std::vector<std::string> lines(rows.begin(), rows.end());
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(int(lines[0].size()), int(lines.size()));
    for (int y = 0; y < int(lines.size()); ++y)
        for (int x = 0; x < int(lines[y].size()); ++x)
            bitmap->GetCanvas()->SetPixels(x, y, Palette().at(lines[y][x]));
    return bitmap;
}

// A canvas of w x h filled with a colour, read back as rows of palette letters ('?' for
// others, or the extra letters given).
class Target {
public:
    Target(int w, int h, TColor fill = clGray) {
        FBitmap.SetSize(w, h);
        FBitmap.GetCanvas()->GetBrush()->SetColor(fill);
        FBitmap.GetCanvas()->FillRect(TRect{0, 0, w, h});
    }
    TCanvas* Canvas() { return FBitmap.GetCanvas(); }
    TColor Pixel(int x, int y) { return ColorToRGB(FBitmap.GetCanvas()->GetPixels(x, y)); }
    std::string Map(const std::map<TColor, char>& extra = {}) {
        std::string out;
        for (int y = 0; y < FBitmap.GetHeight(); ++y) {
            if (y) out += '\n';
            for (int x = 0; x < FBitmap.GetWidth(); ++x) {
                TColor c = Pixel(x, y);
                char letter = '?';
                for (const auto& [l, color] : Palette())
                    if (ColorToRGB(color) == c) letter = l;
                auto it = extra.find(c);
                if (it != extra.end()) letter = it->second;
                out += letter;
            }
        }
        return out;
    }
    void Save(const std::string& name) {
        std::vector<std::uint32_t> pixels;
        const int scale = 8;
        int w = FBitmap.GetWidth() * scale, h = FBitmap.GetHeight() * scale;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                TColor c = Pixel(x / scale, y / scale);
                pixels.push_back((std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) |
                                 GetBValue(c));
            }
        testsupport::WritePng(testsupport::ArtifactPath(name + ".png"), w, h, pixels);
    }

private:
    TBitmap FBitmap;
};

std::string Rows(std::initializer_list<const char*> rows) {
    std::string out;
    for (const char* row : rows) {
        if (!out.empty()) out += '\n';
        out += row;
    }
    return out;
}

// The colour at (1, 1) of every image drawn transparently, one letter per image.
std::string Letters(TCustomImageList& list) {
    std::string out;
    for (int i = 0; i < list.GetCount(); ++i) {
        Target t(list.GetWidth(), list.GetHeight());
        list.Draw(t.Canvas(), 0, 0, i, dsTransparent, itImage);
        out += t.Map()[std::size_t(list.GetWidth()) + 2];
    }
    return out;
}

std::string Drawn(TCustomImageList& list, int index, bool enabled = true) {
    Target t(list.GetWidth(), list.GetHeight());
    list.Draw(t.Canvas(), 0, 0, index, enabled);
    return t.Map();
}

TEST(ImgListTest, AddingMasksByColourOrByTheBitmapsTransparentColour) {
    TImageList list(nullptr);
    EXPECT_EQ(list.GetWidth(), 16);
    EXPECT_TRUE(list.GetMasked());
    list.SetWidth(4);
    list.SetHeight(4);

    auto strip = MakeBitmap({"mRRRYBBB", "RRRRBBBB", "RRRRBBBB", "RRRmYBBB"});
    EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(Drawn(list, 0), Rows({"gRRR", "RRRR", "RRRR", "RRRg"}));
    EXPECT_EQ(Drawn(list, 1), Rows({"YBBB", "BBBB", "BBBB", "YBBB"}));

    // clDefault: the bitmap's transparent colour, its bottom-left pixel unless one is fixed.
    auto corner = MakeBitmap({"GGGG", "GGRG", "GGGG", "YGGG"});
    EXPECT_EQ(list.AddMasked(corner.get(), clDefault), 2);
    EXPECT_EQ(Drawn(list, 2), Rows({"GGGG", "GGRG", "GGGG", "gGGG"}));
    corner->SetTransparentColor(clLime);
    EXPECT_EQ(list.AddMasked(corner.get(), clDefault), 3);
    EXPECT_EQ(Drawn(list, 3), Rows({"gggg", "ggRg", "gggg", "Yggg"}));
    // clNone: no mask.
    EXPECT_EQ(list.AddMasked(corner.get(), clNone), 4);
    EXPECT_EQ(Drawn(list, 4), Rows({"GGGG", "GGRG", "GGGG", "YGGG"}));

    // An explicit mask: white is transparent.
    auto mask = MakeBitmap({"WWKK", "WKKK", "KKKK", "KKKK"});
    EXPECT_EQ(list.Add(corner.get(), mask.get()), 5);
    EXPECT_EQ(Drawn(list, 5), Rows({"ggGG", "gGRG", "GGGG", "YGGG"}));
    EXPECT_EQ(list.Add(nullptr, nullptr), -1);

    // The source bitmaps are left alone.
    EXPECT_EQ(ColorToRGB(strip->GetCanvas()->GetPixels(0, 0)), ColorToRGB(clFuchsia));
}

TEST(ImgListTest, InsertReplaceDeleteMoveKeepTheOrder) {
    TImageList list(nullptr, 4, 4);
    auto rgb = MakeBitmap({"RRRRGGGGBBBB", "RRRRGGGGBBBB", "RRRRGGGGBBBB", "RRRRGGGGBBBB"});
    auto yellow = MakeBitmap({"mYYY", "YYYY", "YYYY", "YYYY"});
    auto white = MakeBitmap({"WWWW", "WWWW", "WWWW", "WWWW"});
    ASSERT_EQ(list.Add(rgb.get(), nullptr), 0);
    struct Step {
        const char* Name;
        std::function<void()> Action;
        const char* Expected;
    };
    std::vector<Step> steps{
        {"move 0 to 2", [&] { list.Move(0, 2); }, "GBR"},
        {"move 2 to 0", [&] { list.Move(2, 0); }, "RGB"},
        {"move 1 to 1", [&] { list.Move(1, 1); }, "RGB"},
        {"insert at 1", [&] { list.InsertMasked(1, yellow.get(), clFuchsia); }, "RYGB"},
        {"insert at the end", [&] { list.Insert(4, white.get(), nullptr); }, "RYGBW"},
        {"insert a strip at 0", [&] { list.Insert(0, rgb.get(), nullptr); }, "RGBRYGBW"},
        {"delete 0", [&] { list.Delete(0); }, "GBRYGBW"},
        {"replace 0", [&] { list.Replace(0, white.get(), nullptr); }, "WBRYGBW"},
        {"replace masked", [&] { list.ReplaceMasked(1, yellow.get(), clFuchsia); }, "WYRYGBW"},
        {"clear", [&] { list.Clear(); }, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Action();
        EXPECT_EQ(Letters(list), step.Expected);
    }
    // The masked replacement is transparent where the key colour was.
    list.Add(rgb.get(), nullptr);
    list.ReplaceMasked(2, yellow.get(), clFuchsia);
    EXPECT_EQ(Drawn(list, 2).substr(0, 4), "gYYY");

    struct Bad {
        const char* Name;
        std::function<void()> Action;
    };
    std::vector<Bad> bad{{"delete past the end", [&] { list.Delete(3); }},
                         {"delete below", [&] { list.Delete(-2); }},
                         {"replace past the end", [&] { list.Replace(3, white.get(), nullptr); }},
                         {"move from outside", [&] { list.Move(5, 0); }},
                         {"move to outside", [&] { list.Move(0, 3); }},
                         {"insert past the end", [&] { list.Insert(4, white.get(), nullptr); }},
                         {"size 0", [&] { list.SetWidth(0); }}};
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.Name);
        EXPECT_THROW(b.Action(), EInvalidOperation);
        EXPECT_EQ(Letters(list), "RGY");
    }
    // A new size drops the images.
    list.SetWidth(5);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(ImgListTest, DrawingStylesAndImageTypes) {
    TImageList list(nullptr, 4, 4);
    auto image = MakeBitmap({"mRRR", "RRRR", "RRRR", "RRRR"});
    list.AddMasked(image.get(), clFuchsia);
    struct Case {
        const char* Name;
        TColor Bk, Blend;
        TDrawingStyle Style;
        TImageType Type;
        const char* Row0;
    };
    std::vector<Case> cases{
        {"transparent", clYellow, clNone, dsTransparent, itImage, "gRRR"},
        {"normal without background", clNone, clNone, dsNormal, itImage, "gRRR"},
        {"normal with background", clYellow, clNone, dsNormal, itImage, "YRRR"},
        {"mask", clNone, clNone, dsNormal, itMask, "WKKK"},
        {"selected blends half", clNone, clWhite, dsSelected, itImage, "gppp"},
        {"focus blends a quarter", clNone, clBlue, dsFocus, itImage, "gfff"},
    };
    std::map<TColor, char> extra{{TColor(RGB(255, 128, 128)), 'p'}, {TColor(RGB(191, 0, 64)), 'f'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        list.SetBkColor(c.Bk);
        list.SetBlendColor(c.Blend);
        list.SetDrawingStyle(c.Style);
        list.SetImageType(c.Type);
        Target t(4, 4);
        list.Draw(t.Canvas(), 0, 0, 0);
        EXPECT_EQ(t.Map(extra).substr(0, 4), c.Row0);
    }
    // The explicit form ignores the list's settings; overlays go on top; outside: nothing.
    list.SetBkColor(clNone);
    list.SetDrawingStyle(dsNormal);
    list.SetImageType(itImage);
    auto overlay = MakeBitmap({"mmmB", "mmmm", "mmmm", "mmmm"});
    list.AddMasked(overlay.get(), clFuchsia);
    EXPECT_TRUE(list.Overlay(1, 0));
    EXPECT_FALSE(list.Overlay(1, 4));
    Target t(6, 4);
    list.DrawOverlay(t.Canvas(), 1, 0, 0, 0);
    EXPECT_EQ(t.Map().substr(0, 6), "ggRRBg");
    list.Draw(t.Canvas(), 0, 0, 7);
    list.Draw(t.Canvas(), 0, 0, -1);
    EXPECT_EQ(t.Map().substr(0, 6), "ggRRBg");
}

TEST(ImgListTest, DisabledDrawIsEmbossedInHighlightAndShadow) {
    // A dark 2 x 2 square and a white pixel (which stays out of the shape) on a key background.
    TImageList list(nullptr, 6, 6);
    auto image = MakeBitmap({"mmmmmm", "mmmmmm", "mmKKmm", "mmKKWm", "mmmmmm", "mmmmmm"});
    list.AddMasked(image.get(), clFuchsia);
    Target t(6, 6, clBtnFace);
    list.Draw(t.Canvas(), 0, 0, 0, false);
    t.Save("ImgList_Disabled");
    std::map<TColor, char> extra{
        {ColorToRGB(clBtnFace), '.'}, {ColorToRGB(clBtnHighlight), 'h'}, {ColorToRGB(clBtnShadow), 's'}};
    EXPECT_EQ(t.Map(extra), Rows({"......", "......", "..ss..", "..ssh.", "...hh.", "......"}));
    // Enabled: the picture itself.
    Target e(6, 6, clBtnFace);
    list.Draw(e.Canvas(), 0, 0, 0, true);
    EXPECT_EQ(e.Map({{ColorToRGB(clBtnFace), '.'}}),
              Rows({"......", "......", "..KK..", "..KKW.", "......", "......"}));
}

TEST(ImgListTest, GetBitmapGetIconAndAddImages) {
    TImageList list(nullptr, 4, 4);
    auto image = MakeBitmap({"mBBB", "BBBB", "BBBB", "BBBm"});
    list.AddMasked(image.get(), clFuchsia);

    TBitmap bitmap;
    EXPECT_FALSE(list.GetBitmap(1, &bitmap));
    ASSERT_TRUE(list.GetBitmap(0, &bitmap));
    EXPECT_EQ(bitmap.GetWidth(), 4);
    EXPECT_EQ(ColorToRGB(bitmap.GetCanvas()->GetPixels(0, 0)), ColorToRGB(clBlack));
    EXPECT_EQ(ColorToRGB(bitmap.GetCanvas()->GetPixels(1, 0)), ColorToRGB(clBlue));
    list.SetBkColor(clYellow);
    ASSERT_TRUE(list.GetBitmap(0, &bitmap));
    EXPECT_EQ(ColorToRGB(bitmap.GetCanvas()->GetPixels(0, 0)), ColorToRGB(clYellow));
    list.SetBkColor(clNone);

    TIcon icon;
    list.GetIcon(0, &icon);
    ASSERT_FALSE(icon.GetEmpty());
    EXPECT_EQ(icon.GetWidth(), 4);
    TImageList other(nullptr, 8, 8);
    EXPECT_EQ(other.AddIcon(&icon), 0);
    other.AddImages(&list);
    EXPECT_EQ(other.GetCount(), 2);
    EXPECT_EQ(Drawn(other, 1).substr(0, 8), "ggBBBBBB");
    other.InsertIcon(0, &icon);
    EXPECT_EQ(other.GetCount(), 3);

    // Masked off keeps the images (opaque); on again keeps them too.
    list.SetMasked(false);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(Drawn(list, 0).substr(0, 4), "KBBB");
    list.SetMasked(true);
    EXPECT_EQ(Drawn(list, 0).substr(0, 4), "KBBB");

    // Assign copies settings and images.
    TImageList copy(nullptr);
    other.SetBkColor(clRed);
    copy.Assign(&other);
    EXPECT_EQ(copy.GetWidth(), 8);
    EXPECT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.GetBkColor(), clRed);
    EXPECT_NE(copy.GetHandle(), other.GetHandle());
}

TEST(ImgListTest, ChangeLinksHearOfChanges) {
    auto list = std::make_unique<TImageList>(nullptr, 4, 4);
    int linkCalls = 0, eventCalls = 0;
    TObject* sender = nullptr;
    struct Counter {
        int* Calls;
        TObject** Sender;
        void Changed(TObject* s) {
            ++*Calls;
            *Sender = s;
        }
    } counter{&linkCalls, &sender}, events{&eventCalls, &sender};
    auto link = std::make_unique<TChangeLink>();
    link->OnChange = MakeEvent(&counter, &Counter::Changed);
    list->OnChange = MakeEvent(&events, &Counter::Changed);
    list->RegisterChanges(link.get());
    EXPECT_EQ(link->GetSender(), list.get());

    auto image = MakeBitmap({"RRRR", "RRRR", "RRRR", "RRRR"});
    list->Add(image.get(), nullptr);
    EXPECT_EQ(linkCalls, 1);
    EXPECT_EQ(eventCalls, 1);
    EXPECT_EQ(sender, list.get());

    list->BeginUpdate();
    list->Add(image.get(), nullptr);
    list->SetBkColor(clRed);
    list->Delete(0);
    EXPECT_EQ(linkCalls, 1);
    list->EndUpdate();
    EXPECT_EQ(linkCalls, 2);
    list->SetBkColor(clRed); // no change, no news
    EXPECT_EQ(linkCalls, 2);

    // A freed link unregisters itself; a freed list lets its links go.
    auto second = std::make_unique<TChangeLink>();
    list->RegisterChanges(second.get());
    link.reset();
    list->Clear();
    EXPECT_EQ(linkCalls, 2);
    list.reset();
    EXPECT_EQ(second->GetSender(), nullptr);
}

TEST(ImgListTest, StoredImagesRoundTripThroughADefinition) {
    TImageList list(nullptr, 4, 4);
    list.SetName("Image");
    list.SetBkColor(clYellow);
    auto strip = MakeBitmap({"mRRRGGGm", "RRRRGGGG", "RRRRGGGG", "RRRmmGGG"});
    list.AddMasked(strip.get(), clFuchsia);

    TMemoryStream binary;
    TWriter writer(&binary);
    writer.WriteRootComponent(&list);
    binary.SetPosition(0);
    TStringStream text;
    ObjectBinaryToText(&binary, &text);
    const String& definition = text.GetDataString();
    EXPECT_NE(definition.find("object Image: TImageList"), String::npos) << definition;
    EXPECT_NE(definition.find("Height = 4"), String::npos);
    EXPECT_NE(definition.find("BkColor = clYellow"), String::npos);
    EXPECT_NE(definition.find("Bitmap = {"), String::npos);

    std::unique_ptr<TComponent> read(ReadComponentText(definition, nullptr));
    auto* back = dynamic_cast<TImageList*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetWidth(), 4);
    EXPECT_EQ(back->GetCount(), 2);
    EXPECT_EQ(back->GetBkColor(), clYellow);
    back->SetBkColor(clNone);
    list.SetBkColor(clNone);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(Drawn(*back, i), Drawn(list, i)) << i;

    // An empty list stores no images; damaged image data is a read error.
    TImageList empty(nullptr);
    empty.SetName("Empty");
    TMemoryStream emptyBinary;
    TWriter emptyWriter(&emptyBinary);
    emptyWriter.WriteRootComponent(&empty);
    emptyBinary.SetPosition(0);
    TStringStream emptyText;
    ObjectBinaryToText(&emptyBinary, &emptyText);
    EXPECT_EQ(emptyText.GetDataString().find("Bitmap"), String::npos);
    String damaged = "object Broken: TImageList\n  Bitmap = {4B494C310400}\nend\n";
    EXPECT_THROW(ReadComponentText(damaged, nullptr), EReadError);
}

TEST(ImgListTest, DragImageListShowsAndEnds) {
    TImageList list(nullptr, 4, 4);
    auto image = MakeBitmap({"RRRR", "RRRR", "RRRR", "RRRR"});
    list.Add(image.get(), nullptr);
    list.Add(image.get(), nullptr);
    EXPECT_FALSE(list.SetDragImage(5, 0, 0));
    ASSERT_TRUE(list.SetDragImage(1, 2, 3));
    ASSERT_TRUE(list.BeginDrag(nullptr, 40, 50));
    EXPECT_TRUE(list.GetDragging());
    HWND window = ImageListDragWindow();
    ASSERT_NE(window, nullptr);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 38);
    EXPECT_EQ(r.top, 47);
    EXPECT_TRUE(list.DragMove(60, 70));
    GetWindowRect(ImageListDragWindow(), &r);
    EXPECT_EQ(r.left, 58);
    list.HideDragImage();
    EXPECT_EQ(ImageListDragWindow(), nullptr);
    list.ShowDragImage();
    EXPECT_NE(ImageListDragWindow(), nullptr);
    // A new hot spot takes effect where the image is.
    list.SetDragHotspot(TPoint{0, 0});
    GetWindowRect(ImageListDragWindow(), &r);
    EXPECT_EQ(r.left, 60);
    EXPECT_TRUE(list.EndDrag());
    EXPECT_FALSE(list.GetDragging());
    EXPECT_EQ(ImageListDragWindow(), nullptr);
    EXPECT_FALSE(list.EndDrag());
}

} // namespace

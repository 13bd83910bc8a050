#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/classlib/Jpeg.h"
#include "platform/classlib/Metafiles.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Streams.h"
#include "report/pvrClass.h"
#include "tests/report/pvrViewTestHelpers.h"
#include "tests/support/FormFixture.h"

namespace {

// A data source with one blob field "Photo" holding `Bytes`.
class TBlobDataSet : public TpvrUserDataSet {
public:
    using TpvrUserDataSet::TpvrUserDataSet;
    bool IsBlobField(const String& field) override { return field == "Photo"; }
    void AssignBlobTo(const String&, TObject* target) override {
        if (auto* stream = dynamic_cast<TStream*>(target)) {
            stream->WriteBuffer(Bytes.data(), Integer(Bytes.size()));
            stream->SetPosition(0);
        }
    }
    std::string Bytes;
};

std::string StreamBytes(TMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.GetMemory()), std::size_t(stream.GetSize()));
}

std::string BitmapBytes(int width, int height, TColor colour) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    bitmap.GetCanvas()->GetBrush()->SetColor(colour);
    bitmap.GetCanvas()->FillRect(TRect{0, 0, width, height});
    TMemoryStream stream;
    bitmap.SaveToStream(&stream);
    return StreamBytes(stream);
}

std::string JpegBytes() {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(16, 8);
    bitmap.GetCanvas()->GetBrush()->SetColor(clBlue);
    bitmap.GetCanvas()->FillRect(TRect{0, 0, 16, 8});
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    TMemoryStream stream;
    jpeg.SaveToStream(&stream);
    return StreamBytes(stream);
}

void PutWord(std::string& s, unsigned v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); }
void PutLong(std::string& s, unsigned v) { PutWord(s, v & 0xFFFF), PutWord(s, v >> 16); }

// A one-image 2 x 2 icon with 32-bit pixels.
std::string IconBytes() {
    std::string s;
    PutWord(s, 0), PutWord(s, 1), PutWord(s, 1);
    s += char(2), s += char(2), s += char(0), s += char(0);
    PutWord(s, 1), PutWord(s, 32);
    PutLong(s, 40 + 16 + 8), PutLong(s, 22);
    PutLong(s, 40), PutLong(s, 2), PutLong(s, 4), PutWord(s, 1), PutWord(s, 32);
    for (int i = 0; i < 6; ++i) PutLong(s, 0);
    for (int i = 0; i < 4; ++i) PutLong(s, 0xFF00FF00u);
    for (int i = 0; i < 2; ++i) PutLong(s, 0);
    return s;
}

std::string MetafileBytes() {
    TMetafile metafile;
    metafile.SetWidth(40);
    metafile.SetHeight(20);
    {
        TMetafileCanvas canvas(&metafile, nullptr);
        canvas.GetBrush()->SetColor(clRed);
        canvas.FillRect(TRect{0, 0, 40, 20});
    }
    TMemoryStream stream;
    metafile.SaveToStream(&stream);
    return StreamBytes(stream);
}

class pvrPictureViewTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        Report = new TpvrReport(nullptr);
        Page = new TpvrReportPage(Report);
        Band = new TpvrMasterData(Page);
        Band->SetBounds(0, 0, 400, 200);
        View = new TpvrPictureView(Band);
        View->SetBounds(10, 10, 100, 100);
    }
    void TearDown() override {
        delete Report;
        TFormFixture::TearDown();
    }

    Integer Load(const std::string& bytes) {
        TMemoryStream stream;
        if (!bytes.empty()) stream.WriteBuffer(bytes.data(), Integer(bytes.size()));
        stream.SetPosition(0);
        return View->LoadPicture(&stream);
    }
    String GraphicClass() const {
        TGraphic* g = View->GetPicture()->GetGraphic();
        return g ? g->ClassName() : String("none");
    }
    TColor Pixel(TBitmap& image, int x, int y) { return image.GetCanvas()->GetPixels(x, y); }

    TpvrReport* Report = nullptr;
    TpvrReportPage* Page = nullptr;
    TpvrDataBand* Band = nullptr;
    TpvrPictureView* View = nullptr;
};

TEST_F(pvrPictureViewTest, RecognisesPicturesByTheirFirstBytes) {
    const std::string bmp = BitmapBytes(4, 3, clRed);
    std::string headed("\x01\x00\x00\x01", 4);
    headed.append("\0\0\0\0", 4);
    const unsigned length = unsigned(bmp.size());
    std::memcpy(&headed[4], &length, 4);
    headed += bmp;
    std::string wrongLength = headed;
    wrongLength[4] = char(wrongLength[4] + 1);
    std::string shortBm = "BM";
    shortBm.append(8, '\xFF');
    struct Case {
        const char* Name;
        std::string Bytes;
        Integer Result;
        String Class;
    } cases[] = {
        {"bitmap", bmp, 0, "TBitmap"},
        {"bitmap behind the 8-byte header", headed, 0, "TBitmap"},
        {"a header whose length is wrong", wrongLength, pvrE_INVALIDARG, "none"},
        {"10 bytes beginning BM", shortBm, pvrE_INVALIDARG, "none"},
        {"JPEG", JpegBytes(), 0, "TJPEGImage"},
        {"icon", IconBytes(), 0, "TIcon"},
        {"enhanced metafile", MetafileBytes(), 0, "TMetafile"},
        {"empty", "", 0, "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        View->GetPicture()->Assign(nullptr);
        View->SetAutoSize(false);
        Load(bmp); // something to replace
        EXPECT_EQ(Load(c.Bytes), c.Result);
        EXPECT_EQ(GraphicClass(), c.Class);
    }
    Load(headed);
    EXPECT_EQ(View->GetPicture()->GetWidth(), 4);
    EXPECT_EQ(View->GetPicture()->GetHeight(), 3);

    // The old placeable metafile format is recognised but not read.
    std::string placeable;
    PutLong(placeable, 0x9AC6CDD7u);
    placeable.append(40, '\0');
    EXPECT_THROW(Load(placeable), EInvalidGraphic);
}

TEST_F(pvrPictureViewTest, DamagedPicturesFailWithTheClassLibrarysError) {
    const std::string sources[] = {BitmapBytes(5, 4, clGreen), JpegBytes(), IconBytes()};
    for (const std::string& source : sources) {
        for (std::size_t cut = 2; cut < source.size(); cut += std::max<std::size_t>(1, source.size() / 23)) {
            for (int damage = 0; damage < 2; ++damage) {
                std::string bytes = source.substr(0, damage ? source.size() : cut);
                if (damage) bytes[cut] = char(bytes[cut] ^ 0x5A);
                SCOPED_TRACE(std::to_string(cut) + (damage ? " flipped" : " cut"));
                try {
                    Load(bytes);
                } catch (const Exception&) {
                    // The format's own error is the expected outcome for broken data.
                }
                TBitmap image;
                viewtest::PrepareImage(image, 130, 130);
                View->Draw(image.GetCanvas(), 1, 1, 0, 0);
            }
        }
    }
}

TEST_F(pvrPictureViewTest, DrawsStretchedKeepingTheAspectOrAtItsSize) {
    Load(BitmapBytes(200, 100, clRed));
    View->GetFrame()->Typ = TpvrFrameTypes{};
    struct Probe {
        int X, Y;
        TColor Colour;
    };
    struct Case {
        const char* Name;
        bool Stretched, Keep, Center;
        std::vector<Probe> Probes;
    } cases[] = {
        {"aspect kept, at the top", true, true, false, {{50, 2, clRed}, {50, 49, clRed}, {50, 50, clWhite}, {99, 40, clRed}}},
        {"aspect kept, centred", true, true, true, {{50, 10, clWhite}, {50, 25, clRed}, {50, 74, clRed}, {50, 75, clWhite}}},
        {"stretched to the view", true, false, false, {{0, 0, clRed}, {99, 99, clRed}, {50, 80, clRed}}},
        {"natural size", false, true, false, {{0, 0, clRed}, {99, 99, clRed}, {99, 100, clBlue}, {115, 50, clRed}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        View->Stretched = c.Stretched;
        View->KeepAspectRatio = c.Keep;
        View->Center = c.Center;
        TBitmap image;
        viewtest::PrepareImage(image, 130, 130);
        image.GetCanvas()->GetBrush()->SetColor(clBlue);
        image.GetCanvas()->FillRect(TRect{0, 0, 130, 130});
        View->Draw(image.GetCanvas(), 1, 1, 0, 0);
        std::string file = std::string("pvrPicture_") + c.Name;
        for (char& ch : file)
            if (ch == ' ' || ch == ',') ch = '_';
        viewtest::SaveImage(image, file + ".png");
        for (const Probe& p : c.Probes) EXPECT_EQ(Pixel(image, 10 + p.X, 10 + p.Y), p.Colour) << p.X << "," << p.Y;
        // Nothing outside the view.
        EXPECT_EQ(Pixel(image, 5, 5), clBlue);
        TBitmap large;
        viewtest::PrepareImage(large, 260, 260);
        View->Draw(large.GetCanvas(), 2, 2, 0, 0);
        viewtest::SaveImage(large, file + "_2.png");
    }

    // Natural size, centred: the picture moves left by half its overflow.
    View->Stretched = false;
    View->Center = true;
    TBitmap image;
    viewtest::PrepareImage(image, 200, 130);
    View->Draw(image.GetCanvas(), 1, 1, 0, 0);
    EXPECT_EQ(Pixel(image, 159, 60), clRed);
    EXPECT_EQ(Pixel(image, 160, 60), clWhite);
    EXPECT_EQ(Pixel(image, 60, 110), clWhite);
}

TEST_F(pvrPictureViewTest, AutoSizeChangesAndDataBlobs) {
    View->PictureChanged = false;
    View->SetAutoSize(true);
    Load(BitmapBytes(30, 20, clRed));
    EXPECT_EQ(View->GetWidth(), 30);
    EXPECT_EQ(View->GetHeight(), 20);
    EXPECT_TRUE(View->PictureChanged);

    // Attributes: the picture's data only while it counts as changed.
    TpvrPictureView* source = new TpvrPictureView(Band);
    source->SetBounds(10, 10, 30, 20);
    const String changed = View->DiffAttributes(source);
    EXPECT_EQ(changed.find(" Picture.PropData=\""), 0u);
    View->PictureChanged = false;
    EXPECT_EQ(View->DiffAttributes(source), " ");

    auto* data = new TBlobDataSet(Page);
    data->SetUserName("Photos");
    data->Bytes = BitmapBytes(7, 5, clGreen);
    View->SetDataSet(data);
    View->DataField = "Photo";
    View->GetData();
    EXPECT_EQ(GraphicClass(), "TBitmap");
    EXPECT_EQ(View->GetWidth(), 7);
    data->Bytes = "not a picture";
    View->GetData();
    EXPECT_EQ(GraphicClass(), "none");
}

} // namespace

// Printing to the PDF printer, checked from the outside with the PDF tools: a two-page document
// (text and its positions, figures, a picture, Chinese text, a metafile played onto the page),
// pages rendered as images for a person to look at, device modes whose paper and orientation
// reach the PDF (also changed between pages), the default output file, and documents that are
// aborted.
#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/backend/BackendPrint.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiMetafile.h"
#include "platform/winapi/Print.h"
#include "platform/winapi/PrintBackend.h"
#include "platform/winapi/WinError.h"
#include "tests/support/TestSupport.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Qt for the printers, offscreen, unless a test of the display started it already.
void EnsureQt() {
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    static int argc = 1;
    static char name[] = "KOV-571";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // Reading the system's font configuration loses a few bytes inside the font library itself,
    // which no test can free: the font list is read once here, out of the leak checker's sight.
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler unchecked;
#endif
    QFontDatabase::families();
}

// The PDF printer alone (the machine's printers stay out of tests), for one test.
class PrintPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQt();
        FPrevious = PrintSetBackend(&FBackend);
    }
    void TearDown() override { PrintSetBackend(FPrevious); }

    static int Run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

    testsupport::TempDir FDir;

private:
    TQtPrintBackend FBackend{false};
    TPrintBackend* FPrevious = nullptr;
};

struct Word {
    int Page;
    double XMin, YMin, XMax, YMax;
    std::string Text;
};

struct PdfText {
    std::vector<std::pair<double, double>> Pages; // width, height in points
    std::vector<Word> Words;

    const Word* Find(const std::string& text, int page = -1) const {
        for (const Word& w : Words)
            if (w.Text == text && (page < 0 || w.Page == page)) return &w;
        return nullptr;
    }
    std::string All() const {
        std::string out;
        for (const Word& w : Words)
            out += w.Text + " ";
        return out;
    }
};

// The words of a PDF with their boxes (points from the page's top-left corner), as pdftotext
// finds them.
PdfText ReadPdfText(const std::string& pdf, const std::string& scratch) {
    PdfText out;
    std::string html = scratch + "/words.html";
    EXPECT_EQ(std::system(("pdftotext -bbox '" + pdf + "' '" + html + "'").c_str()), 0);
    std::ifstream in(html);
    std::string line;
    std::regex page(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
    std::regex word(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">(.*)</word>)re");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, page))
            out.Pages.push_back({std::stod(m[1]), std::stod(m[2])});
        else if (std::regex_search(line, m, word))
            out.Words.push_back({int(out.Pages.size()), std::stod(m[1]), std::stod(m[2]), std::stod(m[3]),
                                 std::stod(m[4]), m[5]});
    }
    return out;
}

// A page rendered at 72 dots per inch (one pixel per point), as 0xRRGGBB values.
struct Raster {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};

Raster RenderPage(const std::string& pdf, int page, const std::string& scratch) {
    Raster r;
    std::string prefix = scratch + "/page";
    std::string command = "pdftoppm -r 72 -f " + std::to_string(page) + " -l " + std::to_string(page) +
                          " -singlefile '" + pdf + "' '" + prefix + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(prefix + ".ppm", std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> r.Width >> r.Height >> max;
    in.get();
    EXPECT_EQ(magic, "P6");
    std::vector<unsigned char> bytes(std::size_t(r.Width) * r.Height * 3);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); i += 3)
        r.Pixels.push_back((std::uint32_t(bytes[i]) << 16) | (std::uint32_t(bytes[i + 1]) << 8) |
                           bytes[i + 2]);
    return r;
}

bool Near(std::uint32_t a, std::uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 6) return false;
    return true;
}

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL, int escapement = 0) {
    return CreateFontA(height, 0, escapement, escapement, weight, 0, 0, 0, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

// Points for device pixels at 600 dots per inch.
double Pt(int pixels) { return pixels * 72.0 / 600.0; }

TEST_F(PrintPdfTest, TwoPageDocumentKeepsTextPositionsFiguresAndPictures) {
    HDC dc = CreateDCA(nullptr, BackendPdfPrinterName, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    ASSERT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    ASSERT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 0);
    std::string pdf = FDir.File("report.pdf");
    DOCINFOA doc;
    doc.lpszDocName = "Channel list";
    doc.lpszOutput = pdf.c_str();
    ASSERT_GT(StartDocA(dc, &doc), 0);

    // Page 1: a title one inch from the corner, a rule, a red box, a hatched ellipse, a picture,
    // Chinese text, turned text and a wrapped paragraph.
    ASSERT_GT(StartPage(dc), 0);
    HFONT title = MakeFont("Arial", -100, FW_BOLD); // 12 points at 600 dots per inch
    HGDIOBJ oldFont = SelectObject(dc, title);
    SetBkMode(dc, TRANSPARENT);
    EXPECT_TRUE(TextOutA(dc, 600, 600, "KOV-571 Channel Report", 22));
    HPEN rule = CreatePen(PS_SOLID, 6, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, rule);
    MoveToEx(dc, 600, 760, nullptr);
    EXPECT_TRUE(LineTo(dc, 4361, 760));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT box{1200, 1800, 2400, 2400};
    EXPECT_TRUE(FillRect(dc, &box, red));
    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(0, 0, 255));
    HGDIOBJ oldBrush = SelectObject(dc, hatch);
    EXPECT_TRUE(Ellipse(dc, 600, 2700, 1800, 3300));
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, nullptr);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            SetPixelV(memory, x, y, (x / 4 + y / 4) % 2 ? RGB(0, 160, 0) : RGB(255, 220, 0));
    EXPECT_TRUE(StretchBlt(dc, 3000, 1800, 1200, 1200, memory, 0, 0, 16, 16, SRCCOPY));
    HFONT chinese = MakeFont("SimSun", -100);
    SelectObject(dc, chinese);
    const char* channels = "\xE9\xA2\x91\xE9\x81\x93\xE5\x88\x97\xE8\xA1\xA8"; // 频道列表
    EXPECT_TRUE(TextOutA(dc, 600, 3600, channels, 12));
    HFONT turned = MakeFont("Arial", -83, FW_NORMAL, 900);
    SelectObject(dc, turned);
    EXPECT_TRUE(TextOutA(dc, 4400, 4400, "Turned", 6));
    HFONT body = MakeFont("Times New Roman", -83);
    SelectObject(dc, body);
    RECT para{600, 4000, 2400, 5000};
    EXPECT_GT(DrawTextA(dc, "Channels with wide and narrow bands, tones and scan settings.", -1, &para,
                        DT_WORDBREAK),
              0);
    ASSERT_GT(EndPage(dc), 0);

    // Page 2: text two inches in and four down, and a recorded picture played at twice its size.
    ASSERT_GT(StartPage(dc), 0);
    HFONT second = MakeFont("Times New Roman", -117); // 14 points
    SelectObject(dc, second);
    EXPECT_TRUE(TextOutA(dc, 1200, 2400, "Second page", 11));
    HDC ic = CreateICA(nullptr, BackendPdfPrinterName, nullptr, nullptr);
    HDC recorder = CreateEnhMetaFileA(ic, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetDeviceCaps(recorder, LOGPIXELSY), 600);
    HFONT small = MakeFont("Arial", -50);
    HGDIOBJ oldSmall = SelectObject(recorder, small);
    TextOutA(recorder, 0, 0, "From a metafile", 15);
    SelectObject(recorder, GetStockObject(NULL_PEN));
    SelectObject(recorder, GetStockObject(BLACK_BRUSH));
    Rectangle(recorder, 0, 100, 800, 201);
    SelectObject(recorder, oldSmall);
    HENHMETAFILE picture = CloseEnhMetaFile(recorder);
    DeleteObject(small);
    DeleteDC(ic);
    ENHMETAHEADER header;
    GetEnhMetaFileHeader(picture, sizeof(header), &header);
    int w = header.rclBounds.right - header.rclBounds.left + 1,
        h = header.rclBounds.bottom - header.rclBounds.top + 1;
    RECT into{1200, 3600, 1200 + 2 * w, 3600 + 2 * h};
    EXPECT_TRUE(PlayEnhMetaFile(dc, picture, &into));
    DeleteEnhMetaFile(picture);
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);

    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteDC(dc);
    for (HGDIOBJ o : std::vector<HGDIOBJ>{title, rule, red, hatch, chinese, turned, body, second})
        DeleteObject(o);

    // The pages as images, for a person to look at.
    std::string images = testsupport::ArtifactPath("PrintPdf_TwoPages");
    EXPECT_EQ(Run("pdftoppm -r 60 -png '" + pdf + "' '" + images + "'"), 0);

    PdfText text = ReadPdfText(pdf, FDir.Path());
    ASSERT_EQ(text.Pages.size(), 2u);
    EXPECT_NEAR(text.Pages[0].first, 595.3, 1.0); // A4
    EXPECT_NEAR(text.Pages[0].second, 841.9, 1.0);
    const Word* first = text.Find("KOV-571", 1);
    ASSERT_NE(first, nullptr) << text.All();
    EXPECT_NEAR(first->XMin, Pt(600), 0.5);
    EXPECT_NEAR(first->YMin, Pt(600), 1.5);
    const Word* report = text.Find("Report", 1);
    ASSERT_NE(report, nullptr);
    EXPECT_NEAR(report->YMin, first->YMin, 0.1);
    EXPECT_GT(report->XMin, first->XMax);
    EXPECT_NE(text.All().find(channels), std::string::npos) << text.All();
    EXPECT_NE(text.Find("Turned", 1), nullptr);
    EXPECT_NE(text.Find("Channels", 1), nullptr);
    EXPECT_NE(text.Find("settings.", 1), nullptr);
    EXPECT_EQ(text.Find("Second", 1), nullptr);
    const Word* second2 = text.Find("Second", 2);
    ASSERT_NE(second2, nullptr);
    EXPECT_NEAR(second2->XMin, Pt(1200), 0.5);
    EXPECT_NEAR(second2->YMin, Pt(2400), 2.0);
    const Word* fromPicture = text.Find("metafile", 2);
    ASSERT_NE(fromPicture, nullptr) << text.All();
    EXPECT_GT(fromPicture->XMin, Pt(1200));
    EXPECT_NEAR(fromPicture->YMin, Pt(3600), 3.0);

    // What was drawn, at the places it was drawn.
    Raster one = RenderPage(pdf, 1, FDir.Path());
    ASSERT_EQ(one.Width, 595);
    EXPECT_EQ(one.At(int(Pt(1800)), int(Pt(2100))), 0xFF0000u); // inside the red box
    EXPECT_EQ(one.At(int(Pt(1100)), int(Pt(2100))), 0xFFFFFFu); // left of it
    EXPECT_EQ(one.At(int(Pt(2000)), int(Pt(760))), 0x000000u);  // on the rule
    // The picture's squares (an image scaled by the renderer, so its colours only nearly).
    EXPECT_TRUE(Near(one.At(int(Pt(3075)), int(Pt(1875))), 0xFFDC00u));
    EXPECT_TRUE(Near(one.At(int(Pt(3075 + 300)), int(Pt(1875))), 0x00A000u));
    Raster two = RenderPage(pdf, 2, FDir.Path());
    // The picture's bar, doubled: 1600 x 200 pixels below its text.
    int barTop = 3600 + 2 * (100 - header.rclBounds.top);
    EXPECT_EQ(two.At(int(Pt(2000)), int(Pt(barTop + 100))), 0x000000u);
    EXPECT_EQ(two.At(int(Pt(2000)), int(Pt(barTop + 260))), 0xFFFFFFu);
}

// Bold reaches the PDF whether the family has a bold face (Liberation Sans for "Arial") or not
// (WenQuanYi Micro Hei for "宋体", emboldened): the bold line carries clearly more ink than the
// same line regular, and stays text.
TEST_F(PrintPdfTest, BoldTextIsBoldInThePdfAlsoWhereTheFamilyHasNoBoldFace) {
    const std::string line = "KOV-571 Function Setting\xE9\xA2\x91\xE9\x81\x93"; // KOV-571 Function Setting频道
    const char* faces[] = {"Arial", "\xE5\xAE\x8B\xE4\xBD\x93"}; // Arial, 宋体
    HDC dc = CreateDCA(nullptr, BackendPdfPrinterName, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    const std::string pdf = FDir.File("bold.pdf");
    DOCINFOA doc;
    doc.lpszDocName = "Bold";
    doc.lpszOutput = pdf.c_str();
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    SetBkMode(dc, TRANSPARENT);
    // Rows one inch apart: each face regular, then bold.
    int y = 600;
    for (const char* face : faces) {
        for (int weight : {FW_NORMAL, FW_BOLD}) {
            HFONT font = MakeFont(face, -150, weight);
            HGDIOBJ old = SelectObject(dc, font);
            EXPECT_TRUE(TextOutA(dc, 600, y, line.c_str(), int(line.size())));
            SelectObject(dc, old);
            DeleteObject(font);
            y += 600;
        }
    }
    ASSERT_GT(EndPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);

    const Raster page = RenderPage(pdf, 1, FDir.Path());
    // The dark pixels of the row starting at the device pixel y (one inch high).
    auto ink = [&](int top) {
        int count = 0;
        for (int py = int(Pt(top)); py < int(Pt(top + 500)) && py < page.Height; ++py)
            for (int px = 0; px < page.Width; ++px)
                if (((page.At(px, py) >> 8) & 0xFF) < 128) ++count;
        return count;
    };
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "Arial" : "SimSun");
        const int regular = ink(600 + 1200 * i);
        const int bold = ink(1200 + 1200 * i);
        EXPECT_GT(regular, 0);
        EXPECT_GT(bold * 100, regular * 115) << "regular " << regular << ", bold " << bold;
    }
    // Every line is still text, word by word.
    std::string all;
    for (const Word& w : ReadPdfText(pdf, FDir.Path()).Words)
        all += (all.empty() ? "" : " ") + w.Text;
    std::size_t found = 0;
    for (std::size_t at = all.find(line); at != std::string::npos; at = all.find(line, at + 1))
        ++found;
    EXPECT_EQ(found, 4u) << all;
}

TEST_F(PrintPdfTest, DeviceModePaperAndOrientationReachThePdf) {
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<LPSTR>(BackendPdfPrinterName), &printer, nullptr));
    DEVMODEA dm;
    ASSERT_EQ(DocumentPropertiesA(nullptr, printer, nullptr, &dm, nullptr, DM_OUT_BUFFER), 1);
    dm.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
    dm.dmPaperSize = DMPAPER_A5;
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    ASSERT_EQ(DocumentPropertiesA(nullptr, printer, nullptr, &dm, &dm, DM_IN_BUFFER | DM_OUT_BUFFER), 1);
    ClosePrinter(printer);

    HDC dc = CreateDCA(nullptr, BackendPdfPrinterName, nullptr, &dm);
    ASSERT_NE(dc, nullptr);
    // A5 turned: 210 mm across and 148 mm down at 600 dots per inch.
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 4961);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 3496);
    EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), 210);
    std::string pdf = FDir.File("pages.pdf");
    DOCINFOA doc;
    doc.lpszDocName = "Pages";
    doc.lpszOutput = pdf.c_str();
    ASSERT_GT(StartDocA(dc, &doc), 0);
    HFONT font = MakeFont("Arial", -100);
    SelectObject(dc, font);
    const std::vector<std::pair<DEVMODEA, const char*>> pages = [&] {
        DEVMODEA a4;
        a4.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
        a4.dmPaperSize = DMPAPER_A4;
        a4.dmOrientation = DMORIENT_PORTRAIT;
        DEVMODEA custom;
        custom.dmFields = DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
        custom.dmPaperSize = DMPAPER_USER;
        custom.dmPaperWidth = 1000;
        custom.dmPaperLength = 1500;
        return std::vector<std::pair<DEVMODEA, const char*>>{
            {dm, "Landscape"}, {a4, "Upright"}, {custom, "Custom"}};
    }();
    for (const auto& page : pages) {
        ASSERT_EQ(ResetDCA(dc, &page.first), dc);
        ASSERT_GT(StartPage(dc), 0);
        EXPECT_EQ(ResetDCA(dc, &page.first), nullptr); // not while a page is open
        TextOutA(dc, 600, 600, page.second, int(std::strlen(page.second)));
        ASSERT_GT(EndPage(dc), 0);
    }
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    DeleteObject(font);

    struct Expected {
        const char* Word;
        double Width, Height;
    };
    const std::vector<Expected> expected = {
        {"Landscape", 595.3, 419.5}, {"Upright", 595.3, 841.9}, {"Custom", 283.5, 425.2}};
    PdfText text = ReadPdfText(pdf, FDir.Path());
    ASSERT_EQ(text.Pages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].Word);
        EXPECT_NEAR(text.Pages[i].first, expected[i].Width, 1.0);
        EXPECT_NEAR(text.Pages[i].second, expected[i].Height, 1.0);
        const Word* w = text.Find(expected[i].Word, int(i + 1));
        ASSERT_NE(w, nullptr);
        EXPECT_NEAR(w->XMin, 72, 0.5);
    }
}

TEST_F(PrintPdfTest, DocumentsWithoutAFileGoHomeAndAbortedOnesLeaveNothing) {
    testsupport::ScopedEnv home("HOME", FDir.Path().c_str());
    HDC dc = CreateDCA(nullptr, BackendPdfPrinterName, nullptr, nullptr);
    DOCINFOA doc;
    doc.lpszDocName = "Radio 1/2";
    ASSERT_GT(StartDocA(dc, &doc), 0);
    EXPECT_EQ(StartDocA(dc, &doc), SP_ERROR); // one document at a time
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_TRUE(Rectangle(dc, 100, 100, 600, 600));
    ASSERT_GT(EndPage(dc), 0);
    EXPECT_FALSE(Rectangle(dc, 100, 100, 600, 600)); // between pages nothing is drawn
    ASSERT_GT(EndDoc(dc), 0);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    EXPECT_EQ(testsupport::ReadFileBytes(FDir.File("Radio 1_2.pdf")).substr(0, 5), "%PDF-");

    // Aborted: by the call, and by the abort procedure at the end of a page.
    std::string aborted = FDir.File("aborted.pdf");
    doc.lpszOutput = aborted.c_str();
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_EQ(AbortDoc(dc), 1);
    EXPECT_FALSE(std::ifstream(aborted).good());
    static int calls = 0;
    calls = 0;
    SetAbortProc(dc, [](HDC, int) -> BOOL { return ++calls < 2; });
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_GT(EndPage(dc), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_EQ(EndPage(dc), SP_APPABORT);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    EXPECT_FALSE(std::ifstream(aborted).good());
    // A context deleted in the middle of a document prints nothing of it.
    SetAbortProc(dc, nullptr);
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    DeleteDC(dc);
    EXPECT_FALSE(std::ifstream(aborted).good());
    // A file that cannot be written fails at the start.
    HDC other = CreateDCA(nullptr, BackendPdfPrinterName, nullptr, nullptr);
    std::string nowhere = FDir.File("missing/x.pdf");
    doc.lpszOutput = nowhere.c_str();
    EXPECT_EQ(StartDocA(other, &doc), SP_ERROR);
    DeleteDC(other);
}

} // namespace

namespace {

HANDLE OpenPdfPrinter() {
    HANDLE printer = nullptr;
    EXPECT_TRUE(OpenPrinterA(const_cast<LPSTR>(BackendPdfPrinterName), &printer, nullptr));
    return printer;
}

DWORD StartRaw(HANDLE printer, const char* title, const char* output, const char* type = "RAW") {
    DOC_INFO_1A info;
    info.pDocName = const_cast<LPSTR>(title);
    info.pOutputFile = const_cast<LPSTR>(output);
    info.pDatatype = const_cast<LPSTR>(type);
    return StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&info));
}

} // namespace

TEST_F(PrintPdfTest, RawDocumentsGoIntoTheirFileByteForByte) {
    testsupport::ScopedEnv home("HOME", FDir.Path().c_str());
    static const char raw[] = "\x1b@ESC/P line\r\n\x0c\x00\xff";
    const std::string bytes(raw, sizeof(raw) - 1);
    struct Case {
        const char* Title;
        std::string Output; // empty: the printer's own place
        std::string Expected;
    } cases[] = {
        {"Dot matrix", FDir.File("out.prn"), FDir.File("out.prn")},
        {"Dot matrix", "", FDir.File("Dot matrix.prn")},
        {"a/b", "", FDir.File("a_b.prn")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        HANDLE printer = OpenPdfPrinter();
        EXPECT_GT(StartRaw(printer, c.Title, c.Output.empty() ? nullptr : c.Output.c_str()), 0u);
        EXPECT_TRUE(StartPagePrinter(printer));
        DWORD written = 0;
        EXPECT_TRUE(WritePrinter(printer, bytes.data(), 10, &written));
        EXPECT_EQ(written, 10u);
        EXPECT_TRUE(WritePrinter(printer, bytes.data() + 10, DWORD(bytes.size() - 10), &written));
        EXPECT_TRUE(EndPagePrinter(printer));
        EXPECT_TRUE(EndDocPrinter(printer));
        EXPECT_TRUE(ClosePrinter(printer));
        EXPECT_EQ(testsupport::ReadFileBytes(c.Expected), bytes);
    }
}

TEST_F(PrintPdfTest, RawDocumentsRefuseWhatTheyCannotDo) {
    testsupport::ScopedEnv home("HOME", FDir.Path().c_str());
    HANDLE printer = OpenPdfPrinter();
    DWORD written = 7;
    // Nothing open yet.
    SetLastError(0);
    EXPECT_FALSE(WritePrinter(printer, "x", 1, &written));
    EXPECT_EQ(GetLastError(), ERROR_SPL_NO_STARTDOC);
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(EndDocPrinter(printer));
    // Only level 1 and raw data.
    DOC_INFO_1A info;
    EXPECT_EQ(StartDocPrinterA(printer, 2, reinterpret_cast<BYTE*>(&info)), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
    EXPECT_EQ(StartRaw(printer, "Doc", nullptr, "EMF"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATATYPE);
    // An output file that cannot be made.
    std::string missing = FDir.File("no/such/dir/out.prn");
    EXPECT_EQ(StartRaw(printer, "Doc", missing.c_str()), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    // One document at a time; aborting removes its file; closing drops an open one.
    std::string out = FDir.File("aborted.prn");
    EXPECT_GT(StartRaw(printer, "Doc", out.c_str()), 0u);
    EXPECT_EQ(StartRaw(printer, "Doc", out.c_str()), 0u);
    EXPECT_TRUE(WritePrinter(printer, "abc", 3, &written));
    EXPECT_TRUE(AbortPrinter(printer));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_GT(StartRaw(printer, "Doc", out.c_str()), 0u);
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(std::filesystem::exists(out));
    // A closed handle.
    EXPECT_FALSE(StartPagePrinter(printer));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

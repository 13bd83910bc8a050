// The printer calls over a printer backend of the test's own, which keeps what reaches its
// pages: the list at its levels, device modes and what they may hold, capabilities, the default
// printer, page geometry with margins, information contexts, drawing as it reaches the page,
// and the life of a document. Also what the calls do with no printers at all.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiMetafile.h"
#include "platform/winapi/Print.h"
#include "platform/winapi/PrintBackend.h"
#include "platform/winapi/WinError.h"

namespace {

struct Call {
    std::string Kind; // "fill", "stroke", "image", "text", "clip"
    std::vector<std::vector<GdiPointD>> Polygons;
    GdiPaint Paint;
    TPrintPen Pen;
    bool Closed = false;
    std::vector<RECT> Clip;
    bool Clipped = false;
    double X = 0, Y = 0, W = 0, H = 0;
    int ImageWidth = 0, ImageHeight = 0;
    std::vector<std::uint32_t> Pixels;
    TPrintText Text;
};

class FakeCanvas : public TPrintCanvas {
public:
    explicit FakeCanvas(std::vector<Call>& calls) : FCalls(calls) {}
    void SetClip(const std::vector<RECT>* rects) override {
        Call c;
        c.Kind = "clip";
        c.Clipped = rects != nullptr;
        if (rects) c.Clip = *rects;
        FCalls.push_back(c);
    }
    void FillPolygons(const std::vector<std::vector<GdiPointD>>& polygons, bool winding,
                      const GdiPaint& paint) override {
        Call c;
        c.Kind = "fill";
        c.Polygons = polygons;
        c.Paint = paint;
        FCalls.push_back(c);
    }
    void StrokePolyline(const std::vector<GdiPointD>& points, bool closed, const TPrintPen& pen) override {
        Call c;
        c.Kind = "stroke";
        c.Polygons = {points};
        c.Closed = closed;
        c.Pen = pen;
        FCalls.push_back(c);
    }
    void DrawImage(double x, double y, double width, double height, int imageWidth, int imageHeight,
                   const std::vector<std::uint32_t>& pixels) override {
        Call c;
        c.Kind = "image";
        c.X = x, c.Y = y, c.W = width, c.H = height;
        c.ImageWidth = imageWidth, c.ImageHeight = imageHeight;
        c.Pixels = pixels;
        FCalls.push_back(c);
    }
    void DrawText(const TPrintText& text) override {
        Call c;
        c.Kind = "text";
        c.Text = text;
        FCalls.push_back(c);
    }

private:
    std::vector<Call>& FCalls;
};

// What a document went through: "start <title> <output>", "page <paper> <landscape> <dpi>",
// "end", "finish", "abort".
struct Log {
    std::vector<std::string> Events;
    std::vector<Call> Calls;
};

class FakeJob : public TPrintJob {
public:
    explicit FakeJob(Log& log) : FLog(log), FCanvas(log.Calls) {}
    bool StartPage(const TPrintSettings& s) override {
        FLog.Events.push_back("page " + std::to_string(s.Paper) +
                              (s.Landscape ? " landscape " : " upright ") + std::to_string(s.Resolution));
        return true;
    }
    TPrintCanvas& Canvas() override { return FCanvas; }
    bool EndPage() override {
        FLog.Events.push_back("end");
        return true;
    }
    bool Finish() override {
        FLog.Events.push_back("finish");
        return true;
    }
    void Abort() override { FLog.Events.push_back("abort"); }

private:
    Log& FLog;
    FakeCanvas FCanvas;
};

class FakeBackend : public TPrintBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        TPrinterInfo laser;
        laser.Name = "Fake Laser";
        laser.Port = "LPT1:,LPT2:";
        laser.Driver = "Fake Driver";
        laser.Location = "Room 1";
        laser.Comment = "Upstairs";
        laser.Default = true;
        for (SHORT number : {DMPAPER_LETTER, DMPAPER_A3, DMPAPER_A4, DMPAPER_A5})
            laser.Papers.push_back(*PrintFindPaper(number));
        laser.Bins = {{DMBIN_UPPER, "Upper tray"}, {DMBIN_LOWER, "Lower tray"}, {DMBIN_AUTO, "Automatic"}};
        laser.Resolutions = {300, 600};
        laser.MaxCopies = 99;
        laser.Duplex = true;
        laser.Collate = true;
        laser.Margins = {40, 60, 80, 100};
        TPrinterInfo plotter;
        plotter.Name = "Fake Plotter";
        plotter.Port = "USB1:";
        plotter.Driver = "Plotter Driver";
        plotter.Network = true;
        plotter.Papers = PrintStandardPapers();
        plotter.Bins = {{DMBIN_ONLYONE, "Only one"}};
        plotter.DefaultBin = DMBIN_ONLYONE;
        plotter.Resolutions = {600};
        return {laser, plotter};
    }
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo& printer, const String& title,
                                        const String& output, const TPrintSettings& settings) override {
        Jobs.Events.push_back("start " + title + " " + output);
        return std::make_unique<FakeJob>(Jobs);
    }
    Log Jobs;
};

class PrintApiTest : public ::testing::Test {
protected:
    void SetUp() override { FPrevious = PrintSetBackend(&Backend); }
    void TearDown() override { PrintSetBackend(FPrevious); }

    // A page of the laser printer, open.
    HDC OpenPage() {
        HDC dc = CreateDCA(nullptr, "Fake Laser", nullptr, nullptr);
        DOCINFOA doc;
        doc.lpszDocName = "Test";
        EXPECT_GT(StartDocA(dc, &doc), 0);
        EXPECT_GT(StartPage(dc), 0);
        return dc;
    }
    std::vector<Call> Drawn(const std::string& kind) const {
        std::vector<Call> out;
        for (const Call& c : Backend.Jobs.Calls)
            if (c.Kind == kind) out.push_back(c);
        return out;
    }

    FakeBackend Backend;

private:
    TPrintBackend* FPrevious = nullptr;
};

std::vector<GdiPointD> Box(double l, double t, double r, double b) {
    return {{l, t}, {r, t}, {r, b}, {l, b}};
}

bool SamePoints(const std::vector<GdiPointD>& a, const std::vector<GdiPointD>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(a[i].x - b[i].x) > 1e-9 || std::abs(a[i].y - b[i].y) > 1e-9) return false;
    return true;
}

TEST(PrintWithoutPrintersTest, EverythingSaysThereAreNone) {
    TPrintBackend* previous = PrintSetBackend(nullptr);
    DWORD needed = 99, returned = 99;
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed,
                              &returned));
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
    SetLastError(0);
    EXPECT_EQ(CreateDCA(nullptr, "PDF", nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    EXPECT_EQ(CreateICA(nullptr, "PDF", nullptr, nullptr), nullptr);
    HANDLE printer = nullptr;
    EXPECT_FALSE(OpenPrinterA(const_cast<LPSTR>("PDF"), &printer, nullptr));
    EXPECT_EQ(printer, nullptr);
    char buffer[80];
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buffer, sizeof(buffer)), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(DeviceCapabilitiesA("PDF", nullptr, DC_PAPERS, nullptr, nullptr), -1);
    PrintSetBackend(previous);
}

TEST_F(PrintApiTest, ListAtEachLevelWithTheSizeAskedFirst) {
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, 2 * sizeof(PRINTER_INFO_4A));
    std::vector<BYTE> buffer(needed);
    EXPECT_FALSE(
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed - 1, &needed, &returned));
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 2u);
    const auto* four = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    EXPECT_STREQ(four[0].pPrinterName, "Fake Laser");
    EXPECT_EQ(four[0].pServerName, nullptr);
    EXPECT_EQ(four[0].Attributes & (PRINTER_ATTRIBUTE_DEFAULT | PRINTER_ATTRIBUTE_LOCAL),
              PRINTER_ATTRIBUTE_DEFAULT | PRINTER_ATTRIBUTE_LOCAL);
    EXPECT_STREQ(four[1].pPrinterName, "Fake Plotter");
    EXPECT_TRUE(four[1].Attributes & PRINTER_ATTRIBUTE_NETWORK);
    // The strings live inside the buffer.
    EXPECT_GE(reinterpret_cast<const BYTE*>(four[1].pPrinterName),
              buffer.data() + 2 * sizeof(PRINTER_INFO_4A));
    EXPECT_LT(reinterpret_cast<const BYTE*>(four[1].pPrinterName), buffer.data() + needed);

    ASSERT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, nullptr, 0, &needed, &returned));
    buffer.assign(needed, 0);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, buffer.data(), needed, &needed, &returned));
    const auto* five = reinterpret_cast<const PRINTER_INFO_5A*>(buffer.data());
    EXPECT_STREQ(five[0].pPortName, "LPT1:,LPT2:");
    EXPECT_STREQ(five[1].pPortName, "USB1:");

    ASSERT_FALSE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 1, nullptr, 0, &needed, &returned));
    buffer.assign(needed, 0);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 1, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    const auto* one = reinterpret_cast<const PRINTER_INFO_1A*>(buffer.data());
    EXPECT_STREQ(one->pName, "Fake Laser");
    EXPECT_STREQ(one->pDescription, "Fake Laser,Fake Driver,Room 1");
    EXPECT_STREQ(one->pComment, "Upstairs");

    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PrintApiTest, DeviceModesStartFromThePrinterAndTakeWhatItCanDo) {
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<LPSTR>("fake laser"), &printer, nullptr)); // names ignore case
    EXPECT_EQ(DocumentPropertiesA(nullptr, printer, nullptr, nullptr, nullptr, 0), LONG(sizeof(DEVMODEA)));
    DEVMODEA defaults;
    ASSERT_EQ(DocumentPropertiesA(nullptr, printer, nullptr, &defaults, nullptr, DM_OUT_BUFFER), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(defaults.dmDeviceName), "Fake Laser");
    EXPECT_EQ(defaults.dmSize, sizeof(DEVMODEA));
    EXPECT_EQ(defaults.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(defaults.dmPaperWidth, 2100);
    EXPECT_EQ(defaults.dmPaperLength, 2970);
    EXPECT_EQ(defaults.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(defaults.dmCopies, 1);
    EXPECT_EQ(defaults.dmPrintQuality, 600);
    EXPECT_EQ(defaults.dmDefaultSource, DMBIN_AUTO);
    EXPECT_STREQ(reinterpret_cast<const char*>(defaults.dmFormName), "A4");

    struct Case {
        const char* Name;
        DWORD Fields;
        void (*Set)(DEVMODEA&);
        bool (*Check)(const DEVMODEA&);
    };
    const std::vector<Case> cases = {
        {"landscape", DM_ORIENTATION, [](DEVMODEA& d) { d.dmOrientation = DMORIENT_LANDSCAPE; },
         [](const DEVMODEA& d) { return d.dmOrientation == DMORIENT_LANDSCAPE; }},
        {"no such orientation", DM_ORIENTATION, [](DEVMODEA& d) { d.dmOrientation = 3; },
         [](const DEVMODEA& d) { return d.dmOrientation == DMORIENT_PORTRAIT; }},
        {"A3", DM_PAPERSIZE, [](DEVMODEA& d) { d.dmPaperSize = DMPAPER_A3; },
         [](const DEVMODEA& d) {
             return d.dmPaperSize == DMPAPER_A3 && d.dmPaperWidth == 2970 && d.dmPaperLength == 4200;
         }},
        {"a paper it does not have", DM_PAPERSIZE, [](DEVMODEA& d) { d.dmPaperSize = DMPAPER_ENV_DL; },
         [](const DEVMODEA& d) { return d.dmPaperSize == DMPAPER_A4; }},
        {"a size of its own", DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH,
         [](DEVMODEA& d) { d.dmPaperSize = DMPAPER_USER, d.dmPaperWidth = 1000, d.dmPaperLength = 1500; },
         [](const DEVMODEA& d) {
             return d.dmPaperSize == DMPAPER_USER && d.dmPaperWidth == 1000 && d.dmPaperLength == 1500;
         }},
        {"a size of its own without a size", DM_PAPERSIZE, [](DEVMODEA& d) { d.dmPaperSize = DMPAPER_USER; },
         [](const DEVMODEA& d) { return d.dmPaperSize == DMPAPER_A4; }},
        {"too many copies", DM_COPIES, [](DEVMODEA& d) { d.dmCopies = 500; },
         [](const DEVMODEA& d) { return d.dmCopies == 99; }},
        {"no copies", DM_COPIES, [](DEVMODEA& d) { d.dmCopies = 0; },
         [](const DEVMODEA& d) { return d.dmCopies == 1; }},
        {"lower tray", DM_DEFAULTSOURCE, [](DEVMODEA& d) { d.dmDefaultSource = DMBIN_LOWER; },
         [](const DEVMODEA& d) { return d.dmDefaultSource == DMBIN_LOWER; }},
        {"a tray it does not have", DM_DEFAULTSOURCE, [](DEVMODEA& d) { d.dmDefaultSource = DMBIN_CASSETTE; },
         [](const DEVMODEA& d) { return d.dmDefaultSource == DMBIN_AUTO; }},
        {"300 dots per inch", DM_PRINTQUALITY, [](DEVMODEA& d) { d.dmPrintQuality = 300; },
         [](const DEVMODEA& d) { return d.dmPrintQuality == 300 && d.dmYResolution == 300; }},
        {"a resolution it does not have", DM_PRINTQUALITY, [](DEVMODEA& d) { d.dmPrintQuality = 150; },
         [](const DEVMODEA& d) { return d.dmPrintQuality == 600; }},
        {"draft", DM_PRINTQUALITY, [](DEVMODEA& d) { d.dmPrintQuality = DMRES_DRAFT; },
         [](const DEVMODEA& d) { return d.dmPrintQuality == 300; }},
        {"both sides", DM_DUPLEX, [](DEVMODEA& d) { d.dmDuplex = DMDUP_VERTICAL; },
         [](const DEVMODEA& d) { return d.dmDuplex == DMDUP_VERTICAL; }},
        {"collated", DM_COLLATE, [](DEVMODEA& d) { d.dmCollate = DMCOLLATE_TRUE; },
         [](const DEVMODEA& d) { return d.dmCollate == DMCOLLATE_TRUE; }},
        {"a field that is not marked", 0, [](DEVMODEA& d) { d.dmOrientation = DMORIENT_LANDSCAPE; },
         [](const DEVMODEA& d) { return d.dmOrientation == DMORIENT_PORTRAIT; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        DEVMODEA in = defaults;
        in.dmFields = c.Fields;
        c.Set(in);
        DEVMODEA out;
        ASSERT_EQ(DocumentPropertiesA(nullptr, printer, nullptr, &out, &in,
                                      DM_IN_BUFFER | DM_OUT_BUFFER | DM_IN_PROMPT),
                  1);
        EXPECT_TRUE(c.Check(out));
        EXPECT_EQ(out.dmFields, defaults.dmFields);
    }
    // By name instead of a handle; a closed handle is not a printer.
    DEVMODEA byName;
    EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, const_cast<LPSTR>("Fake Plotter"), &byName, nullptr,
                                  DM_OUT_BUFFER),
              1);
    EXPECT_EQ(byName.dmDefaultSource, DMBIN_ONLYONE);
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(ClosePrinter(printer));
    EXPECT_LT(DocumentPropertiesA(nullptr, printer, nullptr, &byName, nullptr, DM_OUT_BUFFER), 0);
    SetLastError(0);
    EXPECT_FALSE(OpenPrinterA(const_cast<LPSTR>("Nobody"), &printer, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
}

TEST_F(PrintApiTest, CapabilitiesListPapersBinsCopiesAndOrientation) {
    int papers = DeviceCapabilitiesA("Fake Laser", nullptr, DC_PAPERS, nullptr, nullptr);
    ASSERT_EQ(papers, 4);
    std::vector<WORD> numbers(papers);
    EXPECT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_PAPERS, reinterpret_cast<LPSTR>(numbers.data()),
                                  nullptr),
              4);
    EXPECT_EQ(numbers, (std::vector<WORD>{DMPAPER_LETTER, DMPAPER_A3, DMPAPER_A4, DMPAPER_A5}));
    std::vector<char> names(std::size_t(papers) * CCHPAPERNAME, 'x');
    EXPECT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_PAPERNAMES, names.data(), nullptr), 4);
    EXPECT_STREQ(names.data(), "Letter");
    EXPECT_STREQ(names.data() + 2 * CCHPAPERNAME, "A4");
    std::vector<POINT> sizes(papers);
    EXPECT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_PAPERSIZE, reinterpret_cast<LPSTR>(sizes.data()),
                                  nullptr),
              4);
    EXPECT_EQ(sizes[2].x, 2100);
    EXPECT_EQ(sizes[2].y, 2970);

    ASSERT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_BINS, nullptr, nullptr), 3);
    std::vector<WORD> bins(3);
    DeviceCapabilitiesA("Fake Laser", nullptr, DC_BINS, reinterpret_cast<LPSTR>(bins.data()), nullptr);
    EXPECT_EQ(bins, (std::vector<WORD>{DMBIN_UPPER, DMBIN_LOWER, DMBIN_AUTO}));
    std::vector<char> binNames(3 * CCHBINNAME);
    DeviceCapabilitiesA("Fake Laser", nullptr, DC_BINNAMES, binNames.data(), nullptr);
    EXPECT_STREQ(binNames.data() + CCHBINNAME, "Lower tray");
    EXPECT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_COPIES, nullptr, nullptr), 99);
    EXPECT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_ORIENTATION, nullptr, nullptr), 90);
    EXPECT_EQ(DeviceCapabilitiesA("Fake Laser", nullptr, DC_TRUETYPE, nullptr, nullptr), -1);
    EXPECT_EQ(DeviceCapabilitiesA("Nobody", nullptr, DC_PAPERS, nullptr, nullptr), -1);
}

TEST_F(PrintApiTest, ProfileNamesTheDefaultPrinter) {
    char buffer[80];
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buffer, sizeof(buffer)), 34u);
    EXPECT_STREQ(buffer, "Fake Laser,Fake Driver,LPT1:,LPT2:");
    EXPECT_EQ(GetProfileStringA("Windows", "Device", "", buffer, 8), 7u);
    EXPECT_STREQ(buffer, "Fake La");
    EXPECT_EQ(GetProfileStringA("windows", "spooler", "no", buffer, sizeof(buffer)), 2u);
    EXPECT_STREQ(buffer, "no");
}

TEST_F(PrintApiTest, PageGeometryHasTheMarginsAndTurnsWithThePaper) {
    HDC dc = CreateDCA(nullptr, "Fake Laser", nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), OBJ_DC);
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 600);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 4961);  // 210 mm
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 7016); // 297 mm
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 94);  // 4 mm
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 142); // 6 mm
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 4961 - 94 - 189);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 7016 - 142 - 236);
    // The paper in millimetres as a report works it out.
    EXPECT_NEAR(GetDeviceCaps(dc, PHYSICALWIDTH) * 25.4 / GetDeviceCaps(dc, LOGPIXELSX), 210.0, 0.05);
    RECT clip;
    EXPECT_EQ(GetClipBox(dc, &clip), SIMPLEREGION);
    EXPECT_EQ(clip.right, GetDeviceCaps(dc, HORZRES));

    DEVMODEA dm;
    dm.dmFields = DM_ORIENTATION | DM_PRINTQUALITY;
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.dmPrintQuality = 300;
    ASSERT_EQ(ResetDCA(dc, &dm), dc);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 300);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 3508);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 2480);
    // Turned a quarter to the left: the upright paper's top edge is on the left now.
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 71);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 94);
    DeleteDC(dc);

    // An information context measures but does not draw, and prints nothing.
    HDC ic = CreateICA(nullptr, "Fake Laser", nullptr, &dm);
    EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSY), 300);
    HFONT font = CreateFontA(-50, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    SelectObject(ic, font);
    SIZE extent{};
    EXPECT_TRUE(GetTextExtentPoint32A(ic, "Channel", 7, &extent));
    EXPECT_GT(extent.cx, 100);
    EXPECT_FALSE(TextOutA(ic, 0, 0, "Channel", 7));
    DOCINFOA doc;
    EXPECT_EQ(StartDocA(ic, &doc), SP_ERROR);
    EXPECT_TRUE(Backend.Jobs.Events.empty());
    DeleteDC(ic);
    DeleteObject(font);
    EXPECT_EQ(ResetDCA(nullptr, &dm), nullptr);
}

TEST_F(PrintApiTest, DocumentsGoThroughTheirPagesWithTheirSettings) {
    HDC dc = CreateDCA(nullptr, "Fake Laser", nullptr, nullptr);
    EXPECT_EQ(StartPage(dc), SP_ERROR); // no document yet
    DOCINFOA doc;
    doc.lpszDocName = "Channels";
    doc.lpszOutput = "/tmp/none.prn";
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    EXPECT_EQ(StartPage(dc), SP_ERROR); // one page at a time
    ASSERT_GT(EndPage(dc), 0);
    DEVMODEA dm;
    dm.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
    dm.dmPaperSize = DMPAPER_A3;
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    ASSERT_EQ(ResetDCA(dc, &dm), dc);
    ASSERT_GT(StartPage(dc), 0);
    ASSERT_GT(EndDoc(dc), 0); // ends the open page too
    ASSERT_GT(StartDocA(dc, &doc), 0);
    ASSERT_GT(StartPage(dc), 0);
    DeleteDC(dc); // with the document open
    const std::vector<std::string> expected = {"start Channels /tmp/none.prn",
                                               "page 9 upright 600",
                                               "end",
                                               "page 8 landscape 600",
                                               "end",
                                               "finish",
                                               "start Channels /tmp/none.prn",
                                               "page 8 landscape 600",
                                               "abort"};
    EXPECT_EQ(Backend.Jobs.Events, expected);
}

TEST_F(PrintApiTest, DrawingReachesThePageAsFiguresImagesAndText) {
    HDC dc = OpenPage();
    SetViewportOrgEx(dc, 10, 20, nullptr);

    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 100, 50};
    FillRect(dc, &r, red);
    std::vector<Call> fills = Drawn("fill");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_TRUE(SamePoints(fills[0].Polygons[0], Box(10, 20, 110, 70)));
    EXPECT_TRUE(fills[0].Paint.Solid);
    EXPECT_EQ(fills[0].Paint.Color, 0x00FF0000u);

    // A rectangle with the black pen: filled and framed through the centres of its outer pixels.
    Backend.Jobs.Calls.clear();
    Rectangle(dc, 0, 0, 100, 50);
    ASSERT_EQ(Drawn("fill").size(), 1u);
    std::vector<Call> strokes = Drawn("stroke");
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_TRUE(SamePoints(strokes[0].Polygons[0], Box(10.5, 20.5, 109.5, 69.5)));
    EXPECT_TRUE(strokes[0].Closed);
    EXPECT_EQ(strokes[0].Pen.Width, 1);
    EXPECT_EQ(strokes[0].Pen.Color, RGB(0, 0, 0));

    // Pen styles, and a mix mode that leaves the page as it is.
    Backend.Jobs.Calls.clear();
    HPEN dash = CreatePen(PS_DASH, 1, RGB(0, 0, 255));
    HGDIOBJ oldPen = SelectObject(dc, dash);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 100, 0);
    strokes = Drawn("stroke");
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].Pen.Dashes, (std::vector<double>{18, 6}));
    EXPECT_EQ(strokes[0].Pen.Color, RGB(0, 0, 255));
    SetROP2(dc, R2_NOP);
    Backend.Jobs.Calls.clear();
    Rectangle(dc, 0, 0, 100, 50);
    EXPECT_TRUE(Backend.Jobs.Calls.empty());
    SetROP2(dc, R2_COPYPEN);
    SelectObject(dc, oldPen);

    // The clip region goes with the next figure.
    Backend.Jobs.Calls.clear();
    IntersectClipRect(dc, 0, 0, 40, 30);
    FillRect(dc, &r, red);
    ASSERT_GE(Backend.Jobs.Calls.size(), 2u);
    EXPECT_EQ(Backend.Jobs.Calls[0].Kind, "clip");
    ASSERT_EQ(Backend.Jobs.Calls[0].Clip.size(), 1u);
    EXPECT_EQ(Backend.Jobs.Calls[0].Clip[0].left, 10);
    EXPECT_EQ(Backend.Jobs.Calls[0].Clip[0].bottom, 50);
    SelectClipRgn(dc, nullptr);
    Backend.Jobs.Calls.clear();
    FillRect(dc, &r, red);
    ASSERT_EQ(Backend.Jobs.Calls[0].Kind, "clip");
    EXPECT_FALSE(Backend.Jobs.Calls[0].Clipped);

    // Text: the characters at the places the layout gives them, in the mapped family.
    Backend.Jobs.Calls.clear();
    HFONT font = CreateFontA(-100, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    INT widths[2];
    GetCharWidth32A(dc, 'H', 'H', &widths[0]);
    TextOutA(dc, 300, 400, "H\xE4\xB8\xAD", 4); // a Latin and a Chinese character
    std::vector<Call> texts = Drawn("text");
    ASSERT_EQ(texts.size(), 1u);
    const TPrintText& t = texts[0].Text;
    EXPECT_EQ(t.Chars, U"H\u4E2D");
    ASSERT_EQ(t.Positions.size(), 2u);
    EXPECT_EQ(t.Positions[0].x, 310);
    EXPECT_EQ(t.Positions[0].y, 420 + tm.tmAscent);
    EXPECT_EQ(t.Positions[1].x, 310 + widths[0]);
    EXPECT_EQ(t.Faces[0].Family, "Liberation Sans");
    EXPECT_EQ(t.Faces[0].Em, 100);
    EXPECT_TRUE(t.Faces[0].Bold);
    EXPECT_EQ(t.Face, (std::vector<int>{0, 1}));
    EXPECT_EQ(t.Faces[1].Family, "WenQuanYi Micro Hei");

    // A picture: its pixels stretched over the place it goes.
    Backend.Jobs.Calls.clear();
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    SetPixelV(memory, 0, 0, RGB(1, 2, 3));
    SetPixelV(memory, 1, 1, RGB(200, 100, 50));
    StretchBlt(dc, 0, 0, 200, 100, memory, 0, 0, 2, 2, SRCCOPY);
    StretchBlt(dc, 0, 0, -200, 100, memory, 0, 0, 2, 2, SRCCOPY); // mirrored
    std::vector<Call> images = Drawn("image");
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].X, 10);
    EXPECT_EQ(images[0].Y, 20);
    EXPECT_EQ(images[0].W, 200);
    EXPECT_EQ(images[0].H, 100);
    EXPECT_EQ(images[0].Pixels, (std::vector<std::uint32_t>{0xFF010203, 0xFF000000, 0xFF000000, 0xFFC86432}));
    EXPECT_EQ(images[1].X, -189);
    EXPECT_EQ(images[1].Pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFF010203, 0xFFC86432, 0xFF000000}));

    // A recorded picture played onto the page arrives as the same figures.
    HDC recorder = CreateEnhMetaFileA(dc, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetDeviceCaps(recorder, LOGPIXELSX), 600);
    RECT square{100, 100, 300, 300};
    FillRect(recorder, &square, red);
    HENHMETAFILE picture = CloseEnhMetaFile(recorder);
    Backend.Jobs.Calls.clear();
    RECT into{1000, 1000, 1200, 1200};
    EXPECT_TRUE(PlayEnhMetaFile(dc, picture, &into));
    fills = Drawn("fill");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_TRUE(SamePoints(fills[0].Polygons[0], Box(1010, 1020, 1210, 1220)));
    DeleteEnhMetaFile(picture);

    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndDoc(dc);
    DeleteDC(dc);
    DeleteObject(red);
    DeleteObject(dash);
    DeleteObject(font);
}

} // namespace

TEST_F(PrintApiTest, RawDocumentsNeedAPrinterThatTakesThem) {
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<LPSTR>("Fake Laser"), &printer, nullptr));
    DOC_INFO_1A info;
    info.pDocName = const_cast<LPSTR>("Raw");
    SetLastError(0);
    EXPECT_EQ(StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&info)), 0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(StartPagePrinter(printer));
    EXPECT_EQ(GetLastError(), ERROR_SPL_NO_STARTDOC);
    EXPECT_TRUE(ClosePrinter(printer));
}

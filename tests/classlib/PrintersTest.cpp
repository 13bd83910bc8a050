// The class library's printer over a printer backend of the test's own: choosing printers, the
// device mode's orientation and copies reaching the pages, a document's life and its errors.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Printers.h"
#include "platform/winapi/PrintBackend.h"

namespace {

class NullCanvas : public TPrintCanvas {
public:
    explicit NullCanvas(std::vector<std::string>& events) : FEvents(events) {}
    void SetClip(const std::vector<RECT>*) override {}
    void FillPolygons(const std::vector<std::vector<GdiPointD>>&, bool, const GdiPaint&) override {}
    void StrokePolyline(const std::vector<GdiPointD>&, bool, const TPrintPen&) override {
        FEvents.push_back("line");
    }
    void DrawImage(double, double, double, double, int, int, const std::vector<std::uint32_t>&) override {}
    void DrawText(const TPrintText& text) override {
        std::string chars;
        for (char32_t c : text.Chars)
            chars += char(c);
        FEvents.push_back("text " + chars);
    }

private:
    std::vector<std::string>& FEvents;
};

class RecordingJob : public TPrintJob {
public:
    explicit RecordingJob(std::vector<std::string>& events) : FEvents(events), FCanvas(events) {}
    bool StartPage(const TPrintSettings& s) override {
        FEvents.push_back(std::string("page ") + (s.Landscape ? "landscape" : "portrait") + " copies " +
                          std::to_string(s.Copies));
        return true;
    }
    TPrintCanvas& Canvas() override { return FCanvas; }
    bool EndPage() override {
        FEvents.push_back("end page");
        return true;
    }
    bool Finish() override {
        FEvents.push_back("finish");
        return true;
    }
    void Abort() override { FEvents.push_back("abort"); }

private:
    std::vector<std::string>& FEvents;
    NullCanvas FCanvas;
};

class TwoPrinters : public TPrintBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        std::vector<TPrinterInfo> list;
        for (const char* name : {"Office", "Label"}) {
            TPrinterInfo p;
            p.Name = name;
            p.Default = std::string(name) == "Label";
            p.Papers = PrintStandardPapers();
            p.Resolutions = {300};
            p.DefaultResolution = 300;
            p.MaxCopies = p.Default ? 1 : 9;
            p.Collate = !p.Default;
            list.push_back(p);
        }
        return list;
    }
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo& printer, const String& title, const String& output,
                                        const TPrintSettings&) override {
        Events.push_back("start " + printer.Name + " '" + title + "' '" + output + "'");
        return std::make_unique<RecordingJob>(Events);
    }
    std::vector<std::string> Events;
};

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override { FPrevious = PrintSetBackend(&Backend); }
    void TearDown() override { PrintSetBackend(FPrevious); }

    TwoPrinters Backend;

private:
    TPrintBackend* FPrevious = nullptr;
};

std::string PrinterError(const std::function<void()>& action) {
    try {
        action();
    } catch (const EPrinter& e) {
        return e.Message;
    }
    return "(none)";
}

} // namespace

TEST_F(PrinterTest, ListsThePrintersAndStartsOnTheDefaultOne) {
    TPrinter printer;
    ASSERT_EQ(2, printer.GetPrinters()->GetCount());
    EXPECT_EQ("Office", printer.GetPrinters()->GetStrings(0));
    EXPECT_EQ(1, printer.GetPrinterIndex());
    EXPECT_FALSE(printer.GetCapabilities().Contains(pcCopies));
    printer.SetPrinterIndex(0);
    EXPECT_TRUE(printer.GetCapabilities().Contains(pcCopies));
    EXPECT_TRUE(printer.GetCapabilities().Contains(pcCollation));
    EXPECT_TRUE(printer.GetCapabilities().Contains(pcOrientation));
    // A4 at 300 dots per inch, less nothing: the printable area in device pixels.
    EXPECT_NEAR(2480, printer.GetPageWidth(), 2);
    EXPECT_NEAR(3508, printer.GetPageHeight(), 2);
    printer.SetOrientation(poLandscape);
    EXPECT_EQ(poLandscape, printer.GetOrientation());
    EXPECT_NEAR(3508, printer.GetPageWidth(), 2);

    String device, driver, port;
    HGLOBAL mode = nullptr;
    printer.GetPrinter(device, driver, port, mode);
    EXPECT_EQ("Office", device);
    ASSERT_NE(nullptr, mode);
    TPrinter other;
    other.SetPrinter(device, driver, port, mode);
    GlobalFree(mode);
    EXPECT_EQ(0, other.GetPrinterIndex());
    EXPECT_EQ(poLandscape, other.GetOrientation());
}

TEST_F(PrinterTest, PrintsADocumentPageByPage) {
    TPrinter printer;
    printer.SetPrinterIndex(0);
    printer.SetOrientation(poLandscape);
    printer.SetCopies(3);
    printer.SetTitle("Channels");
    printer.BeginDoc();
    EXPECT_TRUE(printer.GetPrinting());
    EXPECT_EQ(1, printer.GetPageNumber());
    printer.GetCanvas()->TextOut(100, 100, "One");
    printer.NewPage();
    EXPECT_EQ(2, printer.GetPageNumber());
    printer.GetCanvas()->MoveTo(0, 0);
    printer.GetCanvas()->LineTo(300, 300);
    printer.EndDoc();
    EXPECT_FALSE(printer.GetPrinting());
    std::vector<std::string> expected = {"start Office 'Channels' ''",
                                         "page landscape copies 3",
                                         "text One",
                                         "end page",
                                         "page landscape copies 3",
                                         "line",
                                         "end page",
                                         "finish"};
    EXPECT_EQ(expected, Backend.Events);
}

TEST_F(PrinterTest, AbortDropsTheDocumentAndErrorsSayWhy) {
    TPrinter printer;
    printer.BeginDoc();
    EXPECT_EQ("Printing in progress", PrinterError([&] { printer.BeginDoc(); }));
    EXPECT_EQ("Printing in progress", PrinterError([&] { printer.SetPrinterIndex(0); }));
    printer.Abort();
    EXPECT_FALSE(printer.GetPrinting());
    EXPECT_EQ("abort", Backend.Events.back());
    EXPECT_EQ("Printer is not currently printing", PrinterError([&] { printer.NewPage(); }));
    EXPECT_EQ("Printer is not currently printing", PrinterError([&] { printer.EndDoc(); }));
    EXPECT_EQ("Printer index out of range", PrinterError([&] { printer.SetPrinterIndex(2); }));
    EXPECT_EQ("Printer selected is not valid", PrinterError([&] { printer.SetPrinter("Nobody", "", "", nullptr); }));

    TPrintBackend* mine = PrintSetBackend(nullptr);
    TPrinter none;
    EXPECT_EQ(0, none.GetPrinters()->GetCount());
    EXPECT_EQ("There is no default printer currently selected", PrinterError([&] { none.BeginDoc(); }));
    EXPECT_FALSE(none.GetPrinting());
    PrintSetBackend(mine);
}

TEST_F(PrinterTest, TheProgramsPrinterCanBeReplaced) {
    TPrinter* builtIn = Printer();
    ASSERT_NE(nullptr, builtIn);
    EXPECT_EQ(builtIn, Printer());
    TPrinter mine;
    EXPECT_EQ(builtIn, SetPrinter(&mine));
    EXPECT_EQ(&mine, Printer());
    EXPECT_EQ(&mine, SetPrinter(nullptr));
    EXPECT_EQ(builtIn, Printer());
}

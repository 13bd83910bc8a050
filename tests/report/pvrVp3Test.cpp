// Prepared reports saved as ".vp3" files and loaded again without their definition: the same
// pages, drawn the same; pages replaced in the preview; pages read only when needed; the
// outline and its settings; and damaged files refused cleanly.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/DB.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/MemDataSet.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/ObjectText.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Threads.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrRes.h"
#include "script/kq_isysrtti.h"
#include "tests/report/ChannelListFixture.h"
#include "tests/report/pvrViewTestHelpers.h"
#include "tests/support/TestSupport.h"

namespace {

TpvrPreviewPages* StoreOf(TpvrReport* report) { return dynamic_cast<TpvrPreviewPages*>(report->GetPreviewPages()); }

String Saved(TpvrReport* report) {
    TStringStream stream;
    report->GetPreviewPages()->SaveToStream(&stream);
    return stream.GetDataString();
}

void Load(TpvrReport* report, const String& text) {
    TStringStream stream(text);
    report->GetPreviewPages()->LoadFromStream(&stream);
}

// What a page draws on a metafile canvas: each text with its reference point.
std::vector<std::string> DrawnTexts(TpvrReport* report, Integer index) {
    std::vector<std::string> result;
    for (const viewtest::TextRecord& r : viewtest::RecordText([&](TCanvas* canvas) {
             report->GetPreviewPages()->DrawPage(index, canvas, 1, 1, 0, 0);
         })) {
        std::string text;
        for (char16_t c : r.Text)
            text += c < 128 ? char(c) : '?';
        result.push_back(text + " @" + std::to_string(r.Reference.x) + "," + std::to_string(r.Reference.y));
    }
    return result;
}

// The printed channel list of the print data module (report/ChannelList.xml) over records in
// three groups.
class pvrVp3Test : public reporttest::TChannelListFixture<> {
protected:
    void SetUp() override {
        TChannelListFixture::SetUp();
        Fresh = std::make_unique<TpvrReport>(nullptr);
        Fresh->GetEngineOptions()->SetNewSilentMode(simSilent);
    }
    void TearDown() override {
        Fresh.reset();
        TChannelListFixture::TearDown();
    }
    void Prepare(const std::vector<Integer>& groups) {
        Fill(groups);
        ASSERT_TRUE(LoadReport());
        ASSERT_TRUE(Report->PrepareReport()) << Report->GetErrors()->GetText();
    }

    // A report without a definition that the files are loaded into.
    std::unique_ptr<TpvrReport> Fresh;
};

} // namespace

// Every page's size and drawn texts, as one text per page.
std::vector<std::string> Pages(TpvrReport* report) {
    std::vector<std::string> pages;
    TpvrCustomPreviewPages* store = report->GetPreviewPages();
    for (Integer i = 0; i < store->GetCount(); ++i) {
        const TPoint size = store->GetPageSize(i);
        std::string page = std::to_string(size.x) + "x" + std::to_string(size.y);
        for (const std::string& text : DrawnTexts(report, i))
            page += " | " + text;
        pages.push_back(page);
    }
    return pages;
}

// Empty when equal; otherwise both texts from a little before where they differ.
std::string FirstDifference(const String& a, const String& b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    if (at == a.size() && at == b.size()) return "";
    const std::size_t from = at > 40 ? at - 40 : 0;
    return "at " + std::to_string(at) + ":\n" + a.substr(from, 100) + "\n" + b.substr(from, 100);
}

String ReplaceAll(String text, const String& from, const String& to) {
    for (std::size_t at = text.find(from); at != String::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST_F(pvrVp3Test, ASavedReportLoadsWithoutItsDefinitionAndDrawsTheSame) {
    Prepare({1, 40, 75});
    const std::vector<std::string> original = Pages(Report);
    ASSERT_EQ(6u, original.size());
    // Letter paper at 3.77953 units per millimetre.
    EXPECT_EQ(0u, original[0].rfind("816x1056 |", 0)) << original[0];

    const String text = Saved(Report);
    EXPECT_EQ(0u, text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport><previewpages><page0>", 0));
    EXPECT_NE(String::npos, text.find("<report><TpvrReport DotMatrixReport=\"0\" PreviewOptions.OutlineVisible=\"0\" "
                                      "PreviewOptions.OutlineWidth=\"120\"/></report><sourcepages><TpvrReportPage "
                                      "Name=\"Page1\""));
    EXPECT_NE(String::npos, text.find("<m1 name=\"Page0.Caption1\"/>"));
    // The first two pages stay in memory when loaded partially; the others may not.
    std::size_t marks = 0;
    for (std::size_t at = text.find("<page0 ld=\"0\">"); at != String::npos; at = text.find("<page0 ld=\"0\">", at + 1))
        ++marks;
    EXPECT_EQ(4u, marks);

    Load(Fresh.get(), text);
    EXPECT_TRUE(Fresh->GetErrors()->GetCount() == 0) << Fresh->GetErrors()->GetText();
    EXPECT_EQ(original, Pages(Fresh.get()));
    // Saved again, the loaded report gives the same file.
    EXPECT_EQ("", FirstDifference(text, Saved(Fresh.get())));
}

TEST_F(pvrVp3Test, FilesAreWrittenWholeAndAMissingOneIsNotLoaded) {
    Prepare({1, 4});
    testsupport::TempDir dir;
    const String file = dir.File("channels.vp3");
    Report->GetPreviewPages()->SaveToFile(file);
    EXPECT_EQ(Saved(Report), testsupport::ReadFileBytes(file));
    EXPECT_TRUE(Fresh->GetPreviewPages()->LoadFromFile(file));
    EXPECT_EQ(Pages(Report), Pages(Fresh.get()));

    // A missing file leaves the pages as they are, unless it is to be loaded anyway.
    EXPECT_FALSE(Fresh->GetPreviewPages()->LoadFromFile(dir.File("missing.vp3")));
    EXPECT_EQ(Pages(Report), Pages(Fresh.get()));
    EXPECT_THROW(Fresh->GetPreviewPages()->LoadFromFile(dir.File("missing.vp3"), true), EFOpenError);

    // A save that fails on the way keeps the file that was there.
    const String before = testsupport::ReadFileBytes(file);
    StoreOf(Report)->PageItem(0)->Name = "no such<page";
    EXPECT_THROW(Report->GetPreviewPages()->SaveToFile(file), Exception);
    EXPECT_EQ(before, testsupport::ReadFileBytes(file));
}

TEST_F(pvrVp3Test, APageReplacedInThePreviewIsSavedWhole) {
    Prepare({1, 40, 75});
    TpvrPreviewPages* store = StoreOf(Report);
    TpvrReportPage* page = store->GetPage(1);
    ASSERT_NE(nullptr, page);
    auto* memo = dynamic_cast<TpvrMemoView*>(page->FindObject("Caption1"));
    ASSERT_NE(nullptr, memo);
    memo->GetMemo()->SetText(u"Edited \"list\" &amp;\r\n<second> line");
    store->ModifyPage(1, page);
    const std::vector<std::string> modified = Pages(Report);
    ASSERT_NE(std::string::npos, modified[1].find("Edited \"list\" &amp; @")) << modified[1];
    ASSERT_NE(std::string::npos, modified[1].find("<second> line @")) << modified[1];

    const String text = Saved(Report);
    const std::size_t second = text.find("</page0>") + 8;
    EXPECT_EQ(0u, text.compare(second, 30, "<TpvrReportPage Name=\"\" PaperW")) << text.substr(second, 60);
    Load(Fresh.get(), text);
    EXPECT_EQ("TpvrReportPage", StoreOf(Fresh.get())->PageItem(1)->Name);
    EXPECT_EQ(modified, Pages(Fresh.get()));
}

TEST_F(pvrVp3Test, PartialLoadingReadsLaterPagesWhenTheyAreBuilt) {
    Prepare({1, 40, 75});
    const std::vector<std::string> original = Pages(Report);
    const String text = Saved(Report);
    TpvrPreviewPages* store = StoreOf(Fresh.get());
    // The store keeps the stream as its page cache.
    store->LoadFromStream(new TStringStream(text), true);
    ASSERT_EQ(6, store->GetCount());
    auto loaded = [&] {
        std::string flags;
        for (Integer i = 0; i < store->GetCount(); ++i)
            flags += store->PageItem(i)->IsLoaded ? '1' : '0';
        return flags;
    };
    EXPECT_EQ("110000", loaded());
    ASSERT_NE(nullptr, store->GetPage(3));
    EXPECT_EQ("110100", loaded());
    EXPECT_EQ(original[3], Pages(Fresh.get())[3]);
    EXPECT_EQ("111111", loaded());
    // Pages still on the stream are written in full.
    store->ClearCache();
    EXPECT_EQ("", FirstDifference(text, Saved(Fresh.get())));
}

TEST_F(pvrVp3Test, TheOutlineAnchorsAndTheirSettingsComeBack) {
    Prepare({1, 4});
    TpvrPreviewPages* store = StoreOf(Report);
    const String caption = "Say \"hi\" & <bye>\r\nsecond line";
    store->GetOutline()->LevelRoot();
    store->GetOutline()->AddItem(caption, 40);
    store->GetOutline()->AddItem("nested", 7);
    store->AddAnchor(caption);
    Report->GetPreviewOptions()->OutlineVisible = true;
    Report->GetPreviewOptions()->OutlineWidth = 210;
    Report->DotMatrixReport = true;

    Load(Fresh.get(), Saved(Report));
    EXPECT_TRUE(Fresh->GetPreviewOptions()->OutlineVisible);
    EXPECT_EQ(210, Fresh->GetPreviewOptions()->OutlineWidth);
    EXPECT_TRUE(Fresh->DotMatrixReport);
    TpvrCustomOutline* outline = Fresh->GetPreviewPages()->GetOutline();
    outline->LevelRoot();
    ASSERT_EQ(1, outline->GetCount());
    String text;
    Integer page = -1, top = -1;
    outline->GetItem(0, text, page, top);
    EXPECT_EQ(caption, text);
    EXPECT_EQ(Report->GetPreviewPages()->CurrentPage, page);
    EXPECT_EQ(40, top);
    outline->LevelDown(0);
    outline->GetItem(0, text, page, top);
    EXPECT_EQ("nested", text);
    EXPECT_EQ(Report->GetPreviewPages()->GetCount(), StoreOf(Fresh.get())->GetAnchorPage(caption));
}

TEST_F(pvrVp3Test, DamagedContentsAreRefusedAndLeaveTheStoreCleared) {
    Prepare({1, 4});
    const String text = Saved(Report);
    const String errors = GetResources()->Get("clErrors");
    struct Case {
        const char* From;
        const char* To;
        // Empty: the file loads.
        const char* Error;
    };
    const Case cases[] = {
        {"<?xml", "<?xmk", "Invalid file format"},
        {"preparedreport>", "TpvrReport>", "Invalid file format"},
        {"</previewpages>", "</previewpage>", "Invalid file format"},
        {"page0>", "page7>", "page 1: \"page7\""},
        {"page0>", "page>", "page 1: \"page\""},
        {"page0>", "pageX>", "page 1: \"pageX\""},
        {"page0>", "page123456>", "page 1: \"page123456\""},
        {"</page0>", "</page7>", "Invalid file format"},
        // Cut off before the root's end tag.
        {"</preparedreport>", "", "Invalid file format"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"\"/>", "dictionary entry \"m1\": no object name"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 x/>", "dictionary entry \"m1\": no source name"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"Page0Caption1\"/>", "dictionary entry \"m1\": no object name"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"PageX.Caption1\"/>", "dictionary entry \"m1\": no page number"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"P.Caption1\"/>", "dictionary entry \"m1\": no page number"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"Page99999999999.Caption1\"/>",
         "dictionary entry \"m1\": no page number"},
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"Page3.Caption1\"/>", "dictionary entry \"m1\": no such source page"},
        {"PaperWidth=\"215.9\"", "PaperWidth=\"1e308\"", "source page 0: paper size"},
        {"PaperHeight=\"279.4\"", "PaperHeight=\"-5\"", "source page 0: paper size"},
        {"LeftMargin=\"10\"", "LeftMargin=\"1e300\"", "source page 0: margins"},
        {"OutlineWidth=\"120\"", "OutlineWidth=\"99999999999\"", "PreviewOptions.OutlineWidth=\"99999999999\""},
        {"OutlineVisible=\"0\"", "OutlineVisible=\"yes\"", "PreviewOptions.OutlineVisible=\"yes\""},
        // An object the dictionary cannot find is rebuilt from its own attributes.
        {"<m1 name=\"Page0.Caption1\"/>", "<m1 name=\"Page0.Nothing\"/>", ""},
        // An unknown class goes to the report's errors; the rest loads.
        {"TpvrPageHeader", "TpvrNoSuchBand", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.From << " -> " << c.To);
        const String damaged = ReplaceAll(text, c.From, c.To);
        ASSERT_NE(text, damaged);
        Load(Fresh.get(), text);
        ASSERT_EQ(2, Fresh->GetPreviewPages()->GetCount());
        if (*c.Error) {
            try {
                Load(Fresh.get(), damaged);
                ADD_FAILURE() << "loaded";
            } catch (const Exception& e) {
                if (String(c.Error) == "Invalid file format")
                    EXPECT_EQ(c.Error, e.Message);
                else {
                    EXPECT_EQ(0u, e.Message.rfind(errors + "\n", 0)) << e.Message;
                    EXPECT_NE(String::npos, e.Message.find(String("\n") + c.Error + "\r\n")) << e.Message;
                }
            }
            EXPECT_EQ(0, Fresh->GetPreviewPages()->GetCount());
            EXPECT_TRUE(StoreOf(Fresh.get())->GetSourcePages().empty());
            EXPECT_EQ(0, StoreOf(Fresh.get())->GetDictionary()->GetNames()->GetCount());
        } else {
            Load(Fresh.get(), damaged);
            EXPECT_EQ(2, Fresh->GetPreviewPages()->GetCount());
            EXPECT_EQ(2u, Pages(Fresh.get()).size());
        }
    }
    // The unknown class is named.
    EXPECT_NE(String::npos, Fresh->GetErrors()->GetText().find("TpvrNoSuchBand"));
}

// A file cut off after a good beginning is refused, also when its pages are read lazily.
TEST_F(pvrVp3Test, AFileCutOffAfterAGoodBeginningIsRefused) {
    Prepare({1, 4});
    const String text = Saved(Report);
    const String cuts[] = {
        "<?xml version=\"1.0\"?><preparedreport><previewpages>",
        "<?xml version=\"1.0\"?>",
        "<?xml version=\"1.0\"?></preparedreport>",
        text.substr(0, text.find("</previewpages>")),
        text.substr(0, text.rfind("</preparedreport>")),
    };
    for (const String& cut : cuts)
        for (bool partial : {false, true}) {
            SCOPED_TRACE(testing::Message() << cut.substr(0, 60) << (partial ? " partially" : ""));
            Load(Fresh.get(), text);
            try {
                if (partial)
                    Fresh->GetPreviewPages()->LoadFromStream(new TStringStream(cut), true);
                else
                    Load(Fresh.get(), cut);
                ADD_FAILURE() << "loaded";
            } catch (const Exception& e) {
                EXPECT_EQ("Invalid file format", e.Message);
            }
            EXPECT_EQ(0, Fresh->GetPreviewPages()->GetCount());
        }
    // The whole file still loads both ways.
    Fresh->GetPreviewPages()->LoadFromStream(new TStringStream(text), true);
    EXPECT_EQ(Pages(Report), Pages(Fresh.get()));
}

TEST_F(pvrVp3Test, APageWhosePositionsCannotBeDrawnIsNotBuilt) {
    Prepare({1, 4});
    const String text = Saved(Report);
    // The first page's first data band far beyond anything drawable.
    String damaged = text;
    const std::size_t band = damaged.find("<b3 t=\"");
    ASSERT_LT(band, damaged.find("</page0>"));
    damaged.replace(band + 7, damaged.find('"', band + 7) - band - 7, "1e308");
    Load(Fresh.get(), damaged);
    ASSERT_EQ(2, Fresh->GetPreviewPages()->GetCount());
    EXPECT_EQ(nullptr, Fresh->GetPreviewPages()->GetPage(0));
    EXPECT_NE(String::npos, Fresh->GetErrors()->GetText().find("Invalid file format: page 1")) << Fresh->GetErrors()->GetText();
    EXPECT_TRUE(DrawnTexts(Fresh.get(), 0).empty());
    EXPECT_NE(nullptr, Fresh->GetPreviewPages()->GetPage(1));
}

// Whatever report class a file names for a printed object, or around the objects of a whole
// page, the pages load, draw and save again, or the file is refused.
TEST_F(pvrVp3Test, AnyReportClassInAPageIsBuiltOrReported) {
    Prepare({1, 4});
    const String text = Saved(Report);
    const String wholePages = ReplaceAll(text, "page0>", "TpvrReportPage>");
    for (const char* cls : {"TpvrReport", "TpvrReportPage", "TpvrDMPPage", "TpvrDialogPage", "TpvrSubreport",
                            "TpvrUserDataSet", "TpvrDBDataset", "TpvrCustomDatabase", "TpvrDialogControl",
                            "TpvrComponent", "TpvrMasterData"}) {
        const String name = cls;
        const String damaged[] = {
            ReplaceAll(text, "<l1/>", "<" + name + " Name=\"X\" Left=\"3\"><TpvrMemoView Text=\"in\"/></" + name + ">"),
            ReplaceAll(ReplaceAll(wholePages, "<b1 t=\"0\">", "<" + name + " Name=\"Z\"><b1 t=\"0\">"), "</b1>",
                       "</b1></" + name + ">"),
        };
        for (const String& file : damaged) {
            SCOPED_TRACE(name + (&file == damaged ? " for an object" : " around a whole page's objects"));
            try {
                Load(Fresh.get(), file);
                EXPECT_EQ(2u, Pages(Fresh.get()).size());
                Saved(Fresh.get());
            } catch (const Exception& e) {
                EXPECT_EQ(0, Fresh->GetPreviewPages()->GetCount()) << e.Message;
            }
        }
    }
}

// Files cut short at many places and with bytes changed: each either loads or is refused
// with the store cleared, and whatever loads can be measured and drawn.
TEST_F(pvrVp3Test, TruncatedAndCorruptedFilesNeverBreakTheStore) {
    Prepare({1, 4});
    const String text = Saved(Report);
    auto attempt = [&](const String& damaged, bool partial) {
        TpvrCustomPreviewPages* store = Fresh->GetPreviewPages();
        try {
            if (partial)
                store->LoadFromStream(new TStringStream(damaged), true);
            else
                Load(Fresh.get(), damaged);
        } catch (const Exception&) {
            EXPECT_EQ(0, store->GetCount());
            return;
        }
        try {
            Pages(Fresh.get());
        } catch (const Exception&) {
            // A page read from the stream only now may still turn out damaged.
            EXPECT_TRUE(partial);
        }
    };
    for (std::size_t cut = 0; cut < text.size(); cut += 9) {
        SCOPED_TRACE(cut);
        attempt(text.substr(0, cut), cut % 2 == 1);
    }
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (Integer round = 0; round < 300; ++round) {
        String damaged = text;
        const Integer flips = 1 + Integer(next() % 3);
        for (Integer f = 0; f < flips; ++f) {
            const std::size_t at = next() % damaged.size();
            damaged[at] = char(Byte(damaged[at]) ^ Byte(1 + next() % 255));
        }
        SCOPED_TRACE(round);
        attempt(damaged, round % 2 == 1);
    }
}

namespace {

// A stream that notes the threads that read and wrote it.
class TThreadNotingStream : public TStringStream {
public:
    using TStringStream::TStringStream;
    Integer Read(void* buffer, Integer count) override {
        ReadBy = GetCurrentThreadId();
        return TStringStream::Read(buffer, count);
    }
    Integer Write(const void* buffer, Integer count) override {
        WrittenBy = GetCurrentThreadId();
        return TStringStream::Write(buffer, count);
    }
    DWORD ReadBy = 0;
    DWORD WrittenBy = 0;
};

// A report thread that saves the pages and loads them back into another store.
class TReportThread : public TThread {
public:
    TReportThread(TpvrReport* from, TpvrReport* into) : TThread(true), From(from), Into(into) {}
    void Execute() override {
        From->GetEngineOptions()->CallerThread = this;
        Into->GetEngineOptions()->CallerThread = this;
        From->GetPreviewPages()->SaveToStream(&Saved);
        Loaded = std::make_unique<TThreadNotingStream>(Saved.GetDataString());
        Into->GetPreviewPages()->LoadFromStream(Loaded.get());
        From->GetEngineOptions()->CallerThread = nullptr;
        Into->GetEngineOptions()->CallerThread = nullptr;
    }
    TpvrReport* From;
    TpvrReport* Into;
    TThreadNotingStream Saved;
    std::unique_ptr<TThreadNotingStream> Loaded;
};

} // namespace

// With a caller thread, saving and loading run on the user-interface thread while the report
// thread waits.
TEST_F(pvrVp3Test, ACallerThreadHandsLoadingAndSavingToTheUserInterfaceThread) {
    Prepare({1, 4});
    TReportThread thread(Report, Fresh.get());
    thread.Start();
    thread.WaitFor();
    ASSERT_FALSE(thread.GetFatalException());
    EXPECT_EQ(MainThreadID.load(), thread.Saved.WrittenBy);
    EXPECT_EQ(MainThreadID.load(), thread.Loaded->ReadBy);
    EXPECT_EQ(Pages(Report), Pages(Fresh.get()));
}

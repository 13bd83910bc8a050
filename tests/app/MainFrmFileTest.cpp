#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "app/AllClass.h"
#include "app/MainFrm.h"
#include "platform/runtime/Files.h"
#include "app/MeMode.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/classlib/StdCtrls.h"
#include "tests/app/MainFrmFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

String HexBytes(const String& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    String text;
    for (unsigned char b : bytes) {
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

String Repeat(const String& hex, int times) {
    String text;
    for (int i = 0; i < times; ++i)
        text += (text.empty() ? "" : " ") + hex;
    return text;
}

const String kBlankRecord = Repeat("FF", 16);

// A channel table held in memory, by (column, row).
class FakeCells : public IChannelCells {
public:
    String GetForeText(Integer col, Integer row) const override { return Lookup(FFore, col, row); }
    String GetBackText(Integer col, Integer row) const override { return Lookup(FBack, col, row); }
    void SetForeText(Integer col, Integer row, const String& text) override { FFore[{col, row}] = text; }
    void SetBackText(Integer col, Integer row, const String& text) override { FBack[{col, row}] = text; }

private:
    using TCells = std::map<std::pair<Integer, Integer>, String>;
    static String Lookup(const TCells& cells, Integer col, Integer row) {
        auto it = cells.find({col, row});
        return it == cells.end() ? String() : it->second;
    }
    TCells FFore, FBack;
};

// The data model of a freshly started program with the UHF model in "450 - 470MHz".
class DataFileImageTest : public ::testing::TestWithParam<bool> {
protected:
    DataFileImageTest()
        : FSettings(GetParam() ? testsupport::CommaSettings() : testsupport::DotSettings()),
          FOldModels(std::move(ModelList)), FOldState(std::move(AppState)),
          FOldMessages(std::move(MessageLines)), FOldFunctions(std::move(FunctionSettings)),
          FOldBands(std::move(BandList)) {
        ModelList = std::make_unique<TMacList>();
        AppState = std::make_unique<TALL>();
        MessageLines = std::make_unique<TEnMsg>();
        FunctionSettings = std::make_unique<TFun>();
        BandList = std::make_unique<TFrqList>();
        FillBandCodeTable(*BandList);
        BuildModelTable();
        AppState->UseModel(*ModelList->FindModelByCode("2475"));
        AppState->UseBand("450 - 470MHz");
    }
    ~DataFileImageTest() override {
        ModelList = std::move(FOldModels);
        AppState = std::move(FOldState);
        MessageLines = std::move(FOldMessages);
        FunctionSettings = std::move(FOldFunctions);
        BandList = std::move(FOldBands);
    }

    testsupport::ScopedFormatSettings FSettings;

private:
    std::unique_ptr<TMacList> FOldModels;
    std::unique_ptr<TALL> FOldState;
    std::unique_ptr<TEnMsg> FOldMessages;
    std::unique_ptr<TFun> FOldFunctions;
    std::unique_ptr<TFrqList> FOldBands;
};

INSTANTIATE_TEST_SUITE_P(Locales, DataFileImageTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Comma" : "Dot"; });

TEST_P(DataFileImageTest, SixteenEmptyChannelsGiveTheWholeLayout) {
    FakeCells cells;
    const String image =
        EncodeDataFile(cells, 16, "None", EncodeDate(2026, 12, 8) + EncodeTime(23, 54, 31, 0));

    ASSERT_EQ(image.size(), 992u);
    EXPECT_EQ(DataFileRecordCount(*AppState->CurrentModel), 62);
    std::vector<String> records;
    for (std::size_t offset = 0; offset < image.size(); offset += 16)
        records.push_back(HexBytes(image.substr(offset, 16)));

    std::vector<String> expected;
    expected.push_back("50 32 34 37 35 45 04 70 EA 07 0C 08 17 36 FF FF");
    for (int i = 0; i < 16 + 38; ++i)
        expected.push_back(kBlankRecord);
    expected.push_back("01 01 00 00 04 00 01 01 00 01 FF FF FF FF FF FF"); // settings B at 0x370
    for (int i = 0; i < 4; ++i)
        expected.push_back(kBlankRecord);
    expected.push_back("03 05 01 06 FF FF FF FF FF FF FF FF FF FF FF FF"); // settings A at 0x3C0
    expected.push_back("00 00 F4 35 37 34 32 50 FF FF FF FF FF FF FF FF"); // model record at 0x3D0
    EXPECT_EQ(records, expected);
    EXPECT_EQ(AppState->UsedBits, String(16, '0'));
    EXPECT_EQ(AppState->ScanBits, String(16, '0'));
}

TEST_P(DataFileImageTest, MessageLinesAreSplitIntoTwoRecordsEach) {
    MessageLines->LineA = "ABCDEFGHIJKLMNOP";                 // 16: the second record stays blank
    MessageLines->LineB = "0123456789abcdefghijklmnopqrstuv"; // 32
    FakeCells cells;
    const String image = EncodeDataFile(cells, 16, "None", EncodeDate(2026, 1, 2));
    ASSERT_EQ(image.size(), 992u);
    EXPECT_EQ(image.substr(0x380, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(HexBytes(image.substr(0x390, 16)), kBlankRecord);
    EXPECT_EQ(image.substr(0x3A0, 32), "0123456789abcdefghijklmnopqrstuv");
}

TEST_P(DataFileImageTest, ChannelsAndTheirFlags) {
    FakeCells cells;
    // Channel 2: RX, no TX, tones, TX Power High, W/N Wide, Scan Add Yes, Beat Shift No,
    // Busy Lockout No; channel 4 only RX with the "None" tones.
    const std::pair<Integer, String> row3[] = {
        {ccRx, "450.01250"}, {ccDecodeTone, "67.0"}, {ccEncodeTone, "D023N"}};
    for (const auto& [col, text] : row3)
        cells.SetForeText(col, 3, text);
    const std::pair<Integer, String> back3[] = {
        {ccTxPower, "1"}, {ccWideNarrow, "0"}, {ccScanAdd, "0"}, {ccBeatShift, "1"}, {ccBusyLockout, "1"}};
    for (const auto& [col, text] : back3)
        cells.SetBackText(col, 3, text);
    cells.SetForeText(ccRx, 5, "440.00000");
    cells.SetForeText(ccTx, 5, "445.50000");
    cells.SetForeText(ccDecodeTone, 5, "None");
    cells.SetForeText(ccEncodeTone, 5, "None");
    for (Integer col = ccTxPower; col <= ccBusyLockout; ++col)
        cells.SetBackText(col, 5, "0");

    const String image = EncodeDataFile(cells, 16, "None", EncodeDate(2026, 1, 2));
    EXPECT_EQ(HexBytes(image.substr(0x020, 16)), "50 12 00 45 FF FF FF FF 70 06 23 80 0B FF FF FF");
    EXPECT_EQ(HexBytes(image.substr(0x040, 16)), "00 00 00 44 00 00 55 44 FF FF FF FF 00 FF FF FF");
    EXPECT_EQ(AppState->UsedBits, "0101000000000000");
    EXPECT_EQ(AppState->ScanBits, "0000000000000000");
}

TEST_P(DataFileImageTest, AModelOfMoreThanSixteenChannelsAddsTheBitmaps) {
    TMacType* model = ModelList->AddModel(std::make_unique<TMacType>("9999", 20, "Test(20)"));
    model->SetGapBlocks(2);
    AppState->UseModel(*model);
    FakeCells cells;
    for (Integer row : {2, 11, 21}) {
        cells.SetForeText(ccRx, row, "450.00000");
        for (Integer col = ccTxPower; col <= ccBusyLockout; ++col)
            cells.SetBackText(col, row, row == 11 ? "1" : "0");
    }
    const String image = EncodeDataFile(cells, 20, "None", EncodeDate(2026, 1, 2));
    // Header, 20 channels, 1 blank record, 7 records after the gap, 4 bitmaps.
    ASSERT_EQ(image.size(), 33u * 16);
    EXPECT_EQ(DataFileRecordCount(*model), 33);
    EXPECT_EQ(HexBytes(image.substr(29 * 16, 16)), "01 02 08 " + Repeat("00", 13)); // channels 1, 10, 20
    EXPECT_EQ(HexBytes(image.substr(30 * 16, 16)), Repeat("00", 16));
    EXPECT_EQ(HexBytes(image.substr(31 * 16, 16)), "00 02 " + Repeat("00", 14)); // Scan Add: channel 10
    EXPECT_EQ(HexBytes(image.substr(32 * 16, 16)), Repeat("00", 16));
}

TEST_P(DataFileImageTest, ATextThatIsNoFrequencyRaises) {
    FakeCells cells;
    cells.SetForeText(ccRx, 2, "4x0");
    EXPECT_THROW(EncodeDataFile(cells, 16, "None", EncodeDate(2026, 1, 2)), EConvertError);
}

// ---- The band of an opened file ------------------------------------------------------------------

// The model record's band code gives the band only when it names one of the file's model's bands;
// otherwise (a blank record's 0xFF, " 27 -  72MHz", another model's band) the model's default band,
// as a radio read does.
class OpenedBandTest : public mainfrmtest::TMainFrmFixture {};

TEST_F(OpenedBandTest, ABandCodeOfNoneOfTheModelsBandsGivesItsDefaultBand) {
    Start();
    const struct {
        const char* Model;
        const char* SavedBand;
        Integer Code; // patched into the model record
        const char* Band;
        double Low, High;
    } cases[] = {
        {"2475", "400 - 420MHz", 248, "400 - 420MHz", 400, 420}, // as saved
        {"2475", "400 - 420MHz", 246, "470 - 650MHz", 470, 650}, // the record wins over the header
        {"2475", "400 - 420MHz", 0xFF, "450 - 470MHz", 450, 470},
        {"2475", "400 - 420MHz", 253, "450 - 470MHz", 450, 470},
        {"2475", "400 - 420MHz", 241, "450 - 470MHz", 450, 470}, // a band of the VHF model
        {"2475", "400 - 420MHz", 0, "450 - 470MHz", 450, 470},
        {"1475", "136 - 150MHz", 243, "216 - 223MHz", 216, 223},
        {"1475", "136 - 150MHz", 244, "150 - 174MHz", 150, 174}, // a band of the UHF model
        {"1475", "136 - 150MHz", 0xFF, "150 - 174MHz", 150, 174},
    };
    const std::string path = File("band.dat");
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Model) + " " + std::to_string(c.Code));
        AppState->UseModel(*ModelList->FindModelByCode(c.Model));
        AppState->UseBand(c.SavedBand);
        FakeCells cells;
        String image = EncodeDataFile(cells, 16, "None", EncodeDate(2026, 1, 2));
        ASSERT_EQ(image.size(), 992u);
        image[0x3D2] = char(c.Code);
        WriteFileBytes(path, image);
        // Another model and band are current when the file is opened.
        AppState->UseModel(*ModelList->FindModelByCode(String(c.Model) == "2475" ? "1475" : "2475"));
        AppState->UseBand(AppState->CurrentModel->DefaultBand);

        Frame->FileName = path;
        ASSERT_TRUE(Frame->ReadDataFile());
        EXPECT_EQ(AppState->ModelCode, c.Model);
        EXPECT_EQ(AppState->BandText, c.Band);
        EXPECT_EQ(AppState->BandLow, c.Low);
        EXPECT_EQ(AppState->BandHigh, c.High);
        EXPECT_EQ(Frame->stFreq->GetCaption(), c.Band);
    }
}

// A model record naming no known model (blank, or a code of no model) leaves the header's model,
// so the file saved again opens again; a record naming a known model gives its code.
TEST_F(OpenedBandTest, AModelRecordOfNoKnownModelKeepsTheHeadersModelThroughSaveAndOpen) {
    Start();
    const struct {
        const char* Name;
        std::string Bytes; // the model record's code bytes, last character first
        const char* Code;
    } cases[] = {
        {"blank", std::string(4, '\xFF'), "2475"},
        {"unknown", "0000", "2475"},
        {"spaces", "    ", "2475"},
        {"the header's", "5742", "2475"},
        {"another known", "5741", "1475"},
    };
    const std::string path = File("model.dat");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        AppState->UseModel(*ModelList->FindModelByCode("2475"));
        AppState->UseBand("450 - 470MHz");
        FakeCells cells;
        String image = EncodeDataFile(cells, 16, "None", EncodeDate(2026, 1, 2));
        ASSERT_EQ(image.size(), 992u);
        image.replace(0x3D3, 4, c.Bytes);
        WriteFileBytes(path, image);

        Frame->FileName = path;
        ASSERT_TRUE(Frame->ReadDataFile());
        EXPECT_EQ(AppState->ModelCode, c.Code);
        ASSERT_TRUE(Frame->SaveFile(0));
        const String saved = testsupport::ReadFileBytes(path);
        EXPECT_EQ(saved.substr(1, 4), c.Code);
        Frame->FileName = path;
        EXPECT_TRUE(Frame->ReadDataFile());
        EXPECT_EQ(AppState->ModelCode, c.Code);
    }
}

// ---- Replacing a file ---------------------------------------------------------------------------

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::vector<std::string> DirectoryEntries(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names.push_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : FOld(umask(mask)) {}
    ~ScopedUmask() { umask(FOld); }

private:
    mode_t FOld;
};

TEST(WriteFileSafely, ReplacesWholeKeepingModeAndLinks) {
    TempDir dir;
    ScopedUmask mask(022);

    // A new file gets the usual mode.
    WriteFileSafely(dir.File("new.dat"), "first");
    EXPECT_EQ(ReadFileBytes(dir.File("new.dat")), "first");
    EXPECT_EQ(ModeOf(dir.File("new.dat")), 0644u);

    // An existing file keeps its mode.
    WriteFileBytes(dir.File("old.dat"), "a longer old content");
    ASSERT_EQ(chmod(dir.File("old.dat").c_str(), 0640), 0);
    WriteFileSafely(dir.File("old.dat"), "new");
    EXPECT_EQ(ReadFileBytes(dir.File("old.dat")), "new");
    EXPECT_EQ(ModeOf(dir.File("old.dat")), 0640u);

    // A relative link in another directory: the link stays, the file it names is replaced.
    ASSERT_EQ(mkdir(dir.File("links").c_str(), 0755), 0);
    ASSERT_EQ(symlink("../old.dat", dir.File("links/via.dat").c_str()), 0);
    WriteFileSafely(dir.File("links/via.dat"), "through the link");
    struct stat info {};
    ASSERT_EQ(lstat(dir.File("links/via.dat").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadFileBytes(dir.File("old.dat")), "through the link");
    EXPECT_EQ(ModeOf(dir.File("old.dat")), 0640u);

    // Nothing is left beside the files.
    EXPECT_EQ(DirectoryEntries(dir.Path()), (std::vector<std::string>{"links", "new.dat", "old.dat"}));
    EXPECT_EQ(DirectoryEntries(dir.File("links")), (std::vector<std::string>{"via.dat"}));
}

// Writes past a file-size limit fail as a full disk would, for any user.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    sighandler_t FOldHandler = nullptr;
};

TEST(WriteFileSafely, AFailureLeavesTheOldFileAsItWas) {
    TempDir dir;
    const std::string target = dir.File("kept.dat");
    const std::string oldBytes(300, 'o');
    struct Case {
        const char* Name;
        std::string FileName;
        std::function<void()> Before, After;
    };
    const bool root = geteuid() == 0;
    std::vector<Case> cases = {
        {"disk full", target, [] {}, [] {}},
        {"missing directory", dir.File("missing/kept.dat"), [] {}, [] {}},
        {"a directory in the way", dir.File("sub"), [&] { mkdir(dir.File("sub").c_str(), 0755); },
         [&] { rmdir(dir.File("sub").c_str()); }},
    };
    // Permissions do not stop the superuser.
    if (!root)
        cases.push_back({"read-only directory", target, [&] { chmod(dir.Path().c_str(), 0555); },
                         [&] { chmod(dir.Path().c_str(), 0755); }});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteFileBytes(target, oldBytes);
        ASSERT_EQ(chmod(target.c_str(), 0640), 0);
        c.Before();
        try {
            if (std::string(c.Name) == "disk full") {
                ScopedFileSizeLimit limit(100);
                WriteFileSafely(c.FileName, std::string(992, 'n'));
            } else {
                WriteFileSafely(c.FileName, std::string(992, 'n'));
            }
            ADD_FAILURE() << "no error";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message.rfind("Cannot create file \"" + c.FileName + "\". ", 0), 0u) << e.Message;
        }
        c.After();
        EXPECT_EQ(ReadFileBytes(target), oldBytes);
        EXPECT_EQ(ModeOf(target), 0640u);
        EXPECT_EQ(DirectoryEntries(dir.Path()), std::vector<std::string>{"kept.dat"});
    }
}

} // namespace

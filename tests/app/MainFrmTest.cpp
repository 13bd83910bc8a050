// The main window with its channel window: the caption, and the data file commands New, Open,
// Save and Save As with their prompts and dialogs answered by the tests' scripts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/MeMode.h"
#include "grid/Tambor.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "suite/editors/qzDropDownEdit.h"
#include "tests/app/MainFrmFixture.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::ReadFileBytes;
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

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// What a user sees of the data: every cell of the channel rows, the TX cells' lock, the
// settings, the message, model and band, the file name, the caption and the modified flag.
struct TDataView {
    std::vector<String> Cells;
    std::vector<Integer> Settings;
    String LineA, LineB, ModelCode, ModelName, BandText, FileName, Caption;
    double BandLow = 0, BandHigh = 0;
    bool Modified = false;
    bool operator==(const TDataView&) const = default;
};

void PrintTo(const TDataView& v, std::ostream* os) {
    *os << "\n  cells:";
    for (std::size_t i = 0; i < v.Cells.size(); ++i)
        if (v.Cells[i] != "|" && v.Cells[i] != "locked") *os << " [" << i << "]" << v.Cells[i];
    *os << "\n  settings:";
    for (Integer value : v.Settings)
        *os << " " << value;
    *os << "\n  lines: " << testing::PrintToString(v.LineA) << " " << testing::PrintToString(v.LineB)
        << "\n  model " << v.ModelCode << " " << v.ModelName << ", band " << v.BandText << " " << v.BandLow
        << "-" << v.BandHigh << "\n  file " << v.FileName << ", caption " << v.Caption << ", modified "
        << v.Modified;
}

// The main window as the program's main form over a fresh data model (UHF, "450 - 470MHz"),
// with its channel window, on the manual clock, with the built-in prompt texts.
class MainFrmTest : public mainfrmtest::TMainFrmFixture {
protected:
    MainFrmTest() {
        AppState->UseModel(*ModelList->ModelAt(0));
        AppState->UseBand("450 - 470MHz");
        Start();
        Frame->ShowChannelWindow();
        Pump();
        Grid = fChInfo->gvData;
        Frame->RefreshStatus();
    }

    // A channel as the window's editors make one: RX (and TX) through the grid's checked write,
    // tones and options as the list editors write them back.
    void SetChannel(Integer channel, const String& rx, const String& tx, const String& decode,
                    const String& encode, const std::vector<Integer>& options) {
        const Integer row = channel + 1;
        Grid->WriteForeText(ccRx, row, rx);
        Grid->WriteForeText(ccTx, row, tx);
        Grid->CellAt(ccDecodeTone, row).ForeText = decode;
        Grid->CellAt(ccEncodeTone, row).ForeText = encode;
        TqzComboBox* lists[] = {fChInfo->cbfsgl, fChInfo->cbkz, fChInfo->cbHave, fChInfo->cbHave,
                                fChInfo->cbHave};
        for (std::size_t i = 0; i < options.size(); ++i) {
            TCellInfo& cell = Grid->CellAt(ccTxPower + Integer(i), row);
            cell.BackText = IntToStr(options[i]);
            cell.ForeText = lists[i]->GetProperties()->GetItems()->GetStrings(options[i]);
        }
    }

    TDataView View() const {
        TDataView view;
        for (Integer row = 2; row < Grid->GetRowCount(); ++row) {
            // The tone cells' back texts are nobody's business: only their texts count.
            for (Integer col = 1; col <= 10; ++col)
                view.Cells.push_back(
                    Grid->ReadForeText(col, row) + "|" +
                    (col == ccDecodeTone || col == ccEncodeTone ? String() : Grid->ReadBackText(col, row)));
            view.Cells.push_back(Grid->CellAt(ccTx, row).ReadOnly ? "locked" : "open");
        }
        const TFun& f = *FunctionSettings;
        view.Settings = {f.BatterySave,
                         f.BeepTone,
                         f.Squelch,
                         f.SideKey,
                         f.TxTimeout,
                         f.VoxFunction,
                         f.VoxInhibitOnReceive,
                         f.VoxLevel,
                         f.VoiceLanguage,
                         f.Scan,
                         f.Voice,
                         f.HighVolInhibitTx,
                         f.LowVolInhibitTx,
                         f.InceptAlarm,
                         f.Fm};
        view.LineA = MessageLines->LineA;
        view.LineB = MessageLines->LineB;
        view.ModelCode = AppState->ModelCode;
        view.ModelName = AppState->ModelName;
        view.BandText = AppState->BandText;
        view.BandLow = AppState->BandLow;
        view.BandHigh = AppState->BandHigh;
        view.FileName = Frame->FileName;
        view.Caption = Frame->GetCaption();
        view.Modified = AppState->Modified;
        return view;
    }

    // Saves through Save As into `path`; every prompt must have been scripted.
    void SaveAs(const std::string& path) {
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({path});
        TScopedPromptScript prompts;
        EXPECT_TRUE(Frame->SaveData(4));
        EXPECT_TRUE(prompts.Prompts().empty()) << prompts.Prompts().front().Text;
        EXPECT_TRUE(dialogs.Errors().empty());
    }
    // Opens `path` through the open dialog, the data not being modified.
    void Open(const std::string& path) {
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({path});
        Frame->OpenData();
        EXPECT_EQ(dialogs.Shown(), std::vector<String>{"file"});
    }
};

TEST_F(MainFrmTest, IsAFrameHoldingTheChannelWindowWithTheDataFileDialogs) {
    EXPECT_EQ(Frame->GetFormStyle(), fsMDIForm);
    ASSERT_NE(fChInfo, nullptr);
    EXPECT_EQ(fChInfo->GetFormStyle(), fsMDIChild);
    EXPECT_EQ(Frame->GetMDIChildCount(), 1);
    EXPECT_EQ(Grid->GetRowCount(), 18);
    for (TOpenDialog* dialog :
         {static_cast<TOpenDialog*>(Frame->odOpen), static_cast<TOpenDialog*>(Frame->sdSave)}) {
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetFilter(), "Data File(*.dat)|*.dat");
        EXPECT_EQ(dialog->GetDefaultExt(), "*.dat");
    }
    EXPECT_EQ(Frame->sdSave->ClassName(), "TSaveDialog");
    EXPECT_TRUE(Frame->FileName.empty());
}

TEST_F(MainFrmTest, CaptionIsTheTitleWithTheFileName) {
    struct Case {
        bool SingleModel;
        String FileName, Caption;
    };
    const Case cases[] = {
        {false, "", "KOV-571"},
        {false, "/data/a.dat", "KOV-571 [/data/a.dat]"},
        {true, "", "KOV-571--KOV-571(UHF)"},
        {true, "/data/a.dat", "KOV-571--KOV-571(UHF) [/data/a.dat]"},
    };
    for (const Case& c : cases) {
        Frame->SingleModel = c.SingleModel;
        Frame->FileName = c.FileName;
        Frame->RefreshStatus();
        EXPECT_EQ(Frame->GetCaption(), c.Caption);
    }
}

// The whole file of 16 empty channels, byte for byte, under a "." and a "," locale.
TEST_F(MainFrmTest, SavingEmptyChannelsWritesTheWholeLayout) {
    const String blank = HexBytes(String(16, '\xFF'));
    std::vector<String> expected;
    expected.push_back("50 32 34 37 35 45 04 70 EA 07 0C 08 17 36 FF FF");
    for (int i = 0; i < 16 + 38; ++i)
        expected.push_back(blank);
    expected.push_back("01 01 00 00 04 00 01 01 00 01 FF FF FF FF FF FF");
    for (int i = 0; i < 4; ++i)
        expected.push_back(blank);
    expected.push_back("03 05 01 06 FF FF FF FF FF FF FF FF FF FF FF FF");
    expected.push_back("00 00 F4 35 37 34 32 50 FF FF FF FF FF FF FF FF");

    for (bool comma : {false, true}) {
        SCOPED_TRACE(comma ? "comma" : "dot");
        testsupport::ScopedFormatSettings settings(comma ? testsupport::CommaSettings()
                                                         : testsupport::DotSettings());
        const std::string path = File(comma ? "comma.dat" : "dot.dat");
        AppState->Modified = true;
        SaveAs(path);
        const String bytes = ReadFileBytes(path);
        ASSERT_EQ(bytes.size(), 992u);
        std::vector<String> records;
        for (std::size_t offset = 0; offset < bytes.size(); offset += 16)
            records.push_back(HexBytes(bytes.substr(offset, 16)));
        EXPECT_EQ(records, expected);
        EXPECT_FALSE(AppState->Modified);
        EXPECT_EQ(Frame->GetCaption(), "KOV-571 [" + path + "]");
    }
}

// Saved, emptied by New, opened again: the same cells, settings and message, and saving again
// gives the same bytes.
TEST_F(MainFrmTest, FilesOpenAsTheyWereSaved) {
    struct Case {
        const char* Name;
        String LineA, LineB;
    };
    const Case cases[] = {
        {"lines of 16 and 32", "ABCDEFGHIJKLMNOP", "0123456789abcdefghijklmnopqrstuv"},
        {"bytes that are no text",
         String("\x80\x81\xFE\x00\x01"
                "A\xD6\xD0",
                8),
         "\xC4\xE3\xBA\xC3"},
    };
    for (bool comma : {false, true}) {
        testsupport::ScopedFormatSettings settings(comma ? testsupport::CommaSettings()
                                                         : testsupport::DotSettings());
        for (const Case& c : cases) {
            SCOPED_TRACE(String(c.Name) + (comma ? ", comma" : ", dot"));
            TScopedPromptScript noPrompts;
            Frame->NewData();
            SetChannel(1, "450.0125", "455", "67.0", "D754I", {0, 0, 0, 0, 0});
            SetChannel(2, "462.5625", "", "D023N", "None", {1, 1, 1, 1, 1});
            SetChannel(16, "470", "460", "250.3", "100.0", {1, 0, 1, 0, 1}); // channel 2: an emptied TX
            MessageLines->LineA = c.LineA;
            MessageLines->LineB = c.LineB;
            // Settings outside their ranges are stored and read back as they are.
            FunctionSettings->Squelch = 200;
            FunctionSettings->SideKey = 9;
            FunctionSettings->TxTimeout = 255;
            FunctionSettings->VoxLevel = 7;
            FunctionSettings->Voice = 3;
            FunctionSettings->Fm = 12;
            ASSERT_TRUE(AppState->Modified);

            const std::string path = File("roundtrip.dat");
            SaveAs(path);
            const String saved = ReadFileBytes(path);
            const TDataView before = View();
            if (c.LineA.size() == 16) {
                EXPECT_EQ(saved.substr(0x390, 16), String(16, '\xFF'));
            }

            Frame->NewData();
            ASSERT_NE(View(), before);
            Open(path);
            EXPECT_EQ(View(), before);
            EXPECT_TRUE(noPrompts.Prompts().empty());
            EXPECT_EQ(Grid->ReadBackText(ccInUse, 2), "1");
            EXPECT_EQ(Grid->ReadForeText(ccEncodeTone, 3), "None");
            EXPECT_EQ(Grid->ReadForeText(ccTx, 3), "");
            EXPECT_FALSE(Grid->CellAt(ccTx, 3).ReadOnly);
            EXPECT_TRUE(Grid->CellAt(ccTx, 4).ReadOnly);
            EXPECT_EQ(AppState->FileDate, "2026-12-08 23:54");

            WriteFileBytes(path, ""); // the second save writes the same bytes again
            Frame->SaveData(3);
            EXPECT_EQ(HexBytes(ReadFileBytes(path)), HexBytes(saved));
        }
    }
}

TEST_F(MainFrmTest, TypingAnRxIntoAChannelFromAFileKeepsTheRest) {
    SetChannel(4, "451", "452", "D754I", "88.5", {0, 1, 0, 1, 0});
    const std::string path = File("typed.dat");
    SaveAs(path);
    Frame->NewData();
    Open(path);
    const TDataView opened = View();

    // Typed into the grid's editor over the RX cell and committed with Enter.
    TScopedPromptScript prompts;
    fChInfo->SetFocus();
    Pump();
    const RECT r = Grid->CellRect(ccRx, 5);
    const POINT p = Grid->ClientToScreen(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    WinInputMouseMove(p);
    WinInputMouseButton(p, TWinMouseButton::Left, true);
    WinInputMouseButton(p, TWinMouseButton::Left, false);
    Pump();
    ASSERT_TRUE(Grid->InplaceEditorShown());
    WinInputText(U"453.5");
    WinInputKey(VK_RETURN, false, true);
    WinInputKey(VK_RETURN, false, false);
    Pump();
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_EQ(Grid->ReadForeText(ccRx, 5), "453.50000");
    EXPECT_EQ(Grid->ReadForeText(ccTx, 5), "452.00000");
    for (Integer col = ccDecodeTone; col <= ccBusyLockout; ++col) {
        const std::size_t index = std::size_t((5 - 2) * 11 + col - 1);
        EXPECT_EQ(Grid->ReadForeText(col, 5) + "|" + Grid->ReadBackText(col, 5), opened.Cells[index]) << col;
    }
    EXPECT_TRUE(AppState->Modified);
}

// ---- Opening files that are not what they should be ---------------------------------------------

TEST_F(MainFrmTest, OpeningRefusesBadHeadersAndReadsShortFiles) {
    // A file of the UHF model in "400 - 470MHz" with a channel in each of channels 1 to 6, a
    // message and settings of its own.
    AppState->UseBand("400 - 470MHz");
    for (Integer channel = 1; channel <= 6; ++channel)
        SetChannel(channel, IntToStr(440 + channel), "", "67.0", "None", {0, 0, 0, 0, 0});
    MessageLines->LineA = "MESSAGE A";
    MessageLines->LineB = "MESSAGE B";
    FunctionSettings->Squelch = 2;  // settings A
    FunctionSettings->VoxLevel = 1; // settings B
    const std::string good = File("good.dat");
    SaveAs(good);
    const String image = ReadFileBytes(good);
    ASSERT_EQ(image.size(), 992u);

    // The data the window holds when each file is opened: one channel not saved yet.
    auto prepare = [&] {
        TScopedPromptScript noPrompts;
        AppState->Modified = false;
        Frame->NewData();
        AppState->UseBand("400 - 420MHz");
        SetChannel(9, "410", "", "None", "None", {1, 1, 1, 1, 1});
        Frame->FileName = "/previous.dat";
        Frame->RefreshStatus();
        AppState->Modified = true;
    };
    const TDataView defaults = [&] {
        prepare();
        return View();
    }();

    String header = image.substr(0, 16);
    String unknownModel = image;
    unknownModel.replace(1, 4, "9999");
    String otherEdges = image; // header 450 - 470, model record 400 - 470
    otherEdges[5] = '\x45';
    otherEdges[6] = '\x04';
    otherEdges[7] = '\x70';
    String badDigits = image;
    badDigits[6] = '\x4A'; // "404A70"

    enum Outcome { Refused, Raised, Read };
    struct Case {
        const char* Name;
        String Bytes;
        Outcome Result;
        String Band = "";         // after a read
        Integer ChannelsLeft = 0; // channels read
        bool Message = false, SettingsA = false, SettingsB = false;
    };
    const std::vector<Case> cases = {
        {"whole file", image, Read, "400 - 470MHz", 6, true, true, true},
        {"unknown model", unknownModel, Refused},
        {"header edges differ from the model record", otherEdges, Read, "400 - 470MHz", 6, true, true, true},
        {"band edges that are no number", badDigits, Raised},
        {"empty", "", Refused},
        {"10 bytes", image.substr(0, 10), Refused},
        {"cut after the header", header, Read, "400 - 470MHz", 0, false, false, false},
        {"cut after channel 5", image.substr(0, 16 * 6), Read, "400 - 470MHz", 5, false, false, false},
        {"cut inside channel 6", image.substr(0, 16 * 6 + 8), Read, "400 - 470MHz", 5, false, false, false},
        {"cut before settings A", image.substr(0, 0x3C0), Read, "400 - 470MHz", 6, true, false, true},
        {"cut before the model record", image.substr(0, 0x3D0), Read, "400 - 470MHz", 6, true, true, true},
        {"longer than the layout", image + String(100, '\x11'), Read, "400 - 470MHz", 6, true, true, true},
    };
    // Without the model record the band comes from the header's edges; 350 - 390 is a band of
    // the model, 123 - 456 is none (the model's default band).
    String headerEdges = image.substr(0, 0x3D0);
    headerEdges[5] = '\x35';
    headerEdges[6] = '\x03';
    headerEdges[7] = '\x90';
    String noBandEdges = image.substr(0, 0x3D0);
    noBandEdges[5] = '\x12';
    noBandEdges[6] = '\x34';
    noBandEdges[7] = '\x56';
    std::vector<Case> all = cases;
    all.push_back(
        {"no model record, header edges of a band", headerEdges, Read, "350 - 390MHz", 6, true, true, true});
    all.push_back(
        {"no model record, edges of no band", noBandEdges, Read, "450 - 470MHz", 6, true, true, true});

    const std::string path = File("opened.dat");
    for (const Case& c : all) {
        SCOPED_TRACE(c.Name);
        prepare();
        WriteFileBytes(path, c.Bytes);
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({path});
        TScopedPromptScript prompts({IDNO}); // not saving what the window holds
        if (c.Result != Read) prompts.AddReply(IDOK);
        Frame->OpenData();
        EXPECT_TRUE(prompts.Errors().empty());
        const TDataView after = View();
        ASSERT_GE(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->SaveProgram);
        if (c.Result != Read) {
            // Refused: nothing changed, Modified included.
            ASSERT_EQ(prompts.Prompts().size(), 2u);
            TDataView expected = defaults;
            if (c.Result == Refused) {
                EXPECT_EQ(prompts.Prompts()[1].Text, PromptTexts->ModError);
                EXPECT_EQ(prompts.Prompts()[1].Flags & MB_ICONMASK, UINT(MB_ICONINFORMATION));
                expected.FileName = "";
                expected.Caption = "KOV-571";
            } else {
                EXPECT_EQ(prompts.Prompts()[1].Text, "'A70' is not a valid floating point value.");
                EXPECT_EQ(prompts.Prompts()[1].Flags & MB_ICONMASK, UINT(MB_ICONERROR));
            }
            EXPECT_EQ(after, expected);
            continue;
        }
        EXPECT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(after.FileName, path);
        EXPECT_EQ(after.Caption, "KOV-571 [" + path + "]");
        EXPECT_FALSE(after.Modified);
        EXPECT_EQ(after.ModelCode, "2475");
        EXPECT_EQ(after.BandText, c.Band);
        for (Integer channel = 1; channel <= 16; ++channel) {
            const Integer row = channel + 1;
            const bool held = channel <= c.ChannelsLeft;
            EXPECT_EQ(Grid->ReadForeText(ccRx, row), held ? FloatToChannelText("0.00000", 440 + channel) : "")
                << channel;
            EXPECT_EQ(Grid->ReadBackText(ccInUse, row), held ? "1" : "") << channel;
        }
        EXPECT_EQ(MessageLines->LineA, c.Message ? "MESSAGE A" : "");
        EXPECT_EQ(MessageLines->LineB, c.Message ? "MESSAGE B" : "");
        EXPECT_EQ(FunctionSettings->Squelch, c.SettingsA ? 2 : TFun().Squelch);
        EXPECT_EQ(FunctionSettings->VoxLevel, c.SettingsB ? 1 : TFun().VoxLevel);
    }
}

// ---- New, Open and Save with their questions ----------------------------------------------------

TEST_F(MainFrmTest, NewAndOpenAskToSaveAndNeverDropWhatWasNotSaved) {
    const std::string other = File("other.dat");
    SaveAs(other); // an empty file to open

    const bool root = geteuid() == 0;
    struct Case {
        const char* Name;
        int Answer;             // to "SaveProgram"
        bool DialogChoosesFile; // the save dialog (no file name yet)
        std::string SaveTo;
        bool GoesOn; // New empties, Open shows its dialog
    };
    ASSERT_EQ(mkdir(File("readonly").c_str(), 0555), 0);
    std::vector<Case> cases = {
        {"No", IDNO, false, "", true},
        {"Yes, saved", IDYES, true, File("saved.dat"), true},
        {"Yes, save dialog cancelled", IDYES, false, "", false},
        {"Yes, save fails", IDYES, true, File("missing/dir.dat"), false},
    };
    if (!root) cases.push_back({"Yes, read-only directory", IDYES, true, File("readonly/x.dat"), false});

    for (bool open : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(String(open ? "Open: " : "New: ") + c.Name);
            unlink(File("saved.dat").c_str());
            {
                TScopedPromptScript quiet;
                AppState->Modified = false;
                Frame->NewData();
            }
            SetChannel(3, "455", "", "None", "None", {1, 0, 1, 1, 1});
            ASSERT_TRUE(AppState->Modified);
            const TDataView before = View();

            TScopedPromptScript prompts({c.Answer});
            TScopedDialogScript dialogs;
            if (c.Answer == IDYES) {
                if (c.DialogChoosesFile)
                    dialogs.ChooseFiles({c.SaveTo});
                else
                    dialogs.Cancel();
            }
            const bool saveFails = c.DialogChoosesFile && c.SaveTo != File("saved.dat");
            if (saveFails) prompts.AddReply(IDOK); // the error box
            if (open && c.GoesOn) dialogs.ChooseFiles({other});
            if (open)
                Frame->OpenData();
            else
                Frame->NewData();

            EXPECT_TRUE(prompts.Errors().empty());
            EXPECT_TRUE(dialogs.Errors().empty());
            ASSERT_GE(prompts.Prompts().size(), 1u);
            EXPECT_EQ(prompts.Prompts()[0].Text, PromptTexts->SaveProgram);
            EXPECT_EQ(prompts.Prompts()[0].Flags & (MB_TYPEMASK | MB_ICONMASK),
                      UINT(MB_YESNO | MB_ICONQUESTION));
            EXPECT_EQ(prompts.Prompts().size(), saveFails ? 2u : 1u);
            if (saveFails) {
                EXPECT_EQ(prompts.Prompts()[1].Text.rfind("Cannot create file", 0), 0u);
            }

            // Which dialogs came: the save dialog when asked to save, then Open's own.
            std::vector<String> shown;
            if (c.Answer == IDYES) shown.push_back("file");
            if (open && c.GoesOn) shown.push_back("file");
            EXPECT_EQ(dialogs.Shown(), shown);
            if (c.Answer == IDYES && c.DialogChoosesFile) {
                EXPECT_TRUE(dialogs.FileRequests()[0].Save);
            }

            if (!c.GoesOn) {
                EXPECT_EQ(View(), before);
                continue;
            }
            EXPECT_EQ(Grid->ReadForeText(ccRx, 4), "");
            EXPECT_FALSE(AppState->Modified);
            EXPECT_EQ(Frame->FileName, open ? other : "");
            EXPECT_EQ(Frame->GetCaption(), open ? "KOV-571 [" + other + "]" : "KOV-571");
            if (c.Answer == IDYES) {
                EXPECT_EQ(ReadFileBytes(File("saved.dat")).size(), 992u);
                EXPECT_EQ(ReadFileBytes(File("saved.dat")).substr(0x030, 4), String("\x00\x00\x50\x45", 4));
            }
        }
    }
    chmod(File("readonly").c_str(), 0755);
}

TEST_F(MainFrmTest, SaveAsksForANameOnlyWhenThereIsNone) {
    const std::string first = File("first.dat");
    const std::string second = File("second.dat");
    struct Step {
        const char* Name;
        std::function<void(TScopedDialogScript&)> Script;
        Integer Tag;
        bool Saved;
        std::vector<String> Shown;
        String FileName;
    };
    const std::vector<Step> steps = {
        {"Save without a name, cancelled",
         [](TScopedDialogScript& d) { d.Cancel(); },
         3,
         false,
         {"file"},
         ""},
        {"Save without a name",
         [&](TScopedDialogScript& d) { d.ChooseFiles({first}); },
         3,
         true,
         {"file"},
         first},
        {"Save with a name", [](TScopedDialogScript&) {}, 3, true, {}, first},
        {"Save As, cancelled", [](TScopedDialogScript& d) { d.Cancel(); }, 4, false, {"file"}, first},
        {"Save As", [&](TScopedDialogScript& d) { d.ChooseFiles({second}); }, 4, true, {"file"}, second},
        {"Save As the same name",
         [&](TScopedDialogScript& d) { d.ChooseFiles({second}); },
         4,
         true,
         {"file"},
         second},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Name);
        SetChannel(1, "451", "", "None", "None", {0, 0, 0, 0, 0});
        unlink(first.c_str());
        unlink(second.c_str());
        TScopedDialogScript dialogs;
        s.Script(dialogs);
        TScopedPromptScript prompts;
        EXPECT_EQ(Frame->SaveData(s.Tag), s.Saved);
        EXPECT_TRUE(prompts.Prompts().empty());
        EXPECT_EQ(dialogs.Shown(), s.Shown);
        EXPECT_EQ(Frame->FileName, s.FileName);
        EXPECT_EQ(Frame->GetCaption(),
                  s.FileName.empty() ? String("KOV-571") : "KOV-571 [" + s.FileName + "]");
        EXPECT_EQ(AppState->Modified, !s.Saved);
        if (s.Saved) {
            EXPECT_EQ(ReadFileBytes(s.FileName).size(), 992u);
        }
    }
}

TEST_F(MainFrmTest, AFileThatCannotBeReadChangesNothing) {
    ASSERT_EQ(mkdir(File("folder.dat").c_str(), 0755), 0);
    const std::string paths[] = {File("missing.dat"), File("folder.dat")};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        SetChannel(2, "455", "", "None", "None", {1, 0, 1, 1, 1});
        Frame->FileName = File("kept.dat");
        Frame->RefreshStatus();
        const TDataView before = View();
        TScopedPromptScript prompts({IDNO, IDOK});
        TScopedDialogScript dialogs;
        dialogs.ChooseFiles({path});
        Frame->OpenData();
        EXPECT_TRUE(prompts.Errors().empty());
        ASSERT_EQ(prompts.Prompts().size(), 2u);
        EXPECT_EQ(prompts.Prompts()[1].Text.rfind("Cannot open file \"" + path + "\". ", 0), 0u)
            << prompts.Prompts()[1].Text;
        EXPECT_EQ(View(), before);
    }
}

TEST_F(MainFrmTest, OpenCancelledChangesNothing) {
    SetChannel(2, "455", "", "None", "None", {1, 0, 1, 1, 1});
    Frame->FileName = File("kept.dat");
    Frame->RefreshStatus();
    const TDataView before = View();
    TScopedPromptScript prompts({IDNO});
    TScopedDialogScript dialogs;
    dialogs.Cancel();
    Frame->OpenData();
    EXPECT_EQ(dialogs.Shown(), std::vector<String>{"file"});
    EXPECT_EQ(View(), before);
    EXPECT_TRUE(prompts.Errors().empty());
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

TEST_F(MainFrmTest, AFailedSaveKeepsTheFileItsModeAndTheModifiedFlag) {
    const std::string path = File("kept.dat");
    SetChannel(1, "451", "", "None", "None", {0, 0, 0, 0, 0});
    SaveAs(path);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const String oldBytes = ReadFileBytes(path);

    struct Case {
        const char* Name;
        std::function<void()> Break, Mend;
        String Error;
    };
    const Case cases[] = {
        {"a channel that cannot be stored", [&] { Grid->CellAt(ccRx, 5).ForeText = "4x0"; },
         [&] { Grid->CellAt(ccRx, 5).ForeText.clear(); }, "'4x0' is not a valid floating point value."},
        {"disk full", [] {}, [] {}, "Cannot create file \"" + path + "\". File too large."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SetChannel(2, "452", "", "None", "None", {0, 0, 0, 0, 0});
        c.Break();
        TScopedPromptScript prompts({IDOK});
        {
            std::unique_ptr<ScopedFileSizeLimit> limit;
            if (String(c.Name) == "disk full") limit = std::make_unique<ScopedFileSizeLimit>(100);
            EXPECT_FALSE(Frame->SaveData(3));
        }
        c.Mend();
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].Text, c.Error);
        EXPECT_EQ(prompts.Prompts()[0].Caption, App->GetTitle());
        EXPECT_EQ(ReadFileBytes(path), oldBytes);
        EXPECT_EQ(ModeOf(path), 0640u);
        EXPECT_TRUE(AppState->Modified);
        EXPECT_EQ(Frame->FileName, path);
    }

    // A save that succeeds keeps the mode.
    TScopedPromptScript prompts;
    EXPECT_TRUE(Frame->SaveData(3));
    EXPECT_NE(ReadFileBytes(path), oldBytes);
    EXPECT_EQ(ModeOf(path), 0640u);
}

} // namespace

// The tone picker and the tone lists of the list editors.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "app/AllClass.h"
#include "app/ToneOption.h"
#include "platform/classlib/FormDefs.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/WinBackendInterface.h"
#include "tests/support/FormFixture.h"
#include "tests/support/ModalScript.h"
#include "tests/support/Png.h"
#include "tests/support/TestSupport.h"

namespace {

using testsupport::TScopedModalScript;

class ToneOptionTest : public testsupport::TFormFixture {
protected:
    void SetUp() override {
        TFormFixture::SetUp();
        FOldState = std::move(AppState);
        AppState = std::make_unique<TALL>();
        AppState->AppDir = FDir.Path() + "/";
        AppState->LanguageName = "Chinese";
        Form->Show();
    }
    void TearDown() override {
        AppState = std::move(FOldState);
        TFormFixture::TearDown();
    }

    // Shows the picker modally, runs `step` inside it and returns what it chose. The step leaves
    // the picker open only when it expects nothing to happen; it is then closed with its
    // close box.
    String Pick(const std::function<void(TfToneOption&)>& step) {
        std::unique_ptr<TfToneOption> picker(new TfToneOption(Form));
        TScopedModalScript modal;
        modal.Add<TfToneOption>("fToneOption", [&](TfToneOption& shown) {
            step(shown);
            if (shown.GetModalResult() == mrNone) CloseBox(shown);
        });
        picker->ShowModal();
        EXPECT_EQ(0u, modal.Pending());
        return picker->ChosenTone;
    }

    static void Pump() { Application->ProcessMessages(); }

    static void CloseBox(TForm& form) {
        WinInputClose(form.GetHandle());
        Pump();
    }

    // A click, as input events, in the middle of a control.
    static void Click(TControl* control) {
        POINT p{control->GetWidth() / 2, control->GetHeight() / 2};
        ClientToScreen(static_cast<TWinControl*>(control)->GetHandle(), &p);
        WinInputMouseMove(p);
        WinInputMouseButton(p, TWinMouseButton::Left, true);
        WinInputMouseButton(p, TWinMouseButton::Left, false);
        Pump();
    }

    // A double click, as input events, in the middle of a cell.
    static void DoubleClick(TTambor* grid, Integer col, Integer row) {
        const RECT r = grid->CellRect(col, row);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(grid->GetHandle(), &p);
        WinInputMouseMove(p);
        for (int click = 0; click < 2; ++click) {
            WinInputMouseButton(p, TWinMouseButton::Left, true);
            WinInputMouseButton(p, TWinMouseButton::Left, false);
        }
        Pump();
    }

    // The colour a cell is filled with, probed inside its border away from its text.
    static TColor CellFill(TForm& form, TTambor* grid, Integer col, Integer row) {
        const RECT r = grid->CellRect(col, row);
        POINT p{r.left + 3, r.top + 3};
        ClientToScreen(grid->GetHandle(), &p);
        RECT window{};
        GetWindowRect(form.GetHandle(), &window);
        GdiSurface surface;
        if (!WinGetSurface(form.GetHandle(), surface)) return clNone;
        return TColor(GdiPixelToColor(surface.Row(p.y - window.top)[p.x - window.left]));
    }

    static void SavePicture(TForm& form, const std::string& name) {
        UpdateWindow(form.GetHandle());
        Pump();
        GdiSurface s;
        ASSERT_TRUE(WinGetSurface(form.GetHandle(), s));
        testsupport::WritePng(testsupport::ArtifactPath(name), s.Width, s.Height,
                              reinterpret_cast<const std::uint32_t*>(s.Bits), int(s.Stride / 4));
    }

    testsupport::TempDir FDir;
    std::unique_ptr<TALL> FOldState;
};

TEST(ToneOptionParse, SplitsAnEntryAtItsFirstTwoDashes) {
    struct Case {
        const char* Entry;
        const char* First;
        const char* Middle;
        const char* Last;
    } cases[] = {
        {"01-67.0-XZ", "01", "67.0", "XZ"},       {"1-D023", "1", "D023", "D023"}, {"", "", "", ""},
        {"2A-254.1-0Z-X", "2A", "254.1", "0Z-X"}, {"solo", "solo", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Entry);
        String first = "x", middle = "x", last = "x";
        TfToneOption::ParseToneEntry(c.Entry, first, middle, last);
        EXPECT_EQ(c.First, first);
        EXPECT_EQ(c.Middle, middle);
        EXPECT_EQ(c.Last, last);
    }
}

TEST_F(ToneOptionTest, BuildsTheThreeGridsFromTheCodeTable) {
    Pick([&](TfToneOption& picker) {
        EXPECT_EQ("Channel Tone Option", picker.GetCaption());
        EXPECT_EQ(133, picker.lbValue->GetItems()->GetCount());
        EXPECT_TRUE(picker.ChosenTone.empty());
        TTambor* ctcss = picker.gvCtcss;
        ASSERT_EQ(16, ctcss->GetColCount());
        ASSERT_EQ(10, ctcss->GetRowCount());
        // Entries run down a group of three columns, then on to the next group.
        struct Cell {
            TTambor* Grid;
            Integer Col, Row;
            const char* Text;
        } cells[] = {
            {ctcss, 1, 1, "01"},
            {ctcss, 2, 1, "67.0"},
            {ctcss, 3, 1, "XZ"},
            {ctcss, 5, 4, "100.0"},
            {ctcss, 11, 7, "206.5"},
            {ctcss, 12, 7, "8Z"},
            {ctcss, 14, 6, "254.1"},
            {ctcss, 14, 7, ""},
            {ctcss, 15, 9, ""},
            {picker.gvDcsN, 1, 1, "1"},
            {picker.gvDcsN, 2, 1, "D023N"},
            {picker.gvDcsI, 2, 1, "D023I"},
            {picker.gvDcsI, 12, 9, "D525I"},
            {picker.gvDcsI, 14, 8, "D645I"},
            {picker.gvDcsN, 15, 8, "85"},
            {picker.gvDcsN, 16, 8, "D754N"},
            {picker.gvDcsN, 16, 9, ""},
            {picker.gvDcsI, 15, 11, ""},
        };
        for (const Cell& cell : cells)
            EXPECT_EQ(cell.Text, cell.Grid->ReadForeText(cell.Col, cell.Row))
                << cell.Grid->GetName() << " " << cell.Col << "," << cell.Row;
        // Every tone and code the picker offers is a tone text the editors keep as it is.
        int offered = 0;
        for (TTambor* grid : {ctcss, picker.gvDcsN, picker.gvDcsI})
            for (Integer col = 1; col < grid->GetColCount(); ++col) {
                if (grid->ReadBackText(col, 1) != "1") continue;
                for (Integer row = 1; row < grid->GetRowCount(); ++row) {
                    const String text = grid->ReadForeText(col, row);
                    if (text.empty()) continue;
                    ++offered;
                    EXPECT_EQ(text, NormalizeToneText(text));
                }
            }
        EXPECT_EQ(42 + 85 + 85, offered);
        // Row 1 marks the tone and code columns, and only those.
        for (Integer col = 1; col < 16; ++col)
            EXPECT_EQ(col % 3 == 2 ? "1" : "", ctcss->ReadBackText(col, 1)) << col;
        for (Integer col = 1; col < 17; ++col)
            EXPECT_EQ(col % 2 == 0 ? "1" : "", picker.gvDcsI->ReadBackText(col, 1)) << col;
        // Widths by the column's part, tones bold, every data cell centred with four lines.
        EXPECT_EQ(32, ctcss->ColumnWidthAt(4));
        EXPECT_EQ(43, ctcss->ColumnWidthAt(5));
        EXPECT_EQ(32, ctcss->ColumnWidthAt(6));
        EXPECT_EQ(25, picker.gvDcsN->ColumnWidthAt(3));
        EXPECT_EQ(43, picker.gvDcsN->ColumnWidthAt(4));
        EXPECT_TRUE(ctcss->CellAt(5, 3).FontStyle.Contains(fsBold));
        EXPECT_FALSE(ctcss->CellAt(4, 3).FontStyle.Contains(fsBold));
        const TCellInfo& corner = picker.gvDcsN->CellAt(16, 11);
        EXPECT_EQ(TAlignMode::taCenter, corner.AlignMode);
        EXPECT_TRUE(corner.TopLine && corner.LeftLine && corner.BottomLine && corner.RightLine);
        EXPECT_TRUE(ctcss->GetAutoUpdate());
        EXPECT_FALSE(ctcss->GetShowPopup() || ctcss->GetGridCanCopyMove() || ctcss->GetGridCanFill());
    });
}

TEST_F(ToneOptionTest, ShowsTheGridOfTheCheckedButtonUnderItsTitle) {
    Pick([&](TfToneOption& picker) {
        struct Case {
            TqzRadioButton* Button;
            const char* Title;
            TTambor* Shown;
            const char* Picture;
        } cases[] = {
            {picker.rCTCSS, "CTCSS", picker.gvCtcss, "ToneOptionCtcss.png"},
            {picker.rDCSN, "DCS-N", picker.gvDcsN, "ToneOptionDcsN.png"},
            {picker.rDCSI, "DCS-I", picker.gvDcsI, "ToneOptionDcsI.png"},
        };
        // Shown with the CTCSS grid; the code group takes its title from lbSel.
        EXPECT_EQ("CTCSS", picker.gbList->GetCaption());
        for (const Case& c : cases) {
            SCOPED_TRACE(c.Title);
            Click(c.Button);
            EXPECT_TRUE(c.Button->GetChecked());
            EXPECT_EQ(c.Title, picker.gbList->GetCaption());
            EXPECT_TRUE(picker.gbList->GetEnabled());
            for (TTambor* grid : {picker.gvCtcss, picker.gvDcsN, picker.gvDcsI})
                EXPECT_EQ(grid == c.Shown, grid->GetVisible()) << grid->GetName();
            SavePicture(picker, c.Picture);
        }
    });
}

TEST_F(ToneOptionTest, PaintsEachColumnInTheColourOfItsPart) {
    Pick([&](TfToneOption& picker) {
        struct Probe {
            TqzRadioButton* Button;
            TTambor* Grid;
            Integer Col;
            TColor Color;
        } probes[] = {
            {picker.rCTCSS, picker.gvCtcss, 4, TColor(RGB(249, 141, 227))},
            {picker.rCTCSS, picker.gvCtcss, 5, clWhite},
            {picker.rCTCSS, picker.gvCtcss, 6, TColor(RGB(225, 249, 112))},
            {picker.rDCSN, picker.gvDcsN, 3, TColor(RGB(47, 231, 220))},
            {picker.rDCSN, picker.gvDcsN, 4, clWhite},
            {picker.rDCSI, picker.gvDcsI, 15, TColor(RGB(47, 231, 220))},
            {picker.rDCSI, picker.gvDcsI, 16, clWhite},
        };
        for (const Probe& probe : probes) {
            SCOPED_TRACE(probe.Grid->GetName() + " column " + IntToStr(probe.Col));
            Click(probe.Button);
            UpdateWindow(picker.GetHandle());
            Pump();
            // Row 3: away from the current cell.
            EXPECT_EQ(probe.Color, CellFill(picker, probe.Grid, probe.Col, 3));
        }
    });
}

TEST_F(ToneOptionTest, ADoubleClickOnAToneOrCodeColumnChoosesIt) {
    enum Grid { Ctcss, DcsN, DcsI };
    struct Case {
        const char* What;
        Grid Which;
        Integer Col, Row;
        bool Closes;
        const char* Chosen;
    } cases[] = {
        {"a tone the lists lack", Ctcss, 11, 7, true, "206.5"},
        {"the first tone", Ctcss, 2, 1, true, "67.0"},
        {"an index", Ctcss, 10, 7, false, ""},
        {"a designation", Ctcss, 12, 7, false, ""},
        {"an empty tone slot", Ctcss, 14, 8, true, ""},
        {"a normal code", DcsN, 16, 8, true, "D754N"},
        {"an inverted code the lists lack", DcsI, 12, 9, true, "D525I"},
        {"a code number", DcsI, 11, 9, false, ""},
        {"an empty code slot", DcsN, 16, 10, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        bool closed = false;
        const String chosen = Pick([&](TfToneOption& picker) {
            TqzRadioButton* buttons[] = {picker.rCTCSS, picker.rDCSN, picker.rDCSI};
            TTambor* grids[] = {picker.gvCtcss, picker.gvDcsN, picker.gvDcsI};
            Click(buttons[c.Which]);
            DoubleClick(grids[c.Which], c.Col, c.Row);
            EXPECT_EQ(c.Col, grids[c.Which]->GetCol());
            EXPECT_EQ(c.Row, grids[c.Which]->GetRow());
            closed = picker.GetModalResult() != mrNone;
        });
        EXPECT_EQ(c.Closes, closed);
        EXPECT_EQ(c.Chosen, chosen);
    }
}

TEST_F(ToneOptionTest, TheCloseBoxChoosesNothing) {
    const String chosen = Pick([&](TfToneOption& picker) {
        CloseBox(picker);
        EXPECT_EQ(mrCancel, picker.GetModalResult());
    });
    EXPECT_EQ("", chosen);
}

TEST_F(ToneOptionTest, TranslatesItselfUnderAnotherLanguage) {
    testsupport::WriteFileBytes(FDir.File("Chinese.Ini"), testsupport::ReadFileBytes(testsupport::FixturePath(
                                                              "../../app/lang/Chinese.Ini")));
    // English is the design language: its windows keep their design texts.
    struct Case {
        const char* Language;
        const char* Caption;
        const char* Title;
    } cases[] = {{"English", "Channel Tone Option", "CTCSS"}, {"Chinese", "信道亚音选择", "亚音"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Language);
        AppState->LanguageName = c.Language;
        Pick([&](TfToneOption& picker) {
            EXPECT_EQ(c.Caption, picker.GetCaption());
            EXPECT_EQ(c.Title, picker.gbList->GetCaption());
            // The code table is never translated into anything but itself.
            EXPECT_EQ("01-67.0-XZ", picker.lbValue->GetItems()->GetStrings(0));
        });
    }
}

// The tone list every tone list editor carries, as the picker's Part lists it.
std::vector<String> ToneList() {
    std::vector<String> list{"None"};
    for (const char* tone :
         {"67.0",  "69.3",  "71.9",  "74.4",  "77.0",  "79.7",  "82.5",  "85.4",  "88.5",  "91.5",
          "94.8",  "97.4",  "100.0", "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3",
          "131.8", "136.5", "141.3", "146.2", "151.4", "156.7", "162.2", "167.9", "173.8", "179.9",
          "186.2", "192.8", "203.5", "210.7", "218.1", "225.7", "233.6", "241.8", "250.3"})
        list.push_back(tone);
    const std::vector<String> codes{
        "023", "025", "026", "031", "032", "043", "047", "051", "054", "065", "071", "072", "073", "074",
        "114", "115", "116", "125", "131", "132", "134", "143", "152", "155", "156", "162", "165", "172",
        "174", "205", "223", "226", "243", "244", "245", "251", "261", "263", "265", "271", "306", "311",
        "315", "331", "343", "346", "351", "364", "365", "371", "411", "412", "413", "423", "431", "432",
        "445", "464", "465", "466", "503", "506", "516", "532", "546", "565", "606", "612", "624", "627",
        "631", "632", "654", "662", "664", "703", "712", "723", "731", "732", "734", "743", "754"};
    for (const String& code : codes)
        list.push_back("D" + code + "N");
    for (const String& code : codes) {
        if (code == "351") continue;
        list.push_back("D" + String(code == "245" ? "145" : code) + "I");
    }
    return list;
}

// The items of `object <name>: TqzComboBox` in a definition text ("" quotes as stored).
std::vector<String> DefinitionItems(const String& text, const String& name) {
    std::vector<String> items;
    std::size_t at = text.find("object " + name + ": TqzComboBox");
    if (at == String::npos) return items;
    at = text.find("Items.Strings = (", at);
    if (at == String::npos) return items;
    at = text.find('\n', at);
    while (at != String::npos) {
        const std::size_t open = text.find('\'', at);
        const std::size_t close = open == String::npos ? open : text.find('\'', open + 1);
        if (close == String::npos) break;
        items.push_back(text.substr(open + 1, close - open - 1));
        const std::size_t lineEnd = text.find('\n', close);
        if (text.compare(close + 1, 1, ")") == 0 || lineEnd == String::npos) break;
        at = lineEnd;
    }
    return items;
}

TEST(ToneList, HoldsTheCtcssTonesAndTheNormalAndInvertedCodes) {
    const std::vector<String> list = ToneList();
    ASSERT_EQ(205u, list.size());
    EXPECT_EQ("None", list.front());
    EXPECT_EQ("D754I", list.back());
    auto holds = [&](const char* item) { return std::find(list.begin(), list.end(), item) != list.end(); };
    EXPECT_TRUE(holds("D145I"));
    EXPECT_FALSE(holds("D245I"));
    EXPECT_FALSE(holds("D351I"));
    EXPECT_FALSE(holds("206.5"));

    // Every window placing tone list editors carries exactly this list in them.
    int windows = 0;
    for (const char* window : {"TfChInfo", "TfBInfoEdit", "TfBBatchEdit"}) {
        TClass cls = GetClass(window);
        if (cls == nullptr || !HasOwnFormDefinition(cls)) continue;
        ++windows;
        const TFormDefinition definition = FindFormDefinition(cls);
        for (const char* editor : {"cbQT", "cbDQT"})
            EXPECT_EQ(list, DefinitionItems(definition.Text, editor)) << window << "." << editor;
    }
    RecordProperty("WindowsWithToneLists", windows);
}

} // namespace

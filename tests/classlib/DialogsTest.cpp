// The common dialogs answered by the test script: what each asks, what an answer changes, and
// that a cancel or a missing answer changes nothing.
#include <gtest/gtest.h>

#include "platform/classlib/Dialogs.h"
#include "platform/classlib/Printers.h"
#include "platform/winapi/PrintBackend.h"

namespace {

class TwoPrinters : public TPrintBackend {
public:
    std::vector<TPrinterInfo> Printers() override {
        std::vector<TPrinterInfo> list;
        for (const char* name : {"Office", "Label"}) {
            TPrinterInfo p;
            p.Name = name;
            p.Default = std::string(name) == "Office";
            p.Papers = PrintStandardPapers();
            p.Resolutions = {300};
            p.DefaultResolution = 300;
            p.MaxCopies = 99;
            list.push_back(p);
        }
        return list;
    }
    std::unique_ptr<TPrintJob> StartJob(const TPrinterInfo&, const String&, const String&,
                                        const TPrintSettings&) override {
        return nullptr;
    }
};

} // namespace

TEST(DialogFilterTest, SplitsIntoPairs) {
    struct Case {
        String Filter;
        std::vector<std::pair<String, String>> Pairs;
    } cases[] = {
        {"Data File(*.dat)|*.dat", {{"Data File(*.dat)", "*.dat"}}},
        {"A|*.a|B|*.b;*.c", {{"A", "*.a"}, {"B", "*.b;*.c"}}},
        {"", {}},
        {"Lonely", {}},
        {"A||B|*.b", {{"B", "*.b"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Filter);
        EXPECT_EQ(c.Pairs, ParseDialogFilter(c.Filter));
    }
}

TEST(FileDialogTest, AsksWithItsSettingsAndTakesTheAnswer) {
    TScopedDialogScript script;
    TSaveDialog dialog(nullptr);
    dialog.SetFilter("Data File(*.dat)|*.dat|All|*.*");
    dialog.SetDefaultExt("*.dat");
    dialog.SetTitle("Save");
    dialog.SetInitialDir("/tmp");
    dialog.SetOptions(dialog.GetOptions() + TOpenOptions{ofOverwritePrompt});
    // A name without an extension gets the default one; one with an extension keeps it.
    script.ChooseFiles({"/tmp/radio"});
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ("/tmp/radio.dat", dialog.GetFileName());
    EXPECT_FALSE(dialog.GetOptions().Contains(ofExtensionDifferent));
    script.ChooseFiles({"/tmp/radio.bak"}, 2);
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ("/tmp/radio.bak", dialog.GetFileName());
    EXPECT_EQ(2, dialog.GetFilterIndex());
    EXPECT_TRUE(dialog.GetOptions().Contains(ofExtensionDifferent));
    // A cancel keeps what was there.
    script.Cancel();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ("/tmp/radio.bak", dialog.GetFileName());

    std::vector<TFileDialogRequest> asked = script.FileRequests();
    ASSERT_EQ(3u, asked.size());
    EXPECT_TRUE(asked[0].Save);
    EXPECT_EQ("dat", asked[0].DefaultExt);
    EXPECT_EQ("Save", asked[0].Title);
    EXPECT_EQ("/tmp", asked[0].InitialDir);
    EXPECT_TRUE(asked[0].OverwritePrompt);
    ASSERT_EQ(2u, asked[0].Filters.size());
    EXPECT_EQ("*.*", asked[0].Filters[1].second);
    EXPECT_EQ("/tmp/radio.dat", asked[1].FileName);
    EXPECT_TRUE(script.Errors().empty());
}

TEST(FileDialogTest, ManyFilesAndWrongOrMissingAnswers) {
    TScopedDialogScript script;
    TOpenDialog dialog(nullptr);
    dialog.SetOptions(TOpenOptions{ofAllowMultiSelect, ofFileMustExist});
    script.ChooseFiles({"/a/one.txt", "/a/two.txt"});
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(2, dialog.GetFiles()->GetCount());
    EXPECT_EQ("/a/two.txt", dialog.GetFiles()->GetStrings(1));
    EXPECT_EQ("/a/one.txt", dialog.GetFileName());
    EXPECT_TRUE(script.FileRequests()[0].MultiSelect);
    EXPECT_TRUE(script.FileRequests()[0].FileMustExist);

    script.ChooseColor(clRed);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_FALSE(dialog.Execute());
    ASSERT_EQ(2u, script.Errors().size());
    EXPECT_EQ("a color answer was scripted for a file dialog", script.Errors()[0]);
    EXPECT_EQ("no answer scripted for a file dialog", script.Errors()[1]);
    EXPECT_EQ("/a/one.txt", dialog.GetFileName());
}

TEST(FontAndColorDialogTest, TakeTheChoice) {
    TScopedDialogScript script;
    TFontDialog fonts(nullptr);
    fonts.GetFont()->SetStyle(TFontStyles{fsUnderline});
    TFontChoice choice;
    choice.Name = "Courier New";
    choice.Size = 30;
    choice.Style = TFontStyles{fsBold};
    choice.Color = clRed;
    script.ChooseFont(choice);
    fonts.SetOptions(TFontDialogOptions{fdLimitSize});
    fonts.SetMaxFontSize(20);
    ASSERT_TRUE(fonts.Execute());
    EXPECT_EQ("Courier New", fonts.GetFont()->GetName());
    EXPECT_EQ(20, fonts.GetFont()->GetSize());
    // Without effects the dialog leaves colour and underline alone.
    EXPECT_TRUE(fonts.GetFont()->GetStyle().Contains(fsUnderline));
    EXPECT_TRUE(fonts.GetFont()->GetStyle().Contains(fsBold));
    EXPECT_EQ(clWindowText, fonts.GetFont()->GetColor());

    TColorDialog colors(nullptr);
    colors.SetColor(clBlue);
    script.ChooseColor(clLime);
    ASSERT_TRUE(colors.Execute());
    EXPECT_EQ(clLime, colors.GetColor());
    script.Cancel();
    EXPECT_FALSE(colors.Execute());
    EXPECT_EQ(clLime, colors.GetColor());
    EXPECT_EQ((std::vector<String>{"font", "color", "color"}), script.Shown());
}

TEST(PrintDialogTest, ChoosesThePrinterPagesAndCopies) {
    TwoPrinters printers;
    TPrintBackend* previous = PrintSetBackend(&printers);
    TPrinter printer;
    TPrinter* before = SetPrinter(&printer);
    {
        TScopedDialogScript script;
        TPrintDialog dialog(nullptr);
        dialog.SetMinPage(1);
        dialog.SetMaxPage(5);
        dialog.SetOptions(TPrintDialogOptions{poPageNums});
        TPrintChoice choice;
        choice.Printer = "Label";
        choice.Copies = 3;
        choice.Collate = true;
        choice.Range = prPageNums;
        choice.FromPage = 9; // beyond the document: held to its last page
        choice.ToPage = 2;
        script.ChoosePrint(choice);
        ASSERT_TRUE(dialog.Execute());
        EXPECT_EQ(1, printer.GetPrinterIndex());
        EXPECT_EQ(3, dialog.GetCopies());
        EXPECT_EQ(3, printer.GetCopies());
        EXPECT_TRUE(dialog.GetCollate());
        EXPECT_EQ(prPageNums, dialog.GetPrintRange());
        EXPECT_EQ(2, dialog.GetFromPage());
        EXPECT_EQ(5, dialog.GetToPage());

        TPrinterSetupDialog setup(nullptr);
        script.ChoosePrinterSetup({"Office", true});
        ASSERT_TRUE(setup.Execute());
        EXPECT_EQ(0, printer.GetPrinterIndex());
        EXPECT_EQ(poLandscape, printer.GetOrientation());
        EXPECT_TRUE(script.Errors().empty());
    }
    SetPrinter(before == &printer ? nullptr : before);
    PrintSetBackend(previous);
}

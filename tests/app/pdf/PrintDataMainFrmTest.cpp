// Printing from the main window: the print record sets filled from the window, the function
// settings and the channel table, emptied before every print, and "&Print" going through the print
// dialog with the data as they are now.
#include <gtest/gtest.h>

#include <vector>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/Maindb.h"
#include "grid/Tambor.h"
#include "platform/backend/Backend.h"
#include "platform/backend/BackendPrint.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrPreviewPages.h"
#include "report/pvrPrintDialog.h"
#include "report/pvrPrinter.h"
#include "tests/app/BDialogFixture.h"
#include "tests/support/ModalScript.h"

namespace {

// Qt draws the PDF printer's pages; the display runs offscreen. Set up before the application.
struct TOffscreenDisplay {
    TOffscreenDisplay() { BackendInstall(true); }
    ~TOffscreenDisplay() { BackendUninstall(); }
};

class PrintDataMainFrmTest : private TOffscreenDisplay, public apptest::BDialogFixture {
protected:
    void SetUp() override {
        FPrevious = PrintSetBackend(&FPdf);
        FreeReportPrinters();
        Start();
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        ASSERT_NE(fChInfo, nullptr);
        Grid = fChInfo->gvData;
        fMaindb->pvrReport->GetEngineOptions()->SetNewSilentMode(simSilent);
    }
    void TearDown() override {
        FreeReportPrinters();
        PrintSetBackend(FPrevious);
    }
    ~PrintDataMainFrmTest() override { fChInfo = nullptr; }

    static std::vector<String> Records(TMemDataSet* set) {
        std::vector<String> rows;
        set->First();
        while (!set->Eof()) {
            String row;
            for (Integer i = 0; i < set->GetFieldCount(); ++i)
                row += (i ? "|" : "") + set->GetFields()->GetFields(i)->GetAsString();
            rows.push_back(row);
            set->Next();
        }
        return rows;
    }
    // "&Print" with the print dialog cancelled: the records are made, nothing is printed.
    void PrintCancelled() {
        testsupport::TScopedModalScript modal;
        modal.Add<TpvrPrintDialog>("pvrPrintDialog", [](TpvrPrintDialog& d) { d.CancelB->Click(); });
        Frame->PrintData(false);
        EXPECT_EQ(modal.Shown(), std::vector<String>{"pvrPrintDialog"});
    }

    TfMainFrm* Frame = nullptr;
    TTambor* Grid = nullptr;

private:
    TQtPrintBackend FPdf{false};
    TPrintBackend* FPrevious = nullptr;
};

TEST_F(PrintDataMainFrmTest, EveryPrintHoldsTheRecordsOfTheDataAsTheyAreNow) {
    PrintCancelled();
    const String head = AppState->Title + "|Model Type: |" + AppState->ModelName + "|||Frequency: |" +
                        AppState->BandText + "||";
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{head});
    std::vector<String> rows = Records(fMaindb->myAdo);
    ASSERT_EQ(rows.size(), 16u);
    for (std::size_t i = 0; i < 15; ++i)
        EXPECT_EQ(rows[i].substr(0, 2), "9|") << i;
    const String channels = PromptTexts->Channel + PromptTexts->Info;
    EXPECT_EQ(rows[15], "8|" + channels + "||||");
    // The report prepared the header and settings page and the channel heading's page.
    EXPECT_EQ(fMaindb->pvrReport->GetPreviewPages()->GetCount(), 2);

    // A change, then "&Print" again: only the new records, the channel among them.
    Grid->WriteForeText(2, 4, "460.12500");
    PrintCancelled();
    EXPECT_EQ(Records(fMaindb->myMain), std::vector<String>{head});
    rows = Records(fMaindb->myAdo);
    ASSERT_EQ(rows.size(), 15u + 7u);
    EXPECT_EQ(rows[16], "8|" + channels + "|" + Grid->ReadForeText(1, 1) + "3|||");
    EXPECT_EQ(rows[17], "8|" + channels + "|" + Grid->ReadForeText(2, 1) + "|460.12500|" + Grid->ReadForeText(3, 1) +
                            "|460.12500");
}

} // namespace

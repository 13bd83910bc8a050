// Printing: the print record sets of the data module filled from the window and the channel
// table, then handed to the report for a preview or a print.
#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "app/Maindb.h"
#include "app/myPrint.h"
#include "platform/classlib/StdCtrls.h"
#include "report/pvrClass.h"
#include "report/pvrDBSet.h"
#include "suite/editors/qzDropDownEdit.h"

void TfMainFrm::PrintData(bool preview) {
    TfMaindb& data = *fMaindb;
    while (data.myAdo->GetRecordCount() > 0)
        data.myAdo->Delete();
    while (data.myMain->GetRecordCount() > 0)
        data.myMain->Delete();

    const TALL& state = *AppState;
    String band = state.BandText;
    if (SingleModel && cbFreq)
        band = cbFreq->GetText();
    else if (!SingleModel && stFreq)
        band = stFreq->GetCaption();
    TMemDataSet* head = data.myMain;
    head->Append();
    head->FieldByName("Title")->SetAsString(state.Title);
    head->FieldByName("AField")->SetAsString(lMode ? lMode->GetCaption() : String());
    head->FieldByName("AValue")->SetAsString(state.ModelName);
    head->FieldByName("BField")->SetAsString("");
    head->FieldByName("BValue")->SetAsString("");
    head->FieldByName("CField")->SetAsString(Label4 ? Label4->GetCaption() : String());
    head->FieldByName("CValue")->SetAsString(band);
    head->Post();

    AddFunctionPrintRows();
    if (fChInfo) fChInfo->AddPrintRows();

    data.pvrDataset->SetDataSet(data.myAdo);
    data.pvrMainData->SetDataSet(data.myMain);
    if (preview) {
        data.pvrReport->ShowReport(true);
    } else if (data.pvrReport->PrepareReport(true)) {
        // A preparation that failed has shown its errors; its pages are not printed.
        data.pvrReport->Print();
    }
}

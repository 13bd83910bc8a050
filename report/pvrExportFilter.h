// What the prepared pages ask of an export filter: the report it works for, its flags and page
// numbers, its dialog and the calls around every page and object it is handed.
#pragma once

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

class TpvrReport;
class TpvrComponent;
class TpvrReportPage;

class TpvrCustomExportFilter : public TObject {
    KOV_CLASS(TpvrCustomExportFilter, TObject)
public:
    // The filter's dialog; 1 (OK) goes on.
    virtual Integer ShowModal() = 0;
    // False cancels the export.
    virtual bool Start() = 0;
    virtual void StartPage(TpvrReportPage* page, Integer index) = 0;
    virtual void ExportObject(TpvrComponent* object) = 0;
    virtual void FinishPage(TpvrReportPage* page, Integer index) = 0;
    virtual void Finish() = 0;

    TpvrReport* Report = nullptr;
    bool ShowDialog = false;
    bool CurPage = false;
    bool ShowProgress = false;
    String PageNumbers;
};

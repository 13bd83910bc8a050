// The channel rows of the printout.
#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/Maindb.h"
#include "grid/Tambor.h"
#include "platform/runtime/Strings.h"

void TfChInfo::AddPrintRows() {
    TMemDataSet* rows = fMaindb->myAdo;
    const String typeName = PromptTexts->Channel + PromptTexts->Info;
    auto add = [&](const String& aField, const String& aValue, const String& bField, const String& bValue) {
        rows->Append();
        rows->FieldByName("TypeID")->SetAsInteger(8);
        rows->FieldByName("TypeName")->SetAsString(typeName);
        rows->FieldByName("AField")->SetAsString(aField);
        rows->FieldByName("AValue")->SetAsString(aValue);
        rows->FieldByName("BField")->SetAsString(bField);
        rows->FieldByName("BValue")->SetAsString(bValue);
        rows->Post();
    };
    auto title = [&](Integer col) { return gvData->ReadForeText(col, 1); };
    auto text = [&](Integer col, Integer row) { return gvData->ReadForeText(col, row); };

    add("", "", "", "");
    for (Integer row = 2; row < gvData->GetRowCount(); ++row) {
        if (text(2, row).empty()) continue;
        add(title(1) + IntToStr(row - 1), "", "", "");
        for (Integer col = 2; col <= 8; col += 2)
            add(title(col), text(col, row), title(col + 1), text(col + 1, row));
        add(title(10), text(10, row), "", "");
    }
}

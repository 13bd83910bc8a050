// The report's data source over a data set of the class library.
#pragma once

#include "platform/classlib/DB.h"
#include "report/pvrClass.h"

class TpvrDBDataset : public TpvrCustomDBDataSet {
    KOV_CLASS(TpvrDBDataset, TpvrCustomDBDataSet)
public:
    explicit TpvrDBDataset(TComponent* owner);
    ~TpvrDBDataset() override;

    TDataSet* GetDataSet() const { return FDataSet; }
    // A data set clears the data source, and the other way round.
    void SetDataSet(TDataSet* value);
    TDataSource* GetDataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value);
    // The data set read: DataSet, else the data source's.
    TDataSet* GetEffectiveDataSet() const { return FEffectiveDataSet; }
    bool IsActive() const;
    // Stored in window definitions only outside a report's object tree.
    bool IsDataSetStored() const;

    // Hooks the data set's open and close events for a run; fails with "dbNotConn" without a
    // data set.
    void Initialize() override;
    // Back to the record current at opening, closed when CloseDataSource, hooks removed.
    void Finalize() override;
    void Open() override;
    void Close() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    // The aliases of FieldAliases (lines whose field begins with "-" hidden), or the data set's
    // field names.
    void GetFieldList(TStrings* list) override;
    Variant GetValue(const String& field) override;
    WideString GetDisplayText(const String& field) override;
    Integer GetDisplayWidth(const String& field) override;
    TpvrFieldType GetFieldType(const String& field) override;
    bool IsBlobField(const String& field) override;
    Integer RecordCount() override;
    // Into a TWideStrings (as lines of text) or a stream (set back to its start).
    void AssignBlobTo(const String& field, TObject* target) override;

    void Notification(TComponent* component, TOperation operation) override;

    bool AtRangeEnd = false;
    TBookmark RangeBookmark;

private:
    void UpdateEffectiveDataSet();
    void EnsureOpened();
    void AfterOpenStep();
    void BeforeCloseStep();
    void DataSetAfterOpen(TDataSet* dataSet);
    void DataSetBeforeClose(TDataSet* dataSet);
    // The field of the field map for a name; found tells whether the name is in the map.
    TField* MappedField(const String& name, bool& found) const;
    String MissingFieldText(const String& name) const;
    void AddMissingFieldError(const String& name);

    TDataSet* FDataSet = nullptr;
    TDataSource* FDataSource = nullptr;
    TDataSet* FEffectiveDataSet = nullptr;
    TDataSetNotifyEvent FSavedAfterOpen;
    TDataSetNotifyEvent FSavedBeforeClose;
    bool FHooked = false;
};

// The lookup combo box: a combo box whose drop-down is a lookup data-set grid over a list data
// source; its value is the key of the chosen list record and its text that record's text in the
// list column.
#pragma once

#include <memory>

#include "suite/data/qzDBLookupEdit.h"
#include "suite/data/qzLookupDBGrid.h"

class TqzLookupComboBoxProperties : public TqzCustomDBLookupEditProperties {
    KOV_CLASS(TqzLookupComboBoxProperties, TqzCustomDBLookupEditProperties)
public:
    explicit TqzLookupComboBoxProperties(TPersistent* owner);
    ~TqzLookupComboBoxProperties() override;

    void Assign(TPersistent* source) override;

    // ---- The list operations, answered with the grid ----
    TClass GetContainerClass() const override;
    Integer GetListColumnCount() override { return FGrid->GetColumns()->GetCount(); }
    TWinControl* GetListControl() override { return FGrid.get(); }
    TqzDBDataController* GetListDBDataController() override { return FGrid->GetDBDataController(); }
    Integer GetListWidth() override;
    Integer FitListHeight(Integer height) override { return FGrid->FitHeight(height); }
    Integer GetListHeightForRows(Integer rows) override { return FGrid->GetRowsHeight(rows); }
    bool IsPointOnListRow(const TPoint& clientPoint) override { return FGrid->IsPointOnRow(clientPoint); }
    void SetListHandlers(const TNotifyEvent& select, const TNotifyEvent& other,
                         const TqzLookupGridCloseUpHandler& closeUp) override;
    void ApplyListAppearance(TqzLookAndFeel* lookAndFeel, TColor color, TFont* font) override;
    void ListShowing() override { ++FGrid->IgnoreMouseMoves; }
    void MakeListFocusVisible() override { FGrid->MakeFocusedRowVisible(); }
    void ListHiding() override;
    void BeginListColumnsUpdate() override { FGrid->BeginUpdate(); }
    void EndListColumnsUpdate() override { FGrid->EndUpdate(); }
    void AddListColumnIfMissing(const String& fieldName) override;
    void SetListColumnsByNames(const String& names) override { FGrid->SetColumnsByFieldNames(names); }
    TField* GetListColumnField(Integer index) override { return FGrid->GetDBColumns()->Columns(index)->GetField(); }
    String GetListColumnFieldName(Integer index) override {
        return FGrid->GetDBColumns()->Columns(index)->GetFieldName();
    }
    Integer FindListColumnByFieldName(const String& name) override;
    virtual void OptionsChanged(TObject* sender) { Changed(); }

    // ---- Published ----
    TqzLookupDBGridColumns* GetListColumns() const { return FGrid->GetDBColumns(); }
    void SetListColumns(TqzLookupDBGridColumns* value);
    TqzLookupGridOptions* GetListOptions() const { return FGrid->GetOptions(); }
    void SetListOptions(TqzLookupGridOptions* value) { FGrid->GetOptions()->Assign(value); }
    // Nothing while a lookup field defines the properties.
    TDataSource* GetListSource();
    void SetListSource(TDataSource* value);
    const TNotifyEvent& GetOnSortingChanged() const { return FGrid->GetDataController()->OnSortingChanged; }
    void SetOnSortingChanged(const TNotifyEvent& value) { FGrid->GetDataController()->OnSortingChanged = value; }

    TqzLookupDBGrid* GetGrid() const { return FGrid.get(); }

private:
    std::unique_ptr<TqzLookupDBGrid> FGrid;
};

class TqzCustomLookupComboBox : public TqzCustomDBLookupEdit {
    KOV_CLASS(TqzCustomLookupComboBox, TqzCustomDBLookupEdit)
public:
    explicit TqzCustomLookupComboBox(TComponent* owner);
    TqzCustomLookupComboBox(TComponent* owner, bool isInplace);
    TClass GetPropertiesClass() override { return TqzLookupComboBoxProperties::StaticClass(); }

protected:
    TqzCustomLookupComboBox(TComponent* owner, bool isInplace, bool deferInitialization);
};

class TqzLookupComboBox : public TqzCustomLookupComboBox {
    KOV_CLASS(TqzLookupComboBox, TqzCustomLookupComboBox)
public:
    explicit TqzLookupComboBox(TComponent* owner);
    TqzLookupComboBox(TComponent* owner, bool isInplace);

    TqzLookupComboBoxProperties* GetProperties() const {
        return static_cast<TqzLookupComboBoxProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzLookupComboBoxProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
    Variant GetPublishedEditValue() { return GetEditValue(); }
    void SetPublishedEditValue(const Variant& value) { SetEditValue(value); }
};

// The module's start registers the properties in the editor properties registry; its end
// removes them.
void DBLookupComboBoxInitialize();
void DBLookupComboBoxFinalize();

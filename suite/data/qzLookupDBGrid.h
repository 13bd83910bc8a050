// The lookup grid over a data set: each column names a field of the data set (FieldName) and the
// rows are the records of a data source, through a data-set data controller. It is the list of
// the lookup combo box.
#pragma once

#include "suite/data/qzDBData.h"
#include "suite/data/qzDBEdit.h"
#include "suite/data/qzLookupGrid.h"

class TqzCustomLookupDBGrid;

class TqzLookupDBGridDefaultValuesProvider : public TqzCustomDBEditDefaultValuesProvider {
    KOV_CLASS(TqzLookupDBGridDefaultValuesProvider, TqzCustomDBEditDefaultValuesProvider)
public:
    using TqzCustomDBEditDefaultValuesProvider::TqzCustomDBEditDefaultValuesProvider;
    bool HasSourceDisplayFormat(bool currencyAllowed) override;
};

class TqzLookupDBGridColumn : public TqzLookupGridColumn {
    KOV_CLASS(TqzLookupDBGridColumn, TqzLookupGridColumn)
public:
    using TqzLookupGridColumn::TqzLookupGridColumn;

    // The field name first, then the lookup grid column's settings.
    void Assign(TPersistent* source) override;
    TClass GetDefaultValuesProviderClass() const override;
    String GetDefaultCaption() override;
    TqzEditRepositoryItem* GetDefaultRepositoryItem() override;
    Integer GetDefaultWidth() override;

    TField* GetField() const;
    // The column's field goes to its defaults provider.
    void UpdateProviderField();
    String GetFieldName() const;
    void SetFieldName(const String& value);

private:
    TqzDBDataController* DBController() const;
};

class TqzLookupDBGridColumns : public TqzLookupGridColumns {
    KOV_CLASS(TqzLookupDBGridColumns, TqzLookupGridColumns)
public:
    using TqzLookupGridColumns::TqzLookupGridColumns;
    TqzLookupDBGridColumn* AddColumn() { return static_cast<TqzLookupDBGridColumn*>(Add()); }
    TqzLookupDBGridColumn* Columns(Integer index) const {
        return static_cast<TqzLookupDBGridColumn*>(GetItems(index));
    }
    // The first column of that field name (case ignored); nullptr for none.
    TqzLookupDBGridColumn* FindColumnByFieldName(const String& name) const;
};

class TqzLookupGridDBDataController : public TqzDBDataController {
    KOV_CLASS(TqzLookupGridDBDataController, TqzDBDataController)
public:
    explicit TqzLookupGridDBDataController(TComponent* owner);
    TObject* GetItem(Integer index) const override;
    void GridModeBufferMoved() override;
    TqzCustomLookupGrid* GetGrid() const;
};

class TqzCustomLookupDBGrid : public TqzCustomLookupGrid {
    KOV_CLASS(TqzCustomLookupDBGrid, TqzCustomLookupGrid)
public:
    explicit TqzCustomLookupDBGrid(TComponent* owner);

    TCollectionItemClass GetColumnClass() const override;
    TqzLookupGridColumns* CreateColumns() override;
    TqzCustomDataController* CreateDataControllerObject() override;
    void DataChanged() override;
    void ComputeScrollBarParams() override;
    void ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) override;

    // Every column goes; one column per name of the ";"-separated list, in order.
    void SetColumnsByFieldNames(const String& names);
    virtual void CreateColumnsFromList(TStrings* list);

    TqzLookupDBGridColumns* GetDBColumns() const { return static_cast<TqzLookupDBGridColumns*>(GetColumns()); }
    void SetDBColumns(TqzLookupDBGridColumns* value) { GetColumns()->Assign(value); }
    TqzLookupGridDBDataController* GetDBDataController() const {
        return static_cast<TqzLookupGridDBDataController*>(GetDataController());
    }
    TDataSource* GetDataSource() const { return GetDBDataController()->GetDataSource(); }
    void SetDataSource(TDataSource* value) { GetDBDataController()->SetDataSource(value); }
    String GetKeyFieldNames() const { return GetDBDataController()->GetKeyFieldNames(); }
    void SetKeyFieldNames(const String& value) { GetDBDataController()->SetKeyFieldNames(value); }

private:
    bool UsesDataSetScrolling() const;
};

class TqzLookupDBGrid : public TqzCustomLookupDBGrid {
    KOV_CLASS(TqzLookupDBGrid, TqzCustomLookupDBGrid)
public:
    explicit TqzLookupDBGrid(TComponent* owner) : TqzCustomLookupDBGrid(owner) {}
};

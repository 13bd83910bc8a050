// The lookup grid's columns, their collection, the options and the grid's data controller.
#include "suite/data/qzLookupGrid.h"

#include "platform/runtime/TypInfo.h"
#include "suite/data/qzEditDataRegisteredRepositoryItems.h"

namespace {

const bool kLookupGridClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzLookupGridDefaultValuesProvider>();
    RegisterEnum<TqzGridLines>("TqzGridLines", {"glBoth", "glNone", "glVertical", "glHorizontal"});
    RegisterEnum<TqzDataSortOrder>("TqzDataSortOrder", {"soNone", "soAscending", "soDescending"});
    RegisterClasses({TqzLookupGrid::StaticClass()});
    return true;
}();

} // namespace

// ---- Defaults provider -----------------------------------------------------------------------

bool TqzLookupGridDefaultValuesProvider::HasSourceDisplayFormat(bool) {
    auto* column = dynamic_cast<TqzLookupGridColumn*>(GetOwner());
    TqzCustomDataController* controller = column ? column->GetDataController() : nullptr;
    return controller && controller->GetItemStoresDisplayText(column->GetIndex());
}

// ---- Column ----------------------------------------------------------------------------------

TqzLookupGridColumn::TqzLookupGridColumn(TCollection* collection) : TCollectionItem(collection) {
    auto* columns = dynamic_cast<TqzLookupGridColumns*>(collection);
    FGrid = columns ? columns->GetGrid() : nullptr;
    if (!FGrid) return;
    FGrid->BeginUpdate();
    try {
        MinWidth = 20;
        Sorting = true;
        Changed(false);
        FGrid->AddColumn(this);
        FAddedToController = true;
    } catch (...) {
        FGrid->EndUpdate();
        throw;
    }
    FGrid->EndUpdate();
}

TqzLookupGridColumn::~TqzLookupGridColumn() {
    TqzCustomLookupGrid* grid = FGrid;
    const bool locked = grid && !grid->IsGridDestroying();
    if (locked) grid->BeginUpdate();
    if (grid && FAddedToController) grid->RemoveColumn(this);
    if (RepositoryItem) RepositoryItem->RemoveListener(this);
    RepositoryItem = nullptr;
    InternalRepositoryItem.reset();
    FDefaultsProvider.reset();
    if (locked) grid->EndUpdate();
}

TqzCustomLookupGrid* TqzLookupGridColumn::GetGrid() const { return FGrid; }

TqzCustomDataController* TqzLookupGridColumn::GetDataController() const {
    return FGrid ? FGrid->GetDataController() : nullptr;
}

void TqzLookupGridColumn::ItemRemoved(TqzEditRepositoryItem* sender) {
    if (sender == RepositoryItem) SetRepositoryItem(nullptr);
}

void TqzLookupGridColumn::PropertiesChanged(TqzEditRepositoryItem*) { Changed(false); }

void TqzLookupGridColumn::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzLookupGridColumn*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    TCollection* collection = GetCollection();
    if (collection) collection->BeginUpdate();
    try {
        RestoreDefaults();
        if (other->CaptionSet) SetCaption(other->GetCaption());
        SetHeaderAlignment(other->HeaderAlignment);
        SetMinWidth(other->MinWidth);
        SetFixed(other->Fixed);
        SetSorting(other->Sorting);
        SetSortOrder(other->GetSortOrder());
        SetRepositoryItem(other->RepositoryItem);
        if (other->WidthSet) SetWidth(other->GetWidth());
    } catch (...) {
        if (collection) collection->EndUpdate();
        throw;
    }
    if (collection) collection->EndUpdate();
}

void TqzLookupGridColumn::SetIndex(Integer value) {
    TCollectionItem::SetIndex(value);
    if (TqzCustomDataController* controller = GetDataController()) controller->UpdateItemIndexes();
}

void TqzLookupGridColumn::CheckWidth(Integer& width) {
    if (width < MinWidth) width = MinWidth;
}

TClass TqzLookupGridColumn::GetDefaultValuesProviderClass() const {
    return TqzLookupGridDefaultValuesProvider::StaticClass();
}

TqzCustomEditDefaultValuesProvider* TqzLookupGridColumn::GetDefaultValuesProvider() {
    if (!FDefaultsProvider) {
        TqzInterfacedPersistent* made = TqzInterfacedPersistent::Create(GetDefaultValuesProviderClass(), this);
        FDefaultsProvider.reset(static_cast<TqzCustomEditDefaultValuesProvider*>(made));
    }
    return FDefaultsProvider.get();
}

TqzValueTypeClass TqzLookupGridColumn::GetItemValueTypeClass() {
    TqzCustomDataController* controller = GetDataController();
    if (!controller) return nullptr;
    TqzCustomDataField* field = controller->GetItemField(GetIndex());
    return field ? field->GetValueTypeClass() : nullptr;
}

void TqzLookupGridColumn::SetItemValueTypeClass(TqzValueTypeClass value) {
    if (TqzCustomDataController* controller = GetDataController())
        controller->ChangeValueTypeClass(GetIndex(), value);
}

TqzEditRepositoryItem* TqzLookupGridColumn::GetDefaultRepositoryItem() {
    return GetDataDefaultEditors()->DefaultItem();
}

TFont* TqzLookupGridColumn::GetFont() { return FGrid ? FGrid->GetFont() : nullptr; }

TqzEditRepositoryItem* TqzLookupGridColumn::GetDefaultRepositoryItemOrInternal() {
    if (TqzEditRepositoryItem* item = GetDefaultRepositoryItem()) return item;
    if (!InternalRepositoryItem) InternalRepositoryItem = std::make_unique<TqzEditRepositoryTextItem>(nullptr);
    return InternalRepositoryItem.get();
}

TqzEditRepositoryItem* TqzLookupGridColumn::GetActiveRepositoryItem() {
    return RepositoryItem ? RepositoryItem : GetDefaultRepositoryItemOrInternal();
}

TqzCustomEditProperties* TqzLookupGridColumn::GetActiveProperties() {
    return GetActiveRepositoryItem()->GetProperties();
}

bool TqzLookupGridColumn::IsRightmost() {
    return GetCollection() && GetIndex() == GetCollection()->GetCount() - 1;
}

void TqzLookupGridColumn::RestoreDefaults() {
    CaptionSet = false;
    WidthSet = false;
    HeaderAlignment = taLeftJustify;
    MinWidth = 20;
    Fixed = false;
    Sorting = true;
    Changed(false);
}

String TqzLookupGridColumn::GetCaption() { return CaptionSet ? Caption : GetDefaultCaption(); }

void TqzLookupGridColumn::SetCaption(const String& value) {
    Caption = value;
    CaptionSet = true;
    Changed(false);
}

void TqzLookupGridColumn::SetFixed(bool value) {
    if (Fixed == value) return;
    Fixed = value;
    Changed(false);
}

void TqzLookupGridColumn::SetHeaderAlignment(TAlignment value) {
    if (HeaderAlignment == value) return;
    HeaderAlignment = value;
    Changed(false);
}

void TqzLookupGridColumn::SetMinWidth(Integer value) {
    if (value < 0) value = 0;
    if (MinWidth == value) return;
    MinWidth = value;
    if (GetWidth() < MinWidth) SetWidth(MinWidth);
    Changed(false);
}

void TqzLookupGridColumn::SetSorting(bool value) {
    if (Sorting == value) return;
    Sorting = value;
    Changed(false);
}

TqzDataSortOrder TqzLookupGridColumn::GetSortOrder() {
    TqzCustomDataController* controller = GetDataController();
    return controller && FAddedToController ? controller->GetItemSortOrder(GetIndex()) : soNone;
}

void TqzLookupGridColumn::SetSortOrder(TqzDataSortOrder value) {
    if (TqzCustomDataController* controller = GetDataController()) controller->ChangeItemSortOrder(GetIndex(), value);
}

void TqzLookupGridColumn::SetRepositoryItem(TqzEditRepositoryItem* value) {
    if (RepositoryItem == value) return;
    if (RepositoryItem) RepositoryItem->RemoveListener(this);
    RepositoryItem = value;
    if (RepositoryItem) RepositoryItem->AddListener(this);
    Changed(false);
}

Integer TqzLookupGridColumn::GetWidth() { return WidthSet ? Width : GetDefaultWidth(); }

void TqzLookupGridColumn::SetWidth(Integer value) {
    CheckWidth(value);
    Width = value;
    WidthSet = true;
    Changed(false);
}

KOV_PUBLISHED(TqzLookupGridColumn) {
    Property("Caption", &TqzLookupGridColumn::GetCaption, &TqzLookupGridColumn::SetCaption)
        .Stored(&TqzLookupGridColumn::IsCaptionStored);
    Property("Fixed", &TqzLookupGridColumn::GetFixed, &TqzLookupGridColumn::SetFixed).Default(false);
    Property("HeaderAlignment", &TqzLookupGridColumn::GetHeaderAlignment, &TqzLookupGridColumn::SetHeaderAlignment)
        .Default(taLeftJustify);
    Property("MinWidth", &TqzLookupGridColumn::GetMinWidth, &TqzLookupGridColumn::SetMinWidth).Default(Integer(20));
    Property("Sorting", &TqzLookupGridColumn::GetSorting, &TqzLookupGridColumn::SetSorting).Default(true);
    Property("SortOrder", &TqzLookupGridColumn::GetSortOrder, &TqzLookupGridColumn::SetSortOrder).Default(soNone);
    Property("RepositoryItem", &TqzLookupGridColumn::GetRepositoryItem, &TqzLookupGridColumn::SetRepositoryItem);
    Property("Width", &TqzLookupGridColumn::GetWidth, &TqzLookupGridColumn::SetWidth)
        .Stored(&TqzLookupGridColumn::IsWidthStored);
}

// ---- Columns ---------------------------------------------------------------------------------

TqzLookupGridColumns::TqzLookupGridColumns(TqzCustomLookupGrid* grid, TCollectionItemClass itemClass)
    : TCollection(itemClass), FGrid(grid) {}

TPersistent* TqzLookupGridColumns::GetOwner() const { return FGrid; }

void TqzLookupGridColumns::BeginUpdate() {
    TCollection::BeginUpdate();
    if (FGrid && !FGrid->IsGridDestroying()) FGrid->BeginUpdate();
}

void TqzLookupGridColumns::EndUpdate() {
    if (FGrid && !FGrid->IsGridDestroying()) FGrid->EndUpdate();
    TCollection::EndUpdate();
}

void TqzLookupGridColumns::RestoreDefaults() {
    BeginUpdate();
    try {
        for (Integer i = 0; i < GetCount(); ++i) GetColumn(i)->RestoreDefaults();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TqzLookupGridColumns::Update(TCollectionItem*) {
    if (FGrid && !FGrid->GetComponentState().Contains(csLoading)) FGrid->LayoutChanged(1);
}

// ---- Options ---------------------------------------------------------------------------------

TPersistent* TqzLookupGridOptions::GetOwner() const { return FGrid; }

void TqzLookupGridOptions::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TqzLookupGridOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (FGrid) FGrid->BeginUpdate();
    try {
        SetAnsiSort(other->GetAnsiSort());
        SetCaseInsensitive(other->GetCaseInsensitive());
        ColumnSorting = other->ColumnSorting;
        SetGridLines(other->GetGridLines());
        SetRowSelect(other->GetRowSelect());
        SetShowHeader(other->GetShowHeader());
    } catch (...) {
        if (FGrid) FGrid->EndUpdate();
        throw;
    }
    if (FGrid) FGrid->EndUpdate();
}

void TqzLookupGridOptions::Changed() {
    if (FGrid) FGrid->LayoutChanged(1);
    OnChanged(this);
}

bool TqzLookupGridOptions::GetAnsiSort() const {
    return FGrid && (FGrid->GetDataController()->GetOptions() & dcoAnsiSort) != 0;
}

void TqzLookupGridOptions::SetAnsiSort(bool value) { SetControllerOption(dcoAnsiSort, value); }

bool TqzLookupGridOptions::GetCaseInsensitive() const {
    return FGrid && (FGrid->GetDataController()->GetOptions() & dcoCaseInsensitive) != 0;
}

void TqzLookupGridOptions::SetCaseInsensitive(bool value) { SetControllerOption(dcoCaseInsensitive, value); }

void TqzLookupGridOptions::SetControllerOption(Word bit, bool value) {
    if (!FGrid) return;
    TqzCustomDataController* controller = FGrid->GetDataController();
    const Word options = controller->GetOptions();
    controller->SetOptions(value ? Word(options | bit) : Word(options & ~bit));
}

void TqzLookupGridOptions::SetGridLines(TqzGridLines value) {
    if (FGridLines == value) return;
    FGridLines = value;
    Changed();
}

void TqzLookupGridOptions::SetRowSelect(bool value) {
    FRowSelect = value;
    if (value && FGrid) FGrid->ClearFocusedColumn();
}

void TqzLookupGridOptions::SetShowHeader(bool value) {
    if (FShowHeader == value) return;
    FShowHeader = value;
    Changed();
}

KOV_PUBLISHED(TqzLookupGridOptions) {
    Property("AnsiSort", &TqzLookupGridOptions::GetAnsiSort, &TqzLookupGridOptions::SetAnsiSort).Default(false);
    Property("CaseInsensitive", &TqzLookupGridOptions::GetCaseInsensitive, &TqzLookupGridOptions::SetCaseInsensitive)
        .Default(false);
    Property("ColumnSorting", &TqzLookupGridOptions::ColumnSorting).Default(true);
    Property("GridLines", &TqzLookupGridOptions::GetGridLines, &TqzLookupGridOptions::SetGridLines).Default(glBoth);
    Property("RowSelect", &TqzLookupGridOptions::GetRowSelect, &TqzLookupGridOptions::SetRowSelect).Default(true);
    Property("ShowHeader", &TqzLookupGridOptions::GetShowHeader, &TqzLookupGridOptions::SetShowHeader)
        .Default(true);
}

// ---- Data controller -------------------------------------------------------------------------

TqzLookupGridDataController::TqzLookupGridDataController(TComponent* owner) : TqzDataController(owner) {}

TqzCustomLookupGrid* TqzLookupGridDataController::GetGrid() const {
    return static_cast<TqzCustomLookupGrid*>(GetOwner());
}

TObject* TqzLookupGridDataController::GetItem(Integer index) const {
    return GetGrid()->GetColumns()->GetColumn(index);
}

KOV_PUBLISHED(TqzLookupGridDataController) { Property("OnCompare", &TqzLookupGridDataController::OnCompare); }

#include "suite/data/qzLookupDBGrid.h"

#include <algorithm>

#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "suite/data/qzEditDBRegisteredRepositoryItems.h"

namespace {

const bool kLookupDBGridClassesRegistered = [] {
    RegisterInterfacedPersistentClass<TqzLookupDBGridDefaultValuesProvider>();
    RegisterClasses({TqzLookupDBGrid::StaticClass()});
    return true;
}();

} // namespace

// ---- Defaults provider -----------------------------------------------------------------------

bool TqzLookupDBGridDefaultValuesProvider::HasSourceDisplayFormat(bool) {
    auto* column = dynamic_cast<TqzLookupGridColumn*>(GetOwner());
    TqzCustomDataController* controller = column ? column->GetDataController() : nullptr;
    return controller && controller->GetItemStoresDisplayText(column->GetIndex());
}

// ---- Column ----------------------------------------------------------------------------------

TqzDBDataController* TqzLookupDBGridColumn::DBController() const {
    return dynamic_cast<TqzDBDataController*>(GetDataController());
}

void TqzLookupDBGridColumn::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TqzLookupDBGridColumn*>(source)) SetFieldName(other->GetFieldName());
    TqzLookupGridColumn::Assign(source);
}

TClass TqzLookupDBGridColumn::GetDefaultValuesProviderClass() const {
    return TqzLookupDBGridDefaultValuesProvider::StaticClass();
}

TField* TqzLookupDBGridColumn::GetField() const {
    TqzDBDataController* controller = DBController();
    return controller ? controller->GetItemDataSetField(GetIndex()) : nullptr;
}

String TqzLookupDBGridColumn::GetFieldName() const {
    TqzDBDataController* controller = DBController();
    return controller ? controller->GetItemFieldName(GetIndex()) : String();
}

void TqzLookupDBGridColumn::SetFieldName(const String& value) {
    if (TqzDBDataController* controller = DBController()) controller->SetItemFieldName(GetIndex(), value);
}

void TqzLookupDBGridColumn::UpdateProviderField() {
    if (auto* provider = dynamic_cast<TqzCustomDBEditDefaultValuesProvider*>(GetDefaultValuesProvider()))
        provider->AttachField(GetField());
}

String TqzLookupDBGridColumn::GetDefaultCaption() {
    TField* field = GetField();
    return field ? field->GetDisplayName() : GetFieldName();
}

TqzEditRepositoryItem* TqzLookupDBGridColumn::GetDefaultRepositoryItem() {
    return GetDBDefaultEditors()->ItemForField(GetField());
}

Integer TqzLookupDBGridColumn::GetDefaultWidth() {
    TField* field = GetField();
    TqzCustomLookupGrid* grid = GetGrid();
    if (!field || !grid) return TqzLookupGridColumn::GetDefaultWidth();
    TqzCanvas* canvas = grid->GetPainter()->GetCanvas();
    canvas->SelectFont(GetFont());
    Integer width = canvas->TextWidthOf("0") * field->GetDisplayWidth() + 4;
    if (grid->GetOptions()->GetShowHeader()) {
        TqzLookAndFeelPainterClass painter = grid->GetPainter()->LookAndFeelPainter;
        const TqzSides neighbours = TqzSides((IsLeftmost() ? 0 : 1) | (IsRightmost() ? 0 : 4));
        width = std::max(width, painter->HeaderWidthFor(canvas, painter->HeaderEdgesFor(neighbours),
                                                        grid->GetViewInfo()->GetHeaderFont(), GetCaption()));
    }
    CheckWidth(width);
    return width;
}

KOV_PUBLISHED(TqzLookupDBGridColumn) {
    Property("FieldName", &TqzLookupDBGridColumn::GetFieldName, &TqzLookupDBGridColumn::SetFieldName);
}

TqzLookupDBGridColumn* TqzLookupDBGridColumns::FindColumnByFieldName(const String& name) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (AnsiSameText(Columns(i)->GetFieldName(), name)) return Columns(i);
    return nullptr;
}

// ---- Data controller -------------------------------------------------------------------------

TqzLookupGridDBDataController::TqzLookupGridDBDataController(TComponent* owner) : TqzDBDataController(owner) {
    GetDataModeController()->SetSyncMode(false);
    GetDataModeController()->InsertInSync = false;
}

TqzCustomLookupGrid* TqzLookupGridDBDataController::GetGrid() const {
    return static_cast<TqzCustomLookupGrid*>(GetOwner());
}

TObject* TqzLookupGridDBDataController::GetItem(Integer index) const {
    return GetGrid()->GetColumns()->GetColumn(index);
}

void TqzLookupGridDBDataController::GridModeBufferMoved() { GetGrid()->UpdateScrollBars(); }

KOV_PUBLISHED(TqzLookupGridDBDataController) { Property("OnCompare", &TqzLookupGridDBDataController::OnCompare); }

// ---- Grid ------------------------------------------------------------------------------------

TqzCustomLookupDBGrid::TqzCustomLookupDBGrid(TComponent* owner) : TqzCustomLookupGrid(owner, true) {
    InitializeGrid();
}

TCollectionItemClass TqzCustomLookupDBGrid::GetColumnClass() const {
    return TCollectionItemClass::Of<TqzLookupDBGridColumn>();
}

TqzLookupGridColumns* TqzCustomLookupDBGrid::CreateColumns() {
    return new TqzLookupDBGridColumns(this, GetColumnClass());
}

TqzCustomDataController* TqzCustomLookupDBGrid::CreateDataControllerObject() {
    return new TqzLookupGridDBDataController(this);
}

void TqzCustomLookupDBGrid::DataChanged() {
    for (Integer i = 0; i < GetColumns()->GetCount(); ++i) GetDBColumns()->Columns(i)->UpdateProviderField();
    TqzCustomLookupGrid::DataChanged();
}

bool TqzCustomLookupDBGrid::UsesDataSetScrolling() const {
    return IsGridMode() && GetDBDataController()->IsDataSetSequenced();
}

void TqzCustomLookupDBGrid::ComputeScrollBarParams() {
    if (!UsesDataSetScrolling()) {
        TqzCustomLookupGrid::ComputeScrollBarParams();
        return;
    }
    TqzLookupGridDBDataController* controller = GetDBDataController();
    const Integer visible = GetVisibleRowCount();
    SetScrollBarInfo(sbVertical, 0, controller->GetRecordCountInDataSet() + visible - 2, 1, visible,
                     controller->GetRecNoInDataSet() - 1, true, true);
}

void TqzCustomLookupDBGrid::ScrollContent(TScrollBarKind kind, TScrollCode code, Integer& position) {
    if (kind != sbVertical || !UsesDataSetScrolling()) {
        TqzCustomLookupGrid::ScrollContent(kind, code, position);
        return;
    }
    switch (code) {
    case scLineUp: MoveFocus(false); break;
    case scLineDown: MoveFocus(true); break;
    case scPageUp: PageUp(); break;
    case scPageDown: PageDown(); break;
    case scPosition: GetDBDataController()->SetRecNoInDataSet(position + 1); break;
    default: break;
    }
    position = GetDBDataController()->GetRecNoInDataSet() - 1;
}

void TqzCustomLookupDBGrid::SetColumnsByFieldNames(const String& names) {
    GetColumns()->Clear();
    TStringList list;
    String rest = names;
    while (!names.empty()) {
        const std::size_t at = rest.find(';');
        list.Add(rest.substr(0, at));
        if (at == String::npos) break;
        rest = rest.substr(at + 1);
    }
    CreateColumnsFromList(&list);
}

void TqzCustomLookupDBGrid::CreateColumnsFromList(TStrings* list) {
    BeginUpdate();
    try {
        for (Integer i = 0; i < list->GetCount(); ++i) GetDBColumns()->AddColumn()->SetFieldName(list->GetStrings(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

KOV_PUBLISHED(TqzCustomLookupDBGrid) {
    Property("DataSource", &TqzCustomLookupDBGrid::GetDataSource, &TqzCustomLookupDBGrid::SetDataSource);
    Property("KeyFieldNames", &TqzCustomLookupDBGrid::GetKeyFieldNames, &TqzCustomLookupDBGrid::SetKeyFieldNames);
}

KOV_PUBLISHED(TqzLookupDBGrid) {
    Property("Columns", &TqzLookupDBGrid::GetDBColumns, &TqzLookupDBGrid::SetDBColumns);
    Property("Options", &TqzLookupDBGrid::GetOptions, &TqzLookupDBGrid::SetOptions);
    Property("LookAndFeel", &TqzLookupDBGrid::GetLookAndFeel, &TqzLookupDBGrid::SetLookAndFeel);
}

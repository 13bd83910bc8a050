// The controller module's shared routines, value readers, update-control infos and the notifier.
#include <algorithm>

#include "platform/runtime/Lists.h"
#include "suite/data/qzCustomData.h"
#include "suite/foundation/qzVariants.h"

const char* const sqzRecordIndexOutOfRange = "RecordIndex out of range";
const char* const sqzRowIndexOutOfRange = "RowIndex out of range";
const char* const sqzItemIndexOutOfRange = "ItemIndex out of range";
const char* const sqzItemAlreadyExists = "Item already exists";

void RaiseDataControllerError(const char* message) { throw EqzInvalidDataControllerOperation(message); }

namespace {

Integer Sign(Integer a, Integer b) { return a < b ? -1 : (a > b ? 1 : 0); }

} // namespace

void qzSortList(Integer* items, Integer count, TqzListSortCompare compare, void* context) {
    // The scans stop at the part's ends: a comparison that is not consistent may otherwise
    // carry an index past the pivot's old place and out of the list.
    struct Part {
        Integer Left, Right;
    };
    std::vector<Part> pending;
    if (count > 1) pending.push_back({0, count - 1});
    while (!pending.empty()) {
        Integer left = pending.back().Left;
        Integer right = pending.back().Right;
        pending.pop_back();
        while (left < right) {
            Integer i = left, j = right;
            const Integer pivot = items[Integer((Cardinal(left) + Cardinal(right)) >> 1)];
            do {
                while (i < right && compare(context, items[i], pivot) < 0) ++i;
                while (j > left && compare(context, items[j], pivot) > 0) --j;
                if (i <= j) {
                    std::swap(items[i], items[j]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (left < j) pending.push_back({left, j});
            left = i;
        }
    }
}

void qzSortList(std::vector<Integer>& items, TqzListSortCompare compare, void* context) {
    qzSortList(items.data(), Integer(items.size()), compare, context);
}

Integer CompareSelectionEntries(Integer rowIndex1, Integer rowIndex2) { return Sign(rowIndex1, rowIndex2); }

Integer ComparePlainValues(Integer value1, Integer value2) { return Sign(value1, value2); }

Integer CompareKeyValues(const Variant& key1, const Variant& key2) { return CompareVariantValues(key1, key2); }

// ---- Readers ---------------------------------------------------------------------------------------

bool IsInternalFieldDef(TqzValueDef* def) {
    auto* field = dynamic_cast<TqzCustomDataField*>(def->BoundObject());
    return field && field->IsInternalField();
}

TqzValueDefUnboundReader::~TqzValueDefUnboundReader() = default;

Variant TqzValueDefUnboundReader::ReadVariant(TqzValueDef* def) {
    if (auto* mirror = dynamic_cast<TqzInternalValueDef*>(def))
        if (TqzValueDef* mirrored = mirror->MirroredDef()) def = mirrored;
    auto it = std::find(FDefs.begin(), FDefs.end(), def);
    if (it == FDefs.end()) return Null();
    const std::size_t index = std::size_t(it - FDefs.begin());
    if (index >= FValues.size() || !FValues[index]) return Null();
    return *FValues[index];
}

bool TqzValueDefUnboundReader::Skips(TqzValueDef* def) { return IsInternalFieldDef(def); }

void TqzValueDefUnboundReader::StoreValue(TqzValueDef* def, const Variant& value) {
    auto it = std::find(FDefs.begin(), FDefs.end(), def);
    if (it == FDefs.end()) {
        FDefs.push_back(def);
        it = FDefs.end() - 1;
    }
    if (FValues.size() < FDefs.size()) FValues.resize(FDefs.size());
    FValues[std::size_t(it - FDefs.begin())] = std::make_unique<Variant>(value);
}

void TqzValueDefUnboundReader::TruncateValues(Integer count) {
    while (Integer(FValues.size()) > std::max(count, Integer(0))) FValues.pop_back();
}

TqzValueDefRecordReader::TqzValueDefRecordReader(TqzCustomDataController* controller, Integer recordIndex)
    : FController(controller), FRecordIndex(recordIndex) {}

String TqzValueDefRecordReader::ReadText(TqzValueDef* def) {
    auto* field = dynamic_cast<TqzCustomDataField*>(def->BoundObject());
    if (!field || field->IsInternalField()) return String();
    return FController->GetFieldDisplayText(FRecordIndex, field);
}

Variant TqzValueDefRecordReader::ReadVariant(TqzValueDef* def) {
    auto* field = dynamic_cast<TqzCustomDataField*>(def->BoundObject());
    if (!field) return Null();
    return FController->GetFieldValue(FRecordIndex, field);
}

bool TqzValueDefRecordReader::Skips(TqzValueDef* def) { return IsInternalFieldDef(def); }

// ---- Infos ---------------------------------------------------------------------------------------

TqzSelectionChangedInfo::TqzSelectionChangedInfo(Integer row1, Integer row2) {
    if (row1 != -1) FRows.push_back(row1);
    if (row2 != -1 && row2 != row1) FRows.push_back(row2);
}

Integer TqzSelectionChangedInfo::RowIndex(Integer index) const {
    if (index < 0 || index >= RowCount()) TList::Error("List index out of bounds (%d)", index);
    return FRows[std::size_t(index)];
}

// ---- Notifier ------------------------------------------------------------------------------------

TqzDataControllerNotifier::TqzDataControllerNotifier(TComponent* owner, TqzCustomDataController* controller)
    : TComponent(owner), FController(controller) {}

void TqzDataControllerNotifier::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == this && GetComponentState().Contains(csDestroying)) return;
    FController->ComponentRemoved(component);
}

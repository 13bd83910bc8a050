// The controller as a master of detail controllers: relations to the master, clones made per
// master record on demand, expansion and the active relation per record, keeping the clones'
// master records right, and expanded details kept by key across a rebuild of the records.
#include <algorithm>

#include "suite/data/qzCustomData.h"
#include "suite/foundation/qzVariants.h"

namespace {

bool IsStoredRecord(TqzCustomDataController* controller, Integer recordIndex) {
    return recordIndex >= 0 && recordIndex < controller->GetRecordCount();
}

// Calls f(clone, relationIndex) for every clone a record already has; makes nothing.
template <class F> void ForEachClone(TqzCustomDataController* controller, Integer recordIndex, F&& f) {
    if (!controller->HasRelations()) return;
    TqzCustomDataRelationList* relations = controller->GetRelations();
    if (!relations->HasDetails(recordIndex, -1)) return;
    TqzDetailObject* object = relations->DetailObject(recordIndex);
    if (!object) return;
    for (Integer i = 0; i < object->SlotCount(); ++i)
        if (TqzCustomDataController* clone = object->DetailController(i)) f(clone, i);
}

} // namespace

// ---- Relations and kinds -------------------------------------------------------------------------

TqzCustomDataController* TqzCustomDataController::GetMaster() const {
    return FMasterRelation ? FMasterRelation->GetController() : nullptr;
}

Integer TqzCustomDataController::DetailKind() const {
    if (FMasterRelation) return FMasterRecordIndex == -1 ? dkPattern : dkClone;
    return FPatternMode ? dkPattern : dkTopLevel;
}

TqzCustomDataController* TqzCustomDataController::FindRootController() {
    TqzCustomDataController* controller = this;
    while (TqzCustomDataController* master = controller->GetMaster()) controller = master;
    return controller;
}

namespace {

TqzCustomDataController* FindPatternOfItem(TqzCustomDataController* controller, TObject* item) {
    if (!controller->HasRelations()) return nullptr;
    TqzCustomDataRelationList* relations = controller->GetRelations();
    if (TqzCustomDataRelation* relation = relations->RelationByItem(item))
        if (TqzCustomDataController* pattern = relation->GetDetailDataController()) return pattern;
    TqzCustomDataController* found = nullptr;
    for (Integer r = 0; r < controller->GetRecordCount() && !found; ++r)
        ForEachClone(controller, r, [&](TqzCustomDataController* clone, Integer) {
            if (!found) found = FindPatternOfItem(clone, item);
        });
    return found;
}

} // namespace

TqzCustomDataController* TqzCustomDataController::FindPatternController() {
    if (!FMasterRelation) return this;
    return FindPatternOfItem(FindRootController(), FMasterRelation->GetItem());
}

void TqzCustomDataController::AttachToMaster(TqzCustomDataRelation* relation, Integer masterRecordIndex) {
    if (!relation && !FMasterRelation && masterRecordIndex == -1 && FMasterRecordIndex == -1) return;
    TqzUpdateLock lock(this);
    if (TqzCustomDataRelation* old = FMasterRelation) {
        if (old->GetDetailDataController() == this && masterRecordIndex == -1)
            old->SetDetailDataController(nullptr);
        else
            FProvider->SetRecordSource(nullptr);
        TqzCustomDataController* oldMaster = old->GetController();
        if (oldMaster->FCurrentDetail == this) oldMaster->FCurrentDetail = nullptr;
        if (FRelations) FRelations->Changed(nullptr);
    }
    SetMasterRelation(relation);
    if (relation) {
        if (masterRecordIndex == -1) {
            relation->SetDetailDataController(this);
            relation->Changed();
        } else {
            if (TqzCustomDataController* pattern = relation->GetDetailDataController())
                FProvider->SetRecordSource(pattern->GetProvider()->GetRecordSource());
            relation->GetController()->FCurrentDetail = this;
        }
    }
    FMasterRecordIndex = masterRecordIndex;
    LayoutChanged(2);
}

void TqzCustomDataController::SetPatternMode(bool value) {
    const bool wasPattern = DetailKind() == dkPattern;
    FPatternMode = value;
    if (wasPattern != (DetailKind() == dkPattern) && !IsOwnerDestroying()) StructureChangedUpdate();
}

void TqzCustomDataController::DetailDataChanged(TqzCustomDataRelation*) {
    if (FDestroying) return;
    Change(2);
}

// ---- Detail state per master record --------------------------------------------------------------

TqzCustomDataController* TqzCustomDataController::DetailLinkOf(Integer recordIndex, Integer relationIndex) {
    if (!FRelations) return nullptr;
    TqzDetailObject* object = FRelations->DetailObject(recordIndex);
    if (!object) return nullptr;
    TqzCustomDataController* link = object->DetailController(relationIndex);
    if (!link && !FCreatingDetail && relationIndex >= 0 && relationIndex < FRelations->GetCount()) {
        TqzCustomDataController* pattern = FRelations->GetItems(relationIndex)->GetDetailDataController();
        const bool patternWasCreating = pattern && pattern->FCreatingDetail;
        FCreatingDetail = true;
        if (pattern) pattern->FCreatingDetail = true;
        const TLivenessToken patternAlive = pattern ? pattern->LivenessToken() : TLivenessToken();
        try {
            link = MakeDetailController(relationIndex, recordIndex);
        } catch (...) {
            FCreatingDetail = false;
            if (pattern && patternAlive) pattern->FCreatingDetail = patternWasCreating;
            throw;
        }
        FCreatingDetail = false;
        if (pattern && patternAlive) pattern->FCreatingDetail = patternWasCreating;
        FCurrentDetail = nullptr;
        if (link) {
            // The record or its detail object may have gone while the clone was made.
            if (!IsStoredRecord(this, recordIndex) || FRelations->DetailObject(recordIndex) != object) {
                delete link;
                link = nullptr;
            } else {
                object->SetDetailController(relationIndex, link);
            }
        }
    }
    if (!link && !FRetryingDetail && !FCreatingDetail) {
        FRetryingDetail = true;
        try {
            link = DetailLinkOf(recordIndex, relationIndex);
        } catch (...) {
            FRetryingDetail = false;
            throw;
        }
        FRetryingDetail = false;
    }
    return link;
}

TqzCustomDataController* TqzCustomDataController::DetailControllerOf(Integer recordIndex, Integer relationIndex) {
    TqzCustomDataController* link = DetailLinkOf(recordIndex, relationIndex);
    return link ? ControllerOfDetailLink(link) : nullptr;
}

bool TqzCustomDataController::HasDetailController(Integer recordIndex, Integer relationIndex) {
    return FRelations && FRelations->HasDetails(recordIndex, relationIndex);
}

Integer TqzCustomDataController::ActiveRelationOf(Integer recordIndex) {
    if (!FRelations || FRelations->GetCount() == 0) return -1;
    TqzDetailObject* object = FRelations->DetailObject(recordIndex);
    return object ? object->ActiveRelationIndex : -1;
}

void TqzCustomDataController::SetActiveRelationOf(Integer recordIndex, Integer relationIndex) {
    if (ActiveRelationOf(recordIndex) == relationIndex) return;
    PrepareDetailChange();
    TqzDetailObject* object = FRelations ? FRelations->DetailObject(recordIndex) : nullptr;
    if (!object) return;
    object->ActiveRelationIndex = relationIndex;
    Change(16);
}

bool TqzCustomDataController::IsDetailExpanded(Integer recordIndex) {
    if (!FRelations) return false;
    TqzDetailObject* object = FRelations->DetailObject(recordIndex);
    return object && object->Expanded;
}

bool TqzCustomDataController::SetDetailExpanded(Integer recordIndex, bool expanded) {
    if (FChangingExpanding) return false;
    const bool current = IsStoredRecord(this, recordIndex) && IsDetailExpanded(recordIndex);
    if (current == expanded) return false;
    FChangingExpanding = true;
    try {
        PrepareDetailChange();
        TqzDetailObject* object =
            IsStoredRecord(this, recordIndex) && FRelations ? FRelations->DetailObject(recordIndex) : nullptr;
        if (!object || !CanChangeDetailExpanding(recordIndex, expanded)) {
            FChangingExpanding = false;
            return false;
        }
        object->Expanded = expanded;
        bool masterLocked = false;
        for (TqzCustomDataController* master = GetMaster(); master && !masterLocked; master = master->GetMaster())
            masterLocked = master->GetLockCount() != 0;
        if (!masterLocked) Change(16);
        if (expanded)
            FireDetailExpanded(recordIndex);
        else
            FireDetailCollapsed(recordIndex);
    } catch (...) {
        FChangingExpanding = false;
        throw;
    }
    FChangingExpanding = false;
    return true;
}

bool TqzCustomDataController::CanChangeDetailExpanding(Integer recordIndex, bool expanded) {
    bool allow = true;
    if (expanded)
        FireDetailExpanding(recordIndex, allow);
    else
        FireDetailCollapsing(recordIndex, allow);
    return allow;
}

void TqzCustomDataController::FireDetailExpanding(Integer recordIndex, bool& allow) {
    OnDetailExpanding(this, recordIndex, allow);
}
void TqzCustomDataController::FireDetailExpanded(Integer recordIndex) { OnDetailExpanded(this, recordIndex); }
void TqzCustomDataController::FireDetailCollapsing(Integer recordIndex, bool& allow) {
    OnDetailCollapsing(this, recordIndex, allow);
}
void TqzCustomDataController::FireDetailCollapsed(Integer recordIndex) { OnDetailCollapsed(this, recordIndex); }

void TqzCustomDataController::DropDetailLinks(Integer recordIndex, Integer relationIndex) {
    if (!FRelations || !FRelations->HasDetails(recordIndex, relationIndex)) return;
    if (FCurrentDetail)
        ForEachClone(this, recordIndex, [&](TqzCustomDataController* clone, Integer i) {
            if (clone == FCurrentDetail && (relationIndex == -1 || relationIndex == i)) FCurrentDetail = nullptr;
        });
    FRelations->ClearDetails(recordIndex, relationIndex);
    Change(16);
}

void TqzCustomDataController::DropAllDetailLinks() {
    TqzUpdateLock lock(this);
    for (Integer r = 0; r < GetRecordCount(); ++r) DropDetailLinks(r, -1);
}

void TqzCustomDataController::CollapseAllDetails() {
    PrepareDetailChange();
    TqzUpdateLock lock(this);
    if (!FRelations) return;
    for (Integer r = 0; r < GetRecordCount(); ++r) {
        DropDetailLinks(r, -1);
        TqzDetailObject* object = FRelations->DetailObject(r);
        if (object && object->Expanded) {
            object->Expanded = false;
            Change(16);
        }
    }
}

void TqzCustomDataController::CollectDetailChangeMarks() {
    if (!FRelations) return;
    bool any = false;
    for (Integer r = 0; r < GetRecordCount(); ++r) {
        if (!FRelations->HasDetails(r, -1)) continue;
        TqzDetailObject* object = FRelations->DetailObject(r);
        if (object && object->TakeChangedMarks()) any = true;
    }
    if (any) Change(1);
}

void TqzCustomDataController::ClearRelationDetails(TqzCustomDataRelation* relation) {
    const Integer index = relation->GetIndex();
    for (Integer r = 0; r < GetRecordCount(); ++r)
        ForEachClone(this, r, [&](TqzCustomDataController* clone, Integer i) {
            if (i == index) clone->SetMasterRelation(nullptr);
        });
}

void TqzCustomDataController::ResetClonesOfItem(TObject* item) {
    if (FRelations && FRelations->RelationByItem(item)) {
        DropAllDetailLinks();
        return;
    }
    for (Integer r = 0; r < GetRecordCount(); ++r)
        ForEachClone(this, r, [&](TqzCustomDataController* clone, Integer) { clone->ResetClonesOfItem(item); });
}

// ---- Keeping details right -----------------------------------------------------------------------

void TqzCustomDataController::ShiftDetailsAfterInsert(Integer recordIndex) {
    for (Integer r = recordIndex + 1; r < GetRecordCount(); ++r)
        ForEachClone(this, r, [](TqzCustomDataController* clone, Integer) { ++clone->FMasterRecordIndex; });
}

void TqzCustomDataController::ShiftDetailsAfterDelete(Integer recordIndex) {
    if (recordIndex < 0) return;
    EndEditIfRecordAffected(recordIndex);
    for (Integer r = recordIndex; r < GetRecordCount(); ++r)
        ForEachClone(this, r, [](TqzCustomDataController* clone, Integer) { --clone->FMasterRecordIndex; });
}

bool TqzCustomDataController::NotifyDetailsBeforeFocusChange() {
    for (Integer r = 0; r < GetRecordCount(); ++r)
        ForEachClone(this, r, [](TqzCustomDataController* clone, Integer) { clone->PrepareDetailChange(); });
    return true;
}

void TqzCustomDataController::FocusDetailsOfMaster(Integer recordIndex) {
    const Integer active = ActiveRelationOf(recordIndex);
    ForEachClone(this, recordIndex, [&](TqzCustomDataController* clone, Integer i) {
        if (i != active) return;
        if (clone->GetFocusedRowIndex() < 0 && !clone->IsNewItemRowFocused() && clone->GetRowCount() > 0)
            clone->SetFocusedRowIndex(0);
    });
}

void TqzCustomDataController::FocusDetailsOfFocusedRecord() {
    const bool saved = FSyncingDetails;
    FSyncingDetails = true;
    try {
        FocusDetailsOfMaster(GetFocusedRecordIndex());
    } catch (...) {
        FSyncingDetails = saved;
        throw;
    }
    FSyncingDetails = saved;
}

void TqzCustomDataController::LeaveMaster() {
    if (!FMasterRelation || !FMasterRelationAlive) return;
    if (FMasterRelation->GetDetailDataController() == this) FMasterRelation->SetDetailDataController(nullptr);
    TqzCustomDataController* master = FMasterRelation->GetController();
    if (master->FCurrentDetail == this) master->FCurrentDetail = nullptr;
    SetMasterRelation(nullptr);
}

void TqzCustomDataController::VisitDetailControllers(TqzCustomDataRelation* relation,
                                                     const TqzDetailVisitProc& callback, void* data) {
    if (!relation) return;
    std::vector<Integer> chain;
    TqzCustomDataController* root = nullptr;
    for (TqzCustomDataRelation* r = relation; r; r = r->GetController()->GetMasterRelation()) {
        chain.insert(chain.begin(), r->GetIndex());
        root = r->GetController();
    }
    std::vector<TqzCustomDataController*> level{root};
    for (Integer relationIndex : chain) {
        std::vector<TqzCustomDataController*> next;
        for (TqzCustomDataController* controller : level) {
            for (Integer r = 0; r < controller->GetRecordCount(); ++r) {
                TqzCustomDataController* clone = nullptr;
                ForEachClone(controller, r, [&](TqzCustomDataController* c, Integer i) {
                    if (i == relationIndex) clone = c;
                });
                // A clone being made is the master's current detail before it is stored.
                TqzCustomDataController* current = controller->FCurrentDetail;
                if (!clone && current && current->FMasterRecordIndex == r &&
                    current->FMasterRelation && current->FMasterRelation->GetIndex() == relationIndex)
                    clone = current;
                if (clone && std::find(next.begin(), next.end(), clone) == next.end()) next.push_back(clone);
            }
        }
        level.swap(next);
    }
    for (TqzCustomDataController* clone : level) callback(clone, data);
}

// ---- Expanded details kept by key ----------------------------------------------------------------

void TqzDetailKeys::CollectKeys() {
    TqzCustomDataController* c = FController;
    if (!c->HasRelations()) return;
    for (Integer r = 0; r < c->GetRecordCount(); ++r) {
        if (!c->IsDetailExpanded(r)) continue;
        auto* key = new TqzDetailKeyInfo();
        FKeys.push_back(key);
        key->Key = KeyOf(r);
        key->RelationIndex = c->ActiveRelationOf(r);
        key->SubSave = std::make_unique<TqzSaveObject>();
        if (!c->HasDetailController(r, key->RelationIndex)) continue;
        TqzCustomDataController* detail = c->DetailControllerOf(r, key->RelationIndex);
        if (detail && detail->InheritsFrom(c->ClassType())) key->SubSave->SaveState(detail);
    }
}

void TqzDetailKeys::ApplyKeys() {
    TqzCustomDataController* c = FController;
    for (Integer r = 0; r < c->GetRecordCount(); ++r) {
        Integer index;
        if (!FindKey(r, index)) continue;
        auto* key = static_cast<TqzDetailKeyInfo*>(FKeys[std::size_t(index)]);
        c->SetDetailExpanded(r, true);
        c->SetActiveRelationOf(r, key->RelationIndex);
        if (!key->SubSave || !c->IsDetailExpanded(r) || c->ActiveRelationOf(r) != key->RelationIndex) continue;
        TqzCustomDataController* detail = c->DetailControllerOf(r, key->RelationIndex);
        if (!detail || !detail->InheritsFrom(c->ClassType())) continue;
        SelectKeptRecords(detail, key->SubSave->GetSelectedKeys());
        key->SubSave->RestoreState(detail);
    }
}

void TqzDetailKeys::SelectKeptRecords(TqzCustomDataController* detail, TqzSelectedKeys* keys) {
    // A detail made afresh has no selection for the kept keys to go back into: its rows of the
    // kept records are selected first, in the order of the rows.
    if (keys->Count() == 0 || detail->GetInfo()->GetSelectedCount() != 0 || !detail->HasRecordKeys()) return;
    keys->Bind(detail);
    std::vector<Integer> rows;
    for (Integer r = 0; r < detail->GetRecordCount(); ++r) {
        Integer index;
        if (keys->FindKey(r, index)) rows.push_back(detail->GetInfo()->RowOfRecord(r, true));
    }
    std::sort(rows.begin(), rows.end());
    for (Integer row : rows)
        if (row >= 0) detail->GetInfo()->ChangeRowSelection(row, true);
}

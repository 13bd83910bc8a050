// The lookup editor over data sets: the list is a data-set data controller over a list data set,
// the edit value is the key of the chosen list record (the values of KeyFieldNames) and the text is
// that record's text in the list column. An editor bound to a lookup field takes list data set,
// key and list field from the field, and those properties then refuse to be set by hand. In grid
// mode the texts of keys are cached.
#pragma once

#include <memory>

#include "platform/classlib/DB.h"
#include "suite/data/qzDBData.h"
#include "suite/data/qzDBEdit.h"
#include "suite/data/qzDataStorage.h"
#include "suite/data/qzLookupEdit.h"
#include "suite/foundation/qzClasses.h"

extern const char* const sqzPropertyDefinedByLookupField; // "Property already defined by lookup field"
extern const char* const sqzCircularDataLink;             // "Circular datalinks are not allowed"

class TqzCustomDBLookupEditLookupData : public TqzCustomLookupEditLookupData {
    KOV_CLASS(TqzCustomDBLookupEditLookupData, TqzCustomLookupEditLookupData)
public:
    using TqzCustomLookupEditLookupData::TqzCustomLookupEditLookupData;
    // The record's key values; Null for -1 or without a list.
    void SetCurrentKeyFromRecord(Integer recordIndex) override;
    // The key located in the list.
    void FocusCurrentKeyRecord() override;
};

class TqzCustomDBLookupEditProperties : public TqzCustomLookupEditProperties {
    KOV_CLASS(TqzCustomDBLookupEditProperties, TqzCustomLookupEditProperties)
public:
    explicit TqzCustomDBLookupEditProperties(TPersistent* owner);
    ~TqzCustomDBLookupEditProperties() override;

    void Assign(TPersistent* source) override;

    // ---- Overrides ----
    void Changed() override;
    TClass GetContainerClass() const override;
    void ReleaseDefaultValuesProvider() override;
    TAlignment GetDefaultHorzAlignment() override;
    Integer GetDefaultMaxLength() override;
    Integer GetEditValueSource(bool editing) override;
    TClass GetLookupDataClass() const override;
    Integer FindByText(Integer item, const String& text, bool partial) override;
    Integer GetListFieldIndex() override;
    String GetDisplayText(const Variant& key) override;
    bool UsesIncrementalFiltering() override;
    Variant GetNullKey() override;
    bool IsKeyTheListField() override;
    void BeginListNotifyLock() override;
    void SetListFieldIndex(Integer value) override;
    void EndListNotifyLock() override;
    bool IsLookupFieldBound() override { return FBoundLookupField != nullptr; }
    TqzCustomDataController* GetListDataController() override { return GetListDBDataController(); }

    // ---- Virtual operations added, in slot order ----
    virtual void BeginListColumnsUpdate() {}
    virtual void AddListColumnIfMissing(const String& fieldName) {}
    virtual void SetListColumnsByNames(const String& names) {}
    virtual void EndListColumnsUpdate() {}
    virtual TField* GetListColumnField(Integer index) { return nullptr; }
    virtual String GetListColumnFieldName(Integer index) { return String(); }
    virtual Integer FindListColumnByFieldName(const String& name) { return -1; }
    virtual TqzDBDataController* GetListDBDataController() { return nullptr; }
    virtual void BindLookupField();
    virtual void ApplyLookupResultField();
    virtual void LookupFieldFreed(TObject* sender, TComponent* component) { BindLookupField(); }

    // ---- Published ----
    String GetKeyFieldNames();
    void SetKeyFieldNames(const String& value);
    String GetListFieldNames();
    void SetListFieldNames(const String& value);
    Integer GetListFieldIndexValue() { return GetListFieldIndex(); }
    void SetListFieldIndexValue(Integer value) { SetListFieldIndex(value); }
    bool GetGridMode() const { return FLookupTextCache != nullptr; }
    void SetGridMode(bool value);

    // The field of the list column at the list index.
    TField* GetListField();
    TDataSet* GetListDataSet();
    // The editor's data field (from its data-set defaults provider) and its lookup field.
    TField* GetEditorField();
    TField* GetEditorLookupField();
    TField* GetBoundLookupField() const { return FBoundLookupField; }
    TqzLookupList* GetLookupTextCache() const { return FLookupTextCache.get(); }
    // Raises "Circular datalinks are not allowed" when the list data set is reached from the
    // editor's data set.
    void CheckCircularDataLink(TDataSource* listSource);
    bool IsInternalAssign() const { return FInternalAssign; }

protected:
    // "Property already defined by lookup field" while a lookup field defines the properties.
    void CheckNotDefinedByLookupField();

    Integer FLocateLockCount = 0;
    TField* FBoundLookupField = nullptr;
    std::unique_ptr<TqzLookupList> FLookupTextCache;
    std::unique_ptr<TDataSource> FLookupFieldSource;
    std::unique_ptr<TqzFreeNotificator> FLookupFieldWatch;
    bool FInternalAssign = false;

private:
    bool FInChanged = false;
};

class TqzCustomDBLookupEdit : public TqzCustomLookupEdit {
    KOV_CLASS(TqzCustomDBLookupEdit, TqzCustomLookupEdit)
public:
    explicit TqzCustomDBLookupEdit(TComponent* owner);
    TqzCustomDBLookupEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCustomDBLookupEditProperties::StaticClass(); }
    bool AcceptsChar(char32_t ch) override;
    Variant ItemIndexToLookupKey(Integer index) override;
    Variant LookupKeyToEditValue(const Variant& key) override { return key; }
    Integer LookupKeyToItemIndex(const Variant& key) override;

    TqzCustomDBLookupEditProperties* GetActiveDBLookupProperties();

protected:
    TqzCustomDBLookupEdit(TComponent* owner, bool isInplace, bool deferInitialization);
};

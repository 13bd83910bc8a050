// The in-memory data set: records kept in the process, in the order they were appended or
// inserted, created empty from field definitions and filled by the program. It needs no
// connection; closing it drops its records.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/classlib/DB.h"

class TMemDataSet : public TDataSet {
    KOV_CLASS(TMemDataSet, TDataSet)
public:
    explicit TMemDataSet(TComponent* owner);
    ~TMemDataSet() override;

    // Opens an empty data set. Without field definitions they are made from the data fields
    // first. Raises "Cannot perform this operation on an open dataset" when open.
    void CreateDataSet();
    // Deletes every record (after posting or cancelling an edit).
    void EmptyDataSet();

    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

    // Raise "Cannot perform this operation on a closed dataset" when closed.
    Integer GetRecordCount() const override;
    Integer GetRecNo() const override;
    // Moves to the record of that number; a number outside 1..RecordCount changes nothing.
    void SetRecNo(Integer value) override;
    bool IsSequenced() const override { return true; }
    bool BookmarkValid(const TBookmark& bookmark) const override;
    // Key values: one value for one field, a variant array for several (LocateKeyMatches in
    // DBFilter.h compares them). Only records that pass Filtered are searched.
    bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) override;
    bool FindRecord(bool restart, bool goForward) override;

protected:
    bool IsCursorOpen() const override { return FCursorOpen; }
    void InternalOpen() override;
    void InternalClose() override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(const TRecordBuffer& buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalPost() override;
    void InternalDelete() override;
    bool IsCanModify() const override { return !FReadOnly; }
    Integer DoCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const override;
    Variant GetStoredFieldValue(const TField* field, TDataSetState state) const override;

private:
    struct TMemRecord {
        Int64 Id = 0;
        std::vector<Variant> Values;
    };

    void InitFieldDefsFromFields();
    static TBookmark BookmarkOf(Int64 id);
    static Int64 IdOf(const TBookmark& bookmark);
    // The position of the record; -1 when there is none.
    Integer IndexOfId(Int64 id) const;
    Integer IndexOfBookmark(const TBookmark& bookmark) const;
    void FillBuffer(TRecordBuffer& buffer, Integer index) const;
    // Whether the record at `index` passes the filter; `buffer` then holds it.
    bool AcceptRecord(Integer index, TRecordBuffer& buffer);
    // The first record passing the filter whose key fields match; -1 when none.
    Integer FindKeyRecord(const std::vector<TField*>& fields, const Variant& keyValues,
                          TLocateOptions options, TRecordBuffer& buffer);
    void RecordsChanged() { FIndexValid = false; }

    std::vector<std::unique_ptr<TMemRecord>> FRecords;
    mutable std::unordered_map<Int64, Integer> FIndex; // record id -> position
    mutable bool FIndexValid = false;
    Integer FCursor = -1;              // -1 before the first record, the count after the last
    Int64 FNextId = 1;                 // never reused, so a bookmark never names another record
    std::vector<Int64> FAutoIncValues; // the last number given, per column
    bool FCursorOpen = false;
    bool FReadOnly = false;
};

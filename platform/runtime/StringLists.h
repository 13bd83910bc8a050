// Lists of strings: the abstract TStrings that every list of lines in the program presents (a
// memo's lines, a combo box's items, a settings list), and TStringList, which holds its strings
// itself, can keep them sorted and reports its changes.
//
// Strings are bytes (UTF-8 text as a rule) and are never re-encoded; comparisons use the Unicode
// case table of the runtime, never the machine's locale.
#pragma once

#include <functional>
#include <vector>

#include "platform/runtime/Closures.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    KOV_CLASS(TStrings, TPersistent)
public:
    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    // ---- What a descendant provides ----
    virtual Integer GetCount() const = 0;
    virtual void Clear() = 0;
    virtual void Delete(Integer index) = 0;
    // 0 <= index <= Count.
    virtual void Insert(Integer index, const String& s) = 0;

    // ---- Adding, finding and moving ----
    // Returns the index the string got.
    virtual Integer Add(const String& s);
    virtual Integer AddObject(const String& s, TObject* object);
    void Append(const String& s) { Add(s); }
    // Adds every string of `strings` with its object.
    virtual void AddStrings(TStrings* strings);
    virtual void InsertObject(Integer index, const String& s, TObject* object);
    virtual void Exchange(Integer index1, Integer index2);
    // The string moves with its object to newIndex.
    virtual void Move(Integer curIndex, Integer newIndex);
    // The first string equal to `s` under CompareStrings; -1 when there is none.
    virtual Integer IndexOf(const String& s) const;
    // The first line whose name (the text before the first NameValueSeparator) equals `name`
    // under CompareStrings; a line without the separator has no name. -1 when there is none.
    virtual Integer IndexOfName(const String& name) const;
    virtual Integer IndexOfObject(TObject* object) const;
    // Same count and the same strings, byte for byte (objects are not compared).
    bool Equals(TStrings* strings) const;

    // From another TStrings: every string with its object, replacing the contents. Other
    // sources go to TPersistent.
    void Assign(TPersistent* source) override;

    // ---- Updates ----
    // Changes between the outermost BeginUpdate and its EndUpdate are reported once
    // (SetUpdateState(true) at the start, SetUpdateState(false) at the end).
    void BeginUpdate();
    void EndUpdate();
    Integer GetUpdateCount() const { return FUpdateCount; }

    // ---- Files and streams ----
    // Reads the rest of the stream (bytes as they are) as Text.
    virtual void LoadFromStream(TStream* stream);
    // Writes Text.
    virtual void SaveToStream(TStream* stream);
    // Raise the file stream's EFOpenError / EFCreateError when the file cannot be opened.
    virtual void LoadFromFile(const String& fileName);
    virtual void SaveToFile(const String& fileName);

    // ---- Properties ----
    String GetStrings(Integer index) const { return Get(index); }
    void SetStrings(Integer index, const String& s) { Put(index, s); }
    TObject* GetObjects(Integer index) const { return GetObject(index); }
    void SetObjects(Integer index, TObject* object) { PutObject(index, object); }
    virtual Integer GetCapacity() const { return GetCount(); }
    virtual void SetCapacity(Integer value) {}

    // Every line ended by CR LF ("" for no lines).
    virtual String GetText() const;
    // Replaces the lines with those of `value`, split at CR LF, LF or CR; a line end at the very
    // end does not start another line.
    virtual void SetText(const String& value);

    // The name part of the line at `index`: the text before the first NameValueSeparator, ""
    // when the line has none.
    String GetName(Integer index) const;
    // The text after the separator in the line IndexOfName(name) finds; "" when none does.
    String GetValue(const String& name) const;
    // Replaces the value of that line, adding "name=value" when there is none; "" deletes the
    // line.
    void SetValue(const String& name, const String& value);
    // The text after the separator of the line at `index`; "" when it has none.
    String GetValueFromIndex(Integer index) const;
    // Sets the value of the line at `index` (keeping its name); "" deletes the line, and an
    // index below 0 adds a line.
    void SetValueFromIndex(Integer index, const String& value);
    char GetNameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char value) { FNameValueSeparator = value; }

    // The strings joined by Delimiter. A string is quoted with QuoteChar (inner quotes doubled)
    // when it holds the delimiter, the quote or, unless StrictDelimiter, a blank or control
    // character. A single empty string gives two quotes.
    String GetDelimitedText() const;
    // Replaces the strings with the fields of `value`: a field in quotes may hold anything;
    // unquoted fields end at the delimiter and, unless StrictDelimiter, at a blank or control
    // character; blanks around fields are skipped unless StrictDelimiter.
    void SetDelimitedText(const String& value);
    char GetDelimiter() const { return FDelimiter; }
    void SetDelimiter(char value) { FDelimiter = value; }
    char GetQuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char value) { FQuoteChar = value; }
    bool GetStrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool value) { FStrictDelimiter = value; }
    // DelimitedText with ',' and '"', not strict, whatever the list's own settings.
    String GetCommaText() const;
    void SetCommaText(const String& value);

protected:
    // Raises EStringListError with `message`, its "%d" replaced by `data`.
    [[noreturn]] static void Error(const String& message, Integer data);

    virtual String Get(Integer index) const = 0;
    // The base replaces the string by deleting and inserting it again with its object.
    virtual void Put(Integer index, const String& s);
    // The base keeps no objects: nullptr, and storing does nothing.
    virtual TObject* GetObject(Integer index) const;
    virtual void PutObject(Integer index, TObject* object);
    // Called as the outermost update starts (true) and ends (false).
    virtual void SetUpdateState(bool updating) {}
    // How IndexOf, IndexOfName and the sorted lists compare: here AnsiCompareText.
    virtual Integer CompareStrings(const String& s1, const String& s2) const;

private:
    String FormatDelimited(char delimiter, char quote, bool strict) const;
    void ParseDelimited(const String& value, char delimiter, char quote, bool strict);
    // Puts a name=value line in place of the line at `index`.
    void ReplaceLine(Integer index, const String& line);

    Integer FUpdateCount = 0;
    char FNameValueSeparator = '=';
    char FDelimiter = ',';
    char FQuoteChar = '"';
    bool FStrictDelimiter = false;
};

class TStringList;

// < 0 when the string at index1 sorts before the one at index2, 0 alike, > 0 after.
using TStringListSortCompare = std::function<Integer(TStringList* list, Integer index1, Integer index2)>;

class TStringList : public TStrings {
    KOV_CLASS(TStringList, TStrings)
public:
    TStringList() = default;
    // Frees the list without firing OnChanging or OnChange. The objects are not freed.
    ~TStringList() override;

    Integer GetCount() const override { return Integer(FList.size()); }
    void Clear() override;
    // Raises EStringListError "List index out of bounds (%d)".
    void Delete(Integer index) override;
    // A sorted list raises EStringListError "Operation not allowed on sorted list".
    void Insert(Integer index, const String& s) override;
    void InsertObject(Integer index, const String& s, TObject* object) override;
    // A sorted list puts the string in its place. When an equal string is there already,
    // Duplicates decides: dupIgnore adds nothing and returns the existing index, dupError
    // raises EStringListError "String list does not allow duplicates", dupAccept adds it.
    // An unsorted list always appends.
    Integer Add(const String& s) override;
    Integer AddObject(const String& s, TObject* object) override;
    // Exchange and Move raise "Operation not allowed on sorted list" on a sorted list.
    void Exchange(Integer index1, Integer index2) override;
    void Move(Integer curIndex, Integer newIndex) override;
    // A sorted list searches with Find.
    Integer IndexOf(const String& s) const override;

    // Binary search of a sorted list: true when `s` is there; `index` is then its position
    // (with dupAccept the first of the equal strings), otherwise the position where it would
    // go.
    bool Find(const String& s, Integer& index) const;
    // Sorts an unsorted list with CompareStrings (a sorted list is in order already).
    virtual void Sort();
    // Sorts an unsorted list with `compare`; nothing on a sorted list.
    virtual void CustomSort(const TStringListSortCompare& compare);

    Integer GetCapacity() const override { return FCapacity; }
    // Raises EStringListError "List capacity out of bounds (%d)" below Count.
    void SetCapacity(Integer value) override;

    bool GetSorted() const { return FSorted; }
    // Switching it on sorts the list.
    void SetSorted(bool value);
    TDuplicates GetDuplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool GetCaseSensitive() const { return FCaseSensitive; }
    // A sorted list is sorted again under the new rule.
    void SetCaseSensitive(bool value);

    // Fired before and after every change; inside BeginUpdate/EndUpdate once, at the
    // outermost BeginUpdate and EndUpdate.
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    String Get(Integer index) const override;
    // A sorted list raises "Operation not allowed on sorted list".
    void Put(Integer index, const String& s) override;
    TObject* GetObject(Integer index) const override;
    void PutObject(Integer index, TObject* object) override;
    void SetUpdateState(bool updating) override;
    // AnsiCompareStr when CaseSensitive, AnsiCompareText otherwise.
    Integer CompareStrings(const String& s1, const String& s2) const override;
    // Fire OnChanging / OnChange outside updates.
    virtual void Changing();
    virtual void Changed();
    // Inserts without checks, between Changing and Changed.
    virtual void InsertItem(Integer index, const String& s, TObject* object);

private:
    struct TStringItem {
        String FString;
        TObject* FObject = nullptr;
    };

    void CheckIndex(Integer index) const;
    void Grow();
    void QuickSort(const TStringListSortCompare& compare);

    std::vector<TStringItem> FList;
    Integer FCapacity = 0;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
};

#include "platform/runtime/StringLists.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/runtime/Lists.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"

namespace {

const char* const kListIndexError = "List index out of bounds (%d)";
const char* const kListCapacityError = "List capacity out of bounds (%d)";
const char* const kDuplicateString = "String list does not allow duplicates";
const char* const kSortedListError = "Operation not allowed on sorted list";

const char* const kLineBreak = "\r\n";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// BeginUpdate now, EndUpdate at the end of the scope. When the scope is left by an exception,
// an error of EndUpdate does not replace it.
class TUpdateScope {
public:
    explicit TUpdateScope(TStrings& strings) : FStrings(strings), FExceptions(std::uncaught_exceptions()) {
        FStrings.BeginUpdate();
    }
    ~TUpdateScope() noexcept(false) {
        if (std::uncaught_exceptions() == FExceptions) {
            FStrings.EndUpdate();
            return;
        }
        try {
            FStrings.EndUpdate();
        } catch (...) {
        }
    }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    TStrings& FStrings;
    int FExceptions;
};

// The text inside the quotes that start at `pos`, doubled quotes undoubled; `pos` ends after
// the closing quote, or at the end when the quote is never closed.
String ExtractQuoted(const String& value, std::size_t& pos, char quote) {
    String result;
    ++pos;
    while (pos < value.size()) {
        const char c = value[pos];
        if (c == quote) {
            if (pos + 1 < value.size() && value[pos + 1] == quote) {
                result += quote;
                pos += 2;
                continue;
            }
            ++pos;
            return result;
        }
        result += c;
        ++pos;
    }
    return result;
}

}  // namespace

// ---- TStrings ---------------------------------------------------------------------------------

void TStrings::Error(const String& message, Integer data) {
    throw EStringListError(StringReplace(message, "%d", IntToStr(data), rfReplaceAll));
}

Integer TStrings::Add(const String& s) {
    const Integer index = GetCount();
    Insert(index, s);
    return index;
}

Integer TStrings::AddObject(const String& s, TObject* object) {
    const Integer index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(TStrings* strings) {
    if (strings == nullptr) return;
    // Taken first, so that a list can add its own strings once.
    std::vector<std::pair<String, TObject*>> items;
    items.reserve(std::size_t(strings->GetCount()));
    for (Integer i = 0; i < strings->GetCount(); ++i) items.emplace_back(strings->Get(i), strings->GetObject(i));
    TUpdateScope update(*this);
    for (const auto& [s, object] : items) AddObject(s, object);
}

void TStrings::InsertObject(Integer index, const String& s, TObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Exchange(Integer index1, Integer index2) {
    TUpdateScope update(*this);
    const String s1 = Get(index1);
    TObject* object1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s1);
    PutObject(index2, object1);
}

void TStrings::Move(Integer curIndex, Integer newIndex) {
    if (curIndex == newIndex) return;
    TUpdateScope update(*this);
    const String s = Get(curIndex);
    TObject* object = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, object);
}

Integer TStrings::IndexOf(const String& s) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

Integer TStrings::IndexOfName(const String& name) const {
    for (Integer i = 0; i < GetCount(); ++i) {
        const String s = Get(i);
        const std::size_t separator = s.find(FNameValueSeparator);
        if (separator != String::npos && CompareStrings(s.substr(0, separator), name) == 0) return i;
    }
    return -1;
}

Integer TStrings::IndexOfObject(TObject* object) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (GetObject(i) == object) return i;
    return -1;
}

bool TStrings::Equals(TStrings* strings) const {
    if (strings == nullptr || strings->GetCount() != GetCount()) return false;
    for (Integer i = 0; i < GetCount(); ++i)
        if (Get(i) != strings->Get(i)) return false;
    return true;
}

void TStrings::Assign(TPersistent* source) {
    if (auto* strings = dynamic_cast<TStrings*>(source)) {
        if (strings == this) return;
        TUpdateScope update(*this);
        Clear();
        AddStrings(strings);
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream* stream) {
    String bytes;
    char buffer[65536];
    for (;;) {
        const Integer count = stream->Read(buffer, Integer(sizeof buffer));
        if (count <= 0) break;
        bytes.append(buffer, std::size_t(count));
    }
    SetText(bytes);
}

void TStrings::SaveToStream(TStream* stream) {
    const String text = GetText();
    constexpr std::size_t chunk = std::size_t(1) << 30;
    for (std::size_t pos = 0; pos < text.size(); pos += chunk)
        stream->WriteBuffer(text.data() + pos, Integer(std::min(chunk, text.size() - pos)));
}

void TStrings::LoadFromFile(const String& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

String TStrings::GetText() const {
    String result;
    for (Integer i = 0; i < GetCount(); ++i) {
        result += Get(i);
        result += kLineBreak;
    }
    return result;
}

void TStrings::SetText(const String& value) {
    TUpdateScope update(*this);
    Clear();
    std::size_t pos = 0;
    while (pos < value.size()) {
        const std::size_t end = value.find_first_of("\r\n", pos);
        if (end == String::npos) {
            Add(value.substr(pos));
            break;
        }
        Add(value.substr(pos, end - pos));
        pos = end;
        if (value[pos] == '\r') ++pos;
        if (pos < value.size() && value[pos] == '\n') ++pos;
    }
}

String TStrings::GetName(Integer index) const {
    const String s = Get(index);
    const std::size_t separator = s.find(FNameValueSeparator);
    return separator == String::npos ? String() : s.substr(0, separator);
}

String TStrings::GetValue(const String& name) const {
    const Integer index = IndexOfName(name);
    return index < 0 ? String() : GetValueFromIndex(index);
}

void TStrings::SetValue(const String& name, const String& value) {
    const Integer index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    const String line = name + FNameValueSeparator + value;
    if (index < 0)
        Add(line);
    else
        ReplaceLine(index, line);
}

String TStrings::GetValueFromIndex(Integer index) const {
    if (index < 0) return String();
    const String s = Get(index);
    const std::size_t separator = s.find(FNameValueSeparator);
    return separator == String::npos ? String() : s.substr(separator + 1);
}

void TStrings::SetValueFromIndex(Integer index, const String& value) {
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    if (index < 0)
        Add(FNameValueSeparator + value);
    else
        ReplaceLine(index, GetName(index) + FNameValueSeparator + value);
}

void TStrings::ReplaceLine(Integer index, const String& line) {
    // A sorted list does not take a string at a given place: the line goes to where it sorts.
    auto* list = dynamic_cast<TStringList*>(this);
    if (list == nullptr || !list->GetSorted()) {
        Put(index, line);
        return;
    }
    TUpdateScope update(*this);
    TObject* object = GetObject(index);
    Delete(index);
    AddObject(line, object);
}

String TStrings::FormatDelimited(char delimiter, char quote, bool strict) const {
    const Integer count = GetCount();
    if (count == 1 && Get(0).empty()) return String(2, quote);
    String result;
    for (Integer i = 0; i < count; ++i) {
        const String s = Get(i);
        const bool quoted = std::any_of(s.begin(), s.end(), [&](char c) {
            return c == delimiter || c == quote || (!strict && IsBlank(c));
        });
        if (i > 0) result += delimiter;
        result += quoted ? AnsiQuotedStr(s, quote) : s;
    }
    return result;
}

void TStrings::ParseDelimited(const String& value, char delimiter, char quote, bool strict) {
    TUpdateScope update(*this);
    Clear();
    const std::size_t size = value.size();
    std::size_t pos = 0;
    auto skipBlanks = [&] {
        if (!strict)
            while (pos < size && IsBlank(value[pos])) ++pos;
    };
    skipBlanks();
    while (pos < size) {
        String field;
        if (value[pos] == quote) {
            field = ExtractQuoted(value, pos, quote);
        } else {
            const std::size_t start = pos;
            while (pos < size && value[pos] != delimiter && (strict || !IsBlank(value[pos]))) ++pos;
            field = value.substr(start, pos - start);
        }
        Add(field);
        skipBlanks();
        if (pos < size && value[pos] == delimiter) {
            // A delimiter at the very end leaves one more, empty, field.
            if (pos + 1 == size) Add(String());
            ++pos;
            skipBlanks();
        }
    }
}

String TStrings::GetDelimitedText() const { return FormatDelimited(FDelimiter, FQuoteChar, FStrictDelimiter); }

void TStrings::SetDelimitedText(const String& value) {
    ParseDelimited(value, FDelimiter, FQuoteChar, FStrictDelimiter);
}

String TStrings::GetCommaText() const { return FormatDelimited(',', '"', false); }

void TStrings::SetCommaText(const String& value) { ParseDelimited(value, ',', '"', false); }

void TStrings::Put(Integer index, const String& s) {
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

TObject* TStrings::GetObject(Integer) const { return nullptr; }

void TStrings::PutObject(Integer, TObject*) {}

Integer TStrings::CompareStrings(const String& s1, const String& s2) const { return AnsiCompareText(s1, s2); }

// ---- TStringList ------------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::CheckIndex(Integer index) const {
    if (index < 0 || index >= GetCount()) Error(kListIndexError, index);
}

void TStringList::Grow() {
    const Integer delta = FCapacity > 64 ? FCapacity / 4 : FCapacity > 8 ? 16 : 4;
    SetCapacity(FCapacity + delta);
}

void TStringList::Changing() {
    if (GetUpdateCount() == 0) OnChanging(this);
}

void TStringList::Changed() {
    if (GetUpdateCount() == 0) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

void TStringList::Clear() {
    if (FList.empty()) return;
    Changing();
    FList.clear();
    FList.shrink_to_fit();
    FCapacity = 0;
    Changed();
}

void TStringList::Delete(Integer index) {
    CheckIndex(index);
    Changing();
    FList.erase(FList.begin() + index);
    Changed();
}

void TStringList::Insert(Integer index, const String& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(Integer index, const String& s, TObject* object) {
    if (FSorted) Error(kSortedListError, 0);
    if (index < 0 || index > GetCount()) Error(kListIndexError, index);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(Integer index, const String& s, TObject* object) {
    Changing();
    if (GetCount() == FCapacity) Grow();
    FList.insert(FList.begin() + index, TStringItem{s, object});
    Changed();
}

Integer TStringList::Add(const String& s) { return AddObject(s, nullptr); }

Integer TStringList::AddObject(const String& s, TObject* object) {
    Integer index = GetCount();
    if (FSorted && Find(s, index)) {
        if (FDuplicates == dupIgnore) return index;
        if (FDuplicates == dupError) Error(kDuplicateString, 0);
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Exchange(Integer index1, Integer index2) {
    if (FSorted) Error(kSortedListError, 0);
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FList[std::size_t(index1)], FList[std::size_t(index2)]);
    Changed();
}

void TStringList::Move(Integer curIndex, Integer newIndex) {
    if (curIndex == newIndex) return;
    // Checked before anything moves, so a refused move loses nothing.
    if (FSorted) Error(kSortedListError, 0);
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    TStringItem item = std::move(FList[std::size_t(curIndex)]);
    FList.erase(FList.begin() + curIndex);
    FList.insert(FList.begin() + newIndex, std::move(item));
    Changed();
}

Integer TStringList::IndexOf(const String& s) const {
    if (!FSorted) return TStrings::IndexOf(s);
    Integer index = -1;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const String& s, Integer& index) const {
    bool found = false;
    Integer low = 0;
    Integer high = GetCount() - 1;
    while (low <= high) {
        const Integer middle = low + (high - low) / 2;
        const Integer c = CompareStrings(FList[std::size_t(middle)].FString, s);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept) low = middle;
            }
        }
    }
    index = low;
    return found;
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, Integer index1, Integer index2) {
        return list->CompareStrings(list->FList[std::size_t(index1)].FString,
                                    list->FList[std::size_t(index2)].FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (FSorted || GetCount() < 2 || !compare) return;
    Changing();
    QuickSort(compare);
    Changed();
}

void TStringList::QuickSort(const TStringListSortCompare& compare) {
    kov_detail::QuickSort(
        0, GetCount() - 1, [&](Integer a, Integer b) { return compare(this, a, b); },
        [&](Integer a, Integer b) { std::swap(FList[std::size_t(a)], FList[std::size_t(b)]); });
}

void TStringList::SetCapacity(Integer value) {
    if (value < GetCount()) Error(kListCapacityError, value);
    FCapacity = value;
    if (value > Integer(FList.capacity())) FList.reserve(std::size_t(value));
}

void TStringList::SetSorted(bool value) {
    if (FSorted == value) return;
    if (value) Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (FCaseSensitive == value) return;
    FCaseSensitive = value;
    // The order of a sorted list depends on the rule: sort it again under the new one.
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

String TStringList::Get(Integer index) const {
    CheckIndex(index);
    return FList[std::size_t(index)].FString;
}

void TStringList::Put(Integer index, const String& s) {
    if (FSorted) Error(kSortedListError, 0);
    CheckIndex(index);
    Changing();
    FList[std::size_t(index)].FString = s;
    Changed();
}

TObject* TStringList::GetObject(Integer index) const {
    CheckIndex(index);
    return FList[std::size_t(index)].FObject;
}

void TStringList::PutObject(Integer index, TObject* object) {
    CheckIndex(index);
    Changing();
    FList[std::size_t(index)].FObject = object;
    Changed();
}

Integer TStringList::CompareStrings(const String& s1, const String& s2) const {
    return FCaseSensitive ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

namespace {
const bool kRegistered = (RegisterEnum<TDuplicates>("TDuplicates", {"dupIgnore", "dupAccept", "dupError"}), true);
}

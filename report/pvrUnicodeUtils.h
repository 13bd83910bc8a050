// The report engine's list of wide (UTF-16) text lines, each with an object reference. Memo
// texts live in it; stored window definitions keep it as UTF-8 lines under "UTF8".
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Components.h"
#include "platform/runtime/RtlTypes.h"

class TStream;
class TFiler;
class TReader;
class TWriter;

class TWideStrings : public TPersistent {
    KOV_CLASS(TWideStrings, TPersistent)
public:
    TWideStrings() = default;
    ~TWideStrings() override;
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    Integer GetCount() const { return Integer(FList.size()); }
    // An index out of range gives an empty text.
    WideString GetStrings(Integer index) const;
    // An index equal to Count appends; below 0 or above Count raises "Wide String Out of Bounds".
    void Put(Integer index, const WideString& s);
    void SetStrings(Integer index, const WideString& s) { Put(index, s); }
    // nullptr for an index out of range; a write out of range is ignored.
    TObject* GetObjects(Integer index) const;
    void SetObjects(Integer index, TObject* object);

    Integer Add(const WideString& s);
    Integer AddObject(const WideString& s, TObject* object);
    void Clear();
    // Raises EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
    void Delete(Integer index);
    // Case-sensitive; -1 when absent.
    Integer IndexOf(const WideString& s) const;

    // Every line followed by CR LF.
    WideString GetText() const;
    // Lines end at CR LF, a lone CR, a lone LF or U+2028; the text ends at a NUL.
    void SetText(const WideString& value);

    void Assign(TPersistent* source) override;

    // UTF-16 LE after FF FE, otherwise the remaining bytes as (UTF-8) text.
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const WideString& fileName);
    // FF FE, then the text as UTF-16 LE, so a saved text loads back as it was.
    void SaveToStream(TStream* stream);
    void SaveToFile(const WideString& fileName);

    void DefineProperties(TFiler* filer) override;

protected:
    void AssignTo(TPersistent* dest) override;

private:
    struct TLine {
        WideString Text;
        TObject* Object = nullptr;
    };
    void ReadUTF8(TReader* reader);
    void WriteUTF8(TWriter* writer);
    void ReadStrings(TReader* reader);

    std::vector<TLine> FList;
};

// The small XML model that carries the script engine's grammars and intermediate form: elements
// with a name, their attributes as one raw text, an integer for the host and child elements
// (text between tags is dropped), a document that owns the root element, and its reader and
// writer. Text is bytes; no encoding is declared or converted.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/Objects.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Streams.h"

// Attribute-value form: CR, LF, '"', '<', '>' and '&' become "&#<code>;"; everything else stays.
String EscapeXMLText(const String& text);
// Numeric references ("&#60;", "&#$3C;") become the byte of their low 8 bits and "&quot;" a
// double quote; named references and lone '&' stay. A reference without a closing ';' stays as
// written; one whose digits are no integer raises EConvertError.
String UnescapeXMLText(const String& text);
// Whether the readers of this format (this one and the report engine's) take `tag`, the text
// between '<' and '>', back as an element named `name`, empty or with a body as asked. A name
// or attribute text that does not (an empty name, one with a blank or a slash at its end, text
// ending in a slash on an element with children, '<' or '>') is refused by the writers.
bool XMLTagReadsBack(const String& tag, const String& name, bool empty);

class TkqXMLItem : public TObject {
    KOV_CLASS(TkqXMLItem, TObject)
public:
    TkqXMLItem() = default;
    TkqXMLItem(const TkqXMLItem&) = delete;
    TkqXMLItem& operator=(const TkqXMLItem&) = delete;
    // Frees the children, then leaves the parent's list.
    ~TkqXMLItem() override;

    // A new child at the end.
    TkqXMLItem* Add();
    // Moves an element (from wherever it is) to the end of the children. An element cannot
    // become a child of itself or of one of its descendants: that raises EInvalidOperation.
    void AddItem(TkqXMLItem* item);
    // As AddItem, placed at `index` (0 .. Count without the item); another index raises
    // EListError before anything moves.
    void InsertItem(Integer index, TkqXMLItem* item);
    void Clear();
    Integer Count() const { return FItems ? Integer(FItems->size()) : 0; }
    // Raises EListError outside 0 .. Count - 1.
    TkqXMLItem* Items(Integer index) const;
    // The first child so named (case-insensitive); -1 when none.
    Integer Find(const String& name) const;
    // The first child so named; a new child of that name when there is none.
    TkqXMLItem* FindItem(const String& name);
    // The unescaped value of a double-quoted attribute preceded by a space; "" when absent.
    String Prop(const String& name) const;
    TkqXMLItem* Root();
    // Becomes a deep copy of `source` (name, text, data and children); nullptr only frees the
    // children. `source` may be this element or one of its descendants.
    void Assign(TkqXMLItem* source);

    Integer Data = 0;
    String Name;
    TkqXMLItem* Parent = nullptr;
    String Text;

private:
    void Detach();
    std::unique_ptr<std::vector<TkqXMLItem*>> FItems;
};

class TkqXMLDocument : public TObject {
    KOV_CLASS(TkqXMLDocument, TObject)
public:
    TkqXMLDocument();
    ~TkqXMLDocument() override;

    // Raise Exception "Invalid file format" for malformed input; what was read stays.
    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName);

    bool AutoIndent = false;
    TkqXMLItem* Root;
};

// Reads tags from a stream in blocks; gives back its read-ahead when freed.
class TkqXMLReader : public TObject {
    KOV_CLASS(TkqXMLReader, TObject)
public:
    explicit TkqXMLReader(TStream* stream);
    ~TkqXMLReader() override;

    // The declaration; anything else first raises "Invalid file format".
    void ReadHeader();
    // The element and its subtree; a tag that is no element leaves just the name and text.
    void ReadRootItem(TkqXMLItem* item);

private:
    enum TReadResult { rrNotElement, rrEmpty, rrOpen };
    bool ReadChar(char& c);
    void ReadTag(String& name, String& text);
    TReadResult ReadItemTag(TkqXMLItem* item);

    TStream* FStream;
    Int64 FSize;
    Int64 FPosition;
    char FBuffer[4096];
    Integer FBufferCount = 0;
    Integer FBufferIndex = 0;
};

class TkqXMLWriter : public TObject {
    KOV_CLASS(TkqXMLWriter, TObject)
public:
    TkqXMLWriter(TStream* stream, bool autoIndent) : FStream(stream), FAutoIndent(autoIndent) {}

    void WriteHeader();
    // An element whose tag would not read back as written raises "Invalid file format".
    void WriteRootItem(TkqXMLItem* item);
    // Writes what is collected; WriteRootItem ends with it.
    void Flush();

private:
    void WriteLine(const String& line, Integer level);

    TStream* FStream;
    bool FAutoIndent;
    String FBuffer;
};

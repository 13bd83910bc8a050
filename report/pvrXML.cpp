#include "report/pvrXML.h"

#include <algorithm>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"

namespace {

const char* const SInvalidFileFormat = "Invalid file format";
// Nesting beyond this is refused as invalid: a hostile file must not exhaust the stack.
constexpr Integer MaxDepth = 512;

[[noreturn]] void InvalidFormat() { throw Exception(SInvalidFileFormat); }

// Byte-wise case folding keeps positions in the folded copy aligned with the original.
String AsciiUpper(String s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}
String AsciiLower(String s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

String VariantToXMLText(const Variant& value) {
    switch (VarType(value)) {
    case varSmallint:
    case varInteger:
    case varByte:
        return IntToStr(value.AsInteger());
    case varSingle:
    case varDouble:
    case varCurrency:
        return FloatToStr(value.AsExtended());
    case varDate:
        return DateToStr(value.AsDateTime());
    case varString:
    case varOleStr:
        return EscapeXMLText(value.AsString());
    case varBoolean:
        return value.AsBoolean() ? "1" : "0";
    default:
        return String();
    }
}

// ---------------------------------------------------------------------------------------------

TpvrXMLItem::~TpvrXMLItem() {
    ClearChildren();
    Detach();
}

void TpvrXMLItem::Detach() {
    if (Parent && Parent->FChildren) {
        auto& list = *Parent->FChildren;
        auto it = std::find(list.begin(), list.end(), this);
        if (it != list.end()) list.erase(it);
    }
    Parent = nullptr;
}

TpvrXMLItem* TpvrXMLItem::Child(Integer index) const {
    if (index < 0 || index >= ChildCount())
        throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return (*FChildren)[static_cast<size_t>(index)];
}

TpvrXMLItem* TpvrXMLItem::AddChild() {
    auto* item = new TpvrXMLItem;
    AppendChild(item);
    return item;
}

void TpvrXMLItem::AppendChild(TpvrXMLItem* item) {
    // Appending an element to itself or to one of its own descendants would make a cycle.
    for (TpvrXMLItem* p = this; p; p = p->Parent)
        if (p == item) throw EInvalidOperation("Cannot append an element to its own subtree");
    item->Detach();
    if (!FChildren) FChildren = std::make_unique<std::vector<TpvrXMLItem*>>();
    FChildren->push_back(item);
    item->Parent = this;
}

void TpvrXMLItem::InsertChild(Integer index, TpvrXMLItem* item) {
    AppendChild(item);
    auto& list = *FChildren;
    index = std::clamp<Integer>(index, 0, static_cast<Integer>(list.size()) - 1);
    list.pop_back();
    list.insert(list.begin() + index, item);
}

Integer TpvrXMLItem::IndexOfChild(const String& name) const {
    for (Integer i = 0; i < ChildCount(); ++i)
        if (AnsiSameText((*FChildren)[static_cast<size_t>(i)]->Name, name)) return i;
    return -1;
}

TpvrXMLItem* TpvrXMLItem::ChildByName(const String& name) {
    Integer i = IndexOfChild(name);
    if (i >= 0) return Child(i);
    TpvrXMLItem* item = AddChild();
    item->Name = name;
    return item;
}

Integer TpvrXMLItem::IndexOfItem(const TpvrXMLItem* item) const {
    if (!FChildren) return -1;
    auto it = std::find(FChildren->begin(), FChildren->end(), item);
    return it == FChildren->end() ? -1 : static_cast<Integer>(it - FChildren->begin());
}

void TpvrXMLItem::ClearChildren() {
    if (FChildren) {
        while (!FChildren->empty())
            delete FChildren->back(); // each removes itself
        FChildren.reset();
    }
    if (IsUnloadable) IsLoaded = false;
}

String TpvrXMLItem::Attr(const String& name) const {
    String hay = " " + AsciiUpper(AttrText);
    String key = " " + AsciiUpper(name) + "=\"";
    size_t p = hay.find(key);
    if (p == String::npos) return String();
    size_t start = p + key.size();
    size_t end = hay.find('"', start);
    if (end == String::npos) end = hay.size();
    // hay has one extra leading byte.
    try {
        return UnescapeXMLText(AttrText.substr(start - 1, end - start));
    } catch (const EConvertError&) {
        // A character reference without a number in it is damaged input, like any other.
        InvalidFormat();
    }
}

void TpvrXMLItem::SetAttr(const String& name, const String& value) {
    String hay = " " + AsciiUpper(AttrText);
    String key = " " + AsciiUpper(name) + "=\"";
    size_t p = hay.find(key);
    size_t at;
    if (p != String::npos) {
        at = p; // the name's position in AttrText (skipping the space, less the leading byte)
        size_t valueStart = p + key.size() - 1;
        size_t close = AttrText.find('"', valueStart);
        size_t stop = close == String::npos ? AttrText.size() : close + 1;
        AttrText.erase(at, stop - at);
    } else {
        at = AttrText.size();
    }
    String text = name + "=\"" + EscapeXMLText(value) + "\"";
    if (at > 0 && AttrText[at - 1] != ' ') text.insert(0, " ");
    AttrText.insert(at, text);
}

Int64 TpvrXMLItem::GetFileOffset() const {
    return (static_cast<Int64>(FOffsetHi) << 32) | static_cast<Int64>(static_cast<uint32_t>(FOffsetLo));
}

void TpvrXMLItem::SetFileOffset(Int64 value) {
    FOffsetHi = static_cast<Byte>((value >> 32) & 0xFF);
    FOffsetLo = static_cast<Integer>(static_cast<uint32_t>(value & 0xFFFFFFFF));
}

// ---------------------------------------------------------------------------------------------

TpvrXMLReader::TpvrXMLReader(TStream* stream)
    : FStream(stream), FSize(stream->GetSize()), FPosition(stream->GetPosition()) {}

TpvrXMLReader::~TpvrXMLReader() {
    try {
        FStream->SetPosition(FPosition);
    } catch (...) {
    }
}

void TpvrXMLReader::SetPosition(Int64 position) {
    FPosition = std::clamp<Int64>(position, 0, FSize);
    FStream->SetPosition(FPosition);
    FBufferCount = 0;
    FBufferIndex = 0;
}

bool TpvrXMLReader::NextByte(char& c) {
    if (FPosition >= FSize) return false;
    if (FBufferIndex >= FBufferCount) {
        FBufferCount = FStream->Read(FBuffer, sizeof(FBuffer));
        FBufferIndex = 0;
        if (FBufferCount <= 0) {
            FBufferCount = 0;
            FPosition = FSize; // a stream shorter than it claimed ends here
            return false;
        }
    }
    c = FBuffer[FBufferIndex++];
    ++FPosition;
    return true;
}

void TpvrXMLReader::ReadTag(String& name, String& attrText) {
    name.clear();
    attrText.clear();
    String tag;
    char c;
    for (;;) {
        // Outside a tag.
        bool entered = false;
        while (NextByte(c))
            if (c == '<') {
                entered = true;
                break;
            }
        if (!entered) return;
        tag.clear();
        bool comment = false;
        bool closed = false;
        while (NextByte(c)) {
            if (c == '>') {
                closed = true;
                break;
            }
            if (c == '<') InvalidFormat();
            tag += c;
            if (tag.size() == 3 && tag == "!--") {
                comment = true;
                break;
            }
        }
        if (comment) {
            Integer dashes = 0;
            bool ended = false;
            while (NextByte(c)) {
                if (c == '-') {
                    dashes = dashes == 2 ? 0 : dashes + 1;
                } else if (c == '>' && dashes == 2) {
                    ended = true;
                    break;
                } else {
                    dashes = 0;
                }
            }
            if (!ended) return; // the data ended inside a comment, outside any tag
            continue;
        }
        if (!closed) InvalidFormat();
        break;
    }
    if (!tag.empty() && tag.back() == ' ') tag.pop_back();
    size_t space = tag.find(' ');
    if (space == String::npos) {
        name = tag;
    } else {
        name = tag.substr(0, space);
        attrText = tag.substr(space + 1);
    }
}

void TpvrXMLReader::ReadHeader() {
    String name, attrs;
    ReadTag(name, attrs);
    if (name.compare(0, 4, "?xml") != 0) InvalidFormat();
}

bool TpvrXMLReader::ReadRootItem(TpvrXMLItem* item, bool loadAll) { return ReadItem(item, loadAll, 0); }

bool TpvrXMLReader::ReadItem(TpvrXMLItem* item, bool loadAll, Integer depth) {
    if (depth > MaxDepth) InvalidFormat();
    Int64 start = FPosition;
    ReadTag(item->Name, item->AttrText);
    FLastName = item->Name;
    if (item->Name.empty() || item->Name[0] == '/') return true;
    // An empty-element tag is complete as it stands; the unload mark is looked for only on
    // elements with a body.
    if (item->Name.back() == '/') {
        item->Name.pop_back();
        return false;
    }
    if (!item->AttrText.empty() && item->AttrText.back() == '/') {
        item->AttrText.pop_back();
        return false;
    }
    for (;;) {
        auto child = std::make_unique<TpvrXMLItem>();
        if (ReadItem(child.get(), loadAll, depth + 1)) break;
        item->AppendChild(child.release());
    }
    // The data ending before the element's end tag leaves a truncated file, not a document.
    if (FLastName.empty() || !AnsiSameText(FLastName, "/" + item->Name)) InvalidFormat();
    String lower = AsciiLower(item->AttrText);
    size_t p = lower.find("ld=\"0\"");
    if (p != String::npos) {
        item->AttrText.erase(p, 6);
        if (!loadAll) {
            item->ClearChildren();
            item->SetFileOffset(start);
            item->IsUnloadable = true;
            item->IsLoaded = false;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------

TpvrXMLWriter::TpvrXMLWriter(TStream* stream) : FStream(stream) {}

void TpvrXMLWriter::WriteHeader() { WriteLine("<?xml version=\"1.0\" encoding=\"utf-8\"?>"); }

void TpvrXMLWriter::WriteLine(const String& line) {
    FBuffer += line;
    if (IndentOutput) FBuffer += "\r\n";
    if (FBuffer.size() > 4096) Flush();
}

void TpvrXMLWriter::Flush() {
    if (!FBuffer.empty()) FStream->WriteBuffer(FBuffer.data(), static_cast<Integer>(FBuffer.size()));
    FBuffer.clear();
}

void TpvrXMLWriter::WriteRootItem(TpvrXMLItem* item) {
    WriteItem(item, 0);
    Flush();
}

void TpvrXMLWriter::WriteItem(TpvrXMLItem* item, Integer level) {
    bool readBack = CacheStream && item->IsUnloadable && !item->IsLoaded;
    if (readBack) {
        // Attributes set while the element was swapped out are newer than the cached ones.
        String name = item->Name;
        String attrs = item->AttrText;
        bool endMarker;
        {
            TpvrXMLReader reader(CacheStream);
            reader.SetPosition(item->GetFileOffset());
            endMarker = reader.ReadRootItem(item, true);
        }
        item->AttrText = attrs;
        if (endMarker) {
            item->Name = name;
            InvalidFormat();
        }
    }
    String indent = IndentOutput ? String(static_cast<size_t>(level), ' ') : String();
    String body = item->Name;
    if (!item->AttrText.empty() || item->IsUnloadable) {
        if (item->AttrText.empty() || item->AttrText[0] != ' ') body += ' ';
        body += item->AttrText;
        if (item->IsUnloadable) body += "ld=\"0\"";
    }
    bool hasChildren = item->ChildCount() > 0;
    if (!hasChildren) body += '/';
    // A tag the reader would take for something else is not written: the file would not load
    // back as this document, or not at all.
    // Nor is an element with children whose attribute text still holds an unload mark (left
    // by damaged input): the reader would take that mark out of it.
    if (!XMLTagReadsBack(body, item->Name, !hasChildren) ||
        (hasChildren && AsciiLower(item->AttrText).find("ld=\"0\"") != String::npos)) {
        if (readBack) item->ClearChildren();
        InvalidFormat();
    }
    WriteLine(indent + "<" + body + ">");
    if (hasChildren) {
        for (Integer i = 0; i < item->ChildCount(); ++i)
            WriteItem(item->Child(i), level + 2);
        WriteLine(indent + "</" + item->Name + ">");
    }
    if (readBack) item->ClearChildren();
}

// ---------------------------------------------------------------------------------------------

TpvrXMLDocument::TpvrXMLDocument() : FRoot(std::make_unique<TpvrXMLItem>()) {}

TpvrXMLDocument::~TpvrXMLDocument() {
    FRoot.reset();
    DropTempFile();
}

void TpvrXMLDocument::Clear() {
    FRoot->ClearChildren();
    DropTempFile();
}

void TpvrXMLDocument::LoadFromStream(TStream* stream, bool allowUnload) {
    DropTempFile();
    FRoot->ClearChildren();
    FRoot->SetFileOffset(0);
    if (allowUnload) FCacheStream = stream; // owned from here on, also when reading fails
    TpvrXMLReader reader(stream);
    reader.ReadHeader();
    // No root element after the declaration (the data ends, or an end tag comes first).
    if (reader.ReadRootItem(FRoot.get(), !allowUnload)) InvalidFormat();
}

void TpvrXMLDocument::SaveToStream(TStream* stream) {
    TpvrXMLWriter writer(stream);
    writer.IndentOutput = IndentOutput;
    writer.CacheStream = FCacheStream;
    writer.WriteHeader();
    writer.WriteRootItem(FRoot.get());
}

void TpvrXMLDocument::EnsureTempFile() {
    if (FHasTempFile) return;
    // Directory names are used whole: cutting a long one short would put the file elsewhere.
    String dir = TempDir;
    if (dir.empty()) {
        char path[260] = {};
        DWORD n = GetTempPathA(sizeof(path), path);
        if (n == 0 || n >= sizeof(path)) throw EFCreateError("Cannot create temporary file");
        dir = path;
    }
    char name[260] = {};
    if (GetTempFileNameA(dir.c_str(), "qo", 0, name) == 0)
        throw EFCreateError("Cannot create temporary file in \"" + dir + "\"");
    auto stream = std::make_unique<TFileStream>(String(name), fmOpenReadWrite);
    // Elements still swapped out point into the stream the document was loaded from; its
    // bytes go first into the new file so that their offsets stay valid there.
    if (FCacheStream) {
        stream->CopyFrom(FCacheStream, 0);
        delete FCacheStream;
        FCacheStream = nullptr;
    }
    FCacheStream = stream.release();
    FTempFileName = name;
    FHasTempFile = true;
}

void TpvrXMLDocument::DropTempFile() {
    delete FCacheStream;
    FCacheStream = nullptr;
    if (FHasTempFile) {
        DeleteFile(FTempFileName);
        FHasTempFile = false;
    }
}

void TpvrXMLDocument::SwapOutItem(TpvrXMLItem* item) {
    if (!item->IsLoaded || !item->IsUnloadable) return;
    EnsureTempFile();
    // Descendants swapped out earlier are read back from the same file while writing, so the
    // text is collected aside and appended afterwards.
    TMemoryStream text;
    TpvrXMLWriter writer(&text);
    writer.CacheStream = FCacheStream;
    writer.WriteRootItem(item);
    Int64 size = FCacheStream->Seek(0, soEnd);
    text.SetPosition(0);
    FCacheStream->CopyFrom(&text, 0);
    item->SetFileOffset(size);
    item->ClearChildren();
}

void TpvrXMLDocument::SwapInItem(TpvrXMLItem* item) {
    if (!FCacheStream || !item->IsUnloadable || item->IsLoaded) return;
    String name = item->Name;
    String attrs = item->AttrText;
    bool endMarker;
    {
        TpvrXMLReader reader(FCacheStream);
        reader.SetPosition(item->GetFileOffset());
        endMarker = reader.ReadRootItem(item, true);
    }
    item->AttrText = attrs;
    // An offset that does not lead to an element start leaves the element as it was.
    if (endMarker) {
        item->Name = name;
        InvalidFormat();
    }
    item->IsLoaded = true;
}

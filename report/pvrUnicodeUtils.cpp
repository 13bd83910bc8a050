#include "report/pvrUnicodeUtils.h"

#include "platform/runtime/Filer.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Strings.h"

namespace {

constexpr char16_t LineSeparator = 0x2028;

} // namespace

TWideStrings::~TWideStrings() = default;

WideString TWideStrings::GetStrings(Integer index) const {
    if (index < 0 || index >= GetCount()) return WideString();
    return FList[std::size_t(index)].Text;
}

void TWideStrings::Put(Integer index, const WideString& s) {
    if (index < 0 || index > GetCount()) throw Exception("Wide String Out of Bounds");
    if (index == GetCount())
        Add(s);
    else
        FList[std::size_t(index)].Text = s;
}

TObject* TWideStrings::GetObjects(Integer index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return FList[std::size_t(index)].Object;
}

void TWideStrings::SetObjects(Integer index, TObject* object) {
    if (index < 0 || index >= GetCount()) return;
    FList[std::size_t(index)].Object = object;
}

Integer TWideStrings::Add(const WideString& s) { return AddObject(s, nullptr); }

Integer TWideStrings::AddObject(const WideString& s, TObject* object) {
    FList.push_back({s, object});
    return GetCount() - 1;
}

void TWideStrings::Clear() { FList.clear(); }

void TWideStrings::Delete(Integer index) {
    if (index < 0 || index >= GetCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
    FList.erase(FList.begin() + index);
}

Integer TWideStrings::IndexOf(const WideString& s) const {
    for (Integer i = 0; i < GetCount(); ++i)
        if (FList[std::size_t(i)].Text == s) return i;
    return -1;
}

WideString TWideStrings::GetText() const {
    std::size_t total = 0;
    for (const TLine& line : FList)
        total += line.Text.size() + 2;
    WideString result;
    result.reserve(total);
    for (const TLine& line : FList) {
        result += line.Text;
        result += u"\r\n";
    }
    return result;
}

void TWideStrings::SetText(const WideString& value) {
    Clear();
    std::size_t p = 0;
    const std::size_t n = value.size();
    while (p < n && value[p] != 0) {
        std::size_t start = p;
        while (p < n && value[p] != 0 && value[p] != u'\r' && value[p] != u'\n' && value[p] != LineSeparator)
            ++p;
        Add(value.substr(start, p - start));
        if (p < n && value[p] == u'\r') ++p;
        if (p < n && value[p] == u'\n') ++p;
        if (p < n && value[p] == LineSeparator) ++p;
    }
}

void TWideStrings::Assign(TPersistent* source) {
    if (auto* wide = dynamic_cast<TWideStrings*>(source)) {
        if (wide == this) return;
        Clear();
        for (const TLine& line : wide->FList)
            AddObject(line.Text, line.Object);
        return;
    }
    if (auto* strings = dynamic_cast<TStrings*>(source)) {
        Clear();
        for (Integer i = 0; i < strings->GetCount(); ++i)
            AddObject(StringToWide(strings->GetStrings(i)), strings->GetObjects(i));
        return;
    }
    inherited::Assign(source);
}

void TWideStrings::AssignTo(TPersistent* dest) {
    if (auto* wide = dynamic_cast<TWideStrings*>(dest)) {
        wide->Assign(this);
        return;
    }
    if (auto* strings = dynamic_cast<TStrings*>(dest)) {
        strings->BeginUpdate();
        try {
            strings->Clear();
            for (const TLine& line : FList)
                strings->AddObject(WideToString(line.Text), line.Object);
        } catch (...) {
            strings->EndUpdate();
            throw;
        }
        strings->EndUpdate();
        return;
    }
    inherited::AssignTo(dest);
}

void TWideStrings::LoadFromStream(TStream* stream) {
    Int64 count = stream->GetSize() - stream->GetPosition();
    if (count < 0) count = 0;
    // The mark alone is an empty text: that is what saving an empty list writes.
    if (count >= 2) {
        unsigned char mark[2];
        stream->ReadBuffer(mark, 2);
        if (mark[0] == 0xFF && mark[1] == 0xFE) {
            Int64 chars = (count - 2) / 2;
            std::string bytes(std::size_t(chars * 2), '\0');
            if (chars > 0) stream->ReadBuffer(bytes.data(), Integer(chars * 2));
            // A trailing odd byte is part of the remaining bytes but of no character.
            if ((count - 2) % 2 != 0) stream->Seek(Int64(1), soCurrent);
            WideString text(std::size_t(chars), u'\0');
            for (Int64 i = 0; i < chars; ++i)
                text[std::size_t(i)] =
                    char16_t(static_cast<unsigned char>(bytes[std::size_t(2 * i)]) |
                             (static_cast<unsigned char>(bytes[std::size_t(2 * i + 1)]) << 8));
            SetText(text);
            return;
        }
        stream->Seek(Int64(-2), soCurrent);
    }
    String bytes(std::size_t(count), '\0');
    if (count > 0) stream->ReadBuffer(bytes.data(), Integer(count));
    SetText(StringToWide(bytes));
}

void TWideStrings::LoadFromFile(const WideString& fileName) {
    TFileStream stream(WideToString(fileName), fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TWideStrings::SaveToStream(TStream* stream) {
    WideString text = GetText();
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes += '\xFF';
    bytes += '\xFE';
    for (char16_t c : text) {
        bytes += char(c & 0xFF);
        bytes += char((c >> 8) & 0xFF);
    }
    stream->WriteBuffer(bytes.data(), Integer(bytes.size()));
}

void TWideStrings::SaveToFile(const WideString& fileName) {
    TFileStream stream(WideToString(fileName), fmCreate);
    SaveToStream(&stream);
}

void TWideStrings::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    const bool hasData = GetCount() > 0;
    filer->DefineProperty(
        "UTF8", [this](TReader* reader) { ReadUTF8(reader); }, [this](TWriter* writer) { WriteUTF8(writer); },
        hasData);
    filer->DefineProperty(
        "Strings", [this](TReader* reader) { ReadStrings(reader); }, nullptr, false);
}

void TWideStrings::ReadUTF8(TReader* reader) {
    Clear();
    reader->ReadListBegin();
    while (!reader->EndOfList())
        Add(UTF8Decode(reader->ReadString()));
    reader->ReadListEnd();
}

void TWideStrings::WriteUTF8(TWriter* writer) {
    writer->WriteListBegin();
    for (const TLine& line : FList)
        writer->WriteString(UTF8Encode(line.Text));
    writer->WriteListEnd();
}

void TWideStrings::ReadStrings(TReader* reader) {
    Clear();
    reader->ReadListBegin();
    while (!reader->EndOfList()) {
        if (reader->NextValue() == vaWString)
            Add(reader->ReadWideString());
        else
            Add(StringToWide(reader->ReadString()));
    }
    reader->ReadListEnd();
}

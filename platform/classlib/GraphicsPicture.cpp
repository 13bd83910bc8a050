// Graphics in general (files, stored definitions, change events), the registry of graphic
// classes by file extension and clipboard format, and the picture that holds any of them.
#include <algorithm>
#include <mutex>

#include "platform/classlib/Graphics.h"
#include "platform/runtime/Filer.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"

// ---- TGraphic --------------------------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Changed(this);
}

void TGraphic::SetModified(bool value) {
    FModified = value;
    if (value) OnChange(this);
}

void TGraphic::SetPalette(HPALETTE value) {
    if (value == FPalette) return;
    FPalette = value;
    Changed(this);
}

void TGraphic::Changed(TObject*) {
    FModified = true;
    OnChange(this);
}

void TGraphic::LoadFromFile(const String& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const String& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TGraphic::ReadData(TStream* stream) { LoadFromStream(stream); }

void TGraphic::WriteData(TStream* stream) { SaveToStream(stream); }

void TGraphic::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        !GetEmpty());
}

// ---- The registry ----------------------------------------------------------------------------

namespace {

struct TFileFormat {
    String Extension; // without the dot
    String Description;
    TGraphicClass Class;
};

struct TClipboardFormatEntry {
    Word Format;
    TGraphicClass Class;
};

struct TGraphicRegistry {
    std::mutex Lock;
    std::vector<TFileFormat> Formats;
    std::vector<TClipboardFormatEntry> ClipboardFormats;
};

// Bitmaps and icons come first whatever order the units start in; other classes follow in the
// order they register.
TGraphicRegistry& Registry() {
    static TGraphicRegistry* registry = [] {
        auto* r = new TGraphicRegistry;
        r->Formats.push_back({"bmp", "Bitmaps", TBitmap::StaticClass()});
        r->Formats.push_back({"ico", "Icons", TIcon::StaticClass()});
        r->ClipboardFormats.push_back({Word(CF_BITMAP), TBitmap::StaticClass()});
        r->ClipboardFormats.push_back({Word(CF_DIB), TBitmap::StaticClass()});
        return r;
    }();
    return *registry;
}

String WithoutDot(const String& extension) {
    return !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
}

bool Matches(TGraphicClass cls, TGraphicClass filter) {
    return filter == nullptr || cls->InheritsFrom(filter);
}

std::unique_ptr<TGraphic> NewGraphic(TGraphicClass cls) {
    if (!cls || !cls->InheritsFrom(TGraphic::StaticClass())) throw EInvalidGraphic("Unknown picture format");
    TObject* object = cls->Create(nullptr);
    auto* graphic = dynamic_cast<TGraphic*>(object);
    if (!graphic) {
        delete object;
        throw EInvalidGraphic("Unknown picture format");
    }
    return std::unique_ptr<TGraphic>(graphic);
}

// A graphic class by its name: a registered one first, then the class registry.
TGraphicClass GraphicClassByName(const String& name) {
    {
        TGraphicRegistry& r = Registry();
        std::lock_guard<std::mutex> guard(r.Lock);
        for (const TFileFormat& f : r.Formats)
            if (f.Class->ClassNameIs(name)) return f.Class;
        for (const TClipboardFormatEntry& c : r.ClipboardFormats)
            if (c.Class->ClassNameIs(name)) return c.Class;
    }
    TClass cls = GetClass(name);
    return cls && cls->InheritsFrom(TGraphic::StaticClass()) ? cls : nullptr;
}

} // namespace

String GraphicFilter(TGraphicClass graphicClass) {
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    String masks, parts;
    for (const TFileFormat& f : r.Formats) {
        if (!Matches(f.Class, graphicClass)) continue;
        const String mask = "*." + f.Extension;
        masks += (masks.empty() ? "" : ";") + mask;
        parts += "|" + f.Description + " (" + mask + ")|" + mask;
    }
    if (masks.empty()) return String();
    return "All (" + masks + ")|" + masks + parts;
}

String GraphicExtension(TGraphicClass graphicClass) {
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const TFileFormat& f : r.Formats)
        if (f.Class == graphicClass) return f.Extension;
    return String();
}

String GraphicFileMask(TGraphicClass graphicClass) {
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    String masks;
    for (const TFileFormat& f : r.Formats)
        if (Matches(f.Class, graphicClass)) masks += (masks.empty() ? "*." : ";*.") + f.Extension;
    return masks;
}

TGraphicClass GraphicClassOfExtension(const String& extension) {
    const String ext = WithoutDot(extension);
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (const TFileFormat& f : r.Formats)
        if (SameText(f.Extension, ext)) return f.Class;
    return nullptr;
}

void TPicture::RegisterFileFormat(const String& extension, const String& description,
                                  TGraphicClass graphicClass) {
    const String ext = WithoutDot(extension);
    if (ext.empty() || !graphicClass) return;
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (TFileFormat& f : r.Formats)
        if (SameText(f.Extension, ext)) {
            f.Description = description;
            f.Class = graphicClass;
            return;
        }
    r.Formats.push_back({ext, description, graphicClass});
}

void TPicture::RegisterClipboardFormat(Word format, TGraphicClass graphicClass) {
    if (!graphicClass) return;
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    for (TClipboardFormatEntry& c : r.ClipboardFormats)
        if (c.Format == format) {
            c.Class = graphicClass;
            return;
        }
    r.ClipboardFormats.push_back({format, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    if (!graphicClass) return;
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    std::erase_if(r.Formats, [&](const TFileFormat& f) { return f.Class->InheritsFrom(graphicClass); });
    std::erase_if(r.ClipboardFormats,
                  [&](const TClipboardFormatEntry& c) { return c.Class->InheritsFrom(graphicClass); });
}

bool TPicture::SupportsClipboardFormat(Word format) {
    TGraphicRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.Lock);
    return std::any_of(r.ClipboardFormats.begin(), r.ClipboardFormats.end(),
                       [&](const TClipboardFormatEntry& c) { return c.Format == format; });
}

// ---- TPicture --------------------------------------------------------------------------------

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) { OnChange(this); }

void TPicture::ReplaceGraphic(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange = MakeEvent(this, &TPicture::Changed);
}

void TPicture::SetGraphic(TGraphic* value) {
    if (value == FGraphic.get()) return;
    if (!value) {
        ReplaceGraphic(nullptr);
    } else {
        std::unique_ptr<TGraphic> copy = NewGraphic(value->ClassType());
        copy->Assign(value);
        ReplaceGraphic(std::move(copy));
    }
    Changed(this);
}

void TPicture::Assign(TPersistent* source) {
    if (source == nullptr) {
        SetGraphic(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(source)) {
        if (picture != this) SetGraphic(picture->GetGraphic());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(graphic);
    } else {
        inherited::Assign(source);
    }
}

TBitmap* TPicture::GetBitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) {
        ReplaceGraphic(std::make_unique<TBitmap>());
        Changed(this);
    }
    return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::GetIcon() {
    if (!dynamic_cast<TIcon*>(FGraphic.get())) {
        ReplaceGraphic(std::make_unique<TIcon>());
        Changed(this);
    }
    return static_cast<TIcon*>(FGraphic.get());
}

Integer TPicture::GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }

Integer TPicture::GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

void TPicture::LoadFromFile(const String& fileName) {
    const String ext = WithoutDot(ExtractFileExt(fileName));
    TGraphicClass cls = GraphicClassOfExtension(ext);
    if (!cls) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {ext}));
    std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
    graphic->LoadFromFile(fileName);
    ReplaceGraphic(std::move(graphic));
    Changed(this);
}

void TPicture::SaveToFile(const String& fileName) {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream* stream) {
    const Int64 start = stream->GetPosition();
    // Enough for the signature of a recorded picture, which sits 40 bytes in.
    unsigned char head[44] = {};
    const Integer got = stream->Read(head, Integer(sizeof(head)));
    stream->SetPosition(start);
    TGraphicClass cls = nullptr;
    if (got >= 2 && head[0] == 'B' && head[1] == 'M')
        cls = TBitmap::StaticClass();
    else if (got >= 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0)
        cls = TIcon::StaticClass();
    else if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8)
        cls = GraphicClassOfExtension("jpg");
    else if (got >= 44 && head[0] == 1 && head[1] == 0 && head[2] == 0 && head[3] == 0 && head[40] == ' ' &&
             head[41] == 'E' && head[42] == 'M' && head[43] == 'F')
        cls = GraphicClassOfExtension("emf");
    if (!cls) throw EInvalidGraphic("Unknown picture format");
    std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
    graphic->LoadFromStream(stream);
    ReplaceGraphic(std::move(graphic));
    Changed(this);
}

void TPicture::SaveToStream(TStream* stream) {
    if (FGraphic) FGraphic->SaveToStream(stream);
}

void TPicture::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) {
    TGraphicClass cls = nullptr;
    {
        TGraphicRegistry& r = Registry();
        std::lock_guard<std::mutex> guard(r.Lock);
        for (const TClipboardFormatEntry& c : r.ClipboardFormats)
            if (c.Format == format) {
                cls = c.Class;
                break;
            }
    }
    if (!cls) throw EInvalidGraphic("Unsupported clipboard format");
    std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
    graphic->LoadFromClipboardFormat(format, data, palette);
    ReplaceGraphic(std::move(graphic));
    Changed(this);
}

void TPicture::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
    format = 0;
    data = nullptr;
    palette = nullptr;
    if (FGraphic) FGraphic->SaveToClipboardFormat(format, data, palette);
}

void TPicture::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        FGraphic != nullptr);
}

void TPicture::ReadData(TStream* stream) {
    Byte length = 0;
    stream->ReadBuffer(&length, 1);
    String name(length, '\0');
    if (length) stream->ReadBuffer(name.data(), length);
    if (name.empty()) {
        ReplaceGraphic(nullptr);
        Changed(this);
        return;
    }
    TGraphicClass cls = GraphicClassByName(name);
    if (!cls) throw EInvalidGraphic(Format("Unknown picture format (%s)", {name}));
    std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
    graphic->ReadData(stream);
    ReplaceGraphic(std::move(graphic));
    Changed(this);
}

void TPicture::WriteData(TStream* stream) {
    String name = FGraphic ? FGraphic->ClassName() : String();
    if (name.size() > 255) name.resize(255);
    const Byte length = Byte(name.size());
    stream->WriteBuffer(&length, 1);
    if (length) stream->WriteBuffer(name.data(), length);
    if (FGraphic) FGraphic->WriteData(stream);
}

namespace {

struct TPictureRegistration {
    TPictureRegistration() {
        RegisterClasses({TBitmap::StaticClass(), TIcon::StaticClass(), TPicture::StaticClass()});
    }
};
const TPictureRegistration PictureRegistration;

} // namespace

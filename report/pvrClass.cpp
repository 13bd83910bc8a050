#include "report/pvrClass.h"

#include <algorithm>
#include <cmath>

#include "platform/runtime/Filer.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Registry.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SyncObjs.h"
#include "report/pvrPassw.h"
#include "report/pvrRes.h"
#include "report/pvrXML.h"
#include "report/pvrXMLSerializer.h"

// ---- Option groups -----------------------------------------------------------------------------

TpvrEngineOptions::TpvrEngineOptions() { Clear(); }

void TpvrEngineOptions::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrEngineOptions*>(source);
    if (!other) return;
    ConvertNulls = other->ConvertNulls;
    DoublePass = other->DoublePass;
    MaxMemSize = other->MaxMemSize;
    PrintIfEmpty = other->PrintIfEmpty;
    NewSilentMode = other->NewSilentMode;
    TempDir = other->TempDir;
    UseFileCache = other->UseFileCache;
}

void TpvrEngineOptions::Clear() {
    ConvertNulls = true;
    DoublePass = false;
}

TpvrPreviewOptions::TpvrPreviewOptions() { Clear(); }

void TpvrPreviewOptions::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrPreviewOptions*>(source);
    if (!other) return;
    AllowEdit = other->AllowEdit;
    Buttons = other->Buttons;
    DoubleBuffered = other->DoubleBuffered;
    Maximized = other->Maximized;
    MDIChild = other->MDIChild;
    Modal = other->Modal;
    OutlineExpand = other->OutlineExpand;
    OutlineVisible = other->OutlineVisible;
    OutlineWidth = other->OutlineWidth;
    ShowCaptions = other->ShowCaptions;
    Zoom = other->Zoom;
    ZoomMode = other->ZoomMode;
}

void TpvrPreviewOptions::Clear() {
    OutlineExpand = true;
    OutlineVisible = false;
    OutlineWidth = 120;
}

TpvrPrintOptions::TpvrPrintOptions() { Clear(); }

void TpvrPrintOptions::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrPrintOptions*>(source);
    if (!other) return;
    Copies = other->Copies;
    Collate = other->Collate;
    PageNumbers = other->PageNumbers;
    Printer = other->Printer;
    PrintPages = other->PrintPages;
    Reverse = other->Reverse;
    ShowDialog = other->ShowDialog;
}

void TpvrPrintOptions::Clear() {
    Copies = 1;
    Collate = true;
    PageNumbers.clear();
    Printer = GetResources()->Get("prDefault");
    PrintPages = ppAll;
    Reverse = false;
    ShowDialog = true;
}

TpvrReportOptions::TpvrReportOptions()
    : FDescription(std::make_unique<TStringList>()), FPicture(std::make_unique<TPicture>()) {
    Clear();
}

TpvrReportOptions::~TpvrReportOptions() = default;

void TpvrReportOptions::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrReportOptions*>(source);
    if (!other) return;
    Author = other->Author;
    Compressed = other->Compressed;
    FConnectionName = other->FConnectionName;
    CreateDate = other->CreateDate;
    FDescription->Assign(other->FDescription.get());
    InitString = other->InitString;
    Name = other->Name;
    LastChange = other->LastChange;
    Password = other->Password;
    FPicture->Assign(other->FPicture.get());
    VersionBuild = other->VersionBuild;
    VersionMajor = other->VersionMajor;
    VersionMinor = other->VersionMinor;
    VersionRelease = other->VersionRelease;
}

void TpvrReportOptions::Clear() {
    Author.clear();
    Compressed = false;
    CreateDate = Now();
    LastChange = CreateDate;
    FDescription->Clear();
    FPicture->Assign(nullptr);
    VersionBuild.clear();
    VersionMajor.clear();
    VersionMinor.clear();
    VersionRelease.clear();
    FConnectionName.clear();
    InitString.clear();
    Name.clear();
    Password.clear();
    EnteredPassword.clear();
}

void TpvrReportOptions::SetDescription(TStrings* value) { FDescription->Assign(value); }

void TpvrReportOptions::SetPicture(TPicture* value) { FPicture->Assign(value); }

bool TpvrReportOptions::CheckPassword() {
    if (Password.empty() || Password == EnteredPassword) return true;
    std::unique_ptr<TpvrPasswordForm> form(new TpvrPasswordForm(nullptr));
    bool result = false;
    if (form->ShowModal() == mrOk && form->PasswordE && form->PasswordE->GetText() == Password) {
        EnteredPassword = Password;
        result = true;
    }
    return result;
}

void TpvrReportOptions::SetConnectionName(const String& value) {
    FConnectionName = value;
    if (value.empty() || !Report || !Report->OnConnection) return;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly("\\Software\\Orvant\\Connections")) return;
    Report->OnConnection(registry.ReadString(value));
}

String EncodePassword(const String& password) {
    String result = password;
    for (char& c : result)
        c = char((static_cast<unsigned char>(c) + 256 - 10) % 256);
    return result;
}

String DecodePassword(const String& stored) {
    String result = stored;
    for (char& c : result)
        c = char((static_cast<unsigned char>(c) + 10) % 256);
    return result;
}

// ---- TpvrComponent -----------------------------------------------------------------------------

namespace {

thread_local bool DesignActive = false;
thread_local TpvrDesignFlags DesignFlags = 0;

// The report that owns the objects made with a report object as owner: the first report found
// walking up from that object, itself included.
TComponent* OwnerFor(TComponent* owner) {
    StartReportEngine();
    if (auto* component = dynamic_cast<TpvrComponent*>(owner)) return component->Report();
    return owner;
}

String FloatText(Extended value) { return FloatToStr(value); }

String Attribute(const String& name, const String& value) { return " " + name + "=\"" + value + "\""; }

Integer FontStyleNumber(TFontStyles style) {
    Integer result = 0;
    if (style.Contains(fsBold)) result += 1;
    if (style.Contains(fsItalic)) result += 2;
    if (style.Contains(fsUnderline)) result += 4;
    if (style.Contains(fsStrikeOut)) result += 8;
    return result;
}

} // namespace

TpvrComponent::TDesignScope::TDesignScope(TpvrDesignFlags flags)
    : FOldActive(DesignActive), FOldFlags(DesignFlags) {
    DesignActive = true;
    DesignFlags = flags;
}

TpvrComponent::TDesignScope::~TDesignScope() {
    DesignActive = FOldActive;
    DesignFlags = FOldFlags;
}

// Still answered after the base constructor has run, so that the view asked for can read its kind.
TpvrDesignFlags TpvrComponent::CurrentDesignFlags() { return DesignFlags; }

TpvrComponent::TpvrComponent(TComponent* owner) : TComponent(OwnerFor(owner)) {
    IsDesigning = DesignActive;
    // A design creation reaches only the object asked for, not the ones its constructor makes.
    DesignActive = false;
    FFont = std::make_unique<TFont>();
    FFont->SetName("Arial");
    FFont->SetSize(10);
    FFont->SetColor(TColor(0));
    FFont->SetCharset(DEFAULT_CHARSET);
    FFont->OnChange = MakeEvent(this, &TpvrComponent::FontChange);
    FVisible = true;
    if (auto* parent = dynamic_cast<TpvrComponent*>(owner)) SetParent(parent);
    SetParentFont(true);
}

TpvrComponent::~TpvrComponent() {
    SetParent(nullptr);
    Clear();
    FFont->OnChange = nullptr;
}

void TpvrComponent::SetParent(TpvrComponent* value) {
    if (value != FParent) {
        if (FParent) {
            auto& siblings = FParent->FObjects;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        }
        if (value) value->FObjects.push_back(this);
    }
    FParent = value;
    if (value) SetParentFont(FParentFont);
}

void TpvrComponent::Clear() {
    while (!FObjects.empty()) {
        TpvrComponent* child = FObjects.front();
        delete child;
        // A child that did not take itself out of the list is taken out here.
        if (!FObjects.empty() && FObjects.front() == child) FObjects.erase(FObjects.begin());
    }
}

TpvrPage* TpvrComponent::Page() const {
    for (const TpvrComponent* c = this; c; c = c->FParent)
        if (auto* page = dynamic_cast<const TpvrPage*>(c)) return const_cast<TpvrPage*>(page);
    return nullptr;
}

TpvrReport* TpvrComponent::Report() const {
    for (const TpvrComponent* c = this; c; c = c->FParent)
        if (auto* report = dynamic_cast<const TpvrReport*>(c)) return const_cast<TpvrReport*>(report);
    return nullptr;
}

const std::vector<TpvrComponent*>& TpvrComponent::AllObjects() {
    FAllObjects.clear();
    std::vector<TpvrComponent*> stack(FObjects.rbegin(), FObjects.rend());
    while (!stack.empty()) {
        TpvrComponent* c = stack.back();
        stack.pop_back();
        FAllObjects.push_back(c);
        stack.insert(stack.end(), c->FObjects.rbegin(), c->FObjects.rend());
    }
    return FAllObjects;
}

TpvrComponent* TpvrComponent::FindObject(const String& name) {
    for (TpvrComponent* c : AllObjects())
        if (SameText(c->GetName(), name)) return c;
    return nullptr;
}

void TpvrComponent::SetLeft(Extended value) {
    if (IsDesigning && Restrictions.Contains(rfDontMove)) return;
    FLeft = value;
}

void TpvrComponent::SetTop(Extended value) {
    if (IsDesigning && Restrictions.Contains(rfDontMove)) return;
    FTop = value;
}

void TpvrComponent::SetWidth(Extended value) {
    if (IsDesigning && Restrictions.Contains(rfDontSize)) return;
    FWidth = value;
}

void TpvrComponent::SetHeight(Extended value) {
    if (IsDesigning && Restrictions.Contains(rfDontSize)) return;
    FHeight = value;
}

void TpvrComponent::SetBounds(Extended left, Extended top, Extended width, Extended height) {
    SetLeft(left);
    SetTop(top);
    SetWidth(width);
    SetHeight(height);
}

Extended TpvrComponent::AbsLeft() const {
    Extended result = FLeft;
    for (const TpvrComponent* p = FParent; p && !dynamic_cast<const TpvrDialogPage*>(p); p = p->FParent)
        result += p->FLeft;
    return result;
}

Extended TpvrComponent::AbsTop() const {
    Extended result = FTop;
    for (const TpvrComponent* p = FParent; p && !dynamic_cast<const TpvrDialogPage*>(p); p = p->FParent)
        result += p->FTop;
    return result;
}

void TpvrComponent::AlignChildren() {
    // Only views take part: the children that report an alignment code.
    std::vector<TpvrComponent*> views;
    for (TpvrComponent* c : FObjects)
        if (c->GetAlignCode() >= 0) views.push_back(c);
    if (views.empty()) return;

    auto key = [](const TpvrComponent* c) {
        return c->GetLeft() >= 0 ? "1" + Format("%9.2f", {c->GetLeft()})
                                 : "0" + Format("%9.2f", {-c->GetLeft()});
    };
    std::vector<std::pair<String, TpvrComponent*>> sorted;
    for (TpvrComponent* c : views) {
        // A sorted list with duplicates puts an equal key after the ones present.
        auto pos =
            std::upper_bound(sorted.begin(), sorted.end(), key(c), [](const String& k, const auto& item) {
                return CompareText(k, item.first) < 0;
            });
        sorted.insert(pos, {key(c), c});
    }

    auto overlaps = [](const TpvrComponent* a, const TpvrComponent* b) {
        return b->AbsTop() < a->AbsTop() + a->GetHeight() && a->AbsTop() < b->AbsTop() + b->GetHeight();
    };
    auto neighbour = [&](std::size_t index, bool leftwards) -> TpvrComponent* {
        TpvrComponent* view = sorted[index].second;
        const bool widthAligned = view->GetAlignCode() == 4;
        if (leftwards) {
            for (std::size_t i = index; i-- > 0;) {
                TpvrComponent* other = sorted[i].second;
                if (!overlaps(view, other)) continue;
                if (widthAligned && other->GetLeft() > view->GetLeft()) continue;
                return other;
            }
        } else {
            for (std::size_t i = index + 1; i < sorted.size(); ++i) {
                TpvrComponent* other = sorted[i].second;
                if (!overlaps(view, other)) continue;
                if (widthAligned && other->GetLeft() + other->GetWidth() < view->GetLeft() + view->GetWidth())
                    continue;
                return other;
            }
        }
        return nullptr;
    };

    for (std::size_t i = 0; i < sorted.size(); ++i) {
        TpvrComponent* view = sorted[i].second;
        const Integer align = view->GetAlignCode();
        if (align == 1 || align == 4) {
            TpvrComponent* n = neighbour(i, true);
            view->SetLeft(n ? n->GetLeft() + n->GetWidth() : 0);
        }
    }
    for (std::size_t i = sorted.size(); i-- > 0;) {
        TpvrComponent* view = sorted[i].second;
        const Integer align = view->GetAlignCode();
        if (align == 2) {
            TpvrComponent* n = neighbour(i, false);
            view->SetLeft((n ? n->GetLeft() : GetWidth()) - view->GetWidth());
        } else if (align == 4) {
            TpvrComponent* n = neighbour(i, false);
            view->SetWidth((n ? n->GetLeft() : GetWidth()) - view->GetLeft());
        }
    }
    for (TpvrComponent* view : views) {
        switch (view->GetAlignCode()) {
        case 3:
            view->SetLeft((GetWidth() - view->GetWidth()) / 2);
            break;
        case 5:
            view->SetTop(GetHeight() - view->GetHeight());
            break;
        case 6:
            view->SetBounds(0, 0, GetWidth(), GetHeight());
            break;
        default:
            break;
        }
    }
}

void TpvrComponent::SetFont(TFont* value) {
    FFont->Assign(value);
    FParentFont = false;
}

void TpvrComponent::SetParentFont(bool value) {
    if (value && FParent) SetFont(FParent->GetFont());
    FParentFont = value;
}

void TpvrComponent::SetVisible(bool value) { FVisible = value; }

void TpvrComponent::FontChange(TObject*) { FontChanged(); }

void TpvrComponent::FontChanged() {
    FParentFont = false;
    // Copy: a child's font change may reorder nothing, but a handler may add or free objects.
    const std::vector<TpvrComponent*> children = FObjects;
    for (TpvrComponent* child : children)
        if (child->FParentFont) child->SetParentFont(true);
}

void TpvrComponent::SetName(const String& value) {
    if (!value.empty()) {
        if (TpvrReport* report = Report()) {
            TpvrComponent* found = report->FindObject(value);
            if (found && found != this) throw Exception(GetResources()->Get("prDupl"));
        }
    }
    inherited::SetName(value);
}

String TpvrComponent::GetBaseName() const {
    if (!FBaseName.empty()) return FBaseName;
    String name = ClassName();
    auto removeFirst = [&name](const String& part) {
        const std::size_t pos = name.find(part);
        if (pos != String::npos) name.erase(pos, part.size());
    };
    removeFirst("Tpvr");
    removeFirst(InheritsFrom(TpvrDialogControl::StaticClass()) ? "Control" : "View");
    return name;
}

void TpvrComponent::CreateUniqueName() {
    TStringList names;
    names.SetSorted(true);
    names.SetDuplicates(dupIgnore);
    TpvrComponent* scope = Report();
    if (!scope) scope = FParent;
    if (scope)
        for (TpvrComponent* c : scope->AllObjects())
            names.Add(c->GetName());
    const String base = GetBaseName();
    Integer index = 0;
    for (Integer i = 1;; ++i) {
        if (!names.Find(base + IntToStr(i), index)) {
            SetName(base + IntToStr(i));
            return;
        }
    }
}

String TpvrComponent::GetDescription() { return ClassName(); }

String TpvrComponent::DiffAttributes(TpvrComponent* source) {
    String result;
    const bool isBand = InheritsFrom(TpvrBand::StaticClass());
    if (GetAlignCode() <= 0 && std::fabs(double(FLeft - source->FLeft)) > pvrTolerance)
        result += Attribute("l", FloatText(FLeft));
    if (isBand || std::fabs(double(FTop - source->FTop)) > pvrTolerance)
        result += Attribute("t", FloatText(FTop));
    if (!IsAutoWidth() && std::fabs(double(FWidth - source->FWidth)) > pvrTolerance)
        result += Attribute("w", FloatText(FWidth));
    if (std::fabs(double(FHeight - source->FHeight)) > pvrTolerance)
        result += Attribute("h", FloatText(FHeight));
    if (FVisible != source->FVisible) result += Attribute("Visible", VariantToXMLText(Variant(FVisible)));
    if (!FParentFont) {
        TFont* f = FFont.get();
        TFont* s = source->FFont.get();
        if (f->GetName() != s->GetName()) result += Attribute("Font.Name", EscapeXMLText(f->GetName()));
        if (f->GetSize() != s->GetSize()) result += Attribute("Font.Size", IntToStr(f->GetSize()));
        if (f->GetColor() != s->GetColor())
            result += Attribute("Font.Color", IntToStr(Integer(f->GetColor())));
        if (f->GetStyle() != s->GetStyle())
            result += Attribute("Font.Style", IntToStr(FontStyleNumber(f->GetStyle())));
        if (f->GetCharset() != s->GetCharset())
            result += Attribute("Font.Charset", IntToStr(Integer(f->GetCharset())));
    }
    if (FParentFont != source->FParentFont)
        result += Attribute("ParentFont", VariantToXMLText(Variant(FParentFont)));
    if (GetTag() != source->GetTag()) result += Attribute("Tag", IntToStr(GetTag()));
    return result;
}

void TpvrComponent::GetChildren(const TGetChildProc& proc, TComponent*) {
    const std::vector<TpvrComponent*> children = FObjects;
    for (TpvrComponent* child : children)
        proc(child);
}

TComponent* TpvrComponent::GetChildOwner() { return this; }

// ---- TpvrReportComponent -----------------------------------------------------------------------

TpvrReportComponent::TpvrReportComponent(TComponent* owner)
    : TpvrComponent(owner), FAuxList(std::make_unique<TList>()) {}

TpvrReportComponent::~TpvrReportComponent() = default;

void TpvrReportComponent::BeforePrint() {
    SavedBounds = MakeRect(GetLeft(), GetTop(), GetWidth(), GetHeight());
}

void TpvrReportComponent::AfterPrint() {
    SetBounds(SavedBounds.Left, SavedBounds.Top, SavedBounds.Right, SavedBounds.Bottom);
}

TpvrRect TpvrReportComponent::GetAbsoluteBounds() {
    return MakeRect(AbsLeft(), AbsTop(), AbsLeft() + GetWidth(), AbsTop() + GetHeight());
}

// ---- TpvrDialogComponent -----------------------------------------------------------------------

TpvrDialogComponent::TpvrDialogComponent(TComponent* owner) : TpvrReportComponent(owner) {
    SetLeft(-10000);
    SetTop(-10000);
}

TpvrDialogComponent::~TpvrDialogComponent() = default;

void TpvrDialogComponent::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineProperty(
        "pLeft", [this](TReader* reader) { SetLeft(reader->ReadInteger()); }, nullptr, false);
    filer->DefineProperty(
        "pTop", [this](TReader* reader) { SetTop(reader->ReadInteger()); }, nullptr, false);
}

// ---- Module-wide -------------------------------------------------------------------------------

TCriticalSection* GlobalLock() {
    static TCriticalSection* lock = new TCriticalSection();
    return lock;
}

// ---- XML definitions ---------------------------------------------------------------------------

namespace {

// Puts an object's name back once a definition has been written or read, whatever happened.
struct TNameRestore {
    TpvrComponent* Obj;
    String Name;
    ~TNameRestore() {
        try {
            Obj->SetName(Name);
        } catch (const Exception&) {
            // A name taken meanwhile by a loaded object stays with that object.
        }
    }
};

} // namespace

void TpvrComponent::SaveToStream(TStream* stream, bool saveChildren, bool saveDefaultValues) {
    TNameRestore restore{this, GetName()};
    SetName(String());
    TpvrXMLSerializer serializer(stream);
    serializer.Owner = Report();
    serializer.SerializeDefaultValues = saveDefaultValues;
    serializer.WriteTree(this, saveChildren);
}

void TpvrComponent::LoadFromStream(TStream* stream) {
    TNameRestore restore{this, GetName()};
    Clear();
    TpvrReport* report = Report();
    TpvrXMLSerializer serializer(stream);
    serializer.Owner = report;
    struct TCurrentScope {
        TpvrReport* Report;
        TpvrXMLSerializer* Serializer;
        bool Locked;
        ~TCurrentScope() {
            if (Locked) GlobalLock()->Release();
            if (!Report) return;
            Report->CurrentSerializer = nullptr;
            TStringList* errors = Serializer->GetErrors();
            for (Integer i = 0; i < errors->GetCount(); ++i) Report->GetErrors()->Add(errors->GetStrings(i));
        }
    };
    const bool locked = report && report->GetEngineOptions()->ThreadSafeLoading;
    if (locked) GlobalLock()->Acquire();
    TCurrentScope scope{report, &serializer, locked};
    if (report) report->CurrentSerializer = &serializer;
    SetName(String());
    serializer.ReadTree(this);
}

void TpvrComponent::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TpvrComponent*>(source);
    if (other == nullptr) return;
    TMemoryStream data;
    other->SaveToStream(&data, false, true);
    data.SetPosition(0);
    LoadFromStream(&data);
}

void TpvrComponent::AssignAll(TpvrComponent* source) {
    if (source == nullptr) return;
    TMemoryStream data;
    source->SaveToStream(&data, true, true);
    data.SetPosition(0);
    LoadFromStream(&data);
}

String TpvrComponent::AllAttributes(TpvrComponent* source) {
    TStringStream text;
    TpvrXMLSerializer serializer(&text);
    serializer.Owner = Report();
    serializer.WriteObjectTag(this);
    const String& tag = text.GetDataString();
    const std::size_t blank = tag.find(' ');
    String result = blank == String::npos || tag.size() < blank + 3 ? String() : tag.substr(blank + 1, tag.size() - blank - 3);
    if (source) result += " " + DiffAttributes(source);
    return result;
}

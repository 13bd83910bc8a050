#include "report/pvrPreviewPages.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Numbers.h"
#include "platform/classlib/Metafiles.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/Shell.h"
#include "report/pvrDMPClass.h"
#include "report/pvrPrinter.h"
#include "report/pvrXMLSerializer.h"

namespace {

constexpr Integer kMaxCachedPages = 50;

Integer AttrInt(const TpvrXMLItem* item, const String& name, Integer fallback) {
    const String value = item->Attr(name);
    if (value.empty()) return fallback;
    return StrToIntDef(value, fallback);
}

Extended AttrFloat(const TpvrXMLItem* item, const String& name, Extended fallback) {
    const String value = item->Attr(name);
    if (value.empty()) return fallback;
    Extended result = fallback;
    return TryStrToFloat(value, result) ? result : fallback;
}

// Classes whose attributes are stored whole, not as differences from their source.
bool StoresWholeAttributes(TpvrComponent* object) {
    if (!object->InheritsFrom(TpvrView::StaticClass())) return false;
    return !(object->InheritsFrom(TpvrCustomMemoView::StaticClass()) ||
             object->InheritsFrom(TpvrCustomLineView::StaticClass()) ||
             object->InheritsFrom(TpvrShapeView::StaticClass()) ||
             object->InheritsFrom(TpvrPictureView::StaticClass()));
}

// Objects that are never recorded themselves: their children stand in their place.
bool IsTransparentContainer(TpvrComponent* object) {
    return object->InheritsFrom(TpvrDialogComponent::StaticClass()) || object->ClassNameIs("TpvrSubreport") ||
           object->ClassNameIs("TpvrCrossView") || object->ClassNameIs("TpvrDBCrossView");
}

bool IsLeftOutOfSource(TpvrComponent* object) {
    return object->InheritsFrom(TpvrDialogComponent::StaticClass()) || object->ClassNameIs("TpvrCrossView") ||
           object->ClassNameIs("TpvrDBCrossView");
}

String LowerFirst(const String& text) { return text.empty() ? String() : LowerCase(text.substr(0, 1)); }

} // namespace

// ---- Outline -----------------------------------------------------------------------------------

TpvrCustomEngine* TpvrCustomOutline::GetEngine() const { return PreviewPages ? PreviewPages->Engine : nullptr; }

TpvrXMLItem* TpvrOutline::Root() {
    auto* pages = dynamic_cast<TpvrPreviewPages*>(PreviewPages);
    return pages->RootChild("outline");
}

TpvrXMLItem* TpvrOutline::Current() {
    if (CurrentItem == nullptr) CurrentItem = Root();
    return CurrentItem;
}

Integer TpvrOutline::GetCount() { return Current()->ChildCount(); }

void TpvrOutline::AddItem(const String& text, Integer top) {
    TpvrXMLItem* item = Current()->AddChild();
    item->Name = "item";
    item->SetAttr("text", text);
    item->SetAttr("page", IntToStr(PreviewPages->CurrentPage));
    item->SetAttr("top", IntToStr(top));
    CurrentItem = item;
}

void TpvrOutline::LevelDown(Integer index) { CurrentItem = Current()->Child(index); }

void TpvrOutline::LevelRoot() { CurrentItem = Root(); }

void TpvrOutline::LevelUp() {
    TpvrXMLItem* root = Root();
    if (Current() != root && CurrentItem->Parent) CurrentItem = CurrentItem->Parent;
}

void TpvrOutline::GetItem(Integer index, String& text, Integer& page, Integer& top) {
    TpvrXMLItem* item = Current()->Child(index);
    text = item->Attr("text");
    page = AttrInt(item, "page", page);
    top = AttrInt(item, "top", top);
}

void TpvrOutline::ShiftItems(TpvrXMLItem* item, Integer newTop) {
    if (item == nullptr || item->Parent == nullptr) return;
    TpvrXMLItem* parent = item->Parent;
    const Integer i = parent->IndexOfItem(item);
    if (i < 0 || i + 1 >= parent->ChildCount()) return;
    TpvrXMLItem* next = parent->Child(i + 1);
    const Integer shift = newTop - AttrInt(next, "top", 0);
    std::function<void(TpvrXMLItem*)> move = [&](TpvrXMLItem* node) {
        node->SetAttr("page", IntToStr(AttrInt(node, "page", 0) + 1));
        node->SetAttr("top", IntToStr(AttrInt(node, "top", 0) + shift));
        for (Integer c = 0; c < node->ChildCount(); ++c)
            move(node->Child(c));
    };
    move(next);
}

TpvrXMLItem* TpvrOutline::GetLastItem() {
    TpvrXMLItem* current = Current();
    return current->ChildCount() > 0 ? current->Child(current->ChildCount() - 1) : current;
}

// ---- Dictionary --------------------------------------------------------------------------------

TpvrDictionary::TpvrDictionary()
    : FNames(std::make_unique<TStringList>()), FFullSourceNames(std::make_unique<TStringList>()) {
    FNames->SetSorted(true);
}

TpvrDictionary::~TpvrDictionary() = default;

void TpvrDictionary::Clear() {
    FNames->Clear();
    FFullSourceNames->Clear();
}

void TpvrDictionary::Add(const String& alias, const String& fullName, TObject* object) {
    const Integer index = FFullSourceNames->AddObject(fullName, object);
    FNames->AddObject(alias, reinterpret_cast<TObject*>(static_cast<std::intptr_t>(index)));
}

Integer TpvrDictionary::IndexOfAlias(const String& alias) const {
    Integer index = -1;
    if (!FNames->Find(alias, index)) return -1;
    return Integer(reinterpret_cast<std::intptr_t>(FNames->GetObjects(index)));
}

String TpvrDictionary::CreateUniqueName(const String& prefix) {
    Integer n = 10000;
    Integer dummy = 0;
    while (n > 1) {
        if (FNames->Find(prefix + IntToStr(n), dummy)) break;
        n /= 2;
    }
    while (FNames->Find(prefix + IntToStr(n), dummy))
        ++n;
    return prefix + IntToStr(n);
}

String TpvrDictionary::AddUnique(const String& prefix, const String& fullName, TObject* object) {
    const String alias = CreateUniqueName(prefix);
    Add(alias, fullName, object);
    return alias;
}

TObject* TpvrDictionary::GetObject(const String& alias) const {
    const Integer index = IndexOfAlias(alias);
    return index < 0 ? nullptr : FFullSourceNames->GetObjects(index);
}

String TpvrDictionary::GetSourceName(const String& alias) const {
    const Integer index = IndexOfAlias(alias);
    return index < 0 ? String() : FFullSourceNames->GetStrings(index);
}

// ---- The store ---------------------------------------------------------------------------------

TpvrCustomPreviewPages::TpvrCustomPreviewPages(TpvrReport* report) : Report(report) {}

TpvrCustomPreviewPages::~TpvrCustomPreviewPages() = default;

// Keeps the links between design objects and their source copies weak: a design object that
// goes clears the link of its copy, and freeing the copies clears the links of the design
// objects still alive.
class TpvrPreviewPages::TLinkWatcher : public TComponent {
public:
    TLinkWatcher() : TComponent(nullptr) {}
    ~TLinkWatcher() override { ReleaseLinks(); }

    void Link(TpvrComponent* design, TpvrComponent* copy) {
        design->SourceObject = copy;
        copy->SourceObject = design;
        if (FCopies.emplace(design, copy).second) design->FreeNotification(this);
        else FCopies[design] = copy;
    }
    // The copies are going: the design objects forget them.
    void ReleaseLinks() {
        for (auto& [design, copy] : FCopies) {
            auto* object = static_cast<TpvrComponent*>(design);
            if (object->SourceObject == copy) object->SourceObject = nullptr;
            design->RemoveFreeNotification(this);
        }
        FCopies.clear();
    }
    // Tag texts of the source copies.
    std::unordered_map<TpvrComponent*, String> Tags;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != opRemove) return;
        auto found = FCopies.find(component);
        if (found == FCopies.end()) return;
        if (found->second->SourceObject == component) found->second->SourceObject = nullptr;
        FCopies.erase(found);
    }

private:
    std::unordered_map<TComponent*, TpvrComponent*> FCopies;
};

TpvrPreviewPages::TpvrPreviewPages(TpvrReport* report)
    : TpvrCustomPreviewPages(report), FDictionary(std::make_unique<TpvrDictionary>()),
      FPageCache(std::make_unique<TStringList>()), FDocument(std::make_unique<TpvrXMLDocument>()),
      FWatcher(std::make_unique<TLinkWatcher>()) {
    FOutline = std::make_unique<TpvrOutline>(this);
    FDocument->Root()->Name = "preparedreport";
}

TpvrPreviewPages::~TpvrPreviewPages() {
    ClearCache();
    FreeSourcePages();
}

TpvrXMLItem* TpvrPreviewPages::RootChild(const String& name) {
    TpvrXMLItem* root = FDocument->Root();
    const Integer index = root->IndexOfChild(name);
    if (index >= 0) return root->Child(index);
    TpvrXMLItem* item = root->AddChild();
    item->Name = name;
    return item;
}

TpvrXMLItem* TpvrPreviewPages::PageItem(Integer index) {
    FPagesItem = RootChild("previewpages");
    return FPagesItem->Child(index);
}

TpvrXMLItem* TpvrPreviewPages::CurrentPageItem() {
    FPagesItem = RootChild("previewpages");
    if (CurrentPage < 0 || CurrentPage >= FPagesItem->ChildCount()) return nullptr;
    return FPagesItem->Child(CurrentPage);
}

Integer TpvrPreviewPages::GetCount() { return RootChild("previewpages")->ChildCount(); }

void TpvrPreviewPages::ClearCache() {
    while (FPageCache->GetCount() > 0) {
        delete FPageCache->GetObjects(0);
        FPageCache->Delete(0);
    }
}

void TpvrPreviewPages::FreeSourcePages() {
    FWatcher->ReleaseLinks();
    FWatcher->Tags.clear();
    for (TpvrReportPage* page : FSourcePages)
        delete page;
    FSourcePages.clear();
}

void TpvrPreviewPages::Clear() {
    ClearCache();
    FreeSourcePages();
    FDocument->Clear();
    FDocument->Root()->Name = "preparedreport";
    FPagesItem = nullptr;
    FOutline->CurrentItem = nullptr;
    FDictionary->Clear();
    CurrentPage = -1;
    AllocatedSize = 0;
}

void TpvrPreviewPages::Initialize() {
    FDocument->TempDir = Report->GetEngineOptions()->TempDir;
    Report->DoProgressStart(0);
}

void TpvrPreviewPages::AddObject(TpvrComponent* object) {
    TpvrXMLItem* page = CurrentPageItem();
    if (page) DoAddObject(object, page);
}

void TpvrPreviewPages::DoAddObject(TpvrComponent* object, TpvrXMLItem* container) {
    if (!object->GetVisible()) return;
    if (!IsTransparentContainer(object)) {
        TpvrXMLItem* item = container->AddChild();
        if (TpvrComponent* source = object->SourceObject) {
            item->Name = object->Alias;
            const bool finalPass = Engine == nullptr || Engine->FinalPass;
            if (!finalPass)
                item->AttrText = object->TpvrComponent::DiffAttributes(source);
            else if (StoresWholeAttributes(object))
                item->AttrText = object->AllAttributes(source);
            else
                item->AttrText = object->DiffAttributes(source);
        } else {
            item->Name = object->ClassName();
            item->AttrText = object->AllAttributes();
        }
        AllocatedSize += Integer(item->Name.size() + item->AttrText.size() + sizeof(TpvrXMLItem) + 16);
        container = item;
    }
    const std::vector<TpvrComponent*> children = object->GetObjects();
    for (TpvrComponent* child : children)
        DoAddObject(child, container);
}

void TpvrPreviewPages::AddPage(TpvrReportPage* page) {
    FPagesItem = RootChild("previewpages");
    TpvrEngineOptions* options = Report->GetEngineOptions();
    if (options->UseFileCache && Int64(AllocatedSize) > Int64(options->MaxMemSize) * 1048576) {
        for (Integer i = FPagesItem->ChildCount() - 2; i >= 0; --i) {
            TpvrXMLItem* item = FPagesItem->Child(i);
            if (!item->IsLoaded) break;
            if (item->IsUnloadable) FDocument->SwapOutItem(item);
        }
        AllocatedSize = 0;
    }
    ++CurrentPage;
    if (CurrentPage < GetCount() && AddMode != Append) return;
    Integer sourceIndex = -1;
    for (std::size_t i = 0; i < FSourcePages.size(); ++i)
        if (FSourcePages[i]->SourceObject == page) {
            sourceIndex = Integer(i);
            break;
        }
    TpvrXMLItem* item = FPagesItem->AddChild();
    item->Name = "page" + IntToStr(sourceIndex);
    if (FPagesItem->ChildCount() > 2) item->IsUnloadable = true;
    Report->DoProgress(0, CurrentPage + 1);
    AddMode = WriteOver;
    CurrentPage = GetCount() - 1;
}

void TpvrPreviewPages::TagSourceCopy(TpvrComponent* copy) {
    if (StoresWholeAttributes(copy)) {
        FWatcher->Tags[copy] = copy->ClassName();
        return;
    }
    TStringStream text;
    TpvrXMLSerializer serializer(&text);
    FWatcher->Tags[copy] = serializer.ObjectToText(copy);
}

void TpvrPreviewPages::AddSourcePage(TpvrReportPage* page) {
    std::vector<TpvrComponent*> designs;
    std::vector<TpvrComponent*> copies;
    std::function<void(TpvrComponent*, TpvrComponent*)> copyTree = [&](TpvrComponent* design,
                                                                       TpvrComponent* parentCopy) {
        if (IsLeftOutOfSource(design)) return;
        auto* copy = static_cast<TpvrComponent*>(design->ClassType()->Create(parentCopy));
        copy->Assign(design);
        copy->SetName(design->GetName());
        designs.push_back(design);
        copies.push_back(copy);
        const std::vector<TpvrComponent*> children = design->GetObjects();
        for (TpvrComponent* child : children)
            copyTree(child, copy);
    };
    copyTree(page, nullptr);
    auto* pageCopy = static_cast<TpvrReportPage*>(copies.front());
    pageCopy->SourceObject = page;
    FSourcePages.push_back(pageCopy);
    const String pagePrefix = "Page" + IntToStr(Integer(FSourcePages.size()) - 1) + ".";
    for (std::size_t i = 1; i < copies.size(); ++i) {
        TpvrComponent* copy = copies[i];
        FWatcher->Link(designs[i], copy);
        const String prefix = copy->InheritsFrom(TpvrBand::StaticClass()) ? String("b") : LowerFirst(copy->GetBaseName());
        const String alias = FDictionary->AddUnique(prefix, pagePrefix + copy->GetName(), copy);
        TagSourceCopy(copy);
        copy->Alias = alias;
        designs[i]->Alias = alias;
    }
}

void TpvrPreviewPages::AddToSourcePage(TpvrComponent* object) {
    if (FSourcePages.empty()) return;
    TpvrReportPage* last = FSourcePages.back();
    auto* copy = static_cast<TpvrComponent*>(object->ClassType()->Create(last));
    copy->Assign(object);
    copy->CreateUniqueName();
    const String fullName = "Page" + IntToStr(Integer(FSourcePages.size()) - 1) + "." + copy->GetName();
    const String alias = FDictionary->AddUnique(LowerFirst(copy->GetBaseName()), fullName, copy);
    TagSourceCopy(copy);
    FWatcher->Link(object, copy);
    object->Alias = alias;
    copy->Alias = alias;
}

void TpvrPreviewPages::SetRollbackPoint() {
    RollbackPage = GetCount() - 1;
    if (RollbackPage >= 0) RollbackObjectCount = PageItem(RollbackPage)->ChildCount();
}

void TpvrPreviewPages::Rollback() {
    ClearCache();
    if (RollbackPage == -1) {
        TpvrXMLItem* root = FDocument->Root();
        for (Integer i = 0; i < root->ChildCount(); ++i)
            if (!SameText(root->Child(i)->Name, "anchors")) root->Child(i)->ClearChildren();
        FOutline->CurrentItem = nullptr;
    } else {
        TpvrXMLItem* page = PageItem(RollbackPage);
        while (page->ChildCount() > RollbackObjectCount)
            delete page->Child(page->ChildCount() - 1);
        while (FPagesItem->ChildCount() > RollbackPage + 1)
            delete FPagesItem->Child(FPagesItem->ChildCount() - 1);
    }
    CurrentPage = RollbackPage;
    AllocatedSize = 0;
}

void TpvrPreviewPages::CutObjects(Integer position) {
    TpvrXMLItem* page = CurrentPageItem();
    if (!page) return;
    TpvrXMLItem* cutted = RootChild("cutted");
    while (page->ChildCount() > position)
        cutted->AppendChild(page->Child(position));
}

void TpvrPreviewPages::PasteObjects(Extended x, Extended y) {
    TpvrXMLItem* root = FDocument->Root();
    const Integer index = root->IndexOfChild("cutted");
    if (index < 0) return;
    TpvrXMLItem* cutted = root->Child(index);
    TpvrXMLItem* page = CurrentPageItem();
    if (cutted->ChildCount() > 0 && page) {
        TpvrXMLItem* first = cutted->Child(0);
        const Extended dx = x - AttrFloat(first, "l", 0);
        const Extended dy = y - AttrFloat(first, "t", 0);
        while (cutted->ChildCount() > 0) {
            TpvrXMLItem* item = cutted->Child(0);
            item->SetAttr("l", FloatToStr(AttrFloat(item, "l", 0) + dx));
            item->SetAttr("t", FloatToStr(AttrFloat(item, "t", 0) + dy));
            page->AppendChild(item);
        }
    }
    delete cutted;
}

TpvrComponent* TpvrPreviewPages::SourceCopyOf(TpvrXMLItem* item) const {
    return dynamic_cast<TpvrComponent*>(FDictionary->GetObject(item->Name));
}

bool TpvrPreviewPages::BandExists(TpvrBand* band) {
    TpvrXMLItem* page = CurrentPageItem();
    if (!page) return false;
    for (Integer i = 0; i < page->ChildCount(); ++i) {
        TpvrComponent* copy = SourceCopyOf(page->Child(i));
        if (!copy) continue;
        if (copy->SourceObject == band) return true;
        if (band->InheritsFrom(TpvrPageFooter::StaticClass()) && copy->InheritsFrom(TpvrPageFooter::StaticClass()))
            return true;
        if (band->InheritsFrom(TpvrColumnFooter::StaticClass()) &&
            copy->InheritsFrom(TpvrColumnFooter::StaticClass()))
            return true;
    }
    return false;
}

Integer TpvrPreviewPages::GetCurPosition() {
    TpvrXMLItem* page = CurrentPageItem();
    return page ? page->ChildCount() : 0;
}

Extended TpvrPreviewPages::GetLastY() {
    TpvrXMLItem* page = CurrentPageItem();
    Extended result = 0;
    if (!page) return result;
    for (Integer i = 0; i < page->ChildCount(); ++i) {
        TpvrXMLItem* item = page->Child(i);
        TpvrComponent* copy = SourceCopyOf(item);
        if (!copy || !copy->InheritsFrom(TpvrBand::StaticClass())) continue;
        if (copy->InheritsFrom(TpvrPageFooter::StaticClass()) || copy->InheritsFrom(TpvrOverlay::StaticClass()))
            continue;
        const Extended bottom = AttrFloat(item, "t", copy->GetTop()) + AttrFloat(item, "h", copy->GetHeight());
        result = std::max(result, bottom);
    }
    return result;
}

void TpvrPreviewPages::Finish() {
    ClearCache();
    for (TpvrReportPage* page : FSourcePages)
        page->SourceObject = nullptr;
    Report->DoProgressStop(0);
}

// ---- Pages as objects --------------------------------------------------------------------------

void TpvrPreviewPages::BuildObjects(TpvrXMLItem* item, TpvrComponent* parent, TpvrComponent* page) {
    for (Integer i = 0; i < item->ChildCount(); ++i) {
        TpvrXMLItem* child = item->Child(i);
        if (!child->IsLoaded) FDocument->SwapInItem(child);
        TpvrComponent* copy = SourceCopyOf(child);
        TStringStream text;
        TpvrXMLSerializer serializer(&text);
        TpvrComponent* object = nullptr;
        try {
            if (copy) {
                auto tag = FWatcher->Tags.find(copy);
                const String base = tag != FWatcher->Tags.end() ? tag->second : copy->ClassName();
                object = serializer.ObjectFromText(page, base + " " + child->AttrText);
                if (object) object->SetName(copy->GetName());
            } else {
                object = serializer.ObjectFromText(page, child->Name + " " + child->AttrText);
            }
        } catch (const Exception& e) {
            Report->GetErrors()->Add(e.Message);
            object = nullptr;
        }
        for (Integer e = 0; e < serializer.GetErrors()->GetCount(); ++e)
            Report->GetErrors()->Add(serializer.GetErrors()->GetStrings(e));
        if (!object) continue;
        object->SetParent(parent);
        BuildObjects(child, object, page);
    }
}

TpvrReportPage* TpvrPreviewPages::GetPage(Integer index) {
    if (GetCount() == 0 || index < 0 || index >= GetCount()) return nullptr;
    const String key = IntToStr(index);
    const bool running = Engine && Engine->Running;
    if (!running) {
        const Integer cached = FPageCache->IndexOf(key);
        if (cached >= 0) {
            FPageCache->Exchange(cached, 0);
            return static_cast<TpvrReportPage*>(FPageCache->GetObjects(0));
        }
    } else {
        // A page fetched while the engine writes may be outdated: build it afresh.
        const Integer cached = FPageCache->IndexOf(key);
        if (cached >= 0) EvictCacheEntry(cached);
    }
    TpvrXMLItem* item = PageItem(index);
    if (!item->IsLoaded) FDocument->SwapInItem(item);
    std::unique_ptr<TpvrReportPage> page;
    // A page of a dot-matrix report is a dot-matrix page again.
    auto makePage = [](bool dotMatrix) -> TpvrReportPage* {
        return dotMatrix ? new TpvrDMPPage(nullptr) : new TpvrReportPage(nullptr);
    };
    if (SameText(item->Name, "TpvrReportPage") || SameText(item->Name, "TpvrDMPPage")) {
        page.reset(makePage(SameText(item->Name, "TpvrDMPPage")));
        TStringStream text;
        TpvrXMLSerializer serializer(&text);
        serializer.ReadTree(page.get(), item);
    } else {
        const Integer sourceIndex = item->Name.size() > 4 ? StrToIntDef(item->Name.substr(4, 5), -1) : -1;
        TpvrReportPage* source = sourceIndex >= 0 && sourceIndex < Integer(FSourcePages.size())
                                     ? FSourcePages[std::size_t(sourceIndex)]
                                     : nullptr;
        page.reset(makePage(source != nullptr && source->InheritsFrom(TpvrDMPPage::StaticClass())));
        if (source) page->Assign(source);
        BuildObjects(item, page.get(), page.get());
    }
    // A page read from a damaged file whose sizes cannot be drawn is not built.
    String reason;
    if (!GeometryFits(page.get(), reason)) {
        Report->GetErrors()->Add("Invalid file format: page " + IntToStr(index + 1) + ", " + reason);
        return nullptr;
    }
    page->AlignChildren();
    TpvrReportPage* result = page.release();
    FPageCache->InsertObject(0, key, result);
    if (FPageCache->GetCount() > kMaxCachedPages) EvictCacheEntry(FPageCache->GetCount() - 1);
    return result;
}

void TpvrPreviewPages::EvictCacheEntry(Integer index) {
    const Integer pageIndex = StrToIntDef(FPageCache->GetStrings(index), -1);
    delete FPageCache->GetObjects(index);
    FPageCache->Delete(index);
    if (Report->GetEngineOptions()->UseFileCache && pageIndex >= 0 && pageIndex < GetCount()) {
        TpvrXMLItem* item = PageItem(pageIndex);
        if (item->IsUnloadable && item->IsLoaded) FDocument->SwapOutItem(item);
    }
}

TPoint TpvrPreviewPages::GetPageSize(Integer index) {
    if (GetCount() == 0 || index < 0 || index >= GetCount()) return TPoint{0, 0};
    TpvrXMLItem* item = PageItem(index);
    TpvrReportPage* page = nullptr;
    if (item->Name.size() > 4 && SameText(item->Name.substr(0, 4), "page")) {
        const Integer sourceIndex = StrToIntDef(item->Name.substr(4, 5), -1);
        if (sourceIndex >= 0 && sourceIndex < Integer(FSourcePages.size()))
            page = FSourcePages[std::size_t(sourceIndex)];
    }
    if (!page) page = GetPage(index);
    if (!page) return TPoint{0, 0};
    return TPoint{Integer(Round(page->GetWidth())), Integer(Round(page->GetHeight()))};
}

// ---- Editing -----------------------------------------------------------------------------------

void TpvrPreviewPages::AddEmptyPage(Integer index) {
    if (GetCount() == 0) return;
    TpvrXMLItem* item = new TpvrXMLItem();
    item->Name = PageItem(index)->Name;
    FPagesItem->InsertChild(index, item);
    ClearCache();
}

void TpvrPreviewPages::DeletePage(Integer index) {
    if (GetCount() < 2 || index < 0 || index >= GetCount()) return;
    delete PageItem(index);
    ClearCache();
}

void TpvrPreviewPages::ModifyPage(Integer index, TpvrReportPage* page) {
    TpvrXMLItem* item = PageItem(index);
    item->ClearChildren();
    TStringStream text;
    TpvrXMLSerializer serializer(&text);
    serializer.WriteTree(page, true, item);
    item->IsUnloadable = false;
    ClearCache();
}

void TpvrPreviewPages::AddFrom(TpvrReport* report) {
    auto* other = report ? report->GetPreviewPages() : nullptr;
    if (!other || other == this) return;
    FPagesItem = RootChild("previewpages");
    for (Integer i = 0; i < other->GetCount(); ++i) {
        TpvrReportPage* page = other->GetPage(i);
        if (!page) continue;
        auto* item = FPagesItem->AddChild();
        // Named by the class until the writer names it; this holds on an empty store too.
        item->Name = page->ClassName();
        TStringStream text;
        TpvrXMLSerializer serializer(&text);
        serializer.WriteTree(page, true, item);
        item->IsUnloadable = false;
    }
    ClearCache();
}

// ---- Anchors -----------------------------------------------------------------------------------

void TpvrPreviewPages::AddAnchor(const String& text) {
    TpvrXMLItem* item = RootChild("anchors")->AddChild();
    item->Name = "item";
    item->SetAttr("text", text);
    item->SetAttr("page", IntToStr(CurrentPage));
    item->SetAttr("top", IntToStr(Engine ? Integer(Round(Engine->CurY)) : 0));
}

TpvrXMLItem* TpvrPreviewPages::FindAnchor(const String& text) {
    TpvrXMLItem* anchors = RootChild("anchors");
    for (Integer i = anchors->ChildCount() - 1; i >= 0; --i)
        if (AnsiSameText(anchors->Child(i)->Attr("text"), text)) return anchors->Child(i);
    return nullptr;
}

Integer TpvrPreviewPages::GetAnchorPage(const String& text) {
    TpvrXMLItem* item = FindAnchor(text);
    return item ? AttrInt(item, "page", 0) + 1 : 1;
}

void TpvrPreviewPages::GoToAnchor(const String& text) {
    TpvrXMLItem* item = FindAnchor(text);
    if (item && OnGoToPage.Assigned()) OnGoToPage(AttrInt(item, "page", 0) + 1, AttrInt(item, "top", 0));
}

// ---- Drawing and hit test ----------------------------------------------------------------------

namespace {

// Swaps a page's left and right margins for its lifetime when asked.
struct TMirror {
    TMirror(TpvrReportPage* page, bool active) : Page(page), Active(active) {
        if (Active) std::swap(Page->LeftMargin, Page->RightMargin);
    }
    ~TMirror() {
        if (Active) std::swap(Page->LeftMargin, Page->RightMargin);
    }
    TpvrReportPage* Page;
    bool Active;
};

} // namespace

void TpvrPreviewPages::DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                Extended offsetY) {
    TpvrReportPage* page = GetPage(index);
    if (!page) return;
    TMirror mirror(page, page->MirrorMargins && (index % 2) == 1);
    const bool metafile = canvas->InheritsFrom(TMetafileCanvas::StaticClass());
    // A printer's canvas is not clipped: its device starts at the printable area, not the paper.
    const bool printer = canvas->InheritsFrom(TpvrPrinterCanvas::StaticClass());
    HDC dc = canvas->GetHandle();
    HRGN saved = nullptr;
    bool hadClip = false;
    RECT clip{};
    if (!printer) {
        saved = CreateRectRgn(0, 0, 0, 0);
        hadClip = GetClipRgn(dc, saved) == 1;
        HRGN paper = CreateRectRgn(Integer(Round(offsetX)), Integer(Round(offsetY)),
                                   Integer(Round(page->GetPaperWidth() * pvrMillimetre * scaleX + offsetX)) - 1,
                                   Integer(Round(page->GetPaperHeight() * pvrMillimetre * scaleY + offsetY)) - 1);
        if (hadClip)
            CombineRgn(paper, paper, saved, RGN_AND);
        SelectClipRgn(dc, paper);
        DeleteObject(paper);
        GetClipBox(dc, &clip);
    }
    page->DrawBackground(canvas, scaleX, scaleY, offsetX, offsetY);
    offsetX += page->LeftMargin * pvrMillimetre * scaleX;
    offsetY += page->TopMargin * pvrMillimetre * scaleY;
    const Integer count = GetCount();
    for (TpvrComponent* object : page->AllObjects()) {
        auto* view = dynamic_cast<TpvrView*>(object);
        if (!view) continue;
        if (printer && !view->Printable) continue;
        const Extended l = view->AbsLeft() * scaleX + offsetX - 20;
        const Extended t = view->AbsTop() * scaleY + offsetY - 20;
        const Extended r = (view->AbsLeft() + view->GetWidth()) * scaleX + offsetX + 20;
        const Extended b = (view->AbsTop() + view->GetHeight()) * scaleY + offsetY + 20;
        const bool visible =
            metafile || printer || (l < clip.right && r > clip.left && t < clip.bottom && b > clip.top);
        if (!visible) continue;
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(view)) memo->TotalPages = count;
        view->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    }
    if (!printer) {
        SelectClipRgn(dc, hadClip ? saved : nullptr);
        DeleteObject(saved);
    }
}

void TpvrPreviewPages::HitTestObject(Integer pageIndex, Extended x, Extended y, bool click, TCursor& cursor,
                                     Extended scale, Extended offsetX, Extended offsetY, TMouseButton button,
                                     TShiftState shift) {
    if (pageIndex < 0 || pageIndex >= GetCount() || (Engine && Engine->Running)) return;
    TpvrReportPage* page = GetPage(pageIndex);
    if (!page) return;
    const bool mirrored = page->MirrorMargins && (pageIndex % 2) == 1;
    offsetX += scale * pvrMillimetre * (mirrored ? page->RightMargin : page->LeftMargin);
    offsetY += scale * pvrMillimetre * page->TopMargin;
    Report->SetProgressMessage(String());
    const std::vector<TpvrComponent*> objects = page->AllObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        auto* view = dynamic_cast<TpvrView*>(*it);
        if (!view) continue;
        const Extended l = view->AbsLeft() * scale + offsetX;
        const Extended t = view->AbsTop() * scale + offsetY;
        const Extended r = l + view->GetWidth() * scale;
        const Extended b = t + view->GetHeight() * scale;
        if (!(x >= l && x <= r && y >= t && y <= b)) continue;
        if (view->Cursor != 0) cursor = view->Cursor;
        if (!view->URL.empty()) {
            Report->SetProgressMessage(view->URL);
            if (view->Cursor == 0) cursor = -21;
        }
        if (click) {
            const String url = view->URL;
            if (!url.empty() && url[0] == '@') {
                if (OnGoToPage.Assigned()) OnGoToPage(StrToIntDef(url.substr(1), 1), 0);
            } else if (!url.empty() && url[0] == '#') {
                GoToAnchor(url.substr(1));
            } else if (!url.empty()) {
                ShellExecuteA(GetDesktopWindow(), nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            }
            bool modified = false;
            Report->FirePreviewClick(view, button, shift, modified);
            if (modified) ModifyPage(pageIndex, page);
        } else if (Report->OnMouseOverObject.Assigned()) {
            bool handled = false;
            Report->OnMouseOverObject(view, handled);
        }
        return;
    }
}

TObject* ReportOutline(TpvrReport* report) {
    return report && report->Engine ? report->GetPreviewPages()->GetOutline() : nullptr;
}

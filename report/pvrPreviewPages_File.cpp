// The prepared report as a file: the store's own XML document made complete by the report's
// preview settings ("report"), the source pages ("sourcepages") and the alias dictionary
// ("dictionary").
#include "report/pvrPreviewPages.h"

#include <cmath>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Threads.h"
#include "report/pvrDMPClass.h"
#include "report/pvrRes.h"
#include "report/pvrXMLSerializer.h"

namespace {

const char* const SInvalidFileFormat = "Invalid file format";

// Sizes and positions a file may give: paper and margins in millimetres, objects in report
// units. Anything larger cannot be drawn (device coordinates are 32-bit) and is damage.
constexpr Extended kMaxPaperMillimetres = 100000;
constexpr Extended kMaxObjectUnits = 1000000;
constexpr Integer kMaxOutlineWidth = 65535;

bool Fits(Extended value, Extended limit) { return std::isfinite(value) && std::fabs(value) <= limit; }

// A Boolean attribute of the "report" element: "1"/"0", also the serializer's names.
bool ReadBoolean(const String& value, bool& result) {
    if (value == "1" || SameText(value, "True")) result = true;
    else if (value == "0" || SameText(value, "False")) result = false;
    else return false;
    return true;
}

} // namespace

bool TpvrPreviewPages::GeometryFits(TpvrReportPage* page, String& reason) {
    if (!Fits(page->GetPaperWidth(), kMaxPaperMillimetres) || !Fits(page->GetPaperHeight(), kMaxPaperMillimetres) ||
        page->GetPaperWidth() < 0 || page->GetPaperHeight() < 0) {
        reason = "paper size";
        return false;
    }
    for (Extended margin : {page->LeftMargin, page->TopMargin, page->RightMargin, page->BottomMargin})
        if (!Fits(margin, kMaxPaperMillimetres)) {
            reason = "margins";
            return false;
        }
    for (Extended value : {page->GetLeft(), page->GetTop(), page->GetWidth(), page->GetHeight()})
        if (!Fits(value, kMaxObjectUnits)) {
            reason = "page size";
            return false;
        }
    for (TpvrComponent* object : page->AllObjects())
        for (Extended value : {object->GetLeft(), object->GetTop(), object->GetWidth(), object->GetHeight()})
            if (!Fits(value, kMaxObjectUnits)) {
                reason = object->GetName().empty() ? object->ClassName() : object->GetName();
                return false;
            }
    return true;
}

void TpvrPreviewPages::LoadFromStream(TStream* stream, bool allowPartialLoading) {
    Clear();
    FStream = stream;
    FAllowPartialLoading = allowPartialLoading;
    TThread* caller = Report->GetEngineOptions()->CallerThread;
    if (caller)
        TThread::Synchronize(caller, [this] { DoLoadFromStream(); });
    else
        DoLoadFromStream();
}

void TpvrPreviewPages::SaveToStream(TStream* stream) {
    FStream = stream;
    TThread* caller = Report->GetEngineOptions()->CallerThread;
    if (caller)
        TThread::Synchronize(caller, [this] { DoSaveToStream(); });
    else
        DoSaveToStream();
}

bool TpvrPreviewPages::LoadFromFile(const String& fileName, bool loadEvenIfMissing) {
    const bool exists = FileExists(fileName);
    if (exists || loadEvenIfMissing) {
        TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
        LoadFromStream(&stream, false);
    }
    return exists;
}

void TpvrPreviewPages::SaveToFile(const String& fileName) {
    // The document is written aside first and then replaces the file whole: a save that fails
    // half-way keeps the file that was there, and pages still served from that file (a partial
    // load) are read before it changes.
    TStringStream text;
    SaveToStream(&text);
    WriteFileSafely(fileName, text.GetDataString());
}

void TpvrPreviewPages::DoLoadFromStream() {
    TStringList* errors = Report->GetErrors();
    errors->Clear();
    // Errors that make the file unusable; reading errors of single objects (an unknown class,
    // a value that does not convert) only go to the report's list.
    std::vector<String> damage;
    try {
        FDocument->LoadFromStream(FStream, FAllowPartialLoading);
        FStream = nullptr;
        // Another kind of document (a report definition, say) is not a prepared report.
        if (!SameText(FDocument->Root()->Name, "preparedreport")) throw Exception(SInvalidFileFormat);
        FPagesItem = RootChild("previewpages");
        // Read whole, the pages lose their unload marks; the engine's pages from the third on
        // may be swapped out again, as when they were written.
        if (!FAllowPartialLoading)
            for (Integer i = 2; i < FPagesItem->ChildCount(); ++i) {
                TpvrXMLItem* item = FPagesItem->Child(i);
                if (item->Name.size() > 4 && SameText(item->Name.substr(0, 4), "page")) item->IsUnloadable = true;
            }

        // The report's preview settings: exactly these three, whatever else the element holds.
        TpvrXMLItem* report = RootChild("report");
        if (report->ChildCount() > 0) {
            TpvrXMLItem* settings = report->Child(0);
            bool flag = false;
            String value = settings->Attr("DotMatrixReport");
            if (!value.empty()) {
                if (ReadBoolean(value, flag)) Report->DotMatrixReport = flag;
                else damage.push_back("DotMatrixReport=\"" + value + "\"");
            }
            value = settings->Attr("PreviewOptions.OutlineVisible");
            if (!value.empty()) {
                if (ReadBoolean(value, flag)) Report->GetPreviewOptions()->OutlineVisible = flag;
                else damage.push_back("PreviewOptions.OutlineVisible=\"" + value + "\"");
            }
            value = settings->Attr("PreviewOptions.OutlineWidth");
            if (!value.empty()) {
                Integer width = 0;
                if (TryStrToInt(value, width) && width >= 0 && width <= kMaxOutlineWidth)
                    Report->GetPreviewOptions()->OutlineWidth = width;
                else
                    damage.push_back("PreviewOptions.OutlineWidth=\"" + value + "\"");
            }
        }

        // Source pages: objects from here on, not elements.
        TpvrXMLItem* sourcePages = RootChild("sourcepages");
        for (Integer i = 0; i < sourcePages->ChildCount(); ++i) {
            TpvrXMLItem* item = sourcePages->Child(i);
            if (!item->IsLoaded) FDocument->SwapInItem(item);
            std::unique_ptr<TpvrReportPage> page(SameText(item->Name, "TpvrDMPPage") ? new TpvrDMPPage(nullptr)
                                                                                     : new TpvrReportPage(nullptr));
            TStringStream scratch;
            TpvrXMLSerializer serializer(&scratch);
            serializer.ReadTree(page.get(), item);
            for (Integer e = 0; e < serializer.GetErrors()->GetCount(); ++e)
                errors->Add(serializer.GetErrors()->GetStrings(e));
            String reason;
            if (!GeometryFits(page.get(), reason))
                damage.push_back("source page " + IntToStr(i) + ": " + reason);
            for (TpvrComponent* object : page->AllObjects())
                TagSourceCopy(object);
            FSourcePages.push_back(page.release());
        }
        sourcePages->ClearChildren();

        // Dictionary: alias="name" holding "Page<index>.<object name>".
        TpvrXMLItem* dictionary = RootChild("dictionary");
        for (Integer i = 0; i < dictionary->ChildCount(); ++i) {
            TpvrXMLItem* item = dictionary->Child(i);
            const String& text = item->AttrText;
            const auto bad = [&](const char* what) {
                damage.push_back(String("dictionary entry \"") + item->Name + "\": " + what);
            };
            if (item->Name.empty()) {
                bad("no alias");
                continue;
            }
            if (text.size() < 7) {
                bad("no source name");
                continue;
            }
            const String fullName = text.substr(6, text.size() - 7);
            const std::size_t dot = fullName.find('.');
            if (dot == String::npos) {
                bad("no object name");
                continue;
            }
            const String pagePart = fullName.substr(0, dot);
            const String objectName = fullName.substr(dot + 1, 255);
            Integer pageIndex = -1;
            if (pagePart.size() < 5 || !TryStrToInt(pagePart.substr(4), pageIndex)) {
                bad("no page number");
                continue;
            }
            if (pageIndex < 0 || pageIndex >= Integer(FSourcePages.size())) {
                bad("no such source page");
                continue;
            }
            TpvrComponent* object = FSourcePages[std::size_t(pageIndex)]->FindObject(objectName);
            FDictionary->Add(item->Name, fullName, object);
        }

        // Every page names a source page that exists ("page-1": none, an empty page) or is a
        // whole page.
        for (Integer i = 0; i < FPagesItem->ChildCount(); ++i) {
            const String& name = FPagesItem->Child(i)->Name;
            if (SameText(name, "TpvrReportPage") || SameText(name, "TpvrDMPPage")) continue;
            Integer sourceIndex = -2;
            const bool numbered = name.size() > 4 && name.size() <= 9 && SameText(name.substr(0, 4), "page") &&
                                  TryStrToInt(name.substr(4), sourceIndex);
            if (!numbered || sourceIndex < -1 || sourceIndex >= Integer(FSourcePages.size()))
                damage.push_back("page " + IntToStr(i + 1) + ": \"" + name + "\"");
        }
    } catch (...) {
        FStream = nullptr;
        Clear();
        throw;
    }
    if (!damage.empty()) {
        for (const String& text : damage)
            errors->Add(text);
        Clear();
        throw Exception(GetResources()->Get("clErrors") + "\n" + errors->GetText());
    }
}

void TpvrPreviewPages::DoSaveToStream() {
    TStream* stream = FStream;
    FStream = nullptr;
    FPagesItem = RootChild("previewpages");

    TpvrXMLItem* report = RootChild("report");
    report->ClearChildren();
    TpvrXMLItem* settings = report->AddChild();
    settings->Name = Report->ClassName();
    TpvrPreviewOptions* options = Report->GetPreviewOptions();
    settings->AttrText = String("DotMatrixReport=\"") + (Report->DotMatrixReport ? "1" : "0") +
                         "\" PreviewOptions.OutlineVisible=\"" + (options->OutlineVisible ? "1" : "0") +
                         "\" PreviewOptions.OutlineWidth=\"" + IntToStr(options->OutlineWidth) + "\"";

    TpvrXMLItem* sourcePages = RootChild("sourcepages");
    sourcePages->ClearChildren();
    for (TpvrReportPage* page : FSourcePages) {
        TStringStream scratch;
        TpvrXMLSerializer serializer(&scratch);
        serializer.WriteTree(page, true, sourcePages->AddChild());
    }

    TpvrXMLItem* dictionary = RootChild("dictionary");
    dictionary->ClearChildren();
    TStringList* names = FDictionary->GetNames();
    for (Integer i = 0; i < names->GetCount(); ++i) {
        TpvrXMLItem* item = dictionary->AddChild();
        item->Name = names->GetStrings(i);
        item->AttrText = "name=\"" + FDictionary->GetSourceName(item->Name) + "\"";
    }

    FDocument->SaveToStream(stream);
}

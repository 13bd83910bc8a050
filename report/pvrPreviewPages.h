// The prepared pages of a report: every page kept as an XML element that records, per printed
// object, only what differs from a shared copy of its design object; pages rebuilt on demand with
// a small cache; the outline of the pages and their anchors in the same document.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Graphics.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/StringLists.h"
#include "report/pvrClass.h"
#include "report/pvrXML.h"

class TpvrCustomPreviewPages;
class TpvrCustomExportFilter;

// ---- Outline -----------------------------------------------------------------------------------

// A tree of captions, each pointing at a page and a position on it.
class TpvrCustomOutline : public TPersistent {
    KOV_CLASS(TpvrCustomOutline, TPersistent)
public:
    explicit TpvrCustomOutline(TpvrCustomPreviewPages* previewPages) : PreviewPages(previewPages) {}

    // Number of children of the current item.
    virtual Integer GetCount() = 0;
    // Appends an item below the current one, on the store's current page, and makes it current.
    virtual void AddItem(const String& text, Integer top) = 0;
    virtual void LevelDown(Integer index) = 0;
    virtual void LevelRoot() = 0;
    virtual void LevelUp() = 0;
    // The child of the current item at that index; `page` and `top` stay when the item lacks them.
    virtual void GetItem(Integer index, String& text, Integer& page, Integer& top) = 0;
    // Moves the item that followed `item`, with its subtree, to the next page at `newTop`.
    virtual void ShiftItems(TpvrXMLItem* item, Integer newTop) = 0;
    // The last child of the current item, or the current item itself.
    virtual TpvrXMLItem* GetLastItem() = 0;
    TpvrCustomEngine* GetEngine() const;

    TpvrXMLItem* CurrentItem = nullptr;
    TpvrCustomPreviewPages* PreviewPages;
};

class TpvrOutline : public TpvrCustomOutline {
    KOV_CLASS(TpvrOutline, TpvrCustomOutline)
public:
    using TpvrCustomOutline::TpvrCustomOutline;

    Integer GetCount() override;
    void AddItem(const String& text, Integer top) override;
    void LevelDown(Integer index) override;
    void LevelRoot() override;
    void LevelUp() override;
    void GetItem(Integer index, String& text, Integer& page, Integer& top) override;
    void ShiftItems(TpvrXMLItem* item, Integer newTop) override;
    TpvrXMLItem* GetLastItem() override;

    // The document's "outline" element, made on first use.
    TpvrXMLItem* Root();

private:
    TpvrXMLItem* Current();
};

// ---- Dictionary --------------------------------------------------------------------------------

// Short aliases of the source copies ("b1", "m2") and their full names ("Page0.Memo1").
class TpvrDictionary : public TObject {
    KOV_CLASS(TpvrDictionary, TObject)
public:
    TpvrDictionary();
    ~TpvrDictionary() override;

    void Clear();
    void Add(const String& alias, const String& fullName, TObject* object);
    String CreateUniqueName(const String& prefix);
    String AddUnique(const String& prefix, const String& fullName, TObject* object);
    // The source copy of an alias; nullptr for an unknown one.
    TObject* GetObject(const String& alias) const;
    String GetSourceName(const String& alias) const;

    TStringList* GetNames() const { return FNames.get(); }
    TStringList* GetFullSourceNames() const { return FFullSourceNames.get(); }

private:
    Integer IndexOfAlias(const String& alias) const;
    std::unique_ptr<TStringList> FNames;
    std::unique_ptr<TStringList> FFullSourceNames;
};

// ---- The store ---------------------------------------------------------------------------------

enum TpvrAddPageAction { WriteOver, Append };

class TpvrCustomPreviewPages : public TObject {
    KOV_CLASS(TpvrCustomPreviewPages, TObject)
public:
    explicit TpvrCustomPreviewPages(TpvrReport* report);
    ~TpvrCustomPreviewPages() override;

    virtual Integer GetCount() = 0;
    // The page object; nullptr when the store is empty.
    virtual TpvrReportPage* GetPage(Integer index) = 0;
    virtual TPoint GetPageSize(Integer index) = 0;
    virtual void Clear() = 0;
    virtual void Initialize() = 0;
    virtual void AddObject(TpvrComponent* object) = 0;
    virtual void AddPage(TpvrReportPage* page) = 0;
    virtual void AddSourcePage(TpvrReportPage* page) = 0;
    virtual void AddToSourcePage(TpvrComponent* object) = 0;
    virtual void SetRollbackPoint() = 0;
    virtual void Rollback() = 0;
    virtual void CutObjects(Integer position) = 0;
    virtual void Finish() = 0;
    virtual void PasteObjects(Extended x, Extended y) = 0;
    virtual bool BandExists(TpvrBand* band) = 0;
    virtual Integer GetCurPosition() = 0;
    virtual Extended GetLastY() = 0;
    virtual void AddEmptyPage(Integer index) = 0;
    virtual void DeletePage(Integer index) = 0;
    virtual void ModifyPage(Integer index, TpvrReportPage* page) = 0;
    virtual void DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                          Extended offsetY) = 0;
    // True when the cursor or the page changed; see the implementation.
    virtual void HitTestObject(Integer pageIndex, Extended x, Extended y, bool click, TCursor& cursor, Extended scale,
                               Extended offsetX, Extended offsetY, TMouseButton button, TShiftState shift) = 0;
    virtual void AddFrom(TpvrReport* report) = 0;
    // The prepared report as one XML document (".vp3" files). A load clears the store first;
    // with allowPartialLoading, pages marked unloadable stay on the stream (which the store
    // then owns) until they are needed. A damaged document raises and leaves the store cleared.
    virtual void LoadFromStream(TStream* stream, bool allowPartialLoading = false) = 0;
    virtual void SaveToStream(TStream* stream) = 0;
    // Whether the file exists; it is loaded when it exists or `loadEvenIfMissing` is set (a
    // missing file then raises the file-open error).
    virtual bool LoadFromFile(const String& fileName, bool loadEvenIfMissing = false) = 0;
    virtual void SaveToFile(const String& fileName) = 0;
    // Prints the pages on the current printer, asking first when the print options say so;
    // False when the dialog was cancelled or there is no printer.
    virtual bool Print() = 0;
    // Hands the chosen pages to the filter; False when there is none, its dialog was cancelled
    // or the export failed.
    virtual bool Export(TpvrCustomExportFilter* filter) = 0;

    TpvrCustomOutline* GetOutline() const { return FOutline.get(); }

    TpvrAddPageAction AddMode = WriteOver;
    Integer CurrentPage = -1;
    Integer PreviewPage = 0;
    TpvrCustomEngine* Engine = nullptr;
    Integer FirstPageIndex = 0;
    TpvrReport* Report;

protected:
    std::unique_ptr<TpvrCustomOutline> FOutline;
};

class TpvrPreviewPages : public TpvrCustomPreviewPages {
    KOV_CLASS(TpvrPreviewPages, TpvrCustomPreviewPages)
public:
    explicit TpvrPreviewPages(TpvrReport* report);
    ~TpvrPreviewPages() override;

    Integer GetCount() override;
    TpvrReportPage* GetPage(Integer index) override;
    TPoint GetPageSize(Integer index) override;
    void Clear() override;
    void Initialize() override;
    void AddObject(TpvrComponent* object) override;
    void AddPage(TpvrReportPage* page) override;
    void AddSourcePage(TpvrReportPage* page) override;
    void AddToSourcePage(TpvrComponent* object) override;
    void SetRollbackPoint() override;
    void Rollback() override;
    void CutObjects(Integer position) override;
    void Finish() override;
    void PasteObjects(Extended x, Extended y) override;
    bool BandExists(TpvrBand* band) override;
    Integer GetCurPosition() override;
    Extended GetLastY() override;
    void AddEmptyPage(Integer index) override;
    void DeletePage(Integer index) override;
    void ModifyPage(Integer index, TpvrReportPage* page) override;
    void DrawPage(Integer index, TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                  Extended offsetY) override;
    void HitTestObject(Integer pageIndex, Extended x, Extended y, bool click, TCursor& cursor, Extended scale,
                       Extended offsetX, Extended offsetY, TMouseButton button, TShiftState shift) override;
    void AddFrom(TpvrReport* report) override;
    void LoadFromStream(TStream* stream, bool allowPartialLoading = false) override;
    void SaveToStream(TStream* stream) override;
    bool LoadFromFile(const String& fileName, bool loadEvenIfMissing = false) override;
    void SaveToFile(const String& fileName) override;
    bool Print() override;
    bool Export(TpvrCustomExportFilter* filter) override;

    void AddAnchor(const String& text);
    TpvrXMLItem* FindAnchor(const String& text);
    Integer GetAnchorPage(const String& text);
    void GoToAnchor(const String& text);
    void ClearCache();

    // A child of the document root by name (ignoring case), made on first use.
    TpvrXMLItem* RootChild(const String& name);
    TpvrDictionary* GetDictionary() const { return FDictionary.get(); }
    TpvrXMLDocument* GetDocument() const { return FDocument.get(); }
    const std::vector<TpvrReportPage*>& GetSourcePages() const { return FSourcePages; }
    Integer CachedPageCount() const { return FPageCache->GetCount(); }
    // The page element of an index.
    TpvrXMLItem* PageItem(Integer index);

    Integer RollbackObjectCount = 0;
    Integer RollbackPage = -1;
    Integer AllocatedSize = 0;
    // Moves the preview to a page, counted from 1, and a position on it; unset, nothing moves.
    TClosure<void(Integer PageNo, Integer Top)> OnGoToPage;

private:
    class TLinkWatcher;

    // Printing and exporting (pvrPreviewPages_Print.cpp); the state is the print call's own.
    void PrintDocument(void* state);
    void PrintAllPages(void* state);
    bool PrintOnePage(void* state, Integer index);
    void ExportAllPages(TpvrCustomExportFilter* filter, TStringList* selection);
    void ExportOnePage(TpvrCustomExportFilter* filter, Integer index, TCanvas* scratch);

    // Loading and saving (pvrPreviewPages_File.cpp), on the caller thread when there is one.
    void DoLoadFromStream();
    void DoSaveToStream();
    // Whether a page read from a file has a paper, margins and objects whose sizes and
    // positions can be drawn; `reason` names the first that cannot.
    static bool GeometryFits(TpvrReportPage* page, String& reason);

    void DoAddObject(TpvrComponent* object, TpvrXMLItem* container);
    TpvrComponent* SourceCopyOf(TpvrXMLItem* item) const;
    void TagSourceCopy(TpvrComponent* copy);
    void BuildObjects(TpvrXMLItem* item, TpvrComponent* parent, TpvrComponent* owner);
    void FreeSourcePages();
    void EvictCacheEntry(Integer index);
    TpvrXMLItem* CurrentPageItem();

    std::unique_ptr<TpvrDictionary> FDictionary;
    std::unique_ptr<TStringList> FPageCache;
    TpvrXMLItem* FPagesItem = nullptr;
    std::vector<TpvrReportPage*> FSourcePages;
    std::unique_ptr<TpvrXMLDocument> FDocument;
    std::unique_ptr<TLinkWatcher> FWatcher;
    // The stream and flag of the load or save under way.
    TStream* FStream = nullptr;
    bool FAllowPartialLoading = false;
};

// The outline of the report's prepared pages; nullptr before the report has any.
TObject* ReportOutline(TpvrReport* report);

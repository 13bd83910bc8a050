// The report object model: the base of every report object with its tree, names, fonts and
// bounds; the printable, dialog and control families; bands and pages; the four option
// groups; and the report component that holds a definition.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/classlib/Forms.h"
#include "platform/classlib/Graphics.h"
#include "platform/classlib/Printers.h"
#include "platform/runtime/Closures.h"
#include "platform/runtime/Collections.h"
#include "platform/runtime/Components.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Lists.h"
#include "platform/runtime/RtlTypes.h"
#include "platform/runtime/Sets.h"
#include "platform/runtime/StringLists.h"
#include "platform/runtime/Variant.h"
#include "report/pvrUtils.h"
#include "report/pvrVariables.h"

class TCanvas;
class TCriticalSection;
class TCustomIniFile;
class TTimer;
class TThread;
class TkqScript;
class TkqCustomVariable;
class TpvrReport;
class TpvrPage;
class TpvrReportPage;
class TpvrDialogPage;
class TpvrDataSet;
class TpvrBand;
class TpvrDialogForm;
class TpvrXMLSerializer;
class TpvrDrawText;
class TpvrPictureView;
class TpvrSubreport;
class TpvrCustomPreviewPages;

// One millimetre in report units (pixels at 96 per inch).
constexpr Extended pvrMillimetre = 3.77953L;
// The colour of a view or style without a fill.
constexpr TColor clTransparent = clNone;
// Positions closer than this are the same.
constexpr Extended pvrTolerance = 0.0001L;

// ---- Option groups -----------------------------------------------------------------------------

enum TpvrSilentMode { simMessageBoxes, simSilent, simReThrow };

class TpvrEngineOptions : public TPersistent {
    KOV_CLASS(TpvrEngineOptions, TPersistent)
public:
    TpvrEngineOptions();

    void Assign(TPersistent* source) override;
    // ConvertNulls True, DoublePass False; the rest stays.
    void Clear();

    bool GetSilentMode() const { return NewSilentMode == simSilent; }
    void SetSilentMode(bool value) { NewSilentMode = value ? simSilent : simMessageBoxes; }
    TpvrSilentMode GetNewSilentMode() const { return NewSilentMode; }
    void SetNewSilentMode(TpvrSilentMode value) { NewSilentMode = value; }

    bool ConvertNulls = true;
    bool ReloadAfterRun = true;
    bool DoublePass = false;
    Integer MaxMemSize = 10;
    bool PrintIfEmpty = true;
    TThread* CallerThread = nullptr;
    bool ThreadSafeLoading = false;
    TpvrSilentMode NewSilentMode = simMessageBoxes;
    String TempDir;
    bool UseFileCache = false;
};

enum TpvrPreviewButton {
    pbPrint,
    pbLoad,
    pbSave,
    pbExport,
    pbZoom,
    pbFind,
    pbOutline,
    pbPageSetup,
    pbTools,
    pbEdit,
    pbNavigator,
    pbExportQuick
};
using TpvrPreviewButtons = TSet<TpvrPreviewButton, pbExportQuick>;
enum TpvrZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };

class TpvrPreviewOptions : public TPersistent {
    KOV_CLASS(TpvrPreviewOptions, TPersistent)
public:
    TpvrPreviewOptions();

    void Assign(TPersistent* source) override;
    // OutlineExpand True, OutlineVisible False, OutlineWidth 120; the rest stays.
    void Clear();

    bool AllowEdit = true;
    TpvrPreviewButtons Buttons = TpvrPreviewButtons::FromMask(4095);
    bool DoubleBuffered = true;
    bool Maximized = true;
    bool MDIChild = false;
    bool Modal = true;
    bool OutlineExpand = true;
    bool OutlineVisible = false;
    Integer OutlineWidth = 120;
    bool ShowCaptions = false;
    Extended Zoom = 1.0L;
    TpvrZoomMode ZoomMode = zmDefault;
};

enum TpvrPrintPages { ppAll, ppOdd, ppEven };

class TpvrPrintOptions : public TPersistent {
    KOV_CLASS(TpvrPrintOptions, TPersistent)
public:
    TpvrPrintOptions();

    void Assign(TPersistent* source) override;
    // Every field back to its default; Printer is the current text of "prDefault".
    void Clear();

    Integer Copies = 1;
    bool Collate = true;
    String PageNumbers;
    String Printer;
    TpvrPrintPages PrintPages = ppAll;
    bool Reverse = false;
    bool ShowDialog = true;
};

// Asked for the connection string of a connection name.
using TpvrConnectionEvent = TClosure<void(const String& ConnectionString)>;

class TpvrReportOptions : public TPersistent {
    KOV_CLASS(TpvrReportOptions, TPersistent)
public:
    TpvrReportOptions();
    ~TpvrReportOptions() override;

    void Assign(TPersistent* source) override;
    void Clear();

    // True without a password or when it was given already; otherwise the password window asks.
    bool CheckPassword();

    const String& GetConnectionName() const { return FConnectionName; }
    // With a name and a connection call-back, hands the call-back the string value of that name
    // under HKEY_LOCAL_MACHINE "\Software\Orvant\Connections" (empty when absent).
    void SetConnectionName(const String& value);
    TStrings* GetDescription() const { return FDescription.get(); }
    void SetDescription(TStrings* value);
    TPicture* GetPicture() const { return FPicture.get(); }
    void SetPicture(TPicture* value);

    String Author;
    bool Compressed = false;
    TDateTime CreateDate = 0;
    String InitString;
    String Name;
    TDateTime LastChange = 0;
    String Password;
    TpvrReport* Report = nullptr;
    String VersionBuild;
    String VersionMajor;
    String VersionMinor;
    String VersionRelease;
    String EnteredPassword;

private:
    String FConnectionName;
    std::unique_ptr<TStringList> FDescription;
    std::unique_ptr<TPicture> FPicture;
};

// The stored form of a password: every character code lowered by 10 (modulo 256), and back.
String EncodePassword(const String& password);
String DecodePassword(const String& stored);

// ---- Frames and styles -------------------------------------------------------------------------

enum TpvrFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble };
enum TpvrFrameType { ftLeft, ftRight, ftTop, ftBottom };
using TpvrFrameTypes = TSet<TpvrFrameType, ftBottom>;

// The lines and drop shadow around a view.
class TpvrFrame : public TPersistent {
    KOV_CLASS(TpvrFrame, TPersistent)
public:
    TpvrFrame() = default;

    // Copies all seven settings from another frame.
    void Assign(TPersistent* source) override;
    bool IsShadowWidthStored() const { return ShadowWidth != 4; }
    bool IsTypStored() const { return !Typ.empty(); }
    bool IsWidthStored() const { return Width != 1; }

    TColor Color = TColor(0);
    bool DropShadow = false;
    Extended ShadowWidth = 4;
    TColor ShadowColor = TColor(0);
    TpvrFrameStyle Style = fsSolid;
    TpvrFrameTypes Typ;
    Extended Width = 1;
};

class TpvrStyleItem : public TCollectionItem {
    KOV_CLASS(TpvrStyleItem, TCollectionItem)
public:
    explicit TpvrStyleItem(TCollection* collection);
    ~TpvrStyleItem() override;

    // Copies Name, Color, Font and Frame.
    void Assign(TPersistent* source) override;

    const String& GetName() const { return FName; }
    // Another style of the same collection with that name (ignoring case) fails with
    // "Duplicate name".
    void SetName(const String& value);
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    TpvrFrame* GetFrame() const { return FFrame.get(); }
    void SetFrame(TpvrFrame* value) { FFrame->Assign(value); }

    TColor Color = clTransparent;

private:
    String FName;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TpvrFrame> FFrame;
};

class TpvrStyles : public TCollection {
    KOV_CLASS(TpvrStyles, TCollection)
public:
    explicit TpvrStyles(TpvrReport* report);
    ~TpvrStyles() override;

    TpvrStyleItem* Add() { return static_cast<TpvrStyleItem*>(TCollection::Add()); }
    TpvrStyleItem* Items(Integer index) const { return static_cast<TpvrStyleItem*>(GetItems(index)); }
    // The first style of that name, ignoring case; nullptr when none.
    TpvrStyleItem* Find(const String& name) const;

    TpvrReport* Report;
};

// ---- Report objects ----------------------------------------------------------------------------

enum TpvrRestriction { rfDontModify, rfDontSize, rfDontMove, rfDontDelete };
using TpvrRestrictions = TSet<TpvrRestriction, rfDontDelete>;

// The flags a designer passes to DesignCreate (the views read them).
using TpvrDesignFlags = Integer;

class TpvrComponent : public TComponent {
    KOV_CLASS(TpvrComponent, TComponent)
public:
    // With a report object as owner the new object is owned by that object's report and
    // becomes its child; any other owner simply owns it.
    explicit TpvrComponent(TComponent* owner);
    ~TpvrComponent() override;

    // Runs the constructor with IsDesigning set.
    template <class T> static T* DesignCreate(TComponent* owner, TpvrDesignFlags flags) {
        TDesignScope scope(flags);
        return new T(owner);
    }

    // ---- Tree ----
    TpvrComponent* GetParent() const { return FParent; }
    virtual void SetParent(TpvrComponent* value);
    const std::vector<TpvrComponent*>& GetObjects() const { return FObjects; }
    Integer ObjectCount() const { return Integer(FObjects.size()); }
    // Frees every child.
    virtual void Clear();
    TpvrPage* Page() const;
    TpvrReport* Report() const;
    // Every descendant, depth first.
    const std::vector<TpvrComponent*>& AllObjects();
    TpvrComponent* FindObject(const String& name);

    // ---- Bounds ----
    Extended GetLeft() const { return FLeft; }
    Extended GetTop() const { return FTop; }
    Extended GetWidth() const { return FWidth; }
    Extended GetHeight() const { return FHeight; }
    virtual void SetLeft(Extended value);
    virtual void SetTop(Extended value);
    virtual void SetWidth(Extended value);
    virtual void SetHeight(Extended value);
    void SetBounds(Extended left, Extended top, Extended width, Extended height);
    Extended AbsLeft() const;
    Extended AbsTop() const;
    virtual void AlignChildren();

    // ---- Font ----
    TFont* GetFont() const { return FFont.get(); }
    virtual void SetFont(TFont* value);
    bool GetParentFont() const { return FParentFont; }
    virtual void SetParentFont(bool value);
    bool IsFontStored() const { return !FParentFont; }

    bool GetVisible() const { return FVisible; }
    virtual void SetVisible(bool value);

    // ---- Names ----
    // Fails with the text of "prDupl" when another object of the report has the name.
    void SetName(const String& value) override;
    // The stem of generated names: the class name without "Tpvr" and "View" (dialog controls:
    // without "Control"), unless set.
    String GetBaseName() const;
    void SetBaseName(const String& value) { FBaseName = value; }
    void CreateUniqueName();
    virtual String GetDescription();

    // ---- Hooks ----
    virtual void BeforePrepare() {}
    virtual void NotifyBand(TpvrComponent* band) {}

    // The alignment code of a view (baNone 0 ... baClient 6); -1 for objects that are no views.
    virtual Integer GetAlignCode() const { return -1; }
    // A view that sizes its own width (a memo with AutoWidth).
    virtual bool IsAutoWidth() const { return false; }

    // Attributes of this object that differ from `source`, as XML attribute text.
    virtual String DiffAttributes(TpvrComponent* source);

    // ---- XML definitions ----
    // Clears the object and reads it with its subtree from an XML definition.
    virtual void LoadFromStream(TStream* stream);
    // Writes the object, with its subtree when asked, as an XML definition without its name.
    virtual void SaveToStream(TStream* stream, bool saveChildren = false, bool saveDefaultValues = false);
    // From another report object: its own properties (Assign) or its subtree as well (AssignAll).
    void Assign(TPersistent* source) override;
    void AssignAll(TpvrComponent* source);
    // The attribute text of the object, then the attributes differing from `source` when given.
    String AllAttributes(TpvrComponent* source = nullptr);

    // ---- Stored window definitions ----
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    TComponent* GetChildOwner() override;

    // ---- Fields ----
    Integer GroupIndex = 0;
    bool IsDesigning = false;
    bool IsLoading = false;
    bool IsWritingXML = false;
    TpvrRestrictions Restrictions;
    String Description;
    String Alias;
    TpvrComponent* SourceObject = nullptr;
    TpvrRect SavedBounds;

protected:
    virtual void FontChanged();
    // The flags of the DesignCreate under way on this thread (0 outside one).
    static TpvrDesignFlags CurrentDesignFlags();

private:
    struct TDesignScope {
        explicit TDesignScope(TpvrDesignFlags flags);
        ~TDesignScope();
        bool FOldActive;
        TpvrDesignFlags FOldFlags;
    };
    void FontChange(TObject* sender);

    std::unique_ptr<TFont> FFont;
    std::vector<TpvrComponent*> FObjects;
    std::vector<TpvrComponent*> FAllObjects;
    TpvrComponent* FParent = nullptr;
    Extended FLeft = 0;
    Extended FTop = 0;
    Extended FWidth = 0;
    Extended FHeight = 0;
    bool FParentFont = false;
    bool FVisible = true;
    bool FInFontChange = false;
    String FBaseName;
};

// Anything placed on a page that can be printed or drawn.
class TpvrReportComponent : public TpvrComponent {
    KOV_CLASS(TpvrReportComponent, TpvrComponent)
public:
    explicit TpvrReportComponent(TComponent* owner);
    ~TpvrReportComponent() override;

    // Draws on a canvas with horizontal and vertical scale and offset.
    virtual void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                      Extended offsetY) = 0;
    // Saves the bounds; AfterPrint puts them back.
    virtual void BeforePrint();
    virtual void GetData() {}
    virtual void AfterPrint();
    virtual String GetComponentText() { return String(); }
    virtual TpvrRect GetAbsoluteBounds();

    TList* GetAuxList() const { return FAuxList.get(); }

    String OnAfterData;
    String OnAfterPrint;
    String OnBeforePrint;
    String OnPreviewClick;
    // Set by the engine on a view it moved from a horizontal band into a vertical one: the
    // horizontal band the view belongs to.
    TpvrBand* CrossBand = nullptr;

private:
    std::unique_ptr<TList> FAuxList;
};

// A non-visual object of a dialog page, off the page; base of the data sources.
class TpvrDialogComponent : public TpvrReportComponent {
    KOV_CLASS(TpvrDialogComponent, TpvrReportComponent)
public:
    explicit TpvrDialogComponent(TComponent* owner);
    ~TpvrDialogComponent() override;

    void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
    void DefineProperties(TFiler* filer) override;

    TObject* GetAuxObject() const { return FAuxObject.get(); }

private:
    std::unique_ptr<TObject> FAuxObject;
};

// Places a native control of the class library on a dialog page.
class TpvrDialogControl : public TpvrReportComponent {
    KOV_CLASS(TpvrDialogControl, TpvrReportComponent)
public:
    explicit TpvrDialogControl(TComponent* owner);
    ~TpvrDialogControl() override;

    TControl* GetControl() const { return FControl; }
    // Takes the control over (owned); derived classes make theirs in their constructors.
    void SetControl(TControl* control);

    void SetParent(TpvrComponent* value) override;
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetHeight(Extended value) override;
    void SetVisible(bool value) override;
    void SetParentFont(bool value) override;
    void SetName(const String& value) override;
    void Draw(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

protected:
    void FontChanged() override;

private:
    void PlaceControl();
    TControl* FControl = nullptr;
};

// The window that parents dialog controls without a dialog page; made on first use.
TWinControl* HiddenHostForm();

// ---- Data sources ------------------------------------------------------------------------------

enum TpvrRangeBegin { rbFirst, rbCurrent };
enum TpvrRangeEnd { reLast, reCurrent, reCount };
enum TpvrFieldType { fftNumeric, fftString, fftBoolean };

using TpvrCheckEOFEvent = TClosure<void(TObject* Sender, bool& Eof)>;
using TpvrUserGetValueEvent = TClosure<void(const String& VarName, Variant& Value)>;

// A source of records for a report: walked with First, Next and Eof, read by field name, and
// named in definitions and expressions by its user name.
class TpvrDataSet : public TpvrDialogComponent {
    KOV_CLASS(TpvrDataSet, TpvrDialogComponent)
public:
    explicit TpvrDataSet(TComponent* owner);
    ~TpvrDataSet() override;

    virtual WideString GetDisplayText(const String& field);
    virtual Integer GetDisplayWidth(const String& field);
    virtual TpvrFieldType GetFieldType(const String& field);
    virtual Variant GetValue(const String& field);
    const String& GetUserName() const { return FUserName; }
    // A name that is blank fails with the text of "prInvProp".
    virtual void SetUserName(const String& value);
    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual Integer FieldsCount() { return 0; }
    virtual bool IsBlobField(const String& field) { return false; }
    virtual Integer RecordCount();
    virtual void AssignBlobTo(const String& field, TObject* target) {}
    virtual void GetFieldList(TStrings* list);

    // The user name follows a rename while it still equals the old name.
    void SetName(const String& value) override;
    bool HasField(const String& field);

    bool CloseDataSource = false;
    bool Enabled = true;
    bool OpenDataSource = true;
    TpvrRangeBegin RangeBegin = rbFirst;
    TpvrRangeEnd RangeEnd = reLast;
    Integer RangeEndCount = 0;
    TpvrReport* Report = nullptr;
    TpvrCheckEOFEvent OnCheckEOF;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TNotifyEvent OnPrior;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;
    bool Opened = false;
    Integer RecNo = 0;

private:
    String FUserName;
};

// A data source whose values come from an event.
class TpvrUserDataSet : public TpvrDataSet {
    KOV_CLASS(TpvrUserDataSet, TpvrDataSet)
public:
    explicit TpvrUserDataSet(TComponent* owner);
    ~TpvrUserDataSet() override;

    void GetFieldList(TStrings* list) override;
    Integer FieldsCount() override;
    Variant GetValue(const String& field) override;
    WideString GetDisplayText(const String& field) override;

    TStrings* GetFields() const { return FFields.get(); }
    void SetFields(TStrings* value) { FFields->Assign(value); }

    TpvrUserGetValueEvent OnGetValue;

private:
    std::unique_ptr<TStringList> FFields;
};

// The base of data sources over databases: field aliases and the visible field map.
class TpvrCustomDBDataSet : public TpvrDataSet {
    KOV_CLASS(TpvrCustomDBDataSet, TpvrDataSet)
public:
    explicit TpvrCustomDBDataSet(TComponent* owner);
    ~TpvrCustomDBDataSet() override;

    Integer FieldsCount() override;
    // The field an alias stands for: the part before "=" of the first "field=alias" line whose
    // alias matches (ignoring case); the alias itself when none does.
    String FieldNameOfAlias(const String& alias) const;

    TStrings* GetFieldAliases() const { return FFieldAliases.get(); }
    void SetFieldAliases(TStrings* value) { FFieldAliases->Assign(value); }
    TStringList* GetFieldMap() const { return FFieldMap.get(); }

private:
    std::unique_ptr<TStringList> FFieldAliases;
    std::unique_ptr<TStringList> FFieldMap;
};

// The base of database connections: nine operations without effect, for connection classes to
// give meaning to.
class TpvrCustomDatabase : public TpvrDialogComponent {
    KOV_CLASS(TpvrCustomDatabase, TpvrDialogComponent)
public:
    using TpvrDialogComponent::TpvrDialogComponent;

    virtual void Connect() {}
    virtual void Disconnect() {}
    virtual void StartTransaction() {}
    virtual void Commit() {}
    virtual bool GetConnected() { return false; }
    virtual String GetConnectionString() { return String(); }
    virtual Integer GetTransactionLevel() { return 0; }
    virtual Integer GetTimeout() { return 0; }
    virtual void Rollback() {}
};

// The data sources a report may use, stored with it as "Datasets".
class TpvrDataSetItem : public TCollectionItem {
    KOV_CLASS(TpvrDataSetItem, TCollectionItem)
public:
    explicit TpvrDataSetItem(TCollection* collection);
    ~TpvrDataSetItem() override;

    TpvrDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TpvrDataSet* value);
    String GetDataSetName() const;
    void SetDataSetName(const String& value);

private:
    void WatchDataSet();
    TpvrDataSet* FDataSet = nullptr;
    String FDataSetName;
};

class TpvrReportDataSets : public TCollection {
    KOV_CLASS(TpvrReportDataSets, TCollection)
public:
    explicit TpvrReportDataSets(TpvrReport* report);
    ~TpvrReportDataSets() override;

    TpvrDataSetItem* Add() { return static_cast<TpvrDataSetItem*>(TCollection::Add()); }
    TpvrDataSetItem* Items(Integer index) const { return static_cast<TpvrDataSetItem*>(GetItems(index)); }
    void Initialize();
    void Finalize();
    TpvrDataSetItem* FindByDataSet(TComponent* dataSet) const;
    TpvrDataSetItem* FindByName(const String& name) const;

    TpvrReport* Report;
};

// Every data source alive, in creation order, for resolving names.
class TpvrGlobalDataSetList {
public:
    TpvrGlobalDataSetList() = default;
    TpvrGlobalDataSetList(const TpvrGlobalDataSetList&) = delete;
    TpvrGlobalDataSetList& operator=(const TpvrGlobalDataSetList&) = delete;
    ~TpvrGlobalDataSetList();

    void Lock();
    void Unlock();
    // The first data source of that user name (ignoring case) that belongs to no other report;
    // `current` when none does, or without a report; nullptr for an empty name.
    TpvrDataSet* FindDataSetByName(TpvrDataSet* current, const String& name, TpvrReport* report);
    // What the module's shutdown does: afterwards Lock and Unlock do nothing.
    void Shutdown();

    void Add(TpvrDataSet* dataSet);
    void Remove(TpvrDataSet* dataSet);
    std::vector<TpvrDataSet*> Items();

private:
    std::vector<TpvrDataSet*> FItems;
    TCriticalSection* FLock = nullptr;
    bool FShutDown = false;
};

// The one list, for the whole run of the process.
TpvrGlobalDataSetList* GlobalDataSetList();

// ---- Bands -------------------------------------------------------------------------------------

class TpvrChild;

class TpvrBand : public TpvrReportComponent {
    KOV_CLASS(TpvrBand, TpvrReportComponent)
public:
    explicit TpvrBand(TComponent* owner);
    ~TpvrBand() override;

    void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
    // On a page that lays its bands on a character grid, positions follow that grid.
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetHeight(Extended value) override;
    String GetDescription() override;
    void Notification(TComponent* component, TOperation operation) override;
    String DiffAttributes(TpvrComponent* source) override;

    TpvrChild* GetChild() const { return FChild; }
    void SetChild(TpvrChild* value);

    bool AllowSplit = false;
    bool KeepChild = false;
    String OnAfterCalcHeight;
    String OutlineText;
    bool Overflow = false;
    bool StartNewPage = false;
    bool Stretched = false;
    bool PrintChildIfInvisible = false;
    bool Vertical = false;
    Integer EngineIndex = -1;

    // Run-time links the engine builds before a run: a data band's detail bands (data bands of
    // the next level); on the first group header of a run, the group headers of that run.
    TList* GetEngineList() const { return FEngineList.get(); }
    // A data band's header and footer, a group header's footer.
    TpvrBand* HeaderBand = nullptr;
    TpvrBand* FooterBand = nullptr;
    // A data band's first group header.
    TpvrBand* FirstGroup = nullptr;

private:
    TpvrChild* FChild = nullptr;
    std::unique_ptr<TList> FEngineList;
};

class TpvrReportTitle : public TpvrBand {
    KOV_CLASS(TpvrReportTitle, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrReportSummary : public TpvrBand {
    KOV_CLASS(TpvrReportSummary, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrPageHeader : public TpvrBand {
    KOV_CLASS(TpvrPageHeader, TpvrBand)
public:
    explicit TpvrPageHeader(TComponent* owner);
    bool PrintOnFirstPage = true;
};

class TpvrPageFooter : public TpvrBand {
    KOV_CLASS(TpvrPageFooter, TpvrBand)
public:
    explicit TpvrPageFooter(TComponent* owner);
    bool PrintOnFirstPage = true;
    bool PrintOnLastPage = true;
};

class TpvrHeader : public TpvrBand {
    KOV_CLASS(TpvrHeader, TpvrBand)
public:
    using TpvrBand::TpvrBand;
    bool ReprintOnNewPage = false;
};

class TpvrFooter : public TpvrBand {
    KOV_CLASS(TpvrFooter, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrDataBand : public TpvrBand {
    KOV_CLASS(TpvrDataBand, TpvrBand)
public:
    explicit TpvrDataBand(TComponent* owner);
    ~TpvrDataBand() override;

    String GetDescription() override;
    void Notification(TComponent* component, TOperation operation) override;

    TpvrDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TpvrDataSet* value);
    String GetDataSetName() const;
    void SetDataSetName(const String& value);
    Integer GetRowCount() const { return FRowCount; }
    void SetRowCount(Integer value);
    Integer GetCurColumn() const { return FCurColumn; }
    // A column above Columns becomes 1; column 1 resets the per-column values; Left follows the
    // column.
    void SetCurColumn(Integer value);

    Extended ColumnGap = 0;
    Extended ColumnWidth = 0;
    Integer Columns = 0;
    bool FooterAfterEach = false;
    bool KeepFooter = false;
    bool KeepHeader = false;
    bool KeepTogether = false;
    bool PrintIfDetailEmpty = false;
    String OnMasterDetail;
    // Values the engine keeps per column, reset with column 1.
    Extended ColumnValues[3] = {0, 0, 0};

    // Walks RowCount records when the band has no data source of its own.
    TpvrUserDataSet* GetVirtualDataSet() const { return FVirtualDataSet.get(); }

private:
    std::unique_ptr<TpvrUserDataSet> FVirtualDataSet;
    Integer FCurColumn = 0;
    TpvrDataSet* FDataSet = nullptr;
    String FDataSetName;
    Integer FRowCount = 0;
};

class TpvrMasterData : public TpvrDataBand {
    KOV_CLASS(TpvrMasterData, TpvrDataBand)
public:
    using TpvrDataBand::TpvrDataBand;
};

class TpvrDetailData : public TpvrDataBand {
    KOV_CLASS(TpvrDetailData, TpvrDataBand)
public:
    using TpvrDataBand::TpvrDataBand;
};

class TpvrSubdetailData : public TpvrDataBand {
    KOV_CLASS(TpvrSubdetailData, TpvrDataBand)
public:
    using TpvrDataBand::TpvrDataBand;
};

class TpvrDataBand4 : public TpvrDataBand {
    KOV_CLASS(TpvrDataBand4, TpvrDataBand)
public:
    using TpvrDataBand::TpvrDataBand;
};

class TpvrDataBand5 : public TpvrDataBand {
    KOV_CLASS(TpvrDataBand5, TpvrDataBand)
public:
    using TpvrDataBand::TpvrDataBand;
};

class TpvrDataBand6 : public TpvrDataBand {
    KOV_CLASS(TpvrDataBand6, TpvrDataBand)
public:
    using TpvrDataBand::TpvrDataBand;
};

class TpvrGroupHeader : public TpvrBand {
    KOV_CLASS(TpvrGroupHeader, TpvrBand)
public:
    using TpvrBand::TpvrBand;
    String Condition;
    bool KeepTogether = false;
    bool ReprintOnNewPage = false;
};

class TpvrGroupFooter : public TpvrBand {
    KOV_CLASS(TpvrGroupFooter, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrChild : public TpvrBand {
    KOV_CLASS(TpvrChild, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrColumnHeader : public TpvrBand {
    KOV_CLASS(TpvrColumnHeader, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrColumnFooter : public TpvrBand {
    KOV_CLASS(TpvrColumnFooter, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

class TpvrOverlay : public TpvrBand {
    KOV_CLASS(TpvrOverlay, TpvrBand)
public:
    using TpvrBand::TpvrBand;
    bool PrintOnTop = false;
};

class TpvrNullBand : public TpvrBand {
    KOV_CLASS(TpvrNullBand, TpvrBand)
public:
    using TpvrBand::TpvrBand;
};

// The number of a band's class (0 report title ... 17 overlay): the last class of the table the
// band is an instance of; 0 for none.
Integer BandNumber(const TpvrComponent* band);
// The band class of a number, nullptr outside 0..17.
TClass BandClassOfNumber(Integer number);

// ---- Pages -------------------------------------------------------------------------------------

class TpvrPage : public TpvrComponent {
    KOV_CLASS(TpvrPage, TpvrComponent)
public:
    using TpvrComponent::TpvrComponent;
};

enum TpvrDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };

class TpvrReportPage : public TpvrPage {
    KOV_CLASS(TpvrReportPage, TpvrPage)
public:
    explicit TpvrReportPage(TComponent* owner);
    ~TpvrReportPage() override;

    virtual void SetPaperHeight(Extended value);
    virtual void SetPaperWidth(Extended value);
    virtual void SetPaperSize(Integer value);
    // Margins 10 mm, paper and orientation of the current printer.
    virtual void SetDefaults();

    Extended GetPaperWidth() const { return FPaperWidth; }
    Extended GetPaperHeight() const { return FPaperHeight; }
    Integer GetPaperSize() const { return FPaperSize; }
    TPrinterOrientation GetOrientation() const { return FOrientation; }
    // Swaps the paper's sides and turns the margins with it.
    void SetOrientation(TPrinterOrientation value);
    Integer GetColumns() const { return FColumns; }
    void SetColumns(Integer value);
    Extended GetColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(Extended value) { FColumnWidth = value; }
    TStrings* GetColumnPositions() const { return FColumnPositions.get(); }
    void SetColumnPositions(TStrings* value);
    TStrings* GetHGuides() const { return FHGuides.get(); }
    void SetHGuides(TStrings* value);
    TStrings* GetVGuides() const { return FVGuides.get(); }
    void SetVGuides(TStrings* value);
    TpvrDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TpvrDataSet* value);
    String GetDataSetName() const;
    void SetDataSetName(const String& value);

    // The printable area, the page's own views aligned, every band stretched across it and
    // aligned in turn; then the whole paper again.
    void AlignChildren() override;
    // The first child of that class, or nullptr.
    TpvrComponent* FindBand(TClass bandClass) const;
    // The view that draws the page's colour, frame and picture inside the margins (made on first
    // use), and the drawing of it under a page.
    TpvrPictureView* GetBackground();
    void DrawBackground(TCanvas* canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
    TColor GetColor();
    void SetColor(TColor value);
    TpvrFrame* GetFrame();
    void SetFrame(TpvrFrame* value);
    TPicture* GetBackPicture();
    void SetBackPicture(TPicture* value);
    // A subreport prints this page.
    bool IsSubreportPage() const { return Subreport != nullptr; }
    TpvrSubreport* Subreport = nullptr;
    String GetDescription() override;
    void Notification(TComponent* component, TOperation operation) override;

    // Where a band on this page may stand: pages that place bands on a character grid snap the
    // values; this page takes them as they are.
    virtual Extended AlignBandLeft(Extended value) const { return value; }
    virtual Extended AlignBandVertical(Extended value) const { return value; }

    Integer Bin = 7;
    Integer BinOtherPages = 7;
    Extended BottomMargin = 0;
    TpvrDuplexMode Duplex = dmNone;
    bool LargeDesignHeight = false;
    Extended LeftMargin = 0;
    bool MirrorMargins = false;
    String OutlineText;
    bool PrintIfEmpty = true;
    bool PrintOnPreviousPage = false;
    Extended RightMargin = 0;
    bool TitleBeforeHeader = true;
    Extended TopMargin = 0;
    String OnAfterPrint;
    String OnBeforePrint;
    String OnManualBuild;

    // The first-level horizontal data bands (1) and vertical data bands (2), linked by the engine.
    TList* GetEngineList1() const { return FEngineList1.get(); }
    TList* GetEngineList2() const { return FEngineList2.get(); }

protected:
    void UpdatePageSize();
    // New paper sides in millimetres, keeping the paper number; the page's size follows.
    void SetPaperDimensions(Extended width, Extended height) {
        FPaperWidth = width;
        FPaperHeight = height;
        UpdatePageSize();
    }

private:
    Integer FColumns = 0;
    Extended FColumnWidth = 0;
    std::unique_ptr<TStringList> FColumnPositions;
    TpvrDataSet* FDataSet = nullptr;
    String FDataSetName;
    std::unique_ptr<TStringList> FHGuides;
    std::unique_ptr<TStringList> FVGuides;
    TPrinterOrientation FOrientation = poPortrait;
    Extended FPaperHeight = 297;
    Integer FPaperSize = 9;
    Extended FPaperWidth = 210;
    std::unique_ptr<TList> FEngineList1;
    std::unique_ptr<TList> FEngineList2;
    std::unique_ptr<TpvrPictureView> FBackground;
};

class TpvrDialogPage : public TpvrPage {
    KOV_CLASS(TpvrDialogPage, TpvrPage)
public:
    explicit TpvrDialogPage(TComponent* owner);
    ~TpvrDialogPage() override;

    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetHeight(Extended value) override;
    String GetDescription() override;

    const String& GetCaption() const { return FCaption; }
    void SetCaption(const String& value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value) { FBorderStyle = value; }
    Integer GetModalResult() const;
    void SetModalResult(Integer value);

    // Hides the form, gives it the page's position and window state and binds its events.
    void SetupForm();
    Integer ShowModal();

    TpvrDialogForm* GetForm() const { return FForm; }

    TPosition Position = poScreenCenter;
    TWindowState WindowState = wsNormal;
    String OnActivate;
    String OnClick;
    String OnCloseQuery;
    String OnDeactivate;
    String OnHide;
    String OnKeyDown;
    String OnKeyPress;
    String OnKeyUp;
    String OnShow;
    String OnResize;

protected:
    void FontChanged() override;

private:
    // The form's events, each running the script procedure of the same name while the engine runs.
    void FormActivate(TObject* sender);
    void FormClick(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormDeactivate(TObject* sender);
    void FormHide(TObject* sender);
    void FormKeyDown(TObject* sender, Word& key, TShiftState shift);
    void FormKeyPress(TObject* sender, char32_t& key);
    void FormKeyUp(TObject* sender, Word& key, TShiftState shift);
    void FormShow(TObject* sender);
    void FormResize(TObject* sender);
    void RunKeyEvent(const String& procName, TObject* sender, Word& key, TShiftState shift);

    TFormBorderStyle FBorderStyle = bsSizeable;
    String FCaption;
    TColor FColor = clBtnFace;
    TpvrDialogForm* FForm = nullptr;
};

// ---- Expressions -------------------------------------------------------------------------------

// Compiles each expression text once into a function of a script of its own and calls it. The
// texts are compared with their case: 'abc' and 'ABC' are different expressions.
class TpvrExpressionCache : public TObject {
    KOV_CLASS(TpvrExpressionCache, TObject)
public:
    explicit TpvrExpressionCache(TkqScript* ownerScript);
    ~TpvrExpressionCache() override;

    // The value of `expression`, with `script` as the parent of the cache's script. A text that
    // does not compile leaves the value Null and describes the fault in `errorText`.
    void Calc(const String& expression, String& errorText, Variant& value, TkqScript* script);
    // Forgets every compiled expression and empties the cache's script; numbering restarts at 0.
    void Clear();

    TStringList* GetExpressions() const { return FExpressions.get(); }
    TkqScript* GetScript() const { return FScript; }

    TkqScript* OwnerScript;
    String ScriptLanguage = "PascalScript";

private:
    std::unique_ptr<TStringList> FExpressions;
    TkqScript* FScript = nullptr;
    Integer FCompiled = 0;
};

// ---- The engine --------------------------------------------------------------------------------

class TpvrBand;

// The engine that lays out a report into prepared pages; the report's expressions read its run
// state (start date and time, line numbers, page total) and its aggregate values.
class TpvrCustomEngine : public TPersistent {
    KOV_CLASS(TpvrCustomEngine, TPersistent)
public:
    explicit TpvrCustomEngine(TpvrReport* report);
    ~TpvrCustomEngine() override;

    virtual void EndPage() = 0;
    virtual void NewColumn() = 0;
    virtual void NewPage() = 0;
    virtual void ShowBand(TpvrBand* band) = 0;
    virtual void ShowBandOfClass(TClass bandClass) = 0;
    virtual Extended GetFootersHeight() = 0;
    virtual Extended FreeSpace() = 0;
    // The value of an aggregate function for the band being shown.
    virtual void GetAggregateValue(const String& name, const String& expression, Variant& result,
                                   TpvrComponent* band, Integer flags) = 0;
    virtual bool Run() = 0;
    // Stops the run: the report is terminated, its script too.
    void StopReport();
    // For the page-number variables: the index of the page being written in the prepared pages,
    // and the index where this run's page numbering starts.
    virtual Integer CurrentPageIndex() const { return 0; }
    virtual Integer FirstPageIndex() const { return 0; }
    // The report's engine option: the first of two passes only counts the pages.
    bool GetDoublePass() const;

    TList* GetNotifyList() const { return FNotifyList.get(); }

    Integer CurColumn = 1;
    Integer CurVColumn = 0;
    Integer CurLine = 0;
    Integer CurLineThrough = 0;
    Extended CurX = 0;
    Extended CurY = 0;
    bool FinalPass = false;
    Extended HeaderHeight = 0;
    Extended PageHeight = 0;
    Extended PageWidth = 0;
    TObject* PreviewPages = nullptr;
    TpvrReport* Report;
    bool Running = false;
    TDateTime StartDate = 0;
    TDateTime StartTime = 0;
    Integer TotalPages = 0;
    TClosure<void(TpvrDialogPage* Page)> OnDialog;

private:
    std::unique_ptr<TList> FNotifyList;
};

// ---- The report --------------------------------------------------------------------------------

using TpvrProgressEvent = TClosure<void(TpvrReport* Report, Integer Kind, Integer PageNumber)>;
using TpvrObjectEvent = TClosure<void(TpvrComponent* Sender)>;
using TpvrGetValueEvent = TClosure<void(const String& VarName, Variant& Value)>;
using TpvrClickObjectEvent =
    TClosure<void(TpvrComponent* View, TMouseButton Button, TShiftState Shift, bool& Modified)>;
using TpvrMouseOverObjectEvent = TClosure<void(TpvrComponent* View, bool& Handled)>;
using TpvrManualBuildEvent = TClosure<void(TpvrPage* Page)>;
using TpvrUserFunctionEvent = TClosure<Variant(const String& MethodName, Variant& Params)>;
using TpvrBeforeConnectEvent = TClosure<void(TObject* Sender, TObject* Connection)>;

class TpvrReport : public TpvrComponent {
    KOV_CLASS(TpvrReport, TpvrComponent)
public:
    explicit TpvrReport(TComponent* owner);
    ~TpvrReport() override;

    // Frees the pages and returns the definition to its empty state.
    void Clear() override;
    // The definition in XML; the host's own settings survive a load, and a password is asked.
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream, bool saveChildren = false, bool saveDefaultValues = false) override;
    // False, leaving the report cleared, when the file does not exist and `force` is not set.
    bool LoadFromFile(const String& fileName, bool force = false);
    void SaveToFile(const String& fileName);
    String GetDescription() override;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void Notification(TComponent* component, TOperation operation) override;

    // The children by index and their number.
    TpvrPage* Pages(Integer index) const;
    Integer PagesCount() const { return ObjectCount(); }

    // A settings object on IniFile: the registry for "\Software\..." paths, else a settings
    // file. The caller frees it.
    TCustomIniFile* GetIniFile() const;

    const String& GetVersion() const { return FVersion; }
    // Keeps "3.20" whatever is given.
    void SetVersion(const String&) { FVersion = "3.20"; }
    TpvrDataSet* GetDataSet() const { return FDataSet; }
    void SetDataSet(TpvrDataSet* value);
    String GetDataSetName() const;
    void SetDataSetName(const String& value);
    TpvrReportDataSets* GetDataSets() const { return FDataSets.get(); }
    TpvrVariables* GetVariables() const { return FVariables.get(); }
    TpvrStyles* GetStyles() const { return FStyles.get(); }
    // The data source of the first "Datasets" item whose data source has that user name.
    TpvrDataSet* GetDataset(const String& alias) const;
    void DefineProperties(TFiler* filer) override;
    // The collections of a definition: in an XML save each item as one attribute text, else the
    // class library's collection form.
    void ReadXMLCollection(TReader* reader, TCollection* collection);
    void WriteXMLCollection(TWriter* writer, TCollection* collection);
    TpvrEngineOptions* GetEngineOptions() const { return FEngineOptions.get(); }
    void SetEngineOptions(TpvrEngineOptions* value) { FEngineOptions->Assign(value); }
    TpvrPreviewOptions* GetPreviewOptions() const { return FPreviewOptions.get(); }
    void SetPreviewOptions(TpvrPreviewOptions* value) { FPreviewOptions->Assign(value); }
    TpvrPrintOptions* GetPrintOptions() const { return FPrintOptions.get(); }
    void SetPrintOptions(TpvrPrintOptions* value) { FPrintOptions->Assign(value); }
    TpvrReportOptions* GetReportOptions() const { return FReportOptions.get(); }
    void SetReportOptions(TpvrReportOptions* value) { FReportOptions->Assign(value); }
    TStrings* GetScriptText() const { return FScriptText.get(); }
    void SetScriptText(TStrings* value) { FScriptText->Assign(value); }
    // The report's script, with every registered binding module (added at the first use).
    TkqScript* GetScript() const;
    TStringList* GetErrors() const { return FErrors.get(); }
    // The serializer of the XML load under way, for the collection readers.
    TpvrXMLSerializer* CurrentSerializer = nullptr;
    TStringList* GetSystemVariables() const { return FSystemVariables.get(); }
    TTimer* GetTimer() const { return FTimer; }

    // ---- Expressions ----
    // The value of an expression: a name the report answers itself, else the compiled text run
    // with `script` (the report's script when none). A fault is added to Errors, prefixed with
    // CurObject, and raised.
    Variant Calc(const String& expression, TkqScript* script = nullptr);
    // Field references, system variables, host values, report variables and the script's own
    // symbols; True when the name was answered.
    bool ResolveName(const String& name, Variant& value);
    // `text` as data source user name, a full stop and a field name in double quotes.
    void SplitFieldReference(const String& text, TpvrDataSet*& dataSet, String& field);
    TpvrExpressionCache* GetExpressionCache() const { return FExpressionCache.get(); }
    // The text layout object its memos share, made on first use.
    TpvrDrawText* GetDrawText();
    // Readies the report's script for a run: the report's objects, "Report", "Engine", the
    // variable "Value" and the report functions registered, the script text compiled. False, with
    // the compiler's fault in Errors, when it does not compile.
    bool SetupScript();
    // Stores the flag; True also stops the report's script.
    void SetTerminated(bool value);

    // ---- The run ----
    // The prepared pages, made on first use together with the report's engine.
    TpvrCustomPreviewPages* GetPreviewPages();
    // Runs the report into its prepared pages; True when the engine ran to the end without errors.
    bool PrepareReport(bool clearLastReport = true);
    // Prepares on the timer's first tick and shows the pages in the attached preview.
    void ShowReport(bool clearLastReport = true);
    void ShowPreparedReport();
    // Prints the prepared pages (none are prepared here); False only when the print dialog or
    // the lack of a printer stopped it.
    bool Print();
    // The printer PrintOptions names becomes current, when the list holds one of that name.
    void SelectPrinter();
    // Progress of a preparation (kind 0), an export (1) or printing (2).
    virtual void DoProgressStart(Integer kind);
    virtual void DoProgress(Integer kind, Integer pageNumber);
    virtual void DoProgressStop(Integer kind);
    void SetProgressMessage(const String& text);
    // A procedure of the report's script, called while the engine runs or when forced.
    void RunScriptEvent(TObject* sender, const String& procName, bool force = false);
    void RunScriptEventArgs(const String& procName, Variant& args, bool force = false);
    // The host's event, then the object's script event.
    void FireBeforePrint(TpvrComponent* object);
    void FireAfterPrint(TpvrComponent* object);
    void FirePreviewClick(TpvrComponent* view, TMouseButton button, TShiftState shift, bool& modified);

    bool DotMatrixReport = false;
    String IniFile = "\\Software\\Orvant";
    bool OldStyleProgress = false;
    TComponent* Preview = nullptr;
    String ScriptLanguage = "PascalScript";
    bool ShowProgress = true;
    bool StoreInDFM = true;
    String OnRunDialogs;
    String OnStartReport;
    String OnStopReport;

    TNotifyEvent OnBeginDoc;
    TNotifyEvent OnEndDoc;
    TNotifyEvent OnPrintReport;
    TNotifyEvent OnAfterPrintReport;
    TpvrObjectEvent OnBeforePrint;
    TpvrObjectEvent OnAfterPrint;
    TpvrBeforeConnectEvent OnBeforeConnect;
    TpvrClickObjectEvent OnClickObject;
    TpvrGetValueEvent OnGetValue;
    TpvrManualBuildEvent OnManualBuild;
    TpvrMouseOverObjectEvent OnMouseOverObject;
    TpvrUserFunctionEvent OnUserFunction;
    TpvrProgressEvent OnProgressStart;
    TpvrProgressEvent OnProgress;
    TpvrProgressEvent OnProgressStop;
    // Receives the connection string of ReportOptions' connection name.
    TpvrConnectionEvent OnConnection;

    // ---- Run-time state ----
    String CurObject;
    TComponent* Designer = nullptr;
    String FileName;
    TStream* LoadStream = nullptr;
    TComponent* PreviewForm = nullptr;
    TComponent* ProgressForm = nullptr;
    bool ReloadingAfterRun = false;
    bool Terminated = false;
    // The engine of a run; the expressions read its state and aggregates through it.
    TpvrCustomEngine* Engine = nullptr;
    // The script's "Value", found by SetupScript.
    TkqCustomVariable* ValueVariable = nullptr;

private:
    void DoClear();
    // Adds the binding modules to the script unless they are there.
    void AddScriptBindings() const;
    void TimerTick(TObject* sender);
    // The report functions Get, Set, IIF and the aggregates, told apart by name.
    Variant ReportFunction(TObject* instance, TClass classRef, const String& methodName, Variant& args);
    Variant CallReportFunction(const String& name, Variant& args, TkqScript* callScript);
    Variant SystemVariable(Integer index);

    std::unique_ptr<TpvrExpressionCache> FExpressionCache;
    std::unique_ptr<TpvrDrawText> FDrawText;
    // Report variables being evaluated, to stop a variable that refers to itself.
    std::vector<String> FVariablesInUse;

    String FVersion = "3.20";
    TpvrDataSet* FDataSet = nullptr;
    String FDataSetName;
    TkqScript* FScript = nullptr;
    mutable std::atomic<bool> FScriptBindingsAdded{false};
    TTimer* FTimer = nullptr;
    std::unique_ptr<TpvrEngineOptions> FEngineOptions;
    std::unique_ptr<TpvrPreviewOptions> FPreviewOptions;
    std::unique_ptr<TpvrPrintOptions> FPrintOptions;
    std::unique_ptr<TpvrReportOptions> FReportOptions;
    std::unique_ptr<TStringList> FScriptText;
    std::unique_ptr<TStringList> FErrors;
    std::unique_ptr<TStringList> FSystemVariables;
    std::unique_ptr<TpvrReportDataSets> FDataSets;
    std::unique_ptr<TpvrVariables> FVariables;
    std::unique_ptr<TpvrStyles> FStyles;
    // The run's page store and engine (the store is a TpvrCustomPreviewPages).
    std::unique_ptr<TObject> FPreviewPages;
    std::unique_ptr<TpvrCustomEngine> FEngine;
    void RunTimerTick(TObject* sender);
};

// ---- Module-wide -------------------------------------------------------------------------------

// Optional call-backs of the engine, all unset unless a host sets them: a value consulted first
// by name resolution, one at the end of script set-up, one that may take over loading a
// definition, and one consulted for unknown names instead of the "clUnknownVar" error.
struct TpvrQO2Events {
    TClosure<bool(const String& Name, Variant& Value)> OnGetValue;
    TClosure<void(TpvrReport* Report)> OnAfterScriptSetup;
    TClosure<bool(TpvrReport* Report, TStream* Stream)> OnLoad;
    TClosure<bool(const String& Name, Variant& Value)> OnUnknownName;
};
TpvrQO2Events* QO2Events();

// The engine's start-up, once, before the first report object or data source is made: the
// global lock and data-source list, the screen cursors 150 to 152 (hand, zoom, format), the
// script compiler's messages in the engine's texts, and the call-back holder.
void StartReportEngine();

// The engine's one lock: loading under thread-safe loading, freeing a dialog page.
TCriticalSection* GlobalLock();

// Report views (base view, frame and shape, memo, line, picture) and the text layout they draw with.
#include "report/pvrClass_Views.h"

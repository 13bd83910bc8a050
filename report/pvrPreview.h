// The preview control: the prepared pages of a report in a scrolling workspace, one or two per
// row at a zoom factor, with an optional outline tree on the left and a centred message panel
// while pages are loaded or saved. It follows a running preparation page by page, navigates,
// zooms, finds text, follows hyperlinks, and prints, saves, opens and exports the pages.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/CommonCtrls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Metafiles.h"
#include "platform/classlib/StdCtrls.h"
#include "report/pvrClass.h"
#include "report/pvrCtrls.h"
#include "report/pvrCustomPreview.h"

class TpvrPreview;
class TpvrCustomExportFilter;

// ---- Page layout -------------------------------------------------------------------------------

// A page's place in the layout, in pixels at zoom 1.
class TpvrPageItem : public TObject {
    KOV_CLASS(TpvrPageItem, TObject)
public:
    SmallInt Column = 0; // position in its row
    SmallInt Height = 0;
    SmallInt Width = 0;
    Integer Top = 0;
};

// Lays pages out in rows of one or two, 10 pixels apart, at zoom 1.
class TpvrPageList : public TObject {
    KOV_CLASS(TpvrPageList, TObject)
public:
    TpvrPageList();
    ~TpvrPageList() override;

    void Clear();
    void Add(Integer width, Integer height);
    Integer Count() const { return Integer(FItems.size()); }
    TpvrPageItem* Items(Integer index) const { return FItems[std::size_t(index)].get(); }
    // The page's rectangle at that zoom in a client of that width; an A4 page for an index
    // outside the list.
    TRect Bounds(Integer index, Integer clientWidth, Extended zoom) const;
    // The last page whose top (at that zoom) is at most y, allowing a fifth of the page's
    // height unless exact; -1 for an empty list.
    Integer FindPage(Integer y, bool exact, Extended zoom) const;
    // Bottom of the last page (at that zoom) plus 10; 0 for an empty list.
    Integer TotalHeight(Extended zoom) const;

    Integer ColumnsPerRow = 1;
    Integer MaxRowWidth = 0;

private:
    std::vector<std::unique_ptr<TpvrPageItem>> FItems;
};

// ---- Workspace ---------------------------------------------------------------------------------

// The scrolling area that paints the pages and takes the mouse and keys for the preview.
class TpvrPreviewWorkspace : public TpvrScrollWin {
    KOV_CLASS(TpvrPreviewWorkspace, TpvrScrollWin)
public:
    explicit TpvrPreviewWorkspace(TComponent* owner);
    ~TpvrPreviewWorkspace() override;

    TpvrPageList* GetPageList() const { return FPageList.get(); }
    TpvrPreview* GetPreview() const { return FPreview; }
    // The cursor of the tool: 150 hand, 151 zoom.
    TCursor GetToolCursor() const { return FToolCursor; }
    void SetToolCursor(TCursor value);
    // The page's rectangle on the workspace, scroll positions taken off.
    TRect PageRect(Integer index) const;
    // Recomputes the scroll range from the page layout and the zoom.
    void UpdateScrollRange();
    // Scrolls so that y (at the current zoom, from the layout's top) is 10 pixels below the top,
    // without the page number following the scroll back.
    void ScrollToY(Integer y);
    // The index of the page under a workspace point (hit tests of the mouse); -1 without pages.
    Integer PageAt(Integer x, Integer y) const;

    // Forgets the page searched last and its cached metafile.
    void ForgetSearchCache();
    // The page of the last match (-1 when there is none) and the match's rectangle on the page
    // at zoom 1.
    Integer GetFoundPage() const;
    TRect GetFoundRect() const;
    // The text searched for and whether case matters, shared by every preview; a new search
    // forgets the last match.
    static void SetSearch(const String& text, bool caseSensitive);
    static String GetSearchText();

protected:
    void Paint() override;
    void Resize() override;
    void OnHScrollChange() override;
    void OnVScrollChange() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void DblClick() override;
    void KeyDown(Word& key, TShiftState shift) override;

private:
    friend class TpvrPreview;
    void HitTest(Integer x, Integer y, bool click, TMouseButton button, TShiftState shift);
    // Runs the search from the search page on; True when a match was found.
    bool FindText();
    // Scrolls the last match into view when it is outside.
    void ShowFound();
    // The preview's keys: scrolling, page moves and the commands' shortcuts.
    void HandleKey(Word& key, TShiftState shift);

    std::unique_ptr<TpvrPageList> FPageList;
    TpvrPreview* FPreview = nullptr;
    bool FDragging = false;
    POINT FLastPoint{};
    TCursor FToolCursor = 150;
    Integer FSearchPage = 0;
    Integer FCachedPage = -1;
    std::unique_ptr<TMetafile> FCachedMetafile;
    bool FDisableUpdate = false;
    Integer FLastHScroll = 0;
    Integer FLastVScroll = 0;
};

// ---- The window hosting a preview --------------------------------------------------------------

// What the preview tells the window it sits in. The window implements it and sets the
// preview's Host; without a host the preview tells nobody.
class TpvrPreviewHost {
public:
    virtual ~TpvrPreviewHost() = default;
    // Enable or disable the window's commands (Running or the page count changed).
    virtual void PreviewUpdateControls() {}
    // The zoom changed: show it in the zoom box.
    virtual void PreviewZoomChanged() {}
    // A preparation began (the close button now cancels) or ended (it closes again; the
    // progress field of the status bar is emptied).
    virtual void PreviewRunningChanged(bool running) { (void)running; }
    // A double click in the page area (leaves full screen).
    virtual void PreviewDblClick() {}
};

// ---- Preview -----------------------------------------------------------------------------------

enum TpvrPreviewTool : Byte { ptHand = 0, ptZoom = 1 };

using TpvrPageChangedEvent = TClosure<void(TObject* Sender, Integer PageNo)>;

class TpvrPreview : public TpvrCustomPreview {
    KOV_CLASS(TpvrPreview, TpvrCustomPreview)
public:
    explicit TpvrPreview(TComponent* owner);
    ~TpvrPreview() override;

    // From the report's preview options: outline, double buffering; lays out the pages, shows
    // the outline and the first page.
    void Init() override;
    void Lock() override;
    void Unlock() override;
    void PreparationStarted() override;
    void PreparationProgress(Integer pageIndex) override;
    void PreparationStopped() override;

    // Navigation; page numbers count from 1 (0 for an empty store).
    Integer GetPageNo() const { return FPageNo; }
    void SetPageNo(Integer value);
    void First();
    void Prior();
    void Next();
    void Last();
    // Scrolls to a position (report units) on a page, as outline items and anchors do.
    void SetPosition(Integer pageNo, Integer top);
    Integer GetAllPages();

    // The zoom a caller can set: from 25 % up to 10000 %, beyond which pages laid out in pixels
    // no longer fit the workspace's coordinates.
    static constexpr Extended kMinZoom = 0.25L;
    static constexpr Extended kMaxZoom = 100;
    Extended GetZoom() const { return FZoom; }
    // Takes the value within kMinZoom to kMaxZoom; a value that is not a number changes nothing.
    void SetZoom(Extended value);
    TpvrZoomMode GetZoomMode() const { return FZoomMode; }
    void SetZoomMode(TpvrZoomMode value);
    Byte GetTool() const { return FTool; }
    void SetTool(Byte value);

    bool GetOutlineVisible() const;
    void SetOutlineVisible(bool value);
    Integer GetOutlineWidth() const;
    void SetOutlineWidth(Integer value);
    TColor GetBackColor() const { return FBackColor; }
    void SetBackColor(TColor value);
    TColor GetFrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor value);

    bool GetLocked() const { return FLocked; }
    bool GetRunning() const { return FRunning; }
    bool GetFindActive() const { return FFindActive; }

    // Commands; those that change or write the pages do nothing while a preparation runs.
    void Print();
    void Save();
    void SaveToFile(const String& fileName);
    void Load();
    void LoadFromFile(const String& fileName);
    void Export(TpvrCustomExportFilter* filter);
    void PageSetup();
    void Find();
    void FindNext();
    void AddPage();
    void DeletePage();
    void EditPage();
    void EditTemplate();
    void Clear();
    // Stops the running preparation.
    void Cancel();
    void MouseWheelScroll(Integer delta, bool horizontal, bool zoom);

    void ShowBusyMessage(const String& text);
    void HideBusyMessage();

    // Rebuilds the page layout from the store (and forgets the search).
    void UpdatePageList();
    // Applies the zoom mode, the scroll range, repaints.
    void UpdatePages();
    // Rebuilds the outline tree from the store's outline.
    void UpdateOutline();

    TpvrPreviewWorkspace* GetWorkspace() const { return FWorkspace; }
    TTreeView* GetOutlineTree() const { return FOutline; }
    TPanel* GetMessagePanel() const { return FMessagePanel; }
    TLabel* GetMessageLabel() const { return FMessageLabel; }
    TButton* GetCancelButton() const { return FCancelButton; }

    // The window this preview sits in; see TpvrPreviewHost.
    TpvrPreviewHost* Host = nullptr;
    TpvrPageChangedEvent OnPageChanged;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Resize() override;
    void KeyDown(Word& key, TShiftState shift) override;
    void WndProc(TMessage& message) override;

private:
    friend class TpvrPreviewWorkspace;
    void DoPageChanged();
    void SetPageNoField(Integer value, bool scroll);
    void OutlineClick(TObject* sender);
    void CancelButtonClick(TObject* sender);
    void RunSearch();
    void DoLoad(const String& fileName);
    void DoSave(const String& fileName);
    TpvrPreviewOptions* Options() const;

    bool FFindActive = false;
    TColor FBackColor = TColor(0x808080);
    TButton* FCancelButton = nullptr;
    TColor FFrameColor = TColor(0);
    bool FLocked = false;
    TPanel* FMessagePanel = nullptr;
    TLabel* FMessageLabel = nullptr;
    TTreeView* FOutline = nullptr;
    TSplitter* FSplitter = nullptr;
    Integer FPageNo = 1;
    bool FRunning = false;
    // Refresh interval of a running preparation (pages) and the tick count of its first page.
    Integer FRefreshInterval = 0;
    DWORD FFirstPageTicks = 0;
    Byte FTool = ptHand;
    TpvrPreviewWorkspace* FWorkspace = nullptr;
    Extended FZoom = 1.0L;
    TpvrZoomMode FZoomMode = zmDefault;
};

// ---- Preview window ----------------------------------------------------------------------------

class TToolBar;
class TToolButton;
class TStatusBar;
class TSpeedButton;
class TEdit;
class TPopupMenu;
class TMenuItem;

// The window a report shows its prepared pages in when no preview control is attached: a tool
// bar with the buttons the report's preview options choose, the preview filling the rest, a
// status bar with the page counter, and a context menu that repeats the tool bar's commands.
class TpvrPreviewForm : public TForm, public TpvrPreviewHost {
    KOV_CLASS(TpvrPreviewForm, TForm)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TpvrPreviewForm(TComponent* owner);
    ~TpvrPreviewForm() override;

    // Takes the report's preview options: window state, buttons, export menu, caption, the
    // preview's own settings, and the context menu built from the tool bar.
    void Init();
    // Enables the commands by the preview's state.
    void UpdateControls();
    // The progress field of the status bar.
    void SetStatusText(const String& text);
    void SwitchFullScreen();
    bool GetFullScreen() const { return FFullScreen; }
    TpvrPreview* GetPreview() const { return FPreview; }
    // The zoom as the zoom box shows it ("150%").
    String ZoomText() const;

    // Event handlers of the stored form.
    void FormCreate(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormKeyDown(TObject* sender, Word& key, TShiftState shift);
    void FormKeyPress(TObject* sender, char32_t& key);
    void FormMouseWheel(TObject* sender, TShiftState shift, Integer wheelDelta, POINT mousePos,
                        bool& handled);
    void PrintBClick(TObject* sender);
    void OpenBClick(TObject* sender);
    void SaveBClick(TObject* sender);
    void FindBClick(TObject* sender);
    void ZoomWholePageBClick(TObject* sender);
    void ZoomPageWidthBClick(TObject* sender);
    void Zoom100BClick(TObject* sender);
    void Zoom50BClick(TObject* sender);
    void ZoomCBClick(TObject* sender);
    void FullScreenBtnClick(TObject* sender);
    void PageSettingsBClick(TObject* sender);
    void OutlineBClick(TObject* sender);
    void SelectToolBClick(TObject* sender);
    void NewPageBClick(TObject* sender);
    void DelPageBClick(TObject* sender);
    void DesignerBClick(TObject* sender);
    void DesignerBMouseUp(TObject* sender, TMouseButton button, TShiftState shift, Integer x, Integer y);
    void FirstBClick(TObject* sender);
    void PriorBClick(TObject* sender);
    void NextBClick(TObject* sender);
    void LastBClick(TObject* sender);
    void CancelBClick(TObject* sender);
    void Showtemplate1Click(TObject* sender);
    void PdfBClick(TObject* sender);
    void EmailBClick(TObject* sender);
    // The preview's page counter.
    void PreviewPageChanged(TObject* sender, Integer pageNo);

    // Set by the report for a window shown modeless: it frees itself when closed.
    bool FreeOnClose = false;

    TToolBar* ToolBar = nullptr;
    TToolButton* PrintB = nullptr;
    TToolButton* OpenB = nullptr;
    TToolButton* SaveB = nullptr;
    TToolButton* ExportB = nullptr;
    TToolButton* PdfB = nullptr;
    TToolButton* EmailB = nullptr;
    TToolButton* FindB = nullptr;
    TToolButton* Sep1 = nullptr;
    TToolButton* ZoomWholePageB = nullptr;
    TToolButton* ZoomPageWidthB = nullptr;
    TToolButton* Zoom100B = nullptr;
    TToolButton* Zoom50B = nullptr;
    TpvrTBPanel* Sep3 = nullptr;
    TpvrComboBox* ZoomCB = nullptr;
    TToolButton* FullScreenBtn = nullptr;
    TToolButton* Sep2 = nullptr;
    TToolButton* PageSettingsB = nullptr;
    TToolButton* OutlineB = nullptr;
    TToolButton* Sep5 = nullptr;
    TToolButton* HandToolB = nullptr;
    TToolButton* ZoomToolB = nullptr;
    TToolButton* Sep7 = nullptr;
    TToolButton* NewPageB = nullptr;
    TToolButton* DelPageB = nullptr;
    TToolButton* DesignerB = nullptr;
    TToolButton* Sep6 = nullptr;
    TToolButton* FirstB = nullptr;
    TToolButton* PriorB = nullptr;
    TpvrTBPanel* Sep4 = nullptr;
    TEdit* PageE = nullptr;
    TToolButton* NextB = nullptr;
    TToolButton* LastB = nullptr;
    TpvrTBPanel* qoTBPanel1 = nullptr;
    TSpeedButton* CancelB = nullptr;
    TStatusBar* StatusBar = nullptr;
    TPopupMenu* ExportPopup = nullptr;
    TPopupMenu* HiddenMenu = nullptr;
    TMenuItem* Showtemplate1 = nullptr;
    TPopupMenu* RightMenu = nullptr;

protected:
    // What the preview tells its window.
    void PreviewUpdateControls() override;
    void PreviewZoomChanged() override;
    void PreviewRunningChanged(bool running) override;
    void PreviewDblClick() override;

    void WMActivateApp(TMessage& message);
    void WMSysCommand(TMessage& message);
    void WMUpdateZoom(TMessage& message);

private:
    void FindComponents();
    // Frees a separator the chosen buttons leave without neighbours.
    void RemoveSeparator(TToolButton*& separator);
    void BuildExportMenu();
    void BuildRightMenu();
    void ExportItemClick(TObject* sender);
    void ExportThrough(TpvrCustomExportFilter* filter);
    TpvrPreviewOptions* Options() const;
    // A preparation the report armed to start inside this window does not start once the window
    // has closed.
    void StopPendingRun();

    TpvrPreview* FPreview = nullptr;
    bool FFullScreen = false;
    TFormBorderStyle FSavedBorderStyle = bsSizeable;
    TWindowState FSavedWindowState = wsNormal;
    TpvrCustomExportFilter* FPdfFilter = nullptr;
    TpvrCustomExportFilter* FEmailFilter = nullptr;
};

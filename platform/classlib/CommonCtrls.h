// Small common controls the class library paints itself (no window class behind them): the
// up-down arrows beside an edit, the progress bar, the track bar and the tree view.
#pragma once

#include <memory>
#include <vector>

#include "platform/classlib/Controls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/ImgList.h"

// ---- TUpDown ----------------------------------------------------------------------------------

enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };

using TUDClickEvent = TClosure<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TClosure<void(TObject* Sender, bool& AllowChange)>;

// Two arrow buttons that step Position between Min and Max. Held down, a button repeats on the
// timer (after 400 ms, then every 100 ms) while the pointer stays on it. With an Associate the
// control sits at its side and shows Position as its text; with ArrowKeys the associate's Up and
// Down keys step too.
class TCustomUpDown : public TCustomControl {
    KOV_CLASS(TCustomUpDown, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomUpDown(TComponent* owner);
    ~TCustomUpDown() override;

    TWinControl* GetAssociate() const { return FAssociate; }
    void SetAssociate(TWinControl* value);
    TUDAlignButton GetAlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton value);
    SmallInt GetMin() const { return FMin; }
    void SetMin(SmallInt value);
    SmallInt GetMax() const { return FMax; }
    void SetMax(SmallInt value);
    // Held within Min..Max (either may be the larger).
    SmallInt GetPosition() const { return FPosition; }
    void SetPosition(SmallInt value);
    Integer GetIncrement() const { return FIncrement; }
    void SetIncrement(Integer value) { FIncrement = value; }
    TUDOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation value);
    // Stepping past one end goes round to the other.
    bool GetWrap() const { return FWrap; }
    void SetWrap(bool value) { FWrap = value; }
    bool GetArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool value) { FArrowKeys = value; }
    // Shows the position with thousands separators in the associate.
    bool GetThousands() const { return FThousands; }
    void SetThousands(bool value);

    // One step as the button would make it: OnChanging may refuse; then OnClick.
    void Step(TUDBtnType button);
    void Notification(TComponent* component, TOperation operation) override;

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void KeyDown(Word& key, TShiftState shift) override;
    virtual bool CanChange();
    virtual void DoClick(TUDBtnType button);
    void WMTimer(TMessage& message);
    void WMGetDlgCode(TMessage& message);
    void WMSize(TMessage& message);

private:
    // The button under a client point.
    TUDBtnType ButtonAt(Integer x, Integer y) const;
    void UpdateAssociate();
    void PlaceBesideAssociate();
    void AssociateWndProc(TMessage& message);
    void StopRepeat();

    TWinControl* FAssociate = nullptr;
    TWndMethod FAssociateWndProc;
    TUDAlignButton FAlignButton = udRight;
    SmallInt FMin = 0;
    SmallInt FMax = 100;
    SmallInt FPosition = 0;
    Integer FIncrement = 1;
    TUDOrientation FOrientation = udVertical;
    bool FWrap = false;
    bool FArrowKeys = true;
    bool FThousands = true;
    bool FPressed = false;
    TUDBtnType FPressedButton = btNext;
    bool FRepeating = false;
};

class TUpDown : public TCustomUpDown {
    KOV_CLASS(TUpDown, TCustomUpDown)
public:
    explicit TUpDown(TComponent* owner) : TCustomUpDown(owner) {}
};

// ---- TProgressBar -----------------------------------------------------------------------------

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TCustomControl {
    KOV_CLASS(TProgressBar, TCustomControl)
public:
    explicit TProgressBar(TComponent* owner);

    Integer GetMin() const { return FMin; }
    void SetMin(Integer value);
    Integer GetMax() const { return FMax; }
    void SetMax(Integer value);
    // Held within Min..Max.
    Integer GetPosition() const { return FPosition; }
    void SetPosition(Integer value);
    Integer GetStep() const { return FStep; }
    void SetStep(Integer value) { FStep = value; }
    bool GetSmooth() const { return FSmooth; }
    void SetSmooth(bool value);
    TProgressBarOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation value);
    // Adds Step; past Max the bar starts again from Min.
    void StepIt();
    void StepBy(Integer delta);

protected:
    void Paint() override;

private:
    Integer FMin = 0;
    Integer FMax = 100;
    Integer FPosition = 0;
    Integer FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
};

// ---- TTrackBar --------------------------------------------------------------------------------

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

// A thumb on a channel: the keys step it by LineSize (arrows) and PageSize (Page Up/Down) or send
// it to the ends (Home/End); a click beside the thumb pages towards the click; the thumb is
// dragged. A vertical bar has Min at the top.
class TTrackBar : public TCustomControl {
    KOV_CLASS(TTrackBar, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TTrackBar(TComponent* owner);

    Integer GetMin() const { return FMin; }
    void SetMin(Integer value);
    Integer GetMax() const { return FMax; }
    void SetMax(Integer value);
    Integer GetPosition() const { return FPosition; }
    void SetPosition(Integer value);
    // A tick every Frequency positions (tsAuto).
    Integer GetFrequency() const { return FFrequency; }
    void SetFrequency(Integer value);
    Integer GetLineSize() const { return FLineSize; }
    void SetLineSize(Integer value) { FLineSize = value; }
    Integer GetPageSize() const { return FPageSize; }
    void SetPageSize(Integer value) { FPageSize = value; }
    TTrackBarOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation value);
    TTickMark GetTickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark value);
    TTickStyle GetTickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle value);
    // A tick of its own (tsManual, and tsAuto's besides the regular ones).
    void SetTick(Integer value);

    // The thumb's rectangle (client coordinates).
    TRect ThumbRect() const;
    // The client coordinate along the channel of a position.
    Integer PositionToPixel(Integer position) const;

    TNotifyEvent OnChange;

protected:
    void Paint() override;
    virtual void Changed();
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void KeyDown(Word& key, TShiftState shift) override;
    void WMGetDlgCode(TMessage& message);

private:
    Integer ChannelStart() const;
    Integer ChannelLength() const;
    Integer PixelToPosition(Integer pixel) const;

    Integer FMin = 0;
    Integer FMax = 10;
    Integer FPosition = 0;
    Integer FFrequency = 1;
    Integer FLineSize = 1;
    Integer FPageSize = 2;
    TTrackBarOrientation FOrientation = trHorizontal;
    TTickMark FTickMarks = tmBottomRight;
    TTickStyle FTickStyle = tsAuto;
    std::vector<Integer> FTicks;
    bool FDragging = false;
    Integer FDragOffset = 0;
};

// ---- TTreeView --------------------------------------------------------------------------------

class TTreeNodes;
class TCustomTreeView;

class TTreeNode : public TPersistent {
    KOV_CLASS(TTreeNode, TPersistent)
public:
    explicit TTreeNode(TTreeNodes* owner = nullptr);
    ~TTreeNode() override;

    const String& GetText() const { return FText; }
    void SetText(const String& value);
    void* GetData() const { return FData; }
    void SetData(void* value) { FData = value; }
    Integer GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(Integer value);
    Integer GetSelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(Integer value);
    bool GetExpanded() const { return FExpanded; }
    void SetExpanded(bool value);
    // Whether a button shows: children, or set by hand for children to come.
    bool GetHasChildren() const { return !FChildren.empty() || FHasChildren; }
    void SetHasChildren(bool value);
    Integer GetCount() const { return Integer(FChildren.size()); }
    TTreeNode* GetItem(Integer index) const;
    TTreeNode* GetParent() const { return FParent; }
    TTreeNodes* GetNodes() const { return FOwner; }
    TCustomTreeView* GetTreeView() const;
    // 0 for a node at the root.
    Integer GetLevel() const;
    // The position among its siblings.
    Integer GetIndex() const;
    // The position among all nodes, depth first.
    Integer GetAbsoluteIndex() const;
    bool GetSelected() const;
    void SetSelected(bool value);
    // Shown: every parent expanded.
    bool IsVisible() const;

    TTreeNode* getFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front().get(); }
    TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back().get(); }
    TTreeNode* getNextSibling() const;
    TTreeNode* getPrevSibling() const;
    // Depth first.
    TTreeNode* GetNext() const;
    TTreeNode* GetPrev() const;
    // The next and previous shown nodes.
    TTreeNode* GetNextVisible() const;
    TTreeNode* GetPrevVisible() const;
    bool HasAsParent(const TTreeNode* node) const;

    // recursive: the children as well.
    void Expand(bool recursive);
    void Collapse(bool recursive);
    void DeleteChildren();
    // Frees the node (and its children).
    void Delete();

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    std::vector<std::unique_ptr<TTreeNode>>& Siblings() const;

    TTreeNodes* FOwner = nullptr;
    TTreeNode* FParent = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
    String FText;
    void* FData = nullptr;
    Integer FImageIndex = -1;
    Integer FSelectedIndex = -1;
    bool FExpanded = false;
    bool FHasChildren = false;
};

class TTreeNodes : public TPersistent {
    KOV_CLASS(TTreeNodes, TPersistent)
public:
    explicit TTreeNodes(TCustomTreeView* owner = nullptr);
    ~TTreeNodes() override;

    // Every node, depth first.
    Integer GetCount() const;
    TTreeNode* GetItem(Integer index) const;
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front().get(); }
    TCustomTreeView* GetTreeView() const { return FOwner; }

    // A node after the last sibling of `sibling` (null: at the root).
    TTreeNode* Add(TTreeNode* sibling, const String& text);
    TTreeNode* AddObject(TTreeNode* sibling, const String& text, void* data);
    TTreeNode* AddFirst(TTreeNode* sibling, const String& text);
    TTreeNode* AddChild(TTreeNode* parent, const String& text);
    TTreeNode* AddChildObject(TTreeNode* parent, const String& text, void* data);
    TTreeNode* AddChildFirst(TTreeNode* parent, const String& text);
    // Before `sibling` (null: the last at the root).
    TTreeNode* Insert(TTreeNode* sibling, const String& text);
    void Delete(TTreeNode* node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    TTreeNode* InsertAt(TTreeNode* parent, std::size_t position, const String& text, void* data);
    void Changed();

    TCustomTreeView* FOwner;
    std::vector<std::unique_ptr<TTreeNode>> FRoots;
    Integer FUpdateCount = 0;
};

using TTVChangedEvent = TClosure<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = TClosure<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = TClosure<void(TObject* Sender, TTreeNode* Node)>;

// An outline: nodes in rows, children indented under their parent and shown while it is
// expanded. Keys: Up/Down move the selection among the shown nodes, Right expands (or goes to
// the first child), Left collapses (or goes to the parent), + and - expand and collapse,
// Home/End go to the first/last shown node. A click on a button expands or collapses, a click
// on a row selects it, a double click on a row expands or collapses it.
class TCustomTreeView : public TCustomControl {
    KOV_CLASS(TCustomTreeView, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TCustomTreeView(TComponent* owner);
    ~TCustomTreeView() override;

    TTreeNodes* GetItems() const { return FItems.get(); }
    TTreeNode* GetSelected() const { return FSelected; }
    // OnChanging may refuse; OnChange follows.
    void SetSelected(TTreeNode* value);
    TCustomImageList* GetImages() const { return FImages; }
    void SetImages(TCustomImageList* value);
    bool GetShowLines() const { return FShowLines; }
    void SetShowLines(bool value);
    bool GetShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool value);
    bool GetShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    // Without the focus a selection shows only unless set.
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    Integer GetIndent() const { return FIndent; }
    void SetIndent(Integer value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // The first row shown.
    TTreeNode* GetTopItem() const;
    void SetTopItem(TTreeNode* value);
    Integer RowHeight() const;

    void FullExpand();
    void FullCollapse();
    // The node in the row at a client point (null below the last).
    TTreeNode* GetNodeAt(Integer x, Integer y) const;
    // The row of a shown node (client coordinates); empty for a hidden one.
    TRect NodeRect(const TTreeNode* node) const;
    // The rectangle of a node's button.
    TRect ButtonRect(const TTreeNode* node) const;

    void Notification(TComponent* component, TOperation operation) override;

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVExpandedEvent OnDeletion;

protected:
    friend class TTreeNode;
    friend class TTreeNodes;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void KeyDown(Word& key, TShiftState shift) override;
    void DblClick() override;
    virtual bool CanChange(TTreeNode* node);
    virtual void Change(TTreeNode* node);
    virtual bool CanExpand(TTreeNode* node);
    virtual void Expand(TTreeNode* node);
    virtual bool CanCollapse(TTreeNode* node);
    virtual void Collapse(TTreeNode* node);
    void WMGetDlgCode(TMessage& message);
    void CMFocusChanged(TMessage& message);

private:
    // The node is going: the selection and the top row leave it.
    void NodeDeleting(TTreeNode* node);
    void ImageListChange(TObject* sender) { Invalidate(); }
    void MakeVisible(TTreeNode* node);
    // The shown nodes, top first.
    std::vector<TTreeNode*> VisibleNodes() const;
    Integer LevelIndent(const TTreeNode* node) const;
    Integer VisibleRows() const;

    std::unique_ptr<TTreeNodes> FItems;
    TTreeNode* FSelected = nullptr;
    Integer FTopRow = 0;
    TCustomImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageLink;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FShowButtons = true;
    bool FReadOnly = false;
    bool FHideSelection = true;
    Integer FIndent = 19;
    TBorderStyle FBorderStyle = bsSingle;
};

class TTreeView : public TCustomTreeView {
    KOV_CLASS(TTreeView, TCustomTreeView)
public:
    explicit TTreeView(TComponent* owner) : TCustomTreeView(owner) {}
};

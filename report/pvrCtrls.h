// Small window controls of the report engine's own windows: a custom-painted control with its
// own scroll ranges, a borderless tool-bar panel hosting an edit or a combo box, and a flat
// combo box.
#pragma once

#include "platform/classlib/Controls.h"
#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Messages.h"
#include "platform/classlib/StdCtrls.h"

// Paints itself with its Color; scroll ranges, pages and positions in pixels on both bars.
class TpvrScrollWin : public TCustomControl {
    KOV_CLASS(TpvrScrollWin, TCustomControl)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TpvrScrollWin(TComponent* owner);

    Integer GetHorzPage() const { return FHorzPage; }
    void SetHorzPage(Integer value);
    Integer GetHorzPosition() const { return FHorzPosition; }
    void SetHorzPosition(Integer value);
    Integer GetHorzRange() const { return FHorzRange; }
    void SetHorzRange(Integer value);
    Integer GetLargeChange() const { return FLargeChange; }
    void SetLargeChange(Integer value) { FLargeChange = value; }
    Integer GetSmallChange() const { return FSmallChange; }
    void SetSmallChange(Integer value) { FSmallChange = value; }
    Integer GetVertPage() const { return FVertPage; }
    void SetVertPage(Integer value);
    Integer GetVertPosition() const { return FVertPosition; }
    void SetVertPosition(Integer value);
    Integer GetVertRange() const { return FVertRange; }
    void SetVertRange(Integer value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Paint() override;
    // Run after a position changed.
    virtual void OnHScrollChange() {}
    virtual void OnVScrollChange() {}

    void WMHScroll(TWMScroll& message);
    void WMVScroll(TWMScroll& message);
    void WMEraseBkgnd(TMessage& message);
    void WMGetDlgCode(TMessage& message);

private:
    void UpdateBar(int bar, Integer range, Integer page, Integer position);
    Integer ScrollTarget(int bar, const TWMScroll& message, Integer position, Integer range);

    Integer FHorzPage = 0;
    Integer FHorzPosition = 0;
    Integer FHorzRange = 0;
    Integer FLargeChange = 10;
    Integer FSmallChange = 1;
    Integer FVertPage = 0;
    Integer FVertPosition = 0;
    Integer FVertRange = 0;
};

// A panel in a tool bar that hosts an edit or a combo box.
class TpvrTBPanel : public TPanel {
    KOV_CLASS(TpvrTBPanel, TPanel)
public:
    explicit TpvrTBPanel(TComponent* owner);
    // In a vertical tool bar (its panel aligned left or right) it stacks at the top.
    void SetParent(TWinControl* value) override;

protected:
    void Paint() override;
};

// A flat combo box: its drop-down list takes ListWidth (or the box's width - 1), as many items
// as DropDownCount shows, and opens upwards when it would pass the bottom of the screen.
class TpvrCustomComboBox : public TCustomComboBox {
    KOV_CLASS(TpvrCustomComboBox, TCustomComboBox)
public:
    explicit TpvrCustomComboBox(TComponent* owner);
    ~TpvrCustomComboBox() override;

    Integer GetButtonWidth() const { return FButtonWidth; }
    Integer GetImageIndent() const { return FImageIndent; }
    void SetImageIndent(Integer value) { FImageIndent = value; }
    Integer GetListWidth() const { return FListWidth; }
    void SetListWidth(Integer value) { FListWidth = value; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // The list opened upwards the last time it dropped down.
    bool GetDroppingUp() const { return FDroppingUp; }

    // Active: designed, dropped down, focused in its edit, or under the mouse.
    bool IsActive() const;

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    // Paints the flat frame and button over the standard combo box, and repaints them when
    // focus, the mouse, the list or the enabled state change.
    void WndProc(TMessage& message) override;

private:
    static LRESULT ListWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintFlat();
    void PlaceList(WINDOWPOS& pos);
    // The edit sits inside the flat frame, left of the button and right of the image.
    void PlaceEdit();
    // The items are as high as the font's text.
    void MeasureItems();
    void Unhook();

    HWND FListHandle = nullptr;
    WNDPROC FDefListProc = nullptr;
    Integer FButtonWidth = 11;
    Integer FImageIndent = 0;
    bool FDroppingUp = false;
    Integer FListWidth = 0;
    bool FReadOnly = false;
    bool FMouseInside = false;
};

class TpvrComboBox : public TpvrCustomComboBox {
    KOV_CLASS(TpvrComboBox, TpvrCustomComboBox)
public:
    using TpvrCustomComboBox::TpvrCustomComboBox;
};

// The suite's radio button: the class library's radio button drawn by the suite. Its glyph,
// caption, focus frame and background come from the native visual style when the look and feel
// asks for it and themes are active, otherwise from the look-and-feel painter of its kind. It
// tracks the mouse (hot and pressed glyphs), can be transparent over its parent and takes a
// popup menu.
#pragma once

#include <memory>

#include "platform/classlib/Menus.h"
#include "platform/classlib/StdCtrls.h"
#include "suite/foundation/qzControls.h"
#include "suite/foundation/qzGraphics.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/qzLookAndFeels.h"

enum TqzRadioButtonState : Byte { rbsDisabled, rbsHot, rbsNormal, rbsPressed };

// Width and height of the classic radio glyph, measured once from the system's radio mask.
TSize RadioGlyphSize();

class TqzRadioButton : public TRadioButton, public IqzMouseTrackingCaller {
    KOV_CLASS(TqzRadioButton, TRadioButton)
    KOV_DECLARE_MESSAGE_MAP
public:
    explicit TqzRadioButton(TComponent* owner);
    ~TqzRadioButton() override;

    void Invalidate() override;
    bool Focused() const override;

    TqzLookAndFeel* GetLookAndFeel() const { return FLookAndFeel.get(); }
    void SetLookAndFeel(TqzLookAndFeel* value) { FLookAndFeel->Assign(value); }
    TComponent* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TComponent* value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TqzRadioButtonState GetButtonState() const { return FButtonState; }
    TRect GetButtonRect() const { return FButtonRect; }

    virtual void AdjustCaptionRect(TRect& rect, bool native);
    virtual bool ShowPopupMenu(TComponent* menu, Integer x, Integer y);
    virtual bool IsInplace() const { return false; }
    virtual bool HasOwnBackground() const;
    virtual bool IsNativeStyle() const;
    virtual bool UsesTransparentProperty() const;
    virtual bool IsTransparent() const;
    virtual void LookAndFeelChanged();
    virtual void Paint();
    // button: 0 none, 1 left, 2 right, 3 middle; point in client coordinates.
    virtual void UpdateState(Integer button, TShiftState shift, const TPoint& point);
    virtual void EnabledChanged();
    virtual void MouseEnter(TControl* control);
    virtual void MouseLeave(TControl* control);
    void RefreshStateAtCursor();

    // IqzMouseTrackingCaller
    void MouseLeave() override { MouseLeave(this); }
    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }

protected:
    void CreateHandle() override;
    void CreateParams(TCreateParams& params) override;
    void Notification(TComponent* component, TOperation operation) override;
    void DoEnter() override;
    void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void DoContextPopup(POINT mousePos, bool& handled) override;

    void WMEraseBkgnd(TMessage& message);
    void WMWindowPosChanged(TMessage& message);
    void BMSetCheck(TMessage& message);
    void CMEnabledChanged(TMessage& message);
    void CMMouseEnter(TMessage& message);
    void CMMouseLeave(TMessage& message);
    void CMSysColorChange(TMessage& message);
    void CNDrawItem(TWMDrawItem& message);
    void CNMeasureItem(TWMMeasureItem& message);
    void CNKeyDown(TWMKey& message);
    void WMContextMenu(TWMContextMenu& message);

private:
    void LookAndFeelChangedHandler(TqzLookAndFeel* sender, TqzLookAndFeelValues values);
    void InvalidateButtonRect();
    void PlaceGlyph(const TSize& size, bool leftAtZero);
    void PaintCaption(bool native);
    bool IsDestroying() const { return GetComponentState().Contains(csDestroying); }

    TRect FButtonRect{};
    std::unique_ptr<TControlCanvas> FControlCanvas;
    std::unique_ptr<TqzCanvas> FCanvas;
    std::unique_ptr<TqzLookAndFeel> FLookAndFeel;
    TComponent* FPopupMenu = nullptr;
    TqzRadioButtonState FButtonState = rbsNormal;
    bool FTransparent = false;
};

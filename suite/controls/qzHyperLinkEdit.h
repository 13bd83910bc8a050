// The hyperlink editor: a text editor whose text is a link target, drawn underlined in a link
// colour, completed with a prefix when confirmed, and opened through the desktop on a double
// click, a single click or a start key.
#pragma once

#include "suite/editors/qzTextEdit.h"

class TqzCustomHyperLinkEditProperties : public TqzCustomTextEditProperties {
    KOV_CLASS(TqzCustomHyperLinkEditProperties, TqzCustomTextEditProperties)
public:
    explicit TqzCustomHyperLinkEditProperties(TPersistent* owner);

    // The stored "Prefix": written only when it differs from the localised default.
    void DefineProperties(TFiler* filer) override;
    // From other hyperlink properties also AutoComplete, LinkColor, Prefix, SingleClick,
    // StartKey and OnStartClick, inside one update.
    void Assign(TPersistent* source) override;
    TClass GetContainerClass() const override;
    TqzContainerStyleClass GetStyleClass() const override;
    TqzCustomEditViewDataClass GetViewDataClass() const override;
    TqzCustomEditViewInfoClass GetViewInfoClass() const override;
    // Bit 0 added with SingleClick.
    Integer GetSupportedOperations() override;
    // With AutoComplete the text gets the prefix first.
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;

    // The text unchanged when Prefix is empty, the trimmed text is empty or begins with Prefix;
    // else Prefix followed by the trimmed text.
    virtual void AddPrefix(const String& text, String& result);

    // The localised "http://".
    static String DefaultPrefix();

    bool GetAutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool value) { FAutoComplete = value; }
    TColor GetLinkColor() const { return FLinkColor; }
    void SetLinkColor(TColor value);
    const String& GetPrefix() const { return FPrefix; }
    void SetPrefix(const String& value) { FPrefix = value; }
    bool GetSingleClick() const { return FSingleClick; }
    void SetSingleClick(bool value);
    TShortCut GetStartKey() const { return FStartKey; }
    void SetStartKey(TShortCut value) { FStartKey = value; }

    TNotifyEvent OnStartClick;

private:
    bool FAutoComplete = true;
    bool FSingleClick = false;
    TColor FLinkColor = TColor(0xFF0000);
    String FPrefix;
    TShortCut FStartKey = 16397;
};

class TqzHyperLinkEditProperties : public TqzCustomHyperLinkEditProperties {
    KOV_CLASS(TqzHyperLinkEditProperties, TqzCustomHyperLinkEditProperties)
public:
    using TqzCustomHyperLinkEditProperties::TqzCustomHyperLinkEditProperties;
};

// The link look: the text in LinkColor (unless the style is accessed directly) and underlined.
class TqzHyperLinkStyle : public TqzEditStyle {
    KOV_CLASS(TqzHyperLinkStyle, TqzEditStyle)
public:
    using TqzEditStyle::TqzEditStyle;
    static TqzContainerStyle* CreateInstance(TPersistent* owner, Integer state, TqzContainerStyle* normalStyle,
                                             bool directAccess);

    TColor GetTextColor() override;
    TFontStyles GetTextStyle() override;
};

class TqzHyperLinkEditViewData : public TqzCustomTextEditViewData {
    KOV_CLASS(TqzHyperLinkEditViewData, TqzCustomTextEditViewData)
public:
    using TqzCustomTextEditViewData::TqzCustomTextEditViewData;
    static TqzCustomEditViewData* CreateInstance(TqzCustomEditProperties* properties, TqzCustomEditStyle* style,
                                                 bool isInplace);

    void Calculate(TqzCanvas* canvas, const TRect& bounds, const TPoint& p, Integer button, TShiftState shift,
                   TqzCustomEditViewInfo* viewInfo, bool isMouseEvent) override;
};

class TqzHyperLinkEditViewInfo : public TqzCustomTextEditViewInfo {
    KOV_CLASS(TqzHyperLinkEditViewInfo, TqzCustomTextEditViewInfo)
public:
    static TqzContainerViewInfo* CreateInstance() { return new TqzHyperLinkEditViewInfo(); }

    // Painted without an editor (a grid cell): underlined, in LinkColor or the selection colour.
    void AdjustPaintFont(TFont* font) override;
    // With SingleClick the whole editor counts as a hot element.
    bool HasHotButton() override;
    bool IsPointOverButton(const TPoint& p) override;

    bool HasEditControl = false;

private:
    bool IsSingleClick();
};

class TqzCustomHyperLinkEdit : public TqzCustomTextEdit {
    KOV_CLASS(TqzCustomHyperLinkEdit, TqzCustomTextEdit)
public:
    explicit TqzCustomHyperLinkEdit(TComponent* owner);
    TqzCustomHyperLinkEdit(TComponent* owner, bool isInplace);

    // The start-click handlers, or without any the desktop opens the prefixed display text.
    virtual void OpenLink();

    TClass GetPropertiesClass() override { return TqzCustomHyperLinkEditProperties::StaticClass(); }
    void ApplyActiveProperties(TObject* properties) override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseEnter(TControl* control) override;
    void HandleMouseLeave(TControl* control) override;
    void ActivateByMouse(TShiftState shift, Integer x, Integer y, TqzCustomEditData*& editData) override;
    void SelectAll() override;
    // The native edit shows the text as the style does: in the link colour, underlined.
    void UpdateInnerEditAppearance() override;

    TqzCustomHyperLinkEditProperties* GetHyperLinkProperties() const {
        return static_cast<TqzCustomHyperLinkEditProperties*>(TqzCustomEdit::GetProperties());
    }
    TqzCustomHyperLinkEditProperties* GetActiveHyperLinkProperties();

protected:
    TqzCustomHyperLinkEdit(TComponent* owner, bool isInplace, bool deferInitialization);

private:
    bool InClient(Integer x, Integer y);
    void TakeHandCursor();

    TCursor FSavedCursor = crDefault;
};

class TqzHyperLinkEdit : public TqzCustomHyperLinkEdit {
    KOV_CLASS(TqzHyperLinkEdit, TqzCustomHyperLinkEdit)
public:
    explicit TqzHyperLinkEdit(TComponent* owner);
    TqzHyperLinkEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzHyperLinkEditProperties::StaticClass(); }
    TqzHyperLinkEditProperties* GetProperties() const {
        return static_cast<TqzHyperLinkEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzHyperLinkEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
    TqzHyperLinkStyle* GetStyle() const { return static_cast<TqzHyperLinkStyle*>(TqzCustomEdit::GetStyle()); }
    void SetStyle(TqzHyperLinkStyle* value) { TqzCustomEdit::SetStyle(value); }
};

// The recently-used list editor: a combo box whose list keeps the texts the user confirmed, the
// latest first, cut to MaxItemCount, with an extra ellipsis button that fires its own event.
#pragma once

#include "suite/editors/qzDropDownEdit.h"

class TqzCustomMRUEditProperties : public TqzCustomComboBoxProperties {
    KOV_CLASS(TqzCustomMRUEditProperties, TqzCustomComboBoxProperties)
public:
    // The combo settings, then button 1 (the ellipsis, the default button) carrying ButtonGlyph,
    // an editable list and the recently-used mode.
    explicit TqzCustomMRUEditProperties(TPersistent* owner);

    // From other recently-used properties also MaxItemCount, ShowEllipsis and OnButtonClick,
    // inside one update.
    void Assign(TPersistent* source) override;
    // The list itself goes to other recently-used properties.
    void CopyRuntimeDataTo(TqzCustomEditProperties* properties) override;
    TClass GetContainerClass() const override;

    Integer GetMaxItemCount() const { return FMaxItemCount; }
    // Negative becomes 0 (no limit); a change trims the list.
    void SetMaxItemCount(Integer value);
    bool GetShowEllipsis() const { return FShowEllipsis; }
    // Button 1 shows with it; ButtonGlyph goes to button 1 with it, to button 0 without.
    void SetShowEllipsis(bool value);
    // While the list holds more than MaxItemCount (above 0) items, the last goes.
    void TrimItems();

    // Fired by the ellipsis button (Sender: the editor); it replaces the framework's indexed
    // button event.
    TNotifyEvent OnButtonClick;

private:
    Integer FMaxItemCount = 0;
    bool FShowEllipsis = true;
};

class TqzMRUEditProperties : public TqzCustomMRUEditProperties {
    KOV_CLASS(TqzMRUEditProperties, TqzCustomMRUEditProperties)
public:
    using TqzCustomMRUEditProperties::TqzCustomMRUEditProperties;
};

class TqzCustomMRUEdit : public TqzCustomComboBox {
    KOV_CLASS(TqzCustomMRUEdit, TqzCustomComboBox)
public:
    explicit TqzCustomMRUEdit(TComponent* owner);
    TqzCustomMRUEdit(TComponent* owner, bool isInplace);

    // The text moves to the top of the list (or is inserted there, the list trimmed); the text
    // already first, an empty text or a refused edit change nothing.
    virtual void AddRecentItem(const String& text);

    TClass GetPropertiesClass() override { return TqzCustomMRUEditProperties::StaticClass(); }
    // Only the ellipsis (button 1) fires, its OnButtonClick.
    void FireButtonClickEvent(Integer index) override;
    // The drop-down button is button 0, whichever button carries the glyph.
    void HandleButtonPress(Integer index) override;
    void HandleEditKeyDown(Word& key, TShiftState shift) override;
    void UpdateEditValueFromLookup(TObject* sender) override;
    void StoreDisplayValue(const Variant& value) override;
    void ApplyActiveProperties(TObject* properties) override;

    TqzCustomMRUEditProperties* GetMRUProperties() const {
        return static_cast<TqzCustomMRUEditProperties*>(TqzCustomEdit::GetProperties());
    }
    TqzCustomMRUEditProperties* GetActiveMRUProperties();

protected:
    TqzCustomMRUEdit(TComponent* owner, bool isInplace, bool deferInitialization);
};

class TqzMRUEdit : public TqzCustomMRUEdit {
    KOV_CLASS(TqzMRUEdit, TqzCustomMRUEdit)
public:
    explicit TqzMRUEdit(TComponent* owner);
    TqzMRUEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzMRUEditProperties::StaticClass(); }
    TqzMRUEditProperties* GetProperties() const {
        return static_cast<TqzMRUEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzMRUEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};

// The time editor: a spin editor over a masked time text such as 14:05:30 or 02:05:30 PM. The
// spin buttons and arrow keys step the part under the caret (hours, minutes, seconds or the
// AM/PM designator); typed digits are checked part by part and corrected where possible. The
// value is a date-time whose whole days are held aside and carried through every edit, so only
// the time of day changes. The 12-hour masks follow the locale's designators.
#pragma once

#include "suite/controls/qzSpinEdit.h"

enum TqzTimeEditTimeFormat : Byte { tfHourMinSec, tfHourMin, tfHour };

// A part of a time text: 0 hour, 1 minute, 2 second, 3 AM/PM.
struct TqzTimePartInfo {
    Integer Part = 0;
    Integer Start = 1; // 1-based, in code points
    Integer Length = 2;
    // 0 the letters "A"/"P", 1 "AM"/"PM", 2 the locale's designators.
    Integer DesignatorStyle = 2;
    bool Use24HourFormat = true;
};

class TqzCustomTimeEditProperties;

// The display format and the classic edit mask of a time format in the 12-hour (false) or
// 24-hour form.
String GetTimeEditDisplayFormat(TqzTimeEditTimeFormat format, bool use24Hour);
String GetTimeEditMask(TqzTimeEditTimeFormat format, bool use24Hour);
// The 12-hour masks made again from the locale's designators; the unit's format listener calls
// it on every locale change, before the time editor properties set their masks again. The
// listener joins the format controller before the first properties object and leaves it after
// the last one.
void BuildTwelveHourMasks();

// The time part at a 1-based position of a text of the properties' format.
Integer GetTimePartAt(TqzCustomTimeEditProperties* properties, Integer position);

class IqzMaskEditModeHost;
// The typing rule of time parts: whether ch may go to the 1-based position of the host's text.
// It may write the text itself: then ch becomes 0 and the answer is false (swallowed); a
// refused character becomes 0 with the answer true (the mask mode beeps).
bool IsTimeCharAllowed(IqzMaskEditModeHost* editor, char32_t& ch, Integer position,
                       const TqzTimePartInfo& info);

// Blank characters by part: none in the designator, "0" elsewhere.
class TqzTimeEditMaskMode : public TqzMaskEditStandardMode {
    KOV_CLASS(TqzTimeEditMaskMode, TqzMaskEditStandardMode)
public:
    using TqzMaskEditStandardMode::TqzMaskEditStandardMode;
    static TqzMaskEditCustomMode* CreateInstance(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties) {
        return new TqzTimeEditMaskMode(editor, properties);
    }
    char32_t GetBlankChar(Integer position) override;
};

class TqzCustomTimeEditProperties : public TqzCustomSpinEditProperties {
    KOV_CLASS(TqzCustomTimeEditProperties, TqzCustomSpinEditProperties)
public:
    explicit TqzCustomTimeEditProperties(TPersistent* owner);
    ~TqzCustomTimeEditProperties() override;

    void Assign(TPersistent* source) override;
    TClass GetContainerClass() const override;
    Byte GetDisplayFormatOptions() override { return 3; }
    TqzMaskEditModeClass GetModeClass(TqzEditMaskKind kind) override;
    bool ClampsOutOfRange() override { return false; }
    bool ChecksTextBounds() override { return false; }
    void PrepareValue(const Variant& value, Variant& result) override;
    bool KeepsSelectionOnSpin() override { return true; }
    bool IsEditValueNumeric() override { return false; }
    Integer GetEditValueSource(bool editing) override { return IsDisplayFormatFromSource(editing) ? 1 : 0; }
    void GetDefaultDisplayValue(Variant& value) override;
    bool IsEditValueValid(Variant& value, bool editing) override;
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;
    // The mask set again inside one update.
    void FormatChanged() override;

    // ---- Introduced virtual operations, in slot order ----
    virtual TqzTimePartInfo GetTimePartInfo(Integer position);
    virtual Integer GetPartLength() { return 2; }
    virtual Integer GetPartStart(Integer part);
    virtual Integer GetDesignatorStyle() { return 2; }

    // The text of a time value for the focus state.
    String TimeValueToText(TDateTime value, bool focused);
    String GetDisplayFormat() const { return GetTimeEditDisplayFormat(FTimeFormat, FUse24HourFormat); }
    // Characters of the time before the designator: 8, 5 or 2.
    Integer GetTimeTextLength() const;

    bool GetAutoCorrectHours() const { return FAutoCorrectHours; }
    void SetAutoCorrectHours(bool value) { FAutoCorrectHours = value; }
    bool GetShowDate() const { return FShowDate; }
    void SetShowDate(bool value);
    TqzTimeEditTimeFormat GetTimeFormat() const { return FTimeFormat; }
    void SetTimeFormat(TqzTimeEditTimeFormat value);
    bool GetUse24HourFormat() const { return FUse24HourFormat; }
    void SetUse24HourFormat(bool value);
    bool GetUseTimeFormatWhenUnfocused() const { return FUseTimeFormatWhenUnfocused; }
    void SetUseTimeFormatWhenUnfocused(bool value);

private:
    void UpdateEditMask();

    bool FAutoCorrectHours = true;
    bool FShowDate = false;
    TqzTimeEditTimeFormat FTimeFormat = tfHourMinSec;
    bool FUse24HourFormat = true;
    bool FUseTimeFormatWhenUnfocused = true;
};

class TqzTimeEditProperties : public TqzCustomTimeEditProperties {
    KOV_CLASS(TqzTimeEditProperties, TqzCustomTimeEditProperties)
public:
    using TqzCustomTimeEditProperties::TqzCustomTimeEditProperties;
};

class TqzCustomTimeEdit : public TqzCustomSpinEdit {
    KOV_CLASS(TqzCustomTimeEdit, TqzCustomSpinEdit)
public:
    explicit TqzCustomTimeEdit(TComponent* owner);
    TqzCustomTimeEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzCustomTimeEditProperties::StaticClass(); }
    void Initialize() override;
    bool AcceptsChar(char32_t) override { return true; }
    bool CanSetDisplayText(const String&) override { return true; }
    // The display text, not the mask's value text.
    String GetEditingText() override;
    bool SetEditingText(const String& text) override;
    void ApplyEditValue(const Variant& value, bool prepare) override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void ApplyActiveProperties(TObject* properties) override;
    void ClearValue() override { SetTime(0); }
    bool IsMaskCharAllowed(char32_t& ch, Integer position) override;
    double StepForButton(Integer index) override;
    Variant GetValue() override;
    String ValueToDisplayText(const Variant& value) override;
    void SetValue(const Variant& value) override;
    bool SpinByButton(Integer index) override;

    // The properties in use (a repository item's or the own ones).
    TqzCustomTimeEditProperties* GetActiveTimeProperties();
    // The part under the caret.
    Integer GetCurrentTimePart();
    TDateTime GetDatePart() const { return FDatePart; }

    TDateTime GetTime();
    void SetTime(TDateTime value);

protected:
    TqzCustomTimeEdit(TComponent* owner, bool isInplace, bool deferInitialization);

private:
    TDateTime FDatePart = 0;
};

class TqzTimeEdit : public TqzCustomTimeEdit {
    KOV_CLASS(TqzTimeEdit, TqzCustomTimeEdit)
public:
    explicit TqzTimeEdit(TComponent* owner);
    TqzTimeEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzTimeEditProperties::StaticClass(); }
    TqzTimeEditProperties* GetProperties() const {
        return static_cast<TqzTimeEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzTimeEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};

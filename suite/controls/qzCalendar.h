// The month calendar of the suite: a title row with navigation arrows and the month and year
// titles, the day names, six week rows of day numbers and up to four push buttons (Today, Now,
// Clear, OK); the date-and-time kind adds a bar with the chosen value, an analog clock and a
// time editor. A popup list of months opens from the month title. The popup calendar is the kind
// a date editor shows in its drop-down window.
#pragma once

#include "suite/controls/qzButtons.h"
#include "suite/controls/qzTimeEdit.h"
#include "suite/editors/qzDateUtils.h"
#include "suite/foundation/qzContainer.h"
#include "suite/foundation/qzControls.h"

enum TqzCalendarKind : Byte { ckDate, ckDateTime };
enum TCalendarButton : Byte { btnClear, btnNow, btnToday, btnOk };
using TDateButton = TCalendarButton; // btnClear, btnNow, btnToday
using TDateButtons = TSet<TDateButton, btnToday>;

// The calendar's own marker for a date that cannot be (never stored).
constexpr TDateTime InvalidDate = -699999.0;
// The largest value a calendar takes: 31 December 9999 23:59:59.99.
constexpr TDateTime MaxCalendarDateTime = 2958465.99999;

// In 1 January 100 .. MaxCalendarDateTime, or NullDate.
bool IsValidCalendarDate(TDateTime value);
// The date of the parts, InvalidDate for a year outside the range or an impossible month or day.
TDateTime DateFromParts(Integer year, Integer month, Integer day);

class TqzCustomCalendar;

// An analog clock face with hour, minute and second hands.
class TqzClock : public TqzControl {
    KOV_CLASS(TqzClock, TqzControl)
public:
    explicit TqzClock(TComponent* owner);

    TDateTime GetTime() const { return FTime; }
    // Takes the time of day of the value.
    void SetTime(TDateTime value);
    TColor GetMinuteDotColor() const { return FMinuteDotColor; }
    void SetMinuteDotColor(TColor value);

protected:
    void Paint() override;

private:
    TDateTime FTime = 0;
    TColor FMinuteDotColor = clWindow;
};

// The popup list of months over the calendar's month title: twelve months of the year shown, or
// (years mode) seven months around the current one that scroll while the mouse is held above or
// below the list.
class TMonthListBox : public TqzCustomPopupWindow {
    KOV_CLASS(TMonthListBox, TqzCustomPopupWindow)
public:
    explicit TMonthListBox(TqzCustomCalendar* calendar);
    ~TMonthListBox() override;

    void ShowPopup(TWinControl* focusControl) override;
    void ClosePopup() override;

    // The first day of the month of the row under the mouse, NullDate for none.
    TDateTime GetItemDate();
    void SetItemIndex(Integer value);
    void SetTopOffset(Integer value);
    bool IsYearsMode();
    // The year and month of row k; false when its year is out of range.
    bool GetRowMonth(Integer row, Integer& year, Integer& month);

    Word BaseMonth = 1;
    Word BaseYear = 2000;
    TPoint PopupOrigin{};
    Integer TopOffset = 0;
    Integer ItemHeight = 0;
    Integer ItemIndex = -1;
    Integer ItemCount = 12;
    Integer ScrollDirection = 0;
    TqzTimer* ScrollTimer = nullptr;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void MouseMove(TShiftState shift, Integer x, Integer y) override;
    void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void Click() override;
    void NotifyShown() override;

private:
    void ScrollTick(TObject* sender);
    TRect RowRect(Integer row);
    TqzCustomCalendar* FCalendar;
};

class TqzCustomCalendar : public TqzControl, public IqzMouseTrackingCaller {
    KOV_CLASS(TqzCustomCalendar, TqzControl)
public:
    explicit TqzCustomCalendar(TComponent* owner);
    ~TqzCustomCalendar() override;

    Integer AddRef() override { return -1; }
    Integer Release() override { return -1; }
    void MouseLeave() override;

    // ---- Introduced virtual operations, in slot order ----
    virtual void RecalculateLayout();
    virtual void UpdateHotPart();
    virtual Integer GetClockGap();
    virtual TDateTime GetMonthEnd();
    virtual void GetClockMargins(Integer& x, Integer& y);
    virtual TDateTime GetFirstVisibleDate();
    virtual TDateTime GetLastVisibleDate();
    virtual TSize CalcSize();
    virtual void RequestClose(Integer reason);
    virtual TDateTime DateAtPoint(const TPoint& point);
    virtual void SetMonthStart(TDateTime value);
    virtual void SetSelectedDate(TDateTime value);

    bool CanResize(Integer& newWidth, Integer& newHeight) override;
    bool NeedsEraseBackground() override;
    void AttachScrollBars() override;
    void HandleFontChange() override;
    void HandleMouseEnter(TControl* control) override;
    void HandleMouseLeave(TControl* control) override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
    bool HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) override;
    void HandleDblClick() override;

    void AdjustSize() override;
    void PlaceChildControls();
    void NotifyDateTimeChanged();
    // One step of arrow i: 0 month back, 1 month forward, 2 year back, 3 year forward.
    void Navigate(Integer step);
    // The column (0..6) of a date by the locale's first day of the week.
    Integer WeekColumnOf(TDateTime date);
    TDateTime DateForCell(Integer column, Integer row);
    void SetHotPart(Byte value);
    // The active painter of the OK button's look and feel.
    TqzLookAndFeelPainterClass GetPainter() const;
    bool IsOffice11Painter() const;
    bool IsNativePainter() const;
    TColor GetHeaderColor() const;
    // A title rectangle narrowed for hit tests and painting.
    TRect NarrowTitle(const TRect& r) const;

    bool GetArrowsForYear() const { return FArrowsForYear; }
    void SetArrowsForYear(bool value);
    TDateButtons GetDateButtons() const { return FDateButtons; }
    void SetDateButtons(TDateButtons value);
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool value);
    TqzCalendarKind GetKind() const { return FKind; }
    void SetKind(TqzCalendarKind value);
    TqzTimeEditTimeFormat GetTimeFormat() const;
    void SetTimeFormat(TqzTimeEditTimeFormat value);
    bool GetUse24HourFormat() const;
    void SetUse24HourFormat(bool value);
    TDateTime GetMonthStart() const { return FMonthStart; }
    TDateTime GetSelectedDate() const { return FSelectedDate; }
    Byte GetHotPart() const { return FHotPart; }

    // Metrics and parts, as the layout computed them.
    Integer ButtonHeight = 0;
    Integer ButtonTopGap = 0;
    Integer ButtonWidth = 0;
    Integer ButtonAreaHeight = 0;
    TqzButton* ClearButton = nullptr;
    TqzClock* Clock = nullptr;
    Integer ClockSize = 0;
    Integer ColumnWidth = 0;
    Integer DayNamesHeight = 0;
    Integer GridWidth = 0;
    Integer HeaderHeight = 0;
    TMonthListBox* MonthList = nullptr;
    TqzButton* NowButton = nullptr;
    TqzButton* OKButton = nullptr;
    TCursor SavedCursor = crDefault;
    Integer RowHeight = 0;
    Integer SideMargin = 0;
    TqzTimeEdit* TimeEdit = nullptr;
    TqzTimer* RepeatTimer = nullptr;
    TqzButton* TodayButton = nullptr;
    TRect ArrowRects[4] = {};
    TRect GridRect{};
    TRect DateTimeBarRect{};
    TRect TitleRowRect{};
    Byte LastArrowIndex = 3;
    TRect MonthTitleRect{};
    TRect YearTitleRect{};
    bool YearsInMonthList = true;
    TNotifyEvent OnDateTimeChanged;

protected:
    void Paint() override;
    // The selection set without moving the month or firing an event; the cells repainted.
    void SetSelectionDirectly(TDateTime value);

private:
    void ButtonClick(TObject* sender);
    void TimeEditChanged(TObject* sender);
    void RepeatTimerFired(TObject* sender);
    void CalculateRects();
    Integer TopInset() const;
    void PaintDateTimeBar(TCanvas* canvas);
    void PaintTitleRow(TCanvas* canvas);
    void PaintDayNames(TCanvas* canvas);
    void PaintCells(TCanvas* canvas);
    void InvalidateCells();
    bool ArrowUnderCursor(Integer index);

    bool FArrowsForYear = true;
    TDateButtons FDateButtons{btnClear, btnToday};
    TDateTime FMonthStart = 0;
    bool FFlat = true;
    Byte FHotPart = 0;
    TqzCalendarKind FKind = ckDate;
    TDateTime FSelectedDate = 0;
    // The time editor's width for the zero time in its style.
    Integer FTimeEditWidth = 0;
};

class TqzCustomDateEdit;
using TqzCalendarHidePopupEvent = TClosure<void(TObject* Sender, Integer Reason)>;

// The calendar of a date editor's drop-down window.
class TqzPopupCalendar : public TqzCustomCalendar {
    KOV_CLASS(TqzPopupCalendar, TqzCustomCalendar)
public:
    explicit TqzPopupCalendar(TComponent* owner) : TqzCustomCalendar(owner) {}

    void UpdateHotPart() override;
    void RequestClose(Integer reason) override;
    void HandleKeyDown(Word& key, TShiftState shift) override;
    void HandleMouseMove(TShiftState shift, Integer x, Integer y) override;

    TqzCustomDateEdit* Edit = nullptr;
    TqzCalendarHidePopupEvent OnHidePopup;
};

// ---- Date editor -----------------------------------------------------------------------------

#include "suite/editors/qzDropDownEdit.h"

enum TDateOnError : Byte { deNoChange, deToday, deNull };
enum TqzInputKind : Byte { ikStandard, ikMask, ikRegExpr };

// The text editor's assigned-value flags with those of DateButtons and InputKind.
class TqzDateEditPropertiesValues : public TqzTextEditPropertiesValues {
    KOV_CLASS(TqzDateEditPropertiesValues, TqzTextEditPropertiesValues)
public:
    TqzDateEditPropertiesValues() = default;
    void Assign(TPersistent* source) override;
    void ResetAssignedValues() override;
    bool GetDateButtons() const { return FDateButtons; }
    void SetDateButtons(bool value);
    bool GetInputKind() const { return FInputKind; }
    void SetInputKind(bool value);

private:
    bool FDateButtons = false;
    bool FInputKind = false;
};

// The settings of a date editor: the calendar's look, how text is typed (plain, classic mask or
// regular-expression mask), what an unreadable text becomes, and whether the time of day of the
// value is kept while only the date is edited.
class TqzCustomDateEditProperties : public TqzCustomPopupEditProperties {
    KOV_CLASS(TqzCustomDateEditProperties, TqzCustomPopupEditProperties)
public:
    explicit TqzCustomDateEditProperties(TPersistent* owner);

    void Assign(TPersistent* source) override;
    void Changed() override;
    TClass GetAssignedValuesClass() const override;
    TClass GetContainerClass() const override;
    Byte GetDisplayFormatOptions() override { return 3; }
    bool IsEditValueNumeric() override { return true; }
    bool EditsValueInPopup() override { return true; }
    bool PopupFitsWorkArea() override { return false; }
    Integer GetEditValueSource(bool editing) override { return IsDisplayFormatFromSource(editing) ? 1 : 0; }
    bool IsEditValueValid(Variant& value, bool editing) override;
    bool IsTextValueValid(Variant& value, bool editing) override;
    void PrepareDisplayValue(const Variant& editValue, Variant& displayValue, bool editing) override;
    // The text read as a date: DateOnError, the validate handlers, the bounds, the kept time of
    // day; an erased text gives Null or the kept time alone.
    void ValidateDisplayValue(Variant& displayValue, String& errorText, bool& error,
                              TqzCustomEdit* editor) override;
    // A bound applies when it is not 0; both only while MaxDate is above MinDate.
    bool IsValueBoundDefined(Integer which) override;
    bool IsValueBoundsDefined() override;
    TqzEditPopupWindowClass GetPopupWindowClass() override;
    TqzMaskEditModeClass GetModeClass(TqzEditMaskKind kind) override;

    // ---- Introduced virtual operations, in slot order ----
    // The blank of a masked position: "0" in the hour, minute or second of a masked date-time
    // text, none in its AM/PM part, a space elsewhere.
    virtual char32_t GetBlankCharAt(Integer position);
    // The time part at a 1-based position of a masked date-time text; false elsewhere and for
    // the other kinds.
    virtual bool GetTimePartInfo(Integer position, TqzTimePartInfo& info);

    // The masks' empty text for the focus state (the zero time in a masked date-time text).
    String GetEmptyText(bool focused);
    // Null unless the text is a date (or DateOnError deToday makes it one).
    Variant TextToEditValue(const String& text);
    bool ShowsTimePart(bool focused, TDateTime value);
    void UpdateEditMask();

    bool GetArrowsForYear() const { return FArrowsForYear; }
    void SetArrowsForYear(bool value);
    TDateButtons GetDateButtons();
    void SetDateButtons(TDateButtons value);
    TDateOnError GetDateOnError() const { return FDateOnError; }
    void SetDateOnError(TDateOnError value);
    TqzInputKind GetInputKind();
    void SetInputKind(TqzInputKind value);
    TqzCalendarKind GetKind() const { return FKind; }
    void SetKind(TqzCalendarKind value);
    bool GetSaveTime() const { return FSaveTime; }
    void SetSaveTime(bool value);
    bool GetShowTime() const { return FShowTime; }
    void SetShowTime(bool value);
    bool GetYearsInMonthList() const { return FYearsInMonthList; }
    void SetYearsInMonthList(bool value);
    TDateTime GetMinDate() { return GetMinValue(); }
    void SetMinDate(TDateTime value) { SetMinValue(value); }
    TDateTime GetMaxDate() { return GetMaxValue(); }
    void SetMaxDate(TDateTime value) { SetMaxValue(value); }
    TqzDateEditPropertiesValues* GetDateAssignedValues() {
        return static_cast<TqzDateEditPropertiesValues*>(GetAssignedValues());
    }
    void SetDateAssignedValues(TqzDateEditPropertiesValues* value) { GetAssignedValues()->Assign(value); }
    bool IsDateButtonsStored() { return GetDateAssignedValues()->GetDateButtons(); }
    bool IsInputKindStored() { return GetDateAssignedValues()->GetInputKind(); }
    // The time format and hour mode of the locale's date-time format.
    void GetLocaleTimeLayout(TqzTimeEditTimeFormat& format, bool& use24Hour);

private:
    bool FArrowsForYear = true;
    TDateButtons FDateButtons{btnClear, btnToday};
    TDateOnError FDateOnError = deNoChange;
    TqzInputKind FInputKind = ikRegExpr;
    TqzCalendarKind FKind = ckDate;
    bool FSaveTime = true;
    bool FShowTime = true;
    bool FYearsInMonthList = true;
};

// The classic mask mode of a date editor: the blanks come from the properties (GetBlankCharAt).
class TqzDateEditMaskStandardMode : public TqzMaskEditStandardMode {
    KOV_CLASS(TqzDateEditMaskStandardMode, TqzMaskEditStandardMode)
public:
    using TqzMaskEditStandardMode::TqzMaskEditStandardMode;
    static TqzMaskEditCustomMode* CreateInstance(IqzMaskEditModeHost* editor,
                                                 TqzCustomMaskEditProperties* properties) {
        return new TqzDateEditMaskStandardMode(editor, properties);
    }
    char32_t GetBlankChar(Integer position) override;
};

// The drop-down window of a date editor: sees the keys first and hands the calendar those its
// focused button or time editor would keep (Escape, Alt+Up, Alt+Down, F4).
class TqzDateEditPopupWindow : public TqzPopupEditPopupWindow {
    KOV_CLASS(TqzDateEditPopupWindow, TqzPopupEditPopupWindow)
public:
    explicit TqzDateEditPopupWindow(TqzCustomDropDownEdit* editor);
    static TqzCustomEditPopupWindow* CreateInstance(TqzCustomDropDownEdit* editor) {
        return new TqzDateEditPopupWindow(editor);
    }
    // ---- Introduced virtual operation ----
    virtual bool IsCalendarKey(Word key, TShiftState shift);

protected:
    void KeyDown(Word& key, TShiftState shift) override;
};

class TqzDateEditProperties : public TqzCustomDateEditProperties {
    KOV_CLASS(TqzDateEditProperties, TqzCustomDateEditProperties)
public:
    using TqzCustomDateEditProperties::TqzCustomDateEditProperties;
};

class TqzCustomDateEdit : public TqzCustomPopupEdit {
    KOV_CLASS(TqzCustomDateEdit, TqzCustomPopupEdit)
public:
    explicit TqzCustomDateEdit(TComponent* owner);
    TqzCustomDateEdit(TComponent* owner, bool isInplace);
    ~TqzCustomDateEdit() override;

    TClass GetPropertiesClass() override { return TqzCustomDateEditProperties::StaticClass(); }
    void Initialize() override;
    void DisplayToEditValue(const Variant& displayValue, Variant& editValue, bool& isValid) override;
    void ApplyEditValue(const Variant& value, bool prepare) override;
    void ClearValue() override { SetDate(NullDate); }
    void StoreDisplayValue(const Variant& value) override;
    String GetEditingText() override;
    bool SetEditingText(const String& text) override;
    bool CanSetDisplayText(const String& text) override { return true; }
    // The time editor's typing rules in the time part of a masked date-time text.
    bool IsMaskCharAllowed(char32_t& ch, Integer position) override;
    // Reformatting after loading does nothing here.
    void ReformatMaskedText() override {}
    void ClampValueToBounds() override;
    void DropDown() override;
    void SetupPopupWindow() override;
    // The date popup never runs a message loop of its own.
    void CreatePopupWindow() override;

    TqzCustomDateEditProperties* GetActiveDateProperties();
    TDateTime GetDate();
    void SetDate(TDateTime value);
    TDateTime GetSavedTime() const { return FSavedTime; }
    TqzPopupCalendar* GetCalendar() const { return FCalendar; }
    TDateTime GetPopupDate() const { return FPopupDate; }
    // The editor's value for a text read as when it is validated (NullDate for none).
    TDateTime TextToDate(const String& text);
    // The value, or while a modified text awaits its validation, that text's date.
    TDateTime CurrentDate();

protected:
    TqzCustomDateEdit(TComponent* owner, bool isInplace, bool deferInitialization);
    void PopupWindowShowed(TObject* sender) override;
    void PopupWindowClosed(TObject* sender) override;

private:
    friend class TqzCustomDateEditProperties;
    void ApplyCalendarValue(TObject* sender);
    void CalendarHidePopup(TObject* sender, Integer reason);

    TqzPopupCalendar* FCalendar = nullptr;
    TDateTime FPopupDate = NullDate;
    TDateTime FSavedTime = 0;
};

class TqzDateEdit : public TqzCustomDateEdit {
    KOV_CLASS(TqzDateEdit, TqzCustomDateEdit)
public:
    explicit TqzDateEdit(TComponent* owner);
    TqzDateEdit(TComponent* owner, bool isInplace);

    TClass GetPropertiesClass() override { return TqzDateEditProperties::StaticClass(); }
    TqzDateEditProperties* GetProperties() const {
        return static_cast<TqzDateEditProperties*>(TqzCustomEdit::GetProperties());
    }
    void SetProperties(TqzDateEditProperties* value) { TqzCustomEdit::GetProperties()->Assign(value); }
};

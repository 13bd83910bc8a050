#include "suite/controls/qzCalendar.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/classlib/Forms.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/FormatSettings.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/TypInfo.h"
#include "platform/winapi/Gdi.h"
#include "platform/winapi/GdiFrame.h"
#include "platform/winapi/WinCore.h"
#include "suite/editors/qzEditUtils.h"
#include "suite/editors/qzFormats.h"
#include "suite/foundation/qzClasses.h"
#include "suite/foundation/qzLookAndFeelPainters.h"
#include "suite/foundation/ybThemeManager.h"

namespace {

const bool kCalendarClassesRegistered = [] {
    RegisterEnum<TqzCalendarKind>("TqzCalendarKind", {"ckDate", "ckDateTime"});
    RegisterEnum<TCalendarButton>("TDateButton", {"btnClear", "btnNow", "btnToday", "btnOk"});
    return true;
}();

// Scroll intervals of the month list by distance in rows.
constexpr Integer kScrollIntervals[4] = {500, 250, 100, 50};
constexpr Integer kRepeatInterval = 200;

TRect Offset(TRect r, Integer dx, Integer dy) {
    return TRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}
bool Inside(const TRect& r, Integer x, Integer y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
Integer RoundToInt(double v) { return Integer(std::lround(v)); }

TDateTime DatePartOf(TDateTime value) { return std::trunc(value); }
TDateTime TimeOfDayOf(TDateTime value) { return std::fabs(value - std::trunc(value)); }
TDateTime WithTime(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

TDateTime MinCalendarDate() { return EncodeDate(Word(MinYear), 1, 1); }

// Day, month and year of a valid date.
void SplitDate(TDateTime value, Integer& year, Integer& month, Integer& day) {
    Word y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    year = y, month = m, day = d;
}

void FillSolid(TCanvas* canvas, const TRect& r, TColor color) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(color);
    canvas->FillRect(r);
}

void HorzLine(TCanvas* canvas, Integer x1, Integer x2, Integer y, TColor color) {
    canvas->GetPen()->SetColor(color);
    canvas->MoveTo(x1, y);
    canvas->LineTo(x2, y);
}

void Exclude(TCanvas* canvas, const TRect& r) {
    ExcludeClipRect(canvas->GetHandle(), r.left, r.top, r.right, r.bottom);
}

void RaisedEdge(TCanvas* canvas, TRect r) {
    RECT rect{r.left, r.top, r.right, r.bottom};
    DrawEdge(canvas->GetHandle(), &rect, BDR_RAISEDINNER, BF_RECT);
}

// Text on the brush colour (transparent when the colour is clNone), aligned by flags.
void DrawCellText(TCanvas* canvas, TRect r, const String& text, TColor textColor, TColor backColor,
                  UINT flags) {
    if (backColor == clNone) {
        canvas->GetBrush()->SetStyle(bsClear);
    } else {
        FillSolid(canvas, r, backColor);
        canvas->GetBrush()->SetStyle(bsClear);
    }
    canvas->GetFont()->SetColor(textColor);
    RECT rect{r.left, r.top, r.right, r.bottom};
    DrawTextA(canvas->GetHandle(), text.c_str(), Integer(text.size()), &rect,
              flags | DT_SINGLELINE | DT_NOPREFIX);
    canvas->GetBrush()->SetStyle(bsSolid);
}

// The day name letter: the last character for Chinese and Arabic fonts (the default character
// set resolved first), else the first.
String DayNameLetter(const String& name, TFontCharset charset) {
    if (name.empty()) return String();
    const bool last =
        charset == GB2312_CHARSET || charset == CHINESEBIG5_CHARSET || charset == ARABIC_CHARSET;
    const Integer length = Utf8Length(name);
    return Utf8Copy(name, last ? length : 1, 1);
}

} // namespace

bool IsValidCalendarDate(TDateTime value) {
    if (value == NullDate) return true;
    return value >= MinCalendarDate() && value <= MaxCalendarDateTime;
}

TDateTime DateFromParts(Integer year, Integer month, Integer day) {
    if (year < MinYear || year > MaxYear || month < 1 || month > 12 || day < 1 ||
        day > GetMonthDayCount(year, month))
        return InvalidDate;
    return EncodeDate(Word(year), Word(month), Word(day));
}

// ---- Clock -----------------------------------------------------------------------------------

TqzClock::TqzClock(TComponent* owner) : TqzControl(owner) {
    TControlStyle style = GetControlStyle();
    style.Include(csOpaque);
    SetControlStyle(style);
    SetTabStop(false);
    SetBounds(GetLeft(), GetTop(), 100, 100);
}

void TqzClock::SetTime(TDateTime value) {
    const TDateTime time = TimeOfDayOf(value);
    if (time == FTime) return;
    FTime = time;
    Invalidate();
}

void TqzClock::SetMinuteDotColor(TColor value) {
    if (FMinuteDotColor == value) return;
    FMinuteDotColor = value;
    Invalidate();
}

void TqzClock::Paint() {
    TCanvas* canvas = GetCanvas();
    const HDC dc = canvas->GetHandle();
    const Integer width = GetWidth(), height = GetHeight();
    const double rx = width / 2.0 - 2, ry = height / 2.0 - 2;
    const Integer x0 = width / 2, y0 = height / 2;
    constexpr double pi = std::numbers::pi;
    // The five-minute marks: raised 3 x 3 dots kept out of the background fill.
    for (Integer i = 0; i < 60; i += 5) {
        const double a = i * 2 * pi / 60;
        const Integer x = RoundToInt(x0 + rx * std::cos(a)), y = RoundToInt(y0 + ry * std::sin(a));
        canvas->SetPixels(x, y, clTeal);
        for (Integer k = -1; k <= 1; ++k) {
            canvas->SetPixels(x - 1, y + k, k == 1 ? clBtnText : clAqua);
            canvas->SetPixels(x + k, y - 1, k == 1 ? clBtnText : clAqua);
            canvas->SetPixels(x + 1, y + k, k == -1 ? clAqua : clBtnText);
            canvas->SetPixels(x + k, y + 1, k == -1 ? clAqua : clBtnText);
        }
        ExcludeClipRect(dc, x - 1, y - 1, x + 2, y + 2);
    }
    FillSolid(canvas, TRect{0, 0, width, height}, GetColor());

    Word h = 0, m = 0, s = 0, ms = 0;
    DecodeTime(FTime, h, m, s, ms);
    auto hand = [&](double angle, double halfWidth, double tip, double tail) {
        TPoint points[4] = {
            {RoundToInt(x0 + tip * rx * std::cos(angle)), RoundToInt(y0 + tip * ry * std::sin(angle))},
            {RoundToInt(x0 + halfWidth * std::cos(angle + pi / 2)),
             RoundToInt(y0 + halfWidth * std::sin(angle + pi / 2))},
            {RoundToInt(x0 + tail * rx * std::cos(angle + pi)),
             RoundToInt(y0 + tail * ry * std::sin(angle + pi))},
            {RoundToInt(x0 + halfWidth * std::cos(angle + 3 * pi / 2)),
             RoundToInt(y0 + halfWidth * std::sin(angle + 3 * pi / 2))}};
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->GetBrush()->SetColor(clTeal);
        const HDC handle = canvas->GetHandle();
        BeginPath(handle);
        MoveToEx(handle, points[0].x, points[0].y, nullptr);
        for (const TPoint& p : points)
            LineTo(handle, p.x, p.y);
        LineTo(handle, points[0].x, points[0].y);
        EndPath(handle);
        FillPath(handle);
        canvas->SetPixels(points[0].x, points[0].y, clTeal);
    };
    hand(((h % 12) * 3600.0 + 60.0 * m + s - 10800) * 2 * pi / 12 / 3600, 4.5, 0.75, 0.15);
    hand((60.0 * m + s - 900) * 2 * pi / 3600, 3.5, 0.85, 0.2);
    const double a = (s - 15.0) * 2 * pi / 60;
    canvas->GetPen()->SetColor(clRed);
    canvas->MoveTo(x0, y0);
    canvas->LineTo(RoundToInt(x0 + 0.9 * rx * std::cos(a)), RoundToInt(y0 + 0.9 * ry * std::sin(a)));
}

KOV_PUBLISHED(TqzClock) {
    Property("MinuteDotColor", &TqzClock::GetMinuteDotColor, &TqzClock::SetMinuteDotColor).Default(clWindow);
    Property("Time", &TqzClock::GetTime, &TqzClock::SetTime).TypeName("TTime");
}

// ---- Month list ------------------------------------------------------------------------------

TMonthListBox::TMonthListBox(TqzCustomCalendar* calendar)
    : TqzCustomPopupWindow(calendar), FCalendar(calendar) {
    TControlStyle style = GetControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csOpaque);
    if (!IsYearsMode()) style.Include(csClickEvents);
    SetControlStyle(style);
    ScrollTimer = new TqzTimer(nullptr);
    ScrollTimer->SetEnabled(false);
    ScrollTimer->SetInterval(200);
    ScrollTimer->SetOnTimer(MakeEvent(this, &TMonthListBox::ScrollTick));
    SetAdjustable(false);
    SetPopupBorderStyle(2);
}

TMonthListBox::~TMonthListBox() { delete ScrollTimer; }

bool TMonthListBox::IsYearsMode() { return !FCalendar->GetArrowsForYear() || FCalendar->YearsInMonthList; }

bool TMonthListBox::GetRowMonth(Integer row, Integer& year, Integer& month) {
    year = BaseYear, month = BaseMonth;
    AddMonthsToYearMonth(year, month, TopOffset + row);
    return year >= MinYear && year <= MaxYear;
}

void TMonthListBox::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.WindowClass.style |= CS_SAVEBITS;
}

void TMonthListBox::ShowPopup(TWinControl* focusControl) {
    const bool years = IsYearsMode();
    ItemCount = years ? 7 : 12;
    GetFont()->Assign(FCalendar->GetFont());
    ItemHeight = FCalendar->HeaderHeight - 2;
    const Integer width = 6 * FCalendar->ColumnWidth + 2, height = ItemCount * ItemHeight + 2;
    Integer year = 0, month = 0, day = 0;
    SplitDate(FCalendar->GetMonthStart(), year, month, day);
    BaseYear = Word(year), BaseMonth = Word(month);
    TopOffset = years ? -3 : 1 - Integer(BaseMonth);
    const TRect title = FCalendar->MonthTitleRect;
    const POINT topLeft = FCalendar->ClientToScreen(POINT{title.left, title.top});
    const POINT bottomRight = FCalendar->ClientToScreen(POINT{title.right, title.bottom});
    PopupOrigin = TPoint{topLeft.x + (bottomRight.x - topLeft.x - width) / 2,
                         (topLeft.y + bottomRight.y) / 2 - height / 2};
    SetBounds(PopupOrigin.x, PopupOrigin.y, width, height);
    ItemIndex = -1;
    inherited::ShowPopup(focusControl);
}

void TMonthListBox::NotifyShown() {
    inherited::NotifyShown();
    if (IsYearsMode())
        SetCapture(GetHandle());
    else if (GetCapture() == GetHandle())
        ReleaseCapture();
}

void TMonthListBox::ClosePopup() {
    if (HandleAllocated() && GetCapture() == GetHandle()) ReleaseCapture();
    if (!GetVisible()) return;
    inherited::ClosePopup();
    ScrollTimer->SetEnabled(false);
    if (IsYearsMode()) {
        const TDateTime date = GetItemDate();
        if (date != NullDate) FCalendar->SetMonthStart(date);
    }
}

TDateTime TMonthListBox::GetItemDate() {
    Integer year = 0, month = 0;
    if (ItemIndex == -1 || !GetRowMonth(ItemIndex, year, month)) return NullDate;
    return EncodeDate(Word(year), Word(month), 1);
}

TRect TMonthListBox::RowRect(Integer row) {
    const Integer left = GetSideOffset(0), top = GetSideOffset(1) + row * ItemHeight;
    return TRect{left, top, GetClientWidth() - GetSideOffset(2), top + ItemHeight};
}

void TMonthListBox::SetItemIndex(Integer value) {
    if (!HandleAllocated() || value == ItemIndex) return;
    Integer year = 0, month = 0;
    if (value != -1 && (value < 0 || value >= ItemCount || !GetRowMonth(value, year, month))) value = -1;
    if (value == ItemIndex) return;
    if (ItemIndex != -1) {
        const TRect r = RowRect(ItemIndex);
        InvalidateRect(GetHandle(), &r, FALSE);
    }
    ItemIndex = value;
    if (ItemIndex != -1) {
        const TRect r = RowRect(ItemIndex);
        InvalidateRect(GetHandle(), &r, FALSE);
    }
}

void TMonthListBox::SetTopOffset(Integer value) {
    if (TopOffset == value) return;
    TopOffset = value;
    Invalidate();
}

void TMonthListBox::MouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::MouseMove(shift, x, y);
    const Integer clientHeight = GetClientHeight();
    if (x >= 0 && x < GetClientWidth() && y >= 0 && y < clientHeight) {
        ScrollTimer->SetEnabled(false);
        SetItemIndex(ItemHeight > 0 ? y / ItemHeight : -1);
        return;
    }
    SetItemIndex(-1);
    if (y >= 0 && y < clientHeight) {
        ScrollTimer->SetEnabled(false);
        return;
    }
    const Integer distance = y < 0 ? -y : y + 1 - clientHeight;
    ScrollDirection = y < 0 ? -1 : 1;
    const Integer k = std::min(ItemHeight > 0 ? distance / ItemHeight : 3, 3);
    const Integer interval = kScrollIntervals[k];
    if (ScrollTimer->GetEnabled() && ScrollTimer->GetInterval() == interval) return;
    ScrollTimer->SetEnabled(false);
    ScrollTimer->SetInterval(interval);
    ScrollTimer->SetEnabled(true);
}

void TMonthListBox::ScrollTick(TObject*) {
    Integer year = 0, month = 0;
    const Integer row = ScrollDirection < 0 ? -1 : ItemCount;
    if (!GetRowMonth(row, year, month)) return;
    SetTopOffset(TopOffset + ScrollDirection);
}

void TMonthListBox::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::MouseUp(button, shift, x, y);
    if (IsYearsMode()) ClosePopup();
}

void TMonthListBox::Click() {
    inherited::Click();
    const Integer index = ItemIndex;
    ClosePopup();
    if (index != -1) FCalendar->SetMonthStart(EncodeDate(BaseYear, Word(index + 1), 1));
}

void TMonthListBox::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    canvas->GetBrush()->SetStyle(bsClear);
    canvas->GetPen()->SetColor(clBlack);
    canvas->Rectangle(0, 0, GetClientWidth(), GetClientHeight());
    const bool years = IsYearsMode();
    for (Integer row = 0; row < ItemCount; ++row) {
        const TRect r{1, 1 + row * ItemHeight, GetClientWidth() - 1, 1 + (row + 1) * ItemHeight};
        const bool hot = row == ItemIndex;
        Integer year = 0, month = 0;
        String text;
        if (GetRowMonth(row, year, month)) {
            text = FormatSettings.LongMonthNames[month - 1];
            if (years) text += " " + IntToStr(year);
        }
        DrawCellText(canvas, r, text, hot ? clWindow : clWindowText, hot ? clWindowText : clWindow,
                     DT_CENTER | DT_VCENTER);
    }
}

// ---- Calendar --------------------------------------------------------------------------------

TqzCustomCalendar::TqzCustomCalendar(TComponent* owner) : TqzControl(owner) {
    TControlStyle style = GetControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csOpaque);
    SetControlStyle(style);
    FSelectedDate = Date();
    FMonthStart = FSelectedDate - (GetDateComponent(2, FSelectedDate) - 1);
    SetBounds(GetLeft(), GetTop(), 20, 20);
    RepeatTimer = new TqzTimer(nullptr);
    RepeatTimer->SetEnabled(false);
    RepeatTimer->SetInterval(kRepeatInterval);
    RepeatTimer->SetOnTimer(MakeEvent(this, &TqzCustomCalendar::RepeatTimerFired));
    MonthList = new TMonthListBox(this);
    MonthList->SetTakesFocus(false);
    MonthList->SetTopMostWithOwner(true);
    SetWantedKeys(TqzControlWantedKeys{wantAllKeys, wantArrows, wantChars, wantTab});

    auto makeButton = [this](TCalendarButton tag, const char* caption, Integer tabOrder) {
        auto* button = new TqzButton(this);
        button->SetCaption(LocalizeSuiteText(caption));
        button->SetTag(tag);
        button->SetTabOrder(tabOrder);
        button->SetUseSystemPaint(false);
        button->OnClick = MakeEvent(this, &TqzCustomCalendar::ButtonClick);
        return button;
    };
    TodayButton = makeButton(btnToday, "Today", 1);
    NowButton = makeButton(btnNow, "Now", 2);
    ClearButton = makeButton(btnClear, "Clear", 3);
    OKButton = makeButton(btnOk, "OK", 4);
    OKButton->SetDefault(true);
    TimeEdit = new TqzTimeEdit(this);
    TimeEdit->GetProperties()->SetCircular(true);
    TimeEdit->GetProperties()->OnChange = MakeEvent(this, &TqzCustomCalendar::TimeEditChanged);
    TimeEdit->SetTabOrder(0);
    Clock = new TqzClock(this);
    Clock->SetTabStop(false);
    FKind = ckDate;
    FDateButtons = TDateButtons{btnClear, btnToday};
    FFlat = true;
    YearsInMonthList = true;
}

TqzCustomCalendar::~TqzCustomCalendar() {
    delete RepeatTimer;
    RepeatTimer = nullptr;
    EndMouseTracking(this);
    delete MonthList;
    MonthList = nullptr;
}

void TqzCustomCalendar::MouseLeave() {
    if (HandleAllocated()) Perform(CM_MOUSELEAVE, 0, 0);
}

TqzLookAndFeelPainterClass TqzCustomCalendar::GetPainter() const {
    return OKButton->GetLookAndFeel()->ActivePainter();
}
bool TqzCustomCalendar::IsOffice11Painter() const { return GetPainter()->PainterStyleCode() == 4; }
bool TqzCustomCalendar::IsNativePainter() const { return GetPainter()->PainterStyleCode() == 3; }
TColor TqzCustomCalendar::GetHeaderColor() const {
    return IsOffice11Painter() ? GetPainter()->PaletteColor42() : clBtnFace;
}

Integer TqzCustomCalendar::TopInset() const { return FKind == ckDate && IsOffice11Painter() ? 2 : 0; }

TqzTimeEditTimeFormat TqzCustomCalendar::GetTimeFormat() const {
    return TimeEdit->GetProperties()->GetTimeFormat();
}
bool TqzCustomCalendar::GetUse24HourFormat() const { return TimeEdit->GetProperties()->GetUse24HourFormat(); }

void TqzCustomCalendar::SetArrowsForYear(bool value) {
    if (FArrowsForYear == value) return;
    FArrowsForYear = value;
    RecalculateLayout();
}

void TqzCustomCalendar::SetDateButtons(TDateButtons value) {
    if (FDateButtons == value) return;
    FDateButtons = value;
    ClearButton->SetVisible(value.Contains(btnClear));
    NowButton->SetVisible(value.Contains(btnNow));
    TodayButton->SetVisible(value.Contains(btnToday));
    RecalculateLayout();
}

void TqzCustomCalendar::SetFlat(bool value) {
    if (FFlat == value) return;
    FFlat = value;
    RecalculateLayout();
}

void TqzCustomCalendar::SetKind(TqzCalendarKind value) {
    if (FKind == value) return;
    FKind = value;
    TControlStyle style = GetControlStyle();
    if (value == ckDateTime) {
        style.Include(csClickEvents);
        style.Include(csDoubleClicks);
    } else {
        style.Exclude(csClickEvents);
        style.Exclude(csDoubleClicks);
    }
    SetControlStyle(style);
    RecalculateLayout();
}

void TqzCustomCalendar::SetTimeFormat(TqzTimeEditTimeFormat value) {
    if (GetTimeFormat() == value) return;
    TimeEdit->GetProperties()->SetTimeFormat(value);
    RecalculateLayout();
}

void TqzCustomCalendar::SetUse24HourFormat(bool value) {
    if (GetUse24HourFormat() == value) return;
    TimeEdit->GetProperties()->SetUse24HourFormat(value);
    RecalculateLayout();
}

void TqzCustomCalendar::SetMonthStart(TDateTime value) {
    if (value == InvalidDate || !IsValidCalendarDate(value) || value == NullDate) return;
    const TDateTime start = DatePartOf(value) - (GetDateComponent(2, value) - 1);
    if (start == FMonthStart) return;
    FMonthStart = start;
    Invalidate();
}

void TqzCustomCalendar::SetSelectedDate(TDateTime value) {
    if (value == FSelectedDate || value == InvalidDate || !IsValidCalendarDate(value)) return;
    FSelectedDate = value;
    if (value != NullDate) SetMonthStart(DatePartOf(value));
    Invalidate();
}

Integer TqzCustomCalendar::GetClockGap() { return GetFont()->GetSize() / 2; }

void TqzCustomCalendar::GetClockMargins(Integer& x, Integer& y) {
    x = y = MulDiv(GetFont()->GetSize(), 3, 4);
}

TDateTime TqzCustomCalendar::GetMonthEnd() {
    Integer year = 0, month = 0, day = 0;
    SplitDate(FMonthStart, year, month, day);
    return FMonthStart + GetMonthDayCount(year, month) - 1;
}

Integer TqzCustomCalendar::WeekColumnOf(TDateTime date) {
    const Integer firstDay = GetFormatController()->GetFirstDayOfWeek();
    return ((Integer(DayOfWeek(date)) - 1 - firstDay) % 7 + 7) % 7;
}

TDateTime TqzCustomCalendar::GetFirstVisibleDate() {
    const Integer column = WeekColumnOf(FMonthStart);
    return FMonthStart - (column == 0 ? 7 : column);
}

TDateTime TqzCustomCalendar::GetLastVisibleDate() {
    Integer year = 0, month = 0, day = 0;
    SplitDate(FMonthStart, year, month, day);
    const Integer column = WeekColumnOf(FMonthStart);
    TDateTime last = GetMonthEnd() + 42 - GetMonthDayCount(year, month) - column;
    if (column == 0) last -= 7;
    return last;
}

TDateTime TqzCustomCalendar::DateForCell(Integer column, Integer row) {
    const Integer firstColumn = WeekColumnOf(FMonthStart);
    TDateTime date = FMonthStart - firstColumn + 7 * row + column;
    if (firstColumn == 0 && MinCalendarDate() < FMonthStart) date -= 7;
    return date;
}

TDateTime TqzCustomCalendar::DateAtPoint(const TPoint& point) {
    if (point.x < 0 || point.y < 0 || point.x >= GetClientWidth() || point.y >= GetClientHeight() ||
        ColumnWidth <= 0 || RowHeight <= 0)
        return NullDate;
    const Integer left = GridRect.left + SideMargin, top = GridRect.top + DayNamesHeight;
    const TRect cells{left, top, GridRect.right - SideMargin, top + 6 * RowHeight};
    if (!Inside(cells, point.x, point.y)) return NullDate;
    return DateForCell((point.x - left) / ColumnWidth, (point.y - top) / RowHeight);
}

// -- Layout --

void TqzCustomCalendar::RecalculateLayout() {
    if (!HandleAllocated()) return;
    const bool dateTime = FKind == ckDateTime;
    TimeEdit->SetTabStop(dateTime);
    TodayButton->SetTabStop(dateTime);
    NowButton->SetTabStop(dateTime);
    ClearButton->SetTabStop(dateTime);
    OKButton->SetTabStop(dateTime);
    TqzControlWantedKeys wanted = GetWantedKeys();
    if (dateTime)
        wanted.Exclude(wantTab);
    else
        wanted.Include(wantTab);
    SetWantedKeys(wanted);

    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    const Integer zero = canvas->TextWidth("0");
    ColumnWidth = 3 * zero;
    SideMargin = 2 * zero;
    RowHeight = canvas->TextHeight("0") + 2;
    HeaderHeight = RowHeight + 3 - (FKind == ckDate && IsOffice11Painter() ? 1 : 0);
    DayNamesHeight = RowHeight + 1;
    Integer widest = 0;
    for (TqzButton* button : {TodayButton, NowButton, ClearButton, OKButton}) {
        const bool visible = button == OKButton      ? dateTime
                             : button == NowButton   ? dateTime && FDateButtons.Contains(btnNow)
                             : button == ClearButton ? FDateButtons.Contains(btnClear)
                                                     : FDateButtons.Contains(btnToday);
        if (visible) widest = std::max(widest, canvas->TextWidth(button->GetCaption()));
    }
    ButtonWidth = widest + ColumnWidth;
    const Integer fontSize = GetFont()->GetSize();
    ButtonTopGap = fontSize / 2;
    ButtonHeight = MulDiv(canvas->TextHeight("Wg"), 20, 13) + 1;
    if (dateTime) {
        Integer part = MulDiv(fontSize, 5, 4) + 1;
        if (part % 2 == 0) ++part;
        ButtonAreaHeight = part + ButtonHeight;
    } else {
        ButtonAreaHeight = MulDiv(fontSize, 3, 4) + ButtonTopGap + ButtonHeight - 1;
    }
    TSize editSize{};
    TqzCanvas* measure = GetControlCanvas();
    measure->SelectFont(GetFont());
    TqzEditSizeParameters unlimited;
    unlimited.Width = -1;
    TimeEdit->GetProperties()->GetEditSize(measure, TimeEdit->GetStyle(), false, Variant(0.0), unlimited,
                                           editSize);
    FTimeEditWidth = editSize.cx + measure->TextWidthOf("0");
    AdjustSize();
    CalculateRects();
    Invalidate();
}

TSize TqzCustomCalendar::CalcSize() {
    const bool dateTime = FKind == ckDateTime;
    Integer marginX = 0, marginY = 0;
    GetClockMargins(marginX, marginY);
    Integer height = DayNamesHeight + 6 * RowHeight + HeaderHeight + 1;
    if (dateTime || FDateButtons.Contains(btnToday) || FDateButtons.Contains(btnClear))
        height += ButtonAreaHeight;
    height += dateTime ? HeaderHeight + marginY + GetClockGap() : 1;
    height += TopInset();
    GridWidth = 2 * SideMargin + 7 * ColumnWidth;
    Integer width = GridWidth;
    if (dateTime) {
        const Integer gap = (ButtonAreaHeight - 1 - ButtonHeight) / 2;
        ClockSize = GetHeight() - HeaderHeight - marginY - ButtonAreaHeight - TimeEdit->GetHeight() - 3 * gap;
        const Integer editWidth = FTimeEditWidth;
        width += 2 * marginX + ColumnWidth + std::max(ClockSize, editWidth) + 2 * gap;
    }
    return TSize{width, height};
}

bool TqzCustomCalendar::CanResize(Integer& newWidth, Integer& newHeight) {
    if (ColumnWidth > 0) {
        const TSize size = CalcSize();
        newWidth = size.cx;
        newHeight = size.cy;
    }
    return true;
}

// The clock's size follows the height the calendar had, so the size is computed again until it
// holds (the second pass at the latest).
void TqzCustomCalendar::AdjustSize() {
    for (int pass = 0; pass < 3; ++pass) {
        const TSize size = CalcSize();
        if (pass > 0 && size.cx == GetWidth() && size.cy == GetHeight()) break;
        SetBounds(GetLeft(), GetTop(), size.cx, size.cy);
    }
    PlaceChildControls();
}

TRect TqzCustomCalendar::NarrowTitle(const TRect& r) const {
    const Integer b = FKind == ckDateTime ? 1 : (FFlat ? 0 : 1);
    return TRect{r.left, r.top + b, r.right, r.bottom - 1};
}

void TqzCustomCalendar::CalculateRects() {
    const bool dateTime = FKind == ckDateTime;
    const bool office = !dateTime && IsOffice11Painter();
    const Integer insetLeft = office ? 2 : 0, insetTop = office ? 2 : 0, insetRight = office ? 2 : 0;
    const Integer b = dateTime ? 1 : (FFlat ? 0 : 1);
    DateTimeBarRect = TRect{};
    if (dateTime) {
        DateTimeBarRect = TRect{0, 0, GetWidth(), HeaderHeight};
        if (IsOffice11Painter()) DateTimeBarRect = TRect{2, 2, GetWidth() - 2, HeaderHeight};
    }
    LastArrowIndex = FArrowsForYear ? 3 : 1;
    const Integer top = insetTop + b, bottom = insetTop + HeaderHeight - 1;
    for (TRect& r : ArrowRects)
        r = TRect{};
    ArrowRects[0] = TRect{insetLeft + b, top, insetLeft + b + ColumnWidth - 2, bottom};
    ArrowRects[LastArrowIndex] =
        TRect{GridWidth - ColumnWidth + 2 - b - insetRight, top, GridWidth - b - insetRight, bottom};
    YearTitleRect = TRect{};
    if (FArrowsForYear) {
        TCanvas* canvas = GetCanvas();
        canvas->GetFont()->Assign(GetFont());
        Integer monthWidth = 0;
        for (const String& name : FormatSettings.LongMonthNames)
            monthWidth = std::max(monthWidth, canvas->TextWidth(name));
        const Integer yearWidth = canvas->TextWidth("9999");
        const Integer free =
            GridWidth - 2 * b - insetLeft - insetRight - monthWidth - yearWidth - 4 * (ColumnWidth - 2);
        const Integer left1 = ArrowRects[0].right + monthWidth + free * monthWidth / (monthWidth + yearWidth);
        ArrowRects[1] = TRect{left1, top, left1 + ColumnWidth - 2, bottom};
        ArrowRects[2] = Offset(ArrowRects[1], ColumnWidth - 2, 0);
        MonthTitleRect = TRect{ArrowRects[0].right, insetTop, ArrowRects[1].left, insetTop + HeaderHeight};
        YearTitleRect = TRect{ArrowRects[2].right, insetTop, ArrowRects[3].left, insetTop + HeaderHeight};
    } else {
        MonthTitleRect = TRect{ArrowRects[0].right, insetTop, ArrowRects[1].left, insetTop + HeaderHeight};
    }
    TitleRowRect = TRect{0, MonthTitleRect.top, GridWidth, MonthTitleRect.bottom};
    GridRect = TRect{0, MonthTitleRect.bottom + 1, GridWidth,
                     MonthTitleRect.bottom + 1 + DayNamesHeight + 6 * RowHeight + 1};
    if (dateTime) {
        Integer marginX = 0, marginY = 0;
        GetClockMargins(marginX, marginY);
        const Integer dy = marginY + DateTimeBarRect.bottom;
        for (Integer i = 0; i <= LastArrowIndex; ++i)
            ArrowRects[i] = Offset(ArrowRects[i], marginX, dy);
        GridRect = Offset(GridRect, marginX, dy);
        TitleRowRect = Offset(TitleRowRect, marginX, dy);
        MonthTitleRect = Offset(MonthTitleRect, marginX, dy);
        if (FArrowsForYear) YearTitleRect = Offset(YearTitleRect, marginX, dy);
    }
}

void TqzCustomCalendar::PlaceChildControls() {
    if (!HandleAllocated()) return;
    const bool dateTime = FKind == ckDateTime;
    ClearButton->SetVisible(FDateButtons.Contains(btnClear));
    NowButton->SetVisible(dateTime && FDateButtons.Contains(btnNow));
    OKButton->SetVisible(dateTime);
    TodayButton->SetVisible(FDateButtons.Contains(btnToday));
    Clock->SetVisible(dateTime);
    TimeEdit->SetVisible(dateTime);
    if (!dateTime) {
        const Integer top = GetClientHeight() - ButtonAreaHeight + ButtonTopGap;
        const bool today = TodayButton->GetVisible(), clear = ClearButton->GetVisible();
        if (today && clear) {
            const Integer gap = (GridWidth - 2 * ButtonWidth) / 3;
            TodayButton->SetBounds(gap, top, ButtonWidth + 1, ButtonHeight);
            ClearButton->SetBounds(GridWidth - ButtonWidth - gap, top, ButtonWidth + 1, ButtonHeight);
        } else if (today) {
            TodayButton->SetBounds((GridWidth - ButtonWidth) / 2, top, ButtonWidth + 1, ButtonHeight);
        } else if (clear) {
            ClearButton->SetBounds(GridWidth - ButtonWidth - (GridWidth - ButtonWidth) / 2, top,
                                   ButtonWidth + 1, ButtonHeight);
        }
        return;
    }
    Integer marginX = 0, marginY = 0;
    GetClockMargins(marginX, marginY);
    const Integer gap = (ButtonAreaHeight - 1 - ButtonHeight) / 2;
    const Integer d = MulDiv(GetFont()->GetSize(), 5, 4);
    const Integer top = GetHeight() - ButtonAreaHeight + 1 + gap;
    std::vector<TqzButton*> visible;
    for (TqzButton* button : {TodayButton, NowButton, ClearButton, OKButton})
        if (button->GetVisible()) visible.push_back(button);
    const Integer okLeft = GetWidth() - d - ButtonWidth - 1;
    OKButton->SetBounds(okLeft, top, ButtonWidth + 1, ButtonHeight);
    if (visible.size() == 2) {
        visible[0]->SetBounds(okLeft - d - ButtonWidth - 1, top, ButtonWidth + 1, ButtonHeight);
    } else {
        for (std::size_t i = 0; i + 1 < visible.size(); ++i)
            visible[i]->SetBounds(d + Integer(i) * (d + ButtonWidth + 1), top, ButtonWidth + 1, ButtonHeight);
    }
    const Integer editHeight = TimeEdit->GetHeight(), editWidth = FTimeEditWidth;
    TimeEdit->SetBounds(GetWidth() - marginX - ClockSize - 2 * gap + (ClockSize + 2 * gap - editWidth) / 2,
                        GetHeight() - ButtonAreaHeight - editHeight - gap, editWidth, editHeight);
    TimeEdit->SetSelStart(0);
    Clock->SetBounds(GetWidth() - marginX - gap - ClockSize, marginY + HeaderHeight + gap, ClockSize,
                     ClockSize);
}

bool TqzCustomCalendar::NeedsEraseBackground() {
    return TodayButton->GetLookAndFeel()->GetNativeStyle() && IsThemeActiveForType(ttButton);
}

void TqzCustomCalendar::AttachScrollBars() {
    inherited::AttachScrollBars();
    for (TControl* child :
         std::initializer_list<TControl*>{TodayButton, NowButton, ClearButton, OKButton, Clock, TimeEdit})
        child->SetParent(this);
    HandleFontChange();
}

void TqzCustomCalendar::HandleFontChange() {
    inherited::HandleFontChange();
    RecalculateLayout();
}

// -- Hot title parts --

void TqzCustomCalendar::SetHotPart(Byte value) {
    if (FHotPart == value) return;
    auto invalidatePart = [this](Byte part) {
        if (part == 0 || !HandleAllocated()) return;
        const TRect r = part == 1 ? MonthTitleRect : YearTitleRect;
        InvalidateRect(GetHandle(), &r, FALSE);
    };
    invalidatePart(FHotPart);
    FHotPart = value;
    invalidatePart(FHotPart);
    if (value != 0)
        SavedCursor = Screen->GetCursor();
    else
        Screen->SetCursor(SavedCursor);
}

void TqzCustomCalendar::UpdateHotPart() {
    if (MonthList->GetVisible() || GetCapture() != nullptr) return;
    POINT p{};
    GetCursorPos(&p);
    if (HandleAllocated()) p = ScreenToClient(p);
    Byte part = 0;
    if (Inside(NarrowTitle(MonthTitleRect), p.x, p.y))
        part = 1;
    else if (FArrowsForYear && Inside(NarrowTitle(YearTitleRect), p.x, p.y))
        part = 2;
    SetHotPart(part);
}

void TqzCustomCalendar::HandleMouseEnter(TControl* control) {
    inherited::HandleMouseEnter(control);
    UpdateHotPart();
    if (HandleAllocated()) BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
}

void TqzCustomCalendar::HandleMouseLeave(TControl* control) {
    inherited::HandleMouseLeave(control);
    UpdateHotPart();
    EndMouseTracking(this);
}

// -- Choosing --

void TqzCustomCalendar::NotifyDateTimeChanged() {
    if (OnDateTimeChanged) OnDateTimeChanged(this);
}

void TqzCustomCalendar::RequestClose(Integer) {
    RepeatTimer->SetEnabled(false);
    MonthList->ScrollTimer->SetEnabled(false);
    if (MonthList->GetVisible()) MonthList->ClosePopup();
}

void TqzCustomCalendar::Navigate(Integer step) {
    Integer year = 0, month = 0, day = 0;
    SplitDate(FMonthStart, year, month, day);
    switch (step) {
    case 0:
        StepMonthBackward(year, month);
        break;
    case 1:
        StepMonthForward(year, month);
        break;
    case 2:
        --year;
        break;
    default:
        ++year;
        break;
    }
    SetMonthStart(DateFromParts(year, month, 1));
}

bool TqzCustomCalendar::ArrowUnderCursor(Integer index) {
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    return Inside(ArrowRects[index], p.x, p.y);
}

void TqzCustomCalendar::RepeatTimerFired(TObject*) {
    for (Integer i = 0; i <= LastArrowIndex; ++i)
        if (ArrowUnderCursor(i)) Navigate(i);
}

void TqzCustomCalendar::HandleMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::HandleMouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    const TDateTime date = DateAtPoint(TPoint{x, y});
    if (date != NullDate) {
        SetSelectedDate(date);
        return;
    }
    for (Integer i = 0; i <= LastArrowIndex; ++i) {
        if (!Inside(ArrowRects[i], x, y)) continue;
        Navigate(i);
        RepeatTimer->SetEnabled(true);
        return;
    }
    if (Inside(NarrowTitle(MonthTitleRect), x, y)) MonthList->ShowPopup(nullptr);
}

void TqzCustomCalendar::InvalidateCells() {
    if (!HandleAllocated()) return;
    const TRect r{GridRect.left, GridRect.top + DayNamesHeight, GridRect.right, GridRect.bottom};
    InvalidateRect(GetHandle(), &r, FALSE);
}

void TqzCustomCalendar::SetSelectionDirectly(TDateTime value) {
    if (value == FSelectedDate) return;
    FSelectedDate = value;
    InvalidateCells();
}

void TqzCustomCalendar::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::HandleMouseMove(shift, x, y);
    UpdateHotPart();
    BeginMouseTracking(this, TRect{0, 0, GetWidth(), GetHeight()}, this);
    if (!shift.Contains(ssLeft) || RepeatTimer->GetEnabled()) return;
    const TDateTime date = DateAtPoint(TPoint{x, y});
    if (date == NullDate || date == InvalidDate || !IsValidCalendarDate(date)) return;
    SetSelectionDirectly(date);
}

void TqzCustomCalendar::HandleMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
    inherited::HandleMouseUp(button, shift, x, y);
    if (RepeatTimer->GetEnabled()) {
        RepeatTimer->SetEnabled(false);
        return;
    }
    if (FKind != ckDate || x < 0 || y < 0 || x >= GetClientWidth() || y >= GetClientHeight()) return;
    if (Inside(TitleRowRect, x, y)) return;
    const bool onDate = DateAtPoint(TPoint{x, y}) != NullDate;
    const TLivenessToken alive = LivenessToken();
    RequestClose(4);
    if (alive && onDate) NotifyDateTimeChanged();
}

void TqzCustomCalendar::HandleDblClick() {
    inherited::HandleDblClick();
    if (FKind != ckDateTime) return;
    POINT p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    const TDateTime date = DateAtPoint(TPoint{p.x, p.y});
    if (date == NullDate) return;
    SetSelectedDate(date);
    const TLivenessToken alive = LivenessToken();
    RequestClose(4);
    if (alive) NotifyDateTimeChanged();
}

bool TqzCustomCalendar::HandleMouseWheel(TShiftState shift, Integer wheelDelta, POINT mousePos) {
    if (inherited::HandleMouseWheel(shift, wheelDelta, mousePos)) return true;
    if (MonthList->GetVisible()) return false;
    const POINT p = ScreenToClient(mousePos);
    if (Inside(NarrowTitle(MonthTitleRect), p.x, p.y))
        Navigate(wheelDelta > 0 ? 0 : 1);
    else if (FArrowsForYear && Inside(NarrowTitle(YearTitleRect), p.x, p.y))
        Navigate(wheelDelta > 0 ? 2 : 3);
    else
        return false;
    return true;
}

void TqzCustomCalendar::HandleKeyDown(Word& key, TShiftState shift) {
    const bool ctrlAlone = shift == TShiftState{ssCtrl};
    const bool altAlone = shift == TShiftState{ssAlt};
    const TDateTime date = FSelectedDate;
    switch (key) {
    case VK_PRIOR:
    case VK_NEXT: {
        if (date == NullDate) break;
        Integer year = 0, month = 0, day = 0;
        SplitDate(date, year, month, day);
        if (key == VK_PRIOR)
            StepMonthBackward(year, month);
        else
            StepMonthForward(year, month);
        if (year < MinYear || year > MaxYear) break;
        SetSelectedDate(DateFromParts(year, month, ClampDayToMonth(year, month, day)));
        break;
    }
    case VK_END:
        if (ctrlAlone) {
            Integer year = 0, month = 0, day = 0;
            SplitDate(date, year, month, day);
            SetSelectedDate(DateFromParts(year, month, GetMonthDayCount(year, month)));
        } else {
            SetSelectedDate(date + 6 - WeekColumnOf(date));
        }
        break;
    case VK_HOME:
        if (ctrlAlone)
            SetSelectedDate(date - (GetDateComponent(2, date) - 1));
        else
            SetSelectedDate(date - WeekColumnOf(date));
        break;
    case VK_LEFT:
        SetSelectedDate(date - 1);
        break;
    case VK_RIGHT:
        SetSelectedDate(date + 1);
        break;
    case VK_UP:
        if (!altAlone) SetSelectedDate(date - 7);
        break;
    case VK_DOWN:
        if (!altAlone) SetSelectedDate(date + 7);
        break;
    default:
        break;
    }
    inherited::HandleKeyDown(key, shift);
}

void TqzCustomCalendar::ButtonClick(TObject* sender) {
    auto* button = dynamic_cast<TqzButton*>(sender);
    if (!button) return;
    TDateTime value = NullDate;
    switch (TCalendarButton(button->GetTag())) {
    case btnClear:
        break;
    case btnNow:
        value = Now();
        break;
    case btnToday:
        value = WithTime(Date(), Clock->GetTime());
        break;
    default:
        value = FSelectedDate == NullDate ? NullDate : WithTime(DatePartOf(FSelectedDate), Clock->GetTime());
        break;
    }
    const TDateTime time = value == NullDate ? 0 : TimeOfDayOf(value);
    Clock->SetTime(time);
    TimeEdit->SetTime(time);
    if (value == NullDate) {
        if (FSelectedDate != NullDate) {
            FSelectedDate = NullDate;
            Invalidate();
        }
    } else {
        SetSelectedDate(value);
    }
    const TLivenessToken alive = LivenessToken();
    NotifyDateTimeChanged();
    if (alive) RequestClose(4);
}

void TqzCustomCalendar::TimeEditChanged(TObject*) {
    Clock->SetTime(TimeEdit->GetTime());
    if (!HandleAllocated()) return;
    TRect r{0, 0, GetWidth(), HeaderHeight - 1};
    if (!FFlat) r = TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    InvalidateRect(GetHandle(), &r, FALSE);
}

// -- Painting --

void TqzCustomCalendar::PaintDateTimeBar(TCanvas* canvas) {
    TRect r = DateTimeBarRect;
    const bool native = IsNativePainter();
    if (native) {
        FillSolid(canvas, r, clBtnFace);
    } else if (!IsOffice11Painter()) {
        if (FFlat) {
            HorzLine(canvas, r.left, r.right, r.bottom - 1, clBtnText);
            --r.bottom;
        } else {
            RaisedEdge(canvas, r);
            r = TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        }
    }
    String text;
    if (FSelectedDate != NullDate) {
        try {
            text = DateTimeToStr(WithTime(DatePartOf(FSelectedDate), TimeEdit->GetTime()));
        } catch (const Exception&) {
            text.clear();
        }
    }
    DrawCellText(canvas, r, text, clBtnText, native ? clNone : GetHeaderColor(), DT_CENTER | DT_VCENTER);
    Exclude(canvas, DateTimeBarRect);
}

void TqzCustomCalendar::PaintTitleRow(TCanvas* canvas) {
    const bool native = IsNativePainter();
    const TColor header = GetHeaderColor();
    if (native) FillSolid(canvas, TitleRowRect, clBtnFace);
    // The visual style's header has no arrows of its own: the triangles are drawn in every look.
    for (Integer i = 0; i <= LastArrowIndex; ++i) {
        TRect r = ArrowRects[i];
        if (!native) {
            if (FFlat && FKind == ckDate) HorzLine(canvas, r.left, r.right, r.top, header);
            HorzLine(canvas, r.left, r.right, r.bottom - 1, header);
        }
        --r.bottom;
        if (FFlat && FKind == ckDate && !IsOffice11Painter()) ++r.top;
        if (!native) FillSolid(canvas, r, header);
        TPoint points[3];
        TqzCustomLookAndFeelPainter::CalcArrowPoints(r, false, (i == 0 || i == 2) ? 2 : 3, points);
        canvas->GetPen()->SetColor(clBtnText);
        canvas->GetBrush()->SetColor(clBtnText);
        canvas->Polygon(points, 3);
    }
    auto paintTitle = [&](const TRect& rect, const String& text, Byte part) {
        const TRect narrow = NarrowTitle(rect);
        const TColor color = FHotPart == part ? GetEditHotTrackColor() : clBtnText;
        DrawCellText(canvas, narrow, text, color, native ? clNone : header, DT_CENTER | DT_VCENTER);
    };
    Integer year = 0, month = 0, day = 0;
    SplitDate(FMonthStart, year, month, day);
    const String monthName = FormatSettings.LongMonthNames[month - 1];
    if (FArrowsForYear) {
        paintTitle(MonthTitleRect, monthName, 1);
        paintTitle(YearTitleRect, IntToStr(year), 2);
    } else {
        paintTitle(MonthTitleRect, monthName + " " + IntToStr(year), 1);
    }
    if (!native) {
        TRect r = TitleRowRect;
        if (!FFlat) {
            RaisedEdge(canvas, r);
        } else if (FKind == ckDateTime) {
            canvas->GetBrush()->SetColor(IsOffice11Painter() ? GetColor() : clBtnShadow);
            canvas->FrameRect(r);
        } else if (IsOffice11Painter()) {
            canvas->GetBrush()->SetColor(GetColor());
            const TRect outer{r.left, r.top - 2, r.right, r.bottom + 1};
            canvas->FrameRect(outer);
            canvas->FrameRect(TRect{outer.left + 1, outer.top + 1, outer.right - 1, outer.bottom - 1});
            r = outer;
        } else {
            HorzLine(canvas, r.left, r.right, r.bottom - 1, clBtnText);
        }
        Exclude(canvas, r);
    }
    Exclude(canvas, TitleRowRect);
}

void TqzCustomCalendar::PaintDayNames(TCanvas* canvas) {
    const Integer left = GridRect.left + SideMargin, right = GridRect.right - SideMargin;
    const Integer top = GridRect.top, bottom = top + DayNamesHeight;
    FillSolid(canvas, TRect{left - 8, top, left, bottom}, GetColor());
    FillSolid(canvas, TRect{right, top, right + 8, bottom}, GetColor());
    HorzLine(canvas, left, right, bottom - 2, clBtnShadow);
    HorzLine(canvas, left, right, bottom - 1, clWindow);
    const Integer firstDay = GetFormatController()->GetFirstDayOfWeek();
    TFontCharset charset = GetFont()->GetCharset();
    if (charset == DEFAULT_CHARSET) charset = TFontCharset(GetTextCharset(canvas->GetHandle()));
    for (Integer i = 0; i < 7; ++i) {
        const Integer weekday = (firstDay + i) % 7; // 0 Sunday
        const TRect cell{left + i * ColumnWidth, top, left + (i + 1) * ColumnWidth - 3, bottom - 2};
        DrawCellText(canvas, cell, DayNameLetter(FormatSettings.ShortDayNames[weekday], charset), clBtnText,
                     GetColor(), DT_RIGHT | DT_VCENTER);
        FillSolid(canvas, TRect{cell.right, top, cell.right + 3, bottom - 2}, GetColor());
    }
    Exclude(canvas, TRect{left - 8, top, right + 8, bottom});
}

void TqzCustomCalendar::PaintCells(TCanvas* canvas) {
    const Integer left = GridRect.left + SideMargin, top = GridRect.top + DayNamesHeight;
    const TDateTime today = Date();
    const TDateTime monthEnd = GetMonthEnd();
    TqzLookAndFeelPainterClass painter = GetPainter();
    for (Integer column = 0; column < 7; ++column) {
        for (Integer row = 0; row < 6; ++row) {
            const TDateTime date = DateForCell(column, row);
            TRect cell{left + column * ColumnWidth, top + row * RowHeight, left + (column + 1) * ColumnWidth,
                       top + (row + 1) * RowHeight};
            const bool selected = date == FSelectedDate || (FSelectedDate == NullDate && date == today);
            const TColor back = selected ? painter->AccentColor() : GetColor();
            TColor textColor = clWindowText;
            if (selected)
                textColor = painter->AccentTextColor();
            else if (date < FMonthStart || date > monthEnd)
                textColor = clGrayText;
            TRect textRect = cell;
            if (date == today) {
                canvas->GetBrush()->SetColor(clMaroon);
                canvas->FrameRect(cell);
                textRect = TRect{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1};
            }
            const bool valid = date >= MinCalendarDate() && date <= MaxCalendarDateTime;
            FillSolid(canvas, textRect, back);
            TRect inner = textRect;
            inner.right -= 3;
            DrawCellText(canvas, inner, valid ? IntToStr(Integer(GetDateComponent(2, date))) : String(),
                         textColor, clNone, DT_RIGHT | DT_VCENTER);
        }
    }
    Exclude(canvas, TRect{left, top, left + 7 * ColumnWidth, top + 6 * RowHeight});
}

void TqzCustomCalendar::Paint() {
    TCanvas* canvas = GetCanvas();
    canvas->GetFont()->Assign(GetFont());
    const HDC dc = canvas->GetHandle();
    SaveDC(dc);
    const bool dateTime = FKind == ckDateTime;
    if (dateTime) PaintDateTimeBar(canvas);
    PaintTitleRow(canvas);
    PaintDayNames(canvas);
    if (!dateTime && (FDateButtons.Contains(btnToday) || FDateButtons.Contains(btnClear))) {
        const Integer y = GetClientHeight() - ButtonAreaHeight - 1;
        HorzLine(canvas, GridRect.left + SideMargin, GridRect.right - SideMargin, y, clBtnShadow);
        Exclude(canvas, TRect{GridRect.left + SideMargin, y, GridRect.right - SideMargin, y + 1});
    }
    PaintCells(canvas);
    if (dateTime) {
        const TRect strip{0, GetHeight() - ButtonAreaHeight, GetWidth(), GetHeight()};
        HorzLine(canvas, strip.left, strip.right, strip.top, clBtnText);
        TRect rest{strip.left, strip.top + 1, strip.right, strip.bottom};
        if (!FFlat) RaisedEdge(canvas, rest);
        FillSolid(canvas, rest, GetColor());
        Exclude(canvas, strip);
    }
    FillSolid(canvas, TRect{0, 0, GetWidth(), GetHeight()}, GetColor());
    if (dateTime) {
        const Integer x = GridRect.right + ColumnWidth / 2;
        canvas->GetPen()->SetColor(clBtnShadow);
        canvas->MoveTo(x, GridRect.top);
        canvas->LineTo(x, TimeEdit->GetTop() + TimeEdit->GetHeight());
    }
    RestoreDC(dc, -1);
}

KOV_PUBLISHED(TqzCustomCalendar) {}

// ---- Popup calendar --------------------------------------------------------------------------

void TqzPopupCalendar::UpdateHotPart() {
    if (!Edit && !OnHidePopup) {
        SetHotPart(0);
        return;
    }
    inherited::UpdateHotPart();
}

void TqzPopupCalendar::RequestClose(Integer reason) {
    inherited::RequestClose(reason);
    if (OnHidePopup) OnHidePopup(this, reason);
}

void TqzPopupCalendar::HandleKeyDown(Word& key, TShiftState shift) {
    const TLivenessToken alive = LivenessToken();
    inherited::HandleKeyDown(key, shift);
    if (!alive) return;
    const bool altAlone = shift == TShiftState{ssAlt};
    switch (key) {
    case VK_TAB:
        // In the date kind the calendar keeps Tab: the choice is posted when the editor asks
        // for it, then the editor moves the focus on.
        if (Edit && Edit->GetActiveDateProperties()->GetKind() == ckDate) {
            if (Edit->GetActiveDateProperties()->GetPostPopupValueOnTab()) NotifyDateTimeChanged();
            if (alive && Edit) Edit->HandleEditKeyDown(key, shift);
        }
        break;
    case VK_RETURN:
        if (MonthList->GetVisible()) break;
        RequestClose(4);
        if (alive) NotifyDateTimeChanged();
        break;
    case VK_ESCAPE:
        if (MonthList->IsYearsMode() || !MonthList->GetVisible())
            RequestClose(3);
        else
            MonthList->ClosePopup();
        break;
    case VK_UP:
    case VK_DOWN:
        if (altAlone) RequestClose(2);
        break;
    case VK_F4:
        if (!shift.Contains(ssAlt)) RequestClose(2);
        break;
    default:
        break;
    }
}

void TqzPopupCalendar::HandleMouseMove(TShiftState shift, Integer x, Integer y) {
    inherited::HandleMouseMove(shift, x, y);
    // Dragged out of the calendar: the selection goes back to the editor's value.
    if (!Edit || !shift.Contains(ssLeft)) return;
    if (x >= 0 && y >= 0 && x < GetClientWidth() && y < GetClientHeight()) return;
    SetSelectionDirectly(Edit->GetDate());
}

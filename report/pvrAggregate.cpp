#include "report/pvrAggregate.h"

#include <algorithm>

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "report/pvrClass.h"
#include "report/pvrRes.h"
#include "report/pvrUtils.h"

namespace {

// Characters skipped between words. Every byte of a character beyond ASCII separates words too.
bool IsSeparator(unsigned char c) {
    if (c < 32 || c >= 128) return true;
    switch (c) {
    case ' ':
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '/':
    case '=':
    case '[':
    case ']':
    case '^':
    case '|':
        return true;
    default:
        return c >= '0' && c <= '9';
    }
}

// Characters that end a word.
bool IsTerminator(unsigned char c) {
    if (c < 32 || c >= 128) return true;
    switch (c) {
    case ' ':
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '(':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '/':
    case '=':
    case '[':
    case ']':
    case '^':
    case '|':
        return true;
    default:
        return false;
    }
}

// The index of the character closing the pair opened at `open` (nested pairs and quoted
// strings skipped); the end of the text when it is never closed.
std::size_t MatchingClose(const String& text, std::size_t open, char opening, char closing) {
    Integer depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = text.find(c, i + 1);
            if (end == String::npos) return text.size();
            i = end;
        } else if (c == opening) {
            ++depth;
        } else if (c == closing) {
            if (--depth == 0) return i;
        }
    }
    return text.size();
}

bool IsAggregateWord(const String& word) {
    const String upper = UpperCase(word);
    return upper == "SUM" || upper == "MIN" || upper == "MAX" || upper == "AVG" || upper == "COUNT";
}

// The arguments of a call, split at commas outside parentheses and single-quoted strings; at
// most `limit`, the last taking the rest; each trimmed.
std::vector<String> SplitArguments(const String& text, std::size_t limit) {
    std::vector<String> result;
    Integer depth = 0;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') quoted = !quoted;
        if (quoted) continue;
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ',' && depth == 0 && result.size() + 1 < limit) {
            result.push_back(Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    const String last = Trim(text.substr(std::min(start, text.size())));
    if (!last.empty() || !result.empty()) result.push_back(last);
    return result;
}

TpvrComponent* ListItem(TList* list, Integer index) { return static_cast<TpvrComponent*>(list->Get(index)); }

} // namespace

// ---- Items -------------------------------------------------------------------------------------

TpvrAggregateKind TpvrAggregateItem::KindOfName(const String& name) {
    const String upper = UpperCase(Trim(name));
    if (upper == "SUM") return akSum;
    if (upper == "AVG") return akAvg;
    if (upper == "MIN") return akMin;
    if (upper == "MAX") return akMax;
    return akCount;
}

void TpvrAggregateItem::ResetValues() {
    Count = 0;
    Value = Null();
    HasColumns = false;
    ColumnValues.clear();
    ColumnCounts.clear();
}

void TpvrAggregateItem::Combine(Variant& target, const Variant& value) const {
    if (VarIsNull(target)) {
        target = value;
        return;
    }
    if (VarIsNull(value)) return;
    switch (Kind) {
    case akMin:
        if (value < target) target = value;
        break;
    case akMax:
        if (value > target) target = value;
        break;
    default:
        target = target + value;
        break;
    }
}

// ---- The list ----------------------------------------------------------------------------------

TpvrAggregateList::TpvrAggregateList(TpvrReport* report) : Report(report) {}

TpvrAggregateList::~TpvrAggregateList() = default;

void TpvrAggregateList::Clear() { FItems.clear(); }

void TpvrAggregateList::AddItem(const String& callText, TpvrCustomMemoView* memo, TpvrDataBand* defaultBand) {
    auto item = std::make_unique<TpvrAggregateItem>();
    const std::size_t paren = callText.find('(');
    item->Kind = TpvrAggregateItem::KindOfName(callText.substr(0, paren));
    String inner;
    if (paren != String::npos) {
        const std::size_t close = MatchingClose(callText, paren, '(', ')');
        inner = callText.substr(paren + 1, close - paren - 1);
    }
    const std::vector<String> args = SplitArguments(inner, 3);
    auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : String(); };
    const bool isCount = item->Kind == akCount;
    if (!isCount) item->Expression = arg(0);
    const String bandName = arg(isCount ? 0 : 1);
    const String flagsText = arg(isCount ? 1 : 2);
    TpvrDataBand* band = nullptr;
    if (!bandName.empty() && Report) band = dynamic_cast<TpvrDataBand*>(Report->FindObject(bandName));
    item->DataBand = band ? band : defaultBand;
    const Integer flags = flagsText.empty() ? 0 : StrToInt(flagsText);
    item->CountInvisible = (flags & 1) != 0;
    item->Running = (flags & 2) != 0;
    item->MemoName = memo ? memo->GetName() : String();
    item->CallText = Trim(callText);
    item->ParentBand = memo ? dynamic_cast<TpvrBand*>(memo->GetParent()) : nullptr;
    // A memo moved into a vertical band totals for the footer-like horizontal band it came from.
    if (memo && item->ParentBand && item->ParentBand->Vertical) {
        TpvrBand* cross = memo->CrossBand;
        if (dynamic_cast<TpvrReportSummary*>(cross) || dynamic_cast<TpvrPageFooter*>(cross) ||
            dynamic_cast<TpvrFooter*>(cross) || dynamic_cast<TpvrGroupFooter*>(cross))
            item->ParentBand = cross;
    }
    item->PageFooter = dynamic_cast<TpvrPageFooter*>(item->ParentBand) != nullptr;
    item->Report = Report;
    FItems.push_back(std::move(item));
}

void TpvrAggregateList::ScanExpression(const String& text, TpvrCustomMemoView* memo,
                                       TpvrDataBand* defaultBand) {
    // A variable: its value is scanned instead; a field reference holds no call.
    auto scanVariable = [&](const String& name) -> bool {
        if (!Report) return false;
        const Integer index = Report->GetVariables()->IndexOf(name);
        if (index < 0) return false;
        const String key = UpperCase(name);
        if (std::find(FScanning.begin(), FScanning.end(), key) != FScanning.end()) {
            String message = GetResources()->Get("clExprError") + " '" + name + "'";
            if (memo && !memo->GetName().empty()) message = memo->GetName() + ": " + message;
            Report->GetErrors()->Add(message);
            throw Exception(message);
        }
        FScanning.push_back(key);
        struct TLeave {
            std::vector<String>& List;
            ~TLeave() { List.pop_back(); }
        } leave{FScanning};
        ScanExpression(VarToStr(Report->GetVariables()->Items(index)->GetValue()), memo, defaultBand);
        return true;
    };
    const String whole = Trim(text);
    if (scanVariable(whole)) return;
    if (Report && !whole.empty() && whole.back() == '"') {
        TpvrDataSet* dataSet = nullptr;
        String field;
        Report->SplitFieldReference(whole, dataSet, field);
        if (dataSet) return;
    }

    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsSeparator(c)) {
            ++i;
        } else if (c == '"' || c == '\'') {
            const std::size_t end = text.find(char(c), i + 1);
            i = end == String::npos ? text.size() : end + 1;
        } else if (c == '(' || c == '<') {
            const char closing = c == '(' ? ')' : '>';
            const std::size_t end = MatchingClose(text, i, char(c), closing);
            // Parts nested deeper than any expression goes are passed over, not recursed into.
            if (FDepth < kMaxNesting) {
                ++FDepth;
                struct TLeave {
                    Integer& Depth;
                    ~TLeave() { --Depth; }
                } leave{FDepth};
                ScanExpression(text.substr(i + 1, end > i + 1 ? end - i - 1 : 0), memo, defaultBand);
            }
            i = end + 1;
        } else {
            const std::size_t start = i;
            while (i < text.size() && !IsTerminator(static_cast<unsigned char>(text[i])))
                ++i;
            const String word = text.substr(start, i - start);
            if (i < text.size() && text[i] == '(' && IsAggregateWord(word)) {
                const std::size_t end = MatchingClose(text, i, '(', ')');
                AddItem(text.substr(start, std::min(end + 1, text.size()) - start), memo, defaultBand);
                i = end + 1;
            } else {
                scanVariable(word);
            }
        }
    }
}

void TpvrAggregateList::ScanMemo(TpvrCustomMemoView* memo, TpvrDataBand* defaultBand) {
    if (!memo->AllowExpressions) return;
    const String delimiters = memo->ExpressionDelimiters;
    const std::size_t comma = delimiters.find(',');
    const String open = delimiters.substr(0, comma);
    const String close = comma == String::npos ? String() : delimiters.substr(comma + 1);
    if (open.empty()) return;
    const String text = WideToString(memo->GetMemo()->GetText());
    std::size_t from = 0;
    while (true) {
        const std::size_t found = text.find(open, from);
        if (found == String::npos) break;
        Integer start = Integer(found) + 1;
        Integer end = start;
        String inner;
        ExtractDelimited(text, open, close, inner, end, start);
        ScanExpression(inner, memo, defaultBand);
        const std::size_t next = std::size_t(std::max(end, start));
        if (next <= found) break;
        from = next;
    }
}

void TpvrAggregateList::ScanBandMemos(TpvrBand* band, TpvrDataBand* defaultBand) {
    if (!band) return;
    for (TpvrComponent* child : band->GetObjects())
        if (auto* memo = dynamic_cast<TpvrCustomMemoView*>(child)) ScanMemo(memo, defaultBand);
}

void TpvrAggregateList::CollectDataBand(TpvrDataBand* dataBand, bool vertical) {
    if (!dataBand) return;
    ScanBandMemos(dataBand->FooterBand, dataBand);
    if (dataBand->FirstGroup) {
        TList* run = dataBand->FirstGroup->GetEngineList();
        if (run->GetCount() == 0) {
            ScanBandMemos(dataBand->FirstGroup->FooterBand, dataBand);
        } else {
            for (Integer i = 0; i < run->GetCount(); ++i)
                if (auto* header = dynamic_cast<TpvrBand*>(ListItem(run, i)))
                    ScanBandMemos(header->FooterBand, dataBand);
        }
    }
    if (vertical) ScanBandMemos(dataBand, dataBand);
    TList* details = dataBand->GetEngineList();
    for (Integer i = 0; i < details->GetCount(); ++i)
        CollectDataBand(dynamic_cast<TpvrDataBand*>(ListItem(details, i)), vertical);
}

void TpvrAggregateList::CollectPage(TpvrReportPage* page) {
    TList* horizontal = page->GetEngineList1();
    TList* vertical = page->GetEngineList2();
    for (Integer i = 0; i < horizontal->GetCount(); ++i)
        CollectDataBand(dynamic_cast<TpvrDataBand*>(ListItem(horizontal, i)), false);
    for (Integer i = 0; i < vertical->GetCount(); ++i)
        CollectDataBand(dynamic_cast<TpvrDataBand*>(ListItem(vertical, i)), true);
    if (horizontal->GetCount() == 0) return;
    auto* first = dynamic_cast<TpvrDataBand*>(ListItem(horizontal, 0));
    for (TClass bandClass :
         {TpvrPageFooter::StaticClass(), TpvrColumnFooter::StaticClass(), TpvrReportSummary::StaticClass()})
        ScanBandMemos(dynamic_cast<TpvrBand*>(page->FindBand(bandClass)), first);
}

void TpvrAggregateList::AddValue(TpvrDataBand* dataBand, Integer vColumn) {
    for (const auto& owned : FItems) {
        TpvrAggregateItem* item = owned.get();
        if (item->DataBand != dataBand) continue;
        item->VColumn = vColumn;
        if (!dataBand->GetVisible() && !item->CountInvisible) continue;
        Variant value = Null();
        if (item->Kind != akCount) {
            if (Report) {
                Report->CurObject = item->MemoName;
                value = Report->Calc(item->Expression);
            }
            if (VarType(value) == varBoolean && value == Variant(true)) value = Variant(Integer(1));
        }
        const bool counts = item->Kind != akAvg || !VarIsNull(value);
        if (vColumn >= 1) {
            if (std::size_t(vColumn) >= item->ColumnValues.size()) {
                item->ColumnValues.resize(std::size_t(vColumn) + 1, Null());
                item->ColumnCounts.resize(std::size_t(vColumn) + 1, 0);
            }
            item->HasColumns = true;
            if (counts) ++item->ColumnCounts[std::size_t(vColumn)];
            item->Combine(item->ColumnValues[std::size_t(vColumn)], value);
        } else if (item->Keeping) {
            if (counts) ++item->KeepCount;
            item->Combine(item->KeepValue, value);
        } else {
            item->SavedCount = item->Count;
            item->SavedValue = item->Value;
            if (counts) ++item->Count;
            item->Combine(item->Value, value);
        }
    }
}

void TpvrAggregateList::Withdraw(TpvrDataBand* dataBand) {
    for (const auto& item : FItems) {
        if (item->DataBand != dataBand) continue;
        item->Count = item->SavedCount;
        item->Value = item->SavedValue;
    }
}

Variant TpvrAggregateList::GetAggregate(TpvrBand* currentBand, Integer vColumn, const String& name,
                                        const String& expression, TpvrComponent* band, Integer flags) {
    const TpvrAggregateKind kind = TpvrAggregateItem::KindOfName(name);
    const String trimmed = Trim(expression);
    for (const auto& owned : FItems) {
        TpvrAggregateItem* item = owned.get();
        if (item->ParentBand != currentBand || item->Kind != kind || !SameText(item->Expression, trimmed))
            continue;
        if (band && item->DataBand != band) continue;
        if (item->Flags() != flags) continue;
        item->VColumn = vColumn;
        Integer count = item->Count;
        Variant value = item->Value;
        // The per-column values answer a call shown once per column (a column's total); a call
        // outside the columns (column 0), such as a row's total or the table's, takes what was
        // added for the whole row or table.
        if (item->HasColumns && vColumn >= 1) {
            const std::size_t column = std::size_t(vColumn);
            count = column < item->ColumnCounts.size() ? item->ColumnCounts[column] : 0;
            value = column < item->ColumnValues.size() ? item->ColumnValues[column] : Null();
        }
        Variant result;
        if (kind == akAvg)
            result = count == 0 || VarIsNull(value) ? Null() : value / Variant(count);
        else if (kind == akCount)
            result = Variant(count);
        else
            result = value;
        return VarIsNull(result) ? Variant(Integer(0)) : result;
    }
    return Null();
}

void TpvrAggregateList::Reset(TpvrBand* band) {
    for (const auto& item : FItems) {
        if (item->ParentBand != band) continue;
        if (item->Running && item->Count != 0) continue;
        item->ResetValues();
    }
}

void TpvrAggregateList::BeginPageKeep() {
    for (const auto& item : FItems) {
        if (!item->PageFooter || item->Keeping) continue;
        item->Keeping = true;
        item->KeepCount = 0;
        item->KeepValue = Null();
    }
}

void TpvrAggregateList::EndPageKeep() {
    for (const auto& item : FItems) {
        if (!item->PageFooter || !item->Keeping) continue;
        item->Keeping = false;
        item->Count += item->KeepCount;
        // Records kept without a value leave the total as it was.
        item->Combine(item->Value, item->KeepValue);
    }
}

void TpvrAggregateList::ClearValues() {
    for (const auto& item : FItems)
        item->ResetValues();
}

// Text layout of memo views: inline style tags, line breaking with hyphenation, measuring at
// the layout resolution, splitting for pages and drawing with the measured advances.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/classlib/Forms.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/GdiText.h"
#include "report/pvrClass.h"

namespace {

constexpr Extended kUnitPixels = Extended(TpvrDrawText::MeasuringResolution) / TpvrDrawText::UnitResolution;

char16_t UpperChar(char16_t c) {
    if (c >= u'a' && c <= u'z') return char16_t(c - 32);
    if (c >= 0x430 && c <= 0x44F) return char16_t(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
    return c;
}

// Compares the text at `pos` with an upper-case pattern, ignoring case.
bool MatchesAt(const WideString& text, std::size_t pos, const char* pattern) {
    for (std::size_t i = 0; pattern[i]; ++i) {
        if (pos + i >= text.size()) return false;
        if (UpperChar(text[pos + i]) != char16_t(pattern[i])) return false;
    }
    return true;
}

bool IsHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsVowel(char16_t c) {
    switch (c) {
    case 0x410: case 0x415: case 0x401: case 0x418: case 0x41E:
    case 0x423: case 0x42B: case 0x42D: case 0x42E: case 0x42F:
        return true;
    default:
        return false;
    }
}

bool IsSign(char16_t c) { return c == 0x42C || c == 0x42A; }

bool IsConsonant(char16_t c) {
    switch (c) {
    case 0x411: case 0x412: case 0x413: case 0x414: case 0x416: case 0x417: case 0x419:
    case 0x41A: case 0x41B: case 0x41C: case 0x41D: case 0x41F: case 0x420: case 0x421:
    case 0x422: case 0x424: case 0x425: case 0x426: case 0x427: case 0x428: case 0x429:
    case 0x42C: case 0x42A:
        return true;
    default:
        return false;
    }
}

constexpr char16_t kShortI = 0x419;

bool IsWordEnd(char16_t c) { return c == u' ' || c == u'.' || c == u',' || c == u'-' || c == u';'; }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// The hyphenation point to use in the word starting at `start`: the longest first part shorter
// than `fit` characters; 0 for none.
Integer BestHyphenation(const WideString& text, std::size_t start, Integer fit) {
    std::size_t end = start;
    while (end < text.size() && !IsWordEnd(text[end])) ++end;
    const std::vector<Integer> points = HyphenationPoints(text.substr(start, end - start));
    Integer best = 0;
    for (Integer k : points)
        if (k < fit && k > best) best = k;
    return best;
}

bool IsPrinterCanvas(TCanvas* canvas) {
    for (TClass c = canvas->ClassType(); c; c = c->ClassParent())
        if (c->ClassNameIs("TpvrPrinterCanvas")) return true;
    return false;
}

WideString HexColor(TColor color) {
    const Integer rgb = ColorToRGB(color);
    return StringToWide(Format("%.2X%.2X%.2X", {rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF}));
}

} // namespace

// ---- Hyphenation and spreading -----------------------------------------------------------------

std::vector<Integer> HyphenationPoints(const WideString& word) {
    std::vector<Integer> result;
    WideString w;
    w.reserve(word.size());
    for (char16_t c : word) w += UpperChar(c);
    const Integer n = Integer(w.size());
    if (n <= 3) return result;
    auto at = [&w, n](Integer k) -> char16_t { return k >= 1 && k <= n ? w[std::size_t(k - 1)] : u'\0'; };
    auto hasVowel = [&w](Integer from, Integer to) {
        for (Integer k = from; k <= to; ++k)
            if (IsVowel(w[std::size_t(k - 1)])) return true;
        return false;
    };
    for (Integer k = 1; k < n; ++k) {
        const char16_t c = at(k);
        const char16_t next = at(k + 1);
        bool possible = false;
        if (IsConsonant(c)) {
            possible = !IsVowel(next) && !IsSign(next);
        } else if (IsVowel(c)) {
            const bool doubled = IsConsonant(next) && next == at(k + 2) && IsVowel(at(k + 3));
            possible = next != kShortI && !doubled;
        }
        if (possible && hasVowel(1, k) && hasVowel(k + 1, n)) result.push_back(k);
    }
    return result;
}

namespace {

void SpreadRange(std::vector<Integer>& values, std::size_t lo, std::size_t hi, Integer units, Integer sign) {
    if (units <= 0 || lo > hi) return;
    const std::size_t count = hi - lo + 1;
    const std::size_t mid = lo + (count - 1) / 2;
    if (units == 1) {
        values[mid] += sign;
        return;
    }
    const Integer first = units / 2;
    if (count == 1) {
        values[lo] += sign * units;
        return;
    }
    SpreadRange(values, lo, mid, first, sign);
    SpreadRange(values, mid + 1, hi, units - first, sign);
}

} // namespace

void SpreadPixels(std::vector<Integer>& values, Integer units) {
    if (values.empty() || units == 0) return;
    const Integer count = Integer(values.size());
    if (std::abs(units) >= count) {
        const Integer each = units / count;
        for (Integer& v : values) v += each;
        units -= each * count;
    }
    SpreadRange(values, 0, values.size() - 1, std::abs(units), units < 0 ? -1 : 1);
}

// ---- Tags --------------------------------------------------------------------------------------

void TpvrHTMLTagsList::Init(TColor color, Integer size, TFontStyles style) {
    FLines.clear();
    DefaultColor = CurrentColor = color;
    DefaultSize = CurrentSize = size;
    DefaultStyle = CurrentStyle = style;
    CurrentBaselineShift = 0;
    Position = 1;
}

TpvrHTMLTags& TpvrHTMLTagsList::NewLine() {
    FLines.emplace_back();
    return FLines.back();
}

void TpvrHTMLTagsList::AddTag(TpvrHTMLTags& line) {
    TpvrHTMLTag tag;
    tag.Position = Position;
    tag.Size = CurrentSize;
    tag.BaselineShift = CurrentBaselineShift;
    tag.Style = CurrentStyle;
    tag.Color = CurrentColor;
    if (line.Items.empty()) {
        tag.Default = CurrentStyle == DefaultStyle && CurrentColor == DefaultColor && CurrentSize == DefaultSize;
    } else {
        const TpvrHTMLTag& prev = line.Items.back();
        tag.Default = CurrentStyle == prev.Style && CurrentColor == prev.Color && CurrentSize == prev.Size;
    }
    tag.Small = CurrentSize != DefaultSize;
    line.Items.push_back(tag);
}

void TpvrHTMLTagsList::ExpandTags(WideString& text) {
    if (FLines.empty()) NewLine();
    TpvrHTMLTags& line = FLines.back();
    if (!TagsEnabled) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            TpvrHTMLTag tag;
            tag.Position = Position++;
            tag.Size = DefaultSize;
            tag.Style = DefaultStyle;
            tag.Color = DefaultColor;
            line.Items.push_back(tag);
        }
        if (text.empty()) {
            text = u" ";
            TpvrHTMLTag tag;
            tag.Position = Position;
            tag.Size = DefaultSize;
            tag.Style = DefaultStyle;
            tag.Color = DefaultColor;
            line.Items.push_back(tag);
        }
        return;
    }

    const Integer smallSize = Integer(Round(DefaultSize / 1.5L));
    WideString result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 0;
        if (text[i] == u'<') {
            struct TSimple {
                const char* Pattern;
                TFontStyle Style;
                bool Set;
            };
            static const TSimple simple[] = {
                {"B>", fsBold, true},         {"I>", fsItalic, true},        {"U>", fsUnderline, true},
                {"/B>", fsBold, false},       {"/I>", fsItalic, false},      {"/U>", fsUnderline, false},
                {"STRIKE>", fsStrikeOut, true}, {"/STRIKE>", fsStrikeOut, false}};
            for (const TSimple& s : simple) {
                if (MatchesAt(text, i + 1, s.Pattern)) {
                    if (s.Set)
                        CurrentStyle.Include(s.Style);
                    else
                        CurrentStyle.Exclude(s.Style);
                    length = 1 + std::char_traits<char>::length(s.Pattern);
                    break;
                }
            }
            if (length == 0) {
                if (MatchesAt(text, i + 1, "SUB>")) {
                    CurrentSize = smallSize;
                    CurrentBaselineShift = 1;
                    length = 5;
                } else if (MatchesAt(text, i + 1, "SUP>")) {
                    CurrentSize = smallSize;
                    CurrentBaselineShift = 0;
                    length = 5;
                } else if (MatchesAt(text, i + 1, "/SUB>") || MatchesAt(text, i + 1, "/SUP>")) {
                    CurrentSize = DefaultSize;
                    CurrentBaselineShift = 0;
                    length = 6;
                } else if (MatchesAt(text, i + 1, "/FONT>")) {
                    CurrentColor = DefaultColor;
                    length = 7;
                } else if (MatchesAt(text, i + 1, "FONT COLOR")) {
                    const std::size_t equals = text.find(u'=', i + 11);
                    const std::size_t close = equals == WideString::npos ? equals : text.find(u'>', equals);
                    if (close != WideString::npos) {
                        std::size_t from = equals + 1;
                        while (from < close && text[from] == u' ') ++from;
                        const WideString value = text.substr(from, close - from);
                        bool hex = value.size() > 3 && value[0] == u'"' && value[1] == u'#' && value.back() == u'"';
                        for (std::size_t k = 2; hex && k + 1 < value.size(); ++k) hex = IsHexDigit(value[k]);
                        Integer color = 0;
                        if (hex) {
                            // RRGGBB; longer runs of digits keep their last six.
                            Integer rgb = 0;
                            for (std::size_t k = 2; k + 1 < value.size(); ++k) {
                                const char16_t d = value[k];
                                const Integer digit = d <= u'9' ? d - u'0' : (d | 0x20) - u'a' + 10;
                                rgb = ((rgb << 4) | digit) & 0xFFFFFF;
                            }
                            CurrentColor = TColor(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
                            length = close - i + 1;
                        } else if (IdentToColor("cl" + WideToString(value), color)) {
                            CurrentColor = color;
                            length = close - i + 1;
                        }
                    }
                }
            }
        }
        if (length > 0) {
            Position += Integer(length);
            i += length;
            continue;
        }
        result += text[i];
        AddTag(line);
        ++Position;
        ++i;
    }
    if (result.empty()) {
        result = u" ";
        AddTag(line);
    }
    text = std::move(result);
}

// ---- Layout object -----------------------------------------------------------------------------

TpvrDrawText::TpvrDrawText()
    : FBitmap(std::make_unique<TBitmap>()), FFont(std::make_unique<TFont>()),
      FTags(std::make_unique<TpvrHTMLTagsList>()), FLines(std::make_unique<TWideStrings>()) {
    FBitmap->SetSize(1, 1);
    FCanvas = FBitmap->GetCanvas();
    FFont->SetName("Arial");
    FFont->SetSize(10);
    SetFont(FFont.get());
}

TpvrDrawText::~TpvrDrawText() = default;

void TpvrDrawText::Lock() {
    while (FBusy) {
        if (Application == nullptr) break;
        Application->ProcessMessages();
    }
    FBusy = true;
}

void TpvrDrawText::Unlock() { FBusy = false; }

void TpvrDrawText::SetFont(TFont* font) {
    TFont* measuring = FCanvas->GetFont();
    if (font != FFont.get()) FFont->Assign(font);
    FFontSize = font->GetSize();
    FFontStyle = font->GetStyle();
    FFontColor = font->GetColor();
    const Integer height = -Integer(Round(FFontSize * Extended(MeasuringResolution) / 72));
    if (measuring->GetName() != font->GetName()) measuring->SetName(font->GetName());
    if (measuring->GetStyle() != font->GetStyle()) measuring->SetStyle(font->GetStyle());
    if (measuring->GetCharset() != font->GetCharset()) measuring->SetCharset(font->GetCharset());
    if (measuring->GetColor() != font->GetColor()) measuring->SetColor(font->GetColor());
    if (measuring->GetHeight() != height) measuring->SetHeight(height);
}

void TpvrDrawText::SetOptions(bool wordWrap, bool htmlTags, Integer rotation, bool clipped, bool wordBreak,
                              bool rtlReading) {
    FWordWrap = wordWrap;
    FTags->TagsEnabled = htmlTags;
    FRotation = ((rotation % 360) + 360) % 360;
    FClipped = clipped;
    FWordBreak = wordBreak;
    FRTLReading = rtlReading;
    FOptions = (rtlReading ? ETO_RTLREADING : 0) | (clipped ? ETO_CLIPPED : 0);
}

void TpvrDrawText::SetGaps(Extended lineSpacing, Extended charSpacing, Extended paragraphGap) {
    FLineSpacing = lineSpacing;
    FCharSpacing = charSpacing;
    FParagraphGap = paragraphGap;
}

void TpvrDrawText::SetDimensions(const TRect& unscaledRect, const TRect& scaledRect, Extended scaleX,
                                 Extended scaleY) {
    FUnscaledRect = unscaledRect;
    FScaledRect = scaledRect;
    FScaleX = scaleX;
    FScaleY = scaleY;
}

Integer TpvrDrawText::GetMeasuringHeight() const { return std::abs(FCanvas->GetFont()->GetHeight()); }

void TpvrDrawText::ApplyMeasuringStyle(const TpvrHTMLTag& tag) {
    TFont* measuring = FCanvas->GetFont();
    if (measuring->GetStyle() != tag.Style) measuring->SetStyle(tag.Style);
}

void TpvrDrawText::MeasureAdvances(const WideString& text, const std::vector<TpvrHTMLTag>& tags,
                                   Integer charSpacing, std::vector<Integer>& advances) {
    const std::size_t n = text.size();
    advances.assign(n, 0);
    if (n == 0) return;
    std::vector<INT> partial;
    std::size_t start = 0;
    while (start < n) {
        std::size_t end = start + 1;
        while (end < n && (end >= tags.size() || tags[end].Default)) ++end;
        if (start < tags.size()) ApplyMeasuringStyle(tags[start]);
        partial.assign(end - start, 0);
        SIZE size{};
        GetTextExtentExPointW(FCanvas->GetHandle(), text.data() + start, int(end - start), 0, nullptr,
                              partial.data(), &size);
        for (std::size_t i = start; i < end; ++i) {
            const Integer before = i == start ? 0 : partial[i - start - 1];
            Integer advance = partial[i - start] - before + charSpacing;
            if (i < tags.size() && tags[i].Small) advance = Integer(Round(advance / 1.5L));
            advances[i] = advance;
        }
        start = end;
    }
    TFont* measuring = FCanvas->GetFont();
    if (measuring->GetStyle() != FFontStyle) measuring->SetStyle(FFontStyle);
}

std::vector<Integer> TpvrDrawText::MeasureLine(Integer index) {
    std::vector<Integer> advances;
    MeasureAdvances(FLines->GetStrings(index), FTags->Items(index).Items, Integer(Round(FCharSpacing * kUnitPixels)),
                    advances);
    return advances;
}

void TpvrDrawText::AddLine(const WideString& text, std::vector<TpvrHTMLTag> tags, Integer flags) {
    FLines->Add(text);
    FLineFlags.push_back(flags);
    FTags->NewLine().Items = std::move(tags);
}

void TpvrDrawText::SetText(TWideStrings* text) {
    FText.clear();
    FLines->Clear();
    FLineFlags.clear();
    FTags->Lines().clear();
    if (text == nullptr || text->GetCount() == 0) return;
    FTags->Init(FFontColor, FFontSize, FFontStyle);
    const bool turned = (FRotation >= 90 && FRotation <= 179) || (FRotation >= 270 && FRotation <= 359);
    const Integer w = turned ? FUnscaledRect.bottom - FUnscaledRect.top : FUnscaledRect.right - FUnscaledRect.left;
    for (Integer i = 0; i < text->GetCount(); ++i) {
        WideString paragraph = text->GetStrings(i);
        if (paragraph.empty()) paragraph = u" ";
        FText += paragraph;
        FText += u"\r\n";
        WrapParagraph(paragraph, Integer(Round(w * kUnitPixels)), Integer(Round(FCharSpacing * kUnitPixels)),
                      Integer(Round((w - FParagraphGap) * kUnitPixels)));
    }
    TFont* measuring = FCanvas->GetFont();
    if (measuring->GetStyle() != FFontStyle) measuring->SetStyle(FFontStyle);
}

void TpvrDrawText::WrapParagraph(const WideString& paragraph, Integer width, Integer charSpacing,
                                 Integer firstWidth) {
    WideString text = paragraph;
    FTags->NewLine();
    FTags->ExpandTags(text);
    FTags->Position += 2;
    std::vector<TpvrHTMLTag> tags = std::move(FTags->Lines().back().Items);
    FTags->Lines().pop_back();

    struct TPiece {
        WideString Text;
        std::vector<TpvrHTMLTag> Tags;
    };
    std::vector<TPiece> pieces;
    auto piece = [&](std::size_t from, std::size_t to, bool hyphen) {
        TPiece p;
        p.Text = text.substr(from, to - from);
        p.Tags.assign(tags.begin() + std::ptrdiff_t(from), tags.begin() + std::ptrdiff_t(to));
        if (hyphen) {
            p.Text += u'-';
            p.Tags.push_back(to > 0 ? tags[to - 1] : TpvrHTMLTag());
        }
        pieces.push_back(std::move(p));
    };

    const std::size_t n = text.size();
    std::vector<Integer> advances;
    if (n > 1 && FWordWrap) MeasureAdvances(text, tags, charSpacing, advances);
    const Int64 total = std::accumulate(advances.begin(), advances.end(), Int64(0));
    if (n <= 1 || !FWordWrap || total < firstWidth) {
        piece(0, n, false);
    } else {
        std::size_t start = 0;
        Integer available = firstWidth;
        while (start < n) {
            Int64 sum = 0;
            std::ptrdiff_t lastBlank = -1;
            std::size_t i = start;
            for (; i < n; ++i) {
                if (text[i] == u' ') lastBlank = std::ptrdiff_t(i);
                sum += advances[i];
                if (sum > available) break;
            }
            if (i >= n) {
                piece(start, n, false);
                break;
            }
            if (lastBlank >= std::ptrdiff_t(start)) {
                const std::size_t wordStart = std::size_t(lastBlank) + 1;
                const Integer k = FWordBreak && i > wordStart ? BestHyphenation(text, wordStart, Integer(i - wordStart)) : 0;
                if (k > 0) {
                    piece(start, wordStart + std::size_t(k), true);
                    start = wordStart + std::size_t(k);
                } else {
                    piece(start, std::size_t(lastBlank), false);
                    start = wordStart;
                }
            } else if (i == start) {
                std::size_t end = start + 1;
                if (IsHighSurrogate(text[start]) && end < n) ++end;
                piece(start, end, false);
                start = end;
            } else {
                const Integer k = FWordBreak ? BestHyphenation(text, start, Integer(i - start)) : 0;
                if (k > 0) {
                    piece(start, start + std::size_t(k), true);
                    start += std::size_t(k);
                } else {
                    piece(start, i, false);
                    start = i;
                }
            }
            available = width;
        }
    }
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        Integer flags = 0;
        if (p == 0) flags |= 1;
        if (p + 1 == pieces.size()) flags |= 2;
        AddLine(pieces[p].Text, std::move(pieces[p].Tags), flags);
    }
}

Extended TpvrDrawText::GetLineHeight() const { return GetMeasuringHeight() / kUnitPixels + FLineSpacing; }

Extended TpvrDrawText::CalcHeight() const { return FLines->GetCount() * GetLineHeight(); }

Extended TpvrDrawText::CalcWidth() const {
    auto* self = const_cast<TpvrDrawText*>(this);
    Extended result = 0;
    for (Integer i = 0; i < FLines->GetCount(); ++i) {
        std::vector<Integer> advances;
        self->MeasureAdvances(FLines->GetStrings(i), FTags->Items(i).Items, 0, advances);
        Extended width = std::accumulate(advances.begin(), advances.end(), Extended(0)) +
                         FLines->GetStrings(i).size() * FCharSpacing * kUnitPixels;
        if (FLineFlags[std::size_t(i)] & 1) width += FParagraphGap * kUnitPixels;
        result = std::max(result, width / kUnitPixels);
    }
    return result;
}

Integer TpvrDrawText::LinesThatFit() const {
    const Extended lineHeight = GetLineHeight();
    if (lineHeight <= 0) return FLines->GetCount();
    const Extended fit = (FUnscaledRect.bottom - FUnscaledRect.top + 1) / lineHeight;
    if (fit <= 0) return 0;
    return Integer(std::min<Extended>(fit, Extended(FLines->GetCount())));
}

Extended TpvrDrawText::UnusedSpace() const {
    const Integer n = LinesThatFit();
    if (n == 0) return 0;
    const Extended result = (FUnscaledRect.bottom - FUnscaledRect.top + 1) - n * GetLineHeight();
    return result == 0 ? 0.0001L : result;
}

WideString TpvrDrawText::GetRemainedText() {
    const Integer n = LinesThatFit();
    const Integer count = FLines->GetCount();
    if (n >= count) return WideString();
    // The first character of the first line that does not fit (an empty line has none).
    const TpvrHTMLTag* first = nullptr;
    for (Integer i = n; i < count && first == nullptr; ++i)
        if (!FTags->Items(i).Items.empty()) first = &FTags->Items(i).Items.front();
    WideString remainder;
    if (first != nullptr) {
        const std::size_t cut = std::min<std::size_t>(std::size_t(std::max(first->Position, 1) - 1), FText.size());
        remainder = FText.substr(cut);
        if (FTags->TagsEnabled) {
            WideString prefix = u"<font color=\"#" + HexColor(first->Color) + u"\">";
            if (first->Style.Contains(fsUnderline)) prefix += u"<u>";
            if (first->Style.Contains(fsItalic)) prefix += u"<i>";
            if (first->Style.Contains(fsBold)) prefix += u"<b>";
            remainder = prefix + remainder;
        }
        FText.resize(cut);
    }
    while (FLines->GetCount() > n) FLines->Delete(FLines->GetCount() - 1);
    FLineFlags.resize(std::size_t(n));
    FTags->Lines().resize(std::size_t(n));
    return remainder;
}

// ---- Drawing -----------------------------------------------------------------------------------

struct TpvrDrawText::TDeviceState {
    HDC DC = nullptr;
    bool Printer = false;
    Extended PixelsX = 96, PixelsY = 96;
    HFONT Font = nullptr;
    HGDIOBJ OldFont = nullptr;
    Integer FontSize = -1;
    TFontStyles FontStyle;
    bool HaveStyle = false;
    TColor FontColor = -1;
    Integer Escapement = 0;

    ~TDeviceState() {
        if (OldFont) SelectObject(DC, OldFont);
        if (Font) DeleteObject(Font);
    }
};

namespace {

// The device font's height (negative: the character height) for a size in points. It is at
// least one pixel: a height of 0 would ask the device for its default size, and text on a page
// shown very small would come out larger than at 100 %.
Integer DeviceFontHeight(bool printer, Extended pixelsY, Extended scaleY, Integer size) {
    const Extended pixels = printer ? size * pixelsY / 72 : size * scaleY * 96 / 72;
    return -std::max<Integer>(1, Integer(Round(pixels)));
}

} // namespace

void TpvrDrawText::DrawText(TCanvas* canvas, TpvrHAlign hAlign, TpvrVAlign vAlign) {
    const Integer lines = FLines->GetCount();
    if (lines == 0 || canvas == nullptr) return;
    TDeviceState state;
    state.DC = canvas->GetHandle();
    state.Printer = IsPrinterCanvas(canvas);
    if (state.Printer) {
        state.PixelsX = GetDeviceCaps(state.DC, LOGPIXELSX);
        state.PixelsY = GetDeviceCaps(state.DC, LOGPIXELSY);
    }
    state.Escapement = FRotation * 10;

    const Integer deviceHeight = std::abs(DeviceFontHeight(state.Printer, state.PixelsY, FScaleY, FFontSize));
    const Integer measuring = GetMeasuringHeight();
    const Integer blockHeight =
        state.Printer
            ? Integer(Round(lines * (measuring * state.PixelsY / MeasuringResolution + FLineSpacing * FScaleY)))
            : Integer(Round(lines * (measuring / kUnitPixels + FLineSpacing) * FScaleY));
    std::vector<Integer> steps(std::size_t(lines), Integer(Round(FLineSpacing * FScaleY)) + deviceHeight);
    SpreadPixels(steps, blockHeight - std::accumulate(steps.begin(), steps.end(), 0));

    const Integer L = FScaledRect.left, T = FScaledRect.top, R = FScaledRect.right, B = FScaledRect.bottom;
    const Integer W = R - L, H = B - T;
    const long double angle = FRotation * 3.14159265358979323846L / 180;
    const long double sn = std::sin(angle), cs = std::cos(angle);
    const long double s = std::fabs(sn), c = std::fabs(cs);
    Extended x = L, y = T;
    Integer length = W;
    switch (FRotation) {
    case 0:
    case 90:
    case 180:
    case 270: {
        Integer freeHeight = H - blockHeight;
        if (FRotation == 0) {
            x = L, y = T;
        } else if (FRotation == 90) {
            x = L, y = B, length = H, freeHeight = W - blockHeight;
        } else if (FRotation == 180) {
            x = R, y = B;
        } else {
            x = R, y = T, length = H, freeHeight = W - blockHeight;
        }
        const Integer move = vAlign == vaBottom ? freeHeight : vAlign == vaCenter ? freeHeight / 2 : 0;
        x += Round(move * sn);
        y += Round(move * cs);
        break;
    }
    default: {
        length = Integer(Round((W - s * blockHeight) / c));
        if (FRotation < 90) {
            x = L, y = T + Round(s * length);
        } else if (FRotation < 180) {
            x = L + Round(c * length), y = B;
        } else if (FRotation < 270) {
            x = R, y = B - Round(s * length);
        } else {
            x = L + Round(s * blockHeight), y = T;
        }
        // The corners of the turned block, relative to its start.
        const long double bx = cs * length, by = -sn * length;
        const long double vx = sn * blockHeight, vy = cs * blockHeight;
        const long double ys[] = {0, by, vy, by + vy};
        const long double low = *std::max_element(std::begin(ys), std::end(ys));
        const long double high = *std::min_element(std::begin(ys), std::end(ys));
        (void)bx;
        (void)vx;
        const bool upwards = FRotation > 90 && FRotation < 270;
        const Integer freeHeight = upwards ? Integer(Round(y + high - T)) : Integer(Round(B - (y + low)));
        Integer move = vAlign == vaBottom ? freeHeight : vAlign == vaCenter ? freeHeight / 2 : 0;
        if (move < 0) move = 0;
        y += upwards ? -move : move;
        break;
    }
    }

    const int oldMode = SetBkMode(state.DC, TRANSPARENT);
    const Integer indent = Integer(Round(FParagraphGap * FScaleX));
    for (Integer i = 0; i < lines; ++i) {
        const Integer flags = FLineFlags[std::size_t(i)];
        TpvrHAlign align = hAlign;
        Integer lineIndent = 0;
        if ((flags & 1) && (hAlign == haLeft || hAlign == haBlock)) lineIndent = indent;
        if ((flags & 2) && hAlign == haBlock) align = FRTLReading ? haRight : haLeft;
        DrawLine(state, i, Integer(Round(x + lineIndent * cs)), Integer(Round(y - lineIndent * sn)),
                 length - lineIndent, align);
        x += Round(steps[std::size_t(i)] * sn);
        y += Round(steps[std::size_t(i)] * cs);
    }
    SetBkMode(state.DC, oldMode);
}

void TpvrDrawText::DrawLine(TDeviceState& state, Integer index, Integer x, Integer y, Integer available,
                            TpvrHAlign hAlign) {
    const WideString text = FLines->GetStrings(index);
    const std::vector<TpvrHTMLTag>& tags = FTags->Items(index).Items;
    const std::size_t n = text.size();
    if (n == 0) return;

    auto selectFont = [&](const TpvrHTMLTag* tag) {
        const Integer size = tag ? tag->Size : FFontSize;
        const TFontStyles style = tag ? tag->Style : FFontStyle;
        const TColor color = tag ? tag->Color : FFontColor;
        if (state.Font == nullptr || size != state.FontSize || !state.HaveStyle || !(style == state.FontStyle)) {
            LOGFONTW lf{};
            lf.lfHeight = LONG(DeviceFontHeight(state.Printer, state.PixelsX, FScaleY, size));
            lf.lfEscapement = state.Escapement;
            lf.lfOrientation = state.Escapement;
            lf.lfWeight = style.Contains(fsBold) ? 700 : 400;
            lf.lfItalic = style.Contains(fsItalic) ? 1 : 0;
            lf.lfUnderline = style.Contains(fsUnderline) ? 1 : 0;
            lf.lfStrikeOut = style.Contains(fsStrikeOut) ? 1 : 0;
            lf.lfCharSet = FFont->GetCharset();
            const WideString face = StringToWide(FFont->GetName());
            std::copy_n(face.begin(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1), lf.lfFaceName);
            HFONT font = CreateFontIndirectW(&lf);
            HGDIOBJ old = SelectObject(state.DC, font);
            if (state.OldFont == nullptr) state.OldFont = old;
            if (state.Font) DeleteObject(state.Font);
            state.Font = font;
            state.FontSize = size;
            state.FontStyle = style;
            state.HaveStyle = true;
        }
        if (color != state.FontColor) {
            SetTextColor(state.DC, COLORREF(ColorToRGB(color)));
            state.FontColor = color;
        }
    };

    // Runs of characters of one style.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t start = 0; start < n;) {
        std::size_t end = start + 1;
        while (end < n && (end >= tags.size() || tags[end].Default)) ++end;
        runs.emplace_back(start, end);
        start = end;
    }

    // The device's own advances, then forced to the measured width.
    const Integer deviceSpacing = Integer(Round(FCharSpacing * FScaleX));
    std::vector<INT> advances(n, 0);
    std::vector<INT> partial;
    for (const auto& [start, end] : runs) {
        selectFont(start < tags.size() ? &tags[start] : nullptr);
        partial.assign(end - start, 0);
        SIZE size{};
        GetTextExtentExPointW(state.DC, text.data() + start, int(end - start), 0, nullptr, partial.data(), &size);
        for (std::size_t i = start; i < end; ++i)
            advances[i] = partial[i - start] - (i == start ? 0 : partial[i - start - 1]) + deviceSpacing;
    }
    std::vector<Integer> measured;
    MeasureAdvances(text, tags, Integer(Round(FCharSpacing * kUnitPixels)), measured);
    const Int64 measuredWidth =
        std::accumulate(measured.begin(), measured.end(), Int64(0)) - Integer(Round(FCharSpacing * kUnitPixels));
    const Int64 deviceWidth = std::accumulate(advances.begin(), advances.end(), Int64(0)) - deviceSpacing;
    const Integer target = state.Printer ? Integer(Round(measuredWidth * state.PixelsX / MeasuringResolution))
                                         : Integer(Round(measuredWidth / kUnitPixels * FScaleX));
    std::vector<Integer> spread(advances.begin(), advances.end());
    SpreadPixels(spread, Integer(target - deviceWidth));

    const Integer freeWidth = available - target;
    Integer shift = 0;
    switch (hAlign) {
    case haLeft:
        break;
    case haRight:
        shift = freeWidth + 1 - 1;
        if (FRotation == 0 && (FFontStyle.Contains(fsBold) || FFontStyle.Contains(fsItalic))) shift -= 1;
        break;
    case haCenter:
        shift = freeWidth / 2;
        break;
    case haBlock: {
        std::vector<std::size_t> blanks;
        for (std::size_t i = 0; i < n; ++i)
            if (text[i] == u' ' || text[i] == 0xA0) blanks.push_back(i);
        if (!blanks.empty() && freeWidth > 0) {
            const Integer each = freeWidth / Integer(blanks.size());
            const Integer rest = freeWidth % Integer(blanks.size());
            for (std::size_t b = 0; b < blanks.size(); ++b) spread[blanks[b]] += each + (Integer(b) < rest ? 1 : 0);
        }
        break;
    }
    }

    const long double angle = FRotation * 3.14159265358979323846L / 180;
    const long double sn = std::sin(angle), cs = std::cos(angle);
    const RECT* clip = FClipped ? &FScaledRect : nullptr;
    Int64 along = shift;
    std::vector<INT> dx;
    for (const auto& [start, end] : runs) {
        const TpvrHTMLTag* tag = start < tags.size() ? &tags[start] : nullptr;
        selectFont(tag);
        const Integer lower = tag ? Integer(Round(tag->BaselineShift * tag->Size * FScaleY)) : 0;
        dx.assign(spread.begin() + std::ptrdiff_t(start), spread.begin() + std::ptrdiff_t(end));
        const Integer px = x + Integer(Round(along * cs + lower * sn));
        const Integer py = y + Integer(Round(-along * sn + lower * cs));
        ExtTextOutW(state.DC, px, py, FOptions & ~UINT(FClipped ? 0 : ETO_CLIPPED), clip, text.data() + start,
                    UINT(end - start), dx.data());
        along += std::accumulate(dx.begin(), dx.end(), Int64(0));
    }
}

TpvrDrawText* TpvrReport::GetDrawText() {
    if (!FDrawText) FDrawText = std::make_unique<TpvrDrawText>();
    return FDrawText.get();
}

TpvrDrawText* GlobalDrawText() {
    static TpvrDrawText* instance = new TpvrDrawText();
    return instance;
}

#include "app/MacType.h"

#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"

TMacType::TMacType(const String& code, Integer channelCount, const String& displayName)
    : Code(code), DisplayName(displayName), ChannelCount(channelCount) {}

void TMacType::SetLimits(double maxFreq, double minFreq) {
    MaxFreq = maxFreq;
    MinFreq = minFreq;
}

void TMacType::AddBand(const String& text) { Bands.push_back(text); }

void TMacType::SetDefaultBand(const String& text) { DefaultBand = text; }

void TMacType::SetGapBlocks(Integer n) { GapBlocks = n; }

TMacType* TMacList::AddModel(std::unique_ptr<TMacType> descriptor) {
    FModels.push_back(std::move(descriptor));
    return FModels.back().get();
}

Integer TMacList::Count() const { return static_cast<Integer>(FModels.size()); }

TMacType* TMacList::ModelAt(Integer index) const {
    if (index < 0) throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
    if (index >= Count()) return nullptr;
    return FModels[static_cast<std::size_t>(index)].get();
}

TMacType* TMacList::FindModelByName(const String& text) const {
    for (const auto& model : FModels)
        if (model->DisplayName == text) return model.get();
    return nullptr;
}

TMacType* TMacList::FindModelByCode(const String& text) const {
    for (const auto& model : FModels)
        if (model->Code == text) return model.get();
    return nullptr;
}

void TMacList::ListModelNames(std::vector<String>& strings) const {
    strings.clear();
    for (const auto& model : FModels)
        strings.push_back(model->DisplayName);
}

void TFrqList::AddBand(const String& text, Integer code) {
    FBands.push_back({text, static_cast<Byte>(code)});
}

Integer TFrqList::Count() const { return static_cast<Integer>(FBands.size()); }

Integer TFrqList::BandCodeOf(const String& text) const {
    if (FBands.empty()) return 0;
    for (const TBand& band : FBands)
        if (band.Text == text) return band.Code;
    return FBands.front().Code;
}

String TFrqList::BandTextOf(Integer code) const {
    if (FBands.empty()) return String();
    for (const TBand& band : FBands)
        if (band.Code == code) return band.Text;
    return FBands.front().Text;
}

void FillBandCodeTable(TFrqList& list) {
    // The first row is the fall-back of every lookup, so it must stay first.
    static const struct {
        const char* Text;
        Integer Code;
    } table[] = {
        {" 27 -  72MHz", 253}, {"136 - 150MHz", 241}, {"136 - 174MHz", 242}, {"150 - 174MHz", 240},
        {"216 - 223MHz", 243}, {"350 - 370MHz", 250}, {"350 - 390MHz", 251}, {"370 - 390MHz", 252},
        {"400 - 420MHz", 248}, {"400 - 470MHz", 247}, {"440 - 480MHz", 249}, {"450 - 470MHz", 244},
        {"450 - 490MHz", 245}, {"470 - 650MHz", 246},
    };
    for (const auto& row : table)
        list.AddBand(row.Text, row.Code);
}

String ModelBandOf(const TMacType& model, const TFrqList& bands, Integer code) {
    const String text = bands.BandTextOf(code);
    for (const String& band : model.Bands)
        if (band == text && bands.BandCodeOf(text) == code) return band;
    return model.DefaultBand;
}

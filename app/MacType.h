// Radio model descriptors, the model list and the band list.
#pragma once

#include <memory>
#include <vector>

#include "platform/runtime/RtlTypes.h"

// One radio model: its code, name, channel count, frequency limits and bands.
class TMacType {
public:
    TMacType(const String& code, Integer channelCount, const String& displayName);

    void SetLimits(double maxFreq, double minFreq); // MHz, highest first
    void AddBand(const String& text);
    void SetDefaultBand(const String& text);
    void SetGapBlocks(Integer n);

    String Code; // four characters; the key of the model list
    String DisplayName;
    Integer ChannelCount = 0;
    double MaxFreq = 0; // MHz
    double MinFreq = 0; // MHz
    std::vector<String> Bands;
    // 16-byte blocks between the channel area and the message area of the radio memory.
    Integer GapBlocks = 0;
    String DefaultBand;
};

// The models in insertion order. The list keeps its descriptors alive as long as it lives.
class TMacList {
public:
    // Appends the descriptor, filed under its Code; returns it.
    TMacType* AddModel(std::unique_ptr<TMacType> descriptor);
    Integer Count() const;
    // nullptr past the last entry; a negative index raises EStringListError.
    TMacType* ModelAt(Integer index) const;
    // The first descriptor whose DisplayName (Code) equals the text exactly, or nullptr.
    TMacType* FindModelByName(const String& text) const;
    TMacType* FindModelByCode(const String& text) const;
    // Clears the list, then appends every DisplayName in list order.
    void ListModelNames(std::vector<String>& strings) const;

private:
    std::vector<std::unique_ptr<TMacType>> FModels;
};

// Band texts (" 27 -  72MHz") with their one-byte band codes, in insertion order.
class TFrqList {
public:
    void AddBand(const String& text, Integer code);
    Integer Count() const;
    // Unknown texts and codes fall back to the first pair (the order of insertion matters).
    Integer BandCodeOf(const String& text) const;
    String BandTextOf(Integer code) const;

private:
    struct TBand {
        String Text;
        Byte Code;
    };
    std::vector<TBand> FBands;
};

// Fills a band list with the fixed band code table.
void FillBandCodeTable(TFrqList& list);

// The band a model record's code names for a model: the code's band when the model offers it,
// otherwise the model's default band (a blank memory's 0xFF, or a band of no use to the model,
// would leave the program checking frequencies against edges the radio cannot reach).
String ModelBandOf(const TMacType& model, const TFrqList& bands, Integer code);

// The data file: its layout, encoding it whole in memory, and the safe replacement of a file.
#include <cstring>

#include "app/AllClass.h"
#include "app/ChInfo.h"
#include "app/MainFrm.h"
#include "grid/Tambor.h"
#include "platform/classlib/StdCtrls.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Files.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Numbers.h"
#include "platform/runtime/Prompts.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "suite/editors/qzDropDownEdit.h"

namespace {

// Records after the gap: settings B, four text records, settings A and the model record.
constexpr Integer kRecordsAfterGap = 7;
constexpr Integer kBitmapRecords = 4;
constexpr std::size_t kRecordSize = sizeof(TRecord16);

String SystemReason(int error) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    return String(strerror_r(error, buffer, sizeof buffer));
}


// The date text of the header, "yyyy-MM-dd HH:mm", whatever the locale's separators.
String HeaderDateText(TDateTime saved) {
    Word year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(saved, year, month, day);
    DecodeTime(saved, hour, minute, second, msec);
    return Format("%.4d-%.2d-%.2d %.2d:%.2d",
                  {Integer(year), Integer(month), Integer(day), Integer(hour), Integer(minute)});
}

void Append(String& image, const TRecord16& record) {
    image.append(reinterpret_cast<const char*>(record.data()), record.size());
}

// Up to 16 bytes of a message line from a 0-based byte offset; the lines are bytes, not text.
String LinePart(const String& line, std::size_t offset) {
    return offset < line.size() ? line.substr(offset, kRecordSize) : String();
}


// The channel table's cells; writes are direct assignments (no checks, no notices).
class TChannelCells : public IChannelCells {
public:
    explicit TChannelCells(TTambor& grid) : FGrid(grid) {}
    String GetForeText(Integer col, Integer row) const override { return FGrid.ReadForeText(col, row); }
    String GetBackText(Integer col, Integer row) const override { return FGrid.ReadBackText(col, row); }
    void SetForeText(Integer col, Integer row, const String& text) override {
        FGrid.CellAt(col, row).ForeText = text;
    }
    void SetBackText(Integer col, Integer row, const String& text) override {
        FGrid.CellAt(col, row).BackText = text;
    }

private:
    TTambor& FGrid;
};

// At most `count` bytes of an open file; fewer only where the file ends. A read that fails
// raises EFOpenError "Cannot open file "<name>". <reason>" rather than pass for a short file.
String ReadBytes(TFileStream& stream, std::size_t count) {
    String bytes(count, '\0');
    const Integer done = stream.Read(bytes.data(), Integer(count));
    if (const int error = stream.GetReadError())
        throw EFOpenError("Cannot open file \"" + stream.GetFileName() + "\". " + SystemReason(error));
    bytes.resize(std::size_t(done));
    return bytes;
}

// Record `index` of a file image; false when the file ends before the record does.
bool RecordAt(const String& image, Integer index, TRecord16& record) {
    const std::size_t offset = std::size_t(index) * kRecordSize;
    if (index < 0 || offset + kRecordSize > image.size()) return false;
    std::memcpy(record.data(), image.data() + offset, kRecordSize);
    return true;
}

String ItemOf(TqzComboBox* editor, const String& indexText) {
    Integer index = -1;
    if (!editor || !TryStrToInt(indexText, index)) return String();
    TStrings* items = editor->GetProperties()->GetItems();
    return index >= 0 && index < items->GetCount() ? items->GetStrings(index) : String();
}

// The band of the model whose edges are these, or the model's default band.
String BandWithEdges(const TMacType& model, double low, double high) {
    for (const String& band : model.Bands) {
        double bandLow = 0, bandHigh = 0;
        ParseBandText(band, bandLow, bandHigh);
        if (bandLow == low && bandHigh == high) return band;
    }
    return model.DefaultBand;
}

} // namespace

Integer DataFileRecordCount(const TMacType& model) {
    // The header, N channels and G - 1 blank records, then the records after the gap.
    Integer count = model.ChannelCount + model.GapBlocks + kRecordsAfterGap;
    if (model.ChannelCount > 16) count += kBitmapRecords;
    return count;
}

String EncodeDataFile(const IChannelCells& cells, Integer channelRows, const String& noneText,
                      TDateTime saved) {
    const TBWriteRead codec;
    TALL& state = *AppState;
    state.UsedBits.clear();
    state.ScanBits.clear();

    String image;
    TRecord16 record;
    const String bandEdges =
        FloatToChannelText("000", state.BandLow) + FloatToChannelText("000", state.BandHigh);
    codec.EncodeHeader(record, HeaderDateText(saved), bandEdges, "P" + state.ModelCode);
    Append(image, record);

    for (Integer row = 2; row <= channelRows + 1; ++row) {
        codec.EncodeChannelRow(record, cells, row, noneText);
        Append(image, record);
    }

    const Integer gapBlocks = state.CurrentModel ? state.CurrentModel->GapBlocks : 0;
    codec.FillBlank(record);
    for (Integer i = 1; i < gapBlocks; ++i)
        Append(image, record);

    codec.EncodeSettingsB(record);
    Append(image, record);
    for (const String* line : {&MessageLines->LineA, &MessageLines->LineB})
        for (std::size_t offset : {std::size_t(0), kRecordSize}) {
            codec.EncodeText(record, LinePart(*line, offset));
            Append(image, record);
        }
    codec.EncodeSettingsA(record);
    Append(image, record);
    codec.EncodeModelRecord(record, BandList->BandCodeOf(state.BandText));
    Append(image, record);

    if (state.CurrentModel && state.CurrentModel->ChannelCount > 16)
        for (const String* bits : {&state.UsedBits, &state.ScanBits})
            for (Integer from : {1, 129}) {
                codec.EncodeBitmap(record, Copy(*bits, from, 128));
                Append(image, record);
            }
    return image;
}


// ---- The window's file commands -----------------------------------------------------------------

void TfMainFrm::WriteDataFile() {
    if (!fChInfo) ShowChannelWindow();
    TTambor& grid = *fChInfo->gvData;
    const TChannelCells cells(grid);
    const String image = EncodeDataFile(cells, grid.GetRowCount() - 2, fChInfo->lNone->GetCaption(), Now());
    WriteFileSafely(FileName, image);
    AppState->Modified = false;
}

bool TfMainFrm::ReadDataFile() {
    const TBWriteRead codec;
    auto refuse = [this] {
        FileName.clear();
        ShowPrompt(PromptTexts->Confirmation, PromptTexts->ModError, 1);
        return false;
    };

    // Everything is read and checked before anything changes.
    TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
    String image = ReadBytes(stream, kRecordSize);
    TRecord16 record;
    if (!RecordAt(image, 0, record)) return refuse();
    String dateText, bandEdges, modelText;
    codec.DecodeHeader(record, dateText, bandEdges, modelText);
    TMacType* model = ModelList->FindModelByCode(Trim(Copy(modelText, 2, 4)));
    if (!model) return refuse();
    const double bandLow = double(StrToFloat(Copy(bandEdges, 1, 3)));
    const double bandHigh = double(StrToFloat(Copy(bandEdges, 4, 3)));
    // The bitmap records of a larger model are not read.
    const Integer channels = model->ChannelCount;
    const Integer afterGap = channels + model->GapBlocks;
    image += ReadBytes(stream, std::size_t(afterGap + kRecordsAfterGap - 1) * kRecordSize);

    TALL& state = *AppState;
    state.FileDate = dateText;
    state.BandLow = bandLow;
    state.BandHigh = bandHigh;
    state.UseModel(*model);

    if (!fChInfo) ShowChannelWindow();
    TfChInfo& window = *fChInfo;
    window.ResetRows();
    TTambor& grid = *window.gvData;
    TChannelCells cells(grid);
    const String noneText = window.lNone->GetCaption();
    grid.SetAutoUpdate(false);
    for (Integer row = 2; row <= grid.GetRowCount() - 1 && row <= channels + 1; ++row) {
        if (!RecordAt(image, row - 1, record) || !codec.DecodeChannelRow(record, cells, row)) continue;
        grid.CellAt(ccInUse, row).BackText = "1";
        grid.CellAt(ccTx, row).ReadOnly = false;
        for (Integer col : {ccDecodeTone, ccEncodeTone})
            if (grid.CellAt(col, row).ForeText.empty()) grid.CellAt(col, row).ForeText = noneText;
        const std::pair<Integer, TqzComboBox*> options[] = {{ccTxPower, window.cbfsgl},
                                                            {ccWideNarrow, window.cbkz},
                                                            {ccScanAdd, window.cbHave},
                                                            {ccBeatShift, window.cbHave},
                                                            {ccBusyLockout, window.cbHave}};
        for (const auto& [col, list] : options)
            grid.CellAt(col, row).ForeText = ItemOf(list, grid.CellAt(col, row).BackText);
    }
    grid.SetAutoUpdate(true);
    grid.Invalidate();

    // A settings record the file does not hold leaves its settings at their defaults.
    FunctionSettings->ResetFunctionSettings();
    if (RecordAt(image, afterGap, record)) codec.DecodeSettingsB(record);
    String texts[4];
    for (Integer i = 0; i < 4; ++i)
        if (RecordAt(image, afterGap + 1 + i, record)) texts[i] = codec.DecodeText(record);
    MessageLines->LineA = texts[0] + texts[1];
    MessageLines->LineB = texts[2] + texts[3];
    if (RecordAt(image, afterGap + 5, record)) codec.DecodeSettingsA(record);
    if (RecordAt(image, afterGap + 6, record)) {
        Integer bandCode = 0;
        // A record naming no known model (a blank one's 0xFF bytes) leaves the header's model.
        codec.DecodeModelRecord(record, *model, state.ModelCode, bandCode);
        // A code that names none of the model's bands (0xFF of a blank record, another model's
        // band) gives the model's default band, as a radio read does.
        state.UseBand(ModelBandOf(*model, *BandList, bandCode));
    } else {
        // Without a model record the header's model stays, in the band of the header's edges.
        state.UseBand(BandWithEdges(*model, bandLow, bandHigh));
    }

    RefreshStatus();
    state.Modified = false;
    return true;
}

bool TfMainFrm::SaveFile(Integer kind) {
    if (kind != 0 && kind != 1) return false;
    try {
        WriteDataFile();
        return true;
    } catch (Exception& e) {
        Application->ShowException(&e);
        return false;
    }
}

bool TfMainFrm::SaveData(Integer tag) {
    String target = tag == 4 ? String() : FileName;
    if (target.empty()) {
        if (!sdSave->Execute()) {
            RefreshStatus();
            return false;
        }
        target = sdSave->GetFileName();
    }
    const String previous = FileName;
    FileName = target;
    const bool saved = SaveFile(0);
    if (!saved) FileName = previous;
    RefreshStatus();
    return saved;
}

bool TfMainFrm::SaveBeforeDiscard() {
    if (!AppState->Modified) return true;
    if (ShowPrompt(PromptTexts->Confirmation, PromptTexts->SaveProgram, 2) != IDYES) return true;
    return SaveData(3);
}

void TfMainFrm::NewData() {
    if (!SaveBeforeDiscard()) return;
    ResetSettingsAndMessages();
    if (!fChInfo) ShowChannelWindow();
    fChInfo->ResetRows();
    FileName.clear();
    RefreshStatus();
    AppState->Modified = false;
}

void TfMainFrm::OpenData() {
    if (!SaveBeforeDiscard()) return;
    if (!odOpen->Execute()) return;
    const String previous = FileName;
    FileName = odOpen->GetFileName();
    try {
        ReadDataFile();
    } catch (Exception& e) {
        FileName = previous;
        RefreshStatus();
        Application->ShowException(&e);
        return;
    }
    RefreshStatus();
}

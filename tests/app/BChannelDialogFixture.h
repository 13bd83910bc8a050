// The dialogs that read and write the channel table, over a channel window of the test's own in
// an MDI frame, as the main window holds it in the program.
#pragma once

#include <string>
#include <vector>

#include "app/ChInfo.h"
#include "grid/Tambor.h"
#include "tests/app/DialogFixture.h"

namespace apptest {

// The frame the channel window lives in, as the main window holds it in the program.
class TBDialogTestFrame : public TForm {
    KOV_CLASS(TBDialogTestFrame, TForm)
public:
    explicit TBDialogTestFrame(TComponent* owner) : TForm(owner, TCreateNew{}) {
        SetFormStyle(fsMDIForm);
        SetCaption("KOV-571");
        SetBounds(0, 0, 900, 640);
    }
};

// With a channel window of its own (16 channels) in an MDI frame, as the dialogs that read and
// write the channel table need it, and the band 400 - 470MHz.
class BChannelDialogFixture : public DialogFixture {
protected:
    ~BChannelDialogFixture() override { fChInfo = nullptr; }

    // Starts the data module and opens the channel window.
    void StartWithChannels() {
        Start("400 - 470MHz");
        App->CreateForm(Frame);
        Frame->Show();
        Pump();
        fChInfo = new TfChInfo(Frame);
        Pump();
        Grid = fChInfo->gvData;
    }

    String Fore(Integer col, Integer row) const { return Grid->ReadForeText(col, row); }
    String Back(Integer col, Integer row) const { return Grid->ReadBackText(col, row); }
    bool TxLocked(Integer row) const { return Grid->CellAt(3, row).ReadOnly; }
    // The fore texts of columns 2..10 of a row.
    std::vector<String> Row(Integer row) const {
        std::vector<String> texts;
        for (Integer col = 2; col <= 10; ++col)
            texts.push_back(Fore(col, row));
        return texts;
    }
    // The back texts of columns 1 and 6..10 of a row.
    std::vector<String> Marks(Integer row) const {
        std::vector<String> texts{Back(1, row)};
        for (Integer col = 6; col <= 10; ++col)
            texts.push_back(Back(col, row));
        return texts;
    }
    // A channel written through the grid's checked write, as typed into the channel window.
    void Program(Integer channel, const String& rx) { Grid->WriteForeText(2, channel + 1, rx); }

    TBDialogTestFrame* Frame = nullptr;
    TTambor* Grid = nullptr;
};

} // namespace apptest

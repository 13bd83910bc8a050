// The window in which the preview edits the paper size, orientation and margins of a page.
#pragma once

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/classlib/StdCtrls.h"

class TpvrReport;
class TpvrReportPage;

class TpvrPageSettingsForm : public TForm {
    KOV_CLASS(TpvrPageSettingsForm, TForm)
public:
    explicit TpvrPageSettingsForm(TComponent* owner);

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormHide(TObject* sender);
    void FormKeyDown(TObject* sender, Word& key, TShiftState shift);
    void PortraitRBClick(TObject* sender);
    void SizeCBClick(TObject* sender);
    void WidthEChange(TObject* sender);
    bool ApplyToAll() const;

    // Millimetres in the display unit and back: centimetres (0, 2, 3) or inches (1).
    static Extended ToUnits(Integer units, Extended mm);
    static Extended FromUnits(Integer units, Extended value);

    TpvrReportPage* Page = nullptr;
    TpvrReport* Report = nullptr;
    // Read from the report's settings when it is shown with a report.
    Integer Units = 0;

    TButton* OKB = nullptr;
    TButton* CancelB = nullptr;
    TGroupBox* SizeL = nullptr;
    TComboBox* SizeCB = nullptr;
    TLabel* WidthL = nullptr;
    TEdit* WidthE = nullptr;
    TLabel* HeightL = nullptr;
    TEdit* HeightE = nullptr;
    TGroupBox* OrientationL = nullptr;
    TRadioButton* PortraitRB = nullptr;
    TRadioButton* LandscapeRB = nullptr;
    TImage* PortraitImg = nullptr;
    TImage* LandscapeImg = nullptr;
    TGroupBox* MarginsL = nullptr;
    TLabel* LeftL = nullptr;
    TEdit* MarginLeftE = nullptr;
    TLabel* TopL = nullptr;
    TEdit* MarginTopE = nullptr;
    TLabel* RightL = nullptr;
    TEdit* MarginRightE = nullptr;
    TLabel* BottomL = nullptr;
    TEdit* MarginBottomE = nullptr;
    TGroupBox* OtherL = nullptr;
    TRadioButton* ApplyToCurRB = nullptr;
    TRadioButton* ApplyToAllRB = nullptr;
    TLabel* UnitLabels[6] = {};

private:
    void ShowSize(Extended width, Extended height);
    Integer ChosenPaper() const;

    bool FUpdating = false;
};

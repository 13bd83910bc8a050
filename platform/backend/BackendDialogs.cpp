// The class library's common dialogs shown with Qt. While one of them runs its own loop, our
// messages, timers and cross-thread sends keep being served.
#include "platform/backend/BackendDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QRadioButton>
#include <QSpinBox>
#include <QTranslator>
#include <QVBoxLayout>

#include <functional>
#include <utility>

#include "platform/backend/Backend.h"
#include "platform/backend/BackendQt.h"
#include "platform/classlib/Dialogs.h"
#include "platform/runtime/SysInfo.h"

namespace {

QString Q(const String& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
String S(const QString& text) {
    QByteArray bytes = text.toUtf8();
    return String(bytes.constData(), std::size_t(bytes.size()));
}

// The dialogs' own texts in the user's language, as the desktop's dialogs show them.
QString Text(const char* english, const char* chinese) {
    return QString::fromUtf8(PlatformTextsChinese() ? chinese : english);
}

// While a dialog runs, Qt's own texts (buttons, the file dialog's captions and labels) are those
// of the user's language: Qt's translation of it is installed, and taken away afterwards.
class TPlatformTranslation {
public:
    TPlatformTranslation() {
        if (!PlatformTextsChinese()) return;
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (FTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                             QStringLiteral("_"), folder))
            FInstalled = QCoreApplication::installTranslator(&FTranslator);
    }
    ~TPlatformTranslation() {
        if (FInstalled) QCoreApplication::removeTranslator(&FTranslator);
    }
    TPlatformTranslation(const TPlatformTranslation&) = delete;
    TPlatformTranslation& operator=(const TPlatformTranslation&) = delete;

private:
    QTranslator FTranslator;
    bool FInstalled = false;
};

std::function<void()>& WhenShows() {
    static std::function<void()> action;
    return action;
}

// Runs a dialog of Qt's own with our loop served meanwhile.
int RunDialog(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    if (std::function<void()> action = std::exchange(WhenShows(), nullptr))
        QMetaObject::invokeMethod(&dialog, [action] { BackendGuard(action); }, Qt::QueuedConnection);
    TQtBackend* backend = BackendInstance();
    if (backend) backend->EnterForeignLoop();
    int result = dialog.exec();
    if (backend) backend->LeaveForeignLoop();
    return result;
}

QColor QtColor(TColor color) {
    Integer rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor OurColor(const QColor& c) { return TColor(c.red() | (c.green() << 8) | (c.blue() << 16)); }

QComboBox* PrinterBox(const std::vector<String>& printers, const String& current) {
    auto* box = new QComboBox;
    for (const String& name : printers)
        box->addItem(Q(name));
    int index = box->findText(Q(current));
    if (index >= 0) box->setCurrentIndex(index);
    return box;
}

class TQtDialogPresenter : public TDialogPresenter {
public:
    TFileDialogAnswer ChooseFile(const TFileDialogRequest& request) override {
        TPlatformTranslation translation;
        QFileDialog dialog(nullptr, Q(request.Title));
        dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.Save ? QFileDialog::AnyFile
                           : request.MultiSelect ? QFileDialog::ExistingFiles
                           : request.FileMustExist ? QFileDialog::ExistingFile
                                                   : QFileDialog::AnyFile);
        if (!request.OverwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
        QStringList filters;
        for (const auto& [description, masks] : request.Filters) {
            QString patterns = Q(masks);
            patterns.replace(';', ' ');
            filters << Q(description) + " (" + patterns + ")";
        }
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            int index = request.FilterIndex - 1;
            if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
        }
        if (!request.InitialDir.empty()) dialog.setDirectory(Q(request.InitialDir));
        if (!request.FileName.empty()) dialog.selectFile(Q(request.FileName));
        if (!request.DefaultExt.empty()) dialog.setDefaultSuffix(Q(request.DefaultExt));
        TFileDialogAnswer answer;
        if (RunDialog(dialog) != QDialog::Accepted) return answer;
        answer.Accepted = true;
        for (const QString& file : dialog.selectedFiles())
            answer.Files.push_back(S(file));
        answer.FilterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (answer.FilterIndex <= 0) answer.FilterIndex = request.FilterIndex;
        return answer;
    }

    bool ChooseFont(TFontChoice& font) override {
        QFont initial(Q(font.Name), font.Size);
        initial.setBold(font.Style.Contains(fsBold));
        initial.setItalic(font.Style.Contains(fsItalic));
        initial.setUnderline(font.Style.Contains(fsUnderline));
        initial.setStrikeOut(font.Style.Contains(fsStrikeOut));
        TPlatformTranslation translation;
        QFontDialog dialog(initial);
        if (RunDialog(dialog) != QDialog::Accepted) return false;
        QFont chosen = dialog.selectedFont();
        font.Name = S(chosen.family());
        font.Size = chosen.pointSize() > 0 ? chosen.pointSize() : font.Size;
        font.Style = TFontStyles();
        if (chosen.bold()) font.Style.Include(fsBold);
        if (chosen.italic()) font.Style.Include(fsItalic);
        if (chosen.underline()) font.Style.Include(fsUnderline);
        if (chosen.strikeOut()) font.Style.Include(fsStrikeOut);
        return true;
    }

    bool ChooseColor(TColor& color, std::vector<TColor>& customColors) override {
        for (std::size_t i = 0; i < customColors.size() && int(i) < QColorDialog::customCount(); ++i)
            QColorDialog::setCustomColor(int(i), QtColor(customColors[i]));
        TPlatformTranslation translation;
        QColorDialog dialog(QtColor(color));
        if (RunDialog(dialog) != QDialog::Accepted) return false;
        color = OurColor(dialog.selectedColor());
        customColors.clear();
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            customColors.push_back(OurColor(QColorDialog::customColor(i)));
        return true;
    }

    bool ChoosePrint(TPrintChoice& choice, const std::vector<String>& printers) override {
        TPlatformTranslation translation;
        QDialog dialog;
        dialog.setWindowTitle(Text("Print", "打印"));
        auto* form = new QFormLayout;
        QComboBox* printer = PrinterBox(printers, choice.Printer);
        form->addRow(Text("Printer:", "打印机："), printer);
        auto* all = new QRadioButton(Text("All pages", "全部页面"));
        auto* pages = new QRadioButton(Text("Pages", "页码范围"));
        auto* selection = new QRadioButton(Text("Selection", "所选内容"));
        auto* from = new QSpinBox;
        auto* to = new QSpinBox;
        int low = choice.MinPage > 0 ? choice.MinPage : 1;
        int high = choice.MaxPage >= low ? choice.MaxPage : 9999;
        from->setRange(low, high);
        to->setRange(low, high);
        from->setValue(choice.FromPage > 0 ? choice.FromPage : low);
        to->setValue(choice.ToPage > 0 ? choice.ToPage : high);
        pages->setEnabled(choice.PageNums);
        from->setEnabled(choice.PageNums);
        to->setEnabled(choice.PageNums);
        selection->setEnabled(choice.Selection);
        (choice.Range == prPageNums ? pages : choice.Range == prSelection ? selection : all)->setChecked(true);
        auto* range = new QHBoxLayout;
        range->addWidget(all);
        range->addWidget(pages);
        range->addWidget(from);
        range->addWidget(new QLabel(Text("to", "至")));
        range->addWidget(to);
        range->addWidget(selection);
        form->addRow(Text("Range:", "打印范围："), range);
        auto* copies = new QSpinBox;
        copies->setRange(1, 9999);
        copies->setValue(choice.Copies > 0 ? choice.Copies : 1);
        form->addRow(Text("Copies:", "份数："), copies);
        auto* collate = new QCheckBox(Text("Collate", "逐份打印"));
        collate->setChecked(choice.Collate);
        form->addRow(QString(), collate);
        auto* toFile = new QCheckBox(Text("Print to file", "打印到文件"));
        toFile->setChecked(choice.PrintToFile);
        toFile->setVisible(choice.PrintToFileOffered);
        form->addRow(QString(), toFile);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addLayout(form);
        layout->addWidget(buttons);
        if (RunDialog(dialog) != QDialog::Accepted) return false;
        choice.Printer = S(printer->currentText());
        choice.Range = pages->isChecked() ? prPageNums : selection->isChecked() ? prSelection : prAllPages;
        choice.FromPage = from->value();
        choice.ToPage = to->value();
        choice.Copies = copies->value();
        choice.Collate = collate->isChecked();
        choice.PrintToFile = toFile->isChecked();
        return true;
    }

    bool ChoosePrinterSetup(TPrinterSetupChoice& choice, const std::vector<String>& printers) override {
        TPlatformTranslation translation;
        QDialog dialog;
        dialog.setWindowTitle(Text("Print Setup", "打印设置"));
        auto* form = new QFormLayout;
        QComboBox* printer = PrinterBox(printers, choice.Printer);
        form->addRow(Text("Printer:", "打印机："), printer);
        auto* portrait = new QRadioButton(Text("Portrait", "纵向"));
        auto* landscape = new QRadioButton(Text("Landscape", "横向"));
        (choice.Landscape ? landscape : portrait)->setChecked(true);
        auto* orientation = new QHBoxLayout;
        orientation->addWidget(portrait);
        orientation->addWidget(landscape);
        form->addRow(Text("Orientation:", "方向："), orientation);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addLayout(form);
        layout->addWidget(buttons);
        if (RunDialog(dialog) != QDialog::Accepted) return false;
        choice.Printer = S(printer->currentText());
        choice.Landscape = landscape->isChecked();
        return true;
    }
};

} // namespace

void BackendWhenDialogShows(std::function<void()> action) { WhenShows() = std::move(action); }

void BackendInstallDialogs() {
    static TQtDialogPresenter presenter;
    SetDialogPresenter(&presenter);
}

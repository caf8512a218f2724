#include "formscarica.h"

#include "language.h"
#include "ui_FormScarica.h"

#include "core/edition.h"
#include "core/iodata.h"
#include "core/serialecu.h"
#include "platform/cp1252.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <algorithm>

TFormScarica* FormScarica = nullptr;

namespace {

constexpr char kNoDate[] = "not avaible";

template <typename W> void SetCaption(W* widget, int n) {
    QString text = widget->text();
    if (LoadLanguageString(n, text))
        widget->setText(text);
}

bool Connected() {
    return StreamDati && StreamDati->EcuLink()->IsConnected() != 0;
}

uint8_t ImageModel() {
    return StreamDati ? StreamDati->EcuIdentity()[1] : uint8_t(GetModelCodeA());
}

std::string Kind(int text, int model) {
    return LanguageText(text) + "|*." + GetModelFirmwareExt(model);
}

// The system's date separator, from its short date format.
QString DateSeparator() {
    for (const QChar c : QLocale::system().dateFormat(QLocale::ShortFormat))
        if (!c.isLetter() && !c.isSpace() && c != '\'')
            return QString(c);
    return "/";
}

QString Extension(const std::string& path) {
    return QFileInfo(platform::toUnicode(path)).suffix();
}

} // namespace

TFormScarica::TFormScarica(QWidget* owner) : QDialog(owner), ui_(new Ui::FormScarica) {
    ui_->setupUi(this);
    setObjectName("FormScarica");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    connect(ui_->ButtonCambia, &QPushButton::clicked, this, &TFormScarica::ButtonCambiaClick);
    connect(ui_->ButtonRiprogr, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui_->ButtonAnnulla, &QPushButton::clicked, this, [this] { done(2); });
}

TFormScarica::~TFormScarica() = default;

void TFormScarica::loadCaptions() {
    QString caption = windowTitle();
    if (LoadLanguageString(13, caption))
        setWindowTitle(caption);
    SetCaption(ui_->ButtonCambia, 423);
    SetCaption(ui_->ButtonRiprogr, 424);
    SetCaption(ui_->ButtonAnnulla, 89);
}

void TFormScarica::prepareFilter() {
    OpenDialogFile.owner = this;
    OpenDialogFile.title = LanguageText(428);
    OpenDialogFile.defaultExt.clear();
    OpenDialogFile.filterIndex = 1;
    const bool imageIsA = ImageModel() == uint8_t(GetModelCodeA());
    if (!Connected() && GetModelCodeA() != GetModelCodeB()) {
        OpenDialogFile.filter = Kind(425, GetModelCodeA()) + "|" + Kind(426, GetModelCodeB());
        OpenDialogFile.filterIndex = imageIsA ? 1 : 2;
        offered_ = {GetModelCodeA(), GetModelCodeB()};
    } else {
        OpenDialogFile.filter = imageIsA ? Kind(425, GetModelCodeA()) : Kind(426, GetModelCodeB());
        offered_ = {imageIsA ? GetModelCodeA() : GetModelCodeB()};
    }
}

// A remembered file of a kind the filter no longer offers (another unit is
// connected now) would program the wrong model.
bool TFormScarica::fileIsOffered() const {
    const QString ext = Extension(OpenDialogFile.fileName);
    const QStringList parts = platform::toUnicode(OpenDialogFile.filter).split('|');
    for (int i = 1; i < parts.size(); i += 2)
        if (parts[i].trimmed().compare("*." + ext, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool TFormScarica::runOpenDialog() {
    const auto chosen = platform::RunFileDialog(OpenDialogFile);
    if (!chosen)
        return false;
    OpenDialogFile.fileName = chosen->fileName;
    OpenDialogFile.filterIndex = chosen->filterIndex;
    ShowFileInfo();
    return true;
}

void TFormScarica::Execute() {
    loadCaptions();
    prepareFilter();
    if (!OpenDialogFile.fileName.empty() && !fileIsOffered()) {
        OpenDialogFile.fileName.clear();
        ui_->LabelN->clear();
        ui_->LabelD->clear();
    }
    ModalResult = 2;
    if (OpenDialogFile.fileName.empty() && !runOpenDialog())
        return;
    ModalResult = platform::ShowModal(*this) == 1 ? 1 : 2;
}

void TFormScarica::ShowFileInfo() {
    const QString path = platform::toUnicode(OpenDialogFile.fileName);
    ui_->LabelN->setText(QFileInfo(path).fileName());
    // Only a file's date: nothing is opened, so a FIFO there cannot hold the dialog.
    const QFileInfo info(path);
    const QDateTime written = info.isFile() ? info.lastModified() : QDateTime();
    if (!written.isValid()) {
        ui_->LabelD->setText(kNoDate);
        return;
    }
    const QDate day = written.toLocalTime().date();
    const QString sep = DateSeparator();
    ui_->LabelD->setText(QString::number(day.day()) + sep + QString::number(day.month()) + sep +
                         QString::number(day.year()));
}

void TFormScarica::ButtonCambiaClick() {
    runOpenDialog();
}

int TFormScarica::FileModel() const {
    const QString ext = Extension(OpenDialogFile.fileName);
    for (const int model : {GetModelCodeA(), GetModelCodeB()})
        if (ext.compare(platform::toUnicode(GetModelFirmwareExt(model)), Qt::CaseInsensitive) == 0)
            return model;
    const size_t kind = size_t(std::max(OpenDialogFile.filterIndex, 1) - 1);
    return kind < offered_.size() ? offered_[kind] : GetModelCodeA();
}

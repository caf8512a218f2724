#include "formfile.h"

#include "formattesa.h"
#include "formmain.h"
#include "fuelfolder.h"
#include "language.h"
#include "messagetexts.h"
#include "smallwindows.h"
#include "ui_FormFile.h"
#include "ui_FormMessaggio.h"
#include "unitwrite.h"
#include "windowutil.h"

#include "core/edition.h"
#include "core/iodata.h"
#include "core/messages.h"
#include "core/serialecu.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/gui/modal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QTreeWidget>
#include <vector>

namespace {

using shell::ScreenCursor;
using shell::SetScreenCursor;

constexpr char kBadName[] = "Il nome del file non pu\xf2 contenere cartelle n\xe9 \"..\".";
constexpr char kSerialCaption[] = "Serial number";
constexpr char kSerialPrompt[] =
    "Inserire il SERIAL NUMBER per la centralina\n(massimo 20 caratteri)";
constexpr char kValuesReplaced[] =
    "Il file contiene valori non validi: al loro posto valgono i valori predefiniti.\n";
constexpr size_t kKeysNamed = 20; // the box names at most these, then how many more
constexpr char kNameNotTaken[] =
    "La centralina non ha accettato il nome della configurazione: il file non \xe8 stato "
    "salvato.";
constexpr char kNameMixed[] =
    "Il nome della configurazione in centralina pu\xf2 essere incompleto.";
constexpr char kSerialNotTaken[] = "Il numero di serie non \xe8 stato scritto in centralina.";
constexpr char kSerialMixed[] = "Il numero di serie in centralina pu\xf2 essere incompleto.";
constexpr int kNotLoadedIntoUnit = 431;

using platform::cp;
using platform::u;
TSerialEcuLink* link() {
    return StreamDati->EcuLink();
}
bool connected() {
    return link()->IsConnected() != 0;
}

bool ModelCodesDiffer() {
    return GetModelCodeA() != GetModelCodeB();
}

// The configuration name as a file name: without the characters that a
// file name cannot hold or that would change its folder or extension.
std::string FileNameOf(const std::string& name) {
    std::string out;
    for (char c : name)
        if (std::string("./\\\",;").find(c) == std::string::npos)
            out += c;
    return out;
}

// A typed name stays inside the fuel folder.
bool StaysInFolder(const std::string& name) {
    return name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name.find("..") == std::string::npos;
}

std::string Lower(const std::string& s) {
    return cp(u(s).toLower());
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The file of the folder that a name means. Letter case tells no two files
// apart, as in the folder's list: a name matches a file in other letters,
// and stays as it is when no file matches.
std::string FileOfFolder(const std::string& folder, const std::string& name) {
    const QString wanted = u(name);
    for (const QString& file : QDir(u(folder)).entryList(QDir::Files))
        if (file.compare(wanted, Qt::CaseInsensitive) == 0)
            return cp(file);
    return name;
}

// The list holds the folder's order: names without regard to letter case.
class TFileItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QString a = text(column), b = other.text(column);
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    }
};

std::string KeysText(const std::vector<std::string>& keys) {
    std::string text;
    for (size_t i = 0; i < keys.size() && i < kKeysNamed; ++i)
        text += (i ? ", " : "") + keys[i];
    if (keys.size() > kKeysNamed)
        text += " e altri " + std::to_string(keys.size() - kKeysNamed);
    return text;
}

// The save of a connected unit's begin and end commands.
bool SendSaveCommand(int command) {
    uint8_t bytes[5] = {};
    return link()->SendCommand(command, bytes, 1, 5);
}

std::string CheckTheLink() {
    std::string text = "Controllare il collegamento.";
    LoadLanguageString(40, text);
    return text;
}

// A text item of the unit: the configuration name or the serial number.
struct TUnitText {
    bool (TStreamDati::*set)(const std::string&);
    std::string (TStreamDati::*get)() const;
};
constexpr TUnitText kName{&TStreamDati::SetNomeConfigurazione, &TStreamDati::GetNomeConfigurazione};
constexpr TUnitText kSerial{&TStreamDati::SetSerialNumber, &TStreamDati::GetSerialNumber};

// Writes the whole text; a link that was open and is lost is brought back
// first, since only then can the unit take anything.
bool WriteWhole(const TUnitText& item, const std::string& text, bool linked) {
    if (linked && !connected())
        StreamDati->WaitForEcu(20000);
    return connected() == linked && (StreamDati->*item.set)(text);
}

enum class TTextWrite { Written, PutBack, Mixed };

// The unit ends holding the new text or the old one: what a refusal or a
// lost link cut short goes back. Mixed when even that failed.
TTextWrite WriteUnitText(const TUnitText& item, const std::string& text, bool linked) {
    const std::string old = (StreamDati->*item.get)();
    if (WriteWhole(item, text, linked))
        return TTextWrite::Written;
    // The setter itself put back what it wrote while the link held.
    if (connected() == linked && (StreamDati->*item.get)() == old)
        return TTextWrite::PutBack;
    return WriteWhole(item, old, linked) ? TTextWrite::PutBack : TTextWrite::Mixed;
}

} // namespace

std::string SaveConfigurationAs(const std::string& path, const std::string& name,
                                bool withdrawMark) {
    const TEcuImage before = StreamDati->Image();
    const std::string oldName = StreamDati->GetNomeConfigurazione();
    const bool wasOfficial = StreamDati->IsUfficiale();
    // A unit not linked is not kept in step: its refusal does not stop a
    // save, which would leave the data in memory nowhere to go.
    const bool linked = connected();
    const TTextWrite named = WriteUnitText(kName, name, linked);
    bool mixed = named == TTextWrite::Mixed;
    std::string failure;
    if (linked &&
        (named != TTextWrite::Written || (withdrawMark && !StreamDati->SetUfficiale(false)))) {
        failure = kNameNotTaken;
    } else {
        if (withdrawMark && !linked)
            StreamDati->SetUfficiale(false);
        StreamDati->SetDescrizione(1, name);
        if (StreamDati->Transfer(kTransferImageToFile, path, 0, kGroupAll, true))
            return {};
        failure = EngineText(StreamDati->LastTransferError());
    }
    // The file was not saved: the unit and the image get their name and mark back.
    if (!mixed && StreamDati->GetNomeConfigurazione() != oldName)
        mixed = !WriteWhole(kName, oldName, linked);
    if (!mixed && StreamDati->IsUfficiale() != wasOfficial)
        StreamDati->SetUfficiale(wasOfficial);
    StreamDati->RestoreImage(before);
    return mixed ? Lines({failure, kNameMixed, CheckTheLink()}) : failure;
}

TFormFile::TFormFile(QWidget* owner, bool* success, int mode, const std::string& mainPath)
    : QDialog(owner), ui_(new Ui::FormFile), mode_(mode), mainPath_(mainPath),
      texts_({40,  49,  50,  51,  52,  53,  54,  59,  88,  89,  282, 283,
              284, 285, 288, 289, 290, 291, 292, 293, 429, 430, 431}) {
    SetScreenCursor(ScreenCursor::HourGlass);
    ui_->setupUi(this);
    shell::ScaleByScreenWidth(this, shell::LayoutScreenWidth());
    // A name too long for its column keeps its end: the copies made before
    // programming or a write end with their date.
    ui_->ListFile->setTextElideMode(Qt::ElideMiddle);
    const bool radios = !connected() && ModelCodesDiffer();
    ui_->Radio34Cilindri->setVisible(radios);
    ui_->Radio34568Cilindri->setVisible(radios);

    folder_ = FuelFolder(mainPath_, StreamDati->GetFlag(1));
    folder_ = platform::JoinPath(folder_, "");
    QDir().mkpath(u(folder_));
    QDir::setCurrent(u(folder_));

    texts_.Load();
    auto setText = [this](auto* widget, int n) {
        if (!Text(n).empty())
            widget->setText(u(Text(n)));
    };
    setText(ui_->ButtonOk, 88);
    setText(ui_->ButtonAnnulla, 89);
    setText(ui_->Radio34Cilindri, 429);
    setText(ui_->Radio34568Cilindri, 430);
    setText(ui_->LabelTipoFile, 288);
    if (!Text(284).empty())
        ui_->ListFile->headerItem()->setText(0, u(Text(284)));
    if (!Text(285).empty())
        ui_->ListFile->headerItem()->setText(1, u(Text(285)));

    ui_->ComboTipoFile->setCurrentIndex(BrandIndexOfMask(BrandMaskOfCode(-1)));
    const int model = static_cast<int8_t>(StreamDati->EcuIdentity()[1]);
    char ext[4] = {};
    extension_ = CopyModelConfigExt(ext, BrandMaskOfCode(-1), model);
    const bool modelB = model == GetModelCodeB() && ModelCodesDiffer();
    (modelB ? ui_->Radio34568Cilindri : ui_->Radio34Cilindri)->setChecked(true);

    if (mode_ == kSave) {
        if (!Text(282).empty())
            setWindowTitle(u(Text(282)));
        setText(ui_->LabelFile, 289);
        setTabOrder(ui_->EditName, ui_->ListFile);
        ui_->LabelFile->show();
        ui_->EditName->show();
        ui_->EditName->setText(u(FileNameOf(StreamDati->GetNomeConfigurazione())));
    } else {
        ui_->ListFile->move(ui_->ListFile->x(), ui_->EditName->y());
        if (!Text(283).empty())
            setWindowTitle(u(Text(283)));
        setText(ui_->LabelFile, 290);
        if (success)
            *success = !QDir::current().entryList({u("*" + extension_)}, QDir::Files).isEmpty();
        ui_->EditName->setEnabled(false);
        ui_->EditName->hide();
    }

    connect(ui_->ButtonOk, &QPushButton::clicked, this, &TFormFile::ButtonOkClick);
    connect(ui_->ButtonAnnulla, &QPushButton::clicked, this, [this] { done(kCancel); });
    connect(ui_->ListFile, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ListFileSelectItem(item); });
    connect(ui_->ListFile, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item)
            ui_->ButtonOk->click();
    });
    connect(ui_->Radio34Cilindri, &QRadioButton::clicked, this,
            [this] { Radio34CilindriClick(0); });
    connect(ui_->Radio34568Cilindri, &QRadioButton::clicked, this,
            [this] { Radio34CilindriClick(1); });
    SetScreenCursor(ScreenCursor::Default);
}

TFormFile::~TFormFile() {
    FormClose();
}

std::string TFormFile::Text(int n) const {
    return texts_.Text(n);
}

std::string TFormFile::caption() const {
    return cp(windowTitle());
}

void TFormFile::errorBox(const std::string& text) {
    platform::MessageBox(this, text, caption(), platform::MB_ICONERROR);
}

void TFormFile::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!activated_) {
        activated_ = true;
        FormActivate();
    }
}

void TFormFile::FormActivate() {
    auto* list = ui_->ListFile;
    const int w = width() * 96 / 100;
    list->setGeometry((width() - w) / 2, list->y(), w, ui_->ButtonOk->y() - list->y() - 50);
    list->setColumnWidth(0, w * 60 / 100);
    list->setColumnWidth(1, w * 40 / 100);
    ScanFolder();
    if (mode_ == kOpen && list->topLevelItemCount() > 0) {
        list->setCurrentItem(list->topLevelItem(0));
        list->topLevelItem(0)->setSelected(true);
    }
}

void TFormFile::ScanFolder() {
    SetScreenCursor(ScreenCursor::HourGlass);
    auto* list = ui_->ListFile;
    list->clear();
    TFormMessaggio message(this);
    message.setWindowTitle("Configurazioni veicolo");
    message.ui()->Messaggio->setText("Scansione file in corso...");
    // Runs while the dialog itself is being shown: no event may be handled
    // in between.
    message.show();
    message.repaint();
    repaint();
    const QIcon icon(":/modules/Vexano/pictures/config.png");
    const QFileInfoList files =
        QDir::current().entryInfoList({u("*." + extension_)}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        auto* item = new TFileItem(list);
        item->setText(0, name.left(name.size() - 4));
        item->setIcon(0, icon);
        item->setText(1, file.lastModified().toUTC().date().toString("dd/MM/yyyy"));
    }
    list->sortItems(0, Qt::AscendingOrder);
    const int client = list->viewport()->width();
    list->setColumnWidth(0, client * 70 / 100);
    list->setColumnWidth(1, client - client * 70 / 100);
    message.close();
    SetScreenCursor(ScreenCursor::Default);
}

// A name chosen from the list is taken whole: the field's limit is for
// typing, and the copies named after a unit's serial number pass it.
void TFormFile::ListFileSelectItem(QTreeWidgetItem* item) {
    if (!item)
        return;
    const QString name = item->text(0);
    if (name.size() > ui_->EditName->maxLength())
        ui_->EditName->setMaxLength(int(name.size()));
    ui_->EditName->setText(name);
}

void TFormFile::Radio34CilindriClick(int tag) {
    char ext[4] = {};
    extension_ = CopyModelConfigExt(ext, 1 << ui_->ComboTipoFile->currentIndex(),
                                    tag ? GetModelCodeB() : GetModelCodeA());
    ScanFolder();
}

void TFormFile::ButtonOkClick() {
    if (mode_ == kSave)
        Save();
    else
        Load();
}

void TFormFile::Save() {
    const std::string name = cp(ui_->EditName->text());
    if (name.empty())
        return;
    if (!StaysInFolder(name)) {
        errorBox(kBadName);
        return;
    }
    std::string file = name;
    const size_t dot = file.find_last_of('.');
    if (dot == std::string::npos || Lower(file.substr(dot)) != "." + extension_)
        file += "." + extension_;
    const std::string path = folder_ + FileOfFolder(folder_, file);
    if (platform::FileExists(path) &&
        platform::MessageBox(this, Text(292), caption(),
                             platform::MB_YESNO | platform::MB_ICONEXCLAMATION |
                                 platform::MB_DEFBUTTON2) == platform::IDNO)
        return;

    auto wait = TFormAttesa::Open(this, Text(51), Text(54), Text(59) + " ");
    SetScreenCursor(ScreenCursor::HourGlass);
    QApplication::processEvents();

    const std::string failure = SaveConfigurationAs(path, name, true);
    wait->close();
    wait.reset();
    SetScreenCursor(ScreenCursor::Default);
    if (!failure.empty()) {
        errorBox(failure);
        return;
    }
    done(kDone);
}

void TFormFile::Load() {
    if (StreamDati->IsModified()) {
        const int answer = platform::MessageBox(
            this, Text(293), caption(), platform::MB_YESNOCANCEL | platform::MB_ICONEXCLAMATION);
        if (answer == platform::IDCANCEL)
            return;
        if (answer == platform::IDYES) {
            TMessageEvent save(WM_DATACHANGED, 0, 4);
            if (FormMain)
                QCoreApplication::sendEvent(FormMain, &save);
            if (StreamDati->IsModified())
                return; // the save did not happen: nothing in memory is lost
        }
    }
    auto wait = TFormAttesa::Open(this, Text(49), Text(52), Text(59) + " ");

    std::string name = cp(ui_->EditName->text());
    if (!EndsWith(Lower(name), "." + extension_))
        name += "." + extension_;
    const std::string path = folder_ + FileOfFolder(folder_, name);
    if (!StaysInFolder(name) || !platform::FileExists(path)) {
        wait->close();
        wait.reset();
        errorBox(StaysInFolder(name) ? Text(291) : kBadName);
        return;
    }
    SetScreenCursor(ScreenCursor::HourGlass);
    const bool toUnit = connected();
    const std::string failure = toUnit ? LoadIntoUnit(path, *wait) : LoadIntoImage(path);
    wait->close();
    wait.reset();
    SetScreenCursor(ScreenCursor::Default);
    if (!failure.empty()) {
        errorBox(failure);
        return;
    }
    if (!replaced_.empty())
        platform::MessageBox(this, kValuesReplaced + KeysText(replaced_), caption(),
                             platform::MB_OK | platform::MB_ICONINFORMATION);
    // Once the configuration is loaded the dialog closes, saying whether
    // the serial number, the load's last step, failed.
    const std::string lastStep = toUnit ? WriteSerialNumber() : "";
    if (!lastStep.empty())
        errorBox(lastStep);
    done(lastStep.empty() ? kDone : kLastStepFailed);
}

// Without a unit the image takes the model of the cylinders chosen.
std::string TFormFile::LoadIntoImage(const std::string& path) {
    const TEcuImage before = StreamDati->Image();
    if (!StreamDati->Transfer(kTransferFileToImage, path, 0, kGroupAll, true)) {
        StreamDati->RestoreImage(before);
        return EngineText(StreamDati->LastTransferError());
    }
    replaced_ = StreamDati->OutOfRangeKeys();
    StreamDati->SetEcuIdentity(ui_->Radio34Cilindri->isChecked() ? GetModelCodeA()
                                                                 : GetModelCodeB());
    return {};
}

// A load that did not reach the unit whole says so first, then what the
// unit holds. A write cut short puts the unit's previous configuration back
// while the link holds; what cannot go back is kept as a copy.
std::string TFormFile::LoadIntoUnit(const std::string& path, TFormAttesa& wait) {
    const TEcuImage before = StreamDati->Image();
    const auto putBack = [] {
        return StreamDati->Transfer(kTransferImageToUnit, "", 0, kGroupAll, true);
    };
    TUnitWrite write(mainPath_, before, putBack);
    const bool loaded = write.Load(path, [&] {
        wait.hide();
        wait.StartAnimation();
        wait.SetCaption(Text(50));
        wait.SetLabel(Text(53));
        shell::ShowNow(&wait);
    });
    replaced_ = write.Replaced();
    if (loaded)
        return {};
    if (!write.FileRead())
        return write.Cause();
    const bool written = write.Holds() == TUnitHolds::Unconfirmed;
    return Lines({written ? "" : Text(kNotLoadedIntoUnit), write.Told()});
}

// Told when it fails: 17 refused (nothing written), the serial number cut
// short (put back), 18 refused or the unit not back after the save.
std::string TFormFile::WriteSerialNumber() {
    if (!SendSaveCommand(17))
        return Lines({EngineText(kTransferBeginSaveError), kSerialNotTaken});
    const std::string serial =
        platform::InputBox(this, kSerialCaption, kSerialPrompt, StreamDati->GetSerialNumber());
    std::string failure;
    switch (WriteUnitText(kSerial, serial.substr(0, 20), true)) {
    case TTextWrite::Written:
        break;
    case TTextWrite::PutBack:
        failure = kSerialNotTaken;
        break;
    case TTextWrite::Mixed:
        failure = Lines({kSerialMixed, CheckTheLink()});
        break;
    }
    // Once the unit began a save it is told to end it.
    if (!SendSaveCommand(18))
        return Lines({failure, EngineText(kTransferEndSaveError)});
    platform::Sleep(500);
    if (!StreamDati->WaitForEcu(20000))
        return Lines({failure, EngineText(kTransferWaitError)});
    return failure;
}

void TFormFile::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormFile::closeEvent(QCloseEvent* e) {
    FormClose();
    QDialog::closeEvent(e);
}

void TFormFile::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    QDir::setCurrent(u(mainPath_));
    if (StreamDati)
        StreamDati->SetScrambleKey(GetFileScrambleKey());
}

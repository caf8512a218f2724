#include "formcentricellek.h"

#include "ui_FormCentriCelleK.h"

#include "references.h"

#include "controls/numericedit.h"
#include "core/iodata.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"

#include <algorithm>

namespace {

// The last row of the rpm fields and of the time fields, hidden with a
// smaller map.
constexpr int kShrink = 130;
constexpr int kRpmAlwaysShown = 6;
constexpr int kTimesAlwaysShown = 8;

// The two parts of the references, as a failed write names them.
enum { kColumns, kRows };
constexpr char kColumnsMixed[] = "Le colonne dei giri della mappa in centralina possono essere in "
                                 "parte nuove e in parte vecchie.";
constexpr char kRowsMixed[] = "Le righe dei tempi della mappa in centralina possono essere in "
                              "parte nuove e in parte vecchie.";

void Caption(QAbstractButton* w, int n) {
    QString t = w->text();
    LoadLanguageString(n, t);
    w->setText(t);
}
void Caption(QGroupBox* w, int n) {
    QString t = w->title();
    LoadLanguageString(n, t);
    w->setTitle(t);
}

} // namespace

TFormCentriCelleK::TFormCentriCelleK(QWidget* owner)
    : TReferenceDialog(owner, {86, 91, 454}), ui_(new Ui::FormCentriCelleK) {
    ui_->setupUi(this);
    rpm_ = {ui_->EditRifGiri0, ui_->EditRifGiri1, ui_->EditRifGiri2,  ui_->EditRifGiri3,
            ui_->EditRifGiri4, ui_->EditRifGiri5, ui_->EditRifGiri6,  ui_->EditRifGiri7,
            ui_->EditRifGiri8, ui_->EditRifGiri9, ui_->EditRifGiri10, ui_->EditRifGiri11};
    times_ = {ui_->NumEditRifMap0, ui_->NumEditRifMap1, ui_->NumEditRifMap2,  ui_->NumEditRifMap3,
              ui_->NumEditRifMap4, ui_->NumEditRifMap5, ui_->NumEditRifMap6,  ui_->NumEditRifMap7,
              ui_->NumEditRifMap8, ui_->NumEditRifMap9, ui_->NumEditRifMap10, ui_->NumEditRifMap11};
    QLabel* rpmLabels[] = {ui_->LabelGiri1, ui_->LabelGiri2,  ui_->LabelGiri3,  ui_->LabelGiri4,
                           ui_->LabelGiri5, ui_->LabelGiri6,  ui_->LabelGiri7,  ui_->LabelGiri8,
                           ui_->LabelGiri9, ui_->LabelGiri10, ui_->LabelGiri11, ui_->LabelGiri12};
    QLabel* timeLabels[] = {ui_->LabelInj1, ui_->LabelInj2,  ui_->LabelInj3,  ui_->LabelInj4,
                            ui_->LabelInj5, ui_->LabelInj6,  ui_->LabelInj7,  ui_->LabelInj8,
                            ui_->LabelInj9, ui_->LabelInj10, ui_->LabelInj11, ui_->LabelInj12};
    columns_ = std::clamp(int(StreamDati->GetNumeroColonne()), 0, 12);
    rows_ = std::clamp(int(StreamDati->GetNumeroRighe()), 0, 12);
    // Every field shown has its label, and the last rows go only when no
    // field of theirs is shown.
    for (int i = 0; i < 12; ++i) {
        rpmLabels[i]->setVisible(i < kRpmAlwaysShown || i < columns_);
        timeLabels[i]->setVisible(i < kTimesAlwaysShown || i < rows_);
    }
    if (columns_ <= kRpmAlwaysShown && rows_ <= kTimesAlwaysShown) {
        for (QGroupBox* group : {ui_->GroupRifGiri, ui_->GroupRifTempi})
            group->resize(group->width(), group->height() - kShrink);
        for (QPushButton* button : {ui_->ButtonOk, ui_->ButtonAnnulla})
            button->move(button->x(), button->y() - kShrink);
        resize(width(), height() - kShrink);
    }
    for (int i = 0; i < 12; ++i) {
        rpm_[i]->setVisible(i < columns_);
        times_[i]->setVisible(i < rows_);
        if (i < columns_)
            rpm_[i]->SetInt(StreamDati->GetRifGiriK(i));
        if (i < rows_)
            times_[i]->SetDouble(double(StreamDati->GetRifTempiK(i)));
        rpm_[i]->SetNextControl(i < 11 ? rpm_[i + 1] : times_[0]);
        rpm_[i]->SetPrevControl(i > 0 ? rpm_[i - 1] : nullptr);
        times_[i]->SetNextControl(i < 11 ? static_cast<QWidget*>(times_[i + 1]) : ui_->ButtonOk);
        times_[i]->SetPrevControl(i > 0 ? times_[i - 1] : rpm_[11]);
    }

    QString title = windowTitle();
    LoadLanguageString(90, title);
    setWindowTitle(title);
    Caption(ui_->ButtonOk, 88);
    Caption(ui_->ButtonAnnulla, 89);
    Caption(ui_->GroupRifGiri, 87);
    Caption(ui_->GroupRifTempi, 92);

    connect(ui_->ButtonOk, &QPushButton::clicked, this, &TFormCentriCelleK::ButtonOkClick);
    connect(ui_->ButtonAnnulla, &QPushButton::clicked, this, [this] { done(2); });
}

TFormCentriCelleK::~TFormCentriCelleK() = default;

void TFormCentriCelleK::showEvent(QShowEvent* event) {
    TReferenceDialog::showEvent(event);
    (columns_ > 0 ? rpm_[0] : times_[0])->setFocus();
}

void TFormCentriCelleK::ButtonOkClick() {
    std::vector<double> rpm, times;
    for (int i = 0; i < columns_; ++i)
        rpm.push_back(rpm_[i]->GetInt());
    for (int i = 0; i < rows_; ++i)
        times.push_back(times_[i]->GetDouble());
    if (const int bad = FirstOutOfOrder(rpm); bad >= 0) {
        ErrorBox(86);
        rpm_[bad]->setFocus();
        return;
    }
    if (const int bad = FirstOutOfOrder(times); bad >= 0) {
        ErrorBox(91);
        times_[bad]->setFocus();
        return;
    }
    std::vector<TValueWrite> writes;
    for (int i = 0; i < columns_; ++i)
        writes.push_back({double(StreamDati->GetRifGiriK(i)), rpm[i],
                          [i](double v) { return StreamDati->SetRifGiriK(i, int(v)); }, kColumns});
    for (int i = 0; i < rows_; ++i)
        writes.push_back({double(StreamDati->GetRifTempiK(i)), times[i],
                          [i](double v) { return StreamDati->SetRifTempiK(i, v); }, kRows});
    // The fields keep what the user typed, for another try.
    if (const TWriteResult result = WriteAllOrNone(writes); !result.written) {
        WriteFailedBox(result, {kColumnsMixed, kRowsMixed});
        return;
    }
    done(1);
}

// Shift+Tab from OK lands on the last time shown; Tab from Cancel on the
// first rpm.
void TFormCentriCelleK::FocusMoved(QWidget* old, QWidget* now) {
    if (!now)
        return;
    if (old == ui_->ButtonOk && ui_->GroupRifTempi->isAncestorOf(now) && rows_ > 0 &&
        now != times_[rows_ - 1])
        times_[rows_ - 1]->setFocus(Qt::BacktabFocusReason);
    if (old == ui_->ButtonAnnulla && ui_->GroupRifGiri->isAncestorOf(now) && now != rpm_[0])
        rpm_[0]->setFocus(Qt::TabFocusReason);
}

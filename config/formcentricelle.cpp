#include "formcentricelle.h"

#include "ui_FormCentriCelle.h"

#include "references.h"

#include "controls/numericedit.h"
#include "core/iodata.h"
#include "platform/cp1252.h"
#include "platform/gui/modal.h"

namespace {

constexpr char kRpmMixed[] =
    "I riferimenti dei giri in centralina possono essere in parte nuovi e in parte vecchi.";

} // namespace

TFormCentriCelle::TFormCentriCelle(QWidget* owner)
    : TReferenceDialog(owner, {86, 454}), ui_(new Ui::FormCentriCelle) {
    ui_->setupUi(this);
    edits_ = {ui_->EditRifGiri0, ui_->EditRifGiri1, ui_->EditRifGiri2,  ui_->EditRifGiri3,
              ui_->EditRifGiri4, ui_->EditRifGiri5, ui_->EditRifGiri6,  ui_->EditRifGiri7,
              ui_->EditRifGiri8, ui_->EditRifGiri9, ui_->EditRifGiri10, ui_->EditRifGiri11};
    for (int i = 0; i < 12; ++i) {
        edits_[i]->SetInt(StreamDati->GetRifGiri(i));
        edits_[i]->SetNextControl(i < 11 ? static_cast<QWidget*>(edits_[i + 1]) : ui_->ButtonOk);
        edits_[i]->SetPrevControl(i > 0 ? edits_[i - 1] : nullptr);
    }
    QString text = windowTitle();
    LoadLanguageString(85, text);
    setWindowTitle(text);
    text = ui_->GroupRifGiri->title();
    LoadLanguageString(87, text);
    ui_->GroupRifGiri->setTitle(text);
    for (auto [button, n] : {std::pair{ui_->ButtonOk, 88}, std::pair{ui_->ButtonAnnulla, 89}}) {
        text = button->text();
        LoadLanguageString(n, text);
        button->setText(text);
    }
    connect(ui_->ButtonOk, &QPushButton::clicked, this, &TFormCentriCelle::ButtonOkClick);
    connect(ui_->ButtonAnnulla, &QPushButton::clicked, this, [this] { done(2); });
}

TFormCentriCelle::~TFormCentriCelle() = default;

void TFormCentriCelle::ButtonOkClick() {
    std::vector<double> values;
    for (TNumericEdit* edit : edits_)
        values.push_back(edit->GetInt());
    if (const int bad = FirstOutOfOrder(values); bad >= 0) {
        ErrorBox(86);
        edits_[bad]->setFocus();
        return;
    }
    std::vector<TValueWrite> writes;
    for (int i = 0; i < 12; ++i)
        writes.push_back({double(StreamDati->GetRifGiri(i)), values[i],
                          [i](double v) { return StreamDati->SetRifGiri(i, int(v)); }});
    // The fields keep what the user typed, for another try.
    if (const TWriteResult result = WriteAllOrNone(writes); !result.written) {
        WriteFailedBox(result, {kRpmMixed});
        return;
    }
    done(1);
}

void TFormCentriCelle::FocusMoved(QWidget* old, QWidget* now) {
    if (old == ui_->ButtonAnnulla && now && isAncestorOf(now) && now != edits_[0])
        edits_[0]->setFocus(Qt::TabFocusReason);
}

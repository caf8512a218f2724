#include "formattesa.h"

#include "ui_FormAttesa.h"
#include "windowutil.h"

#include "core/messages.h"
#include "platform/cp1252.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMovie>
#include <QPointer>

TFormAttesa* FormAttesa = nullptr;

namespace {

// The application's one activation handler: restores the program from the
// minimised state while a wait window exists. A new wait window takes it
// over, and the close of any wait window removes it.
QMetaObject::Connection activateHandler;

void ApplicationActivate(Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive)
        return;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isMinimized())
            w->showNormal();
}

constexpr const char* kClip = ":/modules/Vexano/rc/AVI/10000";

} // namespace

TFormAttesa::TFormAttesa(QWidget* owner) : QDialog(owner), ui_(new Ui::FormAttesa) {
    ui_->setupUi(this);
    labelFont_ = ui_->Label->font();
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinMaxButtonsHint);
    setModal(false);
    QObject::disconnect(activateHandler);
    activateHandler = QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp,
                                       &ApplicationActivate);
}

TFormAttesa::~TFormAttesa() {
    if (Screen().ProgressReceiver() == this)
        Screen().SetProgressReceiver(nullptr);
    if (FormAttesa == this)
        FormAttesa = nullptr;
}

std::unique_ptr<TFormAttesa> TFormAttesa::Open(QWidget* owner, const std::string& caption,
                                               const std::string& label,
                                               const std::string& suffix) {
    auto wait = std::make_unique<TFormAttesa>(owner);
    FormAttesa = wait.get();
    wait->SetCaption(caption);
    wait->SetLabel(label);
    wait->Suffix = suffix;
    shell::ShowNow(wait.get());
    return wait;
}

void TFormAttesa::SetCaption(const std::string& text) {
    setWindowTitle(platform::toUnicode(text));
}

// The label's font, made smaller where a text would not fit its one line:
// the fonts that stand in for the layout's are wider than it.
void TFormAttesa::SetLabel(const std::string& text) {
    QLabel* label = ui_->Label;
    const QString shown = platform::toUnicode(text);
    shell::SetFittingText(label, shown, labelFont_);
}

void TFormAttesa::StartAnimation() {
    if (!movie_) {
        movie_ = new QMovie(kClip, QByteArray(), this);
        ui_->Animate->setMovie(movie_);
    }
    movie_->start();
}

int TFormAttesa::Position() const {
    return ui_->ProgressBar->value();
}

std::string TFormAttesa::CompletedText() const {
    return platform::fromUnicode(ui_->LabelCompleted->text());
}

void TFormAttesa::setPosition(int position) {
    ui_->ProgressBar->setValue(std::clamp(position, 0, 100));
    ui_->LabelCompleted->setText(QString::number(Position()) + "% " + platform::toUnicode(Suffix));
}

void TFormAttesa::WMProgress(intptr_t wParam, intptr_t lParam) {
    const int amount = static_cast<int>(std::clamp<intptr_t>(wParam, -1000, 1000));
    setPosition(lParam == 0 ? amount : Position() + amount);
    shell::UpdateAllForms();
}

void TFormAttesa::SetProgress(uint8_t amount, bool absolute) {
    setPosition(absolute ? amount : Position() + amount);
    ui_->LabelCompleted->repaint();
}

void TFormAttesa::ShowProgress(bool visible) {
    ui_->ProgressBar->setVisible(visible);
    ui_->LabelCompleted->setVisible(visible);
}

bool TFormAttesa::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(WM_PROGRESS)) {
        const auto* m = static_cast<TMessageEvent*>(e);
        WMProgress(m->wParam(), m->lParam());
        return true;
    }
    return QDialog::event(e);
}

void TFormAttesa::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    shell::CentreOnScreen(this);
    Screen().SetProgressReceiver(this);
}

void TFormAttesa::FormClose() {
    QObject::disconnect(activateHandler);
    if (Screen().ProgressReceiver() == this)
        Screen().SetProgressReceiver(nullptr);
}

void TFormAttesa::closeEvent(QCloseEvent* e) {
    FormClose();
    QDialog::closeEvent(e);
}

#include "smallwindows.h"

#include "startuptrace.h"
#include "ui_AboutBox.h"
#include "ui_FormMessaggio.h"
#include "ui_FormSplash.h"
#include "windowutil.h"

#include <QPixmap>

TFormSplash::TFormSplash(QWidget* owner) : QWidget(owner), ui_(new Ui::FormSplash) {
    ui_->setupUi(this);
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAutoFillBackground(true);
    ui_->Pellam->setPixmap(QPixmap(":/modules/Vexano/pictures/splash.jpg"));
    shell::CentreOnScreen(this);
}

TFormSplash::~TFormSplash() = default;

void TFormSplash::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    shell::TraceStartup("splash_painted");
}

TFormMessaggio::TFormMessaggio(QWidget* owner) : QDialog(owner), ui_(new Ui::FormMessaggio) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    shell::CentreOnScreen(this);
}

TFormMessaggio::~TFormMessaggio() = default;

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner), ui_(new Ui::AboutBox) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui_->Pellam->setPixmap(QPixmap(":/modules/Vexano/pictures/logo.png"));
    connect(ui_->OKButton, &QPushButton::clicked, this, [this] { done(1); });
    shell::CentreOnScreen(this);
}

TAboutBox::~TAboutBox() = default;

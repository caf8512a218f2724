// Moving between the editor's pages by keys and tabs, and the guard that
// keeps a running calibration or sensor acquisition from being left by
// accident.
#include "formconfig.h"

#include "pagecontrol.h"
#include "ui_FormConfig.h"

#include "core/iodata.h"
#include "platform/gui/modal.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QTimer>

namespace {

constexpr int kCalibrationRunning = 4;

int FirstVisible(const TPageControl& pages) {
    return pages.isTabVisible(0) ? 0 : pages.StepVisibleTab(0, 1);
}

int LastVisible(const TPageControl& pages) {
    const int last = pages.count() - 1;
    return pages.isTabVisible(last) ? last : pages.StepVisibleTab(last, -1);
}

} // namespace

void TFormConfig::connectPages() {
    qApp->installEventFilter(this);
    ui_->PageControl->SetChangingHandler([this] { return PageControlChanging(); });
    connect(Timer1, &QTimer::timeout, this, &TFormConfig::Timer1Timer);
    connect(ui_->PageControlK, &QTabWidget::currentChanged, this,
            [this](int index) { ShowPage(ui_->PageControlK->widget(index)); });
    SetPageShowHandler(ui_->TabEsci, [this] { TabEsciShow(); });
    connectPageHandlers();
}

// The window's key preview: page keys go to the window before any of its
// controls sees them, and Enter on a check box clicks it.
bool TFormConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isVisible())
        return TConfigEditorWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return TConfigEditorWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (FormKeyDown(key->key(), key->modifiers()))
        return true;
    auto* box = qobject_cast<QCheckBox*>(widget);
    if (box && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        box->click();
        return true;
    }
    return TConfigEditorWindow::eventFilter(watched, event);
}

bool TFormConfig::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    TPageControl& pages = *ui_->PageControl;
    const bool fKey = key >= Qt::Key_F1 && key <= Qt::Key_F12 && !(shift & Qt::AltModifier);
    if (!fKey && key != Qt::Key_PageDown && key != Qt::Key_PageUp)
        return false;
    if (!RunningWorkGuard())
        return true;
    const bool ctrl = shift & Qt::ControlModifier;
    const int current = pages.currentIndex();
    int target = current;
    if (fKey) {
        target = FirstVisible(pages);
        for (int k = 0; k < key - Qt::Key_F1; ++k)
            target = pages.StepVisibleTab(target, 1);
    } else if (key == Qt::Key_PageDown) {
        target = ctrl ? LastVisible(pages) : pages.StepVisibleTab(current, 1);
    } else {
        target = ctrl ? FirstVisible(pages) : pages.StepVisibleTab(current, -1);
    }
    pages.SetActivePage(pages.widget(target));
    return true;
}

// Asks before leaving a running calibration or acquisition; Yes ends it as
// its button does and lets the action go on once it did end.
bool TFormConfig::RunningWorkGuard() {
    QWidget* page = ui_->PageControl->ActivePage();
    const bool calibrating =
        page == ui_->TabKCoefficienti && StreamDati->GetFlag(kCalibrationRunning);
    const bool acquiring = page == ui_->TabTemp && SensorEditMode;
    if (!calibrating && !acquiring)
        return true;
    if (platform::MessageBox(this, Text(320), caption(),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
        return false;
    if (calibrating) {
        ButtonTaraturaClick();
        return !StreamDati->GetFlag(kCalibrationRunning);
    }
    ButtonNuoviParametriClick();
    return !SensorEditMode;
}

bool TFormConfig::PageControlChanging() {
    return RunningWorkGuard();
}

bool TFormConfig::FormCloseQuery() {
    return RunningWorkGuard();
}

// Esc, the Exit item and the window's close button all come here.
void TFormConfig::reject() {
    if (!FormCloseQuery())
        return;
    TConfigEditorWindow::reject();
}

// Queued: the page change that showed this page has to finish first, or it
// would show this page again over TabCambio.
void TFormConfig::TabEsciShow() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            ui_->PageControl->SetActivePage(ui_->TabCambio);
            close();
        },
        Qt::QueuedConnection);
}

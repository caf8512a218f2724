#include "editorfixture.h"

#include "pagecontrol.h"
#include "ui_FormConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStackedWidget>

QStringList VisibleTabTexts(const TPageControl& pages) {
    QStringList texts;
    for (int i = 0; i < pages.count(); ++i)
        if (pages.isTabVisible(i))
            texts << pages.tabText(i);
    return texts;
}

QWidget* PageOf(QWidget* w) {
    for (QWidget* up = w; up && up->parentWidget(); up = up->parentWidget())
        if (qobject_cast<QStackedWidget*>(up->parentWidget()))
            return up;
    return nullptr;
}

QStringList PageNames(const TPageControl& pages) {
    QStringList names;
    for (int i = 0; i < pages.count(); ++i)
        names << pages.widget(i)->objectName();
    return names;
}

QString ShotsFolder() {
    return qEnvironmentVariable("VEXANO_EDITOR_SHOTS");
}

void SaveVisiblePages(TFormConfig& editor, const QString& prefix) {
    if (ShotsFolder().isEmpty())
        return;
    QDir().mkpath(ShotsFolder());
    TPageControl* pages = editor.ui()->PageControl;
    QWidget* shown = pages->ActivePage();
    int n = 0;
    for (int i = 0; i < pages->count(); ++i) {
        if (!pages->isTabVisible(i))
            continue;
        pages->setCurrentIndex(i);
        for (int k = 0; k < 20; ++k)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        if (shot.isNull()) // a platform without a screen to grab
            shot = editor.grab();
        shot.save(QString("%1/%2-%3.png").arg(ShotsFolder(), prefix).arg(++n));
    }
    pages->SetActivePage(shown);
}

#include "mainroadfixture.h"

#include "core/ecuimage.h"
#include "core/paramid.h"
#include "formattesa.h"
#include "formfile.h"
#include "formmain.h"
#include "ui_FormFile.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {
constexpr uint32_t kIdentification = 0x35;
}

UnitMemory ReadUnitMemory(const SimUnit& sim) {
    UnitMemory memory;
    for (const TImageItem& item : ImageItems())
        memory[paramid::number(item.id)] = sim.peekAll(paramid::number(item.id));
    // The unit's own diagnosis register and count of starts move with every
    // save: no part of the configuration.
    memory.erase(0x43);
    memory.erase(0x44);
    auto& name = memory[kIdentification];
    const auto end = std::find(name.begin() + 2, name.end(), 0);
    std::fill(end, name.end(), 0);
    return memory;
}

QByteArray FileBytes(const QString& path) {
    // A FIFO or a device stands where some tests want the program to refuse it.
    if (!QFileInfo(path).isFile())
        return QByteArray();
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ProgressSpy::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(WM_PROGRESS) && dynamic_cast<TFormAttesa*>(watched))
        values.push_back(static_cast<TMessageEvent*>(e)->wParam());
    return false;
}

MainRoad::MainRoad() {
    qApp->installEventFilter(&progress);
}

MainRoad::~MainRoad() {
    qApp->removeEventFilter(&progress);
}

QString MainRoad::configFile(const char* name) const {
    return workshop.path() + "/ConfigLPG/" + name + ".vx4";
}

void MainRoad::useFileDialog(QLabel* label, std::function<void(TFormFile&)> action,
                             std::function<void()> then) {
    script().expectModal(
        [action](QDialog& d) {
            action(static_cast<TFormFile&>(d));
            return d.result();
        },
        "FormFile");
    if (then)
        then();
    FormMain->LabelClick(label);
}

void MainRoad::saveAs(TFormFile& dialog, const char* name) {
    dialog.ui()->EditName->setText(name);
    dialog.ui()->ButtonOk->click();
}

void MainRoad::newScript() {
    fresh_.reset();
    fresh_ = std::make_unique<ScriptedModals>();
}

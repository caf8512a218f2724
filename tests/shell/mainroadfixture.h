#pragma once
// The main road run whole (see ProgramTest), with the unit's memory as the
// program moves it, the progress the wait windows receive and the file
// dialogs worked through their menu labels.
#include "programfixture.h"

#include "core/messages.h"

#include <QLabel>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TFormFile;

using UnitMemory = std::map<uint32_t, std::vector<int>>;

// Every parameter the image moves, as the unit holds it, but the unit's own
// diagnosis register and count of starts. The configuration
// name counts up to its terminating 0: what lies after it has no meaning.
UnitMemory ReadUnitMemory(const SimUnit& sim);
QByteArray FileBytes(const QString& path);

// Counts the progress the wait windows receive.
class ProgressSpy : public QObject {
public:
    std::vector<intptr_t> values;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

class MainRoad : public ProgramTest {
protected:
    MainRoad();
    ~MainRoad() override;

    QString configFile(const char* name) const;
    // Opens a file dialog through its menu label and lets action work it;
    // then is what the dialog asks next.
    void useFileDialog(QLabel* label, std::function<void(TFormFile&)> action,
                       std::function<void()> then = {});
    static void saveAs(TFormFile& dialog, const char* name);

    // The script that answers now; newScript puts a fresh one in place (the
    // one before fails for what it still expected).
    ScriptedModals& script() { return fresh_ ? *fresh_ : modals; }
    void newScript();

    ProgressSpy progress;

private:
    std::unique_ptr<ScriptedModals> fresh_;
};

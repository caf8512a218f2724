#pragma once
// The dialog through which the user saves the image as a configuration file
// or loads one into the image (and into the unit while one is connected). It
// lists the files of one folder per fuel with the extension of the unit's
// model.
#include "language.h"

#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FormFile;
}
class QTreeWidgetItem;

class TFormAttesa;

// Saves the image to a configuration file under the given configuration
// name (also the vehicle description), the official mark withdrawn when
// asked. The name goes into a linked unit first; a save that fails, or
// whose name or mark the unit did not take, leaves the file as it was and
// gives the image and the unit back their name and mark. Returns what the
// user is told; empty once saved.
std::string SaveConfigurationAs(const std::string& path, const std::string& name,
                                bool withdrawMark);

class TFormFile : public QDialog {
public:
    enum Mode { kSave = 0, kOpen = 1 };
    // Results: saved or loaded; cancelled; loaded, but the serial number
    // could not be written.
    enum Result { kDone = 1, kCancel = 2, kLastStepFailed = 3 };

    // In open mode with a flag, the flag tells whether the folder holds at
    // least one file of the current extension.
    TFormFile(QWidget* owner, bool* success, int mode, const std::string& mainPath);
    ~TFormFile() override;

    Ui::FormFile* ui() const { return ui_.get(); }
    const std::string& Folder() const { return folder_; }
    const std::string& Extension() const { return extension_; }

    void FormActivate();
    void ScanFolder();
    void ButtonOkClick();
    void ListFileSelectItem(QTreeWidgetItem* item);
    void Radio34CilindriClick(int tag);

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int result) override;

private:
    void Save();
    void Load();
    void FormClose();
    std::string Text(int n) const;
    std::string caption() const;
    void errorBox(const std::string& text);
    // The file into the image and the unit; what the user is told, empty
    // once done.
    std::string LoadIntoUnit(const std::string& path, TFormAttesa& wait);
    std::string LoadIntoImage(const std::string& path);
    // The serial number written between the unit's begin and end of a save;
    // what the user is told, empty once done.
    std::string WriteSerialNumber();

    std::unique_ptr<Ui::FormFile> ui_;
    int mode_;
    std::string mainPath_;
    std::string folder_;
    std::string extension_;
    TLanguageTexts texts_;
    std::vector<std::string> replaced_;
    bool activated_ = false;
    bool closed_ = false;
};

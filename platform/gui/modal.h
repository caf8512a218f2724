#pragma once
// The one seam through which the program shows message boxes and runs modal
// windows, file dialogs and input boxes. Tests install a script that answers
// in place of the user.
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace platform {

// Message box flags and answers as the program's code names them.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
    QWidget* owner = nullptr;
    std::string text;    // code page 1252
    std::string caption; // code page 1252
    unsigned flags = MB_OK;
};

struct FileDialogRequest {
    QWidget* owner = nullptr;
    bool save = false;
    bool overwritePrompt = false;
    std::string title;
    std::string filter; // "Name|*.ext|Name 2|*.ext2"
    int filterIndex = 1;
    std::string initialDir;
    std::string defaultExt;
    std::string fileName;
};

struct FileDialogResult {
    std::string fileName; // full path
    int filterIndex = 1;
};

struct InputRequest {
    QWidget* owner = nullptr;
    std::string caption;
    std::string prompt;
    std::string defaultText;
    int maxLength = 0; // 0: no limit
};

class ModalScript {
public:
    virtual ~ModalScript() = default;
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    virtual std::optional<FileDialogResult> fileDialog(const FileDialogRequest& request) = 0;
    // The text the user confirmed, or nothing for Cancel.
    virtual std::optional<std::string> inputQuery(const InputRequest& request) = 0;
    // Runs a modal window in place of QDialog::exec and returns its result.
    virtual int execDialog(QDialog& dialog) = 0;
};

// Installs a script (not owned); nullptr returns to real dialogs.
void setModalScript(ModalScript* script);
ModalScript* modalScript();

int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags);
std::optional<FileDialogResult> RunFileDialog(const FileDialogRequest& request);
std::optional<std::string> InputQuery(const InputRequest& request);
// The input box: the confirmed text, or the default text on Cancel.
std::string InputBox(QWidget* owner, const std::string& caption, const std::string& prompt,
                     const std::string& defaultText);
int ShowModal(QDialog& dialog);

} // namespace platform

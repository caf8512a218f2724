#include "modal.h"

#include "../cp1252.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>

namespace platform {

namespace {

ModalScript* script = nullptr;

QMessageBox::Icon iconOf(unsigned flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSet {
    unsigned type;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton first, second;
};

constexpr ButtonSet kButtonSets[] = {
    {MB_OK, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok},
    {MB_OKCANCEL, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel},
    {MB_YESNOCANCEL, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
     QMessageBox::No},
    {MB_YESNO, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No},
};

int answerOf(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

// "Name|*.ext|Name 2|*.ext2" -> Qt's "Name (*.ext)" entries.
QStringList qtFilters(const std::string& filter) {
    const QStringList parts = u(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i].trimmed() + " (" + parts[i + 1].trimmed().replace(';', ' ') + ")";
    return out;
}

std::optional<FileDialogResult> realFileDialog(const FileDialogRequest& r) {
    QFileDialog dialog(r.owner, u(r.title), u(r.initialDir));
    dialog.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!r.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = qtFilters(r.filter);
    dialog.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[r.filterIndex - 1]);
    dialog.setDefaultSuffix(u(r.defaultExt));
    if (!r.fileName.empty())
        dialog.selectFile(u(r.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileDialogResult{fromUnicode(dialog.selectedFiles().first()),
                            int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

} // namespace

void setModalScript(ModalScript* s) {
    script = s;
}
ModalScript* modalScript() {
    return script;
}

int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
               unsigned flags) {
    if (script)
        return script->messageBox({owner, text, caption, flags});
    const ButtonSet* set = &kButtonSets[0];
    for (const ButtonSet& s : kButtonSets)
        if (s.type == (flags & 0xF))
            set = &s;
    QMessageBox box(iconOf(flags), u(caption), u(text), set->buttons, owner);
    box.setDefaultButton((flags & MB_DEFBUTTON2) ? set->second : set->first);
    return answerOf(box.exec());
}

std::optional<FileDialogResult> RunFileDialog(const FileDialogRequest& request) {
    return script ? script->fileDialog(request) : realFileDialog(request);
}

std::optional<std::string> InputQuery(const InputRequest& r) {
    if (script)
        return script->inputQuery(r);
    QInputDialog dialog(r.owner);
    dialog.setWindowTitle(u(r.caption));
    dialog.setLabelText(u(r.prompt));
    dialog.setTextValue(u(r.defaultText));
    if (r.maxLength > 0)
        if (auto* edit = dialog.findChild<QLineEdit*>())
            edit->setMaxLength(r.maxLength);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return fromUnicode(dialog.textValue());
}

std::string InputBox(QWidget* owner, const std::string& caption, const std::string& prompt,
                     const std::string& defaultText) {
    return InputQuery({owner, caption, prompt, defaultText, 0}).value_or(defaultText);
}

int ShowModal(QDialog& dialog) {
    return script ? script->execDialog(dialog) : dialog.exec();
}

} // namespace platform

#include "unattended.h"

#include "modal.h"

#include "../cp1252.h"

#include <QDialog>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>

namespace platform {

namespace {

// One line per box, its fields split by tabs; the backslash is doubled so
// that the log reads back exactly.
constexpr std::pair<char, const char*> kEscapes[] = {{'\n', "\\n"}, {'\t', "\\t"}, {'\\', "\\\\"}};

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto* e = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                     [c](const auto& p) { return p.first == c; });
        if (e == std::end(kEscapes))
            out += c;
        else
            out += e->second;
    }
    return out;
}

// The answer of a box's default button.
int defaultAnswer(unsigned flags) {
    const bool second = (flags & MB_DEFBUTTON2) != 0;
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return second ? IDCANCEL : IDOK;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return second ? IDNO : IDYES;
    default:
        return IDOK;
    }
}

class UnattendedModals final : public ModalScript {
public:
    explicit UnattendedModals(QString path) : path_(std::move(path)) {}

    int messageBox(const MessageBoxRequest& r) override {
        log("messagebox", r.flags, r.caption, r.text);
        return defaultAnswer(r.flags);
    }
    std::optional<FileDialogResult> fileDialog(const FileDialogRequest& r) override {
        log("filedialog", r.save ? 1 : 0, r.title, r.filter);
        return std::nullopt;
    }
    std::optional<std::string> inputQuery(const InputRequest& r) override {
        log("input", 0, r.caption, r.prompt);
        return std::nullopt;
    }
    int execDialog(QDialog& dialog) override {
        log("window", 0, fromUnicode(dialog.windowTitle()), dialog.objectName().toStdString());
        return QDialog::Rejected;
    }

private:
    void log(const char* kind, unsigned flags, const std::string& caption,
             const std::string& text) {
        QFile f(path_);
        if (!f.open(QIODevice::Append | QIODevice::WriteOnly))
            return;
        const std::string line = std::string(kind) + "\t" + std::to_string(flags) + "\t" +
                                 escaped(caption) + "\t" + escaped(text) + "\n";
        f.write(line.data(), static_cast<qint64>(line.size()));
    }
    QString path_;
};

} // namespace

bool InstallUnattendedModalsFromEnvironment() {
    const char* path = std::getenv("VEXANO_MODAL_LOG");
    if (!path || !*path)
        return false;
    static UnattendedModals modals(QString::fromLocal8Bit(path));
    setModalScript(&modals);
    return true;
}

} // namespace platform

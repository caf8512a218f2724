#pragma once
// The vehicle configuration editor as start-up and the main window see it.
// Its library links this one, so the shell reaches it only through the maker
// the program registers before start-up.
#include <QDialog>
#include <QString>
#include <functional>

class TConfigEditorWindow : public QDialog {
public:
    using QDialog::QDialog;
    // Reloads every text of the editor in the current language.
    virtual void LoadCaptions() = 0;
    // The caption of the stored layout, which the main window's caption
    // starts from when the language table lacks its own.
    QString DesignCaption;
};

namespace shell {

using ConfigEditorMaker = std::function<TConfigEditorWindow*()>;
// Registers how start-up makes the editor; an empty maker unregisters.
void RegisterConfigEditor(ConfigEditorMaker maker);
// Start-up: makes the editor once, when a maker is registered.
void CreateConfigEditor();
// The editor made at start-up; null before, after DestroyConfigEditor, or
// when none is registered.
TConfigEditorWindow* ConfigEditor();
void DestroyConfigEditor();

} // namespace shell

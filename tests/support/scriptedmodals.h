#pragma once
// Answers the program's message boxes, file dialogs, input boxes and modal
// windows in place of the user, from a queue of expected interactions.
//
//   ScriptedModals modals;                        // installed from here on
//   modals.expectMessageBox(platform::IDYES, "Salvare");
//   modals.expectModal([](QDialog& d) { ...; return QDialog::Accepted; },
//                      "TFormCentriCelle");
//   ... run the code under test ...
//   EXPECT_EQ(modals.interactions()[0].caption, "Vexano");
//
// Interactions must come in the order of the queue. Each is matched by kind
// and, when the expectation gives one, by a substring (see Interaction for
// what each kind offers to match). An interaction that does not match the
// head of the queue is a test failure and is answered Cancel/No (a modal
// window is rejected without being shown), so nothing waits for a user; the
// expectation stays queued. Expectations still queued when the script is
// destroyed are failures too.
#include "platform/gui/modal.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QDialog;

class ScriptedModals final : public platform::ModalScript {
public:
    enum class Kind { MessageBox, FileDialog, Input, Modal };

    // Flags recorded for a file dialog.
    static constexpr unsigned kSaveDialog = 1;
    static constexpr unsigned kOverwritePrompt = 2;

    // What the user was shown. Texts are code page 1252 as the program gave them.
    struct Interaction {
        Kind kind = Kind::MessageBox;
        // Message box: its text. File dialog: the filter ("Name|*.ext").
        // Input: the prompt. Modal window: its window title.
        std::string text;
        // Message box and input: the caption. File dialog: the title.
        // Modal window: its window title.
        std::string caption;
        // Message box: its flags. File dialog: kSaveDialog, kOverwritePrompt.
        unsigned flags = 0;
        // Modal window: its class name and object name.
        std::string dialogClass;
        std::string objectName;
        // The whole request, for the kinds that have one.
        std::optional<platform::FileDialogRequest> file;
        std::optional<platform::InputRequest> input;
        bool expected = false; // matched the head of the queue
    };

    // Runs on the shown modal window (fill fields, click buttons). When it
    // leaves the window open, the window is closed with the value it returns;
    // either way the caller gets what the window's exec() returned.
    using DialogAction = std::function<int(QDialog&)>;

    ScriptedModals();           // installs itself (the previous script comes back later)
    ~ScriptedModals() override; // uninstalls; fails for every unconsumed expectation
    ScriptedModals(const ScriptedModals&) = delete;
    ScriptedModals& operator=(const ScriptedModals&) = delete;

    // match: substring of the text or the caption.
    void expectMessageBox(int answer, std::string match = {});
    // The same, running whileOpen as if the user's events came while the box
    // is open (a timer tick, for instance), before it is answered.
    void expectMessageBox(int answer, std::string match, std::function<void()> whileOpen);
    // fileName nullopt: Cancel. filterIndex 0: the one the dialog was opened with.
    // match: substring of the title or the filter.
    void expectFileDialog(std::optional<std::string> fileName, std::string match = {},
                          int filterIndex = 0);
    // answer nullopt: Cancel. match: substring of the prompt or the caption.
    void expectInput(std::optional<std::string> answer, std::string match = {});
    // match: substring of the class name, the object name or the window title.
    void expectModal(int result, std::string match = {});
    void expectModal(DialogAction action, std::string match = {});

    const std::vector<Interaction>& interactions() const { return interactions_; }
    size_t pendingExpectations() const { return expectations_.size(); }

    // platform::ModalScript
    int messageBox(const platform::MessageBoxRequest& request) override;
    std::optional<platform::FileDialogResult>
    fileDialog(const platform::FileDialogRequest& request) override;
    std::optional<std::string> inputQuery(const platform::InputRequest& request) override;
    int execDialog(QDialog& dialog) override;

    static const char* kindName(Kind kind);

private:
    struct Expectation {
        Kind kind;
        std::string match;
        int answer = 0;                  // message box answer, modal result
        std::optional<std::string> text; // file name, input text
        int filterIndex = 0;
        DialogAction action;
        std::function<void()> whileOpen; // message box only
    };

    // Records the interaction; pops and returns the head expectation when it
    // matches, else records a failure.
    std::optional<Expectation> take(Interaction interaction,
                                    const std::vector<std::string>& matchable);

    std::deque<Expectation> expectations_;
    std::vector<Interaction> interactions_;
    platform::ModalScript* previous_;
};

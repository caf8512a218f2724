#include "scriptedmodals.h"

#include "platform/cp1252.h"

#include <QDialog>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Texts readable in the test output, which is UTF-8.
std::string shown(const std::string& cp1252) {
    return platform::toUnicode(cp1252).toStdString();
}

bool matches(const std::string& match, const std::vector<std::string>& matchable) {
    return match.empty() || std::any_of(matchable.begin(), matchable.end(), [&](auto& s) {
               return s.find(match) != std::string::npos;
           });
}

// What a user who wants nothing to happen would click.
int refusalOf(unsigned flags) {
    switch (flags & 0xF) {
    case platform::MB_OK:
        return platform::IDOK;
    case platform::MB_YESNO:
        return platform::IDNO;
    default:
        return platform::IDCANCEL;
    }
}

} // namespace

ScriptedModals::ScriptedModals() : previous_(platform::modalScript()) {
    platform::setModalScript(this);
}

ScriptedModals::~ScriptedModals() {
    platform::setModalScript(previous_);
    for (const Expectation& e : expectations_)
        ADD_FAILURE() << "expected " << kindName(e.kind) << " matching \"" << shown(e.match)
                      << "\" was never shown";
}

const char* ScriptedModals::kindName(Kind kind) {
    switch (kind) {
    case Kind::MessageBox:
        return "message box";
    case Kind::FileDialog:
        return "file dialog";
    case Kind::Input:
        return "input box";
    case Kind::Modal:
        return "modal window";
    }
    return "?";
}

void ScriptedModals::expectMessageBox(int answer, std::string match) {
    expectations_.push_back({Kind::MessageBox, std::move(match), answer, {}, 0, {}, {}});
}

void ScriptedModals::expectMessageBox(int answer, std::string match,
                                      std::function<void()> whileOpen) {
    expectations_.push_back(
        {Kind::MessageBox, std::move(match), answer, {}, 0, {}, std::move(whileOpen)});
}

void ScriptedModals::expectFileDialog(std::optional<std::string> fileName, std::string match,
                                      int filterIndex) {
    expectations_.push_back(
        {Kind::FileDialog, std::move(match), 0, std::move(fileName), filterIndex, {}, {}});
}

void ScriptedModals::expectInput(std::optional<std::string> answer, std::string match) {
    expectations_.push_back({Kind::Input, std::move(match), 0, std::move(answer), 0, {}, {}});
}

void ScriptedModals::expectModal(int result, std::string match) {
    expectations_.push_back({Kind::Modal, std::move(match), result, {}, 0, {}, {}});
}

void ScriptedModals::expectModal(DialogAction action, std::string match) {
    expectations_.push_back({Kind::Modal, std::move(match), 0, {}, 0, std::move(action), {}});
}

std::optional<ScriptedModals::Expectation>
ScriptedModals::take(Interaction interaction, const std::vector<std::string>& matchable) {
    const bool ok = !expectations_.empty() && expectations_.front().kind == interaction.kind &&
                    matches(expectations_.front().match, matchable);
    interaction.expected = ok;
    interactions_.push_back(interaction);
    if (!ok) {
        std::string wanted = "nothing more";
        if (!expectations_.empty())
            wanted = std::string(kindName(expectations_.front().kind)) + " matching \"" +
                     shown(expectations_.front().match) + "\"";
        ADD_FAILURE() << "unexpected " << kindName(interaction.kind) << " \""
                      << shown(interaction.text) << "\" (caption \"" << shown(interaction.caption)
                      << "\", class \"" << interaction.dialogClass << "\"); expected " << wanted;
        return std::nullopt;
    }
    Expectation e = std::move(expectations_.front());
    expectations_.pop_front();
    return e;
}

int ScriptedModals::messageBox(const platform::MessageBoxRequest& request) {
    Interaction i;
    i.kind = Kind::MessageBox;
    i.text = request.text;
    i.caption = request.caption;
    i.flags = request.flags;
    const auto e = take(i, {request.text, request.caption});
    if (e && e->whileOpen)
        e->whileOpen();
    return e ? e->answer : refusalOf(request.flags);
}

std::optional<platform::FileDialogResult>
ScriptedModals::fileDialog(const platform::FileDialogRequest& request) {
    Interaction i;
    i.kind = Kind::FileDialog;
    i.text = request.filter;
    i.caption = request.title;
    i.flags = (request.save ? kSaveDialog : 0) | (request.overwritePrompt ? kOverwritePrompt : 0);
    i.file = request;
    const auto e = take(i, {request.title, request.filter});
    if (!e || !e->text)
        return std::nullopt;
    return platform::FileDialogResult{*e->text,
                                      e->filterIndex ? e->filterIndex : request.filterIndex};
}

std::optional<std::string> ScriptedModals::inputQuery(const platform::InputRequest& request) {
    Interaction i;
    i.kind = Kind::Input;
    i.text = request.prompt;
    i.caption = request.caption;
    i.input = request;
    const auto e = take(i, {request.prompt, request.caption});
    return e ? e->text : std::nullopt;
}

int ScriptedModals::execDialog(QDialog& dialog) {
    Interaction i;
    i.kind = Kind::Modal;
    i.text = i.caption = platform::fromUnicode(dialog.windowTitle());
    i.dialogClass = dialog.metaObject()->className();
    i.objectName = dialog.objectName().toStdString();
    const auto e = take(i, {i.dialogClass, i.objectName, i.caption});
    if (!e)
        return QDialog::Rejected;
    // The window really runs, so its show and close handling happen as for a
    // user; the answer comes once its modal loop is going. The timer dies
    // with this call, so it can never fire into a later loop.
    QTimer answer;
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, &dialog, [&dialog, &e] {
        const int value = e->action ? e->action(dialog) : e->answer;
        if (dialog.isVisible())
            dialog.done(value);
    });
    answer.start(0);
    return dialog.exec();
}

#include "configeditor.h"

#include <QPointer>

namespace shell {

namespace {

ConfigEditorMaker& Maker() {
    static ConfigEditorMaker maker;
    return maker;
}

QPointer<TConfigEditorWindow>& Editor() {
    static QPointer<TConfigEditorWindow> editor;
    return editor;
}

} // namespace

void RegisterConfigEditor(ConfigEditorMaker maker) {
    Maker() = std::move(maker);
}

void CreateConfigEditor() {
    if (!Editor() && Maker())
        Editor() = Maker()();
}

TConfigEditorWindow* ConfigEditor() {
    return Editor();
}

void DestroyConfigEditor() {
    delete Editor().data();
    Editor() = nullptr;
}

} // namespace shell

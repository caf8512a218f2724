#pragma once
// The program-wide language state and the one way every window reads a text
// of the current language. Written at start-up (BindLanguageLibrary) and by
// the main window (LanguageIndex, LanguageCharset, LanguageCodePage).
#include "platform/module.h"

#include <QString>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

// "Languages.dll"; null when the library is missing (the program's own
// Italian table answers then).
extern platform::ModuleHandle LanguagesModule;
// Number of languages and strings per language as the library reports them;
// 1 when the library or its export is missing.
extern std::int8_t MaxLanguages;
extern std::int32_t MaxStrings;
// Current language (0 Italian, 1 English) and its font charset and code page.
extern std::int32_t LanguageIndex;
extern std::int32_t LanguageCharset;
extern std::int32_t LanguageCodePage;

// String n of the current language (id LanguageIndex x MaxStrings + n) into
// target, in code page 1252. False, with target untouched, when there is no
// such string.
bool LoadLanguageString(int n, std::string& target);
// String n of the current language; empty when there is none.
std::string LanguageText(int n);
// The same for a widget's text: target keeps its text when the string is missing.
bool LoadLanguageString(int n, QString& target);
// A control's text (a label, button or action) or a menu's title replaced
// by string n; kept when there is no such string.
template <typename T> void LoadLanguageCaption(T* target, int n) {
    QString text = target->text();
    if (LoadLanguageString(n, text))
        target->setText(text);
}
template <typename T> void LoadLanguageTitle(T* menu, int n) {
    QString text = menu->title();
    if (LoadLanguageString(n, text))
        menu->setTitle(text);
}
// String n read as a decimal number (slots 1 and 2: charset and code page).
// False, with target untouched, when the string is missing or not a number.
bool LoadLanguageNumber(int n, std::int32_t& target);

// Start-up: registers the program's own table, loads "Languages.dll" (or the
// given name) and asks it for the two counts. Never shows a message.
void BindLanguageLibrary(const std::string& libraryName = "Languages.dll");
// Frees the library; the program's own table answers from then on.
void FreeLanguageLibrary();

// The texts of the current language that a window keeps for its messages,
// by slot: Load reads them all; a missing string keeps what was loaded
// before (empty until then).
class TLanguageTexts {
public:
    TLanguageTexts(std::initializer_list<int> numbers);
    void Load();
    std::string Text(int n) const;

private:
    std::map<int, std::string> texts_;
};

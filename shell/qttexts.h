#pragma once
// Qt's own texts (standard buttons, file and print dialogs) in the language
// the program shows: Qt's catalogue of that language, installed on the
// application and replaced when the language changes. Start-up owns the one
// instance, from before the first box to the program's end.
#include <QString>
#include <QTranslator>
#include <memory>

class TQtTexts {
public:
    // Catalogues from folder; by default the folder Qt was installed with.
    explicit TQtTexts(QString folder = DefaultFolder());
    ~TQtTexts();
    TQtTexts(const TQtTexts&) = delete;
    TQtTexts& operator=(const TQtTexts&) = delete;

    // Qt's texts for the program's language (0 Italian, 1 English). False
    // when Qt has no catalogue for it: Qt then shows its built-in English.
    // The language in force asked again changes nothing.
    bool Apply(int languageIndex);
    static QString DefaultFolder();

private:
    void remove();

    QString folder_;
    std::unique_ptr<QTranslator> installed_;
    int language_ = -1; // of the catalogue installed
};

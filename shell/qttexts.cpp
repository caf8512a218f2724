#include "qttexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <iterator>

namespace {

// Qt's catalogue name of each program language, by language index.
constexpr const char* kCatalogues[] = {"qt_it", "qt_en"};

} // namespace

TQtTexts::TQtTexts(QString folder) : folder_(std::move(folder)) {}

TQtTexts::~TQtTexts() {
    remove();
}

QString TQtTexts::DefaultFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool TQtTexts::Apply(int languageIndex) {
    // Each change of catalogue makes every window translate itself again.
    if (installed_ && languageIndex == language_)
        return true;
    // The old catalogue goes first: a language without one must not keep
    // the texts of the language before.
    remove();
    if (languageIndex < 0 || languageIndex >= int(std::size(kCatalogues)))
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromLatin1(kCatalogues[languageIndex]), folder_))
        return false;
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    installed_ = std::move(translator);
    language_ = languageIndex;
    return true;
}

void TQtTexts::remove() {
    if (installed_)
        QCoreApplication::removeTranslator(installed_.get());
    installed_.reset();
}

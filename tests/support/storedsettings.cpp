#include "storedsettings.h"

#include <QSettings>

void UseStoredSettings(const QString& folder, int language) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Pellam", "3307K");
    stored.setValue("ComPort", 1);
    stored.setValue("MainPath", folder);
    stored.setValue("Language", language);
    stored.sync();
}

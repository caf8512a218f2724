#include "registry.h"

#include "cp1252.h"

#include <QSettings>
#include <QStringList>

namespace platform {

namespace {

// "\Software\Pellam\3307K" -> ("Pellam", "3307K").
bool splitKey(const std::string& key, QString& organisation, QString& application) {
    QStringList parts = QString::fromStdString(key).split('\\', Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare("Software", Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return false;
    organisation = parts.takeFirst();
    application = parts.join('/');
    return true;
}

} // namespace

Registry::Registry() = default;
Registry::~Registry() = default;

bool Registry::OpenKey(const std::string& key, bool canCreate) {
    CloseKey();
    QString organisation, application;
    if (!splitKey(key, organisation, application))
        return false;
    auto s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                         organisation, application);
    // Only this key: no organisation-wide or system-wide file may answer.
    s->setFallbacksEnabled(false);
    if (s->status() != QSettings::NoError)
        return false;
    if (!canCreate && s->allKeys().isEmpty())
        return false;
    if (canCreate && !s->isWritable())
        return false;
    settings_ = std::move(s);
    return true;
}

bool Registry::CloseKey() {
    if (!settings_)
        return true;
    settings_->sync();
    const bool stored = settings_->status() == QSettings::NoError;
    settings_.reset();
    return stored;
}

bool Registry::ValueExists(const std::string& name) const {
    return settings_ && settings_->contains(QString::fromStdString(name));
}

bool Registry::ReadInteger(const std::string& name, int& value) const {
    if (!ValueExists(name))
        return false;
    // Through the text: a variant's own conversion would wrap an out-of-range
    // number silently.
    bool ok = false;
    const int v = settings_->value(QString::fromStdString(name)).toString().toInt(&ok);
    if (ok)
        value = v;
    return ok;
}

bool Registry::ReadString(const std::string& name, std::string& value) const {
    if (!ValueExists(name))
        return false;
    // A list (an edited file's "a,b") is no string value.
    const QVariant v = settings_->value(QString::fromStdString(name));
    if (v.typeId() == QMetaType::QStringList)
        return false;
    value = fromUnicode(v.toString());
    return true;
}

bool Registry::WriteInteger(const std::string& name, int value) {
    if (!settings_)
        return false;
    settings_->setValue(QString::fromStdString(name), value);
    return true;
}

bool Registry::WriteString(const std::string& name, const std::string& value) {
    if (!settings_)
        return false;
    settings_->setValue(QString::fromStdString(name), toUnicode(value));
    return true;
}

} // namespace platform

// SettingsPresetStore: user gradients as QSettings values under "Gradients".
#include "app/editors/settings_preset_store.h"

#include <QSettings>

namespace qm::app {

namespace {

QSettings openSettings() {
    return QSettings(QSettings::defaultFormat(), QSettings::UserScope,
                     SettingsPresetStore::kOrganisation, SettingsPresetStore::kApplication);
}

QString groupKey(const std::string& name) {
    return QString::fromLatin1(gradient::kPresetSection) + QLatin1Char('/') +
           SettingsPresetStore::encodeKey(name);
}

} // namespace

QString SettingsPresetStore::encodeKey(const std::string& name) {
    if (name.empty()) return QStringLiteral("%");
    QString key;
    for (const QChar c : QString::fromStdString(name)) {
        if (c == QLatin1Char('%'))
            key += QStringLiteral("%25");
        else if (c == QLatin1Char('/'))
            key += QStringLiteral("%2F");
        else if (c == QLatin1Char('\\'))
            key += QStringLiteral("%5C");
        else
            key += c;
    }
    return key;
}

std::string SettingsPresetStore::decodeKey(const QString& key) {
    if (key == QStringLiteral("%")) return {};
    QString name;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QStringView rest = QStringView(key).mid(i, 3);
        if (rest == QStringLiteral("%25"))
            name += QLatin1Char('%');
        else if (rest.compare(QStringLiteral("%2F"), Qt::CaseInsensitive) == 0)
            name += QLatin1Char('/');
        else if (rest.compare(QStringLiteral("%5C"), Qt::CaseInsensitive) == 0)
            name += QLatin1Char('\\');
        else {
            name += key[i];
            continue;
        }
        i += 2;
    }
    return name.toStdString();
}

std::optional<std::vector<std::string>> SettingsPresetStore::names() {
    QSettings settings = openSettings();
    if (settings.status() != QSettings::NoError) return std::nullopt;
    settings.beginGroup(QString::fromLatin1(gradient::kPresetSection));
    std::vector<std::string> result;
    for (const QString& key : settings.childKeys())
        result.push_back(decodeKey(key));
    return result;
}

std::string SettingsPresetStore::read(const std::string& name, const std::string& fallback) {
    QSettings settings = openSettings();
    const QVariant value = settings.value(groupKey(name));
    if (!value.isValid()) return fallback;
    if (value.typeId() != QMetaType::QString) throw gradient::invalidDataTypeError(name);
    return value.toString().toStdString();
}

void SettingsPresetStore::write(const std::string& name, const std::string& value) {
    QSettings settings = openSettings();
    if (!settings.isWritable()) throw gradient::failedToCreateKeyError(gradient::kPresetSection);
    settings.setValue(groupKey(name), QString::fromStdString(value));
    settings.sync();
    if (settings.status() != QSettings::NoError) throw gradient::failedToSetDataError(name);
}

void SettingsPresetStore::remove(const std::string& name) {
    QSettings settings = openSettings();
    settings.remove(groupKey(name));
    settings.sync();
}

} // namespace qm::app

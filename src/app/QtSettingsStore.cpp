#include "QtSettingsStore.h"

#include <QSettings>
#include <QStringList>

namespace qm {

namespace {

QString keyOf(const std::string& key) {
    return QString::fromStdString(key);
}

} // namespace

std::optional<std::string> QtSettingsStore::text(const std::string& key) {
    QSettings settings;
    if (!settings.contains(keyOf(key)))
        return std::nullopt;
    return settings.value(keyOf(key)).toString().toStdString();
}

std::optional<bool> QtSettingsStore::flag(const std::string& key) {
    QSettings settings;
    if (!settings.contains(keyOf(key)))
        return std::nullopt;
    return settings.value(keyOf(key)).toBool();
}

std::optional<std::vector<std::string>> QtSettingsStore::list(const std::string& key) {
    QSettings settings;
    if (!settings.contains(keyOf(key)))
        return std::nullopt;
    std::vector<std::string> items;
    for (const QString& item : settings.value(keyOf(key)).toStringList())
        items.push_back(item.toStdString());
    return items;
}

void QtSettingsStore::setText(const std::string& key, const std::string& value) {
    QSettings().setValue(keyOf(key), QString::fromStdString(value));
}

void QtSettingsStore::setFlag(const std::string& key, bool value) {
    QSettings().setValue(keyOf(key), value);
}

void QtSettingsStore::setList(const std::string& key, const std::vector<std::string>& value) {
    QStringList items;
    for (const std::string& item : value)
        items.append(QString::fromStdString(item));
    QSettings().setValue(keyOf(key), items);
}

} // namespace qm

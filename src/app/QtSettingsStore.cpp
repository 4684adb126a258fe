#include "QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace qm {

namespace {

QString keyOf(const std::string& key) {
    return QString::fromStdString(key);
}

} // namespace

QString QtSettingsStore::file() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString own = config + QStringLiteral("/quillmark/quillmark.conf");
    const QString old = config + QStringLiteral("/Unknown Organization/quillmark.conf");
    if (!QFileInfo::exists(own) && QFileInfo::exists(old)) {
        QDir().mkpath(QFileInfo(own).path());
        QFile::copy(old, own); // a failed copy starts with the defaults
    }
    return own;
}

QSettings QtSettingsStore::open() {
    return QSettings(file(), QSettings::IniFormat);
}

std::optional<std::string> QtSettingsStore::text(const std::string& key) {
    QSettings settings = open();
    if (!settings.contains(keyOf(key)))
        return std::nullopt;
    return settings.value(keyOf(key)).toString().toStdString();
}

std::optional<bool> QtSettingsStore::flag(const std::string& key) {
    QSettings settings = open();
    if (!settings.contains(keyOf(key)))
        return std::nullopt;
    return settings.value(keyOf(key)).toBool();
}

std::optional<std::vector<std::string>> QtSettingsStore::list(const std::string& key) {
    QSettings settings = open();
    if (!settings.contains(keyOf(key)))
        return std::nullopt;
    std::vector<std::string> items;
    for (const QString& item : settings.value(keyOf(key)).toStringList())
        items.push_back(item.toStdString());
    return items;
}

void QtSettingsStore::setText(const std::string& key, const std::string& value) {
    open().setValue(keyOf(key), QString::fromStdString(value));
}

void QtSettingsStore::setFlag(const std::string& key, bool value) {
    open().setValue(keyOf(key), value);
}

void QtSettingsStore::setList(const std::string& key, const std::vector<std::string>& value) {
    QStringList items;
    for (const std::string& item : value)
        items.append(QString::fromStdString(item));
    open().setValue(keyOf(key), items);
}

} // namespace qm

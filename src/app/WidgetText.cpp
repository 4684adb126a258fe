#include "WidgetText.h"

#include "text/Gbk.h"

#include <QFile>

namespace qm::widgettext {

QString fromGbk(std::string_view gbk) {
    return QString::fromStdString(gbk::toUtf8(gbk));
}

QString fromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace qm::widgettext

#include "WidgetText.h"

#include "text/Error.h"
#include "text/Gbk.h"

#include <QFile>

namespace qm::widgettext {

QString fromGbk(std::string_view gbk) {
    return QString::fromStdString(gbk::toUtf8(gbk));
}

std::string toGbk(const QString& text) {
    return gbk::fromUtf8(text.toStdString());
}

QString memoFromGbk(std::string_view gbk) {
    QString text = fromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string memoToGbk(const QString& text) {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toGbk(crlf);
}

QString boxText(std::string_view gbk) {
    QString text = fromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString errorText(const std::exception& error) {
    if (dynamic_cast<const Error*>(&error) != nullptr)
        return boxText(error.what());
    return QString::fromLocal8Bit(error.what());
}

QString fromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path toPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace qm::widgettext

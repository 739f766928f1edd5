#include "dialog/qt/TextConvert.h"

#include "dialog/Gbk.h"

#include <QFileInfo>

namespace dialog::qt {

QString fromSurface(const std::string& gbk) { return QString::fromStdString(dialog::fromGbk(gbk)); }

std::string toSurface(const QString& text) { return dialog::toGbk(text.toStdString()); }

QString fromSurfaceLines(const std::string& gbk)
{
    QString text = fromSurface(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string toSurfaceLines(const QString& text)
{
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toSurface(crlf);
}

QString fromSource(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString withoutMnemonic(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
            out += QLatin1Char('&');
            ++i;
        }
    }
    return out;
}

QStringList nameFiltersFrom(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        QString patterns = parts[i + 1].trimmed();
        if (name.isEmpty() && patterns.isEmpty())
            break; // the "||" that ends the list
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        // A name that already ends with its patterns in brackets is shown
        // as written: Qt reads the patterns from there.
        if (name.endsWith(QStringLiteral("(%1)").arg(patterns)))
            out << name;
        else
            out << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return out;
}

QString withDefaultExtension(const QString& path, const QString& ext)
{
    QString bare = ext.startsWith(QLatin1Char('.')) ? ext.mid(1) : ext;
    if (bare.isEmpty() || path.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + bare;
}

} // namespace dialog::qt

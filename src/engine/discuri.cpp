#include "engine/disc.h"

#include <QUrl>

namespace veltrin {

namespace {

QString prefix()
{
    return QString::fromLatin1(kDiscUriScheme) + QStringLiteral("://");
}

} // namespace

QString discUri(const QString& source, const QString& inner)
{
    QString uri = prefix() + QString::fromLatin1(QUrl::toPercentEncoding(source)) + u'/';
    QStringList parts;
    for (const QString& part : discPathComponents(inner))
        parts.append(QString::fromLatin1(QUrl::toPercentEncoding(part)));
    return uri + parts.join(u'/');
}

std::optional<DiscPath> parseDiscUri(const QString& uri)
{
    if (!uri.startsWith(prefix(), Qt::CaseInsensitive))
        return std::nullopt;
    const QString rest = uri.mid(prefix().size());
    const qsizetype slash = rest.indexOf(u'/');
    const auto decode = [](QStringView part) { return QUrl::fromPercentEncoding(part.toLatin1()); };
    // Percent-encoded URIs are ASCII; anything else was not made by discUri.
    for (QChar c : rest) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f)
            return std::nullopt;
    }
    DiscPath path;
    path.container = decode(QStringView(rest).left(slash < 0 ? rest.size() : slash));
    QStringList inner;
    if (slash >= 0) {
        for (const QString& part : rest.mid(slash + 1).split(u'/'))
            inner.append(decode(part));
    }
    // A NUL would cut the name short where it meets the C library.
    if (path.container.isEmpty() || path.container.contains(QChar(0)))
        return std::nullopt;
    for (const QString& part : inner) {
        if (part.contains(QChar(0)) || part.contains(u'/'))
            return std::nullopt;
    }
    path.inner = discPathComponents(inner.join(u'/')).join(u'/');
    return path;
}

std::optional<QString> discUriForPath(const QString& path)
{
    const std::optional<DiscPath> where = splitDiscPath(path);
    if (!where || where->inner.isEmpty())
        return std::nullopt;
    return discUri(where->container, where->inner);
}

} // namespace veltrin

// The text of disc URIs and of audio track names: no disc is read here.
#include "engine/disc.h"

#include <QUrl>

namespace veltrin {

namespace {

QString prefix()
{
    return QString::fromLatin1(kDiscUriScheme) + QStringLiteral("://");
}

} // namespace

QString cdAudioTrackName(int track)
{
    return QStringLiteral("Track%1.cda").arg(track, 2, 10, QChar(u'0'));
}

int cdAudioTrackNumber(const QString& name)
{
    // "Track", two ASCII digits, ".cda".
    const auto digit = [&](int at) {
        const char16_t c = name.at(at).unicode();
        return c >= u'0' && c <= u'9' ? int(c - u'0') : -1;
    };
    if (name.size() != 11 || !name.startsWith(u"track", Qt::CaseInsensitive)
        || !name.endsWith(u".cda", Qt::CaseInsensitive) || digit(5) < 0 || digit(6) < 0)
        return 0;
    return digit(5) * 10 + digit(6);
}

QString cdAudioUri(const QString& source, int track)
{
    // The CD audio source takes the device from the URI's location, up to
    // the last "#"; an encoded "#" in the path stays out of its way.
    return QStringLiteral("cdda://") + QString::fromLatin1(QUrl::toPercentEncoding(source, "/"))
        + u'#' + QString::number(track);
}

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

} // namespace veltrin

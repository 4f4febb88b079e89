#include "runtime/discpath.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

namespace veltrin {

bool hasDiscImageSuffix(const QString& name)
{
    for (QLatin1StringView suffix : { QLatin1StringView(".cue"), QLatin1StringView(".bin"),
             QLatin1StringView(".iso"), QLatin1StringView(".nrg"), QLatin1StringView(".toc") }) {
        // A bare ".iso" is a hidden file's name, not an image.
        if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive)
            && name.at(name.size() - suffix.size() - 1) != u'/')
            return true;
    }
    return false;
}

bool hasOpticalDeviceName(const QString& path)
{
    if (!path.startsWith(QLatin1StringView("/dev/")))
        return false;
    const QStringView name = QStringView(path).mid(5);
    if (name.contains(u'/'))
        return false;
    return name.startsWith(u"sr") || name.startsWith(u"cdrom");
}

bool isDiscContainer(const QString& path)
{
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    if (S_ISREG(st.st_mode))
        return hasDiscImageSuffix(path);
    return S_ISBLK(st.st_mode) && hasOpticalDeviceName(path);
}

std::optional<DiscPath> splitDiscPath(
    const QString& path, const std::function<bool(const QString&)>& isContainer)
{
    // Each prefix that ends a component is a candidate; only names that look
    // like containers are handed to the (file system) test.
    for (qsizetype end = 0; end <= path.size(); ++end) {
        if (end < path.size() && path.at(end) != u'/')
            continue;
        if (end == 0 || path.at(end - 1) == u'/')
            continue;
        const QString prefix = path.left(end);
        if (!hasDiscImageSuffix(prefix) && !hasOpticalDeviceName(prefix))
            continue;
        if (!isContainer(prefix))
            continue;
        return DiscPath { prefix, discPathComponents(path.mid(end)).join(u'/') };
    }
    return std::nullopt;
}

std::optional<DiscPath> splitDiscPath(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
    return splitDiscPath(absolute, [](const QString& p) { return isDiscContainer(p); });
}

QStringList discPathComponents(const QString& inner)
{
    QStringList out;
    for (const QString& part : inner.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out.append(part);
    }
    return out;
}

} // namespace veltrin

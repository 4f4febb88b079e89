#include "runtime/mediafiles.h"

#include <QFileInfo>
#include <array>

namespace veltrin {

bool isMediaFileName(const QString& name)
{
    static constexpr std::array kExtensions { u".dat", u".vob", u".mpg", u".mpeg", u".avi", u".mp3",
        u".asf", u".wm", u".wma", u".wmv", u".qt", u".mov", u".mp4", u".cda", u".pls", u".m3u",
        u".m3u8", u".cue", u".bin", u".iso", u".nrg", u".toc" };
    for (const char16_t* ext : kExtensions) {
        if (name.endsWith(QStringView(ext), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool isPlayListName(const QString& name)
{
    static constexpr std::array<std::array<QStringView, 2>, 3> kExtensions { {
        { u".pls", u".PLS" },
        { u".m3u", u".M3U" },
        { u".m3u8", u".M3U8" },
    } };
    for (const auto& ext : kExtensions) {
        if (name.endsWith(ext[0]) || name.endsWith(ext[1]))
            return true;
    }
    return false;
}

QString firstMediaFile(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        // A folder named like a media file is still a folder.
        if (info.isFile() && isMediaFileName(info.fileName()))
            return info.absoluteFilePath();
    }
    return {};
}

QString fileNamePart(const QString& path)
{
    if (path.isEmpty())
        return path;
    const qsizetype sep = path.lastIndexOf(u'/', path.size() - 2);
    return sep < 0 ? path : path.mid(sep + 1);
}

} // namespace veltrin

#include "player/playlistfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>
#include <array>
#include <map>

namespace veltrin {

namespace {

// Text that is valid UTF-8 is read as such; anything else is 8-bit text
// in the system's code page, and Latin-1 keeps every byte as one character.
QString decodeUtf8OrLatin1(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

QString decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    return utf8(bytes);
}

// A list cut short mid-way keeps what it has: nobody plays more tracks
// from one list, and the file list must stay usable.
QStringList splitLines(QStringView text)
{
    // Editors that write UTF-8 often start with a byte order mark; it is
    // never part of the first name.
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1);
    QStringList lines;
    qsizetype start = 0;
    qsizetype i = 0;
    for (; i < text.size() && lines.size() < kMaxPlayListLines; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start).toString();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() && lines.size() < kMaxPlayListLines)
        lines << text.mid(start).toString();
    return lines;
}

QString withoutTrailingSpaces(const QString& line)
{
    qsizetype end = line.size();
    while (end > 0 && line[end - 1] == u' ')
        --end;
    return line.left(end);
}

// "scheme://...": a stream or a file named by URL, never a file name.
bool hasScheme(const QString& s)
{
    auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    const qsizetype sep = s.indexOf(u"://");
    if (sep <= 0 || !letter(s[0].unicode()))
        return false;
    for (qsizetype i = 1; i < sep; ++i) {
        const char16_t c = s[i].unicode();
        if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

class EntryMaker {
public:
    explicit EntryMaker(const QString& listPath)
        : m_folder(QDir::cleanPath(QFileInfo(listPath).absolutePath()))
    {
    }
    // A relative name lives beside the list, wherever the player was started.
    PlayListEntry operator()(const QString& name) const
    {
        if (name.startsWith(u'/'))
            return { name, name };
        return { name, m_folder.endsWith(u'/') ? m_folder + name : m_folder + u'/' + name };
    }

private:
    QString m_folder;
};

bool isIniHeader(const QStringList& lines)
{
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (!t.isEmpty())
            return t.compare(u"[playlist]", Qt::CaseInsensitive) == 0;
    }
    return false;
}

// [playlist] with File1=..., File2=...: entries in the order of their
// numbers, whatever order the lines come in and whatever numbers are left out.
QList<PlayListEntry> parseIni(const QStringList& lines, const EntryMaker& entry)
{
    std::map<qulonglong, QString> files;
    bool inPlaylist = false;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inPlaylist = line.compare(u"[playlist]", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inPlaylist || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (!key.startsWith(u"file", Qt::CaseInsensitive) || key.size() == 4)
            continue;
        bool ok = false;
        const QStringView digits = QStringView(key).mid(4);
        const qulonglong n = digits.toULongLong(&ok);
        // Only plain digits: "File+1" or "File 1" are other keys.
        if (!ok || digits.front() < u'0' || digits.front() > u'9')
            continue;
        files[n] = line.mid(eq + 1).trimmed(); // a repeated number: the last one holds
    }
    QList<PlayListEntry> entries;
    for (const auto& [n, value] : files) {
        if (!value.isEmpty() && !value.contains(QChar(0)) && !hasScheme(value))
            entries << entry(value);
    }
    return entries;
}

// M3U: one name or URL a line, "#" lines are comments and extended info.
QList<PlayListEntry> parseM3u(const QStringList& lines, const EntryMaker& entry)
{
    QList<PlayListEntry> entries;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.contains(QChar(0)))
            continue;
        if (!hasScheme(line)) {
            entries << entry(line);
            continue;
        }
        QUrl url(line);
        if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == u"localhost"))
            continue; // streams are not played from a list
        url.setHost(QString()); // file://localhost/x is the local /x
        const QString path = url.toLocalFile();
        if (path.startsWith(u'/') && !path.contains(QChar(0)))
            entries << PlayListEntry { path, path };
    }
    return entries;
}

} // namespace

QStringList splitPlayList(const QByteArray& bytes)
{
    QStringList lines = splitLines(decodeUtf8OrLatin1(bytes));
    for (QString& l : lines)
        l = withoutTrailingSpaces(l);
    return lines;
}

QList<PlayListEntry> parsePlayList(const QByteArray& bytes, const QString& listPath)
{
    const EntryMaker entry(listPath);
    const bool utf8 = listPath.endsWith(u".m3u8", Qt::CaseInsensitive);
    const bool m3u = utf8 || listPath.endsWith(u".m3u", Qt::CaseInsensitive);
    const QStringList lines = splitLines(utf8 ? decodeUtf8(bytes) : decodeUtf8OrLatin1(bytes));
    if (isIniHeader(lines))
        return parseIni(lines, entry);
    if (m3u)
        return parseM3u(lines, entry);
    // One name a line, empty lines included: each line is an entry.
    QList<PlayListEntry> entries;
    entries.reserve(lines.size());
    for (const QString& line : lines) {
        // Such a name cannot reach the file system whole: cut at the NUL it
        // would name another file.
        if (!line.contains(QChar(0)))
            entries << entry(withoutTrailingSpaces(line));
    }
    return entries;
}

QList<PlayListEntry> readPlayList(const QString& path)
{
    QFile file(path);
    // Only a regular file is read: a FIFO or device behind the name would block.
    if (path.contains(QChar(0)) || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)
        || file.isSequential())
        return {};
    return parsePlayList(file.read(kMaxPlayListBytes), path);
}

} // namespace veltrin

#include "player/playlistfile.h"

namespace veltrin {

// A list longer than kMaxPlayListLines is cut: nobody plays more tracks from
// one folder, and the file list must stay usable.
QStringList splitPlayList(const QByteArray& bytes)
{
    // The play list is 8-bit text in the system's code page: Latin-1 keeps
    // every byte as one character, and names that are valid UTF-8 stay readable.
    const QString text = QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter)
        ? QString::fromLatin1(bytes)
        : QString::fromUtf8(bytes);
    QStringList lines;
    QString line;
    bool pending = false;
    for (qsizetype i = 0; i < text.size() && lines.size() < kMaxPlayListLines; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines << line;
            line.clear();
            pending = false;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            line += c;
            pending = true;
        }
    }
    if (pending && lines.size() < kMaxPlayListLines)
        lines << line;
    for (QString& l : lines) {
        qsizetype end = l.size();
        while (end > 0 && l[end - 1] == u' ')
            --end;
        l.truncate(end);
    }
    return lines;
}

} // namespace veltrin

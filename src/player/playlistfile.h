#pragma once

#include "runtime/mediafiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace veltrin {

// The lines of a play list file: lines end with CR, LF or CR LF, trailing
// spaces are dropped and empty lines kept. Text that is not valid UTF-8 is
// read as Latin-1, one character per byte. At most kMaxPlayListLines lines.
QStringList splitPlayList(const QByteArray& bytes);

inline constexpr int kMaxPlayListLines = 100000;
// A longer file is read only this far.
inline constexpr qint64 kMaxPlayListBytes = 16 << 20;

// One entry of a play list: the name as the list writes it (shown in the
// title line) and the path it plays.
struct PlayListEntry {
    QString name;
    QString path;
    friend bool operator==(const PlayListEntry&, const PlayListEntry&) = default;
};

// The entries of a play list's bytes. `listPath` names the list file: its
// folder is where relative entries live, and its extension tells an M3U list
// from the one-name-per-line kind. A list whose first non-blank line is
// "[playlist]" is read as an INI-style PLS list whatever its name.
// Lines holding a NUL character are never entries.
QList<PlayListEntry> parsePlayList(const QByteArray& bytes, const QString& listPath);

// Reads the play list file at `path` (a regular file only, at most
// kMaxPlayListBytes of it) and parses it; an unreadable file has no entries.
QList<PlayListEntry> readPlayList(const QString& path);

} // namespace veltrin

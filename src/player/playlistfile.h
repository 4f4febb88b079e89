#pragma once

#include <QByteArray>
#include <QStringList>

namespace veltrin {

// The lines of a play list file: lines end with CR, LF or CR LF, trailing
// spaces are dropped and empty lines kept. Text that is not valid UTF-8 is
// read as Latin-1, one character per byte. At most kMaxPlayListLines lines.
QStringList splitPlayList(const QByteArray& bytes);

inline constexpr int kMaxPlayListLines = 100000;
// A longer file is read only this far.
inline constexpr qint64 kMaxPlayListBytes = 16 << 20;

} // namespace veltrin

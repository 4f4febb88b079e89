#pragma once

#include <QString>
#include <QStringList>

namespace veltrin {

// The player's command line: every argument after the program name joined by
// single spaces, then every double quote removed. Nothing is trimmed.
QString joinCommandLine(const QStringList& arguments);

// The same, taken from main()'s raw argv before Qt or GStreamer can read
// options out of it. Arguments are decoded as local 8-bit file names.
QString joinCommandLine(int argc, const char* const* argv);

} // namespace veltrin

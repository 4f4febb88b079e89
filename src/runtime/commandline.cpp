#include "runtime/commandline.h"

#include <QFile>

namespace veltrin {

QString joinCommandLine(const QStringList& arguments)
{
    QString line = arguments.join(u' ');
    line.remove(u'"');
    return line;
}

QString joinCommandLine(int argc, const char* const* argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    return joinCommandLine(args);
}

} // namespace veltrin

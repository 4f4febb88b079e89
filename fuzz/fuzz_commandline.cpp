// The command-line joiner: the input is split at NUL bytes into arguments, as
// the kernel hands them to main().
#include "check.h"
#include "runtime/commandline.h"

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args { "veltrin" };
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size > 0)
        args.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);

    const int argc = static_cast<int>(args.size());
    const QString line = veltrin::joinCommandLine(argc, argv.data());

    FUZZ_CHECK(!line.contains(u'"'));
    // The same words, each decoded as a file name, joined by single spaces.
    QStringList decoded;
    qsizetype quotes = 0;
    for (int i = 1; i < argc; ++i) {
        decoded << QFile::decodeName(argv[static_cast<size_t>(i)]);
        quotes += decoded.last().count(u'"');
    }
    FUZZ_CHECK(line == veltrin::joinCommandLine(decoded));
    const qsizetype joined = decoded.isEmpty() ? 0 : decoded.join(u' ').size();
    FUZZ_CHECK(line.size() == joined - quotes);
    return 0;
}

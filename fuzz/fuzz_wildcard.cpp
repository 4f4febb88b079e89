// The ";"-separated wildcard patterns of the file lists: the input is a file
// name and a pattern list, split at the first NUL or line feed.
#include "check.h"
#include "runtime/wildcard.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool isAscii(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// An independent reading of one pattern for ASCII text: "*" any run, "?" one
// character, everything else literal, case ignored. A table over prefixes
// rather than a regex: a regex engine gives up on patterns full of stars.
bool matchesByTable(const QString& name, const QString& pattern)
{
    const auto fold = [](QChar c) { return c.toLower(); };
    const qsizetype n = name.size(), m = pattern.size();
    // row[j]: the name's prefix so far matches the pattern's first j characters.
    std::vector<char> row(static_cast<size_t>(m + 1), 0), next(row.size());
    row[0] = 1;
    for (qsizetype j = 1; j <= m && pattern[j - 1] == u'*'; ++j)
        row[static_cast<size_t>(j)] = 1;
    for (qsizetype i = 1; i <= n; ++i) {
        next.assign(next.size(), 0);
        for (qsizetype j = 1; j <= m; ++j) {
            const QChar p = pattern[j - 1];
            const auto uj = static_cast<size_t>(j);
            if (p == u'*')
                next[uj] = next[uj - 1] || row[uj];
            else if (p == u'?' || fold(p) == fold(name[i - 1]))
                next[uj] = row[uj - 1];
        }
        row.swap(next);
    }
    return row[static_cast<size_t>(m)] != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qsizetype cut = bytes.indexOf('\0');
    if (cut < 0)
        cut = bytes.indexOf('\n');
    const QString name = QString::fromUtf8(cut < 0 ? bytes : bytes.left(cut));
    const QString patterns = cut < 0 ? QString() : QString::fromUtf8(bytes.mid(cut + 1));

    const bool listed = veltrin::matchesPatternList(name, patterns);

    // The list matches exactly when one of its trimmed, non-empty entries does.
    bool any = false;
    for (const QString& p : patterns.split(u';')) {
        const QString t = p.trimmed();
        if (t.isEmpty())
            continue;
        const bool one = veltrin::matchesWildcard(name, t);
        any = any || one;
        if (isAscii(name) && isAscii(t) && name.size() <= 64 && t.size() <= 64)
            FUZZ_CHECK(one == matchesByTable(name, t));
    }
    FUZZ_CHECK(listed == any);

    FUZZ_CHECK(veltrin::matchesWildcard(name, QStringLiteral("*")));
    FUZZ_CHECK(veltrin::matchesWildcard(name, QString(name.size(), u'?')));
    if (!name.contains(u'*') && !name.contains(u'?')) {
        FUZZ_CHECK(veltrin::matchesWildcard(name, name));
        if (isAscii(name))
            FUZZ_CHECK(veltrin::matchesWildcard(name.toUpper(), name.toLower()));
    }
    if (!name.isEmpty())
        FUZZ_CHECK(!veltrin::matchesWildcard(name, QString()));
    return 0;
}

// The ";"-separated wildcard patterns of the file lists: the input is a file
// name and a pattern list, split at the first NUL or line feed.
#include "check.h"
#include "runtime/wildcard.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool isAscii(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// An independent reading of one pattern: "*" any run, "?" one character,
// everything else literal, case ignored.
bool matchesByRegex(const QString& name, const QString& pattern)
{
    QString re;
    for (QChar c : pattern) {
        if (c == u'*')
            re += QStringLiteral(".*");
        else if (c == u'?')
            re += u'.';
        else // hex escapes: an escaped NUL before a digit would read as octal
            re += QStringLiteral("\\x{%1}").arg(c.unicode(), 0, 16);
    }
    const QRegularExpression rx(QRegularExpression::anchoredPattern(re),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return rx.match(name).hasMatch();
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
            FUZZ_CHECK(one == matchesByRegex(name, t));
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

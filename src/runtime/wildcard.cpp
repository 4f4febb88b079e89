#include "runtime/wildcard.h"

namespace veltrin {

bool matchesWildcard(const QString& name, const QString& pattern)
{
    // Iterative matcher with single-star backtracking: linear memory and no
    // recursion, so hostile patterns cannot blow the stack.
    const QString n = name.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    qsizetype ni = 0, pi = 0, starP = -1, starN = 0;
    while (ni < n.size()) {
        // A star is a wildcard even where the name holds a literal "*".
        if (pi < p.size() && p[pi] == u'*') {
            starP = pi++;
            starN = ni;
        } else if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
            ++ni;
            ++pi;
        } else if (starP >= 0) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
}

bool matchesPatternList(const QString& name, const QString& patternList)
{
    const auto patterns = patternList.split(u';');
    for (const QString& raw : patterns) {
        const QString pattern = raw.trimmed();
        if (!pattern.isEmpty() && matchesWildcard(name, pattern))
            return true;
    }
    return false;
}

} // namespace veltrin

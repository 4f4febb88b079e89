#pragma once

#include <QString>
#include <QStringList>

namespace veltrin {

// Matches a file name against one or more wildcard patterns separated by ";",
// without regard to case. "*" matches any run of characters, "?" exactly one;
// every other character stands for itself. Empty pattern entries match nothing.
bool matchesPatternList(const QString& name, const QString& patternList);

// One pattern, no ";" splitting.
bool matchesWildcard(const QString& name, const QString& pattern);

} // namespace veltrin

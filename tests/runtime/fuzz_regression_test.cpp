// Inputs the fuzzers found; each once broke a parser of outside text.
#include "runtime/wildcard.h"

#include <gtest/gtest.h>

using veltrin::matchesPatternList;

namespace {

// A name holding a literal "*" used to consume the pattern's star as an
// ordinary character, so "*" did not match it and "*.mpg" missed "*o.mpg".
TEST(FuzzRegression, starInTheNameStaysMatchableByAStar)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        { "*o", "*", true }, // the fuzzer's input
        { "*o.mpg", "*.mpg", true },
        { "*cool*.MPG", "*.mpg;*.avi", true },
        { "a*b", "a*", true },
        { "**", "*", true },
        { "*", "?", true },
        { "*o", "*x", false },
        { "x*", "*o", false },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            matchesPatternList(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)), c.matches)
            << c.name << " against " << c.pattern;
    }
}

} // namespace

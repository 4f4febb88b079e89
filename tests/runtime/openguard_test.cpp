#include "runtime/openguard.h"
#include "support/wait.h"

#include <QObject>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using veltrin::OpenInProgress;
using veltrin::test::waitFor;

namespace {

// Scopes nest; without one, work handed over runs at once.
TEST(OpenInProgress, scopesNestAndWorkWithoutOneRunsAtOnce)
{
    EXPECT_FALSE(OpenInProgress::active());
    {
        const OpenInProgress outer;
        {
            const OpenInProgress inner;
            EXPECT_TRUE(OpenInProgress::active());
        }
        EXPECT_TRUE(OpenInProgress::active());
    }
    EXPECT_FALSE(OpenInProgress::active());
    QObject context;
    bool ran = false;
    OpenInProgress::afterOpen(&context, [&] { ran = true; });
    EXPECT_TRUE(ran);
}

// Work handed over during an open runs from the event loop after the last
// scope has ended, in order, never inside the open, and not for a context
// that went away meanwhile.
TEST(OpenInProgress, workDuringAnOpenRunsAfterItInOrder)
{
    QObject context;
    auto gone = std::make_unique<QObject>();
    QStringList log;
    {
        const OpenInProgress outer;
        OpenInProgress::afterOpen(&context, [&] {
            log << QStringLiteral("first");
            EXPECT_FALSE(OpenInProgress::active());
        });
        {
            const OpenInProgress inner;
            OpenInProgress::afterOpen(gone.get(), [&] { log << QStringLiteral("gone"); });
            OpenInProgress::afterOpen(&context, [&] { log << QStringLiteral("second"); });
        }
        gone.reset();
        QCoreApplication::processEvents();
        EXPECT_TRUE(log.isEmpty());
    }
    EXPECT_TRUE(log.isEmpty()); // posted: the open's caller finishes first
    EXPECT_TRUE(waitFor([&] { return log.size() >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(log, QStringList({ QStringLiteral("first"), QStringLiteral("second") }));
}

// An open that has started again by the time the work comes to run keeps it
// waiting for that one too.
TEST(OpenInProgress, workWaitsForAnOpenStartedBeforeItRuns)
{
    QObject context;
    int runs = 0;
    std::optional<OpenInProgress> next;
    {
        const OpenInProgress first;
        OpenInProgress::afterOpen(&context, [&] {
            EXPECT_FALSE(OpenInProgress::active());
            ++runs;
        });
    }
    next.emplace();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0);
    next.reset();
    EXPECT_TRUE(waitFor([&] { return runs == 1; }));
}

} // namespace

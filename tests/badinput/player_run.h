#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace veltrin::test {

// One run of the real player with its own runtime and configuration folders,
// its output captured to files and a probe socket it answers on its GUI thread.
class PlayerRun {
public:
    // Arguments are raw bytes, so names that are not UTF-8 reach the program
    // unchanged. workDir is the program's current folder: File1 starts there.
    explicit PlayerRun(
        QString label, std::vector<QByteArray> args = {}, QByteArray workDir = QByteArray());
    ~PlayerRun();
    PlayerRun(const PlayerRun&) = delete;
    PlayerRun& operator=(const PlayerRun&) = delete;

    const QString& label() const { return m_label; }
    // $XDG_CONFIG_HOME/Veltrin: the folder of the settings file.
    QString settingsFolder() const;

    // An entry ("NAME=value") added to the program's environment at start.
    void addEnvironment(QByteArray entry) { m_extraEnv.push_back(std::move(entry)); }
    // Runs the program as this user (through setpriv; the test must be
    // root): file permissions then hold as they do for a user. program is a
    // copy of the player that user can reach.
    void runAs(uid_t uid, QByteArray program)
    {
        m_uid = uid;
        m_program = std::move(program);
    }
    bool start();
    pid_t pid() const { return m_pid; }
    int probeFd() const { return m_probe; }
    // Whether the process still runs; reaps it when it has ended.
    bool running();
    std::optional<int> waitStatus() const { return m_status; }
    // Sends SIGTERM and waits for the end within the bound; kills it after.
    bool terminate(int boundMs);
    QByteArray output() const; // stdout and stderr together

    // Whether the program holds the file open (its /proc/PID/fd entries).
    bool holdsOpen(const QByteArray& path) const;

    void fail(const QString& what) { failures << what; }
    QStringList failures;

private:
    bool waitEnd(int boundMs);

    QString m_label;
    std::vector<QByteArray> m_args;
    QByteArray m_workDir;
    std::vector<QByteArray> m_extraEnv;
    std::optional<uid_t> m_uid;
    QByteArray m_program = VELTRIN_BINARY;
    QTemporaryDir m_home;
    pid_t m_pid = -1;
    int m_pidFd = -1;
    int m_probe = -1;
    std::optional<int> m_status;
};

struct ProbeLimits {
    int firstAnswerMs = 20000; // start-up with one bounded open, slow under sanitizers
    int probeMs = 3000; // probing after the first answer
#ifdef VELTRIN_SANITIZED
    // Instrumented code opens a file several times slower; the bound is about
    // the event loop never waiting on a file, not about speed.
    int answerMs = 1000;
#else
    int answerMs = 250; // each answer within this
#endif
    int intervalMs = 50;
};

using RunList = std::vector<std::unique_ptr<PlayerRun>>;
using RunHook = std::function<void(PlayerRun&)>;

// Starts the runs batch by batch; probes each batch at once (every answer in
// time, the player's window the only one shown); calls afterProbe while it
// still runs; ends each with SIGTERM and checks a zero exit code within a
// bound and no output at all. onFirstAnswer runs once per run when its event
// loop first answers. Failures are reported as test failures named by run.
void expectSurvives(const RunList& runs, size_t batch, const RunHook& onFirstAnswer = {},
    const RunHook& afterProbe = {}, const ProbeLimits& limits = {});

// Waits for the condition with a bound, checking every few milliseconds.
bool waitUntil(const std::function<bool()>& condition, int boundMs);

// Small helpers for building hostile file system entries.
bool writeBytes(const QByteArray& path, const QByteArray& bytes);
bool makeFifo(const QByteArray& path);
bool makeSocketFile(const QByteArray& path);
bool makeSymlink(const QByteArray& target, const QByteArray& path);
QByteArray randomBytes(qsizetype size, quint32 seed);

} // namespace veltrin::test

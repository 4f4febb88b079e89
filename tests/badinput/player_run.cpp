#include "player_run.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace veltrin::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChildProbeFd = 100;

qint64 msSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Variables of the test's own environment that would change what the program
// prints or where it keeps its state.
bool overridden(const QByteArray& entry)
{
    for (const char* name : { "QT_QPA_PLATFORM=", "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=",
             "VELTRIN_PROBE_FD=", "GST_DEBUG=", "GST_TRACERS=", "QT_LOGGING_RULES=" }) {
        if (entry.startsWith(name))
            return true;
    }
    return false;
}

} // namespace

PlayerRun::PlayerRun(QString label, std::vector<QByteArray> args, QByteArray workDir)
    : m_label(std::move(label))
    , m_args(std::move(args))
    , m_workDir(std::move(workDir))
{
    // Qt refuses a runtime folder others can read, and says so on stderr.
    QDir(m_home.path()).mkpath(QStringLiteral("runtime"));
    QDir(m_home.path()).mkpath(QStringLiteral("config/Veltrin"));
    QFile::setPermissions(m_home.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

PlayerRun::~PlayerRun()
{
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        waitEnd(10000);
    }
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    if (m_probe >= 0)
        ::close(m_probe);
}

QString PlayerRun::settingsFolder() const
{
    return m_home.filePath(QStringLiteral("config/Veltrin"));
}

bool PlayerRun::start()
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        fail(QStringLiteral("socketpair failed"));
        return false;
    }
    m_probe = pair[0];

    std::vector<QByteArray> env;
    for (char** e = environ; *e; ++e) {
        if (!overridden(*e))
            env.emplace_back(*e);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back(
        "XDG_RUNTIME_DIR=" + QFile::encodeName(m_home.filePath(QStringLiteral("runtime"))));
    env.push_back(
        "XDG_CONFIG_HOME=" + QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
    env.push_back("VELTRIN_PROBE_FD=" + QByteArray::number(kChildProbeFd));
    env.insert(env.end(), m_extraEnv.begin(), m_extraEnv.end());
    if (m_uid) {
        // The user's own home: caches and settings land there, not in root's.
        env.push_back("HOME=" + QFile::encodeName(m_home.path()));
        for (const QString& sub : { QString(), QStringLiteral("runtime"), QStringLiteral("config"),
                 QStringLiteral("config/Veltrin") }) {
            const QByteArray p = QFile::encodeName(m_home.filePath(sub));
            if (::chown(p.constData(), *m_uid, *m_uid) != 0) {
                fail(QStringLiteral("could not hand the home to the user"));
                return false;
            }
        }
    }
    std::vector<char*> envp;
    for (QByteArray& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    QByteArray program(m_program);
    std::vector<char*> argv { program.data() };
    QByteArray setpriv("/usr/bin/setpriv"), uid, gid, clear("--clear-groups"), end("--");
    if (m_uid) {
        uid = "--reuid=" + QByteArray::number(*m_uid);
        gid = "--regid=" + QByteArray::number(*m_uid);
        argv = { setpriv.data(), uid.data(), gid.data(), clear.data(), end.data(), program.data() };
    }
    for (QByteArray& a : m_args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const QByteArray out = QFile::encodeName(m_home.filePath(QStringLiteral("stdout")));
    const QByteArray err = QFile::encodeName(m_home.filePath(QStringLiteral("stderr")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(
        &actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(
        &actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // dup2 to another number clears close-on-exec for the child's copy only.
    posix_spawn_file_actions_adddup2(&actions, pair[1], kChildProbeFd);
    if (!m_workDir.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, m_workDir.constData());
    const int rc = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (rc != 0) {
        m_pid = -1;
        fail(QStringLiteral("could not start the program: %1")
                 .arg(QString::fromLocal8Bit(strerror(rc))));
        return false;
    }
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    return true;
}

bool PlayerRun::running()
{
    if (m_pid <= 0 || m_status)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        m_status = status;
        return false;
    }
    return r == 0;
}

bool PlayerRun::waitEnd(int boundMs)
{
    if (m_pidFd >= 0) {
        pollfd p { m_pidFd, POLLIN, 0 };
        ::poll(&p, 1, boundMs);
        return !running();
    }
    return waitUntil([&] { return !running(); }, boundMs);
}

bool PlayerRun::terminate(int boundMs)
{
    if (!running())
        return false;
    ::kill(m_pid, SIGTERM);
    if (waitEnd(boundMs))
        return true;
    ::kill(m_pid, SIGKILL);
    waitEnd(10000);
    return false;
}

QByteArray PlayerRun::output() const
{
    QByteArray all;
    for (const char* name : { "stdout", "stderr" }) {
        QFile f(m_home.filePath(QString::fromLatin1(name)));
        if (f.open(QIODevice::ReadOnly))
            all += f.read(64 * 1024);
    }
    return all;
}

bool PlayerRun::holdsOpen(const QByteArray& path) const
{
    const QByteArray fdDir = "/proc/" + QByteArray::number(m_pid) + "/fd";
    QDir dir(QFile::decodeName(fdDir));
    for (const QString& fd :
        dir.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        char target[8192];
        const QByteArray link = fdDir + '/' + QFile::encodeName(fd);
        const ssize_t n = ::readlink(link.constData(), target, sizeof target);
        if (n > 0 && QByteArray(target, n) == path)
            return true;
    }
    return false;
}

bool waitUntil(const std::function<bool()>& condition, int boundMs)
{
    const auto start = Clock::now();
    while (!condition()) {
        if (msSince(start) > boundMs)
            return false;
        ::poll(nullptr, 0, 10);
    }
    return true;
}

namespace {

struct ProbeState {
    PlayerRun* run;
    Clock::time_point started;
    std::optional<Clock::time_point> firstAnswer;
    std::optional<Clock::time_point> outstanding;
    Clock::time_point lastSent;
    qint64 maxLatencyMs = 0;
    bool done = false;
};

void probeBatch(
    const std::vector<PlayerRun*>& runs, const RunHook& onFirstAnswer, const ProbeLimits& limits)
{
    std::vector<ProbeState> states;
    for (PlayerRun* r : runs)
        states.push_back({ r, Clock::now(), {}, {}, {}, 0, false });

    for (;;) {
        std::vector<pollfd> fds;
        std::vector<ProbeState*> polled;
        for (ProbeState& s : states) {
            if (s.done)
                continue;
            if (!s.run->running()) {
                s.run->fail(QStringLiteral("ended while being probed, wait status %1")
                                .arg(s.run->waitStatus().value_or(-1)));
                s.done = true;
                continue;
            }
            if (s.firstAnswer && msSince(*s.firstAnswer) >= limits.probeMs) {
                s.done = true;
                continue;
            }
            if (!s.outstanding && msSince(s.lastSent) >= limits.intervalMs) {
                const char c = 'p';
                if (::send(s.run->probeFd(), &c, 1, MSG_NOSIGNAL) != 1) {
                    s.run->fail(QStringLiteral("probe socket closed"));
                    s.done = true;
                    continue;
                }
                s.outstanding = s.lastSent = Clock::now();
            }
            if (s.outstanding) {
                const qint64 waited = msSince(*s.outstanding);
                const qint64 bound = s.firstAnswer ? limits.answerMs : limits.firstAnswerMs;
                if (waited > bound) {
                    s.run->fail(s.firstAnswer
                            ? QStringLiteral("no answer within %1 ms, %2 ms into probing")
                                  .arg(bound)
                                  .arg(msSince(*s.firstAnswer))
                            : QStringLiteral("event loop not running %1 ms after start")
                                  .arg(bound));
                    s.done = true;
                    continue;
                }
            }
            fds.push_back({ s.run->probeFd(), POLLIN, 0 });
            polled.push_back(&s);
        }
        if (polled.empty())
            break;
        ::poll(fds.data(), fds.size(), 5);
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            ProbeState& s = *polled[i];
            char answer = 0;
            if (::recv(fds[i].fd, &answer, 1, 0) != 1 || !s.outstanding)
                continue;
            s.maxLatencyMs = std::max(s.maxLatencyMs, msSince(*s.outstanding));
            s.outstanding.reset();
            if (answer != 1)
                s.run->fail(QStringLiteral("%1 top-level windows shown").arg(int(answer)));
            if (!s.firstAnswer) {
                s.firstAnswer = Clock::now();
                if (onFirstAnswer)
                    onFirstAnswer(*s.run);
            }
        }
    }
}

} // namespace

void expectSurvives(const RunList& runs, size_t batch, const RunHook& onFirstAnswer,
    const RunHook& afterProbe, const ProbeLimits& limits)
{
    for (size_t from = 0; from < runs.size(); from += batch) {
        std::vector<PlayerRun*> group;
        for (size_t i = from; i < std::min(runs.size(), from + batch); ++i) {
            if (runs[i]->start())
                group.push_back(runs[i].get());
        }
        probeBatch(group, onFirstAnswer, limits);
        for (PlayerRun* r : group) {
            if (afterProbe && r->running())
                afterProbe(*r);
            if (r->running()) {
                if (!r->terminate(10000))
                    r->fail(QStringLiteral("did not end within 10 s of SIGTERM"));
                else if (!WIFEXITED(*r->waitStatus()) || WEXITSTATUS(*r->waitStatus()) != 0)
                    r->fail(QStringLiteral("ended with wait status %1").arg(*r->waitStatus()));
            }
            const QByteArray out = r->output();
            if (!out.isEmpty())
                r->fail(QStringLiteral("printed: ") + QString::fromLocal8Bit(out.left(2000)));
        }
    }
    for (const auto& r : runs) {
        for (const QString& f : r->failures)
            ADD_FAILURE() << r->label().toStdString() << ": " << f.toStdString();
    }
}

bool writeBytes(const QByteArray& path, const QByteArray& bytes)
{
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool makeFifo(const QByteArray& path)
{
    return ::mkfifo(path.constData(), 0600) == 0;
}

bool makeSocketFile(const QByteArray& path)
{
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof addr.sun_path))
        return false;
    memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // The file stays after the socket is closed: connecting to it is refused.
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

bool makeSymlink(const QByteArray& target, const QByteArray& path)
{
    return ::symlink(target.constData(), path.constData()) == 0;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(gen.bounded(256));
    return out;
}

} // namespace veltrin::test

#include "desktop/sessionbus.h"
#include "info/mopenurl.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using veltrin::test::waitFor;

namespace {

// A desktop in temporary folders: XDG config and data folders, a private
// TMPDIR and a recording "browser" that writes its arguments, one per line.
class FakeDesktop {
public:
    FakeDesktop()
    {
        for (const char* d :
            { "config", "etc-xdg", "data/applications", "share/applications", "tmp", "bin" })
            QDir().mkpath(path(QString::fromLatin1(d)));
        m_browser = path(QStringLiteral("bin/recorder"));
        writeScript(m_browser);
    }

    QString path(const QString& rel) const { return m_root.path() + QLatin1Char('/') + rel; }
    QString browser() const { return m_browser; }
    QString recorded() const { return path(QStringLiteral("args.txt")); }
    QString tmp() const { return path(QStringLiteral("tmp")); }

    QProcessEnvironment env() const
    {
        QProcessEnvironment e;
        e.insert(QStringLiteral("HOME"), m_root.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        e.insert(QStringLiteral("XDG_CONFIG_DIRS"), path(QStringLiteral("etc-xdg")));
        e.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        e.insert(QStringLiteral("XDG_DATA_DIRS"), path(QStringLiteral("share")));
        e.insert(QStringLiteral("PATH"), path(QStringLiteral("bin")));
        e.insert(QStringLiteral("TMPDIR"), tmp());
        for (auto it = m_extra.constBegin(); it != m_extra.constEnd(); ++it)
            e.insert(it.key(), it.value());
        return e;
    }
    void setEnv(const QString& key, const QString& value) { m_extra.insert(key, value); }

    void write(const QString& rel, const QByteArray& text) const
    {
        QDir().mkpath(QFileInfo(path(rel)).path());
        QFile f(path(rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

    // Writes an executable script that records in recorded() what `record`
    // prints: by default its arguments, one per line.
    void writeScript(const QString& file,
        const QByteArray& record = "for a in \"$@\"; do printf '%s\\n' \"$a\"; done") const
    {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray out = QFile::encodeName(recorded());
        // Written aside and renamed, so a reader never sees half a file.
        f.write("#!/bin/sh\n" + record + " > '" + out + ".part'\nmv '" + out + ".part' '" + out
            + "'\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }

    void registerDefault(const QString& list, const QByteArray& ids) const
    {
        write(list, "[Default Applications]\ntext/html=" + ids + "\n");
    }

    void writeEntry(const QString& rel, const QByteArray& exec, const QByteArray& extra = {}) const
    {
        write(rel, "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec + "\n" + extra);
    }

    // Names in TMPDIR, hidden ones included.
    QStringList tmpEntries() const
    {
        return QDir(tmp()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private:
    QTemporaryDir m_root;
    QString m_browser;
    QHash<QString, QString> m_extra;
};

QByteArray browserExec(const FakeDesktop& d)
{
    return QFile::encodeName(d.browser()) + " %u";
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Registers the recorder as the default HTML program the plain way.
void registerRecorder(const FakeDesktop& d)
{
    d.registerDefault(QStringLiteral("config/mimeapps.list"), "recorder.desktop");
    d.writeEntry(QStringLiteral("data/applications/recorder.desktop"), browserExec(d));
}

} // namespace

TEST(LinkLauncher, openURLPassesTheAddressAsOneUnchangedArgument)
{
    FakeDesktop d;
    registerRecorder(d);
    const QStringList addresses = {
        QStringLiteral("https://veltrin.example.org/"),
        QStringLiteral("https://www.example.org/a page with spaces.html"),
        QStringLiteral("https://www.example.org/?q=\"quoted\"&r='single'"),
        QStringLiteral("https://www.example.org/;rm -rf x; echo $HOME `id`"),
        QStringLiteral("--new-window=https://www.example.org/"),
        QStringLiteral("-"),
    };
    for (const QString& address : addresses) {
        SCOPED_TRACE(address.toStdString());
        QFile::remove(d.recorded());
        ASSERT_TRUE(mOpenURL::OpenURL(address, d.env()));
        ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(d.recorded()); }, 10000));
        EXPECT_EQ(readAll(d.recorded()), address.toUtf8() + "\n");
    }
    EXPECT_EQ(d.tmpEntries(), QStringList());
}

// Where no session bus runs, the player points its own environment at a bus
// address that fails at once; the browser it starts must not inherit it, and
// a real address reaches the browser unchanged.
TEST(LinkLauncher, theBrowserGetsTheSessionBusOfTheUserNotThePlayers)
{
    const QByteArray savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const bool hadAddress = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        hadAddress ? qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress)
                   : qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        hadRuntime ? qputenv("XDG_RUNTIME_DIR", savedRuntime) : qunsetenv("XDG_RUNTIME_DIR");
    });

    FakeDesktop d;
    const QString recorder = d.path(QStringLiteral("bin/busrecorder"));
    d.writeScript(recorder, "printf '%s\\n' \"${DBUS_SESSION_BUS_ADDRESS-unset}\"");
    d.registerDefault(QStringLiteral("config/mimeapps.list"), "busrecorder.desktop");
    d.writeEntry(QStringLiteral("data/applications/busrecorder.desktop"),
        QFile::encodeName(recorder) + " %u");

    const auto busSeenByTheBrowser = [&]() -> std::string {
        QFile::remove(d.recorded());
        if (!mOpenURL::OpenURL(QStringLiteral("https://veltrin.example.org/"), d.env()))
            return "not started";
        if (!waitFor([&] { return QFileInfo::exists(d.recorded()); }, 10000))
            return "not recorded";
        return readAll(d.recorded()).trimmed().toStdString();
    };

    QTemporaryDir noBusHere;
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(noBusHere.path()));
    veltrin::launchNoSessionBus();
    ASSERT_FALSE(qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty());
    EXPECT_EQ(busSeenByTheBrowser(), "unset");

    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/4242/bus");
    veltrin::launchNoSessionBus();
    EXPECT_EQ(busSeenByTheBrowser(), "unix:path=/run/user/4242/bus");
}

TEST(LinkLauncher, openURLNothingRegisteredStartsNothingAndLeavesNoProbe)
{
    FakeDesktop d;
    d.writeEntry(QStringLiteral("data/applications/recorder.desktop"), browserExec(d));
    mOpenURL::LookupResult result = mOpenURL::LookupResult::Found;
    EXPECT_EQ(mOpenURL::GetBrowserPath(result, d.env()), QString());
    EXPECT_EQ(result, mOpenURL::LookupResult::NoAssociation);
    EXPECT_FALSE(mOpenURL::OpenURL(QStringLiteral("https://veltrin.example.org/"), d.env()));
    EXPECT_EQ(d.tmpEntries(), QStringList());
    EXPECT_FALSE(QFileInfo::exists(d.recorded()));
}

TEST(LinkLauncher, getBrowserPathFollowsTheDesktopAssociations)
{
    struct Case {
        const char* name;
        std::function<void(FakeDesktop&)> setup;
        QString expected; // relative to the fake root; "" for none
    };
    const QString recorder = QStringLiteral("bin/recorder");
    const std::vector<Case> cases = {
        { "added association in a system data folder",
            [](FakeDesktop& d) {
                d.write(QStringLiteral("share/applications/mimeapps.list"),
                    "[Added Associations]\ntext/html=recorder.desktop;\n");
                d.writeEntry(QStringLiteral("share/applications/recorder.desktop"), browserExec(d));
            },
            recorder },
        { "uninstalled default falls through to the next one",
            [](FakeDesktop& d) {
                d.registerDefault(
                    QStringLiteral("config/mimeapps.list"), "gone.desktop;recorder.desktop;");
                d.writeEntry(QStringLiteral("data/applications/recorder.desktop"), browserExec(d));
            },
            recorder },
        { "desktop-specific list outranks the generic one",
            [](FakeDesktop& d) {
                d.writeScript(d.path(QStringLiteral("bin/other")));
                d.setEnv(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("Fake:GNOME"));
                d.registerDefault(QStringLiteral("config/mimeapps.list"), "other.desktop");
                d.writeEntry(QStringLiteral("data/applications/other.desktop"),
                    QFile::encodeName(d.path(QStringLiteral("bin/other"))));
                d.registerDefault(QStringLiteral("config/fake-mimeapps.list"), "recorder.desktop");
                d.writeEntry(QStringLiteral("data/applications/recorder.desktop"), browserExec(d));
            },
            recorder },
        { "association removed by a higher list",
            [](FakeDesktop& d) {
                d.write(QStringLiteral("config/mimeapps.list"),
                    "[Removed Associations]\ntext/html=recorder.desktop\n");
                d.write(QStringLiteral("share/applications/mimeapps.list"),
                    "[Added Associations]\ntext/html=recorder.desktop\n");
                d.writeEntry(QStringLiteral("share/applications/recorder.desktop"), browserExec(d));
            },
            {} },
        { "hidden entry is not installed",
            [](FakeDesktop& d) {
                d.registerDefault(QStringLiteral("config/mimeapps.list"), "recorder.desktop");
                d.writeEntry(QStringLiteral("data/applications/recorder.desktop"), browserExec(d),
                    "Hidden=true\n");
            },
            {} },
        { "bare program name found through PATH",
            [](FakeDesktop& d) {
                d.registerDefault(QStringLiteral("config/mimeapps.list"), "recorder.desktop");
                d.writeEntry(
                    QStringLiteral("data/applications/recorder.desktop"), "recorder --new-tab %U");
            },
            recorder },
        { "quoted path with a blank and escapes",
            [](FakeDesktop& d) {
                d.writeScript(d.path(QStringLiteral("my apps/web $browser")));
                d.registerDefault(QStringLiteral("config/mimeapps.list"), "recorder.desktop");
                d.writeEntry(QStringLiteral("data/applications/recorder.desktop"),
                    "\"" + QFile::encodeName(d.path(QStringLiteral("my apps")))
                        + "/web \\\\$browser\" %u");
            },
            QStringLiteral("my apps/web $browser") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDesktop d;
        c.setup(d);
        mOpenURL::LookupResult result = mOpenURL::LookupResult::ProbeFailed;
        const QString found = mOpenURL::GetBrowserPath(result, d.env());
        EXPECT_EQ(found, c.expected.isEmpty() ? QString() : d.path(c.expected));
        EXPECT_EQ(result,
            c.expected.isEmpty() ? mOpenURL::LookupResult::NoAssociation
                                 : mOpenURL::LookupResult::Found);
        EXPECT_EQ(d.tmpEntries(), QStringList());
    }
}

TEST(LinkLauncher, splitExecUnquotesAndDropsFieldCodes)
{
    const std::vector<std::pair<QString, QStringList>> cases = {
        { QStringLiteral("browser %u"), { QStringLiteral("browser") } },
        { QStringLiteral("\"/opt/my browser/run\" --tab %U"),
            { QStringLiteral("/opt/my browser/run"), QStringLiteral("--tab") } },
        { QStringLiteral("run \"say \\\"hi\\\" \\$x \\\\ \\`y\\`\""),
            { QStringLiteral("run"), QStringLiteral("say \"hi\" $x \\ `y`") } },
        { QStringLiteral("run 100%% %f %F %i %c %k"),
            { QStringLiteral("run"), QStringLiteral("100%") } },
        { QStringLiteral("run \"\"   --url=%u"),
            { QStringLiteral("run"), QString(), QStringLiteral("--url=") } },
        { QStringLiteral("   "), {} },
    };
    for (const auto& [exec, expected] : cases) {
        SCOPED_TRACE(exec.toStdString());
        EXPECT_EQ(mOpenURL::splitExec(exec), expected);
    }
}

TEST(LinkLauncher, probeDoesNotFollowALinkPlantedAtTheOldFixedName)
{
    FakeDesktop d;
    registerRecorder(d);
    const QString victim = d.path(QStringLiteral("victim.txt"));
    d.write(QStringLiteral("victim.txt"), "precious");
    const QString dangling = d.path(QStringLiteral("planted.html"));

    for (const QString& target : { victim, dangling }) {
        SCOPED_TRACE(target.toStdString());
        const QString link = d.tmp() + QStringLiteral("/dummy.html");
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(target, link));
        QFile::remove(d.recorded());

        ASSERT_TRUE(mOpenURL::OpenURL(QStringLiteral("https://veltrin.example.org/"), d.env()));
        ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(d.recorded()); }, 10000));

        EXPECT_EQ(readAll(victim), QByteArray("precious"));
        EXPECT_FALSE(QFileInfo::exists(dangling));
        EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
        EXPECT_EQ(d.tmpEntries(), QStringList { QStringLiteral("dummy.html") });
    }
}

TEST(LinkLauncher, unwritableTempFolderStartsNothing)
{
    FakeDesktop d;
    registerRecorder(d);
    d.setEnv(QStringLiteral("TMPDIR"), d.path(QStringLiteral("no-such-folder")));
    mOpenURL::LookupResult result = mOpenURL::LookupResult::Found;
    EXPECT_EQ(mOpenURL::GetBrowserPath(result, d.env()), QString());
    EXPECT_EQ(result, mOpenURL::LookupResult::ProbeFailed);
    EXPECT_FALSE(mOpenURL::OpenURL(QStringLiteral("https://veltrin.example.org/"), d.env()));
    EXPECT_FALSE(QFileInfo::exists(d.path(QStringLiteral("no-such-folder"))));
}

#include "info/mopenurl.h"

#include "desktop/sessionbus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace mOpenURL {

namespace {

// Larger files are not desktop configuration; reading them is not worth it.
constexpr qint64 kMaxConfigBytes = 1 << 20;

// An empty .html document made only to ask which type the desktop gives it.
// It lives in a fresh folder only this user can enter, is created exclusively
// without following links, and goes away with this object whatever happens.
class ProbeDocument {
public:
    explicit ProbeDocument(const QString& tempDir)
        : m_dir(tempDir + QStringLiteral("veltrin-XXXXXX"))
    {
        if (!m_dir.isValid())
            return;
        const QString path = m_dir.filePath(
            QStringLiteral("probe-%1.html").arg(QUuid::createUuid().toString(QUuid::Id128)));
        const QByteArray native = QFile::encodeName(path);
        const int fd = ::open(
            native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return;
        ::close(fd);
        m_path = path;
    }
    ~ProbeDocument()
    {
        if (!m_path.isEmpty())
            ::unlink(QFile::encodeName(m_path).constData());
        // m_dir removes the folder itself.
    }
    ProbeDocument(const ProbeDocument&) = delete;
    ProbeDocument& operator=(const ProbeDocument&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    const QString& path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QStringList absoluteDirs(const QString& list)
{
    QStringList dirs;
    for (const QString& d : list.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // Relative entries are invalid in XDG variables and are ignored.
        if (QDir::isAbsolutePath(d))
            dirs << QDir::cleanPath(d);
    }
    return dirs;
}

QString homeDir(const QProcessEnvironment& env)
{
    return env.value(QStringLiteral("HOME"));
}

QString xdgHome(const QProcessEnvironment& env, const char* var, const char* fallback)
{
    const QString value = env.value(QString::fromLatin1(var));
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = homeDir(env);
    return home.isEmpty() ? QString()
                          : QDir::cleanPath(home + QLatin1Char('/') + QLatin1String(fallback));
}

QStringList xdgDirs(const QProcessEnvironment& env, const char* var, const char* fallback)
{
    const QStringList dirs = absoluteDirs(env.value(QString::fromLatin1(var)));
    return dirs.isEmpty() ? absoluteDirs(QString::fromLatin1(fallback)) : dirs;
}

QStringList applicationDirs(const QProcessEnvironment& env)
{
    QStringList dirs;
    const QString dataHome = xdgHome(env, "XDG_DATA_HOME", ".local/share");
    if (!dataHome.isEmpty())
        dirs << dataHome + QStringLiteral("/applications");
    for (const QString& d : xdgDirs(env, "XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        dirs << d + QStringLiteral("/applications");
    return dirs;
}

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxConfigBytes)
        return {};
    return file.read(kMaxConfigBytes);
}

// Groups of an INI-like desktop file: group -> key -> raw value. Keys keep their case.
using IniGroups = QHash<QString, QHash<QString, QString>>;

IniGroups parseIni(const QByteArray& bytes)
{
    IniGroups groups;
    QString group;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || group.isEmpty())
            continue;
        const QString key = line.left(eq).trimmed();
        // The first occurrence of a key wins, as desktop readers do.
        auto& entries = groups[group];
        if (!entries.contains(key))
            entries.insert(key, line.mid(eq + 1).trimmed());
    }
    return groups;
}

// Value of a mimeapps.list key: desktop IDs separated by ";".
QStringList idList(const IniGroups& groups, const char* group, const QString& mimeType)
{
    const auto g = groups.constFind(QString::fromLatin1(group));
    if (g == groups.constEnd())
        return {};
    QStringList ids;
    for (auto it = g->constBegin(); it != g->constEnd(); ++it) {
        // MIME type names are case-insensitive.
        if (it.key().compare(mimeType, Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& id : it.value().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = id.trimmed();
            if (!trimmed.isEmpty())
                ids << trimmed;
        }
    }
    return ids;
}

// Unescapes a desktop-file string value (\s \n \t \r \\).
QString unescapeString(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        switch (n.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default:
            out += c;
            out += n;
            break;
        }
    }
    return out;
}

QString resolveProgram(const QString& program, const QProcessEnvironment& env)
{
    if (program.isEmpty())
        return {};
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        if (!info.isAbsolute() || !info.isFile() || !info.isExecutable())
            return {};
        return info.absoluteFilePath();
    }
    QStringList path = absoluteDirs(env.value(QStringLiteral("PATH")));
    if (path.isEmpty())
        path = absoluteDirs(QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    return QStandardPaths::findExecutable(program, path);
}

QString findDesktopFile(const QString& id, const QStringList& dirs)
{
    if (id.contains(QLatin1Char('/')) || !id.endsWith(QStringLiteral(".desktop")))
        return {};
    for (const QString& dir : dirs) {
        const QString direct = dir + QLatin1Char('/') + id;
        if (QFileInfo(direct).isFile())
            return direct;
        // "vendor-app.desktop" may also live at vendor/app.desktop.
        for (qsizetype dash = id.indexOf(QLatin1Char('-')); dash > 0;
             dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
            const QString nested
                = dir + QLatin1Char('/') + id.left(dash) + QLatin1Char('/') + id.mid(dash + 1);
            if (QFileInfo(nested).isFile())
                return nested;
        }
    }
    return {};
}

// The program of a desktop entry that can be started, or "".
QString entryProgram(const QString& desktopFile, const QProcessEnvironment& env)
{
    const IniGroups groups = parseIni(readSmallFile(desktopFile));
    const auto entry = groups.constFind(QStringLiteral("Desktop Entry"));
    if (entry == groups.constEnd())
        return {};
    const QString type = entry->value(QStringLiteral("Type"));
    if (!type.isEmpty() && type != QStringLiteral("Application"))
        return {};
    if (entry->value(QStringLiteral("Hidden")) == QStringLiteral("true"))
        return {};
    const QString tryExec = unescapeString(entry->value(QStringLiteral("TryExec")));
    if (!tryExec.isEmpty() && resolveProgram(tryExec, env).isEmpty())
        return {};
    return execProgram(unescapeString(entry->value(QStringLiteral("Exec"))), env);
}

// The types to ask for: what the desktop makes of the probe, then HTML itself
// in case the MIME database is missing.
QStringList probeTypes(const QString& probePath)
{
    QStringList types;
    const QMimeType type
        = QMimeDatabase().mimeTypeForFile(probePath, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault())
        types << type.name();
    if (!types.contains(QStringLiteral("text/html")))
        types << QStringLiteral("text/html");
    return types;
}

} // namespace

QString TrimNull(const QString& text)
{
    const qsizetype zero = text.indexOf(QChar(0));
    return zero < 0 ? text : text.left(zero);
}

QString GetTempDir(const QProcessEnvironment& env)
{
    QString dir = TrimNull(env.value(QStringLiteral("TMPDIR")));
    if (!QDir::isAbsolutePath(dir))
        dir = QStringLiteral("/tmp");
    dir = QDir::cleanPath(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QStringList mimeAppsListPaths(const QProcessEnvironment& env)
{
    QStringList desktops;
    for (const QString& d : env.value(QStringLiteral("XDG_CURRENT_DESKTOP"))
                                .split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString name = d.toLower();
        if (!name.contains(QLatin1Char('/')))
            desktops << name;
    }

    QStringList dirs;
    const QString configHome = xdgHome(env, "XDG_CONFIG_HOME", ".config");
    if (!configHome.isEmpty())
        dirs << configHome;
    dirs << xdgDirs(env, "XDG_CONFIG_DIRS", "/etc/xdg");
    dirs << applicationDirs(env);

    QStringList paths;
    for (const QString& dir : dirs) {
        for (const QString& desktop : desktops)
            paths << dir + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        paths << dir + QStringLiteral("/mimeapps.list");
    }
    return paths;
}

QStringList associatedDesktopIds(const QString& mimeType, const QProcessEnvironment& env)
{
    QList<IniGroups> lists;
    for (const QString& path : mimeAppsListPaths(env))
        lists << parseIni(readSmallFile(path));

    QStringList ids;
    for (const IniGroups& list : lists) {
        for (const QString& id : idList(list, "Default Applications", mimeType)) {
            if (!ids.contains(id))
                ids << id;
        }
    }
    QSet<QString> removed;
    for (const IniGroups& list : lists) {
        for (const QString& id : idList(list, "Removed Associations", mimeType))
            removed.insert(id);
        for (const QString& id : idList(list, "Added Associations", mimeType)) {
            if (!removed.contains(id) && !ids.contains(id))
                ids << id;
        }
    }
    return ids;
}

QStringList splitExec(const QString& exec)
{
    struct Word {
        QString text;
        bool quoted = false;
    };
    QList<Word> words;
    Word current;
    bool inWord = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size()
                && QStringLiteral("\"`$\\").contains(exec.at(i + 1)))
                current.text += exec.at(++i);
            else if (c == QLatin1Char('"'))
                inQuotes = false;
            else
                current.text += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << std::exchange(current, Word {});
            inWord = false;
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            inWord = true;
            current.quoted = true;
        } else {
            current.text += c;
            inWord = true;
        }
    }
    if (inWord)
        words << current;

    QStringList args;
    for (const Word& word : std::as_const(words)) {
        QString out;
        bool hadCode = false;
        for (qsizetype i = 0; i < word.text.size(); ++i) {
            if (word.text.at(i) != QLatin1Char('%') || i + 1 == word.text.size()) {
                out += word.text.at(i);
                continue;
            }
            const QChar code = word.text.at(++i);
            if (code == QLatin1Char('%')) {
                out += code;
            } else {
                hadCode
                    = true; // %f %F %u %U %i %c %k and the deprecated ones expand to nothing here
            }
        }
        // A word that was only field codes disappears; an explicit "" stays.
        if (out.isEmpty() && hadCode && !word.quoted)
            continue;
        args << out;
    }
    return args;
}

QString execProgram(const QString& exec, const QProcessEnvironment& env)
{
    const QStringList args = splitExec(exec);
    return args.isEmpty() ? QString() : resolveProgram(args.first(), env);
}

QString GetBrowserPath(LookupResult& result, const QProcessEnvironment& env)
{
    const ProbeDocument probe(GetTempDir(env));
    if (!probe.isValid()) {
        result = LookupResult::ProbeFailed;
        return {};
    }
    const QStringList dirs = applicationDirs(env);
    for (const QString& type : probeTypes(probe.path())) {
        for (const QString& id : associatedDesktopIds(type, env)) {
            const QString file = findDesktopFile(id, dirs);
            if (file.isEmpty())
                continue;
            const QString program = entryProgram(file, env);
            if (!program.isEmpty()) {
                result = LookupResult::Found;
                return TrimNull(program);
            }
        }
    }
    result = LookupResult::NoAssociation;
    return {};
}

bool OpenURL(const QString& address, const QProcessEnvironment& env)
{
    LookupResult result = LookupResult::NoAssociation;
    const QString browser = GetBrowserPath(result, env);
    if (result != LookupResult::Found)
        return false;
    // One argument, passed as is: no shell sees the address.
    QProcess process;
    process.setProgram(browser);
    process.setArguments({ address });
    process.setProcessEnvironment(veltrin::environmentForChildren());
    return process.startDetached();
}

} // namespace mOpenURL

#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Opens a web address in the program the desktop has registered for HTML
// documents. The address is never handed to a shell: the program is started
// directly with the address as its only argument.
//
// Every function reads the XDG folders, PATH, HOME and TMPDIR from the given
// environment, the process's own by default, so a fake desktop can stand in.
namespace mOpenURL {

enum class LookupResult {
    Found, // a registered program that can be run
    ProbeFailed, // the probe document could not be created
    NoAssociation, // nothing usable is registered for HTML documents
};

// True when the browser process was started; never waits for it.
bool OpenURL(const QString& address,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// Full path of the program registered for HTML documents, or "" with the reason in result.
QString GetBrowserPath(LookupResult& result,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// The temporary folder with a trailing "/".
QString GetTempDir(const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// The text before the first zero character, or all of it.
QString TrimNull(const QString& text);

// ---- The pieces of the lookup ----

// mimeapps.list files to consult, highest precedence first (existing or not).
QStringList mimeAppsListPaths(const QProcessEnvironment& env);

// Desktop file IDs for the MIME type: the [Default Applications] of every list
// in precedence order, then the [Added Associations] not removed by a list of
// the same or higher precedence. Duplicates are dropped.
QStringList associatedDesktopIds(const QString& mimeType, const QProcessEnvironment& env);

// The program of an Exec= value: unquoted, unescaped, field codes removed, then
// resolved to a full path through PATH when it has no "/". "" when it cannot run.
QString execProgram(const QString& exec, const QProcessEnvironment& env);

// Splits an Exec= value (already unescaped as a desktop-file string) into its
// arguments and drops field codes ("%u", "%F"...; "%%" stays as "%").
QStringList splitExec(const QString& exec);

} // namespace mOpenURL

#pragma once

// Reading Video CDs and DVDs, in a drive or as disc images, without the
// kernel's file system: a Video CD's MPEG tracks are Mode 2 Form 2 sectors,
// which the kernel's 2,048-byte block reads refuse. Free of GStreamer, so
// the file lists can use it too.

#include "runtime/discpath.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <optional>

namespace veltrin {

struct DiscEntry {
    QString name; // as on the disc, without its ";1" version
    bool folder = false;
    quint64 size = 0; // bytes a DiscFile of it holds
    bool form2 = false; // Mode 2 Form 2 sectors: a Video CD track
};

// One file's bytes. Form 2 files (Video CD tracks) read as their sectors'
// 2,324-byte payloads, one after the other; other files as their 2,048-byte
// sectors. Safe to use from any one thread at a time, beside its reader.
class DiscFile {
public:
    virtual ~DiscFile() = default;
    virtual quint64 size() const = 0;
    // Copies up to `length` bytes from `offset`: the count copied, 0 at the
    // end, -1 when the disc could not be read.
    virtual qint64 read(quint64 offset, char* out, qint64 length) = 0;
};

// The ISO 9660 file system of one disc. Names are matched without regard to
// case. Failures give nullopt or null, never a throw.
class DiscReader {
public:
    virtual ~DiscReader() = default;
    // The entries of a folder ("" or "/" for the root), "." and ".." left out.
    virtual std::optional<QList<DiscEntry>> list(const QString& folder) = 0;
    // A file (not a folder); null when there is none or it lies off the disc.
    virtual std::unique_ptr<DiscFile> open(const QString& file) = 0;
};

// Opens a disc image (.cue/.bin, .iso, .nrg, .toc) or an optical device the
// way libcdio opens any source; a .bin named alone is opened through the .cue
// beside it that names it. Null when the source holds no readable ISO 9660
// file system.
std::unique_ptr<DiscReader> openDisc(const QString& source);

// The folder a disc path names (see splitDiscPath), listed; nullopt when the
// path is not on a disc or the folder cannot be read. A disc's root folder
// also holds its audio tracks, as "Track01.cda", "Track02.cda"... after the
// files of its ISO 9660 file system (a mixed disc shows both); an audio CD
// has only those. A track's size is its PCM bytes.
std::optional<QList<DiscEntry>> listDiscFolder(const QString& path);

// The audio tracks of a drive's disc or of a .cue/.bin, .nrg, .toc image,
// listed as above; only tracks the image holds whole. nullopt when the
// source's table of contents cannot be read.
std::optional<QList<DiscEntry>> listCdAudioTracks(const QString& source);

// "Track07.cda" for 7: the name under which an audio track is listed.
QString cdAudioTrackName(int track);
// The track a root folder entry's name stands for (case ignored), 0 when the
// name is not one of those.
int cdAudioTrackNumber(const QString& name);

// The URI GStreamer's CD audio source plays an audio track of a drive or an
// image by: "cdda://" + the percent-encoded source + "#" + the track.
QString cdAudioUri(const QString& source, int track);

// Points every FileListModel's disc folders at listDiscFolder. The program
// calls it once at start-up; calling it again does nothing new.
void installDiscFolderLister();

// The scheme of the engine's own disc reading source element.
inline constexpr char kDiscUriScheme[] = "veltrin-disc";

// "veltrin-disc://" + the percent-encoded source (its "/" too) + "/" + the
// path on the disc, each component percent-encoded.
QString discUri(const QString& source, const QString& inner);
// Undoes discUri; nullopt for anything else.
std::optional<DiscPath> parseDiscUri(const QString& uri);
// The URI that plays a file on a disc named by a local path; nullopt when the
// path is an ordinary file. A path into a disc container is one (an audio
// track the disc holds gives cdAudioUri); so is a file the kernel cannot read
// under the mount point of an ISO 9660 disc in a drive (a Video CD track).
// `mountTable` is for tests ("": the system's).
std::optional<QString> discUriForPath(const QString& path, const QString& mountTable = {});
// Whether discUriForPath may read a disc to answer for this path (a path into
// a container, or below an optical drive's mount point); reads none itself.
bool pathMayBeOnDisc(const QString& path, const QString& mountTable = {});

// Registers the source element for kDiscUriScheme with GStreamer, ranked for
// playbin to pick it, and ranks cdiocddasrc first for cdda URIs. Needs
// GStreamer initialised; calling it again does nothing. Returns whether the
// element is registered.
bool registerDiscSource();

} // namespace veltrin

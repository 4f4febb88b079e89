#pragma once

// Opening a file on a disc ahead of the source element that reads it, so that
// the element reads nothing from a drive on the thread that changes the
// graph's state, the GUI thread: opening a drive waits for it to spin up.

#include "engine/disc.h"

#include <functional>
#include <memory>

namespace veltrin {

struct OpenedDiscFile {
    std::unique_ptr<DiscReader> reader;
    std::unique_ptr<DiscFile> file; // null when the disc holds no such file
};

// Opens the disc, then the file on it; reader and file are null when the disc
// cannot be read. Blocks for as long as the drive takes.
OpenedDiscFile openDiscFile(const DiscPath& where);

// Lends an opened disc file to the source element a graph starts for the same
// path. The element may start and stop more than once while the graph opens;
// it gives the file back on each stop while the lease lasts. What is left is
// closed when the lease ends. One lease at a time: a new one ends the last.
class DiscFileLease {
public:
    DiscFileLease(DiscPath where, OpenedDiscFile opened);
    ~DiscFileLease();
    DiscFileLease(const DiscFileLease&) = delete;
    DiscFileLease& operator=(const DiscFileLease&) = delete;
};

// For the source element: the leased file for `where`; empty when none is.
OpenedDiscFile takeLeasedDiscFile(const DiscPath& where);
// For the source element: keeps `opened` for the next start when a lease for
// `where` lasts (true), else leaves it to the caller to close (false).
bool returnLeasedDiscFile(const DiscPath& where, OpenedDiscFile& opened);

// Runs at the start of every openDisc, on its thread, with the source's path;
// tests hold an open back with it as a drive spinning up would. Empty: none.
void setDiscOpenHook(std::function<void(const QString& source)> hook);

} // namespace veltrin

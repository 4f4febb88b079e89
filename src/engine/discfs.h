#pragma once

// ISO 9660 as a Video CD or DVD carries it, read over any source of sectors.
// Free of libcdio and GStreamer: what the outside world controls (directory
// records, volume descriptors) is parsed here, with bounds.

#include "engine/disc.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace veltrin::disc {

inline constexpr quint32 kDataBytes = 2048; // Mode 1 / Mode 2 Form 1 user data
inline constexpr quint32 kForm2Bytes = 2324; // Mode 2 Form 2 payload
inline constexpr quint32 kFirstDescriptor = 16; // the volume descriptors start here
// A directory larger than this is not read: real ones are a few sectors.
inline constexpr quint32 kMaxDirectoryBytes = 2u << 20;
// Neither is a path deeper than this (ISO 9660 itself allows 8 levels).
inline constexpr int kMaxDepth = 32;

// Sectors of a disc by logical sector number. Calls are serialised by the
// reader; an implementation need not lock.
class SectorSource {
public:
    virtual ~SectorSource() = default;
    // The first sector past the end; 0 when not known.
    virtual quint32 sectorCount() const = 0;
    // count x 2,048 bytes of user data.
    virtual bool readData(quint32 lsn, quint32 count, std::uint8_t* out) = 0;
    // count x 2,324 bytes of Form 2 payload.
    virtual bool readForm2(quint32 lsn, quint32 count, std::uint8_t* out) = 0;
};

// One directory record (ECMA-119 9.1) with its XA system use field.
struct DirRecord {
    QString name; // ";1" and a trailing "." dropped; "." and ".." for the two links
    quint32 extent = 0; // first sector
    quint32 dataLength = 0; // bytes, counted at 2,048 per sector even for Form 2
    bool folder = false;
    bool form2 = false; // XA attributes say Mode 2 Form 2 (Video CD tracks)
    std::uint8_t length = 0; // bytes the record takes

    quint32 sectors() const { return dataLength / kDataBytes + (dataLength % kDataBytes ? 1 : 0); }
    // Bytes of the file as read: Form 2 payloads count 2,324 per sector.
    quint64 streamSize() const
    {
        return form2 ? quint64(sectors()) * kForm2Bytes : quint64(dataLength);
    }
};

// The record at the start of `bytes`; nullopt when it is cut or malformed.
std::optional<DirRecord> parseDirRecord(std::span<const std::uint8_t> bytes);

// Every record of a directory's extent, "." and ".." included, in disc order.
// Records never cross a sector; a zero length ends a sector's records and a
// malformed one the rest of that sector.
std::vector<DirRecord> parseDirectory(std::span<const std::uint8_t> extent);

// The root directory's record from a primary volume descriptor sector;
// nullopt when the sector is not one (or not of 2,048-byte blocks).
std::optional<DirRecord> parsePrimaryDescriptor(std::span<const std::uint8_t> sector);

// A reader over a source: finds the primary volume descriptor; null when
// there is none.
std::unique_ptr<DiscReader> makeIsoReader(std::unique_ptr<SectorSource> source);

} // namespace veltrin::disc

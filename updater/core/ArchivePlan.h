// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The check of an archive's table of contents before anything is unpacked: which
// entries may be written, and where, relative to the destination folder. A pure
// function of the entries (no file system), so it can be tried on any input.
namespace ArchivePlan {

// One entry as the archive's central directory describes it.
struct EntryInfo {
    QString name;                // as stored ("\" or "/" separated)
    bool unixAttributes = false; // made on a Unix system: `attributes` holds st_mode << 16
    std::uint32_t attributes = 0;
    std::uint64_t size = 0; // declared unpacked size
};

struct Entry {
    int index = 0;     // position in the archive
    QStringList parts; // path below the destination, never empty, no "." or ".."
    bool folder = false;
    int mode = -1; // permission bits stored with the entry, -1 when none
    std::uint64_t size = 0;
};

struct Plan {
    int error = 0; // 0, or one of Zip's numbers (UnsafeEntry, SpecialEntry, NameTooLong)
    QString reason;
    std::vector<Entry> entries;  // in archive order, "./"-like entries left out
    std::uint64_t diskBytes = 0; // room the files take, in whole blocks
};

Plan plan(const std::vector<EntryInfo> &entries);

// Room the unpacking needs beyond the files themselves.
constexpr std::uint64_t kFreeSpaceMargin = 16ull << 20;
// True when `needed` bytes plus the margin fit into `available`.
bool fits(std::uint64_t needed, std::uint64_t available);

// Mode of a file unpacked without a stored one: executable when its first bytes say it
// is a script ("#!") or an ELF program.
int defaultMode(const char *head, std::size_t length);

} // namespace ArchivePlan

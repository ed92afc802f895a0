// SPDX-License-Identifier: MIT
#include "ArchivePlan.h"

#include "ZipErrors.h"

#include <QHash>

#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace ArchivePlan {

namespace {

constexpr std::uint64_t kBlock = 4096;
constexpr qsizetype kNameMax = NAME_MAX;       // bytes of one level
constexpr qsizetype kPathMax = PATH_MAX - 256; // leaves room for the destination's own path

Plan refuse(Plan &p, int error, const QString &reason)
{
    p.error = error;
    p.reason = reason;
    p.entries.clear();
    return p;
}

} // namespace

Plan plan(const std::vector<EntryInfo> &infos)
{
    Plan p;
    p.entries.reserve(infos.size());
    // Case-folded path -> whether it is a folder, to find a file that is also a folder.
    QHash<QString, bool> kinds;
    for (std::size_t i = 0; i < infos.size(); ++i) {
        const EntryInfo &info = infos[i];
        const QString &stored = info.name;
        const QString name = QString(stored).replace(u'\\', u'/');
        if (name.isEmpty() || name.contains(QChar(0)))
            return refuse(p, Zip::UnsafeEntry, QStringLiteral("An entry has no usable name."));
        if (name.startsWith(u'/') || (name.size() >= 2 && name.at(1) == u':'))
            return refuse(p, Zip::UnsafeEntry,
                          QStringLiteral("The entry %1 has an absolute path.").arg(stored));

        Entry e;
        e.index = int(i);
        e.folder = name.endsWith(u'/');
        e.size = info.size;
        if (info.unixAttributes) {
            const mode_t mode = mode_t(info.attributes >> 16);
            const mode_t type = mode & S_IFMT;
            if (type == S_IFLNK)
                return refuse(p, Zip::SpecialEntry,
                              QStringLiteral("The entry %1 is a symbolic link.").arg(stored));
            if (type != 0 && type != S_IFREG && type != S_IFDIR)
                return refuse(p, Zip::SpecialEntry,
                              QStringLiteral("The entry %1 is not a file or a folder.").arg(stored));
            if (type == S_IFDIR)
                e.folder = true;
            if (mode & 0777)
                e.mode = int(mode & 0777);
        }
        for (const QString &part : name.split(u'/', Qt::SkipEmptyParts)) {
            if (part == QStringLiteral(".."))
                return refuse(p, Zip::UnsafeEntry,
                              QStringLiteral("The entry %1 climbs out of the folder.").arg(stored));
            if (part == QStringLiteral("."))
                continue;
            if (part.toUtf8().size() > kNameMax)
                return refuse(p, Zip::NameTooLong,
                              QStringLiteral("The entry %1 has a name too long.").arg(stored));
            e.parts << part;
        }
        if (e.parts.isEmpty())
            continue; // "./": the destination itself
        if (e.parts.join(u'/').toUtf8().size() > kPathMax)
            return refuse(p, Zip::NameTooLong,
                          QStringLiteral("The entry %1 has a path too long.").arg(stored));

        // Every level above is a folder; the entry itself is what it says.
        QString key;
        for (qsizetype k = 0; k < e.parts.size(); ++k) {
            key += e.parts.at(k).toCaseFolded();
            const bool folder = k + 1 < e.parts.size() || e.folder;
            const auto it = kinds.constFind(key);
            if (it != kinds.constEnd() && *it != folder)
                return refuse(p, Zip::UnsafeEntry,
                              QStringLiteral("The entry %1 is both a file and a folder.").arg(stored));
            if (it == kinds.constEnd())
                kinds.insert(key, folder);
            key += u'/';
        }
        // Sizes are the archive's word: a declared size near 2^64 must not wrap the sum.
        if (!e.folder) {
            const std::uint64_t most = ~std::uint64_t(0);
            const std::uint64_t room =
                e.size > most - 2 * kBlock ? most : (e.size + kBlock - 1) / kBlock * kBlock + kBlock;
            p.diskBytes = p.diskBytes > most - room ? most : p.diskBytes + room;
        }
        p.entries.push_back(std::move(e));
    }
    return p;
}

bool fits(std::uint64_t needed, std::uint64_t available)
{
    return available >= kFreeSpaceMargin && needed <= available - kFreeSpaceMargin;
}

int defaultMode(const char *head, std::size_t length)
{
    const bool script = length >= 2 && head[0] == '#' && head[1] == '!';
    const bool elf = length >= 4 && std::memcmp(head,
                                                "\x7f"
                                                "ELF",
                                                4) == 0;
    return script || elf ? 0755 : 0644;
}

} // namespace ArchivePlan

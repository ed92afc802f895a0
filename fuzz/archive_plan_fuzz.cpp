// SPDX-License-Identifier: MIT
// The check of an archive's table of contents before anything is unpacked. One entry per
// line: "name|mode|size", mode the octal Unix st_mode a Unix zip tool stores (empty: made
// on Windows), size the declared unpacked size. Properties: an accepted plan only writes
// below the destination (no absolute name, no "." or ".." level, no separator or NUL in a
// level, no path that is a file and a folder in any letter case), every name with a ".."
// level or an absolute form is refused, links and devices are refused, and the room it
// asks for is at least the room the files declare.

#include "FuzzCheck.h"
#include "updater/core/ArchivePlan.h"

#include <QHash>
#include <QSet>

#include <sys/stat.h>

namespace {

QString describe(const std::vector<ArchivePlan::EntryInfo> &infos)
{
    QStringList names;
    for (const auto &i : infos)
        names << fuzz::show(i.name) + QStringLiteral(" %1 %2").arg(i.attributes >> 16, 0, 8).arg(i.size);
    return names.join(QStringLiteral(", "));
}

bool climbsOrAbsolute(const QString &stored)
{
    const QString name = QString(stored).replace(u'\\', u'/');
    if (name.startsWith(u'/') || (name.size() >= 2 && name.at(1) == u':'))
        return true;
    for (const QString &part : name.split(u'/'))
        if (part == QStringLiteral(".."))
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 16384)
        return 0;
    std::vector<ArchivePlan::EntryInfo> infos;
    for (const QByteArray &line : fuzz::bytes(data, size).split('\n')) {
        const QList<QByteArray> f = line.split('|');
        ArchivePlan::EntryInfo e;
        e.name = QString::fromUtf8(f.value(0));
        bool ok = false;
        const uint mode = f.value(1).toUInt(&ok, 8);
        if (ok) {
            e.unixAttributes = true;
            e.attributes = mode << 16;
        }
        e.size = f.value(2).toULongLong();
        infos.push_back(e);
    }
    const ArchivePlan::Plan plan = ArchivePlan::plan(infos);
    const QString what = describe(infos);
    if (plan.error != 0) {
        FUZZ_CHECK(plan.entries.empty() && !plan.reason.isEmpty(), what);
        return 0;
    }

    for (const ArchivePlan::EntryInfo &info : infos)
        FUZZ_CHECK(!climbsOrAbsolute(info.name), what + QStringLiteral(": ") + fuzz::show(info.name));

    unsigned __int128 declared = 0;
    QHash<QString, bool> kinds; // folded path -> is a folder
    QSet<int> seen;
    for (const ArchivePlan::Entry &e : plan.entries) {
        FUZZ_CHECK(e.index >= 0 && std::size_t(e.index) < infos.size() && !seen.contains(e.index), what);
        seen.insert(e.index);
        const ArchivePlan::EntryInfo &info = infos[std::size_t(e.index)];
        if (info.unixAttributes) {
            const uint type = (info.attributes >> 16) & S_IFMT;
            FUZZ_CHECK(type == 0 || type == S_IFREG || type == S_IFDIR, what);
        }
        FUZZ_CHECK(!e.parts.isEmpty(), what);
        QString key;
        for (qsizetype k = 0; k < e.parts.size(); ++k) {
            const QString &part = e.parts.at(k);
            FUZZ_CHECK(!part.isEmpty() && part != QStringLiteral(".") && part != QStringLiteral("..") &&
                           !part.contains(u'/') && !part.contains(u'\\') && !part.contains(QChar(0)),
                       what + QStringLiteral(": ") + fuzz::show(part));
            key += part.toCaseFolded();
            const bool folder = k + 1 < e.parts.size() || e.folder;
            const auto it = kinds.constFind(key);
            FUZZ_CHECK(it == kinds.constEnd() || *it == folder,
                       what + QStringLiteral(": ") + fuzz::show(key) +
                           QStringLiteral(" is a file and a folder"));
            kinds.insert(key, folder);
            key += u'/';
        }
        FUZZ_CHECK(e.mode >= -1 && e.mode <= 0777, what);
        if (!e.folder)
            declared += e.size;
    }
    // At least what the files declare (a sum beyond 64 bits may stop at the largest number).
    const unsigned __int128 most = ~std::uint64_t(0);
    FUZZ_CHECK(plan.diskBytes >= (declared < most ? declared : most),
               what + QStringLiteral(": room %1").arg(plan.diskBytes));
    // Room is checked without wrapping around.
    const std::uint64_t available = infos.front().size;
    FUZZ_CHECK(
        ArchivePlan::fits(plan.diskBytes, available) ==
            (static_cast<unsigned __int128>(plan.diskBytes) + ArchivePlan::kFreeSpaceMargin <= available),
        what);
    return 0;
}

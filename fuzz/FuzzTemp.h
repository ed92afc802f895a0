// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace fuzz {

// A private folder for one fuzzing process, in memory when the machine offers it (the
// targets write a file for almost every input). Removed again at a normal exit; after a
// finding the script removes what is left.
inline QString scratchFolder()
{
    // Plain characters: the exit handler runs after static objects are gone.
    static char made[PATH_MAX] = {};
    if (!made[0]) {
        QByteArray base = qgetenv("VANTELO_FUZZ_SCRATCH"); // scripts/fuzz.sh removes it afterwards
        if (base.isEmpty())
            base = access("/dev/shm", W_OK) == 0 ? QByteArray("/dev/shm") : qgetenv("TMPDIR");
        if (base.isEmpty())
            base = "/tmp";
        const QByteArray tmpl = base + "/vantelo-fuzz-XXXXXX";
        if (tmpl.size() >= PATH_MAX)
            std::abort();
        std::memcpy(made, tmpl.constData(), std::size_t(tmpl.size()) + 1);
        if (!mkdtemp(made))
            std::abort();
        std::atexit([] { QDir(QString::fromLocal8Bit(made)).removeRecursively(); });
    }
    return QString::fromLocal8Bit(made);
}

} // namespace fuzz

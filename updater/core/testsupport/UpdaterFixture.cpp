// SPDX-License-Identifier: MIT
#include "UpdaterFixture.h"

#include "updater/core/modService.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

void makeZip(const QString &path, const QList<ZipItem> &items)
{
    QFile::remove(path);
    int error = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(za, nullptr) << error;
    for (const ZipItem &item : items) {
        const QByteArray name = item.name.toUtf8();
        zip_int64_t index = -1;
        if (item.folder) {
            index = zip_dir_add(za, name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            // libzip keeps the buffer until the archive is written: hand it a copy it frees.
            void *copy = nullptr;
            if (!item.data.isEmpty()) {
                copy = malloc(size_t(item.data.size()));
                memcpy(copy, item.data.constData(), size_t(item.data.size()));
            }
            zip_source_t *src = zip_source_buffer(za, copy, zip_uint64_t(item.data.size()), copy ? 1 : 0);
            index = zip_file_add(za, name.constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0)
                zip_source_free(src);
        }
        ASSERT_GE(index, 0) << zip_strerror(za);
        if (item.symlink)
            zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t(S_IFLNK | 0777) << 16);
        if (item.windows)
            zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_DOS,
                                             item.folder ? 0x10 : 0x20);
        if (item.mode >= 0)
            zip_file_set_external_attributes(za, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             zip_uint32_t((item.folder ? S_IFDIR : S_IFREG) | item.mode)
                                                 << 16);
        if (item.stored)
            zip_set_file_compression(za, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

QMap<QString, QByteArray> treeOf(const QString &folder, UpdaterRecords records)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(folder.size() + 1);
        if (records == UpdaterRecords::LeftOut && (relative.startsWith(QStringLiteral(".vantelo-backup")) ||
                                                   relative == QStringLiteral(".vantelo-last-package")))
            continue;
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        QByteArray facts = QByteArray::number(st.st_mode, 8);
        if (S_ISREG(st.st_mode)) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            facts += ' ' + QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
            facts += " -> " + QByteArray(target, std::max<ssize_t>(n, 0));
        }
        tree.insert(relative, facts);
    }
    return tree;
}

UpdaterTest::UpdaterTest() : m_oldWinePrefix(qgetenv("WINEPREFIX"))
{
    qputenv("WINEPREFIX", QFile::encodeName(m_env.path(QStringLiteral("wine"))));
    timings().scale(0.01);
    QDir().mkpath(target());
    g_TargetFolder = target();
    g_UpdateError = false;
    m_ui.openDocumentResult = true;
}

UpdaterTest::~UpdaterTest()
{
    timings() = Timings{};
    if (m_oldWinePrefix.isNull())
        qunsetenv("WINEPREFIX");
    else
        qputenv("WINEPREFIX", m_oldWinePrefix);
    g_TargetFolder.clear();
    g_UpdateError = false;
}

QByteArray UpdaterTest::logBytes() const
{
    return read(modService::logFilePath());
}

QStringList UpdaterTest::logEntries() const
{
    QStringList entries;
    const QString text = QString::fromUtf8(logBytes());
    for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        // date - time - text; continuation lines of one entry carry no stamp
        const qsizetype first = line.indexOf(QStringLiteral(" - "));
        const qsizetype second = first < 0 ? -1 : line.indexOf(QStringLiteral(" - "), first + 3);
        if (second > 0 && !line.startsWith(u' '))
            entries << line.mid(second + 3);
        else if (!entries.isEmpty())
            entries.last() += QStringLiteral("\n") + line;
    }
    return entries;
}

bool UpdaterTest::exists(const QString &path)
{
    QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

void UpdaterTest::placeRecordingRegistrar()
{
    const QString tool = programFolder() + QStringLiteral("/regsvr32.exe");
    write(tool, "#!/bin/sh\n"
                "out=\"$(dirname \"$0\")/run-$$.txt\"\n"
                "printf '%s\\n' \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
    QFile::setPermissions(tool, QFile::permissions(tool) | QFile::ExeOwner | QFile::ExeUser);
}

QStringList UpdaterTest::registrarRuns(int expected) const
{
    QStringList runs;
    waitUntil([&] {
        runs.clear();
        const QStringList files = QDir(programFolder()).entryList({QStringLiteral("run-*.txt")}, QDir::Files);
        for (const QString &f : files)
            runs << QString::fromUtf8(read(programFolder() + u'/' + f)).trimmed();
        return runs.size() >= expected;
    });
    return runs;
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (condition())
            return true;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return condition();
}

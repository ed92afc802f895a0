// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Timings.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"
#include "updater/core/UpdateView.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

// Readable failure messages.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QMap<QString, QByteArray> &tree, std::ostream *os)
{
    for (auto it = tree.cbegin(); it != tree.cend(); ++it)
        *os << "\n  " << it.key().toStdString() << ": " << it.value().left(20).toStdString();
}

// One entry of a ZIP file a test makes.
struct ZipItem {
    QString name;
    QByteArray data;
    bool folder = false;
    bool symlink = false; // data is the link's target
    bool windows = false; // made on Windows: DOS attributes, no Unix mode
    int mode = -1;        // a Unix mode to store (permission bits)
    bool stored = false;  // not compressed, so the data stands in the file as it is
};

// Writes a real ZIP file with libzip.
void makeZip(const QString &path, const QList<ZipItem> &items);

// Every file, folder and link below `folder` with its mode bits, a hash of its content or its
// link's target, to compare a folder before and after. The updater's own records
// (".vantelo-backup", ".vantelo-last-package") are left out unless asked for.
enum class UpdaterRecords { LeftOut, Kept };
QMap<QString, QByteArray> treeOf(const QString &folder, UpdaterRecords records = UpdaterRecords::LeftOut);

// The updater's window as processing sees it.
struct RecordingView final : UpdateView {
    bool busy = false;
    bool updateEnabled = true;
    QStringList statusTexts;
    QStringList labels;
    void ShowBusy() override { busy = true; }
    void ShowNotBusy() override { busy = false; }
    void EnableUpdate(bool enabled) override { updateEnabled = enabled; }
    void SetStatusText(const QString &t) override { statusTexts << t; }
    void SetStatusLabel(const QString &t) override { labels << t; }
};

// A temporary program folder, hives, runtime folder and target folder; the seam
// scripted and the waits shrunk.
class UpdaterTest : public ::testing::Test {
protected:
    UpdaterTest();
    ~UpdaterTest() override;

    QString target() const { return m_env.path(QStringLiteral("target")); }
    QString inTarget(const QString &relative) const { return target() + u'/' + relative; }
    QString programFolder() const { return m_env.programFolder(); }

    // The log's entries without their stamps; the stamp format is checked once.
    QStringList logEntries() const;
    QByteArray logBytes() const;
    bool logHas(const QString &entry) const { return logEntries().contains(entry); }

    static void write(const QString &path, const QByteArray &bytes) { TestEnv::writeFile(path, bytes); }
    static QByteArray read(const QString &path) { return TestEnv::readFile(path); }
    static bool exists(const QString &path);

    // Places a recording stand-in for the registration tool in the program folder;
    // each run writes its arguments, one a line, to a file of its own.
    void placeRecordingRegistrar();
    QStringList registrarRuns(int expected) const;

    QString systemFolder() const { return m_env.path(QStringLiteral("wine/drive_c/windows/system32")); }

    TestEnv m_env;
    ScriptedUi m_ui;
    QByteArray m_oldWinePrefix;
};

bool waitUntil(const std::function<bool()> &condition, int ms = 5000);

// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/modRegistry.h"
#include "updater/core/testsupport/UpdaterFixture.h"
#include "updater/net/testsupport/FtpTestServer.h"
#include "updater/ui/frmMain.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

// The updater's real window over a temporary program folder, with Orvana installed in
// "parts", and the real test FTP server behind UPDATE_HOST.
inline const QString kMachineKey = QStringLiteral("Software\\Vantelo\\");

inline void setFrontEnd(const char *program, const QString &folder)
{
    modRegistry::SetStringValue(RegRoot::LocalMachine, kMachineKey + QLatin1String(program),
                                QStringLiteral("FRONT_END"), folder);
}

inline QStringList listed(frmMain &w)
{
    QStringList out;
    auto *list = w.findChild<QListWidget *>(QStringLiteral("lstPrograms"));
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

template <typename T> inline T *child(frmMain &w, const char *name)
{
    return w.findChild<T *>(QLatin1String(name));
}

inline QString label(frmMain &w, const char *name)
{
    return child<QLabel>(w, name)->text();
}

class UpdaterWindow : public UpdaterTest {
protected:
    UpdaterWindow()
    {
        // Long enough that a log-on under a sanitizer never trips the watchdog by accident.
        timings().watchdogTickMs = 200;
        QDir().mkpath(parts());
        setFrontEnd("ORVANA", parts());
    }

    QString parts() const { return m_env.path(QStringLiteral("parts")); }

    void startServer(FtpTestServer &server)
    {
        const auto started = server.start();
        ASSERT_TRUE(started) << started.error().message.toStdString();
        Reg::SaveAppSetting(QStringLiteral("UPDATE_HOST"), server.address());
    }

    // A package whose process file copies one file into a sub-folder of the program.
    void putPartsPackage(FtpTestServer &server)
    {
        const QString zip = m_env.path(QStringLiteral("mendrelparts.zip"));
        makeZip(zip, {{QStringLiteral("mendrelparts.INI"),
                       "- parts update\r\n1|new/orvana.bin|lib/orvana.bin\r\n"},
                      {QStringLiteral("new/orvana.bin"), "new program"}});
        server.putFile(QStringLiteral("mendrelparts.zip"), read(zip));
    }

    void clickUpdate(frmMain &w) { child<QPushButton>(w, "cmdUpdate")->click(); }
    // Waits until the status line says the update has run to its end.
    bool completes(frmMain &w, int ms = 20000)
    {
        return waitUntil(
            [&] { return label(w, "lblStatus").startsWith(QStringLiteral("Update process completed at ")); },
            ms);
    }
    bool idle(frmMain &w) { return !w.busy() && child<QPushButton>(w, "cmdUpdate")->isEnabled(); }
    QStringList messageTexts() const
    {
        QStringList out;
        for (const auto &c : m_ui.messages())
            out << c.text;
        return out;
    }
};

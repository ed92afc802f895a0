// SPDX-License-Identifier: MIT
#include "common/core/AppInfo.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"
#include "common/ui/AppIcon.h"
#include "common/ui/frmAbout.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

QString textOf(QWidget *w, const char *name)
{
    if (auto *l = w->findChild<QLabel *>(QLatin1String(name)))
        return l->text();
    if (auto *b = w->findChild<QPushButton *>(QLatin1String(name)))
        return b->text();
    return QStringLiteral("<none>");
}

// Acts on the About box once it is up, as a user would.
void whenShown(const std::function<void(frmAbout *)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *box = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(box);
    });
}

void click(frmAbout *box, const char *name)
{
    box->findChild<QPushButton *>(QLatin1String(name))->click();
}

const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

// No system-information program on the PATH unless the test puts one there.
struct SearchPath {
    QByteArray saved = qgetenv("PATH");
    explicit SearchPath(const QString &folder) { qputenv("PATH", folder.toLocal8Bit()); }
    ~SearchPath() { qputenv("PATH", saved); }
};

void writeProgram(const QString &path)
{
    TestEnv::writeFile(path, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

TEST(About, VersionText)
{
    EXPECT_EQ(frmAbout::versionText(2, 1, 0), QStringLiteral("Version 2.1.0"));
    EXPECT_EQ(frmAbout::versionText(1, 0, 12), QStringLiteral("Version 1.0.12"));
}

TEST(About, CatalogueBoxIsMadeAnewEachTime)
{
    QWidget owner;
    QList<QPointer<frmAbout>> seen;
    for (int i = 0; i < 2; ++i) {
        whenShown([&](frmAbout *box) {
            seen << box;
            EXPECT_EQ(box->parentWidget(), &owner);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("About Orvana"));
            EXPECT_EQ(textOf(box, "lblTitle"), QStringLiteral("Orvana"));
            EXPECT_EQ(textOf(box, "lblVersion"),
                      frmAbout::versionText(AppInfo::kMajor, AppInfo::kMinor, AppInfo::kRevision));
            EXPECT_EQ(textOf(box, "cmdOK"), QStringLiteral("OK"));
            EXPECT_EQ(textOf(box, "cmdSysInfo"), QStringLiteral("&System Info..."));
            click(box, "cmdOK");
        });
        frmAbout::showCatalogueAbout(&owner);
    }
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].isNull() && seen[1].isNull()) << "closed and unloaded";
}

TEST(About, UpdaterBoxIsHiddenAndShownAgain)
{
    QWidget owner;
    QList<frmAbout *> seen;
    for (int i = 0; i < 2; ++i) {
        whenShown([&](frmAbout *box) {
            seen << box;
            EXPECT_EQ(box->windowTitle(), QStringLiteral("About this application"));
            EXPECT_EQ(textOf(box, "lblTitle"), QStringLiteral("Vantelo Update"));
            EXPECT_EQ(textOf(box, "lblRelease"),
                      frmAbout::versionText(AppInfo::kMajor, AppInfo::kMinor, AppInfo::kRevision));
            EXPECT_EQ(textOf(box, "cmdOK"), QStringLiteral("&OK"));
            EXPECT_NE(textOf(box, "Label1"), QStringLiteral("<none>"));
            EXPECT_NE(textOf(box, "Label2"), QStringLiteral("<none>"));
            EXPECT_EQ(box->findChild<QPushButton *>(QStringLiteral("cmdSysInfo")), nullptr);
            click(box, "cmdOK");
        });
        frmAbout::showUpdaterAbout(&owner);
        ASSERT_EQ(seen.size(), i + 1);
        EXPECT_FALSE(seen.back()->isVisible());
    }
    EXPECT_EQ(seen[0], seen[1]);
}

TEST(About, GetKeyValueReadsStringsOnly)
{
    TestEnv env;
    QString v = QStringLiteral("stale");
    EXPECT_FALSE(frmAbout::GetKeyValue(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("PATH"), v));
    EXPECT_EQ(v, QString());
    modRegistry::SetStringValue(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("PATH"),
                                QStringLiteral("/opt/tool") + QChar(0) + QStringLiteral("tail"));
    EXPECT_TRUE(frmAbout::GetKeyValue(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("path"), v));
    EXPECT_EQ(v, QStringLiteral("/opt/tool"));
    EXPECT_FALSE(frmAbout::GetKeyValue(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("Other"), v));
}

TEST(About, SystemInformationLookups)
{
    TestEnv env;
    SearchPath none(env.path(QStringLiteral("empty")));
    ScriptedUi ui;
    ui.runProcesses = false;
    const QString unavailable = QStringLiteral("System Information Is Unavailable At This Time");

    // Nothing anywhere: the message, nothing started.
    frmAbout::StartSysInfo();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].text, unavailable);
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Orvana"));
    EXPECT_EQ(ui.messages()[0].buttons, MsgButtons::Ok);

    // Only the folder, and no tool in it.
    const QString folder = env.path(QStringLiteral("msinfo"));
    TestEnv::writeFile(folder + QStringLiteral("/readme.txt"), "x");
    modRegistry::SetStringValue(RegRoot::LocalMachine, kLocationKey, QStringLiteral("MSINFO"), folder);
    ui.clear();
    frmAbout::StartSysInfo();
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.callsOf(QStringLiteral("start")).isEmpty());

    // The tool in that folder, spelt in any case.
    writeProgram(folder + QStringLiteral("/msinfo32.exe"));
    ui.clear();
    frmAbout::StartSysInfo();
    ASSERT_EQ(ui.callsOf(QStringLiteral("start")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("start"))[0].text, folder + QStringLiteral("/msinfo32.exe"));
    EXPECT_TRUE(ui.messages().isEmpty());

    // The PATH value wins without any look at the folder, even when it names nothing.
    const QString missing = env.path(QStringLiteral("nowhere/sysinfo"));
    modRegistry::SetStringValue(RegRoot::LocalMachine, kMsinfoKey, QStringLiteral("PATH"), missing);
    ui.clear();
    ui.runProcesses = true;
    frmAbout::StartSysInfo();
    ASSERT_EQ(ui.callsOf(QStringLiteral("start")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("start"))[0].text, missing);
    ASSERT_EQ(ui.messages().size(), 1) << "starting it failed";
    EXPECT_EQ(ui.messages()[0].text, unavailable);
}

TEST(About, KnownProgramOnThePathWhenTheRegistryNamesNone)
{
    TestEnv env;
    const QString bin = env.path(QStringLiteral("bin"));
    writeProgram(bin + u'/' + frmAbout::sysInfoFallbacks().back());
    SearchPath path(bin);
    ScriptedUi ui;
    ui.runProcesses = false;
    frmAbout::StartSysInfo();
    ASSERT_EQ(ui.callsOf(QStringLiteral("start")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("start"))[0].text, bin + u'/' + frmAbout::sysInfoFallbacks().back());
    EXPECT_TRUE(ui.messages().isEmpty());
}

// Each box shows its own program's icon, drawn for the desktop, not a stock picture.
TEST(About, ShowsTheProgramsOwnIcon)
{
    const auto shown = [](frmAbout::Program program) {
        frmAbout box(program);
        return box.findChild<QLabel *>(QStringLiteral("picIcon"))->pixmap().toImage();
    };
    const QImage catalogue = shown(frmAbout::Program::Catalogue);
    const QImage updater = shown(frmAbout::Program::Updater);
    ASSERT_FALSE(catalogue.isNull());
    EXPECT_EQ(catalogue, AppIcon::catalogue().pixmap(48, 48).toImage());
    EXPECT_EQ(updater, AppIcon::updater().pixmap(48, 48).toImage());
    EXPECT_NE(catalogue, updater);
}

// SPDX-License-Identifier: MIT
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"
#include "common/ui/FileOpenSave.h"
#include "common/ui/QtUiServices.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace FileOpenSave;

namespace {
const QChar NUL(0);

// Keeps the process's current folder for the test and puts it back afterwards.
struct CurrentFolder {
    QString saved = QDir::currentPath();
    ~CurrentFolder() { QDir::setCurrent(saved); }
};
} // namespace

TEST(FileOpenSave, FilterTextAndNulTrimming)
{
    EXPECT_EQ(AddFilterItem(QString(), QStringLiteral("All"), QStringLiteral("*.*")),
              QStringLiteral("All") + NUL + QStringLiteral("*.*") + NUL);
    EXPECT_EQ(AddFilterItem(QStringLiteral("A") + NUL + QStringLiteral("*.a") + NUL, QStringLiteral("All")),
              QStringLiteral("A") + NUL + QStringLiteral("*.a") + NUL + QStringLiteral("All") + NUL +
                  QStringLiteral("*.*") + NUL);
    EXPECT_EQ(TrimNull(QStringLiteral("abc") + NUL + QStringLiteral("def")), QStringLiteral("abc"));
    EXPECT_EQ(TrimNull(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(TrimNull(QString(NUL)), QString());

    const QString filter =
        AddFilterItem(AddFilterItem(QString(), QStringLiteral("Databases"), QStringLiteral("*.mdb;*.db")),
                      QStringLiteral("All files"));
    EXPECT_EQ(toNameFilters(filter),
              QStringList({QStringLiteral("Databases (*.mdb *.db)"), QStringLiteral("All files (*)")}));
    // The property sheet's filter: two NULs, no file types at all.
    EXPECT_TRUE(toNameFilters(AddFilterItem(QString(), QString(), QString())).isEmpty());
}

TEST(FileOpenSave, OpenFileRequestAndAnswers)
{
    TestEnv env;
    CurrentFolder keep;
    ScriptedUi ui;
    ui.files = {QStringLiteral("/data/parts.db"), QString()};

    EXPECT_EQ(
        GetOpenFile(QStringLiteral("/opt/x"), QStringLiteral("Please choose a file"), QString(), QString()),
        QStringLiteral("/data/parts.db"));
    EXPECT_EQ(ui.lastFileRequest.title, QStringLiteral("Please choose a file"));
    EXPECT_EQ(ui.lastFileRequest.initialFolder, QStringLiteral("/opt/x"));
    EXPECT_TRUE(ui.lastFileRequest.filters.isEmpty());

    EXPECT_EQ(GetOpenFile(QString(), QString(), QString(), QString()), QString()) << "cancelled";
    EXPECT_EQ(ui.lastFileRequest.initialFolder, QDir::currentPath()) << "defaults to the current folder";

    // A long initial name is cut to the dialog's buffer; the filter index picks the pair.
    OpenFileArgs args;
    args.initialFileName = QString(300, u'n');
    args.filter = AddFilterItem(AddFilterItem(QString(), QStringLiteral("A"), QStringLiteral("*.a")),
                                QStringLiteral("B"), QStringLiteral("*.b"));
    args.filterIndex = 2;
    ui.files = {QStringLiteral("/x/y.b") + NUL + QStringLiteral("junk")};
    EXPECT_EQ(CommonFileOpenSave(args), QStringLiteral("/x/y.b"));
    EXPECT_EQ(ui.lastFileRequest.initialFile.size(), kFileBufferChars);
    EXPECT_EQ(ui.lastFileRequest.filterIndex, 1);
}

TEST(FileOpenSave, CurrentFolderIsTheSameAfterwards)
{
    TestEnv env;
    CurrentFolder keep;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(env.root()));
    const QString before = QDir::currentPath();
    ScriptedUi ui;
    ui.files = {QStringLiteral("/a/b")};
    ui.onCall = [&](const ScriptedUi::Call &) { QDir::setCurrent(elsewhere.path()); };
    GetOpenFile(QString(), QString(), QString(), QString());
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST(FileOpenSave, FolderBrowserAnswers)
{
    ScriptedUi ui;
    ui.folders = {QStringLiteral("/srv/logs"), QString(), QStringLiteral("/")};
    EXPECT_EQ(BrowseForFolder(QStringLiteral("Please choose a file")), QStringLiteral("/srv/logs"));
    EXPECT_EQ(ui.callsOf(QStringLiteral("folder")).front().title, QStringLiteral("Please choose a file"));
    EXPECT_EQ(BrowseForFolder(QString()), QString());
    EXPECT_EQ(BrowseForFolder(QString()), QStringLiteral("/"));
}

// The production dialogs, driven as a user would: pick and accept, or cancel.
TEST(FileOpenSave, QtDialogsReturnTheChoiceOrNothing)
{
    TestEnv env;
    CurrentFolder keep;
    QtUiServices qt;
    setUi(&qt);
    const QString file = env.path(QStringLiteral("pick me.db"));
    TestEnv::writeFile(file, "x");
    const QString before = QDir::currentPath();

    auto answer = [](const std::function<void(QFileDialog *)> &act) {
        QTimer::singleShot(0, [act] {
            if (auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget()))
                act(dlg);
        });
    };
    answer([&](QFileDialog *dlg) {
        EXPECT_EQ(dlg->fileMode(), QFileDialog::ExistingFile);
        dlg->selectFile(file);
        static_cast<QDialog *>(dlg)->accept();
    });
    EXPECT_EQ(GetOpenFile(env.root(), QStringLiteral("Please choose a file"), QString(), QString()), file);
    EXPECT_EQ(QDir::currentPath(), before);

    answer([](QFileDialog *dlg) { dlg->reject(); });
    EXPECT_EQ(GetOpenFile(env.root(), QString(), QString(), QString()), QString());

    answer([](QFileDialog *dlg) {
        dlg->setDirectory(QStringLiteral("/"));
        dlg->selectFile(QStringLiteral("/"));
        static_cast<QDialog *>(dlg)->accept();
    });
    EXPECT_EQ(BrowseForFolder(QStringLiteral("t")), QStringLiteral("/"));

    answer([](QFileDialog *dlg) { dlg->reject(); });
    EXPECT_EQ(BrowseForFolder(QStringLiteral("t")), QString());
    setUi(nullptr);
}

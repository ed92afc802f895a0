// SPDX-License-Identifier: MIT
#include "UpdaterWindowFixture.h"
#include "common/core/AppInfo.h"
#include "common/core/Translations.h"
#include "common/ui/frmAbout.h"
#include "updater/ui/RollbackCommand.h"
#include "updater/ui/TransferText.h"
#include "updater/ui/frmMain.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMenuBar>
#include <QTextStream>
#include <QTranslator>

namespace {

// Takes the translators a test installed off the application again.
struct TranslatorsRemoved {
    ~TranslatorsRemoved()
    {
        for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QLocale::setDefault(QLocale::c());
    }
};

QString rollbackSays(const QString &program)
{
    QString out;
    QTextStream stream(&out);
    RollbackCommand::run(program, stream);
    return out;
}

QString caption()
{
    return QStringLiteral("Vantelo Update %1.%2   %4 %3")
        .arg(QString::number(AppInfo::kMajor), QString::number(AppInfo::kMinor),
             QString::number(AppInfo::kRevision));
}

} // namespace

TEST_F(UpdaterWindow, EnglishTranslationsOfBothFamiliesLoadAndChangeNoText)
{
    TranslatorsRemoved cleanup;
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    EXPECT_EQ(Translations::install(),
              (QStringList{QStringLiteral(":/i18n/common_en.qm"), QStringLiteral(":/i18n/mendrel_en.qm")}));
    frmMain w;
    EXPECT_EQ(w.windowTitle(), caption().arg(QStringLiteral("Build")));
    EXPECT_EQ(child<QPushButton>(w, "cmdUpdate")->text(), QStringLiteral("Click Here To Update"));
    // A name with "%" in it is not read as a further place for an argument.
    EXPECT_EQ(rollbackSays(QStringLiteral("%1 %2")),
              QStringLiteral("Application not recognized: %1 %2\nRollback aborted.\n"));
}

TEST_F(UpdaterWindow, ATranslationReachesTheWindowAndTheComposedTexts)
{
    TranslatorsRemoved cleanup;
    auto *german = new QTranslator(QCoreApplication::instance());
    ASSERT_TRUE(german->load(QStringLiteral(":/i18n-test/mendrel_test_de.qm")));
    QCoreApplication::installTranslator(german);

    frmMain w;
    EXPECT_EQ(w.windowTitle(), caption().arg(QStringLiteral("Ausgabe")));
    EXPECT_EQ(w.menuBar()->actions().value(0)->text(), QStringLiteral("&Datei"));
    // Texts kept as untranslated constants are translated where they are shown.
    EXPECT_EQ(child<QPushButton>(w, "cmdUpdate")->text(), QStringLiteral("Hier klicken zum Aktualisieren"));
    EXPECT_EQ(label(w, "SBPanel1"), QStringLiteral("Bereit ..."));
    EXPECT_EQ(frmAbout::versionText(3, 1, 42), QStringLiteral("Ausgabe 3.1.42"));
    EXPECT_TRUE(TransferText::progressLabel(1000, 91000, 1).endsWith(QStringLiteral("remaining: 2 Minuten")));
    EXPECT_EQ(rollbackSays(QStringLiteral("%1")),
              QStringLiteral("Programm nicht erkannt: %1\nZurücknahme abgebrochen.\n"));
}

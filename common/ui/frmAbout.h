// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/RegistryHive.h"

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

// The About box of both programs. The catalogue's is made anew for every showing and
// offers the System Information tool; the updater's is made once and only hidden.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    enum class Program { Catalogue, Updater };

    explicit frmAbout(Program program, QWidget *owner = nullptr);

    // Modal, owned by `owner`; returns when the box is closed or hidden.
    static void showCatalogueAbout(QWidget *owner);
    static void showUpdaterAbout(QWidget *owner);

    static QString versionText(int major, int minor, int revision);

    // Starts the system information tool found through the registry (or, failing
    // that, a known one on the PATH); otherwise says it is unavailable.
    static void StartSysInfo();
    // True when the string value was read; KeyVal is "" otherwise.
    static bool GetKeyValue(RegRoot KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                            QString &KeyVal);
    // Programs tried when the registry names no tool, in this order.
    static QStringList sysInfoFallbacks();

private:
    void buildCatalogue();
    void buildUpdater();
    QLabel *addLabel(const char *name, const QString &text);
    QLabel *addTitle(const QString &text);
    QHBoxLayout *headerRow(QLabel *title, QLabel *version);
    QPushButton *addButton(const char *name, const QString &text);

    Program m_program;
};

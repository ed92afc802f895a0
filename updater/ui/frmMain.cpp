// SPDX-License-Identifier: MIT
#include "frmMain.h"

#include "TransferText.h"
#include "common/core/AppInfo.h"
#include "common/core/HiveReport.h"
#include "common/core/Platform.h"
#include "common/core/PresenceBeacon.h"
#include "common/core/UiServices.h"
#include "common/core/modRegistry.h"
#include "common/ui/frmAbout.h"
#include "common/ui/modHHSubclass.h"
#include "updater/core/UpdateBackup.h"
#include "updater/core/modService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

const QString kTitle = AppInfo::updaterTitle();
// Translated where used: a translator is installed only after static initialisation.
const char *const kUpdateCaption = QT_TRANSLATE_NOOP("frmMain", "Click Here To Update");
const char *const kReady = QT_TRANSLATE_NOOP("frmMain", "Ready ...");
constexpr int kHelpTopic = 1040;
constexpr int kInternetHelpTopic = 1010;

MsgAnswer box(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons = MsgButtons::Ok,
              int helpTopic = 0)
{
    MessageBoxRequest r;
    r.text = text;
    r.title = title;
    r.icon = icon;
    r.buttons = buttons;
    r.helpButton = helpTopic != 0;
    r.helpTopic = helpTopic;
    return ui().messageBox(r);
}

} // namespace

frmMain::frmMain(QWidget *parent) : QMainWindow(parent), m_programs(ProgramDiscovery::programTable())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);
    m_run = new UpdateRun(this, this);
    connect(m_run, &UpdateRun::gaveUp, this, [this] {
        close();
        emit programEnded();
    });
    connect(m_run, &UpdateRun::processingEnded, this, &frmMain::processingEnded);

    buildWindow();
    buildMenus();
    Form_Load();
}

frmMain::~frmMain()
{
    delete m_run; // before the view it reports to goes
    setHourglass(false);
}

QString frmMain::caption()
{
    return tr("%1 %2.%3   Build %4")
        .arg(kTitle, QString::number(AppInfo::kMajor), QString::number(AppInfo::kMinor),
             QString::number(AppInfo::kRevision));
}

void frmMain::buildWindow()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    auto *lblPrograms = new QLabel(tr("Program To Update"), central);
    lblPrograms->setObjectName(QStringLiteral("lblPrograms"));
    lstPrograms = new QListWidget(central);
    lstPrograms->setObjectName(QStringLiteral("lstPrograms"));
    lstPrograms->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(lstPrograms, &QListWidget::currentRowChanged, this, [this](int) { lstPrograms_Click(); });
    lblPrograms->setBuddy(lstPrograms);

    lblPackage = new QLabel(tr("Package #:"), central);
    lblPackage->setObjectName(QStringLiteral("lblPackage"));
    txtPackage = new QLineEdit(central);
    txtPackage->setObjectName(QStringLiteral("txtPackage"));
    lblPackage->setBuddy(txtPackage);
    lblPackage->hide();
    txtPackage->hide();
    auto *packageRow = new QHBoxLayout;
    packageRow->addWidget(lblPackage);
    packageRow->addWidget(txtPackage, 1);

    cmdUpdate = new QPushButton(tr(kUpdateCaption), central);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    connect(cmdUpdate, &QPushButton::clicked, this, &frmMain::cmdUpdate_Click);

    lblStatus = new QLabel(QStringLiteral("."), central);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    lblStatus->setMinimumHeight(lblStatus->fontMetrics().lineSpacing() * 3);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *explain = new QLabel(tr("Vantelo Update will update your program files but not your "
                                  "database files.  Press F1 to learn more."),
                               central);
    explain->setObjectName(QStringLiteral("lblExplain"));
    explain->setWordWrap(true);

    Progress2 = new QProgressBar(central);
    Progress2->setObjectName(QStringLiteral("Progress2"));
    Progress2->setRange(0, 100);
    Progress2->setValue(0);
    Progress2->setTextVisible(false);

    layout->addWidget(lblPrograms);
    layout->addWidget(lstPrograms, 1);
    layout->addLayout(packageRow);
    layout->addWidget(cmdUpdate);
    layout->addWidget(lblStatus);
    layout->addWidget(explain);
    layout->addWidget(Progress2);
    setCentralWidget(central);

    QStatusBar *sb = statusBar();
    sb->setObjectName(QStringLiteral("SB"));
    m_panelText = new QLabel(sb);
    m_panelText->setObjectName(QStringLiteral("SBPanel1"));
    m_panelDate = new QLabel(sb);
    m_panelDate->setObjectName(QStringLiteral("SBPanel2"));
    m_panelTime = new QLabel(sb);
    m_panelTime->setObjectName(QStringLiteral("SBPanel3"));
    sb->addWidget(m_panelText, 1);
    sb->addPermanentWidget(m_panelDate);
    sb->addPermanentWidget(m_panelTime);
    auto *clock = new QTimer(this);
    const auto tick = [this] {
        const QLocale loc = QLocale::system();
        const QDateTime now = QDateTime::currentDateTime();
        m_panelDate->setText(loc.toString(now.date(), QLocale::ShortFormat));
        m_panelTime->setText(loc.toString(now.time(), QLocale::ShortFormat));
    };
    connect(clock, &QTimer::timeout, this, tick);
    tick();
    clock->start(1000);

    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [] { modHHSubclass::ShowHelpTopic(kHelpTopic); });
    resize(420, 380);
}

void frmMain::buildMenus()
{
    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *exit = mnuFile->addAction(tr("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("mnuExit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)); // not every platform theme binds Quit

    mnuTools = menuBar()->addMenu(tr("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    QAction *update = mnuTools->addAction(tr("&Update"), this, &frmMain::cmdUpdate_Click);
    update->setObjectName(QStringLiteral("mnuUpdate"));
    mnuPassive = mnuTools->addAction(tr("&Passive File Transfer"));
    mnuPassive->setObjectName(QStringLiteral("mnuPassive"));
    mnuPassive->setCheckable(true);
    connect(mnuPassive, &QAction::triggered, this, [this] { mnuPassive_Click(); });
    mnuPackage = mnuTools->addAction(tr("&Support Package"));
    mnuPackage->setObjectName(QStringLiteral("mnuPackage"));
    mnuPackage->setCheckable(true);
    connect(mnuPackage, &QAction::triggered, this, [this] { mnuPackage_Click(); });

    mnuHelp = menuBar()->addMenu(tr("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction *contents =
        mnuHelp->addAction(tr("&Contents"), this, [] { modHHSubclass::ShowHelpTopic(kHelpTopic); });
    contents->setObjectName(QStringLiteral("mnuHelpContents"));
    QAction *about = mnuHelp->addAction(tr("&About"), this, [this] { frmAbout::showUpdaterAbout(this); });
    about->setObjectName(QStringLiteral("mnuAbout"));
}

void frmMain::Form_Load()
{
    QString step;
    try {
        g_UpdateError = false;
        step = tr("Reset log file ...");
        modService::ResetLog();
        step = tr("Setting main form caption");
        setWindowTitle(caption());

        bool ok = false;
        g_PassiveMode =
            Reg::GetAppSetting(QStringLiteral("OPTION_PASSIVE")).trimmed().toDouble(&ok) == 1.0 && ok;
        mnuPassive->setChecked(g_PassiveMode);

        // Only Carvell may live beside the updater.
        const QString own = Platform::programFolder();
        step = tr("Check for Carvell");
        ProgramDiscovery::discover(m_programs[ProgramDiscovery::Carvell], own);
        step = tr("Check for Dunmore");
        ProgramDiscovery::discover(m_programs[ProgramDiscovery::Dunmore]);
        step = tr("Check for ORVANA");
        ProgramDiscovery::discover(m_programs[ProgramDiscovery::Orvana]);

        // Without the machine hive the programs are looked for in their default folders.
        HiveReport::showFaults(
            kTitle, {tr("Vantelo Update looks for the programs in their default folders instead, and "
                        "refuses to update while its update settings cannot be read."),
                     tr("The Passive File Transfer choice is not kept.")});

        step = tr("Removing debris ...");
        removeDebris();

        step = tr("Setting application help file ..");
        const QString help = m_programs[ProgramDiscovery::Carvell].folder + QStringLiteral("/Carvell.CHM");
        const QString found = Platform::findPathNoCase(help);
        modHHSubclass::setApplicationHelpFile(found.isEmpty() ? help : found);

        for (int index : {ProgramDiscovery::Dunmore, ProgramDiscovery::Carvell, ProgramDiscovery::Orvana}) {
            if (!m_programs[size_t(index)].installed)
                continue;
            lstPrograms->addItem(m_programs[size_t(index)].listText);
            lstPrograms->setCurrentRow(lstPrograms->count() - 1);
        }
        SetStatusText(tr(kReady));
    } catch (const std::exception &e) {
        box(tr("Main Form Load Error: \n\n%1\n%2\n%3\n%4")
                .arg(QStringLiteral("0"), QString::fromLocal8Bit(e.what()), kTitle, step),
            kTitle, MsgIcon::None);
    }
}

// An update stopped half-way is undone (or finished) before anything else touches the
// folders; then staging folders and temporary files that a killed updater left go.
void frmMain::removeDebris()
{
    const auto healed = UpdateBackup::healFolders(ProgramDiscovery::updateFolders(m_programs),
                                                  [this](const QString &line) { logEvent(line); });
    for (const auto &[folder, recovered] : healed) {
        if (!recovered)
            box(tr("An interrupted update of %1 could not be undone:\n%2")
                    .arg(folder, recovered.error().message),
                kTitle, MsgIcon::Exclamation);
        else if (recovered->found && recovered->completed)
            box(tr("The last update of %1 was interrupted after its last step. It has now been completed.")
                    .arg(folder),
                kTitle, MsgIcon::Information);
        else if (recovered->found)
            box(tr("The last update of %1 was interrupted. It has been undone: the program is as it was "
                   "before that update (files put back: %2).")
                    .arg(folder, QString::number(recovered->putBack)),
                kTitle, MsgIcon::Information);
    }
}

void frmMain::lstPrograms_Click()
{
    const QListWidgetItem *item = lstPrograms->currentItem();
    if (!item)
        return;
    const QString key = item->text().toUpper();
    for (const ProgramInfo &p : m_programs)
        if (p.key == key)
            lblStatus->setText(p.folder);
}

void frmMain::mnuPassive_Click()
{
    g_PassiveMode = !g_PassiveMode;
    mnuPassive->setChecked(g_PassiveMode);
    Reg::SaveAppSetting(QStringLiteral("OPTION_PASSIVE"),
                        g_PassiveMode ? QStringLiteral("1") : QStringLiteral("0"));
    SetStatusText(g_PassiveMode ? tr("Passive File Transfer Mode = ON")
                                : tr("Passive File Transfer Mode = OFF"));
}

void frmMain::mnuPackage_Click()
{
    if (m_supportPackage) {
        m_supportPackage = false;
        mnuPackage->setChecked(false);
        lblPackage->hide();
        txtPackage->hide();
        txtPackage->clear();
        lblStatus->clear();
        SetStatusText(tr(kReady));
        return;
    }
    mnuPackage->setChecked(false); // until the user agrees
    const QString text =
        tr("-- WARNING --\n\nDo not update with a Support Package unless instructed to do so by "
           "Vantelo Support.\nA Support Package may cause programs to fail if it is not intended "
           "for your PC.\n\nDo you want to specifiy and the update with a Support Package?");
    if (box(text, tr("Update With Support Package"), MsgIcon::Exclamation, MsgButtons::YesNo, kHelpTopic) !=
        MsgAnswer::Yes)
        return;
    m_supportPackage = true;
    mnuPackage->setChecked(true);
    lblPackage->show();
    txtPackage->show();
    txtPackage->clear();
    lblStatus->setText(tr("Please enter a PACKAGE NUMBER before updating"));
    SetStatusText(tr("Download Support Package"));
}

void frmMain::SetStatusText(const QString &text)
{
    m_panelText->setText(text);
}

void frmMain::SetStatusLabel(const QString &text)
{
    lblStatus->setText(text);
}

void frmMain::EnableUpdate(bool enabled)
{
    cmdUpdate->setEnabled(enabled);
}

// Override cursors stack: keep exactly one of ours at most.
void frmMain::setHourglass(bool on)
{
    if (on == m_hourglass)
        return;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    m_hourglass = on;
}

void frmMain::ShowBusy()
{
    mnuTools->setEnabled(false);
    mnuFile->setEnabled(false);
    mnuHelp->setEnabled(false);
    setHourglass(true);
}

void frmMain::ShowNotBusy()
{
    cmdUpdate->setEnabled(true);
    SetStatusText(tr(kReady));
    lblStatus->clear();
    mnuTools->setEnabled(true);
    mnuFile->setEnabled(true);
    mnuHelp->setEnabled(true);
    Progress2->setValue(0);
    setHourglass(false);
}

void frmMain::logEvent(const QString &text)
{
    m_run->logEvent(text);
}

void frmMain::setUpdateCaption(bool cancel)
{
    cmdUpdate->setText(cancel ? tr("Cancel") : tr(kUpdateCaption));
}

void frmMain::startProgress()
{
    Progress2->setRange(0, 105);
    Progress2->show();
}

void frmMain::resetProgress()
{
    Progress2->setValue(0);
}

void frmMain::showProgress(qint64 bytes, qint32 total, int elapsedSeconds)
{
    lblStatus->setText(TransferText::progressLabel(bytes, total, elapsedSeconds));
    Progress2->setValue(int(float(bytes) / float(total) * 100.0f));
}

void frmMain::repaintNow()
{
    repaint();
}

bool frmMain::anyProgramRunning()
{
    for (const ProgramInfo &p : m_programs) {
        if (!IsWindowOpen(p.windowTitle))
            continue;
        const QString text = tr("Please close %1 before using this function").arg(p.listText);
        logEvent(text);
        box(text, kTitle, MsgIcon::Exclamation);
        return true;
    }
    return false;
}

void frmMain::cmdUpdate_Click()
{
    if (anyProgramRunning())
        return;
    QString packageFile;
    if (m_supportPackage) {
        g_TargetFolder = Platform::programFolder();
        const QString number = txtPackage->text().trimmed();
        if (number.isEmpty()) {
            box(tr("You have enabled download of a Support Package but have not entered a package "
                   "number."),
                tr("Abort Update"), MsgIcon::Exclamation);
            return;
        }
        const auto file = TransferText::supportPackageFile(number);
        if (!file) {
            box(tr("Invalid package number."), tr("Abort Update"), MsgIcon::Exclamation);
            return;
        }
        packageFile = *file;
    } else {
        const QListWidgetItem *item = lstPrograms->currentItem();
        const QString key = item ? item->text().toUpper() : QString();
        const ProgramInfo *chosen = nullptr;
        for (const ProgramInfo &p : m_programs)
            if (p.key == key)
                chosen = &p;
        if (!chosen) {
            g_TargetFolder = Platform::programFolder();
            const QString text = tr("Application not recognized: %1\nUpdate aborted.").arg(key);
            logEvent(text);
            box(text, kTitle, MsgIcon::Exclamation);
            return;
        }
        packageFile = chosen->packageFile;
        g_TargetFolder = chosen->folder;
    }

    if (m_run->busy()) {
        m_run->cancel();
        return;
    }
    if (box(tr("Are you connected to the Internet?"), tr("Web Update"), MsgIcon::Question, MsgButtons::YesNo,
            kInternetHelpTopic) != MsgAnswer::Yes) {
        SetStatusText(tr("Update cancelled"));
        return;
    }
    m_run->start(packageFile);
}

void frmMain::processingEnded()
{
    if (!m_closeWhenDone)
        return;
    m_closeWhenDone = false;
    logEvent(QStringLiteral("Closing now: the update has finished"));
    close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The pauses between process-file lines keep the window running; ending the program
    // there would leave a process file half run. Closing waits for its end instead.
    if (m_run->processing()) {
        event->ignore();
        if (!m_closeWhenDone)
            logEvent(
                QStringLiteral("Close requested while the process file runs: closing when it has finished"));
        m_closeWhenDone = true;
        SetStatusText(tr("The window closes when the update has finished ..."));
        return;
    }
    m_run->abort(QStringLiteral("the window was closed"));
    event->accept();
}

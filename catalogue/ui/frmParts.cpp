// SPDX-License-Identifier: MIT
#include "frmParts.h"

#include "DataArraySource.h"
#include "catalogue/core/AccessCatalogueSetup.h"
#include "catalogue/core/PartSearch.h"
#include "catalogue/core/PartUndo.h"
#include "catalogue/core/SearchIndexSetup.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/grid/FlexGrid.h"
#include "catalogue/properties/ShowOptions.h"
#include "common/core/AppInfo.h"
#include "common/core/HiveReport.h"
#include "common/core/Platform.h"
#include "common/core/UiServices.h"
#include "common/core/modRegistry.h"
#include "common/ui/FormPlacement.h"
#include "common/ui/frmAbout.h"
#include "common/ui/modHHSubclass.h"
#include "modGrid.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

// A file of the program's folder, found as Windows would: in any letter case.
QString programFile(const QString &name)
{
    return Platform::findPathNoCase(Platform::programFolder() + u'/' + name);
}

void report(const QString &text)
{
    MsgBox(text, MsgIcon::Exclamation, MsgButtons::Ok, AppInfo::catalogueTitle());
}

void reportSettingProblems(const Result<> &loaded)
{
    if (!loaded)
        report(QCoreApplication::translate("frmParts",
                                           "Some stored settings could not be used; their defaults "
                                           "apply:\n%1")
                   .arg(loaded.error().message));
}

} // namespace

frmParts::frmParts(QWidget *parent)
    : QMainWindow(parent), m_search(std::make_unique<PartSearch>()), m_undo(std::make_unique<PartUndo>())
{
    setObjectName(QStringLiteral("frmParts"));
    setWindowTitle(tr("Parts"));
    buildControls();
    buildMenus();
    Form_Load();
}

frmParts::~frmParts() = default;

void frmParts::buildControls()
{
    auto *central = new QWidget(this);
    Label1 = named(new QLabel(tr("Find"), central), "Label1");
    txtFind = named(new QLineEdit(central), "txtFind");
    txtFind->setMaxLength(50);
    Label1->setBuddy(txtFind);
    cmdGO = named(new QPushButton(tr("GO"), central), "cmdGO");
    cmdNew = named(new QPushButton(tr("New"), central), "cmdNew");
    cmdClose = named(new QPushButton(tr("&Close"), central), "cmdClose");
    fg1 = named(new FlexGrid(central), "fg1");
    Label2 = named(new QLabel(tr("Associated Parts"), central), "Label2");
    fg2 = named(new FlexGrid(central), "fg2");
    lblStatus = named(new QLabel(central), "lblStatus");
    for (QPushButton *b : {cmdGO, cmdNew, cmdClose})
        b->setAutoDefault(false);

    auto *top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(txtFind, 1);
    top->addWidget(cmdGO);
    top->addWidget(cmdNew);
    top->addStretch(1);
    top->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(central);
    layout->addLayout(top);
    layout->addWidget(fg1, 3);
    layout->addWidget(Label2);
    layout->addWidget(fg2, 1);
    layout->addWidget(lblStatus);
    setCentralWidget(central);

    setTabOrder(txtFind, cmdGO);
    setTabOrder(cmdGO, cmdNew);
    setTabOrder(cmdNew, cmdClose);
    setTabOrder(cmdClose, fg1);
    setTabOrder(fg1, fg2);
    txtFind->setFocus();

    connect(txtFind, &QLineEdit::returnPressed, this, &frmParts::Search);
    // An access key presses a button without taking the focus from an open cell editor.
    for (QPushButton *b : {cmdGO, cmdNew, cmdClose})
        connect(b, &QPushButton::clicked, this, &frmParts::commitOpenEdit);
    connect(cmdGO, &QPushButton::clicked, this, &frmParts::Search);
    connect(cmdNew, &QPushButton::clicked, this, &frmParts::NewRecord);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    connect(fg1, &FlexGrid::afterRowColChange, this,
            [this](int, int, int row, int col) { fg1_AfterRowColChange(row, col); });
    connect(fg1, &FlexGrid::dblClick, this, &frmParts::fg1_DblClick);
    connect(
        fg1, &FlexGrid::keyDown, this,
        [this](int key, Qt::KeyboardModifiers, bool *swallow) { fg1_KeyDown(key, swallow); },
        Qt::DirectConnection);
    connect(fg1, &FlexGrid::mouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &pos) {
                fg1_MouseDown(button, pos);
            });
    connect(fg1, &FlexGrid::beforeEdit, this, &frmParts::fg1_BeforeEdit, Qt::DirectConnection);
    connect(
        fg1, &FlexGrid::startEdit, this, [this](int row, int col, bool *) { fg1_StartEdit(row, col); },
        Qt::DirectConnection);
    connect(fg1, &FlexGrid::afterEdit, this, &frmParts::fg1_AfterEdit);
    connect(fg2, &FlexGrid::dblClick, this, &frmParts::fg2_DblClick);
}

void frmParts::buildMenus()
{
    QMenu *file = named(menuBar()->addMenu(tr("&File")), "mnuFile");
    mnuExportList = named(file->addAction(tr("&Export List...")), "mnuExportList");
    mnuImportParts = named(file->addAction(tr("&Import Parts...")), "mnuImportParts");
    file->addSeparator();
    mnuExit = named(file->addAction(tr("E&xit")), "mnuExit");
    mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)); // not every platform theme binds Quit
    mnuEdit = named(menuBar()->addMenu(tr("&Edit")), "mnuEdit");
    mnuShowAllRecords = named(mnuEdit->addAction(tr("&Show All Records")), "mnuShowAllRecords");
    mnuRecordNew = named(mnuEdit->addAction(tr("&New")), "mnuRecordNew");
    mnuRecordDelete = named(mnuEdit->addAction(tr("&Delete")), "mnuRecordDelete");
    buildHistoryMenus();
    QMenu *tools = named(menuBar()->addMenu(tr("&Tools")), "mnuTools");
    mnuOptions = named(tools->addAction(tr("&Options")), "mnuOptions");
    QMenu *help = named(menuBar()->addMenu(tr("&Help")), "mnuHelp");
    mnuAbout = named(help->addAction(tr("&About")), "mnuAbout");
    mnuContents = named(help->addAction(tr("&Contents")), "mnuContents");
    mnuContents->setShortcut(QKeySequence::HelpContents);
    mnuContents->setEnabled(false);
    mnuTest = named(menuBar()->addAction(tr("Test")), "mnuTest");

    // Menus take no focus, so a cell editor is still open when a command starts, and a
    // command that reloads the grid would drop its text. Connected first, so it runs first.
    for (QAction *action :
         {mnuExportList, mnuImportParts, mnuExit, mnuShowAllRecords, mnuRecordNew, mnuRecordDelete, mnuUndo,
          mnuRedo, mnuHistory, mnuDeletedParts, mnuOptions, mnuAbout, mnuContents, mnuTest})
        connect(action, &QAction::triggered, this, &frmParts::commitOpenEdit);

    connect(mnuExportList, &QAction::triggered, this, &frmParts::ExportList);
    connect(mnuImportParts, &QAction::triggered, this, &frmParts::ImportParts);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuShowAllRecords, &QAction::triggered, this, &frmParts::ShowAllRecords);
    connect(mnuRecordNew, &QAction::triggered, cmdNew, &QPushButton::click);
    connect(mnuRecordDelete, &QAction::triggered, this, &frmParts::DeleteRecords);
    connect(mnuOptions, &QAction::triggered, this, &frmParts::mnuOptions_Click);
    connect(mnuUndo, &QAction::triggered, this, &frmParts::Undo);
    connect(mnuRedo, &QAction::triggered, this, &frmParts::Redo);
    connect(mnuHistory, &QAction::triggered, this, &frmParts::ShowHistory);
    connect(mnuDeletedParts, &QAction::triggered, this, &frmParts::ShowDeletedParts);
    connect(mnuAbout, &QAction::triggered, this, [this] { frmAbout::showCatalogueAbout(this); });
    connect(mnuContents, &QAction::triggered, this, [] { modHHSubclass::ShowHelpTopic(1000); });
    connect(mnuTest, &QAction::triggered, this, &frmParts::ShowRecordCount);
}

void frmParts::Form_Load()
{
    reportSettingProblems(modGlobal::LoadSettings());

    modGrid::GridSet1(*fg1);
    modGrid::GridSet1(*fg2);

    modRegistry::SaveAppSetting(QStringLiteral("FRONT_END"), Platform::programFolder());
    modRegistry::SaveAppSetting(QStringLiteral("MAJOR"), QString::number(AppInfo::kMajor));
    modRegistry::SaveAppSetting(QStringLiteral("MINOR"), QString::number(AppInfo::kMinor));
    modRegistry::SaveAppSetting(QStringLiteral("REV"), QString::number(AppInfo::kRevision));

    const QString helpFile = programFile(QStringLiteral("orvana.chm"));
    if (!helpFile.isEmpty() && Platform::FileExists(helpFile)) {
        modHHSubclass::setApplicationHelpFile(helpFile);
        mnuContents->setEnabled(true);
    }
    const QString marker = programFile(QStringLiteral("admin.txt"));
    mnuTest->setVisible(!marker.isEmpty() && Platform::FileExists(marker));

    if (const auto placed = FormPlacement::RestoreFormPlacement(this); !placed)
        report(placed.error().message);
    HiveReport::showFaults(AppInfo::catalogueTitle(),
                           {QCoreApplication::translate(
                                "frmParts", "Orvana uses its default settings and leaves the file as it is."),
                            QCoreApplication::translate(
                                "frmParts", "Changes to the settings and the window's place are not kept.")});

    // An Access catalogue left by the Windows program is converted first, or not read at all.
    if (!PrepareAccessCatalogue())
        return;
    PrepareSearchIndex();
    prepareHistory();
    ShowAllRecords();
}

void frmParts::mnuOptions_Click()
{
    // The sheet stores every change as it is made and loads the settings again on closing.
    stopListing();
    reportSettingProblems(ShowOptions());
    if (!PrepareAccessCatalogue()) { // the settings may name another catalogue
        modGrid::GridSet1(*fg1);
        modGrid::GridSet1(*fg2);
        return;
    }
    PrepareSearchIndex();
    prepareHistory();
    ShowAllRecords();
}

void frmParts::SetStatus(const QString &text)
{
    lblStatus->setText(text.trimmed());
}

void frmParts::ShowRecordCount()
{
    const std::int32_t count = modDB::dbCount(QStringLiteral("PARTS"), QString());
    MsgBox(tr("Record Count: %1").arg(count), MsgIcon::None, MsgButtons::Ok, AppInfo::catalogueTitle());
}

void frmParts::commitOpenEdit()
{
    fg1->commitEdit();
}

void frmParts::closeEvent(QCloseEvent *event)
{
    commitOpenEdit();
    FormPlacement::SaveFormPlacement(this);
    event->accept();
}

void frmParts::keyPressEvent(QKeyEvent *event)
{
    // Esc anywhere stops a list still being read, or else presses Close; an open cell
    // editor takes its Esc before it gets here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (!stopListing())
            cmdClose->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

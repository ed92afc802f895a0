// SPDX-License-Identifier: MIT
#include "PartsTestDb.h"
#include "catalogue/core/NewCatalogue.h"
#include "catalogue/core/modDB.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/grid/FlexGrid.h"
#include "catalogue/ui/frmParts.h"
#include "common/core/HtmlHelpEngine.h"
#include "common/core/RegistryHive.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"
#include "common/ui/FormPlacement.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <typename T> T *child(const QWidget &w, const char *name)
{
    return w.findChild<T *>(QLatin1String(name));
}

QString status(const frmParts &w)
{
    return child<QLabel>(w, "lblStatus")->text();
}

// What the window's backing store holds once the event loop has painted it: what the user
// sees. A fresh grab paints anew, so it shows rows that a grid never told to update leaves
// out of the window.
QImage onScreen(const QWidget &w)
{
    QWidget *top = w.window();
    const QPixmap window = top->screen()->grabWindow(top->winId());
    const qreal ratio = window.devicePixelRatio();
    const QRect area(w.mapTo(top, QPoint(0, 0)) * ratio, w.size() * ratio);
    return window.copy(area).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage freshlyPainted(QWidget &w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A real window over a real catalogue in a temporary program folder.
class Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<PartsTestDb>(env.programFolder() + QStringLiteral("/ORVANA.MDB"));
    }

    // The standard sample: an assembly with two parts hanging on it, and two loose parts.
    void addSample()
    {
        db->add(QStringLiteral("ASM-100"), QStringLiteral("Pump assembly"), QStringLiteral("A-01"));
        db->add(QStringLiteral("SEAL-2"), QStringLiteral("Oil seal"), QStringLiteral("B-02"),
                QStringLiteral("ASM-100"));
        db->add(QStringLiteral("BOLT-7"), QStringLiteral("Hex bolt"), QStringLiteral("C-03"),
                QStringLiteral("ASM-100"));
        db->add(QStringLiteral("O'RING-5"), QStringLiteral("O-ring 20% harder"), QStringLiteral("D-04"));
        db->add(QStringLiteral("WASHER_9"), QStringLiteral("Flat washer"), QStringLiteral("E-05"));
    }

    std::unique_ptr<frmParts> open()
    {
        auto w = std::make_unique<frmParts>();
        w->show();
        fg1 = w->grid1();
        fg2 = w->grid2();
        return w;
    }

    int rowOf(FlexGrid *g, const QString &partNumber) const
    {
        for (int r = g->fixedRows(); r < g->rows(); ++r)
            if (g->textMatrix(r, 3) == partNumber)
                return r;
        return -1;
    }

    void clickCell(FlexGrid *g, int row, int col, Qt::KeyboardModifiers mods = {})
    {
        g->showCell(row, col);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, mods,
                          g->visualRect(g->gridModel()->indexOf(row, col)).center());
    }

    void doubleClickCell(FlexGrid *g, int row, int col)
    {
        clickCell(g, row, col);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {},
                           g->visualRect(g->gridModel()->indexOf(row, col)).center());
    }

    void search(frmParts &w, const QString &text)
    {
        auto *find = child<QLineEdit>(w, "txtFind");
        find->setText(text);
        QTest::keyClick(find, Qt::Key_Return);
    }

    int recordRow(const QString &field) const
    {
        for (int r = 0; r < fg1->rows(); ++r)
            if (fg1->textMatrix(r, 0).compare(field, Qt::CaseInsensitive) == 0)
                return r;
        return -1;
    }

    void editValue(int row, const QString &text)
    {
        fg1->setCurrentCell(row, 1);
        ASSERT_TRUE(fg1->editCell());
        auto *editor = fg1->viewport()->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }

    // Keys as a user types them: into the open cell editor, or to the grid, which opens one.
    void type(const QString &text)
    {
        for (const QChar ch : text) {
            QWidget *target = openEditor();
            QTest::keyClick(target ? target : static_cast<QWidget *>(fg1), ch.toLatin1());
        }
    }

    QLineEdit *openEditor() const
    {
        for (QLineEdit *editor : fg1->viewport()->findChildren<QLineEdit *>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    QStringList recordNames() const
    {
        QStringList names;
        for (int r = 0; r < fg1->rows(); ++r)
            names << fg1->textMatrix(r, 0);
        return names;
    }

    TestEnv env;
    ScriptedUi ui;
    std::unique_ptr<PartsTestDb> db;
    FlexGrid *fg1 = nullptr;
    FlexGrid *fg2 = nullptr;
};

} // namespace

TEST_F(Window, StartUpListsEveryPartAndWritesTheProgramValues)
{
    addSample();
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Parts"));
    EXPECT_EQ(status(*w), QStringLiteral("5 records"));
    ASSERT_EQ(fg1->rows(), 6);
    ASSERT_EQ(fg1->cols(), 6);
    EXPECT_TRUE(fg1->colHidden(1));
    EXPECT_TRUE(fg1->colHidden(2));
    EXPECT_FALSE(fg1->colHidden(3));
    EXPECT_EQ(fg1->textMatrix(0, 3), QStringLiteral("PartNumber"));
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("ASM-100")) << "sorted by part number";
    EXPECT_EQ(fg1->textMatrix(5, 3), QStringLiteral("WASHER_9"));
    EXPECT_EQ(fg1->row(), 1);
    EXPECT_EQ(fg2->rows(), 1) << "the associated parts start empty";
    EXPECT_FALSE(w->recordView());
    EXPECT_TRUE(ui.messages().isEmpty());

    EXPECT_EQ(modRegistry::GetAppSetting(QStringLiteral("FRONT_END")), env.programFolder());
    EXPECT_EQ(modRegistry::GetAppSetting(QStringLiteral("MAJOR")), QString::number(VANTELO_VERSION_MAJOR));
    EXPECT_EQ(modRegistry::GetAppSetting(QStringLiteral("REV")), QString::number(VANTELO_VERSION_REVISION));
    EXPECT_FALSE(child<QAction>(*w, "mnuContents")->isEnabled());
    EXPECT_FALSE(child<QAction>(*w, "mnuTest")->isVisible());
}

TEST_F(Window, HelpAndMarkerFilesSwitchTheirMenusAtStartOnly)
{
    TestEnv::writeFile(env.programFolder() + QStringLiteral("/orvana.chm"), "help");
    TestEnv::writeFile(env.programFolder() + QStringLiteral("/admin.txt"), "");
    auto w = open();
    EXPECT_TRUE(child<QAction>(*w, "mnuContents")->isEnabled());
    // F1, shown in the menu, opens the contents.
    EXPECT_EQ(child<QAction>(*w, "mnuContents")->shortcut(), QKeySequence(Qt::Key_F1));
    HtmlHelpEngine::clearCalls();
    QApplication::setActiveWindow(w.get());
    QTest::keyClick(child<QLineEdit>(*w, "txtFind"), Qt::Key_F1);
    ASSERT_EQ(HtmlHelpEngine::calls().size(), 1);
    EXPECT_EQ(HtmlHelpEngine::calls()[0].data, 1000u);
    QAction *test = child<QAction>(*w, "mnuTest");
    EXPECT_TRUE(test->isVisible());
    db->add(QStringLiteral("P-1"), QStringLiteral("One"), QStringLiteral("X"));
    test->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Record Count: 1"));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Orvana"));
    EXPECT_EQ(ui.messages()[0].icon, MsgIcon::None);

    QFile::remove(env.programFolder() + QStringLiteral("/admin.txt"));
    EXPECT_TRUE(test->isVisible()) << "only the start looks for the marker";
}

TEST_F(Window, AnUnreachableDatabaseIsReportedOnceAndListsNothing)
{
    db.reset();
    QFile::remove(env.programFolder() + QStringLiteral("/ORVANA.MDB"));
    auto w = open();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral("Error in LoadArray")));
    EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("No Records Found"));
    EXPECT_EQ(status(*w), QStringLiteral("0 records"));
}

TEST_F(Window, ProblemsWithStoredSettingsPlacementAndDisplayColumnsAreReported)
{
    addSample();
    modRegistry::SaveProperty(QStringLiteral("General"), QStringLiteral("Debug"),
                              QStringLiteral("Debug Mode Active"), QStringLiteral("maybe"));
    modRegistry::SaveProperty(QStringLiteral("General"), QStringLiteral("Database"),
                              QStringLiteral("Display Field List"),
                              QStringLiteral("PartDescription, NoSuchColumn"));
    modRegistry::SaveProperty(QStringLiteral("Form Settings"), QStringLiteral("frmParts"),
                              QStringLiteral("frmParts_Left"), QStringLiteral("left"));
    auto w = open();
    ASSERT_EQ(ui.messages().size(), 3);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("Debug Mode Active")));
    EXPECT_TRUE(ui.messages()[1].text.contains(QStringLiteral("frmParts_Left")));
    EXPECT_TRUE(ui.messages()[2].text.startsWith(QStringLiteral("Error in LoadArray")));
    EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("No Records Found"));
    EXPECT_EQ(status(*w), QStringLiteral("0 records"));
}

TEST_F(Window, SearchListsMatchesAndTakesQuotesAndWildcardsAsTyped)
{
    addSample();
    auto w = open();
    search(*w, QStringLiteral("  seal "));
    EXPECT_EQ(status(*w), QStringLiteral("1 records"));
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("SEAL-2"));

    search(*w, QStringLiteral("o'ring"));
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("O'RING-5"));
    search(*w, QStringLiteral("20%"));
    EXPECT_EQ(status(*w), QStringLiteral("1 records"));
    search(*w, QStringLiteral("_"));
    EXPECT_EQ(status(*w), QStringLiteral("5 records")) << "the database's wildcards keep their meaning";
    EXPECT_TRUE(ui.messages().isEmpty());

    auto *find = child<QLineEdit>(*w, "txtFind");
    find->clear();
    QTest::keyClicks(find, QString(60, u'x'));
    EXPECT_EQ(find->text().size(), 50);

    const int before = fg1->rows();
    search(*w, QStringLiteral("   "));
    EXPECT_EQ(fg1->rows(), before) << "an empty search does nothing";
}

TEST_F(Window, ASearchWithoutMatchOffersToCreateThePart)
{
    addSample();
    auto w = open();
    ui.answers = {MsgAnswer::No};
    search(*w, QStringLiteral("PUMP-9"));
    EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("No Records Found"));
    EXPECT_EQ(status(*w), QStringLiteral("0 records"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Add a record for Part Number PUMP-9?"));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("PUMP-9 not found"));
    EXPECT_EQ(ui.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(db->count(), 5);

    ui.answers = {MsgAnswer::Yes};
    search(*w, QStringLiteral("PUMP-9"));
    EXPECT_EQ(db->count(), 6);
    EXPECT_TRUE(w->recordView());
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("PartNumber")), 1), QStringLiteral("PUMP-9"));
}

// A search the database could not answer (another program holds it locked) is reported;
// it found out nothing, so it does not offer to add a part that may well exist.
TEST_F(Window, ASearchThatFailedIsReportedWithoutOfferingToAddThePart)
{
    addSample();
    auto w = open();
    QProcess holder;
    holder.start(QStringLiteral("sqlite3"), {env.programFolder() + QStringLiteral("/ORVANA.MDB")});
    ASSERT_TRUE(holder.waitForStarted());
    holder.write("BEGIN EXCLUSIVE;\nUPDATE PARTS SET Bin = 'held';\n.print locked\n");
    while (!holder.readAllStandardOutput().contains("locked"))
        ASSERT_TRUE(holder.waitForReadyRead(5000));

    ui.answers = {MsgAnswer::Ok, MsgAnswer::Yes};
    search(*w, QStringLiteral("ASM-100"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("database is locked")));
    EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("No Records Found"));
    EXPECT_FALSE(w->recordView());

    holder.write("ROLLBACK;\n.quit\n");
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(5000));
    EXPECT_EQ(db->count(), 5);
    search(*w, QStringLiteral("ASM-100"));
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("ASM-100"));
}

TEST_F(Window, TheCurrentPartBringsItsAssociatedParts)
{
    addSample();
    auto w = open();
    clickCell(fg1, rowOf(fg1, QStringLiteral("SEAL-2")), 3);
    ASSERT_EQ(fg2->rows(), 4);
    EXPECT_EQ(fg2->textMatrix(1, 3), QStringLiteral("ASM-100"));
    EXPECT_EQ(fg2->textMatrix(2, 3), QStringLiteral("BOLT-7"));
    EXPECT_EQ(fg2->textMatrix(3, 3), QStringLiteral("SEAL-2"));
    EXPECT_TRUE(fg2->colHidden(1));
    EXPECT_TRUE(fg2->colHidden(2));
    EXPECT_EQ(status(*w), QStringLiteral("3 associated parts found for ASM-100"));

    clickCell(fg1, rowOf(fg1, QStringLiteral("WASHER_9")), 3);
    EXPECT_EQ(fg2->rows(), 1);
    EXPECT_EQ(fg2->textMatrix(0, 0), QString());

    // A double-click in the associated parts opens that part in the result grid.
    clickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    doubleClickCell(fg2, 1, 3);
    EXPECT_TRUE(w->recordView());
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("PartNumber")), 1), QStringLiteral("ASM-100"));
}

TEST_F(Window, TheAssociatedPartsAreDrawnInTheWindowNotOnlyWhenGrabbed)
{
    addSample();
    auto w = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    // The event loop paints what was marked for update, soon but not at once.
    const auto painted = [&] {
        return QTest::qWaitFor([&] { return onScreen(*fg2) == freshlyPainted(*fg2); }, 2000);
    };
    ASSERT_TRUE(painted());
    const QImage empty = onScreen(*fg2);

    clickCell(fg1, rowOf(fg1, QStringLiteral("SEAL-2")), 3);
    ASSERT_EQ(fg2->rows(), 4);
    EXPECT_TRUE(painted());
    const QImage filled = onScreen(*fg2);
    EXPECT_NE(filled, empty);

    // Another part with associates, then one without: never the rows of the one before.
    clickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    EXPECT_TRUE(painted());
    clickCell(fg1, rowOf(fg1, QStringLiteral("WASHER_9")), 3);
    EXPECT_TRUE(painted());
    EXPECT_EQ(onScreen(*fg2), empty);

    search(*w, QStringLiteral("seal"));
    clickCell(fg1, rowOf(fg1, QStringLiteral("SEAL-2")), 3);
    EXPECT_TRUE(painted());
    EXPECT_EQ(onScreen(*fg2), filled);
}

TEST_F(Window, DoubleClickShowsTheRecordViewWhoseNamesAreNotEdited)
{
    addSample();
    auto w = open();
    doubleClickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    ASSERT_TRUE(w->recordView());
    EXPECT_EQ(fg1->cols(), 2);
    EXPECT_EQ(fg1->fixedRows(), 1);
    EXPECT_EQ(fg1->textMatrix(0, 0), QStringLiteral("PartID"));
    EXPECT_FALSE(fg1->gridModel()->indexOf(0, 1).isValid()) << "the PartID row is a header";
    const int bin = recordRow(QStringLiteral("Bin"));
    EXPECT_EQ(fg1->textMatrix(bin, 1), QStringLiteral("C-03"));
    EXPECT_TRUE(fg1->gridModel()->flags(fg1->gridModel()->indexOf(bin, 1)) & Qt::ItemIsEditable);

    clickCell(fg1, bin, 0);
    EXPECT_EQ(fg1->row(), bin);
    EXPECT_EQ(fg1->col(), 1);

    // A double-click in the record view does not open another record.
    ui.clear();
    QTest::keyClick(fg1, Qt::Key_Delete);
    EXPECT_TRUE(ui.messages().isEmpty()) << "Delete in the record view goes to the grid";
}

TEST_F(Window, RecordViewEditsAreTypedAndWrittenAtOnce)
{
    addSample();
    auto w = open();
    doubleClickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));

    editValue(recordRow(QStringLiteral("Bin")), QString(21, u'Z'));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral("The entered value is too long.")));
    EXPECT_EQ(db->value(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = ") + id),
              QStringLiteral("C-03"));

    ui.clear();
    editValue(recordRow(QStringLiteral("Bin")), QStringLiteral("  K-11  "));
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(db->value(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = ") + id),
              QStringLiteral("K-11"));

    editValue(recordRow(QStringLiteral("Qty")), QStringLiteral("abc"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Long Integer Field Not Updated"));
    EXPECT_EQ(db->value(QStringLiteral("SELECT Qty FROM PARTS WHERE PartID = ") + id), QStringLiteral("0"));
}

TEST_F(Window, AnEditLeftUnchangedWritesNothingAndLongTextsAreWrittenWhole)
{
    addSample();
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    const auto stored = [&](const char *field) {
        return db->value(
            QStringLiteral("SELECT %1 FROM PARTS WHERE PartID = %2").arg(QLatin1String(field), id));
    };
    // F2 and Enter, as a user leaves a value as it is.
    const auto reopen = [&](FlexGrid *grid, const QString &field) {
        grid->setCurrentCell(recordRow(field), 1);
        QTest::keyClick(grid, Qt::Key_F2);
        QLineEdit *editor = openEditor();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    };
    auto a = open();
    FlexGrid *gridA = fg1;
    auto b = open();
    FlexGrid *gridB = fg1;
    a->ShowRecord(id);
    b->ShowRecord(id);

    fg1 = gridA;
    editValue(recordRow(QStringLiteral("Bin")), QStringLiteral("A-BIN-2"));
    ASSERT_EQ(stored("Bin"), QStringLiteral("A-BIN-2"));
    fg1 = gridB;
    reopen(gridB, QStringLiteral("Bin"));
    EXPECT_EQ(stored("Bin"), QStringLiteral("A-BIN-2")) << "B's old value is not written back";

    // Spaces count: a stored " X " left as it is stays, edited to "X" it changes.
    db->exec(QStringLiteral("UPDATE PARTS SET Bin = ' X ' WHERE PartID = ") + id);
    b->ShowRecord(id);
    reopen(gridB, QStringLiteral("Bin"));
    EXPECT_EQ(stored("Bin"), QStringLiteral(" X "));
    editValue(recordRow(QStringLiteral("Bin")), QStringLiteral("X"));
    EXPECT_EQ(stored("Bin"), QStringLiteral("X"));

    // A note longer than a line edit keeps by default, written by another program: left as
    // it is it stays whole, and changed it is written whole.
    QString note;
    while (note.size() < 100000)
        note += QStringLiteral("a long note, ");
    note += QStringLiteral("the end");
    db->exec(QStringLiteral("UPDATE PARTS SET Notes = '%1' WHERE PartID = %2").arg(note, id));
    b->ShowRecord(id);
    reopen(gridB, QStringLiteral("Notes"));
    EXPECT_EQ(stored("Notes").size(), note.size());
    editValue(recordRow(QStringLiteral("Notes")), note + QStringLiteral("!"));
    EXPECT_EQ(stored("Notes").size(), note.size() + 1);
    const QString pasted(1 << 20, u'm');
    fg1->setCurrentCell(recordRow(QStringLiteral("Notes")), 1);
    ASSERT_TRUE(fg1->editCell());
    openEditor()->selectAll();
    openEditor()->insert(pasted);
    QTest::keyClick(openEditor(), Qt::Key_Return);
    settle();
    EXPECT_EQ(stored("Notes").size(), pasted.size());
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Window, AfterARefusedOrFailedEditTheRecordViewShowsWhatIsStored)
{
    addSample();
    auto w = open();
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    w->ShowRecord(id);
    const int bin = recordRow(QStringLiteral("Bin"));
    const int qty = recordRow(QStringLiteral("Qty"));

    // Refused: too long, or not a number.
    editValue(bin, QString(21, u'Z'));
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(fg1->textMatrix(bin, 1), QStringLiteral("C-03"));
    editValue(qty, QStringLiteral("abc"));
    EXPECT_EQ(fg1->textMatrix(qty, 1), QStringLiteral("0"));

    // Refused by the database: what it holds is read again, a value another program wrote
    // since included.
    db->exec(QStringLiteral("UPDATE PARTS SET Bin = 'C-99' WHERE PartID = ") + id);
    db->exec(QStringLiteral("CREATE TRIGGER no_bins BEFORE UPDATE OF Bin ON PARTS "
                            "BEGIN SELECT RAISE(ABORT, 'bins are fixed'); END"));
    ui.clear();
    editValue(bin, QStringLiteral("K-11"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral("Error in RunSQL")));
    EXPECT_EQ(fg1->textMatrix(bin, 1), QStringLiteral("C-99"));
    db->exec(QStringLiteral("DROP TRIGGER no_bins"));

    // The database cannot be reached at all: the cell shows again what it showed.
    const QString connect = g_DbConnect;
    g_DbConnect =
        QStringLiteral("Data Source=") + env.programFolder() + QStringLiteral("/missing/ORVANA.MDB");
    ui.clear();
    editValue(bin, QStringLiteral("K-12"));
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(fg1->textMatrix(bin, 1), QStringLiteral("C-99"));
    g_DbConnect = connect;

    // Written: the cell shows the value as stored, trimmed.
    ui.clear();
    editValue(bin, QStringLiteral("  K-13 "));
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(fg1->textMatrix(bin, 1), QStringLiteral("K-13"));
    EXPECT_EQ(db->value(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = ") + id),
              QStringLiteral("K-13"));
}

TEST_F(Window, AnEditIsTypedByItsRecordWhateverQueryRanSince)
{
    addSample();
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    const auto stored = [&](const char *field) {
        return db->value(
            QStringLiteral("SELECT %1 FROM PARTS WHERE PartID = %2").arg(QLatin1String(field), id));
    };
    auto a = open();
    FlexGrid *gridA = fg1;
    a->ShowRecord(id);
    // Another window lists the parts, then a query names other columns Bin (a memo) and Qty
    // (a text): the last structure left behind is not the record's.
    auto b = open();
    DataArray data;
    QStringList names;
    ASSERT_EQ(
        modDB::LoadArray(QStringLiteral("Select Notes as Bin, PartNumber as Qty from PARTS"), data, names),
        0);
    fg1 = gridA;

    editValue(recordRow(QStringLiteral("Bin")), QString(21, u'Z'));
    editValue(recordRow(QStringLiteral("Qty")), QStringLiteral("abc"));
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Text Field Not Updated"));
    EXPECT_EQ(ui.messages()[1].title, QStringLiteral("Long Integer Field Not Updated"));
    EXPECT_EQ(stored("Bin"), QStringLiteral("C-03"));
    EXPECT_EQ(stored("Qty"), QStringLiteral("0"));

    // Fitting values are written, fields the last query did not name included.
    ui.clear();
    editValue(recordRow(QStringLiteral("Qty")), QStringLiteral("12"));
    editValue(recordRow(QStringLiteral("LastOrdered")), QStringLiteral("2024-03-05"));
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(stored("Qty"), QStringLiteral("12"));
    EXPECT_EQ(stored("LastOrdered"), QStringLiteral("2024-03-05"));
}

TEST_F(Window, NewRefusesAnEmptyNumberAndOpensAnExistingPart)
{
    addSample();
    auto w = open();
    auto *find = child<QLineEdit>(*w, "txtFind");
    auto *cmdNew = child<QPushButton>(*w, "cmdNew");
    find->setText(QStringLiteral("   "));
    cmdNew->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Please enter a part number"));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Create new record"));
    EXPECT_EQ(ui.messages()[0].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(w->recordView());

    find->setText(QStringLiteral("seal-2"));
    cmdNew->click();
    EXPECT_EQ(db->count(), 5) << "an existing part is opened, not made again";
    ASSERT_TRUE(w->recordView());
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("PartNumber")), 1), QStringLiteral("SEAL-2"));

    find->setText(QStringLiteral("CAP'N-1"));
    child<QAction>(*w, "mnuRecordNew")->trigger();
    EXPECT_EQ(db->count(), 6);
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("PartNumber")), 1), QStringLiteral("CAP'N-1"));
}

TEST_F(Window, DeletingOneRowKeepsTheListAndItsStatus)
{
    addSample();
    auto w = open();
    clickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    ui.answers = {MsgAnswer::Yes};
    ui.clear();
    const QString before = status(*w);
    QTest::keyClick(fg1, Qt::Key_Delete);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Delete BOLT-7"));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Delete record"));
    EXPECT_EQ(db->count(), 4);
    EXPECT_EQ(rowOf(fg1, QStringLiteral("BOLT-7")), -1);
    EXPECT_EQ(fg1->rows(), 5);
    EXPECT_EQ(status(*w), before);

    // No: nothing happens.
    ui.answers = {MsgAnswer::No};
    QTest::keyClick(fg1, Qt::Key_Delete);
    EXPECT_EQ(db->count(), 4);
}

TEST_F(Window, DeletingSeveralRowsReloadsTheList)
{
    addSample();
    auto w = open();
    clickCell(fg1, 1, 3);
    clickCell(fg1, 3, 3, Qt::ShiftModifier);
    ui.answers = {MsgAnswer::Yes};
    QTest::keyClick(fg1, Qt::Key_Delete);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Delete 3 records?"));
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Delete records"));
    EXPECT_EQ(db->count(), 2);
    EXPECT_EQ(status(*w), QStringLiteral("2 records"));
    EXPECT_EQ(fg1->textMatrix(1, 3), QStringLiteral("SEAL-2"));
}

TEST_F(Window, DeletingFromTheRecordViewGoesBackToTheList)
{
    addSample();
    auto w = open();
    doubleClickCell(fg1, rowOf(fg1, QStringLiteral("SEAL-2")), 3);
    ASSERT_TRUE(w->recordView());
    ui.answers = {MsgAnswer::Yes};
    child<QAction>(*w, "mnuRecordDelete")->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    // The question names the part that goes, not its AsscWith (ASM-100).
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Delete SEAL-2"));
    EXPECT_FALSE(w->recordView());
    EXPECT_EQ(db->count(), 4);
    EXPECT_EQ(status(*w), QStringLiteral("4 records"));
}

TEST_F(Window, EveryWayOfClosingSavesThePlacement)
{
    const auto left = [] {
        return modRegistry::GetProperty(QStringLiteral("Form Settings"), QStringLiteral("frmParts"),
                                        QStringLiteral("frmParts_Left"), QString());
    };
    const QList<std::function<void(frmParts &)>> ways{
        [](frmParts &w) { child<QAction>(w, "mnuExit")->trigger(); },
        [](frmParts &w) { child<QPushButton>(w, "cmdClose")->click(); },
        [](frmParts &w) { QTest::keyClick(child<QLineEdit>(w, "txtFind"), Qt::Key_Escape); },
        [](frmParts &w) { w.close(); },
        [](frmParts &w) {
            EXPECT_EQ(child<QAction>(w, "mnuExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
            QApplication::setActiveWindow(&w);
            QTest::keyClick(child<QLineEdit>(w, "txtFind"), Qt::Key_Q, Qt::ControlModifier);
        },
    };
    int x = 40;
    for (const auto &closeBy : ways) {
        auto w = open();
        w->move(x, 50);
        closeBy(*w);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(left(), QString::number(FormPlacement::pixelsToTwips(w->frameGeometry().x(),
                                                                       FormPlacement::logicalDpi(w.get()))));
        x += 40;
    }
}

TEST_F(Window, OptionsLoadTheSettingsAgainAndListEveryPart)
{
    addSample();
    auto w = open();
    ASSERT_EQ(fg1->cols(), 6);
    modRegistry::SaveProperty(QStringLiteral("General"), QStringLiteral("Database"),
                              QStringLiteral("Display Field List"), QStringLiteral("PartDescription"));
    bool sheetShown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget *sheet = QApplication::activeModalWidget()) {
            sheetShown = true;
            sheet->close();
        }
    });
    child<QAction>(*w, "mnuOptions")->trigger();
    EXPECT_TRUE(sheetShown);
    EXPECT_EQ(fg1->cols(), 5);
    EXPECT_EQ(status(*w), QStringLiteral("5 records"));
}

TEST_F(Window, ARecordViewNameNeverBecomesAnotherField)
{
    addSample();
    auto w = open();
    doubleClickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    ASSERT_TRUE(w->recordView());
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    const QStringList names = recordNames();
    const int bin = recordRow(QStringLiteral("Bin"));
    const auto column = [&](const QString &name) {
        return db->value(QStringLiteral("SELECT ifnull(") + name +
                         QStringLiteral(", '') FROM PARTS WHERE PartID = ") + id);
    };

    // Double-click the name, type another field's name over it, Enter.
    doubleClickCell(fg1, bin, 0);
    EXPECT_TRUE(!fg1->isEditing() || openEditor()->geometry().center().x() > fg1->columnViewportPosition(1))
        << "no editor on a name";
    type(QStringLiteral("Notes"));
    QTest::keyClick(openEditor() ? static_cast<QWidget *>(openEditor()) : fg1, Qt::Key_Return);
    settle();
    EXPECT_EQ(recordNames(), names);
    EXPECT_EQ(column(QStringLiteral("Notes")), QString());
    EXPECT_EQ(column(QStringLiteral("Bin")), QStringLiteral("Notes")) << "typing went to the value";

    // F2 and Enter after a click on a name open the value, never the name.
    for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Return}) {
        clickCell(fg1, bin, 0);
        QTest::keyClick(fg1, key);
        QLineEdit *editor = openEditor();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->geometry().center().x(),
                  fg1->visualRect(fg1->gridModel()->indexOf(bin, 1)).center().x());
        editor->setText(QStringLiteral("Qty"));
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }
    EXPECT_EQ(recordNames(), names);
    EXPECT_EQ(column(QStringLiteral("Bin")), QStringLiteral("Qty"));
    EXPECT_EQ(column(QStringLiteral("Qty")), QStringLiteral("0"));

    // Whatever reports a finished edit of a name, nothing is written.
    fg1->setTextMatrix(bin, 0, QStringLiteral("Notes"));
    emit fg1->afterEdit(bin, 0);
    EXPECT_EQ(column(QStringLiteral("Notes")), QString());
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Window, AnOpenEditIsWrittenBeforeAnyCommandActs)
{
    addSample();
    auto w = open();
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    const auto bin = [&] { return db->value(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = ") + id); };
    // Opens the record view and types a value into Bin without Enter.
    const auto typeBin = [&](const QString &value) {
        search(*w, QStringLiteral("BOLT-7"));
        doubleClickCell(fg1, 1, 3);
        ASSERT_TRUE(w->recordView());
        fg1->setCurrentCell(recordRow(QStringLiteral("Bin")), 1);
        type(value);
        ASSERT_TRUE(fg1->isEditing());
    };

    typeBin(QStringLiteral("K1"));
    child<QAction>(*w, "mnuShowAllRecords")->trigger();
    EXPECT_EQ(bin(), QStringLiteral("K1"));
    EXPECT_FALSE(w->recordView());

    typeBin(QStringLiteral("K2"));
    ui.answers = {MsgAnswer::No};
    child<QAction>(*w, "mnuRecordDelete")->trigger();
    EXPECT_EQ(bin(), QStringLiteral("K2"));

    typeBin(QStringLiteral("K3"));
    child<QLineEdit>(*w, "txtFind")->setText(QStringLiteral("ASM-100"));
    child<QAction>(*w, "mnuRecordNew")->trigger();
    EXPECT_EQ(bin(), QStringLiteral("K3"));
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("PartNumber")), 1), QStringLiteral("ASM-100"));

    typeBin(QStringLiteral("K4"));
    QTimer::singleShot(0, [] {
        if (QWidget *sheet = QApplication::activeModalWidget())
            sheet->close();
    });
    child<QAction>(*w, "mnuOptions")->trigger();
    EXPECT_EQ(bin(), QStringLiteral("K4"));

    // A click elsewhere, and closing the window.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    typeBin(QStringLiteral("K5"));
    QTest::mouseClick(child<QLineEdit>(*w, "txtFind"), Qt::LeftButton);
    settle();
    EXPECT_EQ(bin(), QStringLiteral("K5"));
    typeBin(QStringLiteral("K6"));
    w->close();
    EXPECT_EQ(bin(), QStringLiteral("K6"));

    // A refused value shows its message, and the command goes on.
    w = open();
    ui.clear();
    typeBin(QString(21, u'Z'));
    child<QAction>(*w, "mnuShowAllRecords")->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral("The entered value is too long.")));
    EXPECT_EQ(bin(), QStringLiteral("K6"));
    EXPECT_FALSE(w->recordView());
    EXPECT_EQ(status(*w), QStringLiteral("5 records"));
}

TEST_F(Window, AfterDeletingOneRowTheNextPartIsSelected)
{
    addSample();
    auto w = open();
    clickCell(fg1, rowOf(fg1, QStringLiteral("BOLT-7")), 3);
    ui.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    QTest::keyClick(fg1, Qt::Key_Delete);
    EXPECT_EQ(fg1->selectedRowCount(), 1);
    EXPECT_EQ(fg1->textMatrix(fg1->row(), 3), QStringLiteral("O'RING-5"));
    QTest::keyClick(fg1, Qt::Key_Delete);
    ASSERT_EQ(ui.messages().size(), 2);
    EXPECT_EQ(ui.messages()[1].text, QStringLiteral("Delete O'RING-5"));
    EXPECT_EQ(db->count(), 3);

    // The last row goes: the one above it takes the cursor, with its associated parts.
    clickCell(fg1, fg1->rows() - 1, 3);
    ui.answers = {MsgAnswer::Yes};
    QTest::keyClick(fg1, Qt::Key_Delete);
    EXPECT_EQ(fg1->textMatrix(fg1->row(), 3), QStringLiteral("SEAL-2"));
    EXPECT_EQ(fg1->selectedRowCount(), 1);
    EXPECT_EQ(fg2->rows(), 3) << "ASM-100 and SEAL-2 are left of its group";
}

TEST_F(Window, NewRefusesAPartNumberLongerThanItsColumnOrNotValidText)
{
    // A catalogue whose part numbers are declared shorter than the search box takes.
    db->exec(QStringLiteral("DROP TABLE PARTS"));
    db->exec(
        QStringLiteral("CREATE TABLE PARTS (PartID INTEGER PRIMARY KEY AUTOINCREMENT, AsscWith VARCHAR(10), "
                       "PartNumber VARCHAR(10), PartDescription VARCHAR(50), Bin VARCHAR(20))"));
    auto w = open();
    auto *find = child<QLineEdit>(*w, "txtFind");
    find->setText(QStringLiteral("ABCDEFGHIJK"));
    child<QPushButton>(*w, "cmdNew")->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("Text Field Not Updated"));
    EXPECT_EQ(
        ui.messages()[0].text,
        QStringLiteral("The entered value is too long.\r\nCannot update PartNumber of type 202 and size 10 "
                       "to ABCDEFGHIJK"));
    EXPECT_EQ(db->count(), 0);
    EXPECT_FALSE(w->recordView());

    ui.clear();
    find->setText(QStringLiteral("AB") + QChar(0xD800));
    child<QPushButton>(*w, "cmdNew")->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(
        QStringLiteral("The entered value contains characters that cannot be stored.")));
    EXPECT_EQ(db->count(), 0);

    ui.clear();
    find->setText(QStringLiteral("ABCDEFGHIJ"));
    child<QPushButton>(*w, "cmdNew")->click();
    EXPECT_TRUE(ui.messages().isEmpty());
    EXPECT_EQ(db->count(), 1);
    EXPECT_TRUE(w->recordView());
}

TEST_F(Window, AGarbageSettingsFileIsReportedOnceAndLeftAsItIs)
{
    addSample();
    const QString hive = hivePath(RegRoot::CurrentUser);
    const QByteArray garbage(4096, 'Z');
    TestEnv::writeFile(hive, garbage);
    auto w = open();
    settle();
    const auto boxes = ui.messages();
    ASSERT_EQ(boxes.size(), 2) << "one for reading, one for writing";
    EXPECT_TRUE(boxes[0].text.contains(hive)) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("cannot be read")));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("default settings")));
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("cannot be written")));
    EXPECT_EQ(fg1->rows() - fg1->fixedRows(), 5) << "the catalogue of the default settings is shown";
    w->close();
    w.reset();
    EXPECT_EQ(TestEnv::readFile(hive), garbage);
    EXPECT_EQ(ui.messages().size(), 2);
}

// The keys as a user presses them: the window's shortcuts, with the grid holding the focus.
static void press(frmParts &w, QKeyCombination keys)
{
    QApplication::setActiveWindow(&w);
    w.grid1()->setFocus();
    QTest::keyClick(w.grid1(), keys.key(), keys.keyboardModifiers());
    settle();
}

TEST_F(Window, AnEditIsUndoneAndRedoneFromTheKeyboardAndTheRecordViewShowsIt)
{
    addSample();
    auto w = open();
    const QString id = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    const auto bin = [&] { return db->value(QStringLiteral("SELECT Bin FROM PARTS WHERE PartID = ") + id); };
    auto *undo = child<QAction>(*w, "mnuUndo");
    auto *redo = child<QAction>(*w, "mnuRedo");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));

    search(*w, QStringLiteral("BOLT-7"));
    doubleClickCell(fg1, 1, 3);
    ASSERT_TRUE(w->recordView());
    editValue(recordRow(QStringLiteral("Bin")), QStringLiteral("K9"));
    ASSERT_EQ(bin(), QStringLiteral("K9"));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Edit of Bin"));

    press(*w, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(bin(), QStringLiteral("C-03"));
    ASSERT_TRUE(w->recordView());
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("Bin")), 1), QStringLiteral("C-03"));
    EXPECT_EQ(redo->text(), QStringLiteral("Redo Edit of Bin"));
    EXPECT_FALSE(undo->isEnabled());

    press(*w, Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(bin(), QStringLiteral("K9"));
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("Bin")), 1), QStringLiteral("K9"));
    press(*w, Qt::CTRL | Qt::Key_Z);
    press(*w, Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(bin(), QStringLiteral("K9"));
    EXPECT_TRUE(ui.messages().isEmpty());

    // Edit > History: newest first, with who and the values before and after.
    child<QAction>(*w, "mnuHistory")->trigger();
    ASSERT_EQ(ui.callsOf(QStringLiteral("table")).size(), 1);
    EXPECT_EQ(ui.lastTable.title, QStringLiteral("History of BOLT-7"));
    EXPECT_EQ(ui.lastTable.headings,
              (QStringList{QStringLiteral("When"), QStringLiteral("Who"), QStringLiteral("Field"),
                           QStringLiteral("Before"), QStringLiteral("After")}));
    ASSERT_EQ(ui.lastTable.rows.size(), 5); // the edit, undone, redone, undone, redone
    EXPECT_EQ(ui.lastTable.rows[0].mid(2),
              (QStringList{QStringLiteral("Bin, redone"), QStringLiteral("C-03"), QStringLiteral("K9")}));
    EXPECT_EQ(ui.lastTable.rows[4].mid(2),
              (QStringList{QStringLiteral("Bin"), QStringLiteral("C-03"), QStringLiteral("K9")}));
}

TEST_F(Window, UndoOfADeleteOfThreePartsBringsThemBackWithTheirPartIds)
{
    addSample();
    const QString before =
        db->value(QStringLiteral("SELECT group_concat(PartID || ':' || PartNumber || ':' || "
                                 "Bin, ',') FROM (SELECT * FROM PARTS ORDER BY PartID)"));
    auto w = open();
    clickCell(fg1, 1, 3);
    clickCell(fg1, 3, 3, Qt::ShiftModifier);
    ui.answers = {MsgAnswer::Yes};
    QTest::keyClick(fg1, Qt::Key_Delete);
    ASSERT_EQ(db->count(), 2);
    EXPECT_EQ(child<QAction>(*w, "mnuUndo")->text(), QStringLiteral("Undo Delete of 3 Parts"));

    press(*w, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(
        db->value(QStringLiteral("SELECT group_concat(PartID || ':' || PartNumber || ':' || Bin, ',') FROM "
                                 "(SELECT * FROM PARTS ORDER BY PartID)")),
        before);
    EXPECT_EQ(status(*w), QStringLiteral("5 records"));
    EXPECT_EQ(fg1->rows(), 6);
    press(*w, Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(db->count(), 2);
    EXPECT_EQ(status(*w), QStringLiteral("2 records"));
    EXPECT_EQ(ui.messages().size(), 1) << "only the question";
}

TEST_F(Window, AnUndoAfterAnotherProgramChangedTheFieldWritesNothingAndSaysSo)
{
    addSample();
    auto w = open();
    search(*w, QStringLiteral("SEAL-2"));
    doubleClickCell(fg1, 1, 3);
    editValue(recordRow(QStringLiteral("Bin")), QStringLiteral("K1"));
    db->exec(QStringLiteral("UPDATE PARTS SET Bin = 'THEIRS' WHERE PartNumber = 'SEAL-2'"));
    press(*w, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(db->value(QStringLiteral("SELECT Bin FROM PARTS WHERE PartNumber = 'SEAL-2'")),
              QStringLiteral("THEIRS"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.startsWith(QStringLiteral(
        "Bin of part SEAL-2 no longer holds the value this window wrote: nothing was changed.")))
        << ui.messages()[0].text.toStdString();
    EXPECT_EQ(child<QAction>(*w, "mnuUndo")->text(), QStringLiteral("Undo Edit of Bin"));
    EXPECT_EQ(fg1->textMatrix(recordRow(QStringLiteral("Bin")), 1), QStringLiteral("THEIRS"))
        << "the record view shows what is stored";
}

TEST_F(Window, DeletedPartsComeBackWithTheirPartIdsButNeverTwice)
{
    addSample();
    auto w = open();
    const QString washer =
        db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'WASHER_9'"));
    const QString bolt = db->value(QStringLiteral("SELECT PartID FROM PARTS WHERE PartNumber = 'BOLT-7'"));
    for (const char *part : {"WASHER_9", "BOLT-7"}) {
        clickCell(fg1, rowOf(fg1, QLatin1String(part)), 3);
        ui.answers = {MsgAnswer::Yes};
        QTest::keyClick(fg1, Qt::Key_Delete);
        settle();
    }
    ASSERT_EQ(db->count(), 3);
    // Another program makes a BOLT-7 again.
    db->add(QStringLiteral("BOLT-7"), QStringLiteral("New bolt"), QStringLiteral("Z-9"));
    ui.clear();
    ui.tableChoices = {QList<int>{0, 1}};
    child<QAction>(*w, "mnuDeletedParts")->trigger();
    ASSERT_EQ(ui.lastTable.rows.size(), 2);
    EXPECT_EQ(ui.lastTable.rows[0][0], QStringLiteral("BOLT-7")) << "newest first";
    EXPECT_EQ(ui.lastTable.rows[1][1], washer);
    EXPECT_EQ(db->value(QStringLiteral("SELECT PartNumber FROM PARTS WHERE PartID = ") + washer),
              QStringLiteral("WASHER_9"));
    EXPECT_EQ(db->value(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE PartNumber = 'BOLT-7'")),
              QStringLiteral("1"));
    EXPECT_EQ(db->value(QStringLiteral("SELECT COUNT(*) FROM PARTS WHERE PartID = ") + bolt),
              QStringLiteral("0"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("Part number BOLT-7 exists again")))
        << ui.messages()[0].text.toStdString();
    EXPECT_EQ(child<QAction>(*w, "mnuUndo")->text(), QStringLiteral("Undo Bring Back of WASHER_9"));
}

TEST_F(Window, ExportListWritesTheRowsShownAndARecordViewItsPart)
{
    addSample();
    auto w = open();
    search(*w, QStringLiteral("S"));
    ASSERT_EQ(status(*w), QStringLiteral("3 records")) << "ASM-100, SEAL-2, WASHER_9";
    const QString file = env.path(QStringLiteral("list.csv"));
    ui.files = {file};
    child<QAction>(*w, "mnuExportList")->trigger();
    ASSERT_EQ(ui.callsOf(QStringLiteral("saveFile")).size(), 1);
    EXPECT_EQ(TestEnv::readFile(file),
              QByteArray("\xEF\xBB\xBFPartID,PartLink,PartNumber,PartDescription,Bin\r\n"
                         "1,,ASM-100,Pump assembly,A-01\r\n"
                         "2,ASM-100,SEAL-2,Oil seal,B-02\r\n"
                         "5,,WASHER_9,Flat washer,E-05\r\n"));
    EXPECT_EQ(status(*w), QStringLiteral("3 parts exported to ") + file);

    doubleClickCell(fg1, rowOf(fg1, QStringLiteral("SEAL-2")), 3);
    ASSERT_TRUE(w->recordView());
    const QString record = env.path(QStringLiteral("record.csv"));
    ui.files = {record};
    child<QAction>(*w, "mnuExportList")->trigger();
    EXPECT_TRUE(TestEnv::readFile(record).startsWith(
        "\xEF\xBB\xBFPartID,AsscWith,PartNumber,PartDescription,Bin,Qty,Price,LastOrdered,Notes\r\n"
        "2,ASM-100,SEAL-2,Oil seal,B-02,"))
        << TestEnv::readFile(record).toStdString();

    // A cancelled dialog writes nothing and says nothing.
    ui.clear();
    child<QAction>(*w, "mnuExportList")->trigger();
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Window, ImportPartsShowsThePlanWritesOnConfirmAndIsUndoneAsOneStep)
{
    addSample();
    const QString rows =
        QStringLiteral("SELECT group_concat(PartID || ':' || PartNumber || ':' || IFNULL(Bin, '') "
                       "|| ':' || IFNULL(Qty, ''), ',') FROM (SELECT * FROM PARTS ORDER BY PartID)");
    const QString before = db->value(rows);
    const QString file = env.path(QStringLiteral("supplier.csv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("partnumber;Bin;Qty;Supplier\r\n"
                "GEAR-1;G-01;4;ACME\r\n"
                "ASM-100;A-99;2;ACME\r\n"
                "GEAR-2;G-02;four;ACME\r\n");
    }
    auto w = open();
    ui.clear();
    ui.files = {file};
    ui.answers = {MsgAnswer::Yes};    // update the part that exists
    ui.tableChoices = {std::nullopt}; // the preview closed: nothing is written
    child<QAction>(*w, "mnuImportParts")->trigger();
    EXPECT_EQ(db->value(rows), before);
    ASSERT_EQ(ui.callsOf(QStringLiteral("table")).size(), 1);
    EXPECT_EQ(ui.lastTable.text,
              QStringLiteral("1 new part, 1 update, 1 row refused\nColumns ignored: Supplier\n"
                             "Refused rows are left out."));
    EXPECT_EQ(ui.lastTable.headings,
              (QStringList{QStringLiteral("Row"), QStringLiteral("Import"), QStringLiteral("PartNumber"),
                           QStringLiteral("Bin"), QStringLiteral("Qty")}));
    ASSERT_EQ(ui.lastTable.rows.size(), 3);
    EXPECT_EQ(ui.lastTable.rows[0].join(u'|'), QStringLiteral("2|new part|GEAR-1|G-01|4"));
    EXPECT_EQ(ui.lastTable.rows[1].join(u'|'), QStringLiteral("3|update of Part ID 1|ASM-100|A-99|2"));
    EXPECT_EQ(ui.lastTable.rows[2].join(u'|'),
              QStringLiteral("4|refused: Qty: The entered value is not numeric.|GEAR-2|G-02|four"));
    EXPECT_EQ(ui.lastTable.acceptText, QStringLiteral("Import"));

    // Confirmed: written, shown, named by Undo.
    ui.clear();
    ui.files = {file};
    ui.answers = {MsgAnswer::Yes};
    ui.tableChoices = {QList<int>{}};
    child<QAction>(*w, "mnuImportParts")->trigger();
    EXPECT_EQ(db->value(QStringLiteral("SELECT Bin || ':' || Qty FROM PARTS WHERE PartNumber = 'ASM-100'")),
              QStringLiteral("A-99:2"));
    EXPECT_EQ(db->value(QStringLiteral("SELECT Bin || ':' || Qty FROM PARTS WHERE PartNumber = 'GEAR-1'")),
              QStringLiteral("G-01:4"));
    EXPECT_EQ(db->count(), 6);
    EXPECT_EQ(status(*w), QStringLiteral("6 records"));
    ASSERT_FALSE(ui.messages().isEmpty());
    EXPECT_EQ(ui.messages().back().text,
              QStringLiteral("Imported from supplier.csv: 1 new part, 1 update, 1 row refused."));
    EXPECT_EQ(child<QAction>(*w, "mnuUndo")->text(), QStringLiteral("Undo Import of supplier.csv"));
    EXPECT_TRUE(TestEnv::readFile(modGlobal::logFilePath())
                    .contains("supplier.csv into " + g_DbConnect.toUtf8() +
                              ": 1 created, 1 updated, 1 rows refused, 0 skipped"))
        << TestEnv::readFile(modGlobal::logFilePath()).toStdString();

    press(*w, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(db->value(rows), before);
    EXPECT_EQ(status(*w), QStringLiteral("5 records"));
    EXPECT_EQ(child<QAction>(*w, "mnuRedo")->text(), QStringLiteral("Redo Import of supplier.csv"));
    press(*w, Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(db->count(), 6);
}

TEST_F(Window, AnImportStoppedAtItsProgressWritesNothing)
{
    addSample();
    const QString file = env.path(QStringLiteral("new.csv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("PartNumber\nGEAR-1\nGEAR-2\n");
    }
    auto w = open();
    ui.clear();
    ui.files = {file};
    ui.tableChoices = {QList<int>{}};
    // Stop is pressed on the writing's progress display, not the reading's.
    ui.onCall = [this](const ScriptedUi::Call &call) {
        if (call.kind == QStringLiteral("progress") && call.text.startsWith(QStringLiteral("Importing")))
            ui.stopProgressAt = 0;
    };
    child<QAction>(*w, "mnuImportParts")->trigger();
    EXPECT_EQ(ui.callsOf(QStringLiteral("table")).size(), 1);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages().front().text, QStringLiteral("The import was stopped: nothing was written."));
    EXPECT_EQ(db->count(), 5);
    EXPECT_EQ(child<QAction>(*w, "mnuUndo")->text(), QStringLiteral("Undo"));
}

TEST_F(Window, AFileThatCannotBeImportedIsRefusedWithItsReason)
{
    addSample();
    const QString file = env.path(QStringLiteral("names.csv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Description,Bin\nBearing,A-1\n");
    }
    auto w = open();
    ui.clear();
    ui.files = {file};
    child<QAction>(*w, "mnuImportParts")->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages().front().text.contains(QStringLiteral("has no PartNumber column")));
    EXPECT_TRUE(ui.callsOf(QStringLiteral("table")).isEmpty());
    EXPECT_EQ(db->count(), 5);
}

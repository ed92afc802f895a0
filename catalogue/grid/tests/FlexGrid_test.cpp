// SPDX-License-Identifier: MIT
#include "catalogue/grid/FlexGrid.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Lets queued commits and deferred deletions of editors happen.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Cells made from their address; counts how often the grid asked for a text.
class CountingSource final : public GridSource {
public:
    CountingSource(int rows, int cols) : m_rows(rows), m_cols(cols) {}
    int rowCount() const override { return m_rows; }
    int columnCount() const override { return m_cols; }
    QString text(int row, int col) const override
    {
        ++texts;
        if (row == longRow && col == 0)
            return QString(80, u'W');
        return QStringLiteral("r%1c%2").arg(row).arg(col);
    }
    int lengthHint(int row, int col) const override { return row == longRow && col == 0 ? 80 : 6; }
    mutable long long texts = 0;
    int longRow = -1;

private:
    int m_rows;
    int m_cols;
};

struct Moves {
    QList<QList<int>> before;
    QList<QList<int>> after;
};

void fillList(FlexGrid &g, int rows)
{
    g.setFixedRows(1);
    g.setFixedCols(1);
    g.setCols(4);
    g.setRows(1);
    g.setTextMatrix(0, 1, QStringLiteral("A"));
    g.setTextMatrix(0, 2, QStringLiteral("B"));
    g.setTextMatrix(0, 3, QStringLiteral("C"));
    for (int r = 1; r <= rows; ++r)
        g.addItem(
            {QString(), QString::number(r), QStringLiteral("b%1").arg(r), QStringLiteral("c%1").arg(r)});
}

} // namespace

TEST(FlexGrid, ModelStaysConsistentThroughEveryShapeChange)
{
    FlexGrid g;
    QAbstractItemModelTester tester(g.gridModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    fillList(g, 5);
    EXPECT_EQ(g.gridModel()->rowCount(), 5);
    EXPECT_EQ(g.gridModel()->columnCount(), 3);
    g.removeItem(2);
    g.setTextMatrix(3, 2, QStringLiteral("changed"));
    g.sort({2});
    g.insertCategoryRows(2, 2, Qt::yellow, true);
    g.removeCategoryRows();
    g.setSource(std::make_shared<CountingSource>(50, 3), 1, 1);
    g.setFixedRows(2);
    g.setCols(2);
    g.setRows(3);
    g.clear();
    g.setRows(1);
    g.setCols(1);
    EXPECT_EQ(g.gridModel()->rowCount(), 0);
}

TEST(FlexGrid, FixedRowsAndColumnsAreHeadersNotCells)
{
    FlexGrid g;
    fillList(g, 3);
    GridModel *m = g.gridModel();
    EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QStringLiteral("A"));
    EXPECT_EQ(m->data(m->index(0, 0)).toString(), QStringLiteral("1"));
    EXPECT_EQ(g.textMatrix(1, 2), QStringLiteral("b1"));
    g.setEditable(FlexGrid::EditMode::KeyboardMouse);
    EXPECT_TRUE(m->flags(m->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m->indexOf(0, 1).isValid()) << "a fixed cell has no editable item";

    // A grid of fixed cells only shows the corner's text in place of the data area.
    g.setRows(1);
    g.setCols(1);
    g.setTextMatrix(0, 0, QStringLiteral("No Records Found"));
    g.show();
    EXPECT_FALSE(g.horizontalHeader()->isVisible());
    EXPECT_EQ(g.gridModel()->rowCount() + g.gridModel()->columnCount(), 0);
}

TEST(FlexGrid, MillionRowsAreNotTurnedIntoTextUpFront)
{
    FlexGrid g;
    g.setFixedRows(1);
    g.setFixedCols(1);
    auto source = std::make_shared<CountingSource>(1'000'000, 3);
    source->longRow = 600'001;
    g.setSource(source, 1, 1);
    EXPECT_EQ(g.rows(), 1'000'001);
    EXPECT_EQ(g.cols(), 4);
    EXPECT_EQ(source->texts, 0);

    g.autoSize(0, 3, 10);
    EXPECT_LT(source->texts, 20'000) << "fitting widths must sample, not measure every cell";
    // The one long cell in the middle was found all the same.
    EXPECT_GT(g.colWidth(1), g.colWidth(2) * 5);
    // So is a long text of the grid's own among the source's rows.
    const int narrow = g.colWidth(3);
    g.setTextMatrix(700'003, 3, QString(60, u'W'));
    g.autoSize(0, 3, 10);
    EXPECT_GT(g.colWidth(3), narrow * 4);

    g.resize(500, 300);
    g.show();
    source->texts = 0;
    g.setCurrentCell(900'000, 2);
    g.showCell(900'000, 2);
    g.grab();
    EXPECT_LT(source->texts, 2'000) << "only the visible cells are drawn";
    EXPECT_EQ(g.textMatrix(900'000, 2), QStringLiteral("r899999c1"));
}

// A list read in steps: rows arrive while the grid shows it, past the size at which the
// grid's own row table moves to remapped memory, and the grid is then reshaped as usual.
TEST(FlexGrid, ARowTableGrownInStepsKeepsEveryRowThroughInsertsRemovalsAndSorting)
{
    FlexGrid g;
    QAbstractItemModelTester tester(g.gridModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    g.setFixedRows(1);
    g.setFixedCols(1);
    auto source = std::make_shared<CountingSource>(0, 2);
    g.setSource(source, 1, 1);
    for (int n = 7; n <= 70'007; n += 10'000) {
        *source = CountingSource(n, 2);
        g.sourceRowsAdded();
        ASSERT_EQ(g.rows(), n + 1);
        EXPECT_EQ(g.textMatrix(n, 1), QStringLiteral("r%1c0").arg(n - 1));
    }
    EXPECT_EQ(g.textMatrix(1, 1), QStringLiteral("r0c0"));
    EXPECT_EQ(g.textMatrix(35'001, 2), QStringLiteral("r35000c1"));

    g.addItem({QString(), QStringLiteral("added"), QStringLiteral("x")}, 2);
    EXPECT_EQ(g.textMatrix(2, 1), QStringLiteral("added"));
    EXPECT_EQ(g.textMatrix(3, 1), QStringLiteral("r1c0"));
    EXPECT_EQ(g.textMatrix(70'008, 1), QStringLiteral("r70006c0"));
    g.removeItem(1);
    EXPECT_EQ(g.textMatrix(1, 1), QStringLiteral("added"));
    EXPECT_EQ(g.rows(), 70'008);

    g.setRows(20'001);
    g.insertCategoryRows(2, 2, Qt::yellow, true);
    EXPECT_EQ(g.rows(), 40'001) << "one category row per distinct value";
    EXPECT_EQ(g.textMatrix(2, 1), QStringLiteral("added"));
    g.removeCategoryRows();
    EXPECT_EQ(g.rows(), 20'001);
    EXPECT_EQ(g.textMatrix(20'000, 1), QStringLiteral("r19999c0"));

    g.sort({1});
    EXPECT_EQ(g.textMatrix(1, 1), QStringLiteral("added"));
    EXPECT_EQ(g.textMatrix(2, 1), QStringLiteral("r10000c0"));
    EXPECT_EQ(g.textMatrix(20'000, 1), QStringLiteral("r9c0"));
}

TEST(FlexGrid, CurrentCellMovesAreAnnouncedAndMayBeRefusedOrRedirected)
{
    FlexGrid g;
    fillList(g, 5);
    g.show();
    Moves moves;
    bool refuse = false;
    QObject::connect(&g, &FlexGrid::beforeRowColChange, [&](int, int, int r, int c, bool *cancel) {
        moves.before << QList<int>{r, c};
        if (refuse)
            *cancel = true;
    });
    QObject::connect(&g, &FlexGrid::afterRowColChange, [&](int orow, int ocol, int r, int c) {
        moves.after << QList<int>{orow, ocol, r, c};
    });

    ASSERT_TRUE(g.setCurrentCell(2, 1));
    EXPECT_EQ(moves.after.last(), (QList<int>{-1, -1, 2, 1}));
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.row(), 3);
    EXPECT_EQ(moves.after.last(), (QList<int>{2, 1, 3, 1}));

    refuse = true;
    EXPECT_FALSE(g.setCurrentCell(4, 1));
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.row(), 3);
    refuse = false;

    // A handler that keeps the cursor in column 3: a click elsewhere lands there.
    auto redirect =
        QObject::connect(&g, &FlexGrid::beforeRowColChange, [&](int, int, int r, int c, bool *cancel) {
            if (c != 3) {
                *cancel = true;
                g.setCurrentCell(r, 3);
            }
        });
    const QRect cell = g.visualRect(g.gridModel()->indexOf(5, 1));
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(g.row(), 5);
    EXPECT_EQ(g.col(), 3);
    QObject::disconnect(redirect);

    // A fixed cell can be made current from code.
    ASSERT_TRUE(g.setCurrentCell(0, 0));
    EXPECT_EQ(g.row(), 0);
    EXPECT_EQ(g.col(), 0);
}

TEST(FlexGrid, RightClickReportsWithoutMovingAndDoubleClickIsReported)
{
    FlexGrid g;
    fillList(g, 5);
    g.show();
    g.setCurrentCell(1, 1);
    QList<Qt::MouseButton> downs;
    int doubles = 0;
    QObject::connect(&g, &FlexGrid::mouseDown,
                     [&](Qt::MouseButton b, Qt::KeyboardModifiers, const QPoint &) { downs << b; });
    QObject::connect(&g, &FlexGrid::dblClick, [&] { ++doubles; });
    const QPoint p = g.visualRect(g.gridModel()->indexOf(4, 2)).center();
    QTest::mouseClick(g.viewport(), Qt::RightButton, {}, p);
    EXPECT_EQ(downs, QList<Qt::MouseButton>{Qt::RightButton});
    EXPECT_EQ(g.row(), 1);
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, p);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(g.row(), 4);
}

TEST(FlexGrid, KeysCanBeSwallowed)
{
    FlexGrid g;
    fillList(g, 5);
    g.show();
    g.setCurrentCell(1, 1);
    QObject::connect(&g, &FlexGrid::keyDown,
                     [](int key, Qt::KeyboardModifiers, bool *swallow) { *swallow = key == Qt::Key_Down; });
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.row(), 1);
}

TEST(FlexGrid, InPlaceEditRunsItsNotificationsAndKeepsTheText)
{
    FlexGrid g;
    fillList(g, 3);
    g.setEditable(FlexGrid::EditMode::KeyboardMouse);
    g.show();
    g.setCurrentCell(2, 2);
    QStringList events;
    bool refuse = true;
    QObject::connect(&g, &FlexGrid::beforeEdit, [&](int r, int c, bool *cancel) {
        events << QStringLiteral("before %1,%2").arg(r).arg(c);
        *cancel = refuse;
    });
    QObject::connect(&g, &FlexGrid::startEdit,
                     [&](int r, int c, bool *) { events << QStringLiteral("start %1,%2").arg(r).arg(c); });
    QObject::connect(&g, &FlexGrid::afterEdit,
                     [&](int r, int c) { events << QStringLiteral("after %1,%2").arg(r).arg(c); });

    EXPECT_FALSE(g.editCell());
    EXPECT_FALSE(g.isEditing());
    refuse = false;
    events.clear();
    ASSERT_TRUE(g.editCell());
    auto *editor = g.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("typed"));
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(g.textMatrix(2, 2), QStringLiteral("typed"));
    // (The grid asks beforeEdit again afterwards, to know whether the cell offers a button.)
    EXPECT_EQ(events.mid(0, 3), (QStringList{QStringLiteral("before 2,2"), QStringLiteral("start 2,2"),
                                             QStringLiteral("after 2,2")}));

    // Escape leaves the cell as it was and reports no completed edit.
    events.clear();
    ASSERT_TRUE(g.editCell());
    editor = g.viewport()->findChild<QLineEdit *>();
    editor->setText(QStringLiteral("dropped"));
    QTest::keyClick(editor, Qt::Key_Escape);
    settle();
    EXPECT_EQ(g.textMatrix(2, 2), QStringLiteral("typed"));
    EXPECT_FALSE(events.contains(QStringLiteral("after 2,2")));
}

TEST(FlexGrid, TheEditorTakesAndWritesBackATextOfAnyLength)
{
    FlexGrid g;
    fillList(g, 3);
    g.setEditable(FlexGrid::EditMode::Keyboard);
    g.show();
    // A note written by another program, longer than a line edit keeps by default.
    QString note;
    for (int i = 0; note.size() < 100000; ++i)
        note += QStringLiteral("line %1 of the note; ").arg(i);
    note += QStringLiteral("the end");
    g.setTextMatrix(2, 2, note);
    g.setCurrentCell(2, 2);
    ASSERT_TRUE(g.editCell());
    auto *editor = g.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().size(), note.size());
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_TRUE(g.textMatrix(2, 2) == note)
        << "left unchanged, it is written back whole, not " << g.textMatrix(2, 2).size() << " characters";

    // A megabyte pasted in goes into the cell whole.
    const QString pasted(1 << 20, u'p');
    ASSERT_TRUE(g.editCell());
    editor = g.viewport()->findChild<QLineEdit *>();
    editor->selectAll();
    editor->insert(pasted);
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_EQ(g.textMatrix(2, 2).size(), pasted.size());

    // So does a long text typed into a choice list that takes typed text.
    QObject::connect(&g, &FlexGrid::beforeEdit,
                     [&](int, int, bool *) { g.setComboList(QStringLiteral("|a|b")); });
    g.setCurrentCell(3, 2);
    ASSERT_TRUE(g.editCell());
    auto *combo = g.viewport()->findChild<QComboBox *>();
    ASSERT_NE(combo, nullptr);
    combo->setEditText(note);
    EXPECT_EQ(combo->currentText(), note);
    g.commitEdit();
    settle();
    EXPECT_TRUE(g.textMatrix(3, 2) == note) << g.textMatrix(3, 2).size() << " characters";
}

TEST(FlexGrid, ChoiceListsAndCellButtons)
{
    FlexGrid g;
    fillList(g, 3);
    g.setEditable(FlexGrid::EditMode::Keyboard);
    g.show();
    QString list;
    QObject::connect(&g, &FlexGrid::beforeEdit, [&](int, int, bool *) { g.setComboList(list); });
    QList<QList<int>> buttons;
    QObject::connect(&g, &FlexGrid::cellButtonClick, [&](int r, int c) { buttons << QList<int>{r, c}; });

    list = QStringLiteral("True|False");
    g.setCurrentCell(1, 3);
    ASSERT_TRUE(g.editCell());
    auto *combo = g.viewport()->findChild<QComboBox *>();
    ASSERT_NE(combo, nullptr);
    EXPECT_FALSE(combo->isEditable());
    EXPECT_EQ(combo->count(), 2);
    QList<QList<int>> closeUps;
    QObject::connect(&g, &FlexGrid::comboCloseUp, [&](int r, int c) { closeUps << QList<int>{r, c}; });
    combo->showPopup();
    combo->hidePopup();
    EXPECT_EQ(closeUps, (QList<QList<int>>{{1, 3}}));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    settle();
    EXPECT_EQ(g.textMatrix(1, 3), QStringLiteral("False"));

    list = QStringLiteral("|Arial|Courier");
    g.setCurrentCell(2, 3);
    ASSERT_TRUE(g.editCell());
    combo = g.viewport()->findChild<QComboBox *>();
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->count(), 2);
    QTest::keyClick(combo, Qt::Key_Escape);
    settle();

    // "..." shows a button on the current cell; pressing it is reported, not edited.
    list = QStringLiteral("...");
    g.setCellButtonPicture(QIcon());
    g.setCurrentCell(3, 3);
    auto *button = g.viewport()->findChild<QToolButton *>(QStringLiteral("cellButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    button->click();
    EXPECT_EQ(buttons, (QList<QList<int>>{{3, 3}}));
    EXPECT_FALSE(g.isEditing());
}

TEST(FlexGrid, OutlineSortsGroupsCollapsesAndRemovesCategoryRows)
{
    FlexGrid g;
    g.setFixedRows(1);
    g.setFixedCols(0);
    g.setCols(3);
    g.setRows(1);
    const QList<QStringList> rows{{{}, QStringLiteral("Debug"), QStringLiteral("b")},
                                  {{}, QStringLiteral("Database"), QStringLiteral("x")},
                                  {{}, QStringLiteral("Debug"), QStringLiteral("a")}};
    for (int i = 0; i < rows.size(); ++i) {
        const int r = g.addItem(rows[i]);
        g.setRowData(r, i + 1);
    }
    g.sort({1, 2});
    EXPECT_EQ(g.textMatrix(1, 1), QStringLiteral("Database"));
    EXPECT_EQ(g.textMatrix(2, 2), QStringLiteral("a"));
    EXPECT_EQ(g.rowData(2), 3) << "row data travels with its row";

    g.insertCategoryRows(1, 1, QColor(255, 254, 210), true);
    ASSERT_EQ(g.rows(), 6);
    EXPECT_TRUE(g.isCategory(1));
    EXPECT_EQ(g.textMatrix(1, 1), QStringLiteral("Database"));
    EXPECT_TRUE(g.isCategory(3));
    EXPECT_EQ(g.textMatrix(3, 1), QStringLiteral("Debug"));
    EXPECT_TRUE(g.gridModel()->effectiveFormat(3, 2).bold.value_or(false));

    g.setCollapsed(3, true);
    EXPECT_TRUE(g.isCollapsed(3));
    EXPECT_TRUE(g.isRowHidden(4));
    EXPECT_TRUE(g.isRowHidden(5));
    EXPECT_FALSE(g.isRowHidden(2));
    g.setCollapsed(3, false);
    EXPECT_FALSE(g.isRowHidden(4));

    g.setCollapsed(3, true);
    g.removeCategoryRows();
    EXPECT_EQ(g.rows(), 4);
    EXPECT_FALSE(g.isCategory(1));
    EXPECT_FALSE(g.isRowHidden(2)) << "rows of a collapsed group show again";
    EXPECT_EQ(g.rowData(2), 3);

    // Row data outlives a clear, as a caller's bookkeeping; texts do not. A row of a source
    // list takes data too.
    g.clear();
    EXPECT_EQ(g.rowData(2), 3);
    EXPECT_EQ(g.textMatrix(2, 2), QString());
    EXPECT_FALSE(g.isCategory(1));
    g.setSource(std::make_shared<CountingSource>(3, 3), 1, 0);
    g.setRowData(1, 7);
    EXPECT_EQ(g.rowData(1), 7);
    EXPECT_EQ(g.textMatrix(1, 0), QStringLiteral("r0c0")) << "data of its own leaves the source's text";
    g.setRowData(1, 0);
    EXPECT_EQ(g.rowData(1), 0);
}

TEST(FlexGrid, SeveralWholeRowsAreSelectedAndEnumerated)
{
    FlexGrid g;
    fillList(g, 6);
    g.setMultiRowSelection(true);
    g.show();
    g.setCurrentCell(2, 1);
    const auto click = [&](int row, Qt::KeyboardModifiers mods) {
        QTest::mouseClick(g.viewport(), Qt::LeftButton, mods,
                          g.visualRect(g.gridModel()->indexOf(row, 2)).center());
    };
    click(2, {});
    click(4, Qt::ShiftModifier);
    click(6, Qt::ControlModifier);
    EXPECT_EQ(g.selectedRowCount(), 4);
    EXPECT_EQ(g.selectedRow(0), 2);
    EXPECT_EQ(g.selectedRow(3), 6);
    EXPECT_EQ(g.selectedRow(4), -1);
    g.select(1, 1, 1, 3);
    EXPECT_EQ(g.selectedRowCount(), 1);
}

TEST(FlexGrid, ColumnsHideSizeInTwipsAndMayRefuseTheUsersResize)
{
    FlexGrid g;
    fillList(g, 3);
    g.show();
    g.setColWidth(2, 1440);
    EXPECT_EQ(g.colWidth(2), 1440);
    EXPECT_EQ(g.columnWidth(1), g.twipsToPixels(1440));
    g.setColHidden(1, true);
    EXPECT_TRUE(g.isColumnHidden(0));
    g.setColUserResizable(3, false);
    EXPECT_EQ(g.horizontalHeader()->sectionResizeMode(2), QHeaderView::Fixed);

    QList<int> asked;
    QObject::connect(&g, &FlexGrid::beforeUserResize, [&](int, int col, bool *cancel) {
        asked << col;
        *cancel = true;
    });
    QHeaderView *h = g.horizontalHeader();
    const int edge = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
    const int before = h->sectionSize(1);
    QTest::mousePress(h->viewport(), Qt::LeftButton, {}, QPoint(edge, h->height() / 2));
    QTest::mouseMove(h->viewport(), QPoint(edge + 40, h->height() / 2));
    QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, h->height() / 2));
    EXPECT_EQ(asked, QList<int>{2});
    EXPECT_EQ(h->sectionSize(1), before);
}

TEST(FlexGrid, OwnerDrawnCellsAreAnnouncedAndRedrawCanBeSwitchedOff)
{
    FlexGrid g;
    fillList(g, 3);
    g.setOwnerDraw(true);
    g.resize(400, 200);
    g.show();
    QList<QList<int>> drawn;
    QObject::connect(&g, &FlexGrid::drawCell, [&](QPainter *p, int r, int c, const QRect &rect) {
        ASSERT_NE(p, nullptr);
        EXPECT_FALSE(rect.isEmpty());
        drawn << QList<int>{r, c};
    });
    g.grab();
    EXPECT_TRUE(drawn.contains(QList<int>{1, 1}));
    EXPECT_TRUE(drawn.contains(QList<int>{3, 3}));
    g.setRedraw(false);
    EXPECT_FALSE(g.redraw());
    EXPECT_FALSE(g.viewport()->updatesEnabled());
    g.setRedraw(true);
    EXPECT_TRUE(g.viewport()->updatesEnabled());
}

TEST(FlexGrid, ALockedColumnOpensNoEditorAndCommitEditEndsAnOpenOne)
{
    FlexGrid g;
    fillList(g, 3);
    g.setEditable(FlexGrid::EditMode::KeyboardMouse);
    g.setColLocked(1, true);
    g.show();
    QStringList after;
    QObject::connect(&g, &FlexGrid::afterEdit,
                     [&](int r, int c) { after << QStringLiteral("%1,%2").arg(r).arg(c); });
    const auto centre = [&](int r, int c) { return g.visualRect(g.gridModel()->indexOf(r, c)).center(); };

    g.setCurrentCell(2, 1);
    EXPECT_FALSE(g.editCell());
    QTest::keyClick(&g, Qt::Key_F2);
    QTest::keyClick(&g, Qt::Key_X);
    QTest::keyClick(&g, Qt::Key_Return);
    QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, centre(2, 1));
    settle();
    EXPECT_FALSE(g.isEditing());
    EXPECT_EQ(g.textMatrix(2, 1), QStringLiteral("2"));
    EXPECT_TRUE(after.isEmpty());

    // The column beside it is edited as usual; commitEdit keeps what was typed.
    g.setCurrentCell(2, 2);
    QTest::keyClick(&g, Qt::Key_F2);
    auto *editor = g.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("kept"));
    g.commitEdit();
    settle();
    EXPECT_FALSE(g.isEditing());
    EXPECT_EQ(g.textMatrix(2, 2), QStringLiteral("kept"));
    EXPECT_EQ(after, QStringList{QStringLiteral("2,2")});
    g.commitEdit();
    EXPECT_EQ(after.size(), 1) << "nothing open, nothing reported";
}

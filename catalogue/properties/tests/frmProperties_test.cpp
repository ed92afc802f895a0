// SPDX-License-Identifier: MIT
#include "SheetDriver.h"
#include "common/core/modRegistry.h"
#include "common/testsupport/ScriptedUi.h"
#include "common/testsupport/TestEnv.h"
#include "common/ui/FormPlacement.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

const QString G = QStringLiteral("General");

QString stored(const QString &category, const QString &name)
{
    return modRegistry::GetStringValue(modRegistry::HKEY_CURRENT_USER,
                                       modRegistry::propertiesKey(G, category), name);
}

struct Sheet : ::testing::Test {
    TestEnv env;
    ScriptedUi ui;
    frmProperties sheet;
    SheetDriver d{sheet};

    void add(const char *category, const char *name, qint16 kind, const QString &def = QString())
    {
        sheet.AddProperty(G, QLatin1String(category), QLatin1String(name), kind, def);
    }
    void showSheet()
    {
        sheet.Init();
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    }
};

} // namespace

TEST_F(Sheet, EmptySheetShowsOnlyTheHeader)
{
    showSheet();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Properties"));
    EXPECT_EQ(sheet.m_strPropertyGroup, QStringLiteral("General"));
    EXPECT_EQ(d.fg->rows(), 1);
    EXPECT_EQ(d.fg->cols(), 4);
    EXPECT_EQ(d.fg->textMatrix(0, 2), QStringLiteral("Property"));
    EXPECT_EQ(d.fg->textMatrix(0, 3), QStringLiteral("Value"));
    EXPECT_TRUE(sheet.fontList().startsWith(u'|'));
}

TEST_F(Sheet, OrderCategoriesAndLayout)
{
    add("Debug", "b", 7, QStringLiteral("2"));
    add("Debug", "a", 7, QStringLiteral("1"));
    add("Database", "z", 7, QStringLiteral("3"));
    showSheet();
    EXPECT_EQ(d.shown(),
              QStringList({QStringLiteral("[Database]"), QStringLiteral("z=3"), QStringLiteral("[Debug]"),
                           QStringLiteral("a=1"), QStringLiteral("b=2")}));
    const int debug = d.rowOf(QStringLiteral("Debug"));
    EXPECT_FALSE(d.fg->isCollapsed(debug)) << "categories start expanded";
    const CellFormat f = d.fg->gridModel()->effectiveFormat(debug, 2);
    EXPECT_TRUE(f.bold.value_or(false));
    EXPECT_EQ(f.background, sheet.categoryColor());
    EXPECT_EQ(d.fg->row(), 1);
    EXPECT_EQ(d.fg->col(), 3);
    // Row data leads back to the property list.
    EXPECT_EQ(sheet.properties().item(d.fg->rowData(d.rowOf(QStringLiteral("a")))).strName,
              QStringLiteral("a"));

    EXPECT_EQ(d.fg->colWidth(0), 230);
    EXPECT_TRUE(d.fg->colHidden(1));
    EXPECT_GE(d.fg->colWidth(2), 300);

    sheet.m_blnSortAsAdded = true;
    sheet.Init();
    EXPECT_EQ(d.shown(),
              QStringList({QStringLiteral("[Database]"), QStringLiteral("z=3"), QStringLiteral("[Debug]"),
                           QStringLiteral("b=2"), QStringLiteral("a=1")}))
        << "as added within a category; Init again shows each once";
}

TEST_F(Sheet, ColourIsShownWithItsSwatch)
{
    modRegistry::SaveProperty(G, QStringLiteral("Look"), QStringLiteral("Back"), QStringLiteral(" 255 "));
    add("Look", "Back", PropertyKind::Color, QStringLiteral("0"));
    add("Look", "Text", 7, QStringLiteral("plain"));
    showSheet();
    const int row = d.rowOf(QStringLiteral("Back"));
    EXPECT_EQ(d.fg->textMatrix(row, 3), QStringLiteral("      255"));
    const QRect cell = d.fg->visualRect(d.fg->gridModel()->indexOf(row, 3));
    const QImage shot = d.fg->viewport()->grab().toImage();
    const qreal dpr = shot.devicePixelRatio();
    auto at = [&](int x, int y) { return shot.pixelColor(int(x * dpr), int(y * dpr)); };
    EXPECT_EQ(at(cell.left() + 8, cell.center().y()), QColor(Qt::red));
    EXPECT_EQ(at(cell.left() + 2, cell.center().y()), QColor(Qt::black)) << "framed";
    // Not on a text property.
    const QRect other = d.fg->visualRect(d.fg->gridModel()->indexOf(d.rowOf(QStringLiteral("Text")), 3));
    EXPECT_NE(at(other.left() + 8, other.center().y()), QColor(Qt::red));
}

TEST_F(Sheet, ColourThatIsAWordIsReportedWhenFilled)
{
    modRegistry::SaveProperty(G, QStringLiteral("Look"), QStringLiteral("Back"), QStringLiteral("red"));
    add("Look", "Back", PropertyKind::Color, QStringLiteral("0"));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0].icon, MsgIcon::Exclamation);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("\"red\""))) << "names the stored text";
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("Back")));
    showSheet();
    EXPECT_EQ(d.fg->textMatrix(d.rowOf(QStringLiteral("Back")), 3), QStringLiteral("red"));
    EXPECT_EQ(stored(QStringLiteral("Look"), QStringLiteral("Back")), QStringLiteral("red"));
}

TEST_F(Sheet, CursorStaysInTheValueColumn)
{
    add("Cat", "One", 7, QStringLiteral("1"));
    add("Cat", "Two", 7, QStringLiteral("2"));
    showSheet();
    const int two = d.rowOf(QStringLiteral("Two"));
    d.click(two, 2);
    EXPECT_EQ(d.fg->row(), two);
    EXPECT_EQ(d.fg->col(), 3);
    d.key(Qt::Key_Left);
    EXPECT_EQ(d.fg->col(), 3);
}

TEST_F(Sheet, CategoriesCollapseByDoubleClickAndKeys)
{
    add("Cat", "One", 7, QStringLiteral("1"));
    add("Dog", "Two", 7, QStringLiteral("2"));
    showSheet();
    const int cat = d.rowOf(QStringLiteral("Cat"));
    const int one = d.rowOf(QStringLiteral("One"));
    d.doubleClick(cat, 2);
    EXPECT_TRUE(d.fg->isCollapsed(cat));
    EXPECT_TRUE(d.fg->isRowHidden(one));
    d.doubleClick(cat, 2);
    EXPECT_FALSE(d.fg->isCollapsed(cat));
    EXPECT_FALSE(d.fg->isRowHidden(one));

    d.fg->setCurrentCell(cat, 3);
    d.key(Qt::Key_Left);
    EXPECT_TRUE(d.fg->isCollapsed(cat));
    EXPECT_EQ(d.fg->row(), cat);
    EXPECT_EQ(d.fg->col(), 3);
    d.key(Qt::Key_Right);
    EXPECT_FALSE(d.fg->isCollapsed(cat));
    d.key(Qt::Key_Home);
    EXPECT_TRUE(d.fg->isCollapsed(cat));
    d.key(Qt::Key_End);
    EXPECT_FALSE(d.fg->isCollapsed(cat));
    EXPECT_EQ(d.fg->col(), 3);
    EXPECT_TRUE(stored(QStringLiteral("Cat"), QStringLiteral("One")).isEmpty()) << "nothing stored";
}

TEST_F(Sheet, DoubleClickStepsListedValuesAndStoresThem)
{
    modRegistry::SaveProperty(G, QStringLiteral("Debug"), QStringLiteral("Flag"), QStringLiteral("False"));
    add("Debug", "Flag", PropertyKind::Boolean, QStringLiteral("False"));
    add("Debug", "Odd", PropertyKind::Boolean, QStringLiteral("Maybe"));
    add("Debug", "Port", PropertyKind::List, QStringLiteral("COM2"));
    sheet.m_strModemList = QStringLiteral("COM1|COM2");
    showSheet();

    const int flag = d.rowOf(QStringLiteral("Flag"));
    d.doubleClick(flag, 3);
    EXPECT_FALSE(d.fg->isEditing());
    EXPECT_EQ(d.fg->textMatrix(flag, 3), QStringLiteral("True"));
    EXPECT_EQ(stored(QStringLiteral("Debug"), QStringLiteral("Flag")), QStringLiteral("True"));
    d.doubleClick(flag, 2); // on the name: the same row
    EXPECT_EQ(stored(QStringLiteral("Debug"), QStringLiteral("Flag")), QStringLiteral("False"));

    const int port = d.rowOf(QStringLiteral("Port"));
    d.doubleClick(port, 3);
    EXPECT_EQ(stored(QStringLiteral("Debug"), QStringLiteral("Port")), QStringLiteral("COM1")) << "wraps";

    // Not in the list: the list editor opens instead of a step.
    const int odd = d.rowOf(QStringLiteral("Odd"));
    d.doubleClick(odd, 3);
    EXPECT_TRUE(d.fg->isEditing());
    EXPECT_EQ(d.fg->textMatrix(odd, 3), QStringLiteral("Maybe"));
}

TEST_F(Sheet, EmptyBooleanBecomesFalse)
{
    add("Debug", "Blank", PropertyKind::Boolean, QString());
    showSheet();
    const int blank = d.rowOf(QStringLiteral("Blank"));
    d.doubleClick(blank, 3);
    EXPECT_EQ(d.fg->textMatrix(blank, 3), QStringLiteral("False"));
    EXPECT_EQ(stored(QStringLiteral("Debug"), QStringLiteral("Blank")), QStringLiteral("False"));
}

TEST_F(Sheet, TextValueIsEditedAndStoredWhenTheEditEnds)
{
    add("Database", "Connection String", 7, QStringLiteral("old"));
    showSheet();
    const int row = d.rowOf(QStringLiteral("Connection String"));
    d.doubleClick(row, 3);
    ASSERT_TRUE(d.fg->isEditing());
    ASSERT_TRUE(d.typeAndEnter(QStringLiteral("DSN=Parts")));
    EXPECT_FALSE(d.fg->isEditing());
    EXPECT_EQ(stored(QStringLiteral("Database"), QStringLiteral("Connection String")),
              QStringLiteral("DSN=Parts"));
}

TEST_F(Sheet, LetterSearchStepsWrapsAndSkipsCollapsed)
{
    add("Misc", "Alpha", 7);
    add("Misc", "beta", 7);
    add("Other", "apple", 7);
    add("Other", "Zed", 7);
    showSheet();
    const int alpha = d.rowOf(QStringLiteral("Alpha"));
    const int apple = d.rowOf(QStringLiteral("apple"));
    d.fg->setCurrentCell(d.rowOf(QStringLiteral("beta")), 3);
    d.key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(d.fg->row(), apple);
    EXPECT_EQ(d.fg->col(), 3);
    d.key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(d.fg->row(), alpha) << "wraps";
    d.key(Qt::Key_A, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(d.fg->row(), apple);

    d.fg->setCollapsed(d.rowOf(QStringLiteral("Other")), true);
    d.fg->setCurrentCell(alpha, 3);
    d.key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(d.fg->row(), alpha) << "the only visible match";
    d.key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(d.fg->row(), alpha) << "no match: nothing happens";
}

TEST_F(Sheet, ColumnZeroCannotBeResized)
{
    add("Cat", "Name", 7);
    showSheet();
    QHeaderView *header = d.fg->horizontalHeader();
    auto drag = [&](int col) {
        const int edge = header->sectionViewportPosition(col) + header->sectionSize(col) - 1;
        const int y = header->height() / 2;
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(edge + 40, y),
                         header->viewport()->mapToGlobal(QPointF(edge + 40, y)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
    };
    const int zero = header->sectionSize(0);
    const int two = header->sectionSize(2);
    drag(0);
    EXPECT_EQ(header->sectionSize(0), zero);
    drag(2);
    EXPECT_GT(header->sectionSize(2), two);
}

TEST_F(Sheet, FileChosenThenFolderCancelledChangesOnlyTheFile)
{
    add("Database", "Back End Database", PropertyKind::File, QStringLiteral("/old/ORVANA.MDB"));
    add("Debug", "Log File Folder", PropertyKind::Folder, QStringLiteral("/old"));
    ui.files = {QStringLiteral("/new/parts.db")};
    ui.folders = {QString()};
    showSheet();
    const int file = d.rowOf(QStringLiteral("Back End Database"));
    const int folder = d.rowOf(QStringLiteral("Log File Folder"));
    d.pressCellButton(file);
    d.pressCellButton(folder);
    ASSERT_EQ(ui.callsOf(QStringLiteral("openFile")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("openFile"))[0].title, QStringLiteral("Please choose a file"));
    EXPECT_EQ(ui.lastFileRequest.initialFolder, env.programFolder());
    ASSERT_EQ(ui.callsOf(QStringLiteral("folder")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("folder"))[0].title, QStringLiteral("Please choose a file"));

    EXPECT_EQ(d.fg->textMatrix(file, 3), QStringLiteral("/new/parts.db"));
    EXPECT_EQ(stored(QStringLiteral("Database"), QStringLiteral("Back End Database")),
              QStringLiteral("/new/parts.db"));
    EXPECT_EQ(d.fg->textMatrix(folder, 3), QStringLiteral("/old"));
    EXPECT_TRUE(stored(QStringLiteral("Debug"), QStringLiteral("Log File Folder")).isEmpty());

    ui.files = {QString()};
    d.pressCellButton(file);
    EXPECT_EQ(d.fg->textMatrix(file, 3), QStringLiteral("/new/parts.db"))
        << "a cancelled file keeps the value";
}

TEST_F(Sheet, ColourAndFontButtons)
{
    add("Look", "Back", PropertyKind::Color, QStringLiteral("255"));
    add("Look", "Face", PropertyKind::Font, QStringLiteral("Sans"));
    ui.colors = {0x00FF00u, std::nullopt};
    ui.fonts = {FontChoice{QStringLiteral("Serif"), 14, true, false, false, false}, std::nullopt};
    showSheet();
    const int back = d.rowOf(QStringLiteral("Back"));
    d.pressCellButton(back);
    ASSERT_EQ(ui.callsOf(QStringLiteral("color")).size(), 1);
    EXPECT_EQ(ui.callsOf(QStringLiteral("color"))[0].text, QStringLiteral("255")) << "preset from the cell";
    EXPECT_EQ(stored(QStringLiteral("Look"), QStringLiteral("Back")), QStringLiteral("      65280"));
    modRegistry::SaveProperty(G, QStringLiteral("Look"), QStringLiteral("Back"), QString());
    d.pressCellButton(back); // cancelled: nothing changes, nothing is stored
    EXPECT_EQ(d.fg->textMatrix(back, 3), QStringLiteral("      65280"));
    EXPECT_EQ(stored(QStringLiteral("Look"), QStringLiteral("Back")), QString());

    const int face = d.rowOf(QStringLiteral("Face"));
    d.pressCellButton(face);
    EXPECT_EQ(d.fg->textMatrix(face, 3), QStringLiteral("Serif"));
    EXPECT_TRUE(d.fg->gridModel()->effectiveFormat(face, 3).font.has_value());
    EXPECT_TRUE(stored(QStringLiteral("Look"), QStringLiteral("Face")).isEmpty()) << "a font is not stored";
    d.pressCellButton(face);
    EXPECT_EQ(d.fg->textMatrix(face, 3), QStringLiteral("Serif"));
}

TEST_F(Sheet, EscClosesUnlessCtrlAloneAndPlacementIsStored)
{
    add("Cat", "Name", 7);
    showSheet();
    d.key(Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_TRUE(sheet.isVisible());
    d.key(Qt::Key_Escape, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(modRegistry::GetProperty(QStringLiteral("Form Settings"), QStringLiteral("frmProperties"),
                                          QStringLiteral("frmProperties_Left"), QString())
                     .isEmpty());

    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    d.key(Qt::Key_Escape);
    EXPECT_FALSE(sheet.isVisible());
}

TEST_F(Sheet, ADoubleClickNeverWritesBackAColourStoredAsAWord)
{
    modRegistry::SaveProperty(G, QStringLiteral("Look"), QStringLiteral("Back"), QStringLiteral("  red  "));
    add("Look", "Back", PropertyKind::Color, QStringLiteral("0"));
    add("Look", "Fore", PropertyKind::Color, QStringLiteral("255"));
    showSheet();
    d.doubleClick(d.rowOf(QStringLiteral("Back")), 3);
    QTest::keyClick(d.fg->viewport()->focusWidget() ? d.fg->viewport()->focusWidget() : d.fg, Qt::Key_Escape);
    EXPECT_EQ(stored(QStringLiteral("Look"), QStringLiteral("Back")), QStringLiteral("  red  "));
    // A colour that is a number is stored by a double-click as before.
    d.doubleClick(d.rowOf(QStringLiteral("Fore")), 3);
    EXPECT_EQ(stored(QStringLiteral("Look"), QStringLiteral("Fore")), QStringLiteral("      255"));
}

TEST_F(Sheet, TheCursorIsVisibleAlsoOnACategoryRow)
{
    add("Database", "Connection", 7);
    add("Debug", "Trace", PropertyKind::Boolean, QStringLiteral("False"));
    showSheet();
    QItemSelectionModel *selection = d.fg->selectionModel();
    const auto shows = [&](int row) {
        // A category row is one span drawn by its caption cell.
        return selection->isSelected(d.fg->gridModel()->indexOf(row, 2));
    };
    ASSERT_TRUE(d.fg->isCategory(1));
    EXPECT_EQ(d.fg->row(), 1);
    EXPECT_TRUE(shows(1)) << "at opening";

    const int debug = d.rowOf(QStringLiteral("Debug"));
    d.fg->setCurrentCell(d.rowOf(QStringLiteral("Connection")), 3);
    d.key(Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(d.fg->row(), debug);
    EXPECT_TRUE(shows(debug)) << "after Ctrl+letter";
    EXPECT_FALSE(shows(1));
}

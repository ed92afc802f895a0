// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/grid/FlexGrid.h"
#include "catalogue/grid/GridDelegate.h"
#include "catalogue/properties/frmProperties.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QToolButton>

// Drives a property sheet as a user would: clicks, double-clicks and keys on its grid.
struct SheetDriver {
    frmProperties &sheet;
    FlexGrid *fg = sheet.grid();

    // Rows below the header as "[Category]" or "name=value".
    QStringList shown() const
    {
        QStringList out;
        for (int r = fg->fixedRows(); r < fg->rows(); ++r) {
            if (fg->isCategory(r))
                out << u'[' + fg->textMatrix(r, 2) + u']';
            else
                out << fg->textMatrix(r, 2) + u'=' + fg->textMatrix(r, 3);
        }
        return out;
    }

    int rowOf(const QString &text) const
    {
        for (int r = fg->fixedRows(); r < fg->rows(); ++r)
            if (fg->textMatrix(r, 2) == text)
                return r;
        return -1;
    }

    QPoint centre(int row, int col) const
    {
        return fg->visualRect(fg->gridModel()->indexOf(row, col)).center();
    }

    void click(int row, int col) const
    {
        QTest::mouseClick(fg->viewport(), Qt::LeftButton, {}, centre(row, col));
    }

    // Item views take a lone double-click event as a press: click first, as a hand would.
    void doubleClick(int row, int col) const
    {
        click(row, col);
        QTest::mouseDClick(fg->viewport(), Qt::LeftButton, {}, centre(row, col));
    }

    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) const { QTest::keyClick(fg, k, mods); }

    QLineEdit *editor() const
    {
        return qobject_cast<QLineEdit *>(static_cast<GridDelegate *>(fg->itemDelegate())->currentEditor());
    }

    // Types into the open editor and ends the edit with Enter, which the view handles queued.
    bool typeAndEnter(const QString &text) const
    {
        QLineEdit *e = editor();
        if (!e)
            return false;
        e->setText(text);
        QTest::keyClick(e, Qt::Key_Return);
        QCoreApplication::processEvents();
        return true;
    }

    // The button of the current value cell.
    void pressCellButton(int row) const
    {
        fg->setCurrentCell(row, 3);
        auto *button = fg->findChild<QToolButton *>(QStringLiteral("cellButton"));
        if (button && button->isVisible())
            button->click();
    }
};

// SPDX-License-Identifier: MIT
#pragma once

#include "PropertyList.h"

#include <QDialog>
#include <QIcon>
#include <QPoint>

class FlexGrid;
class QLabel;
class QPainter;

// A categorised two-column property sheet. Every change is stored in the registry the
// moment it is made, so there is no OK or Cancel: Esc or the close box ends it.
class frmProperties final : public QDialog {
    Q_OBJECT
public:
    explicit frmProperties(QWidget *parent = nullptr);
    ~frmProperties() override;

    QString m_strPropertyGroup;
    bool m_blnSortAsAdded = false;
    QString m_strModemList;

    // Reads the property's value now; a colour that is not a number is reported.
    void AddProperty(const QString &strGroup, const QString &strCategory, const QString &strName,
                     qint16 varPropertType, const QString &strDefault);
    // Rebuilds the grid from the properties added so far.
    void Init();
    void ShowCategories();

    FlexGrid *grid() const { return fg; }
    const PropertyList &properties() const { return m_properties; }
    QString fontList() const { return m_fontList; }
    // The background of category rows.
    QColor categoryColor() const;

public slots:
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildGrid();
    void storeRow(int row);
    const PropertyItem *itemAt(int row) const;
    bool letterSearch(QChar letter);
    bool isEscapeThatCloses(const QKeyEvent *event) const;

    void onBeforeRowColChange(int oldRow, int oldCol, int newRow, int newCol, bool *cancel);
    void onBeforeUserResize(int row, int col, bool *cancel);
    void onKeyDown(int key, Qt::KeyboardModifiers modifiers, bool *swallow);
    void onDblClick();
    void onBeforeEdit(int row, int col, bool *cancel);
    void onStartEdit(int row, int col, bool *cancel);
    void onCellButtonClick(int row, int col);
    void onDrawCell(QPainter *painter, int row, int col, const QRect &rect);

    FlexGrid *fg;
    QLabel *imgExplorer;
    QLabel *imgColorPick;
    QLabel *imgFontPick;
    QIcon m_faceExplorer;
    QIcon m_faceColor;
    QIcon m_faceFont;
    PropertyList m_properties;
    QString m_fontList;
    QString m_dblClickMarker;
    QPoint m_lastMouseDown{-1, -1};
};

// SPDX-License-Identifier: MIT
#pragma once

#include "catalogue/core/DbConnection.h"
#include "catalogue/core/PartHistory.h"
#include "catalogue/core/modDB.h"

#include <QMainWindow>

#include <memory>
#include <optional>

class FlexGrid;
class PartSearch;
class PartUndo;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

// The catalogue's main window: the list of parts or the record view of one (fg1), the
// parts associated with the current one (fg2), search, creation and deletion.
class frmParts final : public QMainWindow {
    Q_OBJECT
public:
    explicit frmParts(QWidget *parent = nullptr);
    ~frmParts() override;

    // The load sequence: settings, empty grids, the program's registry values, help and
    // marker files, placement, all parts. Problems with stored settings or placement are
    // reported and loading goes on with the defaults.
    void Form_Load();

    void SetStatus(const QString &text);
    bool recordView() const { return m_RecordView; }

    // Commands.
    void ShowAllRecords();
    void Search();
    void ShowRecord(const QString &partId);
    void NewRecord();
    void DeleteRecords();
    void ShowRecordCount();
    void mnuOptions_Click();
    // This window's own changes, undone and redone in order; a part's changes; deleted parts.
    void Undo();
    void Redo();
    void ShowHistory();
    void ShowDeletedParts();
    // The list shown (or the record) out to a CSV file; parts in from one, checked and shown
    // before they are written, one step to undo (frmPartsCsv.cpp).
    void ExportList();
    void ImportParts();

    FlexGrid *grid1() const { return fg1; }
    FlexGrid *grid2() const { return fg2; }
    QMenu *editMenu() const { return mnuEdit; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    bool hasDataRows(const FlexGrid *grid) const;
    void showListResult();
    // The list's count in the status line, remembered so later batches know it is still theirs.
    void showListCount();
    // Fills fg1 with a list, its first rows at once; false: the reading failed and was reported.
    bool loadList(const QString &sql, const DbConnection::Narrowing &narrowing = {});
    // Stops a list still being read; false when none is.
    bool stopListing();

    // Grid events.
    void fg1_AfterRowColChange(int newRow, int newCol);
    void fg1_DblClick();
    void fg1_KeyDown(int key, bool *swallow);
    void fg1_MouseDown(Qt::MouseButton button, const QPoint &pos);
    void fg1_BeforeEdit(int row, int col, bool *cancel);
    void fg1_StartEdit(int row, int col);
    void fg1_AfterEdit(int row, int col);
    void fg2_DblClick();
    void showAssociatedParts(int row);

    // An edit still open in the result grid is written before a command acts.
    void commitOpenEdit();
    void makeCurrentRow(int row);
    // The record view's value of the named field; fallback when there is no such row.
    QString recordValue(const QString &field, const QString &fallback) const;
    void deleteFromRecordView();
    void deleteFromList();

    // History (frmPartsHistory.cpp).
    void buildHistoryMenus();
    void prepareHistory();
    void updateUndoMenus();
    void partCreated(const PartHistory::Created &created, const QString &partNumber);
    void partsDeleted(const std::optional<QStringList> &rows);
    void fieldEdited(std::int64_t partId, const PartHistory::Writer::Edit &edit, const QString &field);
    // Shows the grids as after any change: the record view of `partId` when it is there.
    void showChanged(std::int64_t partId);

    FlexGrid *fg1 = nullptr;
    FlexGrid *fg2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtFind = nullptr;
    QPushButton *cmdGO = nullptr;
    QPushButton *cmdNew = nullptr;
    QPushButton *cmdClose = nullptr;
    QLabel *lblStatus = nullptr;

    QMenu *mnuEdit = nullptr;
    QAction *mnuExportList = nullptr;
    QAction *mnuImportParts = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuShowAllRecords = nullptr;
    QAction *mnuRecordNew = nullptr;
    QAction *mnuRecordDelete = nullptr;
    QAction *mnuUndo = nullptr;
    QAction *mnuRedo = nullptr;
    QAction *mnuHistory = nullptr;
    QAction *mnuDeletedParts = nullptr;
    QAction *mnuOptions = nullptr;
    QAction *mnuAbout = nullptr;
    QAction *mnuContents = nullptr;
    QAction *mnuTest = nullptr;

    bool m_RecordView = false;
    // The fields of the record the record view shows, as its query described them: its edits
    // are typed by these, whatever query ran since.
    StructureArray m_recordStructure;
    QString m_editOpenedWith; // the text of the cell being edited when its editor opened
    QString m_listStatus;     // what the list being read last put in the status line

    // Builds the lists' statements and answers searches from the list of all parts it keeps.
    std::unique_ptr<PartSearch> m_search;
    std::unique_ptr<PartUndo> m_undo;
};

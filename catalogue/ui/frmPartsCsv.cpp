// SPDX-License-Identifier: MIT
// frmParts: the list out to a CSV file, parts in from one.
#include "frmParts.h"

#include "catalogue/core/CsvExport.h"
#include "catalogue/core/CsvImport.h"
#include "catalogue/core/DataArray.h"
#include "catalogue/core/PartUndo.h"
#include "catalogue/core/modGlobal.h"
#include "catalogue/grid/FlexGrid.h"
#include "common/core/AppInfo.h"
#include "common/core/UiServices.h"
#include "modGrid.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

namespace {

// Rows the preview shows: enough to see how the file is read, few enough to open at once.
constexpr std::size_t kPreviewRows = 200;

void tell(const QString &text, MsgIcon icon)
{
    MsgBox(text, icon, MsgButtons::Ok, AppInfo::catalogueTitle());
}

} // namespace

void frmParts::ExportList()
{
    commitOpenEdit();
    if (!hasDataRows(fg1)) {
        tell(tr("There is no list to export."), MsgIcon::Information);
        return;
    }
    if (modGrid::isLoading(*fg1)) {
        tell(tr("The list is still being read: export it once it is complete."), MsgIcon::Information);
        return;
    }
    FileDialogRequest request;
    request.title = tr("Export List");
    request.initialFolder = QDir::homePath();
    request.initialFile = QStringLiteral("parts.csv");
    request.filters = {tr("CSV Files (*.csv)"), tr("All Files (*)")};
    const QString path = ui().saveFile(request);
    if (path.isEmpty())
        return;

    Result<long long> written;
    if (m_RecordView) {
        // The part as stored, every column of it.
        written =
            CsvExport::writeQuery(path, QStringLiteral("Select * from PARTS where PartID = ") +
                                            QString::number(fg1->textMatrix(0, 1).trimmed().toLongLong()));
    } else {
        // The rows as shown, in the order shown: a deleted part has left the grid, not its list.
        QStringList names;
        for (int c = 1; c < fg1->cols(); ++c)
            names << fg1->textMatrix(0, c);
        DataArray rows;
        rows.start(int(names.size()));
        for (int r = fg1->fixedRows(); r < fg1->rows(); ++r) {
            for (int c = 1; c < fg1->cols(); ++c)
                rows.append(fg1->textMatrix(r, c).toStdString());
            rows.endRow();
        }
        written = CsvExport::writeRows(path, names, rows);
    }
    if (!written) {
        if (written.error().code != CsvExport::kStopped)
            modGlobal::WriteLog(QStringLiteral("Export to %1 failed: %2").arg(path, written.error().message),
                                true);
        tell(written.error().message,
             written.error().code == CsvExport::kStopped ? MsgIcon::Information : MsgIcon::Exclamation);
        return;
    }
    modGlobal::WriteLog(QStringLiteral("Exported %1 parts to %2").arg(QString::number(*written), path), true);
    SetStatus(tr("%1 parts exported to %2").arg(QString::number(*written), path));
}

void frmParts::ImportParts()
{
    commitOpenEdit();
    FileDialogRequest request;
    request.title = tr("Import Parts");
    request.initialFolder = QDir::homePath();
    request.filters = {tr("CSV Files (*.csv *.txt)"), tr("All Files (*)")};
    const QString path = ui().openFile(request);
    if (path.isEmpty())
        return;
    // A list still being read holds the catalogue open for reading, which keeps writers out.
    stopListing();

    CsvImport::Options options;
    auto plan = CsvImport::plan(path, options);
    if (plan && plan->skips > 0) {
        const MsgAnswer answer = MsgBox(
            plan->skips == 1
                ? tr("1 part of the file is in the catalogue already. Update it with the file's values?\n"
                     "(No leaves it as it is.)")
                : tr("%1 parts of the file are in the catalogue already. Update them with the file's "
                     "values?\n(No leaves them as they are.)")
                      .arg(QLocale().toString(plan->skips)),
            MsgIcon::Question, MsgButtons::YesNoCancel, tr("Import Parts"));
        if (answer == MsgAnswer::Cancel)
            return;
        if (answer == MsgAnswer::Yes) {
            options.updateExisting = true;
            plan = CsvImport::plan(path, options);
        }
    }
    if (!plan) {
        if (plan.error().code != CsvImport::kStopped)
            modGlobal::WriteLog(QStringLiteral("Import of %1 refused: %2").arg(path, plan.error().message),
                                true);
        tell(plan.error().message,
             plan.error().code == CsvImport::kStopped ? MsgIcon::Information : MsgIcon::Exclamation);
        return;
    }

    // The preview: the first rows as they will be stored, each with what becomes of it.
    TableRequest preview;
    preview.title = tr("Import Parts from %1").arg(QFileInfo(path).fileName());
    QStringList lines{plan->counts()};
    if (!plan->ignored.isEmpty())
        lines << tr("Columns ignored: %1").arg(plan->ignored.join(QStringLiteral(", ")));
    if (plan->refused > 0)
        lines << tr("Refused rows are left out.");
    if (plan->rows.size() > kPreviewRows)
        lines << tr("The first %1 rows of %2:")
                     .arg(QString::number(kPreviewRows), QString::number(plan->rows.size()));
    preview.text = lines.join(u'\n');
    preview.headings = QStringList{tr("Row"), tr("Import")} + plan->columns;
    QHash<int, QStringList> reasons;
    for (const CsvImport::Refusal &r : std::as_const(plan->refusals))
        reasons[r.row] << (r.column.isEmpty() ? r.reason : r.column + QStringLiteral(": ") + r.reason);
    for (std::size_t i = 0; i < plan->rows.size() && i < kPreviewRows; ++i) {
        const CsvImport::PlannedRow &row = plan->rows[i];
        QString verdict;
        switch (row.verdict) {
        case CsvImport::PlannedRow::Verdict::Create: verdict = tr("new part"); break;
        case CsvImport::PlannedRow::Verdict::Update:
            verdict = tr("update of Part ID %1").arg(row.partId);
            break;
        case CsvImport::PlannedRow::Verdict::Skip: verdict = tr("skipped: in the catalogue already"); break;
        case CsvImport::PlannedRow::Verdict::Refuse:
            verdict = tr("refused: %1").arg(reasons.value(row.row).join(QStringLiteral("; ")));
            break;
        }
        preview.rows << (QStringList{QString::number(row.row), verdict} + row.values);
    }
    preview.acceptText = plan->creates + plan->updates > 0 ? tr("Import") : QString();
    if (!ui().showTable(preview) || preview.acceptText.isEmpty())
        return;

    const auto applied = CsvImport::apply(*plan);
    if (!applied) {
        const bool stopped = applied.error().code == CsvImport::kStopped;
        modGlobal::WriteLog(QStringLiteral("Import of %1 into %2 %3: %4")
                                .arg(path, g_DbConnect,
                                     stopped ? QStringLiteral("stopped") : QStringLiteral("failed"),
                                     applied.error().message),
                            true);
        tell(applied.error().message, stopped ? MsgIcon::Information : MsgIcon::Critical);
        return;
    }
    const QString done = tr("Imported from %1: %2.").arg(QFileInfo(path).fileName(), plan->counts());
    modGlobal::WriteLog(
        QStringLiteral("Import of %1 into %2: %3 created, %4 updated, %5 rows refused, %6 skipped")
            .arg(path, g_DbConnect, QString::number(applied->created), QString::number(applied->updated),
                 QString::number(plan->refused), QString::number(plan->skips)),
        true);
    PartUndo::Step step = applied->step;
    step.partNumber = QFileInfo(path).fileName();
    m_undo->push(std::move(step));
    updateUndoMenus();
    ShowAllRecords();
    tell(done, MsgIcon::Information);
}

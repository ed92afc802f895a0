// SPDX-License-Identifier: MIT
#include "SearchIndexSetup.h"

#include "AppInfo.h"
#include "SearchIndex.h"
#include "SqliteConnection.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

#include <memory>

namespace {
// Builds quicker than this show no progress display at all.
constexpr int kQuietMs = 700;
} // namespace

void PrepareSearchIndex(QWidget *owner)
{
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer timer;
    timer.start();
    const auto result = SearchIndex::ensure(g_DbConnect, [&](long long done, long long total) {
        if (!progress && timer.elapsed() >= kQuietMs) {
            progress = std::make_unique<QProgressDialog>(
                QCoreApplication::translate("SearchIndexSetup",
                                            "Preparing the catalogue for fast searches..."),
                QCoreApplication::translate("SearchIndexSetup", "Cancel"), 0, 1000, owner);
            progress->setWindowTitle(AppInfo::catalogueTitle());
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
        }
        if (progress) {
            progress->setValue(total > 0 ? int(done * 1000 / total) : 0);
            if (progress->wasCanceled())
                return false;
        }
        return true;
    });

    const QString file = SqliteConnection::dataSource(g_DbConnect);
    QString entry;
    switch (result.kind) {
    case SearchIndex::EnsureResult::Built:
        entry = QStringLiteral("Search index built for %1: %2 parts in %3 s.")
                    .arg(file)
                    .arg(result.parts)
                    .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1);
        break;
    case SearchIndex::EnsureResult::Cancelled:
        entry =
            QStringLiteral("Search index for %1 not built: stopped by the user. Searches read every part.")
                .arg(file);
        break;
    case SearchIndex::EnsureResult::ReadOnly:
    case SearchIndex::EnsureResult::Failed:
        entry = QStringLiteral("Search index for %1 not built (%2). Searches read every part.")
                    .arg(file, result.error);
        break;
    case SearchIndex::EnsureResult::Present:
    case SearchIndex::EnsureResult::NoCatalogue: break;
    }
    // A log that cannot be written is reported by the operations that must log; this entry
    // is only a record.
    if (!entry.isEmpty())
        modGlobal::WriteLog(entry, true);
}

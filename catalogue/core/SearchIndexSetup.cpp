// SPDX-License-Identifier: MIT
#include "SearchIndexSetup.h"

#include "SearchIndex.h"
#include "SqliteConnection.h"
#include "common/core/AppInfo.h"
#include "common/core/UiServices.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <memory>

namespace {
// Builds quicker than this show no progress display at all.
constexpr int kQuietMs = 700;
} // namespace

void PrepareSearchIndex()
{
    QElapsedTimer timer;
    timer.start();
    ProgressRequest request;
    request.title = AppInfo::catalogueTitle();
    request.text =
        QCoreApplication::translate("SearchIndexSetup", "Preparing the catalogue for fast searches...");
    request.cancelText = QCoreApplication::translate("SearchIndexSetup", "Cancel");
    request.quietMs = kQuietMs;
    const std::unique_ptr<Progress> progress = ui().progress(request);
    const auto result = SearchIndex::ensure(
        g_DbConnect, [&](long long done, long long total) { return progress->update(done, total); });

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

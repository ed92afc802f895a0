// SPDX-License-Identifier: MIT
#include "FileOpenSave.h"

#include "common/core/UiServices.h"

#include <QDir>

namespace FileOpenSave {

namespace {

// "*.*" means every file on Windows, but on Linux it would skip names without a dot.
QString toQtPattern(const QString &pattern)
{
    QStringList parts = pattern.split(u';', Qt::SkipEmptyParts);
    for (QString &p : parts) {
        p = p.trimmed();
        if (p == QStringLiteral("*.*"))
            p = QStringLiteral("*");
    }
    parts.removeAll(QString());
    return parts.isEmpty() ? QStringLiteral("*") : parts.join(u' ');
}

} // namespace

QString TrimNull(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString AddFilterItem(const QString &filter, const QString &description, const QString &pattern)
{
    return filter + description + QChar(0) + pattern + QChar(0);
}

QStringList toNameFilters(const QString &filter)
{
    const QStringList items = filter.split(QChar(0));
    QStringList out;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString &description = items[i];
        const QString &pattern = items[i + 1];
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        const QString qtPattern = toQtPattern(pattern);
        out << (description.isEmpty() ? qtPattern : description + QStringLiteral(" (") + qtPattern + u')');
    }
    return out;
}

QString CommonFileOpenSave(const OpenFileArgs &args)
{
    const QString before = QDir::currentPath();
    FileDialogRequest request;
    request.title = args.title;
    request.initialFolder = args.initialFolder.isEmpty() ? before : args.initialFolder;
    request.initialFile = args.initialFileName.left(kFileBufferChars);
    request.filters = toNameFilters(args.filter);
    request.filterIndex = qMax(0, args.filterIndex - 1);
    if (request.filterIndex >= request.filters.size())
        request.filterIndex = 0;

    const QString chosen = ui().openFile(request);
    // The designed flags keep the current folder; no dialog may move it behind our back.
    if (QDir::currentPath() != before)
        QDir::setCurrent(before);
    if (chosen.isEmpty())
        return {};
    // The dialog reports nothing back in the flags; they go back as they came.
    return TrimNull(chosen);
}

QString GetOpenFile(const QString &initialFolder, const QString &title, const QString &filterDescription,
                    const QString &filterPattern)
{
    long flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    OpenFileArgs args;
    args.flags = &flags;
    args.initialFolder = initialFolder;
    args.filter = AddFilterItem(QString(), filterDescription, filterPattern);
    args.title = title;
    return TrimNull(CommonFileOpenSave(args));
}

QString BrowseForFolder(const QString &title)
{
    // The browser starts at the top of the user's own tree, as it did at the desktop.
    return TrimNull(ui().browseForFolder(title, QDir::homePath()));
}

} // namespace FileOpenSave

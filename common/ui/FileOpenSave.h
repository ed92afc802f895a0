// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The open-file dialog and the folder browser, through the user seam. Both are modal
// and give the chosen path, or "" when the user cancels.
namespace FileOpenSave {

// The file must exist, no read-only box, the current folder unchanged afterwards.
inline constexpr long OFN_FILEMUSTEXIST = 0x1000;
inline constexpr long OFN_HIDEREADONLY = 0x4;
inline constexpr long OFN_NOCHANGEDIR = 0x8;
inline constexpr int kFileBufferChars = 256;

QString BrowseForFolder(const QString &title);

QString GetOpenFile(const QString &initialFolder, const QString &title, const QString &filterDescription,
                    const QString &filterPattern);

// Arguments left out take their defaults: flags 0, the process's current folder, no
// filter, filter index 1 (the first pair), no default extension, no file, no title.
struct OpenFileArgs {
    long *flags = nullptr; // in and out
    QString initialFolder;
    QString filter; // pairs of description NUL pattern NUL
    int filterIndex = 1;
    QString defaultExtension;
    QString initialFileName;
    QString title;
};
QString CommonFileOpenSave(const OpenFileArgs &args = {});

QString AddFilterItem(const QString &filter, const QString &description,
                      const QString &pattern = QStringLiteral("*.*"));

// The text up to its first NUL; the whole text when it has none.
QString TrimNull(const QString &text);

// The filter's pairs in the dialog's own form ("Description (*.a *.b)"); pairs with
// neither description nor pattern are dropped, so an empty filter offers all files.
QStringList toNameFilters(const QString &filter);

} // namespace FileOpenSave

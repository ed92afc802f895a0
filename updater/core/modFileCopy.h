// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QStringList>

#include <functional>

// Folder operations of the process-file interpreter: is there a folder, create a
// folder path level by level, copy the files of one folder that match a wildcard.
namespace modFileCopy {

// An existing folder (a trailing separator makes no difference); false for a file.
bool FolderExists(const QString &path);

// Creates every missing level below the first element (the root, never created).
// Non-zero when the last creation attempted made its folder; 0 when every level
// existed or the last creation failed.
int CreateFolderPath(const QString &path);

// Copies every entry of `source` that matches `pattern` into `dest` (both ending in
// "/"), replacing files there. Sub-folders, and in a folder other than the root the
// "." and ".." entries the pattern matches, are counted but not copied, and so is a
// file that cannot be copied. An empty pattern becomes "*.*" (in the caller's
// variable too). When nothing matches the user is told "No <pattern> files found."
// and the result is 0.
// `beforeCopy`, when given, is asked before each file: false skips it.
int BulkCopy(const QString &source, const QString &dest, QString &pattern,
             const std::function<bool(const QString &from, const QString &to)> &beforeCopy = {});

// Copies `from` over `to` with the source's modification time. A replaced file keeps
// its own permissions; a new one takes the source's.
// The copy is written beside `to` and renamed over it, so a program that is running
// from `to` keeps its old file and a failed copy leaves the old file whole.
// A failure's code is numbered as the interpreter's log numbers them (errorFromErrno).
Result<> CopyFileReplace(const QString &from, const QString &to);

// Deletes one file; fails with the reason when the file system refuses.
Result<> DeleteFile(const QString &path);

// The wildcard rules of the process files: "*" and "?", letter case ignored, and a
// pattern ending in ".*" also matching names without an extension ("*.*" is all).
bool MatchesPattern(const QString &name, const QString &pattern);

// A failure of the file system, numbered as the interpreter's log numbers them.
Error errorFromErrno(int err, bool sourceSide);

// Removes what an updater that was killed left in `folder` and below: staging folders
// and temporary files (".vantelo-" + a kind + "-" + six characters). Returns what it
// removed. A downloaded "<file>.part" is not
// debris: the next download resumes it.
QStringList RemoveDebris(const QString &folder);

} // namespace modFileCopy

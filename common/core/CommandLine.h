// SPDX-License-Identifier: MIT
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

// What the four commands share on their command lines: --help on standard output,
// --version as "<command> <version>", and the same words for a mistake.
namespace CommandLine {

QString version();                           // "3.1.42"
QString versionText(const QString &command); // "orvana 3.1.42"

// Adds -h/--help and -v/--version, with the description shown by --help.
void describe(QCommandLineParser &parser, const QString &description);

QString helpText(const QCommandLineParser &parser, const QString &command);

// Answers --help or --version from the raw arguments, before any application object
// exists, so a graphical program answers on a console without a display. The exit
// code when one of them was asked for.
std::optional<int> answerHelpOrVersion(const QCommandLineParser &parser, const QString &command,
                                       const QStringList &arguments);

// "<command>: <what>" and a pointer to --help on standard error; returns 2.
int fail(const QString &command, const QString &what);

// After QApplication took its own options: the exit status for an unknown option or an
// argument the program does not take, or nothing when the command line is fine.
std::optional<int> refuseTheRest(QCommandLineParser &parser, const QString &command,
                                 const QStringList &arguments);

QStringList arguments(int argc, char **argv);

} // namespace CommandLine

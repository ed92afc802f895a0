// SPDX-License-Identifier: MIT
// orvana-newdb PATH|"DSN=..." [--sample N]: creates a new, empty or sample-filled catalogue
// database: a file, or the PARTS table in a PostgreSQL database reached through ODBC.
// orvana-newdb --from-access OLD NEW [--skip-unreadable]: converts a Microsoft Access catalogue.
// orvana-newdb --export CATALOGUE FILE.csv, --import FILE.csv CATALOGUE [--update-existing]
// [--skip-refused] [--dry-run]: parts out to and in from a spreadsheet's CSV file.
#include "catalogue/core/AccessImport.h"
#include "catalogue/core/CsvExport.h"
#include "catalogue/core/CsvImport.h"
#include "catalogue/core/NewCatalogue.h"
#include "catalogue/core/modGlobal.h"
#include "common/core/CommandLine.h"
#include "common/core/PosixHandles.h"
#include "common/core/Translations.h"

#include <QCoreApplication>

#include <cstdio>
#include <fcntl.h>

namespace {

// libmdb prints its own diagnostics of a damaged file (to standard output too, as lines of
// blanks); a script reads only this tool's report, so they are silenced while it reads.
class LibraryOutputSilenced {
public:
    LibraryOutputSilenced()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        const UniqueFd null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
        for (int i = 0; i < 2 && null; ++i) {
            m_saved[i] = UniqueFd(::fcntl(i + 1, F_DUPFD_CLOEXEC, 3));
            if (m_saved[i])
                ::dup2(null.get(), i + 1);
        }
    }
    ~LibraryOutputSilenced()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        for (int i = 0; i < 2; ++i)
            if (m_saved[i])
                ::dup2(m_saved[i].get(), i + 1);
    }
    LibraryOutputSilenced(const LibraryOutputSilenced &) = delete;
    LibraryOutputSilenced &operator=(const LibraryOutputSilenced &) = delete;

private:
    UniqueFd m_saved[2];
};

int fromAccess(const QString &accessFile, const QString &path, bool sample, bool skipUnreadable)
{
    const QString command = QStringLiteral("orvana-newdb");
    if (sample)
        return CommandLine::fail(command, QCoreApplication::translate(
                                              "orvana-newdb", "--sample cannot be used with --from-access"));
    if (path.contains(QStringLiteral("DSN=")))
        return CommandLine::fail(command, QCoreApplication::translate(
                                              "orvana-newdb", "--from-access converts into a file, not '%1'")
                                              .arg(path));
    AccessImport::Options options;
    options.skipUnreadable = skipUnreadable;
    const auto converted = [&] {
        const LibraryOutputSilenced quiet;
        return AccessImport::convert(accessFile, path, options);
    }();
    if (!converted) {
        std::fprintf(stderr, "orvana-newdb: %s\n", converted.error().message.toLocal8Bit().constData());
        return 1;
    }
    QString report =
        QCoreApplication::translate("orvana-newdb", "%1: %2\n").arg(path, AccessImport::describe(*converted));
    if (!converted->leftOut.isEmpty())
        report += QCoreApplication::translate("orvana-newdb", "Left out:\n  %1\n")
                      .arg(converted->leftOut.join(QStringLiteral("\n  ")));
    if (!converted->hasParts)
        report += QCoreApplication::translate("orvana-newdb", "It has no PARTS table.\n");
    std::fputs(report.toLocal8Bit().constData(), stdout);
    return 0;
}

void print(FILE *to, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
}

// A catalogue named on the command line, as the data layer opens it.
void useCatalogue(const QString &catalogue)
{
    // The settings give the display field list; their failures leave the defaults, which serve.
    (void)modGlobal::LoadSettings();
    g_DbConnect =
        catalogue.contains(QStringLiteral("DSN=")) ? catalogue : QStringLiteral("Data Source=") + catalogue;
}

int exportParts(const QString &catalogue, const QString &file)
{
    useCatalogue(catalogue);
    const auto written = CsvExport::writeAllParts(file, g_DisplayFieldList);
    if (!written) {
        print(stderr, QStringLiteral("orvana-newdb: ") + written.error().message + u'\n');
        return 1;
    }
    print(stdout,
          QCoreApplication::translate("orvana-newdb", "%1: %2 parts\n").arg(file, QString::number(*written)));
    return 0;
}

int importParts(const QString &file, const QString &catalogue, bool updateExisting, bool skipRefused,
                bool dryRun)
{
    useCatalogue(catalogue);
    CsvImport::Options options;
    options.updateExisting = updateExisting;
    const auto plan = CsvImport::plan(file, options);
    if (!plan) {
        print(stderr, QStringLiteral("orvana-newdb: ") + plan.error().message + u'\n');
        return 1;
    }
    QString report;
    if (!plan->ignored.isEmpty())
        report += QCoreApplication::translate("orvana-newdb", "Columns ignored: %1\n")
                      .arg(plan->ignored.join(QStringLiteral(", ")));
    for (const QString &line : plan->refusalLines())
        report += line + u'\n';
    report += plan->counts() + u'\n';
    print(stdout, report);
    if (plan->refused > 0 && !skipRefused) {
        print(stderr,
              QCoreApplication::translate("orvana-newdb", "orvana-newdb: rows were refused: nothing was "
                                                          "written (--skip-refused imports the others)\n"));
        return 1;
    }
    if (dryRun) {
        print(stdout, QCoreApplication::translate("orvana-newdb", "Dry run: nothing was written.\n"));
        return 0;
    }
    if (const auto applied = CsvImport::apply(*plan); !applied) {
        print(stderr, QStringLiteral("orvana-newdb: ") + applied.error().message + u'\n');
        return 1;
    }
    print(stdout, QCoreApplication::translate("orvana-newdb", "%1: imported\n").arg(catalogue));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Translations::install();
    const QString command = QStringLiteral("orvana-newdb");
    QCommandLineParser parser;
    CommandLine::describe(parser, QCoreApplication::translate(
                                      "orvana-newdb",
                                      "Creates a catalogue database with the PARTS table at PATH "
                                      "(never over an existing file),\nor in the empty PostgreSQL "
                                      "database of an ODBC data source \"DSN=name\"\n(never where "
                                      "PARTS exists), optionally filled with N generated parts.\n"
                                      "With --from-access, converts the Microsoft Access catalogue "
                                      "OLD into the new catalogue file PATH\n(never over an existing "
                                      "file); OLD is only read.\nWith --export, writes every part of "
                                      "CATALOGUE to FILE.csv; with --import, checks\nthe parts of FILE.csv "
                                      "and adds them to CATALOGUE, all or none."));
    parser.addPositionalArgument(
        QStringLiteral("PATH"),
        QCoreApplication::translate("orvana-newdb", "the catalogue file to create, or \"DSN=name\""));
    const QCommandLineOption sampleOption(
        QStringLiteral("sample"),
        QCoreApplication::translate("orvana-newdb", "fill it with N generated parts (0 to 100000000)"),
        QCoreApplication::translate("orvana-newdb", "N"));
    parser.addOption(sampleOption);
    const QCommandLineOption accessOption(
        QStringLiteral("from-access"),
        QCoreApplication::translate("orvana-newdb", "convert the Microsoft Access database OLD into PATH"),
        QCoreApplication::translate("orvana-newdb", "OLD"));
    parser.addOption(accessOption);
    const QCommandLineOption skipOption(
        QStringLiteral("skip-unreadable"),
        QCoreApplication::translate("orvana-newdb", "with --from-access: leave out and list the columns and "
                                                    "values that cannot be read, instead of failing"));
    parser.addOption(skipOption);
    const QCommandLineOption exportOption(
        QStringLiteral("export"),
        QCoreApplication::translate("orvana-newdb", "write every part of CATALOGUE to FILE.csv, as the list "
                                                    "after Show All Records: --export CATALOGUE FILE.csv"));
    parser.addOption(exportOption);
    const QCommandLineOption importOption(
        QStringLiteral("import"),
        QCoreApplication::translate("orvana-newdb",
                                    "check the parts of FILE.csv and add them to CATALOGUE, all "
                                    "or none: --import FILE.csv CATALOGUE"));
    parser.addOption(importOption);
    const QCommandLineOption updateOption(
        QStringLiteral("update-existing"),
        QCoreApplication::translate("orvana-newdb",
                                    "with --import: update parts whose number exists (they are "
                                    "skipped otherwise)"));
    parser.addOption(updateOption);
    const QCommandLineOption skipRefusedOption(
        QStringLiteral("skip-refused"),
        QCoreApplication::translate("orvana-newdb",
                                    "with --import: import the other rows when some are refused"));
    parser.addOption(skipRefusedOption);
    const QCommandLineOption dryRunOption(
        QStringLiteral("dry-run"),
        QCoreApplication::translate("orvana-newdb", "with --import: check and report, write nothing"));
    parser.addOption(dryRunOption);
    const QStringList args = QCoreApplication::arguments();
    if (const auto rc = CommandLine::answerHelpOrVersion(parser, command, args))
        return *rc;
    if (!parser.parse(args))
        return CommandLine::fail(command, parser.errorText());

    const QStringList paths = parser.positionalArguments();
    const bool importOnly =
        parser.isSet(updateOption) || parser.isSet(skipRefusedOption) || parser.isSet(dryRunOption);
    if (parser.isSet(exportOption) || parser.isSet(importOption)) {
        const bool exporting = parser.isSet(exportOption);
        if (exporting && parser.isSet(importOption))
            return CommandLine::fail(
                command,
                QCoreApplication::translate("orvana-newdb", "--export and --import cannot be used together"));
        if (parser.isSet(sampleOption) || parser.isSet(accessOption) || parser.isSet(skipOption) ||
            (exporting && importOnly))
            return CommandLine::fail(
                command,
                QCoreApplication::translate("orvana-newdb", "--%1 takes no other options but its own")
                    .arg(exporting ? QStringLiteral("export") : QStringLiteral("import")));
        if (paths.size() != 2)
            return CommandLine::fail(
                command,
                exporting ? QCoreApplication::translate("orvana-newdb", "--export needs CATALOGUE FILE.csv")
                          : QCoreApplication::translate("orvana-newdb", "--import needs FILE.csv CATALOGUE"));
        if (exporting)
            return exportParts(paths.at(0), paths.at(1));
        return importParts(paths.at(0), paths.at(1), parser.isSet(updateOption),
                           parser.isSet(skipRefusedOption), parser.isSet(dryRunOption));
    }
    if (importOnly)
        return CommandLine::fail(
            command,
            QCoreApplication::translate("orvana-newdb", "--update-existing, --skip-refused and --dry-run "
                                                        "need --import"));
    if (paths.isEmpty())
        return CommandLine::fail(
            command, QCoreApplication::translate("orvana-newdb", "the PATH of the new catalogue is missing"));
    if (paths.size() > 1)
        return CommandLine::fail(
            command,
            QCoreApplication::translate("orvana-newdb", "one PATH only, not '%1'").arg(paths.join(u' ')));
    if (parser.isSet(accessOption))
        return fromAccess(parser.value(accessOption), paths.constFirst(), parser.isSet(sampleOption),
                          parser.isSet(skipOption));
    if (parser.isSet(skipOption))
        return CommandLine::fail(
            command, QCoreApplication::translate("orvana-newdb", "--skip-unreadable needs --from-access"));
    long long sample = 0;
    if (parser.isSet(sampleOption)) {
        bool ok = false;
        sample = parser.value(sampleOption).toLongLong(&ok);
        if (!ok || sample < 0 || sample > 100000000)
            return CommandLine::fail(command, QCoreApplication::translate(
                                                  "orvana-newdb", "--sample takes a whole number from 0 to "
                                                                  "100000000, not '%1'")
                                                  .arg(parser.value(sampleOption)));
    }

    const QString &path = paths.constFirst();
    // The same test that sends a connection string to ODBC.
    const bool server = path.contains(QStringLiteral("DSN="));
    if (const auto made = server ? NewCatalogue::createOnServer(path, int(sample))
                                 : NewCatalogue::create(path, int(sample));
        !made) {
        std::fprintf(stderr, "orvana-newdb: %s\n", made.error().message.toLocal8Bit().constData());
        return 1;
    }
    std::fputs(QCoreApplication::translate("orvana-newdb", "%1: catalogue with %2 parts\n")
                   .arg(path, QString::number(sample))
                   .toLocal8Bit()
                   .constData(),
               stdout);
    return 0;
}

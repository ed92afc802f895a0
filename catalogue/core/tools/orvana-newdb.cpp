// orvana-newdb PATH|"DSN=..." [--sample N]: creates a new, empty or sample-filled catalogue
// database: a file, or the PARTS table in a PostgreSQL database reached through ODBC.
#include "NewCatalogue.h"

#include <QString>

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: orvana-newdb PATH [--sample N]\n"
                         "       orvana-newdb \"DSN=name\" [--sample N]\n"
                         "Creates a catalogue database with the PARTS table at PATH (never over an\n"
                         "existing file), or in the empty PostgreSQL database of an ODBC data source\n"
                         "(never where PARTS exists), optionally filled with N generated parts.\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QString path;
    long long sample = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sample") == 0 && i + 1 < argc) {
            bool ok = false;
            sample = QString::fromLocal8Bit(argv[++i]).toLongLong(&ok);
            if (!ok || sample < 0 || sample > 100000000)
                return usage();
        } else if (argv[i][0] == '-' || !path.isEmpty()) {
            return usage();
        } else {
            path = QString::fromLocal8Bit(argv[i]);
        }
    }
    if (path.isEmpty())
        return usage();

    QString error;
    // The same test that sends a connection string to ODBC.
    const bool server = path.contains(QStringLiteral("DSN="));
    if (!(server ? NewCatalogue::createOnServer(path, int(sample), &error)
                 : NewCatalogue::create(path, int(sample), &error))) {
        std::fprintf(stderr, "orvana-newdb: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s: catalogue with %lld parts\n", path.toLocal8Bit().constData(), sample);
    return 0;
}

// SPDX-License-Identifier: MIT
// A spreadsheet's CSV file as the import reads it: separator, encoding, quoting and the
// limits a hostile file meets. Properties: a refusal gives the user a reason; a file read
// keeps every row within the column limit, is taken as UTF-8 only when its bytes are, and
// its table, written again as the export writes CSV, reads back as the same headings and
// rows.

#include "FuzzCheck.h"
#include "FuzzTemp.h"
#include "FuzzUi.h"
#include "catalogue/core/CsvExport.h"
#include "catalogue/core/CsvImport.h"

#include <QFile>
#include <QStringDecoder>

#include <string>

namespace {

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void appendLine(std::string &out, const QStringList &values)
{
    // The export's rows have several fields; a lone empty one would be an empty line, which
    // a CSV reader passes over.
    if (values.size() == 1 && values.front().isEmpty()) {
        out += "\"\"\r\n";
        return;
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        CsvExport::appendField(out, values.at(i).toStdString());
    }
    out += "\r\n";
}

QString shown(const CsvImport::Table &t)
{
    QString s = fuzz::show(t.headings.join(u'|'));
    for (const QStringList &row : t.rows)
        s += QStringLiteral("\n  ") + fuzz::show(row.join(u'|'));
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static FuzzUi ui;
    static const QString in = fuzz::scratchFolder() + QStringLiteral("/in.csv");
    static const QString again = fuzz::scratchFolder() + QStringLiteral("/again.csv");
    const QByteArray bytes = fuzz::bytes(data, size);
    if (!write(in, bytes))
        std::abort();

    CsvImport::Limits limits; // small, so that inputs reach them
    limits.fieldBytes = 64;
    limits.lineBytes = 256;
    limits.columns = 12;
    limits.fileBytes = 2048;
    const auto table = CsvImport::read(in, limits);
    if (!table) {
        FUZZ_CHECK(!table.error().message.isEmpty(), fuzz::show(QString::fromLatin1(bytes.toHex())));
        return 0;
    }
    FUZZ_CHECK(table->headings.size() <= limits.columns, shown(*table));
    for (const QStringList &row : table->rows)
        FUZZ_CHECK(row.size() <= limits.columns, shown(*table));
    FUZZ_CHECK(table->separator == ',' || table->separator == ';' || table->separator == '\t',
               QString(QLatin1Char(table->separator)));
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(text); // decodes when made a QString
    FUZZ_CHECK(table->encoding ==
                   (utf8.hasError() ? QStringLiteral("Windows-1252") : QStringLiteral("UTF-8")),
               table->encoding);

    std::string out = "\xEF\xBB\xBF";
    appendLine(out, table->headings);
    for (const QStringList &row : table->rows)
        appendLine(out, row);
    if (!write(again, QByteArray::fromStdString(out)))
        std::abort();
    CsvImport::Limits quoted = limits; // quoting doubles a quote, and adds two
    quoted.fieldBytes = 3 * limits.fieldBytes;
    quoted.lineBytes = 3 * limits.lineBytes + 2 * std::size_t(limits.columns);
    quoted.fileBytes = 3 * limits.fileBytes;
    const auto back = CsvImport::read(again, quoted);
    FUZZ_CHECK(back, back ? QString() : back.error().message + u'\n' + shown(*table));
    FUZZ_CHECK(back->headings == table->headings && back->rows == table->rows,
               shown(*table) + QStringLiteral("\nread back as\n") + shown(*back));
    return 0;
}

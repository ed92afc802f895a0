// SPDX-License-Identifier: MIT
// The process file a package carries, as the interpreter reads it: decoding (UTF-8, else
// Windows-1252), non-empty lines, "|" fields, the command number, the From and To paths
// and the wildcard of a Delete. Properties: decoding loses nothing (the text encodes back
// to the same bytes); lines hold no line break and lose no character; a command number
// printed again reads the same; a From, or a To that is not absolute, never leaves the
// program folder, neither by its text nor through a link on disk; a resolved path has no
// "." or ".." level; the wildcard matcher agrees with a plain reference matcher.

#include "FuzzCheck.h"
#include "FuzzTemp.h"
#include "updater/core/NameIndex.h"
#include "updater/core/ProcessFileText.h"
#include "updater/core/modFileCopy.h"
#include "updater/core/modPaths.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Windows-1252's bytes 0x80 to 0x9F, to encode a decoded text back.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<QByteArray> encodeCp1252(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        int byte = -1;
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] && kCp1252High[i] == c.unicode())
                byte = 0x80 + i;
        }
        if (byte < 0 && c.unicode() < 0x100 &&
            !(c.unicode() >= 0x80 && c.unicode() < 0xA0 && kCp1252High[c.unicode() - 0x80]))
            byte = c.unicode();
        if (byte < 0)
            return std::nullopt;
        out += char(byte);
    }
    return out;
}

void checkDecoding(const QByteArray &bytes, const QString &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(bytes);
    if (!utf8.hasError()) {
        FUZZ_CHECK(text == asUtf8, fuzz::show(text));
        return;
    }
    const auto back = encodeCp1252(text);
    FUZZ_CHECK(back && *back == bytes, fuzz::show(text) + QStringLiteral(" does not encode back"));
}

void checkLines(const QString &text, const QStringList &lines)
{
    qsizetype chars = 0;
    for (const QString &line : lines) {
        FUZZ_CHECK(!line.isEmpty() && !line.contains(u'\r') && !line.contains(u'\n'), fuzz::show(line));
        chars += line.size();
    }
    FUZZ_CHECK(chars == text.size() - text.count(u'\r') - text.count(u'\n'), fuzz::show(text));
}

void checkCode(const QString &code)
{
    const double v = ProcessFileText::leadingNumber(code);
    FUZZ_CHECK(std::isfinite(v), fuzz::show(code));
    const QString printed = QString::number(v, 'f', QLocale::FloatingPointShortest);
    FUZZ_CHECK(ProcessFileText::leadingNumber(printed) == v,
               fuzz::show(code) + QStringLiteral(" -> ") + printed);
    // Blanks around the field do not change the command.
    FUZZ_CHECK(ProcessFileText::leadingNumber(u' ' + code + u' ') == v, fuzz::show(code));
}

// An absolute path without a "." or ".." level and without an empty one.
bool clean(const QString &path)
{
    if (!path.startsWith(u'/') || path.contains(QStringLiteral("//")))
        return false;
    for (const QString &level : path.split(u'/', Qt::SkipEmptyParts)) {
        if (level == QStringLiteral(".") || level == QStringLiteral(".."))
            return false;
    }
    return true;
}

bool inside(const QString &folder, const QString &path)
{
    return path == folder || path.startsWith(folder + u'/');
}

void checkLexical(const QString &folder, const QString &field, modPaths::Field kind)
{
    const modPaths::Resolved r = modPaths::resolveField(folder, field, kind);
    const QString what = (kind == modPaths::Field::From ? QStringLiteral("From ") : QStringLiteral("To ")) +
                         fuzz::show(field) + QStringLiteral(" -> ") + fuzz::show(r.path);
    if (!r.ok()) {
        FUZZ_CHECK(r.path.isEmpty(), what);
        return;
    }
    FUZZ_CHECK(clean(r.path), what);
    FUZZ_CHECK(kind == modPaths::Field::To || !r.absolute, what);
    FUZZ_CHECK(r.absolute || inside(folder, r.path), what + QStringLiteral(" leaves ") + folder);
}

// The program folder on disk: a folder, a file, a link out of it and a dangling link.
QString g_folder;
QString g_canonicalFolder;

// Where the deepest level of `path` that exists leads, following links; "" for a link
// that leads nowhere.
QString deepestReal(QString path)
{
    while (true) {
        char *real = realpath(QFile::encodeName(path).constData(), nullptr);
        if (real) {
            const QString out = QFile::decodeName(real);
            std::free(real);
            return out;
        }
        if (QFileInfo(path).isSymLink())
            return {};
        const qsizetype slash = path.lastIndexOf(u'/');
        if (slash <= 0)
            return {};
        path.truncate(slash);
    }
}

void checkOnDisk(NameIndex &names, const QString &field, modPaths::Field kind)
{
    const modPaths::Resolved r = kind == modPaths::Field::From ? modPaths::FromPath(g_folder, field, names)
                                                               : modPaths::ToPath(g_folder, field, names);
    if (!r.ok() || r.absolute)
        return;
    const QString real = deepestReal(r.path);
    FUZZ_CHECK(!real.isEmpty() && inside(g_canonicalFolder, real),
               fuzz::show(field) + QStringLiteral(" -> ") + fuzz::show(r.path) + QStringLiteral(" is ") +
                   fuzz::show(real));
}

// The reference: every way of matching, one cell per prefix pair.
bool referenceMatch(const QString &name, const QString &pattern)
{
    const qsizetype n = name.size(), m = pattern.size();
    std::vector<char> row(std::size_t(m + 1), 0), next(row.size());
    row[0] = 1;
    for (qsizetype j = 1; j <= m && pattern.at(j - 1) == u'*'; ++j)
        row[std::size_t(j)] = 1;
    for (qsizetype i = 1; i <= n; ++i) {
        std::fill(next.begin(), next.end(), 0);
        for (qsizetype j = 1; j <= m; ++j) {
            const QChar p = pattern.at(j - 1);
            if (p == u'*')
                next[std::size_t(j)] = next[std::size_t(j - 1)] || row[std::size_t(j)];
            else if (p == u'?' || p == name.at(i - 1))
                next[std::size_t(j)] = row[std::size_t(j - 1)];
        }
        row.swap(next);
    }
    return row[std::size_t(m)];
}

bool referenceMatches(const QString &name, const QString &pattern)
{
    const QString n = name.toCaseFolded();
    QString p = pattern.toCaseFolded();
    if (p.isEmpty())
        p = QStringLiteral("*.*");
    return referenceMatch(n, p) ||
           (p.endsWith(QStringLiteral(".*")) && referenceMatch(n, p.left(p.size() - 2)));
}

void checkWildcard(const QString &pattern)
{
    QString made = pattern; // a name the pattern must match
    made.replace(u'*', QStringLiteral("xY")).replace(u'?', u'Q');
    for (const QString &name : {made, made.toUpper(), QStringLiteral("File.TXT"), QStringLiteral("file"),
                                QStringLiteral("a.b.c"), QString(), QStringLiteral("\U0001F600.tmp")}) {
        const bool got = modFileCopy::MatchesPattern(name, pattern);
        FUZZ_CHECK(got == referenceMatches(name, pattern),
                   fuzz::show(name) + QStringLiteral(" against ") + fuzz::show(pattern));
    }
    FUZZ_CHECK(modFileCopy::MatchesPattern(made, pattern),
               fuzz::show(made) + QStringLiteral(" against ") + fuzz::show(pattern));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QString scratch = fuzz::scratchFolder();
    g_folder = scratch + QStringLiteral("/Program Folder");
    QDir().mkpath(g_folder + QStringLiteral("/Sub"));
    QDir().mkpath(scratch + QStringLiteral("/outside"));
    QFile f(g_folder + QStringLiteral("/Sub/File.TXT"));
    f.open(QIODevice::WriteOnly);
    f.close();
    QFile::link(scratch + QStringLiteral("/outside"), g_folder + QStringLiteral("/lnk"));
    QFile::link(scratch + QStringLiteral("/nowhere"), g_folder + QStringLiteral("/dangling"));
    QFile::link(QStringLiteral("../outside"), g_folder + QStringLiteral("/Sub/up"));
    g_canonicalFolder = QFileInfo(g_folder).canonicalFilePath();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 8192)
        return 0;
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString text = ProcessFileText::decodeText(bytes);
    checkDecoding(bytes, text);
    const QStringList lines = ProcessFileText::nonEmptyLines(text);
    checkLines(text, lines);

    int commands = 0;
    NameIndex names; // one per process file, as the interpreter keeps it
    for (const QString &line : lines) {
        if (line.startsWith(u'-'))
            continue;
        const QStringList fields = line.split(u'|');
        if (fields.size() < 3)
            continue;
        if (++commands > 8) // a long file adds nothing a short one does not
            break;
        checkCode(fields.at(0));
        for (const QString &folder : {QStringLiteral("/opt/Vantelo/Parts"), QStringLiteral("/srv/Größe 1")}) {
            checkLexical(folder, fields.at(1), modPaths::Field::From);
            checkLexical(folder, fields.at(2), modPaths::Field::To);
        }
        checkOnDisk(names, fields.at(1), modPaths::Field::From);
        checkOnDisk(names, fields.at(2), modPaths::Field::To);
        const QString leaf = fields.at(1).section(u'\\', -1).section(u'/', -1).trimmed();
        if (modPaths::hasWildcard(leaf) || leaf.isEmpty())
            checkWildcard(leaf);
    }
    return 0;
}

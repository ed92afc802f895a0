// SPDX-License-Identifier: MIT
// The registry layer on real hive files: a key path, a value name and a text
// ("path|name|text"). Properties: a value written under a key reads back the same through
// the key path and value name in any other letter case and with the separators doubled;
// writing it again in another letter case replaces it rather than adding a second value;
// a key below it does not see it; GetProperty trims what it reads.

#include "FuzzCheck.h"
#include "FuzzTemp.h"
#include "common/core/modRegistry.h"

#include <QDir>
#include <QFile>

namespace {

// Changes the letter case of single characters without changing what they fold to, as a
// user or another program might spell the same key; `seed` picks which.
QString otherCase(const QString &text, quint32 seed)
{
    QList<uint> out;
    for (const uint c : text.toUcs4()) {
        seed = seed * 1103515245u + 12345u;
        const uint changed = (seed >> 16) & 1 ? QChar::toUpper(c) : QChar::toLower(c);
        const QString a = QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1);
        const QString b = QString::fromUcs4(reinterpret_cast<const char32_t *>(&changed), 1);
        out.append(RegKey::fold(a) == RegKey::fold(b) ? changed : c);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(out.constData()), out.size());
}

QString doubledSeparators(const QString &path)
{
    QString p = path;
    p.replace(u'\\', QStringLiteral("\\\\"));
    return u'\\' + p + u'\\';
}

int g_inputs = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("VANTELO_HIVE_DIR", QFile::encodeName(fuzz::scratchFolder()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 2048)
        return 0;
    // A fresh pair of hives now and then, so that they stay small.
    if (++g_inputs % 500 == 0) {
        QFile::remove(hivePath(RegRoot::CurrentUser));
        QFile::remove(hivePath(RegRoot::LocalMachine));
    }
    const QByteArray input = fuzz::bytes(data, size);
    const QList<QByteArray> parts = input.split('|');
    const QString path = QString::fromUtf8(parts.value(0));
    const QString name = QString::fromUtf8(parts.value(1));
    const QString text = QString::fromUtf8(parts.mid(2).join('|'));
    const quint32 seed = qHash(input);
    const RegRoot root = seed & 1 ? RegRoot::LocalMachine : RegRoot::CurrentUser;
    const QString what = fuzz::show(path) + QStringLiteral(" / ") + fuzz::show(name);

    FUZZ_CHECK(modRegistry::SetStringValue(root, path, name, text) == 0,
               what + QStringLiteral(" not written"));

    const QString path2 = otherCase(path, seed);
    const QString name2 = otherCase(name, ~seed);
    for (const QString &p : {path2, doubledSeparators(path2)}) {
        const QString back = modRegistry::GetStringValue(root, p, name2);
        FUZZ_CHECK(back == text, what + QStringLiteral(" read through ") + fuzz::show(p) +
                                     QStringLiteral(" / ") + fuzz::show(name2) + QStringLiteral(" as ") +
                                     fuzz::show(back));
    }

    // The same value in another spelling replaces it.
    const QString replaced = text + QStringLiteral("+");
    FUZZ_CHECK(modRegistry::SetStringValue(root, path2, name2, replaced) == 0, what);
    FUZZ_CHECK(modRegistry::GetStringValue(root, path, name) == replaced,
               what + QStringLiteral(" not replaced"));
    const RegKey key = modRegistry::OpenKey(root, path);
    FUZZ_CHECK(key, what + QStringLiteral(" key not found"));
    int same = 0;
    for (const RegValue &v : key.values())
        same += RegKey::fold(v.name) == RegKey::fold(name);
    FUZZ_CHECK(same == 1, what + QStringLiteral(" stored %1 times").arg(same));

    // Each hive open costs more than the rest: the rarer checks run for some inputs only.
    if (seed % 8 != 0)
        return 0;

    // A key below it is another key, and reading it does not create it.
    const QString below = path + QStringLiteral("\\sub%1").arg(g_inputs);
    FUZZ_CHECK(modRegistry::GetStringValue(root, below, name).isEmpty(),
               what + QStringLiteral(" seen below"));
    FUZZ_CHECK(!modRegistry::OpenKey(root, below), what + QStringLiteral(" reading created a key"));

    // GetProperty trims and falls back to the default.
    const QString group = path2.left(8), category = name2.left(8);
    modRegistry::SaveProperty(group, category, name, text);
    const QString property = modRegistry::GetProperty(group, category, name2, QStringLiteral("default"));
    FUZZ_CHECK(property == (text.trimmed().isEmpty() ? QStringLiteral("default") : text.trimmed()),
               what + QStringLiteral(" property read as ") + fuzz::show(property));
    return 0;
}

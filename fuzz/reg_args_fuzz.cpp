// SPDX-License-Identifier: MIT
// vantelo-reg's command line, one argument per line: "VERB\nKEY\n/v\nNAME\n/d\nDATA...".
// Properties: a key that is accepted splits again, written in canonical form or with its
// root in another letter case, into the same root and path; accepted switches rebuilt
// into arguments parse into the same options; data that "add" accepts prints as "query"
// shows it and parses back into the same bytes.

#include "FuzzCheck.h"
#include "common/core/RegCommandLine.h"

#include <QStringList>

using namespace RegCommandLine;

namespace {

void checkKey(const QString &full)
{
    RegRoot root{};
    QString path;
    if (!splitKey(full, root, path))
        return;
    FUZZ_CHECK(!RegKey::normalisePath(path).isEmpty(), fuzz::show(full));
    const bool user = root == RegRoot::CurrentUser;
    for (const QString &head :
         {user ? QStringLiteral("HKCU") : QStringLiteral("HKLM"),
          user ? QStringLiteral("hkey_current_user") : QStringLiteral("Hkey_Local_Machine")}) {
        RegRoot root2{};
        QString path2;
        FUZZ_CHECK(splitKey(head + u'\\' + path, root2, path2) && root2 == root && path2 == path,
                   fuzz::show(full) + QStringLiteral(" as ") + head);
    }
}

bool sameOptions(const Options &a, const Options &b)
{
    return a.hasName == b.hasName && a.hasData == b.hasData && a.name == b.name && a.data == b.data &&
           a.type == b.type;
}

void checkOptions(const QString &verb, const QStringList &args)
{
    Options o;
    if (!parseOptions(verb, args, o))
        return;
    QStringList rebuilt;
    if (o.hasName)
        rebuilt << QStringLiteral("/v") << o.name;
    if (o.hasData)
        rebuilt << QStringLiteral("/D") << o.data;
    if (verb == QStringLiteral("add"))
        rebuilt << QStringLiteral("/t") << o.type;
    if (verb != QStringLiteral("query"))
        rebuilt << QStringLiteral("/f");
    Options again;
    FUZZ_CHECK(parseOptions(verb, rebuilt, again) && sameOptions(o, again), fuzz::show(args.join(u'\n')));

    int type = REG_NONE;
    QByteArray bytes;
    if (const auto encoded = encodeData(o, type, bytes); !encoded) {
        FUZZ_CHECK(!encoded.error().message.isEmpty(), fuzz::show(args.join(u'\n')));
        return;
    }
    const QString shown = dataText(RegValue{o.name, type, bytes});
    FUZZ_CHECK(typeName(type) == o.type, o.type);
    Options printed = o;
    printed.data = shown;
    int type2 = REG_NONE;
    QByteArray bytes2;
    FUZZ_CHECK(encodeData(printed, type2, bytes2) && type2 == type && bytes2 == bytes,
               fuzz::show(o.data) + QStringLiteral(" shown as ") + fuzz::show(shown));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 2048)
        return 0;
    const QStringList args = QString::fromUtf8(fuzz::bytes(data, size)).split(u'\n');
    checkKey(args.value(1));
    checkOptions(args.value(0).toLower(), args.mid(2));
    return 0;
}

// SPDX-License-Identifier: MIT
#include "modUpdateServer.h"

#include "FtpSession.h"
#include "common/core/modRegistry.h"

#include <QRegularExpression>

#include <cmath>

namespace UpdateServer {

QString UserName()
{
    return QStringLiteral("webupdusr");
}
QString Password()
{
    return QStringLiteral("kxrw4817");
}
QString ServerFolder()
{
    return QStringLiteral("/vantelo_com/web/download/");
}
QString RemotePath(const QString &packageFile)
{
    return ServerFolder() + packageFile;
}

QString DefaultHost()
{
    return QStringLiteral(VANTELO_UPDATE_HOST);
}

Address ParseAddress(const QString &text)
{
    QString t = text.trimmed();
    Address a;
    for (const QString &scheme : {QStringLiteral("ftps://"), QStringLiteral("ftp://")}) {
        if (t.startsWith(scheme, Qt::CaseInsensitive)) {
            a.tls = scheme == QStringLiteral("ftps://");
            t = t.mid(scheme.size());
            break;
        }
    }
    while (t.endsWith(u'/'))
        t.chop(1);
    auto portOf = [](const QString &p) {
        bool ok = false;
        const int n = p.toInt(&ok);
        return ok && n > 0 && n < 65536 ? n : kDefaultPort;
    };
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close < 0) {
            a.host = t.mid(1);
            return a;
        }
        a.host = t.mid(1, close - 1);
        if (t.mid(close + 1).startsWith(u':'))
            a.port = portOf(t.mid(close + 2));
        return a;
    }
    if (t.count(u':') == 1) {
        const qsizetype colon = t.indexOf(u':');
        a.host = t.left(colon).trimmed();
        a.port = portOf(t.mid(colon + 1).trimmed());
        return a;
    }
    a.host = t; // a name, or a bare IPv6 address
    return a;
}

Result<Address> ServerAddress()
{
    const Result<QString> text = Reg::ReadAppSetting(QStringLiteral("UPDATE_HOST"));
    if (!text)
        return fail(QStringLiteral("UPDATE_HOST cannot be read: ") + text.error().message);
    Address a = ParseAddress(*text);
    if (a.host.isEmpty())
        a.host = DefaultHost();
    return a;
}

Result<QString> CertificateAuthorityFile()
{
    const Result<QString> text = Reg::ReadAppSetting(QStringLiteral("UPDATE_CA"));
    if (!text)
        return fail(QStringLiteral("UPDATE_CA cannot be read: ") + text.error().message);
    return text->trimmed();
}

Result<> Configure(FtpSession &session, bool passiveMode)
{
    const Result<Address> a = ServerAddress();
    if (!a)
        return tl::unexpected(a.error());
    Result<QString> ca = a->tls ? CertificateAuthorityFile() : QString();
    if (!ca)
        return tl::unexpected(ca.error());
    session.setHost(a->host, a->port);
    session.setTls(a->tls);
    session.setCaFile(*ca);
    session.setUserName(UserName());
    session.setPassword(Password());
    session.setTimeout(kTimeoutSeconds);
    session.setActiveMode(!passiveMode);
    return {};
}

SizeReply ParseSizeReply(const QString &reply)
{
    SizeReply r;
    if (!reply.isEmpty() && reply.at(0) > u'2')
        return r;
    r.available = true;
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch m = number.match(reply.mid(3).trimmed());
    // A number no file can have (beyond 2^53 bytes, or not finite) counts as none: the
    // download then refuses whatever length arrives instead of converting it.
    const double size = m.hasMatch() ? m.captured(0).toDouble() : 0;
    if (std::isfinite(size) && std::fabs(size) <= 9007199254740992.0)
        r.size = size;
    return r;
}

} // namespace UpdateServer

// SPDX-License-Identifier: MIT
// What the update server says, as the updater reads it: the final line of a reply block,
// its code, the reply to the size query; and the server address an administrator stores
// ("host", "host:port", "[v6]:port", with "ftp://" or "ftps://"). Properties: the final
// reply is one of the block's lines, a final line, and reads back as itself; a code is
// 0 or three digits; a reply is "not available" exactly when its class is 3, 4 or 5, and
// a reply with such a code is never taken as a size; the size is a number the download
// can take as a byte count and printed into a reply reads back the same; an address
// printed again reads back the same host, port and TLS choice.

#include "FuzzCheck.h"
#include "updater/net/FtpSession.h"
#include "updater/net/modUpdateServer.h"

#include <cmath>

namespace {

void checkSize(const QString &reply)
{
    const UpdateServer::SizeReply r = UpdateServer::ParseSizeReply(reply);
    const bool refused = !reply.isEmpty() && reply.at(0) > u'2';
    FUZZ_CHECK(r.available == !refused, fuzz::show(reply));
    if (!r.available)
        return;
    // The download converts it to a 64-bit byte count.
    FUZZ_CHECK(std::isfinite(r.size) && std::fabs(r.size) < 9.2e18,
               fuzz::show(reply) + QStringLiteral(" gives ") + QString::number(r.size, 'g', 17));
    const QString printed = QStringLiteral("213 ") + QString::number(r.size, 'g', 17);
    const UpdateServer::SizeReply again = UpdateServer::ParseSizeReply(printed);
    FUZZ_CHECK(again.available && again.size == r.size, fuzz::show(reply) + QStringLiteral(" -> ") + printed +
                                                            QStringLiteral(" -> ") +
                                                            QString::number(again.size, 'g', 17));
}

void checkReplyLines(const QByteArray &block)
{
    const QString reply = FtpSession::finalReply(block);
    if (!reply.isEmpty()) {
        FUZZ_CHECK(!reply.contains(u'\n') && reply == reply.trimmed(), fuzz::show(reply));
        FUZZ_CHECK(FtpSession::finalReply(reply.toUtf8() + "\r\n") == reply, fuzz::show(reply));
        FUZZ_CHECK(FtpSession::replyCode(reply) >= 100 || reply.at(0) == u'0',
                   fuzz::show(reply) + QStringLiteral(" has no code"));
    }
    const QString line = QString::fromUtf8(block);
    const int code = FtpSession::replyCode(line);
    FUZZ_CHECK(code >= 0 && code <= 999, fuzz::show(line));
    if (code >= 300)
        FUZZ_CHECK(!UpdateServer::ParseSizeReply(line).available, fuzz::show(line));
}

void checkAddress(const QString &text)
{
    const UpdateServer::Address a = UpdateServer::ParseAddress(text);
    FUZZ_CHECK(a.port > 0 && a.port < 65536, fuzz::show(text));
    if (a.host.isEmpty() || a.host.contains(u'[') || a.host.contains(u']') || a.host != a.host.trimmed())
        return;
    const QString port = QString::number(a.port);
    const QString printed =
        (a.tls ? QStringLiteral("ftps://") : QString()) +
        (a.host.contains(u':') ? u'[' + a.host + QStringLiteral("]:") + port : a.host + u':' + port);
    const UpdateServer::Address again = UpdateServer::ParseAddress(printed);
    FUZZ_CHECK(again.host == a.host && again.port == a.port && again.tls == a.tls,
               fuzz::show(text) + QStringLiteral(" -> ") + fuzz::show(printed) + QStringLiteral(" -> ") +
                   fuzz::show(again.host) + u' ' + QString::number(again.port));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 1024)
        return 0;
    const QByteArray bytes = fuzz::bytes(data, size);
    const QString text = QString::fromUtf8(bytes);
    checkReplyLines(bytes);
    checkSize(text);
    checkAddress(text);
    return 0;
}

// What the update server says, as the updater reads it: the reply to the size query, and
// the server address an administrator stores ("host", "host:port", "[v6]:port").
// Properties: a reply is "not available" exactly when its class is 3, 4 or 5; the size is
// a number the download can take as a byte count; a size printed into a reply reads back
// the same; an address printed again reads back the same host and port.

#include "FuzzCheck.h"
#include "modUpdateServer.h"

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

void checkAddress(const QString &text)
{
    const UpdateServer::Address a = UpdateServer::ParseAddress(text);
    FUZZ_CHECK(a.port > 0 && a.port < 65536, fuzz::show(text));
    if (a.host.isEmpty() || a.host.contains(u'[') || a.host.contains(u']') || a.host != a.host.trimmed())
        return;
    const QString port = QString::number(a.port);
    const QString printed =
        a.host.contains(u':') ? u'[' + a.host + QStringLiteral("]:") + port : a.host + u':' + port;
    const UpdateServer::Address again = UpdateServer::ParseAddress(printed);
    FUZZ_CHECK(again.host == a.host && again.port == a.port,
               fuzz::show(text) + QStringLiteral(" -> ") + fuzz::show(printed) + QStringLiteral(" -> ") +
                   fuzz::show(again.host) + u' ' + QString::number(again.port));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 1024)
        return 0;
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    checkSize(text);
    checkAddress(text);
    return 0;
}

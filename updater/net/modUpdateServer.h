// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>

class FtpSession;

// The maker's update server: where it is, how to log on, where the packages lie,
// and how its answer to the size query reads.
namespace UpdateServer {

inline constexpr int kDefaultPort = 21;
inline constexpr int kTimeoutSeconds = 75;

QString UserName();
QString Password();
QString ServerFolder(); // "/vantelo_com/web/download/"
QString RemotePath(const QString &packageFile);

struct Address {
    QString host;
    int port = kDefaultPort;
    bool tls = false; // "ftps://": explicit TLS (AUTH TLS) for control and data
};

// "host", "host:port", "[v6]:port" or a bare IPv6 address; a bad port counts as none.
// Any of them may start with "ftp://" or "ftps://" and end with "/".
Address ParseAddress(const QString &text);
// UPDATE_HOST under the updater's machine key, else the build's default. Fails when the
// machine hive cannot be read, since the setting it holds may ask for TLS.
Result<Address> ServerAddress();
// UPDATE_CA under the updater's machine key: a PEM file of the certificate authorities
// trusted for FTP over TLS instead of the system's store. Empty when not set.
Result<QString> CertificateAuthorityFile();
QString DefaultHost();

// Everything the session needs before connectAndLogOn(): the server (with TLS and its
// certificate authorities), the fixed log-on, the time-out, and passive or active data
// connections by the option. Fails, leaving the session as it was, when a setting cannot
// be read.
Result<> Configure(FtpSession &session, bool passiveMode);

struct SizeReply {
    bool available = false;
    double size = 0; // the number the reply starts with after its code; 0 when there is none
                     // or when no file can be that large
};
// A reply of class 3, 4 or 5 means the file is not available.
SizeReply ParseSizeReply(const QString &reply);

} // namespace UpdateServer

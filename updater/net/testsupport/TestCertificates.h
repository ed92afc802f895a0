// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Certificate authorities and server certificates made with the openssl tool in a
// folder, for the FTP-over-TLS tests: "<name>.pem" (certificate) and "<name>.key".
class TestCertificates final {
public:
    explicit TestCertificates(const QString &folder) : m_folder(folder) {}

    bool makeAuthority(const QString &name);
    // A server certificate signed by authority, for subjectAltName altNames
    // ("IP:127.0.0.1,DNS:localhost").
    bool makeServer(const QString &name, const QString &authority, const QString &altNames);

    QString pem(const QString &name) const { return m_folder + u'/' + name + QStringLiteral(".pem"); }
    QString key(const QString &name) const { return m_folder + u'/' + name + QStringLiteral(".key"); }
    QString error() const { return m_error; }

private:
    bool openssl(const QStringList &args);

    QString m_folder;
    QString m_error;
};

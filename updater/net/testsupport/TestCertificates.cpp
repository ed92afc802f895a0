// SPDX-License-Identifier: MIT
#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace {

const QStringList kEcKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

} // namespace

bool TestCertificates::openssl(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_folder);
    p.start(QStringLiteral("openssl"), args);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1: %2 %3")
                      .arg(args.join(u' '), p.errorString(), QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

bool TestCertificates::makeAuthority(const QString &name)
{
    return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey +
                   QStringList{QStringLiteral("-keyout"), key(name), QStringLiteral("-out"), pem(name),
                               QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                               QStringLiteral("/CN=") + name, QStringLiteral("-addext"),
                               QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
                               QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")});
}

bool TestCertificates::makeServer(const QString &name, const QString &authority, const QString &altNames)
{
    const QString csr = m_folder + u'/' + name + QStringLiteral(".csr");
    const QString ext = m_folder + u'/' + name + QStringLiteral(".ext");
    QFile f(ext);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = f.errorString();
        return false;
    }
    f.write(QStringLiteral("subjectAltName=%1\nbasicConstraints=CA:FALSE\nkeyUsage=digitalSignature\n"
                           "extendedKeyUsage=serverAuth\n")
                .arg(altNames)
                .toUtf8());
    f.close();
    return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")} + kEcKey +
                   QStringList{QStringLiteral("-keyout"), key(name), QStringLiteral("-out"), csr,
                               QStringLiteral("-subj"), QStringLiteral("/CN=") + name}) &&
           openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), csr,
                    QStringLiteral("-CA"), pem(authority), QStringLiteral("-CAkey"), key(authority),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), pem(name),
                    QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), ext});
}

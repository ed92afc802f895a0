// SPDX-License-Identifier: MIT
#include "MinisignKey.h"

#include <QFile>
#include <QProcess>

namespace {

bool runMinisign(const QStringList &args, QString *error)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("minisign"), args);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("minisign %1: %2 %3")
                     .arg(args.join(u' '), p.errorString(), QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

} // namespace

MinisignKey::MinisignKey(const QString &folder, const QString &name)
    : m_pub(folder + u'/' + name + QStringLiteral(".pub")),
      m_key(folder + u'/' + name + QStringLiteral(".key"))
{
    if (!runMinisign({QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-f"), QStringLiteral("-p"),
                      m_pub, QStringLiteral("-s"), m_key},
                     &m_error))
        return;
    QFile f(m_pub);
    if (!f.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("no public key file");
        return;
    }
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() != 2) {
        m_error = QStringLiteral("unexpected public key file");
        return;
    }
    m_keyId = lines[0].section(u' ', -1).trimmed(); // "untrusted comment: minisign public key <ID>"
    m_publicKey = lines[1].trimmed();
}

bool MinisignKey::sign(const QString &file, bool legacy, const QString &signature,
                       const QString &trustedComment) const
{
    QStringList args{QStringLiteral("-S"), QStringLiteral("-s"), m_key, QStringLiteral("-m"), file};
    if (legacy)
        args << QStringLiteral("-l");
    if (!signature.isEmpty())
        args << QStringLiteral("-x") << signature;
    if (!trustedComment.isEmpty())
        args << QStringLiteral("-t") << trustedComment;
    return runMinisign(args, &m_error);
}

// SPDX-License-Identifier: MIT
#include "PackageSignature.h"

#include "Minisign.h"
#include "common/core/modRegistry.h"

#include <QCoreApplication>
#include <QFile>

namespace PackageSignature {

namespace {

constexpr qint64 kMaxSignatureBytes = 64 * 1024; // real ones are some 300 bytes

QString fromStd(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

} // namespace

QString SignatureFile(const QString &packageFile)
{
    return packageFile + QStringLiteral(".minisig");
}

::Result<QString> ConfiguredKeys()
{
    return Reg::ReadAppSetting(QStringLiteral("UPDATE_PUBKEY")).map([](const QString &k) {
        return k.trimmed();
    });
}

QString RefusalText(const QString &packageFile)
{
    return QCoreApplication::translate("PackageSignature",
                                       "The update package %1 is not signed by the expected key.")
        .arg(packageFile);
}

Result Check(const QString &keysText, const QString &packagePath, const QString &signaturePath,
             const QString &packageName)
{
    Result r;
    std::vector<std::string> unreadable;
    const QByteArray keyBytes = keysText.toUtf8();
    const std::vector<Minisign::PublicKey> keys = Minisign::parsePublicKeys(
        std::string_view(keyBytes.constData(), size_t(keyBytes.size())), &unreadable);
    for (const std::string &word : unreadable)
        r.notes << QStringLiteral("Signature: ignoring \"%1\" in UPDATE_PUBKEY: not a minisign public key")
                       .arg(fromStd(word).left(60));
    if (keys.empty()) {
        // A key value that cannot be used must not turn the check off.
        r.reason = QStringLiteral("UPDATE_PUBKEY holds no usable minisign public key");
        return r;
    }

    QFile sigFile(signaturePath);
    if (!sigFile.open(QIODevice::ReadOnly)) {
        r.reason = QStringLiteral("the signature file %1 cannot be read: %2")
                       .arg(signaturePath, sigFile.errorString());
        return r;
    }
    const QByteArray sigBytes = sigFile.read(kMaxSignatureBytes + 1);
    std::string why;
    const std::optional<Minisign::Signature> sig =
        Minisign::parseSignature(std::string_view(sigBytes.constData(), size_t(sigBytes.size())), &why);
    if (!sig) {
        r.reason = fromStd(why);
        return r;
    }
    r.keyId = fromStd(Minisign::keyIdText(sig->keyId));
    const QByteArray name = packageName.toUtf8();
    const Minisign::Verdict v = Minisign::verifyFile(keys, *sig, QFile::encodeName(packagePath).toStdString(),
                                                     std::string_view(name.constData(), size_t(name.size())));
    if (!v.good) {
        r.reason = fromStd(v.reason);
        return r;
    }
    r.good = true;
    r.trustedComment = fromStd(sig->trustedComment);
    return r;
}

} // namespace PackageSignature

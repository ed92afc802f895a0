// SPDX-License-Identifier: MIT
#include "common/core/modRegistry.h"
#include "updater/core/Minisign.h"
#include "updater/core/PackageSignature.h"
#include "updater/core/testsupport/MinisignKey.h"
#include "updater/core/testsupport/UpdaterFixture.h"

#include <QFile>

namespace {

std::string_view view(const QByteArray &b)
{
    return {b.constData(), size_t(b.size())};
}

} // namespace

// Keys and signatures come from the real minisign tool, as a publisher makes them.
class PackageSignatures : public UpdaterTest {
protected:
    PackageSignatures()
        : m_key(m_env.root(), QStringLiteral("publisher")), m_other(m_env.root(), QStringLiteral("stranger"))
    {
        m_package = inTarget(QStringLiteral("mendrelparts.zip"));
        write(m_package, QByteArray("PK\3\4 a package body ") + QByteArray(100000, 'x'));
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_key.ok()) << m_key.error().toStdString();
        ASSERT_TRUE(m_other.ok()) << m_other.error().toStdString();
    }

    QString sig() const { return m_package + QStringLiteral(".minisig"); }

    PackageSignature::Result check(const QString &keys) const
    {
        return PackageSignature::Check(keys, m_package, sig(), QStringLiteral("mendrelparts.zip"));
    }

    MinisignKey m_key;
    MinisignKey m_other;
    QString m_package;
};

TEST_F(PackageSignatures, BothSignatureFormsVerifyWithKeyIdAndTrustedComment)
{
    for (bool legacy : {false, true}) {
        ASSERT_TRUE(m_key.sign(m_package, legacy)) << m_key.error().toStdString();
        const PackageSignature::Result r = check(m_key.publicKey());
        EXPECT_TRUE(r.good) << legacy << " " << r.reason.toStdString();
        EXPECT_EQ(r.keyId, m_key.keyId());
        EXPECT_TRUE(r.trustedComment.contains(QStringLiteral("file:mendrelparts.zip")))
            << r.trustedComment.toStdString();
        EXPECT_EQ(r.trustedComment.endsWith(QStringLiteral("\thashed")), !legacy);
    }
    // The buffer form agrees with the file form.
    const auto parsed = Minisign::parseSignature(view(read(sig())));
    const auto key = Minisign::parsePublicKey(view(m_key.publicKey().toUtf8()));
    ASSERT_TRUE(parsed && key);
    EXPECT_TRUE(Minisign::verify({*key}, *parsed, view(read(m_package))).good);
    EXPECT_FALSE(Minisign::verify({*key}, *parsed, view(read(m_package) + "x")).good);
}

TEST_F(PackageSignatures, EmptyPackageVerifiesInBothForms)
{
    write(m_package, "");
    for (bool legacy : {false, true}) {
        ASSERT_TRUE(m_key.sign(m_package, legacy));
        EXPECT_TRUE(check(m_key.publicKey()).good) << legacy;
    }
}

TEST_F(PackageSignatures, TamperedPackageOrForeignSignatureIsRefused)
{
    for (bool legacy : {false, true}) {
        ASSERT_TRUE(m_key.sign(m_package, legacy));
        QByteArray body = read(m_package);
        const QByteArray original = body;
        body[5000] = char(body[5000] ^ 1);
        write(m_package, body);
        PackageSignature::Result r = check(m_key.publicKey());
        EXPECT_FALSE(r.good);
        EXPECT_EQ(r.reason, QStringLiteral("the package does not match its signature")) << legacy;

        // A good signature, but of another file.
        write(m_package, original);
        const QString other = inTarget(QStringLiteral("other.bin"));
        write(other, "some other file");
        ASSERT_TRUE(m_key.sign(other, legacy, sig()));
        r = check(m_key.publicKey());
        EXPECT_FALSE(r.good);
        EXPECT_EQ(r.reason, QStringLiteral("the package does not match its signature"));
    }
}

TEST_F(PackageSignatures, SignatureOfAnotherKeyNamesItsKeyId)
{
    ASSERT_TRUE(m_other.sign(m_package));
    const PackageSignature::Result r = check(m_key.publicKey());
    EXPECT_FALSE(r.good);
    EXPECT_EQ(r.keyId, m_other.keyId());
    EXPECT_EQ(r.reason,
              QStringLiteral("the signature was made with key %1, which is not a configured update key")
                  .arg(m_other.keyId()));
}

TEST_F(PackageSignatures, TwoKeysAllowAKeyChange)
{
    MinisignKey third(m_env.root(), QStringLiteral("third"));
    ASSERT_TRUE(third.ok());
    const QString both = m_key.publicKey() + QStringLiteral("  \n ") + m_other.publicKey();
    for (const MinisignKey *k : {&m_key, &m_other}) {
        ASSERT_TRUE(k->sign(m_package));
        const PackageSignature::Result r = check(both);
        EXPECT_TRUE(r.good) << r.reason.toStdString();
        EXPECT_EQ(r.keyId, k->keyId());
    }
    ASSERT_TRUE(third.sign(m_package));
    EXPECT_FALSE(check(both).good);
}

TEST_F(PackageSignatures, MissingOrDamagedSignatureFileIsRefused)
{
    PackageSignature::Result r = check(m_key.publicKey());
    EXPECT_FALSE(r.good);
    EXPECT_TRUE(r.reason.startsWith(QStringLiteral("the signature file "))) << r.reason.toStdString();

    ASSERT_TRUE(m_key.sign(m_package));
    const QByteArray good = read(sig());
    QList<QByteArray> lines = good.split('\n');

    // Not base64 at all, then base64 of the wrong length.
    QByteArray bad = good;
    bad.replace(lines[1], lines[1].left(20) + "!!!!" + lines[1].mid(24));
    write(sig(), bad);
    r = check(m_key.publicKey());
    EXPECT_FALSE(r.good);
    EXPECT_EQ(r.reason, QStringLiteral("the signature line is not valid base64 of a minisign signature"));
    bad = good;
    bad.replace(lines[1], lines[1].left(lines[1].size() - 4));
    write(sig(), bad);
    EXPECT_FALSE(check(m_key.publicKey()).good);

    // Valid base64 whose signature bytes were changed.
    bad = good;
    QByteArray line = lines[1];
    line[40] = line[40] == 'A' ? 'B' : 'A';
    bad.replace(lines[1], line);
    write(sig(), bad);
    r = check(m_key.publicKey());
    EXPECT_FALSE(r.good);
    EXPECT_EQ(r.reason, QStringLiteral("the package does not match its signature"));

    // The global signature damaged, and a missing line.
    bad = good;
    bad.replace(lines[3], "%%%%");
    write(sig(), bad);
    EXPECT_EQ(check(m_key.publicKey()).reason,
              QStringLiteral("the trusted comment's signature is not valid base64"));
    write(sig(), lines[0] + '\n' + lines[1] + '\n');
    EXPECT_FALSE(check(m_key.publicKey()).good);
    write(sig(), "");
    EXPECT_FALSE(check(m_key.publicKey()).good);
}

TEST_F(PackageSignatures, TrustedCommentIsSignedAndNamesThePackage)
{
    ASSERT_TRUE(m_key.sign(m_package));
    const QByteArray good = read(sig());

    // An edited trusted comment no longer matches the global signature.
    QByteArray bad = good;
    bad.replace("file:mendrelparts.zip", "file:mendrelparts.zip ");
    write(sig(), bad);
    PackageSignature::Result r = check(m_key.publicKey());
    EXPECT_EQ(r.reason, QStringLiteral("the trusted comment does not match its signature"));

    // The same bytes signed under another name: a valid signature for the wrong package.
    const QString renamed = inTarget(QStringLiteral("mendrel.zip"));
    QFile::copy(m_package, renamed);
    ASSERT_TRUE(m_key.sign(renamed, false, sig()));
    r = check(m_key.publicKey());
    EXPECT_FALSE(r.good);
    EXPECT_EQ(r.reason, QStringLiteral("the signature is for the file mendrel.zip, not mendrelparts.zip"));

    // A trusted comment without a file name is accepted as it stands; CR LF lines too.
    ASSERT_TRUE(m_key.sign(m_package, false, {}, QStringLiteral("release 3.1.42")));
    write(sig(), read(sig()).replace("\n", "\r\n"));
    r = check(m_key.publicKey());
    EXPECT_TRUE(r.good) << r.reason.toStdString();
    EXPECT_EQ(r.trustedComment, QStringLiteral("release 3.1.42"));
}

TEST_F(PackageSignatures, KeyValueForms)
{
    ASSERT_TRUE(m_key.sign(m_package));
    // A pasted .pub file works; stray words are reported but do not stop a good key.
    PackageSignature::Result r = check(QString::fromUtf8(read(m_key.publicKeyFile())));
    EXPECT_TRUE(r.good) << r.reason.toStdString();
    r = check(QStringLiteral("RWnotakey ") + m_key.publicKey());
    EXPECT_TRUE(r.good);
    ASSERT_EQ(r.notes.size(), 1);
    EXPECT_TRUE(r.notes[0].contains(QStringLiteral("RWnotakey")));
    // A value with no usable key refuses every package rather than checking nothing.
    r = check(QStringLiteral("RWnotakey"));
    EXPECT_FALSE(r.good);
    EXPECT_EQ(r.reason, QStringLiteral("UPDATE_PUBKEY holds no usable minisign public key"));

    Reg::SaveAppSetting(QStringLiteral("UPDATE_PUBKEY"), QStringLiteral("  ") + m_key.publicKey() + u' ');
    EXPECT_EQ(PackageSignature::ConfiguredKeys(), m_key.publicKey());
}

TEST(Minisign, ParsersRefuseWhatMinisignWouldNot)
{
    // Key id printed as minisign prints it, from a key line of known bytes.
    const auto key = Minisign::parsePublicKey("RWQ+UUcTj3vq2HucDK8aGJyd7MJVGmVIHLUXWw7us9PbEfGC7tFoXRRS");
    ASSERT_TRUE(key);
    EXPECT_EQ(Minisign::keyIdText(key->keyId), "D8EA7B8F1347513E");
    EXPECT_EQ(Minisign::keyIdText({0x84, 0x35, 0xBD, 0x14, 0x89, 0x23, 0x4B, 0x09}), "94B238914BD3584");

    std::string why;
    EXPECT_FALSE(Minisign::parsePublicKey("", &why));
    EXPECT_FALSE(Minisign::parsePublicKey("RWQ+UUcTj3vq2HucDK8aGJyd7MJVGmVIHLUXWw7us9PbEfGC7tFoXRR", &why));
    // Same length, another algorithm ("Xd").
    EXPECT_FALSE(Minisign::parsePublicKey("WGQ+UUcTj3vq2HucDK8aGJyd7MJVGmVIHLUXWw7us9PbEfGC7tFoXRRS", &why));
    EXPECT_EQ(why, "the key is not an Ed25519 minisign key");

    EXPECT_FALSE(Minisign::parseSignature(std::string("untrusted comment: x\n\0\n", 23), &why));
    EXPECT_FALSE(Minisign::parseSignature(std::string(70000, 'a'), &why));
    EXPECT_EQ(why, "the signature file is too large");

    EXPECT_EQ(Minisign::trustedFileName("timestamp:1\tfile:a b.zip\thashed"),
              std::optional<std::string>("a b.zip"));
    EXPECT_FALSE(Minisign::trustedFileName("timestamp:1 profile:x"));
}

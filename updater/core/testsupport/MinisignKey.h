// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// A key pair made by the real minisign tool (no password) in a folder, and signatures
// made with it: what a publisher does before uploading a package.
class MinisignKey final {
public:
    MinisignKey(const QString &folder, const QString &name);

    bool ok() const { return !m_publicKey.isEmpty(); }
    QString error() const { return m_error; }
    QString publicKeyFile() const { return m_pub; }
    QString publicKey() const { return m_publicKey; } // the "RW..." line
    QString keyId() const { return m_keyId; }         // as minisign prints it

    // Signs file into signature (default "<file>.minisig"): the default pre-hashed form,
    // or the legacy form with -l. An empty trustedComment keeps minisign's default one.
    bool sign(const QString &file, bool legacy = false, const QString &signature = {},
              const QString &trustedComment = {}) const;

private:
    QString m_pub;
    QString m_key;
    QString m_publicKey;
    QString m_keyId;
    mutable QString m_error;
};

// SPDX-License-Identifier: MIT
#pragma once

#include "common/core/Result.h"

#include <QString>
#include <QStringList>

// Whether a downloaded package was signed by one of the update keys, the machine
// value UPDATE_PUBKEY under the updater's key (minisign public keys, separated by blanks).
namespace PackageSignature {

QString SignatureFile(const QString &packageFile); // "<package>.minisig"

// UPDATE_PUBKEY as stored, trimmed; empty means signatures are not checked. Fails when
// the machine hive cannot be read: a key that cannot be read is not a key that is absent.
::Result<QString> ConfiguredKeys();

struct Result {
    bool good = false;
    QString keyId;          // of the signature, when it could be read
    QString trustedComment; // when good
    QString reason;         // in words, when not good
    QStringList notes;      // for the log: key words that were ignored
};

// Verifies packagePath with its signature file against keysText. packageName is the
// name the trusted comment's "file:" must carry, when it carries one.
Result Check(const QString &keysText, const QString &packagePath, const QString &signaturePath,
             const QString &packageName);

// The user's box when a package is refused.
QString RefusalText(const QString &packageFile);

} // namespace PackageSignature

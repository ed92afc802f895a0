// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// minisign public keys and signatures (Ed25519 through libsodium), read from bytes
// exactly as the minisign tool writes them. No Qt, no files except verifyFile(), so
// the parsers can be driven straight from a byte buffer.
namespace Minisign {

using KeyId = std::array<std::uint8_t, 8>;

struct PublicKey {
    KeyId keyId{};
    std::array<std::uint8_t, 32> key{};
};

struct Signature {
    bool prehashed = false; // "ED": over the file's BLAKE2b-512; "Ed" (legacy): over the file itself
    KeyId keyId{};
    std::array<std::uint8_t, 64> signature{};
    std::string untrustedComment; // after "untrusted comment: "; not covered by any signature
    std::string trustedComment;   // after "trusted comment: "; covered by globalSignature
    std::array<std::uint8_t, 64> globalSignature{};
};

// One public key: its base64 line ("RW..."), alone or with the .pub file's comment line.
// why, when given, receives the reason in words on failure.
std::optional<PublicKey> parsePublicKey(std::string_view text, std::string *why = nullptr);

// Keys separated by blanks or line breaks; "untrusted comment:" lines are skipped, so a
// pasted .pub file works too. Words that are not keys go to unreadable.
std::vector<PublicKey> parsePublicKeys(std::string_view text, std::vector<std::string> *unreadable = nullptr);

// A .minisig file: untrusted comment, signature, trusted comment, global signature.
std::optional<Signature> parseSignature(std::string_view text, std::string *why = nullptr);

// The key id as minisign prints it in the .pub file ("D8EA7B8F1347513E", no leading zeros).
std::string keyIdText(const KeyId &id);

// The value of the trusted comment's "file:" field (fields are tab-separated), if any.
std::optional<std::string> trustedFileName(std::string_view trustedComment);

struct Verdict {
    bool good = false;
    std::string reason; // in words, when not good
    std::string keyId;  // of the signature, also when it is refused
};

// Checks the signature against the key with its key id among keys, then the trusted
// comment, then (when expectedName is not empty) the comment's file name.
Verdict verify(const std::vector<PublicKey> &keys, const Signature &sig, std::string_view message,
               std::string_view expectedName = {});
// The same over a file, read once; a prehashed signature never holds the file in memory.
Verdict verifyFile(const std::vector<PublicKey> &keys, const Signature &sig, const std::string &path,
                   std::string_view expectedName = {});

} // namespace Minisign

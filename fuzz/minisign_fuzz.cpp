// SPDX-License-Identifier: MIT
// The update key and the package's signature file, both read from bytes as the minisign
// tool writes them, and the verdict on a message. Input: key text, then a line "%%%",
// then the signature file, then "%%%", then the message. Properties: a key or signature
// that is accepted, written again in minisign's form, reads back the same; a key id
// printed as minisign prints it reads back as the same id; the trusted comment's file
// name is one of its tab-separated fields; a signature that verifies no longer verifies
// once one byte of the message changes, and never names another file than expected.

#include "FuzzCheck.h"
#include "updater/core/Minisign.h"

#include <sodium.h>

#include <cstdlib>
#include <string>

namespace {

std::string base64(const std::uint8_t *data, std::size_t size)
{
    std::string out(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), data, size, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1); // the terminating NUL
    return out;
}

QString show(std::string_view s)
{
    return fuzz::show(QString::fromUtf8(s.data(), qsizetype(s.size())));
}

void checkKeyId(const Minisign::KeyId &id)
{
    const std::string text = Minisign::keyIdText(id);
    FUZZ_CHECK(!text.empty() && text.size() <= 16 && (text == "0" || text.front() != '0'), show(text));
    const unsigned long long n = std::strtoull(text.c_str(), nullptr, 16);
    Minisign::KeyId back{};
    for (std::size_t i = 0; i < back.size(); ++i)
        back[i] = std::uint8_t(n >> (8 * i));
    FUZZ_CHECK(back == id, show(text));
}

void checkKeys(std::string_view text)
{
    if (const auto key = Minisign::parsePublicKey(text)) {
        std::uint8_t raw[42] = {'E', 'd'};
        std::copy(key->keyId.begin(), key->keyId.end(), raw + 2);
        std::copy(key->key.begin(), key->key.end(), raw + 10);
        const std::string written = "untrusted comment: minisign public key " +
                                    Minisign::keyIdText(key->keyId) + "\n" + base64(raw, sizeof raw) + "\n";
        const auto again = Minisign::parsePublicKey(written);
        FUZZ_CHECK(again && again->keyId == key->keyId && again->key == key->key, show(text));
        checkKeyId(key->keyId);
    }
    std::vector<std::string> unreadable;
    for (const Minisign::PublicKey &k : Minisign::parsePublicKeys(text, &unreadable))
        checkKeyId(k.keyId);
    for (const std::string &word : unreadable)
        FUZZ_CHECK(!word.empty() && !Minisign::parsePublicKey(word), show(word));
}

std::optional<Minisign::Signature> checkSignature(std::string_view text)
{
    std::string why;
    const auto sig = Minisign::parseSignature(text, &why);
    if (!sig) {
        FUZZ_CHECK(!why.empty(), show(text));
        return sig;
    }
    std::uint8_t raw[74] = {'E', std::uint8_t(sig->prehashed ? 'D' : 'd')};
    std::copy(sig->keyId.begin(), sig->keyId.end(), raw + 2);
    std::copy(sig->signature.begin(), sig->signature.end(), raw + 10);
    const std::string written = "untrusted comment: " + sig->untrustedComment + "\n" +
                                base64(raw, sizeof raw) + "\ntrusted comment: " + sig->trustedComment + "\n" +
                                base64(sig->globalSignature.data(), sig->globalSignature.size()) + "\n";
    const auto again = Minisign::parseSignature(written, &why);
    FUZZ_CHECK(
        again && again->prehashed == sig->prehashed && again->keyId == sig->keyId &&
            again->signature == sig->signature && again->untrustedComment == sig->untrustedComment &&
            again->trustedComment == sig->trustedComment && again->globalSignature == sig->globalSignature,
        show(text) + QStringLiteral(" written as ") + show(written) + QStringLiteral(": ") + show(why));
    checkKeyId(sig->keyId);

    if (const auto file = Minisign::trustedFileName(sig->trustedComment)) {
        FUZZ_CHECK(file->find('\t') == std::string::npos, show(sig->trustedComment));
        const std::string field = "file:" + *file;
        const std::string tabbed = "\t" + sig->trustedComment + "\t";
        FUZZ_CHECK(tabbed.find("\t" + field + "\t") != std::string::npos, show(sig->trustedComment));
    }
    return sig;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 70000)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t first = input.find("%%%\n");
    const std::string_view keyText = input.substr(0, first);
    std::string_view rest = first == std::string_view::npos ? std::string_view() : input.substr(first + 4);
    const std::size_t second = rest.find("%%%\n");
    const std::string_view sigText = rest.substr(0, second);
    const std::string_view message =
        second == std::string_view::npos ? std::string_view() : rest.substr(second + 4);

    checkKeys(keyText);
    const auto sig = checkSignature(sigText);
    if (!sig)
        return 0;
    const std::vector<Minisign::PublicKey> keys = Minisign::parsePublicKeys(keyText);
    const Minisign::Verdict v = Minisign::verify(keys, *sig, message, "package.zip");
    FUZZ_CHECK(v.good || !v.reason.empty(), show(sigText));
    if (!v.good)
        return 0;
    const auto file = Minisign::trustedFileName(sig->trustedComment);
    FUZZ_CHECK(!file || *file == "package.zip", show(sig->trustedComment));
    if (!message.empty()) {
        std::string changed(message);
        changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
        FUZZ_CHECK(!Minisign::verify(keys, *sig, changed, "package.zip").good, show(message));
    }
    return 0;
}

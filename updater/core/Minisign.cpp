// SPDX-License-Identifier: MIT
#include "Minisign.h"

#include "common/core/PosixHandles.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Minisign {

namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
// minisign's own limits, with room: no real signature file comes near them.
constexpr std::size_t kMaxSignatureFile = 64 * 1024;
constexpr std::size_t kMaxTrustedComment = 8192;

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool fail(std::string *why, std::string text)
{
    if (why)
        *why = std::move(text);
    return false;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The line without its line break (LF or CR LF); nothing else is removed, because a
// trusted comment is signed byte for byte.
std::string_view withoutBreak(std::string_view s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        out.push_back(withoutBreak(text.substr(0, nl)));
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
    return out;
}

// Exactly n bytes of standard base64, nothing before or after.
template <std::size_t N> bool decodeExact(std::string_view b64, std::array<std::uint8_t, N> &out)
{
    if (b64.empty() || b64.size() > 4 * (N / 3 + 2) || !sodiumReady())
        return false;
    std::uint8_t buf[N + 3];
    std::size_t len = 0;
    const char *end = nullptr;
    if (sodium_base642bin(buf, sizeof buf, b64.data(), b64.size(), nullptr, &len, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != b64.data() + b64.size() || len != N)
        return false;
    std::memcpy(out.data(), buf, N);
    return true;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

const PublicKey *keyFor(const std::vector<PublicKey> &keys, const KeyId &id)
{
    for (const PublicKey &k : keys)
        if (k.keyId == id)
            return &k;
    return nullptr;
}

// Everything after the message's own check: the trusted comment and its file name.
Verdict finishVerdict(const PublicKey &key, const Signature &sig, bool messageGood,
                      std::string_view expectedName)
{
    Verdict v;
    v.keyId = keyIdText(sig.keyId);
    if (!messageGood) {
        v.reason = "the package does not match its signature";
        return v;
    }
    std::string signedComment(sig.signature.begin(), sig.signature.end());
    signedComment += sig.trustedComment;
    if (crypto_sign_verify_detached(sig.globalSignature.data(),
                                    reinterpret_cast<const unsigned char *>(signedComment.data()),
                                    signedComment.size(), key.key.data()) != 0) {
        v.reason = "the trusted comment does not match its signature";
        return v;
    }
    const std::optional<std::string> file = trustedFileName(sig.trustedComment);
    if (file && !expectedName.empty() && *file != expectedName) {
        v.reason = "the signature is for the file " + *file + ", not " + std::string(expectedName);
        return v;
    }
    v.good = true;
    return v;
}

// The key the signature names, or the reason why there is none.
const PublicKey *findKey(const std::vector<PublicKey> &keys, const Signature &sig, Verdict &v)
{
    v.keyId = keyIdText(sig.keyId);
    if (!sodiumReady()) {
        v.reason = "the signature library could not be started";
        return nullptr;
    }
    if (keys.empty()) {
        v.reason = "no update key is configured";
        return nullptr;
    }
    const PublicKey *key = keyFor(keys, sig.keyId);
    if (!key)
        v.reason = "the signature was made with key " + v.keyId + ", which is not a configured update key";
    return key;
}

} // namespace

std::optional<PublicKey> parsePublicKey(std::string_view text, std::string *why)
{
    std::string_view line;
    int found = 0;
    for (std::string_view l : lines(text)) {
        l = trimmed(l);
        if (l.empty() || startsWith(l, "untrusted comment:"))
            continue;
        line = l;
        ++found;
    }
    if (found != 1)
        return fail(why, found ? "more than one key line" : "no key"), std::nullopt;
    std::array<std::uint8_t, 42> raw{};
    if (!decodeExact(line, raw))
        return fail(why, "\"" + std::string(line.substr(0, 60)) + "\" is not a minisign public key"),
               std::nullopt;
    if (raw[0] != 'E' || raw[1] != 'd')
        return fail(why, "the key is not an Ed25519 minisign key"), std::nullopt;
    PublicKey k;
    std::copy_n(raw.begin() + 2, 8, k.keyId.begin());
    std::copy_n(raw.begin() + 10, 32, k.key.begin());
    return k;
}

std::vector<PublicKey> parsePublicKeys(std::string_view text, std::vector<std::string> *unreadable)
{
    std::vector<PublicKey> keys;
    for (std::string_view l : lines(text)) {
        if (startsWith(trimmed(l), "untrusted comment:"))
            continue;
        while (!l.empty()) {
            while (!l.empty() && isBlank(l.front()))
                l.remove_prefix(1);
            std::size_t n = 0;
            while (n < l.size() && !isBlank(l[n]))
                ++n;
            if (n == 0)
                break;
            const std::string_view word = l.substr(0, n);
            l.remove_prefix(n);
            if (std::optional<PublicKey> k = parsePublicKey(word))
                keys.push_back(*k);
            else if (unreadable)
                unreadable->emplace_back(word);
        }
    }
    return keys;
}

std::optional<Signature> parseSignature(std::string_view text, std::string *why)
{
    if (text.size() > kMaxSignatureFile)
        return fail(why, "the signature file is too large"), std::nullopt;
    if (text.find('\0') != std::string_view::npos)
        return fail(why, "the signature file is not text"), std::nullopt;
    std::vector<std::string_view> l = lines(text);
    while (!l.empty() && trimmed(l.back()).empty())
        l.pop_back();
    if (l.size() != 4)
        return fail(why, "the signature file does not have the four lines of a minisign signature"),
               std::nullopt;
    if (!startsWith(l[0], kUntrustedPrefix))
        return fail(why, "the signature file does not start with an untrusted comment"), std::nullopt;
    if (!startsWith(l[2], kTrustedPrefix))
        return fail(why, "the signature file has no trusted comment"), std::nullopt;

    Signature s;
    s.untrustedComment = std::string(l[0].substr(kUntrustedPrefix.size()));
    s.trustedComment = std::string(l[2].substr(kTrustedPrefix.size()));
    if (s.trustedComment.size() > kMaxTrustedComment)
        return fail(why, "the trusted comment is too long"), std::nullopt;

    std::array<std::uint8_t, 74> raw{};
    if (!decodeExact(trimmed(l[1]), raw))
        return fail(why, "the signature line is not valid base64 of a minisign signature"), std::nullopt;
    if (raw[0] == 'E' && raw[1] == 'd')
        s.prehashed = false;
    else if (raw[0] == 'E' && raw[1] == 'D')
        s.prehashed = true;
    else
        return fail(why, "the signature uses an unknown algorithm"), std::nullopt;
    std::copy_n(raw.begin() + 2, 8, s.keyId.begin());
    std::copy_n(raw.begin() + 10, 64, s.signature.begin());
    if (!decodeExact(trimmed(l[3]), s.globalSignature))
        return fail(why, "the trusted comment's signature is not valid base64"), std::nullopt;
    return s;
}

std::string keyIdText(const KeyId &id)
{
    // minisign prints the id as a little-endian 64-bit number in hex, without leading zeros.
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (auto it = id.rbegin(); it != id.rend(); ++it) {
        out += hex[*it >> 4];
        out += hex[*it & 15];
    }
    const std::size_t first = out.find_first_not_of('0');
    return first == std::string::npos ? "0" : out.substr(first);
}

std::optional<std::string> trustedFileName(std::string_view trustedComment)
{
    while (true) {
        const std::size_t tab = trustedComment.find('\t');
        const std::string_view field = trustedComment.substr(0, tab);
        if (startsWith(field, "file:"))
            return std::string(field.substr(5));
        if (tab == std::string_view::npos)
            return std::nullopt;
        trustedComment.remove_prefix(tab + 1);
    }
}

Verdict verify(const std::vector<PublicKey> &keys, const Signature &sig, std::string_view message,
               std::string_view expectedName)
{
    Verdict v;
    const PublicKey *key = findKey(keys, sig, v);
    if (!key)
        return v;
    const auto *data = reinterpret_cast<const unsigned char *>(message.data());
    bool good = false;
    if (sig.prehashed) {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, data, message.size(), nullptr, 0);
        good = crypto_sign_verify_detached(sig.signature.data(), hash, sizeof hash, key->key.data()) == 0;
    } else {
        good = crypto_sign_verify_detached(sig.signature.data(), data, message.size(), key->key.data()) == 0;
    }
    return finishVerdict(*key, sig, good, expectedName);
}

Verdict verifyFile(const std::vector<PublicKey> &keys, const Signature &sig, const std::string &path,
                   std::string_view expectedName)
{
    Verdict v;
    const PublicKey *key = findKey(keys, sig, v);
    if (!key)
        return v;
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        v.reason = "the package " + path + " cannot be read";
        return v;
    }
    bool good = false;
    if (sig.prehashed) {
        crypto_generichash_state state;
        crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
        std::unique_ptr<unsigned char[]> buf(new unsigned char[1 << 16]);
        ssize_t n = 0;
        while ((n = ::read(file.get(), buf.get(), 1 << 16)) > 0)
            crypto_generichash_update(&state, buf.get(), static_cast<unsigned long long>(n));
        if (n < 0) {
            v.reason = "the package " + path + " cannot be read";
            return v;
        }
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash_final(&state, hash, sizeof hash);
        good = crypto_sign_verify_detached(sig.signature.data(), hash, sizeof hash, key->key.data()) == 0;
    } else {
        // The legacy form signs the file itself, so it has to be seen whole.
        const ReadMapping map(file.get(), static_cast<std::size_t>(st.st_size));
        if (!map.ok()) {
            v.reason = "the package " + path + " cannot be read";
            return v;
        }
        good =
            crypto_sign_verify_detached(sig.signature.data(), map.data(), map.size(), key->key.data()) == 0;
    }
    return finishVerdict(*key, sig, good, expectedName);
}

} // namespace Minisign

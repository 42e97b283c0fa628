#include "archive/winzipaes.h"

#include <cstring>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace archive {

namespace {

constexpr int kRounds = 1000;
// Key stream made per refill: 4096 blocks.
constexpr std::size_t kStreamBytes = 64 * 1024;

int keyLength(AesStrength strength)
{
    switch (strength) {
    case AesStrength::Aes128:
        return 16;
    case AesStrength::Aes192:
        return 24;
    case AesStrength::Aes256:
        break;
    }
    return 32;
}

const EVP_CIPHER* cipherFor(AesStrength strength)
{
    switch (strength) {
    case AesStrength::Aes128:
        return EVP_aes_128_ecb();
    case AesStrength::Aes192:
        return EVP_aes_192_ecb();
    case AesStrength::Aes256:
        break;
    }
    return EVP_aes_256_ecb();
}

} // namespace

struct WinZipAes::Contexts {
    EVP_CIPHER_CTX* cipher = nullptr;
    EVP_MAC* macType = nullptr;
    EVP_MAC_CTX* mac = nullptr;
    ~Contexts()
    {
        EVP_CIPHER_CTX_free(cipher);
        EVP_MAC_CTX_free(mac);
        EVP_MAC_free(macType);
    }
};

int saltLength(AesStrength strength)
{
    return keyLength(strength) / 2;
}

WinZipAes::WinZipAes(AesStrength strength, const QByteArray& password, const QByteArray& salt)
    : m_ctx(std::make_unique<Contexts>())
{
    const int keyLen = keyLength(strength);
    if (salt.size() != saltLength(strength))
        return;
    std::vector<unsigned char> derived(2 * keyLen + kVerifierLength);
    if (PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()),
                               reinterpret_cast<const unsigned char*>(salt.constData()),
                               int(salt.size()), kRounds, int(derived.size()),
                               derived.data()) != 1)
        return;
    m_verifier = QByteArray(reinterpret_cast<const char*>(derived.data()) + 2 * keyLen,
                            kVerifierLength);

    m_ctx->cipher = EVP_CIPHER_CTX_new();
    if (!m_ctx->cipher ||
        EVP_EncryptInit_ex(m_ctx->cipher, cipherFor(strength), nullptr, derived.data(), nullptr) !=
            1)
        return;
    EVP_CIPHER_CTX_set_padding(m_ctx->cipher, 0);

    m_ctx->macType = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (!m_ctx->macType)
        return;
    m_ctx->mac = EVP_MAC_CTX_new(m_ctx->macType);
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    if (!m_ctx->mac ||
        EVP_MAC_init(m_ctx->mac, derived.data() + keyLen, std::size_t(keyLen), params) != 1)
        return;
    OPENSSL_cleanse(derived.data(), derived.size());
    m_ok = true;
}

WinZipAes::~WinZipAes() = default;

void WinZipAes::refill()
{
    m_stream.resize(kStreamBytes);
    std::uint8_t* p = m_stream.data();
    for (std::size_t i = 0; i < kStreamBytes; i += 16, ++m_counter) {
        std::uint64_t c = m_counter;
        for (int b = 0; b < 8; ++b) {
            p[i + b] = std::uint8_t(c & 0xff);
            c >>= 8;
        }
        std::memset(p + i + 8, 0, 8);
    }
    int outLen = 0;
    EVP_EncryptUpdate(m_ctx->cipher, p, &outLen, p, int(kStreamBytes));
    m_pos = 0;
}

void WinZipAes::xorKeyStream(std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        if (m_pos >= m_stream.size())
            refill();
        const std::size_t n = std::min(size, m_stream.size() - m_pos);
        const std::uint8_t* ks = m_stream.data() + m_pos;
        for (std::size_t i = 0; i < n; ++i)
            data[i] ^= ks[i];
        data += n;
        size -= n;
        m_pos += n;
    }
}

void WinZipAes::encrypt(std::uint8_t* data, std::size_t size)
{
    xorKeyStream(data, size);
    EVP_MAC_update(m_ctx->mac, data, size);
}

void WinZipAes::decrypt(std::uint8_t* data, std::size_t size)
{
    EVP_MAC_update(m_ctx->mac, data, size);
    xorKeyStream(data, size);
}

QByteArray WinZipAes::authCode()
{
    unsigned char out[EVP_MAX_MD_SIZE];
    std::size_t len = 0;
    if (!m_ok || EVP_MAC_final(m_ctx->mac, out, &len, sizeof out) != 1 ||
        len < std::size_t(kAuthCodeLength))
        return {};
    return QByteArray(reinterpret_cast<const char*>(out), kAuthCodeLength);
}

QByteArray WinZipAes::randomSalt(AesStrength strength)
{
    QByteArray salt(saltLength(strength), Qt::Uninitialized);
    RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), int(salt.size()));
    return salt;
}

} // namespace archive

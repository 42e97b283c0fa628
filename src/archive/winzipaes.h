#pragma once
// WinZip AES member encryption (AE-1 and AE-2): keys derived from the
// password and a per-member salt with PBKDF2-HMAC-SHA1 (1000 rounds), AES in
// counter mode with a little-endian counter starting at 1, and HMAC-SHA1
// over the encrypted bytes, cut to 10 bytes, as the authentication code.
// Standard tools (7-Zip, WinZip, Info-ZIP's successors) read it.
//
// Bulk work: the key stream is made many blocks per call, so that the
// processor's AES instructions run at full speed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <QByteArray>

namespace archive {

// Strength as stored in the AES extra field: 1, 2, 3 for 128, 192, 256 bits.
enum class AesStrength : std::uint8_t { Aes128 = 1, Aes192 = 2, Aes256 = 3 };

int saltLength(AesStrength strength);
inline constexpr int kAuthCodeLength = 10;
inline constexpr int kVerifierLength = 2;

class WinZipAes {
public:
    // Keys for `password` and `salt` (saltLength bytes). The verifier is the
    // two bytes stored after the salt; a reader compares them first.
    WinZipAes(AesStrength strength, const QByteArray& password, const QByteArray& salt);
    ~WinZipAes();
    WinZipAes(const WinZipAes&) = delete;
    WinZipAes& operator=(const WinZipAes&) = delete;

    bool ok() const { return m_ok; }
    QByteArray verifier() const { return m_verifier; }

    // In place. Encrypt authenticates the result; decrypt authenticates its
    // input. One object serves one direction of one member.
    void encrypt(std::uint8_t* data, std::size_t size);
    void decrypt(std::uint8_t* data, std::size_t size);
    // The 10-byte authentication code of everything passed so far.
    QByteArray authCode();

    // A fresh random salt for a member.
    static QByteArray randomSalt(AesStrength strength);

private:
    void xorKeyStream(std::uint8_t* data, std::size_t size);
    void refill();

    struct Contexts;
    std::unique_ptr<Contexts> m_ctx;
    bool m_ok = false;
    QByteArray m_verifier;
    std::uint64_t m_counter = 1;
    std::vector<std::uint8_t> m_stream; // key stream not used yet from m_pos on
    std::size_t m_pos = 0;
};

} // namespace archive

#pragma once
// Writes a ZIP archive member by member into a seekable device: stored or
// deflated, WinZip AES-256 encrypted when a password is given (AE-2: the
// authentication code replaces the CRC), ZIP64 records where sizes or counts
// need them, UTF-8 names flagged as such.
//
// libzip 1.7 would do this too, but it encrypts one 16-byte block per call
// and packs a 500 MB bundle at about 20 MB/s; this writer runs at the speed
// of the disk. Reading stays with libzip (zipreader.h).

#include <cstdint>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QIODevice;

namespace archive {

class WinZipAes;

class ZipWriter {
public:
    enum class Method { Store, Deflate };

    // `out` must be open for writing, seekable, and outlive the writer.
    explicit ZipWriter(QIODevice* out);
    ~ZipWriter();

    // Starts a member. `sizeHint` is the plain size when known (-1 when not):
    // it decides whether the local header carries ZIP64 sizes. With a
    // non-empty password the member is encrypted.
    bool beginEntry(const QString& name, Method method, const QDateTime& modified,
                    qint64 sizeHint, const QByteArray& password);
    // Plain bytes of the current member.
    bool write(const char* data, qint64 size);
    bool endEntry();
    // Writes the central directory, with `comment` (at most 65535 bytes) as
    // the archive's comment. The device is left open.
    bool finish(const QByteArray& comment = {});

private:
    struct Entry {
        QByteArray name;
        std::uint16_t method = 0; // the real method (0 or 8)
        bool encrypted = false;
        bool zip64Local = false;
        std::uint16_t dosTime = 0, dosDate = 0;
        std::uint32_t crc = 0;
        std::uint64_t plainSize = 0, storedSize = 0, offset = 0;
    };
    bool writeOut(const char* data, qint64 size);
    bool emitStored(const char* data, qint64 size); // encrypts when needed, counts
    static std::uint16_t flagsOf(const Entry& e);
    QByteArray localHeader(const Entry& e) const;
    QByteArray centralHeader(const Entry& e) const;

    QIODevice* m_out;
    std::vector<Entry> m_entries;
    bool m_open = false;
    Entry m_cur;
    std::unique_ptr<WinZipAes> m_aes;
    struct Deflater;
    std::unique_ptr<Deflater> m_deflate;
    QByteArray m_buffer;
};

} // namespace archive

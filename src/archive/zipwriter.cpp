#include "archive/zipwriter.h"

#include <algorithm>
#include <cstring>

#include <QIODevice>

#include <zlib.h>

#include "archive/winzipaes.h"

namespace archive {

namespace {

constexpr std::uint16_t kMethodAes = 99;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint32_t kMax32 = 0xffffffffu;
constexpr std::uint16_t kVersionNeeded = 51; // AES; also covers ZIP64 (45)
constexpr std::uint16_t kVersionMadeBy = (3 << 8) | 63; // Unix, 6.3
constexpr AesStrength kStrength = AesStrength::Aes256;

void put16(QByteArray& b, std::uint16_t v)
{
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}
void put32(QByteArray& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}
void put64(QByteArray& b, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

void dosDateTime(const QDateTime& when, std::uint16_t* time, std::uint16_t* date)
{
    QDateTime t = when.isValid() ? when.toLocalTime() : QDateTime::currentDateTime();
    if (t.date().year() < 1980)
        t = QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    *time = std::uint16_t((t.time().hour() << 11) | (t.time().minute() << 5) |
                          (t.time().second() / 2));
    *date = std::uint16_t(((t.date().year() - 1980) << 9) | (t.date().month() << 5) |
                          t.date().day());
}

QByteArray aesExtra(std::uint16_t method)
{
    QByteArray b;
    put16(b, 0x9901);
    put16(b, 7);
    put16(b, 2); // AE-2
    b.append("AE", 2);
    b.append(char(kStrength));
    put16(b, method);
    return b;
}

} // namespace

struct ZipWriter::Deflater {
    z_stream z{};
    bool ok = false;
    Deflater() { ok = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8,
                                   Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater() { deflateEnd(&z); }
};

ZipWriter::ZipWriter(QIODevice* out) : m_out(out) {}
ZipWriter::~ZipWriter() = default;

bool ZipWriter::writeOut(const char* data, qint64 size)
{
    return m_out->write(data, size) == size;
}

std::uint16_t ZipWriter::flagsOf(const Entry& e)
{
    // Names are UTF-8; plain ASCII names need not say so.
    const bool ascii = std::all_of(e.name.begin(), e.name.end(), [](char c) { return c > 0; });
    return std::uint16_t((e.encrypted ? kFlagEncrypted : 0) | (ascii ? 0 : kFlagUtf8));
}

QByteArray ZipWriter::localHeader(const Entry& e) const
{
    QByteArray extra;
    if (e.zip64Local) {
        put16(extra, 0x0001);
        put16(extra, 16);
        put64(extra, e.plainSize);
        put64(extra, e.storedSize);
    }
    if (e.encrypted)
        extra += aesExtra(e.method);
    QByteArray h;
    put32(h, 0x04034b50);
    put16(h, kVersionNeeded);
    put16(h, flagsOf(e));
    put16(h, e.encrypted ? kMethodAes : e.method);
    put16(h, e.dosTime);
    put16(h, e.dosDate);
    put32(h, e.encrypted ? 0 : e.crc);
    put32(h, e.zip64Local ? kMax32 : std::uint32_t(e.storedSize));
    put32(h, e.zip64Local ? kMax32 : std::uint32_t(e.plainSize));
    put16(h, std::uint16_t(e.name.size()));
    put16(h, std::uint16_t(extra.size()));
    return h + e.name + extra;
}

QByteArray ZipWriter::centralHeader(const Entry& e) const
{
    QByteArray z64;
    const bool bigPlain = e.plainSize >= kMax32;
    const bool bigStored = e.storedSize >= kMax32;
    const bool bigOffset = e.offset >= kMax32;
    if (bigPlain)
        put64(z64, e.plainSize);
    if (bigStored)
        put64(z64, e.storedSize);
    if (bigOffset)
        put64(z64, e.offset);
    QByteArray extra;
    if (!z64.isEmpty()) {
        put16(extra, 0x0001);
        put16(extra, std::uint16_t(z64.size()));
        extra += z64;
    }
    if (e.encrypted)
        extra += aesExtra(e.method);
    QByteArray h;
    put32(h, 0x02014b50);
    put16(h, kVersionMadeBy);
    put16(h, kVersionNeeded);
    put16(h, flagsOf(e));
    put16(h, e.encrypted ? kMethodAes : e.method);
    put16(h, e.dosTime);
    put16(h, e.dosDate);
    put32(h, e.encrypted ? 0 : e.crc);
    put32(h, bigStored ? kMax32 : std::uint32_t(e.storedSize));
    put32(h, bigPlain ? kMax32 : std::uint32_t(e.plainSize));
    put16(h, std::uint16_t(e.name.size()));
    put16(h, std::uint16_t(extra.size()));
    put16(h, 0); // comment
    put16(h, 0); // disk
    put16(h, 0); // internal attributes
    put32(h, std::uint32_t(0100644) << 16);
    put32(h, bigOffset ? kMax32 : std::uint32_t(e.offset));
    return h + e.name + extra;
}

bool ZipWriter::beginEntry(const QString& name, Method method, const QDateTime& modified,
                           qint64 sizeHint, const QByteArray& password)
{
    if (m_open)
        return false;
    m_cur = Entry{};
    m_cur.name = name.toUtf8();
    if (m_cur.name.isEmpty() || m_cur.name.size() > 0xffff)
        return false;
    m_cur.method = method == Method::Deflate ? 8 : 0;
    m_cur.encrypted = !password.isEmpty();
    // Deflate may grow incompressible data a little: leave room.
    m_cur.zip64Local = sizeHint < 0 || sizeHint >= qint64(kMax32) - (1 << 20);
    dosDateTime(modified, &m_cur.dosTime, &m_cur.dosDate);
    m_cur.offset = std::uint64_t(m_out->pos());
    m_cur.crc = std::uint32_t(crc32(0, nullptr, 0));
    if (!writeOut(localHeader(m_cur).constData(), localHeader(m_cur).size()))
        return false;
    m_aes.reset();
    if (m_cur.encrypted) {
        const QByteArray salt = WinZipAes::randomSalt(kStrength);
        m_aes = std::make_unique<WinZipAes>(kStrength, password, salt);
        if (!m_aes->ok())
            return false;
        const QByteArray head = salt + m_aes->verifier();
        if (!writeOut(head.constData(), head.size()))
            return false;
        m_cur.storedSize += std::uint64_t(head.size());
    }
    m_deflate.reset();
    if (m_cur.method == 8) {
        m_deflate = std::make_unique<Deflater>();
        if (!m_deflate->ok)
            return false;
    }
    m_open = true;
    return true;
}

bool ZipWriter::emitStored(const char* data, qint64 size)
{
    if (size <= 0)
        return true;
    m_cur.storedSize += std::uint64_t(size);
    if (!m_aes)
        return writeOut(data, size);
    m_buffer.resize(size);
    std::memcpy(m_buffer.data(), data, std::size_t(size));
    m_aes->encrypt(reinterpret_cast<std::uint8_t*>(m_buffer.data()), std::size_t(size));
    return writeOut(m_buffer.constData(), size);
}

bool ZipWriter::write(const char* data, qint64 size)
{
    if (!m_open)
        return false;
    if (!m_cur.encrypted)
        m_cur.crc = std::uint32_t(
            crc32_z(m_cur.crc, reinterpret_cast<const Bytef*>(data), std::size_t(size)));
    m_cur.plainSize += std::uint64_t(size);
    if (!m_deflate)
        return emitStored(data, size);
    z_stream& z = m_deflate->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = uInt(size);
    char out[64 * 1024];
    do {
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = sizeof out;
        if (deflate(&z, Z_NO_FLUSH) == Z_STREAM_ERROR)
            return false;
        if (!emitStored(out, qint64(sizeof out - z.avail_out)))
            return false;
    } while (z.avail_in > 0 || z.avail_out == 0);
    return true;
}

bool ZipWriter::endEntry()
{
    if (!m_open)
        return false;
    m_open = false;
    if (m_deflate) {
        z_stream& z = m_deflate->z;
        z.next_in = nullptr;
        z.avail_in = 0;
        char out[64 * 1024];
        int rc;
        do {
            z.next_out = reinterpret_cast<Bytef*>(out);
            z.avail_out = sizeof out;
            rc = deflate(&z, Z_FINISH);
            if (rc == Z_STREAM_ERROR)
                return false;
            if (!emitStored(out, qint64(sizeof out - z.avail_out)))
                return false;
        } while (rc != Z_STREAM_END);
        m_deflate.reset();
    }
    if (m_aes) {
        const QByteArray code = m_aes->authCode();
        if (code.size() != kAuthCodeLength || !writeOut(code.constData(), code.size()))
            return false;
        m_cur.storedSize += std::uint64_t(code.size());
        m_aes.reset();
    }
    // A local header without ZIP64 room cannot describe a member past 4 GB.
    if (!m_cur.zip64Local && (m_cur.plainSize >= kMax32 || m_cur.storedSize >= kMax32))
        return false;
    const qint64 end = m_out->pos();
    if (!m_out->seek(qint64(m_cur.offset)))
        return false;
    const QByteArray header = localHeader(m_cur);
    if (!writeOut(header.constData(), header.size()) || !m_out->seek(end))
        return false;
    m_entries.push_back(m_cur);
    return true;
}

bool ZipWriter::finish(const QByteArray& comment)
{
    if (m_open)
        return false;
    const std::uint64_t cdStart = std::uint64_t(m_out->pos());
    for (const Entry& e : m_entries) {
        const QByteArray h = centralHeader(e);
        if (!writeOut(h.constData(), h.size()))
            return false;
    }
    const std::uint64_t cdEnd = std::uint64_t(m_out->pos());
    const std::uint64_t cdSize = cdEnd - cdStart;
    const std::uint64_t count = m_entries.size();
    QByteArray tail;
    const bool zip64 = count >= 0xffff || cdStart >= kMax32 || cdSize >= kMax32;
    if (zip64) {
        put32(tail, 0x06064b50);
        put64(tail, 44);
        put16(tail, kVersionMadeBy);
        put16(tail, 45);
        put32(tail, 0);
        put32(tail, 0);
        put64(tail, count);
        put64(tail, count);
        put64(tail, cdSize);
        put64(tail, cdStart);
        put32(tail, 0x07064b50);
        put32(tail, 0);
        put64(tail, cdEnd);
        put32(tail, 1);
    }
    put32(tail, 0x06054b50);
    put16(tail, 0);
    put16(tail, 0);
    put16(tail, zip64 ? 0xffff : std::uint16_t(count));
    put16(tail, zip64 ? 0xffff : std::uint16_t(count));
    put32(tail, cdSize >= kMax32 ? kMax32 : std::uint32_t(cdSize));
    put32(tail, cdStart >= kMax32 ? kMax32 : std::uint32_t(cdStart));
    const QByteArray note = comment.left(0xffff);
    put16(tail, std::uint16_t(note.size()));
    tail += note;
    return writeOut(tail.constData(), tail.size());
}

} // namespace archive

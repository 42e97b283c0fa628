#include "archive/zipreader.h"

#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QSet>
#include <QStorageInfo>

#include <zip.h>
#include <zlib.h>

#include "archive/resultcode.h"
#include "archive/winzipaes.h"

namespace archive {

namespace {

constexpr qint64 kChunk = 1 << 20;

struct ZipFile {
    zip_file_t* f = nullptr;
    ~ZipFile()
    {
        if (f)
            zip_fclose(f);
    }
};

// Reads exactly `size` bytes; false on a short read or an error.
bool readExactly(zip_file_t* f, char* data, qint64 size)
{
    while (size > 0) {
        const zip_int64_t n = zip_fread(f, data, zip_uint64_t(size));
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

int openError(int zipError)
{
    switch (zipError) {
    case ZIP_ER_NOENT:
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
        return kArchiveMissing;
    case ZIP_ER_NOZIP:
        return kNotAnArchive;
    default:
        return kDamaged;
    }
}

bool strengthOf(int encryption, AesStrength* strength)
{
    switch (encryption) {
    case ZIP_EM_AES_128:
        *strength = AesStrength::Aes128;
        return true;
    case ZIP_EM_AES_192:
        *strength = AesStrength::Aes192;
        return true;
    case ZIP_EM_AES_256:
        *strength = AesStrength::Aes256;
        return true;
    default:
        return false;
    }
}

// Inflates raw deflate data into `out`, never more than `limit` bytes in all.
struct Inflater {
    z_stream z{};
    bool ok = false;
    bool ended = false;
    Inflater() { ok = inflateInit2(&z, -15) == Z_OK; }
    ~Inflater() { inflateEnd(&z); }
};

} // namespace

struct ZipReader::Handle {
    zip_t* za = nullptr;
    ~Handle()
    {
        if (za)
            zip_discard(za);
    }
};

bool safeMemberName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(u'/') || name.contains(u'\\') || name.contains(u':'))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    QString body = name;
    if (body.endsWith(u'/'))
        body.chop(1);
    const QStringList parts = body.split(u'/');
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") ||
            part.toUtf8().size() > 255)
            return false;
    }
    return true;
}

ZipReader::ZipReader() = default;
ZipReader::~ZipReader() = default;

int ZipReader::open(const QString& archivePath, const QByteArray& password,
                    const UnpackLimits& limits)
{
    m_zip.reset();
    m_members.clear();
    m_total = 0;
    m_password = password;
    m_limits = limits;
    const QFileInfo info(archivePath);
    if (!info.isFile() || !info.isReadable())
        return kArchiveMissing;

    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS,
                         &error);
    if (!za)
        return openError(error);
    m_zip = std::make_unique<Handle>();
    m_zip->za = za;

    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0)
        return kDamaged;
    if (count > limits.maxMembers)
        return kTooLarge;
    // First what could write outside the folder or over another member,
    // then what the members hold.
    QSet<QString> names;
    std::vector<zip_stat_t> stats(static_cast<std::size_t>(count));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t& st = stats[std::size_t(i)];
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !st.name)
            return kDamaged;
        MemberInfo m;
        m.index = zip_uint64_t(i);
        m.name = QString::fromUtf8(st.name);
        if (!safeMemberName(m.name))
            return kUnsafeName;
        m.folder = m.name.endsWith(u'/');
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(za, zip_uint64_t(i), 0, &opsys, &attributes) != 0)
            return kDamaged;
        if (opsys == ZIP_OPSYS_UNIX) {
            const zip_uint32_t type = (attributes >> 16) & 0170000;
            if (type == 0040000)
                m.folder = true;
            else if (type != 0 && type != 0100000)
                return kLinkMember;
        }
        QString key = m.name;
        if (key.endsWith(u'/'))
            key.chop(1);
        if (names.contains(key))
            return kDuplicateMember;
        names.insert(key);
        m_members.push_back(m);
    }
    for (MemberInfo& m : m_members) {
        if (m.folder)
            continue;
        const zip_stat_t& st = stats[std::size_t(m.index)];
        m.size = qint64(st.size);
        m.storedSize = qint64(st.comp_size);
        m.method = st.comp_method;
        m.encryption = st.encryption_method;
        m.crc = st.crc;
        if (st.size > zip_uint64_t(limits.maxMemberSize) || m.size < 0)
            return kTooLarge;
        m_total += m.size;
        if (m_total > limits.maxTotalSize)
            return kTooLarge;
        if (m.method != ZIP_CM_STORE && m.method != ZIP_CM_DEFLATE)
            return kUnsupported;
        if (m.method == ZIP_CM_DEFLATE && m.size > limits.ratioFloor &&
            double(m.size) > limits.maxRatio * double(std::max<qint64>(m.storedSize, 1)))
            return kTooLarge;
        if (m.method == ZIP_CM_STORE && m.encryption == ZIP_EM_NONE && m.storedSize != m.size)
            return kDamaged;
        AesStrength strength;
        if (!password.isEmpty()) {
            if (m.encryption == ZIP_EM_NONE)
                return kNotEncrypted;
            if (!strengthOf(m.encryption, &strength))
                return kUnsupported;
        } else if (m.encryption != ZIP_EM_NONE) {
            return kWrongPassword;
        }
    }
    return kSuccess;
}

int ZipReader::find(const QString& name) const
{
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (m_members[i].name == name)
            return int(i);
    }
    return -1;
}

int ZipReader::checkSpace(const QString& folder, qint64 bytes) const
{
    QStorageInfo storage(folder);
    if (!storage.isValid())
        return kSuccess;
    const qint64 available = storage.bytesAvailable();
    if (available >= 0 && bytes + m_limits.spareSpace > available)
        return kDiskFull;
    return kSuccess;
}

int ZipReader::checkPassword(int member)
{
    if (!m_zip || member < 0 || member >= int(m_members.size()))
        return kDamaged;
    const MemberInfo& m = m_members[std::size_t(member)];
    AesStrength strength;
    if (m.folder || !strengthOf(m.encryption, &strength))
        return kSuccess;
    ZipFile f{zip_fopen_index(m_zip->za, m.index, ZIP_FL_ENCRYPTED)};
    if (!f.f)
        return kDamaged;
    const int saltLen = saltLength(strength);
    QByteArray head(saltLen + kVerifierLength, Qt::Uninitialized);
    if (!readExactly(f.f, head.data(), head.size()))
        return kDamaged;
    WinZipAes aes(strength, m_password, head.left(saltLen));
    return aes.ok() && aes.verifier() == head.mid(saltLen) ? kSuccess : kWrongPassword;
}

int ZipReader::extract(int member, const QString& folder,
                       const std::function<bool(qint64)>& progress)
{
    if (!m_zip || member < 0 || member >= int(m_members.size()))
        return kDamaged;
    const MemberInfo& m = m_members[std::size_t(member)];
    QString relative = m.name;
    if (m.folder) {
        if (relative.endsWith(u'/'))
            relative.chop(1);
        return QDir(folder).mkpath(relative) ? kSuccess : kWriteFailed;
    }
    const QString target = QDir(folder).filePath(relative);
    if (relative.contains(u'/') && !QDir().mkpath(QFileInfo(target).absolutePath()))
        return kWriteFailed;
    if (QFileInfo(target).isDir())
        return kWriteFailed;
    if (checkSpace(QFileInfo(target).absolutePath(), m.size) != kSuccess)
        return kDiskFull;

    // A hidden temporary name beside the target, renamed when the member is
    // verified. Not synced to disk: unpacked files are made again at every
    // start, and waiting for the disk would hold up the first picture.
    QTemporaryFile out(QFileInfo(target).absolutePath() + QStringLiteral("/.") +
                       QFileInfo(target).fileName() + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return kWriteFailed;
    const int code = m.encryption != ZIP_EM_NONE ? extractEncrypted(m, out, progress)
                                                  : extractPlain(m, out, progress);
    if (code != kSuccess)
        return code; // the temporary file goes with `out`
    if (!out.flush() ||
        ::rename(QFile::encodeName(out.fileName()).constData(),
                 QFile::encodeName(target).constData()) != 0)
        return checkSpace(QFileInfo(target).absolutePath(), 0) == kDiskFull ? kDiskFull
                                                                             : kWriteFailed;
    out.setAutoRemove(false);
    return kSuccess;
}

namespace {

// Writes plain bytes, counting them against the declared size.
struct Sink {
    QFile& out;
    const MemberInfo& m;
    const std::function<bool(qint64)>& progress;
    qint64 written = 0;
    std::uint32_t crc = 0;
    int put(const char* data, qint64 size)
    {
        if (size <= 0)
            return kSuccess;
        written += size;
        if (written > m.size)
            return kIntegrityFailed;
        if (m.crc != 0)
            crc = std::uint32_t(crc32_z(crc, reinterpret_cast<const Bytef*>(data), std::size_t(size)));
        if (out.write(data, size) != size)
            return kWriteFailed;
        if (progress && !progress(written))
            return kCancelled;
        return kSuccess;
    }
};

// Inflates `size` bytes of deflate data into the sink.
int inflateInto(Inflater& inf, char* data, qint64 size, Sink& sink)
{
    static thread_local std::vector<char> out(kChunk);
    inf.z.next_in = reinterpret_cast<Bytef*>(data);
    inf.z.avail_in = uInt(size);
    while (inf.z.avail_in > 0 && !inf.ended) {
        inf.z.next_out = reinterpret_cast<Bytef*>(out.data());
        inf.z.avail_out = uInt(out.size());
        const int rc = inflate(&inf.z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
            return kIntegrityFailed;
        const int code = sink.put(out.data(), qint64(out.size() - inf.z.avail_out));
        if (code != kSuccess)
            return code;
        if (rc == Z_STREAM_END)
            inf.ended = true;
        if (rc == Z_BUF_ERROR && inf.z.avail_out != 0)
            break;
    }
    return kSuccess;
}

int finishInto(Inflater& inf, Sink& sink)
{
    static thread_local std::vector<char> out(kChunk);
    while (!inf.ended) {
        inf.z.next_in = nullptr;
        inf.z.avail_in = 0;
        inf.z.next_out = reinterpret_cast<Bytef*>(out.data());
        inf.z.avail_out = uInt(out.size());
        const int rc = inflate(&inf.z, Z_FINISH);
        const int code = sink.put(out.data(), qint64(out.size() - inf.z.avail_out));
        if (code != kSuccess)
            return code;
        if (rc == Z_STREAM_END)
            inf.ended = true;
        else if (inf.z.avail_out != 0)
            return kIntegrityFailed; // the data ends before the stream
    }
    return kSuccess;
}

} // namespace

int ZipReader::extractEncrypted(const MemberInfo& m, QFile& out,
                                const std::function<bool(qint64)>& progress)
{
    AesStrength strength;
    if (!strengthOf(m.encryption, &strength))
        return kUnsupported;
    ZipFile f{zip_fopen_index(m_zip->za, m.index, ZIP_FL_ENCRYPTED)};
    if (!f.f)
        return kDamaged;
    const int saltLen = saltLength(strength);
    qint64 remaining = m.storedSize - saltLen - kVerifierLength - kAuthCodeLength;
    if (remaining < 0)
        return kDamaged;
    QByteArray head(saltLen + kVerifierLength, Qt::Uninitialized);
    if (!readExactly(f.f, head.data(), head.size()))
        return kDamaged;
    WinZipAes aes(strength, m_password, head.left(saltLen));
    if (!aes.ok())
        return kUnsupported;
    if (aes.verifier() != head.mid(saltLen))
        return kWrongPassword;

    Sink sink{out, m, progress};
    std::unique_ptr<Inflater> inf;
    if (m.method == ZIP_CM_DEFLATE) {
        inf = std::make_unique<Inflater>();
        if (!inf->ok)
            return kUnsupported;
    }
    std::vector<char> buffer(std::size_t(std::min(remaining, kChunk * 4)) + 1);
    while (remaining > 0) {
        const qint64 n = std::min<qint64>(remaining, qint64(buffer.size()));
        if (!readExactly(f.f, buffer.data(), n))
            return kDamaged;
        remaining -= n;
        aes.decrypt(reinterpret_cast<std::uint8_t*>(buffer.data()), std::size_t(n));
        const int code = inf ? inflateInto(*inf, buffer.data(), n, sink)
                             : sink.put(buffer.data(), n);
        if (code != kSuccess)
            return code;
    }
    QByteArray code(kAuthCodeLength, Qt::Uninitialized);
    if (!readExactly(f.f, code.data(), code.size()))
        return kDamaged;
    if (aes.authCode() != code)
        return kIntegrityFailed;
    if (inf) {
        const int rc = finishInto(*inf, sink);
        if (rc != kSuccess)
            return rc;
    }
    if (sink.written != m.size || (m.crc != 0 && sink.crc != m.crc))
        return kIntegrityFailed;
    return kSuccess;
}

int ZipReader::extractPlain(const MemberInfo& m, QFile& out,
                            const std::function<bool(qint64)>& progress)
{
    ZipFile f{zip_fopen_index(m_zip->za, m.index, 0)};
    if (!f.f)
        return kDamaged;
    Sink sink{out, m, progress};
    std::vector<char> buffer(static_cast<std::size_t>(kChunk));
    for (;;) {
        const zip_int64_t n = zip_fread(f.f, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0) {
            const int ze = zip_error_code_zip(zip_file_get_error(f.f));
            return ze == ZIP_ER_CRC || ze == ZIP_ER_ZLIB || ze == ZIP_ER_INCONS ? kIntegrityFailed
                                                                                 : kDamaged;
        }
        const int code = sink.put(buffer.data(), n);
        if (code != kSuccess)
            return code;
    }
    if (sink.written != m.size || (m.crc != 0 && sink.crc != m.crc))
        return kIntegrityFailed;
    return kSuccess;
}

} // namespace archive

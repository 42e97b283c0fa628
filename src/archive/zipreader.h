#pragma once
// Safe unpacking over libzip. The archive is untrusted input: open() checks
// the whole directory before anything is written (names, kinds, sizes,
// encryption), extract() checks every member's CRC or authentication code
// while it writes it under a temporary name, and renames it only when the
// member is complete and verified.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

class QFile;

namespace archive {

// Bounds on what an archive may unpack to. The deflate ratio is only looked
// at for members above `ratioFloor` bytes: a small text file compresses
// well, a gigabyte of zeros from a kilobyte of deflate does not come here.
struct UnpackLimits {
    qint64 maxMemberSize = qint64(8) << 30;
    qint64 maxTotalSize = qint64(32) << 30;
    int maxMembers = 100000;
    double maxRatio = 200.0;
    qint64 ratioFloor = qint64(8) << 20;
    // Left free on the disk after unpacking.
    qint64 spareSpace = qint64(16) << 20;
};

// True for a relative name of plain components: not empty, no leading "/",
// no "\", no ":" (a drive), no "." or ".." or empty component, no control
// character, no component over 255 bytes. A trailing "/" (a folder entry)
// is allowed.
bool safeMemberName(const QString& name);

struct MemberInfo {
    QString name;
    std::uint64_t index = 0;
    qint64 size = 0;       // plain size, as the directory declares it
    qint64 storedSize = 0; // bytes in the archive
    bool folder = false;
    int method = 0;          // 0 stored, 8 deflated
    int encryption = 0;      // libzip's ZIP_EM_* value
    std::uint32_t crc = 0;   // 0 for AE-2 members, whose code replaces it
};

class ZipReader {
public:
    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens and checks the archive; a result code. With a non-empty
    // password every file member must be WinZip AES encrypted; the password
    // itself is tried by checkPassword() or by the first extract().
    int open(const QString& archivePath, const QByteArray& password,
             const UnpackLimits& limits = {});
    const std::vector<MemberInfo>& members() const { return m_members; }
    // The member of that exact name, or -1.
    int find(const QString& name) const;
    qint64 totalSize() const { return m_total; }

    // kDiskFull when the folder's disk cannot take `bytes` plus the spare.
    int checkSpace(const QString& folder, qint64 bytes) const;
    // Tries the password on one member's verifier: kSuccess or
    // kWrongPassword (a wrong password passes this with odds of 1 in 65536;
    // extract() then fails on the authentication code).
    int checkPassword(int member);

    // Writes member `member` (an index into members()) below `folder`, which
    // must exist. `progress` gets the member's bytes written so far and
    // returns false to cancel. On failure nothing is left under the
    // member's name. A result code.
    int extract(int member, const QString& folder,
                const std::function<bool(qint64 done)>& progress = {});

private:
    int extractEncrypted(const MemberInfo& m, QFile& out,
                         const std::function<bool(qint64)>& progress);
    int extractPlain(const MemberInfo& m, QFile& out,
                     const std::function<bool(qint64)>& progress);

    struct Handle;
    std::unique_ptr<Handle> m_zip;
    QByteArray m_password;
    UnpackLimits m_limits;
    std::vector<MemberInfo> m_members;
    qint64 m_total = 0;
};

} // namespace archive

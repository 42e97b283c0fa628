// Packing and safe unpacking against real files, real libzip, and archives
// made by hand with Python's zipfile and 7-Zip.

#include <functional>
#include <ostream>
#include <random>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "archive/bundle.h"
#include "archive/resultcode.h"
#include "archive/ziparchive.h"
#include "archivetestutil.h"
#include "common/testutil.h"

using namespace archive;
using archivetest::filesBelow;
using archivetest::python;
using archivetest::run;
using testutil::readFile;
using testutil::writeFile;

namespace {

const QString kPassword = QString::fromLatin1(kBundlePassword);

QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 gen(seed);
    QByteArray b(size, Qt::Uninitialized);
    for (char& c : b)
        c = char(gen() & 0xff);
    return b;
}

QByteArray textBytes(int lines)
{
    QByteArray b;
    for (int i = 0; i < lines; ++i)
        b += "C:\\Pictures\\holiday " + QByteArray::number(i) + ".jpg\r\n";
    return b;
}

class ZipArchiveTest : public ::testing::Test {
protected:
    QString path(const QString& rel) const { return m_dir.path() + u'/' + rel; }
    // Packs the given files (relative to the temporary folder) into `archive`.
    int pack(const QStringList& files, const QString& archive, const QString& password = kPassword)
    {
        ZipArchive zip;
        for (const QString& f : files)
            zip.addFileToProcess(path(f));
        zip.setArchiveName(path(archive));
        zip.setPassword(password);
        return zip.pack();
    }
    int unzip(const QString& archive, const QString& to, const QString& password = kPassword)
    {
        ZipArchive zip;
        zip.setFilesToProcess(QStringLiteral("*.*"));
        zip.setArchiveName(path(archive));
        zip.setPassword(password);
        zip.setUnzipToFolder(path(to));
        return zip.unzip();
    }
    QTemporaryDir m_dir;
};

TEST_F(ZipArchiveTest, RoundTripKeepsNamesWithBlanksAndAccentsAndEveryByte)
{
    const QStringList names = {QStringLiteral("My Photo 1.jpg"),
                               QStringLiteral("Été à la plage – 2.png"),
                               QStringLiteral("notes readme.txt"), QStringLiteral("iMySav.ini"),
                               QStringLiteral("empty.jpg")};
    QList<QByteArray> contents = {randomBytes(300000, 1), randomBytes(70000, 2),
                                  textBytes(2000), textBytes(3), QByteArray()};
    QStringList sources;
    for (int i = 0; i < names.size(); ++i) {
        writeFile(path(QStringLiteral("in/") + names[i]), contents[i]);
        sources << QStringLiteral("in/") + names[i];
    }
    ASSERT_EQ(pack(sources, QStringLiteral("a.zip")), kSuccess);
    ASSERT_EQ(unzip(QStringLiteral("a.zip"), QStringLiteral("out")), kSuccess);
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(readFile(path(QStringLiteral("out/") + names[i])), contents[i])
            << names[i].toStdString();
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))).size(), names.size());
}

TEST_F(ZipArchiveTest, SevenZipReadsOurArchiveWithThePasswordOnly)
{
    writeFile(path(QStringLiteral("in/Sky é 1.jpg")), randomBytes(200000, 3));
    writeFile(path(QStringLiteral("in/MySav.ini")), textBytes(500));
    ASSERT_EQ(pack({QStringLiteral("in/Sky é 1.jpg"), QStringLiteral("in/MySav.ini")},
                   QStringLiteral("a.zip")),
              kSuccess);
    const QString archive = path(QStringLiteral("a.zip"));

    const auto good = run(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-p") + kPassword, archive});
    EXPECT_EQ(good.exitCode, 0) << good.output.toStdString();
    EXPECT_TRUE(good.output.contains(QLatin1String("Everything is Ok")));

    const auto bad = run(QStringLiteral("7z"), {QStringLiteral("t"), QStringLiteral("-pwrong"), archive});
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.output.contains(QLatin1String("Wrong password"))) << bad.output.toStdString();

    // Pictures are stored, text deflated, both behind AES-256.
    const auto list = run(QStringLiteral("7z"), {QStringLiteral("l"), QStringLiteral("-slt"), archive});
    const QStringList blocks = list.output.split(QStringLiteral("\n\n"));
    auto methodOf = [&](const QString& name) {
        for (const QString& b : blocks) {
            if (b.contains(QStringLiteral("Path = ") + name + u'\n')) {
                const qsizetype at = b.indexOf(QStringLiteral("Method = "));
                return b.mid(at + 9, b.indexOf(u'\n', at) - at - 9).trimmed();
            }
        }
        return QString();
    };
    EXPECT_EQ(methodOf(QStringLiteral("Sky é 1.jpg")), QStringLiteral("AES-256 Store"));
    EXPECT_EQ(methodOf(QStringLiteral("MySav.ini")), QStringLiteral("AES-256 Deflate"));

    // 7-Zip unpacks the accented name and the bytes as they were.
    const auto x = run(QStringLiteral("7z"), {QStringLiteral("x"), QStringLiteral("-p") + kPassword,
                                              QStringLiteral("-o") + path(QStringLiteral("x")), archive});
    ASSERT_EQ(x.exitCode, 0) << x.output.toStdString();
    EXPECT_EQ(readFile(path(QStringLiteral("x/Sky é 1.jpg"))),
              readFile(path(QStringLiteral("in/Sky é 1.jpg"))));
}

TEST_F(ZipArchiveTest, ArchiveMadeBySevenZipWithTheFixedPasswordUnpacks)
{
    writeFile(path(QStringLiteral("in/sun set.jpg")), randomBytes(150000, 4));
    writeFile(path(QStringLiteral("in/iSunse.ini")), textBytes(40));
    const auto made = run(QStringLiteral("7z"),
                          {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mem=AES256"),
                           QStringLiteral("-p") + kPassword, path(QStringLiteral("b.zip")),
                           QStringLiteral("sun set.jpg"), QStringLiteral("iSunse.ini")},
                          path(QStringLiteral("in")));
    ASSERT_EQ(made.exitCode, 0) << made.output.toStdString();
    ASSERT_EQ(unzip(QStringLiteral("b.zip"), QStringLiteral("out")), kSuccess);
    EXPECT_EQ(readFile(path(QStringLiteral("out/sun set.jpg"))),
              readFile(path(QStringLiteral("in/sun set.jpg"))));
    EXPECT_EQ(readFile(path(QStringLiteral("out/iSunse.ini"))),
              readFile(path(QStringLiteral("in/iSunse.ini"))));
}

TEST_F(ZipArchiveTest, ProgressCountsFilesAndBytesUpToTheWhole)
{
    writeFile(path(QStringLiteral("a.jpg")), randomBytes(3 << 20, 5));
    writeFile(path(QStringLiteral("b.jpg")), randomBytes(5 << 20, 6));
    ZipArchive zip;
    zip.addFileToProcess(path(QStringLiteral("a.jpg")));
    zip.addFileToProcess(path(QStringLiteral("b.jpg")));
    zip.setArchiveName(path(QStringLiteral("p.zip")));
    zip.setPassword(kPassword);
    QStringList started;
    int lastPercent = -1;
    bool monotonic = true;
    GlobalStatus last;
    zip.fileStatus = [&](const FileStatus& s) {
        if (s.bytesDone == 0)
            started << QStringLiteral("%1 %2/%3").arg(s.fileName).arg(s.fileIndex).arg(s.fileCount);
    };
    zip.globalStatus = [&](const GlobalStatus& s) {
        monotonic = monotonic && s.percent >= lastPercent;
        lastPercent = s.percent;
        last = s;
    };
    ASSERT_EQ(zip.pack(), kSuccess);
    EXPECT_EQ(started, (QStringList{QStringLiteral("a.jpg 1/2"), QStringLiteral("b.jpg 2/2")}));
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(last.percent, 100);
    EXPECT_EQ(last.filesDone, 2);
    EXPECT_EQ(last.bytesTotal, qint64(8 << 20));
}

TEST_F(ZipArchiveTest, AbortLeavesTheOldArchiveAndNoTemporaryFile)
{
    writeFile(path(QStringLiteral("a.jpg")), randomBytes(6 << 20, 7));
    writeFile(path(QStringLiteral("p.zip")), "the old archive");
    ZipArchive zip;
    zip.addFileToProcess(path(QStringLiteral("a.jpg")));
    zip.setArchiveName(path(QStringLiteral("p.zip")));
    zip.setPassword(kPassword);
    zip.globalStatus = [&](const GlobalStatus& s) {
        if (s.bytesDone > 0)
            zip.abort();
    };
    EXPECT_EQ(zip.pack(), kCancelled);
    EXPECT_EQ(readFile(path(QStringLiteral("p.zip"))), QByteArray("the old archive"));
    EXPECT_EQ(filesBelow(m_dir.path()), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("p.zip")}));
}

TEST_F(ZipArchiveTest, MissingAndRepeatedFilesAreLeftOutWithANote)
{
    writeFile(path(QStringLiteral("a.jpg")), "a");
    EXPECT_EQ(pack({QStringLiteral("a.jpg"), QStringLiteral("gone.jpg")}, QStringLiteral("m.zip")),
              kSkippedMissingFiles);
    EXPECT_EQ(pack({QStringLiteral("a.jpg"), QStringLiteral("a.jpg")}, QStringLiteral("d.zip")),
              kSkippedEntries);
    EXPECT_TRUE(packSucceeded(kSkippedMissingFiles) && packSucceeded(kSkippedEntries));
    ASSERT_EQ(unzip(QStringLiteral("d.zip"), QStringLiteral("out")), kSuccess);
    EXPECT_EQ(filesBelow(path(QStringLiteral("out"))), QStringList{QStringLiteral("a.jpg")});
}

TEST_F(ZipArchiveTest, TooLittleFreeSpaceIsRefusedBeforeWriting)
{
    writeFile(path(QStringLiteral("a.jpg")), randomBytes(1000, 8));
    ASSERT_EQ(pack({QStringLiteral("a.jpg")}, QStringLiteral("a.zip")), kSuccess);
    ZipArchive zip;
    zip.setFilesToProcess(QStringLiteral("*.*"));
    zip.setArchiveName(path(QStringLiteral("a.zip")));
    zip.setPassword(kPassword);
    zip.setUnzipToFolder(path(QStringLiteral("out")));
    UnpackLimits limits;
    limits.spareSpace = qint64(1) << 60;
    zip.setLimits(limits);
    EXPECT_EQ(zip.unzip(), kDiskFull);
    EXPECT_TRUE(filesBelow(path(QStringLiteral("out"))).isEmpty());
}

// --- safe unpacking of hostile archives ---------------------------------------

struct NameCase {
    const char* label;
    const char* name;
    bool safe;
};

// Names the case in ctest by its label, not by its bytes.
void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.label;
}

class SafeNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(SafeNames, Judged)
{
    EXPECT_EQ(safeMemberName(QString::fromUtf8(GetParam().name)), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P(
    Archive, SafeNames,
    ::testing::Values(NameCase{"Plain", "beach.jpg", true},
                      NameCase{"Blanks", "My Photo 1.jpg", true},
                      NameCase{"Accents", "Été à la plage.png", true},
                      NameCase{"Subfolder", "pics/beach.jpg", true},
                      NameCase{"FolderEntry", "pics/", true},
                      NameCase{"DotsInName", "a..b.jpg", true},
                      NameCase{"Empty", "", false}, NameCase{"Absolute", "/etc/passwd", false},
                      NameCase{"Parent", "../evil.txt", false},
                      NameCase{"ParentInside", "pics/../../evil.txt", false},
                      NameCase{"Dot", "./a.jpg", false},
                      NameCase{"DoubleSlash", "pics//a.jpg", false},
                      NameCase{"Backslash", "..\\evil.txt", false},
                      NameCase{"Drive", "C:/evil.txt", false},
                      NameCase{"DriveRelative", "C:evil.txt", false},
                      NameCase{"ControlCharacter", "a\nb.jpg", false}),
    [](const auto& info) { return std::string(info.param.label); });

struct HostileCase {
    const char* label;
    // Makes the archive at `archive`; `outer` is the folder around the work
    // folder, where an escape would land.
    std::function<void(const QString& archive, const QString& outer, const QString& dir)> make;
    int code;
};

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.label;
}

void pythonZip(const QString& archive, const QString& body)
{
    const auto r = python(QStringLiteral("import sys, zipfile\n"
                                         "z = zipfile.ZipFile(sys.argv[1], 'w')\n") +
                              body + QStringLiteral("\nz.close()\n"),
                          {archive});
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
}

void ourZip(const QString& archive, const QString& dir, int size)
{
    writeFile(dir + QStringLiteral("/src/big.jpg"), randomBytes(size, 9));
    writeFile(dir + QStringLiteral("/src/a.ini"), textBytes(10));
    ZipArchive zip;
    zip.addFileToProcess(dir + QStringLiteral("/src/a.ini"));
    zip.addFileToProcess(dir + QStringLiteral("/src/big.jpg"));
    zip.setArchiveName(archive);
    zip.setPassword(kPassword);
    ASSERT_EQ(zip.pack(), kSuccess);
}

void sevenZip(const QString& archive, const QString& dir, const QString& method,
              const QString& password)
{
    writeFile(dir + QStringLiteral("/src7/a.jpg"), randomBytes(5000, 10));
    const auto r = run(QStringLiteral("7z"),
                       {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mem=") + method,
                        QStringLiteral("-p") + password, archive, QStringLiteral("a.jpg")},
                       dir + QStringLiteral("/src7"));
    ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
}

class HostileArchives : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileArchives, FailWithTheirCodeAndWriteNothingOutsideTheWorkFolder)
{
    QTemporaryDir dir;
    const QString outer = dir.path() + QStringLiteral("/outer");
    const QString work = outer + QStringLiteral("/work");
    QDir().mkpath(work);
    const QString archive = dir.path() + QStringLiteral("/bad.zip");
    GetParam().make(archive, outer, dir.path());
    const QStringList before = filesBelow(dir.path());

    ZipArchive zip;
    zip.setFilesToProcess(QStringLiteral("*.*"));
    zip.setArchiveName(archive);
    zip.setPassword(kPassword);
    zip.setUnzipToFolder(work);
    const int code = zip.unzip();
    EXPECT_EQ(code, GetParam().code) << resultDescription(code).toStdString();
    EXPECT_FALSE(unzipSucceeded(code));

    QStringList after = filesBelow(dir.path());
    QStringList inWork;
    for (const QString& f : after) {
        if (f.startsWith(QLatin1String("outer/work/")))
            inWork << f;
    }
    for (const QString& f : inWork)
        after.removeAll(f);
    EXPECT_EQ(after, before);
    // Only complete, verified members may be there: the text member that
    // comes before the damaged picture in our own archives.
    for (const QString& f : inWork)
        EXPECT_EQ(f, QStringLiteral("outer/work/a.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Archive, HostileArchives,
    ::testing::Values(
        HostileCase{"WrongPassword",
                    [](const QString& a, const QString&, const QString& d) {
                        sevenZip(a, d, QStringLiteral("AES256"), QStringLiteral("not the one"));
                    },
                    kWrongPassword},
        HostileCase{"TraditionalEncryption",
                    [](const QString& a, const QString&, const QString& d) {
                        sevenZip(a, d, QStringLiteral("ZipCrypto"), kPassword);
                    },
                    kUnsupported},
        HostileCase{"Truncated",
                    [](const QString& a, const QString&, const QString& d) {
                        ourZip(a, d, 100000);
                        QFile f(a);
                        f.resize(f.size() / 2);
                    },
                    kNotAnArchive},
        HostileCase{"FlippedByteInAPicture",
                    [](const QString& a, const QString&, const QString& d) {
                        ourZip(a, d, 100000);
                        QFile f(a);
                        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
                        f.seek(f.size() / 2);
                        char c;
                        f.getChar(&c);
                        f.seek(f.size() / 2);
                        f.putChar(char(c ^ 0x10));
                    },
                    kIntegrityFailed},
        HostileCase{"ParentFolderName",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("z.writestr('../evil.txt', 'x')"));
                    },
                    kUnsafeName},
        HostileCase{"AbsoluteName",
                    [](const QString& a, const QString& outer, const QString&) {
                        pythonZip(a, QStringLiteral("z.writestr(zipfile.ZipInfo('%1/abs.txt'), 'x')")
                                         .arg(outer));
                    },
                    kUnsafeName},
        HostileCase{"BackslashName",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("z.writestr('..\\\\evil.txt', 'x')"));
                    },
                    kUnsafeName},
        HostileCase{"DriveName",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("z.writestr('C:/evil.txt', 'x')"));
                    },
                    kUnsafeName},
        HostileCase{"LinkMember",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("i = zipfile.ZipInfo('link.jpg')\n"
                                                    "i.create_system = 3\n"
                                                    "i.external_attr = 0o120777 << 16\n"
                                                    "z.writestr(i, '../../etc/passwd')"));
                    },
                    kLinkMember},
        HostileCase{"ZipBomb",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral(
                                         "z.writestr('bomb.ini', bytes(200 << 20), "
                                         "compress_type=zipfile.ZIP_DEFLATED)"));
                    },
                    kTooLarge},
        HostileCase{"UnencryptedMember",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("z.writestr('a.jpg', 'not protected')"));
                    },
                    kNotEncrypted},
        HostileCase{"DuplicateNames",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("import warnings\n"
                                                    "warnings.simplefilter('ignore')\n"
                                                    "z.writestr('a.jpg', 'one')\n"
                                                    "z.writestr('a.jpg', 'two')"));
                    },
                    // libzip itself refuses a directory naming a file twice.
                    kDamaged},
        HostileCase{"FileAndFolderOfOneName",
                    [](const QString& a, const QString&, const QString&) {
                        pythonZip(a, QStringLiteral("z.writestr('a.jpg', 'one')\n"
                                                    "z.writestr('a.jpg/', '')"));
                    },
                    kDuplicateMember},
        HostileCase{"NotAZip",
                    [](const QString& a, const QString&, const QString&) {
                        writeFile(a, randomBytes(5000, 11));
                    },
                    kNotAnArchive},
        HostileCase{"Missing", [](const QString&, const QString&, const QString&) {},
                    kArchiveMissing}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ResultCodes, EveryFailureHasItsOwnDescription)
{
    QSet<QString> seen;
    for (int code = 600; code < 700; ++code) {
        const QString d = resultDescription(code);
        if (d == resultDescription(-1))
            continue;
        EXPECT_FALSE(seen.contains(d)) << code;
        seen.insert(d);
        EXPECT_FALSE(unzipSucceeded(code) || packSucceeded(code)) << code;
    }
    EXPECT_GE(seen.size(), 18);
    EXPECT_TRUE(unzipSucceeded(509) && unzipSucceeded(527) && !unzipSucceeded(526));
    EXPECT_TRUE(packSucceeded(526) && packSucceeded(527) && !packSucceeded(509));
}

} // namespace

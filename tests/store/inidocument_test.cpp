#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "qtprint.h"

#include "store/inidocument.h"

using store::IniDocument;

TEST(IniDocument, KeysBelongToTheirOwnSectionOnly)
{
    const IniDocument doc = IniDocument::fromBytes("top=0\n[A]\na=1\n[B\nb=2\n[C] trailing\n"
                                                   ";c=3\n# c=4\nc =5\n[A]\na=6\nz=7\n");
    EXPECT_EQ(doc.value("", "top"), std::nullopt);
    EXPECT_EQ(doc.value("A", "a"), "1"); // the first section of a name counts
    EXPECT_EQ(doc.value("A", "z"), std::nullopt);
    EXPECT_EQ(doc.value("A", "b"), std::nullopt);
    EXPECT_EQ(doc.value("B", "b"), std::nullopt);
    EXPECT_EQ(doc.value("C", "c"), "5");
    EXPECT_EQ(doc.sectionNames(), QStringList({"A", "C", "A"}));
}

TEST(IniDocument, EditsTouchOnlyTheirLines)
{
    IniDocument doc = IniDocument::fromBytes("\xEF\xBB\xBF[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2");
    doc.setValue("a", "new", "n");
    doc.setValue("C", "k", "v");
    EXPECT_TRUE(doc.removeValue("B", "Y"));
    EXPECT_FALSE(doc.removeValue("B", "y"));
    EXPECT_EQ(doc.toBytes(),
              "\xEF\xBB\xBF[A]\r\nx=1\r\nnew=n\r\n; note\r\n\r\n[B]\r\n\r\n[C]\r\nk=v\r\n");
    EXPECT_TRUE(doc.removeSection("b"));
    EXPECT_FALSE(doc.hasSection("B"));
    EXPECT_TRUE(doc.hasSection("c"));
}

// Names that would not read back the same are refused; the INI class and the
// settings store both ask here before they write (one wiring check each).
TEST(IniDocument, StorableNames)
{
    EXPECT_TRUE(IniDocument::isStorableKey("Paint Effect"));
    EXPECT_TRUE(IniDocument::isStorableKey(""));
    for (const char* bad : {"a=b", "[a", ";a", "#a", " a", "a\nb", "a\r"})
        EXPECT_FALSE(IniDocument::isStorableKey(bad)) << bad;
    EXPECT_TRUE(IniDocument::isStorableSection("Software\\ZEM Vazidorezod\\Kelvra Saver"));
    EXPECT_FALSE(IniDocument::isStorableSection("a]b"));
    EXPECT_FALSE(IniDocument::isStorableSection("a\nb"));
}

// Hostile files, read by every user of the document: what makes no sense is
// skipped for lookups and kept byte for byte when the file is written again.
struct HostileCase {
    const char* name;
    QByteArray junk; // comes first; its lines hide nothing readable
};

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.name;
}

class HostileDocument : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileDocument, ReadsWhatMakesSenseAndKeepsTheRest)
{
    const QByteArray content = GetParam().junk +
                               "\n[Broken\nKey=hidden\n[Good]\r\nKey = visible \r\n"
                               "not a key\r\n" +
                               QByteArray("\0\x01=\xff", 4) + "\n[Last]\nK=v";
    IniDocument doc = IniDocument::fromBytes(content);
    EXPECT_EQ(doc.value("Broken", "Key"), std::nullopt);
    EXPECT_EQ(doc.value("Good", "Key"), "visible");
    EXPECT_EQ(doc.value("Last", "k"), "v");
    doc.setValue("Good", "Added", "1");
    const QByteArray after = doc.toBytes();
    EXPECT_TRUE(after.startsWith(GetParam().junk + "\n[Broken\nKey=hidden\n"));
    const IniDocument again = IniDocument::fromBytes(after);
    EXPECT_EQ(again.value("Good", "Added"), "1");
    EXPECT_EQ(again.value("Last", "K"), "v");
}

QByteArray binaryJunk()
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    return junk;
}

INSTANTIATE_TEST_SUITE_P(Files, HostileDocument,
                         ::testing::Values(HostileCase{"binary", binaryJunk()},
                                           // longer than any line that is parsed, "=" and all
                                           HostileCase{"ten_megabyte_line",
                                                       QByteArray(10 * 1024 * 1024, '=')}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, TextThatIsNotUtf8ReadsAsLatin1)
{
    const IniDocument doc =
        IniDocument::fromBytes("[Caf\xe9]\nTitle=Gr\xfc\xdf Gott\nUtf=\xc3\xa9t\xc3\xa9\n");
    EXPECT_EQ(doc.value(QString::fromUtf8("CAF\xc3\x89"), "title"),
              QString::fromUtf8("Gr\xc3\xbc\xc3\x9f Gott"));
    EXPECT_EQ(doc.value(QString::fromUtf8("caf\xc3\xa9"), "Utf"),
              QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
}

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

TEST(IniDocument, TextThatIsNotUtf8ReadsAsLatin1)
{
    const IniDocument doc =
        IniDocument::fromBytes("[Caf\xe9]\nTitle=Gr\xfc\xdf Gott\nUtf=\xc3\xa9t\xc3\xa9\n");
    EXPECT_EQ(doc.value(QString::fromUtf8("CAF\xc3\x89"), "title"),
              QString::fromUtf8("Gr\xc3\xbc\xc3\x9f Gott"));
    EXPECT_EQ(doc.value(QString::fromUtf8("caf\xc3\xa9"), "Utf"),
              QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
}

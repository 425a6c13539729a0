// INI documents: the reading conventions, the written text and the file round trip.
#include "engine/params/ini_document.h"
#include "test_files.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using qm::params::IniDocument;

TEST(IniDocument, ReadsWithTheProfileConventions) {
    const auto doc = IniDocument::parse("ignored=before any section\r\n"
                                        "[Coordinates]\r\n"
                                        "  UpperX =  -2.5  \r\n"
                                        "upperx=7\n"
                                        "Empty=\r\n"
                                        "no equals sign here\r\n"
                                        "; comment=1\r\n"
                                        "[ misc ]\r"
                                        "Gradient=a=b\r\n"
                                        "[COORDINATES]\r\n"
                                        "Max=64\r\n"
                                        "[Open\r\n"
                                        "k=v");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Coordinates", "UpperX", "7"}, // the last value wins, whatever the case
        {"coordinates", "UPPERX", "7"}, // names compare without case
        {"Coordinates", "Max", "64"},   // a repeated section continues the first
        {"Coordinates", "Empty", ""},   // present but empty is not the default
        {"Coordinates", "ignored", "dflt"},
        {"Coordinates", "no equals sign here", "dflt"},
        {"Coordinates", "; comment", "dflt"},
        {"Misc", "Gradient", "a=b"}, // split at the first "=", CR alone ends a line
        {"Open", "k", "v"},          // an unclosed header still opens a section
        {"Nowhere", "k", "dflt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.readString(c.section, c.key, "dflt"), c.expected)
            << c.section << "/" << c.key;
    ASSERT_EQ(doc.sections().size(), 3u);
    EXPECT_EQ(doc.sections()[0].name, "Coordinates");
    EXPECT_EQ(doc.sections()[1].name, "misc");
}

TEST(IniDocument, TextThatIsNotIniGivesNoKeys) {
    const char raw[] = "\x00\xff\x7f=[]\n=\n]]][\x01";
    const std::string garbage(raw, sizeof raw - 1);
    const auto doc = IniDocument::parse(garbage);
    EXPECT_EQ(doc.readString("", "", "d"), "d");
    EXPECT_EQ(IniDocument::parse("").sections().size(), 0u);
    EXPECT_EQ(IniDocument::parse("key=value\r\nother=1\r\n").sections().size(), 0u);
}

TEST(IniDocument, ThousandsOfSectionsStayDistinctAndMerged) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "[S" + std::to_string(i % 5000) + "]\nk" + std::to_string(i) + "=" +
                std::to_string(i) + "\n";
    const auto doc = IniDocument::parse(text);
    EXPECT_EQ(doc.sections().size(), 5000u);
    EXPECT_EQ(doc.readString("s4999", "K19999", ""), "19999");
    EXPECT_EQ(doc.readString("S0", "k15000", ""), "15000");
    EXPECT_EQ(doc.readString("S1", "k15000", "none"), "none");
    EXPECT_EQ(doc.sections()[4999].entries.size(), 4u);
}

TEST(IniDocument, LongValuesAreReadAsTheirFirst1023Bytes) {
    const std::string longValue(5000, 'x');
    const auto doc = IniDocument::parse("[S]\r\nk=" + longValue + "\r\nnext=1\r\n");
    EXPECT_EQ(doc.readString("S", "k", ""), std::string(1023, 'x'));
    EXPECT_EQ(doc.readString("S", "next", ""), "1");
    EXPECT_EQ(doc.readString("S", "none", longValue).size(), 1023u);

    // A multi-byte character across the cut is dropped whole.
    const std::string utf8 = std::string(1022, 'a') + "\xc3\xa9" + "tail";
    EXPECT_EQ(IniDocument::parse("[S]\nk=" + utf8).readString("S", "k", ""),
              std::string(1022, 'a'));
}

TEST(IniDocument, WritesSectionsAndKeysInFirstWritingOrderWithCrLf) {
    IniDocument doc;
    doc.writeString("Coordinates", "UpperX", "-2");
    doc.writeString("Mode", "Type", "mandel");
    doc.writeString("coordinates", "LowerX", "2");
    doc.writeString("MODE", "type", "newton"); // replaces in place, keeps the first spelling
    doc.writeString("Formulas", "RGB", "i*2\r\nB=evil");
    doc.writeString("Formulas", "R", "  i + 1  "); // written as given, read trimmed
    EXPECT_EQ(doc.text(), "[Coordinates]\r\nUpperX=-2\r\nLowerX=2\r\n"
                          "[Mode]\r\nType=newton\r\n"
                          "[Formulas]\r\nRGB=i*2  B=evil\r\nR=  i + 1  \r\n");
    const auto back = IniDocument::parse(doc.text());
    EXPECT_EQ(back.readString("Formulas", "B", "none"), "none");
    EXPECT_EQ(back.readString("Formulas", "R", ""), "i + 1");
}

TEST(IniDocument, FileRoundTripAndMissingFile) {
    qm::test::TempDir dir;
    IniDocument doc;
    doc.writeString("A", "k", "v");
    doc.writeFile(dir / "a.qmp");
    EXPECT_EQ(qm::test::readBytes(dir / "a.qmp"), "[A]\r\nk=v\r\n");
    EXPECT_EQ(IniDocument::readFile(dir / "a.qmp").readString("a", "K", ""), "v");
    EXPECT_TRUE(IniDocument::readFile(dir / "missing.qmp").sections().empty());
    EXPECT_TRUE(IniDocument::readFile(dir.path()).sections().empty()); // a folder
}

TEST(IniDocument, RefusesFilesBeyondTheSizeLimit) {
    qm::test::TempDir dir;
    {
        std::ofstream out(dir / "big.qmp", std::ios::binary);
        out << "[A]\r\nk=v\r\n";
        out.seekp(static_cast<std::streamoff>(IniDocument::kMaxFileSize) + 10);
        out << 'x';
    }
    try {
        IniDocument::readFile(dir / "big.qmp");
        FAIL() << "no error";
    } catch (const qm::params::EIniFileException& e) {
        EXPECT_EQ(e.message(),
                  "File " + (dir / "big.qmp").string() + " is too large to be a parameter file");
    }
}

// A file-size limit makes the write fail half-way, as a full disk would (also for root).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST(IniDocument, FailedWriteKeepsTheOldFileAndReportsTheName) {
    qm::test::TempDir dir;
    const auto target = dir / "keep.qmp";
    qm::test::writeBytes(target, "[Old]\r\nk=1\r\n");
    IniDocument doc;
    for (int i = 0; i < 100; ++i)
        doc.writeString("New", "key" + std::to_string(i), "value");
    try {
        FileSizeLimit limit(64);
        doc.writeFile(target);
        FAIL() << "no error";
    } catch (const qm::params::EIniFileException& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + target.string());
        EXPECT_STREQ(e.className(), "EIniFileException");
    }
    EXPECT_EQ(qm::test::readBytes(target), "[Old]\r\nk=1\r\n");
    EXPECT_EQ(qm::test::entryCount(dir.path()), 1u); // no temporary left behind
}

} // namespace

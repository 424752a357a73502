#include <gtest/gtest.h>

#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using dyt::IniFile;

QByteArray readBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// GBK bytes of a text whose lines are separated by "\n" in the source and by `eol` in the file.
QByteArray gbkLines(const QString& text, const QByteArray& eol = "\r\n") {
    QByteArray out = dyt::gbk::encode(text);
    out.replace("\n", eol);
    return out;
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name = QStringLiteral("dytv1config.ini")) const {
        return dir_.filePath(name);
    }
    QTemporaryDir dir_;
};

const QString kSample = QStringLiteral(
    "; 客户端配置\n"
    "orphan=before any section\n"
    "[_CLIENT_]\n"
    "ServerIP = 192.168.1.5 \n"
    "cb1=1\n"
    "ProfileName=\"账套一\"\n"
    "odd line without equals\n"
    "\n"
    "[进货单]\n"
    "TreeWidth=195\n"
    "qiyongzhinengguolv=0\n"
    "\n");

TEST_F(IniFileTest, ReadsWindowsStyleFile) {
    writeBytes(path(), gbkLines(kSample));
    IniFile ini(path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("_CLIENT_"), QStringLiteral("ServerIP")),
              QStringLiteral("192.168.1.5"));
    // Names are compared without regard to letter case or surrounding blanks.
    EXPECT_EQ(ini.ReadString(QStringLiteral("_client_"), QStringLiteral("SERVERIP")),
              QStringLiteral("192.168.1.5"));
    EXPECT_EQ(ini.ReadString(QStringLiteral(" _Client_ "), QStringLiteral("cb1 ")),
              QStringLiteral("1"));
    // One pair of quotes around a value is dropped.
    EXPECT_EQ(ini.ReadString(QStringLiteral("_CLIENT_"), QStringLiteral("ProfileName")),
              QStringLiteral("账套一"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("进货单"), QStringLiteral("TreeWidth")),
              QStringLiteral("195"));
    EXPECT_EQ(
        ini.ReadString(QStringLiteral("_CLIENT_"), QStringLiteral("cb2"), QStringLiteral("0")),
        QStringLiteral("0"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("nosuch"), QStringLiteral("cb1"), QStringLiteral("d")),
              QStringLiteral("d"));
    // Keys before the first section and lines without "=" are not keys.
    EXPECT_FALSE(ini.ValueExists(QString(), QStringLiteral("orphan")));
    EXPECT_FALSE(
        ini.ValueExists(QStringLiteral("_CLIENT_"), QStringLiteral("odd line without equals")));
    EXPECT_FALSE(ini.hasUndecodableBytes());
}

TEST_F(IniFileTest, RewriteKeepsEverythingElseAndWritesCrLf) {
    writeBytes(path(), gbkLines(kSample, "\n"));  // LF line ends on read
    IniFile ini(path());
    ini.WriteString(QStringLiteral("_client_"), QStringLiteral("serverip"),
                    QStringLiteral("10.0.0.1"));
    ini.WriteString(QStringLiteral("_CLIENT_"), QStringLiteral("UserId"), QStringLiteral("3"));
    ini.WriteString(QStringLiteral("销售单"), QStringLiteral("TreeWidth"), QStringLiteral("200"));
    const QString expected = QStringLiteral(
        "; 客户端配置\n"
        "orphan=before any section\n"
        "[_CLIENT_]\n"
        "ServerIP=10.0.0.1\n"
        "cb1=1\n"
        "ProfileName=\"账套一\"\n"
        "odd line without equals\n"
        "UserId=3\n"
        "\n"
        "[进货单]\n"
        "TreeWidth=195\n"
        "qiyongzhinengguolv=0\n"
        "\n"
        "[销售单]\n"
        "TreeWidth=200\n");
    EXPECT_EQ(readBytes(path()), gbkLines(expected));
    // A fresh reader sees the same values.
    IniFile again(path());
    EXPECT_EQ(again.ReadString(QStringLiteral("_CLIENT_"), QStringLiteral("ServerIP")),
              QStringLiteral("10.0.0.1"));
    EXPECT_EQ(again.ReadSection(QStringLiteral("_CLIENT_")),
              (QStringList{QStringLiteral("ServerIP"), QStringLiteral("cb1"),
                           QStringLiteral("ProfileName"), QStringLiteral("UserId")}));
}

TEST_F(IniFileTest, DeleteKeyAndEraseSection) {
    writeBytes(path(), gbkLines(kSample));
    IniFile ini(path());
    ini.DeleteKey(QStringLiteral("_CLIENT_"), QStringLiteral("CB1"));
    ini.DeleteKey(QStringLiteral("_CLIENT_"), QStringLiteral("nosuch"));
    ini.DeleteKey(QStringLiteral("nosuch"), QStringLiteral("cb1"));
    ini.EraseSection(QStringLiteral("进货单"));
    const QString expected = QStringLiteral(
        "; 客户端配置\n"
        "orphan=before any section\n"
        "[_CLIENT_]\n"
        "ServerIP = 192.168.1.5 \n"
        "ProfileName=\"账套一\"\n"
        "odd line without equals\n"
        "\n");
    EXPECT_EQ(readBytes(path()), gbkLines(expected));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("进货单")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("_CLIENT_"), QStringLiteral("cb1")));
}

TEST_F(IniFileTest, DuplicateSectionsAndKeys) {
    IniFile ini =
        IniFile::fromText(QStringLiteral("[A]\nk=1\nK=2\nx=3\n[b]\nk=4\n[a]\nk=5\ny=6\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("a"), QStringLiteral("k")), QStringLiteral("1"));
    // The second section of a name is not read.
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("y")));
    EXPECT_EQ(ini.ReadSections(), (QStringList{QStringLiteral("A"), QStringLiteral("b")}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("A")),
              (QStringList{QStringLiteral("k"), QStringLiteral("x")}));
    const auto values = ini.ReadSectionValues(QStringLiteral("a"));
    ASSERT_EQ(values.size(), 2);
    EXPECT_EQ(values[0].first, QStringLiteral("k"));
    EXPECT_EQ(values[0].second, QStringLiteral("1"));
    EXPECT_EQ(values[1].first, QStringLiteral("x"));
    EXPECT_EQ(values[1].second, QStringLiteral("3"));
    ini.EraseSection(QStringLiteral("A"));
    EXPECT_EQ(ini.toText(), QStringLiteral("[b]\r\nk=4\r\n"));
}

TEST(IniFileValues, ReadInteger) {
    IniFile ini = IniFile::fromText(QStringLiteral(
        "[s]\ndec=12\nneg=-5\nplus=+7\nhex=$FF\ncx=0x10\nword=abc\nempty=\nbig=2147483648\n"
        "min=-2147483648\ntail=12a\nspaced=  42  \nallbits=$FFFFFFFF\nquoted=\"9\"\n"));
    struct Case {
        const char* key;
        int expected;
    } cases[] = {
        {"dec", 12},   {"neg", -5},     {"plus", 7},
        {"hex", 255},  {"cx", 16},      {"word", -1},
        {"empty", -1}, {"big", -1},     {"min", -2147483647 - 1},
        {"tail", -1},  {"spaced", 42},  {"allbits", -1},
        {"quoted", 9}, {"missing", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("s"), QString::fromUtf8(c.key), -1), c.expected)
            << c.key;
    }
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("dec"), false));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("word"), false));
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("s"), QStringLiteral("missing"), true));
}

TEST(IniFileValues, ValuesAreStoredVerbatim) {
    IniFile ini;
    ini.WriteString(QStringLiteral("s"), QStringLiteral("path"), QStringLiteral("C:\\dyt\\a;b=c"));
    ini.WriteInteger(QStringLiteral("s"), QStringLiteral("n"), -12);
    ini.WriteBool(QStringLiteral("s"), QStringLiteral("b"), true);
    EXPECT_EQ(ini.toText(), QStringLiteral("[s]\r\npath=C:\\dyt\\a;b=c\r\nn=-12\r\nb=1\r\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("path")),
              QStringLiteral("C:\\dyt\\a;b=c"));
}

TEST(IniFileText, GridLayoutText) {
    IniFile layout;
    layout.WriteString(QStringLiteral("_Sys_"), QStringLiteral("_Ver_"), QStringLiteral("V10"));
    layout.WriteInteger(QStringLiteral("_Sys_"), QStringLiteral("_Cnt_"), 2);
    layout.WriteInteger(QStringLiteral("_Sys_"), QStringLiteral("0_W"), 66);
    layout.WriteString(QStringLiteral("_Sys_"), QStringLiteral("0_C"),
                       QStringLiteral("单价#$0D含税"));
    const QString text = layout.toText();
    EXPECT_EQ(text,
              QStringLiteral("[_Sys_]\r\n_Ver_=V10\r\n_Cnt_=2\r\n0_W=66\r\n0_C=单价#$0D含税\r\n"));
    IniFile back = IniFile::fromText(text);
    EXPECT_EQ(back.ReadString(QStringLiteral("_sys_"), QStringLiteral("_ver_")),
              QStringLiteral("V10"));
    EXPECT_EQ(back.ReadInteger(QStringLiteral("_Sys_"), QStringLiteral("0_W"), 0), 66);
    EXPECT_EQ(back.ReadString(QStringLiteral("_Sys_"), QStringLiteral("0_C")),
              QStringLiteral("单价#$0D含税"));
    EXPECT_EQ(back.ReadInteger(QStringLiteral("_Sys_"), QStringLiteral("1_W"), 66), 66);
    // A text with LF only or without a final line end reads the same.
    IniFile lf = IniFile::fromText(QStringLiteral("[_Sys_]\n_Ver_=V10"));
    EXPECT_EQ(lf.ReadString(QStringLiteral("_Sys_"), QStringLiteral("_Ver_")),
              QStringLiteral("V10"));
    EXPECT_EQ(lf.toText(), QStringLiteral("[_Sys_]\r\n_Ver_=V10\r\n"));
    // Texts are not files: characters outside GBK are accepted here.
    IniFile wide;
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    wide.WriteString(QStringLiteral("_Sys_"), QStringLiteral("x"), emoji);
    EXPECT_EQ(wide.ReadString(QStringLiteral("_Sys_"), QStringLiteral("x")), emoji);
}

TEST(IniFileText, BadNamesAndValuesAreRefused) {
    IniFile ini;
    const QString s = QStringLiteral("s");
    EXPECT_THROW(ini.WriteString(QString(), QStringLiteral("k"), QStringLiteral("v")),
                 dyt::DytError);
    EXPECT_THROW(ini.WriteString(QStringLiteral("a]b"), QStringLiteral("k"), QStringLiteral("v")),
                 dyt::DytError);
    EXPECT_THROW(ini.WriteString(s, QString(), QStringLiteral("v")), dyt::DytError);
    EXPECT_THROW(ini.WriteString(s, QStringLiteral("a=b"), QStringLiteral("v")), dyt::DytError);
    EXPECT_THROW(ini.WriteString(s, QStringLiteral("[k"), QStringLiteral("v")), dyt::DytError);
    EXPECT_THROW(ini.WriteString(s, QStringLiteral(";k"), QStringLiteral("v")), dyt::DytError);
    EXPECT_THROW(ini.WriteString(s, QStringLiteral("k"), QStringLiteral("a\r\nb")), dyt::DytError);
    EXPECT_EQ(ini.toText(), QString());
}

TEST_F(IniFileTest, CharactersOutsideGbkAreRefusedAndNothingChanges) {
    writeBytes(path(), gbkLines(kSample));
    const QByteArray before = readBytes(path());
    IniFile ini(path());
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    try {
        ini.WriteString(QStringLiteral("_CLIENT_"), QStringLiteral("ServerIP"), emoji);
        FAIL() << "no error";
    } catch (const dyt::DytError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("GBK"))) << e.what();
    }
    EXPECT_THROW(ini.WriteString(emoji, QStringLiteral("k"), QStringLiteral("v")), dyt::DytError);
    EXPECT_EQ(readBytes(path()), before);
    EXPECT_EQ(ini.ReadString(QStringLiteral("_CLIENT_"), QStringLiteral("ServerIP")),
              QStringLiteral("192.168.1.5"));
}

TEST_F(IniFileTest, Utf8ByteOrderMarkIsReadAndTheFileBecomesGbk) {
    writeBytes(path(), QByteArray("\xEF\xBB\xBF") +
                           QStringLiteral("[_CLIENT_]\r\nProfileName=账套一\r\n").toUtf8());
    IniFile ini(path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("_CLIENT_"), QStringLiteral("ProfileName")),
              QStringLiteral("账套一"));
    ini.WriteString(QStringLiteral("_CLIENT_"), QStringLiteral("UserId"), QStringLiteral("1"));
    EXPECT_EQ(readBytes(path()),
              gbkLines(QStringLiteral("[_CLIENT_]\nProfileName=账套一\nUserId=1\n")));
}

TEST_F(IniFileTest, Utf16ByteOrderMarkIsRead) {
    const QString text = QStringLiteral("[s]\r\nk=值\r\n");
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    writeBytes(path(), bytes);
    IniFile ini(path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("值"));
}

TEST_F(IniFileTest, InvalidGbkLinesSurviveByteForByte) {
    // 0xFF is never valid in GBK; 0xBD alone at the end of a line is a cut character.
    const QByteArray bad1 = QByteArray("; note \xFF\xFF here");
    const QByteArray bad2 = QByteArray("Broken=ab\xBD");
    writeBytes(path(), QByteArray("[s]\r\n") + bad1 + "\r\n" + bad2 + "\r\nk=1\r\n");
    IniFile ini(path());
    EXPECT_TRUE(ini.hasUndecodableBytes());
    EXPECT_TRUE(ini.ReadString(QStringLiteral("s"), QStringLiteral("Broken"))
                    .startsWith(QStringLiteral("ab")));
    EXPECT_TRUE(
        ini.ReadString(QStringLiteral("s"), QStringLiteral("Broken")).contains(QChar(0xFFFD)));
    ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("2"));
    EXPECT_EQ(readBytes(path()), QByteArray("[s]\r\n") + bad1 + "\r\n" + bad2 + "\r\nk=2\r\n");
}

TEST_F(IniFileTest, MissingFileIsEmptyAndCreatedOnFirstWrite) {
    IniFile ini(path());
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    ini.WriteString(QStringLiteral("_CLIENT_"), QStringLiteral("cb2"), QStringLiteral("0"));
    EXPECT_EQ(readBytes(path()), QByteArray("[_CLIENT_]\r\ncb2=0\r\n"));
    // Only the file itself is left in the folder: no temporary file remains.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("dytv1config.ini")});
}

TEST_F(IniFileTest, FailedSaveLeavesMemoryAndDiskAlone) {
    IniFile ini(dir_.filePath(QStringLiteral("no/such/folder/print.ini")));
    EXPECT_THROW(ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v")),
                 dyt::DytError);
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("s"), QStringLiteral("k")));
    // A folder in the way: it cannot be read as a file, nor replaced by one.
    QDir(dir_.path()).mkdir(QStringLiteral("print.ini"));
    EXPECT_THROW(IniFile{path(QStringLiteral("print.ini"))}, dyt::DytError);
    IniFile text = IniFile::fromText(QStringLiteral("[s]\nk=v\n"));
    EXPECT_THROW(text.saveAs(path(QStringLiteral("print.ini"))), dyt::DytError);
    EXPECT_EQ(text.fileName(), QString());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("print.ini"))).isDir());
}

TEST_F(IniFileTest, BufferedWritesReachTheFileOnSave) {
    writeBytes(path(), QByteArray("[s]\r\nk=1\r\n"));
    IniFile ini(path());
    ini.setWriteThrough(false);
    ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("2"));
    EXPECT_EQ(readBytes(path()), QByteArray("[s]\r\nk=1\r\n"));
    ini.save();
    EXPECT_EQ(readBytes(path()), QByteArray("[s]\r\nk=2\r\n"));
    // Another writer changes the file; reload sees it.
    writeBytes(path(), QByteArray("[s]\nk=3\n"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("2"));
    ini.reload();
    EXPECT_EQ(ini.ReadString(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("3"));
    // A text saved as a file.
    IniFile text = IniFile::fromText(QStringLiteral("[_Sys_]\n_Ver_=V10\n"));
    text.saveAs(path(QStringLiteral("layout.ini")));
    EXPECT_EQ(readBytes(path(QStringLiteral("layout.ini"))),
              QByteArray("[_Sys_]\r\n_Ver_=V10\r\n"));
    EXPECT_EQ(text.fileName(), path(QStringLiteral("layout.ini")));
}

}  // namespace

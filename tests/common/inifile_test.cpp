#include <gtest/gtest.h>

#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "support/testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

using dyt::IniFile;

using dyt::test::readFile;
using dyt::test::writeFile;

// GBK bytes of a text whose lines are separated by "\n" in the source and by `eol` in the file.
QByteArray gbkLines(const QString& text, const QByteArray& eol = "\r\n") {
    QByteArray out = dyt::gbk::encode(text);
    out.replace("\n", eol);
    return out;
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString path(const QString& name = u"dytv1config.ini"_s) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

const QString kSample =
    u"; 客户端配置\n"
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
    "\n"_s;

TEST_F(IniFileTest, ReadsWindowsStyleFile) {
    writeFile(path(), gbkLines(kSample));
    IniFile ini(path());
    EXPECT_EQ(ini.readString(u"_CLIENT_"_s, u"ServerIP"_s), u"192.168.1.5"_s);
    // Names are compared without regard to letter case or surrounding blanks.
    EXPECT_EQ(ini.readString(u"_client_"_s, u"SERVERIP"_s), u"192.168.1.5"_s);
    EXPECT_EQ(ini.readString(u" _Client_ "_s, u"cb1 "_s), u"1"_s);
    // One pair of quotes around a value is dropped.
    EXPECT_EQ(ini.readString(u"_CLIENT_"_s, u"ProfileName"_s), u"账套一"_s);
    EXPECT_EQ(ini.readString(u"进货单"_s, u"TreeWidth"_s), u"195"_s);
    EXPECT_EQ(ini.readString(u"_CLIENT_"_s, u"cb2"_s, u"0"_s), u"0"_s);
    EXPECT_EQ(ini.readString(u"nosuch"_s, u"cb1"_s, u"d"_s), u"d"_s);
    // Keys before the first section and lines without "=" are not keys.
    EXPECT_FALSE(ini.valueExists(QString(), u"orphan"_s));
    EXPECT_FALSE(ini.valueExists(u"_CLIENT_"_s, u"odd line without equals"_s));
    EXPECT_FALSE(ini.hasUndecodableBytes());
}

TEST_F(IniFileTest, RewriteKeepsEverythingElseAndWritesCrLf) {
    writeFile(path(), gbkLines(kSample, "\n"));  // LF line ends on read
    IniFile ini(path());
    ini.writeString(u"_client_"_s, u"serverip"_s, u"10.0.0.1"_s);
    ini.writeString(u"_CLIENT_"_s, u"UserId"_s, u"3"_s);
    ini.writeString(u"销售单"_s, u"TreeWidth"_s, u"200"_s);
    const QString expected =
        u"; 客户端配置\n"
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
        "TreeWidth=200\n"_s;
    EXPECT_EQ(readFile(path()), gbkLines(expected));
    // A fresh reader sees the same values.
    IniFile again(path());
    EXPECT_EQ(again.readString(u"_CLIENT_"_s, u"ServerIP"_s), u"10.0.0.1"_s);
    EXPECT_EQ(again.readSection(u"_CLIENT_"_s),
              (QStringList{u"ServerIP"_s, u"cb1"_s, u"ProfileName"_s, u"UserId"_s}));
}

TEST_F(IniFileTest, DeleteKeyAndEraseSection) {
    writeFile(path(), gbkLines(kSample));
    IniFile ini(path());
    ini.deleteKey(u"_CLIENT_"_s, u"CB1"_s);
    ini.deleteKey(u"_CLIENT_"_s, u"nosuch"_s);
    ini.deleteKey(u"nosuch"_s, u"cb1"_s);
    ini.eraseSection(u"进货单"_s);
    const QString expected =
        u"; 客户端配置\n"
        "orphan=before any section\n"
        "[_CLIENT_]\n"
        "ServerIP = 192.168.1.5 \n"
        "ProfileName=\"账套一\"\n"
        "odd line without equals\n"
        "\n"_s;
    EXPECT_EQ(readFile(path()), gbkLines(expected));
    EXPECT_FALSE(ini.sectionExists(u"进货单"_s));
    EXPECT_FALSE(ini.valueExists(u"_CLIENT_"_s, u"cb1"_s));
}

TEST_F(IniFileTest, DuplicateSectionsAndKeys) {
    IniFile ini = IniFile::fromText(u"[A]\nk=1\nK=2\nx=3\n[b]\nk=4\n[a]\nk=5\ny=6\n"_s);
    EXPECT_EQ(ini.readString(u"a"_s, u"k"_s), u"1"_s);
    // The second section of a name is not read.
    EXPECT_FALSE(ini.valueExists(u"A"_s, u"y"_s));
    EXPECT_EQ(ini.readSections(), (QStringList{u"A"_s, u"b"_s}));
    EXPECT_EQ(ini.readSection(u"A"_s), (QStringList{u"k"_s, u"x"_s}));
    QStringList values;
    for (const auto& [key, value] : ini.readSectionValues(u"a"_s))
        values << key + u'=' + value;
    EXPECT_EQ(values, (QStringList{u"k=1"_s, u"x=3"_s}));
    ini.eraseSection(u"A"_s);
    EXPECT_EQ(ini.toText(), u"[b]\r\nk=4\r\n"_s);
}

TEST(IniFileValues, readInteger) {
    IniFile ini = IniFile::fromText(
        u"[s]\ndec=12\nneg=-5\nplus=+7\nhex=$FF\ncx=0x10\nword=abc\nempty=\nbig=2147483648\n"
        "min=-2147483648\ntail=12a\nspaced=  42  \nallbits=$FFFFFFFF\nquoted=\"9\"\n"
        "nhex=-$80000000\n"_s);
    struct Case {
        const char* key;
        int expected;
    } cases[] = {
        {"dec", 12}, {"neg", -5}, {"plus", 7}, {"hex", 255}, {"cx", 16}, {"word", -1},
        {"empty", -1}, {"big", -1}, {"min", -2147483647 - 1}, {"tail", -1}, {"spaced", 42},
        {"allbits", -1}, {"quoted", 9}, {"nhex", -2147483647 - 1}, {"missing", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ini.readInteger(u"s"_s, QString::fromUtf8(c.key), -1), c.expected) << c.key;
    EXPECT_TRUE(ini.readBool(u"s"_s, u"dec"_s, false));
    EXPECT_FALSE(ini.readBool(u"s"_s, u"word"_s, false));
    EXPECT_TRUE(ini.readBool(u"s"_s, u"missing"_s, true));
}

TEST(IniFileValues, ValuesAreStoredVerbatim) {
    IniFile ini;
    ini.writeString(u"s"_s, u"path"_s, u"C:\\dyt\\a;b=c"_s);
    ini.writeInteger(u"s"_s, u"n"_s, -12);
    ini.writeBool(u"s"_s, u"b"_s, true);
    EXPECT_EQ(ini.toText(), u"[s]\r\npath=C:\\dyt\\a;b=c\r\nn=-12\r\nb=1\r\n"_s);
    EXPECT_EQ(ini.readString(u"s"_s, u"path"_s), u"C:\\dyt\\a;b=c"_s);
}

TEST(IniFileText, gridLayoutTextAndBadNamesAndValues) {
    IniFile layout;
    layout.writeString(u"_Sys_"_s, u"_Ver_"_s, u"V10"_s);
    layout.writeInteger(u"_Sys_"_s, u"_Cnt_"_s, 2);
    layout.writeInteger(u"_Sys_"_s, u"0_W"_s, 66);
    layout.writeString(u"_Sys_"_s, u"0_C"_s, u"单价#$0D含税"_s);
    const QString text = layout.toText();
    EXPECT_EQ(text, u"[_Sys_]\r\n_Ver_=V10\r\n_Cnt_=2\r\n0_W=66\r\n0_C=单价#$0D含税\r\n"_s);
    IniFile back = IniFile::fromText(text);
    EXPECT_EQ(back.readString(u"_sys_"_s, u"_ver_"_s), u"V10"_s);
    EXPECT_EQ(back.readInteger(u"_Sys_"_s, u"0_W"_s, 0), 66);
    EXPECT_EQ(back.readString(u"_Sys_"_s, u"0_C"_s), u"单价#$0D含税"_s);
    EXPECT_EQ(back.readInteger(u"_Sys_"_s, u"1_W"_s, 66), 66);
    // A text with LF only or without a final line end reads the same.
    IniFile lf = IniFile::fromText(u"[_Sys_]\n_Ver_=V10"_s);
    EXPECT_EQ(lf.readString(u"_Sys_"_s, u"_Ver_"_s), u"V10"_s);
    EXPECT_EQ(lf.toText(), u"[_Sys_]\r\n_Ver_=V10\r\n"_s);
    // Texts are not files: characters outside GBK are accepted here.
    IniFile wide;
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    wide.writeString(u"_Sys_"_s, u"x"_s, emoji);
    EXPECT_EQ(wide.readString(u"_Sys_"_s, u"x"_s), emoji);
    // Bad names and values are refused.
    IniFile ini;
    const QString bad[][3] = {{QString(), u"k"_s, u"v"_s}, {u"a]b"_s, u"k"_s, u"v"_s},
                              {u"s"_s, QString(), u"v"_s}, {u"s"_s, u"a=b"_s, u"v"_s},
                              {u"s"_s, u"[k"_s, u"v"_s},   {u"s"_s, u";k"_s, u"v"_s},
                              {u"s"_s, u"k"_s, u"a\r\nb"_s}};
    for (const auto& b : bad)
        EXPECT_THROW(ini.writeString(b[0], b[1], b[2]), dyt::DytError) << b[1].toStdString();
    EXPECT_EQ(ini.toText(), QString());
}

TEST_F(IniFileTest, CharactersOutsideGbkAreRefusedAndNothingChanges) {
    writeFile(path(), gbkLines(kSample));
    const QByteArray before = readFile(path());
    IniFile ini(path());
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    const QString error =
        dyt::test::errorOf([&] { ini.writeString(u"_CLIENT_"_s, u"ServerIP"_s, emoji); });
    EXPECT_TRUE(error.contains(u"GBK"_s)) << error.toStdString();
    EXPECT_THROW(ini.writeString(emoji, u"k"_s, u"v"_s), dyt::DytError);
    EXPECT_EQ(readFile(path()), before);
    EXPECT_EQ(ini.readString(u"_CLIENT_"_s, u"ServerIP"_s), u"192.168.1.5"_s);
    // Byte order marks are read and the file becomes GBK.
    const QString text = u"[s]\r\nk=值\r\n"_s;
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    for (const QByteArray& bytes : {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), utf16}) {
        writeFile(path(), bytes);
        IniFile marked(path());
        EXPECT_EQ(marked.readString(u"s"_s, u"k"_s), u"值"_s);
        marked.writeString(u"s"_s, u"n"_s, u"1"_s);
        EXPECT_EQ(readFile(path()), gbkLines(u"[s]\nk=值\nn=1\n"_s));
    }
}

TEST_F(IniFileTest, InvalidGbkLinesSurviveByteForByte) {
    // 0xFF is never valid in GBK; 0xBD alone at the end of a line is a cut character.
    const QByteArray bad1 = QByteArray("; note \xFF\xFF here");
    const QByteArray bad2 = QByteArray("Broken=ab\xBD");
    writeFile(path(), QByteArray("[s]\r\n") + bad1 + "\r\n" + bad2 + "\r\nk=1\r\n");
    IniFile ini(path());
    EXPECT_TRUE(ini.hasUndecodableBytes());
    EXPECT_TRUE(ini.readString(u"s"_s, u"Broken"_s).startsWith(u"ab"_s));
    EXPECT_TRUE(ini.readString(u"s"_s, u"Broken"_s).contains(QChar(0xFFFD)));
    ini.writeString(u"s"_s, u"k"_s, u"2"_s);
    EXPECT_EQ(readFile(path()), QByteArray("[s]\r\n") + bad1 + "\r\n" + bad2 + "\r\nk=2\r\n");
}

TEST_F(IniFileTest, MissingFileIsEmptyAndCreatedOnFirstWrite) {
    IniFile ini(path());
    EXPECT_TRUE(ini.readSections().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));
    ini.writeString(u"_CLIENT_"_s, u"cb2"_s, u"0"_s);
    EXPECT_EQ(readFile(path()), QByteArray("[_CLIENT_]\r\ncb2=0\r\n"));
    // Only the file itself is left in the folder: no temporary file remains.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"dytv1config.ini"_s});
}

TEST_F(IniFileTest, FailedSaveLeavesMemoryAndDiskAlone) {
    IniFile ini(dir_.filePath(u"no/such/folder/print.ini"_s));
    EXPECT_THROW(ini.writeString(u"s"_s, u"k"_s, u"v"_s), dyt::DytError);
    EXPECT_FALSE(ini.valueExists(u"s"_s, u"k"_s));
    // A folder in the way: it cannot be read as a file, nor replaced by one.
    QDir(dir_.path()).mkdir(u"print.ini"_s);
    EXPECT_THROW(IniFile{path(u"print.ini"_s)}, dyt::DytError);
    IniFile text = IniFile::fromText(u"[s]\nk=v\n"_s);
    EXPECT_THROW(text.saveAs(path(u"print.ini"_s)), dyt::DytError);
    EXPECT_EQ(text.fileName(), QString());
    EXPECT_TRUE(QFileInfo(path(u"print.ini"_s)).isDir());
    // A file that can no longer be replaced: a changed key and a new one are both taken back.
    const QString busy = path(u"busy.ini"_s);
    IniFile(busy).writeString(u"s"_s, u"k"_s, u"v"_s);
    IniFile loaded(busy);
    ASSERT_TRUE(QFile::remove(busy) && QDir(dir_.path()).mkdir(u"busy.ini"_s));
    for (const QString& key : {u"k"_s, u"new"_s})
        EXPECT_THROW(loaded.writeString(u"s"_s, key, u"x"_s), dyt::DytError);
    EXPECT_EQ(u"[s]\r\nk=v\r\n"_s, loaded.toText());
}

TEST_F(IniFileTest, BufferedWritesReachTheFileOnSave) {
    writeFile(path(), QByteArray("[s]\r\nk=1\r\n"));
    IniFile ini(path());
    ini.setWriteThrough(false);
    ini.writeString(u"s"_s, u"k"_s, u"2"_s);
    EXPECT_EQ(readFile(path()), QByteArray("[s]\r\nk=1\r\n"));
    ini.save();
    EXPECT_EQ(readFile(path()), QByteArray("[s]\r\nk=2\r\n"));
    // Another writer changes the file; reload sees it.
    writeFile(path(), QByteArray("[s]\nk=3\n"));
    EXPECT_EQ(ini.readString(u"s"_s, u"k"_s), u"2"_s);
    ini.reload();
    EXPECT_EQ(ini.readString(u"s"_s, u"k"_s), u"3"_s);
    // A text saved as a file.
    IniFile text = IniFile::fromText(u"[_Sys_]\n_Ver_=V10\n"_s);
    text.saveAs(path(u"layout.ini"_s));
    EXPECT_EQ(readFile(path(u"layout.ini"_s)), QByteArray("[_Sys_]\r\n_Ver_=V10\r\n"));
    EXPECT_EQ(text.fileName(), path(u"layout.ini"_s));
}

}  // namespace

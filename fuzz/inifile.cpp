// INI files (GBK, UTF-8 or UTF-16 with a byte-order mark) and INI texts: read every value, write
// each one back changed, save and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/error.h"
#include "common/inifile.h"

using namespace dyt;

namespace {

// Saving syncs the file to disk: a folder in memory, where there is one, keeps the runs fast.
const QString& fileName() {
    static const QString name =
        QDir(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                : QDir::tempPath())
            .filePath(QStringLiteral("dyt-fuzz-%1.ini").arg(QCoreApplication::applicationPid()));
    return name;
}

void exercise(IniFile& ini) {
    const QStringList sections = ini.readSections();
    for (const QString& section : sections) {
        for (const auto& [key, value] : ini.readSectionValues(section)) {
            if (!ini.valueExists(section, key) || ini.readString(section, key) != value)
                std::abort();
            ini.readInteger(section, key, -1);
            try {
                ini.writeString(section, key, u'1' + value + u'1');
                if (ini.readString(section, key) != u'1' + value + u'1')
                    std::abort();
            } catch (const DytError&) {  // a name or value that the file cannot hold
            }
        }
    }
    if (IniFile::fromText(ini.toText()).readSections() != sections)
        std::abort();
    if (!sections.isEmpty()) {
        ini.deleteKey(sections.front(), ini.readSection(sections.front()).value(0));
        ini.eraseSection(sections.back());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const QByteArray bytes = QByteArray(reinterpret_cast<const char*>(data), size).mid(1);
    if (!(data[0] & 1)) {
        IniFile ini = IniFile::fromText(QString::fromUtf8(bytes));
        exercise(ini);
        return 0;
    }
    QFile file(fileName());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    IniFile ini(fileName());
    ini.setWriteThrough(false);
    exercise(ini);
    const QStringList sections = ini.readSections();
    try {
        ini.save();
        ini.reload();
        if (ini.readSections() != sections)
            std::abort();
    } catch (const DytError&) {  // text that GBK cannot hold
    }
    QFile::remove(fileName());
    return 0;
}

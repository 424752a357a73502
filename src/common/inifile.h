#pragma once
// INI files as the Windows profile functions read and write them, and INI texts (the grid layouts
// keep one with the section "_Sys_" in the database).
//
// - Files are GBK; lines end in CR LF when written, LF or CR LF are accepted when read.
// - Section and key names are compared without regard to letter case and without the blanks
//   around them. The first section of a name and its first key of a name are the ones read and
//   written.
// - A line "[name]" starts a section, a line "key=value" is a key; every other line (comments
//   starting with ";", blank lines, odd lines, keys before the first section) is kept as it is.
// - Values are stored as given, without quoting or escaping. When read, the blanks around a value
//   are dropped and so is one pair of matching quotes around it ("abc" or 'abc'), as Windows does.
// - New keys go after the last non-blank line of their section, new sections at the end.
// - A file starting with a UTF-8 or UTF-16 byte-order mark is read in that encoding and written
//   back as GBK. Bytes that are not valid GBK read as U+FFFD; their lines are written back byte
//   for byte as long as they are not changed.
// - An object bound to a file writes every change through to it at once (like the Windows
//   functions) unless write-through is turned off; a file is always replaced as a whole through a
//   temporary file in the same folder, so a crash never leaves a truncated file.
// - Sections, keys and values that GBK cannot hold are refused for files (DytError), and so are
//   names and values that could not be read back (line breaks, "=" in a key, "]" in a section).

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

namespace dyt {

class IniFile {
public:
    // An empty INI text, not bound to a file.
    IniFile();
    // Bound to a file: reads it when it exists (a missing file is an empty one). Throws DytError
    // when the file exists but cannot be read.
    explicit IniFile(const QString& fileName);

    static IniFile fromText(const QString& text);
    // The whole text, every line ended by CR LF.
    QString toText() const;
    void setText(const QString& text);

    const QString& fileName() const { return fileName_; }
    bool writeThrough() const { return writeThrough_; }
    void setWriteThrough(bool on) { writeThrough_ = on; }
    // Reads the bound file again, dropping unsaved changes.
    void reload();
    // Writes the whole text to the bound file (to `fileName` for saveAs, which binds it).
    void save();
    void saveAs(const QString& fileName);
    // True when the file read had bytes that are not valid GBK.
    bool hasUndecodableBytes() const { return undecodable_; }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // Decimal, "$FF" or "0xFF"; anything else (or a value out of range) gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // readInteger(…, default ? 1 : 0) != 0.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    // Section names in file order, each name once, spelt as at its first occurrence.
    QStringList readSections() const;
    // Key names of a section in order, each once.
    QStringList readSection(const QString& section) const;
    // Keys and values of a section in order, each key once.
    QList<QPair<QString, QString>> readSectionValues(const QString& section) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    // Removes the key's line; nothing happens when there is none.
    void deleteKey(const QString& section, const QString& key);
    // Removes every section of that name with all its lines.
    void eraseSection(const QString& section);

private:
    struct Line {
        enum class Kind { Other, Section, Key };
        Kind kind = Kind::Other;
        QString text;    // the whole line without its line end
        QString name;    // section name or key, without the blanks around it
        QString value;   // a key's value as read
        QByteArray raw;  // the bytes read from the file while the line is unchanged
        bool hasRaw = false;
    };

    static Line parseLine(const QString& text);
    void parseText(const QString& text);
    void loadFile();
    QByteArray encodeAll() const;
    void writeFile(const QString& fileName) const;
    void commitChange(QList<Line>&& before);
    void commitChange(const std::function<void()>& undo);
    void checkGbk(const QString& text) const;

    // Index of the first section line of that name, or -1.
    qsizetype findSection(const QString& section) const;
    // End (exclusive) of the section starting at index.
    qsizetype sectionEnd(qsizetype index) const;
    qsizetype findKey(qsizetype sectionIndex, const QString& key) const;

    QList<Line> lines_;
    QString fileName_;
    bool writeThrough_ = false;
    bool undecodable_ = false;
    bool reencode_ = false;  // the file was not GBK: write every line from its text
};

}  // namespace dyt

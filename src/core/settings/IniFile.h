#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>

// A small INI file: "[Section]" headers and "Key=Value" lines, written in UTF-8. Keys compare
// without regard to letter case; values are kept exactly as written. Sections are kept in order.
class IniFile
{
public:
    // The longest text, in UTF-16 units, that load() reads and save() writes.
    static constexpr qsizetype MaxTextLength = qsizetype(1) << 20;

    // Reads the file: UTF-8, or UTF-16/32 after a byte order mark, or else Windows-1252, or
    // Windows-1256 when the bytes look like Arabic in that code page. A missing or unreadable
    // file, or one longer than MaxTextLength, gives an empty one.
    static IniFile load(const QString &path);
    // Parses text.
    static IniFile parse(const QString &text);

    QString readString(const QString &section, const QString &key,
                       const QString &def = QString()) const;
    int readInteger(const QString &section, const QString &key, int def) const;
    void writeString(const QString &section, const QString &key, const QString &value);
    void eraseSection(const QString &section);

    QString toText() const;
    // Writes the whole file at once; false when it cannot be written or its text is longer
    // than MaxTextLength (the old file stays).
    bool save(const QString &path) const;

private:
    struct Entry {
        QString key, value;
        QString raw; // a line that is not key=value (comment), kept as it was
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    struct Place {
        qsizetype section, entry;
    };
    using FoldedKey = std::pair<QString, QString>; // case-folded section and key names
    void reindex();
    QList<Section> m_sections; // a first section with an empty name holds lines before any header
    // Lookups in constant time, so that reading or writing n keys stays linear: the first
    // section of each name, and where the first value of each key is.
    QHash<QString, qsizetype> m_firstSection;
    QHash<FoldedKey, Place> m_firstEntry;
};

#pragma once

#include <QString>
#include <QStringList>

// A small INI file: "[Section]" headers and "Key=Value" lines, UTF-8. Keys compare without
// regard to letter case; values are kept exactly as written. Sections are kept in order.
class IniFile
{
public:
    // Reads the file; a missing or unreadable file gives an empty one.
    static IniFile load(const QString &path);
    // Parses text.
    static IniFile parse(const QString &text);

    QString readString(const QString &section, const QString &key,
                       const QString &def = QString()) const;
    int readInteger(const QString &section, const QString &key, int def) const;
    void writeString(const QString &section, const QString &key, const QString &value);
    void eraseSection(const QString &section);

    QString toText() const;
    // Writes the whole file at once; false when it cannot be written (the old file stays).
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
    Section *find(const QString &section);
    const Section *find(const QString &section) const;
    QList<Section> m_sections; // a first section with an empty name holds lines before any header
};

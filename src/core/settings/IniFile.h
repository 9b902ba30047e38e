#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <optional>
#include <utility>

// A small INI file: "[Section]" headers and "Key=Value" lines. Keys compare without regard to
// letter case; values are kept exactly as written. The file is kept as its lines, each with
// its own bytes, so that rewriting one section leaves every other line byte for byte.
//
// Encoding: UTF-16/32 after a byte order mark; else each line alone: valid UTF-8 is UTF-8; a
// line with UTF-8 characters and a few stray bytes keeps its UTF-8 characters, the stray bytes
// read in the code page; any other line is an older copy's Windows code page (Windows-1252, or
// Windows-1256 when the line looks like Arabic). New lines are written in UTF-8 (in the
// file's encoding after a UTF-16/32 byte order mark).
class IniFile
{
public:
    // The longest text, in UTF-16 units, that load() reads and a save writes.
    static constexpr qsizetype MaxTextLength = qsizetype(1) << 20;

    // Reads the file. A missing file gives an empty one. A file that cannot be read whole
    // (no permission, not a file, longer than MaxTextLength, damaged UTF-16/32) gives an
    // empty one whose problem() says why; it must not be saved over.
    static IniFile load(const QString &path);
    // Parses text (written back as UTF-8).
    static IniFile parse(const QString &text);
    // Parses a file's bytes.
    static IniFile fromBytes(const QByteArray &bytes);

    // Why the file could not be read; empty when it was (or was missing).
    const QString &problem() const { return m_problem; }

    QString readString(const QString &section, const QString &key,
                       const QString &def = QString()) const;
    int readInteger(const QString &section, const QString &key, int def) const;

    using Entries = QList<std::pair<QString, QString>>;
    // Replaces the first section of that name (its header and lines, but not the blank lines
    // that part it from the next one) with these keys and values in order; later sections of
    // that name go. A section not there is added at the end. Values must hold no line break.
    void replaceSection(const QString &section, const Entries &entries);

    QString toText() const;
    QByteArray toBytes() const;

private:
    struct Line {
        QByteArray raw; // the line's bytes in the file, line end included (8-bit files)
        QString text;   // without its line end
        QString eol;    // "\r\n", "\n" or nothing (the last line)
    };
    enum class Kind { Other, Header, Entry };
    struct Parsed {
        Kind kind = Kind::Other;
        QString name, value; // header: section name; entry: key and value
    };
    static Parsed parseLine(const QString &text);
    void reindex();
    QString newLineEnd() const;

    QList<Line> m_lines;
    std::optional<QStringConverter::Encoding> m_wide; // UTF-16/32 file, written back as such
    QString m_problem;
    // The first value of each key of the first section of each name (case-folded).
    QHash<std::pair<QString, QString>, QString> m_values;
};

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

// Reads UTF-8 text line by line in chunks, so a large file never sits in memory whole.
// Lines end with CR LF, LF or CR; a line break at the very end adds no line; a leading
// byte-order mark is skipped. Bytes that are not valid UTF-8 throw UserError naming the file
// and the line, with the decoder's message; text in UTF-16 or UTF-32 (with or without a byte
// order mark) is refused as not a transfer file.
class LineReader
{
public:
    explicit LineReader(QIODevice &device, QString name = QString());

    // The next line, valid until the following call; false at the end.
    bool next(QStringView &line);
    qint64 bytesRead() const { return m_bytesRead; }

    static const QString &notUtf8Message();

private:
    bool fill();

    QIODevice &m_device;
    QString m_name;
    QByteArray m_raw; // bytes read, including an incomplete sequence kept from before
    qsizetype m_rawKept = 0;
    QString m_text;      // decoded text of the current chunk
    qsizetype m_pos = 0; // next unread character of m_text
    QString m_carry;     // a line that runs over a chunk boundary
    bool m_eof = false;
    bool m_first = true;
    bool m_skipLf = false; // the previous chunk ended with CR
    qint64 m_bytesRead = 0;
    qint64 m_lines = 0; // lines handed out
};

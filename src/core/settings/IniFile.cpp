#include "IniFile.h"

#include <QFile>
#include <QSaveFile>

IniFile IniFile::load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return IniFile();
    // Bounded: a settings file is a few lines; anything huge is not ours.
    const QByteArray bytes = f.read(1 << 20);
    return parse(QString::fromUtf8(bytes));
}

IniFile IniFile::parse(const QString &text)
{
    IniFile ini;
    ini.m_sections.append(Section{QString(), {}});
    QString body = text;
    if (body.startsWith(QChar(0xFEFF))) body.remove(0, 1);
    const QStringList lines = body.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (i == lines.size() - 1 && line.isEmpty()) break;
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.endsWith(u']')) {
            ini.m_sections.append(Section{t.mid(1, t.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !t.startsWith(u';'))
            ini.m_sections.last().entries.append(
                Entry{line.left(eq).trimmed(), line.mid(eq + 1), {}});
        else
            ini.m_sections.last().entries.append(Entry{{}, {}, line});
    }
    return ini;
}

IniFile::Section *IniFile::find(const QString &section)
{
    for (Section &s : m_sections)
        if (!s.name.isEmpty() && s.name.compare(section, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

const IniFile::Section *IniFile::find(const QString &section) const
{
    return const_cast<IniFile *>(this)->find(section);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    // The first occurrence counts, also when a section header is repeated.
    for (const Section &s : m_sections) {
        if (s.name.isEmpty() || s.name.compare(section, Qt::CaseInsensitive) != 0) continue;
        for (const Entry &e : s.entries)
            if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0) return e.value;
    }
    return def;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok);
    return ok ? v : def;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Section *s = find(section);
    if (!s) {
        m_sections.append(Section{section, {}});
        s = &m_sections.last();
    }
    for (Entry &e : s->entries) {
        if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0) {
            e.value = value;
            return;
        }
    }
    s->entries.append(Entry{key, value, {}});
}

void IniFile::eraseSection(const QString &section)
{
    for (qsizetype i = 0; i < m_sections.size(); ++i)
        if (!m_sections[i].name.isEmpty() &&
            m_sections[i].name.compare(section, Qt::CaseInsensitive) == 0)
            m_sections.removeAt(i--);
}

QString IniFile::toText() const
{
    QString out;
    for (const Section &s : m_sections) {
        if (!s.name.isEmpty()) out += u'[' + s.name + QStringLiteral("]\r\n");
        for (const Entry &e : s.entries)
            out += (e.key.isEmpty() ? e.raw : e.key + u'=' + e.value) + QStringLiteral("\r\n");
    }
    return out;
}

bool IniFile::save(const QString &path) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = toText().toUtf8();
    return f.write(bytes) == bytes.size() && f.commit();
}

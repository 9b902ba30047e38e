#include "BasicText.h"

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

namespace
{

// A Latin letter's base letter (its canonical decomposition's first character) in lower case;
// ASCII without asking Unicode.
char16_t foldLatin(char16_t c)
{
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    const QChar base = QString(QChar(c)).normalized(QString::NormalizationForm_D).at(0);
    if (!base.isLetter() || base.script() != QChar::Script_Latin) return c;
    return base.toLower().unicode();
}

} // namespace

TextFolding::TextFolding()
{
    for (char32_t c = 0; c <= 0xFFFF; ++c)
        m_fold[c] = char16_t(c);
    for (char16_t c = 0; c < 0x0250; ++c) // Basic Latin to Latin Extended-B
        m_fold[c] = foldLatin(c);
    for (char16_t c = 0x0300; c < 0x0370; ++c) // combining diacritical marks
        m_fold[c] = 0;
    for (char16_t c = 0x1E00; c < 0x1F00; ++c) // Latin Extended Additional
        m_fold[c] = foldLatin(c);
}

const TextFolding &TextFolding::instance()
{
    static const TextFolding folding;
    return folding;
}

QString foldedText(QStringView text)
{
    QString out(text.size(), Qt::Uninitialized);
    out.truncate(foldTextInto(text, out.data()));
    return out;
}

qsizetype foldTextInto(QStringView text, QChar *out)
{
    const TextFolding &fold = TextFolding::instance();
    QChar *o = out;
    for (const QChar c : trimBlanks(text))
        if (const char16_t folded = fold(c.unicode())) *o++ = QChar(folded);
    return o - out;
}

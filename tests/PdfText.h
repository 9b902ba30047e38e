#pragma once

#include <QProcess>
#include <QString>

// The text of a PDF as pdftotext lays it out, normalised for comparison: Arabic
// presentation forms folded back (NFKC) and direction marks U+202A to U+202E removed.
inline QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return QStringLiteral("<pdftotext failed>");
    QString text =
        QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    for (char16_t c = 0x202A; c <= 0x202E; ++c)
        text.remove(QChar(c));
    return text;
}

// pdffonts' listing of the fonts a PDF embeds.
inline QString pdfFonts(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdffonts"), {pdf});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

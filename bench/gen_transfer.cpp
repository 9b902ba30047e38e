// Writes a made-up fixed-width transfer file: 87-character records, UTF-8, CR LF.
// Usage: gen_transfer --lines N [--errors PERCENT] [--seed S] --out FILE
#include "keys/Keys.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <random>

namespace
{
const char *const LastNames[] = {
    "BENALI",  "SAÏDI",    "HAMDANI", "BELKACEM", "MERZOUK",  "TALEB",    "BOUZID", "CHÉRIF",
    "DJEBBAR", "LAKHDARI", "OUALI",   "ZERROUK",  "MANSOURI", "HADJ ALI", "KACI",   "REZKI"};
const char *const FirstNames[] = {"Amine", "Hélène", "Karim", "Nadia", "Yacine", "Zoé",   "Farid",
                                  "Leïla", "Omar",   "Samia", "Réda",  "Imène",  "Walid", "Noël"};
const char Types[] = {'P', 'I', 'D'};

QString field(const QString &s, int width)
{
    return s.left(width).leftJustified(width, u' ');
}
} // namespace

int main(int argc, char **argv)
{
    long long lines = 40;
    int errors = 10;
    unsigned long long seed = 1;
    QString out;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString k = QString::fromLocal8Bit(argv[i]);
        const QString v = QString::fromLocal8Bit(argv[i + 1]);
        if (k == u"--lines")
            lines = v.toLongLong();
        else if (k == u"--errors")
            errors = v.toInt();
        else if (k == u"--seed")
            seed = v.toULongLong();
        else if (k == u"--out")
            out = v;
    }
    if (out.isEmpty() || lines < 0) {
        std::fprintf(stderr,
                     "usage: gen_transfer --lines N [--errors PERCENT] [--seed S] --out FILE\n");
        return 2;
    }
    std::mt19937_64 rng(seed);
    QFile f(out);
    if (!f.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 2;
    }
    QByteArray chunk;
    for (long long i = 0; i < lines; ++i) {
        const QString account = QString::number(rng() % 10000000000ULL).rightJustified(10, u'0');
        QString key;
        const int roll = int(rng() % 100);
        if (roll < errors)
            key = QString::number(rng() % 100).rightJustified(2, u'0'); // likely wrong
        else if (roll < errors + (100 - errors) / 4)
            key = ccpKeyText(account);
        else
            key = ripKeyText(account);
        const long long net = 1500000 + (long long)(rng() % 20000000);
        const long long yield = (long long)(rng() % 500000);
        const QString name = QString::fromUtf8(LastNames[rng() % std::size(LastNames)]) + u' ' +
                             QString::fromUtf8(FirstNames[rng() % std::size(FirstNames)]);
        QString rec = QStringLiteral("1600") +
                      QString::number(100 + i % 7).rightJustified(5, u'0') + account + key +
                      QString::number(net).rightJustified(13, u'0') +
                      QString::number(yield).rightJustified(13, u'0') +
                      QString::number(100000000000ULL + rng() % 900000000000ULL) + field(name, 27) +
                      QChar::fromLatin1(Types[rng() % 3]);
        chunk += rec.toUtf8();
        chunk += "\r\n";
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
    return f.flush() ? 0 : 1;
}

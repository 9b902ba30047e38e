#pragma once

// What the benchmarks share: generated lists, a timer and the peak memory of the process.

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <cstdio>

// Writes a made-up transfer file of the given number of lines (5 % wrong keys, as real
// lists have) with the gen_transfer program beside the benchmark; false when it cannot.
inline bool generateList(const QString &lines, const QString &file, int errorPercent = 5)
{
    const QString gen = QCoreApplication::applicationDirPath() + QStringLiteral("/gen_transfer");
    if (QProcess::execute(gen, {QStringLiteral("--lines"), lines, QStringLiteral("--errors"),
                                QString::number(errorPercent), QStringLiteral("--out"), file}) == 0)
        return true;
    std::fprintf(stderr, "cannot generate %s\n", qPrintable(file));
    return false;
}

// The high-water mark of this process's own memory. ru_maxrss is not used: Linux keeps it
// across exec, so a process started by a benchmark would count the benchmark's memory too.
inline long peakMegabytes()
{
    return long(Platform::peakMemoryKb() / 1024);
}

template <class F> double ms(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

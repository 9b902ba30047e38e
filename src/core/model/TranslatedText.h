#pragma once

#include <QCoreApplication>
#include <QString>

// A text for the clerk: its translation context and French source, translated when called.
// Declared as `constexpr TranslatedText Name{"Context", QT_TRANSLATE_NOOP("Context", "…")};`
// and used as `Name()`.
struct TranslatedText {
    const char *context;
    const char *source;
    QString operator()() const { return QCoreApplication::translate(context, source); }
};

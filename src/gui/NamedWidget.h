#pragma once

#include <QString>

// Gives a new widget or action the object name scripts and tests find it by, and returns it.
template <class W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

#pragma once

#include <QObject>
#include <QString>
#include <cstdio>
#include <cstdlib>

// The child of parent with the given object name and type; a missing child ends the test
// program at once, naming it, rather than failing later on a null pointer.
template <class T> T *findNamed(const QObject *parent, const char *name)
{
    T *child = parent->findChild<T *>(QString::fromLatin1(name));
    if (!child) {
        std::fprintf(stderr, "no child named %s\n", name);
        std::abort();
    }
    return child;
}

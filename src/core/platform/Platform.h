#pragma once

#include <QFileDevice>
#include <QString>

// What differs between operating systems, in one place. The TLS library lookup of the
// updater (TlsLibraries.h) is defined here too.
namespace Platform
{

// The file name of one of our programs: "name", or "name.exe" on Windows.
QString executableName(const QString &name);

// The highest memory this process has held, in KiB; 0 when the system does not say.
qint64 peakMemoryKb();

// Limits this process's address space, so a runaway allocation fails instead of exhausting
// the machine. Sanitizer builds reserve vast address ranges of their own: no limit there.
void limitAddressSpace(int megabytes);

// What a new file gets from the process's file-creation mask (0644 under the usual 022).
QFileDevice::Permissions newFilePermissions();

// Starts a program file as a new process of its own; false when it cannot be started.
bool startProgram(const QString &path);

// A process drawing off screen without a desktop session may have no runtime folder; this
// gives it a private one, so Qt does not warn.
void ensureRuntimeFolder();

} // namespace Platform

#pragma once

#include <QStringList>
#include <QTextStream>

// The headless front end. Returns the process exit status: 0 success, 1 a result the user
// should look at (a wrong account, key errors), 2 a usage error or unreadable input.
int runCli(const QStringList &args, QTextStream &out, QTextStream &err);

// The commands, in the order the help lists them.
QStringList cliCommandNames();

// Whether the command line draws a report (a GUI application is then needed for fonts).
bool cliPrints(const QStringList &args);

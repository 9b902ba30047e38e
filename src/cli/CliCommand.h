#pragma once

// What the command line's commands share: a command, one run of it, and the helpers
// more than one command uses.
#include "settings/Folders.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <vector>

namespace CliCommands
{

struct Command;

// One run of a command: what was typed after its name, and where to write.
struct Call {
    const Command &command;
    QStringList args;              // the arguments that are not options, in order
    QHash<QString, QString> given; // the options given, each with its last value
    QTextStream &out;
    QTextStream &err;

    bool has(const char *option) const { return given.contains(QLatin1String(option)); }
    QString value(const char *option) const { return given.value(QLatin1String(option)); }
    // Tells a usage error with the command's help; the exit status of one.
    int usage(const QString &message) const;
};

// When a command draws a report, which needs fonts and hence a GUI application.
enum class Prints { Never, Always, WithPdf };

struct Command {
    const char *name;
    const char *synopsis;              // the arguments, as the usage line shows them
    const char *summary;               // the general help's description; '\n' goes on below
    const char *details;               // the rest of its own help
    std::vector<const char *> options; // the options it takes, each with a value
    int (*run)(const Call &);
    Prints prints;

    QString usageLine() const
    {
        return QCoreApplication::translate("Cli", "Usage: talvoro-cli %1 %2\n")
            .arg(QLatin1String(name), QString::fromUtf8(synopsis));
    }
    QString help() const
    {
        return usageLine() + u'\n' + QCoreApplication::translate("Cli", details);
    }
};

inline int Call::usage(const QString &message) const
{
    err << "talvoro-cli: " << command.name << ": " << message << "\n\n" << command.help();
    return 2;
}

// The place as typed: "\n" starts a new line.
QString placeText(QString typed);
// The folders a command's --dir names (made when missing), or the program's own. Throws
// UserError when the folder named cannot be made or written.
Folders foldersOf(const Call &c);
// talvoro-cli history: list, show or person.
int runHistory(const Call &c);

} // namespace CliCommands

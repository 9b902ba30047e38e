#pragma once

#include <QColor>
#include <QString>

// The controls and boxes of the window that the updater works on: the status light, the
// labels of the running and offered versions, the progress bar and the update button (the
// last two may be absent: their calls then do nothing).
class UpdaterUi
{
public:
    virtual ~UpdaterUi() = default;

    virtual void setLight(const QColor &colour) = 0;
    virtual void setLocalText(const QString &text) = 0;
    virtual void setServerText(const QString &text) = 0;
    virtual void setButtonEnabled(bool enabled) = 0;
    // Progress bar: maximum and position 0; position; position at the maximum.
    virtual void progressBegin(int maximum) = 0;
    virtual void progressWork(int position) = 0;
    virtual void progressEnd() = 0;

    virtual void message(const QString &text) = 0;
    // Starts the program at `path`; false when it could not be started.
    virtual bool startProgram(const QString &path) = 0;
    // Asks the application to end, after what a normal close saves.
    virtual void terminate() = 0;
};

#pragma once

#include <QColor>
#include <QString>

// The controls and boxes of the window that the updater works on: the status light, the
// labels of the running and offered versions, the progress bar and the update button (the
// last two may be absent: their calls then do nothing). Called on the window's thread only.
class UpdaterUi
{
public:
    virtual ~UpdaterUi() = default;

    virtual void setLight(const QColor &colour) = 0;
    virtual void setLocalText(const QString &text) = 0;
    virtual void setServerText(const QString &text) = 0;
    // Why the light and the offered version show what they show (tool tips).
    virtual void setStatusDetail(const QString &text) = 0;
    virtual void setButtonEnabled(bool enabled) = 0;
    // While a download runs, the update button is the download's Cancel.
    virtual void setDownloading(bool downloading) = 0;
    // Progress bar: maximum (0: size unknown) and position 0; position; position at the
    // maximum; back to rest (empty).
    virtual void progressBegin(int maximum) = 0;
    virtual void progressWork(int position) = 0;
    virtual void progressEnd() = 0;
    virtual void progressRest() = 0;

    virtual void message(const QString &text) = 0;
    // The general error box.
    virtual void error(const QString &text) = 0;
    // Yes (true) or No.
    virtual bool question(const QString &text) = 0;
    // Starts the program at `path`; false when it could not be started.
    virtual bool startProgram(const QString &path) = 0;
    // Asks the application to end, after what a normal close saves.
    virtual void terminate() = 0;
};

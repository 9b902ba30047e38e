#pragma once

#include "update/UpdaterUi.h"

#include <functional>

class Prompts;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class StatusLight;

// The updater's view on the main window's controls; boxes and program start go through the
// window's prompts.
class UpdaterControls final : public UpdaterUi
{
public:
    UpdaterControls(StatusLight *light, QLabel *localVersion, QLabel *serverVersion,
                    QProgressBar *progressBar, QPushButton *button, Prompts &prompts,
                    QWidget *window, std::function<void()> terminate);

    void setLight(const QColor &colour) override;
    void setLocalText(const QString &text) override;
    void setServerText(const QString &text) override;
    void setStatusDetail(const QString &text) override;
    void setButtonEnabled(bool enabled) override;
    void setDownloading(bool downloading) override;
    void progressBegin(int maximum) override;
    void progressWork(int position) override;
    void progressEnd() override;
    void progressRest() override;
    void message(const QString &text) override;
    void error(const QString &text) override;
    bool question(const QString &text) override;
    bool startProgram(const QString &path) override;
    void terminate() override;

private:
    StatusLight *m_light;
    QLabel *m_localVersion;
    QLabel *m_serverVersion;
    QProgressBar *m_progressBar;
    QPushButton *m_button;
    QString m_buttonCaption;
    bool m_buttonEnabled = false;
    bool m_downloading = false;
    Prompts &m_prompts;
    QWidget *m_window;
    std::function<void()> m_terminate;
};

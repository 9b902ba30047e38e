#include "UpdaterControls.h"

#include "Prompts.h"
#include "StatusLight.h"
#include "update/UpdateTexts.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

UpdaterControls::UpdaterControls(StatusLight *light, QLabel *localVersion, QLabel *serverVersion,
                                 QProgressBar *progressBar, QPushButton *button, Prompts &prompts,
                                 QWidget *window, std::function<void()> terminate)
    : m_light(light), m_localVersion(localVersion), m_serverVersion(serverVersion),
      m_progressBar(progressBar), m_button(button),
      m_buttonCaption(button ? button->text() : QString()), m_prompts(prompts), m_window(window),
      m_terminate(std::move(terminate))
{
}

void UpdaterControls::setLight(const QColor &colour)
{
    m_light->setBrushColor(colour);
}

void UpdaterControls::setLocalText(const QString &text)
{
    m_localVersion->setText(text);
}

void UpdaterControls::setServerText(const QString &text)
{
    m_serverVersion->setText(text);
}

void UpdaterControls::setStatusDetail(const QString &text)
{
    m_light->setToolTip(text);
    m_serverVersion->setToolTip(text);
}

void UpdaterControls::setButtonEnabled(bool enabled)
{
    m_buttonEnabled = enabled;
    if (m_button && !m_downloading) m_button->setEnabled(enabled);
}

void UpdaterControls::setDownloading(bool downloading)
{
    m_downloading = downloading;
    if (!m_button) return;
    m_button->setText(downloading ? UpdateTexts::Cancel() : m_buttonCaption);
    m_button->setEnabled(downloading || m_buttonEnabled);
}

void UpdaterControls::progressBegin(int maximum)
{
    if (!m_progressBar) return;
    // An unknown size shows the moving "busy" bar until the transfer ends.
    m_progressBar->setRange(0, maximum);
    m_progressBar->setValue(0);
}

void UpdaterControls::progressWork(int position)
{
    if (m_progressBar && m_progressBar->maximum() > 0)
        m_progressBar->setValue(std::min(position, m_progressBar->maximum()));
}

void UpdaterControls::progressEnd()
{
    if (!m_progressBar) return;
    if (m_progressBar->maximum() <= 0) m_progressBar->setRange(0, 1);
    m_progressBar->setValue(m_progressBar->maximum());
}

void UpdaterControls::progressRest()
{
    if (!m_progressBar) return;
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
}

void UpdaterControls::message(const QString &text)
{
    m_prompts.message(m_window, text);
}

void UpdaterControls::error(const QString &text)
{
    m_prompts.error(m_window, text);
}

bool UpdaterControls::question(const QString &text)
{
    // Yes downloads and restarts; the list left unexported is offered back at the next start.
    return m_prompts.question(m_window, text, Prompts::Answer::Yes);
}

bool UpdaterControls::startProgram(const QString &path)
{
    return m_prompts.startProgram(path);
}

void UpdaterControls::terminate()
{
    m_terminate();
}

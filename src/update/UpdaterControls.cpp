#include "UpdaterControls.h"

#include "app/Prompts.h"
#include "app/ShapeWidget.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

UpdaterControls::UpdaterControls(ShapeWidget *shape, QLabel *local, QLabel *server,
                                 QProgressBar *progressBar, QPushButton *button, Prompts &prompts,
                                 QWidget *window, std::function<void()> terminate)
    : FShapeStatus(shape), FLabelLocal(local), FLabelServer(server), FProgressBar(progressBar),
      FButtonUpdate(button), m_prompts(prompts), m_window(window), m_terminate(std::move(terminate))
{
}

void UpdaterControls::setLight(const QColor &colour)
{
    FShapeStatus->setBrushColor(colour);
}

void UpdaterControls::setLocalText(const QString &text)
{
    FLabelLocal->setText(text);
}

void UpdaterControls::setServerText(const QString &text)
{
    FLabelServer->setText(text);
}

void UpdaterControls::setButtonEnabled(bool enabled)
{
    if (FButtonUpdate) FButtonUpdate->setEnabled(enabled);
}

void UpdaterControls::progressBegin(int maximum)
{
    if (!FProgressBar) return;
    // An unknown size shows the moving "busy" bar until the transfer ends.
    FProgressBar->setRange(0, maximum);
    FProgressBar->setValue(0);
}

void UpdaterControls::progressWork(int position)
{
    if (FProgressBar && FProgressBar->maximum() > 0)
        FProgressBar->setValue(std::min(position, FProgressBar->maximum()));
}

void UpdaterControls::progressEnd()
{
    if (!FProgressBar) return;
    if (FProgressBar->maximum() <= 0) FProgressBar->setRange(0, 1);
    FProgressBar->setValue(FProgressBar->maximum());
}

void UpdaterControls::message(const QString &text)
{
    m_prompts.message(m_window, text);
}

bool UpdaterControls::startProgram(const QString &path)
{
    return m_prompts.startProgram(path);
}

void UpdaterControls::terminate()
{
    m_terminate();
}

#pragma once

#include "UpdaterUi.h"

#include <functional>

class Prompts;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class ShapeWidget;

// The updater's view on the main window's controls; boxes and program start go through the
// window's prompts.
class UpdaterControls final : public UpdaterUi
{
public:
    UpdaterControls(ShapeWidget *shape, QLabel *local, QLabel *server, QProgressBar *progressBar,
                    QPushButton *button, Prompts &prompts, QWidget *window,
                    std::function<void()> terminate);

    void setLight(const QColor &colour) override;
    void setLocalText(const QString &text) override;
    void setServerText(const QString &text) override;
    void setButtonEnabled(bool enabled) override;
    void progressBegin(int maximum) override;
    void progressWork(int position) override;
    void progressEnd() override;
    void message(const QString &text) override;
    bool startProgram(const QString &path) override;
    void terminate() override;

private:
    ShapeWidget *FShapeStatus;
    QLabel *FLabelLocal;
    QLabel *FLabelServer;
    QProgressBar *FProgressBar;
    QPushButton *FButtonUpdate;
    Prompts &m_prompts;
    QWidget *m_window;
    std::function<void()> m_terminate;
};

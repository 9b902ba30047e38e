#include "ImportProgress.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

ImportProgress::ImportProgress(QProgressBar *bar)
    : m_bar(bar), m_cancel(new QPushButton(tr("Annuler l’import"), bar))
{
    m_cancel->setObjectName(QStringLiteral("importCancelButton"));
    m_cancel->setShortcut(Qt::Key_Escape);
    const int width = m_cancel->sizeHint().width();
    m_cancel->setGeometry(bar->width() - width, 0, width, bar->height());
    m_cancel->raise();
    m_cancel->show();
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    m_bar->setRange(0, 1000);
    m_bar->setValue(0);
    m_sinceEvents.start();
    QApplication::processEvents();
}

ImportProgress::~ImportProgress()
{
    delete m_cancel;
}

bool ImportProgress::update(int permille)
{
    if (m_sinceEvents.elapsed() >= 40) {
        m_bar->setValue(permille);
        QApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_cancelled;
}

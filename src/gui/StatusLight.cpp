#include "StatusLight.h"

#include <QPainter>

StatusLight::StatusLight(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StatusLight::setBrushColor(const QColor &color)
{
    if (m_color == color) return;
    m_color = color;
    update();
}

void StatusLight::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(m_color);
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

#pragma once

#include <QColor>
#include <QWidget>

// A filled circle or ellipse with a thin outline, like a status light.
class StatusLight final : public QWidget
{
    Q_OBJECT
public:
    explicit StatusLight(QWidget *parent = nullptr);

    QColor brushColor() const { return m_color; }
    void setBrushColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color = Qt::white;
};

#pragma once

#include <QListView>
#include <QStringList>
#include <functional>

class TextLinesModel;

// A read-only memo of text lines. Its lines are asked for only when painted or read, so a
// hundred thousand lines show and scroll at once; lines can be selected and copied (Ctrl+C).
class TextLinesView final : public QListView
{
    Q_OBJECT
public:
    explicit TextLinesView(QWidget *parent = nullptr);

    void setLines(const QStringList &lines);
    // Shows count lines, line i being text(i).
    void setSource(int count, std::function<QString(int)> text);
    void clear() { setLines({}); }
    QStringList lines() const;
    int lineCount() const;
    // The lines joined with line breaks.
    QString text() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void copySelection();
    TextLinesModel *m_model;
};

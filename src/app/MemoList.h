#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

// A read-only memo of text lines. Backed by a list model so that a hundred thousand
// lines show and scroll at once; lines can be selected and copied (Ctrl+C).
class MemoList final : public QListView
{
    Q_OBJECT
public:
    explicit MemoList(QWidget *parent = nullptr);

    void setLines(const QStringList &lines);
    void clear() { setLines({}); }
    QStringList lines() const;
    int lineCount() const;
    // The lines joined with line breaks.
    QString text() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void copySelection();
    QStringListModel *m_model;
};

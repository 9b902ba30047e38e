#include "TextLinesView.h"

#include <QAbstractListModel>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

class TextLinesModel final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setSource(int count, std::function<QString(int)> text)
    {
        beginResetModel();
        m_count = count;
        m_text = std::move(text);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_count;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_count ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        return m_text(index.row());
    }
    QString line(int i) const { return m_text(i); }

private:
    int m_count = 0;
    std::function<QString(int)> m_text;
};

TextLinesView::TextLinesView(QWidget *parent) : QListView(parent), m_model(new TextLinesModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *copy = new QAction(tr("Copier"), this);
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &TextLinesView::copySelection);
    addAction(copy);
}

void TextLinesView::setLines(const QStringList &lines)
{
    m_model->setSource(int(lines.size()), [lines](int i) { return lines[i]; });
}

void TextLinesView::setSource(int count, std::function<QString(int)> text)
{
    m_model->setSource(count, std::move(text));
}

QStringList TextLinesView::lines() const
{
    QStringList out;
    const int n = m_model->rowCount();
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out << m_model->line(i);
    return out;
}

int TextLinesView::lineCount() const
{
    return m_model->rowCount();
}

QString TextLinesView::text() const
{
    return lines().join(u'\n');
}

void TextLinesView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    QListView::keyPressEvent(event);
}

void TextLinesView::copySelection()
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList out;
    for (const QModelIndex &i : rows)
        out << i.data().toString();
    if (out.isEmpty()) out = lines();
    QGuiApplication::clipboard()->setText(out.join(u'\n'));
}

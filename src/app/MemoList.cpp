#include "MemoList.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStringListModel>

MemoList::MemoList(QWidget *parent) : QListView(parent), m_model(new QStringListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *copy = new QAction(QStringLiteral("Copier"), this);
    copy->setShortcut(QKeySequence::Copy);
    connect(copy, &QAction::triggered, this, &MemoList::copySelection);
    addAction(copy);
}

void MemoList::setLines(const QStringList &lines) { m_model->setStringList(lines); }

QStringList MemoList::lines() const { return m_model->stringList(); }

int MemoList::lineCount() const { return m_model->rowCount(); }

QString MemoList::text() const { return lines().join(u'\n'); }

void MemoList::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    QListView::keyPressEvent(event);
}

void MemoList::copySelection()
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList out;
    for (const QModelIndex &i : rows)
        out << i.data().toString();
    if (out.isEmpty())
        out = lines();
    QGuiApplication::clipboard()->setText(out.join(u'\n'));
}

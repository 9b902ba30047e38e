#pragma once

#include "ScriptedPrompts.h"
#include "TextLinesView.h"
#include "StatusLight.h"
#include "MainWindow.h"
#include "session/SessionOracle.h"
#include "model/WorkingList.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

inline const QColor Green(198, 255, 198), Yellow(255, 255, 0), Red(255, 0, 0);

inline QString fixture(const char *name)
{
    return QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name);
}

// One 87-character record with CR LF.
inline QByteArray record(const QString &compte, const QString &key,
                         const QString &net = QStringLiteral("0000000010000"),
                         const QString &nom = QStringLiteral("NOM"), const QString &type = QStringLiteral("P"))
{
    const QString s = QStringLiteral("160000100") + compte.leftJustified(10).left(10) +
                      key.leftJustified(2).left(2) + net.rightJustified(13, u'0') +
                      QStringLiteral("0000000000000") + QStringLiteral("110000000001") +
                      nom.leftJustified(27).left(27) + type;
    return s.toUtf8() + "\r\n";
}

// The real main window in a temporary program folder, with scripted prompts.
class WindowFixture
{
protected:
    std::unique_ptr<QTemporaryDir> m_tmp;
    std::shared_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_form;

    MainWindow &form() { return *m_form; }
    WorkingList &list() { return m_form->list(); }

    // A new program folder, with a stored place unless told otherwise.
    void newFolder(bool withPlace = true)
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        if (withPlace) {
            QDir(m_tmp->path()).mkpath(QStringLiteral("Fichier_INI"));
            writeFile(QStringLiteral("Fichier_INI/Direction.ini"), "[Infos]\r\nLine0=APC TEST\r\nCount=1\r\n");
        }
    }
    // Creates and shows the window over the current folder.
    void openWindow()
    {
        m_prompts = m_prompts ? m_prompts : std::make_shared<ScriptedPrompts>();
        m_form = std::make_unique<MainWindow>(m_prompts, Folders(m_tmp->path()));
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    void startWindow()
    {
        newFolder();
        m_prompts.reset();
        openWindow();
        QCOMPARE(m_prompts->take(), QStringList{"information: La saisie a été effectuée avec succès."});
    }
    void closeWindow()
    {
        if (m_prompts)
            QVERIFY2(m_prompts->unexpected.isEmpty(), qPrintable(m_prompts->unexpected.join(u'\n')));
        m_form.reset();
        m_prompts.reset();
    }

    void import(const QString &path)
    {
        m_prompts->files.enqueue(path);
        m_form->runCommand([this] { m_form->BtnImportClick(); });
    }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_tmp->filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QColor rowColour(int row) { return list().data(list().index(row, 1), Qt::BackgroundRole).value<QColor>(); }
    QStringList keys()
    {
        QStringList k;
        for (int r = 0; r < list().count(); ++r)
            k << list().line(r).subItem(1);
        return k;
    }
    void selectRow(int row) { form().ListView1->selectRow(row); }
    // Changes one cell of a shown line (-1: its caption) through the session, as an edit does.
    void setCell(int row, int sub, const QString &text)
    {
        TransferLine line = list().line(row);
        if (sub < 0)
            line.setCaption(text);
        else
            line.setSubItem(sub, text);
        form().session().replaceLine(row, line);
    }
    int status(int row) { return int(list().line(row).figures.status); }

    // Every figure, panel and caption the window shows, as text.
    QStringList shownFigures()
    {
        MainWindow &w = form();
        QStringList out{w.LabelTotalNet->text(), w.LabelTotalRendement->text(), w.Label1->text(),
                        w.Edit3->text(),         w.Edit4->text(),               w.Edit5->text(),
                        w.Label3->text(),        w.Label4->text(),              w.Label2->text(),
                        w.LabelRip->text(),      w.LabelCle->text(),            w.LabelError->text(),
                        w.Label8->text(),        w.Label9->text(),              w.Label10->text(),
                        w.Label11->text(),       w.LabelShown->text()};
        for (TextLinesView *m : {w.MemoErreurs, w.Memo1, w.memoNomPrenom, w.MemoComptes, w.MemoNoms})
            out += m->lines();
        for (StatusLight *c : {w.ShapeRip, w.ShapeCle, w.ShapeError})
            out << c->brushColor().name();
        return out;
    }

    // Checks that the window shows what a fresh check of the shown lines gives.
    void expectFreshFigures(const char *where)
    {
        const OracleView o = oracle(list());
        const ListFigures &f = o.figures;
        MainWindow &w = form();
        const QString at = QString::fromLatin1(where);
        QVERIFY2(w.LabelTotalNet->text() == Statistics::totalNetText(f.netCents), qPrintable(at));
        QVERIFY2(w.LabelTotalRendement->text() == Statistics::totalRendementText(f.rendCents), qPrintable(at));
        QVERIFY2(w.Label1->text() == Statistics::totalGeneralText(f.netCents + f.rendCents), qPrintable(at));
        QVERIFY2(w.Edit5->text() == AmountText::formatCents(f.netCents + f.rendCents), qPrintable(at));
        QVERIFY2(w.Label3->text() == QString::number(f.rip) && w.Label4->text() == QString::number(f.ccp) &&
                     w.Label2->text() == QString::number(f.wrong),
                 qPrintable(at));
        QVERIFY2(w.LabelError->text() == QStringLiteral("Erreur: %1").arg(f.wrong), qPrintable(at));
        QVERIFY2(w.MemoErreurs->lines() == Statistics::counterLines(f.rip, f.ccp, f.wrong) + o.errorLines,
                 qPrintable(at + u' ' + w.MemoErreurs->lines().join(u'|')));
        QVERIFY2(w.Memo1->lines() == o.wrongPairs, qPrintable(at));
        QVERIFY2(w.memoNomPrenom->lines() == o.panels.duplicateNames, qPrintable(at));
        QVERIFY2(w.MemoComptes->lines() == o.panels.duplicateAccounts, qPrintable(at));
        QVERIFY2(w.MemoNoms->lines() == o.panels.contractTypes, qPrintable(at));
        const QString shownText =
            list().filtered() ? QStringLiteral("%1 / %2 lignes affichées").arg(f.shown).arg(f.all) : QString();
        QVERIFY2(w.LabelShown->text() == shownText, qPrintable(at + u' ' + w.LabelShown->text()));
        std::vector<int> rows;
        for (const ErrorRecord &r : w.session().errorRecords())
            rows.push_back(r.row);
        QVERIFY2(rows == o.recordRows, qPrintable(at));
    }
};

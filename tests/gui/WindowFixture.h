#pragma once

#include "MainWindow.h"
#include "RecordEditor.h"
#include "ScriptedPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "model/WorkingList.h"
#include "session/SessionOracle.h"
#include "support/FindWidget.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

inline const QColor Green(198, 255, 198), Yellow(255, 255, 0), Red(255, 0, 0);

inline QString fixture(const char *name)
{
    return QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name);
}

// One 87-character record with CR LF.
inline QByteArray record(const QString &account, const QString &key,
                         const QString &net = QStringLiteral("0000000010000"),
                         const QString &name = QStringLiteral("NOM"),
                         const QString &type = QStringLiteral("P"))
{
    const QString s = QStringLiteral("160000100") + account.leftJustified(10).left(10) +
                      key.leftJustified(2).left(2) + net.rightJustified(13, u'0') +
                      QStringLiteral("0000000000000") + QStringLiteral("110000000001") +
                      name.leftJustified(27).left(27) + type;
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
    WorkingList &list() { return m_form->session().list(); }

    // A new program folder, with a stored place unless told otherwise.
    void newFolder(bool withPlace = true)
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        if (withPlace) {
            QDir(m_tmp->path()).mkpath(QStringLiteral("Fichier_INI"));
            writeFile(QStringLiteral("Fichier_INI/Direction.ini"),
                      "[Infos]\r\nLine0=APC TEST\r\nCount=1\r\n");
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
        QCOMPARE(m_prompts->take(),
                 QStringList{"information: La saisie a été effectuée avec succès."});
    }
    void closeWindow()
    {
        if (m_prompts)
            QVERIFY2(m_prompts->unexpected.isEmpty(),
                     qPrintable(m_prompts->unexpected.join(u'\n')));
        m_form.reset();
        m_prompts.reset();
    }

    // Scripts the clerk's part in the check of the changes made since the import, shown
    // before an export of the whole list: the changes looked at, the export confirmed.
    void acceptChangesControl()
    {
        m_prompts->dialogs.enqueue([](QDialog *d) { d->accept(); });
        m_prompts->answers.enqueue(true);
    }

    void import(const QString &path)
    {
        m_prompts->files.enqueue(path);
        findNamed<QPushButton>(m_form.get(), "importButton")->click();
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
    QColor rowColour(int row)
    {
        return list().data(list().index(row, 1), Qt::BackgroundRole).value<QColor>();
    }
    QStringList keys()
    {
        QStringList k;
        for (int r = 0; r < list().count(); ++r)
            k << list().line(r).subItem(1);
        return k;
    }
    void selectRow(int row) { findNamed<QTableView>(&form(), "lineTable")->selectRow(row); }
    int selectedRow()
    {
        const QModelIndexList rows =
            findNamed<QTableView>(&form(), "lineTable")->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    // The window becomes active again, as when the clerk comes back to it.
    void reactivate()
    {
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(&form(), &activation);
    }
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
        QStringList out{findNamed<QLabel>(&w, "netTotalLabel")->text(),
                        findNamed<QLabel>(&w, "rendementTotalLabel")->text(),
                        findNamed<QLabel>(&w, "generalTotalLabel")->text(),
                        findNamed<QLineEdit>(&w, "netTotalBox")->text(),
                        findNamed<QLineEdit>(&w, "rendementTotalBox")->text(),
                        findNamed<QLineEdit>(&w, "generalTotalBox")->text(),
                        findNamed<QLabel>(&w, "ripCountLabel")->text(),
                        findNamed<QLabel>(&w, "ccpCountLabel")->text(),
                        findNamed<QLabel>(&w, "errorCountLabel")->text(),
                        findNamed<QLabel>(&w, "ripCaptionLabel")->text(),
                        findNamed<QLabel>(&w, "ccpCaptionLabel")->text(),
                        findNamed<QLabel>(&w, "errorCaptionLabel")->text(),
                        findNamed<QLabel>(&w, "duplicateAccountsCountLabel")->text(),
                        findNamed<QLabel>(&w, "contractTypesCountLabel")->text(),
                        findNamed<QLabel>(&w, "wrongKeysCountLabel")->text(),
                        findNamed<QLabel>(&w, "duplicateNamesCountLabel")->text(),
                        findNamed<QLabel>(&w, "shownCountLabel")->text()};
        for (TextLinesView *m : {findNamed<TextLinesView>(&w, "errorLinesView"),
                                 findNamed<TextLinesView>(&w, "wrongKeysView"),
                                 findNamed<TextLinesView>(&w, "duplicateNamesView"),
                                 findNamed<TextLinesView>(&w, "duplicateAccountsView"),
                                 findNamed<TextLinesView>(&w, "contractTypesView")})
            out += m->lines();
        for (StatusLight *c :
             {findNamed<StatusLight>(&w, "ripLight"), findNamed<StatusLight>(&w, "ccpLight"),
              findNamed<StatusLight>(&w, "errorLight")})
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
        QVERIFY2(findNamed<QLabel>(&w, "netTotalLabel")->text() ==
                     Statistics::totalNetText(f.netCents),
                 qPrintable(at));
        QVERIFY2(findNamed<QLabel>(&w, "rendementTotalLabel")->text() ==
                     Statistics::totalYieldText(f.yieldCents),
                 qPrintable(at));
        QVERIFY2(findNamed<QLabel>(&w, "generalTotalLabel")->text() ==
                     Statistics::totalGeneralText(f.netCents + f.yieldCents),
                 qPrintable(at));
        QVERIFY2(findNamed<QLineEdit>(&w, "generalTotalBox")->text() ==
                     AmountText::formatCents(f.netCents + f.yieldCents),
                 qPrintable(at));
        QVERIFY2(findNamed<QLabel>(&w, "ripCountLabel")->text() == QString::number(f.rip) &&
                     findNamed<QLabel>(&w, "ccpCountLabel")->text() == QString::number(f.ccp) &&
                     findNamed<QLabel>(&w, "errorCountLabel")->text() == QString::number(f.wrong),
                 qPrintable(at));
        QVERIFY2(findNamed<QLabel>(&w, "errorCaptionLabel")->text() ==
                     QStringLiteral("Erreur: %1").arg(f.wrong),
                 qPrintable(at));
        QVERIFY2(findNamed<TextLinesView>(&w, "errorLinesView")->lines() ==
                     Statistics::counterLines(f.rip, f.ccp, f.wrong) + o.errorLines,
                 qPrintable(at + u' ' +
                            findNamed<TextLinesView>(&w, "errorLinesView")->lines().join(u'|')));
        QVERIFY2(findNamed<TextLinesView>(&w, "wrongKeysView")->lines() == o.wrongPairs,
                 qPrintable(at));
        QVERIFY2(findNamed<TextLinesView>(&w, "duplicateNamesView")->lines() ==
                     o.panels.duplicateNames,
                 qPrintable(at));
        QVERIFY2(findNamed<TextLinesView>(&w, "duplicateAccountsView")->lines() ==
                     o.panels.duplicateAccounts,
                 qPrintable(at));
        QVERIFY2(findNamed<TextLinesView>(&w, "contractTypesView")->lines() ==
                     o.panels.contractTypes,
                 qPrintable(at));
        const QString shownText =
            list().filtered() ? QStringLiteral("%1 / %2 lignes affichées").arg(f.shown).arg(f.all)
                              : QString();
        QVERIFY2(findNamed<QLabel>(&w, "shownCountLabel")->text() == shownText,
                 qPrintable(at + u' ' + findNamed<QLabel>(&w, "shownCountLabel")->text()));
        std::vector<int> rows;
        for (const ErrorRecord &r : w.session().errorRecords())
            rows.push_back(r.row);
        QVERIFY2(rows == o.recordRows, qPrintable(at));
    }
};

#pragma once

#include "history/HistoryArchive.h"
#include "model/TransferLine.h"

#include <QDialog>
#include <functional>

class Prompts;
class QComboBox;
class QLineEdit;
class QTableWidget;
class Session;

// The payment history: the archived exports, newest first (date, code, lines, totals), each
// to view, to open as the working list or to compare with the current list; and the search
// of a person across every month, with the person's annual statement.
class HistoryDialog final : public QDialog
{
    Q_OBJECT
public:
    // Replaces the working list with an archived one (after the window's usual question);
    // false when the clerk kept the current list.
    using OpenAsList = std::function<bool(std::vector<TransferLine> lines)>;

    HistoryDialog(HistoryArchive &archive, const Session &session, Prompts &prompts, QString place,
                  QString exportFolder, OpenAsList openAsList, QWidget *parent = nullptr);

    // The export of the selected row, or none.
    std::optional<ArchivedExport> selectedExport() const;
    // Fills the exports table again from the archive.
    void reload();
    // Shows the selected export's lines in a read-only table.
    void viewSelected();
    // Opens the selected export as the working list.
    void openSelected();
    // Compares the current list with the selected export.
    void compareSelected();
    // Searches the person typed, in the field chosen.
    void search();
    // Asks for a year and shows the annual statement of the person found.
    void printStatement();

private:
    void guarded(void (HistoryDialog::*action)());

    HistoryArchive &m_archive;
    const Session &m_session;
    Prompts &m_prompts;
    QString m_place, m_exportFolder;
    OpenAsList m_openAsList;
    std::vector<ArchivedExport> m_exports;
    std::vector<PersonPayment> m_found;
    QTableWidget *m_exportTable;
    QComboBox *m_searchField;
    QLineEdit *m_searchText;
    QTableWidget *m_personTable;
};

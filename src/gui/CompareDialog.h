#pragma once

#include "compare/ListComparison.h"

#include <QDialog>
#include <array>

class Prompts;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableView;
class Session;
class CompareModel;

// Shows a comparison of this month's list with the previous one: the count of each
// category, the differences in a table that can be narrowed to one category, and buttons
// to print it (preview, printer, PDF) and to write it as a workbook.
class CompareDialog final : public QDialog
{
    Q_OBJECT
public:
    // The window's command: asks for the previous list, compares the session's list with it
    // and shows the result. place is printed at the top of the report; exportFolder is
    // where the workbook is offered. Throws UserError when the file cannot be read.
    static void run(QWidget *parent, const Session &session, Prompts &prompts, const QString &place,
                    const QString &exportFolder);

    CompareDialog(ListComparison comparison, Prompts &prompts, QString place, QString exportFolder,
                  QWidget *parent = nullptr);
    ~CompareDialog() override;

    const ListComparison &comparison() const { return m_comparison; }

    // Shows one category (0 to 5), or all of them (-1).
    void showCategory(int category);
    // Compares again with another amount threshold, in hundredths of a percent.
    void setThreshold(int hundredths);
    // Prepares the report and shows it in the preview.
    void print();
    // Asks where to write the workbook, then writes it.
    void exportWorkbook();

private:
    // Runs an action; an error that leaves it is shown in the error box.
    void guarded(void (CompareDialog::*action)());
    // Writes the counts, the filter's entries and the lists' line from the comparison.
    void showCounts();

    ListComparison m_comparison;
    Prompts &m_prompts;
    QString m_place, m_exportFolder;
    CompareModel *m_model;
    QComboBox *m_categoryFilter;
    QDoubleSpinBox *m_threshold;
    QLabel *m_lists, *m_none;
    QTableView *m_table;
    std::array<QLabel *, ListComparison::CategoryCount> m_counts{};
};

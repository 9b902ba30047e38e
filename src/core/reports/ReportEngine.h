#pragma once

#include "PreparedReport.h"

#include <QDateTime>
#include <QHash>
#include <QVariant>
#include <functional>

// A data source whose rows the program supplies through callbacks: the engine calls first,
// then asks atEnd and, while it answers false, prints one data band (asking field values
// through value) and calls next. An invalid value is "nothing".
struct ReportDataSet {
    std::function<void()> first;
    std::function<void()> next;
    std::function<bool()> atEnd;
    std::function<QVariant(const QString &field)> value;
    // Optional: stands on the given row (from 0) at once, as first and that many nexts would.
    // Laying out a page by itself starts there, so a long report's pages cost the same
    // whichever is asked for.
    std::function<void(qint64 row)> seek;

    // The rows 0 to count - 1, a field of a row answered by value(row, field); what value
    // reads must outlive the report's preparation.
    static ReportDataSet overRows(int count,
                                  std::function<QVariant(int row, const QString &field)> value);
};

// Lays out a report template page by page.
//
// Bands: the report title opens the first page, the page header opens every page, the
// master data band prints once per row of its data source (its text boxes may grow, and a
// row too tall for a whole page is split between pages), the summary follows the last row, and
// the page footer closes every page. The report is laid out twice so that "TotalPages#"
// shows the final count. An error thrown by a callback abandons the preparation.
//
// The first layout only measures: it evaluates every expression (so that a callback's error
// surfaces at once) but builds the texts of growing text boxes alone, and notes where each
// page starts. A page is then laid out again from where it starts, by itself.
class ReportEngine
{
public:
    explicit ReportEngine(std::shared_ptr<const ReportTemplate> report);

    void setDataSet(const QString &name, ReportDataSet dataSet);
    // Answers the bracketed names that are neither fields nor system variables.
    void setVariables(std::function<QVariant(const QString &name)> variables);
    // The "Date" and "Time" shown; the time preparation starts when not set.
    void setStartTime(const QDateTime &time) { m_startTime = time; }

    // Prepares the pages; any earlier pages are dropped. Throws what a callback throws.
    PreparedReport prepare();
    // Counts the pages now and lays each out when it is asked for, so that the first page of
    // a long report shows at once; only the last few pages laid out are kept, so a report of
    // any length is shown, printed or written with little memory. The callbacks are called
    // again then: what they read must stay alive and unchanged while the report is in use.
    PreparedReport prepareOnDemand();

private:
    friend class ReportPass;
    std::shared_ptr<const ReportTemplate> m_report;
    QHash<QString, ReportDataSet> m_dataSets;
    std::function<QVariant(const QString &)> m_variables;
    QDateTime m_startTime;

    QDateTime startTime() const;
    // The measuring layout: the page count and where each page starts, pages on demand.
    PreparedReport measured(const QDateTime &start) const;
};

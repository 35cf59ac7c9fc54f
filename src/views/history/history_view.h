#pragma once

#include "models/clock.h"
#include "models/history_chart.h"

#include <QHash>
#include <QWidget>

#include <functional>

class HistoryChartView;
class HistoryStore;
class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;
class UsageAccounts;
class UsageService;

// The History window's content: the span picker, with several accounts the account
// picker, and the export button above the chart, the windows' names in their colours
// below. Redraws when a new snapshot of the account shown arrives.
class HistoryView : public QWidget {
    Q_OBJECT

public:
    static constexpr int viewWidth = 640;
    static constexpr int viewHeight = 420;
    // Asks where to save a file: the path, or empty when the user cancelled.
    using SaveChooser = std::function<QString(QWidget* parent, const QString& suggested)>;

    HistoryView(HistoryStore& store, UsageAccounts& accounts, Clock clock = systemClock,
                QWidget* parent = nullptr);

    HistorySpan span() const { return m_span; }
    void setSpan(HistorySpan span);
    HistoryChartView* chartView() const { return m_chart; }
    QAbstractButton* spanButton(HistorySpan span) const { return m_spanButtons.value(span); }
    QPushButton* exportButton() const { return m_export; }
    // Whose series is shown; hidden with one account.
    QComboBox* accountPicker() const { return m_accountPicker; }
    const QString& accountId() const { return m_accountId; }
    QLabel* legend() const { return m_legend; }
    // What the last export did or why it failed, or why the history could not be read.
    QLabel* exportStatus() const { return m_exportStatus; }
    // A save dialog unless set.
    void setSaveChooser(SaveChooser chooser) { m_chooseSave = std::move(chooser); }

    // Reads the store again for the span shown.
    void reload();

    QSize sizeHint() const override { return {viewWidth, viewHeight}; }

private:
    void exportCsv();
    void showAccounts();
    // The account shown.
    UsageService& usage() const;

    HistoryStore& m_store;
    UsageAccounts& m_accounts;
    QString m_accountId;
    QComboBox* m_accountPicker;
    Clock m_clock;
    HistorySpan m_span = HistorySpan::day;
    HistoryChartView* m_chart;
    QHash<HistorySpan, QAbstractButton*> m_spanButtons;
    QPushButton* m_export;
    QLabel* m_exportStatus;
    bool m_readFailed = false;
    QLabel* m_legend;
    SaveChooser m_chooseSave;
};

#pragma once

#include <QWidget>

class PlainButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class UsageRowWidget;
struct UsageData;

// The dashboard's figures: one row per usage window, then the time of the snapshot and
// the Refresh button.
class UsageBlock : public QWidget {
    Q_OBJECT

public:
    // More rows than this scroll inside the dashboard.
    static constexpr int rowsBeforeScrolling = 6;

    explicit UsageBlock(QWidget* parent = nullptr);

    void setUsageData(const UsageData& data);

    QList<UsageRowWidget*> rows() const;
    QLabel* updatedLabel() const { return m_updated; }
    PlainButton* refreshButton() const { return m_refresh; }

Q_SIGNALS:
    void refreshRequested();

private:
    QScrollArea* m_scroll;
    QWidget* m_rows;
    QVBoxLayout* m_rowsLayout;
    QLabel* m_updated;
    PlainButton* m_refresh;
};

#pragma once

#include <QWidget>

class PlainButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;
class RefreshFooter;
class UsageRowWidget;
struct Freshness;
struct UsageData;

// The dashboard's figures: one row per usage window, then the time of the snapshot (or
// how old it is, while not current) and the Refresh button.
class UsageBlock : public QWidget {
    Q_OBJECT

public:
    // More rows than this scroll inside the dashboard.
    static constexpr int rowsBeforeScrolling = 6;

    explicit UsageBlock(QWidget* parent = nullptr);

    // A frameless, see-through vertical scroller around the dashboard's rows, so past a
    // height they scroll and the dashboard stays within the screen.
    static QScrollArea* scrollArea(QWidget* content);

    // The figures as they stand at `now`, and how current they are.
    void setUsageData(const UsageData& data, const Freshness& freshness, const QDateTime& now);

    QList<UsageRowWidget*> rows() const;
    QLabel* updatedLabel() const;
    PlainButton* refreshButton() const;

Q_SIGNALS:
    void refreshRequested();

private:
    QScrollArea* m_scroll;
    QWidget* m_rows;
    QVBoxLayout* m_rowsLayout;
    RefreshFooter* m_footer;
};

#pragma once

#include <QWidget>

class PlainButton;
class QLabel;

// The line under the figures: when they were fetched, and the Refresh button.
class RefreshFooter : public QWidget {
    Q_OBJECT

public:
    explicit RefreshFooter(QWidget* parent = nullptr);

    // "Updated 14:05"; an invalid instant leaves the time out.
    void setUpdated(const QDateTime& lastUpdated);

    QLabel* updatedLabel() const { return m_updated; }
    PlainButton* refreshButton() const { return m_refresh; }

Q_SIGNALS:
    void refreshRequested();

private:
    QLabel* m_updated;
    PlainButton* m_refresh;
};

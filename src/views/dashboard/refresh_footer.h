#pragma once

#include <QWidget>

class PlainButton;
class QLabel;

// The line under the figures: when they were fetched, and the Refresh button.
class RefreshFooter : public QWidget {
    Q_OBJECT

public:
    explicit RefreshFooter(QWidget* parent = nullptr);

    // "Updated 14:05", or how old the figures are while they are not current.
    void setUpdated(const QString& line);

    QLabel* updatedLabel() const { return m_updated; }
    PlainButton* refreshButton() const { return m_refresh; }

Q_SIGNALS:
    void refreshRequested();

private:
    QLabel* m_updated;
    PlainButton* m_refresh;
};

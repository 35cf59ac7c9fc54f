#pragma once

#include <QWidget>

class PlainButton;

// The first-run invitation in the dashboard while no cookie is stored.
class WelcomeView : public QWidget {
    Q_OBJECT

public:
    explicit WelcomeView(QWidget* parent = nullptr);

    PlainButton* getStartedButton() const { return m_getStarted; }

Q_SIGNALS:
    void getStarted();

private:
    PlainButton* m_getStarted;
};

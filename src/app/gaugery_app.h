#pragma once

#include <QApplication>

#include <memory>

class AppDelegate;
struct UsageEndpoints;

// The process: one application object with the names the settings path is built from,
// kept running without windows, and the one delegate that starts everything.
class GaugeryApp : public QApplication {
    Q_OBJECT

public:
    GaugeryApp(int& argc, char** argv);
    ~GaugeryApp() override;

    // Starts Gaugery, or hands over to the instance already running; the exit status.
    int run(const UsageEndpoints& endpoints);

private:
    std::unique_ptr<AppDelegate> m_delegate;
};

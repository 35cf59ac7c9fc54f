// Renders the program's windows in their typical states, in a light and a dark palette,
// as PNG files: screenshot_tool OUTPUT_DIR [SCENE...]. scripts/screenshots runs it.
// screenshot_tool --screen FILE saves the whole display instead, to look at a running
// program inside scripts/desktop-session.

#include "app/dashboard_popup.h"
#include "history_fixture.h"
#include "service_fixture.h"
#include "services/history/history_store.h"
#include "views/accounts/account_header.h"
#include "views/accounts/account_section.h"
#include "views/accounts/accounts_block.h"
#include "views/dashboard/dashboard_view.h"
#include "views/history/history_chart_view.h"
#include "views/history/history_view.h"
#include "views/settings/settings_view.h"
#include "views/sign_in/setup_view.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLayout>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

namespace {

// One usage body with the given figures; no Opus figure when opus is negative.
QByteArray usageBody(double session, double weekly, double sonnet, double opus = -1)
{
    const QByteArray opusJson = opus < 0
                                    ? QByteArray("null")
                                    : QByteArray(R"({"utilization": )") + QByteArray::number(opus) +
                                          R"(, "resets_at": "2026-02-12T08:00:00+00:00"})";
    return QByteArray(R"({"five_hour": {"utilization": )") + QByteArray::number(session) +
           R"(, "resets_at": "2026-02-09T15:05:00+00:00"}, "seven_day": {"utilization": )" +
           QByteArray::number(weekly) +
           R"(, "resets_at": "2026-02-12T08:00:00+00:00"}, "seven_day_sonnet": {"utilization": )" +
           QByteArray::number(sonnet) +
           R"(, "resets_at": "2026-02-13T14:00:00+00:00"}, "seven_day_opus": )" + opusJson + "}";
}

// A service in the state a scene shows, and what it needs to stay in it.
struct SceneContext {
    ServiceFixture fixture;
    std::unique_ptr<UsageAccounts> accounts;
    UsageService* service = nullptr;

    void serve(const QByteArray& usage)
    {
        fixture.server.on(ServiceFixture::organizationsPath,
                          ServiceBodies::json(ServiceBodies::organizations()));
        fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(usage));
    }
    UsageService& start()
    {
        accounts = fixture.makeAccounts();
        service = &accounts->first();
        return *service;
    }
    UsageService& fetched(const QByteArray& usage)
    {
        serve(usage);
        start();
        fixture.fetchAndWait(*service);
        return *service;
    }

    // The History window's: a day of figures in a file of its own.
    QTemporaryDir historyDir;
    std::unique_ptr<HistoryStore> history;
};

using SceneBuilder = std::function<std::unique_ptr<QWidget>(SceneContext&)>;

struct Scene {
    QString name;
    SceneBuilder build;
    // Windows are shot with their background; the dashboard's popup draws its own shape.
    bool window = false;
};

// The dashboard in the popup the program opens, below a tray item at the top.
std::unique_ptr<QWidget> dashboard(SceneContext& c)
{
    return std::make_unique<DashboardPopup>(new DashboardView(*c.accounts));
}

// Accounts at work, at home and of a team, each with figures of its own.
QList<ServiceFixture::ServedAccount> servedAccounts()
{
    return {
        {QStringLiteral("Work"), "org-work", ServiceBodies::json(usageBody(42, 38.5, 12)),
         QStringLiteral("Acme Corp")},
        {QStringLiteral("Personal"), "org-home", ServiceBodies::json(usageBody(74.6, 20, 8)),
         QStringLiteral("Sam's Individual Org")},
        {QStringLiteral("Acme Team"), "org-team", ServiceBodies::json(usageBody(93, 61, 30, 12)),
         QStringLiteral("Acme Team")},
    };
}

// Past two accounts, the sections are closed until one is opened.
std::unique_ptr<QWidget> accountsDashboard(SceneContext& c, int count, int open = -1)
{
    c.fixture.serveAccounts(servedAccounts().mid(0, count));
    c.start();
    ServiceFixture::startAndWait(*c.accounts);
    auto* view = new DashboardView(*c.accounts);
    if (open >= 0)
        view->accountsBlock()->sections().at(open)->header()->click();
    return std::make_unique<DashboardPopup>(view);
}

// The last day, with the pointer on the weekly figure of an hour ago.
std::unique_ptr<QWidget> historyWindow(SceneContext& c)
{
    c.history =
        std::make_unique<HistoryStore>(c.historyDir.filePath(QStringLiteral("history.sqlite")));
    UsageService& service = c.fetched(HistoryFixture::usageBody());
    HistoryFixture::fill(*c.history, service.usageData()->owner);
    auto view =
        std::make_unique<HistoryView>(*c.history, *c.accounts, [] { return HistoryFixture::now; });
    view->resize(view->sizeHint());
    if (QLayout* layout = view->layout())
        layout->activate();
    HistoryChartView* chart = view->chartView();
    const ChartLine& weekly = chart->chart().lines.at(1);
    const HistoryPoint& point = weekly.points.at(weekly.points.size() - 13);
    const QPointF at = chart->positionOf(point.at, point.percent);
    QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    return view;
}

QList<Scene> scenes()
{
    return {
        {QStringLiteral("dashboard-welcome"),
         [](SceneContext& c) {
             c.fixture.store->put(std::nullopt);
             c.start();
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-loading"),
         [](SceneContext& c) {
             ScriptedResponse slow = ServiceBodies::json(ServiceBodies::organizations());
             slow.delayMs = 60000;
             c.fixture.server.on(ServiceFixture::organizationsPath, slow);
             c.start().fetchUsage();
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-data"),
         [](SceneContext& c) {
             c.fetched(usageBody(42, 38.5, 12, 4));
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-data-no-opus"),
         [](SceneContext& c) {
             c.fetched(usageBody(42, 38.5, 12));
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-every-limit"),
         [](SceneContext& c) {
             QByteArray body = usageBody(42, 38.5, 12, 4);
             body.chop(1);
             body += R"(, "seven_day_cowork": {"utilization": 96.2,
                         "resets_at": "2026-02-10T12:00:00+00:00"},
                       "extra_usage": {"is_enabled": true, "monthly_limit": 4000,
                         "used_credits": 1250, "utilization": 31.25, "currency": "EUR",
                         "decimal_places": 2}})";
             c.fetched(body);
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-warning"),
         [](SceneContext& c) {
             c.fetched(usageBody(74.6, 82.3, 70, 71.2));
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-critical"),
         [](SceneContext& c) {
             c.fetched(usageBody(96.4, 90, 150, 91));
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-error-under-data"),
         [](SceneContext& c) {
             UsageService& service = c.fetched(usageBody(42, 38.5, 12, 4));
             c.fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json("{}", 503));
             c.fixture.fetchAndWait(service);
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-error"),
         [](SceneContext& c) {
             c.fixture.server.on(ServiceFixture::organizationsPath, ServiceBodies::json("{}", 401));
             c.fixture.fetchAndWait(c.start());
             return dashboard(c);
         }},
        {QStringLiteral("dashboard-two-accounts"),
         [](SceneContext& c) { return accountsDashboard(c, 2); }},
        {QStringLiteral("dashboard-three-accounts"),
         [](SceneContext& c) { return accountsDashboard(c, 3, 1); }},
        {QStringLiteral("onboarding"),
         [](SceneContext& c) -> std::unique_ptr<QWidget> {
             c.fixture.store->put(std::nullopt);
             return std::make_unique<SetupView>(c.start(), QString());
         },
         true},
        {QStringLiteral("onboarding-import"),
         [](SceneContext& c) -> std::unique_ptr<QWidget> {
             c.fixture.store->put(std::nullopt);
             auto view = std::make_unique<SetupView>(c.start(), QString());
             view->setBrowserImport([] {
                 BrowserImportResult result;
                 result.browsers = {QStringLiteral("Firefox"), QStringLiteral("Chromium")};
                 result.sessions.append({QStringLiteral("Firefox"),
                                         QStringLiteral("default-release"),
                                         "sessionKey=example-session-value", std::nullopt,
                                         QDateTime::currentDateTimeUtc()});
                 return result;
             });
             QSignalSpy finished(view.get(), &SetupView::importFinished);
             view->importButton()->click();
             finished.wait(5000);
             return view;
         },
         true},
        {QStringLiteral("settings"),
         [](SceneContext& c) -> std::unique_ptr<QWidget> {
             // An account in two organizations, reading the team's.
             c.fixture.server.on(ServiceFixture::organizationsPath,
                                 ServiceBodies::json(R"([{"uuid":"org-1234","name":"Acme Team"},
                                                         {"uuid":"org-5678","name":"Personal"}])"));
             c.fixture.server.on(ServiceFixture::usagePath,
                                 ServiceBodies::json(usageBody(42, 38.5, 12)));
             c.start();
             c.fixture.fetchAndWait(*c.service);
             return std::make_unique<SettingsView>(*c.accounts, c.fixture.defaults.defaults());
         },
         true},
        {QStringLiteral("settings-accounts"),
         [](SceneContext& c) -> std::unique_ptr<QWidget> {
             // One of them signed out in the browser.
             QList<ServiceFixture::ServedAccount> served = servedAccounts();
             served[1].usage = ServiceBodies::json("{}", 401);
             c.fixture.serveAccounts(served);
             c.start();
             ServiceFixture::startAndWait(*c.accounts);
             return std::make_unique<SettingsView>(*c.accounts, c.fixture.defaults.defaults());
         },
         true},
        {QStringLiteral("history"), historyWindow, true},
    };
}

QPalette lightPalette()
{
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xf3, 0xf1, 0xee));
    palette.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
    palette.setColor(QPalette::PlaceholderText, QColor(0x1d, 0x1d, 0x1f, 140));
    return palette;
}

QPalette darkPalette()
{
    QPalette palette;
    const QColor window(0x2a, 0x2a, 0x2c);
    const QColor text(0xf2, 0xf2, 0xf4);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x20));
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0xf2, 0xf2, 0xf4, 140));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x7b, 0xe0));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    const QColor disabled(0xf2, 0xf2, 0xf4, 100);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

void settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Shown as the program shows it and left to settle, then drawn at twice the logical
// size, so the files stay sharp on scaled screens and show what a user sees.
QImage render(QWidget& widget, bool withBackground)
{
    // The pointer rests in a corner, so no row shows its hover.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCursor::setPos(screen.bottomLeft());
    if (auto* popup = qobject_cast<DashboardPopup*>(&widget)) {
        popup->toggle(QRect(QGuiApplication::primaryScreen()->geometry().center().x(), 4, 1, 1));
    } else {
        widget.resize(widget.sizeHint());
        widget.show();
    }
    settle(300);

    constexpr qreal ratio = 2;
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(),
                  withBackground ? QWidget::DrawWindowBackground | QWidget::DrawChildren
                                 : QWidget::DrawChildren);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args.first() == QLatin1String("--screen"))
        return QApplication::primaryScreen()->grabWindow(0).save(args.at(1)) ? 0 : 1;
    if (args.isEmpty()) {
        err << "usage: screenshot_tool OUTPUT_DIR [SCENE...]\n";
        return 2;
    }
    const QDir out(args.first());
    const QStringList wanted = args.mid(1);
    const QList<std::pair<QString, QPalette>> palettes{{QStringLiteral("light"), lightPalette()},
                                                       {QStringLiteral("dark"), darkPalette()}};

    int written = 0;
    // Two states that render the same picture mean a state does not show.
    QHash<QByteArray, QString> seen;
    for (const Scene& scene : scenes()) {
        if (!wanted.isEmpty() && !wanted.contains(scene.name))
            continue;
        for (const auto& [variant, palette] : palettes) {
            QApplication::setPalette(palette);
            SceneContext context;
            const std::unique_ptr<QWidget> widget = scene.build(context);
            const QString name = scene.name + QLatin1Char('-') + variant;
            const QImage image = render(*widget, scene.window);
            const QByteArray digest = QCryptographicHash::hash(
                QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Sha256);
            if (seen.contains(digest)) {
                err << name << " looks exactly like " << seen.value(digest) << "\n";
                return 1;
            }
            seen.insert(digest, name);
            const QString file = out.filePath(name + QStringLiteral(".png"));
            if (!image.save(file)) {
                err << "cannot write " << file << "\n";
                return 1;
            }
            ++written;
        }
    }
    if (written == 0) {
        err << "no scene of that name\n";
        return 2;
    }
    return 0;
}

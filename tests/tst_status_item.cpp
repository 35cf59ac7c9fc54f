#include "app/platform/sni_pixmap.h"
#include "app/platform/status_item.h"
#include "app/platform/tray_icon_art.h"
#include "app/platform/tray_menu.h"
#include "fake_status_notifier_watcher.h"
#include "models/tray_presentation.h"

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextDocumentFragment>

#include <xcb/xcb.h>

namespace {

const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

QList<SniPixmap> expectedPixmaps(const TrayIcon& icon)
{
    QList<SniPixmap> pixmaps;
    for (const QImage& image : TrayIconArt::renderAll(icon))
        pixmaps.append(sniPixmap(image));
    return pixmaps;
}

TrayPresentation sessionTitle(double percent, TrayStyle style = TrayStyle::label)
{
    UsageData usage;
    usage.sessionUsagePercent = percent;
    TrayInput input;
    input.usage = usage;
    input.metric = QStringLiteral("session");
    input.style = style;
    return presentTray(input);
}

// What the X server tells this process of an XEmbed tray: that the tray announced itself
// (Qt builds its tray icon anew whenever it sees that, and a click meanwhile is lost) and
// that an icon of ours is shown inside the tray's window.
class XEmbedTrayEvents : public QAbstractNativeEventFilter {
public:
    XEmbedTrayEvents()
    {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11->connection();
        m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_intern_atom_reply_t* manager = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, 7, "MANAGER"), nullptr);
        m_manager = manager ? manager->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(manager);
        qGuiApp->installNativeEventFilter(this);
    }
    ~XEmbedTrayEvents() override { qGuiApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        switch (static_cast<xcb_generic_event_t*>(message)->response_type & 0x7f) {
        case XCB_CLIENT_MESSAGE:
            announced |= static_cast<xcb_client_message_event_t*>(message)->type == m_manager;
            break;
        case XCB_REPARENT_NOTIFY: {
            const auto* event = static_cast<xcb_reparent_notify_event_t*>(message);
            m_inTray = event->parent != m_root ? event->window : xcb_window_t(XCB_WINDOW_NONE);
            docked = false;
            break;
        }
        case XCB_MAP_NOTIFY:
            docked = static_cast<xcb_map_notify_event_t*>(message)->window == m_inTray;
            break;
        }
        return false;
    }

    bool announced = false;
    bool docked = false;

private:
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_manager = XCB_ATOM_NONE;
    xcb_window_t m_inTray = XCB_WINDOW_NONE;
};

} // namespace

// Every signal the item sends, as another client on the bus receives it.
class SignalLog : public QObject {
    Q_OBJECT

public:
    QList<QDBusMessage> messages;
    QStringList members() const
    {
        QStringList names;
        for (const QDBusMessage& message : messages)
            names.append(message.member());
        return names;
    }

public Q_SLOTS:
    void record(const QDBusMessage& message) { messages.append(message); }
};

class TestStatusItem : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void noTrayAtAll();
    void xembedFallbackThenWatcher();
    void registersByPath();
    void properties();
    void titleChangeSignals();
    void activation_data();
    void activation();
    void activationToken();
    void watcherRestart();
    void unusableConnection();

private:
    // A second client of the item, so every call and read crosses the bus.
    QDBusMessage callItem(const QString& interface, const QString& method,
                          const QVariantList& arguments = {});
    QVariant property(const QString& name);
    // Runs the loop while waiting, since the item answers from this thread.
    QDBusMessage blockingCall(const QDBusMessage& call)
    {
        return m_reader.call(call, QDBus::BlockWithGui);
    }

    QDBusConnection m_reader{QString()};
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    QProcess m_tray;
};

void TestStatusItem::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("GAUGERY_DESKTOP_SESSION"),
             "runs on the private desktop session bus only");
    registerSniTypes();
    TrayMenu::registerTypes();
    m_reader = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("status-item-reader"));
    QVERIFY(m_reader.isConnected());
}

void TestStatusItem::init()
{
    m_watcher = std::make_unique<FakeStatusNotifierWatcher>();
}

void TestStatusItem::cleanup()
{
    m_watcher.reset();
    if (m_tray.state() != QProcess::NotRunning) {
        m_tray.terminate();
        m_tray.waitForFinished();
    }
}

QDBusMessage TestStatusItem::callItem(const QString& interface, const QString& method,
                                      const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                                       itemPath, interface, method);
    call.setArguments(arguments);
    return blockingCall(call);
}

QVariant TestStatusItem::property(const QString& name)
{
    const QDBusMessage reply =
        callItem(propertiesInterface, QStringLiteral("Get"), {itemInterface, name});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void TestStatusItem::noTrayAtAll()
{
    // Runs first: no watcher and no XEmbed tray, which is also when Qt settles its tray kind.
    StatusItem item;
    QCOMPARE(item.backend(), StatusItem::Backend::None);
    QVERIFY(!item.findChild<QSystemTrayIcon*>());
}

void TestStatusItem::xembedFallbackThenWatcher()
{
    const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
    if (trayer.isEmpty())
        QSKIP("trayer (an XEmbed tray) is not installed; scripts/install-deps --tests adds it");
    XEmbedTrayEvents tray;
    m_tray.start(trayer, {QStringLiteral("--edge"), QStringLiteral("top"),
                          QStringLiteral("--height"), QStringLiteral("24")});
    QVERIFY(m_tray.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(tray.announced, 10000);

    StatusItem item;
    QCOMPARE(item.backend(), StatusItem::Backend::XEmbed);
    auto* trayIcon = item.findChild<QSystemTrayIcon*>();
    QVERIFY(trayIcon);
    QVERIFY(trayIcon->isVisible());
    // A name the service sends stays text, whatever it holds.
    TrayPresentation marked = sessionTitle(42);
    marked.toolTip = QStringLiteral("<b>Fable</b> & co: 42%");
    item.setPresentation(marked);
    QCOMPARE(QTextDocumentFragment::fromHtml(trayIcon->toolTip()).toPlainText(), marked.toolTip);

    // A real click on the docked icon.
    QTRY_VERIFY_WITH_TIMEOUT(tray.docked, 10000);
    const QRect geometry = trayIcon->geometry();
    QSignalSpy activated(&item, &StatusItem::activated);
    const QPoint centre = geometry.center();
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                               {QStringLiteral("mousemove"), QString::number(centre.x()),
                                QString::number(centre.y()), QStringLiteral("click"),
                                QStringLiteral("1")}),
             0);
    QVERIFY(activated.wait());
    // The tray may still nudge the icon after docking; the anchor is where it is now.
    const QRect anchor = activated.first().first().toRect();
    QCOMPARE(anchor, trayIcon->geometry());
    QVERIFY(anchor.contains(centre));

    QSignalSpy backends(&item, &StatusItem::backendChanged);
    QSignalSpy registered(m_watcher.get(),
                          &FakeStatusNotifierWatcher::StatusNotifierItemRegistered);
    QVERIFY(m_watcher->start());
    QVERIFY(registered.wait());
    QCOMPARE(item.backend(), StatusItem::Backend::StatusNotifier);
    QCOMPARE(backends.size(), 1);
    QVERIFY(!trayIcon->isVisible());

    m_watcher->stop();
    QTRY_COMPARE(item.backend(), StatusItem::Backend::XEmbed);
    QVERIFY(trayIcon->isVisible());
    QCOMPARE(backends.size(), 2);
}

void TestStatusItem::registersByPath()
{
    QVERIFY(m_watcher->start());
    QSignalSpy registered(m_watcher.get(),
                          &FakeStatusNotifierWatcher::StatusNotifierItemRegistered);
    StatusItem item;
    // Known at once, so start-up can tell the user whether a tray exists.
    QCOMPARE(item.backend(), StatusItem::Backend::StatusNotifier);
    QVERIFY(registered.wait());
    const QString expected = QDBusConnection::sessionBus().baseService() + itemPath;
    QCOMPARE(registered.first().first().toString(), expected);
    QCOMPARE(m_watcher->registeredItems(), QStringList{expected});
}

void TestStatusItem::properties()
{
    StatusItem item;
    const QDBusMessage reply =
        callItem(propertiesInterface, QStringLiteral("GetAll"), {itemInterface});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    const QVariantMap all = qdbus_cast<QVariantMap>(reply.arguments().value(0));

    const QVariantMap fixed{
        {QStringLiteral("Id"), QStringLiteral("gaugery")},
        {QStringLiteral("Title"), QStringLiteral("Gaugery")},
        {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
        {QStringLiteral("Status"), QStringLiteral("Active")},
        {QStringLiteral("WindowId"), 0},
        {QStringLiteral("IconName"), QString()},
        {QStringLiteral("OverlayIconName"), QString()},
        {QStringLiteral("AttentionIconName"), QString()},
        {QStringLiteral("AttentionMovieName"), QString()},
        {QStringLiteral("ItemIsMenu"), false},
        {QStringLiteral("XAyatanaLabel"), QString()},
        {QStringLiteral("XAyatanaLabelGuide"), QString()},
        {QStringLiteral("IconAccessibleDesc"), QStringLiteral("Gaugery")},
        {QStringLiteral("AttentionAccessibleDesc"), QStringLiteral("Gaugery")},
    };
    for (auto it = fixed.cbegin(); it != fixed.cend(); ++it) {
        QVERIFY2(all.contains(it.key()), qPrintable(it.key()));
        QCOMPARE(all.value(it.key()), it.value());
        QCOMPARE(property(it.key()), it.value());
    }
    // A menu object that exists: the GNOME extension draws neither the icon nor the label
    // of an item whose menu it cannot read, and opens the menu on a single click.
    const QString menuPath = qdbus_cast<QDBusObjectPath>(all.value(QStringLiteral("Menu"))).path();
    QDBusMessage getLayout = QDBusMessage::createMethodCall(
        QDBusConnection::sessionBus().baseService(), menuPath,
        QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"));
    getLayout << 0 << -1 << QStringList();
    const QDBusMessage layoutReply = blockingCall(getLayout);
    QCOMPARE(layoutReply.type(), QDBusMessage::ReplyMessage);
    const auto root = qdbus_cast<DBusMenuLayout>(layoutReply.arguments().value(1));
    QCOMPARE(root.id, 0);
    QCOMPARE(root.properties.value(QStringLiteral("children-display")).toString(),
             QStringLiteral("submenu"));
    QStringList labels;
    for (const QVariant& child : root.children) {
        const QVariant inner =
            child.canConvert<QDBusVariant>() ? child.value<QDBusVariant>().variant() : child;
        labels << qdbus_cast<DBusMenuLayout>(inner)
                      .properties.value(QStringLiteral("label"))
                      .toString();
    }
    QCOMPARE(labels, (QStringList{QStringLiteral("Open Gaugery"), QStringLiteral("Quit Gaugery")}));
    // Each entry does what it says.
    QSignalSpy activated(&item, &StatusItem::activated);
    QSignalSpy quit(&item, &StatusItem::quitRequested);
    for (int id : {int(TrayMenu::open), int(TrayMenu::quit)}) {
        QDBusMessage event = QDBusMessage::createMethodCall(
            QDBusConnection::sessionBus().baseService(), menuPath,
            QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"));
        event << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QString()))
              << 0u;
        QCOMPARE(blockingCall(event).type(), QDBusMessage::ReplyMessage);
    }
    QTRY_COMPARE(activated.count(), 1);
    QCOMPARE(quit.count(), 1);
    QCOMPARE(qdbus_cast<QList<SniPixmap>>(all.value(QStringLiteral("IconPixmap"))),
             expectedPixmaps(TrayIcon()));
    QCOMPARE(qdbus_cast<QList<SniPixmap>>(all.value(QStringLiteral("OverlayIconPixmap"))),
             QList<SniPixmap>());
    QCOMPARE(qdbus_cast<QList<SniPixmap>>(all.value(QStringLiteral("AttentionIconPixmap"))),
             QList<SniPixmap>());
    const auto toolTip = qdbus_cast<SniToolTip>(all.value(QStringLiteral("ToolTip")));
    QCOMPARE(toolTip, (SniToolTip{QString(), {}, QStringLiteral("Gaugery"), QString()}));
}

void TestStatusItem::titleChangeSignals()
{
    StatusItem item;
    SignalLog log;
    const QString sender = QDBusConnection::sessionBus().baseService();
    QVERIFY(m_reader.connect(sender, itemPath, itemInterface, QString(), &log,
                             SLOT(record(QDBusMessage))));
    QVERIFY(m_reader.connect(sender, itemPath, propertiesInterface,
                             QStringLiteral("PropertiesChanged"), &log,
                             SLOT(record(QDBusMessage))));

    // The start-up title is what the item already shows.
    item.setPresentation(presentTray({}));
    item.setPresentation(sessionTitle(42));
    QTRY_COMPARE(log.messages.size(), 4);
    QCOMPARE(log.members(), (QStringList{QStringLiteral("NewIcon"), QStringLiteral("NewToolTip"),
                                         QStringLiteral("XAyatanaNewLabel"),
                                         QStringLiteral("PropertiesChanged")}));
    QCOMPARE(log.messages[2].arguments(),
             (QVariantList{QStringLiteral(" 42%"), QStringLiteral(" 100%")}));
    const QVariantMap changed = qdbus_cast<QVariantMap>(log.messages[3].arguments().value(1));
    QCOMPARE(log.messages[3].arguments().value(0).toString(), itemInterface);
    QCOMPARE(changed.keys(),
             (QStringList{QStringLiteral("AttentionAccessibleDesc"),
                          QStringLiteral("IconAccessibleDesc"), QStringLiteral("IconPixmap"),
                          QStringLiteral("ToolTip"), QStringLiteral("XAyatanaLabel"),
                          QStringLiteral("XAyatanaLabelGuide")}));
    QCOMPARE(changed.value(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral(" 42%"));
    QCOMPARE(changed.value(QStringLiteral("IconAccessibleDesc")).toString(),
             QStringLiteral("Gaugery: session 42%"));

    QCOMPARE(property(QStringLiteral("XAyatanaLabel")).toString(), QStringLiteral(" 42%"));
    QCOMPARE(property(QStringLiteral("XAyatanaLabelGuide")).toString(), QStringLiteral(" 100%"));
    QCOMPARE(qdbus_cast<SniToolTip>(property(QStringLiteral("ToolTip"))).title,
             QStringLiteral("Session: 42%"));
    // The description is HTML to the hosts: a name the service sends is escaped there.
    TrayPresentation marked = sessionTitle(42);
    marked.toolTip += QStringLiteral("\n<b>Fable</b> & co");
    item.setPresentation(marked);
    QCOMPARE(qdbus_cast<SniToolTip>(property(QStringLiteral("ToolTip"))).text,
             QStringLiteral("&lt;b&gt;Fable&lt;/b&gt; &amp; co"));
    item.setPresentation(sessionTitle(42));
    QCOMPARE(qdbus_cast<QList<SniPixmap>>(property(QStringLiteral("IconPixmap"))),
             expectedPixmaps(sessionTitle(42).icon));

    // The same title sends nothing; a new figure at the same size sends only the label
    // and the tooltip. Signals from one sender arrive in order, so the next batch shows.
    log.messages.clear();
    item.setPresentation(sessionTitle(42));
    item.setPresentation(sessionTitle(43));
    QTRY_COMPARE(log.messages.size(), 3);
    QCOMPARE(log.members(),
             (QStringList{QStringLiteral("NewToolTip"), QStringLiteral("XAyatanaNewLabel"),
                          QStringLiteral("PropertiesChanged")}));
    QCOMPARE(qdbus_cast<QVariantMap>(log.messages[2].arguments().value(1)).keys(),
             (QStringList{QStringLiteral("AttentionAccessibleDesc"),
                          QStringLiteral("IconAccessibleDesc"), QStringLiteral("ToolTip"),
                          QStringLiteral("XAyatanaLabel")}));

    // Back to no snapshot: the label and its guide empty, the bare sparkle.
    log.messages.clear();
    item.setPresentation(presentTray({}));
    QTRY_COMPARE(log.messages.size(), 4);
    QCOMPARE(log.messages[2].arguments(), (QVariantList{QString(), QString()}));
    QCOMPARE(qdbus_cast<QList<SniPixmap>>(property(QStringLiteral("IconPixmap"))),
             expectedPixmaps(TrayIcon()));

    const QDBusMessage introspection = callItem(
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    const QString xml = introspection.arguments().value(0).toString();
    QVERIFY(xml.contains(QLatin1String("<signal name=\"XAyatanaNewLabel\">")));
    QVERIFY(!xml.contains(QLatin1String("\"NewLabel\"")));
}

void TestStatusItem::activation_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QRect>("anchor");

    QTest::newRow("activate") << "Activate" << 640 << 12 << QRect(640, 12, 1, 1);
    QTest::newRow("context menu") << "ContextMenu" << 3 << 790 << QRect(3, 790, 1, 1);
    QTest::newRow("activate, point unknown") << "Activate" << 0 << 0 << QRect();
    QTest::newRow("context menu, point unknown") << "ContextMenu" << 0 << 0 << QRect();
    QTest::newRow("x on the edge") << "Activate" << 0 << 5 << QRect(0, 5, 1, 1);
}

void TestStatusItem::activation()
{
    QFETCH(QString, method);
    QFETCH(int, x);
    QFETCH(int, y);

    StatusItem item;
    QSignalSpy activated(&item, &StatusItem::activated);
    const QDBusMessage reply = callItem(itemInterface, method, {x, y});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(activated.size(), 1);
    QTEST(activated.first().first().toRect(), "anchor");

    // Middle click and scrolling are answered and ignored.
    QCOMPARE(callItem(itemInterface, QStringLiteral("SecondaryActivate"), {x, y}).type(),
             QDBusMessage::ReplyMessage);
    QCOMPARE(
        callItem(itemInterface, QStringLiteral("Scroll"), {3, QStringLiteral("vertical")}).type(),
        QDBusMessage::ReplyMessage);
    QCOMPARE(activated.size(), 1);
}

void TestStatusItem::activationToken()
{
    StatusItem item;
    qunsetenv("XDG_ACTIVATION_TOKEN");
    QCOMPARE(callItem(itemInterface, QStringLiteral("ProvideXdgActivationToken"),
                      {QStringLiteral("test-token_1234")})
                 .type(),
             QDBusMessage::ReplyMessage);
    QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArray("test-token_1234"));
    qunsetenv("XDG_ACTIVATION_TOKEN");
}

void TestStatusItem::watcherRestart()
{
    StatusItem item;
    QCOMPARE(item.backend(), StatusItem::Backend::None);
    QSignalSpy backends(&item, &StatusItem::backendChanged);
    QSignalSpy registered(m_watcher.get(),
                          &FakeStatusNotifierWatcher::StatusNotifierItemRegistered);

    // A panel that starts after the program, then restarts twice.
    for (int round = 0; round < 3; ++round) {
        QVERIFY(m_watcher->start());
        QVERIFY(registered.wait());
        QCOMPARE(item.backend(), StatusItem::Backend::StatusNotifier);
        QCOMPARE(m_watcher->registeredItems().size(), 1);
        m_watcher->stop();
        QTRY_COMPARE(item.backend(), StatusItem::Backend::None);
    }
    QCOMPARE(registered.size(), 3);
    QCOMPARE(backends.size(), 6);
}

void TestStatusItem::unusableConnection()
{
    QVERIFY(m_watcher->start());
    StatusItem item(QDBusConnection(QStringLiteral("never-connected")));
    QCOMPARE(item.backend(), StatusItem::Backend::None);
    item.setPresentation(sessionTitle(42));
}

QTEST_MAIN(TestStatusItem)
#include "tst_status_item.moc"

#include "views/settings/settings_view.h"

#include "build_config.h"
#include "models/shortcut_keys.h"
#include "models/tray_presentation.h"
#include "services/accounts/account_store.h"
#include "services/accounts/usage_accounts.h"
#include "services/desktop_tray_style.h"
#include "services/fetch/fetch_messages.h"
#include "services/fetch/usage_notes.h"
#include "services/fetch/usage_service.h"
#include "services/settings.h"
#include "services/sources/claude_code/status_line_switch.h"
#include "views/accounts/account_list.h"
#include "views/accounts/add_account_menu.h"
#include "views/settings/donation_page.h"
#include "views/settings/link_row.h"
#include "views/settings/settings_choices.h"
#include "views/settings/status_line_section.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/elided_label.h"
#include "views/widgets/plain_button.h"
#include "views/widgets/symbol_view.h"
#include "views/widgets/view_fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int rowFontSize = 13;

QLabel* label(const QString& text, bool secondary = false)
{
    auto* result = new QLabel(text);
    result->setFont(ViewFonts::font(rowFontSize));
    if (secondary)
        result->setForegroundRole(QPalette::PlaceholderText);
    return result;
}

// A titled group of rows, with an action at the title's end when given; the title is the
// section's accessible name as well.
QWidget* section(const QString& title, const QList<QLayout*>& rows, QWidget* action = nullptr)
{
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    if (!title.isEmpty()) {
        auto* header = new QLabel(title);
        header->setFont(ViewFonts::font(12, QFont::DemiBold));
        header->setForegroundRole(QPalette::PlaceholderText);
        auto* headerRow = new QHBoxLayout;
        headerRow->addWidget(header);
        headerRow->addStretch(1);
        if (action)
            headerRow->addWidget(action);
        layout->addLayout(headerRow);
        widget->setAccessibleName(title);
    }
    for (QLayout* row : rows)
        layout->addLayout(row);
    return widget;
}

// Text on the left, the control on the right; the control takes the text as its name,
// since its own visible text is the value, not what it sets. The buddy also labels it
// for screen readers on Linux, where a combo box reports its current value as its name.
QHBoxLayout* row(const QString& text, QWidget* control)
{
    auto* layout = new QHBoxLayout;
    QLabel* caption = label(text);
    caption->setBuddy(control);
    layout->addWidget(caption);
    layout->addStretch(1);
    layout->addWidget(control);
    control->setAccessibleName(text);
    return layout;
}

QHBoxLayout* rowOf(const QList<QWidget*>& widgets)
{
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets) {
        if (widget)
            layout->addWidget(widget);
        else
            layout->addStretch(1);
    }
    return layout;
}

QComboBox* picker()
{
    auto* combo = new QComboBox;
    combo->setFont(ViewFonts::font(rowFontSize));
    combo->setFocusPolicy(Qt::StrongFocus);
    return combo;
}

} // namespace

SettingsView::SettingsView(UsageAccounts& accounts, Settings& defaults, QWidget* parent)
    : QWidget(parent), m_accounts(accounts), m_defaults(defaults)
{
    setFixedSize(viewWidth, viewHeight);
    // Several accounts can take more than the window's height: then it scrolls.
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 14, 20, 14);
    layout->setSpacing(10);
    layout->addWidget(buildTraySection());
    layout->addWidget(buildExtrasSection());
    layout->addWidget(buildConnectionSection());
    layout->addWidget(buildAccountsSection());
    layout->addWidget(new StatusLineSection(m_accounts, m_defaults, StatusLineSwitch::program()));
    layout->addWidget(buildAboutSection());

    PlainButton::Look look;
    look.font = ViewFonts::font(rowFontSize);
    look.foreground = [](const QPalette&) { return ClaudeColors::destructive(); };
    look.padding = QMargins(0, 3, 0, 3);
    m_quit = new PlainButton(tr("Quit Gaugery"), look);
    connect(m_quit, &PlainButton::clicked, this, [] { QCoreApplication::quit(); });
    layout->addWidget(m_quit, 0, Qt::AlignLeft);
    layout->addStretch(1);

    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    connect(&m_defaults, &Settings::changed, this, &SettingsView::showStoredValues);
    connect(&m_accounts, &UsageAccounts::changed, this, &SettingsView::showConnection);
    connect(&m_accounts, &UsageAccounts::changed, this, &SettingsView::showMetricOptions);
    connect(&m_accounts, &UsageAccounts::accountsChanged, this, &SettingsView::showAccounts);
    showAccounts();
    showStoredValues();
    showConnection();
}

bool SettingsView::severalAccounts() const
{
    return m_accounts.accounts().size() > 1;
}

QComboBox* SettingsView::settingPicker(const QString& key)
{
    QComboBox* combo = picker();
    for (const SettingsChoices::Option& option : optionsOf(key))
        combo->addItem(option.label);
    // activated comes from the user only, so showing a stored value writes nothing.
    connect(combo, &QComboBox::activated, this, [this, key](int index) { onPicked(key, index); });
    return combo;
}

const QList<SettingsChoices::Option>& SettingsView::optionsOf(const QString& key) const
{
    return key == Settings::menuBarMetricKey ? m_metricOptions : SettingsChoices::optionsFor(key);
}

QWidget* SettingsView::buildTraySection()
{
    m_metricOptions = SettingsChoices::optionsFor(Settings::menuBarMetricKey);
    m_metric = settingPicker(Settings::menuBarMetricKey);
    m_trayStyle = settingPicker(Settings::trayStyleKey);
    m_launchAtLogin = new QCheckBox;
    m_interval = settingPicker(Settings::refreshIntervalKey);
    m_trayAccount = picker();
    connect(m_trayAccount, &QComboBox::activated, this, [this](int index) {
        const QList<SettingsChoices::Option> options =
            SettingsChoices::trayAccountOptions(m_accounts.accounts());
        const QString stored = m_defaults.setting(Settings::trayAccountKey).toString();
        if (index < 0 || index >= options.size() ||
            index == SettingsChoices::trayAccountIndex(options, stored))
            return;
        m_defaults.setValue(Settings::trayAccountKey, options.at(index).value);
    });
    m_trayAccountRow = new QWidget;
    m_trayAccountRow->setLayout(row(tr("Tray shows"), m_trayAccount));
    m_trayAccountRow->layout()->setContentsMargins(0, 0, 0, 0);
    connect(m_launchAtLogin, &QCheckBox::clicked, this,
            [this](bool checked) { m_defaults.setValue(Settings::launchAtLoginKey, checked); });

    auto* trayAccount = new QVBoxLayout;
    trayAccount->setContentsMargins(0, 0, 0, 0);
    trayAccount->addWidget(m_trayAccountRow);
    return section(tr("Tray"),
                   {row(tr("Display Metric"), m_metric), trayAccount,
                    row(tr("Tray Style"), m_trayStyle), row(tr("Launch at Login"), m_launchAtLogin),
                    row(tr("Refresh Interval"), m_interval)});
}

QWidget* SettingsView::buildExtrasSection()
{
    m_usageAlerts = new QCheckBox;
    connect(m_usageAlerts, &QCheckBox::clicked, this,
            [this](bool checked) { m_defaults.setValue(Settings::usageAlertsKey, checked); });
    m_resetAlerts = new QCheckBox;
    connect(m_resetAlerts, &QCheckBox::clicked, this,
            [this](bool checked) { m_defaults.setValue(Settings::resetAlertsKey, checked); });
    return section(tr("Extras"), {row(tr("Usage alerts"), m_usageAlerts),
                                  row(tr("Notify when a limit resets"), m_resetAlerts)});
}

QWidget* SettingsView::buildConnectionSection()
{
    m_disconnect = new QPushButton(tr("Disconnect"));
    m_disconnect->setFont(ViewFonts::font(rowFontSize));
    m_disconnect->setAutoDefault(true);
    connect(m_disconnect, &QPushButton::clicked, this,
            [this] { m_accounts.first().clearCookie(); });

    m_connectedText = new ElidedLabel(QString(), 2);
    m_connectedText->setFont(ViewFonts::font(rowFontSize));
    m_connectedText->setTextFormat(Qt::PlainText);
    m_connected = new QWidget;
    auto* connected = new QHBoxLayout(m_connected);
    connected->setContentsMargins(0, 0, 0, 0);
    connected->addWidget(new SymbolView(QStringLiteral("checkmark.circle.fill"), rowFontSize,
                                        [](const QPalette&) { return ClaudeColors::claudeTan(); }));
    connected->addWidget(m_connectedText, 1, Qt::AlignVCenter);
    connected->addWidget(m_disconnect);

    // Only for accounts in more than one organization.
    m_organization = picker();
    connect(m_organization, &QComboBox::activated, this, [this](int index) {
        const UsageService& usage = m_accounts.first();
        const QList<Organization>& listed = usage.organizations();
        if (index < 0 || index >= listed.size() || usage.organization() == listed.at(index))
            return;
        AccountStore::setOrganization(m_defaults, usage.accountId(), listed.at(index).id);
    });
    m_connectionNote = label(QString(), true);
    m_connectionNote->setWordWrap(true);
    m_source = settingPicker(Settings::usageSourceKey);
    m_sourceRow = new QWidget;
    m_sourceRow->setLayout(row(tr("Source"), m_source));
    m_sourceRow->layout()->setContentsMargins(0, 0, 0, 0);
    m_organizationRow = new QWidget;
    m_organizationRow->setLayout(row(tr("Organization"), m_organization));
    m_organizationRow->layout()->setContentsMargins(0, 0, 0, 0);
    m_notConnected = new QWidget;
    m_notConnected->setLayout(rowOf({new SymbolView(QStringLiteral("xmark.circle.fill"),
                                                    rowFontSize, ClaudeColors::secondaryText),
                                     label(tr("Not connected")), nullptr}));

    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(m_connected);
    rows->addWidget(m_connectionNote);
    rows->addWidget(m_notConnected);
    rows->addWidget(m_sourceRow);
    rows->addWidget(m_organizationRow);
    m_connectionSection = section(tr("Connection"), {rows}, addButton(m_connectionAdd));
    return m_connectionSection;
}

QWidget* SettingsView::buildAccountsSection()
{
    m_accountList = new AccountList(m_accounts);
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addWidget(m_accountList);
    m_accountsSection = section(tr("Accounts"), {rows}, addButton(m_accountsAdd));
    m_accountList->setTabOrderAfter(m_accountsAdd);
    return m_accountsSection;
}

PlainButton* SettingsView::addButton(PlainButton*& button)
{
    // One menu for both sections' buttons: only one of the sections shows.
    if (!m_addMenu) {
        m_addMenu = new AddAccountMenu(m_accounts, this);
        connect(m_addMenu, &AddAccountMenu::browserSessionRequested, this,
                &SettingsView::addBrowserSessionRequested);
    }
    PlainButton::Look look;
    look.font = ViewFonts::font(12, QFont::Medium);
    look.foreground = [](const QPalette&) { return ClaudeColors::claudeTan(); };
    // Room for the focus ring around the text.
    look.padding = QMargins(3, 1, 3, 1);
    button = new PlainButton(tr("Add Account…"), look);
    connect(button, &PlainButton::clicked, this,
            [this, button] { m_addMenu->popup(button->mapToGlobal(QPoint(0, button->height()))); });
    return button;
}

PlainButton* SettingsView::addAccountButton() const
{
    return severalAccounts() ? m_accountsAdd : m_connectionAdd;
}

QWidget* SettingsView::buildAboutSection()
{
    m_version = label(QString::fromUtf8(BuildConfig::version), true);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    mono.setWeight(QFont::Normal);
    m_shortcut = label(ShortcutKeys::text(), true);
    m_shortcut->setFont(mono);
    m_support = new LinkRow(tr("☕ Support Development"));
    connect(m_support, &LinkRow::clicked, this, &DonationPage::open);

    return section(tr("About"), {rowOf({label(tr("Version")), nullptr, m_version}),
                                 rowOf({label(tr("Keyboard Shortcut")), nullptr, m_shortcut}),
                                 rowOf({m_support})});
}

int SettingsView::shownIndex(const QString& key) const
{
    const std::optional<QVariant> stored =
        m_defaults.contains(key) ? std::optional(QVariant(m_defaults.stringForKey(key)))
                                 : std::nullopt;
    // While nothing is stored, what applies then: the table's default, or for the tray
    // style the one this desktop gets.
    const QVariant applied =
        key == Settings::trayStyleKey
            ? QVariant(TrayStyles::settingOf(DesktopTrayStyle::chosen(QString())))
            : m_defaults.setting(key);
    return SettingsChoices::shownIndex(optionsOf(key), stored, applied);
}

void SettingsView::onPicked(const QString& key, int index)
{
    // Picking the option already shown changes nothing, so nothing is written.
    if (index < 0 || index == shownIndex(key))
        return;
    m_defaults.setValue(key, optionsOf(key).at(index).value);
}

void SettingsView::showMetricOptions()
{
    QList<TrayAccount> accounts;
    for (const Account& account : m_accounts.accounts())
        accounts.append({account.id, account.name, m_accounts.service(account.id)->usageData()});
    const qsizetype shown =
        chooseTrayAccount(accounts, m_defaults.setting(Settings::trayAccountKey).toString(),
                          m_defaults.stringForKey(Settings::menuBarMetricKey), m_accounts.now());
    const std::optional<UsageData>& usage = accounts.at(shown).usage;
    const QList<SettingsChoices::Option> options =
        SettingsChoices::metricOptions(usage ? usage->furtherWindows : QList<WindowFigure>());
    // Refilled only when the windows changed, so a fetch does not close the open picker.
    const auto labels = [](const QList<SettingsChoices::Option>& list) {
        QStringList texts;
        for (const SettingsChoices::Option& option : list)
            texts << option.label;
        return texts;
    };
    if (labels(options) != labels(m_metricOptions)) {
        m_metric->clear();
        m_metric->addItems(labels(options));
    }
    m_metricOptions = options;
    m_metric->setCurrentIndex(shownIndex(Settings::menuBarMetricKey));
}

void SettingsView::showStoredValues()
{
    showMetricOptions();
    m_trayStyle->setCurrentIndex(shownIndex(Settings::trayStyleKey));
    m_interval->setCurrentIndex(shownIndex(Settings::refreshIntervalKey));
    m_launchAtLogin->setChecked(m_defaults.setting(Settings::launchAtLoginKey).toBool());
    m_usageAlerts->setChecked(m_defaults.setting(Settings::usageAlertsKey).toBool());
    m_resetAlerts->setChecked(m_defaults.setting(Settings::resetAlertsKey).toBool());
    m_source->setCurrentIndex(shownIndex(Settings::usageSourceKey));
    m_trayAccount->setCurrentIndex(SettingsChoices::trayAccountIndex(
        SettingsChoices::trayAccountOptions(m_accounts.accounts()),
        m_defaults.setting(Settings::trayAccountKey).toString()));
}

void SettingsView::showConnection()
{
    const UsageService& usage = m_accounts.first();
    const bool connected = usage.isConnected();
    const bool throughClaudeCode = usage.source() == UsageSource::claudeCode;
    m_connected->setVisible(connected);
    m_notConnected->setVisible(!connected);
    const std::optional<Organization>& read = usage.organization();
    m_connectedText->setText(
        SettingsChoices::connectionText(usage.source(), usage.claudeCodePlan(), read,
                                        m_accounts.account(usage.accountId())->cookieOrigin));
    // Disconnect removes the cookie; Claude Code's sign-in is Claude Code's to end.
    m_disconnect->setVisible(usage.hasCookie());
    QStringList notes;
    if (throughClaudeCode)
        notes << (usage.hasCookie() ? tr("Disconnect removes the browser session only.")
                                    : tr("Sign out in Claude Code to disconnect."));
    notes << UsageNotes::of(usage, QDateTime::currentDateTimeUtc());
    // The connection line says it already.
    notes.removeAll(FetchMessages::figuresFrom(usage.source()));
    m_connectionNote->setVisible(connected && !notes.isEmpty());
    m_connectionNote->setText(notes.join(u'\n'));
    // The source setting is the first account's of old; the others read their own.
    m_sourceRow->setVisible(usage.accountId() == Accounts::defaultId && usage.hasCookie() &&
                            usage.hasClaudeCode());
    const QList<Organization>& listed = usage.organizations();
    m_organizationRow->setVisible(usage.hasCookie() && !throughClaudeCode && listed.size() > 1);
    // Refilled only when the list changed, so a fetch does not close the open picker.
    QStringList names;
    for (const Organization& organization : listed)
        names << organization.displayName();
    QStringList shown;
    for (int i = 0; i < m_organization->count(); ++i)
        shown << m_organization->itemText(i);
    if (names != shown) {
        m_organization->clear();
        m_organization->addItems(names);
    }
    m_organization->setCurrentIndex(read ? int(listed.indexOf(*read)) : -1);
}

void SettingsView::showAccounts()
{
    const bool several = severalAccounts();
    m_connectionSection->setVisible(!several);
    m_accountsSection->setVisible(several);
    m_trayAccountRow->setVisible(several);
    const QList<SettingsChoices::Option> options =
        SettingsChoices::trayAccountOptions(m_accounts.accounts());
    m_trayAccount->clear();
    for (const SettingsChoices::Option& option : options)
        m_trayAccount->addItem(option.label);
    m_trayAccount->setCurrentIndex(SettingsChoices::trayAccountIndex(
        options, m_defaults.setting(Settings::trayAccountKey).toString()));
    showConnection();
}

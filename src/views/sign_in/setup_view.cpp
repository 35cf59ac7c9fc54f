#include "views/sign_in/setup_view.h"

#include "services/accounts/usage_accounts.h"
#include "services/background.h"
#include "services/fetch/usage_service.h"
#include "views/widgets/busy_indicator.h"
#include "views/widgets/view_fonts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int margin = 20;
// Four lines of the message; longer ones scroll, so the editor keeps its height.
constexpr int messageLines = 4;

// The context of the texts outside the view's members.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(SetupView)
};

QString choiceText(const ImportedSession& session)
{
    const QString used =
        session.lastUsed.isValid()
            ? QLocale().toString(session.lastUsed.toLocalTime(), QLocale::ShortFormat)
            : Texts::tr("unknown");
    return Texts::tr("%1 (last used %2)").arg(session.source(), used);
}

} // namespace

SetupView::SetupView(UsageService& usage, const QString& cookieText, std::function<void()> onClose,
                     QWidget* parent)
    : SetupView(&usage, nullptr, cookieText, std::move(onClose), parent)
{
}

SetupView::SetupView(UsageAccounts& accounts, std::function<void()> onClose, QWidget* parent)
    : SetupView(nullptr, &accounts, QString(), std::move(onClose), parent)
{
}

SetupView::SetupView(UsageService* usage, UsageAccounts* accounts, const QString& cookieText,
                     std::function<void()> onClose, QWidget* parent)
    : QWidget(parent), m_usage(usage), m_accounts(accounts), m_onClose(std::move(onClose))
{
    setFixedSize(viewWidth, m_accounts ? addingViewHeight : viewHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(16);

    if (m_accounts) {
        auto* nameRow = new QHBoxLayout;
        nameRow->setSpacing(10);
        auto* caption = new QLabel(tr("Name"));
        caption->setFont(ViewFonts::font(13, QFont::DemiBold));
        m_name = new QLineEdit(suggestedName(std::nullopt));
        m_name->setFont(ViewFonts::font(13));
        m_name->setAccessibleName(caption->text());
        caption->setBuddy(m_name);
        nameRow->addWidget(caption);
        nameRow->addWidget(m_name, 1);
        layout->addLayout(nameRow);
        connect(m_name, &QLineEdit::textEdited, this, [this] { m_nameTyped = true; });
        connect(m_name, &QLineEdit::textChanged, this, &SetupView::updateSaveEnabled);
    }

    auto* section = new QVBoxLayout;
    section->setSpacing(6);
    auto* headerRow = new QHBoxLayout;
    const QString heading = tr("Session Cookie");
    auto* header = new QLabel(heading);
    header->setFont(ViewFonts::font(13, QFont::DemiBold));
    headerRow->addWidget(header);
    headerRow->addStretch(1);
    m_busy = new BusyIndicator(14);
    m_busy->hide();
    headerRow->addWidget(m_busy);
    m_importButton = new QPushButton(tr("Import from Browser"));
    m_importButton->setAutoDefault(false);
    m_importButton->hide();
    headerRow->addWidget(m_importButton);
    section->addLayout(headerRow);

    m_editor = new QPlainTextEdit(cookieText);
    m_editor->setFont(ViewFonts::font(13));
    m_editor->setMinimumHeight(120);
    // Cookies are one long line without spaces: wrap anywhere so all of it stays in
    // view, without changing the text itself.
    m_editor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_editor->setTabChangesFocus(true);
    m_editor->setAccessibleName(heading);
    header->setBuddy(m_editor);
    section->addWidget(m_editor, 1);

    m_importMessage = new QLabel;
    m_importMessage->setFont(ViewFonts::font(11));
    m_importMessage->setWordWrap(true);
    m_importMessage->setTextFormat(Qt::PlainText);
    m_importMessage->setForegroundRole(QPalette::PlaceholderText);
    m_importMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_messageArea = new QScrollArea;
    m_messageArea->setWidget(m_importMessage);
    m_messageArea->setWidgetResizable(true);
    m_messageArea->setFrameShape(QFrame::NoFrame);
    m_messageArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messageArea->setBackgroundRole(QPalette::Window);
    m_messageArea->hide();
    section->addWidget(m_messageArea);
    m_importChoices = new QComboBox;
    m_importChoices->setAccessibleName(tr("Browser session"));
    m_importChoices->hide();
    section->addWidget(m_importChoices);
    layout->addLayout(section, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(tr("Cancel"));
    m_save = new QPushButton(tr("Save"));
    // Return presses "Save" wherever the focus is outside the editor (see
    // keyPressEvent), never the focused button.
    m_cancel->setAutoDefault(false);
    m_save->setAutoDefault(false);
    m_save->setDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_save);
    layout->addLayout(buttons);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &SetupView::cancel);
    connect(m_cancel, &QPushButton::clicked, this, &SetupView::cancel);
    connect(m_save, &QPushButton::clicked, this, &SetupView::save);
    connect(m_importButton, &QPushButton::clicked, this, &SetupView::startImport);
    connect(m_importChoices, &QComboBox::activated, this, &SetupView::choose);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &SetupView::updateSaveEnabled);
    updateSaveEnabled();
}

QString SetupView::savableCookie(const QString& text)
{
    return text.trimmed();
}

void SetupView::setBrowserImport(BrowserImportFunction import)
{
    m_import = std::move(import);
    m_importButton->setVisible(bool(m_import));
}

QString SetupView::cookieText() const
{
    return m_editor->toPlainText();
}

void SetupView::keyPressEvent(QKeyEvent* event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & ~Qt::KeypadModifier) == 0) {
        if (m_save->isEnabled())
            m_save->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SetupView::save()
{
    const QString cookie = savableCookie(cookieText());
    if (cookie.isEmpty())
        return;
    // The organization and the origin belong to the imported cookie only while the text
    // is unchanged.
    const bool imported = !m_importedText.isEmpty() && cookieText() == m_importedText;
    const std::optional<QString> organization = imported ? m_importedOrganization : std::nullopt;
    const QString origin = imported ? m_importedOrigin : QString();
    if (!m_accounts) {
        if (m_usage)
            m_usage->saveCookie(cookie, organization, origin);
        return;
    }
    const QString name = m_name->text().trimmed();
    if (name.isEmpty())
        return;
    if (m_accounts->addCookieAccount(name, cookie, organization, origin).isEmpty()) {
        showMessage(Accounts::listFull(UsageAccounts::maxAccounts));
        return;
    }
    // Saving again would add the account twice.
    cancel();
}

void SetupView::cancel()
{
    if (m_onClose)
        m_onClose();
}

void SetupView::updateSaveEnabled()
{
    m_save->setEnabled(!savableCookie(cookieText()).isEmpty() &&
                       (!m_name || !m_name->text().trimmed().isEmpty()));
}

void SetupView::startImport()
{
    if (!m_import || !m_importButton->isEnabled())
        return;
    m_importButton->setEnabled(false);
    m_busy->show();
    m_importChoices->hide();
    showMessage(tr("Looking in your browsers…"));

    // Shown when done; dropped if the window has closed meanwhile.
    Background::run(this, m_import,
                    [this](const BrowserImportResult& result) { showImport(result); });
}

void SetupView::showImport(const BrowserImportResult& result)
{
    m_busy->hide();
    m_importButton->setEnabled(true);
    showMessage(result.message());
    m_sessions = result.sessions;
    m_importChoices->clear();
    for (const ImportedSession& session : m_sessions)
        m_importChoices->addItem(choiceText(session));
    m_importChoices->setVisible(m_sessions.size() > 1);
    if (!m_sessions.isEmpty())
        choose(0);
    Q_EMIT importFinished();
}

void SetupView::showMessage(const QString& text)
{
    m_importMessage->setText(text);
    // A fixed window gives a wrapped label no room of its own: size its area to the text.
    const int width = viewWidth - 2 * margin;
    const int lines = m_importMessage->fontMetrics().lineSpacing() * messageLines;
    m_messageArea->setFixedHeight(std::min(m_importMessage->heightForWidth(width), lines));
    m_messageArea->show();
}

void SetupView::choose(int index)
{
    if (index < 0 || index >= m_sessions.size())
        return;
    const ImportedSession& session = m_sessions.at(index);
    m_importedText = session.cookieText();
    m_importedOrganization = session.organizationId;
    m_importedOrigin = session.fromDesktopApp ? Accounts::desktopAppOrigin : QString();
    m_editor->setPlainText(m_importedText);
    if (m_name && !m_nameTyped)
        m_name->setText(suggestedName(m_importedOrganization));
}

QString SetupView::suggestedName(const std::optional<QString>& organizationId) const
{
    // The import knows the organization by its id; an account that lists it knows its name.
    if (organizationId) {
        for (const UsageService* usage : m_accounts->services()) {
            for (const Organization& organization : usage->organizations()) {
                if (organization.id == *organizationId)
                    return organization.displayName();
            }
        }
    }
    return Accounts::newName(m_accounts->accounts());
}

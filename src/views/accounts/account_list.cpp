#include "views/accounts/account_list.h"

#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "views/settings/settings_choices.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/elided_label.h"
#include "views/widgets/plain_button.h"
#include "views/widgets/view_fonts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int nameFontSize = 13;
constexpr int detailFontSize = 11;

ElidedLabel* detailLabel(int lines)
{
    auto* label = new ElidedLabel(QString(), lines);
    label->setFont(ViewFonts::font(detailFontSize));
    label->setForegroundRole(QPalette::PlaceholderText);
    // The organization's name is the service's, the error the server's: text only.
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A link-like button, as the rows are many and each has two.
PlainButton* button(const QString& text, QColor (*color)())
{
    PlainButton::Look look;
    look.font = ViewFonts::font(12);
    look.foreground = [color](const QPalette&) { return color(); };
    // Room for the focus ring around the text.
    look.padding = QMargins(3, 1, 3, 1);
    return new PlainButton(text, look);
}

} // namespace

AccountList::AccountList(UsageAccounts& accounts, QWidget* parent)
    : QWidget(parent), m_accounts(accounts)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
    connect(&m_accounts, &UsageAccounts::accountsChanged, this, &AccountList::rebuild);
    connect(&m_accounts, &UsageAccounts::changed, this, &AccountList::showStates);
    rebuild();
}

void AccountList::rebuild()
{
    // Later: a rename's own signal may be what brought the change.
    for (QWidget* container : std::as_const(m_containers)) {
        container->hide();
        container->deleteLater();
    }
    m_containers.clear();
    m_rows.clear();
    for (const Account& account : m_accounts.accounts()) {
        auto* container = new QWidget;
        m_rows.append(buildRow(account.id, container));
        m_containers.append(container);
        m_layout->addWidget(container);
    }
    orderTabs();
    showStates();
}

void AccountList::setTabOrderAfter(QWidget* before)
{
    m_before = before;
    orderTabs();
}

void AccountList::orderTabs()
{
    // New widgets join the end of the window's Tab order; the rows belong after m_before.
    QWidget* previous = m_before;
    for (const Row& row : std::as_const(m_rows)) {
        for (QWidget* next : {static_cast<QWidget*>(row.editor), static_cast<QWidget*>(row.rename),
                              static_cast<QWidget*>(row.remove)}) {
            if (previous)
                setTabOrder(previous, next);
            previous = next;
        }
    }
}

AccountList::Row AccountList::buildRow(const QString& accountId, QWidget* container)
{
    Row row;
    row.accountId = accountId;
    row.name = new QLabel;
    row.name->setFont(ViewFonts::font(nameFontSize, QFont::Medium));
    row.name->setTextFormat(Qt::PlainText);
    row.editor = new QLineEdit;
    row.editor->setFont(ViewFonts::font(nameFontSize));
    row.editor->hide();
    row.editor->installEventFilter(this);
    row.detail = detailLabel(1);
    row.error = detailLabel(2);
    row.rename = button(tr("Rename"), &ClaudeColors::claudeTan);
    row.remove = button(tr("Remove"), &ClaudeColors::destructive);
    row.remove->setToolTip(tr("Stops watching this account and deletes its cookie from the "
                              "keyring. Its history stays."));

    // The buttons beside the name; what it reads and its error use the whole width.
    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(row.name, 1);
    top->addWidget(row.editor, 1);
    top->addWidget(row.rename);
    top->addWidget(row.remove);
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(row.detail);
    layout->addWidget(row.error);

    connect(row.rename, &PlainButton::clicked, this, [this, row] { startRename(row); });
    connect(row.editor, &QLineEdit::editingFinished, this,
            [this, row] { finishRename(row, true); });
    connect(row.remove, &PlainButton::clicked, this,
            [this, accountId] { m_accounts.remove(accountId); });
    return row;
}

void AccountList::showStates()
{
    const bool removable = m_rows.size() > 1;
    for (const Row& row : std::as_const(m_rows)) {
        const Account* account = m_accounts.account(row.accountId);
        const UsageService* usage = m_accounts.service(row.accountId);
        if (!account || !usage)
            continue;
        row.name->setText(account->name);
        row.rename->setAccessibleName(tr("Rename %1").arg(account->name));
        row.remove->setAccessibleName(tr("Remove %1").arg(account->name));
        row.remove->setEnabled(removable);
        row.detail->setText(SettingsChoices::accountText(
            *account, usage->source(), usage->claudeCodePlan(), usage->organization()));
        row.error->setText(usage->error().value_or(QString()));
        row.error->setToolTip(row.error->text());
        row.error->setVisible(usage->error().has_value());
    }
}

void AccountList::startRename(const Row& row)
{
    row.editor->setText(row.name->text());
    row.name->hide();
    row.editor->show();
    row.editor->selectAll();
    row.editor->setFocus();
}

void AccountList::finishRename(const Row& row, bool keep)
{
    // Return and the focus leaving both end an edit; only the first counts.
    if (row.editor->isHidden())
        return;
    const QString name = row.editor->text().trimmed();
    row.editor->hide();
    row.name->show();
    row.rename->setFocus();
    if (keep && !name.isEmpty() && name != row.name->text())
        m_accounts.rename(row.accountId, name);
}

bool AccountList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        for (const Row& row : std::as_const(m_rows)) {
            if (row.editor == watched) {
                finishRename(row, false);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

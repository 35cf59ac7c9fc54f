#include "views/settings/status_line_section.h"

#include "services/accounts/usage_accounts.h"
#include "services/fetch/status_line_notes.h"
#include "services/fetch/usage_service.h"
#include "services/settings.h"
#include "services/sources/claude_code/claude_code_homes.h"
#include "services/sources/claude_code/status_line_switch.h"
#include "views/widgets/view_fonts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int rowFontSize = 13;

QLabel* label(const QString& text, bool secondary = false)
{
    auto* result = new QLabel(text);
    result->setFont(ViewFonts::font(rowFontSize));
    result->setWordWrap(true);
    if (secondary)
        result->setForegroundRole(QPalette::PlaceholderText);
    return result;
}

} // namespace

StatusLineSection::StatusLineSection(UsageAccounts& accounts, Settings& settings,
                                     const QString& program, QWidget* parent)
    : QWidget(parent), m_accounts(accounts), m_settings(settings), m_program(program)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* header = new QLabel(tr("Claude Code's status line"));
    header->setFont(ViewFonts::font(12, QFont::DemiBold));
    header->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(header);
    setAccessibleName(header->text());
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_rowsLayout);
    connect(&m_accounts, &UsageAccounts::changed, this, &StatusLineSection::follow);
    connect(&m_accounts, &UsageAccounts::accountsChanged, this, &StatusLineSection::follow);
    follow();
}

QList<QCheckBox*> StatusLineSection::toggles() const
{
    QList<QCheckBox*> list;
    for (const Row& row : m_rows)
        list << row.toggle;
    return list;
}

QList<QComboBox*> StatusLineSection::readingPickers() const
{
    QList<QComboBox*> list;
    for (const Row& row : m_rows)
        list << row.reading;
    return list;
}

QList<QLabel*> StatusLineSection::notes() const
{
    QList<QLabel*> list;
    for (const Row& row : m_rows)
        list << row.note;
    return list;
}

void StatusLineSection::follow()
{
    QStringList wanted;
    for (const Account& account : m_accounts.accounts()) {
        const UsageService* usage = m_accounts.service(account.id);
        if (account.source == Account::Source::claudeCode ||
            usage->source() == UsageSource::claudeCode)
            wanted << account.id + u'\n' + m_accounts.claudeCodeFolder(account);
    }
    if (wanted != m_shown) {
        m_shown = wanted;
        m_rows.clear();
        while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        const bool several = m_accounts.accounts().size() > 1;
        for (const QString& entry : wanted) {
            Row row{entry.section(u'\n', 0, 0), entry.section(u'\n', 1), {}, {}, {}, {}};
            auto* box = new QWidget;
            auto* rows = new QVBoxLayout(box);
            rows->setContentsMargins(0, 0, 0, 0);
            if (several)
                rows->addWidget(label(m_accounts.account(row.accountId)->name + u' ' +
                                      ClaudeCodeHomes::shown(row.folder)));
            row.toggle = new QCheckBox(tr("Use Claude Code's status line"));
            row.toggle->setFont(ViewFonts::font(rowFontSize));
            rows->addWidget(row.toggle);
            row.reading = new QComboBox;
            row.reading->setFont(ViewFonts::font(rowFontSize));
            row.reading->addItems(
                {tr("From the status line only"), tr("From the status line and the service")});
            const QString readCaption = tr("Read figures");
            row.reading->setAccessibleName(readCaption);
            auto* readRow = new QHBoxLayout;
            QLabel* caption = label(readCaption);
            caption->setBuddy(row.reading);
            readRow->addWidget(caption);
            readRow->addStretch(1);
            readRow->addWidget(row.reading);
            rows->addLayout(readRow);
            row.note = label(QString(), true);
            rows->addWidget(row.note);
            m_rowsLayout->addWidget(box);
            m_rows.append(row);
        }
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            connect(m_rows[i].toggle, &QCheckBox::clicked, this,
                    [this, i](bool on) { toggle(m_rows[i], on); });
            connect(m_rows[i].reading, &QComboBox::activated, this, [this, i](int index) {
                StatusLineSwitch::setReading(m_settings, m_rows[i].folder,
                                             index == 0 ? StatusLineReading::statusLineOnly
                                                        : StatusLineReading::statusLineAndService);
                show(m_rows[i]);
            });
        }
    }
    setVisible(!m_rows.isEmpty());
    for (Row& row : m_rows)
        show(row);
}

void StatusLineSection::show(Row& row)
{
    row.toggle->setChecked(StatusLineSwitch::isOn(row.folder));
    row.reading->setCurrentIndex(
        StatusLineSwitch::reading(m_settings, row.folder) == StatusLineReading::statusLineOnly ? 0
                                                                                               : 1);
    QStringList lines;
    if (!row.problem.isEmpty())
        lines << row.problem;
    if (const UsageService* usage = m_accounts.service(row.accountId))
        lines << StatusLineNotes::of(*usage, m_accounts.now()).mid(0, 1);
    row.note->setText(lines.join(u'\n'));
    row.note->setVisible(!lines.isEmpty());
}

void StatusLineSection::toggle(Row& row, bool on)
{
    const std::optional<QString> problem =
        on ? StatusLineSwitch::turnOn(m_settings, row.folder, m_program)
           : StatusLineSwitch::turnOff(m_settings, row.folder);
    row.problem = problem.value_or(QString());
    show(row);
}

#include "views/history/history_view.h"

#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "services/history/history_export.h"
#include "services/history/history_store.h"
#include "views/history/history_chart_view.h"
#include "views/widgets/view_fonts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

// The context of the texts outside the view's members.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(HistoryView)
};

QString askWhereToSave(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent, Texts::tr("Export CSV"), suggested,
                                        Texts::tr("CSV files (*.csv)"));
}

QList<WindowFigure> currentFigures(const UsageService& usage)
{
    return usage.usageData() ? UsageWindows::figures(*usage.usageData()) : QList<WindowFigure>();
}

QString readFailure(const QString& error)
{
    return Texts::tr("Could not read the history: %1").arg(error);
}

} // namespace

HistoryView::HistoryView(HistoryStore& store, UsageAccounts& accounts, Clock clock, QWidget* parent)
    : QWidget(parent), m_store(store), m_accounts(accounts),
      m_accountId(accounts.accounts().first().id), m_clock(std::move(clock)),
      m_chooseSave(askWhereToSave)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(8);

    auto* top = new QHBoxLayout;
    top->setSpacing(4);
    auto* spans = new QButtonGroup(this);
    for (HistorySpan span : HistorySpans::all()) {
        auto* button = new QPushButton(HistorySpans::title(span));
        button->setCheckable(true);
        button->setFont(ViewFonts::font(12));
        spans->addButton(button);
        top->addWidget(button);
        m_spanButtons.insert(span, button);
        connect(button, &QPushButton::clicked, this, [this, span] { setSpan(span); });
    }
    top->addStretch(1);
    m_accountPicker = new QComboBox;
    m_accountPicker->setFont(ViewFonts::font(12));
    m_accountPicker->setAccessibleName(tr("Account"));
    top->addWidget(m_accountPicker);
    connect(m_accountPicker, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= m_accounts.accounts().size())
            return;
        m_accountId = m_accounts.accounts().at(index).id;
        reload();
    });
    m_export = new QPushButton(tr("Export CSV…"));
    m_export->setFont(ViewFonts::font(12));
    connect(m_export, &QPushButton::clicked, this, &HistoryView::exportCsv);
    top->addWidget(m_export);
    layout->addLayout(top);

    m_chart = new HistoryChartView;
    m_chart->setAccessibleName(tr("Usage history chart"));
    layout->addWidget(m_chart, 1);

    auto* bottom = new QHBoxLayout;
    m_legend = new QLabel;
    m_legend->setFont(ViewFonts::font(12));
    m_legend->setTextFormat(Qt::RichText);
    bottom->addWidget(m_legend);
    bottom->addStretch(1);
    m_exportStatus = new QLabel;
    m_exportStatus->setFont(ViewFonts::font(11));
    m_exportStatus->setForegroundRole(QPalette::PlaceholderText);
    bottom->addWidget(m_exportStatus);
    layout->addLayout(bottom);

    // Queued: the shell stores the snapshot on the same signal.
    connect(
        &m_accounts, &UsageAccounts::usageDataChanged, this,
        [this](const QString& accountId) {
            if (accountId == usage().accountId())
                reload();
        },
        Qt::QueuedConnection);
    connect(&m_accounts, &UsageAccounts::accountsChanged, this, [this] {
        showAccounts();
        reload();
    });
    showAccounts();
    setSpan(m_span);
}

UsageService& HistoryView::usage() const
{
    UsageService* shown = m_accounts.service(m_accountId);
    return shown ? *shown : m_accounts.first();
}

void HistoryView::showAccounts()
{
    // A removed account's series stays in the store, but is no longer offered.
    if (!m_accounts.account(m_accountId))
        m_accountId = m_accounts.accounts().first().id;
    m_accountPicker->clear();
    for (const Account& account : m_accounts.accounts()) {
        m_accountPicker->addItem(account.name);
        if (account.id == m_accountId)
            m_accountPicker->setCurrentIndex(m_accountPicker->count() - 1);
    }
    m_accountPicker->setVisible(m_accounts.accounts().size() > 1);
}

void HistoryView::setSpan(HistorySpan span)
{
    m_span = span;
    // The chosen span in the selection colours: a pressed bevel alone hardly shows in
    // dark themes.
    for (auto it = m_spanButtons.cbegin(); it != m_spanButtons.cend(); ++it) {
        QPalette look;
        if (it.key() == span) {
            look.setColor(QPalette::Button, palette().color(QPalette::Highlight));
            look.setColor(QPalette::ButtonText, palette().color(QPalette::HighlightedText));
        }
        it.value()->setPalette(look);
    }
    m_spanButtons.value(span)->setChecked(true);
    reload();
}

void HistoryView::reload()
{
    ChartInput input;
    input.span = m_span;
    input.now = m_clock();
    input.current = currentFigures(usage());
    const HistoryQueries queries = m_store.queries();
    const QString owner = usage().owner();
    // A failed read draws nothing and says so under the chart.
    QString failure;
    auto rowsOf = [&failure](auto read) {
        if (!read.ok() && failure.isEmpty())
            failure = read.error;
        return std::move(read.rows);
    };
    input.windowIds = rowsOf(queries.windowIds(owner));
    input.points = [&](const QString& id, const QDateTime& from, const QDateTime& to) {
        return rowsOf(queries.points(owner, id, from, to));
    };
    input.samples = [&](const QString& id) { return rowsOf(queries.samples(owner, id)); };
    m_chart->setChart(HistoryChart::build(input));
    if (!failure.isEmpty() || m_readFailed)
        m_exportStatus->setText(failure.isEmpty() ? QString() : readFailure(failure));
    m_readFailed = !failure.isEmpty();

    QStringList names;
    for (int i = 0; i < m_chart->chart().lines.size(); ++i)
        names << QStringLiteral("<span style=\"color:%1\">●</span>&nbsp;%2")
                     .arg(m_chart->lineColor(i).name(),
                          m_chart->chart().lines.at(i).kind.title.toHtmlEscaped());
    m_legend->setText(names.join(QStringLiteral("&nbsp;&nbsp;&nbsp;")));
}

void HistoryView::exportCsv()
{
    const QDateTime now = m_clock();
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QStringLiteral("gaugery-history-%1.csv")
                          .arg(now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"))));
    const QString path = m_chooseSave(this, suggested);
    if (path.isEmpty())
        return;
    const auto [from, to] = HistoryChart::rangeOf(m_span, now, currentFigures(usage()));
    const HistoryRead<QList<HistoryPoint>> read =
        m_store.queries().points(usage().owner(), from, to);
    if (!read.ok()) {
        m_exportStatus->setText(readFailure(read.error));
        return;
    }
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(HistoryExport::csv(read.rows).toUtf8()) >= 0 && file.commit();
    m_exportStatus->setText(
        saved ? tr("Saved %1").arg(QFileInfo(path).fileName())
              : tr("Cannot save %1: %2").arg(QFileInfo(path).fileName(), file.errorString()));
}

// The usage service's side of Claude Code's status line: a report is taken as an answer,
// and the token is spared while reports come.
#include "services/fetch/usage_chain.h"
#include "services/fetch/usage_service.h"
#include "services/sources/claude_code/status_line_merge.h"

void UsageService::takeStatusLine(const StatusLineReport& report)
{
    std::optional<UsageData> data = StatusLineMerge::merged(
        m_state.usageData, report, ownerOfFiguresReadBy(UsageSource::claudeCode),
        2 * m_gate->interval(), m_clock());
    if (!data)
        return;
    m_statusLine.reported(report.at);
    State next = m_state;
    next.usageData = std::move(data);
    ++next.snapshot;
    next.error.reset();
    next.source = UsageSource::claudeCode;
    apply(next);
}

bool UsageService::sparesToken(UsageSource source) const
{
    return source == UsageSource::claudeCode && !m_statusLine.mayAsk(m_gate->interval(), m_clock());
}

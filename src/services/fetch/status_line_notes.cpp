#include "services/fetch/status_line_notes.h"

#include "models/freshness.h"
#include "models/usage_window.h"
#include "services/fetch/usage_service.h"

#include <QCoreApplication>

#include <map>

namespace {

class Texts {
    Q_DECLARE_TR_FUNCTIONS(StatusLineNotes)
};

} // namespace

namespace StatusLineNotes {

QStringList of(const UsageService& service, const QDateTime& now)
{
    const std::optional<UsageData>& data = service.usageData();
    if (!data) {
        if (service.source() == UsageSource::claudeCode &&
            service.statusLine().reading() == StatusLineReading::statusLineOnly)
            return {Texts::tr("Figures come from Claude Code's status line, after its next "
                              "reply.")};
        return {};
    }
    if (!data->fromStatusLine)
        return {};
    QStringList lines{Texts::tr("Figures from Claude Code's status line")};
    // The windows it lacks, by when the service gave them.
    std::map<QDateTime, QStringList> older;
    for (const WindowFigure& figure : UsageWindows::figures(*data)) {
        const auto taken = data->takenAt.constFind(figure.kind.id);
        if (taken != data->takenAt.constEnd())
            older[*taken] << figure.kind.title;
    }
    for (const auto& [taken, titles] : older)
        lines << Texts::tr("%1 as of %2 (%3 ago)")
                     .arg(titles.join(QStringLiteral(", ")), UsageWindows::timeOfDayText(taken),
                          Freshness::ageText(taken, now));
    return lines;
}

} // namespace StatusLineNotes

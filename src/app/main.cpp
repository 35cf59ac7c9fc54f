#include "app/gaugery_app.h"
#include "app/platform/launcher_entry.h"
#include "app/platform/session_check.h"
#include "service_origin.h"
#include "services/parsing/claude_code_credentials.h"
#include "services/sources/claude_code/status_line_report.h"
#include "services/sources/usage_source.h"

#include <QFileInfo>
#include <QUrl>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (const auto problem = SessionCheck::missingDisplay(
            [](const char* name) { return qEnvironmentVariable(name); })) {
        std::fprintf(stderr, "%s\n", problem->toLocal8Bit().constData());
        return 1;
    }
    // The portals know an unsandboxed program only by its installed desktop entry, and Qt
    // names the program to them as it starts: a build run from its folder writes its own
    // entry first.
    if (LauncherEntry::ensureStandard(
            QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()) ==
        LauncherEntry::Outcome::failed)
        std::fprintf(stderr,
                     "Failed to write the desktop entry %s: the desktop's portals will "
                     "not know Gaugery\n",
                     qPrintable(LauncherEntry::fileName()));
    GaugeryApp app(argc, argv);
    const auto environment = [](const char* name) { return qEnvironmentVariable(name); };
    UsageEndpoints endpoints{QUrl(QLatin1String(ServiceOrigin::value)),
                             QUrl(QLatin1String(ServiceOrigin::api)),
                             ClaudeCodeCredentials::path(environment)};
    endpoints.statusLineReports = StatusLineReports::folder(environment);
    return app.run(endpoints);
}

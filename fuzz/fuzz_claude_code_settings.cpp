#include "services/sources/claude_code/claude_code_settings_file.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>

// Any text as Claude Code's settings.json: refused unless it is a JSON object, and an
// object only when it names the entry twice (JSON readers differ on which one counts);
// otherwise the entry goes in as valid JSON with every other key as it was, and comes out
// again leaving the text byte for byte as it was.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace ClaudeCodeSettingsFile;
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString command = QStringLiteral("gaugery-status --claude-code-statusline -- sh -c 'x'");
    const Edit on = withCommand(text, command);
    const QJsonDocument document = QJsonDocument::fromJson(text);
    const bool twice = on.problem.contains(QLatin1String("more than once"));
    if (on.problem.isEmpty() != document.isObject() && !(twice && document.isObject()))
        std::abort();
    if (!on.problem.isEmpty())
        return 0;
    QJsonObject written = QJsonDocument::fromJson(on.text).object();
    if (ClaudeCodeSettingsFile::command(on.text) != command)
        std::abort();
    QJsonObject before = document.object();
    written.remove(QStringLiteral("statusLine"));
    before.remove(QStringLiteral("statusLine"));
    if (written != before)
        std::abort();
    const Edit off = withPrevious(on.text, on.previous);
    if (!off.problem.isEmpty() || off.text != text)
        std::abort();
    return 0;
}

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The "statusLine" entry of Claude Code's settings.json, edited in the text as written:
// every other byte stays, so turning the entry off again gives back the file as it was
// (QJsonDocument would sort the keys and rewrite the numbers).
namespace ClaudeCodeSettingsFile {

// What the entry replaced, to put back.
struct Previous {
    enum class Kind { value, absent, noFile };
    Kind kind = Kind::absent;
    // The entry's value as it was written.
    QByteArray value;
    // For an object that held nothing: what was between its braces.
    QByteArray inner;

    bool operator==(const Previous&) const = default;
};

struct Edit {
    // The new text; empty when refused.
    QByteArray text;
    // Why it was refused: not JSON, or no object.
    QString problem;
    Previous previous;
};

// The text (none: there is no file) with "statusLine" running `command`.
Edit withCommand(const std::optional<QByteArray>& text, const QString& command);
// The text with the entry as it was before; empty text for a file Gaugery made that holds
// nothing else now.
Edit withPrevious(const QByteArray& text, const Previous& previous);
// The "command" of the entry; empty when there is none.
QString command(const QByteArray& text);
// The "command" of an entry value as `withCommand` keeps it; empty when there is none.
QString commandOfValue(const QByteArray& value);

} // namespace ClaudeCodeSettingsFile

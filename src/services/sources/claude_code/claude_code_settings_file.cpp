#include "services/sources/claude_code/claude_code_settings_file.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

namespace ClaudeCodeSettingsFile {

namespace {

class Texts {
    Q_DECLARE_TR_FUNCTIONS(ClaudeCodeSettingsFile)
};

const QByteArray entryKey = "\"statusLine\"";

// Where one member of the top-level object is in the text.
struct Member {
    qsizetype keyStart = 0;
    qsizetype keyEnd = 0;
    qsizetype valueStart = 0;
    qsizetype valueEnd = 0;
};

// The top-level object of text already known to be valid JSON.
struct Layout {
    qsizetype open = 0;
    qsizetype close = 0;
    QList<Member> members;
};

qsizetype skipSpace(const QByteArray& text, qsizetype i)
{
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r'))
        ++i;
    return i;
}

qsizetype skipString(const QByteArray& text, qsizetype i)
{
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\')
            ++i;
    }
    return i + 1;
}

qsizetype skipValue(const QByteArray& text, qsizetype i)
{
    if (text[i] == '"')
        return skipString(text, i);
    if (text[i] == '{' || text[i] == '[') {
        int depth = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (c == '"') {
                i = skipString(text, i);
                continue;
            }
            if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return i + 1;
            ++i;
        }
        return i;
    }
    static const QByteArray ends = ",}] \t\r\n";
    while (i < text.size() && !ends.contains(text[i]))
        ++i;
    return i;
}

// By hand: QJsonDocument tells no positions.
Layout layoutOf(const QByteArray& text)
{
    Layout layout;
    qsizetype i = skipSpace(text, 0);
    layout.open = i++;
    for (;;) {
        i = skipSpace(text, i);
        if (text[i] == '}')
            break;
        Member member;
        member.keyStart = i;
        member.keyEnd = i = skipString(text, i);
        i = skipSpace(text, i) + 1; // ':'
        member.valueStart = i = skipSpace(text, i);
        member.valueEnd = i = skipValue(text, i);
        layout.members.append(member);
        i = skipSpace(text, i);
        if (text[i] == ',')
            ++i;
    }
    layout.close = i;
    return layout;
}

// The "statusLine" members, by their key as JSON reads it, escapes and all.
QList<qsizetype> entryIndexes(const QByteArray& text, const Layout& layout)
{
    QList<qsizetype> found;
    for (qsizetype i = 0; i < layout.members.size(); ++i) {
        const Member& m = layout.members.at(i);
        const QByteArray key = text.mid(m.keyStart, m.keyEnd - m.keyStart);
        if (key == entryKey ||
            (key.contains('\\') &&
             QJsonDocument::fromJson("[" + key + "]").array().first().toString() ==
                 QLatin1String("statusLine")))
            found.append(i);
    }
    return found;
}

qsizetype entryIndex(const QByteArray& text, const Layout& layout)
{
    const QList<qsizetype> found = entryIndexes(text, layout);
    return found.isEmpty() ? -1 : found.first();
}

std::optional<QString> problemOf(const QByteArray& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return Texts::tr("Its settings.json is not valid JSON (%1 at byte %2), so it is left "
                         "as it is.")
            .arg(error.errorString())
            .arg(error.offset);
    if (!document.isObject())
        return Texts::tr("Its settings.json holds no JSON object, so it is left as it is.");
    return std::nullopt;
}

QByteArray quoted(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// The entry, laid out as the file's members are: `indent` is what comes before a key.
QByteArray entryText(const QString& command, const QByteArray& indent)
{
    const qsizetype newline = indent.lastIndexOf('\n');
    if (newline < 0)
        return "{\"type\": \"command\", \"command\": " + quoted(command) + "}";
    const QByteArray outer = indent.mid(newline + 1);
    const QByteArray inner = "\n" + outer + (outer.isEmpty() ? QByteArray("  ") : outer);
    return "{" + inner + "\"type\": \"command\"," + inner + "\"command\": " + quoted(command) +
           "\n" + outer + "}";
}

} // namespace

Edit withCommand(const std::optional<QByteArray>& text, const QString& command)
{
    Edit edit;
    if (!text) {
        edit.previous.kind = Previous::Kind::noFile;
        edit.text = "{\n  \"statusLine\": " + entryText(command, "\n  ") + "\n}\n";
        return edit;
    }
    if (const std::optional<QString> problem = problemOf(*text)) {
        edit.problem = *problem;
        return edit;
    }
    const Layout layout = layoutOf(*text);
    if (entryIndexes(*text, layout).size() > 1) {
        edit.problem = Texts::tr("Its settings.json names statusLine more than once, so it is "
                                 "left as it is.");
        return edit;
    }
    if (const qsizetype found = entryIndex(*text, layout); found >= 0) {
        const Member& m = layout.members.at(found);
        const QByteArray indent =
            text->mid(layout.open + 1, layout.members.first().keyStart - layout.open - 1);
        edit.previous = {
            Previous::Kind::value, text->mid(m.valueStart, m.valueEnd - m.valueStart), {}};
        edit.text = text->left(m.valueStart) + entryText(command, indent) + text->mid(m.valueEnd);
    } else if (!layout.members.isEmpty()) {
        const QByteArray indent =
            text->mid(layout.open + 1, layout.members.first().keyStart - layout.open - 1);
        const qsizetype end = layout.members.last().valueEnd;
        edit.text = text->left(end) + "," + (indent.isEmpty() ? QByteArray(" ") : indent) +
                    entryKey + ": " + entryText(command, indent) + text->mid(end);
    } else {
        edit.previous.inner = text->mid(layout.open + 1, layout.close - layout.open - 1);
        edit.text = text->left(layout.open + 1) + "\n  " + entryKey + ": " +
                    entryText(command, "\n  ") + "\n" + text->mid(layout.close);
    }
    return edit;
}

Edit withPrevious(const QByteArray& text, const Previous& previous)
{
    Edit edit{{}, problemOf(text).value_or(QString()), previous};
    if (!edit.problem.isEmpty())
        return edit;
    const Layout layout = layoutOf(text);
    const qsizetype found = entryIndex(text, layout);
    if (found < 0) {
        edit.text = text;
        return edit;
    }
    const Member& m = layout.members.at(found);
    if (previous.kind == Previous::Kind::value) {
        edit.text = text.left(m.valueStart) + previous.value + text.mid(m.valueEnd);
    } else if (found > 0) {
        const qsizetype from = layout.members.at(found - 1).valueEnd;
        edit.text = text.left(from) + text.mid(m.valueEnd);
    } else if (layout.members.size() > 1) {
        edit.text = text.left(m.keyStart) + text.mid(layout.members.at(1).keyStart);
    } else if (previous.kind == Previous::Kind::absent) {
        edit.text = text.left(layout.open + 1) + previous.inner + text.mid(layout.close);
    }
    // A file Gaugery made and nothing else has written to since: empty, to be removed.
    return edit;
}

QString command(const QByteArray& text)
{
    const QJsonObject entry =
        QJsonDocument::fromJson(text).object().value(QStringLiteral("statusLine")).toObject();
    return entry.value(QStringLiteral("type")).toString() == QLatin1String("command")
               ? entry.value(QStringLiteral("command")).toString()
               : QString();
}

QString commandOfValue(const QByteArray& value)
{
    return command("{" + entryKey + ":" + value + "}");
}

} // namespace ClaudeCodeSettingsFile

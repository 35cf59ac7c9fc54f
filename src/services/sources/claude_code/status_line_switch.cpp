#include "services/sources/claude_code/status_line_switch.h"

#include "services/settings.h"
#include "services/sources/claude_code/claude_code_homes.h"
#include "services/sources/claude_code/claude_code_settings_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <functional>

namespace StatusLineSwitch {

namespace {

class Texts {
    Q_DECLARE_TR_FUNCTIONS(StatusLineSwitch)
};

using ClaudeCodeSettingsFile::Previous;

const QString folderField = QStringLiteral("folder");
const QString readingField = QStringLiteral("reading");
const QString kindField = QStringLiteral("previousKind");
const QString valueField = QStringLiteral("previous");
const QString innerField = QStringLiteral("previousInner");
const QString onlyValue = QStringLiteral("statusLineOnly");
const QStringList kindNames{QStringLiteral("value"), QStringLiteral("absent"),
                            QStringLiteral("noFile")};
// Claude Code's settings are small; a larger file is not one.
constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

QString fileIn(const QString& folder)
{
    return ClaudeCodeHomes::kept(folder) + QStringLiteral("/settings.json");
}

QList<QVariantMap> entries(const Settings& settings)
{
    return settings.array(settingsKey);
}

qsizetype indexOf(const QList<QVariantMap>& list, const QString& folder)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (ClaudeCodeHomes::same(list.at(i).value(folderField).toString(), folder))
            return i;
    }
    return -1;
}

void update(Settings& settings, const QString& folder,
            const std::function<void(QVariantMap&)>& change)
{
    QList<QVariantMap> list = entries(settings);
    qsizetype i = indexOf(list, folder);
    if (i < 0) {
        list.append({{folderField, ClaudeCodeHomes::kept(folder)}});
        i = list.size() - 1;
    }
    change(list[i]);
    settings.setArray(settingsKey, list);
}

struct Read {
    std::optional<QByteArray> text;
    QString problem;
};

Read readFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    QFile file(path);
    if (!info.isFile() || info.size() > maxFileBytes || !file.open(QIODevice::ReadOnly))
        return {std::nullopt, Texts::tr("Its settings.json cannot be read.")};
    return {file.readAll(), {}};
}

// Atomically, through a link to the file as well; QSaveFile keeps the file's mode.
std::optional<QString> writeFile(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return std::nullopt;
    return Texts::tr("Its settings.json cannot be written: %1").arg(file.errorString());
}

QString shellQuoted(const QString& word)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_@%+=:,./-]+$"));
    if (plain.match(word).hasMatch())
        return word;
    return u'\'' + QString(word).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

StatusLineReading reading(const Settings& settings, const QString& folder)
{
    const QList<QVariantMap> list = entries(settings);
    const qsizetype i = indexOf(list, folder);
    return i >= 0 && list.at(i).value(readingField).toString() == onlyValue
               ? StatusLineReading::statusLineOnly
               : StatusLineReading::statusLineAndService;
}

void setReading(Settings& settings, const QString& folder, StatusLineReading value)
{
    update(settings, folder, [value](QVariantMap& entry) {
        entry.insert(readingField, value == StatusLineReading::statusLineOnly
                                       ? onlyValue
                                       : QStringLiteral("statusLineAndService"));
    });
}

QString program()
{
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/gaugery-status");
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString found = QStandardPaths::findExecutable(QStringLiteral("gaugery-status"));
    return found.isEmpty() ? QStringLiteral("gaugery-status") : found;
}

QString commandFor(const QString& program, const QString& previous)
{
    const QString own = shellQuoted(program) + u' ' + option;
    return previous.isEmpty() ? own : own + QStringLiteral(" -- sh -c ") + shellQuoted(previous);
}

bool isOn(const QString& folder)
{
    const Read read = readFile(fileIn(folder));
    return read.text && ClaudeCodeSettingsFile::command(*read.text).contains(option);
}

std::optional<QString> turnOn(Settings& settings, const QString& folder, const QString& program)
{
    const QString path = fileIn(folder);
    const Read read = readFile(path);
    if (!read.problem.isEmpty())
        return read.problem;
    if (read.text && ClaudeCodeSettingsFile::command(*read.text).contains(option))
        return std::nullopt;
    const QString previous = read.text ? ClaudeCodeSettingsFile::command(*read.text) : QString();
    const ClaudeCodeSettingsFile::Edit edit =
        ClaudeCodeSettingsFile::withCommand(read.text, commandFor(program, previous));
    if (!edit.problem.isEmpty())
        return edit.problem;
    // Kept before the file is written, so nothing written is ever without its way back.
    update(settings, folder, [&edit](QVariantMap& entry) {
        entry.insert(kindField, kindNames.at(int(edit.previous.kind)));
        entry.insert(valueField, edit.previous.value);
        entry.insert(innerField, edit.previous.inner);
    });
    return writeFile(path, edit.text);
}

std::optional<QString> turnOff(Settings& settings, const QString& folder)
{
    const QString path = fileIn(folder);
    const Read read = readFile(path);
    if (!read.problem.isEmpty())
        return read.problem;
    const QList<QVariantMap> list = entries(settings);
    const qsizetype i = indexOf(list, folder);
    const QString command = read.text ? ClaudeCodeSettingsFile::command(*read.text) : QString();
    if (!command.contains(option))
        return std::nullopt;
    Previous previous;
    if (i >= 0 && kindNames.contains(list.at(i).value(kindField).toString())) {
        previous.kind = Previous::Kind(kindNames.indexOf(list.at(i).value(kindField).toString()));
        previous.value = list.at(i).value(valueField).toByteArray();
        previous.inner = list.at(i).value(innerField).toByteArray();
    } else if (command.contains(QStringLiteral(" -- "))) {
        // Written by hand before another command: that one is the user's to put back.
        return Texts::tr("Its status line was not set here: edit its settings.json to change "
                         "it.");
    }
    const ClaudeCodeSettingsFile::Edit edit =
        ClaudeCodeSettingsFile::withPrevious(*read.text, previous);
    if (!edit.problem.isEmpty())
        return edit.problem;
    std::optional<QString> problem;
    if (edit.text.isEmpty())
        problem = QFile::remove(path)
                      ? std::nullopt
                      : std::optional(Texts::tr("Its settings.json cannot be removed."));
    else
        problem = writeFile(path, edit.text);
    if (!problem)
        update(settings, folder, [](QVariantMap& entry) {
            entry.remove(kindField);
            entry.remove(valueField);
            entry.remove(innerField);
        });
    return problem;
}

} // namespace StatusLineSwitch

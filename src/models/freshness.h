#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How current an account's figures are. They are not when they are remembered from an
// earlier run and this one has not answered yet, when the latest refresh failed, or when
// they are older than two refresh intervals.
struct Freshness {
    bool stale = false;
    // When the figures were fetched; invalid without figures.
    QDateTime asOf;
    // Why they are not current: the latest failure's message; empty when there is none.
    QString reason;

    // From the snapshot's time (invalid: no figures, nothing to mark), whether it is a
    // remembered one, the latest failure and the refresh interval in seconds.
    static Freshness of(const QDateTime& fetchedAt, bool remembered,
                        const std::optional<QString>& error, double refreshInterval,
                        const QDateTime& now);

    // How long ago the figures were fetched: "12 min", "3 h", "2 d"; never under a minute.
    static QString ageText(const QDateTime& asOf, const QDateTime& now);
    // "As of 10:42 AM (3 h ago)".
    QString asOfText(const QDateTime& now) const;
    // The line under the figures: "Updated 2:05 PM" while current, "As of …" otherwise.
    QString updatedText(const QDateTime& now) const;

    bool operator==(const Freshness&) const = default;
};

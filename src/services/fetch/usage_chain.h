#pragma once

#include "models/clock.h"
#include "models/organization.h"
#include "models/usage_data.h"
#include "services/fetch/reply_classifier.h"
#include "services/fetch/request_builder.h"
#include "services/sources/usage_source.h"

#include <QNetworkAccessManager>
#include <QObject>

#include <functional>
#include <optional>

struct OrganizationResult;
struct UsageParseResult;

// How one run of the chain ended.
struct ChainOutcome {
    UsageSource source = UsageSource::none;
    // The credential the run ended with (a renewed session's, when it was renewed).
    QString credential;
    // The figures, or why there are none.
    std::optional<UsageData> data;
    QString error;
    // What the organizations answer listed, when the run asked.
    std::optional<QList<Organization>> organizations;
    std::optional<Organization> organization;
    // A rate-limit answer's Retry-After value (empty when absent).
    std::optional<QByteArray> retryAfter;
    // The organization chosen, which the session no longer lists.
    std::optional<QString> unlistedOrganization;
    // The endpoint refused Claude Code's token.
    bool tokenRefused = false;
    Refusal refusal = Refusal::none;
};

// The requests of one account: the organizations (while none is known), then the usage
// with the browser session, or the OAuth usage with Claude Code's token. Each reply is
// classified, its body decoded off the GUI thread, and the session kept as a browser
// keeps it. Runs begun before a drop() end silently.
class ClaudeCodeVersion;

class UsageChain : public QObject {
    Q_OBJECT

public:
    // `chosen` names the organization the account reads, asked at each organizations
    // answer; none: the first listed.
    UsageChain(const UsageEndpoints& endpoints, Clock clock,
               std::function<std::optional<QString>()> chosen, QObject* parent = nullptr);

    // False when the run ended at once, without a request (its outcome already given).
    bool begin(UsageSource source, const QString& credential);
    void drop();
    // Whose version the OAuth usage request names; it must outlive the chain.
    void setClaudeCodeVersion(const ClaudeCodeVersion* version) { m_version = version; }
    // The organization whose usage is read, while it is known.
    const std::optional<QString>& organizationId() const { return m_organizationId; }
    // Whose figures Claude Code's sign-in reads.
    const QString& claudeCodeOwner() const { return m_claudeCodeOwner; }
    void forgetOrganization() { m_organizationId.reset(); }

Q_SIGNALS:
    void finished(const ChainOutcome& outcome);
    // The service set new values for the stored session: the Cookie header to keep in
    // place of the one sent.
    void cookieRenewed(const QString& before, const QString& after);

private:
    // One run: the sign-in it was read with and the generation it belongs to.
    struct Run {
        UsageSource source = UsageSource::none;
        // The Cookie header, or Claude Code's token.
        QString credential;
        int generation = 0;
        std::optional<QList<Organization>> organizations;
        std::optional<Organization> organization;
    };

    void fetchOrganizations(const Run& run);
    void fetchUsageData(const Run& run);
    void send(RequestKind kind, const QNetworkRequest& request, const Run& run);
    void onReplyFinished(RequestKind kind, const ReplyFacts& facts, Run run);
    void renewCookie(const ReplyFacts& facts, Run& run);
    void decodeInBackground(RequestKind kind, const QByteArray& body, const Run& run);
    void applyOrganization(const OrganizationResult& result, const Run& run);
    void applyUsage(const UsageParseResult& result, const Run& run);
    void fail(const QString& message, const Run& run, ChainOutcome outcome = {});
    ChainOutcome outcomeOf(const Run& run, ChainOutcome outcome) const;
    bool isCurrent(const Run& run) const { return run.generation == m_generation; }

    RequestBuilder m_requests;
    Clock m_clock;
    std::function<std::optional<QString>()> m_chosen;
    // A child rather than a member: ~QObject cuts the reply connections before it
    // deletes children, so no reply handler runs on a half-destroyed chain.
    QNetworkAccessManager* m_network;
    std::optional<QString> m_organizationId;
    const ClaudeCodeVersion* m_version = nullptr;
    QString m_claudeCodeOwner;
    int m_generation = 0;
};

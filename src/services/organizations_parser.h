#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

struct OrganizationResult {
    std::optional<QString> organizationId;
    // The user-visible message when no identifier was found.
    QString error;
};

// The first organization's "uuid" from the organizations body. Every element must be
// an object and the first must carry a string "uuid"; an empty string is accepted.
OrganizationResult parseOrganizationId(const QByteArray& body);

#pragma once

#include "models/organization.h"

#include <QByteArray>
#include <QList>
#include <QString>

struct OrganizationResult {
    // In the service's order; empty on a failure.
    QList<Organization> organizations;
    // The decoder's description when the body is not JSON; empty otherwise, also when the
    // body lists no organization.
    QString error;
};

// The organizations of the organizations body, each "uuid" with its "name". Every element
// must be an object and the first must carry a string "uuid" (an empty string is
// accepted); a later one without one is left out.
OrganizationResult parseOrganizations(const QByteArray& body);

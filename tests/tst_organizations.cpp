#include "services/parsing/organizations_parser.h"

#include <QTest>

// The organizations the service lists, and which one is read.
class TestOrganizations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parses_data();
    void parses();
    void chooses_data();
    void chooses();
};

void TestOrganizations::parses_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("listed"); // "id|name"; empty: none found
    QTest::addColumn<bool>("malformed");     // the decoder's description given

    const bool notFound = false;
    const bool parseFailed = true;
    QTest::newRow("every one, in order")
        << QByteArray(R"([{"uuid":"a-1","name":"Acme Team"},{"uuid":"b-2"}])")
        << QStringList{QStringLiteral("a-1|Acme Team"), QStringLiteral("b-2|")} << false;
    QTest::newRow("empty uuid accepted")
        << QByteArray(R"([{"uuid":""}])") << QStringList{QStringLiteral("|")} << false;
    QTest::newRow("a later one without uuid left out")
        << QByteArray(R"([{"uuid":"a-1","name":7},{"name":"x"}])")
        << QStringList{QStringLiteral("a-1|")} << false;
    QTest::newRow("empty array") << QByteArray("[]") << QStringList() << notFound;
    QTest::newRow("first lacks uuid")
        << QByteArray(R"([{"name":"x"},{"uuid":"b-2"}])") << QStringList() << notFound;
    QTest::newRow("numeric uuid") << QByteArray(R"([{"uuid":42}])") << QStringList() << notFound;
    QTest::newRow("null uuid") << QByteArray(R"([{"uuid":null}])") << QStringList() << notFound;
    QTest::newRow("later element not an object")
        << QByteArray(R"([{"uuid":"a-1"},"b"])") << QStringList() << notFound;
    QTest::newRow("object body") << QByteArray(R"({"uuid":"a-1"})") << QStringList() << notFound;
    QTest::newRow("scalar body") << QByteArray("7") << QStringList() << notFound;
    QTest::newRow("empty body") << QByteArray() << QStringList() << parseFailed;
    QTest::newRow("malformed") << QByteArray("[{\"uuid\":") << QStringList() << parseFailed;
}

void TestOrganizations::parses()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, listed);
    const OrganizationResult result = parseOrganizations(body);
    QStringList found;
    for (const Organization& organization : result.organizations)
        found << organization.id + u'|' + organization.name;
    QCOMPARE(found, listed);
    QTEST(!result.error.isEmpty(), "malformed");
}

void TestOrganizations::chooses_data()
{
    QTest::addColumn<QString>("chosen"); // null: no choice stored
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("shown");

    QTest::newRow("no choice: the first") << QString() << "9f1c2e7a-team"
                                          << "Acme Team";
    QTest::newRow("the chosen one") << "4b5d-personal"
                                    << "4b5d-personal"
                                    << "4b5d-per";
    QTest::newRow("chosen, no longer listed: none") << "gone" << QString() << QString();
}

void TestOrganizations::chooses()
{
    QFETCH(QString, chosen);
    const QList<Organization> listed{{QStringLiteral("9f1c2e7a-team"), QStringLiteral("Acme Team")},
                                     {QStringLiteral("4b5d-personal"), QStringLiteral("  ")}};
    const std::optional<Organization> read = Organizations::choose(
        listed, chosen.isNull() ? std::nullopt : std::optional<QString>(chosen));
    QTEST(read.value_or(Organization()).id, "read");
    // A blank name shows the identifier's first eight characters.
    QTEST(read ? read->displayName() : QString(), "shown");
    QCOMPARE(Organizations::choose({}, chosen), std::nullopt);
}

QTEST_GUILESS_MAIN(TestOrganizations)
#include "tst_organizations.moc"

#include "services/organizations_parser.h"

#include <QTest>

class TestOrganizationsParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parses_data();
    void parses();
};

void TestOrganizationsParser::parses_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("id");      // null: none found
    QTest::addColumn<QString>("message"); // prefix of the failure message

    const QString notFound = QStringLiteral("Could not find organization");
    const QString parseFailed = QStringLiteral("Failed to parse organizations: ");
    QTest::newRow("first uuid") << QByteArray(R"([{"uuid":"a-1","name":"x"},{"uuid":"b-2"}])")
                                << QStringLiteral("a-1") << QString();
    QTest::newRow("empty uuid accepted")
        << QByteArray(R"([{"uuid":""}])") << QStringLiteral("") << QString();
    QTest::newRow("empty array") << QByteArray("[]") << QString() << notFound;
    QTest::newRow("first lacks uuid")
        << QByteArray(R"([{"name":"x"},{"uuid":"b-2"}])") << QString() << notFound;
    QTest::newRow("numeric uuid") << QByteArray(R"([{"uuid":42}])") << QString() << notFound;
    QTest::newRow("null uuid") << QByteArray(R"([{"uuid":null}])") << QString() << notFound;
    QTest::newRow("later element not an object")
        << QByteArray(R"([{"uuid":"a-1"},"b"])") << QString() << notFound;
    QTest::newRow("object body") << QByteArray(R"({"uuid":"a-1"})") << QString() << notFound;
    QTest::newRow("scalar body") << QByteArray("7") << QString() << notFound;
    QTest::newRow("empty body") << QByteArray() << QString() << parseFailed;
    QTest::newRow("malformed") << QByteArray("[{\"uuid\":") << QString() << parseFailed;
}

void TestOrganizationsParser::parses()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, id);
    QFETCH(QString, message);
    const OrganizationResult result = parseOrganizationId(body);
    if (id.isNull()) {
        QVERIFY(!result.organizationId);
        // Either the exact message, or the prefix followed by the decoder's description.
        QVERIFY2(result.error == message ||
                     (message.endsWith(QLatin1String(": ")) && result.error.startsWith(message) &&
                      result.error.size() > message.size()),
                 qPrintable(result.error));
    } else {
        QCOMPARE(result.organizationId, std::optional<QString>(id));
    }
}

QTEST_GUILESS_MAIN(TestOrganizationsParser)
#include "tst_organizations_parser.moc"

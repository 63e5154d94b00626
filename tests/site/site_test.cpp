// The maker's pages as quillon-site serves them, over loopback: a publisher's
// files in three folder levels read afresh at every request, today's date
// filled in, and a risk grade from the quote service's real index or none.
#include "services/sitepages.h"
#include "site/siteserver.h"
#include "tests/support/scriptedhttpserver.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

struct Page {
    int status = 0;
    QString text; // the body's text, tags out
};

Page get(quint16 port, const QString& target) {
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    std::unique_ptr<QNetworkReply> reply(
        network.get(QNetworkRequest(QUrl(u"http://127.0.0.1:%1%2"_s.arg(port).arg(target)))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000))
        << target.toStdString();
    QString body = QString::fromUtf8(reply->readAll());
    body = body.mid(body.indexOf(u"<body>"_s)).remove(QRegularExpression(u"<[^>]*>"_s));
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), body};
}

// Three content folders: the shipped pages, the system's and the user's.
class SiteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_gateway.listen()); }

    // A level not written to stays absent, as /etc's is on most systems.
    void write(const char* level, const QString& file, const QByteArray& bytes) {
        ASSERT_TRUE(QDir(m_root.path()).mkpath(level));
        QFile out(m_root.filePath(u"%1/%2"_s.arg(level, file)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }

    // A server of its own, so that no grade is kept from an earlier case.
    quint16 serve() {
        m_server = std::make_unique<site::SiteServer>(
            site::ContentFolders(
                {m_root.filePath("shipped"), m_root.filePath("system"), m_root.filePath("user")}),
            m_gateway.baseUrl());
        m_server->setClock([] { return QDateTime(QDate(2026, 3, 7), QTime(9, 15)); });
        return m_port = m_server->listen(0);
    }
    QString grade() { return get(m_port, pages::kMarketRisk).text; }
    QString freshGrade() { return get(serve(), pages::kMarketRisk).text; }

    QTemporaryDir m_root;
    ScriptedHttpServer m_gateway;
    ResponsesByTarget m_index{m_gateway};
    std::unique_ptr<site::SiteServer> m_server;
    quint16 m_port = 0;
};

} // namespace

TEST_F(SiteTest,
       AUsersFileGoesBeforeTheSystemsWhichGoesBeforeTheShippedOneFileByFileAtEveryRequest) {
    write("shipped", "gonggao.htm", "<body>shipped {{today}}</body>");
    write("shipped", "cid2.htm", "<body>本机没有传闻</body>");
    write("system", "gonggao.htm", "<body>system</body>");
    ASSERT_NE(serve(), 0);
    EXPECT_EQ(get(m_port, pages::kAnnouncement).text, "system");
    EXPECT_EQ(get(m_port, pages::kFirstRumours).text, "本机没有传闻");

    // Published while the server runs: served at the next request, as Tarvex's reload needs.
    write("user", "cid2.htm", "<body>传闻：第一条</body>");
    EXPECT_EQ(get(m_port, pages::kRumours).text, "传闻：第一条");

    // A file too large, or one that is no file (a folder, a FIFO no one writes), counts as absent.
    write("user", "gonggao.htm", QByteArray(site::ContentFolders::kMaxFileBytes + 1, 'x'));
    EXPECT_EQ(get(m_port, pages::kAnnouncement).text, "system");
    QFile::remove(m_root.filePath("user/gonggao.htm"));
    ASSERT_TRUE(QDir(m_root.path()).mkpath("user/gonggao.htm"));
    QFile::remove(m_root.filePath("system/gonggao.htm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_root.filePath("system/gonggao.htm")), 0600), 0);
    EXPECT_EQ(get(m_port, pages::kAnnouncement).text, "shipped 03-07");

    // Only the pages of the table: a path can name no file of its own.
    write("user", "secret.htm", "<body>secret</body>");
    for (const QString& target :
         {u"/secret.htm"_s, u"/htm/../secret.htm"_s, u"/map1.asp?cid=2&page=2"_s,
          u"/map1.asp?cid=3"_s, u"/map2.asp?cid=15&page=1"_s})
        EXPECT_EQ(get(m_port, target).status, 404) << target.toStdString();
}

TEST_F(SiteTest, TheRiskGradeIsThePublishersWordOrByAutoTheRealIndexsOrNone) {
    const auto index = [&](const char* level, const char* previousClose) {
        m_index.set("/msq?zs_000001", "'sh000001','000001','上证指数','"_ba + level +
                                          "','x','3040.00','" + previousClose +
                                          "','','','','','3050.00','2990.00'");
    };
    write("shipped", site::kRiskFile, "auto\n");
    index("2999.33", "3045.00"); // down 1.5 %
    EXPECT_EQ(freshGrade(), "高");
    index("3050.00", "3045.00");
    EXPECT_EQ(grade(), "高") << "the grade is kept a few seconds";
    EXPECT_EQ(freshGrade(), "低");

    // A service without a usable index gives no grade rather than a made-up one.
    index("", "3045.00");
    EXPECT_EQ(freshGrade(), "");
    m_index["/msq?zs_000001"].mode = ScriptedResponse::Mode::CloseWithoutReply;
    EXPECT_EQ(freshGrade(), "");

    // A publisher's word is served as written, and the service is not asked.
    const qsizetype asked = m_gateway.requests().size();
    write("user", site::kRiskFile, " 中 \r\nwhy\n");
    EXPECT_EQ(freshGrade(), "中");
    // As a Windows editor saves it: with a byte-order mark, or in GBK.
    write("user", site::kRiskFile, "\xEF\xBB\xBF低\r\n");
    EXPECT_EQ(grade(), "低");
    write("user", site::kRiskFile, "\xB8\xDF\r\n");
    EXPECT_EQ(grade(), "高");
    EXPECT_EQ(m_gateway.requests().size(), asked);
}

// The program as installed runs it, on its shipped pages: every page answers,
// and none says it has picks of today or a rumour when nobody published one.
TEST(SiteProgram, ServesEveryShippedPageAndNoneClaimsPicksOrRumours) {
    QProcess site;
    site.start(QUILLON_SITE_EXECUTABLE, {"--content", QUILLON_SITE_CONTENT, "--port", "0",
                                         "--quote-url", "http://127.0.0.1:9"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return site.canReadLine(); }, 10000));
    const QRegularExpressionMatch bound =
        QRegularExpression(u"127\\.0\\.0\\.1:(\\d+)"_s).match(QString::fromUtf8(site.readLine()));
    ASSERT_TRUE(bound.hasMatch());
    const quint16 port = quint16(bound.captured(1).toUInt());
    using namespace pages;
    static const QRegularExpression claim(u"^(\\d\\d-\\d\\d|传闻)"_s);
    for (const char* target :
         {kHome, kAnnouncement, kMarketRisk, kDailyPicks, kHistory, kContact, kFirstRumours,
          kRumours, kTechnique, kTradingTools, kChatDigest, kHotTopics, kIntroduction, kMembership,
          kAbout, kSinaBlog, kSohuBlog, kHexunBlog}) {
        const Page page = get(port, QString::fromLatin1(target));
        EXPECT_EQ(page.status, 200) << target;
        EXPECT_FALSE(claim.match(page.text).hasMatch()) << target;
    }
    site.kill();
    site.waitForFinished();
}

// SPDX-License-Identifier: MIT
#include "common/testsupport/TestEnv.h"
#include "updater/net/FtpSession.h"
#include "updater/net/modUpdateServer.h"
#include "updater/net/testsupport/FtpTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace {

// Everything a session reported, in order.
struct Recorder {
    struct Event {
        QString kind; // "done" or "error"
        QString tag;
        int code = 0;
        QString text;
    };
    std::vector<Event> events;
    std::vector<std::pair<qint64, qint64>> progress;

    explicit Recorder(FtpSession &s)
    {
        QObject::connect(&s, &FtpSession::done, [this](const QString &tag) {
            events.push_back({QStringLiteral("done"), tag, 0, {}});
        });
        QObject::connect(&s, &FtpSession::error, [this](int code, const QString &text, const QString &tag) {
            events.push_back({QStringLiteral("error"), tag, code, text});
        });
        QObject::connect(&s, &FtpSession::progress,
                         [this](qint64 bytes, qint64 total) { progress.emplace_back(bytes, total); });
    }
    bool waitEvents(size_t n, int ms = 15000)
    {
        return QTest::qWaitFor([&] { return events.size() >= n; }, ms);
    }
};

void configure(FtpSession &s, const FtpTestServer &server, bool active = false)
{
    s.setHost(server.host(), server.port());
    s.setUserName(UpdateServer::UserName());
    s.setPassword(UpdateServer::Password());
    s.setActiveMode(active);
    s.setTimeout(10);
    s.setProgressInterval(0);
}

QString sizeCommand(const QString &file)
{
    return QStringLiteral("SIZE ") + UpdateServer::RemotePath(file);
}

bool connectNow(FtpSession &s, Recorder &r)
{
    s.setTag(QStringLiteral("CONNECT"));
    const size_t before = r.events.size();
    return s.connectAndLogOn() && r.waitEvents(before + 1) && r.events.back().kind == QStringLiteral("done");
}

bool noFilesLike(const QString &local)
{
    return !QFile::exists(local) && !QFile::exists(local + QStringLiteral(".part"));
}

} // namespace

// The tag-driven round the window runs: log on, size query, download, disconnect,
// each next step started from the previous step's completion.
class FtpRound : public ::testing::TestWithParam<bool> {};

TEST_P(FtpRound, LogOnSizeDownloadDisconnect)
{
    const bool active = GetParam();
    FtpTestServer server;
    const auto started = server.start();
    ASSERT_TRUE(started) << qPrintable(started.error().message);
    const qint64 size = 3 * 1024 * 1024 + 17;
    const QString source = server.putFile(QStringLiteral("mendrelparts.zip"), size);
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("mendrelparts.zip"));

    FtpSession s;
    configure(s, server, active);
    Recorder r(s);
    QStringList replies;
    QObject::connect(&s, &FtpSession::done, [&](const QString &tag) {
        if (tag == QStringLiteral("CONNECT")) {
            EXPECT_EQ(s.state(), FtpSession::State::Connected);
            s.setTag(QStringLiteral("GetFileSize"));
            EXPECT_TRUE(s.sendCommand(sizeCommand(QStringLiteral("mendrelparts.zip"))));
        } else if (tag == QStringLiteral("GetFileSize")) {
            replies << s.lastReply();
            const auto reply = UpdateServer::ParseSizeReply(s.lastReply());
            s.setTag(QStringLiteral("Get"));
            EXPECT_TRUE(s.getFile(UpdateServer::RemotePath(QStringLiteral("mendrelparts.zip")), local,
                                  static_cast<qint64>(reply.size)));
        } else if (tag == QStringLiteral("Get")) {
            s.setTag(QStringLiteral("COMPLETE"));
            s.disconnectFromServer();
        }
    });
    s.setTag(QStringLiteral("CONNECT"));
    ASSERT_TRUE(s.connectAndLogOn());
    EXPECT_EQ(s.state(), FtpSession::State::Connecting);
    EXPECT_TRUE(r.events.empty()) << "completion must never arrive inside the call";
    ASSERT_TRUE(r.waitEvents(4));

    QStringList tags;
    for (const auto &e : r.events)
        tags << e.kind + u':' + e.tag;
    EXPECT_EQ(tags.join(u' '), QStringLiteral("done:CONNECT done:GetFileSize done:Get done:COMPLETE"));
    EXPECT_EQ(replies, QStringList{QStringLiteral("213 %1").arg(size)});
    EXPECT_EQ(s.lastReplyCode(), 213);
    EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
    EXPECT_TRUE(TestEnv::readFile(local) == TestEnv::readFile(source)) << "downloaded bytes differ";
    EXPECT_FALSE(QFile::exists(local + QStringLiteral(".part")));

    // Progress climbs to the size the query gave.
    ASSERT_FALSE(r.progress.empty());
    qint64 last = 0;
    for (const auto &[bytes, total] : r.progress) {
        EXPECT_GT(bytes, last);
        EXPECT_EQ(total, size);
        last = bytes;
    }
    EXPECT_EQ(last, size);

    // One log-on for the whole round; binary type before the size query; the data
    // connection as asked.
    const QStringList seen = server.commands();
    EXPECT_EQ(seen.filter(QStringLiteral("USER ")).size(), 1) << qPrintable(seen.join(u'|'));
    const qsizetype sizeAt = seen.indexOf(sizeCommand(QStringLiteral("mendrelparts.zip")));
    ASSERT_GT(sizeAt, 0);
    EXPECT_EQ(seen.at(sizeAt - 1), QStringLiteral("TYPE I"));
    const bool sawActive = !seen.filter(QRegularExpression(QStringLiteral("^(PORT|EPRT) "))).isEmpty();
    const bool sawPassive = !seen.filter(QRegularExpression(QStringLiteral("^(PASV|EPSV)"))).isEmpty();
    EXPECT_EQ(sawActive, active);
    EXPECT_EQ(sawPassive, !active);
    EXPECT_TRUE(seen.contains(QStringLiteral("QUIT")));
}

INSTANTIATE_TEST_SUITE_P(DataConnections, FtpRound, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Active" : "Passive"; });

TEST(FtpSession, MissingPackageGivesAnErrorReplyToTheSizeQuery)
{
    FtpTestServer server;
    ASSERT_TRUE(server.start());
    FtpSession s;
    configure(s, server);
    Recorder r(s);
    ASSERT_TRUE(connectNow(s, r));
    s.setTag(QStringLiteral("GetFileSize"));
    ASSERT_TRUE(s.sendCommand(sizeCommand(QStringLiteral("42.ZIP"))));
    ASSERT_TRUE(r.waitEvents(2));
    EXPECT_EQ(r.events[1].kind, QStringLiteral("done"));
    EXPECT_EQ(s.lastReplyCode(), 550) << qPrintable(s.lastReply());
    EXPECT_FALSE(UpdateServer::ParseSizeReply(s.lastReply()).available);
    EXPECT_EQ(s.state(), FtpSession::State::Connected);

    // A download of it is refused by the server and leaves nothing behind.
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("42.ZIP"));
    s.setTag(QStringLiteral("Get"));
    ASSERT_TRUE(s.getFile(UpdateServer::RemotePath(QStringLiteral("42.ZIP")), local));
    ASSERT_TRUE(r.waitEvents(3));
    EXPECT_EQ(r.events[2].kind, QStringLiteral("error"));
    EXPECT_EQ(r.events[2].code, FtpSession::ServerRefused) << qPrintable(r.events[2].text);
    EXPECT_EQ(r.events[2].tag, QStringLiteral("Get"));
    EXPECT_TRUE(noFilesLike(local));
    EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
}

TEST(FtpSession, CancelMidDownloadDeletesThePartialFileAndReportsOnlyTheCancel)
{
    FtpTestServer server;
    server.setRate(1024 * 1024);
    ASSERT_TRUE(server.start());
    server.putFile(QStringLiteral("mendrel.zip"), 8 * 1024 * 1024);
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("mendrel.zip"));
    TestEnv::writeFile(local, "an older package");

    FtpSession s;
    configure(s, server);
    Recorder r(s);
    ASSERT_TRUE(connectNow(s, r));
    bool partialSeen = false;
    QObject::connect(&s, &FtpSession::progress, [&](qint64, qint64) {
        if (s.tag() != QStringLiteral("Get"))
            return;
        partialSeen = QFile::exists(local + QStringLiteral(".part"));
        s.setTag(QStringLiteral("--"));
        s.setTag(QStringLiteral("CANCEL"));
        s.disconnectFromServer(); // from inside the session's own report, as the window does
        EXPECT_TRUE(noFilesLike(local));
    });
    s.setTag(QStringLiteral("Get"));
    ASSERT_TRUE(s.getFile(UpdateServer::RemotePath(QStringLiteral("mendrel.zip")), local, 8 * 1024 * 1024));
    ASSERT_TRUE(r.waitEvents(2));
    QTest::qWait(300); // nothing of the cut-off download may follow
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[1].kind, QStringLiteral("done"));
    EXPECT_EQ(r.events[1].tag, QStringLiteral("CANCEL"));
    EXPECT_TRUE(partialSeen);
    EXPECT_EQ(r.progress.size(), 1u);
    EXPECT_TRUE(noFilesLike(local));
    EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
}

TEST(FtpSession, DroppedConnectionIsAnErrorAndLeavesNoPackage)
{
    FtpTestServer server(FtpTestServer::Mode::DropMidTransfer);
    server.setRate(4 * 1024 * 1024);
    server.setDropAfter(1024 * 1024);
    ASSERT_TRUE(server.start());
    const qint64 size = 4 * 1024 * 1024;
    server.putFile(QStringLiteral("mendrelserv.zip"), size);
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("mendrelserv.zip"));

    // Both with the size the query gave and without it: the cut must not pass as the end.
    for (const qint64 expected : {size, qint64(-1)}) {
        SCOPED_TRACE(expected);
        if (expected < 0) {
            ASSERT_TRUE(server.start()); // the drop took the first server down
        }
        FtpSession s;
        configure(s, server);
        Recorder r(s);
        ASSERT_TRUE(connectNow(s, r));
        s.setTag(QStringLiteral("Get"));
        ASSERT_TRUE(s.getFile(UpdateServer::RemotePath(QStringLiteral("mendrelserv.zip")), local, expected));
        ASSERT_TRUE(r.waitEvents(2));
        EXPECT_EQ(r.events[1].kind, QStringLiteral("error"));
        EXPECT_EQ(r.events[1].code, FtpSession::Incomplete) << qPrintable(r.events[1].text);
        EXPECT_EQ(r.events[1].tag, QStringLiteral("Get"));
        EXPECT_TRUE(r.events[1].text.startsWith(QStringLiteral("The connection was lost after ")))
            << qPrintable(r.events[1].text);
        EXPECT_FALSE(r.progress.empty());
        EXPECT_FALSE(QFile::exists(local));
        // Kept for resuming only when the size it must reach is known.
        EXPECT_EQ(QFile::exists(local + QStringLiteral(".part")), expected > 0);
        EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
        QFile::remove(local + QStringLiteral(".part"));
        QFile::remove(local + QStringLiteral(".part.info"));
    }
}

namespace {

// One download attempt on a fresh session (as after a restart of the program).
Recorder::Event download(const FtpTestServer &server, const QString &name, const QString &local, qint64 size,
                         qint64 *resumedFrom = nullptr)
{
    FtpSession s;
    configure(s, server);
    Recorder r(s);
    if (!connectNow(s, r))
        return {QStringLiteral("no log-on"), {}, 0, {}};
    s.setTag(QStringLiteral("Get"));
    if (!s.getFile(UpdateServer::RemotePath(name), local, size) || !r.waitEvents(2, 30000))
        return {QStringLiteral("no end"), {}, 0, {}};
    if (resumedFrom)
        *resumedFrom = s.resumedFrom();
    return r.events[1];
}

} // namespace

TEST(FtpSession, ADroppedDownloadResumesWhereItStoppedWhileTheServersFileIsUnchanged)
{
    FtpTestServer server(FtpTestServer::Mode::DropMidTransfer);
    server.setRate(2 * 1024 * 1024);
    server.setDropAfter(1024 * 1024);
    ASSERT_TRUE(server.start());
    const qint64 size = 3 * 1024 * 1024;
    const QString served = server.putFile(QStringLiteral("mendrelparts.zip"), size);
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("mendrelparts.zip"));

    // The server is killed mid-transfer: the part stays.
    Recorder::Event e = download(server, QStringLiteral("mendrelparts.zip"), local, size);
    ASSERT_EQ(e.code, FtpSession::Incomplete) << qPrintable(e.kind + e.text);
    const qint64 kept = QFileInfo(local + QStringLiteral(".part")).size();
    ASSERT_GT(kept, 0);

    // The same server again (and the same file): the next attempt asks only for the rest.
    FtpTestServer again;
    again.setRoot(QFileInfo(served).absolutePath().section(u'/', 0, -4));
    ASSERT_EQ(again.serverFolder(), server.serverFolder());
    ASSERT_TRUE(again.start());
    qint64 from = 0;
    e = download(again, QStringLiteral("mendrelparts.zip"), local, size, &from);
    ASSERT_EQ(e.kind, QStringLiteral("done")) << qPrintable(e.text);
    EXPECT_EQ(from, kept);
    const QStringList rest = again.commands().filter(QRegularExpression(QStringLiteral("^REST [1-9]")));
    ASSERT_EQ(rest.size(), 1) << qPrintable(again.commands().join(u','));
    EXPECT_EQ(rest.first(), QStringLiteral("REST %1").arg(kept));
    EXPECT_EQ(TestEnv::readFile(local), TestEnv::readFile(served));
    EXPECT_FALSE(QFile::exists(local + QStringLiteral(".part")));
    EXPECT_FALSE(QFile::exists(local + QStringLiteral(".part.info")));

    // A part whose file changed on the server since is thrown away: the download starts over.
    QFile::remove(local);
    TestEnv::writeFile(local + QStringLiteral(".part"), FtpTestServer::patternBytes(1000));
    TestEnv::writeFile(local + QStringLiteral(".part.info"),
                       QByteArray("size=") + QByteArray::number(size) + "\nmdtm=1000000\n");
    qint64 before = again.commands().size();
    e = download(again, QStringLiteral("mendrelparts.zip"), local, size, &from);
    ASSERT_EQ(e.kind, QStringLiteral("done")) << qPrintable(e.text);
    EXPECT_EQ(from, 0);
    EXPECT_TRUE(
        again.commands().mid(before).filter(QRegularExpression(QStringLiteral("^REST [1-9]"))).isEmpty());
    EXPECT_EQ(TestEnv::readFile(local), TestEnv::readFile(served));
}

// A kept part replaced by a link (or a second name of another file, or a file of another
// user) is never resumed into: the download starts over beside it and the file it pointed
// at stays as it was.
TEST(FtpSession, AKeptPartThatIsNotOurOwnPlainFileIsNeverResumedInto)
{
    FtpTestServer server;
    ASSERT_TRUE(server.start());
    const qint64 size = 200000;
    const QString served = server.putFile(QStringLiteral("mendrelparts.zip"), size);
    const qint64 mdtm = QFileInfo(served).lastModified().toSecsSinceEpoch();
    QTemporaryDir target;
    QTemporaryDir elsewhere;
    const QString local = target.filePath(QStringLiteral("mendrelparts.zip"));
    const QString part = local + QStringLiteral(".part");
    const QString outside = elsewhere.filePath(QStringLiteral("outside"));
    const QByteArray outsideBytes = FtpTestServer::patternBytes(1000); // a true beginning of the package
    const QByteArray info =
        QByteArray("size=") + QByteArray::number(size) + "\nmdtm=" + QByteArray::number(mdtm) + "\n";

    // The same part as our own plain file is resumed: the planted cases differ only in that.
    TestEnv::writeFile(part, outsideBytes);
    TestEnv::writeFile(local + QStringLiteral(".part.info"), info);
    qint64 from = 0;
    Recorder::Event e = download(server, QStringLiteral("mendrelparts.zip"), local, size, &from);
    ASSERT_EQ(e.kind, QStringLiteral("done")) << qPrintable(e.text);
    ASSERT_EQ(from, 1000) << "the control case must resume";

    enum class Plant { SymbolicLink, HardLink, OtherUser };
    for (Plant plant : {Plant::SymbolicLink, Plant::HardLink, Plant::OtherUser}) {
        SCOPED_TRACE(int(plant));
        if (plant == Plant::OtherUser && ::geteuid() != 0)
            continue; // only root can give a file away
        QFile::remove(local);
        TestEnv::writeFile(outside, outsideBytes);
        if (plant == Plant::SymbolicLink)
            ASSERT_TRUE(QFile::link(outside, part));
        else if (plant == Plant::HardLink)
            ASSERT_EQ(::link(QFile::encodeName(outside).constData(), QFile::encodeName(part).constData()), 0);
        else {
            TestEnv::writeFile(part, outsideBytes);
            ASSERT_EQ(::chown(QFile::encodeName(part).constData(), 65534, 65534), 0);
        }
        TestEnv::writeFile(local + QStringLiteral(".part.info"), info);
        const qint64 before = server.commands().size();
        e = download(server, QStringLiteral("mendrelparts.zip"), local, size, &from);
        ASSERT_EQ(e.kind, QStringLiteral("done")) << qPrintable(e.text);
        EXPECT_EQ(from, 0);
        EXPECT_TRUE(server.commands()
                        .mid(before)
                        .filter(QRegularExpression(QStringLiteral("^REST [1-9]")))
                        .isEmpty());
        EXPECT_EQ(TestEnv::readFile(outside), outsideBytes); // the target was not written to
        EXPECT_TRUE(QFile::exists(outside));                 // nor removed
        EXPECT_EQ(TestEnv::readFile(local), TestEnv::readFile(served));
        EXPECT_FALSE(QFileInfo::exists(part));
        EXPECT_FALSE(QFileInfo(part).isSymLink());
        QFile::remove(outside);
    }
}

TEST(FtpSession, FewerBytesThanTheSizeQueryGaveIsAnError)
{
    FtpTestServer server(FtpTestServer::Mode::ShortTransfer);
    ASSERT_TRUE(server.start());
    server.putFile(QStringLiteral("7.ZIP"), 100000);
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("7.ZIP"));
    TestEnv::writeFile(local, "an older package that must not pass for the new one");

    FtpSession s;
    configure(s, server);
    Recorder r(s);
    ASSERT_TRUE(connectNow(s, r));
    s.setTag(QStringLiteral("GetFileSize"));
    ASSERT_TRUE(s.sendCommand(sizeCommand(QStringLiteral("7.ZIP"))));
    ASSERT_TRUE(r.waitEvents(2));
    const auto reply = UpdateServer::ParseSizeReply(s.lastReply());
    ASSERT_EQ(reply.size, 200000.0);
    s.setTag(QStringLiteral("Get"));
    ASSERT_TRUE(s.getFile(UpdateServer::RemotePath(QStringLiteral("7.ZIP")), local, 200000));
    ASSERT_TRUE(r.waitEvents(3));
    EXPECT_EQ(r.events[2].code, FtpSession::Incomplete);
    EXPECT_TRUE(r.events[2].text.contains(QStringLiteral("100000"))) << qPrintable(r.events[2].text);
    EXPECT_FALSE(QFile::exists(local)); // a part may stay: the next attempt finds out
}

TEST(FtpSession, RefusedConnectionAndRefusedLogOnAreConnectErrors)
{
    FtpSession s;
    s.setHost(QStringLiteral("127.0.0.1"), FtpTestServer::refusedPort());
    Recorder r(s);
    s.setTag(QStringLiteral("CONNECT"));
    ASSERT_TRUE(s.connectAndLogOn());
    ASSERT_TRUE(r.waitEvents(1));
    EXPECT_EQ(r.events[0].kind, QStringLiteral("error"));
    EXPECT_EQ(r.events[0].code, FtpSession::ConnectFailed);
    EXPECT_EQ(r.events[0].tag, QStringLiteral("CONNECT"));
    EXPECT_EQ(s.state(), FtpSession::State::Disconnected);

    FtpTestServer server;
    ASSERT_TRUE(server.start());
    configure(s, server);
    s.setPassword(QStringLiteral("wrong"));
    ASSERT_TRUE(s.connectAndLogOn());
    ASSERT_TRUE(r.waitEvents(2));
    EXPECT_EQ(r.events[1].code, FtpSession::LogOnRefused) << qPrintable(r.events[1].text);
}

TEST(FtpSession, SilentServerTimesOutOrIsAbortedWithoutHanging)
{
    FtpTestServer server(FtpTestServer::Mode::Silent);
    ASSERT_TRUE(server.start());
    {
        FtpSession s;
        configure(s, server);
        s.setTimeout(1);
        Recorder r(s);
        QElapsedTimer clock;
        clock.start();
        s.setTag(QStringLiteral("CONNECT"));
        ASSERT_TRUE(s.connectAndLogOn());
        ASSERT_TRUE(r.waitEvents(1, 10000));
        EXPECT_EQ(r.events[0].code, FtpSession::ConnectFailed);
        EXPECT_LT(clock.elapsed(), 5000);
    }
    {
        // The window's watchdog gives up long before the time-out: cancel and abort are immediate.
        FtpSession s;
        configure(s, server);
        Recorder r(s);
        s.setTag(QStringLiteral("CONNECT"));
        ASSERT_TRUE(s.connectAndLogOn());
        QTest::qWait(200);
        EXPECT_EQ(s.state(), FtpSession::State::Connecting);
        QElapsedTimer clock;
        clock.start();
        s.setTag(QStringLiteral("CANCEL"));
        s.disconnectFromServer();
        EXPECT_LT(clock.elapsed(), 500);
        ASSERT_TRUE(r.waitEvents(1, 1000));
        EXPECT_EQ(r.events[0].kind + r.events[0].tag, QStringLiteral("doneCANCEL"));

        s.setTag(QStringLiteral("CONNECT"));
        ASSERT_TRUE(s.connectAndLogOn());
        QTest::qWait(200);
        s.abort();
        EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
        QTest::qWait(200);
        EXPECT_EQ(r.events.size(), 1u);
    }
}

TEST(FtpSession, OperationsOutOfTurnAreRefusedAndLocalErrorsReported)
{
    FtpSession s;
    EXPECT_FALSE(s.sendCommand(QStringLiteral("NOOP")));
    EXPECT_FALSE(s.getFile(QStringLiteral("/x"), QStringLiteral("/tmp/x")));

    FtpTestServer server;
    ASSERT_TRUE(server.start());
    server.putFile(QStringLiteral("mendrel.zip"), 1000);
    configure(s, server);
    Recorder r(s);
    ASSERT_TRUE(connectNow(s, r));
    EXPECT_FALSE(s.connectAndLogOn());

    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("no/such/folder/mendrel.zip"));
    s.setTag(QStringLiteral("Get"));
    ASSERT_TRUE(s.getFile(UpdateServer::RemotePath(QStringLiteral("mendrel.zip")), local));
    ASSERT_TRUE(r.waitEvents(2));
    EXPECT_EQ(r.events[1].code, FtpSession::LocalFileError);
    EXPECT_EQ(s.state(), FtpSession::State::Disconnected);
}

TEST(FtpSession, DestroyedMidDownloadLeavesNoPartialFile)
{
    FtpTestServer server;
    server.setRate(1024 * 1024);
    ASSERT_TRUE(server.start());
    server.putFile(QStringLiteral("mendrel.zip"), 4 * 1024 * 1024);
    QTemporaryDir target;
    const QString local = target.filePath(QStringLiteral("mendrel.zip"));
    auto s = std::make_unique<FtpSession>();
    configure(*s, server);
    Recorder r(*s);
    ASSERT_TRUE(connectNow(*s, r));
    ASSERT_TRUE(s->getFile(UpdateServer::RemotePath(QStringLiteral("mendrel.zip")), local));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !r.progress.empty(); }, 10000));
    s.reset();
    EXPECT_TRUE(noFilesLike(local));
}

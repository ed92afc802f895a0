// SPDX-License-Identifier: MIT
#include "UpdaterWindowFixture.h"
#include "common/core/RegistryHive.h"
#include "common/testsupport/TestEnv.h"
#include "updater/core/modService.h"
#include "updater/core/testsupport/MinisignKey.h"
#include "updater/net/testsupport/TestCertificates.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sqlite3.h>

// Signed packages and FTP over TLS through the real window and the real FTP session:
// the publisher's key and signatures are made with the minisign tool, the server's
// certificates with the openssl tool.
class SignedUpdate : public UpdaterWindow {
protected:
    SignedUpdate() : m_key(m_env.root(), QStringLiteral("publisher")) {}

    void SetUp() override { ASSERT_TRUE(m_key.ok()) << m_key.error().toStdString(); }

    // Makes the parts package (it also replaces the program "orvana" with one that says
    // "updated"), signs it with key, and uploads package and signature.
    void publish(FtpTestServer &server, const MinisignKey &key, bool legacy = false)
    {
        const QString zip = m_env.path(QStringLiteral("mendrelparts.zip"));
        makeZip(zip, {{QStringLiteral("mendrelparts.INI"),
                       "- parts update\r\n1|new/orvana.bin|lib/orvana.bin\r\n1|new/orvana|orvana\r\n"},
                      {QStringLiteral("new/orvana.bin"), "new program"},
                      {QStringLiteral("new/orvana"), "#!/bin/sh\necho updated\n"}});
        server.putFile(QStringLiteral("mendrelparts.zip"), read(zip));
        ASSERT_TRUE(key.sign(zip, legacy)) << key.error().toStdString();
        server.putFile(QStringLiteral("mendrelparts.zip.minisig"), read(zip + QStringLiteral(".minisig")));
    }

    void configureKey(const QString &keys) { Reg::SaveAppSetting(QStringLiteral("UPDATE_PUBKEY"), keys); }

    // Runs one update to its end: processed, or refused with a box.
    void runUpdate(frmMain &w)
    {
        m_ui.answers = {MsgAnswer::Yes};
        clickUpdate(w);
        ASSERT_TRUE(waitUntil(
            [&] {
                return label(w, "lblStatus").startsWith(QStringLiteral("Update process completed at ")) ||
                       m_ui.messages().size() > 1;
            },
            20000));
        ASSERT_TRUE(waitUntil([&] { return idle(w); }));
    }

    void expectRefused(frmMain &w)
    {
        ASSERT_EQ(messageTexts().size(), 2) << messageTexts().join(u'|').toStdString();
        EXPECT_EQ(messageTexts()[1],
                  QStringLiteral("The update package mendrelparts.zip is not signed by the expected key."));
        EXPECT_EQ(m_ui.messages()[1].icon, MsgIcon::Exclamation);
        EXPECT_TRUE(g_UpdateError);
        EXPECT_EQ(logEntries().filter(QStringLiteral("signature")).size(), 1)
            << logEntries().join(u'\n').toStdString();
        EXPECT_FALSE(logHas(QStringLiteral("Begin Process File")));
        // Nothing landed: no unpacked file, and neither the package nor its signature is kept.
        EXPECT_TRUE(QDir(parts()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
            << QDir(parts()).entryList().join(u',').toStdString();
        EXPECT_EQ(m_ui.callsOf(QStringLiteral("open")).size(), 1); // the log, for the details
        EXPECT_EQ(label(w, "lblStatus"), messageTexts()[1]);
    }

    MinisignKey m_key;
};

TEST_F(SignedUpdate, SignedPackageUpdatesTheCatalogueInBothForms)
{
    FtpTestServer server;
    startServer(server);
    configureKey(m_key.publicKey());
    for (bool legacy : {false, true}) {
        QFile::remove(parts() + QStringLiteral("/lib/orvana.bin"));
        write(parts() + QStringLiteral("/orvana"), "#!/bin/sh\necho old\n"); // the installed program
        QFile::setPermissions(parts() + QStringLiteral("/orvana"),
                              QFile::permissions(parts() + QStringLiteral("/orvana")) |
                                  QFileDevice::ExeOwner);
        publish(server, m_key, legacy);
        modService::ResetLog();
        m_ui.clear();
        frmMain w;
        runUpdate(w);
        EXPECT_EQ(messageTexts().size(), 1) << messageTexts().join(u'|').toStdString();
        EXPECT_FALSE(g_UpdateError);
        EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), QByteArray("new program"));
        EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.zip")));
        EXPECT_FALSE(exists(parts() + QStringLiteral("/mendrelparts.zip.minisig")));
        // The updated program starts.
        QProcess program;
        program.start(parts() + QStringLiteral("/orvana"), QStringList{});
        ASSERT_TRUE(program.waitForFinished(10000)) << program.errorString().toStdString();
        EXPECT_EQ(program.readAllStandardOutput(), QByteArray("updated\n"));
        EXPECT_TRUE(logHas(QStringLiteral("FTP: Download Complete: mendrelparts.zip.minisig")));
        const QStringList good = logEntries().filter(QStringLiteral("Signature: good, key ") + m_key.keyId() +
                                                     QStringLiteral(", trusted comment: timestamp:"));
        ASSERT_EQ(good.size(), 1) << logEntries().join(u'\n').toStdString();
        EXPECT_TRUE(good[0].contains(QStringLiteral("\tfile:mendrelparts.zip")));
        // The signature is checked before the package is opened.
        EXPECT_LT(logEntries().indexOf(good[0]), logEntries().indexOf(QStringLiteral("Begin Process File")));
    }
    // Both files came over one log-on.
    EXPECT_EQ(server.commands().filter(QStringLiteral("USER ")).size(), 2);
    EXPECT_EQ(server.commands()
                  .filter(QStringLiteral("RETR /vantelo_com/web/download/mendrelparts.zip.minisig"))
                  .size(),
              2);
}

TEST_F(SignedUpdate, TamperedPackageIsRefusedBeforeAnyFileLands)
{
    FtpTestServer server;
    startServer(server);
    configureKey(m_key.publicKey());
    publish(server, m_key);
    // Someone on the server's address replaces the package but cannot sign it.
    const QString zip = m_env.path(QStringLiteral("evil.zip"));
    makeZip(zip, {{QStringLiteral("mendrelparts.INI"), "1|x.bin|lib/orvana.bin\r\n"},
                  {QStringLiteral("x.bin"), "evil"}});
    server.putFile(QStringLiteral("mendrelparts.zip"), read(zip));
    frmMain w;
    runUpdate(w);
    expectRefused(w);
    EXPECT_EQ(logEntries().filter(QStringLiteral("the package does not match its signature")).size(), 1);
}

TEST_F(SignedUpdate, UnsignedPackageIsRefused)
{
    FtpTestServer server;
    startServer(server);
    configureKey(m_key.publicKey());
    putPartsPackage(server);
    frmMain w;
    runUpdate(w);
    expectRefused(w);
    EXPECT_EQ(logEntries()
                  .filter(QStringLiteral(
                      "its signature file mendrelparts.zip.minisig could not be downloaded (The file was not "
                      "found on the server)"))
                  .size(),
              1);
    EXPECT_EQ(logEntries().filter(QStringLiteral("Tag: GetSignature")).size(), 1);
}

TEST_F(SignedUpdate, PackageOfAnotherKeyIsRefusedAndTheNewKeyAccepted)
{
    FtpTestServer server;
    startServer(server);
    MinisignKey next(m_env.root(), QStringLiteral("next"));
    ASSERT_TRUE(next.ok());
    publish(server, next);
    configureKey(m_key.publicKey());
    {
        frmMain w;
        runUpdate(w);
        expectRefused(w);
        EXPECT_EQ(logEntries().filter(next.keyId()).size(), 1);
    }
    // During a key change both keys are configured.
    configureKey(m_key.publicKey() + u' ' + next.publicKey());
    modService::ResetLog();
    m_ui.clear();
    frmMain w;
    runUpdate(w);
    EXPECT_EQ(messageTexts().size(), 1);
    EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), QByteArray("new program"));
}

TEST_F(SignedUpdate, WithoutAKeyTheSignatureIsNotFetched)
{
    FtpTestServer server;
    startServer(server);
    publish(server, m_key);
    frmMain w;
    runUpdate(w);
    EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), QByteArray("new program"));
    EXPECT_EQ(logEntries().filter(QStringLiteral("Signature")),
              QStringList{QStringLiteral("Signature: not checked (no update key configured)")});
    EXPECT_TRUE(server.commands().filter(QStringLiteral(".minisig")).isEmpty());
}

TEST_F(SignedUpdate, SignedPackageOverFtpsWithTheTestAuthority)
{
    TestCertificates certs(m_env.root());
    ASSERT_TRUE(
        certs.makeAuthority(QStringLiteral("ca")) && certs.makeAuthority(QStringLiteral("stranger-ca")) &&
        certs.makeServer(QStringLiteral("server"), QStringLiteral("ca"), QStringLiteral("IP:127.0.0.1")))
        << certs.error().toStdString();
    FtpTestServer server;
    server.setTls(certs.pem(QStringLiteral("server")), certs.key(QStringLiteral("server")));
    startServer(server);
    EXPECT_TRUE(Reg::GetAppSetting(QStringLiteral("UPDATE_HOST")).startsWith(QStringLiteral("ftps://")));
    configureKey(m_key.publicKey());
    publish(server, m_key);

    // A certificate the configured authority did not issue: an error in words, nothing fetched.
    Reg::SaveAppSetting(QStringLiteral("UPDATE_CA"), certs.pem(QStringLiteral("stranger-ca")));
    {
        frmMain w;
        runUpdate(w);
        ASSERT_EQ(messageTexts().size(), 2);
        EXPECT_TRUE(messageTexts()[1].startsWith(
            QStringLiteral(
                "Async Error #: 20612 - The server's certificate could not be verified against the "
                "certificate authorities in ") +
            certs.pem(QStringLiteral("stranger-ca"))))
            << messageTexts()[1].toStdString();
        EXPECT_TRUE(g_UpdateError);
        EXPECT_TRUE(QDir(parts()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        EXPECT_TRUE(server.commands().filter(QStringLiteral("USER")).isEmpty());
    }

    Reg::SaveAppSetting(QStringLiteral("UPDATE_CA"), certs.pem(QStringLiteral("ca")));
    modService::ResetLog();
    m_ui.clear();
    frmMain w;
    runUpdate(w);
    EXPECT_EQ(messageTexts().size(), 1) << messageTexts().join(u'|').toStdString();
    EXPECT_FALSE(g_UpdateError);
    EXPECT_EQ(read(parts() + QStringLiteral("/lib/orvana.bin")), QByteArray("new program"));
    EXPECT_EQ(logEntries().filter(QStringLiteral("Signature: good")).size(), 1);
    EXPECT_EQ(server.commands().value(0), QStringLiteral("AUTH TLS"));
}

TEST_F(SignedUpdate, CancelBeforeTheCheckLeavesNoUnverifiedPackage)
{
    FtpTestServer server;
    server.setRate(64 * 1024);
    startServer(server);
    configureKey(m_key.publicKey());
    putPartsPackage(server);
    server.putFile(QStringLiteral("mendrelparts.zip.minisig"), qint64(4 * 1024 * 1024)); // slow to come
    frmMain w;
    m_ui.answers = {MsgAnswer::Yes};
    clickUpdate(w);
    ASSERT_TRUE(waitUntil(
        [&] {
            return label(w, "lblStatus").contains(QStringLiteral("bytes of")) &&
                   logHas(QStringLiteral("FTP: Download Complete: mendrelparts.zip"));
        },
        20000));
    clickUpdate(w); // "Cancel"
    ASSERT_TRUE(waitUntil([&] { return logHas(QStringLiteral("FTP TAG: CANCEL")); }, 20000));
    EXPECT_TRUE(idle(w));
    EXPECT_TRUE(logHas(QStringLiteral(
        "Signature: the update was cancelled before the signature was checked; mendrelparts.zip deleted")));
    EXPECT_TRUE(QDir(parts()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << QDir(parts()).entryList().join(u',').toStdString();
    EXPECT_FALSE(logHas(QStringLiteral("Begin Process File")));
}

namespace {

// Another program holding the machine hive with readers kept out, as a long write would.
struct MachineHiveLock {
    sqlite3 *db = nullptr;
    MachineHiveLock()
    {
        sqlite3_open_v2(QFile::encodeName(hivePath(RegRoot::LocalMachine)).constData(), &db,
                        SQLITE_OPEN_READWRITE, nullptr);
        locked = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~MachineHiveLock() { sqlite3_close_v2(db); }
    MachineHiveLock(const MachineHiveLock &) = delete;
    MachineHiveLock &operator=(const MachineHiveLock &) = delete;
    bool locked = false;
};

} // namespace

TEST_F(SignedUpdate, AKeyThatCannotBeReadStopsTheUpdateBeforeAnyDownload)
{
    FtpTestServer server;
    startServer(server);
    configureKey(m_key.publicKey());
    putPartsPackage(server); // unsigned
    frmMain w;
    {
        MachineHiveLock lock;
        ASSERT_TRUE(lock.locked);
        m_ui.answers = {MsgAnswer::Yes};
        clickUpdate(w);
    }
    ASSERT_EQ(messageTexts().size(), 2) << messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(messageTexts()[1].startsWith(
        QStringLiteral("The update cannot start, because a setting in ") + hivePath(RegRoot::LocalMachine)))
        << messageTexts()[1].toStdString();
    EXPECT_TRUE(messageTexts()[1].contains(QStringLiteral("UPDATE_PUBKEY")));
    EXPECT_TRUE(messageTexts()[1].contains(QStringLiteral("locked")));
    EXPECT_TRUE(g_UpdateError);
    EXPECT_TRUE(idle(w));
    EXPECT_FALSE(logHas(QStringLiteral("Signature: not checked")));
    EXPECT_EQ(logEntries().filter(QStringLiteral("Update refused: UPDATE_PUBKEY")).size(), 1);
    EXPECT_FALSE(QFileInfo::exists(parts() + QStringLiteral("/lib/orvana.bin")));
    EXPECT_TRUE(server.commands().filter(QStringLiteral("RETR")).isEmpty());
}

TEST_F(UpdaterWindow, AMachineHiveThatCannotBeReadIsExplainedWithTheProgramList)
{
    const QString hive = hivePath(RegRoot::LocalMachine);
    const QByteArray garbage(4096, 'Z');
    QFile::remove(hive);
    TestEnv::writeFile(hive, garbage);
    frmMain w;
    EXPECT_TRUE(listed(w).isEmpty()) << "FRONT_END cannot be read and no default folder exists";
    ASSERT_EQ(messageTexts().size(), 1) << messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(messageTexts()[0].contains(hive));
    EXPECT_TRUE(messageTexts()[0].contains(QStringLiteral("not a settings file")));
    EXPECT_TRUE(messageTexts()[0].contains(QStringLiteral("default folders")));
    child<QAction>(w, "mnuPassive")->trigger();
    EXPECT_EQ(messageTexts().size(), 1) << "reported once";
    EXPECT_EQ(TestEnv::readFile(hive), garbage);
}

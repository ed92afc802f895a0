// SPDX-License-Identifier: MIT
#include "VsftpdServer.h"

#include "updater/net/modUpdateServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <cerrno>

#include <glob.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kVsftpd = QStringLiteral("/usr/sbin/vsftpd");
// The account the virtual user works as: the vsftpd package makes it, with a home folder,
// which vsftpd enters before the server's root.
const char *const kAccount = "ftp";

constexpr QFile::Permissions kReadable =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr QFile::Permissions kEnterable = kReadable | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

bool pamModuleInstalled()
{
    bool found = false;
    for (const char *pattern : {"/lib/*/security/pam_pwdfile.so", "/usr/lib/*/security/pam_pwdfile.so",
                                "/lib/security/pam_pwdfile.so", "/usr/lib/security/pam_pwdfile.so"}) {
        glob_t g{};
        found = ::glob(pattern, 0, nullptr, &g) == 0 && g.gl_pathc > 0;
        ::globfree(&g);
        if (found)
            break;
    }
    return found;
}

int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&a), len) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool listens(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Folders from the server's root down, enterable by the server's account.
void makeFolders(const QString &root, const QString &below)
{
    QDir().mkpath(root + below);
    QString path = root;
    QFile::setPermissions(path, kEnterable);
    for (const QString &level : below.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + level;
        QFile::setPermissions(path, kEnterable);
    }
}

Result<> writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode extra = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | extra) || f.write(bytes) != bytes.size())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, f.errorString()));
    return {};
}

// Whether a process (a session vsftpd forked for a connection) still has `parent` as its parent.
bool hasChildren(qint64 parent)
{
    const QString wanted = QString::number(parent);
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        if (!pid.front().isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold anything, so read after its ")".
        const QString line = QString::fromLatin1(stat.readAll());
        const qsizetype close = line.lastIndexOf(u')');
        if (close >= 0 && line.mid(close + 2).section(u' ', 1, 1) == wanted)
            return true;
    }
    return false;
}

const QString kPamFolder = QStringLiteral("/etc/pam.d");
const QString kPamPrefix = QStringLiteral("vantelo-test-vsftpd-");

// A test killed before stop() left its service file: it names the process that wrote it.
void removeLeftServiceFiles()
{
    const QStringList names = QDir(kPamFolder).entryList({kPamPrefix + u'*'}, QDir::Files);
    for (const QString &name : names) {
        QFile f(kPamFolder + u'/' + name);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray first = f.readLine().trimmed();
        bool ok = false;
        const pid_t writer = first.startsWith("# pid=") ? first.mid(6).toInt(&ok) : 0;
        if (ok && writer > 0 && ::kill(writer, 0) != 0 && errno == ESRCH)
            QFile::remove(f.fileName());
    }
}

} // namespace

VsftpdServer::VsftpdServer() = default;

VsftpdServer::~VsftpdServer()
{
    stop();
}

QString VsftpdServer::unavailable()
{
    if (::geteuid() != 0)
        return QStringLiteral("vsftpd logs on a named user only through PAM, which needs root");
    if (!QFileInfo(kVsftpd).isExecutable())
        return QStringLiteral("vsftpd is not installed");
    if (!pamModuleInstalled())
        return QStringLiteral("pam_pwdfile is not installed (libpam-pwdfile)");
    return {};
}

Result<> VsftpdServer::writeSetup(int port)
{
    const passwd *account = ::getpwnam(kAccount);
    if (!account || !QFileInfo(QString::fromLocal8Bit(account->pw_dir)).isDir())
        return fail(QStringLiteral("no \"ftp\" account with a home folder (the vsftpd package makes it)"));

    makeFolders(root(), UpdateServer::ServerFolder());
    const QString empty = m_dir.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    QFile::setPermissions(empty, kEnterable);

    // pam_pwdfile reads crypt(3) hashes.
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("passwd"), QStringLiteral("-6"), QStringLiteral("-stdin")});
    openssl.write(UpdateServer::Password().toUtf8() + '\n');
    openssl.closeWriteChannel();
    if (!openssl.waitForFinished(10000) || openssl.exitCode() != 0)
        return fail(QStringLiteral("openssl passwd failed: ") + openssl.errorString());
    const QByteArray hash = openssl.readAllStandardOutput().trimmed();
    const QString passwords = m_dir.filePath(QStringLiteral("passwd"));
    if (auto w = writeFile(passwords, UpdateServer::UserName().toUtf8() + ':' + hash + '\n'); !w)
        return w;

    if (m_pamService.isEmpty()) {
        removeLeftServiceFiles();
        // PAM folds service names to lower case, and a name of its own never meets a system file.
        for (int attempt = 0; attempt < 10 && m_pamService.isEmpty(); ++attempt) {
            const QString path =
                kPamFolder + u'/' + kPamPrefix +
                QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
            const QByteArray service = "# pid=" + QByteArray::number(::getpid()) +
                                       "\nauth required pam_pwdfile.so pwdfile=" + passwords.toLocal8Bit() +
                                       "\naccount required pam_permit.so\n";
            if (writeFile(path, service, QIODevice::NewOnly)) {
                QFile::setPermissions(path, kReadable);
                m_pamService = path;
            }
        }
        if (m_pamService.isEmpty())
            return fail(QStringLiteral("cannot write a PAM service file in /etc/pam.d"));
    }

    const QString config =
        QStringLiteral("listen=YES\n"
                       "listen_ipv6=NO\n"
                       "listen_address=127.0.0.1\n"
                       "listen_port=%1\n"
                       "background=NO\n"
                       "anonymous_enable=NO\n"
                       "local_enable=YES\n"
                       "write_enable=NO\n"
                       "guest_enable=YES\n"
                       "guest_username=%2\n"
                       "pam_service_name=%3\n"
                       "local_root=%4\n"
                       "chroot_local_user=YES\n"
                       "secure_chroot_dir=%5\n"
                       "seccomp_sandbox=NO\n"
                       "pasv_enable=YES\n"
                       "pasv_address=127.0.0.1\n"
                       "use_localtime=NO\n"
                       "xferlog_enable=YES\n"
                       "xferlog_std_format=NO\n"
                       "log_ftp_protocol=YES\n"
                       "vsftpd_log_file=%6\n")
            .arg(QString::number(port), QString::fromLatin1(kAccount), QFileInfo(m_pamService).fileName(),
                 root(), empty, m_dir.filePath(QStringLiteral("vsftpd.log")));
    return writeFile(m_dir.filePath(QStringLiteral("vsftpd.conf")), config.toUtf8());
}

Result<> VsftpdServer::start()
{
    if (const QString why = unavailable(); !why.isEmpty())
        return fail(why);
    if (!m_dir.isValid())
        return fail(QStringLiteral("no temporary folder: ") + m_dir.errorString());
    // A port found free may be taken before vsftpd binds it: then another one.
    QString lastError;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int port = freePort();
        if (auto setup = writeSetup(port); !setup) {
            stop();
            return setup;
        }
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // A test killed before stop() takes its server with it.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(kVsftpd, {m_dir.filePath(QStringLiteral("vsftpd.conf"))});
        if (!m_process.waitForStarted(10000)) {
            stop();
            return fail(QStringLiteral("vsftpd did not start: ") + m_process.errorString());
        }
        const QDeadlineTimer deadline(10000);
        while (m_process.state() == QProcess::Running && !deadline.hasExpired() && !listens(port))
            QThread::msleep(20);
        if (m_process.state() == QProcess::Running && listens(port)) {
            m_port = port;
            return {};
        }
        m_process.waitForFinished(1000);
        lastError = QString::fromLocal8Bit(m_process.readAll()).trimmed();
        m_process.kill();
        m_process.waitForFinished(5000);
        if (!lastError.contains(QStringLiteral("bind")))
            break;
    }
    stop();
    return fail(QStringLiteral("vsftpd did not listen: ") + lastError);
}

void VsftpdServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        // The sessions end with their clients; killed before them, they would outlive the test.
        const QDeadlineTimer deadline(3000);
        while (hasChildren(m_process.processId()) && !deadline.hasExpired())
            QThread::msleep(20);
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    if (!m_pamService.isEmpty()) {
        QFile::remove(m_pamService);
        m_pamService.clear();
    }
}

QString VsftpdServer::serverFolder() const
{
    return root() + UpdateServer::ServerFolder();
}

QString VsftpdServer::putFile(const QString &name, const QByteArray &bytes) const
{
    QString path = serverFolder() + name;
    makeFolders(root(), QFileInfo(UpdateServer::ServerFolder() + name).path());
    if (writeFile(path, bytes))
        QFile::setPermissions(path, kReadable);
    return path;
}

QStringList VsftpdServer::commands() const
{
    // Lines like: ... [webupdusr] FTP command: Client "127.0.0.1", "RETR mendrelparts.zip"
    QStringList out;
    const QString marker = QStringLiteral("FTP command: Client \"");
    for (const QString &line : log().split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype at = line.indexOf(marker);
        if (at < 0)
            continue;
        const qsizetype open = line.indexOf(QStringLiteral("\", \""), at + marker.size());
        if (open >= 0 && line.endsWith(u'"'))
            out << line.mid(open + 4, line.size() - open - 5);
    }
    return out;
}

QString VsftpdServer::log() const
{
    QFile f(m_dir.filePath(QStringLiteral("vsftpd.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

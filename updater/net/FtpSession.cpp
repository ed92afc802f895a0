// SPDX-License-Identifier: MIT
#include "FtpSession.h"

#include "CurlMultiDriver.h"
#include "common/core/PosixHandles.h"

#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void initCurlOnce()
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
}

// A final reply line: three digits and a blank (or nothing) after them.
bool isFinalReply(const QByteArray &line)
{
    if (line.size() < 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return false;
    }
    return line.size() == 3 || line[3] == ' ';
}

QString partPath(const QString &localPath)
{
    return localPath + QStringLiteral(".part");
}

QString infoPath(const QString &localPath)
{
    return localPath + QStringLiteral(".part.info");
}

// What a kept ".part" was begun from: the file's size and time on the server.
struct ResumeInfo {
    qint64 size = -1;
    qint64 time = -1;
};

// The kept files sit in a folder others may write to: each is opened without following a
// link, and only a regular file of this user with no other name counts. -1 when there is none such.
UniqueFd openOwnRegular(const QString &path, int flags, qint64 *size = nullptr)
{
    UniqueFd fd(::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    // One name only: a hard link planted there would be another file's data too.
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1)
        return {};
    if (size)
        *size = st.st_size;
    return fd;
}

// A fresh file at `path`: whatever was there (a planted link included, never its target)
// goes first, and the creation refuses to follow or reuse anything put there meanwhile.
UniqueFd createFresh(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData());
    return UniqueFd(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
}

// Hands the descriptor to the file, which closes it from then on.
bool adopt(QFile &file, UniqueFd &fd, QIODevice::OpenMode mode)
{
    if (!fd || !file.open(fd.get(), mode, QFileDevice::AutoCloseHandle))
        return false;
    fd.release();
    return true;
}

// The length of a kept ".part", or -1 when there is none usable; anything else in its
// place is removed so that the download starts over.
qint64 keptPartSize(const QString &path)
{
    qint64 size = -1;
    if (!openOwnRegular(path, O_RDONLY, &size)) {
        ::unlink(QFile::encodeName(path).constData());
        return -1;
    }
    return size;
}

ResumeInfo readInfo(const QString &localPath)
{
    ResumeInfo info;
    QFile f;
    UniqueFd fd = openOwnRegular(infoPath(localPath), O_RDONLY);
    if (!adopt(f, fd, QIODevice::ReadOnly))
        return info;
    for (const QByteArray &line : f.read(4096).split('\n')) {
        if (line.startsWith("size="))
            info.size = line.mid(5).toLongLong();
        else if (line.startsWith("mdtm="))
            info.time = line.mid(5).toLongLong();
    }
    return info;
}

bool writeInfo(const QString &localPath, const ResumeInfo &info)
{
    QFile f;
    UniqueFd fd = createFresh(infoPath(localPath));
    if (!adopt(f, fd, QIODevice::WriteOnly))
        return false;
    return f.write(QByteArray("size=") + QByteArray::number(info.size) +
                   "\nmdtm=" + QByteArray::number(info.time) + "\n") > 0;
}

} // namespace

FtpSession::FtpSession(QObject *parent) : QObject(parent)
{
    initCurlOnce();
}

FtpSession::~FtpSession()
{
    abort();
}

void FtpSession::setHost(const QString &host, int port)
{
    m_host = host;
    m_port = port > 0 ? port : 21;
}

int FtpSession::lastReplyCode() const
{
    return replyCode(m_lastReply);
}

int FtpSession::replyCode(const QString &reply)
{
    const QByteArray r = reply.toLatin1();
    return isFinalReply(r.left(4)) || isFinalReply(r.left(3)) ? r.left(3).toInt() : 0;
}

QString FtpSession::finalReply(const QByteArray &block)
{
    for (const QByteArray &raw : block.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (isFinalReply(line))
            return QString::fromUtf8(line).trimmed(); // also blanks beyond ASCII, such as U+00A0
    }
    return {};
}

QString FtpSession::urlFor(const QString &remotePath) const
{
    QString host = m_host;
    if (host.contains(u':'))
        host = u'[' + host + u']';
    QString url = QStringLiteral("ftp://%1:%2/").arg(host).arg(m_port);
    QString path = remotePath;
    if (path.startsWith(u'/')) {
        url += QStringLiteral("%2F"); // an absolute path, not one below the log-on folder
        path.remove(0, 1);
    }
    const QStringList parts = path.split(u'/');
    QStringList encoded;
    for (const QString &p : parts)
        encoded << QString::fromLatin1(QUrl::toPercentEncoding(p));
    return url + encoded.join(u'/');
}

bool FtpSession::connectAndLogOn()
{
    if (m_state != State::Disconnected)
        return false;
    m_lastReply.clear();
    m_state = State::Connecting;
    return begin(Op::Connect, urlFor(QString()));
}

bool FtpSession::sendCommand(const QString &command)
{
    if (m_state != State::Connected)
        return false;
    m_command = command.toUtf8();
    m_awaitReply = false;
    m_lastReply.clear();
    m_state = State::Busy;
    return begin(Op::Command, urlFor(QString()));
}

bool FtpSession::getFile(const QString &remotePath, const QString &localPath, qint64 expectedBytes)
{
    if (m_state != State::Connected)
        return false;
    m_state = State::Busy;
    m_localPath = localPath;
    m_remotePath = remotePath;
    m_expected = expectedBytes;
    m_received = 0;
    m_resumeFrom = 0;
    m_writeFailed = false;
    m_reportedBytes = -1;
    m_fileTime = -1;
    // The local name is the finished package or nothing: an older copy goes now.
    QFile::remove(localPath);
    const qint64 kept = keptPartSize(partPath(localPath));
    const ResumeInfo info = readInfo(localPath);
    if (expectedBytes > 0 && kept > 0 && kept < expectedBytes && info.size == expectedBytes &&
        info.time >= 0) {
        // Ask the server's time of the file first: only an unchanged file is resumed.
        m_keptTime = info.time;
        return begin(Op::Probe, urlFor(remotePath));
    }
    QFile::remove(partPath(localPath));
    QFile::remove(infoPath(localPath));
    startDownload(0);
    return true;
}

void FtpSession::startDownload(qint64 offset)
{
    m_resumeFrom = offset;
    m_received = offset;
    const QString part = partPath(m_localPath);
    UniqueFd fd;
    if (offset > 0) {
        // The part measured before the time query must still be the one appended to.
        qint64 size = -1;
        fd = openOwnRegular(part, O_WRONLY | O_APPEND, &size);
        if (size != offset)
            fd.reset();
        if (!fd) {
            QFile::remove(infoPath(m_localPath));
            m_resumeFrom = 0;
            m_received = 0;
        }
    }
    if (!fd)
        fd = createFresh(part);
    const int openError = fd ? 0 : errno;
    if (!adopt(m_file, fd, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString reason =
            openError ? QString::fromLocal8Bit(std::strerror(openError)) : m_file.errorString();
        const QString text = tr("Cannot write %1: %2").arg(part, reason);
        const QString tag = m_tag;
        teardown();
        post([this, text, tag] { emit error(LocalFileError, text, tag); });
        return;
    }
    begin(Op::Get, urlFor(m_remotePath));
}

void FtpSession::disconnectFromServer()
{
    const QString tag = m_tag;
    teardown();
    post([this, tag] { emit done(tag); });
}

void FtpSession::abort()
{
    teardown();
}

bool FtpSession::begin(Op op, const QString &url)
{
    if (!m_driver) {
        m_driver = std::make_unique<CurlMultiDriver>();
        m_driver->onDone = [this](CURL *easy, CURLcode code) { onDone(easy, code); };
        m_driver->onActivity = [this] { queueProgress(); };
    }
    if (!m_easy) {
        m_easy.reset(curl_easy_init());
        const long t = m_timeoutSec;
        curl_easy_setopt(m_easy.get(), CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(m_easy.get(), CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_easy.get(), CURLOPT_ERRORBUFFER, m_errorBuffer);
        curl_easy_setopt(m_easy.get(), CURLOPT_USERNAME, m_user.toUtf8().constData());
        curl_easy_setopt(m_easy.get(), CURLOPT_PASSWORD, m_password.toUtf8().constData());
        curl_easy_setopt(m_easy.get(), CURLOPT_CONNECTTIMEOUT, t);
        curl_easy_setopt(m_easy.get(), CURLOPT_SERVER_RESPONSE_TIMEOUT, t);
        curl_easy_setopt(m_easy.get(), CURLOPT_ACCEPTTIMEOUT_MS, t * 1000);
        // A stalled data connection counts as a server that stopped answering.
        curl_easy_setopt(m_easy.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_easy.get(), CURLOPT_LOW_SPEED_TIME, t);
        curl_easy_setopt(m_easy.get(), CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        // Under TLS data connections are always passive: firewalls cannot open ports for
        // an encrypted PORT command, and Debian 12's libcurl fails active ones over TLS.
        curl_easy_setopt(m_easy.get(), CURLOPT_FTPPORT, m_active && !m_tls ? "-" : nullptr);
        if (m_tls) {
            curl_easy_setopt(m_easy.get(), CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(m_easy.get(), CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
            curl_easy_setopt(m_easy.get(), CURLOPT_SSL_VERIFYPEER, 1L);
            curl_easy_setopt(m_easy.get(), CURLOPT_SSL_VERIFYHOST, 2L);
            if (!m_caFile.isEmpty()) {
                // Only the named authorities: the system's folder of certificates is not consulted.
                curl_easy_setopt(m_easy.get(), CURLOPT_CAINFO, QFile::encodeName(m_caFile).constData());
                curl_easy_setopt(m_easy.get(), CURLOPT_CAPATH, nullptr);
            }
        }
        // curl reads up to 100 buffers per wake-up while data keeps coming, so the
        // buffer size bounds how long the event loop is away (some 6 MB here).
        curl_easy_setopt(m_easy.get(), CURLOPT_BUFFERSIZE, 64L * 1024L);
        curl_easy_setopt(m_easy.get(), CURLOPT_WRITEFUNCTION, &FtpSession::writeCallback);
        curl_easy_setopt(m_easy.get(), CURLOPT_WRITEDATA, this);
        curl_easy_setopt(m_easy.get(), CURLOPT_DEBUGFUNCTION, &FtpSession::debugCallback);
        curl_easy_setopt(m_easy.get(), CURLOPT_DEBUGDATA, this);
    }
    if (m_easyAdded) {
        m_driver->remove(m_easy.get());
        m_easyAdded = false;
    }
    m_quote.reset();
    if (op == Op::Command) {
        appendCurl(m_quote, "*TYPE I");
        appendCurl(m_quote, ("*" + m_command).constData());
    }
    curl_easy_setopt(m_easy.get(), CURLOPT_URL, url.toUtf8().constData());
    curl_easy_setopt(m_easy.get(), CURLOPT_NOBODY, op == Op::Get ? 0L : 1L);
    // MDTM before the data: a dropped download keeps the time its bytes belong to.
    curl_easy_setopt(m_easy.get(), CURLOPT_FILETIME, op == Op::Get || op == Op::Probe ? 1L : 0L);
    curl_easy_setopt(m_easy.get(), CURLOPT_RESUME_FROM_LARGE, curl_off_t(op == Op::Get ? m_resumeFrom : 0));
    curl_easy_setopt(m_easy.get(), CURLOPT_QUOTE, m_quote.get());
    // Only a command needs the dialogue; a download should not pay for it.
    curl_easy_setopt(m_easy.get(), CURLOPT_VERBOSE, op == Op::Command ? 1L : 0L);
    m_errorBuffer[0] = '\0';
    m_op = op;
    m_opTag = m_tag;
    m_progressQueued = false;
    if (!m_driver->add(m_easy.get())) {
        const QString tag = m_opTag;
        teardown();
        post([this, tag] { emit error(OtherError, tr("The transfer could not be started"), tag); });
        return true;
    }
    m_easyAdded = true;
    return true;
}

size_t FtpSession::writeCallback(char *data, size_t size, size_t count, void *userp)
{
    auto *self = static_cast<FtpSession *>(userp);
    const qint64 n = static_cast<qint64>(size * count);
    if (self->m_op == Op::Probe)
        return size * count; // the file's facts as headers: only the time matters, and curl keeps it
    if (self->m_op != Op::Get || self->m_file.write(data, n) != n) {
        self->m_writeFailed = true;
        return 0;
    }
    self->m_received += n;
    return static_cast<size_t>(n);
}

int FtpSession::debugCallback(CURL *, curl_infotype type, char *data, size_t size, void *userp)
{
    auto *self = static_cast<FtpSession *>(userp);
    if (type == CURLINFO_HEADER_OUT) {
        if (QByteArray(data, static_cast<qsizetype>(size)).trimmed() == self->m_command)
            self->m_awaitReply = true;
    } else if (type == CURLINFO_HEADER_IN && self->m_awaitReply) {
        const QString reply = finalReply(QByteArray(data, static_cast<qsizetype>(size)));
        if (!reply.isEmpty()) {
            self->m_lastReply = reply;
            self->m_awaitReply = false;
        }
    }
    return 0;
}

void FtpSession::post(std::function<void()> fn)
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, fn = std::move(fn)] {
            if (generation == m_generation)
                fn();
        },
        Qt::QueuedConnection);
}

void FtpSession::onDone(CURL *easy, CURLcode code)
{
    if (easy != m_easy.get() || m_op == Op::None)
        return;
    // Still inside the driver: everything else happens from the event loop.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this, [this, generation, code] { finish(generation, code); }, Qt::QueuedConnection);
}

qint64 FtpSession::total() const
{
    if (m_expected >= 0)
        return m_expected;
    curl_off_t length = -1;
    if (m_easy && curl_easy_getinfo(m_easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length >= 0)
        return length;
    return -1;
}

void FtpSession::queueProgress()
{
    if (m_op != Op::Get || m_progressQueued || m_received <= 0 || m_received == m_reportedBytes)
        return;
    if (m_reportedBytes >= 0 && m_sinceReport.isValid() && m_sinceReport.elapsed() < m_progressIntervalMs)
        return;
    m_progressQueued = true;
    post([this] {
        m_progressQueued = false;
        if (m_op != Op::Get)
            return;
        m_reportedBytes = m_received;
        m_sinceReport.restart();
        emit progress(m_received, total());
    });
}

void FtpSession::finish(quint64 generation, CURLcode code)
{
    if (generation != m_generation || m_op == Op::None)
        return;
    const Op op = m_op;
    const QString tag = m_opTag;
    int errorCode = 0;
    QString errorText;
    m_errorDetail.clear();
    if (op == Op::Probe && code == CURLE_OK) {
        curl_off_t time = -1;
        curl_easy_getinfo(m_easy.get(), CURLINFO_FILETIME_T, &time);
        const qint64 kept = keptPartSize(partPath(m_localPath));
        const bool unchanged = time >= 0 && qint64(time) == m_keptTime && kept > 0;
        if (!unchanged) {
            QFile::remove(partPath(m_localPath));
            QFile::remove(infoPath(m_localPath));
        }
        m_op = Op::None;
        startDownload(unchanged ? kept : 0);
        return;
    }
    if (op == Op::Probe) {
        m_localPath.clear(); // the kept part stays for a later attempt
        errorCode = classify(Op::Get, code);
    } else if (op == Op::Get) {
        finishDownload(code, errorCode, errorText);
    } else if (code != CURLE_OK) {
        errorCode = classify(op, code);
    } else if (op == Op::Command && m_lastReply.isEmpty()) {
        errorCode = ConnectionLost;
        errorText = tr("No reply to %1").arg(QString::fromUtf8(m_command));
    }
    if (errorCode && code != CURLE_OK)
        m_errorDetail =
            m_errorBuffer[0] ? QString::fromUtf8(m_errorBuffer) : QString::fromUtf8(curl_easy_strerror(code));
    if (errorCode && errorText.isEmpty())
        errorText = describe(errorCode, code);
    m_op = Op::None;
    if (errorCode) {
        teardown();
        emit error(errorCode, errorText, tag);
        return;
    }
    m_state = State::Connected;
    emit done(tag);
}

void FtpSession::finishDownload(CURLcode &code, int &errorCode, QString &errorText)
{
    m_file.close();
    const qint64 got = m_received;
    if (code != CURLE_OK) {
        errorCode = classify(Op::Get, code);
        if (keepForResume(code)) {
            m_localPath.clear(); // teardown must not take it
            return;
        }
    } else if (m_expected >= 0 && got != m_expected) {
        errorCode = Incomplete;
        errorText = tr("The server sent %1 of the %2 bytes it announced").arg(got).arg(m_expected);
    } else if (std::rename(QFile::encodeName(partPath(m_localPath)).constData(),
                           QFile::encodeName(m_localPath).constData()) != 0) {
        errorCode = LocalFileError;
        errorText = tr("Cannot put the download in place as %1").arg(m_localPath);
    }
    if (errorCode) {
        dropPartialFile();
        return;
    }
    QFile::remove(infoPath(m_localPath));
    m_localPath.clear();
    curl_off_t time = -1;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_FILETIME_T, &time) == CURLE_OK && time >= 0)
        m_fileTime = qint64(time);
    if (got != m_reportedBytes) {
        m_reportedBytes = got;
        emit progress(got, total());
    }
}

// A line that dropped mid-download: what arrived is kept, with the server's size and
// time of the file, for the next attempt to resume.
bool FtpSession::keepForResume(CURLcode code)
{
    switch (code) {
    case CURLE_WRITE_ERROR:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_BAD_DOWNLOAD_RESUME:
    case CURLE_ABORTED_BY_CALLBACK: return false;
    default: break;
    }
    curl_off_t time = -1;
    curl_easy_getinfo(m_easy.get(), CURLINFO_FILETIME_T, &time);
    if (m_writeFailed || m_expected <= 0 || time < 0 || m_received <= 0 || m_received >= m_expected)
        return false;
    return writeInfo(m_localPath, {m_expected, qint64(time)});
}

QString FtpSession::describe(int errorCode, CURLcode code) const
{
    switch (errorCode) {
    case ConnectFailed:
        if (code == CURLE_COULDNT_RESOLVE_HOST)
            return tr("The server %1 is not known").arg(m_host);
        if (code == CURLE_OPERATION_TIMEDOUT)
            return tr("The server %1 did not answer in time").arg(m_host);
        if (code == CURLE_COULDNT_CONNECT)
            return tr("The server %1 refused the connection").arg(m_host);
        return tr("The connection to the server %1 could not be made").arg(m_host);
    case LogOnRefused: return tr("The server refused the log-on");
    case TlsFailed: return tlsText(code, m_errorDetail);
    case LocalFileError: return tr("The download could not be written to %1").arg(m_localPath);
    case TimedOut: return tr("The server stopped answering (timed out)");
    case ServerRefused:
        return code == CURLE_REMOTE_ACCESS_DENIED ? tr("The server refused to send the file")
                                                  : tr("The file was not found on the server");
    case Incomplete:
    case ConnectionLost:
        if (m_op == Op::Get && m_expected > 0)
            return tr("The connection was lost after %1 of %2 bytes").arg(m_received).arg(m_expected);
        if (m_op == Op::Get)
            return tr("The connection was lost after %1 bytes").arg(m_received);
        return tr("The connection to the server was lost");
    default: return tr("The transfer failed");
    }
}

int FtpSession::classify(Op op, CURLcode code) const
{
    if (code == CURLE_LOGIN_DENIED)
        return LogOnRefused;
    switch (code) {
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS: return TlsFailed;
    default: break;
    }
    if (op == Op::Connect)
        return ConnectFailed;
    if (code == CURLE_OPERATION_TIMEDOUT)
        return TimedOut;
    if (op == Op::Get) {
        switch (code) {
        case CURLE_WRITE_ERROR: return m_writeFailed ? LocalFileError : Incomplete;
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_REMOTE_ACCESS_DENIED: return ServerRefused;
        default: return m_received > 0 ? Incomplete : ConnectionLost;
        }
    }
    return ConnectionLost;
}

// What went wrong with TLS, in words; curl's own text follows for the expert.
QString FtpSession::tlsText(CURLcode code, const QString &detail) const
{
    const QString authorities = m_caFile.isEmpty() ? tr("the system's certificate store")
                                                   : tr("the certificate authorities in %1").arg(m_caFile);
    switch (code) {
    case CURLE_USE_SSL_FAILED:
        return tr("The server %1 does not offer FTP over TLS (AUTH TLS was refused)").arg(m_host);
    case CURLE_SSL_CACERT_BADFILE:
        return tr("The certificate authority file %1 cannot be read (%2)").arg(m_caFile, detail);
    case CURLE_PEER_FAILED_VERIFICATION:
        if (detail.contains(QStringLiteral("host name"), Qt::CaseInsensitive) ||
            detail.contains(QStringLiteral("subject name"), Qt::CaseInsensitive))
            return tr("The server's certificate is not issued for the host name %1 (%2)").arg(m_host, detail);
        return tr("The server's certificate could not be verified against %1 (%2)").arg(authorities, detail);
    default: return tr("The secure (TLS) connection to %1 failed (%2)").arg(m_host, detail);
    }
}

void FtpSession::dropPartialFile()
{
    if (m_file.isOpen())
        m_file.close();
    if (!m_localPath.isEmpty()) {
        QFile::remove(partPath(m_localPath));
        QFile::remove(infoPath(m_localPath));
    }
    m_localPath.clear();
}

void FtpSession::teardown()
{
    ++m_generation;
    if (m_easy) {
        // Between operations the connection may still be open: say goodbye without
        // waiting for the answer, and leave curl nothing to wait for either, so a hung
        // server cannot stall the window. An operation under way is simply cut off.
        curl_socket_t s = CURL_SOCKET_BAD;
        if (m_easyAdded && m_op == Op::None &&
            curl_easy_getinfo(m_easy.get(), CURLINFO_ACTIVESOCKET, &s) == CURLE_OK && s != CURL_SOCKET_BAD) {
            static const char quit[] = "QUIT\r\n";
            if (!m_tls) // a plain QUIT would be noise on an encrypted channel
                (void)::send(s, quit, sizeof quit - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            ::shutdown(s, SHUT_RDWR);
        }
        if (m_easyAdded)
            m_driver->remove(m_easy.get());
        m_easy.reset();
        m_easyAdded = false;
    }
    m_driver.reset();
    m_quote.reset();
    dropPartialFile();
    m_op = Op::None;
    m_state = State::Disconnected;
    m_progressQueued = false;
}

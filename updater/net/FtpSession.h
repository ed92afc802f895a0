// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

#include "CurlHandles.h"

#include <functional>
#include <memory>

class CurlMultiDriver;

// An asynchronous FTP client session for the updater's download, on libcurl's multi
// interface inside the Qt event loop of the thread that owns it.
//
// Every operation returns at once. It ends with exactly one event, delivered later
// from the event loop: done(tag) on success or error(code, text, tag) on failure.
// The tag is the one set when the operation started, so the caller can drive its
// state machine by it. After an error the connection is gone (state Disconnected).
//
// Downloads never leave a half file: data goes to "<local>.part", which becomes the
// local file only when every byte arrived (and as many as the caller expected).
// When the connection drops, the ".part" stays with the server's size and time
// ("<local>.part.info"), and the next download of the same file, by this session or
// another after a restart, resumes it (REST) if the server's file (MDTM) is unchanged;
// otherwise it starts over. Any other failure and a cancel delete the partial file.
//
// Error texts say in words what happened; lastErrorDetail() keeps libcurl's own.
class FtpSession final : public QObject {
    Q_OBJECT
public:
    enum class State {
        Disconnected = 0, // no connection
        Connected = 1,    // logged on and idle
        Connecting = 2,   // connection and log-on under way
        Busy = 3,         // a command or download under way
    };

    // Codes of error(). ConnectFailed is the one the window treats as "cannot reach the server".
    enum Error : int {
        ConnectFailed = 20605,  // refused, unreachable, or no log-on within the time-out
        LogOnRefused = 20606,   // the server refused the log-on name or password
        TimedOut = 20607,       // the server stopped answering after log-on
        ServerRefused = 20608,  // an error reply to the download (e.g. no such file)
        Incomplete = 20609,     // connection dropped mid-download, or fewer bytes than expected
        LocalFileError = 20610, // the local file could not be written or put in place
        ConnectionLost = 20611, // the connection broke outside a download
        TlsFailed = 20612,      // FTP over TLS: no TLS offered, or a certificate that does not verify
        OtherError = 20699,
    };

    explicit FtpSession(QObject *parent = nullptr);
    ~FtpSession() override; // aborts whatever runs, without events
    FtpSession(const FtpSession &) = delete;
    FtpSession &operator=(const FtpSession &) = delete;

    // Settings, used from the next connectAndLogOn() on.
    void setHost(const QString &host, int port = 21);
    void setUserName(const QString &name) { m_user = name; }
    void setPassword(const QString &password) { m_password = password; }
    void setActiveMode(bool active) { m_active = active; } // default false: passive data connections
    // Explicit FTP over TLS (AUTH TLS) for control and data; the server's certificate and
    // host name are always verified, against caFile (PEM) when given, else the system's store.
    // Data connections are then passive whatever activeMode says.
    void setTls(bool tls) { m_tls = tls; }
    bool tls() const { return m_tls; }
    void setCaFile(const QString &path) { m_caFile = path; }
    QString caFile() const { return m_caFile; }
    bool activeMode() const { return m_active; }
    void setTimeout(int seconds) { m_timeoutSec = seconds > 0 ? seconds : 1; } // default 75
    int timeout() const { return m_timeoutSec; }
    // Least time between two progress reports (the last one always comes). Default 100 ms.
    void setProgressInterval(int ms) { m_progressIntervalMs = ms; }

    void setTag(const QString &tag) { m_tag = tag; }
    QString tag() const { return m_tag; }
    State state() const { return m_state; }

    // Each returns false, and starts nothing, when the state does not allow it:
    // connectAndLogOn needs Disconnected; sendCommand and getFile need Connected.
    bool connectAndLogOn();
    // Sends one raw command (after "TYPE I", because servers refuse SIZE in ASCII
    // mode). A reply of any class is a completed command: read it with lastReply().
    bool sendCommand(const QString &command);
    // Downloads the absolute remote path to the local path, reporting progress. With
    // expectedBytes >= 0 (the SIZE reply) a file of another length is an error.
    bool getFile(const QString &remotePath, const QString &localPath, qint64 expectedBytes = -1);
    // Ends the connection now, aborting any operation under way (its partial file is
    // deleted and it reports nothing). done(tag) follows, even when nothing was open.
    void disconnectFromServer();
    // Like disconnectFromServer, but reports nothing at all: for giving up and for teardown.
    void abort();

    // The server's final reply line to the last sendCommand ("213 12345"), its code
    // (0 when no reply was read).
    QString lastReply() const { return m_lastReply; }
    int lastReplyCode() const;

    // How the server's words are read, apart from any connection (they are fuzzed): the
    // final reply line in a block of lines as the server sent them (continuation lines
    // "213-..." skipped), "" when there is none; and the code of a reply line, 0 for none.
    static QString finalReply(const QByteArray &block);
    static int replyCode(const QString &reply);
    // libcurl's own words for the last error, for the log.
    QString lastErrorDetail() const { return m_errorDetail; }
    // Where the last download started: 0, or the bytes resumed from a ".part".
    qint64 resumedFrom() const { return m_resumeFrom; }
    // The server's time (seconds since 1970, UTC) of the file the last download completed,
    // -1 when it gave none.
    qint64 fileTime() const { return m_fileTime; }

signals:
    void done(const QString &tag);
    void error(int code, const QString &text, const QString &tag);
    // bytes received so far; total is the expected size, else the server's, else -1.
    void progress(qint64 bytes, qint64 total);

private:
    enum class Op { None, Connect, Command, Probe, Get };

    static size_t writeCallback(char *data, size_t size, size_t count, void *userp);
    static int debugCallback(CURL *, curl_infotype type, char *data, size_t size, void *userp);

    bool begin(Op op, const QString &url);
    void onDone(CURL *easy, CURLcode code);
    void finish(quint64 generation, CURLcode code);
    void finishDownload(CURLcode &code, int &errorCode, QString &errorText);
    void startDownload(qint64 offset);
    bool keepForResume(CURLcode code);
    QString describe(int errorCode, CURLcode code) const;
    void queueProgress();
    void teardown();
    void dropPartialFile();
    int classify(Op op, CURLcode code) const;
    QString tlsText(CURLcode code, const QString &detail) const;
    qint64 total() const;
    QString urlFor(const QString &remotePath) const;
    void post(std::function<void()> fn);

    QString m_host = QStringLiteral("localhost");
    int m_port = 21;
    QString m_user;
    QString m_password;
    bool m_active = false;
    bool m_tls = false;
    QString m_caFile;
    int m_timeoutSec = 75;
    int m_progressIntervalMs = 100;
    QString m_tag;

    State m_state = State::Disconnected;
    Op m_op = Op::None;
    QString m_opTag;
    quint64 m_generation = 0; // bumped whenever pending reports become void

    std::unique_ptr<CurlMultiDriver> m_driver;
    CurlEasy m_easy;
    bool m_easyAdded = false;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    CurlSlist m_quote;

    QByteArray m_command; // the raw command whose reply is awaited
    bool m_awaitReply = false;
    QString m_lastReply;

    QFile m_file;
    QString m_localPath;
    QString m_remotePath;
    qint64 m_resumeFrom = 0;
    qint64 m_keptTime = -1; // the server's time of the file a ".part" was begun from
    qint64 m_fileTime = -1;
    QString m_errorDetail;
    qint64 m_expected = -1;
    qint64 m_received = 0;
    bool m_writeFailed = false;
    qint64 m_reportedBytes = -1;
    bool m_progressQueued = false;
    QElapsedTimer m_sinceReport;
};

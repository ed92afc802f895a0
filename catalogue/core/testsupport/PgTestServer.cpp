// SPDX-License-Identifier: MIT
#include "PgTestServer.h"

#include "TestOdbc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

const char *const kBinaries[] = {"/usr/lib/postgresql/15/bin", "/usr/lib/postgresql/16/bin",
                                 "/usr/lib/postgresql/17/bin"};

QString g_reason;
bool g_installed = false;

bool runningAsRoot()
{
    return geteuid() == 0;
}

// Runs a program to its end, standard output and error into `output`; its exit code, or -1.
// Everything as plain POSIX: it also runs from static destructors, after Qt has gone.
int run(const std::vector<std::string> &args, std::string *output = nullptr, pid_t *started = nullptr,
        bool detach = false)
{
    std::vector<char *> argv;
    argv.reserve(args.size() + 1);
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2] = {-1, -1};
    if (output && pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    if (detach) // its own session: a signal to the test's process group leaves the guard alive
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (output) {
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (output)
        close(pipeFds[1]);
    if (rc != 0) {
        if (output)
            close(pipeFds[0]);
        return -1;
    }
    if (started) {
        *started = pid;
        return 0;
    }
    if (output) {
        char buffer[4096];
        ssize_t got;
        while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
            if (got > 0)
                output->append(buffer, std::size_t(got));
        close(pipeFds[0]);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The server's programs run as "postgres" when we are root.
std::vector<std::string> asServerUser(std::vector<std::string> args)
{
    if (runningAsRoot())
        args.insert(args.begin(), {"runuser", "-u", "postgres", "--"});
    return args;
}

int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    close(fd);
    return port;
}

std::string str(const QString &s)
{
    return s.toStdString();
}

} // namespace

QString PgTestServer::reason()
{
    return g_reason;
}

bool PgTestServer::installed()
{
    shared();
    return g_installed;
}

QString PgTestServer::driverPath()
{
    for (const QString &dir :
         {QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc"), QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc"),
          QStringLiteral("/usr/lib/odbc")})
        if (QFileInfo::exists(dir + QStringLiteral("/psqlodbcw.so")))
            return dir + QStringLiteral("/psqlodbcw.so");
    return {};
}

PgTestServer *PgTestServer::shared()
{
    static std::unique_ptr<PgTestServer> server;
    static bool tried = false;
    if (tried)
        return server.get();
    tried = true;

    QString bin;
    for (const char *dir : kBinaries)
        if (QFileInfo::exists(QLatin1String(dir) + QStringLiteral("/initdb")))
            bin = QLatin1String(dir);
    if (bin.isEmpty()) {
        g_reason = QStringLiteral("PostgreSQL (initdb) is not installed");
        return nullptr;
    }
    if (driverPath().isEmpty()) {
        g_reason = QStringLiteral("the PostgreSQL ODBC driver (odbc-postgresql) is not installed");
        return nullptr;
    }
    if (runningAsRoot() && !getpwnam("postgres")) {
        g_reason = QStringLiteral("running as root without a postgres user to run the server");
        return nullptr;
    }
    g_installed = true;
    server.reset(new PgTestServer);
    server->m_bin = bin;
    if (const auto started = server->start(); !started) {
        g_reason = QStringLiteral("the test server did not start: ") + started.error().message;
        server.reset();
    }
    return server.get();
}

Result<> PgTestServer::start()
{
    char pattern[] = "/tmp/orvana-pg-XXXXXX";
    if (!mkdtemp(pattern))
        return fail(QStringLiteral("no temporary folder"));
    m_root = QString::fromLocal8Bit(pattern);
    // The server's user must reach its folder and own its data.
    chmod(pattern, 0755);
    if (runningAsRoot()) {
        const passwd *pg = getpwnam("postgres");
        if (!pg || chown(pattern, pg->pw_uid, pg->pw_gid) != 0)
            return fail(QStringLiteral("cannot hand %1 to the postgres user").arg(m_root));
    }
    const std::string data = str(m_root + QStringLiteral("/data"));
    // Stops the server and removes the folder if this program dies without its destructor (a
    // crash, a kill), also while the server is still starting.
    const std::string stopCommand =
        (runningAsRoot() ? std::string("runuser -u postgres -- ") : std::string()) +
        "\"$3\" -D \"$2\" stop -m immediate";
    run({"sh", "-c", "while kill -0 \"$1\" 2>/dev/null; do sleep 1; done; " + stopCommand + "; rm -rf \"$4\"",
         "pg-guard", std::to_string(getpid()), data, str(m_bin + QStringLiteral("/pg_ctl")), str(m_root)},
        nullptr, &m_guard, true);

    std::string out;
    if (run(asServerUser({str(m_bin + QStringLiteral("/initdb")), "-D", data, "-A", "trust", "-U", "orvana",
                          "-E", "UTF8", "--locale=C.UTF-8", "--no-sync", "--no-instructions"}),
            &out) != 0)
        return fail(QStringLiteral("initdb failed: ") + QString::fromStdString(out));

    // A port found free can be taken before the server binds it: try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        const std::string options = "-p " + std::to_string(m_port) + " -k " + str(m_root) +
                                    " -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off"
                                    " -c full_page_writes=off -c max_connections=40";
        out.clear();
        if (run(asServerUser({str(m_bin + QStringLiteral("/pg_ctl")), "-D", data, "-l",
                              str(m_root + QStringLiteral("/server.log")), "-w", "-t", "60", "-o", options,
                              "start"}),
                &out) == 0)
            break;
        m_port = 0;
    }
    if (m_port == 0) {
        QFile log(m_root + QStringLiteral("/server.log"));
        log.open(QIODevice::ReadOnly);
        const QString why = QStringLiteral("pg_ctl start failed: ") + QString::fromStdString(out) +
                            QString::fromUtf8(log.readAll());
        run({"rm", "-rf", str(m_root)});
        return fail(why);
    }

    QDir().mkpath(m_root + QStringLiteral("/odbc"));
    QFile ini(m_root + QStringLiteral("/odbc/odbc.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral(
                  "[OrvanaPg]\nDriver=PostgreSQL Test\nServername=127.0.0.1\nPort=%1\nDatabase=postgres\n"
                  "Username=orvana\n")
                  .arg(m_port)
                  .toUtf8());
    return {};
}

PgTestServer::~PgTestServer()
{
    stop();
}

void PgTestServer::stop()
{
    if (m_guard > 0) {
        kill(m_guard, SIGKILL);
        waitpid(m_guard, nullptr, 0);
        m_guard = 0;
    }
    if (m_port > 0)
        run(asServerUser({str(m_bin + QStringLiteral("/pg_ctl")), "-D", str(m_root + QStringLiteral("/data")),
                          "stop", "-m", "immediate"}));
    m_port = 0;
    if (!m_root.isEmpty())
        run({"rm", "-rf", str(m_root)});
    m_root.clear();
}

QStringList PgTestServer::psqlArguments(const QString &database) const
{
    return {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port),
            QStringLiteral("-U"), QStringLiteral("orvana"),    QStringLiteral("-d"), database};
}

QString PgTestServer::createDatabase()
{
    QString name = QStringLiteral("orvana_t%1").arg(++m_databases);
    if (const auto made = query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE ") + name); !made)
        std::fprintf(stderr, "PgTestServer: %s\n", qPrintable(made.error().message));
    return name;
}

QString PgTestServer::dataSource(const QString &database)
{
    TestOdbc::use(m_root + QStringLiteral("/odbc/odbc.ini"));
    // One data source for the server; each test names its database in the connection string
    // (unixODBC caches odbc.ini, so sections added while the program runs may go unseen).
    return QStringLiteral("DSN=OrvanaPg;Database=") + database;
}

Result<QString> PgTestServer::query(const QString &database, const QString &sql) const
{
    std::vector<std::string> args{"psql", "-X",         "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                                  "-P",   "null=<null>"};
    for (const QString &a : psqlArguments(database))
        args.push_back(str(a));
    args.push_back("-c");
    args.push_back(str(sql));
    std::string out;
    const int rc = run(args, &out);
    QString text = QString::fromStdString(out);
    if (text.endsWith(u'\n'))
        text.chop(1);
    if (rc != 0)
        return fail(QStringLiteral("psql failed (%1): %2 in %3").arg(rc).arg(text, sql));
    return text;
}

PgTestServer::Pause::Pause(const PgTestServer &server, std::chrono::milliseconds after,
                           std::chrono::milliseconds limit)
{
    std::ifstream pidFile(str(server.m_root + QStringLiteral("/data/postmaster.pid")));
    pidFile >> m_postmaster;
    if (m_postmaster <= 0) {
        std::fprintf(stderr, "PgTestServer: no postmaster.pid\n");
        return;
    }
    if (after.count() <= 0) // stopped before the test goes on
        signal(SIGSTOP);
    m_thread = std::thread([this, after, limit] {
        std::unique_lock lock(m_mutex);
        if (after.count() > 0) {
            if (m_done.wait_for(lock, after, [this] { return m_ending; }))
                return;
            signal(SIGSTOP);
        }
        m_done.wait_for(lock, limit, [this] { return m_ending; });
        signal(SIGCONT);
    });
}

PgTestServer::Pause::~Pause()
{
    if (!m_thread.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_done.notify_one();
    m_thread.join();
}

// The postmaster first, so it forks no backend meanwhile; then each of its children (every
// backend is a session of its own, so there is no one group to signal).
void PgTestServer::Pause::signal(int sig)
{
    if (sig == SIGCONT) {
        kill(m_postmaster, SIGCONT);
        for (const pid_t pid : m_stopped)
            kill(pid, SIGCONT);
        m_stopped.clear();
        return;
    }
    kill(m_postmaster, sig);
    DIR *proc = opendir("/proc");
    if (!proc)
        return;
    while (const dirent *entry = readdir(proc)) {
        const pid_t pid = pid_t(std::atoi(entry->d_name));
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')');
        char state = 0;
        int parent = 0;
        if (close == std::string::npos ||
            std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2 || parent != m_postmaster)
            continue;
        if (kill(pid, sig) == 0)
            m_stopped.push_back(pid);
    }
    closedir(proc);
}

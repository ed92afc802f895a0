// SPDX-License-Identifier: MIT
#include "CurlMultiDriver.h"

#include <QSocketNotifier>

#include <utility>
#include <vector>

namespace {

// A notifier may be dropped from inside its own activation, so it is switched off
// at once and deleted once the event loop has left it.
void retire(QSocketNotifier *&n)
{
    if (!n)
        return;
    n->setEnabled(false);
    n->deleteLater();
    n = nullptr;
}

} // namespace

CurlMultiDriver::CurlMultiDriver(QObject *parent) : QObject(parent), m_multi(curl_multi_init())
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { action(CURL_SOCKET_TIMEOUT, 0, false); });
    // libcurl (7.88) on a reused FTP connection can read the reply to EPSV/PASV at
    // once and then neither start the data connection nor ask for any socket to be
    // watched: the transfer would sit until its time-out. A light, regular kick of
    // every transfer while one runs gets it going again.
    m_kick.setInterval(kKickIntervalMs);
    connect(&m_kick, &QTimer::timeout, this, [this] { action(CURL_SOCKET_BAD, 0, true); });
    curl_multi_setopt(m_multi.get(), CURLMOPT_SOCKETFUNCTION, &CurlMultiDriver::socketCallback);
    curl_multi_setopt(m_multi.get(), CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi.get(), CURLMOPT_TIMERFUNCTION, &CurlMultiDriver::timerCallback);
    curl_multi_setopt(m_multi.get(), CURLMOPT_TIMERDATA, this);
}

CurlMultiDriver::~CurlMultiDriver()
{
    // Cleaning up may still call back to drop sockets; the members are alive here.
    m_multi.reset();
    m_timer.stop();
    m_kick.stop();
    for (auto &[s, w] : m_watches) {
        delete w.read;
        delete w.write;
    }
    m_watches.clear();
}

bool CurlMultiDriver::add(CURL *easy)
{
    if (curl_multi_add_handle(m_multi.get(), easy) != CURLM_OK)
        return false;
    m_kick.start();
    return true;
}

void CurlMultiDriver::remove(CURL *easy)
{
    curl_multi_remove_handle(m_multi.get(), easy);
}

int CurlMultiDriver::socketCallback(CURL *, curl_socket_t s, int what, void *userp, void *)
{
    static_cast<CurlMultiDriver *>(userp)->watch(s, what);
    return 0;
}

int CurlMultiDriver::timerCallback(CURLM *, long timeoutMs, void *userp)
{
    auto *self = static_cast<CurlMultiDriver *>(userp);
    if (timeoutMs < 0)
        self->m_timer.stop();
    else
        self->m_timer.start(static_cast<int>(timeoutMs)); // 0 still waits for the event loop
    return 0;
}

void CurlMultiDriver::watch(curl_socket_t s, int what)
{
    if (what == CURL_POLL_REMOVE) {
        unwatch(s);
        return;
    }
    Watch &w = m_watches[s];
    const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    auto ensure = [this, s](QSocketNotifier *&n, QSocketNotifier::Type type, bool wanted) {
        if (!wanted) {
            if (n)
                n->setEnabled(false);
            return;
        }
        if (!n) {
            n = new QSocketNotifier(s, type, this);
            const int mask = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
            connect(n, &QSocketNotifier::activated, this, [this, s, mask] { action(s, mask, false); });
        }
        n->setEnabled(true);
    };
    ensure(w.read, QSocketNotifier::Read, wantRead);
    ensure(w.write, QSocketNotifier::Write, wantWrite);
}

void CurlMultiDriver::unwatch(curl_socket_t s)
{
    auto it = m_watches.find(s);
    if (it == m_watches.end())
        return;
    retire(it->second.read);
    retire(it->second.write);
    m_watches.erase(it);
}

void CurlMultiDriver::action(curl_socket_t s, int eventMask, bool everyTransfer)
{
    int running = 0;
    if (everyTransfer) {
        // The one call that runs every transfer; deprecated only in favour of those that cannot.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        curl_multi_socket_all(m_multi.get(), &running);
#pragma GCC diagnostic pop
    } else
        curl_multi_socket_action(m_multi.get(), s, eventMask, &running);

    if (running == 0)
        m_kick.stop();

    std::vector<std::pair<CURL *, CURLcode>> finished;
    int left = 0;
    while (CURLMsg *msg = curl_multi_info_read(m_multi.get(), &left)) {
        if (msg->msg == CURLMSG_DONE)
            finished.emplace_back(msg->easy_handle, msg->data.result);
    }
    if (onActivity)
        onActivity();
    for (const auto &[easy, code] : finished) {
        if (onDone)
            onDone(easy, code);
    }
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QTimer>

#include "CurlHandles.h"

#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

// Runs one libcurl multi handle inside the Qt event loop: curl tells us which
// sockets to watch and when to wake it, and socket notifiers and a timer call
// back into curl. The owner hears of each finished transfer through onDone and
// of every bit of socket work through onActivity. Both are called after curl has
// returned, but still inside this object's own frame: they must not destroy it.
class CurlMultiDriver final : public QObject {
    Q_OBJECT
public:
    explicit CurlMultiDriver(QObject *parent = nullptr);
    ~CurlMultiDriver() override;
    CurlMultiDriver(const CurlMultiDriver &) = delete;
    CurlMultiDriver &operator=(const CurlMultiDriver &) = delete;

    bool add(CURL *easy);
    void remove(CURL *easy);

    std::function<void(CURL *, CURLcode)> onDone;
    std::function<void()> onActivity;

private:
    struct Watch {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static int socketCallback(CURL *easy, curl_socket_t s, int what, void *userp, void *socketp);
    static int timerCallback(CURLM *multi, long timeoutMs, void *userp);
    void watch(curl_socket_t s, int what);
    void unwatch(curl_socket_t s);
    void action(curl_socket_t s, int eventMask, bool everyTransfer);

    static constexpr int kKickIntervalMs = 20;

    CurlMulti m_multi;
    QTimer m_timer;
    QTimer m_kick;
    std::map<curl_socket_t, Watch> m_watches;
};

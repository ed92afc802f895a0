// SPDX-License-Identifier: MIT
#pragma once

// Every designed wait of both programs, in one place so tests can shrink them
// while the programs keep their timing.
struct Timings {
    int watchdogTickMs = 1000; // the updater's connect watchdog and elapsed-time tick
    int pauseShortMs = 250;    // pauses between process-file steps
    int pauseMs = 1000;
    int pauseLongMs = 2000;
    int registrarWaitMs = 1000; // how long the registration tool is given

    // Scales every duration (tests use e.g. 0.01); never below 1 ms.
    void scale(double factor);
};

Timings &timings();

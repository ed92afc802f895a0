// SPDX-License-Identifier: MIT
#pragma once

// Waits that keep the window running.
namespace modService {

// Waits without freezing the window: events keep running during the pause.
void Pause(int ms);
void DoEvents();

} // namespace modService

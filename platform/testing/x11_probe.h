// X11 only: what a test needs beyond the shared probes to play the host's part on its own
// connection, and to see whether an error escaped the backend's connections.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace melp::platform::testing {

// Protocol errors that reached the process-wide error handler: the test program's own,
// installed by this call at the latest, which counts them. The backend's connections take
// their errors themselves, so a plug-in in a host never reaches this handler.
std::int32_t processWideErrors() noexcept;

// Destroys a window from the test program's connection, as a host destroys its window on
// its own connection; the backend learns of it only from the server.
void destroyFromAnotherClient(Window window) noexcept;

}  // namespace melp::platform::testing

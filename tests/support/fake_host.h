// A stand-in for an audio host: a callback that records every request with its arguments
// and answers from a table the test configures. Tests hand FakeHost::callback to the plug-in.
//
// One FakeHost is current at a time (the callback has no user argument before the record
// exists, so it finds the host through a process-wide pointer); constructing a FakeHost
// makes it current, destroying it clears that.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/effect_record.h"

namespace melp::testing {

struct HostRequest {
    host::AEffect* effect;
    host::int32 opcode;
    host::int32 index;
    host::intptr value;
    void* ptr;
    float opt;
};

class FakeHost {
public:
    FakeHost() noexcept;
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // The callback to pass to the plug-in. Answers 0 for any request without an answer.
    static host::intptr MELP_CDECL callback(host::AEffect* effect, host::int32 opcode,
                                            host::int32 index, host::intptr value, void* ptr,
                                            float opt);

    // A fixed answer for a request number.
    void answer(host::int32 opcode, host::intptr value) { answers[opcode] = value; }
    // An answer computed per call (also for side effects such as calling back into the
    // plug-in); replaces a fixed answer for that opcode. An empty handler removes it.
    void respond(host::int32 opcode, std::function<host::intptr(const HostRequest&)> handler) {
        handlers[opcode] = std::move(handler);
    }

    // Requests with this number, in order.
    std::vector<HostRequest> requestsOf(host::int32 opcode) const;
    std::size_t count(host::int32 opcode) const { return requestsOf(opcode).size(); }
    void clear() { log.clear(); }

    std::vector<HostRequest> log;
    // What each audioMasterCanDo string asked was, in order.
    std::vector<std::string> canDoQuestions;

private:
    std::map<host::int32, host::intptr> answers;
    std::map<host::int32, std::function<host::intptr(const HostRequest&)>> handlers;
};

}  // namespace melp::testing

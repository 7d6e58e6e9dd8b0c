#include "tests/support/fake_host.h"

#include <algorithm>

namespace melp::testing {

namespace {

// audioMasterCanDo: its text is copied, since the pointer may not outlive the call.
constexpr host::int32 kCanDoRequest = 37;

FakeHost* current = nullptr;

}  // namespace

FakeHost::FakeHost() noexcept {
    current = this;
}

FakeHost::~FakeHost() {
    if (current == this) {
        current = nullptr;
    }
}

host::intptr MELP_CDECL FakeHost::callback(host::AEffect* effect, host::int32 opcode,
                                           host::int32 index, host::intptr value, void* ptr,
                                           float opt) {
    FakeHost* self = current;
    if (!self) {
        return 0;
    }
    const HostRequest request{effect, opcode, index, value, ptr, opt};
    self->log.push_back(request);
    if (opcode == kCanDoRequest && ptr) {
        self->canDoQuestions.emplace_back(static_cast<const char*>(ptr));
    }
    if (auto handler = self->handlers.find(opcode);
        handler != self->handlers.end() && handler->second) {
        return handler->second(request);
    }
    if (auto fixed = self->answers.find(opcode); fixed != self->answers.end()) {
        return fixed->second;
    }
    return 0;
}

std::vector<HostRequest> FakeHost::requestsOf(host::int32 opcode) const {
    std::vector<HostRequest> found;
    std::copy_if(log.begin(), log.end(), std::back_inserter(found),
                 [opcode](const HostRequest& r) { return r.opcode == opcode; });
    return found;
}

}  // namespace melp::testing

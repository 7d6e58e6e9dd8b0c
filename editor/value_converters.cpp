#include "editor/value_converters.h"

#include <clocale>
#include <cstdio>
#include <cstring>

namespace melp::editor {

namespace {

constexpr std::size_t textCapacity = 256;

// A host may have switched the C locale to one with a decimal comma; the panel always
// shows a full stop.
void useFullStop(char* text) noexcept {
    const std::lconv* conventions = std::localeconv();
    const char* point = conventions ? conventions->decimal_point : nullptr;
    if (!point || point[0] == '\0' || std::strcmp(point, ".") == 0 || point[1] != '\0') {
        return;
    }
    for (char* c = text; *c; ++c) {
        if (*c == point[0]) {
            *c = '.';
        }
    }
}

}  // namespace

void decibelsToText(float value, char* text) noexcept {
    if (!text) {
        return;
    }
    std::snprintf(text, textCapacity, "%0.2fdB", static_cast<double>(value));
    useFullStop(text);
}

void kilohertzToText(float value, char* text) noexcept {
    if (!text) {
        return;
    }
    std::snprintf(text, textCapacity, "%0.1f", static_cast<double>(value * 0.001f));
    useFullStop(text);
}

}  // namespace melp::editor

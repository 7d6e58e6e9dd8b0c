// The editor's value-to-text converters for its numeric displays. They keep no state and may
// be called at any time. text: the display's buffer of 256 bytes; the result is
// zero-terminated and always uses a full stop as decimal separator.
#pragma once

namespace melp::editor {

// Maximum level: two decimals followed directly by "dB" ("-3.50dB").
void decibelsToText(float value, char* text) noexcept;
// Sample rate in Hz shown in kHz with one decimal and no unit ("44.1"); the unit letter is
// part of the panel picture.
void kilohertzToText(float value, char* text) noexcept;

}  // namespace melp::editor

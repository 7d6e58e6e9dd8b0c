// The built-in programme melp-meter meters when no file is given: 12 seconds of stereo at
// 48 kHz, made of passages whose readings are known in advance.
//
//   0.00 to  2.00 s  1 kHz sine, peak -20 dBFS on both channels, in phase
//   2.00 to  3.00 s  1 kHz sine, left peak -6 dBFS, right peak -12 dBFS, in phase
//   3.00 to  4.00 s  12 kHz sine (a quarter of the rate) of amplitude 1.2 sampled at 45
//                    degrees of its phase: every sample is +-0.8485 (-1.43 dBFS) while the
//                    waveform between the samples peaks at +1.58 dBFS (an inter-sample over)
//   4.00 to  6.00 s  440 Hz at -12 dBFS, right identical to left (correlated)
//   6.00 to  8.00 s  440 Hz at -12 dBFS, right the inverse of left (anti-correlated)
//   8.00 to 10.00 s  independent white noise on each channel, peak at most -12 dBFS
//  10.00 to 10.05 s  2 kHz burst of amplitude 1.41 (+2.98 dBFS, over full scale)
//  10.05 to 12.00 s  tones of 63 Hz, 250 Hz, 1 kHz, 4 kHz and 12.5 kHz, each -20 dBFS
#pragma once

#include <memory>

#include "tools/melp_meter/audio_source.h"

namespace melp::tools {

constexpr double kProgrammeRateHz = 48000.0;
constexpr double kProgrammeSeconds = 12.0;

// One frame of the programme; `frame` counts from 0 at kProgrammeRateHz.
void programmeFrame(std::int64_t frame, float* left, float* right) noexcept;

std::unique_ptr<AudioSource> makeDefaultProgramme();

}  // namespace melp::tools

// Where a true-colour visual keeps a colour channel: the position and width of its mask.
// Shared by the presentation (8-bit channels into the visual) and the tests' read-back.
#pragma once

namespace melp::platform::x11::detail {

struct Channel {
    int shift = 0;  // lowest bit of the mask
    int bits = 0;   // width of the mask
};

inline Channel channelOf(unsigned long mask) noexcept {
    Channel channel;
    if (mask == 0) {
        return channel;
    }
    while (((mask >> channel.shift) & 1ul) == 0) {
        ++channel.shift;
    }
    while (channel.shift + channel.bits < 64 && ((mask >> (channel.shift + channel.bits)) & 1ul) != 0) {
        ++channel.bits;
    }
    return channel;
}

// An 8-bit value in the channel, and back.
inline unsigned long toChannel(unsigned int value, unsigned long mask) noexcept {
    const Channel c = channelOf(mask);
    const unsigned long scaled = c.bits >= 8 ? static_cast<unsigned long>(value) << (c.bits - 8)
                                             : static_cast<unsigned long>(value) >> (8 - c.bits);
    return (scaled << c.shift) & mask;
}

inline unsigned int fromChannel(unsigned long pixel, unsigned long mask) noexcept {
    const Channel c = channelOf(mask);
    const unsigned long value = (pixel & mask) >> c.shift;
    return c.bits >= 8 ? static_cast<unsigned int>(value >> (c.bits - 8))
                       : static_cast<unsigned int>(value << (8 - c.bits));
}

}  // namespace melp::platform::x11::detail

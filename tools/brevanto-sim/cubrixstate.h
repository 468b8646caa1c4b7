#pragma once

#include <QByteArray>
#include <optional>

// The Cubrix box state as its basic-info replies report it: box mode and channel, one
// channel block per mode and channel, frame overlays, input signal format, test pattern
// generator, ancillary capture and LUT interpolation.
class CubrixState
{
public:
    struct Slot {
        int state = 0; // 0 off, 1 on
        int load = 0;  // number of the loaded slot (1 to 16), 0 when none is shown
    };
    struct ChannelBlock {
        Slot front1d;
        Slot back1d;
        Slot lut3d;
        int input = 1; // 1 SDI 1, 2 SDI 2, 3 channel-2 output fed back
        int range = 1; // 1 video, 2 extended, 3 SMPTE full, 4 full
    };
    struct Generator {
        int inputType = 1;  // 1 YCbCr, 2 RGB
        int source = 0;     // 0 flat colour, 1 uploaded frame file
        int outputType = 1; // video format
        int outputForm = 2; // pattern shape
        quint32 colour = 0;
    };

    CubrixState();

    int mode = 1;
    int channel = 1;
    int lutInterpolation = 1;
    int anci = 0;
    qint16 signal = 0;
    ChannelBlock mode1;
    ChannelBlock mode2Channel1;
    ChannelBlock mode2Channel2;
    ChannelBlock mode3;
    Slot frameMode1;
    Slot frameMode2;
    Slot frameMode3;
    Generator generator;

    ChannelBlock &currentBlock();
    // The frame overlay of the current mode and channel; none on channel 2 of mode 2.
    Slot *currentFrame();
    bool hasInput() const { return mode != 3; }

    // Payload of basic-info request 5 to 22 (nothing for requests the box does not know).
    // `anciPackets` is the number of packets the input carries, reported with request 21.
    std::optional<QByteArray> basicInfo(int request, int anciPackets) const;

private:
    static QByteArray block(const ChannelBlock &b, bool withInput);
    static QByteArray lutFormat1d(int mode);
    static QByteArray lutFormat3d(int mode);
};

#pragma once

#include "cubrixstate.h"
#include "simdevice.h"

// A Cubrix LUT box: box modes and channels driven by keys, LUT and frame slots, input
// ranges and signal format, the test pattern generator and ancillary data capture.
class CubrixSim : public SimDevice
{
public:
    CubrixSim(const SimOptions &options, UploadStore &uploads);

    const CubrixState &state() const { return m_state; }

protected:
    std::optional<SimReply> handleRole(const SimCommand &command) override;
    SimReply basicInfoExtra(const SimCommand &command) override;
    void keyPressed(int key) override;
    QString frameUnavailableReason() const override;
    QString scopeUnavailableReason() const override;
    QByteArray frameTimecode() const override;

private:
    SimReply lut(const SimCommand &command);
    SimReply range(const SimCommand &command);
    SimReply inputSignal(const SimCommand &command);
    SimReply frame(const SimCommand &command);
    SimReply ancillary(const SimCommand &command);
    SimReply generator(const SimCommand &command);
    QString where() const;

    CubrixState m_state;
};

#pragma once

// Short sounds (a button's hover sound) played outside any graph. Includes
// no GStreamer header.

#include <QByteArray>
#include <QString>

namespace veltrin {

// Plays a WAV image asynchronously, one at a time.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts the sound unless one is still playing (then the request is
    // dropped and false returned). Never waits for the device.
    virtual bool play(const QByteArray& wave, const QString& name) = 0;
    virtual bool isPlaying() const = 0;
};

// The output over GStreamer: the first audio sink that opens, else a
// clock-synced fake sink so a sound still takes its time on machines without
// a sound device. All pipeline work happens on GStreamer's threads. Lives for
// the whole process.
SoundOutput& gstreamerSoundOutput();

} // namespace veltrin

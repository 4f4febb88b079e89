#include "engine/audiochain.h"

#include "engine/gstprocess.h"
#include "runtime/steps.h"

#include <QByteArray>

namespace veltrin {

namespace {

void addGhostPad(GstElement* bin, GstElement* inner, const char* name)
{
    const auto pad = PadHandle::adopt(gst_element_get_static_pad(inner, name));
    gst_element_add_pad(bin, gst_ghost_pad_new(name, pad.get()));
}

} // namespace

AudioChain::AudioChain()
{
    filter = sinkNew(gst_bin_new("audiofilter"));
    const ElementHandle tempo = makeRequiredElement("scaletempo");
    const ElementHandle convert = makeRequiredElement("audioconvert");
    panorama = makeRequiredElement("audiopanorama");
    g_object_set(panorama.get(), "method", 1 /* simple: attenuate one channel */, nullptr);
    addToBin(filter.get(), tempo, convert, panorama);
    if (!linkInOrder(tempo, convert, panorama))
        throw Failure("audio filter does not link");
    addGhostPad(filter.get(), tempo.get(), "sink");
    addGhostPad(filter.get(), panorama.get(), "src");

    const QByteArray factory = audioOutputFactory();
    device = makeRequiredElement(factory.constData(), "audiosink");
    if (factory == "fakesink")
        g_object_set(device.get(), "sync", TRUE, nullptr);
    // A sink without a volume of its own (ALSA, the null output) gets ours:
    // the volume element playbin would add in its place is never freed
    // (GStreamer 1.22), one per graph.
    const ElementHandle volume
        = g_object_class_find_property(G_OBJECT_GET_CLASS(device.get()), "volume")
        ? ElementHandle()
        : makeElement("volume");
    if (!volume) {
        output = device.share();
        return;
    }
    output = sinkNew(gst_bin_new("audiooutput"));
    addToBin(output.get(), volume, device);
    if (!linkInOrder(volume, device))
        throw Failure("audio output does not link");
    addGhostPad(output.get(), volume.get(), "sink");
}

} // namespace veltrin

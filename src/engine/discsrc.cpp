// The source element that reads a file on a disc through a DiscReader, so
// that playbin plays Video CD tracks (Mode 2 Form 2 sectors, which the
// kernel's file system cannot read) and files inside disc images.
#include "engine/disc.h"
#include "engine/discopen.h"
#include "engine/gsthandle.h"

#include <QByteArray>
#include <QFile>
#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>
#include <mutex>
#include <new>

namespace veltrin {

namespace {

// Each element has a reader of its own, used on its streaming thread; the
// lock guards the location against a URI set from another thread.
struct DiscSrcState {
    std::mutex mutex;
    QString uri;
    DiscPath location;
    std::unique_ptr<DiscReader> reader;
    std::unique_ptr<DiscFile> file;
};

struct VeltrinDiscSrc {
    GstBaseSrc parent;
    DiscSrcState state; // constructed in instance_init, destroyed in finalize
};

struct VeltrinDiscSrcClass {
    GstBaseSrcClass parent;
};

GType veltrin_disc_src_get_type();
void veltrin_disc_src_uri_handler_init(gpointer iface, gpointer);

G_DEFINE_TYPE_WITH_CODE(VeltrinDiscSrc, veltrin_disc_src, GST_TYPE_BASE_SRC,
    G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER, veltrin_disc_src_uri_handler_init))

DiscSrcState& stateOf(gpointer self)
{
    return reinterpret_cast<VeltrinDiscSrc*>(self)->state;
}

// Sixteen Form 2 payloads a buffer: a few calls per second of a track.
constexpr guint kBlockSize = 16 * 2324;

void veltrin_disc_src_init(VeltrinDiscSrc* self)
{
    new (&self->state) DiscSrcState();
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_BYTES);
    gst_base_src_set_blocksize(GST_BASE_SRC(self), kBlockSize);
}

void finalize(GObject* object)
{
    stateOf(object).~DiscSrcState();
    G_OBJECT_CLASS(veltrin_disc_src_parent_class)->finalize(object);
}

gboolean start(GstBaseSrc* src)
{
    DiscSrcState& s = stateOf(src);
    std::lock_guard lock(s.mutex);
    if (s.location.container.isEmpty()) {
        GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND, ("No disc location given."), (nullptr));
        return FALSE;
    }
    // Opened ahead, off this thread, when a graph opens the file.
    OpenedDiscFile opened = takeLeasedDiscFile(s.location);
    if (!opened.file)
        opened = openDiscFile(s.location);
    if (!opened.reader) {
        GST_ELEMENT_ERROR(src, RESOURCE, OPEN_READ, ("Could not read the disc."),
            ("%s", QFile::encodeName(s.location.container).constData()));
        return FALSE;
    }
    s.reader = std::move(opened.reader);
    s.file = std::move(opened.file);
    if (!s.file) {
        s.reader.reset();
        GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND, ("No such file on the disc."),
            ("%s", s.location.inner.toUtf8().constData()));
        return FALSE;
    }
    return TRUE;
}

gboolean stop(GstBaseSrc* src)
{
    DiscSrcState& s = stateOf(src);
    std::lock_guard lock(s.mutex);
    // Kept for the next start while the graph still opens.
    OpenedDiscFile opened { std::move(s.reader), std::move(s.file) };
    if (opened.file)
        returnLeasedDiscFile(s.location, opened);
    return TRUE;
}

gboolean getSize(GstBaseSrc* src, guint64* size)
{
    DiscSrcState& s = stateOf(src);
    std::lock_guard lock(s.mutex);
    if (!s.file)
        return FALSE;
    *size = s.file->size();
    return TRUE;
}

gboolean isSeekable(GstBaseSrc*)
{
    return TRUE;
}

GstFlowReturn fill(GstBaseSrc* src, guint64 offset, guint length, GstBuffer* buffer)
{
    DiscSrcState& s = stateOf(src);
    // start() and stop() never run while the element streams; the lock only
    // keeps the order of memory with them.
    std::lock_guard lock(s.mutex);
    if (!s.file)
        return GST_FLOW_FLUSHING;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE))
        return GST_FLOW_ERROR;
    const qint64 n = s.file->read(
        offset, reinterpret_cast<char*>(map.data), qint64(std::min<gsize>(length, map.size)));
    gst_buffer_unmap(buffer, &map);
    if (n < 0) {
        GST_ELEMENT_ERROR(src, RESOURCE, READ, ("Could not read from the disc."),
            ("offset %" G_GUINT64_FORMAT, offset));
        return GST_FLOW_ERROR;
    }
    if (n == 0)
        return GST_FLOW_EOS;
    gst_buffer_resize(buffer, 0, n);
    GST_BUFFER_OFFSET(buffer) = offset;
    GST_BUFFER_OFFSET_END(buffer) = offset + guint64(n);
    return GST_FLOW_OK;
}

void veltrin_disc_src_class_init(VeltrinDiscSrcClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = finalize;
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    static GstStaticPadTemplate srcTemplate
        = GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "Disc file source", "Source/File",
        "Reads a file from a Video CD or DVD, on a drive or in an image", "Veltrin");
    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    base->start = start;
    base->stop = stop;
    base->get_size = getSize;
    base->is_seekable = isSeekable;
    base->fill = fill;
}

GstURIType uriType(GType)
{
    return GST_URI_SRC;
}

const gchar* const* uriProtocols(GType)
{
    static const gchar* const protocols[] = { kDiscUriScheme, nullptr };
    return protocols;
}

gchar* getUri(GstURIHandler* handler)
{
    DiscSrcState& s = stateOf(handler);
    std::lock_guard lock(s.mutex);
    return s.uri.isEmpty() ? nullptr : g_strdup(s.uri.toUtf8().constData());
}

gboolean setUri(GstURIHandler* handler, const gchar* uri, GError** error)
{
    GstState current = GST_STATE_NULL;
    GST_OBJECT_LOCK(handler);
    current = GST_STATE(handler);
    GST_OBJECT_UNLOCK(handler);
    if (current != GST_STATE_NULL && current != GST_STATE_READY) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_STATE,
            "The location can only be changed while stopped");
        return FALSE;
    }
    const QString text = QString::fromUtf8(uri);
    const std::optional<DiscPath> location = parseDiscUri(text);
    if (!location) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_URI, "Not a disc URI: %s", uri);
        return FALSE;
    }
    DiscSrcState& s = stateOf(handler);
    std::lock_guard lock(s.mutex);
    s.uri = text;
    s.location = *location;
    return TRUE;
}

void veltrin_disc_src_uri_handler_init(gpointer iface, gpointer)
{
    auto* handler = static_cast<GstURIHandlerInterface*>(iface);
    handler->get_type = uriType;
    handler->get_protocols = uriProtocols;
    handler->get_uri = getUri;
    handler->set_uri = setUri;
}

gboolean initPlugin(GstPlugin* plugin)
{
    // Above the ordinary sources, for playbin to take it for our scheme.
    return gst_element_register(
        plugin, "veltrindiscsrc", GST_RANK_PRIMARY, veltrin_disc_src_get_type());
}

} // namespace

bool registerDiscSource()
{
    static std::mutex mutex;
    static bool registered = false;
    std::lock_guard lock(mutex);
    if (registered)
        return true;
    if (!gst_is_initialized())
        return false;
    registered = gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "veltrindisc",
        "Video CD and DVD files read through libcdio", initPlugin, "2.3.0", "Proprietary",
        "veltrin", "Veltrin", "");
    // cdda URIs: cdparanoiasrc, ranked above cdiocddasrc, opens drives only,
    // so an audio track in a .cue/.bin image would not play.
    const auto cdda = ObjectHandle<GstPluginFeature>::adopt(
        gst_registry_lookup_feature(gst_registry_get(), "cdiocddasrc"));
    if (cdda)
        gst_plugin_feature_set_rank(cdda.get(), GST_RANK_PRIMARY);
    return registered;
}

} // namespace veltrin

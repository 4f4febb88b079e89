// The form file and property bag loader: any bytes a form file can hold, then
// every typed read of every key of every control, and a write-back.
#include "check.h"
#include "runtime/propertybag.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

// Only resource paths are loaded as pictures: a fuzzed file path could name
// any file, device or FIFO of the machine.
bool safePicturePath(const QString& value)
{
    return value.trimmed().startsWith(QStringLiteral(":/"));
}

void readEveryWay(const veltrin::PropertyBag& bag, const QString& key)
{
    const QString text = bag.readString(key, QStringLiteral("default"));
    FUZZ_CHECK(bag.contains(key));
    FUZZ_CHECK(text == *bag.raw(key));

    // A value that parses reads the same whatever the default; one that
    // fits 16 bits reads the same as a 16-bit integer.
    const qint32 l0 = bag.readLong(key, 0);
    const qint32 l1 = bag.readLong(key, 1);
    const qint16 i0 = bag.readInteger(key, 0);
    const qint16 i1 = bag.readInteger(key, 1);
    if (l0 == l1 && l0 >= std::numeric_limits<qint16>::min()
        && l0 <= std::numeric_limits<qint16>::max())
        FUZZ_CHECK(i0 == l0 && i1 == l0);
    if (i0 == i1)
        FUZZ_CHECK(l0 == i0);

    const double d = bag.readDouble(key, 0.5);
    FUZZ_CHECK(std::isfinite(d));
    (void)bag.readBool(key, false);
    (void)bag.readBool(key, true);
    if (safePicturePath(text))
        (void)bag.readPicture(key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const veltrin::FormFile form = veltrin::FormFile::parse(bytes);

    for (const QString& name : form.controlNames()) {
        FUZZ_CHECK(form.hasControl(name));
        const veltrin::PropertyBag bag = form.control(name);
        for (const auto& item : bag.items())
            readEveryWay(bag, item.first);
        // A key nobody wrote reads as its default.
        FUZZ_CHECK(bag.readLong(QStringLiteral("no such key = "), 7) == 7);
    }

    // What is written back reads back the same, control by control. A header
    // of blanks names a control that cannot be written; it is left out.
    const veltrin::FormFile again = veltrin::FormFile::parse(form.serialize());
    for (const QString& name : form.controlNames()) {
        if (name.isEmpty())
            continue;
        FUZZ_CHECK(again.hasControl(name));
        FUZZ_CHECK(again.control(name).items() == form.control(name).items());
    }
    return 0;
}

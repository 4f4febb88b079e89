#include "runtime/propertybag.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cmath>
#include <limits>

namespace veltrin {

namespace {

bool sameKey(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::optional<qint64> parseInteger(QString text)
{
    text = text.trimmed();
    bool ok = false;
    qint64 v = 0;
    if (text.startsWith(u"&H", Qt::CaseInsensitive)) {
        // Hex literals of colours are 32-bit patterns: &H8000000F is negative.
        const quint64 u = text.mid(2).toULongLong(&ok, 16);
        if (!ok || u > 0xFFFFFFFFull)
            return std::nullopt;
        v = static_cast<qint32>(static_cast<quint32>(u));
    } else if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        const quint64 u = text.mid(2).toULongLong(&ok, 16);
        if (!ok || u > 0xFFFFFFFFull)
            return std::nullopt;
        v = static_cast<qint32>(static_cast<quint32>(u));
    } else {
        v = text.toLongLong(&ok, 10);
        if (!ok)
            return std::nullopt;
    }
    return v;
}

QString quoteIfNeeded(const QString& value)
{
    const bool plain = !value.isEmpty() && value.trimmed() == value && !value.startsWith(u'"')
        && !value.contains(u'\n') && !value.contains(u'\r') && !value.contains(u'\t');
    if (plain)
        return value;
    QString out = QStringLiteral("\"");
    for (QChar c : value) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    out += u'"';
    return out;
}

std::optional<QString> unquote(const QString& text)
{
    if (!text.startsWith(u'"'))
        return text;
    QString out;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            return i == text.size() - 1 ? std::optional<QString>(out) : std::nullopt;
        if (c == u'\\') {
            if (++i >= text.size())
                return std::nullopt;
            switch (text[i].unicode()) {
            case 'n': out += u'\n'; break;
            case 'r': out += u'\r'; break;
            case 't': out += u'\t'; break;
            default: out += text[i];
            }
        } else {
            out += c;
        }
    }
    return std::nullopt; // unterminated
}

} // namespace

bool PropertyBag::contains(const QString& key) const
{
    return raw(key).has_value();
}

std::optional<QString> PropertyBag::raw(const QString& key) const
{
    for (const auto& [k, v] : m_items) {
        if (sameKey(k, key))
            return v;
    }
    return std::nullopt;
}

QString PropertyBag::readString(const QString& key, const QString& def) const
{
    return raw(key).value_or(def);
}

qint32 PropertyBag::readLong(const QString& key, qint32 def) const
{
    const auto text = raw(key);
    if (!text)
        return def;
    const auto v = parseInteger(*text);
    if (!v || *v < std::numeric_limits<qint32>::min() || *v > std::numeric_limits<qint32>::max())
        return def;
    return static_cast<qint32>(*v);
}

qint16 PropertyBag::readInteger(const QString& key, qint16 def) const
{
    const auto text = raw(key);
    if (!text)
        return def;
    const auto v = parseInteger(*text);
    if (!v || *v < std::numeric_limits<qint16>::min() || *v > std::numeric_limits<qint16>::max())
        return def;
    return static_cast<qint16>(*v);
}

double PropertyBag::readDouble(const QString& key, double def) const
{
    const auto text = raw(key);
    if (!text)
        return def;
    bool ok = false;
    const double v = text->trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : def;
}

bool PropertyBag::readBool(const QString& key, bool def) const
{
    const auto text = raw(key);
    if (!text)
        return def;
    const QString t = text->trimmed().toLower();
    if (t == u"true" || t == u"yes" || t == u"on")
        return true;
    if (t == u"false" || t == u"no" || t == u"off")
        return false;
    if (const auto v = parseInteger(t))
        return *v != 0;
    return def;
}

PictureRef PropertyBag::readPicture(const QString& key) const
{
    const auto text = raw(key);
    if (!text || text->trimmed().isEmpty())
        return nullptr;
    return Picture::load(text->trimmed());
}

void PropertyBag::writeString(const QString& key, const QString& value, const QString& def)
{
    if (value == def)
        remove(key);
    else
        set(key, value);
}

void PropertyBag::writeLong(const QString& key, qint64 value, qint64 def)
{
    if (value == def)
        remove(key);
    else
        set(key, QString::number(value));
}

void PropertyBag::writeDouble(const QString& key, double value, double def)
{
    if (value == def)
        remove(key);
    else
        set(key, QString::number(value, 'g', 17));
}

void PropertyBag::writeBool(const QString& key, bool value, bool def)
{
    if (value == def)
        remove(key);
    else
        set(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void PropertyBag::writePicture(const QString& key, const PictureRef& picture)
{
    if (!picture || picture->path.isEmpty())
        remove(key);
    else
        set(key, picture->path);
}

void PropertyBag::set(const QString& key, const QString& value)
{
    for (auto& item : m_items) {
        if (sameKey(item.first, key)) {
            item.second = value;
            return;
        }
    }
    m_items.append({ key, value });
}

void PropertyBag::remove(const QString& key)
{
    m_items.removeIf([&](const auto& item) { return sameKey(item.first, key); });
}

FormFile FormFile::load(const QString& path)
{
    // Only regular files, checked before opening: open() itself blocks on a
    // FIFO, and a device behind the name would never end.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.isSequential() || file.size() > kMaxBytes)
        return {};
    return parse(file.read(kMaxBytes));
}

FormFile FormFile::parse(const QByteArray& text)
{
    FormFile form;
    if (text.size() > kMaxBytes)
        return form;
    PropertyBag* current = nullptr;
    const QString all = QString::fromUtf8(text);
    const auto lines = all.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#'))
            continue;
        if (t.startsWith(u'[')) {
            if (!t.endsWith(u']') || t.size() < 3) {
                current = nullptr; // a broken header: its lines belong to no control
                continue;
            }
            const QString name = t.mid(1, t.size() - 2).trimmed();
            auto it = std::find_if(form.m_sections.begin(), form.m_sections.end(),
                [&](const auto& s) { return sameKey(s.first, name); });
            if (it == form.m_sections.end()) {
                form.m_sections.append({ name, PropertyBag {} });
                current = &form.m_sections.last().second;
            } else {
                current = &it->second;
            }
            continue;
        }
        const qsizetype eq = t.indexOf(u'=');
        if (!current || eq <= 0)
            continue;
        const QString key = t.left(eq).trimmed();
        const auto value = unquote(t.mid(eq + 1).trimmed());
        if (key.isEmpty() || !value)
            continue;
        current->set(key, *value);
    }
    return form;
}

PropertyBag FormFile::control(const QString& name) const
{
    for (const auto& [n, bag] : m_sections) {
        if (sameKey(n, name))
            return bag;
    }
    return {};
}

bool FormFile::hasControl(const QString& name) const
{
    return std::any_of(m_sections.begin(), m_sections.end(),
        [&](const auto& s) { return sameKey(s.first, name); });
}

void FormFile::setControl(const QString& name, const PropertyBag& bag)
{
    for (auto& section : m_sections) {
        if (sameKey(section.first, name)) {
            section.second = bag;
            return;
        }
    }
    m_sections.append({ name, bag });
}

QStringList FormFile::controlNames() const
{
    QStringList names;
    for (const auto& section : m_sections)
        names << section.first;
    return names;
}

QByteArray FormFile::serialize() const
{
    QString out;
    for (const auto& [name, bag] : m_sections) {
        if (!out.isEmpty())
            out += u'\n';
        out += u'[' + name + QStringLiteral("]\n");
        for (const auto& [key, value] : bag.items())
            out += key + QStringLiteral(" = ") + quoteIfNeeded(value) + u'\n';
    }
    return out.toUtf8();
}

bool FormFile::save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialize());
    return file.commit();
}

} // namespace veltrin

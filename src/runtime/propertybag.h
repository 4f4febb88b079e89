#pragma once

#include "runtime/picture.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace veltrin {

// Design-time properties of one control: named text values, keys matched
// without regard to case, a missing key read as its default and a value equal
// to its default never written. Writes keep their order.
class PropertyBag {
public:
    bool contains(const QString& key) const;
    std::optional<QString> raw(const QString& key) const;

    QString readString(const QString& key, const QString& def) const;
    // Decimal, or hexadecimal with a 0x or &H prefix. Unparsable text or a value
    // outside the type's range reads as the default.
    qint32 readLong(const QString& key, qint32 def) const;
    qint16 readInteger(const QString& key, qint16 def) const;
    double readDouble(const QString& key, double def) const;
    // true/false, yes/no, on/off or a number (non-zero is true).
    bool readBool(const QString& key, bool def) const;
    // The value is a resource (":/...") or file path; nullptr when the key is
    // missing or the picture cannot be loaded.
    PictureRef readPicture(const QString& key) const;

    void writeString(const QString& key, const QString& value, const QString& def);
    void writeLong(const QString& key, qint64 value, qint64 def);
    void writeDouble(const QString& key, double value, double def);
    void writeBool(const QString& key, bool value, bool def);
    // A picture is written as its path; none, or one made in code, writes nothing.
    void writePicture(const QString& key, const PictureRef& picture);

    // Keys and values in write (or file) order.
    const QList<std::pair<QString, QString>>& items() const { return m_items; }
    void set(const QString& key, const QString& value);
    void remove(const QString& key);
    bool isEmpty() const { return m_items.isEmpty(); }

private:
    QList<std::pair<QString, QString>> m_items;
};

// One window's form file: a section per control holding its property bag.
//
//   ; comment
//   [H1]
//   Max = 1000
//   Caption = "Play this folder"
//
// Section names and keys are matched without regard to case. A value may be
// written in double quotes with \" \\ \n \r \t escapes to keep spaces or line
// breaks. Lines that cannot be read are skipped; a missing, unreadable or
// oversized file reads as an empty form, so every control takes its defaults.
class FormFile {
public:
    static constexpr qint64 kMaxBytes = 1 << 20;

    static FormFile load(const QString& path);
    static FormFile parse(const QByteArray& text);

    // The control's bag; an empty bag when the form has no such section.
    PropertyBag control(const QString& name) const;
    bool hasControl(const QString& name) const;
    void setControl(const QString& name, const PropertyBag& bag);
    QStringList controlNames() const;

    QByteArray serialize() const;
    bool save(const QString& path) const;

private:
    QList<std::pair<QString, PropertyBag>> m_sections;
};

} // namespace veltrin

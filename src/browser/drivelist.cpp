#include "browser/drivelist.h"

#include "runtime/mounts.h"
#include "runtime/steps.h"

#include <QSignalBlocker>

namespace veltrin {

DriveList::DriveList(
    QString mountTable, std::function<QStringList()> unmountedDrives, QWidget* parent)
    : QComboBox(parent)
    , m_mountTable(std::move(mountTable))
    , m_unmountedDrives(std::move(unmountedDrives))
{
    refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

QStringList DriveList::drives() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

QString DriveList::drive() const
{
    return currentText();
}

void DriveList::setDrive(const QString& drive)
{
    const int i = findText(drive, Qt::MatchExactly);
    if (i < 0)
        throw Failure("no such drive");
    setCurrentIndex(i);
}

void DriveList::setDriveQuietly(const QString& drive)
{
    const QSignalBlocker quiet(this);
    const int i = findText(drive, Qt::MatchExactly);
    if (i >= 0)
        setCurrentIndex(i);
}

QString DriveList::driveOf(const QString& path) const
{
    return driveOfPath(drives(), path);
}

void DriveList::refresh()
{
    const QString current = drive();
    const QSignalBlocker quiet(this);
    clear();
    addItems(driveMountPoints(m_mountTable));
    // Discs nobody mounted (an audio CD) are browsed through their devices.
    addItems(m_unmountedDrives ? m_unmountedDrives() : unmountedOpticalDevices(m_mountTable));
    const int i = findText(current, Qt::MatchExactly);
    // A drive that went away (a disc taken out) stays shown until another is picked.
    if (i >= 0) {
        setCurrentIndex(i);
    } else if (!current.isEmpty()) {
        addItem(current);
        setCurrentIndex(count() - 1);
    }
}

void DriveList::showPopup()
{
    // Discs come and go while the window is open.
    refresh();
    QComboBox::showPopup();
}

void DriveList::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    emit gotFocus();
}

} // namespace veltrin

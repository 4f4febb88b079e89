#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <functional>

namespace veltrin {

// The drive list of the folder browser: a drive is a mount point, listed from
// the mount table with the root folder first, then the optical drives whose
// disc nobody mounted, as their devices. `driveChanged` follows every change
// of the selected drive, by the user or by `setDrive`.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    // unmountedDrives: the devices (or, in tests, disc images) of optical
    // drives without a mount; unset, the system's.
    explicit DriveList(QString mountTable, std::function<QStringList()> unmountedDrives = {},
        QWidget* parent = nullptr);

    QStringList drives() const;
    QString drive() const;
    // Throws Failure when the drive is not in the list.
    void setDrive(const QString& drive);
    // Selects without raising `driveChanged`: the list follows the folder.
    void setDriveQuietly(const QString& drive);
    // The listed drive that holds the path; "" for a relative or empty one.
    QString driveOf(const QString& path) const;

    // Reads the mount table again, keeping the selection where it can.
    void refresh();

    void showPopup() override;

signals:
    void driveChanged();
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QString m_mountTable;
    std::function<QStringList()> m_unmountedDrives;
};

} // namespace veltrin

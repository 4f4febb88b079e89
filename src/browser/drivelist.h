#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

namespace veltrin {

// The drive list of the folder browser: a drive is a mount point, listed from
// the mount table with the root folder first. `driveChanged` follows every
// change of the selected drive, by the user or by `setDrive`.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QString mountTable, QWidget* parent = nullptr);

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
};

} // namespace veltrin

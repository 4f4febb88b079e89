// The button's hover sound: a WAV resource played through the engine's
// sound output, or through one a test hands in.
#include "controls/button/modbas.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <atomic>

namespace modBas {

namespace {

std::atomic<SoundOutput*> g_output { nullptr };

} // namespace

SoundOutput& gstreamerSoundOutput()
{
    return veltrin::gstreamerSoundOutput();
}

void setSoundOutput(SoundOutput* output)
{
    g_output = output;
}

SoundOutput& soundOutput()
{
    SoundOutput* output = g_output.load();
    return output ? *output : gstreamerSoundOutput();
}

QByteArray SoundResource(const QString& name)
{
    // Resource names compare without regard to case.
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> map;
        const QFileInfoList entries = QDir(QStringLiteral(":/sounds")).entryInfoList(QDir::Files);
        for (const QFileInfo& entry : entries)
            map.insert(entry.completeBaseName().toUpper(), entry.filePath());
        return map;
    }();
    const auto it = index.constFind(name.toUpper());
    if (it == index.constEnd())
        return {};
    QFile file(*it);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool PlayResourceSound(const QString& name)
{
    if (name.trimmed().isEmpty())
        return false;
    const QByteArray wave = SoundResource(name);
    if (wave.isEmpty())
        return false;
    return soundOutput().play(wave, name);
}

} // namespace modBas

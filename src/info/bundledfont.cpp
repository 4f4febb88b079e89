#include "info/bundledfont.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace veltrin {

namespace {

QString& loadedFamily()
{
    static QString family;
    return family;
}

} // namespace

bool useBundledFont()
{
    QString& family = loadedFamily();
    if (family.isEmpty()) {
        for (const char* file :
            { ":/fonts/LiberationSans-Regular.ttf", ":/fonts/LiberationSans-Bold.ttf" }) {
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty() && family.isEmpty())
                family = families.first();
        }
        if (family.isEmpty())
            return false;
    }
    // The windows name the families they were drawn with; none of them exists
    // here, and a machine's own fallback would measure differently.
    for (const char* designed : { "Small Fonts", "Tahoma", "MS Sans Serif" })
        QFont::insertSubstitution(QString::fromLatin1(designed), family);
    QGuiApplication::setFont(bundledFont(kApplicationPointSize));
    return true;
}

QString bundledFontFamily()
{
    return loadedFamily();
}

QFont bundledFont(double pointSize, bool bold)
{
    QFont f(loadedFamily());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

} // namespace veltrin

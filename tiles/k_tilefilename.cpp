#include "k_tilefilename.h"

namespace TileFileName {

QStringList variants()
{
    return {QStringLiteral("SU"), QStringLiteral("SP"), QStringLiteral("FA"),
            QStringLiteral("WI"), QStringLiteral("HW"), QStringLiteral("LM")};
}

bool parse(const QString &fileName, QString *key, QString *variant)
{
    if (fileName.length() != 21 || fileName.right(4).toUpper() != QLatin1String(".BMP"))
        return false;
    const QString found = fileName.mid(15, 2).toUpper();
    if (!variants().contains(found))
        return false;
    *key = fileName.left(15);
    *variant = found;
    return true;
}

} // namespace TileFileName

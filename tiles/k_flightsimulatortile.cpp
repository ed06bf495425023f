#include "k_flightsimulatortile.h"

K_FlightSimulatorTile::K_FlightSimulatorTile(const QString &key, QObject *parent)
    : QObject(parent)
    , m_key(key)
    , m_keyLength(int(key.length()))
    , m_level(m_keyLength - 2)
{
    decodeKey();
}

K_FlightSimulatorTile::~K_FlightSimulatorTile()
{
    qDeleteAll(children);
    children.clear();
}

void K_FlightSimulatorTile::decodeKey()
{
    if (m_level < 0) {
        m_west = m_east = m_south = m_north = 0.0;
        return;
    }

    // Six regions of 120 x 90 degrees; an unknown prefix falls into the last one.
    const QString prefix = m_key.left(2);
    if (prefix == QLatin1String("00") || prefix == QLatin1String("01")
        || prefix == QLatin1String("10")) {
        m_south = 0.0;
        m_north = 90.0;
    } else {
        m_south = -90.0;
        m_north = 0.0;
    }
    if (prefix == QLatin1String("00") || prefix == QLatin1String("02")) {
        m_west = -180.0;
        m_east = -60.0;
    } else if (prefix == QLatin1String("01") || prefix == QLatin1String("03")) {
        m_west = -60.0;
        m_east = 60.0;
    } else {
        m_west = 60.0;
        m_east = 180.0;
    }

    // Each digit halves both spans; anything but 0, 2 (west) and 2, 3 (south) acts as 1.
    for (int i = 2; i < m_keyLength; ++i) {
        const QChar ch = m_key.at(i);
        const double midLongitude = (m_west + m_east) * 0.5;
        const double midLatitude = (m_south + m_north) * 0.5;
        if (ch == QLatin1Char('0') || ch == QLatin1Char('2'))
            m_east = midLongitude;
        else
            m_west = midLongitude;
        if (ch == QLatin1Char('2') || ch == QLatin1Char('3'))
            m_north = midLatitude;
        else
            m_south = midLatitude;
    }
}

namespace {

const char *const variantLetterPairs[K_FlightSimulatorTile::VariantCount]
        = {"SU", "SP", "FA", "WI", "HW", "LM"};

} // namespace

std::optional<K_FlightSimulatorTile::Variant>
K_FlightSimulatorTile::variantOfFileName(const QString &fileName)
{
    if (fileName.length() != 21)
        return std::nullopt;
    // Some letters grow longer in upper case, so the length is checked again.
    const QString tail = fileName.right(6).toUpper();
    if (tail.size() != 6 || !tail.endsWith(QLatin1String(".BMP")))
        return std::nullopt;
    for (int variant = 0; variant < VariantCount; ++variant) {
        if (tail.startsWith(QLatin1String(variantLetterPairs[variant])))
            return Variant(variant);
    }
    return std::nullopt;
}

QString K_FlightSimulatorTile::variantLetters(Variant variant)
{
    return QLatin1String(variantLetterPairs[variant]);
}

QString K_FlightSimulatorTile::variantKey() const
{
    return m_variant == Summer ? m_key : m_key + variantLetters(m_variant);
}

QString K_FlightSimulatorTile::pictureFileName() const
{
    return (m_variant == Summer ? m_key
                                : m_key + QLatin1Char('_') + variantLetters(m_variant).toLower())
           + QLatin1String(".tif");
}

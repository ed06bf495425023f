#include "k_conversiontexts.h"

#include <QLocale>

QString K_ConversionTexts::reasonText(const QString &reason)
{
    const QString text = reason.trimmed();
    return text.endsWith(QLatin1Char('.')) ? text.chopped(1) : text;
}

namespace {

QString sizeWith(qint64 bytes, int precision)
{
    // The toolkit names bytes by one word for every count ("1 bytes", "2 байты"), so below a
    // kilobyte, where it writes no unit of its own, the number takes its plural form from the
    // catalogue; the digits follow the user's locale either way.
    QString text = bytes < 1024 ? K_ConversionTexts::tr("%Ln byte(s)", nullptr, int(bytes))
                                : QLocale().formattedDataSize(bytes, precision,
                                                              QLocale::DataSizeTraditionalFormat);
    return text.replace(QLatin1Char(' '), QChar::Nbsp);
}

} // namespace

QString K_ConversionTexts::sizeText(qint64 bytes)
{
    return sizeWith(bytes, 1);
}

std::pair<QString, QString> K_ConversionTexts::sizeTexts(qint64 first, qint64 second)
{
    // Ten decimals of a gigabyte come below a byte.
    int precision = 1;
    while (precision < 10 && first != second
           && sizeWith(first, precision) == sizeWith(second, precision))
        ++precision;
    return {sizeWith(first, precision), sizeWith(second, precision)};
}

QString K_ConversionTexts::durationText(qint64 seconds)
{
    const QLatin1Char zero('0');
    if (seconds >= 3600) {
        return QStringLiteral("%1:%2:%3")
                .arg(seconds / 3600)
                .arg(seconds / 60 % 60, 2, 10, zero)
                .arg(seconds % 60, 2, 10, zero);
    }
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
}

QString K_ConversionTexts::timeLeftText(qint64 seconds)
{
    return tr("%1 left").arg(durationText(seconds));
}

qint64 K_ConversionTexts::secondsLeft(double fraction, qint64 elapsedMs)
{
    if (fraction >= 1.0)
        return 0;
    if (fraction <= 0.0)
        return -1;
    return qint64(double(elapsedMs) * (1.0 - fraction) / fraction / 1000.0 + 0.5);
}

QString K_ConversionTexts::summary(const Figures &figures)
{
    const bool resampled = figures.bglFiles >= 0;
    QString text;
    if (resampled) {
        text = figures.stopped
                       ? tr("Stopped. Destination tiles written: %1, pictures: %2 (%3), BGL "
                            "files made: %4, problems: %5, time: %6.")
                       : tr("Destination tiles written: %1, pictures: %2 (%3), BGL files "
                            "made: %4, problems: %5, time: %6.");
    } else {
        text = figures.stopped ? tr("Stopped. Destination tiles written: %1, pictures: %2 (%3), "
                                    "problems: %4, time: %5.")
                               : tr("Destination tiles written: %1, pictures: %2 (%3), problems: "
                                    "%4, time: %5.");
    }
    text = text.arg(figures.destinationTiles).arg(figures.pictures).arg(sizeText(figures.bytes));
    if (resampled)
        text = text.arg(figures.bglFiles);
    return text.arg(figures.problems).arg(durationText((figures.milliseconds + 500) / 1000));
}

#include "k_previewcommandline.h"

#include "k_commandline.h"
#include "k_console.h"
#include "tiles/k_flightsimulatortile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImageWriter>

#include <cstdio>

K_PreviewCommandLine::K_PreviewCommandLine(QObject *parent)
    : QObject(parent)
{ }

QString K_PreviewCommandLine::destinationLine(const K_PreviewThread::Destination &destination)
{
    // At most 4^13 tiles, so the count fits.
    return tr("%1: %2 of %n tile(s), %3 broken, %4 completely transparent", nullptr,
              int(destination.possible))
            .arg(destination.key)
            .arg(destination.present)
            .arg(destination.broken)
            .arg(destination.transparent);
}

void K_PreviewCommandLine::addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(tr(
            "Writes a map of the FS9 tile bitmaps in SOURCE as a PNG picture, each tile a square "
            "of 1 to 32 pixels, the largest that keeps the picture within 2,048 pixels (where "
            "the tiles span more than 4,096 across, one square covers 2x2, 4x4, ... tiles), and "
            "prints what each destination tile holds."));
    parser.addPositionalArgument(QStringLiteral("SOURCE"),
                                 tr("The folder that holds the FS9 tile bitmaps."));
    parser.addPositionalArgument(QStringLiteral("OUTPUT.png"), tr("The picture to write."));
    parser.addOptions({
            {QStringLiteral("bgl-lod"),
             tr("The level of the destination tiles to outline and count, 0 to 13 (default 8)."),
             QStringLiteral("N")},
            {QStringLiteral("variant"),
             tr("The variant to show: su, sp, fa, wi, hw or lm (default su)."),
             QStringLiteral("V")},
            K_CommandLine::helpOption(),
    });
}

bool K_PreviewCommandLine::readSettings(const QCommandLineParser &parser,
                                        K_PreviewThread::Settings *settings, QString *error)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2 || positional.at(0).trimmed().isEmpty()
        || positional.at(1).trimmed().isEmpty()) {
        *error = tr("SOURCE and OUTPUT.png are needed, and nothing else.");
        return false;
    }
    settings->sourceFolder = positional.at(0);
    settings->variant = QStringLiteral("SU");
    const QString bglLod = parser.value(QStringLiteral("bgl-lod"));
    if (parser.isSet(QStringLiteral("bgl-lod"))
        && !K_CommandLine::toBoundedInt(bglLod, 0, 13, &settings->bglLod)) {
        *error = tr("BGL LOD must be a whole number from 0 to 13, not \"%1\".").arg(bglLod);
        return false;
    }
    if (parser.isSet(QStringLiteral("variant"))) {
        const QString variant = parser.value(QStringLiteral("variant"));
        settings->variant = variant.toUpper();
        bool known = false;
        for (int v = 0; v < K_FlightSimulatorTile::VariantCount; ++v)
            known |= K_FlightSimulatorTile::variantLetters(K_FlightSimulatorTile::Variant(v))
                     == settings->variant;
        if (!known) {
            *error = tr("Unknown variant \"%1\".").arg(variant);
            return false;
        }
    }
    return true;
}

int K_PreviewCommandLine::exec(const QStringList &arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    const bool parsed = parser.parse(K_CommandLine::withHelpSwitches(arguments));
    if (parsed && parser.isSet(QStringLiteral("help"))) {
        K_Console::write(stdout,
                         K_CommandLine::helpText(parser, arguments.value(0)) + QLatin1Char('\n'));
        return 0;
    }
    K_PreviewThread::Settings settings;
    QString error;
    if (!parsed || !readSettings(parser, &settings, &error)) {
        K_Console::write(stderr, QStringLiteral("%1: %2\n")
                                         .arg(QCoreApplication::applicationName(),
                                              parsed ? error : parser.errorText()));
        return 2;
    }
    return preview(settings, parser.positionalArguments().at(1));
}

int K_PreviewCommandLine::preview(const K_PreviewThread::Settings &settings, const QString &output)
{
    const QString program = QCoreApplication::applicationName();
    K_PreviewThread preview(settings);
    if (!preview.build()) {
        K_Console::write(stderr, QStringLiteral("%1: %2\n").arg(program, preview.errorString()));
        return 1;
    }
    const K_PreviewThread::Layout layout = preview.layout();
    if (layout.size.isEmpty()) {
        K_Console::write(stderr, QStringLiteral("%1: %2\n").arg(program, layout.noTilesText));
        return 1;
    }

    QImageWriter writer(output, "png");
    if (!writer.write(preview.picture(K_PreviewThread::scaleFor(layout.size)))) {
        K_Console::write(
                stderr,
                tr("%1: Cannot write \"%2\": %3\n").arg(program, output, writer.errorString()));
        return 1;
    }
    const QList<K_PreviewThread::Destination> destinations = preview.destinations();
    for (const K_PreviewThread::Destination &destination : destinations)
        K_Console::write(stdout, destinationLine(destination) + QLatin1Char('\n'));
    return preview.counts().broken == 0 ? 0 : 1;
}

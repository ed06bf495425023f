// A stand-in for the FSX SDK's resampler (resample.exe), for the tests only, written from the .inf
// format alone: it shares no code with ORVIK, so that it judges ORVIK's files from outside. What
// `orvik-standin-resampler FILE.inf` checks and writes, and its switches: README.md, Tests.
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QThread>

#include <tiffio.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Value
{
    QString text;
    int line = 0;
};
using Section = QMap<QString, Value>; // "" holds the line of the section's header
using Inf = QMap<QString, Section>;
using Keys = QMap<QString, QString>; // each key of a section and the form of its value

// Where a picture lies, and when it applies: a bit per month, bit 12 for the night.
struct Cell
{
    QString name;
    int line;
    double west, north, east, south;
    int months;
};

const QStringList monthNames
        = {"January", "February", "March",     "April",   "May",      "June",
           "July",    "August",   "September", "October", "November", "December"};
const QString number = R"(-?\d+(\.\d+)?([eE][-+]?\d+)?)", fileName = R"("[^"/\\]+")",
              nullValue = R"((\d{0,3},){4}\d{0,3})",
              variation = QString("All|LightMap|(%1)(,(%1))*").arg(monthNames.join('|'));
// The code page of the .inf, and its absolute folders: drive or UNC ones on Windows.
#ifdef Q_OS_WIN
const char *const codePage = "Locale"; // the system's ANSI code page
const QString folder = R"("([A-Za-z]:|\\\\[^\\/]+[\\/][^\\/]+)[\\/]([^"]*[\\/])?")";
#else
const char *const codePage = "Windows-1251";
const QString folder = R"("/([^"]*/)?")";
#endif
const QRegularExpression sectionName(R"(^(Source([1-9]\d*)?|Destination)$)");
const Keys headerKeys = {{"Type", "MultiSource"}, {"NumberOfSources", R"([1-9]\d*)"}};
const Keys sourceKeys = {{"Type", "TIFF"},         {"Layer", "Imagery"},
                         {"SourceDir", folder},    {"SourceFile", fileName},
                         {"ulxMap", number},       {"ulyMap", number},
                         {"xDim", number},         {"yDim", number},
                         {"PixelIsPoint", "[01]"}, {"Channel_BlendMask", "[0-3]"},
                         {"NullValue", nullValue}, {"Variation", variation}};
const Keys destinationKeys = {{"DestDir", folder},
                              {"LOD", R"(Auto|\d\d?(,\d\d?)?)"},
                              {"DestBaseFileName", fileName},
                              {"CompressionQuality", R"([1-9]\d?|100)"}};

QString infName;
int lastLine = 0;

bool fail(int line, const QString &what)
{
    std::fprintf(stderr, "%s:%d: %s\n", qPrintable(infName), line, qPrintable(what));
    return false;
}

QString unquoted(const Value &value)
{
    return value.text.mid(1, value.text.size() - 2);
}

bool parse(const QString &text, Inf &inf)
{
    const QStringList lines = text.split('\n');
    QString section;
    for (lastLine = 1; lastLine <= lines.size(); ++lastLine) {
        const QString line = lines[lastLine - 1].trimmed();
        const QString key = line.section('=', 0, 0).trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            if (!sectionName.match(section).hasMatch())
                return fail(lastLine, "unknown section " + line);
            if (inf.contains(section))
                return fail(lastLine, "a second [" + section + "]");
            inf[section].insert(QString(), {QString(), lastLine});
        } else if (!line.contains('=') || key.isEmpty() || section.isEmpty()) {
            return fail(lastLine, "neither [Section] nor Key = Value in a section");
        } else if (inf[section].contains(key)) {
            return fail(lastLine, "a second " + key + " in [" + section + "]");
        } else {
            inf[section].insert(key, {line.section('=', 1).trimmed(), lastLine});
        }
    }
    return true;
}

// The section, every key of `keys` in it, well-formed, and no other key.
bool checkKeys(const QString &name, const Section &section, const Keys &keys)
{
    if (!section.contains(""))
        return fail(lastLine, "no [" + name + "]");
    for (auto it = section.cbegin(); it != section.cend(); ++it) {
        if (!it.key().isEmpty() && !keys.contains(it.key()))
            return fail(it->line, QString("unknown key %1 in [%2]").arg(it.key(), name));
        if (!it.key().isEmpty()
            && !QRegularExpression("^(" + keys[it.key()] + ")$").match(it->text).hasMatch())
            return fail(it->line, QString("%1 = %2 is not %3")
                                          .arg(it.key(), it->text,
                                               it.key().endsWith("Dir") ? "an absolute folder"
                                                                        : "well-formed"));
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        if (!section.contains(it.key()))
            return fail(section.value("").line, QString("[%1] lacks %2").arg(name, it.key()));
    return true;
}

// Width, height, pixel scale x, y and tie point x, y of a GeoTIFF; nothing for any other file.
// libtiff reads the GeoTIFF tags as any tag it does not know: a 32-bit count, then the values.
QVector<double> readPicture(const QString &path)
{
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return {};
    quint32 width = 0, height = 0, scaleCount = 0, tieCount = 0;
    double *scale = nullptr, *tie = nullptr;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    QVector<double> picture;
    if (TIFFGetField(tiff, 33550, &scaleCount, &scale) && scaleCount >= 2
        && TIFFGetField(tiff, 33922, &tieCount, &tie) && tieCount >= 6)
        picture = {double(width), double(height), scale[0], scale[1], tie[3], tie[4]};
    TIFFClose(tiff);
    return picture;
}

bool readSource(const Inf &inf, const QString &name, QList<Cell> &cells)
{
    const Section section = inf.value(name);
    if (!checkKeys(name, section, sourceKeys))
        return false;
    const QString path = unquoted(section["SourceDir"]) + unquoted(section["SourceFile"]);
    const int line = section["SourceFile"].line;
    if (!QFileInfo(path).isFile())
        return fail(line, "no picture " + path);
    const QVector<double> p = readPicture(path);
    if (p.isEmpty())
        return fail(line, path + " is no GeoTIFF picture");
    const auto value = [&](const char *key) { return section[key].text.toDouble(); };
    const double ulx = value("ulxMap"), uly = value("ulyMap"), xDim = value("xDim"),
                 yDim = value("yDim");
    const auto near = [&](double a, double b) { return qAbs(a - b) <= qAbs(xDim) * 1e-6; };
    const auto text = [](double x) { return QString::number(x, 'g', 17); };
    if (!near(p[4], ulx) || !near(p[5], uly))
        return fail(section["ulxMap"].line,
                    QString("%1 starts at %2, %3").arg(path, text(p[4]), text(p[5])));
    if (!near(p[2], xDim) || !near(p[3], yDim))
        return fail(section["xDim"].line,
                    QString("%1 has %2 x %3 pixels of %4 x %5 degrees, not of xDim x yDim")
                            .arg(path, text(p[0]), text(p[1]), text(p[2]), text(p[3])));
    Cell cell{name, section[""].line, ulx, uly, ulx + p[0] * xDim, uly - p[1] * yDim, 0};
    for (const QString &m : section["Variation"].text.split(','))
        cell.months |= m == "All" ? 0xfff : m == "LightMap" ? 0x1000 : 1 << monthNames.indexOf(m);
    cells << cell;
    return true;
}

// [Source] alone, or as the header of [Source1] to [SourceN].
bool readSources(const Inf &inf, QList<Cell> &cells)
{
    const Section header = inf.value("Source");
    const int blocks = inf.size() - 1 - int(inf.contains("Destination"));
    if (!inf.contains("Source"))
        return fail(lastLine, "no [Source]");
    if (header.value("Type").text != "MultiSource")
        return (!blocks || fail(header[""].line, "[Source] is no MultiSource header"))
               && readSource(inf, "Source", cells);
    if (!checkKeys("Source", header, headerKeys))
        return false;
    const Value count = header["NumberOfSources"];
    if (count.text.toInt() != blocks)
        return fail(count.line, QString("NumberOfSources = %1, but %2 [SourceN] blocks follow")
                                        .arg(count.text, QString::number(blocks)));
    for (int n = 1; n <= blocks; ++n)
        if (!readSource(inf, QString("Source%1").arg(n), cells))
            return false;
    return true;
}

// Gaps are allowed; a margin keeps neighbours that only touch apart.
bool checkOverlaps(const QList<Cell> &cells)
{
    for (int j = 1; j < cells.size(); ++j)
        for (int i = 0; i < j; ++i) {
            const Cell &a = cells[i], &b = cells[j];
            if ((a.months & b.months) && a.west < b.east - 1e-9 && b.west < a.east - 1e-9
                && a.south < b.north - 1e-9 && b.south < a.north - 1e-9)
                return fail(
                        b.line,
                        QString("[%1] overlaps [%2] in a common Variation").arg(b.name, a.name));
        }
    return true;
}

bool writeBgl(const Value &bgl, const QByteArray &body)
{
    QFile file(bgl.text);
    return (file.open(QIODevice::WriteOnly) && file.write(body) == body.size() && file.flush())
           || fail(bgl.line, "cannot write " + bgl.text + ": " + file.errorString());
}

// An exit code when a switch ends the run, else -1.
int obeySwitches(const Value &bgl)
{
    const auto value = [](const char *name) { return qEnvironmentVariableIntValue(name); };
    const auto say = [](const QString &what) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(infName), qPrintable(what));
    };
    const QString only = qEnvironmentVariable("ORVIK_STANDIN_ONLY");
    if (!only.isEmpty() && only != QFileInfo(infName).completeBaseName())
        return -1;
    QThread::msleep(value("ORVIK_STANDIN_DELAY_MS"));
    for (int n = 1; n <= value("ORVIK_STANDIN_LINES"); ++n)
        std::printf("stand-in output line %d of %d\n", n, value("ORVIK_STANDIN_LINES"));
    std::fflush(stdout);
    if (qEnvironmentVariableIsSet("ORVIK_STANDIN_EXIT")) {
        say(QString("exit code %1 as asked").arg(value("ORVIK_STANDIN_EXIT")));
        return value("ORVIK_STANDIN_EXIT");
    }
    if (value("ORVIK_STANDIN_CRASH")) {
        say("crashing as asked");
        std::abort();
    }
    if (!value("ORVIK_STANDIN_PARTIAL"))
        return -1;
    if (!writeBgl(bgl, "ORVIK stand-in BGL\n"))
        return 1;
    say("hanging as asked");
    for (;;)
        QThread::sleep(60);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (application.arguments().size() != 2) {
        std::fprintf(stderr, "Usage: orvik-standin-resampler FILE.inf\n");
        return 2;
    }
    infName = application.arguments().at(1);
    QFile file(infName);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(infName), qPrintable(file.errorString()));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    QStringDecoder decoder(codePage);
    Inf inf;
    QList<Cell> cells;
    if (!parse(decoder(bytes), inf) || !readSources(inf, cells) || !checkOverlaps(cells))
        return 1;
    const Section destination = inf.value("Destination");
    if (!checkKeys("Destination", destination, destinationKeys))
        return 1;
    const Value bgl = {unquoted(destination["DestDir"]) + unquoted(destination["DestBaseFileName"])
                               + ".bgl",
                       destination["DestBaseFileName"].line};
    const int code = obeySwitches(bgl);
    if (code >= 0)
        return code;
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
    return writeBgl(bgl, "ORVIK stand-in BGL\nSHA-1 " + hash + "\n") ? 0 : 1;
}

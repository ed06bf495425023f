#ifndef TESTCONVERSION_H
#define TESTCONVERSION_H

#include "engine/k_builderthread.h"

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QStringList>

#include <functional>

// One conversion run on its own thread and waited for, every signal recorded in order as
// "log: ...", "value: N" or "text: ..."; `onEvent` runs in the worker right after each record,
// so a test can break in or disturb the files at an exact point.
struct TestConversion
{
    QMutex mutex;
    bool breakFlag = false;
    K_TileMap sourceTiles;
    K_TileMap destinationTiles;
    QStringList events;
    std::function<void(const QString &)> onEvent;
    int tilesCount = 0;
    int problems = 0;
    int destinationsWritten = 0;

    ~TestConversion();

    void run(const K_BuilderThread::Settings &settings);
    void requestBreak();

    QStringList log() const;
};

// Installs the English catalogue, as the programs do, whose plural forms give "1 tile", "2 tiles".
void installEnglishPluralForms();

// Every file below `folder`, hidden ones included, by path relative to it, with its contents.
QMap<QString, QByteArray> contentsBelow(const QString &folder);

// A text file's `text` as this system writes it: on Windows each line ends in CR LF.
QByteArray nativeLineEnds(QByteArray text);
// A program's standard output or error as UTF-8 text with line feeds (Windows writes CR LF).
QString outputText(const QByteArray &bytes);

// Writes key + "SU.BMP" into `folder` for each key, a picture of its own for each.
bool writeTiles(const QString &folder, const QStringList &keys);

// "source|destination|BGL LOD|quality|", the flags in their order as 1 or 0, "|resampler|jobs".
QString settingsText(const K_BuilderThread::Settings &s);

// A run's summary up to its time, in English, for `problems` logged problems and what lies in
// `destination`: one written destination tile per .inf file, the TIFF pictures measured on disk.
QString summaryBeforeTime(const QString &destination, int problems);

#endif // TESTCONVERSION_H

#ifndef K_FLIGHTSIMULATORTILE_H
#define K_FLIGHTSIMULATORTILE_H

#include <QMap>
#include <QObject>
#include <QString>

// One node of the FS9 quad tree: a key of a two-character region prefix and one quadrant digit per
// level (0 north-west, 1 north-east, 2 south-west, 3 south-east), and the rectangle on the globe
// that the key denotes.
//
// A tile owns the tiles in `children`; deleting a tile deletes its whole subtree. Tiles are
// created without a QObject parent and are used by one thread at a time (the builder thread while
// a conversion runs, the GUI thread after it).
class K_FlightSimulatorTile : public QObject
{
    Q_OBJECT

public:
    explicit K_FlightSimulatorTile(const QString &key, QObject *parent = nullptr);
    ~K_FlightSimulatorTile() override;

    QString key() const { return m_key; }
    int level() const { return m_level; }
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &filePath) { m_filePath = filePath; }

    double west() const { return m_west; }
    double east() const { return m_east; }
    double south() const { return m_south; }
    double north() const { return m_north; }

    // Child nodes keyed by their full key (this key plus one character); filled by the builder.
    QMap<QString, K_FlightSimulatorTile *> children;

private:
    void decodeKey();

    QString m_key;
    int m_keyLength = 0;
    int m_level = 0;
    double m_west = 0.0;
    double m_east = 0.0;
    double m_south = 0.0;
    double m_north = 0.0;
    QString m_filePath;
};

#endif // K_FLIGHTSIMULATORTILE_H

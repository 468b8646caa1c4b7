#pragma once

#include <QObject>
#include <QString>

// The identity tables with which the Cubrix pages clear a LUT slot: a 4096-entry 1D ramp and
// the 17- and 33-point identity .cube texts. Together they are about 1.2 MB of text, so they
// are built on first use and kept, instead of being carried as constants by the QML page.
//
// Every text is its lines joined by line feeds (no line feed after the last line).
// Lattice values are round(k * 65535 / (N - 1)) / 65535, the first rounding with halves up,
// written with a fixed number of decimals; the decimal rounding is done on exact integers,
// and v / 65535 never lies halfway between two decimals, so no floating-point tie can occur.
//
// QML reaches the texts through the singleton "IdentityLut" of the module "MNCP".
class IdentityLut : public QObject
{
    Q_OBJECT
public:
    static constexpr int RampEntries = 4096;
    static constexpr int Grid17Decimals = 8;
    static constexpr int Grid33Decimals = 6;

    explicit IdentityLut(QObject *parent = nullptr);

    // "LUT_1D_SIZE 4096", "LUT_1D_BITS 12", "LUT_1D_NAME Image2", then line k (0 to 4095)
    // holding k three times, each right-aligned in five characters, separated by one blank.
    Q_INVOKABLE QString ramp1D() const;
    // "LUT_3D_SIZE 17" and 17^3 lattice lines with eight decimals, red varying fastest.
    Q_INVOKABLE QString identity17() const;
    // "LUT_3D_SIZE 33" and 33^3 lattice lines with six decimals, red varying fastest.
    Q_INVOKABLE QString identity33() const;

    // The cached texts, built on first use.
    static const QString &rampText();
    static const QString &cubeText17();
    static const QString &cubeText33();

    // Builders behind the caches (points 2 to 256, decimals 0 to 9).
    static QString buildRamp(int entries);
    static QString buildCube(int points, int decimals);
    // The lattice value of index k as text: round(k * 65535 / (points - 1)) / 65535.
    static QString latticeValue(int index, int points, int decimals);
};

#include "customlabelswaveform.h"

#include <QMetaType>
#include <QtDebug>
#include <cmath>

using QtDataVisualization::QValue3DAxisFormatter;

namespace {
// Normalised along the 0..127 level axis: (16 + 22k) / 254 for the labelled lines.
const float GraticulePositions[CustomLabelsWaveform::GraticuleLines] = {
    0.0f,      0.062992f, 0.149606f, 0.2362204f, 0.322834f, 0.409448f, 0.496062f,
    0.582677f, 0.669291f, 0.755905f, 0.842519f, 0.929133f, 1.0f};

const char *const GraticuleLabels[CustomLabelsWaveform::GraticuleLines] = {
    "", "0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100", ""};

// Each label covers ten units of the axis value.
constexpr qreal ValuesPerLabel = 10.0;
} // namespace

CustomLabelsWaveform::CustomLabelsWaveform(QObject *parent) : QValue3DAxisFormatter(parent)
{
    // QML hands the formatter to the axis through this pointer type.
    static const int registered = qRegisterMetaType<QValue3DAxisFormatter *>("QValue3DAxisFormatter *");
    Q_UNUSED(registered)
}

QValue3DAxisFormatter *CustomLabelsWaveform::createNewInstance() const
{
    return new CustomLabelsWaveform();
}

void CustomLabelsWaveform::recalculate()
{
    // The graticule is fixed: the axis's segments and range do not move it.
    QStringList &labels = labelStrings();
    labels.clear();
    for (const char *label : GraticuleLabels)
        labels.append(QString::fromLatin1(label));

    gridPositions().resize(GraticuleLines);
    labelPositions().resize(GraticuleLines);
    for (int i = 0; i < GraticuleLines; ++i) {
        gridPositions()[i] = GraticulePositions[i];
        labelPositions()[i] = GraticulePositions[i];
    }
    qDebug() << "End Recalculate()";
}

QString CustomLabelsWaveform::stringForValue(qreal value, const QString &format) const
{
    Q_UNUSED(format)
    const qreal index = std::trunc(value / ValuesPerLabel);
    // Anything off the graticule (including NaN) has no label.
    if (!(index >= 0.0 && index < GraticuleLines))
        return QString();
    return QString::fromLatin1(GraticuleLabels[static_cast<int>(index)]);
}

void CustomLabelsWaveform::populateCopy(QValue3DAxisFormatter &copy) const
{
    QValue3DAxisFormatter::populateCopy(copy);
}

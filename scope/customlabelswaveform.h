#pragma once

#include <QtDataVisualization/QValue3DAxisFormatter>

// Waveform level axis with a fixed video graticule: grid lines at the 8-bit code values
// 16 (label "0") to 236 (label "100") in steps of 22, plus unlabelled lines at both ends.
class CustomLabelsWaveform : public QtDataVisualization::QValue3DAxisFormatter
{
    Q_OBJECT
public:
    static constexpr int GraticuleLines = 13;

    explicit CustomLabelsWaveform(QObject *parent = nullptr);

protected:
    QtDataVisualization::QValue3DAxisFormatter *createNewInstance() const override;
    void recalculate() override;
    QString stringForValue(qreal value, const QString &format) const override;
    void populateCopy(QtDataVisualization::QValue3DAxisFormatter &copy) const override;
};

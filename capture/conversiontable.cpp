#include "conversiontable.h"

ConversionTable::ConversionTable(uint range)
{
    const CubrixUtils::Formulas::Matrix &m = CubrixUtils::Formulas::matrix(range);
    for (int v = 0; v < 1024; ++v) {
        m_luma[v] = static_cast<float>(0.0f + m.gain * v);
        m_redCr[v] = m.rCr * v;
        m_greenCb[v] = m.gCb * v;
        m_greenCr[v] = m.gCr * v;
        m_blueCb[v] = m.bCb * v;
    }
    m_redOffset = m.rOffset;
    m_greenOffset = m.gOffset;
    m_blueOffset = m.bOffset;
}

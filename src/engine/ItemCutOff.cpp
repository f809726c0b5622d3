#include "engine/ItemCutOff.h"

namespace quillarc {

namespace {

constexpr DateTime kOneSecond = 1.0 / 86400.0;

} // namespace

void ItemCutOff::begin(CutOff cutOff, DateTime workBegan, bool excludeNow)
{
    m_test = CutOffTest(cutOff);
    m_workBegan = workBegan;
    m_missedCutOff.reset();
    m_keep = false;
    m_excludeAtStart = excludeNow;
    m_excludeChanged = false;
}

void ItemCutOff::hold(const CutOffHold &hold)
{
    switch (hold.kind()) {
    case CutOffHold::Kind::BelowFile: {
        const DateTime limit = CutOffTest::fileTime(*hold.file()) - kOneSecond;
        if (!m_missedCutOff || limit < *m_missedCutOff)
            m_missedCutOff = limit;
        break;
    }
    case CutOffHold::Kind::WholeItem:
        m_keep = true;
        break;
    case CutOffHold::Kind::None:
        break;
    }
}

void ItemCutOff::excludeTested(bool excludeNow)
{
    if (excludeNow != m_excludeAtStart)
        m_excludeChanged = true;
}

std::optional<DateTime> ItemCutOff::next() const
{
    if (m_keep)
        return std::nullopt;
    if (m_missedCutOff && *m_missedCutOff < m_workBegan)
        return m_missedCutOff;
    return m_workBegan;
}

} // namespace quillarc

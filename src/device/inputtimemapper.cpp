#include "device/inputtimemapper.h"

#include <algorithm>

namespace {
constexpr qint64 Wrap = qint64(1) << 32;
constexpr qint64 HalfWrap = qint64(1) << 31;
} // namespace

void InputTimeMapper::reset()
{
    m_samples.clear();
    m_jumps.clear();
    m_offset = 0;
    m_epoch = 0;
    m_lastLow = 0;
    m_haveStamp = false;
    m_fallbacks = 0;
    m_recalibrations = 0;
}

qint64 InputTimeMapper::unwrap(quint64 stampMs)
{
    if (stampMs > 0xffffffffULL)
        return qint64(stampMs);  // a clock wider than 32 bits
    const quint32 low = quint32(stampMs);
    if (!m_haveStamp) {
        m_haveStamp = true;
        m_lastLow = low;
        return low;
    }
    const qint64 step = qint64(low) - qint64(m_lastLow);
    if (step < -HalfWrap) {
        // Wrapped since the last stamp.
        ++m_epoch;
        m_lastLow = low;
    } else if (step > HalfWrap) {
        // An older event from before the last wrap.
        return (m_epoch - 1) * Wrap + low;
    } else if (step > 0) {
        m_lastLow = low;
    }
    return m_epoch * Wrap + low;
}

void InputTimeMapper::setSystemClock(qint64 offsetNs)
{
    m_haveSystemClock = true;
    m_systemOffset = offsetNs;
}

qint64 InputTimeMapper::onSystemClock(qint64 sample) const
{
    if (!m_haveSystemClock)
        return sample;
    // Stamps are the system clock's milliseconds modulo 2^32: the offset is
    // -systemOffset plus whole wraps, and the event arrived after its stamp.
    const qint64 wrapNs = Wrap * 1000000;
    const qint64 r = sample + m_systemOffset;
    const qint64 k = (r >= 0 ? r + wrapNs / 2 : r - wrapNs / 2) / wrapNs;
    const qint64 exact = k * wrapNs - m_systemOffset;
    const qint64 delay = sample - exact;
    return delay >= 0 && delay < 1000000000 ? exact : sample;
}

void InputTimeMapper::feed(qint64 sample)
{
    sample = onSystemClock(sample);
    if (m_samples.empty()) {
        m_samples.push_back(sample);
        m_offset = sample;
        return;
    }
    const qint64 step = sample - m_offset;
    if (step > JumpNs || step < -SlackNs) {
        // An event that waited long in the queue, a bogus stamp or a clock
        // that jumped; only several in a row on one offset mean a new one.
        m_jumps.push_back(sample);
        if (int(m_jumps.size()) > JumpEvents)
            m_jumps.pop_front();
        const auto [lo, hi] = std::minmax_element(m_jumps.begin(), m_jumps.end());
        if (int(m_jumps.size()) == JumpEvents && *hi - *lo <= AgreeNs) {
            m_samples.assign(m_jumps.begin(), m_jumps.end());
            m_jumps.clear();
            m_offset = *std::min_element(m_samples.begin(), m_samples.end());
            ++m_recalibrations;
        }
        return;
    }
    m_jumps.clear();
    m_samples.push_back(sample);
    if (int(m_samples.size()) > Window)
        m_samples.pop_front();
    m_offset = *std::min_element(m_samples.begin(), m_samples.end());
}

void InputTimeMapper::observe(quint64 stampMs, qint64 arrivalNs)
{
    if (stampMs == 0)
        return;  // an event without a stamp (made by the program itself)
    feed(arrivalNs - unwrap(stampMs) * 1000000);
}

InputTimeMapper::Mapped InputTimeMapper::map(quint64 stampMs, qint64 arrivalNs, qint64 floorNs)
{
    Mapped out;
    if (stampMs == 0) {
        ++m_fallbacks;
        out.ns = arrivalNs;
        out.fallback = true;
        return out;
    }
    const qint64 ms = unwrap(stampMs);
    feed(arrivalNs - ms * 1000000);
    out.ns = ms * 1000000 + m_offset;
    if (out.ns > arrivalNs || (floorNs != NoFloor && out.ns < floorNs)) {
        ++m_fallbacks;
        out.ns = arrivalNs;
        out.fallback = true;
    }
    return out;
}

bool InputTimeMapper::timeOf(quint64 stampMs, qint64 arrivalNs, qint64 *ns)
{
    if (stampMs == 0)
        return false;
    const qint64 ms = unwrap(stampMs);
    feed(arrivalNs - ms * 1000000);
    *ns = ms * 1000000 + m_offset;
    return *ns <= arrivalNs;
}

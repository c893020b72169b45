#include "params/ModuleRecord.h"

namespace varnex {

void ModuleRecord::Drop() {
    const bool was = m_state != State::Unknown || !m_values.empty();
    m_state = State::Unknown;
    m_values.clear();
    if (was) Changed({});
}

void ModuleRecord::BeginRead() {
    m_state = State::Unknown;
    m_values.clear();
}

void ModuleRecord::Read(const std::wstring& key, const std::wstring& value) { m_values[key] = value; }

void ModuleRecord::EndRead(bool complete) {
    m_state = complete ? State::Complete : m_values.empty() ? State::Unknown : State::Incomplete;
    Changed({});
}

void ModuleRecord::Confirmed(const std::wstring& key, const std::wstring& value) {
    if (m_state == State::Unknown) return;
    m_values[key] = value;
    Changed(key);
}

const std::wstring* ModuleRecord::Value(const std::wstring& key) const {
    if (m_state == State::Unknown) return nullptr;
    const auto it = m_values.find(key);
    return it == m_values.end() ? nullptr : &it->second;
}

}  // namespace varnex

#include "runtime/JsonShape.h"

#include "runtime/Exceptions.h"

namespace NqXmlLib3 {

namespace {
// The reader keeps the keys met in an object as the bits of one 64-bit word.
constexpr std::size_t maxMembers = 64;
} // namespace

CJsonShape::CJsonShape(std::string elementName) : m_elementName(std::move(elementName)) {}

void CJsonShape::Append(Member member) {
    if (m_members.size() == maxMembers) {
        throw CNqException(FormatString("The JSON form of [%s] holds more than 64 keys", m_elementName.c_str()));
    }
    m_members.push_back(std::move(member));
}

void CJsonShape::Add(std::string key, Value value, const CJsonShape* shape) {
    Append({std::move(key), value, shape, m_slots++, false});
}

void CJsonShape::AddAlternative(std::string key, Value value, const CJsonShape* shape) {
    const bool continues = !m_members.empty() && m_members.back().alternative && m_choiceSlot == m_slots - 1;
    if (!continues) m_choiceSlot = m_slots++;
    Append({std::move(key), value, shape, m_choiceSlot, true});
}

void CJsonShape::AddChoice(const CJsonShape& alternatives) {
    m_choiceSlot = m_slots++;
    for (const Member& member : alternatives.m_members) Append({member.key, member.value, member.shape, m_choiceSlot, true});
}

int CJsonShape::Find(std::string_view key) const {
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (m_members[i].key == key) return static_cast<int>(i);
    }
    return -1;
}

std::string CJsonShape::AlternativeKeys() const {
    std::string keys;
    for (const Member& member : m_members) {
        if (!member.alternative) continue;
        if (!keys.empty()) keys += ", ";
        keys += member.key;
    }
    return keys;
}

} // namespace NqXmlLib3

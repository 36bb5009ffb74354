#include "storage/CArrRange_ChoiceA.h"

#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

namespace Storage {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

CSmartPtr<CArrRange_ChoiceA> CArrRange_ChoiceA::CreateInstance() { return new CArrRange_ChoiceA(); }

CArrRange_ChoiceA::CArrRange_ChoiceA() : CInstanceMonitor("CArrRange_ChoiceA") { Init(); }

CArrRange_ChoiceA::CArrRange_ChoiceA(std::string elementName) : CArrRange_ChoiceA() {
    Names::Assign(m_elementName, elementName);
}

// Member-wise: scalars and strings are copied, children and collections shared.
CArrRange_ChoiceA::CArrRange_ChoiceA(const CArrRange_ChoiceA& other) = default;

CArrRange_ChoiceA& CArrRange_ChoiceA::operator=(const CArrRange_ChoiceA& other) = default;

CArrRange_ChoiceA::~CArrRange_ChoiceA() { Cleanup(); }

void CArrRange_ChoiceA::Cleanup() {}

void CArrRange_ChoiceA::Init() {
    Cleanup();
    ClearChoice("");
    Names::Assign(m_elementName, "arrRange_ChoiceA");
}

const NqXmlLib3::CJsonShape& CArrRange_ChoiceA::GetJsonShape() {
    static const NqXmlLib3::CJsonShape* const shape = [] {
        auto* made = new NqXmlLib3::CJsonShape("arrRange_ChoiceA");
        AddScalarAlternatives(*made);
        return made;
    }();
    return *shape;
}

CXmlObjectBase* CArrRange_ChoiceA::GetBase() { return this; }

std::string CArrRange_ChoiceA::GetTargetNamespace() const { return TargetNamespaceUri; }

void CArrRange_ChoiceA::OnEvent(CXmlObjectBase*, MsgType, void*) {}

void CArrRange_ChoiceA::AttributesToXml_Int(CXmlTextWriter*) {}

void CArrRange_ChoiceA::ToXml_Int(CXmlTextWriter* writer, bool, const char*) {
    Frame::Writing(*this, [&] { WriteSelectedScalar(writer); });
}

CXmlElement* CArrRange_ChoiceA::FromXml_Int(CXmlElement* parent, CXmlElement* cursor) {
    Init();
    return Frame::ReadChoice(parent, [&] { return ReadScalar(cursor); });
}

} // namespace Storage

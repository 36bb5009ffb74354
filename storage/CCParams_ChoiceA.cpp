#include "storage/CCParams_ChoiceA.h"

#include "storage/ElementFrame.h"
#include "storage/ElementNames.h"

namespace Storage {

using NqXmlLib3::CSmartPtr;
using NqXmlLib3::CXmlElement;
using NqXmlLib3::CXmlObjectBase;
using NqXmlLib3::CXmlTextWriter;

namespace {
const char* const rangeElement = "Range";
} // namespace

CSmartPtr<CCParams_ChoiceA> CCParams_ChoiceA::CreateInstance() { return new CCParams_ChoiceA(); }

CCParams_ChoiceA::CCParams_ChoiceA() : CInstanceMonitor("CCParams_ChoiceA") { Init(); }

CCParams_ChoiceA::CCParams_ChoiceA(std::string elementName) : CCParams_ChoiceA() {
    Names::Assign(m_elementName, elementName);
}

// Member-wise: scalars and strings are copied, children and collections shared.
CCParams_ChoiceA::CCParams_ChoiceA(const CCParams_ChoiceA& other) = default;

CCParams_ChoiceA& CCParams_ChoiceA::operator=(const CCParams_ChoiceA& other) = default;

CCParams_ChoiceA::~CCParams_ChoiceA() { Cleanup(); }

void CCParams_ChoiceA::Cleanup() {}

void CCParams_ChoiceA::Init() {
    Cleanup();
    ClearChoice("");
    Names::Assign(m_elementName, "cParams_ChoiceA");
}

void CCParams_ChoiceA::ClearChoice(const char* selectedElement) {
    CScalarChoice::ClearChoice(selectedElement);
    m_Range = nullptr;
}

CSmartPtr<CArrRange> CCParams_ChoiceA::GetRange() { return m_Range; }

void CCParams_ChoiceA::SetRange(CArrRange* range) {
    if (!range) {
        ClearChoice("");
        return;
    }
    CSmartPtr<CArrRange> keep(range);  // the range may be the one held now
    ClearChoice(rangeElement);
    Names::Name(range->GetBase(), rangeElement);
    m_Range = std::move(keep);
}

// The five scalars, then the range, as reading tries them.
const NqXmlLib3::CJsonShape& CCParams_ChoiceA::GetJsonShape() {
    static const NqXmlLib3::CJsonShape* const shape = [] {
        auto* made = new NqXmlLib3::CJsonShape("cParams_ChoiceA");
        AddScalarAlternatives(*made);
        made->AddAlternative(rangeElement, NqXmlLib3::CJsonShape::Value_Object, &CArrRange::GetJsonShape());
        return made;
    }();
    return *shape;
}

CXmlObjectBase* CCParams_ChoiceA::GetBase() { return this; }

std::string CCParams_ChoiceA::GetTargetNamespace() const { return TargetNamespaceUri; }

void CCParams_ChoiceA::OnEvent(CXmlObjectBase*, MsgType, void*) {}

void CCParams_ChoiceA::AttributesToXml_Int(CXmlTextWriter*) {}

void CCParams_ChoiceA::ToXml_Int(CXmlTextWriter* writer, bool, const char*) {
    Frame::Writing(*this, [&] {
        WriteSelectedScalar(writer);
        if (IsSelected(rangeElement) && m_Range) Frame::WriteChild(m_Range, writer, TargetNamespaceUri);
    });
}

CXmlElement* CCParams_ChoiceA::FromXml_Int(CXmlElement* parent, CXmlElement* cursor) {
    Init();
    return Frame::ReadChoice(parent, [&] {
        CXmlElement* next = ReadScalar(cursor);
        if (next != cursor || !cursor || cursor->GetLocalName() != rangeElement) return next;
        SetRange(Frame::MakeNamed<CArrRange>(rangeElement).get());
        CXmlObjectBase::FromXml_Int(m_Range->GetBase(), cursor, cursor->GetFirstElement());
        return cursor->GetNextSiblingElement();
    });
}

} // namespace Storage

// A host of the installed package: builds a document, writes it, reads it
// back, and catches a failure by its class across the library boundary.
#include <storage/Storage.h>

#include <iostream>

namespace {

int Fail(const char* what) {
    std::cerr << "consumer: " << what << "\n";
    return 1;
}

int Run() {
    auto array = Storage::CStorageArray::CreateInstance();
    array->SetClientID("client");
    auto item = array->GetStorageItems()->Add();
    auto parameter = item->GetParameters()->Add();
    parameter->SetParamName("price");
    parameter->GetCParams_ChoiceA()->SetNum(2.5);

    const std::string xml = array->ToXml();
    auto copy = Storage::CStorageArray::CreateInstance();
    copy->FromXml(xml);
    if (copy->ToXml() != xml) return Fail("the document did not read back equal");

    try {
        copy->FromXml("<StorageArray><ClientID/></StorageArray>");
        return Fail("a document without KeyID was accepted");
    } catch (const NqXmlLib3::CNqValidationException& error) {
        const auto* inner = dynamic_cast<const NqXmlLib3::CNqValidationException*>(error.GetInnerException());
        if (!inner || std::string(inner->what()) != "Failed to find a required element [KeyID]") {
            return Fail("the inner exception lost its class or text");
        }
    }
    return 0;
}

} // namespace

int main() {
    const int result = Run();
    if (result == 0 && NqXmlLib3::CInstanceMonitor::GetLiveCount() != 0) return Fail("objects leaked");
    return result;
}

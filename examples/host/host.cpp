// A host program in four steps: build a Storage document through the API,
// write it, read it back, and catch the failure of reading a broken one.
//
// Build it against an installed package with
//   find_package(StorageXml CONFIG REQUIRED)
//   target_link_libraries(app PRIVATE StorageXml::storage)

#include <storage/Storage.h>

#include <iostream>
#include <string>

using NqXmlLib3::CNqException;
using Storage::CStorageArray;

// A failure arrives as a chain of exceptions, from the root element down to
// the cause; each level knows where its element stands in the text.
void PrintFailure(const CNqException& error) {
    std::string indent = "  ";
    for (const CNqException* level = &error; level; level = level->GetInnerException(), indent += "  ") {
        std::cout << indent << "line " << level->GetLine() << ", column " << level->GetColumn() << ": "
                  << level->what() << '\n';
    }
}

// The same text without the line that holds the isKey element.
std::string WithoutIsKey(std::string xml) {
    const auto at = xml.find("isKey>");
    const auto lineStart = xml.rfind('\n', at) + 1;
    xml.erase(lineStart, xml.find('\n', at) + 1 - lineStart);
    return xml;
}

int main() {
    try {
        // 1. Build: objects come from CreateInstance or from a collection's
        //    Add(), and smart pointers release them when they go.
        auto array = CStorageArray::CreateInstance();
        array->SetClientID("client-1");
        array->SetKeyID("prices");

        auto item = array->GetStorageItems()->Add();
        item->SetClientID("client-1");
        item->SetCatID("books");
        item->SetFunctionName("Price");
        item->SetKeyID("isbn-0001");

        auto parameter = item->GetParameters()->Add();
        parameter->SetParamName("price");
        parameter->SetIsKey(false);
        parameter->GetCParams_ChoiceA()->SetNum(2.5);  // the value: one of num, str, bBool, err, w, Range

        // 2. Write: the whole document as text; ToXmlFile(path) writes a file.
        const std::string xml = array->ToXml();
        std::cout << xml;

        // 3. Read back into a new tree; every required element, limit and choice is checked.
        auto copy = CStorageArray::CreateInstance();
        copy->FromXml(xml);  // FromXmlFile(path) reads a file
        auto value = copy->GetStorageItems()->Item(0)->GetParameters()->Item(0)->GetCParams_ChoiceA();
        std::cout << "read back: price = " << value->GetNum()
                  << (copy->ToXml() == xml ? ", written again identically\n" : ", but written differently\n");

        // 4. A broken document: reading it throws, and nothing else is needed to say what is wrong.
        try {
            copy->FromXml(WithoutIsKey(xml));
            std::cout << "the broken document was accepted\n";
            return 1;
        } catch (const CNqException& error) {
            std::cout << "without isKey, reading fails:\n";
            PrintFailure(error);
        }
        return 0;
    } catch (const CNqException& error) {
        std::cout << "unexpected failure:\n";
        PrintFailure(error);
        return 1;
    }
}

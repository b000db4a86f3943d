// The two descriptions of _Binary agree: the interface description that the
// Windows type library is compiled from, read as text, and the member table
// behind late binding on Linux, with the identities of binary_interface.h.
#include "binary_members.h"

#include <binary_interface.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::string Narrow(std::u16string_view text) { return {text.begin(), text.end()}; }

TEST(InterfaceDescription, OperationsAndIdentitiesAgree)
{
    std::stringstream file;
    file << std::ifstream(BITSTRINGS_IDL).rdbuf();
    // Without comments, every run of white space one space.
    const std::string idl = std::regex_replace(std::regex_replace(file.str(), std::regex("//[^\n]*"), ""),
                                               std::regex("\\s+"), " ");
    const std::size_t start = idl.find("interface _Binary : IDispatch {");
    const std::string body = idl.substr(start, idl.find("};", start) - start);
    std::size_t at = 0;
    for (const bitstrings::Member& member : bitstrings::Members()) {
        std::ostringstream declaration;
        declaration << "[id(0x" << std::hex << member.id << ")"
                    << (member.helpString.empty() ? "" : ", helpstring(\"" + Narrow(member.helpString) + "\")")
                    << "] HRESULT " << Narrow(member.name) << "([" << (member.inOut ? "in, out" : "in") << "] "
                    << (member.parameterType == VT_I2 ? "short" : "BSTR") << (member.inOut ? "* " : " ")
                    << Narrow(member.parameter) << ", [out, retval] ";
        at = body.find(declaration.str(), at);
        ASSERT_NE(at, std::string::npos) << declaration.str() << " in order in " << body;
    }
    std::size_t operations = 0;
    for (at = body.find("[id("); at != std::string::npos; at = body.find("[id(", at + 1)) ++operations;
    EXPECT_EQ(operations, bitstrings::Members().size());
    for (const auto& [declaration, guid] : {std::pair{"library Project1", LIBID_Project1},
                                            {"interface _Binary : IDispatch", IID__Binary}, {"coclass Binary", CLSID_Binary}}) {
        // The uuid attribute in the brackets just before the declaration.
        const auto uuid = idl.rfind("uuid(", idl.find(declaration));
        OLECHAR text[CHARS_IN_GUID];
        StringFromGUID2(guid, text, CHARS_IN_GUID);
        EXPECT_EQ("{" + idl.substr(uuid + 5, 36) + "}", Narrow(text)) << declaration;
    }
}

}  // namespace

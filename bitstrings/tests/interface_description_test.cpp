// The two descriptions of _Binary agree: the interface description that the
// Windows type library is compiled from, and the member table behind late
// binding on Linux, with the identities of binary_interface.h. The IDL is
// read as text.
#include "binary_members.h"

#include <binary_interface.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

std::string Narrow(std::u16string_view text) { return {text.begin(), text.end()}; }

// The declarations without comments, every run of white space made one space.
std::string IdlText()
{
    std::ifstream file(BITSTRINGS_IDL);
    std::stringstream text;
    text << file.rdbuf();
    return std::regex_replace(std::regex_replace(text.str(), std::regex("//[^\n]*"), ""), std::regex("\\s+"), " ");
}

// The declaration of an operation up to its result parameter.
std::string Declaration(const bitstrings::Member& member)
{
    std::ostringstream text;
    text << "[id(0x" << std::hex << member.id << ")";
    if (!member.helpString.empty()) text << ", helpstring(\"" << Narrow(member.helpString) << "\")";
    text << "] HRESULT " << Narrow(member.name) << "([" << (member.inOut ? "in, out" : "in") << "] "
         << (member.parameterType == VT_I2 ? "short" : "BSTR") << (member.inOut ? "* " : " ")
         << Narrow(member.parameter) << ", [out, retval] ";
    return text.str();
}

TEST(InterfaceDescription, OperationsAgreeWithLateBindingInOrder)
{
    const std::string idl = IdlText();
    std::size_t at = idl.find("interface _Binary : IDispatch {");
    ASSERT_NE(at, std::string::npos);
    const std::string body = idl.substr(at, idl.find("};", at) - at);
    at = 0;
    for (const bitstrings::Member& member : bitstrings::Members()) {
        at = body.find(Declaration(member), at);
        ASSERT_NE(at, std::string::npos) << Declaration(member);
    }
    const std::regex operation("\\[id\\(");
    EXPECT_EQ(std::distance(std::sregex_iterator(body.begin(), body.end(), operation), {}),
              static_cast<std::ptrdiff_t>(bitstrings::Members().size()));
}

TEST(InterfaceDescription, IdentitiesAgreeWithTheHeader)
{
    const std::string idl = IdlText();
    for (const auto& [declaration, guid] : {std::pair{"library Project1", LIBID_Project1},
                                            {"interface _Binary : IDispatch", IID__Binary},
                                            {"coclass Binary", CLSID_Binary}}) {
        // The uuid attribute in the brackets just before the declaration.
        const auto uuid = idl.rfind("uuid(", idl.find(declaration));
        ASSERT_NE(uuid, std::string::npos) << declaration;
        OLECHAR text[CHARS_IN_GUID];
        StringFromGUID2(guid, text, CHARS_IN_GUID);
        EXPECT_EQ("{" + idl.substr(uuid + 5, 36) + "}", Narrow(text)) << declaration;
    }
}

}  // namespace

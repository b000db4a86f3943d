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
    const std::string idl = std::regex_replace(file.str(), std::regex("(\\s|//[^\n]*)+"), " ");
    // The operations in order, each up to its result, which the member table does not hold.
    std::ostringstream operations;
    for (const bitstrings::Member& member : bitstrings::Members()) {
        operations << "[id(0x" << std::hex << member.id << ")"
                   << (member.helpString.empty() ? "" : ", helpstring(\"" + Narrow(member.helpString) + "\")")
                   << "] HRESULT " << Narrow(member.name) << "([" << (member.inOut ? "in, out" : "in") << "] "
                   << (member.parameterType == VT_I2 ? "short" : "BSTR") << (member.inOut ? "* " : " ")
                   << Narrow(member.parameter) << ", [out, retval] ";
    }
    std::smatch body;
    ASSERT_TRUE(std::regex_search(idl, body, std::regex("interface _Binary : IDispatch \\{ (.*?) \\};")));
    EXPECT_EQ(std::regex_replace(body[1].str(), std::regex("\\w+\\* result\\); ?"), ""), operations.str());
    // The identities of the library, the interface and the class, in the order they are declared.
    std::string identities;
    for (const GUID& guid : {LIBID_Project1, IID__Binary, CLSID_Binary}) {
        OLECHAR text[CHARS_IN_GUID];
        StringFromGUID2(guid, text, CHARS_IN_GUID);
        identities += " uuid(" + Narrow(text).substr(1, 36) + ")";
    }
    EXPECT_EQ(std::regex_replace(idl, std::regex("( uuid\\([-0-9A-F]+\\))|."), "$1"), identities);
}

}  // namespace

// The two descriptions of _Binary agree: the interface description that the
// Windows type library is compiled from, and the member table behind late
// binding on Linux, with the identities of binary_interface.h. The IDL is
// read as text: every operation with its dispatch id, attributes and
// parameters, in order.
#include "binary_members.h"

#include <binary_interface.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct IdlParameter {
    std::string attributes;
    std::string type;
    std::string name;
};

struct IdlOperation {
    std::string name;
    DISPID id;
    std::string helpString;
    std::vector<IdlParameter> parameters;
};

std::string IdlText()
{
    std::ifstream file(BITSTRINGS_IDL);
    std::stringstream text;
    text << file.rdbuf();
    // Comments may mention anything; only declarations count.
    return std::regex_replace(text.str(), std::regex("//[^\n]*"), "");
}

// The body of the declaration that starts with `head`.
std::string Body(const std::string& idl, const std::string& head)
{
    const auto start = idl.find(head);
    if (start == std::string::npos) return {};
    const auto open = idl.find('{', start);
    return idl.substr(open, idl.find("};", open) - open);
}

std::vector<IdlOperation> IdlOperations(const std::string& idl)
{
    static const std::regex operation(R"(\[\s*id\((0x[0-9A-Fa-f]+)\)([^\]]*)\]\s*HRESULT\s+(\w+)\s*\(([^)]*)\))");
    static const std::regex help(R"re(helpstring\("([^"]*)"\))re");
    static const std::regex parameter(R"(\[([^\]]*)\]\s*([\w ]+?\**)\s*(\w+)\s*(,|$))");
    std::vector<IdlOperation> operations;
    const std::string body = Body(idl, "interface _Binary : IDispatch");
    for (std::sregex_iterator it(body.begin(), body.end(), operation), end; it != end; ++it) {
        IdlOperation op{(*it)[3], static_cast<DISPID>(std::stoul((*it)[1], nullptr, 16)), {}, {}};
        const std::string attributes = (*it)[2];
        std::smatch text;
        if (std::regex_search(attributes, text, help)) op.helpString = text[1];
        const std::string list = (*it)[4];
        for (std::sregex_iterator p(list.begin(), list.end(), parameter); p != end; ++p) {
            op.parameters.push_back({(*p)[1], (*p)[2], (*p)[3]});
        }
        operations.push_back(op);
    }
    return operations;
}

std::string Narrow(std::u16string_view text) { return {text.begin(), text.end()}; }

std::string IdlType(VARTYPE type, bool byReference)
{
    const std::string base = type == VT_I2 ? "short" : type == VT_BSTR ? "BSTR" : "?";
    return byReference ? base + "*" : base;
}

std::string UuidOf(const std::string& idl, const std::string& declaration)
{
    // The uuid attribute in the brackets just before the declaration.
    const auto at = idl.find(declaration);
    const auto uuid = idl.rfind("uuid(", at);
    if (at == std::string::npos || uuid == std::string::npos) return {};
    return "{" + idl.substr(uuid + 5, 36) + "}";
}

std::string GuidText(REFGUID guid)
{
    OLECHAR text[CHARS_IN_GUID];
    StringFromGUID2(guid, text, CHARS_IN_GUID);
    return Narrow(text);
}

TEST(InterfaceDescription, OperationsAgreeWithLateBindingInOrder)
{
    const std::vector<IdlOperation> operations = IdlOperations(IdlText());
    const auto members = bitstrings::Members();
    ASSERT_EQ(operations.size(), members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
        const bitstrings::Member& member = members[i];
        const IdlOperation& op = operations[i];
        SCOPED_TRACE(op.name);
        EXPECT_EQ(op.name, Narrow(member.name));
        EXPECT_EQ(op.id, member.id);
        EXPECT_EQ(op.helpString, Narrow(member.helpString));
        ASSERT_EQ(op.parameters.size(), 2U) << "one argument and the result";
        const IdlParameter& argument = op.parameters[0];
        EXPECT_EQ(argument.name, Narrow(member.parameter));
        EXPECT_EQ(argument.attributes, member.inOut ? "in, out" : "in");
        EXPECT_EQ(argument.type, IdlType(member.parameterType, member.inOut));
        EXPECT_EQ(op.parameters[1].attributes, "out, retval");
    }
}

TEST(InterfaceDescription, IdentitiesAgreeWithTheHeader)
{
    const std::string idl = IdlText();
    EXPECT_EQ(UuidOf(idl, "library Project1"), GuidText(LIBID_Project1));
    EXPECT_EQ(UuidOf(idl, "interface _Binary : IDispatch"), GuidText(IID__Binary));
    EXPECT_EQ(UuidOf(idl, "coclass Binary"), GuidText(CLSID_Binary));
}

}  // namespace

// Walks the registry of this program (the libraries it links whole) and
// compares every registered class with its row of registry_table.txt.
// LORVANO_REGISTRY_CLASSES lists the classes the libraries must register.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "objects/registration.h"

namespace {

struct Row {
    std::string base;
    std::vector<std::string> props;  // "Name Type 0xFLAGS"
};

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::map<std::string, Row> ReadTable() {
    std::ifstream in(LORVANO_SOURCE_DIR "/tests/objects/registry_table.txt");
    EXPECT_TRUE(in.good()) << "registry_table.txt not found";
    std::map<std::string, Row> rows;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string cls;
        Row row;
        words >> cls >> row.base;
        std::string rest;
        std::getline(words, rest);
        std::istringstream props(rest);
        for (std::string prop; std::getline(props, prop, ',');) {
            std::istringstream parts(prop);
            std::string name, type, flags;
            parts >> name >> type >> flags;
            if (name.empty()) continue;
            row.props.push_back(name + " " + type + " " + flags);
        }
        EXPECT_TRUE(rows.emplace(cls, row).second) << "two rows for " << cls;
    }
    return rows;
}

// The table's spelling of a property's type.
std::string TypeWord(const vPropDesc_c& p) {
    if (const auto* c = dynamic_cast<const vTD_ElemCntnr_c*>(p.type)) {
        const std::string element = c->Element()->Name();
        if (const auto* a = dynamic_cast<const vTD_StatArr_c*>(c))
            return element + "[" + std::to_string(a->Count(nullptr, nullptr, nullptr)) + "]";
        if (c->CountedElsewhere()) return element + "[" + (p.countName ? p.countName : "?") + "]";
        return "list<" + element + ">";
    }
    return p.type->Name();
}

std::string Describe(const vPropDesc_c& p) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%04X", static_cast<unsigned>(p.flags));
    return std::string(p.name) + " " + TypeWord(p) + " " + flags;
}

std::string Upper(std::string s) {
    // Flags compare without regard to the case of their hex digits.
    for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return s;
}

}  // namespace

TEST(RegistryTable, EveryRegisteredClassMatchesItsRow) {
    const std::map<std::string, Row> rows = ReadTable();
    std::set<std::string> seen;
    for (const vRTTI_TypeInfo_c* t = gTypeRegistry.First(); t != nullptr; t = t->Next()) {
        const vTD_PropCntnr_c* cls = t->AsClass();
        if (cls == nullptr) continue;
        SCOPED_TRACE(cls->Name());
        EXPECT_TRUE(seen.insert(cls->Name()).second) << "registered twice";
        const auto row = rows.find(cls->Name());
        if (row == rows.end()) {
            ADD_FAILURE() << "registered but not in registry_table.txt";
            continue;
        }
        EXPECT_EQ(cls->Base() ? cls->Base()->Name() : "-", row->second.base);
        std::vector<std::string> actual;
        for (const vPropDesc_c& p : cls->Properties()) actual.push_back(Upper(Describe(p)));
        std::vector<std::string> expected;
        for (const std::string& p : row->second.props) expected.push_back(Upper(p));
        EXPECT_EQ(actual, expected);
    }
}

TEST(RegistryTable, RequiredClassesAreRegistered) {
    std::istringstream names(LORVANO_REGISTRY_CLASSES);
    int count = 0;
    for (std::string name; names >> name; ++count) {
        const vRTTI_TypeInfo_c* t = gTypeRegistry.Find(name.c_str());
        EXPECT_TRUE(t != nullptr && t->AsClass() != nullptr) << name << " is not registered";
    }
    EXPECT_GT(count, 0);
}

TEST(RegistryTable, LookupsFindTheMostDerivedClassFirst) {
    // Every class's list starts with itself and ends with the root.
    for (const vRTTI_TypeInfo_c* t = gTypeRegistry.First(); t != nullptr; t = t->Next()) {
        const vTD_PropCntnr_c* cls = t->AsClass();
        if (cls == nullptr) continue;
        const vSubClassList_c& list = cls->SubClassList();
        ASSERT_FALSE(list.empty());
        EXPECT_EQ(list.front().type, cls);
        EXPECT_STREQ(list.back().type->Name(), "vPropCntnr_c");
    }
}
